#include "platform/frame_scaler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace klice::platform;
using namespace klice::platform::detail;

namespace {

const PixelFormat kRgb565{16, 0xF800, 0x07E0, 0x001F};

// A 16-bit frame whose every pixel differs from its neighbours, so that a
// pixel drawn from the wrong place shows.
struct TestFrame {
    int width, height;
    std::vector<uint16_t> pixels;
    TestFrame(int w, int h) : width(w), height(h), pixels(size_t(w) * h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) pixels[size_t(y) * w + x] = uint16_t((x * 7 + y * 131) & 0xFFFF);
    }
    uint16_t& At(int x, int y) { return pixels[size_t(y) * width + x]; }
    PrimaryView View() const {
        return PrimaryView{reinterpret_cast<const uint8_t*>(pixels.data()), width, height, width * 2, kRgb565};
    }
};

struct TestPicture {
    int width, height;
    std::vector<uint32_t> pixels;
    TestPicture(int w, int h) : width(w), height(h), pixels(size_t(w) * h, 0xDEADBEEF) {}
    WindowPicture Picture() { return WindowPicture{pixels.data(), width, height, width * 4}; }
    uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// 0x00RRGGBB of a 565 pixel, channels widened by bit replication.
uint32_t Expected(uint16_t raw) {
    const uint32_t c = RawToColor(kRgb565, raw);  // 0x00BBGGRR
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Every window pixel is the frame pixel the mouse maps it to, or black in a bar.
void ExpectShows(const TestFrame& frame, const TestPicture& picture, const LetterboxRect& box) {
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            auto p = FramePointIn(box, x, y, frame.width, frame.height);
            const uint32_t want = p ? Expected(frame.pixels[size_t(p->y) * frame.width + p->x]) : 0u;
            if (picture.At(x, y) != want) {
                FAIL() << "at " << x << "," << y << ": " << std::hex << picture.At(x, y) << " instead of " << want;
            }
        }
}

}  // namespace

TEST(FrameScaler, ShowsUnderEveryWindowPixelTheFramePixelTheMouseMapsTo) {
    // Small frames keep the whole-picture comparison quick; the sizes keep the
    // game's shapes: x2 and x3 exactly, 1.40625 with side bars, 1.25 with bars
    // above and below, x1 between bars, shrunk.
    const TestFrame frame(64, 48);
    const struct { int width, height; } windows[] = {{128, 96}, {192, 144}, {120, 68}, {80, 64}, {90, 48}, {50, 37}};
    for (const auto& w : windows) {
        SCOPED_TRACE(std::to_string(w.width) + "x" + std::to_string(w.height));
        TestPicture picture(w.width, w.height);
        FrameScaler scaler;
        const LetterboxRect box = SharpLetterbox(w.width, w.height, frame.width, frame.height);
        const auto& written = scaler.Draw(frame.View(), picture.Picture(), box, false);
        ASSERT_EQ(written.size(), 1u);
        EXPECT_EQ(written[0].Width(), w.width);
        EXPECT_EQ(written[0].Height(), w.height);
        ExpectShows(frame, picture, box);
        // The smooth layout is drawn as faithfully.
        const LetterboxRect fill = Letterbox(w.width, w.height, frame.width, frame.height);
        scaler.Draw(frame.View(), picture.Picture(), fill, false);
        ExpectShows(frame, picture, fill);
    }
}

