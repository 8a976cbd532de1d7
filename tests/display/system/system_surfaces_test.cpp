// Picture surfaces and colour keys on the system's own display (the game's
// DirectDraw surfaces on Windows), and their rebuilding after a loss.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>

#include "data/dib.h"
#include "display/dxdraws.h"
#include "display/image_list.h"
#include "display/picture_surfaces.h"
#include "game/headless_game.h"
#include "game/hlavni.h"
#include "game/pictures.h"
#include "platform/display_device.h"
#include "platform/system_colors.h"

namespace klice {
namespace {

class SystemSurfaces : public ::testing::Test {
protected:
    void SetUp() override {
        if (!platform::HasSystemDisplay())
            GTEST_SKIP() << "this system has no display of its own; the software display is tested in display_tests";
        game_ = std::make_unique<HeadlessGame>(KLICE_BUILT_DATA_DIR, false, platform::ApplicationMode::Windowed);
        ASSERT_TRUE(form1->DXDraw->CanDraw());
    }
    TDirectDraw* Draw() const { return form1->DXDraw->DDraw(); }
    TDirectDrawSurface& Back() const { return *form1->DXDraw->Surface(); }

    std::unique_ptr<HeadlessGame> game_;
};

TEST_F(SystemSurfaces, TheGamesBackSurfaceIsTheSystems1024x768x16) {
    EXPECT_EQ(Back().Width(), 1024);
    EXPECT_EQ(Back().Height(), 768);
    EXPECT_EQ(Back().BitCount(), 16);
    EXPECT_EQ(Back().Description().Format.g_mask, 0x07E0u);
    EXPECT_TRUE(Back().Description().VideoMemory);
    EXPECT_EQ(Draw()->Device().CurrentMode().bits, 16);
}

// A key is the pixel the same colour gets when a picture is copied: for
// colours that quantize and for a colour of the system's own scheme.
TEST_F(SystemSurfaces, ColorToPixelEqualsThePixelACopiedPictureOfThatColourGets) {
    TDirectDrawSurface& back = Back();
    back.SetPixel(0, 0, 0x1357);
    EXPECT_EQ(ResolveColor(clBtnFace), TColor(platform::SystemColorValue(15))) << "the system's current value";
    for (TColor colour : {clWhite, clBlack, clGreen, TColor(0x0A0B0C), clBtnFace, clHighlight}) {
        const uint32_t key = ColorToPixel(back, colour);
        EXPECT_EQ(back.Pixel(0, 0), 0x1357u) << "ColorToPixel puts the pixel back";
        const TColor rgb = ResolveColor(colour);
        const uint8_t r = uint8_t(rgb), g = uint8_t(rgb >> 8), b = uint8_t(rgb >> 16);

        TDIB dib8;
        dib8.SetSize(2, 1, 8);
        TRGBQuads table{};
        table[3] = {b, g, r, 0};
        dib8.SetColorTable(table);
        dib8.ScanLine(0)[1] = 3;
        TDIB dib24;
        dib24.SetSize(2, 1, 24);
        const uint8_t bgr[3] = {b, g, r};
        std::memcpy(dib24.ScanLine(0) + 3, bgr, 3);
        TDIB dib32;
        dib32.SetSize(2, 1, 32);
        const uint32_t p32 = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
        std::memcpy(dib32.ScanLine(0) + 4, &p32, 4);

        for (TDIB* dib : {&dib8, &dib24, &dib32}) {
            auto surface = MakePictureSurface(Draw(), dib, {0, 0, 2, 1}, false, colour);
            EXPECT_EQ(surface->Pixel(1, 0), key) << std::hex << colour << " from " << std::dec << dib->BitCount();
            EXPECT_EQ(surface->Description().ColorKey, key);
            // Keyed: the copy of that colour leaves the destination alone.
            back.SetPixel(101, 100, 0x0841);
            DrawSurface(back, 100, 100, {0, 0, 2, 1}, surface.get(), true);
            EXPECT_EQ(back.Pixel(101, 100), 0x0841u);
        }
    }
    EXPECT_EQ(ColorToPixel(back, clWhite), 0xFFFFu);
    EXPECT_EQ(ColorToPixel(back, clBlack), 0u);
    EXPECT_EQ(ColorToPixel(back, clGreen), 0x0400u);  // 128 of 255: 32 of 63
}

// Switching away loses the surfaces; the first tick after the focus returns
// restores them, clears them to black and builds every picture again.
TEST_F(SystemSurfaces, AfterALossEveryPictureSurfaceIsBuiltAgain) {
    game_->Tick(3);
    TPictureCollectionItem* title = form1->panak->Items()->Find(pictures::kTitle);
    ASSERT_NE(title, nullptr);
    const auto before = Pattern(*title, 0);
    ASSERT_TRUE(before.has_value());
    const uint32_t corner = before->Surface->Pixel(5, 5);

    game_->Focus(false);
    game_->Tick();
    EXPECT_FALSE(form1->DXDraw->CanDraw());
    EXPECT_TRUE(Back().IsLost());
    const uint64_t presents = game_->PresentCount();
    game_->Tick(10);
    EXPECT_EQ(game_->PresentCount(), presents) << "nothing is drawn while the surfaces are lost";

    game_->Focus(true);
    game_->Tick();
    EXPECT_EQ(game_->PresentCount(), presents + 1);
    EXPECT_FALSE(Back().IsLost());
    const auto after = Pattern(*title, 0);
    ASSERT_TRUE(after.has_value());
    // Built again: a surface left over from before would still be lost.
    EXPECT_FALSE(after->Surface->IsLost());
    EXPECT_EQ(after->Surface->Pixel(5, 5), corner);
    EXPECT_TRUE(game_->Errors().empty()) << game_->Errors().front();
}

}  // namespace
}  // namespace klice
