// Caption buttons and the non-client mouse of TSkinForm: visibility rules, hit-testing, hot tracking with the
// hover timer, clicks and their actions, the skin's system menu, and the system commands that keep the window
// state in step.

#include "framework/ExtCtrls.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"

namespace qd {

namespace {
bool IconAction(int action) noexcept { return action == 3 || action == 11; }
// Menu item ids of the skin's system menu: the tag + 1 (TrackPopupMenu answers 0 for "nothing chosen").
constexpr UINT kSysPopupIdBase = 1;
}  // namespace

void TNCObject::MouseDown() {
    if (Owner->HotObject && Owner->HotObject != this) Owner->HotObject->MouseLeave();
    if (!Visible) return;
    Owner->HotObject = this;
    State = 2;
    Paint();
}

void TNCObject::MouseUp() {
    if (!Visible) return;
    State = 3;
    Paint();
}

void TNCObject::MouseMove() {
    if (Owner->HotObject == this) return;
    if (Owner->HotObject) Owner->HotObject->MouseLeave();
    if (!Visible) return;
    Owner->HotObject = this;
    State = 3;
    Paint();
}

void TNCObject::MouseLeave() {
    if (!Visible) return;
    if (Owner->HotObject == this) Owner->HotObject = nullptr;
    State = 1;
    Paint();
}

void TWinSysButton::Paint() { Owner->PaintSysButtonState(*this, State); }

bool TSkinForm::SysButtonVisible(int index) {
    if (index < 0 || index >= static_cast<int>(SysButtons.size())) return false;
    TWinSysButton& b = *SysButtons[static_cast<std::size_t>(index)];
    const TDataSkinSysButton& d = *b.Data;
    const bool maximized = FSizeState == TSizeState::Maximized;
    const bool active = Active != 0;
    const bool maxBox = (BorderIcons & biSkinMaximize) != 0;
    const bool minBox = (BorderIcons & biSkinMinimize) != 0;
    const bool sysMenu = (BorderIcons & biSkinSystemMenu) != 0;
    const bool dialogFrame = FrameKind == TFrameKind::Dialog && !IsDialog;
    auto band = [&] { return MenuHeight > 0 && ActiveChildMaximized(); };

    bool first = false;
    const int v = d.Visibility;
    switch (v) {
        case 0:
            first = d.Action != 0 || sysMenu;
            break;
        case 1:
            first = maximized;
            break;
        case 2:
            first = !maximized;
            break;
        case 3:
            first = active;
            break;
        case 4:
            first = !active;
            break;
        case 6:
            first = maxBox && sysMenu;
            break;
        case 7:
            first = !maxBox;
            break;
        case 8:
            first = minBox && sysMenu;
            break;
        case 9:
            first = !minBox;
            break;
        case 100:
            first = band();
            break;
        case 200:
            first = dialogFrame;
            break;
        default:
            if (v >= 201 && v <= 999)
                first = true;
            else if (v >= 1000 && v <= 2000)
                first = ::SendMessageW(FHandle, WM_SKIN_BUTTONVISIBLE, static_cast<WPARAM>(index), 0) > 0;
            else
                first = false;
            break;
    }
    bool second = false;
    const int v1 = d.Visibility1;
    switch (v1) {
        case 0:
            second = true;
            break;
        case 1:
            second = maximized;
            break;
        case 2:
            second = !maximized;
            break;
        case 3:
            second = active;
            break;
        case 4:
            second = !active;
            break;
        case 6:
            second = maxBox;
            break;
        case 7:
            second = !maxBox;
            break;
        case 8:
            second = minBox;
            break;
        case 9:
            second = !minBox;
            break;
        case 100:
            second = band();
            break;
        case 200:
            second = dialogFrame;
            break;
        default:
            second = v1 >= 201 && v1 <= 2000;
            break;
    }
    bool visible = first && second;
    if (d.Action == 1 && !maxBox) visible = false;
    if (d.Action == 2 && !minBox) visible = false;
    if ((d.Action == 3 || d.Action == 11 || d.Action == 12) && FrameKind == TFrameKind::Dialog) visible = false;
    b.Visible = visible;
    return visible;
}

TWinSysButton* TSkinForm::SysButtonAt(POINT pt) {
    for (auto& b : SysButtons)
        if (b->Visible && b->Data->Action >= 0 && ::PtInRect(&b->Rect, pt)) return b.get();
    return nullptr;
}

POINT TSkinForm::ScreenToFrame(int x, int y) const {
    POINT p{x, y};
    ::ScreenToClient(FHandle, &p);
    if (FSizeState != TSizeState::Minimized) {
        p.x += FrameLeft;
        p.y += FrameTop + MenuHeight;
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
    if (IconAction(d.Action)) {
        DrawIcon(dc, button.Rect.left, button.Rect.top);
        return;
    }
    if (d.Bitmap.Empty()) return;
    const int frame = (d.Visibility == 100 && state == 3) ? 4 : state;
    DrawSkinFrame(dc, button.Rect, d.Bitmap.Handle(), true, d.FrameCount > 0 ? d.FrameCount : 1, frame);
}

LRESULT TSkinForm::NCHitTest(WPARAM wParam, LPARAM lParam) {
    LRESULT hit = CallOldProc(WM_NCHITTEST, wParam, lParam);
    if (hit != HTNOWHERE && hit != HTCAPTION) return hit;
    const POINT p = ScreenToFrame(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    if (p.y <= 3) return hit;  // the top rows keep what the window answered (sizing)
    if (p.y < FrameTop) return HTCAPTION;
    if (MenuHeight > 0 && p.y < FrameTop + MenuHeight) return HTMENU;
    return hit;
}

LRESULT TSkinForm::NCMouse(UINT msg, WPARAM& wParam, LPARAM lParam, bool& handled) {
    const int sx = static_cast<short>(LOWORD(lParam)), sy = static_cast<short>(HIWORD(lParam));
    const POINT p = ScreenToFrame(sx, sy);
    TNCObject* object = SysButtonAt(p);
    switch (msg) {
        case WM_NCMOUSEMOVE:
            if (!Active) {
                handled = true;  // ignored entirely while inactive
                return 0;
            }
            if (object) {
                object->MouseMove();
                handled = true;
                return 0;
            }
            if (HotObject) HotObject->MouseLeave();
            return 0;
        case WM_NCLBUTTONDOWN:
            if (object) {
                if (!Active) ::SetForegroundWindow(FHandle);
                object->MouseDown();
                handled = true;
                return 0;
            }
            // A maximized window cannot be dragged by its title.
            if (FSizeState == TSizeState::Maximized && Active && wParam == HTCAPTION) wParam = HTMENU;
            return 0;
        case WM_NCLBUTTONUP:
            if (object) {
                // Only the release of a press that began on this same button clicks it: a press begun on another
                // button and carried here leaves this one merely hot (State 3).
                if (object == HotObject && object->State == 2) {
                    object->MouseUp();
                    SysButtonClick(sx, sy);
                }
                handled = true;
            }
            return 0;
        case WM_NCLBUTTONDBLCLK:
            handled = true;
            if (FSizeState != TSizeState::Normal)
                RestoreWindow();
            else if (BorderIcons & biSkinMaximize)
                ToggleMaximized();
            return 0;
        case WM_NCRBUTTONDOWN:
            if (wParam == HTCAPTION && FMDIRole != TMDIRole::Child) {
                ShowSystemMenu(sx, sy);
                handled = true;
            }
            return 0;
        default:
            return 0;
    }
}

void TSkinForm::SysButtonClick(int x, int y) {
    auto* button = dynamic_cast<TWinSysButton*>(HotObject);
    if (!button) return;
    const int action = button->Data->Action;
    switch (action) {
        case 0:
            if (HoverTimer) HoverTimer->SetEnabled(false);
            ::PostMessageW(FHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case 1:
        case 22:
            ToggleMaximized();
            break;
        case 2:
        case 23:
            ToggleMinimized();
            break;
        case 3:
        case 11:
        case 12:
            ShowSystemMenu(x + 1, y + 1);
            break;
        case 7:
        case 60:
            SendToActiveChild(SC_MINIMIZE);
            break;
        case 8:
        case 61:
            SendToActiveChild(SC_RESTORE);
            break;
        case 9:
        case 62:
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
    HotObject = nullptr;
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
    if (FMDIRole != TMDIRole::Frame || !MDIClient || !::IsWindow(MDIClient)) return;
    HWND child = reinterpret_cast<HWND>(::SendMessageW(MDIClient, WM_MDIGETACTIVE, 0, 0));
    if (!child) return;
    ::SendMessageW(child, WM_SYSCOMMAND, command, 0);
    if (FManager->MDIChildMaximized() && !ActiveChildMaximized()) FManager->SetMDIChildMaximized(false);
}

void TSkinForm::BuildSysPopup() {
    if (SysPopup) ::DestroyMenu(SysPopup);
    SysPopup = ::CreatePopupMenu();
    if (!SysPopup) return;
    ::AppendMenuW(SysPopup, MF_STRING, kSysPopupIdBase + SysMenuRestore, L" Restore ");
    if (BorderIcons & biSkinMaximize)
        ::AppendMenuW(SysPopup, MF_STRING, kSysPopupIdBase + SysMenuMaximize, L" Maximize ");
    if (BorderIcons & biSkinMinimize)
        ::AppendMenuW(SysPopup, MF_STRING, kSysPopupIdBase + SysMenuMinimize, L" Minimize ");
    ::AppendMenuW(SysPopup, MF_SEPARATOR, kSysPopupIdBase + SysMenuSeparator, nullptr);
    ::AppendMenuW(SysPopup, MF_STRING, kSysPopupIdBase + SysMenuClose, L" Close \tShift+F4");
}

void TSkinForm::ShowSystemMenu(int x, int y) {
    auto enable = [&](int tag, bool on) {
        if (SysPopup) ::EnableMenuItem(SysPopup, kSysPopupIdBase + tag, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(SysMenuRestore, FSizeState != TSizeState::Normal);
    enable(SysMenuMaximize, FSizeState != TSizeState::Maximized);
    enable(SysMenuMinimize, FSizeState != TSizeState::Minimized);
    const DWORD now = ::GetTickCount();
    if (now - LastSysButtonClick > DoubleClickTime) {
        FManager->SetMenuKind(2);
        LastSysButtonClick = now;
        const bool native = !FSkinData || !(FSkinData->SkinControls() & SkinControlBit(xcSystemMenu)) ||
                            FMDIRole == TMDIRole::Child || !SysPopup;
        if (native) {
            if (SysMenu) {
                // A command chosen here arrives as WM_COMMAND and MenuCommand turns it into WM_SYSCOMMAND.
                const int cmd = TrackMenu(SysMenu, x, y);
                if (cmd) ::PostMessageW(FHandle, WM_COMMAND, static_cast<WPARAM>(cmd), 0);
            }
        } else {
            const int id = TrackMenu(SysPopup, x, y);
            if (id > 0) SysPopupClick(id - static_cast<int>(kSysPopupIdBase));
        }
    } else if (HotObject) {
        // A second click within the double-click time on the icon button closes the window.
        if (HoverTimer) HoverTimer->SetEnabled(false);
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
            if (HoverTimer) HoverTimer->SetEnabled(false);
            ::PostMessageW(FHandle, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

LRESULT TSkinForm::MenuCommand(WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (LOWORD(wParam) & 0xFFF0) {
        case SC_SIZE:
        case SC_MOVE:
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
        case SC_CLOSE:
        case SC_RESTORE:
            if ((LOWORD(wParam) & 0xFFF0) == LOWORD(wParam)) {
                ::PostMessageW(FHandle, WM_SYSCOMMAND, LOWORD(wParam), 0);
                handled = true;
                return 0;
            }
            break;
        default:
            break;
    }
    handled = true;
    return CallOldProc(WM_COMMAND, wParam, lParam);
}

LRESULT TSkinForm::SysCommand(WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    const WPARAM command = wParam & 0xFFF0;
    if (!MenuTracking && command == SC_KEYMENU && lParam != L' ' && lParam != L'-' && !::GetCapture()) {
        // Alt or F10 alone would start the native menu loop on a window whose menu bar we paint.
        if (lParam == 0 && MenuHeight > 0) return 1;
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
    return CallOldProc(WM_SYSCOMMAND, wParam, lParam);
}

void TSkinForm::CheckHover() {
    if (MenuTracking || WindowGone() || !Active) return;
    if (HotObject) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        const POINT p = ScreenToFrame(cursor.x, cursor.y);
        if (!::PtInRect(&HotObject->Rect, p)) HotObject->MouseLeave();
    }
    // A push button hears of the mouse leaving only through its own messages, which a quick exit can miss.
    if (FHotButton) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        RECT r{};
        HWND button = FHotButton->ControlWindow();
        if (!button || !::GetWindowRect(button, &r) || !::PtInRect(&r, cursor)) LeaveHotButton();
    }
}

}  // namespace qd
