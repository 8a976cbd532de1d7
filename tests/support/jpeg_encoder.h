// JPEG files made by the system's own encoder (libjpeg, WIC), for the
// decoder's tests.
#pragma once

#include <cstdint>
#include <vector>

namespace klice::testing {

// A JPEG of `width` x `height` at the best quality (an empty vector and a
// test failure where the system cannot write it: WIC writes no progressive
// JPEG). With three components the
// top half is red on the left and blue on the right and the bottom half
// green; with one it is a grey of 0x20 above and 0xD0 below.
std::vector<uint8_t> EncodeJpeg(int width, int height, int components = 3, bool progressive = false);

}  // namespace klice::testing
