#include <gtest/gtest.h>

#include "sound/sound_errors.h"
#include "sound_fixture.h"

using namespace klice;
using namespace klice::testing;

namespace {

constexpr double kTolerance = 0.004;  // the resampler's ripple on a constant

class WaveListTest : public SoundTest {};

}  // namespace

TEST_F(WaveListTest, OverlappingPlaysUseOneDuplicateEachAndAFreeOneIsReused) {
    TWaveCollectionItem* item = AddWave(MakeWave(std::vector<double>(11025, 0.1)));  // 0.5 s
    Start();
    EXPECT_NEAR(LevelAfter(2000), 0.0, 1e-6);
    item->Play();
    EXPECT_NEAR(LevelAfter(2000), 0.1, kTolerance);
    item->Play();
    EXPECT_NEAR(LevelAfter(2000), 0.2, kTolerance);
    item->Play();
    EXPECT_NEAR(LevelAfter(2000), 0.3, kTolerance);
    ASSERT_EQ(item->PlayingCount(), 3);
    TDirectSoundBuffer* first = item->PlayingBuffer(0);
    EXPECT_FALSE(item->Buffer()->Playing());  // the master itself never plays

    Mix(device->OutputRate());  // all three end
    EXPECT_TRUE(Silent(Mix(512)));
    item->Play();
    EXPECT_EQ(item->PlayingCount(), 3);
    EXPECT_EQ(item->PlayingBuffer(0), first);
    EXPECT_TRUE(first->Playing());
    EXPECT_FALSE(item->PlayingBuffer(1)->Playing());
    EXPECT_NEAR(LevelAfter(2000), 0.1, kTolerance);
}

TEST_F(WaveListTest, AtMaxPlayingCountTheOldestPlayStartsOver) {
    // 0.25 s at 0.1, then 0.25 s at 0.3: the level tells how far a play is.
    TWaveCollectionItem* item = AddWave(MakeWave(TwoLevels(5512, 0.1, 0.3)), false, 2);
    Start();
    const int quarter = device->OutputRate() / 4;
    item->Play();
    TDirectSoundBuffer* oldest = item->PlayingBuffer(0);
    EXPECT_NEAR(LevelAfter(quarter + 1000), 0.3, kTolerance);
    item->Play();
    EXPECT_NEAR(LevelAfter(500), 0.4, kTolerance);
    item->Play();  // both busy: the oldest restarts from its beginning
    EXPECT_NEAR(LevelAfter(500), 0.2, kTolerance);
    ASSERT_EQ(item->PlayingCount(), 2);
    EXPECT_EQ(item->PlayingBuffer(1), oldest);

    item->SetMaxPlayingCount(-3);
    EXPECT_EQ(item->MaxPlayingCount(), 0);
    EXPECT_EQ(item->PlayingCount(), 0);  // a new limit frees the plays
    EXPECT_TRUE(Silent(Mix(256)));
}

TEST_F(WaveListTest, LoopedWaveRestartsFromItsBeginningAndStopSilencesIt) {
    TWaveCollectionItem* item = AddWave(MakeWave(TwoLevels(5512, 0.1, 0.3)), true);
    Start();
    const int quarter = device->OutputRate() / 4;
    item->Play();
    EXPECT_NEAR(LevelAfter(quarter + 1000), 0.3, kTolerance);
    item->Play();
    EXPECT_NEAR(LevelAfter(500), 0.1, kTolerance);  // one instance, from the start
    EXPECT_EQ(item->PlayingCount(), 0);
    Mix(2 * quarter);  // past the end: around again
    EXPECT_TRUE(item->Buffer()->Looping());
    EXPECT_NEAR(LevelAfter(500), 0.1, kTolerance);
    item->Stop();
    EXPECT_TRUE(Silent(Mix(1024)));

    // Changing Looped stops the sound first.
    item->Play();
    item->SetLooped(false);
    EXPECT_TRUE(Silent(Mix(1024)));
}

