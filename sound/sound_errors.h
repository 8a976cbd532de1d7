// Failure classes of the sound component, its buffers and the wave stream,
// with the messages they carry.
#pragma once

#include "platform/exception.h"

namespace klice {

KLICE_DECLARE_EXCEPTION(EDXSoundError, Exception);
KLICE_DECLARE_EXCEPTION(EDirectSoundError, EDirectXError);
KLICE_DECLARE_EXCEPTION(EDirectSoundBufferError, EDirectSoundError);
KLICE_DECLARE_EXCEPTION(EWaveStreamError, Exception);

inline constexpr const char* kFormNotFound = "Form not found";
inline constexpr const char* kCannotInitialized = "%s cannot be initialized";
inline constexpr const char* kCannotMade = "%s cannot be made";
inline constexpr const char* kCannotLock = "%s cannot be locked";
inline constexpr const char* kNotMade = "%s not made";
inline constexpr const char* kWaveInvalid = "Wave is invalid";
inline constexpr const char* kStreamAlreadyOpen = "Stream is already open";
inline constexpr const char* kStreamNotOpened = "Stream not opened";
inline constexpr const char* kFormatInvalid = "Format is invalid";

}  // namespace klice
