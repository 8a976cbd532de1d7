// The title sequence and the level-select menu, and the window's mouse and
// key handlers that serve them.
#pragma once

#include <cstdint>

#include "data/events.h"
#include "game/game_state.h"

namespace klice {

// The title is shown for this many ticks; the menu follows.
inline constexpr int kTitleTicks = 500;
// The title tick on which the menu music starts (and the cursor shows).
inline constexpr int kTitleMusicAt = 450;

// What a tick shows. The title runs first whatever in_menu says; after it,
// in_menu chooses between the menu and play.
enum class screen { title, menu, play };
screen current_screen(const game_state_t& g = game_state);

void title_frame();
void menu_frame();
// The title picture with its loading line and nothing else happening: what
// a level shows while it waits for its background (play_frame).
void loading_frame();

// Window events: the key-down of form1 and of DXDraw, the mouse of DXDraw.
void keydown(uint16_t& key, TShiftState shift);
void mouse_down(TMouseButton button, TShiftState shift, int x, int y);
void mouse_move(TShiftState shift, int x, int y);

// What a click on the start box does: the menu music stops, the slider's
// level is loaded for play, the cursor is hidden and the game music starts.
void start_slider_level();

// The menu's mouse boxes; every border is outside.
struct menu_box {
    int left, right, top, bottom;  // exclusive bounds
    bool contains(int x, int y) const { return left < x && x < right && top < y && y < bottom; }
    int centre_x() const { return (left + right) / 2; }
    int centre_y() const { return (top + bottom) / 2; }
};
inline constexpr menu_box kStartBox{820, 970, 80, 140};
inline constexpr menu_box kEndBox{820, 970, 550, 620};
inline constexpr menu_box kUpBox{613, 730, 120, 170};
inline constexpr menu_box kDownBox{613, 730, 600, 650};

// The slider's row while it stands at `level` (1 ... 25): a step of 13 rows a
// level down from row 140, except that the last step is cut at row 450.
int slider_row_of(int level);

}  // namespace klice
