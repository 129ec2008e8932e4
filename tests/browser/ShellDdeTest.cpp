#include "browser/ShellDde.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <dde.h>
#include <ddeml.h>

#include <atomic>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include "support/ProgramPath.h"
#include "support/Pump.h"
#include "support/SwallowCheck.h"

namespace qd {
namespace {

// Names of our own so that no DDE server of the Wine desktop answers the tests' requests.
TShellDdeNames TestNames() {
    TShellDdeNames names;
    names.HtmlApplication = L"QdIExplore";
    names.HtmlTopic = L"QdWWW_OpenURL";
    names.FolderApplication = L"QdFolder";
    names.FolderTopic = L"QdAppProperties";
    names.OpenCommand = L"ViewFolder";
    names.ExploreCommand = L"ExploreFolder";
    names.FindCommand = L"FindFolder";
    return names;
}

using test::Pump;
using test::PumpUntil;
using test::TakeSwallowed;

HWND CreateBoundWindow(const wchar_t* className, WNDPROC proc, void* object) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);  // fails harmlessly once registered
    return CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, object);
}

template <class T>
T* BoundObject(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The browser host as the server sees it: a window whose procedure hands the DDE messages on, and a record
// of the navigations asked for.
class TTestHost final : public IShellDdeTarget {
public:
    TTestHost() { FWindow = CreateBoundWindow(L"QdTestDdeHost", Proc, this); }
    ~TTestHost() { DestroyWindow(FWindow); }

    HWND DdeWindow() const noexcept override { return FWindow; }
    bool EnableDDE() const noexcept override { return Enable; }
    void NavigateDdeUrl(const std::wstring& url) override {
        if (FailNavigation) throw Exception("Navigate2 failed");
        Urls.push_back(url);
    }
    void NavigateDdeIdList(const TItemIdList& list) override {
        IdLists.emplace_back(list.Bytes(), list.Bytes() + list.Size());
    }

    bool Enable = true;
    bool FailNavigation = false;
    TShellDdeServer* Server = nullptr;
    std::vector<std::wstring> Urls;
    std::vector<std::vector<std::uint8_t>> IdLists;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* host = BoundObject<TTestHost>(window, message, lParam);
        if (host != nullptr && host->Server != nullptr && host->Server->HandleHostMessage(message, wParam, lParam)) {
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND FWindow = nullptr;
};

// A DDE client that speaks the raw message protocol, so that each message and memory block is in the
// test's hands.
class TRawClient {
public:
    TRawClient() { FWindow = CreateBoundWindow(L"QdTestDdeRawClient", Proc, this); }
    ~TRawClient() { DestroyWindow(FWindow); }
    HWND Window() const { return FWindow; }

    struct TInitiationAck {
        HWND Server;
        std::wstring Application;
        std::wstring Topic;
    };
    struct TExecuteAck {
        HWND Server;
        WORD Status;
        UINT_PTR Commands;
    };
    std::vector<TInitiationAck> InitiationAcks;
    std::vector<TExecuteAck> ExecuteAcks;
    std::vector<HWND> Terminates;
    bool RequestAtomsSurvived = true;

    // Sends WM_DDE_INITIATE to `target` (HWND_BROADCAST: every top-level window); the number of answers.
    std::size_t Initiate(HWND target, const wchar_t* application, const wchar_t* topic) {
        const ATOM applicationAtom = application != nullptr ? GlobalAddAtomW(application) : 0;
        const ATOM topicAtom = topic != nullptr ? GlobalAddAtomW(topic) : 0;
        InitiationAcks.clear();
        FInitiating = true;
        const LPARAM atoms = MAKELPARAM(applicationAtom, topicAtom);
        if (target == HWND_BROADCAST) {
            DWORD_PTR unused = 0;
            SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(FWindow), atoms,
                                SMTO_ABORTIFHUNG, 3000, &unused);
        } else {
            SendMessageW(target, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(FWindow), atoms);
        }
        FInitiating = false;
        // The request's atoms are still ours: the answers must not have taken our references away.
        wchar_t name[256];
        if (applicationAtom != 0) {
            RequestAtomsSurvived = RequestAtomsSurvived && GlobalGetAtomNameW(applicationAtom, name, 256) > 0;
            GlobalDeleteAtom(applicationAtom);
        }
        if (topicAtom != 0) {
            RequestAtomsSurvived = RequestAtomsSurvived && GlobalGetAtomNameW(topicAtom, name, 256) > 0;
            GlobalDeleteAtom(topicAtom);
        }
        return InitiationAcks.size();
    }

    // Posts a command block (the text and its terminator, or `bytes` bytes of it) and waits for the
    // acknowledgement. Returns its status, or nullopt when none came. The block is freed either way.
    std::optional<WORD> Execute(HWND server, std::wstring_view text, std::optional<std::size_t> bytes = std::nullopt,
                                DWORD timeoutMs = 2000) {
        const std::size_t size = bytes.value_or((text.size() + 1) * sizeof(wchar_t));
        return ExecuteBytes(server, text.data(), std::min(size, text.size() * sizeof(wchar_t)), size, timeoutMs);
    }

    // As Execute, with the first `count` bytes of `data` in a zero-filled block of `size` bytes.
    std::optional<WORD> ExecuteBytes(HWND server, const void* data, std::size_t count, std::size_t size,
                                     DWORD timeoutMs = 2000) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, size);
        if (memory == nullptr) return std::nullopt;
        std::memcpy(GlobalLock(memory), data, count);
        GlobalUnlock(memory);
        const std::size_t before = ExecuteAcks.size();
        PostMessageW(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(FWindow),
                     PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(memory)));
        const bool acknowledged = PumpUntil([&] { return ExecuteAcks.size() > before; }, timeoutMs);
        std::optional<WORD> status;
        if (acknowledged) {
            const TExecuteAck& ack = ExecuteAcks.back();
            EXPECT_EQ(ack.Server, server);
            EXPECT_EQ(ack.Commands, reinterpret_cast<UINT_PTR>(memory)) << "the command handle goes back";
            EXPECT_EQ(GlobalFlags(memory) & GMEM_LOCKCOUNT, 0u) << "the command block is unlocked";
            status = ack.Status;
        }
        GlobalFree(memory);
        return status;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* client = BoundObject<TRawClient>(window, message, lParam);
        if (client != nullptr && message == WM_DDE_ACK) {
            if (client->FInitiating) {
                // Answers to WM_DDE_INITIATE are sent, not packed, and their atoms are the client's to delete.
                const ATOM application = LOWORD(lParam);
                const ATOM topic = HIWORD(lParam);
                wchar_t applicationName[256] = {};
                wchar_t topicName[256] = {};
                GlobalGetAtomNameW(application, applicationName, 256);
                GlobalGetAtomNameW(topic, topicName, 256);
                client->InitiationAcks.push_back({reinterpret_cast<HWND>(wParam), applicationName, topicName});
                GlobalDeleteAtom(application);
                GlobalDeleteAtom(topic);
            } else {
                UINT_PTR status = 0;
                UINT_PTR commands = 0;
                if (UnpackDDElParam(WM_DDE_ACK, lParam, &status, &commands)) FreeDDElParam(WM_DDE_ACK, lParam);
                client->ExecuteAcks.push_back({reinterpret_cast<HWND>(wParam), static_cast<WORD>(status), commands});
            }
            return 0;
        }
        if (client != nullptr && message == WM_DDE_TERMINATE) {
            client->Terminates.push_back(reinterpret_cast<HWND>(wParam));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND FWindow = nullptr;
    bool FInitiating = false;
};

