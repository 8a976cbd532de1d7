#include "platform/application.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <stdexcept>

#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/keys.h"
#include "platform/screen.h"
#include "platform/tick_schedule.h"

namespace klice::platform {

namespace {

Application* g_current = nullptr;
int g_cursor_count = 0;

using Clock = std::chrono::steady_clock;

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

}  // namespace

// --- Application internals ---

struct Application::Event {
    enum class Kind { KeyDown, MouseMove, MouseDown, MouseUp, Focus, Close } kind;
    int32_t vk = 0;
    int x = 0, y = 0;
    MouseButton button = MouseButton::Left;
    ShiftState shift = 0;
    bool focused = false;
};

struct Application::Impl {
    std::deque<Event> queue;
    std::array<bool, 256> keys{};
    bool sdl_video = false;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int texture_width = 0, texture_height = 0;
    Uint32 texture_format = 0;
    std::vector<uint32_t> expanded;  // 8-bit frames expanded for the texture
    SDL_Cursor* hand = nullptr;
    TickSchedule schedule;
    bool has_frame = false;
    uint64_t displayed = 0;

    void OpenWindow(const std::string& title, bool full_screen);
    void CloseWindow();
    void PresentFrame();
    void DrawFrame();
};

namespace {

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

}  // namespace

void Application::Impl::OpenWindow(const std::string& title, bool full_screen) {
    if (window) return;
    DisplayMode mode = detail::ScreenMode();
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
    window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (!window) throw EOutOfResources(Format("Window cannot be made: %s", SDL_GetError()));
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(window, -1, 0);
    // A renderer the user chose through SDL's own setting is kept.
    if (renderer && !SDL_GetHint(SDL_HINT_RENDER_DRIVER) && GlOnTheProcessor(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = CreateSoftwareRenderer(window);
        if (!renderer) renderer = SDL_CreateRenderer(window, -1, 0);
    }
    if (!renderer) throw EOutOfResources(Format("Renderer cannot be made: %s", SDL_GetError()));
    hand = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    if (hand) SDL_SetCursor(hand);
    SDL_ShowCursor(g_cursor_count >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void Application::Impl::CloseWindow() {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    if (hand) SDL_FreeCursor(hand);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
    hand = nullptr;
}

void Application::Impl::PresentFrame() {
    if (!renderer) return;
    auto primary = detail::Primary();
    if (primary && primary->pixels && primary->width > 0 && primary->height > 0) {
        Uint32 format = TextureFormatOf(primary->format);
        if (!texture || texture_width != primary->width || texture_height != primary->height ||
            texture_format != format) {
            if (texture) SDL_DestroyTexture(texture);
            texture = SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, primary->width, primary->height);
            texture_width = primary->width;
            texture_height = primary->height;
            texture_format = format;
        }
        if (texture) {
            if (primary->format.bits == 8) {
                expanded.resize(size_t(primary->width) * primary->height);
                for (int y = 0; y < primary->height; ++y)
                    for (int x = 0; x < primary->width; ++x) {
                        uint32_t c = RawToColor(primary->format, primary->pixels[size_t(y) * primary->pitch + x]);
                        expanded[size_t(y) * primary->width + x] =
                            ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
                    }
                SDL_UpdateTexture(texture, nullptr, expanded.data(), primary->width * 4);
            } else {
                SDL_UpdateTexture(texture, nullptr, primary->pixels, primary->pitch);
            }
            has_frame = true;
        }
    }
    DrawFrame();
    SDL_RenderPresent(renderer);
    ++displayed;
}

void Application::Impl::DrawFrame() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (texture && has_frame) {
        int out_w = 0, out_h = 0;
        SDL_GetRendererOutputSize(renderer, &out_w, &out_h);
        LetterboxRect box = Letterbox(out_w, out_h, texture_width, texture_height);
        SDL_Rect dst{box.x, box.y, box.width, box.height};
        SDL_RenderCopy(renderer, texture, nullptr, &dst);
    }
}

// --- MainWindow ---

void MainWindow::Show() {
    if (!app_.Headless() && app_.impl_->sdl_video) {
        app_.Guard([&] { app_.impl_->OpenWindow(app_.Title(), full_screen_); });
        if (app_.impl_->window) {
            SDL_ShowWindow(app_.impl_->window);
            SDL_RaiseWindow(app_.impl_->window);
        }
    }
    visible_ = true;
    if (!shown_once_) {
        shown_once_ = true;
        if (listener_) app_.Guard([&] { listener_->OnShow(); });
    }
}

void MainWindow::Close() {
    visible_ = false;
    if (app_.impl_->window) SDL_HideWindow(app_.impl_->window);
    app_.Terminate();
}

void MainWindow::SetFullScreen(bool full_screen) {
    if (full_screen == full_screen_) return;
    full_screen_ = full_screen;
    if (SDL_Window* w = app_.impl_->window) {
        if (full_screen) {
            int width = 0, height = 0;
            if (DesktopSize(SDL_GetWindowDisplayIndex(w), &width, &height)) SDL_SetWindowSize(w, width, height);
            SDL_SetWindowBordered(w, SDL_FALSE);
            SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
        } else {
            SDL_SetWindowFullscreen(w, 0);
            SDL_SetWindowBordered(w, SDL_TRUE);
            SDL_SetWindowResizable(w, SDL_TRUE);
            DisplayMode mode = detail::ScreenMode();
            SDL_SetWindowSize(w, mode.width, mode.height);
            SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        }
    }
}

bool MainWindow::WindowSize(int* width, int* height) const {
    SDL_Window* w = app_.impl_->window;
    if (!w) return false;
    if (app_.impl_->renderer)
        SDL_GetRendererOutputSize(app_.impl_->renderer, width, height);
    else
        SDL_GetWindowSize(w, width, height);
    return true;
}

bool MainWindow::ScreenSize(int* width, int* height) const {
    SDL_Window* w = app_.impl_->window;
    if (!w) return false;
    return DesktopSize(SDL_GetWindowDisplayIndex(w), width, height);
}

int MainWindow::ClientWidth() const { return detail::ScreenMode().width; }
int MainWindow::ClientHeight() const { return detail::ScreenMode().height; }

// --- Frame ---

uint32_t Frame::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
    int bpp = BytesPerPixel(format);
    const uint8_t* p = pixels.data() + size_t(y) * pitch + size_t(x) * bpp;
    uint32_t raw = 0;
    for (int i = 0; i < bpp; ++i) raw |= uint32_t(p[i]) << (8 * i);
    return RawToColor(format, raw);
}

// --- Application ---

Application::Application(ApplicationMode mode, std::string title)
    : mode_(mode), title_(std::move(title)), window_(new MainWindow(*this)), impl_(new Impl) {
    if (g_current) throw EInvalidOperation("Only one application can run at a time");
    if (mode_ == ApplicationMode::Windowed) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0)
            throw EOutOfResources(Format("Video cannot be initialized: %s", SDL_GetError()));
        impl_->sdl_video = true;
    }
    g_cursor_count = 0;
    g_current = this;
}

