// The browser host under Wine. Wine's WebBrowser renders no page here, so what the browser would call is
// called on the host's interfaces the way the browser calls them (through the client site it was given).

#include "browser/EmbeddedBrowser.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <ddeml.h>
#include <float.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/Properties.h"
#include "framework/WindowHook.h"
#include "support/ProgramPath.h"
#include "support/Pump.h"

namespace qd {
namespace {

using test::BesideThisProgram;

constexpr wchar_t kTitle[] = L"岚栎在线订单管理系统";

using test::Pump;
using test::PumpUntil;

// Errors reported at the COM edges land here instead of a message box.
struct TReportCatcher {
    TReportCatcher() {
        Previous = Application->SetErrorReporter(
            [this](const std::wstring&, const std::wstring& text) { Reports.push_back(text); });
    }
    ~TReportCatcher() { Application->SetErrorReporter(Previous); }
    TApplication::TErrorReporter Previous;
    std::vector<std::wstring> Reports;
};

// The browser host's block of the main window's stored description, as the program reads it.
std::string MainFormBrowserBlock() {
    const std::string path = std::string("Z:") + QD_SOURCE_DIR + "/resources/Form_Main.dfm";
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
    std::fclose(file);
    const std::size_t begin = text.find("  object WebBrowser: TEmbeddedBrowser");
    if (begin == std::string::npos) return {};
    const std::size_t end = text.find("\n  end", begin);
    if (end == std::string::npos) return {};
    return "\n" + text.substr(begin, end + 7 - begin) + "\n";
}

class TBrowserTestForm : public TForm {
public:
    explicit TBrowserTestForm(std::string_view body) : TForm(nullptr) {
        RegisterBrowserClasses();
        static const bool registered = [] {
            RegisterClassInfo(StaticClassInfo());
            return true;
        }();
        (void)registered;
        std::string text =
            "object BrowserTestForm: TBrowserTestForm\n  Left = 20\n  Top = 20\n  Width = 640\n"
            "  Height = 480\n  Caption = 'Browser test'\n";
        text += body;
        text += "end\n";
        ReadStoredForm(text, "BrowserTestForm");
    }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info = TClassBuilder<TBrowserTestForm>("TBrowserTestForm", &TForm::StaticClassInfo())
                                           .Field("WebBrowser", &TBrowserTestForm::WebBrowser)
                                           .Field("StatusBar_Main", &TBrowserTestForm::StatusBar_Main)
                                           .Factory(nullptr);
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TEmbeddedBrowser* WebBrowser = nullptr;
    TStatusBar* StatusBar_Main = nullptr;
};

// The form's status bar and browser host in the main window's order and layout.
std::string MainFormBody() {
    return std::string(R"(
  object StatusBar_Main: TStatusBar
    Left = 0
    Top = 716
    Width = 1016
    Height = 25
  end)") + MainFormBrowserBlock();
}

// A host whose document "has" a script error event object: Wine runs no script.
class TScriptedBrowser : public TEmbeddedBrowser {
public:
    using TEmbeddedBrowser::TEmbeddedBrowser;
    IDispatch* Event = nullptr;

protected:
    TComPtr<IDispatch> ScriptErrorEventObject() override {
        TComPtr<IDispatch> result;
        result.Assign(Event);
        return result;
    }
};

// A stand-in for the document's event object: properties by name, some of them null.
class TFakeEventObject final : public IDispatch {
public:
    struct TProp {
        const wchar_t* Name;
        VARTYPE Type;  // VT_BSTR, VT_I4 or VT_NULL
        const wchar_t* Text;
        LONG Number;
    };
    explicit TFakeEventObject(std::vector<TProp> props) : FProps(std::move(props)) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++Refs; }
    STDMETHODIMP_(ULONG) Release() override { return --Refs; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** t) override {
        *t = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID lcid, DISPID* ids) override {
        Locales.push_back(lcid);
        for (std::size_t i = 0; i < FProps.size(); ++i)
            if (std::wstring(FProps[i].Name) == names[0]) {
                *ids = static_cast<DISPID>(i + 1);
                Asked.push_back(names[0]);
                return S_OK;
            }
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (!(flags & DISPATCH_PROPERTYGET) || id < 1 || id > static_cast<DISPID>(FProps.size()))
            return DISP_E_MEMBERNOTFOUND;
        const TProp& p = FProps[static_cast<std::size_t>(id - 1)];
        VariantInit(result);
        result->vt = p.Type;
        if (p.Type == VT_BSTR) result->bstrVal = SysAllocString(p.Text);
        if (p.Type == VT_I4) result->lVal = p.Number;
        return S_OK;
    }
    ULONG Refs = 1;
    std::vector<LCID> Locales;
    std::vector<std::wstring> Asked;

private:
    std::vector<TProp> FProps;
};

// The browser's view of the host: the interfaces it queries on the client site it was given.
template <class I>
TComPtr<I> HostInterface(TEmbeddedBrowser& browser, REFIID iid) {
    return ComQuery<I>(browser.ClientSite(), iid);
}

const GUID kCgidDocHostCommandHandler = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
const GUID kCgidExplorer = {0x000214D0, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---------------------------------------------------------------------------------------------------------------

TEST(EmbeddedBrowserFlags, ConstructorDefaultsAndStoredValuesGiveTheSystemsFlagWords) {
    ASSERT_FALSE(MainFormBrowserBlock().empty()) << "resources/Form_Main.dfm has no WebBrowser block";
    TForm owner(nullptr);
    auto* browser = new TEmbeddedBrowser(&owner);
    EXPECT_EQ(browser->DownloadFlags(), 0x70u);
    EXPECT_EQ(browser->UserInterfaceFlags(), 0u);
    EXPECT_TRUE(browser->fpExceptions());
    EXPECT_FALSE(browser->EnableDDE());
    EXPECT_FALSE(browser->ReplaceCaption);
    EXPECT_EQ(browser->PrintOptions().HTMLHeader().Count(), 1);

    TBrowserTestForm form(MainFormBody());
    ASSERT_NE(form.WebBrowser, nullptr);
    TEmbeddedBrowser& b = *form.WebBrowser;
    EXPECT_EQ(b.DownloadFlags(), 0x70u);
    EXPECT_EQ(b.UserInterfaceFlags(), 0x80u);
    EXPECT_TRUE(b.ReplaceCaption);
    EXPECT_FALSE(b.EnableDDE());
    EXPECT_DOUBLE_EQ(b.PrintOptions().Margins().Left(), 19.05);
    EXPECT_DOUBLE_EQ(b.PrintOptions().Margins().Bottom(), 19.05);
    EXPECT_EQ(b.PrintOptions().Header(), "&w&b页码，&p/&P");
    EXPECT_EQ(b.PrintOptions().Footer(), "&u&b&d");
    ASSERT_EQ(b.PrintOptions().HTMLHeader().Count(), 1);
    EXPECT_EQ(b.PrintOptions().HTMLHeader()[0], "<HTML></HTML>");
    EXPECT_EQ(GetPropertyText(b, "UserInterfaceOptions"), "[FLAT_SCROLLBAR]");
    EXPECT_EQ(b.ControlData().size(), 156u);  // handed to the control's IPersistStreamInit::Load
    EXPECT_EQ(b.Align(), alClient);
    EXPECT_EQ(b.TabOrder(), 1);
}

TEST(EmbeddedBrowserFlags, EmptySetsGiveZeroAndEveryElementHasItsPlatformValue) {
    EXPECT_EQ(DownloadFlagWord(0), 0u);
    EXPECT_EQ(UserInterfaceFlagWord(0), 0u);
    EXPECT_EQ(DownloadFlagWord(OptionBit(TDownloadControlOption::DLCTL_OFFLINE)), 0x80000000u);
    EXPECT_EQ(DownloadFlagWord(OptionBit(TDownloadControlOption::DLCTL_URL_ENCODING_ENABLE_UTF8)), 0x40000u);
    EXPECT_EQ(DownloadFlagWord(OptionBit(TDownloadControlOption::DLCTL_FORCEOFFLINE)), 0x10000000u);
    EXPECT_EQ(UserInterfaceFlagWord(OptionBit(TUserInterfaceOption::ENABLE_INPLACE_NAVIGATION)), 0x10000u);
    EXPECT_EQ(UserInterfaceFlagWord(OptionBit(TUserInterfaceOption::NO3DOUTERBORDER)), 0x200000u);
    EXPECT_EQ(DownloadFlagWord(0x7FFFFu), 0xF007FFF0u);
}

TEST(EmbeddedBrowserFlags, BooleansForceTheirOptionsOnAndOff) {
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    b->SetUserInterfaceOptions(OptionBit(TUserInterfaceOption::SCROLL_NO) |
                               OptionBit(TUserInterfaceOption::FLAT_SCROLLBAR));
    // HideScrollBars is false: the recompute takes SCROLL_NO out of the set and the word.
    EXPECT_EQ(b->UserInterfaceFlags(), 0x80u);
    EXPECT_EQ(b->UserInterfaceOptions(), OptionBit(TUserInterfaceOption::FLAT_SCROLLBAR));
    b->HideBorders = true;
    b->HideScrollBars = true;
    b->UpdateUserInterfaceFlags();
    EXPECT_EQ(b->UserInterfaceFlags(), 0x80u | 0x4u | 0x200000u | 0x8u);
    b->HideBorders = false;
    b->UpdateUserInterfaceFlags();
    EXPECT_EQ(b->UserInterfaceFlags(), 0x80u | 0x8u);
}

TEST(EmbeddedBrowserFlags, FloatingPointSwitchMasksAllOrRestoresTheStartupMasks) {
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    unsigned int now = 0;
    b->SetFpExceptions(false);
    _controlfp_s(&now, 0, 0);
    EXPECT_EQ(now & _MCW_EM, static_cast<unsigned>(_MCW_EM));
    b->SetFpExceptions(true);
    _controlfp_s(&now, 0, 0);
    EXPECT_EQ(now & _MCW_EM, StartupFloatingPointMasks());
    // With all exceptions masked a division by zero gives infinity instead of a trap.
    b->SetFpExceptions(false);
    volatile double zero = 0.0;
    EXPECT_TRUE(std::isinf(1.0 / zero));
    b->SetFpExceptions(true);
}

TEST(EmbeddedBrowserHost, SiteAnswersTheHostInterfacesAndItsCountNeverFreesTheHost) {
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    for (const IID* iid : {&IID_IOleCommandTarget, &IID_IServiceProvider, &IID_IDispatch, &kIIDDocHostUIHandler2,
                           &IID_IDocHostUIHandler, &kIIDDocHostShowUI, &IID_IOleInPlaceSite, &IID_IOleControlSite}) {
        IUnknown* p = nullptr;
        EXPECT_EQ(b->ClientSite()->QueryInterface(*iid, reinterpret_cast<void**>(&p)), S_OK);
        ASSERT_NE(p, nullptr);
        // One identity: every interface gives back the same IUnknown.
        IUnknown* unknown = nullptr;
        p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
        EXPECT_EQ(unknown, static_cast<IUnknown*>(b->ClientSite()));
        unknown->Release();
        p->Release();
    }
    // Releasing more than was taken neither frees nor underflows.
    const ULONG before = b->SiteRefCount();
    for (int i = 0; i < 5; ++i) b->ClientSite()->Release();
    b->ClientSite()->AddRef();
    EXPECT_GE(b->SiteRefCount(), 1u);
    EXPECT_LE(b->SiteRefCount(), before + 1);
    EXPECT_TRUE(b->ControlCreated());
}

TEST(EmbeddedBrowserHost, AmbientDownloadControlAndStandardProperties) {
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    auto disp = HostInterface<IDispatch>(*b, IID_IDispatch);
    ASSERT_TRUE(disp);
    DISPPARAMS none{};
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(disp->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 0x70);
    // Without the property-get bit this is no read of DLCONTROL.
    VariantInit(&v);
    EXPECT_NE(disp->Invoke(-5512, IID_NULL, 0, DISPATCH_METHOD, &none, &v, nullptr, nullptr), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    // No result variant: answered without writing anywhere.
    EXPECT_NE(disp->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr), S_OK);
    VariantInit(&v);
    EXPECT_EQ(disp->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(v.vt, VT_BOOL);
    EXPECT_EQ(v.boolVal, VARIANT_TRUE);
    // A handler answers everything but DLCONTROL.
    int calls = 0;
    b->OnInvoke = [&](DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
        ++calls;
        return static_cast<HRESULT>(DISP_E_MEMBERNOTFOUND);
    };
    VariantInit(&v);
    EXPECT_EQ(disp->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(disp->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr), S_OK);
    EXPECT_EQ(calls, 1);
    UINT count = 7;
    EXPECT_EQ(disp->GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(count, 0u);
}

TEST(EmbeddedBrowserHost, HostInfoCarriesTheUiFlagWordAndTheRecordSize) {
    TBrowserTestForm form(MainFormBody());
    auto ui = HostInterface<IDocHostUIHandler>(*form.WebBrowser, IID_IDocHostUIHandler);
    ASSERT_TRUE(ui);
    DOCHOSTUIINFO info;
    memset(&info, 0xCC, sizeof info);
    info.pchHostCss = nullptr;
    info.pchHostNS = nullptr;
    EXPECT_EQ(ui->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.cbSize, sizeof(DOCHOSTUIINFO));
    EXPECT_EQ(info.dwFlags, 0x80u);
    EXPECT_EQ(info.dwDoubleClick, 0u);
    form.WebBrowser->OnGetHostInfo = [](DOCHOSTUIINFO* p) {
        p->dwFlags |= 0x4;
        return S_OK;
    };
    EXPECT_EQ(ui->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0x84u);
    EXPECT_EQ(ui->GetHostInfo(nullptr), E_POINTER);
}

TEST(EmbeddedBrowserHost, ContextMenuIsSuppressedWithoutAskingTheHandler) {
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    auto ui = HostInterface<IDocHostUIHandler>(*b, IID_IDocHostUIHandler);
    POINT pt{5, 5};
    EXPECT_EQ(ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_FALSE);  // the browser's own menu
    int calls = 0;
    b->OnShowContextMenu = [&](DWORD, POINT*, IUnknown*, IDispatch*) {
        ++calls;
        return S_OK;
    };
    EXPECT_EQ(ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);
    EXPECT_EQ(calls, 1);
    b->DisableRightClickMenu = true;
    EXPECT_EQ(ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);
    EXPECT_EQ(calls, 1);
}

TEST(EmbeddedBrowserHost, OutPointersAreClearedAndDefaultsAnswered) {
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    auto ui = HostInterface<IDocHostUIHandler2>(*b, kIIDDocHostUIHandler2);
    auto* junk = reinterpret_cast<void*>(0x1234);
    IDispatch* external = static_cast<IDispatch*>(junk);
    EXPECT_EQ(ui->GetExternal(&external), S_FALSE);
    EXPECT_EQ(external, nullptr);
    IDropTarget* drop = static_cast<IDropTarget*>(junk);
    EXPECT_EQ(ui->GetDropTarget(nullptr, &drop), S_OK);
    EXPECT_EQ(drop, nullptr);
    IDataObject* data = static_cast<IDataObject*>(junk);
    EXPECT_EQ(ui->FilterDataObject(nullptr, &data), S_FALSE);
    EXPECT_EQ(data, nullptr);
    LPWSTR url = static_cast<LPWSTR>(junk);
    wchar_t in[] = L"http://x/";
    EXPECT_EQ(ui->TranslateUrl(0, in, &url), S_FALSE);
    EXPECT_EQ(url, nullptr);
    LPOLESTR key = static_cast<LPOLESTR>(junk);
    EXPECT_EQ(ui->GetOptionKeyPath(&key, 0), S_FALSE);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(ui->GetOverrideKeyPath(nullptr, 0), S_OK);
    EXPECT_EQ(ui->HideUI(), S_FALSE);
    EXPECT_EQ(ui->UpdateUI(), S_FALSE);
    EXPECT_EQ(ui->EnableModeless(TRUE), S_FALSE);
    EXPECT_EQ(ui->TranslateAccelerator(nullptr, nullptr, 0), S_FALSE);
    auto services = HostInterface<IServiceProvider>(*b, IID_IServiceProvider);
    void* service = junk;
    EXPECT_EQ(services->QueryService(IID_IUnknown, IID_IUnknown, &service), E_NOINTERFACE);
    EXPECT_EQ(service, nullptr);
    auto show = HostInterface<IDocHostShowUI>(*b, kIIDDocHostShowUI);
    LRESULT result = 0;
    wchar_t text[] = L"x";
    EXPECT_EQ(show->ShowMessage(nullptr, text, text, 0, nullptr, 0, &result), S_FALSE);
    // A handler that raises is reported at the edge and never unwinds into the browser.
    TReportCatcher reports;
    b->OnGetExternal = [](IDispatch**) -> HRESULT { throw Exception("handler failed"); };
    EXPECT_EQ(ui->GetExternal(&external), S_FALSE);
    ASSERT_EQ(reports.Reports.size(), 1u);
    EXPECT_EQ(reports.Reports[0], L"handler failed");
}

TEST(EmbeddedBrowserCommands, GroupsRefreshAndUnload) {
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    auto target = HostInterface<IOleCommandTarget>(*b, IID_IOleCommandTarget);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->Exec(nullptr, 2300, 0, nullptr, nullptr), static_cast<HRESULT>(0x80040104));
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 2300, 0, nullptr, nullptr), static_cast<HRESULT>(0x80040100));
    std::vector<int> refreshes;
    b->OnRefresh = [&](TObject* sender, int id, bool& cancel) {
        EXPECT_EQ(sender, b);
        refreshes.push_back(id);
        cancel = id != 6042;
    };
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 2300, 0, nullptr, nullptr), S_OK);  // cancelled
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 6041, 0, nullptr, nullptr), S_OK);  // cancelled
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 6042, 0, nullptr, nullptr),
              static_cast<HRESULT>(0x80040100));  // the browser refreshes
    EXPECT_EQ(refreshes, (std::vector<int>{2300, 6041, 6042}));
    int unloads = 0;
    b->OnUnload = [&](TObject*) { ++unloads; };
    EXPECT_EQ(target->Exec(&kCgidExplorer, 37, 0, nullptr, nullptr), static_cast<HRESULT>(0x80040100));
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 37, 0, nullptr, nullptr), static_cast<HRESULT>(0x80040100));
    EXPECT_EQ(unloads, 1);
    OLECMD commands[2] = {{2300, 0xFF}, {40, 0xFF}};
    EXPECT_EQ(target->QueryStatus(&kCgidDocHostCommandHandler, 2, commands, nullptr), S_OK);
    EXPECT_EQ(commands[0].cmdf, 0u);
    EXPECT_EQ(commands[1].cmdf, 0u);
    // Every Exec recomputes the UI word.
    b->HideScrollBars = true;
    target->Exec(&kCgidExplorer, 1, 0, nullptr, nullptr);
    EXPECT_EQ(b->UserInterfaceFlags(), 0x8u);
}

