#pragma once
// Colour helpers and line-based border drawing of the widget library. Colours may be system colours
// (0xFF0000nn); they are resolved to RGB before any arithmetic. clNone (0x1FFFFFFF) as a line colour
// means "skip these lines".

#include <windows.h>

#include <cstdint>

#include "framework/Colors.h"

namespace qd {

// A solid rectangle without a brush of its own (ExtTextOut's opaque background), in `colour` resolved to RGB;
// the DC's background colour is left as it was, and an empty rectangle draws nothing.
void FillSolid(HDC dc, int left, int top, int right, int bottom, TColor colour);
void FillSolid(HDC dc, const RECT& rect, TColor colour);

// Side set: bit 1 left, bit 2 top, bit 4 right, bit 8 bottom.
enum : int { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8, sdAll = 15 };

void ColorToHSL(TColor color, std::uint8_t& hue, std::uint8_t& saturation, std::uint8_t& luminance);
int ColorHue(TColor color);
TColor HSLtoColor(int hue, int saturation, int luminance);
TColor DarkerColor(TColor color, int amount);
TColor LighterColor(TColor color, int amount);
TColor BlendColors(TColor a, TColor b, int weight);
bool ColorsTooClose(TColor c1, TColor c2);
TColor ComplementaryColor(TColor color, int luminance);
// True when the screen has no palette limit (more than 256 colours).
bool IsFullColorSupported();

// 1-pixel lines on the chosen sides: left and top in `leftTop`, right and bottom in `rightBottom`. The
// right/bottom colour owns the top-right and bottom-left corner pixels. `inner` is the rectangle shrunk by 1
// on each chosen side, also where a colour is clNone and its lines are skipped.
void DrawSides(HDC dc, const RECT& rect, TColor leftTop, RECT& inner, int sides, TColor rightBottom);
// DrawSides `count` times inward.
void DrawBevel(HDC dc, const RECT& rect, TColor leftTop, RECT& inner, int sides, int count, TColor rightBottom);
// Dotted focus frame: every second pixel of each edge, starting one pixel in from the corner, set to black.
void DrawFocusBorder(HDC dc, const RECT& rect, RECT& inner);

// Border styles of the label and the classic button look.
enum class TFrameStyleEx {
    fsNone,
    fsFlat,
    fsGroove,
    fsBump,
    fsLowered,
    fsButtonDown,
    fsRaised,
    fsButtonUp,
    fsStatus,
    fsPopup,
    fsFlatBold,
    fsFlatRounded
};

struct TFrameColors {
    TColor Highlight = clBtnHighlight;
    TColor Shadow = clBtnShadow;
    TColor Flat = clBtnShadow;
    int FlatAdjustment = 30;
    int BevelWidth = 1;
};

// Lines a style takes on each chosen side (what auto-size and painting inset the text by).
int FrameStyleWidth(TFrameStyleEx style, int bevelWidth) noexcept;
// Draws a border style from the system-colour tables; returns the rectangle inside it.
RECT DrawFrameStyle(HDC dc, const RECT& rect, TFrameStyleEx style, int sides, const TFrameColors& colors);
// The colour variant: the rings come from a base colour C (C lightened / darkened by 100 for the outer
// ring, lightened by 40 / darkened by 50 for the inner one) instead of the system colours.
RECT DrawColorFrameStyle(HDC dc, const RECT& rect, TFrameStyleEx style, int sides, TColor base);

}  // namespace qd
