// Real input on the skinned gallery (SendInput): tabs switch by a click on the skinned tab row, track-bar thumbs
// follow a drag, only one control is hot at a time, and Chinese texts set on the skinned controls come back.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ComCtrls.h"
#include "gallery/GalleryTestSupport.h"
#include "skin/controls/SkinControlTestSupport.h"

using namespace qd;

namespace {

class GalleryInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ParkCursor();
        test::OpenGallery(true);
    }
    void TearDown() override {
        test::ParkCursor();
        test::CloseGallery();
    }
    static POINT Centre(HWND wnd, RECT r) {
        return test::ScreenPoint(wnd, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // A press at `from`, moved in steps to `to`, released there.
    static bool Drag(POINT from, POINT to) {
        return test::RunInput([=] {
            test::MoveTo(from);
            test::SendMouse(MOUSEEVENTF_LEFTDOWN);
            for (int step = 1; step <= 4; ++step)
                test::MoveTo(POINT{from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4});
            test::SendMouse(MOUSEEVENTF_LEFTUP);
        });
    }
};

TEST_F(GalleryInputTest, AClickOnASkinnedTabSwitchesToIt) {
    for (const char* name :
         {"PageControl_Top", "PageControl_Bottom", "PageControl_Left", "PageControl_Right", "TabControl_Plain"}) {
        SCOPED_TRACE(name);
        TWinControl* tabs = test::GalleryControl(name);
        ASSERT_NE(tabs, nullptr);
        ASSERT_NE(test::SkinnerOf(tabs->Handle()), nullptr) << "the tab row is skinned";
        HWND wnd = tabs->Handle();
        RECT tab{};
        ASSERT_TRUE(::SendMessageW(wnd, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab)));
        const POINT at = Centre(wnd, tab);
        EXPECT_TRUE(test::RunInput([=] {
            test::MoveTo(at);
            test::SendMouse(MOUSEEVENTF_LEFTDOWN);
            test::SendMouse(MOUSEEVENTF_LEFTUP);
        }));
        EXPECT_TRUE(test::PumpUntil([&] { return ::SendMessageW(wnd, TCM_GETCURSEL, 0, 0) == 1; }));
        if (auto* pages = dynamic_cast<TPageControl*>(tabs)) {
            ASSERT_NE(pages->ActivePage(), nullptr);
            EXPECT_EQ(pages->ActivePage()->Name(), std::string(name) + "_Advanced");
        }
    }
}

TEST_F(GalleryInputTest, ATrackBarThumbFollowsADragThroughTheSkin) {
    for (const char* name : {"TrackBar_Horz", "TrackBar_Vert"}) {
        SCOPED_TRACE(name);
        auto* bar = test::GalleryControl<TTrackBar>(name);
        ASSERT_NE(bar, nullptr);
        HWND wnd = bar->Handle();
        ASSERT_NE(test::SkinnerOf(wnd), nullptr) << "the track bar is skinned";
        const bool vertical = (::GetWindowLongPtrW(wnd, GWL_STYLE) & TBS_VERT) != 0;
        RECT thumb{};
        ::SendMessageW(wnd, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        const int before = bar->Position();
        const POINT from = Centre(wnd, thumb);
        const POINT to{from.x + (vertical ? 0 : 60), from.y + (vertical ? 40 : 0)};
        EXPECT_TRUE(Drag(from, to));
        EXPECT_TRUE(test::PumpUntil([&] { return bar->Position() > before; }))
            << "position " << before << " -> " << bar->Position();
        EXPECT_EQ(bar->Position(), ::SendMessageW(wnd, TBM_GETPOS, 0, 0)) << "the control's object follows the thumb";
    }
}

// The controls whose skinners are hot now, by name.
std::string HotControls() {
    std::string names;
    for (ISkinControlItem* item : test::GallerySkinner()->View().Controls)
        if (auto* skinner = dynamic_cast<TSkinControl*>(item); skinner && (skinner->Mouse() & msHot))
            names += (names.empty() ? "" : " ") + (skinner->Target() ? skinner->Target()->Name() : "windowless");
    return names;
}

TEST_F(GalleryInputTest, OnlyTheControlUnderTheMouseIsHot) {
    // From control to control as a hand crosses the window, and back; check boxes, radio buttons, edits and
    // panels have no hot look, so over them nothing is hot.
    static const struct {
        const char* Name;
        bool Hot;
    } kPath[] = {{"Button_Normal", true}, {"Button_Default", true},    {"CheckBox_Off", false},
                 {"BitBtn_OK", true},     {"BitBtn_Cancel", true},     {"RadioButton_A", false},
                 {"Button_Skin", true},   {"ComboBox_DropDown", true}, {"ComboBox_List", true},
                 {"Button_Normal", true}, {"Edit_Normal", false},      {"ComboBox_List", true},
                 {"Panel_Raised", false}, {"Button_Normal", true}};
    for (const auto& step : kPath) {
        SCOPED_TRACE(step.Name);
        TWinControl* control = test::GalleryControl(step.Name);
        ASSERT_NE(control, nullptr);
        const POINT at = control->Parent()->ClientToScreen(
            POINT{control->Left() + control->Width() / 2, control->Top() + control->Height() / 2});
        EXPECT_TRUE(test::RunInput([=] { test::MoveTo(at); }));
        const std::string expected = step.Hot ? control->Name() : "";
        test::PumpUntil([&] { return HotControls() == expected; }, 2000);
        EXPECT_EQ(HotControls(), expected);
    }
}

TEST_F(GalleryInputTest, ChineseTextsOnEverySkinnedControlComeBackUnchanged) {
    static const wchar_t kText[] = L"岚栎订单：茶叶、瓷器与丝绸 № 7";
    int windows = 0;
    for (ISkinControlItem* item : test::GallerySkinner()->View().Controls) {
        HWND wnd = item->ControlWindow();
        if (!wnd) continue;  // windowless: no window text
        wchar_t cls[64] = {};
        ::GetClassNameW(wnd, cls, 64);
        SCOPED_TRACE(WideToUtf8(cls));
        // A drop-down list shows only texts of its list: the text is added and chosen (the platform's combo
        // box refuses WM_SETTEXT without an edit).
        if (std::wstring(cls).find(L"Combo") != std::wstring::npos) {
            ::SendMessageW(wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kText));
            if ((::GetWindowLongPtrW(wnd, GWL_STYLE) & 3) == CBS_DROPDOWNLIST)
                ::SendMessageW(wnd, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kText));
        }
        ::SetWindowTextW(wnd, kText);
        wchar_t back[128] = {};
        ::GetWindowTextW(wnd, back, 128);
        EXPECT_EQ(std::wstring(back), kText);
        EXPECT_TRUE(::IsWindowUnicode(wnd));
        ++windows;
    }
    EXPECT_GT(windows, 30);
    test::PumpPending();  // and they paint
}

}  // namespace
