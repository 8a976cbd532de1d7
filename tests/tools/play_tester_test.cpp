#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "game/screens.h"
#include "input/game_keys.h"
#include "platform/virtual_keys.h"
#include "tests/support/play_world.h"
#include "tools/play/play_runner.h"
#include "tools/play/play_script.h"

namespace klice::play {
namespace {

using klice::testing::PlayWorld;
using namespace klice::game_keys;

TEST(PlayScript, KeysRangesMouseAndComments) {
    script s = parse_script(
        "# a comment line\n"
        "5 D\n"
        "10-12 LEFT W   # trailing comment\n"
        "\n"
        "11 H\n"
        "20 mouse 900 100\n"
        "20 click\n");
    EXPECT_TRUE(s.keys_at(4).empty());
    EXPECT_EQ(s.keys_at(5), (std::set<int32_t>{D}));
    EXPECT_TRUE(s.keys_at(6).empty());
    EXPECT_EQ(s.keys_at(10), (std::set<int32_t>{Left, W}));
    EXPECT_EQ(s.keys_at(11), (std::set<int32_t>{Left, H, W}));
    EXPECT_EQ(s.keys_at(12), (std::set<int32_t>{Left, W}));
    EXPECT_TRUE(s.keys_at(13).empty());
    std::vector<script::mouse_event> m = s.mouse_at(20);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_FALSE(m[0].click);
    EXPECT_EQ(m[0].x, 900);
    EXPECT_EQ(m[0].y, 100);
    EXPECT_TRUE(m[1].click);
    EXPECT_EQ(s.last_tick(), 20);
}

TEST(PlayScript, EveryKeyNameHasItsCode) {
    script s = parse_script("1 LEFT RIGHT UP DOWN A D W H ESC ENTER\n");
    EXPECT_EQ(s.keys_at(1), (std::set<int32_t>{Left, Right, Up, platform::vk::Down, A, D, W, H, Escape, Enter}));
}

TEST(PlayScript, BadLinesNameTheirLine) {
    for (const char* text : {"x D\n", "0 D\n", "5\n", "5 Q\n", "9-3 D\n", "4 mouse 1\n", "4-6 click\n", "4 click 3\n",
                             "4 mouse a b\n", "d\n5 D\n"}) {
        try {
            parse_script(std::string("# ok\n") + text);
            ADD_FAILURE() << text;
        } catch (const script_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("line 2: ", 0), 0u) << e.what();
        }
    }
}

TEST(PlayOptions, CommandLine) {
    options o = parse_options({"--data", "d", "--level", "7", "--ticks", "600", "--frames", "out", "--every", "100",
                               "--log", "l.json", "--sound"});
    EXPECT_EQ(o.data, "d");
    EXPECT_EQ(o.level, 7);
    EXPECT_EQ(o.ticks, 600);
    EXPECT_EQ(o.frames, "out");
    EXPECT_EQ(o.every, 100);
    EXPECT_EQ(o.log, "l.json");
    EXPECT_TRUE(o.sound);
    EXPECT_EQ(parse_options({"--script", "s"}).script, "s");
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{{},
                                                                              {"--ticks"},
                                                                              {"--ticks", "-1"},
                                                                              {"--level", "26", "--ticks", "1"},
                                                                              {"--level", "0", "--ticks", "1"},
                                                                              {"--every", "0", "--ticks", "1"},
                                                                              {"--fast", "--ticks", "1"}})
        EXPECT_THROW(parse_options(bad), std::invalid_argument);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(PlayTester, EntersPlayAtTheLevelLogsEveryTickAndWritesFrames) {
    PlayWorld w;
    const std::string out_dir = w.path() + "/out";
    {
        std::ofstream script(w.path() + "/walk.txt");
        script << "3-10 D\n12 W\n";
    }
    options o;
    o.data = w.path();
    o.level = 1;
    o.ticks = 25;
    o.script = w.path() + "/walk.txt";
    o.frames = out_dir;
    o.every = 10;
    o.log = w.path() + "/log.json";
    std::ostringstream out;
    ASSERT_EQ(run(o, out), 0);
    EXPECT_EQ(out.str(), "ticks=25 level=1 completed=0 deaths=0 keys=0\n");

    std::ifstream log_file(o.log);
    std::stringstream log;
    log << log_file.rdbuf();
    std::vector<std::string> lines = lines_of(log.str());
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0],
              "{\"tick\":1,\"mode\":\"play\",\"level\":1,\"keys_taken\":0,\"player_x\":120,\"player_y\":500,"
              "\"on_ground\":true,\"dying\":false,\"death_frame\":0,\"objects_moving\":false,"
              "\"waves_started\":[6],\"waves_stopped\":[5,4]}");
    EXPECT_NE(lines[9].find("\"player_x\":152"), std::string::npos) << lines[9];  // 8 steps right
    EXPECT_NE(lines[11].find("\"waves_started\":[3]"), std::string::npos) << lines[11];
    EXPECT_NE(lines[11].find("\"player_y\":490"), std::string::npos) << lines[11];

    for (const char* name : {"frame-000010.png", "frame-000020.png", "frame-000025.png"}) {
        std::ifstream png(out_dir + "/" + name, std::ios::binary);
        char signature[8] = {};
        png.read(signature, 8);
        EXPECT_EQ(std::string(signature + 1, 3), "PNG") << name;
    }
}

