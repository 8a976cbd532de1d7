#include "platform/gamepad.h"

#include "platform/backend.h"

namespace klice::platform {

std::vector<GamepadState> ReadGamepads() {
    std::vector<GamepadState> pads;
    detail::ReadSystemGamepads(&pads);
    return pads;
}

}  // namespace klice::platform
