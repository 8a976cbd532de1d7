#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/mixing_sound_device.h"
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

// A long sound is converted on a thread of its own; what it plays is what
// the same samples give converted at once. Kept just under the length that
// goes to the thread, the short one shares the long one's start, and the
// resampler looks only a few frames ahead.
TEST_F(SoundDeviceTest, LongSoundsConvertAsideAndPlayTheSame) {
    const size_t long_frames = 100000, short_frames = 65535;
    const std::vector<int16_t> tune = Sine(long_frames, 440, 16000, 0.5);
    auto at_once = Filled(*device, std::vector<int16_t>(tune.begin(), tune.begin() + short_frames), 16000);
    auto aside = Filled(*device, tune, 16000);
    auto duplicate_before_play = std::unique_ptr<SoundBuffer>();
    ASSERT_EQ(device->DuplicateBuffer(*aside, &duplicate_before_play), SoundResult::Ok);

    const int compared = 100000;  // output frames, well inside the short sound's 180,000
    at_once->Play(false);
    const std::vector<float> expected = device->MixForTesting(compared);
    at_once->Stop();
    duplicate_before_play->Play(false);  // right after the unlock: waits for the frames
    const std::vector<float> played = device->MixForTesting(compared);
    ASSERT_EQ(played.size(), expected.size());
    EXPECT_GT(Rms(played, 0, played.size()), 0.3);
    EXPECT_TRUE(played == expected);

    // Rewritten while a duplicate plays, the frames change at once, as a short
    // sound's do.
    void *r1, *r2;
    uint32_t l1, l2;
    ASSERT_EQ(aside->Lock(0, 0, &r1, &l1, &r2, &l2, true), SoundResult::Ok);
    std::memset(r1, 0, l1);
    ASSERT_EQ(aside->Unlock(r1, l1, r2, l2), SoundResult::Ok);
    EXPECT_TRUE(Silent(device->MixForTesting(4096)));

    // A device going away waits for a conversion still running.
    auto unplayed = Filled(*device, tune, 16000);
    device.reset();
    EXPECT_EQ(unplayed->Play(false), SoundResult::DeviceGone);
}

// A file output writes what the device mixes: a looped sound shows there,
// and after Stop only silence follows.
TEST(SoundDeviceDisk, CallbackOutputReachesTheDriver) {
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
