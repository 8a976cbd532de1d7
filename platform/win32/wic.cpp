#include "platform/win32/wic.h"

namespace klice::platform::win32 {

namespace {

// COM for the life of the thread, in whatever apartment the thread already
// has (RPC_E_CHANGED_MODE: someone chose before us, which is as good).
struct ThreadCom {
    bool started = false;
    ComPtr<IWICImagingFactory> factory;
    ThreadCom() {
        const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        started = SUCCEEDED(hr);
        ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.Out()));
    }
    ~ThreadCom() {
        factory.Reset();
        if (started) ::CoUninitialize();
    }
};

}  // namespace

IWICImagingFactory* ImagingFactory() {
    thread_local ThreadCom com;
    return com.factory.Get();
}

}  // namespace klice::platform::win32
