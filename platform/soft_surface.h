// Internal to platform/: the software display's surfaces (plain pixel
// memory in the mode's format) and their device contexts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/display_device.h"
#include "platform/pixel_codec.h"
#include "platform/screen.h"
#include "platform/soft_screen.h"

namespace klice::platform::detail {

class SoftDC;

// What the memory of a lost surface reads until it is drawn again.
constexpr uint8_t kLostMemoryByte = 0x5A;

// A surface's pixel memory, zero when new. It comes from calloc, so a large
// block is the system's own zeroed pages: a new surface costs no clearing,
// and its pages become resident only as they are drawn on.
class ZeroedPixels {
public:
    ZeroedPixels() = default;
    explicit ZeroedPixels(size_t size)
        : bytes_(static_cast<uint8_t*>(std::calloc(size == 0 ? 1 : size, 1))), size_(size) {
        if (!bytes_) throw std::bad_alloc();
    }
    uint8_t* data() { return bytes_.get(); }
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }
    void swap(ZeroedPixels& other) noexcept {
        bytes_.swap(other.bytes_);
        std::swap(size_, other.size_);
    }

private:
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> bytes_;
    size_t size_ = 0;
};

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
        memory_ = ZeroedPixels(size_t(pitch_) * height_);
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
        if (!primary_) std::memset(memory_.data(), kLostMemoryByte, memory_.size());
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
                    for (int x = 0; x < width_; ++x) WriteRawPixel(row, x, 24, raw);
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
    ZeroedPixels memory_;
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

class SoftDC final : public DeviceContext {
public:
    explicit SoftDC(SoftSurface& surface) : s_(surface) {}

    uint32_t GetPixel(int x, int y) override;
    void TextOut(int x, int y, const std::string& text, int char_height, uint32_t color) override;
    void CopyDib(int dx, int dy, const DibView& image, int sx, int sy, int w, int h) override;

private:
    SoftSurface& s_;
};

}  // namespace klice::platform::detail
