// The real window on a virtual X server of a chosen size, with no window
// manager: where it lies on the screen and what the screen shows, read back
// from the X server itself. Each test starts its own Xvfb and is skipped,
// saying why, where there is none.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/display_device.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace klice::platform;

// LeakSanitizer's switch, where the tests run under it (weak: absent otherwise).
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" void __lsan_enable() __attribute__((weak));

namespace {

std::string FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// An environment variable set for the test's duration.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Xvfb on a free display, one screen of the given size, 24-bit; the
// application's windows go there (SDL's X11 driver) while it lives.
class VirtualScreen {
public:
    VirtualScreen(int width, int height) {
        const std::string xvfb = FindProgram("Xvfb");
        if (xvfb.empty()) {
            problem_ = "Xvfb is not installed (scripts/setup.sh installs it)";
            return;
        }
        int fds[2];
        if (pipe(fds) != 0) {
            problem_ = "no pipe for Xvfb";
            return;
        }
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        const std::string fd = std::to_string(fds[1]);
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            int null = open("/dev/null", O_WRONLY);
            if (null >= 0) dup2(null, 2);
            execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes its display number once it takes connections.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&p, 1, 20000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (pid_ < 0 || number.empty()) {
            problem_ = "Xvfb did not start";
            return;
        }
        display_.emplace("DISPLAY", ":" + number);
        driver_.emplace("SDL_VIDEODRIVER", "x11");
    }
    ~VirtualScreen() {
        driver_.reset();
        display_.reset();
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    // Why the screen is not there; empty when it is.
    const std::string& Problem() const { return problem_; }

private:
    pid_t pid_ = -1;
    std::string problem_;
    std::optional<ScopedEnv> display_, driver_;
};

// Opens the application's window on the virtual screen. SDL's X11 video keeps
// a session bus connection, whose library outlives what LeakSanitizer can
// name, so what this thread allocates while the window is made is not
// counted as leaked. The window code itself is
// checked for leaks by the tests on SDL's dummy driver.
std::unique_ptr<Application> OpenWindow() {
    if (__lsan_disable) __lsan_disable();
    auto app = std::make_unique<Application>(ApplicationMode::Windowed);
    app->Window().Show();
    if (__lsan_enable) __lsan_enable();
    return app;
}

// The X server's own view, through a connection of the test's.
class XView {
public:
    XView() : display_(XOpenDisplay(nullptr)) {}
    ~XView() {
        if (display_) XCloseDisplay(display_);
    }
    bool Open() const { return display_ != nullptr; }

    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
    };
    // The one mapped top-level window (there is no window manager to frame it).
    std::optional<Geometry> MappedWindow() {
        XSync(display_, False);
        Window root = DefaultRootWindow(display_), parent = 0, *children = nullptr;
        unsigned count = 0;
        std::optional<Geometry> found;
        if (!XQueryTree(display_, root, &root, &parent, &children, &count)) return found;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(display_, children[i], &a) && a.map_state == IsViewable)
                found = Geometry{a.x, a.y, a.width, a.height};
        }
        if (children) XFree(children);
        return found;
    }
    // Moves the pointer to a point of the screen.
    void MovePointer(int x, int y) {
        XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
        XSync(display_, False);
    }
    // The screen's pixels, 0x00RRGGBB.
    // One screen pixel, as Screen() would give it.
    uint32_t Pixel(int x, int y) {
        XSync(display_, False);
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0;
        const auto pixel = uint32_t(XGetPixel(image, 0, 0));
        XDestroyImage(image);
        return pixel;
    }

    std::vector<uint32_t> Screen(int* width, int* height) {
        XSync(display_, False);
        Window root = DefaultRootWindow(display_);
        XWindowAttributes a{};
        XGetWindowAttributes(display_, root, &a);
        std::vector<uint32_t> pixels;
        XImage* image = XGetImage(display_, root, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
        if (!image) return pixels;
        pixels.resize(size_t(a.width) * a.height);
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) pixels[size_t(y) * a.width + x] = uint32_t(XGetPixel(image, x, y));
        XDestroyImage(image);
        *width = a.width;
        *height = a.height;
        return pixels;
    }

private:
    Display* display_;
};

// A 1024 x 768 x 16 display with a primary surface, as the game has.
struct GameDisplay {
    std::unique_ptr<DisplayDevice> device = CreateDisplayDevice(nullptr);
    std::unique_ptr<PlatformSurface> primary, back;
    bool Make() {
        return device->SetDisplayMode(1024, 768, 16) == Result::Ok &&
               device->CreatePrimarySurface(&primary) == Result::Ok &&
               device->CreateSurface(1024, 768, false, &back) == Result::Ok;
    }
    ~GameDisplay() {
        back.reset();
        primary.reset();
        if (device) device->RestoreDisplayMode();
    }
    // Draws with `paint(x, y)` giving each pixel's 0x00RRGGBB (in 565 steps)
    // and presents it, as a tick does.
    template <class Paint>
    void Show(Paint paint) {
        void* p = nullptr;
        int pitch = 0;
        if (back->Lock(&p, &pitch) != Result::Ok) return;
        for (int y = 0; y < 768; ++y) {
            auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(p) + size_t(y) * pitch);
            for (int x = 0; x < 1024; ++x) {
                uint32_t c = paint(x, y);
                row[x] = uint16_t(PackRgb(back->Format(), uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)));
            }
        }
        back->Unlock();
        primary->Blt(Rect{0, 0, 1024, 768}, *back, Rect{0, 0, 1024, 768}, false);
    }
};

