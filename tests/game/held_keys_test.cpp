#include "game/held_keys.h"

#include <gtest/gtest.h>

#include "input/game_keys.h"
#include "platform/application.h"

using namespace klice;
using platform::Application;
using platform::ApplicationMode;

TEST(KeyPressed, FollowsTheKeyAtEveryCallWithoutMemory) {
    Application app(ApplicationMode::Headless);
    for (int32_t vk : game_keys::All) {
        EXPECT_FALSE(key_pressed(vk)) << vk;
        app.PressKey(vk, true);
        EXPECT_TRUE(key_pressed(vk)) << vk;
        EXPECT_TRUE(key_pressed(vk)) << vk;  // held: seen again
        app.PressKey(vk, false);
        EXPECT_FALSE(key_pressed(vk)) << vk;
    }
    // Pressed and released between two polls: never seen.
    app.PressKey(game_keys::H, true);
    app.PressKey(game_keys::H, false);
    EXPECT_FALSE(key_pressed(game_keys::H));
}

TEST(KeyPressed, BothKeysOfOneActionReadAsOneHeldKey) {
    Application app(ApplicationMode::Headless);
    app.PressKey(game_keys::D, true);
    app.PressKey(game_keys::Right, true);
    int walks = 0;
    app.SetTimer(10, [&] {
        if (key_pressed(game_keys::D) || key_pressed(game_keys::Right)) ++walks;
    });
    app.RunTicks(3);
    EXPECT_EQ(walks, 3);
    EXPECT_FALSE(key_pressed(game_keys::A));
    EXPECT_FALSE(key_pressed(game_keys::Left));
}

TEST(KeyPressed, NoApplicationMeansNoKeyDown) { EXPECT_FALSE(key_pressed(game_keys::Escape)); }
