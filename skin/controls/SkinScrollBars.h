#pragma once
// Scroll bar skinners. The platform draws a window's scroll bars itself, in the non-client area, with no hook to
// repaint them, so each skinned bar gets an overlay: a small window of ours (TWScrollbar) laid exactly over the
// real bar. The overlay paints the skinned bar and hands every click back to the real bar, so the window's own
// scrolling (and its modal tracking loop) does all the work; the overlay only follows what the bar reports.
//
// TSkinScrollbar   a control with window scroll bars (list boxes, memos, edits with WS_VSCROLL, ...), framework
//                  control or bare window: two overlays, one per bar.
// TSkinScrollbarH  the same for a bare window handed over by another skinner (a combo box's drop-down list).
// TSkinScControl   a scroll bar control (the platform's "ScrollBar" class): one overlay over the whole control.
// TSkinSizer       a size box of the "ScrollBar" class: painted in the skin's face colour.
// TSkinListView    a list view: its bars as TSkinScrollbar, and its column header skinned along with it (a header
//                  skinner it owns, given back and freed with it; a header made later is found at the next paint).
//
// Rules the overlays keep:
// - An overlay shows only while its bar is visible and its target is visible; hiding the target hides both.
// - The overlay follows the bar: non-client repaints, moves (WM_WINDOWPOSCHANGED) and any change of the bar's
//   range, page, position or state (SetScrollInfo from inside or outside the window) re-place or repaint it.
// - Only the target's own scroll requests (lParam 0) move its thumb; notifications of child scroll bar controls
//   passing through the target do not.
// - A disabled bar (or disabled target) shows no thumb and takes no clicks.
// - While a click runs the window's modal tracking loop, the skinner is pinned: freeing the skin meanwhile frees
//   it (and its overlays) only after the loop has returned.

#include <windows.h>

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <vector>

#include "skin/controls/SkinControl.h"

namespace qd {

// Which bar an overlay covers.
enum class TBarKind : unsigned char { Horizontal = 0, Vertical = 1, Control = 2 };

// Parts of a bar, numbered like the scroll request codes.
enum TBarPart : int {
    bpLineUp = SB_LINEUP,
    bpLineDown = SB_LINEDOWN,
    bpPageUp = SB_PAGEUP,
    bpPageDown = SB_PAGEDOWN,
    bpThumb = SB_THUMBTRACK,
    bpEnd = SB_ENDSCROLL
};

// The part under `along` (pixels from the bar's start along its axis).
int BarHitTest(int along, int length, int arrowSize, int thumbStart, int thumbEnd) noexcept;
// The start of a dragged thumb: where it was at button-down moved by the mouse, kept between the arrows.
int DraggedThumbStart(int downStart, int mouseDelta, int thumbLength, int length, int arrowSize) noexcept;
// Length of each arrow button: half the bar when the bar is shorter than two arrows.
int ArrowLength(int length, int arrowSize) noexcept;
// Frames of the skin's Scrollbar strip for the first (up/left) and second (down/right) arrow.
struct TArrowFrames {
    int First;
    int Second;
};
TArrowFrames ArrowFrames(bool vertical, bool tracking, int hitPart) noexcept;

// The overlay of one bar. Owned by its skinner; a window of its own class, bound to this object from its
// first message to WM_NCDESTROY.
class TWScrollbar {
public:
    TWScrollbar(TSkinControl& skinner, TSkinData* skinData);
    ~TWScrollbar();
    TWScrollbar(const TWScrollbar&) = delete;
    TWScrollbar& operator=(const TWScrollbar&) = delete;

    // Creates the overlay window for the bar of `target` and places it.
    void Bind(HWND target, TBarKind kind);
    // Places and shows (or hides) the overlay after the bar; nothing moves when the bar cannot be read.
    void UpdatePosition();
    void HideBar();
    void Invalidate();
    // Repaints or re-places the overlay when the bar changed since the overlay last looked at it.
    void Follow();
    // A scroll request of the target during tracking.
    void SetHitPart(int part);
    // Draws the skinned bar at the origin of `dc` (the overlay's client area).
    void Paint(HDC dc);

