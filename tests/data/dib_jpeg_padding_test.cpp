// How the libjpeg decoder of the Unix desktops pads JPEG data that ends
// early: exactly as the library itself does, and cheaply for a tall
// picture. Built with that backend only (other systems' codecs have their
// own ways with a cut picture, which the other DIB tests allow for).
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "data/dib.h"
#include "dib_test_util.h"
#include "tests/support/jpeg_encoder.h"

using namespace klice;
using namespace klice::test;
using klice::testing::EncodeJpeg;

namespace {

// The pixels (0xRRGGBB, rows from the top) as the library itself decodes
// them from memory, which pads data that ends early as the game's decoder
// does.
std::vector<uint32_t> LibraryDecode(const std::vector<uint8_t>& jpeg, int* width, int* height) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    err.emit_message = [](j_common_ptr, int) {};
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *width = static_cast<int>(cinfo.output_width);
    *height = static_cast<int>(cinfo.output_height);
    const int n = cinfo.output_components;
    std::vector<uint8_t> row(static_cast<size_t>(*width * n));
    std::vector<uint32_t> out;
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        for (int x = 0; x < *width; ++x) {
            const uint8_t* p = row.data() + x * n;
            out.push_back(n == 1 ? uint32_t(p[0]) * 0x010101u : uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

// The offset of the start-of-frame marker, which holds the height and the
// width after its length and precision.
size_t StartOfFrame(const std::vector<uint8_t>& jpeg) {
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) return i;
    return 0;
}

// The pixel of a 24-bit image as 0xRRGGBB.
uint32_t Rgb(TDIB& dib, int x, int y) { return dib.Pixel(x, y); }

void Load(TDIB& dib, const std::vector<uint8_t>& bytes) {
    TBytesViewStream stream(bytes);
    dib.LoadFromStream(stream);
}

}  // namespace

TEST(DibJpegPadding, JpegCutShortDecodesExactlyAsTheLibraryPadsIt) {
    // Tall enough that the rows after the data outnumber those that still
    // blend real data; cut in the first third of the coded data.
    for (int components : {3, 1})
        for (bool progressive : {false, true}) {
            const std::vector<uint8_t> whole = EncodeJpeg(24, 400, components, progressive);
            size_t data = 0;  // after the first start-of-scan marker
            while (data + 1 < whole.size() && !(whole[data] == 0xFF && whole[data + 1] == 0xDA)) ++data;
            ASSERT_LT(data + 1, whole.size());
            const size_t length = data + (whole.size() - data) / 3;
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(length));
            int width = 0, height = 0;
            const std::vector<uint32_t> expected = LibraryDecode(cut, &width, &height);
            TDIB dib;
            Load(dib, cut);
            ASSERT_EQ(dib.Width(), width);
            ASSERT_EQ(dib.Height(), height);
            int mismatches = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (Rgb(dib, x, y) != expected[size_t(y) * width + x] && ++mismatches < 5)
                        ADD_FAILURE() << components << " " << progressive << " at " << x << "," << y << ": " << std::hex
                                      << Rgb(dib, x, y) << " not " << expected[size_t(y) * width + x];
            EXPECT_EQ(mismatches, 0);
        }
}

TEST(DibJpegPadding, FewJpegBytesClaimingTensOfThousandsOfRowsAreFilledNotDecoded) {
    // A fuzzer's find: a few hundred bytes whose frame claimed 2048 x 62976
    // pixels; decoding every padded row took minutes under the sanitizers.
    // The data budget now refuses that size; its tallest picture, 32768
    // rows of 256, still comes from the same few bytes.
    std::vector<uint8_t> jpeg = EncodeJpeg(16, 16, 3);
    const size_t sof = StartOfFrame(jpeg);
    ASSERT_NE(sof, 0u);
    jpeg[sof + 5] = 0x80;  // height 32768
    jpeg[sof + 6] = 0x00;
    jpeg[sof + 7] = 0x01;  // width 256
    jpeg[sof + 8] = 0x00;
    jpeg.resize(jpeg.size() - 40);  // and the data ends early
    TDIB dib;
    Load(dib, jpeg);
    ASSERT_EQ(dib.Width(), 256);
    ASSERT_EQ(dib.Height(), 32768);
    // Blocks without data are mid-grey, to the last row.
    EXPECT_EQ(Rgb(dib, 255, 32767), 0x808080u);
    EXPECT_EQ(Rgb(dib, 0, 30000), 0x808080u);
}
