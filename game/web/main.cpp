// The browser's program. Its window resource comes without the long tunes'
// samples (klice-web-form cut them out, so the page downloads 3.5 MB less):
// they are synthesized from their recipes here, before the window is read,
// and checked against the build's own. The build picks this file as the
// program's main for the web (game/CMakeLists.txt).
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "game/asset_calls.h"
#include "game/game_state.h"
#include "game/program.h"
#include "game/screens.h"
#include "game/synthesized_waves.h"
#include "klice/version.h"
#include "platform/resources.h"

namespace {

// Where the page's file system has them (cmake/web.cmake).
constexpr const char* kFormResource = "/resources/TFORM1";
constexpr const char* kSynthesizedList = "/resources/TFORM1.waves";
constexpr const char* kRecipes = "/sounds";

// In one read: a byte at a time, the 9 MB resource took seconds.
std::vector<uint8_t> read_file(const char* path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw klice::ESynthesizedWaveError(std::string("the page has no ") + path);
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in) throw klice::ESynthesizedWaveError(std::string("the page cannot read ") + path);
    return bytes;
}

void restore_window_resource() {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<uint8_t> list = read_file(kSynthesizedList);
    static const std::vector<uint8_t> form =
        klice::restore_synthesized_waves(read_file(kFormResource), std::string(list.begin(), list.end()), kRecipes);
    klice::platform::RegisterResource(klice::platform::RT_RCDATA, "TFORM1", form);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    std::printf("klice: the tunes synthesized in %lld ms\n", static_cast<long long>(ms));
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
// 1 menu, 2 play), and the texts written since the check began watching.
extern "C" __attribute__((used)) int klice_web_player_x() { return klice::game_state.player_x; }
extern "C" __attribute__((used)) int klice_web_player_y() { return klice::game_state.player_y; }
extern "C" __attribute__((used)) int klice_web_screen() { return static_cast<int>(klice::current_screen()); }
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
    return klice::run_program(restore_window_resource);
}
