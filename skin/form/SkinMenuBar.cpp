#include "skin/form/SkinMenuBar.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "framework/CallbackEdge.h"
#include "framework/Menus.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinMenuItems.h"

namespace qd {

namespace {

constexpr int MenuBarFrames = 2;  // active, inactive; stacked
constexpr int CaptionPadding = 10;
constexpr int NarrowBandFirstX = 12;

void FrameRect(HDC dc, const RECT& r, COLORREF color) {
    TBrushHandle brush(::CreateSolidBrush(color));
    ::FrameRect(dc, &r, brush.Get());
}

}  // namespace

// The one drop-down of a band that can be tracked at a time (the menu loop is modal, on the GUI thread).
struct TSkinMenuBar::TTracking {
    TSkinMenuBar* Bar = nullptr;
    HHOOK FilterHook = nullptr;
    int CurrentIndex = -1;
    HMENU TrackedMenu = nullptr;
    // The drop-down whose item already ran its click: its WM_INITMENUPOPUP must not click it again.
    HMENU ClickedMenu = nullptr;
    int PendingIndex = -1;  // the button to open once the current drop-down has closed
    bool PendingByKeyboard = false;
    bool FirstMessageSeen = false;
    bool SelectFirst = false;
    bool Cancelled = false;
    POINT LastCursor{};
    // The item last highlighted (WM_MENUSELECT): its menu and flags; no menu when none.
    HMENU SelectedMenu = nullptr;
    UINT SelectedFlags = 0;
};

namespace {
TSkinMenuBar::TTracking* gTracking = nullptr;
}  // namespace

TSkinMenuBar::TSkinMenuBar(HWND wnd, const TSkinData& skin, ISkinMenuBarOwner* owner)
    : FWnd(wnd), FSkin(&skin), FOwner(owner), FFont(CreateMenuFont()) {}

TSkinMenuBar::~TSkinMenuBar() = default;

bool TSkinMenuBar::Tracking() const noexcept { return gTracking && gTracking->Bar == this; }

bool TSkinMenuBar::AnyTracking() noexcept { return gTracking != nullptr; }

void TSkinMenuBar::CancelTracking() noexcept {
    if (!Tracking()) return;
    gTracking->Cancelled = true;
    gTracking->PendingIndex = -1;
    ::EndMenu();
}

bool TSkinMenuBar::RightToLeft() const noexcept { return FMenu && FMenu->IsRightToLeft(); }

// ---------------------------------------------------------------------------------------------------------------
// Building

bool TSkinMenuBar::TakeMenu(HMENU native) {
    if (native) FMenuHandle = native;
    if (!FMenuHandle) return false;
    if (::GetMenu(FWnd)) ::SetMenu(FWnd, nullptr);
    return true;
}

bool TSkinMenuBar::BuildFromMenu(TMainMenu* menu) {
    if (!menu) return BuildMerged(nullptr);
    if (!TakeMenu(::GetMenu(FWnd))) {
        // A form whose menu is not on the window yet still shows it.
        FMenuHandle = menu->Handle();
    }
    FMenu = menu;
    FButtons.clear();
    FHot = -1;
    TMenuItem& items = menu->Items();
    for (int i = 0; i < items.Count(); ++i) {
        TMenuItem* item = items.Items(i);
        TMenuBtn b;
        b.Index = i;
        b.Visible = item->Visible();
        b.Enabled = item->Enabled();
        b.Command = item->Command();
        b.Caption = item->Caption();
        b.MenuItem = item;
        b.SubMenu = item->Count() > 0 ? item->Handle() : nullptr;
        FButtons.push_back(std::move(b));
    }
    return true;
}

void TSkinMenuBar::AddNative(HMENU native, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
    TMenuBtn b;
    b.Index = position;
    if (::GetMenuItemInfoW(native, static_cast<UINT>(position), TRUE, &info)) {
        b.SubMenu = info.hSubMenu;
        b.Enabled = (info.fState & (MFS_GRAYED | MFS_DISABLED)) == 0;
        // An item with a drop-down has no command: its identifier is the drop-down's handle.
        b.Command = info.hSubMenu ? 0 : info.wID;
        if (!(info.fType & MFT_SEPARATOR)) b.Caption = MenuItemText(native, static_cast<UINT>(position));
    }
    FButtons.push_back(std::move(b));
}

void TSkinMenuBar::CompleteFromItem(TMenuBtn& b, TMenuItem* item, HMENU native, int position) {
    b.MenuItem = item;
    b.Caption = item->Caption();
    b.Enabled = item->Enabled();
    b.Visible = item->Visible();
    b.SubMenu = item->Count() > 0 ? item->Handle() : nullptr;
    const UINT id = ::GetMenuItemID(native, position);
    b.Command = id == static_cast<UINT>(-1) ? item->Command() : id;
}

bool TSkinMenuBar::ListNative(HMENU native, TMainMenu* menu) {
    if (!TakeMenu(native)) return false;
    FMenu = menu;
    FButtons.clear();
    FHot = -1;
    const int count = ::GetMenuItemCount(FMenuHandle);
    for (int pos = 0; pos < count; ++pos) AddNative(FMenuHandle, pos);
    return true;
}

bool TSkinMenuBar::BuildMerged(TMainMenu* menu) {
    if (!ListNative(::GetMenu(FWnd), menu)) return false;
    const int count = menu ? std::min(static_cast<int>(FButtons.size()), menu->Items().Count()) : 0;
    for (int pos = 0; pos < count; ++pos)
        if (FButtons[pos].Caption.empty()) CompleteFromItem(FButtons[pos], menu->Items().Items(pos), FMenuHandle, pos);
    return true;
}

bool TSkinMenuBar::BuildByCommand(HMENU native, TMainMenu* menu) {
    if (!ListNative(native, menu)) return false;
    if (!menu) return true;
    for (int pos = 0; pos < static_cast<int>(FButtons.size()); ++pos) {
        TMenuBtn& b = FButtons[pos];
        // A framework item shown under another menu: same drop-down handle, or same command.
        for (int i = 0; i < menu->Items().Count(); ++i) {
            TMenuItem* item = menu->Items().Items(i);
            const bool sameDropDown = b.SubMenu && item->HandleAllocated() && item->Handle() == b.SubMenu;
            if (sameDropDown || (b.Command && item->Command() == b.Command)) {
                b.MenuItem = item;
                if (b.Caption.empty()) CompleteFromItem(b, item, FMenuHandle, pos);
                break;
            }
        }
    }
    return true;
}

void TSkinMenuBar::GiveBack() {
    CancelTracking();
    HMENU menu = FMenuHandle;
    // The framework menu may have been given a new handle since the band was built.
    if (FMenu) menu = FMenu->Handle();
    if (menu && ::IsWindow(FWnd) && ::IsMenu(menu)) ::SetMenu(FWnd, menu);
    FButtons.clear();
    FHot = -1;
}

bool TSkinMenuBar::OwnsItem(const TMenuItem* item) const noexcept {
    return item && FMenu && FMenu->Items().IndexOf(item) >= 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Painting

void TSkinMenuBar::Paint(HDC dc, const RECT& band, bool active) {
    FBarRect = band;
    FActive = active;
    const int w = band.right - band.left, h = band.bottom - band.top;
    if (w <= 0 || h <= 0) return;
    TOffscreen mem(dc, w, h);
    if (!mem) return;
    const RECT local{0, 0, w, h};
    const TDataSkinObject* bar = FSkin->MenuBar.get();
    int firstX = 6;
    if (bar && !bar->Bitmap.Empty()) {
        const int frame = active ? 1 : 2;
        const TSliceMargins caps{bar->LeftWidth, 0, bar->RightWidth, 0};
        if (bar->Tile == 1)
            DrawNineSlice(mem, local, bar->Bitmap.Handle(), caps, frame, MenuBarFrames, false, false, true);
        else
            DrawThreeSlice(mem, local, bar->Bitmap.Handle(), caps, frame, MenuBarFrames, false, true);
        firstX = RightToLeft() ? bar->RightWidth + 8 : bar->LeftWidth + 4;
        if (firstX > w) firstX = NarrowBandFirstX;
    } else {
        TBrushHandle brush(::CreateSolidBrush(SkinColorToRGB(FSkin->MenuBarColor)));
        ::FillRect(mem, &local, brush.Get());
    }

    // Layout: captions side by side from the first x (leftwards for a right-to-left menu).
    {
        TSelectGuard font(mem, MenuFont());
        int x = RightToLeft() ? w - firstX : firstX;
        for (TMenuBtn& b : FButtons) {
            if (!b.Visible) {
                b.Rect = RECT{};
                continue;
            }
            RECT r{0, 0, 0, 0};
            if (!b.Caption.empty()) DrawTextWide(mem, b.Caption, r, DT_CALCRECT | DT_SINGLELINE | DT_NOCLIP);
            int width = r.right - r.left;
            if (width > 0) width += CaptionPadding;
            const int left = RightToLeft() ? x - width : x;
            b.Rect = RECT{band.left + left, band.top, band.left + left + width, band.bottom - 1};
            x = RightToLeft() ? x - width : x + width;
        }
    }
    PaintButtons(mem, band.left, band.top);
    ::BitBlt(dc, band.left, band.top, w, h, mem, 0, 0, SRCCOPY);
}

void TSkinMenuBar::PaintButtons(HDC dc, int originX, int originY) {
    TSelectGuard font(dc, MenuFont());
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    for (const TMenuBtn& b : FButtons) {
        if (!b.Visible || b.Rect.right <= b.Rect.left) continue;
        RECT r = b.Rect;
        ::OffsetRect(&r, -originX, -originY);
        if (b.State == 3) FrameRect(dc, r, SkinColorToRGB(FSkin->ButtonHilightColor));
        if (b.State == 2) FrameRect(dc, r, SkinColorToRGB(FSkin->ButtonShadowColor));
        ::SetTextColor(dc, SkinColorToRGB(b.Enabled ? FSkin->MenuBarTextColor : FSkin->ButtonShadowColor));
        DrawTextWide(dc, b.Caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    ::SetBkMode(dc, oldMode);
}

void TSkinMenuBar::Repaint() {
    if (!::IsWindow(FWnd) || FBarRect.right <= FBarRect.left || (gTracking && gTracking->Cancelled && Tracking()))
        return;
    TWindowDC dc(FWnd, TWindowDC::TArea::Window);
    if (!dc) return;
    Paint(dc.Get(), FBarRect, FActive);
    if (FOwner) FOwner->PaintBandOverlay(dc.Get());
}

void TSkinMenuBar::SetButtonState(int index, int state) {
    if (index < 0 || index >= Count() || FButtons[static_cast<std::size_t>(index)].State == state) return;
    FButtons[static_cast<std::size_t>(index)].State = state;
    Repaint();
}

// ---------------------------------------------------------------------------------------------------------------
// Finding buttons

TMenuBtn* TSkinMenuBar::MenuButtonAt(POINT p) {
    for (TMenuBtn& b : FButtons)
        if (b.Hittable() && ::PtInRect(&b.Rect, p)) return &b;
    return nullptr;
}

TMenuBtn* TSkinMenuBar::FindAccelButton(wchar_t key) {
    if (!key) return nullptr;
    for (TMenuBtn& b : FButtons)
        if (b.Enabled && b.Visible && IsAccel(key, b.Caption)) return &b;
    return nullptr;
}

int TSkinMenuBar::NeighbourButton(int from, int step) const {
    const int n = Count();
    if (n == 0) return -1;
    int i = from;
    for (int k = 0; k < n; ++k) {
        i = ((i + step) % n + n) % n;
        if (FButtons[static_cast<std::size_t>(i)].Hittable()) return i;
    }
    return -1;
}

int TSkinMenuBar::FirstButton() const {
    for (const TMenuBtn& b : FButtons)
        if (b.Hittable() && b.Enabled) return b.Index;
    return -1;
}

void TSkinMenuBar::MouseMove(POINT p) {
    if (Tracking()) return;
    TMenuBtn* b = MenuButtonAt(p);
    const int index = b ? b->Index : -1;
    if (index == FHot) return;
    MouseLeave();
    if (!b || !b->Enabled) return;
    FHot = index;
    SetButtonState(index, 3);
}

void TSkinMenuBar::MouseLeave() {
    if (FHot < 0) return;
    const int hot = std::exchange(FHot, -1);
    SetButtonState(hot, 1);
}

// ---------------------------------------------------------------------------------------------------------------
// Tracking

namespace {

LRESULT CALLBACK MenuFilterProc(int code, WPARAM wParam, LPARAM lParam);

// Installs the filter hook for one run of the band's menu loop and takes it, and every piece of the tracking
// state, down again however the run ends.
class TTrackingScope {
public:
    TTrackingScope(TSkinMenuBar::TTracking& state, TSkinMenuBar* bar) : FPrevious(gTracking) {
        state = TSkinMenuBar::TTracking{};
        state.Bar = bar;
        state.FilterHook = ::SetWindowsHookExW(WH_MSGFILTER, MenuFilterProc, nullptr, ::GetCurrentThreadId());
        gTracking = &state;
        FState = &state;
    }
    ~TTrackingScope() {
        if (FState->FilterHook) ::UnhookWindowsHookEx(FState->FilterHook);
        *FState = TSkinMenuBar::TTracking{};
        gTracking = FPrevious;
    }
    TTrackingScope(const TTrackingScope&) = delete;
    TTrackingScope& operator=(const TTrackingScope&) = delete;

private:
    TSkinMenuBar::TTracking* FState = nullptr;
    TSkinMenuBar::TTracking* FPrevious;
};

}  // namespace

bool TSkinMenuBar::PopupMenuButton(int index, bool byKeyboard) {
    // The menu loop is modal: a second band (or this one again) never starts inside it.
    if (gTracking || !::IsWindow(FWnd)) return false;
    MouseLeave();
    TTracking state;
    TTrackingScope scope(state, this);
    bool opened = false;
    int next = index;
    bool keyboard = byKeyboard;
    while (next >= 0 && !state.Cancelled) {
        state.PendingIndex = -1;
        opened = OpenButton(next, keyboard) || opened;
        next = state.PendingIndex;
        keyboard = state.PendingByKeyboard;
    }
    return opened;
}

bool TSkinMenuBar::OpenButton(int index, bool byKeyboard) {
    if (index < 0 || index >= Count()) return false;
    const TMenuBtn clicked = FButtons[static_cast<std::size_t>(index)];
    if (!clicked.Enabled || !clicked.Visible) return false;
    TTracking& state = *gTracking;
    if (clicked.MenuItem) {
        if (!OwnsItem(clicked.MenuItem)) return false;
        // The item's click first: it may rebuild its children before the drop-down is measured.
        ::SendMessageW(FWnd, WM_COMMAND, MAKEWPARAM(clicked.Command, 0), 0);
    } else if (!clicked.SubMenu) {
        // A command on the bar itself.
        if (clicked.Command) ::PostMessageW(FWnd, WM_COMMAND, MAKEWPARAM(clicked.Command, 0), 0);
        return false;
    }
    if (state.Cancelled || !::IsWindow(FWnd) || index >= Count()) return false;

    // The item as it is now.
    TMenuBtn& button = FButtons[static_cast<std::size_t>(index)];
    HMENU dropDown = nullptr;
    if (button.MenuItem) {
        if (!OwnsItem(button.MenuItem) || button.MenuItem->Count() == 0) return false;
        TidySeparators(*button.MenuItem);
        dropDown = button.MenuItem->Handle();
        state.ClickedMenu = dropDown;
    } else {
        dropDown = ::GetSubMenu(FMenuHandle, index);
        state.ClickedMenu = nullptr;
    }
    if (!dropDown || !button.Enabled) return false;

    state.CurrentIndex = index;
    state.TrackedMenu = dropDown;
    state.FirstMessageSeen = false;
    state.SelectFirst = byKeyboard;
    state.SelectedMenu = nullptr;
    state.SelectedFlags = 0;
    ::GetCursorPos(&state.LastCursor);
    SetButtonState(index, 2);

    RECT wr{};
    ::GetWindowRect(FWnd, &wr);
    RECT screen = button.Rect;
    ::OffsetRect(&screen, wr.left, wr.top);
    TPMPARAMS params{};
    params.cbSize = sizeof(params);
    params.rcExclude = screen;
    const UINT align = RightToLeft() ? TPM_RIGHTALIGN | TPM_LAYOUTRTL : TPM_LEFTALIGN;
    UINT command = 0;
    {
        struct TClosed {
            TSkinMenuBar* Bar;
            ~TClosed() {
                if (Bar->FOwner) Bar->FOwner->DropDownClosed();
            }
        } closed{this};
        if (FOwner) FOwner->DropDownOpening(dropDown);
        command = static_cast<UINT>(
            ::TrackPopupMenuEx(dropDown, align | TPM_TOPALIGN | TPM_VERTICAL | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                               RightToLeft() ? screen.right : screen.left, screen.bottom, FWnd, &params));
    }
    state.TrackedMenu = nullptr;
    state.ClickedMenu = nullptr;
    state.CurrentIndex = -1;
    if (state.Cancelled || !::IsWindow(FWnd)) return true;
    SetButtonState(index, 1);
    if (command) ::PostMessageW(FWnd, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    if (state.PendingIndex < 0) {
        // A click on the open button's own caption closed the menu: it must not open it again.
        MSG m;
        if (::PeekMessageW(&m, FWnd, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_NOREMOVE)) {
            const POINT p{static_cast<short>(LOWORD(m.lParam)) - wr.left,
                          static_cast<short>(HIWORD(m.lParam)) - wr.top};
            if (index < Count() && ::PtInRect(&FButtons[static_cast<std::size_t>(index)].Rect, p))
                ::PeekMessageW(&m, FWnd, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE);
        }
    }
    return true;
}

bool TSkinMenuBar::SwallowInitPopup(HMENU menu) noexcept { return gTracking && menu && gTracking->ClickedMenu == menu; }

void TSkinMenuBar::MenuSelect(WPARAM wParam, LPARAM lParam) noexcept {
    if (!gTracking) return;
    const UINT flags = HIWORD(wParam);
    const HMENU menu = reinterpret_cast<HMENU>(lParam);
    if (flags == 0xFFFF && !menu) {
        gTracking->SelectedMenu = nullptr;
        gTracking->SelectedFlags = 0;
        return;
    }
    gTracking->SelectedMenu = menu;
    gTracking->SelectedFlags = flags;
}

namespace {

void SwitchTo(TSkinMenuBar::TTracking& state, int target, bool byKeyboard) {
    if (target < 0 || target == state.CurrentIndex || state.PendingIndex >= 0 || state.Cancelled) return;
    state.PendingIndex = target;
    state.PendingByKeyboard = byKeyboard;
    // The open drop-down closes; the target opens once tracking has returned.
    ::EndMenu();
}

// The next button the arrow keys reach: hittable and enabled.
int EnabledNeighbour(const TSkinMenuBar& bar, int from, int step) {
    int i = from;
    for (int k = 0; k < bar.Count(); ++k) {
        i = bar.NeighbourButton(i, step);
        if (i < 0) return -1;
        if (bar.Buttons()[static_cast<std::size_t>(i)].Enabled) return i;
    }
    return -1;
}

// The visible menu window of this thread on top, or null.
HWND TopMenuWindow() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wstring_view(cls) != L"#32768" || !::IsWindowVisible(w)) return TRUE;
            *reinterpret_cast<HWND*>(lp) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void FilterMessage(TSkinMenuBar::TTracking& state, const MSG& msg) {
    TSkinMenuBar& bar = *state.Bar;
    if (!state.FirstMessageSeen) {
        state.FirstMessageSeen = true;
        // Opened from the keyboard: the first item is selected, as in a platform menu bar.
        if (state.SelectFirst) {
            HWND menu = TopMenuWindow();
            ::PostMessageW(menu ? menu : bar.Window(), WM_KEYDOWN, VK_DOWN, 0);
        }
    }
    switch (msg.message) {
        case WM_KEYDOWN: {
            WPARAM key = msg.wParam;
            if (bar.RightToLeft() && (key == VK_LEFT || key == VK_RIGHT)) key = key == VK_LEFT ? VK_RIGHT : VK_LEFT;
            const bool inTopLevel = !state.SelectedMenu || state.SelectedMenu == state.TrackedMenu;
            const bool onSubMenuItem = state.SelectedMenu && (state.SelectedFlags & MF_POPUP);
            if (key == VK_LEFT && inTopLevel)
                SwitchTo(state, EnabledNeighbour(bar, state.CurrentIndex, -1), true);
            else if (key == VK_RIGHT && !onSubMenuItem)
                SwitchTo(state, EnabledNeighbour(bar, state.CurrentIndex, 1), true);
            break;
        }
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE: {
            if (msg.pt.x == state.LastCursor.x && msg.pt.y == state.LastCursor.y) break;
            state.LastCursor = msg.pt;
            RECT wr{};
            ::GetWindowRect(bar.Window(), &wr);
            if (TMenuBtn* target = bar.MenuButtonAt(POINT{msg.pt.x - wr.left, msg.pt.y - wr.top}))
                if (target->Enabled) SwitchTo(state, target->Index, false);
            break;
        }
        default:
            break;
    }
}

LRESULT CALLBACK MenuFilterProc(int code, WPARAM wParam, LPARAM lParam) {
    TSkinMenuBar::TTracking* state = gTracking;
    const LRESULT next = ::CallNextHookEx(state ? state->FilterHook : nullptr, code, wParam, lParam);
    if (next || code != MSGF_MENU || !state || !state->Bar || !lParam) return next;
    CallSwallowing([&] { FilterMessage(*state, *reinterpret_cast<const MSG*>(lParam)); });
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Separators

void TidySeparators(TMenuItem& parent) {
    const int count = parent.Count();
    auto item = [&](int i) { return parent.Items(i); };
    // Leading separators go.
    int i = 0;
    for (; i < count; ++i) {
        TMenuItem* it = item(i);
        if (!it->IsLine() && it->Visible()) break;
        if (it->IsLine() && it->Visible()) it->SetVisible(false);
    }
    // Of every run of separators only the last stays, and only when something visible follows it.
    TMenuItem* pending = nullptr;
    int lastVisible = i;
    for (; i < count; ++i) {
        TMenuItem* it = item(i);
        if (it->IsLine()) {
            if (pending && pending->Visible()) pending->SetVisible(false);
            pending = it;
        } else if (it->Visible()) {
            if (pending && !pending->Visible()) pending->SetVisible(true);
            pending = nullptr;
            lastVisible = i;
        }
    }
    // Trailing separators go.
    for (int k = count - 1; k > lastVisible; --k)
        if (item(k)->IsLine() && item(k)->Visible()) item(k)->SetVisible(false);
}

}  // namespace qd
