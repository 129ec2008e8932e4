#pragma once
// Message pumping for tests that wait on the platform: run the thread's messages until a condition holds or a
// deadline passes, never a fixed sleep. (Framework tests use the application's own loop instead:
// framework/FrameworkTestSupport.h.)

#include <windows.h>

namespace qd::test {

// Runs the thread's messages until `done()` holds or `timeoutMs` passed; true when the condition held.
template <class TDone>
bool PumpUntil(TDone done, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Runs the thread's messages for `ms` milliseconds.
inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

}  // namespace qd::test
