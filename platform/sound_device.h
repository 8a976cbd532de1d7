// The mixing sound service: one audio device, secondary buffers holding
// sampled sounds, duplicates sharing their master's samples, and a mixer that
// adds every playing buffer into the output. A buffer's bytes are kept in the
// format they were given in; when they are unlocked they are converted once
// to the mixer's format (float stereo at the device rate), so playing copies
// nothing. Every operation returns a result code instead of throwing.
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace klice::platform {

enum class SoundResult : int32_t {
    Ok = 0,
    Generic,    // unspecified failure
    NoDriver,   // there is no audio device
    Allocated,  // the one audio device is already open
    InvalidParams,
    BadFormat,  // a wave format the mixer cannot convert
    OutOfMemory,
    BufferLost,  // the buffer's samples were taken away; Restore it
    AlreadyLocked,
    NotLocked,
    Unsupported,         // not offered by this kind of buffer (the primary one)
    ControlUnavailable,  // the buffer was made without that control
    DeviceGone,          // the buffer outlived its device
};

inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatIeeeFloat = 3;

// The leading fields of a stored "fmt " block, little-endian on disk.
struct WaveFormat {
    uint16_t format_tag = 0;
    uint16_t channels = 0;
    uint32_t samples_per_sec = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint16_t bits_per_sample = 0;

    // Decodes a stored block; false when it is shorter than 16 bytes.
    static bool FromBytes(const void* block, size_t size, WaveFormat* format);
};

enum class CooperativeLevel { Normal, Priority, Exclusive };

// Buffer description flags.
inline constexpr uint32_t kBufferPrimary = 0x01;
inline constexpr uint32_t kBufferCtrlFrequency = 0x02;
inline constexpr uint32_t kBufferCtrlPan = 0x04;
inline constexpr uint32_t kBufferCtrlVolume = 0x08;
inline constexpr uint32_t kBufferStickyFocus = 0x10;
inline constexpr uint32_t kBufferGlobalFocus = 0x20;

// Status flags.
inline constexpr uint32_t kStatusPlaying = 0x01;
inline constexpr uint32_t kStatusBufferLost = 0x02;
inline constexpr uint32_t kStatusLooping = 0x04;

// Volume and pan are in hundredths of a decibel of attenuation.
inline constexpr int32_t kVolumeMin = -10000;
inline constexpr int32_t kVolumeMax = 0;
inline constexpr int32_t kPanLeft = -10000;
inline constexpr int32_t kPanRight = 10000;
inline constexpr uint32_t kFrequencyOriginal = 0;
inline constexpr uint32_t kFrequencyMin = 100;
inline constexpr uint32_t kFrequencyMax = 200000;
inline constexpr uint32_t kBufferBytesMin = 4;
inline constexpr uint32_t kBufferBytesMax = 0x0FFFFFFF;

struct BufferDescription {
    uint32_t flags = 0;
    uint32_t bytes = 0;  // 0 for the primary buffer
    WaveFormat format;   // unused for the primary buffer
};

struct BufferCaps {
    uint32_t flags = 0;
    uint32_t bytes = 0;
};

// Where the mixed sound goes. The caller chooses (the game, a tool, a test);
// the choice holds for every sound device opened afterwards.
struct AudioOutput {
    enum class Kind {
        System,   // the system's audio device; none there means no sound device
        None,     // no sound device at all: the game runs silent
        Discard,  // a device that mixes in real time and throws the output away
        File,     // a device that mixes in real time and writes the output to `file`
    };
    Kind kind = Kind::System;
    // File: raw frames in the device's format (see SoundDevice::OutputIsFloat).
    std::string file;
    // Discard and File: how many times faster than real time the output is taken.
    double pace = 1.0;

    static AudioOutput System() { return {Kind::System, {}, 1.0}; }
    static AudioOutput None() { return {Kind::None, {}, 1.0}; }
    static AudioOutput Discard() { return {Kind::Discard, {}, 1.0}; }
    static AudioOutput ToFile(std::string path, double pace = 1.0) { return {Kind::File, std::move(path), pace}; }
};
void SetAudioOutput(const AudioOutput& output);
const AudioOutput& CurrentAudioOutput();
// Whether the machine has an audio device that AudioOutput::System would open.
bool SystemAudioAvailable();

// Chooses an output for a scope and gives the earlier choice back at its end.
class ScopedAudioOutput {
public:
    explicit ScopedAudioOutput(const AudioOutput& output) : saved_(CurrentAudioOutput()) { SetAudioOutput(output); }
    ~ScopedAudioOutput() { SetAudioOutput(saved_); }
    ScopedAudioOutput(const ScopedAudioOutput&) = delete;
    ScopedAudioOutput& operator=(const ScopedAudioOutput&) = delete;

private:
    AudioOutput saved_;
};

// The running output of a sound device: calls back for every period of
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

class SoundDevice;
struct SampleData;

class SoundBuffer {
public:
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    SoundResult GetCaps(BufferCaps* caps) const;
    SoundResult GetFormat(WaveFormat* format) const;

    // Locks bytes [offset, offset + bytes) for writing; a range running past
    // the end wraps to the start and comes back as a second region. With
    // entire set the whole buffer is the first region.
    SoundResult Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1, void** region2,
                     uint32_t* length2, bool entire = false);
    // Ends the lock and converts the samples for the mixer.
    SoundResult Unlock(void* region1, uint32_t length1, void* region2, uint32_t length2);

    SoundResult Play(bool looping);
    SoundResult Stop();
    // Byte offsets in the buffer's own format.
    SoundResult SetCurrentPosition(uint32_t byte);
    SoundResult GetCurrentPosition(uint32_t* byte) const;
    // Hz, kFrequencyOriginal for the recorded rate.
    SoundResult SetFrequency(uint32_t frequency);
    SoundResult GetFrequency(uint32_t* frequency) const;
    SoundResult SetPan(int32_t pan);
    SoundResult GetPan(int32_t* pan) const;
    SoundResult SetVolume(int32_t volume);
    SoundResult GetVolume(int32_t* volume) const;
    SoundResult GetStatus(uint32_t* status) const;
    SoundResult Restore();

private:
    friend class SoundDevice;
    SoundBuffer() = default;
    void UpdateGainsLocked();
    void UpdateStepLocked();

    SoundDevice* device_ = nullptr;  // null once the device is gone
    std::shared_ptr<SampleData> data_;
    uint32_t flags_ = 0;
    bool primary_ = false;

    // Mixer state, guarded by the device's mutex.
    bool playing_ = false;
    bool looping_ = false;
    bool lost_ = false;
    uint64_t position_ = 0;  // output frames, 32.32 fixed point
    uint64_t step_ = uint64_t(1) << 32;
    uint32_t frequency_ = kFrequencyOriginal;
    int32_t pan_ = 0;
    int32_t volume_ = 0;
    float gain_left_ = 1.0f;
    float gain_right_ = 1.0f;

    bool locked_ = false;  // game thread only
    void* locked_region1_ = nullptr;
    void* locked_region2_ = nullptr;
};

