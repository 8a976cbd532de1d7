#include "data/forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/controls.h"
#include "data/errors.h"
#include "platform/virtual_keys.h"

namespace klice {
namespace {

struct FormFixture : ::testing::Test {
    TForm form{nullptr};
    TWinControl* area = new TWinControl(&form);
    std::vector<std::string> log;

    FormFixture() {
        Application().ClearShownErrors();
        form.SetBounds(0, 0, 1024, 768);
        area->SetParent(&form);
        area->SetBounds(100, 50, 200, 100);
        form.OnKeyDown.Bind(
            [this](TObject*, uint16_t& key, TShiftState) { log.push_back("form " + std::to_string(key)); });
        area->OnKeyDown.Bind(
            [this](TObject*, uint16_t& key, TShiftState) { log.push_back("area " + std::to_string(key)); });
        area->OnMouseDown.Bind([this](TObject*, TMouseButton, TShiftState, int x, int y) {
            log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
        });
        area->OnMouseUp.Bind([this](TObject*, TMouseButton, TShiftState, int x, int y) {
            log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
        });
        form.OnMouseMove.Bind([this](TObject*, TShiftState, int x, int y) {
            log.push_back("form move " + std::to_string(x) + "," + std::to_string(y));
        });
    }
};

using Log = std::vector<std::string>;

TEST_F(FormFixture, KeyPreviewGivesTheFormTheKeyFirst) {
    form.ActiveControl = area;
    form.WindowKeyDown(platform::vk::Return, {});
    EXPECT_EQ(log, Log{"area 13"});
    log.clear();
    form.KeyPreview = true;
    form.WindowKeyDown(platform::vk::Return, {});
    EXPECT_EQ(log, (Log{"form 13", "area 13"}));
    log.clear();
    // A preview handler that swallows the key keeps it from the control.
    form.OnKeyDown.Bind([this](TObject*, uint16_t& key, TShiftState) {
        log.push_back("form swallows");
        key = 0;
    });
    form.WindowKeyDown(platform::vk::Escape, {});
    EXPECT_EQ(log, Log{"form swallows"});
    log.clear();
    // Without a focused control the form takes the key once.
    form.ActiveControl = nullptr;
    form.WindowKeyDown('A', {});
    EXPECT_EQ(log, Log{"form swallows"});
}

TEST_F(FormFixture, MouseGoesToTheControlUnderThePointerInItsCoordinates) {
    form.WindowMouseDown(TMouseButton::mbLeft, {}, 150, 70);
    // Captured: the release outside still reaches the control.
    form.WindowMouseUp(TMouseButton::mbLeft, {}, 20, 10);
    form.WindowMouseMove({}, 20, 10);
    EXPECT_EQ(log, (Log{"down 50,20", "up -80,-40", "form move 20,10"}));
    log.clear();
    area->SetVisible(false);
    form.WindowMouseDown(TMouseButton::mbLeft, {}, 150, 70);
    EXPECT_TRUE(log.empty());
}

TEST_F(FormFixture, HandlerFailuresReachTheTopLevelHandler) {
    area->OnMouseDown.Bind([](TObject*, TMouseButton, TShiftState, int, int) { throw EReadError(kStreamReadError); });
    form.OnCreate.Bind([](TObject*) { throw EConvertError("'Edit1' is not a valid integer value"); });
    form.WindowMouseDown(TMouseButton::mbLeft, {}, 150, 70);
    form.DoCreate();
    EXPECT_EQ(Application().ShownErrors(), (Log{"Stream read error.", "'Edit1' is not a valid integer value."}));
    // The failure ended that handler only.
    form.WindowMouseUp(TMouseButton::mbLeft, {}, 150, 70);
    EXPECT_EQ(log, Log{"up 50,20"});
}

TEST_F(FormFixture, AlignmentFillsTheClientArea) {
    auto* top = new TWinControl(&form);
    top->SetParent(&form);
    top->SetBounds(0, 0, 10, 40);
    top->SetAlign(TAlign::alTop);
    area->SetAlign(TAlign::alClient);
    EXPECT_EQ(top->Width(), 1024);
    EXPECT_EQ(area->Top(), 40);
    EXPECT_EQ(area->Height(), 728);
    form.CoverScreen(800, 600);
    EXPECT_EQ(area->Width(), 800);
    EXPECT_EQ(area->Height(), 560);
    EXPECT_EQ(area->ClientOrigin().y, 40);
}

TEST_F(FormFixture, ParentFormThroughParentsAndOwners) {
    auto* inner = new TControl(&form);
    inner->SetParent(area);
    TComponent* plain = new TTimer(&form);
    EXPECT_EQ(GetParentForm(inner), &form);
    EXPECT_EQ(GetParentForm(plain), &form);
    EXPECT_EQ(GetParentForm(&form), &form);
    TTimer orphan(nullptr);
    EXPECT_EQ(GetParentForm(&orphan), nullptr);
}

TEST_F(FormFixture, CloseAsksOnCloseQuery) {
    bool allow = false;
    form.OnCloseQuery.Bind([&](TObject*, bool& can_close) { can_close = allow; });
    form.WindowCloseRequest();
    EXPECT_FALSE(form.Closed());
    allow = true;
    form.WindowCloseRequest();
    EXPECT_TRUE(form.Closed());
}

TEST(TTimer, FiresEveryIntervalWhileEnabled) {
    TTimer timer(nullptr);
    int fired = 0;
    timer.Interval = 30;
    timer.OnTimer.Bind([&](TObject*) { ++fired; });
    for (int i = 0; i < 9; ++i) timer.PlatformTick(10);
    EXPECT_EQ(fired, 3);
    timer.Enabled = false;
    for (int i = 0; i < 9; ++i) timer.PlatformTick(10);
    EXPECT_EQ(fired, 3);
    timer.Enabled = true;
    timer.Interval = 10;
    TTimer::TickAll(10);
    EXPECT_EQ(fired, 4);
}

TEST(TTimer, ARepeatedFailureIsBoxedOnceUntilATickPasses) {
    Application().ClearShownErrors();
    TTimer timer(nullptr);
    timer.Interval = 10;
    std::string failure = kStreamReadError;
    timer.OnTimer.Bind([&](TObject*) {
        if (!failure.empty()) throw EReadError(failure);
    });
    for (int i = 0; i < 4; ++i) timer.PlatformTick(10);
    EXPECT_EQ(Application().ShownErrors().size(), 1u);
    // Another failure is new and boxed.
    failure = "Image 'uvod1' not found";
    timer.PlatformTick(10);
    timer.PlatformTick(10);
    EXPECT_EQ(Application().ShownErrors(), (Log{"Stream read error.", "Image 'uvod1' not found."}));
    failure.clear();
    timer.PlatformTick(10);
    failure = "Image 'uvod1' not found";
    timer.PlatformTick(10);
    EXPECT_EQ(Application().ShownErrors().size(), 3u);
}

}  // namespace
}  // namespace klice
