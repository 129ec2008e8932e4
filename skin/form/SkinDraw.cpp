#include "skin/form/SkinDraw.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace qd {

namespace {

int Width(const RECT& r) noexcept { return r.right - r.left; }
int Height(const RECT& r) noexcept { return r.bottom - r.top; }
bool Inverted(const RECT& r) noexcept { return r.right < r.left || r.bottom < r.top; }

// Where one frame lies inside a strip, after the defensive clamps.
struct TFrameGeometry {
    int X = 0, Y = 0, W = 0, H = 0;
    bool Empty() const noexcept { return W <= 0 || H <= 0; }
};

TFrameGeometry FrameOf(SIZE size, int frame, int frames, bool vertical) noexcept {
    frames = std::max(frames, 1);
    frame = std::clamp(frame, 1, frames);
    TFrameGeometry g;
    if (vertical) {
        g.W = size.cx;
        g.H = size.cy / frames;
        g.Y = g.H * (frame - 1);
    } else {
        g.W = size.cx / frames;
        g.H = size.cy;
        g.X = g.W * (frame - 1);
    }
    return g;
}

// A w x h 32-bit image to compose in (Work, stretching COLORONCOLOR) and the source bitmap selected for reading
// (Source), both in memory DCs compatible with `dc` (the screen when null). False when the image could not be made.
struct TComposer {
    TComposer(HDC dc, HBITMAP source, int w, int h)
        : Image(CreateDib32(w, h)),
          Source(dc),
          Work(dc),
          KeepSource(Source, source),
          KeepWork(Work, Image.Bitmap.Get()) {
        ::SetStretchBltMode(Work, COLORONCOLOR);
    }
    explicit operator bool() const noexcept { return static_cast<bool>(Image.Bitmap); }
    TBitmapHandle TakeImage() noexcept { return std::move(Image.Bitmap); }

    TDibSection Image;
    TMemoryDC Source, Work;
    TSelectGuard KeepSource, KeepWork;
};

TSliceMargins ClampToFrame(TSliceMargins m, int fw, int fh) noexcept {
    m.Left = std::clamp(m.Left, 0, fw);
    m.Right = std::clamp(m.Right, 0, fw - m.Left);
    m.Top = std::clamp(m.Top, 0, fh);
    m.Bottom = std::clamp(m.Bottom, 0, fh - m.Top);
    return m;
}

// A too small target loses its caps: the whole frame is stretched across it.
TSliceMargins DropCapsForTarget(TSliceMargins m, int w, int h) noexcept {
    if (w < m.Left + m.Right) m.Left = m.Right = 0;
    if (h < m.Top + m.Bottom) m.Top = m.Bottom = 0;
    return m;
}

// Copies src (x, y, w, h) of srcDC into dst (x, y, w, h) of dstDC, stretching; empty parts are skipped.
void Stretch(HDC dst, int dx, int dy, int dw, int dh, HDC src, int sx, int sy, int sw, int sh) noexcept {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    if (dw == sw && dh == sh)
        ::BitBlt(dst, dx, dy, dw, dh, src, sx, sy, SRCCOPY);
    else
        ::StretchBlt(dst, dx, dy, dw, dh, src, sx, sy, sw, sh, SRCCOPY);
}

void TileFromDC(HDC dst, const RECT& dest, HDC src, const RECT& part) {
    const int sw = Width(part), sh = Height(part);
    if (sw <= 0 || sh <= 0 || Inverted(dest)) return;
    // The part is copied once so that the tiling loop reads a bitmap of exactly one tile.
    TDibSection tile = CreateDib32(sw, sh);
    if (!tile.Bitmap) return;
    TMemoryDC tileDC(dst);
    TSelectGuard keep(tileDC, tile.Bitmap.Get());
    ::BitBlt(tileDC, 0, 0, sw, sh, src, part.left, part.top, SRCCOPY);
    for (int x = dest.left; x < dest.right; x += sw)
        for (int y = dest.top; y < dest.bottom; y += sh) ::BitBlt(dst, x, y, sw, sh, tileDC, 0, 0, SRCCOPY);
}

// Puts a composed w x h bitmap onto the DC at (x, y), through the key colour or as a plain copy.
void PutComposed(HDC dc, int x, int y, int w, int h, HDC composedDC, bool transparent) {
    if (transparent)
        KeyColorBlit(dc, x, y, w, h, composedDC, 0, 0, SkinKeyColor);
    else
        ::BitBlt(dc, x, y, w, h, composedDC, 0, 0, SRCCOPY);
}

}  // namespace

