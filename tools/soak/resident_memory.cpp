#include "tools/soak/resident_memory.h"

#include <unistd.h>

#include <fstream>

namespace klice::soak {

int64_t resident_kib() {
    // statm: total and resident size in pages.
    std::ifstream statm("/proc/self/statm");
    int64_t total = 0, resident = 0;
    if (!(statm >> total >> resident)) return 0;
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? resident * (page / 1024) : 0;
}

}  // namespace klice::soak
