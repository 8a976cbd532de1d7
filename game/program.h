// Program start: the application, form1, the message loop.
#pragma once

namespace klice {

// Creates the application and form1 (which runs its creation handler), shows
// the window, runs the message loop until form1 is closed, then frees form1.
// When the window resource cannot be read, shows the reason in the error box
// and returns 1 without a window.
int run_program();

}  // namespace klice
