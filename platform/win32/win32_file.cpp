// Files through the system's own handles: the error numbers are those of
// GetLastError, the texts those of FormatMessage.
#include <algorithm>
#include <limits>

#include "platform/file.h"
#include "platform/win32/win32.h"

namespace klice::platform {

namespace {

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

int File::Open(const std::string& path, FileAccess access) {
    Close();
    DWORD rights = GENERIC_READ, disposition = OPEN_EXISTING;
    if (access != FileAccess::Read) rights |= GENERIC_WRITE;
    if (access == FileAccess::CreateReadWrite) disposition = CREATE_ALWAYS;
    // Other programs may read and write the file meanwhile.
    HANDLE h = ::CreateFileA(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return error_ = int(::GetLastError());
    handle_ = reinterpret_cast<intptr_t>(h);  // never INVALID_HANDLE_VALUE, which is kClosed
    return error_ = 0;
}

long long File::Read(void* buffer, size_t count) {
    size_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        const DWORD chunk = DWORD(std::min<size_t>(count - done, std::numeric_limits<DWORD>::max() / 2));
        DWORD n = 0;
        if (!::ReadFile(Handle(handle_), bytes + done, chunk, &n, nullptr)) {
            error_ = int(::GetLastError());
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return static_cast<long long>(done);
}

long long File::Write(const void* buffer, size_t count) {
    size_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < count) {
        const DWORD chunk = DWORD(std::min<size_t>(count - done, std::numeric_limits<DWORD>::max() / 2));
        DWORD n = 0;
        if (!::WriteFile(Handle(handle_), bytes + done, chunk, &n, nullptr)) {
            error_ = int(::GetLastError());
            return -1;
        }
        done += n;
    }
    return static_cast<long long>(done);
}

long long File::Seek(long long offset, int origin) {
    const DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(Handle(handle_), distance, &position, method)) {
        error_ = int(::GetLastError());
        return -1;
    }
    return position.QuadPart;
}

long long File::Size() {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(Handle(handle_), &size)) {
        error_ = int(::GetLastError());
        return -1;
    }
    return size.QuadPart;
}

int File::Close() {
    if (handle_ == kClosed) return 0;
    const BOOL ok = ::CloseHandle(Handle(handle_));
    handle_ = kClosed;
    return ok ? 0 : (error_ = int(::GetLastError()));
}

// The system's text in the user's language, without its line break.
std::string SystemErrorMessage(int error) {
    char* text = nullptr;
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, DWORD(error), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = length && text ? std::string(text, length) : std::string();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    if (message.empty()) message = "System error " + std::to_string(error);
    return message;
}

std::string ExpandFileName(const std::string& name) {
    const DWORD length = ::GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
    if (length == 0) return name;
    std::string full(length, '\0');
    const DWORD written = ::GetFullPathNameA(name.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return name;
    full.resize(written);
    return full;
}

}  // namespace klice::platform
