#pragma once
// The program's main window for the benchmarks: built from its stored description under the program's skin
// manager, shown (maximised, as its description says) and skinned, as the program starts it.

#include <windows.h>

#include "app/AppConstants.h"
#include "app/AppTestSupport.h"
#include "app/Main_Frm.h"
#include "framework/Application.h"
#include "skin/controls/SkinManage.h"
#include "skin/form/SkinForm.h"

namespace qd::bench {

// The form skinner the manager put on `wnd`, or null.
inline TSkinForm* Skinner(HWND wnd) {
    TSkinManage* manager = TSkinManage::Instance();
    return manager ? dynamic_cast<TSkinForm*>(manager->FindFormSkinner(wnd)) : nullptr;
}

// Skinned, and the skin has painted the frame.
inline bool SkinnedAndPainted(HWND wnd) {
    TSkinForm* skinner = Skinner(wnd);
    return skinner && skinner->View().Painted.FullPaints > 0;
}

// Creates Form_Main and shows it; false when it was not skinned within 10 s. OLE must be up (browser host).
inline bool ShowSkinnedMainForm() {
    TSkinManage::InstallAsFactory();
    Application->SetTitle(kAppTitle);
    Application->CreateForm(Form_Main);
    Form_Main->Show();
    HWND wnd = Form_Main->Handle();
    return apptest::PumpUntil([&] { return SkinnedAndPainted(wnd); }, 10000);
}

}  // namespace qd::bench
