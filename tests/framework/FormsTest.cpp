// Forms: building from stored descriptions, styles, size constraints, the status bar, modal showing, closing,
// keyboard routing and resource balance over many create/destroy cycles.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/FormReader.h"
#include "framework/Forms.h"
#include "framework/FrameworkTestSupport.h"
#include "framework/Gdi.h"
#include "framework/Mnemonic.h"
#include "framework/Properties.h"
#include "framework/Resources.h"
#include "framework/StdCtrls.h"
#include "support/StatusBarReader.h"

using namespace qd;
using namespace qd::test;

namespace {

// A component that needs its owner form's window while it is told that loading ended.
class TOwnerWindowProbe : public TComponent {
public:
    using TComponent::TComponent;
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info =
            TClassBuilder<TOwnerWindowProbe>("TOwnerWindowProbe", &TComponent::StaticClassInfo());
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void Loaded() override {
        TComponent::Loaded();
        if (auto* form = dynamic_cast<TForm*>(Owner())) OwnerWindow = form->Handle();
    }
    HWND OwnerWindow = nullptr;
};

class TTestForm : public TForm {
public:
    TTestForm(TComponent* owner, std::string_view text) : TForm(owner) {
        static const bool registered = [] {
            RegisterClassInfo(TOwnerWindowProbe::StaticClassInfo());
            return true;
        }();
        (void)registered;
        ReadStoredForm(text, "TestForm");
    }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info = TClassBuilder<TTestForm>("TTestForm", &TForm::StaticClassInfo())
                                           .Handler<TNotifyEvent>("FormCreate", &TTestForm::FormCreate)
                                           .Handler<TKeyEvent>("FormKeyDown", &TTestForm::FormKeyDown)
                                           .Handler<TNotifyEvent>("TimerTick", &TTestForm::TimerTick)
                                           .Handler<TCloseQueryEvent>("FormCloseQuery", &TTestForm::FormCloseQuery)
                                           .Field("Label_Tip", &TTestForm::Label_Tip)
                                           .Field("StatusBar1", &TTestForm::StatusBar1)
                                           .Field("Timer1", &TTestForm::Timer1)
                                           .Field("Probe", &TTestForm::Probe);
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    static inline bool ThrowInCreate = false;
    void FormCreate(TObject*) {
        ++Creates;
        if (ThrowInCreate) throw Exception("导航失败");
        // Everything was read and told so before OnCreate runs.
        CreatedAfterLoading = Label_Tip && StatusBar1 && !HasState(TComponentStateFlag::csLoading) &&
                              !Label_Tip->HasState(TComponentStateFlag::csLoading) && Label_Tip->Parent() == this;
    }
    void FormKeyDown(TObject*, WORD& key, TShiftState) { Keys.push_back(key); }
    void TimerTick(TObject*) { ++Ticks; }
    void FormCloseQuery(TObject*, bool& canClose) { canClose = AllowClose; }

