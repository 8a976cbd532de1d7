// Internal to platform/: the window system under a windowed Application.
// The portable Application keeps the event queue, the timer and the loop;
// a backend (platform/sdl/, platform/win32/) opens the real window, turns the
// system's events into the application's (Application::Post...), shows the
// primary surface and answers the system's own questions (key state, the
// cursor, the error box).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace klice::platform::detail {

class WindowBackend {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~WindowBackend() = default;

    // Opens the window once, borderless over the screen or as a plain
    // window; throws EOutOfResources when it cannot be made. `title` is UTF-8.
    virtual void Open(const std::string& title, bool full_screen) = 0;
    virtual bool IsOpen() const = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void SetFullScreen(bool full_screen) = 0;
    // The drawing area's size in pixels and the screen's (false without a window).
    virtual bool WindowSize(int* width, int* height) const = 0;
    virtual bool ScreenSize(int* width, int* height) const = 0;

    // Posts the system's pending events to the application.
    virtual void PollEvents() = 0;
    // Sleeps until the system has an event or `deadline` has come.
    virtual void WaitEvents(Clock::time_point deadline) = 0;
    // Runs the application's loop: `step` waits (WaitEvents), handles what
    // came and returns false when the loop is over. A desktop loops here; a
    // system that owns the loop itself (a browser's animation frames) calls
    // `step` from it instead and need not return.
    virtual void RunLoop(std::function<bool()> step) {
        while (step()) {
        }
    }

    // Shows the primary surface (letterboxed) on the window.
    virtual void Present() = 0;
    // The screen's refresh interval (zero when the system does not say) and
    // whether Present waits for the vertical blank; the loop presents no more
    // often than the screen shows frames (platform/present_pacer.h).
    virtual Clock::duration RefreshInterval() const { return Clock::duration::zero(); }
    virtual bool PresentWaitsForBlank() const { return false; }
    virtual uint64_t DisplayedFrames() const = 0;
    // The window's picture as the screen shows it, 0x00RRGGBB rows top down.
    virtual bool ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) = 0;

    // A modal error box; false when it could not be shown. `title` is
    // UTF-8, `text` Windows-1250.
    virtual bool ShowErrorBox(const std::string& title, const std::string& text) = 0;
    // The application's cursor show count (0 at its start; the cursor is
    // visible over the window while it is not negative).
    virtual void SetCursorCount(int count) = 0;
    // Whether the key or mouse button with this virtual-key code is down now.
    virtual bool KeyDown(int32_t vk) = 0;
};

}  // namespace klice::platform::detail
