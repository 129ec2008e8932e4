// The OLE container under Wine: the platform WebBrowser control created by CLSID, in-place active inside our
// window, following resizes, events through the connection point, and a clean teardown.

#include "framework/OleControl.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>

#include <string>
#include <vector>

#include "browser/WebBrowser.h"
#include "framework/Application.h"
#include "framework/Classes.h"
#include "framework/Forms.h"
#include "support/Pump.h"

namespace qd {
namespace {

class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};
const auto* const gOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

using test::PumpUntil;

// A shown form with one browser filling it.
struct TBrowserForm {
    TBrowserForm() {
        Form.SetBounds(10, 10, 400, 300);
        Browser = new TWebBrowser(&Form);
        Browser->SetParent(&Form);
        Browser->SetAlign(alClient);
        Form.Show();
    }
    TForm Form{nullptr};
    TWebBrowser* Browser = nullptr;
};

// The control's own window, created inside ours when it was activated in place.
HWND ShellEmbedding(HWND host) { return FindWindowExW(host, nullptr, L"Shell Embedding", nullptr); }

TEST(OleControlHosting, ControlIsInPlaceActiveInsideTheHostWindowAndFollowsResizes) {
    TBrowserForm f;
    HWND host = f.Browser->Handle();
    EXPECT_TRUE(f.Browser->ControlCreated());
    EXPECT_TRUE(f.Browser->InPlaceActive());
    HWND embedding = ShellEmbedding(host);
    ASSERT_NE(embedding, nullptr);
    RECT hostClient{}, inner{};
    GetClientRect(host, &hostClient);
    GetWindowRect(embedding, &inner);
    EXPECT_EQ(inner.right - inner.left, hostClient.right);
    EXPECT_EQ(inner.bottom - inner.top, hostClient.bottom);

    f.Form.SetBounds(10, 10, 520, 410);
    PumpUntil([] { return false; }, 50);
    GetClientRect(host, &hostClient);
    GetWindowRect(embedding, &inner);
    EXPECT_EQ(inner.right - inner.left, hostClient.right);
    EXPECT_EQ(inner.bottom - inner.top, hostClient.bottom);
    EXPECT_GT(hostClient.right, 400);
}

TEST(OleControlHosting, Navigate2GoesOutThroughBeforeNavigate2) {
    TBrowserForm f;
    std::vector<std::wstring> urls;
    f.Browser->OnBeforeNavigate2 = [&](TObject* sender, IDispatch*, const VARIANT& url, const VARIANT&, const VARIANT&,
                                       const VARIANT&, const VARIANT&, bool& cancel) {
        EXPECT_EQ(sender, f.Browser);
        urls.push_back(VariantText(url));
        cancel = true;
    };
    f.Browser->Handle();
    f.Browser->Navigate2(L"http://127.0.0.1:9/quandrel");
    PumpUntil([&] { return !urls.empty(); }, 5000);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], L"http://127.0.0.1:9/quandrel");
}

TEST(OleControlErrors, FailingResultsCarryThePlatformsMessage) {
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    try {
        OleCheck(notFound);
        FAIL() << "no exception";
    } catch (const EOleError& e) {
        EXPECT_EQ(e.ErrorCode(), notFound);
        wchar_t expected[256] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_FILE_NOT_FOUND, 0,
                       expected, 256, nullptr);
        ASSERT_NE(expected[0], L'\0');
        // The platform's text, without its line break.
        EXPECT_EQ(Utf8ToWide(e.Message()).substr(0, 8), std::wstring(expected).substr(0, 8)) << e.Message();
        EXPECT_EQ(e.Message().find('\n'), std::string::npos);
    }
    EXPECT_THROW(OleCheck(E_NOINTERFACE), EOleError);
    EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
    // A code the system has no text for still names itself.
    EXPECT_EQ(OleErrorMessage(static_cast<HRESULT>(0xA0F01234)), "OLE error A0F01234");
}

// A control whose class is not registered: raised as our exception, nothing half-made stays behind.
class TMissingControl : public TOleControl {
public:
    explicit TMissingControl(TComponent* owner)
        : TOleControl(owner, {0x1D2B3C4D, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}}, GUID_NULL) {}
};

