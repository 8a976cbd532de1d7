// The browser's program. Its window resource comes without the long tunes'
// samples (klice-web-form cut them out, so the page downloads 3.5 MB less):
// the window is read with the tunes silent, and once the title shows they
// are synthesized from their recipes a slice between frames, checked against
// the build's own and put into the window's wave list, well before the title
// starts the menu music. The level backgrounds (krajina.dat, 12 of the 18 MB
// the page starts with) are left out of the page's package too and fetched
// once the title shows; a level started before they arrive waits for them.
// The build picks this file as the program's main for the web
// (game/CMakeLists.txt).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "game/asset_calls.h"
#include "game/game_state.h"
#include "game/hlavni.h"
#include "game/program.h"
#include "game/screens.h"
#include "game/synthesized_waves.h"
#include "game/waves.h"
#include "klice/version.h"
#include "platform/application.h"
#include "platform/exception.h"
#include "platform/late_files.h"
#include "platform/resources.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where the page's file system has them (cmake/web.cmake).
constexpr const char* kFormResource = "/resources/TFORM1";
constexpr const char* kSynthesizedList = "/resources/TFORM1.waves";
constexpr const char* kRecipes = "/sounds";
// Beside the page on its site (scripts/build-web.sh), and where the game
// reads it (the working folder).
constexpr const char* kBackgroundsUrl = "krajina.dat";
constexpr const char* kBackgroundsFile = "/krajina.dat";

// The window's waves that the recipes make.
struct Tune {
    std::string_view recipe;
    int wave;
};
constexpr Tune kTunes[] = {{"hudba_menu", klice::kWaveMenuMusic}, {"hudba_hra", klice::kWaveGameMusic}};

// Synthesis a frame: at 60 frames a second this leaves the title's ticks
// most of each frame, and both tunes are done in about two seconds here.
constexpr auto kSlice = std::chrono::milliseconds(8);
// Whatever is left this long before the menu music is due is synthesized at
// once (a slow machine then holds the title still for a moment instead of
// starting the music late).
constexpr int kTicksBeforeMusic = 100;

std::unique_ptr<klice::WaveSynthesizer> g_synthesizer;
Clock::time_point g_started;
bool g_backgrounds_asked = false;

// A file's bytes, in one read (a byte at a time, the 9 MB resource took
// seconds) into memory left as it is: the browser's build inlines nothing,
// and a vector of the size would first be zeroed a byte at a time.
struct file_bytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
    std::span<const uint8_t> view() const { return {data.get(), size}; }
};

file_bytes read_file(const char* path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw klice::ESynthesizedWaveError(std::string("the page has no ") + path);
    file_bytes bytes;
    bytes.size = static_cast<size_t>(in.tellg());
    bytes.data.reset(new uint8_t[bytes.size]);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data.get()), static_cast<std::streamsize>(bytes.size));
    if (!in) throw klice::ESynthesizedWaveError(std::string("the page cannot read ") + path);
    return bytes;
}

// A synthesized tune into the window's wave list, which makes its sound
// buffer from it again.
void take_tune(const klice::SynthesizedWave& wave, std::vector<uint8_t> samples) {
    const auto tune =
        std::find_if(std::begin(kTunes), std::end(kTunes), [&](const Tune& t) { return t.recipe == wave.name; });
    if (tune == std::end(kTunes)) throw klice::ESynthesizedWaveError(wave.name + ": no wave of the window takes it");
    klice::TWaveCollectionItem* item = klice::form1->WaveList->Items()->Items(tune->wave);
    klice::TWave* target = item->Wave();
    if (target->Size() != samples.size())
        throw klice::ESynthesizedWaveError(wave.name + ": the window's wave has " + std::to_string(target->Size()) +
                                           " bytes, the recipe " + std::to_string(samples.size()));
    std::copy(samples.begin(), samples.end(), target->Data());
    item->Restore();
}

// A slice of the tunes' synthesis; false once they are done or have failed.
bool synthesize_tunes() {
    klice::platform::Application& app = *klice::platform::Application::Current();
    if (g_started == Clock::time_point{}) g_started = Clock::now();
    const bool music_near = klice::game_state.intro_frames >= klice::kTitleMusicAt - kTicksBeforeMusic;
    const auto until = Clock::now() + kSlice;
    try {
        while (!g_synthesizer->Synthesize(music_near ? SIZE_MAX : 1, take_tune))
            if (Clock::now() >= until) return true;
    } catch (const std::exception& e) {
        // A tune that would sound different stops the game, as a window
        // that cannot be read does.
        app.HandleException(e);
        app.Terminate();
        return false;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_started).count();
    std::printf("klice: the tunes synthesized %lld ms after the first frame\n", static_cast<long long>(ms));
    return false;
}

