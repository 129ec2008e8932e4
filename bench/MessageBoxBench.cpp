// 500 (or the first argument) open/close cycles of the confirmation box, answered with Escape as soon as each box
// shows: first the box alone, then over the program's skinned main window with the box skinned as in the program.
// Prints our GDI live counts, the platform's GDI/USER object counts and the process memory before and after, and the
// time per cycle. The first cycle of each runs before the "before" figures: it registers window classes and loads fonts
// that stay for the life of the process.

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/AppTestSupport.h"
#include "app/Unit_MessageBox.h"
#include "framework/Application.h"
#include "framework/Gdi.h"
#include "bench/MemoryFigures.h"
#include "bench/ProgramWindow.h"

using namespace qd;
using namespace qd::apptest;
using namespace qd::bench;

namespace {

int gAnsweredTrue = 0;
long gLiveWhileShowing = 0;  // our GDI live count with a box on screen (the largest seen)

void OneCycle() {
    TUiScript script(1);
    script.TimeoutMs = 10000;
    script.WaitFor(BoxShowing, "box").Do([] {
        Form_MessageBox->Update();
        gLiveWhileShowing = std::max(gLiveWhileShowing, GdiLiveCounts().Total());
        PostKeyToFocus(VK_ESCAPE);
    });
    script.Start();
    if (ShowMessageBox(L"确认退出系统？")) ++gAnsweredTrue;
    if (!script.Failure.empty()) std::printf("script failure: %s\n", script.Failure.c_str());
}

// The cycles with the figures before and after; false when our GDI count grew or a box was not cancelled.
bool Cycles(const char* what, int cycles) {
    gAnsweredTrue = 0;
    gLiveWhileShowing = 0;
    OneCycle();
    Application->ProcessMessages();
    const TMemoryFigures before = MeasureMemory();
    const auto start = std::chrono::steady_clock::now();
    TMemoryFigures early;  // after the first tenth: what grows later grows with the cycles
    for (int i = 0; i < cycles; ++i) {
        OneCycle();
        if (i == cycles / 10) early = MeasureMemory();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    Application->ProcessMessages();
    const TMemoryFigures after = MeasureMemory();

    std::printf("messagebox_bench: %d open/close cycles of the confirmation box, %s\n", cycles, what);
    PrintGrowth(before, after);
    PrintLaterGrowth(early, after, cycles - cycles / 10 - 1);
    std::printf("our GDI live while a box shows: %ld\n", gLiveWhileShowing);
    std::printf("time: %.2f ms per cycle; answers other than Cancel: %d\n\n", ms / cycles, gAnsweredTrue);
    return after.Gdi.Total() == before.Gdi.Total() && gAnsweredTrue == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    bool flat = Cycles("alone", cycles);
    // As in the program: over the skinned main window, the box skinned by the skin manager.
    const bool oleStarted = SUCCEEDED(::OleInitialize(nullptr));
    if (ShowSkinnedMainForm())
        flat = Cycles("over the skinned main window", cycles) && flat;
    else
        std::printf("the main window was not skinned\n");
    delete Form_Main;
    Application->ProcessMessages();
    if (oleStarted) ::OleUninitialize();
    return flat ? 0 : 1;
}
