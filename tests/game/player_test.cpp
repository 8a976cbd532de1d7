#include <gtest/gtest.h>

#include "game/pictures.h"
#include "input/game_keys.h"
#include "tests/support/play_world.h"

namespace klice::testing {
namespace {

// Player tests start in play on level 1, standing at (120, 500) after the
// first frame.
struct Player : ::testing::Test {
    PlayWorld w;
    void play(std::vector<flat_picture::part> background = {kFloor}) {
        w.set_background(1, std::move(background));
        w.start_in_play();
        w.tick();
        w.pictures.draws.clear();
        w.take_waves();
    }
    // The player pictures drawn in the last tick.
    std::vector<drawn> player_draws() const {
        std::vector<drawn> out;
        for (const drawn& d : w.pictures.draws)
            if (d.list == "panak" && d.name != pictures::kMusicHint && d.name != pictures::kKey) out.push_back(d);
        return out;
    }
    std::vector<drawn> tick_player() {
        w.pictures.draws.clear();
        w.tick();
        return player_draws();
    }
    int waves_of(int index) {
        int n = 0;
        for (const wave_event& e : w.take_waves()) n += e.index == index && e.started;
        return n;
    }
};

TEST_F(Player, FirstGroundFrameWithWalkFrameZeroShowsNoPicture) {
    w.set_background(1, {kFloor});
    w.start_in_play();
    w.tick();  // in the air: the first frame falls onto the floor
    ASSERT_EQ(player_draws().size(), 1u);
    EXPECT_EQ(player_draws()[0].name, pictures::kJump);
    EXPECT_EQ(game_state.player_y, 500);
    EXPECT_TRUE(game_state.on_ground);
    EXPECT_TRUE(tick_player().empty());  // walk_frame 0
    EXPECT_EQ(game_state.walk_frame, 4);
    std::vector<drawn> d = tick_player();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].name, pictures::kWalk[0]);
    // Centred on player_x, top row at player_y, mirrored while facing right.
    EXPECT_EQ(d[0].left, 90);
    EXPECT_EQ(d[0].top, 500);
    EXPECT_EQ(d[0].width, 60);
    EXPECT_EQ(d[0].height, 76);
    EXPECT_TRUE(d[0].mirrored);
    EXPECT_EQ(game_state.player_y, 500);
}

TEST_F(Player, WalkingStepsFourPixelsAndPlaysTwoFootstepsACycle) {
    play();
    tick_player();
    w.hold(game_keys::D);
    std::vector<std::string> names;
    int x = game_state.player_x;
    for (int i = 0; i < 27; ++i) {
        std::vector<drawn> d = tick_player();
        ASSERT_EQ(d.size(), 1u);
        names.push_back(d[0].name);
        EXPECT_EQ(game_state.player_x, x + 4 * (i + 1));
    }
    EXPECT_EQ(game_state.facing, -60);
    // Counts 4 to 27 and 1 to 3: pa1 for 4..6, pa2, pa3, pa4, then pa1 again.
    EXPECT_EQ(names[0], pictures::kWalk[0]);
    EXPECT_EQ(names[3], pictures::kWalk[1]);
    EXPECT_EQ(names[10], pictures::kWalk[2]);
    EXPECT_EQ(names[17], pictures::kWalk[3]);
    EXPECT_EQ(names[24], pictures::kWalk[0]);
    w.take_waves();
    w.hold(game_keys::D, false);
    w.hold(game_keys::Right);
    w.tick(27);
    EXPECT_EQ(waves_of(kWaveFootstep), 2);
    w.hold(game_keys::Right, false);
    w.tick(60);
    EXPECT_EQ(waves_of(kWaveFootstep), 0);
    EXPECT_EQ(game_state.walk_frame, 4);
}

