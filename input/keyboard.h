// Keyboard polling for play: is a key held down at this very moment.
#pragma once

#include <cstdint>

namespace klice {

// True while the key with the virtual-key code vk is down (the high bit of
// the platform's async key state), or a game pad holds it (see
// input/pad_controls.h). Keeps no state: a press and release between two
// calls is not seen, a held key is seen at every call.
bool key_pressed(int32_t vk);

}  // namespace klice
