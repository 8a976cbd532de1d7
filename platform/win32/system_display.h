// Internal to platform/win32/ and its tests: what the main window asks of
// the system's own display (the DirectDraw display, ddraw_display.h) while
// one exists.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/display_device.h"

namespace klice::platform::win32 {

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

}  // namespace klice::platform::win32
