#pragma once
// The one message pump of the tests: run the thread's messages until a condition holds or a deadline passes,
// never a fixed sleep. How one message is handled is the program's choice: the platform's own dispatch by
// default; programs built on the framework's application go through its loop (accelerators, dialog keys, idle
// work) by setting that step once (framework/FrameworkTestSupport.h, app/AppTestSupport.h).

#include <windows.h>

namespace qd::test {

// Handles one waiting message; false when none was waiting.
using TPumpStep = bool (*)();

// The platform's step: takes one message of the thread's queue and dispatches it.
inline bool DispatchOne() {
    MSG msg;
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
}

inline TPumpStep& PumpStep() noexcept {
    static TPumpStep step = &DispatchOne;
    return step;
}

// The step every pump below uses from now on (null: the platform's).
inline void SetPumpStep(TPumpStep step) noexcept { PumpStep() = step ? step : &DispatchOne; }

// Runs the thread's messages until `done()` holds or `timeoutMs` passed; true when the condition held. The
// condition is asked before every message.
template <class TDone>
bool PumpUntil(TDone&& done, DWORD timeoutMs = 5000) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (::GetTickCount64() >= deadline) return false;
        if (!PumpStep()()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Runs the thread's messages for `ms` milliseconds.
inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// Handles what is queued now (and what that posts meanwhile).
inline void PumpPending() {
    while (PumpStep()()) {
    }
}

}  // namespace qd::test
