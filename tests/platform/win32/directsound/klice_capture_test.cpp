// klice.exe from its start, heard through the capture of this program's ALSA
// device: silent through the title until its menu-music tick, then the menu
// music itself (matched against the stored wave, not just any sound).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numeric>
#include <thread>

#include "capture.h"
#include "game/screens.h"
#include "game/waves.h"
#include "klice_process.h"
#include "platform/resampler.h"
#include "platform/sound_device.h"

namespace klice {
namespace {

using namespace klice::testing;

constexpr double kTickSeconds = 0.01;

// The left channel of the n-th wave stored with the main window, at `rate`.
std::vector<double> StoredWave(int n, int rate) {
    std::ifstream in(KLICE_FORM_RESOURCE, std::ios::binary);
    const std::string form((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The waves are whole RIFF images in the stream, in the list's order.
    size_t at = 0;
    for (int seen = 0;; ++seen, at += 4) {
        at = form.find("RIFF", at);
        while (at != std::string::npos && form.compare(at + 8, 4, "WAVE") != 0) at = form.find("RIFF", at + 4);
        if (at == std::string::npos) return {};
        if (seen == n) break;
    }
    auto le32 = [&](size_t p) {
        uint32_t v = 0;
        std::memcpy(&v, form.data() + p, 4);
        return v;
    };
    platform::WaveFormat format;
    size_t data = 0, size = 0;
    for (size_t chunk = at + 12; chunk + 8 <= form.size() && (!data || !format.block_align);
         chunk += 8 + le32(chunk + 4)) {
        if (form.compare(chunk, 4, "fmt ") == 0)
            platform::WaveFormat::FromBytes(form.data() + chunk + 8, le32(chunk + 4), &format);
        if (form.compare(chunk, 4, "data") == 0) data = chunk + 8, size = le32(chunk + 4);
    }
    if (!data || !format.block_align || data + size > form.size()) return {};
    const auto stereo = platform::ResampleStereo(
        platform::DecodeToStereo(format, reinterpret_cast<const uint8_t*>(form.data() + data), size),
        format.samples_per_sec, uint32_t(rate));
    std::vector<double> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
}

// The best normalized correlation of `piece` with the capture at offsets
// [from, from + search).
double BestMatch(const std::vector<double>& capture, size_t from, size_t search, const std::vector<double>& piece) {
    double best = 0;
    const double piece_energy = std::inner_product(piece.begin(), piece.end(), piece.begin(), 0.0);
    for (size_t offset = from; offset < from + search && offset + piece.size() <= capture.size(); ++offset) {
        double dot = 0, energy = 0;
        for (size_t i = 0; i < piece.size(); ++i) {
            dot += capture[offset + i] * piece[i];
            energy += capture[offset + i] * capture[offset + i];
        }
        if (energy > 0) best = std::max(best, dot / std::sqrt(energy * piece_energy));
    }
    return best;
}

TEST(KliceHeard, SilentThroughTheTitleUntilItsMusicTickThenTheMenuMusic) {
    ForgetCapture();
    {
        KliceProcess klice;
        ASSERT_TRUE(klice.Running());
        // The title's music tick comes 4.5 s after the first tick; the
        // window and the display (DirectDraw's mode, on wine's software
        // renderer) take their time to come up under wine, and on a busy
        // machine the game's ticks come late (at load 15 a tick of the
        // title took some 100 ms: its music tick came after a minute). So
        // the game plays until the device has carried 2 s of sound after
        // the onset, however long that takes, up to three minutes.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const Capture so_far = CaptureSoFar();
            if (so_far.rate <= 0) continue;
            const auto heard = SoundingStretches(so_far, 0.0);
            if (!heard.empty() && so_far.Seconds(so_far.left.size() - heard.front().begin) > 2.0) break;
        }
        EXPECT_EQ(klice.ErrorBoxText(), "");
        EXPECT_EQ(klice.Close(), 0);
    }
    const Capture capture = ReadCapture();
    ASSERT_GT(capture.rate, 0);
    const auto stretches = SoundingStretches(capture, 0.0);  // any sample off zero
    ASSERT_FALSE(stretches.empty()) << "no sound in " << capture.Seconds(capture.left.size()) << " s";

    // The device opens before the first tick, so the sound cannot begin
    // before the music tick's time; 0.3 s allow for the capture's own lead.
    const double onset = capture.Seconds(stretches.front().begin);
    EXPECT_GT(onset, kTitleMusicAt * kTickSeconds - 0.3) << "sound at " << onset << " s";
    const size_t rest = capture.left.size() - stretches.front().begin;
    ASSERT_GT(capture.Seconds(rest), 1.5) << "too little after the onset";

    // It is the menu music: its first second is found right at the onset.
    std::vector<double> music = StoredWave(kWaveMenuMusic, capture.rate);
    ASSERT_GT(music.size(), size_t(capture.rate));
    music.resize(size_t(capture.rate));
    const size_t from =
        stretches.front().begin > size_t(capture.rate / 10) ? stretches.front().begin - capture.rate / 10 : 0;
    const double match = BestMatch(capture.left, from, size_t(capture.rate / 5), music);
    EXPECT_GT(match, 0.8) << "the sound after the onset is not the menu music";
    std::printf("capture of %.2f s: silent until %.2f s, then the menu music (correlation %.3f)\n",
                capture.Seconds(capture.left.size()), onset, match);
}

}  // namespace
}  // namespace klice
