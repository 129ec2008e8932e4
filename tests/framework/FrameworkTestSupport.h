#pragma once
// Helpers shared by the framework's window tests: pumping through the application, recording what a
// control's WindowProc sees, and capturing the application's error reports.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "support/MessageRecorder.h"
#include "support/Pump.h"

namespace qd::test {

// The framework's tests pump through the application's own loop.
[[maybe_unused]] inline const bool gPumpThroughApplication =
    (SetPumpStep([] { return Application->ProcessMessage(); }), true);

// Puts the application back in a runnable state after a test terminated it (the quit message is consumed).
inline void ResetApplication() {
    Application->ProcessMessages();
    Application->ResetTerminated();
}

// Records every message that goes through a control's WindowProc, then passes it on; restores on scope exit.
class TWindowProcRecorder {
public:
    TWindowProcRecorder(TControl& control, TMessageRecorder& recorder) : FControl(control), FRecorder(recorder) {
        FPrevious = control.WindowProc;
        control.WindowProc = [this](TMessage& m) {
            HWND wnd = nullptr;
            if (auto* w = dynamic_cast<TWinControl*>(&FControl); w && w->HandleAllocated()) wnd = w->Handle();
            FRecorder.Add(wnd, m.Msg, kSent, m.WParam, m.LParam);
            FPrevious(m);
        };
    }
    ~TWindowProcRecorder() { FControl.WindowProc = FPrevious; }
    TWindowProcRecorder(const TWindowProcRecorder&) = delete;
    TWindowProcRecorder& operator=(const TWindowProcRecorder&) = delete;

private:
    TControl& FControl;
    TMessageRecorder& FRecorder;
    TWndMethod FPrevious;
};

// Captures the standard error report for the test's lifetime.
class TReportCapture {
public:
    TReportCapture() {
        FPrevious = Application->SetErrorReporter([this](const std::wstring& caption, const std::wstring& text) {
            Reports.push_back({caption, text});
        });
    }
    ~TReportCapture() { Application->SetErrorReporter(std::move(FPrevious)); }
    struct TReport {
        std::wstring Caption, Text;
    };
    std::vector<TReport> Reports;

private:
    TApplication::TErrorReporter FPrevious;
};

// Number of windows (top-level and their descendants) of this thread.
inline int ThreadWindowCount() {
    int count = 0;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND wnd, LPARAM lp) -> BOOL {
            auto* n = reinterpret_cast<int*>(lp);
            ++*n;
            ::EnumChildWindows(
                wnd,
                [](HWND, LPARAM lp2) -> BOOL {
                    ++*reinterpret_cast<int*>(lp2);
                    return TRUE;
                },
                lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// Colour of a pixel of a control's client area as painted by WM_PRINTCLIENT into a 32-bit DIB.
class TClientCapture {
public:
    explicit TClientCapture(HWND wnd) {
        RECT r{};
        ::GetClientRect(wnd, &r);
        FWidth = r.right;
        FHeight = r.bottom;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = FWidth;
        bi.bmiHeader.biHeight = -FHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        HDC screen = ::GetDC(nullptr);
        FDC = ::CreateCompatibleDC(screen);
        ::ReleaseDC(nullptr, screen);
        FBitmap = ::CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
        FOld = ::SelectObject(FDC, FBitmap);
        ::SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(FDC), PRF_CLIENT | PRF_ERASEBKGND);
        ::GdiFlush();
    }
    ~TClientCapture() {
        ::SelectObject(FDC, FOld);
        ::DeleteObject(FBitmap);
        ::DeleteDC(FDC);
    }
    // 0x00BBGGRR like a COLORREF.
    COLORREF Pixel(int x, int y) const {
        const std::uint32_t p =
            FBits[static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth) + static_cast<std::size_t>(x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }

private:
    HDC FDC = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
    std::uint32_t* FBits = nullptr;
    int FWidth = 0, FHeight = 0;
};

}  // namespace qd::test
