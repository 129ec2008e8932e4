// Controls: WindowProc chaining, window binding, alignment, painting of graphic children, mouse routing,
// fonts and tab order.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/FrameworkTestSupport.h"
#include "framework/StdCtrls.h"

using namespace qd;
using namespace qd::test;

namespace {

// A graphic control that fills itself with one colour; with Overpaint it paints beyond its bounds, which the
// parent's clipping must cut off.
class TColorBlock : public TGraphicControl {
public:
    TColorBlock(TComponent* owner, TWinControl* parent, RECT bounds, TColor fill) : TGraphicControl(owner), Fill(fill) {
        SetParent(parent);
        SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    }
    TColor Fill;
    bool Overpaint = true;

protected:
    void Paint() override {
        Canvas().Brush().SetColor(Fill);
        RECT r = ClientRect();
        if (Overpaint) InflateRect(&r, 20, 20);
        Canvas().FillRect(r);
    }
};

// A windowed control that paints a small square on its background.
class TSquareControl : public TCustomControl {
public:
    explicit TSquareControl(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }

protected:
    void Paint() override {
        Canvas().Brush().SetColor(clLime);
        Canvas().FillRect(RECT{5, 5, 15, 15});
    }
};

// A plain borderless form of a given client size (bsNone: window and client coincide).
std::unique_ptr<TForm> PlainForm(int width, int height, TColor color = clWhite) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, width, height);
    form->SetColor(color);
    return form;
}

TEST(WindowBindingTest, CreationAndDestructionMessagesPassThroughWindowProc) {
    TForm form(nullptr);
    TMessageRecorder rec;
    rec.IgnoreCommonNoise();
    TWindowProcRecorder hook(form, rec);

    form.HandleNeeded();
    ASSERT_TRUE(form.HandleAllocated());
    EXPECT_EQ(TWinControl::FindControl(form.Handle()), &form);
    static const TMsgEntry kCreate[] = {
        {WM_GETMINMAXINFO, kSent},
        {WM_NCCREATE, kSent},
        {WM_NCCALCSIZE, kSent},
        {WM_CREATE, kSent},
        {WM_SETFONT, kSent},
        {WM_SETICON, kSent | kWParam, ICON_BIG},  // the form's icons, once it has a window
        {WM_SETICON, kSent | kWParam, ICON_SMALL},
    };
    EXPECT_TRUE(rec.Matches(kCreate, "window creation"));

    HWND wnd = form.Handle();
    form.DestroyHandle();
    static const TMsgEntry kDestroy[] = {{WM_DESTROY, kSent}, {WM_NCDESTROY, kSent}};
    EXPECT_TRUE(rec.Matches(kDestroy, "window destruction"));
    EXPECT_FALSE(form.HandleAllocated());
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(TWinControl::FindControl(wnd), nullptr);

    // The object makes a new window on demand.
    EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST(WindowBindingTest, FirstMessageOfATopLevelWindowReachesTheObject) {
    // WM_GETMINMAXINFO comes before WM_NCCREATE for top-level windows: the constraints must already apply.
    TForm form(nullptr);
    form.Constraints().SetMinWidth(640);
    form.SetBounds(0, 0, 100, 100);
    EXPECT_EQ(form.Width(), 640);
    RECT r{};
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 640);
}

TEST(WindowProcTest, HooksChainOuterFirstAndRestoreCleanly) {
    TForm form(nullptr);
    HWND wnd = form.Handle();
    const UINT probe = WM_APP + 5;
    std::vector<std::string> order;
    const TWndMethod original = form.WindowProc;
    form.WindowProc = [&, original](TMessage& m) {
        if (m.Msg == probe) order.push_back("inner");
        original(m);
    };
    const TWndMethod inner = form.WindowProc;
    form.WindowProc = [&, inner](TMessage& m) {
        if (m.Msg == probe) order.push_back("outer");
        inner(m);
    };

    SendMessageW(wnd, probe, 0, 0);  // sent by the platform
    form.Perform(probe);             // sent by the framework
    PostMessageW(wnd, probe, 0, 0);  // posted through the loop
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 6; }));
    EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner", "outer", "inner", "outer", "inner"}));

    // A hook that answers a message itself stops it there, with its result.
    form.WindowProc = [&, inner](TMessage& m) {
        if (m.Msg == probe) {
            m.Result = 42;
            return;
        }
        inner(m);
    };
    EXPECT_EQ(SendMessageW(wnd, probe, 0, 0), 42);
    EXPECT_EQ(order.size(), 6u);

    form.WindowProc = original;
    order.clear();
    SendMessageW(wnd, probe, 0, 0);
    EXPECT_TRUE(order.empty());
    // The restored handler still does the form's work.
    form.SetCaption(L"restored");
    wchar_t text[32]{};
    GetWindowTextW(wnd, text, 32);
    EXPECT_STREQ(text, L"restored");
}

