#include "display/dxdraws.h"

#include <algorithm>
#include <exception>

namespace klice {

const TTypeInfo& DXDrawOptionType() {
    static const TTypeInfo type(
        "TDXDrawOption",
        std::vector<std::string>{"doFullScreen", "doNoWindowChange", "doAllowReboot", "doWaitVBlank",
                                 "doAllowPalette256", "doSystemMemory", "doStretch", "doCenter", "doFlip", "do3D",
                                 "doDirectX7Mode", "doRetainedMode", "doHardware", "doSelectDriver", "doZBuffer"});
    return type;
}

TDXDrawOptions EffectiveOptions(TDXDrawOptions options) {
    TDXDrawOptions now = options;
    if (!now.Contains(doFullScreen)) {
        now.Exclude(doNoWindowChange).Exclude(doAllowReboot).Exclude(doAllowPalette256).Exclude(doFlip);
    }
    if (!now.Contains(do3D)) {
        now.Exclude(doDirectX7Mode)
            .Exclude(doRetainedMode)
            .Exclude(doHardware)
            .Exclude(doSelectDriver)
            .Exclude(doZBuffer);
    }
    if (now.Contains(doSystemMemory)) now.Exclude(doFlip);
    if (now.Contains(doDirectX7Mode)) now.Exclude(doRetainedMode);
    now.Exclude(doHardware);
    return now;
}

// --- TDXDrawDisplay ------------------------------------------------------------

KLICE_DESCRIBE_CLASS(TDXDrawDisplay, c) {
    c.Integer("BitCount", &TDXDrawDisplay::BitCount, &TDXDrawDisplay::SetBitCount).Default(16);
    c.Boolean("FixedBitCount", &TDXDrawDisplay::FixedBitCount, &TDXDrawDisplay::FixedBitCount).Default(0);
    c.Boolean("FixedRatio", &TDXDrawDisplay::FixedRatio, &TDXDrawDisplay::FixedRatio).Default(1);
    c.Boolean("FixedSize", &TDXDrawDisplay::FixedSize, &TDXDrawDisplay::FixedSize).Default(1);
    c.Integer("Height", &TDXDrawDisplay::Height, &TDXDrawDisplay::SetHeight).Default(480);
    c.Integer("Width", &TDXDrawDisplay::Width, &TDXDrawDisplay::SetWidth).Default(640);
}

void TDXDrawDisplay::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TDXDrawDisplay*>(source)) {
        if (other == this) return;
        width_ = other->width_;
        height_ = other->height_;
        bit_count_ = other->bit_count_;
        FixedBitCount = other->FixedBitCount;
        FixedRatio = other->FixedRatio;
        FixedSize = other->FixedSize;
        return;
    }
    TPersistent::Assign(source);
}

TPersistent* TDXDrawDisplay::GetOwner() const { return dxdraw_; }

void TDXDrawDisplay::SetBitCount(int v) {
    if (v != 8 && v != 16 && v != 24 && v != 32) throw EDirectDrawError(kDDInvalidDisplayBitCount);
    bit_count_ = v;
}

const std::vector<TDisplayMode>& TDXDrawDisplay::Modes() {
    if (!modes_filled_) {
        std::vector<TDisplayMode> modes;
        if (TDirectDraw* dd = dxdraw_->DDraw()) {
            modes = dd->EnumDisplayModes();
        } else {
            TDirectDraw temporary;
            modes = temporary.EnumDisplayModes();
        }
        SortDisplayModes(modes);
        modes_ = std::move(modes);
        modes_filled_ = true;
    }
    return modes_;
}

