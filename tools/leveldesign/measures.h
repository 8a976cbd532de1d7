// What a played route shows from its own states, without trying other
// inputs: how much of it is waiting, which floors it walks and which way,
// which moving hazards it passes close to; the level's score; and the rules
// that hold across all 25 levels.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tools/leveldesign/route.h"
#include "tools/leveldesign/scene.h"

namespace klice::leveldesign {

// Ticks in which no key is held: standing, and riding a block, alike.
int64_t idle_ticks(const std::vector<uint8_t>& keys);

// Where the figure stood after one tick: its centre column and the surface
// row of the background under it, or surface -1 while it is in the air, on
// a block or dying.
struct foothold {
    int32_t x = 0;
    int surface = -1;
};
std::vector<foothold> footholds(const route& r, const scene& sc);

// The floors a route walks, in order, each with the way it was walked
// ('>' right, '<' left, '=' less than a tile either way): "736> 544< 736>".
// A floor counts from 24 ticks stood on it, so that hurdle tops and
// landings do not; the air and rides between two stretches on the same
// floor do not break it.
std::string floors_visited(const std::vector<foothold>& ticks);

// The slots of the moving hazards whose picture comes within `reach` px of
// the figure's box in some tick of the route while the objects move.
std::set<int> hazards_passed(const route& r, const scene& sc, int reach = 24);

// Difficulty: inputs to make, objects to read, how exact the tightest input
// is, and the longest run without a place to stop. Waiting adds nothing.
double level_score(size_t jumps, int timed, int window, int64_t pressure);

// One level's figures, for the rules across the levels.
struct level_summary {
    int level = 0;
    int64_t ticks = 0, idle = 0;
    int window = 0;
    double score = 0;
};

// The rules across levels 1 to 25 (summaries in level order, all 25).
std::vector<finding> game_rules(const std::vector<level_summary>& levels);

// The rules that `check` reports and, until every level meets them, does not
// fail on unless asked to (--strict).
bool is_new_rule(const std::string& kind);

// The rules that `check` only reports, even when asked to be strict: what a
// player would notice, but what not every level can be held to yet.
bool is_reported_only(const std::string& kind);

// Whether a finding fails `check`, strict or not.
bool fails_check(const finding& f, bool strict);

}  // namespace klice::leveldesign
