#include "game/state_hash.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/display_device.h"

namespace klice {
namespace {

std::string value_of(const std::vector<state_field>& fields, const std::string& name) {
    for (const state_field& f : fields)
        if (f.name == name) return f.value;
    ADD_FAILURE() << "no field " << name;
    return "";
}

// Every member of game_state_t by its own name. The hash names fields by
// their position in the struct, so a reordered or retyped member must show
// up here as a field carrying another member's value.
#define KLICE_MEMBER(name) \
    { #name, &game_state_t::name }
const std::pair<const char*, int32_t game_state_t::*> kInts[] = {
    KLICE_MEMBER(intro_frames),    KLICE_MEMBER(level),       KLICE_MEMBER(level_frames),  KLICE_MEMBER(keys_taken),
    KLICE_MEMBER(exit_bob),        KLICE_MEMBER(block_under), KLICE_MEMBER(player_x),      KLICE_MEMBER(player_y),
    KLICE_MEMBER(facing),          KLICE_MEMBER(walk_frame),  KLICE_MEMBER(jump_step),     KLICE_MEMBER(jump_cooldown),
    KLICE_MEMBER(airborne_frames), KLICE_MEMBER(death_frame), KLICE_MEMBER(mute_debounce), KLICE_MEMBER(mouse_x),
    KLICE_MEMBER(mouse_y),         KLICE_MEMBER(slider_x),    KLICE_MEMBER(slider_y),      KLICE_MEMBER(slider_level),
    KLICE_MEMBER(slider_steps)};
const std::pair<const char*, bool game_state_t::*> kFlags[] = {
    KLICE_MEMBER(in_menu),     KLICE_MEMBER(objects_moving), KLICE_MEMBER(block_sound_on), KLICE_MEMBER(standing_still),
    KLICE_MEMBER(on_ground),   KLICE_MEMBER(head_bump),      KLICE_MEMBER(wall_ahead),     KLICE_MEMBER(dying),
    KLICE_MEMBER(music_muted), KLICE_MEMBER(slider_moving),  KLICE_MEMBER(slider_up)};
const std::pair<const char*, uint32_t game_state_t::*> kColours[] = {
    KLICE_MEMBER(feet_colour), KLICE_MEMBER(side_colour), KLICE_MEMBER(head_colour)};
const std::pair<const char*, std::string game_state_t::*> kTexts[] = {KLICE_MEMBER(level_name),
                                                                      KLICE_MEMBER(background_name)};
#undef KLICE_MEMBER
const std::pair<const char*, int32_t level_record::*> kRecord[] = {
    {"record.start_x", &level_record::start_x},         {"record.start_y", &level_record::start_y},
    {"record.block_count", &level_record::block_count}, {"record.al_count", &level_record::al_count},
    {"record.leb_count", &level_record::leb_count},     {"record.zuby_count", &level_record::zuby_count}};

// Changes one field and checks that the field of that name, and only it,
// shows the change, and that the hash moves with it.
template <class Change>
void expect_only(const char* name, const std::string& value, Change change) {
    game_state_t g;
    const std::vector<state_field> before = state_fields(g);
    change(g);
    const std::vector<state_field> after = state_fields(g);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < after.size(); ++i) {
        if (after[i].name == name)
            EXPECT_EQ(after[i].value, value) << name;
        else
            EXPECT_EQ(after[i], before[i]) << "changing " << name << " shows in " << after[i].name;
    }
    EXPECT_NE(hash_fields(before), hash_fields(after)) << name;
}

TEST(StateHash, EveryFieldIsNamedForItsOwnMember) {
    std::set<std::string> named;
    for (auto [name, member] : kInts) {
        expect_only(name, "-7", [member = member](game_state_t& g) { g.*member = -7; });
        named.insert(name);
    }
    for (auto [name, member] : kFlags) {
        expect_only(name, "1", [member = member](game_state_t& g) { g.*member = true; });
        named.insert(name);
    }
    for (auto [name, member] : kColours) {
        expect_only(name, "0xFFFFFFFF", [member = member](game_state_t& g) { g.*member = 0xFFFFFFFFu; });
        named.insert(name);
    }
    for (auto [name, member] : kTexts) {
        // A text is one word whatever it holds, so a hash file's line keeps its columns.
        expect_only(name, "\"p%201%22%25\"", [member = member](game_state_t& g) { g.*member = "p 1\"%"; });
        named.insert(name);
    }
    for (auto [name, member] : kRecord) {
        expect_only(name, "1496", [member = member](game_state_t& g) { g.record.*member = 1496; });
        named.insert(name);
    }
    // Nothing else is a field: the object entries are a part of their own.
    std::set<std::string> fields;
    for (const state_field& f : state_fields(game_state_t{})) EXPECT_TRUE(fields.insert(f.name).second) << f.name;
    EXPECT_EQ(fields, named);
    game_state_t g;
    g.record.objects[45].frame = 3;
    EXPECT_EQ(state_fields(g), state_fields(game_state_t{}));
    EXPECT_EQ(value_of(state_fields(g), "background_name"), "\"\"");
}

platform::Frame small_frame() {
    platform::Frame f;
    f.width = 3;
    f.height = 2;
    f.pitch = 8;  // two bytes of padding a row
    f.format = {16, 0xF800, 0x07E0, 0x001F};
    f.pixels.assign(16, 0);
    return f;
}

TEST(StateHash, ObjectsAndPixelsMoveTheirHashButPaddingDoesNot) {
    level_record r{};
    const uint64_t objects = hash_objects(r);
    r.objects[0].padding[1] = 9;  // never read by the game
    EXPECT_EQ(hash_objects(r), objects);
    for (int32_t level_object::*field : {&level_object::x, &level_object::y, &level_object::dx, &level_object::dy,
                                         &level_object::steps, &level_object::range, &level_object::frame}) {
        level_record moved{};
        moved.objects[17].*field = 1;
        EXPECT_NE(hash_objects(moved), objects);
    }
    level_record taken{};
    taken.objects[5].active = 1;
    EXPECT_NE(hash_objects(taken), objects);

    platform::Frame f = small_frame();
    const uint64_t pixels = hash_frame(f);
    f.pixels[6] = 0xAA;  // padding after the first row
    EXPECT_EQ(hash_frame(f), pixels);
    f.pixels[8 + 5] = 0x01;  // the last pixel's high byte
    EXPECT_NE(hash_frame(f), pixels);
    platform::Frame wide = small_frame();
    wide.width = 2;  // the same bytes, read as another size
    EXPECT_NE(hash_frame(wide), pixels);
}

TEST(StateHash, RecorderHashesCuesWithTheirTicksAndThePathBetweenDigests) {
    auto run = [](int64_t cue_at, int32_t detour_at) {
        state_recorder rec;
        game_state_t g;
        std::vector<state_digest> digests;
        for (int64_t t = 1; t <= 250; ++t) {
            if (t == cue_at) rec.wave(4, true);
            g.player_x = t == detour_at ? 1 : 0;  // one tick elsewhere, then back
            rec.tick_done(t, g);
            if (state_recorder::due(t) || t == 250) digests.push_back(rec.digest(t, g, small_frame()));
        }
        return digests;
    };
    const std::vector<state_digest> base = run(150, 0);
    ASSERT_EQ(base.size(), 3u);
    EXPECT_EQ(base[2].tick, 250);
    EXPECT_EQ(base[1].hash, hash_parts(base[1]));

    // A cue one tick later: only the waves of its span differ.
    const std::vector<state_digest> late = run(151, 0);
    EXPECT_EQ(late[0].hash, base[0].hash);
    EXPECT_NE(late[1].waves, base[1].waves);
    EXPECT_EQ(late[1].path, base[1].path);
    EXPECT_NE(late[1].hash, base[1].hash);
    EXPECT_EQ(late[2].hash, base[2].hash);  // each span starts afresh

    // A detour that comes back before the digest: only the path knows.
    const std::vector<state_digest> detour = run(150, 120);
    EXPECT_EQ(detour[1].fields, base[1].fields);
    EXPECT_NE(detour[1].path, base[1].path);
    EXPECT_NE(detour[1].hash, base[1].hash);
    EXPECT_EQ(detour[2].hash, base[2].hash);
}

TEST(StateHash, AFrameWithTextIsHashedBeforeItsTextWithTheTextAskedFor) {
    // Two systems draw the same words with glyphs a shade apart: the frame
    // before the text and the words count, the glyphs do not.
    auto pixels_of = [](const std::string& words, uint8_t before, uint8_t glyphs) {
        state_recorder rec;
        game_state_t g;
        rec.tick_done(1, g);
        platform::Frame frame = small_frame();
        frame.pixels[0] = before;
        rec.text(10, 20, words, 38, 0xFFFF, [&] { return frame; });
        rec.text(13, 23, words, 38, 0, [] { return platform::Frame{}; });  // read once a tick
        frame.pixels[2] = glyphs;
        rec.tick_done(2, g);
        const uint64_t with_text = rec.digest(2, g, frame).pixels;
        rec.tick_done(3, g);  // a tick without text: its own frame
        return std::pair{with_text, rec.digest(3, g, frame).pixels};
    };
    const auto [base, after] = pixels_of("7", 0, 0x11);
    EXPECT_EQ(pixels_of("7", 0, 0x22).first, base);
    EXPECT_NE(pixels_of("8", 0, 0x11).first, base);
    EXPECT_NE(pixels_of("7", 1, 0x11).first, base);
    platform::Frame drawn = small_frame();
    drawn.pixels[2] = 0x11;
    EXPECT_EQ(after, hash_frame(drawn));
}

}  // namespace
}  // namespace klice
