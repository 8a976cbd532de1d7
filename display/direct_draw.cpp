#include "display/direct_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace klice {

using platform::Result;

uint32_t GetPixel(HDC dc, int x, int y) {
    if (dc == nullptr) return 0xFFFFFFFFu;
    return dc->GetPixel(x, y);
}

TPaletteTable SystemPalette() {
    // The twenty colours every palette reserves for the window system.
    static const uint8_t low[10][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                                       {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
    static const uint8_t high[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                        {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                        {0, 255, 255},   {255, 255, 255}};
    TPaletteTable table{};
    for (int i = 0; i < 10; ++i) {
        table[i] = {low[i][0], low[i][1], low[i][2], 0};
        table[246 + i] = {high[i][0], high[i][1], high[i][2], 0};
    }
    return table;
}

// --- TDirectDraw ------------------------------------------------------------

static std::unique_ptr<platform::DisplayDevice> OpenDisplay() {
    Result result = Result::Ok;
    auto device = platform::CreateDisplayDevice(&result);
    if (device) return device;
    if (result == Result::NoInterface) throw EDirectDrawError(kDDRequiresDirectX6);
    throw EDirectDrawError(Format(kDDCannotInitialize, "DirectDraw"));
}

TDirectDraw::TDirectDraw() : TDirectDraw(OpenDisplay()) {}

TDirectDraw::TDirectDraw(std::unique_ptr<platform::DisplayDevice> device) : device_(std::move(device)) {
    if (!device_) throw EDirectDrawError(Format(kDDCannotInitialize, "DirectDraw"));
}

TDirectDraw::~TDirectDraw() {
    device_->RestoreDisplayMode();
    device_->SetCooperativeLevel(false);
}

bool TDirectDraw::Check(Result result) {
    last_result_ = result;
    return result == Result::Ok;
}

std::vector<platform::DisplayMode> TDirectDraw::EnumDisplayModes() { return device_->EnumDisplayModes(); }

// --- TDirectDrawSurfaceCanvas -------------------------------------------------

TDirectDrawSurfaceCanvas::TDirectDrawSurfaceCanvas(TDirectDrawSurface* surface) : surface_(surface) {
    if (surface_->DDraw() != nullptr) Font.PixelsPerInch = surface_->DDraw()->PixelsPerInch();
    Font.SetColor(clBlack);
}

TDirectDrawSurfaceCanvas::~TDirectDrawSurfaceCanvas() { Release(); }

HDC TDirectDrawSurfaceCanvas::Handle() {
    if (dc_ == nullptr) {
        platform::DeviceContext* dc = surface_->HasPlatformSurface() ? surface_->GetDC() : nullptr;
        if (dc == nullptr) throw EInvalidOperation(kDDNoCanvas);
        dc_ = dc;
    }
    return dc_;
}

void TDirectDrawSurfaceCanvas::Release() {
    if (dc_ == nullptr) return;
    platform::DeviceContext* dc = dc_;
    dc_ = nullptr;
    surface_->ReleaseDC(dc);
}

void TDirectDrawSurfaceCanvas::TextOut(int x, int y, const std::string& text) {
    Handle()->TextOut(x, y, text, std::abs(Font.Height()), static_cast<uint32_t>(Font.Color()));
}

// --- TDirectDrawSurface -------------------------------------------------------

TDirectDrawSurface::TDirectDrawSurface(TDirectDraw* draw) : draw_(draw) {}

TDirectDrawSurface::~TDirectDrawSurface() {
    canvas_.reset();
    SetPlatformSurface(nullptr);
}

bool TDirectDrawSurface::Check(Result result) {
    last_result_ = result;
    return result == Result::Ok;
}

platform::PlatformSurface& TDirectDrawSurface::ISurface() {
    if (!surface_) throw EDirectDrawSurfaceError(Format(kDDNotMade, "IDirectDrawSurface"));
    return *surface_;
}

void TDirectDrawSurface::SetPlatformSurface(std::unique_ptr<platform::PlatformSurface> surface, bool primary) {
    if (canvas_) canvas_->Release();
    if (surface_ && lock_count_ > 0) surface_->Unlock();
    lock_count_ = 0;
    lock_pixels_ = nullptr;
    has_clipper_ = false;
    surface_ = std::move(surface);
    ReadDescription(primary);
}

void TDirectDrawSurface::ReadDescription(bool primary) {
    desc_ = TSurfaceDescription{};
    if (!surface_) return;
    desc_.Width = surface_->Width();
    desc_.Height = surface_->Height();
    desc_.Pitch = surface_->Pitch();
    desc_.Format = surface_->Format();
    desc_.VideoMemory = surface_->InVideoMemory();
    desc_.Primary = primary;
    desc_.HasColorKey = surface_->HasColorKey();
    desc_.ColorKey = surface_->ColorKey();
}

bool TDirectDrawSurface::TryCreate(int width, int height) {
    if (draw_ == nullptr) return false;
    std::unique_ptr<platform::PlatformSurface> created;
    bool ok = Check(draw_->Device().CreateSurface(width, height, SystemMemory, &created));
    if (!ok && !SystemMemory) ok = Check(draw_->Device().CreateSurface(width, height, true, &created));
    if (!ok || !created) {
        SetPlatformSurface(nullptr);
        return false;
    }
    SetPlatformSurface(std::move(created));
    return true;
}

void TDirectDrawSurface::SetSize(int width, int height) {
    if (!TryCreate(width, height)) throw EDirectDrawSurfaceError(Format(kDDCannotMade, "Surface"));
}

bool TDirectDrawSurface::CreatePrimary() {
    if (draw_ == nullptr) return false;
    std::unique_ptr<platform::PlatformSurface> created;
    if (!Check(draw_->Device().CreatePrimarySurface(&created)) || !created) {
        SetPlatformSurface(nullptr);
        return false;
    }
    SetPlatformSurface(std::move(created), true);
    return true;
}

TDirectDrawSurfaceCanvas& TDirectDrawSurface::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TDirectDrawSurfaceCanvas>(this);
    return *canvas_;
}

void TDirectDrawSurface::Fill(uint32_t raw) { Check(ISurface().Fill(raw)); }

bool TDirectDrawSurface::Lock(void** pixels, int* pitch) {
    if (lock_count_ == 0) {
        void* p = nullptr;
        int pt = 0;
        if (!Check(ISurface().Lock(&p, &pt))) return false;
        lock_pixels_ = p;
        lock_pitch_ = pt;
    }
    ++lock_count_;
    *pixels = lock_pixels_;
    *pitch = lock_pitch_;
    return true;
}

void TDirectDrawSurface::Unlock() {
    if (lock_count_ == 0) return;
    if (--lock_count_ == 0) {
        lock_pixels_ = nullptr;
        Check(ISurface().Unlock());
    }
}

uint32_t TDirectDrawSurface::Pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
    void* pixels = nullptr;
    int pitch = 0;
    if (!Lock(&pixels, &pitch)) return 0;
    uint32_t value =
        ReadRawPixel(static_cast<const uint8_t*>(pixels) + static_cast<ptrdiff_t>(y) * pitch, x, BitCount());
    Unlock();
    return value;
}

void TDirectDrawSurface::SetPixel(int x, int y, uint32_t raw) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    void* pixels = nullptr;
    int pitch = 0;
    if (!Lock(&pixels, &pitch)) return;
    WriteRawPixel(static_cast<uint8_t*>(pixels) + static_cast<ptrdiff_t>(y) * pitch, x, BitCount(), raw);
    Unlock();
}

