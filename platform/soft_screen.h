// Internal to platform/: the virtual screen of the software display, shared
// by every software display device of the process.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "platform/display_device.h"

namespace klice::platform::detail {

class SoftSurface;

// The desktop's own mode, which the virtual screen starts in.
constexpr DisplayMode kDesktopMode{1024, 768, 16};

struct SoftScreen {
    DisplayMode mode = kDesktopMode;
    SoftSurface* primary = nullptr;
    std::set<SoftSurface*> surfaces;
    uint64_t presents = 0;
    bool dirty = false;
    std::optional<std::vector<DisplayMode>> test_modes;
};

SoftScreen& TheScreen();

}  // namespace klice::platform::detail
