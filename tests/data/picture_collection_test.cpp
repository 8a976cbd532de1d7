#include "data/picture_collection.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "data/component_stream.h"
#include "data/errors.h"
#include "data/picture.h"
#include "dib_test_util.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/pictures.h"
#include "tests/support/temp_folder.h"

using namespace klice;
using namespace klice::test;
using klice::testing::EncodeJpeg;
using klice::testing::PatternDib;

namespace {

// A picture data block: name length, name, then the graphic's own bytes.
std::vector<uint8_t> DataBlock(const std::string& name, const std::vector<uint8_t>& rest) {
    Bytes b;
    b.u8(static_cast<uint32_t>(name.size()));
    for (char c : name) b.u8(static_cast<uint8_t>(c));
    b.raw(rest);
    return b.vec();
}

void ReadPicture(TPicture& picture, const std::vector<uint8_t>& block) {
    TBytesViewStream s(block);
    picture.ReadData(s);
}

// A one-entry icon directory with an image of `image_bytes` bytes.
std::vector<uint8_t> IconImage(int width, int height, int image_bytes) {
    Bytes b;
    b.u16(0).u16(1).u16(1);
    b.u8(width).u8(height).u8(0).u8(0).u16(1).u16(32).u32(image_bytes).u32(22);
    b.fill(static_cast<size_t>(image_bytes), 0xAB);
    return b.vec();
}

// An enhanced metafile holding only its header record, bounds inclusive.
std::vector<uint8_t> EnhancedMetafile(int right, int bottom) {
    Bytes b;
    b.u32(1).u32(88).i32(0).i32(0).i32(right).i32(bottom);
    b.fill(16, 0);      // frame
    b.u32(0x464D4520);  // " EMF"
    b.fill(88 - 44, 0);
    return b.vec();
}

struct Pictures : ::testing::Test {
    TPictureCollection items;

    TPictureCollectionItem* AddNamed(const std::string& name) {
        TPictureCollectionItem* item = items.Add();
        item->SetName(name);
        return item;
    }
};

// ---------------------------------------------------------------------------

TEST_F(Pictures, NewItemDefaults) {
    TPictureCollectionItem* item = items.Add();
    EXPECT_EQ(item->Name(), "");
    EXPECT_EQ(item->PatternWidth, 0);
    EXPECT_EQ(item->PatternHeight, 0);
    EXPECT_EQ(item->SkipWidth, 0);
    EXPECT_EQ(item->SkipHeight, 0);
    EXPECT_FALSE(item->SystemMemory);
    EXPECT_TRUE(item->Transparent);
    EXPECT_EQ(item->TransparentColor(), clBlack);
    EXPECT_EQ(item->Picture()->Graphic(), nullptr);
    EXPECT_FALSE(item->Initialized());
    EXPECT_FALSE(items.Initialized());
    for (uint8_t b : items.ColorTable) ASSERT_EQ(b, 0);

    std::vector<std::string> names;
    for (const TPropInfo* p : TPictureCollectionItem::StaticClass().Properties()) names.push_back(p->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "PatternHeight", "PatternWidth", "Picture", "SkipHeight",
                                               "SkipWidth", "SystemMemory", "Transparent", "TransparentColor"}));
}

TEST_F(Pictures, FindIgnoresLetterCaseAndPrefersTheLastNamed) {
    TPictureCollectionItem* p1 = AddNamed("p1");
    AddNamed("p2");
    EXPECT_EQ(items.Find("P1"), p1);
    EXPECT_EQ(items.Find("p1"), p1);

    // A second "p1" written in capitals, named later, wins in either case.
    TPictureCollectionItem* upper = AddNamed("P1");
    EXPECT_EQ(items.Find("p1"), upper);
    EXPECT_EQ(items.Find("P1"), upper);

    // Renaming the first to the same text in other case makes it the newest.
    p1->SetName("P1");
    EXPECT_EQ(items.Find("p1"), p1);
    // Assigning the identical text changes nothing.
    upper->SetName("P1");
    EXPECT_EQ(items.Find("p1"), p1);
}

TEST_F(Pictures, FindFindsNamesOfOneBucketAndCentralEuropeanCase) {
    // "abc" and "abd": 3 * 16 + 'a' + 'b' both, one bucket.
    ASSERT_EQ(NameBucket("abc"), NameBucket("abd"));
    EXPECT_EQ(NameBucket("abc"), (48 + 'a' + 'b') & 0xFF);
    TPictureCollectionItem* abc = AddNamed("abc");
    TPictureCollectionItem* abd = AddNamed("abd");
    EXPECT_EQ(items.Find("ABC"), abc);
    EXPECT_EQ(items.Find("aBd"), abd);
    EXPECT_THROW(items.Find("abe"), EPictureCollectionError);
    EXPECT_EQ(NameBucket("x"), 16);
    TPictureCollectionItem* x = AddNamed("x");
    EXPECT_EQ(items.Find("X"), x);
    TPictureCollectionItem* klic = AddNamed(
        "kl\xE8"  // "klč" in Windows-1250
        "ek");
    EXPECT_EQ(items.Find("KL\xC8"
                         "EK"),
              klic);
}

