#include "sound/wave_list.h"

#include <chrono>
#include <thread>

#include "sound/sound_errors.h"

namespace klice {

// ---------------------------------------------------------------- item

KLICE_DESCRIBE_CLASS(TWaveCollectionItem, c) {
    c.Boolean("Looped", &TWaveCollectionItem::Looped, &TWaveCollectionItem::SetLooped).Default(0);
    c.Integer("MaxPlayingCount", &TWaveCollectionItem::MaxPlayingCount, &TWaveCollectionItem::SetMaxPlayingCount)
        .Default(0);
    c.Object("Wave", &TWaveCollectionItem::Wave, &TWaveCollectionItem::SetWave);
}

TWaveCollectionItem::TWaveCollectionItem(TCollection* collection) : THashCollectionItem(collection) {}

TWaveCollectionItem::~TWaveCollectionItem() { Finalize(); }

void TWaveCollectionItem::Assign(const TPersistent* source) {
    const auto* item = dynamic_cast<const TWaveCollectionItem*>(source);
    if (!item) {
        inherited::Assign(source);
        return;
    }
    if (item == this) return;
    inherited::Assign(source);
    SetLooped(item->looped_);
    SetMaxPlayingCount(item->max_playing_count_);
    wave_->Assign(item->wave_.get());
    frequency_ = item->frequency_;
    pan_ = item->pan_;
    volume_ = item->volume_;
}

TWaveCollection* TWaveCollectionItem::Waves() const { return dynamic_cast<TWaveCollection*>(Collection()); }

void TWaveCollectionItem::SetLooped(bool looped) {
    if (looped == looped_) return;
    Stop();
    looped_ = looped;
}

void TWaveCollectionItem::SetMaxPlayingCount(int32_t count) {
    if (count < 0) count = 0;
    if (count == max_playing_count_) return;
    max_playing_count_ = count;
    if (initialized_) playing_.clear();
}

void TWaveCollectionItem::SetFrequency(int32_t frequency) {
    frequency_ = frequency;
    if (!initialized_) return;
    if (TDirectSoundBuffer* master = Buffer(); master && master->IBuffer()) master->SetFrequency(frequency);
}

void TWaveCollectionItem::SetPan(int32_t pan) {
    pan_ = pan;
    if (!initialized_) return;
    if (TDirectSoundBuffer* master = Buffer(); master && master->IBuffer()) master->SetPan(pan);
}

void TWaveCollectionItem::SetVolume(int32_t volume) {
    volume_ = volume;
    if (!initialized_) return;
    if (TDirectSoundBuffer* master = Buffer(); master && master->IBuffer()) master->SetVolume(volume);
}

void TWaveCollectionItem::Initialize() {
    Finalize();
    TWaveCollection* waves = Waves();
    initialized_ = waves && waves->Initialized();
}

void TWaveCollectionItem::Finalize() {
    initialized_ = false;
    playing_.clear();
    master_.reset();
}

void TWaveCollectionItem::Restore() {
    if (wave_->Size() == 0) return;
    if (!initialized_) {
        if (TWaveCollection* waves = Waves(); waves && waves->Initialized()) Initialize();
        if (!initialized_) return;
    }
    if (!master_) master_ = std::make_unique<TDirectSoundBuffer>(*Waves()->DXSound()->DSound());
    master_->LoadFromWave(*wave_);
    master_->SetFrequency(frequency_);
    master_->SetPan(pan_);
    master_->SetVolume(volume_);
}

TDirectSoundBuffer* TWaveCollectionItem::Buffer() {
    if (initialized_ && !master_) Restore();
    return master_.get();
}

TDirectSoundBuffer* TWaveCollectionItem::FreeOrNewPlay() {
    for (auto& buffer : playing_)
        if (!buffer->Playing() && !buffer->Looping()) return buffer.get();
    if (max_playing_count_ == 0 || int32_t(playing_.size()) < max_playing_count_) {
        TDirectSoundBuffer* master = Buffer();
        if (!master || !master->IBuffer()) return nullptr;
        auto copy = std::make_unique<TDirectSoundBuffer>(*master->DSound());
        copy->AssignDuplicate(*master);
        playing_.push_back(std::move(copy));
        return playing_.back().get();
    }
    // The limit is reached: the oldest play starts over as the newest.
    auto oldest = std::move(playing_.front());
    playing_.erase(playing_.begin());
    playing_.push_back(std::move(oldest));
    return playing_.back().get();
}

void TWaveCollectionItem::Play(bool wait) {
    if (!initialized_) return;
    if (looped_) {
        TDirectSoundBuffer* master = Buffer();
        if (!master) throw EDirectSoundBufferError(Format(kNotMade, "IDirectSoundBuffer"));
        master->Stop();
        master->SetPosition(0);
        master->Play(true);
        return;
    }
    TDirectSoundBuffer* buffer = FreeOrNewPlay();
    if (!buffer) return;
    buffer->Stop();
    buffer->SetPosition(0);
    buffer->SetFrequency(frequency_);
    buffer->SetPan(pan_);
    buffer->SetVolume(volume_);
    buffer->Play(false);
    if (wait)
        while (buffer->Playing()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void TWaveCollectionItem::Stop() {
    if (!initialized_) return;
    TDirectSoundBuffer* master = Buffer();
    if (!master) throw EDirectSoundBufferError(Format(kNotMade, "IDirectSoundBuffer"));
    master->Stop();
    for (auto& buffer : playing_) buffer->Stop();
}

// ---------------------------------------------------------------- collection

KLICE_DESCRIBE_CLASS(TWaveCollection, c) {}

TWaveCollection::TWaveCollection(TPersistent* owner) : THashCollection(TWaveCollectionItem::StaticClass(), owner) {}

TWaveCollection::~TWaveCollection() { Finalize(); }

TWaveCollectionItem* TWaveCollection::Find(const std::string& name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : Items(index);
}

void TWaveCollection::Initialize(TCustomDXSound* sound) {
    for (int i = 0; i < Count(); ++i) Items(i)->Finalize();
    dxsound_ = sound;
    for (int i = 0; i < Count(); ++i) Items(i)->Initialize();
}

void TWaveCollection::Finalize() {
    for (int i = 0; i < Count(); ++i) Items(i)->Finalize();
    dxsound_ = nullptr;
}

void TWaveCollection::Restore() {
    for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

// ---------------------------------------------------------------- list

KLICE_DESCRIBE_CLASS(TCustomDXWaveList, c) {
    c.Object("DXSound", &TCustomDXWaveList::DXSound, &TCustomDXWaveList::SetDXSound);
    c.Object("Items", &TCustomDXWaveList::Items, &TCustomDXWaveList::SetItems);
}

KLICE_DESCRIBE_CLASS(TDXWaveList, c) {}
KLICE_REGISTER_CLASS(TDXWaveList);

TCustomDXWaveList::TCustomDXWaveList(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TWaveCollection>(this)) {}

TCustomDXWaveList::~TCustomDXWaveList() { SetDXSound(nullptr); }

void TCustomDXWaveList::SetDXSound(TCustomDXSound* sound) {
    if (sound == dxsound_) return;
    if (dxsound_) {
        TCustomDXSound* old = dxsound_;
        dxsound_ = nullptr;
        old->UnRegisterNotifyEvent(this);
        RemoveFreeNotification(old);
    }
    items_->Finalize();
    dxsound_ = sound;
    if (sound) {
        FreeNotification(sound);
        sound->RegisterNotifyEvent(
            this, [this](TCustomDXSound* sender, TDXSoundNotifyType event) { DXSoundNotify(sender, event); });
    }
}

void TCustomDXWaveList::DXSoundNotify(TCustomDXSound* sender, TDXSoundNotifyType event) {
    switch (event) {
        case dsntDestroying: SetDXSound(nullptr); break;
        case dsntInitialize: items_->Initialize(sender); break;
        case dsntFinalize: items_->Finalize(); break;
        case dsntRestore: items_->Restore(); break;
        case dsntInitializing: break;
    }
}

void TCustomDXWaveList::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == TOperation::Remove && component != nullptr && component == dxsound_) SetDXSound(nullptr);
}

}  // namespace klice
