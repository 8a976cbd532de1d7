// What a file is on every system; opening, reading, writing and closing are
// the backend's (platform/sdl/posix_file.cpp, platform/win32/win32_file.cpp).
#include "platform/file.h"

#include "platform/backend.h"

namespace klice::platform {

File::File(File&& other) noexcept : handle_(other.handle_), error_(other.error_) { other.handle_ = kClosed; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        error_ = other.error_;
        other.handle_ = kClosed;
    }
    return *this;
}

File::~File() { Close(); }

std::string ProgramFolder() { return detail::ProgramFolder(); }

}  // namespace klice::platform
