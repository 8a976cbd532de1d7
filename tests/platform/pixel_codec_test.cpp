#include "platform/pixel_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace klice::platform {
namespace {

// A pixel written at x into a row of zeros: the bytes it leaves, and that
// it reads back as written.
struct case_ {
    int bits, x;
    uint32_t raw;
    std::vector<uint8_t> row;  // the row's first bytes afterwards
    uint32_t read_back;
};

TEST(PixelCodec, EveryDepthKeepsItsLayoutAndReadsBackWhatWasWritten) {
    const case_ cases[] = {
        {1, 0, 1, {0x80, 0x00}, 1},  // the first pixel is the top bit
        {1, 9, 1, {0x00, 0x40}, 1},
        {4, 0, 0xA, {0xA0}, 0xA},  // the first pixel is the high nibble
        {4, 1, 0x3, {0x03}, 0x3},
        {8, 3, 0x1FF, {0, 0, 0, 0xFF}, 0xFF},         // only what fits is kept
        {16, 1, 0xABCD, {0, 0, 0xCD, 0xAB}, 0xABCD},  // low byte first
        {24, 1, 0x123456, {0, 0, 0, 0x56, 0x34, 0x12}, 0x123456},
        {32, 1, 0x11223344, {0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11}, 0x11223344},
        {2, 0, 0xFF, {0x00}, 0},  // no such depth: nothing written, 0 read
    };
    for (const case_& c : cases) {
        uint8_t row[8] = {};
        WriteRawPixel(row, c.x, c.bits, c.raw);
        EXPECT_EQ(std::vector<uint8_t>(row, row + c.row.size()), c.row) << c.bits << " bits at " << c.x;
        EXPECT_EQ(ReadRawPixel(row, c.x, c.bits), c.read_back) << c.bits << " bits at " << c.x;
    }
}

TEST(PixelCodec, PackedPixelsLeaveTheirNeighbours) {
    uint8_t bits[2] = {0xFF, 0xFF};
    WriteRawPixel(bits, 9, 1, 0);
    EXPECT_EQ(bits[1], 0xBF);
    EXPECT_EQ(ReadRawPixel(bits, 8, 1), 1u);
    uint8_t nibbles[2] = {0xA3, 0xF0};
    WriteRawPixel(nibbles, 1, 4, 0x5);
    EXPECT_EQ(nibbles[0], 0xA5);
    EXPECT_EQ(ReadRawPixel(nibbles, 2, 4), 0xFu);
}

}  // namespace
}  // namespace klice::platform
