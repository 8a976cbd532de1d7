// Manual check of the game's sound on Windows (not a test; run by
// scripts/sound-check-windows.sh): plays a session on the real klice.exe from
// a play-tester script, in real time, and measures what came out of the
// sound device in the capture of ALSA's file device.
//
//   klice_session [--headless] SCRIPT
//
// 1. The script runs once on the headless game, silently, to learn on which
//    ticks the game starts and stops which wave.
// 2. klice.exe runs the script in real time, its keys and mouse going
//    through the system's input (SendInput) as a player's do. Tick 1 is
//    when the window appears.
//    With --headless the game runs in this program instead, headless but on
//    the system's sound device at the game's pace, so that the input lands
//    on exactly the ticks the script names.
// 3. The capture is read back. The menu music's onset marks the title's
//    music tick; from it every tick has its time in the capture. For every
//    wave the game started, the wave's opening is looked for around its
//    tick (normalized correlation with the stored wave); for every stop of
//    the game music, the level before and after is measured.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <thread>
#include <vector>

#include "../capture.h"
#include "../klice_process.h"
#include "game/asset_calls.h"
#include "game/headless_game.h"
#include "game/screens.h"
#include "game/waves.h"
#include "platform/application.h"
#include "platform/resampler.h"
#include "platform/sound_device.h"
#include "tools/play/play_script.h"

namespace {

using namespace klice;
using Clock = std::chrono::steady_clock;

struct Cue {
    int64_t tick;
    int wave;
    bool started;
};

const char* const kWaveNames[] = {"key", "splash", "footstep", "jump", "block", "menu music", "game music"};

// The waves' starts and stops on the headless game, tick by tick: silently
// and flat out, or with the system's sound at the game's pace.
std::vector<Cue> RunHeadless(const play::script& script, bool with_sound) {
    std::vector<Cue> cues;
    int64_t tick = 0;
    set_wave_observer([&](int index, bool started) { cues.push_back({tick, index, started}); });
    {
        platform::ScopedAudioOutput output(with_sound ? platform::AudioOutput::System()
                                                      : platform::AudioOutput::None());
        HeadlessGame game(KLICE_BUILT_DATA_DIR, with_sound);
        std::set<int32_t> held;
        int x = 0, y = 0;
        const auto start = Clock::now();
        for (tick = 1; tick <= script.last_tick() + 100; ++tick) {
            if (with_sound) std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (tick - 1)));
            game.HoldOnly(script.keys_at(tick), held);
            for (const auto& e : script.mouse_at(tick)) {
                if (e.click) {
                    game.Click(x, y);
                } else {
                    x = e.x, y = e.y;
                    game.MouseMove(x, y);
                }
            }
            game.ProcessEvents();
            game.Tick();
        }
    }
    set_wave_observer(nullptr);
    return cues;
}

void Key(int32_t vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = WORD(vk);
    input.ki.wScan = WORD(::MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &input, sizeof input);
}

// Moves the system's pointer over frame pixel (x, y) of the window, through
// the letterbox the window shows the frame in.
void Pointer(HWND window, int x, int y) {
    RECT r{};
    ::GetClientRect(window, &r);
    const platform::LetterboxRect box = platform::SharpLetterbox(r.right, r.bottom, 1024, 768);
    POINT p{box.x + (x * box.width + box.width / 2) / 1024, box.y + (y * box.height + box.height / 2) / 768};
    ::ClientToScreen(window, &p);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = LONG(p.x * 65535.0 / (::GetSystemMetrics(SM_CXSCREEN) - 1) + 0.5);
    input.mi.dy = LONG(p.y * 65535.0 / (::GetSystemMetrics(SM_CYSCREEN) - 1) + 0.5);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof input);
}

void Button(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &input, sizeof input);
}

bool PlayOnKlice(const play::script& script) {
    testing::KliceProcess klice;
    HWND window = nullptr;
    for (int waited = 0; !window && waited < 20000 && klice.Running(); waited += 5) {
        ::Sleep(5);
        window = klice.MainWindow();
    }
    if (!window) {
        std::fprintf(stderr, "klice.exe shows no window\n");
        return false;
    }
    ::SetForegroundWindow(window);
    const auto start = Clock::now();
    std::set<int32_t> held;
    int x = 0, y = 0;
    for (int64_t tick = 1; tick <= script.last_tick() + 100 && klice.Running(); ++tick) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (tick - 1)));
        for (const auto& e : script.mouse_at(tick)) {
            if (!e.click) {
                x = e.x, y = e.y;
                Pointer(window, x, y);
                continue;
            }
            Button(true);
            Button(false);
            // Under wine on a screen without a window manager a click can
            // take the keyboard away from the window; it is given back.
            ::SetForegroundWindow(window);
        }
        const std::set<int32_t> now = script.keys_at(tick);
        for (int32_t vk : held)
            if (!now.count(vk)) Key(vk, false);
        for (int32_t vk : now)
            if (!held.count(vk)) Key(vk, true);
        held = now;
    }
    for (int32_t vk : held) Key(vk, false);
    const std::string box = klice.ErrorBoxText();
    if (!box.empty()) std::printf("error box: %s\n", box.c_str());
    return klice.Close() == 0;
}