TEST(EmbeddedBrowserCommands, ScriptErrorsAreReadFromTheEventObject) {
    TForm owner(nullptr);
    auto* b = new TScriptedBrowser(&owner);
    auto target = HostInterface<IOleCommandTarget>(*b, IID_IOleCommandTarget);
    TFakeEventObject event({{L"errorCharacter", VT_I4, nullptr, 7},
                            {L"errorCode", VT_I4, nullptr, 0},
                            {L"errorMessage", VT_BSTR, L"'x' 未定义", 0},
                            {L"errorUrl", VT_NULL, nullptr, 0},
                            {L"errorline", VT_I4, nullptr, 12}});
    std::vector<std::wstring> seen;
    bool continueScript = false, showDialog = true;
    b->OnScriptError = [&](TObject*, const std::wstring& line, const std::wstring& ch, const std::wstring& code,
                           const std::wstring& message, const std::wstring& url, bool& cont, bool& show) {
        seen = {line, ch, code, message, url};
        EXPECT_TRUE(cont);
        EXPECT_TRUE(show);
        cont = continueScript;
        show = showDialog;
    };
    // No event object (no document here): nothing is asked, the browser shows its dialog.
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 40, 0, nullptr, nullptr), static_cast<HRESULT>(0x80040100));
    EXPECT_TRUE(seen.empty());

    b->Event = &event;
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 40, 0, nullptr, &out), static_cast<HRESULT>(0x80040100));
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"12", L"7", L"0", L"'x' 未定义", L""}));
    EXPECT_EQ(event.Asked,
              (std::vector<std::wstring>{L"errorCharacter", L"errorCode", L"errorMessage", L"errorUrl", L"errorline"}));
    EXPECT_EQ(event.Locales.at(0), 0x800u);
    EXPECT_EQ(out.vt, VT_BOOL);
    EXPECT_EQ(out.boolVal, VARIANT_FALSE);

    continueScript = true;
    showDialog = false;
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 40, 0, nullptr, &out), S_OK);
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);
    // No pvaOut: the answer still comes, nothing is written.
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 40, 0, nullptr, nullptr), S_OK);
    b->Event = nullptr;
}