// Shell32's shared-memory functions, as the shell's DDE client uses them.
HANDLE AllocShared(const void* data, DWORD size) {
    using TSHAllocShared = HANDLE(WINAPI*)(const void*, DWORD, DWORD);
    static const auto allocShared =
        reinterpret_cast<TSHAllocShared>(GetProcAddress(LoadLibraryW(L"shell32.dll"), MAKEINTRESOURCEA(520)));
    return allocShared != nullptr ? allocShared(data, size, GetCurrentProcessId()) : nullptr;
}

void* LockShared(HANDLE shared) {
    using TSHLockShared = void*(WINAPI*)(HANDLE, DWORD);
    static const auto lockShared =
        reinterpret_cast<TSHLockShared>(GetProcAddress(LoadLibraryW(L"shell32.dll"), MAKEINTRESOURCEA(521)));
    return lockShared(shared, GetCurrentProcessId());
}

void UnlockShared(void* block) {
    using TSHUnlockShared = BOOL(WINAPI*)(void*);
    static const auto unlockShared =
        reinterpret_cast<TSHUnlockShared>(GetProcAddress(LoadLibraryW(L"shell32.dll"), MAKEINTRESOURCEA(522)));
    unlockShared(block);
}

std::wstring SharedField(HANDLE shared) {
    return L":" + std::to_wstring(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(shared))) + L":" +
           std::to_wstring(GetCurrentProcessId());
}

// Two items ("abc" and {1, 2}) and the terminator.
const std::vector<std::uint8_t> SampleIdList = {5, 0, 'a', 'b', 'c', 4, 0, 1, 2, 0, 0};

// ---- Names from the registry -----------------------------------------------------------------------------

class TFakeClassesRoot final : public IShellDdeRegistry {
public:
    std::map<std::wstring, std::wstring, std::less<>> Values;
    std::optional<std::wstring> DefaultValue(std::wstring_view subKey) const override {
        const auto it = Values.find(subKey);
        if (it == Values.end()) return std::nullopt;
        return it->second;
    }
};

TEST(ShellDdeNames, EachNameIsReadOnItsOwnAndMissingOnesStayEmpty) {
    TFakeClassesRoot registry;
    registry.Values = {{L"htmlfile\\shell\\open\\ddeexec\\application", L"IExplore"},
                       {L"Folder\\shell\\open\\ddeexec\\topic", L"AppProperties"},
                       {L"Folder\\shell\\open\\ddeexec", L"[ViewFolder(\"%l\", %I, %S)]"},
                       {L"Folder\\shell\\explore\\ddeexec", L"no template here"},
                       {L"Directory\\shell\\find\\ddeexec", L"[FindFolder(\"%l\", %I)]"}};
    const TShellDdeNames names = ReadShellDdeNames(registry);
    EXPECT_EQ(names.HtmlApplication, L"IExplore");
    EXPECT_EQ(names.HtmlTopic, L"");
    EXPECT_EQ(names.FolderApplication, L"");
    EXPECT_EQ(names.FolderTopic, L"AppProperties");
    EXPECT_EQ(names.OpenCommand, L"ViewFolder");
    EXPECT_EQ(names.ExploreCommand, L"");
    EXPECT_EQ(names.FindCommand, L"FindFolder");
}

