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

#include "platform/application.h"
#include "platform/display_device.h"
#include "platform/gamepad.h"
#include "platform/mixing_sound_device.h"
#include "platform/sound_device.h"
#include "platform/text_renderer.h"

namespace klice::platform {
class Application;
}

namespace klice::platform::detail {

class WindowBackend;

// The window system for a windowed application; throws EOutOfResources when
// there is none.
std::unique_ptr<WindowBackend> CreateWindowBackend(Application& app);

// The system's sound device (AudioOutput::System): the system's own mixing
// service where it has one (DirectSound on Windows), else our mixer on the
// system's audio output. NoDriver when the system has no device.
SoundResult CreateSystemSoundDevice(std::unique_ptr<SoundDevice>* device);

// The system's audio output for our mixer, calling back from its own thread;
// null when the system has none, or where the system's sound device is not
// our mixer (Windows).
std::unique_ptr<AudioSink> OpenSystemAudio(AudioSink::MixCallback callback, void* user);

// A device of our own (AudioOutput::Discard or File), paced by the clock.
std::unique_ptr<AudioSink> OpenPacedAudio(const AudioOutput& output, AudioSink::MixCallback callback, void* user);

// Every pad connected now, read from the system's pad interface; hot-plugged
// pads appear and removed ones disappear between calls.
void ReadSystemGamepads(std::vector<GamepadState>* pads);

// A resource of the executable's own resource table, by type and upper-case
// name; none where the system keeps no such table.
std::optional<std::span<const uint8_t>> FindSystemResource(int type, const std::string& name);

// The system's own display service for a windowed application (DirectDraw
// on Windows). Null with Result::Ok where the backend has none, so that the
// portable software display serves; null with another result when it has
// one and it cannot be had.
std::unique_ptr<DisplayDevice> CreateSystemDisplayDevice(Result* result);
bool HasSystemDisplay();
// Marks every surface of the system's display lost, as a switch away from
// the full-screen program does.
void MarkSystemSurfacesLost();
// While the system's display shows the frames: its presents so far, and the
// frame the screen shows now. False when the software display serves.
bool SystemPresentCount(uint64_t* count);
bool ReadSystemFrame(Frame* frame);

// Pixel memory of a DIB section, zeroed: the system's own bitmap where it
// has one (`*handle` then names it). Null when it cannot be had.
uint8_t* AllocateDibSection(int width, int height, int bit_count, size_t bytes, void** handle);
void FreeDibSection(uint8_t* pixels, void* handle);

// The I/O code of a system error number that has one of its own (file not
// found, invalid filename, too many open files, access denied); 0 for the
// others. `path` is the file the operation was on.
int KnownIoCode(int system_error, const std::string& path);

// The folder of the running program with its trailing separator; empty when
// the system cannot say.
std::string ProgramFolder();

// Folders (with trailing separators) where the system keeps fonts the game
// may fall back on.
std::vector<std::string> SystemFontFolders();

// Loads the game font from `path` for the text below; false (said on stderr)
// when the system cannot use it. Called once.
bool LoadFont(const std::string& path);

// Draws one line of Windows-1250 text with the loaded font at char_height
// pixels into `run` as coverage; false when the system refuses.
bool RasterizeLine(const std::string& text, int char_height, GlyphRun* run);

}  // namespace klice::platform::detail
