#include "game/state_hash.h"

#include <cstdio>
#include <type_traits>

#include "platform/display_device.h"

namespace klice {

namespace {

// FNV-1a over little-endian 64-bit words (the bytes left over one by one),
// finished by a 64-bit mixer so that nearby inputs give unrelated hashes.
// Words make a frame's 1.5 MB quick to hash; they are read byte by byte,
// so the hash is the same on every system. Each step is a bijection of the
// running value, so one changed word always changes the hash.
class hasher {
public:
    void bytes(const uint8_t* p, size_t n) {
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t word = 0;
            for (int k = 0; k < 8; ++k) word |= uint64_t(p[i + k]) << (8 * k);
            h_ = (h_ ^ word) * kPrime;
        }
        for (; i < n; ++i) h_ = (h_ ^ p[i]) * kPrime;
    }
    void u64(uint64_t v) {
        uint8_t b[8];
        for (int i = 0; i < 8; ++i) b[i] = uint8_t(v >> (8 * i));
        bytes(b, 8);
    }
    void i32(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        const uint8_t b[4] = {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
        bytes(b, 4);
    }
    void text(const std::string& s) {
        u64(s.size());
        bytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    }
    uint64_t done() const {
        uint64_t x = h_;
        x ^= x >> 33;
        x *= 0xFF51AFD7ED558CCDull;
        x ^= x >> 33;
        x *= 0xC4CEB9FE1A85EC53ull;
        x ^= x >> 33;
        return x;
    }

private:
    static constexpr uint64_t kPrime = 0x100000001B3ull;
    uint64_t h_ = 0xCBF29CE484222325ull;
};

// Calls f(name, value) for every field of game_state but the object entries,
// in declaration order. The structured binding names every member: a new
// field of game_state_t is a compile error here until it is listed.
template <class F>
void visit_fields(const game_state_t& g, F&& f) {
    const auto& [intro_frames, in_menu, level, level_name, background_name, level_frames, objects_moving, record,
                 keys_taken, exit_bob, block_under, block_sound_on, player_x, player_y, facing, walk_frame,
                 standing_still, on_ground, head_bump, wall_ahead, jump_step, jump_cooldown, airborne_frames, dying,
                 death_frame, feet_colour, side_colour, head_colour, music_muted, mute_debounce, mouse_x, mouse_y,
                 slider_x, slider_y, slider_level, slider_moving, slider_up, slider_steps] = g;
#define KLICE_FIELD(name) f(#name, name)
    KLICE_FIELD(intro_frames);
    KLICE_FIELD(in_menu);
    KLICE_FIELD(level);
    KLICE_FIELD(level_name);
    KLICE_FIELD(background_name);
    KLICE_FIELD(level_frames);
    KLICE_FIELD(objects_moving);
    {
        const auto& [start_x, start_y, block_count, al_count, leb_count, zuby_count, objects] = record;
        (void)objects;  // hashed apart, as the objects
        f("record.start_x", start_x);
        f("record.start_y", start_y);
        f("record.block_count", block_count);
        f("record.al_count", al_count);
        f("record.leb_count", leb_count);
        f("record.zuby_count", zuby_count);
    }
    KLICE_FIELD(keys_taken);
    KLICE_FIELD(exit_bob);
    KLICE_FIELD(block_under);
    KLICE_FIELD(block_sound_on);
    KLICE_FIELD(player_x);
    KLICE_FIELD(player_y);
    KLICE_FIELD(facing);
    KLICE_FIELD(walk_frame);
    KLICE_FIELD(standing_still);
    KLICE_FIELD(on_ground);
    KLICE_FIELD(head_bump);
    KLICE_FIELD(wall_ahead);
    KLICE_FIELD(jump_step);
    KLICE_FIELD(jump_cooldown);
    KLICE_FIELD(airborne_frames);
    KLICE_FIELD(dying);
    KLICE_FIELD(death_frame);
    KLICE_FIELD(feet_colour);
    KLICE_FIELD(side_colour);
    KLICE_FIELD(head_colour);
    KLICE_FIELD(music_muted);
    KLICE_FIELD(mute_debounce);
    KLICE_FIELD(mouse_x);
    KLICE_FIELD(mouse_y);
    KLICE_FIELD(slider_x);
    KLICE_FIELD(slider_y);
    KLICE_FIELD(slider_level);
    KLICE_FIELD(slider_moving);
    KLICE_FIELD(slider_up);
    KLICE_FIELD(slider_steps);
#undef KLICE_FIELD
}

// A text as one word: quoted, with '%', '"', spaces and control bytes as %XX,
// so that a value never splits a line of a hash file.
std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c <= ' ' || c == '"' || c == '%' || c == 0x7F) {
            char esc[4];
            std::snprintf(esc, sizeof esc, "%%%02X", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string as_text(bool v) { return v ? "1" : "0"; }
std::string as_text(int32_t v) { return std::to_string(v); }
std::string as_text(uint32_t v) {  // a colour value, 0x00BBGGRR
    char s[16];
    std::snprintf(s, sizeof s, "0x%08X", unsigned(v));
    return s;
}
std::string as_text(const std::string& v) { return quoted(v); }

void feed(hasher& h, bool v) { h.i32(v ? 1 : 0); }
void feed(hasher& h, int32_t v) { h.i32(v); }
void feed(hasher& h, uint32_t v) { h.i32(static_cast<int32_t>(v)); }
void feed(hasher& h, const std::string& v) { h.text(v); }

void feed_objects(hasher& h, const level_record& record) {
    for (const level_object& o : record.objects) {
        for (int32_t v : {o.x, o.y, o.dx, o.dy, o.steps, o.range, o.frame}) h.i32(v);
        h.bytes(&o.active, 1);  // the padding is never read
    }
}

}  // namespace

std::vector<state_field> state_fields(const game_state_t& g) {
    std::vector<state_field> fields;
    visit_fields(g, [&](const char* name, const auto& value) { fields.push_back({name, as_text(value)}); });
    return fields;
}

uint64_t hash_fields(const std::vector<state_field>& fields) {
    hasher h;
    for (const state_field& f : fields) {
        h.text(f.name);
        h.text(f.value);
    }
    return h.done();
}

uint64_t hash_objects(const level_record& record) {
    hasher h;
    feed_objects(h, record);
    return h.done();
}

uint64_t hash_waves(std::span<const wave_cue> cues) {
    hasher h;
    for (const wave_cue& c : cues) {
        h.u64(static_cast<uint64_t>(c.tick));
        h.i32(c.index);
        h.i32(c.started ? 1 : 0);
    }
    return h.done();
}

uint64_t hash_frame(const platform::Frame& frame) {
    hasher h;
    const int bpp = platform::BytesPerPixel(frame.format);
    for (uint32_t v : {uint32_t(frame.width), uint32_t(frame.height), uint32_t(frame.format.bits), frame.format.r_mask,
                       frame.format.g_mask, frame.format.b_mask})
        h.i32(static_cast<int32_t>(v));
    // Row by row without the pitch's padding; a frame keeps its pixels in
    // little-endian order on every system.
    const size_t row_bytes = size_t(frame.width) * size_t(bpp);
    for (int y = 0; y < frame.height && row_bytes > 0; ++y) {
        const size_t at = size_t(y) * size_t(frame.pitch);
        if (at + row_bytes > frame.pixels.size()) break;
        h.bytes(frame.pixels.data() + at, row_bytes);
    }
    return h.done();
}

uint64_t hash_parts(const state_digest& d) {
    hasher h;
    for (uint64_t part : {hash_fields(d.fields), d.objects, d.waves, d.path, d.pixels}) h.u64(part);
    return h.done();
}

void state_recorder::wave(int index, bool started) { cues_.push_back({0, index, started}); }

void state_recorder::text(int x, int y, const std::string& words, int font_size, uint32_t colour,
                          const std::function<platform::Frame()>& frame_now) {
    if (text_tick_ != ticks_done_ + 1) {
        text_tick_ = ticks_done_ + 1;
        before_text_ = frame_now();
        texts_ = 0;
    }
    hasher h;
    h.u64(texts_);
    for (int32_t v : {int32_t(x), int32_t(y), int32_t(font_size), static_cast<int32_t>(colour)}) h.i32(v);
    h.text(words);
    texts_ = h.done();
}

void state_recorder::tick_done(int64_t t, const game_state_t& g) {
    ticks_done_ = t;
    for (; stamped_ < cues_.size(); ++stamped_) cues_[stamped_].tick = t;
    hasher h;
    h.u64(path_);
    h.u64(static_cast<uint64_t>(t));
    visit_fields(g, [&](const char*, const auto& value) { feed(h, value); });
    feed_objects(h, g.record);
    path_ = h.done();
}

state_digest state_recorder::digest(int64_t t, const game_state_t& g, const platform::Frame& frame) {
    state_digest d;
    d.tick = t;
    d.fields = state_fields(g);
    d.objects = hash_objects(g.record);
    d.waves = hash_waves(cues_);
    d.path = path_;
    if (text_tick_ == t) {
        hasher h;
        h.u64(hash_frame(before_text_));
        h.u64(texts_);
        d.pixels = h.done();
    } else {
        d.pixels = hash_frame(frame);
    }
    d.hash = hash_parts(d);
    cues_.clear();
    stamped_ = 0;
    path_ = 0;
    return d;
}

}  // namespace klice
