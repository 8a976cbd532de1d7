#include "platform/process_clock.h"
#include "platform/win32/win32.h"

// After <windows.h>, which it needs.
#include <psapi.h>

namespace klice::platform {

namespace {

// 100 ns units.
double Seconds(const FILETIME& t) { return double(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) * 1e-7; }

}  // namespace

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return Seconds(kernel) + Seconds(user);
}

double ProcessAgeSeconds() {
    FILETIME created, exited, kernel, user, now;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    ::GetSystemTimePreciseAsFileTime(&now);
    return Seconds(now) - Seconds(created);
}

double PeakResidentMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return double(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace klice::platform
