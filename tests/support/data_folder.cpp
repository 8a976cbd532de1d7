#include "tests/support/data_folder.h"

namespace klice::testing {

namespace fs = std::filesystem;

DataFolderCopy::DataFolderCopy(const fs::path& from, const std::string& label, const std::string& name,
                               const std::optional<std::string>& bytes)
    : folder_(label) {
    for (const fs::directory_entry& e : fs::directory_iterator(from)) {
        const std::string file = e.path().filename().string();
        if (file == name) continue;
        // A link where the file system makes them, else a copy. Node's view
        // of the disk (the browser build's tests) makes links it cannot
        // follow: a link that does not lead to the file is a copy too.
        std::error_code no_link;
        fs::create_symlink(e.path(), folder_ / file, no_link);
        if (!no_link && !fs::exists(folder_ / file)) {
            fs::remove(folder_ / file);
            no_link = std::make_error_code(std::errc::not_supported);
        }
        if (no_link) fs::copy_file(e.path(), folder_ / file);
    }
    if (bytes) WriteFile(folder_ / name, *bytes);
}

}  // namespace klice::testing