SIZE BitmapSize(HBITMAP bitmap) noexcept {
    BITMAP bm{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(bm), &bm) != sizeof(bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, std::abs(bm.bmHeight)};
}

RECT StripFrameRect(HBITMAP bitmap, int frame, int frames, bool vertical) noexcept {
    const TFrameGeometry g = FrameOf(BitmapSize(bitmap), frame, frames, vertical);
    if (g.Empty()) return RECT{0, 0, 0, 0};
    return RECT{g.X, g.Y, g.X + g.W, g.Y + g.H};
}

TBitmapHandle BuildNineSliceBitmap(const RECT& rect, HBITMAP bitmap, TSliceMargins margins, int frame, int frames,
                                   bool tile, bool vertical) {
    const int W = Width(rect), H = Height(rect);
    if (W <= 0 || H <= 0) return {};
    const TFrameGeometry g = FrameOf(BitmapSize(bitmap), frame, frames, vertical);
    if (g.Empty()) return {};
    const TSliceMargins m = DropCapsForTarget(ClampToFrame(margins, g.W, g.H), W, H);
    const int L = m.Left, T = m.Top, R = m.Right, B = m.Bottom;
    const int ox = g.X, oy = g.Y, fw = g.W, fh = g.H;

    TComposer composer(nullptr, bitmap, W, H);
    if (!composer) return {};
    HDC srcDC = composer.Source, dstDC = composer.Work;

    // The order matters: the right and bottom parts come after the centre and cover tiles that overran it.
    if (L > 0 && T > 0) Stretch(dstDC, 0, 0, L, T, srcDC, ox, oy, L, T);
    if (L > 0 && B > 0) Stretch(dstDC, 0, H - B, L, B, srcDC, ox, oy + fh - B, L, B);
    if (R > 0 && T > 0) Stretch(dstDC, W - R, 0, R, T, srcDC, ox + fw - R, oy, R, T);
    if (L > 0) Stretch(dstDC, 0, T, L, H - B - T, srcDC, ox, oy + T, L, fh - B - T);
    if (T > 0) Stretch(dstDC, L, 0, W - R - L, T, srcDC, ox + L, oy, fw - R - L, T);
    const RECT centreSrc{ox + L, oy + T, ox + fw - R, oy + fh - B};
    if (tile)
        TileFromDC(dstDC, RECT{L, T, W - R, H - B}, srcDC, centreSrc);
    else
        Stretch(dstDC, L, T, W - R - L, H - B - T, srcDC, centreSrc.left, centreSrc.top, Width(centreSrc),
                Height(centreSrc));
    if (R > 0 && B > 0) Stretch(dstDC, W - R, H - B, R, B, srcDC, ox + fw - R, oy + fh - B, R, B);
    if (R > 0) Stretch(dstDC, W - R, T, R, H - B - T, srcDC, ox + fw - R, oy + T, R, fh - B - T);
    if (B > 0) Stretch(dstDC, L, H - B, W - R - L, B, srcDC, ox + L, oy + fh - B, fw - R - L, B);
    return composer.TakeImage();
}

void DrawNineSlice(HDC dc, const RECT& rect, HBITMAP bitmap, TSliceMargins margins, int frame, int frames,
                   bool transparent, bool tile, bool vertical) {
    if (Inverted(rect)) return;
    TBitmapHandle built = BuildNineSliceBitmap(rect, bitmap, margins, frame, frames, tile, vertical);
    if (!built) return;
    TMemoryDC builtDC(dc);
    TSelectGuard keep(builtDC, built.Get());
    PutComposed(dc, rect.left, rect.top, Width(rect), Height(rect), builtDC, transparent);
}