// The stored waves' left channels at `rate`, in the list's order.
std::vector<std::vector<double>> StoredWaves(int rate) {
    std::ifstream in(KLICE_FORM_RESOURCE, std::ios::binary);
    const std::string form((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::vector<double>> waves;
    for (size_t at = form.find("RIFF"); at != std::string::npos; at = form.find("RIFF", at + 4)) {
        if (form.compare(at + 8, 4, "WAVE") != 0) continue;
        platform::WaveFormat format;
        size_t data = 0, size = 0;
        for (size_t chunk = at + 12; chunk + 8 <= form.size() && (!data || !format.block_align);) {
            uint32_t length = 0;
            std::memcpy(&length, form.data() + chunk + 4, 4);
            if (form.compare(chunk, 4, "fmt ") == 0)
                platform::WaveFormat::FromBytes(form.data() + chunk + 8, length, &format);
            if (form.compare(chunk, 4, "data") == 0) data = chunk + 8, size = length;
            chunk += 8 + length;
        }
        if (!data || !format.block_align || data + size > form.size()) continue;
        const auto stereo = platform::ResampleStereo(
            platform::DecodeToStereo(format, reinterpret_cast<const uint8_t*>(form.data() + data), size),
            format.samples_per_sec, uint32_t(rate));
        std::vector<double> left(stereo.size() / 2);
        for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
        waves.push_back(std::move(left));
    }
    return waves;
}

// The best normalized correlation of `piece` with the capture at offsets in
// [from, to), and where it is.
std::pair<double, long> BestMatch(const std::vector<double>& capture, long from, long to,
                                  const std::vector<double>& piece) {
    double best = 0;
    long where = from;
    double piece_energy = 0;
    for (double v : piece) piece_energy += v * v;
    for (long offset = std::max(0L, from); offset < to && offset + long(piece.size()) <= long(capture.size());
         ++offset) {
        double dot = 0, energy = 0;
        for (size_t i = 0; i < piece.size(); ++i) {
            dot += capture[size_t(offset) + i] * piece[i];
            energy += capture[size_t(offset) + i] * capture[size_t(offset) + i];
        }
        const double match = energy > 0 ? dot / std::sqrt(energy * piece_energy) : 0;
        if (match > best) best = match, where = offset;
    }
    return {best, where};
}

double Decibels(double rms) { return rms > 0 ? 20 * std::log10(rms) : -999; }

// Every second sample, averaged: scans of the whole capture at 22050 Hz,
// the rate of the effects.
std::vector<double> Half(const std::vector<double>& x) {
    std::vector<double> y(x.size() / 2);
    for (size_t i = 0; i < y.size(); ++i) y[i] = (x[2 * i] + x[2 * i + 1]) / 2;
    return y;
}

struct Hit {
    size_t at;     // sample of the scanned signal
    double match;  // normalized correlation
    double gain;   // the piece's level in the capture (least squares), 1 = as stored
};

// Where `piece` begins in `x`, wherever that is: the peaks of the normalized
// correlation above `floor`, a piece's length apart at least. Tells what
// was heard without knowing on which tick the game played it.
std::vector<Hit> FindPiece(const std::vector<double>& x, const std::vector<double>& piece, double floor) {
    std::vector<Hit> hits;
    const size_t n = piece.size();
    if (n == 0 || x.size() < n) return hits;
    double piece_energy = 0;
    for (double v : piece) piece_energy += v * v;
    std::vector<double> squares(x.size() + 1, 0.0);
    for (size_t i = 0; i < x.size(); ++i) squares[i + 1] = squares[i] + x[i] * x[i];
    for (size_t offset = 0; offset + n <= x.size(); ++offset) {
        const double energy = squares[offset + n] - squares[offset];
        if (energy <= 1e-12) continue;
        double dot = 0;
        for (size_t i = 0; i < n; ++i) dot += x[offset + i] * piece[i];
        const double match = dot / std::sqrt(energy * piece_energy);
        if (match < floor) continue;
        if (!hits.empty() && offset - hits.back().at < n) {
            if (match > hits.back().match) hits.back() = {offset, match, dot / piece_energy};
            continue;
        }
        hits.push_back({offset, match, dot / piece_energy});
    }
    return hits;
}

// What the capture holds in play, found anywhere in it: each effect's
// openings with their level, and the game music's level 100 ms at a time
// at the place the tune should have reached since its latest start (so
// that the music is told apart from the effects over it).
void ReportWhatWasHeard(const testing::Capture& capture, const std::vector<std::vector<double>>& waves,
                        const std::vector<Cue>& cues) {
    const std::vector<double> x = Half(capture.left);
    const double rate = capture.rate / 2.0;
    // The tune's starts: its first second, found (its opening alone recurs
    // in it). Play begins with the first.
    const std::vector<double> music = Half(waves[kWaveGameMusic]);
    const std::vector<double> tune_opening(music.begin(), music.begin() + std::min(music.size(), size_t(rate)));
    std::vector<Hit> starts = FindPiece(x, tune_opening, 0.6);
    // Figures of the tune recur within its first second: each start is
    // placed by its first four seconds instead, close to where it was found.
    const std::vector<double> tune_start(music.begin(), music.begin() + std::min(music.size(), size_t(4 * rate)));
    for (Hit& start : starts) {
        const size_t from = start.at > size_t(rate / 4) ? start.at - size_t(rate / 4) : 0;
        const size_t to = std::min(x.size(), start.at + size_t(rate / 4) + tune_start.size());
        const std::vector<double> around(x.begin() + long(from), x.begin() + long(to));
        const std::vector<Hit> placed = FindPiece(around, tune_start, 0.0);
        const auto best = std::max_element(placed.begin(), placed.end(),
                                           [](const Hit& a, const Hit& b) { return a.match < b.match; });
        if (best != placed.end()) start = {from + best->at, best->match, best->gain};
    }
    if (starts.empty()) {
        std::printf("\nthe game music is not found in the capture\n");
        return;
    }
    const std::vector<double> in_play(x.begin() + long(starts.front().at), x.end());
    const double play_from = double(starts.front().at) / rate;
    // The volumes the game sets at start-up, in hundredths of a decibel.
    const int volumes[] = {-2000, -2000, -1000, -2000, -2000};
    std::printf("\nfound anywhere in play (from %.2f s; each wave's first 100 ms at 22050 Hz, correlation 0.8):\n",
                play_from);
    for (int wave = 0; wave < 5; ++wave) {
        // Its opening: the block's sound stops as soon as the player leaves
        // the block, so that a few ticks of it may be all there is.
        std::vector<double> piece = Half(waves[size_t(wave)]);
        piece.resize(std::min(piece.size(), size_t(rate / 10)));
        const std::vector<Hit> hits = FindPiece(in_play, piece, 0.8);
        int played = 0;
        for (const Cue& cue : cues) played += cue.started && cue.wave == wave;
        std::printf("  %-9s played %2d times, heard %2d times (%+.0f dB expected):", kWaveNames[wave], played,
                    int(hits.size()), volumes[wave] / 100.0);
        for (const Hit& hit : hits)
            std::printf(" %.2fs %.1fdB", play_from + double(hit.at) / rate, Decibels(std::abs(hit.gain)));
        std::printf("\n");
    }
    // The tune's level 100 ms at a time at the place it should have
    // reached. A start found while the tune still sounds at its place is a
    // figure recurring in it, not a restart.
    const size_t step = size_t(rate / 10);
    std::vector<double> levels;
    std::vector<size_t> restarts{starts.front().at};
    size_t start = starts.front().at, next = 1;
    for (size_t at = start; at + step <= x.size(); at += step) {
        for (; next < starts.size() && starts[next].at <= at; ++next)
            if (!levels.empty() && levels.back() < -20) restarts.push_back(start = starts[next].at);
        double dot = 0, energy = 0;
        for (size_t i = 0; i < step; ++i) {
            const double m = music[(at - start + i) % music.size()];
            dot += x[at + i] * m;
            energy += m * m;
        }
        levels.push_back(std::max(energy > 0 ? Decibels(std::abs(dot / energy)) : -99.0, -99.0));
    }
    std::printf("  game music started at");
    for (size_t at : restarts) std::printf(" %.2fs", double(at) / rate);
    std::printf("; the tune's level 100 ms at a time from %.2f s (dB):\n   ", play_from);
    for (double level : levels) std::printf(" %.0f", level);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    const bool headless = argc == 3 && std::strcmp(argv[1], "--headless") == 0;
    if (argc != 2 && !headless) {
        std::fprintf(stderr, "usage: klice_session [--headless] SCRIPT\n");
        return 2;
    }
    const play::script script = play::read_script_file(argv[argc - 1]);
    std::vector<Cue> cues;
    testing::ForgetCapture();
    if (headless) {
        // The same game on the same sound device, tick-exact: the script's
        // input cannot land on other ticks than the ones it names.
        cues = RunHeadless(script, true);
        std::printf("the headless game played with sound, starting or stopping waves %zu times\n", cues.size());
    } else {
        cues = RunHeadless(script, false);
        std::printf("the headless game starts or stops waves %zu times in %lld ticks\n", cues.size(),
                    static_cast<long long>(script.last_tick() + 100));
        testing::ForgetCapture();
        if (!PlayOnKlice(script)) return 1;
    }
    const testing::Capture capture = testing::ReadCapture();
    if (capture.rate <= 0) return 1;
    const auto stretches = testing::SoundingStretches(capture, 0.0);
    if (stretches.empty()) {
        std::printf("the capture of %.2f s is silent\n", capture.Seconds(capture.left.size()));
        return 1;
    }
    const double onset = capture.Seconds(stretches.front().begin);
    std::printf("capture: %.2f s at %d Hz, digital silence until %.3f s (the title's tick %d)\n",
                capture.Seconds(capture.left.size()), capture.rate, onset, kTitleMusicAt);
    const auto waves = StoredWaves(capture.rate);
    if (waves.size() != 7) {
        std::printf("%zu stored waves found, 7 expected\n", waves.size());
        return 1;
    }
    auto opening = [&](int wave) {
        std::vector<double> piece = waves[size_t(wave)];
        piece.resize(std::min(piece.size(), size_t(capture.rate / 10)));  // its first 100 ms
        return piece;
    };

    // The title's ticks count from the menu music's onset. The session's
    // clock and the game's differ by the game's start-up, so play counts
    // from the game music's onset after the click, found near its tick.
    std::function<double(int64_t)> time_of = [&](int64_t tick) { return onset + double(tick - kTitleMusicAt) * 0.01; };
    int64_t play_from = 0;
    double play_onset = 0;
    for (const Cue& cue : cues) {
        if (!cue.started || cue.wave != kWaveGameMusic) continue;
        const long expected = long(time_of(cue.tick) * capture.rate);
        const auto [match, at] =
            BestMatch(capture.left, expected - 2 * capture.rate, expected + capture.rate / 2, opening(cue.wave));
        play_from = cue.tick;
        play_onset = capture.Seconds(size_t(at));
        std::printf("game music from %.3f s (match %.3f): the game's tick %lld, %.0f ms from the session's\n",
                    play_onset, match, static_cast<long long>(cue.tick), 1000 * (play_onset - time_of(cue.tick)));
        break;
    }
    if (play_from) {
        time_of = [&](int64_t tick) {
            return tick < play_from ? onset + double(tick - kTitleMusicAt) * 0.01
                                    : play_onset + double(tick - play_from) * 0.01;
        };
    }
    std::printf("%6s  %-10s  %8s  %8s  %6s  %s\n", "tick", "wave", "expected", "found", "match", "level");
    const long search = long(0.06 * capture.rate);
    for (const Cue& cue : cues) {
        const long expected = long(time_of(cue.tick) * capture.rate);
        if (cue.started) {
            const std::vector<double> piece = opening(cue.wave);
            const auto [match, at] = BestMatch(capture.left, expected - search, expected + search, piece);
            const double level = Decibels(testing::Rms(capture.left, size_t(at), size_t(at) + piece.size()));
            std::printf("%6lld  %-10s  %7.3fs  %+6.0fms  %6.3f  %.1f dBFS\n", static_cast<long long>(cue.tick),
                        kWaveNames[cue.wave], time_of(cue.tick), 1000.0 * double(at - expected) / capture.rate, match,
                        level);
        } else if (cue.wave == kWaveGameMusic || cue.wave == kWaveMenuMusic) {
            // A stopped tune: the level in the 300 ms before and after.
            const size_t at = size_t(std::max(0L, expected)), span = size_t(0.3 * capture.rate);
            if (at < span || at + span > capture.left.size()) continue;
            std::printf("%6lld  %-10s  %7.3fs  stopped: %.1f dBFS before, %.1f dBFS after\n",
                        static_cast<long long>(cue.tick), kWaveNames[cue.wave], time_of(cue.tick),
                        Decibels(testing::Rms(capture.left, at - span, at)),
                        Decibels(testing::Rms(capture.left, at + span / 3, at + span)));
        }
    }
    ReportWhatWasHeard(capture, waves, cues);
    return 0;
}
