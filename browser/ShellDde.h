#pragma once
// The shell DDE server of the browser host. When the host's EnableDDE is set it answers the shell's DDE
// conversations started on the host's own thread: HTML files and URLs open in the embedded browser, folders
// are navigated to there, and explore/find requests go back to the shell.
//
// Conversations are started by a WM_DDE_INITIATE broadcast that a hidden top-level window receives (a
// message-only window would get no broadcasts); the rest of the conversation is carried by the host's own
// window, whose procedure hands WM_DDE_EXECUTE and WM_DDE_TERMINATE to HandleHostMessage.
//
// Commands are untrusted text from another window. Only clients this server acknowledged get their
// commands carried out, ID lists come only from the shell's shared-memory form and are walked within the
// mapped bytes, and every locked command is unlocked and acknowledged.

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/ItemIdList.h"
#include "browser/ShellDdeParsing.h"
#include "framework/Exception.h"

namespace qd {

class EShellDdeError : public Exception {
public:
    using Exception::Exception;
};

// Reads default values of keys under HKEY_CLASSES_ROOT (or a stand-in root for tests).
class IShellDdeRegistry {
public:
    virtual ~IShellDdeRegistry() = default;
    // The default string value of `subKey`; nullopt when the key or the value is missing or not a string.
    virtual std::optional<std::wstring> DefaultValue(std::wstring_view subKey) const = 0;
};

class TRegistryShellDdeRegistry final : public IShellDdeRegistry {
public:
    TRegistryShellDdeRegistry() = default;
    // Keys are looked up as `prefix` + subKey under `root` (e.g. a scratch key of HKEY_CURRENT_USER).
    TRegistryShellDdeRegistry(HKEY root, std::wstring prefix) : FRoot(root), FPrefix(std::move(prefix)) {}
    std::optional<std::wstring> DefaultValue(std::wstring_view subKey) const override;

private:
    HKEY FRoot = HKEY_CLASSES_ROOT;
    std::wstring FPrefix;
};

// Reads the seven names; each one that is missing stays empty.
TShellDdeNames ReadShellDdeNames(const IShellDdeRegistry& registry);

// What the server needs of the browser host.
class IShellDdeTarget {
public:
    // The host's window: it carries the conversations and receives WM_DDE_EXECUTE / WM_DDE_TERMINATE.
    virtual HWND DdeWindow() const noexcept = 0;
    virtual bool EnableDDE() const noexcept = 0;
    // Navigations may raise qd::Exception; the server reports them to the client as a failed command.
    virtual void NavigateDdeUrl(const std::wstring& url) = 0;
    virtual void NavigateDdeIdList(const TItemIdList& list) = 0;

protected:
    ~IShellDdeTarget() = default;
};

// Hands an explore or find request to the shell; ShellExecuteExW unless a test supplies another.
using TShellExecuteFunction = std::function<bool(SHELLEXECUTEINFOW&)>;

// One per browser host, created at the host's construction with the machine's names:
//     TShellDdeServer(host, ReadShellDdeNames(TRegistryShellDdeRegistry()))
// and destroyed before the host's window.
class TShellDdeServer {
public:
    // Creates the hidden initiation window; raises EShellDdeError when it cannot be created.
    TShellDdeServer(IShellDdeTarget& target, TShellDdeNames names, TShellExecuteFunction shellExecute = {});
    // Ends the conversations still open (WM_DDE_TERMINATE to each client) and destroys the hidden window.
    ~TShellDdeServer();
    TShellDdeServer(const TShellDdeServer&) = delete;
    TShellDdeServer& operator=(const TShellDdeServer&) = delete;

    HWND InitiationWindow() const noexcept { return FWindow; }
    const TShellDdeNames& Names() const noexcept { return FNames; }
    std::size_t ConversationCount() const noexcept { return FConversations.size(); }

    // For the host's window procedure: handles WM_DDE_EXECUTE and WM_DDE_TERMINATE (result 0) and returns
    // true; returns false for every other message. Never throws.
    bool HandleHostMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    // True while a server of this process has an explore or find request out with the shell; initiations
    // are ignored meanwhile so that the shell's own DDE request is not captured.
    static bool Busy() noexcept;

    // Status words of the acknowledgement of WM_DDE_EXECUTE.
    static constexpr WORD StatusDone = 0x8000;  // fAck
    static constexpr WORD StatusFailed = 0;

private:
    enum class TDdeMode { dmHtml, dmFolder };
    struct TConversation {
        HWND Client;
        TDdeMode Mode;
    };

    static LRESULT CALLBACK InitiationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitiate(HWND client, LPARAM lParam) noexcept;
    void OnExecute(HWND client, LPARAM lParam) noexcept;
    void OnTerminate(HWND client) noexcept;
    WORD RunCommand(TDdeMode mode, const std::wstring& text);
    WORD RunFolderCommand(const TShellDdeCommand& command);
    TConversation* FindConversation(HWND client) noexcept;

    IShellDdeTarget& FTarget;
    TShellDdeNames FNames;
    TShellExecuteFunction FShellExecute;
    HWND FWindow = nullptr;
    std::vector<TConversation> FConversations;
};

// An ID list from the shell's shared memory (shell32 ordinals 521-523, SHLockShared and friends), copied
// within the mapped bytes. Only a block for this process (`processId` is this process's number) is taken:
// any other number is ignored, so no handle of another process is ever mapped or closed. The block is freed
// only when it could be locked, so a number that names some other handle of this process is never closed.
// Empty when the number is not this process's, the block cannot be locked or its list is malformed.
TItemIdList TakeSharedItemIdList(HANDLE shared, DWORD processId) noexcept;

}  // namespace qd
