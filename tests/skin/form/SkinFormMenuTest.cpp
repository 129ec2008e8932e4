// A skinned window with a menu: the band in place of the native menu bar and the menu back at detach, drop-downs
// opened by click, keys and mnemonics through the skinner's own procedure with their items drawn from the skin,
// one command for Enter, unskinning while a drop-down is open, handle counts over many cycles, and the
// maximised MDI child's buttons in the band.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "skin/form/SkinMenuBar.h"
#include "skin/form/SkinMenuItems.h"
#include "support/Pump.h"
#include "SkinFormTestSupport.h"

namespace qd::test {
namespace {

constexpr UINT MnGetHMenu = 0x01E1;

struct TMenuWindows {
    HWND Top = nullptr;
    int Count = 0;
};
TMenuWindows MenuWindows() {
    TMenuWindows result;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wstring(cls) != L"#32768" || !::IsWindowVisible(w)) return TRUE;
            auto* r = reinterpret_cast<TMenuWindows*>(lp);
            if (!r->Top) r->Top = w;
            ++r->Count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&result));
    return result;
}

// The menu shown by the one open menu window; null unless exactly one is open.
HMENU OpenMenu() {
    const TMenuWindows w = MenuWindows();
    return w.Count == 1 ? reinterpret_cast<HMENU>(::SendMessageW(w.Top, MnGetHMenu, 0, 0)) : nullptr;
}

// Items (all depths) whose type is owner-drawn.
int OwnerDrawnItems(HMENU menu) {
    int n = 0;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        n += (info.fType & MFT_OWNERDRAW) != 0;
        if (info.hSubMenu) n += OwnerDrawnItems(info.hSubMenu);
    }
    return n;
}

// Steps run from a timer inside the menu loop; counts the menu windows at every tick.
struct TScript {
    struct TStep {
        std::function<bool()> Ready;
        std::function<void()> Act;
    };
    std::vector<TStep> Steps;
    std::size_t Next = 0;
    int MostMenus = 0;
    ULONGLONG Deadline = 0;
};
TScript* GScript = nullptr;

void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR, DWORD) {
    TScript* s = GScript;
    if (!s) return;
    s->MostMenus = std::max(s->MostMenus, MenuWindows().Count);
    if (s->Next >= s->Steps.size()) return;
    if (::GetTickCount64() > s->Deadline) {
        s->Next = s->Steps.size();
        ADD_FAILURE() << "a step of the script never became ready";
        ::EndMenu();
        return;
    }
    TScript::TStep& step = s->Steps[s->Next];
    if (!step.Ready()) return;
    ++s->Next;
    step.Act();
}

