// Fonts, brushes, pens, canvases, bitmaps and icons against the real GDI (run under Wine).

#include "framework/Graphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Properties.h"
#include "framework/BmpBuilder.h"

namespace qd {
namespace {

using namespace qd::bmptest;

// ---- helpers ---------------------------------------------------------------------------------------------------

// Pixel of a bitmap as 0xRRGGBB.
std::uint32_t RgbAt(TBitmap& bmp, int x, int y) { return bmp.ScanLine(y)[x] & 0xFFFFFFu; }

// The test picture, 3 x 2: red green blue / white black yellow (0xRRGGBB). Width 3 makes every depth pad its rows.
const std::vector<std::vector<std::uint32_t>> kPicture = {{0xFF0000, 0x00FF00, 0x0000FF},
                                                          {0xFFFFFF, 0x000000, 0xFFFF00}};

void ExpectPicture(TBitmap& bmp, const std::vector<std::vector<std::uint32_t>>& want, const char* what) {
    ASSERT_EQ(bmp.Width(), static_cast<int>(want[0].size())) << what;
    ASSERT_EQ(bmp.Height(), static_cast<int>(want.size())) << what;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            EXPECT_EQ(RgbAt(bmp, x, y), want[y][x]) << what << " at (" << x << ", " << y << ")";
}

// Rows of the test picture encoded with `encode`.
std::vector<std::vector<std::uint32_t>> Encoded(std::uint32_t (*encode)(std::uint32_t)) {
    auto rows = kPicture;
    for (auto& row : rows)
        for (auto& v : row) v = encode(v);
    return rows;
}

std::vector<std::uint8_t> Picture24(bool topDown = false) {
    TBmpRecipe s;
    s.TopDown = topDown;
    s.Rows = kPicture;
    return MakeBmp(s);
}

void FillBitmap(TBitmap& bmp, TColor color) {
    bmp.Canvas().Brush().SetColor(color);
    bmp.Canvas().FillRect(RECT{0, 0, bmp.Width(), bmp.Height()});
}

// ---- colours ---------------------------------------------------------------------------------------------------

TEST(ColorToRGB, ResolvesSystemColoursAndMarkers) {
    EXPECT_EQ(ColorToRGB(clBtnFace), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clWindowText), ::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(ColorToRGB(clNavy), RGB(0, 0, 0x80));
    // No colour: the fallback, itself resolved; a fallback without colour gives black.
    EXPECT_EQ(ColorToRGB(clNone, clBtnFace), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clDefault, clRed), RGB(0xFF, 0, 0));
    EXPECT_EQ(ColorToRGB(clNone, clNone), RGB(0, 0, 0));
    // Palette-relative flag bytes are dropped, never handed to GDI.
    EXPECT_EQ(ColorToRGB(0x02123456u), 0x123456u);
}

// ---- fonts, brushes, pens ------------------------------------------------------------------------------------

TEST(Font, HandleCarriesTheStoredValues) {
    TFont font;
    font.SetName(L"宋体");
    font.SetCharset(GB2312_CHARSET);
    font.SetHeight(-13);
    font.SetStyle(fsBold | fsUnderline);
    LOGFONTW lf{};
    ASSERT_EQ(::GetObjectW(font.Handle(), sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
    EXPECT_STREQ(lf.lfFaceName, L"宋体");
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfStrikeOut, 0);
    EXPECT_EQ(font.Size(), 10);  // 13 px at 96 dpi = 9.75 pt
}

TEST(Font, SizeAndHeightConvertAtPixelsPerInch) {
    TFont font;
    font.SetSize(9);
    EXPECT_EQ(font.Height(), -12);
    font.SetPixelsPerInch(120);
    EXPECT_EQ(font.Size(), 7);  // 12 px at 120 dpi = 7.2 pt
    font.SetSize(12);
    EXPECT_EQ(font.Height(), -20);
    EXPECT_THROW(font.SetPixelsPerInch(0), EInvalidGraphicOperation);
    // Extreme values saturate instead of overflowing.
    font.SetSize(std::numeric_limits<int>::min());
    EXPECT_EQ(font.Height(), std::numeric_limits<int>::max());
    font.SetPixelsPerInch(1);
    font.SetHeight(std::numeric_limits<int>::min());
    EXPECT_EQ(font.Size(), std::numeric_limits<int>::max());
    EXPECT_NE(font.Handle(), nullptr) << "the platform's answer or the stock font";
}

TEST(Font, HandleIsCachedUntilAPropertyChanges) {
    TFont font;
    const long start = GdiLiveCounts()[TGdiKind::Font];
    const HFONT first = font.Handle();
    EXPECT_EQ(font.Handle(), first);
    EXPECT_EQ(GdiLiveCounts()[TGdiKind::Font], start + 1);

    int changes = 0;
    font.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &font);
        ++changes;
    };
    font.SetHeight(-20);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(font.HandleAllocated());
    EXPECT_EQ(::GetObjectType(first), 0u) << "the old handle is deleted";
    LOGFONTW lf{};
    ::GetObjectW(font.Handle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -20);

    // Colour is applied by the canvas, not part of the handle.
    const HFONT second = font.Handle();
    font.SetColor(clRed);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(font.Handle(), second);

    font.SetHeight(-20);  // same value: nothing happens
    font.SetStyle(font.Style());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(font.Handle(), second);
}

TEST(Font, AssignCopiesEverythingAndNotifiesOnce) {
    TFont a, b;
    a.SetName(L"Courier New");
    a.SetHeight(-17);
    a.SetCharset(ANSI_CHARSET);
    a.SetColor(clNavy);
    a.SetStyle(fsItalic | fsStrikeOut);
    a.SetPitch(TFontPitch::fpFixed);
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.Assign(a);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.Name(), L"Courier New");
    EXPECT_EQ(b.Height(), -17);
    EXPECT_EQ(b.Charset(), ANSI_CHARSET);
    EXPECT_EQ(b.Color(), clNavy);
    EXPECT_EQ(b.Style(), fsItalic | fsStrikeOut);
    EXPECT_EQ(b.Pitch(), TFontPitch::fpFixed);
    b.Assign(a);
    EXPECT_EQ(changes, 1) << "assigning equal values changes nothing";
}

TEST(Font, RejectsValuesALogFontCannotHold) {
    TFont font;
    const std::wstring name = font.Name();
    EXPECT_THROW(font.SetName(std::wstring(32, L'x')), EInvalidGraphicOperation);
    EXPECT_THROW(font.SetName(std::wstring(L"Ar\0ial", 6)), EInvalidGraphicOperation);
    EXPECT_NO_THROW(font.SetName(std::wstring(31, L'x')));
    EXPECT_THROW(font.SetCharset(256), EInvalidGraphicOperation);
    EXPECT_THROW(font.SetCharset(-1), EInvalidGraphicOperation);
    font.SetStyle(0xFFu);
    EXPECT_EQ(font.Style(), kAllFontStyles) << "unknown style bits are dropped";
}

