#include "browser/ShellDde.h"

#include <dde.h>

#include <cstring>
#include <cwchar>
#include <new>
#include <utility>

#include "framework/CallbackEdge.h"
#include "framework/SystemLibrary.h"

namespace qd {

namespace {

constexpr wchar_t InitiationClassName[] = L"QdShellDdeInitiation";

// Nesting depth of explore/find requests out with the shell, process-wide (one GUI thread).
int GBusyDepth = 0;

class TBusyScope {
public:
    TBusyScope() noexcept { ++GBusyDepth; }
    ~TBusyScope() { --GBusyDepth; }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};

// A library of the system folder, loaded on first use and kept until the program ends. A failed load is retried next
// time.
class TLazyLibrary {
public:
    explicit TLazyLibrary(const wchar_t* name) noexcept : FName(name) {}
    ~TLazyLibrary() {
        if (FModule != nullptr) FreeLibrary(FModule);
    }
    TLazyLibrary(const TLazyLibrary&) = delete;
    TLazyLibrary& operator=(const TLazyLibrary&) = delete;

    FARPROC Ordinal(WORD ordinal) noexcept {
        if (FModule == nullptr) {
            FModule = LoadSystemLibrary(FName);
            if (FModule == nullptr) return nullptr;
        }
        return GetProcAddress(FModule, MAKEINTRESOURCEA(ordinal));
    }

private:
    const wchar_t* FName;
    HMODULE FModule = nullptr;
};

TLazyLibrary& Shell32() {
    static TLazyLibrary library(L"shell32.dll");
    return library;
}

using TSHLockShared = void*(WINAPI*)(HANDLE, DWORD);
using TSHUnlockShared = BOOL(WINAPI*)(void*);
using TSHFreeShared = BOOL(WINAPI*)(HANDLE, DWORD);

// The command text of a locked WM_DDE_EXECUTE block, never reading past its size. The text is wide when
// both windows are Unicode windows, else in the ANSI code page.
std::wstring ReadCommandText(const void* data, SIZE_T size, bool wide) {
    if (wide) {
        const auto* chars = static_cast<const wchar_t*>(data);
        return std::wstring(chars, wcsnlen(chars, size / sizeof(wchar_t)));
    }
    const auto* chars = static_cast<const char*>(data);
    const std::size_t length = strnlen(chars, size);
    if (length == 0 || length > static_cast<std::size_t>(INT32_MAX)) return {};
    const int count = MultiByteToWideChar(CP_ACP, 0, chars, static_cast<int>(length), nullptr, 0);
    if (count <= 0) return {};
    std::wstring text(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_ACP, 0, chars, static_cast<int>(length), text.data(), count);
    return text;
}

bool DefaultShellExecute(SHELLEXECUTEINFOW& info) { return ShellExecuteExW(&info) != FALSE; }

HINSTANCE ModuleInstance() noexcept { return GetModuleHandleW(nullptr); }

}  // namespace

// ---- Names ---------------------------------------------------------------------------------------------

std::optional<std::wstring> TRegistryShellDdeRegistry::DefaultValue(std::wstring_view subKey) const {
    const std::wstring path = FPrefix + std::wstring(subKey);
    DWORD bytes = 0;
    LONG rc = RegGetValueW(FRoot, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes);
    for (int attempt = 0; attempt < 4 && rc == ERROR_SUCCESS; ++attempt) {
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        rc = RegGetValueW(FRoot, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            bytes = size;
            rc = ERROR_SUCCESS;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        text.resize(wcsnlen(text.c_str(), text.size()));
        return text;
    }
    return std::nullopt;
}

TShellDdeNames ReadShellDdeNames(const IShellDdeRegistry& registry) {
    const auto value = [&](std::wstring_view key) { return registry.DefaultValue(key).value_or(L""); };
    TShellDdeNames names;
    names.HtmlApplication = value(L"htmlfile\\shell\\open\\ddeexec\\application");
    names.HtmlTopic = value(L"htmlfile\\shell\\open\\ddeexec\\topic");
    names.FolderApplication = value(L"Folder\\shell\\open\\ddeexec\\application");
    names.FolderTopic = value(L"Folder\\shell\\open\\ddeexec\\topic");
    names.OpenCommand = DdeCommandName(value(L"Folder\\shell\\open\\ddeexec"));
    names.ExploreCommand = DdeCommandName(value(L"Folder\\shell\\explore\\ddeexec"));
    names.FindCommand = DdeCommandName(value(L"Directory\\shell\\find\\ddeexec"));
    return names;
}

// ---- Shared-memory ID lists ------------------------------------------------------------------------------

TItemIdList TakeSharedItemIdList(HANDLE shared, DWORD processId) noexcept {
    auto lock = reinterpret_cast<TSHLockShared>(Shell32().Ordinal(521));
    auto unlock = reinterpret_cast<TSHUnlockShared>(Shell32().Ordinal(522));
    auto free = reinterpret_cast<TSHFreeShared>(Shell32().Ordinal(523));
    if (lock == nullptr || unlock == nullptr || free == nullptr || shared == nullptr) return {};
    // The shell allocates the block for its receiver: a number naming any other process would have us map
    // and close a handle of that process.
    if (processId != GetCurrentProcessId()) return {};

    void* block = lock(shared, processId);
    if (block == nullptr) return {};
    // The block's own length field is not to be trusted: walk only the bytes the view really maps.
    TItemIdList list;
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(block, &info, sizeof info) == sizeof info && info.State == MEM_COMMIT) {
        const auto* start = static_cast<const std::uint8_t*>(block);
        const auto* end = static_cast<const std::uint8_t*>(info.BaseAddress) + info.RegionSize;
        if (end > start) list = TItemIdList::CopyFrom(block, static_cast<std::size_t>(end - start));
    }
    unlock(block);
    free(shared, processId);
    return list;
}

// ---- Server ----------------------------------------------------------------------------------------------

TShellDdeServer::TShellDdeServer(IShellDdeTarget& target, TShellDdeNames names, TShellExecuteFunction shellExecute)
    : FTarget(target), FNames(std::move(names)), FShellExecute(std::move(shellExecute)) {
    if (!FShellExecute) FShellExecute = DefaultShellExecute;
    static bool classReady = false;
    if (!classReady) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = InitiationProc;
        windowClass.hInstance = ModuleInstance();
        windowClass.lpszClassName = InitiationClassName;
        classReady = RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    // A hidden top-level window: WM_DDE_INITIATE is broadcast to top-level windows only.
    FWindow = CreateWindowExW(WS_EX_TOOLWINDOW, InitiationClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              ModuleInstance(), this);
    if (FWindow == nullptr) throw EShellDdeError("Cannot create the DDE initiation window");
}

TShellDdeServer::~TShellDdeServer() {
    const HWND host = FTarget.DdeWindow();
    for (const auto& conversation : FConversations) {
        if (IsWindow(conversation.Client)) {
            PostMessageW(conversation.Client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(host), 0);
        }
    }
    FConversations.clear();
    if (FWindow != nullptr) DestroyWindow(FWindow);
}

bool TShellDdeServer::Busy() noexcept { return GBusyDepth > 0; }

LRESULT CALLBACK TShellDdeServer::InitiationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    auto* server = reinterpret_cast<TShellDdeServer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_DDE_INITIATE:
            if (server != nullptr && server->FTarget.EnableDDE()) {
                server->OnInitiate(reinterpret_cast<HWND>(wParam), lParam);
                return 0;
            }
            break;
        case WM_NCDESTROY:
            // Late messages must not reach a server that is going away.
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            if (server != nullptr) server->FWindow = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TShellDdeServer::OnInitiate(HWND client, LPARAM lParam) noexcept {
    if (Busy()) return;
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(client, &processId);
    if (threadId == 0 || threadId != GetCurrentThreadId() || processId != GetCurrentProcessId()) return;
    const HWND host = FTarget.DdeWindow();
    if (host == nullptr) return;

    // WM_DDE_INITIATE is not packed: application atom low, topic atom high.
    const ATOM requestedApplication = LOWORD(lParam);
    const ATOM requestedTopic = HIWORD(lParam);
    wchar_t name[256] = {};
    if (requestedApplication != 0) GlobalGetAtomNameW(requestedApplication, name, 256);

    const bool html = !FNames.HtmlApplication.empty() && FNames.HtmlApplication == name;
    const std::wstring& application = html ? FNames.HtmlApplication : FNames.FolderApplication;
    const std::wstring& topic = html ? FNames.HtmlTopic : FNames.FolderTopic;
    const ATOM replyApplication = application.empty() ? 0 : GlobalAddAtomW(application.c_str());
    const ATOM replyTopic = topic.empty() ? 0 : GlobalAddAtomW(topic.c_str());
    if (replyApplication != 0 && replyTopic != 0 && replyApplication == requestedApplication &&
        replyTopic == requestedTopic) {
        // Record the partner before the acknowledgement: the client may post its first command at once.
        const TDdeMode mode = html ? TDdeMode::dmHtml : TDdeMode::dmFolder;
        if (TConversation* existing = FindConversation(client)) {
            existing->Mode = mode;
        } else {
            try {
                // Partners that went away without a terminate leave no stale entries behind.
                std::erase_if(FConversations, [](const TConversation& c) { return !IsWindow(c.Client); });
                FConversations.push_back({client, mode});
            } catch (const std::bad_alloc&) {
                GlobalDeleteAtom(replyApplication);
                GlobalDeleteAtom(replyTopic);
                return;  // no room to remember the partner: no conversation
            }
        }
        // The atoms of an acknowledgement to WM_DDE_INITIATE belong to the client, which deletes them.
        // Deleting them here as well would drop the reference the client's own request still holds.
        SendMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(host), MAKELPARAM(replyApplication, replyTopic));
        return;
    }
    if (replyApplication != 0) GlobalDeleteAtom(replyApplication);
    if (replyTopic != 0) GlobalDeleteAtom(replyTopic);
}

