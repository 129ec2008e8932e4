#include "framework/WindowHook.h"

#include <commctrl.h>

#include <atomic>
#include <new>
#include <utility>

#include "framework/CallbackEdge.h"

namespace qd {

namespace {
std::atomic<int> gLiveLinks{0};
}  // namespace

TWindowHook::TLink::TLink(TWindowHook* owner) noexcept : Owner(owner) { ++gLiveLinks; }
TWindowHook::TLink::~TLink() { --gLiveLinks; }

int TWindowHook::LiveLinks() noexcept { return gLiveLinks.load(); }

TWindowHook::~TWindowHook() { Unhook(); }

bool TWindowHook::Hook(HWND wnd) {
    if (FWnd || !wnd || !::IsWindow(wnd)) return false;
    auto* link = new (std::nothrow) TLink(this);
    if (!link) return false;
    // The link's address is the subclass id: every hook is its own member of the chain.
    if (!::SetWindowSubclass(wnd, &SubclassProc, reinterpret_cast<UINT_PTR>(link), reinterpret_cast<DWORD_PTR>(link))) {
        delete link;
        return false;
    }
    FWnd = wnd;
    FLink = link;
    FChainProc = ::GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    FWindowGone = false;
    return true;
}

void TWindowHook::Unhook() noexcept {
    if (!FWnd) return;
    HWND wnd = std::exchange(FWnd, nullptr);
    TLink* link = std::exchange(FLink, nullptr);
    link->Owner = nullptr;
    bool removed = FWindowGone || !::IsWindow(wnd);
    if (!removed && ::GetWindowLongPtrW(wnd, GWLP_WNDPROC) == FChainProc)
        removed = ::RemoveWindowSubclass(wnd, &SubclassProc, reinterpret_cast<UINT_PTR>(link)) != FALSE;
    // Not removed: someone replaced the window procedure after us, so the link stays on as a pass-through
    // (see the header) and goes at WM_NCDESTROY.
    if (!removed) return;
    link->Removed = true;
    if (link->Depth == 0) delete link;  // else the last procedure call still running with it frees it
}

void TWindowHook::DeleteWhenIdle() noexcept {
    Unhook();
    if (FDepth > 0)
        FDeleteWhenIdle = true;
    else
        delete this;
}

LRESULT TWindowHook::CallPrevious(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

LRESULT CALLBACK TWindowHook::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR refData) {
    auto* link = reinterpret_cast<TLink*>(refData);
    ++link->Depth;
    // Null for a pass-through left behind by an object that unhooked or is gone.
    TWindowHook* self = link->Owner;
    LRESULT result = 0;
    if (self) {
        ++self->FDepth;
        // Exceptions never cross a window procedure; the window still gets its default handling.
        if (!CallSwallowing([&] { result = self->HookProc(wnd, msg, wParam, lParam); }))
            result = ::DefSubclassProc(wnd, msg, wParam, lParam);
    } else {
        result = ::DefSubclassProc(wnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY && !link->Removed) {
        // The window is going: take the hook off now (while the handle is still valid) and never touch it again.
        ::RemoveWindowSubclass(wnd, &SubclassProc, id);
        link->Removed = true;
        if (TWindowHook* owner = std::exchange(link->Owner, nullptr)) {
            owner->FLink = nullptr;
            owner->FWnd = nullptr;
        }
    }
    // Calls of the same link nest (a message sent from inside the procedure): only the outermost frees it.
    if (--link->Depth == 0 && link->Removed) delete link;
    if (self) {
        if (msg == WM_NCDESTROY) {
            self->FWindowGone = true;
            self->WindowDestroyed();
        }
        if (--self->FDepth == 0 && self->FDeleteWhenIdle) delete self;
    }
    return result;
}

}  // namespace qd
