// The sound device on Windows: DirectSound itself, loaded by name from
// "DSound.dll" at run time, so that a machine without it (or without an
// audio device) simply has no sound. Its buffers, duplicates, volume (in
// hundredths of a decibel, the system's own unit) and loss report are the
// system's; this file only translates calls and results.
//
// The cooperative level is set on the application's main window. The sound
// device is made while the main window is still being loaded, before the
// system window exists; until then the level is set on the desktop window,
// and the device moves it to the main window when a buffer is made or
// started after the window has appeared.
#include "platform/win32/direct_sound.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/backend.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/win32.h"
#include "platform/win32/win32_window.h"
// After <windows.h>:
#include <mmsystem.h>
// clang-format off
#include <dsound.h>
// clang-format on

namespace klice::platform::win32 {

namespace {

using DirectSoundCreateFn = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

SoundResult ResultOf(HRESULT hr) {
    switch (hr) {
        case DS_OK: return SoundResult::Ok;
        case DSERR_BUFFERLOST: return SoundResult::BufferLost;
        case DSERR_INVALIDPARAM: return SoundResult::InvalidParams;
        case DSERR_BADFORMAT: return SoundResult::BadFormat;
        case DSERR_OUTOFMEMORY: return SoundResult::OutOfMemory;
        case DSERR_NODRIVER: return SoundResult::NoDriver;
        case DSERR_ALLOCATED: return SoundResult::Allocated;
        case DSERR_CONTROLUNAVAIL: return SoundResult::ControlUnavailable;
        case DSERR_UNSUPPORTED: return SoundResult::Unsupported;
        default: return SUCCEEDED(hr) ? SoundResult::Ok : SoundResult::Generic;
    }
}

DWORD SystemFlags(uint32_t flags) {
    DWORD f = 0;
    if (flags & kBufferPrimary) f |= DSBCAPS_PRIMARYBUFFER;
    if (flags & kBufferCtrlFrequency) f |= DSBCAPS_CTRLFREQUENCY;
    if (flags & kBufferCtrlPan) f |= DSBCAPS_CTRLPAN;
    if (flags & kBufferCtrlVolume) f |= DSBCAPS_CTRLVOLUME;
    if (flags & kBufferStickyFocus) f |= DSBCAPS_STICKYFOCUS;
    if (flags & kBufferGlobalFocus) f |= DSBCAPS_GLOBALFOCUS;
    return f;
}

uint32_t OurFlags(DWORD f) {
    uint32_t flags = 0;
    if (f & DSBCAPS_PRIMARYBUFFER) flags |= kBufferPrimary;
    if (f & DSBCAPS_CTRLFREQUENCY) flags |= kBufferCtrlFrequency;
    if (f & DSBCAPS_CTRLPAN) flags |= kBufferCtrlPan;
    if (f & DSBCAPS_CTRLVOLUME) flags |= kBufferCtrlVolume;
    if (f & DSBCAPS_STICKYFOCUS) flags |= kBufferStickyFocus;
    if (f & DSBCAPS_GLOBALFOCUS) flags |= kBufferGlobalFocus;
    return flags;
}

// The format block DirectSound reads: the stored block itself where there is
// one (a 16-byte PCM block gets the two bytes of its extra size, zero), else
// one made from the decoded fields. An extra size claiming more than the
// block holds is cut to what it holds.
std::vector<uint8_t> FormatBlock(const BufferDescription& d) {
    std::vector<uint8_t> block(sizeof(WAVEFORMATEX), 0);
    if (d.format_block && d.format_block_size >= 16) {
        block.resize(std::max(d.format_block_size, sizeof(WAVEFORMATEX)), 0);
        std::memcpy(block.data(), d.format_block, d.format_block_size);
        auto* f = reinterpret_cast<WAVEFORMATEX*>(block.data());
        if (d.format_block_size < sizeof(WAVEFORMATEX))
            f->cbSize = 0;
        else
            f->cbSize = WORD(std::min<size_t>(f->cbSize, d.format_block_size - sizeof(WAVEFORMATEX)));
        return block;
    }
    auto* f = reinterpret_cast<WAVEFORMATEX*>(block.data());
    f->wFormatTag = d.format.format_tag;
    f->nChannels = d.format.channels;
    f->nSamplesPerSec = d.format.samples_per_sec;
    f->nAvgBytesPerSec = d.format.avg_bytes_per_sec;
    f->nBlockAlign = d.format.block_align;
    f->wBitsPerSample = d.format.bits_per_sample;
    return block;
}

class DirectSoundDevice;

class DirectSoundBuffer final : public SoundBuffer {
public:
    DirectSoundBuffer(DirectSoundDevice* device, ComPtr<IDirectSoundBuffer> buffer, bool primary)
        : device_(device), buffer_(std::move(buffer)), primary_(primary) {}
    ~DirectSoundBuffer() override;

