// The play tester's input script: one event a line, '#' starts a comment.
//
//   T KEY...        holds the keys at tick T only
//   T1-T2 KEY...    holds them from tick T1 to T2, both included
//   T mouse X Y     moves the mouse to frame pixel (X, Y) before tick T
//   T click         presses and releases a button before tick T
//
// Key names: LEFT RIGHT UP DOWN A D W H ESC ENTER. Ticks count from 1.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace klice::play {

struct script_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Virtual-key code of a key name, or nothing.
std::optional<int32_t> key_code(const std::string& name);

struct script {
    struct hold {
        int64_t from, to;
        std::vector<int32_t> keys;
    };
    struct mouse_event {
        int64_t tick;
        bool click;  // else a move to (x, y)
        int x, y;
    };
    std::vector<hold> holds;
    std::vector<mouse_event> mouse;  // in file order

    // The keys held at a tick.
    std::set<int32_t> keys_at(int64_t tick) const;
    // The mouse events before a tick, in file order.
    std::vector<mouse_event> mouse_at(int64_t tick) const;
    // The last tick that any line names; 0 for an empty script.
    int64_t last_tick() const;
};

// Raises script_error "line N: ..." for a line it cannot read.
script parse_script(const std::string& text);
script read_script_file(const std::string& path);

}  // namespace klice::play