TEST(OleControlErrors, AnUnregisteredClassRaisesAndLeavesNoControl) {
    TForm form(nullptr);
    auto* control = new TMissingControl(&form);
    control->SetParent(&form);
    EXPECT_THROW(control->OleObject(), EOleError);
    EXPECT_FALSE(control->ControlCreated());
    EXPECT_EQ(control->SiteRefCount(), 0u);
    // Its window creation reports the failure and the window still exists.
    std::vector<std::wstring> reports;
    auto previous =
        Application->SetErrorReporter([&](const std::wstring&, const std::wstring& text) { reports.push_back(text); });
    try {
        control->HandleNeeded();
    } catch (const EOleError&) {
        reports.push_back(L"raised");
    }
    Application->SetErrorReporter(previous);
    EXPECT_FALSE(reports.empty());
    EXPECT_FALSE(control->InPlaceActive());
}

TEST(OleControlSite, WindowContextAndOutPointersAsTheControlAsksForThem) {
    TBrowserForm f;
    HWND host = f.Browser->Handle();
    auto site = ComQuery<IOleInPlaceSite>(f.Browser->ClientSite(), IID_IOleInPlaceSite);
    ASSERT_TRUE(site);
    HWND wnd = nullptr;
    EXPECT_EQ(site->GetWindow(&wnd), S_OK);
    EXPECT_EQ(wnd, host);
    EXPECT_EQ(site->CanInPlaceActivate(), S_OK);
    IOleInPlaceFrame* frame = reinterpret_cast<IOleInPlaceFrame*>(0x10);
    IOleInPlaceUIWindow* doc = reinterpret_cast<IOleInPlaceUIWindow*>(0x10);
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof info;
    EXPECT_EQ(site->GetWindowContext(&frame, &doc, &pos, &clip, &info), S_OK);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(doc, nullptr);
    RECT client{};
    GetClientRect(host, &client);
    EXPECT_TRUE(EqualRect(&pos, &client));
    EXPECT_TRUE(EqualRect(&clip, &client));
    EXPECT_EQ(info.hwndFrame, host);
    frame->Release();
    frame = reinterpret_cast<IOleInPlaceFrame*>(0x10);
    EXPECT_EQ(site->GetWindowContext(&frame, &doc, nullptr, &clip, &info), E_POINTER);
    EXPECT_EQ(frame, nullptr);
    auto client2 = ComQuery<IOleClientSite>(f.Browser->ClientSite(), IID_IOleClientSite);
    IOleContainer* container = reinterpret_cast<IOleContainer*>(0x10);
    EXPECT_EQ(client2->GetContainer(&container), E_NOINTERFACE);
    EXPECT_EQ(container, nullptr);
    IMoniker* moniker = reinterpret_cast<IMoniker*>(0x10);
    EXPECT_NE(client2->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJFULL, &moniker), S_OK);
    EXPECT_EQ(moniker, nullptr);
    // The standard ambient properties of a plain host: user mode, no message reflection, its name.
    auto ambient = ComQuery<IDispatch>(f.Browser->ClientSite(), IID_IDispatch);
    DISPPARAMS none{};
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(
        ambient->Invoke(DISPID_AMBIENT_MESSAGEREFLECT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(v.boolVal, VARIANT_FALSE);
    EXPECT_EQ(ambient->Invoke(12345, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST(OleControlHosting, TheControlIsCreatedAgainForANewWindowAndClosedAtTheEnd) {
    TBrowserForm f;
    f.Browser->Handle();
    ASSERT_TRUE(f.Browser->InPlaceActive());
    f.Form.DestroyHandle();
    EXPECT_FALSE(f.Browser->InPlaceActive());
    EXPECT_FALSE(f.Browser->ControlCreated());
    f.Form.HandleNeeded();
    HWND host = f.Browser->Handle();
    EXPECT_TRUE(f.Browser->ControlCreated());
    EXPECT_TRUE(f.Browser->InPlaceActive());
    EXPECT_NE(ShellEmbedding(host), nullptr);
    f.Browser->DestroyControl();
    EXPECT_FALSE(f.Browser->ControlCreated());
    EXPECT_EQ(f.Browser->SiteRefCount(), 0u);
    f.Browser->DestroyControl();  // twice is harmless
}

}  // namespace
}  // namespace qd
