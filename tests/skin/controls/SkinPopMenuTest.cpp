// Popup menus under the skin, with our packed skin and the real manager: the menu window's frame and the
// owner-drawn items seen on the screen while the menu loop runs, the items' own data kept through converting
// and restoring, the popup bound to its menu, WM_PRINT, handle counts over many menus, and unskinning while open.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Graphics.h"
#include "skin/controls/SkinManage.h"
#include "skin/controls/SkinPopMenu.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinMenuItems.h"
#include "skin/form/SkinMessages.h"
#include "support/Files.h"

using namespace qd;

namespace {

std::vector<std::uint8_t> PackageBytes() { return qd::test::ReadFileBytes(QD_SKIN_PACKAGE_FILE); }

TSkinMenuItems* GItems = nullptr;

// The menu's owner draws the converted items the way a form skinner does.
LRESULT CALLBACK OwnerProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (GItems && msg == WM_MEASUREITEM && GItems->Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
    if (GItems && msg == WM_DRAWITEM) {
        const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const HMENU menu = reinterpret_cast<HMENU>(dis.hwndItem);
        TSkinPopMenu::ClaimPendingPopup(menu);
        HBITMAP background = TSkinManage::Instance() ? TSkinManage::Instance()->FindPopupBitmap(menu) : nullptr;
        if (GItems->Draw(dis, background)) return TRUE;
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND MenuWindowOfThread() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wstring(cls) != L"#32768" || !::IsWindowVisible(w)) return TRUE;
            *reinterpret_cast<HWND*>(lp) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// One tracked menu: the timer selects the first item, waits until the window is painted, runs the check, ends the
// menu.
struct TOpenMenu {
    HMENU Menu = nullptr;
    std::function<void(HWND)> WhileOpen;
    ULONGLONG Deadline = 0;
    bool KeySent = false;
    bool Done = false;
    HWND Window = nullptr;
};
TOpenMenu* GOpen = nullptr;

void CALLBACK MenuTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (!GOpen || GOpen->Done) return;
    HWND wnd = MenuWindowOfThread();
    if (wnd && !GOpen->KeySent) {
        ::PostMessageW(wnd, WM_KEYDOWN, VK_DOWN, 0);
        GOpen->KeySent = true;
        return;
    }
    const bool ready =
        wnd && (::GetMenuState(GOpen->Menu, 0, MF_BYPOSITION) & MF_HILITE) && !::GetUpdateRect(wnd, nullptr, FALSE);
    if (!ready && ::GetTickCount64() < GOpen->Deadline) return;
    GOpen->Done = true;
    if (ready) {
        GOpen->Window = wnd;
        if (GOpen->WhileOpen) GOpen->WhileOpen(wnd);
    }
    ::EndMenu();
}

// Tracks `menu` for `owner`; the menu window it saw (null: none appeared).
HWND RunPopup(HWND owner, HMENU menu, std::function<void(HWND)> whileOpen) {
    TOpenMenu open;
    open.Menu = menu;
    open.WhileOpen = std::move(whileOpen);
    open.Deadline = ::GetTickCount64() + 5000;
    GOpen = &open;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, MenuTimer);
    ::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, 200, 150, owner, nullptr);
    ::KillTimer(nullptr, timer);
    GOpen = nullptr;
    return open.Window;
}

