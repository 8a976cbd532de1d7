#include "tools/play/play_runner.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

#include "game/asset_calls.h"
#include "game/data_folder.h"
#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/level_file.h"
#include "game/play_steps.h"
#include "game/screens.h"
#include "game/state_hash.h"
#include "platform/sound_device.h"
#include "tools/command_line.h"
#include "tools/play/hash_file.h"
#include "tools/play/play_script.h"
#include "tools/play/png_frame.h"

namespace klice::play {

namespace fs = std::filesystem;

const char* const kUsage =
    "usage: klice-play [--data DIR] [--level N] [--ticks N] [--script FILE] [--frames DIR] [--every K]\n"
    "                  [--log FILE] [--sound] [--hashes FILE] [--check FILE]\n";

namespace {

using tools::flags;

// Paths are taken from where the tester was started; the game itself then
// runs in the data folder.
std::string absolute(const std::string& path) { return path.empty() ? path : fs::absolute(path).string(); }

// --data, or else the folder the game itself would read: the working folder,
// the tester's own folder or the installed data, the first with the data.
std::string data_folder_of(const options& o) {
    if (!o.data.empty()) return absolute(o.data);
    const std::string found = first_data_folder(data_folder_candidates());
    return absolute(found.empty() ? "." : found);
}

// Where the game's sound goes with --sound: the machine's audio device, or
// without one a file of the mixed output.
void choose_audio() {
    if (platform::SystemAudioAvailable())
        platform::SetAudioOutput(platform::AudioOutput::System());
    else
        platform::SetAudioOutput(platform::AudioOutput::ToFile(absolute("klice-play-audio.raw")));
}

// The log's name of what the tick shows.
const char* mode_name() {
    switch (current_screen()) {
        case screen::title: return "title";
        case screen::menu: return "menu";
        case screen::play: break;
    }
    return "play";
}

std::string json_list(const std::vector<int>& values) {
    std::string s = "[";
    for (size_t i = 0; i < values.size(); ++i) s += (i ? "," : "") + std::to_string(values[i]);
    return s + "]";
}

const char* json_bool(bool b) { return b ? "true" : "false"; }

// The run's state hashes: written to --hashes, compared with --check.
class hash_keeper {
public:
    explicit hash_keeper(const options& o) : check_path_(o.check) {
        if (!o.check.empty()) want_ = read_hash_file(absolute(o.check));
        if (!o.hashes.empty()) {
            // Binary: the same bytes from every system.
            file_.open(absolute(o.hashes), std::ios::binary | std::ios::trunc);
            if (!file_) throw std::runtime_error("cannot write the hash file " + o.hashes);
            path_ = o.hashes;
            writer_.emplace(file_);
        }
    }
    bool active() const { return writer_ || !check_path_.empty(); }
    void wave(int index, bool started) {
        if (active()) recorder_.wave(index, started);
    }
    void text(int x, int y, const std::string& words, int font_size, uint32_t colour) {
        if (active()) recorder_.text(x, y, words, font_size, colour, [] { return back_surface_frame(); });
    }
    // After tick t (the run's last when `last`). False when the run should
    // stop: the hashes differ and no file is being written.
    bool tick_done(int64_t t, bool last, const HeadlessGame& game, std::ostream& out) {
        if (!active()) return true;
        recorder_.tick_done(t, game_state);
        if (!last && !state_recorder::due(t)) return true;
        return digest(t, game, out);
    }
    // The run ended after tick `done`: its last hash, and what the file has
    // beyond it.
    void finish(int64_t done, const HeadlessGame& game, std::ostream& out) {
        if (!active()) return;
        if (done > hashed_ && !(differ_ && !writer_)) digest(done, game, out);
        if (!differ_ && next_ < want_.size())
            report(out, want_[next_].tick,
                   check_path_ + " goes on to tick " + std::to_string(want_[next_].tick) + "; this run ended at tick " +
                       std::to_string(done));
        if (writer_ && !file_.flush()) throw std::runtime_error("cannot write the hash file " + path_);
    }
    bool differ() const { return differ_; }

private:
    bool digest(int64_t t, const HeadlessGame& game, std::ostream& out) {
        const state_digest d = recorder_.digest(t, game_state, game.LastFrame());
        if (writer_) writer_->write(d);
        const int64_t previous = hashed_;
        hashed_ = t;
        if (check_path_.empty() || differ_) return true;
        if (next_ >= want_.size()) {
            report(out, t, check_path_ + " ends before this tick");
        } else {
            const hash_entry& want = want_[next_++];
            if (want.tick != t)
                report(out, std::min(t, want.tick),
                       check_path_ + ":" + std::to_string(want.line) + " hashes tick " + std::to_string(want.tick) +
                           ", this run tick " + std::to_string(t));
            else if (std::string what = describe_difference(want, d, previous); !what.empty())
                report(out, t, what + " (" + check_path_ + ":" + std::to_string(want.line) + ")");
        }
        return !differ_ || writer_.has_value();
    }
    void report(std::ostream& out, int64_t t, const std::string& what) {
        out << "mismatch at tick " << t << ": " << what << "\n";
        differ_ = true;
    }

