// The whole game, headless, on the real data: one tick of the title, of the
// menu and of play, each timed in thread CPU time and set against a memcpy
// of one 1024 x 768 x 16 frame timed in the same iterations. The counter
// "x_memcpy" is the median tick over the median copy: the copy is the least
// any frame can cost, so this is the figure to watch on a loaded machine.
// Also: the start of the program up to its first presented title frame, run
// as a child process (wall and CPU time, peak resident memory), also with
// each hostile picture file of the fuzz corpora in the data, and the peak
// memory of a session with sound (title, music, menu, level 1) in a child;
// the picture name lookup and the player's colour probes.
//
// The data folder is KLICE_DATA, or the build's game-data folder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "data/picture_collection.h"
#include "display/image_list.h"
#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/hlavni.h"
#include "game/level_file.h"
#include "game/pictures.h"
#include "game/play_steps.h"
#include "game/screens.h"
#include "input/game_keys.h"
#include "platform/sound_device.h"

extern char** environ;

namespace {

using klice::game_state;
using klice::HeadlessGame;

constexpr size_t kFrameBytes = 1024 * 768 * 2;  // 1,572,864

// The data folder: KLICE_DATA when the user names one, else the build's.
// Taken once, before the game changes the working directory.
const std::string& DataFolder() {
    static const std::string folder = [] {
        const char* env = std::getenv("KLICE_DATA");
        return std::filesystem::absolute(env != nullptr && *env != '\0' ? env : KLICE_BENCH_DATA_DIR).string();
    }();
    return folder;
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// One game for the whole run (the game's globals allow only one).
HeadlessGame& Game() {
    static std::unique_ptr<HeadlessGame> game = std::make_unique<HeadlessGame>(DataFolder());
    return *game;
}

// The copy a frame is measured against, with buffers that stay allocated.
struct FrameCopy {
    std::vector<uint8_t> from = std::vector<uint8_t>(kFrameBytes, 0x5A);
    std::vector<uint8_t> to = std::vector<uint8_t>(kFrameBytes, 0);
    double Timed() {
        const double t0 = ThreadSeconds();
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::ClobberMemory();
        return ThreadSeconds() - t0;
    }
};

// Runs `prepare` then one tick per iteration; the tick's thread CPU time is
// the iteration time. Each iteration also times one frame copy.
template <class Prepare>
void TimeTicks(benchmark::State& state, Prepare prepare) {
    HeadlessGame& game = Game();
    FrameCopy copy;
    std::vector<double> ticks, copies;
    const uint64_t presents_before = game.PresentCount();
    for (auto _ : state) {
        prepare();
        const double t0 = ThreadSeconds();
        game.Tick();
        const double tick = ThreadSeconds() - t0;
        state.SetIterationTime(tick);
        ticks.push_back(tick);
        copies.push_back(copy.Timed());
    }
    if (!game.Errors().empty()) state.SkipWithError(("the game reported: " + game.Errors().back()).c_str());
    if (game.PresentCount() - presents_before != uint64_t(state.iterations()))
        state.SkipWithError("not every tick presented a frame");
    const double tick = Median(ticks), memcpy_time = Median(copies);
    state.counters["median_ms"] = tick * 1e3;
    state.counters["memcpy_ms"] = memcpy_time * 1e3;
    state.counters["x_memcpy"] = memcpy_time > 0 ? tick / memcpy_time : 0;
}

void BM_Memcpy(benchmark::State& state) {
    FrameCopy copy;
    for (auto _ : state) state.SetIterationTime(copy.Timed());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}
BENCHMARK(BM_Memcpy)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The title with its text shown (after tick 200, before the music at 450).
void BM_TitleFrame(benchmark::State& state) {
    Game();
    TimeTicks(state, [] {
        game_state.intro_frames = 300;
        game_state.in_menu = true;
    });
}
BENCHMARK(BM_TitleFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The menu with the slider on its way down and the number beside it.
void BM_MenuFrame(benchmark::State& state) {
    Game();
    TimeTicks(state, [] {
        game_state.intro_frames = klice::kTitleTicks;
        game_state.in_menu = true;
        game_state.slider_moving = true;
        game_state.slider_up = false;
        game_state.slider_y = 290;
        game_state.slider_steps = 0;
        game_state.slider_level = 12;
    });
}
BENCHMARK(BM_MenuFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);

int ObjectsOf(const klice::level_record& r) {
    int keys = 0;
    for (int i = 0; i < klice::kKeyCount; ++i) keys += r.objects[klice::kKeySlot + i].active != 0;
    return keys + r.block_count + r.al_count + r.leb_count + r.zuby_count;
}

// The level with the most keys, blocks and hazards.
int BusiestLevel() {
    const std::string folder = DataFolder();
    int best = 1, most = -1;
    for (int level = 1; level <= klice::kLevelCount; ++level) {
        const int n = ObjectsOf(klice::read_level_file(folder + "/" + klice::level_file_of(level)));
        if (n > most) most = n, best = level;
    }
    return best;
}

// Starts `level` as the menu's start box does and lets its objects start
// moving; the player stands still, so play goes on (hazards may kill him,
// which reloads the level, still in play).
void StartLevel(int level) {
    Game();
    game_state.intro_frames = klice::kTitleTicks;
    game_state.in_menu = true;
    game_state.slider_level = level;
    klice::start_slider_level();
    Game().Tick(300);
}

void PlayFrame(benchmark::State& state, int level) {
    StartLevel(level);
    TimeTicks(state, [] {});
    if (game_state.in_menu) state.SkipWithError("play left for the menu");
    state.counters["level"] = level;
    state.counters["objects"] = ObjectsOf(game_state.record);
}

void BM_PlayFrameLevel1(benchmark::State& state) { PlayFrame(state, 1); }
BENCHMARK(BM_PlayFrameLevel1)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_PlayFrameBusiestLevel(benchmark::State& state) {
    static const int level = BusiestLevel();
    PlayFrame(state, level);
}
BENCHMARK(BM_PlayFrameBusiestLevel)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_FindPicture(benchmark::State& state) {
    klice::TPictureCollection* items = Game().Form().panak->Items();
    const std::vector<std::string> names = {klice::pictures::kKey, klice::pictures::kTitle,
                                            klice::pictures::kSliderKnob, klice::pictures::kUpLit};
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(items->Find(names[next]));
        next = (next + 1) % names.size();
    }
}
BENCHMARK(BM_FindPicture);

// The seven probes read the back surface around the player.
void BM_ProbePixels(benchmark::State& state) {
    StartLevel(1);
    const klice::game_state_t saved = game_state;
    for (auto _ : state) {
        klice::probe_pixels();
        benchmark::DoNotOptimize(game_state.feet_colour);
        game_state.player_x = saved.player_x;
        game_state.player_y = saved.player_y;
    }
}
BENCHMARK(BM_ProbePixels);

// --- start-up and a session, in child processes -------------------------

constexpr const char* kStartupChild = "--startup-child";
constexpr const char* kDamagedStartupChild = "--damaged-startup-child";
constexpr const char* kSessionChild = "--session-child";

// What a child reports: presents, CPU seconds and peak memory in KiB. It
// fails unless the game reported damage exactly when it was `damaged`.
void ReportAndExit(const HeadlessGame& game, bool damaged = false) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    std::printf("%llu %.6f %ld\n", (unsigned long long)game.PresentCount(), cpu, usage.ru_maxrss);
    std::fflush(stdout);
    std::_Exit(game.Errors().empty() != damaged ? 0 : 3);
}

// The child: the game with a sound device that mixes and throws the output
// away, up to the first presented frame.
int StartupChild(const std::string& data, bool damaged) {
    klice::platform::SetAudioOutput(klice::platform::AudioOutput::Discard());
    HeadlessGame game(data, true);
    game.Tick();
    ReportAndExit(game, damaged);
    return 0;
}

// The child: the same game through the title (its music starts near the
// end), the menu's start box and 300 ticks of level 1, the player walking
// and jumping, mixing all the while.
int SessionChild(const std::string& data) {
    klice::platform::SetAudioOutput(klice::platform::AudioOutput::Discard());
    HeadlessGame game(data, true);
    game.Tick(klice::kTitleTicks + 10);
    game.MouseMove(klice::kStartBox.centre_x(), klice::kStartBox.centre_y());
    game.Click(klice::kStartBox.centre_x(), klice::kStartBox.centre_y());
    game.HoldKey(klice::game_keys::Right, true);
    for (int t = 0; t < 300; t += 30) {
        game.HoldKey(klice::game_keys::Up, t % 60 == 0);
        game.Tick(30);
    }
    if (klice::current_screen() != klice::screen::play) std::_Exit(4);
    ReportAndExit(game);
    return 0;
}

struct ChildRun {
    double wall = 0, cpu = 0, peak_mib = 0;
    unsigned long long presents = 0;
};

// Runs this program as `flag` on a data folder; the wall time is from the
// start until the child's report arrives. An empty error means it ran.
std::string RunChild(const char* flag, ChildRun* run, const std::string& data = DataFolder()) {
    int out[2];
    if (pipe(out) != 0) return "no pipe";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char self[] = "/proc/self/exe";
    std::string flag_text = flag, data_text = data;
    char* argv[] = {self, flag_text.data(), data_text.data(), nullptr};
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return "cannot start the child";
    }
    std::string line;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
        line.append(buffer, size_t(n));
        if (line.find('\n') != std::string::npos) break;
    }
    run->wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long maxrss_kib = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(line.c_str(), "%llu %lf %ld", &run->presents, &run->cpu, &maxrss_kib) != 3)
        return "the child failed: " + line;
    run->peak_mib = double(maxrss_kib) / 1024.0;
    return {};
}

