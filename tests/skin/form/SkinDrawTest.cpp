// Pixel tests of the skin drawing primitives: draw into 32-bit DIB sections and read the pixels back.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "skin/form/SkinDraw.h"

namespace qd {
namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kBlack = 0x000000,
                        kKey = 0xFF00FF, kGrey = 0x808080, kYellow = 0xFFFF00;

// A 32-bit DIB whose pixels are given as 0xRRGGBB by a function of (x, y).
struct TestBitmap {
    TDibSection Dib;
    TestBitmap(int w, int h, const std::function<std::uint32_t(int, int)>& colour = {}) : Dib(CreateDib32(w, h)) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, colour ? colour(x, y) : kBlack);
    }
    HBITMAP Handle() const { return Dib.Bitmap.Get(); }
    std::uint32_t At(int x, int y) const {
        ::GdiFlush();
        return static_cast<const std::uint32_t*>(Dib.Bits)[y * Dib.Width + x] & 0xFFFFFF;
    }
    void Set(int x, int y, std::uint32_t rgb) { static_cast<std::uint32_t*>(Dib.Bits)[y * Dib.Width + x] = rgb; }
};

// A target surface with a DC selected onto it.
struct Surface : TestBitmap {
    TMemoryDC DC{nullptr};
    TSelectGuard Keep;
    Surface(int w, int h, std::uint32_t fill = kGrey)
        : TestBitmap(w, h, [=](int, int) { return fill; }), Keep(DC, Handle()) {}
};

// Source for nine-part tests: a 9 x 9 frame with 3-pixel bands, each of the nine parts its own colour.
std::uint32_t NinePartColour(int x, int y, int fw = 9, int band = 3) {
    const int col = x < band ? 0 : (x >= fw - band ? 2 : 1);
    const int row = y < band ? 0 : (y >= fw - band ? 2 : 1);
    static const std::uint32_t colours[3][3] = {
        {0x110000, 0x220000, 0x330000}, {0x440000, 0x550000, 0x660000}, {0x770000, 0x880000, 0x990000}};
    return colours[row][col];
}

TEST(SkinDrawStrip, FrameGeometryAndDefensiveClamps) {
    TestBitmap strip(40, 10);
    EXPECT_EQ(StripFrameRect(strip.Handle(), 2, 2, false).left, 20);
    EXPECT_EQ(StripFrameRect(strip.Handle(), 2, 2, false).right, 40);
    // Frame numbers outside 1..frames are clamped, frames < 1 count as one frame.
    EXPECT_EQ(StripFrameRect(strip.Handle(), 0, 2, false).left, 0);
    EXPECT_EQ(StripFrameRect(strip.Handle(), 7, 2, false).left, 20);
    EXPECT_EQ(StripFrameRect(strip.Handle(), 1, 0, false).right, 40);
    EXPECT_EQ(StripFrameRect(strip.Handle(), 1, -3, false).right, 40);
    // Stacked frames.
    const RECT v = StripFrameRect(strip.Handle(), 2, 2, true);
    EXPECT_EQ(v.top, 5);
    EXPECT_EQ(v.bottom, 10);
    EXPECT_EQ(v.right, 40);
    // More frames than pixels: a zero-width frame, nothing to draw.
    const RECT none = StripFrameRect(strip.Handle(), 1, 41, false);
    EXPECT_TRUE(::IsRectEmpty(&none));
    EXPECT_EQ(BitmapSize(nullptr).cx, 0);
}

TEST(SkinDrawStrip, SkinFrameScalesTheChosenFrameAndCentredDoesNot) {
    TestBitmap strip(40, 10, [](int x, int) { return x < 20 ? kRed : kGreen; });
    Surface s(60, 30);
    DrawSkinFrame(s.DC, RECT{0, 0, 60, 30}, strip.Handle(), false, 2, 2);
    EXPECT_EQ(s.At(0, 0), kGreen);
    EXPECT_EQ(s.At(59, 29), kGreen);

    Surface c(60, 30);
    DrawSkinFrameCentered(c.DC, RECT{0, 0, 60, 30}, strip.Handle(), false, 2, 1);
    // 20 x 10 placed at ((60 - 20) / 2, (30 - 10) / 2) = (20, 10).
    EXPECT_EQ(c.At(19, 10), kGrey);
    EXPECT_EQ(c.At(20, 10), kRed);
    EXPECT_EQ(c.At(39, 19), kRed);
    EXPECT_EQ(c.At(40, 19), kGrey);
    EXPECT_EQ(c.At(20, 20), kGrey);
    // Odd free space truncates toward zero, also when the frame is larger than the rectangle.
    Surface n(30, 30);
    DrawSkinFrameCentered(n.DC, RECT{10, 10, 15, 15}, strip.Handle(), false, 2, 2);
    EXPECT_EQ(n.At(2, 8), kGrey);
    EXPECT_EQ(n.At(3, 8), kGreen);  // left = 10 + (5 - 20) / 2 = 3, top = 10 + (5 - 10) / 2 = 8
}

