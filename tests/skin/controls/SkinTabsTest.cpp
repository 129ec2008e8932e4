// Tab and header skinners under Wine: the tab band on each side from the skin's Tabs strip, the bands of flipped and
// turned images, prepared images that are copies of their own, a reskin that paints the new side at once, hover
// and tab switching by real input, and header items from the Headerbar image.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "skin/controls/SkinTabs.h"
#include "skin/controls/SkinControlTestSupport.h"

using namespace qd;
using namespace qd::test;

namespace {

bool IsOrange(std::uint32_t p) { return Red(p) >= 220 && Green(p) >= 120 && Green(p) <= 215 && Blue(p) <= 150; }
bool IsRed(std::uint32_t p) { return p == Rgb(255, 0, 0); }

class TabSkinTest : public BareChildFixture {
protected:
    HWND Tabs(DWORD style, std::initializer_list<const wchar_t*> texts, RECT r = {10, 10, 330, 250}) {
        HWND wnd = Child(WC_TABCONTROLW, style, r);
        int i = 0;
        for (const wchar_t* text : texts) {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<wchar_t*>(text);
            ::SendMessageW(wnd, TCM_INSERTITEMW, i++, reinterpret_cast<LPARAM>(&item));
        }
        return wnd;
    }
    static RECT ItemRect(HWND wnd, int i) {
        RECT r{};
        ::SendMessageW(wnd, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    // The strip of a tab along its outer edge.
    static RECT OuterEdge(RECT r, TTabSide side) {
        switch (side) {
            case TTabSide::Top:
                return {r.left, r.top, r.right, r.top + 3};
            case TTabSide::Bottom:
                return {r.left, r.bottom - 4, r.right, r.bottom};
            case TTabSide::Left:
                return {r.left, r.top, r.left + 4, r.bottom};
            case TTabSide::Right:
                return {r.right - 4, r.top, r.right, r.bottom};
        }
        return r;
    }
};

// A skin whose tab strip and page border have one colour per band, so a band drawn in the wrong place shows.
TSkinData& BandedSkin() {
    static TSkinData* data = [] {
        auto* d = new TSkinData(nullptr);
        d->SkinPackage = TMemoryStream(ReadFileBytes(QD_SKIN_PACKAGE_FILE));
        d->LoadSkinPackage();
        auto tabs = std::make_unique<TDataSkinBorder>();
        std::vector<std::uint32_t> strip(20 * 20), border(16 * 16);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                strip[y * 20 + x] = y < 3 ? 0xFF0000 : (y == 19 ? 0x0000FF : 0x00C000);  // top 3 red, bottom blue
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                border[y * 16 + x] = y < 5 ? 0xFF0000 : 0x0000FF;  // top band red, the rest blue
        tabs->Bitmap.AssignPixels(20, 20, strip.data());
        tabs->ExtraBitmap.AssignPixels(16, 16, border.data());
        tabs->FrameCount = 2;
        tabs->LeftWidth = tabs->RightWidth = 2;
        tabs->TopHeight = 3;
        tabs->BottomHeight = 1;
        d->Tabs = std::move(tabs);
        return d;
    }();
    return *data;
}

}  // namespace

TEST_F(TabSkinTest, TheSelectedTabShowsTheSkinsSelectedFrameAtItsOuterEdgeOnEverySide) {
    const struct {
        DWORD Style;
        TTabSide Side;
    } cases[] = {{0, TTabSide::Top},
                 {TCS_BOTTOM, TTabSide::Bottom},
                 {TCS_VERTICAL | TCS_MULTILINE, TTabSide::Left},
                 {TCS_VERTICAL | TCS_BOTTOM | TCS_MULTILINE, TTabSide::Right}};
    for (const auto& c : cases) {
        HWND wnd = Tabs(c.Style, {L"第一页", L"第二页", L"三"});
        ::SendMessageW(wnd, TCM_SETCURSEL, 1, 0);
        auto* skinner = dynamic_cast<TSkinTab*>(SkinAs(wnd, TSkinnerKind::Tab));
        ASSERT_NE(skinner, nullptr);
        EXPECT_EQ(skinner->Side(), c.Side);
        const TCapture shot = CapturePaint(wnd);
        EXPECT_EQ(shot.Count(RECT{0, 0, shot.Width, shot.Height}, IsKey), 0) << "unpainted, side " << int(c.Side);
        for (int i = 0; i < 3; ++i) {
            const RECT edge = OuterEdge(ItemRect(wnd, i), c.Side);
            const int orange = shot.Count(edge, IsOrange);
            if (i == 1)
                EXPECT_GT(orange, 20) << "selected tab, side " << int(c.Side);
            else
                EXPECT_EQ(orange, 0) << "tab " << i << ", side " << int(c.Side);
        }
        Skinner->FreeControls();
        ::DestroyWindow(wnd);
    }
}

TEST_F(TabSkinTest, FlippedAndTurnedImagesAreDrawnWithTheirBandsSwapped) {
    // Bottom tabs: the strip's three-row top band is at the outer (bottom) edge, three rows deep.
    HWND bottom = Tabs(TCS_BOTTOM | TCS_FIXEDWIDTH, {L"", L""});
    ::SendMessageW(bottom, TCM_SETITEMSIZE, 0, MAKELPARAM(80, 40));
    auto* skinner = new TSkinTab(nullptr);
    skinner->AttachWindow(bottom, &BandedSkin(), Skinner.get(), nullptr);
    ASSERT_TRUE(skinner->IsAttached());
    TCapture shot = CapturePaint(bottom);
    const RECT tab = ItemRect(bottom, 0);
    EXPECT_EQ(shot.Count(RECT{tab.left + 10, tab.top + 3, tab.left + 11, tab.bottom + 2}, IsRed), 3);

    // Left tabs: the border's five-row top band becomes the page's left edge, five columns wide.
    HWND left = Tabs(TCS_VERTICAL | TCS_MULTILINE, {L"一", L"二"}, RECT{10, 10, 330, 330});
    auto* turned = new TSkinTab(nullptr);
    turned->AttachWindow(left, &BandedSkin(), Skinner.get(), nullptr);
    ASSERT_TRUE(turned->IsAttached());
    shot = CapturePaint(left);
    const int y = shot.Height - 20;  // below the tabs: only the page frame is red on this row
    EXPECT_EQ(shot.Count(RECT{0, y, shot.Width, y + 1}, IsRed), 5);
}

TEST_F(TabSkinTest, PreparedImagesAreCopiesOfTheirOwnAndTheSkinIsLeftAlone) {
    const TDataSkinBorder& tabs = *OurSkin().Tabs;
    const std::vector<std::uint32_t> firstRow(tabs.Bitmap.ScanLine(0), tabs.Bitmap.ScanLine(0) + tabs.Bitmap.Width());
    const std::vector<std::uint32_t> lastRow(tabs.Bitmap.ScanLine(tabs.Bitmap.Height() - 1),
                                             tabs.Bitmap.ScanLine(tabs.Bitmap.Height() - 1) + tabs.Bitmap.Width());
    for (DWORD style : {DWORD{TCS_BOTTOM}, DWORD{TCS_VERTICAL | TCS_MULTILINE}}) {
        HWND wnd = Tabs(style, {L"页"});
        auto* skinner = dynamic_cast<TSkinTab*>(SkinAs(wnd, TSkinnerKind::Tab));
        ASSERT_NE(skinner, nullptr);
        ::UpdateWindow(wnd);
        EXPECT_EQ(skinner->TabImage().Width(), tabs.Bitmap.Width());
        EXPECT_EQ(skinner->BorderImage().Width(), tabs.ExtraBitmap.Width());
        EXPECT_EQ(skinner->BorderImage().Height(), tabs.ExtraBitmap.Height());
        if (style & TCS_BOTTOM) {
            const std::uint32_t* flipped = skinner->TabImage().ScanLine(0);
            EXPECT_TRUE(std::equal(lastRow.begin(), lastRow.end(), flipped,
                                   [](std::uint32_t a, std::uint32_t b) { return (a & 0xFFFFFF) == (b & 0xFFFFFF); }));
        }
        Skinner->FreeControls();
        ::DestroyWindow(wnd);
    }
    EXPECT_TRUE(std::equal(firstRow.begin(), firstRow.end(), tabs.Bitmap.ScanLine(0)));
}

TEST_F(TabSkinTest, AReskinAfterTheSideChangedPaintsTheNewSideAtOnce) {
    HWND wnd = Tabs(0, {L"一", L"二"});
    ::SendMessageW(wnd, TCM_SETCURSEL, 0, 0);
    auto* skinner = dynamic_cast<TSkinTab*>(SkinAs(wnd, TSkinnerKind::Tab));
    ASSERT_NE(skinner, nullptr);
    PumpPending();
    ::SetWindowLongPtrW(wnd, GWL_STYLE, ::GetWindowLongPtrW(wnd, GWL_STYLE) | TCS_BOTTOM);
    ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    skinner->Reskin();
    // Nothing invalidates the window after the reskin: the screen keeps what the reskin itself painted.
    Pump(300);
    const TCapture shot = CaptureScreen(wnd);
    EXPECT_EQ(skinner->Side(), TTabSide::Bottom);
    EXPECT_GT(shot.Count(OuterEdge(ItemRect(wnd, 0), TTabSide::Bottom), IsOrange), 20);
}

TEST_F(TabSkinTest, RealMouseInputMakesATabHotAndAClickSelectsIt) {
    HWND wnd = Tabs(0, {L"第一页", L"第二页", L"第三页"});
    auto* skinner = dynamic_cast<TSkinTab*>(SkinAs(wnd, TSkinnerKind::Tab));
    ASSERT_NE(skinner, nullptr);
    PumpPending();
    ::SetForegroundWindow(Wnd);
    const RECT r = ItemRect(wnd, 2);
    const POINT over = ScreenPoint(wnd, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_TRUE(RunInput([&] { MoveTo(over); }));
    EXPECT_TRUE(PumpUntil([&] { return skinner->HotTab() == 2; }, 2000));
    EXPECT_GT(CapturePaint(wnd).Count(OuterEdge(r, TTabSide::Top), IsOrange), 20) << "hot tab";
    ASSERT_TRUE(RunInput([] {
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        ::Sleep(40);
        SendMouse(MOUSEEVENTF_LEFTUP);
        ::Sleep(40);
    }));
    EXPECT_TRUE(PumpUntil([&] { return ::SendMessageW(wnd, TCM_GETCURSEL, 0, 0) == 2; }, 2000));
    ASSERT_TRUE(RunInput([&] { MoveTo(ScreenPoint(Wnd, 400, 300)); }));
    EXPECT_TRUE(PumpUntil([&] { return skinner->HotTab() == -1; }, 2000));
    ParkCursor();
}

TEST_F(TabSkinTest, HeaderItemsAndTheRestOfTheRowComeFromTheHeaderImage) {
    HWND header = Child(WC_HEADERW, HDS_BUTTONS, RECT{10, 10, 410, 34});
    for (const wchar_t* text : {L"名称", L"大小"}) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.cxy = 100;
        item.fmt = HDF_LEFT | HDF_STRING;
        item.pszText = const_cast<wchar_t*>(text);
        ::SendMessageW(header, HDM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&item));
    }
    auto* skinner = new TSkinHeader(nullptr);
    skinner->AttachWindow(header, &OurSkin(), Skinner.get(), nullptr);
    ASSERT_TRUE(skinner->IsAttached());
    const TCapture shot = CapturePaint(header);
    EXPECT_EQ(shot.Count(RECT{0, 0, shot.Width, shot.Height}, IsKey), 0);
    // Frame 1's face on every item and beyond them.
    for (int x : {20, 120, 250}) EXPECT_EQ(shot.At(x, 2), Rgb(235, 234, 219)) << x;
    TMemoryDC dc(nullptr);
    EXPECT_EQ(::SendMessageW(header, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0), 1);
}

TEST_F(TabSkinTest, FrameworkControlsAreSkinnedThroughTheDispatchAndGivenBackExactly) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 420, 320);
    auto* pages = new TPageControl(&form);
    pages->SetParent(&form);
    pages->SetBounds(10, 10, 300, 150);
    for (const wchar_t* caption : {L"订单", L"客户"}) {
        auto* sheet = new TTabSheet(&form);
        sheet->SetCaption(caption);
        sheet->SetParent(pages);
    }
    auto* progress = new TProgressBar(&form);
    progress->SetParent(&form);
    progress->SetBounds(10, 170, 200, 20);
    progress->SetPosition(50);
    auto* track = new TTrackBar(&form);
    track->SetParent(&form);
    track->SetBounds(10, 200, 200, 30);
    auto* group = new TGroupBox(&form);
    group->SetParent(&form);
    group->SetBounds(220, 170, 180, 100);
    group->SetCaption(L"分组");
    const std::vector<TWinControl*> controls{pages, progress, track, group};
    struct TLook {
        TColor Color;
        bool ParentColor;
        bool operator==(const TLook&) const = default;
    };
    std::vector<TLook> before;
    for (TWinControl* c : controls) before.push_back({c->Color(), c->ParentColor()});

    // Our skin, with the class-to-skinner list naming the page control and the group box.
    TSkinData settings(nullptr);
    settings.SkinPackage = TMemoryStream(ReadFileBytes(QD_SKIN_PACKAGE_FILE));
    settings.LoadSkinPackage();
    settings.Skin3rd.Add("TPageControl=tab");
    settings.Skin3rd.Add("TGroupBox=groupbox");
    TFormDispatchContext context;
    context.SkinData = &settings;
    context.Sink = [&](const TDispatchItem& item) { CreateControlSkinner(*Skinner, item); };
    DispatchFormControls(form, context);
    for (TWinControl* c : controls) EXPECT_EQ(::SendMessageW(c->Handle(), WM_SKIN_QUERY, 0, 0), 1) << c->ClassName();

    const TCapture shot = CapturePaint(pages->Handle());
    EXPECT_GT(shot.Count(OuterEdge(ItemRect(pages->Handle(), 0), TTabSide::Top), IsOrange), 20);
    EXPECT_EQ(shot.Count(OuterEdge(ItemRect(pages->Handle(), 1), TTabSide::Top), IsOrange), 0);

    Skinner->FreeControls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(::SendMessageW(controls[i]->Handle(), WM_SKIN_QUERY, 0, 0), 0) << controls[i]->ClassName();
        EXPECT_EQ((TLook{controls[i]->Color(), controls[i]->ParentColor()}), before[i]) << controls[i]->ClassName();
    }
}

