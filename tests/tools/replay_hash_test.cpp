// The play tester's state hashes on a small world: a level left by its exit
// at tick 196 into level 2, where changes are planted; the check must name
// the first hashed tick that sees them and the part that moved.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/play_world.h"
#include "tools/play/hash_file.h"
#include "tools/play/play_runner.h"

namespace klice::play {
namespace {

using testing::kFloor;
using testing::kGrey;
using testing::PlayWorld;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Level 1: six keys on the way right, so that holding D leaves it at tick
// 196. Level 2: a floor and a visible hazard moving sideways from tick 201.
struct two_levels {
    explicit two_levels(PlayWorld& w) : w(w) {
        level_record one = testing::flat_level();
        for (int i = 0; i < 6; ++i) {
            one.objects[i].x = 200 + 100 * i;
            one.objects[i].y = 559;
            one.objects[i].active = 1;
        }
        w.set_level(1, one);
        two = testing::flat_level();
        two.al_count = 1;
        level_object& al = two.objects[kAlSlot];
        al.x = 700;
        al.y = 200;
        al.dx = 2;
        al.range = 40;
        al.frame = 1;
        w.set_level(2, two);
        w.set_background(2, {kFloor});
        for (const char* name : {"al1", "al2", "al3"}) w.pictures.add("ruzne", name, {30, 30, kGrey, {}});
        std::ofstream(w.path() + "/walk.txt") << "1-250 D\n";
    }
    int run_with(const std::string& hashes, const std::string& check, std::string* out_text, int64_t ticks = 250) {
        options o;
        o.data = w.path();
        o.level = 1;
        o.script = w.path() + "/walk.txt";
        o.ticks = ticks;
        o.hashes = hashes.empty() ? "" : w.path() + "/" + hashes;
        o.check = check.empty() ? "" : w.path() + "/" + check;
        std::ostringstream out;
        const int status = run(o, out);
        *out_text = out.str();
        return status;
    }
    PlayWorld& w;
    level_record two;
};

TEST(ReplayHashes, WrittenEveryHundredTicksAndAtTheLastAndCheckedClean) {
    PlayWorld w;
    two_levels world(w);
    std::string out;
    ASSERT_EQ(world.run_with("base.hashes", "", &out), 0);
    std::vector<int64_t> ticks;
    for (const hash_entry& e : read_hash_file(w.path() + "/base.hashes")) {
        ticks.push_back(e.tick);
        EXPECT_FALSE(e.parts.empty());
    }
    EXPECT_EQ(ticks, (std::vector<int64_t>{100, 200, 250}));

    // The same run gives the same bytes, and checks clean against them.
    ASSERT_EQ(world.run_with("again.hashes", "base.hashes", &out), 0);
    EXPECT_EQ(out, "ticks=250 level=2 completed=1 deaths=0 keys=0\n");
    EXPECT_EQ(read_all(w.path() + "/again.hashes"), read_all(w.path() + "/base.hashes"));
}

TEST(ReplayHashes, APlantedPixelOfABackgroundIsThePixelsAtTheFirstHashAfterItShows) {
    PlayWorld w;
    two_levels world(w);
    std::string out;
    ASSERT_EQ(world.run_with("base.hashes", "", &out), 0);
    // One pixel of level 2's sky, away from the player and the hazard.
    w.set_background(2, {kFloor, {500, 100, 1, 1, kGrey}});
    EXPECT_EQ(world.run_with("", "base.hashes", &out), kHashesDiffer);
    const std::vector<std::string> lines = lines_of(out);
    ASSERT_EQ(lines.size(), 2u) << out;
    EXPECT_EQ(lines[0], "mismatch at tick 200: pixels (" + w.path() + "/base.hashes:6)");
    // The check stops at the first mismatch.
    EXPECT_EQ(lines[1], "ticks=200 level=2 completed=1 deaths=0 keys=0");
}

TEST(ReplayHashes, APlantedHazardOneTickLateIsTheObjects) {
    PlayWorld w;
    two_levels world(w);
    std::string out;
    ASSERT_EQ(world.run_with("base.hashes", "", &out), 0);
    // The hazard one step back with one step fewer done: from its first
    // move on it is where it would have been a tick before.
    level_object& al = world.two.objects[kAlSlot];
    al.x -= al.dx;
    al.steps -= 1;
    w.set_level(2, world.two);
    EXPECT_EQ(world.run_with("", "base.hashes", &out), kHashesDiffer);
    EXPECT_EQ(lines_of(out).at(0),
              "mismatch at tick 200: objects, path of ticks 101-200, pixels (" + w.path() + "/base.hashes:6)");
}

TEST(ReplayHashes, AChangedStartRowIsNamedByItsFields) {
    PlayWorld w;
    two_levels world(w);
    std::string out;
    ASSERT_EQ(world.run_with("base.hashes", "", &out), 0);
    world.two.start_y -= 8;  // starts higher and falls onto the same floor
    w.set_level(2, world.two);
    EXPECT_EQ(world.run_with("", "base.hashes", &out), kHashesDiffer);
    const std::string first = lines_of(out).at(0);
    EXPECT_EQ(first.rfind("mismatch at tick 200: record.start_y 496 -> 488, ", 0), 0u) << first;
    EXPECT_EQ(first.find("objects"), std::string::npos) << first;
}

TEST(ReplayHashes, CheckingWhileWritingGoesOnToTheEnd) {
    PlayWorld w;
    two_levels world(w);
    std::string out;
    ASSERT_EQ(world.run_with("base.hashes", "", &out), 0);
    w.set_background(2, {kFloor, {500, 100, 1, 1, kGrey}});
    EXPECT_EQ(world.run_with("new.hashes", "base.hashes", &out), kHashesDiffer);
    EXPECT_EQ(lines_of(out).back(), "ticks=250 level=2 completed=1 deaths=0 keys=0");
    EXPECT_EQ(world.run_with("", "new.hashes", &out), 0) << out;
}

TEST(ReplayHashes, ARunShorterOrLongerThanTheFileDiffers) {
    PlayWorld w;
    two_levels world(w);
    std::string out;
    ASSERT_EQ(world.run_with("base.hashes", "", &out, 200), 0);
    const std::string base = w.path() + "/base.hashes";
    EXPECT_EQ(world.run_with("", "base.hashes", &out, 150), kHashesDiffer);
    EXPECT_EQ(lines_of(out).at(0), "mismatch at tick 150: " + base + ":6 hashes tick 200, this run tick 150");
    EXPECT_EQ(world.run_with("", "base.hashes", &out, 230), kHashesDiffer);
    EXPECT_EQ(lines_of(out).at(0), "mismatch at tick 230: " + base + " ends before this tick");
}

}  // namespace
}  // namespace klice::play
