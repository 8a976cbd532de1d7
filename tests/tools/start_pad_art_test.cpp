// The socket klice-artgen draws around a start plate is paint only: the
// figure reads a background's pixels as empty, deadly or solid, and a
// socket must leave every pixel in its kind, on every map, wherever a
// plate lies, also over spikes, lava, planks, open air and the edges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/artgen/backgrounds.h"

namespace klice::artgen {
namespace {

const std::string kMaps = std::string(KLICE_ASSETS_SOURCE_DIR) + "/pictures/krajina/";

// As the game's 5-6-5 surfaces read a colour back (see assets/README.md).
enum class kind { empty, deadly, solid };
kind kind_of(Rgb c) {
    if (c[0] < 8 && c[1] < 4 && c[2] < 8) return kind::empty;
    if (c[0] >= 248 && c[1] < 4 && c[2] < 8) return kind::deadly;
    return kind::solid;
}

std::vector<std::string> map_names() {
    std::vector<std::string> names;
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 21, 22, 23, 24, 25}) names.push_back("p" + std::to_string(n));
    return names;
}

TEST(StartPadArt, LeavesEveryPixelOfEveryMapInItsKind) {
    // Plates on each floor row at the start column and across the map, some
    // hanging off the picture's edges.
    std::vector<StartPlate> plates;
    for (int y = -8; y < 768; y += 32) plates.push_back({136, y});
    for (int x = -40; x < 1024; x += 96) plates.push_back({x, 736});
    for (int x = -40; x < 1024; x += 96) plates.push_back({x, 760});
    for (const std::string& name : map_names()) {
        const Canvas plain = draw_background(kMaps + name + ".map");
        const Canvas padded = draw_background(kMaps + name + ".map", plates);
        int changed = 0, wrong = 0;
        for (int y = 0; y < plain.H(); ++y)
            for (int x = 0; x < plain.W(); ++x) {
                const Rgb a = plain.Get(x, y), b = padded.Get(x, y);
                if (a != b) ++changed;
                if (kind_of(a) != kind_of(b) && ++wrong <= 3)
                    ADD_FAILURE() << name << " (" << x << ", " << y << ") changes its kind";
            }
        EXPECT_EQ(wrong, 0) << name;
        EXPECT_GT(changed, 0) << name << ": no socket drawn on any floor";
    }
}

TEST(StartPadArt, PaintsTheFloorRoundThePlateAndNothingElse) {
    // Level 1's plate on the top meadow (grass over earth, open air above).
    const StartPlate plate{136, 160};
    const Canvas plain = draw_background(kMaps + "p1.map");
    const Canvas padded = draw_background(kMaps + "p1.map", {plate});
    for (int y = 0; y < plain.H(); ++y)
        for (int x = 0; x < plain.W(); ++x) {
            const bool socket = x >= plate.x - 4 && x < plate.x + 84 && y >= plate.y && y < plate.y + 24;
            if (!socket) {
                ASSERT_EQ(plain.Get(x, y), padded.Get(x, y)) << "(" << x << ", " << y << ") outside the socket";
            }
        }
    // The rim beside the plate and under it, and the hatch where the plate
    // lies, all differ from the grass and earth they replace.
    for (const auto& [x, y] : {std::pair{plate.x - 2, plate.y + 10}, std::pair{plate.x + 81, plate.y + 2},
                               std::pair{plate.x + 40, plate.y + 22}, std::pair{plate.x + 40, plate.y + 10}})
        EXPECT_NE(plain.Get(x, y), padded.Get(x, y)) << "(" << x << ", " << y << ")";
    // The air over the plate stays open: the figure walks onto it.
    EXPECT_EQ(kind_of(padded.Get(plate.x + 40, plate.y - 1)), kind::empty);
}

}  // namespace
}  // namespace klice::artgen
