// The sound on DirectSound itself (as wine gives it, through the ALSA file
// device of this program's HOME): the device and its buffers, the sound
// component's plays on them, and what comes out, measured in the capture.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "capture.h"
#include "platform/application.h"
#include "platform/win32/direct_sound.h"
#include "platform/win32/win32.h"
#include "platform/win32/win32_window.h"
#include "sound/dx_sound.h"
#include "sound/sound_errors.h"
#include "sound/wave_list.h"
#include "tests/sound/sound_fixture.h"

namespace klice {
namespace {

using namespace klice::testing;
using platform::SoundResult;

void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Bytes of 16-bit mono at 22050 Hz in `seconds`.
uint32_t BytesOf(double seconds) { return uint32_t(seconds * 22050) * 2; }

// The stored "fmt " block of 16-bit mono PCM at 22050 Hz.
const std::vector<uint8_t>& StoredFormat() {
    static const std::vector<uint8_t> block = MakeWave({0.0}).Format();
    return block;
}

class DirectSound : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetCapture();
        sound = new TDXSound(&form);
        list = new TDXWaveList(&form);
        list->SetDXSound(sound);
    }
    void TearDown() override { form.DestroyComponents(); }

    void Start() {
        sound->Initialize();
        ASSERT_TRUE(platform::win32::IsDirectSound(sound->DSound()->IDSound()));
    }

    TWaveCollectionItem* AddWave(const TWave& wave, bool looped = false, int32_t max_playing = 0) {
        return AddWaveTo(list, wave, looped, max_playing);
    }

    // Closes the device and reads back what it played.
    Capture Finish() {
        form.DestroyComponents();
        return ReadCapture();
    }

    // Waits until the buffer's play position is in [from, to): the device's
    // own clock, which a loaded machine may run behind the wall clock's
    // (the mixer gets the processor late). False after 10 s.
    static bool WaitForPosition(TDirectSoundBuffer* buffer, uint32_t from, uint32_t to) {
        for (int waited = 0; waited < 10000; waited += 5) {
            const uint32_t at = buffer->Position();
            if (at >= from && at < to) return true;
            Wait(5);
        }
        return false;
    }

    static double SecondsSince(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    // Waits until none of the item's plays sounds any more.
    static void WaitForTheEnd(TWaveCollectionItem* item) {
        for (int waited = 0; waited < 5000; waited += 20) {
            bool playing = false;
            for (int i = 0; i < item->PlayingCount(); ++i) playing |= item->PlayingBuffer(i)->Playing();
            if (!playing) return;
            Wait(20);
        }
        ADD_FAILURE() << "the plays did not end";
    }

    platform::ScopedAudioOutput system_{platform::AudioOutput::System()};
    TTestForm form;
    TDXSound* sound = nullptr;
    TDXWaveList* list = nullptr;
};

TEST(DirectSoundDevice, StartsWithThePrimaryBufferAndBuffersWithTheirControls) {
    platform::ScopedAudioOutput system(platform::AudioOutput::System());
    ForgetCapture();
    std::unique_ptr<platform::SoundDevice> device;
    ASSERT_EQ(platform::SoundDevice::Create(&device), SoundResult::Ok);
    ASSERT_TRUE(platform::win32::IsDirectSound(*device));
    EXPECT_TRUE(platform::SystemAudioAvailable());
    int token = 0;
    ASSERT_EQ(device->SetCooperativeLevel(&token, platform::CooperativeLevel::Normal), SoundResult::Ok);
    // No main window yet: the level is on the desktop until there is one.
    EXPECT_EQ(platform::win32::CooperativeWindow(*device), ::GetDesktopWindow());

    platform::BufferDescription primary;
    primary.flags = platform::kBufferPrimary;
    std::unique_ptr<platform::SoundBuffer> main;
    ASSERT_EQ(device->CreateBuffer(primary, &main), SoundResult::Ok);
    platform::BufferCaps caps;
    ASSERT_EQ(main->GetCaps(&caps), SoundResult::Ok);
    EXPECT_TRUE(caps.flags & platform::kBufferPrimary);

    // A secondary buffer from the format block as stored (16 bytes).
    platform::BufferDescription d;
    d.flags = platform::kBufferCtrlFrequency | platform::kBufferCtrlPan | platform::kBufferCtrlVolume;
    d.bytes = BytesOf(0.5);
    d.format_block = StoredFormat().data();
    d.format_block_size = StoredFormat().size();
    ASSERT_EQ(StoredFormat().size(), 16u);
    std::unique_ptr<platform::SoundBuffer> buffer;
    ASSERT_EQ(device->CreateBuffer(d, &buffer), SoundResult::Ok);
    ASSERT_EQ(buffer->GetCaps(&caps), SoundResult::Ok);
    EXPECT_EQ(caps.bytes, d.bytes);
    EXPECT_EQ(caps.flags & d.flags, d.flags);
    platform::WaveFormat format;
    ASSERT_EQ(buffer->GetFormat(&format), SoundResult::Ok);
    EXPECT_EQ(format.samples_per_sec, 22050u);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.bits_per_sample, 16);

