// The application and its main window: the stand-in for the window system's
// message loop, window events, the 10 ms timer, the cursor show count, the
// modal error box and the async key test.
//
// One Application exists at a time. Windowed, it opens an SDL window that
// covers the screen and shows the display's primary surface scaled to it with
// black bars; headless, it opens nothing and a caller drives it tick by tick,
// supplying keys and mouse events and reading the presented frame back.
//
// Everything runs on the thread that created the Application.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/display_device.h"
#include "platform/gamepad.h"
#include "platform/virtual_keys.h"

namespace klice::platform {

// Shift state of key and mouse events: a set of these bits.
using ShiftState = uint32_t;
inline constexpr ShiftState ssShift = 1u << 0;
inline constexpr ShiftState ssAlt = 1u << 1;
inline constexpr ShiftState ssCtrl = 1u << 2;
inline constexpr ShiftState ssLeft = 1u << 3;
inline constexpr ShiftState ssRight = 1u << 4;
inline constexpr ShiftState ssMiddle = 1u << 5;

enum class MouseButton { Left, Right, Middle };

// Receives the main window's events. Mouse coordinates are frame pixels (the
// display mode's pixels); events over the black bars are not delivered.
// An exception thrown from a handler goes to the application's top-level
// handler and the loop goes on.
class WindowListener {
public:
    virtual ~WindowListener() = default;
    virtual void OnKeyDown(int32_t /*vk*/, ShiftState /*shift*/) {}
    virtual void OnMouseMove(ShiftState /*shift*/, int /*x*/, int /*y*/) {}
    virtual void OnMouseDown(MouseButton /*button*/, ShiftState /*shift*/, int /*x*/, int /*y*/) {}
    virtual void OnMouseUp(MouseButton /*button*/, ShiftState /*shift*/, int /*x*/, int /*y*/) {}
    // The window has been shown for the first time (the display may now initialize).
    virtual void OnShow() {}
    virtual void OnFocusChanged(bool /*focused*/) {}
    // The window manager asks the window to close (its close button, Alt+F4).
    // Nothing closes by itself: the listener decides, e.g. by calling Close().
    virtual void OnCloseRequest() {}
};

class Application;

// The main window: borderless and covering the screen (or, after Alt+Enter, a
// plain window); its client area shows the frame scaled with its aspect kept.
class MainWindow {
public:
    void SetListener(WindowListener* listener) { listener_ = listener; }
    WindowListener* Listener() const { return listener_; }

    // Shows the window; the first call tells the listener OnShow.
    void Show();
    bool Visible() const { return visible_; }
    // Hides the window and ends the message loop.
    void Close();

    bool Focused() const { return focused_; }
    bool FullScreen() const { return full_screen_; }
    void SetFullScreen(bool full_screen);

    // The drawing area in frame pixels: the display mode's size (1024 x 768
    // before a mode has been set).
    int ClientWidth() const;
    int ClientHeight() const;

    // Windowed: the window's size and the screen's size in pixels (false
    // without a window). For checks of the presentation.
    bool WindowSize(int* width, int* height) const;
    bool ScreenSize(int* width, int* height) const;

private:
    friend class Application;
    explicit MainWindow(Application& app) : app_(app) {}
    Application& app_;
    WindowListener* listener_ = nullptr;
    bool visible_ = false;
    bool shown_once_ = false;
    void TellDisplays() const;
    bool focused_ = true;
    bool full_screen_ = true;
};

// A copy of what the screen shows: the primary surface as last presented.
struct Frame {
    int width = 0, height = 0, pitch = 0;
    PixelFormat format;
    std::vector<uint8_t> pixels;
    // 0x00BBGGRR with channels widened by bit replication; 0xFFFFFFFF outside.
    uint32_t Pixel(int x, int y) const;
};

enum class ApplicationMode { Windowed, Headless };

void ShowErrorBox(const std::string& text);
int ShowCursor(bool show);
int16_t GetAsyncKeyState(int32_t vk);

class Application {
public:
    explicit Application(ApplicationMode mode, std::string title = "Klíče");
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The living application, or null.
    static Application* Current();

    ApplicationMode Mode() const { return mode_; }
    bool Headless() const { return mode_ == ApplicationMode::Headless; }
    // UTF-8.
    const std::string& Title() const { return title_; }
    MainWindow& Window() { return *window_; }

    // The one timer: on_tick runs every interval_ms on this thread. Setting it
    // again replaces it; an interval of 0 or less, or an empty callback, stops it.
    void SetTimer(int interval_ms, std::function<void()> on_tick);
    void KillTimer() { SetTimer(0, nullptr); }
    int TimerInterval() const { return timer_interval_ms_; }

    // Work spread over the loop's passes, such as what a page prepares after
    // its first frame: `work` runs at the end of every pass (windowed: after
    // the ticks that were due and the frame's present) and after every Tick,
    // until it returns false. Setting it again replaces it. What it
    // throws goes to HandleException and ends the work.
    void SetIdleWork(std::function<bool()> work) { idle_work_ = std::move(work); }
    bool HasIdleWork() const { return bool(idle_work_); }

    // Windowed: dispatches window events, runs the ticks that are due and shows
    // the newest frame, until Terminate. Headless: ticks back to back until Terminate.
    void Run();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // The top-level handler that receives every exception escaping a window
    // event, a tick or OnShow. Default: ShowErrorBox(ErrorBoxText(message)).
    void SetExceptionHandler(std::function<void(const std::exception&)> handler);
    void HandleException(const std::exception& error);