// Every message the platform delivers to the window, sent or posted, is seen by the control's WindowProc in
// the same order: a thread hook records what the platform delivers, the WindowProc recorder what we see.
HHOOK gCallHook = nullptr, gGetHook = nullptr;
TMessageRecorder* gPlatformRecorder = nullptr;
HWND gWatched = nullptr;
LRESULT CALLBACK CallHook(int code, WPARAM w, LPARAM l) {
    if (code == HC_ACTION && gPlatformRecorder) {
        const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(l);
        if (cwp->hwnd == gWatched) gPlatformRecorder->Add(cwp->hwnd, cwp->message, kSent, cwp->wParam, cwp->lParam);
    }
    return CallNextHookEx(gCallHook, code, w, l);
}
LRESULT CALLBACK GetHook(int code, WPARAM w, LPARAM l) {
    if (code == HC_ACTION && w == PM_REMOVE && gPlatformRecorder) {
        const auto* msg = reinterpret_cast<const MSG*>(l);
        if (msg->hwnd == gWatched && msg->message != WM_QUIT)
            gPlatformRecorder->Add(msg->hwnd, msg->message, kSent, msg->wParam, msg->lParam);
    }
    return CallNextHookEx(gGetHook, code, w, l);
}

TEST(WindowProcTest, EveryDeliveredMessageGoesThroughWindowProcInOrder) {
    auto form = PlainForm(200, 100);
    auto* child = new TSquareControl(form.get());
    child->SetParent(form.get());
    form->HandleNeeded();
    TMessageRecorder platform, seen;
    for (auto* r : {&platform, &seen}) {
        r->Ignore(WM_TIMER);
        r->Ignore(0x0118);  // WM_SYSTIMER (caret blink)
    }
    gPlatformRecorder = &platform;
    gWatched = form->Handle();
    gCallHook = SetWindowsHookExW(WH_CALLWNDPROC, CallHook, nullptr, GetCurrentThreadId());
    gGetHook = SetWindowsHookExW(WH_GETMESSAGE, GetHook, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(gCallHook && gGetHook);
    {
        TWindowProcRecorder hook(*form, seen);
        form->SetBounds(10, 10, 300, 150);
        form->SetCaption(L"窗口");
        form->Show();
        child->SetFocus();
        form->Invalidate();
        PostMessageW(form->Handle(), WM_APP + 30, 1, 2);
        Pump(80);
        form->Hide();
        Pump(20);
    }
    UnhookWindowsHookEx(gCallHook);
    UnhookWindowsHookEx(gGetHook);
    gPlatformRecorder = nullptr;
    ASSERT_GT(platform.Entries().size(), 10u);
    std::vector<TMsgEntry> expected;
    for (const auto& e : platform.Entries()) expected.push_back(TMsgEntry{e.Message, kSent | kWParam, e.WParam, 0});
    EXPECT_TRUE(seen.Contains(expected, "delivered messages seen by WindowProc",
                              "WindowProc also sees the messages the framework sends itself (CM_ and the like)"));
}

TEST(WindowProcTest, HooksSeeNestedMessagesAndOwnedHooksGoWhileTheControlIsWhole) {
    auto form = PlainForm(100, 100);
    HWND wnd = form->Handle();
    std::vector<std::string> log;
    // Re-entrancy: a handler that sends another message to its own window sees it pass the chain again.
    const TWndMethod original = form->WindowProc;
    form->WindowProc = [&, original](TMessage& m) {
        if (m.Msg == WM_APP + 40) {
            log.push_back("outer-begin");
            m.Result = SendMessageW(wnd, WM_APP + 41, 0, 0) + 1;
            log.push_back("outer-end");
            return;
        }
        if (m.Msg == WM_APP + 41) {
            log.push_back("nested");
            m.Result = 10;
            return;
        }
        original(m);
    };
    EXPECT_EQ(SendMessageW(wnd, WM_APP + 40, 0, 0), 11);
    EXPECT_EQ(log, (std::vector<std::string>{"outer-begin", "nested", "outer-end"}));
    form->WindowProc = original;

    // A hooking component owned by the control is freed before the control's window goes, and unhooks then.
    struct THookComponent : TComponent {
        TWinControl& Target;
        TWndMethod Previous;
        bool WindowAliveAtUnhook = false;
        bool* Done;
        THookComponent(TWinControl& target, bool* done) : TComponent(&target), Target(target), Done(done) {
            Previous = target.WindowProc;
            target.WindowProc = [this](TMessage& m) { Previous(m); };
        }
        ~THookComponent() override {
            WindowAliveAtUnhook = Target.HandleAllocated() && IsWindow(Target.Handle());
            Target.WindowProc = Previous;
            *Done = WindowAliveAtUnhook;
        }
    };
    bool unhookedWithWindow = false;
    new THookComponent(*form, &unhookedWithWindow);
    form.reset();
    EXPECT_TRUE(unhookedWithWindow);
}

TEST(WindowProcTest, ExceptionsInHandlersGoToTheErrorReportAndNeverCrossTheWindowProcedure) {
    TReportCapture reports;
    TForm form(nullptr);
    HWND wnd = form.Handle();
    const TWndMethod original = form.WindowProc;
    form.WindowProc = [&, original](TMessage& m) {
        if (m.Msg == WM_APP + 7) throw Exception("加载失败：数据错误");
        if (m.Msg == WM_APP + 8) throw 42;
        if (m.Msg == WM_APP + 9) throw EAbort();
        original(m);
    };
    Application->SetTitle(L"岚栎在线订单管理系统");

    EXPECT_EQ(SendMessageW(wnd, WM_APP + 7, 0, 0), 0);
    ASSERT_EQ(reports.Reports.size(), 1u);
    EXPECT_EQ(reports.Reports[0].Text, L"加载失败：数据错误");
    EXPECT_EQ(reports.Reports[0].Caption, L"岚栎在线订单管理系统");

    SendMessageW(wnd, WM_APP + 8, 0, 0);
    ASSERT_EQ(reports.Reports.size(), 2u);
    EXPECT_EQ(reports.Reports[1].Text, L"An unknown error occurred");

    SendMessageW(wnd, WM_APP + 9, 0, 0);  // an abort is silent
    EXPECT_EQ(reports.Reports.size(), 2u);

    // Posted messages take the same road; the window keeps working afterwards.
    PostMessageW(wnd, WM_APP + 7, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return reports.Reports.size() == 3; }));
    form.SetCaption(L"still alive");
    wchar_t text[32]{};
    GetWindowTextW(wnd, text, 32);
    EXPECT_STREQ(text, L"still alive");
    form.WindowProc = original;
}