Application::~Application() {
    impl_->CloseWindow();
    if (impl_->sdl_video) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    g_current = nullptr;
}

Application* Application::Current() { return g_current; }

void Application::SetTimer(int interval_ms, std::function<void()> on_tick) {
    if (interval_ms <= 0 || !on_tick) {
        timer_interval_ms_ = 0;
        on_tick_ = nullptr;
        return;
    }
    timer_interval_ms_ = interval_ms;
    on_tick_ = std::move(on_tick);
    impl_->schedule.Start(Clock::now(), std::chrono::milliseconds(interval_ms));
}

void Application::SetExceptionHandler(std::function<void(const std::exception&)> handler) {
    exception_handler_ = std::move(handler);
}

void Application::HandleException(const std::exception& error) {
    if (exception_handler_) {
        exception_handler_(error);
        return;
    }
    ShowErrorBox(ErrorBoxText(error.what()));
}

void Application::SetErrorSink(std::function<void(const std::string&)> sink) { error_sink_ = std::move(sink); }

void Application::Guard(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

void Application::PressKey(int32_t vk, bool down) {
    if (vk >= 0 && vk < 256) impl_->keys[size_t(vk)] = down;
}

void Application::ReleaseAllKeys() { impl_->keys.fill(false); }

void Application::PostKeyDown(int32_t vk, ShiftState shift) {
    Event e{Event::Kind::KeyDown};
    e.vk = vk;
    e.shift = shift;
    impl_->queue.push_back(e);
}

void Application::PostMouseMove(int x, int y, ShiftState shift) {
    Event e{Event::Kind::MouseMove};
    e.x = x;
    e.y = y;
    e.shift = shift;
    impl_->queue.push_back(e);
}

void Application::PostMouseDown(int x, int y, MouseButton button, ShiftState shift) {
    Event e{Event::Kind::MouseDown};
    e.x = x;
    e.y = y;
    e.button = button;
    e.shift = shift;
    impl_->queue.push_back(e);
}

void Application::PostMouseUp(int x, int y, MouseButton button, ShiftState shift) {
    Event e{Event::Kind::MouseUp};
    e.x = x;
    e.y = y;
    e.button = button;
    e.shift = shift;
    impl_->queue.push_back(e);
}

void Application::PostFocus(bool focused) {
    Event e{Event::Kind::Focus};
    e.focused = focused;
    impl_->queue.push_back(e);
}

void Application::PostCloseRequest() { impl_->queue.push_back(Event{Event::Kind::Close}); }

void Application::Dispatch(const Event& e) {
    WindowListener* l = window_->listener_;
    switch (e.kind) {
        case Event::Kind::KeyDown:
            if (l) Guard([&] { l->OnKeyDown(e.vk, e.shift); });
            break;
        case Event::Kind::MouseMove:
            if (l) Guard([&] { l->OnMouseMove(e.shift, e.x, e.y); });
            break;
        case Event::Kind::MouseDown:
            if (l) Guard([&] { l->OnMouseDown(e.button, e.shift, e.x, e.y); });
            break;
        case Event::Kind::MouseUp:
            if (l) Guard([&] { l->OnMouseUp(e.button, e.shift, e.x, e.y); });
            break;
        case Event::Kind::Focus:
            if (window_->focused_ == e.focused) break;
            window_->focused_ = e.focused;
            // On the exclusive display a switch away took the surfaces' memory.
            if (!e.focused && window_->full_screen_) MarkAllSurfacesLost();
            if (l) Guard([&] { l->OnFocusChanged(e.focused); });
            break;
        case Event::Kind::Close:
            if (l)
                Guard([&] { l->OnCloseRequest(); });
            else
                window_->Close();
            break;
    }
}

void Application::ProcessEvents() {
    if (impl_->sdl_video) {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
            DisplayMode mode = detail::ScreenMode();
            int out_w = 0, out_h = 0, win_w = 0, win_h = 0;
            if (impl_->renderer) SDL_GetRendererOutputSize(impl_->renderer, &out_w, &out_h);
            if (impl_->window) SDL_GetWindowSize(impl_->window, &win_w, &win_h);
            auto to_frame = [&](int wx, int wy) -> std::optional<FramePoint> {
                if (win_w <= 0 || win_h <= 0) return std::nullopt;
                int px = int(int64_t(wx) * out_w / win_w), py = int(int64_t(wy) * out_h / win_h);
                return WindowToFrame(px, py, out_w, out_h, mode.width, mode.height);
            };
            switch (ev.type) {
                case SDL_QUIT: impl_->queue.push_back(Event{Event::Kind::Close}); break;
                case SDL_WINDOWEVENT:
                    if (ev.window.event == SDL_WINDOWEVENT_CLOSE)
                        impl_->queue.push_back(Event{Event::Kind::Close});
                    else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                        PostFocus(true);
                    else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                        PostFocus(false);
                    else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED)
                        impl_->PresentFrame();
                    break;
                case SDL_RENDER_TARGETS_RESET:
                case SDL_RENDER_DEVICE_RESET:
                    if (ev.type == SDL_RENDER_DEVICE_RESET && impl_->texture) {
                        SDL_DestroyTexture(impl_->texture);
                        impl_->texture = nullptr;
                    }
                    MarkAllSurfacesLost();
                    break;
                case SDL_KEYDOWN: {
                    if ((ev.key.keysym.sym == SDLK_RETURN || ev.key.keysym.sym == SDLK_KP_ENTER) &&
                        (ev.key.keysym.mod & KMOD_ALT)) {
                        if (!ev.key.repeat) window_->SetFullScreen(!window_->full_screen_);
                        break;
                    }
                    int32_t vk = VkFromKeycode(ev.key.keysym.sym);
                    if (vk) PostKeyDown(vk, ShiftFromMod(ev.key.keysym.mod));
                    break;
                }
                case SDL_MOUSEMOTION:
                    if (auto p = to_frame(ev.motion.x, ev.motion.y))
                        PostMouseMove(p->x, p->y, ShiftFromMod(SDL_GetModState()) | ShiftFromButtons(ev.motion.state));
                    break;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP:
                    if (auto p = to_frame(ev.button.x, ev.button.y)) {
                        ShiftState s =
                            ShiftFromMod(SDL_GetModState()) | ShiftFromButtons(SDL_GetMouseState(nullptr, nullptr));
                        if (ev.type == SDL_MOUSEBUTTONDOWN)
                            PostMouseDown(p->x, p->y, ButtonFromSdl(ev.button.button), s);
                        else
                            PostMouseUp(p->x, p->y, ButtonFromSdl(ev.button.button), s);
                    }
                    break;
                default: break;
            }
        }
    }
    while (!impl_->queue.empty()) {
        Event e = impl_->queue.front();
        impl_->queue.pop_front();
        Dispatch(e);
    }
}

