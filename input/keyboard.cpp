#include "input/keyboard.h"

#include "input/pad_controls.h"
#include "platform/application.h"

namespace klice {

bool key_pressed(int32_t vk) { return platform::GetAsyncKeyState(vk) < 0 || pad_holds_key(held_pad_controls(), vk); }

}  // namespace klice
