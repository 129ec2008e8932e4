// The skin gallery: one window with every control the skin paints, skinned by our skin or by the skin package
// named as the first argument ("SkinGallery.exe other.skn"). A package that cannot be read is reported and the
// built-in skin stays.

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "framework/Application.h"
#include "gallery/Gallery_Frm.h"
#include "skin/controls/SkinManage.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    using namespace qd;
    std::wstring skinFile;
    int argc = 0;
    if (LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc)) {
        if (argc > 1) skinFile = argv[1];
        ::LocalFree(argv);
    }
    try {
        TSkinManage::InstallAsFactory();
        Application->SetTitle(L"岚栎皮肤画廊");
        Application->CreateForm(Form_Gallery);
        if (!skinFile.empty() && !Form_Gallery->LoadSkinFile(skinFile))
            ::MessageBoxW(nullptr, (L"无法读取皮肤文件 Cannot read the skin package:\n" + skinFile).c_str(),
                          L"岚栎皮肤画廊", MB_OK | MB_ICONWARNING);
    } catch (...) {
        HandleCurrentException();
        Application->DestroyComponents();
        return 1;
    }
    Application->Run();
    Application->DestroyComponents();
    return 0;
}
