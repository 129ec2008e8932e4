// The control dispatch: which skinner each control or plain child window would get.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "skin/controls/ControlDispatch.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinManagerIntf.h"
#include "skin/form/SkinMessages.h"

using namespace qd;
using K = TSkinnerKind;

namespace {

TDispatchSettings AllOn(bool tabs = true) {
    TDispatchSettings s;
    s.SkinControls = DefaultSkinControls;
    s.HasTabs = tabs;
    return s;
}

TDispatchSettings Without(TSkinControlType type) {
    TDispatchSettings s = AllOn();
    s.SkinControls &= ~SkinControlBit(type);
    return s;
}

TControlFacts Facts(const char* cls) {
    TControlFacts f;
    f.ClassName = cls;
    f.Windowed = true;
    return f;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Plain child windows of foreign dialogs

TEST(PlainWindowDispatchTest, ButtonsAreClassifiedByTheirTypeAlone) {
    struct Case {
        DWORD style;
        K kind;
        const char* what;
    };
    const Case cases[] = {
        {BS_PUSHBUTTON, K::Button, "push"},        {BS_DEFPUSHBUTTON, K::Button, "default push"},
        {BS_CHECKBOX, K::CheckBox, "check box"},   {BS_AUTOCHECKBOX, K::CheckBox, "auto check box"},
        {BS_3STATE, K::CheckBox, "3-state"},       {BS_AUTO3STATE, K::CheckBox, "auto 3-state"},
        {BS_RADIOBUTTON, K::RadioButton, "radio"}, {BS_AUTORADIOBUTTON, K::RadioButton, "auto radio"},
        {BS_GROUPBOX, K::GroupBox, "group box"},   {BS_OWNERDRAW, K::None, "owner-draw"},
        {BS_USERBUTTON, K::None, "user button"},   {BS_PUSHBOX, K::None, "push box"},
        {BS_SPLITBUTTON, K::None, "split"},        {BS_DEFSPLITBUTTON, K::None, "default split"},
        {BS_COMMANDLINK, K::None, "command link"}, {BS_DEFCOMMANDLINK, K::None, "default command link"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecidePlainWindow("Button", WS_CHILD | WS_VISIBLE | c.style), c.kind) << c.what;
        // Extra style bits must not change the type: BS_LEFTTEXT (0x20), BS_FLAT, BS_MULTILINE.
        EXPECT_EQ(DecidePlainWindow("BUTTON", c.style | BS_LEFTTEXT | BS_FLAT | BS_MULTILINE), c.kind) << c.what;
    }
}

TEST(PlainWindowDispatchTest, OtherClassesByNameInAnyCase) {
    EXPECT_EQ(DecidePlainWindow("ComboBox", CBS_DROPDOWN), K::ComBox);
    EXPECT_EQ(DecidePlainWindow("combobox", CBS_DROPDOWNLIST), K::ComBox);
    EXPECT_EQ(DecidePlainWindow("ComboBox", CBS_SIMPLE), K::None);
    EXPECT_EQ(DecidePlainWindow("ComboBoxEx32", 0), K::ComBox);
    EXPECT_EQ(DecidePlainWindow("ScrollBar", SBS_SIZEGRIP), K::Sizer);
    EXPECT_EQ(DecidePlainWindow("SysTreeView32", 0), K::None);
    EXPECT_EQ(DecidePlainWindow("#32770", WS_CHILD), K::BoxH);
    EXPECT_EQ(DecidePlainWindow("ToolbarWindow32", 0), K::None);
    EXPECT_EQ(DecidePlainWindow("Edit", ES_AUTOHSCROLL), K::Edit);
    EXPECT_EQ(DecidePlainWindow("Static", 0), K::None);
    EXPECT_EQ(DecidePlainWindow("msctls_progress32", 0), K::Progress);
    EXPECT_EQ(DecidePlainWindow("SysTabControl32", TCS_BOTTOM), K::Tab);
    EXPECT_EQ(DecidePlainWindow("", 0), K::None);
}

TEST(PlainWindowDispatchTest, SizeGripRuleOfTheCreationHook) {
    EXPECT_TRUE(IsSizeGripWindow("ScrollBar", SBS_SIZEGRIP | WS_CHILD));
    EXPECT_TRUE(IsSizeGripWindow("scrollbar", SBS_SIZEGRIP));
    EXPECT_FALSE(IsSizeGripWindow("ScrollBar", SBS_VERT));
    EXPECT_FALSE(IsSizeGripWindow("ScrollBarX", SBS_SIZEGRIP));
    EXPECT_FALSE(IsSizeGripWindow("Edit", SBS_SIZEGRIP));
}

// ---------------------------------------------------------------------------------------------------------------
// Tags

TEST(DispatchTagTest, DisableTagComparesTagModulo100) {
    EXPECT_TRUE(TagDisablesSkin(99, 99));
    EXPECT_TRUE(TagDisablesSkin(199, 99));
    EXPECT_TRUE(TagDisablesSkin(1099, 99));
    EXPECT_FALSE(TagDisablesSkin(98, 99));
    EXPECT_FALSE(TagDisablesSkin(0, 99));
    EXPECT_FALSE(TagDisablesSkin(-1, 99));  // negative remainders never match a DisableTag of 0..99
    EXPECT_TRUE(TagDisablesSkin(205, 5));
    EXPECT_FALSE(TagDisablesSkin(150, 150));  // a DisableTag of 100 or more can never match
}

TEST(DispatchTagTest, Tag55CountsAsHavingScrollBars) {
    EXPECT_TRUE(ControlHasScrollBars(false, 0, 55));
    EXPECT_TRUE(ControlHasScrollBars(true, WS_VSCROLL, 0));
    EXPECT_TRUE(ControlHasScrollBars(true, WS_HSCROLL, 0));
    EXPECT_FALSE(ControlHasScrollBars(false, WS_VSCROLL, 0));  // a graphic control has no window style
    EXPECT_FALSE(ControlHasScrollBars(true, 0, 155));
    EXPECT_EQ(DecideControl(
                  [] {
                      auto f = Facts("TMemoLike");
                      f.Tag = 55;
                      return f;
                  }(),
                  AllOn())
                  .Kind,
              K::Scrollbar);
    EXPECT_EQ(DecideControl(
                  [] {
                      auto f = Facts("TMemoLike");
                      f.Tag = 55;
                      return f;
                  }(),
                  Without(xcScrollbar))
                  .Kind,
              K::None);
}

// ---------------------------------------------------------------------------------------------------------------
// Skin3rd kinds

TEST(Skin3rdDispatchTest, EveryKindNeedsItsBit) {
    struct Case {
        const char* kind;
        K skinner;
        TSkinControlType bit;
    };
    const Case cases[] = {
        {"combobox", K::ComBox, xcCombo},
        {"edit", K::Edit, xcEdit},
        {"radiobutton", K::RadioButton, xcRadioButton},
        {"checkbox", K::CheckBox, xcCheckBox},
        {"panel", K::Box, xcPanel},
        {"trackbar", K::TrackBar, xcButton},
        {"button", K::Button, xcButton},
        {"bitbtn", K::BitButton, xcButton},
        {"speedbutton", K::SpeedButton, xcSpeedButton},
        {"tab", K::Tab, xcTab},
        {"progress", K::Progress, xcProgress},
        {"scrollbar", K::Scrollbar, xcScrollbar},
        {"groupbox", K::GroupBox, xcGroupBox},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideSkin3rdKind(c.kind, AllOn()).Kind, c.skinner) << c.kind;
        EXPECT_EQ(DecideSkin3rdKind(c.kind, Without(c.bit)).Kind, K::None) << c.kind << " without its bit";
    }
}

TEST(Skin3rdDispatchTest, SideEffectsAndChildren) {
    EXPECT_TRUE(DecideSkin3rdKind("panel", AllOn()).SetTransparent);
    EXPECT_FALSE(DecideSkin3rdKind("panel", Without(xcPanel)).SetTransparent);
    EXPECT_TRUE(DecideSkin3rdKind("trackbar", AllOn()).SetTransparent);
    EXPECT_EQ(DecideSkin3rdKind("scrollbar", AllOn()).Children, TChildDispatch::All);
    const TDispatchDecision embed = DecideSkin3rdKind("embedscrollbar", AllOn());
    EXPECT_EQ(embed.Kind, K::None);
    EXPECT_EQ(embed.Children, TChildDispatch::ScrollbarsOnly);
    EXPECT_EQ(DecideSkin3rdKind("embedscrollbar", Without(xcScrollbar)).Children, TChildDispatch::None);
    EXPECT_EQ(DecideSkin3rdKind("container", AllOn()).Children, TChildDispatch::Skin3rdOnly);
    EXPECT_EQ(DecideSkin3rdKind("nil", AllOn()), TDispatchDecision{});
    EXPECT_EQ(DecideSkin3rdKind("somethingelse", AllOn()), TDispatchDecision{});
    // A tab needs the skin's tab bitmaps as well as the bit.
    EXPECT_EQ(DecideSkin3rdKind("tab", AllOn(false)).Kind, K::None);
}

TEST(Skin3rdDispatchTest, RadioAndCheckGroups) {
    TDispatchDecision radio = DecideSkin3rdKind("radiogroup", AllOn());
    EXPECT_EQ(radio.Kind, K::GroupBox);
    EXPECT_EQ(radio.Children, TChildDispatch::RadioButtons);
    EXPECT_EQ(DecideSkin3rdKind("radiogroup", Without(xcGroupBox)), TDispatchDecision{});
    EXPECT_EQ(DecideSkin3rdKind("radiogroup", Without(xcRadioButton)), TDispatchDecision{});

    TDispatchDecision check = DecideSkin3rdKind("checkgroup", AllOn());
    EXPECT_EQ(check.Kind, K::GroupBox);
    EXPECT_EQ(check.Children, TChildDispatch::CheckBoxes);
    // Children without the group box itself when xcGroupBox is off.
    TDispatchDecision noBox = DecideSkin3rdKind("checkgroup", Without(xcGroupBox));
    EXPECT_EQ(noBox.Kind, K::None);
    EXPECT_EQ(noBox.Children, TChildDispatch::CheckBoxes);
    EXPECT_EQ(DecideSkin3rdKind("checkgroup", Without(xcPanel)), TDispatchDecision{});
    EXPECT_EQ(DecideSkin3rdKind("checkgroup", Without(xcRadioButton)), TDispatchDecision{});
}

TEST(Skin3rdDispatchTest, MappingComesBeforeTheClassRules) {
    TSkinData data(nullptr);
    TDispatchSettings s = TDispatchSettings::From(data);
    // TComboboxex is in the default mapping (any case).
    EXPECT_EQ(DecideControl(Facts("TCOMBOBOXEX"), s).Kind, K::ComBox);
    EXPECT_EQ(DecideControl(Facts("TWgCheckBox"), s).Kind, K::CheckBox);
    // A mapped "nil" wins over a rule that would have skinned the class.
    data.Skin3rd.Clear();
    data.Skin3rd.Add("TTrackBar=nil");
    s = TDispatchSettings::From(data);
    EXPECT_EQ(DecideControl(Facts("TTrackBar"), s).Kind, K::None);
}

// ---------------------------------------------------------------------------------------------------------------
// Class rules

TEST(ClassDispatchTest, RefusedClasses) {
    for (const char* cls : {"TDBComboBoxEh", "TQRPreview", "TfrDesignerPage", "TfrPBox", "TMVCPanel"}) {
        TControlFacts f = Facts(cls);
        f.Style = WS_VSCROLL;  // even with scroll bars
        EXPECT_EQ(DecideControl(f, AllOn()).Kind, K::None) << cls;
    }
}

TEST(ClassDispatchTest, NamedClasses) {
    EXPECT_EQ(DecideControl(Facts("TTabSet"), AllOn()).Kind, K::Tab31);
    EXPECT_EQ(DecideControl(Facts("TTabSet"), AllOn(false)).Kind, K::None);
    EXPECT_EQ(DecideControl(Facts("TTabbedNotebook"), AllOn()).Kind, K::Tab);
    EXPECT_EQ(DecideControl(Facts("TTrackBar"), AllOn()).Kind, K::TrackBar);
    EXPECT_EQ(DecideControl(Facts("TUpDown"), AllOn()).Kind, K::UpDown);
    EXPECT_EQ(DecideControl(Facts("TSpinButton"), AllOn()).Kind, K::UpDown);
    EXPECT_EQ(DecideControl(Facts("TSpinButton"), Without(xcButton)).Kind, K::None);
    TDispatchDecision nav = DecideControl(Facts("TDBNavigator"), AllOn());
    EXPECT_EQ(nav.Kind, K::Box);
    EXPECT_TRUE(nav.SetFlat);
    TDispatchDecision img = DecideControl(Facts("TWgDBCheckBox"), AllOn());
    EXPECT_EQ(img.Kind, K::ObjImage);
    EXPECT_EQ(img.ObjImageMode, 1);
    for (const char* cls : {"TRichEdit", "TwwDBRichEdit", "TdxDBMemo", "TdxTreeList", "TdxDBTreeList", "TdxDBGrid"})
        EXPECT_EQ(DecideControl(Facts(cls), AllOn()).Kind, K::Scrollbar) << cls;
}

TEST(ClassDispatchTest, KindsOfFrameworkControls) {
    TControlFacts bar = Facts("TStatusBar");
    bar.IsStatusBar = true;
    TDispatchDecision d = DecideControl(bar, AllOn());
    EXPECT_EQ(d.Kind, K::StatusBar);
    EXPECT_TRUE(d.SizeGripOff);
    EXPECT_EQ(DecideControl(bar, Without(xcStatusBar)), TDispatchDecision{});

    TControlFacts progress = Facts("TProgressBar");
    progress.IsProgressBar = true;
    EXPECT_EQ(DecideControl(progress, AllOn()).Kind, K::Progress);

    TControlFacts button = Facts("TButton");
    button.IsPushButton = true;
    EXPECT_EQ(DecideControl(button, AllOn()).Kind, K::Button);
    EXPECT_EQ(DecideControl(button, Without(xcButton)).Kind, K::None);

    TControlFacts embedded = Facts("TForm_Child");
    embedded.IsEmbeddedForm = true;
    d = DecideControl(embedded, AllOn());
    EXPECT_EQ(d.Kind, K::Box);
    EXPECT_EQ(d.Children, TChildDispatch::All);
}

TEST(ClassDispatchTest, DateTimePickerAndNumButtons) {
    TControlFacts picker = Facts("TDateTimePicker");
    EXPECT_EQ(DecideControl(picker, AllOn()).Kind, K::ComBox);
    picker.ShowsUpDown = true;
    EXPECT_EQ(DecideControl(picker, AllOn()).Kind, K::Edit);
    EXPECT_EQ(DecideControl(picker, Without(xcEdit)).Kind, K::None);

    TControlFacts dc = Facts("TDCEdit");
    dc.NumButtons = 1;
    EXPECT_EQ(DecideControl(dc, AllOn()).Kind, K::ComBox);
    dc.NumButtons = 0;
    EXPECT_EQ(DecideControl(dc, AllOn()).Kind, K::Edit);
    dc.NumButtons = 7;
    EXPECT_EQ(DecideControl(dc, AllOn()).Kind, K::None);
    dc.NumButtons.reset();
    EXPECT_EQ(DecideControl(dc, AllOn()).Kind, K::None);
}

// ---------------------------------------------------------------------------------------------------------------
// Walks over real windows and forms

namespace {

class TPlainControl : public TCustomControl {
public:
    explicit TPlainControl(TComponent* owner, TWinControl* parent, std::intptr_t tag, DWORD extraStyle = 0)
        : TCustomControl(owner), FExtra(extraStyle) {
        SetParent(parent);
        SetTag(tag);
        SetBounds(0, 0, 40, 20);
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TCustomControl::CreateParams(params);
        params.Style |= FExtra;
    }

private:
    DWORD FExtra;
};

struct DispatchWalkTest : ::testing::Test {
    void SetUp() override { SetSkinManagerFactory(nullptr); }
    void TearDown() override { DestroySkinManager(); }
};

}  // namespace

TEST_F(DispatchWalkTest, FormWalkSkipsDisabledTagsAndAppliesSideEffects) {
    TSkinData data(nullptr);
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 200);
    auto* bar = new TStatusBar(form.get());
    bar->SetParent(form.get());
    auto* skipped = new TPlainControl(form.get(), form.get(), 199);
    auto* scrolled = new TPlainControl(form.get(), form.get(), 55);
    auto* vscroll = new TPlainControl(form.get(), form.get(), 0, WS_VSCROLL);
    auto* plain = new TPlainControl(form.get(), form.get(), 0);
    ASSERT_TRUE(bar->SizeGrip());