// Runs the window loop for `ticks` ticks of 10 ms, calling `on_tick(n)`,
// then more (up to two seconds' worth) until `shown` holds: on a loaded
// machine the present of the last change can come some ticks later than on
// an idle one.
template <class OnTick, class Shown>
void RunTicksUntilShown(Application& app, int ticks, OnTick on_tick, Shown shown) {
    int n = 0;
    app.SetTimer(10, [&] {
        on_tick(n);
        ++n;
        if (n >= ticks + 200 || (n >= ticks && shown())) app.Terminate();
    });
    app.Run();
    app.KillTimer();
}

// Pumps the window's events until `done` holds or two seconds pass: the X
// server does what it is asked in its own time.
template <class Done>
bool Settle(Application& app, Done done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        app.ProcessEvents();
        if (done()) return true;
        usleep(10000);
    }
    return done();
}

// A pattern in which every frame pixel differs from its neighbours in
// 565-exact colours, so a pixel shown in the wrong place shows.
uint32_t Pattern(int x, int y) {
    const uint32_t r = uint32_t((x * 8) & 0xF8), g = uint32_t((y * 4) & 0xFC), b = uint32_t(((x + y) * 8) & 0xF8);
    return r << 16 | g << 8 | b;
}
uint32_t Widened(uint32_t c) {  // as the screen shows a 565 colour
    auto widen = [](uint32_t v, int bits) { return (v | v >> bits) & 0xFF; };
    return widen((c >> 16) & 0xFF, 5) << 16 | widen((c >> 8) & 0xFF, 6) << 8 | widen(c & 0xFF, 5);
}

}  // namespace

// Each test's rig: a virtual screen of the test's size, the application's
// window on it, the game's display where the test draws, and the X server's
// own view. Open() skips the test, saying why, where there is no Xvfb.
class X11Window : public ::testing::Test {
protected:
    enum class Drawing { WindowOnly, ThroughGameDisplay };
    void Open(int width, int height, Drawing drawing) {
        screen_.emplace(width, height);
        if (!screen_->Problem().empty()) GTEST_SKIP() << screen_->Problem();
        window_ = OpenWindow();
        if (drawing == Drawing::ThroughGameDisplay) {
            display_.emplace();
            ASSERT_TRUE(display_->Make());
        }
        x_.emplace();
        ASSERT_TRUE(x_->Open());
    }
    // Whether the test goes on after Open().
    bool Ready() const { return !IsSkipped() && !HasFatalFailure(); }
    Application& App() { return *window_; }
    GameDisplay& Frames() { return *display_; }
    XView& X() { return *x_; }
    // Records where the pointer moved, in frame pixels; it outlives the window.
    struct MoveRecorder : WindowListener {
        std::vector<std::pair<int, int>> moves;
        void OnMouseMove(ShiftState, int x, int y) override { moves.emplace_back(x, y); }
    };
    MoveRecorder& Moves() { return moves_; }

private:
    MoveRecorder moves_;
    std::optional<VirtualScreen> screen_;
    std::unique_ptr<Application> window_;
    std::optional<GameDisplay> display_;
    std::optional<XView> x_;
};

TEST_F(X11Window, FullScreenComesBackOverTheWholeScreenWithoutAWindowManager) {
    Open(1280, 1024, Drawing::WindowOnly);
    if (!Ready()) return;
    Application& app = App();
    XView& x = X();
    auto at = [&](int left, int top, int width, int height) {
        return [&x, left, top, width, height] {
            auto g = x.MappedWindow();
            return g && g->x == left && g->y == top && g->width == width && g->height == height;
        };
    };
    EXPECT_TRUE(Settle(app, at(0, 0, 1280, 1024))) << "full screen at the start";

    // Alt+Enter: a plain window of the frame's size in the middle, then back.
    app.Window().SetFullScreen(false);
    EXPECT_TRUE(Settle(app, at(128, 128, 1024, 768))) << "plain window";
    app.Window().SetFullScreen(true);
    EXPECT_TRUE(Settle(app, at(0, 0, 1280, 1024))) << "full screen again";
    auto g = x.MappedWindow();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->x, 0);
    EXPECT_EQ(g->y, 0);
    EXPECT_EQ(g->width, 1280);
    EXPECT_EQ(g->height, 1024);
    int w = 0, h = 0;
    EXPECT_TRUE(app.Window().WindowSize(&w, &h));
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 1024);
}

