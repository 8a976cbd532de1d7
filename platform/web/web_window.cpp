// The main window in the browser: the page's canvas (id "canvas", 1024 x 768
// frame pixels) shows the primary surface; CSS scales it by the desktop's
// sharp rule (SharpLetterbox) and centres it on the black page. The loop runs
// on the browser's animation frames; the page's events become the
// application's.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/pixel_codec.h"
#include "platform/screen.h"
#include "platform/web/keys.h"
#include "platform/window_backend.h"

namespace {

// clang-format off
EM_JS(void, klice_web_open_canvas, (int width, int height), {
    const canvas = document.getElementById('canvas');
    canvas.width = width;
    canvas.height = height;
    Module.kliceContext = canvas.getContext('2d', {alpha: false});
});
EM_JS(void, klice_web_put_frame, (const void* rgba, int width, int height), {
    // The frame's pixels where the program has them, without a copy (a view
    // made each time: the memory's buffer changes when it grows).
    const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    Module.kliceContext.putImageData(new ImageData(pixels, width, height), 0, 0);
    // For the page's checks: when the first frame was shown.
    if (Module.kliceFirstFrameMs === undefined) Module.kliceFirstFrameMs = performance.now();
    Module.kliceFrames = (Module.kliceFrames || 0) + 1;
});
// The canvas's place in the page's stage (the area below its header, the
// whole screen in full screen), in CSS pixels.
EM_JS(void, klice_web_place_canvas, (double left, double top, double width, double height), {
    const style = document.getElementById('canvas').style;
    style.left = left + 'px';
    style.top = top + 'px';
    style.width = width + 'px';
    style.height = height + 'px';
});
EM_JS(double, klice_web_device_pixel_ratio, (), { return window.devicePixelRatio || 1; });
EM_JS(int, klice_web_inner_width, (), {
    const stage = document.getElementById('stage');
    return stage ? stage.clientWidth : window.innerWidth;
});
EM_JS(int, klice_web_inner_height, (), {
    const stage = document.getElementById('stage');
    return stage ? stage.clientHeight : window.innerHeight;
});
EM_JS(int, klice_web_screen_width, (), { return screen.width; });
EM_JS(int, klice_web_screen_height, (), { return screen.height; });
EM_JS(void, klice_web_toggle_full_screen, (), {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (document.documentElement.requestFullscreen) document.documentElement.requestFullscreen().catch(() => {});
});
EM_JS(void, klice_web_set_full_screen, (int on), {
    if (!on && document.fullscreenElement) document.exitFullscreen();
    // Going full screen needs the player's gesture: the page's button and
    // Alt+Enter ask for it from their own events.
});
EM_JS(void, klice_web_set_cursor, (int visible), {
    document.getElementById('canvas').style.cursor = visible ? 'pointer' : 'none';
});
EM_JS(int, klice_web_has_page, (), { return typeof document !== 'undefined' && !!document.getElementById('canvas'); });
EM_JS(void, klice_web_alert, (const char* text), { window.alert(UTF8ToString(text)); });
EM_JS(void, klice_web_set_title, (const char* title), { document.title = UTF8ToString(title); });
// The page's checks open it as index.html?test: the game then ticks only
// when the check steps it (klice_web_step), so its frames can be compared
// with the play tester's at the same tick.
EM_JS(int, klice_web_stepped_by_check, (), { return new URLSearchParams(location.search).has('test'); });
// The tick count after the last animation frame's pass, with the time that
// pass began: the check's bound on the tick rate holds between two of these.
EM_JS(void, klice_web_note_pass, (double ticks, double began_ms), { Module.kliceLastPass = {ticks: ticks, ms: began_ms}; });
// clang-format on

}  // namespace

namespace klice::platform::detail {

namespace {

ShiftState ShiftOf(bool shift, bool alt, bool ctrl) {
    return (shift ? ssShift : 0) | (alt ? ssAlt : 0) | (ctrl ? ssCtrl : 0);
}

MouseButton ButtonOf(unsigned short button) {
    if (button == 2) return MouseButton::Right;
    if (button == 1) return MouseButton::Middle;
    return MouseButton::Left;
}

class WebWindow final : public WindowBackend {
public:
    explicit WebWindow(Application& app) : app_(app) {
        // Under node (the test programs) there is no page to show a window in.
        if (!klice_web_has_page()) throw EOutOfResources("There is no page with a canvas to show the window in");
    }
    ~WebWindow() override { Close(); }

