#include "platform/application.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/exception.h"

using namespace klice::platform;

TEST(ErrorBoxText, FullStopOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorBoxText("Stream read error"), "Stream read error.");
    EXPECT_EQ(ErrorBoxText("Image 'p3' not found"), "Image 'p3' not found.");
    EXPECT_EQ(ErrorBoxText("I/O error 5."), "I/O error 5.");
    EXPECT_EQ(ErrorBoxText("Display mode cannot be changed (1024x768 16bit)"),
              "Display mode cannot be changed (1024x768 16bit)");
    // Around '.' (0x2E) in byte order: '-' and ',' stay, '/' and '0' get one.
    EXPECT_EQ(ErrorBoxText("a-"), "a-");
    EXPECT_EQ(ErrorBoxText("a,"), "a,");
    EXPECT_EQ(ErrorBoxText("a/"), "a/.");
    EXPECT_EQ(ErrorBoxText("a0"), "a0.");
    // Bytes above 0x7F sort after '.' too (unsigned comparison).
    EXPECT_EQ(ErrorBoxText("chyba \xE8"), "chyba \xE8.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(Letterbox, WideWindowGetsBarsLeftAndRight) {
    LetterboxRect r = Letterbox(1920, 1080, 1024, 768);
    EXPECT_EQ(r.x, 240);
    EXPECT_EQ(r.y, 0);
    EXPECT_EQ(r.width, 1440);
    EXPECT_EQ(r.height, 1080);

    EXPECT_FALSE(WindowToFrame(239, 500, 1920, 1080, 1024, 768));
    EXPECT_FALSE(WindowToFrame(1680, 500, 1920, 1080, 1024, 768));
    auto left = WindowToFrame(240, 0, 1920, 1080, 1024, 768);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->x, 0);
    EXPECT_EQ(left->y, 0);
    auto last = WindowToFrame(1679, 1079, 1920, 1080, 1024, 768);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->x, 1023);
    EXPECT_EQ(last->y, 767);
    auto centre = WindowToFrame(960, 540, 1920, 1080, 1024, 768);
    ASSERT_TRUE(centre);
    EXPECT_EQ(centre->x, 512);
    EXPECT_EQ(centre->y, 384);
}

TEST(Letterbox, TallWindowGetsBarsAboveAndBelowAndExactFitHasNone) {
    LetterboxRect r = Letterbox(1024, 1024, 1024, 768);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 128);
    EXPECT_EQ(r.height, 768);
    EXPECT_FALSE(WindowToFrame(10, 127, 1024, 1024, 1024, 768));
    EXPECT_FALSE(WindowToFrame(10, 896, 1024, 1024, 1024, 768));
    auto p = WindowToFrame(10, 128, 1024, 1024, 1024, 768);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->y, 0);

    auto same = WindowToFrame(1023, 767, 1024, 768, 1024, 768);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->x, 1023);
    EXPECT_EQ(same->y, 767);
    EXPECT_FALSE(WindowToFrame(1024, 0, 1024, 768, 1024, 768));
    EXPECT_FALSE(WindowToFrame(-1, 0, 1024, 768, 1024, 768));
    EXPECT_FALSE(WindowToFrame(0, 0, 0, 0, 1024, 768));
}

// The sharp layout on the screens players have: (screen, where the frame goes).
struct ScreenCase {
    int width, height;
    LetterboxRect box;
};
const ScreenCase kScreens[] = {
    {1024, 768, {0, 0, 1024, 768}},        // the frame's own size
    {1280, 1024, {0, 32, 1280, 960}},      // no whole factor: 1.25, bars above and below
    {1920, 1080, {240, 0, 1440, 1080}},    // no whole factor: 1.40625, bars left and right
    {1366, 768, {171, 0, 1024, 768}},      // x1 between bars
    {2048, 1536, {0, 0, 2048, 1536}},      // x2 exactly
    {2560, 1440, {320, 0, 1920, 1440}},    // x2 is too tall: aspect-kept 1.875
    {2560, 1600, {256, 32, 2048, 1536}},   // x2 between bars
    {3840, 2160, {896, 312, 2048, 1536}},  // x2, though x2.8 would fit
    {3072, 2304, {0, 0, 3072, 2304}},      // x3
    {800, 600, {0, 0, 800, 600}},          // smaller than the frame: shrunk
    {1080, 1920, {0, 555, 1080, 810}},     // portrait
};

