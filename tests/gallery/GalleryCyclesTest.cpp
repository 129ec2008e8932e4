// The whole gallery under the skin switched off and on: every control comes back exactly as it was before it was
// ever skinned (pixels, windows, published properties), many cycles leave no handle or memory behind, and
// destroying the gallery while skinned, also inside a control's tracking loop, frees every skinner.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Properties.h"
#include "framework/WindowHook.h"
#include "gallery/GalleryTestSupport.h"
#include "skin/controls/SkinControlTestSupport.h"
#include "support/ProcessMemory.h"

using namespace qd;

namespace {

// Every window of the thread (top-level ones and their descendants) with what a skinner must give back.
struct TWindowState {
    std::wstring Class, Text;
    LONG_PTR Proc = 0, Style = 0, ExStyle = 0;
    bool Unicode = false;
    RECT Rect{};
    bool operator==(const TWindowState& o) const {
        return Class == o.Class && Text == o.Text && Proc == o.Proc && Style == o.Style && ExStyle == o.ExStyle &&
               Unicode == o.Unicode && ::EqualRect(&Rect, &o.Rect);
    }
};
using TWindows = std::map<HWND, TWindowState>;

void AddWindow(HWND wnd, TWindows& out) {
    TWindowState s;
    wchar_t text[256] = {};
    ::GetClassNameW(wnd, text, 256);
    s.Class = text;
    text[0] = 0;
    ::InternalGetWindowText(wnd, text, 256);
    s.Text = text;
    s.Proc = ::GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    s.Style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
    s.ExStyle = ::GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    s.Unicode = ::IsWindowUnicode(wnd) != FALSE;
    ::GetWindowRect(wnd, &s.Rect);
    out[wnd] = s;
}

TWindows ThreadWindows() {
    TWindows all;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND top, LPARAM lp) -> BOOL {
            auto& out = *reinterpret_cast<TWindows*>(lp);
            AddWindow(top, out);
            ::EnumChildWindows(
                top,
                [](HWND child, LPARAM lp) -> BOOL {
                    AddWindow(child, *reinterpret_cast<TWindows*>(lp));
                    return TRUE;
                },
                lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

std::string Narrow(const std::wstring& text) { return WideToUtf8(text); }

// What differs between two window sets, one line per window.
std::string WindowDifferences(const TWindows& before, const TWindows& after) {
    std::ostringstream out;
    for (const auto& [wnd, state] : before) {
        auto it = after.find(wnd);
        if (it == after.end()) {
            out << "gone: " << Narrow(state.Class) << " '" << Narrow(state.Text) << "'\n";
            continue;
        }
        const TWindowState& now = it->second;
        if (now == state) continue;
        out << Narrow(state.Class) << " '" << Narrow(state.Text) << "':";
        if (now.Proc != state.Proc) out << " procedure";
        if (now.Unicode != state.Unicode) out << " Unicode";
        if (now.Style != state.Style) out << " style " << std::hex << state.Style << "->" << now.Style << std::dec;
        if (now.ExStyle != state.ExStyle)
            out << " ex-style " << std::hex << state.ExStyle << "->" << now.ExStyle << std::dec;
        if (!::EqualRect(&now.Rect, &state.Rect)) out << " place";
        if (now.Text != state.Text) out << " text '" << Narrow(now.Text) << "'";
        out << "\n";
    }
    for (const auto& [wnd, state] : after)
        if (!before.count(wnd)) out << "new: " << Narrow(state.Class) << " '" << Narrow(state.Text) << "'\n";
    return out.str();
}

// The published properties of every component of the gallery (colours, ParentColor, Flat, Transparent, the
// size grip, glyph data, ...) and DoubleBuffered, which is not published, as name=value lines.
std::map<std::string, std::string> ComponentValues() {
    std::map<std::string, std::string> values;
    for (int i = 0; i < Form_Gallery->ComponentCount(); ++i) {
        TComponent* component = Form_Gallery->Components(i);
        const std::string prefix = component->Name() + ".";
        for (const TFormProperty& p : GetPublishedValues(*component))
            values[prefix + p.Name] = GetPropertyText(*component, p.Name);
        if (auto* custom = dynamic_cast<TCustomControl*>(component))
            values[prefix + "DoubleBuffered"] = custom->DoubleBuffered ? "True" : "False";
    }
    return values;
}

std::string ValueDifferences(const std::map<std::string, std::string>& before,
                             const std::map<std::string, std::string>& after) {
    std::string out;
    for (const auto& [name, value] : before) {
        auto it = after.find(name);
        if (it == after.end())
            out += name + " is gone\n";
        else if (it->second != value)
            out += name + ": " + value.substr(0, 40) + " -> " + it->second.substr(0, 40) + "\n";
    }
    return out;
}

// The gallery's window as the screen shows it after a complete repaint (frame, client and every child), and
// each windowed control on its own.
struct TGalleryPicture {
    test::TCapture Window;
    std::map<HWND, test::TCapture> Controls;
};
TGalleryPicture CaptureGallery() {
    HWND form = Form_Gallery->Handle();
    ::RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    test::PumpPending();
    TGalleryPicture picture{test::CaptureScreen(form), {}};
    for (int i = 0; i < Form_Gallery->ComponentCount(); ++i)
        if (auto* control = dynamic_cast<TWinControl*>(Form_Gallery->Components(i)); control && control->Showing())
            picture.Controls[control->Handle()] = test::CaptureScreen(control->Handle());
    return picture;
}

// Differing pixels per innermost child window under them ("frame" outside the client area).
std::map<std::string, int> PixelDifferences(const TGalleryPicture& before, const TGalleryPicture& after) {
    const test::TCapture& a = before.Window;
    const test::TCapture& b = after.Window;
    std::map<std::string, int> where;
    if (a.Width != b.Width || a.Height != b.Height) {
        where["size"] = 1;
        return where;
    }
    HWND form = Form_Gallery->Handle();
    RECT window{};
    ::GetWindowRect(form, &window);
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < a.Width; ++x) {
            if (a.At(x, y) == b.At(x, y)) continue;
            POINT p{window.left + x, window.top + y};
            HWND at = form;
            for (;;) {
                POINT c = p;
                ::ScreenToClient(at, &c);
                HWND child = ::ChildWindowFromPointEx(at, c, CWP_SKIPINVISIBLE);
                if (!child || child == at) break;
                at = child;
            }
            std::string name = "frame";
            RECT client{};
            POINT c = p;
            ::ScreenToClient(form, &c);
            ::GetClientRect(form, &client);
            if (TWinControl* control = TWinControl::FindControl(at); at != form || ::PtInRect(&client, c)) {
                wchar_t cls[64] = {};
                ::GetClassNameW(at, cls, 64);
                name = control ? control->Name() : "window " + Narrow(cls);
            }
            ++where[name];
        }
    return where;
}

std::string Describe(const std::map<std::string, int>& counts) {
    std::string out;
    for (const auto& [name, n] : counts) out += name + ": " + std::to_string(n) + " pixels\n";
    return out;
}

// Bytes of the blocks in use in every heap of the process.
SIZE_T HeapBytesInUse() {
    std::vector<HANDLE> heaps(256);
    heaps.resize(
        std::min<std::size_t>(heaps.size(), ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data())));
    SIZE_T used = 0;
    for (HANDLE heap : heaps) {
        if (!::HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        ::HeapUnlock(heap);
    }
    return used;
}

// What must stay flat: our GDI handles, the platform's GDI and USER objects (Wine answers 0 for those), subclass
// links, control skinners, windows of the thread, and the heap.
struct TResources {
    long Gdi = 0;
    DWORD GuiGdi = 0, GuiUser = 0;
    int Links = 0, Skinners = 0, Windows = 0;
    SIZE_T HeapBytes = 0, WorkingSet = 0;
};
TResources Resources() {
    TResources r;
    r.Gdi = GdiLiveCounts().Total();
    r.GuiGdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    r.GuiUser = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    r.Links = TWindowHook::LiveLinks();
    r.Skinners = TSkinControl::LiveCount();
    r.Windows = static_cast<int>(ThreadWindows().size());
    r.HeapBytes = HeapBytesInUse();
    r.WorkingSet = qd::test::ProcessMemory().WorkingSet;
    return r;
}
void Print(const char* when, const TResources& r) {
    std::printf(
        "%-22s our GDI %ld, GDI objects %lu, USER objects %lu, subclass links %d, skinners %d, windows %d, "
        "heap in use %.1f KB, working set %.1f MB\n",
        when, r.Gdi, r.GuiGdi, r.GuiUser, r.Links, r.Skinners, r.Windows, r.HeapBytes / 1024.0,
        r.WorkingSet / 1048576.0);
}
void ExpectSameHandles(const TResources& before, const TResources& after) {
    EXPECT_EQ(after.Gdi, before.Gdi);
    EXPECT_EQ(after.GuiGdi, before.GuiGdi);
    EXPECT_EQ(after.GuiUser, before.GuiUser);
    EXPECT_EQ(after.Links, before.Links);
    EXPECT_EQ(after.Skinners, before.Skinners);
    EXPECT_EQ(after.Windows, before.Windows);
}

class GalleryCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ParkCursor();  // no control is hot in any picture
        test::OpenGallery(false);
    }
    void TearDown() override { test::CloseGallery(); }
};

