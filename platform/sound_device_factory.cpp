// Which sound device serves an output: the system's own for the system's
// output, our mixer for the outputs of our own.
#include "platform/backend.h"
#include "platform/mixing_sound_device.h"
#include "platform/sound_device.h"

namespace klice::platform {

SoundResult SoundDevice::Create(std::unique_ptr<SoundDevice>* device) { return Create(device, CurrentAudioOutput()); }

SoundResult SoundDevice::Create(std::unique_ptr<SoundDevice>* device, const AudioOutput& output) {
    device->reset();
    switch (output.kind) {
        case AudioOutput::Kind::None: return SoundResult::NoDriver;
        case AudioOutput::Kind::System: return detail::CreateSystemSoundDevice(device);
        case AudioOutput::Kind::Discard:
        case AudioOutput::Kind::File: break;
    }
    std::unique_ptr<MixingSoundDevice> mixer;
    const SoundResult result = MixingSoundDevice::Open(&mixer, output);
    *device = std::move(mixer);
    return result;
}

}  // namespace klice::platform