// The screen under a window and a little below it (where its drop-downs open), as a bitmap file.
void SaveScreenUnder(HWND wnd, const char* path) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top + 120;
    TBitmap shot;
    shot.SetSize(w, h);
    {
        TWindowDC screen(nullptr);
        ::BitBlt(shot.Canvas().Handle(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    }
    shot.Dormant();
    const auto bytes = shot.SaveToBmpBytes();
    if (FILE* f = std::fopen(path, "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

class SkinFormMenu : public SkinFormFixture {
protected:
    void TearDown() override {
        SkinFormFixture::TearDown();
        GScript = nullptr;
    }

    // File (New, Open), Edit (Cut), Help (About).
    void MakeMenuWindow() {
        Menu = ::CreateMenu();
        auto popup = [](std::initializer_list<std::pair<UINT, const wchar_t*>> items) {
            HMENU m = ::CreatePopupMenu();
            for (auto [id, text] : items) ::AppendMenuW(m, MF_STRING, id, text);
            return m;
        };
        ::AppendMenuW(Menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup({{101, L"&New"}, {102, L"&Open"}})), L"&File");
        ::AppendMenuW(Menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup({{201, L"Cu&t"}})), L"&Edit");
        ::AppendMenuW(Menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup({{401, L"&About"}})), L"&Help");
        MakeWindow();
        ::SetMenu(Wnd, Menu);
        ::SetForegroundWindow(Wnd);
        PumpPending();
    }

    HMENU DropDown(int index) const { return ::GetSubMenu(Menu, index); }
    POINT ButtonScreenCentre(int index) const {
        const RECT& r = Skinner->MenuBar()->Buttons()[static_cast<std::size_t>(index)].Rect;
        return FrameToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    TScript::TStep WhenOpen(int index, std::function<void()> act) {
        return {[this, index] { return OpenMenu() == DropDown(index); }, std::move(act)};
    }
    void PostKey(WPARAM key) { ::PostMessageW(Wnd, WM_KEYDOWN, key, 0); }

    // Starts the menu loop with `start` (a message sent or posted to the window) and runs the script inside it.
    void Run(TScript& script, const std::function<void()>& start) {
        script.Deadline = ::GetTickCount64() + 10000;
        GScript = &script;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ScriptTimer);
        start();
        PumpUntil([&] { return script.Next >= script.Steps.size() && !TSkinMenuBar::AnyTracking(); }, 10000);
        ::KillTimer(nullptr, timer);
        GScript = nullptr;
        PumpPending();
    }
    void ClickButton(int index) {
        const POINT p = ButtonScreenCentre(index);
        ::PostMessageW(Wnd, WM_NCLBUTTONDOWN, HTMENU, PointParam(p));
    }

    HMENU Menu = nullptr;
};

TEST_F(SkinFormMenu, BandReplacesTheMenuBarAndDetachGivesTheMenuBackUnchanged) {
    MakeMenuWindow();
    RECT before{};
    ::GetClientRect(Wnd, &before);
    Skin();
    EXPECT_EQ(::GetMenu(Wnd), nullptr);
    RECT skinned{};
    ::GetClientRect(Wnd, &skinned);
    EXPECT_EQ(skinned.bottom, before.bottom) << "the band takes the place of the menu bar";

    // The band's rows lie right above the client area: the skin's first row (white when active), captions inked.
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    POINT client{0, 0};
    ::ClientToScreen(Wnd, &client);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const int left = client.x - wr.left, bandTop = client.y - wr.top - ::GetSystemMetrics(SM_CYMENU);
    TDibSection dib = CreateDib32(w, h);
    {
        TMemoryDC mem(nullptr);
        TSelectGuard select(mem, dib.Bitmap.Get());
        Skinner->PaintFrame(mem);
    }
    auto at = [&](int x, int y) {
        const auto* p = static_cast<const std::uint8_t*>(dib.Bits) + (static_cast<std::size_t>(y) * w + x) * 4;
        return RGB(p[2], p[1], p[0]);
    };
    int notWhite = 0, ink = 0;
    for (int x = left; x < left + skinned.right; ++x) notWhite += at(x, bandTop) != RGB(255, 255, 255);
    for (const TMenuBtn& b : Skinner->MenuBar()->Buttons())
        for (int y = b.Rect.top; y < b.Rect.bottom; ++y)
            for (int x = b.Rect.left; x < b.Rect.right; ++x) ink += at(x, y) == RGB(0, 0, 0);
    EXPECT_EQ(notWhite, 0);
    EXPECT_GT(ink, 30);

    Unskin();
    EXPECT_EQ(::GetMenu(Wnd), Menu);
    EXPECT_EQ(::GetMenuItemCount(Menu), 3);
    RECT after{};
    ::GetClientRect(Wnd, &after);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_EQ(OwnerDrawnItems(Menu), 0);
}

TEST_F(SkinFormMenu, ClickKeysAndMouseOpenOneSkinnedDropDownAtATimeAndEnterGivesOneCommand) {
    MakeMenuWindow();
    Skin();
    int ownerDrawnWhileOpen = -1;
    TScript script;
    script.Steps.push_back(WhenOpen(0, [&] {
        ownerDrawnWhileOpen = OwnerDrawnItems(DropDown(0));
        PostKey(VK_RIGHT);
    }));
    script.Steps.push_back(WhenOpen(1, [&] {
        const POINT p = ButtonScreenCentre(2);
        ::SetCursorPos(p.x, p.y);
        ::PostMessageW(Wnd, WM_MOUSEMOVE, 0, 0);
    }));
    script.Steps.push_back(WhenOpen(2, [&] {
        SaveScreenUnder(Wnd, "skin_menu_open.bmp");  // kept for a person to look at
        PostKey(VK_DOWN);
        PostKey(VK_RETURN);
    }));
    WindowRecorder().Clear();
    Run(script, [&] { ClickButton(0); });
    EXPECT_EQ(script.Next, script.Steps.size());
    EXPECT_EQ(script.MostMenus, 1);
    EXPECT_EQ(ownerDrawnWhileOpen, 2) << "the open drop-down's items are drawn from the skin";
    EXPECT_EQ(OwnerDrawnItems(Menu), 0) << "and given back when it closes";
    ASSERT_EQ(WindowRecorder().Count(WM_COMMAND), 1);
    EXPECT_EQ(LOWORD(WindowRecorder().Entries()[WindowRecorder().IndexOf(WM_COMMAND)].WParam), 401u);
}

TEST_F(SkinFormMenu, TheMouseMakesAButtonHotAndLeavingTheBandCoolsIt) {
    MakeMenuWindow();
    Skin();
    auto state = [this](int i) { return Skinner->MenuBar()->Buttons()[static_cast<std::size_t>(i)].State; };
    struct TMove {
        POINT Screen;
        int HotIndex;  // -1: none
    };
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    for (const TMove& m : {TMove{ButtonScreenCentre(1), 1}, TMove{ButtonScreenCentre(2), 2},
                           TMove{POINT{(wr.left + wr.right) / 2, wr.top + 8}, -1}}) {
        ::SendMessageW(Wnd, WM_NCMOUSEMOVE, ::SendMessageW(Wnd, WM_NCHITTEST, 0, PointParam(m.Screen)),
                       PointParam(m.Screen));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(state(i), i == m.HotIndex ? 3 : 1) << "button " << i;
    }
}

TEST_F(SkinFormMenu, TheSkinsSystemMenuIsOwnerDrawnOnlyWhileOpen) {
    MakeWindow();
    TSkinForm& s = Skin();
    HMENU tracked = nullptr;
    int whileOpen = -1;
    s.TrackMenu = [&](HMENU menu, int, int) {
        tracked = menu;
        whileOpen = OwnerDrawnItems(menu);
        return 0;
    };
    s.ShowSystemMenu(100, 100);
    ASSERT_NE(tracked, nullptr);
    EXPECT_EQ(whileOpen, ::GetMenuItemCount(tracked));
    EXPECT_EQ(OwnerDrawnItems(tracked), 0);
    EXPECT_EQ(MenuItemText(tracked, 0), L" Restore ") << "the caption survives the round trip";
}

TEST_F(SkinFormMenu, AltSpaceOpensTheSkinsSystemMenuUnderTheTitle) {
    MakeWindow();
    TSkinForm& s = Skin();
    HMENU tracked = nullptr;
    POINT at{};
    int ownerDrawn = -1, opened = 0;
    s.TrackMenu = [&](HMENU menu, int x, int y) {
        tracked = menu;
        at = POINT{x, y};
        ownerDrawn = OwnerDrawnItems(menu);
        ++opened;
        return 0;
    };
    // Should the platform's own menu loop run instead, this ends it.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); });
    ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(opened, 2) << "a second Alt+Space right after the first opens it again";
    ASSERT_NE(tracked, nullptr) << "no system menu opened";
    EXPECT_EQ(ownerDrawn, ::GetMenuItemCount(tracked)) << "drawn from the skin";
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    EXPECT_TRUE(::PtInRect(&wr, at) && at.y - wr.top < 40) << "under the title";
}

TEST_F(SkinFormMenu, AltWithAMnemonicOrAloneOpensItsButton) {
    MakeMenuWindow();
    Skin();
    struct TCase {
        LPARAM Key;
        int Opens;
    };
    for (const TCase& c : {TCase{L'e', 1}, TCase{L'H', 2}, TCase{0, 0}}) {
        SCOPED_TRACE(static_cast<int>(c.Key));
        TScript script;
        script.Steps.push_back(WhenOpen(c.Opens, [this] { PostKey(VK_ESCAPE); }));
        Run(script, [&] { ::PostMessageW(Wnd, WM_SYSCOMMAND, SC_KEYMENU, c.Key); });
        EXPECT_EQ(script.Next, script.Steps.size());
    }
}

TEST_F(SkinFormMenu, UnskinningWhileADropDownIsOpenEndsItAndGivesTheMenuBack) {
    MakeMenuWindow();
    Skin();
    TScript script;
    script.Steps.push_back(WhenOpen(1, [this] { Skinner->Detach(); }));
    Run(script, [&] { ClickButton(1); });
    EXPECT_EQ(script.Next, script.Steps.size());
    EXPECT_FALSE(TSkinMenuBar::AnyTracking());
    EXPECT_EQ(MenuWindows().Count, 0);
    EXPECT_EQ(::GetMenu(Wnd), Menu);
    EXPECT_EQ(OwnerDrawnItems(Menu), 0);
}

TEST_F(SkinFormMenu, OpenCloseAndSkinCyclesKeepHandleCountsFlat) {
    MakeMenuWindow();
    Skin();
    auto cycleMenus = [&](int n) {
        for (int i = 0; i < n; ++i) {
            TScript script;
            script.Steps.push_back(WhenOpen(i % 3, [] { ::EndMenu(); }));
            Run(script, [&] { ClickButton(i % 3); });
        }
    };
    cycleMenus(3);
    const long gdi = GdiLiveCounts().Total();
    cycleMenus(50);
    EXPECT_EQ(GdiLiveCounts().Total(), gdi);
    Unskin();
    const long unskinned = GdiLiveCounts().Total();
    for (int i = 0; i < 200; ++i) {
        Skin();
        Unskin();
    }
    EXPECT_EQ(GdiLiveCounts().Total(), unskinned);
    EXPECT_EQ(::GetMenu(Wnd), Menu);
    EXPECT_EQ(OwnerDrawnItems(Menu), 0);
}

TEST_F(SkinFormMenu, APlainWindowsMenuIsFreedWithTheWindow) {
    MakeMenuWindow();
    Skin();
    ::DestroyWindow(Wnd);
    Wnd = nullptr;
    EXPECT_FALSE(::IsMenu(Menu)) << "the menu was off the window, which would have destroyed it";
}

LRESULT CALLBACK MdiChildProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return ::DefMDIChildProcW(w, m, wp, lp); }