TEST(PlayTester, StartsWithTheTitleAndPrintsTheErrorBoxTexts) {
    PlayWorld w;
    {
        std::ofstream script(w.path() + "/menu.txt");
        script << "# start level 1 from the menu, then go on to the missing level 2\n"
               << kTitleTicks + 1 << " mouse " << kStartBox.centre_x() << " " << kStartBox.centre_y() << "\n"
               << kTitleTicks + 2 << " click\n";
    }
    options o;
    o.data = w.path();
    o.script = w.path() + "/menu.txt";
    std::ostringstream out;
    ASSERT_EQ(run(o, out), 0);
    EXPECT_EQ(lines_of(out.str()).back(),
              "ticks=" + std::to_string(kTitleTicks + 2) + " level=1 completed=0 deaths=0 keys=0");

    o.script.clear();
    o.level = 3;  // there is no p3.dat
    o.ticks = 2;
    std::ostringstream missing;
    run(o, missing);
    std::vector<std::string> lines = lines_of(missing.str());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "error: File not found.");
    EXPECT_EQ(lines.back(), "ticks=2 level=3 completed=0 deaths=0 keys=0");
}

TEST(PlayTester, CountsExitsAndDeathsAlsoADeathRightAfterAReload) {
    PlayWorld w;
    level_record one = testing::flat_level();
    for (int i = 0; i < 6; ++i) {
        one.objects[i].x = 200 + 100 * i;
        one.objects[i].y = 559;  // below the side probes, within reach of the top row 500
        one.objects[i].active = 1;
    }
    w.set_level(1, one);
    // Level 2 kills at its start row, so every reload after a death is a
    // new death within the same frame.
    w.set_level(2, testing::flat_level());
    w.set_background(2, {{0, 574, 1024, 40, testing::kRed}});
    {
        std::ofstream script(w.path() + "/exit.txt");
        script << "1-400 D\n";
    }
    options o;
    o.data = w.path();
    o.level = 1;
    o.script = w.path() + "/exit.txt";
    o.ticks = 400;
    std::ostringstream out;
    ASSERT_EQ(run(o, out), 0);
    // The exit at tick 196 (x = 904); deaths start at ticks 197, 279 and 361.
    EXPECT_EQ(lines_of(out.str()).back(), "ticks=400 level=2 completed=1 deaths=3 keys=0");
}

}  // namespace
}  // namespace klice::play
