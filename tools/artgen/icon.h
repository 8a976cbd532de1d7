// The game's icon, drawn from its own art: the golden key of the levels on
// the title's night sky, in a rounded square with transparent corners. The
// desktop menus take the PNG sizes, klice.exe the Windows icon file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/png_image.h"

namespace klice::artgen {

// Every size the icon is drawn in, in pixels (square).
inline constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};
// The sizes the Windows icon file holds.
inline constexpr int kWindowsIconSizes[] = {16, 32, 48, 256};

// The icon at `size` pixels: RGB with alpha, smoothed by drawing at four
// times the size and averaging.
assets::PngImage draw_icon(int size);

// A Windows icon file holding the pictures (each RGB with alpha, square,
// at most 256): the smaller ones as 32-bit bitmaps with their mask, the
// 256-pixel one as PNG, as the system's own icons keep them.
std::vector<uint8_t> icon_file(const std::vector<assets::PngImage>& pictures);

// Draws every size into `folder` as klice-N.png, and klice.ico.
void write_icons(const std::string& folder);

}  // namespace klice::artgen
