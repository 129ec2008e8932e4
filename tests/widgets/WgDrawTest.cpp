// Pixel tests of the widget drawing helpers: gradients, sides and bevels, focus frame, transparent blit.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "framework/Gdi.h"
#include "widgets/WgCommon.h"
#include "widgets/WgGrafx.h"

namespace qd {
namespace {

constexpr COLORREF kGrey = RGB(128, 128, 128);

// A 32-bit surface with a DC on it; pixels read back as COLORREF.
struct Surface {
    TDibSection Dib;
    TMemoryDC DC{nullptr};
    TSelectGuard Keep;
    Surface(int w, int h, COLORREF fill = kGrey) : Dib(CreateDib32(w, h)), Keep(DC, Dib.Bitmap.Get()) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, fill);
    }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const std::uint32_t p = static_cast<const std::uint32_t*>(Dib.Bits)[y * Dib.Width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    void Set(int x, int y, COLORREF c) {
        static_cast<std::uint32_t*>(Dib.Bits)[y * Dib.Width + x] =
            (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
};

TEST(WgColors, SystemColoursAreResolvedBeforeArithmetic) {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(DarkerColor(clBtnFace, 0) & 0xFFFFFF, face);
    EXPECT_EQ(BlendColors(clBtnFace, clBlack, 255), face);
    EXPECT_EQ(DarkerColor(clBlack, 30), clBlack);
    EXPECT_EQ(LighterColor(clWhite, 30), clWhite);
    std::uint8_t h = 0, s = 0, l = 0;
    ColorToHSL(clRed, h, s, l);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(l, 120);
    EXPECT_EQ(ColorHue(clBlue), 160);
    EXPECT_TRUE(IsFullColorSupported());  // the test display is 24-bit
}

TEST(WgFill, FillsExactlyTheRectangleInTheResolvedColourAndKeepsTheBackgroundColour) {
    Surface s(10, 10);
    ::SetBkColor(s.DC, RGB(1, 2, 3));
    FillSolid(s.DC, RECT{2, 3, 6, 8}, clBtnFace);
    FillSolid(s.DC, 7, 7, 7, 9, clBlack);  // empty: nothing
    EXPECT_EQ(::GetBkColor(s.DC), RGB(1, 2, 3));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 3 && y < 8;
            ASSERT_EQ(s.At(x, y), inside ? ::GetSysColor(COLOR_BTNFACE) : kGrey) << x << "," << y;
        }
}

TEST(WgGradient, VerticalRunsFromBottomToTopAcrossTheWholeWidth) {
    Surface s(100, 50);
    PaintGradient(s.DC, RECT{0, 0, 100, 50}, gdVertical, 1, RGB(0, 0, 0), RGB(200, 100, 0));
    EXPECT_EQ(s.At(0, 49), RGB(0, 0, 0));     // first colour at the bottom
    EXPECT_EQ(s.At(0, 0), RGB(200, 100, 0));  // second at the top
    // Replicated strip: every column equals the first one.
    for (int y = 0; y < 50; y += 7) ASSERT_EQ(s.At(97, y), s.At(3, y)) << y;
    // Monotonic: red grows toward the top.
    for (int y = 1; y < 50; ++y) ASSERT_GE(GetRValue(s.At(10, y - 1)), GetRValue(s.At(10, y))) << y;
}

TEST(WgGradient, DegenerateInputsNeitherHangNorDivideByZero) {
    Surface s(20, 20);
    PaintGradient(s.DC, RECT{5, 5, 5, 15}, gdVertical, 1, RGB(255, 0, 0), RGB(0, 0, 255));  // empty
    PaintGradient(s.DC, RECT{5, 15, 15, 5}, gdHorizontal, 1, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(s.At(5, 5), kGrey);
    EXPECT_EQ(s.At(10, 10), kGrey);
    // A one-line gradient is the first colour; a step of 0 or below counts as 1.
    PaintGradient(s.DC, RECT{0, 0, 20, 1}, gdVertical, 0, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(s.At(10, 0), RGB(255, 0, 0));
    PaintGradient(s.DC, RECT{0, 2, 1, 20}, gdHorizontal, -4, RGB(0, 255, 0), RGB(0, 0, 255));
    EXPECT_EQ(s.At(0, 10), RGB(0, 255, 0));
    // Every direction copes with a single pixel and an unknown direction fills with the first colour.
    for (int dir = 0; dir <= 9; ++dir) {
        PaintGradient(s.DC, RECT{0, 0, 1, 1}, dir, 0, RGB(1, 2, 3), RGB(4, 5, 6));
        const COLORREF c = s.At(0, 0);
        EXPECT_TRUE(c == RGB(1, 2, 3) || c == RGB(4, 5, 6)) << dir;
    }
    PaintGradient(s.DC, RECT{0, 0, 3, 3}, 42, 1, RGB(7, 7, 7), RGB(4, 5, 6));
    EXPECT_EQ(s.At(2, 2), RGB(7, 7, 7));
}

TEST(WgGradient, BandsAndTheOtherDirections) {
    // Bands of 255 / 20 + 1 = 13 lines share one colour.
    Surface s(40, 60);
    PaintGradient(s.DC, RECT{0, 0, 40, 60}, gdHorizontal, 20, RGB(0, 0, 0), RGB(240, 240, 240));
    for (int x = 1; x < 13; ++x) ASSERT_EQ(s.At(x, 5), s.At(0, 5)) << x;
    EXPECT_NE(s.At(13, 5), s.At(0, 5));
    // From both edges to the middle.
    Surface c(41, 10);
    PaintGradient(c.DC, RECT{0, 0, 41, 10}, gdHorizontalCentre, 1, RGB(0, 0, 0), RGB(200, 200, 200));
    EXPECT_EQ(c.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(c.At(40, 0), RGB(0, 0, 0));
    EXPECT_EQ(c.At(20, 0), RGB(200, 200, 200));
    EXPECT_EQ(c.At(5, 3), c.At(35, 3));
    // Diagonal with equal colours is one solid fill.
    Surface d(30, 30);
    PaintGradient(d.DC, RECT{0, 0, 30, 30}, gdDiagonalDown, 1, RGB(9, 8, 7), RGB(9, 8, 7));
    EXPECT_EQ(d.At(0, 0), RGB(9, 8, 7));
    EXPECT_EQ(d.At(29, 29), RGB(9, 8, 7));
    PaintGradient(d.DC, RECT{0, 0, 30, 30}, gdDiagonalDown, 1, RGB(0, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(d.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(d.At(29, 29), RGB(255, 255, 255));
    EXPECT_EQ(d.At(3, 10), d.At(10, 3));  // one diagonal, one colour
    // Box: the border in the first colour, symmetric about the centre.
    Surface b(31, 21);
    PaintGradient(b.DC, RECT{0, 0, 31, 21}, gdBox, 1, RGB(0, 0, 0), RGB(250, 250, 250));
    EXPECT_EQ(b.At(0, 10), RGB(0, 0, 0));
    EXPECT_EQ(b.At(30, 10), RGB(0, 0, 0));
    EXPECT_EQ(b.At(4, 4), b.At(26, 16));
    EXPECT_GT(GetRValue(b.At(15, 10)), 200);
}

TEST(WgSides, ChosenSidesAndTheNoColourValue) {
    Surface s(10, 10);
    RECT inner{};
    DrawSides(s.DC, RECT{0, 0, 10, 10}, clWhite, inner, sdAll, clBlack);
    EXPECT_EQ(inner.left, 1);
    EXPECT_EQ(inner.top, 1);
    EXPECT_EQ(inner.right, 9);
    EXPECT_EQ(inner.bottom, 9);
    EXPECT_EQ(s.At(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(s.At(0, 8), RGB(255, 255, 255));
    EXPECT_EQ(s.At(9, 0), RGB(0, 0, 0));  // the right/bottom colour owns the top-right corner
    EXPECT_EQ(s.At(0, 9), RGB(0, 0, 0));  // ... and the bottom-left one
    EXPECT_EQ(s.At(5, 5), kGrey);

    // clNone for the left/top pair: only right and bottom are drawn, the inner rectangle still shrinks.
    Surface n(10, 10);
    DrawSides(n.DC, RECT{0, 0, 10, 10}, clNone, inner, sdLeft | sdTop | sdBottom, clRed);
    EXPECT_EQ(n.At(0, 4), kGrey);
    EXPECT_EQ(n.At(4, 0), kGrey);
    EXPECT_EQ(n.At(9, 4), kGrey);  // right not chosen
    EXPECT_EQ(n.At(4, 9), RGB(255, 0, 0));
    EXPECT_EQ(inner.left, 1);
    EXPECT_EQ(inner.top, 1);
    EXPECT_EQ(inner.right, 10);
    EXPECT_EQ(inner.bottom, 9);

    Surface b(12, 12);
    DrawBevel(b.DC, RECT{0, 0, 12, 12}, clBlue, inner, sdAll, 3, clGreen);
    EXPECT_EQ(inner.left, 3);
    EXPECT_EQ(inner.bottom, 9);
    EXPECT_EQ(b.At(2, 5), RGB(0, 0, 255));
    EXPECT_EQ(b.At(9, 5), RGB(0, 128, 0));
    EXPECT_EQ(b.At(3, 5), kGrey);
}

TEST(WgSides, FocusBorderAndFrameStyles) {
    Surface s(10, 8, RGB(255, 255, 255));
    RECT inner{};
    DrawFocusBorder(s.DC, RECT{0, 0, 10, 8}, inner);
    EXPECT_EQ(inner.left, 1);
    EXPECT_EQ(inner.bottom, 7);
    EXPECT_EQ(s.At(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(s.At(1, 0), RGB(0, 0, 0));
    EXPECT_EQ(s.At(2, 0), RGB(255, 255, 255));
    EXPECT_EQ(s.At(3, 7), RGB(0, 0, 0));
    EXPECT_EQ(s.At(0, 1), RGB(0, 0, 0));
    EXPECT_EQ(s.At(9, 3), RGB(0, 0, 0));

    EXPECT_EQ(FrameStyleWidth(TFrameStyleEx::fsNone, 3), 0);
    EXPECT_EQ(FrameStyleWidth(TFrameStyleEx::fsFlat, 3), 1);
    EXPECT_EQ(FrameStyleWidth(TFrameStyleEx::fsStatus, 3), 3);
    EXPECT_EQ(FrameStyleWidth(TFrameStyleEx::fsButtonUp, 3), 2);

    Surface f(20, 20);
    const RECT in = DrawFrameStyle(f.DC, RECT{0, 0, 20, 20}, TFrameStyleEx::fsButtonUp, sdAll, TFrameColors{});
    EXPECT_EQ(in.left, 2);
    EXPECT_EQ(in.right, 18);
    EXPECT_EQ(f.At(0, 5), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(f.At(19, 5), ::GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(f.At(1, 5), ::GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(f.At(18, 5), ::GetSysColor(COLOR_BTNSHADOW));
    TFrameColors status;
    status.BevelWidth = 3;
    const RECT st = DrawFrameStyle(f.DC, RECT{0, 0, 20, 20}, TFrameStyleEx::fsStatus, sdLeft, status);
    EXPECT_EQ(st.left, 3);
    EXPECT_EQ(st.top, 0);
    const RECT c = DrawColorFrameStyle(f.DC, RECT{0, 0, 20, 20}, TFrameStyleEx::fsButtonUp, sdAll, RGB(100, 100, 160));
    EXPECT_EQ(c.left, 2);
    EXPECT_EQ(f.At(0, 5), LighterColor(RGB(100, 100, 160), 100));
}

TEST(WgTransparent, KeyPixelsLeaveTheDestinationAndTheSourceAreaIsStretched) {
    // The source bitmap must not be selected into another DC while it is drawn: a plain DIB.
    TDibSection src = CreateDib32(4, 2);
    auto* px = static_cast<std::uint32_t*>(src.Bits);
    for (int x = 0; x < 4; ++x) {
        px[x] = x < 2 ? 0xECE9D8u : 0xFF0000u;  // top row: the transparent colour, then red
        px[4 + x] = 0x0000FFu;
    }
    Surface dst(8, 8);
    // Source area: the top row's right half (red), stretched into 4 x 4.
    DrawFullTransparentBitmap(dst.DC, src.Bitmap.Get(), RECT{2, 2, 6, 6}, RGB(236, 233, 216), RECT{2, 0, 4, 1});
    EXPECT_EQ(dst.At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(dst.At(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(dst.At(6, 6), kGrey);
    // The transparent half leaves the destination alone.
    DrawFullTransparentBitmap(dst.DC, src.Bitmap.Get(), RECT{0, 0, 2, 2}, RGB(236, 233, 216), RECT{0, 0, 2, 1});
    EXPECT_EQ(dst.At(0, 0), kGrey);
    EXPECT_EQ(dst.At(1, 1), kGrey);
}

TEST(WgResources, RepeatedDrawingLeavesNoHandlesBehind) {
    Surface s(64, 64);
    TDibSection glyph = CreateDib32(32, 16);
    const TGdiCounts before = GdiLiveCounts();
    for (int i = 0; i < 300; ++i) {
        PaintGradient(s.DC, RECT{0, 0, 64, 64}, i % 10, 1 + i % 12, RGB(10, 20, 30), RGB(200, 100, 50));
        DrawFullTransparentBitmap(s.DC, glyph.Bitmap.Get(), RECT{0, 0, 16, 16}, RGB(236, 233, 216), RECT{0, 0, 16, 16});
    }
    EXPECT_EQ(GdiLiveCounts().Total(), before.Total());
}

}  // namespace
}  // namespace qd
