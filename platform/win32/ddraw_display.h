// Internal to platform/win32/ and its tests: the display service on
// DirectDraw (version 4, loaded from "DDraw.dll" at run time) for a windowed
// application, and what the main window needs of it.
//
// The device keeps the game's view of the display: the mode the display set
// (1024 x 768 x 16 for the game) with its pixel format, a primary surface of
// that size, and off-screen surfaces in that format. In exclusive full
// screen that view is the system's own. After Alt+Enter the window runs at
// the normal cooperative level on the desktop's mode: the surfaces keep the
// game's format, and presenting maps the frame into the window's client area
// (centred or scaled with its aspect kept) through the clipper on the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/display_device.h"
#include "platform/win32/system_display.h"

namespace klice::platform::win32 {

// Creates the DirectDraw device. Result::Generic when the library or
// DirectDrawCreate fails, Result::NoInterface when the object lacks the
// version-4 interface.
std::unique_ptr<DisplayDevice> CreateDirectDrawDevice(Result* result);

// The library the device loads ("DDraw.dll"); tests point it elsewhere.
void SetDirectDrawLibrary(const std::string& name);

// The desktop's display mode as the system reports it now.
DisplayMode DesktopMode();

}  // namespace klice::platform::win32
