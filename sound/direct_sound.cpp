#include "sound/direct_sound.h"

#include <algorithm>
#include <cstring>

#include "sound/sound_errors.h"
#include "sound/wave.h"

namespace klice {

using platform::SoundResult;

// ---------------------------------------------------------------- sound object

TDirectSound::TDirectSound() {
    result_ = platform::SoundDevice::Create(&device_);
    if (result_ != SoundResult::Ok) throw EDirectSoundError(Format(kCannotInitialized, "DirectSound"));
}

TDirectSound::~TDirectSound() {
    for (TDirectSoundBuffer* buffer : buffers_) {
        buffer->buffer_.reset();
        buffer->sound_ = nullptr;
    }
    buffers_.clear();
}

platform::SoundDevice& TDirectSound::IDSound() const {
    if (!device_) throw EDirectSoundError(Format(kNotMade, "IDirectSound"));
    return *device_;
}

void TDirectSound::SetCooperativeLevel(const void* window, platform::CooperativeLevel level) {
    result_ = IDSound().SetCooperativeLevel(window, level);
}

void TDirectSound::BufferLost() {
    if (restoring_) return;
    restoring_ = true;
    try {
        DoRestoreBuffer();
    } catch (...) {
        restoring_ = false;
        throw;
    }
    restoring_ = false;
}

// ---------------------------------------------------------------- buffer

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSound& sound) : sound_(&sound) { sound.buffers_.push_back(this); }

