#include <gtest/gtest.h>

#include "game/level_record.h"
#include "game/pictures.h"
#include "input/game_keys.h"
#include "tests/support/play_world.h"

namespace klice::testing {
namespace {

level_object key_at(int x, int y) {
    level_object o{};
    o.x = x;
    o.y = y;
    o.active = 1;
    return o;
}

level_object mover(int x, int y, int dx, int dy, int range, int steps = 0, int frame = 1) {
    level_object o{};
    o.x = x;
    o.y = y;
    o.dx = dx;
    o.dy = dy;
    o.range = range;
    o.steps = steps;
    o.frame = frame;
    return o;
}

// Object tests start in play on level 1 with the player standing at (120, 500).
struct Objects : ::testing::Test {
    PlayWorld w;
    level_record& live() { return game_state.record; }
    void play() {
        w.start_in_play();
        w.tick();
        ASSERT_EQ(game_state.player_y, 500);
        w.pictures.draws.clear();
        w.take_waves();
    }
    std::vector<drawn> tick_draws(const std::string& name) {
        w.pictures.draws.clear();
        w.tick();
        return w.pictures.of(name);
    }
};

TEST_F(Objects, KeysAreTakenStrictlyInsideTheirReach) {
    play();
    struct key_case {
        int x, y;
        bool taken;
    };
    // The key's corner against the player's centre column 120 and top row 500.
    for (const key_case& c :
         {key_case{70, 530, false}, key_case{170, 530, false}, key_case{71, 530, true}, key_case{169, 530, true},
          key_case{120, 500, false}, key_case{120, 560, false}, key_case{120, 501, true}, key_case{120, 559, true}}) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        live().objects[0] = key_at(c.x, c.y);
        game_state.keys_taken = 0;
        std::vector<drawn> d = tick_draws(pictures::kKey);
        ASSERT_EQ(d.size(), 1u);  // drawn also in the frame in which it is taken
        EXPECT_EQ(d[0].left, c.x);
        EXPECT_EQ(game_state.keys_taken, c.taken ? 1 : 0);
        EXPECT_EQ(live().objects[0].active, c.taken ? 0 : 1);
        std::vector<wave_event> waves = w.take_waves();
        EXPECT_EQ(std::count(waves.begin(), waves.end(), wave_event{kWaveKey, true}), c.taken ? 1 : 0);
        EXPECT_EQ(tick_draws(pictures::kKey).size(), c.taken ? 0u : 1u);
        game_state.player_x = 120;
        game_state.player_y = 500;
    }
}

TEST_F(Objects, TwoKeysInOneFramePlayTheKeySoundTwice) {
    play();
    live().objects[2] = key_at(110, 520);
    live().objects[4] = key_at(130, 520);
    w.tick();
    EXPECT_EQ(game_state.keys_taken, 2);
    std::vector<wave_event> waves = w.take_waves();
    EXPECT_EQ(std::count(waves.begin(), waves.end(), wave_event{kWaveKey, true}), 2);
}

TEST_F(Objects, TheSixthKeyOpensTheExitInTheSameFrame) {
    play();
    game_state.keys_taken = 5;
    live().objects[5] = key_at(120, 520);
    std::vector<drawn> arrow = tick_draws(pictures::kExitArrow);
    EXPECT_EQ(game_state.keys_taken, 6);
    ASSERT_EQ(arrow.size(), 1u);
    EXPECT_EQ(arrow[0].left, 901);
    EXPECT_EQ(arrow[0].top, 690);
    // The arrow bobs from 901 to 920, back to 900, a cycle of 21 frames.
    for (int i = 0; i < 19; ++i) tick_draws(pictures::kExitArrow);
    EXPECT_EQ(tick_draws(pictures::kExitArrow)[0].left, 900);
    EXPECT_EQ(tick_draws(pictures::kExitArrow)[0].left, 901);
}

TEST_F(Objects, TheExitNeedsSixKeysAndLeadsToTheNextLevel) {
    w.set_empty_level(2, 300, {kFloor});
    play();
    game_state.keys_taken = 5;
    game_state.player_x = 901;
    w.tick(3);
    EXPECT_EQ(game_state.level, 1);
    EXPECT_TRUE(w.pictures.of(pictures::kExitArrow).empty());
    game_state.keys_taken = 6;
    w.tick();
    EXPECT_EQ(game_state.level, 2);
    EXPECT_EQ(game_state.keys_taken, 0);
    EXPECT_EQ(game_state.player_x, 120);
    EXPECT_EQ(game_state.level_frames, 1);
}

TEST_F(Objects, TheExitOfLevelTwentyFiveLoadsLevelOne) {
    w.set_empty_level(25, 200, {kFloor});
    play();
    game_state.level = 25;
    game_state.keys_taken = 6;
    game_state.player_x = 950;
    w.tick();
    EXPECT_EQ(game_state.level, 1);
    EXPECT_EQ(game_state.level_name, "p1");
    EXPECT_EQ(game_state.player_y, 496);
    EXPECT_TRUE(w.game->Errors().empty());
}

TEST_F(Objects, MotionReversesOnceTheStepsExceedTheRange) {
    level_record r = flat_level();
    r.al_count = 2;
    r.objects[kAlSlot] = mover(600, 100, 3, 0, 2);
    r.objects[kAlSlot + 1] = mover(700, 100, 0, 5, 0);  // range 0: trembles
    w.set_level(1, r);
    play();
    game_state.objects_moving = true;
    std::vector<int> xs, ys;
    for (int i = 0; i < 8; ++i) {
        w.tick();
        xs.push_back(live().objects[kAlSlot].x);
        ys.push_back(live().objects[kAlSlot + 1].y);
    }
    EXPECT_EQ(xs, (std::vector<int>{603, 606, 603, 600, 597, 600, 603, 606}));
    EXPECT_EQ(ys, (std::vector<int>{95, 100, 95, 100, 95, 100, 95, 100}));
}

TEST_F(Objects, AStartingStepCountBeyondTheRangeReversesAtOnce) {
    level_record r = flat_level();
    r.block_count = 1;
    r.objects[kBlockSlot] = mover(600, 100, 4, 0, 3, 7);
    w.set_level(1, r);
    play();
    game_state.objects_moving = true;
    w.tick();
    EXPECT_EQ(live().objects[kBlockSlot].x, 596);
    EXPECT_EQ(live().objects[kBlockSlot].steps, 0);
}

TEST_F(Objects, HazardsAnimateWhetherOrNotTheyMove) {
    level_record r = flat_level();
    r.al_count = 1;
    r.leb_count = 1;
    r.zuby_count = 2;
    r.objects[kAlSlot] = mover(600, 100, 1, 0, 50, 0, 1);
    r.objects[kLebSlot] = mover(650, 100, 1, 0, 50, 0, 0);    // invisible for one frame
    r.objects[kZubySlot] = mover(700, 100, 1, 0, 50, 0, 21);  // invisible, then restarts at 1
    r.objects[kZubySlot + 1] = mover(750, 100, 1, 0, 50, 0, 20);
    w.set_level(1, r);
    w.start_in_play();
    std::vector<std::string> al;
    for (int i = 0; i < 21; ++i) {
        w.pictures.draws.clear();
        w.tick();
        std::vector<std::string> names;
        for (const drawn& d : w.pictures.draws)
            if (d.list == "ruzne") names.push_back(d.name);
        if (i == 0) {
            // Drawing order al, leb, zuby; frames 0 and 21 draw nothing.
            EXPECT_EQ(names, (std::vector<std::string>{pictures::hazard_picture(pictures::kFlame, 1),
                                                       pictures::hazard_picture(pictures::kTeeth, 2)}));
        }
        if (i == 1) {
            EXPECT_EQ(names, (std::vector<std::string>{pictures::hazard_picture(pictures::kFlame, 1),
                                                       pictures::hazard_picture(pictures::kSkull, 1),
                                                       pictures::hazard_picture(pictures::kTeeth, 1),
                                                       pictures::hazard_picture(pictures::kTeeth, 1)}));
        }
        al.push_back(names.at(0));
    }
    EXPECT_EQ(al[4], pictures::hazard_picture(pictures::kFlame, 1));
    EXPECT_EQ(al[5], pictures::hazard_picture(pictures::kFlame, 2));
    EXPECT_EQ(al[10], pictures::hazard_picture(pictures::kFlame, 3));
    EXPECT_EQ(al[15], pictures::hazard_picture(pictures::kFlame, 2));
    EXPECT_EQ(al[19], pictures::hazard_picture(pictures::kFlame, 2));
    EXPECT_EQ(al[20], pictures::hazard_picture(pictures::kFlame, 1));
    EXPECT_EQ(live().objects[kAlSlot].x, 600);  // still: nothing started the motion
}

TEST_F(Objects, StoredCountsAboveTenStayInTheirGroup) {
    level_record r = flat_level();
    r.block_count = 11;
    r.al_count = 25;
    r.zuby_count = 100;
    r.objects[kBlockSlot + 9] = mover(300, 100, 0, 0, 0);
    w.set_level(1, r);
    play();
    w.tick();
    EXPECT_EQ(w.pictures.of(pictures::kBlock).size(), 10u);
    EXPECT_EQ(w.pictures.of(pictures::kBlock).back().left, 300);
    EXPECT_TRUE(w.game->Errors().empty());
}

TEST_F(Objects, AStillBlockCarriesThePlayerAndStartsAllMotion) {
    level_record r = flat_level();
    r.block_count = 1;
    r.al_count = 1;
    // The row below the sprite must lie within [y - 4, y + 40 - 15]: 572 at
    // the start row is above it, 576 after the first fall step is not.
    r.objects[kBlockSlot] = mover(80, 580, 0, 0, 10);
    r.objects[kAlSlot] = mover(600, 100, 2, 0, 10);
    w.set_level(1, r);
    w.set_background(1, {});  // nothing but the block to stand on
    w.start_in_play();
    w.tick();  // the player falls 4 px from 496 and is over the block's band
    EXPECT_FALSE(game_state.objects_moving);
    w.take_waves();
    w.tick();
    EXPECT_EQ(game_state.block_under, 1);
    EXPECT_TRUE(game_state.objects_moving);
    EXPECT_TRUE(game_state.on_ground);
    EXPECT_EQ(game_state.player_y, 500);        // held where it met the block: no gravity
    EXPECT_EQ(live().objects[kAlSlot].x, 600);  // the motion begins with the next frame
    EXPECT_EQ(w.take_waves(), (std::vector<wave_event>{{kWaveBlock, true}}));
    w.tick();
    EXPECT_EQ(live().objects[kAlSlot].x, 602);
    EXPECT_TRUE(w.take_waves().empty());  // started once, no stop while riding
}

TEST_F(Objects, SidewaysAndVerticalBlocksCarryThePlayer) {
    level_record r = flat_level();
    r.block_count = 2;
    // Overlapping blocks: the lower slot carries the player.
    r.objects[kBlockSlot] = mover(80, 580, 3, 0, 100);
    r.objects[kBlockSlot + 1] = mover(80, 580, 0, 2, 100);
    w.set_level(1, r);
    w.set_background(1, {});
    w.start_in_play();
    w.tick();
    game_state.objects_moving = true;
    w.tick();
    EXPECT_EQ(game_state.block_under, 1);
    // Moved with the block, the sprite's bottom row on the block's top row.
    EXPECT_EQ(live().objects[kBlockSlot].x, 83);
    EXPECT_EQ(game_state.player_x, 123);
    EXPECT_EQ(game_state.player_y, 580 - 75);

    // A vertical block puts the player a step ahead of it.
    live().objects[kBlockSlot] = mover(400, 0, 0, 0, 0);
    w.tick();
    EXPECT_EQ(game_state.block_under, 2);
    EXPECT_EQ(live().objects[kBlockSlot + 1].y, 584);
    EXPECT_EQ(game_state.player_y, 584 + 2 - 76);
}

TEST_F(Objects, LeavingABlockStopsItsSoundEveryFrameAndTouchingAgainRestartsIt) {
    level_record r = flat_level();
    r.block_count = 1;
    r.objects[kBlockSlot] = mover(80, 580, 0, 0, 10);
    w.set_level(1, r);
    w.set_background(1, {{150, 578, 900, 40, kGrey}});
    w.start_in_play();
    w.tick(2);
    EXPECT_EQ(game_state.block_under, 1);
    w.take_waves();
    // Walk right off the block (its right edge is at 180) onto the floor.
    w.hold(game_keys::D);
    while (game_state.player_x < 180) w.tick();
    w.take_waves();
    w.tick(3);
    std::vector<wave_event> waves = w.take_waves();
    EXPECT_EQ(std::count(waves.begin(), waves.end(), wave_event{kWaveBlock, false}), 3);
    EXPECT_EQ(game_state.block_under, 0);
    EXPECT_FALSE(game_state.block_sound_on);
}

TEST_F(Objects, TheObjectsStartOnTheirOwnAtLevelFrameTwoHundred) {
    level_record r = flat_level();
    r.al_count = 1;
    r.objects[kAlSlot] = mover(600, 100, 1, 0, 1000);
    w.set_level(1, r);
    w.start_in_play();
    w.tick(199);
    EXPECT_FALSE(game_state.objects_moving);
    w.tick();
    EXPECT_TRUE(game_state.objects_moving);
    EXPECT_EQ(live().objects[kAlSlot].x, 600);
    w.tick(20);
    EXPECT_EQ(live().objects[kAlSlot].x, 620);
    EXPECT_EQ(game_state.level_frames, 210);
}

TEST_F(Objects, ADeathReloadBringsTheKeysAndObjectsBack) {
    level_record r = flat_level();
    r.objects[0] = key_at(110, 520);
    r.al_count = 1;
    r.objects[kAlSlot] = mover(600, 100, 1, 0, 1000);
    w.set_level(1, r);
    w.start_in_play();
    w.tick(2);
    EXPECT_EQ(game_state.keys_taken, 1);
    game_state.objects_moving = true;
    w.tick();
    EXPECT_EQ(live().objects[kAlSlot].x, 601);
    game_state.dying = true;
    game_state.death_frame = 81;
    w.tick();
    EXPECT_EQ(game_state.keys_taken, 1);  // the reloaded key is taken again in the same frame
    EXPECT_EQ(live().objects[0].active, 0);
    EXPECT_EQ(live().objects[kAlSlot].x, 600);
    EXPECT_FALSE(game_state.objects_moving);
}

}  // namespace
}  // namespace klice::testing
