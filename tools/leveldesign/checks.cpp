#include "tools/leveldesign/checks.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "tools/leveldesign/measures.h"
#include "tools/leveldesign/trials.h"

namespace klice::leveldesign {

namespace {

// The figure may pass the exit column only with its feet on the arrow's
// floor, between this row and the ground.
constexpr int kArrowFloorTop = 600;

// Everything that decides the game's future, so two runs that reach the same
// of it at the same tick go on alike. The walking picture and the sound
// flags are left out: the probes look through every pose, and sound changes
// nothing on the frame.
bool same_future(const game_state_t& a, const game_state_t& b) {
    return a.level == b.level && a.level_frames == b.level_frames && a.objects_moving == b.objects_moving &&
           std::memcmp(&a.record, &b.record, sizeof a.record) == 0 && a.keys_taken == b.keys_taken &&
           a.player_x == b.player_x && a.player_y == b.player_y && a.facing == b.facing && a.on_ground == b.on_ground &&
           a.head_bump == b.head_bump && a.wall_ahead == b.wall_ahead && a.jump_step == b.jump_step &&
           a.jump_cooldown == b.jump_cooldown && a.airborne_frames == b.airborne_frames && a.dying == b.dying &&
           a.death_frame == b.death_frame && a.block_under == b.block_under;
}

std::string at_text(const game_state_t& g, int64_t tick) {
    return "tick " + std::to_string(tick) + " (x " + std::to_string(g.player_x) + ", y " + std::to_string(g.player_y) +
           ")";
}

// The first tick (from 1) after which the plan stands at or past a step.
int64_t first_tick_past(const route& r, size_t step_index) {
    for (size_t t = 1; t < r.plans.size(); ++t)
        if (r.plans[t].Step() >= step_index) return static_cast<int64_t>(t);
    return r.Ticks();
}

// Plays on from the state before tick `from` (1-based) with the given
// executor, keys for the first ticks forced by `forced`, until the exit, a
// death or the nominal run's state again.
template <typename Forced>
bool plays_through(session& s, const route& nominal, int64_t from, executor ex, Forced forced) {
    s.Restore(nominal.before[from - 1]);
    // Room to wait for a lift's next round after a missed one.
    const int64_t limit = nominal.Ticks() + 1500;
    for (int64_t t = from; t <= limit; ++t) {
        uint8_t keys;
        if (!forced(t, game_state, ex, keys)) {
            if (t < nominal.Ticks() && t > from && ex == nominal.plans[t - 1] &&
                same_future(game_state, nominal.before[t - 1].state))
                return true;
            keys = ex.Keys(game_state, t);
        }
        const outcome o = s.Tick(keys);
        if (o == outcome::Exit) return true;
        if (o == outcome::Death) return false;
    }
    return false;
}

struct boundary {
    size_t step;       // the plan step whose start (or press) is moved
    bool jump;         // a jump's press
    int64_t tick;      // when it happens on the nominal route
    int64_t earliest;  // the earliest tick it may be moved to
};

std::vector<boundary> timing_inputs(const plan& p, const route& r) {
    std::vector<boundary> out;
    int64_t last_jump = 1;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i].kind == step::Jump) {
            const int64_t press = first_tick_past(r, i + 1);
            out.push_back({i, true, press, last_jump + 1});
            last_jump = press;
        } else if (i > 0 && (p[i - 1].kind == step::Wait || p[i - 1].kind == step::Stand)) {
            out.push_back({i, false, first_tick_past(r, i), first_tick_past(r, i - 1) + 1});
        }
    }
    return out;
}

bool shifted_plays_through(session& s, const plan& p, const route& r, const boundary& b, int k) {
    const step& st = p[b.step];
    if (k > 0) {
        // Late: go on doing what the tick before did, then act.
        const uint8_t before = r.keys[b.tick - 2] & ~kJump;
        return plays_through(s, r, b.tick, r.plans[b.tick - 1],
                             [&](int64_t t, const game_state_t&, executor& ex, uint8_t& keys) {
                                 if (t < b.tick + k) {
                                     keys = before;
                                     return true;
                                 }
                                 if (t == b.tick + k) {
                                     ex.StartAt(b.jump ? b.step + 1 : b.step);
                                     if (!b.jump) return false;
                                     keys = kJump | st.jump_keys;
                                     return true;
                                 }
                                 return false;
                             });
    }
    const int64_t from = b.tick + k;
    if (!b.jump) {
        executor ex = r.plans[from - 1];
        ex.StartAt(b.step);
        return plays_through(s, r, from, ex, [](int64_t, const game_state_t&, executor&, uint8_t&) { return false; });
    }
    // Early: hold jump on top of what was held until it takes.
    bool fired = false;
    return plays_through(s, r, from, r.plans[from - 1],
                         [&](int64_t t, const game_state_t& g, executor& ex, uint8_t& keys) {
                             if (fired) return false;
                             keys = r.keys[t - 1] | kJump;
                             if (can_jump(g)) {
                                 keys = (r.keys[t - 1] & ~(kRight | kLeft)) | kJump | st.jump_keys;
                                 fired = true;
                                 ex.StartAt(b.step + 1);
                             }
                             return true;
                         });
}

