#pragma once
// Labels: text drawn on the parent's surface (no window), with alignment, vertical layout, word wrap,
// automatic sizing and an accelerator character that focuses another control.

#include <windows.h>

#include <string>

#include "framework/Controls.h"

namespace qd {

enum class TTextLayout { tlTop, tlCenter, tlBottom };
using enum TTextLayout;

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* AOwner);
    ~TCustomLabel() override;

    const TClassInfo& ClassInfo() const override;
    static const TClassInfo& StaticClassInfo();

    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const noexcept { return FLayout; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool value);
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool value);
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const noexcept { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const noexcept { return FFocusControl; }
    void SetFocusControl(TWinControl* value);
    // Stored descriptions name the focus control; it is looked up among the root's components when loading ends.
    void SetFocusControlName(const std::string& name);

    void Loaded() override;

protected:
    void WndProc(TMessage& message) override;
    void Paint() override;
    void Notification(TComponent* component, TOperation operation) override;
    void TextChanged() override;
    void FontChanged() override;

    // DrawTextW flags for the caption: alignment, tab expansion, word break, prefix handling.
    virtual UINT DrawTextFlags() const;
    // Draws the caption into `rect` with `flags` on Canvas() (DT_CALCRECT measures into rect).
    virtual void DoDrawText(RECT& rect, UINT flags);
    // Resizes to the caption when AutoSize is on (not while loading).
    virtual void AdjustBounds();
    // The caption as drawn ("&" doubled and the like are the platform's business; an empty caption
    // measures like a blank so an auto-sized label keeps a height).
    virtual std::wstring LabelText() const;

private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FAutoSize = true;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
    std::string FFocusControlName;
};

// The plain label.
class TLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
    const TClassInfo& ClassInfo() const override;
    static const TClassInfo& StaticClassInfo();
};

// The accelerator character of a caption ("&File" -> 'F'), or 0. "&&" is a literal ampersand.
wchar_t AccelCharOf(const std::wstring& caption) noexcept;

}  // namespace qd
