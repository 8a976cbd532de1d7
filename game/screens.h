// The title sequence and the level-select menu, and the window's mouse and
// key handlers that serve them.
#pragma once

#include <cstdint>

#include "data/events.h"

namespace klice {

void title_frame();
void menu_frame();

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
};
inline constexpr menu_box kStartBox{820, 970, 80, 140};
inline constexpr menu_box kEndBox{820, 970, 550, 620};
inline constexpr menu_box kUpBox{613, 730, 120, 170};
inline constexpr menu_box kDownBox{613, 730, 600, 650};

}  // namespace klice
