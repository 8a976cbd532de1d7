#include "platform/mixing_sound_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>
#include <utility>

#include "platform/backend.h"
#include "platform/resampler.h"

namespace klice::platform {

// Samples shared by a master buffer and its duplicates.
struct SampleData {
    WaveFormat format;
    std::vector<uint8_t> raw;   // as written by the owner, in `format`
    std::vector<float> frames;  // interleaved stereo at the device rate
    // A long sound's conversion, running on a thread of its own from the
    // unlock until the first use that needs its frames takes them.
    std::future<std::vector<float>> converting;
    size_t FrameCount() const { return frames.size() / 2; }
};

namespace {

constexpr uint64_t kOne = uint64_t(1) << 32;

bool FormatSupported(const WaveFormat& f) {
    if (f.channels < 1 || f.channels > 8) return false;
    if (f.samples_per_sec < kFrequencyMin || f.samples_per_sec > kFrequencyMax) return false;
    if (f.block_align != f.channels * (f.bits_per_sample / 8)) return false;
    if (f.format_tag == kWaveFormatPcm)
        return f.bits_per_sample == 8 || f.bits_per_sample == 16 || f.bits_per_sample == 24 || f.bits_per_sample == 32;
    if (f.format_tag == kWaveFormatIeeeFloat) return f.bits_per_sample == 32;
    return false;
}

// Channel counts that fold to stereo; the others cannot be mixed.
bool ChannelsConvertible(int channels) {
    return channels == 1 || channels == 2 || channels == 4 || channels == 6 || channels == 8;
}

// Sounds longer than this many frames are converted on a thread of their
// own: resampling the two tunes to the device rate is most of the start-up.
constexpr size_t kConvertAloneFrom = size_t(1) << 16;

// Converts whole frames of a sound to float stereo at the device rate, all at
// once so that the resampler sees the whole sound (no seams, exact length).
// Prepared on the caller's thread, where an unconvertible format is found;
// run on any thread, as it holds its own copy of the samples.
class Conversion {
public:
    bool Prepare(const WaveFormat& f, const std::vector<uint8_t>& raw, int rate) {
        if (f.block_align == 0 || !ChannelsConvertible(f.channels) || rate <= 0) return false;
        const size_t frames = raw.size() / f.block_align;
        format_ = f;
        rate_ = uint32_t(rate);
        source_.assign(raw.begin(), raw.begin() + ptrdiff_t(frames * f.block_align));
        return true;
    }

