// Menus: items mirrored in platform menus, clicks by command, shortcut keys through the loop, sub-menu rebuilds,
// popup menus by right click and the context-menu key, a form's menu bar, owner-draw dispatch, stored
// descriptions and handle balance.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/FrameworkTestSupport.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "framework/Properties.h"

using namespace qd;
using namespace qd::test;

namespace {

constexpr char kMenuForm[] = R"(object MenuForm: TMenuForm
  Left = 100
  Top = 100
  ClientWidth = 400
  ClientHeight = 300
  Caption = '菜单'
  Menu = MainMenu1
  object Panel1: TWinControl
    Left = 10
    Top = 10
    Width = 200
    Height = 100
    PopupMenu = PopupMenu1
  end
  object MainMenu1: TMainMenu
    object File1: TMenuItem
      Caption = '文件(&F)'
      OnClick = ItemClick
      object New1: TMenuItem
        Caption = '新建(&N)'
        ShortCut = 'Ctrl+N'
        OnClick = ItemClick
      end
      object Sep1: TMenuItem
        Caption = '-'
      end
      object Recent1: TMenuItem
        Caption = '最近(&R)'
        object Old1: TMenuItem
          Caption = 'a.txt'
          Enabled = False
          ShortCut = 'Ctrl+O'
          OnClick = ItemClick
        end
      end
    end
    object View1: TMenuItem
      Caption = '查看(&V)'
      object Big1: TMenuItem
        Caption = '大'
        RadioItem = True
        GroupIndex = 1
        Checked = True
      end
      object Small1: TMenuItem
        Caption = '小'
        RadioItem = True
        GroupIndex = 1
        Default = True
      end
    end
  end
  object PopupMenu1: TPopupMenu
    OnPopup = MenuPopup
    object Copy1: TMenuItem
      Caption = '复制(&C)'
      OnClick = ItemClick
    end
    object Paste1: TMenuItem
      Caption = '粘贴(&P)'
      OnClick = ItemClick
    end
  end
end
)";

class TMenuForm : public TForm {
public:
    explicit TMenuForm(std::string_view text = kMenuForm) : TForm(nullptr) { ReadStoredForm(text, "MenuForm"); }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info = TClassBuilder<TMenuForm>("TMenuForm", &TForm::StaticClassInfo())
                                           .Handler<TNotifyEvent>("ItemClick", &TMenuForm::ItemClick)
                                           .Handler<TNotifyEvent>("MenuPopup", &TMenuForm::MenuPopup)
                                           .Field("MainMenu1", &TMenuForm::MainMenu1)
                                           .Field("PopupMenu1", &TMenuForm::PopupMenu1)
                                           .Field("Panel1", &TMenuForm::Panel1);
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void ItemClick(TObject* sender) { Clicks.push_back(static_cast<TComponent*>(sender)->Name()); }
    void MenuPopup(TObject*) {
        Popups.push_back(PopupMenu1->PopupComponent());
        // The menu loop reads these once it runs: choose the second item.
        for (WORD key : KeysInPopup) {
            PostMessageW(Handle(), WM_KEYDOWN, key, 0);
            PostMessageW(Handle(), WM_KEYUP, key, 0);
        }
    }
    TMenuItem* Item(const char* name) { return dynamic_cast<TMenuItem*>(FindComponent(name)); }

    TMainMenu* MainMenu1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TWinControl* Panel1 = nullptr;
    std::vector<std::string> Clicks;
    std::vector<TComponent*> Popups;
    std::vector<WORD> KeysInPopup{VK_DOWN, VK_DOWN, VK_RETURN};
};

const bool kRegistered = [] {
    RegisterFrameworkClasses();
    return true;
}();

struct TItemState {
    UINT Type = 0, State = 0;
    std::wstring Text;
    HMENU SubMenu = nullptr;
    ULONG_PTR Data = 0;
    bool Found = false;
};

TItemState ReadItem(HMENU menu, UINT command) {
    TItemState s;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(MENUITEMINFOW);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU | MIIM_DATA;
    if (!GetMenuItemInfoW(menu, command, FALSE, &info)) return s;
    s.Found = true;
    s.Type = info.fType;
    s.State = info.fState;
    s.SubMenu = info.hSubMenu;
    s.Data = info.dwItemData;
    if (info.cch) {
        std::wstring text(info.cch + 1, L'\0');
        info.dwTypeData = text.data();
        info.cch = static_cast<UINT>(text.size());
        info.fMask = MIIM_STRING;
        GetMenuItemInfoW(menu, command, FALSE, &info);
        text.resize(info.cch);
        s.Text = text;
    }
    return s;
}