TEST(ShellDdeNames, ReadsDefaultValuesThroughTheRegistry) {
    const std::wstring root = L"Software\\QuandrelTest\\Classes";
    const auto setDefault = [&](const std::wstring& subKey, const void* data, DWORD bytes, DWORD type) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (root + L"\\" + subKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, type, static_cast<const BYTE*>(data), bytes);
        RegCloseKey(key);
    };
    const auto setText = [&](const std::wstring& subKey, const std::wstring& text) {
        setDefault(subKey, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), REG_SZ);
    };
    setText(L"htmlfile\\shell\\open\\ddeexec\\application", L"IExplore");
    setText(L"htmlfile\\shell\\open\\ddeexec\\topic", L"WWW_OpenURL");
    setText(L"Folder\\shell\\open\\ddeexec\\application", L"Folders");
    const wchar_t unterminated[] = {L'A', L'p', L'p'};
    setDefault(L"Folder\\shell\\open\\ddeexec\\topic", unterminated, sizeof unterminated, REG_SZ);
    setText(L"Folder\\shell\\open\\ddeexec", L"[ViewFolder(\"%l\", %I, %S)]");
    const DWORD number = 1;
    setDefault(L"Folder\\shell\\explore\\ddeexec", &number, sizeof number, REG_DWORD);
    setText(L"Directory\\shell\\find\\ddeexec", std::wstring(2000, L'x') + L"[FindFolder(\"%l\", %I)]");

    const TShellDdeNames names = ReadShellDdeNames(TRegistryShellDdeRegistry(HKEY_CURRENT_USER, root + L"\\"));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuandrelTest\\Classes");
    EXPECT_EQ(names.HtmlApplication, L"IExplore");
    EXPECT_EQ(names.HtmlTopic, L"WWW_OpenURL");
    EXPECT_EQ(names.FolderApplication, L"Folders");
    EXPECT_EQ(names.FolderTopic, L"App");
    EXPECT_EQ(names.OpenCommand, L"ViewFolder");
    EXPECT_EQ(names.ExploreCommand, L"") << "a number is no command template";
    EXPECT_EQ(names.FindCommand, L"FindFolder");
}

TEST(ShellDdeNames, MachineRegistryReadsWithoutFailing) {
    // Whatever the prefix holds: each name is either missing (empty) or a name without brackets.
    const TShellDdeNames names = ReadShellDdeNames(TRegistryShellDdeRegistry());
    for (const auto* name : {&names.OpenCommand, &names.ExploreCommand, &names.FindCommand}) {
        EXPECT_EQ(name->find_first_of(L"[("), std::wstring::npos);
    }
}

// ---- ID lists --------------------------------------------------------------------------------------------

TEST(ItemIdList, CopyHasExactlyTheListsBytesAndConvertsToAByteArray) {
    const TItemIdList list = TItemIdList::CopyFrom(SampleIdList.data(), 4096);
    ASSERT_FALSE(list.Empty());
    ASSERT_EQ(list.Size(), SampleIdList.size());
    EXPECT_EQ(std::vector<std::uint8_t>(list.Bytes(), list.Bytes() + list.Size()), SampleIdList);

    VARIANT variant;
    ASSERT_TRUE(ItemIdListToVariant(list, variant));
    EXPECT_EQ(variant.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(SafeArrayGetDim(variant.parray), 1u);
    LONG lower = -1;
    LONG upper = -1;
    SafeArrayGetLBound(variant.parray, 1, &lower);
    SafeArrayGetUBound(variant.parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, static_cast<LONG>(SampleIdList.size()) - 1);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(variant.parray, &data), S_OK);
    EXPECT_EQ(std::memcmp(data, SampleIdList.data(), SampleIdList.size()), 0);
    SafeArrayUnaccessData(variant.parray);
    VariantClear(&variant);

    TItemIdList moved = TItemIdList::CopyFrom(SampleIdList.data(), SampleIdList.size());
    TItemIdList target = std::move(moved);
    EXPECT_TRUE(moved.Empty());
    EXPECT_EQ(target.Size(), SampleIdList.size());
    VARIANT none;
    EXPECT_FALSE(ItemIdListToVariant(moved, none));
    EXPECT_EQ(none.vt, VT_EMPTY);
}

// ---- The server with a raw client on the host's thread ---------------------------------------------------

struct TShellRequest {
    DWORD Size = 0;
    ULONG Mask = 0;
    std::optional<std::wstring> Class;
    std::wstring Verb;
    std::optional<std::wstring> File;
    std::vector<std::uint8_t> IdList;
    HWND Owner = nullptr;
    int Show = -1;
    bool BusyDuringCall = false;
    std::size_t InitiationAnswersDuringCall = 0;
};

class ShellDdeServerTest : public testing::Test {
protected:
    void SetUp() override {
        FServer = std::make_unique<TShellDdeServer>(FHost, TestNames(),
                                                    [this](SHELLEXECUTEINFOW& info) { return FakeShellExecute(info); });
        FHost.Server = FServer.get();
    }
    void TearDown() override {
        FHost.Server = nullptr;
        FServer.reset();
        Pump(20);
    }

    bool FakeShellExecute(SHELLEXECUTEINFOW& info) {
        TShellRequest request;
        request.Size = info.cbSize;
        request.Mask = info.fMask;
        if (info.lpClass != nullptr) request.Class = info.lpClass;
        request.Verb = info.lpVerb != nullptr ? info.lpVerb : L"";
        if (info.lpFile != nullptr) request.File = info.lpFile;
        if (info.lpIDList != nullptr) {
            const auto* bytes = static_cast<const std::uint8_t*>(info.lpIDList);
            request.IdList.assign(bytes, bytes + ItemIdListSize(bytes, 4096));
        }
        request.Owner = info.hwnd;
        request.Show = info.nShow;
        request.BusyDuringCall = TShellDdeServer::Busy();
        // The shell's own DDE request while we wait must not be captured.
        TRawClient shellsOwnClient;
        request.InitiationAnswersDuringCall =
            shellsOwnClient.Initiate(FServer->InitiationWindow(), L"QdFolder", L"QdAppProperties");
        Requests.push_back(request);
        return ShellExecuteResult;
    }