    // Headless: where error box texts go instead of a window. Default: prints
    // "error: <text>" to standard output.
    void SetErrorSink(std::function<void(const std::string& text)> sink);
    // Windowed: error box texts go to the error sink instead of a modal box
    // (a caller that drives the window itself, such as a test, cannot click
    // a box away).
    void SetErrorBoxesToSink(bool to_sink) { boxes_to_sink_ = to_sink; }

    // --- headless control (also usable windowed, for tests of the loop) ---
    // The key table behind GetAsyncKeyState in headless mode.
    void PressKey(int32_t vk, bool down);
    void ReleaseAllKeys();
    // Queued events, dispatched by the next Tick or ProcessEvents; coordinates
    // are frame pixels.
    void PostKeyDown(int32_t vk, ShiftState shift = 0);
    void PostMouseMove(int x, int y, ShiftState shift = 0);
    void PostMouseDown(int x, int y, MouseButton button = MouseButton::Left, ShiftState shift = 0);
    void PostMouseUp(int x, int y, MouseButton button = MouseButton::Left, ShiftState shift = 0);
    void PostFocus(bool focused);
    void PostCloseRequest();
    // Dispatches the queued events.
    void ProcessEvents();
    // Dispatches the queued events, then runs one timer tick (if a timer is set).
    void Tick();
    void RunTicks(int count);
    // The pads as they were before the current tick. Windowed, the system's
    // pads are read before every tick; headless only after
    // SetGamepadsEnabled(true), so that a scripted run is not disturbed by a
    // pad on the machine.
    const std::vector<GamepadState>& Gamepads() const { return pads_; }
    void SetGamepadsEnabled(bool enabled) { pads_enabled_ = enabled; }

    // Ticks run so far (by Run or Tick), and ticks Run gave up after stalls.
    uint64_t TickCount() const { return tick_count_; }
    int64_t DroppedTicks() const;

    // The frame the screen shows now, and how many presents have happened
    // (blits to the primary surface).
    Frame LastFrame() const;
    uint64_t PresentCount() const;
    // Windowed: frames handed to the screen by the loop.
    uint64_t DisplayedFrames() const;
    // Windowed: the window's picture as the screen shows it (frame and bars),
    // 0x00RRGGBB rows top down. False without a window.
    bool ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height);

    struct Impl;  // platform internals

private:
    friend class MainWindow;
    friend void ShowErrorBox(const std::string& text);
    friend int ShowCursor(bool show);
    friend int16_t GetAsyncKeyState(int32_t vk);
    struct Event;
    void Dispatch(const Event& event);
    void RunTimerTick();
    // One pass of Run's loop (see WindowBackend::RunLoop); false when it is over.
    bool RunStep();
    void Guard(const std::function<void()>& action);
    void RunIdleWork();

    ApplicationMode mode_;
    std::string title_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<Impl> impl_;
    std::function<void()> on_tick_;
    std::function<bool()> idle_work_;
    int timer_interval_ms_ = 0;
    bool terminated_ = false;
    uint64_t tick_count_ = 0;
    bool pads_enabled_ = false;
    std::vector<GamepadState> pads_;
    std::function<void(const std::exception&)> exception_handler_;
    std::function<void(const std::string&)> error_sink_;
    bool boxes_to_sink_ = false;
};

// The error box text of a message: the message with "." appended when its
// last byte sorts after '.' (byte order); an empty message stays empty.
std::string ErrorBoxText(const std::string& message);

// Modal error box titled with the application's title, error icon, one OK
// button. The text is 8-bit Windows-1250. Without a window (headless, no
// application, or the box cannot be shown) the text goes to the error sink.
void ShowErrorBox(const std::string& text);

// Raises (true) or lowers (false) the cursor show count and returns the new
// count; the cursor is visible over the window while the count is >= 0.
int ShowCursor(bool show);

// 16-bit key state; the high bit (a negative result) means the key is down
// now. Windowed: the keyboard and mouse buttons; headless: the PressKey table.
int16_t GetAsyncKeyState(int32_t vk);

// Window pixels to frame pixels through the letterbox: the frame is scaled
// to fit the window with its aspect kept and centred between black bars.
// This is the smooth layout, for a player who asked the system for smooth
// scaling; SharpLetterbox below is the default.
struct LetterboxRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const LetterboxRect&) const = default;
};
LetterboxRect Letterbox(int window_width, int window_height, int frame_width, int frame_height);
// Frame pixel under a window pixel; nothing when it lies in a bar.
struct FramePoint {
    int x = 0, y = 0;
};
std::optional<FramePoint> WindowToFrame(int window_x, int window_y, int window_width, int window_height,
                                        int frame_width, int frame_height);

// The layout for sharp pixels: the frame scaled by the largest whole factor
// of 2 or more that fits the window (1024 x 768 on 2048 x 1536 is x2), centred
// between black bars; where no such factor fits, as Letterbox. Shown with
// nearest-neighbour scaling, a whole factor makes every frame pixel the same
// square block.
LetterboxRect SharpLetterbox(int window_width, int window_height, int frame_width, int frame_height);
// Nearest-neighbour scaling of frame_size pixels onto box_size pixels: the
// frame pixel shown `offset` pixels into the box is the one whose area holds
// that pixel's centre (as graphics cards sample). 0 <= offset < box_size.
int NearestFramePixel(int offset, int box_size, int frame_size);
// Frame pixel shown at a window pixel when the frame fills `box` by nearest
// neighbour; nothing when it lies in a bar. For mouse positions.
std::optional<FramePoint> FramePointIn(const LetterboxRect& box, int window_x, int window_y, int frame_width,
                                       int frame_height);

}  // namespace klice::platform
