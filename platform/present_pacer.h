// Internal to platform/: when a new frame goes to the screen. The game makes
// a frame every 10 ms tick, but the screen shows one each refresh (16.7 ms at
// 60 Hz); presenting more often than that is work nobody sees. So a frame is
// presented at most once a refresh interval, and the one presented is the
// newest: the ticks in between only replace it.
//
// A present that does not wait for the vertical blank still waits for the
// window system to take the picture (an X server's round trip), which on a
// busy machine can take milliseconds. It is therefore made right after a
// tick, with the next tick a whole interval away, and never just before one:
// on a 60 Hz screen every other tick is shown, each 20 ms apart.
//
// Where the present waits for the blank, it returns at the blank; the next
// present is then started a little before the next blank, so that it waits
// only briefly and the ticks behind it are not held up: one present per
// displayed frame, carrying the newest tick.
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

    // Whether a waiting frame may go now; `after_tick`: a tick has just run.
    bool MayPresent(Clock::time_point now, bool after_tick) const {
        return now >= next_ && (after_tick || waits_for_blank_);
    }
    // When the loop should wake for a waiting frame (never: it goes after a tick).
    Clock::time_point Wake() const { return waits_for_blank_ ? next_ : Clock::time_point::max(); }

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
