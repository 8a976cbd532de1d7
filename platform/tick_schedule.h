// Internal to platform/: when the timer's ticks are due. Ticks follow a
// steady clock at a fixed interval, whatever the screen's refresh rate; a
// stall longer than a few intervals drops the backlog instead of rushing it.
#pragma once

#include <chrono>
#include <cstdint>

namespace klice::platform {

class TickSchedule {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kMaxBacklogTicks = 5;

    void Start(Clock::time_point now, Clock::duration interval) {
        interval_ = interval;
        next_ = now + interval;
    }
    Clock::time_point Next() const { return next_; }
    // Ticks given up after stalls so far.
    int64_t Dropped() const { return dropped_; }

    // The number of ticks to run at now; the schedule moves past them.
    int Due(Clock::time_point now) {
        if (interval_ <= Clock::duration::zero() || now < next_) return 0;
        auto late = now - next_;
        if (late > interval_ * kMaxBacklogTicks) {
            dropped_ += late / interval_;
            next_ = now + interval_;  // start afresh from now
            return 1;
        }
        int count = int(late / interval_) + 1;
        next_ += interval_ * count;
        return count;
    }

private:
    Clock::duration interval_{};
    Clock::time_point next_{};
    int64_t dropped_ = 0;
};

}  // namespace klice::platform
