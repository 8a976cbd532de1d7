#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/mixing_sound_device.h"
#include "platform/resampler.h"
#include "tests/support/temp_folder.h"

using namespace klice::platform;

namespace {

constexpr double kPi = 3.14159265358979323846;

WaveFormat MonoPcm16(uint32_t rate) {
    WaveFormat f;
    f.format_tag = kWaveFormatPcm;
    f.channels = 1;
    f.samples_per_sec = rate;
    f.bits_per_sample = 16;
    f.block_align = 2;
    f.avg_bytes_per_sec = rate * 2;
    return f;
}

std::vector<int16_t> Constant(size_t frames, double level) {
    return std::vector<int16_t>(frames, int16_t(level * 32767));
}

std::vector<int16_t> Sine(size_t frames, double hz, uint32_t rate, double level) {
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i)
        s[i] = int16_t(std::lrint(level * 32767 * std::sin(2 * kPi * hz * double(i) / rate)));
    return s;
}

std::unique_ptr<SoundBuffer> Filled(SoundDevice& device, const std::vector<int16_t>& samples, uint32_t rate = 22050,
                                    uint32_t flags = kBufferCtrlFrequency | kBufferCtrlPan | kBufferCtrlVolume) {
    BufferDescription d;
    d.flags = flags;
    d.bytes = uint32_t(samples.size() * 2);
    d.format = MonoPcm16(rate);
    std::unique_ptr<SoundBuffer> buffer;
    EXPECT_EQ(device.CreateBuffer(d, &buffer), SoundResult::Ok);
    void *r1, *r2;
    uint32_t l1, l2;
    EXPECT_EQ(buffer->Lock(0, 0, &r1, &l1, &r2, &l2, true), SoundResult::Ok);
    std::memcpy(r1, samples.data(), l1);
    EXPECT_EQ(buffer->Unlock(r1, l1, r2, l2), SoundResult::Ok);
    return buffer;
}

double Rms(const std::vector<float>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

bool Silent(const std::vector<float>& s) {
    for (float v : s)
        if (v != 0.0f) return false;
    return true;
}

bool Playing(const SoundBuffer& b) {
    uint32_t status = 0;
    b.GetStatus(&status);
    return status & kStatusPlaying;
}

class SoundDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(MixingSoundDevice::Open(&device, CurrentAudioOutput()), SoundResult::Ok);
        device->SetPaused(true);
    }
    std::unique_ptr<MixingSoundDevice> device;
};

}  // namespace

TEST(SoundDeviceOpen, OneDeviceAtATimeAndNoDeviceWithoutADriver) {
    std::unique_ptr<MixingSoundDevice> first;
    std::unique_ptr<SoundDevice> second;
    ASSERT_EQ(MixingSoundDevice::Open(&first, CurrentAudioOutput()), SoundResult::Ok);
    EXPECT_TRUE(first->OutputRate() == 44100 || first->OutputRate() == 48000);
    EXPECT_EQ(SoundDevice::Create(&second), SoundResult::Allocated);
    EXPECT_EQ(second, nullptr);
    first.reset();

    {
        ScopedAudioOutput none(AudioOutput::None());
        EXPECT_EQ(SoundDevice::Create(&second), SoundResult::NoDriver);
        EXPECT_EQ(second, nullptr);
    }
    EXPECT_EQ(SoundDevice::Create(&second), SoundResult::Ok);
    second.reset();
    // A file that cannot be written is no device either.
    EXPECT_EQ(SoundDevice::Create(&second, AudioOutput::ToFile("/no-such-folder/out.raw")), SoundResult::NoDriver);
}

TEST_F(SoundDeviceTest, PlayingBuffersAreAddedAndClipped) {
    auto a = Filled(*device, Constant(22050, 0.25));
    auto b = Filled(*device, Constant(22050, 0.125));
    EXPECT_TRUE(Silent(device->MixForTesting(512)));
    a->Play(false);
    auto one = device->MixForTesting(4096);
    EXPECT_NEAR(one[2 * 2000], 0.25, 0.003);
    EXPECT_NEAR(one[2 * 2000 + 1], 0.25, 0.003);
    b->Play(false);
    auto two = device->MixForTesting(4096);
    EXPECT_NEAR(two[2 * 2000], 0.375, 0.004);

    auto c = Filled(*device, Constant(22050, 0.9));
    c->Play(false);
    auto clipped = device->MixForTesting(4096);
    EXPECT_FLOAT_EQ(clipped[2 * 2000], 1.0f);
}

