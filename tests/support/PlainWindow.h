#pragma once
// A plain top-level window (the platform's default procedure, button-face background), for benchmarks and tests
// that need a window and nothing of the framework.

#include <windows.h>

namespace qd::test {

// A hidden overlapped window of class `className` (registered on first use) at the screen's origin.
inline HWND MakePlainWindow(const wchar_t* className, const wchar_t* title, int width, int height) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(instance, className, &wc)) {
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = className;
        ::RegisterClassExW(&wc);
    }
    return ::CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr, instance,
                             nullptr);
}

}  // namespace qd::test