    TLabel* Label_Tip = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    TTimer* Timer1 = nullptr;
    TOwnerWindowProbe* Probe = nullptr;
    int Creates = 0;
    bool CreatedAfterLoading = false;
    std::vector<WORD> Keys;
    int Ticks = 0;
    bool AllowClose = true;
};

const char* const kBoxText = R"(object TestForm: TTestForm
  Left = 271
  Top = 264
  BorderIcons = []
  BorderStyle = bsDialog
  Caption = '岚栎在线订单管理系统'
  ClientHeight = 173
  ClientWidth = 342
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Color = clWindowText
  Font.Height = -15
  Font.Name = '宋体'
  Font.Style = []
  FormStyle = fsStayOnTop
  KeyPreview = True
  ActiveControl = StatusBar1
  Position = poDesktopCenter
  OnCreate = FormCreate
  OnCloseQuery = FormCloseQuery
  OnKeyDown = FormKeyDown
  PixelsPerInch = 96
  TextHeight = 15
  object Label_Tip: TLabel
    Left = 21
    Top = 30
    Width = 300
    Height = 75
    Alignment = taCenter
    AutoSize = False
    Layout = tlCenter
    WordWrap = True
  end
  object StatusBar1: TStatusBar
    Left = 0
    Top = 148
    Width = 342
    Height = 25
    Font.Charset = DEFAULT_CHARSET
    Font.Height = -13
    Font.Name = '宋体'
    ParentFont = False
    Panels = <
      item
        Width = 0
      end
      item
        Alignment = taCenter
        Text = '岚栎软件'
        Width = 100
      end
      item
        Alignment = taCenter
        Text = 'http://www.example.com'
        Width = 200
      end
      item
        Alignment = taCenter
        Text = 'E_Mail：sales@example.com　QQ：10001、10002'
        Width = 350
      end
      item
        Width = 50
      end>
  end
  object Timer1: TTimer
    Interval = 1000
    OnTimer = TimerTick
  end
  object Probe: TOwnerWindowProbe
  end
end
)";

TEST(StoredFormTest, PropertiesComponentsAndEventsComeFromTheDescription) {
    TTestForm form(nullptr, kBoxText);
    EXPECT_EQ(form.Creates, 1);
    EXPECT_TRUE(form.CreatedAfterLoading);
    EXPECT_EQ(form.Caption(), L"岚栎在线订单管理系统");
    EXPECT_EQ(form.BorderStyle(), bsDialog);
    EXPECT_EQ(form.BorderIcons(), 0u);
    EXPECT_EQ(form.FormStyle(), fsStayOnTop);
    EXPECT_TRUE(form.KeyPreview());
    EXPECT_EQ(form.Font().Name(), L"宋体");
    EXPECT_EQ(form.Font().Height(), -15);
    EXPECT_EQ(form.Font().Charset(), GB2312_CHARSET);
    EXPECT_EQ(form.Color(), clBtnFace);
    EXPECT_EQ(form.PixelsPerInch(), 96);
    EXPECT_EQ(form.ActiveControl(), form.StatusBar1);

    ASSERT_NE(form.Label_Tip, nullptr);
    EXPECT_EQ(form.Label_Tip->Font().Height(), -15) << "the label follows the form's font";
    EXPECT_EQ(form.Label_Tip->Width(), 300) << "no auto-size";
    EXPECT_EQ(form.Label_Tip->Layout(), tlCenter);
    ASSERT_NE(form.StatusBar1, nullptr);
    EXPECT_FALSE(form.StatusBar1->ParentFont());
    EXPECT_EQ(form.StatusBar1->Font().Height(), -13);
    ASSERT_EQ(form.StatusBar1->Panels().Count(), 5);
    EXPECT_EQ(form.StatusBar1->Panels()[1]->Text(), L"岚栎软件");
    EXPECT_EQ(form.StatusBar1->Panels()[3]->Width(), 350);
    ASSERT_NE(form.Timer1, nullptr);
    EXPECT_EQ(EventHandlerName(form.Timer1->OnTimer), "TimerTick");
    EXPECT_TRUE(form.Timer1->Running()) << "the timer starts once loading ended";
    EXPECT_EQ(GetPropertyText(form, "BorderStyle"), "bsDialog");

    // The owner's window could be made while its components were told loading ended.
    ASSERT_NE(form.Probe, nullptr);
    EXPECT_TRUE(IsWindow(form.Probe->OwnerWindow));
    EXPECT_EQ(form.Probe->OwnerWindow, form.Handle());

    // The window carries the stored styles, text and client size.
    HWND wnd = form.Handle();
    wchar_t text[64]{};
    GetWindowTextW(wnd, text, 64);
    EXPECT_STREQ(text, L"岚栎在线订单管理系统");
    const LONG style = GetWindowLongW(wnd, GWL_STYLE);
    const LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE);
    EXPECT_FALSE(style & WS_SYSMENU) << "no border icons";
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    RECT client{};
    GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 342);
    EXPECT_EQ(client.bottom, 173);
}

