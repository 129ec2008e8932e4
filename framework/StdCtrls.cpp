#include "framework/StdCtrls.h"

#include <cwctype>

#include "framework/Forms.h"

namespace qd {

wchar_t AccelCharOf(const std::wstring& caption) noexcept {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return caption[i + 1];
    }
    return 0;
}

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 65;
    FHeight = 17;
}

TCustomLabel::~TCustomLabel() {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    if (value == FLayout) return;
    FLayout = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    if (value == FWordWrap) return;
    FWordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (value == FShowAccelChar) return;
    FShowAccelChar = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
    if (value == FFocusControl) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = value;
    if (value) value->FreeNotification(this);
}

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
    HDC screen = ::GetDC(nullptr);
    if (!screen) return;
    RECT r = ClientRect();
    {
        TCanvas& canvas = Canvas();
        canvas.SetHandle(screen);
        struct TDetach {
            TCanvas& C;
            HDC DC;
            ~TDetach() {
                C.SetHandle(nullptr);
                ::ReleaseDC(nullptr, DC);
            }
        } detach{canvas, screen};
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
        const wchar_t accel = FShowAccelChar ? AccelCharOf(FText) : 0;
        if (accel && FFocusControl && FFocusControl->CanFocus() &&
            std::towupper(static_cast<wint_t>(accel)) == std::towupper(static_cast<wint_t>(m.WParam))) {
            FFocusControl->SetFocus();
            m.Result = 1;
        }
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
            .Enum("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment,
                  {TIdentValue{"taLeftJustify", static_cast<int>(taLeftJustify)},
                   TIdentValue{"taRightJustify", static_cast<int>(taRightJustify)},
                   TIdentValue{"taCenter", static_cast<int>(taCenter)}})
            .Enum("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout, {"tlTop", "tlCenter", "tlBottom"})
            .Bool("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap)
            .Bool("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize)
            .Bool("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent)
            .Bool("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar)
            .Custom(
                "FocusControl",
                [](TCustomLabel& l) {
                    TFormValue v;
                    v.Kind = TFormValueKind::vkIdent;
                    v.Text = l.FocusControl() ? l.FocusControl()->Name() : "nil";
                    return v;
                },
                [](TCustomLabel& l, const TFormValue& v) {
                    if (v.Kind != TFormValueKind::vkIdent) throw EPropertyError("expected a component name");
                    if (SameTextAscii(v.Text, "nil")) {
                        l.SetFocusControl(nullptr);
                        l.SetFocusControlName({});
                    } else {
                        l.SetFocusControlName(v.Text);
                    }
                })
            .Build();
    return info;
}
const TClassInfo& TCustomLabel::ClassInfo() const { return StaticClassInfo(); }

const TClassInfo& TLabel::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TLabel>("TLabel", &TCustomLabel::StaticClassInfo()).Build();
    return info;
}
const TClassInfo& TLabel::ClassInfo() const { return StaticClassInfo(); }
}  // namespace qd
