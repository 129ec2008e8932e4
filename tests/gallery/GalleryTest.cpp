// The skin gallery: every control kind is there and shown under the skin, F2 switches the skin off and on, and
// the program started with a skin package shows it and ends cleanly.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/FrameworkTestSupport.h"
#include "gallery/Gallery_Frm.h"
#include "skin/controls/SkinManage.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinManagerIntf.h"
#include "skin/form/SkinMessages.h"

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
        if (auto* win = dynamic_cast<TWinControl*>(control))
            EXPECT_TRUE(::IsWindowVisible(win->Handle())) << control->Name();
        shown.insert(control->ClassName());
    }
    for (const char* kind : kKinds) EXPECT_TRUE(shown.count(kind)) << kind << " is not shown";
    EXPECT_NE(Form_Gallery->Menu(), nullptr);
    EXPECT_NE(Form_Gallery->PopupMenu(), nullptr);
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
// The program

std::wstring GalleryPath() {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + L"gallery\\SkinGallery.exe";
}

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