TEST(FrameScaler, RedrawsOnlyWhatChangedAndSaysWhere) {
    TestFrame frame(64, 48);
    TestPicture picture(150, 96);  // x2 at (11, 0)
    const LetterboxRect box = SharpLetterbox(150, 96, 64, 48);
    ASSERT_EQ(box.x, 11);
    FrameScaler scaler;
    scaler.Draw(frame.View(), picture.Picture(), box, false);

    // The same frame again: nothing to do.
    EXPECT_TRUE(scaler.Draw(frame.View(), picture.Picture(), box, false).empty());

    // Two sprites moved: one changed pixel high up, a block lower down.
    frame.At(5, 3) ^= 0xFFFF;
    for (int y = 20; y < 24; ++y)
        for (int x = 40; x < 50; ++x) frame.At(x, y) = 0x1234;
    // Pixels outside the changed areas are not touched: mark them.
    picture.pixels[size_t(50) * 150 + 140] = 0x00C0FFEE;  // a bar pixel
    const auto written = scaler.Draw(frame.View(), picture.Picture(), box, false);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].left, 11 + 10);
    EXPECT_EQ(written[0].top, 6);
    EXPECT_EQ(written[0].Width(), 2);
    EXPECT_EQ(written[0].Height(), 2);
    EXPECT_EQ(written[1].left, 11 + 80);
    EXPECT_EQ(written[1].top, 40);
    EXPECT_EQ(written[1].right, 11 + 100);
    EXPECT_EQ(written[1].bottom, 48);
    EXPECT_EQ(picture.At(140, 50), 0x00C0FFEEu);
    picture.pixels[size_t(50) * 150 + 140] = 0;
    ExpectShows(frame, picture, box);

    // A new window picture (the window was resized) is drawn whole, and so is
    // everything when asked (the window was uncovered).
    TestPicture bigger(192, 144);
    const LetterboxRect x3 = SharpLetterbox(192, 144, 64, 48);
    EXPECT_EQ(scaler.Draw(frame.View(), bigger.Picture(), x3, false).size(), 1u);
    ExpectShows(frame, bigger, x3);
    bigger.pixels.assign(bigger.pixels.size(), 0x00ABCDEF);
    EXPECT_EQ(scaler.Draw(frame.View(), bigger.Picture(), x3, true).size(), 1u);
    ExpectShows(frame, bigger, x3);
}

TEST(FrameScaler, ManyScatteredChangesGoOutAsOneRectangle) {
    TestFrame frame(64, 48);
    TestPicture picture(64, 48);
    const LetterboxRect box{0, 0, 64, 48};
    FrameScaler scaler;
    scaler.Draw(frame.View(), picture.Picture(), box, false);
    for (int y = 2; y < 48; y += 2) frame.At(y, y) ^= 0x0F0F;  // 23 separate rows
    const auto& written = scaler.Draw(frame.View(), picture.Picture(), box, false);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].left, 2);
    EXPECT_EQ(written[0].top, 2);
    EXPECT_EQ(written[0].right, 47);
    EXPECT_EQ(written[0].bottom, 47);
    ExpectShows(frame, picture, box);
}

TEST(FrameScaler, OtherFrameDepthsAndWindowChannelOrders) {
    // An 8-bit frame (3-3-2 palette) into a window whose pixels are 0x00BBGGRR.
    const PixelFormat eight{8, 0, 0, 0};
    std::vector<uint8_t> pixels(16 * 8);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 37);
    PrimaryView frame{pixels.data(), 16, 8, 16, eight};
    std::vector<uint32_t> out(32 * 16, 0xDEADBEEF);
    WindowPicture picture{out.data(), 32, 16, 32 * 4, 0x0000FF, 0x00FF00, 0xFF0000};
    FrameScaler scaler;
    scaler.Draw(frame, picture, SharpLetterbox(32, 16, 16, 8), false);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(out[size_t(y) * 32 + x], RawToColor(eight, pixels[size_t(y / 2) * 16 + x / 2])) << x << "," << y;

    // A 32-bit frame, rows padded, into 0x00RRGGBB; pure red and black stay exact.
    const PixelFormat rgb32{32, 0xFF0000, 0x00FF00, 0x0000FF};
    std::vector<uint32_t> wide(8 * 4, 0);  // 4 rows of 6 pixels, pitch 8 pixels
    for (int x = 0; x < 6; ++x) wide[size_t(x)] = x % 2 ? 0xFF0000 : 0x000000;
    PrimaryView frame32{reinterpret_cast<const uint8_t*>(wide.data()), 6, 4, 8 * 4, rgb32};
    std::vector<uint32_t> out32(6 * 4, 0xDEADBEEF);
    FrameScaler scaler32;
    scaler32.Draw(frame32, WindowPicture{out32.data(), 6, 4, 6 * 4}, LetterboxRect{0, 0, 6, 4}, false);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(out32[size_t(x)], x % 2 ? 0xFF0000u : 0u);
}

TEST(FrameScaler, NothingIsDrawnForABoxOutsideThePictureOrAnEmptyFrame) {
    TestFrame frame(64, 48);
    TestPicture picture(64, 48);
    FrameScaler scaler;
    EXPECT_TRUE(scaler.Draw(frame.View(), picture.Picture(), LetterboxRect{1, 0, 64, 48}, false).empty());
    EXPECT_TRUE(scaler.Draw(PrimaryView{}, picture.Picture(), LetterboxRect{0, 0, 64, 48}, false).empty());
    EXPECT_EQ(picture.At(0, 0), 0xDEADBEEFu);
}
