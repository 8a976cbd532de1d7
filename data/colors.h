// Colour values (0x00BBGGRR) and the colour identifiers a stream may carry
// in place of a number ("clWhite", letter case ignored). System colours are
// 0xFF000000 plus the platform's system-colour index; clNone and clDefault
// are markers, not colours.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace klice {

struct TIdentMapEntry;
class TTypeInfo;

using TColor = int32_t;

inline constexpr TColor kSystemColorBase = static_cast<TColor>(0xFF000000u);
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index)); }
constexpr bool IsSystemColor(TColor color) { return (static_cast<uint32_t>(color) & 0xFF000000u) == 0xFF000000u; }
constexpr int SystemColorIndex(TColor color) { return static_cast<int>(static_cast<uint32_t>(color) & 0xFFu); }

inline constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                        clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                        clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                        clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                        clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;

inline constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1), clActiveCaption = SystemColor(2),
                        clInactiveCaption = SystemColor(3), clMenu = SystemColor(4), clWindow = SystemColor(5),
                        clWindowFrame = SystemColor(6), clMenuText = SystemColor(7), clWindowText = SystemColor(8),
                        clCaptionText = SystemColor(9), clActiveBorder = SystemColor(10),
                        clInactiveBorder = SystemColor(11), clAppWorkSpace = SystemColor(12),
                        clHighlight = SystemColor(13), clHighlightText = SystemColor(14), clBtnFace = SystemColor(15),
                        clBtnShadow = SystemColor(16), clGrayText = SystemColor(17), clBtnText = SystemColor(18),
                        clInactiveCaptionText = SystemColor(19), clBtnHighlight = SystemColor(20),
                        cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22), clInfoText = SystemColor(23),
                        clInfoBk = SystemColor(24), clHotLight = SystemColor(26),
                        clGradientActiveCaption = SystemColor(27), clGradientInactiveCaption = SystemColor(28),
                        clMenuHighlight = SystemColor(29), clMenuBar = SystemColor(30);

inline constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

// The 52 colour identifiers with their values.
std::span<const TIdentMapEntry> ColorIdentifiers();
// Type information of colour properties: the identifier table above.
const TTypeInfo& ColorType();
std::optional<TColor> IdentToColor(std::string_view ident);
// The identifier of a colour value, or nullptr for a plain number.
const char* ColorToIdent(TColor color);

}  // namespace klice
