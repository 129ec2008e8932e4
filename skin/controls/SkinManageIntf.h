#pragma once
// What a form skinner may call on the skin manager (TSkinManage, skin/controls/SkinManage.h), and the control
// dispatch entry points it runs when WM_SKIN_STARTED arrives.
//
// The manager and the form skinner call each other; this header is the manager's half of that cycle, so the form
// skinner includes this and never the manager's implementation. The manager reaches the form skinner only through
// IFormSkinnerPort below.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qd {

class TBitmap;
class TComponent;
class TControl;
class TForm;
class TSkinData;

// Life-cycle states of a form skinner; the manager frees skinners that reached sksDead.
enum class TFormSkinState : int { Attached = 0, Running = 1, Reskinning = 3, Destroying = 4, Activating = 5, Dead = 6 };

// Menu kinds the menu bar code sets before it opens a menu.
enum TMenuKind : int { mkPopupMenu = 0, mkMenuBar = 1, mkSystemMenu = 2 };

class ISkinManage {
public:
    virtual ~ISkinManage() = default;

    virtual bool MDIChildMaximized() const = 0;
    // When the flag changes, every form skinner of an MDI child switches its maximised handling.
    virtual void SetMDIChildMaximized(bool value) = 0;
    virtual HWND MDIClientHandle() const = 0;
    virtual void SetMDIClientHandle(HWND wnd) = 0;
    virtual TForm* MDIFrameForm() const = 0;
    virtual void SetMDIFrameForm(TForm* form) = 0;
    virtual int MenuKind() const = 0;
    virtual void SetMenuKind(int kind) = 0;
    virtual bool MenuFromBar() const = 0;
    virtual void SetMenuFromBar(bool value) = 0;
    // Attaching sets it to 1 (a window of the thread is live).
    virtual void MarkReady() = 0;

    // Attaches a form skinner if the window qualifies; true when one was attached.
    virtual bool SkinWindow(HWND wnd) = 0;
    // Called by a form skinner's destructor: the manager drops it from its list without freeing it.
    virtual void ForgetWindow(HWND wnd) = 0;
    // The bitmap of the popup skinner registered under `key`, or null.
    virtual TBitmap* FindPopupBitmap(const void* key) = 0;
    // Every attached popup skinner was opened from the menu bar.
    virtual void MarkPopupsFromBar() = 0;
};

// The manager, or null while none exists (before the first skin data component loads, and after program end).
ISkinManage* SkinManage() noexcept;

// ---------------------------------------------------------------------------------------------------------------
// What the manager needs of a form skinner. The form skinner (or an adapter around it) implements this; the manager
// creates skinners through the factory installed with SetFormSkinnerFactory.

class IFormSkinnerPort {
public:
    virtual ~IFormSkinnerPort() = default;
    virtual HWND Handle() const = 0;
    virtual TSkinData* SkinData() const = 0;
    virtual TFormSkinState SkinState() const = 0;
    // How many of the skinner's window procedures / timer handlers are running now; it is freed only at 0.
    virtual int NestingDepth() const = 0;
    // The window is an MDI child (WS_EX_MDICHILD at attach).
    virtual bool IsMDIChild() const = 0;

    // Form skinner for a framework form (attach to its window and its WindowProc).
    virtual void Attach(TSkinData* skinData, TForm* form) = 0;
    // Form skinner for a foreign window (common dialog, message box).
    virtual void AttachWindow(TSkinData* skinData) = 0;
    // Gives the window back exactly as it was (switching the skin off).
    virtual void Detach() = 0;
    // Skin change: reload skin data, rebuild system buttons and border sizes.
    virtual void ReloadSkinData() = 0;
    virtual void Reskin() = 0;
    // MDI children: the application-wide maximised flag changed.
    virtual void MDIChildMaximizedChanged(bool maximized) = 0;
};

// Creates an unattached form skinner for `form` (null for a foreign window) whose Handle is `wnd`.
using TFormSkinnerFactory = std::function<std::unique_ptr<IFormSkinnerPort>(TForm* form, HWND wnd)>;
// Installs the factory the manager uses; returns the previous one. Without a factory nothing is attached.
TFormSkinnerFactory SetFormSkinnerFactory(TFormSkinnerFactory factory);

// Same for popup menu windows (class "#32768").
class IPopupSkinnerPort {
public:
    virtual ~IPopupSkinnerPort() = default;
    virtual HWND Handle() const = 0;
    virtual void Attach(TSkinData* skinData) = 0;
    virtual void Detach() = 0;
    virtual void SetFromMenuBar(bool value) = 0;
    // Lookup key of the bitmap it registered (null: none), and the bitmap.
    virtual const void* BitmapKey() const = 0;
    virtual TBitmap* Bitmap() = 0;
};
using TPopupSkinnerFactory = std::function<std::unique_ptr<IPopupSkinnerPort>(HWND wnd)>;
TPopupSkinnerFactory SetPopupSkinnerFactory(TPopupSkinnerFactory factory);

}  // namespace qd
