#include "display/picture_surfaces.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "data/picture.h"
#include "platform/system_colors.h"

namespace klice {

using platform::Rect;

TColor SystemColorValue(int index) { return static_cast<TColor>(platform::SystemColorValue(index)); }

TColor ResolveColor(TColor color) {
    if (IsSystemColor(color)) return SystemColorValue(SystemColorIndex(color));
    return color & 0xFFFFFF;
}

uint32_t ColorToPixel(TDirectDrawSurface& surface, TColor color) {
    if (!surface.HasPlatformSurface()) return 0;
    const TColor rgb = ResolveColor(color);
    const uint32_t saved = surface.Pixel(0, 0);

    // A 1 x 1 8-bit DIB whose one pixel is palette entry 0, that colour.
    uint8_t pixel_row[4] = {0, 0, 0, 0};
    std::array<uint8_t, 1024> table{};
    table[0] = static_cast<uint8_t>(rgb >> 16);  // blue
    table[1] = static_cast<uint8_t>(rgb >> 8);   // green
    table[2] = static_cast<uint8_t>(rgb);        // red
    platform::DibView dib;
    dib.width = 1;
    dib.height = 1;
    dib.bit_count = 8;
    dib.stride = 4;
    dib.pixels = pixel_row;
    dib.color_table = table.data();

    TDirectDrawSurfaceCanvas& canvas = surface.Canvas();
    try {
        canvas.Handle()->CopyDib(0, 0, dib, 0, 0, 1, 1);
    } catch (...) {
        canvas.Release();
        throw;
    }
    canvas.Release();
    const uint32_t result = surface.Pixel(0, 0);
    surface.SetPixel(0, 0, saved);
    return result;
}

void TItemSurfaces::SetTransparentColor(TColor color) {
    for (auto& surface : Surfaces) {
        try {
            surface->SetTransparentColor(ColorToPixel(*surface, color));
        } catch (const Exception&) {
            // This surface keeps its key; the others are still keyed.
        }
    }
}

bool TItemSurfaces::Intact() {
    if (Surfaces.empty()) return false;
    for (auto& surface : Surfaces)
        if (!surface->HasPlatformSurface() || surface->IsLost()) return false;
    return true;
}

std::unique_ptr<TDirectDrawSurface> MakeKeyedSurface(TDirectDraw* draw, const Rect& r, bool system_memory, TColor key) {
    auto surface = std::make_unique<TDirectDrawSurface>(draw);
    surface->SystemMemory = system_memory;
    surface->SetSize(r.Width(), r.Height());
    surface->SetTransparentColor(ColorToPixel(*surface, key));
    return surface;
}

void CopyPicture(TDirectDrawSurface& surface, TDIB& picture, const Rect& r) {
    const platform::DibView view = picture.View();
    TDirectDrawSurfaceCanvas& canvas = surface.Canvas();
    try {
        canvas.Handle()->CopyDib(0, 0, view, r.left, r.top, r.Width(), r.Height());
    } catch (...) {
        canvas.Release();
        throw;
    }
    canvas.Release();
}

std::unique_ptr<TDirectDrawSurface> MakePictureSurface(TDirectDraw* draw, TGraphic* graphic, const Rect& r,
                                                       bool system_memory, TColor key) {
    auto surface = std::make_unique<TDirectDrawSurface>(draw);
    surface->SystemMemory = system_memory;
    surface->SetSize(r.Width(), r.Height());
    if (TDIB* dib = GraphicPixels(graphic)) CopyPicture(*surface, *dib, r);
    surface->SetTransparentColor(ColorToPixel(*surface, key));
    return surface;
}

void TItemSurfaces::FillLater(size_t surface, TDIB& picture, const Rect& r) {
    if (!picture_) picture_ = std::make_unique<TDIB>(picture);
    if (waiting_.size() <= surface) waiting_.resize(surface + 1);
    if (!waiting_[surface]) ++waiting_count_;
    waiting_[surface] = r;
}

void TItemSurfaces::Fill(size_t surface) const {
    if (!Waiting(surface)) return;
    TDirectDrawSurface& target = *Surfaces[surface];
    if (!target.HasPlatformSurface() || target.IsLost()) return;
    CopyPicture(target, *picture_, *waiting_[surface]);
    waiting_[surface].reset();
    if (--waiting_count_ == 0) picture_.reset();
}

int64_t TileSize(int64_t stride, int64_t count) {
    if (stride <= 0 || count <= 0) return 0;
    const int64_t multiple = (int64_t(2048) + stride - 1) / stride * stride;
    return std::min(multiple, stride * count);
}

void TDirectDrawPictureDisplay::BuildSurfaces(TPictureCollectionItem& item, std::unique_ptr<TPictureSurfaces>& out) {
    auto owned = std::make_unique<TItemSurfaces>();
    TItemSurfaces& set = *owned;
    out = std::move(owned);

    TGraphic* graphic = item.Picture()->Graphic();
    // Only pictures with pixels become surfaces; icons and metafiles draw nothing.
    if (graphic == nullptr || GraphicPixels(graphic) == nullptr || graphic->Empty()) return;
    TDirectDraw* draw = DirectDraw();
    const int pw = graphic->Width(), ph = graphic->Height();
    const int w = item.Width(), h = item.Height();
    const TColor key = item.TransparentColor();

    // The picture's pixels are checked now, so that a picture that cannot
    // be copied stops the build as before; they are copied on first use.
    TDIB& picture = *GraphicPixels(graphic);
    picture.View();
    auto add_surface = [&](const Rect& r) {
        set.Surfaces.push_back(MakeKeyedSurface(draw, r, item.SystemMemory, key));
        set.FillLater(set.Surfaces.size() - 1, picture, r);
    };

    TPatternLayout layout;
    if (w == pw && h == ph) {
        add_surface({0, 0, pw, ph});
        layout.Count = 1;
        layout.Width = pw;
        layout.Height = ph;
        set.Patterns = layout;
        return;
    }

    // In 64 bits: sizes and skips are stored values and may be anything.
    // Every pattern then starts inside the picture (at most its size less
    // one pattern), so positions fit an int again.
    const int64_t stride_x = int64_t(w) + item.SkipWidth, stride_y = int64_t(h) + item.SkipHeight;
    if (w <= 0 || h <= 0 || stride_x <= 0 || stride_y <= 0) return;
    const int64_t columns = (int64_t(pw) + item.SkipWidth) / stride_x;
    const int64_t rows = (int64_t(ph) + item.SkipHeight) / stride_y;
    if (columns <= 0 || rows <= 0) return;
    layout.Count = columns * rows;
    layout.Columns = columns;
    layout.Width = w;
    layout.Height = h;
    layout.StrideX = stride_x;
    layout.StrideY = stride_y;

    if (item.SystemMemory) {
        add_surface({0, 0, pw, ph});
        set.Patterns = layout;
        return;
    }

    const int64_t tile_w = TileSize(stride_x, columns), tile_h = TileSize(stride_y, rows);
    if (tile_w == 0 || tile_h == 0) return;
    const int64_t across = (pw + tile_w - 1) / tile_w;
    const int64_t down = (ph + tile_h - 1) / tile_h;
    // Patterns are laid out only once every tile exists, so a failed build
    // keeps the tiles made so far and no pattern pointing past them.
    for (int64_t ty = 0; ty < down; ++ty)
        for (int64_t tx = 0; tx < across; ++tx) {
            const int64_t left = tx * tile_w, top = ty * tile_h;
            add_surface({int(left), int(top), int(std::min<int64_t>(left + tile_w, pw)),
                         int(std::min<int64_t>(top + tile_h, ph))});
        }
    layout.TileWidth = tile_w;
    layout.TileHeight = tile_h;
    layout.TilesAcross = across;
    set.Patterns = layout;
}

TPictureCollectionItemPattern TItemSurfaces::PatternAt(int64_t index) const {
    const TPatternLayout& l = Patterns;
    const int64_t x = l.StrideX * (index % l.Columns), y = l.StrideY * (index / l.Columns);
    if (l.TileWidth == 0) {
        Fill(0);
        return {{int(x), int(y), int(x) + l.Width, int(y) + l.Height}, Surfaces.front().get()};
    }
    const size_t tile = static_cast<size_t>(x / l.TileWidth + l.TilesAcross * (y / l.TileHeight));
    const int left = int(x % l.TileWidth), top = int(y % l.TileHeight);
    Fill(tile);
    return {{left, top, left + l.Width, top + l.Height}, Surfaces[tile].get()};
}

int PatternCount(const TPictureCollectionItem& item) {
    const auto* set = dynamic_cast<const TItemSurfaces*>(item.Surfaces());
    if (!item.Initialized() || set == nullptr) return 0;
    return int(std::min<int64_t>(set->Patterns.Count, INT32_MAX));
}

std::optional<TPictureCollectionItemPattern> Pattern(const TPictureCollectionItem& item, int index) {
    if (index < 0 || index >= PatternCount(item)) return std::nullopt;
    return static_cast<const TItemSurfaces*>(item.Surfaces())->PatternAt(index);
}

// ---------------------------------------------------------------------------
// Draw.

void DrawSurface(TDirectDrawSurface& dest, int x, int y, const Rect& src, TDirectDrawSurface* source,
                 bool transparent) {
    if (source == nullptr || !source->HasPlatformSurface() || !dest.HasPlatformSurface()) return;
    if (x > dest.Width() || y > dest.Height()) return;
    // An inverted rectangle would ask for a mirrored copy, which nothing uses.
    if (src.right < src.left || src.bottom < src.top) return;

    // Clipped in 64 bits: a level may place an object anywhere an int reaches.
    struct span64 {
        int64_t left, top, right, bottom;
    };
    span64 d{x, y, int64_t(x) + (int64_t(src.right) - src.left), int64_t(y) + (int64_t(src.bottom) - src.top)};
    span64 s{src.left, src.top, src.right, src.bottom};
    const int64_t dest_w = dest.Width(), dest_h = dest.Height();
    const int64_t source_w = source->Width(), source_h = source->Height();
    // An edge beyond its surface moves onto it, and the matching edge of the
    // other rectangle moves as far.
    auto clip_start = [](int64_t& edge, int64_t& other) {
        if (edge < 0) {
            other -= edge;
            edge = 0;
        }
    };
    auto clip_end = [](int64_t& edge, int64_t limit, int64_t& other) {
        if (edge > limit) {
            other -= edge - limit;
            edge = limit;
        }
    };
    clip_start(d.left, s.left);
    clip_start(d.top, s.top);
    clip_start(s.left, d.left);
    clip_start(s.top, d.top);
    clip_end(d.right, dest_w, s.right);
    clip_end(d.bottom, dest_h, s.bottom);
    clip_end(s.right, source_w, d.right);
    clip_end(s.bottom, source_h, d.bottom);
    if (!(d.left < d.right && d.top < d.bottom && s.left < s.right && s.top < s.bottom)) return;
    // Every edge now lies within one of the two surfaces.
    const Rect dr{int(d.left), int(d.top), int(d.right), int(d.bottom)};
    const Rect sr{int(s.left), int(s.top), int(s.right), int(s.bottom)};

    if (dest.HasClipper()) {
        dest.Blt(dr, *source, sr, transparent);
        return;
    }
    if (!dest.BltFast(dr.left, dr.top, *source, sr, transparent) && dest.LastResult() == platform::Result::Clipper) {
        // A clipper the surface did not know of: note it and blit the
        // rectangle through it instead.
        dest.AttachClipper(true);
        dest.Blt(dr, *source, sr, transparent);
    }
}

void Draw(const TPictureCollectionItem& item, TDirectDrawSurface* dest, int x, int y, int pattern_index) {
    if (dest == nullptr) return;
    const std::optional<TPictureCollectionItemPattern> p = Pattern(item, pattern_index);
    if (!p) return;
    DrawSurface(*dest, x, y, p->Rect, p->Surface, item.Transparent);
}

// ---------------------------------------------------------------------------
// DrawRotated.

int32_t RoundHalfEven(float value) {
    const double v = value;
    const double floor = std::floor(v);
    const double frac = v - floor;
    double r = floor;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(floor, 2.0) != 0.0)) r = floor + 1.0;
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

