#pragma once
// Controls: visual components with a parent, bounds, font and colour, and a replaceable message handler.
//
//   TControl          every message goes through WindowProc (a std::function, initially the virtual WndProc);
//                     skinners and hosts swap it and call the one they replaced.
//   TGraphicControl   no window of its own: painted on its parent's DC after the parent, in z-order, clipped;
//                     mouse messages over it are forwarded by the parent.
//   TWinControl       owns a window, created on demand (HandleNeeded) from CreateParams; `this` is bound to the
//                     window from its first message and unbound at WM_NCDESTROY.
//   TCustomControl    a windowed control that paints itself off-screen through a canvas (no flicker).

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Component.h"
#include "framework/Gdi.h"
#include "framework/Graphics.h"

namespace qd {

class TWinControl;
class TForm;
class TPopupMenu;

// Framework messages (WM_APP range). Sent with Perform; never posted by the platform.
inline constexpr UINT CM_BASE = WM_APP + 0x3000;
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 1;     // wParam key, lParam key data; non-zero result: taken
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 2;    // wParam character, lParam key data; non-zero: taken
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 3;  // lParam TWinControl* now focused (may be null)
inline constexpr UINT CM_MOUSEENTER = CM_BASE + 4;
inline constexpr UINT CM_MOUSELEAVE = CM_BASE + 5;
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 6;
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 7;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 8;
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 9;
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 10;
inline constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 11;
inline constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 12;
inline constexpr UINT CM_CURSORCHANGED = CM_BASE + 13;
inline constexpr UINT CM_RELEASE = CM_BASE + 14;      // posted by TForm::Release: free after dispatch
inline constexpr UINT CM_MENUCHANGED = CM_BASE + 15;  // to the form showing a main menu whose items changed
// wParam of CM_MENUCHANGED when the form's Menu names another menu (lParam, may be null). Answered nonzero by a
// window that shows its menu itself (a skin's painted band): the form then leaves the window's menu bar alone.
inline constexpr WPARAM MenuReplaced = 1;
// Notifications reflected from a parent to the child control they concern (WM_COMMAND, WM_NOTIFY, ...).
inline constexpr UINT CN_BASE = CM_BASE + 0x400;

// A message travelling through WindowProc.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage& message)>;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlign;
using enum TAlignment;
class TIdentTable;
// The names of TAlignment values in stored descriptions.
const TIdentTable& AlignmentIdents();

using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;
// The platform cursor for a TCursor (the arrow for unknown values).
HCURSOR CursorHandle(TCursor cursor) noexcept;

// Shift state of keyboard and mouse.
enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned;
// The keyboard part of the shift state now (GetKeyState).
TShiftState KeyboardShiftState() noexcept;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, wchar_t& Key)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

class TControl : public TComponent {
    QD_CLASS_INFO
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // Every message to this control goes through here. Replace it to hook the control; keep the previous
    // value and call it for what you do not handle; put it back to unhook.
    TWndMethod WindowProc;
    // Sends a message through WindowProc and returns its result.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    TWinControl* Parent() const noexcept { return FParent; }
    virtual void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;

    int Left() const noexcept { return FLeft; }
    int Top() const noexcept { return FTop; }
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    // Negative sizes are taken as zero.
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const noexcept { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }

    // The client area in client coordinates (0, 0, width, height for graphic controls).
    virtual RECT ClientRect();
    int ClientWidth() {
        RECT r = ClientRect();
        return r.right - r.left;
    }
    int ClientHeight() {
        RECT r = ClientRect();
        return r.bottom - r.top;
    }
    virtual void SetClientWidth(int value);
    virtual void SetClientHeight(int value);
    POINT ClientToScreen(POINT p);
    POINT ScreenToClient(POINT p);
    // Where this control's client origin lies in the nearest window's client area (graphic controls are offset).
    POINT ClientOrigin();

    TAlign Align() const noexcept { return FAlign; }
    void SetAlign(TAlign value);

