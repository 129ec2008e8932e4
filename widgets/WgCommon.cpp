#include "widgets/WgCommon.h"

#include <algorithm>

#include "framework/Gdi.h"
#include "framework/Graphics.h"
#include "widgets/WgColorMath.h"

namespace qd {

namespace {

TRGB Resolve(TColor c) { return static_cast<TRGB>(ColorToRGB(c)); }

}  // namespace

void FillSolid(HDC dc, int left, int top, int right, int bottom, TColor colour) {
    if (right <= left || bottom <= top) return;
    const RECT r{left, top, right, bottom};
    const COLORREF old = ::SetBkColor(dc, ColorToRGB(colour));
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void FillSolid(HDC dc, const RECT& rect, TColor colour) {
    FillSolid(dc, rect.left, rect.top, rect.right, rect.bottom, colour);
}

void ColorToHSL(TColor color, std::uint8_t& hue, std::uint8_t& saturation, std::uint8_t& luminance) {
    const THSL hsl = RGBToHSL(Resolve(color));
    hue = hsl.Hue;
    saturation = hsl.Saturation;
    luminance = hsl.Luminance;
}

int ColorHue(TColor color) { return RGBToHSL(Resolve(color)).Hue; }
TColor HSLtoColor(int hue, int saturation, int luminance) { return HSLToRGB(hue, saturation, luminance); }
TColor DarkerColor(TColor color, int amount) { return DarkerRGB(Resolve(color), amount); }
TColor LighterColor(TColor color, int amount) { return LighterRGB(Resolve(color), amount); }
TColor BlendColors(TColor a, TColor b, int weight) { return BlendRGB(Resolve(a), Resolve(b), weight); }
bool ColorsTooClose(TColor c1, TColor c2) { return RGBsTooClose(Resolve(c1), Resolve(c2)); }
TColor ComplementaryColor(TColor color, int luminance) { return ComplementaryRGB(Resolve(color), luminance); }

bool IsFullColorSupported() {
    TWindowDC screen(nullptr);
    return ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES) > 8;
}

void DrawSides(HDC dc, const RECT& rect, TColor leftTop, RECT& inner, int sides, TColor rightBottom) {
    const RECT r = rect;
    inner = r;
    if (sides & sdLeft) ++inner.left;
    if (sides & sdTop) ++inner.top;
    if (sides & sdRight) --inner.right;
    if (sides & sdBottom) --inner.bottom;
    if (r.right <= r.left || r.bottom <= r.top) return;
    if (leftTop != clNone) {
        const COLORREF c = ColorToRGB(leftTop);
        // The left line stops above the bottom-left pixel and the top line before the top-right pixel:
        // those corners belong to the right/bottom colour.
        if (sides & sdLeft) FillSolid(dc, r.left, r.top, r.left + 1, r.bottom - 1, c);
        if (sides & sdTop) FillSolid(dc, r.left, r.top, r.right - 1, r.top + 1, c);
    }
    if (rightBottom != clNone) {
        const COLORREF c = ColorToRGB(rightBottom);
        if (sides & sdRight) FillSolid(dc, r.right - 1, r.top, r.right, r.bottom, c);
        if (sides & sdBottom) FillSolid(dc, r.left, r.bottom - 1, r.right, r.bottom, c);
    }
}

void DrawBevel(HDC dc, const RECT& rect, TColor leftTop, RECT& inner, int sides, int count, TColor rightBottom) {
    inner = rect;
    for (int i = 0; i < count; ++i) {
        const RECT outer = inner;
        DrawSides(dc, outer, leftTop, inner, sides, rightBottom);
    }
}

void DrawFocusBorder(HDC dc, const RECT& rect, RECT& inner) {
    inner = rect;
    ::InflateRect(&inner, -1, -1);
    const COLORREF black = RGB(0, 0, 0);
    for (int x = rect.left + 1; x < rect.right - 1; x += 2) {
        ::SetPixelV(dc, x, rect.top, black);
        ::SetPixelV(dc, x, rect.bottom - 1, black);
    }
    for (int y = rect.top + 1; y < rect.bottom - 1; y += 2) {
        ::SetPixelV(dc, rect.left, y, black);
        ::SetPixelV(dc, rect.right - 1, y, black);
    }
}

int FrameStyleWidth(TFrameStyleEx style, int bevelWidth) noexcept {
    switch (style) {
        case TFrameStyleEx::fsNone:
            return 0;
        case TFrameStyleEx::fsFlat:
            return 1;
        case TFrameStyleEx::fsStatus:
        case TFrameStyleEx::fsPopup:
            return bevelWidth;
        default:
            return 2;
    }
}

namespace {

struct TRing {
    TColor LeftTop, RightBottom;
};

// Up to two rings, outer first.
struct TRings {
    TRing Ring[2];
    int Count;
};

TRings SystemRings(TFrameStyleEx style, const TFrameColors& c) {
    switch (style) {
        case TFrameStyleEx::fsFlat:
            return {{{c.Flat, c.Flat}}, 1};
        case TFrameStyleEx::fsFlatBold:
            return {{{c.Flat, c.Flat}, {c.Flat, c.Flat}}, 2};
        case TFrameStyleEx::fsStatus:
            return {{{c.Shadow, c.Highlight}}, 1};
        case TFrameStyleEx::fsPopup:
            return {{{c.Highlight, c.Shadow}}, 1};
        case TFrameStyleEx::fsLowered:
            return {{{c.Shadow, c.Highlight}, {cl3DDkShadow, cl3DLight}}, 2};
        case TFrameStyleEx::fsRaised:
            return {{{cl3DLight, cl3DDkShadow}, {c.Highlight, c.Shadow}}, 2};
        case TFrameStyleEx::fsButtonUp:
            return {{{clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}}, 2};
        case TFrameStyleEx::fsButtonDown:
            return {{{clBtnText, clBtnText}, {clBtnShadow, clBtnShadow}}, 2};
        case TFrameStyleEx::fsGroove:
            return {{{c.Shadow, c.Highlight}, {c.Highlight, c.Shadow}}, 2};
        case TFrameStyleEx::fsBump:
            return {{{c.Highlight, c.Shadow}, {c.Shadow, c.Highlight}}, 2};
        default:
            return {{}, 0};
    }
}

RECT DrawRings(HDC dc, const RECT& rect, const TRings& rings, int sides, int linesPerRing) {
    RECT inner = rect;
    for (int i = 0; i < rings.Count; ++i) {
        const RECT outer = inner;
        DrawBevel(dc, outer, rings.Ring[i].LeftTop, inner, sides, linesPerRing, rings.Ring[i].RightBottom);
    }
    return inner;
}

// A one-pixel ring whose corner pixels are left out (a softly rounded look).
RECT DrawRoundedRing(HDC dc, const RECT& r, TColor colour, int sides) {
    RECT inner = r;
    if (r.right - r.left < 2 || r.bottom - r.top < 2) return inner;
    const COLORREF c = ColorToRGB(colour);
    if (sides & sdLeft) {
        FillSolid(dc, r.left, r.top + 1, r.left + 1, r.bottom - 1, c);
        ++inner.left;
    }
    if (sides & sdTop) {
        FillSolid(dc, r.left + 1, r.top, r.right - 1, r.top + 1, c);
        ++inner.top;
    }
    if (sides & sdRight) {
        FillSolid(dc, r.right - 1, r.top + 1, r.right, r.bottom - 1, c);
        --inner.right;
    }
    if (sides & sdBottom) {
        FillSolid(dc, r.left + 1, r.bottom - 1, r.right - 1, r.bottom, c);
        --inner.bottom;
    }
    return inner;
}

}  // namespace

RECT DrawFrameStyle(HDC dc, const RECT& rect, TFrameStyleEx style, int sides, const TFrameColors& colors) {
    switch (style) {
        case TFrameStyleEx::fsNone:
            return rect;
        case TFrameStyleEx::fsFlatRounded: {
            RECT inner = DrawRoundedRing(dc, rect, DarkerColor(colors.Flat, colors.FlatAdjustment), sides);
            // Rounded styles take two lines like the other two-ring styles; the second ring is the face.
            RECT second = inner;
            if (sides & sdLeft) ++second.left;
            if (sides & sdTop) ++second.top;
            if (sides & sdRight) --second.right;
            if (sides & sdBottom) --second.bottom;
            return second;
        }
        case TFrameStyleEx::fsStatus:
        case TFrameStyleEx::fsPopup:
            return DrawRings(dc, rect, SystemRings(style, colors), sides, std::max(colors.BevelWidth, 0));
        default:
            return DrawRings(dc, rect, SystemRings(style, colors), sides, 1);
    }
}

RECT DrawColorFrameStyle(HDC dc, const RECT& rect, TFrameStyleEx style, int sides, TColor base) {
    const TColor outerLight = LighterColor(base, 100), outerDark = DarkerColor(base, 100);
    const TColor innerLight = LighterColor(base, 40), innerDark = DarkerColor(base, 50);
    TRings rings{{}, 0};
    switch (style) {
        case TFrameStyleEx::fsNone:
            return rect;
        case TFrameStyleEx::fsFlat:
            rings = {{{base, base}}, 1};
            break;
        case TFrameStyleEx::fsButtonDown:
            rings = {{{outerDark, outerDark}, {innerDark, innerDark}}, 2};
            break;
        case TFrameStyleEx::fsLowered:
            rings = {{{outerDark, outerLight}, {innerDark, innerLight}}, 2};
            break;
        case TFrameStyleEx::fsStatus:
            rings = {{{outerDark, outerLight}}, 1};
            break;
        case TFrameStyleEx::fsPopup:
            rings = {{{outerLight, outerDark}}, 1};
            break;
        default:
            rings = {{{outerLight, outerDark}, {innerLight, innerDark}}, 2};
            break;
    }
    return DrawRings(dc, rect, rings, sides, 1);
}

}  // namespace qd
