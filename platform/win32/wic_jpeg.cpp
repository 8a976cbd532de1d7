// JPEG decoding by the system's codec (WIC).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/jpeg_decoder.h"
#include "platform/win32/wic.h"

namespace klice::platform {

void JpegPixels::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

namespace {

using win32::ComPtr;

// The picture's size from its frame header, read before the codec sees the
// data: some codecs take the memory for the whole picture when they open it.
bool FrameSize(const uint8_t* data, size_t size, uint32_t* width, uint32_t* height) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return false;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        const bool start_of_frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (start_of_frame) {
            if (at + 9 > size) return false;
            *height = uint32_t(data[at + 5]) << 8 | data[at + 6];
            *width = uint32_t(data[at + 7]) << 8 | data[at + 8];
            return true;
        }
        if (marker == 0xDA || length < 2) return false;  // scan data before any frame
        at += 2 + length;
    }
    return false;
}

std::string Explain(const char* what, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

JpegStatus DecodeJpeg(const uint8_t* data, size_t size, size_t max_bytes, JpegPixels* out, std::string* message) {
    std::string why;
    auto invalid = [&](const char* what, HRESULT hr) {
        if (message) *message = Explain(what, hr);
        return JpegStatus::Invalid;
    };
    IWICImagingFactory* factory = win32::ImagingFactory();
    if (!factory) return invalid("Starting the imaging component", E_NOINTERFACE);
    if (size > 0xFFFFFFFFu) return invalid("Reading", E_INVALIDARG);
    uint32_t claimed_width = 0, claimed_height = 0;
    if (FrameSize(data, size, &claimed_width, &claimed_height) &&
        (uint64_t(claimed_width) * 3 + 3) / 4 * 4 * claimed_height > max_bytes)
        return JpegStatus::TooLarge;

    ComPtr<IWICStream> stream;
    HRESULT hr = factory->CreateStream(stream.Out());
    if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(const_cast<BYTE*>(data), DWORD(size));
    if (FAILED(hr)) return invalid("Reading", hr);
    ComPtr<IWICBitmapDecoder> decoder;
    hr = factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, decoder.Out());
    if (SUCCEEDED(hr)) hr = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand);
    if (FAILED(hr)) return invalid("Reading the JPEG header", hr);
    ComPtr<IWICBitmapFrameDecode> frame;
    hr = decoder->GetFrame(0, frame.Out());
    UINT width = 0, height = 0;
    if (SUCCEEDED(hr)) hr = frame->GetSize(&width, &height);
    if (FAILED(hr)) return invalid("Reading the JPEG frame", hr);

    // The size is known before any pixel memory is taken.
    const uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;
    const uint64_t bytes = stride * height;  // both factors below 2^34
    if (bytes > max_bytes) return JpegStatus::TooLarge;
    if (width == 0 || height == 0) return invalid("Reading the JPEG frame", E_INVALIDARG);

    // Grey, RGB and CMYK pictures all come out as blue-green-red: grey
    // widened here, the others by the system's converter.
    WICPixelFormatGUID format{};
    frame->GetPixelFormat(&format);
    const bool grey = IsEqualGUID(format, GUID_WICPixelFormat8bppGray);
    ComPtr<IWICBitmapSource> bgr;
    if (!grey) {
        hr = ::WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.Get(), bgr.Out());
        if (FAILED(hr)) return invalid("Converting the JPEG pixels", hr);
    }

    auto* pixels = static_cast<uint8_t*>(std::calloc(size_t(bytes), 1));
    if (!pixels) return JpegStatus::OutOfMemory;
    // Row by row into a bottom-up block.
    for (UINT y = 0; y < height; ++y) {
        WICRect row{0, INT(y), INT(width), 1};
        uint8_t* out = pixels + (height - 1 - y) * stride;
        // A grey row goes to the end of the output row, then spreads leftwards.
        hr = grey ? frame->CopyPixels(&row, width, width, out + 2 * width)
                  : bgr->CopyPixels(&row, UINT(stride), UINT(stride), out);
        if (FAILED(hr)) {
            std::free(pixels);
            return invalid("Decoding the JPEG pixels", hr);
        }
        if (grey)
            for (UINT x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = out[2 * width + x];
    }
    out->width = int(width);
    out->height = int(height);
    out->stride = size_t(stride);
    out->pixels.reset(pixels);
    return JpegStatus::Ok;
}

}  // namespace klice::platform
