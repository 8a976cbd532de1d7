#include "platform/soft_display_device.h"

#include <algorithm>
#include <memory>

#include "platform/backend.h"
#include "platform/soft_surface.h"

namespace klice::platform {

namespace detail {

namespace {

// Largest surface accepted, in bytes: far above anything the game makes,
// low enough that a corrupt size cannot exhaust memory.
constexpr size_t kMaxSurfaceBytes = size_t(256) << 20;

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
                SoftScreen& screen = TheScreen();
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
        SoftScreen& screen = TheScreen();
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
        SoftScreen& screen = TheScreen();
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

std::unique_ptr<DisplayDevice> CreateSoftDisplayDevice() { return std::make_unique<SoftDisplayDevice>(); }

}  // namespace detail

std::vector<DisplayMode> ClassicDisplayModes() {
    static const int sizes[][2] = {{640, 480},  {800, 600},   {1024, 768}, {1152, 864},
                                   {1280, 960}, {1280, 1024}, {1600, 1200}};
    std::vector<DisplayMode> modes;
    for (auto& s : sizes)
        for (int bits : {8, 16, 24, 32}) modes.push_back(DisplayMode{s[0], s[1], bits});
    return modes;
}

void SetDisplayModesForTesting(std::optional<std::vector<DisplayMode>> modes) {
    detail::TheScreen().test_modes = std::move(modes);
}

void MarkAllSurfacesLost() {
    for (detail::SoftSurface* s : detail::TheScreen().surfaces) s->MarkLost();
    detail::MarkSystemSurfacesLost();
}

}  // namespace klice::platform
