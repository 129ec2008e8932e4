// Memory of the program's main window over skin off/on cycles. The main form is built from its stored description
// under the program's skin manager, shown maximised and left to skin itself; then its skin data component is made
// inactive and active again, each time until the manager has taken the skinner off the window and then put a new
// one on that has painted the frame. Prints the working set of the idle skinned window, the memory and GDI
// figures before and after the cycles and after as many reloads of the skin data, and the time per cycle.
// The manager carries out a request on its 250 ms timer; here its tick runs at once unless "timer" is given.
// Arguments: [cycles (1000)] [timer|now] [ms to keep the window up at the end, for a screenshot].
// Prints figures; asserts nothing.

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "bench/MemoryFigures.h"
#include "bench/ProgramWindow.h"
#include "skin/data/SkinData.h"

using namespace qd;
using namespace qd::bench;
using Clock = std::chrono::steady_clock;

namespace {

// Turns the main window's skin off or on as the program's code would, and waits until the manager has done it.
bool Switch(bool on, bool waitForTimer) {
    HWND wnd = Form_Main->Handle();
    Form_Main->SkinData_Main->SetActive(on);
    if (!waitForTimer) TSkinManage::Instance()->ActionTimerTick();
    const bool done = apptest::PumpUntil([&] { return on ? SkinnedAndPainted(wnd) : Skinner(wnd) == nullptr; }, 10000);
    apptest::PumpUntil([] { return !Application->ProcessMessage(); }, 1000);
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const bool waitForTimer = argc > 2 && std::string_view(argv[2]) == "timer";
    const int holdMs = argc > 3 ? std::max(0, std::atoi(argv[3])) : 0;
    const bool oleStarted = SUCCEEDED(::OleInitialize(nullptr));
    if (!ShowSkinnedMainForm()) {
        std::printf("the main window was not skinned\n");
        return 1;
    }
    HWND wnd = Form_Main->Handle();
    RECT wr{};
    ::GetWindowRect(wnd, &wr);
    std::printf("skin_life_bench: the main window, %ldx%ld, %s; %d skin off/on cycles (%s)\n", wr.right - wr.left,
                wr.bottom - wr.top, ::IsZoomed(wnd) ? "maximised" : "not maximised", cycles,
                waitForTimer ? "the manager's timer" : "the manager's tick at once");
    apptest::Pump(2000);
    const TMemoryFigures idle = MeasureMemory();
    std::printf("idle, skinned: working set %.1f KiB, commit %.1f KiB\n", KiB(idle.Memory.WorkingSet),
                KiB(idle.Memory.CommitBytes));

    // The first cycle makes what stays for the life of the process.
    int failed = !Switch(false, waitForTimer) + !Switch(true, waitForTimer);
    const TMemoryFigures before = MeasureMemory();
    const auto start = Clock::now();
    TMemoryFigures early;  // after the first tenth: what grows later grows with the cycles
    for (int i = 0; i < cycles; ++i) {
        failed += !Switch(false, waitForTimer) + !Switch(true, waitForTimer);
        if (i == cycles / 10) early = MeasureMemory();
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const TMemoryFigures after = MeasureMemory();
    PrintGrowth(before, after);
    PrintLaterGrowth(early, after, cycles - cycles / 10 - 1);
    std::printf("time: %.2f ms per cycle; switches that did not complete: %d\n", ms / cycles, failed);

    for (int i = 0; i < cycles; ++i) Form_Main->SkinData_Main->LoadSkinPackage();
    Application->ProcessMessages();
    std::printf("%d reloads of the skin data (the window skinned):\n", cycles);
    PrintGrowth(after, MeasureMemory());

    std::printf("at the end: %s\n", SkinnedAndPainted(wnd) ? "skinned, frame painted" : "NOT SKINNED");
    if (holdMs > 0) {
        std::printf("holding the window for %d ms\n", holdMs);
        std::fflush(stdout);
        apptest::Pump(static_cast<DWORD>(holdMs));
    }
    delete Form_Main;
    Application->ProcessMessages();
    if (oleStarted) ::OleUninitialize();
    return failed == 0 ? 0 : 1;
}