TDirectSoundBuffer::~TDirectSoundBuffer() {
    buffer_.reset();
    if (sound_) {
        auto& list = sound_->buffers_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

platform::SoundBuffer& TDirectSoundBuffer::Buffer() const {
    if (!buffer_) throw EDirectSoundBufferError(Format(kNotMade, "IDirectSoundBuffer"));
    return *buffer_;
}

SoundResult TDirectSoundBuffer::Check(SoundResult result) {
    result_ = result;
    if (result == SoundResult::BufferLost) LossReported();
    return result;
}

void TDirectSoundBuffer::LossReported() {
    if (!sound_) return;
    // A duplicate keeps the samples it was made from: once its master has
    // been restored (made anew and filled), it is a fresh duplicate of it,
    // or it would report its loss, and restore every master again, at every
    // play without ever sounding. A loss its master shares restores first.
    if (!LiveSource() || SourceLost()) sound_->BufferLost();
    RenewDuplicate();
}

const TDirectSoundBuffer* TDirectSoundBuffer::LiveSource() const {
    if (!duplicate_of_ || !sound_) return nullptr;
    const auto& buffers = sound_->buffers_;
    if (std::find(buffers.begin(), buffers.end(), duplicate_of_) == buffers.end()) return nullptr;
    return duplicate_of_->buffer_ ? duplicate_of_ : nullptr;
}

bool TDirectSoundBuffer::SourceLost() const {
    uint32_t status = 0;
    const TDirectSoundBuffer* source = LiveSource();
    return source && (source->buffer_->GetStatus(&status) != SoundResult::Ok || (status & platform::kStatusBufferLost));
}

void TDirectSoundBuffer::RenewDuplicate() {
    if (renewing_ || !sound_ || sound_->Restoring() || !LiveSource() || SourceLost()) return;
    renewing_ = true;
    const TDirectSoundBuffer* source = duplicate_of_;
    buffer_.reset();
    locked_ = false;
    const SoundResult result = sound_->IDSound().DuplicateBuffer(*source->buffer_, &buffer_);
    renewing_ = false;
    // The loss stays the recorded result of the call that reported it.
    if (result != SoundResult::Ok) result_ = result;
}

void TDirectSoundBuffer::Release() {
    buffer_.reset();
    duplicate_of_ = nullptr;
    locked_ = false;
}

bool TDirectSoundBuffer::CreateBuffer(const platform::BufferDescription& description) {
    Release();
    if (!sound_) throw EDirectSoundError(Format(kNotMade, "IDirectSound"));
    return Check(sound_->IDSound().CreateBuffer(description, &buffer_)) == SoundResult::Ok;
}

void TDirectSoundBuffer::LoadFromWave(const TWave& wave) {
    platform::BufferDescription d;
    d.flags = platform::kBufferCtrlFrequency | platform::kBufferCtrlPan | platform::kBufferCtrlVolume;
    if (sound_ && sound_->StickyFocus)
        d.flags |= platform::kBufferStickyFocus;
    else if (sound_ && sound_->GlobalFocus)
        d.flags |= platform::kBufferGlobalFocus;
    d.bytes = uint32_t(std::min<size_t>(wave.Size(), UINT32_MAX));
    d.format_block = wave.Format().data();
    d.format_block_size = wave.FormatSize();
    if (!platform::WaveFormat::FromBytes(wave.Format().data(), wave.FormatSize(), &d.format) ||
        d.bytes != wave.Size() || !CreateBuffer(d))
        throw EDirectSoundBufferError(Format(kCannotMade, "Sound Buffer"));
    void *region1, *region2;
    uint32_t length1, length2;
    if (!Lock(0, 0, &region1, &length1, &region2, &length2, true)) {
        Release();
        throw EDirectSoundBufferError(Format(kCannotLock, "Sound Buffer"));
    }
    std::memcpy(region1, wave.Data(), std::min<size_t>(length1, wave.Size()));
    if (region2 && wave.Size() > length1)
        std::memcpy(region2, wave.Data() + length1, std::min<size_t>(length2, wave.Size() - length1));
    Unlock();
}

void TDirectSoundBuffer::AssignDuplicate(const TDirectSoundBuffer& source) {
    Release();
    if (!sound_) throw EDirectSoundError(Format(kNotMade, "IDirectSound"));
    duplicate_of_ = &source;
    Check(sound_->IDSound().DuplicateBuffer(source.Buffer(), &buffer_));
}

bool TDirectSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1, void** region2,
                              uint32_t* length2, bool entire) {
    if (locked_) return false;
    if (Check(Buffer().Lock(offset, bytes, region1, length1, region2, length2, entire)) != SoundResult::Ok)
        return false;
    locked_ = true;
    lock_region1_ = *region1;
    lock_length1_ = *length1;
    lock_region2_ = region2 ? *region2 : nullptr;
    lock_length2_ = length2 ? *length2 : 0;
    return true;
}

void TDirectSoundBuffer::Unlock() {
    if (!locked_) return;
    locked_ = false;
    Check(Buffer().Unlock(lock_region1_, lock_length1_, lock_region2_, lock_length2_));
}

void TDirectSoundBuffer::Play(bool loop) { Check(Buffer().Play(loop)); }
void TDirectSoundBuffer::Stop() { Check(Buffer().Stop()); }
void TDirectSoundBuffer::SetPosition(uint32_t byte) { Check(Buffer().SetCurrentPosition(byte)); }

uint32_t TDirectSoundBuffer::Position() {
    uint32_t byte = 0;
    Check(Buffer().GetCurrentPosition(&byte));
    return byte;
}

void TDirectSoundBuffer::SetFrequency(int32_t frequency) {
    Check(Buffer().SetFrequency(uint32_t(std::max(frequency, 0))));
}

int32_t TDirectSoundBuffer::Frequency() {
    uint32_t hz = 0;
    Check(Buffer().GetFrequency(&hz));
    return int32_t(hz);
}

void TDirectSoundBuffer::SetPan(int32_t pan) { Check(Buffer().SetPan(pan)); }

int32_t TDirectSoundBuffer::Pan() {
    int32_t pan = 0;
    Check(Buffer().GetPan(&pan));
    return pan;
}

void TDirectSoundBuffer::SetVolume(int32_t volume) { Check(Buffer().SetVolume(volume)); }

int32_t TDirectSoundBuffer::Volume() {
    int32_t volume = 0;
    Check(Buffer().GetVolume(&volume));
    return volume;
}

uint32_t TDirectSoundBuffer::Status() {
    uint32_t status = 0;
    Check(Buffer().GetStatus(&status));
    // The system tells a loss in the status of a buffer that is asked
    // whether it plays, without failing the call.
    if ((status & platform::kStatusBufferLost) && !renewing_ && sound_ && !sound_->Restoring()) {
        LossReported();
        status = 0;
        if (buffer_) Check(buffer_->GetStatus(&status));
    }
    return status;
}

bool TDirectSoundBuffer::Playing() { return (Status() & platform::kStatusPlaying) != 0; }
bool TDirectSoundBuffer::Looping() { return (Status() & platform::kStatusLooping) != 0; }

uint32_t TDirectSoundBuffer::Size() {
    platform::BufferCaps caps;
    Check(Buffer().GetCaps(&caps));
    return caps.bytes;
}

platform::WaveFormat TDirectSoundBuffer::BufferFormat() {
    platform::WaveFormat format;
    Check(Buffer().GetFormat(&format));
    return format;
}

}  // namespace klice
