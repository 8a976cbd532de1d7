// Internal to platform/: raw pixels of 1 to 4 bytes read and written at any
// address, as the software surfaces hold them.
#pragma once

#include <cstdint>
#include <cstring>

namespace klice::platform::detail {

inline uint32_t LoadRaw(const uint8_t* p, int bpp) {
    switch (bpp) {
        case 1: return p[0];
        case 2: {
            uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        default: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
    }
}

inline void StoreRaw(uint8_t* p, int bpp, uint32_t v) {
    switch (bpp) {
        case 1: p[0] = uint8_t(v); break;
        case 2: {
            uint16_t w = uint16_t(v);
            std::memcpy(p, &w, 2);
            break;
        }
        case 3:
            p[0] = uint8_t(v);
            p[1] = uint8_t(v >> 8);
            p[2] = uint8_t(v >> 16);
            break;
        default: std::memcpy(p, &v, 4); break;
    }
}

}  // namespace klice::platform::detail