TEST_F(SkinFormMenu, MaximisedMdiChildButtonsShowInTheBandAndAct) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = MdiChildProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QdSkinMenuMdiChild";
        return ::RegisterClassExW(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    MakeMenuWindow();
    CLIENTCREATESTRUCT ccs{::GetSubMenu(Menu, 2), 1000};
    HWND client = ::CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 300, 200,
                                    Wnd, nullptr, ::GetModuleHandleW(nullptr), &ccs);
    ASSERT_NE(client, nullptr);
    TSkinForm& s = Skin();
    MDICREATESTRUCTW mcs{};
    mcs.szClass = L"QdSkinMenuMdiChild";
    mcs.szTitle = L"child";
    mcs.hOwner = ::GetModuleHandleW(nullptr);
    mcs.cx = 200;
    mcs.cy = 120;
    HWND child = reinterpret_cast<HWND>(::SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    ASSERT_NE(child, nullptr);
    ::SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
    // A child that brings its own frame menu: the client puts it on the frame, the band takes it.
    HMENU childMenu = ::CreateMenu();
    ::AppendMenuW(childMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(::CreatePopupMenu()), L"&Document");
    ::AppendMenuW(childMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(::CreatePopupMenu()), L"&Window");
    ::SendMessageW(client, WM_MDISETMENU, reinterpret_cast<WPARAM>(childMenu), 0);
    PumpPending();
    EXPECT_EQ(::GetMenu(Wnd), nullptr) << "the client's frame-menu changes do not bring the native bar back";
    // The client adds the maximised child's own (caption-less) items around them: the band shows none of those.
    std::vector<std::wstring> shown;
    for (const TMenuBtn& b : Skinner->MenuBar()->Buttons())
        if (b.Hittable()) shown.push_back(b.Caption);
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"&Document", L"&Window"}));

    Manager.Maximized = false;
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    TDibSection dib = CreateDib32(wr.right - wr.left, wr.bottom - wr.top);
    {
        TMemoryDC mem(nullptr);
        TSelectGuard select(mem, dib.Bitmap.Get());
        s.PaintFrame(mem);
    }
    EXPECT_TRUE(Manager.Maximized) << "painting the band with a maximised child sets the manager's flag";
    std::vector<TWinSysButton*> inBand;
    for (auto& b : s.View().SysButtons)
        if (b->Data->Visibility == 100 && b->Visible) inBand.push_back(b.get());
    ASSERT_EQ(inBand.size(), 3u);
    const RECT& bar = Skinner->MenuBar()->BarRect();
    for (TWinSysButton* b : inBand) {
        RECT inside{};
        EXPECT_TRUE(::IntersectRect(&inside, &b->Rect, &bar) && ::EqualRect(&inside, &b->Rect));
        int drawn = 0;
        for (int y = b->Rect.top; y < b->Rect.bottom; ++y)
            for (int x = b->Rect.left; x < b->Rect.right; ++x) {
                const auto* p =
                    static_cast<const std::uint8_t*>(dib.Bits) + (static_cast<std::size_t>(y) * dib.Width + x) * 4;
                const COLORREF c = RGB(p[2], p[1], p[0]);
                drawn += c != RGB(236, 233, 216) && c != RGB(255, 255, 255);
            }
        EXPECT_GT(drawn, 10);
    }
    // The last of the three closes the child.
    const RECT& close = inBand.back()->Rect;
    const POINT p = FrameToScreen(POINT{(close.left + close.right) / 2, (close.top + close.bottom) / 2});
    ::SendMessageW(Wnd, WM_NCLBUTTONDOWN, HTMENU, PointParam(p));
    ::SendMessageW(Wnd, WM_NCLBUTTONUP, HTMENU, PointParam(p));
    PumpPending();
    EXPECT_FALSE(::IsWindow(child));
    Unskin();
    EXPECT_EQ(Manager.Client, nullptr) << "the manager forgets the frame whose skinner went";
    EXPECT_EQ(::GetMenu(Wnd), childMenu);
    ::DestroyMenu(Menu);
}

