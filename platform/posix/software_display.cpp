// The display of the POSIX backends (SDL, the browser): the portable
// software surfaces serve every application, and DIB sections are plain
// memory; no system display stands behind them.
#include <cstdlib>

#include "platform/backend.h"
#include "platform/system_colors.h"

namespace klice::platform::detail {

std::unique_ptr<DisplayDevice> CreateSystemDisplayDevice(Result* result) {
    if (result) *result = Result::Ok;
    return nullptr;
}

bool HasSystemDisplay() { return false; }

void MarkSystemSurfacesLost() {}

bool SystemPresentCount(uint64_t*) { return false; }

bool ReadSystemFrame(Frame*) { return false; }

uint8_t* AllocateDibSection(int, int, int, size_t bytes, void** handle) {
    *handle = nullptr;
    return static_cast<uint8_t*>(std::calloc(bytes, 1));
}

void FreeDibSection(uint8_t* pixels, void*) { std::free(pixels); }

}  // namespace klice::platform::detail

namespace klice::platform {

uint32_t SystemColorValue(int index) { return ClassicSystemColor(index); }

}  // namespace klice::platform
