#include "framework/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>
#include <utility>

#include "framework/Application.h"
#include "framework/Classes.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Mnemonic.h"

namespace qd {

LRESULT CALLBACK ControlWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

// The window property that holds the TWinControl bound to one of our windows.
const wchar_t* BindingProperty() noexcept {
    static const ATOM atom = ::GlobalAddAtomW(L"QdWinControl");
    return MAKEINTATOM(atom);
}

// The control whose window is being created on this thread: bound at the window's first message, which for
// a top-level window is WM_GETMINMAXINFO, before WM_NCCREATE brings the creation parameter.
thread_local TWinControl* gCreatingControl = nullptr;

// The control under the mouse (for CM_MOUSEENTER / CM_MOUSELEAVE).
TControl* gMouseControl = nullptr;

void SetMouseControl(TControl* control) {
    if (control == gMouseControl) return;
    TControl* old = gMouseControl;
    gMouseControl = control;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (control && gMouseControl == control) control->Perform(CM_MOUSEENTER);
}

// One window class per kind; platform classes are extended as superclasses whose procedure is ours and
// whose original procedure answers what we do not handle.
struct TClassKey {
    std::wstring Name;
    std::wstring SysName;
    bool operator<(const TClassKey& o) const { return std::tie(Name, SysName) < std::tie(o.Name, o.SysName); }
};
struct TClassEntry {
    std::wstring Registered;
    WNDPROC Original = nullptr;
};
std::map<TClassKey, TClassEntry>& ClassTable() {
    static std::map<TClassKey, TClassEntry> table;
    return table;
}
std::map<std::wstring, WNDPROC>& OriginalProcs() {
    static std::map<std::wstring, WNDPROC> procs;
    return procs;
}

const TClassEntry& EnsureWindowClass(const std::wstring& name, const std::wstring& sysName, UINT classStyle) {
    auto& table = ClassTable();
    TClassKey key{name, sysName};
    if (auto it = table.find(key); it != table.end()) return it->second;

    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    TClassEntry entry;
    if (!sysName.empty()) {
        if (!::GetClassInfoExW(nullptr, sysName.c_str(), &wc) && !::GetClassInfoExW(instance, sysName.c_str(), &wc))
            throw EInvalidOperation("Window class \"" + WideToUtf8(sysName) + "\" is not available");
        entry.Original = wc.lpfnWndProc;
        wc.cbSize = sizeof wc;
    } else {
        wc.style = classStyle;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    }
    wc.lpfnWndProc = ControlWndProc;
    wc.hInstance = instance;
    wc.hbrBackground = sysName.empty() ? nullptr : wc.hbrBackground;
    // A name in use by another kind (two platform bases under one framework name) gets a suffix.
    std::wstring registered = name;
    for (int n = 2;; ++n) {
        bool taken = false;
        for (const auto& [k, e] : table)
            if (e.Registered == registered) taken = true;
        if (!taken) break;
        registered = name + L"." + std::to_wstring(n);
    }
    wc.lpszClassName = registered.c_str();
    wc.lpszMenuName = nullptr;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw EInvalidOperation("Cannot register window class \"" + WideToUtf8(registered) + "\"");
    entry.Registered = registered;
    OriginalProcs()[registered] = entry.Original;
    return table.emplace(key, entry).first->second;
}

// The original procedure of a window of one of our classes (for messages that arrive with no object bound).
WNDPROC OriginalProcOf(HWND wnd) {
    wchar_t name[256];
    if (::GetClassNameW(wnd, name, 256) > 0) {
        auto& procs = OriginalProcs();
        if (auto it = procs.find(name); it != procs.end() && it->second) return it->second;
    }
    return ::DefWindowProcW;
}

TMouseButton ButtonOf(UINT msg) {
    switch (msg) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return TMouseButton::mbRight;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            return TMouseButton::mbMiddle;
        default:
            return TMouseButton::mbLeft;
    }
}

TShiftState MouseShift(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK; }

bool PointIn(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

}  // namespace

// ---------------------------------------------------------------------------------------------------------------

HCURSOR CursorHandle(TCursor cursor) noexcept {
    const wchar_t* id = IDC_ARROW;
    switch (cursor) {
        case crCross:
            id = IDC_CROSS;
            break;
        case crIBeam:
            id = IDC_IBEAM;
            break;
        case crSizeNESW:
            id = IDC_SIZENESW;
            break;
        case crSizeNS:
            id = IDC_SIZENS;
            break;
        case crSizeNWSE:
            id = IDC_SIZENWSE;
            break;
        case crSizeWE:
            id = IDC_SIZEWE;
            break;
        case crUpArrow:
            id = IDC_UPARROW;
            break;
        case crHourGlass:
            id = IDC_WAIT;
            break;
        case crNo:
            id = IDC_NO;
            break;
        case crAppStart:
            id = IDC_APPSTARTING;
            break;
        case crHelp:
            id = IDC_HELP;
            break;
        case crHandPoint:
            id = IDC_HAND;
            break;
        case crSizeAll:
            id = IDC_SIZEALL;
            break;
        case crNone:
            return nullptr;
        default:
            break;
    }
    return ::LoadCursorW(nullptr, id);
}

