#pragma once
// TSkinMenuBar: the menu band a skinned window shows under its skinned title instead of its native menu bar.
// Building the band takes the native menu off the window (SetMenu(wnd, 0)); GiveBack puts the menu back, the
// framework menu's current handle when the window is a form.
//
// One button per top-level item, laid out and painted from the skin's MenuBar image (or its MenuBarColor), hot
// under the mouse, pressed while its drop-down is open. A drop-down is the item's native menu tracked with
// TrackPopupMenuEx right under the button; while it runs, a message-filter hook moves to the neighbouring button
// on Left/Right and to the button under the mouse, as a platform menu bar does.
//
// Rules kept:
// - Never two drop-downs: a move to another button records the target and ends the menu (EndMenu); the target
//   opens once tracking has returned. Nothing re-enters the menu loop while it runs.
// - The item's click runs before its drop-down is tracked (so the application may rebuild the children), and the
//   drop-down is read from the item afterwards. A disabled button does nothing; a native item with a sub-menu
//   never posts a command (its identifier is the sub-menu's handle).
// - The chosen command reaches the window once, posted as WM_COMMAND after tracking ended.
// - The hook and the tracking state are taken down on every way out of tracking (an RAII scope); the band
//   object is never freed while its drop-down is tracked (Tracking()).
// - Left/Right move between the buttons that can be hit (visible, with a caption), and are swapped for a
//   right-to-left menu in key messages only.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Gdi.h"

namespace qd {

class TSkinData;
class TMainMenu;
class TMenuItem;

// One top-level item of the band.
struct TMenuBtn {
    RECT Rect{};  // frame (window) coordinates, as last painted
    bool Visible = true;
    int State = 1;                  // 1 normal, 2 drop-down open, 3 hot
    TMenuItem* MenuItem = nullptr;  // the framework item, null for a native-only item
    int Index = 0;
    std::wstring Caption;  // "&" marks the mnemonic
    bool Enabled = true;
    HMENU SubMenu = nullptr;  // the native drop-down, null when the item has none
    UINT Command = 0;

    // Reachable by the mouse and the arrow keys.
    bool Hittable() const noexcept { return Visible && !Caption.empty(); }
};

// What the band asks of the window that shows it.
class ISkinMenuBarOwner {
public:
    virtual ~ISkinMenuBarOwner() = default;
    // A drop-down of the band is about to be tracked (its items may be made owner-drawn here) / has closed.
    virtual void DropDownOpening(HMENU dropDown) = 0;
    virtual void DropDownClosed() = 0;
    // The band was repainted straight onto the window: draw what lies over it (the MDI child buttons).
    virtual void PaintBandOverlay(HDC) {}
};

class TSkinMenuBar {
public:
    TSkinMenuBar(HWND wnd, const TSkinData& skin, ISkinMenuBarOwner* owner);
    ~TSkinMenuBar();
    TSkinMenuBar(const TSkinMenuBar&) = delete;
    TSkinMenuBar& operator=(const TSkinMenuBar&) = delete;

    // Buttons from the framework menu (`menu` null: from the window's native menu by position). Takes the native
    // menu off the window. False when there is no menu to show.
    bool BuildFromMenu(TMainMenu* menu);
    // Buttons from the native menu by position; items without a caption are completed from the framework item
    // at the same position.
    bool BuildMerged(TMainMenu* menu);
    // Buttons from `native` (the menu an MDI client just gave the frame); framework items matched by command.
    bool BuildByCommand(HMENU native, TMainMenu* menu);
    // Puts the menu back on the window (the framework menu's current handle for a form).
    void GiveBack();
    // Paints from another (or reloaded) skin from now on.
    void SetSkin(const TSkinData& skin) noexcept { FSkin = &skin; }

    // Lays out and paints the band (`band` in frame coordinates) into `dc` (window coordinates).
    void Paint(HDC dc, const RECT& band, bool active);
    // Paints the band again straight onto the window, as last laid out.
    void Repaint();

    // The first hittable button whose rectangle holds the frame point, or null.
    TMenuBtn* MenuButtonAt(POINT framePoint);
    // The first enabled, visible button whose mnemonic is `key` (case-insensitive), or null.
    TMenuBtn* FindAccelButton(wchar_t key);
    // The next hittable button after (`step` 1) or before (`step` -1) `from`, wrapping around; -1 when none.
    int NeighbourButton(int from, int step) const;
    // The first hittable, enabled button (Alt or F10 alone), -1 when none.
    int FirstButton() const;

    // Hot tracking of the mouse over the band (frame coordinates).
    void MouseMove(POINT framePoint);
    void MouseLeave();

    // Runs the button's click and tracks its drop-down, then the drop-downs the user moves to, until the menu is
    // left. `byKeyboard` selects the first item of the drop-down. False when nothing opened.
    bool PopupMenuButton(int index, bool byKeyboard);
    // The window's WM_MENUSELECT while a drop-down of the band is tracked.
    static void MenuSelect(WPARAM wParam, LPARAM lParam) noexcept;
    // WM_INITMENUPOPUP of a drop-down whose item already ran its click before tracking: the window must not
    // pass it on (the framework would click the item again).
    static bool SwallowInitPopup(HMENU menu) noexcept;
    // The band's drop-down is being tracked.
    bool Tracking() const noexcept;
    // Ends the tracked drop-down and opens no other (the skin is going).
    void CancelTracking() noexcept;
    // Some band is tracking a drop-down (one at most in the process).
    static bool AnyTracking() noexcept;

    const std::vector<TMenuBtn>& Buttons() const noexcept { return FButtons; }
    int Count() const noexcept { return static_cast<int>(FButtons.size()); }
    HMENU MenuHandle() const noexcept { return FMenuHandle; }
    TMainMenu* Menu() const noexcept { return FMenu; }
    const RECT& BarRect() const noexcept { return FBarRect; }
    bool RightToLeft() const noexcept;
    HWND Window() const noexcept { return FWnd; }

    // Process-wide state of the one tracked drop-down (defined in the source).
    struct TTracking;

private:
    bool TakeMenu(HMENU native);
    void AddNative(HMENU native, int position);
    // Takes `native` (or the band's menu) off the window and makes a button of each of its items, for `menu` to
    // complete; false when there is no menu.
    bool ListNative(HMENU native, TMainMenu* menu);
    void CompleteFromItem(TMenuBtn& button, TMenuItem* item, HMENU native, int position);
    bool OpenButton(int index, bool byKeyboard);
    // True when `item` is still a top-level item of the framework menu.
    bool OwnsItem(const TMenuItem* item) const noexcept;
    HFONT MenuFont() const noexcept { return FFont.Get(); }
    void PaintButtons(HDC dc, int originX, int originY);
    void SetButtonState(int index, int state);

    HWND FWnd;
    const TSkinData* FSkin;
    ISkinMenuBarOwner* FOwner;
    std::vector<TMenuBtn> FButtons;
    TMainMenu* FMenu = nullptr;
    HMENU FMenuHandle = nullptr;
    RECT FBarRect{};
    bool FActive = true;
    TFontHandle FFont;
    int FHot = -1;
};

// Hides the separators a drop-down would show at its start, its end or twice in a row (framework items).
void TidySeparators(TMenuItem& parent);

}  // namespace qd
