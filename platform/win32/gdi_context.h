// Internal to platform/win32/: a GDI device context of a surface as the
// display's DeviceContext: pixel reads, text in the shipped font and the
// DIB-to-surface copy, all by the system's own GDI calls.
#pragma once

#include "platform/display_device.h"
#include "platform/win32/win32.h"

namespace klice::platform::win32 {

class GdiContext final : public DeviceContext {
public:
    // `format` is the pixel format of the surface under `dc`, which is
    // width x height pixels.
    GdiContext(HDC dc, const PixelFormat& format, int width, int height)
        : dc_(dc), format_(format), width_(width), height_(height) {}

    HDC Handle() const { return dc_; }

    // The system's GetPixel, with every channel taken to the surface's bit
    // width and widened again by bit replication: black reads 0 and pure red
    // 255 whatever widening the system's GDI does.
    uint32_t GetPixel(int x, int y) override;
    // TextOutA of the Windows-1250 bytes in the shipped font (loaded for this
    // process only) at char_height pixels, Central European character set,
    // transparent background, in `color` (0x00BBGGRR).
    void TextOut(int x, int y, const std::string& text, int char_height, uint32_t color) override;
    // StretchDIBits 1:1 of the picture's rectangle onto the surface.
    void CopyDib(int dx, int dy, const DibView& image, int sx, int sy, int w, int h) override;

private:
    HDC dc_;
    PixelFormat format_;
    int width_, height_;
};

// The font of the given character height in pixels, made once and kept for
// the process; null when the shipped font cannot be had.
HFONT GameFont(int char_height);

}  // namespace klice::platform::win32
