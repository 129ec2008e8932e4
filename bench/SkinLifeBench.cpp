// Start-up and memory of a skinned window.
//  - Start-up: a fresh process from its start to the first skinned paint of its main window, against the same
//    program with the skin data inactive (the package is read but not loaded, the window keeps the platform's
//    frame). Both kinds of child take turns; medians are printed with their ratio.
//  - Memory: the working set and our GDI counts before and after 1000 skin off/on cycles of a shown window
//    (skinner detached, attached again and the frame painted) and after 1000 reloads of the skin data.
// Prints figures; asserts nothing.
//
//   skin_life_bench [rounds]
//   skin_life_bench --child skinned|plain EVENT   (internal: one start-up)

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"
#include "support/Files.h"

using namespace qd;

namespace {

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

HWND MakeMainWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"QdSkinLifeBench";
    ::RegisterClassExW(&wc);
    return ::CreateWindowExW(0, L"QdSkinLifeBench", L"岚栎在线订单管理系统", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
                             nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

// One start-up: the main window shown and painted, skinned or not; the event tells the parent it is on screen.
int Child(bool skinned, HANDLE painted) {
    TSkinData skin(nullptr);
    skin.SkinPackage = TMemoryStream(qd::test::ReadFileBytes(QD_SKIN_PACKAGE_FILE));
    if (skinned && !skin.LoadSkinPackage()) return 2;
    HWND wnd = MakeMainWindow();
    TSkinForm skinner(nullptr, wnd, nullptr);
    if (skinned) {
        skinner.AttachWindow(&skin);
        ::SendMessageW(wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
    }
    ::ShowWindow(wnd, SW_SHOW);
    ::UpdateWindow(wnd);
    ::GdiFlush();
    ::SetEvent(painted);
    if (skinned) skinner.Detach();
    ::DestroyWindow(wnd);
    return 0;
}

// Milliseconds from CreateProcess to the child's event; negative when the child failed.
double StartOnce(bool skinned) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE painted = ::CreateEventW(&inherit, TRUE, FALSE, nullptr);
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --child " + (skinned ? L"skinned " : L"plain ") +
                           std::to_wstring(reinterpret_cast<std::uintptr_t>(painted));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const auto start = std::chrono::steady_clock::now();
    if (!::CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(painted);
        return -1;
    }
    const HANDLE waits[2] = {painted, pi.hProcess};
    const DWORD which = ::WaitForMultipleObjects(2, waits, FALSE, 60000);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ::WaitForSingleObject(pi.hProcess, 60000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(painted);
    return which == WAIT_OBJECT_0 ? ms : -1;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Best(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

struct TMemory {
    double WorkingSetKiB = 0, PrivateKiB = 0;
    long Gdi = 0;
    DWORD GuiGdi = 0, GuiUser = 0;
};

TMemory Measure() {
    Pump();
    TMemory m;
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    ::K32GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    m.WorkingSetKiB = static_cast<double>(pmc.WorkingSetSize) / 1024.0;
    m.PrivateKiB = static_cast<double>(pmc.PrivateUsage) / 1024.0;
    m.Gdi = GdiLiveCounts().Total();
    m.GuiGdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    m.GuiUser = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    return m;
}

void PrintGrowth(const char* what, const TMemory& before, const TMemory& after) {
    std::printf("%s\n  before: working set %.1f KiB, private %.1f KiB, our GDI %ld, GDI %lu, USER %lu\n", what,
                before.WorkingSetKiB, before.PrivateKiB, before.Gdi, before.GuiGdi, before.GuiUser);
    std::printf("  after:  working set %.1f KiB, private %.1f KiB, our GDI %ld, GDI %lu, USER %lu\n",
                after.WorkingSetKiB, after.PrivateKiB, after.Gdi, after.GuiGdi, after.GuiUser);
    std::printf("  growth: working set %+.1f KiB, private %+.1f KiB, our GDI %+ld, GDI %+ld, USER %+ld\n",
                after.WorkingSetKiB - before.WorkingSetKiB, after.PrivateKiB - before.PrivateKiB,
                after.Gdi - before.Gdi, static_cast<long>(after.GuiGdi) - static_cast<long>(before.GuiGdi),
                static_cast<long>(after.GuiUser) - static_cast<long>(before.GuiUser));
}

void MemoryCycles() {
    constexpr int kCycles = 1000;
    TSkinData skin(nullptr);
    skin.SkinPackage = TMemoryStream(qd::test::ReadFileBytes(QD_SKIN_PACKAGE_FILE));
    if (!skin.LoadSkinPackage()) {
        std::printf("skin package did not load\n");
        return;
    }
    HWND wnd = MakeMainWindow();
    ::ShowWindow(wnd, SW_SHOW);
    ::UpdateWindow(wnd);
    TSkinForm skinner(nullptr, wnd, nullptr);
    auto skinOn = [&] {
        skinner.AttachWindow(&skin);
        ::SendMessageW(wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
        ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    };
    auto skinOff = [&] {
        skinner.Detach();
        ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    };
    skinOn();  // the first cycle makes what stays for the life of the process
    skinOff();
    skinOn();
    const TMemory before = Measure();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCycles; ++i) {
        skinOff();
        skinOn();
        if (i % 50 == 0) Pump();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const TMemory afterCycles = Measure();
    PrintGrowth("1000 skin off/on cycles of a shown 1024 x 768 window", before, afterCycles);
    std::printf("  time: %.3f ms per cycle\n", ms / kCycles);

    for (int i = 0; i < kCycles; ++i) skin.LoadSkinPackage();
    PrintGrowth("1000 reloads of the skin data (the skinner attached)", afterCycles, Measure());
    skinner.Detach();
    ::DestroyWindow(wnd);
    Pump();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return Child(std::strcmp(argv[2], "skinned") == 0,
                     reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(argv[3], nullptr, 10))));
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    std::printf("skin_life_bench (Wine)\n");
    std::vector<double> skinned, plain;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        // Alternate which kind goes first, so a busy spell of the machine cannot favour one of them.
        for (const bool kind : {i % 2 == 0, i % 2 != 0}) {
            const double ms = StartOnce(kind);
            if (ms < 0)
                ++failures;
            else
                (kind ? skinned : plain).push_back(ms);
        }
    }
    const double s = Median(skinned), p = Median(plain);
    std::printf("start-up to the first paint of the main window (median of %d each, %d failed):\n", rounds, failures);
    std::printf("  skinned %.1f ms, skin data inactive %.1f ms, ratio %.2f (target <= 1.15)\n", s, p,
                p > 0 ? s / p : 0.0);
    const double sb = Best(skinned), pb = Best(plain);
    std::printf("  quickest: skinned %.1f ms, skin data inactive %.1f ms, ratio %.2f\n", sb, pb,
                pb > 0 ? sb / pb : 0.0);
    MemoryCycles();
    return 0;
}
