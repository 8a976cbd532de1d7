#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <atomic>
#include <cstdlib>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KLICE_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KLICE_TEST_ASAN 1
#endif
#ifdef KLICE_TEST_ASAN
// The sanitizer runtime's allocation hooks (gcc ships no header for them).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
#endif

#include "data/dib.h"
#include "data/errors.h"
#include "dib_test_util.h"
#include "platform/dib_section.h"

using namespace klice;
using namespace klice::test;

namespace {

// An 8-bit image whose pixel (x, y from the top) is x + 10 y.
TDIB Gradient8(int width, int height) {
    TDIB dib;
    dib.SetSize(width, height, 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) dib.SetPixel(x, y, static_cast<uint32_t>(x + 10 * y));
    return dib;
}

std::vector<uint8_t> Payload(TDIB& dib) {
    TMemoryStream out;
    dib.WriteData(out);
    return out.Bytes();
}

struct LimitGuard {
    size_t old;
    explicit LimitGuard(size_t bytes) : old(platform::SetMaxDibSectionBytes(bytes)) {}
    ~LimitGuard() { platform::SetMaxDibSectionBytes(old); }
};

#ifdef KLICE_TEST_ASAN
// The address sanitizer reserves far more address space than any limit that
// would catch a 17 GB request, so under it the allocator's hook watches the
// requests instead.
std::atomic<size_t> largest_request{0};
void NoteRequest(const volatile void*, size_t size) {
    size_t seen = largest_request.load(std::memory_order_relaxed);
    while (size > seen && !largest_request.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
}
void NoteFree(const volatile void*) {}
#endif

// Runs in a child process: taking the 17 GB the header asks for would fail as
// "DIB cannot be made" under a 4 GiB address space limit, or show as a
// request above 1 GiB under the address sanitizer; the reader must refuse
// first, with the stream's own error. Unused where GoogleTest has no death
// tests (the browser build).
[[noreturn, maybe_unused]] void ReadHugeHeaderUnderMemoryLimit() {
#ifdef KLICE_TEST_ASAN
    __sanitizer_install_malloc_and_free_hooks(NoteRequest, NoteFree);
    const auto within_limit = [] { return largest_request.load() <= (size_t(1) << 30); };
#else
#if !defined(_WIN32)  // Windows has no address space limit to set: the reader is simply let try
    rlimit limit{size_t(4) << 30, size_t(4) << 30};
    setrlimit(RLIMIT_AS, &limit);
#endif
    const auto within_limit = [] { return true; };
#endif
    Bytes b = Header12(65535, 65535, 32);
    b.fill(10, 0);
    TDIB dib;
    try {
        ReadPayload(dib, b.vec());
    } catch (const EReadError& e) {
        if (!within_limit()) std::exit(5);
        std::exit(e.Message() == "Stream read error" ? 0 : 2);
    } catch (...) {
        std::exit(3);
    }
    std::exit(4);
}

}  // namespace

// ---- header ---------------------------------------------------------------

TEST(DibHeader, NoBytesGiveTheEmptyImageWithItsGreyRamp) {
    TDIB dib = Gradient8(3, 2);
    EXPECT_EQ(ReadPayload(dib, {}), 0);
    EXPECT_TRUE(dib.Empty());
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
    EXPECT_EQ(dib.BitCount(), 0);
    EXPECT_EQ(dib.ColorTable()[0], (TRGBQuad{0, 0, 0, 0}));
    EXPECT_EQ(dib.ColorTable()[200], (TRGBQuad{200, 200, 200, 0}));
    EXPECT_EQ(dib.PixelFormat(), MakeDIBPixelFormat(8, 8, 8));
    EXPECT_FALSE(dib.InDibSection());
}

TEST(DibHeader, OneToThreeBytesAndUnknownHeaderSizesAreInvalidAndKeepTheImage) {
    TDIB dib = Gradient8(3, 2);
    for (const auto& payload : {std::vector<uint8_t>{40}, std::vector<uint8_t>{40, 0}, std::vector<uint8_t>{40, 0, 0},
                                Header40(1, 1, 8).vec()}) {
        std::vector<uint8_t> bad = payload;
        if (bad.size() > 4) bad[0] = 108;  // a later header version
        EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { ReadPayload(dib, bad); }), "DIB is invalid");
    }
    for (uint32_t size : {0u, 11u, 41u, 124u}) {
        Bytes b;
        b.u32(size).fill(200, 0);
        EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { ReadPayload(dib, b.vec()); }), "DIB is invalid") << size;
    }
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Pixel(2, 1), 12u);
}

