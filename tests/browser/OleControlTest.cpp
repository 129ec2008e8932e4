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
#include "framework/Forms.h"

namespace qd {
namespace {

class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};
const auto* const gOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

template <class TDone>
bool PumpUntil(TDone done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

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
    f.Browser->OnBeforeNavigate2 = [&](TObject* sender, IDispatch*, const VARIANT& url, const VARIANT&,
                                       const VARIANT&, const VARIANT&, const VARIANT&, bool& cancel) {
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

}  // namespace
}  // namespace qd
