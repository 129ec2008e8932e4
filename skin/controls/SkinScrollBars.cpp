#include "skin/controls/SkinScrollBars.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/CallbackEdge.h"
#include "framework/Gdi.h"
#include "skin/controls/SkinTabs.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinMessages.h"

namespace qd {

namespace {

constexpr int ScrollbarFrames = 23;
constexpr int TrackFrames = 4;
enum TTrackFrame : int { TrackEnabledFrame = 1, TrackDisabledFrame = 3 };
enum TThumbFrame : int { ThumbNormalFrame = 1, ThumbDraggedFrame = 2 };
// The overlay looks at its bar this often, for changes made from outside any message of the target
// (SetScrollInfo and friends send the window nothing and draw the real bar straight over the overlay).
constexpr UINT FollowTimerId = 1;
constexpr UINT FollowIntervalMs = 200;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace

int BarHitTest(int along, int length, int arrowSize, int thumbStart, int thumbEnd) noexcept {
    if (along < arrowSize) return bpLineUp;
    if (along < thumbStart) return bpPageUp;
    if (along < thumbEnd) return bpThumb;
    if (along < length - arrowSize) return bpPageDown;
    return bpLineDown;
}

int DraggedThumbStart(int downStart, int mouseDelta, int thumbLength, int length, int arrowSize) noexcept {
    const int highest = length - arrowSize - thumbLength;
    return std::max(std::min(downStart + mouseDelta, highest), arrowSize);
}

int ArrowLength(int length, int arrowSize) noexcept { return length < 2 * arrowSize ? length / 2 : arrowSize; }

TArrowFrames ArrowFrames(bool vertical, bool tracking, int hitPart) noexcept {
    const int first = vertical ? 9 : 1;
    const int second = vertical ? 13 : 5;
    return {first + (tracking && hitPart == bpLineUp ? 1 : 0), second + (tracking && hitPart == bpLineDown ? 1 : 0)};
}

bool IsSizeBoxStyle(DWORD style) noexcept { return (style & (SBS_SIZEBOX | SBS_SIZEGRIP)) != 0; }

bool IsScrollBarControl(HWND wnd) noexcept {
    // Asked, not named: a framework scroll bar is a class of its own built on the platform's.
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof(sbi);
    return wnd && ::SendMessageW(wnd, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(&sbi)) != 0;
}

// ---------------------------------------------------------------------------------------------------------------
// TWScrollbar

TWScrollbar::TWScrollbar(TSkinControl& skinner, TSkinData* skinData)
    : FSkinner(skinner), FSkinData(skinData), FArrowSize(::GetSystemMetrics(SM_CXHSCROLL)) {}

TWScrollbar::~TWScrollbar() {
    if (FWnd) ::DestroyWindow(FWnd);
}

void TWScrollbar::Bind(HWND target, TBarKind kind) {
    if (FWnd || !target) return;
    FTarget = target;
    FKind = kind;
    FVertical = kind == TBarKind::Control ? (::GetWindowLongPtrW(target, GWL_STYLE) & SBS_VERT) != 0
                                          : kind == TBarKind::Vertical;
    // A top-level target (a combo box's drop-down list is a child of the desktop) gets a popup it owns, which
    // always stays above it; any other target gets a sibling placed just above it.
    HWND parent = ::GetAncestor(target, GA_PARENT);
    FTopLevel = !parent || parent == ::GetDesktopWindow();
    const DWORD style = FTopLevel ? WS_POPUP : WS_CHILD | WS_CLIPSIBLINGS;
    const DWORD exStyle = FTopLevel ? WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE : 0;
    FWnd = ::CreateWindowExW(exStyle, OverlayClass(), L"", style, 0, 0, 0, 0, FTopLevel ? target : parent, nullptr,
                             ::GetModuleHandleW(nullptr), this);
    if (!FWnd) return;
    ::SetTimer(FWnd, FollowTimerId, FollowIntervalMs, nullptr);
    UpdatePosition();
}

const wchar_t* TWScrollbar::OverlayClass() {
    static const wchar_t* name = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &TWScrollbar::WndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"QdSkinScrollBarOverlay";
        ::RegisterClassExW(&wc);
        return wc.lpszClassName;
    }();
    return name;
}

LRESULT CALLBACK TWScrollbar::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        // Bound from the first message that carries the object; unbound at WM_NCDESTROY.
        auto* created = static_cast<TWScrollbar*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        if (created) created->FWnd = wnd;
    }
    auto* self = reinterpret_cast<TWScrollbar*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        if (self) self->FWnd = nullptr;
        return ::DefWindowProcW(wnd, msg, wParam, lParam);
    }
    if (!self) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    LRESULT result = 0;
    // The object may be gone once a click's tracking loop returned: nothing here touches it afterwards.
    if (!CallSwallowing([&] { result = self->HandleMessage(msg, wParam, lParam); })) result = 0;
    return result;
}