void Application::RunTimerTick() {
    if (!on_tick_) return;
    ++tick_count_;
    auto tick = on_tick_;  // the callback may replace the timer
    Guard(tick);
}

void Application::Tick() {
    ProcessEvents();
    RunTimerTick();
}

void Application::RunTicks(int count) {
    for (int i = 0; i < count && !terminated_; ++i) Tick();
}

void Application::Run() {
    if (Headless()) {
        while (!terminated_) {
            if (!on_tick_ && impl_->queue.empty()) break;  // nothing can ever happen
            Tick();
        }
        return;
    }
    impl_->schedule.Start(Clock::now(), std::chrono::milliseconds(timer_interval_ms_));
    while (!terminated_) {
        // Sleep in the event wait until the next tick is due.
        int timeout_ms = 100;
        if (on_tick_) {
            auto wait = impl_->schedule.Next() - Clock::now();
            timeout_ms = int(std::max<int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
        }
        if (timeout_ms > 0 && SDL_WaitEventTimeout(nullptr, timeout_ms) == 0 && !on_tick_) continue;
        ProcessEvents();
        // The ticks that are due; the screen then shows the newest frame.
        for (int due = impl_->schedule.Due(Clock::now()); due > 0 && on_tick_ && !terminated_; --due) RunTimerTick();
        if (terminated_) break;
        // With a vsync renderer this waits for the blank, during which the
        // next ticks come due; they run on the next pass.
        if (detail::TakeDirty()) impl_->PresentFrame();
    }
}

Frame Application::LastFrame() const {
    Frame f;
    auto primary = detail::Primary();
    if (!primary || !primary->pixels) return f;
    f.width = primary->width;
    f.height = primary->height;
    f.pitch = primary->pitch;
    f.format = primary->format;
    f.pixels.assign(primary->pixels, primary->pixels + size_t(primary->pitch) * primary->height);
    return f;
}

uint64_t Application::PresentCount() const { return detail::PresentCount(); }
uint64_t Application::DisplayedFrames() const { return impl_->displayed; }
int64_t Application::DroppedTicks() const { return impl_->schedule.Dropped(); }

bool Application::ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
    if (!impl_->renderer) return false;
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(impl_->renderer, &w, &h);
    impl_->DrawFrame();  // into the back buffer, which is what can be read
    pixels->assign(size_t(w) * h, 0);
    if (SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_RGB888, pixels->data(), w * 4) != 0)
        return false;
    *width = w;
    *height = h;
    return true;
}

