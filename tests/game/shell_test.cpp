#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "data/errors.h"
#include "display/dxdraws.h"
#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/hlavni.h"
#include "game/level_file.h"
#include "game/screens.h"
#include "input/game_keys.h"
#include "platform/application.h"
#include "platform/display_device.h"
#include "tests/support/cursor.h"
#include "tests/support/temp_folder.h"

namespace klice {
namespace {

using testing::CursorCount;

// A data folder with level 1 and the two picture files.
class DataFolder {
public:
    DataFolder() {
        level_record one{};
        one.start_y = 500;
        write_level_file((folder_ / level_file_of(1)).string(), one);
        Touch("krajina.dat");
        Touch("ruzne.dat");
    }
    void Touch(const std::string& name) { testing::WriteFile(folder_ / name, std::string(1, '\0')); }
    void Remove(const std::string& name) { std::filesystem::remove(folder_ / name); }
    std::string Path() const { return folder_.str(); }

private:
    testing::TempFolder folder_{"shell"};
};

// Skips the title: the next tick is a play tick.
void EnterPlay() {
    game_state.intro_frames = kTitleTicks;
    game_state.in_menu = false;
}

struct Shell : ::testing::Test {
    DataFolder data;
    ~Shell() override { platform::SetDisplayModesForTesting(std::nullopt); }
};

TEST_F(Shell, StartUpRunsInitGameHidesTheCursorAndTakesTheScreen) {
    HeadlessGame game(data.Path());
    const game_state_t& g = game.State();
    EXPECT_TRUE(game.Errors().empty());
    EXPECT_EQ(CursorCount(), -1);

    EXPECT_EQ(g.level, 1);
    EXPECT_EQ(g.level_name, "p1");
    EXPECT_TRUE(g.in_menu);
    EXPECT_EQ(g.intro_frames, 0);
    EXPECT_EQ(g.slider_x, 315);
    EXPECT_EQ(g.slider_y, 140);
    EXPECT_EQ(g.slider_level, 1);
    EXPECT_FALSE(g.slider_up);
    EXPECT_EQ(g.slider_steps, 0);
    // Level 1 is loaded.
    EXPECT_EQ(g.player_x, 120);
    EXPECT_EQ(g.player_y, 500);
    EXPECT_EQ(g.facing, -60);

    TDXDraw& dxdraw = *game.Form().DXDraw;
    EXPECT_TRUE(dxdraw.CanDraw());
    EXPECT_EQ(dxdraw.Surface()->Width(), 1024);
    EXPECT_EQ(dxdraw.Surface()->Height(), 768);
    EXPECT_EQ(dxdraw.Surface()->BitCount(), 16);
    EXPECT_EQ(game.Form().Edit1->Text, "Edit1");
    EXPECT_FALSE(game.Form().Edit1->Visible());
    EXPECT_EQ(game.PresentCount(), 0u);
    // Headless games are silent unless asked otherwise.
    EXPECT_FALSE(game.Form().DXSound1->Initialized());
}

TEST_F(Shell, HeadlessWithSoundKeepsTheSoundDevice) {
    HeadlessGame game(data.Path(), true);
    EXPECT_TRUE(game.Form().DXSound1->Initialized());
    EXPECT_EQ(game.Form().WaveList->DXSound(), game.Form().DXSound1);
    game.Tick(3);
    EXPECT_EQ(game.State().intro_frames, 3);
}

TEST_F(Shell, TheFirstFiveHundredDrawableTicksAreTitleTicks) {
    HeadlessGame game(data.Path());
    game.Tick(kTitleTicks - 1);
    EXPECT_EQ(game.State().intro_frames, kTitleTicks - 1);
    EXPECT_EQ(current_screen(game.State()), screen::title);
    // The user cannot shorten the title.
    game.HoldKey(game_keys::Escape, true);
    game.Tick();
    game.HoldKey(game_keys::Escape, false);
    EXPECT_EQ(game.State().intro_frames, kTitleTicks);
    EXPECT_TRUE(game.State().in_menu);
    EXPECT_EQ(current_screen(game.State()), screen::menu);
    game.Tick(20);
    EXPECT_EQ(game.State().intro_frames, kTitleTicks);
    EXPECT_EQ(game.PresentCount(), 520u);
}

TEST_F(Shell, TicksThatCannotDrawCountNothing) {
    HeadlessGame game(data.Path());
    game.Tick(10);
    // Switched away: the surfaces are lost and stay lost without the focus.
    game.Focus(false);
    game.Tick(30);
    EXPECT_EQ(game.State().intro_frames, 10);
    EXPECT_EQ(game.PresentCount(), 10u);
    game.Focus(true);
    game.Tick(5);
    EXPECT_EQ(game.State().intro_frames, 15);
    EXPECT_EQ(game.PresentCount(), 15u);
    EXPECT_TRUE(game.Errors().empty());

    // Finalized, the display cannot draw either.
    game.Form().DXDraw->Finalize();
    game.Tick(5);
    EXPECT_EQ(game.State().intro_frames, 15);
    EXPECT_EQ(game.TickCount(), 50u);
}

TEST_F(Shell, NoAcceptableDisplayModeIsReportedAndNothingIsDrawn) {
    platform::SetDisplayModesForTesting(std::vector<platform::DisplayMode>{{640, 480, 8}, {1024, 768, 8}});
    HeadlessGame game(data.Path());
    ASSERT_EQ(game.Errors().size(), 1u);
    // Ends in ")": no full stop is added.
    EXPECT_EQ(game.Errors()[0], "Display mode cannot be changed (1024x768 16bit)");
    game.Tick(50);
    EXPECT_EQ(game.TickCount(), 50u);
    EXPECT_EQ(game.State().intro_frames, 0);
    EXPECT_EQ(game.PresentCount(), 0u);
    // The creation handler had run in full.
    EXPECT_EQ(game.State().level_name, "p1");
}

TEST_F(Shell, AFailedCreationStopsInitGameAndKeepsTheCursor) {
    data.Remove("krajina.dat");
    HeadlessGame game(data.Path());
    ASSERT_EQ(game.Errors().size(), 1u);
    EXPECT_NE(game.Errors()[0].find("krajina.dat"), std::string::npos) << game.Errors()[0];
    EXPECT_EQ(game.Errors()[0].back(), '.');
    EXPECT_EQ(CursorCount(), 0);
    // The steps before the failing one ran; level 1 was not loaded.
    EXPECT_TRUE(game.State().in_menu);
    EXPECT_EQ(game.State().slider_y, 140);
    EXPECT_EQ(game.State().player_x, 0);
    // The window was still shown and the title runs.
    game.Tick(3);
    EXPECT_EQ(game.State().intro_frames, 3);
}

TEST_F(Shell, AFailingTickPresentsNothingAndARepeatedFailureIsBoxedOnce) {
    HeadlessGame game(data.Path());
    TDXDraw& dxdraw = *game.Form().DXDraw;
    bool fail = false;
    int owner = 0;
    // A listener that cannot rebuild its surfaces after a loss: the restore
    // inside the tick's can-draw test fails.
    dxdraw.RegisterNotifyEvent(
        [&](TCustomDXDraw*, TDXDrawNotifyType type) {
            if (type == dxntRestore && fail) throw EReadError(kStreamReadError);
        },
        &owner);
    fail = true;
    for (int i = 0; i < 5; ++i) {
        platform::MarkAllSurfacesLost();
        game.Tick();
    }
    EXPECT_EQ(game.PresentCount(), 0u);
    EXPECT_EQ(game.State().intro_frames, 0);
    ASSERT_EQ(game.Errors().size(), 1u);
    EXPECT_EQ(game.Errors()[0], "Stream read error.");

    // A tick without the failure, then the same failure is boxed again.
    fail = false;
    platform::MarkAllSurfacesLost();
    game.Tick();
    EXPECT_EQ(game.PresentCount(), 1u);
    fail = true;
    for (int i = 0; i < 2; ++i) {
        platform::MarkAllSurfacesLost();
        game.Tick();
    }
    EXPECT_EQ(game.Errors().size(), 2u);
    EXPECT_EQ(game.PresentCount(), 1u);
    // The surfaces themselves came back: the next tick draws.
    game.Tick();
    EXPECT_EQ(game.PresentCount(), 2u);
    dxdraw.UnRegisterNotifyEvent(&owner);
}

TEST_F(Shell, PlayFrameNamesTheBackgroundAndCountsLevelFrames) {
    HeadlessGame game(data.Path());
    EnterPlay();
    game_state.player_y = 690;  // standing on the bottom border: no fall, no death to reload the level
    game.Tick();
    EXPECT_EQ(game.State().level_frames, 1);
    EXPECT_EQ(game.State().background_name, "p1");
    EXPECT_FALSE(game.State().objects_moving);
    game.Tick(198);
    EXPECT_FALSE(game.State().objects_moving);
    game.Tick();
    EXPECT_EQ(game.State().level_frames, 200);
    EXPECT_TRUE(game.State().objects_moving);
    game.Tick(30);
    EXPECT_EQ(game.State().level_frames, 210);
    EXPECT_EQ(game.PresentCount(), 230u);

    for (auto [level, background] : {std::pair{10, "p10"}, {11, "p1"}, {20, "p10"}, {21, "p21"}, {25, "p25"}}) {
        game_state.level = level;
        game.Tick();
        EXPECT_EQ(game.State().level_name, "p" + std::to_string(level));
        EXPECT_EQ(game.State().background_name, background) << level;
        EXPECT_EQ(background_name_of(level), background) << level;
    }
}

TEST_F(Shell, EscapeInPlayStillDrawsThePlayFrame) {
    HeadlessGame game(data.Path());
    EnterPlay();
    game.Tick(3);
    int cursor_before = CursorCount();
    game.HoldKey(game_keys::Escape, true);
    game.Tick();
    EXPECT_TRUE(game.State().in_menu);
    EXPECT_EQ(game.State().level_frames, 4);
    EXPECT_EQ(CursorCount(), cursor_before + 1);
    // Held on: menu ticks, no further effect.
    game.Tick(5);
    EXPECT_EQ(game.State().level_frames, 4);
    EXPECT_EQ(CursorCount(), cursor_before + 1);
    EXPECT_EQ(game.PresentCount(), 9u);
}

TEST_F(Shell, MouseAndCloseReachTheWindow) {
    HeadlessGame game(data.Path());
    game.MouseMove(700, 130);
    game.Tick();
    EXPECT_EQ(game.State().mouse_x, 700);
    EXPECT_EQ(game.State().mouse_y, 130);
    EXPECT_FALSE(game.Ended());
    game.CloseRequest();
    game.Tick();
    EXPECT_TRUE(game.Ended());
}

TEST_F(Shell, RunsTenThousandTicksWithoutAWindow) {
    HeadlessGame game(data.Path());
    game.Tick(10000);
    EXPECT_EQ(game.TickCount(), 10000u);
    EXPECT_EQ(game.PresentCount(), 10000u);
    EXPECT_EQ(game.State().intro_frames, kTitleTicks);
    platform::Frame frame = game.LastFrame();
    EXPECT_EQ(frame.width, 1024);
    EXPECT_EQ(frame.height, 768);
    EXPECT_TRUE(game.Errors().empty());
}

}  // namespace
}  // namespace klice
