// Game pads through SDL's game controller interface, which maps every known
// pad onto the standard layout. Pads are opened as they appear and closed as
// they go; the subsystem starts on the first read.
#include <SDL.h>

#include <algorithm>
#include <vector>

#include "platform/backend.h"

namespace klice::platform::detail {

namespace {

class Pads {
public:
    ~Pads() {
        for (SDL_GameController* pad : open_) SDL_GameControllerClose(pad);
        if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    void Read(std::vector<GamepadState>* states) {
        if (!tried_) {
            tried_ = true;
            started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
        }
        if (!started_) return;
        SDL_GameControllerUpdate();  // also finds pads plugged in or pulled out since
        std::erase_if(open_, [](SDL_GameController* pad) {
            if (SDL_GameControllerGetAttached(pad)) return false;
            SDL_GameControllerClose(pad);
            return true;
        });
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (!SDL_IsGameController(i)) continue;
            const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
            const bool known = std::any_of(open_.begin(), open_.end(), [&](SDL_GameController* pad) {
                return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id;
            });
            if (!known)
                if (SDL_GameController* pad = SDL_GameControllerOpen(i)) open_.push_back(pad);
        }
        for (SDL_GameController* pad : open_) states->push_back(StateOf(pad));
    }

private:
    static GamepadState StateOf(SDL_GameController* pad) {
        static constexpr std::pair<SDL_GameControllerButton, PadButton> kButtons[] = {
            {SDL_CONTROLLER_BUTTON_A, PadButton::South},
            {SDL_CONTROLLER_BUTTON_B, PadButton::East},
            {SDL_CONTROLLER_BUTTON_X, PadButton::West},
            {SDL_CONTROLLER_BUTTON_Y, PadButton::North},
            {SDL_CONTROLLER_BUTTON_BACK, PadButton::Back},
            {SDL_CONTROLLER_BUTTON_START, PadButton::Start},
            {SDL_CONTROLLER_BUTTON_DPAD_UP, PadButton::DpadUp},
            {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PadButton::DpadDown},
            {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PadButton::DpadLeft},
            {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PadButton::DpadRight},
        };
        GamepadState state;
        for (const auto& [sdl, button] : kButtons) state.Set(button, SDL_GameControllerGetButton(pad, sdl) != 0);
        state.left_x = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
        state.left_y = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
        return state;
    }

    bool tried_ = false, started_ = false;
    std::vector<SDL_GameController*> open_;
};

}  // namespace

void ReadSystemGamepads(std::vector<GamepadState>* pads) {
    static Pads open_pads;
    open_pads.Read(pads);
}

}  // namespace klice::platform::detail

namespace klice::platform {

// A virtual joystick of SDL's, in the standard pad layout so that SDL's game
// controller interface maps it like a real pad.
struct VirtualGamepad::Impl {
    SDL_Joystick* joystick = nullptr;
    bool started = false;
};

namespace {
int IndexOf(SDL_Joystick* joystick) {
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
    return -1;
}
}  // namespace

VirtualGamepad::VirtualGamepad() : impl_(new Impl) {
    impl_->started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!impl_->started) return;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.name = "Klice virtual pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index >= 0) impl_->joystick = SDL_JoystickOpen(index);
}

VirtualGamepad::~VirtualGamepad() {
    Unplug();
    if (impl_->started) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    delete impl_;
}

bool VirtualGamepad::Plugged() const { return impl_->joystick != nullptr; }

void VirtualGamepad::Hold(PadButton button, bool down) {
    static constexpr SDL_GameControllerButton kSdl[] = {
        SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,         SDL_CONTROLLER_BUTTON_X,
        SDL_CONTROLLER_BUTTON_Y,         SDL_CONTROLLER_BUTTON_BACK,      SDL_CONTROLLER_BUTTON_START,
        SDL_CONTROLLER_BUTTON_DPAD_UP,   SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
        SDL_CONTROLLER_BUTTON_DPAD_RIGHT};
    if (impl_->joystick) SDL_JoystickSetVirtualButton(impl_->joystick, kSdl[unsigned(button)], down ? 1 : 0);
}

void VirtualGamepad::Stick(int16_t x, int16_t y) {
    if (!impl_->joystick) return;
    SDL_JoystickSetVirtualAxis(impl_->joystick, SDL_CONTROLLER_AXIS_LEFTX, x);
    SDL_JoystickSetVirtualAxis(impl_->joystick, SDL_CONTROLLER_AXIS_LEFTY, y);
}

void VirtualGamepad::Unplug() {
    if (!impl_->joystick) return;
    const int index = IndexOf(impl_->joystick);
    SDL_JoystickClose(impl_->joystick);
    impl_->joystick = nullptr;
    if (index >= 0) SDL_JoystickDetachVirtual(index);
}

}  // namespace klice::platform
