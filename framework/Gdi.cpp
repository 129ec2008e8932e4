#include "framework/Gdi.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace qd {

namespace {
std::array<std::atomic<long>, static_cast<int>(TGdiKind::Count_)> gLive{};
}

void detail::GdiCount(TGdiKind kind, int delta) noexcept {
    gLive[static_cast<int>(kind)].fetch_add(delta, std::memory_order_relaxed);
}

TGdiCounts GdiLiveCounts() noexcept {
    TGdiCounts c;
    for (int i = 0; i < static_cast<int>(TGdiKind::Count_); ++i) c.Live[i] = gLive[i].load(std::memory_order_relaxed);
    return c;
}

TWindowDC::TWindowDC(HWND wnd, TArea area) noexcept
    : FWnd(wnd), FDC(area == TArea::Window ? ::GetWindowDC(wnd) : ::GetDC(wnd)) {
    if (FDC) detail::GdiCount(TGdiKind::WindowDC, +1);
}

TWindowDC::TWindowDC(HWND wnd, HRGN clip, DWORD flags) noexcept : FWnd(wnd), FDC(::GetDCEx(wnd, clip, flags)) {
    if (FDC) detail::GdiCount(TGdiKind::WindowDC, +1);
}

TWindowDC& TWindowDC::operator=(TWindowDC&& other) noexcept {
    if (this != &other) {
        Reset();
        FWnd = std::exchange(other.FWnd, nullptr);
        FDC = std::exchange(other.FDC, nullptr);
    }
    return *this;
}

void TWindowDC::Reset() noexcept {
    if (FDC) {
        ::ReleaseDC(FWnd, FDC);
        detail::GdiCount(TGdiKind::WindowDC, -1);
        FDC = nullptr;
    }
    FWnd = nullptr;
}

TPaintScope::TPaintScope(HWND wnd) noexcept : FWnd(wnd), FDC(::BeginPaint(wnd, &FPs)) {
    if (FDC) detail::GdiCount(TGdiKind::PaintDC, +1);
}

TPaintScope::~TPaintScope() {
    if (FDC) {
        ::EndPaint(FWnd, &FPs);
        detail::GdiCount(TGdiKind::PaintDC, -1);
    }
}

TDibSection CreateDib32(int width, int height) {
    TDibSection dib;
    if (width <= 0 || height <= 0) return dib;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return dib;
    dib.Bitmap.Reset(bmp);
    dib.Bits = bits;
    dib.Width = width;
    dib.Height = height;
    return dib;
}

namespace {

// The pixels of a 32-bit DIB section selected into a memory DC whose coordinates are the bitmap's own: no
// clip region, no transform, no origin moved, no mirroring. Empty when the DC is anything else.
struct TDirectPixels {
    std::uint32_t* Top = nullptr;  // row 0 as drawn (the top row)
    std::ptrdiff_t Stride = 0;     // pixels from one drawn row to the next
    int Width = 0;
    int Height = 0;
    std::uint32_t* Row(int y) const noexcept { return Top + Stride * y; }
};

std::optional<TDirectPixels> DirectPixels(HDC dc, bool asDestination) noexcept {
    if (::GetObjectType(dc) != OBJ_MEMDC) return std::nullopt;
    DIBSECTION ds{};
    if (::GetObjectW(::GetCurrentObject(dc, OBJ_BITMAP), sizeof ds, &ds) != sizeof ds) return std::nullopt;
    if (ds.dsBm.bmBitsPixel != 32 || !ds.dsBm.bmBits || ds.dsBmih.biCompression != BI_RGB) return std::nullopt;
    if (::GetMapMode(dc) != MM_TEXT || ::GetGraphicsMode(dc) != GM_COMPATIBLE || ::GetLayout(dc) != 0)
        return std::nullopt;
    POINT viewport{}, window{};
    if (!::GetViewportOrgEx(dc, &viewport) || !::GetWindowOrgEx(dc, &window)) return std::nullopt;
    if (viewport.x || viewport.y || window.x || window.y) return std::nullopt;
    if (asDestination) {
        HRGN clip = ::CreateRectRgn(0, 0, 0, 0);
        if (!clip) return std::nullopt;
        const int hasClip = ::GetClipRgn(dc, clip);
        ::DeleteObject(clip);
        if (hasClip != 0) return std::nullopt;
    }
    TDirectPixels p;
    p.Width = ds.dsBm.bmWidth;
    p.Height = std::abs(ds.dsBm.bmHeight);
    const std::ptrdiff_t stride = ds.dsBm.bmWidthBytes / 4;
    auto* bits = static_cast<std::uint32_t*>(ds.dsBm.bmBits);
    p.Top = bits;
    p.Stride = stride;
    if (p.Height < 2) return p;
    // The platform does not report the order of the rows (the header it gives back has a positive height
    // either way): the first memory pixel is set apart from the last row's for a moment and read back
    // through the DC as the top left pixel.
    ::GdiFlush();
    std::uint32_t* last = bits + stride * (p.Height - 1);
    auto asColour = [](std::uint32_t pixel) { return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF); };
    const std::uint32_t saved = bits[0];
    const std::uint32_t probe = (last[0] ^ 0x00FFFFFFu) & 0x00FFFFFFu;
    bits[0] = probe;
    const COLORREF top = ::GetPixel(dc, 0, 0);
    ::GdiFlush();
    bits[0] = saved;
    if (top == asColour(probe)) return p;
    if (top != asColour(last[0])) return std::nullopt;
    p.Top = last;
    p.Stride = -stride;
    return p;
}

