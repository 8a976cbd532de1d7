// The waves of the window resource, synthesized from their recipes
// (sound/recipe.h) as the asset compiler meets them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace klice::assets {

// Reads and synthesizes a recipe file into a RIFF WAVE image; a fault is an
// ESourceError, reported against the line naming the file.
std::vector<uint8_t> synthesize_wave_file(const std::string& path, const std::string& from_file, int from_line);

}  // namespace klice::assets
