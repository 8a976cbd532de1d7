#include "platform/display_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/application.h"

using namespace klice::platform;

namespace {

class Display : public ::testing::Test {
protected:
    void SetUp() override {
        device = CreateDisplayDevice(&result);
        ASSERT_TRUE(device);
    }
    void TearDown() override {
        SetDisplayModesForTesting(std::nullopt);
        device->RestoreDisplayMode();
    }

    std::unique_ptr<PlatformSurface> MakeSurface(int bits, int w, int h) {
        EXPECT_EQ(device->SetDisplayMode(1024, 768, bits), Result::Ok);
        std::unique_ptr<PlatformSurface> s;
        EXPECT_EQ(device->CreateSurface(w, h, false, &s), Result::Ok);
        return s;
    }
    static uint32_t Raw(PlatformSurface& s, int x, int y) {
        void* p = nullptr;
        int pitch = 0;
        EXPECT_EQ(s.Lock(&p, &pitch), Result::Ok);
        const uint8_t* px = static_cast<const uint8_t*>(p) + size_t(y) * pitch;
        uint32_t v = 0;
        int bpp = BytesPerPixel(s.Format());
        std::memcpy(&v, px + size_t(x) * bpp, size_t(bpp));
        s.Unlock();
        return v;
    }
    static void SetRaw(PlatformSurface& s, int x, int y, uint32_t v) {
        void* p = nullptr;
        int pitch = 0;
        ASSERT_EQ(s.Lock(&p, &pitch), Result::Ok);
        std::memcpy(static_cast<uint8_t*>(p) + size_t(y) * pitch + size_t(x) * BytesPerPixel(s.Format()), &v,
                    size_t(BytesPerPixel(s.Format())));
        s.Unlock();
    }
    static uint32_t Pixel(PlatformSurface& s, int x, int y) {
        DeviceContext* dc = nullptr;
        EXPECT_EQ(s.GetDC(&dc), Result::Ok);
        uint32_t c = dc ? dc->GetPixel(x, y) : 0xDEADu;
        s.ReleaseDC(dc);
        return c;
    }

    Result result = Result::Generic;
    std::unique_ptr<DisplayDevice> device;
};

}  // namespace

TEST_F(Display, PixelReadsGiveExactBlackAndRedAndMarkTheOutside) {
    for (int bits : {16, 32, 24, 8}) {
        auto s = MakeSurface(bits, 1024, 768);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->Fill(PackRgb(s->Format(), 0, 0, 0)), Result::Ok);
        EXPECT_EQ(Pixel(*s, 0, 0), 0u) << bits;
        EXPECT_EQ(Pixel(*s, -1, 10), 0xFFFFFFFFu) << bits;
        EXPECT_EQ(Pixel(*s, 1024, 10), 0xFFFFFFFFu) << bits;
        EXPECT_EQ(Pixel(*s, 5, 768), 0xFFFFFFFFu) << bits;
        EXPECT_EQ(Pixel(*s, 1023, 767), 0u) << bits;
        s->Fill(PackRgb(s->Format(), 255, 0, 0));
        EXPECT_EQ(Pixel(*s, 1023, 767), 255u) << bits;
        s->Fill(PackRgb(s->Format(), 255, 255, 0));
        EXPECT_EQ(Pixel(*s, 3, 3), 0xFFFFu) << bits;
        s->Fill(PackRgb(s->Format(), 255, 255, 255));
        EXPECT_EQ(Pixel(*s, 3, 3), 0xFFFFFFu) << bits;
    }
}

TEST(PixelFormats, ModeFormatsPackAndWidenByBitReplication) {
    PixelFormat f16 = FormatForBits(16), f32 = FormatForBits(32);
    EXPECT_EQ(PackRgb(f16, 255, 0, 0), 0xF800u);
    EXPECT_EQ(PackRgb(f16, 0x12, 0x34, 0x56), 0x11AAu);
    EXPECT_EQ(PackRgb(f32, 0x12, 0x34, 0x56), 0x123456u);
    // 5 bits 00010 widen to 00010000 | 000 = 0x10; 6 bits 001101 to 0x34 | 0x00.
    EXPECT_EQ(RawToColor(f16, 0x11AA), 0x52'34'10u);
    EXPECT_EQ(RawToColor(f16, 0xFFFF), 0xFFFFFFu);
    EXPECT_EQ(RawToColor(f32, 0xFF123456), 0x563412u);  // the top byte is not colour
    EXPECT_EQ(FormatForBits(12).bits, 0);
}

