#include "data/dib_rle.h"

#include <gtest/gtest.h>

#include "data/dib.h"
#include "data/errors.h"
#include "dib_test_util.h"

using namespace klice;
using namespace klice::test;

namespace {

// A compressed payload: 40-byte header, the colour table the bit count
// allows, then the run-length data.
std::vector<uint8_t> RlePayload(int width, int height, int bits, const std::vector<uint8_t>& data) {
    Bytes b = Header40(width, height, bits, bits == 8 ? 1 : 2, static_cast<uint32_t>(data.size()));
    b.table(1 << bits).raw(data);
    return b.vec();
}

// Decodes into a block with guard bytes around it; fails when a guard changed.
std::vector<uint8_t> DecodeGuarded(bool four_bits, const std::vector<uint8_t>& data, int width, int height) {
    const size_t stride = platform::DibStride(width, four_bits ? 4 : 8);
    const size_t guard = 64;
    std::vector<uint8_t> block(guard + stride * height + guard, 0xEE);
    std::fill(block.begin() + guard, block.end() - guard, 0);
    if (four_bits)
        DecodeRLE4(data, width, height, stride, block.data() + guard);
    else
        DecodeRLE8(data, width, height, stride, block.data() + guard);
    for (size_t i = 0; i < guard; ++i) {
        EXPECT_EQ(block[i], 0xEE) << "written before the image";
        EXPECT_EQ(block[block.size() - 1 - i], 0xEE) << "written after the image";
    }
    // Padding bytes of each row lie outside the image too.
    const size_t used = four_bits ? (width + 1) / 2 : width;
    for (int y = 0; y < height; ++y)
        for (size_t x = used; x < stride; ++x) EXPECT_EQ(block[guard + y * stride + x], 0) << "row padding";
    return std::vector<uint8_t>(block.begin() + guard, block.end() - guard);
}

}  // namespace

TEST(DibRle, RunsEndOfLineAndDelta) {
    TDIB dib;
    ReadPayload(dib, RlePayload(8, 4, 8, {0x03, 0x05, 0x00, 0x00, 0x00, 0x02, 0x02, 0x01, 0x01, 0x07, 0x00, 0x01}));
    EXPECT_EQ(dib.Pixel(0, 3), 5u);
    EXPECT_EQ(dib.Pixel(2, 3), 5u);
    EXPECT_EQ(dib.Pixel(3, 3), 0u);
    EXPECT_EQ(dib.Pixel(2, 1), 7u);  // third row from the bottom
    int set = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) set += dib.Pixel(x, y) != 0;
    EXPECT_EQ(set, 4);
}

TEST(DibRle, DataStaysCompressedUntilPixelsAreNeeded) {
    const std::vector<uint8_t> data = {0x04, 0x09, 0x00, 0x01};
    TDIB dib;
    ReadPayload(dib, RlePayload(4, 2, 8, data));
    EXPECT_TRUE(dib.Compressed());
    EXPECT_EQ(dib.SharedImage().CompressedData(), data);
    EXPECT_EQ(dib.SharedImage().PBits(), nullptr);
    EXPECT_EQ(dib.BitmapInfo().biCompression, 1u);
    EXPECT_EQ(dib.BitmapInfo().biSizeImage, 4u);
    EXPECT_EQ(dib.ScanLineReadOnly(1)[3], 9);
    EXPECT_FALSE(dib.Compressed());
    EXPECT_EQ(dib.BitmapInfo().biCompression, 0u);
    EXPECT_EQ(dib.BitmapInfo().biSizeImage, 8u);

    TDIB four;
    ReadPayload(four, RlePayload(4, 2, 4, data));
    EXPECT_EQ(four.BitmapInfo().biCompression, 2u);
    EXPECT_EQ(four.BitmapInfo().ColorCount, 16);
    four.View();
    EXPECT_FALSE(four.Compressed());
}

