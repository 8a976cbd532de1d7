#include "platform/keys.h"

#include <SDL.h>

#include "platform/application.h"

namespace klice::platform {

// --- virtual keys and SDL keys ---

int32_t VkFromKeycode(int32_t key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 97 + (key - SDLK_KP_1);  // VK_NUMPAD1..9
    switch (key) {
        case SDLK_KP_0: return 96;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT: return VK_MENU;
        case SDLK_PAUSE: return VK_PAUSE;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_END: return VK_END;
        case SDLK_HOME: return VK_HOME;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_DELETE: return VK_DELETE;
        default: return 0;
    }
}

// The SDL keys that make up a virtual key (both Shift keys are VK_SHIFT).
std::array<int32_t, 2> KeycodesOfVk(int32_t vk) {
    if (vk >= 'A' && vk <= 'Z') return {int32_t(SDLK_a + (vk - 'A')), SDLK_UNKNOWN};
    if (vk >= '0' && vk <= '9') return {int32_t(SDLK_0 + (vk - '0')), SDLK_UNKNOWN};
    if (vk >= VK_F1 && vk < VK_F1 + 12) return {int32_t(SDLK_F1 + (vk - VK_F1)), SDLK_UNKNOWN};
    if (vk == 96) return {SDLK_KP_0, SDLK_UNKNOWN};
    if (vk >= 97 && vk <= 105) return {int32_t(SDLK_KP_1 + (vk - 97)), SDLK_UNKNOWN};
    switch (vk) {
        case VK_BACK: return {SDLK_BACKSPACE, SDLK_UNKNOWN};
        case VK_TAB: return {SDLK_TAB, SDLK_UNKNOWN};
        case VK_RETURN: return {SDLK_RETURN, SDLK_KP_ENTER};
        case VK_SHIFT: return {SDLK_LSHIFT, SDLK_RSHIFT};
        case VK_CONTROL: return {SDLK_LCTRL, SDLK_RCTRL};
        case VK_MENU: return {SDLK_LALT, SDLK_RALT};
        case VK_PAUSE: return {SDLK_PAUSE, SDLK_UNKNOWN};
        case VK_ESCAPE: return {SDLK_ESCAPE, SDLK_UNKNOWN};
        case VK_SPACE: return {SDLK_SPACE, SDLK_UNKNOWN};
        case VK_PRIOR: return {SDLK_PAGEUP, SDLK_UNKNOWN};
        case VK_NEXT: return {SDLK_PAGEDOWN, SDLK_UNKNOWN};
        case VK_END: return {SDLK_END, SDLK_UNKNOWN};
        case VK_HOME: return {SDLK_HOME, SDLK_UNKNOWN};
        case VK_LEFT: return {SDLK_LEFT, SDLK_UNKNOWN};
        case VK_UP: return {SDLK_UP, SDLK_UNKNOWN};
        case VK_RIGHT: return {SDLK_RIGHT, SDLK_UNKNOWN};
        case VK_DOWN: return {SDLK_DOWN, SDLK_UNKNOWN};
        case VK_INSERT: return {SDLK_INSERT, SDLK_UNKNOWN};
        case VK_DELETE: return {SDLK_DELETE, SDLK_UNKNOWN};
        default: return {SDLK_UNKNOWN, SDLK_UNKNOWN};
    }
}

}  // namespace klice::platform