namespace {

// cos(2 pi i / 256); sin of a is entry a + 192.
const std::array<double, 256>& CosTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = std::cos(2.0 * std::numbers::pi * i / 256.0);
        return t;
    }();
    return table;
}

double CosOf(int32_t a) { return CosTable()[static_cast<uint32_t>(a) & 0xFFu]; }
double SinOf(int32_t a) { return CosTable()[(static_cast<uint32_t>(a) + 192u) & 0xFFu]; }

int32_t MulDiv(int64_t p, int64_t q, int64_t r) { return static_cast<int32_t>(p * q / r); }

// The smallest m >= 0 with value + m * step >= limit (step > 0).
int64_t StepsUpTo(int64_t value, int64_t limit, int64_t step) { return (limit - value + step - 1) / step; }
// The smallest m >= 0 with value + m * step < limit (step < 0, value >= limit).
int64_t StepsBelow(int64_t value, int64_t limit, int64_t step) { return (value - limit) / -step + 1; }

// Copies one row: n texels stepping (du, dv) from (u, v) in 16.16.
template <class Pixel>
void RotatedRow(uint8_t* out, const uint8_t* src_bits, int src_pitch, int64_t u, int64_t v, int64_t du, int64_t dv,
                int n, bool keyed, uint32_t key, uint32_t key_mask) {
    Pixel* o = reinterpret_cast<Pixel*>(out);
    for (int i = 0; i < n; ++i, u += du, v += dv) {
        Pixel texel;
        std::memcpy(&texel, src_bits + (v >> 16) * src_pitch + (u >> 16) * int64_t(sizeof(Pixel)), sizeof(Pixel));
        if (keyed && (static_cast<uint32_t>(texel) & key_mask) == key) continue;
        std::memcpy(o + i, &texel, sizeof(Pixel));
    }
}