    SoundResult GetCaps(BufferCaps* caps) const override {
        if (!buffer_) return SoundResult::DeviceGone;
        DSBCAPS c{};
        c.dwSize = sizeof c;
        const HRESULT hr = buffer_->GetCaps(&c);
        caps->flags = OurFlags(c.dwFlags);
        caps->bytes = primary_ ? 0 : uint32_t(c.dwBufferBytes);
        return ResultOf(hr);
    }

    SoundResult GetFormat(WaveFormat* format) const override {
        if (!buffer_) return SoundResult::DeviceGone;
        // Room for the extensible form of the format as well.
        alignas(WAVEFORMATEX) uint8_t block[64] = {};
        const HRESULT hr = buffer_->GetFormat(reinterpret_cast<WAVEFORMATEX*>(block), sizeof block, nullptr);
        if (SUCCEEDED(hr)) WaveFormat::FromBytes(block, sizeof block, format);
        return ResultOf(hr);
    }

    SoundResult Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1, void** region2,
                     uint32_t* length2, bool entire) override {
        *region1 = nullptr;
        *length1 = 0;
        if (region2) *region2 = nullptr;
        if (length2) *length2 = 0;
        if (!buffer_) return SoundResult::DeviceGone;
        if (lost_) return SoundResult::BufferLost;
        DWORD l1 = 0, l2 = 0;
        const HRESULT hr = buffer_->Lock(offset, bytes, region1, &l1, region2, region2 ? &l2 : nullptr,
                                         entire ? DSBLOCK_ENTIREBUFFER : 0);
        *length1 = uint32_t(l1);
        if (length2) *length2 = uint32_t(l2);
        return ResultOf(hr);
    }

    SoundResult Unlock(void* region1, uint32_t length1, void* region2, uint32_t length2) override {
        if (!buffer_) return SoundResult::DeviceGone;
        return ResultOf(buffer_->Unlock(region1, length1, region2, length2));
    }

    SoundResult Play(bool looping) override;

    SoundResult Stop() override { return buffer_ ? ResultOf(buffer_->Stop()) : SoundResult::DeviceGone; }

    SoundResult SetCurrentPosition(uint32_t byte) override {
        if (!buffer_) return SoundResult::DeviceGone;
        if (lost_) return SoundResult::BufferLost;
        return ResultOf(buffer_->SetCurrentPosition(byte));
    }

    SoundResult GetCurrentPosition(uint32_t* byte) const override {
        return Read<DWORD>(byte, [this](DWORD* play) { return buffer_->GetCurrentPosition(play, nullptr); });
    }

    SoundResult SetFrequency(uint32_t frequency) override {
        return buffer_ ? ResultOf(buffer_->SetFrequency(frequency)) : SoundResult::DeviceGone;
    }

    SoundResult GetFrequency(uint32_t* frequency) const override {
        return Read<DWORD>(frequency, [this](DWORD* hz) { return buffer_->GetFrequency(hz); });
    }

    SoundResult SetPan(int32_t pan) override {
        return buffer_ ? ResultOf(buffer_->SetPan(pan)) : SoundResult::DeviceGone;
    }

    SoundResult GetPan(int32_t* pan) const override {
        return Read<LONG>(pan, [this](LONG* value) { return buffer_->GetPan(value); });
    }

    SoundResult SetVolume(int32_t volume) override {
        return buffer_ ? ResultOf(buffer_->SetVolume(volume)) : SoundResult::DeviceGone;
    }

    SoundResult GetVolume(int32_t* volume) const override {
        return Read<LONG>(volume, [this](LONG* value) { return buffer_->GetVolume(value); });
    }

    SoundResult GetStatus(uint32_t* status) const override {
        *status = 0;
        if (!buffer_) return SoundResult::DeviceGone;
        DWORD s = 0;
        const HRESULT hr = buffer_->GetStatus(&s);
        if (s & DSBSTATUS_PLAYING) *status |= kStatusPlaying;
        if (s & DSBSTATUS_LOOPING) *status |= kStatusLooping;
        if (s & DSBSTATUS_BUFFERLOST) *status |= kStatusBufferLost;
        if (lost_) *status = kStatusBufferLost;
        return ResultOf(hr);
    }

