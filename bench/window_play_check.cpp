// The real game in its real window, timed: the title, the menu's start box,
// then SECONDS (default 60) of play on level 1. Reports the ticks a second,
// how late each tick started against a steady 10 ms schedule, the share of
// one core the whole process used during play, how many frames a second
// went to the screen, and what a play tick costs against a memcpy of one
// 1024 x 768 x 16 frame timed right after it (the medians of both, as
// game_frame_bench sets them; here in wall time, which a Windows program
// under wine can read where its thread's processor time it cannot). Run it
// on a screen or under a virtual X server (scripts/window-check.sh does
// that on Linux; on Windows the game's display is DirectDraw):
//   window_play_check [SECONDS [SHOT.png]]
//   window_play_check --title
// With SHOT.png the window's picture at the end is written there. Both
// report how long after the process was created the first title frame was
// shown, and the most memory the process held; with --title it ends there. With
// KLICE_X_SERVER_PID in the environment, the share of a core that process
// (the X server) used during play is reported too: it does the drawing the
// window hands it.
// Exits 1 when play missed 100 ticks a second, a tick started more than 5 ms
// late, or the process used 25 % of a core or more.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "data/forms.h"
#include "game/game_state.h"
#include "game/hlavni.h"
#include "game/program.h"
#include "game/screens.h"
#include "platform/application.h"
#include "platform/process_clock.h"
#include "tools/play/png_frame.h"

