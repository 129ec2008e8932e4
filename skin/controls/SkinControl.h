#pragma once
// TSkinControl: the base of every control skinner. A skinner takes over one control's message stream, lets the
// control's own procedure do its work and paints the skin over it; Unskin and freeing give the control back
// exactly as it was.
//
// Three kinds of target, one binding each:
// - a framework windowed control: its WindowProc is hooked through a link object (as the form skinner hooks a
//   form); when someone hooked WindowProc after us, unhooking leaves the link in their chain as a pass-through;
// - a framework windowless control (speed buttons): the same WindowProc link, painting on the control's canvas;
// - a bare window (children of platform dialogs): the platform subclass chain (TWindowHook), so the window's
//   procedure, its Unicode-ness and whoever subclassed it later are never disturbed.
//
// Rules the class keeps:
// - WM_NCDESTROY is always handled, also while skin processing is switched off: the skinner gives the control
//   back, its state becomes ControlStateWindowDestroyed and it never touches the window again.
// - A skinner is never freed while its procedure (or a Click it runs) is on the stack: Release() unhooks at once
//   and the object goes when the outermost call returns.
// - Exceptions never leave the procedure; painting failures are swallowed (the next paint tries again).
// - It answers WM_SKIN_QUERY with 1, so nothing skins the control a second time.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Component.h"
#include "framework/Controls.h"
#include "skin/form/SkinFormIntf.h"
#include "framework/WindowHook.h"

namespace qd {

class TSkinData;
class TDataSkinObject;
struct TDispatchChanges;
class TCanvas;
class TBitmap;

// MouseState bits.
enum : unsigned { msHot = 1, msPressed = 2 };

class TSkinControl : public TComponent, public ISkinControlItem {
public:
    // `owner` is the skinned framework control (the skinner goes with it), or null for a bare window.
    explicit TSkinControl(TComponent* owner);
    ~TSkinControl() override;

    // The link a hooked WindowProc holds (implementation detail of the framework-control binding).
    struct TLink;

    // Skins the owner, a framework windowed control. Does nothing when already attached.
    void AttachControl(ISkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas);
    // Skins a bare window.
    void AttachWindow(HWND wnd, TSkinData* skinData, ISkinForm* form, TCanvas* canvas);
    // Skins the owner, a framework windowless control (painted on its parent's window).
    void AttachGraphic(ISkinForm* form, TSkinData* skinData, TCanvas* canvas);

    // ISkinControlItem
    int ControlState() const override { return Status; }
    void Unskin() override;
    void Reskin() override;
    void Release() override;
    HWND ControlWindow() const override { return Handle; }
    bool ControlScreenRect(RECT& rect) const override;
    void MouseLeft() override;

    virtual bool CanSkin() const { return true; }

    // The replacement message handler every binding routes to.
    void SkinWndProc(TMessage& message);

    // Read-only view for tests and the form skinner.
    HWND Window() const noexcept { return Handle; }
    TWinControl* Target() const noexcept { return Control; }
    bool IsAttached() const noexcept { return Attached; }
    bool IsSkinEnabled() const noexcept { return SkinEnabled; }
    unsigned Mouse() const noexcept { return MouseState; }
    const std::wstring& CaptionText() const noexcept { return Caption; }
    // The frame of the skin's image the last paint drew (0 before the first, or when the skin has no image).
    int ShownFrame() const noexcept { return FShownFrame; }
    // One of this skinner's procedures is on the stack.
    bool InDispatch() const noexcept { return FDepth > 0; }
    // Keeps the skinner alive across a call it makes from a window of its own (a scroll bar overlay's modal
    // tracking loop): a Release() meanwhile frees it at the matching Unpin(). Nothing of the skinner may be
    // touched after Unpin().
    void Pin() noexcept { ++FDepth; }
    void Unpin() { LeaveDispatch(); }
    // Control skinners alive in the process (attached or waiting to be freed): the leak and lifetime count,
    // read like the live GDI counts.
    static int LiveCount() noexcept;

protected:
    // True lets the message go on to the control; false finishes it with message.Result.
    virtual bool BeforeProc(TMessage& message);
    // True while the skin paints the whole control from one image instead of the control's own painting (the
    // base BeforeProc then answers WM_PAINT and WM_ERASEBKGND); false lets the control paint first.
    virtual bool PaintsWholeFromImage() const { return false; }
    // Runs after the control handled a message BeforeProc let through.
    virtual void AfterProc(TMessage& message);
    // Paints the skin over the whole window (dc null: the window DC).
    virtual void PaintControl(HDC dc);
    // The family's drawing; rect is the window rectangle moved to the origin.
    virtual void DrawControl(HDC, const RECT&) {}
    // Called for a WM_NCDESTROY after the control handled it (the window must not be used afterwards): drop
    // everything bound to that window. A framework control that lives on gets a new window later, and the
    // family's attach runs again for it (see AttachControl).
    virtual void WindowGone() {}
    // Ends every attach that succeeded (framework control, bare window or windowless control, and a recreated
    // window bound again): the family binds what goes with the window.
    virtual void AfterAttach() {}
    // A framework control's window was recreated: attach runs again for the new window, keeping what the first
    // attach saved of the control.
    bool Rebinding() const noexcept { return FRebinding; }

