// Caption buttons: hot tracking, press and release, the actions, double clicks, the system menu and the
// visibility rules.

#include "SkinFormTestSupport.h"

#include <algorithm>

namespace qd::test {
namespace {

class SkinButtons : public SkinFormFixture {
protected:
    void SetUp() override {
        SkinFormFixture::SetUp();
        MakeWindow();
        Skin();
        ::SendMessageW(Wnd, WM_NCACTIVATE, TRUE, 0);
        Skinner->PaintFrame();  // places the buttons
        PumpPending();
    }
    TWinSysButton* ButtonWithAction(int action) {
        for (auto& b : Skinner->View().SysButtons)
            if (b->Visible && b->Data->Action == action) return b.get();
        return nullptr;
    }
    LPARAM At(const TWinSysButton& b) {
        return PointParam(FrameToScreen(POINT{(b.Rect.left + b.Rect.right) / 2, (b.Rect.top + b.Rect.bottom) / 2}));
    }
    POINT EmptyCaption() const {
        const TFrameMetrics& frame = Skinner->View().Frame;
        return FrameToScreen(POINT{frame.Left + 120, frame.Top / 2 + 2});
    }
    LPARAM OnEmptyCaption() const { return PointParam(EmptyCaption()); }
    void DropPosted() {
        MSG m;
        while (::PeekMessageW(&m, Wnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE)) {
        }
        while (::PeekMessageW(&m, Wnd, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
        }
    }
};

TEST_F(SkinButtons, HoverPressAndReleaseClicksClose) {
    TWinSysButton* close = ButtonWithAction(0);
    ASSERT_NE(close, nullptr);
    ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, At(*close));
    EXPECT_EQ(close->State, ncsHot);
    EXPECT_EQ(Skinner->View().HotObject, close);
    ::SendMessageW(Wnd, WM_NCLBUTTONDOWN, HTCAPTION, At(*close));
    EXPECT_EQ(close->State, ncsPressed);
    ::SendMessageW(Wnd, WM_NCLBUTTONUP, HTCAPTION, At(*close));
    EXPECT_EQ(close->State, ncsHot);
    WPARAM command = 0;
    ASSERT_TRUE(TakePosted(Wnd, WM_SYSCOMMAND, &command));
    EXPECT_EQ(command, static_cast<WPARAM>(SC_CLOSE));
}

TEST_F(SkinButtons, RebuildingTheButtonsForgetsTheHotOne) {
    TWinSysButton* close = ButtonWithAction(0);
    ASSERT_NE(close, nullptr);
    ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, At(*close));
    ASSERT_EQ(Skinner->View().HotObject, close);
    Skinner->BuildSysButtons();  // the old button objects are gone
    EXPECT_EQ(Skinner->View().HotObject, nullptr);
}

TEST_F(SkinButtons, ReleaseOutsideAfterLeavingDoesNotClick) {
    TWinSysButton* close = ButtonWithAction(0);
    ASSERT_NE(close, nullptr);
    ::SendMessageW(Wnd, WM_NCLBUTTONDOWN, HTCAPTION, At(*close));
    EXPECT_EQ(close->State, ncsPressed);
    ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, OnEmptyCaption());
    EXPECT_EQ(close->State, ncsNormal);
    EXPECT_EQ(Skinner->View().HotObject, nullptr);
    DropPosted();
    ::SendMessageW(Wnd, WM_NCLBUTTONUP, HTCAPTION, OnEmptyCaption());
    EXPECT_FALSE(TakePosted(Wnd, WM_SYSCOMMAND));
    // Coming back and releasing without a new press does not click either.
    ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, At(*close));
    DropPosted();
    ::SendMessageW(Wnd, WM_NCLBUTTONUP, HTCAPTION, OnEmptyCaption());
    EXPECT_FALSE(TakePosted(Wnd, WM_SYSCOMMAND));
}

TEST_F(SkinButtons, MovingToAnotherButtonMakesTheFirstLeave) {
    TWinSysButton* close = ButtonWithAction(0);
    TWinSysButton* minimize = ButtonWithAction(2);
    ASSERT_NE(close, nullptr);
    ASSERT_NE(minimize, nullptr);
    ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, At(*close));
    ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, At(*minimize));
    EXPECT_EQ(close->State, ncsNormal);
    EXPECT_EQ(minimize->State, ncsHot);
    EXPECT_EQ(Skinner->View().HotObject, minimize);
}

TEST_F(SkinButtons, HoverTimerNoticesTheCursorLeft) {
    TWinSysButton* close = ButtonWithAction(0);
    ASSERT_NE(close, nullptr);
    ::SetCursorPos(5, 5);  // far from the button
    ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, At(*close));
    ASSERT_EQ(Skinner->View().HotObject, close);
    Skinner->View().HoverTimer->Tick();
    EXPECT_EQ(Skinner->View().HotObject, nullptr);
    EXPECT_EQ(close->State, ncsNormal);
}

