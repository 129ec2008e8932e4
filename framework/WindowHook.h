#pragma once
// The one way for every part of the program to take over a window it did not create: the platform's subclass
// chain (SetWindowSubclass with the object as reference data). Removal in any order is safe, so a skinner that
// goes while someone subclassed the window after it cuts nobody off, and the window procedure returns to
// exactly what it was once the last subclass is gone.
//
// Rules the class keeps:
// - After WM_NCDESTROY the window is never touched again: the hook removes itself while that message passes
//   and forgets the handle.
// - Depth() counts how many of this object's procedure calls are on the stack (WindowDestroyed included). An
//   owner must not free the object while it is non-zero (menu, move/size and modal loops run inside a message);
//   free it later, or hand it to DeleteWhenIdle, which does so as the outermost call returns.
// - No exception crosses the window procedure: one thrown by HookProc is swallowed at the edge and the
//   message goes on to the previous procedure.
// - Platform quirk (Wine's comctl32): when the last subclass leaves, the window's first procedure is put back
//   even if someone replaced the procedure after the chain was installed, which would cut that one off. So the
//   hook leaves the chain only while the chain is still the window's procedure; otherwise its small link record
//   stays on as a pass-through until WM_NCDESTROY and the object itself is free to go.

#include <windows.h>

namespace qd {

class TWindowHook {
public:
    TWindowHook() = default;
    TWindowHook(const TWindowHook&) = delete;
    TWindowHook& operator=(const TWindowHook&) = delete;
    // Removes the hook if it is still installed.
    virtual ~TWindowHook();

    // Hooks `wnd`; false when the platform refuses or the object already hooks a window.
    bool Hook(HWND wnd);
    // Takes the hook off the window (no-op when not hooked). Safe inside the object's own procedure.
    void Unhook() noexcept;

    // For an object made with new: unhooks it and deletes it now, or, while its procedure is on the stack,
    // as the outermost call returns. The caller forgets the pointer either way.
    void DeleteWhenIdle() noexcept;

    bool Hooked() const noexcept { return FWnd != nullptr; }
    HWND HookedWindow() const noexcept { return FWnd; }
    int Depth() const noexcept { return FDepth; }
    // True once the hooked window went through WM_NCDESTROY.
    bool WindowGone() const noexcept { return FWindowGone; }
    // Subclass links alive in the process (on a window, or still held by a procedure call on the stack): the
    // leak and lifetime count, read like the live GDI counts.
    static int LiveLinks() noexcept;

protected:
    // The object's window procedure. Call CallPrevious for what it passes on.
    virtual LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // Called after WM_NCDESTROY has been passed on and the hook taken off (the window must not be used).
    virtual void WindowDestroyed() noexcept {}
    // The next procedure of the chain (only from inside HookProc).
    static LRESULT CallPrevious(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

private:
    // The subclass's reference data: outlives the object when the hook has to stay on as a pass-through.
    struct TLink {
        explicit TLink(TWindowHook* owner) noexcept;
        ~TLink();
        TLink(const TLink&) = delete;
        TLink& operator=(const TLink&) = delete;
        TWindowHook* Owner;
        int Depth = 0;         // calls of the subclass procedure with this link on the stack
        bool Removed = false;  // off the window; freed as the last of those calls returns
    };
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR refData);
    HWND FWnd = nullptr;
    TLink* FLink = nullptr;
    LONG_PTR FChainProc = 0;  // the window procedure right after the chain was installed
    int FDepth = 0;
    bool FWindowGone = false;
    bool FDeleteWhenIdle = false;
};

}  // namespace qd
