#include "browser/EmbeddedBrowser.h"

#include <commctrl.h>
#include <dde.h>
#include <float.h>
#include <mshtml.h>

#include <array>
#include <new>
#include <utility>

#include "framework/Application.h"
#include "framework/Properties.h"
#include "framework/SystemLibrary.h"
#include "framework/WindowHook.h"

namespace qd {

namespace {

constexpr std::array<std::uint32_t, 19> kDownloadValues = {
    0x10,   0x20,   0x40,    0x80,    0x100,   0x200,      0x400,      0x800,      0x1000,    0x2000,
    0x4000, 0x8000, 0x10000, 0x20000, 0x40000, 0x10000000, 0x20000000, 0x40000000, 0x80000000};
constexpr std::array<std::uint32_t, 21> kUserInterfaceValues = {
    0x1,   0x2,    0x4,    0x8,    0x10,    0x20,    0x40,    0x80,    0x100,    0x200,   0x400,
    0x800, 0x1000, 0x2000, 0x4000, 0x10000, 0x20000, 0x40000, 0x80000, 0x100000, 0x200000};

constexpr DISPID kDispidAmbientDlControl = -5512;
constexpr DWORD kCmdUnload = 37;
constexpr DWORD kCmdShowScriptError = 40;  // OLECMDID_SHOWSCRIPTERROR
constexpr DWORD kIdmRefresh = 2300;
constexpr DWORD kIdmRefreshTop = 6041;
constexpr DWORD kIdmRefreshTopFull = 6042;
constexpr HRESULT kUnknownGroup = static_cast<HRESULT>(0x80040104);  // OLECMDERR_E_UNKNOWNGROUP
constexpr HRESULT kNotSupported = static_cast<HRESULT>(0x80040100);  // OLECMDERR_E_NOTSUPPORTED

// {000214D0-0000-0000-C000-000000000046}
constexpr GUID kCgidExplorer = {0x000214D0, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {F38BC242-B950-11D1-8918-00C04FC2C836}
constexpr GUID kCgidDocHostCommandHandler = {
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};

// Floating-point exception masks as the process started; taken before any stored value changes them.
unsigned int ReadStartupMasks() noexcept {
    unsigned int current = 0;
    _controlfp_s(&current, 0, 0);
    return current & _MCW_EM;
}
const unsigned int gStartupMasks = ReadStartupMasks();

template <class T>
void ClearOut(T** out) noexcept {
    if (out) *out = nullptr;
}

// "hhctrl.ocx" from the system folder, loaded on first use; kept until the process ends.
THtmlHelpFunction gHtmlHelpOverride = nullptr;
THtmlHelpFunction HtmlHelpFunction() noexcept {
    if (gHtmlHelpOverride) return gHtmlHelpOverride;
    static HMODULE library = nullptr;
    if (!library) {
        library = LoadSystemLibrary(L"hhctrl.ocx");
        if (!library) return nullptr;  // tried again next time
    }
    return reinterpret_cast<THtmlHelpFunction>(reinterpret_cast<void*>(::GetProcAddress(library, "HtmlHelpW")));
}

bool LocaleUsesInches() noexcept {
    wchar_t measure[4] = {};
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, measure, 4) > 0 && measure[0] == L'1';
}

// One property of the script-error event object by name, as text. Unknown names raise
// "'name' not supported."; a null or empty property is an empty text.
std::wstring EventProperty(IDispatch& event, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = event.GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND)
        throw EOleError("'" + WideToUtf8(name) + "' not supported.", hr);
    OleCheck(hr);
    TOwnedVariant value;
    DISPPARAMS none{};
    hr = event.Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &value.Value, nullptr, nullptr);
    if (FAILED(hr)) OleError(hr);
    return VariantText(value.Value);
}

}  // namespace

std::uint32_t DownloadFlagWord(TDownloadControlOptions options) noexcept {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < kDownloadValues.size(); ++i)
        if (options & (1u << i)) word |= kDownloadValues[i];
    return word;
}

std::uint32_t UserInterfaceFlagWord(TUserInterfaceOptions options) noexcept {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < kUserInterfaceValues.size(); ++i)
        if (options & (1u << i)) word |= kUserInterfaceValues[i];
    return word;
}

std::wstring ReplaceDialogCaption(std::wstring caption, const std::wstring& title) {
    static const std::wstring microsoft = L"Microsoft ";
    static const std::wstring explorer = L"Internet Explorer";
    if (auto at = caption.find(microsoft); at != std::wstring::npos) caption.erase(at, microsoft.size());
    if (auto at = caption.find(explorer); at != std::wstring::npos) caption.replace(at, explorer.size(), title);
    return caption;
}