class SoundDevice {
public:
    // Opens the audio device the process has chosen (see SetAudioOutput),
    // stereo at 44100 Hz or whatever rate the device takes. NoDriver when
    // there is no device; Allocated when it is already open (there is only one).
    static SoundResult Create(std::unique_ptr<SoundDevice>* device);
    static SoundResult Create(std::unique_ptr<SoundDevice>* device, const AudioOutput& output);
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    SoundResult SetCooperativeLevel(const void* window, CooperativeLevel level);
    CooperativeLevel Level() const { return level_; }
    const void* Window() const { return window_; }

    SoundResult CreateBuffer(const BufferDescription& description, std::unique_ptr<SoundBuffer>* buffer);
    // The copy shares the samples and takes the original's settings; it has
    // its own position and play state, and starts stopped.
    SoundResult DuplicateBuffer(const SoundBuffer& original, std::unique_ptr<SoundBuffer>* buffer);

    int OutputRate() const { return rate_; }
    static constexpr int OutputChannels() { return 2; }
    bool OutputIsFloat() const { return output_float_; }

    // Stops or resumes the audio callback; tests pause it and pull output
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
    friend class SoundBuffer;
    SoundDevice() = default;
    static void Callback(void* userdata, uint8_t* stream, int bytes);
    void MixLocked(float* out, int frames);

    std::unique_ptr<AudioSink> sink_;  // stopped first when the device goes
    int rate_ = 44100;
    bool output_float_ = true;
    CooperativeLevel level_ = CooperativeLevel::Normal;
    const void* window_ = nullptr;

    mutable std::mutex mutex_;  // the mixer state of every buffer
    std::vector<SoundBuffer*> buffers_;
    std::vector<float> scratch_;
    // The end of the last long sound's conversion: they run one after the
    // other, so that only one working buffer is held at a time.
    std::shared_future<void> last_conversion_;
    bool has_focus_ = true;
    float master_gain_ = 1.0f;
};

// Gain factor of an attenuation in hundredths of a decibel: 10^(v / 2000).
float VolumeToGain(int32_t hundredths_of_db);

}  // namespace klice::platform