TEST(AlignmentTest, EdgesAreTakenInOrderAndTheClientGetsTheRest) {
    auto form = PlainForm(400, 300);
    auto* top = new TSquareControl(form.get());
    auto* bottom = new TSquareControl(form.get());
    auto* left = new TSquareControl(form.get());
    auto* client = new TSquareControl(form.get());
    for (TControl* c : std::initializer_list<TControl*>{top, bottom, left, client}) c->SetParent(form.get());
    top->SetHeight(30);
    top->SetAlign(alTop);
    bottom->SetHeight(25);
    bottom->SetAlign(alBottom);
    left->SetWidth(50);
    left->SetAlign(alLeft);
    client->SetAlign(alClient);
    form->HandleNeeded();

    auto bounds = [](TControl* c) { return std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()}; };
    EXPECT_EQ(bounds(top), (std::vector<int>{0, 0, 400, 30}));
    EXPECT_EQ(bounds(bottom), (std::vector<int>{0, 275, 400, 25}));
    EXPECT_EQ(bounds(left), (std::vector<int>{0, 30, 50, 245}));
    EXPECT_EQ(bounds(client), (std::vector<int>{50, 30, 350, 245}));

    form->SetBounds(0, 0, 500, 400);
    EXPECT_EQ(bounds(bottom), (std::vector<int>{0, 375, 500, 25}));
    EXPECT_EQ(bounds(client), (std::vector<int>{50, 30, 450, 345}));
    // The windows follow the objects.
    RECT r{};
    GetWindowRect(client->Handle(), &r);
    MapWindowPoints(HWND_DESKTOP, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.bottom, 375);

    left->Hide();  // a hidden control takes no room
    EXPECT_EQ(bounds(client), (std::vector<int>{0, 30, 500, 345}));
}

