// A stand-in "hhctrl.ocx" placed beside the test programs, where a planted library would wait: the host must
// never load it. It counts the calls it gets.

#include <windows.h>

namespace {
LONG GCalls = 0;
}

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpW(HWND, LPCWSTR, UINT, DWORD_PTR) {
    InterlockedIncrement(&GCalls);
    return nullptr;
}
extern "C" __declspec(dllexport) LONG PlantedCalls() { return GCalls; }
