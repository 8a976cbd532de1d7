// The resident memory of this process, as the system counts it.
#pragma once

#include <cstdint>

namespace klice::soak {

// Resident set size in KiB; 0 when the system does not say.
int64_t resident_kib();

}  // namespace klice::soak