TEST(SkinDrawNineSlice, CornersKeepTheirSizeEdgesStretchCentreFills) {
    TestBitmap src(9, 9, [](int x, int y) { return NinePartColour(x, y); });
    TBitmapHandle built =
        BuildNineSliceBitmap(RECT{0, 0, 30, 20}, src.Handle(), TSliceMargins{3, 3, 3, 3}, 1, 1, false, false);
    ASSERT_TRUE(built);
    Surface s(30, 20);
    {
        TMemoryDC dc(nullptr);
        TSelectGuard keep(dc, built.Get());
        ::BitBlt(s.DC, 0, 0, 30, 20, dc, 0, 0, SRCCOPY);
    }
    EXPECT_EQ(s.At(0, 0), 0x110000u);  // top-left corner
    EXPECT_EQ(s.At(2, 2), 0x110000u);
    EXPECT_EQ(s.At(15, 1), 0x220000u);   // top edge, stretched
    EXPECT_EQ(s.At(29, 0), 0x330000u);   // top-right
    EXPECT_EQ(s.At(1, 10), 0x440000u);   // left edge
    EXPECT_EQ(s.At(15, 10), 0x550000u);  // centre
    EXPECT_EQ(s.At(28, 10), 0x660000u);  // right edge
    EXPECT_EQ(s.At(0, 19), 0x770000u);   // bottom-left
    EXPECT_EQ(s.At(15, 18), 0x880000u);  // bottom edge
    EXPECT_EQ(s.At(29, 19), 0x990000u);  // bottom-right
}

TEST(SkinDrawNineSlice, TooSmallTargetLosesItsCaps) {
    TestBitmap src(9, 9, [](int x, int y) { return NinePartColour(x, y); });
    Surface s(4, 20);
    // 4 < 3 + 3: no left or right caps, the whole frame width is stretched across the target.
    DrawNineSlice(s.DC, RECT{0, 0, 4, 20}, src.Handle(), TSliceMargins{3, 3, 3, 3}, 1, 1, false, false, false);
    EXPECT_EQ(s.At(0, 0), 0x110000u);  // top band, first source column
    EXPECT_EQ(s.At(3, 0), 0x330000u);  // top band, last source column
    EXPECT_EQ(s.At(0, 10), 0x440000u);
    EXPECT_EQ(s.At(3, 19), 0x990000u);
}

TEST(SkinDrawNineSlice, MarginsBeyondTheFrameAreClampedAndCornersNeedBothMargins) {
    TestBitmap src(9, 9, [](int x, int y) { return NinePartColour(x, y); });
    // Left margin larger than the frame: clamped to it, the right margin to what is left (none).
    Surface s(20, 20);
    DrawNineSlice(s.DC, RECT{0, 0, 20, 20}, src.Handle(), TSliceMargins{50, 0, 50, 0}, 1, 1, false, false, false);
    EXPECT_NE(s.At(10, 10), kGrey);
    // Only a top margin: no corner is drawn, the top band spans the width.
    Surface t(20, 20);
    DrawNineSlice(t.DC, RECT{0, 0, 20, 20}, src.Handle(), TSliceMargins{0, 3, 0, 0}, 1, 1, false, false, false);
    EXPECT_EQ(t.At(0, 0), 0x110000u);  // the top edge starts at the first source column
    EXPECT_EQ(t.At(19, 0), 0x330000u);
}

