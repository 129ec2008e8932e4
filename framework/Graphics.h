#pragma once
// Colours, fonts, brushes, pens, canvases, bitmaps and icons.
//
// Fonts, brushes and pens hold their properties and create the GDI object lazily (Handle()), caching it until a
// property changes. A canvas draws on a DC it was given (SetHandle) or one a subclass creates on demand; it
// selects its font, brush and pen into the DC as drawing needs them and puts the DC's own objects back before the
// DC is let go, so no handle of ours ever stays selected into a DC we do not hold.
// Bitmaps keep their pixels in one 32-bit top-down DIB section; the depth of the image they were loaded from is
// kept as PixelFormat (and its colour table as Palette) so callers can tell an 8-bit image from a true-colour one.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Colors.h"
#include "framework/Component.h"
#include "framework/DibFormat.h"
#include "framework/Exception.h"
#include "framework/Gdi.h"

namespace qd {

// ---------------------------------------------------------------------------------------------------------------
// Colours

// The COLORREF to hand to GDI. System colours are looked up now (GetSysColor); clNone and clDefault carry no
// colour of their own and resolve to `fallback` (itself resolved; a fallback without colour gives black).
// Any other flag byte (palette-relative and the like) is dropped, keeping the RGB part.
COLORREF ColorToRGB(TColor color, TColor fallback = clBlack) noexcept;

// ---------------------------------------------------------------------------------------------------------------
// Errors (EInvalidGraphic, for malformed image bytes, is in framework/DibFormat.h)

// An operation a graphics object cannot do in its state (a canvas without a DC, a font name too long, ...).
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

// The platform refused to create a GDI object.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// ---------------------------------------------------------------------------------------------------------------
// Fonts, brushes, pens

// Base of font, brush and pen: anything that changes a property calls Changed().
class TGraphicsObject : public TPersistent {
    QD_CLASS_INFO
public:
    // Fired after a property changed. The object's previous GDI handle stays alive until every handler has
    // returned, so a handler can still deselect it from a DC.
    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    friend class TCanvas;
    // The canvas that owns this object hears of changes before OnChange (it must deselect the old handle
    // first); kept apart from OnChange so user handlers cannot cut the canvas off.
    std::function<void()> FOwnerChanged;
};

// Font style bits; a set of them is a TFontStyles bitmask (bit n = identifier n of the stored "Style" set).
enum TFontStyle : std::uint32_t { fsBold = 1u << 0, fsItalic = 1u << 1, fsUnderline = 1u << 2, fsStrikeOut = 1u << 3 };
using TFontStyles = std::uint32_t;
inline constexpr TFontStyles kAllFontStyles = fsBold | fsItalic | fsUnderline | fsStrikeOut;

enum class TFontPitch : int { fpDefault, fpVariable, fpFixed };

class TFont : public TGraphicsObject {
    QD_CLASS_INFO
public:
    static constexpr int kDefaultPixelsPerInch = 96;
    static constexpr std::size_t kMaxNameLength = LF_FACESIZE - 1;  // LOGFONT holds 31 characters and a NUL

    TFont();

    const std::wstring& Name() const noexcept { return FName; }
    // Rejects names that LOGFONT cannot hold (longer than 31 characters, or with a NUL in them).
    void SetName(const std::wstring& value);
    // Pixels; negative = character height (the em height), positive = cell height, 0 = the mapper's default.
    int Height() const noexcept { return FHeight; }
    void SetHeight(int value);
    // Points at PixelsPerInch; derived from Height (Size = -Height * 72 / PixelsPerInch, rounded).
    int Size() const noexcept;
    void SetSize(int points);
    int PixelsPerInch() const noexcept { return FPixelsPerInch; }
    void SetPixelsPerInch(int value);
    int Charset() const noexcept { return FCharset; }
    void SetCharset(int value);  // 0..255
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);
    TFontStyles Style() const noexcept { return FStyle; }
    void SetStyle(TFontStyles value);  // bits outside the four styles are dropped
    TFontPitch Pitch() const noexcept { return FPitch; }
    void SetPitch(TFontPitch value);

    // The LOGFONT the handle is made from (callers that need rotation or another quality start from it).
    LOGFONTW LogFont() const noexcept;
    // The cached HFONT, created now if needed. Never null: when the platform refuses the font the stock GUI
    // font is answered (not cached, not owned).
    HFONT Handle();
    bool HandleAllocated() const noexcept { return static_cast<bool>(FHandle); }

