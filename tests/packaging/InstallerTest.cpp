// The installer round trip as a user or an administrator makes it: install silently per user or per machine,
// find the uninstall entry and the Start-menu shortcut, start the program through the shortcut, end it the hard way
// (so it leaves its user-agent value behind, as a crash does), uninstall silently and find nothing of ours left.

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/AppConstants.h"
#include "packaging/ShippedPrograms.h"
#include "support/Pump.h"

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuandrelDemo";
constexpr wchar_t kUserAgentKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform";

struct TMode {
    const wchar_t* Switch;
    HKEY Root;                  // where the uninstall entry goes
    const KNOWNFOLDERID* Home;  // with Folder: where the program goes
    const wchar_t* Folder;
    const KNOWNFOLDERID* Menu;  // the Start menu's programs folder
};

void PrintTo(const TMode& mode, std::ostream* os) {
    *os << (mode.Root == HKEY_CURRENT_USER ? "per user" : "per machine");
}

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
    wchar_t* path = nullptr;
    std::wstring result;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
    ::CoTaskMemFree(path);
    return result;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A string value, or nothing when the key or the value is missing.
bool ReadString(HKEY root, const wchar_t* key, const wchar_t* name, std::wstring* out = nullptr) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    if (::RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return false;
    if (out) *out = buf;
    return true;
}

bool KeyExists(HKEY root, const wchar_t* key, REGSAM view) {
    HKEY h = nullptr;
    if (::RegOpenKeyExW(root, key, 0, KEY_READ | view, &h) != ERROR_SUCCESS) return false;
    ::RegCloseKey(h);
    return true;
}

// Runs a command line and waits for its process; the exit code, or -1 when it cannot start.
long RunAndWait(std::wstring command) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    ::WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return static_cast<long>(code);
}

HWND FindMainWindow(DWORD pid) {
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
            if (owner != s->Pid || !::IsWindowVisible(wnd) || std::wstring(cls) != L"TForm_Main") return TRUE;
            s->Found = wnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.Found;
}

class InstallerTest : public ::testing::TestWithParam<TMode> {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        FShortcut = KnownFolder(*GetParam().Menu) + L"\\" + qd::kAppTitle + L".lnk";
        // An earlier run that stopped half-way left an installation: remove it first.
        std::wstring quiet;
        if (ReadString(GetParam().Root, kUninstallKey, L"QuietUninstallString", &quiet)) Uninstall(quiet);
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kUserAgentKey, nullptr);
    }
    void TearDown() override {
        StopClient();
        ::CoUninitialize();
    }

    long Install() { return RunAndWait(L"\"" + std::wstring(L"" QD_INSTALLER) + L"\" /S " + GetParam().Switch); }
    // Starts the client from `path` and waits for its main window.
    bool StartClient(const std::wstring& path) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring command = L"\"" + path + L"\"";
        if (!::CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, FDir.c_str(), &si,
                              &FClient))
            return false;
        return qd::test::PumpUntil([&] { return FindMainWindow(FClient.dwProcessId) != nullptr; }, 30000);
    }
    // Ends the client the hard way, as a crash would.
    void StopClient() {
        if (!FClient.hProcess) return;
        ::TerminateProcess(FClient.hProcess, 99);
        ::WaitForSingleObject(FClient.hProcess, 10000);
        ::CloseHandle(FClient.hThread);
        ::CloseHandle(FClient.hProcess);
        FClient = {};
    }

    // The uninstaller copies itself to the temporary folder and returns at once; its copy does the work.
    bool Uninstall(const std::wstring& quietCommand) {
        if (RunAndWait(quietCommand) != 0) return false;
        return qd::test::PumpUntil([&] { return NothingLeft(); }, 60000);
    }
    bool NothingLeft() const {
        return !KeyExists(GetParam().Root, kUninstallKey, KEY_WOW64_64KEY) && !Exists(FDir) && !Exists(FShortcut) &&
               !ReadString(HKEY_CURRENT_USER, kUserAgentKey, L"");
    }

    PROCESS_INFORMATION FClient{};
    std::wstring FShortcut;
    std::wstring FDir = KnownFolder(*GetParam().Home) + GetParam().Folder;
};

