// Internal to platform/: SDL key codes and the virtual-key codes.
#pragma once

#include <array>
#include <cstdint>

namespace klice::platform {

// Virtual-key code of an SDL key code; 0 for a key the game has no code for.
int32_t VkFromKeycode(int32_t sdl_keycode);
// The SDL key codes that make up a virtual key (0 where unused): both Shift,
// Ctrl and Alt keys, both Enter keys.
std::array<int32_t, 2> KeycodesOfVk(int32_t vk);

}  // namespace klice::platform
