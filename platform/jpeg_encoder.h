// JPEG encoding by the system's codec (libjpeg on Unix desktops, WIC on
// Windows), for the tools and tests that make JPEG pictures.
#pragma once

#include <cstdint>
#include <vector>

namespace klice::platform {

// Encodes `width` x `height` pixels of `components` bytes each (1: grey,
// 3: red, green, blue), rows top down without padding, at the best quality.
// False when the codec fails or cannot write what is asked (WIC writes no
// progressive JPEG).
bool EncodeJpeg(const uint8_t* samples, int width, int height, int components, bool progressive,
                std::vector<uint8_t>* out);

}  // namespace klice::platform