TShiftState KeyboardShiftState() noexcept {
    TShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TForm* GetParentForm(const TControl* control) {
    TForm* form = nullptr;
    for (const TControl* c = control; c; c = c->Parent())
        if (auto* f = dynamic_cast<TForm*>(const_cast<TControl*>(c))) form = f;
    return form;
}

bool PressOnMnemonic(TMessage& m, std::wstring_view caption, TWinControl* target, const std::function<void()>& press) {
    if (!target || !IsAccel(static_cast<wchar_t>(m.WParam), caption) || !target->CanFocus()) return false;
    press();
    m.Result = 1;
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
    WindowProc = [this](TMessage& m) { WndProc(m); };
    FFont->OnChange = [this](TObject*) { FontOnChange(); };
}

TControl::~TControl() {
    SetState(TComponentStateFlag::csDestroying, true);
    DestroyComponents();
    if (gMouseControl == this) gMouseControl = nullptr;
    if (FParent) FParent->RemoveControl(this);
    FParent = nullptr;
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
    for (TWinControl* p = parent; p; p = p->Parent())
        if (p == this) throw EInvalidOperation("A control cannot be a parent of its own parent");
    if (FParent) FParent->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* w = dynamic_cast<TWinControl*>(parent)) SetParent(w);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    const bool resized = width != FWidth || height != FHeight;
    if (!IsWindowed()) Invalidate();  // where it was
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged();
    if (!IsWindowed()) {
        Invalidate();  // where it is now
        if (resized) Resize();
    }
    RequestParentAlign();
}

void TControl::RequestParentAlign() {
    if (FParent && FAlign != alNone && !HasState(TComponentStateFlag::csLoading)) FParent->Realign();
}

RECT TControl::ClientRect() { return RECT{0, 0, FWidth, FHeight}; }

void TControl::SetClientWidth(int value) { SetWidth(value); }
void TControl::SetClientHeight(int value) { SetHeight(value); }

POINT TControl::ClientOrigin() {
    if (IsWindowed()) {
        POINT p{0, 0};
        ::ClientToScreen(static_cast<TWinControl*>(this)->Handle(), &p);
        return p;
    }
    if (!FParent) throw EInvalidOperation("Control \"" + Name() + "\" has no parent window");
    POINT p = FParent->ClientOrigin();
    return POINT{p.x + FLeft, p.y + FTop};
}

POINT TControl::ClientToScreen(POINT p) {
    POINT o = ClientOrigin();
    return POINT{p.x + o.x, p.y + o.y};
}

POINT TControl::ScreenToClient(POINT p) {
    POINT o = ClientOrigin();
    return POINT{p.x - o.x, p.y - o.y};
}

void TControl::SetAlign(TAlign value) {
    if (value == FAlign) return;
    FAlign = value;
    if (FParent && !HasState(TComponentStateFlag::csLoading)) FParent->Realign();
}

void TControl::SetVisible(bool value) {
    if (value == FVisible) return;
    if (!IsWindowed()) Invalidate();
    FVisible = value;
    Perform(CM_VISIBLECHANGED, value ? 1 : 0);
    if (FParent && FAlign != alNone && !HasState(TComponentStateFlag::csLoading)) FParent->Realign();
}

bool TControl::Showing() const {
    if (!FVisible) return false;
    return FParent ? FParent->Showing() : true;
}

void TControl::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const std::wstring& value) {
    if (value == Text()) return;
    FText = value;
    Perform(CM_TEXTCHANGED);
}

void TControl::FontOnChange() {
    if (!FSettingParentFont) FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool value) {
    if (value == FParentFont) return;
    FParentFont = value;
    if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!FParentFont || !FParent) return;
    TFlagScope setting(FSettingParentFont);
    FFont->Assign(FParent->Font());
    FParentFont = true;
}

void TControl::SetColor(TColor value) {
    FParentColor = false;
    if (value == FColor) return;
    FColor = value;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
    if (value == FParentColor) return;
    FParentColor = value;
    if (value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!FParentColor || !FParent) return;
    if (FColor != FParent->Color()) {
        FColor = FParent->Color();
        Perform(CM_COLORCHANGED);
    }
    FParentColor = true;
}

void TControl::SetCursor(TCursor value) {
    if (value == FCursor) return;
    FCursor = value;
    Perform(CM_CURSORCHANGED);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::Invalidate() {}
void TControl::Repaint() {
    Invalidate();
    Update();
}
void TControl::Update() {}

void TControl::BringToFront() {
    if (!FParent) return;
    auto& list = FParent->FControls;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) {
        list.erase(it);
        list.push_back(this);
    }
    if (IsWindowed()) {
        auto* w = static_cast<TWinControl*>(this);
        if (w->HandleAllocated())
            ::SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        Invalidate();
    }
}

TForm* TControl::ParentForm() const { return GetParentForm(this); }

