#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/process_clock.h"

namespace klice::platform {

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double ProcessAgeSeconds() {
    // Field 22 of /proc/self/stat: the start in clock ticks after boot.
    std::ifstream in("/proc/self/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t name_end = stat.rfind(')');  // the command name may hold spaces
    if (name_end == std::string::npos) return 0;
    std::istringstream fields(stat.substr(name_end + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field;) ++i;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double started = std::stod(field) / double(sysconf(_SC_CLK_TCK));
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9 - started;
}

double PeakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // Linux counts it in KiB
}

}  // namespace klice::platform
