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

namespace klice::platform::win32 {

// What the main window asks of the DirectDraw display while one exists.
class SystemDisplay {
public:
    virtual ~SystemDisplay() = default;
    // Alt+Enter: called before the window changes to the new style (leaving
    // full screen gives the desktop its mode back first) and after it
    // (entering full screen takes the exclusive mode and the game's mode).
    // The surfaces are lost by the switch; the next tick restores them.
    virtual void BeforeWindowModeChange(bool full_screen) = 0;
    virtual void AfterWindowModeChange(bool full_screen) = 0;
    // The window system asks for the drawing area to be painted again: the
    // last frame is presented once more, without the vertical-blank wait.
    // False when there is no frame to show.
    virtual bool Repaint() = 0;
    // Presents so far (blits to the primary surface).
    virtual uint64_t PresentCount() const = 0;
    // The frame as the screen shows it, in the game's pixel format; false
    // when it cannot be read (no primary, surfaces lost).
    virtual bool ReadFrame(std::vector<uint8_t>* pixels, int* width, int* height, int* pitch, PixelFormat* format) = 0;
};

// The DirectDraw display of this process, or null.
SystemDisplay* ActiveSystemDisplay();

// Creates the DirectDraw device. Result::Generic when the library or
// DirectDrawCreate fails, Result::NoInterface when the object lacks the
// version-4 interface.
std::unique_ptr<DisplayDevice> CreateDirectDrawDevice(Result* result);

// The library the device loads ("DDraw.dll"); tests point it elsewhere.
void SetDirectDrawLibrary(const std::string& name);

// The desktop's display mode as the system reports it now.
DisplayMode DesktopMode();

}  // namespace klice::platform::win32
