#include "input/keyboard.h"

#include "platform/application.h"

namespace klice {

bool key_pressed(int32_t vk) { return platform::GetAsyncKeyState(vk) < 0; }

}  // namespace klice
