// Program start: the application, form1, the message loop.
#pragma once

namespace klice {

namespace platform {
class Application;
}

// Creates form1 (which runs its creation handler) in the running
// application and shows it. When the window resource cannot be read, shows
// the reason in the error box and returns false: there is no window.
bool open_main_window(platform::Application& app);

// Creates the application and form1, runs the message loop until form1 is
// closed, then frees form1. Without a window (see open_main_window) returns 1.
int run_program();

}  // namespace klice