    void Assign(const TFont& source);

private:
    void Change();

    std::wstring FName;
    int FHeight;
    int FPixelsPerInch = kDefaultPixelsPerInch;
    int FCharset;
    TColor FColor;
    TFontStyles FStyle = 0;
    TFontPitch FPitch = TFontPitch::fpDefault;
    TFontHandle FHandle;
};

enum class TBrushStyle : int {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBrush : public TGraphicsObject {
    QD_CLASS_INFO
public:
    TBrush() = default;

    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const noexcept { return FStyle; }
    void SetStyle(TBrushStyle value);

    // The cached HBRUSH (a null brush for bsClear). Throws EOutOfResources when the platform refuses.
    HBRUSH Handle();
    bool HandleAllocated() const noexcept { return static_cast<bool>(FHandle); }
    void Assign(const TBrush& source);

private:
    void Change();

    TColor FColor = clWhite;
    TBrushStyle FStyle = TBrushStyle::bsSolid;
    TBrushHandle FHandle;
};

enum class TPenStyle : int { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TPenMode : int {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject {
    QD_CLASS_INFO
public:
    static constexpr int kMaxWidth = 4096;

    TPen() = default;

    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);
    int Width() const noexcept { return FWidth; }
    void SetWidth(int value);  // 0..kMaxWidth
    TPenStyle Style() const noexcept { return FStyle; }
    void SetStyle(TPenStyle value);
    // The raster operation (SetROP2) a canvas applies with this pen; not part of the handle.
    TPenMode Mode() const noexcept { return FMode; }
    void SetMode(TPenMode value);
    int Rop2() const noexcept;

    HPEN Handle();  // throws EOutOfResources when the platform refuses
    bool HandleAllocated() const noexcept { return static_cast<bool>(FHandle); }
    void Assign(const TPen& source);

private:
    void Change(bool handleChanges);

    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = TPenStyle::psSolid;
    TPenMode FMode = TPenMode::pmCopy;
    TPenHandle FHandle;
};

// ---------------------------------------------------------------------------------------------------------------
// Canvas

class TBitmap;
class TIcon;

class TCanvas : public TPersistent {
    QD_CLASS_INFO
public:
    TCanvas();
    ~TCanvas() override;

    // The DC drawn on; a subclass without one gets the chance to create it (CreateHandle). Throws
    // EInvalidGraphicOperation "Canvas does not allow drawing" when there is none.
    HDC Handle();
    bool HandleAllocated() const noexcept { return FHandle != nullptr; }
    // Attaches a DC the canvas does not own (null detaches). The DC it had gets its own objects back first.
    // Detach (or destroy the canvas) before the DC itself is released.
    void SetHandle(HDC dc);

    TFont& Font() noexcept { return FFont; }
    TBrush& Brush() noexcept { return FBrush; }
    TPen& Pen() noexcept { return FPen; }
    // Raster operation of Draw, StretchDraw and CopyRect (SRCCOPY by default).
    DWORD CopyMode() const noexcept { return FCopyMode; }
    void SetCopyMode(DWORD value) noexcept { FCopyMode = value; }
    // ExtTextOut options of TextOut / TextRect (ETO_RTLREADING and the like).
    UINT TextFlags() const noexcept { return FTextFlags; }
    void SetTextFlags(UINT value) noexcept { FTextFlags = value; }

    // Puts the DC's own font, brush and pen back and forgets the drawing state, so code that selects objects or
    // changes modes on Handle() directly cannot leave the canvas believing its objects are still in place.
    void Refresh() noexcept { DeselectAll(); }

    void FillRect(const RECT& rect);
    // The platform's dotted focus rectangle (drawn with XOR: drawing it twice removes it).
    void DrawFocusRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Polyline(std::span<const POINT> points);
    void Polygon(std::span<const POINT> points);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    POINT PenPos();

    // Colour of a pixel as 0x00BBGGRR, or clNone outside the DC's clipping area.
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    void TextOut(int x, int y, std::wstring_view text);
    // Text clipped to `rect` (opaque background unless the brush is bsClear).
    void TextRect(const RECT& rect, int x, int y, std::wstring_view text);
    SIZE TextExtent(std::wstring_view text);
    int TextWidth(std::wstring_view text) { return TextExtent(text).cx; }
    int TextHeight(std::wstring_view text) { return TextExtent(text).cy; }
    // DrawTextW with the canvas's font; `rect` is updated when flags include DT_CALCRECT. Returns the height
    // of the text as DrawTextW does (0 on failure).
    int DrawText(std::wstring_view text, RECT& rect, UINT flags);

