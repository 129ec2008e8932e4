// Framework controls under their skinners: windowless speed buttons painted on their parent, list views with
// their header, custom-glyph check boxes, the framework's containers in the default class-to-skinner list, and
// controls whose window is recreated while skinned.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Properties.h"
#include "framework/StdCtrls.h"
#include "skin/controls/SkinControlButtons.h"
#include "skin/controls/SkinControlTestSupport.h"
#include "skin/controls/SkinPanels.h"
#include "skin/controls/SkinScrollBars.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"

using namespace qd;
using namespace qd::test;

namespace {

// A check box that takes a strip of custom glyphs, published like the data-aware ones of other component sets.
class TWgDBCheckBox : public TCheckBox {
public:
    using TCheckBox::TCheckBox;
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info =
            TClassBuilder<TWgDBCheckBox>("TWgDBCheckBox", &TCheckBox::StaticClassInfo())
                .Object("CustomGlyphs", &TWgDBCheckBox::CustomGlyphs)
                .Color("TransparentColor", &TWgDBCheckBox::TransparentColor, &TWgDBCheckBox::SetTransparentColor)
                .Bool("UseCustomGlyphs", &TWgDBCheckBox::UseCustomGlyphs, &TWgDBCheckBox::SetUseCustomGlyphs);
        return info;
    }
    TBitmap& CustomGlyphs() { return FGlyphs; }
    TColor TransparentColor() const { return FTransparent; }
    void SetTransparentColor(TColor value) { FTransparent = value; }
    bool UseCustomGlyphs() const { return FUse; }
    void SetUseCustomGlyphs(bool value) {
        FUse = value;
        ++Switches;
    }
    int Switches = 0;

private:
    TBitmap FGlyphs;
    TColor FTransparent = clNone;
    bool FUse = false;
};

std::vector<std::uint32_t> Pixels(TBitmap& bitmap) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < bitmap.Height(); ++y)
        out.insert(out.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + bitmap.Width());
    return out;
}

// Pixel (x, y) of frame `frame` of the skin's push-button strip, as 0x00RRGGBB.
std::uint32_t StripAt(int frame, int x, int y) {
    const TDataSkinButton& b = *OurSkin().Buttons;
    const int w = b.Bitmap.Width() / std::max(b.FrameCount, 1);
    return const_cast<TBitmap&>(b.Bitmap).ScanLine(y)[(frame - 1) * w + x] & 0xFFFFFF;
}

// A form skinned by a real form skinner; its controls are skinned through the dispatch sink.
class FrameworkSkinFixture : public FrameworkFormFixture {
protected:
    void SetUp() override {
        MakeForm(460, 320);
        ShowAndSkin();
    }
    template <class T>
    T* Add(RECT r) {
        auto* c = new T(Form.get());
        c->SetParent(Form.get());
        c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        return c;
    }
    TSkinControl* Skin(TControl* control, TSkinnerKind kind, int objImageMode = 0) {
        TDispatchItem item;
        item.Control = control;
        if (auto* win = dynamic_cast<TWinControl*>(control)) item.Window = win->Handle();
        item.Decision.Kind = kind;
        item.Decision.ObjImageMode = objImageMode;
        return CreateControlSkinner(*FormSkinner, item);
    }
    // What the form paints for WM_PAINT with a DC (windowless controls included), client coordinates.
    TCapture PaintForm() { return CapturePaint(Form->Handle()); }
};

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Speed buttons