void DrawNineSliceDirect(HDC dc, const RECT& dest, HBITMAP bitmap, bool vertical, int frames, int frame,
                         TSliceMargins margins) {
    const int W = Width(dest), H = Height(dest);
    if (W <= 0 || H <= 0) return;
    const TFrameGeometry g = FrameOf(BitmapSize(bitmap), frame, frames, vertical);
    if (g.Empty()) return;
    const TSliceMargins m = DropCapsForTarget(ClampToFrame(margins, g.W, g.H), W, H);
    const int L = m.Left, T = m.Top, R = m.Right, B = m.Bottom;
    const int ox = g.X, oy = g.Y, fw = g.W, fh = g.H;
    const int x = dest.left, y = dest.top;

    TMemoryDC srcDC(dc);
    TSelectGuard keepSrc(srcDC, bitmap);
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    if (L > 0 && T > 0) Stretch(dc, x, y, L, T, srcDC, ox, oy, L, T);
    if (L > 0 && B > 0) Stretch(dc, x, y + H - B, L, B, srcDC, ox, oy + fh - B, L, B);
    if (R > 0 && T > 0) Stretch(dc, x + W - R, y, R, T, srcDC, ox + fw - R, oy, R, T);
    if (L > 0) Stretch(dc, x, y + T, L, H - B - T, srcDC, ox, oy + T, L, fh - B - T);
    if (T > 0) Stretch(dc, x + L, y, W - R - L, T, srcDC, ox + L, oy, fw - R - L, T);
    if (R > 0 && B > 0) Stretch(dc, x + W - R, y + H - B, R, B, srcDC, ox + fw - R, oy + fh - B, R, B);
    if (R > 0) Stretch(dc, x + W - R, y + T, R, H - B - T, srcDC, ox + fw - R, oy + T, R, fh - B - T);
    if (B > 0) Stretch(dc, x + L, y + H - B, W - R - L, B, srcDC, ox + L, oy + fh - B, fw - R - L, B);
    ::SetStretchBltMode(dc, oldMode);
}

void DrawThreeSlice(HDC dc, const RECT& rect, HBITMAP bitmap, TSliceMargins margins, int frame, int frames,
                    bool transparent, bool vertical) {
    const int W = Width(rect), H = Height(rect);
    if (W <= 0 || H <= 0) return;
    const TFrameGeometry g = FrameOf(BitmapSize(bitmap), frame, frames, vertical);
    if (g.Empty()) return;
    const TSliceMargins m = ClampToFrame(margins, g.W, g.H);
    const int L = m.Left, R = m.Right, fw = g.W, fh = g.H, sx = g.X, sy = g.Y;

    TComposer composer(dc, bitmap, W, H);
    if (!composer) return;
    HDC srcDC = composer.Source, tmpDC = composer.Work;
    Stretch(tmpDC, 0, 0, L, H, srcDC, sx, sy, L, fh);
    const int mid = fw - L - R;
    if (mid > 0)
        for (int x = L; x < W - R; x += mid) Stretch(tmpDC, x, 0, mid, H, srcDC, sx + L, sy, mid, fh);
    Stretch(tmpDC, W - R, 0, R, H, srcDC, sx + fw - R, sy, R, fh);
    PutComposed(dc, rect.left, rect.top, W, H, tmpDC, transparent);
}

void DrawSkinFrame(HDC dc, const RECT& rect, HBITMAP bitmap, bool transparent, int frames, int frame) {
    const int W = Width(rect), H = Height(rect);
    if (W <= 0 || H <= 0) return;
    const TFrameGeometry g = FrameOf(BitmapSize(bitmap), frame, frames, false);
    if (g.Empty()) return;
    TComposer composer(dc, bitmap, W, H);
    if (!composer) return;
    Stretch(composer.Work, 0, 0, W, H, composer.Source, g.X, g.Y, g.W, g.H);
    PutComposed(dc, rect.left, rect.top, W, H, composer.Work, transparent);
}

