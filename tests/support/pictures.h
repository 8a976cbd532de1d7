// Small pictures made in code.
#pragma once

#include <functional>

#include "data/colors.h"
#include "data/dib.h"

namespace klice::testing {

// A 24-bit DIB of `width` x `height` whose pixel (x, y from the top) is
// colour(x, y), a colour value 0x00BBGGRR.
TDIB Dib24(int width, int height, const std::function<TColor(int x, int y)>& colour);

// A 24-bit DIB in which neighbouring pixels differ: pixel (x, y) has blue
// x, green y and red x ^ y (each taken modulo 256).
TDIB PatternDib(int width, int height);

}  // namespace klice::testing
