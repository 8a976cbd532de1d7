// klice-web-form RESOURCE RECIPES OUT_RESOURCE OUT_LIST NAME...
//
// Makes the browser's copy of the window resource: the samples of each named
// recipe (RECIPES/NAME.txt) cut out, and the list the page's program restores
// them from at start (game/synthesized_waves.h). The long tunes hardly
// compress, and their recipes are a few hundred bytes.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/synthesized_waves.h"
#include "platform/exception.h"
#include "tools/version.h"

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw klice::Exception("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw klice::Exception("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (klice::tools::print_version_if_asked("klice-web-form", argc, argv)) return 0;
    if (argc < 6) {
        std::fprintf(stderr, "usage: klice-web-form RESOURCE RECIPES OUT_RESOURCE OUT_LIST NAME...\n");
        return 2;
    }
    try {
        std::vector<uint8_t> resource = read_file(argv[1]);
        const std::string list = klice::cut_synthesized_waves(resource, argv[2], {argv + 5, argv + argc});
        write_file(argv[3], resource.data(), resource.size());
        write_file(argv[4], list.data(), list.size());
    } catch (const klice::Exception& e) {
        std::fprintf(stderr, "klice-web-form: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
