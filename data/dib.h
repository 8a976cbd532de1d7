// The device-independent bitmap graphic (TDIB) and its shared decoded image.
//
// The stored form (the data after the class name in a picture data block):
// a header of 12 or 40 bytes, three colour masks when the compression is bit
// fields, the colour table, then the pixel rows (bottom row first unless the
// stored height is negative) or run-length data. The decoded image is shared
// between TDIB objects assigned from one another and copied before one of
// them changes pixels; run-length data stays compressed until pixels, a scan
// line or the canvas are first asked for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/graphics.h"
#include "platform/dib_section.h"
#include "platform/display_device.h"

namespace klice {

struct TRGBQuad {
    uint8_t rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
    bool operator==(const TRGBQuad&) const = default;
};
using TRGBQuads = std::array<TRGBQuad, 256>;

// Channel layout of 16- and 32-bit pixels (the other depths carry 8, 8, 8).
struct TDIBPixelFormat {
    int RBitCount = 8, GBitCount = 8, BBitCount = 8;
    uint32_t RBitMask = 0xFF0000, GBitMask = 0x00FF00, BBitMask = 0x0000FF;
    // Packing an 8-bit channel into a pixel: red and green shift left by
    // these, blue shifts right; then the mask is applied.
    int RShift = 16, GShift = 8, BShift = 0;
    // Widening a packed channel back to 8 bits: shift left by 8 - count and
    // or the result with itself shifted right by count.
    int RBitCount2 = 0, GBitCount2 = 0, BBitCount2 = 0;

    bool operator==(const TDIBPixelFormat&) const = default;
};

// The format of packed red over green over blue with these channel widths.
TDIBPixelFormat MakeDIBPixelFormat(int r_bits, int g_bits, int b_bits);
// The run of set bits that starts at the lowest set bit among bits 0..30.
int MaskBitCount(uint32_t mask);
// The format rebuilt from the widths of stored masks, whatever their order.
TDIBPixelFormat MakeDIBPixelFormatMask(uint32_t r_mask, uint32_t g_mask, uint32_t b_mask);

enum TDIBCompression : uint32_t { dcNone = 0, dcRLE8 = 1, dcRLE4 = 2, dcBitFields = 3 };

// The bitmap header that describes the decoded image to the platform.
struct TDIBBitmapInfo {
    uint32_t biSize = 40;
    int32_t biWidth = 0, biHeight = 0;
    uint16_t biPlanes = 1, biBitCount = 0;
    uint32_t biCompression = dcNone;
    uint32_t biSizeImage = 0;
    uint32_t biClrUsed = 0;
    uint32_t Masks[3] = {0, 0, 0};  // appended after the header for bit fields
    int ColorCount = 0;             // colour entries following the header (and masks)

    // 40, or 52 with the masks appended.
    int HeaderBytes() const { return biCompression == dcBitFields ? 52 : 40; }
};

// The decoded image. It is shared through std::shared_ptr (its count is the
// number of TDIB objects holding it); TDIB copies it before changing pixels.
class TDIBSharedImage {
public:
    // The empty image: 0 x 0, bit count 0, grey ramp, format 8, 8, 8.
    static std::shared_ptr<TDIBSharedImage> MakeEmpty();

    TDIBSharedImage(const TDIBSharedImage&) = delete;
    TDIBSharedImage& operator=(const TDIBSharedImage&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bit_count_; }
    size_t WidthBytes() const { return stride_; }
    size_t Size() const { return size_; }
    const TDIBPixelFormat& PixelFormat() const { return format_; }
    const TRGBQuads& ColorTable() const { return color_table_; }
    const TDIBBitmapInfo& BitmapInfo() const { return info_; }
    // dcRLE8 or dcRLE4 while the run-length data has not been expanded.
    TDIBCompression Compression() const { return compression_; }
    bool Compressed() const { return compression_ != dcNone; }
    const std::vector<uint8_t>& CompressedData() const { return rle_data_; }
    // True once the pixels have moved into a DIB section (the canvas needs it).
    bool InDibSection() const { return section_ != nullptr; }
    // The pixel block, bottom row first; null while compressed.
    uint8_t* PBits() const { return pixels_; }

private:
    friend class TDIB;
    TDIBSharedImage() = default;
    struct FreeDeleter {
        void operator()(uint8_t* p) const;
    };

    // An image of these dimensions without pixel memory.
    static std::shared_ptr<TDIBSharedImage> MakeHeader(int width, int height, int bit_count,
                                                       const TDIBPixelFormat& format, const TRGBQuads& table);
    // Plain pixel memory for the whole block, zeroed or not.
    void AllocatePlain(bool zeroed);
    // Expands run-length data into a new plain block; the image is unchanged
    // when that fails.
    void Decompress();
    // An uncompressed copy in plain memory.
    std::shared_ptr<TDIBSharedImage> Clone();
    // Moves the pixels into a DIB section.
    void MoveToDibSection();
    void UpdateBitmapInfo();

