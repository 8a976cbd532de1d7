// The main window on SDL2: a borderless desktop-sized window (or a plain one
// after Alt+Enter) showing the primary surface through an SDL renderer,
// letterboxed; SDL's events become the application's.
#include <SDL.h>

#include <cstring>
#include <optional>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/screen.h"
#include "platform/sdl/keys.h"
#include "platform/window_backend.h"

namespace klice::platform::detail {

namespace {

ShiftState ShiftFromMod(Uint16 mod) {
    ShiftState s = 0;
    if (mod & KMOD_SHIFT) s |= ssShift;
    if (mod & KMOD_ALT) s |= ssAlt;
    if (mod & KMOD_CTRL) s |= ssCtrl;
    return s;
}

ShiftState ShiftFromButtons(Uint32 buttons) {
    ShiftState s = 0;
    if (buttons & SDL_BUTTON_LMASK) s |= ssLeft;
    if (buttons & SDL_BUTTON_RMASK) s |= ssRight;
    if (buttons & SDL_BUTTON_MMASK) s |= ssMiddle;
    return s;
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

Uint32 TextureFormatOf(const PixelFormat& f) {
    switch (f.bits) {
        case 16: return SDL_PIXELFORMAT_RGB565;
        case 24: return SDL_PIXELFORMAT_BGR24;   // bytes B, G, R
        default: return SDL_PIXELFORMAT_RGB888;  // 32 bits, and 8 bits expanded
    }
}

// Whether the renderer is OpenGL drawn on the processor (Mesa without a
// graphics card, as under a virtual X server): there one full-screen texture
// a frame costs most of a core, where SDL's own software renderer needs a
// fraction of it.
bool GlOnTheProcessor(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name || std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const auto* name = get_string ? reinterpret_cast<const char*>(get_string(0x1F01 /* GL_RENDERER */)) : nullptr;
    if (!name) return false;
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (std::strstr(name, soft)) return true;
    return false;
}

SDL_Renderer* CreateSoftwareRenderer(SDL_Window* window) {
    // The window's own surface, not a GL texture behind it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
        SDL_RendererInfo info{};
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name && std::strcmp(info.name, "software") == 0)
            return SDL_CreateRenderer(window, i, 0);
    }
    return nullptr;
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
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
    }
    void Hide() override { SDL_HideWindow(window_); }
    void SetFullScreen(bool full_screen) override;
    bool WindowSize(int* width, int* height) const override;
    bool ScreenSize(int* width, int* height) const override;
    void PollEvents() override;
    void WaitEvents(Clock::time_point deadline) override;
    void Present() override;
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
    void DrawFrame();

    Application& app_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int texture_width_ = 0, texture_height_ = 0;
    Uint32 texture_format_ = 0;
    std::vector<uint32_t> expanded_;  // 8-bit frames expanded for the texture
    SDL_Cursor* hand_ = nullptr;
    bool has_frame_ = false;
    bool cursor_visible_ = true;
    uint64_t displayed_ = 0;
};

void SdlWindow::Open(const std::string& title, bool full_screen) {
    if (window_) return;
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
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (!window_) throw EOutOfResources(Format("Window cannot be made: %s", SDL_GetError()));
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    // A renderer the user chose through SDL's own setting is kept.
    if (renderer_ && !SDL_GetHint(SDL_HINT_RENDER_DRIVER) && GlOnTheProcessor(renderer_)) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = CreateSoftwareRenderer(window_);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    }
    if (!renderer_) throw EOutOfResources(Format("Renderer cannot be made: %s", SDL_GetError()));
    hand_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    if (hand_) SDL_SetCursor(hand_);
}

void SdlWindow::Close() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    if (hand_) SDL_FreeCursor(hand_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    hand_ = nullptr;
}

