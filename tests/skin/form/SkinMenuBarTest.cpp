// The painted menu band on its own: pixels from our skin, layout and the buttons the mouse and keys reach, and the
// drop-down tracking driven from inside the menu loop (posted keys and mouse moves, one menu window at a time,
// one command, the item's click before tracking, the hook and state gone on every way out).

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Menus.h"
#include "skin/form/SkinMenuBar.h"
#include "support/Pump.h"
#include "SkinFormTestSupport.h"

using namespace qd;
using namespace qd::test;

namespace {

// The window showing the band stands in for a form: commands and drop-down openings reach the framework menu,
// and the window procedure takes WM_MENUSELECT for the band.
struct TBandWindow {
    TMainMenu* Menu = nullptr;
    std::vector<UINT> Commands;
    int InitPopups = 0;
};
TBandWindow* GBand = nullptr;

LRESULT CALLBACK BandWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (GBand) {
        switch (msg) {
            case WM_MENUSELECT:
                TSkinMenuBar::MenuSelect(wParam, lParam);
                break;
            case WM_COMMAND:
                GBand->Commands.push_back(LOWORD(wParam));
                if (GBand->Menu) GBand->Menu->DispatchCommand(LOWORD(wParam));
                return 0;
            case WM_INITMENUPOPUP:
                if (TSkinMenuBar::SwallowInitPopup(reinterpret_cast<HMENU>(wParam))) return 0;
                ++GBand->InitPopups;
                if (GBand->Menu) GBand->Menu->DispatchPopup(reinterpret_cast<HMENU>(wParam));
                return 0;
            default:
                break;
        }
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

const wchar_t* BandWindowClass() {
    static const wchar_t* name = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = BandWndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"QdMenuBandTestWindow";
        ::RegisterClassExW(&wc);
        return L"QdMenuBandTestWindow";
    }();
    return name;
}

int VisibleMenuWindows() {
    int n = 0;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wstring(cls) == L"#32768" && ::IsWindowVisible(w)) ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

// Records the drop-downs the band opens.
struct TRecordingOwner : ISkinMenuBarOwner {
    std::vector<HMENU> Opened;
    int Closed = 0;
    bool Throw = false;
    void DropDownOpening(HMENU menu) override {
        Opened.push_back(menu);
        if (Throw) throw std::runtime_error("refused");
    }
    void DropDownClosed() override { ++Closed; }
};

// Steps run from a timer while the menu loop runs: each waits until its condition holds, then acts. Counts the
// menu windows seen at every tick; ends the menu when a step never comes true.
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
    s->MostMenus = std::max(s->MostMenus, VisibleMenuWindows());
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

class SkinMenuBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        (void)OurSkin();
        GBand = &Band;
    }
    void TearDown() override {
        Bar.reset();
        if (Wnd) ::DestroyWindow(Wnd);
        if (Native) ::DestroyMenu(Native);
        Menu.reset();
        GBand = nullptr;
        PumpPending();
    }

    // File (New, Open, Recent > a), Edit (Cut), a caption-less item, View (disabled), Help (About).
    void MakeNativeBand() {
        Native = ::CreateMenu();
        auto popup = [](std::initializer_list<std::pair<UINT, const wchar_t*>> items) {
            HMENU m = ::CreatePopupMenu();
            for (auto [id, text] : items) ::AppendMenuW(m, MF_STRING, id, text);
            return m;
        };
        HMENU file = popup({{101, L"&New"}, {102, L"&Open"}});
        HMENU recent = popup({{110, L"a.txt"}});
        ::AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"&Recent");
        ::AppendMenuW(Native, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
        ::AppendMenuW(Native, MF_POPUP, reinterpret_cast<UINT_PTR>(popup({{201, L"Cu&t"}})), L"&Edit");
        ::AppendMenuW(Native, MF_POPUP, reinterpret_cast<UINT_PTR>(popup({{250, L"x"}})), L"");
        ::AppendMenuW(Native, MF_POPUP | MF_GRAYED, reinterpret_cast<UINT_PTR>(popup({{301, L"Zoom"}})), L"&View");
        ::AppendMenuW(Native, MF_POPUP, reinterpret_cast<UINT_PTR>(popup({{401, L"&About"}})), L"&Help");
        MakeWindow(Native);
        ASSERT_TRUE(Bar->BuildFromMenu(nullptr));
        Native = nullptr;  // the band holds it now; the window destroys it when given back
        PaintBand();
    }

    void MakeWindow(HMENU menu) {
        Wnd = ::CreateWindowExW(0, BandWindowClass(), L"Band", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 60, 460, 300,
                                nullptr, menu, ::GetModuleHandleW(nullptr), nullptr);
        ::SetForegroundWindow(Wnd);
        PumpPending();
        Bar = std::make_unique<TSkinMenuBar>(Wnd, OurSkin(), &Owner);
    }

    // The band laid out over the top of the client area.
    void PaintBand(bool active = true) {
        POINT origin{0, 0};
        ::ClientToScreen(Wnd, &origin);
        RECT wr{};
        ::GetWindowRect(Wnd, &wr);
        const int x = origin.x - wr.left, y = origin.y - wr.top;
        Band_ = RECT{x, y, x + 400, y + ::GetSystemMetrics(SM_CYMENU)};
        TWindowDC dc(Wnd, TWindowDC::TArea::Window);
        Bar->Paint(dc.Get(), Band_, active);
    }

    POINT ButtonScreenCentre(int index) const {
        RECT wr{};
        ::GetWindowRect(Wnd, &wr);
        const RECT& r = Bar->Buttons()[static_cast<std::size_t>(index)].Rect;
        return POINT{wr.left + (r.left + r.right) / 2, wr.top + (r.top + r.bottom) / 2};
    }

    HMENU DropDown(int index) const { return Bar->Buttons()[static_cast<std::size_t>(index)].SubMenu; }

    // Opens `index` and runs the script inside the menu loop.
    bool Run(int index, bool byKeyboard, TScript& script) {
        script.Deadline = ::GetTickCount64() + 10000;
        GScript = &script;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ScriptTimer);
        const bool opened = Bar->PopupMenuButton(index, byKeyboard);
        ::KillTimer(nullptr, timer);
        GScript = nullptr;
        PumpPending();
        return opened;
    }

    // A step that waits until the drop-down of `index` is open (and idle), then acts.
    TScript::TStep WhenOpen(int index, std::function<void()> act) {
        return {[this, index] {
                    return !Owner.Opened.empty() && Owner.Opened.back() == DropDown(index) && VisibleMenuWindows() == 1;
                },
                std::move(act)};
    }
    void PostKey(WPARAM key) { ::PostMessageW(Wnd, WM_KEYDOWN, key, 0); }

    TBandWindow Band;
    TRecordingOwner Owner;
    HWND Wnd = nullptr;
    HMENU Native = nullptr;
    RECT Band_{};
    std::unique_ptr<TMainMenu> Menu;
    std::unique_ptr<TSkinMenuBar> Bar;
};

