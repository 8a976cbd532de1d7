#include "game/level_loading.h"

#include "game/data_folder.h"
#include "game/game_state.h"
#include "game/level_file.h"

namespace klice {

void load_level() {
    game_state_t& s = game_state;
    s.dying = false;
    s.keys_taken = 0;
    s.level_frames = 0;

    // After the last level the exit leads back to the first.
    if (s.level > kLevelCount) s.level = 1;
    if (s.level < 1) s.level = 1;

    s.level_name = level_name_of(s.level);
    // Read whole before anything is replaced, so a failed read leaves the
    // previous level's record in place.
    s.record = read_level_file(data_file(level_file_of(s.level)));

    s.record.start_x = 120;  // every level starts at column 120
    s.block_sound_on = false;
    s.player_x = 120;
    s.player_y = s.record.start_y;
    s.objects_moving = false;
    s.facing = -60;
    s.jump_step = 100;
}

}  // namespace klice
