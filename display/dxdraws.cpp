#include "display/dxdraws.h"

#include <algorithm>
#include <exception>

namespace klice {

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
