// The level backgrounds: each tile of a map drawn in its theme's colours,
// and the frame around the music-key hint's corner.
#include "tools/artgen/backgrounds.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace klice::artgen {
namespace {

// The colours of a map's theme, one for each part of its tiles.
struct Theme {
    Rgb brick, mortar, stone, stone_edge, earth, grass, wood;
};

Theme theme_named(const std::string& name, const std::string& file) {
    if (name == "meadow")
        return {{168, 84, 56}, {96, 64, 54},  {128, 128, 140}, {84, 84, 100},
                {122, 80, 44}, {70, 170, 60}, {170, 120, 60}};
    if (name == "castle")
        return {{120, 110, 150}, {70, 62, 96},   {150, 146, 160}, {96, 92, 112},
                {100, 90, 84},   {110, 150, 90}, {150, 104, 56}};
    if (name == "cave")
        return {{110, 80, 60}, {60, 44, 36}, {96, 86, 80}, {58, 52, 50}, {88, 64, 44}, {60, 130, 110}, {140, 100, 60}};
    if (name == "ice")
        return {{120, 160, 200}, {70, 100, 140},  {170, 200, 230}, {110, 140, 180},
                {110, 120, 150}, {220, 240, 255}, {150, 120, 90}};
    if (name == "desert")
        return {{200, 150, 80}, {140, 96, 50},   {186, 164, 120}, {130, 110, 80},
                {190, 140, 70}, {230, 200, 110}, {150, 100, 50}};
    throw std::runtime_error(file + ": unknown theme " + name);
}

// The music-key hint is drawn over the top left corner, which every map
// keeps black (tiles 0-5 of row 0). Where that corner meets tiles, they get
// a moulding around it, so that the hint reads as a plaque set into the
// wall and not as a hole cut into it. Only pixels that are already solid
// change, and none to pure red: the figure meets the same walls as before.
template <typename TileAt>
void frame_hint_corner(Canvas& img, const Theme& t, TileAt at) {
    constexpr int kRight = 6 * 32, kBottom = 32, kBand = 8;
    auto solid = [&](int col, int row) {
        const char k = at(col, row);
        return k == '#' || k == 'S' || k == 'G';
    };
    // across the band, from the black outwards: a wooden frame lit from
    // above left between two dark edges, with a brass nail now and then
    const Rgb dark = shade(t.mortar, -40);
    auto band = [&](int ring, int along) {
        if (ring == 0 || ring == kBand - 1) return dark;
        if ((ring == 3 || ring == 4) && along % 40 >= 18 && along % 40 < 20) return Rgb{230, 200, 110};
        return shade(t.wood, ring == 1 ? 45 : ring == kBand - 2 ? -35 : 12 - 6 * (ring - 2));
    };
    for (int col = 0; col <= 6; ++col) {
        if (!solid(col, 1)) continue;
        for (int x = col * 32; x < col * 32 + 32 && x < kRight + kBand; ++x)
            for (int j = 0; j < kBand; ++j) img.Set(x, kBottom + j, band(x >= kRight ? std::max(j, x - kRight) : j, x));
    }
    if (solid(6, 0))
        for (int y = 0; y < kBottom; ++y)
            for (int i = 0; i < kBand; ++i) img.Set(kRight + i, y, band(i, y + 26));
}

// The socket of a start plate (see backgrounds.h): a dark steel rim four
// pixels wide at the plate's sides and under it, bolted along the bottom,
// around a hatch of plain steel that the plate covers (the plate rises a
// pixel at times, and the other level on this background has no plate
// there: its figure sees a closed hatch, not a hole).
void draw_start_pad(Canvas& img, const Theme& t, const StartPlate& p) {
    constexpr int kRim = 4, kW = 80, kH = 20;
    const Rgb rim = shade(t.stone_edge, -28), rim_lit = shade(t.stone_edge, 10);
    const Rgb hatch = shade(t.stone, -18), hatch_lit = shade(t.stone, 12), bolt = shade(t.stone, 45);
    for (int y = p.y; y < p.y + kH + kRim; ++y)
        for (int x = p.x - kRim; x < p.x + kW + kRim; ++x) {
            if (x < 0 || y < 0 || x >= img.W() || y >= img.H()) continue;
            // Open air and hazards stay what they are, as the game's 5-6-5
            // surfaces read them (assets/README.md).
            const Rgb was = img.Get(x, y);
            const bool reads_empty = was[0] < 8 && was[1] < 4 && was[2] < 8;
            const bool reads_red = was[0] >= 248 && was[1] < 4 && was[2] < 8;
            if (reads_empty || reads_red) continue;
            const bool inside = x >= p.x && x < p.x + kW && y < p.y + kH;
            Rgb c = inside ? (y == p.y ? hatch_lit : hatch) : rim;
            // the rim's edge towards the hatch catches the light
            if (!inside && (x == p.x - 1 || x == p.x + kW || y == p.y + kH)) c = rim_lit;
            const int along = x - p.x + 2;
            if (!inside && y == p.y + kH + 2 && along % 16 >= 6 && along % 16 < 8) c = bolt;
            img.Set(x, y, c);
        }
}

}  // namespace

