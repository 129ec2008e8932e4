// The confirmation box: its stored description, how keys and clicks answer it, its lifetime (a fresh box per
// call, freed whatever happens) and the answer to a call made while a box is already showing.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "app/AppConstants.h"
#include "app/AppTestSupport.h"
#include "app/Unit_MessageBox.h"
#include "framework/Application.h"
#include "framework/FormReader.h"
#include "framework/Gdi.h"
#include "framework/Resources.h"

using namespace qd;
using namespace qd::apptest;

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplication();
        FComponentsBefore = Application->ComponentCount();
    }
    void TearDown() override {
        EXPECT_EQ(Form_MessageBox, nullptr) << "the box outlived its call";
        EXPECT_EQ(Application->ComponentCount(), FComponentsBefore) << "something was left owned by the application";
        ResetApplication();
    }

    // Runs ShowMessageBox(text) while `script` drives the box; fails the test if the script did not finish.
    bool ShowDriven(TUiScript& script, const std::wstring& text = L"确认退出系统？") {
        script.Start();
        const bool answer = ShowMessageBox(text);
        EXPECT_TRUE(script.Failure.empty()) << script.Failure;
        EXPECT_TRUE(script.Finished()) << "the box closed before the script ended";
        return answer;
    }

    int FComponentsBefore = 0;
};

std::wstring WindowText(HWND wnd) {
    wchar_t buf[256] = {};
    ::GetWindowTextW(wnd, buf, 256);
    return buf;
}

// ---------------------------------------------------------------------------------------------------------------
// Stored description

TEST_F(MessageBoxTest, StoredDescriptionGivesTheBoxItsLookAndBehaviour) {
    std::unique_ptr<TForm_MessageBox> box(new TForm_MessageBox(Application));
    EXPECT_EQ(box->Name(), "Form_MessageBox");
    // FormCreate gave it the system's title.
    EXPECT_EQ(box->Caption(), std::wstring(kAppTitle));
    EXPECT_EQ(box->BorderStyle(), bsDialog);
    EXPECT_EQ(box->BorderIcons(), 0u);
    EXPECT_EQ(box->FormStyle(), fsStayOnTop);
    EXPECT_TRUE(box->KeyPreview());
    EXPECT_EQ(box->Position(), poDesktopCenter);
    EXPECT_EQ(box->Color(), clBtnFace);
    EXPECT_EQ(box->Font().Charset(), GB2312_CHARSET);
    EXPECT_EQ(box->Font().Name(), L"宋体");
    EXPECT_EQ(box->Font().Height(), -15);
    EXPECT_EQ(box->Font().Color(), clWindowText);

    HWND wnd = box->Handle();
    RECT client{};
    ::GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 342);
    EXPECT_EQ(client.bottom, 173);
    const LONG style = ::GetWindowLongW(wnd, GWL_STYLE);
    EXPECT_EQ(style & WS_SYSMENU, 0) << "no system menu, hence no caption buttons";
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(::GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(WindowText(wnd), std::wstring(kAppTitle));

    ASSERT_NE(box->WgLabel1, nullptr);
    EXPECT_EQ(box->WgLabel1->Caption(), L"提示：");
    EXPECT_EQ(box->WgLabel1->Left(), 8);
    EXPECT_EQ(box->WgLabel1->Top(), 8);
    EXPECT_TRUE(box->WgLabel1->AutoSize());
    EXPECT_EQ(box->WgLabel1->Layout(), tlCenter);
    EXPECT_EQ(box->WgLabel1->Font().Color(), clNavy);
    EXPECT_EQ(box->WgLabel1->Font().Charset(), GB2312_CHARSET);

    ASSERT_NE(box->Label_Tip, nullptr);
    EXPECT_EQ(box->Label_Tip->Caption(), L"");
    EXPECT_EQ(box->Label_Tip->BoundsRect().left, 21);
    EXPECT_EQ(box->Label_Tip->BoundsRect().top, 30);
    EXPECT_EQ(box->Label_Tip->Width(), 300);
    EXPECT_EQ(box->Label_Tip->Height(), 75);
    EXPECT_FALSE(box->Label_Tip->AutoSize());
    EXPECT_TRUE(box->Label_Tip->WordWrap());
    EXPECT_EQ(box->Label_Tip->Alignment(), taCenter);
    EXPECT_EQ(box->Label_Tip->Layout(), tlCenter);
    EXPECT_EQ(box->Label_Tip->Font().Color(), clNavy);
    EXPECT_EQ(box->Label_Tip->Font().Height(), -15);

    struct TButtonFacts {
        TWgBitBtn* Button;
        const wchar_t* Caption;
        int Left, ModalResult, TabOrder;
        bool Default;
    };
    for (const TButtonFacts& f : {TButtonFacts{box->WgBitBtn_Ok, L"确定", 86, mrOk, 1, false},
                                  TButtonFacts{box->WgBitBtn_Cancel, L"取消", 182, mrCancel, 0, true}}) {
        ASSERT_NE(f.Button, nullptr);
        SCOPED_TRACE(f.Button->Name());
        EXPECT_EQ(f.Button->Caption(), f.Caption);
        EXPECT_EQ(f.Button->Left(), f.Left);
        EXPECT_EQ(f.Button->Top(), 125);
        EXPECT_EQ(f.Button->Width(), 75);
        EXPECT_EQ(f.Button->Height(), 25);
        EXPECT_EQ(f.Button->ModalResult(), f.ModalResult);
        EXPECT_EQ(f.Button->TabOrder(), f.TabOrder);
        EXPECT_EQ(f.Button->Default(), f.Default);
        EXPECT_FALSE(f.Button->Cancel()) << "Escape must reach the key preview, not a button";
        EXPECT_EQ(f.Button->Cursor(), crHandPoint);
        EXPECT_TRUE(f.Button->HotTrack());
        EXPECT_EQ(f.Button->FrameColor(), TColor(0x743C00)) << "RGB(0, 60, 116)";
        EXPECT_EQ(f.Button->Color(), TColor(0xF0F4F4)) << "RGB(244, 244, 240)";
        // The strips come from resources/bitmaps: 8-bit, 32 x 16, two images, keyed by the bottom-left pixel.
        EXPECT_EQ(f.Button->NumGlyphs(), 2);
        EXPECT_EQ(f.Button->Glyph().Width(), 32);
        EXPECT_EQ(f.Button->Glyph().Height(), 16);
        EXPECT_EQ(f.Button->Glyph().PixelFormat(), TPixelFormat::pf8bit);
        EXPECT_EQ(f.Button->Glyph().TransparentColor(), TColor(RGB(236, 233, 216)));
        EXPECT_EQ(f.Button->GlyphSize().cx, 16);
    }
}

