#include "skin/controls/SkinTabs.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "framework/Gdi.h"
#include "skin/data/PixelOps.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinMessages.h"

namespace qd {

TTabSide TabSideFromStyle(DWORD style) noexcept {
    const bool bottom = (style & TCS_BOTTOM) != 0;
    const bool vertical = (style & TCS_VERTICAL) != 0;
    if (bottom && vertical) return TTabSide::Right;
    if (bottom) return TTabSide::Bottom;
    if (vertical) return TTabSide::Left;
    return TTabSide::Top;
}

TSliceMargins FlippedMargins(TSliceMargins m) noexcept { return {m.Left, m.Bottom, m.Right, m.Top}; }

TSliceMargins TurnedMargins(TSliceMargins m, bool clockwise) noexcept {
    // Clockwise the top band becomes the right one; anticlockwise it becomes the left one.
    if (clockwise) return {m.Bottom, m.Left, m.Top, m.Right};
    return {m.Top, m.Right, m.Bottom, m.Left};
}

void TurnBitmap(TBitmap& bitmap, bool clockwise) {
    TImageBuffer image = BitmapToImage(bitmap);
    if (image.Empty()) return;
    if (clockwise)
        RotateClockwise(image);
    else
        RotateCounterClockwise(image);
    AssignImage(bitmap, image);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinTab

void TSkinTab::AfterAttach() {
    if (!Control) {
        // A bare tab control starts as it is.
        Focused = ::GetFocus() == Handle;
        Enabled = (::GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) == 0;
    }
    PrepareImages();
    FindScroller();
}

TSkinTab::~TSkinTab() { FScroller.reset(); }

// The scroll buttons went with the tab row: a new window gets its own.
void TSkinTab::WindowGone() { FScroller.reset(); }

void TSkinTab::Unskin() {
    if (FScroller && FScroller->ControlState() != ControlStateWindowDestroyed) FScroller->Unskin();
    TSkinControl::Unskin();
}

void TSkinTab::Reskin() {
    // The images first: the redraw below paints at once.
    PrepareImages();
    TSkinControl::Reskin();
    if (FScroller && FScroller->ControlState() != ControlStateWindowDestroyed) FScroller->Reskin();
}

void TSkinTab::PrepareImages() {
    if (!Handle || !::IsWindow(Handle)) return;
    FSide = TabSideFromStyle(static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_STYLE)));
    FTabImage.SetSize(0, 0);
    FBorderImage.SetSize(0, 0);
    const TDataSkinBorder* tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (!tabs || tabs->Bitmap.Empty()) return;
    // Copies of their own: flipping or turning never reaches the skin's bitmaps.
    TImageBuffer tab = BitmapToImage(tabs->Bitmap);
    TImageBuffer border = BitmapToImage(tabs->ExtraBitmap);
    FTabBands = tabs->Margins();
    FBorderBands = TSliceMargins{4, 5, 4, 4};
    switch (FSide) {
        case TTabSide::Bottom:
            FlipVertical(tab);
            FlipVertical(border);
            FTabBands = FlippedMargins(FTabBands);
            FBorderBands = FlippedMargins(FBorderBands);
            break;
        case TTabSide::Left:
            RotateCounterClockwise(border);
            FBorderBands = TurnedMargins(FBorderBands, false);
            break;
        case TTabSide::Right:
            RotateClockwise(border);
            FBorderBands = TurnedMargins(FBorderBands, true);
            break;
        case TTabSide::Top:
            break;
    }
    AssignImage(FTabImage, tab);
    if (!border.Empty()) AssignImage(FBorderImage, border);
}

HWND TSkinTab::FindScroller() {
    HWND scroller = ::FindWindowExW(Handle, nullptr, UPDOWN_CLASSW, nullptr);
    if (scroller && !FScroller && ::SendMessageW(scroller, WM_SKIN_QUERY, 0, 0) != 1) {
        TOwnedSkinner skinner(new TSkinUpDown(nullptr));
        static_cast<TSkinUpDown*>(skinner.get())->SetHorizontal(true);
        skinner->AttachWindow(scroller, SkinData, nullptr, Canvas);
        if (skinner->IsAttached()) FScroller = std::move(skinner);
    }
    return scroller && (::GetWindowLongPtrW(scroller, GWL_STYLE) & WS_VISIBLE) ? scroller : nullptr;
}

