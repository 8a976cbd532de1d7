// What the checker and the measures share: a plan as played, and a rule a
// level breaks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/leveldesign/plan.h"
#include "tools/leveldesign/session.h"

namespace klice::leveldesign {

// The plan as played: the keys of every tick and what happened.
struct route {
    bool finished = false;               // left by the exit without a death
    std::string failure;                 // why not
    std::vector<uint8_t> keys;           // per tick, from tick 1
    std::vector<session::saved> before;  // the state before each tick
    std::vector<executor> plans;         // the plan's position before each tick
    std::vector<int64_t> jumps;          // ticks a jump started on
    std::vector<int64_t> key_ticks;      // ticks a key was taken on
    std::vector<int> blocks_ridden;      // 1-based, in order of first contact
    std::vector<int64_t> contacts;       // ticks a ride started on
    int64_t last_ride = 0;               // last tick on a block
    int exit_feet = 0;                   // the feet's row in the tick that left
    int64_t Ticks() const { return static_cast<int64_t>(keys.size()); }
};

// A rule a level breaks: its kind (one line per kind) and what happened.
struct finding {
    std::string kind;
    std::string text;
};

}  // namespace klice::leveldesign
