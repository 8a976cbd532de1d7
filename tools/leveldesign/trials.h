// Simple ways of playing tried on the real game: what a new player does
// first (stand, walk, hop), what one who follows the right edge does, and
// whether a place along the route lets the player stop and think.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/leveldesign/session.h"

namespace klice::leveldesign {

// The ways of playing, of the five that need no thought (standing, walking
// left, walking right, walking left or right with jump held), that take a
// key within the first `ticks` ticks of the level.
std::vector<std::string> free_key_ways(session& s, int level, int ticks = 100);

// Holding right, with jump held too when `jumping`, from a state for at most
// `ticks` ticks: the row of the figure's feet in the tick it leaves the
// level, or nothing when it does not (a death, or stuck against a wall).
// On a death, `death` (when given) gets the state of its first tick.
std::optional<int> exit_feet_holding_right(session& s, const session::saved& from, bool jumping, int ticks,
                                           std::optional<session::saved>* death = nullptr);

// What the figure, dead but still moved by the keys through its splash,
// does from the first tick of a death when the player holds right, right
// with jump, left or nothing until the level is loaded again: the ways that
// leave the level (the next one would start on a death), and the ways that
// take a key (its chime plays, and the reload brings it back).
struct after_death {
    std::vector<std::string> exits;
    std::vector<std::string> keys;
};
after_death play_while_dying(session& s, const session::saved& death);

// A player who runs on in `direction` with jump held from a state, instead
// of stopping where a jump is refused for the cooldown of the last one, until
// the jump is taken and lands: the tick (of the level) it dies on, if it does.
std::optional<int64_t> death_running_on(session& s, const session::saved& from, uint8_t direction);

// The figure stands (on the ground or a block) and standing still from here
// for `ticks` ticks does not kill it.
bool safe_to_stop(session& s, const session::saved& from, int ticks);

// The longest stretch between two safe spots (`safe`: sorted ticks from 1),
// the start and the exit (tick `end`) counting as safe.
int64_t longest_unsafe(const std::vector<int64_t>& safe, int64_t end);

}  // namespace klice::leveldesign
