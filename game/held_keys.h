// The keys play polls: a key is held when the keyboard holds it or a game
// pad holds the control the game gives that key: the d-pad or the left
// stick Left and Right, the south button Up (jump), the north button H
// (music), Start or Back Esc.
#pragma once

#include <cstdint>

#include "input/pad_controls.h"

namespace klice {

// True while the key with the virtual-key code vk is down (the high bit of
// the platform's async key state), or a game pad holds it. Keeps no state:
// a press and release between two calls is not seen, a held key is seen at
// every call.
bool key_pressed(int32_t vk);

// Whether the pads' controls hold the key with this virtual-key code.
bool pad_holds_key(const pad_controls& held, int32_t vk);

}  // namespace klice
