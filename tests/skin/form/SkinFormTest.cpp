// Attach, detach, the subclass chain, destruction while attached, and the messages that reach the window's own
// procedure while a form skinner sits on it.

#include "SkinFormTestSupport.h"

#include <commctrl.h>

#include <cwchar>

#include "framework/Forms.h"

namespace qd::test {
namespace {

struct TWindowState {
    LONG_PTR Proc;
    LONG_PTR Style;
    LONG_PTR ExStyle;
    RECT Client;
    int RegionKind;
    RECT RegionBox;
    bool operator==(const TWindowState& o) const {
        return Proc == o.Proc && Style == o.Style && ExStyle == o.ExStyle && EqualRect(&Client, &o.Client) &&
               RegionKind == o.RegionKind && EqualRect(&RegionBox, &o.RegionBox);
    }
};

TWindowState StateOf(HWND wnd) {
    TWindowState s{};
    s.Proc = ::GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    s.Style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
    s.ExStyle = ::GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    ::GetClientRect(wnd, &s.Client);
    TRegionHandle rgn(::CreateRectRgn(0, 0, 0, 0));
    s.RegionKind = ::GetWindowRgn(wnd, rgn.Get());
    if (s.RegionKind != ERROR) ::GetRgnBox(rgn.Get(), &s.RegionBox);
    return s;
}

using SkinFormAttach = SkinFormFixture;

TEST_F(SkinFormAttach, SkinsTheFrameAndKeepsTheClientSize) {
    MakeWindow();
    const TWindowState before = StateOf(Wnd);
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    EXPECT_EQ(s.SkinState(), TSkinState::Running);
    EXPECT_EQ(Manager.DispatchCount, 1);
    EXPECT_EQ(::SendMessageW(Wnd, WM_SKIN_QUERY, 0, 0), 1);
    // The standard caption is gone; the client keeps its size inside the skin's borders.
    EXPECT_EQ(::GetWindowLongPtrW(Wnd, GWL_STYLE) & WS_CAPTION, 0);
    RECT client{}, window{};
    ::GetClientRect(Wnd, &client);
    ::GetWindowRect(Wnd, &window);
    EXPECT_EQ(client.right, before.Client.right);
    EXPECT_EQ(client.bottom, before.Client.bottom);
    ASSERT_GT(frame.Top, 0);
    ASSERT_GT(frame.Left, 0);
    EXPECT_EQ(window.right - window.left, client.right + frame.Left + frame.Right);
    EXPECT_EQ(window.bottom - window.top, client.bottom + frame.Top + frame.Bottom);
    POINT origin{0, 0};
    ::ClientToScreen(Wnd, &origin);
    EXPECT_EQ(origin.x - window.left, frame.Left);
    EXPECT_EQ(origin.y - window.top, frame.Top);
    // The sides cut their magenta pixels away: the window has a region of its own size.
    TRegionHandle rgn(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(Wnd, rgn.Get()), ERROR);
    EXPECT_TRUE(s.View().Region.Owned);
}

TEST_F(SkinFormAttach, AttachDetachThousandTimesRestoresExactlyWithFlatHandles) {
    MakeWindow();
    const TWindowState before = StateOf(Wnd);
    // One round first: one-time allocations (the skin's default icon) are made there.
    Skin();
    Unskin();
    ASSERT_TRUE(StateOf(Wnd) == before);
    const long gdiBefore = GdiLiveCounts().Total();
    for (int i = 0; i < 1000; ++i) {
        Skin();
        ASSERT_NE(::GetWindowLongPtrW(Wnd, GWL_STYLE), before.Style) << "round " << i;
        Unskin();
        const TWindowState after = StateOf(Wnd);
        ASSERT_TRUE(after == before) << "round " << i << ": client " << after.Client.right << "x" << after.Client.bottom
                                     << " region kind " << after.RegionKind;
    }
    EXPECT_EQ(GdiLiveCounts().Total(), gdiBefore);
}

TEST_F(SkinFormAttach, AWindowCentredOnTheScreenStaysCentredWhenSkinnedAndWhenUnskinned) {
    for (const DWORD style : {DWORD{WS_OVERLAPPEDWINDOW}, DWORD{WS_POPUP | WS_CAPTION | WS_SYSMENU}}) {
        MakeWindow(style, L"centred", 421, 317);
        const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
        ::SetWindowPos(Wnd, nullptr, (cx - 421) / 2, (cy - 317) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RECT before{}, skinned{}, after{};
        ::GetWindowRect(Wnd, &before);
        Skin();
        ::GetWindowRect(Wnd, &skinned);
        ASSERT_NE(skinned.bottom - skinned.top, before.bottom - before.top) << "the skin must change the frame";
        EXPECT_NEAR(skinned.left + skinned.right, before.left + before.right, 1) << "style " << std::hex << style;
        EXPECT_NEAR(skinned.top + skinned.bottom, before.top + before.bottom, 1) << "style " << std::hex << style;
        Unskin();
        ::GetWindowRect(Wnd, &after);
        EXPECT_TRUE(::EqualRect(&after, &before)) << "style " << std::hex << style;
        ::DestroyWindow(Wnd);
    }
}

// A skinner whose window hook the platform refuses.
class TRefusedSkinForm : public TSkinForm {
public:
    using TSkinForm::TSkinForm;

protected:
    bool HookWindow() override { return false; }
};

TEST_F(SkinFormAttach, ARefusedHookUndoesEverythingTheAttachDid) {
    MakeWindow();
    CLIENTCREATESTRUCT ccs{nullptr, 1000};
    HWND client = ::CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, Wnd, nullptr,
                                    ::GetModuleHandleW(nullptr), &ccs);
    ASSERT_NE(client, nullptr);
    const LONG_PTR clientProc = ::GetWindowLongPtrW(client, GWLP_WNDPROC);
    const TWindowState before = StateOf(Wnd);
    TRefusedSkinForm s(nullptr, Wnd, &Manager);
    EXPECT_FALSE(s.AttachWindow(&OurSkin()));
    EXPECT_TRUE(StateOf(Wnd) == before);
    EXPECT_EQ(::GetWindowLongPtrW(client, GWLP_WNDPROC), clientProc);
    EXPECT_EQ(Manager.Client, nullptr);
    EXPECT_EQ(s.View().HoverTimer, nullptr);
    EXPECT_EQ(s.View().SysPopup, nullptr);
    EXPECT_EQ(s.SkinState(), TSkinState::Dead);
}

TEST_F(SkinFormAttach, DetachBeforeTheStartKeepsTheSizeOfTheNeverFittedWindow) {
    MakeWindow();
    RECT before{}, after{};
    ::GetWindowRect(Wnd, &before);
    Skinner = std::make_unique<TSkinForm>(nullptr, Wnd, &Manager);
    ASSERT_TRUE(Skinner->AttachWindow(&OurSkin()));
    Unskin();
    ::GetWindowRect(Wnd, &after);
    EXPECT_TRUE(::EqualRect(&after, &before)) << after.right - after.left << "x" << after.bottom - after.top;
}

TEST_F(SkinFormAttach, GivesBackTheRegionTheWindowHadBeforeAttach) {
    MakeWindow();
    ::SetWindowRgn(Wnd, ::CreateEllipticRgn(0, 0, 300, 200), TRUE);
    const TWindowState before = StateOf(Wnd);
    ASSERT_NE(before.RegionKind, ERROR);
    Skin();
    Unskin();
    EXPECT_TRUE(StateOf(Wnd) == before);
}

TEST_F(SkinFormAttach, AttachingTwiceIsIgnored) {
    MakeWindow();
    TSkinForm& s = Skin();
    const LONG_PTR style = ::GetWindowLongPtrW(Wnd, GWL_STYLE);
    s.AttachWindow(&OurSkin());
    EXPECT_EQ(::GetWindowLongPtrW(Wnd, GWL_STYLE), style);
    Unskin();
    EXPECT_EQ(::SendMessageW(Wnd, WM_SKIN_QUERY, 0, 0), 0);
}

TEST_F(SkinFormAttach, OwnedWindowKeepsItsCaptionBitLosesItsBoxes) {
    HWND owner = ::CreateWindowExW(0, TestWindowClass(), L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                                   nullptr, nullptr, nullptr);
    MakeWindow(WS_OVERLAPPEDWINDOW, L"owned", 300, 200, owner);
    const LONG_PTR style = ::GetWindowLongPtrW(Wnd, GWL_STYLE);
    Skin();
    const LONG_PTR skinned = ::GetWindowLongPtrW(Wnd, GWL_STYLE);
    EXPECT_EQ(skinned & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(skinned & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    Unskin();
    EXPECT_EQ(::GetWindowLongPtrW(Wnd, GWL_STYLE), style);
    ::DestroyWindow(Wnd);
    Wnd = nullptr;
    ::DestroyWindow(owner);
}

TEST_F(SkinFormAttach, PopupWithoutCaptionIsNoFrameButStillHooked) {
    MakeWindow(WS_POPUP | WS_THICKFRAME, L"popup", 300, 200);
    const TWindowState before = StateOf(Wnd);
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    EXPECT_EQ(frame.Kind, TFrameKind::NoFrame);
    EXPECT_EQ(frame.Top, 0);
    EXPECT_EQ(::SendMessageW(Wnd, WM_SKIN_QUERY, 0, 0), 1);
    // The system frame stays: non-client painting goes to the window's own procedure.
    WindowRecorder().Clear();
    ::SendMessageW(Wnd, WM_NCPAINT, 1, 0);
    EXPECT_EQ(WindowRecorder().Count(WM_NCPAINT), 1);
    Unskin();
    EXPECT_TRUE(StateOf(Wnd) == before);
}

// ---------------------------------------------------------------------------------------------------------------

int gOtherSeen = 0;
LRESULT CALLBACK OtherSubclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_APP + 7) ++gOtherSeen;
    return ::DefSubclassProc(wnd, msg, wp, lp);
}

using SkinFormChain = SkinFormFixture;

TEST_F(SkinFormChain, DetachUnderAnotherSubclasserKeepsTheChainIntact) {
    MakeWindow();
    const LONG_PTR originalProc = ::GetWindowLongPtrW(Wnd, GWLP_WNDPROC);
    Skin();
    ASSERT_TRUE(::SetWindowSubclass(Wnd, OtherSubclass, 77, 0));
    gOtherSeen = 0;
    Unskin();
    WindowRecorder().Clear();
    ::SendMessageW(Wnd, WM_APP + 7, 0, 0);
    EXPECT_EQ(gOtherSeen, 1);                                // the later subclasser still runs
    EXPECT_EQ(WindowRecorder().Count(WM_APP + 7), 1);        // and the window's own procedure after it
    EXPECT_EQ(::SendMessageW(Wnd, WM_SKIN_QUERY, 0, 0), 0);  // we are out of the chain
    ASSERT_TRUE(::RemoveWindowSubclass(Wnd, OtherSubclass, 77));
    EXPECT_EQ(::GetWindowLongPtrW(Wnd, GWLP_WNDPROC), originalProc);
}

// A window procedure replaced the old way (SetWindowLongPtr) after the skinner hooked in.
WNDPROC gReplacedNext = nullptr;
int gReplacedSeen = 0;
LRESULT CALLBACK ReplacedProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP + 8) ++gReplacedSeen;
    return ::CallWindowProcW(gReplacedNext, wnd, msg, wp, lp);
}

