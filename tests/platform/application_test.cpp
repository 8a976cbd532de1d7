#include "platform/application.h"

#include <gtest/gtest.h>

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

TEST(HeadlessApplication, OnlyOneApplicationAtATime) {
    Application app(ApplicationMode::Headless);
    EXPECT_EQ(Application::Current(), &app);
    EXPECT_THROW(Application second(ApplicationMode::Headless), klice::EInvalidOperation);
    EXPECT_EQ(Application::Current(), &app);
}
