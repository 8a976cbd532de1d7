#include "game/data_folder.h"

#include "platform/file.h"

namespace klice {

namespace {

std::string& current_folder() {
    static std::string folder;
    return folder;
}

bool holds_marker(const std::string& folder) {
    platform::File file;
    return file.Open(folder + kDataMarkerFile, platform::FileAccess::Read) == 0;
}

}  // namespace

std::vector<std::string> data_folder_candidates() {
    std::vector<std::string> folders{""};
    const std::string program = platform::ProgramFolder();
    if (!program.empty()) folders.push_back(program);
#ifdef KLICE_INSTALLED_DATA_DIR
    folders.push_back(KLICE_INSTALLED_DATA_DIR "/");
#endif
    return folders;
}

std::string first_data_folder(const std::vector<std::string>& candidates) {
    for (const std::string& folder : candidates)
        if (holds_marker(folder)) return folder;
    return candidates.empty() ? std::string() : candidates.front();
}

void use_data_folder(const std::string& folder) { current_folder() = folder; }

const std::string& data_folder() { return current_folder(); }

std::string data_file(const std::string& name) { return current_folder() + name; }

}  // namespace klice
