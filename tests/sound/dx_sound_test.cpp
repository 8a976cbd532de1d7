#include <gtest/gtest.h>

#include "sound/sound_errors.h"
#include "sound_fixture.h"

using namespace klice;
using namespace klice::testing;

namespace {

class DXSoundTest : public SoundTest {
protected:
    // Registers a listener that writes "<name><event>" into the log.
    void Listen(const void* key, const std::string& name) {
        sound->RegisterNotifyEvent(key, [this, name](TCustomDXSound*, TDXSoundNotifyType event) {
            log.push_back(name + std::to_string(int(event)));
        });
    }
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(DXSoundTest, LifeCycleEventsReachTheNewestListenerFirst) {
    int a = 0, b = 0, c = 0;
    Listen(&a, "a");
    Listen(&b, "b");
    Listen(&a, "a");  // registering again moves it to the newest place
    std::vector<std::string> hooks;
    sound->OnInitializing.Bind([&](TObject*) { hooks.push_back("initializing " + std::to_string(log.size())); });
    sound->OnInitialize.Bind([&](TObject*) { hooks.push_back("initialize " + std::to_string(log.size())); });
    sound->OnRestore.Bind([&](TObject*) { hooks.push_back("restore " + std::to_string(log.size())); });
    sound->OnFinalize.Bind([&](TObject*) { hooks.push_back("finalize " + std::to_string(log.size())); });

    sound->Initialize();
    EXPECT_EQ(log, (Log{"a1", "b1", "a2", "b2", "a4", "b4"}));
    EXPECT_EQ(hooks, (Log{"initializing 2", "initialize 4", "restore 6"}));
    log.clear();
    Listen(&c, "c");  // joining an initialized component
    EXPECT_EQ(log, (Log{"c2", "c4"}));
    log.clear();
    sound->UnRegisterNotifyEvent(&b);
    EXPECT_EQ(log, (Log{"b3"}));
    log.clear();
    sound->Finalize();
    EXPECT_EQ(log, (Log{"c3", "a3"}));
    EXPECT_EQ(hooks.back(), "finalize 0");  // the hook runs before the listeners hear
    log.clear();
    sound->Finalize();  // nothing has run since: nothing to tell
    EXPECT_TRUE(log.empty());
    delete list;
    delete sound;
    EXPECT_EQ(log, (Log{"c0", "a0"}));
}

TEST_F(DXSoundTest, TheOwningFormIsFoundUpTheOwnerChain) {
    auto* panel = new TComponent(&form);
    auto* nested = new TDXSound(panel);
    nested->Initialize();
    EXPECT_EQ(nested->Form(), &form);
    Mixer(*nested)->SetPaused(true);
    EXPECT_EQ(nested->DSound()->IDSound().Window(), form.window);
    delete nested;

    TComponent orphan_owner(nullptr);
    auto* orphan = new TDXSound(&orphan_owner);
    try {
        orphan->Loaded();  // not a device failure: it is not swallowed
        FAIL() << "no failure";
    } catch (const EDXSoundError& e) {
        EXPECT_EQ(e.Message(), "Form not found");
    }
    EXPECT_FALSE(orphan->Initialized());
}

TEST_F(DXSoundTest, OptionsInForceAndTheCooperativeLevel) {
    using enum TDXSoundOption;
    sound->SetOptions({soExclusive, soGlobalFocus});
    EXPECT_EQ(sound->NowOptions(), (TDXSoundOptions{soExclusive, soGlobalFocus}));
    Start();
    EXPECT_EQ(device->Level(), platform::CooperativeLevel::Exclusive);
    EXPECT_TRUE(sound->DSound()->GlobalFocus);

    sound->SetOptions({soStickyFocus});  // focus at once, exclusive at the next initialization
    EXPECT_EQ(sound->NowOptions(), (TDXSoundOptions{soStickyFocus, soExclusive}));
    EXPECT_TRUE(sound->DSound()->StickyFocus);
    EXPECT_FALSE(sound->DSound()->GlobalFocus);

    int other_window = 0;
    form.RecreateWindow(&other_window);
    EXPECT_EQ(device->Window(), &other_window);

    sound->Finalize();
    EXPECT_EQ(sound->NowOptions(), (TDXSoundOptions{soStickyFocus}));
    EXPECT_FALSE(form.Hooked(sound));
    Start();
    EXPECT_EQ(device->Level(), platform::CooperativeLevel::Normal);
}

TEST_F(DXSoundTest, FocusOptionsDecideWhatSoundsWithoutTheFocus) {
    TWaveCollectionItem* item = AddWave(MakeWave(std::vector<double>(22050, 0.25)), true);
    Start();
    item->Play();
    device->SetApplicationFocus(false);
    EXPECT_TRUE(Silent(Mix(512)));
    device->SetApplicationFocus(true);
    sound->Finalize();
    sound->SetOptions({TDXSoundOption::soGlobalFocus});
    Start();
    item->Play();
    device->SetApplicationFocus(false);
    EXPECT_NEAR(LevelAfter(2000), 0.25, 0.004);
}

TEST_F(DXSoundTest, DeviceFailuresAreOfTheirClasses) {
    {
        NoDevice no_device;
        Listen(&log, "l");
        EXPECT_THROW(sound->Initialize(), EDirectXError);
        EXPECT_EQ(log, (Log{"l1", "l3"}));  // finalized on the way out
        EXPECT_FALSE(sound->Initialized());
        EXPECT_EQ(sound->DSound(), nullptr);
    }
    Start();
    TDirectSoundBuffer unmade(*sound->DSound());
    try {
        unmade.Play(false);
        FAIL() << "no failure";
    } catch (const EDirectSoundBufferError& e) {
        EXPECT_EQ(e.Message(), "IDirectSoundBuffer not made");
    }
    void *r1, *r2;
    uint32_t l1, l2;
    TDirectSoundBuffer* primary = sound->Primary();
    EXPECT_FALSE(primary->Lock(0, 0, &r1, &l1, &r2, &l2, true));  // recorded, not raised
    EXPECT_EQ(primary->DXResult(), platform::SoundResult::Unsupported);
}

TEST(DXSoundClass, StoredPropertiesInTheirOrder) {
    std::vector<std::string> names;
    for (const TPropInfo* p : TDXSound::StaticClass().Properties()) names.push_back(p->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "AutoInitialize", "Options", "OnFinalize", "OnInitialize",
                                               "OnInitializing", "OnRestore"}));
    EXPECT_EQ(GetClass("TDXSound"), &TDXSound::StaticClass());
    EXPECT_EQ(GetClass("TDXWaveList"), &TDXWaveList::StaticClass());
}
