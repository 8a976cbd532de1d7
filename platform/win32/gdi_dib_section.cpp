// DIB sections made by GDI, so that the system's drawing calls reach the
// pixels of a picture's canvas.
#include "platform/backend.h"
#include "platform/win32/win32.h"

namespace klice::platform::detail {

uint8_t* AllocateDibSection(int width, int height, int bit_count, size_t, void** handle) {
    *handle = nullptr;
    // Room for the header and a colour table of 256 entries; the colours do
    // not matter here, only the memory and its layout.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;  // bottom row first
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bit_count);
    info.header.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap =
        ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    if (!bits) {
        ::DeleteObject(bitmap);
        return nullptr;
    }
    *handle = bitmap;
    return static_cast<uint8_t*>(bits);  // zeroed by the system
}

void FreeDibSection(uint8_t*, void* handle) { ::DeleteObject(static_cast<HBITMAP>(handle)); }

}  // namespace klice::platform::detail
