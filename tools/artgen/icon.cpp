#include "tools/artgen/icon.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/artgen/motifs.h"

namespace klice::artgen {

namespace {

constexpr int kSmoothing = 4;  // drawn at this many times the size, then averaged

// The tile: a rounded square of night sky with an edge of the menu's
// panels, a crescent and a few stars where there is room for them, and the
// key across it.
void draw_tile(Canvas& picture, Canvas& mask, int size) {
    const int n = size * kSmoothing;
    const int margin = size >= 48 ? n / 32 : kSmoothing / 2;
    const int radius = n * 3 / 16;
    mask.Round(margin, margin, n - 2 * margin, n - 2 * margin, radius, kWhite);
    picture.Round(margin, margin, n - 2 * margin, n - 2 * margin, radius, {90, 76, 150});
    const int edge = margin + std::max(kSmoothing, n / 40);
    picture.Round(edge, edge, n - 2 * edge, n - 2 * edge, radius - (edge - margin), kSkyTop);
    Canvas sky(n, n, kSkyTop);
    sky.Gradient(0, 0, n, n, kSkyTop, kSkyBottom);
    for (int y = edge; y < n - edge; ++y)
        for (int x = edge; x < n - edge; ++x)
            if (picture.Get(x, y) == kSkyTop) picture.Set(x, y, sky.Get(x, y));
    if (size >= 48) {
        const double u = n / 64.0;
        picture.Disc(47 * u, 15 * u, 7 * u, {250, 240, 200});
        picture.Disc(49.5 * u, 13.5 * u, 6 * u, mix(kSkyTop, kSkyBottom, 40));
        for (int i = 0; i < 7; ++i) {
            const double x = 10 + hash3(i, 0, 29) % 30, y = 8 + hash3(i, 1, 29) % 10;
            picture.Disc(x * u, y * u, 0.6 * u, {220, 220, 255});
        }
    }
    // The key spans 29 of its 30 units across and rows 7 to 25 down.
    const double s = (n - 2 * edge) * 0.86 / 28.0;
    const int ox = static_cast<int>(n / 2.0 - 15 * s), oy = static_cast<int>(n * (size >= 48 ? 0.56 : 0.5) - 16 * s);
    draw_key(picture, ox, oy, s);
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A 32-bit bitmap entry: the header (twice the height, for the colour rows
// and the mask), blue-green-red-alpha rows from the bottom up, then the
// mask, one bit a pixel set where the picture is transparent, rows padded
// to 32 bits.
std::vector<uint8_t> bitmap_entry(const assets::PngImage& p) {
    std::vector<uint8_t> out;
    const uint32_t mask_row = (static_cast<uint32_t>(p.width) + 31) / 32 * 4;
    put32(out, 40);
    put32(out, static_cast<uint32_t>(p.width));
    put32(out, static_cast<uint32_t>(p.height) * 2);
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // no compression
    put32(out, static_cast<uint32_t>(p.width * p.height * 4) + mask_row * p.height);
    for (int i = 0; i < 4; ++i) put32(out, 0);
    for (int y = p.height - 1; y >= 0; --y)
        for (int x = 0; x < p.width; ++x) {
            const size_t i = static_cast<size_t>(y) * p.width + x;
            out.insert(out.end(), {p.pixels[3 * i + 2], p.pixels[3 * i + 1], p.pixels[3 * i], p.alpha[i]});
        }
    for (int y = p.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(mask_row, 0);
        for (int x = 0; x < p.width; ++x)
            if (p.alpha[static_cast<size_t>(y) * p.width + x] == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

assets::PngImage draw_icon(int size) {
    const int n = size * kSmoothing;
    Canvas picture(n, n, kBlack), mask(n, n, kBlack);
    draw_tile(picture, mask, size);
    assets::PngImage icon;
    icon.width = icon.height = size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            int covered = 0, sum[3] = {0, 0, 0};
            for (int j = 0; j < kSmoothing; ++j)
                for (int i = 0; i < kSmoothing; ++i) {
                    const int px = x * kSmoothing + i, py = y * kSmoothing + j;
                    if (mask.Get(px, py) != kWhite) continue;
                    ++covered;
                    const Rgb c = picture.Get(px, py);
                    for (int k = 0; k < 3; ++k) sum[k] += c[k];
                }
            for (int k = 0; k < 3; ++k)
                icon.pixels.push_back(covered ? static_cast<uint8_t>((sum[k] + covered / 2) / covered) : 0);
            icon.alpha.push_back(
                static_cast<uint8_t>((covered * 255 + kSmoothing * kSmoothing / 2) / (kSmoothing * kSmoothing)));
        }
    return icon;
}

std::vector<uint8_t> icon_file(const std::vector<assets::PngImage>& pictures) {
    std::vector<std::vector<uint8_t>> entries;
    for (const assets::PngImage& p : pictures) {
        if (p.paletted || p.width != p.height || p.width < 1 || p.width > 256 ||
            p.alpha.size() != static_cast<size_t>(p.width) * p.height)
            throw std::invalid_argument("an icon picture is square, RGB with alpha, 1 to 256 pixels");
        entries.push_back(p.width == 256 ? assets::encode_png(p) : bitmap_entry(p));
    }
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // an icon, not a cursor
    put16(out, static_cast<uint32_t>(pictures.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        out.push_back(static_cast<uint8_t>(pictures[i].width % 256));  // 256 is written 0
        out.push_back(static_cast<uint8_t>(pictures[i].height % 256));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);  // planes
        put16(out, 32);
        put32(out, static_cast<uint32_t>(entries[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const std::vector<uint8_t>& e : entries) out.insert(out.end(), e.begin(), e.end());
    return out;
}

void write_icons(const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::vector<assets::PngImage> windows;
    for (int size : kIconSizes) {
        assets::PngImage icon = draw_icon(size);
        assets::write_png(folder + "/klice-" + std::to_string(size) + ".png", icon);
        for (int w : kWindowsIconSizes)
            if (w == size) windows.push_back(icon);
    }
    const std::vector<uint8_t> ico = icon_file(windows);
    std::ofstream out(folder + "/klice.ico", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(ico.data()), static_cast<std::streamsize>(ico.size()));
    if (!out) throw std::runtime_error("cannot write " + folder + "/klice.ico");
}

}  // namespace klice::artgen
