// The browser's program. Its window resource comes without the long tunes'
// samples (klice-web-form cut them out, so the page downloads 3.5 MB less):
// they are synthesized from their recipes here, before the window is read,
// and checked against the build's own. The build picks this file as the
// program's main for the web (game/CMakeLists.txt).
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "game/program.h"
#include "game/synthesized_waves.h"
#include "klice/version.h"
#include "platform/resources.h"

namespace {

// Where the page's file system has them (cmake/web.cmake).
constexpr const char* kFormResource = "/resources/TFORM1";
constexpr const char* kSynthesizedList = "/resources/TFORM1.waves";
constexpr const char* kRecipes = "/sounds";

// In one read: a byte at a time, the 9 MB resource took seconds.
std::vector<uint8_t> read_file(const char* path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw klice::ESynthesizedWaveError(std::string("the page has no ") + path);
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in) throw klice::ESynthesizedWaveError(std::string("the page cannot read ") + path);
    return bytes;
}

void restore_window_resource() {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<uint8_t> list = read_file(kSynthesizedList);
    static const std::vector<uint8_t> form =
        klice::restore_synthesized_waves(read_file(kFormResource), std::string(list.begin(), list.end()), kRecipes);
    klice::platform::RegisterResource(klice::platform::RT_RCDATA, "TFORM1", form);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    std::printf("klice: the tunes synthesized in %lld ms\n", static_cast<long long>(ms));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("klice %s\n", klice::kVersion);
        return 0;
    }
    return klice::run_program(restore_window_resource);
}