void SdlWindow::SetFullScreen(bool full_screen) {
    SDL_Window* w = window_;
    if (full_screen) {
        int width = 0, height = 0;
        if (DesktopSize(SDL_GetWindowDisplayIndex(w), &width, &height)) SDL_SetWindowSize(w, width, height);
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
    if (renderer_)
        SDL_GetRendererOutputSize(renderer_, width, height);
    else
        SDL_GetWindowSize(window_, width, height);
    return true;
}

bool SdlWindow::ScreenSize(int* width, int* height) const {
    if (!window_) return false;
    return DesktopSize(SDL_GetWindowDisplayIndex(window_), width, height);
}

void SdlWindow::PollEvents() {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
        DisplayMode mode = ScreenMode();
        int out_w = 0, out_h = 0, win_w = 0, win_h = 0;
        if (renderer_) SDL_GetRendererOutputSize(renderer_, &out_w, &out_h);
        if (window_) SDL_GetWindowSize(window_, &win_w, &win_h);
        auto to_frame = [&](int wx, int wy) -> std::optional<FramePoint> {
            if (win_w <= 0 || win_h <= 0) return std::nullopt;
            int px = int(int64_t(wx) * out_w / win_w), py = int(int64_t(wy) * out_h / win_h);
            return WindowToFrame(px, py, out_w, out_h, mode.width, mode.height);
        };
        switch (ev.type) {
            case SDL_QUIT: app_.PostCloseRequest(); break;
            case SDL_WINDOWEVENT:
                if (ev.window.event == SDL_WINDOWEVENT_CLOSE)
                    app_.PostCloseRequest();
                else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                    app_.PostFocus(true);
                else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                    app_.PostFocus(false);
                else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED)
                    Present();
                break;
            case SDL_RENDER_TARGETS_RESET:
            case SDL_RENDER_DEVICE_RESET:
                if (ev.type == SDL_RENDER_DEVICE_RESET && texture_) {
                    SDL_DestroyTexture(texture_);
                    texture_ = nullptr;
                }
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

void SdlWindow::Present() {
    if (!renderer_) return;
    auto primary = Primary();
    if (primary && primary->pixels && primary->width > 0 && primary->height > 0) {
        Uint32 format = TextureFormatOf(primary->format);
        if (!texture_ || texture_width_ != primary->width || texture_height_ != primary->height ||
            texture_format_ != format) {
            if (texture_) SDL_DestroyTexture(texture_);
            texture_ =
                SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, primary->width, primary->height);
            texture_width_ = primary->width;
            texture_height_ = primary->height;
            texture_format_ = format;
        }
        if (texture_) {
            if (primary->format.bits == 8) {
                expanded_.resize(size_t(primary->width) * primary->height);
                for (int y = 0; y < primary->height; ++y)
                    for (int x = 0; x < primary->width; ++x) {
                        uint32_t c = RawToColor(primary->format, primary->pixels[size_t(y) * primary->pitch + x]);
                        expanded_[size_t(y) * primary->width + x] =
                            ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
                    }
                SDL_UpdateTexture(texture_, nullptr, expanded_.data(), primary->width * 4);
            } else {
                SDL_UpdateTexture(texture_, nullptr, primary->pixels, primary->pitch);
            }
            has_frame_ = true;
        }
    }
    DrawFrame();
    SDL_RenderPresent(renderer_);
    ++displayed_;
}

void SdlWindow::DrawFrame() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (texture_ && has_frame_) {
        int out_w = 0, out_h = 0;
        SDL_GetRendererOutputSize(renderer_, &out_w, &out_h);
        LetterboxRect box = Letterbox(out_w, out_h, texture_width_, texture_height_);
        SDL_Rect dst{box.x, box.y, box.width, box.height};
        SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
    }
}

bool SdlWindow::ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
    if (!renderer_) return false;
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    DrawFrame();  // into the back buffer, which is what can be read
    pixels->assign(size_t(w) * h, 0);
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, pixels->data(), w * 4) != 0) return false;
    *width = w;
    *height = h;
    return true;
}

bool SdlWindow::ShowErrorBox(const std::string& title, const std::string& text) {
    // The game hides the cursor; the box must be usable with the mouse.
    SDL_ShowCursor(SDL_ENABLE);
    int rc = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), CodePageToUtf8(text).c_str(), window_);
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
