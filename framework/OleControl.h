#pragma once
// OLE control hosting: a windowed control that creates an ActiveX control by CLSID and is its container.
//
// The host answers the control as client site, in-place site and frame, control site and ambient-property
// dispatch; it in-place activates the control inside its own window, keeps the control's rectangle equal to
// its client area, passes the focus on, and offers the active object's TranslateAccelerator. Events of the
// control's outgoing dispatch interface arrive at InvokeEvent by DISPID.
//
// Lifetime: the COM reference count of the site never deletes the host; the host lives by the component tree.
// The control is created on first use (OleObject and friends), so that a derived host is whole before the
// control first queries the site for the derived host's interfaces. Derived hosts that answer interfaces of
// their own call DestroyControl in their destructor, while those interfaces still work.
//
// No exception crosses a COM method: every method of the site catches at its edge.

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Exception.h"

namespace qd {

// A failing HRESULT of an OLE call, with the platform's message text for it.
class EOleError : public Exception {
public:
    EOleError(std::string message, HRESULT code) : Exception(std::move(message)), FErrorCode(code) {}
    HRESULT ErrorCode() const noexcept { return FErrorCode; }

private:
    HRESULT FErrorCode;
};

// The system's message for an HRESULT (FormatMessageW, trailing line breaks removed), or "OLE error 8xxxxxxx"
// when the system has none. UTF-8.
std::string OleErrorMessage(HRESULT code);
// Raises EOleError for a failing code; returns it otherwise.
HRESULT OleCheck(HRESULT code);
[[noreturn]] void OleError(HRESULT code);

// A COM interface pointer that releases what it holds. Move-only.
template <class I>
class TComPtr {
public:
    TComPtr() noexcept = default;
    ~TComPtr() { Reset(); }
    TComPtr(TComPtr&& other) noexcept : FPtr(other.FPtr) { other.FPtr = nullptr; }
    TComPtr& operator=(TComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            FPtr = other.FPtr;
            other.FPtr = nullptr;
        }
        return *this;
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    I* Get() const noexcept { return FPtr; }
    I* operator->() const noexcept { return FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    // For out-parameters: releases the current pointer first.
    I** Put() noexcept {
        Reset();
        return &FPtr;
    }
    void Reset() noexcept {
        if (FPtr) {
            I* p = FPtr;
            FPtr = nullptr;
            p->Release();
        }
    }
    // Takes a new reference to `p`.
    void Assign(I* p) noexcept {
        if (p) p->AddRef();
        Reset();
        FPtr = p;
    }
    I* Detach() noexcept {
        I* p = FPtr;
        FPtr = nullptr;
        return p;
    }

private:
    I* FPtr = nullptr;
};

// Queries `from` for interface I; an empty pointer when it has none (or `from` is null).
template <class I>
TComPtr<I> ComQuery(IUnknown* from, REFIID iid) {
    TComPtr<I> result;
    if (from) from->QueryInterface(iid, reinterpret_cast<void**>(result.Put()));
    return result;
}

class TOleControl;

// The host's COM face. One object per host, embedded in it: its reference count is only a count.
class TOleControlSite final : public IOleClientSite,
                              public IOleInPlaceSite,
                              public IOleInPlaceFrame,
                              public IOleControlSite,
                              public IDispatch {
public:
    explicit TOleControlSite(TOleControl& host) noexcept : FHost(host) {}
    ULONG RefCount() const noexcept { return FRefs; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;
    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* wnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT posRect, LPRECT clipRect,
                                  LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT posRect) override;
    // IOleInPlaceUIWindow / IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR objName) override;
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU oleMenu, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override;
    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL lock) override;
    STDMETHODIMP GetExtendedControl(IDispatch** disp) override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, DWORD modifiers) override;
    STDMETHODIMP OnFocus(BOOL gotFocus) override;
    STDMETHODIMP ShowPropertyFrame() override;
    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

private:
    TOleControl& FHost;
    ULONG FRefs = 0;
};

