#include "tests/support/data_folder.h"

namespace klice::testing {

namespace fs = std::filesystem;

DataFolderCopy::DataFolderCopy(const fs::path& from, const std::string& label, const std::string& name,
                               const std::optional<std::string>& bytes)
    : folder_(label) {
    for (const fs::directory_entry& e : fs::directory_iterator(from)) {
        const std::string file = e.path().filename().string();
        if (file == name) continue;
        std::error_code no_link;
        fs::create_symlink(e.path(), folder_ / file, no_link);
        if (no_link) fs::copy_file(e.path(), folder_ / file);
    }
    if (bytes) WriteFile(folder_ / name, *bytes);
}

}  // namespace klice::testing
