#include "framework/Graphics.h"

#include "framework/Properties.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace qd {

// ---------------------------------------------------------------------------------------------------------------
// Colours

COLORREF ColorToRGB(TColor color, TColor fallback) noexcept {
    if (color == clNone || color == clDefault) {
        if (fallback == clNone || fallback == clDefault) return RGB(0, 0, 0);
        color = fallback;
    }
    if (IsSystemColor(color)) return ::GetSysColor(SystemColorIndex(color));
    return color & 0x00FFFFFFu;
}

namespace {

TColor ColorFromBgra(std::uint32_t bgra) noexcept {
    const std::uint32_t b = bgra & 0xFF, g = (bgra >> 8) & 0xFF, r = (bgra >> 16) & 0xFF;
    return RGB(r, g, b);
}

// Rounds like the platform's MulDiv (half away from zero); 0 when the divisor is 0.
int MulDivRound(int a, int b, int c) noexcept {
    if (c == 0) return 0;
    std::int64_t n = static_cast<std::int64_t>(a) * b;
    std::int64_t d = c;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    const std::int64_t q = (n >= 0 ? n + d / 2 : n - d / 2) / d;
    return static_cast<int>(
        std::clamp<std::int64_t>(q, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// TGraphicsObject

void TGraphicsObject::Changed() {
    if (FOwnerChanged) FOwnerChanged();
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------------------------
// TFont

TFont::TFont() : FName(L"Tahoma"), FHeight(-11), FCharset(DEFAULT_CHARSET), FColor(clWindowText) {}

void TFont::Change() {
    // The old handle may be selected into a canvas's DC: it is deleted only after the owner canvas and the
    // handlers have been told (and had the chance to deselect it).
    TFontHandle old = std::move(FHandle);
    Changed();
}

void TFont::SetName(const std::wstring& value) {
    if (value.size() > kMaxNameLength)
        throw EInvalidGraphicOperation("Font name is longer than " + std::to_string(kMaxNameLength) + " characters");
    if (value.find(L'\0') != std::wstring::npos) throw EInvalidGraphicOperation("Font name contains a NUL character");
    if (value == FName) return;
    FName = value;
    Change();
}

void TFont::SetHeight(int value) {
    if (value == FHeight) return;
    FHeight = value;
    Change();
}

namespace {
// -value, with -INT_MIN (which int cannot hold) kept at INT_MAX.
int Negated(int value) noexcept {
    return value == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -value;
}
}  // namespace

int TFont::Size() const noexcept { return Negated(MulDivRound(FHeight, 72, FPixelsPerInch)); }

void TFont::SetSize(int points) { SetHeight(Negated(MulDivRound(points, FPixelsPerInch, 72))); }

void TFont::SetPixelsPerInch(int value) {
    if (value <= 0) throw EInvalidGraphicOperation("PixelsPerInch must be positive");
    FPixelsPerInch = value;  // Height stays; only the point size reading changes
}

void TFont::SetCharset(int value) {
    if (value < 0 || value > 255)
        throw EInvalidGraphicOperation("Font charset " + std::to_string(value) + " is out of range 0..255");
    if (value == FCharset) return;
    FCharset = value;
    Change();
}

void TFont::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    Changed();  // the colour is applied by SetTextColor, not part of the handle
}

void TFont::SetStyle(TFontStyles value) {
    value &= kAllFontStyles;
    if (value == FStyle) return;
    FStyle = value;
    Change();
}

void TFont::SetPitch(TFontPitch value) {
    if (value == FPitch) return;
    FPitch = value;
    Change();
}

LOGFONTW TFont::LogFont() const noexcept {
    LOGFONTW lf{};
    lf.lfHeight = FHeight;
    lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (FStyle & fsItalic) ? 1 : 0;
    lf.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(FCharset);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    switch (FPitch) {
        case TFontPitch::fpVariable:
            lf.lfPitchAndFamily = VARIABLE_PITCH;
            break;
        case TFontPitch::fpFixed:
            lf.lfPitchAndFamily = FIXED_PITCH;
            break;
        default:
            lf.lfPitchAndFamily = DEFAULT_PITCH;
            break;
    }
    // SetName keeps the name within LF_FACESIZE - 1 characters.
    std::copy(FName.begin(), FName.end(), lf.lfFaceName);
    return lf;
}

HFONT TFont::Handle() {
    if (!FHandle) {
        const LOGFONTW lf = LogFont();
        FHandle.Reset(::CreateFontIndirectW(&lf));
        if (!FHandle) return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }
    return FHandle.Get();
}

void TFont::Assign(const TFont& source) {
    if (&source == this) return;
    const bool handleSame = FName == source.FName && FHeight == source.FHeight && FCharset == source.FCharset &&
                            FStyle == source.FStyle && FPitch == source.FPitch;
    const bool same = handleSame && FColor == source.FColor && FPixelsPerInch == source.FPixelsPerInch;
    FName = source.FName;
    FHeight = source.FHeight;
    FCharset = source.FCharset;
    FStyle = source.FStyle;
    FPitch = source.FPitch;
    FColor = source.FColor;
    FPixelsPerInch = source.FPixelsPerInch;
    if (same) return;
    if (handleSame)
        Changed();
    else
        Change();
}

// ---------------------------------------------------------------------------------------------------------------
// TBrush

void TBrush::Change() {
    TBrushHandle old = std::move(FHandle);
    Changed();
}

void TBrush::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    Change();
}

void TBrush::SetStyle(TBrushStyle value) {
    if (value == FStyle) return;
    FStyle = value;
    Change();
}

HBRUSH TBrush::Handle() {
    if (!FHandle) {
        // Past solid and clear come the platform's hatches, in its order.
        static constexpr ULONG_PTR kHatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL,
                                                 HS_BDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
        LOGBRUSH lb{};
        lb.lbColor = ColorToRGB(FColor, clWhite);
        if (FStyle == TBrushStyle::bsSolid) {
            lb.lbStyle = BS_SOLID;
        } else if (FStyle == TBrushStyle::bsClear) {
            lb.lbStyle = BS_NULL;
        } else {
            const auto i = static_cast<std::size_t>(FStyle) - static_cast<std::size_t>(TBrushStyle::bsHorizontal);
            lb.lbStyle = BS_HATCHED;
            lb.lbHatch = i < std::size(kHatches) ? kHatches[i] : HS_DIAGCROSS;
        }
        FHandle.Reset(::CreateBrushIndirect(&lb));
        if (!FHandle) throw EOutOfResources("Out of system resources (brush)");
    }
    return FHandle.Get();
}

void TBrush::Assign(const TBrush& source) {
    if (&source == this || (FColor == source.FColor && FStyle == source.FStyle)) return;
    FColor = source.FColor;
    FStyle = source.FStyle;
    Change();
}

// ---------------------------------------------------------------------------------------------------------------
// TPen

void TPen::Change(bool handleChanges) {
    TPenHandle old;
    if (handleChanges) old = std::move(FHandle);
    Changed();
}

void TPen::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    Change(true);
}

void TPen::SetWidth(int value) {
    if (value < 0 || value > kMaxWidth)
        throw EInvalidGraphicOperation("Pen width " + std::to_string(value) + " is out of range 0.." +
                                       std::to_string(kMaxWidth));
    if (value == FWidth) return;
    FWidth = value;
    Change(true);
}

void TPen::SetStyle(TPenStyle value) {
    if (value == FStyle) return;
    FStyle = value;
    Change(true);
}

void TPen::SetMode(TPenMode value) {
    if (value == FMode) return;
    FMode = value;
    Change(false);
}

int TPen::Rop2() const noexcept {
    static constexpr int kRop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                    R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                    R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                    R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
    const auto i = static_cast<std::size_t>(FMode);
    return i < std::size(kRop2) ? kRop2[i] : R2_COPYPEN;
}

HPEN TPen::Handle() {
    if (!FHandle) {
        static constexpr int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                          PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        const auto i = static_cast<std::size_t>(FStyle);
        const int style = i < std::size(kStyles) ? kStyles[i] : PS_SOLID;
        FHandle.Reset(::CreatePen(style, FWidth, ColorToRGB(FColor)));
        if (!FHandle) throw EOutOfResources("Out of system resources (pen)");
    }
    return FHandle.Get();
}

void TPen::Assign(const TPen& source) {
    if (&source == this) return;
    const bool handleSame = FColor == source.FColor && FWidth == source.FWidth && FStyle == source.FStyle;
    if (handleSame && FMode == source.FMode) return;
    FColor = source.FColor;
    FWidth = source.FWidth;
    FStyle = source.FStyle;
    FMode = source.FMode;
    Change(!handleSame);
}

// ---------------------------------------------------------------------------------------------------------------
// TCanvas

TCanvas::TCanvas() {
    // A property change makes the handle of that object go away right after this notification: take it out of
    // the DC now, the next drawing call selects the new one.
    FFont.FOwnerChanged = [this] { DeselectFont(); };
    FBrush.FOwnerChanged = [this] { DeselectBrush(); };
    FPen.FOwnerChanged = [this] { DeselectPen(); };
}

TCanvas::~TCanvas() { DeselectAll(); }

HDC TCanvas::Handle() {
    if (!FHandle) CreateHandle();
    if (!FHandle) throw EInvalidGraphicOperation("Canvas does not allow drawing");
    return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == FHandle) return;
    DeselectAll();
    FHandle = dc;
    FState = 0;
}

void TCanvas::DeselectFont() noexcept {
    if (FOldFont && FHandle) ::SelectObject(FHandle, FOldFont);
    FOldFont = nullptr;
    FState &= ~kFontValid;
}

void TCanvas::DeselectBrush() noexcept {
    if (FOldBrush && FHandle) ::SelectObject(FHandle, FOldBrush);
    FOldBrush = nullptr;
    FState &= ~kBrushValid;
}

void TCanvas::DeselectPen() noexcept {
    if (FOldPen && FHandle) ::SelectObject(FHandle, FOldPen);
    FOldPen = nullptr;
    FState &= ~kPenValid;
}

void TCanvas::DeselectAll() noexcept {
    DeselectFont();
    DeselectBrush();
    DeselectPen();
}

void TCanvas::RequireFont() {
    const HDC dc = Handle();
    if (!(FState & kFontValid)) {
        const HGDIOBJ old = ::SelectObject(dc, FFont.Handle());
        if (!FOldFont && old && old != HGDI_ERROR) FOldFont = old;
        ::SetTextColor(dc, ColorToRGB(FFont.Color(), clWindowText));
        FState |= kFontValid;
    }
}

void TCanvas::RequireBrush() {
    const HDC dc = Handle();
    if (!(FState & kBrushValid)) {
        ::UnrealizeObject(FBrush.Handle());  // hatch origins follow the DC's brush origin
        const HGDIOBJ old = ::SelectObject(dc, FBrush.Handle());
        if (!FOldBrush && old && old != HGDI_ERROR) FOldBrush = old;
        if (FBrush.Style() == TBrushStyle::bsSolid) {
            ::SetBkColor(dc, ColorToRGB(FBrush.Color(), clWhite));
            ::SetBkMode(dc, OPAQUE);
        } else {
            // Clear and hatched brushes let the background show through text and hatch gaps.
            ::SetBkColor(dc, ~ColorToRGB(FBrush.Color(), clWhite) & 0x00FFFFFFu);
            ::SetBkMode(dc, TRANSPARENT);
        }
        FState |= kBrushValid;
    }
}

void TCanvas::RequirePen() {
    const HDC dc = Handle();
    if (!(FState & kPenValid)) {
        const HGDIOBJ old = ::SelectObject(dc, FPen.Handle());
        if (!FOldPen && old && old != HGDI_ERROR) FOldPen = old;
        ::SetROP2(dc, FPen.Rop2());
        FState |= kPenValid;
    }
}

void TCanvas::FillRect(const RECT& rect) {
    RequireBrush();
    ::FillRect(FHandle, &rect, FBrush.Handle());
}

void TCanvas::DrawFocusRect(const RECT& rect) {
    RequireBrush();
    ::DrawFocusRect(FHandle, &rect);
}

void TCanvas::FrameRect(const RECT& rect) {
    RequireBrush();
    ::FrameRect(FHandle, &rect, FBrush.Handle());
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    RequirePen();
    RequireBrush();
    ::Rectangle(FHandle, x1, y1, x2, y2);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    RequirePen();
    RequireBrush();
    ::Ellipse(FHandle, x1, y1, x2, y2);
}

namespace {
int PointCount(std::span<const POINT> points) {
    if (points.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw EInvalidGraphicOperation("Too many points");
    return static_cast<int>(points.size());
}
int TextLength(std::wstring_view text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw EInvalidGraphicOperation("Text too long to draw");
    return static_cast<int>(text.size());
}
}  // namespace

void TCanvas::Polyline(std::span<const POINT> points) {
    const int n = PointCount(points);
    if (n < 2) return;
    RequirePen();
    ::Polyline(FHandle, points.data(), n);
}

void TCanvas::Polygon(std::span<const POINT> points) {
    const int n = PointCount(points);
    if (n < 2) return;
    RequirePen();
    RequireBrush();
    ::Polygon(FHandle, points.data(), n);
}

void TCanvas::MoveTo(int x, int y) { ::MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
    RequirePen();
    ::LineTo(FHandle, x, y);
}

POINT TCanvas::PenPos() {
    POINT p{};
    ::GetCurrentPositionEx(Handle(), &p);
    return p;
}

TColor TCanvas::Pixel(int x, int y) {
    const COLORREF c = ::GetPixel(Handle(), x, y);
    return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixelV(Handle(), x, y, ColorToRGB(color)); }

void TCanvas::TextOut(int x, int y, std::wstring_view text) {
    const int n = TextLength(text);
    RequireFont();
    RequireBrush();
    ::ExtTextOutW(FHandle, x, y, FTextFlags, nullptr, text.data(), static_cast<UINT>(n), nullptr);
}

void TCanvas::TextRect(const RECT& rect, int x, int y, std::wstring_view text) {
    const int n = TextLength(text);
    RequireFont();
    RequireBrush();
    UINT options = FTextFlags | ETO_CLIPPED;
    if (FBrush.Style() != TBrushStyle::bsClear) options |= ETO_OPAQUE;
    ::ExtTextOutW(FHandle, x, y, options, &rect, text.data(), static_cast<UINT>(n), nullptr);
}

SIZE TCanvas::TextExtent(std::wstring_view text) {
    const int n = TextLength(text);
    RequireFont();
    SIZE size{};
    ::GetTextExtentPoint32W(FHandle, text.data(), n, &size);
    return size;
}

int TCanvas::DrawText(std::wstring_view text, RECT& rect, UINT flags) {
    const int n = TextLength(text);
    RequireFont();
    RequireBrush();
    // DT_MODIFYSTRING would write into the caller's text: never let it through.
    return ::DrawTextW(FHandle, text.data(), n, &rect, flags & ~static_cast<UINT>(DT_MODIFYSTRING));
}

namespace {

// One memory DC for the life of the process, used only to read bitmaps from while they are drawn. Making a DC
// per draw costs far more than the blit of a small glyph (about 200 us under Wine), and keeping a DC per bitmap
// would hold its DIB: GDI lets a bitmap be selected into one DC only, so code that selects the raw handle
// elsewhere (the skin primitives do) would fail. It is deliberately not in the live counts: it is never a leak.
class TScratchDC {
public:
    TScratchDC() noexcept : FDC(::CreateCompatibleDC(nullptr)) {}
    ~TScratchDC() {
        if (FDC) ::DeleteDC(FDC);
    }
    TScratchDC(const TScratchDC&) = delete;
    TScratchDC& operator=(const TScratchDC&) = delete;
    HDC Get() const noexcept { return FDC; }

private:
    HDC FDC;
};

// A DC to read `bitmap` from for one drawing call: its own canvas DC when it has one (the DIB is selected there
// already), else the scratch DC with the DIB selected for the guard's lifetime.
class TBitmapSource {
public:
    explicit TBitmapSource(TBitmap& bitmap) {
        if (bitmap.CanvasAllocated()) {
            FDC = bitmap.Canvas().Handle();
            return;
        }
        static TScratchDC scratch;
        if (!scratch.Get()) throw EOutOfResources("Out of system resources (memory DC)");
        const HGDIOBJ old = ::SelectObject(scratch.Get(), bitmap.Handle());
        // Selected into a DC of someone else's: there is nothing to read it through.
        if (!old || old == HGDI_ERROR) return;
        FDC = scratch.Get();
        FOld = old;
    }
    ~TBitmapSource() {
        if (FOld) ::SelectObject(FDC, FOld);
    }
    TBitmapSource(const TBitmapSource&) = delete;
    TBitmapSource& operator=(const TBitmapSource&) = delete;
    HDC DC() const noexcept { return FDC; }

private:
    HDC FDC = nullptr;
    HGDIOBJ FOld = nullptr;
};

// Platform quirk: Wine's TransparentBlt (and MaskBlt) costs milliseconds even for a 16 x 16 glyph, because it
// builds temporary masks and DCs per call. On a memory DC with plain coordinates the same result is composed
// here instead: read the destination area back into a DIB, put the source's non-key pixels over it in memory,
// blit it back in one piece (so nothing half-drawn is ever visible). Other DCs (screen, printer, metafile, scaled
// mapping modes) keep TransparentBlt.
class TTransparentComposer {
public:
    static constexpr std::int64_t kMaxComposedPixels = 512 * 512;

