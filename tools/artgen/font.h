// A 5 x 7 pixel font with the Czech accents, drawn scaled as blocks.
#pragma once

#include <string>

#include "tools/artgen/canvas.h"

namespace klice::artgen {

// Text is UTF-8; letters without a glyph are skipped as a space. Each font
// pixel is scale x scale screen pixels; letters advance 6 font pixels.
void draw_text(Canvas& c, int x, int y, int scale, const std::string& text, Rgb colour);
int text_width(int scale, const std::string& text);

}  // namespace klice::artgen
