// The full-screen 2D display service and its device contexts, the stand-in
// for the system's display driver and GDI. Surfaces are plain pixel memory in
// the mode's format; the primary surface is what the screen shows (or, with
// no window, what the caller reads back). Every operation returns a result
// code instead of throwing; callers record it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace klice::platform {

enum class Result : int32_t {
    Ok = 0,
    Generic,  // unspecified failure
    InvalidParams,
    InvalidMode,  // the display mode cannot be set
    OutOfMemory,  // a surface cannot be made
    SurfaceLost,  // the surface's memory was taken away; Restore it
    NotLocked,
    AlreadyLocked,
    Clipper,  // a fast blit refused because a clipper is attached
    NoDC,     // no device context can be had (surface locked)
    Unsupported,
    NoInterface,  // the display service lacks the interface version the game needs
    WrongMode,    // the surface was made in another display mode; make it again
};

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

// Pixel layout of a surface. bits 8 is palettized (masks 0); 16 is RGB 565 in
// the game's mode; 24 is three bytes, low byte first; 32 is 0x00RRGGBB.
struct PixelFormat {
    int bits = 0;
    uint32_t r_mask = 0, g_mask = 0, b_mask = 0;
};

struct DisplayMode {
    int width = 0, height = 0, bits = 0;
};

class DeviceContext;

// A palette entry: red, green, blue and the system's flags.
struct PaletteColor {
    uint8_t r = 0, g = 0, b = 0, flags = 0;
};

// A 256-entry palette; it takes effect only on surfaces of 8 bits per pixel.
class PlatformPalette {
public:
    virtual ~PlatformPalette() = default;
    virtual Result SetEntries(int start, int count, const PaletteColor* entries) = 0;
};

class PlatformSurface {
public:
    virtual ~PlatformSurface() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int Pitch() const = 0;
    virtual const PixelFormat& Format() const = 0;
    virtual bool InVideoMemory() const = 0;

    // Raw access: the pixels stay valid until Unlock.
    virtual Result Lock(void** pixels, int* pitch) = 0;
    virtual Result Unlock() = 0;

    // Source colour key as a raw pixel value (low and high the same).
    virtual Result SetColorKey(uint32_t raw) = 0;
    virtual Result ClearColorKey() = 0;
    virtual bool HasColorKey() const = 0;
    virtual uint32_t ColorKey() const = 0;

    // Colour-fill of the whole surface with a raw pixel value.
    virtual Result Fill(uint32_t raw) = 0;
    // Rectangle blit (clipped to the destination's clipper when one is
    // attached), optional source key and mirroring. Rectangles must have the
    // same size (no stretching is needed by the game).
    virtual Result Blt(const Rect& dest, PlatformSurface& source, const Rect& src, bool source_key,
                       bool mirror_left_right = false, bool mirror_up_down = false) = 0;
    // Fast blit at (x, y); refuses with Result::Clipper when a clipper is attached.
    virtual Result BltFast(int x, int y, PlatformSurface& source, const Rect& src, bool source_key) = 0;
    virtual Result SetClipper(bool attached) = 0;
    // Attaches a palette (null detaches it); refused on surfaces above 8 bits
    // by a system that has palettes of its own.
    virtual Result SetPalette(PlatformPalette* palette) = 0;

    virtual bool IsLost() const = 0;
    virtual Result Restore() = 0;

    // A device context over the surface for text, pixel reads and DIB
    // copies; fails with NoDC while the surface is locked.
    virtual Result GetDC(DeviceContext** dc) = 0;
    virtual Result ReleaseDC(DeviceContext* dc) = 0;
};

// The DIB-copy input: an image in memory, rows bottom row first.
struct DibView {
    int width = 0, height = 0, bit_count = 0;     // 1, 4, 8, 16, 24, 32
    int stride = 0;                               // bytes per row, multiple of 4
    const uint8_t* pixels = nullptr;              // bottom row first
    const uint8_t* color_table = nullptr;         // 256 entries of B, G, R, reserved
    uint32_t r_mask = 0, g_mask = 0, b_mask = 0;  // 16 and 32 bits
};

// Cuts a copy of w x h pixels from (sx, sy) of `image` to (dx, dy) down to
// the image's own pixels, moving the destination with the source; false
// when nothing is left to copy.
bool ClipToImage(const DibView& image, int* dx, int* dy, int* sx, int* sy, int* w, int* h);

