// The manager with the engine's own form skinner and our packed skin: platform dialogs opened while the skin is
// active are skinned as plain windows, and unskin all gives a live window back.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "skin/controls/SkinManage.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"
#include "support/FileOpenDialog.h"
#include "support/Files.h"
#include "support/Pump.h"

using namespace qd;

namespace {

std::vector<std::uint8_t> PackageBytes() { return qd::test::ReadFileBytes(QD_SKIN_PACKAGE_FILE); }

// What a watcher saw of the dialog while it was open.
struct TDialogSeen {
    HWND Dialog = nullptr;
    bool AnsweredQuery = false;
    LONG_PTR Style = 0;
    int SkinnersWhileOpen = 0;
    int State = -1;
    bool Active = false;
};
TDialogSeen GSeen;
DWORD GOpenedAt = 0;
DWORD GSkinnedAt = 0;
const wchar_t* GShotFile = nullptr;

// Copies the window's screen area into a 24-bit BMP file, for a person to look at.
void SaveScreenshot(HWND wnd, const wchar_t* path) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof(fh));
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(BITMAPINFOHEADER));
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride * static_cast<DWORD>(h)));
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
}

// Thread timer: finds our thread's open dialog, waits until it is skinned (or 3 s passed), then cancels it.
void CALLBACK Watch(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(lp) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dlg));
    if (!dlg) return;
    const bool skinned = ::SendMessageW(dlg, WM_SKIN_QUERY, 0, 0) == 1;
    if (!skinned && ::GetTickCount() - GOpenedAt < 3000) return;
    // Give the skinned frame time to paint before it is looked at.
    if (skinned && !GSkinnedAt) GSkinnedAt = ::GetTickCount();
    if (skinned && ::GetTickCount() - GSkinnedAt < 400) return;
    if (skinned && GShotFile) SaveScreenshot(dlg, GShotFile);
    GSeen.Dialog = dlg;
    GSeen.AnsweredQuery = skinned;
    GSeen.Style = ::GetWindowLongPtrW(dlg, GWL_STYLE);
    GSeen.SkinnersWhileOpen = TSkinManage::Instance() ? TSkinManage::Instance()->FormSkinnerCount() : -1;
    if (TSkinManage::Instance() && TSkinManage::Instance()->FindFormSkinner(dlg))
        GSeen.State = static_cast<int>(TSkinManage::Instance()->FindFormSkinner(dlg)->SkinState());
    GSeen.Active = ::GetActiveWindow() == dlg;
    ::KillTimer(nullptr, id);
    ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
}

class RealSkinFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        TSkinManage::InstallAsFactory();
        Manager = dynamic_cast<TSkinManage*>(&CreateSkinManager());
        ASSERT_NE(Manager, nullptr);
        ASSERT_TRUE(Manager->FormSkinnerFactory) << "the engine's form skinner is the default";
        Data = std::make_unique<TSkinData>(nullptr);
        Data->SkinPackage = TMemoryStream(PackageBytes());
        ASSERT_TRUE(Data->LoadSkinPackage());
        Manager->RegisterSkinData(Data.get());
        Manager->InstallHook();
        Manager->SetReadyCount(1);
        Manager->SetSkinning(true);
        GSeen = {};
        GSkinnedAt = 0;
        GShotFile = nullptr;
    }
    void TearDown() override {
        Data.reset();
        DestroySkinManager();
        SetSkinManagerFactory(nullptr);
    }
    void StartWatching() {
        GOpenedAt = ::GetTickCount();
        ::SetTimer(nullptr, 0, 50, Watch);
    }
    TSkinManage* Manager = nullptr;
    std::unique_ptr<TSkinData> Data;
};

}  // namespace