TEST(DibHeader, TwelveByteHeaderHasUnsignedSizesAndThreeByteColourEntries) {
    // 32768 would be negative as a signed 16-bit width.
    Bytes b = Header12(32768, 1, 1);
    b.table(2, 3).fill(4096, 0xA5);
    TDIB dib;
    EXPECT_EQ(ReadPayload(dib, b.vec()), 12 + 6 + 4096);
    EXPECT_EQ(dib.Width(), 32768);
    EXPECT_EQ(dib.Height(), 1);
    EXPECT_EQ(dib.ColorTable()[1], (TRGBQuad{1, 2, 3, 0}));
    EXPECT_EQ(dib.ColorTable()[2], (TRGBQuad{}));
    EXPECT_EQ(dib.Pixel(0, 0), 1u);
    EXPECT_EQ(dib.Pixel(1, 0), 0u);
}

TEST(DibHeader, NegativeWidthIsInvalid) {
    Bytes b = Header40(-4, 1, 8);
    b.table(256).fill(16, 0);
    TDIB dib;
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { ReadPayload(dib, b.vec()); }), "DIB is invalid");
}

// ---- format ---------------------------------------------------------------

TEST(DibFormat, MaskWidthIsTheRunFromTheLowestSetBit) {
    EXPECT_EQ(MaskBitCount(0xFF0000), 8);
    EXPECT_EQ(MaskBitCount(0x07E0), 6);
    EXPECT_EQ(MaskBitCount(0x0F0F), 4);  // stops at the first gap
    EXPECT_EQ(MaskBitCount(0), 0);
    EXPECT_EQ(MaskBitCount(0x80000000u), 0);  // bit 31 alone is never a start
    EXPECT_EQ(MaskBitCount(0xC0000000u), 2);
}

TEST(DibFormat, FormatIsRebuiltFromChannelWidths) {
    const TDIBPixelFormat f555 = MakeDIBPixelFormat(5, 5, 5);
    EXPECT_EQ(f555.RBitMask, 0x7C00u);
    EXPECT_EQ(f555.GBitMask, 0x03E0u);
    EXPECT_EQ(f555.BBitMask, 0x001Fu);
    EXPECT_EQ(f555.RShift, 7);
    EXPECT_EQ(f555.GShift, 2);
    EXPECT_EQ(f555.BShift, 3);
    EXPECT_EQ(f555.RBitCount2, 3);
    const TDIBPixelFormat f565 = MakeDIBPixelFormatMask(0x001F, 0x07E0, 0xF800);
    EXPECT_EQ(f565.RBitMask, 0xF800u);
    EXPECT_EQ(f565.GBitMask, 0x07E0u);
    EXPECT_EQ(f565.GShift, 3);
    EXPECT_EQ(f565.GBitCount2, 2);
    // Absurd widths do not shift past the word; they just fail the check later.
    EXPECT_EQ(MakeDIBPixelFormat(32, 32, 0).RBitMask, 0u);
}

TEST(DibFormat, ThirtyTwoBitsWithBitFieldsReadsMasksAndNoColourTable) {
    for (bool reversed : {false, true}) {
        Bytes b = Header40(96, 96, 32, 3);
        if (reversed)
            b.u32(0x0000FF).u32(0x00FF00).u32(0xFF0000);
        else
            b.u32(0xFF0000).u32(0x00FF00).u32(0x0000FF);
        b.fill(36864, 0x11);
        TDIB dib;
        EXPECT_EQ(ReadPayload(dib, b.vec()), 36916);
        EXPECT_EQ(dib.BitCount(), 32);
        EXPECT_EQ(dib.PixelFormat(), MakeDIBPixelFormat(8, 8, 8));
        EXPECT_EQ(dib.Size(), 36864u);
        EXPECT_EQ(dib.Pixel(95, 95), 0x11111111u);
    }
}

