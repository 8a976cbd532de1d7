// Text through SDL_ttf: the game font opened once per height, a line
// rendered blended white whose alpha is the coverage.
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <map>

#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/sdl/sdl_handles.h"

namespace klice::platform::detail {

namespace {

struct Fonts {
    bool ok = false;
    std::string path;
    std::map<int, SdlPtr<TTF_Font>> by_height;

    ~Fonts() {
        by_height.clear();  // the fonts close before the library does
        if (ok) TTF_Quit();
    }

    TTF_Font* Font(int height) {
        auto it = by_height.find(height);
        if (it != by_height.end()) return it->second.get();
        SdlPtr<TTF_Font> f(TTF_OpenFont(path.c_str(), height));  // points at 72 dpi = pixels
        if (!f) std::fprintf(stderr, "text: %s\n", TTF_GetError());
        return (by_height[height] = std::move(f)).get();
    }
};

Fonts& TheFonts() {
    static Fonts fonts;
    return fonts;
}

}  // namespace

std::string ProgramFolder() {
    std::string folder;
    if (char* base = SDL_GetBasePath()) {
        folder = base;
        SDL_free(base);
    }
    return folder;
}

std::vector<std::string> SystemFontFolders() { return {"/usr/share/fonts/truetype/dejavu/"}; }

bool LoadFont(const std::string& path) {
    Fonts& fonts = TheFonts();
    if (TTF_Init() != 0) {
        std::fprintf(stderr, "text: %s\n", TTF_GetError());
        return false;
    }
    fonts.ok = true;
    fonts.path = path;
    return true;
}

bool RasterizeLine(const std::string& text, int char_height, GlyphRun* run) {
    TTF_Font* font = TheFonts().Font(char_height);
    if (!font) return false;
    SdlPtr<SDL_Surface> argb;
    {
        SdlPtr<SDL_Surface> rendered(
            TTF_RenderUTF8_Blended(font, CodePageToUtf8(text).c_str(), SDL_Color{255, 255, 255, 255}));
        if (!rendered) return false;
        argb.reset(SDL_ConvertSurfaceFormat(rendered.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    }
    if (!argb) return false;
    run->width = argb->w;
    run->height = argb->h;
    run->alpha.resize(size_t(run->width) * run->height);
    SDL_LockSurface(argb.get());
    for (int y = 0; y < run->height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + size_t(y) * argb->pitch);
        for (int x = 0; x < run->width; ++x) run->alpha[size_t(y) * run->width + x] = uint8_t(row[x] >> 24);
    }
    SDL_UnlockSurface(argb.get());
    return true;
}

}  // namespace klice::platform::detail