    static bool Compose(HDC dc, const RECT& rect, HDC src, int srcWidth, int srcHeight, COLORREF key) {
        const int w = rect.right - rect.left, h = rect.bottom - rect.top;
        if (::GetObjectType(dc) != OBJ_MEMDC || ::GetMapMode(dc) != MM_TEXT || ::GetGraphicsMode(dc) != GM_COMPATIBLE)
            return false;
        // Large areas are rare (and the buffers stay allocated): those go to the platform.
        if (static_cast<std::int64_t>(w) * h > kMaxComposedPixels) return false;
        static TTransparentComposer composer;
        return composer.Run(dc, rect.left, rect.top, w, h, src, srcWidth, srcHeight, key);
    }

private:
    // Process-lifetime buffers, like the scratch DC: kept out of the live counts, they are never a leak.
    struct TBuffer {
        HBITMAP Bitmap = nullptr;
        void* Bits = nullptr;
        int Width = 0;
        int Height = 0;
    };

    TTransparentComposer() noexcept : FDC(::CreateCompatibleDC(nullptr)) {}
    ~TTransparentComposer() {
        Deselect();
        if (FBack.Bitmap) ::DeleteObject(FBack.Bitmap);
        if (FSource.Bitmap) ::DeleteObject(FSource.Bitmap);
        if (FDC) ::DeleteDC(FDC);
    }