// GDI stand-in over one surface.
class DeviceContext {
public:
    virtual ~DeviceContext() = default;
    // 0x00BBGGRR; 0xFFFFFFFF outside the surface. Channels are widened by bit
    // replication, so black reads 0 and pure red reads exactly 255.
    virtual uint32_t GetPixel(int x, int y) = 0;
    // Text with the given character height in pixels (the negative font
    // height of the font size rule), colour 0x00BBGGRR, no background fill.
    // The text is 8-bit Windows-1250.
    virtual void TextOut(int x, int y, const std::string& text, int char_height, uint32_t color) = 0;
    // Copies the rectangle (sx, sy, w, h) of the image (sy counted from the
    // top) to (dx, dy), converting every pixel to the surface's format.
    virtual void CopyDib(int dx, int dy, const DibView& image, int sx, int sy, int w, int h) = 0;
};

// The display service object.
class DisplayDevice {
public:
    virtual ~DisplayDevice() = default;
    // Full screen + exclusive, or normal windowed cooperation.
    virtual Result SetCooperativeLevel(bool full_screen) = 0;
    virtual std::vector<DisplayMode> EnumDisplayModes() = 0;
    virtual Result SetDisplayMode(int width, int height, int bits) = 0;
    virtual Result RestoreDisplayMode() = 0;
    virtual DisplayMode CurrentMode() const = 0;
    virtual Result CreatePrimarySurface(std::unique_ptr<PlatformSurface>* out) = 0;
    virtual Result CreateSurface(int width, int height, bool system_memory, std::unique_ptr<PlatformSurface>* out) = 0;
    virtual Result CreatePalette(const PaletteColor (&entries)[256], std::unique_ptr<PlatformPalette>* out) = 0;
    virtual Result WaitForVerticalBlank() = 0;
    // Pixels per inch of the screen (96).
    virtual int PixelsPerInch() const = 0;
};

// The display service of the running application: the system's own display
// for a windowed application where the backend has one (DirectDraw on
// Windows), else the portable software display (headless runs, SDL).
// Returns null when no display can be had: Result::Generic, or
// Result::NoInterface when the system's display lacks the interface version
// the game needs.
std::unique_ptr<DisplayDevice> CreateDisplayDevice(Result* result);
// Whether a windowed application gets the system's own display rather than
// the software one.
bool HasSystemDisplay();

// --- pixel formats ---

// The format of a mode's surfaces: 8 palettized (3-3-2 fixed palette), 16 RGB
// 565, 24 and 32 RGB 888. Other bit counts give bits 0.
PixelFormat FormatForBits(int bits);
// The one place that packs a colour into a raw pixel of a format: every
// conversion (pictures, colour keys, fills from colours, text) goes through it.
class RgbPacker {
public:
    explicit RgbPacker(const PixelFormat& format);
    uint32_t operator()(uint8_t r, uint8_t g, uint8_t b) const { return Channel(r, 0) | Channel(g, 1) | Channel(b, 2); }

private:
    uint32_t Channel(uint8_t v, int i) const { return ((uint32_t(v) >> drop_[i]) << shift_[i]) & mask_[i]; }
    uint32_t mask_[3];
    int drop_[3], shift_[3];
};
uint32_t PackRgb(const PixelFormat& format, uint8_t r, uint8_t g, uint8_t b);
// A raw pixel as 0x00BBGGRR, channels widened by bit replication.
uint32_t RawToColor(const PixelFormat& format, uint32_t raw);
// The channel under mask in raw, widened to 8 bits by bit replication.
uint8_t WidenChannel(uint32_t raw, uint32_t mask);
// Bytes per pixel of a format (0 for an unknown one).
int BytesPerPixel(const PixelFormat& format);

// --- the display of the running process ---

// The classic mode list the display offers (every mode is shown scaled).
std::vector<DisplayMode> ClassicDisplayModes();
// Replaces the offered modes until called with nullopt (tests).
void SetDisplayModesForTesting(std::optional<std::vector<DisplayMode>> modes);
// Marks every living surface lost, as a switch away from the full-screen
// program does (tests; the window does it on focus loss).
void MarkAllSurfacesLost();

}  // namespace klice::platform