void SetControlKey(bool down) {
    BYTE keys[256]{};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

}  // namespace

TEST(MenuTextTest, ShortcutsReadAndWriteAsText) {
    struct TCase {
        TShortCut ShortCut;
        const wchar_t* Text;
    } const cases[] = {{ShortCut('N', ssCtrl), L"Ctrl+N"},
                       {ShortCut(VK_F4, ssShift), L"Shift+F4"},
                       {ShortCut(VK_DELETE, ssCtrl | ssAlt), L"Ctrl+Alt+Del"},
                       {ShortCut('5', 0), L"5"},
                       {ShortCut(VK_F12, ssShift | ssCtrl | ssAlt), L"Shift+Ctrl+Alt+F12"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ShortCutToText(c.ShortCut), c.Text);
        EXPECT_EQ(TextToShortCut(c.Text), c.ShortCut) << c.Text;
    }
    EXPECT_EQ(TextToShortCut(L"ctrl+n"), ShortCut('N', ssCtrl));
    EXPECT_EQ(TextToShortCut(L"Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut(L"Ctrl+Nope"), 0);
}

TEST(MenuItemTest, PropertiesShowInThePlatformMenu) {
    TPopupMenu menu(nullptr);
    struct TCase {
        const char* Name;
        void (*Setup)(TMenuItem&);
        UINT Type, State;
        const wchar_t* Text;
    } const cases[] = {
        {"plain", [](TMenuItem& i) { i.SetCaption(L"打开(&O)"); }, MFT_STRING, 0, L"打开(&O)"},
        {"shortcut",
         [](TMenuItem& i) {
             i.SetCaption(L"&New");
             i.SetShortCut(ShortCut('N', ssCtrl));
         },
         MFT_STRING, 0, L"&New\tCtrl+N"},
        {"disabled",
         [](TMenuItem& i) {
             i.SetCaption(L"x");
             i.SetEnabled(false);
         },
         MFT_STRING, MFS_GRAYED, L"x"},
        {"checked",
         [](TMenuItem& i) {
             i.SetCaption(L"x");
             i.SetChecked(true);
         },
         MFT_STRING, MFS_CHECKED, L"x"},
        {"radio",
         [](TMenuItem& i) {
             i.SetCaption(L"x");
             i.SetRadioItem(true);
         },
         MFT_RADIOCHECK, 0, L"x"},
        {"default",
         [](TMenuItem& i) {
             i.SetCaption(L"x");
             i.SetDefault(true);
         },
         MFT_STRING, MFS_DEFAULT, L"x"},
        {"separator", [](TMenuItem& i) { i.SetCaption(L"-"); }, MFT_SEPARATOR, 0, L""},
        {"break",
         [](TMenuItem& i) {
             i.SetCaption(L"x");
             i.SetBreak(mbBarBreak);
         },
         MFT_MENUBARBREAK, 0, L"x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* item = new TMenuItem(nullptr);
        menu.Items().Add(item);
        c.Setup(*item);
        const TItemState s = ReadItem(menu.Handle(), item->Command());
        ASSERT_TRUE(s.Found);
        EXPECT_EQ(s.Type, c.Type);
        EXPECT_EQ(s.State, c.State);
        EXPECT_EQ(s.Text, c.Text);
        EXPECT_EQ(s.Data, reinterpret_cast<ULONG_PTR>(item));
        EXPECT_EQ(s.SubMenu, nullptr);
    }

    // Owner-drawn items keep their text; hidden items leave the platform menu.
    TMenuItem* first = menu.Items()[0];
    menu.SetOwnerDraw(true);
    TItemState drawn = ReadItem(menu.Handle(), first->Command());
    EXPECT_EQ(drawn.Type, static_cast<UINT>(MFT_OWNERDRAW));
    EXPECT_EQ(drawn.Text, L"打开(&O)");
    first->SetVisible(false);
    EXPECT_FALSE(ReadItem(menu.Handle(), first->Command()).Found);
    EXPECT_EQ(GetMenuItemCount(menu.Handle()), menu.Items().Count() - 1);
}

TEST(MenuItemTest, RadioItemsOfAGroupCheckOneAtATime) {
    TMenuForm form;
    TMenuItem* big = form.Item("Big1");
    TMenuItem* small = form.Item("Small1");
    HMENU view = form.Item("View1")->Handle();
    EXPECT_TRUE(ReadItem(view, big->Command()).State & MFS_CHECKED);
    small->SetChecked(true);
    EXPECT_FALSE(big->Checked());
    EXPECT_FALSE(ReadItem(view, big->Command()).State & MFS_CHECKED);
    EXPECT_TRUE(ReadItem(view, small->Command()).State & MFS_CHECKED);
    EXPECT_TRUE(ReadItem(view, small->Command()).State & MFS_DEFAULT);
}

TEST(MenuItemTest, SubMenusFollowTheirChildren) {
    TMainMenu menu(nullptr);
    auto* top = new TMenuItem(nullptr);
    top->SetCaption(L"top");
    menu.Items().Add(top);
    HMENU bar = menu.Handle();
    EXPECT_EQ(ReadItem(bar, top->Command()).SubMenu, nullptr);

    auto* child = new TMenuItem(nullptr);
    child->SetCaption(L"child");
    top->Add(child);
    EXPECT_EQ(ReadItem(bar, top->Command()).SubMenu, top->Handle());
    child->SetCaption(L"renamed");
    EXPECT_EQ(ReadItem(top->Handle(), child->Command()).Text, L"renamed");

    // A drop-down's click may rebuild it before it shows.
    top->OnClick = [&](TObject*) {
        auto* more = new TMenuItem(nullptr);
        more->SetCaption(L"more");
        top->Add(more);
    };
    EXPECT_TRUE(menu.DispatchPopup(top->Handle()));
    EXPECT_EQ(GetMenuItemCount(top->Handle()), 2);

    top->Clear();
    EXPECT_EQ(ReadItem(bar, top->Command()).SubMenu, nullptr);
    EXPECT_EQ(GetMenuItemCount(top->Handle()), 0);
}

TEST(MenuDispatchTest, ACommandClicksItsItemOnceAndDisabledItemsNever) {
    TMenuForm form;
    struct TCase {
        const char* Item;
        bool Posted;
        std::vector<std::string> Clicks;
    } const cases[] = {{"New1", false, {"New1"}}, {"New1", true, {"New1"}}, {"Old1", true, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Item) + (c.Posted ? " posted" : " sent"));
        form.Clicks.clear();
        const WPARAM wParam = MAKEWPARAM(form.Item(c.Item)->Command(), 0);
        if (c.Posted) {
            PostMessageW(form.Handle(), WM_COMMAND, wParam, 0);
            Pump(50);
        } else {
            SendMessageW(form.Handle(), WM_COMMAND, wParam, 0);
        }
        EXPECT_EQ(form.Clicks, c.Clicks);
    }
}

TEST(MenuDispatchTest, ShortcutKeysClickThroughTheMessageLoop) {
    TMenuForm form;
    form.Show();
    struct TCase {
        WORD Key;
        std::vector<std::string> Clicks;
    } const cases[] = {{'N', {"File1", "New1"}}, {'O', {"File1"}}, {'Q', {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Key);
        form.Clicks.clear();
        SetControlKey(true);
        PostMessageW(form.Panel1->Handle(), WM_KEYDOWN, c.Key, 0);
        Pump(50);
        SetControlKey(false);
        // The drop-down above the item opens first, so its handler can update the item.
        EXPECT_EQ(form.Clicks, c.Clicks);
    }
}

TEST(MenuDispatchTest, OwnerDrawMessagesReachOnlyTheFormsItems) {
    TMenuForm form;
    form.MainMenu1->SetOwnerDraw(true);
    TMenuItem* item = form.Item("New1");
    int measured = 0;
    UINT drawnState = 0;
    item->OnMeasureItem = [&](TObject*, TCanvas* canvas, int& width, int& height) {
        ++measured;
        width = canvas->TextWidth(L"新建") + 40;
        height = 30;
    };
    item->OnAdvancedDrawItem = [&](TObject*, TCanvas*, const RECT&, TOwnerDrawState state) { drawnState = state; };

    struct TCase {
        ULONG_PTR Data;
        UINT Id;
        bool Handled;
    } const cases[] = {{reinterpret_cast<ULONG_PTR>(item), item->Command(), true},
                       {0, item->Command(), true},
                       {0x12345678, 0xEEEE, false}};
    HDC dc = CreateCompatibleDC(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Handled);
        measured = 0;
        drawnState = 0;
        MEASUREITEMSTRUCT mis{ODT_MENU, 0, c.Id, 0, 0, c.Data};
        EXPECT_EQ(SendMessageW(form.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis)) != 0, c.Handled);
        EXPECT_EQ(measured, c.Handled ? 1 : 0);
        if (c.Handled) {
            EXPECT_EQ(mis.itemHeight, 30u);
        }
        DRAWITEMSTRUCT dis{ODT_MENU, 0, c.Id, ODA_DRAWENTIRE, ODS_SELECTED, nullptr, dc, RECT{0, 0, 100, 30}, c.Data};
        SendMessageW(form.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
        EXPECT_EQ(drawnState, c.Handled ? static_cast<UINT>(ODS_SELECTED) : 0u);
    }
    DeleteDC(dc);
}

TEST(PopupMenuTest, RightClickAndTheContextMenuKeyShowTheControlsMenu) {
    TMenuForm form;
    form.Show();
    Pump(50);
    struct TCase {
        const char* Name;
        UINT Msg;
        WPARAM WParam;
    } const cases[] = {{"right click", WM_RBUTTONUP, 0}, {"context-menu key", WM_KEYUP, VK_APPS}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        form.Clicks.clear();
        form.Popups.clear();
        if (c.Msg == WM_RBUTTONUP) PostMessageW(form.Panel1->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
        PostMessageW(form.Panel1->Handle(), c.Msg, c.WParam, c.Msg == WM_RBUTTONUP ? MAKELPARAM(20, 20) : 0);
        ASSERT_TRUE(PumpUntil([&] { return !form.Clicks.empty(); }));
        Pump(50);
        EXPECT_EQ(form.Popups, std::vector<TComponent*>{form.Panel1});
        EXPECT_EQ(form.Clicks, std::vector<std::string>{"Paste1"});
        EXPECT_FALSE(TPopupMenu::Tracking());
    }
}

TEST(FormMenuTest, TheMenuBarKeepsTheClientSize) {
    TMenuForm form;
    HWND wnd = form.Handle();
    auto client = [&] {
        RECT r{};
        GetClientRect(wnd, &r);
        return r;
    };
    EXPECT_EQ(GetMenu(wnd), form.MainMenu1->Handle()) << "a stored Menu shows at creation";
    EXPECT_EQ(client().right, 400);
    EXPECT_EQ(client().bottom, 300);
    const int height = form.Height();

    form.SetMenu(nullptr);
    EXPECT_EQ(GetMenu(wnd), nullptr);
    EXPECT_EQ(client().bottom, 300);
    EXPECT_LT(form.Height(), height);

    TMainMenu other(nullptr);
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(L"另一个");
    other.Items().Add(item);
    form.SetMenu(&other);
    EXPECT_EQ(GetMenu(wnd), other.Handle());
    EXPECT_EQ(client().bottom, 300);
    EXPECT_EQ(form.Height(), height);
}

TEST(FormMenuTest, AWindowNeverFreesTheMenuItShows) {
    // A menu that outlives the form keeps its handle; a menu freed first leaves the window without a bar.
    auto menu = std::make_unique<TMainMenu>(nullptr);
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(L"x");
    menu->Items().Add(item);
    {
        TMenuForm form;
        form.SetMenu(menu.get());
        EXPECT_EQ(GetMenu(form.Handle()), menu->Handle());
    }
    EXPECT_TRUE(IsMenu(menu->Handle()));

    TMenuForm form;
    form.SetMenu(menu.get());
    HWND wnd = form.Handle();
    HMENU handle = menu->Handle();
    menu.reset();
    EXPECT_EQ(form.Menu(), nullptr);
    EXPECT_EQ(GetMenu(wnd), nullptr);
    EXPECT_FALSE(IsMenu(handle));
}

TEST(StoredMenuTest, MenusAndTheirReferencesComeFromTheDescription) {
    TMenuForm form;
    ASSERT_NE(form.MainMenu1, nullptr);
    EXPECT_EQ(form.Menu(), form.MainMenu1);
    EXPECT_EQ(form.Panel1->PopupMenu(), form.PopupMenu1);
    TMenuItem& bar = form.MainMenu1->Items();
    ASSERT_EQ(bar.Count(), 2);
    EXPECT_EQ(bar[0]->Caption(), L"文件(&F)");
    ASSERT_EQ(bar[0]->Count(), 3);
    EXPECT_TRUE(bar[0]->Items(1)->IsLine());
    EXPECT_EQ(bar[0]->Items(2)->Items(0)->Caption(), L"a.txt");
    EXPECT_EQ(form.Item("New1")->ShortCut(), ShortCut('N', ssCtrl));
    EXPECT_EQ(GetPropertyText(*form.Item("New1"), "ShortCut"), std::to_string(ShortCut('N', ssCtrl)));
    EXPECT_EQ(EventHandlerName(form.Item("New1")->OnClick), "ItemClick");
    EXPECT_EQ(form.PopupMenu1->Items().Count(), 2);

    // The bar shows the stored tree, drop-downs included.
    HMENU handle = GetMenu(form.Handle());
    ASSERT_EQ(GetMenuItemCount(handle), 2);
    HMENU file = GetSubMenu(handle, 0);
    EXPECT_EQ(file, bar[0]->Handle());
    EXPECT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetSubMenu(file, 2), bar[0]->Items(2)->Handle());
    EXPECT_EQ(ReadItem(file, form.Item("New1")->Command()).Text, L"新建(&N)\tCtrl+N");

    EXPECT_THROW(TMenuForm(R"(object MenuForm: TMenuForm
  object M: TMainMenu
    object I: TMenuItem
      ShortCut = 'Ctrl+Nothing'
    end
  end
end
)"),
                 Exception);
}

TEST(MenuResourceTest, MenuHandlesGoWithTheirMenusOverManyCycles) {
    const long menusBefore = LiveMenuHandleCount();
    const int windowsBefore = ThreadWindowCount();
    std::vector<HMENU> last;
    for (int i = 0; i < 200; ++i) {
        TMenuForm form;
        last = {form.MainMenu1->Handle(), form.Item("File1")->Handle(), form.Item("Recent1")->Handle(),
                form.PopupMenu1->Handle()};
        if (i == 0) {
            EXPECT_EQ(LiveMenuHandleCount(), menusBefore + 5);
        }
    }
    EXPECT_EQ(LiveMenuHandleCount(), menusBefore);
    EXPECT_EQ(ThreadWindowCount(), windowsBefore);
    for (HMENU menu : last) EXPECT_FALSE(IsMenu(menu));
}

TEST(MenuDrawTest, DefaultOwnerDrawnItemsPaintTheirWholeRectangleWithGlyphAndState) {
    // A 16 x 16 red image; the item is drawn into a magenta surface that must be covered everywhere.
    TImageList images(nullptr);
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HBITMAP red = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(source, red);
    RECT all{0, 0, 16, 16};
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(source, &all, brush);
    DeleteObject(brush);
    SelectObject(source, old);
    DeleteDC(source);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(images.AddMasked(red, RGB(255, 0, 255)), 0);
    DeleteObject(red);

    TPopupMenu menu(nullptr);
    menu.SetOwnerDraw(true);
    menu.SetImages(&images);
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(L"复制(&C)");
    item->SetImageIndex(0);
    menu.Items().Add(item);

    constexpr int kW = 120, kH = 24;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kW, -kH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::uint32_t* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    HGDIOBJ oldSurface = SelectObject(dc, surface);
    auto pixel = [&](int x, int y) {
        const std::uint32_t p = bits[y * kW + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    };
    struct TCase {
        UINT State;
        bool Enabled;
        int Background;
    } const cases[] = {{0, true, COLOR_MENU}, {ODS_SELECTED, true, COLOR_HIGHLIGHT}, {0, false, COLOR_MENU}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.State * 2 + c.Enabled);
        item->SetEnabled(c.Enabled);
        std::fill(bits, bits + kW * kH, 0x00FF00FFu);
        DRAWITEMSTRUCT dis{ODT_MENU,
                           0,
                           item->Command(),
                           ODA_DRAWENTIRE,
                           c.State,
                           nullptr,
                           dc,
                           RECT{0, 0, kW, kH},
                           reinterpret_cast<ULONG_PTR>(item)};
        ASSERT_TRUE(menu.DrawItem(dis));
        GdiFlush();
        int magenta = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) magenta += pixel(x, y) == RGB(255, 0, 255);
        EXPECT_EQ(magenta, 0);
        EXPECT_EQ(pixel(kW - 2, 1), GetSysColor(c.Background));
        // The glyph column holds the image: pure red when enabled, blended when not.
        EXPECT_EQ(pixel(10, kH / 2) == RGB(255, 0, 0), c.Enabled);
    }
    SelectObject(dc, oldSurface);
    DeleteObject(surface);
    DeleteDC(dc);
}