    // A raw client in a folder conversation with the server.
    void StartFolderConversation() {
        ASSERT_EQ(FClient.Initiate(FServer->InitiationWindow(), L"QdFolder", L"QdAppProperties"), 1u);
    }

    TTestHost FHost;
    std::unique_ptr<TShellDdeServer> FServer;
    TRawClient FClient;
    std::vector<TShellRequest> Requests;
    bool ShellExecuteResult = true;
};

TEST_F(ShellDdeServerTest, InitiationWindowIsAHiddenTopLevelWindow) {
    const HWND window = FServer->InitiationWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow()) << "message-only windows get no broadcasts";
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
}

TEST_F(ShellDdeServerTest, BroadcastInitiationIsAnsweredWithTheHostWindow) {
    EXPECT_EQ(FClient.Initiate(HWND_BROADCAST, L"QdIExplore", L"QdWWW_OpenURL"), 1u);
    ASSERT_EQ(FClient.InitiationAcks.size(), 1u);
    EXPECT_EQ(FClient.InitiationAcks[0].Server, FHost.DdeWindow());
    EXPECT_EQ(FClient.InitiationAcks[0].Application, L"QdIExplore");
    EXPECT_EQ(FClient.InitiationAcks[0].Topic, L"QdWWW_OpenURL");
    EXPECT_TRUE(FClient.RequestAtomsSurvived);
    EXPECT_EQ(FServer->ConversationCount(), 1u);
}

TEST_F(ShellDdeServerTest, FolderInitiationIsAnsweredWithTheFolderNames) {
    EXPECT_EQ(FClient.Initiate(FServer->InitiationWindow(), L"qdfolder", L"QDAPPPROPERTIES"), 1u)
        << "atoms compare without case";
    ASSERT_EQ(FClient.InitiationAcks.size(), 1u);
    // The answer carries the same atoms, which keep the spelling they were first added with.
    EXPECT_EQ(_wcsicmp(FClient.InitiationAcks[0].Application.c_str(), L"QdFolder"), 0);
    EXPECT_EQ(_wcsicmp(FClient.InitiationAcks[0].Topic.c_str(), L"QdAppProperties"), 0);
    EXPECT_TRUE(FClient.RequestAtomsSurvived) << "the answer's atoms are the client's to delete, not the server's";
}

TEST_F(ShellDdeServerTest, InitiationsThatDoNotMatchGetNoAnswer) {
    const HWND window = FServer->InitiationWindow();
    EXPECT_EQ(FClient.Initiate(window, L"QdIExplore", L"QdAppProperties"), 0u) << "wrong topic";
    EXPECT_EQ(FClient.Initiate(window, L"QdFolder", L"QdWWW_OpenURL"), 0u) << "wrong topic";
    EXPECT_EQ(FClient.Initiate(window, L"Somebody", L"QdAppProperties"), 0u) << "wrong application";
    EXPECT_EQ(FClient.Initiate(window, nullptr, nullptr), 0u) << "wildcards";
    EXPECT_EQ(FClient.Initiate(window, L"QdFolder", nullptr), 0u) << "topic wildcard";
    EXPECT_EQ(FServer->ConversationCount(), 0u);
    EXPECT_TRUE(FClient.RequestAtomsSurvived);
}

TEST_F(ShellDdeServerTest, DisabledServerAnswersNoInitiationAndIgnoresCommands) {
    StartFolderConversation();
    FHost.Enable = false;
    TRawClient another;
    EXPECT_EQ(another.Initiate(FServer->InitiationWindow(), L"QdFolder", L"QdAppProperties"), 0u);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"C:\\Orders\",,1)]", std::nullopt, 200), std::nullopt);
    EXPECT_TRUE(FHost.Urls.empty());
}

TEST_F(ShellDdeServerTest, CommandsOfAClientThatWasNotAcknowledgedAreIgnored) {
    TRawClient stranger;
    EXPECT_EQ(stranger.Execute(FHost.DdeWindow(), L"\"http://example.test/\"", std::nullopt, 200), std::nullopt);
    // Even when another client has a conversation, and even after a refused initiation.
    StartFolderConversation();
    EXPECT_EQ(stranger.Initiate(FServer->InitiationWindow(), L"QdFolder", L"Nothing"), 0u);
    EXPECT_EQ(stranger.Execute(FHost.DdeWindow(), L"[ViewFolder(\"C:\\Orders\",,1)]", std::nullopt, 200), std::nullopt);
    EXPECT_TRUE(FHost.Urls.empty());
}

TEST_F(ShellDdeServerTest, HtmlCommandNavigatesToTheQuotedUrl) {
    ASSERT_EQ(FClient.Initiate(FServer->InitiationWindow(), L"QdIExplore", L"QdWWW_OpenURL"), 1u);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"\"http://example.test/quandrel?a=1,b\",,-1,0,,,,"),
              TShellDdeServer::StatusDone);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"file:///C:/orders.htm"), TShellDdeServer::StatusDone);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"\"\",,-1"), TShellDdeServer::StatusFailed) << "no URL";
    EXPECT_EQ(FHost.Urls, (std::vector<std::wstring>{L"http://example.test/quandrel?a=1,b", L"file:///C:/orders.htm"}));
}

