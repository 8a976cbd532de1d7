// klice-artgen ASSETS_DIR [SHEET.png]
// klice-artgen --icons DIR
//
// Draws every picture of the game into ASSETS_DIR/pictures as PNG sources,
// the game's icon into ASSETS_DIR/icons (tools/artgen/icon.h), and writes
// the item lists of the two picture files (krajina.txt, ruzne.txt); with
// --icons only the icon, into DIR. The level backgrounds are drawn from the
// tile maps in ASSETS_DIR/pictures/krajina/pN.map, with a socket around the
// start plate of each level drawn on them (ASSETS_DIR/levels/pNN.txt).
// Output depends on nothing but the code, the maps and the levels, so
// running it again gives the same files.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/level_file.h"
#include "game/level_record.h"
#include "game/pictures.h"
#include "tools/artgen/backgrounds.h"
#include "tools/artgen/canvas.h"
#include "tools/artgen/font.h"
#include "tools/artgen/icon.h"
#include "tools/artgen/motifs.h"
#include "tools/assets/level_source.h"
#include "tools/assets/png_image.h"
#include "tools/command_line.h"
#include "tools/version.h"

using namespace klice::artgen;
using klice::assets::write_png;
namespace pictures = klice::pictures;

namespace {

std::string g_root;
std::vector<Canvas> g_sprites;  // the small pictures, for the contact sheet

void keep(const Canvas& c) {
    if (c.W() <= 200 && c.H() <= 200) g_sprites.push_back(c);
}
// Where the source of a picture of the game lies below pictures/: its file
// is named as the game names the picture.
std::string png_of(const std::string& file, const std::string& picture) { return file + "/" + picture + ".png"; }

void save8(const Canvas& c, const std::string& rel) {
    keep(c);
    write_png(g_root + "/pictures/" + rel, c.Paletted());
}
void save24(const Canvas& c, const std::string& rel) {
    keep(c);
    write_png(g_root + "/pictures/" + rel, c.Rgb24());
}

// Every small picture side by side at four times its size, on grey.
void write_sheet(const std::string& path) {
    const int scale = 4;
    int width = 0, height = 0;
    for (const Canvas& c : g_sprites) {
        width += c.W() * scale + 8;
        height = std::max(height, c.H() * scale);
    }
    Canvas sheet(std::min(width, 4000), height, {128, 128, 128});
    int x = 0;
    for (const Canvas& c : g_sprites) {
        for (int j = 0; j < c.H() * scale; ++j)
            for (int i = 0; i < c.W() * scale; ++i) sheet.Set(x + i, j, c.Get(i / scale, j / scale));
        x += c.W() * scale + 8;
    }
    write_png(path, sheet.Rgb24());
}

// ---------------------------------------------------------------- the player
// Stored facing left; the game mirrors it when walking right. Column 13 at
// rows 10, 26, 42, 58 and the top centre (30, 0) are where the game looks
// through the figure for walls, and four rows lower while it is in the air
// (gravity moves it after it is drawn); the figure keeps clear of columns
// 0..16 and, at the centre, of rows 0..5, so those points stay white.
const Rgb kOutline{34, 30, 58}, kSkin{246, 198, 160}, kSkinDark{214, 158, 122}, kShirt{38, 122, 214},
    kShirtDark{26, 84, 160}, kTrousers{70, 62, 138}, kTrousersDark{50, 44, 104}, kCap{236, 178, 32},
    kCapDark{190, 132, 20}, kShoe{128, 72, 34}, kEye{20, 24, 40}, kScarf{40, 170, 90};

void limb(Canvas& c, double x0, double y0, double x1, double y1, double w, Rgb fill) {
    c.Line(x0, y0, x1, y1, w + 2, kOutline);
    c.Line(x0, y0, x1, y1, w, fill);
}

// legs: foot offsets from the hip for the far and near leg (x forward is
// negative), knee lift; arms: hand offsets.
void draw_figure(Canvas& c, double far_foot, double near_foot, double far_lift, double near_lift, double far_hand,
                 double near_hand, bool jump) {
    const double hip_y = 48, hip_x = 31;
    // far limbs first (darker), then body, then near limbs
    auto leg = [&](double foot, double lift, Rgb col) {
        const double fy = 72 - lift;
        const double fx = hip_x + foot;
        const double kx = hip_x + foot * 0.5 - (jump ? 6 : 2) - lift * 0.4, ky = 60 - lift * 0.6;
        limb(c, hip_x, hip_y, kx, ky, 7, col);
        limb(c, kx, ky, fx, fy, 6, col);
        c.Round(static_cast<int>(fx) - 6, static_cast<int>(fy) - 1, 11, 5, 2, kOutline);
        c.Round(static_cast<int>(fx) - 5, static_cast<int>(fy), 9, 3, 1, kShoe);
    };
    auto arm = [&](double hand, Rgb col) {
        const double sx = 31, sy = 28;
        const double hx = sx + hand, hy = jump ? 12 : 44;
        const double ex = sx + hand * 0.5 + (jump ? 4 : 1), ey = jump ? 20 : 37;
        limb(c, sx, sy, ex, ey, 5, col);
        limb(c, ex, ey, hx, hy, 4, col);
        c.Disc(hx, hy, 3.2, kOutline);
        c.Disc(hx, hy, 2.2, kSkin);
    };
    leg(far_foot, far_lift, kTrousersDark);
    arm(far_hand, kShirtDark);
    // torso
    c.Round(21, 23, 21, 28, 6, kOutline);
    c.Round(22, 24, 19, 26, 5, kShirt);
    c.Rect(24, 44, 15, 6, kTrousers);
    c.Rect(23, 43, 17, 1, kShirtDark);
    c.Rect(30, 26, 2, 16, kShirtDark);  // zip
    // scarf
    c.Rect(22, 22, 19, 4, kScarf);
    c.Rect(38, 24, 6, 9, kScarf);
    // head, two rows below the top so that the head probe, which reads
    // four rows lower while the figure is in the air, sees past the cap
    c.Disc(31, 16, 9.5, kOutline);
    c.Disc(31, 16, 8.5, kSkin);
    c.Disc(34, 19, 3, kSkinDark);  // cheek shade on the back side
    c.Disc(36, 17, 2.4, kSkin);    // ear
    c.Rect(25, 14, 2, 3, kEye);
    c.Rect(23, 20, 4, 1, kSkinDark);  // mouth
    c.Rect(21, 16, 2, 3, kSkin);      // nose
    // cap with its brim to the front
    c.Ellipse(31, 11, 9.5, 5.5, kOutline);
    c.Ellipse(31, 11, 8.5, 4.5, kCap);
    c.Rect(22, 12, 20, 2, kCapDark);
    c.Rect(18, 12, 8, 3, kOutline);
    c.Rect(19, 12, 7, 2, kCapDark);
    c.Disc(31, 7, 1.6, kCapDark);
    leg(near_foot, near_lift, kTrousers);
    arm(near_hand, kShirt);
}

void make_player() {
    struct Pose {
        double ff, nf, fl, nl, fh, nh;
    };
    const Pose walk[4] = {
        {7, -9, 0, 0, -7, 7},  // stride
        {2, -2, 4, 0, -2, 2},  // passing
        {-9, 7, 0, 0, 7, -7},  // other stride
        {-2, 2, 0, 4, 2, -2},  // passing
    };
    for (int i = 0; i < 4; ++i) {
        Canvas c(60, 76, kWhite);
        draw_figure(c, walk[i].ff, walk[i].nf, walk[i].fl, walk[i].nl, walk[i].fh, walk[i].nh, false);
        save8(c, png_of("panak", pictures::kWalk[size_t(i)]));
    }
    Canvas hop(60, 76, kWhite);
    draw_figure(hop, 6, -6, 8, 12, 5, -8, true);
    save8(hop, png_of("panak", pictures::kJump));
}

// ------------------------------------------------------------------ the key
void make_key() {
    Canvas c(30, 30, kBlack);
    draw_key(c, 0, 0, 1.0);
    // a sparkle
    c.Rect(4, 3, 1, 5, kWhite);
    c.Rect(2, 5, 5, 1, kWhite);
    save8(c, png_of("panak", pictures::kKey));
}

// --------------------------------------------------------------- the splash
void make_splash() {
    // Drawn with its top-left corner at the figure's centre column and top
    // row, in place of the figure: the burst starts where the figure's body
    // was, at the left edge, and its drops fly right and fall to the floor,
    // which lies 78 rows below the top.
    const Rgb colours[6] = {kShirt, kSkin, kCap, kTrousers, kScarf, kShirtDark};
    const Rgb wet{200, 230, 255};
    for (int f = 0; f < 4; ++f) {
        Canvas c(96, 96, kWhite);
        const double cx = 4, cy = 40;
        const double time = 1.0 + f * 1.2;
        if (f < 3) {  // the body bursting
            const double body = 15 - f * 5;
            c.Ellipse(cx, cy + f * 8, body * 0.8 + 2, body + 2, kOutline);
            c.Ellipse(cx, cy + f * 8, body * 0.8, body, kShirt);
            c.Disc(cx + 1, cy - body * 0.7 + f * 8, body * 0.45, kSkin);
        }
        for (int d = 0; d < 22; ++d) {
            // each drop flies out at its own angle and speed, then falls
            const double ang = -1.35 + (hash3(d, 1, 5) % 100) * 0.027;  // up-right to down-right
            const double speed = 6 + (hash3(d, 2, 5) % 10);
            double x = cx + std::cos(ang) * speed * time;
            double y = cy + std::sin(ang) * speed * time + 1.6 * time * time;
            const double r = 2.0 + (hash3(d, 3, 5) % 3) * 0.8 - f * 0.3;
            if (y > 76) y = 76 + (d % 3);  // landed on the floor
            if (x > 92) x = 92 - (d % 5);
            c.Disc(x, y, r + 1, kOutline);
            c.Disc(x, y, r, colours[d % 6]);
            if (d % 4 == 0) c.Disc(x - r * 0.3, y - r * 0.3, r * 0.35, wet);
        }
        if (f >= 2) {  // the puddle where it all lands
            c.Ellipse(18 + f * 6, 77, 14 + f * 8, 2 + f, kOutline);
            c.Ellipse(18 + f * 6, 77, 12 + f * 8, 1 + f, kShirtDark);
        }
        save24(c, png_of("panak", pictures::kSplash[size_t(f)]));
    }
}

// ---------------------------------------------------------- title and menu
void starry_sky(Canvas& c, int seed) {
    c.Gradient(0, 0, 1024, 768, kSkyTop, kSkyBottom);
    for (int i = 0; i < 220; ++i) {
        const int x = static_cast<int>(hash3(i, 0, seed) % 1024), y = static_cast<int>(hash3(i, 1, seed) % 520);
        const int b = 150 + static_cast<int>(hash3(i, 2, seed) % 100);
        c.Set(x, y, {static_cast<uint8_t>(b), static_cast<uint8_t>(b), 255});
        if (i % 9 == 0) {
            c.Set(x + 1, y, {200, 200, 255});
            c.Set(x - 1, y, {200, 200, 255});
            c.Set(x, y + 1, {200, 200, 255});
            c.Set(x, y - 1, {200, 200, 255});
        }
    }
    c.Disc(860, 110, 46, {250, 240, 200});
    c.Disc(878, 98, 40, mix(kSkyTop, kSkyBottom, 30));
    // hills
    for (int x = 0; x < 1024; ++x) {
        const double h1 = 560 + 40 * std::sin(x * 0.006 + 1.0) + 18 * std::sin(x * 0.017);
        const double h2 = 640 + 30 * std::sin(x * 0.009 + 2.5) + 10 * std::sin(x * 0.031);
        for (int y = static_cast<int>(h1); y < 768; ++y)
            c.Set(x, y, mix({40, 46, 96}, {30, 30, 70}, (y - 500) / 2 & 255));
        for (int y = static_cast<int>(h2); y < 768; ++y) c.Set(x, y, {26, 58, 52});
        c.Set(x, static_cast<int>(h2), {60, 120, 80});
    }
    // a small castle on the far hill
    const Rgb wall{58, 52, 90}, window{250, 210, 110};
    c.Rect(120, 470, 120, 110, wall);
    c.Rect(100, 430, 40, 150, wall);
    c.Rect(220, 420, 40, 160, wall);
    for (int i = 0; i < 5; ++i) c.Rect(100 + i * 8 * 2 / 2 * 1, 422, 6, 8, wall);
    c.Triangle(96, 432, 144, 432, 120, 390, {80, 50, 100});
    c.Triangle(216, 422, 264, 422, 240, 378, {80, 50, 100});
    c.Rect(114, 460, 8, 14, window);
    c.Rect(236, 450, 8, 14, window);
    c.Rect(170, 520, 16, 22, window);
}

void outlined_text(Canvas& c, int x, int y, int scale, const std::string& t, Rgb fill, Rgb edge, int d) {
    for (int dy = -d; dy <= d; dy += d)
        for (int dx = -d; dx <= d; dx += d) draw_text(c, x + dx, y + dy, scale, t, edge);
    draw_text(c, x, y, scale, t, fill);
}

void make_title() {
    Canvas c(1024, 768, kBlack);
    starry_sky(c, 11);
    // the name, large, with a drop shadow and an outline
    const int scale = 22;
    const std::string name = "Klíče";
    const int w = text_width(scale, name);
    const int x = (1024 - w) / 2, y = 150;
    draw_text(c, x + 12, y + 12, scale, name, {20, 12, 40});
    outlined_text(c, x, y, scale, name, kGold, kGoldDark, 5);
    // a shine on the upper rows of the letters
    for (int yy = y; yy < y + 2 * scale; ++yy)
        for (int xx = x; xx < x + w; ++xx)
            if (c.Get(xx, yy) == kGold) c.Set(xx, yy, kGoldLight);
    const std::string sub = "SEBER VŠECHNY KLÍČE";
    outlined_text(c, (1024 - text_width(5, sub)) / 2, 360, 5, sub, {240, 236, 255}, {60, 40, 110}, 3);
    // keys around the name
    draw_key(c, 60, 190, 3.0);
    draw_key(c, 820, 250, 2.2);
    // the panel that carries the loading text: the game writes it at
    // (200, 500), and its glyphs cover columns 205..583 and rows 507..548
    c.Round(176, 484, 432, 84, 16, {120, 86, 40});
    c.Round(180, 488, 424, 76, 13, {246, 230, 186});
    save24(c, png_of("panak", pictures::kTitle));
}

// Menu layout: a track for the slider knob, two arrow buttons beside it and
// the start and end buttons on the right panel.
const Rgb kPanel{44, 36, 84}, kPanelEdge{90, 76, 150};

void arrow_button(Canvas& c, int x, int y, int w, int h, bool up, bool lit) {
    const Rgb face = lit ? Rgb{255, 214, 80} : Rgb{120, 170, 230};
    const Rgb edge = lit ? Rgb{170, 110, 20} : Rgb{40, 70, 140};
    c.Round(x, y, w, h, 14, edge);
    c.Round(x + 4, y + 4, w - 8, h - 8, 11, face);
    const double cx = x + w / 2.0, top = y + h * 0.22, bottom = y + h * 0.78;
    if (up)
        c.Triangle(cx - w * 0.28, bottom, cx + w * 0.28, bottom, cx, top, edge);
    else
        c.Triangle(cx - w * 0.28, top, cx + w * 0.28, top, cx, bottom, edge);
}

void text_button(Canvas& c, int x, int y, int w, int h, const std::string& label, bool lit) {
    const Rgb face = lit ? Rgb{255, 214, 80} : Rgb{110, 196, 120};
    const Rgb edge = lit ? Rgb{170, 110, 20} : Rgb{30, 90, 50};
    c.Round(x, y, w, h, 16, edge);
    c.Round(x + 5, y + 5, w - 10, h - 10, 12, face);
    c.Rect(x + 14, y + 9, w - 28, 3, shade(face, 40));
    const int s = 5;
    const int tw = text_width(s, label);
    draw_text(c, x + (w - tw) / 2 + 2, y + (h - 7 * s) / 2 + 2, s, label, shade(edge, -10));
    draw_text(c, x + (w - tw) / 2, y + (h - 7 * s) / 2, s, label, lit ? Rgb{90, 40, 10} : Rgb{240, 255, 240});
}

struct MenuParts {
    bool start = false, end = false, up = false, down = false;
};

Canvas menu_screen(MenuParts lit) {
    Canvas c(1024, 768, kBlack);
    starry_sky(c, 23);
    // right panel
    c.Rect(790, 0, 234, 768, kPanelEdge);
    c.Rect(796, 0, 228, 768, kPanel);
    // central panel
    c.Round(280, 40, 490, 680, 24, kPanelEdge);
    c.Round(286, 46, 478, 668, 20, kPanel);
    outlined_text(c, 330, 70, 5, "VYBER ÚROVEŇ", {250, 240, 200}, {20, 14, 40}, 2);
    // the knob's track: a groove the plaque slides in
    c.Round(322, 134, 268, 470, 16, {24, 20, 50});
    c.Round(328, 140, 256, 458, 12, {34, 28, 66});
    for (int i = 0; i < 25; ++i) {
        const int y = 190 + i * 13;
        c.Rect(596, y, i % 4 == 0 ? 12 : 6, 2, {150, 140, 200});
    }
    arrow_button(c, 615, 122, 113, 46, true, lit.up);
    arrow_button(c, 615, 602, 113, 46, false, lit.down);
    text_button(c, 812, 72, 170, 76, "HRÁT", lit.start);
    text_button(c, 822, 552, 182, 80, "KONEC", lit.end);
    draw_text(c, 330, 660, 3, "ŠIPKY: A D W  HUDBA: H", {200, 190, 240});
    return c;
}

void crop_save8(const Canvas& full, int x, int y, int w, int h, const std::string& rel) {
    Canvas part(w, h, kBlack);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) part.Set(i, j, full.Get(x + i, y + j));
    save8(part, rel);
}