class SkinFormMenuOnForm : public SkinFormMenu {
protected:
    void TearDown() override {
        Skinner.reset();
        Form.reset();
        Wnd = nullptr;
        SkinFormMenu::TearDown();
    }
    // A main menu of the form: one top-level item per caption, each with one child.
    TMainMenu* MakeMenu(std::initializer_list<const wchar_t*> captions) {
        auto* menu = new TMainMenu(Form.get());
        AddTopItems(*menu, captions);
        return menu;
    }
    // An MDI frame form: the application's main form, as MDI children need.
    void MakeMdiFrame() {
        TForm* frame = nullptr;
        Application->CreateForm(frame);
        Form.reset(frame);
        ASSERT_EQ(Application->MainForm(), frame) << "another main form exists";
        Form->SetFormStyle(fsMDIForm);
        Form->SetBounds(80, 60, 500, 360);
    }
    void CloseMdiFrame() {
        Skinner.reset();
        Form.reset();
        Wnd = nullptr;
        Application->ProcessMessages();
        Application->ResetTerminated();
    }
    void SkinForm() {
        Wnd = Form->Handle();
        ::SetForegroundWindow(Wnd);
        Skinner = std::make_unique<TSkinForm>(Form.get(), Wnd, &Manager);
        ASSERT_TRUE(Skinner->Attach(&OurSkin(), Form.get()));
        ::SendMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
        PumpPending();
    }
    std::vector<std::wstring> BandCaptions() const {
        std::vector<std::wstring> captions;
        if (Skinner->MenuBar())
            for (const TMenuBtn& b : Skinner->MenuBar()->Buttons()) captions.push_back(b.Caption);
        return captions;
    }
    SIZE ClientSize() const {
        RECT r{};
        ::GetClientRect(Wnd, &r);
        return SIZE{r.right, r.bottom};
    }

