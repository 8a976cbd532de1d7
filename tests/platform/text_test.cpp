#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/display_device.h"
#include "platform/text_renderer.h"

using namespace klice::platform;

namespace {

struct Counts {
    int background = 0, text = 0, mixed = 0;
    int min_x = 1 << 30, max_x = -1, min_y = 1 << 30, max_y = -1;
};

Counts Survey(DeviceContext& dc, int w, int h, uint32_t background, uint32_t text) {
    Counts c;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = dc.GetPixel(x, y);
            if (p == background) {
                ++c.background;
                continue;
            }
            if (p == text)
                ++c.text;
            else
                ++c.mixed;
            c.min_x = std::min(c.min_x, x);
            c.max_x = std::max(c.max_x, x);
            c.min_y = std::min(c.min_y, y);
            c.max_y = std::max(c.max_y, y);
        }
    return c;
}

}  // namespace

TEST(Text, DrawsGlyphsAtTheCharacterHeightOverAClearBackground) {
    ASSERT_FALSE(FontPath().empty()) << "the game font must be found";
    auto device = CreateDisplayDevice(nullptr);
    ASSERT_EQ(device->SetDisplayMode(1024, 768, 16), Result::Ok);
    std::unique_ptr<PlatformSurface> s;
    ASSERT_EQ(device->CreateSurface(400, 120, false, &s), Result::Ok);
    const uint32_t blue = PackRgb(s->Format(), 0, 0, 255);
    s->Fill(blue);
    DeviceContext* dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), Result::Ok);
    // "Načítám" in Windows-1250, yellow, 51 pixels high.
    dc->TextOut(10, 20, "Na\xE8\xEDt\xE1m", 51, 0xFFFF);
    Counts c = Survey(*dc, 400, 120, 0xFF0000, 0xFFFF);
    EXPECT_GT(c.text, 300);
    // The cell starts at (10, 20); capitals are about 0.73 of the em high.
    EXPECT_GE(c.min_x, 10);
    EXPECT_LE(c.min_x, 16);
    EXPECT_GE(c.min_y, 20);
    EXPECT_GT(c.max_y - c.min_y, 40);  // accents over the capital height
    EXPECT_LT(c.max_y - c.min_y, 70);
    // Between the strokes the blue stays: inside the text's box most pixels are untouched.
    int box = (c.max_x - c.min_x + 1) * (c.max_y - c.min_y + 1);
    EXPECT_GT(box - c.text - c.mixed, box / 3);
    EXPECT_EQ(dc->GetPixel(5, 5), 0xFF0000u);
    s->ReleaseDC(dc);
}

TEST(Text, TextIsClippedAtTheSurfaceEdgesAndEmptyTextDrawsNothing) {
    auto device = CreateDisplayDevice(nullptr);
    ASSERT_EQ(device->SetDisplayMode(1024, 768, 32), Result::Ok);
    std::unique_ptr<PlatformSurface> s;
    ASSERT_EQ(device->CreateSurface(30, 30, false, &s), Result::Ok);
    s->Fill(0);
    DeviceContext* dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), Result::Ok);
    dc->TextOut(0, 0, "", 51, 0xFFFFFF);
    EXPECT_EQ(Survey(*dc, 30, 30, 0, 0xFFFFFF).text, 0);
    dc->TextOut(-20, -10, "WWW", 51, 0xFFFFFF);
    dc->TextOut(20, 20, "WWW", 51, 0xFFFFFF);
    EXPECT_GT(Survey(*dc, 30, 30, 0, 0xFFFFFF).text, 10);
    s->ReleaseDC(dc);
    device->RestoreDisplayMode();
}

TEST(Text, RendersAreCachedPerTextAndHeight) {
    const GlyphRun* a = RenderText("Klic", 20);
    ASSERT_TRUE(a);
    EXPECT_EQ(RenderText("Klic", 20), a);
    const GlyphRun* b = RenderText("Klic", 40);
    ASSERT_TRUE(b);
    EXPECT_GT(b->height, a->height);
    EXPECT_EQ(RenderText("", 20), nullptr);
    EXPECT_EQ(RenderText("Klic", 0), nullptr);
}
