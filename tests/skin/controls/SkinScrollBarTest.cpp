// Scroll bar skinners under Wine: overlays laid over the real bars of bare list boxes, edits and scroll bar
// controls of a window skinned by a real form skinner. Pixels come from the overlay painted into memory; clicks
// and drags are real input (SendInput from a second thread while this thread runs the window's tracking loop).

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <optional>
#include <utility>
#include <set>
#include <string_view>
#include <vector>

#include "framework/Forms.h"
#include "framework/Gdi.h"
#include "skin/controls/ControlDispatch.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinScrollBars.h"
#include "skin/form/SkinFormTestSupport.h"
#include "support/Pump.h"

using namespace qd;
using namespace qd::test;

namespace {

constexpr COLORREF Sentinel = RGB(0, 255, 0);

struct TWindowFacts {
    LONG_PTR Proc;
    BOOL Unicode;
    LONG_PTR Style;
    LONG_PTR ExStyle;
    bool operator==(const TWindowFacts&) const = default;
};
TWindowFacts FactsOf(HWND wnd) {
    return {::GetWindowLongPtrW(wnd, GWLP_WNDPROC), ::IsWindowUnicode(wnd), ::GetWindowLongPtrW(wnd, GWL_STYLE),
            ::GetWindowLongPtrW(wnd, GWL_EXSTYLE)};
}

int ChildCount(HWND parent) {
    int n = 0;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) ++n;
    return n;
}

SCROLLBARINFO BarInfo(HWND wnd, LONG object) {
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof(sbi);
    ::GetScrollBarInfo(wnd, object, &sbi);
    return sbi;
}

// Whether two rectangles are the same (printable in a failure).
::testing::AssertionResult SameRect(const RECT& a, const RECT& b) {
    if (::EqualRect(&a, &b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a.left << "," << a.top << "," << a.right << "," << a.bottom << " vs "
                                         << b.left << "," << b.top << "," << b.right << "," << b.bottom;
}

RECT ScreenRectOf(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return r;
}

// Pixel (x, y) of frame `frame` of `frames` equal frames of a skin strip.
COLORREF StripPixel(const TDataSkinObject& object, int frames, int frame, int x, int y) {
    const int w = object.Bitmap.Width() / frames;
    const std::uint32_t p = const_cast<TBitmap&>(object.Bitmap).ScanLine(y)[(frame - 1) * w + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// The overlay as it paints, in a bitmap first filled with the sentinel colour.
class TPainted {
public:
    explicit TPainted(TWScrollbar& bar) {
        RECT r{};
        ::GetClientRect(bar.Window(), &r);
        W = r.right;
        H = r.bottom;
        Bitmap = CreateCompatibleBitmapOf(nullptr, W, H);
        Select.emplace(DC.Get(), Bitmap.Get());
        TBrushHandle fill(::CreateSolidBrush(Sentinel));
        ::FillRect(DC, &r, fill.Get());
        ::SendMessageW(bar.Window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC.Get()), PRF_CLIENT);
    }
    COLORREF At(int x, int y) const { return ::GetPixel(DC, x, y); }
    bool Contains(COLORREF colour) const {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (At(x, y) == colour) return true;
        return false;
    }
    int W = 0, H = 0;

private:
    TMemoryDC DC{nullptr};
    TBitmapHandle Bitmap;
    std::optional<TSelectGuard> Select;
};

// --- real input -------------------------------------------------------------------------------------------------

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof(INPUT));
}

bool CursorAt(POINT p) {
    POINT c{};
    ::GetCursorPos(&c);
    return c.x == p.x && c.y == p.y;
}

// Platform quirk: under Wine in Xvfb an injected move can come back late as a motion event and put the cursor back
// where it was; the move is sent again until the position holds.
void MoveTo(POINT p) {
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    for (int attempt = 0; attempt < 10; ++attempt) {
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<LONG>((p.x * 65536LL + w / 2) / w),
                  static_cast<LONG>((p.y * 65536LL + h / 2) / h));
        ::Sleep(15);
        if (!CursorAt(p)) ::SetCursorPos(p.x, p.y);
        ::Sleep(25);
        if (CursorAt(p)) return;
    }
}

// A script of input on its own thread; the caller pumps (the tracking loop runs on the caller's thread).
class TInputScript {
public:
    explicit TInputScript(std::function<void()> script) : FScript(std::move(script)) {
        FThread = ::CreateThread(nullptr, 0, &TInputScript::Run, this, 0, nullptr);
    }
    ~TInputScript() {
        ::WaitForSingleObject(FThread, 10000);
        ::CloseHandle(FThread);
    }
    bool Pump() {
        return PumpUntil([&] { return FDone.load(); }, 10000);
    }

private:
    static DWORD WINAPI Run(void* self) {
        auto* me = static_cast<TInputScript*>(self);
        me->FScript();
        me->FDone = true;
        return 0;
    }
    std::function<void()> FScript;
    std::atomic<bool> FDone{false};
    HANDLE FThread = nullptr;
};