TEST(BrushAndPen, HandlesFollowTheirProperties) {
    TBrush brush;
    brush.SetColor(clRed);
    LOGBRUSH lb{};
    ASSERT_TRUE(::GetObjectW(brush.Handle(), sizeof lb, &lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(0xFF, 0, 0));
    const HBRUSH solid = brush.Handle();
    brush.SetStyle(TBrushStyle::bsCross);
    EXPECT_EQ(::GetObjectType(solid), 0u);
    ::GetObjectW(brush.Handle(), sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_HATCHED));
    EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_CROSS));
    brush.SetStyle(TBrushStyle::bsClear);
    ::GetObjectW(brush.Handle(), sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_NULL));

    TPen pen;
    pen.SetColor(clBlue);
    pen.SetWidth(3);
    pen.SetStyle(TPenStyle::psInsideFrame);
    LOGPEN lp{};
    ASSERT_TRUE(::GetObjectW(pen.Handle(), sizeof lp, &lp));
    EXPECT_EQ(lp.lopnColor, RGB(0, 0, 0xFF));
    EXPECT_EQ(lp.lopnWidth.x, 3);
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_INSIDEFRAME));
    const HPEN kept = pen.Handle();
    pen.SetMode(TPenMode::pmXor);  // a raster operation, not part of the handle
    EXPECT_EQ(pen.Handle(), kept);
    EXPECT_EQ(pen.Rop2(), R2_XORPEN);
    EXPECT_THROW(pen.SetWidth(-1), EInvalidGraphicOperation);
    EXPECT_THROW(pen.SetWidth(TPen::kMaxWidth + 1), EInvalidGraphicOperation);
}

// ---- canvas ----------------------------------------------------------------------------------------------------

TEST(Canvas, FillsFramesAndDrawsShapesOnPixels) {
    TBitmap bmp;
    bmp.SetSize(20, 20);
    TCanvas& c = bmp.Canvas();
    FillBitmap(bmp, clWhite);
    EXPECT_EQ(RgbAt(bmp, 19, 19), 0xFFFFFFu);

    c.Pen().SetColor(clBlue);
    c.Brush().SetColor(clLime);
    c.Rectangle(2, 2, 8, 8);
    EXPECT_EQ(RgbAt(bmp, 2, 2), 0x0000FFu) << "outline in the pen colour";
    EXPECT_EQ(RgbAt(bmp, 7, 5), 0x0000FFu);
    EXPECT_EQ(RgbAt(bmp, 5, 5), 0x00FF00u) << "inside in the brush colour";
    EXPECT_EQ(RgbAt(bmp, 8, 8), 0xFFFFFFu) << "right and bottom are exclusive";

    c.Brush().SetColor(clRed);
    c.FrameRect(RECT{10, 10, 15, 15});
    EXPECT_EQ(RgbAt(bmp, 10, 12), 0xFF0000u);
    EXPECT_EQ(RgbAt(bmp, 14, 14), 0xFF0000u);
    EXPECT_EQ(RgbAt(bmp, 12, 12), 0xFFFFFFu) << "a frame leaves the inside";

    c.Pen().SetColor(clBlack);
    c.MoveTo(0, 18);
    c.LineTo(10, 18);
    EXPECT_EQ(RgbAt(bmp, 0, 18), 0u);
    EXPECT_EQ(RgbAt(bmp, 9, 18), 0u);
    EXPECT_EQ(RgbAt(bmp, 10, 18), 0xFFFFFFu) << "the last point is not drawn";
    EXPECT_EQ(c.PenPos().x, 10);

    const POINT pts[] = {{15, 0}, {15, 5}, {19, 5}};
    c.Pen().SetColor(clRed);
    c.Polyline(pts);
    EXPECT_EQ(RgbAt(bmp, 15, 3), 0xFF0000u);
    EXPECT_EQ(RgbAt(bmp, 17, 5), 0xFF0000u);

    c.SetPixel(1, 1, clFuchsia);
    EXPECT_EQ(c.Pixel(1, 1), clFuchsia);
    EXPECT_EQ(RgbAt(bmp, 1, 1), 0xFF00FFu);
    EXPECT_EQ(c.Pixel(-1, 0), clNone) << "outside the bitmap";
    EXPECT_EQ(c.Pixel(20, 0), clNone);
}

TEST(Canvas, PenModeAppliesItsRasterOperation) {
    TBitmap bmp;
    bmp.SetSize(4, 4);
    FillBitmap(bmp, clWhite);
    TCanvas& c = bmp.Canvas();
    c.Pen().SetColor(clWhite);
    c.Pen().SetMode(TPenMode::pmXor);
    c.MoveTo(0, 1);
    c.LineTo(4, 1);
    EXPECT_EQ(RgbAt(bmp, 2, 1), 0u) << "white xor white";
    EXPECT_EQ(RgbAt(bmp, 2, 2), 0xFFFFFFu);
}

TEST(Canvas, SystemColoursAreResolvedWhenDrawing) {
    TBitmap bmp;
    bmp.SetSize(2, 2);
    bmp.Canvas().Brush().SetColor(clBtnFace);
    bmp.Canvas().FillRect(RECT{0, 0, 2, 2});
    EXPECT_EQ(bmp.Canvas().Pixel(0, 0), static_cast<TColor>(::GetSysColor(COLOR_BTNFACE)));
}

// Counts, inside the text's extent at the origin, pixels equal to `color` and pixels that differ from it.
std::pair<int, int> CountInExtent(TBitmap& bmp, SIZE extent, std::uint32_t rgb) {
    int same = 0, other = 0;
    for (int y = 0; y < std::min<int>(extent.cy, bmp.Height()); ++y)
        for (int x = 0; x < std::min<int>(extent.cx, bmp.Width()); ++x) (RgbAt(bmp, x, y) == rgb ? same : other)++;
    return {same, other};
}

TEST(Canvas, TextBackgroundFollowsTheBrushStyle) {
    TBitmap bmp;
    bmp.SetSize(80, 40);
    TCanvas& c = bmp.Canvas();
    c.Font().SetHeight(-16);
    c.Font().SetColor(clBlack);
    const SIZE extent = c.TextExtent(L"WM");
    ASSERT_GT(extent.cx, 0);
    ASSERT_GT(extent.cy, 0);

    FillBitmap(bmp, clLime);
    c.Brush().SetColor(clYellow);
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.TextOut(0, 0, L"WM");
    auto [green, notGreen] = CountInExtent(bmp, extent, 0x00FF00);
    EXPECT_EQ(green, 0) << "an opaque background covers the cell";
    auto [yellow, notYellow] = CountInExtent(bmp, extent, 0xFFFF00);
    EXPECT_GT(yellow, 0);
    EXPECT_GT(notYellow, 0) << "glyphs were drawn";

    FillBitmap(bmp, clLime);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.TextOut(0, 0, L"WM");
    std::tie(green, notGreen) = CountInExtent(bmp, extent, 0x00FF00);
    EXPECT_GT(green, 0) << "bsClear keeps the background";
    EXPECT_GT(notGreen, 0) << "glyphs were drawn";
    std::tie(yellow, notYellow) = CountInExtent(bmp, extent, 0xFFFF00);
    EXPECT_EQ(yellow, 0);
}

TEST(Canvas, TextRectClipsAndFillsItsRectangle) {
    TBitmap bmp;
    bmp.SetSize(60, 30);
    FillBitmap(bmp, clLime);
    TCanvas& c = bmp.Canvas();
    c.Font().SetHeight(-20);
    c.Font().SetColor(clBlack);
    c.Brush().SetColor(clYellow);
    c.TextRect(RECT{10, 5, 30, 25}, 12, 5, L"WWWWWWWW");
    EXPECT_EQ(RgbAt(bmp, 9, 10), 0x00FF00u) << "left of the rectangle";
    EXPECT_EQ(RgbAt(bmp, 30, 10), 0x00FF00u) << "the text is clipped at the right";
    EXPECT_EQ(RgbAt(bmp, 45, 10), 0x00FF00u);
    EXPECT_EQ(RgbAt(bmp, 10, 24), 0xFFFF00u) << "the whole rectangle gets the background";
    int dark = 0;
    for (int y = 5; y < 25; ++y)
        for (int x = 12; x < 30; ++x) dark += RgbAt(bmp, x, y) == 0 ? 1 : 0;
    EXPECT_GT(dark, 0);
}

