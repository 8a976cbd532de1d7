// klice.exe as a player starts it, in a process of its own: in the data
// folder, with its window on the screen and its sound on the system's
// device (under wine, the ALSA device of the test's HOME).
#pragma once

#include <string>

#include "platform/win32/win32.h"

namespace klice::testing {

class KliceProcess {
public:
    // Starts klice.exe in the built data folder; fails the test (and leaves
    // Running() false) when it cannot be started.
    KliceProcess();
    // Starts the program `exe` (a copy of klice.exe) in `folder`.
    KliceProcess(const std::string& exe, const std::string& folder);
    // Ends it as Close() does, if it still runs.
    ~KliceProcess();
    KliceProcess(const KliceProcess&) = delete;
    KliceProcess& operator=(const KliceProcess&) = delete;

    bool Running() const;
    // Its main window, or null while it has none.
    HWND MainWindow() const;
    // The text of an error box the game shows, or empty.
    std::string ErrorBoxText() const;
    // Asks the main window to close, as its close button does, and waits
    // for the program to end; a program that does not end within the
    // timeout is stopped. The exit code, or -1 when it had to be stopped.
    // The default allows for a loaded machine, where ending the game under
    // wine (its display given back) took more than 15 s.
    int Close(int timeout_ms = 60000);

private:
    PROCESS_INFORMATION process_{};
};

}  // namespace klice::testing