// A scroll bar skinner that tells whether its bar was still tracking a click when it was freed.
struct TWatched : TSkinScrollbar {
    using TSkinScrollbar::TSkinScrollbar;
    bool* SawTracking = nullptr;
    bool* Freed = nullptr;
    ~TWatched() override {
        *SawTracking = VertBar() && VertBar()->Tracking();
        *Freed = true;
    }
};

// --- fixture ----------------------------------------------------------------------------------------------------

class ScrollBarFixture : public SkinFormFixture {
protected:
    void SetUp() override {
        SkinFormFixture::SetUp();
        Baseline = GdiLiveCounts();
        MakeWindow(WS_OVERLAPPEDWINDOW, L"滚动条", 460, 340);
        Skin();
    }
    HWND Child(const wchar_t* cls, DWORD style, RECT at, DWORD exStyle = 0) {
        return ::CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_VISIBLE | style, at.left, at.top, at.right - at.left,
                                 at.bottom - at.top, Wnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    // A list box with both bars: many long lines.
    HWND ListBox(DWORD exStyle = WS_EX_CLIENTEDGE, DWORD border = 0) {
        HWND list =
            Child(L"LISTBOX", WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | border, {20, 20, 200, 160}, exStyle);
        for (int i = 0; i < 60; ++i) ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"订单 行"));
        ::SendMessageW(list, LB_SETHORIZONTALEXTENT, 600, 0);
        ::UpdateWindow(list);
        return list;
    }
    template <class T = TSkinControl>
    T* SkinAs(HWND wnd, TSkinnerKind kind) {
        TDispatchItem item;
        item.Window = wnd;
        item.Decision.Kind = kind;
        return dynamic_cast<T*>(CreateControlSkinner(*Skinner, item));
    }
    TGdiCounts Baseline{};  // before the window and its skin
    TWatched* Watched(HWND wnd, bool& sawTracking, bool& freed) {
        auto* s = new TWatched(nullptr);
        s->SawTracking = &sawTracking;
        s->Freed = &freed;
        Skinner->RegisterControl(s);
        s->AttachWindow(wnd, &OurSkin(), Skinner.get(), nullptr);
        return s->IsAttached() ? s : nullptr;
    }
    TSkinScrollbar* SkinBars(HWND wnd) {
        auto* s = SkinAs<TSkinScrollbar>(wnd, TSkinnerKind::Scrollbar);
        PumpPending();
        return s;
    }
};

LRESULT CALLBACK RecordMessages(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    reinterpret_cast<std::vector<UINT>*>(data)->push_back(msg);
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

// The overlays among the children of `parent` (only the shown ones when `visible`).
int Overlays(HWND parent, bool visible) {
    int n = 0;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        ::GetClassNameW(c, name, 64);
        if (std::wstring_view(name) == L"QdSkinScrollBarOverlay" && (!visible || ::IsWindowVisible(c))) ++n;
    }
    return n;
}