// A dispatch interface without type information: callers know its DISPIDs, names are not looked up.
class TUntypedDispatch : public IDispatch {
public:
    // Answers no type information (a count of 0) and no names.
    static HRESULT NoTypeInfoCount(UINT* count) noexcept;
    static HRESULT NoTypeInfo(ITypeInfo** info) noexcept;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return NoTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override { return NoTypeInfo(info); }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// Receives the control's events (its source dispatch interface) and hands them to the host by DISPID.
class TOleEventSink final : public TUntypedDispatch {
public:
    TOleEventSink(TOleControl& host, const IID& eventIid) noexcept : FHost(host), FEventIid(eventIid) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

private:
    TOleControl& FHost;
    IID FEventIid;
    ULONG FRefs = 0;
};

class TOleControl : public TWinControl {
    QD_CLASS_INFO
public:
    // `eventIid`: the control's outgoing dispatch interface to connect to (GUID_NULL: none).
    TOleControl(TComponent* AOwner, const CLSID& clsid, const IID& eventIid);
    ~TOleControl() override;

    // The control's persisted state block, handed to IPersistStreamInit::Load when the control is created
    // (empty: InitNew). Setting it after the control exists creates the control again from the block.
    const std::vector<std::uint8_t>& ControlData() const noexcept { return FControlData; }
    void SetControlData(std::vector<std::uint8_t> data);

    // The control, created now if needed (raises EOleError when it cannot be).
    IOleObject* OleObject();
    // Its default dispatch interface.
    IDispatch* ControlDispatch();
    bool ControlCreated() const noexcept { return static_cast<bool>(FOleObject); }
    // In-place active inside this control's window.
    bool InPlaceActive() const noexcept { return FInPlaceActive; }
    // The active object the control announced through the frame (may be null).
    IOleInPlaceActiveObject* ActiveObject() const noexcept { return FActiveObject.Get(); }
    // The active object's TranslateAccelerator; S_FALSE when there is none.
    HRESULT TranslateAcceleratorOfActiveObject(MSG& msg) noexcept;

    // Reads or writes a property of the control's default dispatch interface by DISPID. Raise EOleError.
    void GetDispatchProperty(DISPID id, VARIANT& result);
    // Calls a method; `args` in call order (reversed for the platform here).
    void InvokeMethod(DISPID id, std::vector<VARIANT> args, VARIANT* result = nullptr);

    // The site, as the control sees it.
    IOleClientSite* ClientSite() noexcept { return static_cast<IOleClientSite*>(&FSite); }
    ULONG SiteRefCount() const noexcept { return FSite.RefCount(); }

    // Closes and releases the control (Close(OLECLOSE_NOSAVE), SetClientSite(nullptr), disconnects the events).
    // Safe to call more than once.
    void DestroyControl() noexcept;

protected:
    friend class TOleControlSite;
    friend class TOleEventSink;

    // Interfaces a derived host answers on the site besides the container's own. Return S_OK with an AddRef'd
    // pointer, or E_NOINTERFACE.
    virtual HRESULT QueryHostInterface(REFIID riid, void** ppv) noexcept;
    // The ambient-property dispatch. The default answers the standard ambient properties (StandardAmbient).
    virtual HRESULT AmbientGetTypeInfoCount(UINT* count) noexcept;
    virtual HRESULT AmbientGetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept;
    virtual HRESULT AmbientGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept;
    virtual HRESULT AmbientInvoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* excep, UINT* argErr) noexcept;
    // The standard ambient properties: user mode, UI dead, hatching and grab handles off, message reflection off
    // (this framework reflects nothing), auto clip, locale, colours, display name, mnemonics.
    HRESULT StandardAmbient(DISPID id, VARIANT* result) noexcept;
    // One event of the control; `params` as the control passed them (last argument first). Never raises out of
    // the sink: exceptions are reported there.
    virtual void InvokeEvent(DISPID id, DISPPARAMS& params);
    // The control is about to go: derived classes release the interfaces of it they keep.
    virtual void ReleaseControlInterfaces() noexcept {}

    void CreateHandleCompleted() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;

    // Creates and initialises the control if it does not exist.
    void CreateControl();

private:
    void ActivateInPlace();
    void DeactivateInPlace() noexcept;
    void UpdateObjectRects() noexcept;
    RECT ControlRect();

    CLSID FClsid;
    IID FEventIid;
    std::vector<std::uint8_t> FControlData;
    TOleControlSite FSite;
    TOleEventSink FSink;
    TComPtr<IOleObject> FOleObject;
    TComPtr<IDispatch> FDispatch;
    TComPtr<IOleInPlaceObject> FInPlaceObject;
    TComPtr<IOleInPlaceActiveObject> FActiveObject;
    TComPtr<IConnectionPoint> FEventPoint;
    DWORD FEventCookie = 0;
    bool FInPlaceActive = false;
    bool FCreating = false;
};

}  // namespace qd