    int width_ = 0, height_ = 0, bit_count_ = 0;
    size_t stride_ = 0, size_ = 0;
    TDIBPixelFormat format_;
    TRGBQuads color_table_{};
    TDIBBitmapInfo info_;
    TDIBCompression compression_ = dcNone;
    std::vector<uint8_t> rle_data_;
    std::unique_ptr<uint8_t, FreeDeleter> memory_;
    std::unique_ptr<platform::DibSection> section_;
    uint8_t* pixels_ = nullptr;
};

class TDIB;

// The drawing canvas over a DIB: its pixels live in a DIB section, where the
// device-context copies of the display read them.
class TDIBCanvas {
public:
    explicit TDIBCanvas(TDIB& dib) : dib_(dib) {}
    // The image in the DIB section (valid until the image is next changed).
    platform::DibView View();
    uint32_t Pixel(int x, int y);
    void SetPixel(int x, int y, uint32_t value);

private:
    TDIB& dib_;
};

class TDIB : public TGraphic {
public:
    TDIB();
    // Copies share the image until one of them changes pixels.
    TDIB(const TDIB& source);
    TDIB& operator=(const TDIB& source);
    void Assign(const TDIB& source);

    const char* ClassName() const override { return "TDIB"; }
    int Width() const override { return image_->Width(); }
    int Height() const override { return image_->Height(); }
    bool Empty() const override { return image_->Width() == 0 || image_->Height() == 0; }
    int BitCount() const { return image_->BitCount(); }
    size_t WidthBytes() const { return image_->WidthBytes(); }
    size_t Size() const { return image_->Size(); }
    const TDIBPixelFormat& PixelFormat() const { return image_->PixelFormat(); }
    const TRGBQuads& ColorTable() const { return image_->ColorTable(); }
    const TDIBBitmapInfo& BitmapInfo() const { return image_->BitmapInfo(); }
    bool Compressed() const { return image_->Compressed(); }
    bool InDibSection() const { return image_->InDibSection(); }
    const TDIBSharedImage& SharedImage() const { return *image_; }
    // How many TDIB objects hold this image.
    long ShareCount() const { return image_.use_count(); }

    // A new zeroed uncompressed image (the colour table is kept; 16 bits get
    // 5-5-5). Bit counts 1, 4, 8, 16, 24 and 32.
    void SetSize(int width, int height, int bit_count);
    // 16 bits: 5-5-5 or 5-6-5; others: 8-8-8 only. Pixels are kept as they are.
    void SetPixelFormat(const TDIBPixelFormat& format);
    void SetColorTable(const TRGBQuads& table);
    void Clear();

    // Row y counted from the top, decompressed if needed. The writable form
    // gives this TDIB its own copy first.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLineReadOnly(int y);
    // The whole bottom-up pixel block.
    uint8_t* PBits();
    const uint8_t* PBitsReadOnly();
    // Raw pixel values (a palette index, or the packed pixel); 0 outside.
    uint32_t Pixel(int x, int y);
    void SetPixel(int x, int y, uint32_t value);

    // The decoded image for a device-context copy; valid until the next change.
    platform::DibView View();
    // The canvas; the first request moves the pixels into a DIB section.
    TDIBCanvas& Canvas();

    // The stored payload. WriteData writes a 40-byte header, bottom-up
    // uncompressed rows, bit fields for 16 and 32 bits.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;
    // The file form: a 14-byte file header ("BM") and the payload, or JPEG.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

private:
    friend class TDIBCanvas;
    void ReplaceImage(std::shared_ptr<TDIBSharedImage> image);
    // Decompresses the shared image in place (all holders see the pixels).
    TDIBSharedImage& Decoded();
    // Gives this TDIB an image of its own, uncompressed.
    TDIBSharedImage& Own();
    TDIBSharedImage& OwnInDibSection();
    void WritePayload(TStream& stream, TDIBCompression compression, const uint8_t* data, size_t data_size);
    friend void WriteDIBDataRLE8(TDIB& dib, TStream& stream);

    std::shared_ptr<TDIBSharedImage> image_;
    std::unique_ptr<TDIBCanvas> canvas_;
};

// The payload of an 8-bit DIB with RLE8 compression (40-byte header, 256
// colour entries, the run-length data).
void WriteDIBDataRLE8(TDIB& dib, TStream& stream);

inline constexpr const char* kDIBInvalid = "DIB is invalid";
// A JPEG inside a picture that cannot be decoded, or declares too much.
inline constexpr const char* kJpegInvalid = "JPEG image is not valid";
inline constexpr const char* kPixelFormatInvalid = "PixelFormat in invalid";
inline constexpr const char* kBitCountInvalid = "Bitcount in invalid (%d)";
inline constexpr const char* kScanLineRangeError = "Index of the scanning line exceeded the range. (%d)";

}  // namespace klice