TEST_F(SkinFormChain, DetachUnderAReplacedWindowProcedureStaysAsAPassThrough) {
    MakeWindow();
    const long gdiBefore = GdiLiveCounts().Total();
    Skin();
    gReplacedSeen = 0;
    gReplacedNext =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReplacedProc)));
    Unskin();
    Skinner.reset();
    // The later procedure is still the window's and still reaches the window's own procedure.
    EXPECT_EQ(::GetWindowLongPtrW(Wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ReplacedProc));
    WindowRecorder().Clear();
    ::SendMessageW(Wnd, WM_APP + 8, 0, 0);
    EXPECT_EQ(gReplacedSeen, 1);
    EXPECT_EQ(WindowRecorder().Count(WM_APP + 8), 1);
    EXPECT_EQ(::SendMessageW(Wnd, WM_SKIN_QUERY, 0, 0), 0);  // the skinner answers no more
    EXPECT_EQ(GdiLiveCounts().Total(), gdiBefore);
    // The pass-through leaves with the window.
    ::DestroyWindow(Wnd);
    Wnd = nullptr;
}

TEST_F(SkinFormChain, DestroyedWhileAttachedLetsGoAndLeaksNothing) {
    MakeWindow();
    const long gdiBefore = GdiLiveCounts().Total();
    TSkinForm& s = Skin();
    ::DestroyWindow(Wnd);
    EXPECT_EQ(s.SkinState(), TSkinState::Dead);
    EXPECT_FALSE(s.Attached());
    EXPECT_FALSE(s.InDispatch());
    Wnd = nullptr;
    Skinner.reset();  // the purge frees it; the window is never touched again
    EXPECT_EQ(GdiLiveCounts().Total(), gdiBefore);
    ASSERT_EQ(Manager.Forgotten.size(), 1u);
}

