#include "data/dib_rle.h"

#include <algorithm>

namespace klice {

namespace {

// Commands are pairs (count, value); count 0 introduces an escape: 0 end of
// line, 1 end of bitmap, 2 delta (two more bytes), 3 and up an absolute run
// of that many pixels, padded to an even byte count.
template <bool kFourBits>
void DecodeRLE(std::span<const uint8_t> data, int width, int height, size_t stride, uint8_t* pixels) {
    const size_t end = data.size();
    size_t pos = 0;
    int64_t x = 0, y = 0;  // y counts rows up from the bottom
    auto put = [&](uint8_t value) {
        if (x < width) {
            uint8_t* row = pixels + static_cast<size_t>(y) * stride;
            if constexpr (kFourBits) {
                uint8_t& byte = row[x >> 1];
                byte = (x & 1) ? static_cast<uint8_t>((byte & 0xF0) | (value & 0x0F))
                               : static_cast<uint8_t>((byte & 0x0F) | (value << 4));
            } else {
                row[x] = value;
            }
        }
        ++x;
    };
    while (y < height && pos + 2 <= end) {
        const uint8_t count = data[pos];
        const uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (x >= width) {
                x += count;
            } else if constexpr (kFourBits) {
                const uint8_t high = value >> 4, low = value & 0x0F;
                for (int i = 0; i < count; ++i) put((i & 1) ? low : high);
            } else {
                for (int i = 0; i < count; ++i) put(value);
            }
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (pos + 2 > end) break;
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
        } else {
            const size_t want = kFourBits ? (value + 1u) / 2 : value;
            const size_t have = std::min(want, end - pos);
            const uint8_t* literal = data.data() + pos;
            for (size_t i = 0; i < value; ++i) {
                const size_t index = kFourBits ? i / 2 : i;
                if (index >= have) break;
                if constexpr (kFourBits) {
                    put((i & 1) ? (literal[index] & 0x0F) : (literal[index] >> 4));
                } else {
                    put(literal[index]);
                }
            }
            pos += have;
            if (have < want) break;
        }
        if (pos & 1) ++pos;
    }
}

}  // namespace

void DecodeRLE8(std::span<const uint8_t> data, int width, int height, size_t stride, uint8_t* pixels) {
    DecodeRLE<false>(data, width, height, stride, pixels);
}

void DecodeRLE4(std::span<const uint8_t> data, int width, int height, size_t stride, uint8_t* pixels) {
    DecodeRLE<true>(data, width, height, stride, pixels);
}

std::vector<uint8_t> EncodeRLE8(const uint8_t* pixels, int width, int height, size_t stride) {
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        int i = 0;
        while (i < width) {
            int run = 1;
            while (i + run < width && run < 255 && row[i + run] == row[i]) ++run;
            if (run >= 2) {
                out.push_back(static_cast<uint8_t>(run));
                out.push_back(row[i]);
                i += run;
                continue;
            }
            // A stretch of pixels that ends where two equal neighbours begin.
            int literal = 1;
            while (i + literal < width && literal < 255 &&
                   !(i + literal + 1 < width && row[i + literal] == row[i + literal + 1]))
                ++literal;
            if (literal >= 3) {
                out.push_back(0);
                out.push_back(static_cast<uint8_t>(literal));
                out.insert(out.end(), row + i, row + i + literal);
                if (literal & 1) out.push_back(0);
            } else {
                for (int k = 0; k < literal; ++k) {
                    out.push_back(1);
                    out.push_back(row[i + k]);
                }
            }
            i += literal;
        }
        if (y + 1 < height) {
            out.push_back(0);
            out.push_back(0);
        }
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

}  // namespace klice
