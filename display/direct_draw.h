// Wrappers around the display service: the display object, surfaces with
// their text canvas, the clipper and the palette. A wrapper records the result
// of every platform call on itself instead of raising it; only a creation
// failure and a missing platform object raise.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/colors.h"
#include "data/font.h"
#include "platform/display_device.h"
#include "platform/exception.h"
#include "platform/pixel_codec.h"

namespace klice {

// Failures of the display layer.
KLICE_DECLARE_EXCEPTION(EDirectDrawError, EDirectXError);
KLICE_DECLARE_EXCEPTION(EDirectDrawSurfaceError, EDirectDrawError);
KLICE_DECLARE_EXCEPTION(EDXDrawError, Exception);

inline constexpr const char* kDDCannotInitialize = "%s cannot be initialized";
inline constexpr const char* kDDRequiresDirectX6 = "Requires DirectX 6.0 or later";
inline constexpr const char* kDDRequiresDirectX7 = "Requires DirectX 7.0 or later";
inline constexpr const char* kDDCannotMade = "%s cannot be made";
inline constexpr const char* kDDNotMade = "%s not made";
inline constexpr const char* kDDDisplayModeCannotBeChanged = "Display mode cannot be changed (%dx%d %dbit)";
inline constexpr const char* kDDInvalidDisplayBitCount = "Display requires 8, 16, 24 or 32 bits";
inline constexpr const char* kDDFormNotFound = "Form not found";
inline constexpr const char* kDDNoCanvas = "Canvas does not allow drawing";

// Pixels of a surface's rows are read and written with the platform's one
// pixel codec.
using platform::ReadRawPixel;
using platform::WriteRawPixel;

// A device-context handle of a surface, as the text and pixel calls take it.
using HDC = platform::DeviceContext*;

// The pixel at (x, y) as 0x00BBGGRR, or 0xFFFFFFFF outside the surface (and
// for a null handle).
uint32_t GetPixel(HDC dc, int x, int y);

struct TPaletteEntry {
    uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};
using TPaletteTable = std::array<TPaletteEntry, 256>;

// The system palette as the display reports it: the twenty static colours at
// 0-9 and 246-255, black in between.
TPaletteTable SystemPalette();

// The display service object of one initialization.
class TDirectDraw {
public:
    // Opens the display service of the running application; raises
    // EDirectDrawError "DirectDraw cannot be initialized" when there is none.
    TDirectDraw();
    explicit TDirectDraw(std::unique_ptr<platform::DisplayDevice> device);
    TDirectDraw(const TDirectDraw&) = delete;
    TDirectDraw& operator=(const TDirectDraw&) = delete;
    // Leaves exclusive mode and gives the desktop its display mode back.
    ~TDirectDraw();

    platform::DisplayDevice& Device() { return *device_; }
    platform::Result LastResult() const { return last_result_; }
    // Records a platform result; returns true when it is Ok.
    bool Check(platform::Result result);

    std::vector<platform::DisplayMode> EnumDisplayModes();
    int PixelsPerInch() const { return device_->PixelsPerInch(); }

private:
    std::unique_ptr<platform::DisplayDevice> device_;
    platform::Result last_result_ = platform::Result::Ok;
};

class TDirectDrawSurface;
class TDirectDrawPalette;

enum class TBrushStyle { bsSolid, bsClear };

struct TBrush {
    TBrushStyle Style = TBrushStyle::bsSolid;
    TColor Color = clWhite;
};

// The text canvas of one surface. It holds a device context of its surface
// only between the first handle request and Release.
class TDirectDrawSurfaceCanvas {
public:
    explicit TDirectDrawSurfaceCanvas(TDirectDrawSurface* surface);
    TDirectDrawSurfaceCanvas(const TDirectDrawSurfaceCanvas&) = delete;
    TDirectDrawSurfaceCanvas& operator=(const TDirectDrawSurfaceCanvas&) = delete;
    ~TDirectDrawSurfaceCanvas();

    // The device context, acquired on first request; raises EInvalidOperation
    // "Canvas does not allow drawing" when the surface cannot give one.
    HDC Handle();
    bool HandleAllocated() const { return dc_ != nullptr; }
    // Gives the device context back to the surface; nothing when none is held.
    void Release();

    TBrush Brush;
    // The character height follows Font.Height (negative: pixels); its
    // PixelsPerInch is the screen's.
    TFont Font;

    // Text with its cell's top-left corner at (x, y), 8-bit Windows-1250.
    // Only the glyph strokes are drawn; a solid brush does not fill the cell.
    void TextOut(int x, int y, const std::string& text);

private:
    TDirectDrawSurface* surface_;
    platform::DeviceContext* dc_ = nullptr;
};

// What the surface was created as and how its pixels are laid out.
struct TSurfaceDescription {
    int Width = 0, Height = 0, Pitch = 0;
    platform::PixelFormat Format{};
    bool VideoMemory = false;
    bool Primary = false;
    bool HasColorKey = false;
    uint32_t ColorKey = 0;
};

class TDirectDrawSurface {
public:
    explicit TDirectDrawSurface(TDirectDraw* draw);
    TDirectDrawSurface(const TDirectDrawSurface&) = delete;
    TDirectDrawSurface& operator=(const TDirectDrawSurface&) = delete;
    ~TDirectDrawSurface();

