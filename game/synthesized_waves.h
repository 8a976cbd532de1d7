// The long waves of the window resource travel to the browser as their
// recipes: the build cuts each one's samples out of the page's copy of the
// resource and lists where they were,
// and the page's program synthesizes them again at start and puts them back,
// checked against the build's own samples. A wave that would come out
// different stops the program instead of playing wrong.
//
// The list is text, one wave a line: NAME OFFSET BYTES CHECKSUM, the recipe
// NAME.txt, where its samples start in the resource and how many bytes they
// are, and their FNV-1a 64 checksum in hex.
//
// A program in a hurry reads the resource with the waves silent and takes
// their samples later, synthesized a few notes at a time between frames
// (WaveSynthesizer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/exception.h"

namespace klice {

KLICE_DECLARE_EXCEPTION(ESynthesizedWaveError, Exception);

// FNV-1a, 64 bits: cheap, and any changed sample changes it.
uint64_t sample_checksum(std::span<const uint8_t> bytes);

// Cuts out of resource the samples of each named recipe (RECIPES/NAME.txt)
// and returns the list that restores them, in the order they lie. A recipe
// whose samples are not in the resource exactly once is an
// ESynthesizedWaveError.
std::string cut_synthesized_waves(std::vector<uint8_t>& resource, const std::string& recipes,
                                  const std::vector<std::string>& names);

// The whole resource again: each listed wave synthesized and put back where
// it was cut out. ESynthesizedWaveError if a line is malformed, a span lies
// outside the resource or out of order, or a wave's samples differ from the
// build's.
std::vector<uint8_t> restore_synthesized_waves(const std::vector<uint8_t>& cut, const std::string& list,
                                               const std::string& recipes);

// One line of the list: where the wave's samples lie in the whole resource.
struct SynthesizedWave {
    std::string name;
    uint64_t offset = 0, bytes = 0;
    uint64_t checksum = 0;
};

// The list read and checked against the size of the cut resource: a
// malformed line, or a span out of order or outside the resource, is an
// ESynthesizedWaveError.
std::vector<SynthesizedWave> read_synthesized_wave_list(const std::string& list, size_t cut_size);

// The whole resource with every listed wave's samples silent (zero), to be
// read at once; the samples follow from a WaveSynthesizer.
std::vector<uint8_t> silence_synthesized_waves(std::span<const uint8_t> cut, const std::vector<SynthesizedWave>& waves);

// The listed waves synthesized a slice at a time, in the list's order. Each
// finished wave is checked against the build's checksum and handed over.
class WaveSynthesizer {
public:
    using Finished = std::function<void(const SynthesizedWave& wave, std::vector<uint8_t> samples)>;

    WaveSynthesizer(std::vector<SynthesizedWave> waves, std::string recipes);
    ~WaveSynthesizer();

    // Mixes up to `notes` notes of the waves' scores (reading a recipe counts
    // as one); each wave finished on the way goes to `finished`. True when
    // every wave has. ESynthesizedWaveError when a recipe cannot be read or
    // its samples differ from the build's.
    bool Synthesize(size_t notes, const Finished& finished);
    bool Done() const { return next_ == waves_.size(); }

private:
    struct Current;
    std::vector<SynthesizedWave> waves_;
    std::string recipes_;
    size_t next_ = 0;  // the wave being synthesized
    std::unique_ptr<Current> current_;
};

}  // namespace klice
