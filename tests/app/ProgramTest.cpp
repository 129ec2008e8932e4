// The program as the user starts it: QuandrelDemo.exe in its own process, its main window found from outside,
// closed with WM_CLOSE, the confirmation answered with keys, and the exit code read.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/AppConstants.h"
#include "skin/form/SkinMessages.h"
#include "support/Pump.h"
#include "support/ProgramPath.h"

namespace {

using qd::test::PumpUntil;

std::wstring ProgramPath() { return qd::test::BesideThisProgram(L"app\\QuandrelDemo.exe"); }

std::wstring ClassOf(HWND wnd) {
    wchar_t buf[128] = {};
    ::GetClassNameW(wnd, buf, 128);
    return buf;
}

std::wstring TextOf(HWND wnd) {
    wchar_t buf[128] = {};
    ::GetWindowTextW(wnd, buf, 128);
    return buf;
}

// A visible top-level window of `pid` whose class is `cls`, or null.
HWND FindProcessWindow(DWORD pid, const std::wstring& cls) {
    struct TSearch {
        DWORD Pid;
        const std::wstring* Class;
        HWND Found;
    } s{pid, &cls, nullptr};
    ::EnumWindows(
        [](HWND wnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(lp);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(wnd, &pid);
            if (pid == s->Pid && ::IsWindowVisible(wnd) && ClassOf(wnd) == *s->Class) {
                s->Found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.Found;
}

// Posts a key press to the window that has the focus in the thread owning `wnd`.
void PostKeyToThreadFocus(HWND wnd, WORD vk) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(wnd, nullptr);
    HWND target = ::GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : wnd;
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(target, WM_KEYDOWN, vk, 1 | scan);
    ::PostMessageW(target, WM_KEYUP, vk, 1 | scan | (1 << 30) | (static_cast<LPARAM>(1) << 31));
}

// The focus of the thread owning `wnd` when it lies in `wnd` itself or one of its children, else null. The box
// shares its thread with the main window: until the box has taken the focus, keys would go to the main window.
HWND FocusOf(HWND wnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(wnd, nullptr), &info)) return nullptr;
    return info.hwndFocus && (info.hwndFocus == wnd || ::IsChild(wnd, info.hwndFocus)) ? info.hwndFocus : nullptr;
}

class ProgramTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (FProcess.hProcess) {
            if (::WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(FProcess.hProcess, 99);
            ::CloseHandle(FProcess.hProcess);
            ::CloseHandle(FProcess.hThread);
        }
    }
    // `si` may hand the program inherited handles (standard output).
    bool Start(STARTUPINFOW si = {}) {
        std::wstring path = ProgramPath();
        std::wstring cmd = L"\"" + path + L"\"";
        si.cb = sizeof si;
        const BOOL inherit = (si.dwFlags & STARTF_USESTDHANDLES) != 0;
        if (!::CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, inherit, 0, nullptr, nullptr, &si, &FProcess))
            return false;
        ::WaitForInputIdle(FProcess.hProcess, 10000);
        return true;
    }
    PROCESS_INFORMATION FProcess{};
};