    bool Visible() const noexcept { return FVisible; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent up to a top-level window visible.
    bool Showing() const;

    bool Enabled() const noexcept { return FEnabled; }
    virtual void SetEnabled(bool value);

    const std::wstring& Caption() const noexcept { return FText; }
    void SetCaption(const std::wstring& value) { SetText(value); }
    virtual const std::wstring& Text() { return FText; }
    virtual void SetText(const std::wstring& value);

    TFont& Font() noexcept { return *FFont; }
    bool ParentFont() const noexcept { return FParentFont; }
    void SetParentFont(bool value);
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const noexcept { return FParentColor; }
    void SetParentColor(bool value);
    TCursor Cursor() const noexcept { return FCursor; }
    void SetCursor(TCursor value);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnResize;

    // Runs the click behaviour (OnClick); buttons override it.
    virtual void Click();

    virtual void Invalidate();
    // Invalidate and paint now.
    virtual void Repaint();
    // Paints what is invalid now.
    virtual void Update();

    // The mouse is over this control (between CM_MOUSEENTER and CM_MOUSELEAVE).
    bool MouseInControl() const noexcept { return FMouseInControl; }

    // Controls that take part in tab order are windowed; graphic controls answer false.
    virtual bool IsWindowed() const noexcept { return false; }
    void BringToFront();

    // The topmost form this control sits on, or null.
    TForm* ParentForm() const;

    // Shown on a right click or the context-menu key (WM_CONTEXTMENU) when its AutoPopup is on.
    TPopupMenu* PopupMenu() const noexcept { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value);

protected:
    // Stores a value that only changes how the control looks; repaints when it changed.
    template <class T>
    void SetAndInvalidate(T& field, const T& value) {
        if (field == value) return;
        field = value;
        Invalidate();
    }
    // The same for a value that changes the layout too: when it changed, `relayout` (a label's AdjustBounds, a
    // container's Realign) runs before the repaint.
    template <class T, class C>
    void SetAndInvalidate(T& field, const T& value, void (C::*relayout)()) {
        if (field == value) return;
        field = value;
        (static_cast<C*>(this)->*relayout)();
        Invalidate();
    }
    // Default message handling: routes framework and mouse messages to the virtual handlers below.
    virtual void WndProc(TMessage& message);
    // What happens to a message no one handled (windowed: the window class's procedure).
    virtual void DefaultHandler(TMessage& message);

    virtual void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void TextChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    virtual void Resize();
    // Parent-font / parent-colour notifications.
    void ParentFontChanged();
    void ParentColorChanged();
    // Lets a windowed control apply new bounds to its window.
    virtual void BoundsChanged() {}
    void RequestParentAlign();

    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TWinControl* FParent = nullptr;
    std::wstring FText;
    bool FMouseInControl = false;

private:
    friend class TWinControl;
    void FontOnChange();

    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FSettingParentFont = false;
    TColor FColor = 0xFF00000F;  // button face
    bool FParentColor = true;
    TCursor FCursor = crDefault;
    bool FClicking = false;
    TPopupMenu* FPopupMenu = nullptr;
};

// A control without a window of its own.
class TGraphicControl : public TControl {
    QD_CLASS_INFO
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;