    std::unique_ptr<TForm> Form;
};

TEST_F(SkinFormMenuOnForm, AssigningTheFormsMenuWhileSkinnedMovesTheBandAndKeepsTheClientSize) {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(80, 60, 500, 360);
    TMainMenu* files = MakeMenu({L"&File", L"&Edit"});
    TMainMenu* view = MakeMenu({L"&View"});
    Form->SetMenu(files);
    Form->Show();
    const SIZE unskinned = [&] {
        RECT r{};
        ::GetClientRect(Form->Handle(), &r);
        return SIZE{r.right, r.bottom};
    }();
    SkinForm();
    const SIZE client = ClientSize();
    struct TCase {
        TMainMenu* Menu;
        std::vector<std::wstring> Band;
    };
    for (const TCase& c : {TCase{view, {L"&View"}}, TCase{nullptr, {}}, TCase{files, {L"&File", L"&Edit"}}}) {
        SCOPED_TRACE(c.Band.size());
        Form->SetMenu(c.Menu);
        PumpPending();
        EXPECT_EQ(::GetMenu(Wnd), nullptr) << "no platform menu bar under the skin";
        EXPECT_EQ(BandCaptions(), c.Band);
        EXPECT_EQ(Skinner->View().Frame.MenuHeight, c.Menu ? ::GetSystemMetrics(SM_CYMENU) : 0);
        EXPECT_EQ(ClientSize().cx, client.cx);
        EXPECT_EQ(ClientSize().cy, client.cy);
    }
    delete view;  // the band kept nothing of a menu the form no longer shows
    Skinner->Detach();
    PumpPending();
    EXPECT_EQ(::GetMenu(Wnd), files->Handle());
    EXPECT_EQ(ClientSize().cx, unskinned.cx);
    EXPECT_EQ(ClientSize().cy, unskinned.cy);
}

