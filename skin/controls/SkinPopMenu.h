#pragma once
// TSkinPopMenu: the skin on one popup menu window ("#32768"). The skin manager attaches one to every menu window
// it creates while skinning and frees it when the window goes. It paints the window's three-pixel frame from the
// skin's MenuBackground and keeps the whole background at window size (Bitmap) for the owner-drawn items, which
// copy their part of it before they draw themselves (skin/form/SkinMenuItems.h).
//
// The window is bound to its menu through MN_GETHMENU as soon as the menu is known, so the manager finds the
// background by menu handle. Only while the menu does not answer yet is the skinner the pending popup: the first
// owner-drawn item of a menu then claims it. The slot never outlives the skinner.

#include <windows.h>

#include "framework/Gdi.h"
#include "framework/WindowHook.h"
#include "skin/controls/SkinManageIntf.h"

namespace qd {

class TSkinPopMenu final : public IPopupSkinner, private TWindowHook {
public:
    // Width of the frame the menu window keeps around its items.
    static constexpr int FrameWidth = 3;

    explicit TSkinPopMenu(HWND wnd) noexcept : FHandle(wnd) {}
    ~TSkinPopMenu() override;

    HWND Handle() const noexcept override { return FHandle; }
    void Attach(TSkinData* skinData) override;
    void Detach() override;
    void SetFromMenuBar(bool value) override { FFromMenuBar = value; }
    bool FromMenuBar() const noexcept { return FFromMenuBar; }
    HMENU BitmapKey() const noexcept override { return FOwnerMenu; }
    HBITMAP Bitmap() const noexcept override { return FBuffer.Get(); }
    bool Attached() const noexcept { return Hooked(); }

    // The skinner painted but not yet bound to its menu, or null.
    static TSkinPopMenu* PendingPopup() noexcept;
    // An owner-drawn item of `menu` is being drawn: the pending skinner, if any, takes that menu.
    static void ClaimPendingPopup(HMENU menu) noexcept;

private:
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void WindowDestroyed() noexcept override;
    bool SkinUsable() const noexcept;
    void BindMenu() noexcept;
    // Rebuilds the background at the window's size; false when the skin has none to give.
    bool BuildBuffer();
    void DrawMenuFrame(HDC dc) const;
    LRESULT PrintMenu(HDC dc, LPARAM flags);
    void Release() noexcept;

    HWND FHandle;
    TSkinData* FSkinData = nullptr;
    HMENU FOwnerMenu = nullptr;
    bool FFromMenuBar = false;
    TBitmapHandle FBuffer;
    SIZE FBufferSize{};
};

}  // namespace qd
