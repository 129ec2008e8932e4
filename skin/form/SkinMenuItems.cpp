#include "skin/form/SkinMenuItems.h"

#include <algorithm>

#include "framework/Graphics.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"

namespace qd {

namespace {

constexpr int GlyphSize = 16;
constexpr int MenuItemFrames = 5;
enum TMenuItemFrame : int { mfNormal = 1, mfSeparator = 2, mfSelected = 4 };
constexpr int ShortCutGap = 20;  // between the caption and the shortcut column
constexpr int RightSpace = 11;   // right of the shortcut: room for the sub-menu arrow
constexpr int SeparatorHeight = 8;
// The platform's check-mark bitmap (an OEM resource: its name needs OEMRESOURCE before the platform headers).
constexpr WORD ObmCheck = 32760;

// Mono mask of a system bitmap: true where it is black (the ink).
std::vector<bool> InkOf(HBITMAP bitmap, SIZE& size) {
    size = BitmapSize(bitmap);
    std::vector<bool> ink(static_cast<std::size_t>(std::max(0L, size.cx * size.cy)));
    TMemoryDC dc(nullptr);
    TSelectGuard select(dc, bitmap);
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            ink[static_cast<std::size_t>(y * size.cx + x)] = (::GetPixel(dc, x, y) & 0xFFFFFF) == 0;
    return ink;
}

// Check mark of the platform (OBM_CHECK); read once, the bitmap freed at once.
const std::vector<bool>& CheckInk(SIZE& size) {
    static SIZE checkSize{};
    static const std::vector<bool> ink = [] {
        TBitmapHandle check(
            static_cast<HBITMAP>(::LoadImageW(nullptr, MAKEINTRESOURCEW(ObmCheck), IMAGE_BITMAP, 0, 0, 0)));
        return check ? InkOf(check.Get(), checkSize) : std::vector<bool>{};
    }();
    size = checkSize;
    return ink;
}

void FillColor(HDC dc, const RECT& rect, COLORREF color) {
    TBrushHandle brush(::CreateSolidBrush(color));
    ::FillRect(dc, &rect, brush.Get());
}

}  // namespace

TFontHandle CreateMenuFont(bool bold) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        font = metrics.lfMenuFont;
    else
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    if (bold) font.lfWeight = FW_BOLD;
    return TFontHandle(::CreateFontIndirectW(&font));
}

// ---------------------------------------------------------------------------------------------------------------
// Painter

TSkinMenuPainter::TSkinMenuPainter(const TSkinData& skin)
    : FSkin(skin), FMenuFont(CreateMenuFont(false)), FBoldFont(CreateMenuFont(true)) {}

int TSkinMenuPainter::GlyphColumn() const noexcept {
    return 1 + (FSkin.MenuItem ? FSkin.MenuItem->LeftWidth : 0) + GlyphSize + 3;
}

SIZE TSkinMenuPainter::Measure(const TMenuItemLook& look) const {
    if (look.Separator) return {GlyphColumn() + RightSpace, SeparatorHeight};
    TMemoryDC dc(nullptr);
    TSelectGuard font(dc, look.Default ? FBoldFont.Get() : FMenuFont.Get());
    auto extent = [&](const std::wstring& text, UINT flags) {
        RECT r{0, 0, 0, 0};
        // A caption without text still takes one blank's height.
        DrawTextWide(dc, text.empty() || text == L"&" ? text + L" " : text, r,
                     flags | DT_CALCRECT | DT_SINGLELINE | DT_NOCLIP | DT_EXPANDTABS);
        return r;
    };
    const RECT caption = extent(look.Caption, 0);
    int width = GlyphColumn() + (caption.right - caption.left) + RightSpace + 1;
    if (!look.ShortCut.empty()) {
        const RECT shortcut = extent(look.ShortCut, DT_NOPREFIX);
        width += ShortCutGap + (shortcut.right - shortcut.left);
    }
    const int height = std::max<int>(caption.bottom - caption.top + 4, GlyphSize + 2);
    return {width, height};
}

