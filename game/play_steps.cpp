#include "game/play_steps.h"

#include <cstdint>
#include <span>
#include <string>

#include "game/asset_calls.h"
#include "game/game_state.h"
#include "game/held_keys.h"
#include "game/level_loading.h"
#include "game/level_record.h"
#include "game/pictures.h"
#include "game/screens.h"
#include "game/waves.h"
#include "input/game_keys.h"

namespace klice {

namespace {

// The player.
constexpr int kFacingRight = -60, kFacingLeft = 60;  // the signed sprite width
constexpr int kSpriteHeight = 76;
constexpr int kWalkStep = 4;
constexpr int kJumpRise = 10, kJumpFrames = 12, kJumpCooldown = 50;
constexpr int kNotRising = 100;
constexpr int kGravity = 4;
constexpr int kWrapBelow = 800;
constexpr int kFallLimit = 40;  // probe steps without ground that are survived
constexpr int kSideProbeOffset = 17;
constexpr int kSideProbeRows[] = {10, 26, 42, 58};
constexpr int kFeetProbeRow = 78;
constexpr int kStandingFrame = 4, kLastWalkFrame = 27;
constexpr int kLastDeathFrame = 81;
constexpr int kSplashFrame = 5;

// Colour values read back from the frame.
constexpr uint32_t kEmpty = 0, kDeadly = 255;

// The music key.
constexpr int kDebounceCap = 30, kDebounceGap = 20;

// Level objects.
constexpr int kKeyReachX = 50, kKeyReachY = 60;
constexpr int kLastHazardFrame = 20;
constexpr int kExitKeys = 6;
constexpr int kExitColumn = 900, kExitRow = 690, kExitBobCycle = 20;

// Level data is read from files: the object arithmetic wraps like the 32-bit
// fields it works on instead of overflowing.
int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t wrap_neg(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }

bool right_key() { return key_pressed(game_keys::D) || key_pressed(game_keys::Right); }
bool left_key() { return key_pressed(game_keys::A) || key_pressed(game_keys::Left); }
bool jump_key() { return key_pressed(game_keys::W) || key_pressed(game_keys::Up); }

// 'H' switches the game music off and on; a toggle needs more than 20 play
// frames since the previous one.
void music_toggle() {
    game_state_t& g = game_state;
    if (g.mute_debounce < kDebounceCap) ++g.mute_debounce;
    if (g.mute_debounce > kDebounceGap) {
        if (key_pressed(game_keys::H) && !g.music_muted) {
            stop_wave(kWaveGameMusic);
            g.mute_debounce = 0;
            g.music_muted = true;
        } else if (key_pressed(game_keys::H) && g.mute_debounce > kDebounceGap && g.music_muted) {
            play_wave(kWaveGameMusic);
            g.mute_debounce = 0;
            g.music_muted = false;
        }
    }
}

// Moving blocks and hazards: a step every moving frame, reversing once the
// steps exceed the range (the reversal frame moves too).
void move_object(level_object& o) {
    if (!game_state.objects_moving) return;
    o.steps = wrap_add(o.steps, 1);
    if (o.steps > o.range) {
        o.steps = 0;
        o.dy = wrap_neg(o.dy);
        o.dx = wrap_neg(o.dx);
    }
    o.x = wrap_add(o.x, o.dx);
    o.y = wrap_add(o.y, o.dy);
}

// Walk frames 1-6 show the first picture, then 7 frames each the others.
const char* walk_picture(int frame) { return frame >= 1 && frame <= 27 ? pictures::kWalk[frame / 7] : nullptr; }

// Splash frames 1-20 show each picture for 5 frames.
const char* splash_picture(int frame) {
    return frame >= 1 && frame <= 20 ? pictures::kSplash[(frame - 1) / 5] : nullptr;
}

// The hazard's picture for an animation frame: first, second, third, second.
std::string hazard_frame_picture(const char* kind, int frame) {
    int n = 0;
    if (frame >= 1 && frame <= 5)
        n = 1;
    else if (frame >= 6 && frame <= 10)
        n = 2;
    else if (frame >= 11 && frame <= 15)
        n = 3;
    else if (frame >= 16 && frame <= 20)
        n = 2;
    return n ? pictures::hazard_picture(kind, n) : std::string();
}

void update_hazard_group(std::span<level_object> entries, const char* kind) {
    for (level_object& o : entries) {
        move_object(o);
        const std::string name = hazard_frame_picture(kind, o.frame);
        if (!name.empty()) draw_picture(ruzne(), name, o.x, o.y);
        o.frame = wrap_add(o.frame, 1);  // a level file may start it anywhere
        if (o.frame > kLastHazardFrame) o.frame = 1;
    }
}

void draw_player_picture(const char* name) {
    const game_state_t& g = game_state;
    draw_picture_rotated(panak(), name, g.player_x, g.player_y, g.facing, kSpriteHeight, 0, 0.5, 0.0, 0);
}

// The block test of block_contact: true when the player stands on a block,
// which then carries the player.
bool ride_block() {
    game_state_t& g = game_state;
    std::span<level_object> blocks = block_entries(g.record);
    if (blocks.empty()) return false;
    const int64_t w = picture_width(ruzne(), pictures::kBlock);
    const int64_t h = picture_height(ruzne(), pictures::kBlock);
    const int64_t px = g.player_x, below = int64_t{g.player_y} + kSpriteHeight;
    for (size_t i = 0; i < blocks.size(); ++i) {
        level_object& o = blocks[i];
        if (!(px > o.x && px < o.x + w && below >= int64_t{o.y} - 4 && below <= o.y + h - 15)) continue;
        g.objects_moving = true;
        if (!g.block_sound_on) {
            play_wave(kWaveBlock);
            g.block_sound_on = true;
        }
        g.block_under = static_cast<int32_t>(i + 1);
        // A sideways block puts the sprite's bottom row on its top row; a
        // vertical one keeps the player a step ahead of it, and wins.
        if (o.dx != 0) {
            g.player_x = wrap_add(g.player_x, o.dx);
            g.player_y = wrap_add(o.y, -75);
        }
        if (o.dy != 0) g.player_y = wrap_add(wrap_add(o.y, o.dy), -kSpriteHeight);
        g.on_ground = true;
        return true;
    }
    return false;
}

}  // namespace

void controls() {
    game_state_t& g = game_state;
    g.standing_still = true;
    if (g.jump_cooldown > 0) --g.jump_cooldown;
    music_toggle();
    // wall_ahead was measured on the side faced at the last probe step and
    // refuses a step either way.
    if (right_key()) {
        g.facing = kFacingRight;
        if (!g.wall_ahead) {
            g.standing_still = false;
            g.player_x += kWalkStep;
        }
    }
    if (left_key()) {
        g.facing = kFacingLeft;
        if (!g.wall_ahead) {
            g.standing_still = false;
            g.player_x -= kWalkStep;
        }
    }
    if (jump_key() && g.on_ground && g.jump_cooldown <= 0) {
        play_wave(kWaveJump);
        g.jump_step = 0;
        g.jump_cooldown = kJumpCooldown;
    }
    if (g.head_bump) g.jump_step = kNotRising;
    if (g.jump_step < kJumpFrames) {
        ++g.jump_step;
        g.player_y -= kJumpRise;
    }
}

void draw_player() {
    game_state_t& g = game_state;
    if (g.dying) {
        draw_death();
        return;
    }
    if (g.on_ground) {
        if (g.walk_frame == 5 || g.walk_frame == 20) play_wave(kWaveFootstep);
        if (const char* name = walk_picture(g.walk_frame)) draw_player_picture(name);
        ++g.walk_frame;
        if (g.walk_frame > kLastWalkFrame) g.walk_frame = 1;
        if (g.standing_still) g.walk_frame = kStandingFrame;
    } else {
        draw_player_picture(pictures::kJump);
    }
}

void draw_death() {
    game_state_t& g = game_state;
    if (g.death_frame == kSplashFrame) play_wave(kWaveSplash);
    // The splash is not centred: it lies right of and below the player's point.
    if (const char* name = splash_picture(g.death_frame)) draw_picture(panak(), name, g.player_x, g.player_y);
    ++g.death_frame;
    if (g.death_frame > kLastDeathFrame) {
        g.death_frame = 0;
        g.dying = false;
        load_level();
    }
}

void update_keys() {
    game_state_t& g = game_state;
    for (level_object& key : key_entries(g.record)) {
        if (!key.active) continue;
        draw_picture(panak(), pictures::kKey, key.x, key.y);
        // The key's top-left corner against the player's centre column and top row.
        const int64_t kx = key.x, ky = key.y;
        if (kx - kKeyReachX < g.player_x && g.player_x < kx + kKeyReachX && g.player_y < ky &&
            ky < int64_t{g.player_y} + kKeyReachY) {
            ++g.keys_taken;
            key.active = 0;
            play_wave(kWaveKey);
        }
    }
}

void update_hazards() {
    level_record& r = game_state.record;
    update_hazard_group(al_entries(r), pictures::kFlame);
    update_hazard_group(leb_entries(r), pictures::kSkull);
    update_hazard_group(zuby_entries(r), pictures::kTeeth);
}

void update_blocks() {
    for (level_object& o : block_entries(game_state.record)) {
        move_object(o);
        draw_picture(ruzne(), pictures::kBlock, o.x, o.y);
    }
}

void block_contact() {
    game_state_t& g = game_state;
    if (g.player_y > kWrapBelow) g.player_y = 0;
    g.block_under = 0;
    if (ride_block()) return;
    if (!g.on_ground) g.player_y += kGravity;
    if (g.block_under == 0) {
        stop_wave(kWaveBlock);
        g.block_sound_on = false;
    }
}

void probe_pixels() {
    game_state_t& g = game_state;
    g.wall_ahead = g.on_ground = g.head_bump = false;
    g.side_colour = g.head_colour = 0;

    // The side facing the player's way; after the loop side_colour holds the
    // lowest point.
    for (int row : kSideProbeRows) {
        if (g.facing > 0) g.side_colour = canvas_pixel(g.player_x - kSideProbeOffset, g.player_y + row);
        if (g.facing < 0) g.side_colour = canvas_pixel(g.player_x + kSideProbeOffset, g.player_y + row);
        if (g.side_colour != kEmpty) g.wall_ahead = true;
    }

    g.feet_colour = canvas_pixel(g.player_x, g.player_y + kFeetProbeRow);
    ++g.airborne_frames;
    if (g.feet_colour != kEmpty || g.block_under > 0) {
        g.on_ground = true;
        g.airborne_frames = 0;
    }
    if (g.airborne_frames > kFallLimit) {
        g.dying = true;
        g.airborne_frames = 0;
    }

    g.head_colour = canvas_pixel(g.player_x, g.player_y);
    if (g.head_colour != kEmpty) g.head_bump = true;

    // Red under one of the upper side points only makes a wall.
    if (g.side_colour == kDeadly || g.head_colour == kDeadly || g.feet_colour == kDeadly) g.dying = true;

    canvas_release();
}

void update_exit() {
    game_state_t& g = game_state;
    if (g.keys_taken < kExitKeys) return;
    ++g.exit_bob;
    if (g.exit_bob > kExitBobCycle) g.exit_bob = 0;
    draw_picture(ruzne(), pictures::kExitArrow, kExitColumn + g.exit_bob, kExitRow);
    if (g.player_x > kExitColumn) {
        ++g.level;
        load_level();
    }
}

bool level_completed(const game_state_t& before, const game_state_t& after) {
    return current_screen(before) == screen::play && after.level != before.level;
}

bool death_started(const game_state_t& before, const game_state_t& after) {
    // The splash's last frame reloads the level, and the same tick's probes
    // may set dying again.
    return after.dying && (!before.dying || before.death_frame == kLastDeathFrame);
}

}  // namespace klice
