#include "framework/OleControl.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "framework/Application.h"
#include "framework/Classes.h"
#include "framework/Properties.h"

namespace qd {

// ---------------------------------------------------------------------------------------------------------------
// Errors

std::string OleErrorMessage(HRESULT code) {
    wchar_t* text = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (n && text) message.assign(text, n);
    if (text) ::LocalFree(text);
    // Platform quirk: Wine's system message table has no entries for HRESULTs; a wrapped Win32 error still
    // has its text under the plain error number.
    if (message.empty() && HRESULT_FACILITY(code) == FACILITY_WIN32) {
        text = nullptr;
        const DWORD m = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
            static_cast<DWORD>(HRESULT_CODE(code)), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        if (m && text) message.assign(text, m);
        if (text) ::LocalFree(text);
    }
    while (!message.empty() &&
           (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty()) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "OLE error %08lX", static_cast<unsigned long>(code));
        return buffer;
    }
    return WideToUtf8(message);
}

void OleError(HRESULT code) { throw EOleError(OleErrorMessage(code), code); }

HRESULT OleCheck(HRESULT code) {
    if (FAILED(code)) OleError(code);
    return code;
}

namespace {

// Builds the message record of an out-pointer: cleared before anything can fail.
template <class T>
void ClearOut(T** out) noexcept {
    if (out) *out = nullptr;
}

// A memory stream over a copy of `data` for IPersistStreamInit::Load.
TComPtr<IStream> StreamOf(const std::vector<std::uint8_t>& data) {
    TComPtr<IStream> stream;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, data.empty() ? 1 : data.size());
    if (!memory) OleError(E_OUTOFMEMORY);
    if (void* p = ::GlobalLock(memory)) {
        if (!data.empty()) std::memcpy(p, data.data(), data.size());
        ::GlobalUnlock(memory);
    }
    const HRESULT hr = ::CreateStreamOnHGlobal(memory, TRUE, stream.Put());
    if (FAILED(hr)) {
        ::GlobalFree(memory);
        OleError(hr);
    }
    ULARGE_INTEGER size;
    size.QuadPart = data.size();
    stream->SetSize(size);
    return stream;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// TOleControlSite

STDMETHODIMP TOleControlSite::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
        *ppv = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
        *ppv = static_cast<IOleInPlaceFrame*>(this);
    else if (riid == IID_IOleControlSite)
        *ppv = static_cast<IOleControlSite*>(this);
    else if (riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else
        return FHost.QueryHostInterface(riid, ppv);
    AddRef();
    return S_OK;
}

// The count is kept for tests and diagnostics only: the host lives by its owner, never by COM references.
STDMETHODIMP_(ULONG) TOleControlSite::AddRef() { return ++FRefs; }
STDMETHODIMP_(ULONG) TOleControlSite::Release() { return FRefs > 0 ? --FRefs : 0; }

STDMETHODIMP TOleControlSite::SaveObject() { return S_OK; }
STDMETHODIMP TOleControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    ClearOut(moniker);
    return E_NOTIMPL;
}
STDMETHODIMP TOleControlSite::GetContainer(IOleContainer** container) {
    ClearOut(container);
    return E_NOINTERFACE;
}
STDMETHODIMP TOleControlSite::ShowObject() { return S_OK; }
STDMETHODIMP TOleControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP TOleControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

STDMETHODIMP TOleControlSite::GetWindow(HWND* wnd) {
    if (!wnd) return E_POINTER;
    // The control asks as soon as it has its site: a host not yet put on a parent has no window to give.
    if (!FHost.HandleAllocated() && !FHost.Parent()) return E_FAIL;
    *wnd = CallSwallowing(HWND{}, [&] { return FHost.Handle(); });
    return *wnd ? S_OK : E_FAIL;
}
STDMETHODIMP TOleControlSite::ContextSensitiveHelp(BOOL) { return S_OK; }

STDMETHODIMP TOleControlSite::CanInPlaceActivate() { return FHost.HandleAllocated() ? S_OK : S_FALSE; }
STDMETHODIMP TOleControlSite::OnInPlaceActivate() {
    FHost.FInPlaceActive = true;
    if (FHost.FOleObject && !FHost.FInPlaceObject)
        FHost.FOleObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(FHost.FInPlaceObject.Put()));
    return S_OK;
}
STDMETHODIMP TOleControlSite::OnUIActivate() { return S_OK; }

