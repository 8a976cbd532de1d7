// Our own mixing sound device: one audio output, secondary buffers whose
// bytes are kept in the format they were given in, duplicates sharing them,
// and the playing buffers (voices) resampled from their own rate to the
// output's as they are added into the output, from the output's thread:
// band-limited, each voice at its own position, so that no sound is held a
// second time at the output rate and loading converts nothing.
// The game's sound on Linux (through SDL's audio) and on every system for the
// outputs of our own (AudioOutput::Discard, File).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/sound_device.h"

namespace klice::platform {

// The running output of a mixing device: calls back for every period of
// output from a thread of its own until it is destroyed. It starts paused.
class AudioSink {
public:
    using MixCallback = void (*)(void* user, uint8_t* stream, int bytes);
    virtual ~AudioSink() = default;
    virtual int Rate() const = 0;
    // Float stereo; otherwise 16-bit signed stereo.
    virtual bool Float() const = 0;
    virtual void SetPaused(bool paused) = 0;
};

class MixingSoundDevice;
class ResamplingKernel;
struct SampleData;

class MixingSoundBuffer final : public SoundBuffer {
public:
    ~MixingSoundBuffer() override;

    SoundResult GetCaps(BufferCaps* caps) const override;
    SoundResult GetFormat(WaveFormat* format) const override;
    SoundResult Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1, void** region2,
                     uint32_t* length2, bool entire = false) override;
    // While a lock is open the voices playing these samples wait.
    SoundResult Unlock(void* region1, uint32_t length1, void* region2, uint32_t length2) override;
    SoundResult Play(bool looping) override;
    SoundResult Stop() override;
    SoundResult SetCurrentPosition(uint32_t byte) override;
    SoundResult GetCurrentPosition(uint32_t* byte) const override;
    SoundResult SetFrequency(uint32_t frequency) override;
    SoundResult GetFrequency(uint32_t* frequency) const override;
    SoundResult SetPan(int32_t pan) override;
    SoundResult GetPan(int32_t* pan) const override;
    SoundResult SetVolume(int32_t volume) override;
    SoundResult GetVolume(int32_t* volume) const override;
    SoundResult GetStatus(uint32_t* status) const override;
    SoundResult Restore() override;

private:
    friend class MixingSoundDevice;
    MixingSoundBuffer() = default;
    void UpdateGainsLocked();
    // The rate the samples are played at, and the kernel for it.
    uint32_t PlayingRate() const;
    void SetRateLocked(std::shared_ptr<const ResamplingKernel> kernel);
    // Adds `frames` frames of this voice into `out`, and moves it on.
    void MixLocked(float* out, int frames, float gain_left, float gain_right);

    MixingSoundDevice* device_ = nullptr;  // null once the device is gone
    std::shared_ptr<SampleData> data_;
    uint32_t flags_ = 0;
    bool primary_ = false;

    // Mixer state, guarded by the device's mutex.
    bool playing_ = false;
    bool looping_ = false;
    bool lost_ = false;
    // The position: a frame of the samples plus remainder / output rate of
    // the next one; a step adds the playing rate / output rate, exactly.
    uint64_t frame_ = 0;
    uint32_t remainder_ = 0;
    uint32_t step_frames_ = 1, step_remainder_ = 0;
    // A looped voice that has passed its end: before its start lies its end.
    bool wrapped_ = false;
    std::shared_ptr<const ResamplingKernel> kernel_;
    uint32_t frequency_ = kFrequencyOriginal;
    int32_t pan_ = 0;
    int32_t volume_ = 0;
    float gain_left_ = 1.0f;
    float gain_right_ = 1.0f;

    bool locked_ = false;  // game thread only
    void* locked_region1_ = nullptr;
    void* locked_region2_ = nullptr;
};

class MixingSoundDevice final : public SoundDevice {
public:
    // Opens the mixer on the output the caller chose: its own paced output
    // for Discard and File, the system's audio (SDL's) for System. Stereo at
    // 44100 Hz or whatever rate the output takes. NoDriver without an output;
    // Allocated when a mixing device is already open (there is only one).
    static SoundResult Open(std::unique_ptr<MixingSoundDevice>* device, const AudioOutput& output);
    ~MixingSoundDevice() override;

    SoundResult SetCooperativeLevel(const void* window, CooperativeLevel level) override;
    SoundResult CreateBuffer(const BufferDescription& description, std::unique_ptr<SoundBuffer>* buffer) override;
    SoundResult DuplicateBuffer(const SoundBuffer& original, std::unique_ptr<SoundBuffer>* buffer) override;

    int OutputRate() const { return rate_; }
    static constexpr int OutputChannels() { return 2; }
    bool OutputIsFloat() const { return output_float_; }

    // Stops or resumes the output's callback; tests pause it and pull output
    // with MixForTesting instead.
    void SetPaused(bool paused);
    // Buffers without global or sticky focus are silent while the
    // application does not have the focus.
    void SetApplicationFocus(bool has_focus);
    // The device was taken away: every secondary buffer stops and reports
    // BufferLost until it is restored.
    void LoseBuffers();
    size_t BufferCount() const;

    // The callback's routine: mixes `bytes` bytes of output in the device's
    // format and advances the playing buffers.
    void Mix(uint8_t* stream, int bytes);
    // Runs Mix for `frames` frames and returns them as interleaved stereo
    // floats in [-1, 1], decoded from the device-format bytes.
    std::vector<float> MixForTesting(int frames);

private:
    friend class MixingSoundBuffer;
    MixingSoundDevice() = default;
    static void Callback(void* userdata, uint8_t* stream, int bytes);
    void MixLocked(float* out, int frames);
    // Decodes `count` frames of `data` from frame `first` (which may lie
    // outside the samples) into decoded_, as a voice reads them: silence
    // outside, or the loop around when looping.
    void DecodeSpan(const SampleData& data, int64_t first, size_t count, bool looping, bool wrapped);

    std::unique_ptr<AudioSink> sink_;  // stopped first when the device goes
    int rate_ = 44100;
    bool output_float_ = true;

    mutable std::mutex mutex_;  // the mixer state of every buffer
    std::vector<MixingSoundBuffer*> buffers_;
    std::vector<float> scratch_;
    std::vector<float> decoded_[2];  // a voice's frames for one period, planar
    bool has_focus_ = true;
    float master_gain_ = 1.0f;
};

}  // namespace klice::platform
