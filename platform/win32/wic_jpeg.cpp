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

std::string Explain(const char* what, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

JpegStatus DecodeJpeg(const uint8_t* data, size_t size, const budget::PictureAllowance& allowance, JpegPixels* out,
                      std::string* message) {
    std::string why;
    auto invalid = [&](const char* what, HRESULT hr) {
        if (message) *message = Explain(what, hr);
        return JpegStatus::Invalid;
    };
    IWICImagingFactory* factory = win32::ImagingFactory();
    if (!factory) return invalid("Starting the imaging component", E_NOINTERFACE);
    if (size > 0xFFFFFFFFu) return invalid("Reading", E_INVALIDARG);
    // Weighed before the codec sees the data: some codecs take the memory
    // for the whole picture when they open it.
    uint32_t claimed_width = 0, claimed_height = 0;
    if (JpegFrameSize(data, size, &claimed_width, &claimed_height) &&
        !allowance.Admits(claimed_width, claimed_height, (uint64_t(claimed_width) * 3 + 3) / 4 * 4 * claimed_height))
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
    if (!allowance.Admits(width, height, bytes)) return JpegStatus::TooLarge;
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