TEST_F(GalleryCycleTest, UnskinGivesEveryControlBackExactlyAsBeforeItWasSkinned) {
    // The skinners turn double buffering on: the controls that paint themselves start without it here.
    for (int i = 0; i < Form_Gallery->ComponentCount(); ++i)
        if (auto* custom = dynamic_cast<TCustomControl*>(Form_Gallery->Components(i))) custom->DoubleBuffered = false;
    const TGalleryPicture before = CaptureGallery();
    const TWindows windows = ThreadWindows();
    const auto values = ComponentValues();

    test::SwitchSkin(true);
    ASSERT_NE(test::GallerySkinner(), nullptr);
    EXPECT_GT(test::GallerySkinner()->View().Controls.size(), 40u) << "the controls were skinned";
    // The skin shows on every skinned control that can be seen.
    const TGalleryPicture skinned = CaptureGallery();
    for (const auto& [wnd, picture] : skinned.Controls)
        if (test::SkinnerOf(wnd)) {
            EXPECT_NE(picture.Pixels, before.Controls.at(wnd).Pixels) << TWinControl::FindControl(wnd)->Name();
        }
    test::SwitchSkin(false);

    EXPECT_EQ(WindowDifferences(windows, ThreadWindows()), "");
    EXPECT_EQ(ValueDifferences(values, ComponentValues()), "");
    // Nothing is allowed to differ: the focus stays on a button (no caret) and the cursor is parked outside.
    EXPECT_EQ(Describe(PixelDifferences(before, CaptureGallery())), "");
}

