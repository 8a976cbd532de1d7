#include "platform/soft_surface.h"

namespace klice::platform::detail {

namespace {

bool Inside(const Rect& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height && r.left <= r.right &&
           r.top <= r.bottom;
}

// GCC vectorizes the keyed rows below only from -O3 on, hence the attribute;
// clang does so at -O2 and knows no such attribute.
#if defined(__GNUC__) && !defined(__clang__)
#define KLICE_VECTORIZE __attribute__((optimize("O3")))
#else
#define KLICE_VECTORIZE
#endif

// One row of a colour-keyed copy; step -1 walks the source backwards.
// Branch-free over distinct rows, so that the compiler vectorizes it.
template <typename T>
KLICE_VECTORIZE void KeyedRowForward(T* __restrict dst, const T* __restrict src, int count, T key) {
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

KLICE_VECTORIZE void KeyedRow32Forward(uint32_t* __restrict dst, const uint32_t* __restrict src, int count,
                                       uint32_t key) {
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

}  // namespace

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

SoftSurface::~SoftSurface() {
    SoftScreen& screen = TheScreen();
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
            const int step = mirror_lr ? -1 : 1;
            const uint32_t key_mask = source.bpp_ == 4 ? 0xFFFFFFu : 0xFFFFFFFFu;
            for (int x = 0; x < w; ++x) {
                uint32_t v = ReadRawPixel(sp, x * step, source.format_.bits);
                if (keyed && (v & key_mask) == (source.key_ & key_mask)) continue;
                if (!same_format) {
                    uint32_t c = RawToColor(source.format_, v);
                    v = PackRgb(format_, uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
                }
                WriteRawPixel(dp, x, format_.bits, v);
            }
        }
    }
    return Result::Ok;
}

std::optional<PrimaryView> Primary() {
    SoftSurface* p = TheScreen().primary;
    if (!p) return std::nullopt;
    return PrimaryView{p->Memory(), p->Width(), p->Height(), p->Pitch(), p->Format()};
}

}  // namespace klice::platform::detail
