// The main window on SDL2: a borderless desktop-sized window (or a plain one
// after Alt+Enter) showing the primary surface scaled between black bars
// (platform/sdl/presenter.h); SDL's events become the application's.
#include <SDL.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/screen.h"
#include "platform/sdl/keys.h"
#include "platform/sdl/presenter.h"
#include "platform/sdl/sdl_handles.h"
#include "platform/window_backend.h"

namespace klice::platform::detail {

namespace {

// The shift state of the bits of `held` that the table names.
ShiftState ShiftOf(Uint32 held, std::initializer_list<std::pair<Uint32, ShiftState>> table) {
    ShiftState s = 0;
    for (const auto& [bit, state] : table)
        if (held & bit) s |= state;
    return s;
}

ShiftState ShiftFromMod(Uint16 mod) {
    return ShiftOf(mod, {{KMOD_SHIFT, ssShift}, {KMOD_ALT, ssAlt}, {KMOD_CTRL, ssCtrl}});
}

ShiftState ShiftFromButtons(Uint32 buttons) {
    return ShiftOf(buttons, {{SDL_BUTTON_LMASK, ssLeft}, {SDL_BUTTON_RMASK, ssRight}, {SDL_BUTTON_MMASK, ssMiddle}});
}

MouseButton ButtonFromSdl(Uint8 button) {
    if (button == SDL_BUTTON_RIGHT) return MouseButton::Right;
    if (button == SDL_BUTTON_MIDDLE) return MouseButton::Middle;
    return MouseButton::Left;
}

bool DesktopSize(int display, int* width, int* height) {
    SDL_DisplayMode mode;
    if (display < 0 || SDL_GetDesktopDisplayMode(display, &mode) != 0) return false;
    *width = mode.w;
    *height = mode.h;
    return true;
}

class SdlWindow final : public WindowBackend {
public:
    explicit SdlWindow(Application& app) : app_(app) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0)
            throw EOutOfResources(Format("Video cannot be initialized: %s", SDL_GetError()));
    }
    ~SdlWindow() override {
        Close();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    }

    void Open(const std::string& title, bool full_screen) override;
    bool IsOpen() const override { return window_ != nullptr; }
    void Show() override {
        SDL_ShowWindow(window_.get());
        SDL_RaiseWindow(window_.get());
    }
    void Hide() override { SDL_HideWindow(window_.get()); }
    void SetFullScreen(bool full_screen) override;
    bool WindowSize(int* width, int* height) const override;
    bool ScreenSize(int* width, int* height) const override;
    void PollEvents() override;
    void WaitEvents(Clock::time_point deadline) override;
    void Present() override { Present(false); }
    Clock::duration RefreshInterval() const override;
    bool PresentWaitsForBlank() const override { return presenter_ && presenter_->WaitsForBlank(); }
    uint64_t DisplayedFrames() const override { return displayed_; }
    bool ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) override;
    bool ShowErrorBox(const std::string& title, const std::string& text) override;
    void SetCursorCount(int count) override {
        cursor_visible_ = count >= 0;
        SDL_ShowCursor(cursor_visible_ ? SDL_ENABLE : SDL_DISABLE);
    }
    bool KeyDown(int32_t vk) override;

private:
    void Close();
    void Present(bool everything);
    std::optional<FramePoint> ToFrame(int window_x, int window_y) const;

    Application& app_;
    // Freed in this order, the reverse: the presenter draws into the window.
    SdlPtr<SDL_Cursor> hand_;
    SdlPtr<SDL_Window> window_;
    std::unique_ptr<Presenter> presenter_;
    bool cursor_visible_ = true;
    uint64_t displayed_ = 0;
};

void SdlWindow::Open(const std::string& title, bool full_screen) {
    if (window_.get()) return;
    DisplayMode mode = ScreenMode();
    Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI;
    if (full_screen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    else
        flags |= SDL_WINDOW_RESIZABLE;
    int width = mode.width, height = mode.height;
    // A full-screen window is made at the screen's size: one made smaller
    // and then stretched keeps a drawing buffer of its first size on some
    // GL drivers.
    if (full_screen) DesktopSize(0, &width, &height);
    window_.reset(
        SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags));
    if (!window_) throw EOutOfResources(Format("Window cannot be made: %s", SDL_GetError()));
    try {
        presenter_ = CreatePresenter(window_.get());
    } catch (...) {
        Close();
        throw;
    }
    hand_.reset(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND));
    if (hand_) SDL_SetCursor(hand_.get());
}

void SdlWindow::Close() {
    presenter_.reset();
    window_.reset();
    hand_.reset();
}

void SdlWindow::SetFullScreen(bool full_screen) {
    SDL_Window* w = window_.get();
    if (full_screen) {
        // Without a window manager nobody else moves the window: it is put
        // over the screen here, or it keeps the plain window's place.
        SDL_Rect screen{};
        if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(w)), &screen) == 0) {
            SDL_SetWindowPosition(w, screen.x, screen.y);
            SDL_SetWindowSize(w, screen.w, screen.h);
        }
        SDL_SetWindowBordered(w, SDL_FALSE);
        SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(w, 0);
        SDL_SetWindowBordered(w, SDL_TRUE);
        SDL_SetWindowResizable(w, SDL_TRUE);
        DisplayMode mode = ScreenMode();
        SDL_SetWindowSize(w, mode.width, mode.height);
        SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
}