TEST_P(InstallerTest, InstallsStartsAndUninstallsWithoutLeavingAnything) {
    const TMode& mode = GetParam();
    ASSERT_EQ(Install(), 0);

    // Every shipped program in the program folder, and the entry Apps & Features lists.
    for (const std::wstring& program : qd::test::ShippedPrograms())
        EXPECT_TRUE(Exists(FDir + L"\\" + qd::test::FileNameOf(program))) << qd::test::FileNameOf(program).c_str();
    const std::wstring client = FDir + L"\\QuandrelDemo.exe";
    std::wstring text, quiet;
    ASSERT_TRUE(ReadString(mode.Root, kUninstallKey, L"DisplayName", &text)) << "no uninstall entry";
    EXPECT_EQ(text, qd::kAppTitle);
    EXPECT_TRUE(ReadString(mode.Root, kUninstallKey, L"Publisher", &text) && text == qd::kVendorName);
    EXPECT_TRUE(ReadString(mode.Root, kUninstallKey, L"InstallLocation", &text) && SamePath(text, FDir)) << text;
    EXPECT_TRUE(ReadString(mode.Root, kUninstallKey, L"DisplayIcon", &text) && SamePath(text, client + L",0"));
    ASSERT_TRUE(ReadString(mode.Root, kUninstallKey, L"UninstallString", &text));
    EXPECT_TRUE(Exists(FDir + L"\\Uninstall.exe"));
    EXPECT_EQ(text.rfind(L"\"" + FDir + L"\\Uninstall.exe\"", 0), 0u) << text;
    ASSERT_TRUE(ReadString(mode.Root, kUninstallKey, L"QuietUninstallString", &quiet));

    // The shortcut starts the installed client and shows the client's own icon.
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))));
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file))));
    const HRESULT loaded = file->Load(FShortcut.c_str(), STGM_READ);
    file->Release();
    wchar_t target[MAX_PATH] = {}, icon[MAX_PATH] = {};
    int iconIndex = -1;
    if (SUCCEEDED(loaded)) {
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetIconLocation(icon, MAX_PATH, &iconIndex);
    }
    link->Release();
    ASSERT_TRUE(SUCCEEDED(loaded)) << "no Start-menu shortcut";
    EXPECT_TRUE(SamePath(target, client)) << target;
    EXPECT_TRUE(SamePath(icon, client)) << icon;
    EXPECT_EQ(iconIndex, 0);
    EXPECT_GE(::ExtractIconExW(client.c_str(), -1, nullptr, nullptr, 0), 1u);

    EXPECT_TRUE(StartClient(target)) << "the installed program showed no main window";
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, kUserAgentKey, L"")) << "the running program registered no user agent";
    StopClient();

    EXPECT_TRUE(Uninstall(quiet)) << quiet;
    EXPECT_FALSE(KeyExists(mode.Root, kUninstallKey, KEY_WOW64_64KEY)) << "uninstall entry left";
    EXPECT_FALSE(KeyExists(mode.Root, kUninstallKey, KEY_WOW64_32KEY)) << "uninstall entry left in the 32-bit view";
    EXPECT_FALSE(Exists(FDir)) << "program folder left";
    EXPECT_FALSE(Exists(FShortcut)) << "shortcut left";
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, kUserAgentKey, L"")) << "user-agent value left";
}

// While the client runs from the folder, installing over it and uninstalling it both stop before changing anything
// and say so with their exit code; once it has ended, the uninstaller removes everything.
TEST_P(InstallerTest, RefusesToReplaceOrRemoveTheRunningProgram) {
    ASSERT_EQ(Install(), 0);
    std::wstring quiet;
    ASSERT_TRUE(ReadString(GetParam().Root, kUninstallKey, L"QuietUninstallString", &quiet));
    ASSERT_TRUE(StartClient(FDir + L"\\QuandrelDemo.exe"));

    EXPECT_EQ(Install(), 2);
    // "_?=" runs the uninstaller in place, so its exit code is the uninstall's.
    EXPECT_EQ(RunAndWait(quiet + L" _?=" + FDir), 2);
    for (const std::wstring& program : qd::test::ShippedPrograms())
        EXPECT_TRUE(Exists(FDir + L"\\" + qd::test::FileNameOf(program))) << qd::test::FileNameOf(program).c_str();
    EXPECT_TRUE(Exists(FDir + L"\\Uninstall.exe"));
    EXPECT_TRUE(Exists(FShortcut));
    EXPECT_TRUE(KeyExists(GetParam().Root, kUninstallKey, KEY_WOW64_64KEY));

    StopClient();
    EXPECT_TRUE(Uninstall(quiet)) << quiet;
}

INSTANTIATE_TEST_SUITE_P(Modes, InstallerTest,
                         ::testing::Values(TMode{L"/CurrentUser", HKEY_CURRENT_USER, &FOLDERID_LocalAppData,
                                                 L"\\Programs\\QuandrelDemo", &FOLDERID_Programs},
                                           TMode{L"/AllUsers", HKEY_LOCAL_MACHINE, &FOLDERID_ProgramFiles,
                                                 L"\\QuandrelDemo", &FOLDERID_CommonPrograms}),
                         [](const auto& info) { return info.index == 0 ? "PerUser" : "PerMachine"; });

}  // namespace
