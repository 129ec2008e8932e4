// Start-up and memory of the real program: QuandrelDemo.exe started again and again, skinned and with its skin
// data inactive (QD_SKIN_INACTIVE=1) by turns. Each start carries QD_STARTUP_SIGNAL, an inherited event the
// program sets right after the first skinned paint of its main window (inactive: after its first paint); see
// app/StartupProbe.h. Printed, median and quickest of each kind and their ratio:
//  - from CreateProcess to the event, as the parent sees it (the loader's time included);
//  - what the program measured itself: from its process's creation time, and from wWinMain's entry, to the
//    signal (the part the skin can affect), with its steps (main window created, shown, skinner attached);
//  - the working set and commit charge of the running program once idle (2 s after the signal), read through
//    its process handle.
// The program is then terminated; no window or process stays. Prints figures; asserts nothing.
//
//   startup_bench [rounds] [path of QuandrelDemo.exe]

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/ProcessMemory.h"
#include "support/ProgramPath.h"

namespace {

struct TStart {
    double Wall = 0;  // CreateProcess to the event, seen by the parent
    // The program's own report, in milliseconds since its creation.
    double Entry = 0, Form = 0, Shown = 0, Skinned = -1, Frame = -1, Started = -1, Signal = 0;
    int StandardFrameFirst = 0, BlankFrameFirst = 0;
    double WorkingSetKiB = 0, CommitKiB = 0;
};

std::wstring DefaultProgram() { return qd::test::BesideThisProgram(L"app\\QuandrelDemo.exe"); }

// The program's report line, read from its standard output until the line ends (or the pipe breaks).
std::string ReadLine(HANDLE pipe) {
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (::ReadFile(pipe, &c, 1, &got, nullptr) && got == 1 && c != '\n') line += c;
    return line;
}

bool StartOnce(const std::wstring& program, bool skinned, TStart& result) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE painted = ::CreateEventW(&inherit, TRUE, FALSE, nullptr);
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!painted || !::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    // The program inherits our environment: the switches are set around its start only.
    ::SetEnvironmentVariableW(L"QD_STARTUP_SIGNAL", std::to_wstring(reinterpret_cast<std::uintptr_t>(painted)).c_str());
    ::SetEnvironmentVariableW(L"QD_SKIN_INACTIVE", skinned ? nullptr : L"1");
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + program + L"\"";
    const auto start = std::chrono::steady_clock::now();
    const bool started =
        ::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(L"QD_STARTUP_SIGNAL", nullptr);
    ::SetEnvironmentVariableW(L"QD_SKIN_INACTIVE", nullptr);
    ::CloseHandle(writeEnd);
    bool ok = false;
    if (started) {
        const HANDLE waits[2] = {painted, pi.hProcess};
        const DWORD which = ::WaitForMultipleObjects(2, waits, FALSE, 60000);
        result.Wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (which == WAIT_OBJECT_0) {
            const std::string line = ReadLine(readEnd);
            ok =
                std::sscanf(
                    line.c_str(),
                    "entry %lf form %lf shown %lf skinned %lf frame %lf started %lf signal %lf standard-frame-first %d "
                    "blank-frame-first %d",
                    &result.Entry, &result.Form, &result.Shown, &result.Skinned, &result.Frame, &result.Started,
                    &result.Signal, &result.StandardFrameFirst, &result.BlankFrameFirst) == 9;
            if (!ok) std::printf("  unreadable report: \"%s\"\n", line.c_str());
            ::WaitForInputIdle(pi.hProcess, 5000);
            ::Sleep(2000);
            const qd::test::TProcessMemory memory = qd::test::ProcessMemory(pi.hProcess);
            result.WorkingSetKiB = static_cast<double>(memory.WorkingSet) / 1024.0;
            result.CommitKiB = static_cast<double>(memory.CommitBytes) / 1024.0;
        }
        ::TerminateProcess(pi.hProcess, 0);
        ::WaitForSingleObject(pi.hProcess, 10000);
        ::Sleep(500);  // the platform tears the program's windows down: not into the next start
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    ::CloseHandle(readEnd);
    ::CloseHandle(painted);
    return ok;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Quickest(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

template <class F>
std::vector<double> Column(const std::vector<TStart>& runs, F f) {
    std::vector<double> v;
    for (const TStart& r : runs) v.push_back(f(r));
    return v;
}

template <class F>
void PrintRow(const char* what, const std::vector<TStart>& skinned, const std::vector<TStart>& inactive, F f) {
    const std::vector<double> s = Column(skinned, f), p = Column(inactive, f);
    const double sm = Median(s), pm = Median(p), sq = Quickest(s), pq = Quickest(p);
    std::printf("  %-34s median %8.1f / %8.1f ms (%.2fx)   quickest %8.1f / %8.1f ms (%.2fx)\n", what, sm, pm,
                pm > 0 ? sm / pm : 0.0, sq, pq, pq > 0 ? sq / pq : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::wstring program = DefaultProgram();
    if (argc > 2) program = std::wstring(argv[2], argv[2] + std::strlen(argv[2]));

    std::vector<TStart> skinned, inactive;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        // Alternate which kind goes first, so a busy spell of the machine cannot favour one of them.
        for (const bool kind : {i % 2 == 0, i % 2 != 0}) {
            TStart run;
            if (StartOnce(program, kind, run))
                (kind ? skinned : inactive).push_back(run);
            else
                ++failures;
        }
    }
    std::printf("startup_bench: QuandrelDemo.exe, %d rounds (%d starts failed); skinned / skin data inactive\n", rounds,
                failures);
    std::printf("to the first skinned paint of the main window (inactive: its first paint), target <= 1.15x:\n");
    PrintRow("CreateProcess to signal (parent)", skinned, inactive, [](const TStart& r) { return r.Wall; });
    PrintRow("process creation to signal", skinned, inactive, [](const TStart& r) { return r.Signal; });
    PrintRow("wWinMain entry to signal", skinned, inactive, [](const TStart& r) { return r.Signal - r.Entry; });
    std::printf("steps (the program's own clock):\n");
    PrintRow("process creation to wWinMain", skinned, inactive, [](const TStart& r) { return r.Entry; });
    PrintRow("wWinMain to main window created", skinned, inactive, [](const TStart& r) { return r.Form - r.Entry; });
    PrintRow("created to shown", skinned, inactive, [](const TStart& r) { return r.Shown - r.Form; });
    PrintRow("shown to signal", skinned, inactive, [](const TStart& r) { return r.Signal - r.Shown; });
    // Skinned: how long the frame stayed as the first frame paint left it (blank when the skinner let it go by).
    PrintRow("first frame paint to signal", skinned, inactive, [](const TStart& r) { return r.Signal - r.Frame; });
    std::vector<double> attach, setUp;
    int flashes = 0, blanks = 0;
    for (const TStart& r : skinned) {
        if (r.Skinned >= 0) attach.push_back(r.Skinned - r.Shown);
        if (r.Started >= 0) setUp.push_back(r.Signal - r.Started);
        flashes += r.StandardFrameFirst;
        blanks += r.BlankFrameFirst;
    }
    std::printf("  shown to skinner attached (skinned)  median %8.1f ms, quickest %.1f ms\n", Median(attach),
                Quickest(attach));
    // The frame is skinned at its first paint when that comes before the skinner's start message.
    std::printf(
        "  skinner's start message to signal    median %8.1f ms, quickest %.1f ms (%zu of %zu starts; the "
        "others were skinned before the message)\n",
        Median(setUp), Quickest(setUp), setUp.size(), skinned.size());
    std::printf(
        "  skinned starts whose first frame paint was the standard frame: %d, was let go by the skinner: %d, of %zu\n",
        flashes, blanks, skinned.size());
    std::printf("memory of the running program once idle (median), skinned / inactive:\n");
    auto memory = [&](const char* what, double TStart::*field) {
        auto get = [field](const TStart& r) { return r.*field; };
        const double s = Median(Column(skinned, get)), p = Median(Column(inactive, get));
        std::printf("  %-12s %8.0f / %8.0f KiB (%+.0f KiB)\n", what, s, p, s - p);
    };
    memory("working set", &TStart::WorkingSetKiB);
    memory("commit", &TStart::CommitKiB);
    return failures == 0 ? 0 : 1;
}
