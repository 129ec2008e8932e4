// Status bar, progress bar, track bar, group box and nested dialog skinners under Wine: pixels from the skin,
// the fill of (pos - min) / (max - min), the track bar's own custom drawing only, real thumb drags, panel texts as
// data, and every kind given back exactly over attach/detach cycles with flat GDI counts.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "skin/controls/SkinControlTestSupport.h"
#include "skin/controls/SkinPanels.h"

using namespace qd;
using namespace qd::test;

namespace {

bool IsGreen(std::uint32_t p) { return Green(p) > Red(p) + 50 && Green(p) > Blue(p) + 50; }
bool IsDark(std::uint32_t p) { return Red(p) < 100 && Green(p) < 100 && Blue(p) < 100; }
std::uint32_t Rgb(COLORREF c) { return qd::test::Rgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

using PanelSkinTest = BareChildFixture;

// Columns (or rows) of a capture that hold a matching pixel.
std::vector<int> Lines(const TCapture& shot, bool columns, bool (*match)(std::uint32_t)) {
    std::vector<int> lines;
    const int n = columns ? shot.Width : shot.Height;
    for (int i = 0; i < n; ++i) {
        const RECT r = columns ? RECT{i, 0, i + 1, shot.Height} : RECT{0, i, shot.Width, i + 1};
        if (shot.Count(r, match) > 0) lines.push_back(i);
    }
    return lines;
}

}  // namespace

TEST_F(PanelSkinTest, ProgressFillsPosMinusMinOverTheRangeAndPaintsEveryRow) {
    const struct {
        int Min, Max, Pos, Fill;
    } cases[] = {{0, 100, 0, 0}, {0, 100, 50, 100}, {0, 100, 100, 200}, {50, 150, 100, 100}, {-100, 100, 0, 100}};
    for (const auto& c : cases) {
        HWND bar = Child(PROGRESS_CLASSW, 0, RECT{10, 10, 210, 30});
        ::SendMessageW(bar, PBM_SETRANGE32, c.Min, c.Max);
        ::SendMessageW(bar, PBM_SETPOS, c.Pos, 0);
        ASSERT_NE(SkinAs(bar, TSkinnerKind::Progress), nullptr);
        const TCapture shot = CapturePaint(bar);
        const std::string what = std::to_string(c.Min) + ".." + std::to_string(c.Max) + " at " + std::to_string(c.Pos);
        EXPECT_EQ(shot.Count(RECT{0, 0, shot.Width, shot.Height}, IsKey), 0) << "unpainted, " << what;
        const std::vector<int> green = Lines(shot, true, IsGreen);
        if (c.Fill == 0) {
            EXPECT_TRUE(green.empty()) << what;
        } else {
            ASSERT_FALSE(green.empty()) << what;
            EXPECT_LT(green.back(), c.Fill) << what;
            EXPECT_GE(green.back(), c.Fill - 14) << what;
        }
        Skinner->FreeControls();
        ::DestroyWindow(bar);
    }
}

TEST_F(PanelSkinTest, AVerticalProgressBarFillsFromTheBottom) {
    HWND bar = Child(PROGRESS_CLASSW, PBS_VERTICAL, RECT{10, 10, 30, 210});
    ::SendMessageW(bar, PBM_SETPOS, 25, 0);
    ASSERT_NE(SkinAs(bar, TSkinnerKind::Progress), nullptr);
    const TCapture shot = CapturePaint(bar);
    EXPECT_EQ(shot.Count(RECT{0, 0, shot.Width, shot.Height}, IsKey), 0);
    const std::vector<int> green = Lines(shot, false, IsGreen);
    ASSERT_FALSE(green.empty());
    EXPECT_GE(green.front(), 150);
    EXPECT_GE(green.back(), 190);
}

TEST_F(PanelSkinTest, StatusPanelsTakeTheirBevelFromTheSkinAndTheirTextAsData) {
    HWND bar = Child(STATUSCLASSNAMEW, SBARS_SIZEGRIP, RECT{0, 0, 0, 0});
    const int edges[] = {120, 240, -1};
    ::SendMessageW(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    ::SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"&&&&&&&&"));
    ::SendMessageW(bar, SB_SETTEXTW, 1 | SBT_POPOUT | SBT_RTLREADING, reinterpret_cast<LPARAM>(L"\t\t右"));
    ::SendMessageW(bar, SB_SETTEXTW, 2 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L"状态"));
    ASSERT_NE(SkinAs(bar, TSkinnerKind::StatusBar), nullptr);
    const TCapture shot = CapturePaint(bar);
    EXPECT_EQ(shot.Count(RECT{0, 0, shot.Width, shot.Height}, IsKey), 0);
    RECT part[3]{};
    for (int i = 0; i < 3; ++i) ::SendMessageW(bar, SB_GETRECT, i, reinterpret_cast<LPARAM>(&part[i]));
    // Lowered, raised and flat frames of StatusBarEdges.
    EXPECT_EQ(shot.At(part[0].left, part[0].top), Rgb(172, 168, 153));
    EXPECT_EQ(shot.At(part[1].left, part[1].top), Rgb(255, 255, 255));
    EXPECT_EQ(shot.At(part[2].left, part[2].top), Rgb(236, 233, 216));

    // All eight ampersands drawn: no mnemonic prefixes in a panel.
    TMemoryDC dc(nullptr);
    TSelectGuard font(dc.Get(), ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE full{};
    ::GetTextExtentPoint32W(dc.Get(), L"&&&&&&&&", 8, &full);
    std::vector<int> ink;
    for (int x = part[0].left + 1; x < part[0].right - 1; ++x)
        if (shot.Count(RECT{x, part[0].top + 1, x + 1, part[0].bottom - 1}, IsDark) > 0) ink.push_back(x);
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.back() - ink.front() + 1, full.cx * 3 / 4);

    // Right-aligned text read right to left goes to the left.
    const int middle = (part[1].left + part[1].right) / 2;
    EXPECT_GT(shot.Count(RECT{part[1].left + 1, part[1].top + 1, middle, part[1].bottom - 1}, IsDark), 0);
    EXPECT_EQ(shot.Count(RECT{middle, part[1].top + 1, part[1].right - 1, part[1].bottom - 1}, IsDark), 0);

    // The size grip from ExtraImages frame 5 in the bottom-right corner.
    const int cell = OurSkin().ExtraImages->Bitmap.Width() / OurSkin().ExtraImages->FrameCount;
    const RECT grip{shot.Width - 1 - cell, shot.Height - 1 - OurSkin().ExtraImages->Bitmap.Height(), shot.Width - 1,
                    shot.Height - 1};
    EXPECT_GT(shot.Count(grip, [](std::uint32_t p) { return p != Rgb(236, 233, 216); }), 4);
}

