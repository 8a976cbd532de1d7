// The level plans and the checker's runs on the real game, on a small world.
#include <gtest/gtest.h>

#include "tests/support/play_world.h"
#include "tools/leveldesign/checks.h"
#include "tools/leveldesign/plan.h"
#include "tools/leveldesign/session.h"

namespace klice::leveldesign {
namespace {

using klice::testing::PlayWorld;

TEST(LevelPlan, ReadsStepsAndConditionsFromTheSourcesPlanLines) {
    const plan p = parse_plan(
        "# Level 9\n"
        "#> to 300; J ; wait al2.y >= 676 & al2.dy<0 | t > 900\n"
        "key 1 2\n"
        "#> back 120;JU; w 5; r 3; l 2; JL; wait t>=400\n");
    ASSERT_EQ(p.size(), 10u);
    EXPECT_EQ(p[0].kind, step::To);
    EXPECT_EQ(p[0].value, 300);
    EXPECT_EQ(p[1].jump_keys, kRight);
    ASSERT_EQ(p[2].alternatives.size(), 2u);
    ASSERT_EQ(p[2].alternatives[0].size(), 2u);
    EXPECT_EQ(p[2].Watched(), (std::vector<int>{kAlSlot + 1, kAlSlot + 1}));
    EXPECT_EQ(p[2].alternatives[0][1].op, "<");
    EXPECT_EQ(p[4].jump_keys, 0);
    EXPECT_EQ(p[8].jump_keys, kLeft);
    EXPECT_TRUE(p[9].Watched().empty());

    game_state_t g{};
    g.record.objects[kAlSlot + 1].y = 680;
    g.record.objects[kAlSlot + 1].dy = -2;
    EXPECT_TRUE(p[2].Holds(g, 1));
    g.record.objects[kAlSlot + 1].dy = 2;
    EXPECT_FALSE(p[2].Holds(g, 900));
    EXPECT_TRUE(p[2].Holds(g, 901));  // the other alternative
    EXPECT_FALSE(p[9].Holds(g, 399));
    EXPECT_TRUE(p[9].Holds(g, 400));

    for (const char* bad : {"#> jump\n", "#> to\n", "#> to 3 4\n", "#> wait al11.y > 3\n", "#> wait al1.z > 3\n",
                            "#> wait al1.x 3\n", "# no plan\n"})
        EXPECT_THROW(parse_plan(bad), plan_error) << bad;
}

TEST(LevelPlan, HeldKeysAreWrittenAsRuns) {
    EXPECT_EQ(held_keys_text({kRight, kRight, kRight | kJump, 0, 0, kLeft, kRight | kLeft}), "R2 RJ1 -2 L1 RL1");
}

// A floor at row 578 (the player stands at row 500) with six keys in a row.
level_record six_keys_in_a_row() {
    level_record r = klice::testing::flat_level();
    r.start_y = 500;
    for (int i = 0; i < kKeyCount; ++i) {
        r.objects[i].x = 250 + 100 * i;
        r.objects[i].y = 530;
        r.objects[i].active = 1;
    }
    return r;
}

TEST(LevelPlan, PlaysOnTheRealGameUntilTheExit) {
    PlayWorld w;
    w.set_level(1, six_keys_in_a_row());
    session s(w.path());
    const plan p = parse_plan("#> to 200; J; w 3; to 960\n");
    const route r = play_plan(s, 1, p);
    ASSERT_TRUE(r.finished) << r.failure;
    ASSERT_EQ(r.jumps.size(), 1u);
    EXPECT_EQ(r.key_ticks.size(), 6u);
    // 120 to 200 is 20 steps; the press comes in tick 21, jump and right together.
    EXPECT_EQ(r.keys[19], kRight);
    EXPECT_EQ(r.jumps.front(), 21);
    EXPECT_EQ(r.keys[20], kRight | kJump);
    EXPECT_EQ(r.keys[21], 0);
    EXPECT_EQ(r.keys[24], kRight);
    EXPECT_EQ(r.Ticks(), 20 + 1 + 3 + (904 - 204) / 4);

    // Without six keys the plan runs out of ticks and says so.
    level_record fewer = six_keys_in_a_row();
    fewer.objects[5].active = 0;
    w.set_level(2, fewer);
    w.set_background(2, {klice::testing::kFloor});
    const route stuck = play_plan(s, 2, p, 400);
    EXPECT_FALSE(stuck.finished);
    EXPECT_NE(stuck.failure.find("5 keys taken"), std::string::npos) << stuck.failure;
}

TEST(LevelSession, ARestoredStateHasTheSameFuture) {
    PlayWorld w;
    level_record r = six_keys_in_a_row();
    r.block_count = 1;
    r.objects[kBlockSlot] = {400, 560, 2, 0, 0, 50, 0, 0, {}};
    w.set_level(1, r);
    session s(w.path());
    s.Start(1);
    for (int i = 0; i < 150; ++i) s.Tick(i % 60 == 5 ? kRight | kJump : kRight);
    const session::saved mid = s.Save();
    std::vector<int32_t> first;
    for (int i = 0; i < 120; ++i) {
        s.Tick(i % 40 == 0 ? kJump : kLeft);
        first.push_back(game_state.player_x * 10000 + game_state.player_y + game_state.record.objects[kBlockSlot].x);
    }
    s.Restore(mid);
    EXPECT_EQ(s.Ticks(), 150);
    for (int i = 0; i < 120; ++i) {
        s.Tick(i % 40 == 0 ? kJump : kLeft);
        ASSERT_EQ(first[i], game_state.player_x * 10000 + game_state.player_y + game_state.record.objects[kBlockSlot].x)
            << "tick " << i;
    }
}

}  // namespace
}  // namespace klice::leveldesign
