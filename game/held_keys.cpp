#include "game/held_keys.h"

#include "input/game_keys.h"
#include "platform/application.h"

namespace klice {

bool key_pressed(int32_t vk) { return platform::GetAsyncKeyState(vk) < 0 || pad_holds_key(held_pad_controls(), vk); }

bool pad_holds_key(const pad_controls& held, int32_t vk) {
    switch (vk) {
        case game_keys::Left: return held.left;
        case game_keys::Right: return held.right;
        case game_keys::Up: return held.south;
        case game_keys::H: return held.north;
        case game_keys::Escape: return held.start_or_back;
        default: return false;
    }
}

}  // namespace klice