TEST_F(ShellDdeServerTest, EachConversationKeepsTheModeOfItsOwnInitiation) {
    ASSERT_EQ(FClient.Initiate(FServer->InitiationWindow(), L"QdIExplore", L"QdWWW_OpenURL"), 1u);
    TRawClient folderClient;
    ASSERT_EQ(folderClient.Initiate(FServer->InitiationWindow(), L"QdFolder", L"QdAppProperties"), 1u);
    // The HTML conversation takes its text as a URL even though a folder conversation started later.
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"C:\\x\",,1)]"), TShellDdeServer::StatusDone);
    EXPECT_EQ(folderClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"C:\\x\",,1)]"), TShellDdeServer::StatusDone);
    EXPECT_EQ(FHost.Urls, (std::vector<std::wstring>{L"[ViewFolder(\"C:\\x\",,1)]", L"C:\\x"}));
}

TEST_F(ShellDdeServerTest, OpenNavigatesToThePath) {
    StartFolderConversation();
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"C:\\Orders, 2026\", :1:2, 1)]"),
              TShellDdeServer::StatusDone);
    EXPECT_EQ(FHost.Urls, std::vector<std::wstring>{L"C:\\Orders, 2026"});
}

TEST_F(ShellDdeServerTest, OpenWithASharedIdListNavigatesToItAndFreesTheBlock) {
    StartFolderConversation();
    const HANDLE shared = AllocShared(SampleIdList.data(), static_cast<DWORD>(SampleIdList.size()));
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"\", " + SharedField(shared) + L", 1)]"),
              TShellDdeServer::StatusDone);
    ASSERT_EQ(FHost.IdLists.size(), 1u);
    EXPECT_EQ(FHost.IdLists[0], SampleIdList);
    EXPECT_TRUE(FHost.Urls.empty());
    EXPECT_EQ(LockShared(shared), nullptr) << "the shared block was freed";
}

TEST_F(ShellDdeServerTest, SharedIdListIsWalkedOnlyWithinTheMappedBytes) {
    StartFolderConversation();
    const std::uint8_t zeros[64] = {};
    const HANDLE shared = AllocShared(zeros, sizeof zeros);
    ASSERT_NE(shared, nullptr);
    // Fill the whole mapped view, to its last byte, with items and no terminator.
    auto* block = static_cast<std::uint8_t*>(LockShared(shared));
    ASSERT_NE(block, nullptr);
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_EQ(VirtualQuery(block, &info, sizeof info), sizeof info);
    const std::size_t mapped = static_cast<std::uint8_t*>(info.BaseAddress) + info.RegionSize - block;
    for (std::size_t offset = 0; offset < mapped; offset += 4) {
        const std::uint8_t item[4] = {4, 0, 'x', 'x'};
        std::memcpy(block + offset, item, std::min<std::size_t>(4, mapped - offset));
    }
    UnlockShared(block);

    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"\"," + SharedField(shared) + L",1)]"),
              TShellDdeServer::StatusFailed);
    EXPECT_TRUE(FHost.IdLists.empty());
}

TEST_F(ShellDdeServerTest, NumberThatNamesAnAddressIsNeverDereferenced) {
    StartFolderConversation();
    void* list = CoTaskMemAlloc(SampleIdList.size());
    std::memcpy(list, SampleIdList.data(), SampleIdList.size());
    const std::wstring address = std::to_wstring(reinterpret_cast<std::uintptr_t>(list));
    for (const std::wstring& field : {address, L":" + address, address + L":0", L":" + address + L":0"}) {
        EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"\"," + field + L",1)]"),
                  TShellDdeServer::StatusFailed)
            << testing::PrintToString(field);
    }
    EXPECT_TRUE(FHost.IdLists.empty());
    EXPECT_EQ(std::memcmp(list, SampleIdList.data(), SampleIdList.size()), 0) << "the block is untouched";
    CoTaskMemFree(list);  // still ours: nobody freed it
}

TEST_F(ShellDdeServerTest, HandleThatIsNoSharedBlockIsNotClosed) {
    StartFolderConversation();
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"\"," + SharedField(event) + L",1)]"),
              TShellDdeServer::StatusFailed);
    EXPECT_TRUE(SetEvent(event)) << "the event handle is still open";
    CloseHandle(event);
}

TEST_F(ShellDdeServerTest, IdListOfAnotherProcessIsIgnoredAndItsHandleLeftOpen) {
    StartFolderConversation();
    // A block whose handle lives in another process (a suspended copy of this program).
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION other{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &other));
    const HANDLE shared = AllocShared(SampleIdList.data(), static_cast<DWORD>(SampleIdList.size()));
    ASSERT_NE(shared, nullptr);
    HANDLE theirs = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), shared, other.hProcess, &theirs, 0, FALSE,
                                DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
    const std::wstring field =
        L":" + std::to_wstring(reinterpret_cast<std::intptr_t>(theirs)) + L":" + std::to_wstring(other.dwProcessId);

    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"\"," + field + L",1)]"),
              TShellDdeServer::StatusFailed);
    EXPECT_TRUE(FHost.IdLists.empty());
    HANDLE stillThere = nullptr;
    EXPECT_TRUE(
        DuplicateHandle(other.hProcess, theirs, GetCurrentProcess(), &stillThere, 0, FALSE, DUPLICATE_SAME_ACCESS))
        << "the other process's handle is still open";
    if (stillThere) CloseHandle(stillThere);
    TerminateProcess(other.hProcess, 0);
    CloseHandle(other.hThread);
    CloseHandle(other.hProcess);
}