COLORREF TSkinMenuPainter::TextColor(const TMenuItemLook& look) const {
    if (look.Disabled) {
        const COLORREF shadow = ColorToRGB(FSkin.ButtonShadowColor);
        return shadow == ColorToRGB(FSkin.MenuTextColor) ? ::GetSysColor(COLOR_BTNSHADOW) : shadow;
    }
    return ColorToRGB(look.Selected ? FSkin.HilightTextColor : FSkin.MenuTextColor);
}

void TSkinMenuPainter::Draw(HDC dc, const RECT& rect, const TMenuItemLook& look, HBITMAP background,
                            POINT origin) const {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    TOffscreen mem(dc, w, h);
    if (!mem) return;
    const RECT local{0, 0, w, h};

    const SIZE backSize = BitmapSize(background);
    if (backSize.cx > 0 && backSize.cy > 0) {
        TMemoryDC src(dc);
        TSelectGuard selectBack(src, background);
        ::BitBlt(mem, 0, 0, w, h, src, rect.left + origin.x, rect.top + origin.y, SRCCOPY);
    } else {
        FillColor(mem, local, ColorToRGB(FSkin.MenuColor));
    }

    const TDataSkinObject* item = FSkin.MenuItem.get();
    const bool image = item && !item->Bitmap.Empty();
    if (look.Separator) {
        if (image)
            DrawSeparator(mem, local);
        else
            DrawContent(mem, local, look);
    } else {
        if (image)
            DrawNineSlice(mem, local, item->Bitmap.Handle(), item->Margins(), look.Selected ? mfSelected : mfNormal,
                          MenuItemFrames, item->Trans != 0, item->Tile != 0, false);
        else if (look.Selected)
            FillColor(mem, local, ColorToRGB(FSkin.HilightColor));
        DrawContent(mem, local, look);
    }
    ::BitBlt(dc, rect.left, rect.top, w, h, mem, 0, 0, SRCCOPY);
    // Platform quirk (Windows and Wine): after WM_DRAWITEM the menu draws its own sub-menu arrow over an
    // owner-drawn item, next to ours; with the item out of the DC's clipping only the skin's arrow shows.
    if (look.SubMenu) ::ExcludeClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void TSkinMenuPainter::DrawSeparator(HDC dc, const RECT& rect) const {
    // Frame 2 of the strip, its bottom rows when the image is taller than the item: caps and a stretched middle.
    const TDataSkinObject& item = *FSkin.MenuItem;
    const RECT frame = StripFrameRect(item.Bitmap.Handle(), mfSeparator, MenuItemFrames, false);
    const int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (fw <= 0 || fh <= 0) return;
    const int rows = std::min(fh, h);
    const int srcTop = frame.top + fh - rows;
    const int left = std::clamp(item.LeftWidth, 0, fw), right = std::clamp(item.RightWidth, 0, fw - left);
    TMemoryDC src(dc);
    TSelectGuard selectSrc(src, item.Bitmap.Handle());
    TMemoryDC part(dc);
    TBitmapHandle partBitmap = CreateCompatibleBitmapOf(dc, w, rows);
    if (!partBitmap) return;
    TSelectGuard selectPart(part, partBitmap.Get());
    ::SetStretchBltMode(part, COLORONCOLOR);
    ::BitBlt(part, 0, 0, left, rows, src, frame.left, srcTop, SRCCOPY);
    ::StretchBlt(part, left, 0, std::max(0, w - left - right), rows, src, frame.left + left, srcTop, fw - left - right,
                 rows, SRCCOPY);
    ::BitBlt(part, w - right, 0, right, rows, src, frame.right - right, srcTop, SRCCOPY);
    KeyColorBlit(dc, rect.left, rect.top + h - rows, w, rows, part, 0, 0, SkinKeyColor);
}

void TSkinMenuPainter::DrawContent(HDC dc, const RECT& rect, const TMenuItemLook& look) const {
    const int h = rect.bottom - rect.top;
    if (look.Separator) {
        RECT line = rect;
        line.left += GlyphColumn();
        line.top += h / 2 - 1;
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    const COLORREF ink = TextColor(look);
    const RECT glyph{rect.left + GlyphColumn() - 3 - GlyphSize, rect.top + (h - GlyphSize) / 2,
                     rect.left + GlyphColumn() - 3, rect.top + (h - GlyphSize) / 2 + GlyphSize};
    const bool hasImage =
        look.Images && look.ImageIndex >= 0 && look.ImageIndex < ::ImageList_GetImageCount(look.Images);
    if (hasImage) {
        ::ImageList_Draw(look.Images, look.ImageIndex, dc, glyph.left, glyph.top, ILD_TRANSPARENT);
    } else if (look.Checked && look.Radio) {
        // A round bullet of radius 3 in the text colour.
        const int cx = (glyph.left + glyph.right) / 2, cy = (glyph.top + glyph.bottom) / 2;
        for (int y = -3; y <= 3; ++y)
            for (int x = -3; x <= 3; ++x)
                if (x * x + y * y <= 10) ::SetPixelV(dc, cx + x, cy + y, ink);
    } else if (look.Checked) {
        SIZE size{};
        const std::vector<bool>& mark = CheckInk(size);
        const int x0 = glyph.left + (GlyphSize - size.cx) / 2 + 1, y0 = glyph.top + (GlyphSize - size.cy) / 2 + 1;
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x)
                if (mark[static_cast<std::size_t>(y * size.cx + x)]) ::SetPixelV(dc, x0 + x, y0 + y, ink);
    }

    TSelectGuard font(dc, look.Default ? FBoldFont.Get() : FMenuFont.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ink);
    RECT text{rect.left + GlyphColumn(), rect.top, rect.right - RightSpace, rect.bottom};
    DrawTextWide(dc, look.Caption, text,
                 DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | (look.HideMnemonics ? DT_HIDEPREFIX : 0u));
    if (!look.ShortCut.empty())
        DrawTextWide(dc, look.ShortCut, text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    if (look.SubMenu) {
        // A right-pointing triangle, 4 columns wide.
        const int x0 = rect.right - 9, cy = rect.top + h / 2;
        for (int i = 0; i < 4; ++i)
            for (int y = cy - 3 + i; y <= cy + 3 - i; ++y) ::SetPixelV(dc, x0 + i, y, ink);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Native items

POINT MenuBackgroundOrigin(HDC dc) noexcept {
    // The menu window's client area lies inside its frame.
    POINT origin{0, 0};
    if (HWND wnd = ::WindowFromDC(dc)) {
        RECT window{};
        ::GetWindowRect(wnd, &window);
        ::ClientToScreen(wnd, &origin);
        origin.x -= window.left;
        origin.y -= window.top;
    }
    return origin;
}

std::wstring MenuItemText(HMENU menu, UINT position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    if (!::GetMenuItemInfoW(menu, position, TRUE, &info) || info.cch == 0) return {};
    std::wstring text(info.cch + 1, L'\0');
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (!::GetMenuItemInfoW(menu, position, TRUE, &info)) return {};
    text.resize(info.cch);
    return text;
}

void TSkinMenuItems::Convert(HMENU menu) {
    if (!::IsMenu(menu)) return;
    const int count = ::GetMenuItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU | MIIM_BITMAP;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &info)) continue;
        if (info.hSubMenu) Convert(info.hSubMenu);
        // Items that draw themselves or show a bitmap stay as they are.
        if (info.fType & (MFT_OWNERDRAW | MFT_BITMAP) || info.hbmpItem) continue;
        MENUITEMINFOW type{};
        type.cbSize = sizeof(type);
        type.fMask = MIIM_FTYPE;
        type.fType = info.fType | MFT_OWNERDRAW;
        if (::SetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &type))
            FItems.push_back({menu, info.wID, info.dwItemData, info.fType});
    }
}