    std::vector<TDispatchItem> items;
    TFormDispatchContext context;
    context.SkinData = &data;
    context.Sink = [&](const TDispatchItem& item) { items.push_back(item); };
    DispatchFormControls(*form, context);

    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Control, bar);
    EXPECT_EQ(items[0].Decision.Kind, K::StatusBar);
    EXPECT_FALSE(bar->SizeGrip());
    EXPECT_EQ(items[1].Control, scrolled);
    EXPECT_EQ(items[1].Decision.Kind, K::Scrollbar);
    EXPECT_EQ(items[2].Control, vscroll);
    EXPECT_EQ(items[2].Decision.Kind, K::Scrollbar);
    // Dispatched controls have their windows, handed on with the decision.
    EXPECT_TRUE(scrolled->HandleAllocated());
    EXPECT_EQ(items[1].Window, scrolled->Handle());
    for (const auto& item : items) {
        EXPECT_NE(item.Control, skipped);
        EXPECT_NE(item.Control, plain);
    }
}

TEST_F(DispatchWalkTest, OnSkinControlAndHandledControls) {
    TSkinData data(nullptr);
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 200);
    auto* first = new TPlainControl(form.get(), form.get(), 55);
    auto* second = new TPlainControl(form.get(), form.get(), 55);
    TComponent customSkinner(nullptr);
    std::vector<std::string> seenClasses;
    data.OnSkinControl = [&](TObject*, TSkinData* skin, TComponent* f, TComponent* control, const std::string& cls,
                             TComponent*& skinned) {
        EXPECT_EQ(skin, &data);
        EXPECT_EQ(f, form.get());
        seenClasses.push_back(cls);
        if (control == first) skinned = &customSkinner;
    };
    std::vector<TDispatchItem> items;
    TFormDispatchContext context;
    context.SkinData = &data;
    context.IsHandled = [&](TControl* c) { return c == second; };
    context.Sink = [&](const TDispatchItem& item) { items.push_back(item); };
    DispatchFormControls(*form, context);

    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Control, first);
    EXPECT_EQ(items[0].Decision.Kind, K::Custom);
    EXPECT_EQ(items[0].CustomSkinner, &customSkinner);
    // The handled control never reached the handler; the class name is passed in upper case.
    ASSERT_EQ(seenClasses.size(), 1u);
    EXPECT_EQ(seenClasses[0], "TCUSTOMCONTROL");
}

