// Virtual-key codes: the system's names of keys, as the key test and the key
// events carry them. Letters are their upper-case character codes ('A' = 65),
// digits their character codes ('0' = 48). The names live in a namespace of
// their own, without the VK_ prefix, so that the system headers' macros of
// the same names cannot rewrite them.
#pragma once

#include <cstdint>

namespace klice::platform::vk {

inline constexpr int32_t LButton = 1;
inline constexpr int32_t RButton = 2;
inline constexpr int32_t MButton = 4;
inline constexpr int32_t Back = 8;
inline constexpr int32_t Tab = 9;
inline constexpr int32_t Return = 13;
inline constexpr int32_t Shift = 16;
inline constexpr int32_t Control = 17;
inline constexpr int32_t Menu = 18;  // Alt
inline constexpr int32_t Pause = 19;
inline constexpr int32_t Escape = 27;
inline constexpr int32_t Space = 32;
inline constexpr int32_t Prior = 33;
inline constexpr int32_t Next = 34;
inline constexpr int32_t End = 35;
inline constexpr int32_t Home = 36;
inline constexpr int32_t Left = 37;
inline constexpr int32_t Up = 38;
inline constexpr int32_t Right = 39;
inline constexpr int32_t Down = 40;
inline constexpr int32_t Insert = 45;
inline constexpr int32_t Delete = 46;
inline constexpr int32_t F1 = 112;      // F1 + n - 1 for Fn, up to F12
inline constexpr int32_t Numpad0 = 96;  // Numpad0 + n for the keypad's digit n

}  // namespace klice::platform::vk
