// The main window on Win32: a borderless popup over the screen (or, after
// Alt+Enter, a plain window) showing the primary surface through GDI,
// letterboxed with black bars; the window's messages become the
// application's events, and the loop sleeps on a waitable timer.
#include "platform/win32/win32_window.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/exception.h"
#include "platform/screen.h"
#include "platform/win32/system_display.h"
#include "platform/win32/win32.h"
// After <windows.h>:
#include <mmsystem.h>

#include "platform/window_backend.h"

namespace klice::platform::win32 {

namespace {

std::function<void(const ErrorBox&)>& Hook() {
    static std::function<void(const ErrorBox&)> hook;
    return hook;
}

HWND g_main_window = nullptr;

}  // namespace

void SetErrorBoxHook(std::function<void(const ErrorBox&)> hook) { Hook() = std::move(hook); }
void* MainWindowHandle() { return g_main_window; }

}  // namespace klice::platform::win32

namespace klice::platform::detail {

namespace {

using win32::Widen;

constexpr wchar_t kWindowClass[] = L"KliceMainWindow";
constexpr DWORD kFullScreenStyle = WS_POPUP;
constexpr DWORD kWindowedStyle = WS_OVERLAPPEDWINDOW;

ShiftState KeyShift() {
    ShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    return s;
}

ShiftState MouseShift(WPARAM w) {
    ShiftState s = 0;
    if (w & MK_SHIFT) s |= ssShift;
    if (w & MK_CONTROL) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    if (w & MK_LBUTTON) s |= ssLeft;
    if (w & MK_RBUTTON) s |= ssRight;
    if (w & MK_MBUTTON) s |= ssMiddle;
    return s;
}

// A DIB header with room for the three colour masks of BI_BITFIELDS.
struct DibInfo {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

class Win32Window final : public WindowBackend {
public:
    explicit Win32Window(Application& app);
    ~Win32Window() override;

    void Open(const std::string& title, bool full_screen) override;
    bool IsOpen() const override { return window_ != nullptr; }
    void Show() override;
    void Hide() override { ::ShowWindow(window_, SW_HIDE); }
    void SetFullScreen(bool full_screen) override;
    bool WindowSize(int* width, int* height) const override;
    bool ScreenSize(int* width, int* height) const override;
    void PollEvents() override;
    void WaitEvents(Clock::time_point deadline) override;
    void Present() override;
    uint64_t DisplayedFrames() const override { return displayed_; }
    bool ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) override;
    bool ShowErrorBox(const std::string& title, const std::string& text) override;
    void SetCursorCount(int count) override;
    bool KeyDown(int32_t vk) override { return ::GetAsyncKeyState(vk) < 0; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void PostMouse(UINT message, WPARAM w, LPARAM l);
    void Paint(HDC dc);
    bool PrepareFrame();

    Application& app_;
    HWND window_ = nullptr;
    HANDLE timer_ = nullptr;
    bool fine_timer_period_ = false;  // timeBeginPeriod(1) taken
    HCURSOR hand_ = nullptr;
    // The system's show count (per thread) as we found it, and ours on top.
    std::optional<int> cursor_base_;
    int cursor_count_ = 0;
    // The frame as last presented, in a layout StretchDIBits takes.
    DibInfo dib_{};
    std::vector<uint8_t> converted_;
    const void* frame_bits_ = nullptr;
    int frame_width_ = 0, frame_height_ = 0;
    uint64_t displayed_ = 0;
};

Win32Window::Win32Window(Application& app) : app_(app) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    hand_ = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649) /* IDC_HAND */);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &Win32Window::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = hand_;
    // The program's own icon (resource 1, in klice.exe) where it has one.
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kWindowClass;
    // Registered once for the process; a second application finds it there.
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw EOutOfResources(Format("Window class cannot be registered: error %lu", ::GetLastError()));
    // 10 ms ticks need a timer finer than the scheduler's 15.6 ms: a
    // high-resolution waitable timer where the system has one, else the
    // multimedia timer period lowered to 1 ms for our lifetime.
    timer_ =
        ::CreateWaitableTimerExW(nullptr, nullptr, 0x2 /* CREATE_WAITABLE_TIMER_HIGH_RESOLUTION */, TIMER_ALL_ACCESS);
    if (!timer_) {
        timer_ = ::CreateWaitableTimerW(nullptr, FALSE, nullptr);
        fine_timer_period_ = ::timeBeginPeriod(1) == 0 /* TIMERR_NOERROR */;
    }
    if (!timer_) throw EOutOfResources(Format("Timer cannot be made: error %lu", ::GetLastError()));
}