// --- free functions ---

namespace detail {
bool RestoreBlocked() { return g_current && g_current->Window().FullScreen() && !g_current->Window().Focused(); }
}  // namespace detail

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && uint8_t(message.back()) > uint8_t('.')) return message + ".";
    return message;
}

void ShowErrorBox(const std::string& text) {
    Application* app = g_current;
    if (app && !app->Headless() && app->impl_->sdl_video) {
        // The game hides the cursor; the box must be usable with the mouse.
        SDL_ShowCursor(SDL_ENABLE);
        int rc = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, app->Title().c_str(), CodePageToUtf8(text).c_str(),
                                          app->impl_->window);
        SDL_ShowCursor(g_cursor_count >= 0 ? SDL_ENABLE : SDL_DISABLE);
        if (rc == 0) return;
    }
    if (app && app->error_sink_) {
        app->error_sink_(text);
        return;
    }
    std::printf("error: %s\n", CodePageToUtf8(text).c_str());
    std::fflush(stdout);
}

int ShowCursor(bool show) {
    g_cursor_count += show ? 1 : -1;
    if (g_current && g_current->impl_->sdl_video) SDL_ShowCursor(g_cursor_count >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return g_cursor_count;
}

int16_t GetAsyncKeyState(int32_t vk) {
    Application* app = g_current;
    if (!app || vk < 0 || vk >= 256) return 0;
    bool down = app->impl_->keys[size_t(vk)];
    if (!down && app->impl_->sdl_video) {
        if (vk == vk::LButton || vk == vk::RButton || vk == vk::MButton) {
            Uint32 b = SDL_GetMouseState(nullptr, nullptr);
            down = (vk == vk::LButton && (b & SDL_BUTTON_LMASK)) || (vk == vk::RButton && (b & SDL_BUTTON_RMASK)) ||
                   (vk == vk::MButton && (b & SDL_BUTTON_MMASK));
        } else {
            int count = 0;
            const Uint8* state = SDL_GetKeyboardState(&count);
            for (SDL_Keycode key : KeycodesOfVk(vk)) {
                if (key == SDLK_UNKNOWN) continue;
                SDL_Scancode sc = SDL_GetScancodeFromKey(key);
                if (sc > SDL_SCANCODE_UNKNOWN && sc < count && state[sc]) down = true;
            }
        }
    }
    return down ? int16_t(0x8000) : int16_t(0);
}

LetterboxRect Letterbox(int window_width, int window_height, int frame_width, int frame_height) {
    LetterboxRect r;
    if (window_width <= 0 || window_height <= 0 || frame_width <= 0 || frame_height <= 0) return r;
    // Fit by the tighter side, in integers: width / height kept.
    if (int64_t(window_width) * frame_height <= int64_t(window_height) * frame_width) {
        r.width = window_width;
        r.height = int(int64_t(window_width) * frame_height / frame_width);
    } else {
        r.height = window_height;
        r.width = int(int64_t(window_height) * frame_width / frame_height);
    }
    r.x = (window_width - r.width) / 2;
    r.y = (window_height - r.height) / 2;
    return r;
}

std::optional<FramePoint> WindowToFrame(int window_x, int window_y, int window_width, int window_height,
                                        int frame_width, int frame_height) {
    LetterboxRect r = Letterbox(window_width, window_height, frame_width, frame_height);
    if (r.width <= 0 || r.height <= 0) return std::nullopt;
    if (window_x < r.x || window_y < r.y || window_x >= r.x + r.width || window_y >= r.y + r.height)
        return std::nullopt;
    FramePoint p;
    p.x = int(int64_t(window_x - r.x) * frame_width / r.width);
    p.y = int(int64_t(window_y - r.y) * frame_height / r.height);
    return p;
}

}  // namespace klice::platform
