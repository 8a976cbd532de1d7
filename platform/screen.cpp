#include "platform/screen.h"

#include "platform/soft_screen.h"

namespace klice::platform::detail {

namespace {
std::optional<DisplayMode> g_system_mode;
bool g_restore_blocked = false;
bool g_system_display_allowed = false;
}  // namespace

SoftScreen& TheScreen() {
    static SoftScreen screen;
    return screen;
}

void SetSystemScreenMode(std::optional<DisplayMode> mode) { g_system_mode = mode; }

DisplayMode ScreenMode() { return g_system_mode ? *g_system_mode : TheScreen().mode; }

uint64_t PresentCount() { return TheScreen().presents; }

bool RestoreBlocked() { return g_restore_blocked; }
void SetRestoreBlocked(bool blocked) { g_restore_blocked = blocked; }

bool SystemDisplayAllowed() { return g_system_display_allowed; }
void SetSystemDisplayAllowed(bool allowed) { g_system_display_allowed = allowed; }

bool TakeDirty() {
    bool dirty = TheScreen().dirty;
    TheScreen().dirty = false;
    return dirty;
}

}  // namespace klice::platform::detail