TEST(GraphicControlTest, ChildrenPaintInZOrderClippedToTheirBounds) {
    auto form = PlainForm(200, 100);
    TColorBlock a(form.get(), form.get(), RECT{10, 10, 60, 60}, clRed);
    TColorBlock b(form.get(), form.get(), RECT{40, 40, 90, 90}, clBlue);
    form->HandleNeeded();
    {
        TClientCapture cap(form->Handle());
        EXPECT_EQ(cap.Pixel(5, 5), RGB(255, 255, 255)) << "painting beyond the bounds is clipped";
        EXPECT_EQ(cap.Pixel(9, 30), RGB(255, 255, 255));
        EXPECT_EQ(cap.Pixel(20, 20), RGB(255, 0, 0));
        EXPECT_EQ(cap.Pixel(45, 45), RGB(0, 0, 255)) << "the later control lies on top";
        EXPECT_EQ(cap.Pixel(85, 85), RGB(0, 0, 255));
        EXPECT_EQ(cap.Pixel(95, 95), RGB(255, 255, 255));
    }
    a.BringToFront();
    {
        TClientCapture cap(form->Handle());
        EXPECT_EQ(cap.Pixel(45, 45), RGB(255, 0, 0));
    }
    b.Hide();
    {
        TClientCapture cap(form->Handle());
        EXPECT_EQ(cap.Pixel(85, 85), RGB(255, 255, 255));
    }
}

TEST(GraphicControlTest, CustomControlPaintsOffScreenWithItsGraphicChildren) {
    auto form = PlainForm(200, 100);
    auto* square = new TSquareControl(form.get());
    square->SetParent(form.get());
    square->SetBounds(0, 0, 40, 40);
    square->SetColor(clNavy);
    TColorBlock dot(form.get(), square, RECT{20, 20, 30, 30}, clRed);
    form->HandleNeeded();
    TClientCapture cap(square->Handle());
    EXPECT_EQ(cap.Pixel(1, 1), RGB(0, 0, 0x80));
    EXPECT_EQ(cap.Pixel(10, 10), RGB(0, 255, 0));
    EXPECT_EQ(cap.Pixel(25, 25), RGB(255, 0, 0));
    EXPECT_EQ(cap.Pixel(35, 35), RGB(0, 0, 0x80));
}

TEST(GraphicControlTest, MouseOverAGraphicChildReachesItWithEnterAndLeave) {
    auto form = PlainForm(200, 100);
    TColorBlock block(form.get(), form.get(), RECT{10, 10, 60, 60}, clRed);
    HWND wnd = form->Handle();
    TMessageRecorder rec;
    TWindowProcRecorder hook(block, rec);
    int enters = 0, leaves = 0, clicks = 0;
    block.OnMouseEnter = [&](TObject* s) {
        EXPECT_EQ(s, &block);
        ++enters;
    };
    block.OnMouseLeave = [&](TObject*) { ++leaves; };
    block.OnClick = [&](TObject*) { ++clicks; };

    SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 25));
    SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(30, 25));
    SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(150, 80));
    static const TMsgEntry kHover[] = {
        {CM_MOUSEENTER, kSent},
        {WM_MOUSEMOVE, kSent | kLParam, 0, MAKELPARAM(10, 15)},  // in the child's own coordinates
        {WM_MOUSEMOVE, kSent | kLParam, 0, MAKELPARAM(20, 15)},
        {CM_MOUSELEAVE, kSent},
    };
    EXPECT_TRUE(rec.Matches(kHover, "hover"));
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(block.MouseInControl());

    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(21, 21));
    EXPECT_EQ(clicks, 1);
    // Pressed inside, released outside: the release still reaches the child (capture) but is no click.
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    rec.Clear();
    SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(150, 90));
    EXPECT_EQ(rec.Count(WM_LBUTTONUP), 1);
    EXPECT_EQ(clicks, 1);
}