TEST(EmbeddedBrowserCommands, AnEventObjectWithoutAPropertyIsReportedNotCrashed) {
    TForm owner(nullptr);
    auto* b = new TScriptedBrowser(&owner);
    auto target = HostInterface<IOleCommandTarget>(*b, IID_IOleCommandTarget);
    TFakeEventObject event({{L"errorCharacter", VT_I4, nullptr, 1}});
    b->Event = &event;
    int calls = 0;
    b->OnScriptError = [&](TObject*, const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&,
                           const std::wstring&, bool&, bool&) { ++calls; };
    TReportCatcher reports;
    EXPECT_EQ(target->Exec(&kCgidDocHostCommandHandler, 40, 0, nullptr, nullptr), static_cast<HRESULT>(0x80040100));
    EXPECT_EQ(calls, 0);
    ASSERT_EQ(reports.Reports.size(), 1u);
    EXPECT_EQ(reports.Reports[0], L"'errorCode' not supported.");
    b->Event = nullptr;
}

TEST(EmbeddedBrowserHelp, HandlerFileAndNoHelp) {
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    auto show = HostInterface<IDocHostShowUI>(*b, kIIDDocHostShowUI);
    POINT pt{};
    EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 1, 42, pt, nullptr), S_FALSE);  // no file, no handler
    static std::vector<std::pair<UINT, DWORD_PTR>> calls;
    static std::wstring file;
    calls.clear();
    SetHtmlHelpFunction([](HWND, LPCWSTR f, UINT command, DWORD_PTR data) -> HWND {
        file = f;
        calls.emplace_back(command, data);
        return nullptr;
    });
    b->HelpFile = L"C:\\help\\订单.chm";
    EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 1 /*HELP_CONTEXT*/, 42, pt, nullptr), S_OK);
    EXPECT_EQ(
        show->ShowHelp(nullptr, nullptr, 0x0101 /*HELP_KEY: a string pointer in WinHelp*/, 0x7FFF0000, pt, nullptr),
        S_OK);
    SetHtmlHelpFunction(nullptr);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(file, L"C:\\help\\订单.chm");
    EXPECT_EQ(calls[0], (std::pair<UINT, DWORD_PTR>{0x000F, 42}));
    EXPECT_EQ(calls[1], (std::pair<UINT, DWORD_PTR>{0x0000, 0}));
    // The platform's own HTML Help with a missing file: S_OK, no box that blocks.
    b->HelpFile = L"C:\\no\\such.chm";
    EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 11, 0, pt, nullptr), S_OK);
    int handled = 0;
    b->OnShowHelp = [&](HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) {
        ++handled;
        return static_cast<HRESULT>(S_FALSE);
    };
    EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 1, 1, pt, nullptr), S_FALSE);
    EXPECT_EQ(handled, 1);
}