TEST(DibFormat, SixteenBitFormats) {
    auto read16 = [](uint32_t compression, std::vector<uint32_t> masks) {
        Bytes b = Header40(2, 2, 16, compression);
        for (uint32_t m : masks) b.u32(m);
        b.fill(8, 0);
        TDIB dib;
        ReadPayload(dib, b.vec());
        return dib.PixelFormat();
    };
    EXPECT_EQ(read16(0, {}), MakeDIBPixelFormat(5, 5, 5));
    EXPECT_EQ(read16(3, {0xF800, 0x07E0, 0x001F}), MakeDIBPixelFormat(5, 6, 5));
    EXPECT_EQ(read16(3, {0x7C00, 0x03E0, 0x001F}), MakeDIBPixelFormat(5, 5, 5));
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { read16(3, {0xF00, 0x0F0, 0x00F}); }), "PixelFormat in invalid");
}

TEST(DibFormat, MasksMustFitTheBitCount) {
    Bytes b = Header40(2, 2, 24, 3);
    b.u32(0xF800).u32(0x07E0).u32(0x001F).fill(16, 0);
    TDIB dib;
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { ReadPayload(dib, b.vec()); }), "PixelFormat in invalid");
}

TEST(DibFormat, UnsupportedBitCountsNameTheirCount) {
    for (int bits : {2, 0, 12, 64}) {
        Bytes b = Header40(4, 4, bits);
        b.table(bits <= 8 ? 1 << bits : 0).fill(256, 0);
        TDIB dib;
        EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { ReadPayload(dib, b.vec()); }),
                  "Bitcount in invalid (" + std::to_string(bits) + ")");
    }
}

TEST(DibFormat, UnknownCompressionIsInvalidButOnlyAfterTheFormatChecks) {
    Bytes good = Header40(4, 4, 8, 4);
    good.table(256).fill(64, 0);
    TDIB dib;
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { ReadPayload(dib, good.vec()); }), "DIB is invalid");
    Bytes bad_bits = Header40(4, 4, 2, 5);
    bad_bits.table(4).fill(64, 0);
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { ReadPayload(dib, bad_bits.vec()); }),
              "Bitcount in invalid (2)");
}

// ---- colour table ---------------------------------------------------------

TEST(DibTable, EightBitsWithNoCountReadsAllEntries) {
    Bytes b = Header40(60, 76, 8);
    b.table(256).fill(60 * 76, 7);
    TDIB dib;
    EXPECT_EQ(ReadPayload(dib, b.vec()), 5624);
    EXPECT_EQ(dib.ColorTable()[255], (TRGBQuad{255, 254, 253, 255 ^ 0x5A}));  // reserved kept
    EXPECT_EQ(dib.Pixel(59, 75), 7u);
}

TEST(DibTable, CountsAreCutAndUnstoredEntriesAreZero) {
    struct Case {
        int bits;
        uint32_t used;
        int stored;
    };
    for (const Case c :
         {Case{8, 300, 256}, Case{8, 2, 2}, Case{24, 0, 0}, Case{24, 3, 3}, Case{4, 0, 16}, Case{1, 0, 2}}) {
        const int width = 4, height = 2;
        const size_t pixel_bytes = platform::DibStride(width, c.bits) * height;
        Bytes b = Header40(width, height, c.bits, 0, 0, c.used);
        b.table(c.stored).fill(pixel_bytes, 0);
        TDIB dib;
        EXPECT_EQ(ReadPayload(dib, b.vec()), static_cast<int64_t>(b.size())) << c.bits << " " << c.used;
        if (c.stored > 0) {
            EXPECT_EQ(dib.ColorTable()[c.stored - 1].rgbGreen, uint8_t(2 * (c.stored - 1)));
        }
        if (c.stored < 256) {
            EXPECT_EQ(dib.ColorTable()[c.stored], TRGBQuad{});
        }
    }
}

// ---- pixels ---------------------------------------------------------------

TEST(DibPixels, RowsArePaddedToWholeWords) {
    EXPECT_EQ(Gradient8(177, 2).WidthBytes(), 180u);
    EXPECT_EQ(platform::DibStride(449, 8), 452u);
    EXPECT_EQ(platform::DibStride(3, 24), 12u);
    EXPECT_EQ(platform::DibStride(33, 1), 8u);
    EXPECT_EQ(platform::DibStride(5, 4), 4u);
}

