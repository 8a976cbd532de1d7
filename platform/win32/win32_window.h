// Internal to platform/win32/ and its tests: what the Win32 main window lets
// a test reach beyond the portable interface.
#pragma once

#include <functional>
#include <string>

namespace klice::platform::win32 {

// An error box as it would be shown: title (UTF-8), text (Windows-1250) and
// the message box style (MB_ICONERROR | MB_OK).
struct ErrorBox {
    std::string title, text;
    unsigned style = 0;
};

// While set, error boxes go to the hook instead of the screen, so that a test
// can check them without a modal box waiting for a click. Empty: the real box.
void SetErrorBoxHook(std::function<void(const ErrorBox&)> hook);

// The main window's handle (an HWND) while it is open, else null.
void* MainWindowHandle();

}  // namespace klice::platform::win32