THtmlHelpRequest HtmlHelpRequestFor(UINT winHelpCommand, DWORD data) noexcept {
    constexpr UINT kHelpContext = 0x0001;       // HELP_CONTEXT
    constexpr UINT kHelpContextPopup = 0x0008;  // HELP_CONTEXTPOPUP
    constexpr UINT kHelpFinder = 0x000B;        // HELP_FINDER
    constexpr UINT kHelpContents = 0x0003;      // HELP_CONTENTS
    constexpr UINT kHhDisplayTopic = 0x0000;
    constexpr UINT kHhDisplayToc = 0x0001;
    constexpr UINT kHhHelpContext = 0x000F;
    switch (winHelpCommand) {
        case kHelpContext:
        case kHelpContextPopup:
            return {kHhHelpContext, static_cast<DWORD_PTR>(data)};
        case kHelpFinder:
        case kHelpContents:
            return {kHhDisplayToc, 0};
        default:
            return {kHhDisplayTopic, 0};
    }
}

void SetHtmlHelpFunction(THtmlHelpFunction function) noexcept { gHtmlHelpOverride = function; }

unsigned int StartupFloatingPointMasks() noexcept { return gStartupMasks; }

// ---------------------------------------------------------------------------------------------------------------
// Construction and destruction

TEmbeddedBrowser::TEmbeddedBrowser(TComponent* AOwner) : TWebBrowser(AOwner) {
    FFpExceptions = true;
    // The control exists from here on: this object is whole, so it answers the control's first queries
    // for the host interfaces.
    OleObject();
    FDde = std::make_unique<TShellDdeServer>(*this, ReadShellDdeNames(TRegistryShellDdeRegistry()));
    FPrintOptions = std::make_unique<TPrintOptions>();
    FPrintOptionsFace = std::make_unique<TPrintOptionsProperties>(*FPrintOptions);
    FInchLocale = LocaleUsesInches();
    SetDownloadOptions(OptionBit(TDownloadControlOption::DLCTL_DLIMAGES) |
                       OptionBit(TDownloadControlOption::DLCTL_VIDEOS) |
                       OptionBit(TDownloadControlOption::DLCTL_BGSOUNDS));
    SetUserInterfaceOptions(0);
    FEnableDDE = false;
    DisableRightClickMenu = false;
    UpdateUserInterfaceFlags();
}

TEmbeddedBrowser::~TEmbeddedBrowser() {
    FDde.reset();
    FPrintOptionsFace.reset();
    FPrintOptions.reset();
    UnhookOwner();
    UnregisterUserAgent();
    if (FKeyFilter) qd::Application->RemoveMessageFilter(FKeyFilter);
    FKeyFilter = 0;
    if (FHostProcInstalled) {
        WindowProc = FPreviousWindowProc;
        FHostProcInstalled = false;
    }
    // The control holds our host interfaces: close it while they still work.
    DestroyControl();
}

void TEmbeddedBrowser::ReleaseControlInterfaces() noexcept {
    FSecurityManager.Reset();
    FZoneManager.Reset();
    TWebBrowser::ReleaseControlInterfaces();
}

void TEmbeddedBrowser::Loaded() {
    TWebBrowser::Loaded();
    auto* provider = static_cast<IServiceProvider*>(this);
    ::CoInternetCreateSecurityManager(provider, FSecurityManager.Put(), 0);
    ::CoInternetCreateZoneManager(provider, FZoneManager.Put(), 0);
    UpdateDownloadFlags();
    UpdateUserInterfaceFlags();
    HookOwner();
    if (HasState(TComponentStateFlag::csDesigning)) {
        TUserMeasureLocale locale;
        FPrintOptions->SetInchUnits(locale.MeasuresInInches());
        FPrintOptions->ImportPageSetup(TRegistryPageSetupStore(), locale);
        return;
    }
    if (!FHostProcInstalled) {
        FPreviousWindowProc = WindowProc;
        WindowProc = [this](TMessage& m) { HostWindowProc(m); };
        FHostProcInstalled = true;
    }
    if (!FKeyFilter) {
        // Platform quirk: this framework reflects no keys to the focused control, so the host's accelerator rule
        // runs in the message loop, before translation and dispatch, for keys aimed at the browser's windows.
        FKeyFilter = qd::Application->AddMessageFilter([this](MSG& msg) {
            if (msg.message < WM_KEYDOWN || msg.message > WM_DEADCHAR || !HandleAllocated()) return false;
            if (msg.hwnd != FHandle && !::IsChild(FHandle, msg.hwnd)) return false;
            return HandleKeyMessage(msg.message, msg.wParam, msg.lParam);
        });
    }
    RegisterUserAgent();
}

void TEmbeddedBrowser::CreateHandleCompleted() {
    TWebBrowser::CreateHandleCompleted();
    // The owner's window did not exist while loading ended; it does now (ours is its child).
    if (FOwnerHookPending) HookOwner();
}

// ---------------------------------------------------------------------------------------------------------------
// Properties and flag words

void TEmbeddedBrowser::SetDownloadOptions(TDownloadControlOptions value) {
    FDownloadOptions = value & ((1u << kDownloadValues.size()) - 1);
    UpdateDownloadFlags();
    NotifyAmbientDownloadControl();
}

