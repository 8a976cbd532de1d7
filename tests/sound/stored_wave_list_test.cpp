#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "data/component_stream.h"
#include "sound_fixture.h"

using namespace klice;
using namespace klice::testing;

// The window's stream carries the sound component and the wave list with
// its items; reading it back binds the list and, once loading has finished,
// the sound component initializes and the waves can play.
TEST(StoredWaveList, ReadBackFromTheComponentStreamAndReadyToPlay) {
    TMemoryStream stream;
    {
        TTestForm form;
        auto* sound = new TDXSound(&form);
        sound->SetName("DXSound1");
        auto* list = new TDXWaveList(&form);
        list->SetName("WaveList");
        list->SetDXSound(sound);
        auto* key = static_cast<TWaveCollectionItem*>(list->Items()->Add());
        key->SetName("klic");
        key->SetMaxPlayingCount(3);
        TWave wave = MakeWave(std::vector<double>(3001, 0.2));
        key->SetWave(&wave);
        auto* music = static_cast<TWaveCollectionItem*>(list->Items()->Add());
        music->SetLooped(true);
        music->SetWave(&wave);
        WriteComponent(stream, form);
    }
    const std::string bytes(stream.Bytes().begin(), stream.Bytes().end());
    EXPECT_NE(bytes.find("Wave.WAVE"), std::string::npos);

    TTestForm form;
    stream.SetPosition(0);
    ReadComponent(stream, form);
    auto* sound = dynamic_cast<TDXSound*>(form.FindComponent("DXSound1"));
    auto* list = dynamic_cast<TDXWaveList*>(form.FindComponent("WaveList"));
    ASSERT_TRUE(sound && list);
    EXPECT_EQ(list->DXSound(), sound);
    ASSERT_EQ(list->Items()->Count(), 2);
    TWaveCollectionItem* key = list->Items()->Find("KLIC");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->MaxPlayingCount(), 3);
    EXPECT_FALSE(key->Looped());
    EXPECT_EQ(key->Wave()->Size(), 6002u);
    EXPECT_TRUE(list->Items()->Items(1)->Looped());

    ASSERT_TRUE(sound->Initialized());
    ASSERT_TRUE(key->Initialized());
    platform::MixingSoundDevice& device = *Mixer(*sound);
    device.SetPaused(true);
    key->Play();
    const auto out = device.MixForTesting(2000);
    EXPECT_NEAR(out[2 * 1999], 0.2, 0.004);
    form.DestroyComponents();
}