void TSkinMenuItems::Restore() noexcept {
    for (const TConverted& item : FItems) {
        if (!::IsMenu(item.Menu)) continue;
        const int count = ::GetMenuItemCount(item.Menu);
        for (int pos = 0; pos < count; ++pos) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
            if (!::GetMenuItemInfoW(item.Menu, static_cast<UINT>(pos), TRUE, &info)) continue;
            if (info.wID != item.Id || info.dwItemData != item.Data || !(info.fType & MFT_OWNERDRAW)) continue;
            MENUITEMINFOW type{};
            type.cbSize = sizeof(type);
            type.fMask = MIIM_FTYPE;
            type.fType = item.OldType;
            ::SetMenuItemInfoW(item.Menu, static_cast<UINT>(pos), TRUE, &type);
            break;
        }
    }
    FItems.clear();
}

const TSkinMenuItems::TConverted* TSkinMenuItems::Find(HMENU menu, UINT id, ULONG_PTR data) const noexcept {
    // Item data first: it tells apart items that share a command (separators, the same command twice).
    const TConverted* byId = nullptr;
    for (const TConverted& item : FItems) {
        if (menu && item.Menu != menu) continue;
        if (item.Data == data && item.Id == id) return &item;
        if (!byId && item.Id == id && id != 0) byId = &item;
    }
    return byId;
}