TEST_F(SkinFormMenuOnForm, MenuChangesRebuildTheBandAndAltMnemonicsOpenIt) {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(80, 60, 500, 360);
    auto* menu = new TMainMenu(Form.get());
    int fileClicks = 0;
    TMenuItem* items[2] = {};
    for (int i = 0; i < 2; ++i) {
        items[i] = new TMenuItem(nullptr);
        items[i]->SetCaption(i == 0 ? L"&File" : L"&Edit");
        auto* child = new TMenuItem(nullptr);
        child->SetCaption(L"&Item");
        items[i]->Add(child);
        menu->Items().Add(items[i]);
    }
    items[0]->OnClick = [&](TObject*) { ++fileClicks; };
    Form->SetMenu(menu);
    Form->Show();
    SkinForm();
    EXPECT_EQ(::GetMenu(Wnd), nullptr);

    items[1]->SetCaption(L"&Change");
    EXPECT_EQ(Skinner->MenuBar()->Buttons()[1].Caption, L"&Change");
    EXPECT_EQ(::GetMenu(Wnd), nullptr);

    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    const BYTE alt = keys[VK_MENU];
    keys[VK_MENU] = 0x80;
    ::SetKeyboardState(keys);
    EXPECT_EQ(Form->Perform(CM_DIALOGCHAR, L'c', 0), 1);
    keys[VK_MENU] = alt;
    ::SetKeyboardState(keys);
    MSG posted{};
    EXPECT_TRUE(::PeekMessageW(&posted, Wnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(SC_KEYMENU));
    EXPECT_EQ(posted.lParam, L'c');

    // The item's click runs once for its drop-down.
    TScript script;
    script.Steps.push_back({[&] { return OpenMenu() == items[0]->Handle(); }, [] { ::EndMenu(); }});
    Run(script, [&] { ClickButton(0); });
    EXPECT_EQ(fileClicks, 1);

    Skinner->Detach();
    EXPECT_EQ(::GetMenu(Wnd), menu->Handle());
}

// Alt held alone while `f` runs.
template <class F>
auto WithAltDown(F&& f) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    const BYTE alt = keys[VK_MENU];
    keys[VK_MENU] = 0x80;
    ::SetKeyboardState(keys);
    const auto result = f();
    keys[VK_MENU] = alt;
    ::SetKeyboardState(keys);
    return result;
}