// The screen under a window, as 32-bit pixels.
struct TCapture {
    TDibSection Dib;
    RECT Window{};
    COLORREF At(int x, int y) const {
        const auto* p = static_cast<const std::uint8_t*>(Dib.Bits) + (static_cast<std::size_t>(y) * Dib.Width + x) * 4;
        return RGB(p[2], p[1], p[0]);
    }
    // A 32-bit top-down BMP file, for a person to look at. GDI leaves the alpha byte of what it draws 0, which
    // viewers take for transparent: the file is written opaque.
    void Save(const wchar_t* path) const {
        const DWORD bytes = static_cast<DWORD>(Dib.Width * Dib.Height * 4);
        std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(Dib.Bits),
                                          static_cast<const std::uint32_t*>(Dib.Bits) + bytes / 4);
        for (std::uint32_t& p : pixels) p |= 0xFF000000u;
        BITMAPINFOHEADER bi{sizeof(bi), Dib.Width, -Dib.Height, 1, 32, BI_RGB};
        BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, sizeof(fh) + sizeof(bi)};
        fh.bfSize = fh.bfOffBits + bytes;
        std::ofstream out(std::filesystem::path(path), std::ios::binary);
        out.write(reinterpret_cast<const char*>(&fh), sizeof(fh));
        out.write(reinterpret_cast<const char*>(&bi), sizeof(bi));
        out.write(reinterpret_cast<const char*>(pixels.data()), bytes);
    }
    // Pixels of colour `c` in a rectangle given in screen coordinates.
    int Count(RECT screen, COLORREF c) const {
        int n = 0;
        for (int y = screen.top; y < screen.bottom; ++y)
            for (int x = screen.left; x < screen.right; ++x) n += At(x - Window.left, y - Window.top) == c;
        return n;
    }
};
// `bitmap` null: the screen under the window; else the bitmap (placed where the window is).
TCapture Capture(HWND wnd, HBITMAP bitmap = nullptr) {
    TCapture shot;
    ::GetWindowRect(wnd, &shot.Window);
    shot.Dib = CreateDib32(shot.Window.right - shot.Window.left, shot.Window.bottom - shot.Window.top);
    TWindowDC screen(nullptr);
    TMemoryDC mem(screen), src(screen);
    TSelectGuard select(mem, shot.Dib.Bitmap.Get());
    TSelectGuard selectSrc(src, bitmap);
    ::BitBlt(mem, 0, 0, shot.Dib.Width, shot.Dib.Height, bitmap ? src.Get() : screen.Get(),
             bitmap ? 0 : shot.Window.left, bitmap ? 0 : shot.Window.top, SRCCOPY);
    ::GdiFlush();
    return shot;
}

struct TItemRow {
    const wchar_t* Text;
    UINT Type;
    UINT State;
    UINT Id;
    bool Sub;
};
// Chinese captions with mnemonics, a shortcut column, check, radio, disabled, separator, sub-menu.
const TItemRow kItems[] = {
    {L"打开(&O)\tCtrl+O", MFT_STRING, MFS_ENABLED, 101, false},
    {L"自动保存(&A)", MFT_STRING, MFS_CHECKED, 102, false},
    {L"大图标(&L)", MFT_STRING | MFT_RADIOCHECK, MFS_CHECKED, 103, false},
    {L"打印(&P)", MFT_STRING, MFS_DISABLED | MFS_GRAYED, 104, false},
    {L"", MFT_SEPARATOR, 0, 0, false},
    {L"最近的订单(&R)", MFT_STRING, MFS_ENABLED, 105, true},
    {L"退出(&X)", MFT_STRING, MFS_DEFAULT, 106, false},
};

HMENU BuildMenu() {
    HMENU menu = ::CreatePopupMenu();
    for (const TItemRow& row : kItems) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | (row.Type & MFT_SEPARATOR ? 0u : MIIM_STRING);
        info.fType = row.Type;
        info.fState = row.State;
        info.wID = row.Id;
        info.dwItemData = static_cast<ULONG_PTR>(row.Id) << 32 | 7;  // full-width item data
        info.dwTypeData = const_cast<wchar_t*>(row.Text);
        if (row.Sub) {
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = ::CreatePopupMenu();
            ::AppendMenuW(info.hSubMenu, MF_STRING, 201, L"订单 2026-001");
        }
        ::InsertMenuItemW(menu, ::GetMenuItemCount(menu), TRUE, &info);
    }
    return menu;
}

class SkinPopMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        TSkinManage::InstallAsFactory();
        Manager = dynamic_cast<TSkinManage*>(&CreateSkinManager());
        ASSERT_NE(Manager, nullptr);
        Data = std::make_unique<TSkinData>(nullptr);
        Data->SkinPackage = TMemoryStream(PackageBytes());
        ASSERT_TRUE(Data->LoadSkinPackage());
        Data->SetSkinControls(Data->SkinControls() | SkinControlBit(xcPopupMenu));
        Manager->RegisterSkinData(Data.get());
        Manager->InstallHook();
        Manager->SetReadyCount(1);
        Manager->SetSkinning(true);
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QdMenuOwner";
        ::RegisterClassW(&wc);
        Owner = ::CreateWindowExW(0, L"QdMenuOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ::SetForegroundWindow(Owner);
        Items = std::make_unique<TSkinMenuItems>(*Data);
        GItems = Items.get();
        Menu = BuildMenu();
    }
    void TearDown() override {
        GItems = nullptr;
        Items.reset();
        ::DestroyMenu(Menu);
        ::DestroyWindow(Owner);
        Data.reset();
        DestroySkinManager();
        SetSkinManagerFactory(nullptr);
    }
    COLORREF Skin(TColor c) const { return ColorToRGB(c); }

    TSkinManage* Manager = nullptr;
    std::unique_ptr<TSkinData> Data;
    std::unique_ptr<TSkinMenuItems> Items;
    HWND Owner = nullptr;
    HMENU Menu = nullptr;
};

}  // namespace

TEST_F(SkinPopMenuTest, OpenMenuShowsTheSkinsFrameAndItems) {
    Items->Convert(Menu);
    TCapture shot, background;
    std::vector<RECT> rects;
    const HWND wnd = RunPopup(Owner, Menu, [&](HWND w) {
        shot = Capture(w);
        if (HBITMAP bitmap = Manager->FindPopupBitmap(Menu)) background = Capture(w, bitmap);
        for (int i = 0; i < ::GetMenuItemCount(Menu); ++i) {
            RECT r{};
            ::GetMenuItemRect(w, Menu, static_cast<UINT>(i), &r);
            rects.push_back(r);
        }
    });
    Items->Restore();
    ASSERT_NE(wnd, nullptr) << "no menu window appeared";
    ASSERT_TRUE(background.Dib.Bitmap) << "the menu window was not bound to its menu";
    shot.Save(QD_SCREENSHOT_DIR L"/skinned-popupmenu.bmp");

    // The whole three-pixel frame is the skin's background, pixel for pixel.
    const int w = shot.Dib.Width, h = shot.Dib.Height;
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            wrong += (x < 3 || y < 3 || x >= w - 3 || y >= h - 3) && shot.At(x, y) != background.At(x, y);
    EXPECT_EQ(wrong, 0) << "frame pixels that are not the skin's";

    const COLORREF hilite = Skin(Data->HilightColor), text = Skin(Data->MenuTextColor);
    const COLORREF shadow = Skin(Data->ButtonShadowColor), white = RGB(255, 255, 255);
    auto glyph = [](RECT r) { return RECT{r.left, r.top, r.left + 24, r.bottom}; };
    auto textArea = [](RECT r) { return RECT{r.left + 24, r.top, r.right - 12, r.bottom}; };
    auto arrow = [](RECT r) { return RECT{r.right - 12, r.top, r.right, r.bottom}; };
    auto area = [](RECT r) { return (r.right - r.left) * (r.bottom - r.top); };
    ASSERT_EQ(rects.size(), std::size(kItems));
    struct TExpect {
        const char* What;
        int Item;
        std::function<RECT(RECT)> Part;
        COLORREF Color;
        int AtLeast;  // pixels of the colour, negative: percent of the part
    };
    const TExpect expects[] = {
        {"selection fills the selected item", 0, [](RECT r) { return r; }, hilite, -50},
        {"an unselected item shows the background", 6, [](RECT r) { return r; }, white, -50},
        {"check mark", 1, glyph, text, 5},
        {"radio bullet", 2, glyph, text, 5},
        {"disabled text in the shadow colour", 3, textArea, shadow, 5},
        {"separator line from the skin", 4, [](RECT r) { return r; }, shadow, 8},
        {"sub-menu arrow", 5, arrow, text, 4},
        {"caption text", 6, textArea, text, 5},
    };
    for (const TExpect& e : expects) {
        const RECT part = e.Part(rects[static_cast<std::size_t>(e.Item)]);
        const int n = shot.Count(part, e.Color);
        const int wanted = e.AtLeast >= 0 ? e.AtLeast : area(part) * -e.AtLeast / 100;
        EXPECT_GE(n, wanted) << e.What;
    }
    EXPECT_EQ(shot.Count(textArea(rects[3]), text), 0) << "disabled text drawn in the normal colour";
    {
        // The sub-menu arrow is the skin's alone: the platform draws none of its own over the item.
        const RECT r = rects[5];
        TDibSection alone = CreateDib32(r.right - r.left, r.bottom - r.top);
        TMemoryDC mem(nullptr);
        TSelectGuard select(mem, alone.Bitmap.Get());
        TMenuItemLook look;
        look.Caption = L"最近的订单(&R)";
        look.SubMenu = true;
        Items->Painter().Draw(mem, RECT{0, 0, alone.Width, alone.Height}, look, nullptr, POINT{});
        ::GdiFlush();
        TCapture item{std::move(alone), r};
        EXPECT_EQ(shot.Count(arrow(r), text), item.Count(arrow(r), text)) << "arrows on the sub-menu item";
    }
    EXPECT_EQ(shot.Count(shot.Window, RGB(255, 0, 255)), 0) << "key colour on the screen";
}

