// Internal to platform/win32/: owners of the system's objects. A COM
// interface is released, and a library loaded by name is freed, only by
// the destructor of its owner.
#pragma once

#include <utility>

#include "platform/win32/win32.h"

namespace klice::platform::win32 {

// An owning COM pointer: it holds one reference and releases it when it
// goes or takes another.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over one reference (as the system hands them out).
    explicit ComPtr(T* p) : p_(p) {}
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    // A reference of its own to p (null stays null).
    static ComPtr Share(T* p) {
        if (p) p->AddRef();
        return ComPtr(p);
    }

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

// A library loaded by name; freed when its owner goes. An owner declares it
// before the interfaces the library made, so that they are released first.
class LoadedLibrary {
public:
    LoadedLibrary() = default;
    explicit LoadedLibrary(const char* name) : module_(::LoadLibraryA(name)) {}
    ~LoadedLibrary() {
        if (module_) ::FreeLibrary(module_);
    }
    LoadedLibrary(LoadedLibrary&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    LoadedLibrary& operator=(LoadedLibrary&& other) noexcept {
        std::swap(module_, other.module_);
        return *this;
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    explicit operator bool() const { return module_ != nullptr; }
    // The named function of the library, as type F, or null.
    template <class F>
    F Function(const char* name) const {
        return module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module_, name))) : nullptr;
    }

private:
    HMODULE module_ = nullptr;
};

}  // namespace klice::platform::win32
