// The asset compiler's source languages: what they encode and how a broken
// source is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "data/dib.h"
#include "data/stream.h"
#include "platform/png_encoder.h"
#include "tests/support/temp_folder.h"
#include "tools/assets/component_text.h"
#include "tools/assets/level_source.h"
#include "tools/assets/picture_data.h"
#include "tools/assets/source_error.h"
#include "tools/assets/synth.h"

namespace {

using klice::assets::ESourceError;

std::string error_of(auto&& compile) {
    try {
        compile();
    } catch (const ESourceError& e) {
        return e.Message();
    }
    return "no error";
}

TEST(ComponentText, EncodesEachKindOfValue) {
    const std::string text =
        "object TThing thing\n"
        "  Small = -5\n"
        "  Medium = 1024\n"
        "  Large = 98304\n"
        "  Flag = True\n"
        "  Colour = clWhite\n"
        "  Caption = 'it''s'\n"
        "  Options = [doA, doB]\n"
        "  Empty = []\n"
        "  Block = zeros 3\n"
        "  List = <\n"
        "    item\n"
        "      Name = 'x'\n"
        "    end\n"
        "  >\n"
        "  object TChild child\n"
        "  end\n"
        "end\n";
    const std::vector<uint8_t> b = klice::assets::compile_component_text(text, "thing.txt");
    auto has = [&](const std::vector<uint8_t>& part) {
        return std::search(b.begin(), b.end(), part.begin(), part.end()) != b.end();
    };
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "TPF0");
    EXPECT_TRUE(has({5, 'S', 'm', 'a', 'l', 'l', 2, 0xFB}));
    EXPECT_TRUE(has({'M', 'e', 'd', 'i', 'u', 'm', 3, 0x00, 0x04}));
    EXPECT_TRUE(has({'L', 'a', 'r', 'g', 'e', 4, 0x00, 0x80, 0x01, 0x00}));
    EXPECT_TRUE(has({'F', 'l', 'a', 'g', 9}));
    EXPECT_TRUE(has({'C', 'o', 'l', 'o', 'u', 'r', 7, 7, 'c', 'l', 'W', 'h', 'i', 't', 'e'}));
    EXPECT_TRUE(has({6, 4, 'i', 't', '\'', 's'}));
    EXPECT_TRUE(has({11, 3, 'd', 'o', 'A', 3, 'd', 'o', 'B', 0}));
    EXPECT_TRUE(has({'E', 'm', 'p', 't', 'y', 11, 0}));
    EXPECT_TRUE(has({'B', 'l', 'o', 'c', 'k', 10, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(has({14, 1, 4, 'N', 'a', 'm', 'e', 6, 1, 'x', 0, 0}));
    // the property list ends, the child record follows, then both lists end
    const std::vector<uint8_t> tail = {0, 6, 'T', 'C', 'h', 'i', 'l', 'd', 5, 'c', 'h', 'i', 'l', 'd', 0, 0, 0};
    EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), b.rbegin()));
}

TEST(ComponentText, ReportsTheFileAndLineOfAFault) {
    auto compile = [](const std::string& text) {
        return error_of([&] { klice::assets::compile_component_text(text, "form1.txt"); });
    };
    EXPECT_EQ(compile("object TForm f\n  Width 5\nend\n"), "form1.txt:2: expected 'Property = value'");
    EXPECT_EQ(compile("object TForm f\n  Width = 5\n"), "form1.txt:1: the file ends before this block is closed");
    EXPECT_EQ(compile("object TForm f\n  object TA a\n  end\n  Late = 1\nend\n"),
              "form1.txt:4: properties must come before the nested objects");
    EXPECT_EQ(compile("object TForm f\n  Caption = 'open\nend\n"), "form1.txt:2: unterminated quoted text");
    EXPECT_EQ(compile("object TForm f\n  Items = <\n    Name = 'x'\n  >\nend\n"),
              "form1.txt:3: expected 'item' or '>'");
    EXPECT_EQ(compile("object TForm f\n  Tag = 99999999999\nend\n"),
              "form1.txt:2: '99999999999' is outside -2147483648 .. 2147483647");
    const std::string missing = compile("object TForm f\n  Picture.Data = picture 'nowhere.png' 8\nend\n");
    EXPECT_EQ(missing.rfind("form1.txt:2: cannot open nowhere.png", 0), 0u) << missing;
}

