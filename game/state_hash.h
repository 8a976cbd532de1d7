// The game's state reduced to a 64-bit hash, tick by tick, for replays that
// check they still play as they did: on another build, another system, after
// a change that must not change the play.
//
// The hash covers every field of game_state (by name, with its value), the
// level's object entries, the waves started and stopped since the previous
// hash, every tick's state on the way there (the path), and the pixels of the
// frame. Text is the exception: its glyphs are the system's (FreeType on
// Linux, GDI on Windows) and differ by a shade here and there, so a frame
// with text is hashed as it was before its first text, with the texts asked
// for (position, words, size, colour). The parts stay apart as well, so that a replay that goes another way
// can say where: which field, or the objects, the waves, the path or the
// pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "platform/application.h"

namespace klice {

// A replay is hashed every this many ticks, and at its last tick.
inline constexpr int64_t kHashEvery = 100;

// A field of game_state by name ("player_x", "record.start_y"), its value
// as text: numbers in decimal, flags 0 or 1, colours in hex, texts quoted.
struct state_field {
    std::string name, value;
    bool operator==(const state_field&) const = default;
};

// Every field of game_state except the object entries of its level record,
// in declaration order. Adding a field to game_state_t fails to compile here
// until the field is named.
std::vector<state_field> state_fields(const game_state_t& g);

// A wave started or stopped on a tick.
struct wave_cue {
    int64_t tick;
    int index;
    bool started;
};

struct state_digest {
    int64_t tick = 0;
    uint64_t hash = 0;  // of all the parts below
    std::vector<state_field> fields;
    uint64_t objects = 0;  // the 46 object entries
    uint64_t waves = 0;    // the cues since the previous digest, with their ticks
    uint64_t path = 0;     // the fields and objects of every tick since the previous digest
    uint64_t pixels = 0;   // the frame: size, format and every pixel
};

// The 64-bit hashes of the parts, the same on every system and build.
uint64_t hash_fields(const std::vector<state_field>& fields);
uint64_t hash_objects(const level_record& record);
uint64_t hash_waves(std::span<const wave_cue> cues);
uint64_t hash_frame(const platform::Frame& frame);
// The whole: the parts in a fixed order.
uint64_t hash_parts(const state_digest& d);

// Follows a run tick by tick and hashes it every kHashEvery ticks:
//
//   state_recorder recorder;
//   set_wave_observer([&](int i, bool s) { recorder.wave(i, s); });
//   for each tick t: game.Tick(); recorder.tick_done(t, game_state);
//       if (recorder.due(t) or t is the last)
//           digests.push_back(recorder.digest(t, game_state, game.LastFrame()));
class state_recorder {
public:
    // A wave cue of the tick that is running.
    void wave(int index, bool started);
    // A text about to be written on the frame of the tick that is running;
    // `frame_now` reads the frame as it is, for the first text of a tick.
    void text(int x, int y, const std::string& words, int font_size, uint32_t colour,
              const std::function<platform::Frame()>& frame_now);
    // Tick t has run: its cues get their tick, and its state joins the path.
    void tick_done(int64_t t, const game_state_t& g);
    static bool due(int64_t t) { return t % kHashEvery == 0; }
    // The digest of game_state and the frame after tick t (or the frame
    // before its text and the texts, when tick t wrote any); the cues and
    // the path start afresh.
    state_digest digest(int64_t t, const game_state_t& g, const platform::Frame& frame);

private:
    std::vector<wave_cue> cues_;
    size_t stamped_ = 0;  // cues_ up to here have their tick
    uint64_t path_ = 0;
    int64_t ticks_done_ = 0;
    int64_t text_tick_ = -1;  // the tick that wrote the texts below
    platform::Frame before_text_;
    uint64_t texts_ = 0;
};

}  // namespace klice