TEST(SkinDrawNineSlice, MarginsWiderThanTheFrameNeverReadTheNextFrame) {
    // Two 9 x 5 frames side by side, red then green; a left margin of 12 would reach 3 columns into the green.
    TestBitmap strip(18, 5, [](int x, int) { return x < 9 ? kRed : kGreen; });
    const TSliceMargins wide{12, 0, 0, 0};
    const std::function<void(HDC)> draws[] = {
        [&](HDC dc) {
            DrawNineSlice(dc, RECT{0, 0, 30, 5}, strip.Handle(), wide, 1, 2, false, false, false);
        },
        [&](HDC dc) {
            DrawNineSliceDirect(dc, RECT{0, 0, 30, 5}, strip.Handle(), false, 2, 1, wide);
        },
        [&](HDC dc) {
            DrawThreeSlice(dc, RECT{0, 0, 30, 5}, strip.Handle(), wide, 1, 2, false, false);
        },
    };
    for (std::size_t i = 0; i < std::size(draws); ++i) {
        Surface s(30, 5);
        draws[i](s.DC);
        for (int x = 0; x < 30; ++x) ASSERT_NE(s.At(x, 2), kGreen) << "draw " << i << ", x " << x;
    }
}

TEST(SkinDrawNineSlice, TilingRepeatsWholeTilesAndTheRightEdgeCoversTheOverrun) {
    // 10-pixel centre columns alternate colour per column so tile boundaries are visible; caps are white.
    TestBitmap src(12, 3, [](int x, int) {
        if (x == 0 || x == 11) return kWhite;
        return (x - 1) % 2 ? kBlue : kRed;
    });
    Surface s(27, 3);
    // Centre 25 pixels wide from a 10-pixel source: three tiles, the third cut by the right edge.
    DrawNineSlice(s.DC, RECT{0, 0, 27, 3}, src.Handle(), TSliceMargins{1, 0, 1, 0}, 1, 1, false, true, false);
    EXPECT_EQ(s.At(0, 1), kWhite);
    EXPECT_EQ(s.At(1, 1), kRed);
    EXPECT_EQ(s.At(2, 1), kBlue);
    EXPECT_EQ(s.At(11, 1), kRed);    // second tile starts at 1 + 10
    EXPECT_EQ(s.At(21, 1), kRed);    // third tile starts at 21
    EXPECT_EQ(s.At(25, 1), kRed);    // 21 + 4: still the third tile
    EXPECT_EQ(s.At(26, 1), kWhite);  // the right cap drawn over the overrun
}

TEST(SkinDrawNineSlice, DirectDrawLeavesTheCentreAndTransparentDrawKeepsKeyPixels) {
    TestBitmap src(9, 9, [](int x, int y) { return NinePartColour(x, y); });
    Surface s(30, 30);
    DrawNineSliceDirect(s.DC, RECT{5, 5, 25, 25}, src.Handle(), false, 1, 1, TSliceMargins{3, 3, 3, 3});
    EXPECT_EQ(s.At(5, 5), 0x110000u);
    EXPECT_EQ(s.At(24, 24), 0x990000u);
    EXPECT_EQ(s.At(15, 15), kGrey);  // centre untouched
    EXPECT_EQ(s.At(4, 4), kGrey);    // outside untouched

    TestBitmap keyed(9, 9, [](int x, int y) { return (x == 4 && y == 4) ? kKey : kYellow; });
    Surface t(9, 9);
    DrawNineSlice(t.DC, RECT{0, 0, 9, 9}, keyed.Handle(), TSliceMargins{}, 1, 1, true, false, false);
    EXPECT_EQ(t.At(4, 4), kGrey);
    EXPECT_EQ(t.At(3, 4), kYellow);
}

TEST(SkinDrawKeyColour, KeyPixelsCarryingAlphaStayTransparentInEveryKeyedDraw) {
    // Skin bitmaps are loaded with an opaque alpha byte: the key must still match on the colour alone.
    TestBitmap keyed(3, 1, [](int x, int) { return x == 1 ? 0xFFFF00FFu : 0xFF00FF00u; });
    const std::function<void(HDC)> draws[] = {
        [&](HDC dc) {
            TransparentBlit(dc, RECT{0, 0, 3, 1}, keyed.Handle(), kKey);
        },
        [&](HDC dc) {
            DrawSkinFrame(dc, RECT{0, 0, 3, 1}, keyed.Handle(), true, 1, 1);
        },
        [&](HDC dc) {
            DrawSkinFrameCentered(dc, RECT{0, 0, 3, 1}, keyed.Handle(), true, 1, 1);
        },
        [&](HDC dc) {
            DrawNineSlice(dc, RECT{0, 0, 3, 1}, keyed.Handle(), TSliceMargins{}, 1, 1, true, false, false);
        },
        [&](HDC dc) {
            DrawThreeSlice(dc, RECT{0, 0, 3, 1}, keyed.Handle(), TSliceMargins{1, 0, 1, 0}, 1, 1, true, false);
        },
    };
    for (std::size_t i = 0; i < std::size(draws); ++i) {
        Surface s(3, 1);
        draws[i](s.DC);
        EXPECT_EQ(s.At(1, 0), kGrey) << "draw " << i;
        EXPECT_EQ(s.At(0, 0), kGreen) << "draw " << i;
    }
}