    std::string check_path_, path_;
    std::vector<hash_entry> want_;
    size_t next_ = 0;
    std::ofstream file_;
    std::optional<hash_file_writer> writer_;
    state_recorder recorder_;
    int64_t hashed_ = 0;  // the last tick hashed
    bool differ_ = false;
};

}  // namespace

options parse_options(const std::vector<std::string>& args) {
    options o;
    constexpr int64_t kMany = int64_t{1} << 40;
    flags()
        .text("--data", o.data)
        .count("--level", o.level, 1, kLevelCount)
        .count("--ticks", o.ticks, 0, kMany)
        .text("--script", o.script)
        .text("--frames", o.frames)
        .count("--every", o.every, 1, kMany)
        .text("--log", o.log)
        .toggle("--sound", o.sound)
        .text("--hashes", o.hashes)
        .text("--check", o.check)
        .parse(args);
    if (!o.ticks && o.script.empty()) throw std::invalid_argument("give --ticks or --script");
    return o;
}

void feed_tick(HeadlessGame& game, const script& s, int64_t t, script_input& input) {
    game.HoldOnly(s.keys_at(t), input.held);
    for (const script::mouse_event& m : s.mouse_at(t)) {
        if (m.click) {
            game.Click(input.mouse_x, input.mouse_y);
        } else {
            input.mouse_x = m.x;
            input.mouse_y = m.y;
            game.MouseMove(m.x, m.y);
        }
    }
}

int run(const options& o, std::ostream& out) {
    script events;
    if (!o.script.empty()) events = read_script_file(o.script);
    const int64_t ticks = o.ticks ? *o.ticks : events.last_tick();
    const std::string frames = absolute(o.frames);
    if (!frames.empty()) fs::create_directories(frames);
    std::ofstream log;
    if (!o.log.empty()) {
        log.open(absolute(o.log), std::ios::binary | std::ios::trunc);
        if (!log) throw std::runtime_error("cannot write the log " + o.log);
    }

    hash_keeper hashes(o);
    std::vector<int> started, stopped;
    set_wave_observer([&](int index, bool start) {
        (start ? started : stopped).push_back(index);
        hashes.wave(index, start);
    });
    set_text_observer([&](int x, int y, const std::string& words, int font_size, uint32_t colour) {
        hashes.text(x, y, words, font_size, colour);
    });
    struct observer_reset {
        ~observer_reset() {
            set_wave_observer(nullptr);
            set_text_observer(nullptr);
        }
    } reset_observer;

    if (o.sound) choose_audio();
    HeadlessGame game(data_folder_of(o), o.sound);
    size_t errors_printed = 0;
    auto print_errors = [&] {
        const std::vector<std::string>& errors = game.Errors();
        for (; errors_printed < errors.size(); ++errors_printed) out << "error: " << errors[errors_printed] << "\n";
        out.flush();
    };

    if (o.level) {
        // As a click on the start box with the slider standing at the level.
        game_state.intro_frames = kTitleTicks;
        game_state.slider_level = *o.level;
        game_state.slider_y = slider_row_of(*o.level);
        try {
            start_slider_level();
        } catch (const std::exception& e) {
            game.App().HandleException(e);
        }
    }
    print_errors();

    int64_t completed = 0, deaths = 0, done = 0;
    script_input input;
    int64_t last_frame = -1;
    // With sound the ticks keep the game's pace, 10 ms each, so what the
    // device plays lines up with the ticks; without it they run flat out.
    const auto paced_from = std::chrono::steady_clock::now();
    for (int64_t t = 1; t <= ticks && !game.Ended(); ++t) {
        if (o.sound) std::this_thread::sleep_until(paced_from + std::chrono::milliseconds(10 * (t - 1)));
        feed_tick(game, events, t, input);

        game.ProcessEvents();
        const char* mode = mode_name();
        const game_state_t before = game_state;
        game.Tick();
        done = t;

        if (level_completed(before, game_state)) ++completed;
        if (death_started(before, game_state)) ++deaths;

        print_errors();
        if (log.is_open()) {
            const game_state_t& g = game_state;
            log << "{\"tick\":" << t << ",\"mode\":\"" << mode << "\",\"level\":" << g.level
                << ",\"keys_taken\":" << g.keys_taken << ",\"player_x\":" << g.player_x
                << ",\"player_y\":" << g.player_y << ",\"on_ground\":" << json_bool(g.on_ground)
                << ",\"dying\":" << json_bool(g.dying) << ",\"death_frame\":" << g.death_frame
                << ",\"objects_moving\":" << json_bool(g.objects_moving) << ",\"waves_started\":" << json_list(started)
                << ",\"waves_stopped\":" << json_list(stopped) << "}\n";
        }
        started.clear();
        stopped.clear();
        if (!frames.empty() && o.every > 0 && t % o.every == 0) {
            write_png(game.LastFrame(), (fs::path(frames) / frame_file_name(t)).string());
            last_frame = t;
        }
        if (!hashes.tick_done(t, t == ticks || game.Ended(), game, out)) break;
    }
    hashes.finish(done, game, out);
    if (!frames.empty() && last_frame != done)
        write_png(game.LastFrame(), (fs::path(frames) / frame_file_name(done)).string());
    if (log.is_open() && !log.flush()) throw std::runtime_error("cannot write the log " + o.log);

    out << "ticks=" << done << " level=" << game_state.level << " completed=" << completed << " deaths=" << deaths
        << " keys=" << game_state.keys_taken << "\n";
    return hashes.differ() ? kHashesDiffer : 0;
}

}  // namespace klice::play
