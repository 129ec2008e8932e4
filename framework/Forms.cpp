#include "framework/Forms.h"

#include <algorithm>
#include <vector>

#include "framework/Application.h"
#include "framework/Classes.h"
#include "framework/FormReader.h"
#include "framework/Menus.h"
#include "framework/Resources.h"

namespace qd {

namespace {

// Offers a message to every control of `parent`, depth first in z-order; stops at the first that takes it.
LRESULT OfferDeep(TWinControl& parent, UINT msg, WPARAM wParam, LPARAM lParam) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* c = parent.Controls(i);
        if (LRESULT r = c->Perform(msg, wParam, lParam)) return r;
        if (c->IsWindowed()) {
            if (LRESULT r = OfferDeep(*static_cast<TWinControl*>(c), msg, wParam, lParam)) return r;
        }
    }
    return 0;
}

// Tells every control of `parent`, depth first, whatever each answers.
void TellDeep(TWinControl& parent, UINT msg, WPARAM wParam, LPARAM lParam) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* c = parent.Controls(i);
        c->Perform(msg, wParam, lParam);
        if (c->IsWindowed()) TellDeep(*static_cast<TWinControl*>(c), msg, wParam, lParam);
    }
}

bool IsDescendant(TControl* control, TWinControl* ancestor) {
    for (TControl* c = control; c; c = c->Parent())
        if (c == ancestor) return true;
    return false;
}

RECT WindowClientRect(HWND wnd) {
    RECT r{};
    ::GetClientRect(wnd, &r);
    return r;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// TSizeConstraints

void TSizeConstraints::SetLimit(int& limit, int value, const int& minimum, int& maximum) {
    limit = std::max(value, 0);
    if (maximum && maximum < minimum) maximum = minimum;
    Changed();
}
void TSizeConstraints::SetMinWidth(int v) { SetLimit(FMinWidth, v, FMinWidth, FMaxWidth); }
void TSizeConstraints::SetMinHeight(int v) { SetLimit(FMinHeight, v, FMinHeight, FMaxHeight); }
void TSizeConstraints::SetMaxWidth(int v) { SetLimit(FMaxWidth, v, FMinWidth, FMaxWidth); }
void TSizeConstraints::SetMaxHeight(int v) { SetLimit(FMaxHeight, v, FMinHeight, FMaxHeight); }
void TSizeConstraints::Apply(int& width, int& height) const noexcept {
    if (FMaxWidth > 0) width = std::min(width, FMaxWidth);
    if (FMaxHeight > 0) height = std::min(height, FMaxHeight);
    width = std::max(width, FMinWidth);
    height = std::max(height, FMinHeight);
}

// ---------------------------------------------------------------------------------------------------------------
// TForm

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
    RegisterFrameworkClasses();
    TControl::SetVisible(false);
    FConstraints.OnChange = [this] {
        if (!HasState(TComponentStateFlag::csLoading)) SetBounds(FLeft, FTop, FWidth, FHeight);
    };
    FLeft = 0;
    FTop = 0;
    FWidth = 320;
    FHeight = 240;
    Application->RegisterForm(this);
}

TForm::~TForm() {
    SetState(TComponentStateFlag::csDestroying, true);
    if (OnDestroy) CallGuarded([&] { OnDestroy(this); });
    // Owned components go while the form and its window are whole: some unhook themselves from it.
    DestroyComponents();
    FActiveControl = nullptr;
    FFocusedControl = nullptr;
    Application->UnregisterForm(this);
    DetachMenu();
    if (FHandle) {
        // Our window goes now, while this is still a form: late messages see a form, not a half-gone object.
        HWND wnd = FHandle;
        if (FFormStyle == fsMDIChild && ::GetParent(wnd))
            ::SendMessageW(::GetParent(wnd), WM_MDIDESTROY, reinterpret_cast<WPARAM>(wnd), 0);
        if (::IsWindow(wnd)) ::DestroyWindow(wnd);
    }
}

void TForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove) {
        if (component == FActiveControl) FActiveControl = nullptr;
        if (component == FFocusedControl) FFocusedControl = nullptr;
        if (component == FMenu) {
            DetachMenu();
            FMenu = nullptr;
        }
        if (component == FWindowMenu) FWindowMenu = nullptr;
    }
}

void TForm::SetMenu(TMainMenu* value) {
    if (value == FMenu) return;
    RECT before{};
    if (FHandle) ::GetClientRect(FHandle, &before);
    if (FMenu) {
        FMenu->SetWindowHandle(nullptr);
        FMenu->RemoveFreeNotification(this);
    }
    FMenu = value;
    if (value) value->FreeNotification(this);
    if (FHandle) ApplyMenu(before);
}

void TForm::DetachMenu() noexcept {
    if (!FMenu) return;
    // The window would destroy the menu it shows when it goes: only the menu object frees its handle.
    if (FHandle && FMenu->WindowHandle() == FHandle) ::SetMenu(FHandle, nullptr);
    FMenu->SetWindowHandle(nullptr);
}

void TForm::ApplyMenu(const RECT& before) {
    HMENU menu = FMenu ? FMenu->Handle() : nullptr;
    if (FMenu) FMenu->SetWindowHandle(FHandle);
    if (Perform(CM_MENUCHANGED, MenuReplaced, reinterpret_cast<LPARAM>(FMenu)) != 0) return;
    if (::GetMenu(FHandle) != menu) ::SetMenu(FHandle, menu);
    if (!::IsZoomed(FHandle) && !::IsIconic(FHandle)) {
        RECT after{};
        ::GetClientRect(FHandle, &after);
        if (after.bottom != before.bottom || after.right != before.right)
            SetBounds(FLeft, FTop, FWidth + before.right - after.right, FHeight + before.bottom - after.bottom);
    }
}

bool TForm::IsShortCut(WORD key, TShiftState shift, TControl* control) {
    for (TControl* c = control; c; c = c->Parent())
        if (c->PopupMenu() && c->PopupMenu()->IsShortCut(key, shift)) return true;
    if (FMenu && FMenu->IsShortCut(key, shift)) return true;
    // An MDI child's keys reach the frame's menu bar too.
    TForm* frame = FFormStyle == fsMDIChild ? MDIFrame() : nullptr;
    return frame && frame != this && frame->IsShortCut(key, shift);
}

TForm* TForm::MDIFrame() const noexcept {
    TForm* main = Application->MainForm();
    return main && main->FFormStyle == fsMDIForm && main->HandleAllocated() && main->FClientHandle ? main : nullptr;
}

void TForm::SetWindowMenu(TMenuItem* value) {
    if (SetReference(FWindowMenu, value)) RefreshWindowMenu();
}

void TForm::RefreshWindowMenu() {
    if (!FClientHandle || !FMenu) return;
    ::SendMessageW(FClientHandle, WM_MDISETMENU, reinterpret_cast<WPARAM>(FMenu->Handle()),
                   reinterpret_cast<LPARAM>(FWindowMenu ? FWindowMenu->Handle() : nullptr));
    ::SendMessageW(FClientHandle, WM_MDIREFRESHMENU, 0, 0);
    ::DrawMenuBar(FHandle);
}

// The main menu's messages; true when taken.
bool TForm::MenuMessage(TMessage& m) {
    if (!FMenu) return false;
    switch (m.Msg) {
        case WM_COMMAND:
            // A menu (0) or accelerator (1) command, not a control's notification.
            if (m.LParam != 0 || HIWORD(m.WParam) > 1) return false;
            if (!FMenu->DispatchCommand(LOWORD(m.WParam))) return false;
            m.Result = 0;
            return true;
        case WM_INITMENUPOPUP:
            // The item runs its click before its drop-down shows; the platform's handling follows.
            FMenu->DispatchPopup(reinterpret_cast<HMENU>(m.WParam));
            return false;
        case WM_MEASUREITEM:
            if (m.WParam != 0 || !FMenu->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam))) return false;
            m.Result = TRUE;
            return true;
        case WM_DRAWITEM:
            if (m.WParam != 0 || !FMenu->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam))) return false;
            m.Result = TRUE;
            return true;
        default:
            return false;
    }
}

