#pragma once
// What the memory benchmarks print before and after their cycles: our GDI owners' live counts by kind, the
// platform's GDI and USER object counts, the kernel handle count, the working set and the commit charge.

#include <windows.h>

#include <cstdio>

#include "framework/Gdi.h"
#include "support/ProcessMemory.h"

namespace qd::bench {

struct TMemoryFigures {
    TGdiCounts Gdi;
    DWORD GuiGdi = 0, GuiUser = 0, Handles = 0;
    qd::test::TProcessMemory Memory;
};

inline TMemoryFigures MeasureMemory() {
    TMemoryFigures f;
    f.Gdi = GdiLiveCounts();
    f.GuiGdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    f.GuiUser = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    f.Memory = qd::test::ProcessMemory();
    ::GetProcessHandleCount(::GetCurrentProcess(), &f.Handles);
    return f;
}

inline double KiB(SIZE_T bytes) { return static_cast<double>(bytes) / 1024.0; }

inline void PrintMemory(const char* label, const TMemoryFigures& f) {
    static const char* const names[] = {"bitmap", "memdc", "wndc", "paintdc", "region", "font", "brush", "pen", "icon"};
    std::printf("%-7s our GDI live: total %ld (", label, f.Gdi.Total());
    for (int k = 0; k < static_cast<int>(TGdiKind::Count_); ++k)
        std::printf("%s%s %ld", k ? ", " : "", names[k], f.Gdi.Live[k]);
    std::printf(")\n        GetGuiResources: GDI %lu, USER %lu; kernel handles %lu\n", f.GuiGdi, f.GuiUser, f.Handles);
    std::printf("        memory: working set %.1f KiB, commit %.1f KiB\n", KiB(f.Memory.WorkingSet),
                KiB(f.Memory.CommitBytes));
}

// Prints both figures and what grew between them.
inline void PrintGrowth(const TMemoryFigures& before, const TMemoryFigures& after) {
    PrintMemory("before", before);
    PrintMemory("after", after);
    auto grown = [](auto a, auto b) { return static_cast<long>(b) - static_cast<long>(a); };
    std::printf(
        "delta:  our GDI %+ld, GetGuiResources GDI %+ld USER %+ld, handles %+ld, working set %+.1f KiB, "
        "commit %+.1f KiB\n",
        after.Gdi.Total() - before.Gdi.Total(), grown(before.GuiGdi, after.GuiGdi),
        grown(before.GuiUser, after.GuiUser), grown(before.Handles, after.Handles),
        KiB(after.Memory.WorkingSet) - KiB(before.Memory.WorkingSet),
        KiB(after.Memory.CommitBytes) - KiB(before.Memory.CommitBytes));
}

}  // namespace qd::bench
