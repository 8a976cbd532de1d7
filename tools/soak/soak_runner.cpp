#include "tools/soak/soak_runner.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <stdexcept>

#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/level_file.h"
#include "game/play_steps.h"
#include "game/screens.h"
#include "input/game_keys.h"
#include "tools/command_line.h"
#include "tools/soak/resident_memory.h"

namespace klice::soak {

const char* const kUsage =
    "usage: klice-soak [--data DIR] [--ticks N] [--seed S] [--level-ticks N] [--first-measure N]\n"
    "                  [--limit-kib N] [--focus-every N]\n";

namespace {

constexpr int kFocusLossTicks = 30;
constexpr int64_t kProgressEvery = 60000;

using tools::flags;

struct point {
    int x, y;
};
point centre(const menu_box& b) { return {b.centre_x(), b.centre_y()}; }

// The player's hands: what is held in play, and the way through the menu
// to the next level. Everything random comes from the one seeded engine
// (its raw numbers, so a seed plays the same on every library).
class player {
public:
    player(HeadlessGame& game, const options& o) : game_(game), o_(o), random_(o.seed) {}

    // Input for the tick about to run.
    void before_tick() {
        std::set<int32_t> keys;
        switch (current_screen()) {
            case screen::title:
                if (pick(200) == 0) move_mouse({int(pick(1024)), int(pick(768))});
                break;
            case screen::menu: menu(); break;
            case screen::play: keys = play(); break;
        }
        hold(keys);
    }

    void entered_play() {
        play_ticks_ = 0;
        next_change_ = 0;
        ++starts;
        levels.insert(game_state.level);
    }

    int64_t starts = 0;
    std::set<int> levels;

private:
    uint64_t pick(uint64_t n) { return random_() % n; }

    void move_mouse(point p) { game_.MouseMove(p.x, p.y); }

    void hold(const std::set<int32_t>& keys) { game_.HoldOnly(keys, held_); }

    void menu() {
        const game_state_t& g = game_state;
        if (linger_ > 0) {
            // Wandering over the boxes lights them up; the end box is only
            // ever pointed at, never clicked.
            --linger_;
            if (pick(10) == 0) {
                const menu_box boxes[] = {kStartBox, kEndBox, kUpBox, kDownBox};
                move_mouse(centre(boxes[pick(4)]));
            }
            return;
        }
        if (g.slider_moving) return;
        if (armed_) {  // the mouse has rested on its box for a frame
            armed_ = false;
            if (start_by_enter_) {
                game_.KeyDown(game_keys::Enter);
            } else {
                game_.Click(g.mouse_x, g.mouse_y);
            }
            return;
        }
        armed_ = true;
        start_by_enter_ = false;
        if (g.slider_level < target_) {
            move_mouse(centre(kDownBox));
        } else if (g.slider_level > target_) {
            move_mouse(centre(kUpBox));
        } else {
            start_by_enter_ = pick(2) == 0;
            move_mouse(centre(kStartBox));
        }
    }

    std::set<int32_t> play() {
        const game_state_t& g = game_state;
        if (++play_ticks_ > o_.level_ticks) {
            // Back to the menu, to go on with the next level.
            target_ = g.level % kLevelCount + 1;
            linger_ = static_cast<int>(pick(100));
            return {game_keys::Escape};
        }
        if (play_ticks_ >= next_change_) {
            using namespace game_keys;
            static const std::set<int32_t> choices[] = {
                {}, {D}, {A}, {Right}, {Left}, {W}, {Up}, {W, D}, {Up, Right}, {W, A}, {Up, Left}, {D, Right},
            };
            keys_ = choices[pick(std::size(choices))];
            next_change_ = play_ticks_ + 5 + static_cast<int64_t>(pick(76));
        }
        std::set<int32_t> keys = keys_;
        if (pick(2000) == 0) keys.insert(game_keys::H);
        return keys;
    }

    HeadlessGame& game_;
    const options& o_;
    std::mt19937_64 random_;
    std::set<int32_t> held_, keys_;
    int64_t play_ticks_ = 0, next_change_ = 0;
    int target_ = 1;
    int linger_ = 0;
    bool armed_ = false, start_by_enter_ = false;
};

}  // namespace

options parse_options(const std::vector<std::string>& args) {
    options o;
    constexpr int64_t kMany = int64_t{1} << 40;
    flags()
        .text("--data", o.data)
        .count("--ticks", o.ticks, 1, kMany)
        .count("--seed", o.seed, 0, kMany)
        .count("--level-ticks", o.level_ticks, 1, kMany)
        .count("--first-measure", o.first_measure, 1, kMany)
        .count("--limit-kib", o.limit_kib, 0, kMany)
        .count("--focus-every", o.focus_every, 0, kMany)
        .parse(args);
    if (o.first_measure > o.ticks) throw std::invalid_argument("--first-measure lies after the last tick");
    return o;
}

report run(const options& o, std::ostream& out) {
    // Headless and silent whatever the machine has (HeadlessGame without sound).
    const auto began = std::chrono::steady_clock::now();
    report r;
    HeadlessGame game(std::filesystem::absolute(o.data).string());
    player hands(game, o);
    int64_t focus_back_at = -1;
    for (int64_t t = 1; t <= o.ticks && !game.Ended(); ++t) {
        if (o.focus_every > 0 && t % o.focus_every == 0) {
            game.Focus(false);
            focus_back_at = t + kFocusLossTicks;
            ++r.focus_losses;
        }
        if (t == focus_back_at) game.Focus(true);

        auto in_play = [] { return current_screen() == screen::play; };
        const bool play_before_events = in_play();
        hands.before_tick();
        game.ProcessEvents();  // a start from the menu happens here
        const bool was_play = in_play();
        if (was_play && !play_before_events) hands.entered_play();
        const game_state_t before = game_state;
        game.Tick();
        r.ticks = t;

        if (level_completed(before, game_state)) {
            ++r.completed;
            hands.levels.insert(game_state.level);
        }
        if (death_started(before, game_state)) ++r.deaths;

        if (t == o.first_measure) r.rss_first_kib = resident_kib();
        if (t % kProgressEvery == 0) {
            out << "soak: tick " << t << " level " << game_state.level << " rss " << resident_kib() << " KiB\n";
            out.flush();
        }
    }
    r.rss_end_kib = resident_kib();
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    r.errors = game.Errors();
    r.starts = hands.starts;
    r.levels_played = static_cast<int>(hands.levels.size());

    out << "soak: seed=" << o.seed << " ticks=" << r.ticks << " levels=" << r.levels_played << "/" << kLevelCount
        << " starts=" << r.starts << " completed=" << r.completed << " deaths=" << r.deaths
        << " focus_losses=" << r.focus_losses << " errors=" << r.errors.size() << "\n";
    for (const std::string& e : r.errors) out << "soak: error: " << e << "\n";
    out << "soak: rss after " << o.first_measure << " ticks " << r.rss_first_kib << " KiB, at the end " << r.rss_end_kib
        << " KiB, growth " << (r.rss_end_kib - r.rss_first_kib) << " KiB (limit " << o.limit_kib << " KiB)\n";
    out << "soak: wall " << r.seconds << " s\n";
    out.flush();
    return r;
}

int verdict(const options& o, const report& r) {
    const int64_t moved = std::llabs(r.rss_end_kib - r.rss_first_kib);
    if (!r.errors.empty()) return 1;
    if (o.limit_kib > 0 && moved >= o.limit_kib) return 1;
    return 0;
}

}  // namespace klice::soak
