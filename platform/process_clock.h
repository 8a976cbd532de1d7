// The processor time this process has used, for measurements of the game
// in its real window.
#pragma once

namespace klice::platform {

// User and system time of the whole process so far, in seconds. Its
// resolution is the system's accounting tick (10 ms or coarser): good for
// a share over seconds, not for timing one frame.
double ProcessCpuSeconds();

}  // namespace klice::platform
