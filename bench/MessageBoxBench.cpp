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
#include "support/ProcessMemory.h"

using namespace qd;
using namespace qd::apptest;

namespace {

struct TFigures {
    TGdiCounts Gdi;
    DWORD GuiGdi, GuiUser;
    qd::test::TProcessMemory Memory;
    DWORD Handles;
};

TFigures Measure() {
    TFigures f{};
    f.Gdi = GdiLiveCounts();
    f.GuiGdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    f.GuiUser = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    f.Memory = qd::test::ProcessMemory();
    ::GetProcessHandleCount(::GetCurrentProcess(), &f.Handles);
    return f;
}

void Print(const char* label, const TFigures& f) {
    static const char* const names[] = {"bitmap", "memdc", "wndc", "paintdc", "region", "font", "brush", "pen", "icon"};
    std::printf("%-7s our GDI live: total %ld (", label, f.Gdi.Total());
    for (int k = 0; k < static_cast<int>(TGdiKind::Count_); ++k)
        std::printf("%s%s %ld", k ? ", " : "", names[k], f.Gdi.Live[k]);
    std::printf(")\n        GetGuiResources: GDI %lu, USER %lu; kernel handles %lu\n", f.GuiGdi, f.GuiUser, f.Handles);
    std::printf("        memory: working set %.1f KiB, commit %.1f KiB\n", f.Memory.WorkingSet / 1024.0,
                f.Memory.CommitBytes / 1024.0);
}

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
    const TFigures before = Measure();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCycles; ++i) OneCycle();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    Application->ProcessMessages();
    const TFigures after = Measure();

    std::printf("messagebox_bench: %d open/close cycles of the confirmation box\n", kCycles);
    Print("before", before);
    Print("after", after);
    std::printf(
        "delta:  our GDI %+ld, GetGuiResources GDI %+ld USER %+ld, handles %+ld, working set %+.1f KiB, "
        "commit %+.1f KiB\n",
        after.Gdi.Total() - before.Gdi.Total(), static_cast<long>(after.GuiGdi) - static_cast<long>(before.GuiGdi),
        static_cast<long>(after.GuiUser) - static_cast<long>(before.GuiUser),
        static_cast<long>(after.Handles) - static_cast<long>(before.Handles),
        (static_cast<double>(after.Memory.WorkingSet) - static_cast<double>(before.Memory.WorkingSet)) / 1024.0,
        (static_cast<double>(after.Memory.CommitBytes) - static_cast<double>(before.Memory.CommitBytes)) / 1024.0);
    std::printf("our GDI live while a box shows: %ld\n", gLiveWhileShowing);
    std::printf("time: %.2f ms per cycle; answers other than Cancel: %d\n", ms / kCycles, gAnsweredTrue);
    return after.Gdi.Total() == before.Gdi.Total() && gAnsweredTrue == 0 ? 0 : 1;
}
