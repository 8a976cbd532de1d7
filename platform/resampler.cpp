#include "platform/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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
// Kernel samples per input sample in the lookup table.
constexpr int kTableResolution = 256;

}  // namespace

std::vector<float> DecodeToStereo(const WaveFormat& f, const uint8_t* raw, size_t bytes) {
    std::vector<float> out;
    if (f.block_align == 0 || f.channels == 0) return out;
    const size_t frames = bytes / f.block_align;
    const int sample_bytes = f.bits_per_sample / 8;
    out.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* frame = raw + i * f.block_align;
        if (f.channels == 1) {
            out[2 * i] = out[2 * i + 1] = ToFloat(frame, f);
            continue;
        }
        float left = 0, right = 0;
        for (int c = 0; c < f.channels; ++c) (c % 2 ? right : left) += ToFloat(frame + c * sample_bytes, f);
        const float share = 2.0f / float(f.channels);
        out[2 * i] = left * share;
        out[2 * i + 1] = right * share;
    }
    return out;
}

std::vector<float> ResampleStereo(const std::vector<float>& in, uint32_t from_rate, uint32_t to_rate) {
    if (from_rate == to_rate || from_rate == 0 || to_rate == 0) return in;
    const int64_t in_frames = int64_t(in.size() / 2);
    // Buffers hold under 2^28 bytes and rates are under 2^18: no overflow.
    const int64_t out_frames = int64_t(uint64_t(in_frames) * to_rate / from_rate);
    std::vector<float> out(size_t(out_frames) * 2);
    // Cut-off a little below the lower of the two Nyquist frequencies, as a
    // fraction of the input rate's.
    const double cutoff = 0.97 * std::min(1.0, double(to_rate) / double(from_rate));
    const double half_width = kZeroCrossings / cutoff;  // in input samples
    const int table_size = int(std::ceil(half_width * kTableResolution)) + 2;
    std::vector<float> kernel(size_t(table_size), 0.0f);
    const double window_norm = BesselI0(kKaiserBeta);
    for (int i = 0; i < table_size; ++i) {
        const double x = double(i) / kTableResolution;
        if (x >= half_width) break;
        const double sinc = x == 0 ? 1.0 : std::sin(std::numbers::pi * cutoff * x) / (std::numbers::pi * cutoff * x);
        const double r = x / half_width;
        const double window = BesselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / window_norm;
        kernel[size_t(i)] = float(cutoff * sinc * window);
    }
    auto tap = [&](double distance) {
        const double at = std::abs(distance) * kTableResolution;
        const size_t i = size_t(at);
        if (i + 1 >= kernel.size()) return 0.0f;
        const float frac = float(at - double(i));
        return kernel[i] + (kernel[i + 1] - kernel[i]) * frac;
    };
    const double step = double(from_rate) / double(to_rate);
    for (int64_t n = 0; n < out_frames; ++n) {
        const double t = double(n) * step;
        const int64_t first = std::max<int64_t>(0, int64_t(std::floor(t - half_width)) + 1);
        const int64_t last = std::min<int64_t>(in_frames - 1, int64_t(std::floor(t + half_width)));
        float left = 0, right = 0;
        for (int64_t k = first; k <= last; ++k) {
            const float h = tap(t - double(k));
            left += in[size_t(2 * k)] * h;
            right += in[size_t(2 * k + 1)] * h;
        }
        out[size_t(2 * n)] = std::clamp(left, -1.0f, 1.0f);
        out[size_t(2 * n + 1)] = std::clamp(right, -1.0f, 1.0f);
    }
    return out;
}

}  // namespace klice::platform