void RotatedRowGeneric(uint8_t* out, int bits, const uint8_t* src_bits, int src_pitch, int64_t u, int64_t v, int64_t du,
                       int64_t dv, int n, bool keyed, uint32_t key, uint32_t key_mask) {
    for (int i = 0; i < n; ++i, u += du, v += dv) {
        const uint32_t texel = ReadRawPixel(src_bits + (v >> 16) * src_pitch, static_cast<int>(u >> 16), bits);
        if (keyed && (texel & key_mask) == key) continue;
        WriteRawPixel(out, i, bits, texel);
    }
}

// The bits of a raw pixel that a key comparison looks at.
uint32_t KeyMask(const platform::PixelFormat& f) {
    switch (f.bits) {
        case 8: return 0xFFu;
        case 16: return f.r_mask || f.g_mask || f.b_mask ? (f.r_mask | f.g_mask | f.b_mask) & 0xFFFFu : 0xFFFFu;
        case 24:
        case 32: return 0xFFFFFFu;
        default: return (1u << f.bits) - 1u;
    }
}

struct Rasterizer {
    uint8_t* dest_bits;
    int dest_pitch, dest_w, dest_h;
    const uint8_t* src_bits;
    int src_pitch, src_w, src_h;
    int bits;
    bool keyed;
    uint32_t key, key_mask;

