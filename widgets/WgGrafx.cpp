#include "widgets/WgGrafx.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Graphics.h"
#include "widgets/WgCommon.h"

namespace qd {

namespace {

struct TChannels {
    std::int64_t R, G, B;
};

TChannels Split(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

// Colours along a gradient of `length` lines, from `from` (line 0) to `to` (line length - 1), in 16.16
// fixed point; every line of a band takes the colour of the band's first line.
std::vector<COLORREF> Ramp(int length, COLORREF from, COLORREF to, int band) {
    std::vector<COLORREF> out(static_cast<std::size_t>(std::max(length, 0)));
    if (length <= 0) return out;
    const TChannels a = Split(from), b = Split(to);
    const std::int64_t span = std::max(length - 1, 1);
    const std::int64_t dr = ((b.R - a.R) << 16) / span, dg = ((b.G - a.G) << 16) / span,
                       db = ((b.B - a.B) << 16) / span;
    for (int i = 0; i < length; ++i) {
        const std::int64_t k = length == 1 ? 0 : std::min<std::int64_t>((i / band) * band, length - 1);
        // The last line is the second colour exactly, whatever the fixed-point rounding left.
        if (length > 1 && i == length - 1 && band == 1) {
            out[static_cast<std::size_t>(i)] = to;
            continue;
        }
        const auto ch = [k](std::int64_t base, std::int64_t d) {
            return static_cast<int>(std::clamp<std::int64_t>(((base << 16) + d * k) >> 16, 0, 255));
        };
        out[static_cast<std::size_t>(i)] = RGB(ch(a.R, dr), ch(a.G, dg), ch(a.B, db));
    }
    return out;
}

// Fills rows (vertical) or columns of the DC from a ramp, merging runs of identical colour into one fill.
void FillLines(HDC dc, const std::vector<COLORREF>& colours, int offset, bool rows, int across) {
    std::size_t i = 0;
    while (i < colours.size()) {
        std::size_t j = i + 1;
        while (j < colours.size() && colours[j] == colours[i]) ++j;
        const int a = offset + static_cast<int>(i), b = offset + static_cast<int>(j);
        if (rows)
            FillSolid(dc, 0, a, across, b, colours[i]);
        else
            FillSolid(dc, a, 0, b, across, colours[i]);
        i = j;
    }
}

// A ramp from the edges (first colour) to the middle (second colour), mirrored.
std::vector<COLORREF> MirroredRamp(int length, COLORREF from, COLORREF to, int band) {
    const int half = (length + 1) / 2;
    std::vector<COLORREF> ramp = Ramp(half, from, to, band);
    std::vector<COLORREF> out(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        out[static_cast<std::size_t>(i)] = ramp[static_cast<std::size_t>(std::min(i, length - 1 - i))];
    return out;
}

// Copies the 8-pixel-wide strip at x = 0 across the whole width with doubling copies.
void ReplicateStrip(HDC dc, int width, int height, int strip) {
    int done = std::min(strip, width);
    while (done < width) {
        const int n = std::min(done, width - done);
        ::BitBlt(dc, done, 0, n, height, dc, 0, 0, SRCCOPY);
        done += n;
    }
}

void BoxQuarter(HDC dc, int w, int h, int direction, COLORREF from, COLORREF to, int band) {
    // The top-left quarter is computed pixel by pixel, then mirrored into the other three.
    const int qw = (w + 1) / 2, qh = (h + 1) / 2;
    const int depth = direction == gdDiamond ? qw + qh - 1
                      : direction == gdRound ? static_cast<int>(std::ceil(std::hypot(qw, qh)))
                                             : std::min(qw, qh);
    const std::vector<COLORREF> ramp = Ramp(std::max(depth, 1), from, to, band);
    TDibSection quarter = CreateDib32(qw, qh);
    if (!quarter.Bitmap) return;
    auto* px = static_cast<std::uint32_t*>(quarter.Bits);
    for (int y = 0; y < qh; ++y)
        for (int x = 0; x < qw; ++x) {
            int d;
            if (direction == gdDiamond)
                d = x + y;
            else if (direction == gdRound)
                d = std::min(depth - 1, static_cast<int>(std::hypot(x, y)));
            else
                d = std::min(x, y);
            const COLORREF c = ramp[static_cast<std::size_t>(std::clamp(d, 0, static_cast<int>(ramp.size()) - 1))];
            px[y * qw + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    TMemoryDC qdc(dc);
    TSelectGuard keep(qdc, quarter.Bitmap.Get());
    ::SetStretchBltMode(dc, COLORONCOLOR);
    // Negative extents mirror; each quarter is placed so the halves meet in the middle.
    ::StretchBlt(dc, 0, 0, qw, qh, qdc, 0, 0, qw, qh, SRCCOPY);
    ::StretchBlt(dc, w - 1, 0, -qw, qh, qdc, 0, 0, qw, qh, SRCCOPY);
    ::StretchBlt(dc, 0, h - 1, qw, -qh, qdc, 0, 0, qw, qh, SRCCOPY);
    ::StretchBlt(dc, w - 1, h - 1, -qw, -qh, qdc, 0, 0, qw, qh, SRCCOPY);
}

}  // namespace

void PaintGradient(HDC dc, const RECT& rect, int direction, int colorStep, TColor first, TColor second) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    const int step = std::max(colorStep, 1);
    const int band = step <= 8 ? step : 255 / step + 1;
    const COLORREF c1 = ColorToRGB(first), c2 = ColorToRGB(second);

    TDibSection image = CreateDib32(w, h);
    if (!image.Bitmap) return;
    TMemoryDC mem(dc);
    TSelectGuard keep(mem, image.Bitmap.Get());

    switch (direction) {
        case gdVertical: {
            // Computed in an 8-pixel strip, bottom to top, then replicated across the width.
            std::vector<COLORREF> ramp = Ramp(h, c1, c2, band);
            std::reverse(ramp.begin(), ramp.end());
            FillLines(mem, ramp, 0, true, std::min(w, 8));
            ReplicateStrip(mem, w, h, 8);
            break;
        }
        case gdVerticalCentre:
            FillLines(mem, MirroredRamp(h, c1, c2, band), 0, true, w);
            break;
        case gdHorizontal:
            FillLines(mem, Ramp(w, c1, c2, band), 0, false, h);
            break;
        case gdHorizontalCentre:
            FillLines(mem, MirroredRamp(w, c1, c2, band), 0, false, h);
            break;
        case gdDiagonalUp:
        case gdDiagonalDown: {
            if (c1 == c2) {
                FillSolid(mem, 0, 0, w, h, c1);
                break;
            }
            // One horizontal ramp over the diagonal's length; each row is that ramp shifted by the row.
            const int length = w + h - 1;
            TDibSection line = CreateDib32(length, 1);
            if (!line.Bitmap) break;
            TMemoryDC ldc(dc);
            TSelectGuard keepLine(ldc, line.Bitmap.Get());
            FillLines(ldc, Ramp(length, c1, c2, band), 0, false, 1);
            for (int y = 0; y < h; ++y) {
                const int shift = direction == gdDiagonalDown ? y : h - 1 - y;
                ::BitBlt(mem, 0, y, w, 1, ldc, shift, 0, SRCCOPY);
            }
            break;
        }
        case gdBoxReversed:
            BoxQuarter(mem, w, h, gdBox, c2, c1, band);
            break;
        case gdBox:
        case gdDiamond:
        case gdRound:
            BoxQuarter(mem, w, h, direction, c1, c2, band);
            break;
        default:
            FillSolid(mem, 0, 0, w, h, c1);
            break;
    }
    ::BitBlt(dc, rect.left, rect.top, w, h, mem, 0, 0, SRCCOPY);
}

void DrawFullTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& dest, TColor transparent, const RECT& src) {
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    const int sw = src.right - src.left, sh = src.bottom - src.top;
    if (!bitmap || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    TDibSection temp = CreateDib32(w, h);
    if (!temp.Bitmap) return;
    TMemoryDC srcDC(dc), tmpDC(dc);
    TSelectGuard keepSrc(srcDC, bitmap);
    TSelectGuard keepTmp(tmpDC, temp.Bitmap.Get());
    ::SetStretchBltMode(tmpDC, COLORONCOLOR);
    ::StretchBlt(tmpDC, 0, 0, w, h, srcDC, src.left, src.top, sw, sh, SRCCOPY);
    KeyColorBlit(dc, dest.left, dest.top, w, h, tmpDC, 0, 0, ColorToRGB(transparent));
}

}  // namespace qd
