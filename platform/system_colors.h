// The window system's colours by their index (the button face, the
// highlight, ...), as colour values 0x00BBGGRR.
#pragma once

#include <cstdint>

namespace klice::platform {

// The current value of system colour `index`: the system's own scheme where
// it has one (Windows), else the classic desktop scheme. 0 for an index the
// system does not know.
uint32_t SystemColorValue(int index);

// The classic desktop scheme, for systems without a scheme of their own.
uint32_t ClassicSystemColor(int index);

}  // namespace klice::platform
