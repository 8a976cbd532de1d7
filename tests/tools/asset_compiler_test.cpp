// The asset compiler's source languages: what they encode and how a broken
// source is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

}  // namespace
