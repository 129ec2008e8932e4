#pragma once
// The status bar: a row of text panels along the bottom of a form, on the platform's status bar control.
// Panel right edges are the running sums of the widths; the last panel always reaches the right edge.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"

namespace qd {

class TStatusBar;

class TStatusPanel : public TPersistent {
public:
    explicit TStatusPanel(TStatusBar* bar) : FBar(bar) {}
    const TClassInfo& ClassInfo() const override;
    static const TClassInfo& StaticClassInfo();

    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment value);
    int Width() const noexcept { return FWidth; }
    // Negative widths are rejected.
    void SetWidth(int value);
    const std::wstring& Text() const noexcept { return FText; }
    void SetText(const std::wstring& value);
    int Index() const;

private:
    TStatusBar* FBar;
    TAlignment FAlignment = taLeftJustify;
    int FWidth = 50;
    std::wstring FText;
};

class TStatusPanels {
public:
    // The platform control holds at most this many parts.
    static constexpr int kMaxPanels = 255;

    explicit TStatusPanels(TStatusBar* bar) : FBar(bar) {}
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TStatusPanel* Items(int index) const;
    TStatusPanel* operator[](int index) const { return Items(index); }
    TStatusPanel* Add();
    void Delete(int index);
    void Clear();
    // Several changes, one update of the control.
    void BeginUpdate() noexcept { ++FUpdating; }
    void EndUpdate();

private:
    friend class TStatusPanel;
    void Changed();
    TStatusBar* FBar;
    std::vector<std::unique_ptr<TStatusPanel>> FItems;
    int FUpdating = 0;
};

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;

    const TClassInfo& ClassInfo() const override;
    static const TClassInfo& StaticClassInfo();

    TStatusPanels& Panels() noexcept { return FPanels; }
    bool SimplePanel() const noexcept { return FSimplePanel; }
    void SetSimplePanel(bool value);
    const std::wstring& SimpleText() const noexcept { return FSimpleText; }
    void SetSimpleText(const std::wstring& value);
    bool SizeGrip() const noexcept { return FSizeGrip; }
    void SetSizeGrip(bool value);

    // Pushes panel widths and texts to the control (done on every change; public for the panels).
    void UpdatePanels();
    // Pushes one panel's text (a new clock text repaints that panel only).
    void UpdatePanelText(int index);
    // The text a panel carries in the control as the platform reports it (alignment marks removed).
    std::wstring PanelTextFromControl(int index);
    // Right edges of the parts as the control has them (-1 = to the right edge).
    std::vector<int> PartEdgesFromControl();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void WndProc(TMessage& message) override;

private:
    void UpdateParts(bool relayout = false);
    TStatusPanels FPanels;
    bool FSimplePanel = false;
    std::wstring FSimpleText;
    bool FSizeGrip = true;
};

}  // namespace qd
