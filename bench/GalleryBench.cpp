// The skin gallery's window, every control kind the skin paints:
//  - skin: the time to skin the whole shown gallery (form skinner attached, every control skinner made and
//    attached, the first paint), against switching the skin off again;
//  - repaint: one full repaint of the window and all its children (RedrawWindow with RDW_ALLCHILDREN and
//    RDW_UPDATENOW), skinned against unskinned.
// All in one process, the quickest of the rounds (the figure least disturbed by other work on the machine).
// Prints figures; asserts nothing.
//
//   gallery_bench [rounds]

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "framework/Application.h"
#include "gallery/Gallery_Frm.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinManage.h"
#include "support/Pump.h"

using namespace qd;

namespace {

// Milliseconds one call of `work` took, everything it posted handled.
double Time(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    test::PumpPending();
    ::GdiFlush();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void SwitchSkin(bool on) {
    Form_Gallery->SetSkinned(on);
    TSkinManage::Instance()->ActionTimerTick();
}

void Repaint() {
    ::RedrawWindow(Form_Gallery->Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    TSkinManage::InstallAsFactory();
    Application->CreateForm(Form_Gallery);
    Form_Gallery->SetSkinned(false);
    Form_Gallery->Show();
    ::SetForegroundWindow(Form_Gallery->Handle());
    test::PumpPending();

    double skinOn = 1e9, skinOff = 1e9, paintPlain = 1e9, paintSkinned = 1e9;
    int skinners = 0;
    for (int i = 0; i < rounds; ++i) {
        paintPlain = std::min(paintPlain, Time(Repaint));
        skinOn = std::min(skinOn, Time([] { SwitchSkin(true); }));
        skinners = TSkinControl::LiveCount();
        paintSkinned = std::min(paintSkinned, Time(Repaint));
        skinOff = std::min(skinOff, Time([] { SwitchSkin(false); }));
    }
    std::printf("gallery: %d control skinners, quickest of %d rounds\n", skinners, rounds);
    std::printf("  skin the whole gallery     %8.2f ms   (switch it off again %8.2f ms)\n", skinOn, skinOff);
    std::printf("  full repaint, unskinned    %8.2f ms\n", paintPlain);
    std::printf("  full repaint, skinned      %8.2f ms   (%.2fx)\n", paintSkinned, paintSkinned / paintPlain);
    delete Form_Gallery;
    DestroySkinManager();
    return 0;
}
