// Internal to platform/: what each system's backend (platform/sdl/,
// platform/win32/) provides to the portable core, beyond the public
// functions it implements (files, resources, text, JPEG).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/gamepad.h"
#include "platform/sound_device.h"

namespace klice::platform {
class Application;
}

namespace klice::platform::detail {

class WindowBackend;

// The window system for a windowed application; throws EOutOfResources when
// there is none.
std::unique_ptr<WindowBackend> CreateWindowBackend(Application& app);

// The system's audio device, calling back from its own thread; null when the
// system has none.
std::unique_ptr<AudioSink> OpenSystemAudio(AudioSink::MixCallback callback, void* user);

// A device of our own (AudioOutput::Discard or File), paced by the clock.
std::unique_ptr<AudioSink> OpenPacedAudio(const AudioOutput& output, AudioSink::MixCallback callback, void* user);

// Every pad connected now, read from the system's pad interface; hot-plugged
// pads appear and removed ones disappear between calls.
void ReadSystemGamepads(std::vector<GamepadState>* pads);

// A resource of the executable's own resource table, by type and upper-case
// name; none where the system keeps no such table.
std::optional<std::span<const uint8_t>> FindSystemResource(int type, const std::string& name);

// The I/O code of a system error number that has one of its own (file not
// found, invalid filename, too many open files, access denied); 0 for the
// others. `path` is the file the operation was on.
int KnownIoCode(int system_error, const std::string& path);

}  // namespace klice::platform::detail