TEST(SkinSpeedButtonFrames, DownBeforeTheMouseAndDisabledAfterIt) {
    struct {
        bool Pressed, Hot, Down, Enabled;
        int Frame;
    } const cases[] = {
        {false, false, false, true, pfNormal},  {false, true, false, true, pfHot},
        {true, true, false, true, pfPressed},   {false, true, true, true, pfPressed},
        {true, true, false, false, pfDisabled}, {false, false, true, false, pfPressed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpeedButtonFrame(c.Pressed, c.Hot, c.Down, c.Enabled), c.Frame)
            << c.Pressed << c.Hot << c.Down << c.Enabled;
}

TEST_F(FrameworkSkinFixture, ASpeedButtonShowsEachStateFromTheStripClicksOnceAndGetsItsGlyphBack) {
    auto* speed = Add<TSpeedButton>({20, 20, 110, 46});
    speed->SetCaption(L"粗体");
    speed->Glyph().SetSize(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) speed->Glyph().ScanLine(y)[x] = y == 7 && x == 0 ? 0xFF00FF : 0x102030u * (x + 1);
    const std::vector<std::uint32_t> glyph = Pixels(speed->Glyph());
    int clicks = 0;
    speed->OnClick = [&](TObject*) { ++clicks; };
    const LRESULT ownErase = speed->Perform(WM_ERASEBKGND);
    auto* skinner = static_cast<TSkinSpeedButton*>(Skin(speed, TSkinnerKind::SpeedButton));
    ASSERT_NE(skinner, nullptr);
    EXPECT_EQ(speed->Perform(WM_SKIN_QUERY), 1);
    EXPECT_EQ(speed->Perform(WM_ERASEBKGND), ownErase) << "painted in its own paint: erasing stays the control's";
    EXPECT_EQ(Skin(speed, TSkinnerKind::SpeedButton), nullptr) << "never skinned twice";
    auto expectFrame = [&](int frame, const char* what) {
        const TCapture shot = PaintForm();
        EXPECT_EQ(skinner->ShownFrame(), frame) << what;
        EXPECT_EQ(shot.At(20 + 1, 20 + 13), StripAt(frame, 1, 10)) << what;
    };
    expectFrame(pfNormal, "normal");
    speed->Perform(CM_MOUSEENTER);
    expectFrame(pfHot, "hot");
    speed->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    expectFrame(pfPressed, "pressed");
    speed->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1);
    speed->Perform(CM_MOUSELEAVE);
    speed->SetDown(true);
    expectFrame(pfPressed, "down");
    speed->SetDown(false);
    speed->SetEnabled(false);
    expectFrame(pfDisabled, "disabled");
    speed->SetEnabled(true);
    speed->SetFlat(true);
    const COLORREF face = SkinColorToRGB(OurSkin().ButtonFaceColor);
    EXPECT_EQ(PaintForm().At(21, 33), Rgb(GetRValue(face), GetGValue(face), GetBValue(face)))
        << "a flat button at rest shows the face alone";

    FormSkinner->FreeControls();
    EXPECT_EQ(speed->Perform(WM_SKIN_QUERY), 0);
    EXPECT_TRUE(speed->Flat());
    EXPECT_EQ(Pixels(speed->Glyph()), glyph);
}