    void Deselect() noexcept {
        if (FDC && FDefaultBitmap) ::SelectObject(FDC, FDefaultBitmap);
    }

    // A buffer at least w x h, kept for the next call (glyphs of one size are drawn again and again).
    bool Ensure(TBuffer& buffer, int w, int h) {
        if (buffer.Bitmap && buffer.Width >= w && buffer.Height >= h) return true;
        TDibSection dib = CreateDib32(std::max(w, buffer.Width), std::max(h, buffer.Height));
        if (!dib.Bitmap) return false;
        Deselect();  // the old buffer may be selected: it cannot be deleted while it is
        if (buffer.Bitmap) ::DeleteObject(buffer.Bitmap);
        buffer = TBuffer{dib.Bitmap.Release(), dib.Bits, dib.Width, dib.Height};
        return true;
    }

    bool Select(const TBuffer& buffer) {
        const HGDIOBJ old = ::SelectObject(FDC, buffer.Bitmap);
        if (!old || old == HGDI_ERROR) return false;
        if (!FDefaultBitmap) FDefaultBitmap = old;
        return true;
    }

    bool Run(HDC dc, int x, int y, int w, int h, HDC src, int sw, int sh, COLORREF key) {
        if (!FDC || !Ensure(FBack, w, h) || !Ensure(FSource, w, h)) return false;
        // The source at the destination's size (nearest pixel, so key pixels stay exactly the key).
        if (!Select(FSource)) return false;
        ::SetStretchBltMode(FDC, COLORONCOLOR);
        const BOOL scaled = (w == sw && h == sh) ? ::BitBlt(FDC, 0, 0, w, h, src, 0, 0, SRCCOPY)
                                                 : ::StretchBlt(FDC, 0, 0, w, h, src, 0, 0, sw, sh, SRCCOPY);
        if (!Select(FBack)) return false;
        if (!scaled || !::BitBlt(FDC, 0, 0, w, h, dc, x, y, SRCCOPY)) return false;
        ::GdiFlush();
        const std::uint32_t keyBgra = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
        for (int row = 0; row < h; ++row) {
            const auto* s =
                static_cast<const std::uint32_t*>(FSource.Bits) + static_cast<std::size_t>(row) * FSource.Width;
            auto* d = static_cast<std::uint32_t*>(FBack.Bits) + static_cast<std::size_t>(row) * FBack.Width;
            for (int col = 0; col < w; ++col)
                if ((s[col] & 0xFFFFFFu) != keyBgra) d[col] = s[col];
        }
        return ::BitBlt(dc, x, y, w, h, FDC, 0, 0, SRCCOPY) != FALSE;
    }