    void Run(std::vector<float>* out) {
        std::vector<float> stereo = DecodeToStereo(format_, source_.data(), source_.size());
        std::vector<uint8_t>().swap(source_);
        *out = ResampleStereo(stereo, format_.samples_per_sec, rate_);
    }

private:
    WaveFormat format_;
    uint32_t rate_ = 0;
    std::vector<uint8_t> source_;  // whole frames
};

// Waits for a conversion still running and takes its frames.
void Settle(SampleData& data, std::mutex& mixer) {
    if (!data.converting.valid()) return;
    std::vector<float> frames = data.converting.get();  // the mixer runs on meanwhile
    std::lock_guard lock(mixer);
    data.frames.swap(frames);
}

MixingSoundDevice* g_open_device = nullptr;

}  // namespace

// ---------------------------------------------------------------- device

SoundResult MixingSoundDevice::Open(std::unique_ptr<MixingSoundDevice>* device, const AudioOutput& output) {
    device->reset();
    if (g_open_device) return SoundResult::Allocated;
    if (output.kind == AudioOutput::Kind::None) return SoundResult::NoDriver;
    std::unique_ptr<MixingSoundDevice> created(new MixingSoundDevice());
    std::unique_ptr<AudioSink> sink = output.kind == AudioOutput::Kind::System
                                          ? detail::OpenSystemAudio(&MixingSoundDevice::Callback, created.get())
                                          : detail::OpenPacedAudio(output, &MixingSoundDevice::Callback, created.get());
    if (!sink) return SoundResult::NoDriver;
    created->rate_ = sink->Rate();
    created->output_float_ = sink->Float();
    created->sink_ = std::move(sink);
    g_open_device = created.get();
    created->sink_->SetPaused(false);  // sinks start paused, until the device is ready
    *device = std::move(created);
    return SoundResult::Ok;
}

MixingSoundDevice::~MixingSoundDevice() {
    // Every conversion ends first, as they belong to this device's buffers.
    for (MixingSoundBuffer* buffer : buffers_)
        if (buffer->data_->converting.valid()) buffer->data_->converting.wait();
    sink_.reset();  // waits for a running callback
    for (MixingSoundBuffer* buffer : buffers_) buffer->device_ = nullptr;
    buffers_.clear();
    g_open_device = nullptr;
}

void MixingSoundDevice::Callback(void* userdata, uint8_t* stream, int bytes) {
    static_cast<MixingSoundDevice*>(userdata)->Mix(stream, bytes);
}

SoundResult MixingSoundDevice::SetCooperativeLevel(const void* window, CooperativeLevel level) {
    if (!window) return SoundResult::InvalidParams;
    window_ = window;
    level_ = level;
    return SoundResult::Ok;
}

SoundResult MixingSoundDevice::CreateBuffer(const BufferDescription& d, std::unique_ptr<SoundBuffer>* buffer) {
    buffer->reset();
    std::unique_ptr<MixingSoundBuffer> created(new MixingSoundBuffer());
    created->device_ = this;
    created->flags_ = d.flags;
    auto data = std::make_shared<SampleData>();
    if (d.flags & kBufferPrimary) {
        if (d.bytes != 0 || (d.flags & (kBufferCtrlFrequency | kBufferCtrlPan))) return SoundResult::InvalidParams;
        created->primary_ = true;
        data->format.format_tag = output_float_ ? kWaveFormatIeeeFloat : kWaveFormatPcm;
        data->format.channels = 2;
        data->format.samples_per_sec = uint32_t(rate_);
        data->format.bits_per_sample = output_float_ ? 32 : 16;
        data->format.block_align = uint16_t(2 * data->format.bits_per_sample / 8);
        data->format.avg_bytes_per_sec = data->format.samples_per_sec * data->format.block_align;
    } else {
        if (d.bytes < kBufferBytesMin || d.bytes > kBufferBytesMax) return SoundResult::InvalidParams;
        if (!FormatSupported(d.format) || !ChannelsConvertible(d.format.channels)) return SoundResult::BadFormat;
        data->format = d.format;
        try {
            data->raw.assign(d.bytes, d.format.bits_per_sample == 8 ? 0x80 : 0);
        } catch (const std::bad_alloc&) {
            return SoundResult::OutOfMemory;
        }
    }
    created->data_ = std::move(data);
    created->UpdateStepLocked();
    {
        std::lock_guard lock(mutex_);
        buffers_.push_back(created.get());
    }
    *buffer = std::move(created);
    return SoundResult::Ok;
}

SoundResult MixingSoundDevice::DuplicateBuffer(const SoundBuffer& any, std::unique_ptr<SoundBuffer>* buffer) {
    buffer->reset();
    const auto* mixing = dynamic_cast<const MixingSoundBuffer*>(&any);
    if (!mixing || mixing->device_ != this) return SoundResult::InvalidParams;
    const MixingSoundBuffer& original = *mixing;
    if (original.primary_) return SoundResult::Unsupported;
    std::unique_ptr<MixingSoundBuffer> created(new MixingSoundBuffer());
    std::lock_guard lock(mutex_);
    if (original.lost_) return SoundResult::BufferLost;
    created->device_ = this;
    created->data_ = original.data_;
    created->flags_ = original.flags_;
    created->frequency_ = original.frequency_;
    created->pan_ = original.pan_;
    created->volume_ = original.volume_;
    created->UpdateGainsLocked();
    created->UpdateStepLocked();
    buffers_.push_back(created.get());
    *buffer = std::move(created);
    return SoundResult::Ok;
}

void MixingSoundDevice::SetPaused(bool paused) { sink_->SetPaused(paused); }

void MixingSoundDevice::SetApplicationFocus(bool has_focus) {
    std::lock_guard lock(mutex_);
    has_focus_ = has_focus;
}

void MixingSoundDevice::LoseBuffers() {
    std::lock_guard lock(mutex_);
    for (MixingSoundBuffer* buffer : buffers_) {
        if (buffer->primary_) continue;
        buffer->lost_ = true;
        buffer->playing_ = false;
        buffer->looping_ = false;
    }
}

size_t MixingSoundDevice::BufferCount() const {
    std::lock_guard lock(mutex_);
    return buffers_.size();
}

void MixingSoundDevice::Mix(uint8_t* stream, int bytes) {
    const int sample_bytes = output_float_ ? 4 : 2;
    const int frames = bytes / (2 * sample_bytes);
    std::lock_guard lock(mutex_);
    scratch_.resize(size_t(frames) * 2);
    MixLocked(scratch_.data(), frames);
    if (output_float_) {
        std::memcpy(stream, scratch_.data(), size_t(frames) * 2 * sizeof(float));
    } else {
        auto* out = reinterpret_cast<int16_t*>(stream);
        for (size_t i = 0; i < size_t(frames) * 2; ++i) out[i] = int16_t(std::lrint(scratch_[i] * 32767.0f));
    }
    std::memset(stream + size_t(frames) * 2 * sample_bytes, 0, size_t(bytes) - size_t(frames) * 2 * sample_bytes);
}

std::vector<float> MixingSoundDevice::MixForTesting(int frames) {
    for (MixingSoundBuffer* b : buffers_) Settle(*b->data_, mutex_);
    const int sample_bytes = output_float_ ? 4 : 2;
    std::vector<uint8_t> bytes(size_t(frames) * 2 * sample_bytes);
    Mix(bytes.data(), int(bytes.size()));
    std::vector<float> out(size_t(frames) * 2);
    if (output_float_) {
        std::memcpy(out.data(), bytes.data(), bytes.size());
    } else {
        const auto* in = reinterpret_cast<const int16_t*>(bytes.data());
        for (size_t i = 0; i < out.size(); ++i) out[i] = float(in[i]) / 32767.0f;
    }
    return out;
}

void MixingSoundDevice::MixLocked(float* out, int frames) {
    std::fill(out, out + size_t(frames) * 2, 0.0f);
    for (MixingSoundBuffer* b : buffers_) {
        if (!b->playing_ || b->primary_) continue;
        const float* samples = b->data_->frames.data();
        const uint64_t count = b->data_->FrameCount();
        if (count == 0) {
            b->playing_ = false;
            b->looping_ = false;
            continue;
        }
        const bool audible = has_focus_ || (b->flags_ & (kBufferGlobalFocus | kBufferStickyFocus));
        const float left = audible ? b->gain_left_ * master_gain_ : 0.0f;
        const float right = audible ? b->gain_right_ * master_gain_ : 0.0f;
        const uint64_t end = count << 32;
        int i = 0;
        while (i < frames) {
            if (b->position_ >= end) {
                if (!b->looping_) {
                    b->playing_ = false;
                    b->position_ = 0;
                    break;
                }
                b->position_ %= end;
            }
            const uint64_t index = b->position_ >> 32;
            if (b->step_ == kOne && (b->position_ & 0xFFFFFFFF) == 0) {
                // Recorded rate: a straight run of frames.
                const int run = int(std::min<uint64_t>(uint64_t(frames - i), count - index));
                const float* s = samples + 2 * index;
                float* o = out + 2 * size_t(i);
                for (int k = 0; k < run; ++k) {
                    o[2 * k] += s[2 * k] * left;
                    o[2 * k + 1] += s[2 * k + 1] * right;
                }
                i += run;
                b->position_ += uint64_t(run) << 32;
            } else {
                // Another rate: linear interpolation between neighbouring frames.
                const uint64_t next = index + 1 < count ? index + 1 : (b->looping_ ? 0 : index);
                const float t = float(b->position_ & 0xFFFFFFFF) / 4294967296.0f;
                const float l = samples[2 * index] + (samples[2 * next] - samples[2 * index]) * t;
                const float r = samples[2 * index + 1] + (samples[2 * next + 1] - samples[2 * index + 1]) * t;
                out[2 * size_t(i)] += l * left;
                out[2 * size_t(i) + 1] += r * right;
                ++i;
                b->position_ += b->step_;
            }
        }
    }
    for (int i = 0; i < frames * 2; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

// ---------------------------------------------------------------- buffer

MixingSoundBuffer::~MixingSoundBuffer() {
    if (!device_) return;
    std::lock_guard lock(device_->mutex_);
    auto& list = device_->buffers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void MixingSoundBuffer::UpdateGainsLocked() {
    const float gain = VolumeToGain(volume_);
    // Pan as a balance: the far side is attenuated, the near one kept.
    gain_left_ = gain * (pan_ > 0 ? VolumeToGain(-pan_) : 1.0f);
    gain_right_ = gain * (pan_ < 0 ? VolumeToGain(pan_) : 1.0f);
}

void MixingSoundBuffer::UpdateStepLocked() {
    const WaveFormat& f = data_->format;
    if (primary_ || frequency_ == kFrequencyOriginal || frequency_ == f.samples_per_sec) {
        step_ = kOne;
    } else {
        step_ = uint64_t(double(frequency_) / double(f.samples_per_sec) * double(kOne));
    }
}

SoundResult MixingSoundBuffer::GetCaps(BufferCaps* caps) const {
    if (!device_) return SoundResult::DeviceGone;
    caps->flags = flags_;
    caps->bytes = uint32_t(data_->raw.size());
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::GetFormat(WaveFormat* format) const {
    if (!device_) return SoundResult::DeviceGone;
    *format = data_->format;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1, void** region2,
                                    uint32_t* length2, bool entire) {
    *region1 = nullptr;
    *length1 = 0;
    if (region2) *region2 = nullptr;
    if (length2) *length2 = 0;
    if (!device_) return SoundResult::DeviceGone;
    if (primary_) return SoundResult::Unsupported;
    if (lost_) return SoundResult::BufferLost;
    if (locked_) return SoundResult::AlreadyLocked;
    const uint32_t size = uint32_t(data_->raw.size());
    if (entire) {
        offset = 0;
        bytes = size;
    }
    if (offset >= size || bytes == 0 || bytes > size) return SoundResult::InvalidParams;
    const uint32_t first = std::min(bytes, size - offset);
    if (first < bytes && (!region2 || !length2)) return SoundResult::InvalidParams;
    *region1 = data_->raw.data() + offset;
    *length1 = first;
    if (first < bytes) {
        *region2 = data_->raw.data();
        *length2 = bytes - first;
    }
    locked_ = true;
    locked_region1_ = *region1;
    locked_region2_ = region2 ? *region2 : nullptr;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::Unlock(void* region1, uint32_t, void* region2, uint32_t) {
    if (!device_) return SoundResult::DeviceGone;
    if (!locked_) return SoundResult::NotLocked;
    if (region1 != locked_region1_ || region2 != locked_region2_) return SoundResult::InvalidParams;
    locked_ = false;
    locked_region1_ = locked_region2_ = nullptr;
    // An earlier conversion of these samples is out of date.
    data_->converting = {};
    Conversion conversion;
    if (!conversion.Prepare(data_->format, data_->raw, device_->rate_)) return SoundResult::BadFormat;
    bool sounding = false;
    {
        std::lock_guard lock(device_->mutex_);
        for (const MixingSoundBuffer* b : device_->buffers_) sounding |= b->data_ == data_ && b->playing_;
    }
    if (!sounding && data_->raw.size() / data_->format.block_align >= kConvertAloneFrom) {
        // Nothing plays these samples yet: Play takes the frames when it needs them.
        std::promise<void> done;
        std::shared_future<void> previous = std::exchange(device_->last_conversion_, done.get_future().share());
        data_->converting = std::async(
            std::launch::async,
            [conversion = std::move(conversion), previous = std::move(previous), done = std::move(done)]() mutable {
                if (previous.valid()) previous.wait();
                std::vector<float> frames;
                conversion.Run(&frames);
                done.set_value();
                return frames;
            });
        return SoundResult::Ok;
    }
    // Converted outside the mixer's lock; only the swap is guarded.
    std::vector<float> frames;
    conversion.Run(&frames);
    std::lock_guard lock(device_->mutex_);
    data_->frames.swap(frames);
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::Play(bool looping) {
    if (!device_) return SoundResult::DeviceGone;
    Settle(*data_, device_->mutex_);
    std::lock_guard lock(device_->mutex_);
    if (lost_) return SoundResult::BufferLost;
    if (primary_) return SoundResult::Ok;  // the mixer always runs
    playing_ = true;
    looping_ = looping;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::Stop() {
    if (!device_) return SoundResult::DeviceGone;
    std::lock_guard lock(device_->mutex_);
    playing_ = false;
    looping_ = false;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::SetCurrentPosition(uint32_t byte) {
    if (!device_) return SoundResult::DeviceGone;
    if (primary_) return SoundResult::Unsupported;
    std::lock_guard lock(device_->mutex_);
    if (lost_) return SoundResult::BufferLost;
    const WaveFormat& f = data_->format;
    if (byte >= data_->raw.size()) return SoundResult::InvalidParams;
    const uint64_t source_frame = byte / f.block_align;
    // Source frames to output frames, keeping the fraction.
    position_ = uint64_t((double(source_frame) * device_->rate_ / f.samples_per_sec) * double(kOne));
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::GetCurrentPosition(uint32_t* byte) const {
    *byte = 0;
    if (!device_) return SoundResult::DeviceGone;
    if (primary_) return SoundResult::Ok;
    std::lock_guard lock(device_->mutex_);
    const WaveFormat& f = data_->format;
    const double output_frame = double(position_) / double(kOne);
    const uint64_t source_frame = uint64_t(output_frame * f.samples_per_sec / device_->rate_ + 1e-6);
    *byte = uint32_t(std::min<uint64_t>(source_frame * f.block_align, data_->raw.size()));
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::SetFrequency(uint32_t frequency) {
    if (!device_) return SoundResult::DeviceGone;
    if (!(flags_ & kBufferCtrlFrequency)) return SoundResult::ControlUnavailable;
    if (frequency != kFrequencyOriginal && (frequency < kFrequencyMin || frequency > kFrequencyMax))
        return SoundResult::InvalidParams;
    std::lock_guard lock(device_->mutex_);
    frequency_ = frequency;
    UpdateStepLocked();
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::GetFrequency(uint32_t* frequency) const {
    if (!device_) return SoundResult::DeviceGone;
    *frequency = frequency_ == kFrequencyOriginal ? data_->format.samples_per_sec : frequency_;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::SetPan(int32_t pan) {
    if (!device_) return SoundResult::DeviceGone;
    if (!(flags_ & kBufferCtrlPan)) return SoundResult::ControlUnavailable;
    if (pan < kPanLeft || pan > kPanRight) return SoundResult::InvalidParams;
    std::lock_guard lock(device_->mutex_);
    pan_ = pan;
    UpdateGainsLocked();
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::GetPan(int32_t* pan) const {
    if (!device_) return SoundResult::DeviceGone;
    *pan = pan_;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::SetVolume(int32_t volume) {
    if (!device_) return SoundResult::DeviceGone;
    if (!(flags_ & kBufferCtrlVolume)) return SoundResult::ControlUnavailable;
    if (volume < kVolumeMin || volume > kVolumeMax) return SoundResult::InvalidParams;
    std::lock_guard lock(device_->mutex_);
    volume_ = volume;
    UpdateGainsLocked();
    if (primary_) device_->master_gain_ = gain_left_;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::GetVolume(int32_t* volume) const {
    if (!device_) return SoundResult::DeviceGone;
    *volume = volume_;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::GetStatus(uint32_t* status) const {
    *status = 0;
    if (!device_) return SoundResult::DeviceGone;
    std::lock_guard lock(device_->mutex_);
    if (playing_) *status |= kStatusPlaying;
    if (looping_ && playing_) *status |= kStatusLooping;
    if (lost_) *status |= kStatusBufferLost;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::Restore() {
    if (!device_) return SoundResult::DeviceGone;
    std::lock_guard lock(device_->mutex_);
    lost_ = false;
    return SoundResult::Ok;
}

}  // namespace klice::platform
