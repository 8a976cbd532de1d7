#include "platform/resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/sound_device.h"

using namespace klice::platform;

namespace {

std::vector<float> StereoSine(double hz, uint32_t rate, size_t frames, double amplitude = 0.5) {
    std::vector<float> s(2 * frames);
    for (size_t i = 0; i < frames; ++i)
        s[2 * i] = s[2 * i + 1] = float(amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / rate));
    return s;
}

// Amplitude of the component at `hz` in the left channel of frames
// [from, to), by correlation with a sine and a cosine.
double Amplitude(const std::vector<float>& s, double hz, uint32_t rate, size_t from, size_t to) {
    double re = 0, im = 0;
    for (size_t i = from; i < to; ++i) {
        const double phase = 2 * std::numbers::pi * hz * double(i) / rate;
        re += s[2 * i] * std::cos(phase);
        im += s[2 * i] * std::sin(phase);
    }
    return 2 * std::hypot(re, im) / double(to - from);
}

double Decibels(double ratio) { return 20 * std::log10(ratio); }

}  // namespace

TEST(Resampler, UpsamplingKeepsTheToneAndLeavesNoImages) {
    const uint32_t from = 16000, to = 44100;
    const auto in = StereoSine(7000, from, 16000);  // a tone near the top of the source band
    const auto out = ResampleStereo(in, from, to);
    ASSERT_EQ(out.size(), 2 * size_t(44100));
    // Away from the edges, where the sound starts and ends in silence.
    const size_t a = 4410, b = 44100 - 4410;
    EXPECT_NEAR(Amplitude(out, 7000, to, a, b), 0.5, 0.005);
    // The first image of a 7 kHz tone at 16 kHz lies at 9 kHz.
    EXPECT_LT(Decibels(Amplitude(out, 9000, to, a, b) / 0.5), -60);
    EXPECT_LT(Decibels(Amplitude(out, 23000, to, a, b) / 0.5), -60);
    for (size_t i = 0; i < out.size(); i += 2) EXPECT_EQ(out[i], out[i + 1]) << i;
}

TEST(Resampler, DownsamplingRemovesWhatTheNewRateCannotCarry) {
    const uint32_t from = 44100, to = 11025;
    std::vector<float> in = StereoSine(1000, from, 44100, 0.25);
    const auto high = StereoSine(8000, from, 44100, 0.25);  // above 5.5 kHz: would fold to 3025 Hz
    for (size_t i = 0; i < in.size(); ++i) in[i] += high[i];
    const auto out = ResampleStereo(in, from, to);
    ASSERT_EQ(out.size(), 2 * size_t(11025));
    const size_t a = 1000, b = 11025 - 1000;
    EXPECT_NEAR(Amplitude(out, 1000, to, a, b), 0.25, 0.005);
    EXPECT_LT(Decibels(Amplitude(out, 11025 - 8000, to, a, b) / 0.25), -60);
}

TEST(Resampler, SameRateIsACopyAndLengthsRoundDown) {
    const auto in = StereoSine(440, 22050, 1001);
    EXPECT_EQ(ResampleStereo(in, 22050, 22050), in);
    EXPECT_EQ(ResampleStereo(in, 22050, 44100).size(), 2 * size_t(2002));
    EXPECT_EQ(ResampleStereo(in, 44100, 22050).size(), 2 * size_t(500));
    EXPECT_TRUE(ResampleStereo({}, 16000, 44100).empty());
}

TEST(Resampler, EveryStoredSampleFormatDecodesToFloatStereo) {
    {
        const WaveFormat f{kWaveFormatPcm, 1, 11025, 11025, 1, 8};
        const uint8_t raw[] = {128, 0, 255};
        const auto s = DecodeToStereo(f, raw, sizeof raw);
        ASSERT_EQ(s.size(), 6u);
        EXPECT_EQ(s[0], 0.0f);
        EXPECT_EQ(s[2], -1.0f);
        EXPECT_NEAR(s[4], 127.0 / 128, 1e-6);
        EXPECT_EQ(s[4], s[5]);
    }
    {
        const WaveFormat f{kWaveFormatPcm, 2, 22050, 88200, 4, 16};
        const uint8_t raw[] = {0x00, 0x80, 0xFF, 0x7F, 0x00, 0x40, 0x00, 0x00, 0x01};  // a stray byte at the end
        const auto s = DecodeToStereo(f, raw, sizeof raw);
        ASSERT_EQ(s.size(), 4u);
        EXPECT_EQ(s[0], -1.0f);
        EXPECT_NEAR(s[1], 32767.0 / 32768, 1e-6);
        EXPECT_EQ(s[2], 0.5f);
        EXPECT_EQ(s[3], 0.0f);
    }
    {
        const WaveFormat f{kWaveFormatPcm, 1, 44100, 132300, 3, 24};
        const uint8_t raw[] = {0x00, 0x00, 0xC0};  // -0.5
        EXPECT_EQ(DecodeToStereo(f, raw, sizeof raw)[0], -0.5f);
    }
    {
        const WaveFormat f{kWaveFormatIeeeFloat, 1, 44100, 176400, 4, 32};
        const float values[] = {0.25f, 4.0f, std::nanf("")};
        const auto s = DecodeToStereo(f, reinterpret_cast<const uint8_t*>(values), sizeof values);
        EXPECT_EQ(s[0], 0.25f);
        EXPECT_EQ(s[2], 1.0f);  // out of range is clipped
        EXPECT_EQ(s[4], 0.0f);  // not a number is silence
    }
    {
        // Four channels: front and rear of each side together.
        const WaveFormat f{kWaveFormatPcm, 4, 44100, 352800, 8, 16};
        const int16_t raw[] = {16384, 0, 16384, -16384};
        const auto s = DecodeToStereo(f, reinterpret_cast<const uint8_t*>(raw), sizeof raw);
        EXPECT_EQ(s[0], 0.5f);
        EXPECT_EQ(s[1], -0.25f);
    }
}
