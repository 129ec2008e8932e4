#pragma once
// The skin manager as form skinners and control/popup skinners see it.
//
// A form skinner talks to the manager through ISkinFormManager (skin/form/SkinFormIntf.h); SkinManage() hands out
// the process-wide manager in that shape. The manager runs the control dispatch (skin/controls/ControlDispatch.h)
// when a form skinner asks for it on WM_SKIN_STARTED, and it creates popup menu skinners through the port below.

#include <windows.h>

#include <functional>
#include <memory>

#include "skin/form/SkinFormIntf.h"

namespace qd {

class TSkinData;

// The manager, or null while none exists (before the first skin data component loads, and after program end).
ISkinFormManager* SkinManage() noexcept;

// What the manager needs of a popup menu skinner (one per "#32768" window).
class IPopupSkinner {
public:
    virtual ~IPopupSkinner() = default;
    virtual HWND Handle() const noexcept = 0;
    virtual void Attach(TSkinData* skinData) = 0;
    // Gives the window back (it restores the window procedure).
    virtual void Detach() = 0;
    virtual void SetFromMenuBar(bool value) = 0;
    // The menu whose bitmap it registered (null: none), and that bitmap.
    virtual HMENU BitmapKey() const noexcept = 0;
    virtual HBITMAP Bitmap() const noexcept = 0;
};
using TPopupSkinnerFactory = std::function<std::unique_ptr<IPopupSkinner>(HWND wnd)>;

}  // namespace qd
