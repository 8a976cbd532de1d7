#include "platform/win32/gdi_context.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/text_renderer.h"

namespace klice::platform::win32 {

namespace {

// The family name inside DejaVuSans.ttf.
constexpr char kFontFace[] = "DejaVu Sans";

// A BITMAPINFO with room for the masks of BI_BITFIELDS or 256 colours.
struct DibHeader {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

bool ValidDib(const DibView& image) {
    const int bits = image.bit_count;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (image.width <= 0 || image.height <= 0 || !image.pixels) return false;
    return int64_t(image.stride) >= (int64_t(image.width) * bits + 7) / 8;
}

}  // namespace

HFONT GameFont(int char_height) {
    static std::map<int, HFONT> fonts;
    auto it = fonts.find(char_height);
    if (it != fonts.end()) return it->second;
    // FontPath loads the shipped font privately (AddFontResourceExA with
    // FR_PRIVATE) the first time it is asked.
    HFONT font = nullptr;
    if (!FontPath().empty())
        // A negative height asks for the character (em) height in pixels.
        font =
            ::CreateFontA(-char_height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, EASTEUROPE_CHARSET, OUT_TT_ONLY_PRECIS,
                          CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, kFontFace);
    fonts[char_height] = font;
    return font;
}

uint32_t GdiContext::GetPixel(int x, int y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFFu;
    const COLORREF c = ::GetPixel(dc_, x, y);
    if (c == CLR_INVALID) return 0xFFFFFFFFu;
    if (BytesPerPixel(format_) < 2 || !format_.r_mask) return c;
    return RawToColor(format_, PackRgb(format_, GetRValue(c), GetGValue(c), GetBValue(c)));
}

void GdiContext::TextOut(int x, int y, const std::string& text, int char_height, uint32_t color) {
    if (text.empty() || char_height <= 0 || char_height > 2000) return;
    HFONT font = GameFont(char_height);
    if (!font) return;
    HGDIOBJ old_font = ::SelectObject(dc_, font);
    const int old_mode = ::SetBkMode(dc_, TRANSPARENT);
    const COLORREF old_color = ::SetTextColor(dc_, color & 0xFFFFFF);
    const UINT old_align = ::SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    // The font's character set makes GDI read the bytes as code page 1250.
    ::TextOutA(dc_, x, y, text.data(), int(text.size()));
    ::SetTextAlign(dc_, old_align);
    ::SetTextColor(dc_, old_color);
    ::SetBkMode(dc_, old_mode);
    ::SelectObject(dc_, old_font);
}

void GdiContext::CopyDib(int dx, int dy, const DibView& image, int sx, int sy, int w, int h) {
    // The rectangle is cut to the picture here; GDI cuts it to the surface.
    if (!ValidDib(image) || !ClipToImage(image, &dx, &dy, &sx, &sy, &w, &h)) return;

    DibHeader info{};
    BITMAPINFOHEADER& hd = info.header;
    hd.biSize = sizeof hd;
    hd.biWidth = image.width;
    hd.biHeight = image.height;  // bottom row first
    hd.biPlanes = 1;
    hd.biBitCount = WORD(image.bit_count);
    hd.biCompression = BI_RGB;
    if ((image.bit_count == 16 || image.bit_count == 32) && image.r_mask && image.g_mask && image.b_mask) {
        hd.biCompression = BI_BITFIELDS;
        const DWORD masks[3] = {image.r_mask, image.g_mask, image.b_mask};
        std::memcpy(info.colors, masks, sizeof masks);
    } else if (image.bit_count <= 8) {
        const int count = 1 << image.bit_count;
        hd.biClrUsed = DWORD(count);
        for (int i = 0; i < count; ++i) {
            if (image.color_table) {
                std::memcpy(&info.colors[i], image.color_table + size_t(i) * 4, 4);  // B, G, R, reserved
            } else {
                const BYTE v = i ? 255 : 0;
                info.colors[i] = RGBQUAD{v, v, v, 0};
            }
        }
    }
    // GDI reads rows of whole 32-bit words; another stride goes through a copy.
    const size_t stride = (size_t(image.width) * image.bit_count + 31) / 32 * 4;
    const void* bits = image.pixels;
    std::vector<uint8_t> copy;
    if (size_t(image.stride) != stride) {
        copy.resize(stride * size_t(image.height));
        const size_t row_bytes = std::min(stride, size_t(image.stride));
        for (int row = 0; row < image.height; ++row)
            std::memcpy(&copy[size_t(row) * stride], image.pixels + size_t(row) * image.stride, row_bytes);
        bits = copy.data();
    }
    // A bottom-up picture's source rectangle is counted from its bottom row.
    const int bottom_y = image.height - sy - h;
    ::StretchDIBits(dc_, dx, dy, w, h, sx, bottom_y, w, h, bits, reinterpret_cast<const BITMAPINFO*>(&info),
                    DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace klice::platform::win32