using namespace klice;
using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() { return platform::ProcessCpuSeconds(); }

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// User and system time of another process, from /proc; negative when unknown.
double CpuSecondsOf(const char* pid) {
    if (!pid || !*pid) return -1;
    std::ifstream in(std::string("/proc/") + pid + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t name_end = stat.rfind(')');  // the command name may hold spaces
    if (name_end == std::string::npos) return -1;
    std::istringstream fields(stat.substr(name_end + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {  // fields 14 and 15, counted from 1
        if (i == 14) utime = std::atof(field.c_str());
        if (i == 15) stime = std::atof(field.c_str());
    }
    return (utime + stime) / 100.0;  // Linux counts them in ticks of 1/100 s (USER_HZ)
}

}  // namespace

// The start-up and the memory, as the report's first line.
void ReportStartUp(double first_frame_seconds) {
    std::printf("start-up: first title frame %.1f ms after the process started; peak resident memory %.1f MiB\n",
                first_frame_seconds * 1e3, platform::PeakResidentMiB());
    std::fflush(stdout);
}

int main(int argc, char** argv) {
    const bool title_only = argc > 1 && std::strcmp(argv[1], "--title") == 0;
    const double seconds = argc > 1 && !title_only ? std::atof(argv[1]) : 60.0;
    if (const char* data = std::getenv("KLICE_DATA")) {
        std::error_code error;
        std::filesystem::current_path(data, error);
        if (error) return std::fprintf(stderr, "%s: %s\n", data, error.message().c_str()), 2;
    }
    platform::Application app(platform::ApplicationMode::Windowed);
    if (!open_main_window(app)) return 2;

    // Every tick of the game's timer, timed from outside the game.
    TNotifyEvent& on_timer = form1->Timer1->OnTimer;
    TNotifyEvent game_tick = on_timer;
    bool playing = false;
    Clock::time_point play_start;
    double cpu_start = 0, server_start = 0;
    uint64_t frames_start = 0;
    const char* server_pid = std::getenv("KLICE_X_SERVER_PID");
    std::vector<double> late_ms;  // per play tick, against start + 10 ms * n
    // Per play tick: the tick, and a frame copy right after it, in ms.
    std::vector<double> tick_ms, copy_ms;
    std::vector<uint8_t> copy_from(1024 * 768 * 2, 0x5A), copy_to(copy_from.size());
    double first_frame = -1;  // seconds after the process started
    on_timer.Bind([&](TObject* sender) {
        const Clock::time_point now = Clock::now();
        if (!playing && current_screen() == screen::play) {
            playing = true;
            play_start = now;
            cpu_start = CpuSeconds();
            server_start = CpuSecondsOf(server_pid);
            frames_start = app.DisplayedFrames();
        }
        if (playing) {
            const double due = double(late_ms.size()) * 10.0;
            late_ms.push_back(std::chrono::duration<double, std::milli>(now - play_start).count() - due);
            if (late_ms.size() > size_t(seconds * 100)) {
                app.Terminate();
                return;
            }
        }
        game_tick(sender);
        if (first_frame < 0 && app.PresentCount() > 0) {
            first_frame = platform::ProcessAgeSeconds();
            if (title_only) {
                app.Terminate();
                return;
            }
        }
        if (playing) {
            const Clock::time_point ticked = Clock::now();
            std::memcpy(copy_to.data(), copy_from.data(), copy_from.size());
            const Clock::time_point copied = Clock::now();
            tick_ms.push_back(std::chrono::duration<double, std::milli>(ticked - now).count());
            copy_ms.push_back(std::chrono::duration<double, std::milli>(copied - ticked).count());
            copy_from[tick_ms.size() % copy_from.size()] ^= copy_to[0];  // the copy is used
        }
        // Through the title into the menu, then a click on the start box.
        if (!playing && current_screen() == screen::menu) {
            const int x = kStartBox.centre_x(), y = kStartBox.centre_y();
            app.PostMouseMove(x, y);
            app.PostMouseDown(x, y);
            app.PostMouseUp(x, y);
        }
    });
    app.Run();
    if (first_frame >= 0) ReportStartUp(first_frame);
    if (title_only) {
        delete form1;
        form1 = nullptr;
        return first_frame >= 0 ? 0 : 2;
    }
    if (!playing) {
        std::printf("play never started\n");
        return 2;
    }
    const double wall = std::chrono::duration<double>(Clock::now() - play_start).count();
    const double cpu = CpuSeconds() - cpu_start;
    const double server_end = CpuSecondsOf(server_pid);
    const double frames = double(app.DisplayedFrames() - frames_start) / wall;
    const size_t ticks = late_ms.size() - 1;  // the last one only stopped the run
    const double worst = *std::max_element(late_ms.begin(), late_ms.end());
    const auto over = std::count_if(late_ms.begin(), late_ms.end(), [](double l) { return l > 5.0; });
    const double rate = double(ticks) / wall, core = 100.0 * cpu / wall;
    std::printf(
        "play: %zu ticks in %.2f s = %.2f ticks/s; latest tick %.2f ms behind schedule, %ld over 5 ms; "
        "%lld ticks given up after stalls; %.1f %% of one core; %.1f frames shown a second",
        ticks, wall, rate, worst, long(over), static_cast<long long>(app.DroppedTicks()), core, frames);
    if (server_start >= 0 && server_end >= 0)
        std::printf("; X server %.1f %% of one core", 100.0 * (server_end - server_start) / wall);
    std::printf("\n");
    const double tick_median = Median(tick_ms), copy_median = Median(copy_ms);
    std::printf("play tick: median %.3f ms; frame memcpy: median %.3f ms; x_memcpy %.1f\n", tick_median, copy_median,
                copy_median > 0 ? tick_median / copy_median : 0.0);
    if (argc > 2) {
        std::vector<uint32_t> pixels;
        platform::Frame shot;
        if (app.ReadWindowPixels(&pixels, &shot.width, &shot.height)) {
            shot.pitch = shot.width * 4;
            shot.format = {32, 0xFF0000, 0x00FF00, 0x0000FF};
            shot.pixels.resize(pixels.size() * 4);
            std::memcpy(shot.pixels.data(), pixels.data(), shot.pixels.size());
            play::write_png(shot, argv[2]);
        }
    }
    delete form1;
    form1 = nullptr;
    return rate >= 99.5 && over == 0 && core < 25.0 ? 0 : 1;
}
