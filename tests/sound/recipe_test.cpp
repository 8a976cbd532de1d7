#include "sound/recipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace klice {
namespace {

TEST(SoundRecipe, SineFromArithmeticMatchesTheCircle) {
    for (int i = 0; i <= 64; ++i) {
        const double t = i / 64.0;
        EXPECT_NEAR(sine_of_turns(t), std::sin(t * 6.283185307179586), 1e-9) << t;
    }
    EXPECT_NEAR(sine_of_turns(-0.25), -1.0, 1e-9);
}

TEST(SoundRecipe, ALoopedScoreContinuesAcrossTheSeam) {
    const std::string text =
        "rate 8000\nbytes 16000\nloop\nsteps 8\n"
        "voice v sine 500 5 100 800 200\n"
        "seq v 6 c5:4\n";  // rings from step 6 past the end into the start
    const Synthesized s = synthesize(text, "t.txt");
    ASSERT_EQ(s.samples.size(), 8000u);
    EXPECT_TRUE(s.looped);
    // The note sounds at the start of the buffer as it does at its end, and
    // the step from the last sample to the first is as small as any other.
    int max_step = 0;
    for (size_t i = 1; i < s.samples.size(); ++i)
        max_step = std::max(max_step, std::abs(s.samples[i] - s.samples[i - 1]));
    EXPECT_GT(std::abs(s.samples[100]), 1000);
    EXPECT_LE(std::abs(s.samples.front() - s.samples.back()), max_step);
}

// Seconds from the start to the last sample within 60 dB of the loudest.
double audible_seconds(const Synthesized& s) {
    int peak = 0;
    for (int16_t v : s.samples) peak = std::max(peak, std::abs(static_cast<int>(v)));
    size_t last = 0;
    for (size_t i = 0; i < s.samples.size(); ++i)
        if (std::abs(static_cast<int>(s.samples[i])) * 1000 > peak) last = i;
    return static_cast<double>(last + 1) / s.rate;
}

Synthesized shipped_sound(const std::string& name) {
    const std::string path = std::string(KLICE_ASSETS_SOURCE_DIR) + "/sounds/" + name;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return synthesize(text.str(), path);
}

double rms_db(const std::vector<int16_t>& samples, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count; ++i) sum += double(samples[i]) * samples[i];
    return 10 * std::log10(sum / count / (32768.0 * 32768.0));
}

TEST(SoundRecipe, TheKeySoundIsShortThenSilentToItsFixedLength) {
    const Synthesized s = shipped_sound("klic.txt");
    ASSERT_EQ(s.samples.size(), 139488u / 2);
    EXPECT_GT(audible_seconds(s), 0.1);
    EXPECT_LE(audible_seconds(s), 0.4);
    const size_t quiet_from = static_cast<size_t>(0.4 * s.rate);
    EXPECT_TRUE(std::all_of(s.samples.begin() + quiet_from, s.samples.end(), [](int16_t v) { return v == 0; }));
}

// The game plays the key's chime 20 dB down and the game tune at full
// volume; the chime must stand as loud as the tune wherever in it a key is
// taken: within 3 dB of the tune's RMS over every stretch as long as the
// chime's audible part. (klice-play --sound and measure-waves.py measure the
// same in play.)
TEST(SoundRecipe, TheKeysChimeIsHeardAsLoudAsTheGameTune) {
    const Synthesized chime = shipped_sound("klic.txt");
    const Synthesized tune = shipped_sound("hudba_hra.txt");
    const double seconds = audible_seconds(chime);
    const double chime_db = rms_db(chime.samples, 0, size_t(seconds * chime.rate)) - 20;
    const size_t stretch = size_t(seconds * tune.rate);
    double quietest = 0, loudest = -200;
    for (size_t at = 0; at + stretch <= tune.samples.size(); at += stretch / 4) {
        const double tune_db = rms_db(tune.samples, at, stretch);
        quietest = std::min(quietest, tune_db);
        loudest = std::max(loudest, tune_db);
    }
    EXPECT_LE(chime_db - quietest, 3.0) << "chime " << chime_db << " dBFS, tune at its quietest " << quietest;
    EXPECT_GE(chime_db - loudest, -3.0) << "chime " << chime_db << " dBFS, tune at its loudest " << loudest;
}