TEST(SkinDrawNineSlice, InvertedOrEmptyInputsDrawNothing) {
    TestBitmap src(9, 9, [](int, int) { return kRed; });
    Surface s(20, 20);
    DrawNineSlice(s.DC, RECT{10, 10, 5, 15}, src.Handle(), TSliceMargins{}, 1, 1, false, false, false);
    DrawThreeSlice(s.DC, RECT{10, 10, 15, 5}, src.Handle(), TSliceMargins{}, 1, 1, false, false);
    DrawSkinFrame(s.DC, RECT{10, 10, 5, 5}, src.Handle(), false, 1, 1);
    DrawSkinFrameCentered(s.DC, RECT{10, 10, 5, 5}, src.Handle(), false, 1, 1);
    TileBitmapRect(s.DC, RECT{0, 0, 20, 20}, src.Handle(), RECT{3, 3, 3, 9});
    TransparentBlit(s.DC, RECT{5, 5, 0, 0}, src.Handle(), kKey);
    DrawNineSlice(s.DC, RECT{0, 0, 20, 20}, nullptr, TSliceMargins{}, 1, 1, false, false, false);
    // More frames than pixels: zero frame width.
    DrawNineSlice(s.DC, RECT{0, 0, 20, 20}, src.Handle(), TSliceMargins{}, 1, 10, false, false, false);
    for (int y = 0; y < 20; y += 3)
        for (int x = 0; x < 20; x += 3) ASSERT_EQ(s.At(x, y), kGrey) << x << "," << y;
}

TEST(SkinDrawThreeSlice, CapsStretchVerticallyAndTheMiddleRepeats) {
    // Frame 2 of a two-frame strip: 2-pixel caps (white), a 2-pixel middle (red, blue).
    TestBitmap src(12, 2, [](int x, int) {
        if (x < 6) return kBlack;
        const int fx = x - 6;
        if (fx < 2 || fx >= 4) return kWhite;
        return fx == 2 ? kRed : kBlue;
    });
    Surface s(11, 8);
    DrawThreeSlice(s.DC, RECT{0, 0, 11, 8}, src.Handle(), TSliceMargins{2, 99, 2, 99}, 2, 2, false, false);
    EXPECT_EQ(s.At(0, 7), kWhite);
    EXPECT_EQ(s.At(2, 0), kRed);
    EXPECT_EQ(s.At(3, 7), kBlue);
    EXPECT_EQ(s.At(4, 3), kRed);
    EXPECT_EQ(s.At(8, 3), kRed);    // the last middle copy starts at 8 < 11 - 2 ...
    EXPECT_EQ(s.At(9, 3), kWhite);  // ... and its second column is covered by the right cap
    EXPECT_EQ(s.At(10, 3), kWhite);
}

TEST(SkinDrawTile, WholeTilesMayOverrunTheDestination) {
    TestBitmap src(4, 4, [](int x, int y) { return (x == 1 && y == 1) ? kRed : kBlue; });
    Surface s(12, 12);
    TileBitmapRect(s.DC, RECT{0, 0, 7, 7}, src.Handle(), RECT{1, 1, 3, 3});  // a 2 x 2 tile
    EXPECT_EQ(s.At(0, 0), kRed);
    EXPECT_EQ(s.At(1, 1), kBlue);
    EXPECT_EQ(s.At(6, 6), kRed);
    EXPECT_EQ(s.At(7, 7), kBlue);  // the last whole tile reaches x = 7
    EXPECT_EQ(s.At(8, 8), kGrey);
}

