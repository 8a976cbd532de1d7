// Run-length encodings of DIB pixel rows (RLE8 for 8-bit, RLE4 for 4-bit
// images). Rows are counted from the bottom, as they are stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace klice {

class TDIB;
class TStream;

// Expands run-length data into the block `pixels` of `height` rows of
// `stride` bytes, bottom row first, for an image `width` pixels wide.
// Reads only inside `data` and writes only pixels inside the image; pixels
// the data never sets keep their value. Stops at the end-of-bitmap escape,
// at the end of the data, or once the position is above the top row.
void DecodeRLE8(std::span<const uint8_t> data, int width, int height, size_t stride, uint8_t* pixels);
void DecodeRLE4(std::span<const uint8_t> data, int width, int height, size_t stride, uint8_t* pixels);

// RLE8 data for an 8-bit block: runs of equal pixels, absolute runs for
// stretches of distinct ones, an end of line after every row but the last
// and the end-of-bitmap escape.
std::vector<uint8_t> EncodeRLE8(const uint8_t* pixels, int width, int height, size_t stride);

}  // namespace klice