void make_menu() {
    save24(menu_screen({}), png_of("panak", pictures::kMenu));
    MenuParts start;
    start.start = true;
    crop_save8(menu_screen(start), 808, 69, 177, 81, png_of("panak", pictures::kStartLit));
    MenuParts end;
    end.end = true;
    crop_save8(menu_screen(end), 818, 548, 190, 88, png_of("panak", pictures::kEndLit));
    // arrow highlights: only the lit button, the rest white (transparent)
    Canvas up(127, 79, kWhite);
    arrow_button(up, 615 - 610, 122 - 118, 113, 46, true, true);
    save8(up, png_of("panak", pictures::kUpLit));
    Canvas down(128, 86, kWhite);
    arrow_button(down, 615 - 607, 602 - 579, 113, 46, false, true);
    save8(down, png_of("panak", pictures::kDownLit));
    // the knob: a plaque with a window for the level number, which the game
    // writes at (95, 50) with its shadow and at (98, 53): its glyphs cover
    // columns 99..124 for one digit and 99..156 for two, rows 61..101, so
    // the window is centred on a two-digit number and holds one as well
    Canvas knob(449, 140, kWhite);
    knob.Round(16, 8, 250, 124, 18, {120, 86, 40});
    knob.Round(22, 14, 238, 112, 14, {226, 180, 90});
    knob.Rect(30, 20, 222, 4, {250, 220, 150});
    knob.Round(82, 46, 92, 70, 12, {90, 60, 24});
    knob.Round(86, 50, 84, 62, 9, {40, 50, 110});
    draw_text(knob, 180, 112, 2, "ÚROVEŇ", {90, 60, 24});
    knob.Triangle(266, 50, 266, 90, 296, 70, {120, 86, 40});
    save8(knob, png_of("panak", pictures::kSliderKnob));
    // the music-key hint
    Canvas hint(168, 30, kBlack);
    outlined_text(hint, 8, 5, 3, "H: HUDBA", {250, 236, 160}, {90, 70, 40}, 1);
    save8(hint, png_of("panak", pictures::kMusicHint));
}