// An RGB picture of few colours stored in 8 bits: its colours become the
// palette, and every pixel keeps its colour; more than 256 cannot be.
TEST(PictureData, AColourPictureOfFewColoursIsStoredIn8Bits) {
    klice::assets::PngImage image;
    image.width = 3;
    image.height = 2;
    image.pixels = {255, 0,  0,  0,   0, 0, 10, 20, 30,  // top row
                    10,  20, 30, 255, 0, 0, 1,  2,  3};
    const std::vector<uint8_t> block = klice::assets::picture_data(image, 8, "krajina.txt", 7);
    ASSERT_EQ(std::string(block.begin() + 1, block.begin() + 5), "TDIB");
    klice::TMemoryStream stream;
    stream.WriteBuffer(block.data() + 5, block.size() - 5);
    stream.SetPosition(0);
    klice::TDIB dib;
    dib.ReadData(stream);
    ASSERT_EQ(dib.BitCount(), 8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const klice::TRGBQuad c = dib.ColorTable()[dib.Pixel(x, y)];
            EXPECT_EQ((std::array<uint8_t, 3>{c.rgbRed, c.rgbGreen, c.rgbBlue}), image.Rgb(x, y)) << x << "," << y;
        }

    image.width = 257;
    image.height = 1;
    image.pixels.clear();
    for (int i = 0; i < 257; ++i) image.pixels.insert(image.pixels.end(), {uint8_t(i), uint8_t(i / 256), 0});
    EXPECT_EQ(error_of([&] { klice::assets::picture_data(image, 8, "krajina.txt", 7); }),
              "krajina.txt:7: an 8-bit picture has at most 256 colours; this one has more");
    image.pixels.resize(256 * 3);
    image.width = 256;
    EXPECT_EQ(error_of([&] { klice::assets::picture_data(image, 8, "krajina.txt", 7); }), "no error");
}

// What the game would refuse to read is a fault of the source: the pictures
// of one file share the game's budget, and a wave has at most 16 MiB.
TEST(ComponentText, RefusesPicturesAndWavesOverTheGamesBudget) {
    const klice::testing::TempFolder folder("budget");
    std::vector<uint8_t> png;
    ASSERT_TRUE(klice::platform::EncodePng(std::vector<uint8_t>(4096 * 2048 * 3, 0).data(), 4096, 2048, &png));
    klice::testing::WriteFile(folder / "big.png", png);
    klice::testing::WriteFile(folder / "long.txt", std::string("rate 44100\nbytes 16777218\n"));
    const std::string file = (folder / "krajina.txt").string();
    auto compile = [&](const std::string& text) {
        return error_of([&] { klice::assets::compile_component_text(text, file); });
    };
    const std::string picture = "    item\n      Picture.Data = picture 'big.png' 24\n    end\n";
    // 8 Mi pixels, the most one picture may have; a second would pass the
    // file's 12 Mi.
    EXPECT_EQ(compile("object TThing t\n  List = <\n" + picture + "  >\nend\n"), "no error");
    EXPECT_EQ(
        compile("object TThing t\n  List = <\n" + picture + picture + "  >\nend\n"),
        file + ":7: a 4096 x 2048 picture is more than the game reads from one file (see platform/data_budget.h)");
    EXPECT_EQ(compile("object TThing t\n  Wave.WAVE = wave 'long.txt'\nend\n"),
              file + ":2: the wave is longer than the game reads (see platform/data_budget.h)");
}

TEST(LevelSource, CompilesKeysAndGroupsIntoTheirSlots) {
    const std::string text =
        "background p3\n"
        "start 558\n"
        "key 1 2\nkey 3 4\nkey 5 6\nkey 7 8\nkey 9 10\nkey 11 12\n"
        "block 324 672 2 0 150\n"
        "zuby 836 640 0 0 0 7 24\n"
        "al 640 700 0 -2 40 1\n";
    const klice::level_record r = klice::assets::compile_level_text(text, "p13.txt", 13);
    EXPECT_EQ(r.start_x, 120);
    EXPECT_EQ(r.start_y, 558);
    EXPECT_EQ(r.objects[5].x, 11);
    EXPECT_EQ(r.objects[5].active, 1);
    EXPECT_EQ(r.block_count, 1);
    EXPECT_EQ(r.objects[klice::kBlockSlot].range, 150);
    EXPECT_EQ(r.al_count, 1);
    EXPECT_EQ(r.objects[klice::kAlSlot].dy, -2);
    EXPECT_EQ(r.zuby_count, 1);
    EXPECT_EQ(r.objects[klice::kZubySlot].frame, 7);
    EXPECT_EQ(r.objects[klice::kZubySlot].steps, 24);
    EXPECT_EQ(r.leb_count, 0);
}

