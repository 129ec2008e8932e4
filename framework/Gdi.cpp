#include "framework/Gdi.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

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

TMemoryDC::TMemoryDC(HDC compatibleWith) noexcept : FDC(::CreateCompatibleDC(compatibleWith)) {
    if (FDC) detail::GdiCount(TGdiKind::MemoryDC, +1);
}

TMemoryDC& TMemoryDC::operator=(TMemoryDC&& other) noexcept {
    if (this != &other) {
        Reset();
        FDC = std::exchange(other.FDC, nullptr);
    }
    return *this;
}

void TMemoryDC::Reset() noexcept {
    if (FDC) {
        ::DeleteDC(FDC);
        detail::GdiCount(TGdiKind::MemoryDC, -1);
        FDC = nullptr;
    }
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

void KeyColorBlit(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, COLORREF key) {
    if (w <= 0 || h <= 0) return;
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