TEST(DibPixels, BottomUpStorageAndTopDownStorageGiveTheSameImage) {
    const int width = 5, height = 3;
    Bytes bottom_up = Header40(width, height, 8);
    Bytes top_down = Header40(width, -height, 8);
    bottom_up.table(256);
    top_down.table(256);
    for (int stored = 0; stored < height; ++stored) {
        for (int x = 0; x < 8; ++x) bottom_up.u8(stored * 16 + x);
        for (int x = 0; x < 8; ++x) top_down.u8((height - 1 - stored) * 16 + x);
    }
    TDIB a, b;
    ReadPayload(a, bottom_up.vec());
    ReadPayload(b, top_down.vec());
    EXPECT_EQ(b.Height(), height);
    EXPECT_EQ(Rows(a), Rows(b));
    // The first stored row of a bottom-up image is the bottom row.
    EXPECT_EQ(a.Pixel(0, height - 1), 0u);
    EXPECT_EQ(a.Pixel(4, 0), 36u);
}

TEST(DibPixels, SmallDepthsUnpackHighBitsFirst) {
    Bytes b1 = Header40(10, 1, 1);
    b1.table(2).u8(0b10100000).u8(0b01000000).u16(0);
    TDIB one;
    ReadPayload(one, b1.vec());
    std::vector<uint32_t> bits;
    for (int x = 0; x < 10; ++x) bits.push_back(one.Pixel(x, 0));
    EXPECT_EQ(bits, (std::vector<uint32_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));

    Bytes b4 = Header40(3, 1, 4);
    b4.table(16).u8(0x9A).u8(0xB0).u16(0);
    TDIB four;
    ReadPayload(four, b4.vec());
    EXPECT_EQ(four.Pixel(0, 0), 9u);
    EXPECT_EQ(four.Pixel(1, 0), 10u);
    EXPECT_EQ(four.Pixel(2, 0), 11u);
}

TEST(DibPixels, ScanLineOutsideTheImageNamesTheRow) {
    TDIB dib = Gradient8(4, 3);
    EXPECT_EQ(dib.ScanLine(0)[1], 1);
    EXPECT_EQ(dib.ScanLineReadOnly(2)[3], 23);
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { dib.ScanLine(3); }),
              "Index of the scanning line exceeded the range. (3)");
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { dib.ScanLineReadOnly(-1); }),
              "Index of the scanning line exceeded the range. (-1)");
}

TEST(DibPixels, EncodeThenDecodeAtEveryDepth) {
    Random random(7);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (bool five_six_five : {false, true}) {
            if (five_six_five && bits != 16) continue;
            TDIB dib;
            dib.SetSize(13, 5, bits);
            if (five_six_five) dib.SetPixelFormat(MakeDIBPixelFormat(5, 6, 5));
            TRGBQuads table{};
            for (auto& e : table) e = {random.byte(), random.byte(), random.byte(), 0};
            dib.SetColorTable(table);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 13; ++x) dib.SetPixel(x, y, random.next());
            const std::vector<uint8_t> payload = Payload(dib);
            TDIB back;
            EXPECT_EQ(ReadPayload(back, payload), static_cast<int64_t>(payload.size()));
            EXPECT_EQ(back.Width(), 13);
            EXPECT_EQ(back.BitCount(), bits);
            EXPECT_EQ(back.PixelFormat(), dib.PixelFormat()) << bits;
            EXPECT_EQ(Rows(back), Rows(dib)) << bits;
            const int colours = bits <= 8 ? 1 << bits : 0;
            for (int i = 0; i < colours; ++i) EXPECT_EQ(back.ColorTable()[i], table[i]);
        }
    }
    TDIB empty, back = Gradient8(2, 2);
    EXPECT_TRUE(Payload(empty).empty());
    ReadPayload(back, Payload(empty));
    EXPECT_TRUE(back.Empty());
}

TEST(DibPixels, EncodedSizesOfTheStoredPictures) {
    struct Picture {
        int width, height, bits;
        size_t block;  // with the 5 bytes of the class name before the payload
    };
    for (const Picture p : {Picture{60, 76, 8, 5629}, Picture{30, 30, 8, 2029}, Picture{96, 96, 32, 36921},
                            Picture{1024, 768, 24, 2359341}, Picture{449, 140, 8, 64349}, Picture{127, 79, 8, 11181},
                            Picture{128, 86, 8, 12077}, Picture{177, 81, 8, 15649}, Picture{190, 88, 8, 17965},
                            Picture{168, 30, 8, 6109}}) {
        TDIB dib;
        dib.SetSize(p.width, p.height, p.bits);
        const std::vector<uint8_t> payload = Payload(dib);
        EXPECT_EQ(payload.size() + 5, p.block) << p.width << "x" << p.height;
        // 32 bits are stored as bit fields with the plain masks.
        const uint32_t compression = payload[16];
        EXPECT_EQ(compression, p.bits == 32 ? 3u : 0u);
        if (p.bits == 32) {
            EXPECT_EQ(payload[40 + 2], 0xFF);  // red mask 0x00FF0000
        }
    }
}

