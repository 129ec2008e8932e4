#pragma once
// Gradient painting and fully transparent bitmap drawing of the widget library.

#include <windows.h>

#include "framework/Colors.h"

namespace qd {

// Gradient directions. The widgets use gdVertical: first colour at the bottom edge, second at the top.
enum : int {
    gdDiagonalUp = 0,        // first colour bottom-left, second top-right
    gdDiagonalDown = 1,      // first colour top-left, second bottom-right
    gdVertical = 2,          // first colour bottom, second top
    gdVerticalCentre = 3,    // first colour at top and bottom, second in the middle
    gdBox = 4,               // first colour at the border, second in the centre (rectangular rings)
    gdHorizontal = 5,        // first colour left, second right
    gdHorizontalCentre = 6,  // first colour at left and right, second in the middle
    gdDiamond = 7,           // rings by the sum of the distances to the nearest edges
    gdRound = 8,             // rings by the Euclidean distance to the corner of the quarter
    gdBoxReversed = 9,       // rectangular rings, second colour at the border
};

// Fills the rectangle with a gradient composed off-screen and copied once. A band is `colorStep` lines
// for steps up to 8, else 255 / colorStep + 1 lines; a step below 1 counts as 1. An empty rectangle
// draws nothing; a one-line gradient is the first colour.
void PaintGradient(HDC dc, const RECT& rect, int direction, int colorStep, TColor first, TColor second);

// Stretches the source area of the bitmap into the destination; pixels of the transparent colour are
// left out, so the destination shows through them.
void DrawFullTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& dest, TColor transparent, const RECT& src);

}  // namespace qd
