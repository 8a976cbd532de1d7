#include "tests/support/temp_folder.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace klice::testing {

namespace fs = std::filesystem;

namespace {

// Gives the owner every right on `p` and, for a folder, on all it holds, so
// that it can be removed. Links are left alone: they may point at files
// outside the folder (the built data), which must keep their rights.
void OpenUp(const fs::path& p) {
    std::error_code ignored;
    const fs::file_status status = fs::symlink_status(p, ignored);
    if (fs::is_symlink(status)) return;
    fs::permissions(p, fs::perms::owner_all, fs::perm_options::add, ignored);
    if (!fs::is_directory(status)) return;
    for (const fs::directory_entry& e : fs::directory_iterator(p, ignored)) OpenUp(e.path());
}

}  // namespace

TempFolder::TempFolder(const std::string& label) {
    // A random name, claimed by creating the folder: creation fails when the
    // name is taken, so two tests can never end up with the same folder.
    std::random_device entropy;
    std::mt19937_64 random((uint64_t{entropy()} << 32) ^ entropy() ^
                           static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        const fs::path candidate = fs::temp_directory_path() / ("klice-" + label + "-" + suffix);
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
        if (error) throw std::runtime_error("cannot make " + candidate.string() + ": " + error.message());
    }
    throw std::runtime_error("no free name for a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
    if (!error) return;
    OpenUp(path_);
    fs::remove_all(path_, error);
}

WorkingDirectory::WorkingDirectory(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }

WorkingDirectory::~WorkingDirectory() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

std::string WriteBytes(const fs::path& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

}  // namespace klice::testing
