#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "data/component_stream.h"
#include "data/forms.h"
#include "data/picture.h"
#include "data/picture_collection.h"
#include "display/dxdraws.h"
#include "display/image_list.h"
#include "display/picture_surfaces.h"
#include "platform/display_device.h"
#include "platform/system_colors.h"
#include "tests/support/display_form.h"
#include "tests/support/pictures.h"

namespace klice {
namespace {

using platform::Rect;

// 24-bit picture; pixel (x, y) gets colour(x, y) as 0x00BBGGRR.
std::unique_ptr<TDIB> Picture24(int width, int height, const std::function<TColor(int, int)>& colour) {
    return std::make_unique<TDIB>(testing::Dib24(width, height, colour));
}

// A colour that tells column and row apart at 5-6-5: green carries the
// column (0..63), red and blue the row.
TColor ColumnRowColour(int x, int y) {
    return static_cast<TColor>((x * 4) << 8 | ((y & 31) * 8) | (((y >> 5) * 8 + 8) << 16));
}
int ColumnOf(uint32_t raw565) { return static_cast<int>((raw565 >> 5) & 63); }
int RowOf(uint32_t raw565) { return static_cast<int>(raw565 >> 11) + 32 * (static_cast<int>(raw565 & 31) - 1); }

constexpr uint32_t kWhite565 = 0xFFFF;

struct Display : ::testing::Test, testing::display_form {
    Display() { form->SetBounds(0, 0, 640, 480); }
    ~Display() override { form.reset(); }

    TPictureCollectionItem* Add(const std::string& name, std::unique_ptr<TGraphic> graphic) {
        TPictureCollectionItem* item = list->Items()->Add();
        item->SetName(name);
        item->Picture()->SetGraphic(std::move(graphic));
        return item;
    }
    TDirectDrawSurface& Back() { return *dxdraw->Surface(); }
    void Clear(uint32_t raw = kWhite565) { Back().Fill(raw); }
    uint32_t At(int x, int y) { return Back().Pixel(x, y); }

