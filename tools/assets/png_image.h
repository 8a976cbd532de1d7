// PNG pictures as the asset sources keep them: 8-bit palette images (indices
// plus palette, both kept as drawn) or RGB images; the icons add an alpha
// channel to RGB.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace klice::assets {

struct PngImage {
    int width = 0, height = 0;
    bool paletted = false;
    std::vector<std::array<uint8_t, 3>> palette;  // paletted only, up to 256 entries
    std::vector<uint8_t> pixels;                  // paletted: one index a pixel; else R, G, B a pixel; top row first
    std::vector<uint8_t> alpha;                   // RGB only, written when not empty: one opacity a pixel

    std::array<uint8_t, 3> Rgb(int x, int y) const {
        const size_t i = static_cast<size_t>(y) * width + x;
        if (paletted) return palette[pixels[i]];
        return {pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2]};
    }
};

// Reads a PNG file; a broken or missing file raises ESourceError against the
// line that named it. Alpha is dropped; grey and low-depth images widen.
PngImage read_png(const std::string& path, const std::string& from_file, int from_line);

// Writes an image as PNG without time stamps, so the same pixels give the same bytes.
void write_png(const std::string& path, const PngImage& image);
// The same bytes in memory.
std::vector<uint8_t> encode_png(const PngImage& image);

}  // namespace klice::assets
