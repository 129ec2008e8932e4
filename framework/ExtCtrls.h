#pragma once
// A timer component: fires OnTimer every Interval milliseconds while Enabled, on the GUI thread.

#include <windows.h>

#include "framework/Component.h"

namespace qd {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    const TClassInfo& ClassInfo() const override;
    static const TClassInfo& StaticClassInfo();

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer. Negative values are rejected.
    unsigned Interval() const noexcept { return FInterval; }
    void SetInterval(unsigned value);
    void SetIntervalChecked(std::int64_t value);
    TNotifyEvent OnTimer;
    void SetOnTimer(TNotifyEvent handler);

    // True while the platform timer runs (enabled, interval > 0, a handler, not loading).
    bool Running() const noexcept { return FRunning; }
    // What a tick does (tests drive time through this). Exceptions go to the error report.
    void Tick() noexcept;

    void Loaded() override;

private:
    void UpdateTimer();
    static LRESULT CALLBACK UtilityWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    bool FEnabled = true;
    unsigned FInterval = 1000;
    HWND FWindow = nullptr;
    bool FRunning = false;
};

}  // namespace qd