TEST_F(RealSkinFormTest, MessageBoxIsSkinnedWhileOpenAndItsSkinnerIsPurgedAfter) {
    GShotFile = QD_SCREENSHOT_DIR L"/skinned-messagebox.bmp";
    StartWatching();
    const int answer = ::MessageBoxW(nullptr, L"岚栎在线订单管理系统", L"qd-box", MB_OKCANCEL);
    EXPECT_EQ(answer, IDCANCEL);
    ASSERT_NE(GSeen.Dialog, nullptr);
    EXPECT_TRUE(GSeen.AnsweredQuery);
    EXPECT_EQ(GSeen.SkinnersWhileOpen, 1);
    EXPECT_EQ(GSeen.State, static_cast<int>(TSkinState::Running));
    // An unowned dialog loses the platform caption while skinned.
    EXPECT_NE(GSeen.Style & WS_CAPTION, WS_CAPTION);
    EXPECT_FALSE(::IsWindow(GSeen.Dialog));
    Manager->PurgeReleased();
    EXPECT_EQ(Manager->FormSkinnerCount(), 0);
    EXPECT_EQ(Manager->ReleasedCount(), 0);
}

TEST_F(RealSkinFormTest, CommonFileDialogIsSkinnedWhileOpen) {
    GShotFile = QD_SCREENSHOT_DIR L"/skinned-filedialog.bmp";
    StartWatching();
    EXPECT_EQ(qd::test::ShowFileOpenDialog(), HRESULT_FROM_WIN32(ERROR_CANCELLED)) << "cancelled, not failed";
    ASSERT_NE(GSeen.Dialog, nullptr);
    EXPECT_TRUE(GSeen.AnsweredQuery);
    EXPECT_GE(GSeen.SkinnersWhileOpen, 1);
    Manager->PurgeReleased();
    EXPECT_EQ(Manager->FormSkinnerCount(), 0);
}

TEST_F(RealSkinFormTest, UnskinAllGivesALiveWindowBackExactly) {
    HWND wnd = ::CreateWindowExW(0, L"#32770", L"plain", WS_OVERLAPPEDWINDOW, 40, 40, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    const LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
    const LONG_PTR proc = ::GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    RECT client{};
    ::GetClientRect(wnd, &client);
    ::ShowWindow(wnd, SW_SHOW);
    ::SetForegroundWindow(wnd);
    ASSERT_EQ(Manager->FormSkinnerCount(), 1) << "activation attached a form skinner";
    qd::test::PumpPending();  // WM_SKIN_STARTED
    EXPECT_EQ(::SendMessageW(wnd, WM_SKIN_QUERY, 0, 0), 1);

    Manager->SetCurrentSkinData(Data.get());
    Manager->RequestAction(saUnskinAll, 10);
    Manager->ActionTimerTick();
    EXPECT_EQ(Manager->FormSkinnerCount(), 0);
    EXPECT_EQ(::SendMessageW(wnd, WM_SKIN_QUERY, 0, 0), 0);
    EXPECT_EQ(::GetWindowLongPtrW(wnd, GWL_STYLE) & ~WS_VISIBLE, style & ~WS_VISIBLE);
    EXPECT_EQ(::GetWindowLongPtrW(wnd, GWLP_WNDPROC), proc);
    RECT after{};
    ::GetClientRect(wnd, &after);
    EXPECT_EQ(after.right, client.right);
    EXPECT_EQ(after.bottom, client.bottom);
    ::DestroyWindow(wnd);
}

TEST_F(RealSkinFormTest, EveryLoadRenewsTheCaptionButtonsOfItsSkinnersWhateverTheComponentKind) {
    for (const TSkinFormType kind : {sfMainform, sfOnlyThisForm, sfDialog}) {
        HWND wnd = ::CreateWindowExW(0, L"#32770", L"plain", WS_OVERLAPPEDWINDOW, 40, 40, 400, 300, nullptr, nullptr,
                                     nullptr, nullptr);
        ::ShowWindow(wnd, SW_SHOW);
        ::SetForegroundWindow(wnd);
        auto* skinner = dynamic_cast<TSkinForm*>(Manager->FindFormSkinner(wnd));
        ASSERT_NE(skinner, nullptr);
        ASSERT_EQ(skinner->SkinData(), Data.get());
        ASSERT_FALSE(skinner->View().SysButtons.empty());
        Data->SetSkinFormtype(kind);
        // The old entries stay alive here, so new ones cannot take their addresses.
        const auto old = std::move(Data->SysButtons);
        Data->SetSkinFile(QD_SKIN_PACKAGE_FILE);
        ASSERT_FALSE(Data->SkinEmpty);
        for (const auto& button : skinner->View().SysButtons) {
            const bool current = std::any_of(Data->SysButtons.begin(), Data->SysButtons.end(),
                                             [&](const auto& entry) { return entry.get() == button->Data; });
            EXPECT_TRUE(current) << "kind " << static_cast<int>(kind);
        }
        ::DestroyWindow(wnd);
        Manager->PurgeReleased();
    }
}

namespace {

// How each kind of input reaches the buttons of one kind of platform dialog.
struct TDialogButtons {
    int Buttons;       // visible push buttons, all skinned before the input starts
    WORD Clicked;      // the button the mouse clicks
    WORD Focused;      // the button that has the focus for Space and Enter
    wchar_t Mnemonic;  // a mnemonic letter typed with the focus on a button ...
    WORD Named;        // ... and the button it names
};

// One run of a platform dialog: the input `Way` is given once its buttons are skinned; the dialog's own
// procedure never sees the BN_CLICKED notifications (they are counted and held back), so a second one from the
// same input would be counted too. The watcher closes the dialog with IDCANCEL when the input has settled.
struct TButtonRun {
    enum TWay { Mouse, Space, Enter, Mnemonic } Way = Mouse;
    TDialogButtons Buttons{};
    HWND Dialog = nullptr;
    bool Skinned = false;
    int Ticks = 0;
    std::vector<WORD> Clicked;
    std::vector<std::wstring> Unskinned;  // controls of the dialog that got no skinner
};
TButtonRun GRun;

LRESULT CALLBACK HoldClicks(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) != IDCANCEL) {
        GRun.Clicked.push_back(LOWORD(wParam));
        return 0;
    }
    if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, HoldClicks, 1);
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