    HDC FDC;
    HGDIOBJ FDefaultBitmap = nullptr;
    TBuffer FBack;    // the destination area
    TBuffer FSource;  // the source at the destination's size
};

}  // namespace

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    StretchDraw(RECT{x, y, x + bitmap.Width(), y + bitmap.Height()}, bitmap);
}

void TCanvas::StretchDraw(const RECT& rect, TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    const HDC dc = Handle();
    const TBitmapSource source(bitmap);
    const HDC src = source.DC();
    if (!src) return;
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    if (bitmap.Transparent()) {
        const COLORREF key = ColorToRGB(bitmap.TransparentColor());
        if (!TTransparentComposer::Compose(dc, rect, src, bitmap.Width(), bitmap.Height(), key))
            ::GdiTransparentBlt(dc, rect.left, rect.top, w, h, src, 0, 0, bitmap.Width(), bitmap.Height(), key);
    } else if (w == bitmap.Width() && h == bitmap.Height()) {
        ::BitBlt(dc, rect.left, rect.top, w, h, src, 0, 0, FCopyMode);
    } else {
        ::StretchBlt(dc, rect.left, rect.top, w, h, src, 0, 0, bitmap.Width(), bitmap.Height(), FCopyMode);
    }
    if (oldMode) ::SetStretchBltMode(dc, oldMode);
}

void TCanvas::Draw(int x, int y, const TIcon& icon) {
    if (icon.Empty()) return;
    ::DrawIconEx(Handle(), x, y, icon.Handle(), 0, 0, 0, nullptr, DI_NORMAL);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& canvas, const RECT& source) {
    const HDC dc = Handle();
    const HDC src = canvas.Handle();
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, src, source.left, source.top,
                 source.right - source.left, source.bottom - source.top, FCopyMode);
    if (oldMode) ::SetStretchBltMode(dc, oldMode);
}

