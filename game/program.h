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
// `prepare` runs first in the running application: what it throws is shown
// in the error box like a window that cannot be read, and ends the program.
// A plain function: in the browser the loop leaves main by an exception that
// resets the stack to where a caller's clean-up would begin, and the
// running application lives on that stack.
int run_program(void (*prepare)() = nullptr);

}  // namespace klice
