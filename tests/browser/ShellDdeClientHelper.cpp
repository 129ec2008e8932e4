// A DDE client in a process of its own, started by the shell DDE server tests.
//   ShellDdeClientHelper <application> <topic> <server window as a decimal number>
// It asks for a conversation through DDEML, then posts a raw WM_DDE_EXECUTE straight to the server window
// (as a client that skipped the initiation would) and waits for an acknowledgement.
// Exit code: 0x10 when it ran, plus 0x1 when DdeConnect got a conversation, plus 0x2 when the raw command
// was acknowledged; 0x20 when DDEML could not be initialised.

#include <windows.h>
#include <dde.h>
#include <ddeml.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "support/Pump.h"

namespace {

bool GAcknowledged = false;

HDDEDATA CALLBACK DdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

LRESULT CALLBACK ClientProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DDE_ACK) {
        UINT_PTR status = 0;
        UINT_PTR commands = 0;
        if (UnpackDDElParam(WM_DDE_ACK, lParam, &status, &commands)) FreeDDElParam(WM_DDE_ACK, lParam);
        GAcknowledged = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 4) return 0x40;
    const HWND server = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(_wcstoui64(argv[3], nullptr, 10)));

    int result = 0x10;
    DWORD instance = 0;
    if (DdeInitializeW(&instance, DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 0x20;
    const HSZ application = DdeCreateStringHandleW(instance, argv[1], CP_WINUNICODE);
    const HSZ topic = DdeCreateStringHandleW(instance, argv[2], CP_WINUNICODE);
    if (const HCONV conversation = DdeConnect(instance, application, topic, nullptr)) {
        result |= 0x1;
        DdeDisconnect(conversation);
    }
    DdeFreeStringHandle(instance, application);
    DdeFreeStringHandle(instance, topic);
    DdeUninitialize(instance);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ClientProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QdShellDdeHelperClient";
    RegisterClassExW(&windowClass);
    const HWND client = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        windowClass.hInstance, nullptr);
    const wchar_t command[] = L"\"http://other.process.example/\"";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof command);
    if (client != nullptr && memory != nullptr) {
        std::memcpy(GlobalLock(memory), command, sizeof command);
        GlobalUnlock(memory);
        if (PostMessageW(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client),
                         PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(memory)))) {
            qd::test::PumpUntil([] { return GAcknowledged; }, 1500);
        }
        if (GAcknowledged) result |= 0x2;
        GlobalFree(memory);
    }
    if (client != nullptr) DestroyWindow(client);
    LocalFree(argv);
    return result;
}