void TForm::ReadStoredForm() {
    const std::string text = LoadFormResource(ClassName());
    ReadStoredForm(text, Name().empty() ? ClassName() : Name());
}

void TForm::ReadStoredForm(std::string_view text, std::string_view source) {
    ReadComponentText(*this, text, source);
    Realign();
    DoCreate();
}

void TForm::DoCreate() {
    FCreated = true;
    if (OnCreate) CallGuarded([&] { OnCreate(this); });
}

void TForm::Loaded() {
    TWinControl::Loaded();
    if (!FActiveControlName.empty()) {
        auto* control = dynamic_cast<TWinControl*>(FindComponent(FActiveControlName));
        if (!control || control == this)
            throw EInvalidOperation("ActiveControl \"" + FActiveControlName + "\" is not a windowed control of " +
                                    Name());
        FActiveControlName.clear();
        SetActiveControl(control);
    }
    if (FWindowState != wsNormal && FHandle) SetWindowState(FWindowState);
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    ApplyWindowStyle();
}

void TForm::SetBorderIcons(TBorderIcons value) {
    value &= biSystemMenu | biMinimize | biMaximize | biHelp;
    if (value == FBorderIcons) return;
    FBorderIcons = value;
    ApplyWindowStyle();
}

void TForm::SetFormStyle(TFormStyle value) {
    if (value == FFormStyle) return;
    if (FHandle && (value == fsMDIForm || FFormStyle == fsMDIForm || value == fsMDIChild || FFormStyle == fsMDIChild))
        throw EInvalidOperation("Cannot change the MDI style of a form whose window exists");
    FFormStyle = value;
    if (FHandle)
        ::SetWindowPos(FHandle, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TForm::WindowState() const {
    if (FHandle && ::IsWindowVisible(FHandle)) {
        if (::IsIconic(FHandle)) return wsMinimized;
        if (::IsZoomed(FHandle)) return wsMaximized;
        return wsNormal;
    }
    return FWindowState;
}

void TForm::SetWindowState(TWindowState value) {
    FWindowState = value;
    if (FHandle && ::IsWindowVisible(FHandle)) {
        const int cmd = value == wsMaximized ? SW_MAXIMIZE : value == wsMinimized ? SW_MINIMIZE : SW_RESTORE;
        ::ShowWindow(FHandle, cmd);
    }
}

void TForm::SetBounds(int left, int top, int width, int height) {
    FConstraints.Apply(width, height);
    TWinControl::SetBounds(left, top, width, height);
}

// Without a window the client size waits for it; with one the form grows or shrinks by what the client area lacks.
void TForm::SetClientWidth(int value) {
    if (FHandle)
        SetWidth(FWidth - WindowClientRect(FHandle).right + value);
    else
        FPendingClientWidth = value;
}

void TForm::SetClientHeight(int value) {
    if (FHandle)
        SetHeight(FHeight - WindowClientRect(FHandle).bottom + value);
    else
        FPendingClientHeight = value;
}

HWND TForm::OwnerWindow() {
    TForm* main = Application->MainForm();
    if (main && main != this && FFormStyle != fsMDIChild && main->HandleAllocated()) return main->FHandle;
    return nullptr;
}

namespace {
void FormStyleBits(TFormBorderStyle border, TBorderIcons icons, DWORD& style, DWORD& exStyle) {
    style &= ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER |
               WS_DLGFRAME | DS_MODALFRAME);
    exStyle &= ~(WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE | WS_EX_CONTEXTHELP);
    switch (border) {
        case bsNone:
            style |= WS_POPUP;
            icons = 0;
            break;
        case bsSingle:
            style |= WS_CAPTION;
            break;
        case bsSizeable:
            style |= WS_CAPTION | WS_THICKFRAME;
            break;
        case bsDialog:
            style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
            exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
            icons &= biSystemMenu | biHelp;
            break;
        case bsToolWindow:
            style |= WS_CAPTION;
            exStyle |= WS_EX_TOOLWINDOW;
            icons &= biSystemMenu;
            break;
        case bsSizeToolWin:
            style |= WS_CAPTION | WS_THICKFRAME;
            exStyle |= WS_EX_TOOLWINDOW;
            icons &= biSystemMenu;
            break;
    }
    if (icons & biSystemMenu) {
        style |= WS_SYSMENU;
        if (icons & biMinimize) style |= WS_MINIMIZEBOX;
        if (icons & biMaximize) style |= WS_MAXIMIZEBOX;
        // The help button shows only without minimise and maximise buttons.
        if ((icons & biHelp) && !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) exStyle |= WS_EX_CONTEXTHELP;
    }
}
}  // namespace

void TForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.Style &= ~(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS);
    p.Style |= WS_CLIPCHILDREN;
    FormStyleBits(FBorderStyle, FBorderIcons, p.Style, p.ExStyle);
    if (FFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
    p.WndParent = OwnerWindow();
    if (FFormStyle == fsMDIChild) {
        // Made by the frame's MDI client, inside it (the platform creates a window of this extended style through
        // the client, as WM_MDICREATE would).
        TForm* frame = MDIFrame();
        if (!frame) throw EInvalidOperation("An MDI child form needs a main form of style fsMDIForm");
        p.WndParent = frame->ClientHandle();
        p.Style &= ~WS_POPUP;
        p.Style |= WS_CHILD | WS_CLIPSIBLINGS;
        p.ExStyle |= WS_EX_MDICHILD;
    }
    if (FPosition == poDefault || FPosition == poDefaultPosOnly) p.X = p.Y = CW_USEDEFAULT;
    if (FPosition == poDefault || FPosition == poDefaultSizeOnly) p.Width = p.Height = CW_USEDEFAULT;
}

void TForm::CreateHandleCompleted() {
    if (FFormStyle == fsMDIForm) {
        CLIENTCREATESTRUCT ccs{FWindowMenu ? FWindowMenu->Handle() : nullptr, 0xFF00};
        RECT r{};
        ::GetClientRect(FHandle, &r);
        FClientHandle = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                          WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0,
                                          r.right, r.bottom, FHandle, nullptr, ::GetModuleHandleW(nullptr), &ccs);
        if (!FClientHandle) throw EInvalidOperation("Cannot create the MDI client window");
    }
    // The bar before the stored client size is applied: that size is what the bar leaves.
    if (FMenu) {
        FMenu->SetWindowHandle(FHandle);
        ::SetMenu(FHandle, FMenu->Handle());
    }
    // Bounds after creation follow the window (CW_USEDEFAULT placement).
    RECT w{};
    ::GetWindowRect(FHandle, &w);
    FLeft = w.left;
    FTop = w.top;
    FWidth = w.right - w.left;
    FHeight = w.bottom - w.top;
    if (FPendingClientWidth >= 0 || FPendingClientHeight >= 0) {
        RECT c{};
        ::GetClientRect(FHandle, &c);
        int width = FWidth, height = FHeight;
        if (FPendingClientWidth >= 0) width = FWidth - c.right + FPendingClientWidth;
        if (FPendingClientHeight >= 0) height = FHeight - c.bottom + FPendingClientHeight;
        FPendingClientWidth = FPendingClientHeight = -1;
        SetBounds(FLeft, FTop, width, height);
    }
    ApplyIcon();
}

