// Internal to platform/: the browser's input as the game's: physical key
// names (KeyboardEvent.code, as "KeyA", "ArrowLeft", "NumpadEnter") as
// virtual-key codes, and pads of the Gamepad API's standard layout. Physical
// keys, so that the game's keys stay in their places whatever the layout.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/gamepad.h"

namespace klice::platform {

// Virtual-key code of a KeyboardEvent.code; 0 for a key the game has no code for.
int32_t VkFromKeyCode(std::string_view code);

// A pad of the standard layout: buttons 0-3 the face buttons (south, east,
// west, north), 8 and 9 back and start, 12-15 the pad's cross (up, down,
// left, right); axes 0 and 1 the left stick from -1 to 1, y downwards.
GamepadState PadFromStandardLayout(const double* axes, int axis_count, const bool* pressed, int button_count);

}  // namespace klice::platform
