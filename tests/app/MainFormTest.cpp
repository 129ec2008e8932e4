// The main window from its stored description: caption, style, size limits, the status bar's panels, the clock
// and the close confirmation.

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/AppConstants.h"
#include "app/AppTestSupport.h"
#include "app/Main_Frm.h"
#include "app/Unit_MessageBox.h"
#include "browser/EmbeddedBrowser.h"
#include "framework/Application.h"
#include "framework/FormReader.h"
#include "framework/Properties.h"
#include "framework/Resources.h"
#include "skin/data/SkinManagerIntf.h"
#include "support/StatusBarReader.h"

using namespace qd;
using namespace qd::apptest;
using qd::test::StatusPanelText;
using qd::test::StatusPartEdges;

namespace {

// The browser host's control needs OLE on the GUI thread, as in the program.
class TOleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { FStarted = SUCCEEDED(::OleInitialize(nullptr)); }
    void TearDown() override {
        if (FStarted) ::OleUninitialize();
    }

private:
    bool FStarted = false;
};
[[maybe_unused]] ::testing::Environment* const OleEnvironment =
    ::testing::AddGlobalTestEnvironment(new TOleEnvironment);

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplication();
        Application->CreateForm(Form_Main);
        ASSERT_NE(Form_Main, nullptr);
        ASSERT_EQ(Application->MainForm(), Form_Main);
    }
    void TearDown() override {
        delete Form_Main;
        EXPECT_EQ(Form_Main, nullptr);
        EXPECT_EQ(Form_MessageBox, nullptr);
        ResetApplication();
    }
    TStatusPanel& Panel(int i) { return *Form_Main->StatusBar_Main->Panels().Items(i); }
    std::wstring ClockText() { return StatusPanelText(Form_Main->StatusBar_Main->Handle(), TForm_Main::kClockPanel); }
};

// ---------------------------------------------------------------------------------------------------------------
// Stored description

TEST_F(MainFormTest, StoredDescriptionSetsTheWindow) {
    TForm_Main& form = *Form_Main;
    EXPECT_EQ(form.Name(), "Form_Main");
    EXPECT_EQ(form.Caption(), std::wstring(kAppTitle));
    EXPECT_EQ(form.FormStyle(), fsMDIForm);
    EXPECT_EQ(form.Color(), clBtnFace);
    EXPECT_EQ(form.Constraints().MinWidth(), 1024);
    EXPECT_EQ(form.Constraints().MinHeight(), 768);
    EXPECT_EQ(form.Font().Charset(), GB2312_CHARSET);
    EXPECT_EQ(form.Font().Name(), L"宋体");
    EXPECT_EQ(form.Font().Height(), -13);
    EXPECT_EQ(form.Font().Color(), clWindowText);
    EXPECT_EQ(form.Font().Style(), 0u);
    EXPECT_EQ(form.PixelsPerInch(), 96);
    EXPECT_EQ(form.TextHeight(), 13);
    // Designed placement, kept for when the window is restored.
    EXPECT_EQ(form.Left(), 193);
    EXPECT_EQ(form.Top(), 106);
    EXPECT_EQ(form.Width(), 1024);
    EXPECT_EQ(form.Height(), 768);
    EXPECT_TRUE(form.OnCreate);
    EXPECT_TRUE(form.OnCloseQuery);

    ASSERT_NE(form.Timer_Main, nullptr);
    EXPECT_EQ(form.Timer_Main->Interval(), 1000u);
    EXPECT_TRUE(form.Timer_Main->Enabled());
    EXPECT_TRUE(form.Timer_Main->Running());
}