    // The bitmap at (x, y), unscaled. A Transparent bitmap leaves the pixels of its TransparentColor out.
    // Drawing leaves the bitmap's DIB as free as it found it: selected into no DC of ours but its own canvas's.
    // A bitmap whose raw handle is selected into someone else's DC is not drawn.
    void Draw(int x, int y, TBitmap& bitmap);
    void Draw(int x, int y, const TIcon& icon);
    // The bitmap scaled into `rect` (COLORONCOLOR), honouring Transparent like Draw.
    void StretchDraw(const RECT& rect, TBitmap& bitmap);
    // Copies (scaling when the sizes differ) `source` of another canvas to `dest` with CopyMode.
    void CopyRect(const RECT& dest, TCanvas& canvas, const RECT& source);

protected:
    // Subclasses that make their DC on demand (a bitmap's canvas, a control's canvas) override this and call
    // SetHandle with it; they call SetHandle(nullptr) before they free that DC.
    virtual void CreateHandle() {}

private:
    enum : unsigned { kFontValid = 1, kBrushValid = 2, kPenValid = 4 };
    void RequireFont();
    void RequireBrush();
    void RequirePen();
    void DeselectFont() noexcept;
    void DeselectBrush() noexcept;
    void DeselectPen() noexcept;
    void DeselectAll() noexcept;

    HDC FHandle = nullptr;
    TFont FFont;
    TBrush FBrush;
    TPen FPen;
    DWORD FCopyMode = SRCCOPY;
    UINT FTextFlags = 0;
    unsigned FState = 0;
    HGDIOBJ FOldFont = nullptr;
    HGDIOBJ FOldBrush = nullptr;
    HGDIOBJ FOldPen = nullptr;
};

// Lends `dc` to `canvas` for the life of the scope: the canvas draws on it and lets go of it when the scope ends,
// also when an exception leaves it. The DC stays its lender's to free.
class TCanvasHandleScope {
public:
    TCanvasHandleScope(TCanvas& canvas, HDC dc) : FCanvas(canvas) { canvas.SetHandle(dc); }
    TCanvasHandleScope(const TCanvasHandleScope&) = delete;
    TCanvasHandleScope& operator=(const TCanvasHandleScope&) = delete;
    ~TCanvasHandleScope() { FCanvas.SetHandle(nullptr); }

private:
    TCanvas& FCanvas;
};

// ---------------------------------------------------------------------------------------------------------------
// Bitmaps

enum class TPixelFormat : int { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmap : public TPersistent {
    QD_CLASS_INFO
public:
    // Larger images are rejected: no skin, glyph or resource of this program comes near these.
    static constexpr int kMaxDimension = kMaxBitmapDimension;
    static constexpr std::int64_t kMaxPixels = kMaxBitmapPixels;

    TBitmap();
    ~TBitmap() override;

    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    void SetWidth(int value) { SetSize(value, FHeight); }
    void SetHeight(int value) { SetSize(FWidth, value); }
    // Resizes, keeping the overlapping top-left part of the image; new pixels are black. A zero side empties
    // the bitmap; negative or too large sizes raise EInvalidGraphic.
    void SetSize(int width, int height);
    bool Empty() const noexcept { return FWidth == 0 || FHeight == 0; }

    // The depth of the image as loaded (or as set); the pixels are always held at 32 bits.
    TPixelFormat PixelFormat() const noexcept { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat value) noexcept { FPixelFormat = value; }
    // The colour table of an image loaded from 1, 4 or 8 bits per pixel (empty otherwise).
    const std::vector<RGBQUAD>& Palette() const noexcept { return FPalette; }

    // The DIB section (null when empty). Drawing never replaces it; a new size, a load or an Assign does.
    // After drawing on Canvas() the DIB stays selected into the canvas's DC (GDI allows one DC per bitmap):
    // call Dormant() before selecting it into a DC of your own.
    HBITMAP Handle() const noexcept { return FDib.Bitmap.Get(); }
    // Gives the DIB section to the caller (who deletes it); the bitmap is empty afterwards.
    HBITMAP ReleaseHandle();
    // Pixels of row y (BGRA, top-down), after flushing pending GDI drawing. y must be in [0, Height).
    std::uint32_t* ScanLine(int y);
    const std::uint32_t* ScanLine(int y) const;