TEST_F(Player, BothDirectionsHeldWalkOnTheSpotFacingLeft) {
    play();
    w.hold(game_keys::D);
    w.hold(game_keys::Left);
    w.tick(3);
    EXPECT_EQ(game_state.player_x, 120);
    EXPECT_EQ(game_state.facing, 60);
    EXPECT_FALSE(game_state.standing_still);
    EXPECT_EQ(game_state.walk_frame, 3);  // counting on from 0; standing holds it at 4
    EXPECT_FALSE(tick_player()[0].mirrored);
}

TEST_F(Player, AWallRefusesStepsBothWaysUntilTheProbeTurns) {
    // A wall whose left column is 141: the right side probe (x + 17) reaches it at x = 124.
    play({kFloor, {141, 400, 60, 170, kGrey}});
    w.hold(game_keys::D);
    w.tick();
    EXPECT_EQ(game_state.player_x, 124);
    EXPECT_TRUE(game_state.wall_ahead);
    w.tick(5);
    EXPECT_EQ(game_state.player_x, 124);
    EXPECT_TRUE(game_state.standing_still);
    EXPECT_EQ(tick_player()[0].name, pictures::kWalk[0]);
    // Turning away: the first frame still sees the old side's wall.
    w.hold(game_keys::D, false);
    w.hold(game_keys::A);
    w.tick();
    EXPECT_EQ(game_state.player_x, 124);
    EXPECT_EQ(game_state.facing, 60);
    EXPECT_FALSE(game_state.wall_ahead);
    w.tick();
    EXPECT_EQ(game_state.player_x, 120);
}

TEST_F(Player, RedUnderAnUpperSidePointIsAWallAndUnderTheLowestKills) {
    // The right side probe points at x + 17 = 137, rows 510, 526, 542 and 558.
    play({kFloor, {137, 505, 10, 40, kRed}});
    EXPECT_TRUE(game_state.wall_ahead);
    w.tick(3);
    EXPECT_FALSE(game_state.dying);
    EXPECT_EQ(game_state.side_colour, 0u);  // the lowest point is clear
    w.set_background(1, {kFloor, {137, 555, 10, 5, kRed}});
    w.tick();
    EXPECT_TRUE(game_state.dying);
    EXPECT_EQ(game_state.side_colour, 255u);
}

TEST_F(Player, ABlockedJumpStillPlaysTheJumpSound) {
    play({kFloor, {110, 490, 20, 12, kGrey}});  // over the head point (120, 500)
    ASSERT_TRUE(game_state.head_bump);
    w.hold(game_keys::W);
    w.tick();
    EXPECT_EQ(w.take_waves(), (std::vector<wave_event>{{kWaveJump, true}, {kWaveBlock, false}}));
    EXPECT_EQ(game_state.jump_cooldown, 50);
    EXPECT_EQ(game_state.jump_step, 100);
    EXPECT_EQ(game_state.player_y, 500);
}

TEST_F(Player, AJumpRisesTwelveFramesPeaksSeventySixUpAndRepeatsAfterFifty) {
    play();
    w.hold(game_keys::Up);
    int top = game_state.player_y, jumps = 0, frames_to_land = 0;
    for (int i = 0; i < 50; ++i) {
        w.tick();
        top = std::min(top, game_state.player_y);
        jumps += waves_of(kWaveJump);
        if (!frames_to_land && i > 0 && game_state.on_ground) frames_to_land = i + 1;
    }
    EXPECT_EQ(jumps, 1);
    EXPECT_EQ(top, 500 - 76);
    EXPECT_EQ(game_state.player_y, 500);
    EXPECT_GT(frames_to_land, 12);
    w.tick();  // the 51st frame: 50 frames after the first jump started
    EXPECT_EQ(waves_of(kWaveJump), 1);
    EXPECT_EQ(game_state.player_y, 490);
}

TEST_F(Player, TheFortyFirstStepWithoutGroundKills) {
    // No floor: from the start the player falls 4 px a frame.
    w.set_empty_level(1, 100, {});
    w.start_in_play();
    w.tick(40);
    EXPECT_FALSE(game_state.dying);
    EXPECT_EQ(game_state.airborne_frames, 40);
    EXPECT_EQ(game_state.player_y, 260);
    w.tick();
    EXPECT_TRUE(game_state.dying);
    EXPECT_EQ(game_state.airborne_frames, 0);
}

