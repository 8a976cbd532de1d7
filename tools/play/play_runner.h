// The play tester: the real game, headless, ticked from a script.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace klice {
class HeadlessGame;
}

namespace klice::play {

struct script;

struct options {
    std::string data;              // the data files' folder; empty: found as the game finds it
    std::optional<int> level;      // enter play at this level
    std::optional<int64_t> ticks;  // ticks to run; else the script's last tick
    std::string script;            // script file
    std::string frames;            // folder for PNG frames
    int64_t every = 0;             // a frame every this many ticks (0: only the last)
    std::string log;               // JSON lines, one per tick
    bool sound = false;            // a real audio device
    std::string hashes;            // state hashes written here (hash_file.h)
    std::string check;             // state hashes compared with this file
};

// run's exit status when the state hashes differ from the --check file.
inline constexpr int kHashesDiffer = 3;

// Reads the command line (without the program name); raises
// std::invalid_argument with the reason for a bad one.
options parse_options(const std::vector<std::string>& args);

extern const char* const kUsage;

// What a script has carried over from one tick to the next: the keys held
// and where the mouse is.
struct script_input {
    std::set<int32_t> held;
    int mouse_x = 0, mouse_y = 0;
};

// Gives the game what the script does before tick t: holds exactly its keys
// of that tick, then moves and clicks the mouse in the script's order.
void feed_tick(HeadlessGame& game, const script& s, int64_t t, script_input& input);

// Runs the game and writes the report to out; returns the exit status: 0,
// or kHashesDiffer after a line "mismatch at tick T: what" (the run stops
// there unless it is writing hashes too).
int run(const options& o, std::ostream& out);

}  // namespace klice::play
