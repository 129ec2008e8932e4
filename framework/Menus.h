#pragma once
// Menus: item trees (TMenuItem) behind a main menu shown in a form's menu bar (TMainMenu) or a context menu
// (TPopupMenu), each mirrored in platform menus that are rebuilt whenever an item changes.
//
// Every item carries a command identifier unique in the process; WM_COMMAND, WM_INITMENUPOPUP, WM_MEASUREITEM and
// WM_DRAWITEM reach an item through its menu (DispatchCommand, DispatchPopup, and the item data of owner-drawn
// items, which is the item itself and is only ever compared with the items of the tree, never trusted).
// An item with children owns the platform drop-down of those children (Handle); the root item of a menu owns the
// menu bar or the popup menu. Handles are freed with their items; the live count is what leak tests read.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Controls.h"
#include "framework/Mnemonic.h"

namespace qd {

class TMenu;
class TImageList;

// A key with its shift state: the virtual key in the low byte, scShift/scCtrl/scAlt above it; 0 = none.
using TShortCut = WORD;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

TShortCut ShortCut(WORD key, TShiftState shift) noexcept;
// "Ctrl+N", "Shift+F4", "Ctrl+Alt+Del"; "" for none.
std::wstring ShortCutToText(TShortCut shortCut);
// The inverse of ShortCutToText (case folded); 0 when the text names no key.
TShortCut TextToShortCut(std::wstring_view text) noexcept;

// Live platform menus made by menus of this process (leak tests read it).
long LiveMenuHandleCount() noexcept;

enum class TMenuBreak { mbNone, mbBreak, mbBarBreak };
using enum TMenuBreak;
enum class TMenuItemKind { fkCommand, fkHandle, fkShortCut };
using enum TMenuItemKind;
enum class TPopupAlignment { paLeft, paRight, paCenter };
using enum TPopupAlignment;
enum class TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
using enum TBiDiMode;

// ODS_* flags of the platform's owner-draw state.
using TOwnerDrawState = UINT;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, const RECT& ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State)>;

class TMenuItem : public TComponent {
    QD_CLASS_INFO
public:
    explicit TMenuItem(TComponent* AOwner);
    // Leaves the parent, frees the children, then the drop-down.
    ~TMenuItem() override;

    const std::wstring& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::wstring& value);
    // A caption of "-" makes the item a separator.
    bool IsLine() const noexcept { return FCaption == L"-"; }
    TShortCut ShortCut() const noexcept { return FShortCut; }
    void SetShortCut(TShortCut value);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool value);
    // Checking a RadioItem unchecks the radio items of its group (GroupIndex) among its siblings.
    bool Checked() const noexcept { return FChecked; }
    void SetChecked(bool value);
    bool RadioItem() const noexcept { return FRadioItem; }
    void SetRadioItem(bool value);
    int GroupIndex() const noexcept { return FGroupIndex; }
    void SetGroupIndex(int value);  // 0..255
    bool AutoCheck() const noexcept { return FAutoCheck; }
    void SetAutoCheck(bool value) noexcept { FAutoCheck = value; }
    // Shown bold; at most one per drop-down (setting it clears the siblings').
    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool value);
    TMenuBreak Break() const noexcept { return FBreak; }
    void SetBreak(TMenuBreak value);
    // Index into the menu's Images, -1 for none.
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int value);

    // The identifier WM_COMMAND carries for this item (unique in the process, 1 ... 0xEFFF).
    UINT Command() const noexcept { return FCommand; }
    // The platform drop-down holding the children (made on demand; shown as a sub-menu only with children).
    HMENU Handle();
    bool HandleAllocated() const noexcept { return FHandle != nullptr; }

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const;
    TMenuItem* operator[](int index) const { return Items(index); }
    TMenuItem* Parent() const noexcept { return FParent; }
    // Position among the parent's children, -1 without a parent.
    int MenuIndex() const noexcept;
    int IndexOf(const TMenuItem* item) const noexcept;
    // Adds a child (taken from its previous parent); the item must not be this one or one of its ancestors.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Takes a child out without freeing it.
    void Remove(TMenuItem* item);
    // Frees all children.
    void Clear();
    // The menu whose tree this item is in, or null.
    TMenu* GetParentMenu() const noexcept;

    // Runs the click: AutoCheck toggles Checked, then OnClick. Disabled items do nothing.
    virtual void Click();

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

    // Owner-drawn items: OnMeasureItem, or the default size (caption, shortcut, glyph column).
    void MeasureItem(TCanvas& canvas, int& width, int& height);
    // Owner-drawn items: OnAdvancedDrawItem, else OnDrawItem, else the default look.
    void AdvancedDrawItem(TCanvas& canvas, const RECT& rect, TOwnerDrawState state);
    // The default look of an owner-drawn item (what the events replace).
    void DrawDefault(TCanvas& canvas, const RECT& rect, TOwnerDrawState state);

    // Stored descriptions nest items in menus and in items.
    void SetParentComponent(TComponent* parent) override;

    // The text the platform menu shows: the caption, then a tab and the shortcut text.
    std::wstring DisplayText() const;