    void Run(int X, int Y, int Width, int Height, const Rect& src, double center_x, double center_y, int32_t a) {
        const int L = src.left, T = src.top, R = src.right, B = src.bottom;
        if (L < 0 || T < 0 || R > src_w || B > src_h || R <= L || B <= T) return;

        const double cos_a = CosOf(a), sin_a = SinOf(a);
        int64_t min_x = INT64_MAX, max_x = INT64_MIN, min_y = INT64_MAX, max_y = INT64_MIN;
        const int corners[4][2] = {{0, 0}, {Width, 0}, {0, Height}, {Width, Height}};
        for (const auto& corner : corners) {
            const double c = std::trunc(corner[0] - Width * center_x);
            const double d = std::trunc(corner[1] - Height * center_y);
            const int64_t cx = static_cast<int64_t>(std::trunc(c * cos_a - d * sin_a)) + X;
            const int64_t cy = static_cast<int64_t>(std::trunc(c * sin_a + d * cos_a)) + Y;
            min_x = std::min(min_x, cx);
            max_x = std::max(max_x, cx);
            min_y = std::min(min_y, cy);
            max_y = std::max(max_y, cy);
        }
        min_x = std::max<int64_t>(min_x, 0);
        min_y = std::max<int64_t>(min_y, 0);
        max_x = std::min<int64_t>(max_x, dest_w);
        max_y = std::min<int64_t>(max_y, dest_h);
        if (min_x > dest_w || max_x < 1 || max_x - min_x < 1 || min_y > dest_h || max_y < 1 || max_y - min_y < 1)
            return;

        const int64_t sw = R - L, sh = B - T;
        const int64_t cu = static_cast<int64_t>(std::trunc(CosOf(-a) * 65536.0));
        const int64_t su = static_cast<int64_t>(std::trunc(SinOf(-a) * 65536.0));
        const int64_t dudx = MulDiv(sw, cu, Width);
        const int64_t dvdx = MulDiv(sh, su, Height);
        const int64_t dudy = -int64_t(MulDiv(sw, su, Width));
        const int64_t dvdy = MulDiv(sh, cu, Height);

        const int64_t l16 = int64_t(L) << 16, r16 = int64_t(R) << 16;
        const int64_t t16 = int64_t(T) << 16, b16 = int64_t(B) << 16;
        int64_t row_u = static_cast<int64_t>(std::trunc(center_x * static_cast<double>(sw) * 65536.0)) +
                        (min_x - X) * dudx + (min_y - Y) * dudy + l16;
        int64_t row_v = static_cast<int64_t>(std::trunc(center_y * static_cast<double>(sh) * 65536.0)) +
                        (min_x - X) * dvdx + (min_y - Y) * dvdy + t16;

        for (int64_t y = min_y; y < max_y; ++y, row_u += dudy, row_v += dvdy) {
            int64_t u = row_u, v = row_v;
            int64_t m = 0;
            if (dudx > 0 && u < l16)
                m = StepsUpTo(u, l16, dudx);
            else if (dudx < 0 && u >= r16)
                m = StepsBelow(u, r16, dudx);
            if (dvdx > 0 && v < t16)
                m = std::max(m, StepsUpTo(v, t16, dvdx));
            else if (dvdx < 0 && v >= b16)
                m = std::max(m, StepsBelow(v, b16, dvdx));
            u += m * dudx;
            v += m * dvdx;

            int64_t n = dudx < 0 ? (u - l16) / -dudx : (r16 - u) / std::max<int64_t>(dudx, 1);
            n = std::min(n, dvdx < 0 ? (v - t16) / -dvdx : (b16 - v) / std::max<int64_t>(dvdx, 1));
            n = std::min(n, dest_w - m - min_x);
            // A row that does not step along an axis must start inside the
            // source on that axis, or it would read outside the rectangle.
            if ((dudx == 0 && (u < l16 || u >= r16)) || (dvdx == 0 && (v < t16 || v >= b16))) n = 0;
            if (n < 1) continue;

            uint8_t* out = dest_bits + y * dest_pitch;
            const int64_t first = min_x + m;
            switch (bits) {
                case 16:
                    RotatedRow<uint16_t>(out + first * 2, src_bits, src_pitch, u, v, dudx, dvdx, static_cast<int>(n),
                                         keyed, key, key_mask);
                    break;
                case 32:
                    RotatedRow<uint32_t>(out + first * 4, src_bits, src_pitch, u, v, dudx, dvdx, static_cast<int>(n),
                                         keyed, key, key_mask);
                    break;
                case 8:
                    RotatedRow<uint8_t>(out + first, src_bits, src_pitch, u, v, dudx, dvdx, static_cast<int>(n), keyed,
                                        key, key_mask);
                    break;
                default:
                    if (bits == 24) out += first * 3;
                    RotatedRowGeneric(out, bits, src_bits, src_pitch, u, v, dudx, dvdx, static_cast<int>(n), keyed, key,
                                      key_mask);
            }
        }
    }
};

}  // namespace