TEST_F(ProgramTest, StartsMaximisedAndExitsWithZeroOnlyAfterConfirmation) {
    ASSERT_TRUE(Start()) << "cannot start the program, error " << ::GetLastError();
    const DWORD pid = FProcess.dwProcessId;
    HWND main = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (main = FindProcessWindow(pid, L"TForm_Main")) != nullptr; }, 20000));
    EXPECT_EQ(TextOf(main), std::wstring(qd::kAppTitle));
    EXPECT_TRUE(PumpUntil([&] { return ::IsZoomed(main) != FALSE; }, 5000));

    // The clock shows up in the last panel after the first tick.
    HWND bar = ::FindWindowExW(main, nullptr, L"TStatusBar", nullptr);
    if (!bar) bar = ::FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(::SendMessageW(bar, SB_GETPARTS, 0, 0), 5);
    EXPECT_TRUE(PumpUntil([&] { return LOWORD(::SendMessageW(bar, SB_GETTEXTLENGTHW, 4, 0)) > 0; }, 5000));

    // Close request, answered with Escape: the program keeps running.
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = FindProcessWindow(pid, L"TForm_MessageBox")) != nullptr; }, 10000));
    EXPECT_EQ(TextOf(box), std::wstring(qd::kAppTitle));
    EXPECT_NE(::GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT r{};
    ::GetWindowRect(box, &r);
    EXPECT_NEAR((r.left + r.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    ASSERT_TRUE(PumpUntil([&] { return FocusOf(box) != nullptr; }, 5000));
    PostKeyToThreadFocus(box, VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(box); }, 5000)) << "Escape did not close the box";
    EXPECT_EQ(::WaitForSingleObject(FProcess.hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the program ended although the user cancelled";
    EXPECT_TRUE(::IsWindowVisible(main));

    // Second close request, answered with Tab then Enter: OK, the program ends with exit code 0.
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return (box = FindProcessWindow(pid, L"TForm_MessageBox")) != nullptr; }, 10000));
    ASSERT_TRUE(PumpUntil([&] { return FocusOf(box) != nullptr; }, 5000));
    const HWND cancel = FocusOf(box);
    PostKeyToThreadFocus(box, VK_TAB);
    ASSERT_TRUE(PumpUntil([&] { return FocusOf(box) != cancel && FocusOf(box) != nullptr; }, 5000));
    PostKeyToThreadFocus(box, VK_RETURN);
    ASSERT_EQ(::WaitForSingleObject(FProcess.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 12345;
    ::GetExitCodeProcess(FProcess.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

// The start-up benchmark's switches, read from the environment: the event comes with the main window's first
// skinned paint (with the skin inactive, its first paint, and the window is not skinned), the report line on the
// standard output says when, and no unskinned or blank frame was painted before the skin's.
TEST_F(ProgramTest, MeasuringSwitchesSignalTheFirstPaintSkinnedOrWithTheSkinInactive) {
    for (const bool inactive : {false, true}) {
        SCOPED_TRACE(inactive ? "skin data inactive" : "skinned");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE painted = ::CreateEventW(&inherit, TRUE, FALSE, nullptr);
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        ASSERT_TRUE(painted && ::CreatePipe(&readEnd, &writeEnd, &inherit, 0));
        ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        ::SetEnvironmentVariableW(L"QD_STARTUP_SIGNAL",
                                  std::to_wstring(reinterpret_cast<std::uintptr_t>(painted)).c_str());
        ::SetEnvironmentVariableW(L"QD_SKIN_INACTIVE", inactive ? L"1" : nullptr);
        STARTUPINFOW si{};
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = writeEnd;
        const bool started = Start(si);
        ::SetEnvironmentVariableW(L"QD_STARTUP_SIGNAL", nullptr);
        ::SetEnvironmentVariableW(L"QD_SKIN_INACTIVE", nullptr);
        ::CloseHandle(writeEnd);
        ASSERT_TRUE(started);
        ASSERT_EQ(::WaitForSingleObject(painted, 30000), static_cast<DWORD>(WAIT_OBJECT_0));
        HWND main = FindProcessWindow(FProcess.dwProcessId, L"TForm_Main");
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(::SendMessageW(main, qd::WM_SKIN_QUERY, 0, 0), inactive ? 0 : 1);
        std::string line;
        char c = 0;
        DWORD got = 0;
        while (::ReadFile(readEnd, &c, 1, &got, nullptr) && got == 1 && c != '\n') line += c;
        double entry = -1, signal = -1;
        EXPECT_EQ(std::sscanf(line.c_str(), "entry %lf form %*f shown %*f skinned %*f frame %*f started %*f signal %lf",
                              &entry, &signal),
                  2)
            << line;
        EXPECT_LE(entry, signal) << line;
        EXPECT_NE(line.find("standard-frame-first 0 blank-frame-first 0"), std::string::npos) << line;
        ::TerminateProcess(FProcess.hProcess, 0);
        ::WaitForSingleObject(FProcess.hProcess, 10000);
        ::CloseHandle(FProcess.hProcess);
        ::CloseHandle(FProcess.hThread);
        FProcess = {};
        ::CloseHandle(readEnd);
        ::CloseHandle(painted);
    }
}

}  // namespace
