// Program start: the application, form1, the message loop.
#pragma once

namespace klice {

// Creates the application and form1 (which runs its creation handler), shows
// the window, runs the message loop until form1 is closed, then frees form1.
int run_program();

}  // namespace klice