TEST(EmbeddedBrowserCaptions, DialogCaptionsLoseMicrosoftAndGetTheTitle) {
    EXPECT_EQ(ReplaceDialogCaption(L"Microsoft Internet Explorer", kTitle), kTitle);
    EXPECT_EQ(ReplaceDialogCaption(L"来自网页的消息", kTitle), L"来自网页的消息");
    EXPECT_EQ(ReplaceDialogCaption(L"Internet Explorer 脚本错误", kTitle), std::wstring(kTitle) + L" 脚本错误");
    EXPECT_EQ(ReplaceDialogCaption(L"Microsoft Microsoft Internet Explorer", kTitle),
              std::wstring(L"Microsoft ") + kTitle);
    EXPECT_EQ(ReplaceDialogCaption(L"", kTitle), L"");
}

// ---------------------------------------------------------------------------------------------------------------
// Windows: layout, owner hook, keys, close, user agent

TEST(EmbeddedBrowserWindow, FillsTheClientAreaAboveTheStatusBarAndFollowsResizes) {
    TBrowserTestForm form(MainFormBody());
    form.Show();
    Pump(50);
    HWND host = form.WebBrowser->Handle();
    EXPECT_TRUE(form.WebBrowser->InPlaceActive());
    RECT client{}, bar{}, hostRect{};
    GetClientRect(form.Handle(), &client);
    GetWindowRect(form.StatusBar_Main->Handle(), &bar);
    GetWindowRect(host, &hostRect);
    MapWindowPoints(HWND_DESKTOP, form.Handle(), reinterpret_cast<POINT*>(&bar), 2);
    MapWindowPoints(HWND_DESKTOP, form.Handle(), reinterpret_cast<POINT*>(&hostRect), 2);
    EXPECT_EQ(hostRect.left, 0);
    EXPECT_EQ(hostRect.top, 0);
    EXPECT_EQ(hostRect.right, client.right);
    EXPECT_EQ(hostRect.bottom, bar.top);
    HWND embedding = FindWindowExW(host, nullptr, L"Shell Embedding", nullptr);
    ASSERT_NE(embedding, nullptr);
    form.SetBounds(20, 20, 800, 600);
    Pump(50);
    GetClientRect(form.Handle(), &client);
    GetWindowRect(form.StatusBar_Main->Handle(), &bar);
    MapWindowPoints(HWND_DESKTOP, form.Handle(), reinterpret_cast<POINT*>(&bar), 2);
    RECT inner{};
    GetWindowRect(embedding, &inner);
    EXPECT_EQ(inner.right - inner.left, client.right);
    EXPECT_EQ(inner.bottom - inner.top, bar.top);
}

