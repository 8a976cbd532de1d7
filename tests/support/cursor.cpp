#include "tests/support/cursor.h"

#include "platform/application.h"

namespace klice::testing {

int CursorCount() {
    const int count = platform::ShowCursor(true) - 1;
    platform::ShowCursor(false);
    return count;
}

}  // namespace klice::testing
