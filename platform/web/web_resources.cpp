// The browser's program has no resource table of its own: the build puts
// each resource into the preloaded file system as /resources/NAME
// (klice_embed_resource), and it is read from there once, when first asked
// for. Kept out of the program, the resource downloads compressed with the
// data files instead of inside the WebAssembly. They are all of the one type
// klice_embed_resource makes, RT_RCDATA.
#include <fstream>
#include <map>

#include "platform/backend.h"
#include "platform/resources.h"

namespace klice::platform::detail {

std::optional<std::span<const uint8_t>> FindSystemResource(int type, const std::string& name) {
    if (type != RT_RCDATA) return std::nullopt;
    static std::map<std::string, std::vector<uint8_t>> loaded;
    auto it = loaded.find(name);
    if (it == loaded.end()) {
        // In one read: a byte at a time through the stream, the window
        // resource's 9 MB took seconds of the page's start.
        std::ifstream in("/resources/" + name, std::ios::binary | std::ios::ate);
        if (!in) return std::nullopt;
        std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!in) return std::nullopt;
        it = loaded.emplace(name, std::move(bytes)).first;
    }
    return std::span<const uint8_t>(it->second);
}

}  // namespace klice::platform::detail
