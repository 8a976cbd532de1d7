#include "platform/present_pacer.h"

#include <gtest/gtest.h>

#include "platform/tick_schedule.h"

using namespace klice::platform;
using namespace std::chrono_literals;
using Clock = PresentPacer::Clock;

namespace {

// The window loop's timing (Application::Run) on a clock of its own: ticks
// from a TickSchedule, each making a new frame; the frame waits until the
// pacer lets it go; the loop sleeps until the next tick or until the pacer
// wants to wake. `present_takes(start)` is how long a present started then lasts.
struct LoopResult {
    int ticks = 0, presents = 0;
    Clock::duration shortest_gap = Clock::duration::max();  // between presents
    Clock::duration latest_tick{};                          // behind its schedule
    int presents_between_ticks = 0;
};

template <class PresentTakes>
LoopResult RunLoop(Clock::duration refresh, bool waits_for_blank, Clock::duration length, PresentTakes present_takes) {
    LoopResult r;
    const Clock::time_point t0{};
    TickSchedule ticks;
    ticks.Start(t0, 10ms);
    PresentPacer pacer;
    pacer.SetScreen(refresh, waits_for_blank);
    Clock::time_point now = t0, last_present{};
    bool waiting = false;
    while (now <= t0 + length) {
        const Clock::time_point first_due = ticks.Next();
        const int due = ticks.Due(now);
        if (due > 0) {
            r.latest_tick = std::max(r.latest_tick, now - first_due);
            r.ticks += due;
            waiting = true;
        }
        if (waiting && pacer.MayPresent(now, due > 0)) {
            if (r.presents > 0) r.shortest_gap = std::min(r.shortest_gap, now - last_present);
            if (due == 0) ++r.presents_between_ticks;
            last_present = now;
            const Clock::time_point end = now + present_takes(now);
            pacer.Presented(now, end);
            ++r.presents;
            waiting = false;
            now = end;
            continue;
        }
        Clock::time_point wake = ticks.Next();
        if (waiting) wake = std::min(wake, pacer.Wake());
        now = std::max(now + 1us, wake);
    }
    return r;
}

}  // namespace

TEST(PresentPacer, WithoutWaitingForTheBlankEveryOtherTickIsShownRightAfterIt) {
    // A screen that says nothing about its rate (a virtual X server) counts
    // as 60 Hz. A present that keeps the loop 8 ms (a slow X server) still
    // holds no tick up: it comes right after a tick, never between two.
    for (Clock::duration refresh : {Clock::duration(16667us), Clock::duration::zero()}) {
        const LoopResult r = RunLoop(refresh, false, 1s, [](Clock::time_point) { return 8ms; });
        EXPECT_EQ(r.ticks, 100);
        EXPECT_EQ(r.presents, 50);
        EXPECT_EQ(r.presents_between_ticks, 0);
        EXPECT_GE(r.shortest_gap, 16667us);
        EXPECT_EQ(r.latest_tick, Clock::duration::zero());
    }
}

TEST(PresentPacer, FastScreenGetsOnePresentPerTick) {
    const LoopResult r = RunLoop(6944us /* 144 Hz */, false, 1s, [](Clock::time_point) { return 1ms; });
    EXPECT_EQ(r.ticks, 100);
    EXPECT_EQ(r.presents, 100);
}

TEST(PresentPacer, PresentThatWaitsForTheBlankIsStartedJustBeforeItOncePerBlank) {
    // A 60 Hz screen whose blanks come every 16.667 ms; a present returns at
    // the next blank.
    const Clock::duration period = 16667us;
    auto until_blank = [&](Clock::time_point start) {
        const auto since = start.time_since_epoch() % period;
        return period - since;
    };
    const LoopResult r = RunLoop(period, true, 2s, until_blank);
    EXPECT_GE(r.ticks, 199);
    // One present per blank (the first may share one), never two.
    EXPECT_GE(r.presents, 118);
    EXPECT_LE(r.presents, 121);
    EXPECT_GE(r.shortest_gap, period - PresentPacer::kLead - 1ms);
    // The wait holds the ticks behind it up no longer than the lead.
    EXPECT_LE(r.latest_tick, PresentPacer::kLead);
}

TEST(PresentPacer, NothingHeldBackAtTheStart) {
    PresentPacer pacer;
    EXPECT_TRUE(pacer.MayPresent(Clock::time_point{}, true));
    EXPECT_FALSE(pacer.MayPresent(Clock::time_point{}, false));  // not between ticks
    EXPECT_EQ(pacer.Wake(), Clock::time_point::max());
    pacer.SetScreen(-5ms, true);
    EXPECT_EQ(pacer.Refresh(), PresentPacer::kUsualRefresh);
    EXPECT_TRUE(pacer.MayPresent(Clock::time_point{}, false));  // waiting for the blank: any time
    const Clock::time_point t{1s};
    pacer.Presented(t, t + 3ms);
    EXPECT_EQ(pacer.Wake(), t + 3ms + PresentPacer::kUsualRefresh - PresentPacer::kLead);
    EXPECT_FALSE(pacer.MayPresent(t + 16ms, true));
    EXPECT_TRUE(pacer.MayPresent(pacer.Wake(), false));
}