TEST(SharpLetterbox, LargestWholeFactorOfTwoOrMoreElseLargestAspectKeptScale) {
    for (const ScreenCase& c : kScreens) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const LetterboxRect r = SharpLetterbox(c.width, c.height, 1024, 768);
        EXPECT_EQ(r.x, c.box.x);
        EXPECT_EQ(r.y, c.box.y);
        EXPECT_EQ(r.width, c.box.width);
        EXPECT_EQ(r.height, c.box.height);
        // Centred: the bars on either side differ by at most a pixel.
        EXPECT_LE(std::abs((c.width - r.x - r.width) - r.x), 1);
        EXPECT_LE(std::abs((c.height - r.y - r.height) - r.y), 1);
    }
    // Degenerate windows get nothing rather than a division by zero.
    EXPECT_EQ(SharpLetterbox(0, 768, 1024, 768).width, 0);
    EXPECT_EQ(SharpLetterbox(1024, 768, 0, 0).width, 0);
}

TEST(SharpLetterbox, MouseMapsToTheFramePixelShownUnderItOnEveryScreen) {
    for (const ScreenCase& c : kScreens) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const LetterboxRect b = SharpLetterbox(c.width, c.height, 1024, 768);
        // The corners of the picture are the corners of the frame; a pixel
        // further out is a bar.
        auto first = FramePointIn(b, b.x, b.y, 1024, 768);
        auto last = FramePointIn(b, b.x + b.width - 1, b.y + b.height - 1, 1024, 768);
        ASSERT_TRUE(first && last);
        EXPECT_EQ(first->x, 0);
        EXPECT_EQ(first->y, 0);
        EXPECT_EQ(last->x, 1023);
        EXPECT_EQ(last->y, 767);
        EXPECT_FALSE(FramePointIn(b, b.x - 1, b.y, 1024, 768));
        EXPECT_FALSE(FramePointIn(b, b.x, b.y - 1, 1024, 768));
        EXPECT_FALSE(FramePointIn(b, b.x + b.width, b.y, 1024, 768));
        EXPECT_FALSE(FramePointIn(b, b.x, b.y + b.height, 1024, 768));
        auto centre = FramePointIn(b, b.x + b.width / 2, b.y + b.height / 2, 1024, 768);
        ASSERT_TRUE(centre);
        EXPECT_NEAR(centre->x, 512, 1);
        EXPECT_NEAR(centre->y, 384, 1);
        // Along a row, columns go up one at a time: enlarged, every frame
        // column is under the mouse somewhere (the menu's slider can be
        // reached pixel by pixel); a whole factor gives each the same width.
        int previous = -1;
        std::vector<int> widths(1024, 0);
        for (int x = b.x; x < b.x + b.width; ++x) {
            auto p = FramePointIn(b, x, b.y + 1, 1024, 768);
            ASSERT_TRUE(p);
            ASSERT_GE(p->x, previous);
            if (b.width >= 1024) {
                ASSERT_LE(p->x, previous + 1) << "column skipped at " << x;
            }
            previous = p->x;
            ++widths[size_t(p->x)];
        }
        if (b.width % 1024 == 0) {
            for (int w : widths) ASSERT_EQ(w, b.width / 1024);
        }
    }
}

TEST(SharpLetterbox, WholeFactorPixelsAreSquareBlocksUnderTheMouse) {
    const LetterboxRect b = SharpLetterbox(3840, 2160, 1024, 768);  // x2 at (896, 312)
    for (int dx = 0; dx < 2; ++dx)
        for (int dy = 0; dy < 2; ++dy) {
            auto p = FramePointIn(b, 896 + 2 * 900 + dx, 312 + 2 * 140 + dy, 1024, 768);
            ASSERT_TRUE(p);
            EXPECT_EQ(p->x, 900);
            EXPECT_EQ(p->y, 140);
        }
}

