// MDI: child forms made inside the frame's client, the window menu listing them, the maximised child's buttons in
// the frame's menu bar, the child keys through the message loop, and windows balanced over many children.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/FrameworkTestSupport.h"
#include "framework/Menus.h"
#include "framework/Properties.h"

using namespace qd;
using namespace qd::test;

namespace {

constexpr char kFrame[] = R"(object MdiFrame: TMdiFrame
  Left = 50
  Top = 50
  ClientWidth = 600
  ClientHeight = 400
  FormStyle = fsMDIForm
  Menu = MainMenu1
  WindowMenu = Window1
  object MainMenu1: TMainMenu
    object File1: TMenuItem
      Caption = '文件(&F)'
    end
    object Window1: TMenuItem
      Caption = '窗口(&W)'
      object Cascade1: TMenuItem
        Caption = '层叠(&C)'
      end
    end
  end
end
)";

class TMdiFrame : public TForm {
public:
    explicit TMdiFrame(TComponent* owner) : TForm(owner) { ReadStoredForm(kFrame, "MdiFrame"); }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info = TClassBuilder<TMdiFrame>("TMdiFrame", &TForm::StaticClassInfo())
                                           .Field("MainMenu1", &TMdiFrame::MainMenu1)
                                           .Field("Window1", &TMdiFrame::Window1);
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* Window1 = nullptr;
};

// The application's main form is the frame for the test's lifetime.
class MdiTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->CreateForm(Frame);
        ASSERT_EQ(Application->MainForm(), Frame) << "no other main form may exist while MDI is tested";
        Frame->Show();
    }
    void TearDown() override {
        Children.clear();
        delete Frame;
        ResetApplication();
    }
    TForm* AddChild(const std::wstring& caption) {
        auto child = std::make_unique<TForm>(nullptr);
        child->SetFormStyle(fsMDIChild);
        child->SetCaption(caption);
        child->SetBounds(10, 10, 200, 150);
        child->Show();
        Children.push_back(std::move(child));
        return Children.back().get();
    }
    HWND Active() const { return reinterpret_cast<HWND>(SendMessageW(Frame->ClientHandle(), WM_MDIGETACTIVE, 0, 0)); }
    TMdiFrame* Frame = nullptr;
    std::vector<std::unique_ptr<TForm>> Children;
};

std::wstring MenuText(HMENU menu, int position) {
    const int n = GetMenuStringW(menu, static_cast<UINT>(position), nullptr, 0, MF_BYPOSITION);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    GetMenuStringW(menu, static_cast<UINT>(position), text.data(), n + 1, MF_BYPOSITION);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

}  // namespace

TEST_F(MdiTest, ChildrenLiveInTheClientAndTheWindowMenuListsThem) {
    TForm* first = AddChild(L"子窗体一");
    TForm* second = AddChild(L"子窗体二");
    EXPECT_EQ(GetParent(first->Handle()), Frame->ClientHandle());
    EXPECT_TRUE(GetWindowLongW(second->Handle(), GWL_EXSTYLE) & WS_EX_MDICHILD);
    EXPECT_EQ(Active(), second->Handle());

    HMENU window = Frame->Window1->Handle();
    // The own item, a separator, one entry per child.
    ASSERT_EQ(GetMenuItemCount(window), 4);
    EXPECT_NE(MenuText(window, 2).find(L"子窗体一"), std::wstring::npos);
    EXPECT_NE(MenuText(window, 3).find(L"子窗体二"), std::wstring::npos);

    // A rebuilt drop-down lists them again.
    Frame->Window1->Items(0)->SetCaption(L"层叠窗口(&C)");
    EXPECT_EQ(GetMenuItemCount(window), 4);
    EXPECT_EQ(MenuText(window, 0), L"层叠窗口(&C)");

    Children.pop_back();
    EXPECT_EQ(GetMenuItemCount(window), 3) << "a freed child leaves the list";
}

TEST_F(MdiTest, AMaximisedChildPutsItsButtonsInTheFramesMenuBar) {
    TForm* child = AddChild(L"子窗体");
    HMENU bar = GetMenu(Frame->Handle());
    const int plain = GetMenuItemCount(bar);
    SendMessageW(Frame->ClientHandle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child->Handle()), 0);
    EXPECT_TRUE(IsZoomed(child->Handle()));
    EXPECT_EQ(GetMenuItemCount(bar), plain + 4) << "system menu, minimise, restore, close";
    SendMessageW(Frame->ClientHandle(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(child->Handle()), 0);
    EXPECT_EQ(GetMenuItemCount(bar), plain);
}

TEST_F(MdiTest, CtrlF6MovesToTheNextChildThroughTheLoop) {
    TForm* first = AddChild(L"一");
    TForm* second = AddChild(L"二");
    ASSERT_EQ(Active(), second->Handle());
    BYTE keys[256]{};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(second->Handle(), WM_KEYDOWN, VK_F6, 0);
    const bool moved = PumpUntil([&] { return Active() == first->Handle(); }, 2000);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(moved);
}

TEST_F(MdiTest, ChildWindowsGoWithTheirForms) {
    const int windowsBefore = ThreadWindowCount();
    for (int i = 0; i < 50; ++i) {
        AddChild(L"子窗体");
        if (i % 2) SendMessageW(Frame->ClientHandle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(Active()), 0);
        Children.clear();
    }
    EXPECT_EQ(ThreadWindowCount(), windowsBefore);
    EXPECT_EQ(GetMenuItemCount(Frame->Window1->Handle()), 1);
    EXPECT_EQ(GetMenuItemCount(GetMenu(Frame->Handle())), 2);
}
