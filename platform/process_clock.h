// The processor time, age and memory of this process, for measurements of
// the game in its real window.
#pragma once

namespace klice::platform {

// User and system time of the whole process so far, in seconds. Its
// resolution is the system's accounting tick (10 ms or coarser): good for
// a share over seconds, not for timing one frame.
double ProcessCpuSeconds();

// Wall time since the system created this process, in seconds: what a
// player waits from starting the program. Windows knows it to 100 ns;
// Linux counts process starts in its clock ticks, 10 ms.
double ProcessAgeSeconds();

// The most memory the process has held resident so far (its peak working
// set on Windows), in MiB.
double PeakResidentMiB();

}  // namespace klice::platform
