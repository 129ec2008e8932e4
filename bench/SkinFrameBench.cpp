// Frame benchmark of the form skinner: a full frame paint at 1024 x 768 and 1920 x 1080, a region rebuild, the
// skinned against the unskinned non-client repaint in the same run, and one resize step of a 1920 x 1080 skinned
// window (size, region, paint); a caption button's state change and a new window text, painted alone. Each figure
// is the quickest of its calls. Prints figures; asserts nothing.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "framework/Gdi.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"
#include "support/Files.h"
#include "support/PlainWindow.h"
#include "support/Pump.h"

using namespace qd;
using Clock = std::chrono::steady_clock;

namespace {

using qd::test::PumpPending;

HWND MakeWindow(int w, int h) {
    HWND wnd = qd::test::MakePlainWindow(L"QdSkinFrameBench", L"岚栎在线订单管理系统", w, h);
    ::ShowWindow(wnd, SW_SHOW);
    ::UpdateWindow(wnd);
    PumpPending();
    return wnd;
}

// Time of the quickest of `rounds` calls of `f`: on a shared machine that call is the one least disturbed by
// other work.
template <class F>
double MicrosPer(int rounds, F&& f) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        f(i);
        best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main() {
    TSkinData skin(nullptr);
    {
        skin.SkinPackage = TMemoryStream(qd::test::ReadFileBytes(QD_SKIN_PACKAGE_FILE));
        if (!skin.LoadSkinPackage()) {
            std::printf("skin package did not load\n");
            return 1;
        }
    }
    const long gdiStart = GdiLiveCounts().Total();
    std::printf("skin_frame_bench (Wine, times in microseconds per operation)\n");
    char screenText[64];
    {
        TWindowDC screen(nullptr);
        std::snprintf(screenText, sizeof screenText, "%dx%d at %d bits per pixel", ::GetSystemMetrics(SM_CXSCREEN),
                      ::GetSystemMetrics(SM_CYSCREEN), ::GetDeviceCaps(screen, BITSPIXEL));
        DWORD_PTR mine = 0, all = 0;
        ::GetProcessAffinityMask(::GetCurrentProcess(), &mine, &all);
        std::printf("screen %s; CPUs this process may use: %#llx of %#llx\n", screenText,
                    static_cast<unsigned long long>(mine), static_cast<unsigned long long>(all));
    }

    for (SIZE size : {SIZE{1024, 768}, SIZE{1920, 1080}}) {
        HWND wnd = MakeWindow(size.cx, size.cy);
        HWND plain = MakeWindow(size.cx, size.cy);
        TSkinForm skinner(nullptr, wnd, nullptr);
        skinner.AttachWindow(&skin);
        ::SendMessageW(wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
        PumpPending();
        RECT wr{};
        ::GetWindowRect(wnd, &wr);
        // Figures are labelled with the size the window got: the platform keeps a sizable window within the
        // screen (plus its frame), so on a small screen a 1920 x 1080 window is smaller than asked.
        char label[32];
        std::snprintf(label, sizeof label, "%ldx%ld", wr.right - wr.left, wr.bottom - wr.top);
        std::printf("%-9s window (asked for %ldx%ld) on a screen of %s\n", label, size.cx, size.cy, screenText);

        TWindowDC screen(nullptr);
        TBitmapHandle target(::CreateCompatibleBitmap(screen, wr.right - wr.left, wr.bottom - wr.top));
        TMemoryDC mem(screen);
        HGDIOBJ old = ::SelectObject(mem, target.Get());
        const int rounds = 200;
        skinner.PaintFrame(mem);  // warm-up
        const double paintMem = MicrosPer(rounds, [&](int) { skinner.PaintFrame(mem); });
        const int H = wr.bottom - wr.top, W = wr.right - wr.left;
        const TFrameMetrics& frame = skinner.View().Frame;
        const double side = MicrosPer(rounds, [&](int) {
            skinner.PaintBorder(TBorderPart::Left, RECT{0, 0, frame.Left, H}, mem);
        });
        const double bottom = MicrosPer(rounds, [&](int) {
            skinner.PaintBorder(TBorderPart::Bottom, RECT{frame.Left, H - frame.Bottom, W - frame.Right, H}, mem);
        });
        const double title = MicrosPer(rounds, [&](int) { skinner.PaintTitle(mem); });
        const RECT area{frame.Left, 0, W - frame.Right, frame.Top};
        const double caption = MicrosPer(rounds, [&](int) { skinner.PaintCaption(mem, area); });
        const double buttons = MicrosPer(rounds, [&](int) { skinner.PaintSysButtons(mem); });
        const double place = MicrosPer(rounds, [&](int) { skinner.PlaceSysButtons(); });
        const double icon = MicrosPer(rounds, [&](int) { skinner.DrawIcon(mem, 4, 4); });
        std::printf("%-9s   title parts: caption %.1f, buttons %.1f (icon %.1f), placing %.1f\n", label, caption,
                    buttons, icon, place);
        ::SelectObject(mem, old);
        std::printf("%-9s   parts: side border %.1f, bottom border %.1f, title with caption and buttons %.1f\n", label,
                    side, bottom, title);
        const double paintWindow = MicrosPer(rounds, [&](int) { skinner.PaintFrame(); });
        // The region for this size made from the skin and handed to the window with a redraw, as a resize does;
        // made alone; and dropped and rebuilt (the drop forgets the composed frame: the redraw composes it anew).
        const double region =
            MicrosPer(rounds, [&](int) { ::SetWindowRgn(wnd, skinner.MakeRegion(W, H).Release(), TRUE); });
        const double regionMade = MicrosPer(rounds, [&](int) { TRegionHandle made = skinner.MakeRegion(W, H); });
        const double regionDropped = MicrosPer(rounds, [&](int) {
            skinner.DropRegion();
            skinner.UpdateRegion();
        });
        const double skinnedNc = MicrosPer(rounds, [&](int) { ::SendMessageW(wnd, WM_NCPAINT, 1, 0); });
        const double plainNc = MicrosPer(rounds, [&](int) { ::SendMessageW(plain, WM_NCPAINT, 1, 0); });
        std::printf("%-9s full frame paint: %8.1f (memory DC) %8.1f (window DC)\n", label, paintMem, paintWindow);
        // Baseline: the platform's own cost of handing a window a plain rectangular region with a redraw.
        const double platformRegion =
            MicrosPer(rounds, [&](int i) { ::SetWindowRgn(plain, ::CreateRectRgn(0, 0, W - (i % 2), H), TRUE); });
        ::SetWindowRgn(plain, nullptr, TRUE);
        std::printf("%-9s region rebuild:   %8.1f (SetWindowRgn of a plain rectangle alone: %.1f), ratio %.2f\n", label,
                    region, platformRegion, platformRegion > 0 ? region / platformRegion : 0.0);
        std::printf("%-9s region made alone %6.1f; dropped and rebuilt with a frame composed anew %.1f\n", label,
                    regionMade, regionDropped);
        std::printf("%-9s WM_NCPAINT skinned %8.1f, unskinned %8.1f, ratio %.2f\n", label, skinnedNc, plainNc,
                    plainNc > 0 ? skinnedNc / plainNc : 0.0);
        // What changes alone is painted alone: one caption button going hot and back, and a new window text.
        TWinSysButton* close = nullptr;
        for (auto& b : skinner.View().SysButtons)
            if (b->Visible && b->Data->Action == 0) close = b.get();
        if (close) {
            const double hot = MicrosPer(rounds, [&](int i) { skinner.PaintSysButtonState(*close, i % 2 ? 1 : 3); });
            std::printf("%-9s caption button state paint: %8.1f\n", label, hot);
        }
        const wchar_t* titles[] = {L"岚栎在线订单管理系统", L"岚栎在线订单管理系统 - 订单"};
        const double skinnedText = MicrosPer(rounds, [&](int i) { ::SetWindowTextW(wnd, titles[i % 2]); });
        const double plainText = MicrosPer(rounds, [&](int i) { ::SetWindowTextW(plain, titles[i % 2]); });
        std::printf("%-9s WM_SETTEXT skinned %8.1f, unskinned %8.1f, ratio %.2f\n", label, skinnedText, plainText,
                    plainText > 0 ? skinnedText / plainText : 0.0);

        if (size.cx == 1920) {
            const int steps = 60;
            const int paintsBefore = skinner.View().Painted.FullPaints;
            const double resize = MicrosPer(steps, [&](int i) {
                const int d = (i % 2) ? 0 : 8;
                ::SetWindowPos(wnd, nullptr, 0, 0, (wr.right - wr.left) - d, (wr.bottom - wr.top) - d,
                               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                ::UpdateWindow(wnd);
            });
            std::printf("%-9s resize step (size, region, paint): %8.1f (%.2f ms), frame paints per step %.2f\n", label,
                        resize, resize / 1000.0,
                        static_cast<double>(skinner.View().Painted.FullPaints - paintsBefore) / steps);
        }
        skinner.Detach();
        ::DestroyWindow(wnd);
        ::DestroyWindow(plain);
        PumpPending();
    }
    std::printf("live GDI handles (our owners): %ld at start, %ld at end\n", gdiStart, GdiLiveCounts().Total());
    return 0;
}
