// The shipped game played with a game pad alone: the menu through the pad's
// presses, play through the keys it holds. The pad is plugged into the
// system's own pad interface.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/screens.h"
#include "platform/gamepad.h"

namespace klice {
namespace {

using platform::PadButton;
using platform::VirtualGamepad;

class GamepadGame : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pad.Plugged()) GTEST_SKIP() << "the system's pad interface takes no virtual pad here";
        game.App().SetGamepadsEnabled(true);
        game_state.intro_frames = kTitleTicks;  // the menu is on the screen from the next tick
        game.Tick();
        ASSERT_EQ(current_screen(), screen::menu);
    }
    // Presses and lets go, a tick each.
    void Press(PadButton button) {
        pad.Hold(button, true);
        game.Tick();
        pad.Hold(button, false);
        game.Tick();
    }
    VirtualGamepad pad;
    HeadlessGame game{KLICE_BUILT_DATA_DIR};
};

TEST_F(GamepadGame, DpadStepsTheSliderLikeAClickOnTheArrows) {
    Press(PadButton::DpadDown);
    EXPECT_TRUE(kDownBox.contains(game_state.mouse_x, game_state.mouse_y));
    EXPECT_TRUE(game_state.slider_moving);
    EXPECT_FALSE(game_state.slider_up);
    game.Tick(13);
    EXPECT_EQ(game_state.slider_level, 2);
    // The stick does the same, past its dead zone.
    pad.Stick(0, -30000);
    game.Tick();
    pad.Stick(0, 0);
    EXPECT_TRUE(kUpBox.contains(game_state.mouse_x, game_state.mouse_y));
    EXPECT_TRUE(game_state.slider_up);
    game.Tick(14);
    EXPECT_EQ(game_state.slider_level, 1);
    // Held, the d-pad is one press, not one a tick.
    pad.Hold(PadButton::DpadDown, true);
    game.Tick(40);
    pad.Hold(PadButton::DpadDown, false);
    EXPECT_EQ(game_state.slider_level, 2);
}

TEST_F(GamepadGame, SouthStartsTheLevelAndThePadThenWalksAndJumps) {
    Press(PadButton::South);
    ASSERT_EQ(current_screen(), screen::play);
    EXPECT_EQ(game_state.level, 1);
    game.Tick(60);  // the figure lands at its start
    const int x = game_state.player_x, y = game_state.player_y;
    pad.Hold(PadButton::DpadRight, true);
    game.Tick(30);
    pad.Hold(PadButton::DpadRight, false);
    EXPECT_GT(game_state.player_x, x + 30);
    EXPECT_EQ(game_state.facing, -60);  // facing right
    pad.Stick(-32768, 0);
    game.Tick(10);
    pad.Stick(0, 0);
    EXPECT_EQ(game_state.facing, 60);  // facing left
    int highest = game_state.player_y;
    pad.Hold(PadButton::South, true);
    for (int i = 0; i < 40; ++i) {
        game.Tick();
        highest = std::min(highest, game_state.player_y);
    }
    pad.Hold(PadButton::South, false);
    EXPECT_LT(highest, y - 20);
    EXPECT_TRUE(game.Errors().empty());
}

TEST_F(GamepadGame, EastPointsAtTheEndBoxAndASecondPressEndsTheGame) {
    Press(PadButton::East);
    EXPECT_TRUE(kEndBox.contains(game_state.mouse_x, game_state.mouse_y));
    EXPECT_FALSE(game.Ended());
    Press(PadButton::East);
    EXPECT_TRUE(game.Ended());
}

TEST_F(GamepadGame, StartInPlayGoesBackToTheMenu) {
    Press(PadButton::South);
    ASSERT_EQ(current_screen(), screen::play);
    Press(PadButton::Start);
    EXPECT_EQ(current_screen(), screen::menu);
}

}  // namespace
}  // namespace klice