TEST(StoredFormTest, AnErrorInOnCreateIsReportedAndTheFormIsStillCreated) {
    TReportCapture reports;
    TTestForm::ThrowInCreate = true;
    std::unique_ptr<TTestForm> form;
    EXPECT_NO_THROW(form = std::make_unique<TTestForm>(nullptr, kBoxText));
    TTestForm::ThrowInCreate = false;
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Creates, 1);
    ASSERT_EQ(reports.Reports.size(), 1u);
    EXPECT_EQ(reports.Reports[0].Text, L"导航失败");
    form->Show();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST(StoredFormTest, FaultsNameTheFormLineAndProperty) {
    const std::string base = "object TestForm: TTestForm\n  Left = 1\n";
    auto messageOf = [](const std::string& text) -> std::string {
        try {
            TTestForm form(nullptr, text);
        } catch (const EFormReadError& e) {
            return e.what();
        }
        return "no error";
    };
    std::string m = messageOf(base + "  Bogus = 3\nend\n");
    EXPECT_NE(m.find("TestForm"), std::string::npos) << m;
    EXPECT_NE(m.find("line 3"), std::string::npos) << m;
    EXPECT_NE(m.find("Bogus"), std::string::npos) << m;

    m = messageOf(base + "  object X: TNoSuchClass\n  end\nend\n");
    EXPECT_NE(m.find("TNoSuchClass"), std::string::npos) << m;

    m = messageOf(base + "  BorderStyle = bsRound\nend\n");
    EXPECT_NE(m.find("BorderStyle"), std::string::npos) << m;

    // A negative panel width is refused, not handed to the platform control.
    m = messageOf(base +
                  "  object S: TStatusBar\n    Panels = <\n      item\n        Width = -5\n      end>\n  end\nend\n");
    EXPECT_NE(m.find("Width"), std::string::npos) << m;
    EXPECT_NE(m.find("line 6"), std::string::npos) << m;

    m = messageOf(base + "  ActiveControl = Nobody\nend\n");
    EXPECT_NE(m.find("Nobody"), std::string::npos) << m;

    m = messageOf(base + "  OnCreate = NoSuchHandler\nend\n");
    EXPECT_NE(m.find("NoSuchHandler"), std::string::npos) << m;
}

TEST(StoredFormTest, DescriptionsComeFromResourcesNamedAfterTheClass) {
    EXPECT_EQ(FormResourceName("TForm_Main"), "TFORM_MAIN");
    EXPECT_THROW(LoadFormResource("TNoSuchForm"), EResNotFound);
    auto previous = SetFormResourceProvider([](std::string_view name) -> std::optional<std::string> {
        if (name == "TTestForm") return std::string(kBoxText);
        return std::nullopt;
    });
    EXPECT_EQ(LoadFormResource("TTestForm"), kBoxText);
    EXPECT_THROW(LoadFormResource("TOther"), EResNotFound);
    SetFormResourceProvider(std::move(previous));
}

// A form class whose description is the program's RCDATA resource "TRESOURCEFORM".
class TResourceForm : public TForm {
public:
    explicit TResourceForm(TComponent* owner) : TForm(owner) { ReadStoredForm(); }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info = TClassBuilder<TResourceForm>("TResourceForm", &TForm::StaticClassInfo())
                                           .Handler<TNotifyEvent>("FormCreate", &TResourceForm::FormCreate)
                                           .Field("StatusBar_Main", &TResourceForm::StatusBar_Main);
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void FormCreate(TObject*) { Created = true; }
    TStatusBar* StatusBar_Main = nullptr;
    bool Created = false;
};

