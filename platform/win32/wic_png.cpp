// PNG encoding by the system's codec (WIC), into memory.
#include <cstring>

#include "platform/png_encoder.h"
#include "platform/win32/wic.h"

namespace klice::platform {

using win32::ComPtr;

bool EncodePng(const uint8_t* rgb, int width, int height, std::vector<uint8_t>* out) {
    if (width <= 0 || height <= 0) return false;
    IWICImagingFactory* factory = win32::ImagingFactory();
    if (!factory) return false;
    ComPtr<IStream> memory;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, memory.Out()))) return false;
    ComPtr<IWICBitmapEncoder> encoder;
    HRESULT hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(memory.Get(), WICBitmapEncoderNoCache);
    ComPtr<IWICBitmapFrameEncode> frame;
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.Out(), nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    if (SUCCEEDED(hr)) hr = frame->SetSize(UINT(width), UINT(height));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (FAILED(hr) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return false;
    // The encoder takes blue-green-red rows padded to four bytes.
    const UINT stride = (UINT(width) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> bgr(size_t(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* in = rgb + (size_t(y) * width + x) * 3;
            uint8_t* p = &bgr[size_t(y) * stride + size_t(x) * 3];
            p[0] = in[2];
            p[1] = in[1];
            p[2] = in[0];
        }
    hr = frame->WritePixels(UINT(height), stride, UINT(bgr.size()), bgr.data());
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    HGLOBAL global = nullptr;
    if (SUCCEEDED(hr)) hr = ::GetHGlobalFromStream(memory.Get(), &global);
    if (FAILED(hr)) return false;
    STATSTG stat{};
    if (FAILED(memory->Stat(&stat, STATFLAG_NONAME))) return false;
    const void* bytes = ::GlobalLock(global);
    if (!bytes) return false;
    out->assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + stat.cbSize.QuadPart);
    ::GlobalUnlock(global);
    return true;
}

}  // namespace klice::platform
