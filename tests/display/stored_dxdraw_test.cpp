#include <gtest/gtest.h>

#include "data/component_stream.h"
#include "data/forms.h"
#include "data/stream.h"
#include "display/dxdraws.h"
#include "platform/virtual_keys.h"

namespace klice {
namespace {

// A drawing surface stored with its form comes back with every setting the
// game relies on, its parent and its event bindings.
class TStoredForm : public TForm {
    KLICE_CLASS(TStoredForm, TForm)
public:
    explicit TStoredForm(TComponent* owner) : TForm(owner) {}
    TDXDraw* DXDraw = nullptr;
    int keys = 0;
    void keydown(TObject*, uint16_t&, TShiftState) { ++keys; }
};

KLICE_DESCRIBE_CLASS(TStoredForm, c) {
    c.Member("DXDraw", &TStoredForm::DXDraw);
    c.Method("keydown", &TStoredForm::keydown);
}

TEST(StoredDXDraw, RoundTripsThroughTheComponentStream) {
    TMemoryStream stream;
    {
        TStoredForm source(nullptr);
        source.SetName("Source");
        source.BorderStyle = TFormBorderStyle::bsNone;
        source.KeyPreview = true;
        source.Caption = "form1";
        source.Font()->SetHeight(-13);
        auto* d = new TDXDraw(&source);
        d->SetName("DXDraw");
        d->SetParent(&source);
        d->SetAlign(TAlign::alClient);
        d->Cursor = crHandPoint;
        d->AutoInitialize = true;
        d->SetSurfaceSize(587, 380);
        d->Display().SetWidth(1024);
        d->Display().SetHeight(768);
        d->Display().FixedSize = false;
        d->SetOptions(
            {doFullScreen, doAllowReboot, doWaitVBlank, doCenter, doRetainedMode, doHardware, doSelectDriver});
        TMethodInfo const* method = TStoredForm::StaticClass().FindMethod("keydown");
        ASSERT_NE(method, nullptr);
        ASSERT_TRUE(TDXDraw::StaticClass().FindProperty("OnKeyDown")->set_method(*d, method, &source));
        source.ActiveControl = d;
        WriteComponent(stream, source);
    }
    stream.Seek(0, SeekOrigin::Begin);

    TStoredForm target(nullptr);
    ReadComponent(stream, target);
    ASSERT_NE(target.DXDraw, nullptr);
    TDXDraw& d = *target.DXDraw;
    EXPECT_EQ(d.Parent(), &target);
    EXPECT_EQ(target.ActiveControl, &d);
    EXPECT_EQ(d.Align(), TAlign::alClient);
    EXPECT_EQ(d.Cursor, crHandPoint);
    EXPECT_EQ(d.SurfaceWidth(), 587);
    EXPECT_EQ(d.SurfaceHeight(), 380);
    EXPECT_EQ(d.Display().Width(), 1024);
    EXPECT_EQ(d.Display().Height(), 768);
    EXPECT_FALSE(d.Display().FixedSize);
    EXPECT_TRUE(d.Display().FixedRatio);
    EXPECT_EQ(d.Options(), (TDXDrawOptions{doFullScreen, doAllowReboot, doWaitVBlank, doCenter, doRetainedMode,
                                           doHardware, doSelectDriver}));
    EXPECT_EQ(d.NowOptions(), (TDXDrawOptions{doFullScreen, doAllowReboot, doWaitVBlank, doCenter}));
    EXPECT_EQ(target.BorderStyle, TFormBorderStyle::bsNone);
    EXPECT_TRUE(target.KeyPreview);
    EXPECT_EQ(target.Caption, "form1");
    EXPECT_EQ(target.Font()->Height(), -13);

    uint16_t key = platform::vk::Return;
    d.KeyDown(key, {});
    EXPECT_EQ(target.keys, 1);
}

}  // namespace
}  // namespace klice
