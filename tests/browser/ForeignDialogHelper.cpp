// A dialog window ("#32770") in a process of its own, for the browser host's tests.
//   ForeignDialogHelper <caption>
// It shows the window and takes messages until the window is closed (or 60 s pass).

#include <windows.h>
#include <shellapi.h>

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) return 1;
    const HWND dialog = CreateWindowExW(0, L"#32770", argv[1], WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 200, 100,
                                        nullptr, nullptr, nullptr, nullptr);
    LocalFree(argv);
    if (dialog == nullptr) return 2;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (IsWindow(dialog) && GetTickCount64() < deadline) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_CLOSE || (msg.hwnd == dialog && msg.message == WM_USER)) DestroyWindow(dialog);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return 0;
}
