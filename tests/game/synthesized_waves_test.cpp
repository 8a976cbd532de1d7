#include "game/synthesized_waves.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "sound/recipe.h"
#include "tests/support/temp_folder.h"

namespace klice {
namespace {

const char kChirp[] = "rate 8000\nbytes 1600\ntone 0 90 300 900 600 saw 2 20\n";
const char kHum[] = "rate 8000\nbytes 800\ntone 0 50 220 220 400 organ 5 10\n";

void write_recipe(const testing::TempFolder& folder, const std::string& name, const std::string& text) {
    std::ofstream(folder / (name + ".txt"), std::ios::binary) << text;
}

std::vector<uint8_t> samples_of(const std::string& text) {
    const Synthesized sound = synthesize(text, "t");
    std::vector<uint8_t> bytes;
    for (int16_t v : sound.samples) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return bytes;
}

// A resource as the asset compiler lays it out: other bytes around each
// wave's samples.
std::vector<uint8_t> resource_with(const std::vector<std::vector<uint8_t>>& waves) {
    std::vector<uint8_t> resource;
    uint8_t filler = 1;
    for (const auto& wave : waves) {
        for (int i = 0; i < 37; ++i) resource.push_back(filler++);
        resource.insert(resource.end(), wave.begin(), wave.end());
    }
    resource.insert(resource.end(), {'e', 'n', 'd'});
    return resource;
}

// Two recipes, a resource holding their samples, and the page's copy with
// both cut out.
class TwoCutWaves : public ::testing::Test {
protected:
    void SetUp() override {
        write_recipe(recipes, "chirp", kChirp);
        write_recipe(recipes, "hum", kHum);
        original = resource_with({samples_of(kHum), samples_of(kChirp)});
        page = original;
        list = cut_synthesized_waves(page, recipes.str(), {"chirp", "hum"});
    }

    testing::TempFolder recipes{"waves"};
    std::vector<uint8_t> original, page;
    std::string list;
};

TEST_F(TwoCutWaves, ComeBackByteForByte) {
    EXPECT_EQ(page.size(), original.size() - 1600 - 800);
    EXPECT_EQ(list.substr(0, 4), "hum ") << "in the order they lie";
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2);