// ------------------------------------------------------------- level objects
void make_objects() {
    // moving block: a riveted plate with warning stripes
    Canvas block(80, 20, {96, 100, 116});
    block.Rect(0, 0, 80, 3, {170, 176, 196});
    block.Rect(0, 17, 80, 3, {56, 58, 72});
    for (int i = 0; i < 80; ++i)
        for (int j = 5; j < 14; ++j)
            if (((i + j) / 6) % 2 == 0) block.Set(i, j, {236, 196, 40});
    for (int x : {5, 74}) block.Disc(x + 0.5, 10, 2.2, {200, 204, 220});
    save24(block, png_of("ruzne", pictures::kBlock));

    // Hazards: only their pure red kills, and any other colour in them would
    // be solid where a probe reads it, so they are pure red with black (empty)
    // details. The figure's probes find red at its centre column (head and
    // feet) and at its lowest side point; the floor hazards reach down into
    // the floor's top rows, where the feet point reads.
    // "al": a jet of fire leaping out of lava: a straight red column, flat
    // on top, so that wherever the figure meets it, its lowest side point or
    // its head or feet meets it first; the flames flicker as black tongues
    // inside the column
    for (int f = 0; f < 3; ++f) {
        Canvas c(40, 112, kBlack);
        c.Rect(10, 0, 20, 112, kRed);
        const double sway = (f - 1) * 2.0;
        c.Triangle(14, 30, 20, 30, 16 - sway, 6 + f * 2, kBlack);
        c.Triangle(20, 34, 26, 34, 24 + sway, 10 - f, kBlack);
        for (int y = 44 + f * 7; y < 112; y += 21) c.Rect(19, y, 2, 6, kBlack);
        save24(c, png_of("ruzne", pictures::hazard_picture(pictures::kFlame, f + 1)));
    }
    // "leb": a skull that crawls along the floor, snapping its jaw; 26 rows
    // high, so it passes under the figure's body and kills at its feet. It
    // is placed 4 rows into the floor, where the feet point may read.
    for (int f = 0; f < 3; ++f) {
        Canvas c(40, 40, kBlack);
        const int jaw = f;
        // the jaw is wider than the dome, so that a skull running into the
        // figure from behind reaches its feet point before its body
        c.Ellipse(20, 25, 13, 11, kRed);
        c.Rect(2, 28, 36, 12, kRed);
        c.Ellipse(13, 23, 4, 3.5, kBlack);
        c.Ellipse(27, 23, 4, 3.5, kBlack);
        c.Triangle(18, 31, 22, 31, 20, 27, kBlack);
        for (int t = 0; t < 5; ++t) c.Rect(10 + t * 4 + 1, 33 + (t % 2 ? jaw : 0), 1, 2, kBlack);
        save24(c, png_of("ruzne", pictures::hazard_picture(pictures::kSkull, f + 1)));
    }
    // "zuby": a trap of teeth that opens and bites, 18 rows high
    for (int f = 0; f < 3; ++f) {
        Canvas c(64, 32, kBlack);
        c.Rect(0, 27, 64, 5, kRed);
        const int open = f * 2;
        for (int t = 0; t < 8; ++t) {
            const double x = t * 8;
            c.Triangle(x, 28, x + 8, 28, x + 4, 14 + open, kRed);
        }
        save24(c, png_of("ruzne", pictures::hazard_picture(pictures::kTeeth, f + 1)));
    }
    // the exit arrow, on white (its colour key)
    // 44 rows, so that drawn at row 690 it stays above a floor at row 736
    Canvas arrow(64, 44, kWhite);
    arrow.Rect(2, 13, 36, 18, {16, 90, 30});
    arrow.Triangle(34, 0, 34, 43, 63, 21.5, {16, 90, 30});
    arrow.Rect(5, 16, 32, 12, {90, 235, 110});
    arrow.Triangle(37, 7, 37, 36, 56, 21.5, {90, 235, 110});
    arrow.Rect(5, 16, 32, 3, {200, 255, 200});
    save24(arrow, png_of("ruzne", pictures::kExitArrow));
}

