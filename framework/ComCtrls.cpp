#include "framework/ComCtrls.h"

#include <commctrl.h>

#include "framework/Forms.h"

namespace qd {

namespace {
void InitBarClasses() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

// The platform control aligns a part's text by leading tabs: one centres it, two right-align it.
std::wstring AlignedText(const TStatusPanel& panel) {
    switch (panel.Alignment()) {
        case taCenter:
            return L"\t" + panel.Text();
        case taRightJustify:
            return L"\t\t" + panel.Text();
        default:
            return panel.Text();
    }
}
}  // namespace

// ---------------------------------------------------------------------------------------------------------------

void TStatusPanel::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    if (FBar) FBar->UpdatePanelText(Index());
}

void TStatusPanel::SetWidth(int value) {
    if (value < 0) throw EInvalidOperation("A status panel width must not be negative (" + std::to_string(value) + ")");
    if (value == FWidth) return;
    FWidth = value;
    if (FBar) FBar->UpdatePanels();
}

void TStatusPanel::SetText(const std::wstring& value) {
    if (value == FText) return;
    FText = value;
    if (FBar) FBar->UpdatePanelText(Index());
}

int TStatusPanel::Index() const {
    if (!FBar) return -1;
    for (int i = 0; i < FBar->Panels().Count(); ++i)
        if (FBar->Panels().Items(i) == this) return i;
    return -1;
}

TStatusPanel* TStatusPanels::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EInvalidOperation("Status panel index out of range: " + std::to_string(index));
    return FItems[static_cast<std::size_t>(index)].get();
}

TStatusPanel* TStatusPanels::Add() {
    if (Count() >= kMaxPanels) throw EInvalidOperation("A status bar holds at most 255 panels");
    FItems.push_back(std::make_unique<TStatusPanel>(FBar));
    Changed();
    return FItems.back().get();
}

void TStatusPanels::Delete(int index) {
    (void)Items(index);
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TStatusPanels::Clear() {
    FItems.clear();
    Changed();
}

void TStatusPanels::EndUpdate() {
    if (FUpdating > 0 && --FUpdating == 0) Changed();
}

void TStatusPanels::Changed() {
    if (FUpdating == 0 && FBar) FBar->UpdatePanels();
}

// ---------------------------------------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner), FPanels(this) {
    InitBarClasses();
    FWidth = 200;
    FHeight = 19;
    SetAlign(alBottom);
    SetColor(clBtnFace);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = STATUSCLASSNAMEW;
    // We place the bar ourselves (alignment), so the control must not move or size itself.
    p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FSizeGrip) {
        TForm* form = GetParentForm(this);
        if (form && (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin))
            p.Style |= SBARS_SIZEGRIP;
    }
}

void TStatusBar::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    UpdatePanels();
}

void TStatusBar::WndProc(TMessage& m) {
    TWinControl::WndProc(m);
    // Platform quirk: with CCS_NORESIZE the control (Wine's at least) keeps the part rectangles it computed
    // for its old width, and ignores SB_SETPARTS with unchanged edges, so the open-ended last part would stop
    // short after the bar grows. Set different edges first to make it lay the parts out again.
    if (m.Msg == WM_SIZE && FHandle && !FSimplePanel) UpdateParts(true);
}

void TStatusBar::SetSimplePanel(bool value) {
    if (value == FSimplePanel) return;
    FSimplePanel = value;
    UpdatePanels();
}

