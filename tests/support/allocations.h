// The allocations of a test program, watched and refused on purpose. A
// program that uses these links klice_test_allocations, which replaces its
// operator new; the others keep the standard one.
#pragma once

#include <cstddef>

namespace klice::testing {

// While tracking, the largest single allocation is kept.
void TrackLargestAllocation(bool on);
size_t LargestAllocation();

// An allocation of exactly this many bytes raises std::bad_alloc; 0 refuses
// none.
void RefuseAllocationOf(size_t bytes);

}  // namespace klice::testing
