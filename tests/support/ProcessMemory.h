#pragma once
// A process's memory as the platform counts it, for tests and benchmarks that watch it grow.

#include <windows.h>
#include <psapi.h>

namespace qd::test {

struct TProcessMemory {
    SIZE_T WorkingSet = 0;
    // The commit charge: Wine leaves the private byte count at 0.
    SIZE_T CommitBytes = 0;
};

// Zero figures when the platform does not answer.
inline TProcessMemory ProcessMemory(HANDLE process = ::GetCurrentProcess()) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return {};
    return {counters.WorkingSetSize, counters.PagefileUsage};
}

}  // namespace qd::test
