#include "gallery/Gallery_Frm.h"

#include <filesystem>

#include "framework/Properties.h"
#include "framework/Resources.h"
#include "skin/data/SkinData.h"

namespace qd {

TForm_Gallery* Form_Gallery = nullptr;

TForm_Gallery::TForm_Gallery(TComponent* AOwner) : TForm(AOwner) {
    // The description names the framework's controls and the skin data component.
    RegisterFrameworkClasses();
    RegisterSkinDataClasses();
    ReadStoredForm(LoadFormResource(ClassName()), "Form_Gallery");
}

TForm_Gallery::~TForm_Gallery() {
    if (Form_Gallery == this) Form_Gallery = nullptr;
}

void TForm_Gallery::Loaded() {
    TForm::Loaded();
    if (!SkinData_Main) throw Exception("the skin data component SkinData_Main is missing");
    if (!MenuItem_Skin) throw Exception("the menu item MenuItem_Skin is missing");
    if (!StatusBar_Gallery || StatusBar_Gallery->Panels().Count() < 2)
        throw Exception("the status bar StatusBar_Gallery with two panels is missing");
    ShowSkinState();
}

bool TForm_Gallery::Skinned() const { return SkinData_Main->Active(); }

void TForm_Gallery::SetSkinned(bool value) {
    SkinData_Main->SetActive(value);
    ShowSkinState();
}

void TForm_Gallery::ShowSkinState() {
    const bool on = Skinned();
    MenuItem_Skin->SetChecked(on);
    StatusBar_Gallery->Panels()[1]->SetText(on ? L"皮肤：开 Skin: on" : L"皮肤：关 Skin: off");
    SetCaption(L"岚栎皮肤画廊 Skin Gallery - " + FSkinName);
}

bool TForm_Gallery::LoadSkinFile(const std::wstring& path) {
    TMemoryStream builtIn = SkinData_Main->SkinPackage;
    SkinData_Main->SetSkinFile(WideToUtf8(path));
    if (SkinData_Main->SkinEmpty) {
        // Not a package we can read: the built-in skin again.
        SkinData_Main->SkinPackage = std::move(builtIn);
        SkinData_Main->LoadSkinPackage();
        SkinData_Main->ApplySkinChange();
        return false;
    }
    FSkinName = std::filesystem::path(path).filename().wstring();
    ShowSkinState();
    return true;
}

void TForm_Gallery::SkinSwitchClick(TObject*) { SetSkinned(!Skinned()); }

void TForm_Gallery::ExitClick(TObject*) { Close(); }

const TClassInfo& TForm_Gallery::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TForm_Gallery>("TForm_Gallery", &TForm::StaticClassInfo())
                                       .Field("SkinData_Main", &TForm_Gallery::SkinData_Main)
                                       .Field("MenuItem_Skin", &TForm_Gallery::MenuItem_Skin)
                                       .Field("StatusBar_Gallery", &TForm_Gallery::StatusBar_Gallery)
                                       .Handler<TNotifyEvent>("SkinSwitchClick", &TForm_Gallery::SkinSwitchClick)
                                       .Handler<TNotifyEvent>("ExitClick", &TForm_Gallery::ExitClick)
                                       .Factory(nullptr);
    return info;
}

}  // namespace qd