TEST_F(Pictures, FindOfAMissingNameRaisesWithTheNameAsAsked) {
    AddNamed("p1");
    EXPECT_EQ(MessageOf<EPictureCollectionError>([&] { items.Find("Sipka 7"); }), "Image 'Sipka 7' not found");
    EXPECT_EQ(MessageOf<EPictureCollectionError>([&] { items.Find(""); }), "Image '' not found");
    EXPECT_EQ(items.Items(0)->Name(), "p1");
}

TEST_F(Pictures, WidthAndHeightFromPatternSizesOrThePicture) {
    TPictureCollectionItem* item = items.Add();
    EXPECT_EQ(item->Width(), 0);
    EXPECT_EQ(item->Height(), 0);
    item->Picture()->SetGraphic(std::make_unique<TDIB>(PatternDib(40, 30)));
    EXPECT_EQ(item->Width(), 40);
    EXPECT_EQ(item->Height(), 30);
    item->PatternWidth = 8;
    EXPECT_EQ(item->Width(), 8);
    EXPECT_EQ(item->Height(), 30);
    item->PatternHeight = -3;  // not above 0: the picture's
    EXPECT_EQ(item->Height(), 30);
    item->PatternHeight = 5;
    EXPECT_EQ(item->Height(), 5);
}

// ---------------------------------------------------------------------------
// Picture data.

TEST(PictureData, UnregisteredEmptyOrOverlongNamesLeaveThePictureEmpty) {
    TPictureCollection items;
    TPictureCollectionItem* item = items.Add();
    item->PatternWidth = 12;
    TPicture& picture = *item->Picture();
    picture.SetGraphic(std::make_unique<TDIB>(PatternDib(4, 4)));
    int changes = 0;
    picture.OnChange = [&](TPicture&) { ++changes; };

    ReadPicture(picture, DataBlock("TGIFImage", {1, 2, 3}));
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(item->Width(), 12);
    EXPECT_EQ(item->Height(), 0);
    EXPECT_EQ(changes, 1);

    ReadPicture(picture, DataBlock("", {}));
    EXPECT_EQ(picture.Graphic(), nullptr);

    // Names are matched exactly: letter case counts.
    ReadPicture(picture, DataBlock("tdib", {}));
    EXPECT_EQ(picture.Graphic(), nullptr);

    // A name longer than any writer emits is read by its own length only.
    const std::string long_name(200, 'T');
    std::vector<uint8_t> block = DataBlock(long_name, {0xEE, 0xEE});
    TBytesViewStream s(block);
    picture.ReadData(s);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(s.Position(), 201);

    // A name cut short by the end of the block is a read error.
    std::vector<uint8_t> cut = {10, 'T', 'D'};
    EXPECT_EQ(MessageOf<EReadError>([&] { ReadPicture(picture, cut); }), "Stream read error");
}

TEST(PictureData, NewestRegistrationOfANameWins) {
    struct TMarked : TDIB {};
    RegisterGraphicClass({"TDIB", {"dib"}, [] { return std::make_unique<TMarked>(); }});
    std::vector<uint8_t> payload;
    {
        TMemoryStream s;
        TDIB dib = PatternDib(2, 2);
        dib.WriteData(s);
        payload = s.Bytes();
    }
    TPicture picture;
    ReadPicture(picture, DataBlock("TDIB", payload));
    EXPECT_NE(dynamic_cast<TMarked*>(picture.Graphic()), nullptr);
    UnregisterGraphicClass("TDIB");
    ReadPicture(picture, DataBlock("TDIB", payload));
    EXPECT_EQ(dynamic_cast<TMarked*>(picture.Graphic()), nullptr);
    EXPECT_NE(dynamic_cast<TDIB*>(picture.Graphic()), nullptr);
    EXPECT_EQ(FindGraphicClassForExtension("JPG")->name, "TJPEGImage");
}