bool TShellDdeServer::HandleHostMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_DDE_EXECUTE:
            OnExecute(reinterpret_cast<HWND>(wParam), lParam);
            return true;
        case WM_DDE_TERMINATE:
            OnTerminate(reinterpret_cast<HWND>(wParam));
            return true;
        default:
            return false;
    }
}

TShellDdeServer::TConversation* TShellDdeServer::FindConversation(HWND client) noexcept {
    for (auto& conversation : FConversations) {
        if (conversation.Client == client) return &conversation;
    }
    return nullptr;
}

void TShellDdeServer::OnExecute(HWND client, LPARAM lParam) noexcept {
    // Only a partner acknowledged at initiation, and only while DDE is enabled; anything else is ignored.
    const TConversation* conversation = FindConversation(client);
    if (conversation == nullptr || !FTarget.EnableDDE()) return;
    const TDdeMode mode = conversation->Mode;

    UINT_PTR unusedLow = 0;
    UINT_PTR commandsBits = 0;
    if (!UnpackDDElParam(WM_DDE_EXECUTE, lParam, &unusedLow, &commandsBits)) return;
    const auto commands = reinterpret_cast<HGLOBAL>(commandsBits);

    WORD status = StatusFailed;
    if (commands != nullptr) {
        if (const void* data = GlobalLock(commands)) {
            // A failed navigation or an exhausted allocator fails this command only.
            status = CallSwallowing(StatusFailed, [&] {
                const bool wide = IsWindowUnicode(client) && IsWindowUnicode(FTarget.DdeWindow());
                return RunCommand(mode, ReadCommandText(data, GlobalSize(commands), wide));
            });
            GlobalUnlock(commands);
        }
    }

    // The command handle goes back with the acknowledgement so that the client can free it.
    const LPARAM ack = ReuseDDElParam(lParam, WM_DDE_EXECUTE, WM_DDE_ACK, status, commandsBits);
    if (!PostMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(FTarget.DdeWindow()), ack)) {
        FreeDDElParam(WM_DDE_ACK, ack);
    }
}

