// The pictures one file may hold (platform/data_budget.h): each picture is
// weighed when its header is read, and the pictures of one stream share one
// budget. A picture over it is refused as a damaged one, before anything of
// its declared size is taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/component_stream.h"
#include "data/errors.h"
#include "data/picture.h"
#include "data/picture_collection.h"
#include "dib_test_util.h"
#include "platform/data_budget.h"
#include "tests/support/jpeg_encoder.h"

using namespace klice;
using namespace klice::test;
namespace budget = klice::platform::budget;

namespace {

// An 8-bit picture of width x height whose run-length data is only the end
// of the bitmap: two bytes, whatever the size.
std::vector<uint8_t> Runs(int32_t width, int32_t height) {
    Bytes b = Header40(width, height, 8, 1, 2, 1);
    b.u32(0).u8(0).u8(1);
    return b.vec();
}

std::vector<uint8_t> Block(const std::string& graphic_class, const std::vector<uint8_t>& data) {
    Bytes b;
    b.u8(uint32_t(graphic_class.size()));
    for (char c : graphic_class) b.u8(uint8_t(c));
    return b.raw(data).vec();
}

std::vector<uint8_t> JpegBlock(const std::vector<uint8_t>& jpeg) {
    Bytes b;
    return Block("TJPEGImage", b.u32(uint32_t(jpeg.size())).raw(jpeg).vec());
}

// A picture file whose items hold these picture data blocks.
std::vector<uint8_t> PictureFile(const std::vector<std::vector<uint8_t>>& pictures) {
    TMemoryStream file;
    const int64_t fixup = WriteResourceHeader(file, "TPICTURECOLLECTIONCOMPONENT");
    Bytes b;
    const auto str = [&](const std::string& s) {
        b.u8(uint32_t(s.size()));
        for (char c : s) b.u8(uint8_t(c));
    };
    b.raw({'T', 'P', 'F', '0'});
    str("TPictureCollectionComponent");
    str("");
    str("List");
    b.u8(14);
    for (const std::vector<uint8_t>& picture : pictures) {
        b.u8(1);
        str("Picture.Data");
        b.u8(10).u32(uint32_t(picture.size())).raw(picture);
        b.u8(0);
    }
    b.u8(0).u8(0).u8(0);
    file.WriteBuffer(b.vec().data(), b.size());
    FixupResourceHeader(file, fixup);
    return file.Bytes();
}

// Loads the file; the message of its failure, "" when none.
std::string Load(TPictureCollection& items, const std::vector<uint8_t>& file) {
    TBytesViewStream stream(file);
    try {
        items.LoadFromStream(stream);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

int WidthOf(TPictureCollection& items, int index) { return items.Items(index)->Picture()->Width(); }

}  // namespace

TEST(PictureBudget, OnePictureIsHeldToItsSidesAndPixels) {
    TDIB dib;
    ReadPayload(dib, Runs(4096, 2048));  // the most pixels one picture may have
    EXPECT_EQ(dib.Width(), 4096);
    ReadPayload(dib, Runs(budget::kPictureSide, 1));
    EXPECT_EQ(dib.Width(), budget::kPictureSide);
    for (const auto& [width, height] : {std::pair{4096, 2049}, std::pair{int(budget::kPictureSide) + 1, 1},
                                        std::pair{1, int(budget::kPictureSide) + 1}, std::pair{0x7FFFFFFF, 28}}) {
        EXPECT_EQ(
            MessageOf<EInvalidGraphic>([&, width = width, height = height] { ReadPayload(dib, Runs(width, height)); }),
            "DIB is invalid")
            << width << " x " << height;
        EXPECT_EQ(dib.Width(), budget::kPictureSide) << "the previous image stays";
    }
    // Outside a stream every picture has the whole budget of one picture.
    TDIB again;
    ReadPayload(again, Runs(4096, 2048));
    EXPECT_EQ(again.Width(), 4096);
}

TEST(PictureBudget, ThePicturesOfOneFileShareItsBudget) {
    TPictureCollection items;
    // 8 Mi and 4 Mi pixels: the file's 12 Mi exactly.
    EXPECT_EQ(Load(items, PictureFile({Block("TDIB", Runs(4096, 2048)), Block("TDIB", Runs(4096, 1024))})), "");
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(WidthOf(items, 1), 4096);

    // One pixel more, and the picture that brings it is refused; the items
    // read before stay, as for any damaged file.
    const std::string message = Load(items, PictureFile({Block("TDIB", Runs(4096, 2048)),
                                                         Block("TDIB", Runs(4096, 1024)), Block("TDIB", Runs(1, 1))}));
    EXPECT_EQ(message,
              "Error reading TPictureCollectionComponent.List: Error reading TPictureCollectionItem.Picture.Data: "
              "DIB is invalid");
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(WidthOf(items, 1), 4096);
    EXPECT_EQ(WidthOf(items, 2), 0);

    // Each file has a budget of its own.
    EXPECT_EQ(Load(items, PictureFile({Block("TDIB", Runs(1, 1))})), "");
    EXPECT_EQ(WidthOf(items, 0), 1);
}

TEST(PictureBudget, AJpegIsWeighedByItsFrameHeaderBeforeDecoding) {
    const std::vector<uint8_t> jpeg = klice::testing::EncodeJpeg(16, 8);
    ASSERT_FALSE(jpeg.empty());
    TPictureCollection items;
    EXPECT_EQ(Load(items, PictureFile({JpegBlock(jpeg)})), "");
    EXPECT_EQ(WidthOf(items, 0), 16);
    // After pictures that take the file's whole budget, its 128 pixels are too many.
    const std::string message =
        Load(items, PictureFile({Block("TDIB", Runs(4096, 2048)), Block("TDIB", Runs(4096, 1024)), JpegBlock(jpeg)}));
    EXPECT_EQ(message,
              "Error reading TPictureCollectionComponent.List: Error reading TPictureCollectionItem.Picture.Data: "
              "JPEG image is not valid");
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(WidthOf(items, 2), 0);
}

TEST(PictureBudget, WhatIsReadNestedSharesTheOutermostStreamsBudget) {
    budget::StreamPictures file;
    ASSERT_TRUE(budget::TakePicture(4096, 2048, 8 << 20));
    {
        budget::StreamPictures inner;
        EXPECT_EQ(budget::NextPicture().pixels, budget::kFilePixels - 4096 * 2048);
        EXPECT_FALSE(budget::TakePicture(4096, 1025, 4100 << 10));
        EXPECT_TRUE(budget::TakePicture(4096, 1024, 4 << 20));
    }
    EXPECT_EQ(budget::StreamPictures::PixelsTaken(), budget::kFilePixels);
    EXPECT_EQ(budget::NextPicture().pixels, 0);
    EXPECT_TRUE(budget::TakePicture(0, 0, 0));
    EXPECT_FALSE(budget::TakePicture(1, 1, 4));
}