Win32Window::~Win32Window() {
    if (window_) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
        if (win32::g_main_window == window_) win32::g_main_window = nullptr;
    }
    // The system's cursor count as we found it.
    if (cursor_base_) SetCursorCount(0);
    if (timer_) ::CloseHandle(timer_);
    if (fine_timer_period_) ::timeEndPeriod(1);
}

void Win32Window::Open(const std::string& title, bool full_screen) {
    if (window_) return;
    DisplayMode mode = ScreenMode();
    int x = 0, y = 0, width = 0, height = 0;
    ScreenSize(&width, &height);
    DWORD style = kFullScreenStyle;
    if (!full_screen) {
        style = kWindowedStyle;
        RECT r{0, 0, mode.width, mode.height};
        ::AdjustWindowRectEx(&r, style, FALSE, 0);
        x = (width - (r.right - r.left)) / 2;
        y = (height - (r.bottom - r.top)) / 2;
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    window_ = ::CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, Widen(title).c_str(), style, x, y, width, height,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (!window_) throw EOutOfResources(Format("Window cannot be made: error %lu", ::GetLastError()));
    win32::g_main_window = window_;
}

void Win32Window::Show() {
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
    ::SetFocus(window_);
    ::UpdateWindow(window_);
}

void Win32Window::SetFullScreen(bool full_screen) {
    // DirectDraw leaves the exclusive mode before the window shrinks onto the
    // desktop, and takes it again once the window covers the screen.
    win32::SystemDisplay* display = win32::ActiveSystemDisplay();
    if (display) display->BeforeWindowModeChange(full_screen);
    int screen_w = 0, screen_h = 0;
    ScreenSize(&screen_w, &screen_h);
    if (full_screen) {
        ::SetWindowLongPtrW(window_, GWL_STYLE, kFullScreenStyle | WS_VISIBLE);
        ::SetWindowPos(window_, HWND_TOP, 0, 0, screen_w, screen_h, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    } else {
        // The frame's size, or as much of it as the desktop's work area
        // holds with its aspect kept.
        DisplayMode mode = ScreenMode();
        RECT work{0, 0, screen_w, screen_h};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        RECT frame{0, 0, 0, 0};
        ::AdjustWindowRectEx(&frame, kWindowedStyle, FALSE, 0);
        const int room_w = (work.right - work.left) - (frame.right - frame.left);
        const int room_h = (work.bottom - work.top) - (frame.bottom - frame.top);
        LetterboxRect fit{0, 0, mode.width, mode.height};
        if (room_w < mode.width || room_h < mode.height) fit = Letterbox(room_w, room_h, mode.width, mode.height);
        RECT r{0, 0, std::max(fit.width, 1), std::max(fit.height, 1)};
        ::AdjustWindowRectEx(&r, kWindowedStyle, FALSE, 0);
        int w = r.right - r.left, h = r.bottom - r.top;
        ::SetWindowLongPtrW(window_, GWL_STYLE, kWindowedStyle | WS_VISIBLE);
        ::SetWindowPos(window_, HWND_NOTOPMOST, work.left + (work.right - work.left - w) / 2,
                       work.top + (work.bottom - work.top - h) / 2, w, h, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
    if (display) display->AfterWindowModeChange(full_screen);
    ::InvalidateRect(window_, nullptr, FALSE);
}

bool Win32Window::WindowSize(int* width, int* height) const {
    RECT r;
    if (!window_ || !::GetClientRect(window_, &r)) return false;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return true;
}

bool Win32Window::ScreenSize(int* width, int* height) const {
    *width = ::GetSystemMetrics(SM_CXSCREEN);
    *height = ::GetSystemMetrics(SM_CYSCREEN);
    return *width > 0 && *height > 0;
}

void Win32Window::PollEvents() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            app_.PostCloseRequest();
            continue;
        }
        ::DispatchMessageW(&msg);
    }
}

void Win32Window::WaitEvents(Clock::time_point deadline) {
    auto wait = deadline - Clock::now();
    if (wait <= Clock::duration::zero()) return;
    // Relative due times are negative, in 100 ns units.
    LARGE_INTEGER due;
    due.QuadPart = -std::max<int64_t>(1, std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count() / 100);
    if (!::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
        ::Sleep(DWORD(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
        return;
    }
    // Also wakes for messages already queued but not yet looked at.
    ::MsgWaitForMultipleObjectsEx(1, &timer_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    ::CancelWaitableTimer(timer_);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = hwnd;
    }
    auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, message, w, l);
    return self->Handle(message, w, l);
}

LRESULT Win32Window::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_CLOSE:  // the close button, Alt+F4, the task bar: the game decides
            app_.PostCloseRequest();
            return 0;
        case WM_SETFOCUS: app_.PostFocus(true); return 0;
        case WM_KILLFOCUS: app_.PostFocus(false); return 0;
        case WM_SYSKEYDOWN:
            if (w == VK_F4) break;  // to DefWindowProc: Alt+F4 becomes WM_CLOSE
            if (w == VK_RETURN) {
                if (!(l & (1 << 30))) app_.Window().SetFullScreen(!app_.Window().FullScreen());
                return 0;
            }
            app_.PostKeyDown(int32_t(w), KeyShift());
            return 0;
        case WM_KEYDOWN: app_.PostKeyDown(int32_t(w), KeyShift()); return 0;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: PostMouse(message, w, l); return 0;
        case WM_SETCURSOR:
            if (LOWORD(l) == HTCLIENT) {
                ::SetCursor(hand_);  // shown or not by the system's show count
                return TRUE;
            }
            break;
        case WM_ERASEBKGND: return 1;  // Paint covers everything
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(window_, &ps);
            // On DirectDraw the last frame is presented again; else the
            // software primary is drawn through GDI.
            win32::SystemDisplay* display = win32::ActiveSystemDisplay();
            if (!display || !display->Repaint()) {
                PrepareFrame();
                Paint(dc);
            }
            ::EndPaint(window_, &ps);
            return 0;
        }
        default: break;
    }
    return ::DefWindowProcW(window_, message, w, l);
}