void TEmbeddedBrowser::SetUserInterfaceOptions(TUserInterfaceOptions value) {
    FUserInterfaceOptions = value & ((1u << kUserInterfaceValues.size()) - 1);
    UpdateUserInterfaceFlags();
    NotifyAmbientDownloadControl();
}

void TEmbeddedBrowser::UpdateDownloadFlags() noexcept { FDownloadFlags = DownloadFlagWord(FDownloadOptions); }

void TEmbeddedBrowser::UpdateUserInterfaceFlags() noexcept {
    const std::uint32_t borders =
        OptionBit(TUserInterfaceOption::NO3DBORDER) | OptionBit(TUserInterfaceOption::NO3DOUTERBORDER);
    if (HideBorders)
        FUserInterfaceOptions |= borders;
    else
        FUserInterfaceOptions &= ~borders;
    if (HideScrollBars)
        FUserInterfaceOptions |= OptionBit(TUserInterfaceOption::SCROLL_NO);
    else
        FUserInterfaceOptions &= ~OptionBit(TUserInterfaceOption::SCROLL_NO);
    FUserInterfaceFlags = UserInterfaceFlagWord(FUserInterfaceOptions);
}

void TEmbeddedBrowser::NotifyAmbientDownloadControl() {
    // The browser asks the host again for its ambient download flags and host information.
    IDispatch* application = Application();
    if (!application) return;
    TComPtr<IDispatch> held;
    *held.Put() = application;
    if (auto control = ComQuery<IOleControl>(application, IID_IOleControl))
        control->OnAmbientPropertyChange(kDispidAmbientDlControl);
}

void TEmbeddedBrowser::SetFpExceptions(bool value) {
    FFpExceptions = value;
    unsigned int current = 0;
    // Masked (true bits) means the exception is not raised: false masks all six, true restores the start-up state.
    _controlfp_s(&current, value ? gStartupMasks : _MCW_EM, _MCW_EM);
}

// ---------------------------------------------------------------------------------------------------------------
// COM identity: the site's

STDMETHODIMP TEmbeddedBrowser::QueryInterface(REFIID riid, void** ppv) {
    return ClientSite()->QueryInterface(riid, ppv);
}
STDMETHODIMP_(ULONG) TEmbeddedBrowser::AddRef() { return ClientSite()->AddRef(); }
STDMETHODIMP_(ULONG) TEmbeddedBrowser::Release() { return ClientSite()->Release(); }

HRESULT TEmbeddedBrowser::QueryHostInterface(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IOleCommandTarget)
        *ppv = static_cast<IOleCommandTarget*>(this);
    else if (riid == IID_IServiceProvider)
        *ppv = static_cast<IServiceProvider*>(this);
    else if (riid == kIIDDocHostUIHandler2 || riid == IID_IDocHostUIHandler)
        *ppv = static_cast<IDocHostUIHandler2*>(this);
    else if (riid == kIIDDocHostShowUI)
        *ppv = static_cast<IDocHostShowUI*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// ---------------------------------------------------------------------------------------------------------------
// IOleCommandTarget

STDMETHODIMP TEmbeddedBrowser::QueryStatus(const GUID*, ULONG cCmds, OLECMD prgCmds[], OLECMDTEXT*) {
    if (prgCmds)
        for (ULONG i = 0; i < cCmds; ++i) prgCmds[i].cmdf = 0;
    return S_OK;
}

STDMETHODIMP TEmbeddedBrowser::Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD, VARIANT*, VARIANT* pvaOut) {
    return CallGuarded(kNotSupported, [&]() -> HRESULT {
        UpdateUserInterfaceFlags();
        if (!pguidCmdGroup) return kUnknownGroup;
        if (nCmdID == kCmdUnload && *pguidCmdGroup == kCgidExplorer && OnUnload) OnUnload(this);
        if (*pguidCmdGroup == kCgidDocHostCommandHandler) {
            if (OnRefresh && (nCmdID == kIdmRefresh || nCmdID == kIdmRefreshTop || nCmdID == kIdmRefreshTopFull)) {
                bool cancel = false;
                OnRefresh(this, static_cast<int>(nCmdID), cancel);
                return cancel ? S_OK : kNotSupported;
            }
            if (nCmdID == kCmdShowScriptError && OnScriptError) return HandleScriptError(pvaOut);
        }
        return kNotSupported;
    });
}

TComPtr<IDispatch> TEmbeddedBrowser::ScriptErrorEventObject() {
    TComPtr<IDispatch> event;
    TComPtr<IDispatch> document;
    *document.Put() = Document();
    auto html = ComQuery<IHTMLDocument2>(document.Get(), IID_IHTMLDocument2);
    if (!html) return event;
    TComPtr<IHTMLWindow2> window;
    if (FAILED(html->get_parentWindow(window.Put())) || !window) return event;
    TComPtr<IHTMLEventObj> eventObject;
    if (FAILED(window->get_event(eventObject.Put())) || !eventObject) return event;
    eventObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(event.Put()));
    return event;
}

