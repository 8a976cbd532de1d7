// The waves of the main window's wave list, by index.
#pragma once

namespace klice {

inline constexpr int kWaveKey = 0;     // a key taken
inline constexpr int kWaveSplash = 1;  // the splash of a death
inline constexpr int kWaveFootstep = 2;
inline constexpr int kWaveJump = 3;
inline constexpr int kWaveBlock = 4;      // standing on a moving block
inline constexpr int kWaveMenuMusic = 5;  // title and menu, looped
inline constexpr int kWaveGameMusic = 6;  // play, looped

}  // namespace klice
