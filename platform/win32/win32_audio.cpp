// No system audio on Windows yet: the game runs silent until the sound
// device is built on DirectSound. Tests and tools choose the paced outputs.
#include "platform/backend.h"

namespace klice::platform::detail {

std::unique_ptr<AudioSink> OpenSystemAudio(AudioSink::MixCallback, void*) { return nullptr; }

}  // namespace klice::platform::detail

namespace klice::platform {

bool SystemAudioAvailable() { return false; }

}  // namespace klice::platform
