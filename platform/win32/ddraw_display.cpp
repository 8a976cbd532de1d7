// The display on DirectDraw 4: the DirectDraw object with its cooperative
// level and display mode, the device the display layer talks to, and what
// the main window asks of it (Alt+Enter, repaints, reading the screen).
#include "platform/win32/ddraw_display.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/screen.h"
#include "platform/win32/ddraw_core.h"
#include "platform/win32/win32_window.h"

namespace klice::platform::win32 {

namespace {

// IID_IDirectDraw4, as <ddraw.h> defines it, without an import library.
constexpr GUID kDirectDraw4 = {0x9c59509a, 0x39bd, 0x11d1, {0x8c, 0x4a, 0x00, 0xc0, 0x4f, 0xd9, 0x30, 0xc5}};

constexpr DWORD kExclusiveLevel = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWMODEX | DDSCL_ALLOWREBOOT;

// Largest surface accepted, in bytes, as the software display has it.
constexpr uint64_t kMaxSurfaceBytes = uint64_t(256) << 20;

std::string& LibraryName() {
    static std::string name = "DDraw.dll";
    return name;
}

std::set<Core*>& Cores() {
    static std::set<Core*> cores;
    return cores;
}

Core* g_active = nullptr;  // the object whose primary the screen shows

bool WindowFullScreen() {
    Application* app = Application::Current();
    return app && app->Window().FullScreen();
}

bool SameMode(const DDSURFACEDESC2& d, const DisplayMode& m) {
    return int(d.dwWidth) == m.width && int(d.dwHeight) == m.height && int(d.ddpfPixelFormat.dwRGBBitCount) == m.bits;
}

// --- the desktop's mode given back, whatever ends the program ---

std::terminate_handler g_previous_terminate = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER g_previous_filter = nullptr;

void GiveDesktopItsMode() {
    for (Core* core : Cores()) core->RestoreDisplayMode();
}

LONG WINAPI RestoreOnCrash(EXCEPTION_POINTERS* info) {
    GiveDesktopItsMode();
    return g_previous_filter ? g_previous_filter(info) : EXCEPTION_CONTINUE_SEARCH;
}

void RestoreOnTerminate() {
    GiveDesktopItsMode();
    if (g_previous_terminate) g_previous_terminate();
    std::abort();
}

// Once a mode has been set: at the program's end, on an unhandled exception
// or a crash, the desktop gets its mode back even when the display was never
// finalized.
void GuardDesktopMode() {
    static bool guarded = false;
    if (guarded) return;
    guarded = true;
    std::atexit(GiveDesktopItsMode);
    g_previous_terminate = std::set_terminate(RestoreOnTerminate);
    g_previous_filter = ::SetUnhandledExceptionFilter(RestoreOnCrash);
}

}  // namespace

// --- Core ---

Core::Core(LoadedLibrary library, ComPtr<IDirectDraw4> draw) : library_(std::move(library)), draw_(std::move(draw)) {
    Cores().insert(this);
    // Surfaces need a cooperative level; the normal one until the display asks.
    draw_->SetCooperativeLevel(Window(), DDSCL_NORMAL);
}

Core::~Core() {
    RestoreDisplayMode();
    if (exclusive_) draw_->SetCooperativeLevel(exclusive_window_, DDSCL_NORMAL);
    // The clipper, the object and then the library go with the members.
    Cores().erase(this);
    if (g_active == this) {
        g_active = nullptr;
        detail::SetSystemScreenMode(std::nullopt);
    }
}

const std::set<Core*>& Core::All() { return Cores(); }

HWND Core::Window() const { return static_cast<HWND>(MainWindowHandle()); }

Result Core::SetCooperativeLevel(bool full_screen) {
    want_exclusive_ = full_screen;
    return ApplyCooperativeLevel();
}

Result Core::ApplyCooperativeLevel() {
    HWND window = Window();
    const bool exclusive = want_exclusive_ && WindowFullScreen();
    if (exclusive && !window) return Result::Generic;
    const HRESULT hr = draw_->SetCooperativeLevel(window, exclusive ? kExclusiveLevel : DDSCL_NORMAL);
    if (FAILED(hr)) return ToResult(hr);
    exclusive_ = exclusive;
    exclusive_window_ = exclusive ? window : nullptr;
    return Result::Ok;
}

void Core::AdoptSystemMode() {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    if (FAILED(draw_->GetDisplayMode(&d))) return;
    game_mode_ = DisplayMode{int(d.dwWidth), int(d.dwHeight), int(d.ddpfPixelFormat.dwRGBBitCount)};
    game_format_ = FromSystemFormat(d.ddpfPixelFormat);
}

void Core::CoverScreen() {
    // The exclusive window covers the screen of the new mode.
    if (HWND window = Window(); window && game_mode_)
        ::SetWindowPos(window, HWND_TOP, 0, 0, game_mode_->width, game_mode_->height, SWP_NOACTIVATE);
}

Result Core::SetDisplayMode(int width, int height, int bits) {
    if (width <= 0 || height <= 0 || (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return Result::InvalidParams;
    const DisplayMode wanted{width, height, bits};
    if (exclusive_) {
        const HRESULT hr = draw_->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bits), 0, 0);
        // Whatever the system answers (wine cannot change the depth of a
        // real X screen: E_NOTIMPL), the mode cannot be had.
        if (FAILED(hr)) return Result::InvalidMode;
        mode_set_ = true;
        GuardDesktopMode();
        AdoptSystemMode();
        CoverScreen();
    } else {
        // In a window the mode is the frame's: any mode offered, shown
        // letterboxed on the desktop's own mode.
        std::vector<DisplayMode> offered = ClassicDisplayModes();
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        draw_->GetDisplayMode(&d);
        offered.push_back(DisplayMode{int(d.dwWidth), int(d.dwHeight), int(d.ddpfPixelFormat.dwRGBBitCount)});
        if (std::none_of(offered.begin(), offered.end(), [&](const DisplayMode& m) {
                return m.width == width && m.height == height && m.bits == bits;
            }))
            return Result::InvalidMode;
        const bool changed =
            !game_mode_ || game_mode_->width != width || game_mode_->height != height || game_mode_->bits != bits;
        game_mode_ = wanted;
        // The desktop's format where the depth agrees, so that presents need
        // no conversion.
        game_format_ =
            int(d.ddpfPixelFormat.dwRGBBitCount) == bits ? FromSystemFormat(d.ddpfPixelFormat) : FormatForBits(bits);
        if (changed) MarkLost();
    }
    if (primary_ || !g_active) g_active = this;
    if (g_active == this) detail::SetSystemScreenMode(game_mode_);
    return Result::Ok;
}

Result Core::RestoreDisplayMode() {
    if (!mode_set_) return Result::Ok;
    mode_set_ = false;
    return ToResult(draw_->RestoreDisplayMode());
}

DisplayMode Core::GameMode() const {
    if (game_mode_) return *game_mode_;
    return DesktopMode();
}

PixelFormat Core::GameFormat() const {
    if (game_mode_) return game_format_;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    if (FAILED(draw_->GetDisplayMode(&d))) return PixelFormat{};
    return FromSystemFormat(d.ddpfPixelFormat);
}

bool Core::EnsureGameMode() {
    if (!game_mode_ || !exclusive_) return true;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    // Both the object's view and the system's settings: after another
    // program gave the desktop its mode back, wine's object still reports ours.
    const DisplayMode system = DesktopMode();
    const bool system_same =
        system.width == game_mode_->width && system.height == game_mode_->height && system.bits == game_mode_->bits;
    if (SUCCEEDED(draw_->GetDisplayMode(&d)) && SameMode(d, *game_mode_) && system_same) return true;
    const HRESULT hr =
        draw_->SetDisplayMode(DWORD(game_mode_->width), DWORD(game_mode_->height), DWORD(game_mode_->bits), 0, 0);
    if (FAILED(hr)) return false;
    mode_set_ = true;
    CoverScreen();
    return true;
}

IDirectDrawClipper* Core::WindowClipper() {
    if (window_clipper_) return window_clipper_.Get();
    HWND window = Window();
    if (!window || FAILED(draw_->CreateClipper(0, window_clipper_.Out(), nullptr))) return nullptr;
    window_clipper_->SetHWnd(0, window);
    return window_clipper_.Get();
}

RECT Core::FrameToScreen(const Rect& frame, RECT* client) const {
    HWND window = Window();
    RECT area{0, 0, 0, 0};
    POINT origin{0, 0};
    if (window && ::GetClientRect(window, &area)) ::ClientToScreen(window, &origin);
    if (client) *client = RECT{origin.x, origin.y, origin.x + area.right, origin.y + area.bottom};
    const DisplayMode mode = GameMode();
    if (exclusive_ || !window || mode.width <= 0 || mode.height <= 0)
        return RECT{LONG(frame.left), LONG(frame.top), LONG(frame.right), LONG(frame.bottom)};
    // Sharp: a whole factor where one fits, as the window maps the mouse.
    const LetterboxRect box = SharpLetterbox(area.right, area.bottom, mode.width, mode.height);
    auto x = [&](int v) { return LONG(origin.x + box.x + int64_t(v) * box.width / mode.width); };
    auto y = [&](int v) { return LONG(origin.y + box.y + int64_t(v) * box.height / mode.height); };
    return RECT{x(frame.left), y(frame.top), x(frame.right), y(frame.bottom)};
}

void Core::Add(DDrawSurface* surface) { surfaces_.insert(surface); }

void Core::Remove(DDrawSurface* surface) {
    surfaces_.erase(surface);
    if (primary_ == surface) primary_ = nullptr;
    if (last_source_ == surface) last_source_ = nullptr;
}

void Core::SetPrimary(DDrawSurface* primary) {
    primary_ = primary;
    g_active = this;
    if (game_mode_) detail::SetSystemScreenMode(game_mode_);
}

void Core::MarkLost() {
    for (DDrawSurface* s : surfaces_) s->MarkLost();
}

void Core::Presented(DDrawSurface* source, const Rect& dest, const Rect& src) {
    ++presents_;
    last_source_ = source;
    last_dest_ = dest;
    last_src_ = src;
}

void Core::BeforeWindowModeChange(bool full_screen) {
    if (full_screen || !exclusive_) return;
    // Into a window: the desktop gets its mode back before the window
    // shrinks onto it.
    RestoreDisplayMode();
    ApplyCooperativeLevel();
    MarkLost();
}

void Core::AfterWindowModeChange(bool full_screen) {
    if (!full_screen || !want_exclusive_ || exclusive_) return;
    if (ApplyCooperativeLevel() != Result::Ok) return;
    if (game_mode_) {
        if (SUCCEEDED(draw_->SetDisplayMode(DWORD(game_mode_->width), DWORD(game_mode_->height),
                                            DWORD(game_mode_->bits), 0, 0)))
            mode_set_ = true;
        else
            std::fprintf(stderr, "display: the full-screen mode %dx%d %dbit cannot be set again\n", game_mode_->width,
                         game_mode_->height, game_mode_->bits);
        CoverScreen();
    }
    MarkLost();
}

bool Core::Repaint() {
    if (!primary_ || !last_source_) return false;
    return primary_->Repaint(*last_source_, last_dest_, last_src_) == Result::Ok;
}

bool Core::ReadFrame(std::vector<uint8_t>* pixels, int* width, int* height, int* pitch, PixelFormat* format) {
    if (!primary_ || primary_->IsLost()) return false;
    const DisplayMode mode = GameMode();
    const PixelFormat frame_format = GameFormat();
    const int bpp = BytesPerPixel(frame_format);
    if (mode.width <= 0 || mode.height <= 0 || bpp == 0) return false;
    IDirectDrawSurface4* screen = primary_->System();
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    if (FAILED(screen->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return false;
    const PixelFormat screen_format = FromSystemFormat(d.ddpfPixelFormat);
    const int screen_bpp = BytesPerPixel(screen_format);
    const int row_bytes = (mode.width * bpp + 3) & ~3;
    pixels->assign(size_t(row_bytes) * mode.height, 0);
    const auto* base = static_cast<const uint8_t*>(d.lpSurface);
    auto raw_at = [&](int x, int y) {
        uint32_t v = 0;
        if (x < 0 || y < 0 || x >= int(d.dwWidth) || y >= int(d.dwHeight)) return v;
        std::memcpy(&v, base + size_t(y) * d.lPitch + size_t(x) * screen_bpp, size_t(screen_bpp));
        return v;
    };
    const bool same = exclusive_ && screen_format.bits == frame_format.bits &&
                      screen_format.r_mask == frame_format.r_mask && screen_format.g_mask == frame_format.g_mask;
    for (int y = 0; y < mode.height; ++y) {
        uint8_t* out = pixels->data() + size_t(y) * row_bytes;
        if (same) {
            if (y < int(d.dwHeight))
                std::memcpy(out, base + size_t(y) * d.lPitch, size_t(std::min<int>(mode.width, d.dwWidth)) * bpp);
            continue;
        }
        // The frame's pixel where its centre is shown.
        for (int x = 0; x < mode.width; ++x) {
            const RECT p = FrameToScreen(Rect{x, y, x + 1, y + 1});
            const uint32_t c = RawToColor(screen_format, raw_at((p.left + p.right) / 2, (p.top + p.bottom) / 2));
            const uint32_t v = PackRgb(frame_format, uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
            std::memcpy(out + size_t(x) * bpp, &v, size_t(bpp));
        }
    }
    screen->Unlock(nullptr);
    *width = mode.width;
    *height = mode.height;
    *pitch = row_bytes;
    *format = frame_format;
    return true;
}

// --- the device ---

namespace {

class DDrawDevice final : public DisplayDevice {
public:
    explicit DDrawDevice(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Result SetCooperativeLevel(bool full_screen) override { return core_->SetCooperativeLevel(full_screen); }

    std::vector<DisplayMode> EnumDisplayModes() override {
        std::vector<DisplayMode> modes;
        core_->Draw()->EnumDisplayModes(0, nullptr, &modes, &AddMode);
        return modes;
    }

    Result SetDisplayMode(int width, int height, int bits) override {
        return core_->SetDisplayMode(width, height, bits);
    }
    Result RestoreDisplayMode() override { return core_->RestoreDisplayMode(); }
    DisplayMode CurrentMode() const override { return core_->GameMode(); }

    Result CreatePrimarySurface(std::unique_ptr<PlatformSurface>* out) override {
        if (!out) return Result::InvalidParams;
        if (core_->Primary()) return Result::Generic;  // one primary at a time
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        d.dwFlags = DDSD_CAPS;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        ComPtr<IDirectDrawSurface4> surface;
        const HRESULT hr = core_->Draw()->CreateSurface(&d, surface.Out(), nullptr);
        if (FAILED(hr)) return ToResult(hr);
        auto primary = std::make_unique<DDrawSurface>(core_, DDrawSurface::Kind::Primary, std::move(surface), false);
        core_->SetPrimary(primary.get());
        *out = std::move(primary);
        return Result::Ok;
    }

    Result CreateSurface(int width, int height, bool system_memory, std::unique_ptr<PlatformSurface>* out) override {
        if (!out) return Result::InvalidParams;
        if (width <= 0 || height <= 0) return Result::InvalidParams;
        const PixelFormat format = core_->GameFormat();
        if (uint64_t(width) * uint64_t(height) * uint64_t(BytesPerPixel(format)) > kMaxSurfaceBytes)
            return Result::OutOfMemory;
        // In the game's format also when the screen runs another (a window on
        // the desktop): the surfaces survive a switch between the two.
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = DWORD(width);
        d.dwHeight = DWORD(height);
        d.ddpfPixelFormat = ToSystemFormat(format);
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (system_memory ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY);
        ComPtr<IDirectDrawSurface4> surface;
        const HRESULT hr = core_->Draw()->CreateSurface(&d, surface.Out(), nullptr);
        if (FAILED(hr)) return ToResult(hr);
        *out = std::make_unique<DDrawSurface>(core_, DDrawSurface::Kind::OffScreen, std::move(surface), system_memory);
        return Result::Ok;
    }

    Result CreatePalette(const PaletteColor (&entries)[256], std::unique_ptr<PlatformPalette>* out) override {
        if (!out) return Result::InvalidParams;
        PALETTEENTRY system[256];
        for (int i = 0; i < 256; ++i)
            system[i] = PALETTEENTRY{entries[i].r, entries[i].g, entries[i].b, entries[i].flags};
        ComPtr<IDirectDrawPalette> palette;
        const HRESULT hr =
            core_->Draw()->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, system, palette.Out(), nullptr);
        if (FAILED(hr)) return ToResult(hr);
        *out = std::make_unique<DDrawPalette>(core_, std::move(palette));
        return Result::Ok;
    }

    // A refresh lasts longer than a tick (16.7 ms at 60 Hz against 10 ms):
    // waiting for every blank would hold the game to the screen's rate. So
    // the wait is taken when the blank is near, and otherwise the frame goes
    // at once; the screen still shows the newest frame.
    Result WaitForVerticalBlank() override {
        using std::chrono::duration;
        DWORD line = 0, hertz = 0;
        const HRESULT scan = core_->Draw()->GetScanLine(&line);
        if (scan == DDERR_VERTICALBLANKINPROGRESS) return Result::Ok;
        const int height = core_->GameMode().height;
        if (FAILED(scan) || FAILED(core_->Draw()->GetMonitorFrequency(&hertz)) || hertz == 0 || height <= 0)
            return Result::Ok;
        const double to_blank_ms = 1000.0 / hertz * std::max(0, height - int(line)) / height;
        if (to_blank_ms > kWaitBudgetMs) return Result::Ok;
        return ToResult(core_->Draw()->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr));
    }

    int PixelsPerInch() const override {
        HDC screen = ::GetDC(nullptr);
        const int ppi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ::ReleaseDC(nullptr, screen);
        return ppi > 0 ? ppi : 96;
    }

private:
    static HRESULT WINAPI AddMode(DDSURFACEDESC2* d, void* context) {
        auto& list = *static_cast<std::vector<DisplayMode>*>(context);
        const DisplayMode m{int(d->dwWidth), int(d->dwHeight), int(d->ddpfPixelFormat.dwRGBBitCount)};
        // One entry a mode, whatever refresh rates the system lists.
        if (std::none_of(list.begin(), list.end(), [&](const DisplayMode& o) {
                return o.width == m.width && o.height == m.height && o.bits == m.bits;
            }))
            list.push_back(m);
        return DDENUMRET_OK;
    }

    static constexpr double kWaitBudgetMs = 4.0;
    std::shared_ptr<Core> core_;
};

}  // namespace

std::unique_ptr<DisplayDevice> CreateDirectDrawDevice(Result* result) {
    auto fail = [result](Result r) -> std::unique_ptr<DisplayDevice> {
        if (result) *result = r;
        return nullptr;
    };
    LoadedLibrary library(LibraryName().c_str());
    if (!library) return fail(Result::Generic);
    ComPtr<IDirectDraw4> draw;
    {
        using Create = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
        auto create = library.Function<Create>("DirectDrawCreate");
        ComPtr<IDirectDraw> first;
        if (!create || FAILED(create(nullptr, first.Out(), nullptr)) || !first) return fail(Result::Generic);
        const HRESULT hr = first->QueryInterface(kDirectDraw4, reinterpret_cast<void**>(draw.Out()));
        if (FAILED(hr) || !draw) return fail(Result::NoInterface);
    }
    if (result) *result = Result::Ok;
    return std::make_unique<DDrawDevice>(std::make_shared<Core>(std::move(library), std::move(draw)));
}

void SetDirectDrawLibrary(const std::string& name) { LibraryName() = name; }

SystemDisplay* ActiveSystemDisplay() { return g_active; }

DisplayMode DesktopMode() {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return DisplayMode{};
    return DisplayMode{int(mode.dmPelsWidth), int(mode.dmPelsHeight), int(mode.dmBitsPerPel)};
}

}  // namespace klice::platform::win32

// --- what the portable core asks of the backend ---

namespace klice::platform::detail {

std::unique_ptr<DisplayDevice> CreateSystemDisplayDevice(Result* result) {
    return win32::CreateDirectDrawDevice(result);
}

bool HasSystemDisplay() { return true; }

void MarkSystemSurfacesLost() {
    for (win32::Core* core : win32::Core::All()) core->MarkLost();
}

bool SystemPresentCount(uint64_t* count) {
    win32::SystemDisplay* display = win32::ActiveSystemDisplay();
    if (!display) return false;
    *count = display->PresentCount();
    return true;
}

bool ReadSystemFrame(Frame* frame) {
    win32::SystemDisplay* display = win32::ActiveSystemDisplay();
    return display && display->ReadFrame(&frame->pixels, &frame->width, &frame->height, &frame->pitch, &frame->format);
}

}  // namespace klice::platform::detail