// ---------------------------------------------------------------------------------------------------------------
// TBitmap

// The canvas of a bitmap: a memory DC with the bitmap's DIB section selected, made on first use.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& owner) : FOwner(owner) {}
    ~TBitmapCanvas() override { Free(); }

    // Gives the DC back: our font, brush and pen first, then the DC's own bitmap, then the DC.
    void Free() noexcept {
        if (!FDC) return;
        SetHandle(nullptr);
        FSelect.reset();
        FDC.Reset();
    }

protected:
    void CreateHandle() override {
        if (FOwner.Empty()) return;  // nothing to draw on: Handle() reports it
        TMemoryDC dc(nullptr);
        if (!dc) throw EOutOfResources("Out of system resources (memory DC)");
        FSelect.emplace(dc.Get(), FOwner.Handle());
        // GDI selects a bitmap into one DC at a time: if the caller holds the raw handle in a DC of theirs, this
        // canvas would silently draw on the DC's 1 x 1 default bitmap.
        if (::GetCurrentObject(dc.Get(), OBJ_BITMAP) != FOwner.Handle()) {
            FSelect.reset();
            throw EInvalidGraphicOperation("Bitmap is selected into another device context");
        }
        FDC = std::move(dc);
        SetHandle(FDC.Get());
    }

private:
    TBitmap& FOwner;
    TMemoryDC FDC;
    std::optional<TSelectGuard> FSelect;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() { Dormant(); }

void TBitmap::Changed() {
    if (OnChange) OnChange(this);
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(*this);
    return *FCanvas;
}

bool TBitmap::CanvasAllocated() const noexcept { return FCanvas && FCanvas->HandleAllocated(); }

void TBitmap::Dormant() noexcept {
    if (FCanvas) FCanvas->Free();
}

void TBitmap::ReplaceImage(TDibSection&& dib) {
    Dormant();  // the old DIB must leave the canvas DC before it is deleted
    FDib = std::move(dib);
    FWidth = FDib.Bitmap ? FDib.Width : 0;
    FHeight = FDib.Bitmap ? FDib.Height : 0;
}

namespace {

void CheckSize(int width, int height) {
    if (width < 0 || height < 0) throw EInvalidGraphic("Bitmap size is negative");
    if (width > TBitmap::kMaxDimension || height > TBitmap::kMaxDimension ||
        static_cast<std::int64_t>(width) * height > TBitmap::kMaxPixels)
        throw EInvalidGraphic("Bitmap size " + std::to_string(width) + " x " + std::to_string(height) +
                              " is too large");
}

TDibSection NewDib(int width, int height) {
    TDibSection dib = CreateDib32(width, height);
    if (!dib.Bitmap)
        throw EOutOfResources("Out of system resources (bitmap " + std::to_string(width) + " x " +
                              std::to_string(height) + ")");
    return dib;
}

}  // namespace

void TBitmap::SetSize(int width, int height) {
    CheckSize(width, height);
    if (width == FWidth && height == FHeight) return;
    if (width == 0 || height == 0) {
        ReplaceImage(TDibSection{});
        Changed();
        return;
    }
    TDibSection dib = NewDib(width, height);
    std::memset(dib.Bits, 0, static_cast<std::size_t>(width) * height * 4);
    if (!Empty()) {
        ::GdiFlush();
        const int w = std::min(width, FWidth), h = std::min(height, FHeight);
        for (int y = 0; y < h; ++y)
            std::memcpy(static_cast<std::uint32_t*>(dib.Bits) + static_cast<std::size_t>(y) * width,
                        static_cast<const std::uint32_t*>(FDib.Bits) + static_cast<std::size_t>(y) * FWidth,
                        static_cast<std::size_t>(w) * 4);
    }
    ReplaceImage(std::move(dib));
    Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
    Dormant();
    HBITMAP h = FDib.Bitmap.Release();
    FDib = TDibSection{};
    FWidth = FHeight = 0;
    FPalette.clear();
    Changed();
    return h;
}

std::uint32_t* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= FHeight) throw EInvalidGraphicOperation("Scan line index out of range");
    ::GdiFlush();
    return static_cast<std::uint32_t*>(FDib.Bits) + static_cast<std::size_t>(y) * FWidth;
}