bool TDirectDrawSurface::IsLost() { return ISurface().IsLost(); }

bool TDirectDrawSurface::Restore() { return Check(ISurface().Restore()); }

uint32_t TDirectDrawSurface::ColorToPixel(TColor color) const {
    const uint32_t c = static_cast<uint32_t>(color);
    return platform::PackRgb(desc_.Format, static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                             static_cast<uint8_t>(c >> 16));
}

void TDirectDrawSurface::SetTransparentColor(uint32_t raw) {
    if (Check(ISurface().SetColorKey(raw))) {
        desc_.HasColorKey = true;
        desc_.ColorKey = raw;
    }
}

void TDirectDrawSurface::ClearTransparentColor() {
    if (Check(ISurface().ClearColorKey())) desc_.HasColorKey = false;
}

bool TDirectDrawSurface::Blt(const platform::Rect& dest, TDirectDrawSurface& source, const platform::Rect& src,
                             bool source_key, bool mirror_left_right, bool mirror_up_down) {
    return Check(ISurface().Blt(dest, source.ISurface(), src, source_key, mirror_left_right, mirror_up_down));
}

bool TDirectDrawSurface::BltFast(int x, int y, TDirectDrawSurface& source, const platform::Rect& src, bool source_key) {
    return Check(ISurface().BltFast(x, y, source.ISurface(), src, source_key));
}

void TDirectDrawSurface::AttachClipper(bool attached) {
    if (Check(ISurface().SetClipper(attached))) has_clipper_ = attached;
}

platform::DeviceContext* TDirectDrawSurface::GetDC() {
    platform::DeviceContext* dc = nullptr;
    if (!Check(ISurface().GetDC(&dc))) return nullptr;
    return dc;
}

void TDirectDrawSurface::ReleaseDC(platform::DeviceContext* dc) {
    if (surface_ && dc != nullptr) Check(surface_->ReleaseDC(dc));
}

// --- clipper and palette --------------------------------------------------------

void TDirectDrawClipper::AttachTo(TDirectDrawSurface& surface) { surface.AttachClipper(true); }

void TDirectDrawSurface::SetPalette(TDirectDrawPalette* palette) {
    palette_ = palette;
    if (surface_) Check(surface_->SetPalette(palette != nullptr ? palette->IPalette() : nullptr));
}

static platform::PaletteColor ToPlatform(const TPaletteEntry& e) { return {e.peRed, e.peGreen, e.peBlue, e.peFlags}; }

bool TDirectDrawPalette::CreatePalette(const TPaletteTable& entries) {
    entries_ = entries;
    palette_.reset();
    if (draw_ == nullptr) return false;
    platform::PaletteColor colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = ToPlatform(entries[i]);
    last_result_ = draw_->Device().CreatePalette(colors, &palette_);
    return last_result_ == Result::Ok;
}

void TDirectDrawPalette::SetEntries(int start, int count, const TPaletteEntry* entries) {
    const int first = std::max(start, 0), end = std::min(start + count, 256);
    for (int i = first; i < end; ++i) entries_[i] = entries[i - start];
    if (!palette_ || first >= end) return;
    platform::PaletteColor colors[256];
    for (int i = first; i < end; ++i) colors[i - first] = ToPlatform(entries_[i]);
    last_result_ = palette_->SetEntries(first, end - first, colors);
}

}  // namespace klice
