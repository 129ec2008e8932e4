// Caption buttons and the non-client mouse of TSkinForm: visibility rules, hit-testing, hot tracking with the
// hover timer, clicks and their actions, the skin's system menu, and the system commands that keep the window
// state in step.

#include <algorithm>

#include "framework/ExtCtrls.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMenuBar.h"
#include "skin/form/SkinMenuItems.h"
#include "skin/form/SkinMessages.h"

namespace qd {

namespace {
// Menu item ids of the skin's system menu: the tag + 1 (TrackPopupMenu answers 0 for "nothing chosen").
constexpr UINT kSysPopupIdBase = 1;
}  // namespace

void TNCObject::TakeMouse(int state) {
    if (Owner->FMouse.HotObject && Owner->FMouse.HotObject != this) Owner->FMouse.HotObject->MouseLeave();
    if (!Visible) return;
    Owner->FMouse.HotObject = this;
    State = state;
    Paint();
}

void TNCObject::MouseDown() { TakeMouse(ncsPressed); }

void TNCObject::MouseUp() {
    if (!Visible) return;
    State = ncsHot;
    Paint();
}

void TNCObject::MouseMove() {
    if (Owner->FMouse.HotObject != this) TakeMouse(ncsHot);
}

void TNCObject::MouseLeave() {
    if (!Visible) return;
    if (Owner->FMouse.HotObject == this) Owner->FMouse.HotObject = nullptr;
    State = ncsNormal;
    Paint();
}

void TWinSysButton::Paint() { Owner->PaintSysButtonState(*this, State); }

bool TSkinForm::SysButtonVisible(int index) {
    if (index < 0 || index >= static_cast<int>(FSysButtons.size())) return false;
    TWinSysButton& b = *FSysButtons[static_cast<std::size_t>(index)];
    const TDataSkinSysButton& d = *b.Data;
    const bool maximized = FSizeState == TSizeState::Maximized;
    const unsigned icons = FAttached.BorderIcons;
    const bool maxBox = (icons & biSkinMaximize) != 0;
    const bool minBox = (icons & biSkinMinimize) != 0;
    const bool sysMenu = (icons & biSkinSystemMenu) != 0;
    const bool dialogFrame = FFrame.Kind == TFrameKind::Dialog && !FAttached.IsDialog;
    auto band = [&] { return FFrame.MenuHeight > 0 && ActiveChildMaximized(); };
    // The codes both keys share; the first key's 0, 6, 8 and custom ranges differ from the second's.
    auto shared = [&](std::int32_t code, bool& answer) {
        switch (code) {
            case sbvMaximized:
                answer = maximized;
                return true;
            case sbvNotMaximized:
                answer = !maximized;
                return true;
            case sbvActive:
                answer = FActive;
                return true;
            case sbvInactive:
                answer = !FActive;
                return true;
            case sbvNoMaximizeBox:
                answer = !maxBox;
                return true;
            case sbvNoMinimizeBox:
                answer = !minBox;
                return true;
            case sbvMdiChildMaximized:
                answer = band();
                return true;
            case sbvDialogFrame:
                answer = dialogFrame;
                return true;
            default:
                return false;
        }
    };

    bool first = false;
    const std::int32_t v = d.Visibility;
    if (!shared(v, first)) {
        if (v == sbvDefault)
            first = d.Action != sbaClose || sysMenu;
        else if (v == sbvMaximizeBox)
            first = maxBox && sysMenu;
        else if (v == sbvMinimizeBox)
            first = minBox && sysMenu;
        else if (v >= sbvAlwaysFirst && v <= sbvAlwaysLast)
            first = true;
        else if (v >= sbvAskFirst && v <= sbvAskLast)
            first = ::SendMessageW(FHandle, WM_SKIN_BUTTONVISIBLE, static_cast<WPARAM>(index), 0) > 0;
        else
            first = false;
    }
    bool second = false;
    const std::int32_t v1 = d.Visibility1;
    if (!shared(v1, second)) {
        if (v1 == sbvDefault)
            second = true;
        else if (v1 == sbvMaximizeBox)
            second = maxBox;
        else if (v1 == sbvMinimizeBox)
            second = minBox;
        else
            second = v1 >= sbvAlwaysFirst && v1 <= sbvAskLast;
    }
    bool visible = first && second;
    if (d.Action == sbaMaximize && !maxBox) visible = false;
    if (d.Action == sbaMinimize && !minBox) visible = false;
    if ((IsIconAction(d.Action) || d.Action == sbaSystemMenuButton) && FFrame.Kind == TFrameKind::Dialog)
        visible = false;
    b.Visible = visible;
    return visible;
}

TWinSysButton* TSkinForm::SysButtonAt(POINT pt) {
    for (auto& b : FSysButtons)
        if (b->Visible && b->Data->Action >= 0 && ::PtInRect(&b->Rect, pt)) return b.get();
    return nullptr;
}

POINT TSkinForm::ScreenToFrame(POINT screen) const {
    POINT p = screen;
    ::ScreenToClient(FHandle, &p);
    if (FSizeState != TSizeState::Minimized) {
        p.x += FFrame.Left;
        p.y += FFrame.Top + FFrame.MenuHeight;
    }
    return p;
}

void TSkinForm::PaintSysButtonState(TWinSysButton& button, int state, HDC dc) {
    if (WindowGone() || !::IsWindow(FHandle)) return;
    TWindowDC own;
    if (!dc) {
        own = TWindowDC(FHandle, TWindowDC::TArea::Window);
        dc = own.Get();
        if (!dc) return;
    }
    const TDataSkinSysButton& d = *button.Data;
    if (PaintTitleButton(button, state, dc)) return;
    if (IsIconAction(d.Action)) {
        DrawIcon(dc, button.Rect.left, button.Rect.top);
        return;
    }
    if (d.Bitmap.Empty()) return;
    // A menu band button shows its hot look in the frame after the three states.
    const int frame = (d.Visibility == sbvMdiChildMaximized && state == ncsHot) ? kButtonExtraFrame : state;
    DrawSkinFrame(dc, button.Rect, d.Bitmap.Handle(), true, d.FrameCount > 0 ? d.FrameCount : 1, frame);
}

bool TSkinForm::PaintTitleButton(TWinSysButton& button, int state, HDC dc) {
    TTitleCache& title = FPainted.Title;
    const RECT r = button.Rect;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (button.Data->Visibility == sbvMdiChildMaximized || !title.Bits || w <= 0 || h <= 0 || r.left < 0 || r.top < 0 ||
        r.right > title.Width || r.bottom > title.Height ||
        title.Back.size() != static_cast<std::size_t>(title.Width) * static_cast<std::size_t>(title.Height))
        return false;
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    if (wr.right - wr.left != title.Width || wr.right - wr.left != FPainted.WindowWidth) return false;
    const auto at = std::find_if(FSysButtons.begin(), FSysButtons.end(), [&](auto& b) { return b.get() == &button; });
    if (at == FSysButtons.end()) return false;
    // A neighbour reaching into the place would lose its part of it.
    for (auto& other : FSysButtons) {
        RECT both{};
        if (other.get() != &button && other->Visible && ::IntersectRect(&both, &other->Rect, &r)) return false;
    }
    // The place as composed before the buttons went on, the face for the state over it, and just that place
    // onto the window.
    ::GdiFlush();
    for (int y = r.top; y < r.bottom; ++y) {
        const std::size_t from =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(title.Width) + static_cast<std::size_t>(r.left);
        std::copy_n(title.Back.begin() + static_cast<std::ptrdiff_t>(from), w, title.Bits + from);
    }
    title.Current = false;
    TMemoryDC mem(dc);
    TSelectGuard sel(mem, title.Bitmap.Get());
    PutSysButtonFace(mem, static_cast<std::size_t>(at - FSysButtons.begin()),
                     IsIconAction(button.Data->Action) ? 0 : state);
    ::BitBlt(dc, r.left, r.top, w, h, mem, r.left, r.top, SRCCOPY);
    return true;
}

// `previous` is what the window's own procedure answered for the point.
LRESULT TSkinForm::NCHitTest(POINT screen, LRESULT previous) {
    if (previous != HTNOWHERE && previous != HTCAPTION) return previous;
    const POINT p = ScreenToFrame(screen);
    if (p.y <= 3) return previous;  // the top rows keep what the window answered (sizing)
    if (p.y < FFrame.Top) return HTCAPTION;
    if (FFrame.MenuHeight > 0 && p.y < FFrame.Top + FFrame.MenuHeight) return HTMENU;
    return previous;
}

bool TSkinForm::NCMouseMove(POINT screen) {
    if (!FActive) return true;  // ignored entirely while inactive
    const POINT p = ScreenToFrame(screen);
    if (TNCObject* object = SysButtonAt(p)) {
        if (FMenuBar) FMenuBar->MouseLeave();
        object->MouseMove();
        return true;
    }
    if (FMouse.HotObject) FMouse.HotObject->MouseLeave();
    if (FMenuBar) FMenuBar->MouseMove(p);
    return false;
}

bool TSkinForm::NCLButtonDown(UINT& hitTest, POINT screen) {
    const POINT p = ScreenToFrame(screen);
    if (TNCObject* object = SysButtonAt(p)) {
        if (!FActive) ::SetForegroundWindow(FHandle);
        object->MouseDown();
        return true;
    }
    if (InMenuBand(p)) {
        // The band is ours: the platform would start its own menu loop on a window without a menu.
        if (!FActive) ::SetForegroundWindow(FHandle);
        if (const TMenuBtn* b = FMenuBar->MenuButtonAt(p)) OpenMenuButton(b->Index, false);
        return true;
    }
    // A maximized window cannot be dragged by its title.
    if (FSizeState == TSizeState::Maximized && FActive && hitTest == HTCAPTION) hitTest = HTMENU;
    return false;
}

bool TSkinForm::NCLButtonUp(POINT screen) {
    TNCObject* object = SysButtonAt(ScreenToFrame(screen));
    if (!object) return false;
    // Only the release of a press that began on this same button clicks it: a press begun on another button and
    // carried here leaves this one merely hot.
    if (object == FMouse.HotObject && object->State == ncsPressed) {
        object->MouseUp();
        SysButtonClick(screen);
    }
    return true;
}

bool TSkinForm::NCLButtonDblClk(POINT screen) {
    if (InMenuBand(ScreenToFrame(screen))) return true;  // not a title: no maximize
    if (FSizeState != TSizeState::Normal)
        RestoreWindow();
    else if (FAttached.BorderIcons & biSkinMaximize)
        ToggleMaximized();
    return true;
}

bool TSkinForm::NCRButtonDown(UINT hitTest, POINT screen) {
    if (hitTest != HTCAPTION || FMDIRole == TMDIRole::Child) return false;
    ShowSystemMenu(screen.x, screen.y);
    return true;
}

void TSkinForm::SysButtonClick(POINT screen) {
    auto* button = dynamic_cast<TWinSysButton*>(FMouse.HotObject);
    if (!button) return;
    const std::int32_t action = button->Data->Action;
    switch (action) {
        case sbaClose:
            if (FHoverTimer) FHoverTimer->SetEnabled(false);
            ::PostMessageW(FHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case sbaMaximize:
        case sbaMaximizeToo:
            ToggleMaximized();
            break;
        case sbaMinimize:
        case sbaMinimizeToo:
            ToggleMinimized();
            break;
        case sbaSystemMenu:
        case sbaWindowIcon:
        case sbaSystemMenuButton:
            ShowSystemMenu(screen.x + 1, screen.y + 1);
            break;
        case sbaMdiMinimize:
        case sbaMdiMinimizeToo:
            SendToActiveChild(SC_MINIMIZE);
            break;
        case sbaMdiRestore:
        case sbaMdiRestoreToo:
            SendToActiveChild(SC_RESTORE);
            break;
        case sbaMdiClose:
        case sbaMdiCloseToo:
            SendToActiveChild(SC_CLOSE);
            break;
        default:
            ::PostMessageW(FHandle, WM_SKIN_BUTTONCOMMAND, static_cast<WPARAM>(action), 0);
            break;
    }
}

void TSkinForm::ToggleMaximized() {
    if (FSizeState == TSizeState::Maximized) {
        RestoreWindow();
        return;
    }
    if (FMDIRole == TMDIRole::Child) FManager->SetMDIChildMaximized(true);
    FSizeState = TSizeState::Maximized;
    ::PostMessageW(FHandle, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    FMouse.HotObject = nullptr;
}

void TSkinForm::RestoreWindow() {
    FSizeState = TSizeState::Normal;
    ::PostMessageW(FHandle, WM_SYSCOMMAND, SC_RESTORE, 0);
}

void TSkinForm::ToggleMinimized() {
    if (FSizeState == TSizeState::Minimized) {
        RestoreWindow();
        return;
    }
    FSizeState = TSizeState::Minimized;
    ::PostMessageW(FHandle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TSkinForm::SendToActiveChild(WPARAM command) {
    if (FMDIRole != TMDIRole::Frame || !FMDIClient || !::IsWindow(FMDIClient)) return;
    HWND child = reinterpret_cast<HWND>(::SendMessageW(FMDIClient, WM_MDIGETACTIVE, 0, 0));
    if (!child) return;
    ::SendMessageW(child, WM_SYSCOMMAND, command, 0);
    if (FManager->MDIChildMaximized() && !ActiveChildMaximized()) FManager->SetMDIChildMaximized(false);
}

void TSkinForm::DestroySysPopup() {
    if (FSysPopup) ::DestroyMenu(FSysPopup);
    FSysPopup = nullptr;
}

void TSkinForm::BuildSysPopup() {
    DestroySysPopup();
    FSysPopup = ::CreatePopupMenu();
    if (!FSysPopup) return;
    ::AppendMenuW(FSysPopup, MF_STRING, kSysPopupIdBase + SysMenuRestore, L" Restore ");
    if (FAttached.BorderIcons & biSkinMaximize)
        ::AppendMenuW(FSysPopup, MF_STRING, kSysPopupIdBase + SysMenuMaximize, L" Maximize ");
    if (FAttached.BorderIcons & biSkinMinimize)
        ::AppendMenuW(FSysPopup, MF_STRING, kSysPopupIdBase + SysMenuMinimize, L" Minimize ");
    ::AppendMenuW(FSysPopup, MF_SEPARATOR, kSysPopupIdBase + SysMenuSeparator, nullptr);
    ::AppendMenuW(FSysPopup, MF_STRING, kSysPopupIdBase + SysMenuClose, L" Close \tShift+F4");
}

void TSkinForm::ShowSystemMenu(int x, int y, bool byKeyboard) {
    auto enable = [&](int tag, bool on) {
        if (FSysPopup) ::EnableMenuItem(FSysPopup, kSysPopupIdBase + tag, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(SysMenuRestore, FSizeState != TSizeState::Normal);
    enable(SysMenuMaximize, FSizeState != TSizeState::Maximized);
    enable(SysMenuMinimize, FSizeState != TSizeState::Minimized);
    const DWORD now = ::GetTickCount();
    // A second click within the double-click time does not open the menu again; the keys open it every time.
    const bool secondClick = !byKeyboard && now - FMouse.LastSysButtonClick <= FMouse.DoubleClickTime;
    if (!secondClick) {
        FManager->SetMenuKind(MenuKindSystem);
        if (!byKeyboard) FMouse.LastSysButtonClick = now;
        const bool native = !FSkinData || !(FSkinData->SkinControls() & SkinControlBit(xcSystemMenu)) ||
                            FMDIRole == TMDIRole::Child || !FSysPopup;
        if (native) {
            if (FAttached.SysMenu) {
                // A command chosen here arrives as WM_COMMAND and RepostSystemCommand turns it into WM_SYSCOMMAND.
                const int cmd = TrackMenu(FAttached.SysMenu, x, y);
                if (cmd) ::PostMessageW(FHandle, WM_COMMAND, static_cast<WPARAM>(cmd), 0);
            }
        } else {
            // Its items are drawn from the skin for as long as it is open.
            if (FMenuItems) FMenuItems->Convert(FSysPopup);
            const int id = TrackMenu(FSysPopup, x, y);
            if (FMenuItems) FMenuItems->Restore();
            if (id > 0) SysPopupClick(id - static_cast<int>(kSysPopupIdBase));
        }
    } else if (FMouse.HotObject) {
        // A second click within the double-click time on the icon button closes the window.
        if (FHoverTimer) FHoverTimer->SetEnabled(false);
        ::PostMessageW(FHandle, WM_CLOSE, 0, 0);
    }
}

void TSkinForm::SysPopupClick(int tag) {
    switch (tag) {
        case SysMenuRestore:
            RestoreWindow();
            break;
        case SysMenuMaximize:
            ToggleMaximized();
            break;
        case SysMenuMinimize:
            ToggleMinimized();
            break;
        case SysMenuClose:
            if (FHoverTimer) FHoverTimer->SetEnabled(false);
            ::PostMessageW(FHandle, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

bool TSkinForm::RepostSystemCommand(WPARAM wParam) {
    const UINT id = LOWORD(wParam);
    switch (id & 0xFFF0) {
        case SC_SIZE:
        case SC_MOVE:
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
        case SC_CLOSE:
        case SC_RESTORE:
            if ((id & 0xFFF0) != id) return false;
            ::PostMessageW(FHandle, WM_SYSCOMMAND, id, 0);
            return true;
        default:
            return false;
    }
}

bool TSkinForm::SysCommand(WPARAM wParam, LPARAM lParam) {
    const WPARAM command = wParam & 0xFFF0;
    if (!FMouse.MenuTracking && command == SC_KEYMENU && lParam != L' ' && lParam != L'-' && !::GetCapture()) {
        // The platform's menu loop would run on a window whose menu we paint: the band takes the keys instead.
        if (MenuKey(lParam)) return true;
        if (lParam == 0 && FFrame.MenuHeight > 0) return true;
    }
    if (!FMouse.MenuTracking && command == SC_KEYMENU && lParam == L' ' && FMDIRole != TMDIRole::Child &&
        SkinnedFrameShown()) {
        // Alt+Space: the window has no system menu box of its own any more (its caption bits are ours), so the
        // skin's system menu opens under the skinned title, where the platform's would.
        RECT wr{};
        ::GetWindowRect(FHandle, &wr);
        ShowSystemMenu(wr.left + FFrame.Left, wr.top + FFrame.Top, true);
        return true;
    }
    switch (command) {
        case SC_MINIMIZE:
            FSizeState = TSizeState::Minimized;
            if (FMDIRole == TMDIRole::Child) SetCaptionStyle(true);
            break;
        case SC_MAXIMIZE:
            FSizeState = TSizeState::Maximized;
            break;
        case SC_RESTORE:
            FSizeState = TSizeState::Normal;
            if (FMDIRole == TMDIRole::Child) SetCaptionStyle(false);
            break;
        default:
            break;
    }
    return false;
}

void TSkinForm::CheckHover() {
    if (FMouse.MenuTracking || WindowGone() || !FActive) return;
    if (FMenuBar) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        if (!FMenuBar->MenuButtonAt(ScreenToFrame(cursor))) FMenuBar->MouseLeave();
    }
    if (TNCObject* hot = FMouse.HotObject) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        const POINT p = ScreenToFrame(cursor);
        if (!::PtInRect(&hot->Rect, p)) hot->MouseLeave();
    }
    // A push button hears of the mouse leaving only through its own messages, which a quick exit can miss.
    if (FMouse.HotButton) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        RECT r{};
        if (!FMouse.HotButton->ControlScreenRect(r) || !::PtInRect(&r, cursor)) LeaveHotButton();
    }
}

}  // namespace qd
