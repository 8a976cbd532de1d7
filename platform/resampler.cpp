#include "platform/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <numbers>

#include "platform/sound_device.h"

namespace klice::platform {

namespace {

int32_t Sample(const uint8_t* p, int bytes) {
    switch (bytes) {
        case 1: return int32_t(p[0]) - 128;
        case 2: return int16_t(uint16_t(p[0] | (p[1] << 8)));
        case 3: return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
        default: return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    }
}

float ToFloat(const uint8_t* p, const WaveFormat& f) {
    const int bytes = f.bits_per_sample / 8;
    if (f.format_tag == kWaveFormatIeeeFloat) {
        const uint32_t bits = uint32_t(Sample(p, 4));
        float v;
        static_assert(sizeof v == sizeof bits);
        std::memcpy(&v, &bits, sizeof v);
        return std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
    }
    const double full_scale = double(int64_t(1) << (8 * bytes - 1));
    return float(double(Sample(p, bytes)) / full_scale);
}

// Modified Bessel function of the first kind, order 0, for the Kaiser window.
double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-12) break;
    }
    return sum;
}

// Zero crossings of the kernel on each side at the cut-off frequency, and
// the window's shape: about 85 dB of stop-band attenuation, with a narrow
// band around the cut-off (3 % below the lower Nyquist frequency) between
// what passes and what is stopped.
constexpr int kZeroCrossings = 32;
constexpr double kKaiserBeta = 8.6;
// The dot products run over whole blocks of this many taps.
constexpr int kTapBlock = 8;

// The cut-off a little below the lower of the two Nyquist frequencies, as a
// fraction of the input rate's.
double CutoffFor(uint32_t from_rate, uint32_t to_rate) {
    return 0.97 * std::min(1.0, double(to_rate) / double(from_rate));
}

}  // namespace

std::vector<float> DecodeToStereo(const WaveFormat& f, const uint8_t* raw, size_t bytes) {
    std::vector<float> out;
    if (f.block_align == 0 || f.channels == 0) return out;
    const size_t frames = bytes / f.block_align;
    std::vector<float> left(frames), right(frames);
    DecodeFrames(f, raw, frames, left.data(), right.data());
    const bool mono = MixChannels(f) == 1;
    out.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = mono ? left[i] : right[i];
    }
    return out;
}

int MixChannels(const WaveFormat& f) { return f.channels == 1 ? 1 : 2; }

void DecodeFrames(const WaveFormat& f, const uint8_t* raw, size_t count, float* left, float* right) {
    const int sample_bytes = f.bits_per_sample / 8;
    if (f.channels == 1) {
        if (f.format_tag == kWaveFormatPcm && sample_bytes == 2) {
            // The game's waves: the one format worth a loop of its own.
            for (size_t i = 0; i < count; ++i)
                left[i] = float(int16_t(uint16_t(raw[2 * i] | (raw[2 * i + 1] << 8)))) * (1.0f / 32768.0f);
            return;
        }
        for (size_t i = 0; i < count; ++i) left[i] = ToFloat(raw + i * f.block_align, f);
        return;
    }
    const float share = 2.0f / float(f.channels);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* frame = raw + i * f.block_align;
        float l = 0, r = 0;
        for (int c = 0; c < f.channels; ++c) (c % 2 ? r : l) += ToFloat(frame + c * sample_bytes, f);
        left[i] = l * share;
        right[i] = r * share;
    }
}

// ---------------------------------------------------------------- kernel

ResamplingKernel::ResamplingKernel(uint32_t from_rate, uint32_t to_rate) {
    const double cutoff = CutoffFor(from_rate, to_rate);
    const double half_width = kZeroCrossings / cutoff;  // in input frames
    // The kernel at Phases() points per input frame, as one side of it.
    const int side_size = int(std::ceil(half_width * Phases())) + 2;
    std::vector<float> side(size_t(side_size), 0.0f);
    const double window_norm = BesselI0(kKaiserBeta);
    for (int i = 0; i < side_size; ++i) {
        const double x = double(i) / Phases();
        if (x >= half_width) break;
        const double sinc = x == 0 ? 1.0 : std::sin(std::numbers::pi * cutoff * x) / (std::numbers::pi * cutoff * x);
        const double r = x / half_width;
        const double window = BesselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / window_norm;
        side[size_t(i)] = float(cutoff * sinc * window);
    }
    reach_ = int(std::ceil(half_width));
    taps_ = (2 * reach_ + kTapBlock - 1) / kTapBlock * kTapBlock;
    // Phase p, tap t: input frame m = t - reach + 1 relative to the whole
    // frame n, at a distance of |m - p / Phases()| frames from the output.
    table_.assign(size_t(Phases() + 1) * size_t(taps_), 0.0f);
    for (int p = 0; p <= Phases(); ++p)
        for (int t = 0; t < 2 * reach_; ++t) {
            const int at = std::abs((t - reach_ + 1) * Phases() - p);
            if (at + 1 < side_size) table_[size_t(p) * size_t(taps_) + size_t(t)] = side[size_t(at)];
        }
}