HRESULT TEmbeddedBrowser::HandleScriptError(VARIANT* pvaOut) {
    TComPtr<IDispatch> event = ScriptErrorEventObject();
    if (!event) return kNotSupported;
    bool continueScript = true;
    bool showDialog = true;
    const std::wstring errorCharacter = EventProperty(*event.Get(), L"errorCharacter");
    const std::wstring errorCode = EventProperty(*event.Get(), L"errorCode");
    const std::wstring errorMessage = EventProperty(*event.Get(), L"errorMessage");
    const std::wstring errorUrl = EventProperty(*event.Get(), L"errorUrl");
    const std::wstring errorLine = EventProperty(*event.Get(), L"errorline");
    OnScriptError(this, errorLine, errorCharacter, errorCode, errorMessage, errorUrl, continueScript, showDialog);
    if (pvaOut) {
        ::VariantClear(pvaOut);
        pvaOut->vt = VT_BOOL;
        pvaOut->boolVal = continueScript ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return showDialog ? kNotSupported : S_OK;
}

// ---------------------------------------------------------------------------------------------------------------
// IServiceProvider

STDMETHODIMP TEmbeddedBrowser::QueryService(REFGUID guidService, REFIID riid, void** ppvObject) {
    ClearOut(ppvObject);
    if (!OnQueryService) return E_NOINTERFACE;
    return CallGuarded(E_FAIL, [&] { return OnQueryService(guidService, riid, ppvObject); });
}

// ---------------------------------------------------------------------------------------------------------------
// Ambient dispatch

HRESULT TEmbeddedBrowser::AmbientGetTypeInfoCount(UINT* count) noexcept {
    if (count) *count = 0;
    if (!OnGetTypeInfoCount) return E_NOTIMPL;
    return CallGuarded(E_FAIL, [&] { return OnGetTypeInfoCount(count); });
}

HRESULT TEmbeddedBrowser::AmbientGetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept {
    ClearOut(info);
    if (!OnGetTypeInfo) return E_NOTIMPL;
    return CallGuarded(E_FAIL, [&] { return OnGetTypeInfo(index, lcid, info); });
}

HRESULT TEmbeddedBrowser::AmbientGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                               DISPID* ids) noexcept {
    if (!OnGetIDsOfNames) return E_NOTIMPL;
    return CallGuarded(E_FAIL, [&] { return OnGetIDsOfNames(riid, names, count, lcid, ids); });
}

HRESULT TEmbeddedBrowser::AmbientInvoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                        VARIANT* result, EXCEPINFO* excep, UINT* argErr) noexcept {
    if (result) ::VariantInit(result);
    UpdateUserInterfaceFlags();
    if ((flags & DISPATCH_PROPERTYGET) && result && id == kDispidAmbientDlControl) {
        ::VariantInit(result);
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(FDownloadFlags);
        return S_OK;
    }
    if (OnInvoke) {
        return CallGuarded(E_FAIL, [&] { return OnInvoke(id, riid, lcid, flags, params, result, excep, argErr); });
    }
    return TWebBrowser::AmbientInvoke(id, riid, lcid, flags, params, result, excep, argErr);
}

// ---------------------------------------------------------------------------------------------------------------
// IDocHostUIHandler2

STDMETHODIMP TEmbeddedBrowser::ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                               IDispatch* pdispReserved) {
    if (DisableRightClickMenu) return S_OK;  // no menu at all, and no handler either
    if (!OnShowContextMenu) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnShowContextMenu(dwID, ppt, pcmdtReserved, pdispReserved); });
}

STDMETHODIMP TEmbeddedBrowser::GetHostInfo(DOCHOSTUIINFO* pInfo) {
    if (!pInfo) return E_POINTER;
    pInfo->cbSize = sizeof(DOCHOSTUIINFO);
    pInfo->dwFlags = FUserInterfaceFlags;
    pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    if (!OnGetHostInfo) return S_OK;
    return CallGuarded(S_OK, [&] { return OnGetHostInfo(pInfo); });
}

STDMETHODIMP TEmbeddedBrowser::ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                                      IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                                      IOleInPlaceUIWindow* pDoc) {
    if (!OnShowUI) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnShowUI(dwID, pActiveObject, pCommandTarget, pFrame, pDoc); });
}

STDMETHODIMP TEmbeddedBrowser::HideUI() {
    if (!OnHideUI) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnHideUI(); });
}

STDMETHODIMP TEmbeddedBrowser::UpdateUI() {
    if (!OnUpdateUI) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnUpdateUI(); });
}

STDMETHODIMP TEmbeddedBrowser::EnableModeless(BOOL fEnable) {
    if (!OnEnableModeless) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnEnableModeless(fEnable); });
}

