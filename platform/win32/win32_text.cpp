// Text through GDI: the shipped font is added for this process only, and a
// line is drawn white on black into a DIB section whose grey levels are the
// coverage RenderText gives.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "platform/backend.h"
#include "platform/win32/win32.h"

namespace klice::platform::detail {

namespace {

constexpr wchar_t kFontFace[] = L"DejaVu Sans";

struct Fonts {
    std::string path;
    HDC dc = nullptr;
    std::map<int, HFONT> by_height;

    ~Fonts() {
        for (auto& [h, f] : by_height)
            if (f) ::DeleteObject(f);
        if (dc) ::DeleteDC(dc);
        if (!path.empty()) ::RemoveFontResourceExA(path.c_str(), FR_PRIVATE, nullptr);
    }

    HFONT Font(int height) {
        auto it = by_height.find(height);
        if (it != by_height.end()) return it->second;
        // A negative height asks for the em height in pixels.
        HFONT f = ::CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS,
                                CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, kFontFace);
        by_height[height] = f;
        return f;
    }
};

Fonts& TheFonts() {
    static Fonts fonts;
    return fonts;
}

bool Rasterize(HDC dc, HFONT font, const std::wstring& text, GlyphRun* run) {
    HGDIOBJ old_font = ::SelectObject(dc, font);
    SIZE extent{};
    TEXTMETRICW metrics{};
    const bool measured =
        ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent) && ::GetTextMetricsW(dc, &metrics);
    // Italic overhang and the last glyph's overhang reach past the advance.
    ABC last{};
    int overhang = 0;
    if (measured && ::GetCharABCWidthsW(dc, UINT(text.back()), UINT(text.back()), &last) && last.abcC < 0)
        overhang = -last.abcC;
    const int width = measured ? extent.cx + overhang : 0, height = measured ? metrics.tmHeight : 0;
    if (width <= 0 || height <= 0) {
        ::SelectObject(dc, old_font);
        return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) ::DeleteObject(bitmap);
        ::SelectObject(dc, old_font);
        return false;
    }
    HGDIOBJ old_bitmap = ::SelectObject(dc, bitmap);
    std::memset(bits, 0, size_t(width) * height * 4);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    ::TextOutW(dc, 0, 0, text.c_str(), int(text.size()));
    ::GdiFlush();
    run->width = width;
    run->height = height;
    run->alpha.resize(size_t(width) * height);
    const auto* pixels = static_cast<const uint8_t*>(bits);
    // Grey anti-aliasing gives equal channels; the brightest one is the
    // coverage should the system blend per channel.
    for (size_t i = 0; i < run->alpha.size(); ++i) {
        const uint8_t* p = pixels + i * 4;
        run->alpha[i] = std::max(p[0], std::max(p[1], p[2]));
    }
    ::SelectObject(dc, old_bitmap);
    ::DeleteObject(bitmap);
    ::SelectObject(dc, old_font);
    return true;
}

}  // namespace

std::string ProgramFolder() {
    char module[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string folder(module, length);
    const size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

// The game ships its font; the system's own are not DejaVu.
std::vector<std::string> SystemFontFolders() { return {}; }

bool LoadFont(const std::string& path) {
    if (::AddFontResourceExA(path.c_str(), FR_PRIVATE, nullptr) == 0) {
        std::fprintf(stderr, "text: font %s cannot be loaded\n", path.c_str());
        return false;
    }
    Fonts& fonts = TheFonts();
    fonts.path = path;
    fonts.dc = ::CreateCompatibleDC(nullptr);
    return fonts.dc != nullptr;
}

bool RasterizeLine(const std::string& text, int char_height, GlyphRun* run) {
    Fonts& fonts = TheFonts();
    HFONT font = fonts.Font(char_height);
    return font && Rasterize(fonts.dc, font, win32::WidenCodePage(text), run);
}

}  // namespace klice::platform::detail
