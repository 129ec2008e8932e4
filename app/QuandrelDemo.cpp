// Program entry: the application object with the system's title and icon, the main window from its stored
// description, and the message loop until the main window has closed. No argument or configuration file is read;
// two environment variables switch on measuring for the start-up benchmark (app/StartupProbe.h).

#include <windows.h>
#include <ole2.h>

#include "app/AppConstants.h"
#include "app/Main_Frm.h"
#include "app/StartupProbe.h"
#include "framework/Application.h"
#include "skin/controls/SkinManage.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    using namespace qd;
    TStartupProbe probe;
    // The browser host's control needs OLE on this thread before the main window creates it.
    const bool oleStarted = SUCCEEDED(::OleInitialize(nullptr));
    try {
        // The skin data component creates the skin manager when the main form has been read: make it ours.
        TSkinManage::InstallAsFactory();
        Application->SetTitle(kAppTitle);
        // Forms without an icon of their own show the application's.
        Application->Icon().LoadFromResourceName(instance, L"MAINICON");
        Application->CreateForm(Form_Main);
        probe.MainFormCreated(*Form_Main);
    } catch (...) {
        // A description that cannot be read ends the start-up, reported like any other error.
        HandleCurrentException();
        Application->DestroyComponents();
        if (oleStarted) ::OleUninitialize();
        return 1;
    }
    Application->Run();
    // The forms, and the browser host's control with them, go while OLE is still up.
    Application->DestroyComponents();
    if (oleStarted) ::OleUninitialize();
    return 0;
}