STDMETHODIMP TEmbeddedBrowser::OnDocWindowActivate(BOOL fActivate) {
    if (!OnOnDocWindowActivate) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnOnDocWindowActivate(fActivate); });
}

STDMETHODIMP TEmbeddedBrowser::OnFrameWindowActivate(BOOL fActivate) {
    if (!OnOnFrameWindowActivate) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnOnFrameWindowActivate(fActivate); });
}

STDMETHODIMP TEmbeddedBrowser::ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow) {
    if (!OnResizeBorder) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnResizeBorder(prcBorder, pUIWindow, fRameWindow); });
}

STDMETHODIMP TEmbeddedBrowser::TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) {
    if (!OnTranslateAccelerator) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnTranslateAccelerator(lpMsg, pguidCmdGroup, nCmdID); });
}

STDMETHODIMP TEmbeddedBrowser::GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) {
    ClearOut(pchKey);
    if (!OnGetOptionKeyPath) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnGetOptionKeyPath(pchKey, dw); });
}

STDMETHODIMP TEmbeddedBrowser::GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) {
    ClearOut(ppDropTarget);
    if (!OnGetDropTarget) return S_OK;
    return CallGuarded(E_FAIL, [&] { return OnGetDropTarget(pDropTarget, ppDropTarget); });
}

STDMETHODIMP TEmbeddedBrowser::GetExternal(IDispatch** ppDispatch) {
    ClearOut(ppDispatch);
    if (!OnGetExternal) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnGetExternal(ppDispatch); });
}

STDMETHODIMP TEmbeddedBrowser::TranslateUrl(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR* ppchURLOut) {
    ClearOut(ppchURLOut);
    if (!OnTranslateUrl) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnTranslateUrl(dwTranslate, pchURLIn, ppchURLOut); });
}

STDMETHODIMP TEmbeddedBrowser::FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) {
    ClearOut(ppDORet);
    if (!OnFilterDataObject) return S_FALSE;
    return CallGuarded(S_FALSE, [&] { return OnFilterDataObject(pDO, ppDORet); });
}

STDMETHODIMP TEmbeddedBrowser::GetOverrideKeyPath(LPOLESTR* pchKey, DWORD dw) {
    ClearOut(pchKey);
    if (!OnGetOverrideKeyPath) return S_OK;
    return CallGuarded(S_OK, [&] { return OnGetOverrideKeyPath(pchKey, dw); });
}

// ---------------------------------------------------------------------------------------------------------------
// IDocHostShowUI

STDMETHODIMP TEmbeddedBrowser::ShowMessage(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption, DWORD dwType,
                                           LPOLESTR lpstrHelpFile, DWORD dwHelpContext, LRESULT* plResult) {
    if (plResult) *plResult = 0;
    if (!OnShowMessage) return S_FALSE;
    return CallGuarded(S_FALSE, [&] {
        return OnShowMessage(hwnd, lpstrText, lpstrCaption, dwType, lpstrHelpFile, dwHelpContext, plResult);
    });
}

STDMETHODIMP TEmbeddedBrowser::ShowHelp(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData, POINT ptMouse,
                                        IDispatch* pDispatchObjectHit) {
    if (OnShowHelp)
        return CallGuarded(
            S_FALSE, [&] { return OnShowHelp(hwnd, pszHelpFile, uCommand, dwData, ptMouse, pDispatchObjectHit); });
    if (HelpFile.empty()) return S_FALSE;
    if (THtmlHelpFunction help = HtmlHelpFunction()) {
        const THtmlHelpRequest request = HtmlHelpRequestFor(uCommand, dwData);
        help(hwnd, HelpFile.c_str(), request.Command, request.Data);
    }
    return S_OK;
}

// ---------------------------------------------------------------------------------------------------------------
// Host window, keys and owner hook

void TEmbeddedBrowser::HostWindowProc(TMessage& m) {
    switch (m.Msg) {
        case WM_CLOSE: {
            bool canClose = true;
            if (OnCloseQuery) OnCloseQuery(this, canClose);
            if (canClose && FPreviousWindowProc) FPreviousWindowProc(m);
            return;
        }
        case WM_DDE_EXECUTE:
        case WM_DDE_TERMINATE:
            if (FDde) FDde->HandleHostMessage(m.Msg, m.WParam, m.LParam);
            m.Result = 0;
            return;
        default:
            if (FPreviousWindowProc) FPreviousWindowProc(m);
            return;
    }
}

TComPtr<IOleInPlaceActiveObject> TEmbeddedBrowser::KeyTarget() {
    TComPtr<IDispatch> application;
    *application.Put() = Application();
    return ComQuery<IOleInPlaceActiveObject>(application.Get(), IID_IOleInPlaceActiveObject);
}