    // A canvas drawing on this bitmap; its memory DC is made when first drawn on.
    TCanvas& Canvas();
    bool CanvasAllocated() const noexcept;
    // Frees the canvas's memory DC (the canvas and its font, brush and pen settings stay).
    void Dormant() noexcept;
    void FreeImage() noexcept { Dormant(); }

    // Windows bitmap file bytes ("BM" header). 1/4/8/16/24/32 bits per pixel, BI_RGB or BI_BITFIELDS, bottom-up
    // or top-down; BITMAPCOREHEADER, BITMAPINFOHEADER and the V2-V5 headers. Malformed or unsupported input
    // raises EInvalidGraphic and leaves the bitmap as it was. Empty input empties the bitmap.
    void LoadFromBmpBytes(std::span<const std::uint8_t> bytes);
    // A packed DIB (header, colour table, pixels: the form of RT_BITMAP resources and CF_DIB).
    void LoadFromDibBytes(std::span<const std::uint8_t> bytes);
    // An RT_BITMAP resource of `module`. Raises EInvalidGraphic when there is none of that name.
    void LoadFromResourceName(HINSTANCE module, const wchar_t* name);
    // A BMP file of this image: 32 bits per pixel when PixelFormat is pf32bit, else 24; empty when Empty().
    std::vector<std::uint8_t> SaveToBmpBytes() const;
    // 32-bit top-down BGRA pixels, width * height of them. PixelFormat becomes pf32bit.
    void AssignPixels(int width, int height, const std::uint32_t* bgra);

    // Stored form: the bytes of a BMP file, optionally after a 4-byte little-endian length of that file.
    std::vector<std::uint8_t> Data() const { return SaveToBmpBytes(); }
    void SetData(const std::vector<std::uint8_t>& bytes);

    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool value);
    // The colour left out by transparent drawing: the one set, else the bottom-left pixel's (clNone when empty).
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);  // clDefault goes back to the bottom-left pixel
    TColor StoredTransparentColor() const noexcept { return FTransparentColor; }

    // Deep copy of image, format, palette and transparency.
    void Assign(const TBitmap& source);

    // Fired after the image, its size or its transparency changed.
    TNotifyEvent OnChange;

private:
    class TBitmapCanvas;
    void Changed();
    void LoadDib(const TDibLayout& layout, const std::uint8_t* bits);
    void ReplaceImage(TDibSection&& dib);

    TDibSection FDib;
    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = TPixelFormat::pfDevice;
    std::vector<RGBQUAD> FPalette;
    bool FTransparent = false;
    TColor FTransparentColor = clDefault;
    std::unique_ptr<TBitmapCanvas> FCanvas;  // made on first use
};

// ---------------------------------------------------------------------------------------------------------------
// Icons

class TIcon : public TPersistent {
    QD_CLASS_INFO
public:
    TIcon() = default;

    // An RT_GROUP_ICON resource at `size` pixels square (0 = the system's large icon size). Raises
    // EInvalidGraphic when the module has no such icon.
    void LoadFromResourceName(HINSTANCE module, const wchar_t* name, int size = 0);
    void LoadFromResourceId(HINSTANCE module, int id, int size = 0);
    // The bytes of a .ico file; the image nearest to `size` (0 = large icon size) is taken, the deeper one on a
    // tie. Malformed input raises EInvalidGraphic and leaves the icon as it was.
    void LoadFromIcoBytes(std::span<const std::uint8_t> bytes, int size = 0);

    HICON Handle() const noexcept { return FHandle.Get(); }
    // Gives the icon to the caller (who destroys it); the icon is empty afterwards.
    HICON ReleaseHandle() noexcept;
    bool Empty() const noexcept { return !FHandle; }
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    void Assign(const TIcon& source);

    // Stored form: the bytes of the .ico file it was loaded from (empty when it came from elsewhere).
    const std::vector<std::uint8_t>& Data() const noexcept { return FData; }
    void SetData(const std::vector<std::uint8_t>& bytes);

    static int LargeIconSize() noexcept;
    static int SmallIconSize() noexcept;

private:
    void Take(HICON icon, int width, int height);

    TIconHandle FHandle;
    std::vector<std::uint8_t> FData;
    int FWidth = 0;
    int FHeight = 0;
};

}  // namespace qd
