// A DDraw.dll of a system older than DirectX 6: DirectDrawCreate works, but
// its object offers no IDirectDraw4. The display must say which DirectX it
// needs instead of failing somewhere later.
#include "platform/win32/win32.h"

namespace {

struct OldDirectDraw;

// The first three slots of every COM interface; the display calls no others.
struct UnknownSlots {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(OldDirectDraw*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(OldDirectDraw*);
    ULONG(STDMETHODCALLTYPE* Release)(OldDirectDraw*);
};

struct OldDirectDraw {
    const UnknownSlots* slots;
};

HRESULT STDMETHODCALLTYPE NoSuchInterface(OldDirectDraw*, REFIID, void** out) {
    *out = nullptr;
    return E_NOINTERFACE;
}
ULONG STDMETHODCALLTYPE Count(OldDirectDraw*) { return 1; }

const UnknownSlots kSlots{&NoSuchInterface, &Count, &Count};
OldDirectDraw g_object{&kSlots};

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DirectDrawCreate(GUID*, void** out, void*) {
    *out = &g_object;
    return S_OK;
}