bool TDXDrawDisplay::DoChangeDisplayMode(int width, int height, int bit_count) {
    TDirectDraw* dd = dxdraw_->DDraw();
    if (dd == nullptr) return false;
    TDisplayModeRequest request{width, height, bit_count, FixedBitCount, FixedRatio, FixedSize};
    auto set_mode = [dd](const TDisplayMode& m) {
        return dd->Check(dd->Device().SetDisplayMode(m.width, m.height, m.bits));
    };
    TDisplayMode chosen;
    if (!ChangeDisplayMode(Modes(), request, set_mode, &chosen)) return false;
    width_ = chosen.width;
    height_ = chosen.height;
    bit_count_ = chosen.bits;
    return true;
}

// --- drivers -------------------------------------------------------------------------

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

// --- TCustomDXDraw ----------------------------------------------------------------

KLICE_DESCRIBE_CLASS(TCustomDXDraw, c) {
    c.Boolean("AutoInitialize", &TCustomDXDraw::AutoInitialize, &TCustomDXDraw::AutoInitialize).Default(1);
    c.Boolean("AutoSize", &TCustomDXDraw::AutoSize, &TCustomDXDraw::SetAutoSize).Default(1);
    c.Object("Display", &TCustomDXDraw::DisplayObject, &TCustomDXDraw::SetDisplayObject);
    c.Set("Options", &TCustomDXDraw::Options, &TCustomDXDraw::SetOptions, DXDrawOptionType())
        .Default(kDefaultDXDrawOptions.Bits());
    c.Integer("SurfaceHeight", &TCustomDXDraw::SurfaceHeight, &TCustomDXDraw::SetSurfaceHeight);
    c.Integer("SurfaceWidth", &TCustomDXDraw::SurfaceWidth, &TCustomDXDraw::SetSurfaceWidth);
    c.Event("OnFinalize", &TCustomDXDraw::OnFinalize);
    c.Event("OnFinalizeSurface", &TCustomDXDraw::OnFinalizeSurface);
    c.Event("OnInitialize", &TCustomDXDraw::OnInitialize);
    c.Event("OnInitializeSurface", &TCustomDXDraw::OnInitializeSurface);
    c.Event("OnInitializing", &TCustomDXDraw::OnInitializing);
    c.Event("OnRestoreSurface", &TCustomDXDraw::OnRestoreSurface);
}

KLICE_DESCRIBE_CLASS(TDXDraw, c) {}
KLICE_REGISTER_CLASS(TDXDraw);

TCustomDXDraw::TCustomDXDraw(TComponent* owner) : TWinControl(owner) {
    ColorTable = SystemPalette();
    DefColorTable = ColorTable;
}

TCustomDXDraw::~TCustomDXDraw() {
    try {
        Finalize();
    } catch (...) {
        // Nothing can be reported from a destructor; the surfaces are gone either way.
    }
    NotifyEventList(dxntDestroying);
    listeners_.clear();
}

TDirectDraw* TCustomDXDraw::DDraw() const { return driver_ ? driver_->DDraw() : nullptr; }

void TCustomDXDraw::SetOptions(TDXDrawOptions options) {
    options_ = options;
    if (!initialized_) {
        now_options_ = EffectiveOptions(options);
        return;
    }
    for (TDXDrawOption o : {doWaitVBlank, doStretch, doCenter}) {
        if (options.Contains(o))
            now_options_.Include(o);
        else
            now_options_.Exclude(o);
    }
    if (!now_options_.Contains(do3D)) {
        now_options_.Exclude(doRetainedMode).Exclude(doHardware).Exclude(doSelectDriver).Exclude(doZBuffer);
    }
}

int TCustomDXDraw::SurfaceWidth() const {
    return surface_ && surface_->HasPlatformSurface() ? surface_->Width() : surface_width_;
}

int TCustomDXDraw::SurfaceHeight() const {
    return surface_ && surface_->HasPlatformSurface() ? surface_->Height() : surface_height_;
}

void TCustomDXDraw::SetSurfaceSize(int width, int height) {
    if (updating_) return;
    if (width == SurfaceWidth() && height == SurfaceHeight()) return;
    ResizeSurface(width, height);
}

