// The level backgrounds, drawn from their tile maps.
#pragma once

#include <string>

#include "tools/artgen/canvas.h"

namespace klice::artgen {

// A map is 24 rows of 32 tiles of 32 x 32 pixels, after a "theme" line
// (meadow, castle, cave, ice or desert):
//   .  empty (black)            #  bricks         S  stone blocks
//   G  ground, grass on top     W  wooden plank (the top 16 rows of the tile)
//   ^  spikes (pure red; on a stone sill where open air lies below)
//   ~  lava (pure red)
// Throws std::runtime_error naming the file and line of what is wrong.
Canvas draw_background(const std::string& map_path);

}  // namespace klice::artgen
