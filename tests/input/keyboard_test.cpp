#include "input/keyboard.h"

#include <gtest/gtest.h>

#include "platform/application.h"

using namespace klice;
using platform::Application;
using platform::ApplicationMode;

TEST(KeyPressed, FollowsTheKeyAtEveryCallWithoutMemory) {
    Application app(ApplicationMode::Headless);
    for (int32_t vk : {27, 72, 68, 39, 65, 37, 87, 38, 13}) {
        EXPECT_FALSE(key_pressed(vk)) << vk;
        app.PressKey(vk, true);
        EXPECT_TRUE(key_pressed(vk)) << vk;
        EXPECT_TRUE(key_pressed(vk)) << vk;  // held: seen again
        app.PressKey(vk, false);
        EXPECT_FALSE(key_pressed(vk)) << vk;
    }
    // Pressed and released between two polls: never seen.
    app.PressKey('H', true);
    app.PressKey('H', false);
    EXPECT_FALSE(key_pressed('H'));
}

TEST(KeyPressed, BothKeysOfOneActionReadAsOneHeldKey) {
    Application app(ApplicationMode::Headless);
    app.PressKey('D', true);
    app.PressKey(platform::vk::Right, true);
    int walks = 0;
    app.SetTimer(10, [&] {
        if (key_pressed('D') || key_pressed(platform::vk::Right)) ++walks;
    });
    app.RunTicks(3);
    EXPECT_EQ(walks, 3);
    EXPECT_FALSE(key_pressed('A'));
    EXPECT_FALSE(key_pressed(platform::vk::Left));
}

TEST(KeyPressed, NoApplicationMeansNoKeyDown) { EXPECT_FALSE(key_pressed(27)); }