void TForm::DestroyWnd() {
    DetachMenu();
    FClientHandle = nullptr;
    if (FHandle && FFormStyle == fsMDIChild) {
        // The client unlists the child from the window menu and gives the frame its menu bar back.
        if (HWND client = ::GetParent(FHandle))
            ::SendMessageW(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(FHandle), 0);
        if (!::IsWindow(FHandle)) FHandle = nullptr;
    }
    TWinControl::DestroyWnd();
}

void TForm::ApplyIcon() {
    if (!FHandle) return;
    HICON icon = FIcon.Empty() ? Application->Icon().Handle() : FIcon.Handle();
    ::SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void TForm::ApplyWindowStyle() {
    if (!FHandle) return;
    DWORD style = static_cast<DWORD>(::GetWindowLongW(FHandle, GWL_STYLE));
    DWORD ex = static_cast<DWORD>(::GetWindowLongW(FHandle, GWL_EXSTYLE));
    FormStyleBits(FBorderStyle, FBorderIcons, style, ex);
    ::SetWindowLongW(FHandle, GWL_STYLE, static_cast<LONG>(style));
    ::SetWindowLongW(FHandle, GWL_EXSTYLE, static_cast<LONG>(ex));
    ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::ApplyPosition() {
    RECT area{};
    TForm* main = Application->MainForm();
    switch (FPosition) {
        case poScreenCenter:
        case poDesktopCenter:
            area = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
            if (FPosition == poDesktopCenter) {
                area.left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
                area.top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
                area.right = area.left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
                area.bottom = area.top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
            }
            break;
        case poMainFormCenter:
        case poOwnerFormCenter:
            if (!main || main == this || !main->HandleAllocated()) return;
            ::GetWindowRect(main->FHandle, &area);
            break;
        default:
            return;
    }
    const int x = area.left + (area.right - area.left - FWidth) / 2;
    const int y = area.top + (area.bottom - area.top - FHeight) / 2;
    SetBounds(x, y, FWidth, FHeight);
}

void TForm::Show() {
    SetVisible(true);
    if (FHandle) ::BringWindowToTop(FHandle);
}

void TForm::SetVisible(bool value) {
    if (value == Visible()) {
        if (value && FHandle && !::IsWindowVisible(FHandle)) VisibleChanged();
        return;
    }
    TControl::SetVisible(value);
}

void TForm::VisibleChanged() {
    if (!Visible()) {
        if (FHandle) ::ShowWindow(FHandle, SW_HIDE);
        if (OnHide) OnHide(this);
        return;
    }
    HandleNeeded();
    if (FShowingNow) return;
    TFlagScope showing(FShowingNow);
    if (OnShow) OnShow(this);
    if (FWindowState == wsNormal) ApplyPosition();
    const int cmd = FWindowState == wsMaximized   ? SW_SHOWMAXIMIZED
                    : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                                                  : SW_SHOWNORMAL;
    ::ShowWindow(FHandle, cmd);
    ::UpdateWindow(FHandle);
}

void TForm::TextChanged() { TWinControl::TextChanged(); }

bool TForm::EraseBackground(HDC dc) { return TWinControl::EraseBackground(dc); }

void TForm::SetActiveControl(TWinControl* control) {
    if (control && (!IsDescendant(control, this) || control == this))
        throw EInvalidOperation("The active control must be a control of the form");
    FActiveControl = control;
    if (control && FHandle && ::IsWindowVisible(FHandle) && ::GetActiveWindow() == FHandle && control->CanFocus())
        control->SetFocus();
}

void TForm::FocusChanged(TWinControl* control) {
    if (control == FFocusedControl) return;
    FFocusedControl = control;
    if (control && control != this) FActiveControl = control;
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close() {
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    if (this == Application->MainForm()) {
        Hide();
        Application->Terminate();
        return;
    }
    switch (action) {
        case caHide:
            Hide();
            break;
        case caMinimize:
            SetWindowState(wsMinimized);
            break;
        case caFree:
            Release();
            break;
        default:
            break;
    }
}

void TForm::Release() { ::PostMessageW(Application->Handle(), CM_RELEASE, 0, reinterpret_cast<LPARAM>(this)); }

bool TForm::DoCloseModal() {
    bool allowed = false;
    CallGuarded([&] {
        if (!CloseQuery()) return;
        TCloseAction action = caHide;
        if (OnClose) OnClose(this, action);
        allowed = action != caNone;
    });
    if (!allowed) FModalResult = mrNone;
    return allowed;
}

TModalResult TForm::ShowModal() {
    if (FModal || (Visible() && FHandle && ::IsWindowVisible(FHandle)))
        throw EInvalidOperation("Cannot make a visible window modal");
    if (HWND capture = ::GetCapture()) {
        ::SendMessageW(capture, WM_CANCELMODE, 0, 0);
        ::ReleaseCapture();
    }
    HWND self = Handle();
    HWND previousActive = ::GetActiveWindow();

    // Every other enabled visible top-level window of this thread is disabled while the form is modal.
    struct TState {
        HWND Self;
        std::vector<HWND> Disabled;
    } state{self, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND wnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<TState*>(lp);
            if (wnd != s->Self && ::IsWindowVisible(wnd) && ::IsWindowEnabled(wnd)) {
                ::EnableWindow(wnd, FALSE);
                s->Disabled.push_back(wnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));

    FModal = true;
    FModalResult = mrNone;
    Application->ModalStarted();
    struct TRestore {
        TForm& Form;
        TState& State;
        HWND Previous;
        ~TRestore() {
            // Enable first, then hide: activation must fall back to a window that can take it.
            for (HWND w : State.Disabled)
                if (::IsWindow(w)) ::EnableWindow(w, TRUE);
            if (Form.FHandle) {
                ::SetWindowPos(Form.FHandle, nullptr, 0, 0, 0, 0,
                               SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            Form.TControl::SetVisible(false);
            if (Previous && ::IsWindow(Previous)) ::SetActiveWindow(Previous);
            Form.FModal = false;
            Application->ModalFinished();
        }
    } restore{*this, state, previousActive};

    Show();
    ::SetActiveWindow(self);
    if (FActiveControl && FActiveControl->CanFocus())
        FActiveControl->SetFocus();
    else if (TWinControl* first = FindNextControl(nullptr, true, true, false))
        first->SetFocus();

    for (;;) {
        if (FModalResult != mrNone && DoCloseModal()) break;
        if (Application->Terminated()) {
            if (FModalResult == mrNone) FModalResult = mrCancel;
            break;
        }
        Application->HandleMessage();
    }
    return FModalResult;
}

void TForm::WMGetMinMaxInfo(TMessage& m) {
    DefaultHandler(m);
    auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
    if (FConstraints.MinWidth() > 0)
        info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, FConstraints.MinWidth());
    if (FConstraints.MinHeight() > 0)
        info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, FConstraints.MinHeight());
    if (FConstraints.MaxWidth() > 0) info->ptMaxTrackSize.x = FConstraints.MaxWidth();
    if (FConstraints.MaxHeight() > 0) info->ptMaxTrackSize.y = FConstraints.MaxHeight();
    m.Result = 0;
}

void TForm::WMActivate(TMessage& m) {
    const bool active = LOWORD(m.WParam) != WA_INACTIVE;
    if (active) {
        TWinControl* target = FFocusedControl && FFocusedControl != this ? FFocusedControl : FActiveControl;
        if (!target || !IsDescendant(target, this) || !target->CanFocus())
            target = FindNextControl(nullptr, true, true, false);
        if (target && !HIWORD(m.WParam)) {
            ::SetFocus(target->Handle());
            m.Result = 0;
        } else {
            DefaultHandler(m);
        }
        if (OnActivate) OnActivate(this);
    } else {
        DefaultHandler(m);
        if (OnDeactivate) OnDeactivate(this);
    }
}

void TForm::WndProc(TMessage& m) {
    if (MenuMessage(m)) return;
    switch (m.Msg) {
        case WM_GETMINMAXINFO:
            WMGetMinMaxInfo(m);
            return;
        case WM_WINDOWPOSCHANGING: {
            // Programmatic sizes obey the constraints too, not only the user's dragging.
            auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
            if (!(wp->flags & SWP_NOSIZE) && !::IsZoomed(FHandle) && !::IsIconic(FHandle)) {
                int w = wp->cx, h = wp->cy;
                FConstraints.Apply(w, h);
                wp->cx = w;
                wp->cy = h;
            }
            break;
        }
        case WM_CLOSE:
            Close();
            m.Result = 0;
            return;
        case WM_ACTIVATE:
            WMActivate(m);
            return;
        case WM_QUERYENDSESSION:
            m.Result = CloseQuery() ? 1 : 0;
            return;
        case CM_DIALOGKEY:
        case CM_DIALOGCHAR:
            m.Result = OfferDeep(*this, m.Msg, m.WParam, m.LParam);
            return;
        case CM_FOCUSCHANGED:
            TellDeep(*this, m.Msg, m.WParam, m.LParam);
            return;
        case CM_MENUCHANGED:
            // Rebuilding the bar's drop-downs drops what the MDI client listed in the window menu.
            RefreshWindowMenu();
            return;
        case WM_SIZE:
            DefaultHandler(m);
            if (m.WParam != SIZE_MINIMIZED) Realign();
            if (m.WParam == SIZE_MAXIMIZED)
                FWindowState = wsMaximized;
            else if (m.WParam == SIZE_MINIMIZED)
                FWindowState = wsMinimized;
            else if (m.WParam == SIZE_RESTORED)
                FWindowState = wsNormal;
            return;
        default:
            break;
    }
    TWinControl::WndProc(m);
}

void TForm::DefWndProc(TMessage& m) {
    if (FFormStyle == fsMDIChild && FHandle) {
        m.Result = ::DefMDIChildProcW(FHandle, m.Msg, m.WParam, m.LParam);
        return;
    }
    if (FClientHandle) {
        m.Result = ::DefFrameProcW(FHandle, FClientHandle, m.Msg, m.WParam, m.LParam);
        return;
    }
    TWinControl::DefWndProc(m);
}

void TForm::AlignControls(TControl* control, RECT& rect) {
    TWinControl::AlignControls(control, rect);
    // The MDI client takes what the aligned controls left, under them.
    if (FClientHandle) {
        bool clientTaken = false;
        for (int i = 0; i < ControlCount(); ++i)
            if (Controls(i)->Align() == alClient && Controls(i)->Visible()) clientTaken = true;
        if (clientTaken) rect.right = rect.left, rect.bottom = rect.top;
        ::SetWindowPos(FClientHandle, HWND_BOTTOM, rect.left, rect.top, std::max<LONG>(rect.right - rect.left, 0),
                       std::max<LONG>(rect.bottom - rect.top, 0), SWP_NOACTIVATE);
    }
}

bool TForm::DialogKey(WORD key, LPARAM keyData) { return Perform(CM_DIALOGKEY, key, keyData) != 0; }

bool TForm::RouteKeyMessage(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_CHAR &&
        msg.message != WM_SYSCHAR)
        return false;
    TWinControl* target = TWinControl::FindControl(msg.hwnd);
    if (!target) return false;
    TForm* form = GetParentForm(target);
    if (!form || !form->HandleAllocated()) return false;
    if (form->FFormStyle == fsMDIChild && msg.message != WM_CHAR) {
        // Ctrl+F4, Ctrl+F6 and the child's system menu keys.
        if (TForm* frame = form->MDIFrame(); frame && ::TranslateMDISysAccel(frame->FClientHandle, &msg)) return true;
    }
    const TShiftState shift = KeyboardShiftState();
    const UINT code =
        static_cast<UINT>(::SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)));

    if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
        if (msg.message == WM_CHAR && (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS))) return false;
        return form->Perform(CM_DIALOGCHAR, msg.wParam, msg.lParam) != 0;
    }

    WORD key = static_cast<WORD>(msg.wParam);
    if (key == VK_TAB && !(shift & (ssCtrl | ssAlt)) && !(code & (DLGC_WANTTAB | DLGC_WANTALLKEYS))) {
        TWinControl* current = form->FFocusedControl ? form->FFocusedControl : target;
        form->SelectNext(current == form ? nullptr : current, !(shift & ssShift), true);
        return true;
    }
    if ((key == VK_RETURN || key == VK_ESCAPE) && !(code & DLGC_WANTALLKEYS)) {
        if (form->DialogKey(key, msg.lParam)) return true;
    }
    if (form->FKeyPreview && target != form) {
        if (!form->DoKeyDown(key, shift)) return true;
        msg.wParam = key;
    }
    return form->IsShortCut(key, shift, target);
}

}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Published properties