TEST(PictureData, BitmapBlocks) {
    TPicture picture;
    picture.SetGraphic(std::make_unique<TDIB>(PatternDib(3, 3)));

    // Without "BM" the bitmap is refused and the old graphic stays.
    Bytes bad;
    bad.u32(16).u8('M').u8('B').fill(14, 0);
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { ReadPicture(picture, DataBlock("TBitmap", bad.vec())); }),
              "Bitmap image is not valid");
    ASSERT_NE(dynamic_cast<TDIB*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 3);

    // A length beyond the block is a read error, not an allocation.
    Bytes huge;
    huge.u32(0xFFFFFFF0u).u8('B').u8('M');
    EXPECT_EQ(MessageOf<EReadError>([&] { ReadPicture(picture, DataBlock("TBitmap", huge.vec())); }),
              "Stream read error");

    // Length 0: an empty bitmap.
    Bytes empty;
    empty.u32(0);
    ReadPicture(picture, DataBlock("TBitmap", empty.vec()));
    ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 0);

    // A real bitmap file.
    TMemoryStream file;
    TDIB dib = PatternDib(5, 4);
    dib.SaveToStream(file);
    Bytes good;
    good.u32(static_cast<uint32_t>(file.Size())).raw(file.Bytes());
    ReadPicture(picture, DataBlock("TBitmap", good.vec()));
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Height(), 4);
    EXPECT_EQ(bitmap->Dib().Pixel(4, 3), dib.Pixel(4, 3));
}

TEST(PictureData, JpegBlocksDecode) {
    const std::vector<uint8_t> jpeg = EncodeJpeg(32, 24);  // red in the top left quarter
    Bytes block;
    block.u32(static_cast<uint32_t>(jpeg.size())).raw(jpeg);
    TPicture picture;
    ReadPicture(picture, DataBlock("TJPEGImage", block.vec()));
    auto* image = dynamic_cast<TJPEGImage*>(picture.Graphic());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(picture.Width(), 32);
    EXPECT_EQ(picture.Height(), 24);
    const uint32_t red = image->Dib().Pixel(6, 4) >> 16;
    EXPECT_GT(red, 0xE0u);

    Bytes bad;
    bad.u32(4).u8(1).u8(2).u8(3).u8(4);
    EXPECT_THROW(ReadPicture(picture, DataBlock("TJPEGImage", bad.vec())), EInvalidGraphic);
    EXPECT_EQ(picture.Graphic(), image);
}

TEST(PictureData, IconAndMetafileEnvelopesAreKept) {
    TPicture picture;
    const std::vector<uint8_t> icon = IconImage(32, 16, 40);
    std::vector<uint8_t> block = DataBlock("TIcon", icon);
    block.push_back(0x77);  // after the icon image: not the icon's
    TBytesViewStream s(block);
    picture.ReadData(s);
    auto* ico = dynamic_cast<TIcon*>(picture.Graphic());
    ASSERT_NE(ico, nullptr);
    EXPECT_EQ(ico->Data(), icon);
    EXPECT_EQ(picture.Width(), 32);
    EXPECT_EQ(picture.Height(), 16);
    EXPECT_EQ(s.Position(), static_cast<int64_t>(block.size() - 1));

    // An icon whose image lies past the block's end.
    std::vector<uint8_t> cut = IconImage(32, 32, 40);
    cut.resize(cut.size() - 1);
    EXPECT_THROW(ReadPicture(picture, DataBlock("TIcon", cut)), EReadError);

    const std::vector<uint8_t> emf = EnhancedMetafile(99, 49);
    Bytes meta;
    meta.u32(static_cast<uint32_t>(emf.size() + 4)).raw(emf);
    ReadPicture(picture, DataBlock("TMetafile", meta.vec()));
    auto* mf = dynamic_cast<TMetafile*>(picture.Graphic());
    ASSERT_NE(mf, nullptr);
    EXPECT_TRUE(mf->Enhanced());
    EXPECT_EQ(mf->Data(), emf);
    EXPECT_EQ(picture.Width(), 100);
    EXPECT_EQ(picture.Height(), 50);

    Bytes small;
    small.u32(4);
    ReadPicture(picture, DataBlock("TMetafile", small.vec()));
    ASSERT_NE(dynamic_cast<TMetafile*>(picture.Graphic()), nullptr);
    EXPECT_TRUE(picture.Graphic()->Empty());
}

// ---------------------------------------------------------------------------
// Picture files.

struct PictureFile : ::testing::Test {
    const klice::testing::TempFolder dir{"pictures"};

