#include "game/level_loading.h"

#include <gtest/gtest.h>
#include <unistd.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "game/game_state.h"
#include "game/level_file.h"
#include "platform/exception.h"
#include "tests/support/temp_folder.h"

namespace klice {
namespace {

namespace fs = std::filesystem;

// A record in which every field holds a value of its own, negative ones
// included, so that a field read from the wrong place shows.
level_record sample_record(int32_t seed) {
    level_record r{};
    r.start_x = seed + 1;
    r.start_y = seed + 2;
    r.block_count = 3;
    r.al_count = 4;
    r.leb_count = 5;
    r.zuby_count = 6;
    for (int i = 0; i < kObjectCount; ++i) {
        level_object& o = r.objects[i];
        int32_t base = seed * 1000 + i * 10;
        o = {base,     base + 1, -(base + 2), base + 3, base + 4, base + 5, base + 6, static_cast<uint8_t>(i % 3),
             {0, 0, 0}};
    }
    r.objects[7].x = -0x12345678;
    return r;
}

std::vector<char> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, const std::vector<char>& bytes) { testing::WriteFile(path, bytes); }

int32_t le32(const std::vector<char>& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
    return static_cast<int32_t>(v);
}

bool same_bytes(const level_record& a, const level_record& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Each test runs in a fresh working directory with a fresh game_state.
class LevelLoading : public ::testing::Test {
protected:
    void SetUp() override { game_state = game_state_t{}; }

    // Loads `level` and returns the I/O code raised, 0 when none.
    static int load(int32_t level) {
        game_state.level = level;
        try {
            load_level();
        } catch (const EInOutError& e) {
            return e.ErrorCode();
        }
        return 0;
    }

    testing::TempFolder folder_{"levels"};
    testing::WorkingDirectory in_folder_{folder_.path()};
};

TEST_F(LevelLoading, WrittenRecordRoundTripsFieldByField) {
    level_record stored = sample_record(7);
    write_level_file("p3.dat", stored);
    ASSERT_EQ(load(3), 0);

    const level_record& r = game_state.record;
    EXPECT_EQ(r.start_x, 120);
    EXPECT_EQ(r.start_y, stored.start_y);
    EXPECT_EQ(r.block_count, 3);
    EXPECT_EQ(r.al_count, 4);
    EXPECT_EQ(r.leb_count, 5);
    EXPECT_EQ(r.zuby_count, 6);
    for (int i = 0; i < kObjectCount; ++i) {
        const level_object &a = r.objects[i], &b = stored.objects[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.dx, b.dx);
        EXPECT_EQ(a.dy, b.dy);
        EXPECT_EQ(a.steps, b.steps);
        EXPECT_EQ(a.range, b.range);
        EXPECT_EQ(a.frame, b.frame);
        EXPECT_EQ(a.active, b.active);
    }
}

TEST_F(LevelLoading, FileBytesAreLittleEndianAtTheirOffsets) {
    level_record stored = sample_record(2);
    write_level_file("p1.dat", stored);
    std::vector<char> b = file_bytes("p1.dat");
    ASSERT_EQ(b.size(), 1496u);
    EXPECT_EQ(le32(b, 4), stored.start_y);
    EXPECT_EQ(le32(b, 20), 6);
    EXPECT_EQ(le32(b, 24 + 32 * 7), -0x12345678);
    EXPECT_EQ(le32(b, 24 + 32 * 45 + 24), stored.objects[45].frame);
    EXPECT_EQ(static_cast<uint8_t>(b[24 + 32 * 5 + 28]), stored.objects[5].active);
}

TEST_F(LevelLoading, ByteSwapTurnsEveryWideFieldAndNoByte) {
    level_record r = sample_record(1);
    r.start_y = 0x01020304;
    r.objects[45].frame = 0x0A0B0C0D;
    r.objects[2].active = 0x7F;
    level_record swapped = r;
    swap_level_record_bytes(swapped);
    EXPECT_EQ(swapped.start_y, 0x04030201);
    EXPECT_EQ(static_cast<uint32_t>(swapped.objects[45].frame), 0x0D0C0B0Au);
    EXPECT_EQ(swapped.objects[2].active, 0x7F);
    swap_level_record_bytes(swapped);
    EXPECT_TRUE(same_bytes(swapped, r));
}

TEST_F(LevelLoading, ResetsThePerLevelFieldsAndNothingElse) {
    level_record stored = sample_record(4);
    stored.start_y = 555;
    write_level_file("p5.dat", stored);
    game_state.dying = true;
    game_state.keys_taken = 6;
    game_state.level_frames = 210;
    game_state.objects_moving = true;
    game_state.block_sound_on = true;
    game_state.facing = 60;
    game_state.jump_step = 7;
    game_state.walk_frame = 9;
    game_state.exit_bob = 11;
    game_state.block_under = 2;
    game_state.death_frame = 13;
    game_state.music_muted = true;

    ASSERT_EQ(load(5), 0);
    EXPECT_FALSE(game_state.dying);
    EXPECT_EQ(game_state.keys_taken, 0);
    EXPECT_EQ(game_state.level_frames, 0);
    EXPECT_FALSE(game_state.objects_moving);
    EXPECT_FALSE(game_state.block_sound_on);
    EXPECT_EQ(game_state.player_x, 120);
    EXPECT_EQ(game_state.player_y, 555);
    EXPECT_EQ(game_state.facing, -60);
    EXPECT_EQ(game_state.jump_step, 100);
    EXPECT_EQ(game_state.level, 5);
    EXPECT_EQ(game_state.level_name, "p5");
    // These belong to the player or the menu and survive a load.
    EXPECT_EQ(game_state.walk_frame, 9);
    EXPECT_EQ(game_state.exit_bob, 11);
    EXPECT_EQ(game_state.block_under, 2);
    EXPECT_EQ(game_state.death_frame, 13);
    EXPECT_TRUE(game_state.music_muted);
}

TEST_F(LevelLoading, LevelOutsideOneToTwentyFiveLoadsLevelOne) {
    level_record first = sample_record(1), last = sample_record(25);
    write_level_file("p1.dat", first);
    write_level_file("p25.dat", last);
    for (int32_t level : {26, 0, -4, 1000}) {
        SCOPED_TRACE(level);
        game_state.record = {};
        ASSERT_EQ(load(level), 0);
        EXPECT_EQ(game_state.level, 1);
        EXPECT_EQ(game_state.level_name, "p1");
        EXPECT_EQ(game_state.player_y, first.start_y);
    }
    ASSERT_EQ(load(25), 0);
    EXPECT_EQ(game_state.level_name, "p25");
    EXPECT_EQ(game_state.player_y, last.start_y);
}

TEST_F(LevelLoading, OnlyTheFirst1496BytesCount) {
    level_record stored = sample_record(3);
    write_level_file("p1.dat", stored);
    std::vector<char> b = file_bytes("p1.dat");
    b.push_back('\x55');
    write_bytes("p2.dat", b);
    b.resize(1495);
    write_bytes("p3.dat", b);

    ASSERT_EQ(load(1), 0);
    level_record exact = game_state.record;
    ASSERT_EQ(load(2), 0);
    EXPECT_TRUE(same_bytes(game_state.record, exact));

    game_state.level = 3;
    try {
        load_level();
        FAIL() << "a 1495-byte file loaded";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 100);
        EXPECT_EQ(e.Message(), "Read beyond end of file");
    }
}

TEST_F(LevelLoading, FailedLoadKeepsRecordAndPlayerButTakesTheFirstSteps) {
    level_record stored = sample_record(1);
    write_level_file("p1.dat", stored);
    ASSERT_EQ(load(1), 0);
    const level_record before = game_state.record;
    game_state.player_x = 640;
    game_state.player_y = 300;
    game_state.facing = 60;
    game_state.jump_step = 5;
    game_state.objects_moving = true;
    game_state.block_sound_on = true;
    game_state.dying = true;
    game_state.keys_taken = 4;
    game_state.level_frames = 150;

    std::vector<char> b = file_bytes("p1.dat");
    b.resize(1000);
    write_bytes("p2.dat", b);

    for (int32_t level : {2, 7}) {  // too short; missing
        SCOPED_TRACE(level);
        EXPECT_EQ(load(level), level == 2 ? 100 : 2);
        EXPECT_EQ(game_state.level, level);
        EXPECT_EQ(game_state.level_name, "p" + std::to_string(level));
        EXPECT_FALSE(game_state.dying);
        EXPECT_EQ(game_state.keys_taken, 0);
        EXPECT_EQ(game_state.level_frames, 0);
        EXPECT_EQ(game_state.player_x, 640);
        EXPECT_EQ(game_state.player_y, 300);
        EXPECT_EQ(game_state.facing, 60);
        EXPECT_EQ(game_state.jump_step, 5);
        EXPECT_TRUE(game_state.objects_moving);
        EXPECT_TRUE(game_state.block_sound_on);
        EXPECT_TRUE(same_bytes(game_state.record, before));
    }
}

TEST_F(LevelLoading, OpenFailuresCarryTheirCodes) {
    try {
        load_level();  // level 0 becomes 1, and there is no p1.dat
        FAIL() << "a missing file loaded";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_EQ(e.Message(), "File not found");
    }
    fs::create_directory("p2.dat");  // a folder is no file
    EXPECT_EQ(load(2), 5);

    write_level_file("p4.dat", sample_record(1));
    auto code_of = [](const std::string& path) {
        try {
            read_level_file(path);
        } catch (const EInOutError& e) {
            return e.ErrorCode();
        }
        return 0;
    };
    EXPECT_EQ(code_of("missing/p1.dat"), 3);
    EXPECT_EQ(code_of("p4.dat/p1.dat"), 3);
    EXPECT_EQ(code_of("p4.dat"), 0);
}

// An installed game's level files are read-only to the player.
TEST_F(LevelLoading, ReadOnlyFileLoads) {
    write_level_file("p1.dat", sample_record(1));
    fs::permissions("p1.dat", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(load(1), 0);
    EXPECT_EQ(game_state.player_y, sample_record(1).start_y);
}

TEST_F(LevelLoading, NoFreeHandleIsTooManyOpenFiles) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no limit of a process's file handles that a test could lower";
#elif !GTEST_HAS_DEATH_TEST
    GTEST_SKIP() << "no death tests here (no processes to fork): the handle limit needs a process of its own";
#else
    write_level_file("p1.dat", sample_record(1));
    GTEST_FLAG_SET(death_test_style, "fast");
    auto load_without_handles = [] {
        // The undefined-behaviour checker inspects a class through a pipe the
        // first time it meets it; that happens here, while handles are free.
        (void)EInOutError(4, "Too many open files").ErrorCode();
        // The lowest free handle is above 2, so no new one can be had.
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 3;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        std::_Exit(load(1));
    };
    EXPECT_EXIT(load_without_handles(), ::testing::ExitedWithCode(4), "");
#endif
}

TEST_F(LevelLoading, CountsAboveTenStayInTheirGroup) {
    level_record stored = sample_record(1);
    stored.block_count = 11;
    stored.al_count = -3;
    stored.leb_count = 10;
    stored.zuby_count = 1000;
    write_level_file("p1.dat", stored);
    ASSERT_EQ(load(1), 0);

    level_record& r = game_state.record;
    EXPECT_EQ(r.block_count, 11);  // the stored values stay as read
    EXPECT_EQ(r.zuby_count, 1000);
    auto blocks = block_entries(r);
    EXPECT_EQ(blocks.data(), r.objects + 6);
    EXPECT_EQ(blocks.size(), 10u);
    EXPECT_TRUE(al_entries(r).empty());
    EXPECT_EQ(leb_entries(r).data() + leb_entries(r).size(), r.objects + 36);
    auto zuby = zuby_entries(r);
    EXPECT_EQ(zuby.data(), r.objects + 36);
    EXPECT_EQ(zuby.data() + zuby.size(), r.objects + kObjectCount);
    EXPECT_EQ(key_entries(r).size(), 6u);

    EXPECT_EQ(group_count(INT32_MIN), 0);
    EXPECT_EQ(group_count(0), 0);
    EXPECT_EQ(group_count(1), 1);
    EXPECT_EQ(group_count(INT32_MAX), 10);
}

}  // namespace
}  // namespace klice