TEST_F(SoundDeviceTest, VolumeIsHundredthsOfADecibel) {
    const int rate = device->OutputRate();
    auto loud = Filled(*device, Sine(22050, 441, 22050, 0.5));
    auto quiet = Filled(*device, Sine(22050, 441, 22050, 0.5));
    EXPECT_EQ(quiet->SetVolume(-2000), SoundResult::Ok);
    loud->Play(false);
    auto full = device->MixForTesting(rate / 2);
    loud->Stop();
    quiet->Play(false);
    auto down20 = device->MixForTesting(rate / 2);
    quiet->Stop();
    quiet->SetCurrentPosition(0);
    quiet->SetVolume(-1000);
    quiet->Play(false);
    auto down10 = device->MixForTesting(rate / 2);

    const size_t from = 2 * 1000, to = size_t(rate) - 2000;
    const double reference = Rms(full, from, to);
    EXPECT_GT(reference, 0.3);
    EXPECT_NEAR(Rms(down20, from, to) / reference, 0.1, 0.001);
    EXPECT_NEAR(Rms(down10, from, to) / reference, std::pow(10.0, -0.5), 0.00316);
    EXPECT_EQ(quiet->SetVolume(1), SoundResult::InvalidParams);
    EXPECT_EQ(quiet->SetVolume(-10001), SoundResult::InvalidParams);
    auto fixed = Filled(*device, Constant(100, 0.1), 22050, 0);
    EXPECT_EQ(fixed->SetVolume(-100), SoundResult::ControlUnavailable);
}

TEST_F(SoundDeviceTest, PanAttenuatesTheFarSide) {
    auto b = Filled(*device, Constant(22050, 0.5));
    b->SetPan(-2000);  // towards the left: the right side is 20 dB down
    b->Play(false);
    auto out = device->MixForTesting(4096);
    EXPECT_NEAR(out[2 * 2000], 0.5, 0.005);
    EXPECT_NEAR(out[2 * 2000 + 1], 0.05, 0.0005);
    b->SetPan(kPanRight);
    out = device->MixForTesting(16);
    EXPECT_NEAR(out[0], 0.0, 1e-5);
    EXPECT_NEAR(out[1], 0.5, 0.005);
}

TEST_F(SoundDeviceTest, OnceStopsAtTheEndAndLoopingWraps) {
    const int rate = device->OutputRate();
    auto b = Filled(*device, Constant(2205, 0.25));  // 0.1 s
    b->Play(false);
    device->MixForTesting(rate / 20);
    EXPECT_TRUE(Playing(*b));
    auto tail = device->MixForTesting(rate / 10);
    EXPECT_FALSE(Playing(*b));
    EXPECT_TRUE(Silent(std::vector<float>(tail.end() - 200, tail.end())));
    uint32_t position = 1;
    b->GetCurrentPosition(&position);
    EXPECT_EQ(position, 0u);

    b->Play(true);
    uint32_t status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, kStatusPlaying | kStatusLooping);
    device->MixForTesting(rate * 3 / 10);  // three times through
    EXPECT_TRUE(Playing(*b));
    b->Stop();
    EXPECT_TRUE(Silent(device->MixForTesting(256)));
}

TEST_F(SoundDeviceTest, PositionIsInTheBuffersOwnBytes) {
    std::vector<int16_t> two_levels = Constant(22050, 0.1);
    std::fill(two_levels.begin() + 11025, two_levels.end(), int16_t(0.4 * 32767));
    auto b = Filled(*device, two_levels);
    EXPECT_EQ(b->SetCurrentPosition(2 * 11025 + 2 * 100), SoundResult::Ok);
    uint32_t position = 0;
    b->GetCurrentPosition(&position);
    EXPECT_EQ(position, 2u * 11125);
    b->Play(false);
    auto out = device->MixForTesting(1000);
    EXPECT_NEAR(out[2 * 500], 0.4, 0.004);
    EXPECT_EQ(b->SetCurrentPosition(44100), SoundResult::InvalidParams);
}

TEST_F(SoundDeviceTest, FrequencyChangesThePlayingRate) {
    const int rate = device->OutputRate();
    auto b = Filled(*device, Constant(2205, 0.25));  // 0.1 s at 22050 Hz
    EXPECT_EQ(b->SetFrequency(44100), SoundResult::Ok);
    uint32_t hz = 0;
    b->GetFrequency(&hz);
    EXPECT_EQ(hz, 44100u);
    b->Play(false);
    device->MixForTesting(rate / 20 - 100);
    EXPECT_TRUE(Playing(*b));
    device->MixForTesting(200);
    EXPECT_FALSE(Playing(*b));
    EXPECT_EQ(b->SetFrequency(99), SoundResult::InvalidParams);
    EXPECT_EQ(b->SetFrequency(kFrequencyOriginal), SoundResult::Ok);
    b->GetFrequency(&hz);
    EXPECT_EQ(hz, 22050u);
}