TMenuItemLook TSkinMenuItems::LookOf(const TConverted& item, UINT odsState) const {
    TMenuItemLook look;
    look.Separator = (item.OldType & MFT_SEPARATOR) != 0;
    look.Radio = (item.OldType & MFT_RADIOCHECK) != 0;
    look.Selected = (odsState & ODS_SELECTED) != 0;
    look.HideMnemonics = (odsState & ODS_NOACCEL) != 0;
    const int count = ::GetMenuItemCount(item.Menu);
    for (int pos = 0; pos < count; ++pos) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_DATA | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE;
        if (!::GetMenuItemInfoW(item.Menu, static_cast<UINT>(pos), TRUE, &info)) continue;
        if (info.wID != item.Id || info.dwItemData != item.Data ||
            look.Separator != ((info.fType & MFT_SEPARATOR) != 0))
            continue;
        std::wstring text = MenuItemText(item.Menu, static_cast<UINT>(pos));
        const std::size_t tab = text.find(L'\t');
        if (tab != std::wstring::npos) {
            look.ShortCut = text.substr(tab + 1);
            text.resize(tab);
        }
        look.Caption = std::move(text);
        look.Disabled = (info.fState & MFS_DISABLED) != 0;
        look.Checked = (info.fState & MFS_CHECKED) != 0;
        look.Default = (info.fState & MFS_DEFAULT) != 0;
        look.SubMenu = info.hSubMenu != nullptr;
        break;
    }
    // The system menu's commands show the skin's own glyphs.
    switch (item.Id) {
        case SC_RESTORE:
            look.ImageIndex = 0;
            break;
        case SC_MAXIMIZE:
            look.ImageIndex = 1;
            break;
        case SC_MINIMIZE:
            look.ImageIndex = 2;
            break;
        case SC_CLOSE:
            look.ImageIndex = 3;
            break;
        default:
            break;
    }
    return look;
}

bool TSkinMenuItems::Measure(MEASUREITEMSTRUCT& mis) const {
    if (mis.CtlType != ODT_MENU) return false;
    const TConverted* item = Find(nullptr, mis.itemID, mis.itemData);
    if (!item) return false;
    const SIZE size = FPainter.Measure(LookOf(*item, 0));
    mis.itemWidth = static_cast<UINT>(size.cx);
    mis.itemHeight = static_cast<UINT>(size.cy);
    return true;
}

bool TSkinMenuItems::Draw(const DRAWITEMSTRUCT& dis, HBITMAP background) const {
    if (dis.CtlType != ODT_MENU) return false;
    const TConverted* item = Find(reinterpret_cast<HMENU>(dis.hwndItem), dis.itemID, dis.itemData);
    if (!item) return false;
    TMenuItemLook look = LookOf(*item, dis.itemState);
    if (look.ImageIndex >= 0) look.Images = FPainter.Skin().MenuGlyphs();
    FPainter.Draw(dis.hDC, dis.rcItem, look, background, MenuBackgroundOrigin(dis.hDC));
    return true;
}

}  // namespace qd
