#include "platform/mixing_sound_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/backend.h"
#include "platform/resampler.h"

namespace klice::platform {

// Samples shared by a master buffer and its duplicates.
struct SampleData {
    WaveFormat format;
    std::vector<uint8_t> raw;  // as written by the owner, in `format`
    int writers = 0;           // open locks; guarded by the device's mutex
    uint64_t FrameCount() const { return format.block_align ? raw.size() / format.block_align : 0; }
};

namespace {

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
    created->SetRateLocked(ResamplingKernel::For(created->PlayingRate(), uint32_t(rate_)));
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
    created->SetRateLocked(original.kernel_);
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
        if (b->data_->writers > 0) continue;  // it goes on when the samples are written
        const bool audible = has_focus_ || (b->flags_ & (kBufferGlobalFocus | kBufferStickyFocus));
        const float left = audible ? b->gain_left_ * master_gain_ : 0.0f;
        const float right = audible ? b->gain_right_ * master_gain_ : 0.0f;
        b->MixLocked(out, frames, left, right);
    }
    for (int i = 0; i < frames * 2; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void MixingSoundDevice::DecodeSpan(const SampleData& data, int64_t first, size_t count, bool looping, bool wrapped) {
    const int channels = MixChannels(data.format);
    for (auto& channel : decoded_)
        if (channel.size() < count) channel.resize(count);
    float* left = decoded_[0].data();
    float* right = channels == 2 ? decoded_[1].data() : nullptr;
    const auto length = int64_t(data.FrameCount());
    size_t done = 0;
    while (done < count) {
        const int64_t at = first + int64_t(done);
        // Inside the samples, or where a loop takes them again.
        int64_t from = at;
        if (looping && (at >= length || (at < 0 && wrapped))) from = ((at % length) + length) % length;
        const bool inside = from >= 0 && from < length;
        // The run up to the next edge: the samples' end, or their start.
        const size_t run = size_t(std::min<int64_t>(int64_t(count - done), inside     ? length - from
                                                                           : from < 0 ? -from
                                                                                      : int64_t(count - done)));
        if (inside) {
            DecodeFrames(data.format, data.raw.data() + size_t(from) * data.format.block_align, run, left + done,
                         right ? right + done : nullptr);
        } else {
            std::fill(left + done, left + done + run, 0.0f);
            if (right) std::fill(right + done, right + done + run, 0.0f);
        }
        done += run;
    }
}

// ---------------------------------------------------------------- buffer

MixingSoundBuffer::~MixingSoundBuffer() {
    if (!device_) return;
    std::lock_guard lock(device_->mutex_);
    if (locked_) --data_->writers;  // the duplicates play on
    auto& list = device_->buffers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void MixingSoundBuffer::UpdateGainsLocked() {
    const float gain = VolumeToGain(volume_);
    // Pan as a balance: the far side is attenuated, the near one kept.
    gain_left_ = gain * (pan_ > 0 ? VolumeToGain(-pan_) : 1.0f);
    gain_right_ = gain * (pan_ < 0 ? VolumeToGain(pan_) : 1.0f);
}

uint32_t MixingSoundBuffer::PlayingRate() const {
    return frequency_ == kFrequencyOriginal ? data_->format.samples_per_sec : frequency_;
}

void MixingSoundBuffer::SetRateLocked(std::shared_ptr<const ResamplingKernel> kernel) {
    const uint32_t output = uint32_t(device_->rate_);
    const uint32_t rate = primary_ ? output : PlayingRate();
    step_frames_ = rate / output;
    step_remainder_ = rate % output;
    kernel_ = std::move(kernel);
}

void MixingSoundBuffer::MixLocked(float* out, int frames, float gain_left, float gain_right) {
    MixingSoundDevice& device = *device_;
    const SampleData& data = *data_;
    const uint64_t length = data.FrameCount();
    const uint32_t output = uint32_t(device.rate_);
    const bool stereo = MixChannels(data.format) == 2;
    const ResamplingKernel& kernel = *kernel_;
    int i = 0;
    while (i < frames) {
        // At the output's own rate, on a whole frame: a copy.
        const bool straight = step_frames_ == 1 && step_remainder_ == 0 && remainder_ == 0;
        const int reach = straight ? 1 : kernel.Reach();
        if (frame_ >= length) {
            if (!looping_ || length == 0) {
                playing_ = false;
                looping_ = false;
                frame_ = 0;
                remainder_ = 0;
                wrapped_ = false;
                return;
            }
            frame_ %= length;
            wrapped_ = true;
        }
        // Output frames until the position passes the end of the samples.
        const uint64_t rate = uint64_t(step_frames_) * output + step_remainder_;
        const uint64_t to_end = ((length - frame_) * output - remainder_ + rate - 1) / rate;
        const int n = int(std::min<uint64_t>(uint64_t(frames - i), to_end));
        // The frames those outputs read, around the positions they pass.
        const uint64_t last = frame_ + (uint64_t(n - 1) * rate + remainder_) / output;
        const int64_t first = int64_t(frame_) - reach + 1;
        const size_t span = straight ? size_t(n) : size_t(int64_t(last) - first) + size_t(kernel.Taps());
        device.DecodeSpan(data, first, span, looping_, wrapped_);
        const float* left = device.decoded_[0].data();
        const float* right = stereo ? device.decoded_[1].data() : left;
        float* o = out + 2 * size_t(i);
        if (straight) {
            for (int k = 0; k < n; ++k) {
                o[2 * k] += left[k] * gain_left;
                o[2 * k + 1] += right[k] * gain_right;
            }
            frame_ += uint64_t(n);
        } else {
            size_t at = 0;  // frame_ - reach + 1, in the decoded frames
            uint32_t remainder = remainder_;
            for (int k = 0; k < n; ++k) {
                int phase;
                float weight;
                ResamplingKernel::PhaseAt(remainder, output, &phase, &weight);
                if (stereo) {
                    float l, r;
                    kernel.Apply(left + at, right + at, phase, weight, &l, &r);
                    o[2 * k] += l * gain_left;
                    o[2 * k + 1] += r * gain_right;
                } else {
                    const float v = kernel.Apply(left + at, phase, weight);
                    o[2 * k] += v * gain_left;
                    o[2 * k + 1] += v * gain_right;
                }
                at += step_frames_;
                remainder += step_remainder_;
                if (remainder >= output) {
                    remainder -= output;
                    ++at;
                }
            }
            frame_ += at;
            remainder_ = remainder;
        }
        i += n;
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
    {
        std::lock_guard lock(device_->mutex_);
        ++data_->writers;
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
    std::lock_guard lock(device_->mutex_);
    --data_->writers;
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::Play(bool looping) {
    if (!device_) return SoundResult::DeviceGone;
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
    if (byte >= data_->raw.size()) return SoundResult::InvalidParams;
    frame_ = byte / data_->format.block_align;
    remainder_ = 0;
    wrapped_ = false;  // what lies before a new start is silence
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::GetCurrentPosition(uint32_t* byte) const {
    *byte = 0;
    if (!device_) return SoundResult::DeviceGone;
    if (primary_) return SoundResult::Ok;
    std::lock_guard lock(device_->mutex_);
    *byte = uint32_t(std::min<uint64_t>(frame_ * data_->format.block_align, data_->raw.size()));
    return SoundResult::Ok;
}

SoundResult MixingSoundBuffer::SetFrequency(uint32_t frequency) {
    if (!device_) return SoundResult::DeviceGone;
    if (!(flags_ & kBufferCtrlFrequency)) return SoundResult::ControlUnavailable;
    if (frequency != kFrequencyOriginal && (frequency < kFrequencyMin || frequency > kFrequencyMax))
        return SoundResult::InvalidParams;
    // The kernel is made outside the lock: the mixer does not wait for it.
    const uint32_t rate = frequency == kFrequencyOriginal ? data_->format.samples_per_sec : frequency;
    auto kernel = ResamplingKernel::For(rate, uint32_t(device_->rate_));
    std::lock_guard lock(device_->mutex_);
    frequency_ = frequency;
    SetRateLocked(std::move(kernel));
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
