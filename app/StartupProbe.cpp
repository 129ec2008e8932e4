#include "app/StartupProbe.h"

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Controls.h"
#include "framework/Resources.h"
#include "skin/controls/SkinManage.h"
#include "skin/form/SkinForm.h"
#include "skin/form/SkinMessages.h"

namespace qd {

namespace {

TStartupProbe* GProbe = nullptr;
LONGLONG GCreated = 0;  // the process's creation time, 100 ns units

LONGLONG Ticks(const FILETIME& time) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

LONGLONG Now() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    return Ticks(now);
}

double MsSinceCreated() { return static_cast<double>(Now() - GCreated) / 10000.0; }

std::wstring Environment(const wchar_t* name) {
    wchar_t value[64] = {};
    const DWORD n = ::GetEnvironmentVariableW(name, value, 64);
    return n > 0 && n < 64 ? std::wstring(value, n) : std::wstring();
}

// The description without its "SkinStream = {...}" property line (binary values hold hex digits only, so the
// first closing brace ends it).
std::string WithoutSkinStream(std::string text) {
    const std::size_t at = text.find("SkinStream = {");
    if (at == std::string::npos) return text;
    const std::size_t close = text.find('}', at);
    if (close == std::string::npos) return text;
    const std::size_t newline = text.rfind('\n', at);
    const std::size_t begin = newline == std::string::npos ? 0 : newline + 1;
    std::size_t end = close + 1;
    while (end < text.size() && (text[end] == '\r' || text[end] == '\n')) ++end;
    text.erase(begin, end - begin);
    return text;
}

// The main window's description as stored, minus the skin package.
std::optional<std::string> DescriptionWithoutSkin(std::string_view className) {
    static bool inside = false;  // the stored text itself is read through the same provider
    if (inside || className.size() != 10 || _strnicmp(className.data(), "TForm_Main", 10) != 0) return std::nullopt;
    struct TInside {
        TInside() { inside = true; }
        ~TInside() { inside = false; }
    } scope;
    return WithoutSkinStream(LoadFormResource(className));
}

// The skinner of `wnd` has painted its frame at least once.
bool SkinnedFramePainted(HWND wnd, bool& attached) {
    TSkinManage* manager = TSkinManage::Instance();
    auto* skinner = manager ? dynamic_cast<TSkinForm*>(manager->FindFormSkinner(wnd)) : nullptr;
    attached = skinner != nullptr;
    return skinner && skinner->View().Painted.FullPaints > 0;
}

}  // namespace

TStartupProbe::TStartupProbe() {
    FILETIME created{}, unused{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &unused, &unused, &unused);
    GCreated = Ticks(created);
    FEntry = MsSinceCreated();
    FSkinInactive = Environment(L"QD_SKIN_INACTIVE") == L"1";
    if (FSkinInactive) SetFormResourceProvider(DescriptionWithoutSkin);
    const std::wstring signal = Environment(L"QD_STARTUP_SIGNAL");
    if (!signal.empty())
        FSignal = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(signal.c_str(), nullptr, 10)));
}

TStartupProbe::~TStartupProbe() {
    if (FSentHook) ::UnhookWindowsHookEx(FSentHook);
    if (FQueueHook) ::UnhookWindowsHookEx(FQueueHook);
    if (GProbe == this) GProbe = nullptr;
    if (FSkinInactive) SetFormResourceProvider(nullptr);
}

void TStartupProbe::MainFormCreated(TWinControl& mainForm) {
    if (!FSignal) return;
    FForm = MsSinceCreated();
    FMain = mainForm.Handle();
    GProbe = this;
    // Sent messages (the frame paints) and every message the loop takes: together they see each paint soon after
    // it happened, whoever did it.
    FSentHook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &TStartupProbe::SentHook, nullptr, ::GetCurrentThreadId());
    FQueueHook = ::SetWindowsHookExW(WH_GETMESSAGE, &TStartupProbe::QueueHook, nullptr, ::GetCurrentThreadId());
}

LRESULT CALLBACK TStartupProbe::SentHook(int code, WPARAM wParam, LPARAM lParam) {
    if (GProbe && code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        // An activation change paints the frame as well.
        if (sent->hwnd == GProbe->FMain && (sent->message == WM_NCPAINT || sent->message == WM_NCACTIVATE))
            GProbe->NoteFramePaint();
        if (sent->hwnd == GProbe->FMain && sent->message == WM_PAINT && ::IsWindowVisible(sent->hwnd))
            GProbe->FClientPainted = true;
        GProbe->Check();
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TStartupProbe::QueueHook(int code, WPARAM wParam, LPARAM lParam) {
    if (GProbe && code == HC_ACTION) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->hwnd == GProbe->FMain && msg->message == WM_SKIN_STARTED && GProbe->FStartedAt < 0)
            GProbe->FStartedAt = MsSinceCreated();
        GProbe->Check();
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void TStartupProbe::NoteFramePaint() {
    if (FSignalled || !::IsWindowVisible(FMain)) return;
    if (!FFramePainted) FFrameAt = MsSinceCreated();
    FFramePainted = true;
    if (FSkinInactive) return;
    bool attached = false;
    if (SkinnedFramePainted(FMain, attached)) return;
    // Before the skin's first frame: the platform painted its own, or the skinner let the paint go by.
    (attached ? FBlankFrameFirst : FStandardFrameFirst) = true;
}

void TStartupProbe::Check() {
    if (FSignalled || !::IsWindowVisible(FMain)) return;
    if (FShown < 0) FShown = MsSinceCreated();
    bool framePainted = FFramePainted;
    if (!FSkinInactive) {
        bool attached = false;
        framePainted = SkinnedFramePainted(FMain, attached);
        if (attached && FSkinned < 0) FSkinned = MsSinceCreated();
    }
    if (!framePainted || !FClientPainted) return;
    FSignalled = true;
    FSignalAt = MsSinceCreated();
    ::SetEvent(FSignal);
    Report();
}

void TStartupProbe::Report() const {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) return;
    char line[200];
    const int n = std::snprintf(line, sizeof line,
                                "entry %.2f form %.2f shown %.2f skinned %.2f frame %.2f started %.2f signal %.2f "
                                "standard-frame-first %d blank-frame-first %d\n",
                                FEntry, FForm, FShown, FSkinned, FFrameAt, FStartedAt, FSignalAt,
                                FStandardFrameFirst ? 1 : 0, FBlankFrameFirst ? 1 : 0);
    DWORD written = 0;
    if (n > 0) ::WriteFile(out, line, static_cast<DWORD>(n), &written, nullptr);
}

}  // namespace qd
