// The Win32 main window, its loop and the system's own input, cursor and
// error box, on the real window (under wine on a virtual X server in CI).
#include "platform/win32/win32_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "platform/exception.h"
#include "platform/virtual_keys.h"
#include "platform/win32/win32.h"

namespace klice::platform {
namespace {

using Clock = std::chrono::steady_clock;

// The thread's cursor show count, read without changing it.
int SystemCursorCount() {
    ::ShowCursor(TRUE);
    return ::ShowCursor(FALSE);
}

struct Recorder : WindowListener {
    std::vector<int32_t> keys;
    struct Mouse {
        char kind;
        int x, y;
        MouseButton button;
    };
    std::vector<Mouse> mouse;
    int close_requests = 0;
    void OnKeyDown(int32_t vk, ShiftState) override { keys.push_back(vk); }
    void OnMouseMove(ShiftState, int x, int y) override { mouse.push_back({'m', x, y, MouseButton::Left}); }
    void OnMouseDown(MouseButton b, ShiftState, int x, int y) override { mouse.push_back({'d', x, y, b}); }
    void OnMouseUp(MouseButton b, ShiftState, int x, int y) override { mouse.push_back({'u', x, y, b}); }
    void OnCloseRequest() override { ++close_requests; }
};

class Win32Window : public ::testing::Test {
protected:
    void SetUp() override {
        app_.Window().SetListener(&recorder_);
        app_.Window().Show();
        hwnd_ = static_cast<HWND>(win32::MainWindowHandle());
        ASSERT_NE(hwnd_, nullptr);
        ::SetForegroundWindow(hwnd_);
        Pump();
    }
    void TearDown() override { win32::SetErrorBoxHook(nullptr); }

    // Lets the system deliver what it has, then dispatches it.
    void Pump() {
        for (int i = 0; i < 5; ++i) {
            ::Sleep(10);
            app_.ProcessEvents();
        }
    }
    static void SendKey(WORD vk, bool down) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        ASSERT_EQ(::SendInput(1, &input, sizeof input), 1u);
    }

    Application app_{ApplicationMode::Windowed};
    Recorder recorder_;
    HWND hwnd_ = nullptr;
};

TEST_F(Win32Window, ABorderlessPopupOverTheScreenTitledKlice) {
    wchar_t title[32] = {};
    ::GetWindowTextW(hwnd_, title, 32);
    EXPECT_EQ(std::wstring(title), L"Kl\u00ED\u010De");
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    RECT r;
    ::GetWindowRect(hwnd_, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(::IsWindowVisible(hwnd_));

    // Alt+Enter's plain window has a caption and the frame's size inside.
    app_.Window().SetFullScreen(false);
    EXPECT_TRUE(::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CAPTION);
    int w = 0, h = 0;
    ASSERT_TRUE(app_.Window().WindowSize(&w, &h));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
}

TEST_F(Win32Window, KeysThroughTheSystemReachTheKeyTestAndTheListener) {
    SendKey('H', true);
    Pump();
    EXPECT_LT(GetAsyncKeyState('H'), 0);
    EXPECT_EQ(GetAsyncKeyState(vk::Escape), 0);
    SendKey('H', false);
    Pump();
    EXPECT_EQ(GetAsyncKeyState('H'), 0);

    SendKey(VK_RETURN, true);
    SendKey(VK_RETURN, false);
    SendKey(VK_LEFT, true);
    SendKey(VK_LEFT, false);
    Pump();
    EXPECT_EQ(recorder_.keys, (std::vector<int32_t>{'H', vk::Return, vk::Left}));
}

TEST_F(Win32Window, MousePositionsAreFramePixelsThroughTheLetterbox) {
    int w = 0, h = 0;
    ASSERT_TRUE(app_.Window().WindowSize(&w, &h));
    const LetterboxRect box = Letterbox(w, h, 1024, 768);
    // The real pointer out of the way first: its own moves are no test's.
    ::SetCursorPos(0, 0);
    Pump();
    recorder_.mouse.clear();
    // The window pixel that shows frame pixel (x, y).
    auto window_point = [&](int x, int y) {
        return MAKELPARAM(box.x + (x * box.width + box.width / 2) / 1024,
                          box.y + (y * box.height + box.height / 2) / 768);
    };
    ::PostMessageW(hwnd_, WM_MOUSEMOVE, 0, window_point(315, 140));
    ::PostMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, window_point(500, 600));
    ::PostMessageW(hwnd_, WM_LBUTTONUP, 0, window_point(500, 600));
    ::PostMessageW(hwnd_, WM_RBUTTONDOWN, MK_RBUTTON, window_point(1023, 767));
    // A click on a black bar is no click on the frame.
    if (box.x > 0) ::PostMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.x - 1, h / 2));
    if (box.y > 0) ::PostMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(w / 2, box.y - 1));
    Pump();
    ASSERT_EQ(recorder_.mouse.size(), 4u);
    EXPECT_EQ(recorder_.mouse[0].kind, 'm');
    EXPECT_EQ(recorder_.mouse[0].x, 315);
    EXPECT_EQ(recorder_.mouse[0].y, 140);
    EXPECT_EQ(recorder_.mouse[1].kind, 'd');
    EXPECT_EQ(recorder_.mouse[1].x, 500);
    EXPECT_EQ(recorder_.mouse[1].y, 600);
    EXPECT_EQ(recorder_.mouse[2].kind, 'u');
    EXPECT_EQ(recorder_.mouse[3].button, MouseButton::Right);
    EXPECT_EQ(recorder_.mouse[3].x, 1023);
    EXPECT_EQ(recorder_.mouse[3].y, 767);
}

