#pragma once
// The gallery's window opened in the test process as the program opens it, and the skin switched on it.

#include <windows.h>

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/FrameworkTestSupport.h"
#include "gallery/Gallery_Frm.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinManage.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"

namespace qd::test {

inline bool SkinnedWindow(HWND wnd) { return ::SendMessageW(wnd, WM_SKIN_QUERY, 0, 0) == 1; }

inline const TSkinForm* GallerySkinner() {
    TSkinManage* manager = TSkinManage::Instance();
    return manager ? dynamic_cast<const TSkinForm*>(manager->FindFormSkinner(Form_Gallery->Handle())) : nullptr;
}

// The skinner of a windowed control of the gallery, or null.
inline TSkinControl* SkinnerOf(HWND wnd) {
    if (const TSkinForm* form = GallerySkinner())
        for (ISkinControlItem* item : form->View().Controls)
            if (auto* skinner = dynamic_cast<TSkinControl*>(item); skinner && skinner->Window() == wnd) return skinner;
    return nullptr;
}

template <class T = TWinControl>
T* GalleryControl(const char* name) {
    return dynamic_cast<T*>(Form_Gallery->FindComponent(name));
}

// Opens the gallery as the program does; unskinned, the skin is switched off before the window first shows, so
// what it looks like before any skinner touched it can be taken.
inline void OpenGallery(bool skinned) {
    TSkinManage::InstallAsFactory();
    Application->CreateForm(Form_Gallery);
    ASSERT_NE(Form_Gallery, nullptr);
    if (!skinned) Form_Gallery->SetSkinned(false);
    Form_Gallery->Show();
    ::SetForegroundWindow(Form_Gallery->Handle());
    ASSERT_TRUE(PumpUntil([&] { return SkinnedWindow(Form_Gallery->Handle()) == skinned; }));
    PumpPending();  // the control dispatch and the first paint
}

inline void CloseGallery() {
    delete Form_Gallery;
    DestroySkinManager();
    ResetApplication();
}

// Switches the skin as the F2 key does and runs the manager's deferred action at once.
inline void SwitchSkin(bool on) {
    Form_Gallery->SetSkinned(on);
    TSkinManage::Instance()->ActionTimerTick();
    PumpPending();
}

}  // namespace qd::test
