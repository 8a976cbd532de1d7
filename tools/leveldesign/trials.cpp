#include "tools/leveldesign/trials.h"

#include "tools/leveldesign/plan.h"

namespace klice::leveldesign {

std::vector<std::string> free_key_ways(session& s, int level, int ticks) {
    static const std::pair<const char*, uint8_t> ways[] = {{"standing", 0},
                                                           {"walking left", kLeft},
                                                           {"walking right", kRight},
                                                           {"walking left with jumps", kLeft | kJump},
                                                           {"walking right with jumps", kRight | kJump}};
    std::vector<std::string> found;
    for (const auto& [name, keys] : ways) {
        s.Start(level);
        // A key taken in the splash of a death counts too: the player sees
        // and hears it go, whatever the reload then brings back.
        for (int t = 0; t < ticks; ++t) {
            if (s.Tick(keys) == outcome::Exit) break;
            if (game_state.keys_taken > 0) {
                found.push_back(std::string(name) + " takes a key at tick " + std::to_string(t + 1));
                break;
            }
        }
    }
    return found;
}

std::optional<int> exit_feet_holding_right(session& s, const session::saved& from, bool jumping, int ticks,
                                           std::optional<session::saved>* death) {
    s.Restore(from);
    // Against a wall with no block to carry it, the figure goes nowhere.
    constexpr int kStuck = 100;
    int32_t last_x = game_state.player_x;
    int still = 0;
    for (int i = 0; i < ticks; ++i) {
        // The tick that leaves loads the next level; the feet are read before
        // it, at most one step (10 px) from where they pass the column.
        const int feet = game_state.player_y + 76;
        const outcome o = s.Tick(jumping ? kRight | kJump : kRight);
        if (o == outcome::Exit) return feet;
        if (o == outcome::Death) {
            if (death) *death = s.Save();
            return std::nullopt;
        }
        if (game_state.player_x != last_x || game_state.block_under > 0) {
            last_x = game_state.player_x;
            still = 0;
        } else if (++still >= kStuck) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

after_death play_while_dying(session& s, const session::saved& death) {
    static const std::pair<const char*, uint8_t> ways[] = {
        {"right", kRight}, {"right with jump", kRight | kJump}, {"left", kLeft}, {"nothing", 0}};
    after_death found;
    for (const auto& [name, keys] : ways) {
        s.Restore(death);
        int32_t taken = game_state.keys_taken;
        bool chimed = false;
        // The splash's last tick loads the level again and ends the death.
        for (int i = 1; game_state.dying; ++i) {
            const std::string at =
                " at x " + std::to_string(game_state.player_x) + ", " + std::to_string(i) + " ticks into the death";
            if (s.Tick(keys) == outcome::Exit) {
                found.exits.push_back(std::string("holding ") + name + " leaves the level" + at);
                break;
            }
            if (game_state.dying && game_state.keys_taken > taken && !chimed) {
                found.keys.push_back(std::string("holding ") + name + " takes a key" + at);
                chimed = true;
            }
            taken = game_state.keys_taken;
        }
    }
    return found;
}

std::optional<int64_t> death_running_on(session& s, const session::saved& from, uint8_t direction) {
    s.Restore(from);
    bool jumped = false;
    // Jump is held until the jump is taken, then only the direction, until
    // the figure lands.
    for (int i = 0; i < 200; ++i) {
        const outcome o = s.Tick(jumped ? direction : direction | kJump);
        if (o == outcome::Exit) break;
        if (o == outcome::Death) return s.Ticks();
        if (game_state.jump_cooldown == kJumpCooldownTicks) {
            jumped = true;
        } else if (jumped && game_state.on_ground) {
            break;
        }
    }
    return std::nullopt;
}

bool safe_to_stop(session& s, const session::saved& from, int ticks) {
    const game_state_t& g = from.state;
    if (g.dying || !(g.on_ground || g.block_under > 0)) return false;
    s.Restore(from);
    for (int i = 0; i < ticks; ++i) {
        const outcome o = s.Tick(0);
        if (o == outcome::Death) return false;
        if (o == outcome::Exit) return true;
    }
    return true;
}

int64_t longest_unsafe(const std::vector<int64_t>& safe, int64_t end) {
    int64_t longest = 0, last = 0;
    for (int64_t t : safe) {
        longest = std::max(longest, t - last);
        last = t;
    }
    return std::max(longest, end - last);
}

}  // namespace klice::leveldesign