    void Open(const std::string& title, bool full_screen) override;
    bool IsOpen() const override { return open_; }
    void Show() override { Place(); }
    void Hide() override {}
    void SetFullScreen(bool full_screen) override { klice_web_set_full_screen(full_screen); }
    bool WindowSize(int* width, int* height) const override;
    bool ScreenSize(int* width, int* height) const override;
    // Events come by callbacks between animation frames, straight into the
    // application's queue.
    void PollEvents() override {}
    // The animation frame was the wait.
    void WaitEvents(Clock::time_point) override {}
    void RunLoop(std::function<bool()> step) override;
    void Present() override;
    // Frames go to the page inside an animation frame, which the browser
    // shows at its next refresh.
    Clock::duration RefreshInterval() const override { return refresh_; }
    bool PresentWaitsForBlank() const override { return true; }
    uint64_t DisplayedFrames() const override { return displayed_; }
    bool ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) override;
    bool ShowErrorBox(const std::string& title, const std::string& text) override {
        klice_web_alert((title + "\n\n" + CodePageToUtf8(text)).c_str());
        return true;
    }
    void SetCursorCount(int count) override { klice_web_set_cursor(count >= 0); }
    bool KeyDown(int32_t vk) override { return vk > 0 && vk < int32_t(held_.size()) && held_[size_t(vk)]; }

    // The window of the page opened with ?test, which ticks only when stepped.
    static WebWindow* Stepped() { return stepped_; }
    // Runs `ticks` ticks with the events that came before them, and shows
    // the last frame on the canvas at once.
    void Step(int ticks);

private:
    void Close();
    // Sizes and centres the canvas for the page's present size.
    void Place();
    std::optional<FramePoint> ToFrame(const EmscriptenMouseEvent& e) const;
    void NoteFrameTime(double now_ms);
    static uint32_t CanvasColour(const PixelFormat& format, uint32_t raw);
    // Every 16-bit pixel's canvas colour, made once per format: converting
    // each pixel on its own took most of a present's time.
    const std::vector<uint32_t>& ColoursOf(const PixelFormat& format);

    static EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void* self);
    static EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* e, void* self);
    static EM_BOOL OnResize(int type, const EmscriptenUiEvent* e, void* self);
    static EM_BOOL OnFullScreen(int type, const EmscriptenFullscreenChangeEvent* e, void* self);
    static EM_BOOL OnVisibility(int type, const EmscriptenVisibilityChangeEvent* e, void* self);
    static EM_BOOL OnBlur(int type, const EmscriptenFocusEvent* e, void* self);
    static void Frame(void* self);

    Application& app_;
    bool open_ = false;
    std::array<bool, 256> held_{};
    std::vector<uint32_t> rgba_;  // the canvas's pixels as last put
    std::vector<uint32_t> colours_;
    PixelFormat colours_format_;
    int frame_width_ = 0, frame_height_ = 0;
    LetterboxRect box_;  // the canvas on the page, in CSS pixels
    uint64_t displayed_ = 0;
    std::function<bool()> step_;
    double last_frame_ms_ = 0;
    Clock::duration refresh_{};
    static inline WebWindow* stepped_ = nullptr;
};

void WebWindow::Open(const std::string& title, bool) {
    if (open_) return;
    const DisplayMode mode = ScreenMode();
    klice_web_open_canvas(mode.width, mode.height);
    klice_web_set_title(title.c_str());
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, this, true, OnKey);
    emscripten_set_keyup_callback(window, this, true, OnKey);
    emscripten_set_mousedown_callback("#canvas", this, true, OnMouse);
    emscripten_set_mouseup_callback(window, this, true, OnMouse);
    emscripten_set_mousemove_callback("#canvas", this, true, OnMouse);
    emscripten_set_resize_callback(window, this, true, OnResize);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, this, true, OnFullScreen);
    emscripten_set_visibilitychange_callback(this, true, OnVisibility);
    emscripten_set_blur_callback(window, this, true, OnBlur);
    open_ = true;
    Place();
}

void WebWindow::Close() {
    if (stepped_ == this) stepped_ = nullptr;
    if (!open_) return;
    emscripten_html5_remove_all_event_listeners();
    open_ = false;
}

void WebWindow::Place() {
    const DisplayMode mode = ScreenMode();
    const double ratio = klice_web_device_pixel_ratio();
    const int inner_w = klice_web_inner_width(), inner_h = klice_web_inner_height();
    // The rule counts device pixels: a whole factor must be whole on the screen.
    const LetterboxRect device = SharpLetterbox(int(inner_w * ratio), int(inner_h * ratio), mode.width, mode.height);
    box_ = {int(device.x / ratio), int(device.y / ratio), int(device.width / ratio), int(device.height / ratio)};
    klice_web_place_canvas(device.x / ratio, device.y / ratio, device.width / ratio, device.height / ratio);
}