TEST_F(X11Window, ScreenOfTwiceTheFrameShowsEveryPixelAsASharpTwoByTwoBlock) {
    Open(2048, 1536, Drawing::ThroughGameDisplay);
    if (!Ready()) return;
    Application& app = App();
    GameDisplay& display = Frames();
    XView& x = X();
    ASSERT_TRUE(Settle(app, [&] {
        auto g = x.MappedWindow();
        return g && g->width == 2048;
    }));

    // A first frame, then one in which a sprite-sized block moved: what the
    // screen shows must follow both.
    auto moved = [](int fx, int fy) { return fx >= 300 && fx < 360 && fy >= 500 && fy < 560; };
    RunTicksUntilShown(
        app, 6,
        [&](int n) {
            if (n == 0) display.Show(Pattern);
            if (n == 3) display.Show([&](int fx, int fy) { return moved(fx, fy) ? 0xF8FC00u : Pattern(fx, fy); });
        },
        [&] { return (x.Pixel(2 * 330, 2 * 530) & 0xFFFFFF) == Widened(0xF8FC00u); });
    int w = 0, h = 0;
    const std::vector<uint32_t> shown = x.Screen(&w, &h);
    ASSERT_EQ(w, 2048);
    ASSERT_EQ(h, 1536);
    for (int y = 0; y < h; ++y)
        for (int x2 = 0; x2 < w; ++x2) {
            const int fx = x2 / 2, fy = y / 2;
            const uint32_t want = Widened(moved(fx, fy) ? 0xF8FC00u : Pattern(fx, fy));
            if ((shown[size_t(y) * w + x2] & 0xFFFFFF) != want)
                FAIL() << "screen pixel " << x2 << "," << y << " is " << std::hex << shown[size_t(y) * w + x2]
                       << ", frame pixel " << std::dec << fx << "," << fy << " is " << std::hex << want;
        }
}

TEST_F(X11Window, WideScreenShowsTheFrameBetweenBlackBarsAndMapsTheMouseBack) {
    Open(1920, 1080, Drawing::ThroughGameDisplay);
    if (!Ready()) return;
    Application& app = App();
    GameDisplay& display = Frames();
    XView& x = X();
    MoveRecorder& listener = Moves();
    app.Window().SetListener(&listener);
    ASSERT_TRUE(Settle(app, [&] {
        auto g = x.MappedWindow();
        return g && g->width == 1920;
    }));
    const LetterboxRect box = SharpLetterbox(1920, 1080, 1024, 768);  // 1440 x 1080 at (240, 0)
    RunTicksUntilShown(
        app, 4,
        [&](int n) {
            if (n == 0) display.Show(Pattern);
        },
        [&] {
            auto p = FramePointIn(box, 1900 - 240, 1000, 1024, 768);
            return p && (x.Pixel(1900 - 240, 1000) & 0xFFFFFF) == Widened(Pattern(p->x, p->y));
        });
    int w = 0, h = 0;
    const std::vector<uint32_t> shown = x.Screen(&w, &h);
    ASSERT_EQ(w, 1920);
    for (int y = 0; y < h; y += 7)
        for (int x2 = 0; x2 < w; ++x2) {
            auto p = FramePointIn(box, x2, y, 1024, 768);
            const uint32_t want = p ? Widened(Pattern(p->x, p->y)) : 0u;
            if ((shown[size_t(y) * w + x2] & 0xFFFFFF) != want) FAIL() << "screen pixel " << x2 << "," << y;
        }

    // The pointer over the picture reaches the game in frame pixels; over a
    // bar it does not reach it at all.
    x.MovePointer(240 + 703, 1079);
    ASSERT_TRUE(Settle(app, [&] { return !listener.moves.empty(); }));
    auto expected = FramePointIn(box, 240 + 703, 1079, 1024, 768);
    ASSERT_TRUE(expected);
    EXPECT_EQ(listener.moves.back(), std::make_pair(expected->x, expected->y));
    EXPECT_EQ(listener.moves.back(), std::make_pair(500, 767));
    listener.moves.clear();
    x.MovePointer(100, 500);
    Settle(app, [&] { return !listener.moves.empty(); });
    EXPECT_TRUE(listener.moves.empty());
}

// A virtual X server has no graphics card: the frame goes into the window's
// own surface, and no OpenGL driver is loaded to find that out (Mesa's
// software one brings LLVM, some 50 MB for the whole run).
TEST_F(X11Window, WithoutAGraphicsCardNoOpenGLDriverIsLoaded) {
    Open(1024, 768, Drawing::ThroughGameDisplay);
    if (!Ready()) return;
    Application& app = App();
    GameDisplay& display = Frames();
    XView& x = X();
    RunTicksUntilShown(
        app, 3,
        [&](int n) {
            if (n == 0) display.Show(Pattern);
        },
        [&] { return (x.Pixel(500, 400) & 0xFFFFFF) == Widened(Pattern(500, 400)); });
    EXPECT_EQ(x.Pixel(500, 400) & 0xFFFFFF, Widened(Pattern(500, 400)));

    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        for (const char* driver : {"libGL", "libEGL", "_dri.so", "libgallium", "libLLVM"})
            EXPECT_EQ(line.find(driver), std::string::npos) << line;
}