    void CallDefault(TMessage& message);
    void Redraw();
    // A complete WM_PAINT that replaces the control's own painting.
    void PaintHandler(TMessage& message);
    TColor ParentColorOr(TColor fallback) const;
    void FillFace(HDC dc, const RECT& rect) const;
    void FillParent(HDC dc, const RECT& rect) const;
    // Frame `frame` (from 1) of `frames` equal frames of the object's bitmap as a nine-part image over rect.
    static void DrawSkinObject(HDC dc, const RECT& rect, int frames, int frame, const TDataSkinObject& object);
    // Frame `frame` of a strip stretched over rect, key colour transparent.
    static void DrawStripFrame(HDC dc, const RECT& rect, int frames, int frame, HBITMAP bitmap);
    // The window text as wide text.
    std::wstring WindowText() const;
    // Text vertically centred in rect (one line per row, tabs expanded); `format` adds the alignment (DT_LEFT,
    // DT_CENTER, DT_RIGHT) and DT_NOPREFIX where the text is data. Disabled text in the button-shadow colour.
    static void DrawCaption(HDC dc, const RECT& rect, UINT format, bool enabled, std::wstring_view text);
    // An image of `images` (none when image is -1) and one line of text side by side in rect, ending in an
    // ellipsis when it does not fit. Alignment 0 left, 1 centre, 2 right.
    void DrawImageAndText(HDC dc, const RECT& rect, int alignment, std::wstring_view text, int image,
                          HIMAGELIST images) const;
    // The control whose properties are read by name (framework control or windowless control), or null.
    TControl* PropertyObject() const noexcept { return Control ? static_cast<TControl*>(Control) : GraphicControl; }
    ISkinForm* OwnerForm() const noexcept { return Form; }

    unsigned MouseState = 0;
    TCanvas* Canvas = nullptr;
    bool Enabled = true;
    bool Focused = false;
    std::wstring Caption;
    bool SkinEnabled = true;
    TSkinData* SkinData = nullptr;
    HWND Handle = nullptr;
    TWinControl* Control = nullptr;
    TControl* GraphicControl = nullptr;
    RECT WindowRect{};
    bool ChangeColor = false;
    bool Attached = false;
    int Status = 0;       // 0 created, 1 attached, ControlStateWindowDestroyed
    int FShownFrame = 0;  // set by the family's paint

    // Hooks the WindowProc of `control` (framework controls, windowed or not).
    void HookControl(TControl& control);
    void Unhook() noexcept;

public:
    // What the dispatch set on the control before attaching (Transparent, Flat, the size grip): given back
    // with the rest by Unskin.
    void KeepDispatchChanges(const TDispatchChanges& changes);

private:
    class TBareHook;
    void GiveBackControl() noexcept;
    void LeaveDispatch();
    // The framework control stays while its window goes (a style change or a parent's recreation makes a new one).
    bool ControlOutlivesWindow() const;
    void TakeNewWindow();

    ISkinForm* Form = nullptr;
    std::unique_ptr<TBareHook> FBareHook;
    std::shared_ptr<TLink> FLink;
    TControl* FHookedControl = nullptr;
    // What attach changed on a framework control, given back by Unskin.
    struct TSaved {
        bool Valid = false;
        TColor Color = 0;
        bool ParentColor = false;
        bool HasDoubleBuffered = false;
        bool DoubleBuffered = false;
    } FSaved;
    std::unique_ptr<TDispatchChanges> FDispatchChanges;
    int FDepth = 0;
    bool FReleased = false;        // Release() ran while on the stack: freed when the outermost call returns
    bool FAwaitingWindow = false;  // the control's window went and the control lives on: bind its next window
    bool FRebinding = false;
};

// Frees a child skinner (one that another skinner made and owns) through Release: it may be on the stack.
struct TReleaseSkinner {
    void operator()(TSkinControl* skinner) const noexcept;
};
using TOwnedSkinner = std::unique_ptr<TSkinControl, TReleaseSkinner>;

struct TDispatchItem;

// The control dispatch's sink: creates the skinner the decision names, registers it with the form skinner and
// attaches it. Answers the new skinner, or null when none was made (a kind not built, a window already skinned,
// a button style the skin leaves alone, or an attach that failed).
TSkinControl* CreateControlSkinner(ISkinForm& form, const TDispatchItem& item);

// ---------------------------------------------------------------------------------------------------------------
// Published properties read by name: controls of other component sets with the same property names are handled
// alike. Missing properties give the fallback.

std::optional<std::int64_t> GetIntProp(TPersistent* object, std::string_view name);
std::int64_t GetIntProp(TPersistent* object, std::string_view name, std::int64_t fallback);
// The identifier of an enumeration (or boolean) property in lower case; empty when missing.
std::string GetEnumPropName(TPersistent* object, std::string_view name);
std::wstring GetTextProp(TPersistent* object, std::string_view name);
TPersistent* GetObjectProp(TPersistent* object, std::string_view name);
template <class T>
T* GetObjectPropAs(TPersistent* object, std::string_view name) {
    return dynamic_cast<T*>(GetObjectProp(object, name));
}

}  // namespace qd
