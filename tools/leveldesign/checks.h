// The level checker: plays a level's plan on the real game and measures it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/leveldesign/plan.h"
#include "tools/leveldesign/route.h"
#include "tools/leveldesign/scene.h"
#include "tools/leveldesign/session.h"

namespace klice::leveldesign {

route play_plan(session& s, int level, const plan& p, int64_t limit = 30000);

// "R43 RJ1 -5 ..." from the keys of every tick.
std::string held_keys_text(const std::vector<uint8_t>& keys);

// How far one timing input (a jump's press, a start after a wait) may move
// and the route still play through: what bounds a level's narrowest window.
struct timing_window {
    std::string at;        // the plan step and the tick, as in window_at
    int late = 0;          // ticks later that still play through
    int early = 0;         // ticks earlier that still play through
    bool bounded = false;  // an earlier press failed within the reach
    int width = 0;         // the window, ticks
};

struct level_report {
    int level = 0;
    route played;
    int64_t idle = 0;                    // ticks without a key held
    int timed = 0;                       // moving objects ridden, waited for or passed close to
    int window = 0;                      // narrowest timing window, ticks
    std::string window_at;               // the plan step it belongs to
    std::vector<timing_window> windows;  // every timing input, in the route's order
    int64_t pressure = 0;                // longest stretch without a safe spot, ticks
    std::string floors;                  // the floors visited, see floors_visited
    double score = 0;
    std::vector<finding> faults;
};

struct check_options {
    int window_reach = 12;   // ticks tried on each side of an input
    int explore_every = 16;  // ticks between the states tried other inputs from
    int exit_ticks = 400;    // how long right, and right with jumps, are held from them
    int stop_ticks = 300;    // how long standing still must be survived at a safe spot
    // The floors visited in the level whose terrain this one reuses, if any:
    // the two routes must differ.
    std::string base_floors;
};

level_report check_level(session& s, const scene& sc, int level, const plan& p, const check_options& o);

}  // namespace klice::leveldesign