    // A range over the end comes back in two regions.
    void *r1 = nullptr, *r2 = nullptr;
    uint32_t l1 = 0, l2 = 0;
    ASSERT_EQ(buffer->Lock(d.bytes - 100, 300, &r1, &l1, &r2, &l2), SoundResult::Ok);
    EXPECT_EQ(l1, 100u);
    EXPECT_NE(r2, nullptr);
    EXPECT_EQ(l2, 200u);
    EXPECT_EQ(buffer->Unlock(r1, l1, r2, l2), SoundResult::Ok);

    // Volume in hundredths of a decibel, pan and frequency as the system keeps them.
    int32_t volume = 0, pan = 0;
    uint32_t hz = 0;
    EXPECT_EQ(buffer->SetVolume(-2000), SoundResult::Ok);
    EXPECT_EQ(buffer->GetVolume(&volume), SoundResult::Ok);
    EXPECT_EQ(volume, -2000);
    EXPECT_EQ(buffer->SetPan(500), SoundResult::Ok);
    EXPECT_EQ(buffer->GetPan(&pan), SoundResult::Ok);
    EXPECT_EQ(pan, 500);
    EXPECT_EQ(buffer->SetFrequency(11025), SoundResult::Ok);
    EXPECT_EQ(buffer->GetFrequency(&hz), SoundResult::Ok);
    EXPECT_EQ(hz, 11025u);
    EXPECT_EQ(buffer->SetFrequency(platform::kFrequencyOriginal), SoundResult::Ok);
    EXPECT_EQ(buffer->GetFrequency(&hz), SoundResult::Ok);
    EXPECT_EQ(hz, 22050u);

    // The duplicate shares the samples and takes the settings; a control the
    // buffer was made without is refused.
    std::unique_ptr<platform::SoundBuffer> copy;
    ASSERT_EQ(device->DuplicateBuffer(*buffer, &copy), SoundResult::Ok);
    EXPECT_EQ(copy->GetVolume(&volume), SoundResult::Ok);
    EXPECT_EQ(volume, -2000);
    d.flags = platform::kBufferCtrlVolume;
    std::unique_ptr<platform::SoundBuffer> plain;
    ASSERT_EQ(device->CreateBuffer(d, &plain), SoundResult::Ok);
    EXPECT_EQ(plain->SetPan(500), SoundResult::ControlUnavailable);

    // Once the main window is there, the level moves to it.
    platform::Application app(platform::ApplicationMode::Windowed);
    app.Window().Show();
    ASSERT_NE(platform::win32::MainWindowHandle(), nullptr);
    EXPECT_EQ(buffer->Play(false), SoundResult::Ok);
    EXPECT_EQ(platform::win32::CooperativeWindow(*device), platform::win32::MainWindowHandle());
    uint32_t status = 0;
    EXPECT_EQ(buffer->GetStatus(&status), SoundResult::Ok);
    EXPECT_TRUE(status & platform::kStatusPlaying);
    EXPECT_EQ(buffer->Stop(), SoundResult::Ok);

    // Buffers that outlive their device report it instead of crashing.
    device.reset();
    EXPECT_EQ(buffer->Play(false), SoundResult::DeviceGone);
}