TEST_F(DispatchWalkTest, PlainWindowWalkTakesDirectChildrenOnly) {
    HWND parent = ::CreateWindowExW(0, L"#32770", L"dlg", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    auto child = [&](const wchar_t* cls, DWORD style, HWND p) {
        return ::CreateWindowExW(0, cls, L"", WS_CHILD | style, 0, 0, 50, 20, p, nullptr, nullptr, nullptr);
    };
    HWND ok = child(L"Button", BS_DEFPUSHBUTTON, parent);
    HWND check = child(L"Button", BS_AUTOCHECKBOX, parent);
    HWND owner = child(L"Button", BS_OWNERDRAW, parent);
    HWND edit = child(L"Edit", 0, parent);
    HWND simple = child(L"ComboBox", CBS_SIMPLE, parent);
    HWND nested = child(L"#32770", 0, parent);
    HWND inner = child(L"Edit", 0, nested);  // grandchild: not walked
    ASSERT_TRUE(ok && check && owner && edit && simple && nested && inner);

    std::vector<TDispatchItem> items;
    DispatchPlainWindow(parent, [&](const TDispatchItem& item) { items.push_back(item); });
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].Window, ok);
    EXPECT_EQ(items[0].Decision.Kind, K::Button);
    EXPECT_EQ(items[1].Window, check);
    EXPECT_EQ(items[1].Decision.Kind, K::CheckBox);
    EXPECT_EQ(items[2].Window, edit);
    EXPECT_EQ(items[2].Decision.Kind, K::Edit);
    EXPECT_EQ(items[3].Window, nested);
    EXPECT_EQ(items[3].Decision.Kind, K::BoxH);
    ::DestroyWindow(parent);
}

TEST_F(DispatchWalkTest, PlainWindowWalkSkipsChildrenThatAlreadyHaveASkinner) {
    HWND parent = ::CreateWindowExW(0, L"#32770", L"dlg", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    HWND edit = ::CreateWindowExW(0, L"Edit", L"", WS_CHILD, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent && edit);
    // A skinner answers WM_SKIN_QUERY with 1.
    auto answer = [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) -> LRESULT {
        return m == WM_SKIN_QUERY ? 1 : ::DefSubclassProc(w, m, wp, lp);
    };
    ASSERT_TRUE(::SetWindowSubclass(edit, answer, 1, 0));
    int count = 0;
    DispatchPlainWindow(parent, [&](const TDispatchItem&) { ++count; });
    EXPECT_EQ(count, 0);
    ::RemoveWindowSubclass(edit, answer, 1);
    DispatchPlainWindow(parent, [&](const TDispatchItem&) { ++count; });
    EXPECT_EQ(count, 1);
    ::DestroyWindow(parent);
    DispatchPlainWindow(parent, [&](const TDispatchItem&) { ++count; });  // a dead window: nothing
    EXPECT_EQ(count, 1);
}
