// Text through GDI: the shipped font is added for this process only, and a
// line is drawn white on black into a DIB section whose grey levels are the
// coverage RenderText gives.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "platform/text_renderer.h"
#include "platform/win32/win32.h"

namespace klice::platform {

namespace {

constexpr const char* kFontFile = "DejaVuSans.ttf";
constexpr wchar_t kFontFace[] = L"DejaVu Sans";
constexpr size_t kMaxCachedRuns = 512;

bool Readable(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Next to the program, then in the working directory, then the build's copy.
std::string FindFont() {
    std::vector<std::string> candidates;
    char module[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        std::string folder(module, length);
        const size_t slash = folder.find_last_of("\\/");
        if (slash != std::string::npos) candidates.push_back(folder.substr(0, slash + 1) + kFontFile);
    }
    candidates.push_back(kFontFile);
#ifdef KLICE_BUILD_FONT
    candidates.push_back(KLICE_BUILD_FONT);
#endif
    for (const std::string& c : candidates)
        if (Readable(c)) return c;
    return {};
}

struct Fonts {
    bool tried = false;
    std::string path;
    HDC dc = nullptr;
    std::map<int, HFONT> by_height;
    std::map<std::pair<std::string, int>, GlyphRun> runs;

    ~Fonts() {
        for (auto& [h, f] : by_height)
            if (f) ::DeleteObject(f);
        if (dc) ::DeleteDC(dc);
        if (!path.empty()) ::RemoveFontResourceExA(path.c_str(), FR_PRIVATE, nullptr);
    }

    bool Ready() {
        if (!tried) {
            tried = true;
            std::string found = FindFont();
            if (found.empty()) {
                std::fprintf(stderr, "text: font %s not found, text is not drawn\n", kFontFile);
            } else if (::AddFontResourceExA(found.c_str(), FR_PRIVATE, nullptr) == 0) {
                std::fprintf(stderr, "text: font %s cannot be loaded\n", found.c_str());
            } else {
                path = found;
                dc = ::CreateCompatibleDC(nullptr);
            }
        }
        return dc != nullptr;
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

std::string FontPath() {
    Fonts& fonts = TheFonts();
    fonts.Ready();
    return fonts.path;
}

const GlyphRun* RenderText(const std::string& text, int char_height) {
    if (text.empty() || char_height <= 0 || char_height > 2000) return nullptr;
    Fonts& fonts = TheFonts();
    if (!fonts.Ready()) return nullptr;
    auto key = std::make_pair(text, char_height);
    auto it = fonts.runs.find(key);
    if (it != fonts.runs.end()) return &it->second;

    HFONT font = fonts.Font(char_height);
    if (!font) return nullptr;
    GlyphRun run;
    if (!Rasterize(fonts.dc, font, win32::WidenCodePage(text), &run)) return nullptr;
    if (fonts.runs.size() >= kMaxCachedRuns) fonts.runs.clear();
    return &fonts.runs.emplace(std::move(key), std::move(run)).first->second;
}

}  // namespace klice::platform
