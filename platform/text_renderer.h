// Internal to platform/: glyph rendering for the device contexts' TextOut.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace klice::platform {

// Coverage of a rendered text line: one byte per pixel, 0 clear to 255 solid,
// rows top down; the cell's top-left corner is pixel (0, 0).
struct GlyphRun {
    int width = 0, height = 0;
    std::vector<uint8_t> alpha;
};

// Renders Windows-1250 text with the game font at char_height pixels (the
// em height), cached per (text, height). Null when no font can be had or the
// text is empty. The pointer stays valid until the next call.
const GlyphRun* RenderText(const std::string& text, int char_height);

// The font file in use, empty when none was found or it cannot be loaded.
std::string FontPath();

// The game font's file name.
inline constexpr const char* kFontFile = "DejaVuSans.ttf";

// Where the game font is: next to the program, in the working directory, the
// build's copy or the system's fonts, in that order; empty when nowhere.
std::string FindFontFile();

}  // namespace klice::platform