bool IsPushButton(HWND wnd) {
    const LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
    return (style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON && !(style & (BS_ICON | BS_BITMAP));
}

// The visible push buttons, edits, combo boxes and scroll bars of the dialog (its nested dialogs too) that the
// skin paints, and whether each answers that it is skinned.
std::vector<std::pair<std::wstring, bool>> SkinnableControls(HWND dlg) {
    std::vector<std::pair<std::wstring, bool>> found;
    ::EnumChildWindows(
        dlg,
        [](HWND c, LPARAM lp) -> BOOL {
            wchar_t cls[32] = {};
            ::GetClassNameW(c, cls, 32);
            const std::wstring name = cls;
            const bool kind = (::lstrcmpiW(cls, L"Button") == 0 && IsPushButton(c)) || ::lstrcmpiW(cls, L"Edit") == 0 ||
                              ::lstrcmpiW(cls, L"ComboBox") == 0 || ::lstrcmpiW(cls, L"ScrollBar") == 0;
            if (kind && ::IsWindowVisible(c))
                reinterpret_cast<std::vector<std::pair<std::wstring, bool>>*>(lp)->emplace_back(
                    name, ::SendMessageW(c, WM_SKIN_QUERY, 0, 0) == 1);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool AllButtonsSkinned(HWND dlg) {
    int buttons = 0;
    for (const auto& [cls, skinned] : SkinnableControls(dlg)) {
        if (::lstrcmpiW(cls.c_str(), L"Button") != 0) continue;
        ++buttons;
        if (!skinned) return false;
    }
    return buttons == GRun.Buttons.Buttons;
}

void CALLBACK DriveButtons(HWND, UINT, UINT_PTR id, DWORD) {
    if (!GRun.Dialog) {
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND w, LPARAM) -> BOOL {
                wchar_t cls[16] = {};
                ::GetClassNameW(w, cls, 16);
                if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(w)) GRun.Dialog = w;
                return GRun.Dialog ? FALSE : TRUE;
            },
            0);
        if (!GRun.Dialog) return;
    }
    HWND dlg = GRun.Dialog;
    if (!GRun.Skinned) {
        if (!AllButtonsSkinned(dlg)) {
            if (::GetTickCount() - GOpenedAt > 5000) {
                ::KillTimer(nullptr, id);
                ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
            }
            return;
        }
        GRun.Skinned = true;
        for (const auto& [cls, skinned] : SkinnableControls(dlg))
            if (!skinned) GRun.Unskinned.push_back(cls);
        ::SetWindowSubclass(dlg, HoldClicks, 1, 0);
        HWND clicked = ::GetDlgItem(dlg, GRun.Buttons.Clicked);
        if (GRun.Way != TButtonRun::Mouse)
            ::SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(dlg, GRun.Buttons.Focused)), TRUE);
        HWND focus = ::GetFocus();
        switch (GRun.Way) {
            case TButtonRun::Mouse:
                ::PostMessageW(clicked, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
                ::PostMessageW(clicked, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 6));
                ::PostMessageW(clicked, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
                break;
            case TButtonRun::Space:
                ::PostMessageW(focus, WM_KEYDOWN, VK_SPACE, 0x00390001);
                ::PostMessageW(focus, WM_KEYUP, VK_SPACE, 0xC0390001);
                break;
            case TButtonRun::Enter:
                ::PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0x001C0001);
                ::PostMessageW(focus, WM_KEYUP, VK_RETURN, 0xC01C0001);
                break;
            case TButtonRun::Mnemonic:
                ::PostMessageW(focus, WM_CHAR, GRun.Buttons.Mnemonic, 0x00310001);
                break;
        }
        return;
    }
    if (++GRun.Ticks < 8) return;  // every click the input makes has arrived by now
    ::KillTimer(nullptr, id);
    ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
}

