// Which display serves: the system's own for a windowed application where
// the backend has one, else the software display.
#include "platform/backend.h"
#include "platform/display_device.h"
#include "platform/screen.h"
#include "platform/soft_display_device.h"

namespace klice::platform {

std::unique_ptr<DisplayDevice> CreateDisplayDevice(Result* result) {
    if (result) *result = Result::Ok;
    if (detail::SystemDisplayAllowed()) {
        Result system = Result::Ok;
        if (auto device = detail::CreateSystemDisplayDevice(&system)) return device;
        // The system has a display of its own and it failed: no stand-in.
        if (system != Result::Ok) {
            if (result) *result = system;
            return nullptr;
        }
    }
    return detail::CreateSoftDisplayDevice();
}

bool HasSystemDisplay() { return detail::HasSystemDisplay(); }

}  // namespace klice::platform