TEST(Canvas, MeasuresTextWithItsFont) {
    TBitmap bmp;
    bmp.SetSize(4, 4);
    TCanvas& c = bmp.Canvas();
    c.Font().SetHeight(-12);
    const int small = c.TextWidth(L"岚栎在线订单");
    const int smallHeight = c.TextHeight(L"岚栎");
    c.Font().SetHeight(-24);
    EXPECT_GT(c.TextWidth(L"岚栎在线订单"), small) << "a font change reaches the DC";
    EXPECT_GT(c.TextHeight(L"岚栎"), smallHeight);
    EXPECT_EQ(c.TextWidth(L""), 0);

    RECT r{5, 7, 5, 7};
    const int h = c.DrawText(L"确认退出系统？", r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(h, r.bottom - r.top);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.right - r.left, c.TextWidth(L"确认退出系统？"));
}

TEST(Canvas, PutsTheDcsOwnObjectsBackWhenDetached) {
    TMemoryDC dc(nullptr);
    TBitmapHandle surface = CreateCompatibleBitmapOf(dc, 16, 16);
    TSelectGuard keep(dc, surface.Get());
    const HGDIOBJ font0 = ::GetCurrentObject(dc, OBJ_FONT);
    const HGDIOBJ pen0 = ::GetCurrentObject(dc, OBJ_PEN);
    const HGDIOBJ brush0 = ::GetCurrentObject(dc, OBJ_BRUSH);
    const TGdiCounts start = GdiLiveCounts();
    {
        TCanvas c;
        c.SetHandle(dc);
        c.Rectangle(0, 0, 5, 5);
        c.TextOut(0, 0, L"x");
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), c.Font().Handle());
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), c.Pen().Handle());
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), c.Brush().Handle());

        // A font change while selected: the old handle leaves the DC before it is deleted.
        const HFONT old = c.Font().Handle();
        c.Font().SetHeight(-30);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font0);
        EXPECT_EQ(::GetObjectType(old), 0u);
        c.TextOut(0, 0, L"y");
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), c.Font().Handle());

        c.SetHandle(nullptr);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font0);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), pen0);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), brush0);

        c.SetHandle(dc);
        c.Rectangle(0, 0, 5, 5);
        c.TextOut(0, 0, L"z");
    }  // destroyed while attached
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font0);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), pen0);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), brush0);
    EXPECT_EQ(GdiLiveCounts().Total(), start.Total());
}

TEST(Canvas, RefreshReselectsAfterDirectDcUse) {
    TBitmap bmp;
    bmp.SetSize(10, 10);
    FillBitmap(bmp, clWhite);
    TCanvas& c = bmp.Canvas();
    c.Brush().SetColor(clRed);
    c.FillRect(RECT{0, 0, 1, 1});
    const HDC dc = c.Handle();
    // Someone draws on the DC directly and leaves a brush and background mode of their own.
    TBrushHandle foreign(::CreateSolidBrush(RGB(0, 0, 0xFF)));
    const HGDIOBJ ours = ::SelectObject(dc, foreign.Get());
    EXPECT_EQ(ours, c.Brush().Handle());
    c.Refresh();
    EXPECT_NE(::GetCurrentObject(dc, OBJ_BRUSH), foreign.Get()) << "the DC's original brush is back";
    c.Rectangle(2, 2, 6, 6);
    EXPECT_EQ(RgbAt(bmp, 4, 4), 0xFF0000u) << "the canvas selected its own brush again";
    c.Refresh();
    EXPECT_NE(::GetCurrentObject(dc, OBJ_BRUSH), c.Brush().Handle());
}

TEST(Canvas, FocusRectangleIsDottedAndXored) {
    TBitmap bmp;
    bmp.SetSize(12, 12);
    FillBitmap(bmp, clWhite);
    TCanvas& c = bmp.Canvas();
    c.DrawFocusRect(RECT{1, 1, 11, 11});
    int black = 0, white = 0;
    for (int x = 1; x < 11; ++x) (RgbAt(bmp, x, 1) == 0 ? black : white)++;
    EXPECT_GT(black, 0);
    EXPECT_GT(white, 0) << "dotted, not solid";
    EXPECT_EQ(RgbAt(bmp, 5, 5), 0xFFFFFFu);
    c.DrawFocusRect(RECT{1, 1, 11, 11});
    for (int x = 1; x < 11; ++x) EXPECT_EQ(RgbAt(bmp, x, 1), 0xFFFFFFu) << "drawn twice, gone";
}

TEST(Canvas, WithoutADcRefusesToDraw) {
    TCanvas c;
    EXPECT_FALSE(c.HandleAllocated());
    EXPECT_THROW(c.FillRect(RECT{0, 0, 1, 1}), EInvalidGraphicOperation);
    EXPECT_THROW(c.TextOut(0, 0, L"x"), EInvalidGraphicOperation);
    TBitmap empty;
    EXPECT_THROW(empty.Canvas().Handle(), EInvalidGraphicOperation);
}

TEST(Canvas, CopyRectScalesWithTheCopyMode) {
    TBitmap src, dst;
    src.AssignPixels(2, 1, std::vector<std::uint32_t>{0x00FF0000, 0x000000FF}.data());  // red, blue
    dst.SetSize(4, 2);
    FillBitmap(dst, clWhite);
    dst.Canvas().CopyRect(RECT{0, 0, 4, 2}, src.Canvas(), RECT{0, 0, 2, 1});
    EXPECT_EQ(RgbAt(dst, 0, 0), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 1, 1), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 3, 1), 0x0000FFu);
    dst.Canvas().SetCopyMode(NOTSRCCOPY);
    dst.Canvas().CopyRect(RECT{0, 0, 2, 1}, src.Canvas(), RECT{0, 0, 2, 1});
    EXPECT_EQ(RgbAt(dst, 0, 0), 0x00FFFFu);
}

// ---- bitmaps: drawing --------------------------------------------------------------------------------------------

TEST(BitmapDraw, OpaqueAndTransparent) {
    const std::uint32_t R = 0x00FF0000, K = 0x00FF00FF;  // BGRA red, magenta key
    TBitmap glyph;
    glyph.AssignPixels(2, 2, std::vector<std::uint32_t>{R, K, K, R}.data());
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia) << "the bottom-left pixel";

    TBitmap dst;
    dst.SetSize(4, 4);
    FillBitmap(dst, clBlue);
    dst.Canvas().Draw(1, 1, glyph);
    EXPECT_EQ(RgbAt(dst, 2, 1), 0xFF00FFu) << "opaque draw copies the key colour too";

    FillBitmap(dst, clBlue);
    glyph.SetTransparent(true);
    dst.Canvas().Draw(1, 1, glyph);
    EXPECT_EQ(RgbAt(dst, 1, 1), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 2, 2), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 2, 1), 0x0000FFu) << "key pixels leave the destination";
    EXPECT_EQ(RgbAt(dst, 1, 2), 0x0000FFu);
    EXPECT_EQ(RgbAt(dst, 0, 0), 0x0000FFu);
    EXPECT_EQ(RgbAt(dst, 3, 3), 0x0000FFu);

    // An explicit transparent colour wins over the bottom-left pixel.
    FillBitmap(dst, clBlue);
    glyph.SetTransparentColor(clRed);
    dst.Canvas().Draw(1, 1, glyph);
    EXPECT_EQ(RgbAt(dst, 1, 1), 0x0000FFu);
    EXPECT_EQ(RgbAt(dst, 2, 1), 0xFF00FFu);
    glyph.SetTransparentColor(clDefault);
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
}

