#include "data/dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "data/dib_rle.h"
#include "data/errors.h"
#include "platform/data_budget.h"
#include "platform/jpeg_decoder.h"
#include "platform/pixel_codec.h"

namespace klice {

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

[[noreturn]] void ThrowInvalid() { throw EInvalidGraphic(kDIBInvalid); }
[[noreturn]] void ThrowCannotBeMade() { throw EOutOfResources(Format("%s cannot be made", "DIB")); }

TRGBQuads GreyRamp() {
    TRGBQuads table;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        table[i] = {v, v, v, 0};
    }
    return table;
}

// The bit count and format checks of a new image.
void CheckFormat(int bit_count, const TDIBPixelFormat& format) {
    switch (bit_count) {
        case 1:
        case 4:
        case 8:
        case 24:
        case 32:
            if (format.RBitMask != 0xFF0000 || format.GBitMask != 0x00FF00 || format.BBitMask != 0x0000FF)
                throw EInvalidGraphicOperation(kPixelFormatInvalid);
            break;
        case 16:
            if (!((format.RBitMask == 0x7C00 && format.GBitMask == 0x03E0 && format.BBitMask == 0x001F) ||
                  (format.RBitMask == 0xF800 && format.GBitMask == 0x07E0 && format.BBitMask == 0x001F)))
                throw EInvalidGraphicOperation(kPixelFormatInvalid);
            break;
        default: throw EInvalidGraphicOperation(Format(kBitCountInvalid, bit_count));
    }
}

TDIBPixelFormat DefaultFormat(int bit_count) {
    return bit_count == 16 ? MakeDIBPixelFormat(5, 5, 5) : MakeDIBPixelFormat(8, 8, 8);
}

}  // namespace

// ---- pixel format ----------------------------------------------------------

TDIBPixelFormat MakeDIBPixelFormat(int r_bits, int g_bits, int b_bits) {
    // Masks of 2^count - 1 shifted into place; widths beyond 32 bits fall off
    // the top, so a format that cannot exist fails the format check instead.
    auto mask = [](int bits, int shift) -> uint32_t {
        if (bits <= 0 || shift >= 32) return 0;
        const uint64_t ones = bits >= 32 ? 0xFFFFFFFFull : (1ull << bits) - 1;
        return static_cast<uint32_t>(ones << shift);
    };
    TDIBPixelFormat f;
    f.RBitCount = r_bits;
    f.GBitCount = g_bits;
    f.BBitCount = b_bits;
    f.RBitMask = mask(r_bits, g_bits + b_bits);
    f.GBitMask = mask(g_bits, b_bits);
    f.BBitMask = mask(b_bits, 0);
    f.RShift = r_bits + g_bits + b_bits - 8;
    f.GShift = g_bits + b_bits - 8;
    f.BShift = 8 - b_bits;
    f.RBitCount2 = 8 - r_bits;
    f.GBitCount2 = 8 - g_bits;
    f.BBitCount2 = 8 - b_bits;
    return f;
}

int MaskBitCount(uint32_t mask) {
    int bit = 0;
    while (bit <= 30 && !(mask & (1u << bit))) ++bit;
    if (bit > 30) return 0;
    int count = 0;
    while (bit + count < 32 && (mask & (1u << (bit + count)))) ++count;
    return count;
}

TDIBPixelFormat MakeDIBPixelFormatMask(uint32_t r_mask, uint32_t g_mask, uint32_t b_mask) {
    return MakeDIBPixelFormat(MaskBitCount(r_mask), MaskBitCount(g_mask), MaskBitCount(b_mask));
}

// ---- shared image ----------------------------------------------------------

void TDIBSharedImage::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

std::shared_ptr<TDIBSharedImage> TDIBSharedImage::MakeEmpty() {
    std::shared_ptr<TDIBSharedImage> image(new TDIBSharedImage);
    image->color_table_ = GreyRamp();
    image->UpdateBitmapInfo();
    return image;
}

std::shared_ptr<TDIBSharedImage> TDIBSharedImage::MakeHeader(int width, int height, int bit_count,
                                                             const TDIBPixelFormat& format, const TRGBQuads& table) {
    std::shared_ptr<TDIBSharedImage> image(new TDIBSharedImage);
    image->width_ = width;
    image->height_ = height;
    image->bit_count_ = bit_count;
    image->format_ = format;
    image->color_table_ = table;
    uint64_t bytes = 0;
    if (platform::DibImageBytes(width, height, bit_count, &bytes) && bytes <= SIZE_MAX) {
        image->stride_ = static_cast<size_t>(platform::DibStride(width, bit_count));
        image->size_ = static_cast<size_t>(bytes);
    } else {
        // Only reachable for images that can never have pixels: the callers
        // refuse them before asking for memory.
        image->stride_ = 0;
        image->size_ = std::numeric_limits<size_t>::max();
    }
    image->UpdateBitmapInfo();
    return image;
}

