// The mixing sound service: a device, secondary buffers holding sampled
// sounds, duplicates sharing their master's samples, play once or looping,
// stop, position, frequency, pan, volume, status and the loss report. Two
// implementations: the system's own service where the system has one
// (DirectSound on Windows), and our own mixer (platform/mixing_sound_device.h)
// on Linux and for the outputs of our own (Discard, File) on every system.
// Every operation returns a result code instead of throwing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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
    // The "fmt " block as stored, handed to a system service as it is; when
    // absent, one is made from `format`.
    const void* format_block = nullptr;
    size_t format_block_size = 0;
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
    // File: raw frames in the mixer's format (see MixingSoundDevice::OutputIsFloat).
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
// Whether Discard and File take their output in real time. A build without
// threads (the browser's test programs under node) has nothing to take it:
// such a device stays silent and its file empty.
bool PacedOutputRuns();

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

class SoundBuffer {
public:
    virtual ~SoundBuffer() = default;
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    virtual SoundResult GetCaps(BufferCaps* caps) const = 0;
    virtual SoundResult GetFormat(WaveFormat* format) const = 0;

    // Locks bytes [offset, offset + bytes) for writing; a range running past
    // the end wraps to the start and comes back as a second region. With
    // entire set the whole buffer is the first region.
    virtual SoundResult Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1, void** region2,
                             uint32_t* length2, bool entire = false) = 0;
    // Ends the lock; the regions and lengths are those Lock gave.
    virtual SoundResult Unlock(void* region1, uint32_t length1, void* region2, uint32_t length2) = 0;

    virtual SoundResult Play(bool looping) = 0;
    virtual SoundResult Stop() = 0;
    // Byte offsets in the buffer's own format.
    virtual SoundResult SetCurrentPosition(uint32_t byte) = 0;
    virtual SoundResult GetCurrentPosition(uint32_t* byte) const = 0;
    // Hz, kFrequencyOriginal for the recorded rate.
    virtual SoundResult SetFrequency(uint32_t frequency) = 0;
    virtual SoundResult GetFrequency(uint32_t* frequency) const = 0;
    virtual SoundResult SetPan(int32_t pan) = 0;
    virtual SoundResult GetPan(int32_t* pan) const = 0;
    virtual SoundResult SetVolume(int32_t volume) = 0;
    virtual SoundResult GetVolume(int32_t* volume) const = 0;
    // kStatus... bits; kStatusBufferLost until Restore.
    virtual SoundResult GetStatus(uint32_t* status) const = 0;
    // Gives a lost buffer its memory back; its samples must be written again.
    virtual SoundResult Restore() = 0;

protected:
    SoundBuffer() = default;
};

class SoundDevice {
public:
    // Opens the device for the output the process has chosen (see
    // SetAudioOutput): System opens the system's service (DirectSound on
    // Windows, our mixer on SDL's audio elsewhere), Discard and File our
    // mixer on a paced output of our own. NoDriver when there is no device;
    // Allocated when the mixer's one device is already open.
    static SoundResult Create(std::unique_ptr<SoundDevice>* device);
    static SoundResult Create(std::unique_ptr<SoundDevice>* device, const AudioOutput& output);
    virtual ~SoundDevice() = default;
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // `window` stands for the application's main window; it is recorded, and
    // a system service sets its level on the main window itself.
    virtual SoundResult SetCooperativeLevel(const void* window, CooperativeLevel level) = 0;
    CooperativeLevel Level() const { return level_; }
    const void* Window() const { return window_; }

    virtual SoundResult CreateBuffer(const BufferDescription& description, std::unique_ptr<SoundBuffer>* buffer) = 0;
    // The copy shares the samples and takes the original's settings; it has
    // its own position and play state, and starts stopped.
    virtual SoundResult DuplicateBuffer(const SoundBuffer& original, std::unique_ptr<SoundBuffer>* buffer) = 0;

protected:
    SoundDevice() = default;
    CooperativeLevel level_ = CooperativeLevel::Normal;
    const void* window_ = nullptr;
};

// Gain factor of an attenuation in hundredths of a decibel: 10^(v / 2000).
float VolumeToGain(int32_t hundredths_of_db);

}  // namespace klice::platform