TEST_F(SkinFormChain, ReportsItselfOnTheStackWhileAMessagePasses) {
    MakeWindow();
    TSkinForm& s = Skin();
    static TSkinForm* watched = nullptr;
    static int seenInside = -1;
    watched = &s;
    seenInside = -1;
    ASSERT_TRUE(::SetWindowSubclass(
        Wnd,
        [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) -> LRESULT {
            if (m == WM_APP + 9) seenInside = watched->InDispatch() ? 1 : 0;
            return ::DefSubclassProc(w, m, wp, lp);
        },
        78, 0));
    // Installed after ours, so it runs first: the skinner is not yet on the stack. Take it off and re-add the
    // skinner on top to see it from below.
    ::SendMessageW(Wnd, WM_APP + 9, 0, 0);
    EXPECT_EQ(seenInside, 0);
    Unskin();
    TSkinForm& again = Skin();
    watched = &again;
    ::SendMessageW(Wnd, WM_APP + 9, 0, 0);
    EXPECT_EQ(seenInside, 1);
    EXPECT_FALSE(again.InDispatch());
}

// ---------------------------------------------------------------------------------------------------------------

using SkinFormMessages = SkinFormFixture;

TEST_F(SkinFormMessages, StartedResizesThroughAFrameChange) {
    MakeWindow();
    Skinner = std::make_unique<TSkinForm>(nullptr, Wnd, &Manager);
    WindowRecorder().Clear();
    Skinner->AttachWindow(&OurSkin());
    static const TMsgEntry kAttach[] = {
        {WM_STYLECHANGING, kSent | kWParam, static_cast<WPARAM>(GWL_STYLE)},
        {WM_STYLECHANGED, kSent | kWParam, static_cast<WPARAM>(GWL_STYLE)},
    };
    EXPECT_TRUE(WindowRecorder().Matches(kAttach, "attach"));
    ::SendMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
    // The erase inside a position change is optional: whether it comes at once or with the next paint is
    // the platform's choice.
    static const TMsgEntry kStarted[] = {
        // The frame fitted, the size kept (the window moves by half the change on each side).
        {WM_WINDOWPOSCHANGING, kSent},
        {WM_GETMINMAXINFO, kSent},
        {WM_NCCALCSIZE, kSent | kWParam, TRUE},
        {WM_ERASEBKGND, kSent | kOptional},
        {WM_WINDOWPOSCHANGED, kSent},
        {WM_MOVE, kSent},  // the client moved inside the new frame
        // The frame recalculated once the window's region is set.
        {WM_WINDOWPOSCHANGING, kSent},
        {WM_NCCALCSIZE, kSent | kWParam, TRUE},
        {WM_ERASEBKGND, kSent | kOptional},
        {WM_WINDOWPOSCHANGED, kSent},
    };
    EXPECT_EQ(WindowRecorder().Count(WM_SIZE), 0);  // ... and kept its size
    EXPECT_TRUE(WindowRecorder().Matches(kStarted, "started"));
    EXPECT_EQ(WindowRecorder().Count(WM_SKIN_STARTED), 0);  // consumed by the skinner
}