TEST_F(MainFormTest, StatusBarCarriesTheVendorPanels) {
    TStatusBar& bar = *Form_Main->StatusBar_Main;
    EXPECT_EQ(bar.Align(), alBottom);
    EXPECT_EQ(bar.Height(), 25);
    EXPECT_FALSE(bar.ParentFont());
    EXPECT_EQ(bar.Font().Name(), L"宋体");
    EXPECT_EQ(bar.Font().Height(), -13);
    EXPECT_EQ(bar.Font().Charset(), DEFAULT_CHARSET);
    EXPECT_EQ(bar.Font().Color(), clBlack);
    ASSERT_EQ(bar.Panels().Count(), 5);

    const TAlignment alignments[] = {taLeftJustify, taCenter, taCenter, taCenter, taLeftJustify};
    const int widths[] = {0, 100, 200, 350, 50};
    const std::wstring texts[] = {L"", kVendorName, kVendorWebAddress, kVendorContactLine, L""};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Panel(i).Alignment(), alignments[i]);
        EXPECT_EQ(Panel(i).Width(), widths[i]);
        EXPECT_EQ(Panel(i).Text(), texts[i]);
        EXPECT_EQ(StatusPanelText(bar.Handle(), i), texts[i]);
    }
    // Right edges are the running sums; the clock panel reaches the right edge whatever its width.
    EXPECT_EQ(StatusPartEdges(bar.Handle()), (std::vector<int>{0, 100, 300, 650, -1}));
}

TEST_F(MainFormTest, VendorTextsHaveTheirPrescribedShape) {
    const std::wstring web = kVendorWebAddress;
    EXPECT_EQ(web.rfind(L"http://", 0), 0u);
    const std::wstring contact = kVendorContactLine;
    ASSERT_EQ(contact.rfind(L"E_Mail：", 0), 0u);
    const std::size_t space = contact.find(L'\u3000');
    ASSERT_NE(space, std::wstring::npos);
    const std::wstring mail = contact.substr(7, space - 7);
    EXPECT_NE(mail.find(L'@'), std::wstring::npos);
    EXPECT_EQ(mail.find(L' '), std::wstring::npos);
    const std::wstring rest = contact.substr(space + 1);
    ASSERT_EQ(rest.rfind(L"QQ：", 0), 0u);
    const std::wstring numbers = rest.substr(3);
    const std::size_t sep = numbers.find(L'、');
    ASSERT_NE(sep, std::wstring::npos);
    for (const std::wstring& n : {numbers.substr(0, sep), numbers.substr(sep + 1)}) {
        EXPECT_FALSE(n.empty());
        EXPECT_EQ(n.find_first_not_of(L"0123456789"), std::wstring::npos) << "not a number";
    }
    const std::wstring url = kStartUrl;
    EXPECT_EQ(url.rfind(L"http://", 0), 0u);
    EXPECT_GT(url.size(), std::wstring(L"http:///quandrel").size()) << "the URL needs a host";
    EXPECT_EQ(url.substr(url.size() - 9), L"/quandrel");
    EXPECT_EQ(url.substr(7).find(L'/'), url.size() - 7 - 9) << "the path is /quandrel and nothing else";
}

// A description with every component the handlers use except the one named.
std::string DescriptionWithout(std::string_view leftOut) {
    std::string text = "object Form_Main: TForm_Main\n";
    if (leftOut != "StatusBar_Main") {
        text += "  object StatusBar_Main: TStatusBar\n    Panels = <";
        for (int i = 0; i < TForm_Main::kPanelCount; ++i) text += "\n      item\n      end";
        text += ">\n  end\n";
    }
    for (const char* part : {"WebBrowser: TEmbeddedBrowser", "SkinData_Main: TSkinData", "Timer_Main: TTimer"})
        if (!std::string_view(part).starts_with(std::string(leftOut) + ":"))
            text += std::string("  object ") + part + "\n  end\n";
    return text + "end\n";
}