void DrawSurfaceRotated(TDirectDrawSurface& dest, int x, int y, int width, int height, const Rect& src,
                        TDirectDrawSurface* source, double center_x, double center_y, bool transparent, float angle) {
    if (source == nullptr || !dest.HasPlatformSurface() || !source->HasPlatformSurface()) return;
    if (dest.Width() == 0 || dest.Height() == 0 || width == 0 || height == 0) return;
    if (source->Width() == 0 || source->Height() == 0) return;
    // Texels are copied as they are, so both sides need the same format.
    if (source->BitCount() != dest.BitCount() ||
        (dest.BitCount() != 8 && dest.BitCount() != 16 && dest.BitCount() != 24 && dest.BitCount() != 32))
        return;

    void* dest_bits = nullptr;
    int dest_pitch = 0;
    if (!dest.Lock(&dest_bits, &dest_pitch)) return;
    void* src_bits = nullptr;
    int src_pitch = 0;
    if (!source->Lock(&src_bits, &src_pitch)) {
        dest.Unlock();
        return;
    }
    Rasterizer r{static_cast<uint8_t*>(dest_bits),
                 dest_pitch,
                 dest.Width(),
                 dest.Height(),
                 static_cast<const uint8_t*>(src_bits),
                 src_pitch,
                 source->Width(),
                 source->Height(),
                 dest.BitCount(),
                 transparent && source->Description().HasColorKey,
                 0,
                 KeyMask(source->Description().Format)};
    r.key = source->Description().ColorKey & r.key_mask;
    r.Run(x, y, width, height, src, center_x, center_y, RoundHalfEven(angle));
    source->Unlock();
    dest.Unlock();
}

void DrawRotated(const TPictureCollectionItem& item, TDirectDrawSurface* dest, int x, int y, int width, int height,
                 int pattern_index, double center_x, double center_y, float angle) {
    if (dest == nullptr) return;
    const std::optional<TPictureCollectionItemPattern> p = Pattern(item, pattern_index);
    if (!p) return;
    DrawSurfaceRotated(*dest, x, y, width, height, p->Rect, p->Surface, center_x, center_y, item.Transparent, angle);
}

}  // namespace klice
