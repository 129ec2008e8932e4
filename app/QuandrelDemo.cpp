// Program entry: the application object with the system's title and icon, the main window from its stored
// description, and the message loop until the main window has closed. No argument, environment variable or
// configuration file is read.

#include <windows.h>

#include "app/AppConstants.h"
#include "app/Main_Frm.h"
#include "framework/Application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    using namespace qd;
    // OLE initialisation for the browser host's control belongs here, before the main window is created.
    try {
        Application->SetTitle(kAppTitle);
        // Shared icon (LR_SHARED): the system keeps it for the process's lifetime; forms without an icon of
        // their own show it.
        Application->SetIcon(static_cast<HICON>(::LoadImageW(instance, L"MAINICON", IMAGE_ICON, 0, 0,
                                                             LR_DEFAULTSIZE | LR_SHARED)));
        Application->CreateForm(Form_Main);
    } catch (...) {
        // A description that cannot be read ends the start-up, reported like any other error.
        HandleCurrentException();
        return 1;
    }
    Application->Run();
    return 0;
}
