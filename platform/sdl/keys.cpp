#include "platform/sdl/keys.h"

#include <SDL.h>

#include "platform/application.h"

namespace klice::platform {

// --- virtual keys and SDL keys ---

int32_t VkFromKeycode(int32_t key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return vk::F1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return vk::Numpad0 + 1 + (key - SDLK_KP_1);
    switch (key) {
        case SDLK_KP_0: return vk::Numpad0;
        case SDLK_BACKSPACE: return vk::Back;
        case SDLK_TAB: return vk::Tab;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return vk::Return;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return vk::Shift;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return vk::Control;
        case SDLK_LALT:
        case SDLK_RALT: return vk::Menu;
        case SDLK_PAUSE: return vk::Pause;
        case SDLK_ESCAPE: return vk::Escape;
        case SDLK_SPACE: return vk::Space;
        case SDLK_PAGEUP: return vk::Prior;
        case SDLK_PAGEDOWN: return vk::Next;
        case SDLK_END: return vk::End;
        case SDLK_HOME: return vk::Home;
        case SDLK_LEFT: return vk::Left;
        case SDLK_UP: return vk::Up;
        case SDLK_RIGHT: return vk::Right;
        case SDLK_DOWN: return vk::Down;
        case SDLK_INSERT: return vk::Insert;
        case SDLK_DELETE: return vk::Delete;
        default: return 0;
    }
}

// The SDL keys that make up a virtual key (both Shift keys are vk::Shift).
std::array<int32_t, 2> KeycodesOfVk(int32_t code) {
    if (code >= 'A' && code <= 'Z') return {int32_t(SDLK_a + (code - 'A')), SDLK_UNKNOWN};
    if (code >= '0' && code <= '9') return {int32_t(SDLK_0 + (code - '0')), SDLK_UNKNOWN};
    if (code >= vk::F1 && code < vk::F1 + 12) return {int32_t(SDLK_F1 + (code - vk::F1)), SDLK_UNKNOWN};
    if (code == vk::Numpad0) return {SDLK_KP_0, SDLK_UNKNOWN};
    if (code > vk::Numpad0 && code <= vk::Numpad0 + 9)
        return {int32_t(SDLK_KP_1 + (code - vk::Numpad0 - 1)), SDLK_UNKNOWN};
    switch (code) {
        case vk::Back: return {SDLK_BACKSPACE, SDLK_UNKNOWN};
        case vk::Tab: return {SDLK_TAB, SDLK_UNKNOWN};
        case vk::Return: return {SDLK_RETURN, SDLK_KP_ENTER};
        case vk::Shift: return {SDLK_LSHIFT, SDLK_RSHIFT};
        case vk::Control: return {SDLK_LCTRL, SDLK_RCTRL};
        case vk::Menu: return {SDLK_LALT, SDLK_RALT};
        case vk::Pause: return {SDLK_PAUSE, SDLK_UNKNOWN};
        case vk::Escape: return {SDLK_ESCAPE, SDLK_UNKNOWN};
        case vk::Space: return {SDLK_SPACE, SDLK_UNKNOWN};
        case vk::Prior: return {SDLK_PAGEUP, SDLK_UNKNOWN};
        case vk::Next: return {SDLK_PAGEDOWN, SDLK_UNKNOWN};
        case vk::End: return {SDLK_END, SDLK_UNKNOWN};
        case vk::Home: return {SDLK_HOME, SDLK_UNKNOWN};
        case vk::Left: return {SDLK_LEFT, SDLK_UNKNOWN};
        case vk::Up: return {SDLK_UP, SDLK_UNKNOWN};
        case vk::Right: return {SDLK_RIGHT, SDLK_UNKNOWN};
        case vk::Down: return {SDLK_DOWN, SDLK_UNKNOWN};
        case vk::Insert: return {SDLK_INSERT, SDLK_UNKNOWN};
        case vk::Delete: return {SDLK_DELETE, SDLK_UNKNOWN};
        default: return {SDLK_UNKNOWN, SDLK_UNKNOWN};
    }
}

}  // namespace klice::platform
