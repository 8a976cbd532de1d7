// The long waves of the window resource travel to the browser as their
// recipes: the build blanks each one's samples in the page's copy of the
// resource (where gzip shrinks them to nothing) and lists where they were,
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

// Blanks in resource the samples of each named recipe (RECIPES/NAME.txt)
// and returns the list that restores them. A recipe whose samples are not in
// the resource exactly once is an ESynthesizedWaveError.
std::string blank_synthesized_waves(std::vector<uint8_t>& resource, const std::string& recipes,
                                    const std::vector<std::string>& names);

// Synthesizes each listed wave and writes its samples back into resource;
// ESynthesizedWaveError if a line is malformed, a span lies outside the
// resource, or a wave's samples differ from the build's.
void restore_synthesized_waves(std::vector<uint8_t>& resource, const std::string& list, const std::string& recipes);

}  // namespace klice