TEST_F(MessageBoxTest, MalformedDescriptionIsRejectedNamingFormLineAndProperty) {
    auto previous = SetFormResourceProvider([](std::string_view cls) -> std::optional<std::string> {
        if (cls != "TForm_MessageBox") return std::nullopt;
        return "object Form_MessageBox: TForm_MessageBox\n"
               "  ClientWidth = 342\n"
               "  KeyPreview = Perhaps\n"
               "end\n";
    });
    try {
        ShowMessageBox(L"x");
        ADD_FAILURE() << "a malformed description was accepted";
    } catch (const EFormReadError& e) {
        EXPECT_EQ(e.Line(), 3);
        EXPECT_EQ(e.Property(), "KeyPreview");
        const std::string text = e.Message();
        EXPECT_NE(text.find("Form_MessageBox"), std::string::npos) << text;
        EXPECT_NE(text.find("line 3"), std::string::npos) << text;
        EXPECT_NE(text.find("KeyPreview"), std::string::npos) << text;
    }
    SetFormResourceProvider(std::move(previous));
    EXPECT_EQ(Form_MessageBox, nullptr);
}

TEST_F(MessageBoxTest, DescriptionWithoutItsButtonsIsRejected) {
    auto previous = SetFormResourceProvider([](std::string_view cls) -> std::optional<std::string> {
        if (cls != "TForm_MessageBox") return std::nullopt;
        return "object Form_MessageBox: TForm_MessageBox\n"
               "  object Label_Tip: TWgLabel\n"
               "  end\n"
               "end\n";
    });
    EXPECT_THROW(ShowMessageBox(L"x"), EFormReadError);
    SetFormResourceProvider(std::move(previous));
    // The next call builds a whole box again from the real description.
    TUiScript script;
    script.WaitFor(BoxShowing, "box").Do([] { PostKeyToFocus(VK_ESCAPE); });
    EXPECT_FALSE(ShowDriven(script));
}

// ---------------------------------------------------------------------------------------------------------------
// Showing and answering

