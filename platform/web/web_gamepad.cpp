// Game pads through the browser's Gamepad API, read before every tick. Pads
// the browser maps onto its standard layout are read by it; the others by
// the same places, as most pads follow them.
#include <emscripten/html5.h>

#include "platform/backend.h"
#include "platform/web/keys.h"

namespace klice::platform::detail {

void ReadSystemGamepads(std::vector<GamepadState>* pads) {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;
    const int count = emscripten_get_num_gamepads();
    for (int i = 0; i < count; ++i) {
        EmscriptenGamepadEvent pad{};
        if (emscripten_get_gamepad_status(i, &pad) != EMSCRIPTEN_RESULT_SUCCESS || !pad.connected) continue;
        bool pressed[64] = {};
        for (int b = 0; b < pad.numButtons && b < 64; ++b) pressed[b] = pad.digitalButton[b] != 0;
        pads->push_back(
            PadFromStandardLayout(pad.axis, pad.numAxes, pressed, pad.numButtons < 64 ? pad.numButtons : 64));
    }
}

}  // namespace klice::platform::detail

namespace klice::platform {

// The page cannot plug a pad into the browser: tests of pads skip here.
struct VirtualGamepad::Impl {};

VirtualGamepad::VirtualGamepad() : impl_(nullptr) {}
VirtualGamepad::~VirtualGamepad() = default;
bool VirtualGamepad::Plugged() const { return false; }
void VirtualGamepad::Hold(PadButton, bool) {}
void VirtualGamepad::Stick(int16_t, int16_t) {}
void VirtualGamepad::Unplug() {}

}  // namespace klice::platform