    SoundResult Restore() override {
        if (!buffer_) return SoundResult::DeviceGone;
        const HRESULT hr = buffer_->Restore();
        if (SUCCEEDED(hr)) lost_ = false;
        return ResultOf(hr);
    }

    IDirectSoundBuffer* Interface() const { return buffer_.Get(); }

    bool Primary() const { return primary_; }
    bool Lost() const { return lost_; }

    // The device goes first: the buffer is released with it.
    void Orphan() {
        buffer_.Reset();
        device_ = nullptr;
    }

    void Lose() {
        if (!buffer_ || primary_) return;
        buffer_->Stop();
        // The samples go with the loss: silence until the owner writes them again.
        WAVEFORMATEX f{};
        buffer_->GetFormat(&f, sizeof f, nullptr);
        void *r1 = nullptr, *r2 = nullptr;
        DWORD l1 = 0, l2 = 0;
        if (SUCCEEDED(buffer_->Lock(0, 0, &r1, &l1, &r2, &l2, DSBLOCK_ENTIREBUFFER))) {
            std::memset(r1, f.wBitsPerSample == 8 ? 0x80 : 0, l1);
            buffer_->Unlock(r1, l1, r2, l2);
        }
        lost_ = true;
    }

private:
    // One value read through the buffer in DirectSound's own type and handed
    // out in ours; 0 where the buffer is gone or the read fails.
    template <class Native, class Out, class Get>
    SoundResult Read(Out* out, Get get) const {
        *out = 0;
        if (!buffer_) return SoundResult::DeviceGone;
        Native value = 0;
        const HRESULT hr = get(&value);
        *out = Out(value);
        return ResultOf(hr);
    }

    DirectSoundDevice* device_;
    ComPtr<IDirectSoundBuffer> buffer_;
    bool primary_;
    bool lost_ = false;  // lost on purpose (LoseBuffers)
};

class DirectSoundDevice final : public SoundDevice {
public:
    DirectSoundDevice(LoadedLibrary library, ComPtr<IDirectSound> sound)
        : library_(std::move(library)), sound_(std::move(sound)) {}

    // The buffers still alive are released first; then the device and the
    // library go with the members.
    ~DirectSoundDevice() override {
        for (DirectSoundBuffer* buffer : buffers_) buffer->Orphan();
        buffers_.clear();
    }

    SoundResult SetCooperativeLevel(const void* window, CooperativeLevel level) override {
        if (!window) return SoundResult::InvalidParams;
        window_ = window;
        level_ = level;
        level_set_ = true;
        bound_ = nullptr;
        return FollowMainWindow();
    }

    // Sets the level on the main window once it exists (or when it has been
    // made anew), on the desktop window before.
    SoundResult FollowMainWindow() {
        if (!level_set_) return SoundResult::Ok;
        HWND target = static_cast<HWND>(MainWindowHandle());
        if (!target) target = ::GetDesktopWindow();
        if (target == bound_) return SoundResult::Ok;
        const DWORD level = level_ == CooperativeLevel::Exclusive  ? DSSCL_EXCLUSIVE
                            : level_ == CooperativeLevel::Priority ? DSSCL_PRIORITY
                                                                   : DSSCL_NORMAL;
        const HRESULT hr = sound_->SetCooperativeLevel(target, level);
        if (SUCCEEDED(hr)) bound_ = target;
        return ResultOf(hr);
    }

    SoundResult CreateBuffer(const BufferDescription& d, std::unique_ptr<SoundBuffer>* buffer) override {
        buffer->reset();
        FollowMainWindow();
        const bool primary = (d.flags & kBufferPrimary) != 0;
        std::vector<uint8_t> format;
        DSBUFFERDESC description{};
        description.dwSize = sizeof description;
        description.dwFlags = SystemFlags(d.flags);
        if (!primary) {
            // The play cursor as exact as the system can tell it.
            description.dwFlags |= DSBCAPS_GETCURRENTPOSITION2;
            description.dwBufferBytes = d.bytes;
            format = FormatBlock(d);
            description.lpwfxFormat = reinterpret_cast<WAVEFORMATEX*>(format.data());
        }
        ComPtr<IDirectSoundBuffer> made;
        const HRESULT hr = sound_->CreateSoundBuffer(&description, made.Out(), nullptr);
        if (FAILED(hr) || !made) return FAILED(hr) ? ResultOf(hr) : SoundResult::Generic;
        *buffer = Adopt(std::move(made), primary);
        return SoundResult::Ok;
    }

