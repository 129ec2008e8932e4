#pragma once
// Colour values and their standard names. Portable: no platform headers.
//
// A TColor is 0x00BBGGRR for an explicit colour; 0xFF0000nn names the platform's system colour number nn and is
// resolved only when drawing (see ColorToRGB in framework/Graphics.h); clNone and clDefault are markers, not
// colours. Stored form descriptions name colours by the identifiers below or give the number.

#include <cstdint>
#include <optional>
#include <string_view>

namespace qd {

using TColor = std::uint32_t;

inline constexpr TColor kSystemColorFlag = 0xFF000000u;

constexpr bool IsSystemColor(TColor c) noexcept { return (c & 0xFF000000u) == kSystemColorFlag; }
// The platform's system colour number of a system colour value (meaningful only when IsSystemColor).
constexpr int SystemColorIndex(TColor c) noexcept { return static_cast<int>(c & 0xFFu); }

// Explicit colours.
inline constexpr TColor clBlack = 0x000000u;
inline constexpr TColor clMaroon = 0x000080u;
inline constexpr TColor clGreen = 0x008000u;
inline constexpr TColor clOlive = 0x008080u;
inline constexpr TColor clNavy = 0x800000u;
inline constexpr TColor clPurple = 0x800080u;
inline constexpr TColor clTeal = 0x808000u;
inline constexpr TColor clGray = 0x808080u;
inline constexpr TColor clSilver = 0xC0C0C0u;
inline constexpr TColor clRed = 0x0000FFu;
inline constexpr TColor clLime = 0x00FF00u;
inline constexpr TColor clYellow = 0x00FFFFu;
inline constexpr TColor clBlue = 0xFF0000u;
inline constexpr TColor clFuchsia = 0xFF00FFu;
inline constexpr TColor clAqua = 0xFFFF00u;
inline constexpr TColor clWhite = 0xFFFFFFu;
inline constexpr TColor clLtGray = clSilver;
inline constexpr TColor clDkGray = clGray;
inline constexpr TColor clMoneyGreen = 0xC0DCC0u;
inline constexpr TColor clSkyBlue = 0xF0CAA6u;
inline constexpr TColor clCream = 0xF0FBFFu;
inline constexpr TColor clMedGray = 0xA4A0A0u;

// Markers.
inline constexpr TColor clNone = 0x1FFFFFFFu;     // no colour given
inline constexpr TColor clDefault = 0x20000000u;  // the control's own default

// System colours: kSystemColorFlag | the platform's COLOR_xxx number.
inline constexpr TColor clScrollBar = 0xFF000000u;
inline constexpr TColor clBackground = 0xFF000001u;
inline constexpr TColor clActiveCaption = 0xFF000002u;
inline constexpr TColor clInactiveCaption = 0xFF000003u;
inline constexpr TColor clMenu = 0xFF000004u;
inline constexpr TColor clWindow = 0xFF000005u;
inline constexpr TColor clWindowFrame = 0xFF000006u;
inline constexpr TColor clMenuText = 0xFF000007u;
inline constexpr TColor clWindowText = 0xFF000008u;
inline constexpr TColor clCaptionText = 0xFF000009u;
inline constexpr TColor clActiveBorder = 0xFF00000Au;
inline constexpr TColor clInactiveBorder = 0xFF00000Bu;
inline constexpr TColor clAppWorkSpace = 0xFF00000Cu;
inline constexpr TColor clHighlight = 0xFF00000Du;
inline constexpr TColor clHighlightText = 0xFF00000Eu;
inline constexpr TColor clBtnFace = 0xFF00000Fu;
inline constexpr TColor clBtnShadow = 0xFF000010u;
inline constexpr TColor clGrayText = 0xFF000011u;
inline constexpr TColor clBtnText = 0xFF000012u;
inline constexpr TColor clInactiveCaptionText = 0xFF000013u;
inline constexpr TColor clBtnHighlight = 0xFF000014u;
inline constexpr TColor cl3DDkShadow = 0xFF000015u;
inline constexpr TColor cl3DLight = 0xFF000016u;
inline constexpr TColor clInfoText = 0xFF000017u;
inline constexpr TColor clInfoBk = 0xFF000018u;
inline constexpr TColor clHotLight = 0xFF00001Au;
inline constexpr TColor clGradientActiveCaption = 0xFF00001Bu;
inline constexpr TColor clGradientInactiveCaption = 0xFF00001Cu;
inline constexpr TColor clMenuHighlight = 0xFF00001Du;
inline constexpr TColor clMenuBar = 0xFF00001Eu;

// "clBtnFace" -> clBtnFace (ASCII case folded); nothing for an unknown name.
std::optional<TColor> IdentToColor(std::string_view ident) noexcept;
// The standard name of a colour value, or an empty view when it has none. Aliases (clLtGray, clDkGray) are read
// but never written: a value maps back to its first name (clSilver, clGray).
std::string_view ColorToIdent(TColor color) noexcept;

}  // namespace qd