namespace {

// A DIB of one row per entry, bottom row first in memory.
struct Dib {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> table = std::vector<uint8_t>(1024, 0);
    DibView view;
    Dib(int bits, int width, std::vector<std::vector<uint8_t>> rows_top_down, uint32_t r = 0, uint32_t g = 0,
        uint32_t b = 0) {
        int stride = ((width * bits + 31) / 32) * 4;
        int height = int(rows_top_down.size());
        bytes.assign(size_t(stride) * height, 0);
        for (int y = 0; y < height; ++y)
            std::memcpy(&bytes[size_t(height - 1 - y) * stride], rows_top_down[y].data(), rows_top_down[y].size());
        view = DibView{width, height, bits, stride, bytes.data(), table.data(), r, g, b};
    }
    void Entry(int i, uint8_t r, uint8_t g, uint8_t b) {
        table[i * 4] = b;
        table[i * 4 + 1] = g;
        table[i * 4 + 2] = r;
    }
};

}  // namespace

TEST_F(Display, CopyDibConvertsEveryDepthToTheSurfaceFormat) {
    for (int bits : {16, 32}) {
        auto s = MakeSurface(bits, 8, 4);
        ASSERT_TRUE(s);
        const bool w = bits == 16;
        auto expect = [&](uint32_t c565, uint32_t c888) { return w ? c565 : c888; };
        DeviceContext* dc = nullptr;
        ASSERT_EQ(s->GetDC(&dc), Result::Ok);

        // 1 bit: pixels packed from the high end of the byte.
        Dib one(1, 3, {{0b10100000}});
        one.Entry(1, 255, 0, 0);
        dc->CopyDib(0, 0, one.view, 0, 0, 3, 1);
        // 4 bits: high nibble first.
        Dib four(4, 3, {{0x21, 0x00}});
        four.Entry(1, 0x12, 0x34, 0x56);
        four.Entry(2, 255, 255, 255);
        dc->CopyDib(3, 0, four.view, 0, 0, 3, 1);
        // 8 bits, two rows: the DIB's top row lands on the surface's top row.
        Dib eight(8, 2, {{7, 0}, {0, 7}});
        eight.Entry(7, 0, 255, 0);
        dc->CopyDib(6, 0, eight.view, 0, 0, 2, 2);
        // 16 bits without masks is 5-5-5; with masks 5-6-5.
        Dib five(16, 2, {{0x00, 0x7C, 0x43, 0x04}});
        dc->CopyDib(0, 1, five.view, 0, 0, 2, 1);
        Dib six(16, 1, {{0xAA, 0x11}}, 0xF800, 0x07E0, 0x001F);
        dc->CopyDib(2, 1, six.view, 0, 0, 1, 1);
        // 24 bits are B, G, R; 32 bits B, G, R, unused.
        Dib rgb(24, 2, {{0x56, 0x34, 0x12, 0x00, 0x00, 0xFF}});
        dc->CopyDib(3, 1, rgb.view, 0, 0, 2, 1);
        Dib quad(32, 1, {{0x56, 0x34, 0x12, 0xFF}});
        dc->CopyDib(5, 1, quad.view, 0, 0, 1, 1);
        // A sub-rectangle: source column 1 of the lower row only.
        dc->CopyDib(0, 3, eight.view, 1, 1, 1, 1);
        // True colour from the second column, and cut at the surface's left.
        dc->CopyDib(2, 3, rgb.view, 1, 0, 1, 1);
        dc->CopyDib(-1, 2, rgb.view, 0, 0, 2, 1);
        s->ReleaseDC(dc);

        const uint32_t red = expect(0xF800, 0xFF0000), black = 0, white = expect(0xFFFF, 0xFFFFFF),
                       green = expect(0x07E0, 0x00FF00), mid = expect(0x11AA, 0x123456);
        EXPECT_EQ(Raw(*s, 0, 0), red) << bits;
        EXPECT_EQ(Raw(*s, 1, 0), black) << bits;
        EXPECT_EQ(Raw(*s, 2, 0), red) << bits;
        EXPECT_EQ(Raw(*s, 3, 0), white) << bits;
        EXPECT_EQ(Raw(*s, 4, 0), mid) << bits;
        EXPECT_EQ(Raw(*s, 5, 0), black) << bits;
        EXPECT_EQ(Raw(*s, 6, 0), green) << bits;
        EXPECT_EQ(Raw(*s, 7, 0), black) << bits;
        EXPECT_EQ(Raw(*s, 6, 1), black) << bits;
        EXPECT_EQ(Raw(*s, 7, 1), green) << bits;
        EXPECT_EQ(Raw(*s, 0, 1), red) << bits;
        // 5-5-5 (1, 2, 3) widens to (8, 16, 24).
        EXPECT_EQ(Raw(*s, 1, 1), expect(0x0883, 0x081018)) << bits;
        EXPECT_EQ(Raw(*s, 2, 1), expect(0x11AA, 0x103452)) << bits;
        EXPECT_EQ(Raw(*s, 3, 1), mid) << bits;
        EXPECT_EQ(Raw(*s, 4, 1), red) << bits;
        EXPECT_EQ(Raw(*s, 5, 1), mid) << bits;
        EXPECT_EQ(Raw(*s, 0, 3), green) << bits;
        EXPECT_EQ(Raw(*s, 1, 3), black) << bits;
        EXPECT_EQ(Raw(*s, 2, 3), red) << bits;
        EXPECT_EQ(Raw(*s, 0, 2), red) << bits;
        EXPECT_EQ(Raw(*s, 1, 2), black) << bits;
    }
}