TEST_F(PanelSkinTest, AStatusBarInSimpleModeWithoutTextStillPaintsItsPanel) {
    HWND bar = Child(STATUSCLASSNAMEW, 0, RECT{0, 0, 0, 0});
    ::SendMessageW(bar, SB_SIMPLE, TRUE, 0);
    ASSERT_NE(SkinAs(bar, TSkinnerKind::StatusBar), nullptr);
    const TCapture shot = CapturePaint(bar);
    EXPECT_EQ(shot.At(0, 0), Rgb(172, 168, 153));
    EXPECT_EQ(shot.At(shot.Width - 1, shot.Height - 1), Rgb(255, 255, 255));
}

TEST_F(PanelSkinTest, AFrameworkStatusBarGetsItsSizeGripBackWhenUnskinned) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* bar = new TStatusBar(&form);
    bar->SetParent(&form);
    ASSERT_TRUE(bar->SizeGrip());
    TSkinData settings(nullptr);
    settings.SetSkinControls(DefaultSkinControls | SkinControlBit(xcStatusBar));
    TFormDispatchContext context;
    context.SkinData = &settings;
    context.Sink = [&](const TDispatchItem& item) { CreateControlSkinner(*Skinner, item); };
    DispatchFormControls(form, context);
    ASSERT_EQ(::SendMessageW(bar->Handle(), WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_FALSE(bar->SizeGrip());
    Skinner->FreeControls();
    EXPECT_TRUE(bar->SizeGrip());
    EXPECT_NE(::GetWindowLongPtrW(bar->Handle(), GWL_STYLE) & SBARS_SIZEGRIP, 0);
}

TEST_F(PanelSkinTest, TheTrackBarTakesOnlyItsOwnCustomDraw) {
    HWND track = Child(TRACKBAR_CLASSW, 0, RECT{10, 10, 210, 40});
    HWND other = Child(L"STATIC", 0, RECT{10, 50, 60, 60});
    ASSERT_NE(SkinAs(track, TSkinnerKind::TrackBar), nullptr);
    const struct {
        HWND Target;
        HWND From;
        LRESULT Result;
        const char* What;
    } cases[] = {{Wnd, track, CDRF_NOTIFYITEMDRAW, "the track bar's own, at its parent"},
                 {Wnd, other, 0, "another control's, at the parent"},
                 {track, other, 0, "a child's, at the track bar"}};
    for (const auto& c : cases) {
        NMCUSTOMDRAW draw{};
        draw.hdr.hwndFrom = c.From;
        draw.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(c.From));
        draw.hdr.code = static_cast<UINT>(NM_CUSTOMDRAW);
        draw.dwDrawStage = CDDS_PREPAINT;
        EXPECT_EQ(::SendMessageW(c.Target, WM_NOTIFY, draw.hdr.idFrom, reinterpret_cast<LPARAM>(&draw)), c.Result)
            << c.What;
    }
}