void Win32Window::PostMouse(UINT message, WPARAM w, LPARAM l) {
    int width = 0, height = 0;
    if (!WindowSize(&width, &height)) return;
    DisplayMode mode = ScreenMode();
    const int x = int(short(LOWORD(l))), y = int(short(HIWORD(l)));
    // The frame's place in the window, as the picture is shown there.
    auto p = FramePointIn(SharpLetterbox(width, height, mode.width, mode.height), x, y, mode.width, mode.height);
    if (!p) return;  // over a black bar
    const ShiftState shift = MouseShift(w);
    switch (message) {
        case WM_MOUSEMOVE: app_.PostMouseMove(p->x, p->y, shift); break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: app_.PostMouseDown(p->x, p->y, MouseButton::Left, shift); break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: app_.PostMouseDown(p->x, p->y, MouseButton::Right, shift); break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK: app_.PostMouseDown(p->x, p->y, MouseButton::Middle, shift); break;
        case WM_LBUTTONUP: app_.PostMouseUp(p->x, p->y, MouseButton::Left, shift); break;
        case WM_RBUTTONUP: app_.PostMouseUp(p->x, p->y, MouseButton::Right, shift); break;
        case WM_MBUTTONUP: app_.PostMouseUp(p->x, p->y, MouseButton::Middle, shift); break;
        default: break;
    }
}

// Takes the primary surface into a layout StretchDIBits can show: 16 and 32
// bits by their colour masks as they stand, 24 bits as blue-green-red rows,
// anything else widened to 32 bits.
bool Win32Window::PrepareFrame() {
    frame_bits_ = nullptr;  // the primary's pixels may have moved since
    auto primary = Primary();
    if (!primary || !primary->pixels || primary->width <= 0 || primary->height <= 0) return false;
    const int w = primary->width, h = primary->height, bits = primary->format.bits;
    dib_ = DibInfo{};
    BITMAPINFOHEADER& hd = dib_.header;
    hd.biSize = sizeof hd;
    hd.biWidth = w;
    hd.biHeight = -h;  // top row first
    hd.biPlanes = 1;
    const PixelFormat& f = primary->format;
    const bool masked = (bits == 16 || bits == 32) && f.r_mask && f.g_mask && f.b_mask;
    const bool bgr24 = bits == 24 && f.r_mask == 0xFF0000 && f.g_mask == 0xFF00 && f.b_mask == 0xFF;
    if (masked || bgr24) {
        hd.biBitCount = WORD(bits);
        hd.biCompression = masked ? BI_BITFIELDS : BI_RGB;
        dib_.masks[0] = f.r_mask;
        dib_.masks[1] = f.g_mask;
        dib_.masks[2] = f.b_mask;
        const size_t row = size_t(w) * size_t(bits / 8), stride = (row + 3) / 4 * 4;
        if (size_t(primary->pitch) == stride) {
            frame_bits_ = primary->pixels;
        } else {
            converted_.resize(stride * size_t(h));
            for (int y = 0; y < h; ++y)
                std::memcpy(&converted_[size_t(y) * stride], primary->pixels + size_t(y) * primary->pitch, row);
            frame_bits_ = converted_.data();
        }
    } else {
        hd.biBitCount = 32;
        hd.biCompression = BI_RGB;
        converted_.resize(size_t(w) * size_t(h) * 4);
        const int bpp = BytesPerPixel(f);
        for (int y = 0; y < h; ++y) {
            const uint8_t* in = primary->pixels + size_t(y) * primary->pitch;
            uint8_t* out = &converted_[size_t(y) * w * 4];
            for (int x = 0; x < w; ++x, in += bpp, out += 4) {
                uint32_t raw = 0;
                for (int i = 0; i < bpp; ++i) raw |= uint32_t(in[i]) << (8 * i);
                const uint32_t c = RawToColor(f, raw);  // 0x00BBGGRR
                out[0] = uint8_t(c >> 16);
                out[1] = uint8_t(c >> 8);
                out[2] = uint8_t(c);
                out[3] = 0;
            }
        }
        frame_bits_ = converted_.data();
    }
    frame_width_ = w;
    frame_height_ = h;
    return true;
}

