// The sound device of the POSIX backends (SDL, the browser): our own mixer
// on the audio output the backend opens (AudioOutput::System()).
#include "platform/backend.h"

namespace klice::platform::detail {

SoundResult CreateSystemSoundDevice(std::unique_ptr<SoundDevice>* device) {
    std::unique_ptr<MixingSoundDevice> mixer;
    const SoundResult result = MixingSoundDevice::Open(&mixer, AudioOutput::System());
    *device = std::move(mixer);
    return result;
}

}  // namespace klice::platform::detail
