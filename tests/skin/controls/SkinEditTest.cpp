// Combo box, edit and up-down skinners under Wine: bare platform children of a skinned window (and of a "#32770"
// dialog) skinned through the dispatch sink, given back exactly, painted from the skin (pixels read from memory
// DCs), and driven by real input.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/Gdi.h"
#include "framework/StdCtrls.h"
#include "skin/controls/ControlDispatch.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinControlTestSupport.h"
#include "skin/controls/SkinEdits.h"
#include "skin/form/SkinFormTestSupport.h"
#include "support/Pump.h"

using namespace qd;
using namespace qd::test;

namespace {

// Colour of frame `frame` in the solid-colour strips of the test skin.
COLORREF FrameColor(int frame) { return RGB(20 * frame, 250 - 20 * frame, 90); }

// A strip of `frames` solid frames, each w x h.
void FillStrip(TBitmap& bitmap, int frames, int w, int h) {
    TImageBuffer image(w * frames, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * frames; ++x) {
            const COLORREF c = FrameColor(x / w + 1);
            image.Pixels()[static_cast<std::size_t>(y) * w * frames + x] =
                MakeBgra(GetBValue(c), GetGValue(c), GetRValue(c));
        }
    AssignImage(bitmap, image);
}

// A skin whose combo button (plain style), sunken edge and up-down strips are solid colours per frame.
std::unique_ptr<TSkinData> SolidSkin() {
    auto skin = std::make_unique<TSkinData>(nullptr);
    skin->ComboButton = std::make_unique<TDataSkinBorder>();
    FillStrip(skin->ComboButton->Bitmap, 4, 16, 16);
    skin->ComboButton->FrameCount = 4;
    skin->SunkEdge = std::make_unique<TDataSkinObject>();
    FillStrip(skin->SunkEdge->Bitmap, 4, 8, 8);
    skin->SunkEdge->FrameCount = 4;
    for (auto* slot : {&skin->UpDownVert, &skin->UpDownHorz}) {
        *slot = std::make_unique<TDataSkinBorder>();
        FillStrip((*slot)->Bitmap, 8, 10, 10);
        (*slot)->FrameCount = 8;
    }
    return skin;
}

// The window's painting (its own, then the skinner's) into a 32-bit image, through WM_PAINT's DC parameter.
struct TPainted {
    TDibSection Dib;
    TMemoryDC DC{nullptr};
    HGDIOBJ Old = nullptr;
    ~TPainted() {
        if (Old) ::SelectObject(DC, Old);
    }
    COLORREF At(int x, int y) const {
        const std::uint32_t p = static_cast<const std::uint32_t*>(Dib.Bits)[y * Dib.Width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int CountOf(COLORREF c) const {
        int n = 0;
        for (int y = 0; y < Dib.Height; ++y)
            for (int x = 0; x < Dib.Width; ++x) n += At(x, y) == c;
        return n;
    }
};
std::unique_ptr<TPainted> Paint(HWND wnd, UINT msg = WM_PAINT, LPARAM lParam = 0) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    auto p = std::make_unique<TPainted>();
    p->Dib = CreateDib32(r.right - r.left, r.bottom - r.top);
    std::fill_n(static_cast<std::uint32_t*>(p->Dib.Bits), p->Dib.Width * p->Dib.Height, 0x00123456u);
    p->Old = ::SelectObject(p->DC, p->Dib.Bitmap.Get());
    ::SendMessageW(wnd, msg, reinterpret_cast<WPARAM>(p->DC.Get()), lParam);
    ::GdiFlush();
    return p;
}

struct TWindowFacts {
    LONG_PTR Proc;
    BOOL Unicode;
    LONG_PTR Style;
    bool operator==(const TWindowFacts&) const = default;
};
TWindowFacts FactsOf(HWND wnd) {
    return {::GetWindowLongPtrW(wnd, GWLP_WNDPROC), ::IsWindowUnicode(wnd), ::GetWindowLongPtrW(wnd, GWL_STYLE)};
}

HWND InnerEdit(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    return ::GetComboBoxInfo(combo, &info) && info.hwndItem != combo ? info.hwndItem : nullptr;
}

// --- Real input -----------------------------------------------------------------------------------------------

void SendMouse(DWORD flags, POINT p = {}) {
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((p.x * 65536LL + w / 2) / w);
    in.mi.dy = static_cast<LONG>((p.y * 65536LL + h / 2) / h);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(INPUT));
}

// Platform quirk: under Wine in Xvfb a pointer warp from an earlier input can come back late and put the cursor
// back; the move is repeated until the cursor stays there.
void MoveCursor(POINT p) {
    PumpUntil(
        [&] {
            SendMouse(MOUSEEVENTF_MOVE, p);
            Pump(20);
            POINT c{};
            ::GetCursorPos(&c);
            return c.x == p.x && c.y == p.y;
        },
        2000);
}

// Moves the cursor there and clicks, pumping until each step has arrived.
void ClickAt(POINT p) {
    MoveCursor(p);
    SendMouse(MOUSEEVENTF_LEFTDOWN, p);
    Pump(50);
    SendMouse(MOUSEEVENTF_LEFTUP, p);
    Pump(50);
}

class EditFamilyFixture : public SkinFormFixture {
protected:
    void SetUp() override {
        SkinFormFixture::SetUp();
        MakeWindow(WS_OVERLAPPEDWINDOW, L"组合框", 420, 300);
        Skin();
    }
    HWND Child(const wchar_t* cls, DWORD style, int x, int y, int w, int h, const wchar_t* text = L"",
               DWORD exStyle = 0, HWND parent = nullptr) {
        return ::CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent ? parent : Wnd,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    HWND Combo(DWORD style, DWORD exStyle = 0) {
        HWND combo = Child(L"COMBOBOX", style | WS_VSCROLL | WS_TABSTOP, 10, 10, 160, 160, L"", exStyle);
        for (const wchar_t* item : {L"甲", L"乙", L"丙"})
            ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        return combo;
    }
    template <class T = TSkinControl>
    T* SkinAs(HWND wnd, TSkinnerKind kind) {
        TDispatchItem item;
        item.Window = wnd;
        item.Decision.Kind = kind;
        return static_cast<T*>(CreateControlSkinner(*Skinner, item));
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Frames

TEST(SkinEditFrames, ComboAndUpDownStateToFrame) {
    struct {
        bool Pressed, FocusedOrHot, Enabled;
        int Frame;
    } const combo[] = {{false, false, true, 1},
                       {true, true, true, 2},
                       {false, true, true, 4},
                       {false, false, false, 3},
                       {true, true, false, 3}};  // disabled wins over what it was before
    for (const auto& c : combo)
        EXPECT_EQ(ComboFrame(c.Pressed, c.FocusedOrHot, c.Enabled), c.Frame)
            << c.Pressed << c.FocusedOrHot << c.Enabled;
    struct {
        TArrowDirection Direction;
        int State, Frame;
    } const updown[] = {{TArrowDirection::Up, 1, 1},   {TArrowDirection::Up, 3, 3},   {TArrowDirection::Down, 1, 5},
                        {TArrowDirection::Down, 2, 6}, {TArrowDirection::Left, 2, 2}, {TArrowDirection::Right, 3, 7}};
    for (const auto& c : updown)
        EXPECT_EQ(UpDownFrame(c.Direction, c.State), c.Frame) << static_cast<int>(c.Direction) << " " << c.State;
}

// ---------------------------------------------------------------------------------------------------------------
// Binding and giving back

TEST_F(EditFamilyFixture, EveryKindIsGivenBackExactlyOverManyCyclesWithFlatGdiCounts) {
    HWND dropDown = Combo(CBS_DROPDOWN);
    HWND dropList = Combo(CBS_DROPDOWNLIST);
    HWND simple = Combo(CBS_SIMPLE);
    HWND edit = Child(L"EDIT", ES_AUTOHSCROLL, 10, 200, 120, 24, L"文本", WS_EX_CLIENTEDGE);
    HWND spin = Child(UPDOWN_CLASSW, UDS_ARROWKEYS, 200, 200, 18, 24);
    HWND inner = InnerEdit(dropDown);
    ASSERT_NE(inner, nullptr);
    const struct {
        HWND Wnd;
        TSkinnerKind Kind;
    } targets[] = {{dropDown, TSkinnerKind::ComBox},
                   {dropList, TSkinnerKind::ComBox},
                   {simple, TSkinnerKind::ComBox},
                   {edit, TSkinnerKind::Edit},
                   {spin, TSkinnerKind::UpDown}};
    std::vector<TWindowFacts> before;
    for (const auto& t : targets) before.push_back(FactsOf(t.Wnd));
    const TWindowFacts innerBefore = FactsOf(inner);
    long baseline = 0;
    for (int cycle = 0; cycle < 100; ++cycle) {
        for (const auto& t : targets) ASSERT_NE(SkinAs(t.Wnd, t.Kind), nullptr) << cycle;
        auto* combo = static_cast<TSkinComBox*>(Skinner->View().Controls.front());
        ASSERT_EQ(combo->EditWindow(), inner);
        ASSERT_NE(static_cast<TSkinComBox*>(Skinner->View().Controls[2])->ListWindow(), nullptr)
            << "simple combo's list";
        EXPECT_TRUE(::IsWindowUnicode(inner));
        ::RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Skinner->FreeControls();
        for (std::size_t i = 0; i < std::size(targets); ++i) {
            ASSERT_EQ(FactsOf(targets[i].Wnd), before[i]) << "cycle " << cycle << " target " << i;
            ASSERT_EQ(::SendMessageW(targets[i].Wnd, WM_SKIN_QUERY, 0, 0), 0);
        }
        ASSERT_EQ(FactsOf(inner), innerBefore) << "cycle " << cycle;
        if (cycle == 0) baseline = GdiLiveCounts().Total();
    }
    EXPECT_EQ(GdiLiveCounts().Total(), baseline);
}

TEST_F(EditFamilyFixture, ChineseTextSetOnSkinnedCombosAndEditsReadsBackUnchanged) {
    HWND combo = Combo(CBS_DROPDOWN);
    HWND edit = Child(L"EDIT", 0, 10, 200, 120, 24, L"", WS_EX_CLIENTEDGE);
    for (HWND wnd : {combo, edit}) {
        TSkinControl* skinner = SkinAs(wnd, wnd == combo ? TSkinnerKind::ComBox : TSkinnerKind::Edit);
        ASSERT_NE(skinner, nullptr);
        ::SetWindowTextW(wnd, L"岚栎在线订单 ÄÖ");
        EXPECT_EQ(skinner->CaptionText(), L"岚栎在线订单 ÄÖ");
        wchar_t back[32] = {};
        ::GetWindowTextW(wnd, back, 32);
        EXPECT_STREQ(back, L"岚栎在线订单 ÄÖ");
    }
    // Typed into the combo's hooked edit: still a wide window.
    HWND inner = InnerEdit(combo);
    ::SendMessageW(inner, WM_CHAR, L'订', 0);
    wchar_t back[32] = {};
    ::GetWindowTextW(inner, back, 32);
    EXPECT_NE(std::wstring(back).find(L'订'), std::wstring::npos);
}

TEST_F(EditFamilyFixture, ADialogsCombosEditsAndNestedUpDownAreSkinnedByThePlainWindowDispatch) {
    HWND dialog = ::CreateWindowExW(0, WC_DIALOG, L"对话框", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 500, 60, 300, 220,
                                    Wnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    HWND dropDown = Child(L"COMBOBOX", CBS_DROPDOWN, 10, 10, 150, 120, L"", 0, dialog);
    HWND dropList = Child(L"COMBOBOX", CBS_DROPDOWNLIST, 10, 40, 150, 120, L"", 0, dialog);
    HWND simple = Child(L"COMBOBOX", CBS_SIMPLE, 170, 10, 100, 80, L"", 0, dialog);
    HWND edit = Child(L"EDIT", 0, 10, 80, 120, 24, L"12", WS_EX_CLIENTEDGE, dialog);
    HWND spin = Child(UPDOWN_CLASSW, 0, 100, 2, 16, 18, L"", 0, edit);
    auto skinner = CreateSkinForm(nullptr, dialog, &Manager);
    ASSERT_TRUE(skinner->AttachWindow(&OurSkin()));
    DispatchPlainWindow(dialog, [&](const TDispatchItem& item) { CreateControlSkinner(*skinner, item); });
    ::UpdateWindow(edit);  // the edit's first paint finds the up-down inside it
    const struct {
        HWND Wnd;
        LRESULT Skinned;
    } expected[] = {{dropDown, 1}, {dropList, 1}, {simple, 0}, {edit, 1}, {spin, 1}};
    for (const auto& e : expected) EXPECT_EQ(::SendMessageW(e.Wnd, WM_SKIN_QUERY, 0, 0), e.Skinned) << e.Wnd;
    skinner->Detach();
    for (const auto& e : expected) EXPECT_EQ(::SendMessageW(e.Wnd, WM_SKIN_QUERY, 0, 0), 0) << e.Wnd;
    skinner.reset();
    ::DestroyWindow(dialog);
}

TEST_F(EditFamilyFixture, ASimpleCombosListBarsHaveOneOwnerTheComboSkinner) {
    const long before = GdiLiveCounts().Total();
    for (int cycle = 0; cycle < 20; ++cycle) {
        HWND combo = Combo(CBS_SIMPLE);
        for (int i = 0; i < 30; ++i) ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"订单"));
        auto* skinner = SkinAs<TSkinComBox>(combo, TSkinnerKind::ComBox);
        ASSERT_NE(skinner, nullptr);
        ASSERT_NE(skinner->ListScrollSkinner(), nullptr);
        EXPECT_EQ(::SendMessageW(skinner->ListWindow(), WM_SKIN_QUERY, 0, 0), 1);
        EXPECT_EQ(Skinner->View().Controls.size(), 1u) << "the list's skinner is not the form skinner's too";
        HWND list = skinner->ListWindow();
        if (cycle % 2) {
            Skinner->FreeControls();  // the skin goes: the list is given back with its combo
            EXPECT_EQ(::SendMessageW(list, WM_SKIN_QUERY, 0, 0), 0);
            ::DestroyWindow(combo);
        } else {
            ::DestroyWindow(combo);  // the window goes first: list and combo skinners are freed once, by the purge
            Skinner->PurgeControls();
        }
        ASSERT_TRUE(Skinner->View().Controls.empty());
        PumpPending();
    }
    EXPECT_EQ(GdiLiveCounts().Total(), before);
}

TEST_F(EditFamilyFixture, TheComboLetsItsEditGoAtTheEditsOwnDestructionAndStaysSkinned) {
    HWND combo = Combo(CBS_DROPDOWN);
    auto* skinner = SkinAs<TSkinComBox>(combo, TSkinnerKind::ComBox);
    ASSERT_NE(skinner, nullptr);
    HWND inner = skinner->EditWindow();
    ASSERT_NE(inner, nullptr);
    ::DestroyWindow(inner);
    EXPECT_EQ(skinner->EditWindow(), nullptr);
    EXPECT_EQ(::SendMessageW(combo, WM_SKIN_QUERY, 0, 0), 1);
    Skinner->FreeControls();
    EXPECT_EQ(::SendMessageW(combo, WM_SKIN_QUERY, 0, 0), 0);
}

TEST_F(EditFamilyFixture, DestroyingAComboWhileItsListIsDroppedDownLeavesNothingBehind) {
    const long before = GdiLiveCounts().Total();
    for (DWORD style : {CBS_DROPDOWN, CBS_DROPDOWNLIST}) {
        HWND combo = Combo(style);
        auto* skinner = SkinAs<TSkinComBox>(combo, TSkinnerKind::ComBox);
        ASSERT_NE(skinner, nullptr);
        ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        ASSERT_TRUE(::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
        PumpPending();
        ::DestroyWindow(combo);
        EXPECT_EQ(skinner->ControlState(), ControlStateWindowDestroyed);
        Skinner->PurgeControls();
        EXPECT_TRUE(Skinner->View().Controls.empty());
        PumpPending();
    }
    EXPECT_EQ(GdiLiveCounts().Total(), before);
}

// ---------------------------------------------------------------------------------------------------------------
// Painting

TEST_F(EditFamilyFixture, TheComboShowsTheSkinsFrameForEachStateAndNoKeyColour) {
    HWND combo = Combo(CBS_DROPDOWNLIST);
    HWND other = Child(L"BUTTON", BS_PUSHBUTTON, 250, 10, 60, 24, L"X");
    ::SetFocus(other);
    auto* skinner = SkinAs<TSkinComBox>(combo, TSkinnerKind::ComBox);
    ASSERT_NE(skinner, nullptr);
    const TDataSkinBorder& strip = *OurSkin().ComboPieces().Button;
    ASSERT_EQ(strip.Style, 2) << "our skin draws frame and button from one composed image";
    // The top rows of the button band are copied unscaled from the strip's frame.
    auto mismatches = [&](const TPainted& p, int frame) {
        int n = 0;
        const int fw = strip.Bitmap.Width() / strip.FrameCount;
        for (int y = 0; y < strip.TopHeight; ++y)
            for (int k = 1; k <= strip.RightWidth; ++k) {
                const std::uint32_t s = strip.Bitmap.ScanLine(y)[frame * fw - k] & 0xFFFFFF;
                if (s == 0xFF00FF) continue;
                n += p.At(p.Dib.Width - k, y) != RGB((s >> 16) & 0xFF, (s >> 8) & 0xFF, s & 0xFF);
            }
        return n;
    };
    auto expectFrame = [&](int frame, const char* what) {
        auto painted = Paint(combo);
        EXPECT_EQ(skinner->ShownFrame(), frame) << what;
        EXPECT_EQ(mismatches(*painted, frame), 0) << what;
        EXPECT_GT(mismatches(*painted, frame == 1 ? 2 : 1), 0) << what << ": frames must differ for the check";
        EXPECT_EQ(painted->CountOf(RGB(255, 0, 255)), 0) << what;
    };
    expectFrame(1, "normal");
    ::SendMessageW(combo, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Skinner->HotButton(), skinner);
    expectFrame(4, "hot");
    Skinner->LeaveHotButton();
    ::SendMessageW(combo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));  // drops the list down
    expectFrame(2, "pressed while the list is open");
    ::SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    ::SetFocus(other);
    expectFrame(1, "the list closed without the release reaching the combo");
    ::SetFocus(combo);
    expectFrame(4, "focused");
    ::SetFocus(other);
    ::EnableWindow(combo, FALSE);
    expectFrame(3, "disabled");
}

TEST_F(EditFamilyFixture, APlainStyleComboButtonKeepsTheCallersClippingAndTheTextArea) {
    auto skin = SolidSkin();
    Skinner->ReloadSkinData(skin.get());
    for (DWORD exStyle : {0ul, static_cast<unsigned long>(WS_EX_LEFTSCROLLBAR)}) {
        HWND combo = Combo(CBS_DROPDOWNLIST, exStyle);
        ASSERT_NE(SkinAs(combo, TSkinnerKind::ComBox), nullptr);
        auto painted = Paint(combo);
        HRGN clip = ::CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(::GetClipRgn(painted->DC, clip), 0) << "the caller's DC has no clipping afterwards";
        ::DeleteObject(clip);
        const int w = painted->Dib.Width, h = painted->Dib.Height;
        const int buttonX = exStyle ? 3 : w - 3, textX = exStyle ? w - 10 : 10;
        EXPECT_EQ(painted->At(buttonX, h / 2), FrameColor(1)) << exStyle;
        EXPECT_NE(painted->At(textX, h / 2), FrameColor(1)) << "text area left to the control " << exStyle;
        EXPECT_EQ(painted->At(exStyle ? w - 1 : 0, h / 2), FrameColor(1)) << "sunken edge " << exStyle;
        Skinner->FreeControls();
        ::DestroyWindow(combo);
    }
    Skinner->ReloadSkinData(&OurSkin());
}

TEST_F(EditFamilyFixture, EditBorderIsFlatTwoLinesInsideABorderAndNothingWithoutOne) {
    const COLORREF shadow = SkinColorToRGB(OurSkin().ButtonShadowColor);
    const struct {
        DWORD Style, ExStyle;
        bool Bordered;
    } cases[] = {{0, WS_EX_CLIENTEDGE, true}, {ES_MULTILINE | WS_VSCROLL, WS_EX_CLIENTEDGE, true}, {0, 0, false}};
    for (const auto& c : cases) {
        HWND edit = Child(L"EDIT", c.Style, 10, 200, 140, 40, L"", c.ExStyle);
        ASSERT_NE(SkinAs(edit, TSkinnerKind::Edit), nullptr);
        auto printed = Paint(edit, WM_PRINT, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
        const int w = printed->Dib.Width, h = printed->Dib.Height;
        for (POINT p : {POINT{0, 0}, POINT{w - 1, h / 2}, POINT{w / 2, h - 1}})
            EXPECT_EQ(printed->At(p.x, p.y) == shadow, c.Bordered) << std::hex << c.Style << " at " << p.x << "," << p.y
                                                                   << " " << printed->At(p.x, p.y) << " vs " << shadow;
        if (c.Bordered) {
            EXPECT_EQ(printed->At(1, h / 2), RGB(255, 255, 255)) << std::hex << c.Style;
        }
        Skinner->FreeControls();
        ::DestroyWindow(edit);
    }
}

TEST_F(EditFamilyFixture, UpDownArrowsComeFromTheSkinOrArePlainInEachState) {
    auto solid = SolidSkin();
    const COLORREF face = SkinColorToRGB(OurSkin().ButtonFaceColor);
    const COLORREF pressedFill = SkinColorToRGB(OurSkin().ButtonShadowColor);
    const COLORREF edge = SkinColorToRGB(OurSkin().ButtonDkShadowColor);
    const struct {
        TSkinData* Skin;
        DWORD Style;
        bool Pressed, Disabled;
        COLORREF First, Second;  // inside the first and the second button
    } cases[] = {
        {solid.get(), 0, false, false, FrameColor(1), FrameColor(5)},
        {solid.get(), 0, true, false, FrameColor(2), FrameColor(5)},
        {solid.get(), 0, false, true, FrameColor(3), FrameColor(7)},
        {solid.get(), UDS_HORZ, true, false, FrameColor(2), FrameColor(5)},
        {&OurSkin(), 0, false, false, face, face},
        {&OurSkin(), 0, true, false, pressedFill, face},
    };
    for (const auto& c : cases) {
        HWND spin = Child(UPDOWN_CLASSW, c.Style, 200, 100, 40, 40);
        // Mid-range: a press at either end of the range is let go by the control at once.
        ::SendMessageW(spin, UDM_SETRANGE32, 0, 100);
        ::SendMessageW(spin, UDM_SETPOS32, 0, 50);
        if (c.Disabled) ::EnableWindow(spin, FALSE);
        auto* skinner = new TSkinUpDown(nullptr);
        skinner->AttachWindow(spin, c.Skin, Skinner.get(), nullptr);
        ASSERT_TRUE(skinner->IsAttached());
        // The control may size itself: points inside each button, clear of its edge and of the drawn arrow.
        RECT client{};
        ::GetClientRect(spin, &client);
        const int w = client.right, h = client.bottom;
        const bool horizontal = c.Style & UDS_HORZ;
        const POINT first = horizontal ? POINT{w / 4, 2} : POINT{2, h / 4};
        const POINT second = horizontal ? POINT{w * 3 / 4, 2} : POINT{2, h * 3 / 4};
        if (c.Pressed) {
            POINT screen = first;
            ::ClientToScreen(spin, &screen);
            MoveCursor(screen);
            ::SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.x, first.y));
        }
        auto painted = Paint(spin);
        EXPECT_EQ(painted->At(first.x, first.y), c.First) << c.Style << c.Pressed << c.Disabled;
        EXPECT_EQ(painted->At(second.x, second.y), c.Second) << c.Style << c.Pressed << c.Disabled;
        if (c.Skin == &OurSkin()) {
            EXPECT_EQ(painted->At(0, 0), edge) << "plain buttons have a dark edge";
        }
        if (c.Pressed) ::SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(first.x, first.y));
        skinner->Release();
        ::DestroyWindow(spin);
    }
}

TEST_F(EditFamilyFixture, AnUpDownInsideAnEditIsSkinnedOnePixelInsideAndGoesWithTheEditsSkinner) {
    HWND edit = Child(L"EDIT", 0, 10, 200, 140, 30, L"", WS_EX_CLIENTEDGE);
    HWND spin = Child(UPDOWN_CLASSW, 0, 110, 0, 20, 26, L"", 0, edit);
    auto* skinner = SkinAs<TSkinEdit>(edit, TSkinnerKind::Edit);
    ASSERT_NE(skinner, nullptr);
    ::UpdateWindow(edit);
    ASSERT_NE(skinner->UpDownSkinner(), nullptr);
    EXPECT_TRUE(skinner->UpDownSkinner()->IsEmbedded());
    EXPECT_EQ(::SendMessageW(spin, WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(Paint(spin)->At(0, 0), SkinColorToRGB(OurSkin().ButtonFaceColor)) << "inset by one pixel";
    Skinner->FreeControls();
    EXPECT_EQ(::SendMessageW(spin, WM_SKIN_QUERY, 0, 0), 0);
}

// ---------------------------------------------------------------------------------------------------------------
// Real input

TEST_F(EditFamilyFixture, AClickDropsTheSkinnedComboDownAndAnotherPicksAnItem) {
    HWND combo = Combo(CBS_DROPDOWNLIST);
    ASSERT_NE(SkinAs(combo, TSkinnerKind::ComBox), nullptr);
    ::SetForegroundWindow(Wnd);
    RECT r{};
    ::GetClientRect(combo, &r);
    ClickAt(ScreenPoint(combo, r.right - 6, r.bottom / 2));
    ASSERT_TRUE(PumpUntil([&] { return ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; }, 3000));
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(::GetComboBoxInfo(combo, &info));
    RECT item{};
    ::SendMessageW(info.hwndList, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    ClickAt(ScreenPoint(info.hwndList, item.left + 10, (item.top + item.bottom) / 2));
    EXPECT_TRUE(PumpUntil(
        [&] {
            return ::SendMessageW(combo, CB_GETCURSEL, 0, 0) == 1 && !::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0);
        },
        3000));
}

TEST_F(EditFamilyFixture, ClicksOnTheSkinnedUpDownStepItsBuddy) {
    HWND edit = Child(L"EDIT", ES_NUMBER, 10, 200, 80, 24, L"5", WS_EX_CLIENTEDGE);
    HWND spin = Child(UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ALIGNRIGHT, 0, 0, 0, 0);
    ::SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    ::SendMessageW(spin, UDM_SETRANGE32, 0, 10);
    ::SendMessageW(spin, UDM_SETPOS32, 0, 5);
    ASSERT_NE(SkinAs(spin, TSkinnerKind::UpDown), nullptr);
    ::SetForegroundWindow(Wnd);
    RECT r{};
    ::GetClientRect(spin, &r);
    auto buddy = [&] { return static_cast<int>(::SendMessageW(spin, UDM_GETPOS32, 0, 0)); };
    ClickAt(ScreenPoint(spin, r.right / 2, r.bottom / 4));
    EXPECT_TRUE(PumpUntil([&] { return buddy() == 6; }, 3000)) << buddy();
    ClickAt(ScreenPoint(spin, r.right / 2, r.bottom * 3 / 4));
    EXPECT_TRUE(PumpUntil([&] { return buddy() == 5; }, 3000)) << buddy();
    wchar_t text[8] = {};
    ::GetWindowTextW(edit, text, 8);
    EXPECT_STREQ(text, L"5");
}

// ---------------------------------------------------------------------------------------------------------------
// Framework controls

namespace {

// A combo box, an edit and an up-down of the framework on a form skinned by a real form skinner.
class FrameworkEditFixture : public FrameworkFormFixture {
protected:
    void SetUp() override {
        MakeForm(360, 220);
        Combo = Place(new TComboBox(Form.get()), 10);
        Combo->SetItems({"甲", "乙"});
        Edit = Place(new TEdit(Form.get()), 50);
        UpDown = Place(new TUpDown(Form.get()), 90);
        ShowAndSkin();
    }
    template <class T>
    T* Place(T* control, int top) {
        control->SetParent(Form.get());
        control->SetBounds(10, top, 150, 24);
        return control;
    }

    TComboBox* Combo = nullptr;
    TEdit* Edit = nullptr;
    TUpDown* UpDown = nullptr;
};

}  // namespace

TEST_F(FrameworkEditFixture, UnskinGivesColourAndProcedureBackAndASecondAttachKeepsTheOriginalColour) {
    const struct {
        TWinControl* Control;
        TSkinnerKind Kind;
    } targets[] = {{Combo, TSkinnerKind::ComBox}, {Edit, TSkinnerKind::Edit}, {UpDown, TSkinnerKind::UpDown}};
    for (const auto& t : targets) {
        t.Control->SetColor(static_cast<TColor>(RGB(1, 2, 3)));
        const TWindowFacts before = FactsOf(t.Control->Handle());
        for (int cycle = 0; cycle < 3; ++cycle) {
            TDispatchItem item{t.Control, t.Control->Handle(), {}, nullptr};
            item.Decision.Kind = t.Kind;
            ASSERT_NE(CreateControlSkinner(*FormSkinner, item), nullptr);
            EXPECT_EQ(CreateControlSkinner(*FormSkinner, item), nullptr) << "never skinned twice";
            FormSkinner->FreeControls();
            // With the skin's colour, attached twice: the second attach must not take the skin's colour as the
            // control's own.
            TSkinControl* coloured =
                t.Kind == TSkinnerKind::ComBox ? static_cast<TSkinControl*>(new TSkinComBox(t.Control))
                : t.Kind == TSkinnerKind::Edit ? static_cast<TSkinControl*>(new TSkinEdit(t.Control))
                                               : new TSkinUpDown(t.Control);
            coloured->AttachControl(FormSkinner.get(), &OurSkin(), true, nullptr);
            coloured->AttachControl(FormSkinner.get(), &OurSkin(), true, nullptr);
            EXPECT_EQ(t.Control->Color(), static_cast<TColor>(OurSkin().ButtonFaceColor));
            FormSkinner->FreeControls();
            EXPECT_EQ(t.Control->Color(), static_cast<TColor>(RGB(1, 2, 3))) << SkinnerKindName(t.Kind) << cycle;
            EXPECT_EQ(t.Control->Perform(WM_SKIN_QUERY), 0);
            EXPECT_EQ(FactsOf(t.Control->Handle()), before) << SkinnerKindName(t.Kind);
        }
    }
}

TEST_F(FrameworkEditFixture, DestroyingASkinnedFrameworkComboFreesItsSkinnerOnce) {
    auto* skinner = new TSkinComBox(Combo);
    skinner->AttachControl(FormSkinner.get(), &OurSkin(), false, nullptr);
    ASSERT_NE(skinner->EditWindow(), nullptr);
    Combo->SetDroppedDown(true);
    delete Combo;
    EXPECT_TRUE(FormSkinner->View().Controls.empty());
}