STDMETHODIMP TOleControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT posRect,
                                               LPRECT clipRect, LPOLEINPLACEFRAMEINFO frameInfo) {
    ClearOut(frame);
    ClearOut(doc);
    if (!frame || !doc || !posRect || !clipRect) return E_POINTER;
    try {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        const RECT r = FHost.ControlRect();
        *posRect = r;
        *clipRect = r;
        if (frameInfo) {
            // cb is the caller's: it tells which version of the record it passed.
            frameInfo->fMDIApp = FALSE;
            frameInfo->hwndFrame = FHost.Handle();
            frameInfo->haccel = nullptr;
            frameInfo->cAccelEntries = 0;
        }
        return S_OK;
    } catch (...) {
        NoteSwallowed();
        if (*frame) {
            *frame = nullptr;
            Release();
        }
        return E_FAIL;
    }
}
STDMETHODIMP TOleControlSite::Scroll(SIZE) { return S_FALSE; }
STDMETHODIMP TOleControlSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP TOleControlSite::OnInPlaceDeactivate() {
    FHost.FInPlaceActive = false;
    FHost.FInPlaceObject.Reset();
    return S_OK;
}
STDMETHODIMP TOleControlSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP TOleControlSite::DeactivateAndUndo() {
    if (FHost.FInPlaceObject) FHost.FInPlaceObject->UIDeactivate();
    return S_OK;
}
STDMETHODIMP TOleControlSite::OnPosRectChange(LPCRECT) {
    // The control's rectangle is ours to decide: it always fills the host's client area.
    FHost.UpdateObjectRects();
    return S_OK;
}

STDMETHODIMP TOleControlSite::GetBorder(LPRECT border) {
    if (!border) return E_POINTER;
    *border = FHost.ControlRect();
    return S_OK;
}
STDMETHODIMP TOleControlSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP TOleControlSite::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP TOleControlSite::SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR) {
    FHost.FActiveObject.Assign(activeObject);
    return S_OK;
}
STDMETHODIMP TOleControlSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
STDMETHODIMP TOleControlSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP TOleControlSite::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP TOleControlSite::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP TOleControlSite::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP TOleControlSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

STDMETHODIMP TOleControlSite::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP TOleControlSite::LockInPlaceActive(BOOL) { return S_OK; }
STDMETHODIMP TOleControlSite::GetExtendedControl(IDispatch** disp) {
    ClearOut(disp);
    return E_NOTIMPL;
}
STDMETHODIMP TOleControlSite::TransformCoords(POINTL*, POINTF*, DWORD) { return E_NOTIMPL; }
STDMETHODIMP TOleControlSite::TranslateAccelerator(LPMSG, DWORD) { return S_FALSE; }
STDMETHODIMP TOleControlSite::OnFocus(BOOL) { return S_OK; }
STDMETHODIMP TOleControlSite::ShowPropertyFrame() { return E_NOTIMPL; }

STDMETHODIMP TOleControlSite::GetTypeInfoCount(UINT* count) { return FHost.AmbientGetTypeInfoCount(count); }
STDMETHODIMP TOleControlSite::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
    return FHost.AmbientGetTypeInfo(index, lcid, info);
}
STDMETHODIMP TOleControlSite::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
    return FHost.AmbientGetIDsOfNames(riid, names, count, lcid, ids);
}
STDMETHODIMP TOleControlSite::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) {
    return FHost.AmbientInvoke(id, riid, lcid, flags, params, result, excep, argErr);
}

// ---------------------------------------------------------------------------------------------------------------
// TUntypedDispatch, TOleEventSink

HRESULT TUntypedDispatch::NoTypeInfoCount(UINT* count) noexcept {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT TUntypedDispatch::NoTypeInfo(ITypeInfo** info) noexcept {
    ClearOut(info);
    return E_NOTIMPL;
}

STDMETHODIMP TOleEventSink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (riid == FEventIid && FEventIid != GUID_NULL)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}
STDMETHODIMP_(ULONG) TOleEventSink::AddRef() { return ++FRefs; }
STDMETHODIMP_(ULONG) TOleEventSink::Release() { return FRefs > 0 ? --FRefs : 0; }
STDMETHODIMP TOleEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                   UINT*) {
    if (result) ::VariantInit(result);
    DISPPARAMS none{};
    DISPPARAMS& p = params ? *params : none;
    CallGuarded([&] { FHost.InvokeEvent(id, p); });
    return S_OK;
}

// ---------------------------------------------------------------------------------------------------------------
// TOleControl

TOleControl::TOleControl(TComponent* AOwner, const CLSID& clsid, const IID& eventIid)
    : TWinControl(AOwner), FClsid(clsid), FEventIid(eventIid), FSite(*this), FSink(*this, eventIid) {
    SetTabStop(true);
}

TOleControl::~TOleControl() { DestroyControl(); }