// --- Pixels and layout ---------------------------------------------------------------------------------------

TEST_F(SkinMenuBarTest, BandIsPaintedFromTheSkinInBothActivationStates) {
    MakeNativeBand();
    struct TCase {
        bool Active;
        COLORREF TopRow;  // the first row of the skin's menu bar image, frame 1 active, frame 2 inactive
    };
    for (const TCase& c : {TCase{true, RGB(255, 255, 255)}, TCase{false, RGB(246, 245, 238)}}) {
        SCOPED_TRACE(c.Active ? "active" : "inactive");
        const int w = 400, h = ::GetSystemMetrics(SM_CYMENU);
        TDibSection dib = CreateDib32(w, h);
        TMemoryDC mem(nullptr);
        TSelectGuard select(mem, dib.Bitmap.Get());
        Bar->Paint(mem, RECT{0, 0, w, h}, c.Active);
        auto at = [&](int x, int y) {
            const auto* p = static_cast<const std::uint8_t*>(dib.Bits) + (static_cast<std::size_t>(y) * w + x) * 4;
            return RGB(p[2], p[1], p[0]);
        };
        int magenta = 0, wrongTop = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) magenta += at(x, y) == RGB(255, 0, 255);
        for (int x = 0; x < w; ++x) wrongTop += at(x, 0) != c.TopRow;
        EXPECT_EQ(magenta, 0);
        EXPECT_EQ(wrongTop, 0);
        // Every button with a caption shows ink: black when enabled, the skin's shadow colour when disabled.
        for (const TMenuBtn& b : Bar->Buttons()) {
            if (b.Caption.empty()) continue;
            const COLORREF ink = b.Enabled ? RGB(0, 0, 0) : RGB(172, 168, 153);
            int inked = 0;
            for (int y = b.Rect.top; y < b.Rect.bottom; ++y)
                for (int x = b.Rect.left; x < b.Rect.right; ++x) inked += at(x, y) == ink;
            EXPECT_GT(inked, 5) << "button " << b.Index;
        }
    }
}

