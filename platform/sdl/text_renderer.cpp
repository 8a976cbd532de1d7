#include "platform/text_renderer.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <map>
#include <utility>

#include "platform/codepage.h"

namespace klice::platform {

namespace {

constexpr const char* kFontFile = "DejaVuSans.ttf";
constexpr size_t kMaxCachedRuns = 512;

bool Readable(const std::string& path) {
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return true;
    }
    return false;
}

std::string FindFont() {
    std::vector<std::string> candidates;
    if (char* base = SDL_GetBasePath()) {
        candidates.push_back(std::string(base) + kFontFile);
        SDL_free(base);
    }
    candidates.push_back(kFontFile);
#ifdef KLICE_BUILD_FONT
    candidates.push_back(KLICE_BUILD_FONT);
#endif
    candidates.push_back(std::string("/usr/share/fonts/truetype/dejavu/") + kFontFile);
    for (const std::string& c : candidates)
        if (Readable(c)) return c;
    return {};
}

struct Fonts {
    bool tried = false;
    bool ok = false;
    std::string path;
    std::map<int, TTF_Font*> by_height;
    std::map<std::pair<std::string, int>, GlyphRun> runs;

    ~Fonts() {
        for (auto& [h, f] : by_height) TTF_CloseFont(f);
        if (ok) TTF_Quit();
    }

    bool Ready() {
        if (!tried) {
            tried = true;
            path = FindFont();
            if (path.empty()) {
                std::fprintf(stderr, "text: font %s not found, text is not drawn\n", kFontFile);
            } else if (TTF_Init() != 0) {
                std::fprintf(stderr, "text: %s\n", TTF_GetError());
                path.clear();
            } else {
                ok = true;
            }
        }
        return ok;
    }

    TTF_Font* Font(int height) {
        auto it = by_height.find(height);
        if (it != by_height.end()) return it->second;
        TTF_Font* f = TTF_OpenFont(path.c_str(), height);  // points at 72 dpi = pixels
        if (!f) std::fprintf(stderr, "text: %s\n", TTF_GetError());
        by_height[height] = f;
        return f;
    }
};

Fonts& TheFonts() {
    static Fonts fonts;
    return fonts;
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

    TTF_Font* font = fonts.Font(char_height);
    if (!font) return nullptr;
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, CodePageToUtf8(text).c_str(), SDL_Color{255, 255, 255, 255});
    if (!rendered) return nullptr;
    GlyphRun run;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!argb) return nullptr;
    run.width = argb->w;
    run.height = argb->h;
    run.alpha.resize(size_t(run.width) * run.height);
    SDL_LockSurface(argb);
    for (int y = 0; y < run.height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + size_t(y) * argb->pitch);
        for (int x = 0; x < run.width; ++x) run.alpha[size_t(y) * run.width + x] = uint8_t(row[x] >> 24);
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);

    if (fonts.runs.size() >= kMaxCachedRuns) fonts.runs.clear();
    return &fonts.runs.emplace(std::move(key), std::move(run)).first->second;
}

}  // namespace klice::platform
