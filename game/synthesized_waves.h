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
#pragma once

#include <cstdint>
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

}  // namespace klice
