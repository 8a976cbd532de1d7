// Internal to platform/win32/ and its tests: what the DirectSound device lets
// a test reach beyond the portable interface.
#pragma once

#include "platform/sound_device.h"

namespace klice::platform::win32 {

// Whether the device is the system's DirectSound (not our mixer).
bool IsDirectSound(const SoundDevice& device);

// The window (an HWND) the device's cooperative level is set on now: the
// main window once it exists, the desktop before; null for the mixer.
void* CooperativeWindow(const SoundDevice& device);

// Loses every secondary buffer of a DirectSound device as the system does
// when another program takes the sound hardware over: they stop, their
// samples are gone, and they report BufferLost until restored. The system
// never does this under wine, so tests reach the loss this way. False for
// the mixer.
bool LoseBuffers(SoundDevice& device);

}  // namespace klice::platform::win32
