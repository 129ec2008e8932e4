#pragma once
// The main window: status bar with the vendor's texts and a clock, the browser host, the skin data component
// and the clock timer, all built from the stored description "TFORM_MAIN". Closing asks for confirmation.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

namespace qd {

class TEmbeddedBrowser;
class TSkinData;

// Where the clock reads the local date and time (tests replace it to drive time).
using TClockSource = std::function<SYSTEMTIME()>;

// The status bar clock: year with four digits, month and day without leading zeros, hour (00-23), minutes and
// seconds with two digits, e.g. "2026年12月6日 08:05:09". The colons are literal, not the locale's separator.
std::wstring FormatClockText(const SYSTEMTIME& time);

class TForm_Main : public TForm {
    QD_CLASS_INFO
public:
    // Index of the clock panel in StatusBar_Main.
    static constexpr int kClockPanel = 4;
    static constexpr int kPanelCount = 5;

    // Reads the stored description of class TForm_Main (or the one the form resource provider answers).
    explicit TForm_Main(TComponent* AOwner);
    ~TForm_Main() override;

    // Published components, set by the stored description.
    TStatusBar* StatusBar_Main = nullptr;
    TEmbeddedBrowser* WebBrowser = nullptr;
    TSkinData* SkinData_Main = nullptr;
    TTimer* Timer_Main = nullptr;

    // Event handlers, bound by name from the stored description.
    void FormCreate(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void Timer_MainTimer(TObject* Sender);

    void Loaded() override;

    // The clock's time source; an empty source goes back to the local time (GetLocalTime).
    void SetClockSource(TClockSource source);

private:
    // The components the handlers rely on exist: the status bar with its panels, the timer, the browser host
    // and the skin data component (a description without them is rejected).
    void CheckComponents() const;

    TClockSource FClock;
};

// The application's main window (set by the program entry).
extern TForm_Main* Form_Main;

}  // namespace qd