void TOleControl::SetControlData(std::vector<std::uint8_t> data) {
    FControlData = std::move(data);
    if (!FOleObject) return;
    // The control was started without the block: start it again from it.
    const bool hadWindow = HandleAllocated() && FInPlaceActive;
    DestroyControl();
    CreateControl();
    if (hadWindow) ActivateInPlace();
}

IOleObject* TOleControl::OleObject() {
    CreateControl();
    return FOleObject.Get();
}

IDispatch* TOleControl::ControlDispatch() {
    CreateControl();
    if (!FDispatch) OleError(E_NOINTERFACE);
    return FDispatch.Get();
}

void TOleControl::CreateControl() {
    if (FOleObject || FCreating) return;
    TFlagScope creating(FCreating);

    TComPtr<IOleObject> object;
    OleCheck(::CoCreateInstance(FClsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(object.Put())));
    DWORD misc = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) OleCheck(object->SetClientSite(ClientSite()));

    auto persist = ComQuery<IPersistStreamInit>(object.Get(), IID_IPersistStreamInit);
    HRESULT hr = S_OK;
    if (persist) {
        if (!FControlData.empty()) {
            auto stream = StreamOf(FControlData);
            hr = persist->Load(stream.Get());
        }
        // A block the control cannot read (another version's, or damaged) must not keep it from starting:
        // it starts from its defaults instead.
        if (FControlData.empty() || FAILED(hr)) hr = persist->InitNew();
    }
    if (FAILED(hr)) {
        if (siteFirst) object->SetClientSite(nullptr);
        object->Close(OLECLOSE_NOSAVE);
        OleError(hr);
    }
    if (!siteFirst) OleCheck(object->SetClientSite(ClientSite()));
    object->SetHostNames(L"QuandrelDemo", nullptr);
    ::OleSetContainedObject(object.Get(), TRUE);

    object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(FDispatch.Put()));
    if (FEventIid != GUID_NULL) {
        if (auto container = ComQuery<IConnectionPointContainer>(object.Get(), IID_IConnectionPointContainer)) {
            TComPtr<IConnectionPoint> point;
            if (SUCCEEDED(container->FindConnectionPoint(FEventIid, point.Put())) &&
                SUCCEEDED(point->Advise(static_cast<IDispatch*>(&FSink), &FEventCookie)))
                FEventPoint = std::move(point);
        }
    }
    FOleObject = std::move(object);
    if (HandleAllocated()) ActivateInPlace();
}

void TOleControl::DestroyControl() noexcept {
    if (!FOleObject) return;
    // The control may call the site while it closes: keep our pointers until it has.
    DeactivateInPlace();
    ReleaseControlInterfaces();
    if (FEventPoint) {
        FEventPoint->Unadvise(FEventCookie);
        FEventPoint.Reset();
        FEventCookie = 0;
    }
    FActiveObject.Reset();
    FInPlaceObject.Reset();
    FDispatch.Reset();
    TComPtr<IOleObject> object = std::move(FOleObject);
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    object.Reset();
    FInPlaceActive = false;
}

RECT TOleControl::ControlRect() {
    RECT r{0, 0, 0, 0};
    if (HandleAllocated()) ::GetClientRect(FHandle, &r);
    return r;
}

void TOleControl::ActivateInPlace() {
    if (!FOleObject || !HandleAllocated()) return;
    RECT r = ControlRect();
    OleCheck(FOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, ClientSite(), 0, FHandle, &r));
    if (!FInPlaceObject)
        FOleObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(FInPlaceObject.Put()));
    UpdateObjectRects();
}

void TOleControl::DeactivateInPlace() noexcept {
    if (FInPlaceObject) {
        TComPtr<IOleInPlaceObject> object;
        object.Assign(FInPlaceObject.Get());
        object->InPlaceDeactivate();
    }
    FInPlaceObject.Reset();
    FActiveObject.Reset();
    FInPlaceActive = false;
}

void TOleControl::UpdateObjectRects() noexcept {
    if (!FInPlaceObject || !HandleAllocated()) return;
    RECT r = ControlRect();
    FInPlaceObject->SetObjectRects(&r, &r);
}

HRESULT TOleControl::TranslateAcceleratorOfActiveObject(MSG& msg) noexcept {
    if (!FActiveObject) return S_FALSE;
    TComPtr<IOleInPlaceActiveObject> active;
    active.Assign(FActiveObject.Get());  // the call may replace ours
    return active->TranslateAccelerator(&msg);
}

void TOleControl::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    // The control is created on first use; a window of ours is such a use.
    CreateControl();
    if (!FInPlaceActive) ActivateInPlace();
}

void TOleControl::DestroyWnd() {
    DeactivateInPlace();
    TWinControl::DestroyWnd();
}

void TOleControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SIZE:
            TWinControl::WndProc(m);
            UpdateObjectRects();
            return;
        case WM_SETFOCUS:
            TWinControl::WndProc(m);
            // The focus belongs to the control's own window: hand it on (UI activation does).
            if (FOleObject && HandleAllocated()) {
                RECT r = ControlRect();
                FOleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, ClientSite(), 0, FHandle, &r);
            }
            return;
        case WM_DESTROY:
            // Our window may go with its parent's (DestroyWnd is not called then). The control's own window is
            // our child and goes with it, and a control may not make a new one for a later window of ours
            // (Wine's WebBrowser makes it once, with the client site): close the control now and create it
            // afresh for the next window.
            DestroyControl();
            break;
        case WM_ERASEBKGND:
            // The control paints all of our client area.
            if (FInPlaceActive) {
                m.Result = 1;
                return;
            }
            break;
        default:
            break;
    }
    TWinControl::WndProc(m);
}

void TOleControl::GetDispatchProperty(DISPID id, VARIANT& result) {
    ::VariantInit(&result);
    IDispatch* disp = ControlDispatch();
    DISPPARAMS none{};
    EXCEPINFO excep{};
    UINT argErr = 0;
    const HRESULT hr =
        disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, &excep, &argErr);
    if (excep.bstrSource) ::SysFreeString(excep.bstrSource);
    if (excep.bstrDescription) ::SysFreeString(excep.bstrDescription);
    if (excep.bstrHelpFile) ::SysFreeString(excep.bstrHelpFile);
    OleCheck(hr);
}

void TOleControl::InvokeMethod(DISPID id, std::vector<VARIANT> args, VARIANT* result) {
    IDispatch* disp = ControlDispatch();
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    EXCEPINFO excep{};
    UINT argErr = 0;
    if (result) ::VariantInit(result);
    const HRESULT hr =
        disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, &excep, &argErr);
    if (excep.bstrSource) ::SysFreeString(excep.bstrSource);
    if (excep.bstrDescription) ::SysFreeString(excep.bstrDescription);
    if (excep.bstrHelpFile) ::SysFreeString(excep.bstrHelpFile);
    OleCheck(hr);
}

HRESULT TOleControl::QueryHostInterface(REFIID, void** ppv) noexcept {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT TOleControl::AmbientGetTypeInfoCount(UINT* count) noexcept { return TUntypedDispatch::NoTypeInfoCount(count); }

HRESULT TOleControl::AmbientGetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    return TUntypedDispatch::NoTypeInfo(info);
}

HRESULT TOleControl::AmbientGetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept { return E_NOTIMPL; }

HRESULT TOleControl::AmbientInvoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) noexcept {
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    return StandardAmbient(id, result);
}

HRESULT TOleControl::StandardAmbient(DISPID id, VARIANT* result) noexcept {
    if (!result) return E_POINTER;
    ::VariantInit(result);
    auto boolean = [&](bool value) {
        result->vt = VT_BOOL;
        result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    };
    auto colour = [&](TColor value) {
        result->vt = VT_I4;
        // OLE_COLOR: system colours as 0x800000nn, explicit colours as they are.
        result->lVal = static_cast<LONG>((value & 0xFF000000u) == 0xFF000000u ? 0x80000000u | (value & 0xFFu) : value);
        return S_OK;
    };
    switch (id) {
        case DISPID_AMBIENT_USERMODE:
        case DISPID_AMBIENT_AUTOCLIP:
        case DISPID_AMBIENT_SUPPORTSMNEMONICS:
            return boolean(true);
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_MESSAGEREFLECT:
        case DISPID_AMBIENT_DISPLAYASDEFAULT:
            return boolean(false);
        case DISPID_AMBIENT_UIDEAD:
            return boolean(!Enabled());
        case DISPID_AMBIENT_LOCALEID:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(::GetUserDefaultLCID());
            return S_OK;
        case DISPID_AMBIENT_BACKCOLOR:
            return colour(Color());
        case DISPID_AMBIENT_FORECOLOR:
            return colour(Font().Color());
        case DISPID_AMBIENT_DISPLAYNAME: {
            const std::wstring name = Utf8ToWide(Name());
            result->vt = VT_BSTR;
            result->bstrVal = ::SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
            if (!result->bstrVal) {
                result->vt = VT_EMPTY;
                return E_OUTOFMEMORY;
            }
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

void TOleControl::InvokeEvent(DISPID, DISPPARAMS&) {}

const TClassInfo& TOleControl::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TOleControl>("TOleControl", &TWinControl::StaticClassInfo())
            .Binary("ControlData", &TOleControl::ControlData,
                    [](TOleControl& c, std::vector<std::uint8_t> data) { c.SetControlData(std::move(data)); })
            .Factory(nullptr);
    return info;
}

}  // namespace qd