TEST(FontTest, ChildrenFollowTheParentFontUntilTheyHaveTheirOwn) {
    auto form = PlainForm(200, 100);
    auto* child = new TSquareControl(form.get());
    child->SetParent(form.get());
    form->HandleNeeded();
    TMessageRecorder rec;
    TWindowProcRecorder hook(*child, rec);

    form->Font().SetName(L"宋体");
    form->Font().SetHeight(-20);
    EXPECT_TRUE(child->ParentFont());
    EXPECT_EQ(child->Font().Height(), -20);
    EXPECT_EQ(child->Font().Name(), L"宋体");
    // The window was told of its new font (the last WM_SETFONT carries the current handle).
    WPARAM lastFont = 0;
    for (const auto& e : rec.Entries())
        if (e.Message == WM_SETFONT) lastFont = e.WParam;
    ASSERT_NE(lastFont, 0u);
    EXPECT_EQ(lastFont, reinterpret_cast<WPARAM>(child->Font().Handle()));

    child->Font().SetHeight(-9);
    EXPECT_FALSE(child->ParentFont());
    form->Font().SetHeight(-30);
    EXPECT_EQ(child->Font().Height(), -9);
    child->SetParentFont(true);
    EXPECT_EQ(child->Font().Height(), -30);
}

TEST(ColorTest, ParentColorFollowsAndOwnColorStops) {
    auto form = PlainForm(100, 100, clNavy);
    TColorBlock block(form.get(), form.get(), RECT{0, 0, 10, 10}, clRed);
    EXPECT_EQ(block.Color(), clNavy);
    form->SetColor(clTeal);
    EXPECT_EQ(block.Color(), clTeal);
    block.SetColor(clYellow);
    EXPECT_FALSE(block.ParentColor());
    form->SetColor(clGreen);
    EXPECT_EQ(block.Color(), clYellow);
}

TEST(TabOrderTest, TabOrdersStayAPermutationAndNavigationSkipsWhatCannotTakeTheFocus) {
    auto form = PlainForm(200, 100);
    std::vector<TSquareControl*> c;
    for (int i = 0; i < 3; ++i) {
        c.push_back(new TSquareControl(form.get()));
        c.back()->SetParent(form.get());
        c.back()->SetTabOrder(i);
    }
    c[2]->SetTabOrder(0);
    EXPECT_EQ(c[2]->TabOrder(), 0);
    EXPECT_EQ(c[0]->TabOrder(), 1);
    EXPECT_EQ(c[1]->TabOrder(), 2);
    c[2]->SetTabOrder(99);  // clamped to the last place
    EXPECT_EQ(c[2]->TabOrder(), 2);
    EXPECT_EQ(c[0]->TabOrder(), 0);

    EXPECT_EQ(form->FindNextControl(nullptr, true, true, false), nullptr) << "nothing on a hidden form takes the focus";
    form->Show();
    EXPECT_EQ(form->FindNextControl(nullptr, true, true, false), c[0]);
    EXPECT_EQ(form->FindNextControl(c[0], true, true, false), c[1]);
    EXPECT_EQ(form->FindNextControl(c[2], true, true, false), c[0]) << "wraps around";
    EXPECT_EQ(form->FindNextControl(c[0], false, true, false), c[2]);

    c[1]->SetEnabled(false);
    EXPECT_EQ(form->FindNextControl(c[0], true, true, false), c[2]);
    c[2]->SetTabStop(false);
    EXPECT_EQ(form->FindNextControl(c[0], true, true, false), nullptr) << "no other control can take the focus";
    EXPECT_EQ(form->FindNextControl(c[0], true, false, false), c[2]);
}

TEST(ParentTest, ReparentingMovesTheWindowAndCyclesAreRejected) {
    auto form = PlainForm(200, 100);
    auto* outer = new TSquareControl(form.get());
    auto* inner = new TSquareControl(form.get());
    outer->SetParent(form.get());
    inner->SetParent(outer);
    form->HandleNeeded();
    EXPECT_EQ(GetParent(inner->Handle()), outer->Handle());
    EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
    EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
    inner->SetParent(form.get());
    EXPECT_EQ(GetParent(inner->Handle()), form->Handle());
    EXPECT_EQ(outer->ControlCount(), 0);
    // A control freed on its own leaves its parent's list.
    delete inner;
    EXPECT_EQ(form->ControlCount(), 1);
}