TEST_F(Display, CopyDibClipsToPictureAndSurfaceAndRejectsShortRows) {
    auto s = MakeSurface(16, 4, 4);
    s->Fill(0x1234);
    Dib eight(8, 2, {{1, 1}, {1, 1}});
    eight.Entry(1, 255, 255, 255);
    DeviceContext* dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), Result::Ok);
    dc->CopyDib(3, 3, eight.view, 0, 0, 2, 2);   // only (3, 3) is on the surface
    dc->CopyDib(-1, 0, eight.view, 0, 0, 2, 1);  // only (0, 0)
    dc->CopyDib(1, 1, eight.view, 1, 1, 5, 5);   // one source pixel is left
    DibView bad = eight.view;
    bad.stride = 1;
    dc->CopyDib(2, 0, bad, 0, 0, 2, 2);
    s->ReleaseDC(dc);
    EXPECT_EQ(Raw(*s, 3, 3), 0xFFFFu);
    EXPECT_EQ(Raw(*s, 0, 0), 0xFFFFu);
    EXPECT_EQ(Raw(*s, 1, 1), 0xFFFFu);
    for (auto [x, y] : {std::pair{1, 0}, {2, 0}, {3, 0}, {2, 2}, {1, 2}, {2, 1}, {0, 3}})
        EXPECT_EQ(Raw(*s, x, y), 0x1234u) << x << "," << y;
}

TEST_F(Display, ColourKeyedBlitsLeaveKeyPixelsAlone) {
    for (int bits : {16, 32, 24, 8}) {
        auto src = MakeSurface(bits, 4, 2);
        auto dst = MakeSurface(bits, 6, 3);
        const PixelFormat& f = src->Format();
        const uint32_t key = PackRgb(f, 0, 0, 0), red = PackRgb(f, 255, 0, 0), green = PackRgb(f, 0, 255, 0),
                       blue = PackRgb(f, 0, 0, 255);
        src->Fill(key);
        SetRaw(*src, 1, 0, red);
        SetRaw(*src, 2, 1, blue);
        src->SetColorKey(key);
        dst->Fill(green);
        EXPECT_EQ(dst->BltFast(1, 1, *src, Rect{0, 0, 4, 2}, true), Result::Ok);
        EXPECT_EQ(Raw(*dst, 1, 1), green) << bits;
        EXPECT_EQ(Raw(*dst, 2, 1), red) << bits;
        EXPECT_EQ(Raw(*dst, 3, 2), blue) << bits;
        EXPECT_EQ(Raw(*dst, 4, 2), green) << bits;
        // Without the key the whole rectangle is copied.
        EXPECT_EQ(dst->BltFast(1, 1, *src, Rect{0, 0, 4, 2}, false), Result::Ok);
        EXPECT_EQ(Raw(*dst, 1, 1), key) << bits;
        EXPECT_EQ(Raw(*dst, 2, 1), red) << bits;
        // Mirrored left-right with the key.
        dst->Fill(green);
        EXPECT_EQ(dst->Blt(Rect{0, 0, 4, 2}, *src, Rect{0, 0, 4, 2}, true, true, false), Result::Ok);
        EXPECT_EQ(Raw(*dst, 2, 0), red) << bits;
        EXPECT_EQ(Raw(*dst, 1, 1), blue) << bits;
        EXPECT_EQ(Raw(*dst, 3, 0), green) << bits;
    }
}

