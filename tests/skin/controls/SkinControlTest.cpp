// Control skinners under Wine: binding and giving back (bare windows through the subclass chain, framework
// controls through WindowProc), lifetime while on the stack, the hot slot, and the button family's frames, pixels
// and clicks. Skinners are created by the dispatch sink the manager uses.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Gdi.h"
#include "skin/controls/ControlDispatch.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinControlButtons.h"
#include "skin/controls/SkinControlTestSupport.h"
#include "skin/form/SkinFormTestSupport.h"
#include "support/Pump.h"
#include "widgets/WgButton.h"

using namespace qd;
using namespace qd::test;

namespace {

// A parent window skinned by a real form skinner, with bare platform children.
class BareControlFixture : public SkinFormFixture {
protected:
    void SetUp() override {
        SkinFormFixture::SetUp();
        MakeWindow(WS_OVERLAPPEDWINDOW, L"控件", 360, 240);
        Skin();
    }
    HWND Child(const wchar_t* cls, DWORD style, const wchar_t* text = L"确定", int id = 7, int x = 10) {
        return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, 10, 90, 26, Wnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                 nullptr);
    }
    TSkinControl* SkinAs(HWND wnd, TSkinnerKind kind) {
        TDispatchItem item;
        item.Window = wnd;
        item.Decision.Kind = kind;
        return CreateControlSkinner(*Skinner, item);
    }
    // BN_CLICKED notifications from `child` that reached the parent since the last call (sent by the button
    // itself or posted by the skinner).
    int TakeClicks(HWND child) {
        PumpPending();
        int n = 0;
        for (const auto& e : WindowRecorder().Entries())
            if (e.Wnd == Wnd && e.Message == WM_COMMAND && reinterpret_cast<HWND>(e.LParam) == child &&
                HIWORD(e.WParam) == BN_CLICKED)
                ++n;
        WindowRecorder().Clear();
        return n;
    }
};

// What the window looks like to its owner.
struct TWindowFacts {
    LONG_PTR Proc;
    BOOL Unicode;
    LONG_PTR Style;
    bool operator==(const TWindowFacts&) const = default;
};
TWindowFacts FactsOf(HWND wnd) {
    return {::GetWindowLongPtrW(wnd, GWLP_WNDPROC), ::IsWindowUnicode(wnd), ::GetWindowLongPtrW(wnd, GWL_STYLE)};
}

// Records what reaches a subclass, below or above the skinner.
LRESULT CALLBACK RecordingSubclass(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    reinterpret_cast<std::vector<UINT>*>(data)->push_back(msg);
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

// A pixel of a memory DC the skinner painted into through WM_PAINT's DC parameter.
COLORREF PaintedPixel(HWND wnd, int x, int y) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    TMemoryDC dc(nullptr);
    TBitmapHandle bmp = CreateCompatibleBitmapOf(nullptr, r.right - r.left, r.bottom - r.top);
    TSelectGuard sel(dc.Get(), bmp.Get());
    ::SendMessageW(wnd, WM_PAINT, reinterpret_cast<WPARAM>(dc.Get()), 0);
    return ::GetPixel(dc.Get(), x, y);
}