TEST(EmbeddedBrowserWindow, NavigatesToTheStartUrlThroughNavigate2) {
    TBrowserTestForm form(MainFormBody());
    form.Show();
    std::vector<std::wstring> urls;
    std::vector<VARTYPE> flagTypes;
    form.WebBrowser->OnBeforeNavigate2 = [&](TObject*, IDispatch*, const VARIANT& url, const VARIANT& flags,
                                             const VARIANT&, const VARIANT&, const VARIANT&, bool& cancel) {
        urls.push_back(VariantText(url));
        flagTypes.push_back(flags.vt);
        cancel = true;  // no network here
    };
    form.WebBrowser->Navigate2(L"http://order.lanli.cn/quandrel");
    EXPECT_TRUE(PumpUntil([&] { return !urls.empty(); }, 5000));
    ASSERT_FALSE(urls.empty());
    EXPECT_EQ(urls[0], L"http://order.lanli.cn/quandrel");
}

// Another subclasser of the owner window, as the skin engine's form skinner would be.
LRESULT CALLBACK OtherSubclass(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_APP + 7) ++*reinterpret_cast<int*>(ref);
    return DefSubclassProc(wnd, msg, wParam, lParam);
}
WNDPROC gReplacedProc = nullptr;
int gReplacedCount = 0;
LRESULT CALLBACK ReplacingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP + 7) ++gReplacedCount;
    return CallWindowProcW(gReplacedProc, wnd, msg, wParam, lParam);
}

HWND CreateDialogWindow(const wchar_t* caption, HWND owner) {
    // "#32770" is the platform's dialog class; a plain window of it is enough for the hook's checks.
    return CreateWindowExW(0, L"#32770", caption, WS_POPUP, 0, 0, 100, 80, owner, nullptr, nullptr, nullptr);
}

TEST(EmbeddedBrowserOwnerHook, DialogsThatTakeTheActivationAreReCaptioned) {
    Application->SetTitle(kTitle);
    TBrowserTestForm form(MainFormBody());
    form.Show();
    ASSERT_TRUE(form.WebBrowser->OwnerHooked());
    EXPECT_EQ(form.WebBrowser->OwnerWindow(), form.Handle());
    std::vector<HWND> shown;
    form.WebBrowser->OnShowDialog = [&](TObject*, HWND h) { shown.push_back(h); };
    HWND alert = CreateDialogWindow(L"Microsoft Internet Explorer", form.Handle());
    HWND plain = CreateDialogWindow(L"来自网页的消息", form.Handle());
    HWND other = CreateWindowExW(0, L"STATIC", L"Microsoft Internet Explorer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(alert));
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(plain));
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other));
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(alert));
    wchar_t text[100];
    GetWindowTextW(alert, text, 100);
    EXPECT_STREQ(text, kTitle);
    GetWindowTextW(plain, text, 100);
    EXPECT_STREQ(text, L"来自网页的消息");
    GetWindowTextW(other, text, 100);
    EXPECT_STREQ(text, L"Microsoft Internet Explorer");  // not a dialog
    EXPECT_EQ(shown, (std::vector<HWND>{alert, plain, other}));
    DestroyWindow(alert);
    DestroyWindow(plain);
    DestroyWindow(other);
}

TEST(EmbeddedBrowserOwnerHook, DialogsOfOtherProgramsAreLeftAlone) {
    Application->SetTitle(kTitle);
    TBrowserTestForm form(MainFormBody());
    form.Show();
    std::wstring commandLine =
        L"\"" + BesideThisProgram(L"browser_foreign_dialog_helper.exe") + L"\" \"Microsoft Internet Explorer\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    HWND foreign = nullptr;
    PumpUntil([&] { return (foreign = FindWindowW(L"#32770", L"Microsoft Internet Explorer")) != nullptr; }, 20000);
    ASSERT_NE(foreign, nullptr);
    std::vector<HWND> shown;
    form.WebBrowser->OnShowDialog = [&](TObject*, HWND h) { shown.push_back(h); };
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(foreign));
    wchar_t text[100] = {};
    GetWindowTextW(foreign, text, 100);
    const LRESULT icon = SendMessageW(foreign, WM_GETICON, ICON_SMALL, 0);
    PostMessageW(foreign, WM_USER, 0, 0);
    WaitForSingleObject(process.hProcess, 20000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_STREQ(text, L"Microsoft Internet Explorer");
    EXPECT_EQ(icon, 0);
    EXPECT_EQ(shown, std::vector<HWND>{foreign});  // still reported
}

TEST(EmbeddedBrowserOwnerHook, NoHookWithoutAnOwnerWindowUntilOneIsCreated) {
    {
        TComponent plainOwner(nullptr);
        auto* b = new TEmbeddedBrowser(&plainOwner);
        b->Loaded();
        EXPECT_FALSE(b->OwnerHooked());
    }
    TForm owner(nullptr);
    auto* b = new TEmbeddedBrowser(&owner);
    b->SetParent(&owner);
    b->ReplaceCaption = true;
    b->Loaded();
    EXPECT_FALSE(owner.HandleAllocated());
    EXPECT_FALSE(b->OwnerHooked());
    owner.HandleNeeded();
    EXPECT_TRUE(b->OwnerHooked());
}

