// PNG encoding of pictures by the system's codec (libpng on Unix desktops,
// WIC on Windows), for tools that save what the screen shows.
#pragma once

#include <cstdint>
#include <vector>

namespace klice::platform {

// Encodes `width` x `height` pixels of 8-bit red, green, blue (rows top down,
// no padding) as an RGB PNG. False when the codec fails.
bool EncodePng(const uint8_t* rgb, int width, int height, std::vector<uint8_t>* out);

}  // namespace klice::platform