void TControl::Loaded() {
    TComponent::Loaded();
    if (FParentFont) ParentFontChanged();
    if (FParentColor) ParentColorChanged();
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::SetPopupMenu(TPopupMenu* value) { SetReference(FPopupMenu, value); }

void TControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK: {
            const bool dbl = m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK;
            if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) FClicking = true;
            if (dbl && m.Msg == WM_LBUTTONDBLCLK && OnDblClick) OnDblClick(this);
            MouseDown(ButtonOf(m.Msg), MouseShift(m.WParam) | (dbl ? static_cast<TShiftState>(ssDouble) : 0u),
                      GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
            break;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
            const bool click = m.Msg == WM_LBUTTONUP && FClicking;
            if (m.Msg == WM_LBUTTONUP) FClicking = false;
            // Graphic controls click on release inside; windowed controls decide for themselves.
            if (click && !IsWindowed() && PointIn(ClientRect(), POINT{x, y})) Click();
            MouseUp(ButtonOf(m.Msg), MouseShift(m.WParam), x, y);
            break;
        }
        case WM_MOUSEMOVE:
            MouseMove(MouseShift(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
            break;
        case CM_MOUSEENTER:
            FMouseInControl = true;
            MouseEnter();
            break;
        case CM_MOUSELEAVE:
            FMouseInControl = false;
            MouseLeave();
            break;
        case CM_FONTCHANGED:
            FontChanged();
            break;
        case CM_COLORCHANGED:
            ColorChanged();
            break;
        case CM_TEXTCHANGED:
            TextChanged();
            break;
        case CM_ENABLEDCHANGED:
            EnabledChanged();
            break;
        case CM_VISIBLECHANGED:
            VisibleChanged();
            break;
        case CM_PARENTFONTCHANGED:
            ParentFontChanged();
            break;
        case CM_PARENTCOLORCHANGED:
            ParentColorChanged();
            break;
        default:
            DefaultHandler(m);
            break;
    }
}

void TControl::DefaultHandler(TMessage& m) { m.Result = 0; }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}
void TControl::FontChanged() { Invalidate(); }
void TControl::ColorChanged() { Invalidate(); }
void TControl::TextChanged() { Invalidate(); }
void TControl::EnabledChanged() { Invalidate(); }
void TControl::VisibleChanged() {}
void TControl::Resize() {
    if (OnResize) OnResize(this);
}

// ---------------------------------------------------------------------------------------------------------------
// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() {
    SetState(TComponentStateFlag::csDestroying, true);
    if (FParent) {
        Invalidate();
        FParent->RemoveControl(this);
        FParent = nullptr;
    }
}

void TGraphicControl::Invalidate() {
    if (FParent && FParent->HandleAllocated()) {
        RECT r = BoundsRect();
        // Erase too: a transparent control shows its parent's background.
        ::InvalidateRect(FParent->Handle(), &r, TRUE);
    }
}

void TGraphicControl::Update() {
    if (FParent) FParent->Update();
}

void TGraphicControl::WndProc(TMessage& m) {
    if (m.Msg == WM_PAINT && m.WParam) {
        // The parent hands its DC with the origin moved to our top-left and the clip set to our bounds.
        const TCanvasHandleScope lent(*FCanvas, reinterpret_cast<HDC>(m.WParam));
        FCanvas->Font().Assign(Font());
        Paint();
        return;
    }
    TControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TWinControl

LRESULT CALLBACK ControlWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<TWinControl*>(::GetPropW(wnd, BindingProperty()));
    if (!control) {
        control = gCreatingControl;
        if (!control) return ::CallWindowProcW(OriginalProcOf(wnd), wnd, msg, wParam, lParam);
        gCreatingControl = nullptr;
        control->FHandle = wnd;
        ::SetPropW(wnd, BindingProperty(), control);
    }
    TMessage m{msg, wParam, lParam, 0};
    const bool painting = msg == WM_PAINT || msg == WM_ERASEBKGND || msg == WM_NCPAINT || msg == WM_PRINTCLIENT;
    auto body = [&] {
        if (control->WindowProc)
            control->WindowProc(m);
        else
            control->WndProc(m);
    };
    if (painting) {
        if (!CallSwallowing(body) && msg == WM_PAINT) ::ValidateRect(wnd, nullptr);  // no endless repaint
    } else {
        CallGuarded(body);
    }
    if (msg == WM_NCDESTROY) {
        // Late messages must not reach the object: the binding goes with the window.
        ::RemovePropW(wnd, BindingProperty());
        if (control->FHandle == wnd) control->FHandle = nullptr;
    }
    return m.Result;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    SetState(TComponentStateFlag::csDestroying, true);
    // Owned components (skinners, hosts) may unhook themselves from this control: they go while it is whole.
    DestroyComponents();
    // Children keep no pointer to a parent that is going away.
    for (TControl* c : FControls) c->FParent = nullptr;
    FControls.clear();
    FCaptureControl = nullptr;
    if (FHandle) {
        HWND wnd = FHandle;
        ::DestroyWindow(wnd);
        if (FHandle == wnd) {  // destroyed on another thread's behalf or refused: unbind anyway
            ::RemovePropW(wnd, BindingProperty());
            FHandle = nullptr;
        }
    }
    if (FParent) {
        FParent->RemoveControl(this);
        FParent = nullptr;
    }
}

