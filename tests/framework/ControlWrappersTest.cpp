// The wrappers over the platform's controls: stored descriptions reach the platform windows, notifications come
// back as events, and making and freeing them leaks nothing.

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/FrameworkTestSupport.h"
#include "framework/Gdi.h"
#include "framework/Properties.h"
#include "framework/StdCtrls.h"

using namespace qd;
using namespace qd::test;

namespace {

const char* const kWrappersText = R"(object WrapperForm: TForm
  Left = 10
  Top = 10
  BorderStyle = bsNone
  ClientHeight = 600
  ClientWidth = 800
  Caption = '控件'
  object Button1: TButton
    Left = 8
    Top = 8
    Caption = '确定(&O)'
    Default = True
    ModalResult = 1
  end
  object BitBtn1: TBitBtn
    Left = 90
    Top = 8
    Caption = '取消'
    Kind = bkCancel
    Layout = blGlyphTop
  end
  object CheckBox1: TCheckBox
    Left = 8
    Top = 40
    Caption = '半选'
    AllowGrayed = True
    State = cbGrayed
    Alignment = taLeftJustify
  end
  object RadioButton1: TRadioButton
    Left = 8
    Top = 60
    Caption = '单选'
    Checked = True
  end
  object GroupBox1: TGroupBox
    Left = 8
    Top = 80
    Caption = '分组'
  end
  object RadioGroup1: TRadioGroup
    Left = 200
    Top = 80
    Caption = '选项'
    ItemIndex = 1
    Items.Strings = (
      '甲'
      '乙'
      '丙')
  end
  object Panel1: TPanel
    Left = 400
    Top = 8
    Caption = '面板'
    BevelOuter = bvLowered
  end
  object Edit1: TEdit
    Left = 8
    Top = 200
    Text = '只读文本'
    ReadOnly = True
  end
  object Memo1: TMemo
    Left = 140
    Top = 200
    ScrollBars = ssVertical
    Lines.Strings = (
      '第一行'
      '第二行')
  end
  object ListBox1: TListBox
    Left = 340
    Top = 200
    Items.Strings = (
      '一'
      '二'
      '三')
    ItemIndex = 2
  end
  object ComboBox1: TComboBox
    Left = 470
    Top = 200
    Style = csDropDownList
    Items.Strings = (
      '北京'
      '上海')
    ItemIndex = 1
  end
  object ScrollBar1: TScrollBar
    Left = 620
    Top = 200
    Width = 17
    Height = 120
    Kind = sbVertical
    Max = 50
    Position = 20
  end
  object ProgressBar1: TProgressBar
    Left = 650
    Top = 200
    Width = 20
    Height = 120
    Orientation = pbVertical
    Max = 200
    Position = 30
  end
  object TrackBar1: TTrackBar
    Left = 680
    Top = 200
    Width = 45
    Height = 150
    Orientation = trVertical
    Max = 20
    Position = 7
  end
  object Edit2: TEdit
    Left = 8
    Top = 330
    Width = 80
  end
  object UpDown1: TUpDown
    Left = 88
    Top = 330
    Associate = Edit2
    Max = 10
    Position = 5
  end
  object PageControl1: TPageControl
    Left = 8
    Top = 360
    Width = 300
    Height = 200
    ActivePage = TabSheet2
    TabPosition = tpLeft
    object TabSheet1: TTabSheet
      Caption = '第一页'
    end
    object TabSheet2: TTabSheet
      Caption = '第二页'
    end
  end
  object TabControl1: TTabControl
    Left = 320
    Top = 360
    Width = 200
    Height = 120
    TabPosition = tpBottom
    Tabs.Strings = (
      '上'
      '中'
      '下')
    TabIndex = 2
  end
  object HeaderControl1: THeaderControl
    Left = 0
    Top = 0
    Sections = <
      item
        Text = '名称'
        Width = 120
      end
      item
        Alignment = taRightJustify
        Text = '数量'
        Width = 60
      end>
  end
  object ListView1: TListView
    Left = 530
    Top = 360
    ViewStyle = vsReport
    RowSelect = True
    Columns = <
      item
        Caption = '商品'
        Width = 100
      end
      item
        Caption = '价格'
        Width = 60
      end>
    Items = <
      item
        Caption = '茶叶'
        SubItems.Strings = (
          '12.5')
      end
      item
        Caption = '瓷器'
        SubItems.Strings = (
          '99')
      end>
  end
  object SpeedButton1: TSpeedButton
    Left = 300
    Top = 8
    Caption = '粗'
    GroupIndex = 1
    Down = True
    Flat = True
  end
end
)";

