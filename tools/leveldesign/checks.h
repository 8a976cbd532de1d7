// The level checker: plays a level's plan on the real game and measures it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/leveldesign/plan.h"
#include "tools/leveldesign/scene.h"
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
    int64_t Ticks() const { return static_cast<int64_t>(keys.size()); }
};

route play_plan(session& s, int level, const plan& p, int64_t limit = 30000);

// "R43 RJ1 -5 ..." from the keys of every tick.
std::string held_keys_text(const std::vector<uint8_t>& keys);

struct level_report {
    int level = 0;
    route played;
    int timed = 0;          // moving objects the plan waits for
    int window = 0;         // narrowest timing window, ticks
    std::string window_at;  // the plan step it belongs to
    std::vector<std::string> faults;
};

struct check_options {
    int window_reach = 12;   // ticks tried on each side of an input
    int explore_every = 16;  // ticks between the states tried other inputs from
};

level_report check_level(session& s, const scene& sc, int level, const plan& p, const check_options& o);

}  // namespace klice::leveldesign