TEST(BitmapDraw, TransparentDrawHonoursEdgesAndClipping) {
    const std::uint32_t R = 0x00FF0000, K = 0x00FF00FF;
    TBitmap glyph;  // R K / K R
    glyph.AssignPixels(2, 2, std::vector<std::uint32_t>{R, K, K, R}.data());
    glyph.SetTransparent(true);
    TBitmap dst;
    dst.SetSize(4, 4);
    FillBitmap(dst, clBlue);
    dst.Canvas().Draw(-1, -1, glyph);  // only its bottom-right pixel lands
    dst.Canvas().Draw(3, 3, glyph);    // only its top-left pixel lands
    EXPECT_EQ(RgbAt(dst, 0, 0), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 3, 3), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 1, 0), 0x0000FFu);
    EXPECT_EQ(RgbAt(dst, 0, 1), 0x0000FFu);
    EXPECT_EQ(RgbAt(dst, 2, 3), 0x0000FFu);

    FillBitmap(dst, clBlue);
    const HDC dc = dst.Canvas().Handle();
    ::IntersectClipRect(dc, 0, 0, 2, 4);  // the left half only
    dst.Canvas().StretchDraw(RECT{0, 0, 4, 4}, glyph);
    ::SelectClipRgn(dc, nullptr);
    EXPECT_EQ(RgbAt(dst, 0, 0), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 1, 1), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 0, 2), 0x0000FFu) << "key";
    EXPECT_EQ(RgbAt(dst, 3, 3), 0x0000FFu) << "clipped away";
    EXPECT_EQ(RgbAt(dst, 2, 2), 0x0000FFu) << "clipped away";
}

