// Plain file access with the system's error numbers, the stand-in for the
// operating system's file handles. No exceptions here: callers turn the
// error number into their own failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace klice::platform {

enum class FileAccess { Read, ReadWrite, CreateReadWrite };

class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File();

    // Opens an existing file (or creates one with CreateReadWrite).
    // Returns 0 or the system's error number.
    int Open(const std::string& path, FileAccess access);
    bool IsOpen() const { return handle_ != kClosed; }
    // Each returns the byte count moved, or -1 with error() set.
    long long Read(void* buffer, size_t count);
    long long Write(const void* buffer, size_t count);
    // origin: 0 from start, 1 from current, 2 from end. Returns the new position or -1.
    long long Seek(long long offset, int origin);
    long long Size();
    // Returns 0 or the system's error number.
    int Close();
    int error() const { return error_; }

private:
    // The system's handle: a file descriptor, or a HANDLE on Windows.
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed;
    int error_ = 0;
};

// The system's own text for an error number.
std::string SystemErrorMessage(int error);
// A relative name made absolute against the working directory.
std::string ExpandFileName(const std::string& name);
// The folder of the running program, with its trailing separator; empty
// when the system cannot say.
std::string ProgramFolder();

}  // namespace klice::platform