TEST_F(SkinButtons, InactiveWindowIgnoresMouseMoves) {
    TWinSysButton* close = ButtonWithAction(0);
    ASSERT_NE(close, nullptr);
    ::SendMessageW(Wnd, WM_NCACTIVATE, FALSE, 0);
    Skinner->PaintFrame();
    WindowRecorder().Clear();
    ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, At(*close));
    EXPECT_EQ(Skinner->View().HotObject, nullptr);
}

TEST_F(SkinButtons, MaximizeAndMinimizeActions) {
    TWinSysButton* maximize = ButtonWithAction(1);
    ASSERT_NE(maximize, nullptr);
    ::SendMessageW(Wnd, WM_NCLBUTTONDOWN, HTCAPTION, At(*maximize));
    ::SendMessageW(Wnd, WM_NCLBUTTONUP, HTCAPTION, At(*maximize));
    WPARAM command = 0;
    ASSERT_TRUE(TakePosted(Wnd, WM_SYSCOMMAND, &command));
    EXPECT_EQ(command, static_cast<WPARAM>(SC_MAXIMIZE));
    EXPECT_EQ(Skinner->SizeState(), TSizeState::Maximized);
    ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    PumpPending();
    EXPECT_TRUE(::IsZoomed(Wnd));
    Skinner->PaintFrame();
    // Maximized: the restore button (Visibility 1) shows where the maximize one was.
    TWinSysButton* restore = ButtonWithAction(1);
    ASSERT_NE(restore, nullptr);
    EXPECT_EQ(restore->Data->Visibility, 1);
    ::SendMessageW(Wnd, WM_NCLBUTTONDOWN, HTCAPTION, At(*restore));
    ::SendMessageW(Wnd, WM_NCLBUTTONUP, HTCAPTION, At(*restore));
    ASSERT_TRUE(TakePosted(Wnd, WM_SYSCOMMAND, &command));
    EXPECT_EQ(command, static_cast<WPARAM>(SC_RESTORE));
    ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    PumpPending();
    EXPECT_FALSE(::IsZoomed(Wnd));
    EXPECT_EQ(Skinner->SizeState(), TSizeState::Normal);
}

TEST_F(SkinButtons, TitleDoubleClickRules) {
    DropPosted();
    ::SendMessageW(Wnd, WM_NCLBUTTONDBLCLK, HTCAPTION, OnEmptyCaption());
    WPARAM command = 0;
    ASSERT_TRUE(TakePosted(Wnd, WM_SYSCOMMAND, &command));
    EXPECT_EQ(command, static_cast<WPARAM>(SC_MAXIMIZE));
    ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    PumpPending();
    ::SendMessageW(Wnd, WM_NCLBUTTONDBLCLK, HTCAPTION, OnEmptyCaption());
    ASSERT_TRUE(TakePosted(Wnd, WM_SYSCOMMAND, &command));
    EXPECT_EQ(command, static_cast<WPARAM>(SC_RESTORE));
}

TEST_F(SkinButtons, DoubleClickOnWindowWithoutMaximizeBoxDoesNothing) {
    Unskin();
    ::DestroyWindow(Wnd);
    MakeWindow(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
    Skin();
    DropPosted();
    ::SendMessageW(Wnd, WM_NCLBUTTONDBLCLK, HTCAPTION, OnEmptyCaption());
    EXPECT_FALSE(TakePosted(Wnd, WM_SYSCOMMAND));
    Skinner->PaintFrame();
    EXPECT_EQ(ButtonWithAction(1), nullptr);  // no maximize button either
}

TEST_F(SkinButtons, MaximizedWindowCannotBeDraggedByItsTitle) {
    ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    PumpPending();
    ASSERT_EQ(Skinner->SizeState(), TSizeState::Maximized);
    WindowRecorder().Clear();
    // Called directly so that the default procedure's modal move loop is not entered from the test.
    UINT hitTest = HTCAPTION;
    EXPECT_FALSE(Skinner->NCLButtonDown(hitTest, EmptyCaption()));
    EXPECT_EQ(hitTest, static_cast<UINT>(HTMENU));
}

TEST_F(SkinButtons, SystemMenuOpensOnceWithinTheDoubleClickTime) {
    int opened = 0;
    Skinner->TrackMenu = [&](HMENU, int, int) {
        ++opened;
        return 0;
    };
    ::SendMessageW(Wnd, WM_NCRBUTTONDOWN, HTCAPTION, OnEmptyCaption());
    ::SendMessageW(Wnd, WM_NCRBUTTONDOWN, HTCAPTION, OnEmptyCaption());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(Manager.MenuKind, MenuKindSystem);
    EXPECT_FALSE(TakePosted(Wnd, WM_CLOSE));  // nothing hot: the second click does nothing
}

TEST_F(SkinButtons, SystemMenuItemsFollowTheWindowState) {
    std::vector<std::pair<std::wstring, bool>> items;
    Skinner->TrackMenu = [&](HMENU menu, int, int) {
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            ::GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
            const UINT state = ::GetMenuState(menu, i, MF_BYPOSITION);
            items.emplace_back(text, !(state & (MF_GRAYED | MF_DISABLED)));
        }
        return 4;  // " Close "
    };
    Skinner->ShowSystemMenu(100, 100);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].first, L" Restore ");
    EXPECT_FALSE(items[0].second);  // a normal window cannot be restored
    EXPECT_EQ(items[1].first, L" Maximize ");
    EXPECT_TRUE(items[1].second);
    EXPECT_EQ(items[2].first, L" Minimize ");
    EXPECT_EQ(items[4].first, L" Close \tShift+F4");
    EXPECT_TRUE(TakePosted(Wnd, WM_CLOSE));
}

