// Data files that come after the start. The browser's page starts from a
// package of what the title and the menu need and fetches the rest beside
// the running game (the level backgrounds, most of the page's bytes), so
// that the first frame does not wait for them. Only the browser's backend
// has this: on the desktop every data file is there from the start.
#pragma once

#include <functional>
#include <string>

namespace klice::platform {

// Fetches the site's file `url` (relative to the page) into the file `path`
// of the program's file system. Returns at once; `done` runs later, from the
// browser's event loop between frames, with an empty text once the file is
// there or else what went wrong. `done` must not throw.
void FetchFile(const std::string& url, const std::string& path, std::function<void(const std::string& error)> done);

}  // namespace klice::platform