TEST_F(SoundDeviceTest, LockWrapsIntoASecondRegionAndIsExclusive) {
    BufferDescription d;
    d.flags = kBufferCtrlVolume;
    d.bytes = 100;
    d.format = MonoPcm16(22050);
    std::unique_ptr<SoundBuffer> b;
    ASSERT_EQ(device->CreateBuffer(d, &b), SoundResult::Ok);
    void *r1, *r2, *s1, *s2;
    uint32_t l1, l2, m1, m2;
    ASSERT_EQ(b->Lock(80, 50, &r1, &l1, &r2, &l2), SoundResult::Ok);
    EXPECT_EQ(l1, 20u);
    EXPECT_EQ(l2, 30u);
    EXPECT_EQ(static_cast<uint8_t*>(r1) - static_cast<uint8_t*>(r2), 80);
    EXPECT_EQ(b->Lock(0, 10, &s1, &m1, &s2, &m2), SoundResult::AlreadyLocked);
    EXPECT_EQ(b->Unlock(r2, l2, r1, l1), SoundResult::InvalidParams);
    EXPECT_EQ(b->Unlock(r1, l1, r2, l2), SoundResult::Ok);
    EXPECT_EQ(b->Unlock(r1, l1, r2, l2), SoundResult::NotLocked);
    EXPECT_EQ(b->Lock(0, 101, &r1, &l1, &r2, &l2), SoundResult::InvalidParams);
    EXPECT_EQ(b->Lock(100, 1, &r1, &l1, &r2, &l2), SoundResult::InvalidParams);
}

TEST_F(SoundDeviceTest, BadDescriptionsAreRefused) {
    std::unique_ptr<SoundBuffer> b;
    BufferDescription d;
    d.bytes = 100;
    d.format = MonoPcm16(22050);
    d.format.block_align = 4;
    EXPECT_EQ(device->CreateBuffer(d, &b), SoundResult::BadFormat);
    d.format = MonoPcm16(22050);
    d.format.format_tag = 2;  // compressed
    EXPECT_EQ(device->CreateBuffer(d, &b), SoundResult::BadFormat);
    d.format = MonoPcm16(22050);
    d.bytes = 0;
    EXPECT_EQ(device->CreateBuffer(d, &b), SoundResult::InvalidParams);
    BufferDescription primary;
    primary.flags = kBufferPrimary;
    ASSERT_EQ(device->CreateBuffer(primary, &b), SoundResult::Ok);
    WaveFormat f;
    b->GetFormat(&f);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(int(f.samples_per_sec), device->OutputRate());
    std::unique_ptr<SoundBuffer> copy;
    EXPECT_EQ(device->DuplicateBuffer(*b, &copy), SoundResult::Unsupported);
}

TEST_F(SoundDeviceTest, DuplicatesShareSamplesButNotPlayState) {
    auto master = Filled(*device, Constant(22050, 0.25));
    master->SetVolume(-2000);
    std::unique_ptr<SoundBuffer> copy;
    ASSERT_EQ(device->DuplicateBuffer(*master, &copy), SoundResult::Ok);
    int32_t volume = 0;
    copy->GetVolume(&volume);
    EXPECT_EQ(volume, -2000);
    copy->SetVolume(0);

    // Refilling the master changes what the copy plays.
    void *r1, *r2;
    uint32_t l1, l2;
    ASSERT_EQ(master->Lock(0, 0, &r1, &l1, &r2, &l2, true), SoundResult::Ok);
    auto louder = Constant(22050, 0.5);
    std::memcpy(r1, louder.data(), l1);
    master->Unlock(r1, l1, r2, l2);
    copy->Play(false);
    EXPECT_FALSE(Playing(*master));
    auto out = device->MixForTesting(4096);
    EXPECT_NEAR(out[2 * 2000], 0.5, 0.005);
    master.reset();  // the copy keeps the samples
    out = device->MixForTesting(4096);
    EXPECT_NEAR(out[2 * 2000], 0.5, 0.005);
}

