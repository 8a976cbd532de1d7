#include <gtest/gtest.h>

#include "input/game_keys.h"
#include "tests/support/cursor.h"
#include "tests/support/play_world.h"

namespace klice::testing {
namespace {

std::vector<wave_event> without_block_stops(std::vector<wave_event> waves) {
    std::erase(waves, wave_event{kWaveBlock, false});
    return waves;
}

TEST(SoundCues, HDoesNothingInTheFirstTwentyPlayFramesAndTogglesEveryTwentyOneHeld) {
    PlayWorld w;
    w.start();
    w.tick(kTitleTicks + 100);  // title and menu frames do not count for the music key
    game_state.in_menu = false;
    w.take_waves();
    w.hold(game_keys::H);
    w.tick(20);
    EXPECT_TRUE(without_block_stops(w.take_waves()).empty());
    EXPECT_FALSE(game_state.music_muted);
    w.tick();
    EXPECT_EQ(without_block_stops(w.take_waves()), (std::vector<wave_event>{{kWaveGameMusic, false}}));
    EXPECT_TRUE(game_state.music_muted);
    w.tick(20);
    EXPECT_TRUE(without_block_stops(w.take_waves()).empty());
    w.tick();
    EXPECT_EQ(without_block_stops(w.take_waves()), (std::vector<wave_event>{{kWaveGameMusic, true}}));
    EXPECT_FALSE(game_state.music_muted);
    w.hold(game_keys::H, false);
    w.tick(100);
    EXPECT_TRUE(without_block_stops(w.take_waves()).empty());
    EXPECT_EQ(game_state.mute_debounce, 30);
}

TEST(SoundCues, EscSwapsTheMusicOnceAndTheFrameStillPlays) {
    PlayWorld w;
    w.start_in_play();
    w.tick(5);
    w.take_waves();
    const int cursor = CursorCount();
    w.pictures.draws.clear();
    w.hold(game_keys::Escape);
    w.tick();
    EXPECT_TRUE(game_state.in_menu);
    EXPECT_EQ(w.take_waves(),
              (std::vector<wave_event>{{kWaveMenuMusic, true}, {kWaveGameMusic, false}, {kWaveBlock, false}}));
    EXPECT_EQ(w.pictures.of("p1").size(), 1u);  // a play frame all the same
    EXPECT_EQ(game_state.level_frames, 6);
    EXPECT_EQ(CursorCount(), cursor + 1);
    w.tick(10);
    EXPECT_TRUE(w.take_waves().empty());
    EXPECT_EQ(game_state.level_frames, 6);
}

TEST(SoundCues, PlayFromTheMenuStartsTheMusicEvenWhenMuted) {
    PlayWorld w;
    w.start_in_play();
    w.tick(20);
    w.hold(game_keys::H);
    w.tick();
    w.hold(game_keys::H, false);
    ASSERT_TRUE(game_state.music_muted);
    w.hold(game_keys::Escape);
    w.tick();
    w.hold(game_keys::Escape, false);
    w.game->MouseMove(900, 100);
    w.game->Click(900, 100);
    w.tick(30);
    EXPECT_TRUE(game_state.music_muted);
    std::vector<wave_event> waves = without_block_stops(w.take_waves());
    ASSERT_GE(waves.size(), 2u);
    EXPECT_EQ(waves[waves.size() - 2], (wave_event{kWaveMenuMusic, false}));
    EXPECT_EQ(waves.back(), (wave_event{kWaveGameMusic, true}));
    // The next 'H' restarts the music and clears the flag; only the one after silences it.
    w.hold(game_keys::H);
    w.tick();
    EXPECT_EQ(without_block_stops(w.take_waves()), (std::vector<wave_event>{{kWaveGameMusic, true}}));
    EXPECT_FALSE(game_state.music_muted);
    w.tick(21);
    EXPECT_EQ(without_block_stops(w.take_waves()), (std::vector<wave_event>{{kWaveGameMusic, false}}));
}

TEST(SoundCues, StandingStillAndFallingPlayNoFootsteps) {
    PlayWorld w;
    w.start_in_play();
    w.tick(300);
    // Standing on the floor: only the block sound's stop, once a frame.
    std::vector<wave_event> waves = w.take_waves();
    EXPECT_EQ(waves.size(), 300u);
    EXPECT_EQ(without_block_stops(waves).size(), 0u);

    w.set_background(1, {});
    game_state.player_y = 100;
    game_state.walk_frame = 5;  // a footstep count, but in the air
    game_state.on_ground = false;
    game_state.standing_still = false;
    w.tick(30);
    EXPECT_TRUE(without_block_stops(w.take_waves()).empty());
}

}  // namespace
}  // namespace klice::testing
