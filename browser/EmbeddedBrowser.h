#pragma once
// TEmbeddedBrowser: the browser host. Besides the container duties of TOleControl it answers the WebBrowser
// control's host callbacks: what may be downloaded (ambient DLCONTROL), how the page is framed (host info
// flags), the context menu, help, script errors, refresh and unload commands, accelerator keys, and the
// captions of dialogs the browser opens. It also serves the shell's DDE conversations (browser/ShellDde.h)
// and holds the page-setup values (browser/PrintOptions.h).
//
// Shared windows: the owner form's window is hooked through the platform's subclass chain, so the skin
// engine's form skinner and this host can come and go in any order without cutting each other off.

#include <windows.h>
#include <docobj.h>
#include <mshtmhst.h>
#include <servprov.h>
#include <urlmon.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "browser/PrintOptions.h"
#include "browser/ShellDde.h"
#include "browser/WebBrowser.h"
#include "framework/Forms.h"

namespace qd {

// Elements of DownloadOptions in ordinal order; a set holds element n as bit n.
enum class TDownloadControlOption : int {
    DLCTL_DLIMAGES,
    DLCTL_VIDEOS,
    DLCTL_BGSOUNDS,
    DLCTL_NO_SCRIPTS,
    DLCTL_NO_JAVA,
    DLCTL_NO_RUNACTIVEXCTLS,
    DLCTL_NO_DLACTIVEXCTLS,
    DLCTL_DOWNLOADONLY,
    DLCTL_NO_FRAMEDOWNLOAD,
    DLCTL_RESYNCHRONIZE,
    DLCTL_PRAGMA_NO_CACHE,
    DLCTL_NO_BEHAVIORS,
    DLCTL_NO_METACHARSET,
    DLCTL_URL_ENCODING_DISABLE_UTF8,
    DLCTL_URL_ENCODING_ENABLE_UTF8,
    DLCTL_FORCEOFFLINE,
    DLCTL_NO_CLIENTPULL,
    DLCTL_SILENT,
    DLCTL_OFFLINE,
};
// Elements of UserInterfaceOptions in ordinal order; a set holds element n as bit n.
enum class TUserInterfaceOption : int {
    DIALOG,
    DISABLE_HELP_MENU,
    NO3DBORDER,
    SCROLL_NO,
    DISABLE_SCRIPT_INACTIVE,
    OPENNEWWIN,
    DISABLE_OFFSCREEN,
    FLAT_SCROLLBAR,
    DIV_BLOCKDEFAULT,
    ACTIVATE_CLIENTHIT_ONLY,
    OVERRIDEBEHAVIORFACTORY,
    CODEPAGELINKEDFONTS,
    URL_ENCODING_DISABLE_UTF8,
    URL_ENCODING_ENABLE_UTF8,
    ENABLE_FORMS_AUTOCOMPLETE,
    ENABLE_INPLACE_NAVIGATION,
    IME_ENABLE_RECONVERSION,
    THEME,
    NOTHEME,
    NOPICS,
    NO3DOUTERBORDER,
};
// Interface ids the import libraries of this toolchain lack.
inline constexpr IID kIIDDocHostUIHandler2 = {
    0x3050F6D0, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
inline constexpr IID kIIDDocHostShowUI = {0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

using TDownloadControlOptions = std::uint32_t;
using TUserInterfaceOptions = std::uint32_t;

constexpr std::uint32_t OptionBit(TDownloadControlOption o) noexcept { return 1u << static_cast<int>(o); }
constexpr std::uint32_t OptionBit(TUserInterfaceOption o) noexcept { return 1u << static_cast<int>(o); }

// The flag words of the sets: the platform's DLCTL_ and DOCHOSTUIFLAG_ values of the elements present.
std::uint32_t DownloadFlagWord(TDownloadControlOptions options) noexcept;
std::uint32_t UserInterfaceFlagWord(TUserInterfaceOptions options) noexcept;

// A dialog caption as the browser host shows it: the first "Microsoft " removed, then the first
// "Internet Explorer" replaced by `title`.
std::wstring ReplaceDialogCaption(std::wstring caption, const std::wstring& title);

// How a WinHelp-style request of the browser is put to HTML Help: the command and its data. WinHelp context
// numbers go with HH_HELP_CONTEXT (a number there); every other request opens the help file's contents or
// default topic with null data, so no number is ever passed where HTML Help expects a pointer.
struct THtmlHelpRequest {
    UINT Command;
    DWORD_PTR Data;
};
THtmlHelpRequest HtmlHelpRequestFor(UINT winHelpCommand, DWORD data) noexcept;
// HtmlHelpW's shape. Test seam: null restores the function from "hhctrl.ocx".
using THtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
void SetHtmlHelpFunction(THtmlHelpFunction function) noexcept;

// The floating-point exception masks of the SSE control state when this unit started.
unsigned int StartupFloatingPointMasks() noexcept;

using TShowContextMenuEvent =
    std::function<HRESULT(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved)>;
using TGetHostInfoEvent = std::function<HRESULT(DOCHOSTUIINFO* pInfo)>;
using TShowUIEvent =
    std::function<HRESULT(DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
                          IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc)>;
using THostNotifyEvent = std::function<HRESULT()>;
using THostBoolEvent = std::function<HRESULT(BOOL value)>;
using TResizeBorderEvent = std::function<HRESULT(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow)>;
using THostTranslateAcceleratorEvent = std::function<HRESULT(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID)>;
using TGetKeyPathEvent = std::function<HRESULT(LPOLESTR* pchKey, DWORD dw)>;
using TGetDropTargetEvent = std::function<HRESULT(IDropTarget* pDropTarget, IDropTarget** ppDropTarget)>;
using TGetExternalEvent = std::function<HRESULT(IDispatch** ppDispatch)>;
using TTranslateUrlEvent = std::function<HRESULT(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR* ppchURLOut)>;
using TFilterDataObjectEvent = std::function<HRESULT(IDataObject* pDO, IDataObject** ppDORet)>;
using TShowMessageEvent = std::function<HRESULT(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption, DWORD dwType,
                                                LPOLESTR lpstrHelpFile, DWORD dwHelpContext, LRESULT* plResult)>;
using TShowHelpEvent = std::function<HRESULT(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData,
                                             POINT ptMouse, IDispatch* pDispatchObjectHit)>;
using TGetTypeInfoCountEvent = std::function<HRESULT(UINT* Count)>;
using TGetTypeInfoEvent = std::function<HRESULT(UINT Index, LCID LocaleID, ITypeInfo** TypeInfo)>;
using TGetIDsOfNamesEvent =
    std::function<HRESULT(REFIID IID, LPOLESTR* Names, UINT NameCount, LCID LocaleID, DISPID* DispIDs)>;
using TAmbientInvokeEvent =
    std::function<HRESULT(DISPID DispID, REFIID IID, LCID LocaleID, WORD Flags, DISPPARAMS* Params, VARIANT* VarResult,
                          EXCEPINFO* ExcepInfo, UINT* ArgErr)>;
using TQueryServiceEvent = std::function<HRESULT(REFGUID rsid, REFIID iid, void** Obj)>;
using TShowDialogEvent = std::function<void(TObject* Sender, HWND h)>;
using TRefreshEvent = std::function<void(TObject* Sender, int CmdID, bool& Cancel)>;
using TScriptErrorEvent = std::function<void(
    TObject* Sender, const std::wstring& ErrorLine, const std::wstring& ErrorCharacter, const std::wstring& ErrorCode,
    const std::wstring& ErrorMessage, const std::wstring& ErrorUrl, bool& ContinueScript, bool& Showdialog)>;

// Published faces of the print options and their margins, for stored descriptions ("PrintOptions.Margins.Left").
class TMarginsProperties : public TPersistent {
    QD_CLASS_INFO
public:
    explicit TMarginsProperties(TMargins& margins) noexcept : Margins(margins) {}
    TMargins& Margins;
};
class TPrintOptionsProperties : public TPersistent {
    QD_CLASS_INFO
public:
    explicit TPrintOptionsProperties(TPrintOptions& options) : Options(options), MarginsFace(options.Margins()) {}
    TPrintOptions& Options;
    TMarginsProperties MarginsFace;
};

class TEmbeddedBrowser : public TWebBrowser,
                         public IOleCommandTarget,
                         public IServiceProvider,
                         public IDocHostUIHandler2,
                         public IDocHostShowUI,
                         public IShellDdeTarget {
    QD_CLASS_INFO
public:
    explicit TEmbeddedBrowser(TComponent* AOwner);
    ~TEmbeddedBrowser() override;

    void Loaded() override;

    // Published properties.
    TComponent* ProgressBar = nullptr;
    TDownloadControlOptions DownloadOptions() const noexcept { return FDownloadOptions; }
    void SetDownloadOptions(TDownloadControlOptions value);
    TUserInterfaceOptions UserInterfaceOptions() const noexcept { return FUserInterfaceOptions; }
    void SetUserInterfaceOptions(TUserInterfaceOptions value);
    std::wstring HelpFile;
    TPrintOptions& PrintOptions() noexcept { return *FPrintOptions; }
    TPrintOptionsProperties& PrintOptionsProperties() noexcept { return *FPrintOptionsFace; }
    std::wstring UserAgent;
    bool ReplaceCaption = false;
    bool HideBorders = false;
    bool HideScrollBars = false;
    bool DisableRightClickMenu = false;
    bool EnableDDE() const noexcept override { return FEnableDDE; }
    void SetEnableDDE(bool value) noexcept { FEnableDDE = value; }
    bool fpExceptions() const noexcept { return FFpExceptions; }
    void SetFpExceptions(bool value);

    TRefreshEvent OnRefresh;
    TScriptErrorEvent OnScriptError;
    TNotifyEvent OnUnload;
    TGetKeyPathEvent OnGetOverrideKeyPath;
    TShowContextMenuEvent OnShowContextMenu;
    TGetHostInfoEvent OnGetHostInfo;
    TShowUIEvent OnShowUI;
    THostNotifyEvent OnHideUI;
    THostNotifyEvent OnUpdateUI;
    THostBoolEvent OnEnableModeless;
    THostBoolEvent OnOnDocWindowActivate;
    THostBoolEvent OnOnFrameWindowActivate;
    TResizeBorderEvent OnResizeBorder;
    THostTranslateAcceleratorEvent OnTranslateAccelerator;
    TGetKeyPathEvent OnGetOptionKeyPath;
    TGetDropTargetEvent OnGetDropTarget;
    TGetExternalEvent OnGetExternal;
    TTranslateUrlEvent OnTranslateUrl;
    TFilterDataObjectEvent OnFilterDataObject;
    TShowMessageEvent OnShowMessage;
    TShowHelpEvent OnShowHelp;
    TGetTypeInfoCountEvent OnGetTypeInfoCount;
    TGetTypeInfoEvent OnGetTypeInfo;
    TGetIDsOfNamesEvent OnGetIDsOfNames;
    TAmbientInvokeEvent OnInvoke;
    TQueryServiceEvent OnQueryService;
    TCloseQueryEvent OnCloseQuery;
    TShowDialogEvent OnShowDialog;

    // The flag words as last computed.
    std::uint32_t DownloadFlags() const noexcept { return FDownloadFlags; }
    std::uint32_t UserInterfaceFlags() const noexcept { return FUserInterfaceFlags; }
    // Forces the set from HideBorders / HideScrollBars, then computes the UI flag word from it.
    void UpdateUserInterfaceFlags() noexcept;
    void UpdateDownloadFlags() noexcept;
    bool LocaleMeasuresInInches() const noexcept { return FInchLocale; }

    // The owner window is hooked (subclassed) now.
    bool OwnerHooked() const noexcept { return OwnerWindow() != nullptr; }
    HWND OwnerWindow() const noexcept;
    // The user-agent value was written by this host (and will be deleted at its end).
    bool UserAgentRegistered() const noexcept { return FUserAgentWritten; }
    TShellDdeServer* DdeServer() const noexcept { return FDde.get(); }

    // The accelerator rule of the host for a key message (WM_KEYDOWN..WM_DEADCHAR) aimed at the host or one
    // of its child windows: Backspace, Enter and the extended Left/Right arrows go to ordinary dispatch (false);
    // every other key goes to the browser's TranslateAccelerator and is taken (true) when that answers S_OK.
    bool HandleKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    // The key the user agent goes under (HKEY_CURRENT_USER, no leading backslash).
    static constexpr const wchar_t* UserAgentKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform";

    // IUnknown (all host interfaces share the site's identity and count)
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleCommandTarget
    STDMETHODIMP QueryStatus(const GUID* pguidCmdGroup, ULONG cCmds, OLECMD prgCmds[], OLECMDTEXT* pCmdText) override;
    STDMETHODIMP Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD nCmdexecopt, VARIANT* pvaIn,
                      VARIANT* pvaOut) override;
    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID guidService, REFIID riid, void** ppvObject) override;
    // IDocHostUIHandler2
    STDMETHODIMP ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* pInfo) override;
    STDMETHODIMP ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
                        IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) override;
    STDMETHODIMP HideUI() override;
    STDMETHODIMP UpdateUI() override;
    STDMETHODIMP EnableModeless(BOOL fEnable) override;
    STDMETHODIMP OnDocWindowActivate(BOOL fActivate) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL fActivate) override;
    STDMETHODIMP ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow) override;
    STDMETHODIMP TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) override;
    STDMETHODIMP GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override;
    STDMETHODIMP GetExternal(IDispatch** ppDispatch) override;
    STDMETHODIMP TranslateUrl(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR* ppchURLOut) override;
    STDMETHODIMP FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) override;
    STDMETHODIMP GetOverrideKeyPath(LPOLESTR* pchKey, DWORD dw) override;
    // IDocHostShowUI
    STDMETHODIMP ShowMessage(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption, DWORD dwType, LPOLESTR lpstrHelpFile,
                             DWORD dwHelpContext, LRESULT* plResult) override;
    STDMETHODIMP ShowHelp(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData, POINT ptMouse,
                          IDispatch* pDispatchObjectHit) override;

    // IShellDdeTarget
    HWND DdeWindow() const noexcept override { return FHandle; }
    void NavigateDdeUrl(const std::wstring& url) override;
    void NavigateDdeIdList(const TItemIdList& list) override;

