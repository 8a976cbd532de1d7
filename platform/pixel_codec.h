// Raw pixels in a row of memory at every bit depth the game's pictures and
// surfaces use: 1, 4, 8, 16, 24 and 32 bits. Pixels below 8 bits fill a
// byte from its high bits (the first pixel is the top bit or nibble); wider
// pixels are stored low byte first, as DIBs store them and as surfaces hold
// them on the little-endian machines the game runs on. Other depths read 0
// and write nothing. This is the one place that knows the layout: the DIB,
// the display's surfaces and the software display all use it.
#pragma once

#include <cstdint>

namespace klice::platform {

inline uint32_t ReadRawPixel(const uint8_t* row, int x, int bits) {
    switch (bits) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
        case 8: return row[x];
        case 16: {
            const uint8_t* p = row + 2 * x;
            return uint32_t(p[0]) | uint32_t(p[1]) << 8;
        }
        case 24: {
            const uint8_t* p = row + 3 * x;
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        }
        case 32: {
            const uint8_t* p = row + 4 * x;
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        }
        default: return 0;
    }
}

inline void WriteRawPixel(uint8_t* row, int x, int bits, uint32_t raw) {
    switch (bits) {
        case 1: {
            const auto mask = uint8_t(0x80u >> (x & 7));
            row[x >> 3] = (raw & 1u) ? uint8_t(row[x >> 3] | mask) : uint8_t(row[x >> 3] & ~mask);
            break;
        }
        case 4: {
            const int shift = (x & 1) ? 0 : 4;
            row[x >> 1] = uint8_t((row[x >> 1] & ~(0xF << shift)) | ((raw & 0xFu) << shift));
            break;
        }
        case 8: row[x] = uint8_t(raw); break;
        // Each width spelled out, as in ReadRawPixel: a loop over the bytes
        // made the text's blending several times slower.
        case 16: {
            uint8_t* p = row + 2 * x;
            p[0] = uint8_t(raw);
            p[1] = uint8_t(raw >> 8);
            break;
        }
        case 24: {
            uint8_t* p = row + 3 * x;
            p[0] = uint8_t(raw);
            p[1] = uint8_t(raw >> 8);
            p[2] = uint8_t(raw >> 16);
            break;
        }
        case 32: {
            uint8_t* p = row + 4 * x;
            p[0] = uint8_t(raw);
            p[1] = uint8_t(raw >> 8);
            p[2] = uint8_t(raw >> 16);
            p[3] = uint8_t(raw >> 24);
            break;
        }
        default: break;
    }
}

}  // namespace klice::platform
