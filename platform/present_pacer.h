// Internal to platform/: when a new frame goes to the screen. The game makes
// a frame every 10 ms tick, but the screen shows one each refresh (16.7 ms at
// 60 Hz); presenting more often than that is work nobody sees. So a frame is
// presented at most once a refresh interval, and the one presented is the
// newest: the ticks in between only replace it.
//
// Where the system's present waits for the vertical blank, it returns at the
// blank; the next present is then allowed a little before the next blank, so
// that it waits only briefly and the ticks behind it are not held up.
#pragma once

#include <chrono>

namespace klice::platform {

class PresentPacer {
public:
    using Clock = std::chrono::steady_clock;
    // Assumed where the system does not say (a virtual X server says 0).
    static constexpr Clock::duration kUsualRefresh = std::chrono::microseconds(16667);
    // How long before the next blank a present that waits for it is started.
    static constexpr Clock::duration kLead = std::chrono::milliseconds(2);

    // The screen's refresh interval (zero or less: unknown) and whether a
    // present waits for the blank.
    void SetScreen(Clock::duration refresh, bool waits_for_blank) {
        refresh_ = refresh > Clock::duration::zero() ? refresh : kUsualRefresh;
        waits_for_blank_ = waits_for_blank;
    }
    Clock::duration Refresh() const { return refresh_; }

    // When the next present may start.
    Clock::time_point NextAllowed() const { return next_; }
    bool MayPresent(Clock::time_point now) const { return now >= next_; }

    // A present started at `start` and returned at `end`.
    void Presented(Clock::time_point start, Clock::time_point end) {
        next_ = waits_for_blank_ ? end + refresh_ - kLead : start + refresh_;
    }

private:
    Clock::duration refresh_ = kUsualRefresh;
    bool waits_for_blank_ = false;
    Clock::time_point next_{};
};

}  // namespace klice::platform