TEST_F(MessageBoxTest, ShowsTheTextCentredOnTopWithTheTitle) {
    TUiScript script;
    HWND seen = nullptr;
    script.WaitFor(BoxShowing, "box")
        .Do([&] {
            seen = Form_MessageBox->Handle();
            EXPECT_EQ(Form_MessageBox->Label_Tip->Caption(), L"确认退出系统？");
            EXPECT_EQ(WindowText(seen), std::wstring(kAppTitle));
            EXPECT_NE(::GetWindowLongW(seen, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
            EXPECT_TRUE(Form_MessageBox->Modal());
            RECT r{};
            ::GetWindowRect(seen, &r);
            const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
            EXPECT_NEAR((r.left + r.right) / 2, cx / 2, 1);
            EXPECT_NEAR((r.top + r.bottom) / 2, cy / 2, 1);
            // The focus starts on Cancel (tab order 0).
            EXPECT_EQ(::GetFocus(), Form_MessageBox->WgBitBtn_Cancel->Handle());
        })
        .Do([] { PostKeyToFocus(VK_ESCAPE); });
    EXPECT_FALSE(ShowDriven(script));
    EXPECT_FALSE(::IsWindow(seen)) << "the box's window outlived the call";
}

TEST_F(MessageBoxTest, EscapeAnswersCancel) {
    TUiScript script;
    script.WaitFor(BoxShowing, "box").Do([] { PostKeyToFocus(VK_ESCAPE); });
    EXPECT_FALSE(ShowDriven(script));
}

TEST_F(MessageBoxTest, EscapeAnswersCancelAlsoAfterTabbingToOk) {
    TUiScript script;
    script.WaitFor(BoxShowing, "box")
        .Do([] { PostKeyToFocus(VK_TAB); })
        .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Ok->Handle(); }, "focus on OK")
        .Do([] { PostKeyToFocus(VK_ESCAPE); });
    EXPECT_FALSE(ShowDriven(script));
}

TEST_F(MessageBoxTest, EnterRightAfterOpeningAnswersCancel) {
    TUiScript script;
    script.WaitFor(BoxShowing, "box").Do([] { PostKeyToFocus(VK_RETURN); });
    EXPECT_FALSE(ShowDriven(script));
}

TEST_F(MessageBoxTest, TabThenEnterAnswersOk) {
    TUiScript script;
    script.WaitFor(BoxShowing, "box")
        .Do([] { PostKeyToFocus(VK_TAB); })
        .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Ok->Handle(); }, "focus on OK")
        .Do([] { PostKeyToFocus(VK_RETURN); });
    EXPECT_TRUE(ShowDriven(script));
}

TEST_F(MessageBoxTest, TabTwiceComesBackToCancel) {
    TUiScript script;
    script.WaitFor(BoxShowing, "box")
        .Do([] { PostKeyToFocus(VK_TAB); })
        .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Ok->Handle(); }, "focus on OK")
        .Do([] { PostKeyToFocus(VK_TAB); })
        .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Cancel->Handle(); }, "focus on Cancel")
        .Do([] { PostKeyToFocus(VK_RETURN); });
    EXPECT_FALSE(ShowDriven(script));
}

TEST_F(MessageBoxTest, ShiftEnterAnswersOkWhicheverButtonHasTheFocus) {
    std::vector<BYTE> keys;
    TUiScript script;
    script.WaitFor(BoxShowing, "box").Do([&] {
        keys = HoldModifier(VK_SHIFT);
        PostKeyToFocus(VK_RETURN);
    });
    const bool answer = ShowDriven(script);
    RestoreKeyboardState(keys);
    EXPECT_TRUE(answer);
}

TEST_F(MessageBoxTest, CtrlEnterAnswersOk) {
    std::vector<BYTE> keys;
    TUiScript script;
    script.WaitFor(BoxShowing, "box").Do([&] {
        keys = HoldModifier(VK_CONTROL);
        PostKeyToFocus(VK_RETURN);
    });
    const bool answer = ShowDriven(script);
    RestoreKeyboardState(keys);
    EXPECT_TRUE(answer);
}

TEST_F(MessageBoxTest, SpaceClicksTheFocusedButton) {
    {
        TUiScript script;
        script.WaitFor(BoxShowing, "box").Do([] { PostKeyToFocus(VK_SPACE); });
        EXPECT_FALSE(ShowDriven(script));
    }
    {
        TUiScript script;
        script.WaitFor(BoxShowing, "box")
            .Do([] { PostKeyToFocus(VK_TAB); })
            .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Ok->Handle(); }, "focus on OK")
            .Do([] { PostKeyToFocus(VK_SPACE); });
        EXPECT_TRUE(ShowDriven(script));
    }
}