    // Read-only view.
    HWND Window() const noexcept { return FWnd; }
    HWND TargetWindow() const noexcept { return FTarget; }
    bool Visible() const noexcept { return FVisible; }
    bool Tracking() const noexcept { return FTracking; }
    int HitPart() const noexcept { return FHitPart; }
    int ThumbStart() const noexcept { return FThumbStart; }
    int ThumbEnd() const noexcept { return FThumbEnd; }
    int Length() const noexcept { return FLength; }
    int ArrowSize() const noexcept { return FArrowSize; }
    bool Vertical() const noexcept { return FVertical; }
    // The bar in the target's client coordinates.
    const RECT& BarRect() const noexcept { return FBarRect; }

private:
    // What a bar reports: its rectangle on the screen, the thumb along the axis, its state.
    struct TBarInfo {
        RECT Screen{};
        int ThumbTop = 0;
        int ThumbBottom = 0;
        bool Invisible = false;
        bool Unavailable = false;
        bool operator==(const TBarInfo& o) const noexcept {
            return ::EqualRect(&Screen, &o.Screen) && ThumbTop == o.ThumbTop && ThumbBottom == o.ThumbBottom &&
                   Invisible == o.Invisible && Unavailable == o.Unavailable;
        }
    };
    static const wchar_t* OverlayClass();
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool ReadBar(TBarInfo& info) const;
    void ButtonDown(POINT client);
    void ButtonUp(POINT client);
    bool TakesClicks() const;
    bool DirectlyAbove() const;

    TSkinControl& FSkinner;
    TSkinData* FSkinData;
    HWND FWnd = nullptr;
    HWND FTarget = nullptr;
    TBarKind FKind = TBarKind::Vertical;
    bool FVertical = true;
    bool FTopLevel = false;  // the target is a top-level window: the overlay is a popup it owns
    int FArrowSize = 0;
    int FLength = 0;
    int FThumbStart = 0;
    int FThumbEnd = 0;
    POINT FScreenOrigin{};
    POINT FMouseDownPos{};
    int FThumbDownPos = 0;
    bool FTracking = false;
    int FHitPart = bpEnd;
    RECT FBarRect{};
    bool FVisible = false;
    TBarInfo FSeen{};  // what the last placement or paint saw
};

// A skinner whose overlay bars stand over the window's own (its scroll bars, or the scroll bar control it is): the
// bars hide when the skin goes or the window is destroyed, and are freed with the skinner (a bar's tracking loop
// may still be on the stack).
class TSkinBarOwner : public TSkinControl {
public:
    // Every attach binds new overlay bars of `kinds` to the window, one a slot in this order.
    TSkinBarOwner(TComponent* owner, std::initializer_list<TBarKind> kinds);
    ~TSkinBarOwner() override;

    void Unskin() override;

protected:
    void AfterAttach() override;
    void WindowGone() override;
    // The control's paint repaints the overlays.
    void DrawControl(HDC dc, const RECT& rect) override;
    // The bar in `slot`; null before the first attach.
    TWScrollbar* BarAt(std::size_t slot) const noexcept { return slot < FBars.size() ? FBars[slot].get() : nullptr; }
    void ForEachBar(void (TWScrollbar::*action)());

private:
    std::vector<TBarKind> FKinds;
    std::vector<std::unique_ptr<TWScrollbar>> FBars;
};

// The window's own two bars.
class TSkinScrollbar : public TSkinBarOwner {
public:
    explicit TSkinScrollbar(TComponent* owner) : TSkinBarOwner(owner, {TBarKind::Horizontal, TBarKind::Vertical}) {}

    TWScrollbar* HorzBar() const noexcept { return BarAt(0); }
    TWScrollbar* VertBar() const noexcept { return BarAt(1); }

protected:
    void AfterProc(TMessage& message) override;
    void DrawControl(HDC dc, const RECT& rect) override;
};

// A bare window's bars handed over by another skinner (a combo box's list).
class TSkinScrollbarH : public TSkinScrollbar {
public:
    using TSkinScrollbar::TSkinScrollbar;
};

class TSkinListView : public TSkinScrollbar {
public:
    using TSkinScrollbar::TSkinScrollbar;
    ~TSkinListView() override;

    void Unskin() override;
    void Reskin() override;

    // The header's skinner, once the list view showed a header.
    const TSkinControl* HeaderSkinner() const noexcept { return FHeader.get(); }

protected:
    // The bars, then the header.
    void AfterAttach() override;
    void DrawControl(HDC dc, const RECT& rect) override;
    void WindowGone() override;

private:
    void SkinHeader();
    TOwnedSkinner FHeader;
};

// A scroll bar control, covered by one overlay.
class TSkinScControl : public TSkinBarOwner {
public:
    explicit TSkinScControl(TComponent* owner) : TSkinBarOwner(owner, {TBarKind::Control}) {}

    TWScrollbar* Bar() const noexcept { return BarAt(0); }

protected:
    void AfterProc(TMessage& message) override;
};

class TSkinSizer : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    void DrawControl(HDC dc, const RECT& rect) override;
};

// A window of the platform's scroll bar class that is a size box (SBS_SIZEBOX or SBS_SIZEGRIP).
bool IsSizeBoxStyle(DWORD style) noexcept;
// A scroll bar control (of the platform's class or one built on it).
bool IsScrollBarControl(HWND wnd) noexcept;
// A list view window (of the platform's class or one built on it).
bool IsListViewControl(HWND wnd) noexcept;

}  // namespace qd