TEST(DibPixels, EveryTruncationFailsCleanlyAndKeepsTheImage) {
    TDIB eight = Gradient8(5, 3);
    TDIB thirty_two;
    thirty_two.SetSize(3, 2, 32);
    Bytes twelve = Header12(3, 2, 4);
    twelve.table(16, 3).fill(8, 0x12);
    Bytes top_down = Header40(3, -3, 24);
    top_down.fill(36, 0x33);
    for (const std::vector<uint8_t>& whole : {Payload(eight), Payload(thirty_two), twelve.vec(), top_down.vec()}) {
        for (size_t length = 1; length < whole.size(); ++length) {
            TDIB dib = Gradient8(2, 2);
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(length));
            try {
                ReadPayload(dib, cut);
                ADD_FAILURE() << "length " << length << " of " << whole.size() << " was accepted";
            } catch (const EReadError& e) {
                EXPECT_EQ(e.Message(), "Stream read error");
            } catch (const EInvalidGraphic& e) {
                EXPECT_LT(length, 4u);
            }
            EXPECT_EQ(dib.Width(), 2);
            EXPECT_EQ(dib.Pixel(1, 1), 11u);
        }
    }
}

TEST(DibPixels, HugeHeaderWithLittleDataFailsBeforeTakingMemory) {
#if GTEST_HAS_DEATH_TEST
    EXPECT_EXIT(ReadHugeHeaderUnderMemoryLimit(), ::testing::ExitedWithCode(0), "");
#else
    GTEST_SKIP() << "the memory limit is set in a child process, and this system's GoogleTest cannot start one";
#endif
}

TEST(DibPixels, SizeArithmeticOfTheLargestHeadersDoesNotWrap) {
    for (int bits : {32, 24, 1}) {
        Bytes b = Header40(0x7FFFFFFF, -0x7FFFFFFF, bits);
        b.table(bits == 1 ? 2 : 0).fill(10, 0);
        TDIB dib;
        EXPECT_EQ(MessageOf<EReadError>([&] { ReadPayload(dib, b.vec()); }), "Stream read error");
    }
}

TEST(DibPixels, ZeroWidthTopDownImageIsReadAtOnce) {
    // Rows of no bytes: reading a huge number of them one by one took
    // minutes; such a height is now over the data budget.
    for (int bits : {32, 24, 8}) {
        Bytes b = Header40(0, -32768, bits);
        b.table(bits == 8 ? 256 : 0);
        TDIB dib;
        ReadPayload(dib, b.vec());
        EXPECT_EQ(dib.Width(), 0);
        EXPECT_EQ(dib.Height(), 32768);
        EXPECT_TRUE(dib.Empty());
        Bytes huge = Header40(0, -0x2B000000, bits);
        huge.table(bits == 8 ? 256 : 0);
        EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { ReadPayload(dib, huge.vec()); }), "DIB is invalid");
    }
}

// ---- sharing, canvas, platform header -------------------------------------

TEST(DibSharing, CopiesShareUntilOneOfThemChangesPixels) {
    TDIB a = Gradient8(4, 4);
    TDIB b;
    b.Assign(a);
    EXPECT_EQ(a.ShareCount(), 2);
    EXPECT_EQ(a.PBitsReadOnly(), b.PBitsReadOnly());
    b.SetPixel(1, 1, 99);
    EXPECT_EQ(a.ShareCount(), 1);
    EXPECT_NE(a.PBitsReadOnly(), b.PBitsReadOnly());
    EXPECT_EQ(a.Pixel(1, 1), 11u);
    EXPECT_EQ(b.Pixel(1, 1), 99u);
    EXPECT_EQ(b.Pixel(2, 3), 32u);
    TDIB c(a);
    c.SetColorTable(TRGBQuads{});
    EXPECT_EQ(a.ColorTable()[5].rgbRed, 5);
    EXPECT_EQ(c.ColorTable()[5].rgbRed, 0);
}

TEST(DibSharing, ChangeIsReportedOnlyForAnImageThatWasReplaced) {
    TDIB dib;
    int changes = 0;
    dib.OnChange = [&](TGraphic&) { ++changes; };
    Bytes good = Header40(1, 1, 24);
    good.fill(4, 0);
    ReadPayload(dib, good.vec());
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(ReadPayload(dib, {1, 2}), EInvalidGraphic);
    EXPECT_EQ(changes, 1);
}