TEST_F(SkinMenuBarTest, LayoutAndHitTestingSkipWhatCannotBeHit) {
    MakeNativeBand();
    const auto& b = Bar->Buttons();
    ASSERT_EQ(b.size(), 5u);
    EXPECT_EQ(b[2].Rect.right - b[2].Rect.left, 0) << "a caption-less item takes no width";
    EXPECT_EQ(b[3].Rect.left, b[1].Rect.right) << "so the next button follows at once";
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    for (int i : {0, 1, 3, 4}) {
        const POINT c = ButtonScreenCentre(i);
        const TMenuBtn* hit = Bar->MenuButtonAt(POINT{c.x - wr.left, c.y - wr.top});
        ASSERT_NE(hit, nullptr);
        EXPECT_EQ(hit->Index, i);
    }
    for (int x = Band_.left; x < Band_.right; ++x) {
        const TMenuBtn* hit = Bar->MenuButtonAt(POINT{x, (Band_.top + Band_.bottom) / 2});
        EXPECT_TRUE(!hit || hit->Index != 2) << "x " << x;
    }
    EXPECT_EQ(::GetMenu(Wnd), nullptr) << "the band took the native menu off the window";
}

TEST_F(SkinMenuBarTest, NeighboursAndMnemonicsSkipHiddenEmptyAndDisabledButtons) {
    MakeNativeBand();
    struct TNeighbour {
        int From, Step, Expected;
    };
    for (const TNeighbour& c :
         {TNeighbour{0, 1, 1}, TNeighbour{1, 1, 3}, TNeighbour{4, 1, 0}, TNeighbour{0, -1, 4}, TNeighbour{3, -1, 1}})
        EXPECT_EQ(Bar->NeighbourButton(c.From, c.Step), c.Expected) << c.From << " step " << c.Step;
    struct TAccel {
        wchar_t Key;
        int Expected;
    };
    for (const TAccel& c : {TAccel{L'f', 0}, TAccel{L'E', 1}, TAccel{L'h', 4}, TAccel{L'v', -1}, TAccel{L'x', -1}}) {
        const TMenuBtn* b = Bar->FindAccelButton(c.Key);
        EXPECT_EQ(b ? b->Index : -1, c.Expected) << static_cast<char>(c.Key);
    }
}

TEST_F(SkinMenuBarTest, FrameworkItemsThatAreHiddenGetNoRectangle) {
    Menu = std::make_unique<TMainMenu>(nullptr);
    for (const wchar_t* caption : {L"&File", L"&Secret", L"&Tools"}) {
        auto* item = new TMenuItem(nullptr);
        item->SetCaption(caption);
        Menu->Items().Add(item);
    }
    Menu->Items().Items(1)->SetVisible(false);
    MakeWindow(Menu->Handle());
    ASSERT_TRUE(Bar->BuildFromMenu(Menu.get()));
    PaintBand();
    const auto& b = Bar->Buttons();
    EXPECT_TRUE(::IsRectEmpty(&b[1].Rect));
    EXPECT_EQ(Bar->NeighbourButton(0, 1), 2);
    Bar->GiveBack();
    EXPECT_EQ(::GetMenu(Wnd), Menu->Handle()) << "the framework menu's handle goes back on the window";
}

// --- Tracking ---------------------------------------------------------------------------------------------------