TEST_F(SkinFormMessages, NonClientPaintAndActivationStayWithTheSkinner) {
    MakeWindow();
    Skin();
    WindowRecorder().Clear();
    ::SendMessageW(Wnd, WM_NCPAINT, 1, 0);
    EXPECT_EQ(::SendMessageW(Wnd, WM_NCACTIVATE, FALSE, 0), 1);
    EXPECT_EQ(Skinner->View().Active, 0);
    EXPECT_EQ(::SendMessageW(Wnd, WM_NCACTIVATE, TRUE, 0), 1);
    EXPECT_EQ(Skinner->View().Active, 1);
    EXPECT_EQ(WindowRecorder().Count(WM_NCPAINT), 0);
    EXPECT_EQ(WindowRecorder().Count(WM_NCACTIVATE), 0);
    // Given back: the window paints its own frame again.
    Unskin();
    WindowRecorder().Clear();
    ::SendMessageW(Wnd, WM_NCPAINT, 1, 0);
    ::SendMessageW(Wnd, WM_NCACTIVATE, TRUE, 0);
    static const TMsgEntry kPlain[] = {{WM_NCPAINT, kSent}, {WM_NCACTIVATE, kSent | kWParam, TRUE}};
    EXPECT_TRUE(WindowRecorder().Matches(kPlain, "unskinned"));
}

