// The page's later data files, by the browser's request for them
// (emscripten_async_wget2), written into the file system as they arrive.
#include <emscripten.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/late_files.h"

namespace klice::platform {

namespace {

struct Request {
    std::function<void(const std::string&)> done;
};

void Arrived(unsigned, void* arg, const char*) {
    const std::unique_ptr<Request> request(static_cast<Request*>(arg));
    request->done("");
}

void Failed(unsigned, void* arg, int status) {
    const std::unique_ptr<Request> request(static_cast<Request*>(arg));
    // Status 0: the request itself failed (no server, a lost connection).
    request->done(status == 0 ? std::string("the page could not ask for it")
                              : "the server answered " + std::to_string(status));
}

}  // namespace

void FetchFile(const std::string& url, const std::string& path, std::function<void(const std::string& error)> done) {
    auto* request = new Request{std::move(done)};
    emscripten_async_wget2(url.c_str(), path.c_str(), "GET", "", request, Arrived, Failed, nullptr);
}

}  // namespace klice::platform