const std::uint32_t* TBitmap::ScanLine(int y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

void TBitmap::AssignPixels(int width, int height, const std::uint32_t* bgra) {
    CheckSize(width, height);
    if (width == 0 || height == 0) {
        ReplaceImage(TDibSection{});
    } else {
        if (!bgra)
            throw EInvalidGraphic("No pixels given for a " + std::to_string(width) + " x " + std::to_string(height) +
                                  " bitmap");
        TDibSection dib = NewDib(width, height);
        std::memcpy(dib.Bits, bgra, static_cast<std::size_t>(width) * height * 4);
        ReplaceImage(std::move(dib));
    }
    FPixelFormat = TPixelFormat::pf32bit;
    FPalette.clear();
    Changed();
}

void TBitmap::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (FTransparentColor != clDefault) return FTransparentColor;
    if (Empty()) return clNone;
    return ColorFromBgra(ScanLine(FHeight - 1)[0]);
}

void TBitmap::SetTransparentColor(TColor value) {
    if (value == FTransparentColor) return;
    FTransparentColor = value;
    Changed();
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this) return;
    if (source.Empty()) {
        ReplaceImage(TDibSection{});
    } else {
        TDibSection dib = NewDib(source.FWidth, source.FHeight);
        ::GdiFlush();
        std::memcpy(dib.Bits, source.FDib.Bits, static_cast<std::size_t>(source.FWidth) * source.FHeight * 4);
        ReplaceImage(std::move(dib));
    }
    FPixelFormat = source.FPixelFormat;
    FPalette = source.FPalette;
    FTransparent = source.FTransparent;
    FTransparentColor = source.FTransparentColor;
    Changed();
}

// ---- BMP reading ----------------------------------------------------------------------------------------------

namespace {

TPixelFormat FormatOf(const TDibLayout& p) {
    switch (p.BitCount) {
        case 1:
            return TPixelFormat::pf1bit;
        case 4:
            return TPixelFormat::pf4bit;
        case 8:
            return TPixelFormat::pf8bit;
        case 16:
            return p.Compression == kDibBitfields && p.Masks[1] == 0x07E0 ? TPixelFormat::pf16bit
                                                                          : TPixelFormat::pf15bit;
        case 24:
            return TPixelFormat::pf24bit;
        default:
            return TPixelFormat::pf32bit;
    }
}

std::vector<RGBQUAD> ToRgbQuads(const std::vector<TDibColor>& colors) {
    std::vector<RGBQUAD> out;
    out.reserve(colors.size());
    for (const TDibColor& c : colors) out.push_back(RGBQUAD{c.Blue, c.Green, c.Red, 0});
    return out;
}

// Decodes the checked rows into a new 32-bit DIB section. The platform gets a header of our own making with a
// full 2^depth colour table (unlisted entries black), so neither an index beyond a short table nor anything of
// the input's own header makes it read outside what was checked.
TDibSection DecodeDib(const TDibLayout& p, const std::uint8_t* bits) {
    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = p.Width;
    h->biHeight = p.TopDown ? -p.Height : p.Height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(p.BitCount);
    h->biCompression = p.Compression;
    std::uint8_t* after = info.data() + sizeof(BITMAPINFOHEADER);
    if (p.Compression == kDibBitfields) {
        std::memcpy(after, p.Masks, sizeof(p.Masks));
    } else if (p.BitCount <= 8) {
        std::vector<RGBQUAD> colors = ToRgbQuads(p.Palette);
        colors.resize(std::size_t{1} << p.BitCount, RGBQUAD{0, 0, 0, 0});
        h->biClrUsed = static_cast<DWORD>(colors.size());
        std::memcpy(after, colors.data(), colors.size() * sizeof(RGBQUAD));
    }

    TDibSection dib = NewDib(p.Width, p.Height);
    TMemoryDC dc(nullptr);
    const int rows = ::SetDIBits(dc.Get(), dib.Bitmap.Get(), 0, static_cast<UINT>(p.Height), bits,
                                 reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    if (rows != p.Height) throw EInvalidGraphic("Bitmap image could not be decoded");
    ::GdiFlush();
    return dib;
}

}  // namespace

void TBitmap::LoadDib(const TDibLayout& layout, const std::uint8_t* bits) {
    TDibSection dib = DecodeDib(layout, bits);
    ReplaceImage(std::move(dib));
    FPixelFormat = FormatOf(layout);
    FPalette = ToRgbQuads(layout.Palette);
    Changed();
}

void TBitmap::LoadFromDibBytes(std::span<const std::uint8_t> bytes) {
    const TDibLayout layout = ParseDibLayout(bytes);
    LoadDib(layout, bytes.data() + layout.BitsOffset);
}

void TBitmap::LoadFromBmpBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        ReplaceImage(TDibSection{});
        FPalette.clear();
        Changed();
        return;
    }
    const TDibLayout layout = ParseBmpLayout(bytes);
    LoadDib(layout, bytes.data() + layout.BitsOffset);
}

void TBitmap::SetData(const std::vector<std::uint8_t>& bytes) {
    // Stored descriptions may carry the file after its own 4-byte length.
    if (bytes.size() >= 6 && bytes[0] != 'B' && bytes[4] == 'B' && bytes[5] == 'M') {
        const std::uint32_t n = ReadU32(bytes, 0);
        if (n != bytes.size() - 4)
            throw EInvalidGraphic("Bitmap data length " + std::to_string(n) + " does not match its " +
                                  std::to_string(bytes.size() - 4) + " bytes");
        LoadFromBmpBytes(std::span<const std::uint8_t>(bytes).subspan(4));
        return;
    }
    LoadFromBmpBytes(bytes);
}

void TBitmap::LoadFromResourceName(HINSTANCE module, const wchar_t* name) {
    HRSRC res = ::FindResourceW(module, name, MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    if (!res) throw EInvalidGraphic("Bitmap resource not found");
    HGLOBAL data = ::LoadResource(module, res);
    const void* p = data ? ::LockResource(data) : nullptr;
    const DWORD size = ::SizeofResource(module, res);
    if (!p || size == 0) throw EInvalidGraphic("Bitmap resource could not be loaded");
    LoadFromDibBytes(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(p), size));
}

