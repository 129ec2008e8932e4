#pragma once
// Drawing primitives of the skin engine: one state frame out of a strip, nine-part and three-part images,
// tiling, key-colour blits, regions from bitmaps, and wide text. Every skinned surface goes through these.
//
// A strip holds `frames` equal frames side by side (or stacked when `vertical`); frames count from 1.
// Defensive rules for skin data that cannot be trusted: frames < 1 count as 1, the frame index is clamped
// into 1..frames, a zero frame width or height draws nothing, margins are clamped to the frame, and a
// rectangle whose right < left or bottom < top draws nothing.

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Gdi.h"

namespace qd {

// Magenta marks transparent pixels in every skin bitmap.
inline constexpr COLORREF SkinKeyColor = RGB(255, 0, 255);

// The fixed bands of a nine-part image (a skin object's LeftWidth, TopHeight, RightWidth, BottomHeight).
struct TSliceMargins {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

// Size of a bitmap, (0, 0) for a null or invalid handle.
SIZE BitmapSize(HBITMAP bitmap) noexcept;

// A w x h bitmap compatible with `dc`, selected into a memory DC: a paint is composed there and goes to the screen
// in one copy. False when either could not be made.
class TOffscreen {
public:
    TOffscreen(HDC dc, int w, int h)
        : FDC(dc), FBitmap(CreateCompatibleBitmapOf(dc, w, h)), FSelect(FDC, FBitmap.Get()) {}
    explicit operator bool() const noexcept { return FDC && FBitmap; }
    operator HDC() const noexcept { return FDC; }

private:
    TMemoryDC FDC;
    TBitmapHandle FBitmap;
    TSelectGuard FSelect;
};

// The source rectangle of one frame of a strip; empty when the strip has no pixels for it.
RECT StripFrameRect(HBITMAP bitmap, int frame, int frames, bool vertical) noexcept;

// A new bitmap of the rectangle's size holding the nine-part image (caller owns it).
TBitmapHandle BuildNineSliceBitmap(const RECT& rect, HBITMAP bitmap, TSliceMargins margins, int frame, int frames,
                                   bool tile, bool vertical);
void DrawNineSlice(HDC dc, const RECT& rect, HBITMAP bitmap, TSliceMargins margins, int frame, int frames,
                   bool transparent, bool tile, bool vertical);
// The eight outer parts stretched straight onto the DC; the centre is left alone.
void DrawNineSliceDirect(HDC dc, const RECT& dest, HBITMAP bitmap, bool vertical, int frames, int frame,
                         TSliceMargins margins);
// Left cap, repeated middle, right cap; the top and bottom margins are not used.
void DrawThreeSlice(HDC dc, const RECT& rect, HBITMAP bitmap, TSliceMargins margins, int frame, int frames,
                    bool transparent, bool vertical);
// One frame of a horizontal strip scaled into the rectangle.
void DrawSkinFrame(HDC dc, const RECT& rect, HBITMAP bitmap, bool transparent, int frames, int frame);
// One frame of a horizontal strip unscaled, centred in the rectangle.
void DrawSkinFrameCentered(HDC dc, const RECT& rect, HBITMAP bitmap, bool transparent, int frames, int frame);
// Repeats the source part of the bitmap over the destination in whole tiles (the last ones may overrun).
void TileBitmapRect(HDC dc, const RECT& dest, HBITMAP bitmap, const RECT& src);
// Blits the whole bitmap at the rectangle's top-left, leaving pixels of the key colour untouched.
void TransparentBlit(HDC dc, const RECT& rect, HBITMAP bitmap, COLORREF key);
// Region of all pixels that are not within the tolerances above the key colour, offset by (dx, dy).
// Returns an empty region for an all-key bitmap; null only when the bitmap itself is unusable.
TRegionHandle RegionFromBitmap(HBITMAP bitmap, int dx, int dy, COLORREF key, int tolR, int tolG, int tolB);
// The same for w x h pixels in memory (32-bit BGRA rows `stride` pixels apart, top-down).
TRegionHandle RegionFromPixels(const std::uint32_t* pixels, int stride, int w, int h, int dx, int dy, COLORREF key,
                               int tolR, int tolG, int tolB);
// The region made of the rectangles (an empty region for none).
TRegionHandle RegionFromRects(std::span<const RECT> rects);

// Which pixels of one frame of a strip are not of the key colour (tolerances as RegionFromBitmap), read once so
// that the region of that frame drawn as a nine-part image (BuildNineSliceBitmap) at any size comes from
// rectangles, without drawing and scanning it.
class TNineSliceMask {
public:
    TNineSliceMask() = default;
    // Empty when the frame has no pixels or the bitmap cannot be read.
    TNineSliceMask(HBITMAP bitmap, int frame, int frames, bool vertical, COLORREF key, int tolR, int tolG, int tolB);
    bool Empty() const noexcept { return FOpaque.empty(); }
    // Appends the opaque pixels of the frame drawn as a nine-part image into `rect` (stretched or tiled alike),
    // as rectangles that do not overlap. False, with nothing appended, when they depend on how the drawing
    // samples: a part drawn at another size whose pixels vary along that direction, or a part with no source
    // pixels. Then the image has to be drawn and scanned.
    bool AppendOpaqueRects(const RECT& rect, TSliceMargins margins, std::vector<RECT>& out) const;

private:
    // One band of the nine parts along one direction: where it is drawn and where it comes from.
    struct TSpan {
        int From = 0, To = 0;
        int SourceFrom = 0, SourceTo = 0;
    };
    bool Opaque(int x, int y) const noexcept { return FOpaque[static_cast<std::size_t>(y) * FWidth + x] != 0; }
    bool AppendPart(const TSpan& column, const TSpan& row, POINT origin, std::vector<RECT>& out) const;

    int FWidth = 0, FHeight = 0;
    std::vector<std::uint8_t> FOpaque;  // row by row, 1 = opaque
};

// All text of the engine is wide and drawn here.
int DrawTextWide(HDC dc, std::wstring_view text, RECT& rect, UINT format);
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);

// One line of text centred in the rectangle (alignment index 0 left, 1 right, 2 centre); disabled text is
// drawn in the button-shadow colour. The DC's font is used as it is.
void DrawCentredCaption(HDC dc, const RECT& rect, std::wstring_view text, int alignment, bool enabled);

}  // namespace qd