// Pixel (x, y) of frame `frame` of the skin's push-button strip.
COLORREF StripPixel(int frame, int x, int y) {
    const TDataSkinButton& b = *OurSkin().Buttons;
    const int w = b.Bitmap.Width() / std::max(b.FrameCount, 1);
    const std::uint32_t p = const_cast<TBitmap&>(b.Bitmap).ScanLine(y)[(frame - 1) * w + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Binding and giving back

TEST_F(BareControlFixture, BareButtonIsGivenBackExactlyOverManyCyclesWithFlatGdiCounts) {
    HWND button = Child(L"BUTTON", BS_PUSHBUTTON);
    const TWindowFacts before = FactsOf(button);
    TGdiCounts baseline{};
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_NE(SkinAs(button, TSkinnerKind::Button), nullptr);
        ASSERT_EQ(::SendMessageW(button, WM_SKIN_QUERY, 0, 0), 1);
        EXPECT_TRUE(::IsWindowUnicode(button));
        ::UpdateWindow(button);
        Skinner->FreeControls();
        ASSERT_EQ(FactsOf(button), before) << "cycle " << cycle;
        ASSERT_EQ(::SendMessageW(button, WM_SKIN_QUERY, 0, 0), 0);
        if (cycle == 0) baseline = GdiLiveCounts();
    }
    EXPECT_EQ(GdiLiveCounts().Total(), baseline.Total());
}

TEST_F(BareControlFixture, ChineseTextSetOnASkinnedControlReadsBackUnchanged) {
    const struct {
        DWORD Style;
        TSkinnerKind Kind;
    } cases[] = {{BS_PUSHBUTTON, TSkinnerKind::Button},
                 {BS_AUTOCHECKBOX, TSkinnerKind::CheckBox},
                 {BS_AUTORADIOBUTTON, TSkinnerKind::RadioButton}};
    for (const auto& c : cases) {
        HWND wnd = Child(L"BUTTON", c.Style);
        TSkinControl* skinner = SkinAs(wnd, c.Kind);
        ASSERT_NE(skinner, nullptr);
        ::SetWindowTextW(wnd, L"岚栎在线 ÄÖ");
        EXPECT_EQ(skinner->CaptionText(), L"岚栎在线 ÄÖ") << static_cast<int>(c.Kind);
        wchar_t back[32] = {};
        ::GetWindowTextW(wnd, back, 32);
        EXPECT_STREQ(back, L"岚栎在线 ÄÖ");
        Skinner->FreeControls();
        ::DestroyWindow(wnd);
    }
}

TEST_F(BareControlFixture, ASubclassInstalledAfterTheSkinnerKeepsGettingMessagesWhenTheSkinnerGoes) {
    HWND button = Child(L"BUTTON", BS_PUSHBUTTON);
    ASSERT_NE(SkinAs(button, TSkinnerKind::Button), nullptr);
    std::vector<UINT> seen;
    ASSERT_TRUE(::SetWindowSubclass(button, RecordingSubclass, 1, reinterpret_cast<DWORD_PTR>(&seen)));
    Skinner->FreeControls();
    ::SendMessageW(button, WM_USER + 5, 0, 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_USER + 5), 1);
    ::RemoveWindowSubclass(button, RecordingSubclass, 1);
}

TEST_F(BareControlFixture, AWindowIsNeverSkinnedTwice) {
    HWND button = Child(L"BUTTON", BS_PUSHBUTTON);
    ASSERT_NE(SkinAs(button, TSkinnerKind::Button), nullptr);
    EXPECT_EQ(SkinAs(button, TSkinnerKind::Button), nullptr);
    EXPECT_EQ(Skinner->View().Controls.size(), 1u);
}

TEST_F(BareControlFixture, IconBitmapAndPushLikeButtonsStayUnskinned) {
    struct {
        DWORD Style;
        TSkinnerKind Kind;
        bool Skinned;
    } const cases[] = {
        {BS_PUSHBUTTON, TSkinnerKind::Button, true},
        {BS_PUSHBUTTON | BS_ICON, TSkinnerKind::Button, false},
        {BS_PUSHBUTTON | BS_BITMAP, TSkinnerKind::Button, false},
        {BS_AUTOCHECKBOX, TSkinnerKind::CheckBox, true},
        {BS_AUTOCHECKBOX | BS_PUSHLIKE, TSkinnerKind::CheckBox, false},
        {BS_AUTORADIOBUTTON | BS_PUSHLIKE, TSkinnerKind::RadioButton, false},
        {BS_PUSHBUTTON | BS_PUSHLIKE, TSkinnerKind::Button, true},  // push-like means nothing to a push button
    };
    for (const auto& c : cases) {
        HWND wnd = Child(L"BUTTON", c.Style);
        EXPECT_EQ(SkinAs(wnd, c.Kind) != nullptr, c.Skinned) << std::hex << c.Style;
        Skinner->FreeControls();
        ::DestroyWindow(wnd);
    }
}

