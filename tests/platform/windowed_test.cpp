#include <gtest/gtest.h>

#include <memory>

#include "platform/application.h"
#include "platform/display_device.h"
#include "platform/exception.h"

using namespace klice::platform;

// The real window and loop, on whatever video driver the tests run with
// (SDL's dummy driver in the test suite).
TEST(WindowedApplication, LoopRunsTicksPresentsAndStopsOnTerminate) {
    std::unique_ptr<Application> made;
    try {
        made = std::make_unique<Application>(ApplicationMode::Windowed);
    } catch (const klice::EOutOfResources& e) {
        // The browser's test programs run under node, without a page.
        GTEST_SKIP() << "no window system here: " << e.Message();
    }
    Application& app = *made;
    std::vector<std::string> errors;
    app.SetErrorSink([&](const std::string& text) { errors.push_back(text); });
    struct : WindowListener {
        int shows = 0;
        void OnShow() override { ++shows; }
    } listener;
    app.Window().SetListener(&listener);
    app.Window().Show();
    EXPECT_EQ(listener.shows, 1);
    EXPECT_TRUE(app.Window().Visible());
    EXPECT_TRUE(errors.empty()) << errors.front();

    auto device = CreateDisplayDevice(nullptr);
    ASSERT_EQ(device->SetDisplayMode(1024, 768, 16), Result::Ok);
    std::unique_ptr<PlatformSurface> primary, back;
    ASSERT_EQ(device->CreatePrimarySurface(&primary), Result::Ok);
    ASSERT_EQ(device->CreateSurface(1024, 768, false, &back), Result::Ok);

    int ticks = 0;
    app.SetTimer(10, [&] {
        back->Fill(PackRgb(back->Format(), uint8_t(ticks * 20), 0, 0));
        primary->Blt(Rect{0, 0, 1024, 768}, *back, Rect{0, 0, 1024, 768}, false);
        if (++ticks == 8) app.Terminate();
    });
    uint64_t before = app.PresentCount();
    app.Run();
    EXPECT_EQ(ticks, 8);
    EXPECT_EQ(app.PresentCount(), before + 8);
    EXPECT_EQ(app.LastFrame().Pixel(10, 10), RawToColor(back->Format(), PackRgb(back->Format(), 140, 0, 0)));

    // Alt+Enter's switch keeps the frame size the game sees.
    app.Window().SetFullScreen(false);
    EXPECT_FALSE(app.Window().FullScreen());
    EXPECT_EQ(app.Window().ClientWidth(), 1024);
    app.Window().SetFullScreen(true);
    EXPECT_TRUE(app.Window().FullScreen());
    device->RestoreDisplayMode();
}