TEST_F(MessageBoxTest, OtherKeysDoNothing) {
    TUiScript script;
    script.WaitFor(BoxShowing, "box")
        .Do([] {
            for (WORD vk : {WORD('A'), WORD(VK_F1), WORD(VK_DOWN), WORD(VK_DELETE)}) PostKeyToFocus(vk);
        })
        .Then([start = DWORD(0)]() mutable {
            if (!start) start = ::GetTickCount();
            return ::GetTickCount() - start > 300;  // give the keys time to be handled
        })
        .Do([] {
            EXPECT_TRUE(BoxShowing()) << "a key without a meaning closed the box";
            EXPECT_EQ(Form_MessageBox->ModalResult(), mrNone);
            PostKeyToFocus(VK_ESCAPE);
        });
    EXPECT_FALSE(ShowDriven(script));
}

TEST_F(MessageBoxTest, ClickingOkAnswersOkAndClickingCancelAnswersCancel) {
    auto click = [](TWgBitBtn* button) {
        HWND wnd = button->Handle();
        ::PostMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
        ::PostMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    };
    {
        TUiScript script;
        script.WaitFor(BoxShowing, "box").Do([&] { click(Form_MessageBox->WgBitBtn_Ok); });
        EXPECT_TRUE(ShowDriven(script));
    }
    {
        TUiScript script;
        script.WaitFor(BoxShowing, "box").Do([&] { click(Form_MessageBox->WgBitBtn_Cancel); });
        EXPECT_FALSE(ShowDriven(script));
    }
}