TEST_F(SkinFormMessages, CalcSizeDeflatesTheProposedRectangleByTheFrame) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    NCCALCSIZE_PARAMS p{};
    WINDOWPOS pos{};  // SWP_NOMOVE|SWP_NOSIZE positions carry zeros: the rectangle is what counts
    p.lppos = &pos;
    p.rgrc[0] = RECT{100, 200, 500, 600};
    p.rgrc[1] = p.rgrc[0];
    p.rgrc[2] = p.rgrc[0];
    WindowRecorder().Clear();
    const LRESULT r = ::SendMessageW(Wnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
    EXPECT_EQ(r, WVR_VALIDRECTS);
    EXPECT_EQ(WindowRecorder().Count(WM_NCCALCSIZE), 1);  // the window's procedure ran first
    EXPECT_EQ(p.rgrc[0].left, 100 + frame.Left);
    EXPECT_EQ(p.rgrc[0].top, 200 + frame.Top);
    EXPECT_EQ(p.rgrc[0].right, 500 - frame.Right);
    EXPECT_EQ(p.rgrc[0].bottom, 600 - frame.Bottom);
    // Smaller than the frame: clamped to an empty rectangle, never inverted.
    p.rgrc[0] = RECT{10, 10, 12, 12};
    ::SendMessageW(Wnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
    EXPECT_GE(p.rgrc[0].right, p.rgrc[0].left);
    EXPECT_GE(p.rgrc[0].bottom, p.rgrc[0].top);
    // wParam FALSE: one rectangle, result 0.
    RECT one{0, 0, 300, 300};
    EXPECT_EQ(::SendMessageW(Wnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&one)), 0);
    EXPECT_EQ(one.top, frame.Top);
}

TEST_F(SkinFormMessages, HitTestingOverTheSkinnedTitle) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    const int midX = (wr.right - wr.left) / 2;
    auto hit = [&](int x, int y) {
        return ::SendMessageW(Wnd, WM_NCHITTEST, 0, PointParam(FrameToScreen(POINT{x, y})));
    };
    EXPECT_EQ(hit(midX, frame.Top / 2 + 2), HTCAPTION);
    EXPECT_EQ(hit(midX, frame.Top - 1), HTCAPTION);
    EXPECT_EQ(hit(midX, frame.Top + 10), HTCLIENT);
    // The top rows keep the window's own answer (the sizing border of a sizeable window).
    EXPECT_EQ(hit(midX, 1), HTTOP);
    // Below the caption, what the window answered stands (outside the window: nowhere, not the caption).
    EXPECT_EQ(hit(midX, wr.bottom - wr.top + 20), HTNOWHERE);
}