TEST_F(ShellDdeServerTest, ExploreWithAPathGoesToTheShell) {
    StartFolderConversation();
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ExploreFolder(\"C:\\Orders\", :1:2, 3)]"),
              TShellDdeServer::StatusDone);
    ASSERT_EQ(Requests.size(), 1u);
    const TShellRequest& request = Requests[0];
    EXPECT_EQ(request.Size, sizeof(SHELLEXECUTEINFOW));
    EXPECT_EQ(request.Mask, static_cast<ULONG>(SEE_MASK_CLASSNAME));
    EXPECT_EQ(request.Class, std::optional<std::wstring>(L"folder"));
    EXPECT_EQ(request.Verb, L"explore");
    EXPECT_EQ(request.File, std::optional<std::wstring>(L"C:\\Orders"));
    EXPECT_TRUE(request.IdList.empty());
    EXPECT_EQ(request.Owner, nullptr);
    EXPECT_EQ(request.Show, 3);
    EXPECT_TRUE(request.BusyDuringCall);
    EXPECT_EQ(request.InitiationAnswersDuringCall, 0u);
    EXPECT_FALSE(TShellDdeServer::Busy());
    EXPECT_TRUE(FHost.Urls.empty());
}

TEST_F(ShellDdeServerTest, ExploreAndFindWithAnIdListGoToTheShell) {
    StartFolderConversation();
    HANDLE shared = AllocShared(SampleIdList.data(), static_cast<DWORD>(SampleIdList.size()));
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ExploreFolder(\"\"," + SharedField(shared) + L",5)]"),
              TShellDdeServer::StatusDone);
    shared = AllocShared(SampleIdList.data(), static_cast<DWORD>(SampleIdList.size()));
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[FindFolder(\"\"," + SharedField(shared) + L")]"),
              TShellDdeServer::StatusDone);
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(Requests[0].Mask, static_cast<ULONG>(SEE_MASK_IDLIST | SEE_MASK_CLASSNAME));
    EXPECT_EQ(Requests[0].Class, std::optional<std::wstring>(L"folder"));
    EXPECT_EQ(Requests[0].Verb, L"explore");
    EXPECT_EQ(Requests[0].File, std::nullopt);
    EXPECT_EQ(Requests[0].IdList, SampleIdList);
    EXPECT_EQ(Requests[0].Show, 5);
    EXPECT_EQ(Requests[1].Mask, static_cast<ULONG>(SEE_MASK_IDLIST));
    EXPECT_EQ(Requests[1].Class, std::nullopt);
    EXPECT_EQ(Requests[1].Verb, L"find");
    EXPECT_EQ(Requests[1].IdList, SampleIdList);
    EXPECT_EQ(Requests[1].Show, SW_SHOWNORMAL);
}

TEST_F(ShellDdeServerTest, FailuresAreAcknowledgedWithStatusZero) {
    StartFolderConversation();
    ShellExecuteResult = false;
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[FindFolder(\"C:\\\",,1)]"), TShellDdeServer::StatusFailed);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ExploreFolder(\"\",,1)]"), TShellDdeServer::StatusFailed)
        << "nothing to explore: the shell is not asked";
    EXPECT_EQ(Requests.size(), 1u);
    FHost.FailNavigation = true;
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"C:\\\",,1)]"), TShellDdeServer::StatusFailed);
    EXPECT_EQ(TakeSwallowed(), 1u) << "the failed navigation";
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[OpenFolder(\"C:\\\",,1)]"), TShellDdeServer::StatusFailed)
        << "unknown command";
}

TEST_F(ShellDdeServerTest, MalformedCommandsAreAcknowledgedAndNeverCrash) {
    StartFolderConversation();
    const std::vector<std::wstring> commands = {
        L"",
        L"ViewFolder(\"C:\\a\",,1)",
        L"[ViewFolder C:\\a]",
        L"[ViewFolder(C:\\a,,1)]",
        L"[ViewFolder(\"C:\\a,,1)]",
        L"[ViewFolder(\"\",:99999999999999999999999999:1,1)]",
        L"[ViewFolder(\"\",:1:99999999999999999999999999,1)]",
        L"[ViewFolder(\"\",-,+)]",
        L"[ViewFolder(\"\",,,,,,,,,,,,,)]",
        L"[ViewFolder(\"\",:a:b,c)]",
        std::wstring(70000, L'['),
        L"[ViewFolder(\"" + std::wstring(40000, L'x'),
    };
    for (const auto& command : commands) {
        EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), command), TShellDdeServer::StatusFailed)
            << testing::PrintToString(command.substr(0, 60));
    }
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"C:\\b\",:12ab:3x,99999999999999)]"),
              TShellDdeServer::StatusDone);
    EXPECT_EQ(FHost.Urls, std::vector<std::wstring>{L"C:\\b"});
    EXPECT_TRUE(Requests.empty());
}

TEST_F(ShellDdeServerTest, CommandWithoutTerminatorIsReadWithinItsBlock) {
    StartFolderConversation();
    const std::wstring text = L"[ViewFolder(\"C:\\Orders\",,1)]";
    // GlobalAlloc may round the block up; the zero-filled rounding is the only terminator.
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), text, text.size() * sizeof(wchar_t)), TShellDdeServer::StatusDone);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), text, 7), TShellDdeServer::StatusFailed) << "odd, cut block";
    EXPECT_EQ(FHost.Urls, std::vector<std::wstring>{L"C:\\Orders"});
}