TEST_F(SkinMenuBarTest, ArrowKeysMoveBetweenDropDownsOneAtATime) {
    MakeNativeBand();
    struct TMove {
        WPARAM Key;
        int Reached;
    };
    // Right skips the caption-less and the disabled button and wraps; Left wraps back.
    const TMove moves[] = {{VK_RIGHT, 1}, {VK_RIGHT, 4}, {VK_RIGHT, 0}, {VK_LEFT, 4}};
    TScript script;
    int at = 0;
    for (const TMove& m : moves) {
        script.Steps.push_back(WhenOpen(at, [this, m] { PostKey(m.Key); }));
        at = m.Reached;
    }
    script.Steps.push_back(WhenOpen(at, [this] { PostKey(VK_ESCAPE); }));
    EXPECT_TRUE(Run(0, true, script));
    EXPECT_EQ(script.Next, script.Steps.size());
    const std::vector<HMENU> expected{DropDown(0), DropDown(1), DropDown(4), DropDown(0), DropDown(4)};
    EXPECT_EQ(Owner.Opened, expected);
    EXPECT_EQ(Owner.Closed, 5);
    EXPECT_EQ(script.MostMenus, 1) << "never two drop-downs at once";
    EXPECT_FALSE(TSkinMenuBar::AnyTracking());
    EXPECT_TRUE(Band.Commands.empty()) << "items with a drop-down post no command";
}

TEST_F(SkinMenuBarTest, RightOnAnItemWithASubMenuOpensItInsteadOfMoving) {
    MakeNativeBand();
    TScript script;
    // Opened from the keyboard the first item is selected; two Downs reach "Recent".
    script.Steps.push_back(WhenOpen(0, [this] {
        PostKey(VK_DOWN);
        PostKey(VK_DOWN);
        PostKey(VK_RIGHT);
    }));
    script.Steps.push_back({[] { return VisibleMenuWindows() == 2; }, [] { ::EndMenu(); }});
    EXPECT_TRUE(Run(0, true, script));
    EXPECT_EQ(script.Next, script.Steps.size());
    EXPECT_EQ(Owner.Opened, std::vector<HMENU>{DropDown(0)});
}

TEST_F(SkinMenuBarTest, MouseMovesToTheButtonUnderItButNotToOnesThatCannotOpen) {
    MakeNativeBand();
    auto moveTo = [this](int index) {
        const POINT p = ButtonScreenCentre(index);
        ::SetCursorPos(p.x, p.y);
        ::PostMessageW(Wnd, WM_MOUSEMOVE, 0, 0);
    };
    TScript script;
    script.Steps.push_back(WhenOpen(0, [&] { moveTo(3); }));  // disabled: stays on File
    script.Steps.push_back(WhenOpen(0, [&] { moveTo(4); }));
    script.Steps.push_back(WhenOpen(4, [&] { moveTo(1); }));
    script.Steps.push_back(WhenOpen(1, [] { ::EndMenu(); }));
    EXPECT_TRUE(Run(0, false, script));
    EXPECT_EQ(script.Next, script.Steps.size());
    EXPECT_EQ(Owner.Opened, (std::vector<HMENU>{DropDown(0), DropDown(4), DropDown(1)}));
    EXPECT_EQ(script.MostMenus, 1);
}

TEST_F(SkinMenuBarTest, LeavingTheDropDownGivesAtMostOneCommand) {
    struct TCase {
        WPARAM Key;
        std::vector<UINT> Commands;
    };
    for (const TCase& c : {TCase{VK_RETURN, {101}}, TCase{VK_ESCAPE, {}}}) {
        SCOPED_TRACE(c.Key);
        TearDown();
        Band = TBandWindow{};
        Owner.Opened.clear();
        SetUp();
        MakeNativeBand();
        TScript script;
        script.Steps.push_back(WhenOpen(0, [this, c] { PostKey(c.Key); }));
        EXPECT_TRUE(Run(0, true, script));
        PumpPending();
        EXPECT_EQ(Band.Commands, c.Commands);
    }
}

TEST_F(SkinMenuBarTest, DisabledButtonNeitherOpensNorPostsACommand) {
    MakeNativeBand();
    EXPECT_FALSE(Bar->PopupMenuButton(3, false));
    PumpPending();
    EXPECT_TRUE(Owner.Opened.empty());
    EXPECT_TRUE(Band.Commands.empty());
}

