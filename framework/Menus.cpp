#include "framework/Menus.h"

#include <algorithm>
#include <array>

#include "framework/Application.h"
#include "framework/ImgList.h"
#include "framework/Properties.h"

namespace qd {

namespace {

long gLiveMenus = 0;

HMENU MakeMenu(bool bar) noexcept {
    HMENU menu = bar ? ::CreateMenu() : ::CreatePopupMenu();
    if (menu) ++gLiveMenus;
    return menu;
}

// Unlinks every entry (sub-menus stay alive: they belong to their own items).
void EmptyMenu(HMENU menu) noexcept {
    for (int n = ::GetMenuItemCount(menu); n > 0; --n) ::RemoveMenu(menu, 0, MF_BYPOSITION);
}

void FreeMenu(HMENU menu) noexcept {
    if (!menu) return;
    EmptyMenu(menu);
    if (::DestroyMenu(menu)) --gLiveMenus;
}

// Command identifiers in use. WM_COMMAND carries 16 bits and the system's own commands start at 0xF000.
constexpr UINT kLastCommand = 0xEFFF;
std::vector<bool>& CommandPool() {
    static std::vector<bool> pool(kLastCommand + 1, false);
    return pool;
}

UINT AllocateCommand() {
    auto& pool = CommandPool();
    for (UINT id = 1; id <= kLastCommand; ++id)
        if (!pool[id]) {
            pool[id] = true;
            return id;
        }
    throw EInvalidOperation("Too many menu items");
}

void ReleaseCommand(UINT id) noexcept {
    if (id > 0 && id <= kLastCommand) CommandPool()[id] = false;
}

struct TKeyName {
    WORD Key;
    const wchar_t* Name;
};
constexpr std::array<TKeyName, 16> kKeyNames{{{VK_BACK, L"BkSp"},
                                              {VK_TAB, L"Tab"},
                                              {VK_ESCAPE, L"Esc"},
                                              {VK_RETURN, L"Enter"},
                                              {VK_SPACE, L"Space"},
                                              {VK_PRIOR, L"PgUp"},
                                              {VK_NEXT, L"PgDn"},
                                              {VK_END, L"End"},
                                              {VK_HOME, L"Home"},
                                              {VK_LEFT, L"Left"},
                                              {VK_UP, L"Up"},
                                              {VK_RIGHT, L"Right"},
                                              {VK_DOWN, L"Down"},
                                              {VK_INSERT, L"Ins"},
                                              {VK_DELETE, L"Del"},
                                              {VK_APPS, L"Apps"}}};

std::wstring KeyName(WORD key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::wstring(1, static_cast<wchar_t>(key));
    if (key >= VK_F1 && key <= VK_F24) return L"F" + std::to_wstring(key - VK_F1 + 1);
    for (const auto& k : kKeyNames)
        if (k.Key == key) return k.Name;
    return {};
}

bool SameTextNoCase(std::wstring_view a, std::wstring_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperKey(a[i]) != UpperKey(b[i])) return false;
    return true;
}

// The screen's menu font, as a canvas font.
void UseMenuFont(TCanvas& canvas) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
    const LOGFONTW& lf = metrics.lfMenuFont;
    TFont& font = canvas.Font();
    font.SetName(std::wstring(lf.lfFaceName, ::wcsnlen(lf.lfFaceName, LF_FACESIZE)));
    font.SetHeight(lf.lfHeight);
    font.SetCharset(lf.lfCharSet);
    font.SetStyle(lf.lfWeight >= FW_BOLD ? TFontStyles{fsBold} : TFontStyles{0});
}

constexpr TColor SysColor(int index) noexcept {
    return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index));
}

// The popup menu being tracked now: the popup list window hands its messages to it.
TPopupMenu* gTrackedPopup = nullptr;