void TDIBSharedImage::AllocatePlain(bool zeroed) {
    const size_t n = size_ == 0 ? 1 : size_;
    void* memory = zeroed ? std::calloc(n, 1) : std::malloc(n);
    if (memory == nullptr) ThrowCannotBeMade();
    memory_.reset(static_cast<uint8_t*>(memory));
    section_.reset();
    pixels_ = memory_.get();
}

void TDIBSharedImage::Decompress() {
    if (!Compressed()) return;
    uint64_t bytes = 0;
    if (!platform::DibImageBytes(width_, height_, bit_count_, &bytes) || bytes > platform::MaxDibSectionBytes())
        ThrowCannotBeMade();
    AllocatePlain(true);
    if (compression_ == dcRLE4)
        DecodeRLE4(rle_data_, width_, height_, stride_, pixels_);
    else
        DecodeRLE8(rle_data_, width_, height_, stride_, pixels_);
    compression_ = dcNone;
    std::vector<uint8_t>().swap(rle_data_);
    UpdateBitmapInfo();
}

std::shared_ptr<TDIBSharedImage> TDIBSharedImage::Clone() {
    auto copy = MakeHeader(width_, height_, bit_count_, format_, color_table_);
    if (Compressed()) {
        // The copy is expanded; the shared original stays compressed.
        copy->rle_data_ = rle_data_;
        copy->compression_ = compression_;
        copy->Decompress();
        return copy;
    }
    copy->AllocatePlain(false);
    if (size_ != 0) std::memcpy(copy->pixels_, pixels_, size_);
    return copy;
}

void TDIBSharedImage::MoveToDibSection() {
    Decompress();
    if (section_) return;
    auto section = platform::DibSection::Create(width_, height_, bit_count_);
    if (!section) ThrowCannotBeMade();
    if (size_ != 0) std::memcpy(section->Pixels(), pixels_, size_);
    section_ = std::move(section);
    memory_.reset();
    pixels_ = section_->Pixels();
}

void TDIBSharedImage::UpdateBitmapInfo() {
    TDIBBitmapInfo info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biBitCount = static_cast<uint16_t>(bit_count_);
    if (compression_ != dcNone) {
        info.biCompression = compression_;
        info.biSizeImage = static_cast<uint32_t>(rle_data_.size());
    } else {
        info.biCompression = (bit_count_ == 16 || bit_count_ == 32) ? dcBitFields : dcNone;
        info.biSizeImage = size_ > UINT32_MAX ? 0 : static_cast<uint32_t>(size_);
    }
    if (info.biCompression == dcBitFields) {
        info.Masks[0] = format_.RBitMask;
        info.Masks[1] = format_.GBitMask;
        info.Masks[2] = format_.BBitMask;
    }
    info.ColorCount = (bit_count_ >= 1 && bit_count_ <= 8) ? 1 << bit_count_ : 0;
    info.biClrUsed = static_cast<uint32_t>(info.ColorCount);
    info_ = info;
}

// ---- canvas ----------------------------------------------------------------

platform::DibView TDIBCanvas::View() {
    dib_.OwnInDibSection();
    return dib_.View();
}

uint32_t TDIBCanvas::Pixel(int x, int y) {
    dib_.OwnInDibSection();
    return dib_.Pixel(x, y);
}

void TDIBCanvas::SetPixel(int x, int y, uint32_t value) {
    dib_.OwnInDibSection();
    dib_.SetPixel(x, y, value);
}

// ---- TDIB ------------------------------------------------------------------

TDIB::TDIB() : image_(TDIBSharedImage::MakeEmpty()) {}

TDIB::TDIB(const TDIB& source) : TGraphic(), image_(source.image_) {}

TDIB& TDIB::operator=(const TDIB& source) {
    Assign(source);
    return *this;
}

void TDIB::Assign(const TDIB& source) {
    if (&source == this || source.image_ == image_) return;
    ReplaceImage(source.image_);
}