LRESULT TWScrollbar::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            TPaintScope paint(FWnd);
            if (paint.DC()) Paint(paint.DC());
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_TIMER:
            if (wParam == FollowTimerId) Follow();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            ButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});  // may free this object
            return 0;
        case WM_LBUTTONUP:
            ButtonUp(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        default:
            return ::DefWindowProcW(FWnd, msg, wParam, lParam);
    }
}

bool TWScrollbar::ReadBar(TBarInfo& info) const {
    if (!FTarget || !::IsWindow(FTarget)) return false;
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof(sbi);
    const LONG object = FKind == TBarKind::Control    ? OBJID_CLIENT
                        : FKind == TBarKind::Vertical ? OBJID_VSCROLL
                                                      : OBJID_HSCROLL;
    if (!::GetScrollBarInfo(FTarget, object, &sbi)) return false;
    info.Screen = sbi.rcScrollBar;
    info.ThumbTop = sbi.xyThumbTop;
    info.ThumbBottom = sbi.xyThumbBottom;
    info.Invisible = (sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE) != 0;
    // A bar whose both arrows are off (EnableScrollBar) is as disabled as one whose whole state says so.
    info.Unavailable = (sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) != 0 ||
                       ((sbi.rgstate[1] & STATE_SYSTEM_UNAVAILABLE) && (sbi.rgstate[5] & STATE_SYSTEM_UNAVAILABLE)) ||
                       !::IsWindowEnabled(FTarget);
    return true;
}

void TWScrollbar::HideBar() {
    if (FWnd) ::ShowWindow(FWnd, SW_HIDE);
    FVisible = false;
}

void TWScrollbar::Invalidate() {
    if (FWnd && FVisible) ::InvalidateRect(FWnd, nullptr, FALSE);
}

