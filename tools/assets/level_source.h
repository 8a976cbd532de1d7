// Level descriptions: one readable text per level, compiled to the level
// record of its pNN.dat file.
//
//   background p3              # the picture this level plays on (checked)
//   start 622                  # the player's start row; the column is always 120
//   key 300 640                # exactly six keys: top-left corner
//   block X Y DX DY RANGE [STEPS]            # up to ten moving blocks
//   al|leb|zuby X Y DX DY RANGE FRAME [STEPS]  # up to ten hazards of each kind
#pragma once

#include <string>

#include "game/level_record.h"

namespace klice::assets {

// The background the game draws for a level: p1..p10 for 1..20, p21..p25.
std::string background_of_level(int level);

level_record compile_level_text(const std::string& text, const std::string& file, int level);
level_record compile_level_file(const std::string& file, int level);

}  // namespace klice::assets