TEST(BitmapDraw, TransparentOnDcsTheComposerLeavesToThePlatform) {
    // A scaled mapping mode and an area too large to compose both take the platform's TransparentBlt.
    const std::uint32_t R = 0x00FF0000, K = 0x00FF00FF;
    TBitmap glyph;
    glyph.AssignPixels(2, 1, std::vector<std::uint32_t>{K, R}.data());
    glyph.SetTransparent(true);

    TBitmap dst;
    dst.SetSize(8, 8);
    FillBitmap(dst, clWhite);
    const HDC dc = dst.Canvas().Handle();
    ::SetMapMode(dc, MM_ANISOTROPIC);
    ::SetWindowExtEx(dc, 1, 1, nullptr);
    ::SetViewportExtEx(dc, 2, 2, nullptr);  // one logical unit = 2 x 2 pixels
    dst.Canvas().Draw(0, 0, glyph);
    ::SetMapMode(dc, MM_TEXT);
    EXPECT_EQ(RgbAt(dst, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(RgbAt(dst, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(RgbAt(dst, 2, 0), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 3, 1), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 4, 0), 0xFFFFFFu);

    TBitmap big;
    big.SetSize(600, 600);
    FillBitmap(big, clWhite);
    big.Canvas().StretchDraw(RECT{0, 0, 600, 600}, glyph);
    EXPECT_EQ(RgbAt(big, 100, 500), 0xFFFFFFu);
    EXPECT_EQ(RgbAt(big, 500, 100), 0xFF0000u);
}

TEST(BitmapDraw, StretchDrawScalesAndKeepsTransparency) {
    const std::uint32_t R = 0x00FF0000, K = 0x00FF00FF;
    TBitmap glyph;
    glyph.AssignPixels(2, 1, std::vector<std::uint32_t>{K, R}.data());
    glyph.SetTransparent(true);
    TBitmap dst;
    dst.SetSize(8, 4);
    FillBitmap(dst, clWhite);
    dst.Canvas().StretchDraw(RECT{0, 0, 8, 4}, glyph);
    EXPECT_EQ(RgbAt(dst, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(RgbAt(dst, 3, 3), 0xFFFFFFu);
    EXPECT_EQ(RgbAt(dst, 4, 0), 0xFF0000u);
    EXPECT_EQ(RgbAt(dst, 7, 3), 0xFF0000u);
}

TEST(BitmapDraw, DrawingABitmapWhoseCanvasIsInUse) {
    TBitmap src;
    src.SetSize(2, 2);
    FillBitmap(src, clRed);  // src's canvas now holds its DIB in a DC
    ASSERT_TRUE(src.CanvasAllocated());
    TBitmap dst;
    dst.SetSize(2, 2);
    dst.Canvas().Draw(0, 0, src);
    EXPECT_EQ(RgbAt(dst, 1, 1), 0xFF0000u);
    src.Dormant();
    EXPECT_FALSE(src.CanvasAllocated());
    FillBitmap(dst, clWhite);
    dst.Canvas().Draw(0, 0, src);
    EXPECT_EQ(RgbAt(dst, 1, 1), 0xFF0000u);
    EXPECT_EQ(src.Canvas().Font().Height(), TFont().Height()) << "the canvas outlives its DC";
}

TEST(BitmapDraw, DrawingLeavesTheDibFreeForOtherDcs) {
    TBitmap glyph;
    glyph.AssignPixels(2, 2, std::vector<std::uint32_t>(4, 0x00FF0000).data());
    TBitmap dst;
    dst.SetSize(4, 4);
    dst.Canvas().Draw(0, 0, glyph);
    dst.Canvas().StretchDraw(RECT{0, 0, 4, 4}, glyph);
    // Code that blits from the raw handle (the skin primitives do) must still be able to select it.
    TMemoryDC other(nullptr);
    const HGDIOBJ previous = ::SelectObject(other, glyph.Handle());
    EXPECT_NE(previous, nullptr) << "the DIB is not held by a DC of ours";
    EXPECT_FALSE(glyph.CanvasAllocated());

    // While someone else holds the DIB, its canvas refuses to draw instead of drawing nowhere, and drawing the
    // bitmap does nothing.
    EXPECT_THROW(glyph.Canvas().FillRect(RECT{0, 0, 1, 1}), EInvalidGraphicOperation);
    FillBitmap(dst, clWhite);
    dst.Canvas().Draw(0, 0, glyph);
    EXPECT_EQ(RgbAt(dst, 0, 0), 0xFFFFFFu);
    if (previous) ::SelectObject(other, previous);
    glyph.Canvas().Brush().SetColor(clBlue);
    glyph.Canvas().FillRect(RECT{0, 0, 1, 1});
    EXPECT_EQ(RgbAt(glyph, 0, 0), 0x0000FFu) << "usable again once the other DC let go";
}

// ---- bitmaps: image ----------------------------------------------------------------------------------------------

TEST(BitmapImage, SetSizeKeepsTheOverlapAndRejectsBadSizes) {
    TBitmap bmp;
    EXPECT_TRUE(bmp.Empty());
    EXPECT_EQ(bmp.Handle(), nullptr);
    bmp.SetSize(3, 2);
    FillBitmap(bmp, clRed);
    const HBITMAP before = bmp.Handle();
    bmp.SetSize(5, 1);
    EXPECT_NE(bmp.Handle(), before);
    EXPECT_EQ(RgbAt(bmp, 2, 0), 0xFF0000u);
    EXPECT_EQ(RgbAt(bmp, 4, 0), 0u) << "new pixels are black";
    bmp.Canvas().Brush().SetColor(clBlue);
    bmp.Canvas().FillRect(RECT{0, 0, 5, 1});
    EXPECT_EQ(RgbAt(bmp, 4, 0), 0x0000FFu) << "the canvas draws on the new image";

    EXPECT_THROW(bmp.SetSize(-1, 4), EInvalidGraphic);
    EXPECT_THROW(bmp.SetSize(TBitmap::kMaxDimension + 1, 1), EInvalidGraphic);
    EXPECT_THROW(bmp.SetSize(8192, 8192), EInvalidGraphic);
    EXPECT_EQ(bmp.Width(), 5) << "a refused size leaves the image";
    bmp.SetWidth(0);
    EXPECT_TRUE(bmp.Empty());
    EXPECT_EQ(bmp.Handle(), nullptr);
    EXPECT_THROW(bmp.AssignPixels(2, 2, nullptr), EInvalidGraphic);
    EXPECT_THROW(bmp.ScanLine(0), EInvalidGraphicOperation);
}

TEST(BitmapImage, AssignIsADeepCopy) {
    TBitmap a;
    a.LoadFromBmpBytes(Picture24());
    a.SetTransparent(true);
    a.SetTransparentColor(clYellow);
    TBitmap b;
    b.Assign(a);
    ExpectPicture(b, kPicture, "copy");
    EXPECT_NE(b.Handle(), a.Handle());
    EXPECT_TRUE(b.Transparent());
    EXPECT_EQ(b.TransparentColor(), clYellow);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    FillBitmap(a, clBlack);
    EXPECT_EQ(RgbAt(b, 0, 0), 0xFF0000u) << "the copy does not share pixels";
}

TEST(BitmapImage, ReleaseHandleGivesTheDibAway) {
    TBitmap bmp;
    bmp.SetSize(2, 2);
    FillBitmap(bmp, clRed);
    const long live = GdiLiveCounts()[TGdiKind::Bitmap];
    HBITMAP h = bmp.ReleaseHandle();
    EXPECT_TRUE(bmp.Empty());
    EXPECT_EQ(GdiLiveCounts()[TGdiKind::Bitmap], live - 1);
    BITMAP info{};
    ASSERT_TRUE(::GetObjectW(h, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_TRUE(::DeleteObject(h)) << "not selected into any DC any more";
}

TEST(BitmapImage, OnChangeReportsImageChanges) {
    TBitmap bmp;
    int changes = 0;
    bmp.OnChange = [&](TObject*) { ++changes; };
    bmp.SetSize(2, 2);
    bmp.LoadFromBmpBytes(Picture24());
    bmp.SetTransparent(true);
    bmp.SetTransparent(true);
    EXPECT_EQ(changes, 3);
    EXPECT_THROW(bmp.LoadFromBmpBytes(std::vector<std::uint8_t>{'B', 'M'}), EInvalidGraphic);
    EXPECT_EQ(changes, 3);
}

// ---- bitmaps: BMP decoding ---------------------------------------------------------------------------------------

struct TDepthCase {
    const char* Name;
    TBmpRecipe Recipe;
    TPixelFormat Format;
};

std::uint32_t To555(std::uint32_t rgb) {
    return (((rgb >> 19) & 0x1F) << 10) | (((rgb >> 11) & 0x1F) << 5) | ((rgb >> 3) & 0x1F);
}
std::uint32_t To565(std::uint32_t rgb) {
    return (((rgb >> 19) & 0x1F) << 11) | (((rgb >> 10) & 0x3F) << 5) | ((rgb >> 3) & 0x1F);
}
std::uint32_t ToRgbx(std::uint32_t rgb) {  // R in the low byte
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}
std::uint32_t ToIndex(std::uint32_t rgb) {  // index in kPalette
    switch (rgb) {
        case 0x000000:
            return 0;
        case 0xFF0000:
            return 1;
        case 0x00FF00:
            return 2;
        case 0x0000FF:
            return 3;
        case 0xFFFFFF:
            return 4;
        default:
            return 5;
    }
}
const std::vector<std::uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFFFF00};

std::vector<TDepthCase> DepthCases() {
    std::vector<TDepthCase> cases;
    for (bool topDown : {false, true}) {
        auto add = [&](const char* name, TBmpRecipe s, TPixelFormat f) {
            s.TopDown = topDown;
            cases.push_back({name, std::move(s), f});
        };
        add("4 bit", TBmpRecipe{4, 40, false, 0, {}, kPalette, Encoded(ToIndex)}, TPixelFormat::pf4bit);
        add("8 bit", TBmpRecipe{8, 40, false, 0, {}, kPalette, Encoded(ToIndex)}, TPixelFormat::pf8bit);
        add("16 bit 555", TBmpRecipe{16, 40, false, 0, {}, {}, Encoded(To555)}, TPixelFormat::pf15bit);
        add("16 bit 565 bitfields", TBmpRecipe{16, 40, false, 3, {0xF800, 0x07E0, 0x001F}, {}, Encoded(To565)},
            TPixelFormat::pf16bit);
        add("24 bit", TBmpRecipe{24, 40, false, 0, {}, {}, kPicture}, TPixelFormat::pf24bit);
        add("32 bit", TBmpRecipe{32, 40, false, 0, {}, {}, kPicture}, TPixelFormat::pf32bit);
        add("32 bit bitfields RGBX", TBmpRecipe{32, 40, false, 3, {0x0000FF, 0x00FF00, 0xFF0000}, {}, Encoded(ToRgbx)},
            TPixelFormat::pf32bit);
        add("24 bit V4 header", TBmpRecipe{24, 108, false, 0, {}, {}, kPicture}, TPixelFormat::pf24bit);
        add("16 bit 565 V5 header", TBmpRecipe{16, 124, false, 3, {0xF800, 0x07E0, 0x001F}, {}, Encoded(To565)},
            TPixelFormat::pf16bit);
    }
    cases.push_back({"24 bit core header", TBmpRecipe{24, 12, false, 0, {}, {}, kPicture}, TPixelFormat::pf24bit});
    // A core header has no colour count: its table always holds 2^depth entries.
    std::vector<std::uint32_t> fullPalette = kPalette;
    fullPalette.resize(256, 0x808080);
    cases.push_back(
        {"8 bit core header", TBmpRecipe{8, 12, false, 0, {}, fullPalette, Encoded(ToIndex)}, TPixelFormat::pf8bit});
    return cases;
}

TEST(BmpDecode, EveryDepthAndOrientationGivesTheSamePicture) {
    for (const TDepthCase& c : DepthCases()) {
        const std::string what = std::string(c.Name) + (c.Recipe.TopDown ? " top-down" : " bottom-up");
        TBitmap bmp;
        ASSERT_NO_THROW(bmp.LoadFromBmpBytes(MakeBmp(c.Recipe))) << what;
        ExpectPicture(bmp, kPicture, what.c_str());
        EXPECT_EQ(bmp.PixelFormat(), c.Format) << what;
        EXPECT_EQ(bmp.Palette().size(), c.Recipe.Palette.size()) << what;
    }
}

TEST(BmpDecode, OneBitImagesUseTheirTwoColours) {
    TBmpRecipe s;
    s.BitCount = 1;
    s.Palette = {0x000080, 0xFFFF00};  // navy, yellow
    // 10 wide: a row spans two bytes.
    s.Rows = {{0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 0}};
    TBitmap bmp;
    bmp.LoadFromBmpBytes(MakeBmp(s));
    ASSERT_EQ(bmp.Width(), 10);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(RgbAt(bmp, x, y), s.Rows[y][x] ? 0xFFFF00u : 0x000080u) << x << "," << y;
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf1bit);
    ASSERT_EQ(bmp.Palette().size(), 2u);
    EXPECT_EQ(bmp.Palette()[1].rgbRed, 0xFF);
    EXPECT_EQ(bmp.Palette()[1].rgbBlue, 0x00);
}

TEST(BmpDecode, IndexesBeyondAShortColourTableAreBlack) {
    TBmpRecipe s;
    s.BitCount = 8;
    s.Palette = {0xFF0000, 0x00FF00};
    s.Rows = {{0, 1, 200}};
    TBitmap bmp;
    bmp.LoadFromBmpBytes(MakeBmp(s));
    EXPECT_EQ(RgbAt(bmp, 0, 0), 0xFF0000u);
    EXPECT_EQ(RgbAt(bmp, 1, 0), 0x00FF00u);
    EXPECT_EQ(RgbAt(bmp, 2, 0), 0u);
}

TEST(BmpDecode, PackedDibAsInBitmapResources) {
    std::vector<std::uint8_t> file = Picture24();
    TBitmap bmp;
    bmp.LoadFromDibBytes(std::span<const std::uint8_t>(file).subspan(14));
    ExpectPicture(bmp, kPicture, "packed DIB");
}

TEST(BmpDecode, SaveAndLoadRoundTrip) {
    TBitmap a;
    a.LoadFromBmpBytes(MakeBmp(TBmpRecipe{8, 40, true, 0, {}, kPalette, Encoded(ToIndex)}));
    const std::vector<std::uint8_t> saved = a.SaveToBmpBytes();
    ASSERT_GE(saved.size(), 54u);
    EXPECT_EQ(saved[28], 24) << "indexed images are written at 24 bits";
    TBitmap b;
    b.LoadFromBmpBytes(saved);
    ExpectPicture(b, kPicture, "24-bit round trip");

    a.SetPixelFormat(TPixelFormat::pf32bit);
    const std::vector<std::uint8_t> saved32 = a.SaveToBmpBytes();
    EXPECT_EQ(saved32[28], 32);
    b.LoadFromBmpBytes(saved32);
    ExpectPicture(b, kPicture, "32-bit round trip");

    TBitmap empty;
    EXPECT_TRUE(empty.SaveToBmpBytes().empty());
    b.LoadFromBmpBytes({});
    EXPECT_TRUE(b.Empty()) << "no bytes, no image";
}

TEST(BmpDecode, StoredDataMayCarryALengthPrefix) {
    const std::vector<std::uint8_t> file = Picture24();
    std::vector<std::uint8_t> data(4 + file.size());
    Put32(data, 0, static_cast<std::uint32_t>(file.size()));
    std::copy(file.begin(), file.end(), data.begin() + 4);
    TBitmap bmp;
    bmp.SetData(data);
    ExpectPicture(bmp, kPicture, "length-prefixed");
    Put32(data, 0, static_cast<std::uint32_t>(file.size() + 1));
    EXPECT_THROW(bmp.SetData(data), EInvalidGraphic);
    bmp.SetData(file);
    ExpectPicture(bmp, kPicture, "plain file");
}

// ---- bitmaps: malformed input ------------------------------------------------------------------------------------

TEST(BmpMalformed, RejectedBytesLeaveTheBitmapAsItWas) {
    // The layout checks themselves are tested natively (DibFormatTest); here: failure keeps the old image.
    TBitmap bmp;
    bmp.LoadFromBmpBytes(Picture24());
    std::vector<std::uint8_t> bad = Picture24();
    Put32(bad, 22, 100000);  // rows the bytes do not hold
    EXPECT_THROW(bmp.LoadFromBmpBytes(bad), EInvalidGraphic);
    ExpectPicture(bmp, kPicture, "after too many rows");
    std::vector<std::uint8_t> cut = Picture24();
    cut.pop_back();
    EXPECT_THROW(bmp.LoadFromBmpBytes(cut), EInvalidGraphic);
    ExpectPicture(bmp, kPicture, "after a truncated file");
    EXPECT_THROW(bmp.LoadFromDibBytes(std::vector<std::uint8_t>{40, 0, 0}), EInvalidGraphic);
    ExpectPicture(bmp, kPicture, "after a truncated packed DIB");
}

TEST(BmpMalformed, RandomlyCorruptedFilesDecodeOrAreRejected) {
    // Fixed seed: the same corruptions every run. Any outcome but a clean image or EInvalidGraphic is a fault.
    std::mt19937 random(20261207);
    const std::vector<TDepthCase> cases = DepthCases();
    int rejected = 0, decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> file = MakeBmp(cases[round % cases.size()].Recipe);
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f) {
            // Mostly the headers, where the sizes and offsets are.
            const std::size_t at =
                random() % 4 ? random() % std::min<std::size_t>(file.size(), 70) : random() % file.size();
            file[at] = static_cast<std::uint8_t>(random());
        }
        TBitmap bmp;
        try {
            bmp.LoadFromBmpBytes(file);
            ++decoded;
            EXPECT_FALSE(bmp.Empty());
            EXPECT_LE(static_cast<std::int64_t>(bmp.Width()) * bmp.Height(), TBitmap::kMaxPixels);
        } catch (const EInvalidGraphic&) {
            ++rejected;
        }
    }
    EXPECT_GT(rejected, 0);
    EXPECT_GT(decoded, 0);
}

// ---- published properties ----------------------------------------------------------------------------------------

TEST(GraphicsProperties, StoredFontValuesApplyByName) {
    TCanvas canvas;
    SetPropertyText(canvas, "Font.Height", "-13");
    SetPropertyText(canvas, "Font.Name", "'宋体'");
    SetPropertyText(canvas, "Font.Charset", "GB2312_CHARSET");
    SetPropertyText(canvas, "Font.Color", "clNavy");
    SetPropertyText(canvas, "Font.Style", "[fsBold, fsItalic]");
    SetPropertyText(canvas, "Brush.Color", "clBtnFace");
    SetPropertyText(canvas, "Brush.Style", "bsClear");
    SetPropertyText(canvas, "Pen.Width", "2");
    TFont& f = canvas.Font();
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.Name(), L"宋体");
    EXPECT_EQ(f.Charset(), GB2312_CHARSET);
    EXPECT_EQ(f.Color(), clNavy);
    EXPECT_EQ(f.Style(), fsBold | fsItalic);
    EXPECT_EQ(canvas.Brush().Color(), clBtnFace);
    EXPECT_EQ(canvas.Brush().Style(), TBrushStyle::bsClear);
    EXPECT_EQ(canvas.Pen().Width(), 2);
    SetPropertyText(canvas, "Font.Style", "[]");
    EXPECT_EQ(f.Style(), 0u);
    EXPECT_EQ(GetPropertyText(canvas, "Font.Charset"), "GB2312_CHARSET");
    EXPECT_EQ(GetPropertyText(canvas, "Font.Size"), "10");

    EXPECT_THROW(SetPropertyText(canvas, "Font.Charset", "300"), EPropertyError);
    EXPECT_THROW(SetPropertyText(canvas, "Font.Style", "[fsShadow]"), EPropertyError);
    EXPECT_THROW(SetPropertyText(canvas, "Font.Name", "'abcdefghijklmnopqrstuvwxyz0123456789'"), Exception);
    EXPECT_EQ(f.Name(), L"宋体");
}

TEST(GraphicsProperties, BitmapDataIsABmpFileInHex) {
    const std::vector<std::uint8_t> file = Picture24();
    static const char* kHex = "0123456789ABCDEF";
    std::string text = "{";
    for (std::uint8_t b : file) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    text += "}";
    TBitmap bmp;
    SetPropertyText(bmp, "Data", text);
    ExpectPicture(bmp, kPicture, "Data");
    SetPropertyText(bmp, "Transparent", "True");
    EXPECT_TRUE(bmp.Transparent());
    try {
        SetPropertyText(bmp, "Data", "{424D00}");
        ADD_FAILURE() << "a truncated file was taken";
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Property(), "Data");
        EXPECT_NE(e.Reason().find("truncated"), std::string::npos) << e.Reason();
    }
    ExpectPicture(bmp, kPicture, "after bad Data");
}