TEST_F(FrameworkSkinFixture, AHotSpeedButtonIsLeftThroughTheControlAndStaysHotWhileTheCursorIsOverIt) {
    auto* speed = Add<TSpeedButton>({20, 20, 110, 46});
    auto* button = Add<TButton>({200, 20, 290, 46});
    int left = 0;
    speed->OnMouseLeave = [&](TObject*) { ++left; };
    TSkinControl* speedSkinner = Skin(speed, TSkinnerKind::SpeedButton);
    TSkinControl* buttonSkinner = Skin(button, TSkinnerKind::Button);
    ASSERT_TRUE(speedSkinner && buttonSkinner);
    speed->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(FormSkinner->HotButton(), speedSkinner);
    // The hover check finds the windowless button under the cursor.
    const POINT centre = speed->ClientToScreen(POINT{45, 13});
    ::SetCursorPos(centre.x, centre.y);
    FormSkinner->CheckHover();
    EXPECT_EQ(FormSkinner->HotButton(), speedSkinner);
    // Another button turning hot makes it leave, through the control itself.
    ::SendMessageW(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(FormSkinner->HotButton(), buttonSkinner);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(speedSkinner->Mouse() & msHot, 0u);
    speed->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    speedSkinner->Release();
    EXPECT_EQ(FormSkinner->HotButton(), nullptr);
    ParkCursor();
}

// ---------------------------------------------------------------------------------------------------------------
// List views

TEST_F(FrameworkSkinFixture, AListViewsHeaderIsSkinnedWithItsBarsAndGivenBackWithThem) {
    auto* list = Add<TListView>({20, 20, 300, 200});
    list->SetViewStyle(vsReport);
    for (const wchar_t* caption : {L"商品", L"数量"}) {
        TListColumn* column = list->Columns().Add();
        column->SetCaption(caption);
        column->SetWidth(80);
    }
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list->Handle(), LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    const LONG_PTR proc = ::GetWindowLongPtrW(header, GWLP_WNDPROC);
    auto* skinner = dynamic_cast<TSkinListView*>(Skin(list, TSkinnerKind::Scrollbar));
    ASSERT_NE(skinner, nullptr);
    ASSERT_NE(skinner->HeaderSkinner(), nullptr);
    EXPECT_EQ(::SendMessageW(header, WM_SKIN_QUERY, 0, 0), 1);
    const TCapture shot = CapturePaint(header);
    EXPECT_EQ(shot.Count(RECT{0, 0, shot.Width, shot.Height}, IsKey), 0);
    for (int x : {20, 120, 250}) EXPECT_EQ(shot.At(x, 2), Rgb(235, 234, 219)) << "Headerbar frame 1 at " << x;
    FormSkinner->FreeControls();
    EXPECT_EQ(::SendMessageW(header, WM_SKIN_QUERY, 0, 0), 0);
    EXPECT_EQ(::GetWindowLongPtrW(header, GWLP_WNDPROC), proc);
}

// ---------------------------------------------------------------------------------------------------------------
// Custom-glyph check boxes

TEST(SkinObjImageCells, CheckFramesIntoTheNineCellsOnlyAsFarAsTheStripGoes) {
    using C = std::array<int, 9>;
    EXPECT_EQ(ObjImageCellFrames(4), (C{0, 1, -1, 0, 1, -1, 2, 3, -1}));
    EXPECT_EQ(ObjImageCellFrames(5), (C{0, 1, 4, 0, 1, 4, 2, 3, 4}));
    EXPECT_EQ(ObjImageCellFrames(2), (C{0, 1, -1, 0, 1, -1, -1, -1, -1}));
}

TEST_F(FrameworkSkinFixture, ACustomGlyphCheckBoxTakesTheSkinsStripAndGetsItsOwnGlyphsBack) {
    RegisterClassInfo(TWgDBCheckBox::StaticClassInfo());
    auto* box = Add<TWgDBCheckBox>({20, 20, 200, 40});
    box->CustomGlyphs().SetSize(3, 2);
    box->SetTransparentColor(0x00FF00);
    box->SetUseCustomGlyphs(true);
    const std::vector<std::uint32_t> own = Pixels(box->CustomGlyphs());
    const TDispatchDecision decision = DecideControl(GatherControlFacts(*box), TDispatchSettings::From(OurSkin()));
    ASSERT_EQ(decision.Kind, TSkinnerKind::ObjImage);
    ASSERT_NE(Skin(box, decision.Kind, decision.ObjImageMode), nullptr);
    EXPECT_EQ(box->Perform(WM_SKIN_QUERY), 1);

    const TDataSkinButton& buttons = *OurSkin().Buttons;
    const int cell = buttons.CheckBitmap.Width() / buttons.CheckFrameCount;
    EXPECT_EQ(box->CustomGlyphs().Width(), cell * 9);
    EXPECT_EQ(box->CustomGlyphs().ScanLine(0)[cell * 4] & 0xFFFFFF,
              const_cast<TBitmap&>(buttons.CheckBitmap).ScanLine(0)[cell] & 0xFFFFFF)
        << "cell 4 is the checked frame";
    EXPECT_EQ(box->TransparentColor(), 0xFF00FF);
    EXPECT_TRUE(box->UseCustomGlyphs());

    FormSkinner->FreeControls();
    EXPECT_EQ(Pixels(box->CustomGlyphs()), own);
    EXPECT_EQ(box->TransparentColor(), 0x00FF00);
    EXPECT_TRUE(box->UseCustomGlyphs());
    EXPECT_EQ(box->Perform(WM_SKIN_QUERY), 0);
}

// ---------------------------------------------------------------------------------------------------------------
// The default class-to-skinner list

TEST(DefaultSkin3rdTest, TheFrameworksContainersAreSkinnedInEveryProgram) {
    TSkinData data(nullptr);
    data.SetSkinControls(DefaultSkinControls);
    TDispatchSettings settings = TDispatchSettings::From(data);
    settings.HasTabs = true;
    struct {
        const char* Class;
        TSkinnerKind Kind;
    } const cases[] = {
        {"TPageControl", TSkinnerKind::Tab},   {"TTabControl", TSkinnerKind::Tab},
        {"TGroupBox", TSkinnerKind::GroupBox}, {"TRadioGroup", TSkinnerKind::GroupBox},
        {"TPanel", TSkinnerKind::Box},
    };
    for (const auto& c : cases) {
        TControlFacts facts;
        facts.ClassName = c.Class;
        facts.Windowed = true;
        EXPECT_EQ(DecideControl(facts, settings).Kind, c.Kind) << c.Class;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Recreated windows

TEST_F(FrameworkSkinFixture, AControlWhoseWindowIsRecreatedKeepsItsSkinnerAndIsGivenBackExactly) {
    auto* pages = Add<TPageControl>({10, 10, 200, 110});
    for (const wchar_t* caption : {L"订单", L"客户"}) {
        auto* sheet = new TTabSheet(Form.get());
        sheet->SetCaption(caption);
        sheet->SetParent(pages);
    }
    auto* memo = Add<TMemo>({210, 10, 330, 110});
    auto* combo = Add<TComboBox>({10, 120, 200, 140});
    auto* list = Add<TListView>({210, 120, 440, 260});
    list->SetViewStyle(vsReport);
    list->Columns().Add()->SetCaption(L"名称");
    auto* progress = Add<TProgressBar>({10, 160, 200, 180});
    progress->SetPosition(50);
    struct TCase {
        TWinControl* Control;
        TSkinnerKind Kind;
        std::function<void()> Recreate;
    } const cases[] = {
        {pages, TSkinnerKind::Tab, [&] { pages->SetTabPosition(tpBottom); }},
        {memo, TSkinnerKind::Scrollbar, [&] { memo->SetScrollBars(TScrollStyle::ssBoth); }},
        {combo, TSkinnerKind::ComBox, [&] { combo->SetStyle(TComboBoxStyle::csSimple); }},
        {list, TSkinnerKind::Scrollbar, [&] { list->SetShowColumnHeaders(false); }},
        {progress, TSkinnerKind::Progress, [&] { progress->SetSmooth(true); }},
    };
    for (const TCase& c : cases) {
        TSkinControl* skinner = Skin(c.Control, c.Kind);
        ASSERT_NE(skinner, nullptr) << c.Control->ClassName();
        HWND before = c.Control->Handle();
        c.Recreate();
        HWND after = c.Control->Handle();
        EXPECT_NE(after, before) << c.Control->ClassName() << " was not recreated";
        EXPECT_EQ(::SendMessageW(after, WM_SKIN_QUERY, 0, 0), 1) << c.Control->ClassName();
        EXPECT_EQ(skinner->Window(), after) << c.Control->ClassName();
        PumpPending();
    }
    // What the new windows show.
    EXPECT_GT(CapturePaint(progress->Handle())
                  .Count(RECT{0, 0, 190, 20}, [](std::uint32_t p) { return Green(p) > Red(p) + 40; }),
              0)
        << "the progress bar's fill comes from the skin again";
    EXPECT_EQ(::SendMessageW(pages->Pages(0)->Handle(), WM_SKIN_QUERY, 0, 0), 0) << "sheets are not skinned";

    FormSkinner->FreeControls();
    for (const TCase& c : cases) {
        EXPECT_EQ(::SendMessageW(c.Control->Handle(), WM_SKIN_QUERY, 0, 0), 0) << c.Control->ClassName();
        EXPECT_EQ(c.Control->Perform(WM_SKIN_QUERY), 0) << c.Control->ClassName();
    }
}

TEST_F(FrameworkSkinFixture, AControlWhoseWindowGoesForGoodGetsItsColourBackWhenItsSkinnerIsPurged) {
    auto* panel = Add<TPanel>({10, 10, 200, 110});
    const TColor own = panel->Color();
    auto* skinner = new TSkinBox(panel);
    skinner->AttachControl(FormSkinner.get(), &OurSkin(), true, nullptr);
    EXPECT_EQ(panel->Color(), static_cast<TColor>(OurSkin().ButtonFaceColor));
    panel->DestroyHandle();
    FormSkinner->PurgeControls();
    EXPECT_TRUE(FormSkinner->View().Controls.empty());
    EXPECT_EQ(panel->Color(), own);
}

TEST_F(FrameworkSkinFixture, RealInputMakesASpeedButtonHotThenPressedAndClicksItOnce) {
    auto* speed = Add<TSpeedButton>({20, 20, 110, 46});
    speed->SetCaption(L"粗体");
    int clicks = 0;
    speed->OnClick = [&](TObject*) { ++clicks; };
    auto* skinner = static_cast<TSkinSpeedButton*>(Skin(speed, TSkinnerKind::SpeedButton));
    ASSERT_NE(skinner, nullptr);
    ::SetForegroundWindow(Form->Handle());
    PumpPending();
    const POINT centre = speed->ClientToScreen(POINT{45, 13});
    ASSERT_TRUE(RunInput([&] { MoveTo(centre); }));
    EXPECT_TRUE(PumpUntil([&] { return skinner->ShownFrame() == pfHot; }, 2000)) << "hot";
    ASSERT_TRUE(RunInput([&] { SendMouse(MOUSEEVENTF_LEFTDOWN); }));
    EXPECT_TRUE(PumpUntil([&] { return skinner->ShownFrame() == pfPressed; }, 2000)) << "pressed";
    ASSERT_TRUE(RunInput([&] { SendMouse(MOUSEEVENTF_LEFTUP); }));
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1 && skinner->ShownFrame() == pfHot; }, 2000)) << "released";
    ASSERT_TRUE(RunInput([&] { MoveTo(POINT{centre.x + 200, centre.y + 150}); }));
    EXPECT_TRUE(PumpUntil([&] { return (skinner->Mouse() & msHot) == 0; }, 2000)) << "left";
    EXPECT_EQ(clicks, 1);
    ParkCursor();
}
