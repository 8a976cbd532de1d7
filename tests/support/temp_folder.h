// Folders for tests that touch the file system.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace klice::testing {

// A new, empty folder under the system's temporary folder, with a name no
// other test (in this run or a parallel one) can have, removed with all it
// holds when the object goes. Files a test made read-only, or folders it
// closed, are opened up first, so nothing is left behind.
class TempFolder {
public:
    // `label` goes into the folder's name, to tell whose it is.
    explicit TempFolder(const std::string& label = "test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // The path of `name` inside the folder.
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Makes `folder` the working directory while it lives, and gives the
// previous one back however the test leaves.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& folder);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// Writes `size` bytes to `path`, replacing the file; returns the path.
std::string WriteBytes(const std::filesystem::path& path, const void* data, size_t size);
// The same for a string or a vector of bytes.
template <class Bytes>
std::string WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    return WriteBytes(path, bytes.data(), bytes.size() * sizeof bytes[0]);
}

}  // namespace klice::testing
