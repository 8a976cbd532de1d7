#include <bit>

#include "platform/display_device.h"

namespace klice::platform {

namespace {

// 8-bit surfaces use a fixed 3-3-2 palette: index = RRRGGGBB.
constexpr uint32_t kPalR = 0xE0, kPalG = 0x1C, kPalB = 0x03;

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

RgbPacker::RgbPacker(const PixelFormat& format) {
    uint32_t masks[3] = {format.r_mask, format.g_mask, format.b_mask};
    if (format.bits == 8 && !format.r_mask) {
        masks[0] = kPalR;
        masks[1] = kPalG;
        masks[2] = kPalB;
    }
    for (int i = 0; i < 3; ++i) {
        mask_[i] = masks[i];
        // Channels wider than 8 bits keep 8 significant bits at their top.
        int width = std::popcount(masks[i]);
        int low = masks[i] ? std::countr_zero(masks[i]) : 0;
        drop_[i] = width >= 8 ? 0 : 8 - width;
        shift_[i] = width >= 8 ? low + width - 8 : low;
    }
}

uint32_t PackRgb(const PixelFormat& format, uint8_t r, uint8_t g, uint8_t b) { return RgbPacker(format)(r, g, b); }

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