TEST(GraphicsProperties, PublishedValuesReadBackIntoEqualObjects) {
    for (int height : {-11, -13, -14, -17, 13, 0}) {
        TFont a;
        a.SetHeight(height);
        a.SetName(L"宋体");
        a.SetCharset(GB2312_CHARSET);
        a.SetColor(clBtnText);
        a.SetStyle(fsUnderline);
        a.SetPitch(TFontPitch::fpVariable);
        TFont b;
        ApplyProperties(b, GetPublishedValues(a));
        EXPECT_EQ(b.Height(), height) << "Size rounds; Height must win";
        EXPECT_EQ(b.Name(), a.Name());
        EXPECT_EQ(b.Charset(), a.Charset());
        EXPECT_EQ(b.Color(), a.Color());
        EXPECT_EQ(b.Style(), a.Style());
        EXPECT_EQ(b.Pitch(), a.Pitch());
    }

    TBitmap a;
    a.LoadFromBmpBytes(Picture24());
    a.SetTransparent(true);
    TBitmap b;
    ApplyProperties(b, GetPublishedValues(a));
    ExpectPicture(b, kPicture, "published Data");
    EXPECT_TRUE(b.Transparent());
    EXPECT_EQ(b.StoredTransparentColor(), clDefault) << "still follows the bottom-left pixel";
    FillBitmap(b, clRed);
    EXPECT_EQ(b.TransparentColor(), clRed);
}

