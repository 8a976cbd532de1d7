// The steps of a play frame, run by play_frame in a fixed order. Each works on
// game_state and draws onto the back surface of form1->DXDraw.
#pragma once

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

}  // namespace klice
