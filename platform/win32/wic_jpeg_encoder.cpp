// JPEG encoding by the system's codec (WIC), into memory.
#include <cstring>

#include "platform/jpeg_encoder.h"
#include "platform/win32/wic.h"

namespace klice::platform {

using win32::ComPtr;

bool EncodeJpeg(const uint8_t* samples, int width, int height, int components, bool progressive,
                std::vector<uint8_t>* out) {
    if (width <= 0 || height <= 0 || (components != 1 && components != 3) || progressive) return false;
    IWICImagingFactory* factory = win32::ImagingFactory();
    if (!factory) return false;
    ComPtr<IStream> memory;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, memory.Out()))) return false;
    ComPtr<IWICBitmapEncoder> encoder;
    HRESULT hr = factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Out());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(memory.Get(), WICBitmapEncoderNoCache);
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.Out(), options.Out());
    if (SUCCEEDED(hr) && options) {
        PROPBAG2 quality{};
        quality.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT best;
        ::VariantInit(&best);
        best.vt = VT_R4;
        best.fltVal = 1.0f;
        options->Write(1, &quality, &best);  // a codec without the option keeps its default
    }
    if (SUCCEEDED(hr)) hr = frame->Initialize(options.Get());
    if (SUCCEEDED(hr)) hr = frame->SetSize(UINT(width), UINT(height));
    const WICPixelFormatGUID wanted = components == 3 ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat8bppGray;
    WICPixelFormatGUID format = wanted;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (FAILED(hr) || !IsEqualGUID(format, wanted)) return false;
    // Rows padded to four bytes; colour as blue, green, red.
    const UINT row = UINT(width) * UINT(components), stride = (row + 3) / 4 * 4;
    std::vector<uint8_t> pixels(size_t(stride) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = samples + size_t(y) * row;
        uint8_t* p = &pixels[size_t(y) * stride];
        if (components == 1) {
            std::memcpy(p, in, row);
            continue;
        }
        for (int x = 0; x < width; ++x, in += 3, p += 3) {
            p[0] = in[2];
            p[1] = in[1];
            p[2] = in[0];
        }
    }
    hr = frame->WritePixels(UINT(height), stride, UINT(pixels.size()), pixels.data());
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    HGLOBAL global = nullptr;
    if (SUCCEEDED(hr)) hr = ::GetHGlobalFromStream(memory.Get(), &global);
    STATSTG stat{};
    if (FAILED(hr) || FAILED(memory->Stat(&stat, STATFLAG_NONAME))) return false;
    const auto* bytes = static_cast<const uint8_t*>(::GlobalLock(global));
    if (!bytes) return false;
    out->assign(bytes, bytes + stat.cbSize.QuadPart);
    ::GlobalUnlock(global);
    return true;
}

}  // namespace klice::platform
