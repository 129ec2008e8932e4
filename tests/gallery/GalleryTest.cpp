// The skin gallery: every control kind is there and shown under the skin, F2 switches the skin off and on, and
// the program started with a skin package shows it and ends cleanly.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/FrameworkTestSupport.h"
#include "gallery/Gallery_Frm.h"
#include "skin/controls/SkinManage.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinManagerIntf.h"
#include "skin/controls/SkinControlTestSupport.h"
#include "skin/form/SkinMenuBar.h"
#include "skin/form/SkinMenuItems.h"
#include "skin/form/SkinMessages.h"
#include "support/ProgramPath.h"

using namespace qd;

namespace {

bool SkinnedWindow(HWND wnd) { return ::SendMessageW(wnd, WM_SKIN_QUERY, 0, 0) == 1; }

void PostKey(HWND wnd, WORD vk) {
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(wnd, WM_KEYDOWN, vk, 1 | scan);
    ::PostMessageW(wnd, WM_KEYUP, vk, 1 | scan | (1 << 30) | (static_cast<LPARAM>(1) << 31));
}

class GalleryTest : public ::testing::Test {
protected:
    void SetUp() override {
        TSkinManage::InstallAsFactory();
        Application->CreateForm(Form_Gallery);
        ASSERT_NE(Form_Gallery, nullptr);
        Form_Gallery->Show();
        ::SetForegroundWindow(Form_Gallery->Handle());
        ASSERT_TRUE(test::PumpUntil([] { return SkinnedWindow(Form_Gallery->Handle()); }))
            << "the gallery's window was not skinned";
    }
    void TearDown() override {
        delete Form_Gallery;
        DestroySkinManager();
        Application->ProcessMessages();
        Application->ResetTerminated();
    }
};

TEST_F(GalleryTest, EveryControlKindIsThereAndShown) {
    static const char* const kKinds[] = {"TButton",   "TBitBtn",      "TSpeedButton", "TCheckBox",    "TRadioButton",
                                         "TGroupBox", "TRadioGroup",  "TPanel",       "TEdit",        "TMemo",
                                         "TListBox",  "TComboBox",    "TScrollBar",   "TProgressBar", "TTrackBar",
                                         "TUpDown",   "TPageControl", "TTabSheet",    "TTabControl",  "THeaderControl",
                                         "TListView", "TStatusBar",   "TLabel"};
    std::set<std::string> shown;
    for (int i = 0; i < Form_Gallery->ComponentCount(); ++i) {
        auto* control = dynamic_cast<TControl*>(Form_Gallery->Components(i));
        if (!control || !control->Showing()) continue;
        if (auto* win = dynamic_cast<TWinControl*>(control)) {
            EXPECT_TRUE(::IsWindowVisible(win->Handle())) << control->Name();
        }
        shown.insert(control->ClassName());
    }
    for (const char* kind : kKinds) EXPECT_TRUE(shown.count(kind)) << kind << " is not shown";
    EXPECT_NE(Form_Gallery->Menu(), nullptr);
    EXPECT_NE(Form_Gallery->PopupMenu(), nullptr);
}

TEST_F(GalleryTest, SpeedButtonsListViewHeaderAndContainersAreSkinnedThroughTheDispatch) {
    // The controls are dispatched once the form skinner's start-up message arrived.
    test::PumpUntil([] { return Form_Gallery->StatusBar_Gallery->Perform(WM_SKIN_QUERY) == 1; });
    for (int i = 0; i < Form_Gallery->ComponentCount(); ++i) {
        auto* control = dynamic_cast<TControl*>(Form_Gallery->Components(i));
        if (!control) continue;
        const std::string cls = control->ClassName();
        if (cls == "TSpeedButton" || cls == "TListView" || cls == "TPageControl" || cls == "TTabControl" ||
            cls == "TGroupBox" || cls == "TRadioGroup" || cls == "TPanel") {
            EXPECT_EQ(control->Perform(WM_SKIN_QUERY), 1) << control->Name();
        }
        if (cls == "TListView") {
            HWND header = reinterpret_cast<HWND>(
                ::SendMessageW(static_cast<TWinControl*>(control)->Handle(), LVM_GETHEADER, 0, 0));
            EXPECT_TRUE(header && SkinnedWindow(header)) << control->Name() << "'s header";
        }
    }
}

TEST_F(GalleryTest, F2SwitchesTheSkinOffAndOn) {
    HWND form = Form_Gallery->Handle();
    for (const bool skinned : {false, true}) {
        SCOPED_TRACE(skinned ? "on again" : "off");
        PostKey(::GetFocus() ? ::GetFocus() : form, VK_F2);
        EXPECT_TRUE(test::PumpUntil([&] { return SkinnedWindow(form) == skinned; }));
        EXPECT_EQ(Form_Gallery->Skinned(), skinned);
        EXPECT_EQ(Form_Gallery->MenuItem_Skin->Checked(), skinned);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The gallery's menus opened by the mouse, as a person sees them: the screen is kept in the build folder

// The visible menu windows of this thread.
std::vector<HWND> MenuWindows() {
    std::vector<HWND> found;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wstring(cls) == L"#32768" && ::IsWindowVisible(w))
                reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Inside the menu loop: once the menu window stands painted with its first item selected, the screen under the
// form and its menu is saved, what the menu shows is compared with the skin, and the menu ends.
struct TMenuShot {
    const wchar_t* File = nullptr;
    RECT Area{};  // screen
    bool KeySent = false;
    bool Saved = false;
    bool MenuSkinned = false;
    int FrameNotSkin = -1;      // pixels of the menu's frame that are not the skin's menu background
    int KeyColour = -1;         // magenta pixels in the menu
    int SelectionPercent = -1;  // of the first item, in the skin's selection colour
    int ArrowInk = -1;          // text-coloured pixels where the sub-menu item shows its arrow
    int SkinArrowInk = -1;      // the same, of the skin's item drawn alone
    ULONGLONG Deadline = 0;
};
TMenuShot* GShot = nullptr;

// Platform quirk (Wine): what the menu window painted reaches the screen only some time later, so the menu is
// read from its own window DC (what it painted) and laid over the screen under the form.
void CopyWindowTo(HDC dc, HWND wnd, int x, int y) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    TWindowDC window(wnd, TWindowDC::TArea::Window);
    ::BitBlt(dc, x, y, r.right - r.left, r.bottom - r.top, window, 0, 0, SRCCOPY);
}

void SaveScreen(const RECT& area, HWND menu, const wchar_t* file) {
    TBitmap shot;
    shot.SetSize(area.right - area.left, area.bottom - area.top);
    {
        TWindowDC screen(nullptr);
        ::BitBlt(shot.Canvas().Handle(), 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
                 area.top, SRCCOPY);
        RECT r{};
        ::GetWindowRect(menu, &r);
        CopyWindowTo(shot.Canvas().Handle(), menu, r.left - area.left, r.top - area.top);
    }
    shot.Dormant();
    const auto bytes = shot.SaveToBmpBytes();
    std::ofstream(std::filesystem::path(file), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// What a window painted, as pixels.
test::TCapture CaptureWindow(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    test::TCapture c;
    c.Width = r.right - r.left;
    c.Height = r.bottom - r.top;
    TDibSection dib = CreateDib32(c.Width, c.Height);
    {
        TMemoryDC mem(nullptr);
        TSelectGuard select(mem, dib.Bitmap.Get());
        CopyWindowTo(mem, wnd, 0, 0);
        ::GdiFlush();
    }
    const auto* bits = static_cast<const std::uint32_t*>(dib.Bits);
    c.Pixels.assign(bits, bits + static_cast<std::size_t>(c.Width) * c.Height);
    return c;
}

// The pixels of a bitmap (`size` of them from its top-left).
test::TCapture CaptureBitmap(HBITMAP bitmap, SIZE size) {
    test::TCapture c;
    c.Width = size.cx;
    c.Height = size.cy;
    TDibSection dib = CreateDib32(size.cx, size.cy);
    {
        TMemoryDC dst(nullptr), src(nullptr);
        TSelectGuard selectDst(dst, dib.Bitmap.Get()), selectSrc(src, bitmap);
        ::BitBlt(dst, 0, 0, size.cx, size.cy, src, 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    const auto* bits = static_cast<const std::uint32_t*>(dib.Bits);
    c.Pixels.assign(bits, bits + static_cast<std::size_t>(size.cx) * size.cy);
    return c;
}

void CompareWithSkin(TMenuShot& shot, HWND wnd, HMENU menu) {
    const TSkinData& skin = *Form_Gallery->SkinData_Main;
    const test::TCapture screen = CaptureWindow(wnd);
    RECT window{};
    ::GetWindowRect(wnd, &window);
    auto local = [&](RECT r) {
        ::OffsetRect(&r, -window.left, -window.top);
        return r;
    };
    const std::uint32_t text = ColorToRGB(skin.MenuTextColor), hilite = ColorToRGB(skin.HilightColor);
    auto rgb = [](COLORREF c) { return test::Rgb(GetRValue(c), GetGValue(c), GetBValue(c)); };
    if (HBITMAP background = TSkinManage::Instance()->FindPopupBitmap(menu)) {
        const test::TCapture skinBack = CaptureBitmap(background, SIZE{screen.Width, screen.Height});
        shot.FrameNotSkin = 0;
        for (int y = 0; y < screen.Height; ++y)
            for (int x = 0; x < screen.Width; ++x)
                shot.FrameNotSkin += (x < 3 || y < 3 || x >= screen.Width - 3 || y >= screen.Height - 3) &&
                                     screen.At(x, y) != skinBack.At(x, y);
    }
    const RECT all{0, 0, screen.Width, screen.Height};
    shot.KeyColour = screen.Count(all, test::IsKey);
    RECT first{};
    ::GetMenuItemRect(wnd, menu, 0, &first);
    first = local(first);
    shot.SelectionPercent = screen.Count(first, [&](std::uint32_t p) { return p == rgb(hilite); }) * 100 /
                            std::max(1L, (first.right - first.left) * (first.bottom - first.top));
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        if (!::GetSubMenu(menu, i)) continue;
        RECT item{};
        ::GetMenuItemRect(wnd, menu, static_cast<UINT>(i), &item);
        item = local(item);
        const int w = item.right - item.left, h = item.bottom - item.top;
        const RECT arrow{item.right - 12, item.top, item.right, item.bottom};
        shot.ArrowInk = screen.Count(arrow, [&](std::uint32_t p) { return p == rgb(text); });
        TMenuItemLook look;
        look.SubMenu = true;
        TSkinMenuPainter painter(skin);
        TDibSection alone = CreateDib32(w, h);
        {
            TMemoryDC mem(nullptr);
            TSelectGuard select(mem, alone.Bitmap.Get());
            painter.Draw(mem, RECT{0, 0, w, h}, look, nullptr, POINT{});
        }
        const test::TCapture drawn = CaptureBitmap(alone.Bitmap.Get(), SIZE{w, h});
        shot.SkinArrowInk = drawn.Count(RECT{w - 12, 0, w, h}, [&](std::uint32_t p) { return p == rgb(text); });
        break;
    }
}

void CALLBACK MenuShotTimer(HWND, UINT, UINT_PTR, DWORD) {
    TMenuShot* shot = GShot;
    if (!shot || shot->Saved) return;
    if (::GetTickCount64() > shot->Deadline) {
        ::EndMenu();
        return;
    }
    const std::vector<HWND> menus = MenuWindows();
    if (menus.size() != 1) return;
    const HWND wnd = menus.front();
    const HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(wnd, 0x01E1 /* MN_GETHMENU */, 0, 0));
    if (!shot->KeySent) {
        ::PostMessageW(wnd, WM_KEYDOWN, VK_DOWN, 0);
        shot->KeySent = true;
        return;
    }
    if (!(::GetMenuState(menu, 0, MF_BYPOSITION) & MF_HILITE) || ::GetUpdateRect(wnd, nullptr, FALSE)) return;
    CompareWithSkin(*shot, wnd, menu);
    RECT r{};
    ::GetWindowRect(wnd, &r);
    ::UnionRect(&shot->Area, &shot->Area, &r);
    SaveScreen(shot->Area, wnd, shot->File);
    shot->Saved = true;
    shot->MenuSkinned = SkinnedWindow(wnd);
    ::EndMenu();
}

// Runs `click` (real input) and holds the menu it opens until the shot is saved.
TMenuShot ShootMenu(HWND form, const wchar_t* file, std::function<void()> click) {
    TMenuShot shot;
    shot.File = file;
    ::GetWindowRect(form, &shot.Area);
    shot.Deadline = ::GetTickCount64() + 10000;
    GShot = &shot;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, MenuShotTimer);
    test::RunInput(std::move(click));
    test::PumpUntil([&] { return shot.Saved && MenuWindows().empty(); }, 10000);
    ::KillTimer(nullptr, timer);
    GShot = nullptr;
    test::ParkCursor();
    return shot;
}

void ExpectDrawnByTheSkin(const TMenuShot& shot) {
    ASSERT_TRUE(shot.Saved) << "the menu did not stand open";
    EXPECT_TRUE(shot.MenuSkinned);
    EXPECT_EQ(shot.FrameNotSkin, 0) << "frame pixels that are not the skin's menu background";
    EXPECT_EQ(shot.KeyColour, 0);
    EXPECT_GE(shot.SelectionPercent, 50) << "the selected item in the skin's selection";
    EXPECT_GT(shot.SkinArrowInk, 0);
    EXPECT_EQ(shot.ArrowInk, shot.SkinArrowInk) << "the sub-menu arrow is the skin's alone";
}

TEST_F(GalleryTest, MainMenuDropDownAndContextMenuOpenByTheMouseAreDrawnByTheSkin) {
    HWND form = Form_Gallery->Handle();
    auto* skinner = dynamic_cast<TSkinForm*>(TSkinManage::Instance()->FindFormSkinner(form));
    ASSERT_TRUE(skinner && skinner->MenuBar());
    // The band lays its buttons out when it is first painted.
    const RECT& view = skinner->MenuBar()->Buttons().at(1).Rect;
    ASSERT_TRUE(test::PumpUntil([&] { return !::IsRectEmpty(&view); }));
    RECT wr{};
    ::GetWindowRect(form, &wr);
    const POINT onView{wr.left + (view.left + view.right) / 2, wr.top + (view.top + view.bottom) / 2};
    {
        SCOPED_TRACE("the View drop-down of the main menu");
        ExpectDrawnByTheSkin(ShootMenu(form, QD_SCREENSHOT_DIR L"/gallery-menu.bmp", [&] {
            test::MoveTo(onView);
            test::SendMouse(MOUSEEVENTF_LEFTDOWN);
            test::SendMouse(MOUSEEVENTF_LEFTUP);
        }));
    }

    // A spot of the form's own client area (no control over it), near the middle, takes the context menu.
    RECT client{};
    ::GetClientRect(form, &client);
    POINT spot{};
    for (int y = client.bottom / 2; y < client.bottom && !spot.x; y += 5)
        for (int x = client.right / 2; x < client.right; x += 5)
            if (::ChildWindowFromPointEx(form, POINT{x, y}, CWP_SKIPINVISIBLE) == form) {
                spot = test::ScreenPoint(form, x, y);
                break;
            }
    ASSERT_NE(spot.x, 0) << "no free spot on the form";
    SCOPED_TRACE("the context menu");
    ExpectDrawnByTheSkin(ShootMenu(form, QD_SCREENSHOT_DIR L"/gallery-context-menu.bmp", [&] {
        test::MoveTo(spot);
        test::SendMouse(MOUSEEVENTF_RIGHTDOWN);
        test::SendMouse(MOUSEEVENTF_RIGHTUP);
    }));
}

// ---------------------------------------------------------------------------------------------------------------
// The program

std::wstring GalleryPath() { return qd::test::BesideThisProgram(L"gallery\\SkinGallery.exe"); }

HWND FindGalleryWindow(DWORD pid) {
    struct TSearch {
        DWORD Pid;
        HWND Found;
    } s{pid, nullptr};
    ::EnumWindows(
        [](HWND wnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(lp);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(wnd, &owner);
            wchar_t cls[64] = {};
            ::GetClassNameW(wnd, cls, 64);
            if (owner == s->Pid && ::IsWindowVisible(wnd) && std::wstring(cls) == L"TForm_Gallery") {
                s->Found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.Found;
}

template <class F>
bool WaitUntil(F&& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return true;
}

TEST(GalleryProgramTest, StartsWithTheSkinPackageGivenAndEndsCleanly) {
    std::wstring command = L"\"" + GalleryPath() + L"\" \"" + std::wstring(L"" QD_SKIN_PACKAGE_FILE) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HWND wnd = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (wnd = FindGalleryWindow(pi.dwProcessId)) != nullptr; }, 30000));
    if (wnd) {
        EXPECT_TRUE(WaitUntil([&] { return SkinnedWindow(wnd); }, 10000)) << "the window is skinned";
        wchar_t caption[256] = {};
        ::GetWindowTextW(wnd, caption, 256);
        EXPECT_NE(std::wstring(caption).find(L"xpluna.skn"), std::wstring::npos) << "the caption names the package";
        ::PostMessageW(wnd, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1234;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    if (code == STILL_ACTIVE) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

}  // namespace
