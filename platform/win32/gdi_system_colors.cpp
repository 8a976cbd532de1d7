// The system colours of the running Windows.
#include "platform/system_colors.h"
#include "platform/win32/win32.h"

namespace klice::platform {

uint32_t SystemColorValue(int index) {
    // GetSysColor answers 0 for an index it does not know; so do we.
    if (index < 0 || index > COLOR_MENUBAR) return 0;
    return static_cast<uint32_t>(::GetSysColor(index)) & 0xFFFFFF;  // COLORREF is 0x00BBGGRR
}

}  // namespace klice::platform