    EXPECT_EQ(restore_synthesized_waves(page, list, recipes.str()), original);
}

TEST(SynthesizedWaves, RefusesSamplesThatAreMissingOrTwiceThere) {
    testing::TempFolder recipes("waves");
    write_recipe(recipes, "chirp", kChirp);
    std::vector<uint8_t> without = resource_with({samples_of(kHum)});
    EXPECT_THROW(cut_synthesized_waves(without, recipes.str(), {"chirp"}), ESynthesizedWaveError);
    std::vector<uint8_t> twice = resource_with({samples_of(kChirp), samples_of(kChirp)});
    EXPECT_THROW(cut_synthesized_waves(twice, recipes.str(), {"chirp"}), ESynthesizedWaveError);
    EXPECT_THROW(cut_synthesized_waves(twice, recipes.str(), {"absent"}), ESynthesizedWaveError);
}

TEST(SynthesizedWaves, ARecipeThatNoLongerGivesTheBuildsSamplesStopsTheRestore) {
    testing::TempFolder recipes("waves");
    write_recipe(recipes, "chirp", kChirp);
    const std::vector<uint8_t> original = resource_with({samples_of(kChirp)});
    std::vector<uint8_t> page = original;
    const std::string list = cut_synthesized_waves(page, recipes.str(), {"chirp"});

    // One amplitude changed: same length, other samples.
    write_recipe(recipes, "chirp", "rate 8000\nbytes 1600\ntone 0 90 300 900 601 saw 2 20\n");
    try {
        restore_synthesized_waves(page, list, recipes.str());
        FAIL() << "a changed recipe was restored";
    } catch (const ESynthesizedWaveError& e) {
        EXPECT_NE(e.Message().find("chirp: synthesized 1600 bytes, checksum"), std::string::npos) << e.Message();
    }
}

TEST(SynthesizedWaves, RefusesMalformedListsAndSpansOutsideTheResource) {
    testing::TempFolder recipes("waves");
    write_recipe(recipes, "chirp", kChirp);
    std::vector<uint8_t> page = resource_with({samples_of(kChirp)});
    const std::string good = cut_synthesized_waves(page, recipes.str(), {"chirp"});
    const std::string checksum = good.substr(good.size() - 17, 16);
    for (const std::string& list : {
             std::string("chirp 37 1600\n"),
             "chirp 37 1600 " + checksum + " extra\n",
             "chirp x 1600 " + checksum + "\n",
             std::string("chirp 37 1600 12345\n"),
             "chirp " + std::to_string(page.size() + 1) + " 1600 " + checksum + "\n",
             good + good,  // the second would go back before the first
             "chirp 18446744073709551615 1600 " + checksum + "\n",
         })
        EXPECT_THROW(restore_synthesized_waves(page, list, recipes.str()), ESynthesizedWaveError) << list;
    EXPECT_EQ(restore_synthesized_waves(page, good, recipes.str()).size(), page.size() + 1600);
}

// The page reads the resource with the tunes silent and takes their samples
// a few notes at a time between frames: put where the silence is, they give
// the build's resource, and a changed recipe is caught before its samples
// are handed over.
TEST_F(TwoCutWaves, SilentTakeTheirSamplesSliceBySlice) {
    const std::vector<SynthesizedWave> waves = read_synthesized_wave_list(list, page.size());
    ASSERT_EQ(waves.size(), 2u);

    std::vector<uint8_t> whole = silence_synthesized_waves(page, waves);
    ASSERT_EQ(whole.size(), original.size());
    for (const SynthesizedWave& wave : waves)
        for (uint64_t i = 0; i < wave.bytes; ++i) ASSERT_EQ(whole[wave.offset + i], 0) << wave.name;

    WaveSynthesizer synthesizer(waves, recipes.str());
    std::vector<std::string> finished;
    int slices = 1;
    while (!synthesizer.Synthesize(1, [&](const SynthesizedWave& wave, std::vector<uint8_t> samples) {
        finished.push_back(wave.name);
        std::copy(samples.begin(), samples.end(), whole.begin() + static_cast<std::ptrdiff_t>(wave.offset));
    }))
        ++slices;
    EXPECT_EQ(finished, (std::vector<std::string>{"hum", "chirp"}));
    EXPECT_EQ(slices, 4) << "a recipe read and a note a slice, for each of the two waves";
    EXPECT_EQ(whole, original);

    write_recipe(recipes, "chirp", "rate 8000\nbytes 1600\ntone 0 90 300 900 601 saw 2 20\n");
    WaveSynthesizer changed(waves, recipes.str());
    finished.clear();
    auto take = [&](const SynthesizedWave& wave, std::vector<uint8_t>) { finished.push_back(wave.name); };
    EXPECT_THROW(while (!changed.Synthesize(1, take)){}, ESynthesizedWaveError);
    EXPECT_EQ(finished, (std::vector<std::string>{"hum"}));
}

// The page's tunes are megabytes of silence: long silences, one right
// after another and one at the very end, keep the cut bytes around them.
TEST(SynthesizedWaves, LongSilencesLieExactlyWhereListed) {
    std::vector<uint8_t> cut(1000);
    for (size_t i = 0; i < cut.size(); ++i) cut[i] = uint8_t(1 + i % 250);
    const std::vector<SynthesizedWave> waves = {
        {"long", 10, 200'001, 0}, {"next", 200'011, 65'536, 0}, {"last", 265'547 + 990, 70'000, 0}};
    std::vector<uint8_t> expected(cut.begin(), cut.begin() + 10);
    expected.resize(expected.size() + 200'001 + 65'536);
    expected.insert(expected.end(), cut.begin() + 10, cut.end());
    expected.resize(expected.size() + 70'000);
    ASSERT_EQ(expected.size(), waves.back().offset + waves.back().bytes);
    EXPECT_TRUE(silence_synthesized_waves(cut, waves) == expected);
}

TEST(SynthesizedWaves, ChecksumIsFnv1a64) {
    EXPECT_EQ(sample_checksum({}), 0xcbf29ce484222325ull);
    const uint8_t a[] = {'a'};
    EXPECT_EQ(sample_checksum(a), 0xaf63dc4c8601ec8cull);
}

}  // namespace
}  // namespace klice