#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Properties.h"
#include "framework/StdCtrls.h"

namespace qd {

const TClassInfo& TSizeConstraints::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TSizeConstraints>("TSizeConstraints", &TPersistent::StaticClassInfo())
                                       .Int("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth)
                                       .Int("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight)
                                       .Int("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth)
                                       .Int("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight);
    return info;
}

const TClassInfo& TForm::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TForm>("TForm", &TWinControl::StaticClassInfo())
            .Enum("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle,
                  {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
            .Set("BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons,
                 {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"})
            .Enum("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle,
                  {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"})
            .Enum("WindowState", &TForm::WindowState, &TForm::SetWindowState,
                  {"wsNormal", "wsMinimized", "wsMaximized"})
            .Enum("Position", &TForm::Position, &TForm::SetPosition,
                  {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                   "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"})
            .Custom(
                "ActiveControl",
                [](TForm& f) { return detail::EncodeIdent(f.ActiveControl() ? f.ActiveControl()->Name() : "nil"); },
                [](TForm& f, const TFormValue& v) {
                    if (v.Kind != TFormValueKind::vkIdent) throw EPropertyError("expected a component name");
                    if (SameTextAscii(v.Text, "nil"))
                        f.SetActiveControl(nullptr);
                    else
                        f.SetActiveControlName(v.Text);
                })
            .Component("Menu", &TForm::Menu, &TForm::SetMenu)
            .Component("WindowMenu", &TForm::WindowMenu, &TForm::SetWindowMenu)
            .Object("Constraints", &TForm::Constraints)
            .Object("Icon", &TForm::Icon)
            .Bool("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview)
            .Bool("AutoScroll", &TForm::AutoScroll, &TForm::SetAutoScroll)
            .Int("PixelsPerInch", &TForm::PixelsPerInch, &TForm::SetPixelsPerInch)
            .Int("TextHeight", &TForm::TextHeight, &TForm::SetTextHeight)
            .Int("ModalResult", &TForm::ModalResult, &TForm::SetModalResult)
            .Event("OnCreate", &TForm::OnCreate)
            .Event("OnDestroy", &TForm::OnDestroy)
            .Event("OnShow", &TForm::OnShow)
            .Event("OnHide", &TForm::OnHide)
            .Event("OnActivate", &TForm::OnActivate)
            .Event("OnDeactivate", &TForm::OnDeactivate)
            .Event("OnCloseQuery", &TForm::OnCloseQuery)
            .Event("OnClose", &TForm::OnClose);
    return info;
}

void RegisterFrameworkClasses() {
    static const bool done = [] {
        RegisterClassInfos({&TControl::StaticClassInfo(), &TGraphicControl::StaticClassInfo(),
                            &TWinControl::StaticClassInfo(), &TCustomControl::StaticClassInfo(),
                            &TForm::StaticClassInfo(), &TStatusBar::StaticClassInfo(), &TTimer::StaticClassInfo(),
                            &TCustomLabel::StaticClassInfo(), &TLabel::StaticClassInfo()});
        // The platform control wrappers.
        RegisterClassInfos(
            {&TButton::StaticClassInfo(),     &TBitBtn::StaticClassInfo(),        &TSpeedButton::StaticClassInfo(),
             &TCheckBox::StaticClassInfo(),   &TRadioButton::StaticClassInfo(),   &TGroupBox::StaticClassInfo(),
             &TRadioGroup::StaticClassInfo(), &TPanel::StaticClassInfo(),         &TEdit::StaticClassInfo(),
             &TMemo::StaticClassInfo(),       &TListBox::StaticClassInfo(),       &TComboBox::StaticClassInfo(),
             &TScrollBar::StaticClassInfo(),  &TProgressBar::StaticClassInfo(),   &TTrackBar::StaticClassInfo(),
             &TUpDown::StaticClassInfo(),     &TPageControl::StaticClassInfo(),   &TTabSheet::StaticClassInfo(),
             &TTabControl::StaticClassInfo(), &THeaderControl::StaticClassInfo(), &TListView::StaticClassInfo()});
        RegisterMenuClasses();
        return true;
    }();
    (void)done;
}

}  // namespace qd