// Rows and columns of a captured area whose pixels pass a test (text ink; anti-aliased edges included).
struct TInk {
    int Top = -1, Bottom = -1, Left = -1, Right = -1;
};
template <class Pred>
TInk FindInkIf(const TClientCapture& cap, RECT area, Pred isInk) {
    TInk r;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (isInk(cap.Pixel(x, y))) {
                if (r.Top < 0) r.Top = y;
                r.Bottom = y;
                if (r.Left < 0 || x < r.Left) r.Left = x;
                r.Right = std::max(r.Right, x);
            }
    return r;
}
TInk FindInk(const TClientCapture& cap, RECT area, COLORREF ink) {
    return FindInkIf(cap, area, [ink](COLORREF c) { return c == ink; });
}
// Bluish pixels: navy text and its blended edges on white, but not grey.
bool Bluish(COLORREF c) { return GetBValue(c) > GetRValue(c) + 40; }

TEST(LabelTest, AutoSizeMeasuresTheCaptionAndKeepsTheRightEdgeOfRightAlignedText) {
    auto form = PlainForm(300, 200);
    TLabel label(form.get());
    label.SetParent(form.get());
    label.Font().SetHeight(-15);
    label.SetBounds(100, 10, 10, 10);
    label.SetCaption(L"提示：");
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, label.Font().Handle());
    SIZE size{};
    GetTextExtentPoint32W(dc, L"提示：", 3, &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(label.Width(), size.cx);
    EXPECT_EQ(label.Height(), size.cy);
    EXPECT_EQ(label.Left(), 100);

    label.SetAlignment(taRightJustify);
    const int right = label.Left() + label.Width();
    label.SetCaption(L"提示：更长的文字");
    EXPECT_GT(label.Width(), size.cx);
    EXPECT_EQ(label.Left() + label.Width(), right) << "right-aligned text grows to the left";

    label.SetAutoSize(false);
    label.SetCaption(L"x");
    EXPECT_GT(label.Width(), size.cx) << "without auto-size the bounds stay";
}

TEST(LabelTest, CentredLayoutWordWrapAndDisabledText) {
    auto form = PlainForm(340, 120, clWhite);
    TLabel label(form.get());
    label.SetParent(form.get());
    label.SetAutoSize(false);
    label.SetBounds(20, 10, 300, 75);
    label.SetColor(clWhite);
    label.Font().SetName(L"宋体");
    label.Font().SetHeight(-15);
    label.Font().SetColor(clNavy);
    label.SetAlignment(taCenter);
    label.SetLayout(tlCenter);
    label.SetWordWrap(true);
    label.SetCaption(L"确认退出系统？");
    form->HandleNeeded();
    const RECT area{20, 10, 320, 85};
    {
        TClientCapture cap(form->Handle());
        const TInk ink = FindInkIf(cap, area, Bluish);
        ASSERT_GE(ink.Top, 0) << "the caption was drawn";
        // Centred both ways within a pixel or two of rounding.
        EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 170.0, 3.0);
        EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, 47.5, 4.0);
    }
    // A long text wraps into several lines, still centred as a block. (Latin text: its width does not depend on
    // which CJK font the machine maps the face to.)
    label.SetCaption(L"This is a long caption that cannot fit on one line of the label and so must wrap");
    {
        TClientCapture cap(form->Handle());
        const TInk ink = FindInkIf(cap, area, Bluish);
        ASSERT_GE(ink.Top, 0);
        EXPECT_GT(ink.Bottom - ink.Top, 20) << "more than one line";
        EXPECT_LE(ink.Right, 320);
        EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, 47.5, 4.0);
    }
    label.SetEnabled(false);
    {
        TClientCapture cap(form->Handle());
        EXPECT_LT(FindInkIf(cap, area, Bluish).Top, 0) << "no navy ink when disabled";
        const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
        EXPECT_GE(FindInk(cap, area, grey).Top, 0) << "grey text (its solid strokes)";
    }
}

TEST(LabelTest, TransparentLabelLeavesTheParentBackground) {
    auto form = PlainForm(100, 50, clYellow);
    TLabel label(form.get());
    label.SetParent(form.get());
    label.SetAutoSize(false);
    label.SetBounds(0, 0, 100, 50);
    label.SetColor(clBlue);
    label.SetCaption(L"");
    form->HandleNeeded();
    {
        TClientCapture cap(form->Handle());
        EXPECT_EQ(cap.Pixel(50, 25), RGB(0, 0, 255));
    }
    label.SetTransparent(true);
    {
        TClientCapture cap(form->Handle());
        EXPECT_EQ(cap.Pixel(50, 25), RGB(255, 255, 0));
    }
}

}  // namespace