TEST_F(SkinFormMenuOnForm, AnMdiChildsAltMnemonicOpensTheFramesBandUntilTheFramesSkinGoes) {
    ASSERT_NO_FATAL_FAILURE(MakeMdiFrame());
    Form->SetMenu(MakeMenu({L"文件(&F)", L"编辑(&E)"}));
    Form->Show();
    SkinForm();
    auto child = std::make_unique<TForm>(nullptr);
    child->SetFormStyle(fsMDIChild);
    child->SetBounds(10, 10, 200, 150);
    child->Show();
    TSkinForm childSkinner(child.get(), child->Handle(), &Manager);
    ASSERT_TRUE(childSkinner.Attach(&OurSkin(), child.get()));
    PumpPending();

    EXPECT_EQ(WithAltDown([&] { return child->Perform(CM_DIALOGCHAR, L'e', 0); }), 1);
    MSG posted{};
    ASSERT_TRUE(::PeekMessageW(&posted, Wnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE)) << "the frame's band opens";
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(SC_KEYMENU));
    EXPECT_EQ(posted.lParam, L'e');
    EXPECT_EQ(WithAltDown([&] { return child->Perform(CM_DIALOGCHAR, L'q', 0); }), 0) << "no button has Q";

    Skinner->Detach();
    EXPECT_EQ(Manager.Frame, nullptr) << "the frame is forgotten with its skinner";
    EXPECT_EQ(WithAltDown([&] { return child->Perform(CM_DIALOGCHAR, L'e', 0); }), 0);
    EXPECT_FALSE(TakePosted(Wnd, WM_SYSCOMMAND));
    childSkinner.Detach();
    child.reset();
    CloseMdiFrame();
}

// Top-level windows of this thread (USER objects the skin could leave behind).
int ThreadWindowCount() {
    int n = 0;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND, LPARAM lp) -> BOOL {
            ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

// What a leak would raise: our GDI objects, the framework's menus, the thread's windows, and the process's GDI
// and USER objects as the platform counts them (Wine answers 0 for those).
std::vector<long> HandleCounts() {
    return {GdiLiveCounts().Total(), LiveMenuHandleCount(), ThreadWindowCount(),
            static_cast<long>(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)),
            static_cast<long>(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS))};
}

TEST_F(SkinFormMenuOnForm, AThousandSkinCyclesOfAFormWithAMenuKeepHandleCountsFlat) {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(80, 60, 500, 360);
    Form->SetMenu(MakeMenu({L"文件(&F)", L"编辑(&E)"}));
    Form->Show();
    Wnd = Form->Handle();
    const SIZE client = ClientSize();
    auto cycle = [&] {
        TSkinForm skinner(Form.get(), Wnd, &Manager);
        skinner.Attach(&OurSkin(), Form.get());
        ::SendMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
        skinner.Detach();
    };
    cycle();
    PumpPending();
    const std::vector<long> before = HandleCounts();
    // Shown, a cycle repaints the whole frame twice; the thousand run hidden, where they cost a third. What
    // painting makes is counted by the shown cycles of OpenCloseAndSkinCyclesKeepHandleCountsFlat.
    ::ShowWindow(Wnd, SW_HIDE);
    for (int i = 0; i < 1000; ++i) cycle();
    ::ShowWindow(Wnd, SW_SHOW);
    PumpPending();
    EXPECT_EQ(HandleCounts(), before);
    EXPECT_EQ(::GetMenu(Wnd), Form->Menu()->Handle());
    EXPECT_EQ(OwnerDrawnItems(Form->Menu()->Handle()), 0);
    EXPECT_EQ(ClientSize().cx, client.cx);
    EXPECT_EQ(ClientSize().cy, client.cy);
}

