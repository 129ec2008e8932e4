#include "browser/WebBrowser.h"

#include "framework/Application.h"
#include "framework/Properties.h"

namespace qd {

namespace {

// Argument `index` (in call order) of an event; by-reference variants are followed. Null when missing.
VARIANT* EventArg(DISPPARAMS& params, UINT index) noexcept {
    if (!params.rgvarg || index >= params.cArgs) return nullptr;
    VARIANT* v = &params.rgvarg[params.cArgs - 1 - index];
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal) v = v->pvarVal;
    return v;
}

IDispatch* DispatchOf(const VARIANT* v) noexcept {
    if (!v) return nullptr;
    if (v->vt == VT_DISPATCH) return v->pdispVal;
    if (v->vt == (VT_DISPATCH | VT_BYREF) && v->ppdispVal) return *v->ppdispVal;
    return nullptr;
}

const VARIANT& OrEmpty(const VARIANT* v) noexcept {
    static const VARIANT empty{};
    return v ? *v : empty;
}

// The Cancel argument: a by-reference VARIANT_BOOL (or a plain Boolean that cannot be written back).
bool ReadBool(const VARIANT* v) noexcept {
    if (!v) return false;
    if (v->vt == (VT_BOOL | VT_BYREF) && v->pboolVal) return *v->pboolVal != VARIANT_FALSE;
    if (v->vt == VT_BOOL) return v->boolVal != VARIANT_FALSE;
    return false;
}
void WriteBool(VARIANT* v, bool value) noexcept {
    if (v && v->vt == (VT_BOOL | VT_BYREF) && v->pboolVal) *v->pboolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace

VARIANT OptionalParam() noexcept {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

std::wstring VariantText(const VARIANT& value) {
    if (value.vt == VT_BSTR) return value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : L"";
    if (value.vt == (VT_BSTR | VT_BYREF))
        return value.pbstrVal && *value.pbstrVal ? std::wstring(*value.pbstrVal, ::SysStringLen(*value.pbstrVal)) : L"";
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return L"";
    VARIANT text;
    ::VariantInit(&text);
    std::wstring result;
    if (SUCCEEDED(::VariantChangeType(&text, const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR)) && text.bstrVal)
        result.assign(text.bstrVal, ::SysStringLen(text.bstrVal));
    ::VariantClear(&text);
    return result;
}

TWebBrowser::TWebBrowser(TComponent* AOwner) : TOleControl(AOwner, CLSID_WebBrowser, DIID_DWebBrowserEvents2) {}

TWebBrowser::~TWebBrowser() {
    FBrowser.Reset();
    DestroyControl();
}

IWebBrowser2* TWebBrowser::DefaultInterface() {
    if (!FBrowser) {
        IOleObject* object = OleObject();
        OleCheck(object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(FBrowser.Put())));
    }
    return FBrowser.Get();
}

void TWebBrowser::Navigate2(const VARIANT& URL, const VARIANT* Flags, const VARIANT* TargetFrameName,
                            const VARIANT* PostData, const VARIANT* Headers) {
    IWebBrowser2* browser = DefaultInterface();
    VARIANT url = URL;  // the interface takes non-const pointers; the control only reads them
    VARIANT flags = Flags ? *Flags : OptionalParam();
    VARIANT target = TargetFrameName ? *TargetFrameName : OptionalParam();
    VARIANT post = PostData ? *PostData : OptionalParam();
    VARIANT headers = Headers ? *Headers : OptionalParam();
    OleCheck(browser->Navigate2(&url, &flags, &target, &post, &headers));
}

TOwnedVariant::TOwnedVariant(const std::wstring& text) : TOwnedVariant() {
    Value.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!Value.bstrVal) OleError(E_OUTOFMEMORY);
    Value.vt = VT_BSTR;
}

void TWebBrowser::Navigate2(const std::wstring& url) {
    const TOwnedVariant v(url);
    Navigate2(v.Value);
}

IDispatch* TWebBrowser::Application() {
    IDispatch* result = nullptr;
    OleCheck(DefaultInterface()->get_Application(&result));
    return result;
}

IDispatch* TWebBrowser::Document() {
    IDispatch* result = nullptr;
    OleCheck(DefaultInterface()->get_Document(&result));
    return result;
}

std::wstring TWebBrowser::LocationURL() {
    BSTR url = nullptr;
    OleCheck(DefaultInterface()->get_LocationURL(&url));
    std::wstring result = url ? std::wstring(url, ::SysStringLen(url)) : L"";
    ::SysFreeString(url);
    return result;
}

void TWebBrowser::ReleaseControlInterfaces() noexcept { FBrowser.Reset(); }

void TWebBrowser::InvokeEvent(DISPID id, DISPPARAMS& params) {
    switch (id) {
        case DISPID_BEFORENAVIGATE2: {
            if (!OnBeforeNavigate2 || params.cArgs < 7) return;
            VARIANT* cancelArg = EventArg(params, 6);
            bool cancel = ReadBool(cancelArg);
            OnBeforeNavigate2(this, DispatchOf(EventArg(params, 0)), OrEmpty(EventArg(params, 1)),
                              OrEmpty(EventArg(params, 2)), OrEmpty(EventArg(params, 3)), OrEmpty(EventArg(params, 4)),
                              OrEmpty(EventArg(params, 5)), cancel);
            WriteBool(cancelArg, cancel);
            return;
        }
        case DISPID_DOCUMENTCOMPLETE:
            if (OnDocumentComplete && params.cArgs >= 2)
                OnDocumentComplete(this, DispatchOf(EventArg(params, 0)), OrEmpty(EventArg(params, 1)));
            return;
        case DISPID_NEWWINDOW2: {
            if (!OnNewWindow2 || params.cArgs < 2 || !params.rgvarg) return;
            VARIANT& ppDispArg = params.rgvarg[params.cArgs - 1];
            VARIANT* cancelArg = EventArg(params, 1);
            IDispatch* target = DispatchOf(&ppDispArg);
            bool cancel = ReadBool(cancelArg);
            OnNewWindow2(this, target, cancel);
            // The browser takes a reference to the object it is given.
            if (ppDispArg.vt == (VT_DISPATCH | VT_BYREF) && ppDispArg.ppdispVal && *ppDispArg.ppdispVal != target) {
                if (target) target->AddRef();
                *ppDispArg.ppdispVal = target;
            }
            WriteBool(cancelArg, cancel);
            return;
        }
        case DISPID_TITLECHANGE:
            if (OnTitleChange && params.cArgs >= 1) OnTitleChange(this, VariantText(OrEmpty(EventArg(params, 0))));
            return;
        case DISPID_STATUSTEXTCHANGE:
            if (OnStatusTextChange && params.cArgs >= 1)
                OnStatusTextChange(this, VariantText(OrEmpty(EventArg(params, 0))));
            return;
        default:
            return;
    }
}

const TClassInfo& TWebBrowser::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TWebBrowser>("TWebBrowser", &TOleControl::StaticClassInfo())
                                       .Event("OnBeforeNavigate2", &TWebBrowser::OnBeforeNavigate2)
                                       .Event("OnDocumentComplete", &TWebBrowser::OnDocumentComplete)
                                       .Event("OnNewWindow2", &TWebBrowser::OnNewWindow2)
                                       .Event("OnTitleChange", &TWebBrowser::OnTitleChange)
                                       .Event("OnStatusTextChange", &TWebBrowser::OnStatusTextChange);
    return info;
}

}  // namespace qd
