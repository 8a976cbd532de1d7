// The software surfaces' device contexts: pixel reads, text and the DIB copy.
#include <algorithm>
#include <cstring>

#include "platform/soft_surface.h"
#include "platform/text_renderer.h"

namespace klice::platform::detail {

namespace {

// Reads the colour of a DIB pixel as 0x00BBGGRR.
class DibReader {
public:
    explicit DibReader(const DibView& image) : image_(image) {
        r_mask_ = image.r_mask;
        g_mask_ = image.g_mask;
        b_mask_ = image.b_mask;
        if (!r_mask_ && !g_mask_ && !b_mask_) {
            if (image.bit_count == 16) {
                r_mask_ = 0x7C00;  // 5-5-5
                g_mask_ = 0x03E0;
                b_mask_ = 0x001F;
            } else {
                r_mask_ = 0xFF0000;
                g_mask_ = 0x00FF00;
                b_mask_ = 0x0000FF;
            }
        }
    }

    bool Valid() const {
        int bits = image_.bit_count;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
        if (image_.width <= 0 || image_.height <= 0 || !image_.pixels) return false;
        return int64_t(image_.stride) >= (int64_t(image_.width) * bits + 7) / 8;
    }

    // Palette index of an indexed picture's pixel (1, 4 or 8 bits).
    unsigned Index(int x, int y) const { return ReadRawPixel(Row(y), x, image_.bit_count); }
    uint32_t PaletteColor(unsigned index) const { return Palette(index); }

    // y counted from the top of the picture.
    uint32_t At(int x, int y) const {
        const uint32_t raw = ReadRawPixel(Row(y), x, image_.bit_count);
        switch (image_.bit_count) {
            case 1:
            case 4:
            case 8: return Palette(raw);
            case 24: return (raw >> 16 & 0xFF) | (raw & 0xFF00) | (raw & 0xFF) << 16;  // B, G, R to 0x00BBGGRR
            default: return Masked(raw);
        }
    }

private:
    const uint8_t* Row(int y) const { return image_.pixels + size_t(image_.height - 1 - y) * image_.stride; }
    uint32_t Palette(unsigned index) const {
        if (!image_.color_table) return index ? 0xFFFFFFu : 0;
        const uint8_t* e = image_.color_table + size_t(index) * 4;  // B, G, R, reserved
        return uint32_t(e[2]) | uint32_t(e[1]) << 8 | uint32_t(e[0]) << 16;
    }
    uint32_t Masked(uint32_t v) const {
        return uint32_t(WidenChannel(v, r_mask_)) | uint32_t(WidenChannel(v, g_mask_)) << 8 |
               uint32_t(WidenChannel(v, b_mask_)) << 16;
    }
    const DibView& image_;
    uint32_t r_mask_, g_mask_, b_mask_;
};

}  // namespace

uint32_t SoftDC::GetPixel(int x, int y) {
    if (x < 0 || y < 0 || x >= s_.width_ || y >= s_.height_) return 0xFFFFFFFFu;
    return RawToColor(s_.format_, ReadRawPixel(s_.ReadRow(y), x, s_.format_.bits));
}

void SoftDC::TextOut(int x, int y, const std::string& text, int char_height, uint32_t color) {
    const GlyphRun* run = RenderText(text, char_height);
    if (!run) return;
    const uint8_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    const RgbPacker pack(s_.format_);
    const uint32_t solid = pack(r, g, b);
    s_.BeforeWrite(false);
    for (int row = 0; row < run->height; ++row) {
        int ty = y + row;
        if (ty < 0 || ty >= s_.height_) continue;
        const uint8_t* alpha = run->alpha.data() + size_t(row) * run->width;
        uint8_t* out = s_.Row(ty);
        const int bits = s_.format_.bits;
        for (int col = 0; col < run->width; ++col) {
            int a = alpha[col];
            int tx = x + col;
            if (a == 0 || tx < 0 || tx >= s_.width_) continue;
            if (a == 255) {
                WriteRawPixel(out, tx, bits, solid);
                continue;
            }
            // Antialiased edge: mix the text colour over what is there.
            uint32_t under = RawToColor(s_.format_, ReadRawPixel(out, tx, bits));
            auto mix = [a](int fg, int bg) { return uint8_t((fg * a + bg * (255 - a) + 127) / 255); };
            WriteRawPixel(out, tx, bits,
                          pack(mix(r, under & 0xFF), mix(g, (under >> 8) & 0xFF), mix(b, (under >> 16) & 0xFF)));
        }
    }
}

void SoftDC::CopyDib(int dx, int dy, const DibView& image, int sx, int sy, int w, int h) {
    DibReader reader(image);
    if (!reader.Valid() || !ClipToImage(image, &dx, &dy, &sx, &sy, &w, &h)) return;
    // Then to the surface.
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min(w, s_.width_ - dx);
    h = std::min(h, s_.height_ - dy);
    if (w <= 0 || h <= 0) return;
    s_.BeforeWrite(false);
    const RgbPacker pack(s_.format_);
    const int bpp = s_.bpp_;
    // Indexed pictures: each palette entry is packed once.
    uint32_t lut[256];
    const bool indexed = image.bit_count <= 8;
    if (indexed)
        for (int i = 0; i < (1 << image.bit_count); ++i) {
            uint32_t c = reader.PaletteColor(unsigned(i));
            lut[i] = pack(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
        }
    // True colour onto 16 bits: each channel's 256 values are packed once.
    uint16_t red[256], green[256], blue[256];
    if (bpp == 2 && image.bit_count == 24)
        for (int v = 0; v < 256; ++v) {
            red[v] = uint16_t(pack(uint8_t(v), 0, 0));
            green[v] = uint16_t(pack(0, uint8_t(v), 0));
            blue[v] = uint16_t(pack(0, 0, uint8_t(v)));
        }
    for (int y = 0; y < h; ++y) {
        uint8_t* out = s_.Row(dy + y) + size_t(dx) * bpp;
        // The pictures of the game: true-colour or 8-bit rows onto a 16-bit
        // surface, a row at a time (most of the start-up is this copy).
        const uint8_t* in = image.pixels + size_t(image.height - 1 - (sy + y)) * image.stride;
        if (bpp == 2 && image.bit_count == 24) {
            in += size_t(sx) * 3;
            for (int x = 0; x < w; ++x, in += 3) {
                const uint16_t v = uint16_t(red[in[2]] | green[in[1]] | blue[in[0]]);
                std::memcpy(out + size_t(x) * 2, &v, 2);
            }
            continue;
        }
        if (bpp == 2 && image.bit_count == 8) {
            in += sx;
            for (int x = 0; x < w; ++x) {
                const uint16_t v = uint16_t(lut[in[x]]);
                std::memcpy(out + size_t(x) * 2, &v, 2);
            }
            continue;
        }
        for (int x = 0; x < w; ++x) {
            uint32_t raw;
            if (indexed) {
                raw = lut[reader.Index(sx + x, sy + y)];
            } else {
                uint32_t c = reader.At(sx + x, sy + y);
                raw = pack(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
            }
            if (bpp == 2) {
                uint16_t v = uint16_t(raw);
                std::memcpy(out + size_t(x) * 2, &v, 2);
            } else {
                WriteRawPixel(out, x, bpp * 8, raw);
            }
        }
    }
}

}  // namespace klice::platform::detail
