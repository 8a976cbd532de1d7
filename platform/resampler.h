// Internal to platform/: band-limited (windowed sinc) resampling of sampled
// sound, so that a sound recorded at 11 or 16 kHz gains no images above its
// own band when it is played at 44.1 kHz. The mixer resamples each playing
// voice as it mixes, a few frames at a time, with a ResamplingKernel;
// ResampleStereo converts a whole sound at once with the same filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace klice::platform {

struct WaveFormat;

// Whole frames of `raw` in `format` (PCM of 8, 16, 24 or 32 bits, or 32-bit
// float; 1, 2, 4, 6 or 8 channels) as interleaved float stereo in [-1, 1].
// More than two channels are folded to stereo: even channels left, odd right.
std::vector<float> DecodeToStereo(const WaveFormat& format, const uint8_t* raw, size_t bytes);

// The channels a sound is mixed in: 1 for mono, else 2 (folded as above).
int MixChannels(const WaveFormat& format);
// Decodes `count` frames from `frames` (whole frames in `format`) into
// planar floats in [-1, 1]: `left` alone for mono, `left` and `right`
// otherwise.
void DecodeFrames(const WaveFormat& format, const uint8_t* frames, size_t count, float* left, float* right);

// The filter for one ratio of rates, as a table of its phases. An output
// sample at input position n + fraction is the dot product of Taps() input
// frames, from frame n - Reach() + 1 on, with the phase of that fraction
// (the two nearest of Phases() tabulated phases, interpolated).
class ResamplingKernel {
public:
    // Shared by every voice playing at the same ratio; kept while in use.
    static std::shared_ptr<const ResamplingKernel> For(uint32_t from_rate, uint32_t to_rate);

    static constexpr int Phases() { return 256; }
    // The phase and the weight of the next one at `remainder` / `to_rate` of
    // a frame past a whole input frame (remainder < to_rate < 2^23).
    static void PhaseAt(uint32_t remainder, uint32_t to_rate, int* phase, float* weight) {
        const uint32_t scaled = remainder * uint32_t(Phases());
        *phase = int(scaled / to_rate);
        *weight = float(scaled % to_rate) / float(to_rate);
    }
    int Reach() const { return reach_; }
    // Frames read for one output sample: at least 2 x Reach(), rounded up so
    // that the dot products run in whole blocks; the extra taps are zero.
    int Taps() const { return taps_; }

    // One output sample at `phase` (0 ... Phases() - 1) plus `weight` (0 ... 1)
    // of the next phase, from Taps() frames at x; clipped to [-1, 1].
    float Apply(const float* x, int phase, float weight) const;
    // The same for two channels at once.
    void Apply(const float* left, const float* right, int phase, float weight, float* out_left, float* out_right) const;

private:
    ResamplingKernel(uint32_t from_rate, uint32_t to_rate);
    const float* PhaseTaps(int phase) const { return table_.data() + size_t(phase) * size_t(taps_); }

    int reach_ = 0;
    int taps_ = 0;
    std::vector<float> table_;  // Phases() + 1 phases of Taps() each
};

// Resamples interleaved stereo from `from_rate` to `to_rate`. The result has
// floor(frames x to_rate / from_rate) frames; the sound is taken as silent
// before its first and after its last frame.
std::vector<float> ResampleStereo(const std::vector<float>& stereo, uint32_t from_rate, uint32_t to_rate);

}  // namespace klice::platform
