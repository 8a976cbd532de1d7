// Internal to platform/: conversion of a whole sampled sound to the mixer's
// format, float stereo at the output rate. Band-limited (windowed sinc), so
// that a sound recorded at 11 or 16 kHz gains no images above its own band
// when it is played at 44.1 kHz.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace klice::platform {

struct WaveFormat;

// Whole frames of `raw` in `format` (PCM of 8, 16, 24 or 32 bits, or 32-bit
// float; 1, 2, 4, 6 or 8 channels) as interleaved float stereo in [-1, 1].
// More than two channels are folded to stereo: even channels left, odd right.
std::vector<float> DecodeToStereo(const WaveFormat& format, const uint8_t* raw, size_t bytes);

// Resamples interleaved stereo from `from_rate` to `to_rate`. The result has
// floor(frames x to_rate / from_rate) frames; the sound is taken as silent
// before its first and after its last frame.
std::vector<float> ResampleStereo(const std::vector<float>& stereo, uint32_t from_rate, uint32_t to_rate);

}  // namespace klice::platform
