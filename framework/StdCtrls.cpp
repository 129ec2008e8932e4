#include "framework/StdCtrls.h"

#include "framework/Forms.h"

namespace qd {

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 65;
    FHeight = 17;
}

TCustomLabel::~TCustomLabel() {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
}

void TCustomLabel::SetAlignment(TAlignment value) { SetAndInvalidate(FAlignment, value); }

void TCustomLabel::SetLayout(TTextLayout value) { SetAndInvalidate(FLayout, value); }

void TCustomLabel::SetWordWrap(bool value) { SetAndInvalidate(FWordWrap, value, &TCustomLabel::AdjustBounds); }

void TCustomLabel::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool value) { SetAndInvalidate(FTransparent, value); }

void TCustomLabel::SetShowAccelChar(bool value) {
    SetAndInvalidate(FShowAccelChar, value, &TCustomLabel::AdjustBounds);
}

void TCustomLabel::SetFocusControl(TWinControl* value) { SetReference(FFocusControl, value); }

void TCustomLabel::SetFocusControlName(const std::string& name) { FFocusControlName = name; }

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    if (!FFocusControlName.empty()) {
        TComponent* root = Owner();
        TComponent* found = root ? root->FindComponent(FFocusControlName) : nullptr;
        auto* control = dynamic_cast<TWinControl*>(found);
        if (!control)
            throw EInvalidOperation("FocusControl \"" + FFocusControlName + "\" of " + Name() +
                                    " is not a windowed control of the form");
        SetFocusControl(control);
        FFocusControlName.clear();
    }
    AdjustBounds();
}

void TCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

std::wstring TCustomLabel::LabelText() const {
    const std::wstring& text = FText;
    if (text.empty() || (FShowAccelChar && text == L"&")) return L" ";
    return text;
}

UINT TCustomLabel::DrawTextFlags() const {
    UINT flags = DT_EXPANDTABS;
    switch (FAlignment) {
        case taCenter:
            flags |= DT_CENTER;
            break;
        case taRightJustify:
            flags |= DT_RIGHT;
            break;
        default:
            flags |= DT_LEFT;
            break;
    }
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    return flags;
}

void TCustomLabel::DoDrawText(RECT& rect, UINT flags) {
    TCanvas& canvas = Canvas();
    const std::wstring text = LabelText();
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    if (!Enabled() && !(flags & DT_CALCRECT)) canvas.Font().SetColor(clGrayText);
    canvas.DrawText(text, rect, flags);
}

void TCustomLabel::Paint() {
    TCanvas& canvas = Canvas();
    RECT r = ClientRect();
    if (!FTransparent) {
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.FillRect(r);
    }
    const UINT flags = DrawTextFlags();
    if (FLayout != tlTop) {
        RECT calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        const int free = (r.bottom - r.top) - (calc.bottom - calc.top);
        r.top += FLayout == tlBottom ? free : free / 2;
    }
    DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || HasState(TComponentStateFlag::csLoading)) return;
    TWindowDC screen(nullptr);
    if (!screen) return;
    RECT r = ClientRect();
    {
        const TCanvasHandleScope lent(Canvas(), screen);
        if (!FWordWrap) r.right = r.left + 0x3FFF;
        DoDrawText(r, DrawTextFlags() | DT_CALCRECT);
    }
    int left = FLeft;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (FAlignment == taRightJustify) left = FLeft + FWidth - width;
    SetBounds(left, FTop, width, height);
}

void TCustomLabel::WndProc(TMessage& m) {
    if (m.Msg == CM_DIALOGCHAR) {
        // The caption's accelerator focuses the control this label names.
        if (FShowAccelChar) PressOnMnemonic(m, FText, FFocusControl, [this] { FFocusControl->SetFocus(); });
        return;
    }
    TGraphicControl::WndProc(m);
}

}  // namespace qd

#include "framework/Properties.h"

