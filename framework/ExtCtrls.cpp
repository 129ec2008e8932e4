#include "framework/ExtCtrls.h"

#include "framework/Application.h"

namespace qd {

namespace {
constexpr UINT_PTR kTimerId = 1;

const wchar_t* UtilityClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TTimerWindow";
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered) throw EInvalidOperation("Cannot register the timer window class");
    return L"TTimerWindow";
}
}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    // A message-only window: never shown, never enumerated as a top-level window.
    FWindow = ::CreateWindowExW(0, UtilityClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    if (!FWindow) throw EInvalidOperation("Cannot create the timer window");
    ::SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTimer::UtilityWndProc));
}

TTimer::~TTimer() {
    if (FRunning) ::KillTimer(FWindow, kTimerId);
    FRunning = false;
    // Unbind first: a WM_TIMER already queued must find no object.
    ::SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    ::DestroyWindow(FWindow);
}

LRESULT CALLBACK TTimer::UtilityWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kTimerId) {
        if (auto* timer = reinterpret_cast<TTimer*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA))) timer->Tick();
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

void TTimer::Tick() noexcept {
    if (!FEnabled) return;
    // The handler may free this timer (or its owner): nothing of ours is touched after it returns.
    TNotifyEvent handler = OnTimer;
    if (handler) CallGuarded([&] { handler(this); });
}

void TTimer::UpdateTimer() {
    if (FRunning) {
        ::KillTimer(FWindow, kTimerId);
        FRunning = false;
    }
    if (FEnabled && FInterval > 0 && OnTimer && !HasState(TComponentStateFlag::csLoading)) {
        if (!::SetTimer(FWindow, kTimerId, FInterval, nullptr)) throw EInvalidOperation("Not enough timers available");
        FRunning = true;
    }
}

void TTimer::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    if (value == FInterval) return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::SetIntervalChecked(std::int64_t value) {
    if (value < 0 || value > 0x7FFFFFFF)
        throw EInvalidOperation("Timer interval out of range: " + std::to_string(value));
    SetInterval(static_cast<unsigned>(value));
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    OnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

}  // namespace qd

#include "framework/Properties.h"

namespace qd {
const TClassInfo& TTimer::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TTimer>("TTimer", &TComponent::StaticClassInfo())
                                       .Bool("Enabled", &TTimer::Enabled, &TTimer::SetEnabled)
                                       .Int("Interval", &TTimer::Interval, &TTimer::SetInterval)
                                       .Event("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer)
                                       .Build();
    return info;
}
const TClassInfo& TTimer::ClassInfo() const { return StaticClassInfo(); }
}  // namespace qd
