// The memory this process holds, as the system counts it: for tests and
// tools that hold the game to a memory budget.
#pragma once

#include <cstdint>

namespace klice::platform {

// The most resident memory (the resident set, the working set on Windows)
// this process has had at any moment so far, in bytes; 0 when the system
// does not say.
uint64_t PeakResidentBytes();

}  // namespace klice::platform