void TDIB::ReplaceImage(std::shared_ptr<TDIBSharedImage> image) {
    image_ = std::move(image);
    Changed();
}

TDIBSharedImage& TDIB::Decoded() {
    image_->Decompress();
    return *image_;
}

TDIBSharedImage& TDIB::Own() {
    if (image_.use_count() > 1)
        image_ = image_->Clone();
    else
        image_->Decompress();
    return *image_;
}

TDIBSharedImage& TDIB::OwnInDibSection() {
    Own().MoveToDibSection();
    return *image_;
}

void TDIB::SetSize(int width, int height, int bit_count) {
    if (width < 0 || height < 0) throw EInvalidGraphicOperation(kDIBInvalid);
    const TDIBPixelFormat format = DefaultFormat(bit_count);
    CheckFormat(bit_count, format);
    uint64_t bytes = 0;
    if (!platform::DibImageBytes(width, height, bit_count, &bytes) || bytes > platform::MaxDibSectionBytes())
        ThrowCannotBeMade();
    auto image = TDIBSharedImage::MakeHeader(width, height, bit_count, format, image_->ColorTable());
    image->AllocatePlain(true);
    ReplaceImage(std::move(image));
}

void TDIB::SetPixelFormat(const TDIBPixelFormat& format) {
    CheckFormat(BitCount(), format);
    if (format == PixelFormat()) return;
    TDIBSharedImage& image = Own();
    image.format_ = format;
    image.UpdateBitmapInfo();
    Changed();
}

void TDIB::SetColorTable(const TRGBQuads& table) {
    TDIBSharedImage& image = Own();
    image.color_table_ = table;
    Changed();
}

void TDIB::Clear() {
    if (Empty() && BitCount() == 0) return;
    ReplaceImage(TDIBSharedImage::MakeEmpty());
}

uint8_t* TDIB::ScanLine(int y) {
    if (y < 0 || y >= Height()) throw EInvalidGraphicOperation(Format(kScanLineRangeError, y));
    TDIBSharedImage& image = Own();
    return image.pixels_ + static_cast<size_t>(image.height_ - 1 - y) * image.stride_;
}

const uint8_t* TDIB::ScanLineReadOnly(int y) {
    if (y < 0 || y >= Height()) throw EInvalidGraphicOperation(Format(kScanLineRangeError, y));
    TDIBSharedImage& image = Decoded();
    return image.pixels_ + static_cast<size_t>(image.height_ - 1 - y) * image.stride_;
}

uint8_t* TDIB::PBits() { return Own().pixels_; }

const uint8_t* TDIB::PBitsReadOnly() { return Decoded().pixels_; }

uint32_t TDIB::Pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
    return platform::ReadRawPixel(ScanLineReadOnly(y), x, BitCount());
}

void TDIB::SetPixel(int x, int y, uint32_t value) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    platform::WriteRawPixel(ScanLine(y), x, BitCount(), value);
}

platform::DibView TDIB::View() {
    TDIBSharedImage& image = Decoded();
    if (image.stride_ > static_cast<size_t>(std::numeric_limits<int>::max())) ThrowCannotBeMade();
    platform::DibView view;
    view.width = image.width_;
    view.height = image.height_;
    view.bit_count = image.bit_count_;
    view.stride = static_cast<int>(image.stride_);
    view.pixels = image.pixels_;
    view.color_table = reinterpret_cast<const uint8_t*>(image.color_table_.data());
    if (image.bit_count_ == 16 || image.bit_count_ == 32) {
        view.r_mask = image.format_.RBitMask;
        view.g_mask = image.format_.GBitMask;
        view.b_mask = image.format_.BBitMask;
    }
    return view;
}

TDIBCanvas& TDIB::Canvas() {
    OwnInDibSection();
    if (!canvas_) canvas_ = std::make_unique<TDIBCanvas>(*this);
    return *canvas_;
}

// ---- reading ---------------------------------------------------------------