int TSkinTab::TabFrame(int index, int selected) const {
    const int frames = std::max(SkinData->Tabs->FrameCount, 1);
    int frame = 1;
    if (!Enabled)
        frame = frames >= 4 ? 4 : 1;
    else if (index == selected)
        frame = 2;
    else if (index == FHotTab && frames >= 3)
        frame = 3;
    return std::min(frame, frames);
}

void TSkinTab::DrawTab(HDC dc, const RECT& rect, int frame) const {
    const TDataSkinBorder& tabs = *SkinData->Tabs;
    DrawNineSlice(dc, rect, FTabImage.Handle(), FTabBands, frame, std::max(tabs.FrameCount, 1), tabs.Trans == 1,
                  tabs.Tile != 0, false);
}

bool TSkinTab::BeforeProc(TMessage& message) { return TSkinControl::BeforeProc(message); }

void TSkinTab::AfterProc(TMessage& message) {
    switch (message.Msg) {
        case WM_MOUSEMOVE: {
            TCHITTESTINFO hit{};
            hit.pt = POINT{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
            TrackHot(static_cast<int>(::SendMessageW(Handle, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))));
            break;
        }
        case WM_MOUSELEAVE:
        case CM_MOUSELEAVE:
            TrackHot(-1);
            break;
        default:
            TSkinControl::AfterProc(message);
            break;
    }
}

void TSkinTab::TrackHot(int index) {
    if (index == FHotTab) return;
    FHotTab = index;
    if (index >= 0) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = Handle;
        ::TrackMouseEvent(&track);
    }
    Redraw();
}

