#pragma once
// A timer component: fires OnTimer every Interval milliseconds while Enabled, on the GUI thread; a panel with
// bevels; a group of radio buttons made from a list of texts.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Controls.h"
#include "framework/StdCtrls.h"

namespace qd {

class TTimer : public TComponent {
    QD_CLASS_INFO
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer. A stored negative value is rejected by the property's range.
    unsigned Interval() const noexcept { return FInterval; }
    void SetInterval(unsigned value);
    TNotifyEvent OnTimer;
    void SetOnTimer(TNotifyEvent handler);

    // True while the platform timer runs (enabled, interval > 0, a handler, not loading).
    bool Running() const noexcept { return FRunning; }
    // What a tick does (tests drive time through this). Exceptions go to the error report.
    void Tick() noexcept;

    void Loaded() override;

private:
    void UpdateTimer();
    // Stores a value that decides whether and how often the timer runs; restarts it when the value changed.
    template <class T>
    void SetAndRestart(T& field, const T& value) {
        if (field == value) return;
        field = value;
        UpdateTimer();
    }
    static LRESULT CALLBACK UtilityWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    bool FEnabled = true;
    unsigned FInterval = 1000;
    HWND FWindow = nullptr;
    bool FRunning = false;
};

enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
using enum TPanelBevel;

// A container that paints its colour, an outer and an inner bevel and its caption.
class TPanel : public TCustomControl {
    QD_CLASS_INFO
public:
    explicit TPanel(TComponent* AOwner);

    TPanelBevel BevelOuter() const noexcept { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel value);
    TPanelBevel BevelInner() const noexcept { return FBevelInner; }
    void SetBevelInner(TPanelBevel value);
    int BevelWidth() const noexcept { return FBevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const noexcept { return FBorderWidth; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment value);

protected:
    void Paint() override;
    // Aligned children stay inside the bevels.
    void AlignControls(TControl* control, RECT& rect) override;

private:
    int FrameWidth() const noexcept;
    TPanelBevel FBevelOuter = bvRaised;
    TPanelBevel FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
};

// A group box holding one radio button per item, in Columns columns. ItemIndex is the checked one (-1: none);
// a change by the user runs OnClick.
class TRadioGroup : public TGroupBox {
    QD_CLASS_INFO
public:
    explicit TRadioGroup(TComponent* AOwner);
    ~TRadioGroup() override;

    std::vector<std::string> Items() const;
    void SetItems(const std::vector<std::string>& items);
    int ItemIndex() const noexcept { return FItemIndex; }
    void SetItemIndex(int value);
    int Columns() const noexcept { return FColumns; }
    void SetColumns(int value);
    // The radio button of item i.
    TRadioButton* Buttons(int index) const;
    int ButtonCount() const noexcept { return static_cast<int>(FButtons.size()); }

protected:
    void WndProc(TMessage& message) override;
    void FontChanged() override;

private:
    void ArrangeButtons();
    void ButtonClicked(TRadioButton* button);
    std::vector<std::wstring> FItems;
    std::vector<TRadioButton*> FButtons;
    int FItemIndex = -1;
    int FColumns = 1;
    bool FUpdating = false;
};

}  // namespace qd