TEST(DibRle, SharedCompressedImageIsCopiedExpandedAndTheOriginalStaysCompressed) {
    TDIB a;
    ReadPayload(a, RlePayload(4, 1, 8, {0x04, 0x03, 0x00, 0x01}));
    TDIB b(a);
    b.SetPixel(0, 0, 8);
    EXPECT_TRUE(a.Compressed());
    EXPECT_FALSE(b.Compressed());
    EXPECT_EQ(a.Pixel(0, 0), 3u);
    EXPECT_EQ(b.Pixel(0, 0), 8u);
    EXPECT_EQ(b.Pixel(3, 0), 3u);
}

TEST(DibRle, FourBitRunsAlternateNibblesHighFirst) {
    // Run of 5 of 0x12; end of line; absolute run of 5 with a pad byte; a
    // delta one column right; a run of 1 at an odd column, keeping its neighbour.
    const std::vector<uint8_t> data = {0x05, 0x12, 0x00, 0x00, 0x00, 0x05, 0x34, 0x56, 0x70,
                                       0x00, 0x00, 0x02, 0x01, 0x00, 0x01, 0x90, 0x00, 0x01};
    TDIB dib;
    ReadPayload(dib, RlePayload(8, 2, 4, data));
    std::vector<uint32_t> bottom, top;
    for (int x = 0; x < 8; ++x) {
        bottom.push_back(dib.Pixel(x, 1));
        top.push_back(dib.Pixel(x, 0));
    }
    EXPECT_EQ(bottom, (std::vector<uint32_t>{1, 2, 1, 2, 1, 0, 0, 0}));
    EXPECT_EQ(top, (std::vector<uint32_t>{3, 4, 5, 6, 7, 0, 9, 0}));
}

TEST(DibRle, EightBitAbsoluteRunsArePaddedToEvenOffsets) {
    // Absolute run of 3 (pad byte 0xFF must be skipped), then a run of 2 of 8.
    TDIB dib;
    ReadPayload(dib, RlePayload(6, 1, 8, {0x00, 0x03, 0x0A, 0x0B, 0x0C, 0xFF, 0x02, 0x08, 0x00, 0x01}));
    std::vector<uint32_t> row;
    for (int x = 0; x < 6; ++x) row.push_back(dib.Pixel(x, 0));
    EXPECT_EQ(row, (std::vector<uint32_t>{10, 11, 12, 8, 8, 0}));
}

TEST(DibRle, RunsLeavingTheImageAndMissingEscapesStayInside) {
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
    };
    const std::vector<Case> cases = {
        {"run past the row end", {0xFF, 0x11}},
        {"absolute run past the row end", {0x00, 0x05, 1, 2, 3, 4, 5, 0x00, 0x00, 0x01}},
        {"delta above the top", {0x00, 0x02, 0x01, 0xFF, 0x03, 0x22}},
        {"delta right past the row", {0x00, 0x02, 0xF0, 0x00, 0x03, 0x22}},
        {"end of line past the top", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x33}},
        {"data ends in an absolute run", {0x02, 0x44, 0x00, 0xFE, 0x01, 0x02}},
        {"data ends in a delta", {0x01, 0x55, 0x00, 0x02, 0x01}},
        {"data ends in a pair", {0x01}},
        {"no end of bitmap", {0x02, 0x66}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DecodeGuarded(false, c.data, 3, 2);
        DecodeGuarded(true, c.data, 3, 2);
    }
    const std::vector<uint8_t> rows = DecodeGuarded(false, {0xFF, 0x11, 0x00, 0x00, 0x02, 0x22}, 3, 2);
    EXPECT_EQ(rows, (std::vector<uint8_t>{0x11, 0x11, 0x11, 0, 0x22, 0x22, 0, 0}));
    const std::vector<uint8_t> odd = DecodeGuarded(true, {0x09, 0xAB}, 3, 1);
    EXPECT_EQ(odd, (std::vector<uint8_t>{0xAB, 0xA0, 0, 0}));
}

