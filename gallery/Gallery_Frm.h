#pragma once
// The skin gallery's window: every kind of control the skin paints, in its states, with a main menu and a context
// menu, all built from the stored description "TFORM_GALLERY". F2, the skin button and the context menu switch
// the skin off and on; a skin package named on the command line replaces the built-in one.

#include <windows.h>

#include <string>

#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

namespace qd {

class TSkinData;

class TForm_Gallery : public TForm {
    QD_CLASS_INFO
public:
    explicit TForm_Gallery(TComponent* AOwner);
    ~TForm_Gallery() override;

    // Published components, set by the stored description.
    TSkinData* SkinData_Main = nullptr;
    TMenuItem* MenuItem_Skin = nullptr;
    TStatusBar* StatusBar_Gallery = nullptr;

    // Event handlers, bound by name from the stored description.
    void SkinSwitchClick(TObject* Sender);
    void ExitClick(TObject* Sender);

    void Loaded() override;

    // Switches the skin off or on, and shows which in the menu, the status bar and the caption.
    void SetSkinned(bool value);
    bool Skinned() const;
    // Replaces the built-in skin with the package in `path`. False (and the built-in skin kept) when the file
    // cannot be read or is not a skin package.
    bool LoadSkinFile(const std::wstring& path);

private:
    void ShowSkinState();
    std::wstring FSkinName = L"xpluna";
};

extern TForm_Gallery* Form_Gallery;

}  // namespace qd
