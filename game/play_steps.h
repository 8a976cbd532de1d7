// The steps of a play frame, run by play_frame in a fixed order. Each works on
// game_state and draws onto the back surface of form1->DXDraw.
#pragma once

#include "game/game_state.h"

namespace klice {

void controls();        // walking, jumping, the music key
void draw_player();     // the walking, jumping or death picture
void draw_death();      // the splash of a death, from draw_player
void update_keys();     // keys: drawn and collected
void update_hazards();  // hazards: moved, animated, drawn
void update_blocks();   // moving blocks: moved and drawn
void block_contact();   // riding a moving block, or gravity
void probe_pixels();    // the seven colour probes around the player
void update_exit();     // the exit arrow and the way to the next level

// What one tick did, for those who count it (the play tester, the soak);
// `before` is game_state as it was just before the tick.
// The player left a level by its exit.
bool level_completed(const game_state_t& before, const game_state_t& after);
// A death began: dying was set, also on the tick that reloaded the level
// after the previous death's splash.
bool death_started(const game_state_t& before, const game_state_t& after);

}  // namespace klice
