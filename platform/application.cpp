#include "platform/application.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <stdexcept>

#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/pixel_codec.h"
#include "platform/present_pacer.h"
#include "platform/screen.h"
#include "platform/tick_schedule.h"
#include "platform/window_backend.h"

namespace klice::platform {

namespace {

Application* g_current = nullptr;
int g_cursor_count = 0;

using Clock = std::chrono::steady_clock;

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
    std::unique_ptr<detail::WindowBackend> backend;  // windowed only
    TickSchedule schedule;
    PresentPacer pacer;
    bool frame_waiting = false;  // Run: a frame newer than the screen's
};

// --- MainWindow ---

void MainWindow::Show() {
    if (auto& backend = app_.impl_->backend) {
        app_.Guard([&] { backend->Open(app_.Title(), full_screen_); });
        if (backend->IsOpen()) {
            backend->SetCursorCount(g_cursor_count);
            backend->Show();
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
    if (auto& backend = app_.impl_->backend; backend && backend->IsOpen()) backend->Hide();
    app_.Terminate();
}

void MainWindow::SetFullScreen(bool full_screen) {
    if (full_screen == full_screen_) return;
    full_screen_ = full_screen;
    TellDisplays();
    if (auto& backend = app_.impl_->backend; backend && backend->IsOpen()) backend->SetFullScreen(full_screen);
}

bool MainWindow::WindowSize(int* width, int* height) const {
    auto& backend = app_.impl_->backend;
    return backend && backend->WindowSize(width, height);
}

bool MainWindow::ScreenSize(int* width, int* height) const {
    auto& backend = app_.impl_->backend;
    return backend && backend->ScreenSize(width, height);
}

// The displays refuse to restore lost surfaces while the window is full
// screen without the focus: the exclusive display belongs to another program.
void MainWindow::TellDisplays() const { detail::SetRestoreBlocked(full_screen_ && !focused_); }

int MainWindow::ClientWidth() const { return detail::ScreenMode().width; }
int MainWindow::ClientHeight() const { return detail::ScreenMode().height; }

// --- Frame ---

uint32_t Frame::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
    return RawToColor(format, ReadRawPixel(pixels.data() + size_t(y) * pitch, x, format.bits));
}

// --- Application ---

Application::Application(ApplicationMode mode, std::string title)
    : mode_(mode), title_(std::move(title)), window_(new MainWindow(*this)), impl_(new Impl) {
    if (g_current) throw EInvalidOperation("Only one application can run at a time");
    if (mode_ == ApplicationMode::Windowed) {
        impl_->backend = detail::CreateWindowBackend(*this);
        pads_enabled_ = true;
    }
    g_cursor_count = 0;
    g_current = this;
    detail::SetSystemDisplayAllowed(mode_ == ApplicationMode::Windowed);
    window_->TellDisplays();
}

Application::~Application() {
    impl_->backend.reset();
    g_current = nullptr;
    detail::SetSystemDisplayAllowed(false);
    detail::SetRestoreBlocked(false);
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

void Application::RunIdleWork() {
    if (!idle_work_ || terminated_) return;
    auto work = idle_work_;  // the work may replace itself
    bool more = false;
    Guard([&] { more = work(); });
    if (!more) idle_work_ = nullptr;
}

void Application::PressKey(int32_t vk, bool down) {
    if (vk >= 0 && vk < 256) impl_->keys[size_t(vk)] = down;
}

void Application::ReleaseAllKeys() { impl_->keys.fill(false); }

void Application::PostKeyDown(int32_t vk, ShiftState shift) {
    impl_->queue.push_back(Event{.kind = Event::Kind::KeyDown, .vk = vk, .shift = shift});
}

void Application::PostMouseMove(int x, int y, ShiftState shift) {
    impl_->queue.push_back(Event{.kind = Event::Kind::MouseMove, .x = x, .y = y, .shift = shift});
}

void Application::PostMouseDown(int x, int y, MouseButton button, ShiftState shift) {
    impl_->queue.push_back(Event{.kind = Event::Kind::MouseDown, .x = x, .y = y, .button = button, .shift = shift});
}

void Application::PostMouseUp(int x, int y, MouseButton button, ShiftState shift) {
    impl_->queue.push_back(Event{.kind = Event::Kind::MouseUp, .x = x, .y = y, .button = button, .shift = shift});
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
            window_->TellDisplays();
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
    if (impl_->backend) impl_->backend->PollEvents();
    while (!impl_->queue.empty()) {
        Event e = impl_->queue.front();
        impl_->queue.pop_front();
        Dispatch(e);
    }
}

void Application::RunTimerTick() {
    if (!on_tick_) return;
    if (pads_enabled_)
        pads_ = ReadGamepads();
    else
        pads_.clear();
    ++tick_count_;
    auto tick = on_tick_;  // the callback may replace the timer
    Guard(tick);
}

void Application::Tick() {
    ProcessEvents();
    RunTimerTick();
    RunIdleWork();
}

void Application::RunTicks(int count) {
    for (int i = 0; i < count && !terminated_; ++i) Tick();
}

void Application::Run() {
    if (Headless()) {
        while (!terminated_) {
            if (!on_tick_ && !idle_work_ && impl_->queue.empty()) break;  // nothing can ever happen
            Tick();
        }
        return;
    }
    impl_->schedule.Start(Clock::now(), std::chrono::milliseconds(timer_interval_ms_));
    impl_->frame_waiting = false;
    impl_->backend->RunLoop([this] { return RunStep(); });
}

bool Application::RunStep() {
    if (terminated_) return false;
    auto& backend = *impl_->backend;
    auto& pacer = impl_->pacer;
    bool& frame_waiting = impl_->frame_waiting;  // a frame newer than the screen's
    // Sleep in the event wait until the next tick is due, or until the
    // waiting frame may go to the screen.
    auto wake = on_tick_ ? impl_->schedule.Next() : Clock::now() + std::chrono::milliseconds(100);
    if (frame_waiting) wake = std::min(wake, pacer.Wake());
    backend.WaitEvents(wake);
    ProcessEvents();
    // The ticks that are due; the screen then shows the newest frame.
    const int due = on_tick_ ? impl_->schedule.Due(Clock::now()) : 0;
    for (int n = due; n > 0 && on_tick_ && !terminated_; --n) RunTimerTick();
    if (terminated_) return false;
    if (detail::TakeDirty()) frame_waiting = true;
    if (frame_waiting) {
        pacer.SetScreen(backend.RefreshInterval(), backend.PresentWaitsForBlank());
        const auto now = Clock::now();
        // Without a timer nothing comes after the present to be held up.
        if (pacer.MayPresent(now, due > 0 || !on_tick_)) {
            backend.Present();
            pacer.Presented(now, Clock::now());
            frame_waiting = false;
        }
    }
    RunIdleWork();
    return !terminated_;
}

Frame Application::LastFrame() const {
    Frame f;
    if (!Headless() && detail::ReadSystemFrame(&f)) return f;
    auto primary = detail::Primary();
    if (!primary || !primary->pixels) return f;
    f.width = primary->width;
    f.height = primary->height;
    f.pitch = primary->pitch;
    f.format = primary->format;
    f.pixels.assign(primary->pixels, primary->pixels + size_t(primary->pitch) * primary->height);
    return f;
}

uint64_t Application::PresentCount() const {
    uint64_t count = 0;
    if (!Headless() && detail::SystemPresentCount(&count)) return count;
    return detail::PresentCount();
}
uint64_t Application::DisplayedFrames() const {
    // On the system's own display every present goes to the screen at once.
    uint64_t count = 0;
    if (!Headless() && detail::SystemPresentCount(&count)) return count;
    return impl_->backend ? impl_->backend->DisplayedFrames() : 0;
}
int64_t Application::DroppedTicks() const { return impl_->schedule.Dropped(); }

bool Application::ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
    return impl_->backend && impl_->backend->ReadWindowPixels(pixels, width, height);
}

// --- free functions ---

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && uint8_t(message.back()) > uint8_t('.')) return message + ".";
    return message;
}

