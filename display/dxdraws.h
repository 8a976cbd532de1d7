// The display component: the display mode, the primary and back surfaces,
// the presentation of the back surface, and the listeners (image lists) told
// about the surfaces' life. Its parts are implemented apart: the display
// object in dxdraw_display.cpp, the drivers in dxdraw_drivers.cpp, the
// component itself in dxdraws.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "data/events.h"
#include "data/forms.h"
#include "display/direct_draw.h"
#include "display/display_modes.h"
#include "display/dxdraw_options.h"

namespace klice {

enum TDXDrawNotifyType {
    dxntDestroying,
    dxntInitializing,
    dxntInitialize,
    dxntInitializeSurface,
    dxntFinalize,
    dxntFinalizeSurface,
    dxntRestore,
    dxntSetSurfaceSize,
};

class TCustomDXDraw;
using TDXDrawNotifyEvent = std::function<void(TCustomDXDraw* sender, TDXDrawNotifyType type)>;

// The requested display mode and the modes the display offers.
class TDXDrawDisplay : public TPersistent {
    KLICE_CLASS(TDXDrawDisplay, TPersistent)
public:
    explicit TDXDrawDisplay(TCustomDXDraw* dxdraw) : dxdraw_(dxdraw) {}
    void Assign(const TPersistent* source) override;
    TPersistent* GetOwner() const override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bit_count_; }
    void SetWidth(int v) { width_ = v < 0 ? 0 : v; }
    void SetHeight(int v) { height_ = v < 0 ? 0 : v; }
    // Raises EDirectDrawError for anything but 8, 16, 24 or 32.
    void SetBitCount(int v);
    bool FixedBitCount = false;
    bool FixedRatio = true;
    bool FixedSize = true;

    // The display's modes, sorted; filled from the display on first use.
    const std::vector<TDisplayMode>& Modes();
    int Count() { return static_cast<int>(Modes().size()); }
    void ClearModes() {
        modes_.clear();
        modes_filled_ = false;
    }

    // Sets the mode nearest to the request; false when none can be set. On
    // success Width, Height and BitCount hold the mode that was set.
    bool DoChangeDisplayMode(int width, int height, int bit_count);

private:
    TCustomDXDraw* dxdraw_;
    int width_ = 640, height_ = 480, bit_count_ = 16;
    std::vector<TDisplayMode> modes_;
    bool modes_filled_ = false;
};

// Presents the back surface; owns the display object and the surfaces.
class TDXDrawDriver {
public:
    explicit TDXDrawDriver(TCustomDXDraw* dxdraw);
    virtual ~TDXDrawDriver();

    virtual void ReleaseSurfaces();
    virtual void Flip() = 0;
    virtual void CreateSurfaces() = 0;
    virtual bool SetSize(int width, int height);

    TDirectDraw* DDraw() const { return ddraw_.get(); }

protected:
    TCustomDXDraw* dxdraw_;
    std::unique_ptr<TDirectDraw> ddraw_;
};

// Composes on an off-screen back surface and presents it by a blit.
class TDXDrawDriverBlt : public TDXDrawDriver {
public:
    using TDXDrawDriver::TDXDrawDriver;
    void Flip() override;
    void CreateSurfaces() override;
    bool SetSize(int width, int height) override;

protected:
    void CreateBackSurface();
};

// The page-flipping driver. The display service has no flip chain, so it
// presents like the blit driver.
class TDXDrawDriverFlip : public TDXDrawDriverBlt {
public:
    using TDXDrawDriverBlt::TDXDrawDriverBlt;
};

class TCustomDXDraw : public TWinControl, public IFormMessageListener {
    KLICE_CLASS(TCustomDXDraw, TWinControl)
public:
    explicit TCustomDXDraw(TComponent* owner);
    ~TCustomDXDraw() override;

    void Initialize();
    void Finalize();
    bool CanDraw();
    void Flip();
    void Restore();

