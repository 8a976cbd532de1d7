#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/forms.h"
#include "display/dxdraws.h"
#include "platform/display_device.h"

namespace klice {
namespace {

// A form holding a drawing surface configured as the game configures it.
struct GameDisplay : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TDXDraw* dxdraw = new TDXDraw(form.get());
    std::vector<std::pair<std::string, int>> events;

    GameDisplay() {
        form->SetBounds(0, 0, 640, 480);
        dxdraw->SetParent(form.get());
        dxdraw->SetAlign(TAlign::alClient);
        dxdraw->SetOptions(
            {doFullScreen, doAllowReboot, doWaitVBlank, doCenter, doRetainedMode, doHardware, doSelectDriver});
        dxdraw->Display().SetWidth(1024);
        dxdraw->Display().SetHeight(768);
        dxdraw->Display().FixedSize = false;
    }
    ~GameDisplay() override {
        form.reset();
        platform::SetDisplayModesForTesting(std::nullopt);
    }

    // Registers a listener that records (name, event) pairs.
    void Listen(const std::string& name, const int* key) {
        dxdraw->RegisterNotifyEvent([this, name](TCustomDXDraw*, TDXDrawNotifyType t) { events.emplace_back(name, t); },
                                    key);
    }
    std::vector<int> EventsOf(const std::string& name) const {
        std::vector<int> out;
        for (auto& [n, t] : events)
            if (n == name) out.push_back(t);
        return out;
    }
};

using Events = std::vector<int>;

TEST_F(GameDisplay, InitializeSetsTheGameModeAndTellsListeners) {
    int key = 0;
    Listen("a", &key);
    EXPECT_EQ(EventsOf("a"), Events{dxntSetSurfaceSize});
    EXPECT_FALSE(dxdraw->CanDraw());
    dxdraw->Initialize();

    ASSERT_TRUE(dxdraw->Initialized());
    EXPECT_TRUE(dxdraw->CanDraw());
    EXPECT_EQ(dxdraw->DDraw()->Device().CurrentMode().width, 1024);
    EXPECT_EQ(dxdraw->DDraw()->Device().CurrentMode().bits, 16);
    EXPECT_EQ(dxdraw->Surface()->Width(), 1024);
    EXPECT_EQ(dxdraw->Surface()->Height(), 768);
    EXPECT_EQ(dxdraw->SurfaceWidth(), 1024);
    EXPECT_EQ(dxdraw->Surface()->BitCount(), 16);
    // The window now covers the screen and the surface fills it.
    EXPECT_EQ(form->Width(), 1024);
    EXPECT_EQ(dxdraw->Width(), 1024);
    EXPECT_EQ(dxdraw->NowOptions(), (TDXDrawOptions{doFullScreen, doAllowReboot, doWaitVBlank, doCenter}));
    EXPECT_EQ(EventsOf("a"), (Events{dxntSetSurfaceSize, dxntInitializing, dxntSetSurfaceSize, dxntInitialize,
                                     dxntInitializeSurface, dxntRestore}));

    events.clear();
    dxdraw->Finalize();
    EXPECT_FALSE(dxdraw->Initialized());
    EXPECT_FALSE(dxdraw->CanDraw());
    EXPECT_EQ(dxdraw->Surface(), nullptr);
    EXPECT_EQ(EventsOf("a"), (Events{dxntFinalizeSurface, dxntFinalize}));
    // The size of the last surface is kept; a second finalization does nothing.
    EXPECT_EQ(dxdraw->SurfaceWidth(), 1024);
    dxdraw->Finalize();
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(GameDisplay, ListenersAreToldNewestFirst) {
    int a = 0, b = 0, c = 0;
    Listen("a", &a);
    Listen("b", &b);
    Listen("c", &c);
    events.clear();
    dxdraw->Initialize();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].first, "c");
    EXPECT_EQ(events[1].first, "b");
    EXPECT_EQ(events[2].first, "a");
    EXPECT_EQ(events[0].second, dxntInitializing);
}