TEST(DibCanvas, FirstCanvasMovesThePixelsIntoADibSection) {
    TDIB dib = Gradient8(6, 3);
    TDIB other(dib);
    EXPECT_FALSE(dib.InDibSection());
    TDIBCanvas& canvas = dib.Canvas();
    EXPECT_TRUE(dib.InDibSection());
    EXPECT_FALSE(other.InDibSection());
    const platform::DibView view = canvas.View();
    EXPECT_EQ(view.width, 6);
    EXPECT_EQ(view.height, 3);
    EXPECT_EQ(view.stride, 8);
    EXPECT_EQ(view.pixels, dib.SharedImage().PBits());
    EXPECT_EQ(view.pixels[0], 20);  // bottom row first
    canvas.SetPixel(0, 0, 77);
    EXPECT_EQ(canvas.Pixel(0, 0), 77u);
    EXPECT_EQ(other.Pixel(0, 0), 0u);
    EXPECT_EQ(&dib.Canvas(), &canvas);
    TDIB empty;
    EXPECT_EQ(empty.Canvas().View().width, 0);
    EXPECT_TRUE(empty.InDibSection());
}

TEST(DibCanvas, ADibSectionThatCannotBeMadeLeavesTheImageInPlainMemory) {
    TDIB dib = Gradient8(64, 64);
    {
        LimitGuard small(1024);
        EXPECT_EQ(MessageOf<EOutOfResources>([&] { dib.Canvas(); }), "DIB cannot be made");
    }
    EXPECT_FALSE(dib.InDibSection());
    EXPECT_EQ(dib.Pixel(5, 6), 65u);
    EXPECT_NO_THROW(dib.Canvas());
    EXPECT_EQ(dib.Pixel(5, 6), 65u);
}

TEST(DibCanvas, ViewCarriesMasksOnlyForPackedPixels) {
    TDIB dib;
    dib.SetSize(3, 2, 16);
    dib.SetPixelFormat(MakeDIBPixelFormat(5, 6, 5));
    platform::DibView view = dib.View();
    EXPECT_EQ(view.bit_count, 16);
    EXPECT_EQ(view.r_mask, 0xF800u);
    EXPECT_EQ(view.b_mask, 0x1Fu);
    TDIB eight = Gradient8(2, 2);
    TRGBQuads table{};
    table[1] = {10, 20, 30, 0};
    eight.SetColorTable(table);
    view = eight.View();
    EXPECT_EQ(view.r_mask, 0u);
    EXPECT_EQ(view.color_table[4 + 2], 30);
}

TEST(DibBitmapInfo, DescribesTheDecodedImage) {
    struct Case {
        int bits;
        uint32_t compression;
        int header_bytes, colours;
    };
    for (const Case c : {Case{1, 0, 40, 2}, Case{4, 0, 40, 16}, Case{8, 0, 40, 256}, Case{16, 3, 52, 0},
                         Case{24, 0, 40, 0}, Case{32, 3, 52, 0}}) {
        TDIB dib;
        dib.SetSize(7, 3, c.bits);
        const TDIBBitmapInfo& info = dib.BitmapInfo();
        EXPECT_EQ(info.biSize, 40u);
        EXPECT_EQ(info.biCompression, c.compression) << c.bits;
        EXPECT_EQ(info.HeaderBytes(), c.header_bytes);
        EXPECT_EQ(info.ColorCount, c.colours);
        EXPECT_EQ(info.biSizeImage, dib.WidthBytes() * 3);
        if (c.bits == 16) {
            EXPECT_EQ(info.Masks[0], 0x7C00u);
        }
    }
}

TEST(DibSetSize, ChecksItsBitCountAndFormat) {
    TDIB dib;
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { dib.SetSize(2, 2, 2); }), "Bitcount in invalid (2)");
    dib.SetSize(2, 2, 16);
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { dib.SetPixelFormat(MakeDIBPixelFormat(4, 4, 4)); }),
              "PixelFormat in invalid");
    EXPECT_EQ(dib.PixelFormat(), MakeDIBPixelFormat(5, 5, 5));
    EXPECT_EQ(MessageOf<EOutOfResources>([&] { dib.SetSize(65535, 65535, 32); }), "DIB cannot be made");
}
