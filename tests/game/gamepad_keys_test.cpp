// A game pad reaches play as held keys. The pads here are plugged into the
// system's own pad interface (SDL's virtual joysticks, or the pad-state
// interface on Windows), so the whole path from the system to key_pressed
// is what is tested.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "game/held_keys.h"
#include "input/game_keys.h"
#include "input/pad_controls.h"
#include "platform/application.h"

using namespace klice;
using platform::Application;
using platform::ApplicationMode;
using platform::PadButton;
using platform::VirtualGamepad;

namespace {

// The keys of the game that key_pressed reports at the next tick.
std::set<int32_t> KeysAtNextTick(Application& app) {
    std::set<int32_t> down;
    app.SetTimer(10, [&] {
        for (int32_t vk : game_keys::All)
            if (key_pressed(vk)) down.insert(vk);
    });
    app.Tick();
    return down;
}

class GamepadKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pad.Plugged()) GTEST_SKIP() << "the system's pad interface takes no virtual pad here";
        app.SetGamepadsEnabled(true);
    }
    Application app{ApplicationMode::Headless};
    VirtualGamepad pad;
};

}  // namespace

TEST_F(GamepadKeys, EachButtonHoldsItsKey) {
    const std::map<PadButton, std::set<int32_t>> expected = {
        {PadButton::DpadLeft, {game_keys::Left}},
        {PadButton::DpadRight, {game_keys::Right}},
        {PadButton::South, {game_keys::Up}},
        {PadButton::North, {game_keys::H}},
        {PadButton::Start, {game_keys::Escape}},
        {PadButton::Back, {game_keys::Escape}},
        {PadButton::East, {}},  // the menu's button, no key in play
        {PadButton::DpadUp, {}},
        {PadButton::DpadDown, {}},
    };
    EXPECT_TRUE(KeysAtNextTick(app).empty());
    for (const auto& [button, keys] : expected) {
        pad.Hold(button, true);
        EXPECT_EQ(KeysAtNextTick(app), keys) << int(button);
        EXPECT_EQ(KeysAtNextTick(app), keys) << "held, seen again: " << int(button);
        pad.Hold(button, false);
        EXPECT_TRUE(KeysAtNextTick(app).empty()) << int(button);
    }
}

TEST_F(GamepadKeys, StickCountsOnlyPastItsDeadZone) {
    pad.Stick(-kStickDeadZone, 0);
    EXPECT_TRUE(KeysAtNextTick(app).empty());
    pad.Stick(-kStickDeadZone - 1, 0);
    EXPECT_EQ(KeysAtNextTick(app), std::set<int32_t>{game_keys::Left});
    pad.Stick(32767, kStickDeadZone);  // hard right, a little down
    EXPECT_EQ(KeysAtNextTick(app), std::set<int32_t>{game_keys::Right});
    pad.Stick(0, -32768);  // up on the stick is no jump: only the south button jumps
    EXPECT_TRUE(KeysAtNextTick(app).empty());
    pad.Stick(0, 0);
    EXPECT_TRUE(KeysAtNextTick(app).empty());
}

TEST_F(GamepadKeys, KeyboardAndPadTogetherActOnce) {
    app.PressKey(game_keys::Right, true);
    pad.Hold(PadButton::DpadRight, true);
    int walks = 0;
    app.SetTimer(10, [&] { walks += key_pressed(game_keys::Right) ? 1 : 0; });
    app.RunTicks(3);
    EXPECT_EQ(walks, 3);
    // Either one alone still holds it.
    app.PressKey(game_keys::Right, false);
    EXPECT_EQ(KeysAtNextTick(app), std::set<int32_t>{game_keys::Right});
}

TEST_F(GamepadKeys, PadPulledOutWhileHoldingReleasesTheKey) {
    pad.Hold(PadButton::South, true);
    EXPECT_EQ(KeysAtNextTick(app), std::set<int32_t>{game_keys::Up});
    pad.Unplug();
    EXPECT_TRUE(KeysAtNextTick(app).empty());
    EXPECT_TRUE(app.Gamepads().empty());
}

TEST(GamepadHeadless, PadsAreReadOnlyWhenTheCallerAsks) {
    Application app(ApplicationMode::Headless);
    VirtualGamepad pad;
    if (!pad.Plugged()) GTEST_SKIP() << "the system's pad interface takes no virtual pad here";
    pad.Hold(PadButton::South, true);
    // A scripted headless run is not disturbed by a pad on the machine.
    EXPECT_TRUE(KeysAtNextTick(app).empty());
    app.SetGamepadsEnabled(true);
    EXPECT_EQ(KeysAtNextTick(app), std::set<int32_t>{game_keys::Up});
    EXPECT_EQ(app.Gamepads().size(), 1u);
}

TEST(PadKeys, SeveralPadsHoldTheirKeysTogether) {
    platform::GamepadState a, b;
    a.Set(PadButton::DpadLeft, true);
    b.Set(PadButton::North, true);
    const pad_controls held = controls_of(std::vector{a, b});
    EXPECT_TRUE(pad_holds_key(held, game_keys::Left));
    EXPECT_TRUE(pad_holds_key(held, game_keys::H));
    EXPECT_FALSE(pad_holds_key(held, game_keys::Right));
    EXPECT_FALSE(pad_holds_key(held, 'D'));  // the letter keys stay the keyboard's
}
