// The soak: the real game, headless and silent, played for a long time with
// random input from a seed, through the title, the menu and every level,
// with the resident memory measured early and at the end.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace klice::soak {

struct options {
    std::string data = ".";
    int64_t ticks = 360000;  // one hour at 100 ticks a second
    uint64_t seed = 1;
    int64_t level_ticks = 3000;    // play ticks before Esc and the next level
    int64_t first_measure = 6000;  // the early measurement (one minute)
    int64_t limit_kib = 1024;      // fail at this much difference; 0 never fails
    int64_t focus_every = 50000;   // ticks between focus losses; 0 for none
};

options parse_options(const std::vector<std::string>& args);
extern const char* const kUsage;

struct report {
    int64_t ticks = 0;
    int levels_played = 0;  // different levels entered
    int64_t starts = 0, completed = 0, deaths = 0, focus_losses = 0;
    std::vector<std::string> errors;
    int64_t rss_first_kib = 0, rss_end_kib = 0;
    double seconds = 0;
};

// Plays the soak and writes its progress and report to out.
report run(const options& o, std::ostream& out);
// 0 when the report passes, 1 when the memory moved by the limit or more or
// the game reported an error.
int verdict(const options& o, const report& r);

}  // namespace klice::soak
