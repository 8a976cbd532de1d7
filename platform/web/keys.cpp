#include "platform/web/keys.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "platform/virtual_keys.h"

namespace klice::platform {

namespace {

// The digit or letter after `prefix` ("Digit7" -> '7'), or 0.
char SuffixChar(std::string_view code, std::string_view prefix, char first, char last) {
    if (code.size() != prefix.size() + 1 || code.substr(0, prefix.size()) != prefix) return 0;
    const char c = code.back();
    return c >= first && c <= last ? c : 0;
}

constexpr std::array<std::pair<std::string_view, int32_t>, 27> kNamed{{
    {"Backspace", vk::Back},  {"Tab", vk::Tab},          {"Enter", vk::Return},        {"NumpadEnter", vk::Return},
    {"ShiftLeft", vk::Shift}, {"ShiftRight", vk::Shift}, {"ControlLeft", vk::Control}, {"ControlRight", vk::Control},
    {"AltLeft", vk::Menu},    {"AltRight", vk::Menu},    {"Pause", vk::Pause},         {"Escape", vk::Escape},
    {"Space", vk::Space},     {"PageUp", vk::Prior},     {"PageDown", vk::Next},       {"End", vk::End},
    {"Home", vk::Home},       {"ArrowLeft", vk::Left},   {"ArrowUp", vk::Up},          {"ArrowRight", vk::Right},
    {"ArrowDown", vk::Down},  {"Insert", vk::Insert},    {"Delete", vk::Delete},       {"Numpad0", vk::Numpad0},
    {"F10", vk::F1 + 9},      {"F11", vk::F1 + 10},      {"F12", vk::F1 + 11},
}};

}  // namespace

int32_t VkFromKeyCode(std::string_view code) {
    if (char c = SuffixChar(code, "Key", 'A', 'Z')) return c;
    if (char c = SuffixChar(code, "Digit", '0', '9')) return c;
    if (char c = SuffixChar(code, "F", '1', '9')) return vk::F1 + (c - '1');
    if (char c = SuffixChar(code, "Numpad", '1', '9')) return vk::Numpad0 + (c - '0');
    for (const auto& [name, key] : kNamed)
        if (name == code) return key;
    return 0;
}

GamepadState PadFromStandardLayout(const double* axes, int axis_count, const bool* pressed, int button_count) {
    static constexpr std::pair<int, PadButton> kButtons[] = {
        {0, PadButton::South},     {1, PadButton::East},       {2, PadButton::West},    {3, PadButton::North},
        {8, PadButton::Back},      {9, PadButton::Start},      {12, PadButton::DpadUp}, {13, PadButton::DpadDown},
        {14, PadButton::DpadLeft}, {15, PadButton::DpadRight},
    };
    GamepadState state;
    for (const auto& [index, button] : kButtons)
        if (index < button_count) state.Set(button, pressed[index]);
    // -1 to 1 onto the desktop's range, -32768 to 32767.
    auto axis = [&](int index) -> int16_t {
        if (index >= axis_count || !std::isfinite(axes[index])) return 0;
        const double v = std::clamp(axes[index], -1.0, 1.0);
        return int16_t(std::lround(v < 0 ? v * 32768.0 : v * 32767.0));
    };
    state.left_x = axis(0);
    state.left_y = axis(1);
    return state;
}

}  // namespace klice::platform