TEST_F(GameDisplay, RegistrationWhileInitialized) {
    dxdraw->Initialize();
    int key = 0;
    Listen("late", &key);
    EXPECT_EQ(EventsOf("late"), (Events{dxntSetSurfaceSize, dxntInitialize, dxntInitializeSurface, dxntRestore}));
    events.clear();
    // Registering the same owner again unregisters it first.
    Listen("late", &key);
    EXPECT_EQ(EventsOf("late"), (Events{dxntFinalizeSurface, dxntFinalize, dxntSetSurfaceSize, dxntInitialize,
                                        dxntInitializeSurface, dxntRestore}));
    EXPECT_EQ(dxdraw->NotifyEventCount(), 1);
    events.clear();
    dxdraw->UnRegisterNotifyEvent(&key);
    EXPECT_EQ(EventsOf("late"), (Events{dxntFinalizeSurface, dxntFinalize}));
    EXPECT_EQ(dxdraw->NotifyEventCount(), 0);
    dxdraw->UnRegisterNotifyEvent(&key);
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(GameDisplay, RegistrationDuringSurfaceNotificationSkipsRestore) {
    int outer = 0, inner = 0;
    dxdraw->RegisterNotifyEvent(
        [&](TCustomDXDraw* d, TDXDrawNotifyType t) {
            if (t == dxntInitializeSurface) Listen("inner", &inner);
            if (t == dxntDestroying) d->UnRegisterNotifyEvent(&inner);
        },
        &outer);
    dxdraw->Initialize();
    // Registered while the surfaces are being announced: neither the surface
    // event (not yet complete) nor a restore at registration, but the
    // initialization's own restore reaches it afterwards.
    EXPECT_EQ(EventsOf("inner"), (Events{dxntSetSurfaceSize, dxntInitialize, dxntRestore}));
}

TEST_F(GameDisplay, CanDrawIsFalseWhileUpdating) {
    int key = 0;
    std::vector<bool> seen;
    dxdraw->RegisterNotifyEvent(
        [&](TCustomDXDraw* d, TDXDrawNotifyType t) {
            if (t == dxntInitializing || t == dxntRestore || t == dxntFinalize) seen.push_back(d->CanDraw());
        },
        &key);
    dxdraw->Initialize();
    dxdraw->Finalize();
    EXPECT_EQ(seen, (std::vector<bool>{false, false, false}));
}

TEST_F(GameDisplay, LostSurfacesAreRestoredClearedAndReported) {
    int key = 0;
    Listen("a", &key);
    dxdraw->Initialize();
    TDirectDrawSurface* back = dxdraw->Surface();
    back->Fill(0xFFFF);
    dxdraw->Flip();
    EXPECT_EQ(dxdraw->Primary()->Pixel(5, 5), 0xFFFFu);
    events.clear();

    platform::MarkAllSurfacesLost();
    EXPECT_TRUE(back->IsLost());
    EXPECT_TRUE(dxdraw->CanDraw());
    EXPECT_FALSE(back->IsLost());
    EXPECT_EQ(EventsOf("a"), Events{dxntRestore});
    EXPECT_EQ(back->Pixel(5, 5), 0u);
    EXPECT_EQ(back->Pixel(1023, 767), 0u);
    EXPECT_EQ(dxdraw->Primary()->Pixel(5, 5), 0u);
    // Nothing lost: no further restore.
    EXPECT_TRUE(dxdraw->CanDraw());
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(GameDisplay, FlipBlitsTheBackSurfaceToTheScreen) {
    dxdraw->Initialize();
    dxdraw->Surface()->SetPixel(10, 20, 0xF800);
    EXPECT_EQ(dxdraw->Primary()->Pixel(10, 20), 0u);
    dxdraw->Flip();
    EXPECT_EQ(dxdraw->Primary()->Pixel(10, 20), 0xF800u);
    // The back surface keeps its content.
    EXPECT_EQ(dxdraw->Surface()->Pixel(10, 20), 0xF800u);
}

TEST_F(GameDisplay, OnlyPalettizedModesLeaveTheDisplayFinalized) {
    platform::SetDisplayModesForTesting(std::vector<platform::DisplayMode>{{640, 480, 8}, {1024, 768, 8}});
    int key = 0;
    Listen("a", &key);
    events.clear();
    try {
        dxdraw->Initialize();
        FAIL() << "no mode should be accepted";
    } catch (const EDXDrawError& e) {
        EXPECT_STREQ(e.what(), "Display mode cannot be changed (1024x768 16bit)");
    }
    EXPECT_FALSE(dxdraw->Initialized());
    EXPECT_FALSE(dxdraw->CanDraw());
    EXPECT_EQ(dxdraw->DDraw(), nullptr);
    EXPECT_EQ(EventsOf("a"), (Events{dxntInitializing, dxntFinalizeSurface, dxntFinalize}));
}

TEST_F(GameDisplay, Only32BitsAtTheGameSize) {
    platform::SetDisplayModesForTesting(std::vector<platform::DisplayMode>{{800, 600, 16}, {1024, 768, 32}});
    dxdraw->Initialize();
    EXPECT_EQ(dxdraw->Display().BitCount(), 32);
    EXPECT_EQ(dxdraw->Surface()->BitCount(), 32);
    EXPECT_TRUE(dxdraw->CanDraw());
}

TEST_F(GameDisplay, OptionsAssignedWhileInitialized) {
    dxdraw->Initialize();
    dxdraw->SetOptions({doFullScreen, doStretch, doRetainedMode, doFlip});
    EXPECT_EQ(dxdraw->NowOptions(), (TDXDrawOptions{doFullScreen, doAllowReboot, doStretch}));
    dxdraw->Finalize();
    EXPECT_EQ(dxdraw->NowOptions(), (TDXDrawOptions{doFullScreen, doStretch, doFlip}));
}

TEST_F(GameDisplay, ResizeWhileInitializedRecreatesTheBackSurface) {
    int key = 0;
    Listen("a", &key);
    dxdraw->Initialize();
    events.clear();
    form->SetBounds(0, 0, 800, 600);
    EXPECT_EQ(EventsOf("a"), (Events{dxntFinalizeSurface, dxntInitializeSurface, dxntSetSurfaceSize}));
    EXPECT_EQ(dxdraw->Surface()->Width(), 800);
    EXPECT_EQ(dxdraw->SurfaceHeight(), 600);
    EXPECT_TRUE(dxdraw->CanDraw());
    // The same size again changes nothing.
    events.clear();
    form->SetBounds(0, 0, 800, 600);
    dxdraw->SetSurfaceSize(800, 600);
    EXPECT_TRUE(events.empty());
}

TEST_F(GameDisplay, DestructionTellsListeners) {
    int key = 0;
    Listen("a", &key);
    dxdraw->Initialize();
    events.clear();
    form.reset();
    EXPECT_EQ(EventsOf("a"), (Events{dxntFinalizeSurface, dxntFinalize, dxntDestroying}));
}

TEST(TDXDraw, InitializeWithoutFormFails) {
    TDXDraw dxdraw(nullptr);
    try {
        dxdraw.Initialize();
        FAIL();
    } catch (const EDXDrawError& e) {
        EXPECT_STREQ(e.what(), "Form not found");
    }
    EXPECT_FALSE(dxdraw.CanDraw());
    dxdraw.Flip();  // nothing to present, and no failure
    dxdraw.Restore();
}

TEST(TDXDraw, FormShownInitializesOnce) {
    TForm form(nullptr);
    auto* dxdraw = new TDXDraw(&form);
    dxdraw->SetParent(&form);
    dxdraw->SetAlign(TAlign::alClient);
    form.Show();
    EXPECT_TRUE(dxdraw->Initialized());
    dxdraw->Finalize();
    form.Show();
    EXPECT_FALSE(dxdraw->Initialized());
    form.DestroyWindow();
    EXPECT_FALSE(dxdraw->Initialized());
}

}  // namespace
}  // namespace klice