TEST_F(Win32Window, TheClosingRequestsGoToTheListener) {
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(recorder_.close_requests, 1);
    EXPECT_TRUE(::IsWindow(hwnd_));  // the listener decides

    // Alt+F4, as the system turns it into a close request.
    ::SendMessageW(hwnd_, WM_SYSKEYDOWN, VK_F4, 1 << 29);
    Pump();
    EXPECT_EQ(recorder_.close_requests, 2);
    EXPECT_TRUE(recorder_.keys.empty());
}

TEST_F(Win32Window, TheCursorFollowsTheSystemsShowCount) {
    const int start = SystemCursorCount();
    EXPECT_EQ(ShowCursor(false), -1);
    EXPECT_EQ(SystemCursorCount(), start - 1);
    EXPECT_EQ(ShowCursor(false), -2);
    EXPECT_EQ(SystemCursorCount(), start - 2);
    EXPECT_EQ(ShowCursor(true), -1);
    EXPECT_EQ(ShowCursor(true), 0);
    EXPECT_EQ(SystemCursorCount(), start);
}

TEST_F(Win32Window, FailuresGoToTheErrorBoxWithItsFullStopRule) {
    std::vector<win32::ErrorBox> boxes;
    win32::SetErrorBoxHook([&](const win32::ErrorBox& box) { boxes.push_back(box); });
    app_.HandleException(Exception("Image 'p26' not found"));
    app_.HandleException(Exception("Cannot open file \"C:\\krajina.dat\". File not found."));
    app_.HandleException(Exception("I/O error 32"));
    app_.HandleException(Exception("List index out of bounds (26)"));
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "Image 'p26' not found.");
    EXPECT_EQ(boxes[1].text, "Cannot open file \"C:\\krajina.dat\". File not found.");
    EXPECT_EQ(boxes[2].text, "I/O error 32.");                  // '2' sorts after '.'
    EXPECT_EQ(boxes[3].text, "List index out of bounds (26)");  // ')' before it
    for (const auto& box : boxes) {
        EXPECT_EQ(box.title,
                  "Kl\xC3\xAD\xC4\x8D"
                  "e");
        EXPECT_EQ(box.style, unsigned(MB_ICONERROR | MB_OK));
    }
}

TEST_F(Win32Window, TheRealErrorBoxShowsTheGamesTextAndGivesTheCursorBack) {
    ShowCursor(false);  // as the game hides it
    const int hidden = SystemCursorCount();
    // Another thread reads the box and presses its OK button.
    std::wstring caption, text;
    std::atomic<bool> answered = false;
    std::thread reader([&] {
        for (int i = 0; i < 500 && !answered; ++i) {
            if (HWND box = ::FindWindowW(L"#32770", L"Kl\u00ED\u010De")) {
                wchar_t buffer[256] = {};
                ::GetWindowTextW(box, buffer, 256);
                caption = buffer;
                ::GetDlgItemTextW(box, 0xFFFF, buffer, 256);  // the message's static text
                text = buffer;
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                answered = true;
            }
            ::Sleep(10);
        }
    });
    // "Úroveň" in Windows-1250: the box shows the game's own letters.
    app_.HandleException(Exception("\xDArove\xF2 26 not found"));
    answered = true;
    reader.join();
    EXPECT_EQ(caption, L"Kl\u00ED\u010De");
    EXPECT_EQ(text, L"\u00DArove\u0148 26 not found.");
    EXPECT_EQ(SystemCursorCount(), hidden);
    ShowCursor(true);
}

TEST_F(Win32Window, TicksComeNeverEarlyAndAStallDropsTheBacklog) {
    std::vector<Clock::time_point> ticks;
    const Clock::time_point start = Clock::now();
    app_.SetTimer(10, [&] {
        ticks.push_back(Clock::now());
        if (ticks.size() == 5) ::Sleep(120);  // a stall of twelve intervals
        if (ticks.size() == 20) app_.Terminate();
    });
    app_.Run();
    ASSERT_EQ(ticks.size(), 20u);
    // Tick n is due n intervals after the loop started (after `start`), and
    // a stall moves every later tick on by the ticks it dropped. A loaded
    // machine may wake the loop late, and then the few ticks due run at
    // once; so each tick is held to its due time, never to its neighbour.
    const int64_t dropped = app_.DroppedTicks();
    EXPECT_GE(dropped, 6);
    for (size_t i = 0; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - start, std::chrono::milliseconds(10 * (i + 1))) << i;
    // The missed ticks were given up, not rushed: the last tick comes the
    // dropped intervals later still.
    EXPECT_GE(ticks.back() - start, std::chrono::milliseconds(10 * (ticks.size() + dropped)));
}

}  // namespace
}  // namespace klice::platform
