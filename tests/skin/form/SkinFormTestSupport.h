#pragma once
// Shared pieces of the form skinner tests: our packed skin loaded once, a plain test window whose own procedure
// records what reaches it (what the skinner passed on), and a manager that records the skinner's calls.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Menus.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"
#include "support/MessageRecorder.h"
#include "support/Files.h"
#include "support/Pump.h"

#ifndef QD_SKIN_PACKAGE_FILE
#error "QD_SKIN_PACKAGE_FILE names our packed skin"
#endif

namespace qd::test {

inline TSkinData& OurSkin() {
    static TSkinData* data = [] {
        auto* d = new TSkinData(nullptr);
        d->SkinPackage = TMemoryStream(ReadFileBytes(QD_SKIN_PACKAGE_FILE));
        if (!d->LoadSkinPackage()) ADD_FAILURE() << "our skin package did not load";
        return d;
    }();
    return *data;
}

class TRecordingManager : public ISkinFormManager {
public:
    bool Maximized = false;
    int MenuKind = -1;
    int DispatchCount = 0;
    std::vector<HWND> Forgotten;
    std::vector<HWND> SkinWindowCalls;
    HWND Client = nullptr;
    TForm* Frame = nullptr;

    bool MDIChildMaximized() const override { return Maximized; }
    void SetMDIChildMaximized(bool value) override { Maximized = value; }
    void SetMDIClient(HWND client, TForm* frame) override {
        Client = client;
        Frame = frame;
    }
    TForm* MDIFrameForm() const override { return Frame; }
    HWND MDIClientHandle() const override { return Client; }
    void SetMenuKind(int kind) override { MenuKind = kind; }
    void SetMenuFromBar(bool) override {}
    void MarkPopupsFromBar() override {}
    HBITMAP FindPopupBitmap(HMENU) override { return nullptr; }
    void SetReadyCount(int) override {}
    bool SkinWindow(HWND wnd) override {
        SkinWindowCalls.push_back(wnd);
        return false;
    }
    void ForgetWindow(HWND wnd) override { Forgotten.push_back(wnd); }
    void DispatchControls(ISkinForm&) override { ++DispatchCount; }
    std::vector<TSkinData*> RegisteredSkinData() const override { return {}; }
};

// The recorder the test window procedure appends to (one test at a time).
inline TMessageRecorder& WindowRecorder() {
    static TMessageRecorder recorder;
    return recorder;
}

inline LRESULT CALLBACK RecordingWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowRecorder().Add(wnd, msg, kSent, wParam, lParam);
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

inline const wchar_t* TestWindowClass() {
    static const wchar_t* name = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = RecordingWndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"QdSkinFormTestWindow";
        ::RegisterClassExW(&wc);
        return L"QdSkinFormTestWindow";
    }();
    return name;
}

// Takes a posted message for `wnd` out of the queue; true when one was there (its wParam in `wParam`).
inline bool TakePosted(HWND wnd, UINT msg, WPARAM* wParam = nullptr) {
    MSG m;
    if (!::PeekMessageW(&m, wnd, msg, msg, PM_REMOVE)) return false;
    if (wParam) *wParam = m.wParam;
    return true;
}

// The window's area as the screen shows it (the desktop's pixels where the region cuts the window away).
struct TScreenShot {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Px;
    COLORREF At(int x, int y) const {
        const std::uint32_t p = Px[static_cast<std::size_t>(y) * Width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

// Only the part on the screen is copied (a maximised window overhangs the screen's edges); the rest stays black.
inline TScreenShot ShootWindow(HWND wnd) {
    RECT wr{};
    ::GetWindowRect(wnd, &wr);
    TScreenShot shot{wr.right - wr.left, wr.bottom - wr.top, {}};
    shot.Px.resize(static_cast<std::size_t>(shot.Width) * shot.Height);
    TWindowDC screen(nullptr);
    TMemoryDC mem(screen);
    TBitmapHandle copy(::CreateCompatibleBitmap(screen, shot.Width, shot.Height));
    {
        TSelectGuard keep(mem, copy.Get());
        RECT onScreen{};
        const RECT desktop{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        ::IntersectRect(&onScreen, &wr, &desktop);
        ::BitBlt(mem, onScreen.left - wr.left, onScreen.top - wr.top, onScreen.right - onScreen.left,
                 onScreen.bottom - onScreen.top, screen, onScreen.left, onScreen.top, SRCCOPY);
    }
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.Width, -shot.Height, 1, 32, BI_RGB};
    ::GetDIBits(mem, copy.Get(), 0, shot.Height, shot.Px.data(), &bi, DIB_RGB_COLORS);
    return shot;
}

// Visits the frame pixels of the window: inside its region, outside its client area.
template <class F>
void ForEachFramePixel(HWND wnd, const TFrameMetrics& frame, int width, int height, F&& visit) {
    TRegionHandle rgn(::CreateRectRgn(0, 0, 0, 0));
    const bool shaped = ::GetWindowRgn(wnd, rgn.Get()) != ERROR;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool client = x >= frame.Left && x < width - frame.Right && y >= frame.Top + frame.MenuHeight &&
                                y < height - frame.Bottom;
            if (!client && (!shaped || ::PtInRegion(rgn.Get(), x, y))) visit(x, y);
        }
}

class SkinFormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        (void)OurSkin();
        WindowRecorder().Clear();
        WindowRecorder().IgnoreCommonNoise();
    }
    void TearDown() override {
        Skinner.reset();
        if (Wnd && ::IsWindow(Wnd)) ::DestroyWindow(Wnd);
        Wnd = nullptr;
        PumpPending();
    }

    HWND MakeWindow(DWORD style = WS_OVERLAPPEDWINDOW, const wchar_t* caption = L"Skinned window", int w = 420,
                    int h = 320, HWND owner = nullptr) {
        Wnd = ::CreateWindowExW(0, TestWindowClass(), caption, style, 60, 50, w, h, owner, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
        ::ShowWindow(Wnd, SW_SHOW);
        ::UpdateWindow(Wnd);
        PumpPending();
        return Wnd;
    }

    // Attaches a skinner and delivers WM_SKIN_STARTED the way the manager's post does.
    TSkinForm& Skin() {
        Skinner = std::make_unique<TSkinForm>(nullptr, Wnd, &Manager);
        Skinner->AttachWindow(&OurSkin());
        ::SendMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
        PumpPending();
        return *Skinner;
    }

    void Unskin() {
        if (!Skinner) return;
        Skinner->Detach();
        ::InvalidateRect(Wnd, nullptr, TRUE);
        ::UpdateWindow(Wnd);
        Skinner.reset();
        PumpPending();
    }

    // The screen point of a frame-coordinate point of the test window.
    POINT FrameToScreen(POINT p) const {
        RECT wr{};
        ::GetWindowRect(Wnd, &wr);
        return POINT{wr.left + p.x, wr.top + p.y};
    }
    static LPARAM PointParam(POINT p) { return MAKELPARAM(static_cast<short>(p.x), static_cast<short>(p.y)); }

    HWND Wnd = nullptr;
    TRecordingManager Manager;
    std::unique_ptr<TSkinForm> Skinner;
};

// One top-level item of `menu` per caption, each with one child "&Item".
inline void AddTopItems(TMainMenu& menu, std::initializer_list<const wchar_t*> captions) {
    for (const wchar_t* caption : captions) {
        auto* item = new TMenuItem(nullptr);
        item->SetCaption(caption);
        auto* child = new TMenuItem(nullptr);
        child->SetCaption(L"&Item");
        item->Add(child);
        menu.Items().Add(item);
    }
}

}  // namespace qd::test