TEST(SkinDrawRegion, RegionCoversOpaquePixelsOnly) {
    TestBitmap allKey(16, 16, [](int, int) { return kKey; });
    TRegionHandle none = RegionFromBitmap(allKey.Handle(), 0, 0, kKey, 0, 0, 0);
    ASSERT_TRUE(none);
    RECT box{};
    EXPECT_EQ(::GetRgnBox(none.Get(), &box), NULLREGION);

    TestBitmap one(16, 16, [](int x, int y) { return (x == 5 && y == 7) ? kBlack : kKey; });
    TRegionHandle single = RegionFromBitmap(one.Handle(), 100, 200, kKey, 0, 0, 0);
    EXPECT_EQ(::GetRgnBox(single.Get(), &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 105);
    EXPECT_EQ(box.top, 207);
    EXPECT_EQ(box.right, 106);
    EXPECT_EQ(box.bottom, 208);

    // Tolerances widen the transparent range upward from the key only.
    TestBitmap nearKey(3, 1, [](int x, int) { return x == 0 ? 0xF000F0u : (x == 1 ? 0xFF00FFu : 0xFF04FFu); });
    TRegionHandle tol = RegionFromBitmap(nearKey.Handle(), 0, 0, RGB(0xF0, 0, 0xF0), 0x0F, 4, 0x0F);
    EXPECT_FALSE(::PtInRegion(tol.Get(), 0, 0));
    EXPECT_FALSE(::PtInRegion(tol.Get(), 1, 0));
    EXPECT_FALSE(::PtInRegion(tol.Get(), 2, 0));
    TRegionHandle strict = RegionFromBitmap(nearKey.Handle(), 0, 0, RGB(0xF0, 0, 0xF0), 0, 0, 0);
    EXPECT_FALSE(::PtInRegion(strict.Get(), 0, 0));
    EXPECT_TRUE(::PtInRegion(strict.Get(), 1, 0));
}

TEST(SkinDrawRegion, LargeBordersAreBatchedIntoOneCorrectRegion) {
    // A checkerboard row pattern gives many runs: more than one 2000-rectangle batch.
    TestBitmap board(200, 60, [](int x, int y) { return ((x / 2 + y) % 2) ? kKey : kBlack; });
    TRegionHandle rgn = RegionFromBitmap(board.Handle(), 0, 0, kKey, 0, 0, 0);
    for (int y = 0; y < 60; y += 7)
        for (int x = 0; x < 200; x += 3)
            ASSERT_EQ(::PtInRegion(rgn.Get(), x, y) != 0, ((x / 2 + y) % 2) == 0) << x << "," << y;
}

TEST(SkinDrawRegion, NineSliceMaskGivesTheRegionOfTheDrawnImageOrDeclines) {
    // Frame 2 of a strip of two 12 x 10 frames (frame 1 all opaque): a corner of key pixels, edges and centre as
    // the case says; 3-pixel caps.
    struct TCase {
        const char* Name;
        std::function<std::uint32_t(int, int)> Frame;  // colour of (x, y) in the frame
        bool Vertical;
        bool Tile;
        SIZE Size;
        bool FromMask;  // the mask gives the region (else it declines)
    };
    const auto rounded = [](int x, int y) {
        const bool corner = (x < 2 && y < 2 && x + y < 2) || (x >= 10 && y >= 8 && x + y >= 19);
        return corner ? kKey : (y == 5 ? kRed : kBlue);
    };
    const auto banded = [&](int x, int y) { return y == 5 ? kKey : rounded(x, y); };
    const auto columns = [](int x, int) { return (x % 3 == 1) ? kKey : kGreen; };  // varies across, not along
    const auto checker = [](int x, int y) { return ((x + y) % 2) ? kKey : kRed; };
    const TCase cases[] = {
        {"rounded corners, stretched", rounded, false, false, {57, 31}, true},
        {"rounded corners, tiled", rounded, false, true, {43, 23}, true},
        {"rounded corners, stacked frames", rounded, true, false, {40, 10}, true},
        {"rounded corners, frame size", rounded, false, false, {12, 10}, true},
        {"rounded corners, narrower than its caps", rounded, false, false, {5, 30}, false},
        {"key rows stretched along them", banded, false, false, {30, 10}, true},
        {"key rows stretched across them", banded, false, false, {12, 25}, false},
        {"columns stretched along their length", columns, false, false, {12, 33}, true},
        {"columns stretched across", columns, false, false, {30, 10}, false},
        {"checker at frame size", checker, false, false, {12, 10}, true},
        {"checker stretched", checker, false, true, {20, 10}, false},
    };
    const TSliceMargins margins{3, 3, 3, 3};
    for (const TCase& c : cases) {
        const int fw = 12, fh = 10;
        TestBitmap strip(c.Vertical ? fw : 2 * fw, c.Vertical ? 2 * fh : fh, [&](int x, int y) {
            const bool second = c.Vertical ? y >= fh : x >= fw;
            return second ? c.Frame(x % fw, y % fh) : kBlack;
        });
        const TNineSliceMask mask(strip.Handle(), 2, 2, c.Vertical, kKey, 1, 1, 1);
        const RECT at{5, 7, 5 + c.Size.cx, 7 + c.Size.cy};
        std::vector<RECT> rects{RECT{0, 0, 1, 1}};
        ASSERT_EQ(mask.AppendOpaqueRects(at, margins, rects), c.FromMask) << c.Name;
        if (!c.FromMask) {
            EXPECT_EQ(rects.size(), 1u) << c.Name << ": nothing appended";
            continue;
        }
        TBitmapHandle drawn =
            BuildNineSliceBitmap(RECT{0, 0, c.Size.cx, c.Size.cy}, strip.Handle(), margins, 2, 2, c.Tile, c.Vertical);
        TRegionHandle expected = RegionFromBitmap(drawn.Get(), at.left, at.top, kKey, 1, 1, 1);
        TRegionHandle first(::CreateRectRgn(0, 0, 1, 1));
        ::CombineRgn(expected.Get(), expected.Get(), first.Get(), RGN_OR);
        TRegionHandle ours = RegionFromRects(rects);
        EXPECT_TRUE(::EqualRgn(ours.Get(), expected.Get())) << c.Name;
    }
}

TEST(SkinDrawText, WideTextAndCentredCaption) {
    Surface s(200, 40, kWhite);
    TFontHandle font(::CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    TSelectGuard keepFont(s.DC, font.Get());
    ::SetTextColor(s.DC, RGB(0, 0, 0));
    RECT r{0, 0, 200, 40};
    EXPECT_GT(DrawTextWide(s.DC, L"\u5C9A\u680E", r, DT_CALCRECT | DT_SINGLELINE), 0);
    DrawCentredCaption(s.DC, RECT{0, 0, 200, 40}, L"MMMM", 2, true);
    // Ink only near the middle: the caption is centred.
    int minX = 200, maxX = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (s.At(x, y) != kWhite) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GE(maxX, 0);
    EXPECT_LE(std::abs((minX + maxX) / 2 - 100), 3);
    // The DC's own font is selected again afterwards.
    EXPECT_EQ(::GetCurrentObject(s.DC, OBJ_FONT), font.Get());
    // Disabled captions use the button-shadow colour.
    Surface d(200, 40, kWhite);
    DrawCentredCaption(d.DC, RECT{0, 0, 200, 40}, L"MMMM", 0, false);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const std::uint32_t shadowRgb = (GetRValue(shadow) << 16) | (GetGValue(shadow) << 8) | GetBValue(shadow);
    bool sawShadow = false;
    for (int y = 0; y < 40 && !sawShadow; ++y)
        for (int x = 0; x < 200; ++x) sawShadow |= d.At(x, y) == shadowRgb;
    EXPECT_TRUE(sawShadow);
    EXPECT_EQ(WideToAnsi(AnsiToWide("abc")), "abc");
    EXPECT_TRUE(AnsiToWide("").empty());
}

TEST(SkinDrawResources, RepeatedDrawingLeavesNoHandlesBehind) {
    TestBitmap src(9, 9, [](int x, int y) { return (x + y) % 3 ? kKey : kRed; });
    Surface s(64, 64);
    const TGdiCounts before = GdiLiveCounts();
    for (int i = 0; i < 300; ++i) {
        DrawNineSlice(s.DC, RECT{0, 0, 64, 64}, src.Handle(), TSliceMargins{3, 3, 3, 3}, 1, 1, i % 2, i % 3 == 0,
                      false);
        DrawThreeSlice(s.DC, RECT{0, 0, 64, 10}, src.Handle(), TSliceMargins{2, 0, 2, 0}, 1, 1, true, false);
        DrawSkinFrame(s.DC, RECT{0, 0, 20, 20}, src.Handle(), true, 1, 1);
        TRegionHandle r = RegionFromBitmap(src.Handle(), 0, 0, kKey, 0, 0, 0);
    }
    EXPECT_EQ(GdiLiveCounts().Total(), before.Total());
}

}  // namespace
}  // namespace qd
