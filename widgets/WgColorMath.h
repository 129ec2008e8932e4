#pragma once
// The widget library's colour model: hue, saturation and luminance on a 0..240 scale, and the
// lighten / darken / blend operations built on it. Colours here are explicit RGB values (0x00BBGGRR);
// system colours are resolved by the callers in WgCommon before they reach these functions.
// Portable: no platform headers.

#include <cstdint>

namespace qd {

using TRGB = std::uint32_t;  // 0x00BBGGRR

constexpr TRGB MakeRGB(int r, int g, int b) noexcept {
    return static_cast<TRGB>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(TRGB c) noexcept { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(TRGB c) noexcept { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(TRGB c) noexcept { return static_cast<int>((c >> 16) & 0xFF); }

struct THSL {
    std::uint8_t Hue = 0;         // 0..240
    std::uint8_t Saturation = 0;  // 0..240
    std::uint8_t Luminance = 0;   // 0..240 (255 when lightened past full)
};

THSL RGBToHSL(TRGB colour) noexcept;
// Luminance may exceed 240 (up to 255): channels are then clipped at full intensity.
TRGB HSLToRGB(int hue, int saturation, int luminance) noexcept;

TRGB DarkerRGB(TRGB colour, int amount) noexcept;
TRGB LighterRGB(TRGB colour, int amount) noexcept;
// Per channel round(a * w / 255 + b * (1 - w / 255)); the weight is clamped to 0..255.
TRGB BlendRGB(TRGB a, TRGB b, int weight) noexcept;
bool RGBsTooClose(TRGB c1, TRGB c2) noexcept;
TRGB ComplementaryRGB(TRGB colour, int luminance) noexcept;

}  // namespace qd
