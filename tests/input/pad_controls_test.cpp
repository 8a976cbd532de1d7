#include "input/pad_controls.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gamepad.h"

using namespace klice;
using platform::PadButton;

TEST(GamepadControls, SeveralPadsHoldTogether) {
    platform::GamepadState a, b;
    a.Set(PadButton::DpadLeft, true);
    b.Set(PadButton::North, true);
    b.left_y = 20000;
    const pad_controls held = controls_of(std::vector{a, b});
    EXPECT_TRUE(held.left);
    EXPECT_TRUE(held.north);
    EXPECT_TRUE(held.down);
    EXPECT_FALSE(held.right || held.up || held.south || held.east || held.start_or_back);
}

TEST(GamepadControls, StickCountsOnlyPastItsDeadZone) {
    platform::GamepadState pad;
    pad.left_x = -kStickDeadZone;
    EXPECT_FALSE(controls_of(pad).left);
    pad.left_x = -kStickDeadZone - 1;
    EXPECT_TRUE(controls_of(pad).left);
    pad.left_x = 32767;
    pad.left_y = kStickDeadZone;  // hard right, a little down
    EXPECT_EQ(controls_of(pad), (pad_controls{.right = true}));
}