TEST(StoredFormTest, AFormClassReadsItsOwnResourceWhenConstructed) {
    const std::string text = LoadFormResource("TResourceForm");
    EXPECT_EQ(text.rfind("object ResourceForm: TResourceForm", 0), 0u);
    TResourceForm form(nullptr);
    EXPECT_TRUE(form.Created);
    EXPECT_EQ(form.Caption(), L"资源窗体");
    ASSERT_NE(form.StatusBar_Main, nullptr);
    EXPECT_EQ(form.StatusBar_Main->Panels()[0]->Text(), L"岚栎软件");
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 80);
}

TEST(StatusBarTest, PartsAreRunningSumsAndTheLastReachesTheRightEdge) {
    TTestForm form(nullptr, kBoxText);
    TStatusBar& bar = *form.StatusBar1;
    form.HandleNeeded();
    EXPECT_EQ(StatusPartEdges(bar.Handle()), (std::vector<int>{0, 100, 300, 650, -1}));
    EXPECT_EQ(StatusPanelText(bar.Handle(), 1), L"岚栎软件");
    EXPECT_EQ(StatusPanelText(bar.Handle(), 3), L"E_Mail：sales@example.com　QQ：10001、10002");
    // Docked at the bottom across the client area.
    EXPECT_EQ(bar.Align(), alBottom);
    EXPECT_EQ(bar.Top() + bar.Height(), 173);
    EXPECT_EQ(bar.Width(), 342);

    bar.Panels()[4]->SetText(L"2026年12月6日 08:05:09");
    EXPECT_EQ(StatusPanelText(bar.Handle(), 4), L"2026年12月6日 08:05:09");
    // The last part stays open-ended whatever its stored width.
    bar.Panels()[4]->SetWidth(5);
    EXPECT_EQ(StatusPartEdges(bar.Handle()).back(), -1);
    form.SetClientWidth(1000);
    EXPECT_EQ(bar.Width(), 1000);
    RECT part{};
    SendMessageW(bar.Handle(), SB_GETRECT, 4, reinterpret_cast<LPARAM>(&part));
    EXPECT_NEAR(part.left, 650, 3);
    EXPECT_GT(part.right - part.left, 5);
    EXPECT_GE(part.right, bar.ClientWidth() - 2);

    EXPECT_THROW(bar.Panels()[0]->SetWidth(-1), EInvalidOperation);
    EXPECT_THROW(bar.Panels().Items(5), EInvalidOperation);
    bar.Panels().Clear();
    EXPECT_EQ(StatusPartEdges(bar.Handle()), (std::vector<int>{-1}));
}

TEST(CaptionTest, TextSetFromOutsideIsTheFormCaption) {
    TForm form(nullptr);
    form.SetCaption(L"岚栎在线订单管理系统");
    SetWindowTextW(form.Handle(), L"外部标题");
    EXPECT_EQ(form.Caption(), L"外部标题");
    form.SetCaption(L"岚栎");
    wchar_t text[16]{};
    GetWindowTextW(form.Handle(), text, 16);
    EXPECT_STREQ(text, L"岚栎");
}