    SoundResult DuplicateBuffer(const SoundBuffer& any, std::unique_ptr<SoundBuffer>* buffer) override {
        buffer->reset();
        const auto* original = dynamic_cast<const DirectSoundBuffer*>(&any);
        if (!original || !original->Interface() || !Owns(original)) return SoundResult::InvalidParams;
        if (original->Primary()) return SoundResult::Unsupported;
        if (original->Lost()) return SoundResult::BufferLost;
        FollowMainWindow();
        ComPtr<IDirectSoundBuffer> copy;
        const HRESULT hr = sound_->DuplicateSoundBuffer(original->Interface(), copy.Out());
        if (FAILED(hr) || !copy) return FAILED(hr) ? ResultOf(hr) : SoundResult::Generic;
        *buffer = Adopt(std::move(copy), false);
        return SoundResult::Ok;
    }

    void Forget(DirectSoundBuffer* buffer) {
        buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), buffer), buffers_.end());
    }

    HWND Bound() const { return bound_; }

    void LoseBuffers() {
        for (DirectSoundBuffer* buffer : buffers_) buffer->Lose();
    }

private:
    std::unique_ptr<SoundBuffer> Adopt(ComPtr<IDirectSoundBuffer> made, bool primary) {
        auto adopted = std::make_unique<DirectSoundBuffer>(this, std::move(made), primary);
        buffers_.push_back(adopted.get());
        return adopted;
    }

    bool Owns(const DirectSoundBuffer* buffer) const {
        return std::find(buffers_.begin(), buffers_.end(), buffer) != buffers_.end();
    }

    LoadedLibrary library_;  // freed last, after everything it made
    ComPtr<IDirectSound> sound_;
    std::vector<DirectSoundBuffer*> buffers_;
    bool level_set_ = false;
    HWND bound_ = nullptr;
};

DirectSoundBuffer::~DirectSoundBuffer() {
    if (device_) device_->Forget(this);
}

SoundResult DirectSoundBuffer::Play(bool looping) {
    if (!buffer_) return SoundResult::DeviceGone;
    if (lost_) return SoundResult::BufferLost;
    device_->FollowMainWindow();
    // The primary buffer plays only looping.
    return ResultOf(buffer_->Play(0, 0, looping || primary_ ? DSBPLAY_LOOPING : 0));
}

// "DSound.dll" and its DirectSoundCreate, or nothing.
SoundResult OpenDirectSound(LoadedLibrary* library, ComPtr<IDirectSound>* sound) {
    LoadedLibrary dll("DSound.dll");
    if (!dll) return SoundResult::NoDriver;
    auto create = dll.Function<DirectSoundCreateFn>("DirectSoundCreate");
    ComPtr<IDirectSound> made;
    const HRESULT hr = create ? create(nullptr, made.Out(), nullptr) : DSERR_NODRIVER;
    if (FAILED(hr) || !made) return hr == DSERR_ALLOCATED ? SoundResult::Allocated : SoundResult::NoDriver;
    *library = std::move(dll);
    *sound = std::move(made);
    return SoundResult::Ok;
}

}  // namespace

bool IsDirectSound(const SoundDevice& device) { return dynamic_cast<const DirectSoundDevice*>(&device) != nullptr; }

void* CooperativeWindow(const SoundDevice& device) {
    const auto* ds = dynamic_cast<const DirectSoundDevice*>(&device);
    return ds ? ds->Bound() : nullptr;
}

bool LoseBuffers(SoundDevice& device) {
    auto* ds = dynamic_cast<DirectSoundDevice*>(&device);
    if (!ds) return false;
    ds->LoseBuffers();
    return true;
}

}  // namespace klice::platform::win32

namespace klice::platform::detail {

SoundResult CreateSystemSoundDevice(std::unique_ptr<SoundDevice>* device) {
    device->reset();
    win32::LoadedLibrary library;
    win32::ComPtr<IDirectSound> sound;
    const SoundResult result = win32::OpenDirectSound(&library, &sound);
    if (result != SoundResult::Ok) return result;
    *device = std::make_unique<win32::DirectSoundDevice>(std::move(library), std::move(sound));
    return SoundResult::Ok;
}

// Our mixer never plays on the system's output here: the system's sound
// device is DirectSound.
std::unique_ptr<AudioSink> OpenSystemAudio(AudioSink::MixCallback, void*) { return nullptr; }

}  // namespace klice::platform::detail

namespace klice::platform {

bool SystemAudioAvailable() {
    // The library outlives the device: declared first, it goes last.
    win32::LoadedLibrary library;
    win32::ComPtr<IDirectSound> sound;
    return win32::OpenDirectSound(&library, &sound) == SoundResult::Ok;
}

}  // namespace klice::platform