void DrawSkinFrameCentered(HDC dc, const RECT& rect, HBITMAP bitmap, bool transparent, int frames, int frame) {
    if (Inverted(rect)) return;
    const TFrameGeometry g = FrameOf(BitmapSize(bitmap), frame, frames, false);
    if (g.Empty()) return;
    TComposer composer(dc, bitmap, g.W, g.H);
    if (!composer) return;
    ::BitBlt(composer.Work, 0, 0, g.W, g.H, composer.Source, g.X, g.Y, SRCCOPY);
    const int left = rect.left + (Width(rect) - g.W) / 2;
    const int top = rect.top + (Height(rect) - g.H) / 2;
    PutComposed(dc, left, top, g.W, g.H, composer.Work, transparent);
}

void TileBitmapRect(HDC dc, const RECT& dest, HBITMAP bitmap, const RECT& src) {
    if (Inverted(dest) || Width(src) <= 0 || Height(src) <= 0 || !bitmap) return;
    TMemoryDC srcDC(dc);
    TSelectGuard keep(srcDC, bitmap);
    TileFromDC(dc, dest, srcDC, src);
}

void TransparentBlit(HDC dc, const RECT& rect, HBITMAP bitmap, COLORREF key) {
    if (Inverted(rect)) return;
    const SIZE size = BitmapSize(bitmap);
    const int w = std::min<int>(Width(rect), size.cx), h = std::min<int>(Height(rect), size.cy);
    if (w <= 0 || h <= 0) return;
    TMemoryDC srcDC(dc);
    TSelectGuard keep(srcDC, bitmap);
    KeyColorBlit(dc, rect.left, rect.top, w, h, srcDC, 0, 0, key);
}

namespace {

// Pixels of the key colour, or above it by at most the tolerances on each channel.
class TKeyRange {
public:
    TKeyRange(COLORREF key, int tolR, int tolG, int tolB) noexcept
        : FLow{GetRValue(key), GetGValue(key), GetBValue(key)},
          FHigh{std::min(255, FLow[0] + std::max(tolR, 0)), std::min(255, FLow[1] + std::max(tolG, 0)),
                std::min(255, FLow[2] + std::max(tolB, 0))} {}
    // `p` is a 32-bit BGRA pixel.
    bool Holds(std::uint32_t p) const noexcept {
        const int b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
        return r >= FLow[0] && r <= FHigh[0] && g >= FLow[1] && g <= FHigh[1] && b >= FLow[2] && b <= FHigh[2];
    }

private:
    int FLow[3];
    int FHigh[3];
};

// Every pixel of the bitmap as 32-bit BGRA, top-down; empty when the bitmap cannot be read.
std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap, SIZE size) {
    const int w = size.cx, h = size.cy;
    if (w <= 0 || h <= 0) return {};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    TWindowDC screen(nullptr);
    if (::GetDIBits(screen, bitmap, 0, static_cast<UINT>(h), pixels.data(), &bi, DIB_RGB_COLORS) != h) return {};
    return pixels;
}

// Rectangles per ExtCreateRegion call.
constexpr std::size_t kRegionBatch = 2000;

// Joins the rectangles (at most kRegionBatch) into `result` through one region made of them.
void AddRectsToRegion(HRGN result, std::span<const RECT> rects, std::vector<std::uint8_t>& data) {
    if (rects.empty()) return;
    const std::size_t bytes = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
    data.assign(bytes, 0);
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(rects.size());
    header->nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    RECT bounds = rects.front();
    for (const RECT& r : rects) {
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    header->rcBound = bounds;
    std::memcpy(data.data() + sizeof(RGNDATAHEADER), rects.data(), rects.size() * sizeof(RECT));
    TRegionHandle part(
        ::ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), reinterpret_cast<const RGNDATA*>(data.data())));
    if (part) ::CombineRgn(result, result, part.Get(), RGN_OR);
}

}  // namespace

TRegionHandle RegionFromBitmap(HBITMAP bitmap, int dx, int dy, COLORREF key, int tolR, int tolG, int tolB) {
    const SIZE size = BitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0) return TRegionHandle(::CreateRectRgn(0, 0, 0, 0));
    const std::vector<std::uint32_t> pixels = BitmapPixels(bitmap, size);
    if (pixels.empty()) return TRegionHandle(::CreateRectRgn(0, 0, 0, 0));
    return RegionFromPixels(pixels.data(), size.cx, size.cx, size.cy, dx, dy, key, tolR, tolG, tolB);
}

