// klice-assets SOURCES DATA_DIR RESOURCE_FILE
//
// Compiles the game's sources: SOURCES/form1.txt into the window resource
// RESOURCE_FILE, SOURCES/krajina.txt and SOURCES/ruzne.txt into the picture
// files, SOURCES/levels/pNN.txt into p1.dat ... p25.dat in DATA_DIR. A fault
// in a source is printed as "file:line: what is wrong" and nothing is replaced.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "data/stream.h"
#include "game/level_file.h"
#include "game/level_record.h"
#include "platform/exception.h"
#include "tools/assets/component_text.h"
#include "tools/assets/level_source.h"
#include "tools/assets/stream_emitter.h"
#include "tools/command_line.h"
#include "tools/version.h"

namespace {

using klice::assets::compile_component_file;

std::vector<uint8_t> picture_file(const std::string& source, const std::string& name) {
    std::vector<uint8_t> stream = compile_component_file(source);
    std::vector<uint8_t> bytes = klice::assets::resource_header(name, static_cast<uint32_t>(stream.size()));
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return bytes;
}

std::vector<uint8_t> level_file(const std::string& source, int level) {
    klice::level_record record = klice::assets::compile_level_file(source, level);
    klice::level_record_file_order(record);
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(p, p + sizeof record);
}

// Every output is compiled first and written only when all sources are sound.
void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw klice::Exception("cannot write " + temporary);
    }
    std::filesystem::rename(temporary, path);
}

}  // namespace

int main(int argc, char** argv) {
    if (klice::tools::print_version_if_asked("klice-assets", argc, argv)) return 0;
    const char* usage = "usage: klice-assets SOURCES DATA_DIR RESOURCE_FILE\n";
    if (argc == 2 && klice::tools::asks_for_help(argv[1])) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 4) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string sources = argv[1], data = argv[2], resource = argv[3];
    try {
        std::vector<std::pair<std::string, std::vector<uint8_t>>> outputs;
        outputs.emplace_back(resource, compile_component_file(sources + "/form1.txt"));
        outputs.emplace_back(data + "/krajina.dat", picture_file(sources + "/krajina.txt", "krajina"));
        outputs.emplace_back(data + "/ruzne.dat", picture_file(sources + "/ruzne.txt", "ruzne"));
        for (int level = 1; level <= klice::kLevelCount; ++level) {
            char name[32];
            std::snprintf(name, sizeof name, "/levels/p%02d.txt", level);
            outputs.emplace_back(data + "/p" + std::to_string(level) + ".dat", level_file(sources + name, level));
        }
        std::filesystem::create_directories(std::filesystem::path(resource).parent_path());
        std::filesystem::create_directories(data);
        for (const auto& [path, bytes] : outputs) write_file(path, bytes);
    } catch (const klice::Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "klice-assets: %s\n", e.what());
        return 1;
    }
    return 0;
}