private:
    friend class TMenu;
    void Changed(bool rebuildSelf = false);
    // Stores a value the menu shows; the menu is rebuilt when it changed.
    template <class T>
    void SetAndUpdate(T& field, const T& value) {
        if (field == value) return;
        field = value;
        Changed();
    }
    void RebuildHandle();
    void FillMenuItemInfo(MENUITEMINFOW& info, std::wstring& text);
    void DetachChildren() noexcept;
    void TurnSiblingsOff();
    // Sets Checked or RadioItem: an item that is both becomes the one checked item of its group.
    void SetRadioFlag(bool& flag, bool value);

    std::wstring FCaption;
    TShortCut FShortCut = 0;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    bool FRadioItem = false;
    bool FAutoCheck = false;
    bool FDefault = false;
    int FGroupIndex = 0;
    int FImageIndex = -1;
    TMenuBreak FBreak = mbNone;
    UINT FCommand = 0;
    HMENU FHandle = nullptr;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on a menu's root item only
    std::vector<TMenuItem*> FItems;
    bool FDestroying = false;
};

class TMenu : public TComponent {
    QD_CLASS_INFO
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    // The root item: its children are the menu's items.
    TMenuItem& Items() noexcept { return *FItems; }
    // The platform menu (bar or popup) of the root item.
    HMENU Handle() { return FItems->Handle(); }

    // Items are made owner-drawn: WM_MEASUREITEM/WM_DRAWITEM reach their events.
    bool OwnerDraw() const noexcept { return FOwnerDraw; }
    void SetOwnerDraw(bool value);
    TImageList* Images() const noexcept { return FImages; }
    void SetImages(TImageList* value);
    TBiDiMode BiDiMode() const noexcept { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value);
    bool IsRightToLeft() const noexcept { return FBiDiMode != bdLeftToRight; }

    // An item of the tree by command identifier, drop-down handle or shortcut; null when none.
    TMenuItem* FindItem(UINT_PTR value, TMenuItemKind kind) const noexcept;
    // `item` when it is an item of this tree, else null (item data from the platform is checked this way).
    TMenuItem* ItemFromData(ULONG_PTR data) const noexcept;
    // WM_COMMAND of a menu: clicks the item; false when no item has that command.
    bool DispatchCommand(WORD command);
    // WM_INITMENUPOPUP: clicks the item whose drop-down opens (it may rebuild its children); false when none.
    bool DispatchPopup(HMENU menu);
    // Clicks the enabled, visible item with this shortcut (the menu's visible drop-downs updated first).
    bool IsShortCut(WORD key, TShiftState shift);

    // WM_MEASUREITEM / WM_DRAWITEM for one of this menu's owner-drawn items: true when handled.
    bool MeasureItem(MEASUREITEMSTRUCT& mis);
    bool DrawItem(const DRAWITEMSTRUCT& dis);

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // An item changed; the platform menu is already rebuilt.
    virtual void MenuChanged(TMenuItem* source);

private:
    friend class TMenuItem;
    // Rebuilds every drop-down of the tree (a menu-wide setting changed).
    static void RebuildTree(TMenuItem& item);
    std::unique_ptr<TMenuItem> FItems;
    bool FOwnerDraw = false;
    TImageList* FImages = nullptr;
    TBiDiMode FBiDiMode = bdLeftToRight;
};

// A form's menu bar. The form shows it (TForm::SetMenu); changes are drawn at once and the form is told
// (CM_MENUCHANGED).
class TMainMenu : public TMenu {
    QD_CLASS_INFO
public:
    explicit TMainMenu(TComponent* AOwner);
    // Takes the bar off the window that shows it before the handle goes.
    ~TMainMenu() override;

    // The window showing this menu (set by the form), or null.
    HWND WindowHandle() const noexcept { return FWindowHandle; }
    void SetWindowHandle(HWND value) noexcept { FWindowHandle = value; }

protected:
    void MenuChanged(TMenuItem* source) override;

private:
    HWND FWindowHandle = nullptr;
};

// A context menu: shown by Popup, or by a control whose PopupMenu it is (right click, the context-menu key).
class TPopupMenu : public TMenu {
    QD_CLASS_INFO
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    bool AutoPopup() const noexcept { return FAutoPopup; }
    void SetAutoPopup(bool value) noexcept { FAutoPopup = value; }
    TPopupAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TPopupAlignment value) noexcept { FAlignment = value; }
    // The control the menu was last shown for (null when shown by code).
    TComponent* PopupComponent() const noexcept { return FPopupComponent; }
    void SetPopupComponent(TComponent* value);

    // Shows the menu at a screen point and tracks it (modal, TrackPopupMenuEx); the chosen item is clicked
    // after tracking ends, before Popup returns. OnPopup runs first.
    virtual void Popup(int x, int y);
    TNotifyEvent OnPopup;

    // The hidden window that owns tracked popup menus (their WM_INITMENUPOPUP/WM_MEASUREITEM/WM_DRAWITEM).
    static HWND PopupListWindow();
    // True while a popup menu of ours is being tracked.
    static bool Tracking() noexcept;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool FAutoPopup = true;
    TPopupAlignment FAlignment = paLeft;
    TComponent* FPopupComponent = nullptr;
};

// Registers the menu classes for stored descriptions (RegisterFrameworkClasses calls it).
void RegisterMenuClasses();

}  // namespace qd
