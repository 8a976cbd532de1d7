// The level file's record: one 1496-byte block per level, little-endian,
// every 32-bit field signed. It is also the live state of the level's
// objects during play.
#pragma once

#include <cstddef>
#include <cstdint>

namespace klice {

struct level_object {
    int32_t x;       // left edge of the drawn picture
    int32_t y;       // top edge of the drawn picture
    int32_t dx;      // horizontal step per moving tick; flips at each reversal
    int32_t dy;      // vertical step per moving tick; flips at each reversal
    int32_t steps;   // moving ticks since the last reversal
    int32_t range;   // the motion reverses when steps exceeds it
    int32_t frame;   // hazards: animation counter, 1 to 20
    uint8_t active;  // keys: not 0 while the key is still in the level
    uint8_t padding[3];
};

struct level_record {
    int32_t start_x;  // overwritten with 120 by every load
    int32_t start_y;  // the player's start row
    int32_t block_count;
    int32_t al_count;
    int32_t leb_count;
    int32_t zuby_count;
    level_object objects[46];
};

static_assert(sizeof(level_object) == 32);
static_assert(offsetof(level_object, x) == 0 && offsetof(level_object, y) == 4);
static_assert(offsetof(level_object, dx) == 8 && offsetof(level_object, dy) == 12);
static_assert(offsetof(level_object, steps) == 16 && offsetof(level_object, range) == 20);
static_assert(offsetof(level_object, frame) == 24 && offsetof(level_object, active) == 28);
static_assert(sizeof(level_record) == 1496);
static_assert(offsetof(level_record, start_y) == 4 && offsetof(level_record, block_count) == 8);
static_assert(offsetof(level_record, al_count) == 12 && offsetof(level_record, leb_count) == 16);
static_assert(offsetof(level_record, zuby_count) == 20 && offsetof(level_record, objects) == 24);

// First slot of each group in objects[].
inline constexpr int kKeySlot = 0, kKeyCount = 6;
inline constexpr int kBlockSlot = 6, kAlSlot = 16, kLebSlot = 26, kZubySlot = 36;
inline constexpr int kGroupCapacity = 10;

}  // namespace klice
