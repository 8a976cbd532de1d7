#include "tools/assets/synth.h"

#include "platform/data_budget.h"
#include "sound/recipe.h"
#include "tools/assets/source_error.h"

namespace klice::assets {

std::vector<uint8_t> synthesize_wave_file(const std::string& path, const std::string& from_file, int from_line) {
    const std::string text = read_text_file(path, from_file, from_line);
    Synthesized sound;
    try {
        sound = synthesize(text, path);
    } catch (const ERecipeError& e) {
        throw ESourceError(e.Message());
    }
    // 16-bit mono: two bytes a sample. What the game would refuse is not written.
    if (uint64_t(sound.samples.size()) * 2 > platform::budget::kWaveBytes)
        throw ESourceError(from_file, from_line, "the wave is longer than the game reads (see platform/data_budget.h)");
    return wave_image(sound);
}

}  // namespace klice::assets