TWinControl* TWinControl::FindControl(HWND wnd) noexcept {
    if (!wnd) return nullptr;
    return static_cast<TWinControl*>(::GetPropW(wnd, BindingProperty()));
}

HWND TWinControl::Handle() {
    if (!FHandle) {
        if (FParent) FParent->HandleNeeded();
        if (!FHandle) CreateWnd();  // the parent may have created ours along with its own
    }
    return FHandle;
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.Caption = FText;
    p.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (Visible()) p.Style |= WS_VISIBLE;
    if (!Enabled()) p.Style |= WS_DISABLED;
    if (FTabStop) p.Style |= WS_TABSTOP;
    p.X = FLeft;
    p.Y = FTop;
    p.Width = FWidth;
    p.Height = FHeight;
    if (FParent) {
        p.WndParent = FParent->Handle();
    }
    p.WinClassName = Utf8ToWide(ClassName());
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    if (!p.WndParent && (p.Style & WS_CHILD))
        throw EInvalidOperation("Control \"" + Name() + "\" has no parent window");
    const TClassEntry& cls = EnsureWindowClass(p.WinClassName, p.SysClassName, p.ClassStyle);
    FDefWndProc = cls.Original;
    gCreatingControl = this;
    HWND wnd = ::CreateWindowExW(p.ExStyle, cls.Registered.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                                 p.Height, p.WndParent, nullptr, ::GetModuleHandleW(nullptr), this);
    gCreatingControl = nullptr;
    if (!wnd) {
        FHandle = nullptr;
        throw EInvalidOperation("Cannot create the window of \"" + Name() + "\" (error " +
                                std::to_string(::GetLastError()) + ")");
    }
    FHandle = wnd;
    ::SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
    CreateHandleCompleted();
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->IsWindowed() && std::find(FControls.begin(), FControls.end(), c) != FControls.end())
            static_cast<TWinControl*>(c)->HandleNeeded();
    Realign();
}

void TWinControl::DestroyWnd() {
    if (!FHandle) return;
    HWND wnd = FHandle;
    ::DestroyWindow(wnd);
    if (FHandle == wnd) {
        ::RemovePropW(wnd, BindingProperty());
        FHandle = nullptr;
    }
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    // Child windows go with ours; their objects stay and make new windows on demand.
    DestroyWnd();
    for (TControl* c : FControls)
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->FHandle = nullptr;
}

bool TWinControl::HasGraphicChildren() const noexcept {
    for (TControl* c : FControls)
        if (!c->IsWindowed()) return true;
    return false;
}

void TWinControl::RecreateWnd() {
    if (!FHandle) return;
    DestroyHandle();
    HandleNeeded();
}

void TWinControl::InsertControl(TControl* control) {
    FControls.push_back(control);
    control->FParent = this;
    if (control->FParentFont) control->ParentFontChanged();
    if (control->FParentColor) control->ParentColorChanged();
    if (control->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(control);
        if (FHandle) {
            if (w->FHandle)
                ::SetParent(w->FHandle, FHandle);
            else
                w->HandleNeeded();
        }
    } else {
        control->Invalidate();
    }
    if (control->Align() != alNone && !control->HasState(TComponentStateFlag::csLoading)) Realign();
}

void TWinControl::RemoveControl(TControl* control) noexcept {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it == FControls.end()) return;
    if (!control->IsWindowed()) control->Invalidate();
    FControls.erase(it);
    if (FCaptureControl == control) FCaptureControl = nullptr;
    control->FParent = nullptr;
    if (control->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(control);
        // A window cannot live on without its parent window: it is destroyed (made again when re-parented).
        if (w->FHandle && !w->HasState(TComponentStateFlag::csDestroying)) w->DestroyHandle();
    }
    if (control->Align() != alNone && !HasState(TComponentStateFlag::csDestroying)) {
        CallSwallowing([&] { Realign(); });
    }
}

void TWinControl::Broadcast(TMessage& m) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
        m.Result = c->Perform(m.Msg, m.WParam, m.LParam);
        if (m.Result != 0) return;
    }
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() || !c->Visible() || (!c->Enabled() && !allowDisabled)) continue;
        if (PointIn(c->BoundsRect(), p)) return c;
    }
    return nullptr;
}

void TWinControl::SetTabOrder(int value) {
    FTabOrder = value;
    if (!FParent) return;
    // Keep the siblings' tab orders a permutation 0..n-1 with this one at `value` (clamped).
    std::vector<TWinControl*> siblings;
    for (TControl* c : FParent->FControls)
        if (c->IsWindowed() && c != this) siblings.push_back(static_cast<TWinControl*>(c));
    std::stable_sort(siblings.begin(), siblings.end(), [](TWinControl* a, TWinControl* b) {
        return (a->FTabOrder < 0 ? INT_MAX : a->FTabOrder) < (b->FTabOrder < 0 ? INT_MAX : b->FTabOrder);
    });
    const int pos = std::clamp(value, 0, static_cast<int>(siblings.size()));
    siblings.insert(siblings.begin() + pos, this);
    for (int i = 0; i < static_cast<int>(siblings.size()); ++i) siblings[static_cast<std::size_t>(i)]->FTabOrder = i;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
    std::vector<TWinControl*> children;
    for (TControl* c : FControls)
        if (c->IsWindowed()) children.push_back(static_cast<TWinControl*>(c));
    std::stable_sort(children.begin(), children.end(), [](TWinControl* a, TWinControl* b) {
        return (a->FTabOrder < 0 ? INT_MAX : a->FTabOrder) < (b->FTabOrder < 0 ? INT_MAX : b->FTabOrder);
    });
    for (TWinControl* c : children) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    const int n = static_cast<int>(list.size());
    int start = -1;
    if (current)
        for (int i = 0; i < n; ++i)
            if (list[static_cast<std::size_t>(i)] == current) start = i;
    if (start < 0) start = goForward ? n - 1 : 0;
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = goForward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = list[static_cast<std::size_t>(i)];
        if (c == current && step > 0) break;
        if ((!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this) && c->CanFocus()) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, false)) next->SetFocus();
}