TEST_F(SkinFormMessages, SetTextPassesOnAndKeepsTheSkinnedFrame) {
    MakeWindow();
    Skin();
    WindowRecorder().Clear();
    ::SetWindowTextW(Wnd, L"岚栎在线订单管理系统");
    EXPECT_EQ(WindowRecorder().Count(WM_SETTEXT), 1);
    EXPECT_EQ(Skinner->CaptionText(), L" 岚栎在线订单管理系统  ");
}

// ---------------------------------------------------------------------------------------------------------------

class SkinFormOnForm : public SkinFormFixture {
protected:
    void SetUp() override {
        SkinFormFixture::SetUp();
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBounds(80, 60, 500, 360);
        Form->SetColor(0x00336699);
        Form->SetAutoScroll(true);
        Form->Show();
        PumpPending();
        Wnd = Form->Handle();
    }
    void TearDown() override {
        Skinner.reset();
        Form.reset();
        Wnd = nullptr;
        PumpPending();
    }
    void SkinForm() {
        Skinner = std::make_unique<TSkinForm>(Form.get(), Wnd, &Manager);
        Skinner->Attach(&OurSkin(), Form.get());
        ::SendMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
        PumpPending();
    }
    std::unique_ptr<TForm> Form;
};

TEST_F(SkinFormOnForm, AttachTakesTheSkinColourAndDetachGivesEverythingBack) {
    const auto originalProcType = &Form->WindowProc.target_type();
    const TWindowState before = StateOf(Wnd);
    SkinForm();
    EXPECT_EQ(Form->Color(), OurSkin().ButtonFaceColor);
    EXPECT_FALSE(Form->AutoScroll());
    EXPECT_NE(&Form->WindowProc.target_type(), originalProcType);
    Unskin();
    EXPECT_EQ(Form->Color(), 0x00336699u);
    EXPECT_EQ(&Form->WindowProc.target_type(), originalProcType);
    EXPECT_TRUE(StateOf(Wnd) == before);
}

TEST_F(SkinFormOnForm, AFormAttachedAsAPlainWindowKeepsItsOwnColourAtDetach) {
    Skinner = std::make_unique<TSkinForm>(Form.get(), Wnd, &Manager);
    ASSERT_TRUE(Skinner->AttachWindow(&OurSkin()));
    ::SendMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
    Unskin();
    EXPECT_EQ(Form->Color(), 0x00336699u);  // never taken, so nothing to give back
}

TEST_F(SkinFormOnForm, ReskinKeepsTheClientSizeAndRunsAgain) {
    SkinForm();
    RECT before{};
    ::GetClientRect(Wnd, &before);
    Form->Perform(WM_SKIN_RESKIN, 0, 0);
    EXPECT_EQ(Skinner->SkinState(), TSkinState::Running);
    RECT after{};
    ::GetClientRect(Wnd, &after);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
}

TEST_F(SkinFormOnForm, ReskinAfterTheUserResizedTheWindowKeepsTheNewClientSize) {
    SkinForm();
    RECT wr{}, resized{}, after{};
    ::GetWindowRect(Wnd, &wr);
    ::SetWindowPos(Wnd, nullptr, 0, 0, wr.right - wr.left + 60, wr.bottom - wr.top + 30, SWP_NOMOVE | SWP_NOZORDER);
    ::GetClientRect(Wnd, &resized);
    Form->Perform(WM_SKIN_RESKIN, 0, 0);
    ::GetClientRect(Wnd, &after);
    EXPECT_EQ(after.right, resized.right);
    EXPECT_EQ(after.bottom, resized.bottom);
}