// The level backgrounds have come (or not): read into their list between
// two frames of the title or the menu, or of a level that waits for them.
void take_backgrounds(const std::string& error) {
    klice::platform::Application& app = *klice::platform::Application::Current();
    try {
        if (!error.empty()) throw klice::Exception("Cannot fetch " + std::string(kBackgroundsUrl) + ": " + error);
        const auto began = Clock::now();
        klice::fill_backgrounds();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count();
        std::printf("klice: the level backgrounds read in %lld ms\n", static_cast<long long>(ms));
    } catch (const std::exception& e) {
        // Without them no level can be played, as on the desktop without
        // the file.
        app.HandleException(e);
        app.Terminate();
    }
}

// The application's idle work, from the first frame shown on: the request
// for the backgrounds, then a slice of the tunes' synthesis after each frame.
bool after_first_frame() {
    if (klice::platform::Application::Current()->DisplayedFrames() == 0) return true;
    if (!g_backgrounds_asked) {
        g_backgrounds_asked = true;
        klice::platform::FetchFile(kBackgroundsUrl, kBackgroundsFile, take_backgrounds);
    }
    if (g_synthesizer && !synthesize_tunes()) g_synthesizer.reset();
    return g_synthesizer != nullptr;
}

void prepare_window_resource() {
    const file_bytes list = read_file(kSynthesizedList);
    const file_bytes cut = read_file(kFormResource);
    const std::vector<klice::SynthesizedWave> waves = klice::read_synthesized_wave_list(
        std::string(reinterpret_cast<const char*>(list.data.get()), list.size), cut.size);
    static const std::vector<uint8_t> form = klice::silence_synthesized_waves(cut.view(), waves);
    klice::platform::RegisterResource(klice::platform::RT_RCDATA, "TFORM1", form);
    g_synthesizer = std::make_unique<klice::WaveSynthesizer>(waves, kRecipes);
    klice::defer_backgrounds();
    klice::platform::Application::Current()->SetIdleWork(after_first_frame);
}

// The texts written on the back surface since the check asked
// (klice_web_watch_texts), as boxes: where the page's checks must not compare
// pixels with the desktop's frames, whose glyphs another rasterizer drew.
struct text_box {
    int x, y, width, height;
};
std::vector<text_box> texts_seen;

// A box sure to hold the glyphs of either rasterizer: the font's em is
// size * 96 / 72 pixels, no glyph of the game's font is wider than an em,
// and its line is less than 1.3 em high.
text_box box_of_text(int x, int y, const std::string& text, int font_size) {
    const int em = (font_size * 96 + 71) / 72;
    return {x - 1, y - 1, int(text.size()) * em + 2, em * 13 / 10 + 2};
}

}  // namespace

// For the page's checks (tests/web/page_check.mjs), exported by
// cmake/web.cmake: the figure's place, what the screen shows (0 title,
// 1 menu, 2 play), whether the level backgrounds have been read, and the
// texts written since the check began watching.
extern "C" __attribute__((used)) int klice_web_player_x() { return klice::game_state.player_x; }
extern "C" __attribute__((used)) int klice_web_player_y() { return klice::game_state.player_y; }
extern "C" __attribute__((used)) int klice_web_screen() { return static_cast<int>(klice::current_screen()); }
extern "C" __attribute__((used)) int klice_web_backgrounds_ready() { return klice::backgrounds_ready() ? 1 : 0; }
extern "C" __attribute__((used)) void klice_web_watch_texts() {
    texts_seen.clear();
    klice::set_text_observer([](int x, int y, const std::string& text, int font_size, uint32_t) {
        if (texts_seen.size() < 4096) texts_seen.push_back(box_of_text(x, y, text, font_size));
    });
}
extern "C" __attribute__((used)) int klice_web_text_count() { return static_cast<int>(texts_seen.size()); }
// Field 0 x, 1 y, 2 width, 3 height of box i.
extern "C" __attribute__((used)) int klice_web_text_box(int i, int field) {
    if (i < 0 || size_t(i) >= texts_seen.size()) return 0;
    const text_box& b = texts_seen[size_t(i)];
    const int fields[] = {b.x, b.y, b.width, b.height};
    return field >= 0 && field < 4 ? fields[field] : 0;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("klice %s\n", klice::kVersion);
        return 0;
    }
    return klice::run_program(prepare_window_resource);
}