TRegionHandle RegionFromPixels(const std::uint32_t* pixels, int stride, int w, int h, int dx, int dy, COLORREF key,
                               int tolR, int tolG, int tolB) {
    TRegionHandle result(::CreateRectRgn(0, 0, 0, 0));
    if (!result || !pixels || w <= 0 || h <= 0) return result;
    const TKeyRange keyRange(key, tolR, tolG, tolB);

    constexpr std::size_t kGrowth = 500;
    std::vector<RECT> rects;
    rects.reserve(kGrowth);
    std::vector<std::uint8_t> data;
    auto flush = [&] {
        AddRectsToRegion(result.Get(), rects, data);
        rects.clear();
    };

    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        int x = 0;
        while (x < w) {
            while (x < w && keyRange.Holds(row[x])) ++x;
            if (x >= w) break;
            const int x0 = x;
            while (x < w && !keyRange.Holds(row[x])) ++x;
            if (rects.size() == rects.capacity()) rects.reserve(rects.capacity() + kGrowth);
            rects.push_back(RECT{x0 + dx, y + dy, x + dx, y + dy + 1});
            if (rects.size() >= kRegionBatch) flush();
        }
    }
    flush();
    return result;
}

TRegionHandle RegionFromRects(std::span<const RECT> rects) {
    TRegionHandle result(::CreateRectRgn(0, 0, 0, 0));
    if (!result) return result;
    std::vector<std::uint8_t> data;
    for (std::size_t at = 0; at < rects.size(); at += kRegionBatch)
        AddRectsToRegion(result.Get(), rects.subspan(at, std::min(kRegionBatch, rects.size() - at)), data);
    return result;
}

TNineSliceMask::TNineSliceMask(HBITMAP bitmap, int frame, int frames, bool vertical, COLORREF key, int tolR, int tolG,
                               int tolB) {
    const SIZE size = BitmapSize(bitmap);
    const TFrameGeometry g = FrameOf(size, frame, frames, vertical);
    if (g.Empty()) return;
    const std::vector<std::uint32_t> pixels = BitmapPixels(bitmap, size);
    if (pixels.empty()) return;
    const TKeyRange keyRange(key, tolR, tolG, tolB);
    FOpaque.resize(static_cast<std::size_t>(g.W) * static_cast<std::size_t>(g.H));
    for (int y = 0; y < g.H; ++y)
        for (int x = 0; x < g.W; ++x)
            FOpaque[static_cast<std::size_t>(y) * g.W + x] =
                !keyRange.Holds(pixels[static_cast<std::size_t>(g.Y + y) * size.cx + g.X + x]);
    FWidth = g.W;
    FHeight = g.H;
}

bool TNineSliceMask::AppendOpaqueRects(const RECT& rect, TSliceMargins margins, std::vector<RECT>& out) const {
    const int W = Width(rect), H = Height(rect);
    if (W <= 0 || H <= 0) return true;
    if (Empty()) return false;
    const TSliceMargins m = DropCapsForTarget(ClampToFrame(margins, FWidth, FHeight), W, H);
    const TSpan columns[3] = {{0, m.Left, 0, m.Left},
                              {m.Left, W - m.Right, m.Left, FWidth - m.Right},
                              {W - m.Right, W, FWidth - m.Right, FWidth}};
    const TSpan rows[3] = {{0, m.Top, 0, m.Top},
                           {m.Top, H - m.Bottom, m.Top, FHeight - m.Bottom},
                           {H - m.Bottom, H, FHeight - m.Bottom, FHeight}};
    const std::size_t start = out.size();
    for (const TSpan& row : rows)
        for (const TSpan& column : columns) {
            if (column.To <= column.From || row.To <= row.From) continue;
            if (!AppendPart(column, row, POINT{rect.left, rect.top}, out)) {
                out.resize(start);
                return false;
            }
        }
    return true;
}

