// Internal to the DirectDraw display (ddraw_display.cpp, ddraw_surface.cpp):
// the DirectDraw object with the state its device and surfaces share, and
// the surface and palette wrappers.
#pragma once

#include <memory>
#include <optional>
#include <set>

#include "platform/win32/com_ptr.h"
#include "platform/win32/gdi_context.h"
#include "platform/win32/system_display.h"
#include "platform/win32/win32.h"
// After <windows.h>:
#include <ddraw.h>

namespace klice::platform::win32 {

class DDrawSurface;

// The system's result as ours.
Result ToResult(HRESULT hr);
DDPIXELFORMAT ToSystemFormat(const PixelFormat& format);
PixelFormat FromSystemFormat(const DDPIXELFORMAT& format);

// The DirectDraw object and what its device and surfaces share. It lives
// until the device and the last surface are gone, so that no surface
// outlives the object that made it.
class Core final : public SystemDisplay, public std::enable_shared_from_this<Core> {
public:
    Core(LoadedLibrary library, ComPtr<IDirectDraw4> draw);
    ~Core() override;

    IDirectDraw4* Draw() const { return draw_.Get(); }

    // The display asks for the exclusive full screen (true) or the normal
    // level; the exclusive level is in effect while the window is full screen.
    Result SetCooperativeLevel(bool full_screen);
    bool Exclusive() const { return exclusive_; }
    Result SetDisplayMode(int width, int height, int bits);
    Result RestoreDisplayMode();
    // The mode the game sees and the format its surfaces have.
    DisplayMode GameMode() const;
    PixelFormat GameFormat() const;
    // In the exclusive mode: sets the game's mode again when the system runs
    // another (after another program took the display). False when it cannot.
    bool EnsureGameMode();

    // The main window's clipper, made on first use; null without a window.
    IDirectDrawClipper* WindowClipper();
    // A frame rectangle as screen coordinates of the window's client area:
    // the same in the exclusive mode, letterboxed in a window. `client` gets
    // the whole client area in screen coordinates.
    RECT FrameToScreen(const Rect& frame, RECT* client = nullptr) const;

    void Add(DDrawSurface* surface);
    void Remove(DDrawSurface* surface);
    DDrawSurface* Primary() const { return primary_; }
    void SetPrimary(DDrawSurface* primary);
    // Every surface counts as lost until restored.
    void MarkLost();

    // A present (a blit into the primary) happened, from `source`.
    void Presented(DDrawSurface* source, const Rect& dest, const Rect& src);

    // SystemDisplay
    void BeforeWindowModeChange(bool full_screen) override;
    void AfterWindowModeChange(bool full_screen) override;
    bool Repaint() override;
    uint64_t PresentCount() const override { return presents_; }
    bool ReadFrame(std::vector<uint8_t>* pixels, int* width, int* height, int* pitch, PixelFormat* format) override;

    // Every living DirectDraw object of the process.
    static const std::set<Core*>& All();

private:
    HWND Window() const;
    Result ApplyCooperativeLevel();
    void AdoptSystemMode();
    void CoverScreen();

    LoadedLibrary library_;  // freed last, after everything it made
    ComPtr<IDirectDraw4> draw_;
    bool want_exclusive_ = false;  // the display asked for the exclusive full screen
    bool exclusive_ = false;       // and it is in effect
    HWND exclusive_window_ = nullptr;
    bool mode_set_ = false;  // the system runs a mode we set, not the desktop's
    std::optional<DisplayMode> game_mode_;
    PixelFormat game_format_;
    ComPtr<IDirectDrawClipper> window_clipper_;
    std::set<DDrawSurface*> surfaces_;
    DDrawSurface* primary_ = nullptr;
    uint64_t presents_ = 0;
    // The last present, repeated when the window system repaints.
    DDrawSurface* last_source_ = nullptr;
    Rect last_dest_, last_src_;
};

class DDrawPalette final : public PlatformPalette {
public:
    DDrawPalette(std::shared_ptr<Core> core, ComPtr<IDirectDrawPalette> palette)
        : core_(std::move(core)), palette_(std::move(palette)) {}
    IDirectDrawPalette* Get() const { return palette_.Get(); }
    Result SetEntries(int start, int count, const PaletteColor* entries) override;

private:
    std::shared_ptr<Core> core_;
    ComPtr<IDirectDrawPalette> palette_;
};

class DDrawSurface final : public PlatformSurface {
public:
    enum class Kind { Primary, OffScreen };
    // Takes over `surface` (one reference). An off-screen surface was asked
    // for in system memory or not (`system_memory`), which its remaking keeps.
    DDrawSurface(std::shared_ptr<Core> core, Kind kind, ComPtr<IDirectDrawSurface4> surface, bool system_memory);
    ~DDrawSurface() override;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int Pitch() const override { return pitch_; }
    const PixelFormat& Format() const override { return format_; }
    bool InVideoMemory() const override { return video_memory_; }

    Result Lock(void** pixels, int* pitch) override;
    Result Unlock() override;
    Result SetColorKey(uint32_t raw) override;
    Result ClearColorKey() override;
    bool HasColorKey() const override { return has_key_; }
    uint32_t ColorKey() const override { return key_; }
    Result Fill(uint32_t raw) override;
    Result Blt(const Rect& dest, PlatformSurface& source, const Rect& src, bool source_key, bool mirror_left_right,
               bool mirror_up_down) override;
    Result BltFast(int x, int y, PlatformSurface& source, const Rect& src, bool source_key) override;
    Result SetClipper(bool attached) override;
    Result SetPalette(PlatformPalette* palette) override;
    bool IsLost() const override;
    Result Restore() override;
    Result GetDC(DeviceContext** dc) override;
    Result ReleaseDC(DeviceContext* dc) override;

    // Counts as lost until restored (a switch away, a change of the
    // cooperative level), whatever the system says.
    void MarkLost() { marked_lost_ = true; }
    IDirectDrawSurface4* System() const { return surface_.Get(); }
    Kind SurfaceKind() const { return kind_; }
    // Presents `source` again into this primary, without counting it.
    Result Repaint(DDrawSurface& source, const Rect& dest, const Rect& src);

private:
    void ReadDescription();
    // Makes the system surface again (after a mode change it cannot survive).
    Result Remake();
    Result Present(const Rect& dest, DDrawSurface& source, const Rect& src, DWORD flags, DDBLTFX* fx);
    Result FillPrimary(uint32_t raw);
    bool Usable() const { return surface_ && !marked_lost_; }

    std::shared_ptr<Core> core_;  // outlives the interfaces below
    Kind kind_;
    ComPtr<IDirectDrawSurface4> surface_;
    bool system_memory_;
    int width_ = 0, height_ = 0, pitch_ = 0;
    PixelFormat format_;
    bool video_memory_ = false;
    bool has_key_ = false;
    uint32_t key_ = 0;
    bool marked_lost_ = false;
    bool locked_ = false;
    ComPtr<IDirectDrawClipper> own_clipper_;  // off-screen: clips to the surface
    bool clipper_attached_ = false;
    ComPtr<IDirectDrawPalette> palette_;  // a reference of our own, kept for Remake
    std::unique_ptr<GdiContext> dc_;
    bool dc_out_ = false;
};

}  // namespace klice::platform::win32
