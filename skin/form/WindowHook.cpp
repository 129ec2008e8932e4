#include "skin/form/WindowHook.h"

#include <commctrl.h>

namespace qd {

namespace {
// All hooks of the engine share this id; the reference data tells the objects apart.
constexpr UINT_PTR kHookId = 0x51D0;
}  // namespace

TWindowHook::~TWindowHook() { Unhook(); }

bool TWindowHook::Hook(HWND wnd) {
    if (FWnd || !wnd || !::IsWindow(wnd)) return false;
    if (!::SetWindowSubclass(wnd, &SubclassProc, kHookId, reinterpret_cast<DWORD_PTR>(this))) return false;
    FWnd = wnd;
    FWindowGone = false;
    return true;
}

void TWindowHook::Unhook() noexcept {
    if (!FWnd) return;
    HWND wnd = FWnd;
    FWnd = nullptr;
    if (!FWindowGone) ::RemoveWindowSubclass(wnd, &SubclassProc, kHookId);
}

LRESULT TWindowHook::CallPrevious(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

LRESULT CALLBACK TWindowHook::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR refData) {
    auto* self = reinterpret_cast<TWindowHook*>(refData);
    ++self->FDepth;
    LRESULT result = 0;
    try {
        result = self->HookProc(wnd, msg, wParam, lParam);
    } catch (...) {
        // Exceptions never cross a window procedure; the window still gets its default handling.
        result = ::DefSubclassProc(wnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        // The window is going: take the hook off now (while the handle is still valid) and never touch it again.
        if (self->FWnd == wnd) ::RemoveWindowSubclass(wnd, &SubclassProc, kHookId);
        self->FWnd = nullptr;
        self->FWindowGone = true;
        --self->FDepth;
        self->WindowDestroyed();
        return result;
    }
    --self->FDepth;
    return result;
}

}  // namespace qd
