// Loading the current level's record into game_state.
#pragma once

namespace klice {

// Clamps game_state.level to 1 ... 25 (above 25 and below 1 both become 1),
// reads "p<level>.dat" from the working directory into game_state.record and
// resets the per-level fields. On an I/O failure (EInOutError) the first
// resets, the corrected level and the new level_name stay, while the record
// and the player keep what they had.
void load_level();

}  // namespace klice