namespace {

struct Recorder : WindowListener {
    std::vector<std::string> log;
    bool throw_on_key = false;
    void OnKeyDown(int32_t vk, ShiftState shift) override {
        log.push_back("key " + std::to_string(vk) + " " + std::to_string(shift));
        if (throw_on_key) throw klice::EInvalidOperation("Key failed");
    }
    void OnMouseMove(ShiftState, int x, int y) override {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void OnMouseDown(MouseButton b, ShiftState, int x, int y) override {
        log.push_back("down " + std::to_string(int(b)) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void OnMouseUp(MouseButton b, ShiftState, int x, int y) override {
        log.push_back("up " + std::to_string(int(b)) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void OnShow() override { log.push_back("show"); }
    void OnFocusChanged(bool focused) override { log.push_back(focused ? "focus" : "blur"); }
    void OnCloseRequest() override { log.push_back("close"); }
};

}  // namespace

TEST(HeadlessApplication, EventsReachTheListenerInOrderBeforeTheTick) {
    Application app(ApplicationMode::Headless);
    Recorder rec;
    app.Window().SetListener(&rec);
    app.Window().Show();
    app.Window().Show();  // only the first show is announced
    app.SetTimer(10, [&] { rec.log.push_back("tick"); });

    app.PostMouseMove(5, 6);
    app.PostMouseDown(5, 6, MouseButton::Right);
    app.PostMouseUp(5, 6, MouseButton::Right);
    app.PostKeyDown(vk::Return, ssShift);
    app.PostCloseRequest();
    app.Tick();
    app.Tick();
    EXPECT_EQ(rec.log, (std::vector<std::string>{"show", "move 5,6", "down 1 5,6", "up 1 5,6", "key 13 1", "close",
                                                 "tick", "tick"}));
    EXPECT_EQ(app.TickCount(), 2u);
    // The close request is the listener's to decide; nothing terminated.
    EXPECT_FALSE(app.Terminated());
}

TEST(HeadlessApplication, FailuresGoToTheTopLevelHandlerAndTheLoopGoesOn) {
    Application app(ApplicationMode::Headless);
    std::vector<std::string> boxes;
    app.SetErrorSink([&](const std::string& text) { boxes.push_back(text); });
    Recorder rec;
    rec.throw_on_key = true;
    app.Window().SetListener(&rec);
    int ticks = 0;
    app.SetTimer(10, [&] {
        if (++ticks == 1) throw klice::EInOutError(2, "File not found");
    });
    app.PostKeyDown('A');
    app.Tick();
    app.Tick();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Key failed.", "File not found."}));

    std::vector<std::string> handled;
    app.SetExceptionHandler([&](const std::exception& e) { handled.push_back(e.what()); });
    app.PostKeyDown('B');
    app.Tick();
    EXPECT_EQ(handled, (std::vector<std::string>{"Key failed"}));
    EXPECT_EQ(boxes.size(), 2u);
}

TEST(HeadlessApplication, KeyTableFeedsTheAsyncKeyTest) {
    Application app(ApplicationMode::Headless);
    EXPECT_EQ(GetAsyncKeyState('D'), 0);
    app.PressKey('D', true);
    app.PressKey(vk::Escape, true);
    EXPECT_LT(GetAsyncKeyState('D'), 0);
    EXPECT_LT(GetAsyncKeyState(vk::Escape), 0);
    EXPECT_EQ(GetAsyncKeyState(vk::Right), 0);
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(100000), 0);
    app.PressKey('D', false);
    EXPECT_EQ(GetAsyncKeyState('D'), 0);
    app.ReleaseAllKeys();
    EXPECT_EQ(GetAsyncKeyState(vk::Escape), 0);
}

TEST(HeadlessApplication, CursorShowCountStartsVisibleAndCountsSteps) {
    Application app(ApplicationMode::Headless);
    EXPECT_EQ(ShowCursor(false), -1);
    EXPECT_EQ(ShowCursor(false), -2);
    EXPECT_EQ(ShowCursor(true), -1);
    EXPECT_EQ(ShowCursor(true), 0);
}

TEST(HeadlessApplication, RunTicksUntilTerminatedAndCloseEndsTheLoop) {
    Application app(ApplicationMode::Headless);
    int ticks = 0;
    app.SetTimer(10, [&] {
        if (++ticks == 25) app.Window().Close();
    });
    app.Run();
    EXPECT_EQ(ticks, 25);
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(app.Window().Visible());
    app.RunTicks(5);  // a terminated application ticks no more
    EXPECT_EQ(ticks, 25);
}

// Work spread over the loop: it follows each tick until it says it is done,
// and a failure goes to the handler and ends it, not the loop.
TEST(HeadlessApplication, IdleWorkRunsAfterEachTickUntilItIsDone) {
    Application app(ApplicationMode::Headless);
    std::vector<std::string> order;
    int slices = 0;
    app.SetIdleWork([&] {
        order.push_back("work");
        return ++slices < 3;
    });
    int ticks = 0;
    app.SetTimer(10, [&] {
        order.push_back("tick");
        if (++ticks == 5) app.Terminate();
    });
    app.Run();
    EXPECT_EQ(order, (std::vector<std::string>{"tick", "work", "tick", "work", "tick", "work", "tick", "tick"}));
    EXPECT_FALSE(app.HasIdleWork());
}

TEST(HeadlessApplication, IdleWorkAloneKeepsTheLoopAndItsFailureEndsIt) {
    Application app(ApplicationMode::Headless);
    std::vector<std::string> handled;
    app.SetExceptionHandler([&](const std::exception& e) { handled.push_back(e.what()); });
    int slices = 0;
    app.SetIdleWork([&]() -> bool {
        if (++slices == 4) throw klice::EInOutError(2, "Recipe gone");
        return true;
    });
    app.Run();  // ends: no timer, no events, and the work failed
    EXPECT_EQ(slices, 4);
    EXPECT_EQ(handled, (std::vector<std::string>{"Recipe gone"}));
    EXPECT_FALSE(app.HasIdleWork());
}

TEST(HeadlessApplication, OnlyOneApplicationAtATime) {
    Application app(ApplicationMode::Headless);
    EXPECT_EQ(Application::Current(), &app);
    EXPECT_THROW(Application second(ApplicationMode::Headless), klice::EInvalidOperation);
    EXPECT_EQ(Application::Current(), &app);
}