TEST_F(MainFormTest, MalformedDescriptionFailsNamingFormLineAndProperty) {
    delete Form_Main;
    const std::string noBrowser = DescriptionWithout("WebBrowser"), noSkin = DescriptionWithout("SkinData_Main");
    struct TCase {
        const char* Text;
        int Line;
        const char* Property;  // empty: the fault is the object's, not one property's
        const char* Mentions = nullptr;
    };
    const TCase cases[] = {
        {"object Form_Main: TForm_Main\n  Caption = 'x'\n  Font.Height = 'tall'\nend\n", 3, "Font.Height"},
        {"object Form_Main: TForm_Main\n  WindowState = wsHuge\nend\n", 2, "WindowState"},
        {"object Form_Main: TForm_Main\n  object StatusBar_Main: TStatusBar\n    Panels = <\n      item\n"
         "        Width = -5\n      end>\n  end\nend\n",
         5, "Panels[0].Width"},
        {"object Form_Main: TForm_Main\n  Caption = 'unterminated\nend\n", 2, ""},
        // The handlers need the status bar with its five panels, the timer, the browser host and the skin.
        {"object Form_Main: TForm_Main\n  object Timer_Main: TTimer\n  end\nend\n", 1, ""},
        {noBrowser.c_str(), 1, "", "WebBrowser"},
        {noSkin.c_str(), 1, "", "SkinData_Main"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        auto previous = SetFormResourceProvider([&](std::string_view cls) -> std::optional<std::string> {
            if (cls == "TForm_Main") return std::string(c.Text);
            return std::nullopt;
        });
        const int owned = Application->ComponentCount();
        try {
            Application->CreateForm(Form_Main);
            ADD_FAILURE() << "accepted";
        } catch (const EFormReadError& e) {
            const std::string text = e.Message();
            EXPECT_EQ(text.rfind("Form_Main, line " + std::to_string(c.Line), 0), 0u) << text;
            EXPECT_EQ(e.Line(), c.Line);
            if (c.Mentions) {
                EXPECT_NE(text.find(c.Mentions), std::string::npos) << text;
            }
            if (*c.Property) {
                EXPECT_EQ(e.Property(), c.Property);
                EXPECT_NE(text.find(std::string("property \"") + c.Property + "\""), std::string::npos) << text;
            }
        }
        SetFormResourceProvider(std::move(previous));
        EXPECT_EQ(Application->ComponentCount(), owned) << "a half-read form stayed behind";
        EXPECT_EQ(Application->MainForm(), nullptr);
        Form_Main = nullptr;
    }
    // SetUp's form is gone; TearDown deletes nothing.
}

// ---------------------------------------------------------------------------------------------------------------
// Creation

// A browser host that records where it is sent, through its BeforeNavigate2 event, and goes nowhere.
class TRecordingBrowser : public TEmbeddedBrowser {
public:
    explicit TRecordingBrowser(TComponent* owner) : TEmbeddedBrowser(owner) {
        OnBeforeNavigate2 = [](TObject*, IDispatch*, const VARIANT& url, const VARIANT&, const VARIANT&, const VARIANT&,
                               const VARIANT&, bool& cancel) {
            Visited().push_back(VariantText(url));
            cancel = true;  // no network here
        };
    }
    static std::vector<std::wstring>& Visited() {
        static std::vector<std::wstring> urls;
        return urls;
    }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info =
            TClassBuilder<TRecordingBrowser>("TRecordingBrowser", &TEmbeddedBrowser::StaticClassInfo());
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// Creates Form_Main from its stored description with the recording browser host and with `from` replaced by
// `to`; returns the errors the application reported meanwhile.
std::vector<std::string> CreateRecordedMainForm(const std::string& from = {}, const std::string& to = {}) {
    RegisterClassInfo(TRecordingBrowser::StaticClassInfo());
    std::string text = LoadFormResource("TForm_Main");
    const auto replace = [&text](const std::string& a, const std::string& b) {
        const std::size_t at = text.find(a);
        ASSERT_NE(at, std::string::npos) << a;
        text.replace(at, a.size(), b);
    };
    replace("WebBrowser: TEmbeddedBrowser", "WebBrowser: TRecordingBrowser");
    if (!from.empty()) replace(from, to);
    auto previous = SetFormResourceProvider([&](std::string_view cls) -> std::optional<std::string> {
        if (cls == "TForm_Main") return text;
        return std::nullopt;
    });
    std::vector<std::string> reports;
    auto report = std::exchange(Application->OnException,
                                [&](TObject*, const std::exception& e) { reports.emplace_back(e.what()); });
    TRecordingBrowser::Visited().clear();
    Application->CreateForm(Form_Main);
    Application->OnException = std::move(report);
    SetFormResourceProvider(std::move(previous));
    return reports;
}

TEST_F(MainFormTest, CreationOpensTheStartUrlInTheBrowser) {
    delete Form_Main;
    EXPECT_EQ(CreateRecordedMainForm(), std::vector<std::string>{});
    ASSERT_NE(Form_Main, nullptr);
    // The control announces the navigation from within Navigate2.
    EXPECT_EQ(TRecordingBrowser::Visited(), std::vector<std::wstring>{kStartUrl});
}

// A skin manager that refuses to start the skin.
class TRefusingSkinManager : public TSkinManagerStandIn {
public:
    void RequestAction(int, int) override { throw Exception("the skin cannot start"); }
};

TEST_F(MainFormTest, AFailingStepIsReportedEndsTheHandlerAndTheWindowIsStillCreated) {
    delete Form_Main;
    DestroySkinManager();
    auto factory = SetSkinManagerFactory([] { return std::make_unique<TRefusingSkinManager>(); });
    // Stored inactive, so that the handler's activation is the step that fails.
    const auto reports = CreateRecordedMainForm("    Active = True\n", "    Active = False\n");
    EXPECT_EQ(reports, std::vector<std::string>{"the skin cannot start"});
    ASSERT_NE(Form_Main, nullptr);
    EXPECT_EQ(Application->MainForm(), Form_Main);
    EXPECT_EQ(TRecordingBrowser::Visited(), std::vector<std::wstring>{}) << "navigated after the failed step";
    Form_Main->Show();
    EXPECT_TRUE(::IsWindowVisible(Form_Main->Handle()));
    delete Form_Main;
    DestroySkinManager();
    SetSkinManagerFactory(std::move(factory));
}

// ---------------------------------------------------------------------------------------------------------------
// Window

TEST_F(MainFormTest, ShowsMaximisedWithTheTitle) {
    Form_Main->Show();
    HWND wnd = Form_Main->Handle();
    EXPECT_TRUE(::IsWindowVisible(wnd));
    EXPECT_TRUE(::IsZoomed(wnd));
    wchar_t caption[64] = {};
    ::GetWindowTextW(wnd, caption, 64);
    EXPECT_EQ(std::wstring(caption), std::wstring(kAppTitle));
    EXPECT_NE(::GetWindowLongW(wnd, GWL_STYLE) & WS_SYSMENU, 0);
    EXPECT_NE(Form_Main->ClientHandle(), nullptr) << "an MDI parent has its client window";

    // The status bar sits on the bottom edge across the whole client width.
    RECT client{}, bar{};
    ::GetClientRect(wnd, &client);
    ::GetWindowRect(Form_Main->StatusBar_Main->Handle(), &bar);
    ::MapWindowPoints(HWND_DESKTOP, wnd, reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.right, client.right);
    EXPECT_EQ(bar.bottom - bar.top, 25);
}

TEST_F(MainFormTest, CannotBeMadeSmallerThan1024By768) {
    Form_Main->Show();
    HWND wnd = Form_Main->Handle();
    MINMAXINFO info{};
    ::SendMessageW(wnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_GE(info.ptMinTrackSize.x, 1024);
    EXPECT_GE(info.ptMinTrackSize.y, 768);

    ::ShowWindow(wnd, SW_RESTORE);
    EXPECT_FALSE(::IsZoomed(wnd));
    ::SetWindowPos(wnd, nullptr, 10, 10, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r{};
    ::GetWindowRect(wnd, &r);
    EXPECT_GE(r.right - r.left, 1024);
    EXPECT_GE(r.bottom - r.top, 768);
    // The clock panel stays at the right whatever the width.
    RECT client{};
    ::GetClientRect(wnd, &client);
    EXPECT_EQ(StatusPartEdges(Form_Main->StatusBar_Main->Handle()).back(), -1);
}

// ---------------------------------------------------------------------------------------------------------------
// Clock

TEST_F(MainFormTest, ClockFormatIsExact) {
    EXPECT_EQ(FormatClockText(At(2026, 12, 6, 8, 5, 9)), L"2026年12月6日 08:05:09");
    EXPECT_EQ(FormatClockText(At(2026, 1, 1, 0, 0, 0)), L"2026年1月1日 00:00:00");
    EXPECT_EQ(FormatClockText(At(2026, 10, 31, 23, 59, 59)), L"2026年10月31日 23:59:59");
    EXPECT_EQ(FormatClockText(At(987, 3, 4, 5, 6, 7)), L"0987年3月4日 05:06:07");
}

TEST_F(MainFormTest, ClockPanelIsEmptyUntilTheFirstTick) {
    int reads = 0;
    Form_Main->SetClockSource([&] {
        ++reads;
        return At(2026, 12, 6, 8, 5, 9);
    });
    Form_Main->Show();
    EXPECT_EQ(Panel(4).Text(), L"");
    EXPECT_EQ(ClockText(), L"");
    EXPECT_EQ(reads, 0);
    Form_Main->Timer_Main->Tick();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(Panel(4).Text(), L"2026年12月6日 08:05:09");
    EXPECT_EQ(ClockText(), L"2026年12月6日 08:05:09");
}

TEST_F(MainFormTest, EachTickShowsTheTimeAfreshAcrossMidnightAndMonthEnds) {
    std::vector<SYSTEMTIME> times = {At(2026, 12, 31, 23, 59, 59), At(2027, 1, 1, 0, 0, 0),
                                     At(2028, 2, 28, 23, 59, 59),  At(2028, 2, 29, 0, 0, 0),
                                     At(2026, 4, 30, 23, 59, 59),  At(2026, 5, 1, 0, 0, 0)};
    const std::wstring expected[] = {L"2026年12月31日 23:59:59", L"2027年1月1日 00:00:00",  L"2028年2月28日 23:59:59",
                                     L"2028年2月29日 00:00:00",  L"2026年4月30日 23:59:59", L"2026年5月1日 00:00:00"};
    std::size_t next = 0;
    Form_Main->SetClockSource([&] { return times.at(next); });
    Form_Main->Show();
    for (next = 0; next < times.size(); ++next) {
        Form_Main->Timer_Main->Tick();
        EXPECT_EQ(ClockText(), expected[next]);
    }
}

TEST_F(MainFormTest, PlatformTimerUpdatesTheClockEverySecond) {
    std::vector<DWORD> ticks;
    WORD second = 0;
    Form_Main->SetClockSource([&] {
        ticks.push_back(::GetTickCount());
        return At(2026, 12, 6, 8, 5, second++ % 60);
    });
    Form_Main->Show();
    // Generous: a busy machine delays timer messages, it never brings them forward.
    ASSERT_TRUE(PumpUntil([&] { return ticks.size() >= 3; }, 30000)) << ticks.size() << " ticks";
    EXPECT_EQ(ClockText(), L"2026年12月6日 08:05:02");
    for (std::size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 900u);
}

TEST_F(MainFormTest, LocalTimeIsTheDefaultClock) {
    Form_Main->Show();
    SYSTEMTIME before{};
    ::GetLocalTime(&before);
    Form_Main->Timer_Main->Tick();
    SYSTEMTIME after{};
    ::GetLocalTime(&after);
    const std::wstring text = ClockText();
    EXPECT_TRUE(
        text == FormatClockText(
                    At(before.wYear, before.wMonth, before.wDay, before.wHour, before.wMinute, before.wSecond)) ||
        text == FormatClockText(At(after.wYear, after.wMonth, after.wDay, after.wHour, after.wMinute, after.wSecond)))
        << "shown: " << text.size() << " characters";
    // An empty source goes back to the local time rather than leaving the clock without one.
    Form_Main->SetClockSource(nullptr);
    Form_Main->Timer_Main->Tick();
    EXPECT_FALSE(ClockText().empty());
}

// ---------------------------------------------------------------------------------------------------------------
// Closing

TEST_F(MainFormTest, CloseRequestAsksAndCancelKeepsWindowAndClockRunning) {
    int reads = 0;
    Form_Main->SetClockSource([&] {
        ++reads;
        return At(2026, 12, 6, 8, 5, 9);
    });
    Form_Main->Show();
    HWND wnd = Form_Main->Handle();
    TUiScript script;
    int readsWhileShowing = 0;
    script.WaitFor(BoxShowing, "box")
        .Do([&] {
            EXPECT_EQ(Form_MessageBox->Label_Tip->Caption(), std::wstring(kExitQuestion));
            EXPECT_EQ(Form_MessageBox->Caption(), std::wstring(kAppTitle));
            EXPECT_EQ(::GetWindow(Form_MessageBox->Handle(), GW_OWNER), wnd) << "the box belongs to the main window";
            EXPECT_FALSE(::IsWindowEnabled(wnd)) << "the main window waits while the box is up";
            readsWhileShowing = reads;
        })
        .WaitFor([&] { return reads >= readsWhileShowing + 2; }, "the clock ticking behind the box")
        .Do([] { PostKeyToFocus(VK_ESCAPE); });
    script.Start();
    ::PostMessageW(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished(); }, 10000));
    EXPECT_TRUE(script.Failure.empty()) << script.Failure;
    ASSERT_TRUE(PumpUntil([] { return Form_MessageBox == nullptr; }));
    EXPECT_TRUE(::IsWindowVisible(wnd));
    EXPECT_TRUE(::IsWindowEnabled(wnd));
    EXPECT_FALSE(Application->Terminated());
    const int readsAfter = reads;
    ASSERT_TRUE(PumpUntil([&] { return reads > readsAfter; }, 3000)) << "the clock stopped";
}

TEST_F(MainFormTest, ConfirmingWithTabEnterClosesAndEndsTheLoop) {
    Form_Main->Show();
    HWND wnd = Form_Main->Handle();
    TUiScript script;
    script.WaitFor(BoxShowing, "box")
        .Do([] { PostKeyToFocus(VK_TAB); })
        .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Ok->Handle(); }, "focus on OK")
        .Do([] { PostKeyToFocus(VK_RETURN); });
    script.Start();
    ::PostMessageW(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([] { return Application->Terminated(); }, 10000)) << script.Failure;
    EXPECT_TRUE(script.Failure.empty()) << script.Failure;
    EXPECT_FALSE(::IsWindowVisible(wnd));
}

