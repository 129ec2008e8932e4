#pragma once
// Menu items in the skin's look: the items of native menus (popup, drop-down and system menus) are made
// owner-drawn for as long as the skin shows them, then measured and drawn here from the skin's MenuItem strip
// (frame 1 normal, 2 separator, 4 selected), its colours and the menu glyphs of the skin data.
//
// Rules kept:
// - Only items drawn here are converted: strings and separators that are not already owner-drawn or bitmaps.
//   The type flag is changed alone (MIIM_FTYPE), so captions, states, identifiers and item data stay as they
//   were, and Restore gives back the exact type of every converted item.
// - Items are found by their item data first, then by command (identifiers and data are full width).
// - Each item is composed in a memory bitmap and copied to the menu's DC once.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/Gdi.h"

namespace qd {

class TSkinData;

// The platform's menu font (the default GUI font when the platform does not answer), bold for a default item.
TFontHandle CreateMenuFont(bool bold = false);

// What one item shows.
struct TMenuItemLook {
    std::wstring Caption;   // "&" marks the mnemonic, as in the platform's menus
    std::wstring ShortCut;  // right-hand column ("Ctrl+O"), may be empty
    bool Separator = false;
    bool Selected = false;
    bool Disabled = false;
    bool Checked = false;
    bool Radio = false;  // a checked radio item shows a bullet instead of a check mark
    bool Default = false;
    bool SubMenu = false;
    bool HideMnemonics = false;  // ODS_NOACCEL: the menu was opened by the mouse
    HIMAGELIST Images = nullptr;
    int ImageIndex = -1;
};

// Measures and draws items from one skin. Holds the check-mark bitmap for its whole life.
class TSkinMenuPainter {
public:
    explicit TSkinMenuPainter(const TSkinData& skin);

    // Width and height of the item (the menu font of the platform).
    SIZE Measure(const TMenuItemLook& look) const;
    // Draws the item into `rect` of `dc`. `background` (may be null) is the popup window's skinned background;
    // `origin` is where (0, 0) of `dc` lies in it.
    void Draw(HDC dc, const RECT& rect, const TMenuItemLook& look, HBITMAP background, POINT origin) const;

    const TSkinData& Skin() const noexcept { return FSkin; }
    // Left of the text: the glyph column with the skin's left cap.
    int GlyphColumn() const noexcept;

private:
    void DrawContent(HDC dc, const RECT& rect, const TMenuItemLook& look) const;
    void DrawSeparator(HDC dc, const RECT& rect) const;
    COLORREF TextColor(const TMenuItemLook& look) const;

    const TSkinData& FSkin;
    TBitmapHandle FCheck;  // OBM_CHECK, loaded once
    TFontHandle FMenuFont;
    TFontHandle FBoldFont;
};

// The items of native menus that the skin draws: converted to owner-drawn, found again for WM_MEASUREITEM and
// WM_DRAWITEM, and given back.
class TSkinMenuItems {
public:
    explicit TSkinMenuItems(const TSkinData& skin) : FPainter(skin) {}
    ~TSkinMenuItems() { Restore(); }
    TSkinMenuItems(const TSkinMenuItems&) = delete;
    TSkinMenuItems& operator=(const TSkinMenuItems&) = delete;

    // Makes the items of `menu` (and of its sub-menus) that are drawn here owner-drawn. Converting a menu
    // twice changes nothing.
    void Convert(HMENU menu);
    // Gives every converted item its type back (after tracking, at detach). Items of menus that were
    // destroyed meanwhile are skipped.
    void Restore() noexcept;
    int ConvertedCount() const noexcept { return static_cast<int>(FItems.size()); }

    // WM_MEASUREITEM / WM_DRAWITEM: true when the item is one converted here. `background` as for Draw.
    bool Measure(MEASUREITEMSTRUCT& mis) const;
    bool Draw(const DRAWITEMSTRUCT& dis, HBITMAP background) const;

    const TSkinMenuPainter& Painter() const noexcept { return FPainter; }

private:
    struct TConverted {
        HMENU Menu;
        UINT Id;
        ULONG_PTR Data;
        UINT OldType;
    };
    const TConverted* Find(HMENU menu, UINT id, ULONG_PTR data) const noexcept;
    TMenuItemLook LookOf(const TConverted& item, UINT odsState) const;

    TSkinMenuPainter FPainter;
    std::vector<TConverted> FItems;
};

// Where (0, 0) of the menu window that `dc` draws on lies in that window's skinned background (its frame).
POINT MenuBackgroundOrigin(HDC dc) noexcept;

// The text of a native menu item by position (wide, any length).
std::wstring MenuItemText(HMENU menu, UINT position);

}  // namespace qd