// Pumps until the overlay shows the bar's reported thumb (it repaints itself after any change).
bool ShowsReportedThumb(TWScrollbar& bar, LONG object) {
    return PumpUntil(
        [&] {
            ::UpdateWindow(bar.Window());
            const SCROLLBARINFO sbi = BarInfo(bar.TargetWindow(), object);
            return bar.ThumbStart() == sbi.xyThumbTop && bar.ThumbEnd() == sbi.xyThumbBottom;
        },
        3000);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Geometry

TEST(ScrollBarGeometry, HitTestDragClampArrowsAndFrames) {
    struct {
        int Along, Part;
    } const hits[] = {{0, bpLineUp},    {16, bpLineUp},    {17, bpPageUp},    {40, bpThumb},    {59, bpThumb},
                      {60, bpPageDown}, {182, bpPageDown}, {183, bpLineDown}, {199, bpLineDown}};
    for (const auto& h : hits) EXPECT_EQ(BarHitTest(h.Along, 200, 17, 40, 60), h.Part) << h.Along;
    // The dragged thumb never goes past either arrow.
    EXPECT_EQ(DraggedThumbStart(40, 25, 20, 200, 17), 65);
    EXPECT_EQ(DraggedThumbStart(40, -100, 20, 200, 17), 17);
    EXPECT_EQ(DraggedThumbStart(40, 500, 20, 200, 17), 163);
    EXPECT_EQ(ArrowLength(200, 17), 17);
    EXPECT_EQ(ArrowLength(30, 17), 15) << "a bar shorter than two arrows splits itself";
    struct {
        bool Vertical, Tracking;
        int Part, First, Second;
    } const frames[] = {{true, false, bpLineUp, 9, 13},  {true, true, bpLineUp, 10, 13},
                        {true, true, bpLineDown, 9, 14}, {false, true, bpLineUp, 2, 5},
                        {false, true, bpLineDown, 1, 6}, {false, false, bpLineDown, 1, 5}};
    for (const auto& f : frames) {
        const TArrowFrames got = ArrowFrames(f.Vertical, f.Tracking, f.Part);
        EXPECT_EQ(got.First, f.First) << f.Vertical << f.Tracking << f.Part;
        EXPECT_EQ(got.Second, f.Second) << f.Vertical << f.Tracking << f.Part;
    }
}

TEST(ScrollBarDispatch, OnlyRealSizeBoxesGetTheSizeBoxSkinner) {
    EXPECT_EQ(DecidePlainWindow("ScrollBar", SBS_VERT), TSkinnerKind::Scrollbar);
    EXPECT_EQ(DecidePlainWindow("scrollbar", SBS_HORZ), TSkinnerKind::Scrollbar);
    EXPECT_EQ(DecidePlainWindow("ScrollBar", SBS_SIZEBOX), TSkinnerKind::Sizer);
    EXPECT_EQ(DecidePlainWindow("ScrollBar", SBS_SIZEGRIP), TSkinnerKind::Sizer);
}

// ---------------------------------------------------------------------------------------------------------------
// Placement and following

TEST_F(ScrollBarFixture, EachBarGetsAnOverlayExactlyOverItJustAboveTheTarget) {
    HWND list = ListBox();
    TSkinScrollbar* s = SkinBars(list);
    ASSERT_NE(s, nullptr);
    const struct {
        TWScrollbar* Bar;
        LONG Object;
    } bars[] = {{s->HorzBar(), OBJID_HSCROLL}, {s->VertBar(), OBJID_VSCROLL}};
    for (const auto& b : bars) {
        ASSERT_TRUE(b.Bar && b.Bar->Visible());
        EXPECT_EQ(::GetParent(b.Bar->Window()), Wnd);
        const RECT shown = ScreenRectOf(b.Bar->Window());
        EXPECT_TRUE(SameRect(shown, BarInfo(list, b.Object).rcScrollBar)) << b.Object;
    }
    // Both overlays sit above the list box and below nothing else of the window.
    for (HWND w = ::GetWindow(list, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV))
        EXPECT_TRUE(w == s->HorzBar()->Window() || w == s->VertBar()->Window());
    // On the screen the skinned bar shows, not the real one under it.
    ::SetForegroundWindow(Wnd);
    Pump(300);
    const RECT v = ScreenRectOf(s->VertBar()->Window());
    TPainted painted(*s->VertBar());
    TWindowDC screen(nullptr);
    int differing = 0;
    for (int y = 0; y < painted.H; ++y)
        for (int x = 0; x < painted.W; ++x)
            if (::GetPixel(screen, v.left + x, v.top + y) != painted.At(x, y)) ++differing;
    EXPECT_EQ(differing, 0);
    const RECT wr = ScreenRectOf(Wnd);
    TBitmap shot;
    shot.SetSize(wr.right - wr.left, wr.bottom - wr.top);
    ::BitBlt(shot.Canvas().Handle(), 0, 0, wr.right - wr.left, wr.bottom - wr.top, screen, wr.left, wr.top, SRCCOPY);
    shot.Dormant();
    const std::vector<std::uint8_t> bytes = shot.SaveToBmpBytes();
    if (FILE* f = ::_wfopen(QD_SCREENSHOT_DIR L"/skinned-scrollbars.bmp", L"wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

TEST_F(ScrollBarFixture, OverlaysFollowAMoveAndHideWithTheTarget) {
    HWND list = ListBox();
    TSkinScrollbar* s = SkinBars(list);
    ASSERT_NE(s, nullptr);
    ::SetWindowPos(list, nullptr, 90, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpPending();
    RECT shown = ScreenRectOf(s->VertBar()->Window());
    EXPECT_TRUE(SameRect(shown, BarInfo(list, OBJID_VSCROLL).rcScrollBar)) << "moved without resizing";
    ::ShowWindow(list, SW_HIDE);
    PumpPending();
    EXPECT_FALSE(::IsWindowVisible(s->HorzBar()->Window()));
    EXPECT_FALSE(::IsWindowVisible(s->VertBar()->Window()));
    ::ShowWindow(list, SW_SHOW);
    PumpPending();
    EXPECT_TRUE(::IsWindowVisible(s->HorzBar()->Window()));
    EXPECT_TRUE(::IsWindowVisible(s->VertBar()->Window()));
}

TEST_F(ScrollBarFixture, TheThumbFollowsScrollInfoSetFromOutside) {
    HWND list = ListBox();
    TSkinScrollbar* s = SkinBars(list);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(ShowsReportedThumb(*s->VertBar(), OBJID_VSCROLL));
    const int before = s->VertBar()->ThumbStart();
    // SetScrollInfo sends the window nothing: only the overlay's own look at the bar can see it.
    SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, 40, 0};
    ::SetScrollInfo(list, SB_VERT, &si, TRUE);
    EXPECT_TRUE(ShowsReportedThumb(*s->VertBar(), OBJID_VSCROLL));
    EXPECT_NE(s->VertBar()->ThumbStart(), before);
}

TEST_F(ScrollBarFixture, OnlyTheWindowsOwnScrollRequestsMoveItsOverlay) {
    HWND list = ListBox();
    TSkinScrollbar* s = SkinBars(list);
    ASSERT_NE(s, nullptr);
    HWND control = Child(L"SCROLLBAR", SBS_VERT, {300, 20, 317, 200});
    ::SendMessageW(list, WM_VSCROLL, SB_THUMBTRACK, reinterpret_cast<LPARAM>(control));
    EXPECT_EQ(s->VertBar()->HitPart(), bpEnd) << "a scroll bar control's notification passing through";
    ::SendMessageW(list, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(s->VertBar()->HitPart(), bpLineDown);
}

TEST_F(ScrollBarFixture, TheThumbFollowsTheMouseOnlyWhileTracking) {
    HWND list = ListBox();
    TSkinScrollbar* s = SkinBars(list);
    ASSERT_NE(s, nullptr);
    // A thumb-track request with no click on the overlay (sent by the program itself).
    ::SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10), 0);
    const RECT bar = ScreenRectOf(s->VertBar()->Window());
    ::SetCursorPos(bar.left + 4, bar.bottom - 30);
    TPainted painted(*s->VertBar());
    EXPECT_EQ(s->VertBar()->ThumbStart(), BarInfo(list, OBJID_VSCROLL).xyThumbTop);
}

// ---------------------------------------------------------------------------------------------------------------
// Pixels

TEST_F(ScrollBarFixture, TheBarIsPaintedFromTheSkinAndADisabledBarShowsNoThumb) {
    const TSkinData& skin = OurSkin();
    const struct {
        const char* Name;
        std::function<void(HWND)> Disable;
        int TrackFrame;
        bool Thumb;
    } cases[] = {
        {"enabled", [](HWND) {}, 1, true},
        {"window disabled", [](HWND w) { ::EnableWindow(w, FALSE); }, 3, false},
        {"arrows disabled", [](HWND w) { ::EnableScrollBar(w, SB_VERT, ESB_DISABLE_BOTH); }, 3, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND list = ListBox();
        TSkinScrollbar* s = SkinBars(list);
        ASSERT_NE(s, nullptr);
        ::SendMessageW(list, LB_SETTOPINDEX, 20, 0);  // the thumb in the middle, track on both sides
        c.Disable(list);
        TWScrollbar& bar = *s->VertBar();
        TPainted p(bar);
        EXPECT_FALSE(p.Contains(SkinKeyColor));
        EXPECT_FALSE(p.Contains(Sentinel)) << "every pixel of the bar is painted";
        const int arrow = ArrowLength(bar.Length(), bar.ArrowSize());
        const int frameW = skin.Scrollbar->Bitmap.Width() / 23, frameH = skin.Scrollbar->Bitmap.Height();
        // A bar with both arrows off reports no thumb at all.
        const int trackY = bar.ThumbStart() > arrow ? (arrow + bar.ThumbStart()) / 2 : bar.Length() / 2;
        const int thumbY = (bar.ThumbStart() + bar.ThumbEnd()) / 2;
        for (int x = 0; x < p.W; ++x) {
            SCOPED_TRACE(x);
            const int sx = x * frameW / bar.ArrowSize();
            EXPECT_EQ(p.At(x, arrow / 2), StripPixel(*skin.Scrollbar, 23, 9, sx, (arrow / 2) * frameH / arrow));
            EXPECT_EQ(p.At(x, p.H - 1 - arrow / 2),
                      StripPixel(*skin.Scrollbar, 23, 13, sx, (arrow - 1 - arrow / 2) * frameH / arrow));
            const COLORREF track = StripPixel(*skin.VertScroll, 4, c.TrackFrame, sx, 0);
            EXPECT_EQ(p.At(x, trackY), track);
            // The thumb's key-coloured corners show the track.
            const COLORREF thumb = StripPixel(*skin.VertScrollThumb, 3, 1, sx, 8);
            if (c.Thumb)
                EXPECT_EQ(p.At(x, thumbY), thumb != SkinKeyColor ? thumb : track);
            else
                for (int y = arrow; y < bar.Length() - arrow; ++y) ASSERT_EQ(p.At(x, y), track) << "no thumb, " << y;
        }
        Skinner->FreeControls();
        ::DestroyWindow(list);
    }
}

TEST_F(ScrollBarFixture, TheCornerBetweenTheBarsIsFilledInWindowCoordinates) {
    const struct { DWORD ExStyle, Style; } borders[] = {{0, WS_BORDER}, {WS_EX_CLIENTEDGE, 0}, {0, WS_THICKFRAME}};
    const COLORREF face = SkinColorToRGB(OurSkin().ButtonFaceColor);
    for (const auto& b : borders) {
        SCOPED_TRACE(b.Style | b.ExStyle);
        HWND list = ListBox(b.ExStyle, b.Style);
        ASSERT_NE(SkinBars(list), nullptr);
        const RECT wr = ScreenRectOf(list);
        const RECT v = BarInfo(list, OBJID_VSCROLL).rcScrollBar, h = BarInfo(list, OBJID_HSCROLL).rcScrollBar;
        const int w = wr.right - wr.left, ht = wr.bottom - wr.top;
        TMemoryDC dc(nullptr);
        TBitmapHandle bmp = CreateCompatibleBitmapOf(nullptr, w, ht);
        TSelectGuard sel(dc.Get(), bmp.Get());
        TBrushHandle fill(::CreateSolidBrush(Sentinel));
        const RECT all{0, 0, w, ht};
        ::FillRect(dc, &all, fill.Get());
        ::SendMessageW(list, WM_PAINT, reinterpret_cast<WPARAM>(dc.Get()), 0);
        for (int y = h.top; y < h.bottom; ++y)
            for (int x = v.left; x < v.right; ++x)
                ASSERT_EQ(::GetPixel(dc, x - wr.left, y - wr.top), face) << x - wr.left << "," << y - wr.top;
        EXPECT_EQ(::GetPixel(dc, w - 1, ht - 1), Sentinel) << "the border is the window's own";
        Skinner->FreeControls();
        ::DestroyWindow(list);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Clicks

TEST_F(ScrollBarFixture, ADisabledTargetTakesNoClicks) {
    const std::function<void(HWND)> disable[] = {[](HWND w) { ::EnableWindow(w, FALSE); },
                                                 [](HWND w) { ::EnableScrollBar(w, SB_VERT, ESB_DISABLE_BOTH); }};
    for (const auto& d : disable) {
        HWND list = ListBox();
        TSkinScrollbar* s = SkinBars(list);
        ASSERT_NE(s, nullptr);
        d(list);
        TWScrollbar& bar = *s->VertBar();
        std::vector<UINT> reached;
        ::SetWindowSubclass(list, RecordMessages, 1, reinterpret_cast<DWORD_PTR>(&reached));
        // The release is queued first, so a tracking loop, if one started, would end at once.
        ::PostMessageW(list, WM_LBUTTONUP, 0, 0);
        ::SendMessageW(bar.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, bar.Length() - 4));
        PumpPending();
        EXPECT_EQ(std::count(reached.begin(), reached.end(), WM_NCLBUTTONDOWN), 0) << "the click went on";
        EXPECT_EQ(::SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
        ::RemoveWindowSubclass(list, RecordMessages, 1);
        Skinner->FreeControls();
        ::DestroyWindow(list);
    }
}

TEST_F(ScrollBarFixture, ASkinFreedDuringTheTrackingLoopGoesOnlyAfterTheLoop) {
    HWND list = ListBox();
    bool sawTracking = true, freed = false;
    TWatched* s = Watched(list, sawTracking, freed);
    ASSERT_NE(s, nullptr);
    // Whoever gets the first scroll request of the loop removes the skin.
    struct TFreeOnScroll {
        TSkinForm* Form;
        static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
            if (m == WM_VSCROLL) reinterpret_cast<TFreeOnScroll*>(data)->Form->FreeControls();
            return ::DefSubclassProc(w, m, wp, lp);
        }
    } freeOnScroll{Skinner.get()};
    ::SetWindowSubclass(list, TFreeOnScroll::Proc, 1, reinterpret_cast<DWORD_PTR>(&freeOnScroll));
    HWND overlay = s->VertBar()->Window();
    const int length = s->VertBar()->Length();
    ::PostMessageW(list, WM_LBUTTONUP, 0, 0);
    ::SendMessageW(overlay, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, length - 4));
    EXPECT_TRUE(freed);
    EXPECT_FALSE(sawTracking) << "freed while its tracking loop was on the stack";
    EXPECT_FALSE(::IsWindow(overlay));
    ::RemoveWindowSubclass(list, TFreeOnScroll::Proc, 1);
}

namespace {

// The parent's side of a scroll bar control: it applies the control's requests, as any program does.
LRESULT CALLBACK ApplyScrollRequests(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_VSCROLL && lParam) {
        HWND control = reinterpret_cast<HWND>(lParam);
        int pos = ::GetScrollPos(control, SB_CTL);
        switch (LOWORD(wParam)) {
            case SB_LINEDOWN:
                ++pos;
                break;
            case SB_LINEUP:
                --pos;
                break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION:
                pos = HIWORD(wParam);
                break;
            default:
                break;
        }
        ::SetScrollPos(control, SB_CTL, pos, TRUE);
        return 0;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

// The furthest thumb start an overlay painted while its click was being tracked.
LRESULT CALLBACK WatchTrackedThumb(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    const LRESULT result = ::DefSubclassProc(wnd, msg, wParam, lParam);
    auto* watch = reinterpret_cast<std::pair<TWScrollbar*, int>*>(data);
    if (msg == WM_PAINT && watch->first->Tracking())
        watch->second = std::max(watch->second, watch->first->ThumbStart());
    return result;
}

}  // namespace

TEST_F(ScrollBarFixture, TheWindowDestroyedDuringATrackingLoopLeavesNoOverlayAndNoLeak) {
    HWND list = ListBox();
    bool sawTracking = true, freed = false;
    TWatched* s = Watched(list, sawTracking, freed);
    ASSERT_NE(s, nullptr);
    PumpPending();
    HWND overlays[] = {s->HorzBar()->Window(), s->VertBar()->Window()};
    struct TDestroyOnScroll {
        HWND Top;
        static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
            if (m != WM_VSCROLL) return ::DefSubclassProc(w, m, wp, lp);
            ::DestroyWindow(reinterpret_cast<TDestroyOnScroll*>(data)->Top);
            // The queued release went with the window: wake the loop, which then sees its window gone.
            ::PostMessageW(nullptr, WM_LBUTTONUP, 0, 0);
            return 0;
        }
    } destroyOnScroll{Wnd};
    ::SetWindowSubclass(list, TDestroyOnScroll::Proc, 1, reinterpret_cast<DWORD_PTR>(&destroyOnScroll));
    ::SendMessageW(overlays[1], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, s->VertBar()->Length() - 4));
    ASSERT_FALSE(::IsWindow(Wnd));
    for (HWND o : overlays) EXPECT_FALSE(::IsWindow(o));
    // The form skinner let its control skinners go with the window; this one went once its loop returned.
    EXPECT_TRUE(freed);
    EXPECT_FALSE(sawTracking);
    Skinner.reset();
    PumpPending();
    EXPECT_EQ(GdiLiveCounts().Total(), Baseline.Total());
}

TEST_F(ScrollBarFixture, RealClicksStepTheTargetAndDraggingTheThumbMovesIt) {
    ::SetForegroundWindow(Wnd);
    ::SetWindowSubclass(Wnd, ApplyScrollRequests, 1, 0);
    const struct {
        const char* Name;
        bool Control;
    } targets[] = {{"list box", false}, {"scroll bar control", true}};
    for (const auto& t : targets) {
        SCOPED_TRACE(t.Name);
        HWND target = t.Control ? Child(L"SCROLLBAR", SBS_VERT, {300, 20, 317, 260}) : ListBox();
        if (t.Control) {
            SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 0, 0};
            ::SetScrollInfo(target, SB_CTL, &si, TRUE);
        }
        TSkinControl* s = SkinAs(target, TSkinnerKind::Scrollbar);
        ASSERT_NE(s, nullptr);
        TWScrollbar* bar =
            t.Control ? static_cast<TSkinScControl*>(s)->Bar() : static_cast<TSkinScrollbar*>(s)->VertBar();
        ASSERT_TRUE(bar && bar->Visible());
        PumpPending();
        const int type = t.Control ? SB_CTL : SB_VERT;
        const RECT r = ScreenRectOf(bar->Window());
        const int x = (r.left + r.right) / 2;
        TInputScript arrow([&] {
            MoveTo(POINT{x, r.bottom - 4});
            SendMouse(MOUSEEVENTF_LEFTDOWN);
            ::Sleep(60);
            SendMouse(MOUSEEVENTF_LEFTUP);
            ::Sleep(60);
        });
        ASSERT_TRUE(arrow.Pump());
        PumpUntil([&] { return ::GetScrollPos(target, type) > 0; }, 2000);
        EXPECT_EQ(::GetScrollPos(target, type), 1) << "one press of the down arrow, one step";

        ::UpdateWindow(bar->Window());
        const int thumbStart = bar->ThumbStart();
        const int thumbAt = r.top + (bar->ThumbStart() + bar->ThumbEnd()) / 2;
        std::pair<TWScrollbar*, int> watch{bar, 0};
        ::SetWindowSubclass(bar->Window(), WatchTrackedThumb, 1, reinterpret_cast<DWORD_PTR>(&watch));
        TInputScript drag([&] {
            MoveTo(POINT{x, thumbAt});
            SendMouse(MOUSEEVENTF_LEFTDOWN);
            ::Sleep(60);
            for (int i = 1; i <= 6; ++i) MoveTo(POINT{x, thumbAt + i * 12});
            ::Sleep(100);
            SendMouse(MOUSEEVENTF_LEFTUP);
            ::Sleep(60);
        });
        ASSERT_TRUE(drag.Pump());
        PumpPending();
        EXPECT_GT(::GetScrollPos(target, type), 10) << "dragging the thumb down scrolls";
        EXPECT_GT(watch.second, thumbStart) << "the skinned thumb went with the mouse";
        EXPECT_FALSE(bar->Tracking());
        ::RemoveWindowSubclass(bar->Window(), WatchTrackedThumb, 1);
        Skinner->FreeControls();
        ::DestroyWindow(target);
    }
    ::RemoveWindowSubclass(Wnd, ApplyScrollRequests, 1);
}

// ---------------------------------------------------------------------------------------------------------------
// Giving back

TEST_F(ScrollBarFixture, UnskinGivesEveryKindBackExactlyAndCyclesLeaveNothingBehind) {
    const struct {
        const wchar_t* Class;
        DWORD Style;
        TSkinnerKind Kind;
    } cases[] = {{L"LISTBOX", WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT, TSkinnerKind::Scrollbar},
                 {L"EDIT", WS_VSCROLL | ES_MULTILINE, TSkinnerKind::Scrollbar},
                 {L"SCROLLBAR", SBS_HORZ, TSkinnerKind::Scrollbar},
                 {L"SCROLLBAR", SBS_SIZEBOX, TSkinnerKind::Sizer}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Style);
        HWND wnd = Child(c.Class, c.Style, {20, 20, 200, 160}, WS_EX_CLIENTEDGE);
        const TWindowFacts before = FactsOf(wnd);
        const int children = ChildCount(Wnd);
        TGdiCounts baseline{};
        for (int cycle = 0; cycle < 20; ++cycle) {
            ASSERT_NE(SkinAs(wnd, c.Kind), nullptr);
            ::SetWindowTextW(wnd, L"岚栎在线订单");
            wchar_t back[16] = {};
            ::GetWindowTextW(wnd, back, 16);
            ASSERT_STREQ(back, L"岚栎在线订单");
            ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
            PumpPending();
            Skinner->FreeControls();
            ASSERT_EQ(FactsOf(wnd), before) << "cycle " << cycle;
            ASSERT_EQ(ChildCount(Wnd), children) << "no overlay window left, cycle " << cycle;
            if (cycle == 0) baseline = GdiLiveCounts();
        }
        EXPECT_EQ(GdiLiveCounts().Total(), baseline.Total());
        ::DestroyWindow(wnd);
    }
}

TEST_F(ScrollBarFixture, ATopLevelTargetGetsAnOverlayItOwns) {
    HWND popup = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"LISTBOX", L"", WS_POPUP | WS_VISIBLE | WS_BORDER | WS_VSCROLL,
                                   500, 100, 160, 140, Wnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 40; ++i) ::SendMessageW(popup, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"项"));
    TSkinScrollbar* s = SkinBars(popup);
    ASSERT_NE(s, nullptr);
    HWND overlay = s->VertBar()->Window();
    EXPECT_EQ(::GetAncestor(overlay, GA_PARENT), ::GetDesktopWindow());
    EXPECT_EQ(::GetWindow(overlay, GW_OWNER), popup);
    const RECT shown = ScreenRectOf(overlay);
    EXPECT_TRUE(SameRect(shown, BarInfo(popup, OBJID_VSCROLL).rcScrollBar));
    Skinner->FreeControls();
    ::DestroyWindow(popup);
}

