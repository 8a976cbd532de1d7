// The mouse cursor as the game leaves it.
#pragma once

namespace klice::testing {

// The cursor's show count, read without changing it: 0 shown, below 0
// hidden. Every application starts at 0.
int CursorCount();

}  // namespace klice::testing