TEST_F(TabSkinTest, TheTabRowsScrollButtonsAreSkinnedWithTheTabsAndGivenBackWithThem) {
    HWND wnd = Tabs(0, {L"第一页", L"第二页", L"第三页", L"第四页", L"第五页", L"第六页"}, RECT{10, 10, 170, 110});
    ::UpdateWindow(wnd);
    HWND scroller = ::FindWindowExW(wnd, nullptr, UPDOWN_CLASSW, nullptr);
    ASSERT_NE(scroller, nullptr);
    const LONG_PTR proc = ::GetWindowLongPtrW(scroller, GWLP_WNDPROC);
    auto* skinner = dynamic_cast<TSkinTab*>(SkinAs(wnd, TSkinnerKind::Tab));
    ASSERT_NE(skinner, nullptr);
    CapturePaint(wnd);
    ASSERT_NE(skinner->ScrollerSkinner(), nullptr);
    EXPECT_EQ(::SendMessageW(scroller, WM_SKIN_QUERY, 0, 0), 1);
    Skinner->FreeControls();
    EXPECT_EQ(::SendMessageW(scroller, WM_SKIN_QUERY, 0, 0), 0);
    EXPECT_EQ(::GetWindowLongPtrW(scroller, GWLP_WNDPROC), proc);
}
