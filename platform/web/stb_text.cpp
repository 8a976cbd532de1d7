// Text in the browser: the game font rasterized by stb_truetype, compiled in
// (the browser's own text drawing would differ from machine to machine).
// A line is laid out as on the desktop: the em is `char_height` pixels, the
// cell runs from the font's ascent to its descent, glyphs follow their
// advances and kerning on fractional pixel positions.
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/backend.h"
#include "platform/codepage.h"

namespace klice::platform::detail {

namespace {

struct Font {
    std::vector<unsigned char> bytes;
    stbtt_fontinfo info{};
    bool ok = false;
};

Font& TheFont() {
    static Font font;
    return font;
}

}  // namespace

std::string ProgramFolder() { return {}; }  // the page has no program folder

std::vector<std::string> SystemFontFolders() { return {}; }

bool LoadFont(const std::string& path) {
    Font& font = TheFont();
    // In one read, not a byte at a time through the stream: that cost the
    // page's start a third of a second.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    font.bytes.clear();
    if (in) {
        font.bytes.resize(static_cast<size_t>(in.tellg()));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(font.bytes.data()), static_cast<std::streamsize>(font.bytes.size()));
        if (!in) font.bytes.clear();
    }
    if (font.bytes.empty() ||
        !stbtt_InitFont(&font.info, font.bytes.data(), stbtt_GetFontOffsetForIndex(font.bytes.data(), 0))) {
        std::fprintf(stderr, "text: %s is no font stb_truetype reads\n", path.c_str());
        return false;
    }
    font.ok = true;
    return true;
}

bool RasterizeLine(const std::string& text, int char_height, GlyphRun* run) {
    Font& font = TheFont();
    if (!font.ok || char_height <= 0) return false;
    const stbtt_fontinfo& info = font.info;
    const float scale = stbtt_ScaleForMappingEmToPixels(&info, float(char_height));
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
    const int top = int(std::ceil(float(ascent) * scale));
    const int bottom = int(std::floor(float(descent) * scale));

    std::vector<int> codepoints;
    for (char c : text) codepoints.push_back(int(CodePageToUnicode(uint8_t(c))));
    // Pen positions first: they give the line's width.
    std::vector<float> pen(codepoints.size() + 1, 0.0f);
    for (size_t i = 0; i < codepoints.size(); ++i) {
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&info, codepoints[i], &advance, &bearing);
        float step = float(advance) * scale;
        if (i + 1 < codepoints.size())
            step += float(stbtt_GetCodepointKernAdvance(&info, codepoints[i], codepoints[i + 1])) * scale;
        pen[i + 1] = pen[i] + step;
    }
    run->width = std::max(1, int(std::ceil(pen.back())));
    run->height = top - bottom;
    run->alpha.assign(size_t(run->width) * run->height, 0);
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < codepoints.size(); ++i) {
        const float x = pen[i];
        const float shift = x - std::floor(x);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBoxSubpixel(&info, codepoints[i], scale, scale, shift, 0, &x0, &y0, &x1, &y1);
        const int w = x1 - x0, h = y1 - y0;
        if (w <= 0 || h <= 0) continue;
        glyph.assign(size_t(w) * h, 0);
        stbtt_MakeCodepointBitmapSubpixel(&info, glyph.data(), w, h, w, scale, scale, shift, 0, codepoints[i]);
        // Overlapping glyphs (kerned pairs) keep the stronger coverage.
        const int left = int(std::floor(x)) + x0, row0 = top + y0;
        for (int gy = 0; gy < h; ++gy) {
            const int y = row0 + gy;
            if (y < 0 || y >= run->height) continue;
            for (int gx = 0; gx < w; ++gx) {
                const int px = left + gx;
                if (px < 0 || px >= run->width) continue;
                uint8_t& a = run->alpha[size_t(y) * run->width + px];
                a = std::max<uint8_t>(a, glyph[size_t(gy) * w + gx]);
            }
        }
    }
    return true;
}

}  // namespace klice::platform::detail