TEST_F(BareControlFixture, WhileSwitchedOffMessagesPassUnchangedAndDestroyIsStillHandled) {
    HWND button = Child(L"BUTTON", BS_PUSHBUTTON);
    std::vector<UINT> below;
    ASSERT_TRUE(::SetWindowSubclass(button, RecordingSubclass, 1, reinterpret_cast<DWORD_PTR>(&below)));
    TSkinControl* skinner = SkinAs(button, TSkinnerKind::Button);
    ASSERT_NE(skinner, nullptr);
    ::SendMessageW(button, WM_SKIN_ENABLE, 0, 0);
    below.clear();
    ::SendMessageW(button, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(std::count(below.begin(), below.end(), WM_LBUTTONDOWN), 1) << "a switched-off skinner eats nothing";
    EXPECT_EQ(skinner->Mouse(), 0u);
    ::DestroyWindow(button);
    EXPECT_EQ(skinner->ControlState(), ControlStateWindowDestroyed);
    Skinner->PurgeControls();
    EXPECT_TRUE(Skinner->View().Controls.empty());
}

TEST_F(BareControlFixture, EmptyButtonImageLetsTheControlPaintAndErase) {
    TSkinData bare(nullptr);  // no package: the Buttons strip is empty
    Skinner->ReloadSkinData(&bare);
    HWND button = Child(L"BUTTON", BS_PUSHBUTTON);
    std::vector<UINT> below;
    ASSERT_TRUE(::SetWindowSubclass(button, RecordingSubclass, 1, reinterpret_cast<DWORD_PTR>(&below)));
    ASSERT_NE(SkinAs(button, TSkinnerKind::Button), nullptr);
    below.clear();
    TMemoryDC dc(nullptr);
    ::SendMessageW(button, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    EXPECT_EQ(std::count(below.begin(), below.end(), WM_ERASEBKGND), 1);
    ::InvalidateRect(button, nullptr, FALSE);
    ::UpdateWindow(button);
    EXPECT_EQ(std::count(below.begin(), below.end(), WM_PAINT), 1);
    Skinner->FreeControls();
    Skinner->ReloadSkinData(&OurSkin());
    ::RemoveWindowSubclass(button, RecordingSubclass, 1);
}

// ---------------------------------------------------------------------------------------------------------------
// Hot slot

TEST_F(BareControlFixture, OnlyOneButtonIsHotAndTheSlotEmptiesWhenItsSkinnerGoesOrTheMouseLeaves) {
    HWND a = Child(L"BUTTON", BS_PUSHBUTTON, L"A", 1, 10);
    HWND b = Child(L"BUTTON", BS_PUSHBUTTON, L"B", 2, 120);
    TSkinControl* sa = SkinAs(a, TSkinnerKind::Button);
    TSkinControl* sb = SkinAs(b, TSkinnerKind::Button);
    ASSERT_TRUE(sa && sb);
    ::SendMessageW(a, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(Skinner->HotButton(), sa);
    ::SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(Skinner->HotButton(), sb);
    EXPECT_EQ(sa->Mouse() & msHot, 0u);
    // Disabled while hot: leaving still empties the slot.
    ::EnableWindow(b, FALSE);
    Skinner->LeaveHotButton();
    EXPECT_EQ(Skinner->HotButton(), nullptr);
    EXPECT_EQ(sb->Mouse(), 0u);
    ::EnableWindow(b, TRUE);
    ::SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    sb->Release();
    EXPECT_EQ(Skinner->HotButton(), nullptr);
}

// ---------------------------------------------------------------------------------------------------------------
// Push buttons: frames, pixels, clicks

TEST(SkinButtonFrames, StateToFrame) {
    struct {
        bool Pressed, Hot, Default, Focused, Enabled, BitButton;
        int Frame;
    } const cases[] = {
        {false, false, false, false, true, false, pfNormal},   {true, true, true, true, true, false, pfPressed},
        {false, true, true, false, true, false, pfHot},        {false, false, true, true, true, false, pfDefault},
        {false, false, true, true, true, true, pfHot},         {false, false, false, true, true, false, pfHot},
        {false, false, true, false, false, false, pfDisabled},  // a disabled default button is not frame 5
        {true, false, false, false, false, true, pfDisabled},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PushButtonFrame(c.Pressed, c.Hot, c.Default, c.Focused, c.Enabled, c.BitButton), c.Frame)
            << c.Pressed << c.Hot << c.Default << c.Focused << c.Enabled << c.BitButton;
}

TEST_F(BareControlFixture, EachButtonStateShowsItsFrameOfTheSkinStrip) {
    HWND button = Child(L"BUTTON", BS_PUSHBUTTON, L"确定", 7, 10);
    HWND other = Child(L"BUTTON", BS_PUSHBUTTON, L"X", 8, 120);
    ::SetFocus(other);
    auto* skinner = static_cast<TSkinButton*>(SkinAs(button, TSkinnerKind::Button));
    ASSERT_NE(skinner, nullptr);
    const int midY = 13;  // a row of the stretched middle band
    auto expectFrame = [&](int frame, const char* what) {
        EXPECT_EQ(PaintedPixel(button, 1, midY), StripPixel(frame, 1, 10)) << what;
        EXPECT_EQ(skinner->ShownFrame(), frame) << what;
    };
    expectFrame(pfNormal, "normal");
    ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    expectFrame(pfHot, "hot");
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    expectFrame(pfPressed, "pressed");
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Skinner->LeaveHotButton();
    ::SetWindowLongPtrW(button, GWL_STYLE, ::GetWindowLongPtrW(button, GWL_STYLE) | BS_DEFPUSHBUTTON);
    ::SetFocus(other);
    expectFrame(pfDefault, "default");
    ::EnableWindow(button, FALSE);
    expectFrame(pfDisabled, "disabled");
    TakeClicks(button);
}

TEST_F(BareControlFixture, EveryWayOfPressingGivesExactlyOneClickAndPressLeaveReleaseNone) {
    HWND button = Child(L"BUTTON", BS_PUSHBUTTON, L"&Go", 7);
    ASSERT_NE(SkinAs(button, TSkinnerKind::Button), nullptr);
    PumpPending();
    TakeClicks(button);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(TakeClicks(button), 1) << "mouse";
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
    EXPECT_EQ(TakeClicks(button), 0) << "released outside";
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Skinner->LeaveHotButton();
    ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(TakeClicks(button), 0) << "pressed, left, came back, released";
    ::SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageW(button, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_EQ(TakeClicks(button), 1) << "space";
    ::SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(TakeClicks(button), 1) << "BM_CLICK (mnemonics and the dialog manager)";
}

// ---------------------------------------------------------------------------------------------------------------
// Check boxes and radio buttons

TEST(SkinCheckFrames, CheckValueStateAndStripSize) {
    struct {
        int Value;
        bool Disabled, Indeterminate;
        int Frames, Frame;
    } const cases[] = {
        {1, false, false, 4, 1},  {2, false, false, 4, 2}, {1, true, false, 4, 3},  {2, true, false, 4, 4},
        {1, false, true, 4, 4},   {4, true, false, 4, 4},  // grey asked of a disabled box: clamped to the strip
        {2, false, false, 12, 5}, {1, true, false, 12, 4}, {1, false, true, 12, 9}, {1, true, true, 12, 12},
        {2, false, false, 3, 2},  {2, true, false, 3, 3},  // a short strip never reads past its last frame
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckBoxFrame(c.Value, c.Disabled, c.Indeterminate, c.Frames), c.Frame)
            << c.Value << c.Disabled << c.Indeterminate << " of " << c.Frames;
    EXPECT_EQ(RadioButtonFrame(true, true, 8), 8);
    EXPECT_EQ(RadioButtonFrame(true, false, 8), 5);
    EXPECT_EQ(RadioButtonFrame(true, true, 2), 2);
}

TEST_F(BareControlFixture, CheckBoxFollowsItsCheckStateOnTheSkinStrip) {
    HWND box = Child(L"BUTTON", BS_AUTOCHECKBOX, L"选项");
    auto* skinner = static_cast<TSkinCheckBox*>(SkinAs(box, TSkinnerKind::CheckBox));
    ASSERT_NE(skinner, nullptr);
    ::UpdateWindow(box);
    EXPECT_EQ(skinner->ShownFrame(), 1);
    ::SendMessageW(box, BM_CLICK, 0, 0);
    ::UpdateWindow(box);
    EXPECT_EQ(::SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(skinner->ShownFrame(), 2);
    ::EnableWindow(box, FALSE);
    ::UpdateWindow(box);
    EXPECT_EQ(skinner->ShownFrame(), 4);
}

// ---------------------------------------------------------------------------------------------------------------
// Glyph layout and properties by name

TEST(SkinBitButtonLayout, GlyphAndTextPositions) {
    struct {
        SIZE Glyph, Text;
        int Layout, Margin, Spacing;
        bool Centred;
        POINT GlyphAt, TextAt;
    } const cases[] = {
        // Across the axis each is centred by its own height (a wide, flat glyph is not placed by its width).
        {{32, 10}, {20, 12}, 0, 2, 4, false, {2, 8}, {38, 7}},
        // Margin -1 and a centred alignment place the pair in the middle.
        {{16, 16}, {20, 12}, 0, -1, 4, false, {17, 5}, {37, 7}},
        {{16, 16}, {20, 12}, 0, 4, 4, true, {17, 5}, {37, 7}},
        {{16, 16}, {20, 12}, 0, -1, -1, false, {13, 5}, {42, 7}},
        {{16, 16}, {20, 12}, 1, 2, 4, false, {57, 5}, {33, 7}},
        {{16, 16}, {20, 12}, 2, 2, 4, false, {30, 2}, {28, 22}},
        {{0, 0}, {20, 12}, 0, -1, 4, false, {27, 13}, {27, 7}},  // no glyph: no spacing
    };
    for (const auto& c : cases) {
        const TGlyphLayout at = LayoutGlyphAndText({75, 25}, c.Glyph, c.Text, c.Layout, c.Margin, c.Spacing, c.Centred);
        EXPECT_EQ(at.Glyph.x, c.GlyphAt.x) << c.Layout << " " << c.Margin;
        EXPECT_EQ(at.Glyph.y, c.GlyphAt.y) << c.Layout << " " << c.Margin;
        EXPECT_EQ(at.Text.x, c.TextAt.x) << c.Layout << " " << c.Margin;
        EXPECT_EQ(at.Text.y, c.TextAt.y) << c.Layout << " " << c.Margin;
    }
}

TEST(SkinControlProperties, ReadByNameWithFallbacksForMissingOnes) {
    TWgBitBtn button(nullptr);
    button.SetMargin(3);
    button.SetDefault(true);
    TForm form(nullptr);
    EXPECT_EQ(GetIntProp(&button, "Margin", -1), 3);
    EXPECT_EQ(GetIntProp(&form, "DisabledIndex", -1), -1) << "a missing index is no index, not image 0";
    EXPECT_EQ(GetEnumPropName(&button, "Default"), "true");
    EXPECT_EQ(GetEnumPropName(&form, "Default"), "");
    EXPECT_NE(GetObjectPropAs<TBitmap>(&button, "Glyph"), nullptr);
    EXPECT_EQ(GetObjectPropAs<TBitmap>(&form, "Glyph"), nullptr);
}

// ---------------------------------------------------------------------------------------------------------------
// Framework controls

namespace {

// A bit button on a form skinned by a real form skinner.
class FrameworkControlFixture : public FrameworkFormFixture {
protected:
    void SetUp() override {
        MakeForm(320, 200);
        Button = new TWgBitBtn(Form.get());
        Button->SetParent(Form.get());
        Button->SetBounds(20, 20, 90, 28);
        Button->SetCaption(L"确定");
        ShowAndSkin();
    }
    TSkinControl* SkinButton(bool changeColor = false) {
        auto* s = new TSkinBitButton(Button);
        s->AttachControl(FormSkinner.get(), &OurSkin(), changeColor, nullptr);
        return s;
    }

    TWgBitBtn* Button = nullptr;
};

}  // namespace

TEST_F(FrameworkControlFixture, UnskinGivesColourParentColourAndDoubleBufferingBackEveryTime) {
    Button->DoubleBuffered = false;
    Button->SetParentColor(true);
    const TColor own = Button->Color();
    for (int i = 0; i < 3; ++i) {
        SkinButton(true);
        EXPECT_TRUE(Button->DoubleBuffered);
        EXPECT_EQ(Button->Color(), OurSkin().ButtonFaceColor);
        FormSkinner->FreeControls();
        EXPECT_FALSE(Button->DoubleBuffered) << "cycle " << i;
        EXPECT_TRUE(Button->ParentColor()) << "cycle " << i;
        EXPECT_EQ(Button->Color(), own) << "cycle " << i;
    }
}

TEST_F(FrameworkControlFixture, AWindowProcHookedAfterTheSkinnerStaysWorkingWhenTheSkinnerGoes) {
    SkinButton();
    int seen = 0;
    TWndMethod skinned = Button->WindowProc;
    Button->WindowProc = [&seen, skinned](TMessage& m) {
        if (m.Msg == WM_USER + 9) ++seen;
        skinned(m);
    };
    FormSkinner->FreeControls();
    EXPECT_EQ(Button->Perform(WM_SKIN_QUERY), 0) << "the left-behind link passes through";
    Button->Perform(WM_USER + 9);
    EXPECT_EQ(seen, 1);
}

TEST_F(FrameworkControlFixture, ASkinnerReleasedInsideTheClickItRunsGoesWhenTheClickReturns) {
    struct TWatched : TSkinBitButton {
        using TSkinBitButton::TSkinBitButton;
        bool* Freed = nullptr;
        ~TWatched() override { *Freed = true; }
    };
    bool freed = false, freedInside = true;
    auto* skinner = new TWatched(Button);
    skinner->Freed = &freed;
    skinner->AttachControl(FormSkinner.get(), &OurSkin(), false, nullptr);
    Button->OnClick = [&](TObject*) {
        FormSkinner->FreeControls();  // the skin goes while the skinner's click is on the stack
        freedInside = freed;
    };
    ::SendMessageW(Button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(Button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(freedInside);
    EXPECT_TRUE(freed) << "freed once the click returned";
    EXPECT_EQ(Button->Perform(WM_SKIN_QUERY), 0);
}

TEST_F(FrameworkControlFixture, DestroyingTheControlFreesItsSkinnerAndEmptiesTheList) {
    SkinButton();
    ::SendMessageW(Button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    ASSERT_NE(FormSkinner->HotButton(), nullptr);
    delete Button;
    EXPECT_TRUE(FormSkinner->View().Controls.empty());
    EXPECT_EQ(FormSkinner->HotButton(), nullptr);
}