struct fault_list {
    std::vector<finding>& out;
    std::set<std::string> kinds_seen;
    void Add(const std::string& kind, const std::string& text) {
        if (kinds_seen.insert(kind).second) out.push_back({kind, text});
    }
};

// The deaths the probes run into. The game moves the dead figure through
// its splash as if it lived (it walks, falls, takes keys and passes the
// exit), so each death is played on with the simple ways of holding keys:
// a level must not be finished by a death, and should not give a key to one.
struct deaths_tried {
    std::vector<game_state_t> seen;
    void Try(session& s, const session::saved& death, fault_list& faults) {
        for (const game_state_t& g : seen)
            if (same_future(g, death.state)) return;
        seen.push_back(death.state);
        const after_death a = play_while_dying(s, death);
        const std::string where = "a death at " + at_text(death.state, death.ticks) + ": ";
        if (!a.exits.empty()) faults.Add("dead exit", where + a.exits.front());
        if (!a.keys.empty()) faults.Add("dead key", where + a.keys.front());
    }
};

// Runs a branch from a state with a fixed pattern of keys and reports what
// is unfair in it.
void explore(session& s, const scene& sc, const session::saved& from, uint8_t first, uint8_t then, int ticks,
             fault_list& faults, deaths_tried& deaths) {
    s.Restore(from);
    const int32_t ground_y = game_state.player_y;
    // A lift is no ledge of the place: its height changes as it moves.
    const bool jumping = (first & kJump) && from.state.block_under == 0;
    bool touching = false;
    for (int i = 0; i < ticks; ++i) {
        const outcome o = s.Tick(i == 0 ? first : then);
        const game_state_t& g = game_state;
        if (o == outcome::Exit) return;
        if (o == outcome::Death) {
            const session::saved death = s.Save();
            const int side = g.facing > 0 ? g.player_x - 17 : g.player_x + 17;
            const bool red = sc.Red(g, g.player_x, g.player_y + 78) || sc.Red(g, g.player_x, g.player_y) ||
                             sc.Red(g, side, g.player_y + 58);
            if (!red && jumping) {
                // A fall too long: is there a floor a walk off the same ledge
                // would reach? Lifts are left out: where they are changes.
                for (int y = g.player_y + 78; y < 768; ++y)
                    if (sc.Ground(g.player_x, y)) {
                        if (!sc.Red(g, g.player_x, y) && y - (ground_y + 78) <= 152)
                            faults.Add("ledge", "jumping off near " + at_text(from.state, from.ticks) +
                                                    " splashes in the air above a floor " +
                                                    std::to_string(y - ground_y - 78) +
                                                    " px down that walking off would reach");
                        break;
                    }
            }
            deaths.Try(s, death, faults);
            return;
        }
        if (touching) {
            faults.Add("touch", "the figure's body lies on red and lives at " + at_text(g, s.Ticks()));
            return;
        }
        touching = sc.BodyOnRed(g);
        if (sc.RedWallAhead(g)) {
            std::string where;
            const int side = g.facing > 0 ? g.player_x - 17 : g.player_x + 17;
            for (int offset : {10, 26, 42, 58}) where += sc.Red(g, side, g.player_y + offset) ? " red" : " -";
            faults.Add("wall", "red stops the figure like a wall at " + at_text(g, s.Ticks()) + ", side points" +
                                   where + (g.facing > 0 ? " on the left" : " on the right"));
            return;
        }
    }
}

}  // namespace

route play_plan(session& s, int level, const plan& p, int64_t limit) {
    route r;
    s.Start(level);
    executor ex(&p);
    for (int64_t t = 1; t <= limit; ++t) {
        r.before.push_back(s.Save());
        r.plans.push_back(ex);
        const uint8_t keys = ex.Keys(game_state, t);
        r.keys.push_back(keys);
        const int32_t taken = game_state.keys_taken;
        const int feet = game_state.player_y + 76;
        const outcome o = s.Tick(keys);
        if (o == outcome::Exit) {
            r.plans.push_back(ex);
            r.finished = true;
            r.exit_feet = feet;
            return r;
        }
        const game_state_t& g = game_state;
        if (g.jump_cooldown == kJumpCooldownTicks) r.jumps.push_back(t);
        for (int32_t k = taken; k < g.keys_taken; ++k) r.key_ticks.push_back(t);
        if (g.block_under > 0) {
            if (r.last_ride != t - 1) r.contacts.push_back(t);
            if (std::find(r.blocks_ridden.begin(), r.blocks_ridden.end(), g.block_under) == r.blocks_ridden.end())
                r.blocks_ridden.push_back(g.block_under);
            r.last_ride = t;
        }
        if (o == outcome::Death) {
            r.failure = "the plan dies at " + at_text(g, t) + " in step " + std::to_string(ex.Step() + 1);
            r.plans.push_back(ex);
            return r;
        }
    }
    r.failure = "the plan has not reached the exit after " + std::to_string(limit) + " ticks, " +
                std::to_string(game_state.keys_taken) + " keys taken";
    return r;
}

