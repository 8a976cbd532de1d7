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

}  // namespace klice