TEST(LevelSource, RefusesLevelsTheGameCouldNotFinish) {
    const std::string keys = "key 1 1\nkey 1 1\nkey 1 1\nkey 1 1\nkey 1 1\n";
    auto compile = [](const std::string& text, int level) {
        return error_of([&] { klice::assets::compile_level_text(text, "p.txt", level); });
    };
    EXPECT_EQ(compile("background p1\nstart 590\n" + keys, 1), "p.txt:7: the level has 5 keys, not six");
    EXPECT_EQ(compile("background p2\nstart 590\n" + keys + "key 1 1\n", 11),
              "p.txt:1: level 11 is drawn on p1, not p2");
    std::string many = "background p1\nstart 590\n" + keys + "key 1 1\n";
    for (int i = 0; i < 11; ++i) many += "leb 1 1 0 0 0 1\n";
    EXPECT_EQ(compile(many, 1), "p.txt:19: more than ten leb entries");
    EXPECT_EQ(compile("background p1\nstart 590\nal 1 1 0 0 0 21\n", 1), "p.txt:3: '21' is outside 1 .. 20");
    EXPECT_EQ(klice::assets::background_of_level(20), "p10");
    EXPECT_EQ(klice::assets::background_of_level(21), "p21");
}

TEST(SoundRecipe, SineFromArithmeticMatchesTheCircle) {
    for (int i = 0; i <= 64; ++i) {
        const double t = i / 64.0;
        EXPECT_NEAR(klice::assets::sine_of_turns(t), std::sin(t * 6.283185307179586), 1e-9) << t;
    }
    EXPECT_NEAR(klice::assets::sine_of_turns(-0.25), -1.0, 1e-9);
}

TEST(SoundRecipe, ALoopedScoreContinuesAcrossTheSeam) {
    const std::string text =
        "rate 8000\nbytes 16000\nloop\nsteps 8\n"
        "voice v sine 500 5 100 800 200\n"
        "seq v 6 c5:4\n";  // rings from step 6 past the end into the start
    const klice::assets::Synthesized s = klice::assets::synthesize(text, "t.txt");
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
double audible_seconds(const klice::assets::Synthesized& s) {
    int peak = 0;
    for (int16_t v : s.samples) peak = std::max(peak, std::abs(static_cast<int>(v)));
    size_t last = 0;
    for (size_t i = 0; i < s.samples.size(); ++i)
        if (std::abs(static_cast<int>(s.samples[i])) * 1000 > peak) last = i;
    return static_cast<double>(last + 1) / s.rate;
}

klice::assets::Synthesized shipped_sound(const std::string& name) {
    const std::string path = std::string(KLICE_ASSETS_SOURCE_DIR) + "/sounds/" + name;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return klice::assets::synthesize(text.str(), path);
}

double rms_db(const std::vector<int16_t>& samples, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count; ++i) sum += double(samples[i]) * samples[i];
    return 10 * std::log10(sum / count / (32768.0 * 32768.0));
}

TEST(SoundRecipe, TheKeySoundIsShortThenSilentToItsFixedLength) {
    const klice::assets::Synthesized s = shipped_sound("klic.txt");
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
    const klice::assets::Synthesized chime = shipped_sound("klic.txt");
    const klice::assets::Synthesized tune = shipped_sound("hudba_hra.txt");
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
    const klice::assets::Synthesized s = klice::assets::synthesize(recipe, "alias.txt");
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
    auto compile = [](const std::string& text) { return error_of([&] { klice::assets::synthesize(text, "s.txt"); }); };
    EXPECT_EQ(compile("rate 8000\nbytes 7\n"), "s.txt:2: 16-bit samples need an even byte count");
    EXPECT_EQ(compile("rate 8000\nbytes 8\nsteps 4\nvoice v sine 1 1 1 1 1\nseq v 0 h4:1\n"),
              "s.txt:5: 'h4' is not a note");
    EXPECT_EQ(compile("rate 8000\nbytes 8\nsteps 4\nvoice v sine 1 1 1 1 1\nseq v 2 c4:4\n"),
              "s.txt:5: the notes run past the end of the sound");
    EXPECT_EQ(compile("rate 8000\nbytes 8\nhum 1\n"), "s.txt:3: unknown recipe line 'hum'");
    const auto image = klice::assets::wave_image(
        klice::assets::synthesize("rate 11025\nbytes 728\ntone 0 30 100 50 500 sine 1 20\n", "s"));
    EXPECT_EQ(image.size(), 728u + 44u);
}

}  // namespace