bool TEmbeddedBrowser::HandleKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message < WM_KEYDOWN || message > WM_DEADCHAR) return false;
    const WPARAM key = wParam;
    if (key == VK_BACK || key == VK_RETURN) return false;
    const bool extended = (static_cast<DWORD>(lParam) & (1u << 24)) != 0;
    if ((key == VK_LEFT || key == VK_RIGHT) && extended) return false;
    return CallSwallowing(false, [&] {
        MSG record{};
        record.hwnd = HandleAllocated() ? FHandle : nullptr;
        record.message = message;
        record.wParam = wParam;
        record.lParam = lParam;
        record.time = static_cast<DWORD>(::GetMessageTime());
        record.pt.x = 0x115DE1F1;
        record.pt.y = 0x115DE1F1;
        TComPtr<IOleInPlaceActiveObject> active = KeyTarget();
        if (!active) return false;
        return active->TranslateAccelerator(&record) == S_OK;
    });
}

// Reports the owner's loss of activation to the host and its window's end; the host may go (and forget this
// object) while one of its calls is on the stack, so it is freed through DeleteWhenIdle.
class TEmbeddedBrowser::TOwnerHook final : public TWindowHook {
public:
    explicit TOwnerHook(TEmbeddedBrowser& host) noexcept : Host(&host) {}
    TEmbeddedBrowser* Host;

protected:
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (Host && msg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE)
            Host->OwnerLostActivation(reinterpret_cast<HWND>(lParam));
        return CallPrevious(wnd, msg, wParam, lParam);
    }
    void WindowDestroyed() noexcept override {
        if (Host) Host->OwnerWindowDestroyed();
    }
};

HWND TEmbeddedBrowser::OwnerWindow() const noexcept { return FOwnerHook ? FOwnerHook->HookedWindow() : nullptr; }

void TEmbeddedBrowser::HookOwner() noexcept {
    if (FOwnerHook) return;
    auto* owner = dynamic_cast<TWinControl*>(Owner());
    if (!owner) {
        FOwnerHookPending = false;
        return;
    }
    if (!owner->HandleAllocated()) {
        FOwnerHookPending = true;
        return;
    }
    auto* hook = new (std::nothrow) TOwnerHook(*this);
    if (!hook) return;
    if (!hook->Hook(owner->Handle())) {
        delete hook;
        return;
    }
    FOwnerHook = hook;
    FOwnerHookPending = false;
}

void TEmbeddedBrowser::UnhookOwner() noexcept {
    FOwnerHookPending = false;
    if (TOwnerHook* hook = std::exchange(FOwnerHook, nullptr)) {
        hook->Host = nullptr;
        hook->DeleteWhenIdle();
    }
}

void TEmbeddedBrowser::OwnerWindowDestroyed() noexcept {
    // The owner's window went; a new one (ours comes back with it) is hooked again.
    UnhookOwner();
    FOwnerHookPending = true;
}