TEST_F(ShellDdeServerTest, CommandOfAnAnsiClientIsReadInTheAnsiCodePage) {
    StartFolderConversation();
    // Platform quirk: only the client's window tells the character set of a WM_DDE_EXECUTE block; a window
    // whose procedure was set through the ANSI function is an ANSI window, as a non-Unicode client's is.
    SetWindowLongPtrA(FClient.Window(), GWLP_WNDPROC, GetWindowLongPtrW(FClient.Window(), GWLP_WNDPROC));
    ASSERT_FALSE(IsWindowUnicode(FClient.Window()));
    const char command[] = "[ViewFolder(\"C:\\Ansi\",,1)]";
    EXPECT_EQ(FClient.ExecuteBytes(FHost.DdeWindow(), command, sizeof command, sizeof command),
              TShellDdeServer::StatusDone);
    const char unterminated[] = {'[', 'V', 'i'};
    EXPECT_EQ(FClient.ExecuteBytes(FHost.DdeWindow(), unterminated, sizeof unterminated, sizeof unterminated),
              TShellDdeServer::StatusFailed);
    EXPECT_EQ(FHost.Urls, std::vector<std::wstring>{L"C:\\Ansi"});
}

TEST_F(ShellDdeServerTest, InitiationFromAnotherThreadOfTheProcessIsIgnored) {
    std::size_t answers = 99;
    std::atomic<bool> done{false};
    const HWND initiationWindow = FServer->InitiationWindow();
    std::thread other([&] {
        TRawClient client;  // its window belongs to this other thread
        answers = client.Initiate(initiationWindow, L"QdFolder", L"QdAppProperties");
        done = true;
    });
    // The other thread's sent message is delivered while this thread takes its messages.
    PumpUntil([&] { return done.load(); }, 5000);
    other.join();
    EXPECT_EQ(answers, 0u);
    EXPECT_EQ(FServer->ConversationCount(), 0u);
}

TEST_F(ShellDdeServerTest, TerminateEndsOnlyARealConversation) {
    StartFolderConversation();
    TRawClient stranger;
    PostMessageW(FHost.DdeWindow(), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(stranger.Window()), 0);
    Pump(50);
    EXPECT_TRUE(stranger.Terminates.empty());
    EXPECT_EQ(FServer->ConversationCount(), 1u);

    PostMessageW(FHost.DdeWindow(), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(FClient.Window()), 0);
    ASSERT_TRUE(PumpUntil([&] { return !FClient.Terminates.empty(); }, 1000));
    EXPECT_EQ(FClient.Terminates[0], FHost.DdeWindow());
    EXPECT_EQ(FServer->ConversationCount(), 0u);
    EXPECT_EQ(FClient.Execute(FHost.DdeWindow(), L"[ViewFolder(\"C:\\a\",,1)]", std::nullopt, 200), std::nullopt)
        << "a closed conversation takes no more commands";
}

TEST_F(ShellDdeServerTest, DestroyingTheServerEndsOpenConversations) {
    StartFolderConversation();
    FHost.Server = nullptr;
    FServer.reset();
    ASSERT_TRUE(PumpUntil([&] { return !FClient.Terminates.empty(); }, 1000));
    EXPECT_EQ(FClient.Terminates[0], FHost.DdeWindow());
}

TEST_F(ShellDdeServerTest, OtherMessagesAreLeftToTheHost) {
    EXPECT_FALSE(FServer->HandleHostMessage(WM_DDE_INITIATE, 0, 0));
    EXPECT_FALSE(FServer->HandleHostMessage(WM_DDE_ACK, 0, 0));
    EXPECT_FALSE(FServer->HandleHostMessage(WM_CLOSE, 0, 0));
    EXPECT_TRUE(FServer->HandleHostMessage(WM_DDE_EXECUTE, 0, 0)) << "handled, and ignored: no conversation";
}

// ---- A DDEML client ----------------------------------------------------------------------------------------

class TDdemlClient {
public:
    TDdemlClient() { Ready = DdeInitializeW(&FInstance, Callback, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR; }
    ~TDdemlClient() {
        Disconnect();
        if (Ready) DdeUninitialize(FInstance);
    }
    bool Ready = false;

    bool Connect(const wchar_t* application, const wchar_t* topic) {
        const HSZ applicationName = DdeCreateStringHandleW(FInstance, application, CP_WINUNICODE);
        const HSZ topicName = DdeCreateStringHandleW(FInstance, topic, CP_WINUNICODE);
        FConversation = DdeConnect(FInstance, applicationName, topicName, nullptr);
        DdeFreeStringHandle(FInstance, applicationName);
        DdeFreeStringHandle(FInstance, topicName);
        return FConversation != nullptr;
    }
    void Disconnect() {
        if (FConversation != nullptr) DdeDisconnect(FConversation);
        FConversation = nullptr;
    }

    struct TResult {
        bool Acknowledged;  // a positive acknowledgement
        UINT Error;         // DdeGetLastError after the transaction
        DWORD Status;       // the acknowledgement's status word
    };
    // A synchronous execute transaction: DDEML runs the thread's messages until the answer or the timeout.
    TResult Execute(const std::wstring& command, DWORD timeoutMs = 3000) {
        DWORD status = 0;
        const HDDEDATA result = DdeClientTransaction(reinterpret_cast<BYTE*>(const_cast<wchar_t*>(command.c_str())),
                                                     static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)),
                                                     FConversation, nullptr, 0, XTYP_EXECUTE, timeoutMs, &status);
        return {result != nullptr, DdeGetLastError(FInstance), status};
    }