TEST(EmbeddedBrowserOwnerHook, EitherSubclasserMayLeaveFirst) {
    // The host leaves first: the other subclasser keeps receiving.
    {
        TForm owner(nullptr);
        auto* b = new TEmbeddedBrowser(&owner);
        b->SetParent(&owner);
        owner.HandleNeeded();
        b->Loaded();
        ASSERT_TRUE(b->OwnerHooked());
        int other = 0;
        SetWindowSubclass(owner.Handle(), OtherSubclass, 1, reinterpret_cast<DWORD_PTR>(&other));
        delete b;
        SendMessageW(owner.Handle(), WM_APP + 7, 0, 0);
        EXPECT_EQ(other, 1);
        RemoveWindowSubclass(owner.Handle(), OtherSubclass, 1);
    }
    // The other one leaves first: the host keeps re-captioning, then leaves cleanly.
    {
        Application->SetTitle(kTitle);
        TForm owner(nullptr);
        auto* b = new TEmbeddedBrowser(&owner);
        b->SetParent(&owner);
        b->ReplaceCaption = true;
        owner.HandleNeeded();
        int other = 0;
        SetWindowSubclass(owner.Handle(), OtherSubclass, 1, reinterpret_cast<DWORD_PTR>(&other));
        b->Loaded();
        RemoveWindowSubclass(owner.Handle(), OtherSubclass, 1);
        HWND alert = CreateDialogWindow(L"Microsoft Internet Explorer", owner.Handle());
        SendMessageW(owner.Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(alert));
        wchar_t text[100];
        GetWindowTextW(alert, text, 100);
        EXPECT_STREQ(text, kTitle);
        DestroyWindow(alert);
        delete b;
        SendMessageW(owner.Handle(), WM_APP + 7, 0, 0);
        EXPECT_EQ(other, 0);
    }
    // A window-procedure replacement on top of the chain stays in place when the host leaves.
    {
        TForm owner(nullptr);
        auto* b = new TEmbeddedBrowser(&owner);
        b->SetParent(&owner);
        owner.HandleNeeded();
        b->Loaded();
        HWND wnd = owner.Handle();
        gReplacedCount = 0;
        gReplacedProc =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReplacingProc)));
        delete b;
        EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ReplacingProc));
        SendMessageW(wnd, WM_APP + 7, 0, 0);
        EXPECT_EQ(gReplacedCount, 1);
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gReplacedProc));
    }
    // The owner window goes while hooked: the host forgets it and never touches it again.
    {
        TForm owner(nullptr);
        auto* b = new TEmbeddedBrowser(&owner);
        b->SetParent(&owner);
        owner.HandleNeeded();
        b->Loaded();
        ASSERT_TRUE(b->OwnerHooked());
        owner.DestroyHandle();
        EXPECT_FALSE(b->OwnerHooked());
    }
}

TEST(EmbeddedBrowserOwnerHook, TheOwnersOwnProcedureStillGetsEveryMessage) {
    // The host's hook alone on the owner, and the host freed by its own handler while the owner's
    // WM_ACTIVATE is on the stack: the owner's procedure gets that message, and later ones, all the same. The
    // hook is the window-hook helper's: its link stays while that call runs and goes as it returns.
    for (const bool freeInHandler : {false, true}) {
        const int links = TWindowHook::LiveLinks();
        TForm owner(nullptr);
        auto* b = new TEmbeddedBrowser(&owner);
        b->SetParent(&owner);
        owner.HandleNeeded();
        b->Loaded();
        ASSERT_TRUE(b->OwnerHooked());
        EXPECT_EQ(TWindowHook::LiveLinks(), links + 1);
        std::vector<UINT> seen;
        TWndMethod previous = owner.WindowProc;
        owner.WindowProc = [&](TMessage& m) {
            if (m.Msg == WM_ACTIVATE || m.Msg == WM_APP + 7 || m.Msg == WM_NCDESTROY) seen.push_back(m.Msg);
            previous(m);
        };
        int linksInHandler = links + 1;
        if (freeInHandler)
            b->OnShowDialog = [&](TObject*, HWND) {
                delete b;
                linksInHandler = TWindowHook::LiveLinks();
            };
        HWND taker = CreateDialogWindow(L"x", nullptr);
        SendMessageW(owner.Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(taker));
        EXPECT_EQ(linksInHandler, links + 1) << "the hook outlives the call its host is freed in";
        EXPECT_EQ(TWindowHook::LiveLinks(), links + (freeInHandler ? 0 : 1));
        SendMessageW(owner.Handle(), WM_APP + 7, 0, 0);
        DestroyWindow(taker);
        owner.DestroyHandle();
        owner.WindowProc = previous;
        EXPECT_EQ(seen, (std::vector<UINT>{WM_ACTIVATE, WM_APP + 7, WM_NCDESTROY})) << freeInHandler;
    }
}

TEST(EmbeddedBrowserKeys, BackspaceEnterAndExtendedArrowsAreLeftToOrdinaryDispatch) {
    TBrowserTestForm form(MainFormBody());
    form.Show();
    TEmbeddedBrowser& b = *form.WebBrowser;
    EXPECT_FALSE(b.HandleKeyMessage(WM_KEYDOWN, VK_BACK, 1));
    EXPECT_FALSE(b.HandleKeyMessage(WM_CHAR, VK_BACK, 1));
    EXPECT_FALSE(b.HandleKeyMessage(WM_KEYDOWN, VK_RETURN, 1));
    EXPECT_FALSE(b.HandleKeyMessage(WM_KEYUP, VK_RETURN, 1));
    EXPECT_FALSE(b.HandleKeyMessage(WM_KEYDOWN, VK_LEFT, 1 | (1 << 24)));
    EXPECT_FALSE(b.HandleKeyMessage(WM_KEYDOWN, VK_RIGHT, 1 | (1 << 24)));
    EXPECT_FALSE(b.HandleKeyMessage(WM_MOUSEMOVE, 'A', 0));  // not a key message at all

    // Through the message loop: Backspace and Enter reach the window that they were posted to.
    HWND host = b.Handle();
    std::vector<WPARAM> keys;
    TWndMethod previous = b.WindowProc;
    b.WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_KEYDOWN) keys.push_back(m.WParam);
        previous(m);
    };
    PostMessageW(host, WM_KEYDOWN, VK_BACK, 1);
    PostMessageW(host, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(host, WM_KEYDOWN, VK_RIGHT, 1 | (1 << 24));
    for (int i = 0; i < 20; ++i) Application->ProcessMessages();
    b.WindowProc = previous;
    EXPECT_EQ(keys, (std::vector<WPARAM>{VK_BACK, VK_RETURN, VK_RIGHT}));
}