// ---- icons -------------------------------------------------------------------------------------------------------

// An .ico file with one 32-bit image per size, every pixel `bgra`, AND mask all zero.
std::vector<std::uint8_t> MakeIco(const std::vector<int>& sizes, std::uint32_t bgra) {
    std::vector<std::uint8_t> out(6 + 16 * sizes.size(), 0);
    Put16(out, 2, 1);
    Put16(out, 4, static_cast<std::uint32_t>(sizes.size()));
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int n = sizes[i];
        const std::size_t andStride = ((n + 31) / 32) * 4;
        std::vector<std::uint8_t> img(40 + 4 * n * n + andStride * n, 0);
        Put32(img, 0, 40);
        Put32(img, 4, n);
        Put32(img, 8, 2 * n);
        Put16(img, 12, 1);
        Put16(img, 14, 32);
        for (int p = 0; p < n * n; ++p) Put32(img, 40 + 4 * p, bgra);
        const std::size_t e = 6 + 16 * i;
        out[e] = static_cast<std::uint8_t>(n);
        out[e + 1] = static_cast<std::uint8_t>(n);
        Put16(out, e + 4, 1);
        Put16(out, e + 6, 32);
        Put32(out, e + 8, static_cast<std::uint32_t>(img.size()));
        Put32(out, e + 12, static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), img.begin(), img.end());
    }
    return out;
}

TEST(Icon, LoadsTheNearestSizeFromIcoBytesAndDraws) {
    const long start = GdiLiveCounts()[TGdiKind::Icon];
    {
        const auto ico = MakeIco({16, 32}, 0xFF00FF00);  // opaque green
        TIcon icon;
        icon.LoadFromIcoBytes(ico, 16);
        EXPECT_EQ(icon.Width(), 16);
        ICONINFO ii{};
        ASSERT_TRUE(::GetIconInfo(icon.Handle(), &ii));
        BITMAP bm{};
        ::GetObjectW(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, 16);
        if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
        if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
        EXPECT_EQ(icon.Data(), ico);

        icon.LoadFromIcoBytes(ico, 30);
        EXPECT_EQ(icon.Width(), 32);
        EXPECT_EQ(GdiLiveCounts()[TGdiKind::Icon], start + 1);

        TBitmap dst;
        dst.SetSize(40, 40);
        FillBitmap(dst, clWhite);
        dst.Canvas().Draw(4, 4, icon);
        EXPECT_EQ(RgbAt(dst, 10, 10), 0x00FF00u);
        EXPECT_EQ(RgbAt(dst, 2, 2), 0xFFFFFFu);

        TIcon copy;
        copy.Assign(icon);
        EXPECT_NE(copy.Handle(), icon.Handle());
        EXPECT_EQ(copy.Width(), 32);
    }
    EXPECT_EQ(GdiLiveCounts()[TGdiKind::Icon], start);
}

TEST(Icon, MalformedIcoBytesAreRejected) {
    const auto good = MakeIco({16}, 0xFF0000FF);
    auto bad = [&](std::size_t at, std::uint32_t v, bool wide) {
        auto b = good;
        wide ? Put32(b, at, v) : Put16(b, at, v);
        return b;
    };
    TIcon icon;
    icon.LoadFromIcoBytes(good, 16);
    const HICON kept = icon.Handle();
    const std::vector<std::vector<std::uint8_t>> cases = {
        {},
        bad(2, 2, false),                                         // a cursor file
        bad(4, 0, false),                                         // no images
        bad(4, 40, false),                                        // directory beyond the file
        bad(6 + 8, 0x10000, true),                                // image length beyond the file
        bad(6 + 12, 0xFFFFFFF0, true),                            // image offset beyond the file
        bad(22 + 4, 0, true),                                     // zero width
        bad(22 + 8, 33, true),                                    // odd double height
        bad(22 + 14, 5, false),                                   // 5 bits per pixel
        bad(22 + 16, 1, true),                                    // compressed
        std::vector<std::uint8_t>(good.begin(), good.end() - 1),  // truncated mask
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_THROW(icon.LoadFromIcoBytes(cases[i], 16), EInvalidGraphic) << "case " << i;
        EXPECT_EQ(icon.Handle(), kept) << "case " << i;
    }
    EXPECT_THROW(icon.LoadFromIcoBytes(good, 300), EInvalidGraphicOperation);
}