bool TWinControl::CanFocus() {
    for (TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

bool TWinControl::Focused() const noexcept { return FHandle && ::GetFocus() == FHandle; }

void TWinControl::Invalidate() {
    if (FHandle) ::InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Update() {
    if (FHandle) ::UpdateWindow(FHandle);
}

RECT TWinControl::ClientRect() {
    RECT r{0, 0, FWidth, FHeight};
    if (FHandle) ::GetClientRect(FHandle, &r);
    return r;
}

void TWinControl::Realign() {
    if (FAlignLevel > 0) {
        FAlignPending = true;
        return;
    }
    if (FAligning) return;
    TFlagScope aligning(FAligning);
    RECT r = ClientRect();
    AlignControls(nullptr, r);
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0 && FAlignPending) {
        FAlignPending = false;
        Realign();
    }
}

void TWinControl::AlignControls(TControl*, RECT& rect) {
    auto take = [&](TAlign align) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->Align() == align && c->Visible()) list.push_back(c);
        // Among controls of one edge, the one nearest that edge goes first.
        std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
            switch (align) {
                case alTop:
                    return a->Top() < b->Top();
                case alBottom:
                    return a->Top() + a->Height() > b->Top() + b->Height();
                case alLeft:
                    return a->Left() < b->Left();
                case alRight:
                    return a->Left() + a->Width() > b->Left() + b->Width();
                default:
                    return false;
            }
        });
        for (TControl* c : list) {
            const int w = std::max<int>(rect.right - rect.left, 0), h = std::max<int>(rect.bottom - rect.top, 0);
            switch (align) {
                case alTop:
                    c->SetBounds(rect.left, rect.top, w, c->Height());
                    rect.top += c->Height();
                    break;
                case alBottom:
                    c->SetBounds(rect.left, rect.bottom - c->Height(), w, c->Height());
                    rect.bottom -= c->Height();
                    break;
                case alLeft:
                    c->SetBounds(rect.left, rect.top, c->Width(), h);
                    rect.left += c->Width();
                    break;
                case alRight:
                    c->SetBounds(rect.right - c->Width(), rect.top, c->Width(), h);
                    rect.right -= c->Width();
                    break;
                case alClient:
                    c->SetBounds(rect.left, rect.top, w, h);
                    break;
                default:
                    break;
            }
        }
    };
    take(alTop);
    take(alBottom);
    take(alLeft);
    take(alRight);
    take(alClient);
}

void TWinControl::BoundsChanged() {
    if (FHandle) ApplyBoundsToWindow();
}

void TWinControl::ApplyBoundsToWindow() {
    RECT cur{};
    ::GetWindowRect(FHandle, &cur);
    if (HWND parent = ::GetParent(FHandle); parent && (::GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD))
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&cur), 2);
    if (cur.left == FLeft && cur.top == FTop && cur.right - cur.left == FWidth && cur.bottom - cur.top == FHeight)
        return;
    ::SetWindowPos(FHandle, nullptr, FLeft, FTop, FWidth, FHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::FontChanged() {
    if (FHandle) {
        ::SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
        Invalidate();
    }
    TMessage m{CM_PARENTFONTCHANGED, 0, 0, 0};
    for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(m.Msg);
}

void TWinControl::ColorChanged() {
    Invalidate();
    for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTCOLORCHANGED);
}

void TWinControl::TextChanged() {
    if (FHandle) ::SetWindowTextW(FHandle, FText.c_str());
}

void TWinControl::EnabledChanged() {
    if (FHandle) ::EnableWindow(FHandle, Enabled());
}

void TWinControl::VisibleChanged() {
    if (FHandle) ::ShowWindow(FHandle, Visible() ? SW_SHOWNA : SW_HIDE);
}

HBRUSH TWinControl::BackgroundBrush() {
    const COLORREF rgb = ColorToRGB(Color(), clBtnFace);
    if (!FBrush || FBrushColor != rgb) {
        FBrush.Reset(::CreateSolidBrush(rgb));
        FBrushColor = rgb;
    }
    return FBrush.Get();
}

bool TWinControl::EraseBackground(HDC dc) {
    if (FDefWndProc) return false;  // a platform class erases for itself
    RECT r;
    ::GetClientRect(FHandle, &r);
    ::FillRect(dc, &r, BackgroundBrush());
    return true;
}

