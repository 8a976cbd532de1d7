#include "platform/sdl/presenter.h"

#include <cstring>

#include "platform/exception.h"
#include "platform/frame_scaler.h"
#include "platform/screen.h"
#include "platform/sdl/sdl_handles.h"

// Last: it brings Xlib's macros (None, Bool, Status) along.
#include <SDL_syswm.h>

namespace klice::platform::detail {

namespace {

Uint32 TextureFormatOf(const PixelFormat& f) {
    switch (f.bits) {
        case 16: return SDL_PIXELFORMAT_RGB565;
        case 24: return SDL_PIXELFORMAT_BGR24;   // bytes B, G, R
        default: return SDL_PIXELFORMAT_RGB888;  // 32 bits, and 8 bits expanded
    }
}

// Whether the renderer is OpenGL drawn on the processor (Mesa without a
// graphics card, as under a virtual X server): there one full-screen texture
// a frame costs most of a core.
bool GlOnTheProcessor(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name || std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const auto* name = get_string ? reinterpret_cast<const char*>(get_string(0x1F01 /* GL_RENDERER */)) : nullptr;
    if (!name) return false;
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (std::strstr(name, soft)) return true;
    return false;
}

// Whether the window's X server surely has no graphics card to draw OpenGL
// with: it offers neither direct rendering (DRI3, DRI2) nor NVIDIA's own
// GLX, as a virtual X server does. There OpenGL would be Mesa drawing on the
// processor, and merely trying it loads its driver with LLVM, some 50 MB
// that stay for the whole run. False where it cannot tell (not X11).
bool XServerWithoutGraphicsCard(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display) return false;
    // SDL's X11 video has Xlib loaded already; asking for it again is cheap.
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (!xlib) return false;
    using QueryExtension = int (*)(Display*, const char*, int*, int*, int*);
    auto query = reinterpret_cast<QueryExtension>(SDL_LoadFunction(xlib, "XQueryExtension"));
    bool card = !query;
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"}) {
        int opcode = 0, event = 0, error = 0;
        if (query && query(info.info.x11.display, extension, &opcode, &event, &error)) card = true;
    }
    SDL_UnloadObject(xlib);
    return !card;
}

bool IsSoftwareRenderer(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
}

SdlPtr<SDL_Renderer> CreateSoftwareRenderer(SDL_Window* window) {
    for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
        SDL_RendererInfo info{};
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name && std::strcmp(info.name, "software") == 0)
            return SdlPtr<SDL_Renderer>(SDL_CreateRenderer(window, i, 0));
    }
    return nullptr;
}

LetterboxRect BoxFor(int out_w, int out_h, int frame_w, int frame_h, bool smooth) {
    return smooth ? Letterbox(out_w, out_h, frame_w, frame_h) : SharpLetterbox(out_w, out_h, frame_w, frame_h);
}

// --- through an SDL renderer ---

class RendererPresenter final : public Presenter {
public:
    RendererPresenter(SdlPtr<SDL_Renderer> renderer, bool smooth) : renderer_(std::move(renderer)), smooth_(smooth) {
        SDL_RendererInfo info{};
        if (SDL_GetRendererInfo(renderer_.get(), &info) == 0) {
            waits_for_blank_ = info.flags & SDL_RENDERER_PRESENTVSYNC;
            name_ = info.name ? info.name : "renderer";
        }
    }

    void Present(bool everything) override;
    void OutputSize(int* width, int* height) const override {
        SDL_GetRendererOutputSize(renderer_.get(), width, height);
    }
    LetterboxRect Box(int frame_width, int frame_height) const override {
        int w = 0, h = 0;
        OutputSize(&w, &h);
        return BoxFor(w, h, frame_width, frame_height, smooth_);
    }
    bool ReadPixels(std::vector<uint32_t>* pixels, int* width, int* height) override;
    bool WaitsForBlank() const override { return waits_for_blank_; }
    void DeviceReset() override {
        texture_.reset();
        has_frame_ = false;
    }
    const char* Name() const override { return name_; }

private:
    void Upload();
    void DrawFrame();

    SdlPtr<SDL_Renderer> renderer_;  // outlives the texture, declared after it
    bool smooth_;
    bool waits_for_blank_ = false;
    const char* name_ = "renderer";
    SdlPtr<SDL_Texture> texture_;
    int texture_width_ = 0, texture_height_ = 0;
    Uint32 texture_format_ = 0;
    std::vector<uint32_t> expanded_;  // 8-bit frames expanded for the texture
    bool has_frame_ = false;
};

void RendererPresenter::Upload() {
    auto primary = Primary();
    if (!primary || !primary->pixels || primary->width <= 0 || primary->height <= 0) return;
    Uint32 format = TextureFormatOf(primary->format);
    if (!texture_ || texture_width_ != primary->width || texture_height_ != primary->height ||
        texture_format_ != format) {
        texture_.reset();
        // Its scale mode is SDL's: nearest unless the player asked for smooth.
        texture_.reset(
            SDL_CreateTexture(renderer_.get(), format, SDL_TEXTUREACCESS_STREAMING, primary->width, primary->height));
        texture_width_ = primary->width;
        texture_height_ = primary->height;
        texture_format_ = format;
    }
    if (!texture_) return;
    if (primary->format.bits == 8) {
        expanded_.resize(size_t(primary->width) * primary->height);
        for (int y = 0; y < primary->height; ++y)
            for (int x = 0; x < primary->width; ++x) {
                uint32_t c = RawToColor(primary->format, primary->pixels[size_t(y) * primary->pitch + x]);
                expanded_[size_t(y) * primary->width + x] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
            }
        SDL_UpdateTexture(texture_.get(), nullptr, expanded_.data(), primary->width * 4);
    } else {
        SDL_UpdateTexture(texture_.get(), nullptr, primary->pixels, primary->pitch);
    }
    has_frame_ = true;
}

