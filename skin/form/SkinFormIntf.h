#pragma once
// The two sides of the cycle between the skin manager and the form skinners, kept as small interfaces so that
// neither side includes the other's implementation.
//
// ISkinForm: what the manager may call on a form skinner. CreateSkinForm makes one; the manager sets it up with
// Attach (framework form) or AttachWindow (plain window), posts WM_SKIN_STARTED, and later calls Detach, Reskin
// or the region and button rebuilds. It frees the skinner only when the skinner says it is not on the stack
// (InDispatch() false) - after WM_NCDESTROY the state is Dead and the purge frees it.
//
// ISkinFormManager: what a form skinner calls on the manager (MDI bookkeeping, menu kind, new MDI children,
// forgetting a window, the control dispatch). A skinner made without one uses a private stand-in that keeps
// the MDI flag and does nothing else.

#include <windows.h>

#include <memory>
#include <vector>

namespace qd {

class TForm;
class TSkinData;
class ISkinForm;
class TCanvas;

// Life cycle of a form skinner (values are fixed).
enum class TSkinState : int { Attached = 0, Running = 1, Reskinning = 3, Destroying = 4, Activating = 5, Dead = 6 };
enum class TSizeState : int { Normal = 0, Maximized = 1, Minimized = 2 };
enum class TMDIRole : int { None = 0, Frame = 1, Child = 2 };
enum class TFrameKind : int { Sizeable = 0, Fixed = 1, NoFrame = 2, Dialog = 3 };

// What a form skinner keeps of a control skinner in its ControlList (the control skinners implement it).
class ISkinControlItem {
public:
    virtual ~ISkinControlItem() = default;
    // 6 = the control's window was destroyed.
    virtual int ControlState() const = 0;
    virtual void Unskin() = 0;
    virtual void Reskin() = 0;
    // Frees the skinner; one whose procedure is on the stack unhooks now and goes when that call returns.
    virtual void Release() { delete this; }
    // The skinned window (null for a windowless control).
    virtual HWND ControlWindow() const { return nullptr; }
    // Where the control is on the screen (windowless controls too); false when it is nowhere to be seen.
    virtual bool ControlScreenRect(RECT& rect) const {
        HWND wnd = ControlWindow();
        return wnd && ::GetWindowRect(wnd, &rect);
    }
    // The mouse left the control without the control noticing (hover check, deactivation).
    virtual void MouseLeft() {}
};
inline constexpr int ControlStateWindowDestroyed = 6;

// The kind of menu about to open, as a form skinner tells the manager (the manager skins popups by it).
enum : int { MenuKindPopup = 0, MenuKindMenuBar = 1, MenuKindSystem = 2 };

class ISkinFormManager {
public:
    virtual ~ISkinFormManager() = default;
    virtual bool MDIChildMaximized() const = 0;
    virtual void SetMDIChildMaximized(bool value) = 0;
    // Set by the skinner of an MDI frame for the other form skinners.
    virtual void SetMDIClient(HWND clientHandle, TForm* frameForm) = 0;
    virtual HWND MDIClientHandle() const = 0;
    // The framework form of the skinned MDI frame (null when none): its menu band takes the children's mnemonics.
    virtual TForm* MDIFrameForm() const { return nullptr; }
    // What opens next: MenuKindPopup, MenuKindMenuBar or MenuKindSystem.
    virtual void SetMenuKind(int kind) = 0;
    virtual void SetMenuFromBar(bool value) = 0;
    virtual void MarkPopupsFromBar() = 0;
    virtual HBITMAP FindPopupBitmap(HMENU menu) = 0;
    // An owner-drawn item of `menu` is being drawn: a popup window still waiting for its menu takes that one.
    virtual void ClaimPendingPopup(HMENU) {}
    virtual void SetReadyCount(int value) = 0;
    // Attaches a form skinner to a new window (new MDI children).
    virtual bool SkinWindow(HWND wnd) = 0;
    // The skinner of `wnd` is going: drop it from the manager's lists.
    virtual void ForgetWindow(HWND wnd) = 0;
    // The control dispatch over a skinned window's controls (framework form) or child windows (plain window).
    virtual void DispatchControls(ISkinForm& skinner) = 0;
    // Every registered skin data component (the default icon is looked up among them).
    virtual std::vector<TSkinData*> RegisteredSkinData() const = 0;
};

class ISkinForm {
public:
    virtual ~ISkinForm() = default;

    virtual HWND Handle() const noexcept = 0;
    virtual TForm* Form() const noexcept = 0;
    virtual TSkinData* SkinData() const noexcept = 0;
    virtual TSkinState SkinState() const noexcept = 0;
    virtual TSizeState SizeState() const noexcept = 0;
    virtual TMDIRole MDIRole() const noexcept = 0;
    // One of the skinner's procedures is on the stack: do not free it now.
    virtual bool InDispatch() const noexcept = 0;

    // Both answer true when the window was taken over (also when it already was); a false answer means the
    // skinner gave back everything it touched and will not skin the window.
    virtual bool Attach(TSkinData* skinData, TForm* form) = 0;
    virtual bool AttachWindow(TSkinData* skinData) = 0;
    // Gives the window back exactly as it was (procedure, styles, menu, client size, region).
    virtual void Detach() = 0;
    virtual void Reskin() = 0;
    // Switches to another (or reloaded) skin data component: borders and buttons are rebuilt.
    virtual void ReloadSkinData(TSkinData* skinData) = 0;
    virtual void BuildSysButtons() = 0;
    virtual void UpdateRegion() = 0;
    virtual void DropRegion() = 0;
    virtual void SetCaptionStyle(bool standard) = 0;
    virtual void FitClientSize(bool refresh) = 0;
    // The manager cleared MDIChildMaximized: a child that is not minimized shows its skinned frame again.
    virtual void MDIMaximizeEnded() = 0;

    virtual bool RegisterControl(ISkinControlItem* skinner) = 0;
    // Removes the skinner from the list (and from the hot slot).
    virtual void UnregisterControl(ISkinControlItem* skinner) = 0;
    // The push-button skinner under the mouse (at most one per window), or null.
    virtual ISkinControlItem* HotButton() const noexcept { return nullptr; }
    virtual void SetHotButton(ISkinControlItem*) noexcept {}
    // The canvas every control skinner of this window draws windowless controls with (bound to a DC only while
    // one paints), or null.
    virtual TCanvas* ControlCanvas() noexcept { return nullptr; }
};

// A form skinner for `handle`; `owner` is the framework form of the window (null for a plain window).
std::unique_ptr<ISkinForm> CreateSkinForm(TForm* owner, HWND handle, ISkinFormManager* manager);

}  // namespace qd
