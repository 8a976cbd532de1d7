// Internal to platform/: the screen state the display devices and the
// application share: the current mode, the primary surface, presents, and
// what the application tells the displays (restore blocked, system display
// allowed). It depends on neither: both call it.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/display_device.h"

namespace klice::platform::detail {

// The primary surface as the screen shows it; valid until the next display call.
struct PrimaryView {
    const uint8_t* pixels = nullptr;
    int width = 0, height = 0, pitch = 0;
    PixelFormat format;
};

// Current display mode (1024 x 768 x 16 until one is set): the game's mode
// on the system's own display while one has set it, else the software one's.
DisplayMode ScreenMode();
// The system's display tells the mode it set, and nullopt when it goes.
void SetSystemScreenMode(std::optional<DisplayMode> mode);
std::optional<PrimaryView> Primary();
// Presents so far, and whether the primary changed since the last TakeDirty.
uint64_t PresentCount();
bool TakeDirty();

// Restore of lost surfaces is refused while this holds: the application
// sets it while its window is full screen without the focus.
bool RestoreBlocked();
void SetRestoreBlocked(bool blocked);

// Whether a display made now may be the system's own: the application sets
// it while a windowed application runs; headless runs get the software one.
bool SystemDisplayAllowed();
void SetSystemDisplayAllowed(bool allowed);

}  // namespace klice::platform::detail