TEST_F(SkinFormMenuOnForm, FiftyOpenAndCloseCyclesOfEachMenuKindKeepHandleCountsFlat) {
    ASSERT_NO_FATAL_FAILURE(MakeMdiFrame());
    TMainMenu* menu = MakeMenu({L"文件(&F)", L"窗口(&W)"});
    Form->SetMenu(menu);
    Form->SetWindowMenu(menu->Items().Items(1));
    auto* popup = new TPopupMenu(Form.get());
    for (const wchar_t* caption : {L"复制(&C)", L"-", L"粘贴(&P)"}) {
        auto* item = new TMenuItem(nullptr);
        item->SetCaption(caption);
        popup->Items().Add(item);
    }
    Form->Show();
    auto child = std::make_unique<TForm>(nullptr);
    child->SetFormStyle(fsMDIChild);
    child->SetCaption(L"订单");
    child->Show();
    SkinForm();
    ASSERT_TRUE(PumpUntil([&] { return !::IsRectEmpty(&Skinner->MenuBar()->Buttons().at(1).Rect); }));
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    struct TKind {
        const char* Name;
        std::function<void()> Open;
    };
    const TKind kinds[] = {
        {"bar drop-down", [&] { ClickButton(0); }},
        {"MDI window menu", [&] { ClickButton(1); }},
        {"context menu", [&] { popup->Popup(wr.left + 60, wr.top + 80); }},
        {"system menu", [&] { ::SendMessageW(Wnd, WM_SYSCOMMAND, SC_KEYMENU, L' '); }},
    };
    for (const TKind& kind : kinds) {
        SCOPED_TRACE(kind.Name);
        auto cycles = [&](int n) {
            for (int i = 0; i < n; ++i) {
                TScript script;
                script.Steps.push_back({[] { return MenuWindows().Count == 1; }, [] { ::EndMenu(); }});
                Run(script, kind.Open);
                ASSERT_EQ(script.Next, script.Steps.size()) << "cycle " << i;
            }
        };
        cycles(2);
        const std::vector<long> before = HandleCounts();
        cycles(50);
        EXPECT_EQ(HandleCounts(), before);
        EXPECT_EQ(Skinner->MenuItemsConverted(), 0) << "every item given back its type";
    }
    Skinner->Detach();
    child.reset();
    CloseMdiFrame();
}

TEST_F(SkinFormMenuOnForm, PopupMenusAreDrawnByTheSkinAndGivenBackExactly) {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(80, 60, 400, 300);
    auto* popup = new TPopupMenu(Form.get());
    auto* disabled = new TPopupMenu(Form.get());
    disabled->SetTag(99);  // the skin's DisableTag: left alone
    disabled->SetOwnerDraw(true);
    TMenuItem* items[3] = {};
    for (int i = 0; i < 3; ++i) {
        items[i] = new TMenuItem(nullptr);
        items[i]->SetCaption(i == 1 ? L"-" : L"&Item");
        popup->Items().Add(items[i]);
    }
    int appDraws = 0;
    items[2]->OnAdvancedDrawItem = [&](TObject*, TCanvas*, const RECT&, TOwnerDrawState) { ++appDraws; };
    Form->Show();
    Wnd = Form->Handle();
    Skinner = std::make_unique<TSkinForm>(Form.get(), Wnd, &Manager);
    ASSERT_TRUE(Skinner->Attach(&OurSkin(), Form.get()));
    ::SendMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
    PumpPending();
    EXPECT_TRUE(popup->OwnerDraw());
    EXPECT_TRUE(items[0]->OnMeasureItem && items[0]->OnAdvancedDrawItem);
    EXPECT_FALSE(items[2]->OnMeasureItem) << "an item the application draws keeps only its own handler";

    // The installed handler draws the skin's selected item (frame 4 of the MenuItem strip) over the whole item.
    TDibSection dib = CreateDib32(120, 22);
    {
        TMemoryDC mem(nullptr);
        TSelectGuard select(mem, dib.Bitmap.Get());
        TCanvas canvas;
        canvas.SetHandle(mem);
        items[0]->AdvancedDrawItem(canvas, RECT{0, 0, 120, 22}, ODS_SELECTED);
        canvas.SetHandle(nullptr);
    }
    int untouched = 0;
    for (int i = 0; i < 120 * 22; ++i) untouched += static_cast<const std::uint32_t*>(dib.Bits)[i] == 0;
    EXPECT_EQ(untouched, 0);

    Skinner->Detach();
    EXPECT_FALSE(popup->OwnerDraw()) << "the popup's own setting comes back";
    EXPECT_TRUE(disabled->OwnerDraw());
    EXPECT_FALSE(items[0]->OnMeasureItem || items[0]->OnAdvancedDrawItem);
    ASSERT_TRUE(items[2]->OnAdvancedDrawItem) << "the application's handler stays";
    TCanvas canvas;
    TMemoryDC mem(nullptr);
    canvas.SetHandle(mem);
    items[2]->AdvancedDrawItem(canvas, RECT{0, 0, 10, 10}, 0);
    canvas.SetHandle(nullptr);
    EXPECT_EQ(appDraws, 1);
}

}  // namespace
}  // namespace qd::test
