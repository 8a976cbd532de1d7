#include "platform/io_errors.h"

#include "platform/backend.h"

namespace klice::platform {

int IoErrorCode(int system_error, const std::string& path) {
    int code = detail::KnownIoCode(system_error, path);
    return code != 0 ? code : system_error;
}

EInOutError FileError(int system_error, const std::string& path) {
    int code = detail::KnownIoCode(system_error, path);
    if (code != 0) return InOutError(code);
    return EInOutError(system_error, Format("I/O error %d", system_error));
}

void RaiseFileError(int system_error, const std::string& path) { throw FileError(system_error, path); }

std::string IoErrorMessage(int code) {
    switch (code) {
        case kIoFileNotFound: return "File not found";
        case kIoInvalidFilename: return "Invalid filename";
        case kIoTooManyOpenFiles: return "Too many open files";
        case kIoAccessDenied: return "File access denied";
        case kIoReadBeyondEnd: return "Read beyond end of file";
        default: return Format("I/O error %d", code);
    }
}

EInOutError InOutError(int code) { return EInOutError(code, IoErrorMessage(code)); }

void RaiseInOutError(int code) { throw InOutError(code); }

}  // namespace klice::platform