LRESULT CALLBACK PopupListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = false;
    if (gTrackedPopup) {
        CallGuarded([&] {
            switch (msg) {
                case WM_INITMENUPOPUP:
                    gTrackedPopup->DispatchPopup(reinterpret_cast<HMENU>(wParam));
                    break;
                case WM_MEASUREITEM:
                    handled = gTrackedPopup->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
                    result = handled ? TRUE : 0;
                    break;
                case WM_DRAWITEM:
                    handled = gTrackedPopup->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                    result = handled ? TRUE : 0;
                    break;
                default:
                    break;
            }
        });
    }
    return handled ? result : ::DefWindowProcW(wnd, msg, wParam, lParam);
}

}  // namespace

long LiveMenuHandleCount() noexcept { return gLiveMenus; }

// ---------------------------------------------------------------------------------------------------------------
// Shortcuts

TShortCut ShortCut(WORD key, TShiftState shift) noexcept {
    if (key == 0 || (key & 0xFF00)) return 0;
    TShortCut sc = key;
    if (shift & ssShift) sc |= scShift;
    if (shift & ssCtrl) sc |= scCtrl;
    if (shift & ssAlt) sc |= scAlt;
    return sc;
}

std::wstring ShortCutToText(TShortCut shortCut) {
    const std::wstring name = KeyName(static_cast<WORD>(shortCut & 0xFF));
    if (name.empty()) return {};
    std::wstring text;
    if (shortCut & scShift) text += L"Shift+";
    if (shortCut & scCtrl) text += L"Ctrl+";
    if (shortCut & scAlt) text += L"Alt+";
    return text + name;
}

