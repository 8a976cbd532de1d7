// The portable half of the text: where the game font is looked for, and the
// cache of rendered lines. The backend only loads the font and rasterizes.
#include "platform/text_renderer.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <utility>

#include "platform/backend.h"

namespace klice::platform {

namespace {

constexpr size_t kMaxCachedRuns = 512;
// Far beyond any text the game draws; a larger height would only ask the
// system for an enormous bitmap.
constexpr int kMaxCharHeight = 2000;

struct TextCache {
    bool tried = false;
    bool loaded = false;
    std::string path;
    std::map<std::pair<std::string, int>, GlyphRun> runs;

    bool Ready() {
        if (!tried) {
            tried = true;
            path = FindFontFile();
            if (path.empty())
                std::fprintf(stderr, "text: font %s not found, text is not drawn\n", kFontFile);
            else
                loaded = detail::LoadFont(path);
            if (!loaded) path.clear();
        }
        return loaded;
    }
};

TextCache& TheCache() {
    static TextCache cache;
    return cache;
}

bool Readable(const std::string& path) { return std::ifstream(path, std::ios::binary).is_open(); }

}  // namespace

std::string FindFontFile() {
    std::vector<std::string> candidates;
    // Next to the program, then in the working directory, then the build's
    // copy, then where the system keeps its fonts.
    const std::string program = detail::ProgramFolder();
    if (!program.empty()) candidates.push_back(program + kFontFile);
    candidates.push_back(kFontFile);
#ifdef KLICE_BUILD_FONT
    candidates.push_back(KLICE_BUILD_FONT);
#endif
    for (const std::string& folder : detail::SystemFontFolders()) candidates.push_back(folder + kFontFile);
    for (const std::string& c : candidates)
        if (Readable(c)) return c;
    return {};
}

std::string FontPath() {
    TextCache& cache = TheCache();
    cache.Ready();
    return cache.path;
}

const GlyphRun* RenderText(const std::string& text, int char_height) {
    if (text.empty() || char_height <= 0 || char_height > kMaxCharHeight) return nullptr;
    TextCache& cache = TheCache();
    if (!cache.Ready()) return nullptr;
    auto key = std::make_pair(text, char_height);
    auto it = cache.runs.find(key);
    if (it != cache.runs.end()) return &it->second;

    GlyphRun run;
    if (!detail::RasterizeLine(text, char_height, &run)) return nullptr;
    if (cache.runs.size() >= kMaxCachedRuns) cache.runs.clear();
    return &cache.runs.emplace(std::move(key), std::move(run)).first->second;
}

}  // namespace klice::platform