// Takes F5 (S_OK) and passes every other key (S_FALSE), recording the keys it is offered.
class TKeyTaker final : public IOleInPlaceActiveObject {
public:
    std::vector<WPARAM> Offered;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceActiveObject ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override {
        Offered.push_back(msg->wParam);
        return msg->wParam == VK_F5 ? S_OK : S_FALSE;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
};
class TKeyBrowser : public TEmbeddedBrowser {
public:
    using TEmbeddedBrowser::TEmbeddedBrowser;
    TKeyTaker Taker;

protected:
    TComPtr<IOleInPlaceActiveObject> KeyTarget() override {
        TComPtr<IOleInPlaceActiveObject> result;
        result.Assign(&Taker);
        return result;
    }
};

TEST(EmbeddedBrowserKeys, TheMessageLoopOffersKeysForTheBrowsersWindowsToItsAcceleratorsFirst) {
    TForm owner(nullptr);
    auto* b = new TKeyBrowser(&owner);
    b->SetParent(&owner);
    owner.HandleNeeded();
    b->Loaded();
    const HWND host = b->Handle();
    const HWND form = owner.Handle();
    std::vector<std::pair<HWND, WPARAM>> dispatched;
    const TWndMethod hostPrevious = b->WindowProc;
    const TWndMethod formPrevious = owner.WindowProc;
    b->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_KEYDOWN) dispatched.emplace_back(host, m.WParam);
        hostPrevious(m);
    };
    owner.WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_KEYDOWN) dispatched.emplace_back(form, m.WParam);
        formPrevious(m);
    };
    for (const WPARAM key : {WPARAM{VK_F5}, WPARAM{'A'}, WPARAM{VK_BACK}}) PostMessageW(host, WM_KEYDOWN, key, 1);
    PostMessageW(form, WM_KEYDOWN, VK_F5, 1);  // not a window of the browser
    for (int i = 0; i < 20; ++i) Application->ProcessMessages();
    b->WindowProc = hostPrevious;
    owner.WindowProc = formPrevious;
    EXPECT_EQ(b->Taker.Offered, (std::vector<WPARAM>{VK_F5, 'A', 'a'}));  // 'a': the character 'A' made
    EXPECT_EQ(dispatched, (std::vector<std::pair<HWND, WPARAM>>{{host, 'A'}, {host, VK_BACK}, {form, VK_F5}}));
}

TEST(EmbeddedBrowserLifetime, TeardownTakesTheKeyFilterAndTheOwnerHookAway) {
    const std::size_t filters = Application->MessageFilterCount();
    TForm owner(nullptr);
    owner.HandleNeeded();
    const LONG_PTR procedure = GetWindowLongPtrW(owner.Handle(), GWLP_WNDPROC);
    auto* b = new TEmbeddedBrowser(&owner);
    b->SetParent(&owner);
    b->Loaded();
    ASSERT_TRUE(b->OwnerHooked());
    EXPECT_EQ(Application->MessageFilterCount(), filters + 1);
    delete b;
    EXPECT_EQ(Application->MessageFilterCount(), filters);
    EXPECT_EQ(GetWindowLongPtrW(owner.Handle(), GWLP_WNDPROC), procedure);
}