TEST_F(SkinButtons, NativeSystemMenuCommandsComeBackAsSystemCommands) {
    DropPosted();
    EXPECT_EQ(::SendMessageW(Wnd, WM_COMMAND, SC_MINIMIZE, 0), 0);
    WPARAM command = 0;
    ASSERT_TRUE(TakePosted(Wnd, WM_SYSCOMMAND, &command));
    EXPECT_EQ(command, static_cast<WPARAM>(SC_MINIMIZE));
    WindowRecorder().Clear();
    ::SendMessageW(Wnd, WM_COMMAND, 1234, 0);
    EXPECT_EQ(WindowRecorder().Count(WM_COMMAND), 1);  // anything else is passed on
}

TEST_F(SkinButtons, VisibilityRules) {
    // The close entry (Visibility 0, Action 0) shows only on a window with a system menu.
    const auto& buttons = Skinner->View().SysButtons;
    const auto close = std::find_if(buttons.begin(), buttons.end(), [](const auto& b) {
        return b->Data->Action == sbaClose && b->Data->Visibility == sbvDefault;
    });
    ASSERT_NE(close, buttons.end());
    const int closeIndex = static_cast<int>(close - buttons.begin());
    EXPECT_TRUE(Skinner->SysButtonVisible(closeIndex));
    EXPECT_FALSE(Skinner->SysButtonVisible(-1));
    EXPECT_FALSE(Skinner->SysButtonVisible(static_cast<int>(buttons.size())));
    Unskin();
    ::DestroyWindow(Wnd);
    MakeWindow(WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME);
    Skin();
    EXPECT_FALSE(Skinner->SysButtonVisible(closeIndex));
}

TEST_F(SkinButtons, CustomButtonVisibilityAsksTheWindow) {
    // A skin with one more button, whose visibility is the window's to say.
    auto& entries = OurSkin().SysButtons;
    entries.push_back(std::make_unique<TDataSkinSysButton>());
    entries.back()->Visibility = 1500;
    entries.back()->Action = 40;
    Skinner->BuildSysButtons();
    const int index = static_cast<int>(entries.size()) - 1;
    WindowRecorder().Clear();
    EXPECT_FALSE(Skinner->SysButtonVisible(index));  // the window answers 0
    EXPECT_EQ(WindowRecorder().Count(WM_SKIN_BUTTONVISIBLE), 1);
    entries.pop_back();
    Skinner->BuildSysButtons();
}

TEST_F(SkinButtons, SecondClickOnTheIconButtonClosesTheWindow) {
    TWinSysButton* icon = nullptr;
    for (auto& b : Skinner->View().SysButtons)
        if (b->Data->Action == 3 || b->Data->Action == 11) icon = b.get();
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(icon->Visible);
    int opened = 0;
    Skinner->TrackMenu = [&](HMENU, int, int) {
        ++opened;
        return 0;
    };
    DropPosted();
    for (int i = 0; i < 2; ++i) {
        ::SendMessageW(Wnd, WM_NCLBUTTONDOWN, HTCAPTION, At(*icon));
        ::SendMessageW(Wnd, WM_NCLBUTTONUP, HTCAPTION, At(*icon));
    }
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(TakePosted(Wnd, WM_CLOSE));
}

TEST_F(SkinButtons, MaximizedWindowKeepsTheSkinnedFrame) {
    ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    PumpPending();
    ASSERT_TRUE(::IsZoomed(Wnd));
    EXPECT_EQ(::GetWindowLongPtrW(Wnd, GWL_STYLE) & WS_CAPTION, 0);
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    POINT origin{0, 0};
    ::ClientToScreen(Wnd, &origin);
    EXPECT_EQ(origin.y - wr.top, Skinner->View().Frame.Top);
    EXPECT_EQ(::SendMessageW(Wnd, WM_NCHITTEST, 0, OnEmptyCaption()), HTCAPTION);
    // Restored, the window gets its skinned size back around the same client.
    ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    PumpPending();
    EXPECT_FALSE(::IsZoomed(Wnd));
    ::GetWindowRect(Wnd, &wr);
    ::ClientToScreen(Wnd, &(origin = POINT{0, 0}));
    EXPECT_EQ(origin.y - wr.top, Skinner->View().Frame.Top);
}

}  // namespace
}  // namespace qd::test
