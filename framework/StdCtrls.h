#pragma once
// Labels: text drawn on the parent's surface (no window), with alignment, vertical layout, word wrap,
// automatic sizing and an accelerator character that focuses another control.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Controls.h"

namespace qd {

enum class TTextLayout { tlTop, tlCenter, tlBottom };
using enum TTextLayout;

class TCustomLabel : public TGraphicControl {
    QD_CLASS_INFO
public:
    explicit TCustomLabel(TComponent* AOwner);
    ~TCustomLabel() override;

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
    QD_CLASS_INFO
public:
    using TCustomLabel::TCustomLabel;
};

// ---------------------------------------------------------------------------------------------------------------
// Thin wrappers over the platform's controls. Each builds on the platform class, keeps its published values while
// it has no window and hands them to the window when it is made; notifications come back reflected from the
// parent (CN_COMMAND, CN_HSCROLL, ...).

// A push button. Default makes it the form's Enter button (BS_DEFPUSHBUTTON), Cancel its Escape button; a click
// gives the form its ModalResult, then runs OnClick.
class TButton : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TButton(TComponent* AOwner);

    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const noexcept { return FCancel; }
    void SetCancel(bool value) noexcept { FCancel = value; }
    int ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(int value) noexcept { FModalResult = value; }

    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    // The button style (BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_OWNERDRAW for a bit button).
    virtual DWORD ButtonStyle() const;

private:
    bool FDefault = false;
    bool FCancel = false;
    int FModalResult = 0;
};

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
using enum TCheckBoxState;

// The platform's button with a mark: base of the check box and the radio button. Alignment taLeftJustify puts
// the caption left of the mark. A click, or the caption's mnemonic (which focuses the control first), runs Toggle.
class TCheckableButton : public TWinControl {
public:
    using TWinControl::TWinControl;

    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment value);

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    // What a click does to the state.
    virtual void Toggle() = 0;

private:
    TAlignment FAlignment = taRightJustify;
};

// A check box. State cycles unchecked -> checked (-> grayed with AllowGrayed) on each click; every change of
// State, by the user or in code, runs OnClick.
class TCheckBox : public TCheckableButton {
    QD_CLASS_INFO
public:
    explicit TCheckBox(TComponent* AOwner);

    using TComponent::SetState;
    TCheckBoxState State() const noexcept { return FState; }
    void SetState(TCheckBoxState value);
    bool Checked() const noexcept { return FState == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    bool AllowGrayed() const noexcept { return FAllowGrayed; }
    void SetAllowGrayed(bool value) noexcept { FAllowGrayed = value; }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void Toggle() override;

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
};

// A radio button. Checking one unchecks the other radio buttons of the same parent; a change runs OnClick.
// A click checks it.
class TRadioButton : public TCheckableButton {
    QD_CLASS_INFO
public:
    explicit TRadioButton(TComponent* AOwner);

    bool Checked() const noexcept { return FChecked; }
    void SetChecked(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void Toggle() override { SetChecked(true); }

private:
    bool FChecked = false;
};

// A captioned frame around other controls (the platform's group box; its children are its child windows).
class TGroupBox : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TGroupBox(TComponent* AOwner);

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
};

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
using enum TEditCharCase;

// A one-line edit. Text is the window's text; every change of it runs OnChange.
class TEdit : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TEdit(TComponent* AOwner);

    const std::wstring& Text() override;
    bool ReadOnly() const noexcept { return FReadOnly; }
    void SetReadOnly(bool value);
    int MaxLength() const noexcept { return FMaxLength; }
    void SetMaxLength(int value);
    wchar_t PasswordChar() const noexcept { return FPasswordChar; }
    void SetPasswordChar(wchar_t value);
    TEditCharCase CharCase() const noexcept { return FCharCase; }
    void SetCharCase(TEditCharCase value);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void WndProc(TMessage& message) override;
    virtual void Change();

private:
    bool FReadOnly = false;
    int FMaxLength = 0;
    wchar_t FPasswordChar = 0;
    TEditCharCase FCharCase = ecNormal;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
using enum TScrollStyle;

// A multi-line edit. Lines are the text split at line breaks.
class TMemo : public TEdit {
    QD_CLASS_INFO
public:
    explicit TMemo(TComponent* AOwner);

