#include "game/pad_menu.h"

#include "game/game_state.h"
#include "game/screens.h"
#include "input/game_keys.h"

namespace klice {

namespace {

void point_at(const menu_box& box) { mouse_move(TShiftState{}, box.centre_x(), box.centre_y()); }

void click() { mouse_down(TMouseButton::mbLeft, TShiftState{}, game_state.mouse_x, game_state.mouse_y); }

}  // namespace

void pad_menu_step(const pad_controls& held, pad_controls& previous) {
    const pad_controls before = previous;
    previous = held;
    if (current_screen() != screen::menu) return;
    if (held.up && !before.up) {
        point_at(kUpBox);
        click();
    }
    if (held.down && !before.down) {
        point_at(kDownBox);
        click();
    }
    if (held.south && !before.south) {
        uint16_t key = game_keys::Enter;
        keydown(key, TShiftState{});
    }
    if (held.east && !before.east) {
        if (kEndBox.contains(game_state.mouse_x, game_state.mouse_y))
            click();
        else
            point_at(kEndBox);
    }
}

}  // namespace klice