bool TNineSliceMask::AppendPart(const TSpan& column, const TSpan& row, POINT origin, std::vector<RECT>& out) const {
    const int sw = column.SourceTo - column.SourceFrom, sh = row.SourceTo - row.SourceFrom;
    // A part with no source pixels is not drawn: what shows there depends on the parts drawn around it.
    if (sw <= 0 || sh <= 0) return false;
    const bool stretchX = column.To - column.From != sw, stretchY = row.To - row.From != sh;
    // A part drawn at another size than its source is only known without drawing it when its pixels do not vary
    // along the stretch: then any sampling (or tiling) of it gives the same pixels.
    for (int y = row.SourceFrom; y < row.SourceTo; ++y)
        for (int x = column.SourceFrom; x < column.SourceTo; ++x)
            if ((stretchX && Opaque(x, y) != Opaque(column.SourceFrom, y)) ||
                (stretchY && Opaque(x, y) != Opaque(x, row.SourceFrom)))
                return false;

    std::size_t previous = out.size(), previousCount = 0;
    for (int y = row.SourceFrom; y < (stretchY ? row.SourceFrom + 1 : row.SourceTo); ++y) {
        const int top = origin.y + row.From + (y - row.SourceFrom);
        const int bottom = stretchY ? origin.y + row.To : top + 1;
        const std::size_t first = out.size();
        for (int x = column.SourceFrom; x < column.SourceTo;) {
            while (x < column.SourceTo && !Opaque(x, y)) ++x;
            if (x >= column.SourceTo) break;
            const int x0 = x;
            while (x < column.SourceTo && Opaque(x, y)) ++x;
            const int left = stretchX ? column.From : column.From + (x0 - column.SourceFrom);
            const int right = stretchX ? column.To : column.From + (x - column.SourceFrom);
            out.push_back(RECT{origin.x + left, top, origin.x + right, bottom});
        }
        // A row with the same runs as the one above extends its rectangles.
        const std::size_t count = out.size() - first;
        const bool same =
            y > row.SourceFrom && count == previousCount &&
            std::equal(out.begin() + first, out.end(), out.begin() + previous,
                       [](const RECT& a, const RECT& b) { return a.left == b.left && a.right == b.right; });
        if (same) {
            for (std::size_t k = 0; k < count; ++k) out[previous + k].bottom = bottom;
            out.resize(first);
        } else {
            previous = first;
            previousCount = count;
        }
    }
    return true;
}

int DrawTextWide(HDC dc, std::wstring_view text, RECT& rect, UINT format) {
    // DrawTextW may write into the text with DT_MODIFYSTRING (room for an ellipsis): give it a private copy.
    std::wstring buffer(text);
    buffer.reserve(buffer.size() + 5);
    return ::DrawTextW(dc, buffer.data(), static_cast<int>(buffer.size()), &rect, format);
}

std::wstring AnsiToWide(std::string_view text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string WideToAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    const int n =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void DrawCentredCaption(HDC dc, const RECT& rect, std::wstring_view text, int alignment, bool enabled) {
    if (Inverted(rect)) return;
    static constexpr UINT kAlign[3] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    const UINT align = kAlign[std::clamp(alignment, 0, 2)];

    // Declared before the state guard: RestoreDC deselects the plain font before it is deleted.
    TFontHandle plain;
    TSaveDCGuard state(dc);
    ::SetBkMode(dc, TRANSPARENT);
    // Captions are drawn in the plain style of the DC's font.
    LOGFONTW lf{};
    if (HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT); font && ::GetObjectW(font, sizeof(lf), &lf) == sizeof(lf)) {
        if (lf.lfWeight > FW_NORMAL || lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut) {
            lf.lfWeight = FW_NORMAL;
            lf.lfItalic = lf.lfUnderline = lf.lfStrikeOut = FALSE;
            plain.Reset(::CreateFontIndirectW(&lf));
            if (plain) ::SelectObject(dc, plain.Get());
        }
    }
    RECT measured = rect;
    DrawTextWide(dc, text, measured, DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE | align);
    const int mw = Width(measured), mh = Height(measured);
    ::OffsetRect(&measured, (Width(rect) - mw) / 2, (Height(rect) - mh) / 2);
    if (!enabled) ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    DrawTextWide(dc, text, measured, DT_EXPANDTABS | DT_SINGLELINE | align);
}

}  // namespace qd