Canvas draw_background(const std::string& path, const std::vector<StartPlate>& plates) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::string head;
    std::getline(in, head);
    if (head.rfind("theme ", 0) != 0) throw std::runtime_error(path + ":1: expected 'theme NAME'");
    const Theme t = theme_named(head.substr(6), path);
    std::vector<std::string> rows;
    std::string line;
    while (std::getline(in, line) && rows.size() < 24) {
        if (line.size() != 32)
            throw std::runtime_error(path + ":" + std::to_string(rows.size() + 2) + ": a row has 32 tiles");
        rows.push_back(line);
    }
    if (rows.size() != 24) throw std::runtime_error(path + ": a map has 24 rows");
    auto at = [&](int c, int r) { return (c < 0 || r < 0 || c >= 32 || r >= 24) ? '#' : rows[r][c]; };
    Canvas img(1024, 768, kBlack);
    for (int r = 0; r < 24; ++r)
        for (int col = 0; col < 32; ++col) {
            const char k = rows[r][col];
            const int x = col * 32, y = r * 32;
            const bool open_above = at(col, r - 1) == '.' || at(col, r - 1) == 'W';
            switch (k) {
                case '.': break;
                case '#':
                    // two courses of bricks a tile, each course offset by half a brick
                    img.Rect(x, y, 32, 32, t.mortar);
                    for (int course = 0; course < 2; ++course) {
                        const int by = y + course * 16 + 1;
                        const int off = ((r * 2 + course) % 2) ? 16 : 0;
                        for (int b = -1; b < 2; ++b) {
                            const int bx = x + off + b * 32 + 1;
                            const int n = static_cast<int>(hash3(bx + 2048, by, 3) % 36) - 18;
                            for (int j = 0; j < 14; ++j)
                                for (int i = 0; i < 30; ++i) {
                                    if (bx + i < x || bx + i >= x + 32) continue;
                                    const int edge = j == 0 ? 26 : j == 13 ? -22 : 0;
                                    const int grain = static_cast<int>(hash3(bx + i, by + j, 8) % 10) - 5;
                                    img.Set(bx + i, by + j, shade(t.brick, n + edge + grain));
                                }
                        }
                    }
                    break;
                case 'S':
                    img.Rect(x, y, 32, 32, t.stone_edge);
                    img.Rect(x + 2, y + 2, 28, 28, t.stone);
                    img.Rect(x + 2, y + 2, 28, 3, shade(t.stone, 30));
                    for (int i = 0; i < 10; ++i)
                        img.Set(x + 4 + static_cast<int>(hash3(x, y, i) % 24),
                                y + 6 + static_cast<int>(hash3(y, x, i) % 22), shade(t.stone, -25));
                    break;
                case 'G':
                    for (int j = 0; j < 32; ++j)
                        for (int i = 0; i < 32; ++i) {
                            const int n = static_cast<int>(hash3(x + i, y + j, 5) % 24) - 12;
                            img.Set(x + i, y + j, shade(t.earth, n));
                        }
                    if (open_above) {
                        for (int i = 0; i < 32; ++i) {
                            const int depth = 6 + static_cast<int>(hash3(x + i, y, 9) % 5);
                            for (int j = 0; j < depth; ++j)
                                img.Set(x + i, y + j, shade(t.grass, j == 0 ? 30 : -(j * 4)));
                        }
                    }
                    break;
                case 'W':
                    img.Rect(x, y, 32, 16, shade(t.wood, -50));
                    img.Rect(x, y + 1, 32, 13, t.wood);
                    img.Rect(x, y + 2, 32, 2, shade(t.wood, 35));
                    img.Rect(x, y + 8, 32, 1, shade(t.wood, -25));
                    img.Rect(x + 30, y + 1, 2, 14, shade(t.wood, -50));
                    break;
                case '^':
                    if (at(col, r + 1) == '.') {
                        // Spikes set in a floor with open air below stand on a
                        // stone sill: a head that bumps the floor from below
                        // meets stone, as under the rest of the floor. The sill
                        // is 11 rows deep, more than a jump rises in a tick, so
                        // a rising head always stops in it before the red. The
                        // tips stay where they are for feet coming from above.
                        img.Rect(x, y + 21, 32, 11, t.stone_edge);
                        img.Rect(x, y + 23, 32, 7, t.stone);
                        img.Rect(x, y + 18, 32, 3, kRed);
                        for (int s = 0; s < 4; ++s)
                            img.Triangle(x + s * 8, y + 19, x + s * 8 + 8, y + 19, x + s * 8 + 4, y + 8, kRed);
                        break;
                    }
                    img.Rect(x, y + 26, 32, 6, kRed);
                    for (int s = 0; s < 4; ++s)
                        img.Triangle(x + s * 8, y + 27, x + s * 8 + 8, y + 27, x + s * 8 + 4, y + 8, kRed);
                    break;
                case '~': {
                    const bool surface = at(col, r - 1) == '.';
                    for (int i = 0; i < 32; ++i) {
                        const int top = surface ? 6 + static_cast<int>(3 * std::sin((x + i) * 0.2)) : 0;
                        img.Rect(x + i, y + top, 1, 32 - top, kRed);
                    }
                    break;
                }
                default: throw std::runtime_error(path + ": unknown tile '" + std::string(1, k) + "'");
            }
        }
    frame_hint_corner(img, t, at);
    for (const StartPlate& p : plates) draw_start_pad(img, t, p);
    return img;
}

}  // namespace klice::artgen
