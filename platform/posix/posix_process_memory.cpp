#include <sys/resource.h>

#include "platform/process_memory.h"

namespace klice::platform {

uint64_t PeakResidentBytes() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0 || usage.ru_maxrss < 0) return 0;
    return uint64_t(usage.ru_maxrss) * 1024;  // Linux counts KiB
}

}  // namespace klice::platform