TEST(ConstraintsTest, RestoredSizeCannotGoBelowTheMinimum) {
    TForm form(nullptr);
    form.Constraints().SetMinWidth(1024);
    form.Constraints().SetMinHeight(768);
    form.SetBounds(0, 0, 500, 300);
    EXPECT_EQ(form.Width(), 1024);
    EXPECT_EQ(form.Height(), 768);
    HWND wnd = form.Handle();

    MINMAXINFO info{};
    info.ptMinTrackSize = POINT{100, 100};
    SendMessageW(wnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_GE(info.ptMinTrackSize.x, 1024);
    EXPECT_GE(info.ptMinTrackSize.y, 768);

    SetWindowPos(wnd, nullptr, 0, 0, 600, 400, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    RECT r{};
    GetWindowRect(wnd, &r);
    EXPECT_EQ(r.right - r.left, 1024);
    EXPECT_EQ(r.bottom - r.top, 768);
    EXPECT_EQ(form.Width(), 1024);

    form.Constraints().SetMaxWidth(10);  // a maximum below the minimum is raised to it
    EXPECT_EQ(form.Constraints().MaxWidth(), 1024);
    form.Constraints().SetMinHeight(-4);
    EXPECT_EQ(form.Constraints().MinHeight(), 0);
}

TEST(WindowStateTest, AStoredMaximisedFormShowsMaximisedAndRestoresToItsSize) {
    TForm form(nullptr);
    form.Constraints().SetMinWidth(400);
    form.Constraints().SetMinHeight(300);
    form.SetBounds(50, 40, 400, 300);
    form.SetWindowState(wsMaximized);
    EXPECT_FALSE(form.HandleAllocated()) << "the state waits for the window";
    form.Show();
    EXPECT_TRUE(IsZoomed(form.Handle()));
    EXPECT_EQ(form.WindowState(), wsMaximized);
    form.SetWindowState(wsNormal);
    EXPECT_FALSE(IsZoomed(form.Handle()));
    RECT r{};
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 300);
    form.SetWindowState(wsMinimized);
    EXPECT_TRUE(IsIconic(form.Handle()));
    EXPECT_EQ(form.WindowState(), wsMinimized);
}

TEST(ModalTest, EndsOnModalResultWithOtherWindowsDisabledMeanwhile) {
    TForm other(nullptr);
    other.Show();
    TForm dialog(nullptr);
    bool otherDisabledInside = false;
    int levelInside = -1;
    const TWndMethod original = dialog.WindowProc;
    dialog.WindowProc = [&, original](TMessage& m) {
        if (m.Msg == WM_APP + 1) {
            otherDisabledInside = !IsWindowEnabled(other.Handle());
            levelInside = Application->ModalLevel();
            dialog.SetModalResult(mrOk);
        }
        original(m);
    };
    PostMessageW(dialog.Handle(), WM_APP + 1, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(otherDisabledInside);
    EXPECT_EQ(levelInside, 1);
    EXPECT_EQ(Application->ModalLevel(), 0);
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    EXPECT_FALSE(dialog.Visible());
    dialog.WindowProc = original;

    // Shown again, it starts without a result.
    PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST(ModalTest, ClosingAModalFormAnswersCancelAndKeepsTheWindow) {
    TForm dialog(nullptr);
    PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_TRUE(IsWindow(dialog.Handle()));

    // Alt+F4 and the system menu's close come as SC_CLOSE, which the platform turns into WM_CLOSE.
    PostMessageW(dialog.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST(ModalTest, CloseQueryCanRefuseAndTerminationEndsTheLoop) {
    TForm dialog(nullptr);
    int asked = 0;
    dialog.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++asked >= 2; };
    const TWndMethod original = dialog.WindowProc;
    dialog.WindowProc = [&, original](TMessage& m) {
        if (m.Msg == WM_APP + 2) dialog.SetModalResult(mrYes);
        original(m);
    };
    PostMessageW(dialog.Handle(), WM_APP + 2, 0, 0);
    PostMessageW(dialog.Handle(), WM_APP + 2, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrYes);
    EXPECT_EQ(asked, 2);

    dialog.OnCloseQuery = nullptr;
    dialog.WindowProc = [&, original](TMessage& m) {
        if (m.Msg == WM_APP + 3) Application->Terminate();
        original(m);
    };
    PostMessageW(dialog.Handle(), WM_APP + 3, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_TRUE(Application->Terminated());
    ResetApplication();
    dialog.WindowProc = original;

    dialog.Show();
    EXPECT_THROW(dialog.ShowModal(), EInvalidOperation) << "a visible form cannot become modal";
}

TEST(CloseTest, MainFormCloseEndsTheApplicationLoop) {
    // CreateForm makes the first form the main form.
    ASSERT_EQ(Application->MainForm(), nullptr);
    class TMainForm : public TTestForm {
    public:
        explicit TMainForm(TComponent* owner) : TTestForm(owner, kBoxText) {}
    };
    TMainForm* main = nullptr;
    Application->CreateForm(main);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Application->MainForm(), main);
    EXPECT_EQ(main->Owner(), Application);

    main->AllowClose = false;
    PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
    Application->ProcessMessages();
    EXPECT_FALSE(Application->Terminated()) << "the close query said no";

    main->AllowClose = true;
    PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
    Application->Run();  // returns once the main form closed
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(IsWindowVisible(main->Handle()));
    delete main;
    EXPECT_EQ(Application->MainForm(), nullptr);
    ResetApplication();
}

TEST(CloseTest, ReleaseFreesTheFormAfterTheCurrentMessage) {
    auto* form = new TForm(nullptr);
    bool destroyed = false;
    bool aliveAfterRelease = false;
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    const TWndMethod original = form->WindowProc;
    form->WindowProc = [&, form, original](TMessage& m) {
        if (m.Msg == WM_APP + 4) {
            form->Release();
            aliveAfterRelease = !destroyed;
        }
        original(m);
    };
    PostMessageW(form->Handle(), WM_APP + 4, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
    EXPECT_TRUE(aliveAfterRelease);
}

// A focusable control that records the keys it sees; as a button it takes Enter when focused and Escape when
// it is a cancel button (no Shift, Ctrl or Alt).
class TKeyButton : public TCustomControl {
public:
    TKeyButton(TForm* form, const std::string& name, std::vector<std::string>& log) : TCustomControl(form), Log(log) {
        SetName(name);
        SetParent(form);
        SetTabStop(true);
        SetBounds(10, 10, 60, 25);
    }
    std::vector<std::string>& Log;
    bool Cancel = false;
    TWinControl* LastFocusNotice = nullptr;
    int FocusNotices = 0;

protected:
    void WndProc(TMessage& m) override {
        if (m.Msg == CM_DIALOGKEY) {
            const bool plain = (KeyboardShiftState() & (ssShift | ssCtrl | ssAlt)) == 0;
            if (plain && ((m.WParam == VK_RETURN && Focused()) || (m.WParam == VK_ESCAPE && Cancel))) {
                Log.push_back(Name() + ":dialog" + std::to_string(m.WParam));
                m.Result = 1;
            }
            return;
        }
        if (m.Msg == CM_FOCUSCHANGED) {
            LastFocusNotice = reinterpret_cast<TWinControl*>(m.LParam);
            ++FocusNotices;
        }
        TCustomControl::WndProc(m);
    }
    void KeyDown(WORD& key, TShiftState shift) override {
        Log.push_back(Name() + ":" + std::to_string(key));
        TCustomControl::KeyDown(key, shift);
    }
};

class KeyRoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(100, 100, 300, 200);
        form->SetKeyPreview(true);
        form->OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) {
            log.push_back(std::string("form:") + std::to_string(key) + ((shift & ssShift) ? "+shift" : ""));
            if (key == VK_F5) key = 0;
        };
        ok = new TKeyButton(form.get(), "Ok", log);
        cancel = new TKeyButton(form.get(), "Cancel", log);
        cancel->SetLeft(100);
        ok->SetTabOrder(1);
        cancel->SetTabOrder(0);
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump(50);
        cancel->SetFocus();
        Pump(20);
    }
    void TearDown() override { form.reset(); }

    void PostKey(TWinControl* to, WORD key) {
        PostMessageW(to->Handle(), WM_KEYDOWN, key, 1);
        PostMessageW(to->Handle(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        Pump(30);
    }
    static void Input(std::initializer_list<std::pair<WORD, bool>> keys) {
        std::vector<INPUT> in;
        for (auto [vk, up] : keys) {
            INPUT i{};
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = vk;
            i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            in.push_back(i);
        }
        SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    }

    std::unique_ptr<TForm> form;
    TKeyButton* ok = nullptr;
    TKeyButton* cancel = nullptr;
    std::vector<std::string> log;
};

TEST_F(KeyRoutingTest, EnterIsTakenAsADialogKeyBeforeThePreview) {
    ASSERT_EQ(GetFocus(), cancel->Handle());
    PostKey(cancel, VK_RETURN);
    EXPECT_EQ(log, (std::vector<std::string>{"Cancel:dialog13"}));
}

TEST_F(KeyRoutingTest, KeysNotTakenReachThePreviewThenTheFocusedControl) {
    PostKey(cancel, VK_ESCAPE);  // no cancel button: nobody takes Escape
    EXPECT_EQ(log, (std::vector<std::string>{"form:27", "Cancel:27"}));
    log.clear();
    cancel->Cancel = true;
    PostKey(cancel, VK_ESCAPE);
    EXPECT_EQ(log, (std::vector<std::string>{"Cancel:dialog27"}));
    log.clear();
    PostKey(cancel, VK_F5);  // the preview zeroes it: the control never sees it
    EXPECT_EQ(log, (std::vector<std::string>{"form:116"}));
    log.clear();
    form->SetKeyPreview(false);
    PostKey(cancel, 'A');
    EXPECT_EQ(log, (std::vector<std::string>{"Cancel:65"}));
}

TEST_F(KeyRoutingTest, TabMovesTheFocusAlongTheTabOrderAndTellsEveryControl) {
    PostKey(cancel, VK_TAB);
    EXPECT_EQ(GetFocus(), ok->Handle());
    EXPECT_EQ(form->ActiveControl(), ok);
    EXPECT_EQ(ok->LastFocusNotice, ok);
    EXPECT_EQ(cancel->LastFocusNotice, ok) << "every control hears which one has the focus";
    EXPECT_TRUE(log.empty()) << "Tab is not a key for the controls";
    PostKey(ok, VK_RETURN);
    EXPECT_EQ(log, (std::vector<std::string>{"Ok:dialog13"}));
    PostKey(ok, VK_TAB);
    EXPECT_EQ(GetFocus(), cancel->Handle()) << "wraps around";
}

TEST_F(KeyRoutingTest, ShiftedKeysFromTheKeyboard) {
    ASSERT_EQ(GetForegroundWindow(), form->Handle());
    Input({{VK_SHIFT, false}, {VK_TAB, false}, {VK_TAB, true}, {VK_SHIFT, true}});
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == ok->Handle(); }, 2000)) << "Shift+Tab goes backwards";
    Pump(30);
    log.clear();
    // Shift+Enter is no dialog key for a button: the form's preview sees it, then the focused control.
    Input({{VK_SHIFT, false}, {VK_RETURN, false}, {VK_RETURN, true}, {VK_SHIFT, true}});
    auto has = [&](const std::string& entry) { return std::find(log.begin(), log.end(), entry) != log.end(); };
    ASSERT_TRUE(PumpUntil([&] { return has("Ok:13"); }, 2000));
    Pump(30);
    auto withoutShiftKey = [&] {
        std::vector<std::string> v;
        for (const auto& e : log)
            if (e.find(":16") == std::string::npos) v.push_back(e);
        return v;
    };
    EXPECT_EQ(withoutShiftKey(), (std::vector<std::string>{"form:13+shift", "Ok:13"}));
    // A plain Enter from the keyboard is taken by the focused button.
    log.clear();
    Input({{VK_RETURN, false}, {VK_RETURN, true}});
    ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }, 2000));
    Pump(30);
    EXPECT_EQ(log, (std::vector<std::string>{"Ok:dialog13"}));
}