class TWrapperForm : public TForm {
public:
    TWrapperForm() : TForm(nullptr) {
        RegisterFrameworkClasses();
        ReadStoredForm(kWrappersText, "WrapperForm");
    }
    template <class T>
    T& Get(const std::string& name) {
        auto* found = dynamic_cast<T*>(FindComponent(name));
        if (!found) throw Exception("no " + name);
        return *found;
    }
    HWND Wnd(const std::string& name) { return Get<TWinControl>(name).Handle(); }
};

std::wstring TextOf(HWND wnd) {
    wchar_t text[256] = {};
    ::GetWindowTextW(wnd, text, 256);
    return text;
}

DWORD StyleOf(HWND wnd) { return static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_STYLE)); }

LRESULT Send(HWND wnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(wnd, msg, wParam, lParam);
}

std::wstring ListViewText(HWND wnd, int item, int sub) {
    wchar_t text[64] = {};
    LVITEMW lvi{};
    lvi.iSubItem = sub;
    lvi.pszText = text;
    lvi.cchTextMax = 64;
    Send(wnd, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi));
    return text;
}

std::wstring HeaderText(HWND wnd, int item) {
    wchar_t text[64] = {};
    HDITEMW hdi{};
    hdi.mask = HDI_TEXT;
    hdi.pszText = text;
    hdi.cchTextMax = 64;
    Send(wnd, HDM_GETITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&hdi));
    return text;
}