    // A file of five items, one of each graphic class, written by the writer.
    std::vector<uint8_t> WriteSample() {
        TPictureCollection source;
        auto add = [&](const std::string& name) {
            TPictureCollectionItem* item = source.Add();
            item->SetName(name);
            return item;
        };
        TPictureCollectionItem* bg = add("p1");
        bg->Picture()->SetGraphic(std::make_unique<TDIB>(PatternDib(16, 12)));
        bg->Transparent = false;
        TPictureCollectionItem* block = add("ctverec");
        auto bmp = std::make_unique<TBitmap>();
        bmp->Dib() = PatternDib(6, 5);
        block->Picture()->SetGraphic(std::move(bmp));
        block->PatternWidth = 3;
        block->SkipWidth = 1;
        block->SetTransparentColor(clWhite);
        TPictureCollectionItem* jpeg = add("sipka");
        {
            const std::vector<uint8_t> data = EncodeJpeg(4, 4);
            Bytes b;
            b.u32(static_cast<uint32_t>(data.size())).raw(data);
            TBytesViewStream s(b.vec());
            auto image = std::make_unique<TJPEGImage>();
            image->ReadData(s);
            jpeg->Picture()->SetGraphic(std::move(image));
        }
        jpeg->SystemMemory = true;
        TPictureCollectionItem* icon = add("al1");
        {
            const std::vector<uint8_t> bytes = IconImage(16, 16, 8);
            TBytesViewStream s(bytes);
            auto image = std::make_unique<TIcon>();
            image->ReadData(s);
            icon->Picture()->SetGraphic(std::move(image));
        }
        icon->SetTransparentColor(clBtnFace);
        add("v1");  // no picture
        source.ColorTable[0] = 0x11;
        source.ColorTable[1023] = 0x99;
        TMemoryStream out;
        source.SaveToStream(out);
        return out.Bytes();
    }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        return klice::testing::WriteFile(dir / name, bytes);
    }
};

TEST_F(PictureFile, ItemsOfTheFileReplaceAllItems) {
    const std::vector<uint8_t> file = WriteSample();
    ASSERT_EQ(file[0], 0xFF);
    TPictureCollection items;
    for (const char* placeholder : {"p1", "p2", "v4"}) items.Add()->SetName(placeholder);
    items.LoadFromFile(Write("krajina.dat", file));

    ASSERT_EQ(items.Count(), 5);
    EXPECT_EQ(items.Items(0)->Name(), "p1");
    EXPECT_EQ(items.Find("P1"), items.Items(0));
    EXPECT_THROW(items.Find("p2"), EPictureCollectionError);
    EXPECT_THROW(items.Find("v4"), EPictureCollectionError);

    TPictureCollectionItem* bg = items.Find("p1");
    ASSERT_NE(dynamic_cast<TDIB*>(bg->Picture()->Graphic()), nullptr);
    EXPECT_EQ(bg->Width(), 16);
    EXPECT_FALSE(bg->Transparent);
    TDIB expected = PatternDib(16, 12);
    EXPECT_EQ(static_cast<TDIB*>(bg->Picture()->Graphic())->Pixel(15, 11), expected.Pixel(15, 11));

    TPictureCollectionItem* block = items.Find("ctverec");
    ASSERT_NE(dynamic_cast<TBitmap*>(block->Picture()->Graphic()), nullptr);
    EXPECT_EQ(block->Width(), 3);
    EXPECT_EQ(block->Height(), 5);
    EXPECT_EQ(block->SkipWidth, 1);
    EXPECT_EQ(block->TransparentColor(), clWhite);

    TPictureCollectionItem* arrow = items.Find("sipka");
    ASSERT_NE(dynamic_cast<TJPEGImage*>(arrow->Picture()->Graphic()), nullptr);
    EXPECT_EQ(arrow->Width(), 4);
    EXPECT_TRUE(arrow->SystemMemory);

    TPictureCollectionItem* icon = items.Find("al1");
    ASSERT_NE(dynamic_cast<TIcon*>(icon->Picture()->Graphic()), nullptr);
    EXPECT_EQ(icon->TransparentColor(), clBtnFace);

    EXPECT_EQ(items.Find("v1")->Picture()->Graphic(), nullptr);
    EXPECT_EQ(items.ColorTable[0], 0x11);
    EXPECT_EQ(items.ColorTable[1023], 0x99);

    // Written again, the collection gives back the same bytes.
    TMemoryStream again;
    items.SaveToStream(again);
    EXPECT_EQ(again.Bytes(), file);
}

TEST_F(PictureFile, MissingFileNamesItsFullPathAndLeavesTheItems) {
    TPictureCollection items;
    items.Add()->SetName("p1");
    std::string message;
    {
        const klice::testing::WorkingDirectory in_folder(dir.path());
        message = MessageOf<EFOpenError>([&] { items.LoadFromFile("ruzne.dat"); });
    }
    const std::string expected = "Cannot open file \"" + (dir / "ruzne.dat").string() + "\". ";
    EXPECT_EQ(message.substr(0, expected.size()), expected);
    EXPECT_GT(message.size(), expected.size());  // the system's error text
    ASSERT_EQ(items.Count(), 1);
    EXPECT_EQ(items.Items(0)->Name(), "p1");
}

