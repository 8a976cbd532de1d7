// The level file's record: one 1496-byte block per level, little-endian,
// every 32-bit field signed. It is also the live state of the level's
// objects during play.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

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
    level_object objects[46];  // fixed groups, see the slots below
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
inline constexpr int kObjectCount = 46;

// The number of live entries of a group with the stored count `stored`. The
// file's count is kept as read, but a group never reaches past its own ten
// entries: above 10 counts as 10, and 0 or less as none.
constexpr int group_count(int32_t stored) {
    return stored <= 0 ? 0 : stored > kGroupCapacity ? kGroupCapacity : static_cast<int>(stored);
}

// The live entries of each group, in slot order. The keys are always all
// six; whether one is still in the level is its `active` byte.
inline std::span<level_object> key_entries(level_record& r) {
    return {r.objects + kKeySlot, static_cast<size_t>(kKeyCount)};
}
inline std::span<level_object> block_entries(level_record& r) {
    return {r.objects + kBlockSlot, static_cast<size_t>(group_count(r.block_count))};
}
inline std::span<level_object> al_entries(level_record& r) {
    return {r.objects + kAlSlot, static_cast<size_t>(group_count(r.al_count))};
}
inline std::span<level_object> leb_entries(level_record& r) {
    return {r.objects + kLebSlot, static_cast<size_t>(group_count(r.leb_count))};
}
inline std::span<level_object> zuby_entries(level_record& r) {
    return {r.objects + kZubySlot, static_cast<size_t>(group_count(r.zuby_count))};
}

// Reverses the bytes of every 32-bit field; `active` and the padding are
// single bytes and stay.
inline void swap_level_record_bytes(level_record& r) {
    auto swap = [](int32_t& v) {
        auto u = static_cast<uint32_t>(v);
        u = (u >> 24) | ((u >> 8) & 0xFF00u) | ((u << 8) & 0xFF0000u) | (u << 24);
        v = static_cast<int32_t>(u);
    };
    for (int32_t* f : {&r.start_x, &r.start_y, &r.block_count, &r.al_count, &r.leb_count, &r.zuby_count}) swap(*f);
    for (level_object& o : r.objects)
        for (int32_t* f : {&o.x, &o.y, &o.dx, &o.dy, &o.steps, &o.range, &o.frame}) swap(*f);
}

// Between the file's little-endian bytes and the host's order, either way.
inline void level_record_file_order(level_record& r) {
    if constexpr (std::endian::native == std::endian::big) swap_level_record_bytes(r);
}

}  // namespace klice
