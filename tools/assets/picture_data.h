// The "Picture.Data" block of a picture item: the graphic class name "TDIB"
// after its length byte, then the DIB payload at the asked bit depth.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/png_image.h"

namespace klice::assets {

// bits 8 keeps the palette and indices of a palette PNG, or takes the
// colours of an RGB PNG of at most 256 colours as its palette, in the order
// they first appear (the colour table is padded to 256 entries with black);
// 24 and 32 take the RGB colours, 32 as bit fields with the masks 0xFF0000,
// 0x00FF00, 0x0000FF.
std::vector<uint8_t> picture_data(const PngImage& image, int bits, const std::string& file, int line);

}  // namespace klice::assets