void ShowErrorBox(const std::string& text) {
    Application* app = g_current;
    if (app && app->impl_->backend && !app->boxes_to_sink_ && app->impl_->backend->ShowErrorBox(app->Title(), text))
        return;
    if (app && app->error_sink_) {
        app->error_sink_(text);
        return;
    }
    std::printf("error: %s\n", CodePageToUtf8(text).c_str());
    std::fflush(stdout);
}

int ShowCursor(bool show) {
    g_cursor_count += show ? 1 : -1;
    if (g_current && g_current->impl_->backend) g_current->impl_->backend->SetCursorCount(g_cursor_count);
    return g_cursor_count;
}

int16_t GetAsyncKeyState(int32_t vk) {
    Application* app = g_current;
    if (!app || vk < 0 || vk >= 256) return 0;
    bool down = app->impl_->keys[size_t(vk)];
    if (!down && app->impl_->backend) down = app->impl_->backend->KeyDown(vk);
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

LetterboxRect SharpLetterbox(int window_width, int window_height, int frame_width, int frame_height) {
    if (window_width <= 0 || window_height <= 0 || frame_width <= 0 || frame_height <= 0) return {};
    const int factor = std::min(window_width / frame_width, window_height / frame_height);
    if (factor < 2) return Letterbox(window_width, window_height, frame_width, frame_height);
    LetterboxRect r;
    r.width = frame_width * factor;
    r.height = frame_height * factor;
    r.x = (window_width - r.width) / 2;
    r.y = (window_height - r.height) / 2;
    return r;
}

int NearestFramePixel(int offset, int box_size, int frame_size) {
    // floor((offset + 0.5) * frame_size / box_size), in integers.
    return int((2 * int64_t(offset) + 1) * frame_size / (2 * int64_t(box_size)));
}

std::optional<FramePoint> FramePointIn(const LetterboxRect& box, int window_x, int window_y, int frame_width,
                                       int frame_height) {
    if (box.width <= 0 || box.height <= 0 || frame_width <= 0 || frame_height <= 0) return std::nullopt;
    if (window_x < box.x || window_y < box.y || window_x >= box.x + box.width || window_y >= box.y + box.height)
        return std::nullopt;
    return FramePoint{NearestFramePixel(window_x - box.x, box.width, frame_width),
                      NearestFramePixel(window_y - box.y, box.height, frame_height)};
}

}  // namespace klice::platform