TEST_F(SkinPopMenuTest, ConvertingKeepsTextStateAndDataAndRestoreGivesTheExactTypeBack) {
    // The application's own owner-drawn item and a bitmap item are not the skin's to draw.
    ::AppendMenuW(Menu, MF_OWNERDRAW, 301, reinterpret_cast<LPCWSTR>(0x1234));
    ::AppendMenuW(Menu, MF_BITMAP, 302, reinterpret_cast<LPCWSTR>(HBMMENU_POPUP_CLOSE));
    struct TSeen {
        std::wstring Text;
        UINT Type, State, Id;
        ULONG_PTR Data;
    };
    auto seen = [](HMENU menu) {
        std::vector<TSeen> out;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
            ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
            out.push_back(
                {MenuItemText(menu, static_cast<UINT>(i)), info.fType, info.fState, info.wID, info.dwItemData});
        }
        return out;
    };
    const HMENU sub = ::GetSubMenu(Menu, 5);
    const std::vector<TSeen> before = seen(Menu), subBefore = seen(sub);
    Items->Convert(Menu);
    Items->Convert(Menu);
    EXPECT_EQ(Items->ConvertedCount(), static_cast<int>(std::size(kItems)) + 1)
        << "the menu's items and the sub-menu's";
    const std::vector<TSeen> during = seen(Menu);
    ASSERT_EQ(during.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(during[i].Text, before[i].Text);
        EXPECT_EQ(during[i].State, before[i].State);
        EXPECT_EQ(during[i].Id, before[i].Id);
        EXPECT_EQ(during[i].Data, before[i].Data);
        const bool ours = i < std::size(kItems);
        EXPECT_EQ(during[i].Type, before[i].Type | (ours ? MFT_OWNERDRAW : 0u));
    }
    EXPECT_TRUE(seen(sub)[0].Type & MFT_OWNERDRAW);
    Items->Restore();
    const std::vector<TSeen> after = seen(Menu), subAfter = seen(sub);
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(after[i].Type, before[i].Type);
        EXPECT_EQ(after[i].Text, before[i].Text);
    }
    EXPECT_EQ(subAfter[0].Type, subBefore[0].Type);
    EXPECT_EQ(subAfter[0].Text, subBefore[0].Text);
}