void TWinControl::PaintWindow(HDC dc) { PaintControls(dc); }

void TWinControl::PaintHandler(TMessage& m) {
    if (m.WParam) {
        PaintWindow(reinterpret_cast<HDC>(m.WParam));
        return;
    }
    TPaintScope paint(FHandle);
    if (paint.DC()) PaintWindow(paint.DC());
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    RECT clip{};
    if (::GetClipBox(dc, &clip) == ERROR) return;
    auto it = FControls.begin();
    if (first) it = std::find(FControls.begin(), FControls.end(), first);
    for (; it != FControls.end(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() || !c->Visible()) continue;
        RECT r = c->BoundsRect(), hit{};
        if (!::IntersectRect(&hit, &r, &clip)) continue;
        TSaveDCGuard save(dc);
        ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        ::OffsetViewportOrgEx(dc, r.left, r.top, nullptr);
        CallSwallowing([&] { c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0); });
    }
}

void TWinControl::UpdateMouseControl(POINT p) {
    TControl* target = ControlAtPos(p);
    if (!target) target = this;
    SetMouseControl(target);
    if (!FTrackingLeave && FHandle) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, FHandle, 0};
        FTrackingLeave = ::TrackMouseEvent(&tme) != FALSE;
    }
}

void TWinControl::MouseMessage(TMessage& m) {
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    if (m.Msg == WM_MOUSEMOVE) UpdateMouseControl(p);
    TControl* target = FCaptureControl;
    if (!target) target = ControlAtPos(p);
    if (target && target->Parent() == this) {
        const bool down =
            m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK;
        const bool up = m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP;
        if (down) {
            FCaptureControl = target;
            ::SetCapture(FHandle);
        }
        if (up && FCaptureControl) {
            FCaptureControl = nullptr;
            if (::GetCapture() == FHandle) ::ReleaseCapture();
        }
        const LPARAM lp = MAKELPARAM(p.x - target->Left(), p.y - target->Top());
        m.Result = target->Perform(m.Msg, m.WParam, lp);
        return;
    }
    TControl::WndProc(m);
}

bool TWinControl::ContextMenu(HWND, POINT screen) {
    const bool fromKeyboard = screen.x == -1 && screen.y == -1;
    TControl* target = this;
    if (!fromKeyboard) {
        POINT client = screen;
        ::ScreenToClient(FHandle, &client);
        if (TControl* child = ControlAtPos(client); child && child->PopupMenu()) target = child;
    }
    TPopupMenu* menu = target->PopupMenu();
    if (!menu || !menu->AutoPopup()) return false;
    if (fromKeyboard) {
        // From the keyboard the menu opens at the control's top-left corner, inside it.
        screen = POINT{0, 0};
        ::ClientToScreen(FHandle, &screen);
    }
    menu->SetPopupComponent(target);
    menu->Popup(screen.x, screen.y);
    return true;
}