void TCustomDXDraw::Resize() {
    if (!auto_size_ || updating_) return;
    SetSurfaceSize(ClientWidth(), ClientHeight());
}

void TCustomDXDraw::ResizeSurface(int width, int height) {
    if (!initialized_) {
        surface_width_ = width;
        surface_height_ = height;
    } else {
        ++notifying_;
        try {
            NotifyEventList(dxntFinalizeSurface);
            if (surfaces_initialized_) DoFinalizeSurface();
            surface_width_ = width;
            surface_height_ = height;
            driver_->SetSize(width, height);
            NotifyEventList(dxntInitializeSurface);
            DoInitializeSurface();
        } catch (...) {
            --notifying_;
            Finalize();
            throw;
        }
        --notifying_;
    }
    NotifyEventList(dxntSetSurfaceSize);
}

void TCustomDXDraw::Initialize() {
    init_tried_ = true;
    Finalize();

    TCustomForm* form = GetParentForm(this);
    if (form == nullptr) throw EDXDrawError(kDDFormNotFound);

    try {
        DoInitializing();
        updating_ = true;
        init_ran_ = true;
        NotifyEventList(dxntInitializing);

        if (now_options_.Contains(doFlip))
            driver_ = std::make_unique<TDXDrawDriverFlip>(this);
        else
            driver_ = std::make_unique<TDXDrawDriverBlt>(this);
        TDirectDraw* dd = driver_->DDraw();

        const bool full_screen = now_options_.Contains(doFullScreen);
        dd->Check(dd->Device().SetCooperativeLevel(full_screen));

        if (full_screen) {
            const int w = display_.Width(), h = display_.Height(), bits = display_.BitCount();
            if (!display_.DoChangeDisplayMode(w, h, bits))
                throw EDXDrawError(Format(kDDDisplayModeCannotBeChanged, w, h, bits));
            // Exclusive full screen: the window covers the whole screen.
            form->CoverScreen(display_.Width(), display_.Height());
        }
        if (auto_size_) {
            surface_width_ = ClientWidth();
            surface_height_ = ClientHeight();
        }
        driver_->CreateSurfaces();
        updating_ = false;
        initialized_ = true;
    } catch (...) {
        updating_ = false;
        Finalize();
        throw;
    }

    ++notifying_;
    try {
        NotifyEventList(dxntSetSurfaceSize);
        NotifyEventList(dxntInitialize);
        DoInitialize();
        init_hook_ran_ = true;
        NotifyEventList(dxntInitializeSurface);
        surfaces_initialized_ = true;
        DoInitializeSurface();
    } catch (...) {
        --notifying_;
        throw;
    }
    --notifying_;

    Restore();
}

