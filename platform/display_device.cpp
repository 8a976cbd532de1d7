#include "platform/display_device.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/screen.h"
#include "platform/text_renderer.h"

namespace klice::platform {

namespace {

class SoftSurface;

// The virtual screen shared by every display device of the process.
// The desktop's own mode, which the virtual screen starts in.
constexpr DisplayMode kDesktopMode{1024, 768, 16};

struct Screen {
    DisplayMode mode = kDesktopMode;
    SoftSurface* primary = nullptr;
    std::set<SoftSurface*> surfaces;
    uint64_t presents = 0;
    bool dirty = false;
    std::optional<std::vector<DisplayMode>> test_modes;
};

Screen& TheScreen() {
    static Screen screen;
    return screen;
}

// Largest surface accepted, in bytes: far above anything the game makes,
// low enough that a corrupt size cannot exhaust memory.
constexpr size_t kMaxSurfaceBytes = size_t(256) << 20;

bool Inside(const Rect& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height && r.left <= r.right &&
           r.top <= r.bottom;
}

inline uint32_t LoadRaw(const uint8_t* p, int bpp) {
    switch (bpp) {
        case 1: return p[0];
        case 2: {
            uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        default: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
    }
}

inline void StoreRaw(uint8_t* p, int bpp, uint32_t v) {
    switch (bpp) {
        case 1: p[0] = uint8_t(v); break;
        case 2: {
            uint16_t w = uint16_t(v);
            std::memcpy(p, &w, 2);
            break;
        }
        case 3:
            p[0] = uint8_t(v);
            p[1] = uint8_t(v >> 8);
            p[2] = uint8_t(v >> 16);
            break;
        default: std::memcpy(p, &v, 4); break;
    }
}

// One row of a colour-keyed copy; step -1 walks the source backwards.
// Branch-free over distinct rows, so that the compiler vectorizes it.
template <typename T>
__attribute__((optimize("O3"))) void KeyedRowForward(T* __restrict dst, const T* __restrict src, int count, T key) {
    for (int i = 0; i < count; ++i) dst[i] = src[i] != key ? src[i] : dst[i];
}

template <typename T>
void KeyedRow(T* dst, const T* src, int count, int step, T key) {
    if (step == 1) {
        KeyedRowForward(dst, src, count, key);
        return;
    }
    for (int i = 0; i < count; ++i, src += step) {
        T v = *src;
        if (v != key) dst[i] = v;
    }
}

template <typename T>
void MirroredRow(T* dst, const T* src, int count) {
    for (int i = 0; i < count; ++i) dst[i] = *src--;
}

__attribute__((optimize("O3"))) void KeyedRow32Forward(uint32_t* __restrict dst, const uint32_t* __restrict src,
                                                       int count, uint32_t key) {
    for (int i = 0; i < count; ++i) dst[i] = (src[i] & 0xFFFFFF) != key ? src[i] : dst[i];
}

void KeyedRow32(uint32_t* dst, const uint32_t* src, int count, int step, uint32_t key) {
    key &= 0xFFFFFF;  // the alpha byte takes no part in the key
    if (step == 1) {
        KeyedRow32Forward(dst, src, count, key);
        return;
    }
    for (int i = 0; i < count; ++i, src += step) {
        uint32_t v = *src;
        if ((v & 0xFFFFFF) != key) dst[i] = v;
    }
}

class SoftDC;

// What the memory of a lost surface reads until it is drawn again.
constexpr uint8_t kLostMemoryByte = 0x5A;

class SoftSurface final : public PlatformSurface {
public:
    SoftSurface(int width, int height, PixelFormat format, bool video_memory, bool primary)
        : width_(width),
          height_(height),
          format_(format),
          bpp_(BytesPerPixel(format)),
          video_memory_(video_memory),
          primary_(primary) {
        pitch_ = (width_ * bpp_ + 3) & ~3;
        memory_.assign(size_t(pitch_) * height_, 0);
        TheScreen().surfaces.insert(this);
        if (primary_) TheScreen().primary = this;
    }
    ~SoftSurface() override;

    // Presentation without a copy: after a whole-surface blit into the
    // primary, the primary shows the source's memory (`shows_`) until either
    // surface is written. A write that covers the whole source swaps the two
    // memories (the frame moves to the primary, the source gets memory it
    // overwrites anyway); any other write copies the frame to the primary
    // first. Reads see the same pixels as after a copy.
    const uint8_t* Data() const { return shows_ ? shows_->memory_.data() : memory_.data(); }
    // Call before changing this surface's pixels; `whole` when every pixel is
    // about to be overwritten.
    void BeforeWrite(bool whole);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int Pitch() const override { return pitch_; }
    const PixelFormat& Format() const override { return format_; }
    bool InVideoMemory() const override { return video_memory_; }

    Result Lock(void** pixels, int* pitch) override {
        if (lost_) return Result::SurfaceLost;
        if (locked_ || dc_out_) return Result::AlreadyLocked;
        BeforeWrite(false);
        locked_ = true;
        if (pixels) *pixels = memory_.data();
        if (pitch) *pitch = pitch_;
        return Result::Ok;
    }
    Result Unlock() override {
        if (!locked_) return Result::NotLocked;
        locked_ = false;
        Touched();
        return Result::Ok;
    }

    Result SetColorKey(uint32_t raw) override {
        if (lost_) return Result::SurfaceLost;
        has_key_ = true;
        key_ = raw;
        return Result::Ok;
    }
    Result ClearColorKey() override {
        has_key_ = false;
        key_ = 0;
        return Result::Ok;
    }
    bool HasColorKey() const override { return has_key_; }
    uint32_t ColorKey() const override { return key_; }

    Result Fill(uint32_t raw) override {
        if (lost_) return Result::SurfaceLost;
        if (locked_ || dc_out_) return Result::AlreadyLocked;
        BeforeWrite(true);
        FillRows(raw);
        Touched();
        return Result::Ok;
    }

    Result Blt(const Rect& dest, PlatformSurface& source, const Rect& src, bool source_key, bool mirror_left_right,
               bool mirror_up_down) override;
    Result BltFast(int x, int y, PlatformSurface& source, const Rect& src, bool source_key) override {
        if (clipper_) return Result::Clipper;
        Rect dest{x, y, x + src.Width(), y + src.Height()};
        return Copy(dest, source, src, source_key, false, false, false);
    }
    Result SetClipper(bool attached) override {
        clipper_ = attached;
        return Result::Ok;
    }
    // 8-bit surfaces show the fixed 3-3-2 palette; an attached one is kept
    // for the caller and changes nothing.
    Result SetPalette(PlatformPalette* palette) override {
        palette_ = palette;
        return Result::Ok;
    }

    bool IsLost() const override { return lost_; }
    Result Restore() override {
        if (!lost_) return Result::Ok;
        if (detail::RestoreBlocked()) return Result::SurfaceLost;
        lost_ = false;
        return Result::Ok;
    }

    Result GetDC(DeviceContext** dc) override;
    Result ReleaseDC(DeviceContext* dc) override;

    // The memory of a lost surface is given to someone else: what it held is
    // gone, so everything drawn from it must be rebuilt after the restore.
    // The primary keeps its bytes as what the screen was last seen showing.
    void MarkLost() {
        lost_ = true;
        if (!primary_) std::fill(memory_.begin(), memory_.end(), kLostMemoryByte);
    }
    void Touched() {
        if (primary_) TheScreen().dirty = true;
    }
    bool IsPrimary() const { return primary_; }
    uint8_t* Row(int y) { return memory_.data() + size_t(y) * pitch_; }
    const uint8_t* ReadRow(int y) const { return Data() + size_t(y) * pitch_; }
    int Bpp() const { return bpp_; }
    const uint8_t* Memory() const { return Data(); }

private:
    friend class SoftDC;
    // The primary takes its own copy of the frame it shows.
    void Settle() {
        if (!shows_) return;
        std::memcpy(memory_.data(), shows_->memory_.data(), memory_.size());
        shows_ = nullptr;
    }
    void FillRows(uint32_t raw) {
        for (int y = 0; y < height_; ++y) {
            uint8_t* row = Row(y);
            switch (bpp_) {
                case 1: std::memset(row, int(raw & 0xFF), size_t(width_)); break;
                case 2: std::fill_n(reinterpret_cast<uint16_t*>(row), width_, uint16_t(raw)); break;
                case 4: std::fill_n(reinterpret_cast<uint32_t*>(row), width_, raw); break;
                default:
                    for (int x = 0; x < width_; ++x) StoreRaw(row + x * 3, 3, raw);
            }
        }
    }
    Result Copy(Rect dest, PlatformSurface& source, Rect src, bool source_key, bool mirror_lr, bool mirror_ud,
                bool clip);

    int width_, height_, pitch_ = 0;
    PixelFormat format_;
    int bpp_;
    bool video_memory_;
    bool primary_;
    std::vector<uint8_t> memory_;
    bool has_key_ = false;
    uint32_t key_ = 0;
    bool locked_ = false;
    bool lost_ = false;
    bool clipper_ = false;
    PlatformPalette* palette_ = nullptr;
    bool dc_out_ = false;
    std::unique_ptr<SoftDC> dc_;
    SoftSurface* shows_ = nullptr;  // primary only: the surface whose memory it shows
};

void SoftSurface::BeforeWrite(bool whole) {
    if (primary_) {
        if (whole)
            shows_ = nullptr;
        else
            Settle();
        return;
    }
    SoftSurface* primary = TheScreen().primary;
    if (!primary || primary->shows_ != this) return;
    if (whole) {
        primary->memory_.swap(memory_);
        primary->shows_ = nullptr;
    } else {
        primary->Settle();
    }
}

class SoftDC final : public DeviceContext {
public:
    explicit SoftDC(SoftSurface& surface) : s_(surface) {}

    uint32_t GetPixel(int x, int y) override {
        if (x < 0 || y < 0 || x >= s_.width_ || y >= s_.height_) return 0xFFFFFFFFu;
        return RawToColor(s_.format_, LoadRaw(s_.ReadRow(y) + size_t(x) * s_.bpp_, s_.bpp_));
    }

    void TextOut(int x, int y, const std::string& text, int char_height, uint32_t color) override {
        const GlyphRun* run = RenderText(text, char_height);
        if (!run) return;
        const uint8_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
        const RgbPacker pack(s_.format_);
        const uint32_t solid = pack(r, g, b);
        s_.BeforeWrite(false);
        for (int row = 0; row < run->height; ++row) {
            int ty = y + row;
            if (ty < 0 || ty >= s_.height_) continue;
            const uint8_t* alpha = run->alpha.data() + size_t(row) * run->width;
            uint8_t* out = s_.Row(ty);
            for (int col = 0; col < run->width; ++col) {
                int a = alpha[col];
                int tx = x + col;
                if (a == 0 || tx < 0 || tx >= s_.width_) continue;
                uint8_t* p = out + size_t(tx) * s_.bpp_;
                if (a == 255) {
                    StoreRaw(p, s_.bpp_, solid);
                    continue;
                }
                // Antialiased edge: mix the text colour over what is there.
                uint32_t under = RawToColor(s_.format_, LoadRaw(p, s_.bpp_));
                auto mix = [a](int fg, int bg) { return uint8_t((fg * a + bg * (255 - a) + 127) / 255); };
                StoreRaw(p, s_.bpp_,
                         pack(mix(r, under & 0xFF), mix(g, (under >> 8) & 0xFF), mix(b, (under >> 16) & 0xFF)));
            }
        }
    }

    void CopyDib(int dx, int dy, const DibView& image, int sx, int sy, int w, int h) override;

private:
    SoftSurface& s_;
};

SoftSurface::~SoftSurface() {
    Screen& screen = TheScreen();
    // A frame on screen outlives the surface it was composed on.
    if (screen.primary && screen.primary->shows_ == this) {
        screen.primary->memory_.swap(memory_);
        screen.primary->shows_ = nullptr;
    }
    screen.surfaces.erase(this);
    if (screen.primary == this) screen.primary = nullptr;
}

Result SoftSurface::GetDC(DeviceContext** dc) {
    if (!dc) return Result::InvalidParams;
    *dc = nullptr;
    if (lost_) return Result::SurfaceLost;
    if (locked_ || dc_out_) return Result::NoDC;
    if (!dc_) dc_ = std::make_unique<SoftDC>(*this);
    dc_out_ = true;
    *dc = dc_.get();
    return Result::Ok;
}

Result SoftSurface::ReleaseDC(DeviceContext* dc) {
    if (!dc_out_ || dc != dc_.get()) return Result::InvalidParams;
    dc_out_ = false;
    Touched();
    return Result::Ok;
}

Result SoftSurface::Blt(const Rect& dest, PlatformSurface& source, const Rect& src, bool source_key,
                        bool mirror_left_right, bool mirror_up_down) {
    return Copy(dest, source, src, source_key, mirror_left_right, mirror_up_down, clipper_);
}

Result SoftSurface::Copy(Rect dest, PlatformSurface& source_base, Rect src, bool source_key, bool mirror_lr,
                         bool mirror_ud, bool clip) {
    auto* source_ptr = dynamic_cast<SoftSurface*>(&source_base);
    if (!source_ptr) return Result::InvalidParams;
    SoftSurface& source = *source_ptr;
    if (lost_ || source.lost_) return Result::SurfaceLost;
    if (locked_ || dc_out_ || source.locked_ || source.dc_out_) return Result::AlreadyLocked;
    if (dest.Width() != src.Width() || dest.Height() != src.Height()) return Result::InvalidParams;
    if (!Inside(src, source.width_, source.height_)) return Result::InvalidParams;
    if (clip) {
        // Cut the destination to the surface and the source by as much, on
        // the side that mirroring maps there.
        int cut_left = std::max(0, -dest.left), cut_top = std::max(0, -dest.top);
        int cut_right = std::max(0, dest.right - width_), cut_bottom = std::max(0, dest.bottom - height_);
        dest.left += cut_left;
        dest.top += cut_top;
        dest.right -= cut_right;
        dest.bottom -= cut_bottom;
        if (mirror_lr) std::swap(cut_left, cut_right);
        if (mirror_ud) std::swap(cut_top, cut_bottom);
        src.left += cut_left;
        src.top += cut_top;
        src.right -= cut_right;
        src.bottom -= cut_bottom;
        if (dest.Width() <= 0 || dest.Height() <= 0) {
            if (primary_) ++TheScreen().presents;
            return Result::Ok;
        }
    } else if (!Inside(dest, width_, height_)) {
        return Result::InvalidParams;
    }
    if (primary_) {
        ++TheScreen().presents;
        Touched();
    }
    const int w = dest.Width(), h = dest.Height();
    if (w == 0 || h == 0) return Result::Ok;

    // A primary shown as another surface's memory reads as its own copy.
    if (source.shows_) source.Settle();
    const bool same_format = source.format_.bits == format_.bits && source.format_.r_mask == format_.r_mask &&
                             source.format_.g_mask == format_.g_mask && source.format_.b_mask == format_.b_mask;
    const bool keyed = source_key && source.has_key_;
    const bool whole_dest = dest.left == 0 && dest.top == 0 && w == width_ && h == height_;
    if (primary_ && same_format && !keyed && !mirror_lr && !mirror_ud && &source != this && whole_dest &&
        src.left == 0 && src.top == 0 && w == source.width_ && h == source.height_ && pitch_ == source.pitch_) {
        // Presenting a whole frame: show the source's memory instead of copying it.
        shows_ = &source;
        return Result::Ok;
    }
    BeforeWrite(whole_dest && !keyed && &source != this);

    // A copy within one surface goes through a copy of the source rows.
    std::vector<uint8_t> scratch;
    const uint8_t* src_base = nullptr;
    int src_pitch = source.pitch_;
    if (&source == this) {
        scratch.resize(size_t(w) * source.bpp_ * h);
        for (int y = 0; y < h; ++y)
            std::memcpy(&scratch[size_t(y) * w * source.bpp_],
                        source.ReadRow(src.top + y) + size_t(src.left) * source.bpp_, size_t(w) * source.bpp_);
        src_base = scratch.data();
        src_pitch = w * source.bpp_;
        src = Rect{0, 0, w, h};
    } else {
        src_base = source.memory_.data();
    }
    auto src_row = [&](int y) { return src_base + size_t(src.top + y) * src_pitch; };
    if (same_format && !keyed && !mirror_lr && !mirror_ud && &source != this && w == width_ && w == source.width_ &&
        pitch_ == source.pitch_ && dest.left == 0 && src.left == 0) {
        // Whole rows of equal pitch: one block.
        std::memcpy(Row(dest.top), source.ReadRow(src.top), size_t(pitch_) * h);
        return Result::Ok;
    }
    for (int y = 0; y < h; ++y) {
        int sy = mirror_ud ? (h - 1 - y) : y;
        const uint8_t* sp = src_row(sy) + size_t(mirror_lr ? src.right - 1 : src.left) * source.bpp_;
        uint8_t* dp = Row(dest.top + y) + size_t(dest.left) * bpp_;
        if (same_format && !keyed && !mirror_lr) {
            std::memcpy(dp, sp, size_t(w) * bpp_);
        } else if (same_format && bpp_ == 2) {
            auto* d = reinterpret_cast<uint16_t*>(dp);
            auto* s = reinterpret_cast<const uint16_t*>(sp);
            if (keyed)
                KeyedRow<uint16_t>(d, s, w, mirror_lr ? -1 : 1, uint16_t(source.key_));
            else
                MirroredRow<uint16_t>(d, s, w);
        } else if (same_format && bpp_ == 4) {
            auto* d = reinterpret_cast<uint32_t*>(dp);
            auto* s = reinterpret_cast<const uint32_t*>(sp);
            if (keyed)
                KeyedRow32(d, s, w, mirror_lr ? -1 : 1, source.key_);
            else
                MirroredRow<uint32_t>(d, s, w);
        } else if (same_format && bpp_ == 1) {
            if (keyed)
                KeyedRow<uint8_t>(dp, sp, w, mirror_lr ? -1 : 1, uint8_t(source.key_));
            else
                MirroredRow<uint8_t>(dp, sp, w);
        } else {
            // Mixed formats (a surface kept across a mode change) and 24 bits.
            const int step = mirror_lr ? -source.bpp_ : source.bpp_;
            const uint32_t key_mask = source.bpp_ == 4 ? 0xFFFFFFu : 0xFFFFFFFFu;
            for (int x = 0; x < w; ++x, sp += step) {
                uint32_t v = LoadRaw(sp, source.bpp_);
                if (keyed && (v & key_mask) == (source.key_ & key_mask)) continue;
                if (!same_format) {
                    uint32_t c = RawToColor(source.format_, v);
                    v = PackRgb(format_, uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
                }
                StoreRaw(dp + size_t(x) * bpp_, bpp_, v);
            }
        }
    }
    return Result::Ok;
}

// --- DIB copy ---

// Reads the colour of a DIB pixel as 0x00BBGGRR.
class DibReader {
public:
    explicit DibReader(const DibView& image) : image_(image) {
        r_mask_ = image.r_mask;
        g_mask_ = image.g_mask;
        b_mask_ = image.b_mask;
        if (!r_mask_ && !g_mask_ && !b_mask_) {
            if (image.bit_count == 16) {
                r_mask_ = 0x7C00;  // 5-5-5
                g_mask_ = 0x03E0;
                b_mask_ = 0x001F;
            } else {
                r_mask_ = 0xFF0000;
                g_mask_ = 0x00FF00;
                b_mask_ = 0x0000FF;
            }
        }
    }

    bool Valid() const {
        int bits = image_.bit_count;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
        if (image_.width <= 0 || image_.height <= 0 || !image_.pixels) return false;
        return int64_t(image_.stride) >= (int64_t(image_.width) * bits + 7) / 8;
    }

    // Palette index of an indexed picture's pixel (1, 4 or 8 bits).
    unsigned Index(int x, int y) const {
        const uint8_t* row = image_.pixels + size_t(image_.height - 1 - y) * image_.stride;
        switch (image_.bit_count) {
            case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
            case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
            default: return row[x];
        }
    }
    uint32_t PaletteColor(unsigned index) const { return Palette(index); }

    // y counted from the top of the picture.
    uint32_t At(int x, int y) const {
        const uint8_t* row = image_.pixels + size_t(image_.height - 1 - y) * image_.stride;
        switch (image_.bit_count) {
            case 1: return Palette((row[x >> 3] >> (7 - (x & 7))) & 1);
            case 4: return Palette((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
            case 8: return Palette(row[x]);
            case 16: return Masked(uint32_t(row[x * 2]) | uint32_t(row[x * 2 + 1]) << 8);
            case 24: return uint32_t(row[x * 3 + 2]) | uint32_t(row[x * 3 + 1]) << 8 | uint32_t(row[x * 3]) << 16;
            default: {
                uint32_t v;
                std::memcpy(&v, row + size_t(x) * 4, 4);
                return Masked(v);
            }
        }
    }

private:
    uint32_t Palette(unsigned index) const {
        if (!image_.color_table) return index ? 0xFFFFFFu : 0;
        const uint8_t* e = image_.color_table + size_t(index) * 4;  // B, G, R, reserved
        return uint32_t(e[2]) | uint32_t(e[1]) << 8 | uint32_t(e[0]) << 16;
    }
    uint32_t Masked(uint32_t v) const {
        return uint32_t(WidenChannel(v, r_mask_)) | uint32_t(WidenChannel(v, g_mask_)) << 8 |
               uint32_t(WidenChannel(v, b_mask_)) << 16;
    }
    const DibView& image_;
    uint32_t r_mask_, g_mask_, b_mask_;
};

void SoftDC::CopyDib(int dx, int dy, const DibView& image, int sx, int sy, int w, int h) {
    DibReader reader(image);
    if (!reader.Valid() || !ClipToImage(image, &dx, &dy, &sx, &sy, &w, &h)) return;
    // Then to the surface.
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min(w, s_.width_ - dx);
    h = std::min(h, s_.height_ - dy);
    if (w <= 0 || h <= 0) return;
    s_.BeforeWrite(false);
    const RgbPacker pack(s_.format_);
    const int bpp = s_.bpp_;
    // Indexed pictures: each palette entry is packed once.
    uint32_t lut[256];
    const bool indexed = image.bit_count <= 8;
    if (indexed)
        for (int i = 0; i < (1 << image.bit_count); ++i) {
            uint32_t c = reader.PaletteColor(unsigned(i));
            lut[i] = pack(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
        }
    // True colour onto 16 bits: each channel's 256 values are packed once.
    uint16_t red[256], green[256], blue[256];
    if (bpp == 2 && image.bit_count == 24)
        for (int v = 0; v < 256; ++v) {
            red[v] = uint16_t(pack(uint8_t(v), 0, 0));
            green[v] = uint16_t(pack(0, uint8_t(v), 0));
            blue[v] = uint16_t(pack(0, 0, uint8_t(v)));
        }
    for (int y = 0; y < h; ++y) {
        uint8_t* out = s_.Row(dy + y) + size_t(dx) * bpp;
        // The pictures of the game: true-colour or 8-bit rows onto a 16-bit
        // surface, a row at a time (most of the start-up is this copy).
        const uint8_t* in = image.pixels + size_t(image.height - 1 - (sy + y)) * image.stride;
        if (bpp == 2 && image.bit_count == 24) {
            in += size_t(sx) * 3;
            for (int x = 0; x < w; ++x, in += 3) {
                const uint16_t v = uint16_t(red[in[2]] | green[in[1]] | blue[in[0]]);
                std::memcpy(out + size_t(x) * 2, &v, 2);
            }
            continue;
        }
        if (bpp == 2 && image.bit_count == 8) {
            in += sx;
            for (int x = 0; x < w; ++x) {
                const uint16_t v = uint16_t(lut[in[x]]);
                std::memcpy(out + size_t(x) * 2, &v, 2);
            }
            continue;
        }
        for (int x = 0; x < w; ++x) {
            uint32_t raw;
            if (indexed) {
                raw = lut[reader.Index(sx + x, sy + y)];
            } else {
                uint32_t c = reader.At(sx + x, sy + y);
                raw = pack(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
            }
            if (bpp == 2) {
                uint16_t v = uint16_t(raw);
                std::memcpy(out + size_t(x) * 2, &v, 2);
            } else {
                StoreRaw(out + size_t(x) * bpp, bpp, raw);
            }
        }
    }
}

// --- the device ---

class SoftPalette final : public PlatformPalette {
public:
    explicit SoftPalette(const PaletteColor (&entries)[256]) { std::copy(entries, entries + 256, entries_); }
    Result SetEntries(int start, int count, const PaletteColor* entries) override {
        if (start < 0 || count < 0 || start + count > 256 || (count > 0 && !entries)) return Result::InvalidParams;
        std::copy(entries, entries + count, entries_ + start);
        return Result::Ok;
    }

private:
    PaletteColor entries_[256];
};

class SoftDisplayDevice final : public DisplayDevice {
public:
    Result SetCooperativeLevel(bool full_screen) override {
        full_screen_ = full_screen;
        return Result::Ok;
    }
    std::vector<DisplayMode> EnumDisplayModes() override {
        const auto& test = TheScreen().test_modes;
        return test ? *test : ClassicDisplayModes();
    }
    Result SetDisplayMode(int width, int height, int bits) override {
        for (const DisplayMode& m : EnumDisplayModes()) {
            if (m.width == width && m.height == height && m.bits == bits) {
                Screen& screen = TheScreen();
                if (screen.mode.width != width || screen.mode.height != height || screen.mode.bits != bits) {
                    // Changing the mode takes the memory of every surface.
                    MarkAllSurfacesLost();
                    screen.mode = m;
                }
                return Result::Ok;
            }
        }
        return Result::InvalidMode;
    }
    // The desktop's own mode is the virtual screen's default.
    Result RestoreDisplayMode() override {
        Screen& screen = TheScreen();
        DisplayMode desktop = kDesktopMode;
        if (screen.mode.width != desktop.width || screen.mode.height != desktop.height ||
            screen.mode.bits != desktop.bits) {
            MarkAllSurfacesLost();
            screen.mode = desktop;
        }
        return Result::Ok;
    }
    DisplayMode CurrentMode() const override { return TheScreen().mode; }
    Result CreatePrimarySurface(std::unique_ptr<PlatformSurface>* out) override {
        if (!out) return Result::InvalidParams;
        Screen& screen = TheScreen();
        if (screen.primary) return Result::Generic;  // one primary at a time
        PixelFormat format = FormatForBits(screen.mode.bits);
        *out = std::make_unique<SoftSurface>(screen.mode.width, screen.mode.height, format, true, true);
        screen.dirty = true;
        return Result::Ok;
    }
    Result CreateSurface(int width, int height, bool system_memory, std::unique_ptr<PlatformSurface>* out) override {
        if (!out) return Result::InvalidParams;
        if (width <= 0 || height <= 0) return Result::InvalidParams;
        PixelFormat format = FormatForBits(TheScreen().mode.bits);
        if (size_t(width) * size_t(height) * size_t(BytesPerPixel(format)) > kMaxSurfaceBytes)
            return Result::OutOfMemory;
        *out = std::make_unique<SoftSurface>(width, height, format, !system_memory, false);
        return Result::Ok;
    }
    Result CreatePalette(const PaletteColor (&entries)[256], std::unique_ptr<PlatformPalette>* out) override {
        if (!out) return Result::InvalidParams;
        *out = std::make_unique<SoftPalette>(entries);
        return Result::Ok;
    }
    // Presentation never waits: the window shows the newest frame at its
    // own vertical blank.
    Result WaitForVerticalBlank() override { return Result::Ok; }
    int PixelsPerInch() const override { return 96; }

private:
    bool full_screen_ = false;
};

}  // namespace

bool ClipToImage(const DibView& image, int* dx, int* dy, int* sx, int* sy, int* w, int* h) {
    if (*w <= 0 || *h <= 0) return false;
    if (*sx < 0) {
        *dx -= *sx;
        *w += *sx;
        *sx = 0;
    }
    if (*sy < 0) {
        *dy -= *sy;
        *h += *sy;
        *sy = 0;
    }
    *w = std::min(*w, image.width - *sx);
    *h = std::min(*h, image.height - *sy);
    return *w > 0 && *h > 0;
}

std::unique_ptr<DisplayDevice> CreateDisplayDevice(Result* result) {
    if (result) *result = Result::Ok;
    Application* app = Application::Current();
    if (app && !app->Headless()) {
        Result system = Result::Ok;
        if (auto device = detail::CreateSystemDisplayDevice(&system)) return device;
        // The system has a display of its own and it failed: no stand-in.
        if (system != Result::Ok) {
            if (result) *result = system;
            return nullptr;
        }
    }
    return std::make_unique<SoftDisplayDevice>();
}

bool HasSystemDisplay() { return detail::HasSystemDisplay(); }

std::vector<DisplayMode> ClassicDisplayModes() {
    static const int sizes[][2] = {{640, 480},  {800, 600},   {1024, 768}, {1152, 864},
                                   {1280, 960}, {1280, 1024}, {1600, 1200}};
    std::vector<DisplayMode> modes;
    for (auto& s : sizes)
        for (int bits : {8, 16, 24, 32}) modes.push_back(DisplayMode{s[0], s[1], bits});
    return modes;
}

void SetDisplayModesForTesting(std::optional<std::vector<DisplayMode>> modes) {
    TheScreen().test_modes = std::move(modes);
}

void MarkAllSurfacesLost() {
    for (SoftSurface* s : TheScreen().surfaces) s->MarkLost();
    detail::MarkSystemSurfacesLost();
}

namespace detail {

namespace {
std::optional<DisplayMode> g_system_mode;
}

void SetSystemScreenMode(std::optional<DisplayMode> mode) { g_system_mode = mode; }

DisplayMode ScreenMode() { return g_system_mode ? *g_system_mode : TheScreen().mode; }

std::optional<PrimaryView> Primary() {
    SoftSurface* p = TheScreen().primary;
    if (!p) return std::nullopt;
    return PrimaryView{p->Memory(), p->Width(), p->Height(), p->Pitch(), p->Format()};
}

uint64_t PresentCount() { return TheScreen().presents; }

bool TakeDirty() {
    bool dirty = TheScreen().dirty;
    TheScreen().dirty = false;
    return dirty;
}

}  // namespace detail

}  // namespace klice::platform