    // The player-like picture: 60 x 76, no white pixel in it.
    TPictureCollectionItem* Player() {
        TPictureCollectionItem* item = Add("pa1", Picture24(60, 76, ColumnRowColour));
        item->SetTransparentColor(clWhite);
        return item;
    }
};

TEST_F(Display, ImageListFollowsTheDisplaysEvents) {
    TPictureCollectionItem* item = Add("klic", Picture24(30, 30, [](int, int) { return clRed; }));
    EXPECT_FALSE(list->Items()->Initialized());
    EXPECT_EQ(PatternCount(*item), 0);

    dxdraw->Initialize();
    EXPECT_TRUE(list->Items()->Initialized());
    EXPECT_TRUE(item->Initialized());
    EXPECT_EQ(PatternCount(*item), 1);

    dxdraw->Finalize();
    EXPECT_FALSE(list->Items()->Initialized());
    EXPECT_FALSE(item->Initialized());
    EXPECT_EQ(item->Surfaces(), nullptr);

    // A list bound to an initialized display builds at once.
    dxdraw->Initialize();
    list->SetDXDraw(nullptr);
    EXPECT_FALSE(item->Initialized());
    list->SetDXDraw(dxdraw);
    EXPECT_TRUE(item->Initialized());

    // An uninitialised display cannot initialize a collection.
    TForm other_form(nullptr);
    TDXDraw* other = new TDXDraw(&other_form);
    TDXImageList* other_list = new TDXImageList(&other_form);
    other_list->SetDXDraw(other);
    TPictureDisplay* display = list->Items()->Display();
    dxdraw->Finalize();
    try {
        list->Items()->Initialize(display);
        ADD_FAILURE() << "nothing thrown";
    } catch (const EPictureCollectionError& e) {
        EXPECT_EQ(e.Message(), "TPictureCollection cannot be initialized");
    }

    // A destroyed display unbinds its lists.
    delete other;
    EXPECT_EQ(other_list->DXDraw(), nullptr);
}

TEST_F(Display, ImageListsTravelInTheWindowStream) {
    // A plain root owning a display and a list, as a window would.
    TComponent root(nullptr);
    root.SetName("Root");
    auto* root_dxdraw = new TDXDraw(&root);
    root_dxdraw->SetName("DXDraw");
    TDXImageList* stored = new TDXImageList(&root);
    stored->SetName("panak");
    stored->SetDXDraw(root_dxdraw);
    std::swap(list, stored);
    list->Left = 12;
    list->Top = 34;
    Add("klic", Picture24(30, 30, [](int, int) { return clRed; }))->SetTransparentColor(clWhite);
    list->Items()->ColorTable[5] = 9;
    TMemoryStream stream;
    WriteComponent(stream, root);
    std::swap(list, stored);

    TComponent read(nullptr);
    stream.SetPosition(0);
    ReadComponent(stream, read);
    auto* panak = dynamic_cast<TDXImageList*>(read.FindComponent("panak"));
    ASSERT_NE(panak, nullptr);
    EXPECT_EQ(panak->DXDraw(), read.FindComponent("DXDraw"));
    EXPECT_EQ(panak->Left, 12);
    EXPECT_EQ(panak->Top, 34);
    EXPECT_EQ(panak->Items()->ColorTable[5], 9);
    ASSERT_EQ(panak->Items()->Count(), 1);
    EXPECT_EQ(panak->Items()->Find("KLIC")->TransparentColor(), clWhite);
    EXPECT_EQ(panak->Items()->Find("klic")->Width(), 30);

    // A file loaded while the display is up gets its surfaces at once.
    dxdraw->Initialize();
    TMemoryStream file;
    panak->Items()->SaveToStream(file);
    file.SetPosition(0);
    list->Items()->LoadFromStream(file);
    EXPECT_EQ(PatternCount(*list->Items()->Find("klic")), 1);
}

TEST_F(Display, OpaqueItemsAreCopiedWholeKeyedItemsLeaveTheirKey) {
    // White in the top half, black below.
    auto half = [](int, int y) { return y < 5 ? clWhite : clBlack; };
    TPictureCollectionItem* opaque = Add("hra1", Picture24(10, 10, half));
    opaque->Transparent = false;
    opaque->SetTransparentColor(clWhite);
    TPictureCollectionItem* keyed = Add("sipka", Picture24(10, 10, half));
    keyed->SetTransparentColor(clWhite);
    dxdraw->Initialize();

    Clear(0x1234);
    Draw(*opaque, &Back(), 0, 0, 0);
    Draw(*keyed, &Back(), 20, 0, 0);
    EXPECT_EQ(At(3, 2), kWhite565);
    EXPECT_EQ(At(3, 7), 0u);
    EXPECT_EQ(At(23, 2), 0x1234u);  // the key leaves the frame as it was
    EXPECT_EQ(At(23, 7), 0u);

    // A new transparent colour re-keys the surfaces that exist.
    keyed->SetTransparentColor(clBlack);
    Clear(0x1234);
    Draw(*keyed, &Back(), 20, 0, 0);
    EXPECT_EQ(At(23, 2), kWhite565);
    EXPECT_EQ(At(23, 7), 0x1234u);
}

TEST_F(Display, DrawClipsAtTheEdgesAndIgnoresMissingPatterns) {
    TPictureCollectionItem* item = Player();
    item->Transparent = false;
    dxdraw->Initialize();

    Clear();
    Draw(*item, &Back(), -10, 0, 0);
    EXPECT_EQ(ColumnOf(At(0, 0)), 10);
    EXPECT_EQ(ColumnOf(At(49, 0)), 59);
    EXPECT_EQ(At(50, 0), kWhite565);

    Draw(*item, &Back(), 1000, 740, 0);
    EXPECT_EQ(ColumnOf(At(1023, 767)), 23);
    EXPECT_EQ(RowOf(At(1023, 767)), 27);

    Clear();
    Draw(*item, &Back(), 100, 100, 1);
    Draw(*item, &Back(), 100, 100, -1);
    Draw(*item, &Back(), 1025, 100, 0);
    Draw(*item, &Back(), -60, 100, 0);
    for (int x : {0, 100, 130, 159, 1023}) EXPECT_EQ(At(x, 110), kWhite565) << x;
    // As far off as an int reaches, on every side (the edges must not overflow).
    for (int far : {INT_MIN, INT_MIN + 1, -1'000'000'000})
        for (auto [x, y] : {std::pair{far, 0}, {0, far}, {far, far}}) Draw(*item, &Back(), x, y, 0);
    for (int far : {INT_MAX, INT_MAX - 40}) Draw(*item, &Back(), far, far, 0);
    for (int x : {0, 10, 59, 1023}) EXPECT_EQ(At(x, 0), kWhite565) << x;

    // A destination with a clipper gets the rectangle blit.
    Back().AttachClipper(true);
    Draw(*item, &Back(), -10, 0, 0);
    EXPECT_EQ(ColumnOf(At(0, 0)), 10);
}

TEST_F(Display, PatternsAndTiles) {
    // 5000 x 20, patterns of 100 x 10 with a gap of 10 between columns.
    auto stripes = [](int x, int y) { return static_cast<TColor>(((x / 10) % 64) * 4 << 8 | (y * 8)); };
    TPictureCollectionItem* tiled = Add("tiled", Picture24(5000, 20, stripes));
    tiled->PatternWidth = 100;
    tiled->PatternHeight = 10;
    tiled->SkipWidth = 10;
    tiled->Transparent = false;
    TPictureCollectionItem* whole = Add("whole", Picture24(5000, 20, stripes));
    whole->PatternWidth = 100;
    whole->PatternHeight = 10;
    whole->SkipWidth = 10;
    whole->SystemMemory = true;
    whole->Transparent = false;
    // 1 x 1 patterns: one for each pixel, none of them stored.
    TPictureCollectionItem* dots = Add("dots", Picture24(5000, 20, stripes));
    dots->PatternWidth = dots->PatternHeight = 1;
    // Skips far past the picture: one pattern, and no stride overflows.
    TPictureCollectionItem* far = Add("far", Picture24(5000, 20, stripes));
    far->PatternWidth = 100;
    far->PatternHeight = 10;
    far->SkipWidth = INT_MAX;
    far->SkipHeight = INT_MAX - 5;
    dxdraw->Initialize();

    EXPECT_EQ(PatternCount(*dots), 5000 * 20);
    EXPECT_EQ(Pattern(*dots, 5000 * 20 - 1)->Rect.left, 4999 % TileSize(1, 5000));
    EXPECT_EQ(Pattern(*dots, 5000 * 20 - 1)->Rect.top, 19);
    EXPECT_FALSE(Pattern(*dots, 5000 * 20));
    // (5000 + SkipWidth) div (100 + SkipWidth) = 1, likewise for the rows.
    ASSERT_EQ(PatternCount(*far), 1);
    EXPECT_EQ(Pattern(*far, 0)->Rect.right, 100);
    EXPECT_EQ(Pattern(*far, 0)->Rect.bottom, 10);

    EXPECT_EQ(TileSize(110, 45), 2090);
    EXPECT_EQ(TileSize(110, 5), 550);
    EXPECT_EQ(TileSize(0, 5), 0);
    // (5000 + 10) div 110 = 45 columns, 20 div 10 = 2 rows.
    ASSERT_EQ(PatternCount(*tiled), 90);
    ASSERT_EQ(PatternCount(*whole), 90);
    const auto& tiles = static_cast<const TItemSurfaces*>(tiled->Surfaces())->Surfaces;
    ASSERT_EQ(tiles.size(), 3u);  // 2090 + 2090 + 820 across, one row of 20
    EXPECT_EQ(tiles[2]->Width(), 820);
    EXPECT_EQ(tiles[0]->Height(), 20);
    EXPECT_EQ(static_cast<const TItemSurfaces*>(whole->Surfaces())->Surfaces.size(), 1u);

    const std::optional<TPictureCollectionItemPattern> p = Pattern(*tiled, 20);  // x = 2200: tile 1 at 110
    EXPECT_EQ(p->Surface, tiles[1].get());
    EXPECT_EQ(p->Rect.left, 110);
    EXPECT_EQ(Pattern(*tiled, 45 + 19)->Rect.top, 10);  // second row, x = 2090
    EXPECT_EQ(Pattern(*tiled, 45 + 19)->Rect.left, 0);
    EXPECT_EQ(Pattern(*whole, 20)->Rect.left, 2200);

    for (TPictureCollectionItem* item : {tiled, whole}) {
        Clear();
        Draw(*item, &Back(), 0, 0, 45 + 20);
        EXPECT_EQ(At(0, 0), Back().Pixel(0, 0));
        EXPECT_EQ((At(0, 0) >> 5) & 63, (2200 / 10) % 64u);
        EXPECT_EQ((At(99, 9) >> 5) & 63, (2299 / 10) % 64u);
        EXPECT_EQ(At(0, 0) >> 11, 10u);  // row 10 of the picture
        EXPECT_EQ(At(100, 0), kWhite565);
        EXPECT_EQ(At(0, 10), kWhite565);
    }
}

TEST_F(Display, SurfacesThatCannotBeMadeStopTheBuild) {
    auto huge = std::make_unique<TDIB>();
    huge->SetSize(65536, 2100, 1);
    TPictureCollectionItem* item = Add("huge", std::move(huge));
    try {
        dxdraw->Initialize();
        ADD_FAILURE() << "nothing thrown";
    } catch (const EDirectDrawSurfaceError& e) {
        EXPECT_EQ(e.Message(), "Surface cannot be made");
    }
    EXPECT_EQ(PatternCount(*item), 0);
}

TEST_F(Display, IconsAndEmptyPicturesDrawNothing) {
    TPictureCollectionItem* none = list->Items()->Add();
    none->SetName("p1");
    TPictureCollectionItem* icon = Add("ico", std::make_unique<TIcon>());
    dxdraw->Initialize();
    EXPECT_EQ(PatternCount(*none), 0);
    EXPECT_EQ(PatternCount(*icon), 0);
    Clear();
    Draw(*none, &Back(), 0, 0, 0);
    DrawRotated(*icon, &Back(), 30, 0, 60, 76, 0, 0.5, 0.0, 0.0f);
    EXPECT_EQ(At(0, 0), kWhite565);
}

TEST_F(Display, ColorToPixelMatchesPicturesOfEveryDepth) {
    dxdraw->Initialize();
    TDirectDraw* draw = dxdraw->DDraw();
    TDirectDrawSurface target(draw);
    target.SetSize(4, 4);
    target.SetPixel(0, 0, 0x1357);

    for (TColor colour : {clWhite, clBlack, clRed, TColor(0x123456), TColor(0x0A0B0C), clBtnFace, clHighlight}) {
        const uint32_t key = ColorToPixel(target, colour);
        EXPECT_EQ(target.Pixel(0, 0), 0x1357u);
        const TColor rgb = ResolveColor(colour);

        TDIB dib8;
        dib8.SetSize(2, 1, 8);
        TRGBQuads table{};
        table[3] = {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb), 0};
        dib8.SetColorTable(table);
        dib8.ScanLine(0)[1] = 3;
        auto dib24 = Picture24(2, 1, [rgb](int, int) { return rgb; });
        TDIB dib32;
        dib32.SetSize(2, 1, 32);
        const uint32_t p32 = (uint32_t(rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
        std::memcpy(dib32.ScanLine(0) + 4, &p32, 4);

        for (TGraphic* g : std::initializer_list<TGraphic*>{&dib8, dib24.get(), &dib32}) {
            auto surface = MakePictureSurface(draw, g, {0, 0, 2, 1}, false, colour);
            EXPECT_EQ(surface->Pixel(1, 0), key) << std::hex << colour << " at " << static_cast<TDIB*>(g)->BitCount();
            EXPECT_EQ(surface->Description().ColorKey, key);
        }
    }
    EXPECT_EQ(ColorToPixel(target, clWhite), kWhite565);
    EXPECT_EQ(ColorToPixel(target, clRed), 0xF800u);
    // A system colour takes the system's current value (the classic silver
    // button face where the system has no scheme of its own).
    EXPECT_EQ(ColorToPixel(target, clBtnFace), ColorToPixel(target, TColor(platform::SystemColorValue(15))));
}

TEST_F(Display, LossAndRestoreRedrawTheSamePixels) {
    TPictureCollectionItem* player = Player();
    TPictureCollectionItem* bg =
        Add("p1", Picture24(1024, 768, [](int x, int y) { return TColor((x ^ y) * 0x010203); }));
    bg->Transparent = false;
    dxdraw->Initialize();
    auto frame = [&] {
        Draw(*bg, &Back(), 0, 0, 0);
        DrawRotated(*player, &Back(), 500, 300, -60, 76, 0, 0.5, 0.0, 0.0f);
        std::vector<uint32_t> pixels;
        for (int y = 290; y < 390; y += 3)
            for (int x = 0; x < 1024; x += 7) pixels.push_back(At(x, y));
        return pixels;
    };
    const std::vector<uint32_t> before = frame();
    platform::MarkAllSurfacesLost();
    ASSERT_TRUE(dxdraw->CanDraw());  // restores, and the lists rebuild
    EXPECT_EQ(At(5, 5), 0u);         // cleared to black
    EXPECT_EQ(frame(), before);
}

// ---------------------------------------------------------------------------
// DrawRotated.

TEST_F(Display, PlayerFacingLeftAndRight) {
    TPictureCollectionItem* player = Player();
    dxdraw->Initialize();
    const int x = 200, y = 100;

    Clear();
    DrawRotated(*player, &Back(), x, y, 60, 76, 0, 0.5, 0.0, 0.0f);
    EXPECT_EQ(At(x - 31, y), kWhite565);
    EXPECT_EQ(At(x + 30, y), kWhite565);
    for (int k = 0; k < 60; ++k) ASSERT_EQ(ColumnOf(At(x - 30 + k, y + 5)), k) << k;
    for (int j = 0; j < 76; ++j) ASSERT_EQ(RowOf(At(x, y + j)), j) << j;
    EXPECT_EQ(At(x, y - 1), kWhite565);
    EXPECT_EQ(At(x, y + 76), kWhite565);

    Clear();
    DrawRotated(*player, &Back(), x, y, -60, 76, 0, 0.5, 0.0, 0.0f);
    EXPECT_EQ(At(x - 30, y), kWhite565);  // source column 0 is never shown
    EXPECT_EQ(At(x + 30, y), kWhite565);
    for (int c = x - 29; c <= x + 29; ++c) ASSERT_EQ(ColumnOf(At(c, y + 5)), 59 - (c - (x - 29))) << c;
    for (int j = 0; j < 76; ++j) ASSERT_EQ(RowOf(At(x, y + j)), j) << j;

    // Near the left edge only columns 0..39 are drawn.
    Clear();
    DrawRotated(*player, &Back(), 10, y, 60, 76, 0, 0.5, 0.0, 0.0f);
    for (int c = 0; c < 40; ++c) ASSERT_EQ(ColumnOf(At(c, y)), 20 + c) << c;
    EXPECT_EQ(At(40, y), kWhite565);
    Clear();
    DrawRotated(*player, &Back(), 10, y, -60, 76, 0, 0.5, 0.0, 0.0f);
    for (int c = 0; c < 40; ++c) ASSERT_EQ(ColumnOf(At(c, y)), 40 - c) << c;
    EXPECT_EQ(At(40, y), kWhite565);

    // The key: white pixels of the picture leave the frame unchanged.
    TPictureCollectionItem* ring = Add("ring", Picture24(20, 20, [](int x, int) { return x < 10 ? clWhite : clBlue; }));
    ring->SetTransparentColor(clWhite);
    list->Items()->Restore();
    Clear(0x0841);
    DrawRotated(*ring, &Back(), 50, 50, 20, 20, 0, 0.5, 0.5, 0.0f);
    EXPECT_EQ(At(42, 50), 0x0841u);
    EXPECT_EQ(At(55, 50), 0x001Fu);

    // Nothing for sizes of 0, patterns out of range or a missing surface.
    Clear();
    DrawRotated(*player, &Back(), x, y, 0, 76, 0, 0.5, 0.0, 0.0f);
    DrawRotated(*player, &Back(), x, y, 60, 0, 0, 0.5, 0.0, 0.0f);
    DrawRotated(*player, &Back(), x, y, 60, 76, 1, 0.5, 0.0, 0.0f);
    DrawSurfaceRotated(Back(), x, y, 60, 76, {0, 0, 61, 76}, Pattern(*player, 0)->Surface, 0.5, 0, false, 0);
    EXPECT_EQ(At(x, y + 5), kWhite565);
    EXPECT_EQ(Back().LockCount(), 0);
    EXPECT_EQ(Pattern(*player, 0)->Surface->LockCount(), 0);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5f), 0);
    EXPECT_EQ(RoundHalfEven(1.5f), 2);
    EXPECT_EQ(RoundHalfEven(2.5f), 2);
    EXPECT_EQ(RoundHalfEven(-0.5f), 0);
    EXPECT_EQ(RoundHalfEven(-1.5f), -2);
    EXPECT_EQ(RoundHalfEven(2.51f), 3);
    EXPECT_EQ(RoundHalfEven(-2.6f), -3);
}

// The rotated draw pixel by pixel, straight from its definition: every
// destination pixel of a row of the box is mapped back to the source on its
// own, and drawn when its step stays inside the source rectangle.
struct Reference {
    int dest_w, dest_h;
    std::vector<uint32_t> dest;  // raw pixels, row by row
    int src_w, src_h;
    std::vector<uint32_t> src;
    std::optional<uint32_t> key;

    void Draw(int X, int Y, int Width, int Height, Rect r, double cx, double cy, float angle) {
        const int a = RoundHalfEven(angle);
        auto cos_of = [](int i) { return std::cos(2.0 * std::numbers::pi * ((i % 256 + 256) % 256) / 256.0); };
        auto sin_of = [&](int i) { return cos_of(i + 192); };
        int64_t min_x = INT64_MAX, max_x = INT64_MIN, min_y = INT64_MAX, max_y = INT64_MIN;
        for (int px : {0, Width})
            for (int py : {0, Height}) {
                const double c = std::trunc(px - Width * cx), d = std::trunc(py - Height * cy);
                const int64_t x = static_cast<int64_t>(std::trunc(c * cos_of(a) - d * sin_of(a))) + X;
                const int64_t y = static_cast<int64_t>(std::trunc(c * sin_of(a) + d * cos_of(a))) + Y;
                min_x = std::min(min_x, x), max_x = std::max(max_x, x);
                min_y = std::min(min_y, y), max_y = std::max(max_y, y);
            }
        min_x = std::max<int64_t>(min_x, 0), min_y = std::max<int64_t>(min_y, 0);
        max_x = std::min<int64_t>(max_x, dest_w), max_y = std::min<int64_t>(max_y, dest_h);
        if (max_x - min_x < 1 || max_y - min_y < 1 || max_x < 1 || max_y < 1) return;
        const int64_t sw = r.right - r.left, sh = r.bottom - r.top;
        const int64_t cu = static_cast<int64_t>(std::trunc(cos_of(-a) * 65536));
        const int64_t su = static_cast<int64_t>(std::trunc(sin_of(-a) * 65536));
        const int64_t dudx = sw * cu / Width, dvdx = sh * su / Height;
        const int64_t dudy = -(sw * su / Width), dvdy = sh * cu / Height;
        const int64_t l = int64_t(r.left) << 16, rr = int64_t(r.right) << 16;
        const int64_t t = int64_t(r.top) << 16, b = int64_t(r.bottom) << 16;
        auto inside = [](int64_t p, int64_t step, int64_t lo, int64_t hi) {
            if (step > 0) return p >= lo && p + step <= hi;
            if (step < 0) return p < hi && p + step >= lo;
            return p >= lo && p < hi;
        };
        // Along an axis the row does not step on, the count of a row is
        // also capped by the distance to the far edge in 1/65536 units.
        auto cap = [](int64_t p, int64_t step, int64_t hi) { return step == 0 ? hi - p : INT64_MAX; };
        for (int64_t y = min_y; y < max_y; ++y) {
            int64_t first = -1;
            for (int64_t x = min_x; x < dest_w; ++x) {
                const int64_t u =
                    static_cast<int64_t>(std::trunc(cx * sw * 65536)) + (x - X) * dudx + (y - Y) * dudy + l;
                const int64_t v =
                    static_cast<int64_t>(std::trunc(cy * sh * 65536)) + (x - X) * dvdx + (y - Y) * dvdy + t;
                if (!inside(u, dudx, l, rr) || !inside(v, dvdx, t, b)) continue;
                if (first < 0) first = x;
                if (x - first >= std::min(cap(u, dudx, rr), cap(v, dvdx, b))) continue;
                const uint32_t texel = src[static_cast<size_t>((v >> 16) * src_w + (u >> 16))];
                if (key && texel == *key) continue;
                dest[static_cast<size_t>(y * dest_w + x)] = texel;
            }
        }
    }
};

TEST_F(Display, RotatedDrawsMatchThePixelByPixelDefinition) {
    TPictureCollectionItem* sprite = Add(
        "hop", Picture24(37, 23, [](int x, int y) { return ((x + y) % 7 == 0) ? clWhite : ColumnRowColour(x, y); }));
    sprite->SetTransparentColor(clWhite);
    dxdraw->Initialize();
    TDirectDrawSurface* source = Pattern(*sprite, 0)->Surface;

    struct Case {
        int x, y, width, height;
        Rect src;
        double cx, cy;
        float angle;
    };
    const Case cases[] = {
        {300, 200, 37, 23, {0, 0, 37, 23}, 0.5, 0.5, 17.5f},  // rounds to 18
        {300, 200, -37, 23, {0, 0, 37, 23}, 0.5, 0.5, 32.0f},
        {300, 200, 74, 46, {0, 0, 37, 23}, 0.25, 0.75, 64.0f},
        {300, 200, 50, -30, {3, 2, 30, 20}, 0.5, 0.5, 100.4f},
        {5, 5, 37, 23, {0, 0, 37, 23}, 0.5, 0.5, -40.0f},
        {1020, 765, 60, 40, {0, 0, 37, 23}, 0.0, 0.0, 128.0f},
        {400, 300, 37, 23, {0, 0, 37, 23}, 0.5, 0.0, 200.5f},  // rounds to 200
        {400, 300, 20, 90, {0, 0, 37, 23}, 0.3, 0.6, 2.5f},    // rounds to 2
    };
    for (const Case& c : cases) {
        Clear(0x0841);
        Reference ref{1024, 768, std::vector<uint32_t>(1024 * 768, 0x0841), 37, 23, {}, source->Description().ColorKey};
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) ref.src.push_back(source->Pixel(x, y));
        ref.Draw(c.x, c.y, c.width, c.height, c.src, c.cx, c.cy, c.angle);
        DrawSurfaceRotated(Back(), c.x, c.y, c.width, c.height, c.src, source, c.cx, c.cy, true, c.angle);

        void* bits = nullptr;
        int pitch = 0;
        ASSERT_TRUE(Back().Lock(&bits, &pitch));
        int wrong = 0, drawn = 0;
        for (int y = 0; y < 768; ++y) {
            const auto* row = reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(bits) + y * pitch);
            for (int x = 0; x < 1024; ++x) {
                const uint32_t want = ref.dest[static_cast<size_t>(y * 1024 + x)];
                if (want != 0x0841) ++drawn;
                if (row[x] != want && ++wrong < 6)
                    ADD_FAILURE() << x << "," << y << " got " << std::hex << row[x] << " want " << want << std::dec;
            }
        }
        Back().Unlock();
        EXPECT_EQ(wrong, 0) << "angle " << c.angle << " at " << c.x << "," << c.y;
        EXPECT_GT(drawn, 0) << "angle " << c.angle;
    }
}

// ---------------------------------------------------------------------------
// A picture reaches a surface when a pattern on it is first drawn.

// ColumnRowColour of the column modulo 64: any width.
TColor ColumnModRowColour(int x, int y) { return ColumnRowColour(x % 64, y); }

// Tiles of a picture cut into patterns wait until a pattern on them is
// drawn, and then show the picture as it was when the surfaces were built,
// whatever happened to the item's picture since.
TEST_F(Display, SurfacesGetThePictureAsBuiltWhenFirstDrawn) {
    TPictureCollectionItem* strip = Add("strip", Picture24(5000, 20, ColumnModRowColour));
    strip->PatternWidth = 100;
    strip->PatternHeight = 10;
    strip->Transparent = false;
    dxdraw->Initialize();
    const auto* set = static_cast<const TItemSurfaces*>(strip->Surfaces());
    ASSERT_EQ(set->Surfaces.size(), 3u);  // 2000 + 2000 + 1000 across
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(set->Waiting(i)) << i;

    // The item's pixels change where the last tile shows them...
    TDIB* picture = GraphicPixels(strip->Picture()->Graphic());
    for (int x = 4500; x < 4600; ++x) picture->SetPixel(x, 3, 0);
    Clear();
    Draw(*strip, &Back(), 0, 0, 45);  // columns 4500..4599, rows 0..9: the last tile
    EXPECT_TRUE(set->Waiting(0));
    EXPECT_TRUE(set->Waiting(1));
    EXPECT_FALSE(set->Waiting(2));
    for (int x = 0; x < 100; x += 9) {
        EXPECT_EQ(ColumnOf(At(x, 3)), (4500 + x) % 64) << x;
        EXPECT_EQ(RowOf(At(x, 3)), 3) << x;
    }
    EXPECT_EQ(At(100, 3), kWhite565);

    // ... and then the picture is replaced and the old one freed.
    strip->Picture()->SetGraphic(Picture24(5000, 20, [](int, int) { return clRed; }));
    Draw(*strip, &Back(), 0, 20, 0);
    EXPECT_FALSE(set->Waiting(0));
    EXPECT_EQ(ColumnOf(At(0, 20)), 0);
    EXPECT_EQ(RowOf(At(0, 20)), 0);
    EXPECT_EQ(ColumnOf(At(99, 29)), 99 % 64);
    EXPECT_EQ(RowOf(At(99, 29)), 9);
}

// A picture whose surface is lost before its first draw draws nothing until
// the restore, and its picture after it.
TEST_F(Display, ASurfaceLostBeforeItsFirstDrawShowsThePictureAfterTheRestore) {
    TPictureCollectionItem* bg = Add("p1", Picture24(1024, 768, ColumnModRowColour));
    bg->Transparent = false;
    dxdraw->Initialize();
    platform::MarkAllSurfacesLost();
    Draw(*bg, &Back(), 0, 0, 0);     // both surfaces lost: nothing happens
    ASSERT_TRUE(dxdraw->CanDraw());  // restores, and the list rebuilds
    Clear();
    Draw(*bg, &Back(), 0, 0, 0);
    for (int y = 0; y < 768; y += 67)
        for (int x = 0; x < 1024; x += 101) {
            ASSERT_EQ(ColumnOf(At(x, y)), x % 64) << x << "," << y;
            ASSERT_EQ(RowOf(At(x, y)), y) << x << "," << y;
        }
}

}  // namespace
}  // namespace klice