std::vector<std::uint8_t> TBitmap::SaveToBmpBytes() const {
    std::vector<std::uint8_t> out;
    if (Empty()) return out;
    const int bpp = FPixelFormat == TPixelFormat::pf32bit ? 32 : 24;
    const std::size_t stride = ((static_cast<std::size_t>(FWidth) * bpp + 31) / 32) * 4;
    const std::size_t offBits = kBmpFileHeaderSize + sizeof(BITMAPINFOHEADER);
    const std::size_t fileSize = offBits + stride * FHeight;
    out.assign(fileSize, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        out[at] = static_cast<std::uint8_t>(v);
        out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<std::uint32_t>(fileSize));
    put32(10, static_cast<std::uint32_t>(offBits));
    put32(14, sizeof(BITMAPINFOHEADER));
    put32(18, static_cast<std::uint32_t>(FWidth));
    put32(22, static_cast<std::uint32_t>(FHeight));  // bottom-up
    put16(26, 1);
    put16(28, static_cast<std::uint32_t>(bpp));
    put32(34, static_cast<std::uint32_t>(stride * FHeight));
    put32(38, 3780);  // 96 dpi in pixels per metre
    put32(42, 3780);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(FDib.Bits);
    for (int y = 0; y < FHeight; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(FHeight - 1 - y) * FWidth;
        std::uint8_t* dst = out.data() + offBits + stride * y;
        if (bpp == 32) {
            std::memcpy(dst, row, static_cast<std::size_t>(FWidth) * 4);
        } else {
            for (int x = 0; x < FWidth; ++x) {
                dst[3 * x] = static_cast<std::uint8_t>(row[x]);
                dst[3 * x + 1] = static_cast<std::uint8_t>(row[x] >> 8);
                dst[3 * x + 2] = static_cast<std::uint8_t>(row[x] >> 16);
            }
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------------------------
// TIcon

int TIcon::LargeIconSize() noexcept { return ::GetSystemMetrics(SM_CXICON); }
int TIcon::SmallIconSize() noexcept { return ::GetSystemMetrics(SM_CXSMICON); }

void TIcon::Take(HICON icon, int width, int height) {
    FData.clear();
    FHandle.Reset(icon);
    FWidth = width;
    FHeight = height;
}

void TIcon::LoadFromResourceName(HINSTANCE module, const wchar_t* name, int size) {
    if (size < 0 || size > 256)
        throw EInvalidGraphicOperation("Icon size " + std::to_string(size) + " is out of range 0..256");
    const int px = size ? size : LargeIconSize();
    HICON icon = static_cast<HICON>(::LoadImageW(module, name, IMAGE_ICON, px, px, 0));
    if (!icon) throw EInvalidGraphic("Icon resource not found");
    Take(icon, px, px);
}

void TIcon::LoadFromResourceId(HINSTANCE module, int id, int size) {
    if (id <= 0 || id > 0xFFFF) throw EInvalidGraphic("Icon resource id " + std::to_string(id) + " is out of range");
    LoadFromResourceName(module, MAKEINTRESOURCEW(id), size);
}

void TIcon::LoadFromIcoBytes(std::span<const std::uint8_t> bytes, int size) {
    if (size < 0 || size > 256)
        throw EInvalidGraphicOperation("Icon size " + std::to_string(size) + " is out of range 0..256");
    const int want = size ? size : LargeIconSize();
    if (bytes.size() < 6) throw EInvalidGraphic("Icon image is not valid: truncated header");
    if (ReadU16(bytes, 0) != 0 || ReadU16(bytes, 2) != 1)
        throw EInvalidGraphic("Icon image is not valid: not an icon file");
    const std::size_t count = ReadU16(bytes, 4);
    if (count == 0) throw EInvalidGraphic("Icon image is not valid: no images");
    if (bytes.size() < 6 + 16 * count) throw EInvalidGraphic("Icon image is not valid: truncated directory");

    struct TEntry {
        int Size, Bits;
        std::uint32_t Offset, Length;
    };
    std::optional<TEntry> best;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + 16 * i;
        TEntry e{bytes[at] ? bytes[at] : 256, ReadU16(bytes, at + 6), ReadU32(bytes, at + 12), ReadU32(bytes, at + 8)};
        if (e.Length == 0 || e.Offset > bytes.size() || bytes.size() - e.Offset < e.Length)
            throw EInvalidGraphic("Icon image is not valid: image " + std::to_string(i) + " lies outside the file");
        if (!best) {
            best = e;
            continue;
        }
        const int d = std::abs(e.Size - want), bd = std::abs(best->Size - want);
        if (d < bd || (d == bd && e.Bits > best->Bits)) best = e;
    }

    const auto image = bytes.subspan(best->Offset, best->Length);
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    int width = best->Size, height = best->Size;
    if (image.size() >= 8 && std::memcmp(image.data(), kPng, 8) == 0) {
        // A PNG image: the platform decodes it. Its size is in the IHDR chunk.
        if (image.size() < 24) throw EInvalidGraphic("Icon image is not valid: truncated PNG");
        auto be32 = [&](std::size_t at) {
            return (std::uint32_t{image[at]} << 24) | (std::uint32_t{image[at + 1]} << 16) |
                   (std::uint32_t{image[at + 2]} << 8) | image[at + 3];
        };
        const std::uint32_t w = be32(16), h = be32(20);
        if (w == 0 || h == 0 || w > 256 || h > 256) throw EInvalidGraphic("Icon image is not valid: bad PNG size");
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    } else {
        // A DIB of twice the icon's height: the colour rows, then a 1-bit AND mask.
        if (image.size() < 40 || ReadU32(image, 0) != 40)
            throw EInvalidGraphic("Icon image is not valid: bad image header");
        const std::int32_t w = ReadI32(image, 4), h2 = ReadI32(image, 8);
        const int bpp = ReadU16(image, 14);
        const std::uint32_t compression = ReadU32(image, 16), clrUsed = ReadU32(image, 32);
        if (w <= 0 || w > 256 || h2 <= 0 || h2 > 512 || (h2 & 1))
            throw EInvalidGraphic("Icon image is not valid: bad image size");
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
            throw EInvalidGraphic("Icon image is not valid: " + std::to_string(bpp) + " bits per pixel");
        if (compression != kDibRgb) throw EInvalidGraphic("Icon image is not valid: compressed image");
        if (bpp <= 8 && clrUsed > (1u << bpp)) throw EInvalidGraphic("Icon image is not valid: colour table too large");
        const std::uint64_t colors = bpp <= 8 ? (clrUsed ? clrUsed : (1u << bpp)) : 0;
        const std::uint64_t h = static_cast<std::uint64_t>(h2) / 2;
        const std::uint64_t xorStride = ((static_cast<std::uint64_t>(w) * bpp + 31) / 32) * 4;
        const std::uint64_t andStride = ((static_cast<std::uint64_t>(w) + 31) / 32) * 4;
        if (40 + colors * 4 + (xorStride + andStride) * h > image.size())
            throw EInvalidGraphic("Icon image is not valid: pixel data truncated");
        width = w;
        height = static_cast<int>(h);
    }
    HICON icon = ::CreateIconFromResourceEx(const_cast<PBYTE>(image.data()), static_cast<DWORD>(image.size()), TRUE,
                                            0x00030000, width, height, 0);
    if (!icon) throw EInvalidGraphic("Icon image could not be decoded");
    Take(icon, width, height);
    FData.assign(bytes.begin(), bytes.end());
}

void TIcon::SetData(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) {
        Take(nullptr, 0, 0);
        return;
    }
    LoadFromIcoBytes(bytes);
}

HICON TIcon::ReleaseHandle() noexcept {
    FWidth = FHeight = 0;
    FData.clear();
    return FHandle.Release();
}

void TIcon::Assign(const TIcon& source) {
    if (&source == this) return;
    if (source.Empty()) {
        Take(nullptr, 0, 0);
        return;
    }
    HICON copy = static_cast<HICON>(::CopyImage(source.Handle(), IMAGE_ICON, 0, 0, 0));
    if (!copy) throw EOutOfResources("Out of system resources (icon)");
    Take(copy, source.FWidth, source.FHeight);
    FData = source.FData;
}

}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Published properties