// ------------------------------------------------------------ item lists
void write_text(const std::string& rel, const std::string& text) {
    std::ofstream out(g_root + "/" + rel, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + rel);
}

std::string item(const std::string& name, const std::string& png, bool transparent, const std::string& key,
                 int bits = 24) {
    std::ostringstream s;
    s << "    item\n"
      << "      Name = '" << name << "'\n"
      << "      PatternHeight = 0\n"
      << "      PatternWidth = 0\n"
      << "      Picture.Data = picture '" << png << "' " << bits << "\n"
      << "      SystemMemory = False\n"
      << "      Transparent = " << (transparent ? "True" : "False") << "\n"
      << "      TransparentColor = " << key << "\n"
      << "    end\n";
    return s.str();
}

const char* kListHead =
    "# Written by klice-artgen; the pictures are in pictures/. Each item\n"
    "# becomes one picture of the file, found by the game by its name.\n"
    "object TPictureCollectionComponent\n"
    "  List = <\n";
const char* kListTail =
    "  >\n"
    "  List.ColorTable = zeros 1024\n"
    "end\n";

struct options {
    std::string icons;   // --icons DIR: only the icon, into DIR
    std::string assets;  // ASSETS_DIR: every picture
    std::string sheet;   // SHEET.png: the small pictures side by side
};

