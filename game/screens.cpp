#include "game/screens.h"

#include <algorithm>
#include <string>

#include "game/asset_calls.h"
#include "game/game_state.h"
#include "game/level_file.h"
#include "game/level_loading.h"
#include "game/pictures.h"
#include "game/waves.h"
#include "input/game_keys.h"
#include "platform/application.h"

namespace klice {

namespace {

constexpr int kTitleTextFrom = 200;  // the text shows after this many title ticks
constexpr int kFontSize = 38;
constexpr uint32_t kBlack = 0, kYellow = 0xFFFF;

constexpr int kSliderTop = 140, kSliderBottom = 450;  // rows of levels 1 and 25
constexpr int kSliderStep = 12;                       // a step ends once more than this many pixels are done

// "Načítám data..." in Windows-1250.
const std::string kLoadingText = "Na\xE8\xEDt\xE1m data...";

}  // namespace

screen current_screen(const game_state_t& g) {
    if (g.intro_frames < kTitleTicks) return screen::title;
    return g.in_menu ? screen::menu : screen::play;
}

int slider_row_of(int level) { return std::min(kSliderTop + (kSliderStep + 1) * (level - 1), kSliderBottom); }

void start_slider_level() {
    game_state_t& g = game_state;
    stop_wave(kWaveMenuMusic);
    g.level = g.slider_level;
    g.in_menu = false;
    load_level();
    platform::ShowCursor(false);
    play_wave(kWaveGameMusic);
}

namespace {

void draw_loading_line() {
    canvas_text(200, 500, kLoadingText, kFontSize, kBlack);
    canvas_release();
}

}  // namespace

void title_frame() {
    game_state_t& g = game_state;
    ++g.intro_frames;
    draw_picture(panak(), pictures::kTitle, 0, 0);
    if (g.intro_frames > kTitleTextFrom) draw_loading_line();
    if (g.intro_frames == kTitleMusicAt) {
        platform::ShowCursor(true);
        play_wave(kWaveMenuMusic);
    }
    present_frame();
}

void loading_frame() {
    draw_picture(panak(), pictures::kTitle, 0, 0);
    draw_loading_line();
    present_frame();
}

void menu_frame() {
    game_state_t& g = game_state;
    draw_picture(panak(), pictures::kMenu, 0, 0);
    draw_picture(panak(), pictures::kSliderKnob, g.slider_x, g.slider_y);

    if (kStartBox.contains(g.mouse_x, g.mouse_y)) draw_picture(panak(), pictures::kStartLit, 808, 69);
    if (kEndBox.contains(g.mouse_x, g.mouse_y)) draw_picture(panak(), pictures::kEndLit, 818, 548);
    if (kUpBox.contains(g.mouse_x, g.mouse_y)) {
        draw_picture(panak(), pictures::kUpLit, 610, 118);
        g.slider_up = true;
    }
    if (kDownBox.contains(g.mouse_x, g.mouse_y)) {
        draw_picture(panak(), pictures::kDownLit, 607, 579);
        g.slider_up = false;
    }

    if (g.slider_moving) {
        if (g.slider_up) {
            --g.slider_y;
            ++g.slider_steps;
            if (g.slider_steps > kSliderStep) {
                g.slider_steps = 0;
                --g.slider_level;
                g.slider_moving = false;
            }
        }
        if (!g.slider_up) {
            ++g.slider_y;
            ++g.slider_steps;
            if (g.slider_steps > kSliderStep) {
                g.slider_steps = 0;
                ++g.slider_level;
                g.slider_moving = false;
            }
        }
    }

    if (g.slider_y < kSliderTop) {
        g.slider_y = kSliderTop;
        g.slider_steps = 0;
        g.slider_level = 1;
        g.slider_moving = false;
    }
    if (g.slider_y > kSliderBottom) {
        g.slider_y = kSliderBottom;
        g.slider_steps = 0;
        g.slider_level = kLevelCount;
        g.slider_moving = false;
    }

    // A black shadow above and left of the yellow number.
    const std::string number = std::to_string(g.slider_level);
    canvas_text(g.slider_x + 95, g.slider_y + 50, number, kFontSize, kBlack);
    canvas_text(g.slider_x + 98, g.slider_y + 53, number, kFontSize, kYellow);
    canvas_release();

    present_frame();
}

// Only Enter has a use: in the menu it starts the slider's level, as the
// start box does. During the title and in play it does nothing.
void keydown(uint16_t& key, TShiftState) {
    if (key != game_keys::Enter) return;
    if (current_screen() == screen::menu) start_slider_level();
}

// The position is the last one reported by a move; the button does not matter.
void mouse_down(TMouseButton, TShiftState, int, int) {
    game_state_t& g = game_state;
    if (!g.in_menu) return;
    // The direction was set by hovering; a click only starts the step.
    if (kUpBox.contains(g.mouse_x, g.mouse_y)) g.slider_moving = true;
    if (kDownBox.contains(g.mouse_x, g.mouse_y)) g.slider_moving = true;
    if (kStartBox.contains(g.mouse_x, g.mouse_y)) start_slider_level();
    if (kEndBox.contains(g.mouse_x, g.mouse_y)) close_window();
}

void mouse_move(TShiftState, int x, int y) {
    game_state.mouse_x = x;
    game_state.mouse_y = y;
}

}  // namespace klice
