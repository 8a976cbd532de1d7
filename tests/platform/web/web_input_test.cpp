// The page's input as the game's: physical key names and the standard pad.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/virtual_keys.h"
#include "platform/web/keys.h"

namespace klice::platform {
namespace {

TEST(WebKeys, PhysicalKeyNamesGiveTheGamesKeys) {
    EXPECT_EQ(VkFromKeyCode("KeyA"), 'A');
    EXPECT_EQ(VkFromKeyCode("KeyZ"), 'Z');
    EXPECT_EQ(VkFromKeyCode("Digit0"), '0');
    EXPECT_EQ(VkFromKeyCode("Digit9"), '9');
    EXPECT_EQ(VkFromKeyCode("F1"), vk::F1);
    EXPECT_EQ(VkFromKeyCode("F9"), vk::F1 + 8);
    EXPECT_EQ(VkFromKeyCode("F12"), vk::F1 + 11);
    EXPECT_EQ(VkFromKeyCode("Numpad0"), vk::Numpad0);
    EXPECT_EQ(VkFromKeyCode("Numpad7"), vk::Numpad0 + 7);
    // Both keys of a pair are one virtual key, as on the desktop.
    for (auto [left, right, key] :
         {std::tuple{"ShiftLeft", "ShiftRight", vk::Shift}, std::tuple{"ControlLeft", "ControlRight", vk::Control},
          std::tuple{"AltLeft", "AltRight", vk::Menu}, std::tuple{"Enter", "NumpadEnter", vk::Return}}) {
        EXPECT_EQ(VkFromKeyCode(left), key) << left;
        EXPECT_EQ(VkFromKeyCode(right), key) << right;
    }
    EXPECT_EQ(VkFromKeyCode("ArrowLeft"), vk::Left);
    EXPECT_EQ(VkFromKeyCode("ArrowUp"), vk::Up);
    EXPECT_EQ(VkFromKeyCode("Space"), vk::Space);
    EXPECT_EQ(VkFromKeyCode("Escape"), vk::Escape);
}

TEST(WebKeys, NamesTheGameHasNoKeyForAreNone) {
    // Near misses of the patterns must not fall into them.
    for (const char* code : {"", "Key", "KeyAB", "Keya", "Digit", "Digit10", "F", "F0", "F13", "Numpad", "NumpadAdd",
                             "Semicolon", "MetaLeft", "arrowleft"})
        EXPECT_EQ(VkFromKeyCode(code), 0) << code;
}

TEST(WebPads, StandardLayoutGivesTheButtonsAndTheStick) {
    bool pressed[17] = {};
    pressed[0] = pressed[9] = pressed[14] = true;
    const double axes[4] = {-1.0, 1.0, 0.5, 0.5};
    const GamepadState pad = PadFromStandardLayout(axes, 4, pressed, 17);
    EXPECT_TRUE(pad.Held(PadButton::South));
    EXPECT_TRUE(pad.Held(PadButton::Start));
    EXPECT_TRUE(pad.Held(PadButton::DpadLeft));
    EXPECT_FALSE(pad.Held(PadButton::East));
    EXPECT_FALSE(pad.Held(PadButton::DpadRight));
    EXPECT_EQ(pad.left_x, -32768);
    EXPECT_EQ(pad.left_y, 32767);
}

TEST(WebPads, ShortOrOddPadsReadOnlyWhatTheyHave) {
    // A pad of four buttons and one axis: nothing read past them, and a
    // stick reading out of range or not a number is clamped or centred.
    bool pressed[4] = {false, true, false, false};
    const double axes[1] = {3.0};
    GamepadState pad = PadFromStandardLayout(axes, 1, pressed, 4);
    EXPECT_TRUE(pad.Held(PadButton::East));
    EXPECT_FALSE(pad.Held(PadButton::Start));
    EXPECT_EQ(pad.left_x, 32767);
    EXPECT_EQ(pad.left_y, 0);
    const double nan_axes[2] = {std::nan(""), -0.5};
    pad = PadFromStandardLayout(nan_axes, 2, pressed, 4);
    EXPECT_EQ(pad.left_x, 0);
    EXPECT_EQ(pad.left_y, -16384);
}

}  // namespace
}  // namespace klice::platform