TEST_F(WaveListTest, VolumeInHundredthsOfADecibelReachesEveryPlay) {
    const TWave sine = MakeWave(SineLevels(22050, 441, 0.5));
    TWaveCollectionItem* full = AddWave(sine);
    TWaveCollectionItem* minus20 = AddWave(sine);
    TWaveCollectionItem* minus10 = AddWave(sine);
    minus20->SetVolume(-2000);  // before the device exists: only stored
    Start();
    minus10->SetVolume(-1000);  // initialized: the master takes it at once
    EXPECT_EQ(minus10->Buffer()->Volume(), -1000);
    EXPECT_EQ(minus20->Buffer()->Volume(), -2000);

    const int half = device->OutputRate() / 2;
    const size_t from = 2000, to = 2 * size_t(half) - 2000;
    auto measure = [&](TWaveCollectionItem* item) {
        item->Play();
        auto out = Mix(half);
        item->Stop();
        return Rms(out, from, to);
    };
    const double reference = measure(full);
    ASSERT_GT(reference, 0.3);
    EXPECT_NEAR(measure(minus20) / reference, 0.1, 0.001);
    EXPECT_NEAR(measure(minus20) / reference, 0.1, 0.001);  // a later play too
    EXPECT_NEAR(measure(minus10) / reference, std::pow(10.0, -0.5), 0.00316);
}

TEST_F(WaveListTest, WaveWithoutSamplesGetsNoBuffer) {
    TWave empty;
    const uint8_t format[16] = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
    empty.SetFormat(format, sizeof format);
    TWaveCollectionItem* item = AddWave(empty);
    Start();
    EXPECT_EQ(item->Buffer(), nullptr);
    item->Play();  // nothing to play
    EXPECT_EQ(item->PlayingCount(), 0);
    EXPECT_TRUE(Silent(Mix(256)));
    try {
        item->Stop();
        FAIL() << "no failure";
    } catch (const EDirectSoundBufferError& e) {
        EXPECT_EQ(e.Message(), "IDirectSoundBuffer not made");
    }
}

TEST_F(WaveListTest, UnplayableFormatFailsTheRestoreButLoadingGoesOn) {
    TWaveCollectionItem* good = AddWave(MakeWave(std::vector<double>(1000, 0.1)));
    TWave bad = MakeWave(std::vector<double>(1000, 0.1));
    std::vector<uint8_t> format = bad.Format();
    format[0] = 2;  // a compressed format the mixer cannot take
    bad.SetFormat(format.data(), format.size());
    TWaveCollectionItem* broken = AddWave(bad);
    TWaveCollectionItem* after = AddWave(MakeWave(std::vector<double>(1000, 0.2)));

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
    device = Mixer(*sound);
    device->SetPaused(true);
    after->Play();  // its master is made when it is first asked for
    EXPECT_NEAR(LevelAfter(1000), 0.2, kTolerance);
    EXPECT_THROW(broken->Stop(), EDirectSoundBufferError);
}

TEST_F(WaveListTest, LostBuffersRestoreTheMastersOnce) {
    int restores = 0;
    sound->OnRestore.Bind([&](TObject*) { ++restores; });
    TWaveCollectionItem* music = AddWave(MakeWave(std::vector<double>(4000, 0.25)), true);
    Start();
    EXPECT_EQ(restores, 1);
    device->LoseBuffers();
    music->Play();  // the loss is reported and everything is reloaded
    EXPECT_EQ(restores, 2);
    EXPECT_FALSE(sound->DSound()->Restoring());
    music->Play();
    EXPECT_NEAR(LevelAfter(1000), 0.25, kTolerance);
    EXPECT_EQ(restores, 2);
}

TEST_F(WaveListTest, ALossToldInTheStatusRestoresAsOneToldByACall) {
    int restores = 0;
    sound->OnRestore.Bind([&](TObject*) { ++restores; });
    TWaveCollectionItem* effect = AddWave(MakeWave(std::vector<double>(2000, 0.25)));
    Start();
    effect->Play();
    Mix(device->OutputRate());
    TDirectSoundBuffer* play = effect->PlayingBuffer(0);
    device->LoseBuffers();
    // Asking whether it plays finds the loss: the masters are made anew and
    // the play is a fresh duplicate, no longer lost.
    EXPECT_FALSE(play->Playing());
    EXPECT_EQ(restores, 2);
    EXPECT_EQ(play->DXResult(), platform::SoundResult::Ok);
    uint32_t status = 0;
    ASSERT_NE(play->IBuffer(), nullptr);
    EXPECT_EQ(play->IBuffer()->GetStatus(&status), platform::SoundResult::Ok);
    EXPECT_EQ(status & platform::kStatusBufferLost, 0u);
    effect->Play();
    EXPECT_EQ(restores, 2);
    EXPECT_EQ(effect->PlayingCount(), 1);
    EXPECT_NEAR(LevelAfter(500), 0.25, kTolerance);
}

