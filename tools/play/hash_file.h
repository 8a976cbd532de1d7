// The play tester's hash files: what --hashes writes and --check reads.
//
//   # comment lines start with '#'
//   #: objects waves path pixels intro_frames in_menu level ...
//   100 3f0c9e1d2b4a6f58
//   #= 1a2b3c4d 5e6f7a8b 9c0d1e2f 3a4b5c6d 100 0 1 ...
//
// A "tick hash" line (decimal tick, 16 hex digits) every 100 ticks and at
// the last tick. The "#=" line under it, optional, holds the parts of that
// hash in the columns the "#:" line names: the low 32 bits of each part's
// hash in hex, then every state field's value. A reader that wants only the
// hashes skips every '#' line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/state_hash.h"

namespace klice::play {

struct hash_file_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One hashed tick as a file holds it.
struct hash_entry {
    int64_t tick = 0;
    uint64_t hash = 0;
    int line = 0;                              // in the file, from 1
    std::map<std::string, std::string> parts;  // column -> value; empty without a "#=" line
};

// Writes the header before the first digest, then a line pair a digest.
class hash_file_writer {
public:
    explicit hash_file_writer(std::ostream& out) : out_(out) {}
    void write(const state_digest& d);

private:
    std::ostream& out_;
    bool header_ = false;
};

// Raises hash_file_error "line N: ..." for a line it cannot read.
std::vector<hash_entry> parse_hash_file(const std::string& text);
std::vector<hash_entry> read_hash_file(const std::string& path);

// What differs between a file's entry and the run's digest at the same
// tick, in the words of the game: "player_y 598 -> 602", "objects",
// "waves of ticks 201-300", "path of ticks 201-300", "pixels"; joined by
// ", ". `previous_tick` is the tick hashed before (0 for none). Empty when
// the hashes agree.
std::string describe_difference(const hash_entry& want, const state_digest& got, int64_t previous_tick);

}  // namespace klice::play
