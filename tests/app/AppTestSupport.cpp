#include "app/AppTestSupport.h"

#include <exception>
#include <utility>

#include "app/Unit_MessageBox.h"
#include "framework/Application.h"

namespace qd::apptest {

namespace {
[[maybe_unused]] const bool gPumpThroughApplication =
    (test::SetPumpStep([] { return Application->ProcessMessage(); }), true);
}  // namespace

void ResetApplication() {
    Application->ProcessMessages();
    Application->ResetTerminated();
}

// ---------------------------------------------------------------------------------------------------------------

namespace {
// Thread timers carry no context: the one running script is found here.
TUiScript* RunningScript = nullptr;
}  // namespace

TUiScript::TUiScript(int tickMs) : FTickMs(tickMs) {}

TUiScript::~TUiScript() { Stop(); }

TUiScript& TUiScript::Do(std::function<void()> action) {
    FSteps.push_back({[action = std::move(action)] {
                          action();
                          return true;
                      },
                      "action"});
    return *this;
}

TUiScript& TUiScript::WaitFor(std::function<bool()> condition, std::string what) {
    FSteps.push_back({std::move(condition), std::move(what)});
    return *this;
}

TUiScript& TUiScript::Then(TStep step) {
    FSteps.push_back({std::move(step), "step"});
    return *this;
}

void TUiScript::Start() {
    Stop();
    RunningScript = this;
    FStepStarted = ::GetTickCount();
    FTimer = ::SetTimer(nullptr, 0, static_cast<UINT>(FTickMs), &TUiScript::TimerProc);
    if (!FTimer) Failure = "SetTimer failed";
}

void TUiScript::Stop() {
    if (FTimer) ::KillTimer(nullptr, FTimer);
    FTimer = 0;
    if (RunningScript == this) RunningScript = nullptr;
}

void CALLBACK TUiScript::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    if (RunningScript && RunningScript->FTimer == id) RunningScript->Tick();
}

void TUiScript::Tick() {
    // One step per tick at most, and never nested: a step that pumps messages must not run the next one.
    static bool inTick = false;
    if (inTick || Finished()) return;
    inTick = true;
    TEntry& entry = FSteps[FNext];
    try {
        if (entry.Step()) {
            ++FNext;
            FStepStarted = ::GetTickCount();
        } else if (::GetTickCount() - FStepStarted > static_cast<DWORD>(TimeoutMs)) {
            Failure = "timed out waiting for: " + entry.What;
        }
    } catch (const std::exception& e) {
        Failure = std::string("step ") + std::to_string(FNext) + " raised: " + e.what();
    } catch (...) {
        Failure = "step " + std::to_string(FNext) + " raised an unknown exception";
    }
    inTick = false;
    if (Finished()) Stop();
}

// ---------------------------------------------------------------------------------------------------------------

void PostKey(HWND wnd, WORD vk) {
    const UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (1 << 30) | (static_cast<LPARAM>(1) << 31);
    ::PostMessageW(wnd, WM_KEYDOWN, vk, down);
    ::PostMessageW(wnd, WM_KEYUP, vk, up);
}

void PostKeyToFocus(WORD vk) {
    HWND focus = ::GetFocus();
    PostKey(focus ? focus : ::GetActiveWindow(), vk);
}

std::vector<BYTE> HoldModifier(WORD vk) {
    std::vector<BYTE> previous(256);
    ::GetKeyboardState(previous.data());
    std::vector<BYTE> held = previous;
    held[vk] |= 0x80;
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) held[VK_SHIFT] |= 0x80;
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) held[VK_CONTROL] |= 0x80;
    ::SetKeyboardState(held.data());
    return previous;
}

void RestoreKeyboardState(const std::vector<BYTE>& state) {
    if (state.size() == 256) ::SetKeyboardState(const_cast<BYTE*>(state.data()));
}

void SendKeyChord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        inputs.push_back(in);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        --it;
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *it;
        in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(*it, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool BoxShowing() {
    return Form_MessageBox && Form_MessageBox->HandleAllocated() && ::IsWindowVisible(Form_MessageBox->Handle());
}

}  // namespace qd::apptest