TEST_F(ScrollBarFixture, ASimpleComboBoxsListGetsSkinnedBarsThatGoWithTheCombosSkinner) {
    HWND combo = Child(L"COMBOBOX", CBS_SIMPLE | WS_VSCROLL, {20, 20, 180, 150});
    for (int i = 0; i < 30; ++i) ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"甲乙"));
    const int children = ChildCount(combo);
    auto* skinner = SkinAs<TSkinComBox>(combo, TSkinnerKind::ComBox);
    ASSERT_NE(skinner, nullptr);
    auto* bars = dynamic_cast<const TSkinScrollbarH*>(skinner->ListScrollSkinner());
    ASSERT_NE(bars, nullptr);
    PumpPending();
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(::GetComboBoxInfo(combo, &info));
    ASSERT_TRUE(bars->VertBar()->Visible());
    EXPECT_TRUE(SameRect(ScreenRectOf(bars->VertBar()->Window()), BarInfo(info.hwndList, OBJID_VSCROLL).rcScrollBar));
    Skinner->FreeControls();
    EXPECT_EQ(ChildCount(combo), children) << "the list's overlays went with the combo's skinner";
    ::DestroyWindow(combo);
}

TEST_F(ScrollBarFixture, FrameworkControlsGetTheirBarsThroughTheDispatchAndHideWithTheControl) {
    TForm form(nullptr);
    form.SetBounds(60, 60, 420, 260);
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    list->SetBounds(10, 10, 150, 150);
    auto* memo = new TMemo(&form);
    memo->SetParent(&form);
    memo->SetScrollBars(ssBoth);
    memo->SetWordWrap(false);
    memo->SetBounds(170, 10, 150, 150);
    auto* bar = new TScrollBar(&form);
    bar->SetParent(&form);
    bar->SetKind(sbVertical);
    bar->SetBounds(330, 10, 17, 150);
    std::vector<std::string> lines(40, "订单 订单 订单 订单 订单 订单 订单 订单");
    list->SetItems(lines);
    memo->SetLines(lines);
    form.Show();
    PumpPending();
    const int children = ChildCount(form.Handle());
    auto skinner = CreateSkinForm(&form, form.Handle(), &Manager);
    ASSERT_TRUE(skinner->Attach(&OurSkin(), &form));
    TFormDispatchContext context;
    context.SkinData = &OurSkin();
    context.Sink = [&](const TDispatchItem& item) { CreateControlSkinner(*skinner, item); };
    DispatchFormControls(form, context);
    PumpPending();
    for (TWinControl* c :
         {static_cast<TWinControl*>(list), static_cast<TWinControl*>(memo), static_cast<TWinControl*>(bar)})
        EXPECT_EQ(c->Perform(WM_SKIN_QUERY), 1) << c->ClassName();
    // One overlay per bar the controls have: the list box's two, the memo's two, the scroll bar's one; shown
    // while their bars are.
    EXPECT_EQ(Overlays(form.Handle(), false), 5);
    const int shown = Overlays(form.Handle(), true);
    EXPECT_GE(shown, 3);
    memo->Hide();
    EXPECT_EQ(Overlays(form.Handle(), true), 2) << "the memo's overlays hide with it";
    memo->Show();
    PumpPending();
    EXPECT_EQ(Overlays(form.Handle(), true), shown);
    // The control going frees its skinner, and with it the overlays.
    delete memo;
    EXPECT_EQ(Overlays(form.Handle(), false), 3);
    skinner->Detach();
    EXPECT_EQ(Overlays(form.Handle(), false), 0);
    EXPECT_EQ(ChildCount(form.Handle()), children - 1);
    EXPECT_EQ(list->Perform(WM_SKIN_QUERY), 0);
}

