#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "data/dib.h"
#include "data/errors.h"
#include "dib_test_util.h"
#include "platform/jpeg_decoder.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/temp_folder.h"

using namespace klice;
using namespace klice::test;
using klice::testing::EncodeJpeg;

namespace {

// The pixel of a 24-bit image as 0xRRGGBB.
uint32_t Rgb(TDIB& dib, int x, int y) { return dib.Pixel(x, y); }

// Each system's encoder quantizes a little differently.
bool Near(uint32_t a, uint32_t b, int tolerance = 16) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

TDIB Small8() {
    TDIB dib;
    dib.SetSize(3, 2, 8);
    dib.SetPixel(2, 1, 42);
    return dib;
}

void Load(TDIB& dib, const std::vector<uint8_t>& bytes) {
    TBytesViewStream stream(bytes);
    dib.LoadFromStream(stream);
}

}  // namespace

TEST(DibFile, SavedFileHasItsHeaderAndLoadsBack) {
    TDIB dib = Small8();
    TMemoryStream out;
    dib.SaveToStream(out);
    const std::vector<uint8_t>& bytes = out.Bytes();
    ASSERT_EQ(bytes.size(), 14u + 40 + 1024 + 8);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(bytes[2] | (bytes[3] << 8), int(bytes.size()));
    EXPECT_EQ(bytes[10] | (bytes[11] << 8), 14 + 40 + 1024);
    TDIB back;
    Load(back, bytes);
    EXPECT_EQ(back.Width(), 3);
    EXPECT_EQ(back.Pixel(2, 1), 42u);
}

TEST(DibFile, ShortOrForeignHeadersAreInvalidAndNoBytesChangeNothing) {
    TDIB dib = Small8();
    Load(dib, {});
    EXPECT_EQ(dib.Pixel(2, 1), 42u);
    for (const std::vector<uint8_t>& bad :
         {std::vector<uint8_t>{'B', 'M', 0, 0, 0}, std::vector<uint8_t>(13, 'B'),
          std::vector<uint8_t>{'M', 'B', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0}}) {
        EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Load(dib, bad); }), "DIB is invalid") << bad.size();
    }
    EXPECT_EQ(dib.Pixel(2, 1), 42u);
}

TEST(DibFile, PayloadFollowsTheFileHeaderWhateverItsPixelOffsetSays) {
    Bytes file;
    file.u8('B').u8('M').u32(0).u32(0).u32(9999);
    Bytes payload = Header40(1, 1, 24);
    payload.u8(1).u8(2).u8(3).u8(0);
    file.raw(payload.vec());
    TDIB dib;
    Load(dib, file.vec());
    EXPECT_EQ(dib.Pixel(0, 0), 0x030201u);
}

TEST(DibFile, JpegDecodesIntoANew24BitImage) {
    for (int components : {3, 1}) {
        const std::vector<uint8_t> jpeg = EncodeJpeg(16, 8, components);
        TDIB dib = Small8();
        Load(dib, jpeg);
        ASSERT_EQ(dib.Width(), 16);
        ASSERT_EQ(dib.Height(), 8);
        EXPECT_EQ(dib.BitCount(), 24);
        EXPECT_EQ(dib.WidthBytes(), 48u);
        if (components == 3) {
            EXPECT_TRUE(Near(Rgb(dib, 2, 1), 0xFF0000)) << std::hex << Rgb(dib, 2, 1);
            EXPECT_TRUE(Near(Rgb(dib, 13, 2), 0x0000FF)) << std::hex << Rgb(dib, 13, 2);
            EXPECT_TRUE(Near(Rgb(dib, 5, 6), 0x00FF00)) << std::hex << Rgb(dib, 5, 6);
        } else {
            EXPECT_TRUE(Near(Rgb(dib, 3, 1), 0x202020)) << std::hex << Rgb(dib, 3, 1);
            EXPECT_TRUE(Near(Rgb(dib, 3, 6), 0xD0D0D0)) << std::hex << Rgb(dib, 3, 6);
        }
    }
}

TEST(DibFile, JpegIsDecodedFromWhereItsFileStarts) {
    const std::vector<uint8_t> jpeg = EncodeJpeg(8, 8, 3);
    TMemoryStream stream;
    stream.WriteBuffer("prefix", 6);
    stream.WriteBuffer(jpeg.data(), jpeg.size());
    stream.SetPosition(6);
    TDIB dib;
    dib.LoadFromStream(stream);
    EXPECT_EQ(dib.Width(), 8);
    EXPECT_TRUE(Near(Rgb(dib, 1, 1), 0xFF0000));
}

TEST(DibFile, BrokenJpegFailsAsAnInvalidGraphicAndKeepsTheImage) {
    std::vector<uint8_t> garbage = {0xFF, 0xD8};
    garbage.resize(64, 0x37);
    TDIB dib = Small8();
    EXPECT_FALSE(MessageOf<EInvalidGraphic>([&] { Load(dib, garbage); }).empty());
    EXPECT_EQ(dib.Pixel(2, 1), 42u);

    // Every cut of a real JPEG either decodes (the decoder pads a missing end)
    // or fails as an invalid graphic; nothing else escapes.
    const std::vector<uint8_t> jpeg = EncodeJpeg(16, 16, 3);
    for (size_t length = 14; length < jpeg.size(); length += 7) {
        TDIB cut = Small8();
        try {
            Load(cut, std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(length)));
            EXPECT_EQ(cut.Width(), 16) << length;
        } catch (const EInvalidGraphic&) {
            EXPECT_EQ(cut.Width(), 3);
        }
    }
}

TEST(DibFile, JpegClaimingAHugeImageIsRefusedBeforeDecoding) {
    std::vector<uint8_t> jpeg = EncodeJpeg(8, 8, 3);
    // The start-of-frame marker holds the height and width after its precision byte.
    size_t sof = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    for (size_t i = 5; i < 9; ++i) jpeg[sof + i] = 0xFD;  // 65021 x 65021
    TDIB dib;
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Load(dib, jpeg); }), "JPEG image is not valid");
    EXPECT_TRUE(dib.Empty());
    platform::JpegPixels pixels;
    EXPECT_EQ(platform::DecodeJpeg(jpeg.data(), jpeg.size(), {}, &pixels, nullptr), platform::JpegStatus::TooLarge);
    EXPECT_EQ(pixels.pixels, nullptr);
}

TEST(DibFile, FilesOnDiskRoundTrip) {
    const klice::testing::TempFolder folder("dib-file");
    const std::filesystem::path path = folder / "small.dib";
    TDIB dib = Small8();
    dib.SaveToFile(path.string());
    TDIB back;
    back.LoadFromFile(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(back.Pixel(2, 1), 42u);
    EXPECT_THROW(back.LoadFromFile(path.string()), EFOpenError);
}
