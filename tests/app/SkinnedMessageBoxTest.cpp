// The confirmation box under the skin manager with the program's skin settings: its two bit buttons are skinned
// through the class-to-skinner list and drawn from the skin's button images, and keys and clicks still answer
// the box exactly once.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "app/AppTestSupport.h"
#include "app/Unit_MessageBox.h"
#include "framework/Application.h"
#include "framework/Gdi.h"
#include "skin/controls/SkinManage.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinMessages.h"
#include "support/Files.h"

using namespace qd;
using namespace qd::apptest;

namespace {

// The skin data the main form's description gives the program: our skin, its set of skinned kinds and the
// class-to-skinner entry for the widget library's bit button.
TSkinData& ProgramSkin() {
    static TSkinData* data = [] {
        auto* d = new TSkinData(nullptr);
        d->SkinPackage = TMemoryStream(qd::test::ReadFileBytes(QD_SKIN_PACKAGE_FILE));
        if (!d->LoadSkinPackage()) ADD_FAILURE() << "our skin package did not load";
        TSkinControls set = 0;
        for (auto kind : {xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcProgress, xcButton, xcBitBtn,
                          xcSpeedButton, xcPanel, xcGroupBox, xcTab})
            set |= SkinControlBit(kind);
        d->SetSkinControls(set);
        d->Skin3rd.Add("TWgBitbtn=bitbtn");
        return d;
    }();
    return *data;
}

class SkinnedMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplication();
        Manager = std::make_unique<TSkinManage>();
        Manager->RegisterSkinData(&ProgramSkin());
        Manager->InstallHook();
        Manager->SetReadyCount(1);
        Manager->SetSkinning(true);
    }
    void TearDown() override {
        Manager.reset();
        ResetApplication();
    }

    // Runs the box while `script` drives it; the answer.
    bool ShowDriven(TUiScript& script) {
        script.Start();
        const bool answer = ShowMessageBox(L"确认退出系统？");
        EXPECT_TRUE(script.Failure.empty()) << script.Failure;
        return answer;
    }

    std::unique_ptr<TSkinManage> Manager;
};

bool ButtonsSkinned() {
    return BoxShowing() && ::SendMessageW(Form_MessageBox->WgBitBtn_Ok->Handle(), WM_SKIN_QUERY, 0, 0) == 1 &&
           ::SendMessageW(Form_MessageBox->WgBitBtn_Cancel->Handle(), WM_SKIN_QUERY, 0, 0) == 1;
}

// The colour the skinned paint puts at (1, mid-height) of the button.
COLORREF EdgeOf(TWgBitBtn* button) {
    HWND wnd = button->Handle();
    RECT r{};
    ::GetWindowRect(wnd, &r);
    TMemoryDC dc(nullptr);
    TBitmapHandle bmp = CreateCompatibleBitmapOf(nullptr, r.right - r.left, r.bottom - r.top);
    TSelectGuard sel(dc.Get(), bmp.Get());
    ::SendMessageW(wnd, WM_PAINT, reinterpret_cast<WPARAM>(dc.Get()), 0);
    return ::GetPixel(dc.Get(), 1, (r.bottom - r.top) / 2);
}

// The same place in frame `frame` of the skin's push-button strip.
COLORREF StripEdge(int frame) {
    const TDataSkinButton& b = *ProgramSkin().Buttons;
    const int w = b.Bitmap.Width() / std::max(b.FrameCount, 1);
    const std::uint32_t p = const_cast<TBitmap&>(b.Bitmap).ScanLine(b.Bitmap.Height() / 2)[(frame - 1) * w + 1];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

}  // namespace

TEST_F(SkinnedMessageBoxTest, ButtonsShowTheSkinsFramesForTheirStates) {
    COLORREF ok = 0, cancel = 0, okHot = 0, okPressed = 0, okDisabled = 0;
    TUiScript script;
    script.WaitFor(ButtonsSkinned, "skinned buttons")
        .Do([&] {
            ok = EdgeOf(Form_MessageBox->WgBitBtn_Ok);
            cancel = EdgeOf(Form_MessageBox->WgBitBtn_Cancel);
            HWND okWnd = Form_MessageBox->WgBitBtn_Ok->Handle();
            ::SendMessageW(okWnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            okHot = EdgeOf(Form_MessageBox->WgBitBtn_Ok);
            ::SendMessageW(okWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            okPressed = EdgeOf(Form_MessageBox->WgBitBtn_Ok);
            ::SendMessageW(okWnd, CM_MOUSELEAVE, 0, 0);  // leave while pressed: no click on release
            ::SendMessageW(okWnd, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
            Form_MessageBox->WgBitBtn_Ok->SetEnabled(false);
            okDisabled = EdgeOf(Form_MessageBox->WgBitBtn_Ok);
            Form_MessageBox->WgBitBtn_Ok->SetEnabled(true);
        })
        .Do([] { PostKeyToFocus(VK_ESCAPE); });
    EXPECT_FALSE(ShowDriven(script));
    EXPECT_EQ(ok, StripEdge(1)) << "normal";
    EXPECT_EQ(cancel, StripEdge(4)) << "focused (and default)";
    EXPECT_EQ(okHot, StripEdge(4)) << "hot";
    EXPECT_EQ(okPressed, StripEdge(2)) << "pressed";
    EXPECT_EQ(okDisabled, StripEdge(3)) << "disabled";
}

TEST_F(SkinnedMessageBoxTest, KeysStillAnswerTheBox) {
    {
        TUiScript script;
        script.WaitFor(ButtonsSkinned, "skinned buttons").Do([] { PostKeyToFocus(VK_ESCAPE); });
        EXPECT_FALSE(ShowDriven(script)) << "Escape";
    }
    {
        TUiScript script;
        script.WaitFor(ButtonsSkinned, "skinned buttons").Do([] { PostKeyToFocus(VK_RETURN); });
        EXPECT_FALSE(ShowDriven(script)) << "Enter on Cancel";
    }
    {
        TUiScript script;
        script.WaitFor(ButtonsSkinned, "skinned buttons")
            .Do([] { PostKeyToFocus(VK_TAB); })
            .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Ok->Handle(); }, "focus on OK")
            .Do([] { PostKeyToFocus(VK_RETURN); });
        EXPECT_TRUE(ShowDriven(script)) << "Tab, Enter";
    }
}

TEST_F(SkinnedMessageBoxTest, OneClickGivesOneAnswer) {
    int clicks = 0;
    TUiScript script;
    script.WaitFor(ButtonsSkinned, "skinned buttons").Do([&] {
        Form_MessageBox->WgBitBtn_Ok->OnClick = [&](TObject*) { ++clicks; };
        HWND wnd = Form_MessageBox->WgBitBtn_Ok->Handle();
        ::PostMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
        ::PostMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    });
    EXPECT_TRUE(ShowDriven(script));
    EXPECT_EQ(clicks, 1);
}