// Start-up in a child on `data`; `flag` says whether the game is to report
// damage there.
void StartUp(benchmark::State& state, const char* flag, const std::string& data) {
    std::vector<double> walls, cpus, rss;
    for (auto _ : state) {
        ChildRun run;
        const std::string error = RunChild(flag, &run, data);
        if (!error.empty() || run.presents != 1)
            return state.SkipWithError(error.empty() ? "no title frame" : error.c_str());
        state.SetIterationTime(run.wall);
        walls.push_back(run.wall);
        cpus.push_back(run.cpu);
        rss.push_back(run.peak_mib);
    }
    state.counters["median_wall_ms"] = Median(walls) * 1e3;
    state.counters["median_cpu_ms"] = Median(cpus) * 1e3;
    state.counters["peak_rss_MiB"] = *std::max_element(rss.begin(), rss.end());
}

void BM_StartUpToFirstTitleFrame(benchmark::State& state) { StartUp(state, kStartupChild, DataFolder()); }
BENCHMARK(BM_StartUpToFirstTitleFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

// The same with one hostile file of the fuzz corpora in place of a picture
// file: the game refuses it within its data budget, so start-up should cost
// what it costs on the good data (tests/faults/hostile_data_test.cpp holds
// the memory to it).
struct HostileFile {
    const char* name;
    const char* input;
    const char* replaces;
};
constexpr HostileFile kHostileFiles[] = {
    {"RunLengthBomb", "picture_collection/rle-bomb-b1ab6a56", "ruzne.dat"},
    {"UncompressedHeader", "picture_collection/hostile-uncompressed-header", "ruzne.dat"},
    {"Jpeg65000", "picture_collection/hostile-jpeg-65000", "ruzne.dat"},
    {"Jpeg18000", "picture_collection/hostile-jpeg-18000", "ruzne.dat"},
    {"ManyPictures", "picture_collection/hostile-many-pictures", "ruzne.dat"},
    {"ComponentStream", "component_stream/hostile-lengths", "ruzne.dat"},
};

// A folder of links to the data, with `input` as `replaces`.
std::string HostileFolder(const HostileFile& file) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("klice_bench_" + std::to_string(getpid()) + "_" + file.name);
    fs::create_directories(folder);
    for (const fs::directory_entry& e : fs::directory_iterator(DataFolder())) {
        const fs::path link = folder / e.path().filename();
        if (e.path().filename() != file.replaces && !fs::exists(link)) fs::create_symlink(e.path(), link);
    }
    fs::copy_file(fs::path(KLICE_BENCH_CORPUS_DIR) / file.input, folder / file.replaces,
                  fs::copy_options::overwrite_existing);
    return folder.string();
}