TEST_F(MainFormTest, SystemMenuCloseAsksToo) {
    Form_Main->Show();
    HWND wnd = Form_Main->Handle();
    TUiScript script;
    script.WaitFor(BoxShowing, "box").Do([] { PostKeyToFocus(VK_RETURN); });  // Enter at open: Cancel
    script.Start();
    ::PostMessageW(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished() && !Form_MessageBox; }, 10000)) << script.Failure;
    EXPECT_TRUE(script.Failure.empty()) << script.Failure;
    EXPECT_TRUE(::IsWindowVisible(wnd));
    EXPECT_FALSE(Application->Terminated());
}

TEST_F(MainFormTest, SecondCloseRequestWhileAskingIsRefusedAndLeavesTheBoxAlone) {
    Form_Main->Show();
    HWND wnd = Form_Main->Handle();
    TForm_MessageBox* box = nullptr;
    LRESULT endSession = -1;
    TUiScript script;
    script.WaitFor(BoxShowing, "box")
        .Do([&] {
            box = Form_MessageBox;
            // From the task bar and from a session-end query, while the first box is up.
            ::PostMessageW(wnd, WM_CLOSE, 0, 0);
            endSession = ::SendMessageW(wnd, WM_QUERYENDSESSION, 0, 0);
        })
        .Then([start = DWORD(0)]() mutable {
            if (!start) start = ::GetTickCount();
            return ::GetTickCount() - start > 200;  // the posted WM_CLOSE has been handled by now
        })
        .Do([&] {
            EXPECT_EQ(Form_MessageBox, box);
            EXPECT_TRUE(::IsWindowVisible(box->Handle()));
            EXPECT_EQ(box->ModalResult(), mrNone);
            EXPECT_FALSE(Application->Terminated());
            PostKeyToFocus(VK_ESCAPE);
        });
    script.Start();
    ::PostMessageW(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return script.Finished() && !Form_MessageBox; }, 10000)) << script.Failure;
    EXPECT_TRUE(script.Failure.empty()) << script.Failure;
    EXPECT_EQ(endSession, 0) << "the session end was allowed while the user was still being asked";
    EXPECT_TRUE(::IsWindowVisible(wnd));
    EXPECT_FALSE(Application->Terminated());
}

}  // namespace