protected:
    HRESULT QueryHostInterface(REFIID riid, void** ppv) noexcept override;
    HRESULT AmbientGetTypeInfoCount(UINT* count) noexcept override;
    HRESULT AmbientGetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept override;
    HRESULT AmbientGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept override;
    HRESULT AmbientInvoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* excep, UINT* argErr) noexcept override;
    void CreateHandleCompleted() override;
    void ReleaseControlInterfaces() noexcept override;

    // The document's current event object, for script errors (document, parent window, event). Null when
    // there is none. Tests substitute a stand-in here: no script runs in the test browser.
    virtual TComPtr<IDispatch> ScriptErrorEventObject();
    // The browser's active object, to which the accelerator rule hands keys. Tests substitute a stand-in: Wine's
    // browser takes no accelerator.
    virtual TComPtr<IOleInPlaceActiveObject> KeyTarget();

private:
    void NotifyAmbientDownloadControl();
    void HostWindowProc(TMessage& message);
    void HookOwner() noexcept;
    void UnhookOwner() noexcept;
    void OwnerWindowDestroyed() noexcept;
    void OwnerLostActivation(HWND to) noexcept;
    void RegisterUserAgent() noexcept;
    void UnregisterUserAgent() noexcept;
    HRESULT HandleScriptError(VARIANT* pvaOut);

    bool FFpExceptions = true;
    std::unique_ptr<TShellDdeServer> FDde;
    std::unique_ptr<TPrintOptions> FPrintOptions;
    std::unique_ptr<TPrintOptionsProperties> FPrintOptionsFace;
    bool FInchLocale = false;
    TDownloadControlOptions FDownloadOptions = 0;
    TUserInterfaceOptions FUserInterfaceOptions = 0;
    std::uint32_t FDownloadFlags = 0;
    std::uint32_t FUserInterfaceFlags = 0;
    bool FEnableDDE = false;
    bool FHostProcInstalled = false;
    bool FOwnerHookPending = false;
    TWndMethod FPreviousWindowProc;
    // The owner window's hook; it outlives the host while one of its procedure calls is on the stack.
    class TOwnerHook;
    TOwnerHook* FOwnerHook = nullptr;
    int FKeyFilter = 0;
    bool FUserAgentWritten = false;
    std::wstring FUserAgentName;  // the value's name as written
    TComPtr<IInternetSecurityManager> FSecurityManager;
    TComPtr<IInternetZoneManager> FZoneManager;
};

// Registers TEmbeddedBrowser (and the classes its stored values name) for stored descriptions.
void RegisterBrowserClasses();

}  // namespace qd