// The loudest component of a steady note away from its harmonics, in dB
// relative to the note, from a Blackman-Harris windowed spectrum.
double alias_level_db(const std::string& shape, int hz, int rate) {
    const std::string recipe = "rate " + std::to_string(rate) + "\nbytes " + std::to_string(4 * rate) +
                               "\ntone 0 2000 " + std::to_string(hz) + " " + std::to_string(hz) + " 500 " + shape +
                               " 5 5\n";
    const Synthesized s = synthesize(recipe, "alias.txt");
    const int n = 4096;
    std::vector<double> x(n), c(n), sn(n);
    for (int i = 0; i < n; ++i) {
        const double a = 6.283185307179586 * i / n;
        const double w = 0.35875 - 0.48829 * std::cos(a) + 0.14128 * std::cos(2 * a) - 0.01168 * std::cos(3 * a);
        x[i] = s.samples[static_cast<size_t>(rate / 4 + i)] * w;
        c[i] = std::cos(a);
        sn[i] = std::sin(a);
    }
    double note = 0, alias = 0;
    const double bin_hz = static_cast<double>(rate) / n;
    for (int k = 1; k < n / 2; ++k) {
        double re = 0, im = 0;
        for (int i = 0; i < n; ++i) {
            const int j = static_cast<int>((static_cast<int64_t>(k) * i) % n);
            re += x[i] * c[j];
            im -= x[i] * sn[j];
        }
        const double magnitude = std::sqrt(re * re + im * im);
        const double f = k * bin_hz;
        const double harmonic = std::round(f / hz);
        const bool near_harmonic = harmonic >= 1 && std::abs(f - harmonic * hz) <= 6 * bin_hz;
        if (harmonic == 1 && near_harmonic) note = std::max(note, magnitude);
        if (!near_harmonic) alias = std::max(alias, magnitude);
    }
    return 20 * std::log10(alias / note);
}

TEST(SoundRecipe, VoicesAreBandLimited) {
    // A high note, whose harmonics would fold back below half the rate.
    for (const char* shape : {"square", "saw", "triangle", "organ"}) {
        const double level = alias_level_db(shape, 1661, 16000);
        std::cout << shape << " at 1661 Hz, 16000 Hz: loudest alias " << level << " dB\n";
        EXPECT_LT(level, -60.0) << shape;
    }
}

TEST(SoundRecipe, ReportsFaultsAndKeepsTheExactSize) {
    auto compile = [](const std::string& text) {
        try {
            synthesize(text, "s.txt");
        } catch (const ERecipeError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(compile("rate 8000\nbytes 7\n"), "s.txt:2: 16-bit samples need an even byte count");
    EXPECT_EQ(compile("rate 8000\nbytes 8\nsteps 4\nvoice v sine 1 1 1 1 1\nseq v 0 h4:1\n"),
              "s.txt:5: 'h4' is not a note");
    EXPECT_EQ(compile("rate 8000\nbytes 8\nsteps 4\nvoice v sine 1 1 1 1 1\nseq v 2 c4:4\n"),
              "s.txt:5: the notes run past the end of the sound");
    EXPECT_EQ(compile("rate 8000\nbytes 8\nhum 1\n"), "s.txt:3: unknown recipe line 'hum'");
    const auto image = wave_image(synthesize("rate 11025\nbytes 728\ntone 0 30 100 50 500 sine 1 20\n", "s"));
    EXPECT_EQ(image.size(), 728u + 44u);
}

// The page spreads a tune's synthesis over its frames: however the notes are
// divided, the samples are those of one synthesis, noise included (its
// generator runs on across the slices) and the loop's wrapped notes too.
TEST(SoundRecipe, ASynthesisInSlicesGivesTheSameSamples) {
    const std::string text =
        "rate 8000\nbytes 16000\nloop\nsteps 16\n"
        "voice b saw 400 5 60 600 80\nvoice h hat 300 1 20 0 10\nvoice s snare 300 1 30 0 20\n"
        "seq b 0 x2 c3:3 e3:3 c3:2\nseq h 0 x4 c6:1 -:1 c6:1 -:1\nseq s 12 c4:6\n"
        "noise 100 300 200 5 50 40\ntone 500 400 220 110 300 kick 2 100\n";
    const std::vector<int16_t> whole = synthesize(text, "t.txt").samples;
    ASSERT_EQ(whole.size(), 8000u);
    for (size_t slice : {1u, 2u, 7u}) {
        Synthesis synthesis(text, "t.txt");
        const size_t notes = synthesis.NotesLeft();
        EXPECT_GT(notes, slice * 2) << "the score must span several slices";
        size_t calls = 0;
        while (!synthesis.Mix(slice)) ++calls;
        EXPECT_EQ(calls, (notes - 1) / slice) << slice;
        EXPECT_TRUE(synthesis.Done());
        EXPECT_EQ(synthesis.Finish().samples, whole) << "notes a slice: " << slice;
    }
    // A fault is found before any note is mixed.
    EXPECT_THROW(Synthesis("rate 8000\nbytes 8\nsteps 4\nvoice v sine 1 1 1 1 1\nseq v 0 c4:1 h4:1\n", "s"),
                 ERecipeError);
}

}  // namespace
}  // namespace klice
