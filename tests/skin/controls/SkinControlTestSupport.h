#pragma once
// Shared pieces of the control skinner pixel and input tests: a skinned parent window with bare platform
// children, a whole-window capture of what a skinner paints, and real mouse input.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Forms.h"
#include "framework/Gdi.h"
#include "skin/controls/ControlDispatch.h"
#include "skin/controls/SkinControl.h"
#include "skin/form/SkinFormTestSupport.h"
#include "support/Pump.h"

namespace qd::test {

// A window's pixels as 0x00RRGGBB, row by row.
struct TCapture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x] & 0xFFFFFF; }
    template <class TMatch>
    int Count(const RECT& r, TMatch match) const {
        int n = 0;
        for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, Height); ++y)
            for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, Width); ++x) n += match(At(x, y));
        return n;
    }
};
inline constexpr std::uint32_t Rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }
inline int Red(std::uint32_t p) { return (p >> 16) & 0xFF; }
inline int Green(std::uint32_t p) { return (p >> 8) & 0xFF; }
inline int Blue(std::uint32_t p) { return p & 0xFF; }
inline bool IsKey(std::uint32_t p) { return p == Rgb(255, 0, 255); }

// What the window paints for WM_PAINT with a DC (the control, then its skinner), on a magenta ground.
inline TCapture CapturePaint(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    TCapture c;
    c.Width = r.right - r.left;
    c.Height = r.bottom - r.top;
    TDibSection dib = CreateDib32(c.Width, c.Height);
    TMemoryDC dc(nullptr);
    {
        TSelectGuard sel(dc.Get(), dib.Bitmap.Get());
        const RECT all{0, 0, c.Width, c.Height};
        TBrushHandle key(::CreateSolidBrush(RGB(255, 0, 255)));
        ::FillRect(dc.Get(), &all, key.Get());
        ::SendMessageW(wnd, WM_PAINT, reinterpret_cast<WPARAM>(dc.Get()), 0);
        ::GdiFlush();
    }
    const auto* bits = static_cast<const std::uint32_t*>(dib.Bits);
    c.Pixels.assign(bits, bits + static_cast<std::size_t>(c.Width) * c.Height);
    return c;
}

// What the screen shows of the window now.
inline TCapture CaptureScreen(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    TCapture c;
    c.Width = r.right - r.left;
    c.Height = r.bottom - r.top;
    TDibSection dib = CreateDib32(c.Width, c.Height);
    TMemoryDC dc(nullptr);
    {
        TSelectGuard sel(dc.Get(), dib.Bitmap.Get());
        HDC screen = ::GetDC(nullptr);
        ::BitBlt(dc.Get(), 0, 0, c.Width, c.Height, screen, r.left, r.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
        ::GdiFlush();
    }
    const auto* bits = static_cast<const std::uint32_t*>(dib.Bits);
    c.Pixels.assign(bits, bits + static_cast<std::size_t>(c.Width) * c.Height);
    return c;
}

// A parent window skinned by a real form skinner, with bare platform children.
class BareChildFixture : public SkinFormFixture {
protected:
    void SetUp() override {
        SkinFormFixture::SetUp();
        MakeWindow(WS_OVERLAPPEDWINDOW, L"控件", 460, 360);
        Skin();
    }
    HWND Child(const wchar_t* cls, DWORD style, RECT r, const wchar_t* text = L"") {
        HWND wnd = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                     r.bottom - r.top, Wnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(++FNextId)),
                                     ::GetModuleHandleW(nullptr), nullptr);
        ::SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return wnd;
    }
    TSkinControl* SkinAs(HWND wnd, TSkinnerKind kind) {
        TDispatchItem item;
        item.Window = wnd;
        item.Decision.Kind = kind;
        return CreateControlSkinner(*Skinner, item);
    }

private:
    int FNextId = 100;
};

// A framework form skinned by a real form skinner. A fixture's SetUp makes the form and its controls, then calls
// ShowAndSkin.
class FrameworkFormFixture : public ::testing::Test {
protected:
    void MakeForm(int width, int height) {
        (void)OurSkin();
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBounds(40, 40, width, height);
    }
    void ShowAndSkin() {
        Form->Show();
        PumpPending();
        FormSkinner = std::make_unique<TSkinForm>(Form.get(), Form->Handle(), &Manager);
        FormSkinner->AttachWindow(&OurSkin());
    }
    void TearDown() override {
        FormSkinner.reset();
        Form.reset();
        PumpPending();
    }

    TRecordingManager Manager;
    std::unique_ptr<TForm> Form;
    std::unique_ptr<TSkinForm> FormSkinner;
};

// Real mouse input (SendInput). The input runs on a second thread while the window's thread pumps, as the
// platform's own loops (capture, drags) need.
inline void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof(INPUT));
}
inline bool CursorAt(POINT p) {
    POINT c{};
    ::GetCursorPos(&c);
    return c.x == p.x && c.y == p.y;
}
// Platform quirk: under Wine in Xvfb the pointer warp that follows an injected move can come back late and put
// the cursor back where it was; the move is sent again until the position holds.
inline void MoveTo(POINT p) {
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    for (int attempt = 0; attempt < 10; ++attempt) {
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<LONG>((p.x * 65536LL + w / 2) / w),
                  static_cast<LONG>((p.y * 65536LL + h / 2) / h));
        ::Sleep(15);
        if (!CursorAt(p)) ::SetCursorPos(p.x, p.y);  // rounding of the normalised coordinates
        ::Sleep(25);
        if (CursorAt(p)) {
            ::Sleep(25);
            if (CursorAt(p)) return;
        }
    }
}
// Runs `script` on its own thread and pumps until it returned; true when it did in time.
inline bool RunInput(std::function<void()> script) {
    struct TState {
        std::function<void()> Script;
        std::atomic<bool> Done{false};
    } state{std::move(script)};
    HANDLE thread = ::CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* s = static_cast<TState*>(p);
            s->Script();
            s->Done = true;
            return 0;
        },
        &state, 0, nullptr);
    const bool done = PumpUntil([&] { return state.Done.load(); }, 10000);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    return done;
}
// Parks the cursor in the desktop's corner and lets late pointer motion arrive, so no input of a test reaches
// the windows of the next one.
inline void ParkCursor() {
    RunInput([] { MoveTo(POINT{5, 5}); });
    PumpUntil([] { return false; }, 100);
}
inline POINT ScreenPoint(HWND wnd, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(wnd, &p);
    return p;
}

}  // namespace qd::test