    std::vector<std::string> Lines();
    void SetLines(const std::vector<std::string>& lines);
    TScrollStyle ScrollBars() const noexcept { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool value);

protected:
    void CreateParams(TCreateParams& params) override;

private:
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
};

// What a list box and a combo box have alike: texts to pick one from, which live in the control once it has a
// window and are kept here while it has none, and the picked one (ItemIndex, -1: none).
class TListControl : public TWinControl {
public:
    // The platform's messages for the list.
    struct TListMessages {
        UINT GetCount, GetTextLen, GetText, ResetContent, AddString, GetCurSel;
    };

    std::vector<std::string> Items();
    void SetItems(const std::vector<std::string>& items);
    int ItemCount();
    int ItemIndex();

protected:
    TListControl(TComponent* AOwner, const TListMessages& messages) : TWinControl(AOwner), FMessages(messages) {}
    // Hands the kept items to the new window.
    void RestoreItems();
    // Keeps the window's items and pick for the next window.
    void SaveItems();
    std::vector<std::wstring> ReadItems() const;
    // A stored index may come before the stored items: while loading it is taken as it is, else -1 past the end.
    int CheckedIndex(int value);

    std::vector<std::wstring> FItems;  // while there is no window
    int FItemIndex = -1;

private:
    const TListMessages& FMessages;
};

// A list of texts to pick one from. A selection by the user runs OnClick.
class TListBox : public TListControl {
    QD_CLASS_INFO
public:
    explicit TListBox(TComponent* AOwner);

    void SetItemIndex(int value);
    bool Sorted() const noexcept { return FSorted; }
    void SetSorted(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;

private:
    bool FSorted = false;
};

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList };
using enum TComboBoxStyle;

// A combo box: an edit (or a static text) with a list. OnChange runs when the text changes by typing or by a
// pick from the list.
class TComboBox : public TListControl {
    QD_CLASS_INFO
public:
    explicit TComboBox(TComponent* AOwner);

    TComboBoxStyle Style() const noexcept { return FStyle; }
    void SetStyle(TComboBoxStyle value);
    void SetItemIndex(int value);
    int DropDownCount() const noexcept { return FDropDownCount; }
    void SetDropDownCount(int value);
    const std::wstring& Text() override;
    bool DroppedDown();
    void SetDroppedDown(bool value);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void DestroyWnd() override;
    void BoundsChanged() override;
    void WndProc(TMessage& message) override;

private:
    int ListHeight() const noexcept;
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
};

enum class TScrollBarKind { sbHorizontal, sbVertical };
using enum TScrollBarKind;

// A scroll bar control. Position follows the arrows, the page area and the thumb; each change runs OnChange.
class TScrollBar : public TRangeControl {
    QD_CLASS_INFO
public:
    explicit TScrollBar(TComponent* AOwner);

    TScrollBarKind Kind() const noexcept { return FKind; }
    void SetKind(TScrollBarKind value);
    int Position() const noexcept { return FPosition; }
    void SetPosition(int value);
    int PageSize() const noexcept { return FPageSize; }
    void SetPageSize(int value);
    int SmallChange() const noexcept { return FSmallChange; }
    void SetSmallChange(int value) noexcept { FSmallChange = value; }
    int LargeChange() const noexcept { return FLargeChange; }
    void SetLargeChange(int value) noexcept { FLargeChange = value; }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void WndProc(TMessage& message) override;
    void RangeChanged() override { UpdateScrollInfo(); }

private:
    void UpdateScrollInfo();
    void Scroll(int code);
    TScrollBarKind FKind = sbHorizontal;
    int FPageSize = 0;
    int FSmallChange = 1, FLargeChange = 1;
};

}  // namespace qd