namespace qd {

const TClassInfo& TGraphicsObject::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TGraphicsObject>("TGraphicsObject", &TPersistent::StaticClassInfo());
    return info;
}

const TClassInfo& TFont::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TFont>("TFont", &TGraphicsObject::StaticClassInfo())
            // Size is derived from Height and rounds: it comes before Height so that a description written
            // from these values sets the exact Height last.
            .Int("Size", &TFont::Size, &TFont::SetSize)
            .Charset("Charset", &TFont::Charset, &TFont::SetCharset)
            .Color("Color", &TFont::Color, &TFont::SetColor)
            .Int("Height", &TFont::Height, &TFont::SetHeight)
            .WStr("Name", &TFont::Name, &TFont::SetName)
            .Enum("Pitch", &TFont::Pitch, &TFont::SetPitch, {"fpDefault", "fpVariable", "fpFixed"})
            .Set("Style", &TFont::Style, &TFont::SetStyle, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    return info;
}

const TClassInfo& TBrush::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TBrush>("TBrush", &TGraphicsObject::StaticClassInfo())
                                       .Color("Color", &TBrush::Color, &TBrush::SetColor)
                                       .Enum("Style", &TBrush::Style, &TBrush::SetStyle,
                                             {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                              "bsBDiagonal", "bsCross", "bsDiagCross"});
    return info;
}

const TClassInfo& TPen::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TPen>("TPen", &TGraphicsObject::StaticClassInfo())
            .Color("Color", &TPen::Color, &TPen::SetColor)
            .Enum(
                "Mode", &TPen::Mode, &TPen::SetMode,
                {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot", "pmMaskPenNot",
                 "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"})
            .Enum("Style", &TPen::Style, &TPen::SetStyle,
                  {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"})
            .Int("Width", &TPen::Width, &TPen::SetWidth);
    return info;
}

const TClassInfo& TCanvas::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TCanvas>("TCanvas", &TPersistent::StaticClassInfo())
                                       .Object("Brush", &TCanvas::Brush)
                                       .Object("Font", &TCanvas::Font)
                                       .Object("Pen", &TCanvas::Pen);
    return info;
}

const TClassInfo& TBitmap::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TBitmap>("TBitmap", &TPersistent::StaticClassInfo())
            .Binary("Data", &TBitmap::Data, &TBitmap::SetData)
            .Bool("Transparent", &TBitmap::Transparent, &TBitmap::SetTransparent)
            // The stored value, clDefault while it follows the bottom-left pixel.
            .Color("TransparentColor", &TBitmap::StoredTransparentColor, &TBitmap::SetTransparentColor);
    return info;
}

const TClassInfo& TIcon::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TIcon>("TIcon", &TPersistent::StaticClassInfo()).Binary("Data", &TIcon::Data, &TIcon::SetData);
    return info;
}

}  // namespace qd