namespace qd {
const TClassInfo& TCustomLabel::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TCustomLabel>("TCustomLabel", &TGraphicControl::StaticClassInfo())
            .Enum("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment, AlignmentIdents())
            .Enum("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout, {"tlTop", "tlCenter", "tlBottom"})
            .Bool("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap)
            .Bool("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize)
            .Bool("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent)
            .Bool("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar)
            .Custom(
                "FocusControl",
                [](TCustomLabel& l) {
                    return detail::EncodeIdent(l.FocusControl() ? l.FocusControl()->Name() : "nil");
                },
                [](TCustomLabel& l, const TFormValue& v) {
                    if (v.Kind != TFormValueKind::vkIdent) throw EPropertyError("expected a component name");
                    if (SameTextAscii(v.Text, "nil")) {
                        l.SetFocusControl(nullptr);
                        l.SetFocusControlName({});
                    } else {
                        l.SetFocusControlName(v.Text);
                    }
                });
    return info;
}

const TClassInfo& TLabel::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TLabel>("TLabel", &TCustomLabel::StaticClassInfo());
    return info;
}
}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Platform control wrappers

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace qd {

namespace {

std::wstring WindowTextOf(HWND wnd) {
    const int length = ::GetWindowTextLengthW(wnd);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int got = ::GetWindowTextW(wnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

// Flips one style bit of an existing window and lets it repaint.
void ApplyStyleBit(HWND wnd, DWORD bit, bool on) {
    if (!wnd) return;
    const LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
    const LONG_PTR next = on ? (style | static_cast<LONG_PTR>(bit)) : (style & ~static_cast<LONG_PTR>(bit));
    if (next == style) return;
    ::SetWindowLongPtrW(wnd, GWL_STYLE, next);
    ::InvalidateRect(wnd, nullptr, TRUE);
}

// Reads the texts of a list box or a combo box's list.
std::vector<std::wstring> ReadListItems(HWND wnd, UINT countMsg, UINT lengthMsg, UINT textMsg) {
    std::vector<std::wstring> items;
    const LRESULT count = ::SendMessageW(wnd, countMsg, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = ::SendMessageW(wnd, lengthMsg, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        const LRESULT got = ::SendMessageW(wnd, textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
        items.push_back(std::move(text));
    }
    return items;
}

void WriteListItems(HWND wnd, UINT resetMsg, UINT addMsg, const std::vector<std::wstring>& items) {
    ::SendMessageW(wnd, resetMsg, 0, 0);
    for (const auto& item : items) ::SendMessageW(wnd, addMsg, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 75;
    FHeight = 25;
    SetTabStop(true);
}

DWORD TButton::ButtonStyle() const { return FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }

void TButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_BUTTONW;
    p.Style |= ButtonStyle();
}

void TButton::SetDefault(bool value) {
    if (value == FDefault) return;
    FDefault = value;
    SendIfMade(BM_SETSTYLE, ButtonStyle(), TRUE);
}

void TButton::Click() {
    if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_BASE + WM_COMMAND:
            if (HIWORD(m.WParam) == BN_CLICKED) Click();
            return;
        case CM_DIALOGKEY:
            // Enter presses the default button, Escape the cancel button, unless another button has the focus.
            if (((m.WParam == VK_RETURN && FDefault) || (m.WParam == VK_ESCAPE && FCancel)) && Visible() && Enabled()) {
                Click();
                m.Result = 1;
            }
            return;
        case CM_DIALOGCHAR:
            PressOnMnemonic(m, FText, this, [this] { Click(); });
            return;
        default:
            break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TCheckableButton

void TCheckableButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_BUTTONW;
    if (FAlignment == taLeftJustify) p.Style |= BS_LEFTTEXT;
}

void TCheckableButton::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    ApplyStyleBit(FHandle, BS_LEFTTEXT, value == taLeftJustify);
}

void TCheckableButton::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_BASE + WM_COMMAND:
            if (HIWORD(m.WParam) == BN_CLICKED) Toggle();
            return;
        case CM_DIALOGCHAR:
            PressOnMnemonic(m, FText, this, [this] {
                SetFocus();
                Toggle();
            });
            return;
        default:
            break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TCheckableButton(AOwner) {
    FWidth = 97;
    FHeight = 17;
    SetTabStop(true);
}

void TCheckBox::CreateParams(TCreateParams& p) {
    TCheckableButton::CreateParams(p);
    // Not an automatic box: the state is ours, the control shows it.
    p.Style |= BS_3STATE;
}

void TCheckBox::CreateHandleCompleted() {
    TCheckableButton::CreateHandleCompleted();
    ::SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCheckBox::SetState(TCheckBoxState value) {
    if (value == FState) return;
    FState = value;
    SendIfMade(BM_SETCHECK, static_cast<WPARAM>(FState), 0);
    if (!HasState(TComponentStateFlag::csLoading)) Click();
}

void TCheckBox::Toggle() {
    switch (FState) {
        case cbUnchecked:
            SetState(cbChecked);
            break;
        case cbChecked:
            SetState(FAllowGrayed ? cbGrayed : cbUnchecked);
            break;
        default:
            SetState(cbUnchecked);
            break;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TCheckableButton(AOwner) {
    FWidth = 113;
    FHeight = 17;
}

void TRadioButton::CreateParams(TCreateParams& p) {
    TCheckableButton::CreateParams(p);
    p.Style |= BS_RADIOBUTTON;
    if (FChecked) p.Style |= WS_TABSTOP;
}

void TRadioButton::CreateHandleCompleted() {
    TCheckableButton::CreateHandleCompleted();
    ::SendMessageW(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool value) {
    if (value == FChecked) return;
    FChecked = value;
    SetTabStop(value);
    if (FHandle) {
        ::SendMessageW(FHandle, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        ApplyStyleBit(FHandle, WS_TABSTOP, value);
    }
    if (value && Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); other && other != this)
                other->SetChecked(false);
    }
    if (value && !HasState(TComponentStateFlag::csLoading)) Click();
}

// ---------------------------------------------------------------------------------------------------------------
// TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 185;
    FHeight = 105;
}

void TGroupBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_BUTTONW;
    p.Style |= BS_GROUPBOX;
}

void TGroupBox::WndProc(TMessage& m) {
    // Platform quirk: the platform's group box answers HTTRANSPARENT everywhere, so clicks on its frame fall
    // through to the form; ours is a container and takes its own clicks (right clicks for its menu included).
    if (m.Msg == WM_NCHITTEST) {
        m.Result = HTCLIENT;
        return;
    }
    // The platform's group box paints its background with the parent's colour brush; erase with ours.
    if (m.Msg == WM_ERASEBKGND) {
        RECT r{};
        ::GetClientRect(FHandle, &r);
        ::FillRect(reinterpret_cast<HDC>(m.WParam), &r, BackgroundBrush());
        m.Result = 1;
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TEdit

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 121;
    FHeight = 21;
    SetTabStop(true);
    SetColor(clWindow);
}

void TEdit::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_EDITW;
    p.ExStyle |= WS_EX_CLIENTEDGE;
    p.Style |= ES_AUTOHSCROLL;
    if (FReadOnly) p.Style |= ES_READONLY;
    if (FCharCase == ecUpperCase) p.Style |= ES_UPPERCASE;
    if (FCharCase == ecLowerCase) p.Style |= ES_LOWERCASE;
}

void TEdit::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    ::SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    if (FPasswordChar) ::SendMessageW(FHandle, EM_SETPASSWORDCHAR, FPasswordChar, 0);
}

const std::wstring& TEdit::Text() {
    if (FHandle) FText = WindowTextOf(FHandle);
    return FText;
}

void TEdit::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    FReadOnly = value;
    SendIfMade(EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TEdit::SetMaxLength(int value) {
    FMaxLength = std::max(value, 0);
    SendIfMade(EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TEdit::SetPasswordChar(wchar_t value) {
    if (value == FPasswordChar) return;
    FPasswordChar = value;
    if (FHandle) {
        ::SendMessageW(FHandle, EM_SETPASSWORDCHAR, value, 0);
        ::InvalidateRect(FHandle, nullptr, TRUE);
    }
}

void TEdit::SetCharCase(TEditCharCase value) {
    if (value == FCharCase) return;
    FCharCase = value;
    ApplyStyleBit(FHandle, ES_UPPERCASE, value == ecUpperCase);
    ApplyStyleBit(FHandle, ES_LOWERCASE, value == ecLowerCase);
}

void TEdit::Change() {
    if (OnChange) OnChange(this);
}

void TEdit::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_COMMAND) {
        if (HIWORD(m.WParam) == EN_CHANGE) {
            FText = WindowTextOf(FHandle);
            if (!HasState(TComponentStateFlag::csLoading)) Change();
        }
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TMemo

TMemo::TMemo(TComponent* AOwner) : TEdit(AOwner) {
    FWidth = 185;
    FHeight = 89;
}

void TMemo::CreateParams(TCreateParams& p) {
    TEdit::CreateParams(p);
    p.Style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    if (FWordWrap && FScrollBars != ssHorizontal && FScrollBars != ssBoth) p.Style &= ~ES_AUTOHSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) p.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= WS_HSCROLL;
}

std::vector<std::string> TMemo::Lines() {
    std::vector<std::string> lines;
    const std::wstring& text = Text();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            if (start < text.size()) lines.push_back(WideToUtf8(text.substr(start)));
            break;
        }
        lines.push_back(WideToUtf8(text.substr(start, end - start)));
        start = end + 2;
    }
    return lines;
}

void TMemo::SetLines(const std::vector<std::string>& lines) {
    std::wstring text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += L"\r\n";
        text += Utf8ToWide(lines[i]);
    }
    SetText(text);
}

void TMemo::SetScrollBars(TScrollStyle value) { SetAndRecreate(FScrollBars, value); }

void TMemo::SetWordWrap(bool value) { SetAndRecreate(FWordWrap, value); }

// ---------------------------------------------------------------------------------------------------------------
// TListBox

std::vector<std::string> TListControl::Items() { return WideToUtf8(FHandle ? ReadItems() : FItems); }

void TListControl::SetItems(const std::vector<std::string>& items) {
    if (FHandle) {
        WriteListItems(FHandle, FMessages.ResetContent, FMessages.AddString, Utf8ToWide(items));
    } else {
        FItems = Utf8ToWide(items);
        if (!HasState(TComponentStateFlag::csLoading)) FItemIndex = -1;
    }
}

int TListControl::ItemCount() {
    if (FHandle) return static_cast<int>(::SendMessageW(FHandle, FMessages.GetCount, 0, 0));
    return static_cast<int>(FItems.size());
}

int TListControl::ItemIndex() {
    if (FHandle) return static_cast<int>(::SendMessageW(FHandle, FMessages.GetCurSel, 0, 0));
    return FItemIndex;
}

int TListControl::CheckedIndex(int value) {
    if (!HasState(TComponentStateFlag::csLoading) && (value < -1 || value >= ItemCount())) return -1;
    return value;
}

std::vector<std::wstring> TListControl::ReadItems() const {
    return ReadListItems(FHandle, FMessages.GetCount, FMessages.GetTextLen, FMessages.GetText);
}

void TListControl::RestoreItems() {
    WriteListItems(FHandle, FMessages.ResetContent, FMessages.AddString, FItems);
    FItems.clear();
}

void TListControl::SaveItems() {
    if (!FHandle) return;
    FItems = ReadItems();
    FItemIndex = static_cast<int>(::SendMessageW(FHandle, FMessages.GetCurSel, 0, 0));
}

// ---------------------------------------------------------------------------------------------------------------
// TListBox

namespace {
constexpr TListControl::TListMessages kListBoxMessages{LB_GETCOUNT,     LB_GETTEXTLEN, LB_GETTEXT,
                                                       LB_RESETCONTENT, LB_ADDSTRING,  LB_GETCURSEL};
constexpr TListControl::TListMessages kComboBoxMessages{CB_GETCOUNT,     CB_GETLBTEXTLEN, CB_GETLBTEXT,
                                                        CB_RESETCONTENT, CB_ADDSTRING,    CB_GETCURSEL};
}  // namespace

TListBox::TListBox(TComponent* AOwner) : TListControl(AOwner, kListBoxMessages) {
    FWidth = 121;
    FHeight = 97;
    SetTabStop(true);
    SetColor(clWindow);
}

void TListBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_LISTBOXW;
    p.ExStyle |= WS_EX_CLIENTEDGE;
    p.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    if (FSorted) p.Style |= LBS_SORT;
}

void TListBox::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    RestoreItems();
    ::SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
}

void TListBox::DestroyWnd() {
    // The items live in the window: keep them for the next one.
    SaveItems();
    TWinControl::DestroyWnd();
}

void TListBox::SetItemIndex(int value) {
    value = CheckedIndex(value);
    if (FHandle)
        ::SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
    else
        FItemIndex = value;
}

void TListBox::SetSorted(bool value) { SetAndRecreate(FSorted, value); }

void TListBox::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_COMMAND) {
        if (HIWORD(m.WParam) == LBN_SELCHANGE) Click();
        if (HIWORD(m.WParam) == LBN_DBLCLK && OnDblClick) OnDblClick(this);
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TListControl(AOwner, kComboBoxMessages) {
    FWidth = 145;
    FHeight = 21;
    SetTabStop(true);
    SetColor(clWindow);
}

void TComboBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_COMBOBOXW;
    p.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    switch (FStyle) {
        case csSimple:
            p.Style |= CBS_SIMPLE;
            break;
        case csDropDownList:
            p.Style |= CBS_DROPDOWNLIST;
            break;
        default:
            p.Style |= CBS_DROPDOWN;
            break;
    }
    // The window's height is that of the closed box plus the list (the platform sizes the edit part itself).
    p.Height = std::max(p.Height, 0) + ListHeight();
}

int TComboBox::ListHeight() const noexcept { return FStyle == csSimple ? 0 : 20 * std::max(FDropDownCount, 1); }

void TComboBox::BoundsChanged() {
    TWinControl::BoundsChanged();
    // The platform keeps the closed height for itself and takes the height we give as the dropped one.
    if (FHandle && FStyle != csSimple)
        ::SetWindowPos(FHandle, nullptr, 0, 0, FWidth, FHeight + ListHeight(),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    const std::wstring text = FText;
    RestoreItems();
    ::SendMessageW(FHandle, CB_SETMINVISIBLE, static_cast<WPARAM>(std::max(FDropDownCount, 1)), 0);
    if (FItemIndex >= 0)
        ::SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
    else if (FStyle != csDropDownList)
        ::SetWindowTextW(FHandle, text.c_str());
    // The platform gives the closed box its own height: that is ours now.
    RECT r{};
    ::GetWindowRect(FHandle, &r);
    FHeight = r.bottom - r.top;
}

void TComboBox::DestroyWnd() {
    if (FHandle) FText = WindowTextOf(FHandle);
    SaveItems();
    TWinControl::DestroyWnd();
}

void TComboBox::SetStyle(TComboBoxStyle value) { SetAndRecreate(FStyle, value); }

void TComboBox::SetItemIndex(int value) {
    value = CheckedIndex(value);
    if (FHandle) {
        ::SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
        FText = WindowTextOf(FHandle);
    } else {
        FItemIndex = value;
        if (value >= 0 && value < ItemCount()) FText = FItems[static_cast<std::size_t>(value)];
    }
}

void TComboBox::SetDropDownCount(int value) {
    FDropDownCount = std::max(value, 1);
    SendIfMade(CB_SETMINVISIBLE, static_cast<WPARAM>(FDropDownCount), 0);
}

const std::wstring& TComboBox::Text() {
    if (FHandle) FText = WindowTextOf(FHandle);
    return FText;
}

bool TComboBox::DroppedDown() { return FHandle && ::SendMessageW(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0; }

void TComboBox::SetDroppedDown(bool value) { ::SendMessageW(Handle(), CB_SHOWDROPDOWN, value ? TRUE : FALSE, 0); }

void TComboBox::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_COMMAND) {
        switch (HIWORD(m.WParam)) {
            case CBN_EDITCHANGE:
            case CBN_SELCHANGE:
                if (HIWORD(m.WParam) == CBN_SELCHANGE) {
                    // The edit shows the picked text only after this notification: take it from the list.
                    const LRESULT index = ::SendMessageW(FHandle, CB_GETCURSEL, 0, 0);
                    if (index >= 0) {
                        const auto items = ReadItems();
                        if (static_cast<std::size_t>(index) < items.size())
                            FText = items[static_cast<std::size_t>(index)];
                    }
                } else {
                    FText = WindowTextOf(FHandle);
                }
                if (OnChange) OnChange(this);
                break;
            default:
                break;
        }
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TScrollBar

TScrollBar::TScrollBar(TComponent* AOwner) : TRangeControl(AOwner) {
    FWidth = 121;
    FHeight = ::GetSystemMetrics(SM_CYHSCROLL);
    SetTabStop(true);
}

void TScrollBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_SCROLLBARW;
    p.Style |= FKind == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    UpdateScrollInfo();
}

void TScrollBar::UpdateScrollInfo() {
    if (!FHandle) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    si.nMin = FMin;
    si.nMax = FMax;
    si.nPage = static_cast<UINT>(std::max(FPageSize, 0));
    si.nPos = FPosition;
    ::SetScrollInfo(FHandle, SB_CTL, &si, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind value) {
    if (value == FKind) return;
    FKind = value;
    if (!HasState(TComponentStateFlag::csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TScrollBar::SetPageSize(int value) {
    FPageSize = std::clamp(value, 0, std::max(FMax - FMin + 1, 0));
    UpdateScrollInfo();
}

void TScrollBar::SetPosition(int value) {
    // The last place the thumb can reach with a page is Max - PageSize + 1.
    const int last = FPageSize > 0 ? std::max(FMin, FMax - FPageSize + 1) : FMax;
    value = std::clamp(value, FMin, last);
    if (value == FPosition) return;
    FPosition = value;
    UpdateScrollInfo();
    if (!HasState(TComponentStateFlag::csLoading) && OnChange) OnChange(this);
}

void TScrollBar::Scroll(int code) {
    switch (code) {
        case SB_LINEUP:
            SetPosition(FPosition - FSmallChange);
            break;
        case SB_LINEDOWN:
            SetPosition(FPosition + FSmallChange);
            break;
        case SB_PAGEUP:
            SetPosition(FPosition - FLargeChange);
            break;
        case SB_PAGEDOWN:
            SetPosition(FPosition + FLargeChange);
            break;
        case SB_TOP:
            SetPosition(FMin);
            break;
        case SB_BOTTOM:
            SetPosition(FMax);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The 32-bit track position, not the 16 bits of the message.
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            if (::GetScrollInfo(FHandle, SB_CTL, &si)) SetPosition(si.nTrackPos);
            break;
        }
        default:
            break;
    }
}

void TScrollBar::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_HSCROLL || m.Msg == CN_BASE + WM_VSCROLL) {
        Scroll(LOWORD(m.WParam));
        return;
    }
    TWinControl::WndProc(m);
}

}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Published properties of the wrappers

namespace qd {

const TClassInfo& TButton::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TButton>("TButton", &TWinControl::StaticClassInfo())
                                       .Bool("Default", &TButton::Default, &TButton::SetDefault)
                                       .Bool("Cancel", &TButton::Cancel, &TButton::SetCancel)
                                       .Int("ModalResult", &TButton::ModalResult, &TButton::SetModalResult);
    return info;
}

const TClassInfo& TCheckBox::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TCheckBox>("TCheckBox", &TWinControl::StaticClassInfo())
            .Enum("State", &TCheckBox::State, static_cast<void (TCheckBox::*)(TCheckBoxState)>(&TCheckBox::SetState),
                  {"cbUnchecked", "cbChecked", "cbGrayed"})
            .Bool("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked)
            .Bool("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed)
            .Enum("Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment, AlignmentIdents());
    return info;
}

const TClassInfo& TRadioButton::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TRadioButton>("TRadioButton", &TWinControl::StaticClassInfo())
            .Bool("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked)
            .Enum("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment, AlignmentIdents());
    return info;
}

const TClassInfo& TGroupBox::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TGroupBox>("TGroupBox", &TWinControl::StaticClassInfo());
    return info;
}

const TClassInfo& TEdit::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TEdit>("TEdit", &TWinControl::StaticClassInfo())
            .WStr(
                "Text", [](TEdit& e) { return e.Text(); }, [](TEdit& e, const std::wstring& v) { e.SetText(v); })
            .Bool("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly)
            .Int("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength)
            .Int(
                "PasswordChar", [](TEdit& e) { return static_cast<int>(e.PasswordChar()); },
                [](TEdit& e, int v) { e.SetPasswordChar(static_cast<wchar_t>(v)); })
            .Enum("CharCase", &TEdit::CharCase, &TEdit::SetCharCase, {"ecNormal", "ecUpperCase", "ecLowerCase"})
            .Event("OnChange", &TEdit::OnChange);
    return info;
}

const TClassInfo& TMemo::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TMemo>("TMemo", &TEdit::StaticClassInfo())
                                       .Strings("Lines", &TMemo::Lines, &TMemo::SetLines)
                                       .Enum("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars,
                                             {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"})
                                       .Bool("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap);
    return info;
}

const TClassInfo& TListBox::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TListBox>("TListBox", &TWinControl::StaticClassInfo())
                                       .Strings("Items", &TListBox::Items, &TListBox::SetItems)
                                       .Bool("Sorted", &TListBox::Sorted, &TListBox::SetSorted)
                                       .Int("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex);
    return info;
}

const TClassInfo& TComboBox::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TComboBox>("TComboBox", &TWinControl::StaticClassInfo())
            .Enum("Style", &TComboBox::Style, &TComboBox::SetStyle, {"csDropDown", "csSimple", "csDropDownList"})
            .Strings("Items", &TComboBox::Items, &TComboBox::SetItems)
            .Int("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex)
            .Int("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount)
            .WStr(
                "Text", [](TComboBox& c) { return c.Text(); },
                [](TComboBox& c, const std::wstring& v) { c.SetText(v); })
            .Event("OnChange", &TComboBox::OnChange);
    return info;
}

const TClassInfo& TScrollBar::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TScrollBar>("TScrollBar", &TWinControl::StaticClassInfo())
            .Enum("Kind", &TScrollBar::Kind, &TScrollBar::SetKind, {"sbHorizontal", "sbVertical"})
            .Int("Min", &TScrollBar::Min, &TScrollBar::SetMin)
            .Int("Max", &TScrollBar::Max, &TScrollBar::SetMax)
            .Int("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize)
            .Int("Position", &TScrollBar::Position, &TScrollBar::SetPosition)
            .Int("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange)
            .Int("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange)
            .Event("OnChange", &TScrollBar::OnChange);
    return info;
}

}  // namespace qd