bool WebWindow::WindowSize(int* width, int* height) const {
    if (!open_) return false;
    const double ratio = klice_web_device_pixel_ratio();
    *width = int(klice_web_inner_width() * ratio);
    *height = int(klice_web_inner_height() * ratio);
    return true;
}

bool WebWindow::ScreenSize(int* width, int* height) const {
    if (!open_) return false;
    const double ratio = klice_web_device_pixel_ratio();
    *width = int(klice_web_screen_width() * ratio);
    *height = int(klice_web_screen_height() * ratio);
    return true;
}

void WebWindow::Present() {
    auto primary = Primary();
    if (!open_ || !primary || !primary->pixels) return;
    const int w = primary->width, h = primary->height;
    if (w != frame_width_ || h != frame_height_) {
        frame_width_ = w;
        frame_height_ = h;
        klice_web_open_canvas(w, h);
        Place();
    }
    rgba_.resize(size_t(w) * h);
    const PixelFormat& format = primary->format;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = primary->pixels + size_t(y) * primary->pitch;
        uint32_t* out = rgba_.data() + size_t(y) * w;
        if (format.bits == 16) {
            const std::vector<uint32_t>& colours = ColoursOf(format);
            for (int x = 0; x < w; ++x) out[x] = colours[row[2 * x] | row[2 * x + 1] << 8];
        } else {
            for (int x = 0; x < w; ++x) out[x] = CanvasColour(format, ReadRawPixel(row, x, format.bits));
        }
    }
    klice_web_put_frame(rgba_.data(), w, h);
    ++displayed_;
}

uint32_t WebWindow::CanvasColour(const PixelFormat& format, uint32_t raw) {
    // RawToColor gives 0x00BBGGRR: the canvas's bytes R, G, B, then A opaque.
    return RawToColor(format, raw) | 0xFF000000u;
}

const std::vector<uint32_t>& WebWindow::ColoursOf(const PixelFormat& format) {
    const bool same = colours_format_.bits == format.bits && colours_format_.r_mask == format.r_mask &&
                      colours_format_.g_mask == format.g_mask && colours_format_.b_mask == format.b_mask;
    if (same && !colours_.empty()) return colours_;
    colours_.resize(size_t(1) << format.bits);
    for (uint32_t raw = 0; raw < colours_.size(); ++raw) colours_[raw] = CanvasColour(format, raw);
    colours_format_ = format;
    return colours_;
}

bool WebWindow::ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
    if (rgba_.empty()) return false;
    // The canvas holds the frame at its own size; the page's scaling is the browser's.
    pixels->resize(rgba_.size());
    for (size_t i = 0; i < rgba_.size(); ++i) {
        const uint32_t c = rgba_[i];
        (*pixels)[i] = (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
    }
    *width = frame_width_;
    *height = frame_height_;
    return true;
}

void WebWindow::RunLoop(std::function<bool()> step) {
    step_ = std::move(step);
    if (klice_web_stepped_by_check()) stepped_ = this;
    // Every animation frame runs one pass, which runs the ticks that came
    // due since the last (several where the screen refreshes slower than
    // 100 Hz); the call does not return, as the browser owns the loop.
    emscripten_set_main_loop_arg(Frame, this, 0, true);
}

void WebWindow::Frame(void* self_ptr) {
    auto* self = static_cast<WebWindow*>(self_ptr);
    const double began = emscripten_get_now();
    self->NoteFrameTime(began);
    if (self == stepped_) return;  // the check runs the ticks
    if (!self->step_()) emscripten_cancel_main_loop();
    klice_web_note_pass(double(self->app_.TickCount()), began);
}

void WebWindow::Step(int ticks) {
    app_.RunTicks(ticks);
    Present();
}

void WebWindow::NoteFrameTime(double now_ms) {
    // The refresh interval as the animation frames show it, smoothed; gaps
    // of a hidden tab or a stall are no refresh.
    const double gap = now_ms - last_frame_ms_;
    last_frame_ms_ = now_ms;
    if (gap <= 2.0 || gap > 50.0) return;
    const double current = std::chrono::duration<double, std::milli>(refresh_).count();
    const double next = current > 0 ? current + (gap - current) / 16.0 : gap;
    refresh_ = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(next));
}

