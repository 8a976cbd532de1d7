// The keys the game reads, by virtual-key code: the ones play polls with
// key_pressed and the one the window's key-down handler acts on. Tools,
// tests, benchmarks and fuzz targets press them by these names, so that a
// key is named in one place.
#pragma once

#include <cstdint>

#include "platform/virtual_keys.h"

namespace klice::game_keys {

// Polled in play.
inline constexpr int32_t Escape = platform::vk::Escape;  // back to the menu
inline constexpr int32_t H = 'H';                        // game music off and on
inline constexpr int32_t D = 'D';                        // walk right
inline constexpr int32_t Right = platform::vk::Right;    // walk right
inline constexpr int32_t A = 'A';                        // walk left
inline constexpr int32_t Left = platform::vk::Left;      // walk left
inline constexpr int32_t W = 'W';                        // jump
inline constexpr int32_t Up = platform::vk::Up;          // jump

// Key-down: in the menu, starts the chosen level as the start box does.
inline constexpr int32_t Enter = platform::vk::Return;

// Every key above, for tests that go through them all.
inline constexpr int32_t All[] = {Escape, H, D, Right, A, Left, W, Up, Enter};

}  // namespace klice::game_keys