void TShellDdeServer::OnTerminate(HWND client) noexcept {
    // Only a conversation partner gets the closing terminate; a stranger's message names no conversation.
    for (auto it = FConversations.begin(); it != FConversations.end(); ++it) {
        if (it->Client == client) {
            FConversations.erase(it);
            PostMessageW(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(FTarget.DdeWindow()), 0);
            return;
        }
    }
}

WORD TShellDdeServer::RunCommand(TDdeMode mode, const std::wstring& text) {
    if (mode == TDdeMode::dmHtml) {
        const std::wstring url = ParseHtmlCommand(text);
        if (url.empty()) return StatusFailed;
        FTarget.NavigateDdeUrl(url);
        return StatusDone;
    }
    return RunFolderCommand(ParseFolderCommand(text, FNames));
}

WORD TShellDdeServer::RunFolderCommand(const TShellDdeCommand& command) {
    if (command.Kind == TShellDdeCommandKind::ckNone) return StatusFailed;
    const TItemIdList idList =
        command.HasSharedIdList
            ? TakeSharedItemIdList(reinterpret_cast<HANDLE>(command.SharedHandle), command.ProcessId)
            : TItemIdList{};

    if (command.Kind == TShellDdeCommandKind::ckOpen) {
        if (!command.Path.empty()) {
            FTarget.NavigateDdeUrl(command.Path);
            return StatusDone;
        }
        if (idList) {
            FTarget.NavigateDdeIdList(idList);
            return StatusDone;
        }
        return StatusFailed;  // nothing to open
    }

    if (command.Path.empty() && !idList) return StatusFailed;
    const bool explore = command.Kind == TShellDdeCommandKind::ckExplore;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    if (!command.Path.empty()) {
        info.fMask = explore ? SEE_MASK_CLASSNAME : 0;
        info.lpFile = command.Path.c_str();
    } else {
        info.fMask = explore ? (SEE_MASK_IDLIST | SEE_MASK_CLASSNAME) : SEE_MASK_IDLIST;
        info.lpIDList = const_cast<ITEMIDLIST*>(reinterpret_cast<const ITEMIDLIST*>(idList.Get()));
    }
    info.lpClass = explore ? L"folder" : nullptr;
    info.lpVerb = explore ? L"explore" : L"find";
    info.hwnd = nullptr;
    info.nShow = command.ShowCommand;
    bool done = false;
    {
        TBusyScope busy;
        done = FShellExecute(info);
    }
    return done ? StatusDone : StatusFailed;
}

}  // namespace qd