TEST_F(Display, KeyComparisonAtThirtyTwoBitsIgnoresTheTopByte) {
    auto src = MakeSurface(32, 2, 1);
    auto dst = MakeSurface(32, 2, 1);
    SetRaw(*src, 0, 0, 0xFF000000);  // black with a set top byte
    SetRaw(*src, 1, 0, 0x00FF0000);
    src->SetColorKey(0);
    dst->Fill(0x00123456);
    dst->BltFast(0, 0, *src, Rect{0, 0, 2, 1}, true);
    EXPECT_EQ(Raw(*dst, 0, 0), 0x00123456u);
    EXPECT_EQ(Raw(*dst, 1, 0), 0x00FF0000u);
}

TEST_F(Display, BlitRectanglesAreCheckedOrClippedNeverOverrun) {
    auto src = MakeSurface(16, 4, 4);
    auto dst = MakeSurface(16, 4, 4);
    src->Fill(0xFFFF);
    dst->Fill(0);
    EXPECT_EQ(dst->BltFast(2, 2, *src, Rect{0, 0, 4, 4}, false), Result::InvalidParams);
    EXPECT_EQ(dst->BltFast(0, 0, *src, Rect{2, 2, 6, 6}, false), Result::InvalidParams);
    EXPECT_EQ(dst->Blt(Rect{0, 0, 2, 2}, *src, Rect{0, 0, 3, 3}, false), Result::InvalidParams);
    EXPECT_EQ(Raw(*dst, 0, 0), 0u);
    // A clipper refuses fast blits and clips rectangle blits to the surface.
    dst->SetClipper(true);
    EXPECT_EQ(dst->BltFast(0, 0, *src, Rect{0, 0, 1, 1}, false), Result::Clipper);
    SetRaw(*src, 0, 0, 0x1111);
    EXPECT_EQ(dst->Blt(Rect{-1, -1, 3, 3}, *src, Rect{0, 0, 4, 4}, false), Result::Ok);
    EXPECT_EQ(Raw(*dst, 0, 0), 0xFFFFu);  // source (1, 1)
    EXPECT_EQ(Raw(*dst, 3, 3), 0u);
    // Mirrored and clipped on the left: the cut comes off the source's right.
    SetRaw(*src, 3, 0, 0x2222);
    dst->Fill(0);
    EXPECT_EQ(dst->Blt(Rect{-1, 0, 3, 1}, *src, Rect{0, 0, 4, 1}, false, true, false), Result::Ok);
    EXPECT_EQ(Raw(*dst, 0, 0), 0xFFFFu);  // source column 2
    EXPECT_EQ(Raw(*dst, 2, 0), 0x1111u);  // source column 0
}

TEST_F(Display, LocksAndDeviceContextsExcludeEachOther) {
    auto s = MakeSurface(16, 4, 4);
    auto other = MakeSurface(16, 4, 4);
    void* p = nullptr;
    int pitch = 0;
    DeviceContext* dc = nullptr;
    ASSERT_EQ(s->Lock(&p, &pitch), Result::Ok);
    EXPECT_EQ(pitch, 8);
    EXPECT_EQ(s->GetDC(&dc), Result::NoDC);
    EXPECT_EQ(s->Lock(&p, &pitch), Result::AlreadyLocked);
    EXPECT_EQ(other->BltFast(0, 0, *s, Rect{0, 0, 1, 1}, false), Result::AlreadyLocked);
    EXPECT_EQ(s->Unlock(), Result::Ok);
    EXPECT_EQ(s->Unlock(), Result::NotLocked);
    ASSERT_EQ(s->GetDC(&dc), Result::Ok);
    EXPECT_EQ(s->Lock(&p, &pitch), Result::AlreadyLocked);
    EXPECT_EQ(s->Fill(0), Result::AlreadyLocked);
    EXPECT_EQ(s->ReleaseDC(dc), Result::Ok);
    EXPECT_EQ(s->ReleaseDC(dc), Result::InvalidParams);
    EXPECT_EQ(s->Fill(0), Result::Ok);
}