TShortCut TextToShortCut(std::wstring_view text) noexcept {
    TShortCut modifiers = 0;
    for (;;) {
        bool found = false;
        for (auto [prefix, bit] :
             {std::pair{L"Shift+", scShift}, std::pair{L"Ctrl+", scCtrl}, std::pair{L"Alt+", scAlt}}) {
            const std::wstring_view p(prefix);
            if (text.size() > p.size() && SameTextNoCase(text.substr(0, p.size()), p)) {
                modifiers |= bit;
                text.remove_prefix(p.size());
                found = true;
            }
        }
        if (!found) break;
    }
    for (WORD key = 1; key < 0x100; ++key) {
        const std::wstring name = KeyName(key);
        if (!name.empty() && SameTextNoCase(name, text)) return static_cast<TShortCut>(key | modifiers);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(AllocateCommand()) {}

TMenuItem::~TMenuItem() {
    FDestroying = true;
    if (FParent) FParent->Remove(this);
    // Our entries go first so that freeing the children's drop-downs leaves nothing pointing at them.
    if (FHandle) EmptyMenu(FHandle);
    DetachChildren();
    FreeMenu(FHandle);
    FHandle = nullptr;
    ReleaseCommand(FCommand);
}

void TMenuItem::DetachChildren() noexcept {
    while (!FItems.empty()) {
        TMenuItem* child = FItems.back();
        FItems.pop_back();
        child->FParent = nullptr;
        delete child;
    }
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count()) throw EInvalidOperation("Menu index out of range");
    return FItems[static_cast<std::size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const noexcept {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TMenuItem::MenuIndex() const noexcept { return FParent ? FParent->IndexOf(this) : -1; }

TMenu* TMenuItem::GetParentMenu() const noexcept {
    const TMenuItem* item = this;
    while (item->FParent) item = item->FParent;
    return item->FMenu;
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) throw EInvalidOperation("Cannot insert a null menu item");
    for (const TMenuItem* p = this; p; p = p->FParent)
        if (p == item) throw EInvalidOperation("A menu item cannot contain itself");
    if (item->FMenu) throw EInvalidOperation("The root item of a menu cannot be inserted");
    if (item->FParent) item->FParent->Remove(item);
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    Changed(true);
}

void TMenuItem::Remove(TMenuItem* item) {
    const int index = IndexOf(item);
    if (index < 0) throw EInvalidOperation("The item is not a child of this menu item");
    FItems.erase(FItems.begin() + index);
    item->FParent = nullptr;
    if (!FDestroying) Changed(true);
}

void TMenuItem::Clear() {
    if (FHandle) EmptyMenu(FHandle);
    DetachChildren();
    Changed(true);
}

HMENU TMenuItem::Handle() {
    if (!FHandle) {
        FHandle = MakeMenu(FMenu && dynamic_cast<TMainMenu*>(FMenu));
        if (!FHandle) throw EInvalidOperation("Cannot create a menu (error " + std::to_string(::GetLastError()) + ")");
        RebuildHandle();
    }
    return FHandle;
}

std::wstring TMenuItem::DisplayText() const {
    std::wstring text = FCaption;
    if (const std::wstring sc = ShortCutToText(FShortCut); !sc.empty()) text += L"\t" + sc;
    return text;
}

void TMenuItem::FillMenuItemInfo(MENUITEMINFOW& info, std::wstring& text) {
    info = MENUITEMINFOW{};
    info.cbSize = sizeof(MENUITEMINFOW);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
    TMenu* menu = GetParentMenu();
    const bool onBar = FParent && FParent->FMenu && dynamic_cast<TMainMenu*>(FParent->FMenu);
    if (IsLine()) {
        info.fType = MFT_SEPARATOR;
    } else {
        info.fMask |= MIIM_STRING;
        text = DisplayText();
        info.dwTypeData = text.data();
        info.cch = static_cast<UINT>(text.size());
    }
    if (menu && menu->OwnerDraw() && !onBar) info.fType |= MFT_OWNERDRAW;
    if (FRadioItem) info.fType |= MFT_RADIOCHECK;
    if (FBreak == mbBreak) info.fType |= MFT_MENUBREAK;
    if (FBreak == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
    if (menu && menu->IsRightToLeft()) info.fType |= MFT_RIGHTORDER | MFT_RIGHTJUSTIFY;
    if (!FEnabled) info.fState |= MFS_GRAYED;
    if (FChecked) info.fState |= MFS_CHECKED;
    if (FDefault) info.fState |= MFS_DEFAULT;
    info.wID = FCommand;
    info.hSubMenu = FItems.empty() ? nullptr : Handle();
    info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
}

void TMenuItem::RebuildHandle() {
    if (!FHandle) return;
    EmptyMenu(FHandle);
    UINT position = 0;
    for (TMenuItem* child : FItems) {
        if (!child->FVisible) continue;
        MENUITEMINFOW info;
        std::wstring text;
        child->FillMenuItemInfo(info, text);
        if (::InsertMenuItemW(FHandle, position, TRUE, &info)) ++position;
    }
}

void TMenuItem::Changed(bool rebuildSelf) {
    if (FDestroying) return;
    if (rebuildSelf) RebuildHandle();
    if (FParent && FParent->FHandle) FParent->RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this);
}

void TMenuItem::SetCaption(const std::wstring& value) { SetAndUpdate(FCaption, value); }

void TMenuItem::SetShortCut(TShortCut value) { SetAndUpdate(FShortCut, value); }

void TMenuItem::SetEnabled(bool value) { SetAndUpdate(FEnabled, value); }

void TMenuItem::SetVisible(bool value) { SetAndUpdate(FVisible, value); }

void TMenuItem::TurnSiblingsOff() {
    if (!FParent) return;
    for (TMenuItem* sibling : FParent->FItems)
        if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex && sibling->FChecked)
            sibling->FChecked = false;  // the parent's rebuild below shows it
}

void TMenuItem::SetRadioFlag(bool& flag, bool value) {
    if (value == flag) return;
    flag = value;
    if (FRadioItem && FChecked) TurnSiblingsOff();
    Changed();
}

void TMenuItem::SetChecked(bool value) { SetRadioFlag(FChecked, value); }

void TMenuItem::SetRadioItem(bool value) { SetRadioFlag(FRadioItem, value); }

void TMenuItem::SetGroupIndex(int value) {
    if (value < 0 || value > 255) throw EInvalidOperation("GroupIndex must lie in 0..255");
    if (value == FGroupIndex) return;
    FGroupIndex = value;
    if (FRadioItem && FChecked) TurnSiblingsOff();
    Changed();
}

void TMenuItem::SetDefault(bool value) {
    if (value == FDefault) return;
    if (value && FParent)
        for (TMenuItem* sibling : FParent->FItems) sibling->FDefault = false;
    FDefault = value;
    Changed();
}

void TMenuItem::SetBreak(TMenuBreak value) { SetAndUpdate(FBreak, value); }

void TMenuItem::SetImageIndex(int value) {
    if (value < -1) value = -1;
    if (value == FImageIndex) return;
    FImageIndex = value;
    Changed();
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    if (FAutoCheck) SetChecked(!FChecked);
    if (OnClick) OnClick(this);
}

void TMenuItem::SetParentComponent(TComponent* parent) {
    if (auto* menu = dynamic_cast<TMenu*>(parent))
        menu->Items().Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height) {
    if (OnMeasureItem) {
        OnMeasureItem(this, &canvas, width, height);
        return;
    }
    if (IsLine()) {
        width = 10;
        height = 8;
        return;
    }
    TMenu* menu = GetParentMenu();
    TImageList* images = menu ? menu->Images() : nullptr;
    const int glyph = images ? images->Width() : 16;
    const int glyphHeight = images ? images->Height() : 16;
    if (FDefault) canvas.Font().SetStyle(canvas.Font().Style() | fsBold);
    RECT r{0, 0, 0, 0};
    canvas.DrawText(FCaption.empty() ? L" " : FCaption, r, DT_CALCRECT | DT_SINGLELINE | DT_NOCLIP | DT_EXPANDTABS);
    width = glyph + 8 + (r.right - r.left);
    if (const std::wstring sc = ShortCutToText(FShortCut); !sc.empty()) width += 16 + canvas.TextWidth(sc);
    height = std::max<int>(r.bottom - r.top + 4, glyphHeight + 4);
}

void TMenuItem::AdvancedDrawItem(TCanvas& canvas, const RECT& rect, TOwnerDrawState state) {
    if (OnAdvancedDrawItem)
        OnAdvancedDrawItem(this, &canvas, rect, state);
    else if (OnDrawItem)
        OnDrawItem(this, &canvas, rect, (state & ODS_SELECTED) != 0);
    else
        DrawDefault(canvas, rect, state);
}

void TMenuItem::DrawDefault(TCanvas& canvas, const RECT& rect, TOwnerDrawState state) {
    const bool selected = (state & ODS_SELECTED) != 0;
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(SysColor(selected && !IsLine() ? COLOR_HIGHLIGHT : COLOR_MENU));
    canvas.FillRect(rect);
    if (IsLine()) {
        RECT line = rect;
        line.top += (rect.bottom - rect.top) / 2 - 1;
        ::DrawEdge(canvas.Handle(), &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    TMenu* menu = GetParentMenu();
    TImageList* images = menu ? menu->Images() : nullptr;
    const int glyph = images ? images->Width() : 16;
    const int glyphHeight = images ? images->Height() : 16;
    RECT glyphRect{rect.left + 2, rect.top + (rect.bottom - rect.top - glyphHeight) / 2, 0, 0};
    glyphRect.right = glyphRect.left + glyph;
    glyphRect.bottom = glyphRect.top + glyphHeight;
    const bool hasImage = images && FImageIndex >= 0 && FImageIndex < images->Count();
    if (hasImage) {
        images->Draw(canvas.Handle(), glyphRect.left, glyphRect.top, FImageIndex, FEnabled);
    } else if (FChecked) {
        ::DrawFrameControl(canvas.Handle(), &glyphRect, DFC_MENU, FRadioItem ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    const TColor textColor = !FEnabled  ? SysColor(COLOR_GRAYTEXT)
                             : selected ? SysColor(COLOR_HIGHLIGHTTEXT)
                                        : SysColor(COLOR_MENUTEXT);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.Font().SetColor(textColor);
    if (FDefault) canvas.Font().SetStyle(canvas.Font().Style() | fsBold);
    RECT text{glyphRect.right + 6, rect.top, rect.right - 8, rect.bottom};
    const UINT prefix = (state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    canvas.DrawText(FCaption, text, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | prefix);
    if (const std::wstring sc = ShortCutToText(FShortCut); !sc.empty())
        canvas.DrawText(sc, text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
}

// ---------------------------------------------------------------------------------------------------------------
// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
    FItems->FMenu = this;
}

TMenu::~TMenu() {
    // The items go while the menu is whole (they ask it whether they are owner-drawn while they rebuild).
    FItems.reset();
}

void TMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FImages) SetImages(nullptr);
}

void TMenu::MenuChanged(TMenuItem*) {}

void TMenu::RebuildTree(TMenuItem& item) {
    for (TMenuItem* child : item.FItems) RebuildTree(*child);
    item.RebuildHandle();
}

void TMenu::SetOwnerDraw(bool value) {
    if (value == FOwnerDraw) return;
    FOwnerDraw = value;
    RebuildTree(*FItems);
    FItems->Changed(true);
}

void TMenu::SetImages(TImageList* value) {
    if (SetReference(FImages, value)) FItems->Changed(true);
}

void TMenu::SetBiDiMode(TBiDiMode value) {
    if (value == FBiDiMode) return;
    FBiDiMode = value;
    RebuildTree(*FItems);
    FItems->Changed(true);
}

namespace {
TMenuItem* FindIn(TMenuItem& item, UINT_PTR value, TMenuItemKind kind, bool self) noexcept {
    if (self) {
        switch (kind) {
            case fkCommand:
                if (item.Command() == value) return &item;
                break;
            case fkHandle:
                if (item.HandleAllocated() && reinterpret_cast<UINT_PTR>(item.Handle()) == value) return &item;
                break;
            case fkShortCut:
                if (item.ShortCut() != 0 && item.ShortCut() == value) return &item;
                break;
        }
    }
    for (int i = 0; i < item.Count(); ++i)
        if (TMenuItem* found = FindIn(*item.Items(i), value, kind, true)) return found;
    return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindItem(UINT_PTR value, TMenuItemKind kind) const noexcept {
    // The root is looked at for handles only: it has no command or shortcut of its own that anyone sees.
    return FindIn(*FItems, value, kind, kind == fkHandle);
}

TMenuItem* TMenu::ItemFromData(ULONG_PTR data) const noexcept {
    struct TWalk {
        static TMenuItem* Find(TMenuItem& item, ULONG_PTR data) noexcept {
            for (int i = 0; i < item.Count(); ++i) {
                TMenuItem* child = item.Items(i);
                if (reinterpret_cast<ULONG_PTR>(child) == data) return child;
                if (TMenuItem* found = Find(*child, data)) return found;
            }
            return nullptr;
        }
    };
    return data ? TWalk::Find(*FItems, data) : nullptr;
}

bool TMenu::DispatchCommand(WORD command) {
    TMenuItem* item = FindItem(command, fkCommand);
    if (!item) return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(HMENU menu) {
    TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(menu), fkHandle);
    if (!item) return false;
    item->Click();
    return true;
}

bool TMenu::IsShortCut(WORD key, TShiftState shift) {
    const TShortCut sc = ShortCut(key, shift);
    if (!sc) return false;
    TMenuItem* item = FindItem(sc, fkShortCut);
    if (!item) return false;
    // The drop-downs above the item are "opened" first, top down, so that their handlers can update it; they
    // may rebuild their children, so the item is looked up again afterwards.
    std::vector<TMenuItem*> chain;
    for (TMenuItem* p = item->Parent(); p && p != FItems.get(); p = p->Parent()) chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!FindItem((*it)->Command(), fkCommand)) return false;
        if (!(*it)->Enabled() || !(*it)->Visible()) return false;
        (*it)->Click();
    }
    item = FindItem(sc, fkShortCut);
    if (!item || !item->Enabled() || !item->Visible()) return false;
    item->Click();
    return true;
}

bool TMenu::MeasureItem(MEASUREITEMSTRUCT& mis) {
    if (mis.CtlType != ODT_MENU) return false;
    TMenuItem* item = ItemFromData(mis.itemData);
    if (!item) item = FindItem(mis.itemID, fkCommand);
    if (!item) return false;
    const TWindowDC screen(nullptr);
    TCanvas canvas;
    int width = static_cast<int>(mis.itemWidth);
    int height = static_cast<int>(mis.itemHeight);
    {
        const TCanvasHandleScope lent(canvas, screen);
        UseMenuFont(canvas);
        item->MeasureItem(canvas, width, height);
    }
    mis.itemWidth = static_cast<UINT>(std::max(width, 0));
    mis.itemHeight = static_cast<UINT>(std::max(height, 0));
    return true;
}

bool TMenu::DrawItem(const DRAWITEMSTRUCT& dis) {
    if (dis.CtlType != ODT_MENU) return false;
    TMenuItem* item = ItemFromData(dis.itemData);
    if (!item) item = FindItem(dis.itemID, fkCommand);
    if (!item) return false;
    TCanvas canvas;
    const int saved = ::SaveDC(dis.hDC);
    try {
        const TCanvasHandleScope lent(canvas, dis.hDC);
        UseMenuFont(canvas);
        item->AdvancedDrawItem(canvas, dis.rcItem, dis.itemState);
    } catch (...) {
        ::RestoreDC(dis.hDC, saved);
        throw;
    }
    // A handler that took its item out of the clipping (so that the menu draws no arrow of its own over it)
    // keeps it out; everything else it changed in the DC is undone.
    const bool excluded = !::RectVisible(dis.hDC, &dis.rcItem);
    ::RestoreDC(dis.hDC, saved);
    if (excluded) ::ExcludeClipRect(dis.hDC, dis.rcItem.left, dis.rcItem.top, dis.rcItem.right, dis.rcItem.bottom);
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// TMainMenu

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu() {
    // A window destroys the menu it shows: take ours off first, and never leave it showing a freed one.
    if (FWindowHandle && ::IsWindow(FWindowHandle) && Items().HandleAllocated() &&
        ::GetMenu(FWindowHandle) == Items().Handle())
        ::SetMenu(FWindowHandle, nullptr);
    FWindowHandle = nullptr;
}

void TMainMenu::MenuChanged(TMenuItem* source) {
    TMenu::MenuChanged(source);
    if (!FWindowHandle || !::IsWindow(FWindowHandle)) return;
    ::DrawMenuBar(FWindowHandle);
    if (TWinControl* control = TWinControl::FindControl(FWindowHandle))
        control->Perform(CM_MENUCHANGED, 0, reinterpret_cast<LPARAM>(this));
}

// ---------------------------------------------------------------------------------------------------------------
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() {
    if (gTrackedPopup == this) gTrackedPopup = nullptr;
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TMenu::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::SetPopupComponent(TComponent* value) { SetReference(FPopupComponent, value); }

HWND TPopupMenu::PopupListWindow() {
    static HWND window = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = PopupListProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TPopupList";
        ::RegisterClassExW(&wc);
        return ::CreateWindowExW(WS_EX_TOOLWINDOW, L"TPopupList", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    }();
    return window;
}

bool TPopupMenu::Tracking() noexcept { return gTrackedPopup != nullptr; }

void TPopupMenu::Popup(int x, int y) {
    if (gTrackedPopup) return;  // one menu loop at a time: the platform refuses a second
    if (OnPopup) OnPopup(this);
    HMENU menu = Handle();
    UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON;
    flags |= FAlignment == paRight ? TPM_RIGHTALIGN : FAlignment == paCenter ? TPM_CENTERALIGN : TPM_LEFTALIGN;
    if (IsRightToLeft()) flags |= TPM_LAYOUTRTL;
    HWND owner = PopupListWindow();
    UINT command = 0;
    {
        struct TTrack {
            TPopupMenu* Self;
            ~TTrack() {
                if (gTrackedPopup == Self) gTrackedPopup = nullptr;
            }
        } track{this};
        gTrackedPopup = this;
        command = static_cast<UINT>(::TrackPopupMenuEx(menu, flags, x, y, owner, nullptr));
    }
    // The chosen item runs after the menu has gone, like any command the loop would post.
    if (command) DispatchCommand(static_cast<WORD>(command));
}

// ---------------------------------------------------------------------------------------------------------------
// Published properties

const TClassInfo& TMenuItem::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TMenuItem>("TMenuItem", &TComponent::StaticClassInfo())
            .WStr("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
            .Custom(
                "ShortCut", [](TMenuItem& item) { return detail::EncodeInteger(item.ShortCut()); },
                [](TMenuItem& item, const TFormValue& v) {
                    if (v.Kind == TFormValueKind::vkInteger) {
                        item.SetShortCut(static_cast<TShortCut>(detail::DecodeInteger(v, 0, 0xFFFF)));
                        return;
                    }
                    const std::wstring text = detail::DecodeWideString(v);
                    const TShortCut sc = TextToShortCut(text);
                    if (!sc && !text.empty()) throw EPropertyError("\"" + WideToUtf8(text) + "\" is not a shortcut");
                    item.SetShortCut(sc);
                })
            .Bool("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled)
            .Bool("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible)
            .Bool("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked)
            .Bool("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem)
            .Int("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex)
            .Bool("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck)
            .Bool("Default", &TMenuItem::Default, &TMenuItem::SetDefault)
            .Enum("Break", &TMenuItem::Break, &TMenuItem::SetBreak, {"mbNone", "mbBreak", "mbBarBreak"})
            .Int("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex)
            .Event("OnClick", &TMenuItem::OnClick)
            .Event("OnMeasureItem", &TMenuItem::OnMeasureItem)
            .Event("OnDrawItem", &TMenuItem::OnDrawItem)
            .Event("OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem);
    return info;
}

const TClassInfo& TMenu::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TMenu>("TMenu", &TComponent::StaticClassInfo())
            .Bool("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw)
            .Component("Images", &TMenu::Images, &TMenu::SetImages)
            .Enum("BiDiMode", &TMenu::BiDiMode, &TMenu::SetBiDiMode,
                  {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"})
            .Factory(nullptr);
    return info;
}

const TClassInfo& TMainMenu::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TMainMenu>("TMainMenu", &TMenu::StaticClassInfo());
    return info;
}

const TClassInfo& TPopupMenu::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TPopupMenu>("TPopupMenu", &TMenu::StaticClassInfo())
            .Bool("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup)
            .Enum("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment, {"paLeft", "paRight", "paCenter"})
            .Event("OnPopup", &TPopupMenu::OnPopup);
    return info;
}

void RegisterMenuClasses() {
    static const bool done = [] {
        RegisterClassInfos({&TMenuItem::StaticClassInfo(), &TMenu::StaticClassInfo(), &TMainMenu::StaticClassInfo(),
                            &TPopupMenu::StaticClassInfo(), &TImageList::StaticClassInfo()});
        return true;
    }();
    (void)done;
}

}  // namespace qd