TEST_F(SkinMenuBarTest, ItemClickRunsOnceBeforeItsDropDownIsTracked) {
    Menu = std::make_unique<TMainMenu>(nullptr);
    auto* file = new TMenuItem(nullptr);
    file->SetCaption(L"&File");
    auto* first = new TMenuItem(nullptr);
    first->SetCaption(L"&First");
    file->Add(first);
    Menu->Items().Add(file);
    int clicks = 0;
    file->OnClick = [&](TObject*) {
        ++clicks;
        auto* late = new TMenuItem(nullptr);
        late->SetCaption(L"&Late");
        file->Add(late);
    };
    Band.Menu = Menu.get();
    MakeWindow(Menu->Handle());
    ASSERT_TRUE(Bar->BuildFromMenu(Menu.get()));
    PaintBand();
    int itemsWhileOpen = -1;
    TScript script;
    script.Steps.push_back({[] { return VisibleMenuWindows() == 1; },
                            [&] {
                                itemsWhileOpen = ::GetMenuItemCount(file->Handle());
                                ::EndMenu();
                            }});
    EXPECT_TRUE(Run(0, false, script));
    EXPECT_EQ(clicks, 1) << "the drop-down's WM_INITMENUPOPUP does not click the item again";
    EXPECT_EQ(itemsWhileOpen, 2) << "the item the click added is in the tracked drop-down";
}

TEST_F(SkinMenuBarTest, TrackingIsTakenDownOnEveryWayOut) {
    MakeNativeBand();
    // An owner that throws as the drop-down opens.
    Owner.Throw = true;
    EXPECT_THROW(Bar->PopupMenuButton(0, false), std::runtime_error);
    EXPECT_FALSE(TSkinMenuBar::AnyTracking());
    EXPECT_FALSE(Bar->Tracking());
    Owner.Throw = false;
    // A band never starts a second menu loop inside the first, and a cancelled band opens no other drop-down.
    bool nested = true;
    TScript script;
    script.Steps.push_back(WhenOpen(0, [&] {
        nested = Bar->PopupMenuButton(1, false);
        PostKey(VK_RIGHT);
        Bar->CancelTracking();
    }));
    EXPECT_TRUE(Run(0, false, script));
    EXPECT_FALSE(nested);
    EXPECT_EQ(Owner.Opened.back(), DropDown(0));
    EXPECT_FALSE(TSkinMenuBar::AnyTracking());
    // A later click opens normally.
    TScript again;
    again.Steps.push_back(WhenOpen(1, [] { ::EndMenu(); }));
    EXPECT_TRUE(Run(1, false, again));
}

TEST_F(SkinMenuBarTest, RightToLeftBandRunsLeftwardsAndMirrorsTheArrowKeys) {
    Menu = std::make_unique<TMainMenu>(nullptr);
    AddTopItems(*Menu, {L"&One", L"&Two", L"T&hree"});
    Menu->SetBiDiMode(bdRightToLeft);
    Band.Menu = Menu.get();
    MakeWindow(Menu->Handle());
    ASSERT_TRUE(Bar->BuildFromMenu(Menu.get()));
    PaintBand();
    const auto& b = Bar->Buttons();
    EXPECT_GT(b[0].Rect.left, b[1].Rect.left);
    EXPECT_GT(b[1].Rect.left, b[2].Rect.left);
    TScript script;
    script.Steps.push_back(WhenOpen(0, [this] { PostKey(VK_LEFT); }));  // leftwards is the next button
    script.Steps.push_back(WhenOpen(1, [this] { PostKey(VK_RIGHT); }));
    script.Steps.push_back(WhenOpen(0, [] { ::EndMenu(); }));
    EXPECT_TRUE(Run(0, true, script));
    EXPECT_EQ(script.Next, script.Steps.size());
}

TEST(TidySeparatorsTest, KeepsOneSeparatorBetweenVisibleItemsOnly) {
    struct TCase {
        const char* Items;    // "-" separator, "a" visible item, "h" hidden item
        const char* Visible;  // 1 where the item ends up visible
    };
    for (const TCase& c :
         {TCase{"-a--b-", "010110"}, TCase{"--", "00"}, TCase{"a-h-b", "10011"}, TCase{"a-h", "100"}}) {
        SCOPED_TRACE(c.Items);
        TMenuItem parent(nullptr);
        for (const char* p = c.Items; *p; ++p) {
            auto* item = new TMenuItem(nullptr);
            item->SetCaption(*p == '-' ? L"-" : L"x");
            item->SetVisible(*p != 'h');
            parent.Add(item);
        }
        TidySeparators(parent);
        std::string visible;
        for (int i = 0; i < parent.Count(); ++i) visible += parent.Items(i)->Visible() ? '1' : '0';
        EXPECT_EQ(visible, c.Visible);
    }
}

}  // namespace
