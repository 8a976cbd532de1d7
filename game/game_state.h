// The game's globals: one instance for the whole run, all zero at start.
// Positions are pixels of the 1024 x 768 frame (x right, y down); durations
// are ticks.
#pragma once

#include <cstdint>
#include <string>

#include "game/level_record.h"

namespace klice {

struct game_state_t {
    int32_t intro_frames = 0;     // title ticks shown
    bool in_menu = false;         // menu mode when true (once the title is over)
    int32_t level = 0;            // current level, 1 to 25 after every load
    std::string level_name;       // "p" + level
    std::string background_name;  // background picture in krajina
    int32_t level_frames = 0;     // play ticks since the load; stops at 210
    bool objects_moving = false;  // blocks and hazards advance
    level_record record{};        // the level's layout and live object state
    int32_t keys_taken = 0;
    int32_t exit_bob = 0;     // bobbing offset of the exit arrow
    int32_t block_under = 0;  // 1-based block the player stands on; 0 none
    bool block_sound_on = false;
    int32_t player_x = 0;  // centre column of the player sprite
    int32_t player_y = 0;  // top row of the player sprite
    int32_t facing = 0;    // -60 facing right, +60 facing left
    int32_t walk_frame = 0;
    bool standing_still = false;
    bool on_ground = false;
    bool head_bump = false;
    bool wall_ahead = false;
    int32_t jump_step = 0;  // rising frames done; 100 when not rising
    int32_t jump_cooldown = 0;
    int32_t airborne_frames = 0;
    bool dying = false;
    int32_t death_frame = 0;
    uint32_t feet_colour = 0, side_colour = 0, head_colour = 0;  // 0x00BBGGRR
    bool music_muted = false;
    int32_t mute_debounce = 0;  // ticks since the last toggle; stops at 30
    int32_t mouse_x = 0, mouse_y = 0;
    int32_t slider_x = 0, slider_y = 0;
    int32_t slider_level = 0;
    bool slider_moving = false;
    bool slider_up = false;  // next step goes towards level 1
    int32_t slider_steps = 0;
};

// The one instance for the run.
extern game_state_t game_state;

}  // namespace klice
