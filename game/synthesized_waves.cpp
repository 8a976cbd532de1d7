#include "game/synthesized_waves.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sound/recipe.h"

namespace klice {

namespace {

std::string read_recipe(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ESynthesizedWaveError("the recipe " + path + " cannot be read");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The samples as they lie in a RIFF "data" chunk: 16-bit little-endian.
std::vector<uint8_t> sample_bytes(const Synthesized& sound) {
    std::vector<uint8_t> bytes(sound.samples.size() * 2);
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        const auto v = static_cast<uint16_t>(sound.samples[i]);
        bytes[2 * i] = static_cast<uint8_t>(v);
        bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    return bytes;
}

std::vector<uint8_t> synthesized_samples(const std::string& recipes, const std::string& name) {
    const std::string path = recipes + "/" + name + ".txt";
    return sample_bytes(synthesize(read_recipe(path), path));
}

std::string hex(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// The largest wave a recipe may make.
constexpr uint64_t kMostWaveBytes = uint64_t(64) << 20;

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
    const std::vector<SynthesizedWave> waves = read_synthesized_wave_list(list, cut.size());
    std::vector<uint8_t> whole = silence_synthesized_waves(cut, waves);
    WaveSynthesizer synthesizer(waves, recipes);
    synthesizer.Synthesize(SIZE_MAX, [&](const SynthesizedWave& wave, std::vector<uint8_t> samples) {
        std::copy(samples.begin(), samples.end(), whole.begin() + static_cast<std::ptrdiff_t>(wave.offset));
    });
    return whole;
}

std::vector<SynthesizedWave> read_synthesized_wave_list(const std::string& list, size_t cut_size) {
    std::vector<SynthesizedWave> waves;
    uint64_t end = 0;      // where the last wave ends in the whole resource
    uint64_t removed = 0;  // the bytes of the waves before
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        std::istringstream words(line);
        SynthesizedWave wave;
        std::string checksum_text, rest;
        if (!(words >> wave.name >> wave.offset >> wave.bytes >> checksum_text) || (words >> rest) ||
            checksum_text.size() != 16 || wave.bytes > kMostWaveBytes ||
            checksum_text.find_first_not_of("0123456789abcdef") != std::string::npos)
            throw ESynthesizedWaveError("a malformed line in the list of synthesized waves: '" + line + "'");
        wave.checksum = std::stoull(checksum_text, nullptr, 16);
        // The spans come in order, each where the whole resource has it.
        if (wave.offset < end || wave.offset - end > cut_size - (end - removed))
            throw ESynthesizedWaveError(wave.name + ": its samples would lie outside the resource");
        end = wave.offset + wave.bytes;
        removed += wave.bytes;
        waves.push_back(std::move(wave));
    }
    return waves;
}

std::vector<uint8_t> silence_synthesized_waves(std::span<const uint8_t> cut,
                                               const std::vector<SynthesizedWave>& waves) {
    // Everything goes in as copies from plain pointers, each one memcpy:
    // the browser's build inlines nothing, and there a vector filled with a
    // value or from iterators goes a byte at a time, which held the page's
    // first frame back a tenth of a second for this resource.
    static constexpr uint8_t kSilence[64 * 1024] = {};
    std::vector<uint8_t> whole;
    size_t added = 0;
    for (const SynthesizedWave& wave : waves) added += wave.bytes;
    whole.reserve(cut.size() + added);
    const uint8_t* from = cut.data();
    for (const SynthesizedWave& wave : waves) {
        const size_t before = wave.offset - whole.size();
        whole.insert(whole.end(), from, from + before);
        from += before;
        for (size_t left = wave.bytes; left > 0;) {
            const size_t part = std::min(left, sizeof kSilence);
            whole.insert(whole.end(), kSilence, kSilence + part);
            left -= part;
        }
    }
    whole.insert(whole.end(), from, cut.data() + cut.size());
    return whole;
}

struct WaveSynthesizer::Current {
    Synthesis synthesis;
};

WaveSynthesizer::WaveSynthesizer(std::vector<SynthesizedWave> waves, std::string recipes)
    : waves_(std::move(waves)), recipes_(std::move(recipes)) {}

WaveSynthesizer::~WaveSynthesizer() = default;

bool WaveSynthesizer::Synthesize(size_t notes, const Finished& finished) {
    while (notes > 0 && !Done()) {
        const SynthesizedWave& wave = waves_[next_];
        if (!current_) {
            const std::string path = recipes_ + "/" + wave.name + ".txt";
            current_ = std::make_unique<Current>(Current{Synthesis(read_recipe(path), path)});
            --notes;
            continue;
        }
        const size_t left = current_->synthesis.NotesLeft();
        const size_t now = std::min(notes, left);
        current_->synthesis.Mix(now);
        notes -= now;
        if (!current_->synthesis.Done()) break;
        std::vector<uint8_t> samples = sample_bytes(current_->synthesis.Finish());
        current_.reset();
        ++next_;
        const uint64_t checksum = sample_checksum(samples);
        if (samples.size() != wave.bytes || checksum != wave.checksum)
            throw ESynthesizedWaveError(wave.name + ": synthesized " + std::to_string(samples.size()) +
                                        " bytes, checksum " + hex(checksum) + ", but the build's are " +
                                        std::to_string(wave.bytes) + " bytes, " + hex(wave.checksum));
        finished(wave, std::move(samples));
    }
    return Done();
}

}  // namespace klice