void Win32Window::Paint(HDC dc) {
    int width = 0, height = 0;
    if (!WindowSize(&width, &height)) return;
    HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    if (!frame_bits_) {
        RECT all{0, 0, width, height};
        ::FillRect(dc, &all, black);
        return;
    }
    LetterboxRect box = SharpLetterbox(width, height, frame_width_, frame_height_);
    // The bars only, so that the picture does not flicker.
    const RECT bars[4] = {{0, 0, width, box.y},
                          {0, box.y + box.height, width, height},
                          {0, box.y, box.x, box.y + box.height},
                          {box.x + box.width, box.y, width, box.y + box.height}};
    for (const RECT& r : bars)
        if (r.right > r.left && r.bottom > r.top) ::FillRect(dc, &r, black);
    ::SetStretchBltMode(dc, COLORONCOLOR);  // sharp pixels
    ::StretchDIBits(dc, box.x, box.y, box.width, box.height, 0, 0, frame_width_, frame_height_, frame_bits_,
                    reinterpret_cast<const BITMAPINFO*>(&dib_), DIB_RGB_COLORS, SRCCOPY);
}

void Win32Window::Present() {
    if (!window_) return;
    PrepareFrame();
    if (HDC dc = ::GetDC(window_)) {
        Paint(dc);
        ::ReleaseDC(window_, dc);
    }
    ::GdiFlush();
    ++displayed_;
}

bool Win32Window::ReadWindowPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
    int w = 0, h = 0;
    if (!WindowSize(&w, &h) || w <= 0 || h <= 0) return false;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        if (win32::ActiveSystemDisplay()) {
            // DirectDraw draws on the screen itself: the client area from there.
            POINT origin{0, 0};
            ::ClientToScreen(window_, &origin);
            ::BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
        } else {
            // Drawn afresh into our own bitmap: what Paint puts on the window.
            PrepareFrame();
            Paint(memory);
        }
        ::GdiFlush();
        pixels->resize(size_t(w) * h);
        const auto* p = static_cast<const uint32_t*>(bits);  // 0x00RRGGBB
        for (size_t i = 0; i < pixels->size(); ++i) (*pixels)[i] = p[i] & 0xFFFFFF;
        ::SelectObject(memory, old);
        *width = w;
        *height = h;
        ok = true;
    }
    if (bitmap) ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

bool Win32Window::ShowErrorBox(const std::string& title, const std::string& text) {
    const unsigned style = MB_ICONERROR | MB_OK;
    if (auto& hook = win32::Hook()) {
        hook(win32::ErrorBox{title, text, style});
        return true;
    }
    // The game hides the cursor; the box must be usable with the mouse.
    int raised = 1;
    for (int count = ::ShowCursor(TRUE); count < 0; count = ::ShowCursor(TRUE)) ++raised;
    // The wide box: the text is Windows-1250 and the title UTF-8, whatever
    // the system's own code page is.
    int rc = ::MessageBoxW(window_, win32::WidenCodePage(text).c_str(), Widen(title).c_str(), style);
    while (raised-- > 0) ::ShowCursor(FALSE);
    return rc != 0;
}

// The system keeps the show count per thread; it follows the application's
// count, one ShowCursor call for each step the game takes.
void Win32Window::SetCursorCount(int count) {
    if (!cursor_base_) {
        ::ShowCursor(FALSE);
        cursor_base_ = ::ShowCursor(TRUE);
    }
    for (; cursor_count_ < count; ++cursor_count_) ::ShowCursor(TRUE);
    for (; cursor_count_ > count; --cursor_count_) ::ShowCursor(FALSE);
}

}  // namespace

std::unique_ptr<WindowBackend> CreateWindowBackend(Application& app) { return std::make_unique<Win32Window>(app); }

}  // namespace klice::platform::detail
