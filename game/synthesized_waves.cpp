#include "game/synthesized_waves.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sound/recipe.h"

namespace klice {

namespace {

// The wave's samples as they lie in its RIFF "data" chunk: 16-bit little-endian.
std::vector<uint8_t> synthesized_samples(const std::string& recipes, const std::string& name) {
    const std::string path = recipes + "/" + name + ".txt";
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ESynthesizedWaveError("the recipe " + path + " cannot be read");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Synthesized sound = synthesize(text, path);
    std::vector<uint8_t> bytes(sound.samples.size() * 2);
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        const auto v = static_cast<uint16_t>(sound.samples[i]);
        bytes[2 * i] = static_cast<uint8_t>(v);
        bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    return bytes;
}

std::string hex(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

uint64_t sample_checksum(std::span<const uint8_t> bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint8_t b : bytes) {
        hash ^= b;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string cut_synthesized_waves(std::vector<uint8_t>& resource, const std::string& recipes,
                                  const std::vector<std::string>& names) {
    struct Span {
        uint64_t offset, bytes;
        std::string line;
    };
    std::vector<Span> spans;
    for (const std::string& name : names) {
        const std::vector<uint8_t> samples = synthesized_samples(recipes, name);
        const auto at = std::search(resource.begin(), resource.end(), samples.begin(), samples.end());
        if (samples.empty() || at == resource.end())
            throw ESynthesizedWaveError(name + ": its samples are not in the resource");
        // A second copy would stay: one span a wave.
        if (std::search(at + 1, resource.end(), samples.begin(), samples.end()) != resource.end())
            throw ESynthesizedWaveError(name + ": its samples are in the resource more than once");
        const auto offset = static_cast<uint64_t>(at - resource.begin());
        spans.push_back({offset, samples.size(),
                         name + " " + std::to_string(offset) + " " + std::to_string(samples.size()) + " " +
                             hex(sample_checksum(samples)) + "\n"});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.offset < b.offset; });
    std::vector<uint8_t> cut;
    std::string list;
    uint64_t from = 0;
    for (const Span& span : spans) {
        if (span.offset < from) throw ESynthesizedWaveError("two waves' samples overlap in the resource");
        cut.insert(cut.end(), resource.begin() + static_cast<std::ptrdiff_t>(from),
                   resource.begin() + static_cast<std::ptrdiff_t>(span.offset));
        from = span.offset + span.bytes;
        list += span.line;
    }
    cut.insert(cut.end(), resource.begin() + static_cast<std::ptrdiff_t>(from), resource.end());
    resource = std::move(cut);
    return list;
}

std::vector<uint8_t> restore_synthesized_waves(const std::vector<uint8_t>& cut, const std::string& list,
                                               const std::string& recipes) {
    std::vector<uint8_t> whole;
    uint64_t taken = 0;  // bytes of `cut` copied so far
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        std::istringstream words(line);
        std::string name, checksum_text, rest;
        uint64_t offset = 0, bytes = 0;
        if (!(words >> name >> offset >> bytes >> checksum_text) || (words >> rest) || checksum_text.size() != 16)
            throw ESynthesizedWaveError("a malformed line in the list of synthesized waves: '" + line + "'");
        // The spans come in order, each where the whole resource has it.
        if (offset < whole.size() || offset - whole.size() > cut.size() - taken)
            throw ESynthesizedWaveError(name + ": its samples would lie outside the resource");
        const std::vector<uint8_t> samples = synthesized_samples(recipes, name);
        const std::string checksum = hex(sample_checksum(samples));
        if (samples.size() != bytes || checksum != checksum_text)
            throw ESynthesizedWaveError(name + ": synthesized " + std::to_string(samples.size()) + " bytes, checksum " +
                                        checksum + ", but the build's are " + std::to_string(bytes) + " bytes, " +
                                        checksum_text);
        const uint64_t before = offset - whole.size();
        whole.reserve(cut.size() + samples.size() + whole.size());
        whole.insert(whole.end(), cut.begin() + static_cast<std::ptrdiff_t>(taken),
                     cut.begin() + static_cast<std::ptrdiff_t>(taken + before));
        taken += before;
        whole.insert(whole.end(), samples.begin(), samples.end());
    }
    whole.insert(whole.end(), cut.begin() + static_cast<std::ptrdiff_t>(taken), cut.end());
    return whole;
}

}  // namespace klice
