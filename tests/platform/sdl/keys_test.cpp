#include "platform/sdl/keys.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/application.h"

using namespace klice::platform;

TEST(Keys, EveryGameKeyLettersAndDigitsRoundTripThroughTheSystemKeys) {
    std::vector<int32_t> codes = {vk::Escape, vk::Return,  vk::Left, vk::Up,   vk::Right, vk::Down, vk::Space,
                                  vk::Shift,  vk::Control, vk::Menu, vk::Back, vk::Tab,   vk::F1,   vk::F1 + 11};
    for (int32_t c = 'A'; c <= 'Z'; ++c) codes.push_back(c);
    for (int32_t c = '0'; c <= '9'; ++c) codes.push_back(c);
    std::set<int32_t> system_keys;
    for (int32_t vk : codes) {
        auto keys = KeycodesOfVk(vk);
        ASSERT_NE(keys[0], 0) << vk;
        for (int32_t key : keys) {
            if (!key) continue;
            EXPECT_EQ(VkFromKeycode(key), vk) << vk;
            EXPECT_TRUE(system_keys.insert(key).second) << "system key used twice: " << key;
        }
    }
    // The game's own codes are the letters' upper-case character codes.
    EXPECT_EQ(VkFromKeycode(KeycodesOfVk('H')[0]), 72);
    EXPECT_EQ(VkFromKeycode(KeycodesOfVk(87)[0]), 'W');
    // Both Shift keys and both Enter keys are one virtual key.
    EXPECT_NE(KeycodesOfVk(vk::Shift)[1], 0);
    EXPECT_NE(KeycodesOfVk(vk::Return)[1], 0);
    EXPECT_EQ(KeycodesOfVk(0)[0], 0);
    EXPECT_EQ(VkFromKeycode(0), 0);
}