std::optional<FramePoint> WebWindow::ToFrame(const EmscriptenMouseEvent& e) const {
    // The canvas is the frame's box: positions on it, in CSS pixels, map
    // back through the scaling.
    const DisplayMode mode = ScreenMode();
    const LetterboxRect box{0, 0, box_.width, box_.height};
    return FramePointIn(box, int(e.targetX), int(e.targetY), mode.width, mode.height);
}

EM_BOOL WebWindow::OnKey(int type, const EmscriptenKeyboardEvent* e, void* self_ptr) {
    auto* self = static_cast<WebWindow*>(self_ptr);
    const int32_t vk = VkFromKeyCode(e->code);
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    if (down && e->altKey && vk == vk::Return) {
        // Inside the key's own event, where the browser allows it.
        if (!e->repeat) klice_web_toggle_full_screen();
        return true;
    }
    if (vk == 0) return false;  // the browser's own keys (F5, Ctrl+R) keep working
    if (vk < int32_t(self->held_.size())) self->held_[size_t(vk)] = down;
    if (down) self->app_.PostKeyDown(vk, ShiftOf(e->shiftKey, e->altKey, e->ctrlKey));
    return true;  // arrows and space must not scroll the page
}

EM_BOOL WebWindow::OnMouse(int type, const EmscriptenMouseEvent* e, void* self_ptr) {
    auto* self = static_cast<WebWindow*>(self_ptr);
    ShiftState shift = ShiftOf(e->shiftKey, e->altKey, e->ctrlKey);
    if (e->buttons & 1) shift |= ssLeft;
    if (e->buttons & 2) shift |= ssRight;
    if (e->buttons & 4) shift |= ssMiddle;
    const int32_t button_vk[] = {vk::LButton, vk::MButton, vk::RButton};
    if ((type == EMSCRIPTEN_EVENT_MOUSEDOWN || type == EMSCRIPTEN_EVENT_MOUSEUP) && e->button < 3)
        self->held_[size_t(button_vk[e->button])] = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    const auto p = self->ToFrame(*e);
    if (!p || e->targetX < 0 || e->targetY < 0) return false;
    if (type == EMSCRIPTEN_EVENT_MOUSEMOVE)
        self->app_.PostMouseMove(p->x, p->y, shift);
    else if (type == EMSCRIPTEN_EVENT_MOUSEDOWN)
        self->app_.PostMouseDown(p->x, p->y, ButtonOf(e->button), shift);
    else
        self->app_.PostMouseUp(p->x, p->y, ButtonOf(e->button), shift);
    return true;
}

EM_BOOL WebWindow::OnResize(int, const EmscriptenUiEvent*, void* self_ptr) {
    static_cast<WebWindow*>(self_ptr)->Place();
    return false;
}

EM_BOOL WebWindow::OnFullScreen(int, const EmscriptenFullscreenChangeEvent*, void* self_ptr) {
    static_cast<WebWindow*>(self_ptr)->Place();
    return false;
}

EM_BOOL WebWindow::OnVisibility(int, const EmscriptenVisibilityChangeEvent* e, void* self_ptr) {
    // A hidden tab gets no animation frames: the ticks of its time are
    // given up as after a stall (platform/tick_schedule.h) when it returns.
    static_cast<WebWindow*>(self_ptr)->app_.PostFocus(!e->hidden);
    return false;
}

EM_BOOL WebWindow::OnBlur(int, const EmscriptenFocusEvent*, void* self_ptr) {
    auto* self = static_cast<WebWindow*>(self_ptr);
    self->held_.fill(false);  // their key-up events go elsewhere
    return false;
}

}  // namespace

std::unique_ptr<WindowBackend> CreateWindowBackend(Application& app) { return std::make_unique<WebWindow>(app); }

}  // namespace klice::platform::detail

// For the page's checks (scripts/test-web.sh): the application's ticks so
// far and the ticks it gave up after stalls; -1 without an application.
extern "C" EMSCRIPTEN_KEEPALIVE double klice_web_ticks() {
    const auto* app = klice::platform::Application::Current();
    return app ? double(app->TickCount()) : -1.0;
}
extern "C" EMSCRIPTEN_KEEPALIVE double klice_web_dropped_ticks() {
    const auto* app = klice::platform::Application::Current();
    return app ? double(app->DroppedTicks()) : -1.0;
}
// The page opened with ?test: runs that many ticks and shows the frame; the
// ticks so far, or -1 on a page that ticks by itself.
extern "C" EMSCRIPTEN_KEEPALIVE double klice_web_step(int ticks) {
    auto* window = klice::platform::detail::WebWindow::Stepped();
    if (!window) return -1.0;
    window->Step(ticks);
    return klice_web_ticks();
}
