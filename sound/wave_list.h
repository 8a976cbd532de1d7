// The wave list: a component holding named waves that play on the sound
// component it is bound to. Each item keeps one master buffer with its
// samples and plays duplicates of it, so that plays overlap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/hash_collection.h"
#include "data/persistent.h"
#include "sound/direct_sound.h"
#include "sound/dx_sound.h"
#include "sound/wave.h"

namespace klice {

class TWaveCollection;

class TWaveCollectionItem : public THashCollectionItem {
    KLICE_CLASS(TWaveCollectionItem, THashCollectionItem)
public:
    explicit TWaveCollectionItem(TCollection* collection);
    ~TWaveCollectionItem() override;
    void Assign(const TPersistent* source) override;

    bool Looped() const { return looped_; }
    // A change stops the sound first.
    void SetLooped(bool looped);
    // 0: no limit; negative values become 0. A change frees the playing list.
    int32_t MaxPlayingCount() const { return max_playing_count_; }
    void SetMaxPlayingCount(int32_t count);
    TWave* Wave() const { return wave_.get(); }
    void SetWave(TWave* wave) { wave_->Assign(wave); }

    // Hz (0: the recorded rate), pan and volume in hundredths of a decibel
    // (0: full level, -10000 silent). Stored; an initialized item's master
    // buffer takes them at once and every play takes them when it starts.
    int32_t Frequency() const { return frequency_; }
    void SetFrequency(int32_t frequency);
    int32_t Pan() const { return pan_; }
    void SetPan(int32_t pan);
    int32_t Volume() const { return volume_; }
    void SetVolume(int32_t volume);

    // A looped item restarts its master buffer; an unlooped one plays a free
    // duplicate, a new one, or restarts the oldest when MaxPlayingCount is
    // reached. With wait, returns when the play has ended. Nothing happens
    // while the item is not initialized.
    void Play(bool wait = false);
    // Stops the master buffer and every play.
    void Stop();

    bool Initialized() const { return initialized_; }
    void Initialize();
    void Finalize();
    // (Re)loads the master buffer from the wave.
    void Restore();
    // The master buffer, made when an initialized item has none; null when
    // the wave is empty.
    TDirectSoundBuffer* Buffer();
    int PlayingCount() const { return int(playing_.size()); }
    TDirectSoundBuffer* PlayingBuffer(int index) const { return playing_.at(size_t(index)).get(); }

private:
    TWaveCollection* Waves() const;
    TDirectSoundBuffer* FreeOrNewPlay();

    bool looped_ = false;
    int32_t max_playing_count_ = 0;
    std::unique_ptr<TWave> wave_ = std::make_unique<TWave>();
    int32_t frequency_ = 0;
    int32_t pan_ = 0;
    int32_t volume_ = 0;
    bool initialized_ = false;
    std::unique_ptr<TDirectSoundBuffer> master_;
    std::vector<std::unique_ptr<TDirectSoundBuffer>> playing_;  // oldest first
};

class TWaveCollection : public THashCollection {
    KLICE_CLASS(TWaveCollection, THashCollection)
public:
    explicit TWaveCollection(TPersistent* owner = nullptr);
    ~TWaveCollection() override;

    TWaveCollectionItem* Items(int index) const { return ItemAs<TWaveCollectionItem>(index); }
    // The most recently named item of that name, letter case ignored, or null.
    TWaveCollectionItem* Find(const std::string& name) const;

    // Forgets the old component and takes this one; its items are
    // initialized when it is.
    void Initialize(TCustomDXSound* sound);
    void Finalize();
    void Restore();
    TCustomDXSound* DXSound() const { return dxsound_; }
    bool Initialized() const { return dxsound_ && dxsound_->Initialized(); }

private:
    TCustomDXSound* dxsound_ = nullptr;
};

class TCustomDXWaveList : public TComponent {
    KLICE_CLASS(TCustomDXWaveList, TComponent)
public:
    explicit TCustomDXWaveList(TComponent* owner);
    ~TCustomDXWaveList() override;

    // The sound component the waves play on: the list follows its life.
    TCustomDXSound* DXSound() const { return dxsound_; }
    void SetDXSound(TCustomDXSound* sound);
    TWaveCollection* Items() const { return items_.get(); }
    void SetItems(TWaveCollection* items) { items_->Assign(items); }

    void Notification(TComponent* component, TOperation operation) override;

private:
    void DXSoundNotify(TCustomDXSound* sender, TDXSoundNotifyType event);

    TCustomDXSound* dxsound_ = nullptr;
    std::unique_ptr<TWaveCollection> items_;
};

class TDXWaveList : public TCustomDXWaveList {
    KLICE_CLASS(TDXWaveList, TCustomDXWaveList)
public:
    explicit TDXWaveList(TComponent* owner) : TCustomDXWaveList(owner) {}
};

}  // namespace klice