void TSkinTab::DrawControl(HDC dc, const RECT& rect) {
    const TDataSkinBorder* tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (!tabs || tabs->Bitmap.Empty() || FTabImage.Empty() || !Handle) return;
    Enabled = (::GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) == 0;
    Focused = ::GetFocus() == Handle;

    RECT page = rect;
    ::SendMessageW(Handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    ::InflateRect(&page, 4, 4);
    RECT band = rect;
    switch (FSide) {
        case TTabSide::Top:
            page.top += 1;
            band.bottom = page.top;
            break;
        case TTabSide::Bottom:
            page.bottom -= 1;
            band.top = page.bottom;
            break;
        case TTabSide::Left:
            page.left += 1;
            band.right = page.left;
            break;
        case TTabSide::Right:
            page.right -= 1;
            band.left = page.right;
            break;
    }
    const bool vertical = FSide == TTabSide::Left || FSide == TTabSide::Right;
    const int bandWidth = band.right - band.left;
    const int bandHeight = band.bottom - band.top;
    // The band is composed lying, like top tabs: along the tab side, then across it.
    const int stripWidth = vertical ? bandHeight : bandWidth;
    const int stripHeight = vertical ? bandWidth : bandHeight;

    if (stripWidth > 0 && stripHeight > 0) {
        TBitmap strip;
        strip.SetSize(stripWidth, stripHeight);
        {
            TMemoryDC sdc(dc);
            TSelectGuard stripSel(sdc.Get(), strip.Handle());
            FillParent(sdc.Get(), RECT{0, 0, stripWidth, stripHeight});
            TSelectGuard fontSel(sdc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(Handle, WM_GETFONT, 0, 0)));
            const int count = static_cast<int>(::SendMessageW(Handle, TCM_GETITEMCOUNT, 0, 0));
            const int selected = static_cast<int>(::SendMessageW(Handle, TCM_GETCURSEL, 0, 0));
            auto images = reinterpret_cast<HIMAGELIST>(::SendMessageW(Handle, TCM_GETIMAGELIST, 0, 0));
            for (int i = 0; i < count; ++i) {
                wchar_t text[80] = {};
                TCITEMW item{};
                item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
                item.pszText = text;
                item.cchTextMax = 80;
                item.iImage = -1;
                if (!::SendMessageW(Handle, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item))) text[0] = 0;
                RECT r{};
                if (!::SendMessageW(Handle, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
                // Into the strip, one pixel toward the page.
                switch (FSide) {
                    case TTabSide::Top:
                        ::OffsetRect(&r, 0, 1 - band.top);
                        break;
                    case TTabSide::Bottom:
                        ::OffsetRect(&r, 0, -(band.top + 1));
                        break;
                    case TTabSide::Left:
                        r = RECT{stripWidth - (r.bottom - band.top), r.left - band.left + 1,
                                 stripWidth - (r.top - band.top), r.right - band.left + 1};
                        break;
                    case TTabSide::Right:
                        r = RECT{r.top - band.top, band.right - r.right + 1, r.bottom - band.top,
                                 band.right - r.left + 1};
                        break;
                }
                const int frame = TabFrame(i, selected);
                DrawTab(sdc.Get(), r, frame);
                const COLORREF oldColor = ::SetTextColor(
                    sdc.Get(), SkinColorToRGB(frame == 2 || frame == 3 ? tabs->MouseOverColour2 : tabs->NormalColour2));
                DrawImageAndText(sdc.Get(), r, 1, text, item.iImage, images);
                ::SetTextColor(sdc.Get(), oldColor);
            }
        }
        if (FSide == TTabSide::Right) TurnBitmap(strip, true);
        if (FSide == TTabSide::Left) TurnBitmap(strip, false);

        TMemoryDC sdc(dc);
        TSelectGuard stripSel(sdc.Get(), strip.Handle());
        TSaveDCGuard saved(dc);
        if (HWND scroller = FindScroller()) {
            // The scroll buttons keep their own area.
            RECT own{}, sr{};
            ::GetWindowRect(Handle, &own);
            ::GetWindowRect(scroller, &sr);
            ::OffsetRect(&sr, -own.left, -own.top);
            ::ExcludeClipRect(dc, sr.left, sr.top, sr.right, sr.bottom);
        }
        ::BitBlt(dc, band.left, band.top, bandWidth, bandHeight, sdc.Get(), 0, 0, SRCCOPY);
    }
    if (!FBorderImage.Empty()) DrawNineSliceDirect(dc, page, FBorderImage.Handle(), false, 1, 1, FBorderBands);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinHeader

bool TSkinHeader::HasImage() const { return SkinData && SkinData->Headerbar && !SkinData->Headerbar->Bitmap.Empty(); }

bool TSkinHeader::BeforeProc(TMessage& message) {
    if (message.Msg == WM_ERASEBKGND && HasImage()) {
        message.Result = 1;
        return false;
    }
    return TSkinControl::BeforeProc(message);
}

void TSkinHeader::DrawHeaderItem(HIMAGELIST images, HDC dc, int index, const RECT& rect) const {
    const TDataSkinObject& bar = *SkinData->Headerbar;
    wchar_t text[201] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
    item.pszText = text;
    item.cchTextMax = 201;
    if (!::SendMessageW(Handle, HDM_GETITEMW, index, reinterpret_cast<LPARAM>(&item))) text[0] = 0;
    // Pressed and hot items look like normal ones.
    DrawNineSlice(dc, rect, bar.Bitmap.Handle(), bar.Margins(), 1, std::max(bar.FrameCount, 1), false, bar.Tile != 0,
                  false);
    if (!text[0]) return;
    int alignment = 0;
    if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT)
        alignment = 2;
    else if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER)
        alignment = 1;
    const int image = (item.fmt & (HDF_IMAGE | HDF_OWNERDRAW)) ? item.iImage : -1;
    DrawImageAndText(dc, rect, alignment, text, image, images);
}

void TSkinHeader::DrawControl(HDC dc, const RECT& rect) {
    if (!HasImage() || !Handle) return;
    Enabled = (::GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) == 0;
    const TDataSkinObject& bar = *SkinData->Headerbar;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    TOffscreen wdc(dc, width, height);
    if (!wdc) return;
    TSelectGuard fontSel(wdc, reinterpret_cast<HGDIOBJ>(::SendMessageW(Handle, WM_GETFONT, 0, 0)));
    ::SetBkMode(wdc, TRANSPARENT);
    ::SetTextColor(wdc, SkinColorToRGB(bar.NormalColour2));
    auto images = reinterpret_cast<HIMAGELIST>(::SendMessageW(Handle, HDM_GETIMAGELIST, 0, 0));
    const int count = static_cast<int>(::SendMessageW(Handle, HDM_GETITEMCOUNT, 0, 0));
    int right = rect.left;
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!::SendMessageW(Handle, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
        DrawHeaderItem(images, wdc, i, r);
        right = std::max<int>(right, r.right);
    }
    if (right < rect.right)
        DrawNineSlice(wdc, RECT{right, rect.top, rect.right, rect.bottom}, bar.Bitmap.Handle(), bar.Margins(), 1,
                      std::max(bar.FrameCount, 1), false, bar.Tile != 0, false);
    ::BitBlt(dc, rect.left, rect.top, width, height, wdc, 0, 0, SRCCOPY);
}

}  // namespace qd
