// The shipped game (built data, real main window) on a desktop that fails it:
// no sound device, a display without 16-bit modes, surfaces lost in the
// middle of play, a damaged window resource.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/dxdraws.h"
#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/hlavni.h"
#include "game/screens.h"
#include "platform/display_device.h"
#include "platform/resources.h"
#include "sound/dx_sound.h"
#include "tests/sound/sound_fixture.h"

namespace klice {
namespace {

const std::string kData = KLICE_BUILT_DATA_DIR;

// From the title through the menu's start box into level 1.
void StartLevelOne(HeadlessGame& game) {
    game_state.intro_frames = kTitleTicks;
    game.Tick(2);
    game.MouseMove(kStartBox.centre_x(), kStartBox.centre_y());
    game.Click(kStartBox.centre_x(), kStartBox.centre_y());
}

TEST(ShippedGame, RunsSilentWithoutAnAudioDevice) {
    testing::NoDevice no_device;
    HeadlessGame game(kData, /*with_sound=*/true);
    EXPECT_TRUE(game.Errors().empty()) << game.Errors()[0];
    EXPECT_FALSE(game.Form().DXSound1->Initialized());
    game.Tick(10);
    StartLevelOne(game);
    game.Tick(300);  // the game music, jumps and moving blocks all ask for sound
    EXPECT_FALSE(game.State().in_menu);
    EXPECT_EQ(game.PresentCount(), game.TickCount());
    EXPECT_TRUE(game.Errors().empty()) << game.Errors()[0];
}

TEST(ShippedGame, WithoutSixteenBitModesTheTimerTicksAndNothingIsDrawn) {
    platform::SetDisplayModesForTesting(std::vector<platform::DisplayMode>{{800, 600, 8}, {1024, 768, 8}});
    {
        HeadlessGame game(kData);
        EXPECT_EQ(game.Errors(), std::vector<std::string>{"Display mode cannot be changed (1024x768 16bit)"});
        // The creation handler ran in full before the window was shown.
        EXPECT_EQ(game.State().player_x, 120);
        EXPECT_GT(game.Form().ruzne->Items()->Count(), 0);
        game.Tick(200);
        StartLevelOne(game);
        game.Tick(100);
        EXPECT_EQ(game.TickCount(), 302u);
        EXPECT_EQ(game.PresentCount(), 0u);
        EXPECT_EQ(game.State().intro_frames, kTitleTicks);  // set by hand; no title tick counted
        EXPECT_EQ(game.State().level_frames, 0);
        EXPECT_EQ(game.Errors().size(), 1u);
        EXPECT_FALSE(game.Ended());
    }
    platform::SetDisplayModesForTesting(std::nullopt);
}

// Level 1 after `ticks` drawn play ticks with nothing pressed; `lose` runs
// once after `lose_after` of them.
template <typename Lose>
platform::Frame LevelOneAfter(int ticks, int lose_after, Lose lose) {
    HeadlessGame game(kData);
    game.Tick(3);
    StartLevelOne(game);
    game.Tick(lose_after);
    lose(game);
    const uint64_t drawn = game.PresentCount();
    while (game.PresentCount() < drawn + uint64_t(ticks - lose_after)) game.Tick();
    EXPECT_TRUE(game.Errors().empty()) << game.Errors()[0];
    EXPECT_EQ(game.State().level_frames, 210);
    return game.LastFrame();
}

// Every picture surface comes back with its picture: a frame drawn after the
// loss is the frame drawn without it, pixel for pixel. A surface not redrawn
// would show the fill that lost surfaces have.
TEST(ShippedGame, SurfacesLostInPlayAreRestoredWithEveryPicture) {
    const int ticks = 260, lose_after = 150;  // the blocks move from play tick 200
    const platform::Frame expected = LevelOneAfter(ticks, lose_after, [](HeadlessGame&) {});
    ASSERT_EQ(expected.pixels.size(), size_t{1024} * 768 * 2);

    // Switched away for a while: nothing is drawn until the focus returns.
    const platform::Frame after_focus = LevelOneAfter(ticks, lose_after, [](HeadlessGame& game) {
        const uint64_t drawn = game.PresentCount();
        game.Focus(false);
        game.Tick(40);
        EXPECT_EQ(game.PresentCount(), drawn);
        game.Focus(true);
    });
    EXPECT_TRUE(after_focus.pixels == expected.pixels);

    // Lost without a focus change: restored at the next tick's can-draw test.
    const platform::Frame after_loss =
        LevelOneAfter(ticks, lose_after, [](HeadlessGame&) { platform::MarkAllSurfacesLost(); });
    EXPECT_TRUE(after_loss.pixels == expected.pixels);
}

TEST(ShippedGame, ADamagedWindowResourceIsReportedAndEndsTheGame) {
    const auto stored = platform::FindResource(platform::RT_RCDATA, "TFORM1");
    ASSERT_TRUE(stored.has_value());
    const std::vector<uint8_t> whole(stored->begin(), stored->end());
    // Cut inside a property the report names it; cut in the closing markers,
    // after the last property, it is the bare stream error.
    struct cut_at {
        size_t size;
        bool in_property;
    };
    for (auto [cut, in_property] :
         {cut_at{40, true}, cut_at{whole.size() / 2, true}, cut_at{whole.size() - 3, false}}) {
        const std::vector<uint8_t> damaged(whole.begin(), whole.begin() + ptrdiff_t(cut));
        platform::RegisterResource(platform::RT_RCDATA, "TFORM1", damaged);
        {
            HeadlessGame game(kData);
            EXPECT_TRUE(game.Ended()) << cut;
            EXPECT_EQ(form1, nullptr);
            ASSERT_EQ(game.Errors().size(), 1u) << cut;
            const std::string& report = game.Errors()[0];
            if (in_property) {
                EXPECT_EQ(report.rfind("Error reading ", 0), 0u) << report;
                EXPECT_TRUE(report.ends_with(": Stream read error.")) << report;
            } else {
                EXPECT_EQ(report, "Stream read error.");
            }
            game.Tick(5);
            EXPECT_EQ(game.TickCount(), 0u);
        }
        platform::RegisterResource(platform::RT_RCDATA, "TFORM1", *stored);  // the registry keeps no copy
    }
    // The whole resource makes the window again.
    HeadlessGame game(kData);
    EXPECT_FALSE(game.Ended());
    EXPECT_TRUE(game.Errors().empty());
}

}  // namespace
}  // namespace klice
