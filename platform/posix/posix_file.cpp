#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file.h"

namespace klice::platform {

namespace {
int Descriptor(intptr_t handle) { return static_cast<int>(handle); }
}  // namespace

int File::Open(const std::string& path, FileAccess access) {
    Close();
    int flags = O_CLOEXEC;
    switch (access) {
        case FileAccess::Read: flags |= O_RDONLY; break;
        case FileAccess::ReadWrite: flags |= O_RDWR; break;
        case FileAccess::CreateReadWrite: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return error_ = errno;
    // A directory opens for reading on this system but is no file.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return error_ = EISDIR;
    }
    handle_ = fd;
    return error_ = 0;
}

long long File::Read(void* buffer, size_t count) {
    size_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(Descriptor(handle_), bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<long long>(done);
}

long long File::Write(const void* buffer, size_t count) {
    size_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::write(Descriptor(handle_), bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<long long>(done);
}

long long File::Seek(long long offset, int origin) {
    int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    off_t position = ::lseek(Descriptor(handle_), static_cast<off_t>(offset), whence);
    if (position < 0) {
        error_ = errno;
        return -1;
    }
    return position;
}

long long File::Size() {
    struct stat info {};
    if (::fstat(Descriptor(handle_), &info) != 0) {
        error_ = errno;
        return -1;
    }
    return info.st_size;
}

int File::Close() {
    if (handle_ == kClosed) return 0;
    int result = ::close(Descriptor(handle_));
    handle_ = kClosed;
    return result == 0 ? 0 : (error_ = errno);
}

std::string SystemErrorMessage(int error) { return std::strerror(error); }

std::string ExpandFileName(const std::string& name) {
    if (!name.empty() && name[0] == '/') return name;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return name;
    std::string base(cwd);
    if (base.empty() || base.back() != '/') base += '/';
    return base + name;
}

}  // namespace klice::platform