std::string held_keys_text(const std::vector<uint8_t>& keys) {
    std::string out;
    size_t start = 0;
    for (size_t i = 1; i <= keys.size(); ++i) {
        if (i < keys.size() && keys[i] == keys[start]) continue;
        const uint8_t k = keys[start];
        std::string code = std::string(k & kRight ? "R" : "") + (k & kLeft ? "L" : "") + (k & kJump ? "J" : "");
        if (code.empty()) code = "-";
        out += (out.empty() ? "" : " ") + code + std::to_string(i - start);
        start = i;
    }
    return out;
}

level_report check_level(session& s, const scene& sc, int level, const plan& p, const check_options& o) {
    level_report rep;
    rep.level = level;
    rep.played = play_plan(s, level, p);
    const route& r = rep.played;
    fault_list faults{rep.faults, {}};
    if (!r.finished) {
        rep.faults.push_back({"route", r.failure});
        return rep;
    }

    // Length, free keys, objects that must be timed or ridden.
    if (r.Ticks() < 800) faults.Add("short", "the route takes " + std::to_string(r.Ticks()) + " ticks, under 800");
    for (int64_t t : r.key_ticks)
        if (t <= 100 && (r.jumps.empty() || r.jumps.front() > t))
            faults.Add("free", "a key is taken at tick " + std::to_string(t) + " without a jump");
    std::set<int> watched;
    bool late_wait = false;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i].kind != step::Wait) continue;
        const std::vector<int> slots = p[i].Watched();
        watched.insert(slots.begin(), slots.end());
        if (!slots.empty() && first_tick_past(r, i + 1) > 200) late_wait = true;
    }
    std::set<int> timed = watched;
    for (int b : r.blocks_ridden) timed.insert(kBlockSlot + b - 1);
    for (int slot : hazards_passed(r, sc)) timed.insert(slot);
    rep.timed = static_cast<int>(timed.size());
    if (level >= 6 && !late_wait && r.last_ride <= 200)
        faults.Add("still", "after tick 200 the route neither waits for a moving object nor rides a block");
    if (!sc.ExitArrowOnBlack()) faults.Add("arrow", "the exit arrow's path is not all black in the background");
    if (!sc.HintOnBlack()) faults.Add("hint", "the music-key hint is drawn over ground, not over black");

    // Play, not waiting.
    rep.idle = idle_ticks(r.keys);
    const int64_t held = r.Ticks() - rep.idle;
    if (rep.idle * 10 > r.Ticks() * 3)
        faults.Add("idle", "the route holds no key for " + std::to_string(rep.idle) + " of its " +
                               std::to_string(r.Ticks()) + " ticks, over 30 %");
    if (held < 700) faults.Add("held", "the route holds a key for " + std::to_string(held) + " ticks, under 700");

    // The exit is at the arrow, and no key comes without thought.
    if (r.exit_feet < kArrowFloorTop)
        faults.Add("exit", "the route leaves the level with the feet at row " + std::to_string(r.exit_feet) +
                               ", above the arrow's floor");
    for (const std::string& way : free_key_ways(s, level)) faults.Add("free keys", way + ", within 100 ticks");

    // A route of its own through reused terrain.
    rep.floors = floors_visited(footholds(r, sc));
    if (!o.base_floors.empty() && rep.floors == o.base_floors)
        faults.Add("variety", "the route visits the floors of the level whose terrain it reuses: " + rep.floors);

    // The route itself never touches red.
    for (int64_t t = 1; t < r.Ticks(); ++t) {
        const game_state_t& g = r.before[t].state;
        if (sc.BodyOnRed(g) && !(t + 1 < r.Ticks() && r.before[t + 1].state.dying))
            faults.Add("touch", "the route's figure lies on red and lives at " + at_text(g, t));
        if (sc.RedWallAhead(g)) faults.Add("wall", "red stops the route's figure like a wall at " + at_text(g, t));
    }

    // Where the route stops because a jump is refused for the cooldown of
    // the last one, a player who runs on and presses jump must not be killed
    // for it: pits close together need room between them.
    uint8_t running = 0;  // the direction held before the route stopped
    bool tried = false;   // this stop is tried already
    std::vector<std::string> cooldown_deaths;
    for (int64_t t = 1; t < r.Ticks(); ++t) {
        if (r.keys[t - 1] != 0) {
            running = r.keys[t - 1] & (kRight | kLeft);
            tried = false;
            continue;
        }
        const executor& ex = r.plans[t];
        const game_state_t& g = r.before[t - 1].state;
        // The stop may start in the air, where the jump's landing passed the
        // place to jump from.
        if (tried || !running || ex.Done() || p[ex.Step()].kind != step::Jump || !g.on_ground || g.jump_cooldown <= 1)
            continue;
        tried = true;
        if (const std::optional<int64_t> died = death_running_on(s, r.before[t - 1], running))
            cooldown_deaths.push_back("the route stops at " + at_text(g, t) +
                                      " until a jump may start; running on and pressing jump dies at tick " +
                                      std::to_string(*died));
    }
    // Every such stop is named, so that one level's stops can be fixed together.
    if (!cooldown_deaths.empty()) {
        std::string text = cooldown_deaths.front();
        for (size_t i = 1; i < cooldown_deaths.size(); ++i) text += "; and " + cooldown_deaths[i];
        faults.Add("cooldown", text);
    }

    // Other inputs from states along the route: walking, jumping, standing;
    // following the right edge; and stopping to think.
    std::vector<int64_t> safe;
    deaths_tried deaths;
    for (int64_t t = o.explore_every; t < r.Ticks(); t += o.explore_every) {
        const session::saved& from = r.before[t];
        if (from.state.dying) continue;
        for (bool jumping : {false, true}) {
            std::optional<session::saved> death;
            const std::optional<int> feet = exit_feet_holding_right(s, from, jumping, o.exit_ticks, &death);
            if (death) deaths.Try(s, *death, faults);
            if (feet && *feet < kArrowFloorTop)
                faults.Add("exit", std::string("holding right") + (jumping ? " with jumps" : "") + " from " +
                                       at_text(from.state, t) + " leaves the level with the feet at row " +
                                       std::to_string(*feet) + ", above the arrow's floor");
        }
        if (safe_to_stop(s, from, o.stop_ticks)) safe.push_back(t);
        explore(s, sc, from, kRight, kRight, 48, faults, deaths);
        explore(s, sc, from, kLeft, kLeft, 48, faults, deaths);
        explore(s, sc, from, 0, 0, 48, faults, deaths);
        if (can_jump(from.state)) {
            explore(s, sc, from, kRight | kJump, kRight, 72, faults, deaths);
            explore(s, sc, from, kLeft | kJump, kLeft, 72, faults, deaths);
            explore(s, sc, from, kJump, 0, 72, faults, deaths);
        }
    }

    // Standing still on every block the route rides.
    for (int64_t c : r.contacts) {
        s.Restore(r.before[c]);
        for (int i = 0; i < 1000; ++i) {
            const outcome out = s.Tick(0);
            if (out == outcome::Exit) break;
            if (out == outcome::Death) {
                faults.Add("ride", "standing still on block " + std::to_string(r.before[c + 1].state.block_under) +
                                       " from tick " + std::to_string(c) + " dies at tick " +
                                       std::to_string(s.Ticks()));
                break;
            }
        }
    }

    // Timing windows: each jump and each start after a wait, moved tick by tick.
    rep.window = 2 * o.window_reach + 1;
    for (const boundary& b : timing_inputs(p, r)) {
        int late = 0, early = 0;
        while (late < o.window_reach && shifted_plays_through(s, p, r, b, late + 1)) ++late;
        while (early < o.window_reach && b.tick - (early + 1) >= b.earliest &&
               shifted_plays_through(s, p, r, b, -(early + 1)))
            ++early;
        const bool bounded = early < o.window_reach && b.tick - (early + 1) >= b.earliest;
        // A press that cannot come earlier because the route reaches it only then
        // (the end of a jump's cooldown, the end of a wait) is not cut short by it.
        const int width = late + 1 + (bounded ? early : o.window_reach);
        const std::string at =
            "step " + std::to_string(b.step + 1) + " '" + p[b.step].text + "' at tick " + std::to_string(b.tick);
        rep.windows.push_back({at, late, early, bounded, width});
        if (width < rep.window) {
            rep.window = width;
            rep.window_at = at;
        }
    }
    rep.pressure = longest_unsafe(safe, r.Ticks());
    rep.score = level_score(r.jumps.size(), rep.timed, rep.window, rep.pressure);
    const int needed = level <= 5 ? 8 : 4;
    if (rep.window < needed)
        faults.Add("window", "the narrowest window is " + std::to_string(rep.window) + " ticks (" + rep.window_at +
                                 "), under " + std::to_string(needed));
    return rep;
}

}  // namespace klice::leveldesign
