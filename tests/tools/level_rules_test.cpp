// The level checker's rules for play rather than waiting, the exit at the
// arrow, keys that need thought and routes of their own, each shown to catch
// a level planted to break it, on the real game headless.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "tests/support/play_world.h"
#include "tools/assets/png_image.h"
#include "tools/leveldesign/checks.h"
#include "tools/leveldesign/measures.h"
#include "tools/leveldesign/trials.h"

namespace klice::leveldesign {
namespace {

namespace fs = std::filesystem;
using klice::testing::flat_picture;
using klice::testing::kGrey;
using klice::testing::kRed;
using klice::testing::PlayWorld;

// The pictures the checker reads, drawn from the same rectangles as the
// pictures the world's game draws; `clear` where the game's picture is
// transparent.
void write_picture(const fs::path& path, const flat_picture& p, uint32_t clear) {
    assets::PngImage png;
    png.width = p.width;
    png.height = p.height;
    png.pixels.resize(static_cast<size_t>(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint32_t c = p.fill.value_or(clear);
            for (const flat_picture::part& part : p.parts)
                if (x >= part.x && x < part.x + part.w && y >= part.y && y < part.y + part.h) c = part.colour;
            for (int i = 0; i < 3; ++i)
                png.pixels[(static_cast<size_t>(y) * p.width + x) * 3 + i] = (c >> (8 * i)) & 0xFF;
        }
    fs::create_directories(path.parent_path());
    assets::write_png(path.string(), png);
}

// The ground's top at row 736, where the exit arrow stands: the figure
// stands there at row 658.
const flat_picture::part kGround{0, 736, 1024, 32, kGrey};
constexpr int kOnGround = 654;  // a start row that lands on it

std::vector<std::string> kinds(const level_report& r) {
    std::vector<std::string> out;
    for (const finding& f : r.faults) out.push_back(f.kind);
    return out;
}

bool has(const level_report& r, const std::string& kind) {
    const std::vector<std::string> k = kinds(r);
    return std::find(k.begin(), k.end(), kind) != k.end();
}

std::string listed(const level_report& r) {
    std::string s;
    for (const finding& f : r.faults) s += f.kind + ": " + f.text + "\n";
    return s;
}

class PlantedLevel : public ::testing::Test {
protected:
    void SetUp() override {
        const uint32_t black = 0, white = 0xFFFFFF;
        write_picture(assets_ / "pictures/ruzne/ctverec.png", {100, 40, kGrey, {}}, black);
        write_picture(assets_ / "pictures/ruzne/sipka.png", {40, 40, {}, {}}, white);
        for (const char* pose : {"pa1", "pa2", "pa3", "pa4", "hop"})
            write_picture(assets_ / ("pictures/panak/" + std::string(pose) + ".png"), {60, 76, {}, {}}, white);
        write_picture(assets_ / "pictures/panak/zapvyp.png", {168, 30, {}, {}}, black);
        hazards({30, 30, {}, {}});
        background(1, {kGround});
    }

    // Every hazard picture, in the game and for the checker.
    void hazards(const flat_picture& p) {
        for (const char* kind : {"al", "leb", "zuby"})
            for (int i = 1; i <= 3; ++i) {
                const std::string name = kind + std::to_string(i);
                world_.pictures.add("ruzne", name, p);
                write_picture(assets_ / ("pictures/ruzne/" + name + ".png"), p, 0);
            }
    }
    void background(int level, std::vector<flat_picture::part> parts) {
        world_.set_background(level, parts);
        write_picture(assets_ / ("pictures/krajina/" + background_name_of(level) + ".png"),
                      klice::testing::background(parts), 0);
    }

    // Six keys on the ground from x 600: out of reach of the first 100 ticks.
    static level_record keys_on_the_ground(int32_t start_y = kOnGround) {
        level_record r{};
        r.start_y = start_y;
        for (int i = 0; i < kKeyCount; ++i) r.objects[i] = {600 + 40 * i, start_y + 36, 0, 0, 0, 0, 0, 1, {}};
        return r;
    }

    // The game runs once per test; a level file is read at each start.
    session& game() {
        if (!session_) session_ = std::make_unique<session>(world_.path());
        return *session_;
    }

    level_report check(int level, const level_record& r, const std::string& plan_text, std::string base_floors = "") {
        world_.set_level(level, r);
        session& s = game();
        const plan p = parse_plan(plan_text);
        plans_.push_back(p);
        check_options o;
        // Short trials: these levels are small, and nothing in them moves far.
        o.window_reach = 4;  // a window of 9 when nothing is timed: over level 1's least
        o.explore_every = 48;
        o.exit_ticks = 250;
        o.stop_ticks = 150;
        o.base_floors = std::move(base_floors);
        return check_level(s, scene(assets_.str(), background_name_of(level)), level, plans_.back(), o);
    }

    PlayWorld world_;
    klice::testing::TempFolder assets_{"planted"};
    std::vector<plan> plans_;
    std::unique_ptr<session> session_;
};

// Back and forth along the ground, about 850 ticks with a key held.
const char* kWalking = "#> to 500; back 130; to 500; back 130; to 500; back 130; to 440; back 300; to 960\n";

TEST_F(PlantedLevel, AWalkingRouteMeetsEveryRuleAndAWaitingOneIsTooIdle) {
    const level_report walking = check(1, keys_on_the_ground(), kWalking);
    ASSERT_TRUE(walking.played.finished) << walking.played.failure;
    EXPECT_TRUE(walking.faults.empty()) << listed(walking);
    EXPECT_EQ(walking.idle, 0);
    EXPECT_EQ(walking.played.exit_feet, 734);  // one gravity step above the ground's top
    EXPECT_EQ(walking.floors, "736>");

    // The same walk after standing 400 ticks: more than 30 % of it waits.
    const level_report waiting = check(1, keys_on_the_ground(), std::string("#> w 400\n") + kWalking);
    ASSERT_TRUE(waiting.played.finished) << waiting.played.failure;
    EXPECT_EQ(waiting.idle, 400);
    EXPECT_EQ(kinds(waiting), std::vector<std::string>{"idle"}) << listed(waiting);

    // A walk too short to be play.
    const level_report brief = check(1, keys_on_the_ground(), "#> to 960\n");
    EXPECT_TRUE(has(brief, "held")) << listed(brief);
    EXPECT_FALSE(has(brief, "idle")) << listed(brief);
}

// A shelf with its top at row 560, the figure on it, over ground at row
// 700; it breaks off between x 560 and 640.
std::vector<flat_picture::part> shelf_over_ground(bool far_part) {
    std::vector<flat_picture::part> parts = {{0, 700, 1024, 68, kGrey}, {0, 560, 560, 20, kGrey}};
    if (far_part) parts.push_back({640, 560, 384, 20, kGrey});
    return parts;
}

// Keys on the shelf (some within reach of a walk: not what is tested here),
// then about, and down through the gap to the ground.
level_record keys_on_the_shelf() {
    level_record r{};
    r.start_y = 560 - 78 - 4;
    for (int i = 0; i < kKeyCount; ++i) r.objects[i] = {300 + 40 * i, r.start_y + 40, 0, 0, 0, 0, 0, 1, {}};
    return r;
}
const char* kDownThroughTheGap = "#> to 520; back 130; to 500; back 130; to 500; back 130; to 580; to 960\n";

TEST_F(PlantedLevel, LeavingAboveTheArrowIsFoundOnTheRouteAndByHoldingRight) {
    // The shelf goes on to the right edge: the route drops to the ground
    // through the gap and leaves there, but hopping right along the shelf
    // from the route crosses the gap and leaves high up.
    background(1, shelf_over_ground(true));
    const level_report high = check(1, keys_on_the_shelf(), kDownThroughTheGap);
    ASSERT_TRUE(high.played.finished) << high.played.failure;
    EXPECT_GE(high.played.exit_feet, 600);
    ASSERT_TRUE(has(high, "exit")) << listed(high);
    EXPECT_NE(listed(high).find("holding right with jumps"), std::string::npos) << listed(high);
    EXPECT_EQ(high.floors, "560> 700>");

    // The same route with the shelf's far part gone: every way right ends low.
    background(1, shelf_over_ground(false));
    const level_report low = check(1, keys_on_the_shelf(), kDownThroughTheGap);
    EXPECT_FALSE(has(low, "exit")) << listed(low);

    // A route that hops the gap leaves above the arrow itself.
    background(1, shelf_over_ground(true));
    const level_report route_high = check(1, keys_on_the_shelf(), "#> to 520; back 130; to 500; J; to 960\n");
    ASSERT_TRUE(route_high.played.finished) << route_high.played.failure;
    EXPECT_LT(route_high.played.exit_feet, 600);
    EXPECT_NE(listed(route_high).find("the route leaves the level"), std::string::npos) << listed(route_high);
}

TEST_F(PlantedLevel, EveryTimingInputIsListedWithTheNarrowestAmongThem) {
    // The hop over the gap is the route's one jump: too early it falls short
    // into the gap, too late the walk has gone over the edge, so both sides
    // bound its window.
    background(1, shelf_over_ground(true));
    const level_report hop = check(1, keys_on_the_shelf(), "#> to 520; back 130; to 500; J; to 960\n");
    ASSERT_TRUE(hop.played.finished) << hop.played.failure;
    ASSERT_EQ(hop.windows.size(), 1u);
    const timing_window& w = hop.windows.front();
    EXPECT_EQ(w.at, hop.window_at);
    EXPECT_NE(w.at.find("step 4 'J'"), std::string::npos) << w.at;
    EXPECT_EQ(w.width, w.late + 1 + (w.bounded ? w.early : 4));
    EXPECT_EQ(w.width, hop.window);

    // A walk has no timing input: nothing listed, and the window is the widest measured.
    const level_report walking = check(1, keys_on_the_shelf(), "#> to 520; back 130; to 960\n");
    ASSERT_TRUE(walking.played.finished) << walking.played.failure;
    EXPECT_TRUE(walking.windows.empty());
    EXPECT_EQ(walking.window, 2 * 4 + 1);
}

TEST_F(PlantedLevel, KeysTakenByAnyOfTheFiveThoughtlessWaysAreFound) {
    // Up and to the left of the start: only a hop while walking left reaches it.
    level_record r = keys_on_the_ground();
    r.objects[0].x = 40;
    r.objects[0].y = 600;
    world_.set_level(1, r);
    session& s = game();
    std::vector<std::string> ways = free_key_ways(s, 1);
    ASSERT_EQ(ways.size(), 1u);
    EXPECT_EQ(ways[0].rfind("walking left with jumps takes a key at tick", 0), 0u) << ways[0];

    // On the ground to the right: walking right takes it, with or without hops.
    r.objects[0] = {300, kOnGround + 36, 0, 0, 0, 0, 0, 1, {}};
    world_.set_level(1, r);
    ways = free_key_ways(s, 1);
    ASSERT_EQ(ways.size(), 2u);
    EXPECT_EQ(ways[0].rfind("walking right takes", 0), 0u) << ways[0];
    EXPECT_EQ(ways[1].rfind("walking right with jumps takes", 0), 0u) << ways[1];
    EXPECT_TRUE(has(check(1, r, kWalking), "free keys"));

    // Right at the start: standing is enough, and so is every other way.
    r.objects[0].x = 110;
    world_.set_level(1, r);
    EXPECT_EQ(free_key_ways(s, 1).size(), 5u);
}

// Red in the ground's top, 20 px wide from x `left`: the route hops it.
std::vector<flat_picture::part> red_spot_in_the_ground(int left) { return {kGround, {left, 736, 20, 32, kRed}}; }

TEST_F(PlantedLevel, ADeathNearTheExitMustNotFinishTheLevelNorTakeKeys) {
    // Just before the exit, after the sixth key: the dead figure, still
    // walked by the keys through its splash, passes the exit column.
    background(1, red_spot_in_the_ground(850));
    const level_report near =
        check(1, keys_on_the_ground(), "#> to 500; back 130; to 500; back 130; to 500; back 130; to 820; J; to 960\n");
    ASSERT_TRUE(near.played.finished) << near.played.failure;
    ASSERT_TRUE(has(near, "dead exit")) << listed(near);
    EXPECT_NE(listed(near).find("holding right leaves the level"), std::string::npos) << listed(near);
    EXPECT_FALSE(has(near, "dead key")) << listed(near);

    // Far before it, before the keys: no death reaches the exit, but one
    // walks on through the keys, and the chime would lie.
    background(1, red_spot_in_the_ground(470));
    const level_report far = check(1, keys_on_the_ground(), "#> to 440; J; to 500; back 130; to 440; J; to 960\n");
    ASSERT_TRUE(far.played.finished) << far.played.failure;
    EXPECT_FALSE(has(far, "dead exit")) << listed(far);
    EXPECT_TRUE(has(far, "dead key")) << listed(far);
}

TEST_F(PlantedLevel, PitsTooCloseForARunningPlayerAreReported) {
    // Two red spots: the route hops the first, stops before the second until
    // the jump's cooldown is over, and hops that one too.
    background(1, {kGround, {400, 736, 20, 32, kRed}, {520, 736, 20, 32, kRed}});
    const level_report close = check(1, keys_on_the_ground(), std::string("#> to 370; J; to 490; J; to 960\n"));
    ASSERT_TRUE(close.played.finished) << close.played.failure;
    // A player who runs on presses jump in vain at the second spot's edge:
    // a strict check fails on it.
    const auto cooldown =
        std::find_if(close.faults.begin(), close.faults.end(), [](const finding& f) { return f.kind == "cooldown"; });
    ASSERT_NE(cooldown, close.faults.end()) << listed(close) << held_keys_text(close.played.keys);
    EXPECT_TRUE(fails_check(*cooldown, true));
    EXPECT_FALSE(fails_check(*cooldown, false));

    // A third spot as close again: both stops are named, so that they can be
    // moved together.
    background(1, {kGround, {400, 736, 20, 32, kRed}, {520, 736, 20, 32, kRed}, {640, 736, 20, 32, kRed}});
    const level_report row =
        check(1, keys_on_the_ground(), std::string("#> to 370; J; to 490; J; to 610; J; to 960\n"));
    ASSERT_TRUE(row.played.finished) << row.played.failure;
    const std::string text = listed(row);
    const size_t first = text.find("the route stops at");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_NE(text.find("; and the route stops at", first), std::string::npos) << text;

    // With the second spot further on, the jump a runner presses clears it.
    background(1, {kGround, {400, 736, 20, 32, kRed}, {620, 736, 20, 32, kRed}});
    const level_report apart = check(1, keys_on_the_ground(), std::string("#> to 370; J; to 560; J; to 960\n"));
    ASSERT_TRUE(apart.played.finished) << apart.played.failure;
    EXPECT_FALSE(has(apart, "cooldown")) << listed(apart);
}

TEST_F(PlantedLevel, AReusedTerrainNeedsARouteOfItsOwn) {
    background(1, shelf_over_ground(false));
    const level_report base = check(1, keys_on_the_shelf(), kDownThroughTheGap);
    ASSERT_EQ(base.floors, "560> 700>");
    // Level 11 is drawn on level 1's background.
    const level_report same = check(11, keys_on_the_shelf(), kDownThroughTheGap, base.floors);
    EXPECT_TRUE(has(same, "variety")) << listed(same);
    // Starting on the ground under the shelf instead.
    const level_report other = check(11, keys_on_the_ground(700 - 78 - 4), kWalking, base.floors);
    EXPECT_EQ(other.floors, "700>");
    EXPECT_FALSE(has(other, "variety")) << listed(other);
}

TEST_F(PlantedLevel, AHintOverGroundIsFound) {
    background(1, {kGround, {0, 0, 32, 736, kGrey}});
    const level_report r = check(1, keys_on_the_ground(), kWalking);
    EXPECT_EQ(kinds(r), std::vector<std::string>{"hint"}) << listed(r);
}

TEST_F(PlantedLevel, StoppingWhereAFlameSweepsIsUnsafe) {
    // A red flame that sweeps the ground between x 296 and 700 once the
    // objects move (from tick 200).
    hazards({30, 30, kRed, {}});
    level_record r = keys_on_the_ground();
    r.al_count = 1;
    r.objects[kAlSlot] = {300, 706, 4, 0, 0, 100, 1, 0, {}};
    world_.set_level(1, r);
    session& s = game();
    s.Start(1);
    for (int t = 0; t < 95; ++t) s.Tick(kRight);  // to x 500, in the middle of the sweep
    EXPECT_FALSE(safe_to_stop(s, s.Save(), 300));
    s.Start(1);
    s.Tick(0);
    s.Tick(0);
    EXPECT_TRUE(safe_to_stop(s, s.Save(), 300));  // at x 120, out of its reach
    s.Tick(kJump);
    s.Tick(0);
    EXPECT_FALSE(safe_to_stop(s, s.Save(), 300));  // in the air
}

TEST_F(PlantedLevel, MovingHazardsPassedCloseByAreObjectsToRead) {
    hazards({30, 30, kRed, {}});
    level_record r = keys_on_the_ground();
    r.al_count = 3;
    r.objects[kAlSlot] = {300, 610, 4, 0, 0, 100, 1, 0, {}};      // sweeps 18 px over the figure's head
    r.objects[kAlSlot + 1] = {300, 100, 4, 0, 0, 100, 1, 0, {}};  // far above
    r.objects[kAlSlot + 2] = {500, 610, 0, 0, 0, 100, 1, 0, {}};  // close, but still
    const level_report rep = check(1, r, kWalking);
    ASSERT_TRUE(rep.played.finished) << rep.played.failure;
    EXPECT_EQ(rep.timed, 1);
    EXPECT_EQ(hazards_passed(rep.played, scene(assets_.str(), "p1")), std::set<int>{kAlSlot});
}

TEST(LevelMeasures, FloorsAreTheStretchesStoodOnWithTheWayTheyWereWalked) {
    std::vector<foothold> ticks;
    auto walk = [&](int surface, int32_t from, int32_t to, int ticks_long) {
        for (int i = 0; i < ticks_long; ++i) ticks.push_back({from + (to - from) * i / ticks_long, surface});
    };
    walk(736, 120, 400, 70);
    walk(704, 400, 420, 10);  // a hurdle's top: too short to count
    walk(736, 420, 600, 45);
    walk(-1, 600, 640, 30);  // in the air, then on a lift
    walk(544, 640, 200, 110);
    walk(-1, 200, 200, 200);  // a ride that comes back to the same floor
    walk(544, 200, 210, 40);
    walk(352, 200, 900, 20);  // too short
    walk(160, 500, 510, 30);  // walking about on the spot
    EXPECT_EQ(floors_visited(ticks), "736> 544< 160=");
    EXPECT_EQ(floors_visited({}), "");
    EXPECT_EQ(idle_ticks({0, kRight, kJump, 0, kLeft | kJump, 0}), 3);
    EXPECT_EQ(longest_unsafe({24, 48, 200, 224}, 300), 152);
    EXPECT_EQ(longest_unsafe({}, 300), 300);
    EXPECT_EQ(longest_unsafe({24}, 400), 376);
}

std::vector<level_summary> even_levels() {
    std::vector<level_summary> levels;
    for (int n = 1; n <= 25; ++n)
        // windows 16 in the first group, 8 in the last; scores rising to 2x
        levels.push_back({n, 1300, 130, n <= 5 ? 16 : n > 20 ? 8 : 12, 20.0 + n});
    return levels;
}

std::vector<std::string> rule_kinds(const std::vector<level_summary>& levels) {
    std::vector<std::string> out;
    for (const finding& f : game_rules(levels)) out.push_back(f.kind);
    return out;
}

TEST(LevelMeasures, TheRulesAcrossLevelsLookAtMediansAndFiveLevelAverages) {
    using v = std::vector<std::string>;
    EXPECT_EQ(rule_kinds(even_levels()), v{});

    std::vector<level_summary> l = even_levels();
    for (int i = 0; i < 13; ++i) l[i].ticks = 1100;  // the median level is short
    for (int i = 12; i < 25; ++i) l[i].idle = 300;   // and over 20 % idle
    EXPECT_EQ(rule_kinds(l), (v{"length", "idle median"}));

    l = even_levels();
    l[0].window = l[1].window = 30;
    l[2].window = 14;  // the median of 1-5 is the third of them
    l[3].window = l[4].window = 10;
    EXPECT_EQ(rule_kinds(l), v{"window median"});
    l = even_levels();
    l[22].window = 9;
    l[23].window = l[24].window = 6;
    EXPECT_EQ(rule_kinds(l), v{});
    l[20].window = l[21].window = 10;
    EXPECT_EQ(rule_kinds(l), v{"window median"});

    l = even_levels();
    l[14].score = l[13].score = 2;  // levels 11-15 fall below 6-10
    EXPECT_EQ(rule_kinds(l), v{"curve"});
    const double rising[5] = {35, 40, 45, 50, 51};  // but 51 < 1.5 x 35
    for (int i = 0; i < 25; ++i) l[i].score = rising[i / 5];
    EXPECT_EQ(rule_kinds(l), v{"curve end"});
}

}  // namespace
}  // namespace klice::leveldesign