options parse(const std::vector<std::string>& args) {
    options o;
    klice::tools::flags f;
    f.text("--icons", o.icons).others([&o](const std::string& a) {
        if (a.rfind("-", 0) == 0) throw std::invalid_argument("unknown flag '" + a + "'");
        if (o.assets.empty())
            o.assets = a;
        else if (o.sheet.empty())
            o.sheet = a;
        else
            throw std::invalid_argument("one assets folder and one sheet at most, not '" + a + "'");
    });
    f.parse(args);
    if (o.icons.empty() == o.assets.empty())
        throw std::invalid_argument(o.icons.empty() ? "no assets folder" : "--icons draws the icon alone");
    return o;
}

// The start plates lying on a background: of each level drawn on it, the
// block that never travels and lies on the floor under the figure's start.
std::vector<StartPlate> start_plates_on(const std::string& background) {
    constexpr int kFeetRow = 78;  // the floor's top under a figure standing at its start row
    std::vector<StartPlate> out;
    for (int level = 1; level <= klice::kLevelCount; ++level) {
        if (klice::background_name_of(level) != background) continue;
        char file[32];
        std::snprintf(file, sizeof file, "/levels/p%02d.txt", level);
        klice::level_record r = klice::assets::compile_level_file(g_root + file, level);
        for (const klice::level_object& o : klice::block_entries(r))
            if (o.range == 0 && o.dx == 0 && o.y == r.start_y + kFeetRow) out.push_back({o.x, o.y});
    }
    return out;
}

