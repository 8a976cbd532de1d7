#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "sound_fixture.h"
#include "tests/support/temp_folder.h"

using namespace klice;
using namespace klice::testing;

// On a file output the device's mixed output lands in a file: what the wave
// list plays must be there, and only silence after Stop.
TEST(DiskOutput, WavesSoundThroughTheCallbackAndStopSilencesThem) {
    if (!platform::PacedOutputRuns()) GTEST_SKIP() << "no threads here: nothing takes the file output in real time";
    const TempFolder folder("wave-list-output");
    const auto file = folder / "output.raw";
    // Four times faster than real time, to keep the test short.
    std::optional<platform::ScopedAudioOutput> to_file(std::in_place,
                                                       platform::AudioOutput::ToFile(file.string(), 4.0));

    TTestForm form;
    auto* sound = new TDXSound(&form);
    auto* list = new TDXWaveList(&form);
    list->SetDXSound(sound);
    auto* music = static_cast<TWaveCollectionItem*>(list->Items()->Add());
    TWave wave = MakeWave(SineLevels(2205, 441, 0.5));
    music->SetWave(&wave);
    music->SetLooped(true);
    sound->Loaded();
    to_file.reset();
    ASSERT_TRUE(sound->Initialized());

    const uintmax_t frame_bytes = sound->Primary()->BufferFormat().block_align;
    const uintmax_t period = 1024 * frame_bytes;  // one callback's worth, at most
    auto size = [&] { return std::filesystem::exists(file) ? std::filesystem::file_size(file) : 0; };
    auto wait_for = [&](uintmax_t bytes) {
        for (int i = 0; i < 2000 && size() < bytes; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return size() >= bytes;
    };
    music->Play();
    const uintmax_t playing_from = size() + period;
    ASSERT_TRUE(wait_for(playing_from + 8 * period));
    music->Stop();
    const uintmax_t stopped_at = size() + period;
    ASSERT_TRUE(wait_for(stopped_at + 4 * period));
    form.DestroyComponents();

    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto zero = [&](uintmax_t from, uintmax_t to) {
        return std::all_of(bytes.begin() + ptrdiff_t(from), bytes.begin() + ptrdiff_t(to),
                           [](char b) { return b == 0; });
    };
    ASSERT_GE(bytes.size(), stopped_at + 4 * period);
    EXPECT_FALSE(zero(playing_from, playing_from + 8 * period));
    EXPECT_TRUE(zero(stopped_at, bytes.size()));
}