TEST_F(KeyRoutingTest, AcceleratorOfALabelFocusesItsControl) {
    TLabel label(form.get());
    label.SetParent(form.get());
    label.SetCaption(L"&Open");
    label.SetFocusControl(ok);
    PostMessageW(cancel->Handle(), WM_SYSCHAR, 'o', 1);
    Pump(30);
    EXPECT_EQ(GetFocus(), ok->Handle());
    EXPECT_EQ(GetHotkey(L"Save && &Exit"), L'E');
    EXPECT_EQ(GetHotkey(L"No accelerator &&"), 0);
}

TEST(MdiFormTest, TheClientWindowTakesWhatAlignedControlsLeave) {
    std::vector<std::string> keys;
    TForm frame(nullptr);
    frame.SetFormStyle(fsMDIForm);
    frame.SetBounds(0, 0, 400, 300);
    auto* bar = new TStatusBar(&frame);
    bar->SetParent(&frame);
    bar->SetHeight(25);
    HWND client = frame.ClientHandle();
    EXPECT_EQ(client, nullptr);
    frame.HandleNeeded();
    client = frame.ClientHandle();
    ASSERT_NE(client, nullptr);
    wchar_t cls[32]{};
    GetClassNameW(client, cls, 32);
    EXPECT_EQ(_wcsicmp(cls, L"MDIClient"), 0);
    RECT c{}, f{};
    GetClientRect(frame.Handle(), &f);
    GetWindowRect(client, &c);
    MapWindowPoints(HWND_DESKTOP, frame.Handle(), reinterpret_cast<POINT*>(&c), 2);
    EXPECT_EQ(c.bottom, f.bottom - 25);
    EXPECT_EQ(c.right, f.right);

    auto* fill = new TKeyButton(&frame, "Fill", keys);
    fill->SetAlign(alClient);
    GetWindowRect(client, &c);
    EXPECT_EQ(c.right - c.left, 0) << "an alClient control leaves nothing";
    EXPECT_THROW(frame.SetFormStyle(fsNormal), EInvalidOperation);
}