TEST(Icon, ResourcesOfAModuleAreLoaded) {
    // The platform's user32 carries the OEM icons and bitmaps as ordinary resources.
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    ASSERT_NE(user32, nullptr);
    const long start = GdiLiveCounts()[TGdiKind::Icon];
    {
        TIcon large, small;
        large.LoadFromResourceId(user32, 32512 /* OIC_SAMPLE, the application icon */);
        small.LoadFromResourceId(user32, 32512, TIcon::SmallIconSize());
        EXPECT_FALSE(large.Empty());
        EXPECT_EQ(large.Width(), TIcon::LargeIconSize());
        EXPECT_EQ(small.Width(), TIcon::SmallIconSize());
        ICONINFO ii{};
        ASSERT_TRUE(::GetIconInfo(small.Handle(), &ii));
        BITMAP bm{};
        ::GetObjectW(ii.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, TIcon::SmallIconSize());
        if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
        if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
        EXPECT_EQ(GdiLiveCounts()[TGdiKind::Icon], start + 2);
    }
    EXPECT_EQ(GdiLiveCounts()[TGdiKind::Icon], start);

    TBitmap bmp;
    bmp.LoadFromResourceName(user32, MAKEINTRESOURCEW(32754) /* OBM_CLOSE */);
    EXPECT_FALSE(bmp.Empty());
    TBitmapHandle platform(::LoadBitmapW(nullptr, MAKEINTRESOURCEW(32754)));
    BITMAP bm{};
    ::GetObjectW(platform.Get(), sizeof bm, &bm);
    EXPECT_EQ(bmp.Width(), bm.bmWidth);
    EXPECT_EQ(bmp.Height(), bm.bmHeight);
}

TEST(Icon, ResourcesAreLoadedAndMissingOnesReported) {
    TIcon icon;
    EXPECT_THROW(icon.LoadFromResourceName(::GetModuleHandleW(nullptr), L"NO_SUCH_ICON"), EInvalidGraphic);
    EXPECT_THROW(icon.LoadFromResourceId(::GetModuleHandleW(nullptr), 0), EInvalidGraphic);
    EXPECT_TRUE(icon.Empty());
    TBitmap bmp;
    EXPECT_THROW(bmp.LoadFromResourceName(::GetModuleHandleW(nullptr), L"NO_SUCH_BITMAP"), EInvalidGraphic);
}

// ---- handle hygiene ----------------------------------------------------------------------------------------------

TEST(GdiHygiene, ThousandCreateDrawDestroyCyclesLeakNothing) {
    const std::vector<std::uint8_t> picture = MakeBmp(TBmpRecipe{8, 40, false, 0, {}, kPalette, Encoded(ToIndex)});
    const auto ico = MakeIco({16}, 0xFF0000FF);
    const TGdiCounts start = GdiLiveCounts();
    for (int i = 0; i < 1000; ++i) {
        TBitmap glyph;
        glyph.LoadFromBmpBytes(picture);
        glyph.SetTransparent(i % 2 == 0);
        TBitmap surface;
        surface.SetSize(24, 16);
        TCanvas& c = surface.Canvas();
        c.Brush().SetColor(static_cast<TColor>(i * 0x010101));
        c.FillRect(RECT{0, 0, 24, 16});
        c.Font().SetHeight(-10 - i % 5);
        c.Font().SetName(i % 3 ? L"宋体" : L"Tahoma");
        c.Brush().SetStyle(i % 2 ? TBrushStyle::bsClear : TBrushStyle::bsSolid);
        c.TextOut(1, 1, L"订单");
        c.Pen().SetWidth(1 + i % 3);
        c.Rectangle(0, 0, 10, 10);
        c.Draw(2, 2, glyph);
        c.StretchDraw(RECT{0, 0, 12, 8}, glyph);
        if (i % 10 == 0) surface.SetSize(30, 20);  // resize with the canvas DC alive
        if (i % 7 == 0) surface.Dormant();
        TBitmap copy;
        copy.Assign(surface);
        copy.Canvas().CopyRect(RECT{0, 0, 5, 5}, c, RECT{0, 0, 10, 10});
        TIcon icon;
        icon.LoadFromIcoBytes(ico, 16);
        copy.Canvas().Draw(0, 0, icon);
    }
    const TGdiCounts end = GdiLiveCounts();
    for (int k = 0; k < static_cast<int>(TGdiKind::Count_); ++k) EXPECT_EQ(end.Live[k], start.Live[k]) << "kind " << k;
}

// ---- Key colour blits ----

struct TTestDib {
    TBitmapHandle Bitmap;
    std::uint32_t* Bits = nullptr;
};

// A 32-bit DIB section, top-down or bottom-up, of random pixels with random alpha bytes; about a third of them
// have the key's colour.
TTestDib RandomDib(int w, int h, bool topDown, std::mt19937& rng, std::uint32_t keyPixel) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = topDown ? -h : h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TTestDib dib;
    dib.Bitmap.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    dib.Bits = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < w * h; ++i)
        dib.Bits[i] = (rng() % 3 == 0 ? keyPixel : rng() & 0x00FFFFFFu) | (rng() % 2 ? 0xFF000000u : 0u);
    return dib;
}

TEST(KeyColorBlit, BetweenDibSectionsGivesThePlatformsMaskedCopy) {
    // The destination without a clip region takes the direct way; its twin, clipped to its whole surface, the
    // platform's mask blit. Both must end up alike, whatever the rows' order and the rectangles' places.
    struct TCase {
        bool dstTopDown, srcTopDown;
        int x, y, w, h, sx, sy;
    };
    const TCase cases[] = {{true, true, 0, 0, 40, 30, 0, 0},   {false, true, 5, 3, 20, 17, 7, 2},
                           {true, false, 11, 9, 29, 21, 3, 8}, {false, false, 1, 2, 38, 27, 0, 1},
                           {true, true, 30, 20, 20, 20, 0, 0}, {true, true, 0, 0, 10, 10, -3, 4}};
    constexpr int W = 40, H = 30;
    const COLORREF key = RGB(0xFF, 0x00, 0xFF);
    const std::uint32_t keyPixel = 0x00FF00FFu;
    std::mt19937 rng(5);
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h << " from " << c.sx << ","
                                        << c.sy << (c.dstTopDown ? " top-down" : " bottom-up") << " onto "
                                        << (c.srcTopDown ? "top-down" : "bottom-up"));
        const TTestDib src = RandomDib(W, H, c.srcTopDown, rng, keyPixel);
        const TTestDib direct = RandomDib(W, H, c.dstTopDown, rng, keyPixel);
        const TTestDib platform = RandomDib(W, H, c.dstTopDown, rng, keyPixel);
        std::memcpy(platform.Bits, direct.Bits, W * H * 4);
        const std::vector<std::uint32_t> before(direct.Bits, direct.Bits + W * H);
        TMemoryDC srcDC(nullptr), directDC(nullptr), platformDC(nullptr);
        TSelectGuard s(srcDC, src.Bitmap.Get()), d(directDC, direct.Bitmap.Get()), p(platformDC, platform.Bitmap.Get());
        TRegionHandle whole(::CreateRectRgn(0, 0, W, H));
        ::SelectClipRgn(platformDC, whole.Get());
        KeyColorBlit(directDC, c.x, c.y, c.w, c.h, srcDC, c.sx, c.sy, key);
        KeyColorBlit(platformDC, c.x, c.y, c.w, c.h, srcDC, c.sx, c.sy, key);
        ::GdiFlush();
        ASSERT_NE(std::vector<std::uint32_t>(direct.Bits, direct.Bits + W * H), before) << "nothing was copied";
        for (int i = 0; i < W * H; ++i) ASSERT_EQ(direct.Bits[i], platform.Bits[i]) << "pixel " << i;
    }
}

}  // namespace
}  // namespace qd
