// DirectDraw surfaces and palettes as the display's platform objects. A
// surface answers for its own state (locked, device context out, marked
// lost) before it asks the system, so that both displays refuse the same
// things with the same results.
#include <cstring>

#include "platform/screen.h"
#include "platform/win32/ddraw_core.h"
#include "platform/win32/win32_window.h"

namespace klice::platform::win32 {

namespace {

RECT ToRect(const Rect& r) { return RECT{LONG(r.left), LONG(r.top), LONG(r.right), LONG(r.bottom)}; }

// What the memory of a restored surface holds until it is drawn again: the
// system keeps nothing of a lost surface, and this makes sure nothing
// relies on it.
constexpr uint32_t kLostMemoryPattern = 0x5A5A5A5A;

}  // namespace

Result ToResult(HRESULT hr) {
    switch (hr) {
        case DD_OK: return Result::Ok;
        case DDERR_SURFACELOST: return Result::SurfaceLost;
        case DDERR_OUTOFMEMORY:
        case DDERR_OUTOFVIDEOMEMORY: return Result::OutOfMemory;
        case DDERR_INVALIDPARAMS:
        case DDERR_INVALIDRECT:
        case DDERR_INVALIDOBJECT: return Result::InvalidParams;
        case DDERR_INVALIDMODE:
        case DDERR_UNSUPPORTEDMODE: return Result::InvalidMode;
        case DDERR_NOTLOCKED: return Result::NotLocked;
        case DDERR_SURFACEBUSY:
        case DDERR_LOCKEDSURFACES: return Result::AlreadyLocked;
        case DDERR_BLTFASTCANTCLIP: return Result::Clipper;
        case DDERR_CANTCREATEDC:
        case DDERR_DCALREADYCREATED: return Result::NoDC;
        case DDERR_UNSUPPORTED:  // also E_NOTIMPL
        case DDERR_INVALIDPIXELFORMAT: return Result::Unsupported;
        case DDERR_WRONGMODE: return Result::WrongMode;
        case E_NOINTERFACE: return Result::NoInterface;
        default: return Result::Generic;
    }
}

DDPIXELFORMAT ToSystemFormat(const PixelFormat& format) {
    DDPIXELFORMAT p{};
    p.dwSize = sizeof p;
    p.dwFlags = DDPF_RGB;
    p.dwRGBBitCount = DWORD(format.bits);
    if (format.bits == 8 && !format.r_mask) {
        p.dwFlags |= DDPF_PALETTEINDEXED8;
    } else {
        p.dwRBitMask = format.r_mask;
        p.dwGBitMask = format.g_mask;
        p.dwBBitMask = format.b_mask;
    }
    return p;
}

PixelFormat FromSystemFormat(const DDPIXELFORMAT& p) {
    if (p.dwFlags & DDPF_PALETTEINDEXED8) return PixelFormat{8, 0, 0, 0};
    return PixelFormat{int(p.dwRGBBitCount), uint32_t(p.dwRBitMask), uint32_t(p.dwGBitMask), uint32_t(p.dwBBitMask)};
}

// --- palette ---

Result DDrawPalette::SetEntries(int start, int count, const PaletteColor* entries) {
    if (start < 0 || count < 0 || start + count > 256 || (count > 0 && !entries)) return Result::InvalidParams;
    PALETTEENTRY system[256];
    for (int i = 0; i < count; ++i)
        system[i] = PALETTEENTRY{entries[i].r, entries[i].g, entries[i].b, entries[i].flags};
    return ToResult(palette_->SetEntries(0, DWORD(start), DWORD(count), system));
}

// --- surface ---

DDrawSurface::DDrawSurface(std::shared_ptr<Core> core, Kind kind, ComPtr<IDirectDrawSurface4> surface,
                           bool system_memory)
    : core_(std::move(core)), kind_(kind), surface_(std::move(surface)), system_memory_(system_memory) {
    core_->Add(this);
    ReadDescription();
}

DDrawSurface::~DDrawSurface() {
    if (dc_out_) surface_->ReleaseDC(dc_->Handle());
    if (locked_) surface_->Unlock(nullptr);
    core_->Remove(this);
}

void DDrawSurface::ReadDescription() {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    if (FAILED(surface_->GetSurfaceDesc(&d))) return;
    width_ = int(d.dwWidth);
    height_ = int(d.dwHeight);
    pitch_ = int(d.lPitch);
    format_ = FromSystemFormat(d.ddpfPixelFormat);
    video_memory_ = (d.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) != 0;
    if (kind_ == Kind::Primary) {
        // The screen as the game sees it: its mode, also in a window on a
        // desktop of another size and format.
        const DisplayMode mode = core_->GameMode();
        if (mode.width > 0) {
            width_ = mode.width;
            height_ = mode.height;
            format_ = core_->GameFormat();
        }
    }
}

Result DDrawSurface::Remake() {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS;
    if (kind_ == Kind::Primary) {
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    } else {
        d.dwFlags |= DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = DWORD(width_);
        d.dwHeight = DWORD(height_);
        d.ddpfPixelFormat = ToSystemFormat(format_);
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (system_memory_ ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY);
    }
    ComPtr<IDirectDrawSurface4> fresh;
    HRESULT hr = core_->Draw()->CreateSurface(&d, fresh.Out(), nullptr);
    if (FAILED(hr) && kind_ == Kind::OffScreen && !system_memory_) {
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        hr = core_->Draw()->CreateSurface(&d, fresh.Out(), nullptr);
    }
    if (FAILED(hr)) return ToResult(hr);
    surface_ = std::move(fresh);
    if (clipper_attached_) {
        clipper_attached_ = false;
        SetClipper(true);
    }
    if (palette_) surface_->SetPalette(palette_.Get());
    if (has_key_) {
        DDCOLORKEY key{key_, key_};
        surface_->SetColorKey(DDCKEY_SRCBLT, &key);
    }
    ReadDescription();
    return Result::Ok;
}

Result DDrawSurface::Lock(void** pixels, int* pitch) {
    if (!surface_) return Result::Generic;
    if (marked_lost_) return Result::SurfaceLost;
    if (locked_ || dc_out_) return Result::AlreadyLocked;
    // In a window the primary is the desktop, in the desktop's own format.
    if (kind_ == Kind::Primary && !core_->Exclusive()) return Result::Unsupported;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    const HRESULT hr = surface_->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    if (FAILED(hr)) return ToResult(hr);
    locked_ = true;
    if (pixels) *pixels = d.lpSurface;
    if (pitch) *pitch = int(d.lPitch);
    return Result::Ok;
}

Result DDrawSurface::Unlock() {
    if (!locked_) return Result::NotLocked;
    locked_ = false;
    return ToResult(surface_->Unlock(nullptr));
}

Result DDrawSurface::SetColorKey(uint32_t raw) {
    if (!Usable()) return Result::SurfaceLost;
    DDCOLORKEY key{raw, raw};
    const HRESULT hr = surface_->SetColorKey(DDCKEY_SRCBLT, &key);
    if (FAILED(hr)) return ToResult(hr);
    has_key_ = true;
    key_ = raw;
    return Result::Ok;
}

Result DDrawSurface::ClearColorKey() {
    has_key_ = false;
    key_ = 0;
    return surface_ ? ToResult(surface_->SetColorKey(DDCKEY_SRCBLT, nullptr)) : Result::Ok;
}

Result DDrawSurface::Fill(uint32_t raw) {
    if (!Usable()) return Result::SurfaceLost;
    if (locked_ || dc_out_) return Result::AlreadyLocked;
    if (kind_ == Kind::Primary) return FillPrimary(raw);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = raw;
    return ToResult(surface_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
}

Result DDrawSurface::FillPrimary(uint32_t raw) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = raw;
    if (core_->Exclusive())
        return ToResult(surface_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
    // In a window: the client area, in the desktop's format.
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    surface_->GetSurfaceDesc(&d);
    const PixelFormat desktop = FromSystemFormat(d.ddpfPixelFormat);
    const uint32_t color = RawToColor(format_, raw);
    fx.dwFillColor = PackRgb(desktop, uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16));
    RECT client;
    core_->FrameToScreen(Rect{0, 0, width_, height_}, &client);
    return ToResult(surface_->Blt(&client, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
}

Result DDrawSurface::Blt(const Rect& dest, PlatformSurface& source_base, const Rect& src, bool source_key,
                         bool mirror_left_right, bool mirror_up_down) {
    auto* source = dynamic_cast<DDrawSurface*>(&source_base);
    if (!source || !surface_ || !source->surface_) return Result::InvalidParams;
    if (!Usable() || !source->Usable()) return Result::SurfaceLost;
    if (locked_ || dc_out_ || source->locked_ || source->dc_out_) return Result::AlreadyLocked;
    if (dest.Width() != src.Width() || dest.Height() != src.Height()) return Result::InvalidParams;
    DWORD flags = DDBLT_WAIT;
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    if (source_key && source->has_key_) flags |= DDBLT_KEYSRC;
    if (mirror_left_right || mirror_up_down) {
        flags |= DDBLT_DDFX;
        fx.dwDDFX = (mirror_left_right ? DDBLTFX_MIRRORLEFTRIGHT : 0) | (mirror_up_down ? DDBLTFX_MIRRORUPDOWN : 0);
    }
    if (kind_ == Kind::Primary) {
        const Result result = Present(dest, *source, src, flags, &fx);
        core_->Presented(source, dest, src);
        return result;
    }
    RECT d = ToRect(dest), s = ToRect(src);
    return ToResult(surface_->Blt(&d, source->surface_.Get(), &s, flags, &fx));
}

Result DDrawSurface::Repaint(DDrawSurface& source, const Rect& dest, const Rect& src) {
    if (!Usable() || !source.Usable() || source.locked_ || source.dc_out_) return Result::SurfaceLost;
    return Present(dest, source, src, DDBLT_WAIT, nullptr);
}

Result DDrawSurface::Present(const Rect& dest, DDrawSurface& source, const Rect& src, DWORD flags, DDBLTFX* fx) {
    RECT s = ToRect(src);
    if (core_->Exclusive()) {
        RECT d = ToRect(dest);
        return ToResult(surface_->Blt(&d, source.surface_.Get(), &s, flags, fx));
    }
    // In a window: the frame letterboxed into the client area, black bars
    // around it, clipped to the window by the clipper.
    RECT client;
    const RECT target = core_->FrameToScreen(dest, &client);
    const RECT box = core_->FrameToScreen(Rect{0, 0, width_, height_});
    const RECT bars[4] = {{client.left, client.top, client.right, box.top},
                          {client.left, box.bottom, client.right, client.bottom},
                          {client.left, box.top, box.left, box.bottom},
                          {box.right, box.top, client.right, box.bottom}};
    DDBLTFX black{};
    black.dwSize = sizeof black;
    for (RECT bar : bars)
        if (bar.right > bar.left && bar.bottom > bar.top)
            surface_->Blt(&bar, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &black);
    RECT d = target;
    HRESULT hr = surface_->Blt(&d, source.surface_.Get(), &s, flags, fx);
    if (SUCCEEDED(hr) || hr == DDERR_SURFACELOST) return ToResult(hr);
    // A system that cannot convert the frame to the desktop's format in a
    // blit: GDI converts it, from the frame's device context to the window's.
    HWND window = static_cast<HWND>(MainWindowHandle());
    HDC from = nullptr;
    if (!window || FAILED(source.surface_->GetDC(&from))) return ToResult(hr);
    HDC to = ::GetDC(window);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    ::SetStretchBltMode(to, COLORONCOLOR);
    const BOOL done = ::StretchBlt(to, d.left - origin.x, d.top - origin.y, d.right - d.left, d.bottom - d.top, from,
                                   s.left, s.top, s.right - s.left, s.bottom - s.top, SRCCOPY);
    ::ReleaseDC(window, to);
    source.surface_->ReleaseDC(from);
    return done ? Result::Ok : ToResult(hr);
}

Result DDrawSurface::BltFast(int x, int y, PlatformSurface& source_base, const Rect& src, bool source_key) {
    auto* source = dynamic_cast<DDrawSurface*>(&source_base);
    if (!source || !surface_ || !source->surface_) return Result::InvalidParams;
    if (!Usable() || !source->Usable()) return Result::SurfaceLost;
    if (locked_ || dc_out_ || source->locked_ || source->dc_out_) return Result::AlreadyLocked;
    RECT s = ToRect(src);
    const DWORD flags =
        DDBLTFAST_WAIT | (source_key && source->has_key_ ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY);
    return ToResult(surface_->BltFast(DWORD(x), DWORD(y), source->surface_.Get(), &s, flags));
}

Result DDrawSurface::SetClipper(bool attached) {
    if (!surface_) return Result::Generic;
    if (!attached) {
        clipper_attached_ = false;
        return ToResult(surface_->SetClipper(nullptr));
    }
    IDirectDrawClipper* clipper = nullptr;
    if (kind_ == Kind::Primary) {
        clipper = core_->WindowClipper();
    } else {
        // An off-screen surface's clipper keeps blits inside the surface.
        if (!own_clipper_ && SUCCEEDED(core_->Draw()->CreateClipper(0, own_clipper_.Out(), nullptr))) {
            struct {
                RGNDATAHEADER header;
                RECT rect;
            } region{};
            region.header.dwSize = sizeof region.header;
            region.header.iType = RDH_RECTANGLES;
            region.header.nCount = 1;
            region.header.nRgnSize = sizeof region.rect;
            region.header.rcBound = region.rect = RECT{0, 0, LONG(width_), LONG(height_)};
            own_clipper_->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0);
        }
        clipper = own_clipper_.Get();
    }
    if (!clipper) return Result::Generic;
    const HRESULT hr = surface_->SetClipper(clipper);
    if (SUCCEEDED(hr)) clipper_attached_ = true;
    return ToResult(hr);
}

Result DDrawSurface::SetPalette(PlatformPalette* palette) {
    if (!surface_) return Result::Generic;
    auto* own = dynamic_cast<DDrawPalette*>(palette);
    if (palette && !own) return Result::InvalidParams;
    IDirectDrawPalette* system = own ? own->Get() : nullptr;
    const HRESULT hr = surface_->SetPalette(system);
    if (FAILED(hr)) return ToResult(hr);
    palette_ = ComPtr<IDirectDrawPalette>::Share(system);
    return Result::Ok;
}

bool DDrawSurface::IsLost() const { return !surface_ || marked_lost_ || surface_->IsLost() != DD_OK; }

Result DDrawSurface::Restore() {
    if (!surface_) return Remake();
    // Full screen without the focus: the display is another program's.
    if (detail::RestoreBlocked()) return Result::SurfaceLost;
    if (kind_ == Kind::Primary && core_->Exclusive() && !core_->EnsureGameMode()) return Result::SurfaceLost;
    const bool system_lost = surface_->IsLost() != DD_OK;
    if (!system_lost && !marked_lost_) return Result::Ok;
    if (dc_out_ || locked_) return Result::AlreadyLocked;
    const HRESULT hr = system_lost ? surface_->Restore() : DD_OK;
    if (hr == DDERR_WRONGMODE) {
        // Made for another mode (the primary after a mode change): made anew.
        if (const Result remade = Remake(); remade != Result::Ok) return remade;
    } else if (FAILED(hr)) {
        return ToResult(hr);
    }
    marked_lost_ = false;
    ReadDescription();
    if (kind_ == Kind::OffScreen) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = kLostMemoryPattern & (format_.bits >= 32 ? 0xFFFFFFFFu : (1u << format_.bits) - 1);
        surface_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }
    return Result::Ok;
}

Result DDrawSurface::GetDC(DeviceContext** dc) {
    if (!dc) return Result::InvalidParams;
    *dc = nullptr;
    if (!surface_) return Result::Generic;
    if (marked_lost_) return Result::SurfaceLost;
    if (locked_ || dc_out_) return Result::NoDC;
    if (kind_ == Kind::Primary && !core_->Exclusive()) return Result::Unsupported;
    HDC handle = nullptr;
    const HRESULT hr = surface_->GetDC(&handle);
    if (FAILED(hr)) return hr == DDERR_SURFACELOST ? Result::SurfaceLost : Result::NoDC;
    dc_ = std::make_unique<GdiContext>(handle, format_, width_, height_);
    dc_out_ = true;
    *dc = dc_.get();
    return Result::Ok;
}

Result DDrawSurface::ReleaseDC(DeviceContext* dc) {
    if (!dc_out_ || dc != dc_.get()) return Result::InvalidParams;
    dc_out_ = false;
    return ToResult(surface_->ReleaseDC(dc_->Handle()));
}

}  // namespace klice::platform::win32
