#pragma once
// Colour values of a skin and how a skin description spells them.
// A colour value is 32 bits: 0x00BBGGRR is an explicit colour, 0xFF0000nn names system colour number nn
// (resolved when drawing), 0x1FFFFFFF means that no colour is given.
// Portable: no platform headers here.

#include <cstdint>
#include <optional>
#include <string_view>

#include "framework/Colors.h"

namespace qd {

class TQuickIni;

// The framework's colour type: IsSystemColor and SystemColorIndex come from framework/Colors.h.
using TColorValue = TColor;

constexpr TColorValue ColorNone = clNone;
// Magenta: the transparent pixels of every skin bitmap.
constexpr TColorValue ColorKey = 0x00FF00FF;

constexpr TColorValue RgbColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) noexcept {
    return static_cast<TColorValue>(red) | (static_cast<TColorValue>(green) << 8) |
           (static_cast<TColorValue>(blue) << 16);
}
constexpr TColorValue SystemColor(std::uint8_t index) noexcept { return kSystemColorFlag | index; }

// A colour triple as a description writes it ("210 232 249", "0,78,152"): decimal numbers separated by any other
// characters give red, green and blue in that order, each reduced to its low 8 bits. A number that ends the text
// counts only as the third component. Missing components are 0; components beyond the third are ignored.
// A number above 2147483647 is not stored and ends the parse (that component and every later one stay 0).
// The text is trimmed first. Never fails: any text gives a colour.
TColorValue ParseColorTriple(std::string_view text) noexcept;

// The colour triple of [section] key; `def` when the key is missing or its value is empty.
TColorValue ReadColorTriple(const TQuickIni& ini, std::string_view section, std::string_view key, TColorValue def);

// The colour given by three integer keys prefix + "R", prefix + "G", prefix + "B" of [section] (as the caption text
// colours ActiveTextR/G/B are given); nothing unless all three are present and >= 0. Each is cut to its low 8 bits.
std::optional<TColorValue> ReadRgbKeys(const TQuickIni& ini, std::string_view section, std::string_view prefix);

}  // namespace qd
