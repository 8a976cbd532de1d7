#include "tools/play/hash_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace klice::play {
namespace {

state_digest digest_at(int64_t tick, const game_state_t& g) {
    state_digest d;
    d.tick = tick;
    d.fields = state_fields(g);
    d.objects = hash_objects(g.record);
    d.waves = 0x1111;
    d.path = 0x2222;
    d.pixels = 0x3333;
    d.hash = hash_parts(d);
    return d;
}

std::string written(const std::vector<state_digest>& digests) {
    std::ostringstream out;
    hash_file_writer w(out);
    for (const state_digest& d : digests) w.write(d);
    return out.str();
}

TEST(HashFile, ReadsBackWhatItWroteAndNamesWhatDiffers) {
    game_state_t g;
    g.player_y = 500;
    const std::vector<hash_entry> entries = parse_hash_file(written({digest_at(100, g), digest_at(150, g)}));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].tick, 150);
    EXPECT_EQ(entries[1].hash, digest_at(150, g).hash);
    EXPECT_EQ(entries[1].line, 6);  // after the three header lines and the first pair
    EXPECT_EQ(describe_difference(entries[1], digest_at(150, g), 100), "");

    game_state_t moved = g;
    moved.player_y = 502;
    moved.on_ground = true;
    EXPECT_EQ(describe_difference(entries[1], digest_at(150, moved), 100), "player_y 500 -> 502, on_ground 0 -> 1");

    state_digest other = digest_at(150, g);
    other.objects ^= 1;
    other.waves ^= 1;
    other.path ^= 1;
    other.pixels ^= 1;
    other.hash = hash_parts(other);
    EXPECT_EQ(describe_difference(entries[1], other, 100),
              "objects, waves of ticks 101-150, path of ticks 101-150, pixels");

    // Only the low 32 bits of a part are kept: a difference above them is
    // still a difference of the whole hash.
    state_digest high = digest_at(150, g);
    high.pixels ^= uint64_t{1} << 40;
    high.hash = hash_parts(high);
    EXPECT_EQ(describe_difference(entries[1], high, 100), "the hash, though every part agrees");
}

TEST(HashFile, HashLinesAloneAreEnoughToCheck) {
    game_state_t g;
    const state_digest d = digest_at(100, g);
    char line[64];
    std::snprintf(line, sizeof line, "# by hand\r\n\r\n100 %016llx\r\n", static_cast<unsigned long long>(d.hash));
    const std::vector<hash_entry> entries = parse_hash_file(line);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(describe_difference(entries[0], d, 0), "");
    g.level = 2;
    EXPECT_EQ(describe_difference(entries[0], digest_at(100, g), 0), "the hash (the file names no parts)");
}

TEST(HashFile, FieldsAddedOrGoneAreNamed) {
    game_state_t g;
    std::string text = written({digest_at(100, g)});
    // A file from a game that had one field more and one fewer.
    text.replace(text.find(" mouse_x "), 9, " mouse_z ");
    const std::vector<hash_entry> entries = parse_hash_file(text);
    g.level = 3;
    EXPECT_EQ(describe_difference(entries[0], digest_at(100, g), 0),
              "level 0 -> 3, mouse_x (not in the file), mouse_z (no longer in the game)");
}

TEST(HashFile, BadLinesNameTheirLine) {
    const std::string header = "#: objects waves path pixels level\n";
    for (const char* bad : {"100\n", "100 12ab\n", "x 0123456789abcdef\n", "-5 0123456789abcdef\n",
                            "100 0123456789abcdeg\n", "100 0123456789abcdef 7\n", "#= 1 2 3 4 5\n",
                            "100 0123456789abcdef\n#= 1 2 3\n", "100 0123456789abcdef\n100 0123456789abcdef\n"}) {
        try {
            parse_hash_file(header + bad);
            ADD_FAILURE() << bad;
        } catch (const hash_file_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("line ", 0), 0u) << e.what();
            EXPECT_EQ(std::string(e.what()).find("line 1:"), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(read_hash_file("no/such/file.hashes"), hash_file_error);
}

}  // namespace
}  // namespace klice::play
