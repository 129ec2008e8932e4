// 500 open/close cycles of the confirmation box, answered with Escape as soon as each box shows. Prints our GDI
// live counts, the platform's GDI/USER object counts and the process memory before and after, and the time
// per cycle. The first cycle runs before the "before" figures: it registers window classes and loads fonts
// that stay for the life of the process.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/AppTestSupport.h"
#include "app/Unit_MessageBox.h"
#include "framework/Application.h"
#include "framework/Gdi.h"
#include "bench/MemoryFigures.h"

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

}  // namespace

int main() {
    constexpr int kCycles = 500;
    OneCycle();
    Application->ProcessMessages();
    const TMemoryFigures before = MeasureMemory();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCycles; ++i) OneCycle();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    Application->ProcessMessages();
    const TMemoryFigures after = MeasureMemory();

    std::printf("messagebox_bench: %d open/close cycles of the confirmation box\n", kCycles);
    PrintGrowth(before, after);
    std::printf("our GDI live while a box shows: %ld\n", gLiveWhileShowing);
    std::printf("time: %.2f ms per cycle; answers other than Cancel: %d\n", ms / kCycles, gAnsweredTrue);
    return after.Gdi.Total() == before.Gdi.Total() && gAnsweredTrue == 0 ? 0 : 1;
}
