#include <bit>

#include "platform/display_device.h"

namespace klice::platform {

namespace {

// 8-bit surfaces use a fixed 3-3-2 palette: index = RRRGGGBB.
constexpr uint32_t kPalR = 0xE0, kPalG = 0x1C, kPalB = 0x03;

uint32_t PackChannel(uint8_t value, uint32_t mask) {
    if (!mask) return 0;
    int shift = std::countr_zero(mask);
    int width = std::popcount(mask);
    uint32_t v = width >= 8 ? uint32_t(value) << (width - 8) : uint32_t(value) >> (8 - width);
    return (v << shift) & mask;
}

}  // namespace

uint8_t WidenChannel(uint32_t raw, uint32_t mask) {
    if (!mask) return 0;
    int shift = std::countr_zero(mask);
    int width = std::popcount(mask);
    uint32_t v = (raw & mask) >> shift;
    if (width >= 8) return uint8_t(v >> (width - 8));
    // Repeat the bits until there are at least eight: 0 stays 0, all ones become 255.
    uint32_t out = 0;
    int bits = 0;
    while (bits < 8) {
        out = (out << width) | v;
        bits += width;
    }
    return uint8_t(out >> (bits - 8));
}

PixelFormat FormatForBits(int bits) {
    switch (bits) {
    case 8: return PixelFormat{8, 0, 0, 0};
    case 16: return PixelFormat{16, 0xF800, 0x07E0, 0x001F};
    case 24: return PixelFormat{24, 0xFF0000, 0x00FF00, 0x0000FF};
    case 32: return PixelFormat{32, 0xFF0000, 0x00FF00, 0x0000FF};
    default: return PixelFormat{};
    }
}

int BytesPerPixel(const PixelFormat& format) {
    switch (format.bits) {
    case 8: return 1;
    case 15:
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
    }
}

uint32_t PackRgb(const PixelFormat& format, uint8_t r, uint8_t g, uint8_t b) {
    if (format.bits == 8 && !format.r_mask)
        return PackChannel(r, kPalR) | PackChannel(g, kPalG) | PackChannel(b, kPalB);
    return PackChannel(r, format.r_mask) | PackChannel(g, format.g_mask) | PackChannel(b, format.b_mask);
}

uint32_t RawToColor(const PixelFormat& format, uint32_t raw) {
    uint32_t rm = format.r_mask, gm = format.g_mask, bm = format.b_mask;
    if (format.bits == 8 && !rm) {
        rm = kPalR;
        gm = kPalG;
        bm = kPalB;
    }
    return uint32_t(WidenChannel(raw, rm)) | uint32_t(WidenChannel(raw, gm)) << 8 |
           uint32_t(WidenChannel(raw, bm)) << 16;
}

}  // namespace klice::platform
