// A level's plan: the route a player takes, in steps that watch the game
// ("walk right to x 400", "wait until flame 2 has sunk", "jump"). The level
// sources carry it in comment lines starting with "#>"; klice-levels plays
// it on the real game and writes down the keys it held, tick by tick.
//
//   to X        hold right until the figure's centre is at x >= X
//   back X      hold left until x <= X
//   r N, l N    hold right (left) for N ticks
//   w N         hold nothing for N ticks
//   J, JL, JU   stand until a jump may start, then press jump with right,
//               with left, or alone (the next step says what is held then)
//   wait C [& C ...] [| C [& C ...]]   hold nothing until every condition of
//               one of the '|' alternatives holds; a condition
//               is OBJECT.FIELD OP NUMBER with OBJECT block1..10, al1..10,
//               leb1..10 or zuby1..10, FIELD x, y, dx or dy, OP one of
//               >= <= > < ==; or t >= N for the level's play tick
//
// Steps are separated by ';' or new "#>" lines.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/game_state.h"

namespace klice::leveldesign {

struct plan_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Keys held in one tick, as bits.
enum : uint8_t { kRight = 1, kLeft = 2, kJump = 4 };

struct condition {
    int slot = -1;  // object slot in the level record; -1 for the play tick
    char field = 'x';
    std::string op;
    int32_t value = 0;
    bool Holds(const game_state_t& g, int64_t tick) const;
};

struct step {
    enum Kind { To, Back, Right, Left, Stand, Jump, Wait } kind = Stand;
    int32_t value = 0;                                 // X for To/Back, ticks for Right/Left/Stand
    uint8_t jump_keys = 0;                             // Jump: kRight, kLeft or 0 held with the press
    std::vector<std::vector<condition>> alternatives;  // Wait: any of these, all of each
    bool Holds(const game_state_t& g, int64_t tick) const;
    std::string text;  // as written, for reports
    // The objects a Wait watches, as slots.
    std::vector<int> Watched() const;
};

using plan = std::vector<step>;

// The "#>" lines of a level source; plan_error names a bad step.
plan parse_plan(const std::string& source_text);

// Runs a plan one tick at a time: Keys() gives what to hold in the next
// tick from the state the last tick left.
class executor {
public:
    explicit executor(const plan* p) : plan_(p) {}
    // Keys for the tick to come; tick is the level's play tick it will be.
    uint8_t Keys(const game_state_t& g, int64_t tick);
    size_t Step() const { return index_; }
    bool Done() const { return index_ >= plan_->size(); }
    // Jumps to the start of a step.
    void StartAt(size_t index) {
        index_ = index;
        count_ = 0;
    }
    bool operator==(const executor& o) const { return index_ == o.index_ && count_ == o.count_; }

private:
    const plan* plan_;
    size_t index_ = 0;
    int64_t count_ = 0;
};

// The ticks after a jump's start in which the game refuses the next one.
constexpr int32_t kJumpCooldownTicks = 50;

// Whether a jump may start in the coming tick.
bool can_jump(const game_state_t& g);

}  // namespace klice::leveldesign