TEST_F(Display, ModesComeFromTheClassicListOrTheTestList) {
    auto modes = device->EnumDisplayModes();
    EXPECT_EQ(modes.size(), 28u);
    EXPECT_EQ(device->SetDisplayMode(1600, 1200, 24), Result::Ok);
    EXPECT_EQ(device->CurrentMode().width, 1600);
    EXPECT_EQ(device->SetDisplayMode(1024, 768, 15), Result::InvalidMode);
    EXPECT_EQ(device->SetDisplayMode(1920, 1080, 32), Result::InvalidMode);

    SetDisplayModesForTesting(std::vector<DisplayMode>{{1024, 768, 32}});
    EXPECT_EQ(device->EnumDisplayModes().size(), 1u);
    EXPECT_EQ(device->SetDisplayMode(1024, 768, 16), Result::InvalidMode);
    EXPECT_EQ(device->SetDisplayMode(1024, 768, 32), Result::Ok);
    std::unique_ptr<PlatformSurface> primary, second;
    ASSERT_EQ(device->CreatePrimarySurface(&primary), Result::Ok);
    EXPECT_EQ(primary->Width(), 1024);
    EXPECT_EQ(primary->Height(), 768);
    EXPECT_EQ(primary->Format().bits, 32);
    EXPECT_EQ(device->CreatePrimarySurface(&second), Result::Generic);
    primary.reset();
    EXPECT_EQ(device->CreatePrimarySurface(&second), Result::Ok);

    std::unique_ptr<PlatformSurface> s;
    EXPECT_EQ(device->CreateSurface(0, 5, false, &s), Result::InvalidParams);
    EXPECT_EQ(device->CreateSurface(100000, 100000, false, &s), Result::OutOfMemory);
    EXPECT_EQ(device->CreateSurface(3, 5, true, &s), Result::Ok);
    EXPECT_FALSE(s->InVideoMemory());
    EXPECT_EQ(device->PixelsPerInch(), 96);
}

TEST_F(Display, ModeChangeAndLossTakeSurfacesUntilRestored) {
    auto s = MakeSurface(16, 4, 4);
    auto other = MakeSurface(16, 4, 4);
    EXPECT_FALSE(s->IsLost());
    MarkAllSurfacesLost();
    EXPECT_TRUE(s->IsLost());
    EXPECT_TRUE(other->IsLost());
    void* p = nullptr;
    int pitch = 0;
    DeviceContext* dc = nullptr;
    EXPECT_EQ(s->Lock(&p, &pitch), Result::SurfaceLost);
    EXPECT_EQ(s->Fill(0), Result::SurfaceLost);
    EXPECT_EQ(s->GetDC(&dc), Result::SurfaceLost);
    EXPECT_EQ(other->Restore(), Result::Ok);
    EXPECT_EQ(other->BltFast(0, 0, *s, Rect{0, 0, 1, 1}, false), Result::SurfaceLost);
    EXPECT_EQ(s->Restore(), Result::Ok);
    EXPECT_FALSE(s->IsLost());
    EXPECT_EQ(s->Fill(0), Result::Ok);

    EXPECT_EQ(device->SetDisplayMode(800, 600, 16), Result::Ok);
    EXPECT_TRUE(s->IsLost());
}

TEST_F(Display, FullScreenWithoutFocusCannotRestoreUntilFocusReturns) {
    Application app(ApplicationMode::Headless);
    auto s = MakeSurface(16, 4, 4);
    app.PostFocus(false);
    app.ProcessEvents();
    EXPECT_TRUE(s->IsLost());
    EXPECT_EQ(s->Restore(), Result::SurfaceLost);
    EXPECT_TRUE(s->IsLost());
    app.PostFocus(true);
    app.ProcessEvents();
    EXPECT_EQ(s->Restore(), Result::Ok);
    EXPECT_FALSE(s->IsLost());

    // In a window the surfaces survive a focus change.
    app.Window().SetFullScreen(false);
    app.PostFocus(false);
    app.ProcessEvents();
    EXPECT_FALSE(s->IsLost());
}

TEST_F(Display, BlitsToThePrimaryArePresentsAndTheFrameCanBeReadBack) {
    Application app(ApplicationMode::Headless);
    EXPECT_EQ(app.LastFrame().width, 0);
    ASSERT_EQ(device->SetDisplayMode(1024, 768, 16), Result::Ok);
    std::unique_ptr<PlatformSurface> primary;
    ASSERT_EQ(device->CreatePrimarySurface(&primary), Result::Ok);
    auto back = MakeSurface(16, 1024, 768);
    back->Fill(PackRgb(back->Format(), 255, 0, 0));
    SetRaw(*back, 1023, 767, PackRgb(back->Format(), 0, 0, 255));
    uint64_t before = app.PresentCount();
    ASSERT_EQ(primary->Blt(Rect{0, 0, 1024, 768}, *back, Rect{0, 0, 1024, 768}, false), Result::Ok);
    EXPECT_EQ(app.PresentCount(), before + 1);
    Frame frame = app.LastFrame();
    EXPECT_EQ(frame.width, 1024);
    EXPECT_EQ(frame.height, 768);
    EXPECT_EQ(frame.Pixel(0, 0), 255u);
    EXPECT_EQ(frame.Pixel(1023, 767), 0xFF0000u);
    EXPECT_EQ(frame.Pixel(1024, 0), 0xFFFFFFFFu);
    EXPECT_EQ(frame.Pixel(0, -1), 0xFFFFFFFFu);
}