TEST_F(MessageBoxTest, ClosingWithoutAButtonAnswersFalse) {
    {
        TUiScript script;
        script.WaitFor(BoxShowing, "box").Do([] { ::PostMessageW(Form_MessageBox->Handle(), WM_CLOSE, 0, 0); });
        EXPECT_FALSE(ShowDriven(script));
    }
    {
        // Alt+F4 through the platform: WM_SYSCOMMAND SC_CLOSE.
        TUiScript script;
        script.WaitFor(BoxShowing, "box").Do([] {
            ::PostMessageW(Form_MessageBox->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        EXPECT_FALSE(ShowDriven(script));
    }
}

TEST_F(MessageBoxTest, RealKeyboardInputAnswersTheBox) {
    {
        TUiScript script;
        script.WaitFor(BoxShowing, "box")
            .WaitFor([] { return ::GetForegroundWindow() == Form_MessageBox->Handle(); }, "box in the foreground")
            .Do([] { SendKeyChord({VK_ESCAPE}); });
        EXPECT_FALSE(ShowDriven(script));
    }
    {
        TUiScript script;
        script.WaitFor(BoxShowing, "box")
            .WaitFor([] { return ::GetForegroundWindow() == Form_MessageBox->Handle(); }, "box in the foreground")
            .Do([] {
                SendKeyChord({VK_SHIFT, VK_RETURN});
            });
        EXPECT_TRUE(ShowDriven(script));
    }
    {
        TUiScript script;
        script.WaitFor(BoxShowing, "box")
            .WaitFor([] { return ::GetForegroundWindow() == Form_MessageBox->Handle(); }, "box in the foreground")
            .Do([] { SendKeyChord({VK_TAB}); })
            .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Ok->Handle(); }, "focus on OK")
            .Do([] { SendKeyChord({VK_RETURN}); });
        EXPECT_TRUE(ShowDriven(script));
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Lifetime

TEST_F(MessageBoxTest, EachCallWorksOnAFreshBox) {
    // The first call leaves the focus on OK; a box that were reused would start the second call there and a
    // plain Enter would answer OK.
    TUiScript first;
    first.WaitFor(BoxShowing, "box")
        .Do([] { PostKeyToFocus(VK_TAB); })
        .WaitFor([] { return ::GetFocus() == Form_MessageBox->WgBitBtn_Ok->Handle(); }, "focus on OK")
        .Do([] { ::PostMessageW(Form_MessageBox->Handle(), WM_CLOSE, 0, 0); });
    EXPECT_FALSE(ShowDriven(first, L"第一个"));
    EXPECT_EQ(Form_MessageBox, nullptr);

    TUiScript second;
    second.WaitFor(BoxShowing, "box").Do([] {
        EXPECT_EQ(Form_MessageBox->Label_Tip->Caption(), L"第二个");
        EXPECT_EQ(Form_MessageBox->Caption(), std::wstring(kAppTitle));
        EXPECT_EQ(::GetFocus(), Form_MessageBox->WgBitBtn_Cancel->Handle());
        PostKeyToFocus(VK_RETURN);
    });
    EXPECT_FALSE(ShowDriven(second, L"第二个"));
}

TEST_F(MessageBoxTest, CallWhileABoxIsShowingAnswersFalseAndLeavesTheBoxAlone) {
    TForm_MessageBox* outer = nullptr;
    HWND outerWnd = nullptr;
    TUiScript script;
    script.WaitFor(BoxShowing, "box")
        .Do([&] {
            outer = Form_MessageBox;
            outerWnd = outer->Handle();
            // A second close request arriving while the box is up.
            EXPECT_FALSE(ShowMessageBox(L"第二个请求"));
            EXPECT_EQ(Form_MessageBox, outer);
            EXPECT_TRUE(::IsWindow(outerWnd));
            EXPECT_TRUE(::IsWindowVisible(outerWnd));
            EXPECT_EQ(outer->Label_Tip->Caption(), L"外层");
            EXPECT_EQ(outer->ModalResult(), mrNone);
            EXPECT_TRUE(outer->Modal());
        })
        .Do([&] {
            // The outer box still answers its own keys.
            EXPECT_EQ(::GetFocus(), outer->WgBitBtn_Cancel->Handle());
            PostKeyToFocus(VK_TAB);
        })
        .WaitFor([&] { return ::GetFocus() == outer->WgBitBtn_Ok->Handle(); }, "focus on OK")
        .Do([] { PostKeyToFocus(VK_RETURN); });
    EXPECT_TRUE(ShowDriven(script, L"外层"));
}

TEST_F(MessageBoxTest, LongTextWrapsInsideTheLabelAndIsCutOffBelowIt) {
    const std::wstring text(120, L'长');
    TUiScript script;
    script.WaitFor(BoxShowing, "box").Do([&] {
        TForm_MessageBox& box = *Form_MessageBox;
        box.Update();
        HWND wnd = box.Handle();
        RECT client{};
        ::GetClientRect(wnd, &client);
        // The client area as painted, through WM_PRINTCLIENT into a memory bitmap.
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bmp = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, bmp);
        ::SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_CHILDREN | PRF_ERASEBKGND);
        const COLORREF navy = RGB(0, 0, 128);
        int textRows = 0, navyOutside = 0;
        for (int y = 0; y < client.bottom; ++y) {
            bool rowHasText = false;
            for (int x = 0; x < client.right; ++x) {
                if (::GetPixel(dc, x, y) != navy) continue;
                const bool inTip = x >= 21 && x < 321 && y >= 30 && y < 105;
                const bool inHeading = x < 60 && y < 28;
                if (inTip)
                    rowHasText = true;
                else if (!inHeading)
                    ++navyOutside;
            }
            if (rowHasText) ++textRows;
        }
        ::SelectObject(dc, old);
        ::DeleteObject(bmp);
        ::DeleteDC(dc);
        // Several lines of 15-pixel text fill the label; nothing of the text spills out of it.
        EXPECT_GT(textRows, 40);
        EXPECT_EQ(navyOutside, 0);
        PostKeyToFocus(VK_ESCAPE);
    });
    EXPECT_FALSE(ShowDriven(script, text));
}

TEST_F(MessageBoxTest, ManyCallsLeaveHandlesAndWindowsBalanced) {
    auto once = [this] {
        TUiScript script(5);
        script.WaitFor(BoxShowing, "box").Do([] { PostKeyToFocus(VK_ESCAPE); });
        EXPECT_FALSE(ShowDriven(script));
    };
    once();  // the first box registers window classes and caches fonts
    const TGdiCounts before = GdiLiveCounts();
    const DWORD gdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 40; ++i) once();
    const TGdiCounts after = GdiLiveCounts();
    for (int k = 0; k < static_cast<int>(TGdiKind::Count_); ++k)
        EXPECT_EQ(after.Live[k], before.Live[k]) << "GDI kind " << k;
    EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
}

}  // namespace
