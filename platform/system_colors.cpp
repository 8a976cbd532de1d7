#include "platform/system_colors.h"

#include <array>
#include <cstddef>

namespace klice::platform {

namespace {

// By system-colour index.
constexpr std::array<uint32_t, 31> kClassic = {
    0xC8C8C8,  // scroll bar
    0x808000,  // desktop background
    0x800000,  // active caption
    0x808080,  // inactive caption
    0xC0C0C0,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application work space
    0x800000,  // highlight
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3D dark shadow
    0xC0C0C0,  // 3D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background
    0xB5B5B5,  // (unused index)
    0xFF0000,  // hot-tracked item
    0xF0CAA6,  // active caption gradient
    0xC0C0C0,  // inactive caption gradient
    0x800000,  // menu highlight
    0xC0C0C0,  // menu bar
};

}  // namespace

uint32_t ClassicSystemColor(int index) {
    if (index < 0 || index >= static_cast<int>(kClassic.size())) return 0;
    return kClassic[static_cast<size_t>(index)];
}

}  // namespace klice::platform