int run(options& o) {
    if (!o.icons.empty()) {
        write_icons(o.icons);
        return 0;
    }
    g_root = o.assets;
    write_icons(g_root + "/icons");
    make_player();
    make_key();
    make_splash();
    make_title();
    make_menu();
    make_objects();
    std::string krajina = kListHead;
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 21, 22, 23, 24, 25}) {
        const std::string name = "p" + std::to_string(n);
        save24(draw_background(g_root + "/pictures/krajina/" + name + ".map", start_plates_on(name)),
               "krajina/" + name + ".png");
        // A background is a third of its size in 8 bits, on disk and in
        // memory, and draws the same: it has fewer than 256 colours.
        krajina += item(name, "pictures/krajina/" + name + ".png", false, "clBlack", 8);
    }
    write_text("krajina.txt", krajina + kListTail);
    std::string ruzne = kListHead;
    auto ruzne_item = [](const std::string& name, const char* key) {
        return item(name, "pictures/" + png_of("ruzne", name), true, key);
    };
    ruzne += ruzne_item(pictures::kBlock, "clBlack");
    for (const char* kind : pictures::kHazards)
        for (int f = 1; f <= pictures::kHazardPictures; ++f)
            ruzne += ruzne_item(pictures::hazard_picture(kind, f), "clBlack");
    ruzne += ruzne_item(pictures::kExitArrow, "clWhite");
    write_text("ruzne.txt", ruzne + kListTail);
    if (!o.sheet.empty()) write_sheet(o.sheet);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (klice::tools::print_version_if_asked("klice-artgen", argc, argv)) return 0;
    return klice::tools::tool_main<options>("klice-artgen",
                                            "usage: klice-artgen ASSETS_DIR [SHEET.png]\n"
                                            "       klice-artgen --icons DIR\n",
                                            argc, argv, parse, run);
}
