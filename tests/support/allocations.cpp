#include "tests/support/allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_track{false};
std::atomic<size_t> g_largest{0};
std::atomic<size_t> g_refused{0};
}  // namespace

void* operator new(size_t n) {
    if (n != 0 && n == g_refused.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (g_track.load(std::memory_order_relaxed)) {
        size_t cur = g_largest.load();
        while (n > cur && !g_largest.compare_exchange_weak(cur, n)) {
        }
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// The replaced operator new allocates with malloc, so free is the match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace klice::testing {

void TrackLargestAllocation(bool on) {
    if (on) g_largest = 0;
    g_track = on;
}

size_t LargestAllocation() { return g_largest.load(); }

void RefuseAllocationOf(size_t bytes) { g_refused = bytes; }

}  // namespace klice::testing