bool TWinControl::DoKeyDown(WORD& key, TShiftState shift) {
    KeyDown(key, shift);
    return key != 0;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(wchar_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
    if (TForm* form = GetParentForm(this)) form->FocusChanged(this);
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_PAINT:
            if (FDefWndProc) {
                if (m.WParam || !HasGraphicChildren()) break;
                // A platform control holding windowless controls (a group box with tool buttons, a tab control
                // with labels): it paints into our paint DC, then they paint over it.
                TPaintScope paint(FHandle);
                if (paint.DC()) {
                    ::CallWindowProcW(FDefWndProc, FHandle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(paint.DC()),
                                      PRF_CLIENT);
                    PaintControls(paint.DC());
                }
                m.Result = 0;
                return;
            }
            PaintHandler(m);
            return;
        case WM_PRINTCLIENT:
            if (FDefWndProc) break;
            EraseBackground(reinterpret_cast<HDC>(m.WParam));
            PaintWindow(reinterpret_cast<HDC>(m.WParam));
            return;
        case WM_ERASEBKGND:
            if (EraseBackground(reinterpret_cast<HDC>(m.WParam))) {
                m.Result = 1;
                return;
            }
            break;
        case WM_WINDOWPOSCHANGED: {
            DefaultHandler(m);
            const auto* wp = reinterpret_cast<const WINDOWPOS*>(m.LParam);
            if (!(wp->flags & SWP_NOSIZE) || !(wp->flags & SWP_NOMOVE)) {
                RECT r{};
                ::GetWindowRect(FHandle, &r);
                if (HWND parent = ::GetParent(FHandle); parent && (::GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD))
                    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
                const bool resized = r.right - r.left != FWidth || r.bottom - r.top != FHeight;
                FLeft = r.left;
                FTop = r.top;
                FWidth = r.right - r.left;
                FHeight = r.bottom - r.top;
                if (resized) {
                    Realign();
                    Resize();
                }
            }
            return;
        }
        case WM_SIZE:
            DefaultHandler(m);
            Realign();
            return;
        case WM_SETFOCUS:
            DefaultHandler(m);
            DoEnter();
            return;
        case WM_KILLFOCUS:
            DefaultHandler(m);
            DoExit();
            return;
        case WM_MOUSELEAVE:
            FTrackingLeave = false;
            if (gMouseControl == this ||
                (gMouseControl && gMouseControl->Parent() == this && !gMouseControl->IsWindowed()))
                SetMouseControl(nullptr);
            DefaultHandler(m);
            return;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(m.WParam) == FHandle && LOWORD(m.LParam) == HTCLIENT) {
                POINT p;
                ::GetCursorPos(&p);
                ::ScreenToClient(FHandle, &p);
                TControl* c = ControlAtPos(p);
                if (!c) c = this;
                if (c->Cursor() != crDefault) {
                    ::SetCursor(CursorHandle(c->Cursor()));
                    m.Result = 1;
                    return;
                }
            }
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            WORD key = static_cast<WORD>(m.WParam);
            if (!DoKeyDown(key, KeyboardShiftState())) return;
            m.WParam = key;
            break;
        }
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            WORD key = static_cast<WORD>(m.WParam);
            KeyUp(key, KeyboardShiftState());
            if (key == 0) return;
            m.WParam = key;
            if (m.Msg == WM_KEYUP && key == VK_APPS) {
                // Platform quirk: not every platform turns the context-menu key into WM_CONTEXTMENU; we do it
                // ourselves, once, and keep the key from the default procedure so it cannot happen twice.
                m.Result = 0;
                ::SendMessageW(FHandle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(FHandle), MAKELPARAM(-1, -1));
                return;
            }
            break;
        }
        case WM_CONTEXTMENU:
            if (ContextMenu(reinterpret_cast<HWND>(m.WParam), POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)})) {
                m.Result = 1;
                return;
            }
            break;
        case WM_CHAR: {
            wchar_t ch = static_cast<wchar_t>(m.WParam);
            KeyPress(ch);
            if (ch == 0) return;
            m.WParam = ch;
            break;
        }
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM: {
            HWND from = nullptr;
            if (m.Msg == WM_COMMAND)
                from = reinterpret_cast<HWND>(m.LParam);
            else if (m.Msg == WM_NOTIFY)
                from = reinterpret_cast<const NMHDR*>(m.LParam)->hwndFrom;
            else
                from = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)->hwndItem;
            if (TWinControl* child = FindControl(from); child && child != this) {
                m.Result = child->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
                return;
            }
            break;
        }
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            // From a child control (scroll bars, track bars and up-downs scroll; platform controls ask for their
            // colours): its own object answers. lParam 0 is this window's own scroll bar. Scroll bars keep the
            // platform's own track brush.
            if (TWinControl* child = FindControl(reinterpret_cast<HWND>(m.LParam)); child && child != this) {
                m.Result = child->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
                return;
            }
            break;
        case CN_BASE + WM_CTLCOLOREDIT:
        case CN_BASE + WM_CTLCOLORLISTBOX:
        case CN_BASE + WM_CTLCOLORBTN:
        case CN_BASE + WM_CTLCOLORSTATIC: {
            // A platform control paints with our colour and font colour.
            HDC dc = reinterpret_cast<HDC>(m.WParam);
            ::SetTextColor(dc, ColorToRGB(Font().Color(), clWindowText));
            ::SetBkColor(dc, ColorToRGB(Color(), clBtnFace));
            m.Result = reinterpret_cast<LRESULT>(BackgroundBrush());
            return;
        }
        case WM_SETTEXT:
            // Text set from outside (SetWindowTextW by a host or skinner) is the control's text too.
            DefaultHandler(m);
            if (m.Result && m.LParam) FText = reinterpret_cast<const wchar_t*>(m.LParam);
            return;
        case CM_CURSORCHANGED:
            return;
        default:
            if (IsMouseMessage(m.Msg) && FHandle) {
                MouseMessage(m);
                DefaultHandler(m);
                return;
            }
            break;
    }
    TControl::WndProc(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (m.Msg >= CM_BASE && m.Msg < CM_BASE + 0x1000) {
        m.Result = 0;  // framework messages never reach the platform
        return;
    }
    if (FHandle) DefWndProc(m);
}

void TWinControl::DefWndProc(TMessage& m) {
    m.Result = FDefWndProc ? ::CallWindowProcW(FDefWndProc, FHandle, m.Msg, m.WParam, m.LParam)
                           : ::DefWindowProcW(FHandle, m.Msg, m.WParam, m.LParam);
}

// ---------------------------------------------------------------------------------------------------------------
// TRangeControl

void TRangeControl::SetMin(int value) {
    FMin = value;
    if (FMax < FMin) FMax = FMin;
    FPosition = std::clamp(FPosition, FMin, FMax);
    RangeChanged();
}

void TRangeControl::SetMax(int value) {
    FMax = value;
    if (FMin > FMax) FMin = FMax;
    FPosition = std::clamp(FPosition, FMin, FMax);
    RangeChanged();
}

// ---------------------------------------------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

bool TCustomControl::EraseBackground(HDC dc) {
    if (DoubleBuffered) return true;  // the paint covers every pixel
    return TWinControl::EraseBackground(dc);
}