TEST(DibRle, ArbitraryDataNeverWritesOutsideTheImage) {
    Random random(99);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> data(random.next() % 64);
        for (auto& byte : data) {
            // Mostly escapes and short counts, so that every command is met.
            const uint32_t r = random.next();
            byte = (r & 3) == 0 ? static_cast<uint8_t>(r >> 8) : static_cast<uint8_t>((r >> 8) % 6);
        }
        const int width = 1 + static_cast<int>(random.next() % 9), height = 1 + static_cast<int>(random.next() % 4);
        DecodeGuarded(round & 1, data, width, height);
        if (HasFailure()) {
            ADD_FAILURE() << "round " << round;
            break;
        }
    }
}

TEST(DibRle, EncoderOutputDecodesToTheSameImage) {
    Random random(3);
    TDIB dib;
    dib.SetSize(300, 7, 8);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 300;) {
            // Alternating long runs, short runs and stretches of noise.
            const int length = 1 + static_cast<int>(random.next() % (y == 3 ? 300 : 9));
            const bool noise = random.next() & 1;
            const uint8_t value = random.byte();
            for (int k = 0; k < length && x < 300; ++k, ++x) dib.SetPixel(x, y, noise ? random.byte() : value);
        }
    }
    TMemoryStream out;
    WriteDIBDataRLE8(dib, out);
    const std::vector<uint8_t> payload = out.Bytes();
    EXPECT_EQ(payload[16], 1);
    const uint32_t data_size = payload[20] | (payload[21] << 8) | (payload[22] << 16);
    EXPECT_EQ(payload.size(), 40 + 1024 + data_size);
    EXPECT_LT(data_size, 300u * 7u + 7u * 2u + 2u + 300u);
    TDIB back;
    EXPECT_EQ(ReadPayload(back, payload), static_cast<int64_t>(payload.size()));
    EXPECT_TRUE(back.Compressed());
    EXPECT_EQ(Rows(back), Rows(dib));

    TDIB wrong;
    wrong.SetSize(2, 2, 24);
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { WriteDIBDataRLE8(wrong, out); }), "Bitcount in invalid (24)");
}

TEST(DibRle, CompressionMustMatchTheBitCount) {
    for (int bits : {24, 1, 8}) {
        Bytes b = Header40(4, 1, bits, bits == 8 ? 2 : 1, 4);
        b.table(bits <= 8 ? 1 << bits : 0).u8(0x04).u8(0x01).u8(0x00).u8(0x01);
        TDIB dib;
        EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { ReadPayload(dib, b.vec()); }), "DIB is invalid") << bits;
    }
}

TEST(DibRle, StatedDataSizeMustBeInTheStream) {
    Bytes b = Header40(4, 4, 8, 1, 0xFFFFFFF0u);
    b.table(256).u8(0).u8(1);
    TDIB dib;
    EXPECT_EQ(MessageOf<EReadError>([&] { ReadPayload(dib, b.vec()); }), "Stream read error");
    EXPECT_TRUE(dib.Empty());
}

TEST(DibRle, ImageTheSystemCannotGiveStaysCompressed) {
    // The system's bitmap limit, lowered below the image: expanding it is refused.
    const size_t system_limit = platform::SetMaxDibSectionBytes(1024);
    TDIB dib;
    ReadPayload(dib, RlePayload(64, 64, 8, {0x00, 0x01}));
    EXPECT_EQ(dib.Width(), 64);
    EXPECT_EQ(MessageOf<EOutOfResources>([&] { dib.ScanLineReadOnly(0); }), "DIB cannot be made");
    EXPECT_TRUE(dib.Compressed());
    EXPECT_EQ(MessageOf<EOutOfResources>([&] { dib.Canvas(); }), "DIB cannot be made");
    platform::SetMaxDibSectionBytes(system_limit);
}
