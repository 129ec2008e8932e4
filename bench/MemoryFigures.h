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
    long GdiProbed = 0, Windows = 0;
    qd::test::TProcessMemory Memory;
};

// The process's GDI objects found by asking the type of every handle number. Wine answers 0 from
// GetGuiResources, and its handle table takes a handle without a generation for any generation.
inline long ProbeGdiObjects() {
    long n = 0;
    for (ULONG_PTR h = 1; h <= 0xFFFF; ++h)
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0) ++n;
    return n;
}

inline BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
    ++*reinterpret_cast<long*>(counter);
    return TRUE;
}

inline BOOL CALLBACK CountWindowAndChildren(HWND wnd, LPARAM counter) {
    ++*reinterpret_cast<long*>(counter);
    ::EnumChildWindows(wnd, CountWindow, counter);
    return TRUE;
}

// The windows of this thread, top-level and child.
inline long CountThreadWindows() {
    long n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindowAndChildren, reinterpret_cast<LPARAM>(&n));
    return n;
}

inline TMemoryFigures MeasureMemory() {
    TMemoryFigures f;
    f.Gdi = GdiLiveCounts();
    f.GuiGdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    f.GuiUser = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    f.Memory = qd::test::ProcessMemory();
    f.GdiProbed = ProbeGdiObjects();
    f.Windows = CountThreadWindows();
    ::GetProcessHandleCount(::GetCurrentProcess(), &f.Handles);
    return f;
}

inline double KiB(SIZE_T bytes) { return static_cast<double>(bytes) / 1024.0; }

inline void PrintMemory(const char* label, const TMemoryFigures& f) {
    static const char* const names[] = {"bitmap", "memdc", "wndc", "paintdc", "region", "font", "brush", "pen", "icon"};
    std::printf("%-7s our GDI live: total %ld (", label, f.Gdi.Total());
    for (int k = 0; k < static_cast<int>(TGdiKind::Count_); ++k)
        std::printf("%s%s %ld", k ? ", " : "", names[k], f.Gdi.Live[k]);
    std::printf(
        ")\n        GetGuiResources: GDI %lu, USER %lu; GDI objects by handle %ld; windows %ld; kernel handles %lu\n",
        f.GuiGdi, f.GuiUser, f.GdiProbed, f.Windows, f.Handles);
    std::printf("        memory: working set %.1f KiB, commit %.1f KiB\n", KiB(f.Memory.WorkingSet),
                KiB(f.Memory.CommitBytes));
}

// Prints both figures and what grew between them.
inline void PrintGrowth(const TMemoryFigures& before, const TMemoryFigures& after) {
    PrintMemory("before", before);
    PrintMemory("after", after);
    auto grown = [](auto a, auto b) { return static_cast<long>(b) - static_cast<long>(a); };
    std::printf(
        "delta:  our GDI %+ld, GetGuiResources GDI %+ld USER %+ld, GDI objects by handle %+ld, windows %+ld, "
        "handles %+ld, working set %+.1f KiB, commit %+.1f KiB\n",
        after.Gdi.Total() - before.Gdi.Total(), grown(before.GuiGdi, after.GuiGdi),
        grown(before.GuiUser, after.GuiUser), after.GdiProbed - before.GdiProbed, after.Windows - before.Windows,
        grown(before.Handles, after.Handles), KiB(after.Memory.WorkingSet) - KiB(before.Memory.WorkingSet),
        KiB(after.Memory.CommitBytes) - KiB(before.Memory.CommitBytes));
}

// What grew from `early` (taken after the first few cycles) to `after`: what grows with the cycles.
inline void PrintLaterGrowth(const TMemoryFigures& early, const TMemoryFigures& after, int laterCycles) {
    std::printf("        of which over the last %d cycles: working set %+.1f KiB, commit %+.1f KiB, our GDI %+ld\n",
                laterCycles, KiB(after.Memory.WorkingSet) - KiB(early.Memory.WorkingSet),
                KiB(after.Memory.CommitBytes) - KiB(early.Memory.CommitBytes), after.Gdi.Total() - early.Gdi.Total());
}

}  // namespace qd::bench
