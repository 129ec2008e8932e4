#pragma once
// Helpers of the application tests and the confirmation box benchmark: pumping the application's loop until
// something holds, a script of steps that runs from a thread timer while a modal loop owns the thread, and
// keyboard input for the box (posted key messages, or real input through SendInput).

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/Pump.h"

namespace qd::apptest {

// The tests' pump (tests/support/Pump.h), here through the application's own loop.
using test::Pump;
using test::PumpUntil;
// Handles what is queued, forgets an earlier Terminate and its quit message.
void ResetApplication();

// Steps run one after the other from a thread timer, so they also run inside modal loops (ShowModal). A step
// returns true when it is done; a step returning false is called again on the next tick until `TimeoutMs`
// passed, which ends the script with Failure set. Exceptions in steps end the script the same way.
class TUiScript {
public:
    using TStep = std::function<bool()>;
    explicit TUiScript(int tickMs = 20);
    ~TUiScript();
    TUiScript(const TUiScript&) = delete;
    TUiScript& operator=(const TUiScript&) = delete;

    // A step that runs once.
    TUiScript& Do(std::function<void()> action);
    // A step that waits until `condition` holds.
    TUiScript& WaitFor(std::function<bool()> condition, std::string what);
    TUiScript& Then(TStep step);
    // Starts the timer (the first step runs on the first tick).
    void Start();
    bool Finished() const noexcept { return FNext >= FSteps.size() || !Failure.empty(); }
    std::string Failure;
    int TimeoutMs = 5000;

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
    void Tick();
    void Stop();
    struct TEntry {
        TStep Step;
        std::string What;
    };
    std::vector<TEntry> FSteps;
    std::size_t FNext = 0;
    DWORD FStepStarted = 0;
    UINT_PTR FTimer = 0;
    int FTickMs;
};

// Posts a key press (down and up) to `wnd` the way the keyboard would deliver it.
void PostKey(HWND wnd, WORD vk);
// Posts a key press to the window that has the keyboard focus in this thread.
void PostKeyToFocus(WORD vk);
// Sets the thread's view of a modifier key (GetKeyState), for posted key combinations; returns the previous
// keyboard state so it can be put back with RestoreKeyboardState.
std::vector<BYTE> HoldModifier(WORD vk);
void RestoreKeyboardState(const std::vector<BYTE>& state);
// Real keyboard input through SendInput: presses the keys in order, then releases them in reverse order.
void SendKeyChord(std::initializer_list<WORD> keys);

// The confirmation box is showing (created, its window visible).
bool BoxShowing();

}  // namespace qd::apptest
