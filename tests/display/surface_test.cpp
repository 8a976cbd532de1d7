#include <gtest/gtest.h>

#include <memory>

#include "display/direct_draw.h"
#include "platform/display_device.h"

namespace klice {
namespace {

// Surfaces of the display at a given depth.
struct Surfaces : ::testing::TestWithParam<int> {
    TDirectDraw draw;
    std::unique_ptr<TDirectDrawSurface> surface = std::make_unique<TDirectDrawSurface>(&draw);

    void SetUp() override {
        ASSERT_EQ(draw.Device().SetDisplayMode(1024, 768, GetParam()), platform::Result::Ok);
        surface->SetSize(1024, 768);
    }
    void TearDown() override { surface.reset(); }
    uint32_t Raw(uint8_t r, uint8_t g, uint8_t b) { return surface->ColorToPixel(r | g << 8 | b << 16); }
};

TEST_P(Surfaces, ColoursBecomeRawPixelsOfTheMode) {
    const bool deep = GetParam() == 32;
    EXPECT_EQ(surface->ColorToPixel(clRed), deep ? 0xFF0000u : 0xF800u);
    EXPECT_EQ(surface->ColorToPixel(clBlue), deep ? 0x0000FFu : 0x001Fu);
    EXPECT_EQ(surface->ColorToPixel(clWhite), deep ? 0xFFFFFFu : 0xFFFFu);
    EXPECT_EQ(surface->ColorToPixel(clBlack), 0u);
}

TEST_P(Surfaces, PixelReadsThroughTheCanvas) {
    surface->Fill(0);
    surface->SetPixel(100, 50, Raw(255, 0, 0));
    surface->SetPixel(101, 50, Raw(255, 255, 255));
    TDirectDrawSurfaceCanvas& canvas = surface->Canvas();
    HDC dc = canvas.Handle();
    EXPECT_EQ(GetPixel(dc, 100, 50), 255u);
    EXPECT_EQ(GetPixel(dc, 101, 50), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(dc, 0, 0), 0u);
    EXPECT_EQ(GetPixel(dc, -1, 50), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel(dc, 1024, 50), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel(dc, 5, 768), 0xFFFFFFFFu);
    canvas.Release();
    EXPECT_FALSE(canvas.HandleAllocated());
}

TEST_P(Surfaces, RawPixelsRoundTripAndClipToTheSurface) {
    surface->Fill(0);
    uint32_t red = Raw(255, 0, 0);
    surface->SetPixel(1023, 767, red);
    EXPECT_EQ(surface->Pixel(1023, 767), red);
    EXPECT_EQ(surface->Pixel(1022, 767), 0u);
    surface->SetPixel(-1, 0, red);
    surface->SetPixel(1024, 0, red);
    EXPECT_EQ(surface->Pixel(-1, 0), 0u);
    EXPECT_EQ(surface->Pixel(1024, 0), 0u);
    EXPECT_EQ(surface->Pixel(0, 0), 0u);
    EXPECT_EQ(surface->LockCount(), 0);
    surface->Fill(red);
    EXPECT_EQ(surface->Pixel(512, 384), red);
}

TEST_P(Surfaces, ClearBrushTextLeavesTheGapsAlone) {
    const uint32_t blue = Raw(0, 0, 255);
    surface->Fill(blue);
    TDirectDrawSurfaceCanvas& canvas = surface->Canvas();
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.SetSize(38);
    EXPECT_EQ(canvas.Font.Height(), -51);
    canvas.Font.SetColor(clYellow);
    canvas.TextOut(10, 10, "HOH");
    canvas.Release();
    int yellow = 0, untouched = 0, other = 0;
    for (int y = 10; y < 70; ++y)
        for (int x = 10; x < 130; ++x) {
            uint32_t p = surface->Pixel(x, y);
            if (p == Raw(255, 255, 0))
                ++yellow;
            else if (p == blue)
                ++untouched;
            else
                ++other;
        }
    EXPECT_GT(yellow, 100);
    EXPECT_GT(untouched, yellow);  // the cell is mostly background
    // Outside the text cell nothing changed.
    EXPECT_EQ(surface->Pixel(5, 5), blue);
    EXPECT_EQ(surface->Pixel(600, 300), blue);
    (void)other;
}

INSTANTIATE_TEST_SUITE_P(Depths, Surfaces, ::testing::Values(16, 32));

TEST(TDirectDrawSurface, WithoutAPlatformSurface) {
    TDirectDraw draw;
    TDirectDrawSurface surface(&draw);
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(surface.Pixel(0, 0), 0u);
    try {
        surface.Fill(0);
        FAIL();
    } catch (const EDirectDrawSurfaceError& e) {
        EXPECT_STREQ(e.what(), "IDirectDrawSurface not made");
    }
    try {
        surface.Canvas().Handle();
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Canvas does not allow drawing");
    }
    surface.Canvas().Release();  // holds nothing: does nothing
}

TEST(TDirectDrawSurface, CanvasRefusedWhileLocked) {
    TDirectDraw draw;
    TDirectDrawSurface surface(&draw);
    surface.SetSize(16, 16);
    void* pixels = nullptr;
    int pitch = 0;
    ASSERT_TRUE(surface.Lock(&pixels, &pitch));
    EXPECT_THROW(surface.Canvas().Handle(), EInvalidOperation);
    surface.Unlock();
    EXPECT_NE(surface.Canvas().Handle(), nullptr);
    // Locking waits for the canvas to give its context back.
    surface.Canvas().Release();
    EXPECT_TRUE(surface.Lock(&pixels, &pitch));
    surface.Unlock();
}

TEST(TDirectDrawSurface, SizeThatCannotBeMade) {
    TDirectDraw draw;
    TDirectDrawSurface surface(&draw);
    try {
        surface.SetSize(100000, 100000);
        FAIL();
    } catch (const EDirectDrawSurfaceError& e) {
        EXPECT_STREQ(e.what(), "Surface cannot be made");
    }
    EXPECT_FALSE(surface.HasPlatformSurface());
}

TEST(TFont, SizeRule) {
    TFont font;
    font.SetSize(38);
    EXPECT_EQ(font.Height(), -51);
    EXPECT_EQ(font.Size(), 38);
    font.SetSize(8);
    EXPECT_EQ(font.Height(), -11);
    font.PixelsPerInch = 120;
    font.SetSize(9);
    EXPECT_EQ(font.Height(), -15);
    EXPECT_EQ(TFont().Name(), "MS Sans Serif");
}

}  // namespace
}  // namespace klice