TEST_F(SoundDeviceTest, LostBuffersRefuseUntilRestored) {
    auto b = Filled(*device, Constant(22050, 0.25));
    b->Play(true);
    device->LoseBuffers();
    uint32_t status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, kStatusBufferLost);
    EXPECT_EQ(b->Play(false), SoundResult::BufferLost);
    void *r1, *r2;
    uint32_t l1, l2;
    EXPECT_EQ(b->Lock(0, 0, &r1, &l1, &r2, &l2, true), SoundResult::BufferLost);
    EXPECT_TRUE(Silent(device->MixForTesting(256)));
    EXPECT_EQ(b->Restore(), SoundResult::Ok);
    EXPECT_EQ(b->Play(false), SoundResult::Ok);
    EXPECT_FALSE(Silent(device->MixForTesting(256)));
}

TEST_F(SoundDeviceTest, FocusBoundBuffersFallSilentWithoutTheFocus) {
    auto bound = Filled(*device, Constant(22050, 0.25));
    auto global = Filled(*device, Constant(22050, 0.125), 22050, kBufferCtrlVolume | kBufferGlobalFocus);
    bound->Play(true);
    global->Play(true);
    device->SetApplicationFocus(false);
    auto out = device->MixForTesting(4096);
    EXPECT_NEAR(out[2 * 2000], 0.125, 0.002);
    device->SetApplicationFocus(true);
    out = device->MixForTesting(4096);
    EXPECT_NEAR(out[2 * 2000], 0.375, 0.004);
}

TEST_F(SoundDeviceTest, BuffersOutlivingTheDeviceReportIt) {
    auto b = Filled(*device, Constant(100, 0.25));
    device.reset();
    EXPECT_EQ(b->Play(false), SoundResult::DeviceGone);
    EXPECT_EQ(b->Stop(), SoundResult::DeviceGone);
}

// --- voices resampled as they are mixed ---------------------------------

namespace {

// A sound with some of everything: two tones and a decaying click, so that
// a wrong phase, a lost history or a wrong position all show.
std::vector<int16_t> Busy(size_t frames, uint32_t rate) {
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double click = (i % 997) < 40 ? 0.2 * std::exp(-double(i % 997) / 8.0) : 0.0;
        s[i] = int16_t(
            std::lrint(32767 * (0.3 * std::sin(2 * kPi * 440 * t) + 0.2 * std::sin(2 * kPi * 3100 * t) + click)));
    }
    return s;
}

// The whole sound resampled at once, the way the mixer used to hold it.
std::vector<float> WholeResampled(const std::vector<int16_t>& samples, uint32_t rate, int output_rate) {
    const WaveFormat f = MonoPcm16(rate);
    return ResampleStereo(DecodeToStereo(f, reinterpret_cast<const uint8_t*>(samples.data()), samples.size() * 2), rate,
                          uint32_t(output_rate));
}

// The largest difference between a and b[from, from + a.size()).
double LargestDifference(const std::vector<float>& a, const std::vector<float>& b, size_t from = 0) {
    double worst = 0;
    for (size_t i = 0; i < a.size() && from + i < b.size(); ++i)
        worst = std::max(worst, double(std::abs(a[i] - b[from + i])));
    return worst;
}

