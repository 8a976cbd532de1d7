// Internal to platform/sdl/: SDL's objects in owning pointers, each freed
// by SDL's own call for it when its owner goes.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>

namespace klice::platform::detail {

struct SdlFree {
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
    void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
    void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
    void operator()(SDL_Cursor* c) const { SDL_FreeCursor(c); }
    void operator()(TTF_Font* f) const { TTF_CloseFont(f); }
};

template <class T>
using SdlPtr = std::unique_ptr<T, SdlFree>;

}  // namespace klice::platform::detail
