// A game data folder for a test: the files of another (the built data), one
// of them replaced or left out.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/temp_folder.h"

namespace klice::testing {

// A temporary folder with every file of `from`, except `name`, which is
// written with `bytes` (or left out when there are none). The files are
// links where the system has them (the pictures are megabytes), else copies.
class DataFolderCopy {
public:
    DataFolderCopy(const std::filesystem::path& from, const std::string& label, const std::string& name = "",
                   const std::optional<std::string>& bytes = std::nullopt);
    std::string Path() const { return folder_.str(); }

private:
    TempFolder folder_;
};

}  // namespace klice::testing
