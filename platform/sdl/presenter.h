// How the primary surface reaches an SDL window. Two ways:
//  - through an SDL renderer: a texture scaled by the graphics card, with the
//    present waiting for the vertical blank; the way where there is a card,
//    where the player chose a renderer (SDL_RENDER_DRIVER) or asked for
//    smooth scaling (SDL_RENDER_SCALE_QUALITY);
//  - into the window's own surface, scaled on the processor by FrameScaler,
//    only what changed: the way without a graphics card (a virtual X server,
//    OpenGL drawn on the processor), where SDL's renderers would scale the
//    whole frame on the processor every time.
// Either way the frame is sharp by default (SharpLetterbox, nearest
// neighbour) and fills the window smoothly when the player asked SDL for it.
#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/application.h"

namespace klice::platform::detail {

class Presenter {
public:
    virtual ~Presenter() = default;

    // Shows the primary surface; with `everything` all of it, bars included,
    // as after the window was uncovered or resized.
    virtual void Present(bool everything) = 0;
    // The drawing area in pixels.
    virtual void OutputSize(int* width, int* height) const = 0;
    // Where a frame of this size is shown in the drawing area.
    virtual LetterboxRect Box(int frame_width, int frame_height) const = 0;
    // The picture as last shown, 0x00RRGGBB rows top down.
    virtual bool ReadPixels(std::vector<uint32_t>* pixels, int* width, int* height) = 0;
    virtual bool WaitsForBlank() const = 0;
    // The graphics device was reset: textures are gone.
    virtual void DeviceReset() {}
    // For reports: "window surface" or the SDL renderer's name.
    virtual const char* Name() const = 0;
};

// Chooses the way for this window (see above); throws EOutOfResources when
// neither can be made.
std::unique_ptr<Presenter> CreatePresenter(SDL_Window* window);

// Whether the player asked SDL for smooth scaling (SDL_RENDER_SCALE_QUALITY
// "linear", "best", 1 or 2), read as SDL's renderers read it.
bool SmoothScalingAsked();

}  // namespace klice::platform::detail
