// What the level checker takes for red, ground and the figure's body, on
// pictures made here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

#include "game/pictures.h"
#include "tools/assets/png_image.h"
#include "tools/leveldesign/scene.h"

namespace klice::leveldesign {
namespace {

namespace fs = std::filesystem;
using assets::PngImage;

struct rect {
    int x, y, w, h;
    std::array<uint8_t, 3> colour;
};

void picture(const fs::path& path, int w, int h, std::array<uint8_t, 3> fill, std::vector<rect> parts) {
    PngImage p;
    p.width = w;
    p.height = h;
    p.pixels.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::array<uint8_t, 3> c = fill;
            for (const rect& r : parts)
                if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) c = r.colour;
            for (int i = 0; i < 3; ++i) p.pixels[(static_cast<size_t>(y) * w + x) * 3 + i] = c[i];
        }
    fs::create_directories(path.parent_path());
    assets::write_png(path.string(), p);
}

class LevelScene : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("klice_scene_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        const std::array<uint8_t, 3> black{0, 0, 0}, white{255, 255, 255}, grey{128, 128, 128};
        // a floor at row 740, a pit of red that rounds to pure red, a dark
        // red that does not, and ground in the exit arrow's path in p2
        picture(root_ / "pictures/krajina/p1.png", 1024, 768, black,
                {{0, 740, 1024, 28, grey}, {300, 740, 64, 28, {250, 2, 5}}, {400, 740, 64, 28, {240, 0, 0}}});
        picture(root_ / "pictures/krajina/p2.png", 1024, 768, black, {{900, 730, 124, 38, grey}});
        picture(root_ / "pictures/ruzne/ctverec.png", 80, 20, grey, {});
        picture(root_ / "pictures/ruzne/sipka.png", 64, 44, white, {});
        picture(root_ / (std::string("pictures/panak/") + pictures::kMusicHint + ".png"), 168, 30, black, {});
        for (const char* kind : {pictures::kFlame, pictures::kSkull, pictures::kTeeth})
            for (int f = 1; f <= 3; ++f)
                picture(root_ / ("pictures/ruzne/" + std::string(kind) + std::to_string(f) + ".png"), 40, 40, black,
                        {{0, 0, f == 2 ? 20 : 40, 40, {255, 0, 0}}});
        for (const char* pose :
             {pictures::kWalk[0], pictures::kWalk[1], pictures::kWalk[2], pictures::kWalk[3], pictures::kJump})
            picture(root_ / ("pictures/panak/" + std::string(pose) + ".png"), 60, 76, white,
                    {{20, 4, 20, 60, {40, 40, 200}}});
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    fs::path root_;
};

TEST_F(LevelScene, RedIsWhatThe16BitSurfaceKeepsAsPureRed) {
    const scene s(root_.string(), "p1");
    game_state_t g{};
    EXPECT_TRUE(s.Red(g, 310, 750));   // 250, 2, 5 widens to pure red
    EXPECT_FALSE(s.Red(g, 410, 750));  // 240, 0, 0 does not
    EXPECT_FALSE(s.Red(g, 100, 750));
    EXPECT_TRUE(s.Ground(100, 750));
    EXPECT_FALSE(s.Ground(100, 600));
    EXPECT_TRUE(s.Ground(-1, 600));  // outside the frame reads as a wall
    EXPECT_TRUE(s.ExitArrowOnBlack());
    EXPECT_FALSE(scene(root_.string(), "p2").ExitArrowOnBlack());
    // The floor's top row under a point in it, and none over black.
    EXPECT_EQ(s.SurfaceAt(100, 750), 740);
    EXPECT_EQ(s.SurfaceAt(100, 600), -1);
}

TEST_F(LevelScene, HazardsAreRedWhereTheirPictureWasDrawnUnlessABlockCoversThem) {
    const scene s(root_.string(), "p1");
    game_state_t g{};
    g.record.al_count = 1;
    level_object& flame = g.record.objects[kAlSlot];
    flame.x = 500;
    flame.y = 100;
    flame.frame = 2;  // the tick drew frame 1: the first picture, 40 wide
    EXPECT_TRUE(s.Red(g, 535, 120));
    flame.frame = 7;  // frame 6 drawn: the second picture, 20 wide
    EXPECT_FALSE(s.Red(g, 535, 120));
    EXPECT_TRUE(s.Red(g, 505, 120));
    g.record.block_count = 1;
    g.record.objects[kBlockSlot].x = 480;
    g.record.objects[kBlockSlot].y = 110;
    EXPECT_FALSE(s.Red(g, 505, 120));  // under the block
    EXPECT_TRUE(s.Red(g, 505, 135));
}

TEST_F(LevelScene, TheBodyIsTheFiguresMiddleAndRedWallsAreItsUpperSidePoints) {
    const scene s(root_.string(), "p1");
    game_state_t g{};
    g.record.al_count = 1;
    level_object& flame = g.record.objects[kAlSlot];
    flame.frame = 2;
    flame.y = 200;
    g.player_y = 190;
    g.facing = 60;
    g.player_x = 560;
    flame.x = 500;  // 500..539: left of the middle band (557..563)
    EXPECT_FALSE(s.BodyOnRed(g));
    flame.x = 520;  // 520..559 reaches it
    EXPECT_TRUE(s.BodyOnRed(g));

    // Facing left, the side points are 17 px left of the middle, at rows 10,
    // 26, 42 and 58 below the top; only a wall there counts.
    flame.x = 510;  // covers column 543, rows 200..239: the points at 200, 216 and 232
    EXPECT_FALSE(s.BodyOnRed(g));
    EXPECT_FALSE(s.RedWallAhead(g));  // no wall was found there
    g.wall_ahead = true;
    EXPECT_TRUE(s.RedWallAhead(g));
    flame.y = 240;  // only the lowest point (248) is on it: that one kills
    EXPECT_FALSE(s.RedWallAhead(g));
}

}  // namespace
}  // namespace klice::leveldesign