void TStatusBar::SetSimpleText(const std::wstring& value) {
    FSimpleText = value;
    if (FHandle && FSimplePanel)
        ::SendMessageW(FHandle, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
}

void TStatusBar::SetSizeGrip(bool value) {
    if (value == FSizeGrip) return;
    FSizeGrip = value;
    if (FHandle) {
        LONG style = ::GetWindowLongW(FHandle, GWL_STYLE);
        style = value ? (style | SBARS_SIZEGRIP) : (style & ~SBARS_SIZEGRIP);
        ::SetWindowLongW(FHandle, GWL_STYLE, style);
        Invalidate();
    }
}

void TStatusBar::UpdatePanels() {
    if (!FHandle) return;
    ::SendMessageW(FHandle, SB_SIMPLE, FSimplePanel ? TRUE : FALSE, 0);
    if (FSimplePanel) {
        ::SendMessageW(FHandle, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
        return;
    }
    UpdateParts();
    const int n = FPanels.Count();
    for (int i = 0; i < n; ++i) {
        const std::wstring text = AlignedText(*FPanels.Items(i));
        ::SendMessageW(FHandle, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (n == 0) ::SendMessageW(FHandle, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
}

void TStatusBar::UpdatePanelText(int index) {
    if (!FHandle || FSimplePanel || index < 0 || index >= FPanels.Count()) return;
    const std::wstring text = AlignedText(*FPanels.Items(index));
    ::SendMessageW(FHandle, SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::UpdateParts(bool relayout) {
    const int n = FPanels.Count();
    std::vector<int> edges;
    edges.reserve(static_cast<std::size_t>(n) + 1);
    long long right = 0;
    for (int i = 0; i < n; ++i) {
        right += FPanels.Items(i)->Width();
        edges.push_back(static_cast<int>(std::min<long long>(right, 0x3FFFFFFF)));
    }
    if (!edges.empty()) edges.back() = -1;  // the last panel reaches the right edge, whatever its width
    if (edges.empty()) edges.push_back(-1);
    if (relayout) {
        std::vector<int> other = edges;
        other.back() = 0x3FFFFFFF;
        ::SendMessageW(FHandle, SB_SETPARTS, other.size(), reinterpret_cast<LPARAM>(other.data()));
    }
    ::SendMessageW(FHandle, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

std::wstring TStatusBar::PanelTextFromControl(int index) {
    const LRESULT info = ::SendMessageW(Handle(), SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0);
    std::wstring text(static_cast<std::size_t>(LOWORD(info)) + 1, L'\0');
    ::SendMessageW(FHandle, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    while (!text.empty() && text.front() == L'\t') text.erase(text.begin());
    return text;
}

std::vector<int> TStatusBar::PartEdgesFromControl() {
    const int n = static_cast<int>(::SendMessageW(Handle(), SB_GETPARTS, 0, 0));
    std::vector<int> edges(static_cast<std::size_t>(std::max(n, 0)));
    if (n > 0) ::SendMessageW(FHandle, SB_GETPARTS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(edges.data()));
    return edges;
}

}  // namespace qd

#include "framework/Properties.h"

namespace qd {
namespace {
TIdentTable AlignmentIdents() {
    return {TIdentValue{"taLeftJustify", static_cast<int>(taLeftJustify)},
            TIdentValue{"taRightJustify", static_cast<int>(taRightJustify)},
            TIdentValue{"taCenter", static_cast<int>(taCenter)}};
}
}  // namespace

const TClassInfo& TStatusPanel::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TStatusPanel>("TStatusPanel", &TPersistent::StaticClassInfo())
            .Enum("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment, AlignmentIdents())
            .Int("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth)
            .WStr("Text", &TStatusPanel::Text, &TStatusPanel::SetText)
            .Build();
    return info;
}
const TClassInfo& TStatusPanel::ClassInfo() const { return StaticClassInfo(); }

const TClassInfo& TStatusBar::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TStatusBar>("TStatusBar", &TWinControl::StaticClassInfo())
                                       .Collection(
                                           "Panels", [](TStatusBar& bar) { bar.Panels().Clear(); },
                                           [](TStatusBar& bar) { return bar.Panels().Add(); },
                                           [](TStatusBar& bar) { return bar.Panels().Count(); },
                                           [](TStatusBar& bar, int i) { return bar.Panels().Items(i); })
                                       .Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel)
                                       .WStr("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
                                       .Bool("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip)
                                       .Build();
    return info;
}
const TClassInfo& TStatusBar::ClassInfo() const { return StaticClassInfo(); }
}  // namespace qd
