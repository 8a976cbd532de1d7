#include "platform/process_memory.h"
#include "platform/win32/win32.h"
// After windows.h.
#include <psapi.h>

namespace klice::platform {

uint64_t PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

}  // namespace klice::platform
