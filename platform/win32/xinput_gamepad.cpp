// Game pads through XInput, loaded by name when first needed: a machine
// without it (or without a pad) simply has no pads. Virtual pads sit in slots
// of their own beside the system's four and are read through the same
// translation, so tests reach the game the way a real pad does.
#include <algorithm>
#include <array>

#include "platform/backend.h"
#include "platform/win32/win32.h"
// clang-format off
#include <xinput.h>
// clang-format on

namespace klice::platform::detail {

namespace {

using GetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

GetState LoadXInput() {
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"})
        if (HMODULE library = LoadLibraryA(name))
            if (auto get =
                    reinterpret_cast<GetState>(reinterpret_cast<void*>(GetProcAddress(library, "XInputGetState"))))
                return get;
    return nullptr;
}

// XInput's stick counts upwards; ours, like the screen, downwards.
int16_t Flip(int16_t v) { return v == INT16_MIN ? INT16_MAX : int16_t(-v); }

GamepadState StateOf(const XINPUT_GAMEPAD& pad) {
    static constexpr std::pair<WORD, PadButton> kButtons[] = {
        {XINPUT_GAMEPAD_A, PadButton::South},
        {XINPUT_GAMEPAD_B, PadButton::East},
        {XINPUT_GAMEPAD_X, PadButton::West},
        {XINPUT_GAMEPAD_Y, PadButton::North},
        {XINPUT_GAMEPAD_BACK, PadButton::Back},
        {XINPUT_GAMEPAD_START, PadButton::Start},
        {XINPUT_GAMEPAD_DPAD_UP, PadButton::DpadUp},
        {XINPUT_GAMEPAD_DPAD_DOWN, PadButton::DpadDown},
        {XINPUT_GAMEPAD_DPAD_LEFT, PadButton::DpadLeft},
        {XINPUT_GAMEPAD_DPAD_RIGHT, PadButton::DpadRight},
    };
    GamepadState state;
    for (const auto& [bit, button] : kButtons) state.Set(button, (pad.wButtons & bit) != 0);
    state.left_x = pad.sThumbLX;
    state.left_y = Flip(pad.sThumbLY);
    return state;
}

// The virtual pads' slots: what a pad would report to XInputGetState.
struct VirtualSlots {
    std::array<XINPUT_GAMEPAD, 4> pads{};
    std::array<bool, 4> plugged{};
};
VirtualSlots& Virtual() {
    static VirtualSlots slots;
    return slots;
}

}  // namespace

void ReadSystemGamepads(std::vector<GamepadState>* pads) {
    static const GetState get_state = LoadXInput();
    if (get_state)
        for (DWORD slot = 0; slot < XUSER_MAX_COUNT; ++slot) {
            XINPUT_STATE state{};
            if (get_state(slot, &state) == ERROR_SUCCESS) pads->push_back(StateOf(state.Gamepad));
        }
    const VirtualSlots& slots = Virtual();
    for (size_t i = 0; i < slots.pads.size(); ++i)
        if (slots.plugged[i]) pads->push_back(StateOf(slots.pads[i]));
}

}  // namespace klice::platform::detail

namespace klice::platform {

struct VirtualGamepad::Impl {
    int slot = -1;
};

VirtualGamepad::VirtualGamepad() : impl_(new Impl) {
    auto& slots = detail::Virtual();
    for (size_t i = 0; i < slots.plugged.size(); ++i)
        if (!slots.plugged[i]) {
            slots.plugged[i] = true;
            slots.pads[i] = {};
            impl_->slot = int(i);
            break;
        }
}

VirtualGamepad::~VirtualGamepad() {
    Unplug();
    delete impl_;
}

bool VirtualGamepad::Plugged() const { return impl_->slot >= 0; }

void VirtualGamepad::Hold(PadButton button, bool down) {
    static constexpr WORD kBits[] = {XINPUT_GAMEPAD_A,         XINPUT_GAMEPAD_B,         XINPUT_GAMEPAD_X,
                                     XINPUT_GAMEPAD_Y,         XINPUT_GAMEPAD_BACK,      XINPUT_GAMEPAD_START,
                                     XINPUT_GAMEPAD_DPAD_UP,   XINPUT_GAMEPAD_DPAD_DOWN, XINPUT_GAMEPAD_DPAD_LEFT,
                                     XINPUT_GAMEPAD_DPAD_RIGHT};
    if (impl_->slot < 0) return;
    WORD& buttons = detail::Virtual().pads[size_t(impl_->slot)].wButtons;
    buttons = down ? WORD(buttons | kBits[unsigned(button)]) : WORD(buttons & ~kBits[unsigned(button)]);
}

void VirtualGamepad::Stick(int16_t x, int16_t y) {
    if (impl_->slot < 0) return;
    XINPUT_GAMEPAD& pad = detail::Virtual().pads[size_t(impl_->slot)];
    pad.sThumbLX = x;
    pad.sThumbLY = detail::Flip(y);
}

void VirtualGamepad::Unplug() {
    if (impl_->slot < 0) return;
    detail::Virtual().plugged[size_t(impl_->slot)] = false;
    impl_->slot = -1;
}

}  // namespace klice::platform