void TCustomControl::PaintWindow(HDC dc) {
    RECT client{};
    ::GetClientRect(FHandle, &client);
    const int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0) return;
    auto paintOn = [&](HDC target) {
        TCanvas& canvas = *FCanvas;
        const TCanvasHandleScope lent(canvas, target);
        canvas.Font().Assign(Font());
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        if (DoubleBuffered) canvas.FillRect(client);
        Paint();
    };
    if (!DoubleBuffered) {
        paintOn(dc);
        PaintControls(dc);
        return;
    }
    TMemoryDC mem(dc);
    TBitmapHandle bmp = CreateCompatibleBitmapOf(dc, w, h);
    if (!mem || !bmp) {  // out of resources: paint directly rather than not at all
        paintOn(dc);
        PaintControls(dc);
        return;
    }
    {
        TSelectGuard sel(mem, bmp.Get());
        // The buffer sees the same clip as the target so graphic children skip what is not invalid.
        RECT clip{};
        if (::GetClipBox(dc, &clip) != ERROR) ::IntersectClipRect(mem, clip.left, clip.top, clip.right, clip.bottom);
        paintOn(mem);
        PaintControls(mem);
        ::SelectClipRgn(mem, nullptr);
        ::BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    }
}

}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Published properties

#include "framework/Properties.h"

namespace qd {

const TIdentTable& AlignmentIdents() {
    static const TIdentTable table{TIdentValue{"taLeftJustify", static_cast<int>(taLeftJustify)},
                                   TIdentValue{"taRightJustify", static_cast<int>(taRightJustify)},
                                   TIdentValue{"taCenter", static_cast<int>(taCenter)}};
    return table;
}

namespace {
TIdentTable AlignIdents() { return {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}; }
TIdentTable CursorIdents() {
    return {TIdentValue{"crDefault", crDefault},     TIdentValue{"crNone", crNone},
            TIdentValue{"crArrow", crArrow},         TIdentValue{"crCross", crCross},
            TIdentValue{"crIBeam", crIBeam},         TIdentValue{"crSizeNESW", crSizeNESW},
            TIdentValue{"crSizeNS", crSizeNS},       TIdentValue{"crSizeNWSE", crSizeNWSE},
            TIdentValue{"crSizeWE", crSizeWE},       TIdentValue{"crUpArrow", crUpArrow},
            TIdentValue{"crHourGlass", crHourGlass}, TIdentValue{"crNo", crNo},
            TIdentValue{"crAppStart", crAppStart},   TIdentValue{"crHelp", crHelp},
            TIdentValue{"crHandPoint", crHandPoint}, TIdentValue{"crSizeAll", crSizeAll}};
}
}  // namespace

const TClassInfo& TControl::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TControl>("TControl", &TComponent::StaticClassInfo())
                                       .Int("Left", &TControl::Left, &TControl::SetLeft)
                                       .Int("Top", &TControl::Top, &TControl::SetTop)
                                       .Int("Width", &TControl::Width, &TControl::SetWidth)
                                       .Int("Height", &TControl::Height, &TControl::SetHeight)
                                       .Int("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth)
                                       .Int("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight)
                                       .Enum("Align", &TControl::Align, &TControl::SetAlign, AlignIdents())
                                       .WStr("Caption", &TControl::Caption, &TControl::SetCaption)
                                       .Color("Color", &TControl::Color, &TControl::SetColor)
                                       .Object("Font", &TControl::Font)
                                       .Bool("ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
                                       .Bool("ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
                                       .Bool("Visible", &TControl::Visible, &TControl::SetVisible)
                                       .Bool("Enabled", &TControl::Enabled, &TControl::SetEnabled)
                                       .Enum("Cursor", &TControl::Cursor, &TControl::SetCursor, CursorIdents())
                                       .Component("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
                                       .Event("OnClick", &TControl::OnClick)
                                       .Event("OnDblClick", &TControl::OnDblClick)
                                       .Event("OnMouseEnter", &TControl::OnMouseEnter)
                                       .Event("OnMouseLeave", &TControl::OnMouseLeave)
                                       .Event("OnMouseDown", &TControl::OnMouseDown)
                                       .Event("OnMouseUp", &TControl::OnMouseUp)
                                       .Event("OnMouseMove", &TControl::OnMouseMove)
                                       .Event("OnResize", &TControl::OnResize);
    return info;
}

const TClassInfo& TGraphicControl::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TGraphicControl>("TGraphicControl", &TControl::StaticClassInfo());
    return info;
}

const TClassInfo& TWinControl::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TWinControl>("TWinControl", &TControl::StaticClassInfo())
                                       .Int("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
                                       .Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop)
                                       .Event("OnKeyDown", &TWinControl::OnKeyDown)
                                       .Event("OnKeyUp", &TWinControl::OnKeyUp)
                                       .Event("OnKeyPress", &TWinControl::OnKeyPress)
                                       .Event("OnEnter", &TWinControl::OnEnter)
                                       .Event("OnExit", &TWinControl::OnExit);
    return info;
}

const TClassInfo& TCustomControl::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TCustomControl>("TCustomControl", &TWinControl::StaticClassInfo());
    return info;
}

}  // namespace qd