// Opens the dialog once for each kind of input; each gives exactly one click of the button it reaches, and every
// control of the dialog the skin paints is skinned.
void ExpectEachInputClicksOnce(const TDialogButtons& buttons, const std::function<void()>& open) {
    struct {
        TButtonRun::TWay Way;
        WORD Expected;
        const char* Name;
    } const cases[] = {
        {TButtonRun::Mouse, buttons.Clicked, "mouse"},
        {TButtonRun::Space, buttons.Focused, "Space on the focused button"},
        {TButtonRun::Enter, buttons.Focused, "Enter on the focused button"},
        {TButtonRun::Mnemonic, buttons.Named, "mnemonic"},
    };
    for (const auto& c : cases) {
        GRun = {};
        GRun.Way = c.Way;
        GRun.Buttons = buttons;
        GOpenedAt = ::GetTickCount();
        ::SetTimer(nullptr, 0, 25, DriveButtons);
        open();
        EXPECT_TRUE(GRun.Skinned) << c.Name;
        EXPECT_EQ(GRun.Clicked, std::vector<WORD>{c.Expected}) << c.Name;
        EXPECT_EQ(GRun.Unskinned, std::vector<std::wstring>{}) << c.Name;
        if (TSkinManage::Instance()) TSkinManage::Instance()->PurgeReleased();
    }
}

}  // namespace

TEST_F(RealSkinFormTest, PlatformMessageBoxButtonsAreSkinnedAndEachInputClicksOnce) {
    ExpectEachInputClicksOnce({3, IDNO, IDYES, L'n', IDNO}, [] {
        EXPECT_EQ(::MessageBoxW(nullptr, L"岚栎在线订单管理系统", L"qd-buttons", MB_YESNOCANCEL), IDCANCEL);
    });
}

TEST_F(RealSkinFormTest, CommonFileDialogControlsAreSkinnedAndEachInputClicksOnce) {
    ExpectEachInputClicksOnce({2, IDOK, IDOK, L'o', IDOK},
                              [] { EXPECT_EQ(qd::test::ShowFileOpenDialog(), HRESULT_FROM_WIN32(ERROR_CANCELLED)); });
}
