#include "input/pad_controls.h"

#include "platform/application.h"

namespace klice {

using platform::PadButton;

pad_controls controls_of(const platform::GamepadState& pad) {
    pad_controls c;
    c.left = pad.Held(PadButton::DpadLeft) || pad.left_x < -kStickDeadZone;
    c.right = pad.Held(PadButton::DpadRight) || pad.left_x > kStickDeadZone;
    c.up = pad.Held(PadButton::DpadUp) || pad.left_y < -kStickDeadZone;
    c.down = pad.Held(PadButton::DpadDown) || pad.left_y > kStickDeadZone;
    c.south = pad.Held(PadButton::South);
    c.east = pad.Held(PadButton::East);
    c.north = pad.Held(PadButton::North);
    c.start_or_back = pad.Held(PadButton::Start) || pad.Held(PadButton::Back);
    return c;
}

pad_controls controls_of(const std::vector<platform::GamepadState>& pads) {
    pad_controls all;
    for (const platform::GamepadState& pad : pads) {
        const pad_controls c = controls_of(pad);
        all.left |= c.left;
        all.right |= c.right;
        all.up |= c.up;
        all.down |= c.down;
        all.south |= c.south;
        all.east |= c.east;
        all.north |= c.north;
        all.start_or_back |= c.start_or_back;
    }
    return all;
}

pad_controls held_pad_controls() {
    const platform::Application* app = platform::Application::Current();
    return app ? controls_of(app->Gamepads()) : pad_controls{};
}

}  // namespace klice