TEST(EmbeddedBrowserWindow, CloseMessagesAskOnCloseQuery) {
    TBrowserTestForm form(MainFormBody());
    form.Show();
    HWND host = form.WebBrowser->Handle();
    int asked = 0;
    form.WebBrowser->OnCloseQuery = [&](TObject*, bool& canClose) {
        ++asked;
        canClose = false;
    };
    SendMessageW(host, WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(IsWindow(host));
}

// `reg query` in the prefix: exit code 0 when the value exists.
bool RegistryValueExists(const std::wstring& valueName) {
    std::wstring command = L"reg.exe query \"HKCU\\" + std::wstring(TEmbeddedBrowser::UserAgentKey) + L"\" ";
    command += valueName.empty() ? L"/ve" : L"/v \"" + valueName + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0;
}

TEST(EmbeddedBrowserUserAgent, ValueExistsWhileTheHostLivesAndOnlyOursIsDeleted) {
    const std::wstring agent = L"QdTestAgent";
    ASSERT_FALSE(RegistryValueExists(agent));
    {
        TForm owner(nullptr);
        auto* b = new TEmbeddedBrowser(&owner);
        b->UserAgent = agent;
        b->Loaded();
        EXPECT_TRUE(b->UserAgentRegistered());
        EXPECT_TRUE(RegistryValueExists(agent));
    }
    EXPECT_FALSE(RegistryValueExists(agent));

    // A value that was there before the host is the machine's and stays.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, TEmbeddedBrowser::UserAgentKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t data[] = L"machine";
    RegSetValueExW(key, agent.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
    {
        TForm owner(nullptr);
        auto* b = new TEmbeddedBrowser(&owner);
        b->UserAgent = agent;
        b->Loaded();
        EXPECT_FALSE(b->UserAgentRegistered());
    }
    EXPECT_TRUE(RegistryValueExists(agent));
    RegDeleteValueW(key, agent.c_str());
    RegCloseKey(key);
}

TEST(EmbeddedBrowserUserAgent, TheValueWrittenIsTheValueDeleted) {
    const std::wstring written = L"QdTestAgentWritten";
    const std::wstring later = L"QdTestAgentLater";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, TEmbeddedBrowser::UserAgentKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t data[] = L"machine";
    RegSetValueExW(key, later.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
    {
        TForm owner(nullptr);
        auto* b = new TEmbeddedBrowser(&owner);
        b->UserAgent = written;
        b->Loaded();
        ASSERT_TRUE(b->UserAgentRegistered());
        b->UserAgent = later;  // renamed while the host lives
    }
    EXPECT_FALSE(RegistryValueExists(written));
    EXPECT_TRUE(RegistryValueExists(later)) << "the machine's value stays";
    RegDeleteValueW(key, written.c_str());
    RegDeleteValueW(key, later.c_str());
    RegCloseKey(key);
}

TEST(EmbeddedBrowserHelp, HelpLibraryComesFromTheSystemFolderOnly) {
    // A planted "hhctrl.ocx" waits beside this program.
    const std::wstring planted = BesideThisProgram(L"hhctrl.ocx");
    ASSERT_NE(GetFileAttributesW(planted.c_str()), INVALID_FILE_ATTRIBUTES);
    SetHtmlHelpFunction(nullptr);
    TBrowserTestForm form(MainFormBody());
    TEmbeddedBrowser& b = *form.WebBrowser;
    b.HelpFile = L"Z:\\nonexistent\\qd-help.chm";
    EXPECT_EQ(b.ShowHelp(form.Handle(), nullptr, HELP_CONTEXT, 1, POINT{}, nullptr), S_OK);
    EXPECT_EQ(GetModuleHandleW(planted.c_str()), nullptr) << "the planted library was loaded";
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"hhctrl.ocx"), loaded, MAX_PATH);
    EXPECT_EQ(_wcsnicmp(loaded, system, length), 0) << testing::PrintToString(std::wstring(loaded));
}

TEST(EmbeddedBrowserLifetime, TeardownClosesTheControlAndLeavesNoSiteReferences) {
    for (int i = 0; i < 3; ++i) {
        TBrowserTestForm form(MainFormBody());
        form.Show();
        Pump(20);
        TEmbeddedBrowser& b = *form.WebBrowser;
        EXPECT_GT(b.SiteRefCount(), 0u);  // the control keeps the site while it lives
        b.DestroyControl();
        EXPECT_FALSE(b.ControlCreated());
        EXPECT_EQ(b.SiteRefCount(), 0u);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// DDE through a real DDEML client on the host's thread

HDDEDATA CALLBACK DdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

// The shell's DDE names for HTML files, given to the prefix for the test when it has none (Wine's has none).
struct TShellNamesInPrefix {
    TShellNamesInPrefix() {
        Set(L"htmlfile\\shell\\open\\ddeexec\\application", L"QdIExplore");
        Set(L"htmlfile\\shell\\open\\ddeexec\\topic", L"QdWWW_OpenURL");
    }
    ~TShellNamesInPrefix() {
        for (auto it = Created.rbegin(); it != Created.rend(); ++it) RegDeleteKeyW(HKEY_CLASSES_ROOT, it->c_str());
    }
    void Set(const std::wstring& path, const wchar_t* value) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            return;  // the machine's own name stays
        }
        // Remember every level we make, deepest last, to take them away again.
        std::wstring partial;
        std::vector<std::wstring> levels;
        for (std::size_t start = 0;;) {
            const std::size_t end = path.find(L'\\', start);
            partial = path.substr(0, end);
            levels.push_back(partial);
            if (end == std::wstring::npos) break;
            start = end + 1;
        }
        for (const auto& level : levels) {
            DWORD disposition = 0;
            if (RegCreateKeyExW(HKEY_CLASSES_ROOT, level.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                &disposition) != ERROR_SUCCESS)
                return;
            if (disposition == REG_CREATED_NEW_KEY) Created.push_back(level);
            if (level == path)
                RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                               static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
    }
    std::vector<std::wstring> Created;
};

TEST(EmbeddedBrowserDde, ExecuteNavigatesOnlyWhenEnabled) {
    TShellNamesInPrefix shellNames;
    TBrowserTestForm form(MainFormBody());
    form.Show();
    TEmbeddedBrowser& b = *form.WebBrowser;
    const TShellDdeNames& names = b.DdeServer()->Names();
    ASSERT_FALSE(names.HtmlApplication.empty());
    ASSERT_FALSE(names.HtmlTopic.empty());
    std::vector<std::wstring> urls;
    b.OnBeforeNavigate2 = [&](TObject*, IDispatch*, const VARIANT& url, const VARIANT&, const VARIANT&, const VARIANT&,
                              const VARIANT&, bool& cancel) {
        urls.push_back(VariantText(url));
        cancel = true;
    };
    DWORD instance = 0;
    ASSERT_EQ(DdeInitializeW(&instance, DdeCallback, APPCMD_CLIENTONLY, 0), DMLERR_NO_ERROR);
    HSZ service = DdeCreateStringHandleW(instance, names.HtmlApplication.c_str(), CP_WINUNICODE);
    HSZ topic = DdeCreateStringHandleW(instance, names.HtmlTopic.c_str(), CP_WINUNICODE);

    HCONV off = DdeConnect(instance, service, topic, nullptr);
    if (off) {
        // Another server of the machine may answer; ours must not have.
        EXPECT_EQ(b.DdeServer()->ConversationCount(), 0u);
        DdeDisconnect(off);
    }

    b.SetEnableDDE(true);
    HCONV conv = DdeConnect(instance, service, topic, nullptr);
    ASSERT_NE(conv, nullptr);
    std::wstring command = L"\"http://127.0.0.1:9/dde\",,0";
    DWORD result = 0;
    HDDEDATA done = DdeClientTransaction(reinterpret_cast<LPBYTE>(command.data()),
                                         static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)), conv, nullptr,
                                         CF_UNICODETEXT, XTYP_EXECUTE, 5000, &result);
    EXPECT_NE(done, nullptr);
    PumpUntil([&] { return !urls.empty(); }, 5000);
    ASSERT_FALSE(urls.empty());
    EXPECT_EQ(urls[0], L"http://127.0.0.1:9/dde");
    DdeDisconnect(conv);
    DdeFreeStringHandle(instance, service);
    DdeFreeStringHandle(instance, topic);
    DdeUninitialize(instance);
}

TEST(EmbeddedBrowserLifetime, AStoredStateBlockStartsTheControlAgainFromIt) {
    TBrowserTestForm form(MainFormBody());
    form.Show();
    TEmbeddedBrowser& b = *form.WebBrowser;
    HWND host = b.Handle();
    ASSERT_TRUE(b.InPlaceActive());
    std::vector<std::uint8_t> block(156, 0);
    block[0] = 0x9C;
    b.SetControlData(block);
    EXPECT_EQ(b.ControlData().size(), 156u);
    EXPECT_TRUE(b.ControlCreated());
    EXPECT_TRUE(b.InPlaceActive());
    EXPECT_NE(FindWindowExW(host, nullptr, L"Shell Embedding", nullptr), nullptr);
    // The new control is the one the host talks to: it navigates and reports back.
    std::vector<std::wstring> urls;
    b.OnBeforeNavigate2 = [&](TObject*, IDispatch*, const VARIANT& url, const VARIANT&, const VARIANT&, const VARIANT&,
                              const VARIANT&, bool& cancel) {
        urls.push_back(VariantText(url));
        cancel = true;
    };
    b.Navigate2(L"http://127.0.0.1:9/again");
    EXPECT_TRUE(PumpUntil([&] { return !urls.empty(); }, 5000));
}

}  // namespace
}  // namespace qd