private:
    static HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }
    DWORD FInstance = 0;
    HCONV FConversation = nullptr;
};

TEST_F(ShellDdeServerTest, DdemlClientOnTheHostThreadIsAnsweredWhenEnabled) {
    TDdemlClient client;
    ASSERT_TRUE(client.Ready);
    ASSERT_TRUE(client.Connect(L"QdIExplore", L"QdWWW_OpenURL"));
    EXPECT_EQ(FServer->ConversationCount(), 1u);
    const auto result = client.Execute(L"\"http://example.test/quandrel\",,-1,0,,,,");
    EXPECT_TRUE(result.Acknowledged);
    EXPECT_EQ(result.Error, static_cast<UINT>(DMLERR_NO_ERROR));
    EXPECT_EQ(FHost.Urls, std::vector<std::wstring>{L"http://example.test/quandrel"});

    client.Disconnect();
    EXPECT_TRUE(PumpUntil([&] { return FServer->ConversationCount() == 0; }, 1000)) << "terminate handled";
}

TEST_F(ShellDdeServerTest, DdemlClientGetsNoConversationWhenDisabled) {
    FHost.Enable = false;
    TDdemlClient client;
    ASSERT_TRUE(client.Ready);
    EXPECT_FALSE(client.Connect(L"QdIExplore", L"QdWWW_OpenURL"));
    EXPECT_FALSE(client.Connect(L"QdFolder", L"QdAppProperties"));
    EXPECT_EQ(FServer->ConversationCount(), 0u);
}

TEST_F(ShellDdeServerTest, DdemlCommandsAfterDisablingAreNotAnswered) {
    TDdemlClient client;
    ASSERT_TRUE(client.Ready);
    ASSERT_TRUE(client.Connect(L"QdFolder", L"QdAppProperties"));
    FHost.Enable = false;
    const auto result = client.Execute(L"[ViewFolder(\"C:\\Orders\",,1)]", 300);
    EXPECT_FALSE(result.Acknowledged);
    EXPECT_EQ(result.Error, static_cast<UINT>(DMLERR_EXECACKTIMEOUT));
    EXPECT_TRUE(FHost.Urls.empty());
}

TEST_F(ShellDdeServerTest, DdemlMalformedFolderCommandsAreAnsweredNegatively) {
    TDdemlClient client;
    ASSERT_TRUE(client.Ready);
    ASSERT_TRUE(client.Connect(L"QdFolder", L"QdAppProperties"));
    for (const std::wstring command : {L"ViewFolder(\"C:\\a\",,1)", L"[ViewFolder(C:\\a,,1)]",
                                       L"[ViewFolder(\"C:\\a,,1)]", L"[ViewFolder(\"\",:999999999999999999999999:1,1)]",
                                       L"[ViewFolder(\"\",:x:y,z)]", L"[Nothing(\"C:\\a\")]", L"[", L""}) {
        const auto result = client.Execute(command);
        EXPECT_FALSE(result.Acknowledged) << testing::PrintToString(command);
        EXPECT_EQ(result.Error, static_cast<UINT>(DMLERR_NOTPROCESSED)) << testing::PrintToString(command);
    }
    const auto result = client.Execute(L"[ViewFolder(\"C:\\Orders\",:1:99999999999999999999,9999999999)]");
    EXPECT_TRUE(result.Acknowledged);
    EXPECT_EQ(FHost.Urls, std::vector<std::wstring>{L"C:\\Orders"});
}

// ---- A client in another process -----------------------------------------------------------------------------

std::wstring HelperPath() { return qd::test::BesideThisProgram(L"browser_print_dde_client_helper.exe"); }

// Counts the initiations that reach the server's hidden window, whoever sends them.
WNDPROC GSpiedProc = nullptr;
std::vector<DWORD> GInitiatorProcesses;

LRESULT CALLBACK InitiationSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DDE_INITIATE) {
        DWORD process = 0;
        GetWindowThreadProcessId(reinterpret_cast<HWND>(wParam), &process);
        GInitiatorProcesses.push_back(process);
    }
    return CallWindowProcW(GSpiedProc, window, message, wParam, lParam);
}

TEST_F(ShellDdeServerTest, ClientInAnotherProcessIsIgnored) {
    const HWND initiationWindow = FServer->InitiationWindow();
    GInitiatorProcesses.clear();
    GSpiedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(initiationWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InitiationSpy)));

    std::wstring commandLine = L"\"" + HelperPath() + L"\" QdIExplore QdWWW_OpenURL " +
                               std::to_wstring(reinterpret_cast<std::uintptr_t>(FHost.DdeWindow()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << "helper: " << testing::PrintToString(HelperPath());
    // The helper's broadcast is a sent message: this thread must keep taking messages until it is done.
    const bool finished = PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 30000);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (!finished) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    SetWindowLongPtrW(initiationWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GSpiedProc));

    ASSERT_TRUE(finished);
    EXPECT_EQ(exitCode, 0x10u) << "0x1: DdeConnect got a conversation, 0x2: a raw command was acknowledged";
    ASSERT_FALSE(GInitiatorProcesses.empty()) << "the helper's initiation reached the server";
    EXPECT_NE(GInitiatorProcesses[0], GetCurrentProcessId());
    EXPECT_EQ(FServer->ConversationCount(), 0u);
    EXPECT_TRUE(FHost.Urls.empty());
}

}  // namespace
}  // namespace qd
