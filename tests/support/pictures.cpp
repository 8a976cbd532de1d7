#include "tests/support/pictures.h"

#include <cstdint>

namespace klice::testing {

TDIB Dib24(int width, int height, const std::function<TColor(int x, int y)>& colour) {
    TDIB dib;
    dib.SetSize(width, height, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = dib.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const TColor c = colour(x, y);
            row[x * 3] = static_cast<uint8_t>(c >> 16);
            row[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(c);
        }
    }
    return dib;
}

TDIB PatternDib(int width, int height) {
    return Dib24(width, height, [](int x, int y) {
        return static_cast<TColor>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x ^ y) & 0xFF));
    });
}

}  // namespace klice::testing
