#include "game/screens.h"

#include "game/game_state.h"
#include "game/hlavni.h"

namespace klice {

// The title and menu pictures, the slider and the boxes come with their own
// change; until then the title counts its ticks and both screens present.
void title_frame() {
    ++game_state.intro_frames;
    form1->DXDraw->Flip();
}

void menu_frame() { form1->DXDraw->Flip(); }

void keydown(uint16_t&, TShiftState) {}

void mouse_down(TMouseButton, TShiftState, int, int) {}

void mouse_move(TShiftState, int x, int y) {
    game_state.mouse_x = x;
    game_state.mouse_y = y;
}

}  // namespace klice