    bool Initialized() const { return initialized_; }
    bool SurfacesInitialized() const { return surfaces_initialized_; }
    bool Updating() const { return updating_; }
    int Notifying() const { return notifying_; }

    TDirectDraw* DDraw() const;
    // The back surface; valid only while initialized.
    TDirectDrawSurface* Surface() const { return surface_.get(); }
    TDirectDrawSurface* Primary() const { return primary_.get(); }
    TDirectDrawClipper* Clipper() const { return clipper_.get(); }
    TDirectDrawPalette* Palette() const { return palette_.get(); }
    TDXDrawDriver* Driver() const { return driver_.get(); }

    TDXDrawDisplay& Display() { return display_; }
    TDXDrawDisplay* DisplayObject() const { return const_cast<TDXDrawDisplay*>(&display_); }
    void SetDisplayObject(TDXDrawDisplay* display) { display_.Assign(display); }
    TDXDrawOptions Options() const { return options_; }
    void SetOptions(TDXDrawOptions options);
    TDXDrawOptions NowOptions() const { return now_options_; }

    bool AutoInitialize = true;
    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool v) { auto_size_ = v; }
    int SurfaceWidth() const;
    int SurfaceHeight() const;
    void SetSurfaceWidth(int v) { SetSurfaceSize(v, SurfaceHeight()); }
    void SetSurfaceHeight(int v) { SetSurfaceSize(SurfaceWidth(), v); }
    void SetSurfaceSize(int width, int height);

    // Listeners are keyed by owner: one callback per owner.
    void RegisterNotifyEvent(TDXDrawNotifyEvent callback, const void* owner);
    void UnRegisterNotifyEvent(const void* owner);
    int NotifyEventCount() const { return static_cast<int>(listeners_.size()); }

    TNotifyEvent OnFinalize, OnFinalizeSurface, OnInitialize, OnInitializeSurface, OnInitializing, OnRestoreSurface;

    // The two tables the palette is loaded from: the palette is built from
    // the first; a restore loads the second before telling the listeners and
    // the first again afterwards.
    TPaletteTable ColorTable, DefColorTable;

    void FormMessage(TCustomForm* form, TFormMessage message) override;

protected:
    virtual void DoFinalize();
    virtual void DoFinalizeSurface();
    virtual void DoInitialize();
    virtual void DoInitializeSurface();
    virtual void DoInitializing();
    virtual void DoRestoreSurface();
    void Resize() override;

private:
    friend class TDXDrawDriver;
    friend class TDXDrawDriverBlt;

    void NotifyEventList(TDXDrawNotifyType type);
    void NotifyOne(TDXDrawNotifyEvent& callback, TDXDrawNotifyType type);
    bool CheckSurfaces();
    void UpdatePalette(const TPaletteTable& table);
    void ResizeSurface(int width, int height);

    TDXDrawDisplay display_{this};
    TDXDrawOptions options_ = kDefaultDXDrawOptions;
    TDXDrawOptions now_options_ = EffectiveOptions(kDefaultDXDrawOptions);
    bool auto_size_ = true;
    int surface_width_ = 0, surface_height_ = 0;

    bool initialized_ = false;
    bool surfaces_initialized_ = false;
    bool updating_ = false;
    int notifying_ = 0;
    bool init_tried_ = false;
    bool init_ran_ = false;
    bool init_hook_ran_ = false;

    std::unique_ptr<TDXDrawDriver> driver_;
    std::unique_ptr<TDirectDrawSurface> primary_, surface_;
    std::unique_ptr<TDirectDrawClipper> clipper_;
    std::unique_ptr<TDirectDrawPalette> palette_;

    struct Listener {
        TDXDrawNotifyEvent callback;
        const void* owner;
    };
    std::vector<Listener> listeners_;
};

class TDXDraw : public TCustomDXDraw {
    KLICE_CLASS(TDXDraw, TCustomDXDraw)
public:
    explicit TDXDraw(TComponent* owner);
};

}  // namespace klice