TEST_F(SkinFormOnForm, ACaptionFontWithoutTheTitlesGlyphsGivesWayToTheFormsFont) {
    Form->Font().SetName(L"WenQuanYi Zen Hei");
    SkinForm();
    LOGFONTW latin{};
    latin.lfHeight = -12;
    std::wcscpy(latin.lfFaceName, L"DejaVu Sans");  // no CJK glyphs
    Skinner->SetCaptionFont(latin);
    auto face = [](HFONT font) {
        LOGFONTW lf{};
        ::GetObjectW(font, sizeof(lf), &lf);
        return std::wstring(lf.lfFaceName);
    };
    const struct {
        const wchar_t* Title;
        const wchar_t* Face;
    } cases[] = {{L" Orders  ", L"DejaVu Sans"}, {L" 岚栎在线订单管理系统  ", L"WenQuanYi Zen Hei"}};
    for (const auto& c : cases)
        EXPECT_EQ(face(Skinner->CaptionFontFor(c.Title)), c.Face) << std::wstring(c.Title).size();
}

TEST_F(SkinFormOnForm, WindowProcHookedAfterUsSurvivesDetach) {
    SkinForm();
    int seen = 0;
    const TWndMethod ours = Form->WindowProc;
    Form->WindowProc = [&seen, ours](TMessage& m) {
        if (m.Msg == WM_APP + 11) ++seen;
        ours(m);
    };
    Unskin();  // the skinner is freed here; its link stays in the chain as a pass-through
    WindowRecorder().Clear();
    EXPECT_NO_THROW(Form->Perform(WM_APP + 11, 0, 0));
    ::SendMessageW(Wnd, WM_APP + 11, 0, 0);
    EXPECT_EQ(seen, 2);
    // A reskin request through the stale link reaches no skinner.
    EXPECT_NO_THROW(Form->Perform(WM_SKIN_RESKIN, 0, 0));
    Form->WindowProc = ours;
}

// ---------------------------------------------------------------------------------------------------------------

LRESULT CALLBACK MdiChildProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return ::DefMDIChildProcW(w, m, wp, lp); }

using SkinFormMdi = SkinFormFixture;

TEST_F(SkinFormMdi, FrameHooksItsClientAndHandsNewChildrenToTheManager) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = MdiChildProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QdSkinFormMdiChild";
        return ::RegisterClassExW(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    MakeWindow();
    CLIENTCREATESTRUCT ccs{nullptr, 1000};
    HWND client = ::CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 300, 200,
                                    Wnd, nullptr, ::GetModuleHandleW(nullptr), &ccs);
    ASSERT_NE(client, nullptr);
    const LONG_PTR clientProc = ::GetWindowLongPtrW(client, GWLP_WNDPROC);
    TSkinForm& s = Skin();
    EXPECT_EQ(s.MDIRole(), TMDIRole::Frame);
    EXPECT_EQ(s.View().MDIClient, client);
    EXPECT_EQ(Manager.Client, client);

    MDICREATESTRUCTW mcs{};
    mcs.szClass = L"QdSkinFormMdiChild";
    mcs.szTitle = L"child";
    mcs.hOwner = ::GetModuleHandleW(nullptr);
    mcs.x = mcs.y = 0;
    mcs.cx = 200;
    mcs.cy = 120;
    HWND child = reinterpret_cast<HWND>(::SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(s.View().NewMDIChild, child);
    ::SendMessageW(client, WM_MDIREFRESHMENU, 0, 0);
    ASSERT_EQ(Manager.SkinWindowCalls.size(), 1u);
    EXPECT_EQ(Manager.SkinWindowCalls[0], child);
    EXPECT_EQ(s.View().NewMDIChild, nullptr);
    EXPECT_TRUE(TakePosted(Wnd, WM_SKIN_REPAINTFRAME));

    // Maximizing the child through the frame's child commands keeps the manager's flag in step.
    ::SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
    EXPECT_TRUE(s.ActiveChildMaximized());
    Manager.Maximized = true;
    s.SendToActiveChild(SC_RESTORE);
    EXPECT_FALSE(Manager.Maximized);

    Unskin();
    EXPECT_EQ(::GetWindowLongPtrW(client, GWLP_WNDPROC), clientProc);
}

}  // namespace
}  // namespace qd::test