void RegisterHostileStartUps() {
    for (const HostileFile& file : kHostileFiles)
        benchmark::RegisterBenchmark((std::string("BM_StartUpWithHostileFile/") + file.name).c_str(),
                                     [file](benchmark::State& state) {
                                         const std::string folder = HostileFolder(file);
                                         StartUp(state, kDamagedStartupChild, folder);
                                         std::filesystem::remove_all(folder);
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(7);
}

// The most memory a session with sound holds, headless: the largest of the
// runs' peaks.
void BM_SessionWithSoundPeakMemory(benchmark::State& state) {
    std::vector<double> rss;
    for (auto _ : state) {
        ChildRun run;
        const std::string error = RunChild(kSessionChild, &run);
        if (!error.empty()) return state.SkipWithError(error.c_str());
        state.SetIterationTime(run.wall);
        rss.push_back(run.peak_mib);
    }
    state.counters["peak_rss_MiB"] = *std::max_element(rss.begin(), rss.end());
}
BENCHMARK(BM_SessionWithSoundPeakMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], kStartupChild) == 0) return StartupChild(argv[2], false);
    if (argc > 2 && std::strcmp(argv[1], kDamagedStartupChild) == 0) return StartupChild(argv[2], true);
    if (argc > 2 && std::strcmp(argv[1], kSessionChild) == 0) return SessionChild(argv[2]);
    RegisterHostileStartUps();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