TEST_F(Player, AFloorReachedWithinTheFortyStepsIsSurvived) {
    w.set_empty_level(1, 100, {{0, 338, 1024, 20, kGrey}});  // the feet point after 40 steps
    w.start_in_play();
    w.tick(60);
    EXPECT_FALSE(game_state.dying);
    EXPECT_TRUE(game_state.on_ground);
    EXPECT_EQ(game_state.player_y, 260);
}

TEST_F(Player, TheScreenBordersAreWallsAndFloor) {
    // No floor in the picture: the feet point below the last row stands on the border.
    w.set_empty_level(1, 696, {});
    w.start_in_play();
    w.tick();
    EXPECT_TRUE(game_state.on_ground);
    EXPECT_EQ(game_state.player_y, 700);
    w.hold(game_keys::A);
    w.tick(40);
    EXPECT_EQ(game_state.player_x, 16);  // the probe at x - 17 left the surface
    EXPECT_TRUE(game_state.wall_ahead);
    EXPECT_EQ(game_state.side_colour, 0xFFFFFFFFu);
    EXPECT_FALSE(game_state.dying);
    w.hold(game_keys::A, false);
    game_state.player_x = 1000;
    w.hold(game_keys::D);
    w.tick(10);
    EXPECT_EQ(game_state.player_x, 1008);
    EXPECT_TRUE(game_state.wall_ahead);
}

TEST_F(Player, AFallBelowEightHundredWrapsToTheTopBeforeGravity) {
    play({});
    game_state.on_ground = false;
    game_state.player_y = 800;
    w.tick();
    EXPECT_EQ(game_state.player_y, 804);
    game_state.on_ground = false;  // the feet point below the screen read ground
    w.tick();
    EXPECT_EQ(game_state.player_y, 4);
}

TEST_F(Player, ADeathLastsEightyTwoFramesAndReloadsInsideTheLast) {
    // A red floor under the player kills at the first probe.
    w.set_background(1, {{0, 578, 1024, 40, kRed}});
    w.start_in_play();
    w.tick();
    ASSERT_TRUE(game_state.dying);
    w.take_waves();
    for (int k = 0; k < 81; ++k) {
        std::vector<drawn> d = tick_player();
        const char* expected = k >= 1 && k <= 5 ? pictures::kSplash[0]
                               : k <= 10        ? pictures::kSplash[1]
                               : k <= 15        ? pictures::kSplash[2]
                                                : pictures::kSplash[3];
        if (k == 0 || k >= 21) {
            EXPECT_TRUE(d.empty()) << "death frame " << k;
        } else {
            ASSERT_EQ(d.size(), 1u) << "death frame " << k;
            EXPECT_EQ(d[0].name, expected) << "death frame " << k;
            // Drawn with its top-left corner at the player's point.
            EXPECT_EQ(d[0].left, game_state.player_x);
            EXPECT_EQ(d[0].width, 96);
        }
        EXPECT_EQ(waves_of(kWaveSplash), k == 5 ? 1 : 0) << "death frame " << k;
        ASSERT_TRUE(game_state.dying);
        ASSERT_EQ(game_state.death_frame, k + 1);
    }
    // The 82nd death frame reloads the level; the rest of it plays the fresh one.
    ASSERT_GT(game_state.level_frames, 80);
    w.tick();
    EXPECT_FALSE(game_state.dying);
    EXPECT_EQ(game_state.death_frame, 0);
    EXPECT_EQ(game_state.level_frames, 1);
    EXPECT_EQ(game_state.player_y, 496);  // on the ground before: no gravity
    EXPECT_FALSE(game_state.on_ground);   // probed at the start row
}

}  // namespace
}  // namespace klice::testing