void TWScrollbar::UpdatePosition() {
    if (!FWnd) return;
    TBarInfo info;
    if (!ReadBar(info)) return;
    FSeen = info;
    if (info.Invisible || !::IsWindowVisible(FTarget) || Width(info.Screen) <= 0 || Height(info.Screen) <= 0) {
        HideBar();
        return;
    }
    FBarRect = info.Screen;
    ::MapWindowPoints(nullptr, FTarget, reinterpret_cast<POINT*>(&FBarRect), 2);
    FScreenOrigin = POINT{info.Screen.left, info.Screen.top};
    POINT at = FScreenOrigin;
    if (!FTopLevel) ::MapWindowPoints(nullptr, ::GetParent(FWnd), &at, 1);
    FLength = FVertical ? Height(info.Screen) : Width(info.Screen);
    const int w = Width(info.Screen), h = Height(info.Screen);
    // Placing a window where it already is still costs the windows below a repaint, and that repaint asks for
    // the placement again: only a real change moves the overlay.
    RECT now{};
    ::GetWindowRect(FWnd, &now);
    if (FVisible && ::IsWindowVisible(FWnd) && ::EqualRect(&now, &info.Screen) && (FTopLevel || DirectlyAbove())) {
        ::InvalidateRect(FWnd, nullptr, FALSE);
        return;
    }
    if (FTopLevel) {
        ::SetWindowPos(FWnd, nullptr, at.x, at.y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    } else {
        HWND above = ::GetWindow(FTarget, GW_HWNDPREV);
        UINT flags = SWP_NOACTIVATE | SWP_SHOWWINDOW;
        if (above == FWnd) flags |= SWP_NOZORDER;
        ::SetWindowPos(FWnd, above ? above : HWND_TOP, at.x, at.y, w, h, flags);
    }
    FVisible = true;
    ::InvalidateRect(FWnd, nullptr, FALSE);
}

bool TWScrollbar::DirectlyAbove() const {
    // Between the target and this overlay only the target's other overlay may sit.
    for (HWND w = ::GetWindow(FTarget, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV)) {
        if (w == FWnd) return true;
        auto* other = ::GetClassLongPtrW(w, GCW_ATOM) == ::GetClassLongPtrW(FWnd, GCW_ATOM)
                          ? reinterpret_cast<TWScrollbar*>(::GetWindowLongPtrW(w, GWLP_USERDATA))
                          : nullptr;
        if (!other || other->FTarget != FTarget) return false;
    }
    return false;
}

void TWScrollbar::Follow() {
    if (!FWnd) return;
    TBarInfo info;
    if (!ReadBar(info)) return;
    const bool shown = !info.Invisible && ::IsWindowVisible(FTarget);
    if (shown != FVisible || !::EqualRect(&info.Screen, &FSeen.Screen) || info.Invisible != FSeen.Invisible) {
        UpdatePosition();
    } else if (!(info == FSeen)) {
        FSeen = info;
        Invalidate();
    }
}

void TWScrollbar::SetHitPart(int part) {
    FHitPart = part;
    Invalidate();
}

bool TWScrollbar::TakesClicks() const {
    TBarInfo info;
    return FVisible && ReadBar(info) && !info.Invisible && !info.Unavailable;
}

void TWScrollbar::ButtonDown(POINT client) {
    if (!TakesClicks()) return;
    POINT p = client;
    if (FKind != TBarKind::Control) {
        p.x += FScreenOrigin.x;
        p.y += FScreenOrigin.y;
    }
    ::GetCursorPos(&FMouseDownPos);
    TBarInfo info;
    if (ReadBar(info)) FThumbDownPos = info.ThumbTop;
    if (FKind == TBarKind::Control) {
        FHitPart = BarHitTest(FVertical ? client.y : client.x, FLength, FArrowSize, info.ThumbTop, info.ThumbBottom);
        Invalidate();
    }
    FTracking = true;
    ::ReleaseCapture();
    // The window's own tracking loop runs inside this call; the skin may be removed meanwhile.
    TSkinControl& skinner = FSkinner;
    skinner.Pin();
    if (FKind == TBarKind::Control)
        ::SendMessageW(FTarget, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    else
        ::SendMessageW(FTarget, WM_NCLBUTTONDOWN, FVertical ? HTVSCROLL : HTHSCROLL, MAKELPARAM(p.x, p.y));
    FTracking = false;
    ::ReleaseCapture();
    if (FKind == TBarKind::Control) Invalidate();
    Follow();
    skinner.Unpin();  // may free the skinner and this overlay
}

void TWScrollbar::ButtonUp(POINT client) {
    FTracking = false;
    ::ReleaseCapture();
    if (!TakesClicks()) return;
    POINT p = client;
    if (FKind == TBarKind::Control) {
        ::PostMessageW(FTarget, WM_LBUTTONUP, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        Invalidate();
    } else {
        p.x += FScreenOrigin.x;
        p.y += FScreenOrigin.y;
        ::PostMessageW(FTarget, WM_NCLBUTTONUP, FVertical ? HTVSCROLL : HTHSCROLL, MAKELPARAM(p.x, p.y));
    }
}

void TWScrollbar::Paint(HDC dc) {
    const TDataSkinObject* arrows = FSkinData ? FSkinData->Scrollbar.get() : nullptr;
    if (!dc || !arrows || arrows->Bitmap.Empty()) return;
    TBarInfo info;
    if (!ReadBar(info) || info.Invisible) return;
    FSeen.ThumbTop = info.ThumbTop;
    FSeen.ThumbBottom = info.ThumbBottom;
    FSeen.Unavailable = info.Unavailable;
    const bool enabled = !info.Unavailable;
    const int w = Width(info.Screen), h = Height(info.Screen);
    if (w <= 0 || h <= 0) return;
    FLength = FVertical ? h : w;
    int thickness = arrows->Bitmap.Height();
    if (thickness + 3 < FArrowSize) thickness = FArrowSize;

    TOffscreen work(dc, w, h);
    if (!work) return;
    ::SetStretchBltMode(work, COLORONCOLOR);
    const RECT all{0, 0, w, h};
    {
        TBrushHandle face(::CreateSolidBrush(SkinColorToRGB(FSkinData->ButtonFaceColor)));
        ::FillRect(work, &all, face.Get());
    }
    // Along the axis the whole bar; across it the skin's thickness (any rest keeps the face colour).
    auto span = [&](int from, int to) {
        return FVertical ? RECT{0, from, thickness, to} : RECT{from, 0, to, thickness};
    };

    const TDataSkinObject* track = (FVertical ? FSkinData->VertScroll : FSkinData->HorzScroll).get();
    if (track && !track->Bitmap.Empty())
        DrawNineSlice(work, span(FArrowSize, FLength - FArrowSize), track->Bitmap.Handle(), track->Margins(),
                      enabled ? TrackEnabledFrame : TrackDisabledFrame, TrackFrames, track->Trans != 0,
                      track->Tile != 0, false);

    const int arrow = ArrowLength(FLength, FArrowSize);
    const TArrowFrames frames = ArrowFrames(FVertical, FTracking, FHitPart);
    DrawSkinFrame(work, span(0, arrow), arrows->Bitmap.Handle(), true, ScrollbarFrames, frames.First);
    DrawSkinFrame(work, span(FLength - arrow, FLength), arrows->Bitmap.Handle(), true, ScrollbarFrames, frames.Second);

    const bool dragging = FTracking && FHitPart == bpThumb && FKind != TBarKind::Control;
    if (dragging) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        const int delta = FVertical ? cursor.y - FMouseDownPos.y : cursor.x - FMouseDownPos.x;
        const int thumbLength = info.ThumbBottom - info.ThumbTop;
        FThumbStart = DraggedThumbStart(FThumbDownPos, delta, thumbLength, FLength, FArrowSize);
        FThumbEnd = FThumbStart + thumbLength;
    } else {
        FThumbStart = info.ThumbTop;
        FThumbEnd = info.ThumbBottom;
    }
    const TDataSkinObject* thumb = (FVertical ? FSkinData->VertScrollThumb : FSkinData->HorzScrollThumb).get();
    if (enabled && thumb && !thumb->Bitmap.Empty() && FThumbEnd > FThumbStart) {
        const int thumbFrames = thumb->FrameCount > 0 ? thumb->FrameCount : 3;
        const bool pressed = FTracking && FHitPart == bpThumb;
        DrawNineSlice(work, span(FThumbStart, FThumbEnd), thumb->Bitmap.Handle(), thumb->Margins(),
                      pressed ? ThumbDraggedFrame : ThumbNormalFrame, thumbFrames, thumb->Trans != 0, false, false);
    }
    ::BitBlt(dc, 0, 0, w, h, work, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinBarOwner

TSkinBarOwner::TSkinBarOwner(TComponent* owner, std::initializer_list<TBarKind> kinds)
    : TSkinControl(owner), FKinds(kinds) {}

TSkinBarOwner::~TSkinBarOwner() = default;

void TSkinBarOwner::AfterAttach() {
    FBars.resize(FKinds.size());
    for (std::size_t slot = 0; slot < FKinds.size(); ++slot) {
        FBars[slot] = std::make_unique<TWScrollbar>(*this, SkinData);
        FBars[slot]->Bind(Handle, FKinds[slot]);
    }
}

void TSkinBarOwner::ForEachBar(void (TWScrollbar::*action)()) {
    for (const auto& bar : FBars)
        if (bar) (bar.get()->*action)();
}

void TSkinBarOwner::Unskin() {
    TSkinControl::Unskin();
    ForEachBar(&TWScrollbar::HideBar);
}

void TSkinBarOwner::WindowGone() { ForEachBar(&TWScrollbar::HideBar); }

void TSkinBarOwner::DrawControl(HDC, const RECT&) { ForEachBar(&TWScrollbar::Invalidate); }

// ---------------------------------------------------------------------------------------------------------------
// TSkinScrollbar

void TSkinScrollbar::AfterProc(TMessage& message) {
    switch (message.Msg) {
        case WM_SIZE:
            Redraw();
            ForEachBar(&TWScrollbar::UpdatePosition);
            break;
        case WM_NCPAINT:
            // A framework control may have recreated its window.
            if (Control && Control->HandleAllocated()) Handle = Control->Handle();
            ForEachBar(&TWScrollbar::UpdatePosition);
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            // Only the window's own bars; a scroll bar control's notification carries its handle.
            if (message.LParam == 0) {
                TWScrollbar* bar = message.Msg == WM_HSCROLL ? HorzBar() : VertBar();
                if (bar) bar->SetHitPart(LOWORD(message.WParam));
            }
            break;
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
            ForEachBar(&TWScrollbar::Invalidate);
            break;
        case CM_VISIBLECHANGED:
            if (message.WParam == 0) ForEachBar(&TWScrollbar::HideBar);
            break;
        default:
            TSkinControl::AfterProc(message);
            break;
    }
    // Whatever the message did to the window's place or its bars' range, page or position shows at once
    // (moves come as WM_WINDOWPOSCHANGED without a non-client repaint).
    if (Status == 1) ForEachBar(&TWScrollbar::Follow);
}

void TSkinScrollbar::DrawControl(HDC dc, const RECT& rect) {
    TSkinBarOwner::DrawControl(dc, rect);
    TWScrollbar *horz = HorzBar(), *vert = VertBar();
    if (!horz || !vert || !horz->Visible() || !vert->Visible()) return;
    // The square between the two bars, in window coordinates (the DC is the window's).
    RECT corner{vert->BarRect().left, horz->BarRect().top, vert->BarRect().right, horz->BarRect().bottom};
    ::MapWindowPoints(Handle, nullptr, reinterpret_cast<POINT*>(&corner), 2);
    ::OffsetRect(&corner, -WindowRect.left, -WindowRect.top);
    FillFace(dc, corner);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinListView

TSkinListView::~TSkinListView() { FHeader.reset(); }

void TSkinListView::AfterAttach() {
    TSkinScrollbar::AfterAttach();
    SkinHeader();
}

void TSkinListView::SkinHeader() {
    if (FHeader || !Handle) return;
    HWND header = reinterpret_cast<HWND>(::SendMessageW(Handle, LVM_GETHEADER, 0, 0));
    if (!header || ::SendMessageW(header, WM_SKIN_QUERY, 0, 0) == 1) return;
    TOwnedSkinner skinner(new TSkinHeader(nullptr));
    skinner->AttachWindow(header, SkinData, nullptr, Canvas);
    if (skinner->IsAttached()) FHeader = std::move(skinner);
}

void TSkinListView::Unskin() {
    if (FHeader && FHeader->ControlState() != ControlStateWindowDestroyed) FHeader->Unskin();
    TSkinScrollbar::Unskin();
}

void TSkinListView::Reskin() {
    TSkinScrollbar::Reskin();
    if (FHeader && FHeader->ControlState() != ControlStateWindowDestroyed) FHeader->Reskin();
}

void TSkinListView::DrawControl(HDC dc, const RECT& rect) {
    SkinHeader();
    TSkinScrollbar::DrawControl(dc, rect);
}

void TSkinListView::WindowGone() {
    // The header went with the list view: a new window gets its own.
    FHeader.reset();
    TSkinScrollbar::WindowGone();
}

bool IsListViewControl(HWND wnd) noexcept {
    wchar_t name[64] = {};
    return wnd && ::GetClassNameW(wnd, name, 64) && ::lstrcmpiW(name, WC_LISTVIEWW) == 0;
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinScControl

void TSkinScControl::AfterProc(TMessage& message) {
    if (!Bar()) return TSkinControl::AfterProc(message);
    switch (message.Msg) {
        case WM_NCPAINT:
            if (Control && Control->HandleAllocated()) Handle = Control->Handle();
            Bar()->UpdatePosition();
            break;
        case SBM_SETSCROLLINFO:
        case SBM_SETPOS:
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW:
        case SBM_ENABLE_ARROWS:
        case WM_ENABLE:
            Bar()->Invalidate();
            break;
        case CM_VISIBLECHANGED:
            if (message.WParam == 0) Bar()->HideBar();
            break;
        default:
            TSkinControl::AfterProc(message);
            break;
    }
    if (Status == 1) Bar()->Follow();
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinSizer

void TSkinSizer::DrawControl(HDC dc, const RECT& rect) {
    if (SkinData) FillFace(dc, rect);
}

}  // namespace qd