TEST_F(DirectSound, OverlappingPlaysTakeADuplicateEachAndAFreeOneIsReused) {
    TWaveCollectionItem* item = AddWave(MakeWave(SineLevels(22050 / 2, 441, 0.25)));  // 0.5 s
    Start();
    item->Play();
    item->Play();
    item->Play();
    ASSERT_EQ(item->PlayingCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(item->PlayingBuffer(i)->Playing()) << i;
    EXPECT_FALSE(item->Buffer()->Playing());  // the master itself never plays
    TDirectSoundBuffer* first = item->PlayingBuffer(0);

    WaitForTheEnd(item);
    item->Play();
    EXPECT_EQ(item->PlayingCount(), 3);
    EXPECT_EQ(item->PlayingBuffer(0), first);
    EXPECT_TRUE(first->Playing());
    EXPECT_FALSE(item->PlayingBuffer(1)->Playing());
}

TEST_F(DirectSound, AtMaxPlayingCountTheOldestPlayStartsOver) {
    TWaveCollectionItem* item = AddWave(MakeWave(SineLevels(22050 * 2, 441, 0.25)), false, 2);  // 2 s
    Start();
    item->Play();
    TDirectSoundBuffer* oldest = item->PlayingBuffer(0);
    ASSERT_TRUE(WaitForPosition(oldest, BytesOf(0.4), BytesOf(1.2)));
    item->Play();
    TDirectSoundBuffer* younger = item->PlayingBuffer(1);
    ASSERT_TRUE(WaitForPosition(younger, BytesOf(0.2), BytesOf(1.0)));
    const uint32_t oldest_was_at = oldest->Position();
    const auto restarted = std::chrono::steady_clock::now();
    item->Play();  // both busy: the oldest starts over from its beginning
    const uint32_t oldest_at = oldest->Position();
    const double since = SecondsSince(restarted);
    ASSERT_EQ(item->PlayingCount(), 2);
    EXPECT_EQ(item->PlayingBuffer(0), younger);
    EXPECT_EQ(item->PlayingBuffer(1), oldest);
    EXPECT_TRUE(oldest->Playing());
    EXPECT_TRUE(younger->Playing());
    // No further in than the time since the restart (and a mixing step) allows.
    EXPECT_LE(oldest_at, BytesOf(since + 0.15));
    EXPECT_LT(oldest_at, oldest_was_at);
    EXPECT_GT(younger->Position(), BytesOf(0.2));
}

TEST_F(DirectSound, LoopedWaveRestartsFromItsBeginningAndStopSilencesIt) {
    TWaveCollectionItem* music = AddWave(MakeWave(SineLevels(22050, 441, 0.25)), true);  // 1 s
    Start();
    const auto started = std::chrono::steady_clock::now();
    music->Play();
    TDirectSoundBuffer* buffer = music->Buffer();
    ASSERT_TRUE(WaitForPosition(buffer, BytesOf(0.4), BytesOf(0.6)));
    const uint32_t was_at = buffer->Position();
    const auto restarted = std::chrono::steady_clock::now();
    music->Play();
    const uint32_t at = buffer->Position();
    // One instance, from the start: no further in than the time since the
    // restart (and a mixing step) allows.
    EXPECT_LE(at, BytesOf(SecondsSince(restarted) + 0.15));
    EXPECT_LT(at, was_at);
    EXPECT_EQ(music->PlayingCount(), 0);
    for (int lap = 0; lap < 2; ++lap) {  // past its end twice: around again
        ASSERT_TRUE(WaitForPosition(buffer, BytesOf(0.6), BytesOf(1.0))) << lap;
        ASSERT_TRUE(WaitForPosition(buffer, 0, BytesOf(0.3))) << lap;
    }
    EXPECT_TRUE(buffer->Playing());
    EXPECT_TRUE(buffer->Looping());
    music->Stop();
    const double played = SecondsSince(started);
    EXPECT_FALSE(buffer->Playing());
    Wait(1000);

    const Capture capture = Finish();
    const auto stretches = SoundingStretches(capture, 0.01);
    ASSERT_EQ(stretches.size(), 1u);  // one sound, unbroken by the restart
    // It sounded until Stop: at least 0.4 s, then twice around the 1 s loop
    // (2.25 s at least by the device's clock); a wave that did not loop
    // would have ended 1 s after the restart (1.9 s at most, with what the
    // system mixes ahead, around 0.3 s under wine, and still plays after
    // Stop). The capture runs at the device's pace, which cannot run ahead
    // of the wall clock.
    const double heard = capture.Seconds(stretches[0].end - stretches[0].begin);
    EXPECT_GT(heard, 2.1);
    EXPECT_LT(heard, played + 0.6);
    EXPECT_GT(capture.Seconds(capture.left.size() - stretches[0].end), 0.25);  // then silence to the end
}

TEST_F(DirectSound, VolumeMinus2000ComesOutTwentyDecibelsDown) {
    const TWave sine = MakeWave(SineLevels(22050, 441, 0.5));  // 1 s
    TWaveCollectionItem* full = AddWave(sine);
    TWaveCollectionItem* quiet = AddWave(sine);
    quiet->SetVolume(-2000);  // before the device: set on the master when it is made
    Start();
    full->Play();
    WaitForTheEnd(full);  // by the device's clock, then a gap in the sound
    Wait(400);
    quiet->Play();
    WaitForTheEnd(quiet);
    Wait(200);

    const Capture capture = Finish();
    const auto stretches = SoundingStretches(capture, 0.002);
    ASSERT_EQ(stretches.size(), 2u);
    auto level = [&](const Stretch& s) {
        const size_t trim = (s.end - s.begin) / 5;  // the middle, away from the edges
        return Rms(capture.left, s.begin + trim, s.end - trim);
    };
    const double full_level = level(stretches[0]);
    EXPECT_NEAR(full_level, 0.5 / std::sqrt(2.0), 0.05);  // 0: the recorded level
    const double down = 20 * std::log10(full_level / level(stretches[1]));
    EXPECT_NEAR(down, 20.0, 1.0) << "measured " << down << " dB";
}

TEST_F(DirectSound, ABufferTheSystemRefusesFailsWithItsClassAndTheStartUpGoesOn) {
    TWaveCollectionItem* good = AddWave(MakeWave(std::vector<double>(1000, 0.1)));
    TWave bad = MakeWave(std::vector<double>(1000, 0.1));
    std::vector<uint8_t> format = bad.Format();
    format[2] = 0;  // no channels
    format[12] = 0;
    bad.SetFormat(format.data(), format.size());
    TWaveCollectionItem* broken = AddWave(bad);
    try {
        sound->Initialize();
        FAIL() << "no failure";
    } catch (const EDirectSoundBufferError& e) {
        EXPECT_EQ(e.Message(), "Sound Buffer cannot be made");
    }
    sound->Finalize();
    sound->Loaded();  // the start-up swallows it and stays initialized
    ASSERT_TRUE(sound->Initialized());
    EXPECT_NE(good->Buffer()->IBuffer(), nullptr);
    EXPECT_EQ(broken->Buffer()->IBuffer(), nullptr);
    try {
        broken->Stop();
        FAIL() << "no failure";
    } catch (const EDirectSoundBufferError& e) {
        EXPECT_EQ(e.Message(), "IDirectSoundBuffer not made");
    }
}

// Wine never loses a buffer, so the loss is made the way the system reports
// it (platform::win32::LoseBuffers): the buffers stop, their samples are
// gone, and every call reports the loss until they are restored.
TEST_F(DirectSound, LostBuffersAreRestoredAndSoundAgain) {
    int restores = 0;
    sound->OnRestore.Bind([&](TObject*) { ++restores; });
    TWaveCollectionItem* music = AddWave(MakeWave(SineLevels(22050, 441, 0.25)), true);
    TWaveCollectionItem* effect = AddWave(MakeWave(SineLevels(22050 / 4, 882, 0.25)));
    Start();
    EXPECT_EQ(restores, 1);
    effect->Play();
    WaitForTheEnd(effect);
    music->Play();
    Wait(300);

    // Told by a call: the music's restart finds its buffer lost, and every
    // master is made and filled anew.
    ASSERT_TRUE(platform::win32::LoseBuffers(sound->DSound()->IDSound()));
    music->Play();
    EXPECT_EQ(restores, 2);
    EXPECT_FALSE(sound->DSound()->Restoring());
    EXPECT_TRUE(music->Buffer()->Playing());
    effect->Play();  // its duplicate is lost too, its master already back
    EXPECT_EQ(restores, 2);
    EXPECT_EQ(effect->PlayingCount(), 1);
    EXPECT_TRUE(effect->PlayingBuffer(0)->Playing());
    WaitForTheEnd(effect);

    // Told by the status: asking the effect's play whether it plays finds
    // the loss and restores, as the call did.
    ASSERT_TRUE(platform::win32::LoseBuffers(sound->DSound()->IDSound()));
    EXPECT_FALSE(effect->PlayingBuffer(0)->Playing());
    EXPECT_EQ(restores, 3);
    EXPECT_FALSE(music->Buffer()->Playing());  // made anew, not started
    music->Play();
    effect->Play();
    EXPECT_EQ(restores, 3);
    EXPECT_EQ(effect->PlayingCount(), 1);
    EXPECT_TRUE(effect->PlayingBuffer(0)->Playing());
    Wait(800);

    // Heard: the music sounds again at its level after the loss, not the
    // silence the lost samples left.
    const Capture capture = Finish();
    const auto stretches = SoundingStretches(capture, 0.01);
    ASSERT_FALSE(stretches.empty());
    const Stretch& after = stretches.back();
    ASSERT_GT(capture.Seconds(after.end - after.begin), 0.5);
    EXPECT_NEAR(Rms(capture.left, after.end - size_t(capture.rate / 5), after.end), 0.25 / std::sqrt(2.0), 0.03);
}

}  // namespace
}  // namespace klice
