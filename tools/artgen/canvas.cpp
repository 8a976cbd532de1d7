#include "tools/artgen/canvas.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

namespace klice::artgen {

Canvas::Canvas(int w, int h, Rgb fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}

Rgb Canvas::Get(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return kBlack;
    return px_[static_cast<size_t>(y) * w_ + x];
}

void Canvas::Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    px_[static_cast<size_t>(y) * w_ + x] = c;
}

void Canvas::Rect(int x, int y, int w, int h, Rgb c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) Set(i, j, c);
}

void Canvas::Frame(int x, int y, int w, int h, int t, Rgb c) {
    Rect(x, y, w, t, c);
    Rect(x, y + h - t, w, t, c);
    Rect(x, y, t, h, c);
    Rect(x + w - t, y, t, h, c);
}

void Canvas::Disc(double cx, double cy, double r, Rgb c) { Ellipse(cx, cy, r, r, c); }

void Canvas::Ellipse(double cx, double cy, double rx, double ry, Rgb c) {
    for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y)
        for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
            const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) Set(x, y, c);
        }
}

void Canvas::Line(double x0, double y0, double x1, double y1, double width, Rgb c) {
    const double r = width / 2;
    const int minx = static_cast<int>(std::min(x0, x1) - r) - 1, maxx = static_cast<int>(std::max(x0, x1) + r) + 1;
    const int miny = static_cast<int>(std::min(y0, y1) - r) - 1, maxy = static_cast<int>(std::max(y0, y1) + r) + 1;
    const double vx = x1 - x0, vy = y1 - y0, len2 = vx * vx + vy * vy;
    for (int y = miny; y <= maxy; ++y)
        for (int x = minx; x <= maxx; ++x) {
            const double px = x + 0.5 - x0, py = y + 0.5 - y0;
            double t = len2 > 0 ? (px * vx + py * vy) / len2 : 0;
            t = std::clamp(t, 0.0, 1.0);
            const double dx = px - t * vx, dy = py - t * vy;
            if (dx * dx + dy * dy <= r * r) Set(x, y, c);
        }
}

void Canvas::Triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb c) {
    const int minx = static_cast<int>(std::min({x0, x1, x2})), maxx = static_cast<int>(std::max({x0, x1, x2})) + 1;
    const int miny = static_cast<int>(std::min({y0, y1, y2})), maxy = static_cast<int>(std::max({y0, y1, y2})) + 1;
    auto edge = [](double ax, double ay, double bx, double by, double px, double py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    for (int y = miny; y <= maxy; ++y)
        for (int x = minx; x <= maxx; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double a = edge(x0, y0, x1, y1, px, py), b = edge(x1, y1, x2, y2, px, py),
                         d = edge(x2, y2, x0, y0, px, py);
            if ((a >= 0 && b >= 0 && d >= 0) || (a <= 0 && b <= 0 && d <= 0)) Set(x, y, c);
        }
}

void Canvas::Round(int x, int y, int w, int h, int r, Rgb c) {
    Rect(x + r, y, w - 2 * r, h, c);
    Rect(x, y + r, w, h - 2 * r, c);
    Disc(x + r, y + r, r, c);
    Disc(x + w - r, y + r, r, c);
    Disc(x + r, y + h - r, r, c);
    Disc(x + w - r, y + h - r, r, c);
}

void Canvas::Gradient(int x, int y, int w, int h, Rgb top, Rgb bottom) {
    for (int j = 0; j < h; ++j) Rect(x, y + j, w, 1, mix(top, bottom, h > 1 ? j * 256 / (h - 1) : 0));
}

void Canvas::Blit(const Canvas& src, int x, int y, const Rgb* key) {
    for (int j = 0; j < src.h_; ++j)
        for (int i = 0; i < src.w_; ++i) {
            const Rgb c = src.Get(i, j);
            if (key && c == *key) continue;
            Set(x + i, y + j, c);
        }
}

Canvas Canvas::Mirrored() const {
    Canvas out(w_, h_, kBlack);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) out.Set(w_ - 1 - x, y, Get(x, y));
    return out;
}

assets::PngImage Canvas::Rgb24() const {
    assets::PngImage img;
    img.width = w_;
    img.height = h_;
    img.pixels.reserve(px_.size() * 3);
    for (const Rgb& c : px_) img.pixels.insert(img.pixels.end(), c.begin(), c.end());
    return img;
}

assets::PngImage Canvas::Paletted() const {
    assets::PngImage img;
    img.width = w_;
    img.height = h_;
    img.paletted = true;
    std::map<Rgb, uint8_t> index;
    for (const Rgb& c : px_) {
        auto it = index.find(c);
        if (it == index.end()) {
            if (img.palette.size() == 256) throw std::runtime_error("more than 256 colours in a palette picture");
            it = index.emplace(c, static_cast<uint8_t>(img.palette.size())).first;
            img.palette.push_back(c);
        }
        img.pixels.push_back(it->second);
    }
    return img;
}

uint32_t hash3(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

Rgb shade(Rgb c, int delta) {
    Rgb out;
    for (int i = 0; i < 3; ++i) out[i] = static_cast<uint8_t>(std::clamp(c[i] + delta, 0, 255));
    return out;
}

Rgb mix(Rgb a, Rgb b, int t) {
    Rgb out;
    for (int i = 0; i < 3; ++i) out[i] = static_cast<uint8_t>((a[i] * (256 - t) + b[i] * t) / 256);
    return out;
}

}  // namespace klice::artgen
