#include "platform/tick_schedule.h"

#include <gtest/gtest.h>

using namespace klice::platform;
using namespace std::chrono_literals;

TEST(TickSchedule, SixtyHertzScreenRunsOneOrTwoTicksPerFrameAndAHundredASecond) {
    TickSchedule s;
    TickSchedule::Clock::time_point t0{};
    s.Start(t0, 10ms);
    EXPECT_EQ(s.Due(t0 + 9ms), 0);
    int total = 0;
    for (int frame = 1; frame <= 60; ++frame) {
        int due = s.Due(t0 + std::chrono::microseconds(frame * 16667));
        EXPECT_GE(due, 1) << frame;
        EXPECT_LE(due, 2) << frame;
        total += due;
    }
    EXPECT_EQ(total, 100);  // 1.00002 s
}

TEST(TickSchedule, AStallDropsTheBacklogAndPacingGoesOnFromThere) {
    TickSchedule s;
    TickSchedule::Clock::time_point t0{};
    s.Start(t0, 10ms);
    EXPECT_EQ(s.Due(t0 + 10ms), 1);
    // 40 ms late: within the allowed backlog, the four missed ticks run.
    EXPECT_EQ(s.Due(t0 + 60ms), 5);
    EXPECT_EQ(s.Due(t0 + 65ms), 0);
    // A second's stall: one tick, and the next is due an interval later.
    EXPECT_EQ(s.Dropped(), 0);
    EXPECT_EQ(s.Due(t0 + 1070ms), 1);
    EXPECT_EQ(s.Dropped(), 100);
    EXPECT_EQ(s.Due(t0 + 1079ms), 0);
    EXPECT_EQ(s.Due(t0 + 1080ms), 1);
}