    TDirectDraw* DDraw() const { return draw_; }
    bool HasPlatformSurface() const { return surface_ != nullptr; }
    // The platform surface; raises EDirectDrawSurfaceError
    // "IDirectDrawSurface not made" when there is none.
    platform::PlatformSurface& ISurface();
    // Takes over a platform surface and reads its description; null frees it.
    void SetPlatformSurface(std::unique_ptr<platform::PlatformSurface> surface, bool primary = false);

    // An off-screen plain surface of width x height, in system memory when
    // SystemMemory is set; a failed attempt in video memory is retried in
    // system memory. Returns false when both fail.
    bool TryCreate(int width, int height);
    // As TryCreate, raising EDirectDrawSurfaceError "Surface cannot be made".
    void SetSize(int width, int height);
    bool CreatePrimary();

    bool SystemMemory = false;
    const TSurfaceDescription& Description() const { return desc_; }
    int Width() const { return desc_.Width; }
    int Height() const { return desc_.Height; }
    platform::Rect ClientRect() const { return {0, 0, Width(), Height()}; }
    int BitCount() const { return desc_.Format.bits; }
    platform::Result LastResult() const { return last_result_; }
    bool HasClipper() const { return has_clipper_; }

    TDirectDrawSurfaceCanvas& Canvas();
    bool HasCanvas() const { return canvas_ != nullptr; }

    // Colour-fill of the whole surface with a raw pixel value.
    void Fill(uint32_t raw);
    // Raw pixels in the surface's own format: 0 (get) or nothing (set)
    // outside the surface or when it cannot be locked.
    uint32_t Pixel(int x, int y);
    void SetPixel(int x, int y, uint32_t raw);

    // Lock nests: only the first Lock and the last Unlock reach the platform.
    bool Lock(void** pixels, int* pitch);
    void Unlock();
    int LockCount() const { return lock_count_; }

    bool IsLost();
    bool Restore();

    // The raw pixel a colour value (0x00BBGGRR) gets on this surface.
    uint32_t ColorToPixel(TColor color) const;

    void SetTransparentColor(uint32_t raw);
    void ClearTransparentColor();

    // Rectangle blit from source with optional source key and mirroring.
    bool Blt(const platform::Rect& dest, TDirectDrawSurface& source, const platform::Rect& src, bool source_key,
             bool mirror_left_right = false, bool mirror_up_down = false);
    bool BltFast(int x, int y, TDirectDrawSurface& source, const platform::Rect& src, bool source_key);

    void AttachClipper(bool attached);
    // Attaches the palette (null detaches it); the platform's answer is
    // recorded (a surface above 8 bits may refuse it).
    void SetPalette(TDirectDrawPalette* palette);
    TDirectDrawPalette* Palette() const { return palette_; }

    // Device contexts for the canvas and image copies.
    platform::DeviceContext* GetDC();
    void ReleaseDC(platform::DeviceContext* dc);

private:
    bool Check(platform::Result result);
    void ReadDescription(bool primary);

    TDirectDraw* draw_;
    std::unique_ptr<platform::PlatformSurface> surface_;
    TSurfaceDescription desc_;
    platform::Result last_result_ = platform::Result::Ok;
    bool has_clipper_ = false;
    int lock_count_ = 0;
    void* lock_pixels_ = nullptr;
    int lock_pitch_ = 0;
    TDirectDrawPalette* palette_ = nullptr;
    std::unique_ptr<TDirectDrawSurfaceCanvas> canvas_;
};

// Clips blits to the primary surface to its window.
class TDirectDrawClipper {
public:
    // Made for a display object, as the surfaces and palettes are, though
    // it needs nothing of it.
    explicit TDirectDrawClipper(TDirectDraw*) {}
    // The window the clipper follows (the drawing area's window).
    void SetHandle(const void* window) { window_ = window; }
    const void* Handle() const { return window_; }
    void AttachTo(TDirectDrawSurface& surface);

private:
    const void* window_ = nullptr;
};

// A 256-entry palette. Above 8 bits per pixel it has no effect.
class TDirectDrawPalette {
public:
    explicit TDirectDrawPalette(TDirectDraw* draw) : draw_(draw) {}
    // Makes the platform's palette with these entries; false (the result
    // recorded) when it cannot be made.
    bool CreatePalette(const TPaletteTable& entries);
    void SetEntries(int start, int count, const TPaletteEntry* entries);
    const TPaletteTable& Entries() const { return entries_; }
    TDirectDraw* DDraw() const { return draw_; }
    platform::PlatformPalette* IPalette() const { return palette_.get(); }
    platform::Result LastResult() const { return last_result_; }

private:
    TDirectDraw* draw_;
    TPaletteTable entries_{};
    std::unique_ptr<platform::PlatformPalette> palette_;
    platform::Result last_result_ = platform::Result::Ok;
};

}  // namespace klice