void TCustomDXDraw::Finalize() {
    if (!init_ran_) return;
    init_ran_ = false;

    std::exception_ptr first;
    auto step = [&first](auto&& action) {
        try {
            action();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    };

    if (surface_ && surface_->HasPlatformSurface()) {
        surface_width_ = surface_->Width();
        surface_height_ = surface_->Height();
    }
    display_.ClearModes();
    updating_ = true;
    step([&] {
        if (surfaces_initialized_) {
            surfaces_initialized_ = false;
            DoFinalizeSurface();
        }
    });
    step([&] { NotifyEventList(dxntFinalizeSurface); });
    step([&] {
        if (init_hook_ran_) {
            init_hook_ran_ = false;
            DoFinalize();
        }
    });
    step([&] { NotifyEventList(dxntFinalize); });
    initialized_ = false;
    now_options_ = EffectiveOptions(options_);
    step([&] { driver_.reset(); });
    updating_ = false;

    if (first) std::rethrow_exception(first);
}

bool TCustomDXDraw::CheckSurfaces() {
    if (!initialized_ || updating_ || !primary_ || !surface_) return false;
    if (!primary_->IsLost() && !surface_->IsLost()) return true;
    Restore();
    return !primary_->IsLost() && !surface_->IsLost();
}

bool TCustomDXDraw::CanDraw() { return initialized_ && !updating_ && surface_ != nullptr && CheckSurfaces(); }

void TCustomDXDraw::Flip() {
    if (!initialized_ || updating_) return;
    if (!CheckSurfaces()) return;
    driver_->Flip();
}

void TCustomDXDraw::UpdatePalette(const TPaletteTable& table) {
    if (palette_) palette_->SetEntries(0, 256, table.data());
}

void TCustomDXDraw::Restore() {
    if (!initialized_ || updating_) return;
    updating_ = true;
    try {
        bool primary_ok = primary_->Restore();
        bool back_ok = primary_ok && surface_->Restore();
        if (primary_ok && back_ok) {
            primary_->Fill(0);
            surface_->Fill(0);
            primary_->SetPalette(palette_.get());
            surface_->SetPalette(palette_.get());
            UpdatePalette(DefColorTable);
            NotifyEventList(dxntRestore);
            DoRestoreSurface();
            UpdatePalette(ColorTable);
        }
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TCustomDXDraw::NotifyOne(TDXDrawNotifyEvent& callback, TDXDrawNotifyType type) {
    if (callback) callback(this, type);
}

void TCustomDXDraw::NotifyEventList(TDXDrawNotifyType type) {
    // Newest first. A callback may unregister itself or others meanwhile.
    std::vector<Listener> snapshot = listeners_;
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        const void* owner = it->owner;
        bool still =
            std::any_of(listeners_.begin(), listeners_.end(), [owner](const Listener& l) { return l.owner == owner; });
        if (still) NotifyOne(it->callback, type);
    }
}

void TCustomDXDraw::RegisterNotifyEvent(TDXDrawNotifyEvent callback, const void* owner) {
    UnRegisterNotifyEvent(owner);
    listeners_.push_back({callback, owner});
    NotifyOne(callback, dxntSetSurfaceSize);
    if (initialized_) {
        NotifyOne(callback, dxntInitialize);
        if (surfaces_initialized_) NotifyOne(callback, dxntInitializeSurface);
        if (notifying_ == 0) NotifyOne(callback, dxntRestore);
    }
}

void TCustomDXDraw::UnRegisterNotifyEvent(const void* owner) {
    auto it =
        std::find_if(listeners_.begin(), listeners_.end(), [owner](const Listener& l) { return l.owner == owner; });
    if (it == listeners_.end()) return;
    TDXDrawNotifyEvent callback = it->callback;
    listeners_.erase(it);
    if (initialized_) {
        if (surfaces_initialized_) NotifyOne(callback, dxntFinalizeSurface);
        NotifyOne(callback, dxntFinalize);
    }
}

void TCustomDXDraw::DoFinalize() { OnFinalize(this); }
void TCustomDXDraw::DoFinalizeSurface() { OnFinalizeSurface(this); }
void TCustomDXDraw::DoInitialize() { OnInitialize(this); }
void TCustomDXDraw::DoInitializeSurface() { OnInitializeSurface(this); }
void TCustomDXDraw::DoInitializing() { OnInitializing(this); }
void TCustomDXDraw::DoRestoreSurface() { OnRestoreSurface(this); }

void TCustomDXDraw::FormMessage(TCustomForm*, TFormMessage message) {
    switch (message) {
        case TFormMessage::Shown:
            if (AutoInitialize && !init_tried_) Initialize();
            break;
        case TFormMessage::Destroying: Finalize(); break;
        case TFormMessage::Activated:
        case TFormMessage::Deactivated:
            // The display service marks the surfaces lost while the window is
            // inactive; the next CanDraw restores them.
            break;
    }
}

TDXDraw::TDXDraw(TComponent* owner) : TCustomDXDraw(owner) { SetBounds(0, 0, 100, 100); }

}  // namespace klice
