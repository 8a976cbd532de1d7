// The asset compiler's source languages: what they encode and how a broken
// source is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "tools/assets/component_text.h"
#include "tools/assets/level_source.h"
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
