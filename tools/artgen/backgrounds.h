// The level backgrounds, drawn from their tile maps.
#pragma once

#include <string>
#include <vector>

#include "tools/artgen/canvas.h"

namespace klice::artgen {

// A map is 24 rows of 32 tiles of 32 x 32 pixels, after a "theme" line
// (meadow, castle, cave, ice or desert):
//   .  empty (black)            #  bricks         S  stone blocks
//   G  ground, grass on top     W  wooden plank (the top 16 rows of the tile)
//   ^  spikes (pure red; on a stone sill where open air lies below)
//   ~  lava (pure red)
// Throws std::runtime_error naming the file and line of what is wrong.
//
// A start plate is the block a level's figure meets first (every object
// starts with that step), set flush into the floor beside the start; it
// wears the moving blocks' picture, so the floor around it is drawn as a
// steel socket with a closed hatch inside: a fixed pad, not a lift. Levels
// 11-20 draw on the backgrounds of 1-10, so a background carries the pads
// of both its levels. The socket only recolours solid floor pixels, never
// to black or red: the figure meets the same floor as without it.
struct StartPlate {
    int x, y;  // the plate's top left corner; it is 80 x 20
};
Canvas draw_background(const std::string& map_path, const std::vector<StartPlate>& plates = {});

}  // namespace klice::artgen