    void Invalidate() override;
    void Update() override;

protected:
    void WndProc(TMessage& message) override;
    // Paints on Canvas(), whose DC has its origin at this control's top-left and is clipped to it.
    virtual void Paint() {}
    TCanvas& Canvas() noexcept { return *FCanvas; }

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// A control with its own window.
class TWinControl : public TControl {
    QD_CLASS_INFO
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window, created now if it does not exist yet (for a child window the parent's first).
    HWND Handle();
    bool HandleAllocated() const noexcept { return FHandle != nullptr; }
    void HandleNeeded() { (void)Handle(); }
    // Destroys the window (children first); it is created again on demand.
    void DestroyHandle();
    // Makes the window again now (when it exists) so a changed creation style takes effect.
    void RecreateWnd();
    bool HasGraphicChildren() const noexcept;

    // The control whose window is `wnd` (ours only), or null.
    static TWinControl* FindControl(HWND wnd) noexcept;

    int ControlCount() const noexcept { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(static_cast<std::size_t>(index)); }
    // Sends the message to every child control in order; stops at the first non-zero result.
    void Broadcast(TMessage& message);
    // The topmost visible graphic child at a client point, or null.
    TControl* ControlAtPos(POINT p, bool allowDisabled = false) const;

    int TabOrder() const noexcept { return FTabOrder; }
    void SetTabOrder(int value);
    bool TabStop() const noexcept { return FTabStop; }
    void SetTabStop(bool value) noexcept { FTabStop = value; }
    // Windowed children (recursively) in tab order.
    void GetTabOrderList(std::vector<TWinControl*>& list);
    // The next (or previous) control after `current` in the tab order that can take the focus.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

    virtual bool CanFocus();
    virtual void SetFocus();
    bool Focused() const noexcept;

    void Invalidate() override;
    void Update() override;
    RECT ClientRect() override;
    bool IsWindowed() const noexcept override { return true; }

    // Re-applies the alignment of the children (after a resize or a change of a child's Align or size).
    void Realign();
    void DisableAlign() noexcept { ++FAlignLevel; }
    void EnableAlign();

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Framework internals.
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control) noexcept;
    // Paints the visible graphic children that intersect the DC's clip box, in z-order, each clipped to itself.
    void PaintControls(HDC dc, TControl* first = nullptr);
    // Runs the key-down event and the virtual KeyDown; false when the key was zeroed (consumed).
    bool DoKeyDown(WORD& key, TShiftState shift);

protected:
    struct TCreateParams {
        std::wstring Caption;
        DWORD Style = 0;
        DWORD ExStyle = 0;
        int X = 0, Y = 0, Width = 0, Height = 0;
        HWND WndParent = nullptr;
        std::wstring WinClassName;  // our window class (registered on first use)
        std::wstring SysClassName;  // a platform class to build on (empty: a class of our own)
        UINT ClassStyle = CS_DBLCLKS;
    };
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // After the window exists: fonts, children, text.
    virtual void CreateHandleCompleted() {}
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    // The window class's procedure for messages we do not handle.
    virtual void DefWndProc(TMessage& message);
    // WM_PAINT / WM_PRINTCLIENT: `dc` is the target DC (from BeginPaint or given).
    virtual void PaintWindow(HDC dc);
    virtual void PaintHandler(TMessage& message);
    virtual bool EraseBackground(HDC dc);
    // Lays out the aligned children inside `rect` (client coordinates), shrinking it as it goes.
    virtual void AlignControls(TControl* control, RECT& rect);
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key);
    void BoundsChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void TextChanged() override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    HBRUSH BackgroundBrush();
    // Marks the next WM_SETFOCUS (focus-changed notification to the form).
    virtual void DoEnter();
    virtual void DoExit();
    // Sends to the window when it exists; 0 otherwise (the stored value reaches the window when it is made).
    LRESULT SendIfMade(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
        return FHandle ? ::SendMessageW(FHandle, msg, wParam, lParam) : 0;
    }
    // For a value the platform reads only when it makes the window: stores it and makes the window anew when it
    // changed.
    template <class T>
    void SetAndRecreate(T& field, const T& value) {
        if (field == value) return;
        field = value;
        RecreateWnd();
    }

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;

private:
    friend class TControl;
    friend LRESULT CALLBACK ControlWndProc(HWND, UINT, WPARAM, LPARAM);
    void MouseMessage(TMessage& message);
    // Shows the popup menu of the control under the point (this one or a graphic child); false when none.
    bool ContextMenu(HWND source, POINT screen);
    void UpdateMouseControl(POINT clientPoint);
    void ApplyBoundsToWindow();

    std::vector<TControl*> FControls;  // children in z-order (first = bottom)
    int FTabOrder = -1;
    bool FTabStop = false;
    int FAlignLevel = 0;
    bool FAlignPending = false;
    bool FAligning = false;
    bool FTrackingLeave = false;
    TControl* FCaptureControl = nullptr;
    TBrushHandle FBrush;
    TColor FBrushColor = 0;
};

// A windowed control that paints itself through a canvas, off-screen, then in one blit.
class TCustomControl : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;

    TCanvas& Canvas() noexcept { return *FCanvas; }
    // Off by default only for tests that want to see direct painting.
    bool DoubleBuffered = true;

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;
    bool EraseBackground(HDC dc) override;

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// A platform control showing a position in the range Min..Max (progress bar, track bar, scroll bar). Setting
// one end moves the other along when they would cross and keeps the position inside; RangeChanged hands the
// result to the window.
class TRangeControl : public TWinControl {
public:
    using TWinControl::TWinControl;

    int Min() const noexcept { return FMin; }
    void SetMin(int value);
    int Max() const noexcept { return FMax; }
    void SetMax(int value);

protected:
    // Min, Max (and with them the position) changed; the window, if any, is to show them.
    virtual void RangeChanged() = 0;

    int FMin = 0, FMax = 100, FPosition = 0;
};

// The form a control sits on, or null.
TForm* GetParentForm(const TControl* control);

// Answers a CM_DIALOGCHAR message `m` that carries the mnemonic of `caption` while `target` can take the focus:
// runs `press` and sets the result to 1. True when it did.
bool PressOnMnemonic(TMessage& m, std::wstring_view caption, TWinControl* target, const std::function<void()>& press);

}  // namespace qd
