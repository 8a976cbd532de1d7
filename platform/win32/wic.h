// Internal to platform/win32/: the Windows Imaging Component, the system's
// picture codecs, reached through COM.
#pragma once

#include "platform/win32/com_ptr.h"
#include "platform/win32/win32.h"
// After <windows.h>:
#include <objbase.h>
#include <wincodec.h>

namespace klice::platform::win32 {

// The imaging factory of this thread (COM is started on it if need be);
// null when the system has no WIC.
IWICImagingFactory* ImagingFactory();

}  // namespace klice::platform::win32