TEST(ResourceBalanceTest, FiveHundredFormCyclesLeaveHandleCountsFlat) {
    {  // warm up: window classes, stock objects and the like are made once
        TTestForm form(nullptr, kBoxText);
        form.Show();
        Application->ProcessMessages();
    }
    Application->ProcessMessages();
    const TGdiCounts gdiBefore = GdiLiveCounts();
    const int windowsBefore = ThreadWindowCount();
    const auto start = std::chrono::steady_clock::now();
    long peak = 0;
    for (int i = 0; i < 500; ++i) {
        TTestForm form(nullptr, kBoxText);
        peak = std::max(peak, GdiLiveCounts().Total());
        form.StatusBar1->Panels()[4]->SetText(L"2026年12月6日 08:05:09");
        if (i % 50 == 0) {
            form.Show();
            form.Update();
        } else {
            form.HandleNeeded();
        }
        TClientCapture paint(form.Handle());
        peak = std::max(peak, GdiLiveCounts().Total());
        Application->ProcessMessages();
    }
    EXPECT_GT(peak, gdiBefore.Total()) << "the forms' fonts and brushes are counted while they live";
    Application->ProcessMessages();
    const double perCycleMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / 500;
    const TGdiCounts gdiAfter = GdiLiveCounts();
    for (int k = 0; k < static_cast<int>(TGdiKind::Count_); ++k)
        EXPECT_EQ(gdiAfter.Live[static_cast<std::size_t>(k)], gdiBefore.Live[static_cast<std::size_t>(k)])
            << "GDI kind " << k;
    EXPECT_EQ(ThreadWindowCount(), windowsBefore);
    std::printf(
        "[ figures  ] form create/read/paint/destroy: %.2f ms per cycle; GDI live %ld -> %ld (peak %ld); "
        "windows %d -> %d\n",
        perCycleMs, gdiBefore.Total(), gdiAfter.Total(), peak, windowsBefore, ThreadWindowCount());
}

}  // namespace