std::vector<float> Joined(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

// A voice played through is what the whole sound resampled at once gives,
// at each of the game's rates, in pieces of any size.
TEST_F(SoundDeviceTest, AVoicePlaysWhatTheWholeSoundResampledGives) {
    const int rate = device->OutputRate();
    for (const uint32_t recorded : {11025u, 16000u, 22050u, 48000u}) {
        SCOPED_TRACE(recorded);
        const auto samples = Busy(recorded / 4, recorded);
        const std::vector<float> whole = WholeResampled(samples, recorded, rate);
        auto b = Filled(*device, samples, recorded);
        b->Play(false);
        std::vector<float> played;
        for (const int piece : {1, 17, 1024, 441, 5000, 20000}) played = Joined(played, device->MixForTesting(piece));
        ASSERT_GE(played.size(), whole.size());
        EXPECT_LT(LargestDifference(whole, played), 2e-5);
        EXPECT_GT(Rms(played, 0, whole.size()), 0.2);
        // It ends where the whole sound ends.
        EXPECT_TRUE(Silent(std::vector<float>(played.begin() + ptrdiff_t(whole.size()) + 2, played.end())));
        EXPECT_FALSE(Playing(*b));
    }
}

// Stopped in the middle and started again, a voice goes on from where it
// stopped, with the frames before that point as its filter's history.
TEST_F(SoundDeviceTest, AVoiceStoppedAndStartedAgainGoesOnWhereItStopped) {
    const auto samples = Busy(8000, 16000);
    auto b = Filled(*device, samples, 16000);
    b->Play(false);
    const std::vector<float> through = device->MixForTesting(12000);
    b->Stop();
    b->SetCurrentPosition(0);

    b->Play(false);
    std::vector<float> played = device->MixForTesting(5003);
    b->Stop();
    EXPECT_TRUE(Silent(device->MixForTesting(700)));
    uint32_t position = 0;
    b->GetCurrentPosition(&position);
    EXPECT_NEAR(double(position), 2.0 * 5003 * 16000 / device->OutputRate(), 2.0);
    b->Play(false);
    played = Joined(played, device->MixForTesting(12000 - 5003));
    EXPECT_LT(LargestDifference(through, played), 1e-6);

    // Started again from its beginning, it starts from silence as at first.
    b->Stop();
    b->SetCurrentPosition(0);
    b->Play(false);
    EXPECT_LT(LargestDifference(device->MixForTesting(3000), through), 1e-6);
}

// A looped tone a whole number of periods long goes round its seam as if it
// went on: no step, no dip towards silence at the end or the start.
TEST_F(SoundDeviceTest, ALoopedSoundCrossesItsSeamWithoutAClick) {
    const int rate = device->OutputRate();
    const uint32_t recorded = 16000;
    const size_t length = 1600;  // 0.1 s: 50 periods of 500 Hz
    auto b = Filled(*device, Sine(length, 500, recorded, 0.5), recorded);
    b->Play(true);
    const std::vector<float> out = device->MixForTesting(rate / 2);  // five times round
    // After the first start, every frame is the tone itself, seams included.
    const double step = double(recorded) / rate;
    double worst = 0;
    for (size_t n = size_t(rate) / 100; n < out.size() / 2; ++n) {
        const double expected = 0.5 * std::sin(2 * kPi * 500 * (double(n) * step) / recorded);
        worst = std::max(worst, std::abs(out[2 * n] - expected));
    }
    EXPECT_LT(worst, 2e-3);
}

// Two voices of one sound, each at its own place in it: each is what it
// would be alone.
TEST_F(SoundDeviceTest, TwoVoicesOfOneSoundAtDifferentPlaces) {
    const int rate = device->OutputRate();
    const auto samples = Busy(11025, 22050);
    const std::vector<float> whole = WholeResampled(samples, 22050, rate);
    auto master = Filled(*device, samples, 22050);
    std::unique_ptr<SoundBuffer> copy;
    ASSERT_EQ(device->DuplicateBuffer(*master, &copy), SoundResult::Ok);
    master->Play(false);
    device->MixForTesting(3000);
    ASSERT_EQ(copy->SetCurrentPosition(2 * 5000), SoundResult::Ok);  // further on than the master
    copy->Play(false);
    const std::vector<float> both = device->MixForTesting(4000);
    // The copy, started at frame 5000, is the whole sound from there, but
    // with its filter's history: compare away from its first frames.
    const size_t copy_from = size_t(5000.0 * rate / 22050);
    double worst = 0;
    for (size_t n = 100; n < 4000; ++n) {
        const double expected = std::clamp(whole[2 * (3000 + n)] + whole[2 * (copy_from + n)], -1.0f, 1.0f);
        worst = std::max(worst, std::abs(both[2 * n] - expected));
    }
    EXPECT_LT(worst, 1e-4);
}

// The rate changed while a voice plays: it goes on from the same place at
// the new rate, up or down, without a jump.
TEST_F(SoundDeviceTest, TheRateChangesWhileAVoicePlays) {
    const int rate = device->OutputRate();
    const uint32_t recorded = 22050;
    auto b = Filled(*device, Sine(22050, 300, recorded, 0.5), recorded);
    b->Play(false);
    const std::vector<float> before = device->MixForTesting(rate / 10);
    uint32_t at_change = 0;
    b->GetCurrentPosition(&at_change);
    ASSERT_EQ(b->SetFrequency(2 * recorded), SoundResult::Ok);
    const std::vector<float> after = device->MixForTesting(rate / 10);
    uint32_t later = 0;
    b->GetCurrentPosition(&later);
    // Twice as fast through the samples: 0.1 s of output is 0.2 s of them.
    EXPECT_NEAR(double(later - at_change) / 2, 0.2 * recorded, 2);
    // The same tone an octave up, continuing where it was.
    const double phase_at_change = 2 * kPi * 300 * double(at_change / 2) / recorded;
    double worst = 0;
    for (size_t n = 0; n < after.size() / 2; ++n)
        worst = std::max(worst,
                         std::abs(after[2 * n] - 0.5 * std::sin(phase_at_change + 2 * kPi * 600 * double(n) / rate)));
    EXPECT_LT(worst, 5e-3);
    EXPECT_LT(std::abs(after[0] - before[before.size() - 2]), 0.05);

    // Far above the output's rate the filter follows: a tone that would
    // fold back below the output's Nyquist frequency is taken out.
    auto high = Filled(*device, Sine(22050, 8000, recorded, 0.5), recorded);
    ASSERT_EQ(high->SetFrequency(4 * recorded), SoundResult::Ok);  // 32 kHz at 88.2 kHz
    b->Stop();
    high->Play(false);
    const std::vector<float> folded = device->MixForTesting(rate / 10);
    EXPECT_LT(Rms(folded, 2000, folded.size() - 2000), 0.5 * 0.001);
}

// While its samples are being written, a voice waits; it goes on with what
// was written once the lock ends.
TEST_F(SoundDeviceTest, AVoiceWaitsWhileItsSamplesAreWritten) {
    auto master = Filled(*device, Constant(22050, 0.25));
    std::unique_ptr<SoundBuffer> copy;
    ASSERT_EQ(device->DuplicateBuffer(*master, &copy), SoundResult::Ok);
    copy->Play(true);
    EXPECT_NEAR(device->MixForTesting(4096)[2 * 2000], 0.25, 0.003);
    void *r1, *r2;
    uint32_t l1, l2;
    ASSERT_EQ(master->Lock(0, 0, &r1, &l1, &r2, &l2, true), SoundResult::Ok);
    uint32_t before = 0, after = 0;
    copy->GetCurrentPosition(&before);
    EXPECT_TRUE(Silent(device->MixForTesting(1000)));
    copy->GetCurrentPosition(&after);
    EXPECT_EQ(after, before);
    auto louder = Constant(22050, 0.5);
    std::memcpy(r1, louder.data(), l1);
    ASSERT_EQ(master->Unlock(r1, l1, r2, l2), SoundResult::Ok);
    EXPECT_NEAR(device->MixForTesting(4096)[2 * 2000], 0.5, 0.005);
    // A lock its buffer never ended holds no one up once the buffer is gone.
    ASSERT_EQ(master->Lock(0, 0, &r1, &l1, &r2, &l2, true), SoundResult::Ok);
    master.reset();
    EXPECT_NEAR(device->MixForTesting(4096)[2 * 2000], 0.5, 0.005);
}

// A file output writes what the device mixes: a looped sound shows there,
// and after Stop only silence follows.
TEST(SoundDeviceDisk, CallbackOutputReachesTheDriver) {
    if (!PacedOutputRuns()) GTEST_SKIP() << "no threads here: nothing takes the file output in real time";
    const klice::testing::TempFolder folder("sound-device-output");
    const auto file = folder / "output.raw";
    std::unique_ptr<MixingSoundDevice> device;
    ASSERT_EQ(MixingSoundDevice::Open(&device, AudioOutput::ToFile(file.string(), 4.0)), SoundResult::Ok);

    const size_t frame_bytes = device->OutputIsFloat() ? 8 : 4;
    auto size = [&] { return std::filesystem::exists(file) ? std::filesystem::file_size(file) : 0; };
    auto wait_for = [&](uintmax_t bytes) {
        for (int i = 0; i < 2000 && size() < bytes; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return size() >= bytes;
    };
    auto b = Filled(*device, Constant(2205, 0.25));
    b->Play(true);
    const uintmax_t playing_from = size();
    ASSERT_TRUE(wait_for(playing_from + 8 * 1024 * frame_bytes));
    b->Stop();
    const uintmax_t stopped_at = size() + 2 * 1024 * frame_bytes;  // a period may be in flight
    ASSERT_TRUE(wait_for(stopped_at + 4 * 1024 * frame_bytes));
    device.reset();

    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto all_zero = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            if (bytes[i] != 0) return false;
        return true;
    };
    ASSERT_GE(bytes.size(), stopped_at + 4 * 1024 * frame_bytes);
    EXPECT_FALSE(all_zero(playing_from, playing_from + 8 * 1024 * frame_bytes));
    EXPECT_TRUE(all_zero(stopped_at, bytes.size()));
}
