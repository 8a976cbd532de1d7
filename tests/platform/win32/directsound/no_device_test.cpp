// Without a sound device (this program's ALSA configuration names none):
// the sound component stays silent and raises nothing, and klice.exe starts
// and runs, silent, without an error box.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "klice_process.h"
#include "platform/sound_device.h"
#include "sound/dx_sound.h"
#include "sound/sound_errors.h"
#include "sound/wave_list.h"
#include "tests/sound/sound_fixture.h"

namespace klice {
namespace {

using namespace klice::testing;

TEST(NoSoundDevice, TheComponentStaysSilentAndPlayStopAndVolumeRaiseNothing) {
    platform::ScopedAudioOutput system(platform::AudioOutput::System());
    std::unique_ptr<platform::SoundDevice> device;
    EXPECT_EQ(platform::SoundDevice::Create(&device), platform::SoundResult::NoDriver);
    EXPECT_FALSE(platform::SystemAudioAvailable());

    TTestForm form;
    auto* sound = new TDXSound(&form);
    auto* list = new TDXWaveList(&form);
    list->SetDXSound(sound);
    const TWave wave = MakeWave(std::vector<double>(1000, 0.1));
    auto* effect = static_cast<TWaveCollectionItem*>(list->Items()->Add());
    effect->SetWave(const_cast<TWave*>(&wave));
    auto* music = static_cast<TWaveCollectionItem*>(list->Items()->Add());
    music->SetWave(const_cast<TWave*>(&wave));
    music->SetLooped(true);

    EXPECT_NO_THROW(sound->Loaded());  // "DirectSound cannot be initialized", swallowed
    EXPECT_FALSE(sound->Initialized());
    EXPECT_NO_THROW({
        effect->SetVolume(-2000);
        effect->Play();
        music->Play();
        effect->Stop();
        music->Stop();
    });
    EXPECT_EQ(effect->Volume(), -2000);
    EXPECT_EQ(effect->Buffer(), nullptr);
    try {
        sound->Initialize();  // outside the start-up the failure is told
        FAIL() << "no failure";
    } catch (const EDirectSoundError& e) {
        EXPECT_EQ(e.Message(), "DirectSound cannot be initialized");
    }
    form.DestroyComponents();
}

TEST(NoSoundDevice, KliceStartsAndRunsSilentWithoutAnErrorBox) {
    KliceProcess klice;
    ASSERT_TRUE(klice.Running());
    // Through the title's music tick, where the first sound would start.
    std::this_thread::sleep_for(std::chrono::seconds(7));
    EXPECT_TRUE(klice.Running());
    EXPECT_NE(klice.MainWindow(), nullptr);
    EXPECT_EQ(klice.ErrorBoxText(), "");
    EXPECT_EQ(klice.Close(), 0);
}

}  // namespace
}  // namespace klice
