// What more than one picture draws: the golden key of the levels (also on
// the title and in the icon) and the night sky of the title (also behind
// the icon's key).
#pragma once

#include "tools/artgen/canvas.h"

namespace klice::artgen {

inline constexpr Rgb kGold{238, 192, 44}, kGoldLight{255, 236, 140}, kGoldDark{170, 118, 22};
inline constexpr Rgb kSkyTop{14, 20, 64}, kSkyBottom{92, 54, 110};

// The key with its top-left corner at (ox, oy), `s` times its size in the
// levels, where it is 30 x 30 pixels: the bow's ring spans rows 7 to 23
// and columns 1 to 17, the shaft and its bits reach column 29 and row 25.
void draw_key(Canvas& c, int ox, int oy, double s);

}  // namespace klice::artgen
