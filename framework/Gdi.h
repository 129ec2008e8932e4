#pragma once
// Move-only owners of GDI handles, one kind each, and a guard that puts back what a DC had selected.
// Every owner counts the handles it holds alive, per kind: under Wine GetGuiResources always answers 0,
// so these counts are how tests and benchmarks see a leak.

#include <windows.h>

#include <array>
#include <cstdint>
#include <utility>

namespace qd {

enum class TGdiKind : int { Bitmap, MemoryDC, WindowDC, PaintDC, Region, Font, Brush, Pen, Icon, Count_ };

struct TGdiCounts {
    std::array<long, static_cast<int>(TGdiKind::Count_)> Live{};
    long Total() const noexcept {
        long t = 0;
        for (long n : Live) t += n;
        return t;
    }
    long operator[](TGdiKind k) const noexcept { return Live[static_cast<int>(k)]; }
};

// Handles alive now, per kind, held by the owners below.
TGdiCounts GdiLiveCounts() noexcept;

namespace detail {
void GdiCount(TGdiKind kind, int delta) noexcept;
}

// Owner of a GDI handle, given back with `Destroy` (DeleteObject for the GDI objects).
template <class H, TGdiKind Kind, auto Destroy = &::DeleteObject>
class TGdiObject {
public:
    TGdiObject() noexcept = default;
    explicit TGdiObject(H handle) noexcept : FHandle(handle) {
        if (FHandle) detail::GdiCount(Kind, +1);
    }
    TGdiObject(TGdiObject&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
    TGdiObject& operator=(TGdiObject&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    ~TGdiObject() { Reset(); }

    H Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != nullptr; }

    // Takes ownership of `handle` (may be null), deleting what was held.
    void Reset(H handle = nullptr) noexcept {
        if (FHandle == handle) return;
        if (FHandle) {
            Destroy(FHandle);
            detail::GdiCount(Kind, -1);
        }
        FHandle = handle;
        if (FHandle) detail::GdiCount(Kind, +1);
    }
    // Gives up ownership without deleting (for example after SetWindowRgn succeeded: the window owns it).
    H Release() noexcept {
        if (FHandle) detail::GdiCount(Kind, -1);
        return std::exchange(FHandle, nullptr);
    }

private:
    H FHandle = nullptr;
};

using TBitmapHandle = TGdiObject<HBITMAP, TGdiKind::Bitmap>;
using TRegionHandle = TGdiObject<HRGN, TGdiKind::Region>;
using TFontHandle = TGdiObject<HFONT, TGdiKind::Font>;
using TBrushHandle = TGdiObject<HBRUSH, TGdiKind::Brush>;
using TPenHandle = TGdiObject<HPEN, TGdiKind::Pen>;

// An icon or cursor from CreateIconIndirect / CreateIconFromResourceEx / LoadImage without LR_SHARED,
// destroyed with DestroyIcon. Shared icons (LR_SHARED, LoadIcon) belong to the system and never go in here.
using TIconHandle = TGdiObject<HICON, TGdiKind::Icon, &::DestroyIcon>;

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
class TMemoryDC : public TGdiObject<HDC, TGdiKind::MemoryDC, &::DeleteDC> {
public:
    TMemoryDC() noexcept = default;
    explicit TMemoryDC(HDC compatibleWith) noexcept : TGdiObject(::CreateCompatibleDC(compatibleWith)) {}
    operator HDC() const noexcept { return Get(); }
};

// A window's DC from GetDC / GetWindowDC / GetDCEx, given back with ReleaseDC to the same window.
class TWindowDC {
public:
    enum class TArea { Client, Window };
    TWindowDC() noexcept = default;
    explicit TWindowDC(HWND wnd, TArea area = TArea::Client) noexcept;
    TWindowDC(HWND wnd, HRGN clip, DWORD flags) noexcept;  // GetDCEx
    TWindowDC(TWindowDC&& other) noexcept
        : FWnd(std::exchange(other.FWnd, nullptr)), FDC(std::exchange(other.FDC, nullptr)) {}
    TWindowDC& operator=(TWindowDC&& other) noexcept;
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    ~TWindowDC() { Reset(); }

    HDC Get() const noexcept { return FDC; }
    operator HDC() const noexcept { return FDC; }
    explicit operator bool() const noexcept { return FDC != nullptr; }
    void Reset() noexcept;

private:
    HWND FWnd = nullptr;
    HDC FDC = nullptr;
};

// BeginPaint ... EndPaint for one WM_PAINT.
class TPaintScope {
public:
    explicit TPaintScope(HWND wnd) noexcept;
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;
    ~TPaintScope();

    HDC DC() const noexcept { return FDC; }
    const PAINTSTRUCT& Info() const noexcept { return FPs; }
    RECT Rect() const noexcept { return FPs.rcPaint; }

private:
    HWND FWnd;
    PAINTSTRUCT FPs{};
    HDC FDC = nullptr;
};

// Selects an object into a DC and puts the previous one back when it goes out of scope.
class TSelectGuard {
public:
    TSelectGuard(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FOld(object ? ::SelectObject(dc, object) : nullptr) {}
    TSelectGuard(const TSelectGuard&) = delete;
    TSelectGuard& operator=(const TSelectGuard&) = delete;
    ~TSelectGuard() {
        if (FOld && FOld != HGDI_ERROR) ::SelectObject(FDC, FOld);
    }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// Saves the DC state (SaveDC) and restores it (RestoreDC) on scope exit.
class TSaveDCGuard {
public:
    explicit TSaveDCGuard(HDC dc) noexcept : FDC(dc), FState(::SaveDC(dc)) {}
    TSaveDCGuard(const TSaveDCGuard&) = delete;
    TSaveDCGuard& operator=(const TSaveDCGuard&) = delete;
    ~TSaveDCGuard() {
        if (FState) ::RestoreDC(FDC, FState);
    }

private:
    HDC FDC;
    int FState;
};

// A 32-bit top-down DIB section; Bits() gives its pixels (BGRA, stride = 4 * width).
struct TDibSection {
    TBitmapHandle Bitmap;
    void* Bits = nullptr;
    int Width = 0;
    int Height = 0;
};
TDibSection CreateDib32(int width, int height);

// Copies w x h pixels from (sx, sy) of `src` to (x, y) of `dst`, leaving out source pixels of the key colour
// (the destination shows through them). Both DCs must be colour DCs; `src` holds the image to copy.
void KeyColorBlit(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, COLORREF key);

// A bitmap compatible with `dc` (the screen when null) of the given size, or empty for a non-positive size.
TBitmapHandle CreateCompatibleBitmapOf(HDC dc, int width, int height);

}  // namespace qd
