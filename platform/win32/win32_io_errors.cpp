// The I/O codes are the system's own error numbers for the four failures
// that have a message of their own.
#include "platform/backend.h"
#include "platform/io_errors.h"
#include "platform/win32/win32.h"

namespace klice::platform::detail {

int KnownIoCode(int system_error, const std::string&) {
    switch (system_error) {
        case ERROR_FILE_NOT_FOUND: return kIoFileNotFound;
        case ERROR_PATH_NOT_FOUND: return kIoInvalidFilename;
        case ERROR_TOO_MANY_OPEN_FILES: return kIoTooManyOpenFiles;
        case ERROR_ACCESS_DENIED: return kIoAccessDenied;
        default: return 0;
    }
}

}  // namespace klice::platform::detail
