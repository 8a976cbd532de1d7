#include "display/display_modes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "display/direct_draw.h"
#include "display/dxdraws.h"

namespace klice {
namespace {

// The game's request: 1024 x 768 at 16 bits, any depth above 8, 4:3 first,
// larger sizes allowed.
TDisplayModeRequest GameRequest() { return {1024, 768, 16, false, true, false}; }

struct Outcome {
    bool ok = false;
    TDisplayMode mode{};
    std::vector<TDisplayMode> tried;
};

// Runs the change against a display that offers exactly `modes`.
Outcome Change(std::vector<TDisplayMode> modes, const TDisplayModeRequest& request) {
    SortDisplayModes(modes);
    Outcome out;
    auto set_mode = [&](const TDisplayMode& m) {
        out.tried.push_back(m);
        return std::any_of(modes.begin(), modes.end(), [&](const TDisplayMode& o) {
            return o.width == m.width && o.height == m.height && o.bits == m.bits;
        });
    };
    out.ok = ChangeDisplayMode(modes, request, set_mode, &out.mode);
    return out;
}

void ExpectMode(const Outcome& out, int w, int h, int bits) {
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.mode.width, w);
    EXPECT_EQ(out.mode.height, h);
    EXPECT_EQ(out.mode.bits, bits);
}

std::vector<TDisplayMode> Classic() {
    std::vector<TDisplayMode> modes;
    for (auto [w, h] : {std::pair{640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}})
        for (int bits : {8, 16, 24, 32}) modes.push_back({w, h, bits});
    return modes;
}

TEST(ChangeDisplayMode, GameModeOfferedIsSetExactly) {
    Outcome out = Change(Classic(), GameRequest());
    ExpectMode(out, 1024, 768, 16);
    EXPECT_EQ(out.tried.size(), 1u);
}

TEST(ChangeDisplayMode, LargerDepthAtTheRequestedSize) {
    ExpectMode(Change({{800, 600, 16}, {1024, 768, 8}, {1024, 768, 32}, {1280, 960, 16}}, GameRequest()), 1024, 768,
               32);
    // Without 16 bits the size's largest depth wins.
    ExpectMode(Change({{1024, 768, 24}, {1024, 768, 32}}, GameRequest()), 1024, 768, 32);
}

TEST(ChangeDisplayMode, OnlyPalettizedModesFail) {
    Outcome out = Change({{640, 480, 8}, {1024, 768, 8}, {1600, 1200, 8}}, GameRequest());
    EXPECT_FALSE(out.ok);
    // Only the exact mode was ever asked for.
    ASSERT_EQ(out.tried.size(), 1u);
}

TEST(ChangeDisplayMode, SmallestLargerModeOfTheSameRatio) {
    // No 1024 x 768: the smallest 4:3 mode above it, at 16 bits if offered there.
    ExpectMode(
        Change({{800, 600, 16}, {1152, 864, 16}, {1152, 864, 32}, {1280, 960, 16}, {1280, 1024, 16}}, GameRequest()),
        1152, 864, 16);
    // ... and at its largest depth when it has no 16 bits.
    ExpectMode(Change({{800, 600, 16}, {1152, 864, 24}, {1152, 864, 32}, {1280, 960, 16}}, GameRequest()), 1152, 864,
               32);
}

TEST(ChangeDisplayMode, RatioRuleFallsBackToAnyRatio) {
    ExpectMode(Change({{800, 600, 16}, {1280, 1024, 16}, {1280, 1024, 32}}, GameRequest()), 1280, 1024, 16);
    TDisplayModeRequest strict = GameRequest();
    strict.FixedRatio = false;
    // Without the ratio rule the 5:4 mode is found before the larger 4:3 one.
    ExpectMode(Change({{1280, 960, 16}, {1280, 1024, 16}, {1152, 900, 16}}, strict), 1152, 900, 16);
    ExpectMode(Change({{1280, 960, 16}, {1280, 1024, 16}, {1152, 900, 16}}, GameRequest()), 1280, 960, 16);
}

TEST(ChangeDisplayMode, FixedSizeAndFixedBitCount) {
    TDisplayModeRequest fixed_size = GameRequest();
    fixed_size.FixedSize = true;
    EXPECT_FALSE(Change({{1280, 960, 16}}, fixed_size).ok);
    ExpectMode(Change({{1024, 768, 32}, {1280, 960, 16}}, fixed_size), 1024, 768, 32);

    TDisplayModeRequest fixed_bits = GameRequest();
    fixed_bits.FixedBitCount = true;
    EXPECT_FALSE(Change({{1024, 768, 24}, {1024, 768, 32}}, fixed_bits).ok);
    ExpectMode(Change({{1024, 768, 32}, {1280, 960, 16}}, fixed_bits), 1280, 960, 16);
}

TEST(ChangeDisplayMode, PalettizedRequestsNeedAtLeastTheirDepth) {
    TDisplayModeRequest eight{640, 480, 8, false, true, false};
    ExpectMode(Change({{640, 480, 16}}, eight), 640, 480, 16);
    TDisplayModeRequest deep{640, 480, 24, false, true, false};
    // Both at 9 bits or more: a smaller depth is accepted too.
    ExpectMode(Change({{640, 480, 16}}, deep), 640, 480, 16);
}

TEST(ChangeDisplayMode, InvalidRequestsFailWithoutTouchingTheDisplay) {
    for (TDisplayModeRequest r :
         {TDisplayModeRequest{0, 768, 16}, TDisplayModeRequest{1024, -1, 16}, TDisplayModeRequest{1024, 768, 15}}) {
        Outcome out = Change(Classic(), r);
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(out.tried.empty());
    }
}

TEST(SortDisplayModes, ByWidthThenHeightThenBits) {
    std::vector<TDisplayMode> modes{{1024, 768, 32}, {800, 600, 16}, {1024, 600, 16}, {1024, 768, 8}};
    SortDisplayModes(modes);
    std::vector<std::tuple<int, int, int>> got;
    for (auto& m : modes) got.emplace_back(m.width, m.height, m.bits);
    EXPECT_EQ(got, (std::vector<std::tuple<int, int, int>>{
                       {800, 600, 16}, {1024, 600, 16}, {1024, 768, 8}, {1024, 768, 32}}));
}

TEST(TDXDrawDisplay, DefaultsAndSetters) {
    TDXDraw dxdraw(nullptr);
    TDXDrawDisplay& d = dxdraw.Display();
    EXPECT_EQ(d.Width(), 640);
    EXPECT_EQ(d.Height(), 480);
    EXPECT_EQ(d.BitCount(), 16);
    EXPECT_FALSE(d.FixedBitCount);
    EXPECT_TRUE(d.FixedRatio);
    EXPECT_TRUE(d.FixedSize);
    d.SetWidth(-3);
    d.SetHeight(-1);
    EXPECT_EQ(d.Width(), 0);
    EXPECT_EQ(d.Height(), 0);
    for (int bits : {8, 16, 24, 32}) {
        d.SetBitCount(bits);
        EXPECT_EQ(d.BitCount(), bits);
    }
    for (int bits : {0, 1, 4, 15, 64}) {
        try {
            d.SetBitCount(bits);
            ADD_FAILURE() << bits;
        } catch (const EDirectDrawError& e) {
            EXPECT_STREQ(e.what(), "Display requires 8, 16, 24 or 32 bits");
        }
    }
    EXPECT_EQ(d.BitCount(), 32);
}

TEST(TDXDrawOptions, EffectiveOptions) {
    // The set the game stores.
    TDXDrawOptions game{doFullScreen,   doAllowReboot, doWaitVBlank,  doCenter,
                        doRetainedMode, doHardware,    doSelectDriver};
    EXPECT_EQ(EffectiveOptions(game), (TDXDrawOptions{doFullScreen, doAllowReboot, doWaitVBlank, doCenter}));
    EXPECT_EQ(game.Bits(), 0b0011'1000'1000'1101);

    // The defaults: windowed, so the full-screen options go; 3D stays.
    EXPECT_EQ(EffectiveOptions(kDefaultDXDrawOptions),
              (TDXDrawOptions{doWaitVBlank, doCenter, do3D, doDirectX7Mode, doSelectDriver}));

    TDXDrawOptions with3d{doFullScreen, doFlip, doSystemMemory, do3D, doRetainedMode, doHardware, doZBuffer};
    EXPECT_EQ(EffectiveOptions(with3d),
              (TDXDrawOptions{doFullScreen, doSystemMemory, do3D, doRetainedMode, doZBuffer}));
    TDXDrawOptions windowed{doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip, doStretch};
    EXPECT_EQ(EffectiveOptions(windowed), (TDXDrawOptions{doStretch}));
    EXPECT_EQ(EffectiveOptions(TDXDrawOptions{do3D, doDirectX7Mode, doRetainedMode}),
              (TDXDrawOptions{do3D, doDirectX7Mode}));
}

TEST(TDXDrawOptions, AssignedWhileNotInitialized) {
    TDXDraw dxdraw(nullptr);
    EXPECT_EQ(dxdraw.Options(), kDefaultDXDrawOptions);
    EXPECT_EQ(dxdraw.NowOptions(), EffectiveOptions(kDefaultDXDrawOptions));
    dxdraw.SetOptions({doFullScreen, doFlip, doHardware});
    EXPECT_EQ(dxdraw.NowOptions(), (TDXDrawOptions{doFullScreen, doFlip}));
}

}  // namespace
}  // namespace klice
