#include "game/screens.h"

#include <gtest/gtest.h>

#include "game/pictures.h"
#include "input/game_keys.h"
#include "platform/application.h"
#include "tests/support/cursor.h"
#include "tests/support/play_world.h"

namespace klice::testing {
namespace {

// Pixels of the last frame in a rectangle that differ from `colour`; by
// default the colour of the frame's top-left pixel.
int pixels_other_than(const PlayWorld& w, int x0, int y0, int x1, int y1,
                      std::optional<uint32_t> colour = std::nullopt) {
    platform::Frame f = w.game->LastFrame();
    const uint32_t c = colour.value_or(f.Pixel(0, 0));
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += f.Pixel(x, y) != c;
    return n;
}

struct Menu : ::testing::Test {
    PlayWorld w;
    void SetUp() override {
        w.start();
        w.tick(kTitleTicks);
        ASSERT_TRUE(game_state.in_menu);
        w.pictures.draws.clear();
        w.take_waves();
    }
    void move(int x, int y) { w.game->MouseMove(x, y); }
    void click() { w.game->Click(0, 0); }
    bool highlighted(const char* name) {
        w.pictures.draws.clear();
        w.tick();
        return !w.pictures.of(name).empty();
    }
};

TEST_F(Menu, SliderRowsGoingDownAndUpAgain) {
    move(650, 620);  // down arrow
    for (int n = 2; n <= 24; ++n) {
        click();
        w.tick(13);
        ASSERT_EQ(game_state.slider_level, n);
        ASSERT_EQ(game_state.slider_y, 140 + 13 * (n - 1)) << "level " << n;
        ASSERT_EQ(slider_row_of(n), game_state.slider_y) << "level " << n;
        ASSERT_FALSE(game_state.slider_moving);
    }
    // 24 -> 25 is cut by the clamp after 12 px.
    click();
    w.tick(11);
    EXPECT_TRUE(game_state.slider_moving);
    EXPECT_EQ(game_state.slider_y, 450);
    w.tick();
    EXPECT_FALSE(game_state.slider_moving);
    EXPECT_EQ(game_state.slider_level, 25);
    EXPECT_EQ(game_state.slider_y, 450);
    EXPECT_EQ(slider_row_of(25), 450);
    EXPECT_EQ(game_state.slider_steps, 0);

    // At 25 a further step down ends at once.
    click();
    w.tick();
    EXPECT_FALSE(game_state.slider_moving);
    EXPECT_EQ(game_state.slider_level, 25);
    EXPECT_EQ(game_state.slider_y, 450);

    move(650, 150);  // up arrow
    for (int n = 24; n >= 2; --n) {
        click();
        w.tick(13);
        ASSERT_EQ(game_state.slider_level, n);
        ASSERT_EQ(game_state.slider_y, 450 - 13 * (25 - n)) << "level " << n;
    }
    EXPECT_EQ(game_state.slider_y, 151);
    click();
    w.tick(11);
    EXPECT_EQ(game_state.slider_y, 140);
    EXPECT_TRUE(game_state.slider_moving);
    w.tick();
    EXPECT_EQ(game_state.slider_level, 1);
    EXPECT_EQ(game_state.slider_y, 140);
    EXPECT_FALSE(game_state.slider_moving);

    click();
    w.tick();
    EXPECT_EQ(game_state.slider_level, 1);
    EXPECT_EQ(game_state.slider_y, 140);
    EXPECT_FALSE(game_state.slider_moving);
}

TEST_F(Menu, TheKnobIsDrawnBeforeTheMotionAndTheNumberAfterIt) {
    move(650, 620);
    click();
    w.tick();
    ASSERT_EQ(w.pictures.of(pictures::kSliderKnob).size(), 1u);
    EXPECT_EQ(w.pictures.of(pictures::kSliderKnob)[0].top, 140);
    EXPECT_EQ(game_state.slider_y, 141);
    // The yellow number lies at (slider_x + 98, slider_y + 53) of the moved row.
    EXPECT_GT(pixels_other_than(w, 413, 194, 480, 250, 0), 20);
    EXPECT_EQ(pixels_other_than(w, 300, 0, 1024, 190, 0), 0);
}

TEST_F(Menu, ReversingDuringAStepStillCountsThirteenTicks) {
    move(650, 620);
    click();
    w.tick(13);
    ASSERT_EQ(game_state.slider_y, 153);
    click();
    w.tick(5);
    move(650, 150);  // the up arrow now: the same step goes back
    w.tick(8);
    EXPECT_FALSE(game_state.slider_moving);
    EXPECT_EQ(game_state.slider_level, 1);
    EXPECT_EQ(game_state.slider_y, 153 + 5 - 8);
}

TEST_F(Menu, ClickingWhileAStepRunsDoesNotRestartIt) {
    move(650, 620);
    click();
    w.tick(6);
    click();
    w.tick(7);
    EXPECT_FALSE(game_state.slider_moving);
    EXPECT_EQ(game_state.slider_level, 2);
    EXPECT_EQ(game_state.slider_y, 153);
}

TEST_F(Menu, EveryBoxIsExclusiveAtItsBorders) {
    struct box_case {
        const char* highlight;
        int left, right, top, bottom;
    };
    for (const box_case& b :
         {box_case{pictures::kStartLit, 820, 970, 80, 140}, box_case{pictures::kEndLit, 820, 970, 550, 620},
          box_case{pictures::kUpLit, 613, 730, 120, 170}, box_case{pictures::kDownLit, 613, 730, 600, 650}}) {
        const int mx = (b.left + b.right) / 2, my = (b.top + b.bottom) / 2;
        SCOPED_TRACE(b.highlight);
        for (auto [x, y] : {std::pair{b.left, my}, {b.right, my}, {mx, b.top}, {mx, b.bottom}}) {
            move(x, y);
            EXPECT_FALSE(highlighted(b.highlight)) << x << "," << y;
        }
        for (auto [x, y] : {std::pair{b.left + 1, my}, {b.right - 1, my}, {mx, b.top + 1}, {mx, b.bottom - 1}}) {
            move(x, y);
            EXPECT_TRUE(highlighted(b.highlight)) << x << "," << y;
        }
    }
    // Clicks on the borders of the start and end boxes do nothing.
    for (auto [x, y] : {std::pair{820, 100}, {970, 100}, {900, 80}, {900, 140}, {820, 580}, {900, 620}}) {
        move(x, y);
        click();
        w.tick();
        EXPECT_TRUE(game_state.in_menu) << x << "," << y;
        EXPECT_FALSE(w.game->Ended());
    }
    // The arrows' borders start no step.
    for (auto [x, y] : {std::pair{613, 140}, {730, 140}, {650, 120}, {650, 170}, {650, 600}, {650, 650}}) {
        move(x, y);
        click();
        w.tick();
        EXPECT_FALSE(game_state.slider_moving) << x << "," << y;
    }
    EXPECT_EQ(game_state.slider_level, 1);
    EXPECT_EQ(game_state.slider_y, 140);
}

TEST_F(Menu, HoveringSetsTheDirectionAndTheHighlightsComeInBoxOrder) {
    move(650, 620);
    w.tick();
    EXPECT_FALSE(game_state.slider_up);
    move(650, 150);
    w.pictures.draws.clear();
    w.tick();
    EXPECT_TRUE(game_state.slider_up);
    ASSERT_EQ(w.pictures.draws.size(), 3u);
    EXPECT_EQ(w.pictures.draws[0].name, pictures::kMenu);
    EXPECT_EQ(w.pictures.draws[1].name, pictures::kSliderKnob);
    EXPECT_EQ(w.pictures.draws[2].name, pictures::kUpLit);
    EXPECT_EQ(w.pictures.draws[2].left, 610);
    EXPECT_EQ(w.pictures.draws[2].top, 118);
}

TEST_F(Menu, TheStartBoxPlaysTheSlidersLevel) {
    w.set_empty_level(2, 300, {kFloor});
    move(650, 620);
    click();
    w.tick(13);
    move(900, 100);
    click();
    w.tick();
    EXPECT_FALSE(game_state.in_menu);
    EXPECT_EQ(game_state.level, 2);
    EXPECT_EQ(game_state.player_y, 300 + 4);  // not standing yet  // loaded, then one play frame of gravity
    EXPECT_EQ(CursorCount(), -1);
    EXPECT_EQ(w.take_waves(),
              (std::vector<wave_event>{{kWaveMenuMusic, false}, {kWaveGameMusic, true}, {kWaveBlock, false}}));
}

TEST_F(Menu, TheEndBoxEndsTheProgram) {
    move(900, 580);
    click();
    w.tick();
    EXPECT_TRUE(w.game->Ended());
}

TEST_F(Menu, ClicksBeforeAnyMouseMoveDoNothing) {
    // The click's own position does not count: only the last move does.
    w.game->MouseDown(900, 100);
    w.game->MouseUp(900, 100);
    w.game->MouseDown(650, 620);
    w.tick(20);
    EXPECT_TRUE(game_state.in_menu);
    EXPECT_FALSE(game_state.slider_moving);
    EXPECT_EQ(game_state.slider_y, 140);
    EXPECT_TRUE(w.pictures.of(pictures::kStartLit).empty());
    EXPECT_TRUE(w.pictures.of(pictures::kDownLit).empty());
}

TEST_F(Menu, EnterStartsTheSlidersLevelWithoutAnError) {
    w.game->KeyDown(game_keys::Enter);
    w.tick();
    EXPECT_FALSE(game_state.in_menu);
    EXPECT_EQ(game_state.level, 1);
    EXPECT_TRUE(w.game->Errors().empty());
    EXPECT_EQ(w.take_waves()[1], (wave_event{kWaveGameMusic, true}));

    // In play Enter does nothing.
    w.game->KeyDown(game_keys::Enter);
    w.tick();
    EXPECT_FALSE(game_state.in_menu);
    for (const wave_event& e : w.take_waves()) EXPECT_NE(e.index, 6);
    EXPECT_TRUE(w.game->Errors().empty());
}

TEST(Title, FiveHundredTicksWithTextMusicAndCursor) {
    PlayWorld w;
    w.pictures.add("panak", pictures::kTitle, {1024, 768, kGrey, {}});
    w.start();
    EXPECT_EQ(CursorCount(), -1);
    w.tick(200);
    EXPECT_EQ(current_screen(), screen::title);
    EXPECT_EQ(pixels_other_than(w, 200, 500, 600, 560), 0);
    w.tick();
    EXPECT_GT(pixels_other_than(w, 200, 500, 600, 560), 100);  // "Načítám data..." in black
    // Enter during the title does nothing.
    w.game->KeyDown(game_keys::Enter);
    w.tick(248);
    EXPECT_TRUE(w.take_waves().empty());
    EXPECT_EQ(CursorCount(), -1);
    w.tick();  // title tick 450
    EXPECT_EQ(w.take_waves(), (std::vector<wave_event>{{kWaveMenuMusic, true}}));
    EXPECT_EQ(CursorCount(), 0);
    w.tick(50);
    EXPECT_EQ(game_state.intro_frames, kTitleTicks);
    EXPECT_EQ(current_screen(), screen::menu);
    EXPECT_TRUE(w.game->Errors().empty());
    EXPECT_EQ(w.pictures.of(pictures::kTitle).size(), size_t{kTitleTicks});
    w.pictures.draws.clear();
    w.tick();
    EXPECT_EQ(w.pictures.of(pictures::kMenu).size(), 1u);
    EXPECT_TRUE(w.take_waves().empty());
}

TEST(Title, AClickInTheStartBoxDuringTheTitleStartsPlayAfterIt) {
    PlayWorld w;
    w.start();
    w.tick(100);
    w.game->MouseMove(900, 100);
    w.game->Click(900, 100);
    w.tick();
    EXPECT_FALSE(game_state.in_menu);
    EXPECT_EQ(game_state.intro_frames, 101);
    EXPECT_EQ(current_screen(), screen::title);  // the title runs on out of the menu
    EXPECT_EQ(w.take_waves(), (std::vector<wave_event>{{kWaveMenuMusic, false}, {kWaveGameMusic, true}}));
    w.tick(349);  // tick 450: the menu music starts beside the game music
    EXPECT_EQ(w.take_waves(), (std::vector<wave_event>{{kWaveMenuMusic, true}}));
    EXPECT_EQ(CursorCount(), -2 + 1);  // hidden twice, shown once
    w.tick(50);
    EXPECT_EQ(game_state.intro_frames, kTitleTicks);
    EXPECT_EQ(current_screen(), screen::play);
    w.pictures.draws.clear();
    w.tick();  // straight into play
    EXPECT_EQ(w.pictures.of("p1").size(), 1u);
    EXPECT_TRUE(w.pictures.of(pictures::kMenu).empty());
    EXPECT_EQ(game_state.level_frames, 1);
}

// The browser's page: the backgrounds arrive while the title or the menu
// shows, or after the player has started a level, which then waits.
struct LateBackgrounds : ::testing::Test {
    PlayWorld w;
    void SetUp() override {
        // Lit, so that the black loading line shows on it; the background
        // has a mark the level's frame must show.
        w.pictures.add("panak", pictures::kTitle, {1024, 768, kGrey, {}});
        w.set_background(1, {kFloor, {10, 10, 50, 50, kRed}});
        defer_backgrounds();
    }
    void TearDown() override {
        // Never leak the deferral into the next test, whatever failed.
        if (!backgrounds_ready() && form1 != nullptr) fill_backgrounds();
    }
    // Delivered before the next tick, which is then a play tick.
    void click_start_box() {
        w.game->MouseMove(kStartBox.centre_x(), kStartBox.centre_y());
        w.game->Click(kStartBox.centre_x(), kStartBox.centre_y());
    }
    // Level 1 after `played` ticks, with the player holding → from the 5th:
    // the place and the frame.
    struct played_level {
        int x, y, level_frames;
        std::vector<uint8_t> pixels;
    };
    played_level play(int played) {
        for (int t = 0; t < played; ++t) {
            w.hold(game_keys::Right, t >= 4);
            w.tick();
        }
        w.hold(game_keys::Right, false);
        return {game_state.player_x, game_state.player_y, game_state.level_frames, w.game->LastFrame().pixels};
    }
};

TEST_F(LateBackgrounds, TheStartReadsEverythingButThemAndTheTitleRunsAsEver) {
    w.start();
    EXPECT_TRUE(w.game->Errors().empty());
    EXPECT_EQ(w.pictures.fills, std::vector<std::string>{"ruzne.dat"});
    EXPECT_FALSE(backgrounds_ready());
    w.tick(kTitleTicks);
    EXPECT_EQ(current_screen(), screen::menu);
    fill_backgrounds();
    EXPECT_EQ(w.pictures.fills, (std::vector<std::string>{"ruzne.dat", "krajina.dat"}));
    EXPECT_TRUE(backgrounds_ready());
    click_start_box();
    w.tick();
    EXPECT_EQ(w.pictures.of(background_name_of(1)).size(), 1u);
    EXPECT_EQ(game_state.level_frames, 1);
}

TEST_F(LateBackgrounds, ALevelStartedBeforeThemWaitsOnTheLoadingLineThenPlaysAsIfOnTime) {
    w.start();
    w.tick(kTitleTicks);
    w.take_waves();
    click_start_box();
    w.tick();
    EXPECT_EQ(current_screen(), screen::play);
    EXPECT_EQ(w.take_waves(), (std::vector<wave_event>{{kWaveMenuMusic, false}, {kWaveGameMusic, true}}));
    const int x = game_state.player_x, y = game_state.player_y;
    w.pictures.draws.clear();
    w.hold(game_keys::Right);  // keys do nothing while it waits
    w.tick(30);
    w.hold(game_keys::Right, false);
    EXPECT_TRUE(w.pictures.of(background_name_of(1)).empty());
    EXPECT_EQ(w.pictures.of(pictures::kTitle).size(), 30u);
    EXPECT_TRUE(w.pictures.of(pictures::kMusicHint).empty());
    EXPECT_GT(pixels_other_than(w, 200, 500, 600, 560), 100);  // "Načítám data..."
    EXPECT_EQ(pixels_other_than(w, 0, 0, 1024, 400), 0);       // nothing else on the title
    EXPECT_EQ(game_state.level_frames, 0);
    EXPECT_EQ(std::pair(game_state.player_x, game_state.player_y), std::pair(x, y));
    EXPECT_TRUE(w.game->Errors().empty());

    // Escape still leads back to the menu, and the level can be started again.
    w.hold(game_keys::Escape);
    w.tick();
    w.hold(game_keys::Escape, false);
    EXPECT_EQ(current_screen(), screen::menu);
    click_start_box();
    w.tick(5);

    fill_backgrounds();
    const played_level late = play(40);
    EXPECT_EQ(w.pixel(30, 30), kRed);
    EXPECT_NE(late.x, x);

    // The same level with the backgrounds there from the start.
    w.game.reset();
    w.start();
    w.tick(kTitleTicks);
    click_start_box();
    const played_level on_time = play(40);
    EXPECT_EQ(late.level_frames, on_time.level_frames);
    EXPECT_EQ(std::pair(late.x, late.y), std::pair(on_time.x, on_time.y));
    EXPECT_TRUE(late.pixels == on_time.pixels) << "the late level's frame differs";
}

TEST(Title, EscOnlyActsInPlay) {
    PlayWorld w;
    w.start();
    w.hold(game_keys::Escape);
    w.tick(10);
    EXPECT_TRUE(w.take_waves().empty());
    EXPECT_EQ(game_state.intro_frames, 10);
}

}  // namespace
}  // namespace klice::testing
