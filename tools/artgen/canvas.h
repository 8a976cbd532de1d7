// A plain RGB drawing surface for the art generator, with the few shapes
// the game's pictures are made of.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/png_image.h"

namespace klice::artgen {

using Rgb = std::array<uint8_t, 3>;

constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0};

class Canvas {
public:
    Canvas(int w, int h, Rgb fill);
    int W() const { return w_; }
    int H() const { return h_; }
    Rgb Get(int x, int y) const;
    void Set(int x, int y, Rgb c);
    void Rect(int x, int y, int w, int h, Rgb c);
    void Frame(int x, int y, int w, int h, int t, Rgb c);
    void Disc(double cx, double cy, double r, Rgb c);
    void Ellipse(double cx, double cy, double rx, double ry, Rgb c);
    void Line(double x0, double y0, double x1, double y1, double width, Rgb c);
    void Triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb c);
    // Rounded rectangle.
    void Round(int x, int y, int w, int h, int r, Rgb c);
    // Vertical gradient from top colour to bottom colour.
    void Gradient(int x, int y, int w, int h, Rgb top, Rgb bottom);
    void Blit(const Canvas& src, int x, int y, const Rgb* key = nullptr);
    // Mirror left to right.
    Canvas Mirrored() const;

    assets::PngImage Rgb24() const;
    // A palette image: one entry for each colour in order of first use
    // (top row first); fails above 256 colours.
    assets::PngImage Paletted() const;

private:
    int w_, h_;
    std::vector<Rgb> px_;
};

// Deterministic noise for textures.
uint32_t hash3(int x, int y, int seed);
Rgb shade(Rgb c, int delta);
Rgb mix(Rgb a, Rgb b, int t256);

}  // namespace klice::artgen
