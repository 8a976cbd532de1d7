// The game drawn on the system's own display (DirectDraw on Windows) and on
// the portable software display: the same ticks give the same back surface,
// pixel for pixel. Text is left out of the comparison on the title and the
// menu, where the system's font rasterizer draws it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "display/dxdraws.h"
#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/hlavni.h"
#include "game/level_file.h"
#include "game/screens.h"
#include "platform/display_device.h"
#include "tools/play/play_runner.h"
#include "tools/play/play_script.h"

namespace klice {
namespace {

using platform::ApplicationMode;

struct Box {
    int left, top, right, bottom;
};

// The text of the title ("Načítám data..." at (200, 500), 51 pixels high)
// and the slider's number, wherever the knob stands (x 410, y 190 to 503).
const std::vector<Box> kTextBoxes = {{190, 490, 760, 580}, {395, 175, 540, 590}};

// One frame: a hash of each row of the back surface, masked boxes left out.
using Rows = std::vector<uint64_t>;

Rows BackSurfaceRows(const std::vector<Box>& masks) {
    TDirectDrawSurface* back = form1->DXDraw->Surface();
    void* pixels = nullptr;
    int pitch = 0;
    if (back == nullptr || !back->Lock(&pixels, &pitch)) return {};
    const int width = back->Width(), bpp = platform::BytesPerPixel(back->Description().Format);
    const size_t row_bytes = size_t(width) * bpp;
    // A row is hashed eight bytes at a time (it is read once a tick, for
    // every tick of a level: on wine's display this loop was an eighth of
    // the test's time); masked pixels read as 0xA5.
    std::vector<uint8_t> row((row_bytes + 7) / 8 * 8);
    Rows rows(size_t(back->Height()));
    for (int y = 0; y < back->Height(); ++y) {
        std::memcpy(row.data(), static_cast<const uint8_t*>(pixels) + size_t(y) * pitch, row_bytes);
        for (const Box& m : masks)
            if (y >= m.top && y < m.bottom && m.left < width)
                std::memset(row.data() + size_t(m.left) * bpp, 0xA5, size_t(std::min(m.right, width) - m.left) * bpp);
        uint64_t hash = 14695981039346656037ull;  // FNV-1a on 64-bit words
        for (size_t i = 0; i < row.size(); i += 8) {
            uint64_t word;
            std::memcpy(&word, row.data() + i, 8);
            hash = (hash ^ word) * 1099511628211ull;
        }
        rows[size_t(y)] = hash;
    }
    back->Unlock();
    return rows;
}

struct Recording {
    std::vector<Rows> frames;  // one for each presented tick
    std::vector<std::string> errors;
};

struct Ticks {
    int level = 0;  // 0: from the start (title and menu)
    play::script input;
    int64_t ticks = 0;
    std::vector<Box> masks;
    int64_t focus_away_at = 0;  // with a focus loss of 30 ticks at this tick
};

Recording Play(ApplicationMode mode, const Ticks& run) {
    Recording out;
    HeadlessGame game(KLICE_BUILT_DATA_DIR, false, mode);
    if (run.level > 0) {
        // As a click on the start box with the slider standing at the level.
        game_state.intro_frames = kTitleTicks;
        game_state.slider_level = run.level;
        game_state.slider_y = slider_row_of(run.level);
        start_slider_level();
    }
    play::script_input input;
    for (int64_t t = 1; t <= run.ticks && !game.Ended(); ++t) {
        play::feed_tick(game, run.input, t, input);
        if (t == run.focus_away_at) {
            // Switched away: the ticks draw nothing, until the focus returns.
            game.Focus(false);
            const uint64_t presents = game.PresentCount();
            const int frames = game_state.level_frames;
            game.Tick(30);
            EXPECT_EQ(game.PresentCount(), presents);
            EXPECT_EQ(game_state.level_frames, frames);
            game.Focus(true);
        }
        const uint64_t before = game.PresentCount();
        game.Tick();
        if (game.PresentCount() != before) out.frames.push_back(BackSurfaceRows(run.masks));
    }
    out.errors = game.Errors();
    return out;
}

void ExpectSameFrames(const Recording& software, const Recording& system) {
    EXPECT_TRUE(software.errors.empty()) << software.errors.front();
    EXPECT_TRUE(system.errors.empty()) << system.errors.front();
    ASSERT_EQ(software.frames.size(), system.frames.size());
    int differing = 0;
    for (size_t f = 0; f < software.frames.size(); ++f) {
        const Rows &a = software.frames[f], &b = system.frames[f];
        ASSERT_EQ(a.size(), b.size()) << "frame " << f;
        for (size_t y = 0; y < a.size(); ++y)
            if (a[y] != b[y]) {
                if (++differing <= 5) ADD_FAILURE() << "frame " << f + 1 << " differs from row " << y << " on";
                break;
            }
    }
    EXPECT_EQ(differing, 0) << "of " << software.frames.size() << " frames";
}

play::script Replay(int level) {
    char name[16];
    std::snprintf(name, sizeof name, "p%02d.txt", level);
    return play::read_script_file(std::string(KLICE_REPLAY_DIR) + "/" + name);
}

class TwoDisplays : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!platform::HasSystemDisplay())
            GTEST_SKIP() << "this system has no display of its own: the software display serves both paths";
    }
};

// The level's replay: the figure walks, jumps, takes keys and rides blocks.
TEST_P(TwoDisplays, PlayDrawsTheSameBackSurfaceTickForTick) {
    Ticks run;
    run.level = GetParam();
    run.input = Replay(run.level);
    run.ticks = run.input.last_tick();
    const Recording software = Play(ApplicationMode::Headless, run);
    // On the system's display the window also loses the focus for a while
    // on level 1: its surfaces are lost and rebuilt, and play goes on alike.
    if (run.level == 1) run.focus_away_at = 150;
    const Recording system = Play(ApplicationMode::Windowed, run);
    EXPECT_GT(software.frames.size(), 150u);
    ExpectSameFrames(software, system);
}

INSTANTIATE_TEST_SUITE_P(Levels, TwoDisplays, ::testing::Values(1, 6, 17, 25),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Level" + std::to_string(info.param);
                         });

TEST_F(TwoDisplays, TitleAndMenuAgreeOutsideTheirText) {
    Ticks run;
    run.input = play::parse_script(
        "510 mouse 900 110\n"  // over the start box: its highlight
        "530 mouse 650 625\n"  // over the down arrow
        "531 click\n"          // the slider moves a step
        "560 mouse 650 140\n");
    run.ticks = kTitleTicks + 80;
    run.masks = kTextBoxes;
    const Recording software = Play(ApplicationMode::Headless, run);
    const Recording system = Play(ApplicationMode::Windowed, run);
    EXPECT_EQ(software.frames.size(), size_t(run.ticks));
    ExpectSameFrames(software, system);
}

}  // namespace
}  // namespace klice
