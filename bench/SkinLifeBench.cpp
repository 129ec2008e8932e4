// Memory of a skinned window: the working set and our GDI counts before and after 1000 skin off/on cycles of a
// shown window (skinner detached, attached again and the frame painted) and after 1000 reloads of the skin data.
// The window is a plain top-level window of this program with the main window's size and caption, not the real
// main window (the real program's start-up and its memory once idle are measured by startup_bench).
// Prints figures; asserts nothing.

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "framework/Gdi.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"
#include "support/Files.h"
#include "support/PlainWindow.h"
#include "support/ProcessMemory.h"
#include "support/Pump.h"

using namespace qd;

namespace {

using qd::test::PumpPending;

HWND MakeMainWindow() { return qd::test::MakePlainWindow(L"QdSkinLifeBench", L"岚栎在线订单管理系统", 1024, 768); }

struct TMemory {
    double WorkingSetKiB = 0, CommitKiB = 0;
    long Gdi = 0;
    DWORD GuiGdi = 0, GuiUser = 0;
};

TMemory Measure() {
    PumpPending();
    TMemory m;
    const qd::test::TProcessMemory memory = qd::test::ProcessMemory();
    m.WorkingSetKiB = static_cast<double>(memory.WorkingSet) / 1024.0;
    m.CommitKiB = static_cast<double>(memory.CommitBytes) / 1024.0;
    m.Gdi = GdiLiveCounts().Total();
    m.GuiGdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    m.GuiUser = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    return m;
}

void PrintGrowth(const char* what, const TMemory& before, const TMemory& after) {
    std::printf("%s\n  before: working set %.1f KiB, commit %.1f KiB, our GDI %ld, GDI %lu, USER %lu\n", what,
                before.WorkingSetKiB, before.CommitKiB, before.Gdi, before.GuiGdi, before.GuiUser);
    std::printf("  after:  working set %.1f KiB, commit %.1f KiB, our GDI %ld, GDI %lu, USER %lu\n",
                after.WorkingSetKiB, after.CommitKiB, after.Gdi, after.GuiGdi, after.GuiUser);
    std::printf("  growth: working set %+.1f KiB, commit %+.1f KiB, our GDI %+ld, GDI %+ld, USER %+ld\n",
                after.WorkingSetKiB - before.WorkingSetKiB, after.CommitKiB - before.CommitKiB, after.Gdi - before.Gdi,
                static_cast<long>(after.GuiGdi) - static_cast<long>(before.GuiGdi),
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
        if (i % 50 == 0) PumpPending();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const TMemory afterCycles = Measure();
    PrintGrowth("1000 skin off/on cycles of a shown 1024 x 768 window", before, afterCycles);
    std::printf("  time: %.3f ms per cycle\n", ms / kCycles);

    for (int i = 0; i < kCycles; ++i) skin.LoadSkinPackage();
    PrintGrowth("1000 reloads of the skin data (the skinner attached)", afterCycles, Measure());
    skinner.Detach();
    ::DestroyWindow(wnd);
    PumpPending();
}

}  // namespace

int main() {
    std::printf("skin_life_bench (Wine)\n");
    MemoryCycles();
    return 0;
}