bool SdlWindow::WindowSize(int* width, int* height) const {
    if (!window_) return false;
    if (presenter_)
        presenter_->OutputSize(width, height);
    else
        SDL_GetWindowSize(window_.get(), width, height);
    return true;
}

bool SdlWindow::ScreenSize(int* width, int* height) const {
    if (!window_) return false;
    return DesktopSize(SDL_GetWindowDisplayIndex(window_.get()), width, height);
}

void SdlWindow::PollEvents() {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
        auto to_frame = [&](int wx, int wy) { return ToFrame(wx, wy); };
        switch (ev.type) {
            case SDL_QUIT: app_.PostCloseRequest(); break;
            case SDL_WINDOWEVENT:
                if (ev.window.event == SDL_WINDOWEVENT_CLOSE)
                    app_.PostCloseRequest();
                else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                    app_.PostFocus(true);
                else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                    app_.PostFocus(false);
                else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED || ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                    Present(true);  // the window's picture is gone or the wrong size
                break;
            case SDL_RENDER_TARGETS_RESET:
            case SDL_RENDER_DEVICE_RESET:
                if (ev.type == SDL_RENDER_DEVICE_RESET && presenter_) presenter_->DeviceReset();
                MarkAllSurfacesLost();
                break;
            case SDL_KEYDOWN: {
                if ((ev.key.keysym.sym == SDLK_RETURN || ev.key.keysym.sym == SDLK_KP_ENTER) &&
                    (ev.key.keysym.mod & KMOD_ALT)) {
                    if (!ev.key.repeat) app_.Window().SetFullScreen(!app_.Window().FullScreen());
                    break;
                }
                int32_t vk = VkFromKeycode(ev.key.keysym.sym);
                if (vk) app_.PostKeyDown(vk, ShiftFromMod(ev.key.keysym.mod));
                break;
            }
            case SDL_MOUSEMOTION:
                if (auto p = to_frame(ev.motion.x, ev.motion.y))
                    app_.PostMouseMove(p->x, p->y, ShiftFromMod(SDL_GetModState()) | ShiftFromButtons(ev.motion.state));
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (auto p = to_frame(ev.button.x, ev.button.y)) {
                    ShiftState s =
                        ShiftFromMod(SDL_GetModState()) | ShiftFromButtons(SDL_GetMouseState(nullptr, nullptr));
                    if (ev.type == SDL_MOUSEBUTTONDOWN)
                        app_.PostMouseDown(p->x, p->y, ButtonFromSdl(ev.button.button), s);
                    else
                        app_.PostMouseUp(p->x, p->y, ButtonFromSdl(ev.button.button), s);
                }
                break;
            default: break;
        }
    }
}

void SdlWindow::WaitEvents(Clock::time_point deadline) {
    auto wait = deadline - Clock::now();
    int timeout_ms = int(std::max<int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
    if (timeout_ms > 0) SDL_WaitEventTimeout(nullptr, timeout_ms);
}

void SdlWindow::Present(bool everything) {
    if (!presenter_) return;
    presenter_->Present(everything);
    ++displayed_;
}

SdlWindow::Clock::duration SdlWindow::RefreshInterval() const {
    SDL_DisplayMode mode{};
    if (!window_ || SDL_GetWindowDisplayMode(window_.get(), &mode) != 0 || mode.refresh_rate <= 0) return {};
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / mode.refresh_rate));
}

std::optional<FramePoint> SdlWindow::ToFrame(int window_x, int window_y) const {
    if (!window_ || !presenter_) return std::nullopt;
    // Events come in the window's units, which are pixels except on screens
    // that scale windows up.
    int win_w = 0, win_h = 0, out_w = 0, out_h = 0;
    SDL_GetWindowSize(window_.get(), &win_w, &win_h);
    presenter_->OutputSize(&out_w, &out_h);
    if (win_w <= 0 || win_h <= 0) return std::nullopt;
    const int x = int(int64_t(window_x) * out_w / win_w), y = int(int64_t(window_y) * out_h / win_h);
    const DisplayMode mode = ScreenMode();
    return FramePointIn(presenter_->Box(mode.width, mode.height), x, y, mode.width, mode.height);
}

bool SdlWindow::ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
    return presenter_ && presenter_->ReadPixels(pixels, width, height);
}

bool SdlWindow::ShowErrorBox(const std::string& title, const std::string& text) {
    // The game hides the cursor; the box must be usable with the mouse.
    SDL_ShowCursor(SDL_ENABLE);
    int rc = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), CodePageToUtf8(text).c_str(), window_.get());
    SDL_ShowCursor(cursor_visible_ ? SDL_ENABLE : SDL_DISABLE);
    return rc == 0;
}

bool SdlWindow::KeyDown(int32_t code) {
    if (code == vk::LButton || code == vk::RButton || code == vk::MButton) {
        Uint32 b = SDL_GetMouseState(nullptr, nullptr);
        return (code == vk::LButton && (b & SDL_BUTTON_LMASK)) || (code == vk::RButton && (b & SDL_BUTTON_RMASK)) ||
               (code == vk::MButton && (b & SDL_BUTTON_MMASK));
    }
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    for (SDL_Keycode key : KeycodesOfVk(code)) {
        if (key == SDLK_UNKNOWN) continue;
        SDL_Scancode sc = SDL_GetScancodeFromKey(key);
        if (sc > SDL_SCANCODE_UNKNOWN && sc < count && state[sc]) return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<WindowBackend> CreateWindowBackend(Application& app) { return std::make_unique<SdlWindow>(app); }

}  // namespace klice::platform::detail
