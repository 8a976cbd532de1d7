// A game pad in the menu. The menu is made for the mouse, so a pad's presses
// act as the mouse would: up and down on the d-pad or stick point at the
// up-arrow or down-arrow box and click it (the box lights up and the slider
// takes that direction, as when hovering), the south button is Enter (start
// the slider's level), the east button points at the end box and, pressed
// again there, clicks it. In play the pad holds keys instead (input/).
#pragma once

#include "input/pad_controls.h"

namespace klice {

// Acts on the presses among `held` that `before` did not hold, and makes
// `before` what is held now. Called before every tick with the pads as read
// for it; presses count only while the menu is on the screen.
void pad_menu_step(const pad_controls& held, pad_controls& before);

}  // namespace klice