void TEmbeddedBrowser::OwnerLostActivation(HWND to) noexcept {
    CallGuarded([&] {
        if (!to) return;
        wchar_t className[80] = {};
        ::GetClassNameW(to, className, 80);
        // Only dialogs of this process: another program's window that took the activation is not ours to change.
        DWORD process = 0;
        ::GetWindowThreadProcessId(to, &process);
        if (ReplaceCaption && process == ::GetCurrentProcessId() && std::wstring(className) == L"#32770") {
            ::SendMessageW(to, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(qd::Application->Icon().Handle()));
            const int length = ::GetWindowTextLengthW(to);
            std::wstring caption(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
            const int got = ::GetWindowTextW(to, caption.data(), static_cast<int>(caption.size()));
            caption.resize(static_cast<std::size_t>(got > 0 ? got : 0));
            const std::wstring title = qd::Application->Title();
            ::SetWindowTextW(to, ReplaceDialogCaption(caption, title).c_str());
        }
        if (OnShowDialog) OnShowDialog(this, to);
    });
}

// ---------------------------------------------------------------------------------------------------------------
// User agent

void TEmbeddedBrowser::RegisterUserAgent() noexcept {
    if (FUserAgentWritten) return;
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, UserAgentKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return;
    const bool existed =
        ::RegQueryValueExW(key, UserAgent.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    const wchar_t empty[1] = {L'\0'};
    const bool written = ::RegSetValueExW(key, UserAgent.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(empty),
                                          sizeof empty) == ERROR_SUCCESS;
    // A value that was there before is the machine's: it stays at exit.
    FUserAgentWritten = written && !existed;
    if (FUserAgentWritten) FUserAgentName = UserAgent;
    ::RegCloseKey(key);
}

void TEmbeddedBrowser::UnregisterUserAgent() noexcept {
    if (!FUserAgentWritten) return;
    FUserAgentWritten = false;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, UserAgentKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    // Exactly the value that was written, whatever UserAgent says now.
    ::RegDeleteValueW(key, FUserAgentName.c_str());
    ::RegCloseKey(key);
}

// ---------------------------------------------------------------------------------------------------------------
// DDE navigation

void TEmbeddedBrowser::NavigateDdeUrl(const std::wstring& url) {
    UpdateUserInterfaceFlags();
    VARIANT zero;
    ::VariantInit(&zero);
    zero.vt = VT_I4;
    zero.lVal = 0;
    const TOwnedVariant target(url);
    Navigate2(target.Value, &zero, &zero, &zero, &zero);
}

void TEmbeddedBrowser::NavigateDdeIdList(const TItemIdList& list) {
    UpdateUserInterfaceFlags();
    TOwnedVariant bytes;
    if (!ItemIdListToVariant(list, bytes.Value)) return;
    VARIANT empty;
    ::VariantInit(&empty);
    Navigate2(bytes.Value, &empty, &empty, &empty, &empty);
}

// ---------------------------------------------------------------------------------------------------------------
// Published properties

namespace {

TIdentTable DownloadOptionIdents() {
    return {"DLCTL_DLIMAGES",
            "DLCTL_VIDEOS",
            "DLCTL_BGSOUNDS",
            "DLCTL_NO_SCRIPTS",
            "DLCTL_NO_JAVA",
            "DLCTL_NO_RUNACTIVEXCTLS",
            "DLCTL_NO_DLACTIVEXCTLS",
            "DLCTL_DOWNLOADONLY",
            "DLCTL_NO_FRAMEDOWNLOAD",
            "DLCTL_RESYNCHRONIZE",
            "DLCTL_PRAGMA_NO_CACHE",
            "DLCTL_NO_BEHAVIORS",
            "DLCTL_NO_METACHARSET",
            "DLCTL_URL_ENCODING_DISABLE_UTF8",
            "DLCTL_URL_ENCODING_ENABLE_UTF8",
            "DLCTL_FORCEOFFLINE",
            "DLCTL_NO_CLIENTPULL",
            "DLCTL_SILENT",
            "DLCTL_OFFLINE"};
}

TIdentTable UserInterfaceOptionIdents() {
    return {"DIALOG",
            "DISABLE_HELP_MENU",
            "NO3DBORDER",
            "SCROLL_NO",
            "DISABLE_SCRIPT_INACTIVE",
            "OPENNEWWIN",
            "DISABLE_OFFSCREEN",
            "FLAT_SCROLLBAR",
            "DIV_BLOCKDEFAULT",
            "ACTIVATE_CLIENTHIT_ONLY",
            "OVERRIDEBEHAVIORFACTORY",
            "CODEPAGELINKEDFONTS",
            "URL_ENCODING_DISABLE_UTF8",
            "URL_ENCODING_ENABLE_UTF8",
            "ENABLE_FORMS_AUTOCOMPLETE",
            "ENABLE_INPLACE_NAVIGATION",
            "IME_ENABLE_RECONVERSION",
            "THEME",
            "NOTHEME",
            "NOPICS",
            "NO3DOUTERBORDER"};
}

}  // namespace

const TClassInfo& TMarginsProperties::StaticClassInfo() {
    static const TClassInfo info = []() -> TClassInfo {
        TClassBuilder<TMarginsProperties> builder("TMargins", &TPersistent::StaticClassInfo());
        const struct {
            const char* Name;
            double (TMargins::*Get)() const noexcept;
            void (TMargins::*Set)(double);
        } sides[] = {{"Left", &TMargins::Left, &TMargins::SetLeft},
                     {"Right", &TMargins::Right, &TMargins::SetRight},
                     {"Top", &TMargins::Top, &TMargins::SetTop},
                     {"Bottom", &TMargins::Bottom, &TMargins::SetBottom}};
        for (const auto& side : sides)
            builder.Float(
                side.Name, [get = side.Get](TMarginsProperties& m) { return (m.Margins.*get)(); },
                [set = side.Set](TMarginsProperties& m, double v) { (m.Margins.*set)(v); });
        return builder;
    }();
    return info;
}

const TClassInfo& TPrintOptionsProperties::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TPrintOptionsProperties>("TPrintOptions", &TPersistent::StaticClassInfo())
            .Object("Margins", [](TPrintOptionsProperties& p) -> TMarginsProperties& { return p.MarginsFace; })
            .Str(
                "Header", [](TPrintOptionsProperties& p) { return p.Options.Header(); },
                [](TPrintOptionsProperties& p, std::string v) { p.Options.SetHeader(std::move(v)); })
            .Strings(
                "HTMLHeader", [](TPrintOptionsProperties& p) { return p.Options.HTMLHeader(); },
                [](TPrintOptionsProperties& p, const TStringList& v) { p.Options.SetHTMLHeader(v); })
            .Str(
                "Footer", [](TPrintOptionsProperties& p) { return p.Options.Footer(); },
                [](TPrintOptionsProperties& p, std::string v) { p.Options.SetFooter(std::move(v)); })
            .Enum(
                "Orientation", [](TPrintOptionsProperties& p) { return p.Options.Orientation(); },
                [](TPrintOptionsProperties& p, TPrintOrientationOption v) { p.Options.SetOrientation(v); },
                TIdentTable{"poPortrait", "poLandscape"});
    return info;
}

const TClassInfo& TEmbeddedBrowser::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TEmbeddedBrowser>("TEmbeddedBrowser", &TWebBrowser::StaticClassInfo())
            .Component("ProgressBar", &TEmbeddedBrowser::ProgressBar)
            .Set("DownloadOptions", &TEmbeddedBrowser::DownloadOptions, &TEmbeddedBrowser::SetDownloadOptions,
                 DownloadOptionIdents())
            .Set("UserInterfaceOptions", &TEmbeddedBrowser::UserInterfaceOptions,
                 &TEmbeddedBrowser::SetUserInterfaceOptions, UserInterfaceOptionIdents())
            .Event("OnRefresh", &TEmbeddedBrowser::OnRefresh)
            .Event("OnScriptError", &TEmbeddedBrowser::OnScriptError)
            .Event("OnUnload", &TEmbeddedBrowser::OnUnload)
            .Event("OnGetOverrideKeyPath", &TEmbeddedBrowser::OnGetOverrideKeyPath)
            .Event("OnShowContextMenu", &TEmbeddedBrowser::OnShowContextMenu)
            .Event("OnGetHostInfo", &TEmbeddedBrowser::OnGetHostInfo)
            .Event("OnShowUI", &TEmbeddedBrowser::OnShowUI)
            .Event("OnHideUI", &TEmbeddedBrowser::OnHideUI)
            .Event("OnUpdateUI", &TEmbeddedBrowser::OnUpdateUI)
            .Event("OnEnableModeless", &TEmbeddedBrowser::OnEnableModeless)
            .Event("OnOnDocWindowActivate", &TEmbeddedBrowser::OnOnDocWindowActivate)
            .Event("OnOnFrameWindowActivate", &TEmbeddedBrowser::OnOnFrameWindowActivate)
            .Event("OnResizeBorder", &TEmbeddedBrowser::OnResizeBorder)
            .Event("OnTranslateAccelerator", &TEmbeddedBrowser::OnTranslateAccelerator)
            .Event("OnGetOptionKeyPath", &TEmbeddedBrowser::OnGetOptionKeyPath)
            .Event("OnGetDropTarget", &TEmbeddedBrowser::OnGetDropTarget)
            .Event("OnGetExternal", &TEmbeddedBrowser::OnGetExternal)
            .Event("OnTranslateUrl", &TEmbeddedBrowser::OnTranslateUrl)
            .Event("OnFilterDataObject", &TEmbeddedBrowser::OnFilterDataObject)
            .WStr("HelpFile", &TEmbeddedBrowser::HelpFile)
            .Event("OnShowMessage", &TEmbeddedBrowser::OnShowMessage)
            .Event("OnShowHelp", &TEmbeddedBrowser::OnShowHelp)
            .Event("OnGetTypeInfoCount", &TEmbeddedBrowser::OnGetTypeInfoCount)
            .Event("OnGetTypeInfo", &TEmbeddedBrowser::OnGetTypeInfo)
            .Event("OnGetIDsOfNames", &TEmbeddedBrowser::OnGetIDsOfNames)
            .Event("OnInvoke", &TEmbeddedBrowser::OnInvoke)
            .Event("OnQueryService", &TEmbeddedBrowser::OnQueryService)
            .Event("OnCloseQuery", &TEmbeddedBrowser::OnCloseQuery)
            .Event("OnShowDialog", &TEmbeddedBrowser::OnShowDialog)
            .Object("PrintOptions",
                    [](TEmbeddedBrowser& b) -> TPrintOptionsProperties& { return b.PrintOptionsProperties(); })
            .WStr("UserAgent", &TEmbeddedBrowser::UserAgent)
            .Bool("ReplaceCaption", &TEmbeddedBrowser::ReplaceCaption)
            .Bool("HideBorders", &TEmbeddedBrowser::HideBorders)
            .Bool("HideScrollBars", &TEmbeddedBrowser::HideScrollBars)
            .Bool("DisableRightClickMenu", &TEmbeddedBrowser::DisableRightClickMenu)
            .Bool("EnableDDE", &TEmbeddedBrowser::EnableDDE, &TEmbeddedBrowser::SetEnableDDE)
            .Bool("fpExceptions", &TEmbeddedBrowser::fpExceptions, &TEmbeddedBrowser::SetFpExceptions);
    return info;
}

void RegisterBrowserClasses() {
    RegisterFrameworkClasses();
    RegisterClassInfos({&TWebBrowser::StaticClassInfo(), &TEmbeddedBrowser::StaticClassInfo()});
}

namespace {
// Stored descriptions may name the host as soon as this unit is part of the program.
const bool BrowserClassesRegistered = (RegisterBrowserClasses(), true);
}  // namespace

}  // namespace qd