void RendererPresenter::Present(bool /*everything: the renderer draws the whole window anyway*/) {
    Upload();
    DrawFrame();
    SDL_RenderPresent(renderer_.get());
}

void RendererPresenter::DrawFrame() {
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    if (texture_ && has_frame_) {
        LetterboxRect box = Box(texture_width_, texture_height_);
        SDL_Rect dst{box.x, box.y, box.width, box.height};
        SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, &dst);
    }
}

bool RendererPresenter::ReadPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
    int w = 0, h = 0;
    OutputSize(&w, &h);
    DrawFrame();  // into the back buffer, which is what can be read
    pixels->assign(size_t(w) * h, 0);
    if (SDL_RenderReadPixels(renderer_.get(), nullptr, SDL_PIXELFORMAT_RGB888, pixels->data(), w * 4) != 0)
        return false;
    *width = w;
    *height = h;
    return true;
}

// --- into the window's own surface ---

class SurfacePresenter final : public Presenter {
public:
    explicit SurfacePresenter(SDL_Window* window) : window_(window) {}

    void Present(bool everything) override;
    void OutputSize(int* width, int* height) const override { SDL_GetWindowSizeInPixels(window_, width, height); }
    LetterboxRect Box(int frame_width, int frame_height) const override {
        int w = 0, h = 0;
        OutputSize(&w, &h);
        return SharpLetterbox(w, h, frame_width, frame_height);
    }
    bool ReadPixels(std::vector<uint32_t>* pixels, int* width, int* height) override;
    bool WaitsForBlank() const override { return false; }
    const char* Name() const override { return "window surface"; }

private:
    SDL_Window* window_;
    FrameScaler scaler_;
    std::vector<SDL_Rect> rects_;
};

void SurfacePresenter::Present(bool everything) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface || surface->format->BytesPerPixel != 4) return;
    auto primary = Primary();
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    rects_.clear();
    if (primary && primary->pixels && primary->width > 0 && primary->height > 0) {
        WindowPicture picture{static_cast<uint32_t*>(surface->pixels),
                              surface->w,
                              surface->h,
                              surface->pitch,
                              surface->format->Rmask,
                              surface->format->Gmask,
                              surface->format->Bmask};
        LetterboxRect box = SharpLetterbox(surface->w, surface->h, primary->width, primary->height);
        for (const Rect& r : scaler_.Draw(*primary, picture, box, everything))
            rects_.push_back(SDL_Rect{r.left, r.top, r.Width(), r.Height()});
    } else if (everything) {
        SDL_FillRect(surface, nullptr, 0);  // no frame yet: black
        rects_.push_back(SDL_Rect{0, 0, surface->w, surface->h});
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (!rects_.empty()) SDL_UpdateWindowSurfaceRects(window_, rects_.data(), int(rects_.size()));
}

bool SurfacePresenter::ReadPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface) return false;
    pixels->assign(size_t(surface->w) * surface->h, 0);
    if (SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels, surface->pitch,
                          SDL_PIXELFORMAT_RGB888, pixels->data(), surface->w * 4) != 0)
        return false;
    *width = surface->w;
    *height = surface->h;
    return true;
}

SDL_ScaleMode AskedScaleMode() {
    // As SDL's renderers read SDL_HINT_RENDER_SCALE_QUALITY.
    const char* hint = SDL_GetHint(SDL_HINT_RENDER_SCALE_QUALITY);
    if (!hint || SDL_strcasecmp(hint, "nearest") == 0) return SDL_ScaleModeNearest;
    if (SDL_strcasecmp(hint, "linear") == 0) return SDL_ScaleModeLinear;
    if (SDL_strcasecmp(hint, "best") == 0) return SDL_ScaleModeBest;
    return SDL_ScaleMode(SDL_atoi(hint));
}

}  // namespace

bool SmoothScalingAsked() { return AskedScaleMode() != SDL_ScaleModeNearest; }

std::unique_ptr<Presenter> CreatePresenter(SDL_Window* window) {
    const bool smooth = SmoothScalingAsked();
    // A renderer the player chose through SDL's own setting is kept.
    const bool chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr;
    if (chosen || !XServerWithoutGraphicsCard(window)) {
        SdlPtr<SDL_Renderer> renderer(
            SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC));
        if (!renderer) renderer.reset(SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC));
        if (!renderer) renderer.reset(SDL_CreateRenderer(window, -1, 0));
        if (chosen && renderer) return std::make_unique<RendererPresenter>(std::move(renderer), smooth);
        if (renderer && !GlOnTheProcessor(renderer.get()) && !IsSoftwareRenderer(renderer.get()))
            return std::make_unique<RendererPresenter>(std::move(renderer), smooth);
    }
    // No graphics card. The window's own surface, not a GL texture behind it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (!smooth) {
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        if (surface && surface->format->BytesPerPixel == 4) return std::make_unique<SurfacePresenter>(window);
    }
    // Smooth scaling asked for, or a window surface of another depth: SDL's
    // software renderer scales the whole frame, at a price.
    SdlPtr<SDL_Renderer> renderer = CreateSoftwareRenderer(window);
    if (!renderer) renderer.reset(SDL_CreateRenderer(window, -1, 0));
    if (!renderer) throw EOutOfResources(Format("Renderer cannot be made: %s", SDL_GetError()));
    return std::make_unique<RendererPresenter>(std::move(renderer), smooth);
}

}  // namespace klice::platform::detail