TEST_F(SkinPopMenuTest, PopupIsBoundToItsMenuAndLeavesNoPendingSkinnerBehind) {
    // Nothing owner-drawn: no item drawing ever claims the popup.
    HBITMAP background = nullptr;
    bool pendingWhileOpen = true;
    ASSERT_NE(RunPopup(Owner, Menu,
                       [&](HWND) {
                           background = Manager->FindPopupBitmap(Menu);
                           pendingWhileOpen = TSkinPopMenu::PendingPopup() != nullptr;
                       }),
              nullptr);
    EXPECT_NE(background, nullptr);
    EXPECT_FALSE(pendingWhileOpen);
    EXPECT_EQ(TSkinPopMenu::PendingPopup(), nullptr);
    EXPECT_EQ(Manager->PopupSkinnerCount(), 0);
}

TEST_F(SkinPopMenuTest, PrintDrawsTheSkinAndKeepsTheCallersClipRegion) {
    COLORREF corner = 0, expected = 1;
    bool sameClip = false;
    int bkMode = 0;
    ASSERT_NE(RunPopup(Owner, Menu,
                       [&](HWND w) {
                           RECT r{};
                           ::GetWindowRect(w, &r);
                           TDibSection dib = CreateDib32(r.right - r.left, r.bottom - r.top);
                           TMemoryDC dc(nullptr);
                           TSelectGuard select(dc, dib.Bitmap.Get());
                           TRegionHandle clip(::CreateRectRgn(0, 0, dib.Width, dib.Height - 1));
                           ::SelectClipRgn(dc, clip.Get());
                           ::SetBkMode(dc, OPAQUE);
                           ::SendMessageW(w, WM_PRINT, reinterpret_cast<WPARAM>(dc.Get()),
                                          PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
                           TRegionHandle now(::CreateRectRgn(0, 0, 0, 0));
                           sameClip = ::GetClipRgn(dc, now.Get()) == 1 && ::EqualRgn(now.Get(), clip.Get());
                           bkMode = ::GetBkMode(dc);
                           corner = ::GetPixel(dc, 0, 0) & 0xFFFFFF;
                           TMemoryDC src(nullptr);
                           TSelectGuard back(src, Manager->FindPopupBitmap(Menu));
                           expected = ::GetPixel(src, 0, 0) & 0xFFFFFF;
                       }),
              nullptr);
    EXPECT_TRUE(sameClip);
    EXPECT_EQ(bkMode, OPAQUE);
    EXPECT_EQ(corner, expected);
}

TEST_F(SkinPopMenuTest, FiftyOpenAndCloseCyclesKeepGdiCountsFlat) {
    auto cycle = [&] {
        Items->Convert(Menu);
        const HWND wnd = RunPopup(Owner, Menu, nullptr);
        Items->Restore();
        return wnd != nullptr;
    };
    ASSERT_TRUE(cycle());  // the painter's lasting objects
    const TGdiCounts before = GdiLiveCounts();
    int opened = 0;
    for (int i = 0; i < 50; ++i) opened += cycle();
    EXPECT_EQ(opened, 50);
    EXPECT_EQ(GdiLiveCounts().Live, before.Live);
    EXPECT_EQ(Manager->PopupSkinnerCount(), 0);
}

TEST_F(SkinPopMenuTest, UnskinningWhileTheMenuIsOpenGivesTheWindowBack) {
    Items->Convert(Menu);
    LRESULT queryBefore = 0, queryAfter = 1;
    const HWND wnd = RunPopup(Owner, Menu, [&](HWND w) {
        queryBefore = ::SendMessageW(w, WM_SKIN_QUERY, 0, 0);
        Manager->UnregisterSkinData(Data.get());
        queryAfter = ::SendMessageW(w, WM_SKIN_QUERY, 0, 0);
        ::InvalidateRect(w, nullptr, TRUE);
        ::UpdateWindow(w);
    });
    Items->Restore();
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(queryBefore, 1);
    EXPECT_EQ(queryAfter, 0);
    EXPECT_EQ(Manager->PopupSkinnerCount(), 0);
    EXPECT_EQ(TSkinPopMenu::PendingPopup(), nullptr);
}