TEST_F(WaveListTest, LostPlaysSoundAgainAfterOneRestore) {
    int restores = 0;
    sound->OnRestore.Bind([&](TObject*) { ++restores; });
    TWaveCollectionItem* effect = AddWave(MakeWave(std::vector<double>(2000, 0.25)));
    TWaveCollectionItem* other = AddWave(MakeWave(std::vector<double>(2000, 0.125)));
    Start();
    effect->Play();
    other->Play();
    Mix(device->OutputRate());  // both end; their duplicates stay for the next plays
    TDirectSoundBuffer* play = effect->PlayingBuffer(0);
    device->LoseBuffers();

    effect->Play();  // its master is lost too: one restore, and it sounds
    EXPECT_EQ(restores, 2);
    EXPECT_EQ(effect->PlayingBuffer(0), play);
    EXPECT_NEAR(LevelAfter(500), 0.25, kTolerance);
    other->Play();  // its master is back already: no second restore
    EXPECT_EQ(restores, 2);
    EXPECT_NEAR(LevelAfter(500), 0.375, kTolerance);
    Mix(device->OutputRate());
    effect->Play();
    EXPECT_EQ(restores, 2);
    EXPECT_EQ(effect->PlayingCount(), 1);
    EXPECT_NEAR(LevelAfter(500), 0.25, kTolerance);
}

TEST_F(WaveListTest, WithoutADeviceEverythingIsSilentAndNothingRaises) {
    NoDevice no_device;
    TWaveCollectionItem* item = AddWave(MakeWave(std::vector<double>(1000, 0.1)));
    TWaveCollectionItem* music = AddWave(MakeWave(std::vector<double>(1000, 0.1)), true);
    EXPECT_NO_THROW(sound->Loaded());
    EXPECT_FALSE(sound->Initialized());
    EXPECT_NO_THROW({
        item->SetVolume(-2000);
        item->Play();
        music->Play();
        item->Stop();
        music->Stop();
    });
    EXPECT_EQ(item->Volume(), -2000);
    EXPECT_EQ(item->Buffer(), nullptr);
    try {
        sound->Initialize();  // outside the start-up the failure is reported
        FAIL() << "no failure";
    } catch (const EDirectSoundError& e) {
        EXPECT_EQ(e.Message(), "DirectSound cannot be initialized");
    }
}

TEST_F(WaveListTest, TheListFollowsItsSoundComponent) {
    TWaveCollectionItem* item = AddWave(MakeWave(std::vector<double>(1000, 0.1)));
    Start();
    EXPECT_TRUE(item->Initialized());
    EXPECT_EQ(list->Items()->DXSound(), sound);
    sound->Finalize();
    EXPECT_FALSE(item->Initialized());
    EXPECT_EQ(item->Buffer(), nullptr);

    // A list bound to an initialized component is initialized and restored at once.
    auto* late = new TDXWaveList(&form);
    auto* late_item = static_cast<TWaveCollectionItem*>(late->Items()->Add());
    TWave wave = MakeWave(std::vector<double>(1000, 0.1));
    late_item->SetWave(&wave);
    sound->Initialize();
    late->SetDXSound(sound);
    EXPECT_TRUE(late_item->Initialized());
    EXPECT_NE(late_item->Buffer(), nullptr);
    late->SetDXSound(nullptr);
    EXPECT_FALSE(late_item->Initialized());

    delete sound;
    EXPECT_EQ(list->DXSound(), nullptr);
    EXPECT_FALSE(item->Initialized());
    EXPECT_NO_THROW(item->Play());
}

TEST(WaveItem, StoredPropertiesInTheirOrderAndTheWaveAsABlock) {
    std::vector<std::string> names;
    for (const TPropInfo* p : TWaveCollectionItem::StaticClass().Properties()) names.push_back(p->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Looped", "MaxPlayingCount", "Wave"}));
    TWaveCollection waves;
    auto* item = static_cast<TWaveCollectionItem*>(waves.Add());
    item->SetName("Klic");
    EXPECT_EQ(waves.Find("KLIC"), item);
    EXPECT_EQ(waves.Find("klice"), nullptr);
}