TEST(ControlWrapperTest, StoredDescriptionsReachThePlatformWindows) {
    TWrapperForm form;
    form.Show();
    // The platform class under each wrapper answers its own messages with the stored values.
    struct TCase {
        const char* Name;
        DWORD Style;  // bits that must be set
        std::function<void(TWrapperForm&, HWND)> More;
    };
    const std::vector<TCase> cases = {
        {"Button1", BS_DEFPUSHBUTTON, [](TWrapperForm&, HWND w) { EXPECT_EQ(TextOf(w), L"确定(&O)"); }},
        {"BitBtn1", BS_OWNERDRAW,
         [](TWrapperForm& f, HWND) {
             EXPECT_EQ(f.Get<TBitBtn>("BitBtn1").ModalResult(), 2);
             EXPECT_TRUE(f.Get<TBitBtn>("BitBtn1").Cancel());
         }},
        {"CheckBox1", BS_3STATE | BS_LEFTTEXT,
         [](TWrapperForm&, HWND w) { EXPECT_EQ(Send(w, BM_GETCHECK), BST_INDETERMINATE); }},
        {"RadioButton1", BS_RADIOBUTTON, [](TWrapperForm&, HWND w) { EXPECT_EQ(Send(w, BM_GETCHECK), BST_CHECKED); }},
        {"GroupBox1", BS_GROUPBOX, [](TWrapperForm&, HWND w) { EXPECT_EQ(TextOf(w), L"分组"); }},
        {"RadioGroup1", BS_GROUPBOX,
         [](TWrapperForm& f, HWND) {
             auto& group = f.Get<TRadioGroup>("RadioGroup1");
             ASSERT_EQ(group.ButtonCount(), 3);
             for (int i = 0; i < 3; ++i)
                 EXPECT_EQ(Send(group.Buttons(i)->Handle(), BM_GETCHECK), i == 1 ? BST_CHECKED : BST_UNCHECKED);
             EXPECT_EQ(TextOf(group.Buttons(2)->Handle()), L"丙");
         }},
        {"Panel1", 0, [](TWrapperForm&, HWND w) { EXPECT_EQ(TextOf(w), L"面板"); }},
        {"Edit1", ES_READONLY, [](TWrapperForm&, HWND w) { EXPECT_EQ(TextOf(w), L"只读文本"); }},
        {"Memo1", ES_MULTILINE | WS_VSCROLL,
         [](TWrapperForm& f, HWND w) {
             EXPECT_EQ(TextOf(w), L"第一行\r\n第二行");
             EXPECT_EQ(f.Get<TMemo>("Memo1").Lines(), (std::vector<std::string>{"第一行", "第二行"}));
         }},
        {"ListBox1", LBS_NOTIFY,
         [](TWrapperForm&, HWND w) {
             EXPECT_EQ(Send(w, LB_GETCOUNT), 3);
             EXPECT_EQ(Send(w, LB_GETCURSEL), 2);
         }},
        {"ComboBox1", CBS_DROPDOWNLIST,
         [](TWrapperForm& f, HWND w) {
             EXPECT_EQ(Send(w, CB_GETCURSEL), 1);
             EXPECT_EQ(f.Get<TComboBox>("ComboBox1").Text(), L"上海");
         }},
        {"ScrollBar1", SBS_VERT,
         [](TWrapperForm&, HWND w) {
             SCROLLINFO si{sizeof si, SIF_ALL};
             ASSERT_TRUE(::GetScrollInfo(w, SB_CTL, &si));
             EXPECT_EQ(si.nMax, 50);
             EXPECT_EQ(si.nPos, 20);
         }},
        {"ProgressBar1", PBS_VERTICAL,
         [](TWrapperForm&, HWND w) {
             EXPECT_EQ(Send(w, PBM_GETPOS), 30);
             EXPECT_EQ(Send(w, PBM_GETRANGE, FALSE), 200);
         }},
        {"TrackBar1", TBS_VERT,
         [](TWrapperForm&, HWND w) {
             EXPECT_EQ(Send(w, TBM_GETPOS), 7);
             EXPECT_EQ(Send(w, TBM_GETRANGEMAX), 20);
         }},
        {"UpDown1", UDS_SETBUDDYINT,
         [](TWrapperForm& f, HWND w) {
             EXPECT_EQ(reinterpret_cast<HWND>(Send(w, UDM_GETBUDDY)), f.Wnd("Edit2"));
             EXPECT_EQ(Send(w, UDM_GETPOS32), 5);
             EXPECT_EQ(TextOf(f.Wnd("Edit2")), L"5");
         }},
        {"PageControl1", TCS_VERTICAL,
         [](TWrapperForm& f, HWND w) {
             EXPECT_EQ(Send(w, TCM_GETITEMCOUNT), 2);
             EXPECT_EQ(Send(w, TCM_GETCURSEL), 1);
             EXPECT_TRUE(::IsWindowVisible(f.Wnd("TabSheet2")));
             EXPECT_FALSE(::IsWindowVisible(f.Wnd("TabSheet1")));
             EXPECT_EQ(::GetParent(f.Wnd("TabSheet1")), w);
         }},
        {"TabControl1", TCS_BOTTOM,
         [](TWrapperForm&, HWND w) {
             EXPECT_EQ(Send(w, TCM_GETITEMCOUNT), 3);
             EXPECT_EQ(Send(w, TCM_GETCURSEL), 2);
         }},
        {"HeaderControl1", HDS_BUTTONS,
         [](TWrapperForm&, HWND w) {
             EXPECT_EQ(Send(w, HDM_GETITEMCOUNT), 2);
             EXPECT_EQ(HeaderText(w, 1), L"数量");
         }},
        {"ListView1", LVS_REPORT,
         [](TWrapperForm&, HWND w) {
             EXPECT_EQ(Send(w, LVM_GETITEMCOUNT), 2);
             EXPECT_EQ(ListViewText(w, 1, 0), L"瓷器");
             EXPECT_EQ(ListViewText(w, 0, 1), L"12.5");
             EXPECT_TRUE(Send(w, LVM_GETEXTENDEDLISTVIEWSTYLE) & LVS_EX_FULLROWSELECT);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND wnd = form.Wnd(c.Name);
        ASSERT_TRUE(::IsWindow(wnd));
        EXPECT_TRUE(::IsWindowUnicode(wnd));
        EXPECT_EQ(StyleOf(wnd) & c.Style, c.Style);
        if (c.More) c.More(form, wnd);
    }
    // The windowless speed button keeps its state as published values, read back by name.
    auto& speed = form.Get<TSpeedButton>("SpeedButton1");
    EXPECT_EQ(GetPropertyText(speed, "Down"), "True");
    EXPECT_EQ(GetPropertyText(speed, "Flat"), "True");
    EXPECT_EQ(GetPropertyText(form.Get<TCheckBox>("CheckBox1"), "State"), "cbGrayed");
}

// One click of each kind: the platform's own notification, reflected to the control, runs OnClick once.
TEST(ControlWrapperTest, ClicksRunOnClickOnceAndMoveTheState) {
    TWrapperForm form;
    form.Show();
    std::vector<std::string> clicks;
    for (const char* name : {"Button1", "CheckBox1", "RadioButton1", "RadioGroup1", "SpeedButton1", "UpDown1"})
        form.Get<TControl>(name).OnClick = [&clicks, name](TObject*) { clicks.push_back(name); };

    Send(form.Wnd("Button1"), BM_CLICK);
    EXPECT_EQ(form.ModalResult(), 1) << "the button gives the form its modal result";
    form.SetModalResult(0);

    auto& check = form.Get<TCheckBox>("CheckBox1");
    std::vector<TCheckBoxState> states;
    for (int i = 0; i < 3; ++i) {
        Send(form.Wnd("CheckBox1"), BM_CLICK);
        states.push_back(check.State());
    }
    EXPECT_EQ(states, (std::vector<TCheckBoxState>{cbUnchecked, cbChecked, cbGrayed}));
    EXPECT_EQ(Send(form.Wnd("CheckBox1"), BM_GETCHECK), BST_INDETERMINATE);

    auto& group = form.Get<TRadioGroup>("RadioGroup1");
    Send(group.Buttons(2)->Handle(), BM_CLICK);
    EXPECT_EQ(group.ItemIndex(), 2);
    EXPECT_EQ(Send(group.Buttons(1)->Handle(), BM_GETCHECK), BST_UNCHECKED);

    // The speed button is windowless: the mouse reaches it through its parent.
    auto& speed = form.Get<TSpeedButton>("SpeedButton1");
    const LPARAM at = MAKELPARAM(speed.Left() + 5, speed.Top() + 5);
    Send(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    EXPECT_TRUE(speed.Pressed());
    Send(form.Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(speed.Down()) << "the only one of its group stays down without AllowAllUp";

    HWND updown = form.Wnd("UpDown1");
    RECT r{};
    ::GetClientRect(updown, &r);
    Send(updown, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, 2));
    Send(updown, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, 2));
    EXPECT_EQ(form.Get<TUpDown>("UpDown1").Position(), 6);

    EXPECT_EQ(clicks, (std::vector<std::string>{"Button1", "CheckBox1", "CheckBox1", "CheckBox1", "RadioGroup1",
                                                "SpeedButton1", "UpDown1"}));
}

// OnChange of each kind runs once per change the user makes, and the published value follows.
TEST(ControlWrapperTest, UserChangesRunOnChangeOnceAndUpdateTheValue) {
    TWrapperForm form;
    form.Show();
    std::vector<std::string> changes;
    auto watch = [&changes](TNotifyEvent& event, const char* name) {
        event = [&changes, name](TObject*) { changes.push_back(name); };
    };
    watch(form.Get<TEdit>("Edit1").OnChange, "Edit1");
    watch(form.Get<TComboBox>("ComboBox1").OnChange, "ComboBox1");
    watch(form.Get<TScrollBar>("ScrollBar1").OnChange, "ScrollBar1");
    watch(form.Get<TTrackBar>("TrackBar1").OnChange, "TrackBar1");
    watch(form.Get<TPageControl>("PageControl1").OnChange, "PageControl1");
    watch(form.Get<TTabControl>("TabControl1").OnChange, "TabControl1");
    watch(form.Get<TListView>("ListView1").OnChange, "ListView1");

    ::SetWindowTextW(form.Wnd("Edit1"), L"新文本");
    EXPECT_EQ(form.Get<TEdit>("Edit1").Text(), L"新文本");

    HWND combo = form.Wnd("ComboBox1");
    ::SetFocus(combo);
    Send(combo, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(form.Get<TComboBox>("ComboBox1").ItemIndex(), 0);
    EXPECT_EQ(form.Get<TComboBox>("ComboBox1").Text(), L"北京");

    Send(form.Handle(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(form.Wnd("ScrollBar1")));
    EXPECT_EQ(form.Get<TScrollBar>("ScrollBar1").Position(), 21);
    EXPECT_EQ(::GetScrollPos(form.Wnd("ScrollBar1"), SB_CTL), 21);

    HWND track = form.Wnd("TrackBar1");
    ::SetFocus(track);
    Send(track, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(form.Get<TTrackBar>("TrackBar1").Position(), 8);

    // A click on the first tab of each tab row.
    for (const char* name : {"PageControl1", "TabControl1"}) {
        HWND tabs = form.Wnd(name);
        RECT tab{};
        Send(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
        const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        Send(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Send(tabs, WM_LBUTTONUP, 0, at);
    }
    EXPECT_EQ(form.Get<TPageControl>("PageControl1").ActivePage(), &form.Get<TTabSheet>("TabSheet1"));
    EXPECT_TRUE(::IsWindowVisible(form.Wnd("TabSheet1")));
    EXPECT_FALSE(::IsWindowVisible(form.Wnd("TabSheet2")));
    EXPECT_EQ(form.Get<TTabControl>("TabControl1").TabIndex(), 0);

    form.Get<TListView>("ListView1").SetItemIndex(1);
    EXPECT_EQ(form.Get<TListView>("ListView1").ItemIndex(), 1);

    EXPECT_EQ(changes, (std::vector<std::string>{"Edit1", "ComboBox1", "ScrollBar1", "TrackBar1", "PageControl1",
                                                 "TabControl1", "ListView1"}));
}

TEST(ControlWrapperTest, RangeEndsThatWouldCrossMoveTogetherAndReachTheWindow) {
    TWrapperForm form;
    form.Show();
    using TWindowRange = std::pair<int, int> (*)(HWND);
    const std::pair<const char*, TWindowRange> cases[] = {
        {"ProgressBar1",
         [](HWND w) {
             PBRANGE r{};
             Send(w, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
             return std::pair{r.iLow, r.iHigh};
         }},
        {"TrackBar1",
         [](HWND w) {
             return std::pair{static_cast<int>(Send(w, TBM_GETRANGEMIN)), static_cast<int>(Send(w, TBM_GETRANGEMAX))};
         }},
        {"ScrollBar1",
         [](HWND w) {
             int low = 0, high = 0;
             ::GetScrollRange(w, SB_CTL, &low, &high);
             return std::pair{low, high};
         }},
    };
    for (const auto& [name, windowRange] : cases) {
        SCOPED_TRACE(name);
        TRangeControl& range = form.Get<TRangeControl>(name);
        range.SetMax(50);
        range.SetMin(60);  // above the maximum: the maximum follows
        EXPECT_EQ(range.Max(), 60);
        EXPECT_EQ(windowRange(form.Wnd(name)), (std::pair{60, 60}));
        range.SetMax(20);  // below the minimum: the minimum follows
        EXPECT_EQ(range.Min(), 20);
        EXPECT_EQ(windowRange(form.Wnd(name)), (std::pair{20, 20}));
    }
}

TEST(ControlWrapperTest, MakingAndFreeingEveryKindLeavesNoWindowsAndNoGdiObjects) {
    auto cycle = [] {
        TWrapperForm form;
        form.Show();
        ::UpdateWindow(form.Handle());
        ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        form.Get<TPageControl>("PageControl1").SetTabPosition(tpRight);  // remade with its sheets
        form.Get<TListBox>("ListBox1").SetSorted(true);
    };
    cycle();  // first use registers classes and loads what the platform keeps
    const int windows = ThreadWindowCount();
    const long gdi = GdiLiveCounts().Total();
    for (int i = 0; i < 20; ++i) cycle();
    EXPECT_EQ(ThreadWindowCount(), windows);
    EXPECT_EQ(GdiLiveCounts().Total(), gdi);
}

// A window made again keeps what lived only in the old one.
TEST(ControlWrapperTest, RemadeWindowsKeepTheirItemsPagesAndSelection) {
    TWrapperForm form;
    form.Show();
    auto& list = form.Get<TListBox>("ListBox1");
    list.SetSorted(true);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"一", "三", "二"})) << "sorted by the platform";
    auto& pages = form.Get<TPageControl>("PageControl1");
    pages.SetTabPosition(tpBottom);
    HWND tabs = form.Wnd("PageControl1");
    EXPECT_TRUE(StyleOf(tabs) & TCS_BOTTOM);
    EXPECT_EQ(Send(tabs, TCM_GETITEMCOUNT), 2);
    EXPECT_EQ(Send(tabs, TCM_GETCURSEL), 1);
    EXPECT_EQ(::GetParent(form.Wnd("TabSheet2")), tabs);
    EXPECT_TRUE(::IsWindowVisible(form.Wnd("TabSheet2")));
    auto& combo = form.Get<TComboBox>("ComboBox1");
    combo.SetStyle(csDropDown);
    EXPECT_EQ(Send(form.Wnd("ComboBox1"), CB_GETCURSEL), 1);
    EXPECT_EQ(combo.Text(), L"上海");
}

}  // namespace

namespace {

// A windowless control that counts its paints.
class TPaintCounter : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    int Paints = 0;

protected:
    void Paint() override { ++Paints; }
};

// Windowless controls on a container built on a platform class (a group box, a tab control) are painted when the
// container paints.
TEST(ControlWrapperTest, WindowlessChildrenOfPlatformContainersArePainted) {
    TWrapperForm form;
    form.Show();
    for (const char* name : {"GroupBox1", "TabControl1", "RadioGroup1"}) {
        SCOPED_TRACE(name);
        auto& container = form.Get<TWinControl>(name);
        auto* counter = new TPaintCounter(&form);
        counter->SetParent(&container);
        counter->SetBounds(20, 40, 30, 20);
        ::RedrawWindow(container.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_GT(counter->Paints, 0);
        EXPECT_FALSE(::GetUpdateRect(container.Handle(), nullptr, FALSE)) << "the paint validated the window";
    }
}

}  // namespace
