// Game pads as the system reports them: which buttons are down and where the
// left stick stands, read once before every timer tick. What a pad means to
// the game is decided above the platform (input/).
#pragma once

#include <cstdint>
#include <vector>

namespace klice::platform {

// The buttons of a standard pad, named by their place: South is the lower
// face button ("A" on many pads), East the right one, North the upper one.
enum class PadButton : uint8_t { South, East, West, North, Back, Start, DpadUp, DpadDown, DpadLeft, DpadRight };

struct GamepadState {
    uint32_t buttons = 0;  // bit n for PadButton n
    // The left stick from -32768 to 32767: x to the right, y downwards.
    int16_t left_x = 0, left_y = 0;

    bool Held(PadButton b) const { return (buttons >> unsigned(b)) & 1u; }
    void Set(PadButton b, bool down) {
        const uint32_t bit = 1u << unsigned(b);
        buttons = down ? buttons | bit : buttons & ~bit;
    }
};

// Every pad connected now, as read by the system's pad interface (none where
// the system has no such interface or no pad is connected).
std::vector<GamepadState> ReadGamepads();

// A pad made by the program and plugged into the system's pad interface, so
// that tests reach the game through the same path as a real pad: SDL's
// virtual joysticks on Unix desktops, the pad-state interface on Windows.
class VirtualGamepad {
public:
    // Plugs the pad in; Plugged() tells whether the system took it.
    VirtualGamepad();
    // Pulls the pad out, whatever it holds.
    ~VirtualGamepad();
    VirtualGamepad(const VirtualGamepad&) = delete;
    VirtualGamepad& operator=(const VirtualGamepad&) = delete;

    bool Plugged() const;
    void Hold(PadButton button, bool down);
    void Stick(int16_t x, int16_t y);
    // Pulls the pad out now.
    void Unplug();

    struct Impl;

private:
    Impl* impl_;
};

}  // namespace klice::platform
