// A game pad as the game's controls. Play polls keys, so a pad holds the
// keys of the keyboard: the d-pad or the left stick Left and Right, the
// south button Up (jump), the north button H (music), Start or Back Esc.
// The menu takes a pad's presses as mouse clicks (game/pad_menu.h).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gamepad.h"

namespace klice {

// How far the stick must lean (of 32767) before it counts: a resting stick
// is seldom exactly at 0.
inline constexpr int kStickDeadZone = 8000;

// What a pad holds: directions from the d-pad or the stick past its dead
// zone, and the buttons the game gives a meaning to.
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

// Whether the controls hold the key with this virtual-key code.
bool pad_holds_key(const pad_controls& held, int32_t vk);

}  // namespace klice