TEST_F(ScrollBarFixture, AFrameworkScrollBarStepsAndTracksThroughItsSkinnedBar) {
    TForm form(nullptr);
    form.SetBounds(60, 60, 300, 260);
    auto* bar = new TScrollBar(&form);
    bar->SetParent(&form);
    bar->SetKind(sbVertical);
    bar->SetMax(100);
    bar->SetPageSize(10);
    bar->SetBounds(100, 10, 17, 200);
    int changes = 0;
    bar->OnChange = [&](TObject*) { ++changes; };
    form.Show();
    ::SetForegroundWindow(form.Handle());
    PumpPending();
    auto skinner = CreateSkinForm(&form, form.Handle(), &Manager);
    ASSERT_TRUE(skinner->Attach(&OurSkin(), &form));
    TDispatchItem item;
    item.Control = bar;
    item.Window = bar->Handle();
    item.Decision.Kind = TSkinnerKind::Scrollbar;
    auto* s = dynamic_cast<TSkinScControl*>(CreateControlSkinner(*skinner, item));
    ASSERT_TRUE(s && s->Bar() && s->Bar()->Visible());
    PumpPending();
    const RECT r = ScreenRectOf(s->Bar()->Window());
    TInputScript click([&] {
        MoveTo(POINT{(r.left + r.right) / 2, r.bottom - 4});
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        ::Sleep(60);
        SendMouse(MOUSEEVENTF_LEFTUP);
        ::Sleep(60);
    });
    ASSERT_TRUE(click.Pump());
    PumpUntil([&] { return bar->Position() > 0; }, 2000);
    EXPECT_EQ(bar->Position(), 1);
    EXPECT_EQ(changes, 1);
    skinner->Detach();
}
