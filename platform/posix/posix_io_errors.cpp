// The I/O codes of this system's error numbers.
#include <sys/stat.h>

#include <cerrno>

#include "platform/backend.h"
#include "platform/io_errors.h"

namespace klice::platform::detail {

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

}  // namespace

int KnownIoCode(int system_error, const std::string& path) {
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

}  // namespace klice::platform::detail