TEST_F(PictureFile, MalformedFilesKeepWhatWasReadBeforeTheFault) {
    const std::vector<uint8_t> file = WriteSample();
    auto load = [&](const std::vector<uint8_t>& bytes, TPictureCollection& items) {
        TBytesViewStream s(bytes);
        items.LoadFromStream(s);
    };

    {  // Not a resource header: nothing is read, the old items are gone.
        TPictureCollection items;
        items.Add()->SetName("old");
        std::vector<uint8_t> bad = file;
        bad[0] = 0xFE;
        EXPECT_EQ(MessageOf<EInvalidImage>([&] { load(bad, items); }), "Invalid stream format");
        EXPECT_EQ(items.Count(), 0);
        bad = file;
        bad[1] = 11;
        EXPECT_EQ(MessageOf<EInvalidImage>([&] { load(bad, items); }), "Invalid stream format");
    }
    {  // Cut inside the third item's picture: two whole items and the third stay.
        TPictureCollection items;
        const auto name_at =
            std::search(file.begin(), file.end(), std::begin("TJPEGImage"), std::end("TJPEGImage") - 1);
        ASSERT_NE(name_at, file.end());
        std::vector<uint8_t> cut(file.begin(), name_at + 20);
        const std::string message = MessageOf<EReadError>([&] { load(cut, items); });
        EXPECT_NE(message.find("Stream read error"), std::string::npos) << message;
        ASSERT_EQ(items.Count(), 3);
        EXPECT_EQ(items.Items(2)->Name(), "sipka");
        EXPECT_EQ(items.Items(2)->Picture()->Graphic(), nullptr);
        EXPECT_NE(items.Items(1)->Picture()->Graphic(), nullptr);
        EXPECT_FALSE(items.Items(0)->Initialized());
    }
    {  // A bitmap block without "BM": the failure names both levels.
        TPictureCollection items;
        std::vector<uint8_t> bad = file;
        const auto bm = std::search(bad.begin(), bad.end(), std::begin("TBitmap"), std::end("TBitmap") - 1);
        ASSERT_NE(bm, bad.end());
        *(bm + 7 + 4) = 'X';  // after the name and the 32-bit length
        const std::string message = MessageOf<EReadError>([&] { load(bad, items); });
        EXPECT_NE(message.find("Bitmap image is not valid"), std::string::npos) << message;
        EXPECT_NE(message.find("List"), std::string::npos) << message;
        EXPECT_NE(message.find("Picture.Data"), std::string::npos) << message;
        EXPECT_EQ(items.Count(), 2);
    }
}

TEST_F(PictureFile, ColorTableTakesExactly1024Bytes) {
    auto read_table = [](const std::vector<uint8_t>& block, TPictureCollection& items) {
        // A holder stream whose List carries only the colour table.
        TMemoryStream bytes;
        const int64_t fixup = WriteResourceHeader(bytes, "TPICTURECOLLECTIONCOMPONENT");
        Bytes b;
        b.raw({'T', 'P', 'F', '0'});
        const std::string cls = "TPictureCollectionComponent";
        b.u8(static_cast<uint32_t>(cls.size()));
        for (char c : cls) b.u8(static_cast<uint8_t>(c));
        b.u8(0);  // no name
        const std::string path = "List.ColorTable";
        b.u8(static_cast<uint32_t>(path.size()));
        for (char c : path) b.u8(static_cast<uint8_t>(c));
        b.u8(10).u32(static_cast<uint32_t>(block.size())).raw(block);
        b.u8(0).u8(0);
        bytes.WriteBuffer(b.vec().data(), b.size());
        FixupResourceHeader(bytes, fixup);
        bytes.SetPosition(0);
        items.LoadFromStream(bytes);
    };
    TPictureCollection items;
    std::vector<uint8_t> longer(1030, 0x42);
    longer[1023] = 7;
    read_table(longer, items);
    EXPECT_EQ(items.ColorTable[0], 0x42);
    EXPECT_EQ(items.ColorTable[1023], 7);

    const std::string message = MessageOf<EReadError>([&] { read_table(std::vector<uint8_t>(1023, 1), items); });
    EXPECT_NE(message.find("Stream read error"), std::string::npos) << message;
    EXPECT_EQ(items.ColorTable[0], 0x42);
}

}  // namespace
