// The application object: the standard error report, pre-translation message filters, and the timer.

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Properties.h"
#include "framework/FrameworkTestSupport.h"
#include "support/SwallowCheck.h"

using namespace qd;
using namespace qd::test;

namespace {

TEST(ErrorReportTest, ReportsCarryTheTitleAndTheMessageAsWideText) {
    TReportCapture reports;
    Application->SetTitle(L"岚栎在线订单管理系统");
    try {
        throw Exception("无法连接：timeout");
    } catch (...) {
        Application->HandleException();
    }
    try {
        throw std::runtime_error("plain runtime error");
    } catch (...) {
        Application->HandleException();
    }
    try {
        throw EAbort();
    } catch (...) {
        Application->HandleException();
    }
    try {
        throw 7;
    } catch (...) {
        HandleCurrentException();
    }
    ASSERT_EQ(reports.Reports.size(), 3u);
    EXPECT_EQ(reports.Reports[0].Caption, L"岚栎在线订单管理系统");
    EXPECT_EQ(reports.Reports[0].Text, L"无法连接：timeout");
    EXPECT_EQ(reports.Reports[1].Text, L"plain runtime error");
    EXPECT_EQ(reports.Reports[2].Text, L"An unknown error occurred");
}

TEST(ErrorReportTest, OnExceptionReplacesTheReportAndAFailingHandlerFallsBack) {
    TReportCapture reports;
    std::string seen;
    Application->OnException = [&](TObject*, const std::exception& e) { seen = e.what(); };
    EXPECT_FALSE(CallGuarded([] { throw Exception("first"); }));
    EXPECT_EQ(seen, "first");
    EXPECT_TRUE(reports.Reports.empty());
    Application->OnException = [&](TObject*, const std::exception&) { throw std::logic_error("handler failed"); };
    CallGuarded([] { throw Exception("second"); });
    ASSERT_EQ(reports.Reports.size(), 1u);
    EXPECT_EQ(reports.Reports[0].Text, L"second");
    Application->OnException = nullptr;
    EXPECT_TRUE(CallGuarded([] {}));
}

TEST(CallbackEdgeTest, SwallowedExceptionsAreCountedWithTheirMessageAndReportedOnesAreNot) {
    TReportCapture reports;
    EXPECT_EQ(CallSwallowing(-1, []() -> int { throw 7; }), -1);
    EXPECT_FALSE(CallSwallowing([] { throw Exception("frame lost"); }));
    EXPECT_EQ(CallSwallowing(-1, [] { return 5; }), 5);
    EXPECT_TRUE(CallSwallowing([] {}));
    EXPECT_EQ(TakeSwallowed(), 2u);
    EXPECT_EQ(LastSwallowedMessage(), "frame lost");
    EXPECT_EQ(CallGuarded(E_FAIL, []() -> HRESULT { throw Exception("reported"); }), E_FAIL);
    EXPECT_EQ(CallGuarded(E_FAIL, [] { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(TakeSwallowed(), 0u);
    ASSERT_EQ(reports.Reports.size(), 1u);
    EXPECT_EQ(reports.Reports[0].Text, L"reported");
}

TEST(MessageFilterTest, FiltersRunInOrderBeforeDispatchAndCanSwallow) {
    TForm form(nullptr);
    HWND wnd = form.Handle();
    std::vector<std::string> log;
    const TWndMethod original = form.WindowProc;
    form.WindowProc = [&, original](TMessage& m) {
        if (m.Msg == WM_APP + 20) log.push_back("window:" + std::to_string(m.WParam));
        original(m);
    };
    const int first = Application->AddMessageFilter([&](MSG& msg) {
        if (msg.message != WM_APP + 20) return false;
        log.push_back("first:" + std::to_string(msg.wParam));
        return msg.wParam == 2;  // swallow the second one
    });
    const int second = Application->AddMessageFilter([&](MSG& msg) {
        if (msg.message == WM_APP + 20) log.push_back("second:" + std::to_string(msg.wParam));
        return false;
    });
    PostMessageW(wnd, WM_APP + 20, 1, 0);
    PostMessageW(wnd, WM_APP + 20, 2, 0);
    Pump(50);
    EXPECT_EQ(log, (std::vector<std::string>{"first:1", "second:1", "window:1", "first:2"}));

    // Sent messages do not pass the loop: filters never see them.
    log.clear();
    SendMessageW(wnd, WM_APP + 20, 3, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"window:3"}));

    log.clear();
    Application->RemoveMessageFilter(first);
    PostMessageW(wnd, WM_APP + 20, 2, 0);
    Pump(30);
    EXPECT_EQ(log, (std::vector<std::string>{"second:2", "window:2"}));
    Application->RemoveMessageFilter(second);
    Application->RemoveMessageFilter(12345);  // unknown ids are ignored
    form.WindowProc = original;
}

TEST(MessageFilterTest, AFilterMayRemoveItselfWhileRunning) {
    TForm form(nullptr);
    int calls = 0;
    int id = 0;
    id = Application->AddMessageFilter([&](MSG& msg) {
        if (msg.message != WM_APP + 21) return false;
        ++calls;
        Application->RemoveMessageFilter(id);
        return true;
    });
    PostMessageW(form.Handle(), WM_APP + 21, 0, 0);
    PostMessageW(form.Handle(), WM_APP + 21, 0, 0);
    Pump(50);
    EXPECT_EQ(calls, 1);
}

TEST(MessageFilterTest, AFilterThatThrowsIsReportedAndTheLoopGoesOn) {
    TReportCapture reports;
    TForm form(nullptr);
    const int id = Application->AddMessageFilter([](MSG& msg) -> bool {
        if (msg.message == WM_APP + 22) throw Exception("filter failed");
        return false;
    });
    PostMessageW(form.Handle(), WM_APP + 22, 0, 0);
    Pump(30);
    Application->RemoveMessageFilter(id);
    ASSERT_EQ(reports.Reports.size(), 1u);
    EXPECT_EQ(reports.Reports[0].Text, L"filter failed");
}

TEST(TimerTest, TicksWhileEnabledAndStopsWhenDisabled) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(15);
    EXPECT_FALSE(timer.Running()) << "no handler yet";
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    EXPECT_TRUE(timer.Running());
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    const int stopped = ticks;
    Pump(80);
    EXPECT_EQ(ticks, stopped);

    timer.SetEnabled(true);
    timer.SetInterval(0);  // an interval of 0 stops it too
    EXPECT_FALSE(timer.Running());
    EXPECT_THROW(SetPropertyText(timer, "Interval", "-1"), EPropertyError) << "a stored negative interval";
}

TEST(TimerTest, ATickThatThrowsIsReportedAndTheTimerKeepsRunning) {
    TReportCapture reports;
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        throw Exception("tick " + std::to_string(ticks));
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }));
    ASSERT_GE(reports.Reports.size(), 2u);
    EXPECT_EQ(reports.Reports[0].Text, L"tick 1");
}

TEST(TimerTest, ATimerMayBeFreedByItsOwnHandler) {
    auto* timer = new TTimer(nullptr);
    bool freed = false;
    timer->SetInterval(10);
    timer->SetOnTimer([&](TObject* sender) {
        delete static_cast<TTimer*>(sender);
        freed = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return freed; }));
    Pump(40);  // later ticks already queued find no timer
}

TEST(TimerTest, OwnedTimersGoWithTheirOwnerAndDriveTimeThroughTick) {
    int ticks = 0;
    {
        TComponent owner(nullptr);
        auto* timer = new TTimer(&owner);
        timer->SetInterval(60000);
        timer->SetOnTimer([&](TObject*) { ++ticks; });
        timer->Tick();  // tests drive time without waiting for it
        EXPECT_EQ(ticks, 1);
        timer->SetEnabled(false);
        timer->Tick();  // a disabled timer does nothing
        EXPECT_EQ(ticks, 1);
    }
    EXPECT_EQ(ticks, 1);
}

}  // namespace
