// Internal to platform/win32/: the Windows Imaging Component, the system's
// picture codecs, reached through COM.
#pragma once

#include "platform/win32/win32.h"
// After <windows.h>:
#include <objbase.h>
#include <wincodec.h>

namespace klice::platform::win32 {

// An owning COM pointer.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new reference.
    T** Out() {
        Reset();
        return &p_;
    }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// The imaging factory of this thread (COM is started on it if need be);
// null when the system has no WIC.
IWICImagingFactory* ImagingFactory();

}  // namespace klice::platform::win32