void TDIB::ReadData(TStream& stream) {
    uint8_t size_bytes[4];
    const size_t got = stream.Read(size_bytes, sizeof size_bytes);
    if (got == 0) {
        ReplaceImage(TDIBSharedImage::MakeEmpty());
        return;
    }
    if (got < sizeof size_bytes) ThrowInvalid();

    int64_t width = 0, height = 0;
    int bit_count = 0;
    uint32_t compression = dcNone, size_image = 0, colors_used = 0;
    bool top_down = false;
    const uint32_t header_size = Get32(size_bytes);
    if (header_size == 12) {
        uint8_t h[8];
        stream.ReadBuffer(h, sizeof h);
        width = Get16(h);
        height = Get16(h + 2);
        bit_count = Get16(h + 6);
    } else if (header_size == 40) {
        uint8_t h[36];
        stream.ReadBuffer(h, sizeof h);
        width = static_cast<int32_t>(Get32(h));
        height = static_cast<int32_t>(Get32(h + 4));
        bit_count = Get16(h + 10);
        compression = Get32(h + 12);
        size_image = Get32(h + 16);
        colors_used = Get32(h + 28);
        if (height < 0) {
            top_down = true;
            height = -height;
        }
        // A negative width, and a height whose magnitude does not fit the
        // image's own fields, describe no image.
        if (width < 0 || height > std::numeric_limits<int32_t>::max()) ThrowInvalid();
    } else {
        ThrowInvalid();
    }

    TDIBPixelFormat format;
    if (compression == dcBitFields) {
        uint8_t m[12];
        stream.ReadBuffer(m, sizeof m);
        format = MakeDIBPixelFormatMask(Get32(m), Get32(m + 4), Get32(m + 8));
    } else {
        format = DefaultFormat(bit_count);
    }

    uint32_t count = colors_used;
    if (count == 0 && bit_count <= 8) count = 1u << bit_count;
    if (count > 256) count = 256;
    TRGBQuads table{};
    {
        const size_t entry = header_size == 12 ? 3 : 4;
        uint8_t raw[256 * 4];
        stream.ReadBuffer(raw, count * entry);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = raw + i * entry;
            table[i] = {e[0], e[1], e[2], entry == 4 ? e[3] : uint8_t(0)};
        }
    }

    CheckFormat(bit_count, format);
    auto image =
        TDIBSharedImage::MakeHeader(static_cast<int>(width), static_cast<int>(height), bit_count, format, table);
    const bool uncompressed = compression == dcNone || compression == dcBitFields;
    if (uncompressed) {
        // The header alone must not decide how much memory is taken: the
        // stream has to hold every promised byte first.
        uint64_t bytes = 0;
        if (!platform::DibImageBytes(width, height, bit_count, &bytes) ||
            bytes > static_cast<uint64_t>(stream.Remaining()))
            throw EReadError(kStreamReadError);
        if (!platform::budget::TakePicture(width, height, bytes)) ThrowInvalid();
        image->AllocatePlain(false);
        // A zero-width image has rows of no bytes, however many it claims:
        // there is nothing to read.
        if (!top_down || image->stride_ == 0) {
            stream.ReadBuffer(image->pixels_, image->size_);
        } else {
            for (int64_t row = 0; row < height; ++row)
                stream.ReadBuffer(image->pixels_ + static_cast<size_t>(height - 1 - row) * image->stride_,
                                  image->stride_);
        }
    } else if (compression == dcRLE8 || compression == dcRLE4) {
        // Run-length data only describes 8-bit (RLE8) and 4-bit (RLE4) pixels.
        if (bit_count != (compression == dcRLE8 ? 8 : 4)) ThrowInvalid();
        if (size_image > static_cast<uint64_t>(stream.Remaining())) throw EReadError(kStreamReadError);
        // A few bytes of runs may declare any size: the picture it expands to
        // is what the budget weighs.
        uint64_t bytes = 0;
        if (!platform::DibImageBytes(width, height, bit_count, &bytes) ||
            !platform::budget::TakePicture(width, height, bytes))
            ThrowInvalid();
        image->rle_data_.resize(size_image);
        stream.ReadBuffer(image->rle_data_.data(), size_image);
        image->compression_ = static_cast<TDIBCompression>(compression);
        image->UpdateBitmapInfo();
    } else {
        ThrowInvalid();
    }
    ReplaceImage(std::move(image));
}