TEST_F(PanelSkinTest, TheTrackBarThumbIsFrameTwoOfTheSkinsThumbOrAShadowRectangle) {
    static TSkinData* thumbSkin = [] {
        auto* d = new TSkinData(nullptr);
        d->SkinPackage = TMemoryStream(ReadFileBytes(QD_SKIN_PACKAGE_FILE));
        d->LoadSkinPackage();
        std::vector<std::uint32_t> strip(50 * 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 50; ++x) strip[y * 50 + x] = x / 10 == 1 ? 0x00C800 : 0xC80000;  // frame 2 green
        d->TrackbarThumbHorz = std::make_unique<TDataSkinObject>();
        d->TrackbarThumbHorz->Bitmap.AssignPixels(50, 20, strip.data());
        d->TrackbarThumbHorz->FrameCount = 5;
        return d;
    }();
    const COLORREF shadow = SkinColorToRGB(OurSkin().ButtonShadowColor);
    for (TSkinData* data : {thumbSkin, &OurSkin()}) {
        HWND track = Child(TRACKBAR_CLASSW, 0, RECT{10, 10, 210, 45});
        auto* skinner = new TSkinTrackBar(nullptr);
        skinner->AttachWindow(track, data, Skinner.get(), nullptr);
        ASSERT_TRUE(skinner->IsAttached());
        RECT thumb{};
        ::SendMessageW(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        const TCapture shot = CapturePaint(track);
        const int cx = (thumb.left + thumb.right) / 2, cy = (thumb.top + thumb.bottom) / 2;
        if (data == thumbSkin) {
            EXPECT_EQ(shot.At(cx, cy), qd::test::Rgb(0, 200, 0));
        } else {
            EXPECT_EQ(shot.At(thumb.left, cy), Rgb(shadow));
            EXPECT_EQ(shot.At(cx, thumb.bottom - 1), Rgb(shadow));
        }
        Skinner->FreeControls();
        ::DestroyWindow(track);
    }
}

TEST_F(PanelSkinTest, ATrackBarReskinRedrawsOnlyAndLeavesTheFocusAlone) {
    HWND edit = Child(L"EDIT", 0, RECT{10, 60, 110, 80});
    const struct {
        DWORD Style;
        const char* What;
    } cases[] = {{0, "visible"}, {WS_DISABLED, "disabled"}};
    for (const auto& c : cases) {
        HWND track = Child(TRACKBAR_CLASSW, c.Style, RECT{10, 10, 210, 40});
        TSkinControl* skinner = SkinAs(track, TSkinnerKind::TrackBar);
        ASSERT_NE(skinner, nullptr);
        ::SetFocus(edit);
        skinner->Reskin();
        ::ShowWindow(track, SW_HIDE);
        skinner->Reskin();
        EXPECT_EQ(::GetFocus(), edit) << c.What;
        Skinner->FreeControls();
        ::DestroyWindow(track);
    }
}

TEST_F(PanelSkinTest, ARealDragMovesTheSkinnedTrackBarsThumb) {
    HWND track = Child(TRACKBAR_CLASSW, 0, RECT{10, 10, 310, 45});
    ASSERT_NE(SkinAs(track, TSkinnerKind::TrackBar), nullptr);
    PumpPending();
    RECT thumb{};
    ::SendMessageW(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT from{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    ::ClientToScreen(track, &from);
    ::SetForegroundWindow(Wnd);
    ASSERT_TRUE(RunInput([&] {
        MoveTo(from);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        ::Sleep(40);
        for (int dx = 30; dx <= 150; dx += 30) MoveTo(POINT{from.x + dx, from.y});
        SendMouse(MOUSEEVENTF_LEFTUP);
        ::Sleep(40);
    }));
    EXPECT_TRUE(PumpUntil([&] { return ::SendMessageW(track, TBM_GETPOS, 0, 0) >= 40; }, 2000));
    ParkCursor();
}

TEST_F(PanelSkinTest, AGroupBoxHasARoundedShadowFrameAndItsChineseCaptionInTheSkinsColour) {
    HWND group = Child(L"BUTTON", BS_GROUPBOX, RECT{10, 10, 230, 150}, L"订单分组");
    TSkinControl* skinner = SkinAs(group, TSkinnerKind::GroupBox);
    ASSERT_NE(skinner, nullptr);
    const TCapture shot = CapturePaint(group);
    const std::uint32_t shadow = Rgb(SkinColorToRGB(OurSkin().ButtonShadowColor));
    EXPECT_EQ(shot.At(shot.Width / 2, shot.Height - 2), shadow);
    EXPECT_EQ(shot.At(1, shot.Height / 2), shadow);
    EXPECT_NE(shot.At(1, shot.Height - 2), shadow) << "rounded corner";
    const std::uint32_t caption = Rgb(SkinColorToRGB(OurSkin().GroupBox->NormalColour2));
    // As much ink as the caption drawn as wide text in the same font (a caption narrowed to ANSI is "????").
    TDibSection dib = CreateDib32(200, 30);
    TMemoryDC dc(nullptr);
    {
        TSelectGuard sel(dc.Get(), dib.Bitmap.Get());
        TSelectGuard font(dc.Get(), ::GetStockObject(DEFAULT_GUI_FONT));
        RECT all{0, 0, 200, 30};
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::DrawTextW(dc.Get(), L"订单分组", -1, &all, 0);
        ::GdiFlush();
    }
    const auto* bits = static_cast<const std::uint32_t*>(dib.Bits);
    const int reference =
        static_cast<int>(std::count_if(bits, bits + 200 * 30, [](std::uint32_t p) { return IsDark(p & 0xFFFFFF); }));
    const int ink = shot.Count(RECT{9, 0, shot.Width, 24}, [&](std::uint32_t p) { return p == caption; });
    EXPECT_GT(reference, 40);
    EXPECT_GE(ink, reference * 8 / 10);
    EXPECT_LE(ink, reference * 12 / 10);
    ::SetWindowTextW(group, L"新的分组");
    EXPECT_EQ(skinner->CaptionText(), L"新的分组");
}

TEST_F(PanelSkinTest, ANestedDialogErasesInTheFaceColour) {
    HWND dialog = Child(L"#32770", 0, RECT{10, 10, 110, 60});
    ASSERT_NE(SkinAs(dialog, TSkinnerKind::BoxH), nullptr);
    TDibSection dib = CreateDib32(100, 50);
    TMemoryDC dc(nullptr);
    {
        TSelectGuard sel(dc.Get(), dib.Bitmap.Get());
        EXPECT_NE(::SendMessageW(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0), 0);
        EXPECT_EQ(::GetPixel(dc.Get(), 50, 25), SkinColorToRGB(OurSkin().ButtonFaceColor));
    }
}

TEST_F(PanelSkinTest, EveryKindIsGivenBackExactlyOverAttachDetachCyclesWithFlatGdiCounts) {
    const struct {
        const wchar_t* Class;
        DWORD Style;
        TSkinnerKind Kind;
    } cases[] = {{WC_TABCONTROLW, 0, TSkinnerKind::Tab},
                 {PROGRESS_CLASSW, 0, TSkinnerKind::Progress},
                 {TRACKBAR_CLASSW, 0, TSkinnerKind::TrackBar},
                 {L"BUTTON", BS_GROUPBOX, TSkinnerKind::GroupBox},
                 {STATUSCLASSNAMEW, SBARS_SIZEGRIP, TSkinnerKind::StatusBar},
                 {L"#32770", 0, TSkinnerKind::BoxH}};
    for (const auto& c : cases) {
        HWND wnd = Child(c.Class, c.Style, RECT{10, 10, 210, 110}, L"分组");
        const LONG_PTR proc = ::GetWindowLongPtrW(wnd, GWLP_WNDPROC);
        const LONG_PTR parentProc = ::GetWindowLongPtrW(Wnd, GWLP_WNDPROC);
        const LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
        TGdiCounts baseline{};
        for (int cycle = 0; cycle < 50; ++cycle) {
            ASSERT_NE(SkinAs(wnd, c.Kind), nullptr) << SkinnerKindName(c.Kind);
            ASSERT_TRUE(::IsWindowUnicode(wnd));
            ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            Skinner->FreeControls();
            ASSERT_EQ(::GetWindowLongPtrW(wnd, GWLP_WNDPROC), proc) << SkinnerKindName(c.Kind);
            ASSERT_EQ(::GetWindowLongPtrW(Wnd, GWLP_WNDPROC), parentProc) << SkinnerKindName(c.Kind);
            ASSERT_EQ(::GetWindowLongPtrW(wnd, GWL_STYLE), style) << SkinnerKindName(c.Kind);
            ASSERT_EQ(::SendMessageW(wnd, WM_SKIN_QUERY, 0, 0), 0);
            if (cycle == 0) baseline = GdiLiveCounts();
        }
        EXPECT_EQ(GdiLiveCounts().Total(), baseline.Total()) << SkinnerKindName(c.Kind);
        ::DestroyWindow(wnd);
    }
}