std::shared_ptr<const ResamplingKernel> ResamplingKernel::For(uint32_t from_rate, uint32_t to_rate) {
    // Every upward ratio has the same cut-off and so the same kernel.
    const double cutoff = CutoffFor(from_rate, to_rate);
    static std::mutex mutex;
    static std::map<double, std::shared_ptr<const ResamplingKernel>> kept;
    std::lock_guard lock(mutex);
    auto& kernel = kept[cutoff];
    if (!kernel) {
        // Kernels no voice uses any more go, so that odd rates do not pile up.
        std::erase_if(kept, [](const auto& entry) { return entry.second && entry.second.use_count() == 1; });
        kernel.reset(new ResamplingKernel(from_rate, to_rate));
    }
    return kernel;
}

float ResamplingKernel::Apply(const float* x, int phase, float weight) const {
    const float* a = PhaseTaps(phase);
    const float* b = a + taps_;
    // Independent sums per lane, so that the compiler can use vector lanes.
    float sa[kTapBlock] = {}, sb[kTapBlock] = {};
    for (int t = 0; t < taps_; t += kTapBlock)
        for (int l = 0; l < kTapBlock; ++l) {
            sa[l] += a[t + l] * x[t + l];
            sb[l] += b[t + l] * x[t + l];
        }
    float da = 0, db = 0;
    for (int l = 0; l < kTapBlock; ++l) da += sa[l], db += sb[l];
    return std::clamp(da + (db - da) * weight, -1.0f, 1.0f);
}

void ResamplingKernel::Apply(const float* left, const float* right, int phase, float weight, float* out_left,
                             float* out_right) const {
    const float* a = PhaseTaps(phase);
    const float* b = a + taps_;
    float la[kTapBlock] = {}, lb[kTapBlock] = {}, ra[kTapBlock] = {}, rb[kTapBlock] = {};
    for (int t = 0; t < taps_; t += kTapBlock)
        for (int l = 0; l < kTapBlock; ++l) {
            la[l] += a[t + l] * left[t + l];
            lb[l] += b[t + l] * left[t + l];
            ra[l] += a[t + l] * right[t + l];
            rb[l] += b[t + l] * right[t + l];
        }
    float dla = 0, dlb = 0, dra = 0, drb = 0;
    for (int l = 0; l < kTapBlock; ++l) dla += la[l], dlb += lb[l], dra += ra[l], drb += rb[l];
    *out_left = std::clamp(dla + (dlb - dla) * weight, -1.0f, 1.0f);
    *out_right = std::clamp(dra + (drb - dra) * weight, -1.0f, 1.0f);
}

// ---------------------------------------------------------------- whole sounds

std::vector<float> ResampleStereo(const std::vector<float>& in, uint32_t from_rate, uint32_t to_rate) {
    if (from_rate == to_rate || from_rate == 0 || to_rate == 0) return in;
    const size_t in_frames = in.size() / 2;
    // Buffers hold under 2^28 bytes and rates are under 2^18: no overflow.
    const size_t out_frames = size_t(uint64_t(in_frames) * to_rate / from_rate);
    const auto kernel = ResamplingKernel::For(from_rate, to_rate);
    // Planar, with silence before the first frame and after the last.
    const size_t before = size_t(kernel->Reach() - 1);
    std::vector<float> left(before + in_frames + size_t(kernel->Taps()), 0.0f), right(left.size(), 0.0f);
    for (size_t i = 0; i < in_frames; ++i) {
        left[before + i] = in[2 * i];
        right[before + i] = in[2 * i + 1];
    }
    std::vector<float> out(out_frames * 2);
    for (size_t n = 0; n < out_frames; ++n) {
        const uint64_t at = uint64_t(n) * from_rate;
        const size_t whole = size_t(at / to_rate);
        int phase;
        float weight;
        ResamplingKernel::PhaseAt(uint32_t(at % to_rate), to_rate, &phase, &weight);
        kernel->Apply(left.data() + whole, right.data() + whole, phase, weight, &out[2 * n], &out[2 * n + 1]);
    }
    return out;
}

}  // namespace klice::platform
