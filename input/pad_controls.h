// What the game pads hold: directions from the d-pad or the left stick,
// and the buttons. What they mean is the game's: in play they hold keys
// (game/held_keys.h), in the menu they act as the mouse (game/pad_menu.h).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gamepad.h"

namespace klice {

// How far the stick must lean (of 32767) before it counts: a resting stick
// is seldom exactly at 0.
inline constexpr int kStickDeadZone = 8000;

// What a pad holds: directions from the d-pad or the stick past its dead
// zone, and the buttons.
struct pad_controls {
    bool left = false, right = false, up = false, down = false;
    bool south = false, east = false, north = false, start_or_back = false;

    bool operator==(const pad_controls&) const = default;
};

pad_controls controls_of(const platform::GamepadState& pad);
// Every pad together: a control is held when any pad holds it.
pad_controls controls_of(const std::vector<platform::GamepadState>& pads);
// The pads of the running application as read before this tick.
pad_controls held_pad_controls();

}  // namespace klice
