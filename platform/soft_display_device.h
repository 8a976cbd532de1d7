// Internal to platform/: the portable software display, a virtual screen
// whose modes are the classic ones and whose surfaces are plain memory.
#pragma once

#include <memory>

#include "platform/display_device.h"

namespace klice::platform::detail {

std::unique_ptr<DisplayDevice> CreateSoftDisplayDevice();

}  // namespace klice::platform::detail