void TDIB::LoadFromStream(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t header[14];
    size_t got = 0;
    while (got < sizeof header) {
        const size_t n = stream.Read(header + got, sizeof header - got);
        if (n == 0) break;
        got += n;
    }
    if (got == 0) return;
    if (got < sizeof header) ThrowInvalid();
    if (header[0] == 0xFF && header[1] == 0xD8) {
        stream.SetPosition(start);
        std::vector<uint8_t> data(static_cast<size_t>(stream.Remaining()));
        stream.ReadBuffer(data.data(), data.size());
        platform::JpegPixels decoded;
        std::string message;
        // The frame header's size is weighed before anything is decoded.
        platform::budget::PictureAllowance allowance = platform::budget::NextPicture();
        allowance.bytes = std::min<uint64_t>(allowance.bytes, platform::MaxDibSectionBytes());
        switch (platform::DecodeJpeg(data.data(), data.size(), allowance, &decoded, &message)) {
            case platform::JpegStatus::Ok: break;
            case platform::JpegStatus::Invalid: throw EInvalidGraphic(message);
            case platform::JpegStatus::TooLarge: throw EInvalidGraphic(kJpegInvalid);
            case platform::JpegStatus::OutOfMemory: ThrowCannotBeMade();
        }
        if (!platform::budget::TakePicture(decoded.width, decoded.height, decoded.stride * size_t(decoded.height)))
            throw EInvalidGraphic(kJpegInvalid);  // the decoder keeps to the allowance: never taken
        auto image = TDIBSharedImage::MakeHeader(decoded.width, decoded.height, 24, DefaultFormat(24), GreyRamp());
        image->memory_.reset(decoded.pixels.release());
        image->pixels_ = image->memory_.get();
        ReplaceImage(std::move(image));
        return;
    }
    if (header[0] != 'B' || header[1] != 'M') ThrowInvalid();
    ReadData(stream);
}

// ---- writing ---------------------------------------------------------------

void TDIB::WritePayload(TStream& stream, TDIBCompression compression, const uint8_t* data, size_t data_size) {
    const TDIBSharedImage& image = *image_;
    const int bits = image.bit_count_;
    const int colors = (bits >= 1 && bits <= 8) ? 1 << bits : 0;
    uint8_t header[40 + 12] = {};
    auto put16 = [&](int at, uint32_t v) {
        header[at] = static_cast<uint8_t>(v);
        header[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(image.width_));
    put32(8, static_cast<uint32_t>(image.height_));
    put16(12, 1);
    put16(14, static_cast<uint32_t>(bits));
    put32(16, compression);
    put32(20, static_cast<uint32_t>(data_size));
    // Resolutions, colours used and colours important stay 0: every entry
    // the bit count allows is written.
    size_t header_bytes = 40;
    if (compression == dcBitFields) {
        put32(40, image.format_.RBitMask);
        put32(44, image.format_.GBitMask);
        put32(48, image.format_.BBitMask);
        header_bytes = 52;
    }
    stream.WriteBuffer(header, header_bytes);
    if (colors > 0) stream.WriteBuffer(image.color_table_.data(), static_cast<size_t>(colors) * 4);
    stream.WriteBuffer(data, data_size);
}

void TDIB::WriteData(TStream& stream) {
    if (Empty() && BitCount() == 0) return;  // read back as the empty image
    TDIBSharedImage& image = Decoded();
    const TDIBCompression compression = (image.bit_count_ == 16 || image.bit_count_ == 32) ? dcBitFields : dcNone;
    WritePayload(stream, compression, image.pixels_, image.size_);
}

void TDIB::SaveToStream(TStream& stream) {
    TMemoryStream payload;
    WriteData(payload);
    if (payload.Size() == 0) return;
    const uint64_t file_size = 14 + static_cast<uint64_t>(payload.Size());
    const int bits = BitCount();
    const uint32_t colors = (bits >= 1 && bits <= 8) ? 1u << bits : 0;
    const uint32_t masks = (bits == 16 || bits == 32) ? 12 : 0;
    uint8_t header[14] = {'B', 'M'};
    const uint32_t size32 = file_size > UINT32_MAX ? 0 : static_cast<uint32_t>(file_size);
    const uint32_t offset = 14 + 40 + masks + colors * 4;
    for (int i = 0; i < 4; ++i) {
        header[2 + i] = static_cast<uint8_t>(size32 >> (8 * i));
        header[10 + i] = static_cast<uint8_t>(offset >> (8 * i));
    }
    stream.WriteBuffer(header, sizeof header);
    stream.WriteBuffer(payload.Memory(), payload.Bytes().size());
}

void WriteDIBDataRLE8(TDIB& dib, TStream& stream) {
    if (dib.BitCount() != 8) throw EInvalidGraphicOperation(Format(kBitCountInvalid, dib.BitCount()));
    const uint8_t* pixels = dib.PBitsReadOnly();
    std::vector<uint8_t> data = EncodeRLE8(pixels, dib.Width(), dib.Height(), dib.WidthBytes());
    dib.WritePayload(stream, dcRLE8, data.data(), data.size());
}

}  // namespace klice
