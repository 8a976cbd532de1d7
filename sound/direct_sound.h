// Wrappers around the platform's sound device and its buffers. They record
// the result of every platform call instead of raising it; only a creation
// that fails and an operation without its platform object raise.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound_device.h"

namespace klice {

class TDirectSoundBuffer;
class TWave;

// The sound object: the platform device and the buffers made on it.
class TDirectSound {
public:
    // EDirectSoundError "DirectSound cannot be initialized" without a device.
    TDirectSound();
    // Buffers still registered lose their platform buffers (their owners
    // free the wrappers).
    virtual ~TDirectSound();
    TDirectSound(const TDirectSound&) = delete;
    TDirectSound& operator=(const TDirectSound&) = delete;

    // The platform device; EDirectSoundError "IDirectSound not made" when
    // there is none.
    platform::SoundDevice& IDSound() const;
    platform::SoundResult DXResult() const { return result_; }
    void SetCooperativeLevel(const void* window, platform::CooperativeLevel level);

    // Used when secondary buffers are made.
    bool GlobalFocus = false;
    bool StickyFocus = false;

    const std::vector<TDirectSoundBuffer*>& Buffers() const { return buffers_; }

    // A buffer reported a loss: restore once; a loss reported while the
    // restore runs does not start another.
    void BufferLost();
    bool Restoring() const { return restoring_; }

protected:
    virtual void DoRestoreBuffer() {}

private:
    friend class TDirectSoundBuffer;
    std::unique_ptr<platform::SoundDevice> device_;
    platform::SoundResult result_ = platform::SoundResult::Ok;
    std::vector<TDirectSoundBuffer*> buffers_;
    bool restoring_ = false;
};

class TDirectSoundBuffer {
public:
    explicit TDirectSoundBuffer(TDirectSound& sound);
    ~TDirectSoundBuffer();
    TDirectSoundBuffer(const TDirectSoundBuffer&) = delete;
    TDirectSoundBuffer& operator=(const TDirectSoundBuffer&) = delete;

    TDirectSound* DSound() const { return sound_; }
    platform::SoundBuffer* IBuffer() const { return buffer_.get(); }
    platform::SoundResult DXResult() const { return result_; }

    // Makes a new platform buffer in place of the old one; false on failure
    // (the result is recorded and the buffer has none).
    bool CreateBuffer(const platform::BufferDescription& description);
    // A secondary buffer with the wave's format and exactly its size, filled
    // with its samples. Raises EDirectSoundBufferError "Sound Buffer cannot
    // be made" / "Sound Buffer cannot be locked" (then without a platform
    // buffer).
    void LoadFromWave(const TWave& wave);
    // A duplicate of source sharing its samples; a refused duplicate leaves
    // this buffer without a platform buffer. A duplicate that reports a loss
    // becomes a duplicate of its source anew once the sound object has
    // restored (and so refilled) the source.
    void AssignDuplicate(const TDirectSoundBuffer& source);
    void Release();

    // One lock at a time: false while one is open, or when the platform
    // refuses.
    bool Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1, void** region2, uint32_t* length2,
              bool entire = false);
    void Unlock();

    // These need a platform buffer: EDirectSoundBufferError "IDirectSoundBuffer
    // not made" without one. Their results are recorded, not raised.
    void Play(bool loop);
    void Stop();
    void SetPosition(uint32_t byte);
    uint32_t Position();
    void SetFrequency(int32_t frequency);
    int32_t Frequency();
    void SetPan(int32_t pan);
    int32_t Pan();
    void SetVolume(int32_t volume);
    int32_t Volume();
    bool Playing();
    bool Looping();
    uint32_t Size();
    platform::WaveFormat BufferFormat();

private:
    platform::SoundBuffer& Buffer() const;
    // Records a result; a loss starts the sound object's restore.
    platform::SoundResult Check(platform::SoundResult result);
    // A loss the platform reported, by a call's result or in the status.
    void LossReported();
    // The buffer this one duplicates, while it exists and has a platform
    // buffer; null for the others.
    const TDirectSoundBuffer* LiveSource() const;
    bool SourceLost() const;
    // After a restore: a fresh copy of the duplicated buffer in place of the
    // lost one, when that buffer is there and no longer lost.
    void RenewDuplicate();
    // The platform's status bits; a loss told there is handled as one told by
    // a result, and the status is then that of the buffer restored.
    uint32_t Status();

    friend class TDirectSound;
    TDirectSound* sound_;
    std::unique_ptr<platform::SoundBuffer> buffer_;
    platform::SoundResult result_ = platform::SoundResult::Ok;
    const TDirectSoundBuffer* duplicate_of_ = nullptr;
    bool renewing_ = false;
    bool locked_ = false;
    void* lock_region1_ = nullptr;
    uint32_t lock_length1_ = 0;
    void* lock_region2_ = nullptr;
    uint32_t lock_length2_ = 0;
};

}  // namespace klice
