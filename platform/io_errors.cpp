#include "platform/io_errors.h"

#include <sys/stat.h>

#include <cerrno>

namespace klice::platform {

namespace {

// True when the folder that would hold `path` exists. A bare name lives in
// the working directory, which is taken to exist.
bool ParentFolderExists(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return true;
    std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
    struct stat info {};
    return ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The code of an error number that has one; 0 for the others.
int KnownCode(int system_error, const std::string& path) {
    switch (system_error) {
        case ENOENT:
            if (path.empty() || !ParentFolderExists(path)) return kIoInvalidFilename;
            return kIoFileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return kIoInvalidFilename;
        case EMFILE:
        case ENFILE: return kIoTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY: return kIoAccessDenied;
        default: return 0;
    }
}

}  // namespace

int IoErrorCode(int system_error, const std::string& path) {
    int code = KnownCode(system_error, path);
    return code != 0 ? code : system_error;
}

EInOutError FileError(int system_error, const std::string& path) {
    int code = KnownCode(system_error, path);
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