// Each cycle switches the skin on and off and lets every control paint both ways. Under Wine on a shared
// machine a cycle of the whole gallery takes from half a second to over two, so the suite runs 10 of them;
// QD_GALLERY_CYCLES=1000 runs the long check.
int CycleCount() {
    char text[16] = {};
    const DWORD n = ::GetEnvironmentVariableA("QD_GALLERY_CYCLES", text, sizeof text);
    const int value = n > 0 && n < sizeof text ? std::atoi(text) : 0;
    return value > 0 ? value : 10;
}

TEST_F(GalleryCycleTest, SkinCyclesLeaveHandlesAndMemoryFlat) {
    // Warm-up: caches that live as long as the process (fonts, class registrations) fill on the first cycles.
    for (int i = 0; i < 5; ++i) {
        test::SwitchSkin(true);
        test::SwitchSkin(false);
    }
    const int cycles = CycleCount();
    const TResources before = Resources();
    const DWORD start = ::GetTickCount();
    int skinnersPerCycle = -1;
    for (int i = 0; i < cycles; ++i) {
        test::SwitchSkin(true);
        const int skinners = TSkinControl::LiveCount() - before.Skinners;
        if (skinnersPerCycle < 0) skinnersPerCycle = skinners;
        if (skinners != skinnersPerCycle) {
            ADD_FAILURE() << "cycle " << i << " made " << skinners << " skinners, the first " << skinnersPerCycle;
            break;
        }
        test::SwitchSkin(false);
    }
    const TResources after = Resources();
    std::printf("%d cycles, %d skinners each, %.0f ms a cycle\n", cycles, skinnersPerCycle,
                static_cast<double>(::GetTickCount() - start) / cycles);
    Print("before the cycles", before);
    Print("after the cycles", after);
    EXPECT_GT(skinnersPerCycle, 40);
    ExpectSameHandles(before, after);
    // Slack for the heap: 4 KB for what grows by itself whatever the count (containers that keep their largest
    // size, the platform's caches) and 16 bytes a cycle.
    EXPECT_LT(after.HeapBytes, before.HeapBytes + 4096 + 16 * static_cast<SIZE_T>(cycles));
}

