// The display component's drivers: its surfaces made and presented.
#include <algorithm>

#include "display/dxdraws.h"

namespace klice {

TDXDrawDriver::TDXDrawDriver(TCustomDXDraw* dxdraw) : dxdraw_(dxdraw), ddraw_(std::make_unique<TDirectDraw>()) {}

TDXDrawDriver::~TDXDrawDriver() {
    TDXDrawDriver::ReleaseSurfaces();
    ddraw_.reset();
}

void TDXDrawDriver::ReleaseSurfaces() {
    if (dxdraw_->primary_) dxdraw_->primary_->SetPalette(nullptr);
    if (dxdraw_->surface_) dxdraw_->surface_->SetPalette(nullptr);
    dxdraw_->palette_.reset();
    dxdraw_->clipper_.reset();
    dxdraw_->surface_.reset();
    dxdraw_->primary_.reset();
}

bool TDXDrawDriver::SetSize(int, int) { return false; }

void TDXDrawDriverBlt::CreateSurfaces() {
    TCustomDXDraw& d = *dxdraw_;
    TDirectDraw* dd = ddraw_.get();

    d.primary_ = std::make_unique<TDirectDrawSurface>(dd);
    if (!d.primary_->CreatePrimary()) throw EDXDrawError(Format(kDDCannotMade, "Primary Surface"));

    d.clipper_ = std::make_unique<TDirectDrawClipper>(dd);
    d.clipper_->SetHandle(&d);
    d.clipper_->AttachTo(*d.primary_);

    TPaletteTable entries = d.ColorTable;
    if (!d.NowOptions().Contains(doAllowPalette256)) {
        TPaletteTable system = SystemPalette();
        for (int i = 0; i < 10; ++i) {
            entries[i] = system[i];
            entries[246 + i] = system[246 + i];
        }
    }
    d.palette_ = std::make_unique<TDirectDrawPalette>(dd);
    d.palette_->CreatePalette(entries);
    d.primary_->SetPalette(d.palette_.get());

    CreateBackSurface();
}

void TDXDrawDriverBlt::CreateBackSurface() {
    TCustomDXDraw& d = *dxdraw_;
    auto surface = std::make_unique<TDirectDrawSurface>(ddraw_.get());
    surface->SystemMemory = d.Options().Contains(doSystemMemory);
    if (!surface->TryCreate(std::max(d.surface_width_, 1), std::max(d.surface_height_, 1)))
        throw EDXDrawError(Format(kDDCannotMade, "Surface"));
    if (!surface->Description().VideoMemory) d.now_options_.Include(doSystemMemory);
    surface->SetPalette(d.palette_.get());
    surface->Fill(0);
    d.surface_ = std::move(surface);
}

bool TDXDrawDriverBlt::SetSize(int width, int height) {
    dxdraw_->surface_width_ = width;
    dxdraw_->surface_height_ = height;
    dxdraw_->surface_.reset();
    CreateBackSurface();
    return true;
}

void TDXDrawDriverBlt::Flip() {
    TCustomDXDraw& d = *dxdraw_;
    TDirectDrawSurface& back = *d.surface_;
    TPoint origin = d.ClientOrigin();
    platform::Rect target;
    if (d.NowOptions().Contains(doStretch)) {
        target = {origin.x, origin.y, origin.x + d.ClientWidth(), origin.y + d.ClientHeight()};
    } else {
        if (d.NowOptions().Contains(doCenter)) {
            origin.x += (d.ClientWidth() - back.Width()) / 2;
            origin.y += (d.ClientHeight() - back.Height()) / 2;
        }
        target = {origin.x, origin.y, origin.x + back.Width(), origin.y + back.Height()};
    }
    if (d.NowOptions().Contains(doWaitVBlank)) ddraw_->Check(ddraw_->Device().WaitForVerticalBlank());
    d.primary_->Blt(target, back, back.ClientRect(), false);
}

}  // namespace klice