bool Inside(int x, int y, int w, int h, const TDirectPixels& p) noexcept {
    return x >= 0 && y >= 0 && w <= p.Width - x && h <= p.Height - y;
}

}  // namespace

void KeyColorBlit(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, COLORREF key) {
    if (w <= 0 || h <= 0) return;
    // Between two plain 32-bit DIB sections the same result is had in memory: a source pixel whose colour is
    // the key leaves the destination's colour, any other is copied. The alpha byte carries no meaning for
    // GDI; the mask blit below leaves it zero over the whole rectangle (under Wine), and so does this.
    if ((key >> 24) == 0 && dst != src) {
        const std::optional<TDirectPixels> to = DirectPixels(dst, true);
        const std::optional<TDirectPixels> from = to ? DirectPixels(src, false) : std::nullopt;
        if (to && from && Inside(x, y, w, h, *to) && Inside(sx, sy, w, h, *from)) {
            ::GdiFlush();
            const std::uint32_t keyPixel = static_cast<std::uint32_t>(GetRValue(key)) << 16 |
                                           static_cast<std::uint32_t>(GetGValue(key)) << 8 | GetBValue(key);
            for (int row = 0; row < h; ++row) {
                const std::uint32_t* s = from->Row(sy + row) + sx;
                std::uint32_t* d = to->Row(y + row) + x;
                for (int i = 0; i < w; ++i) {
                    const std::uint32_t colour = s[i] & 0x00FFFFFFu;
                    d[i] = colour != keyPixel ? colour : d[i] & 0x00FFFFFFu;
                }
            }
            return;
        }
    }
    // The source is copied into a 32-bit DIB without its alpha byte first: the colour-to-monochrome step compares
    // whole pixels, so a key pixel of a bitmap that carries alpha (0xFFFF00FF) would not match the key colour.
    TDibSection copy = CreateDib32(w, h);
    if (!copy.Bitmap) return;
    TMemoryDC copyDC(dst);
    TSelectGuard keepCopy(copyDC, copy.Bitmap.Get());
    ::BitBlt(copyDC, 0, 0, w, h, src, sx, sy, SRCCOPY);
    ::GdiFlush();
    auto* pixels = static_cast<std::uint32_t*>(copy.Bits);
    for (std::size_t i = 0, n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h); i < n; ++i)
        pixels[i] &= 0x00FFFFFFu;
    TBitmapHandle mask(::CreateBitmap(w, h, 1, 1, nullptr));
    if (!mask) return;
    TMemoryDC maskDC(dst);
    TSelectGuard keepMask(maskDC, mask.Get());
    // Colour to monochrome: source pixels equal to the source's background colour become 1 (white).
    ::SetBkColor(copyDC, key);
    ::BitBlt(maskDC, 0, 0, w, h, copyDC, 0, 0, SRCCOPY);
    // Where the mask is white the destination stays (ROP 0x00AA0029); elsewhere the source is copied.
    ::MaskBlt(dst, x, y, w, h, copyDC, 0, 0, mask.Get(), 0, 0, MAKEROP4(0x00AA0029, SRCCOPY));
}

TBitmapHandle CreateCompatibleBitmapOf(HDC dc, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    if (dc) return TBitmapHandle(::CreateCompatibleBitmap(dc, width, height));
    TWindowDC screen(nullptr);
    return TBitmapHandle(::CreateCompatibleBitmap(screen, width, height));
}

}  // namespace qd