// ---------------------------------------------------------------------------------------------------------------
// Destroying the gallery while it is skinned

class GalleryDestroyTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One gallery opened and closed first: what lives as long as the process is made by then.
        test::OpenGallery(true);
        test::CloseGallery();
        Before = Resources();
        test::OpenGallery(true);
        ASSERT_GT(TSkinControl::LiveCount(), Before.Skinners + 40);
    }
    void TearDown() override {
        if (Form_Gallery) delete Form_Gallery;
        DestroySkinManager();
        test::ResetApplication();
        test::ParkCursor();
    }
    // After the gallery went: every skinner, window, hook and handle it had is gone too.
    void ExpectAllGone() {
        ASSERT_EQ(Form_Gallery, nullptr);
        test::PumpPending();
        TSkinManage::Instance()->PurgeReleased();
        EXPECT_EQ(TSkinManage::Instance()->FormSkinnerCount(), 0);
        EXPECT_EQ(TSkinManage::Instance()->ReleasedCount(), 0);
        const TResources after = Resources();
        Print("before the gallery", Before);
        Print("after it was destroyed", after);
        ExpectSameHandles(Before, after);
    }
    TResources Before;
};

TEST_F(GalleryDestroyTest, DestroyedWhileSkinnedFreesEverySkinner) {
    delete Form_Gallery;
    ExpectAllGone();
}

TEST_F(GalleryDestroyTest, DestroyedWhileADroppedDownComboIsOpenFreesEverySkinner) {
    for (const char* name : {"ComboBox_DropDown", "ComboBox_List"}) {
        auto* combo = test::GalleryControl(name);
        ASSERT_NE(combo, nullptr) << name;
        ::SendMessageW(combo->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
        EXPECT_TRUE(::SendMessageW(combo->Handle(), CB_GETDROPPEDSTATE, 0, 0)) << name;
    }
    delete Form_Gallery;
    ExpectAllGone();
}

// The timer that destroys the gallery from inside the scroll bar skinner's tracking loop.
std::atomic<bool> gDestroyedInLoop{false};
HWND gTrackedBar = nullptr;
void CALLBACK DestroyWhileTracking(HWND, UINT, UINT_PTR id, DWORD) {
    const TSkinControl* skinner = Form_Gallery ? test::SkinnerOf(gTrackedBar) : nullptr;
    if (!skinner || !skinner->InDispatch() || !::GetCapture()) return;  // the thumb is not held yet
    ::KillTimer(nullptr, id);
    delete Form_Gallery;
    gDestroyedInLoop = true;
}

TEST_F(GalleryDestroyTest, DestroyedDuringAThumbDragOfAScrollBarFreesEverySkinnerAfterTheLoop) {
    auto* bar = test::GalleryControl("ScrollBar_Horz");
    ASSERT_NE(bar, nullptr);
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetScrollBarInfo(bar->Handle(), OBJID_CLIENT, &info));
    const POINT thumb{info.rcScrollBar.left + (info.xyThumbTop + info.xyThumbBottom) / 2,
                      (info.rcScrollBar.top + info.rcScrollBar.bottom) / 2};
    gDestroyedInLoop = false;
    gTrackedBar = bar->Handle();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, DestroyWhileTracking);
    EXPECT_TRUE(test::RunInput([&] {
        test::MoveTo(thumb);
        test::SendMouse(MOUSEEVENTF_LEFTDOWN);
        for (int i = 0; i < 300 && !gDestroyedInLoop; ++i) ::Sleep(10);
        test::SendMouse(MOUSEEVENTF_LEFTUP);
    }));
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(gDestroyedInLoop) << "the gallery went while the thumb was held";
    ExpectAllGone();
}

}  // namespace
