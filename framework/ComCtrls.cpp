#include "framework/ComCtrls.h"

#include <commctrl.h>

#include "framework/CallbackEdge.h"
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

// The part's drawing type: the platform draws a lowered part by default.
WPARAM BevelFlags(const TStatusPanel& panel) {
    switch (panel.Bevel()) {
        case pbNone:
            return SBT_NOBORDERS;
        case pbRaised:
            return SBT_POPOUT;
        default:
            return 0;
    }
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

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
    if (value == FBevel) return;
    FBevel = value;
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
        ::SendMessageW(FHandle, SB_SETTEXTW, static_cast<WPARAM>(i) | BevelFlags(*FPanels.Items(i)),
                       reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (n == 0) ::SendMessageW(FHandle, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
}

void TStatusBar::UpdatePanelText(int index) {
    if (!FHandle || FSimplePanel || index < 0 || index >= FPanels.Count()) return;
    const std::wstring text = AlignedText(*FPanels.Items(index));
    ::SendMessageW(FHandle, SB_SETTEXTW, static_cast<WPARAM>(index) | BevelFlags(*FPanels.Items(index)),
                   reinterpret_cast<LPARAM>(text.c_str()));
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

}  // namespace qd

#include "framework/Properties.h"

namespace qd {
const TClassInfo& TStatusPanel::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TStatusPanel>("TStatusPanel", &TPersistent::StaticClassInfo())
            .Enum("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment, AlignmentIdents())
            .Enum("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel, {"pbNone", "pbLowered", "pbRaised"})
            .Int("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth)
            .WStr("Text", &TStatusPanel::Text, &TStatusPanel::SetText);
    return info;
}

const TClassInfo& TStatusBar::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TStatusBar>("TStatusBar", &TWinControl::StaticClassInfo())
                                       .Collection(
                                           "Panels", [](TStatusBar& bar) { bar.Panels().Clear(); },
                                           [](TStatusBar& bar) { return bar.Panels().Add(); },
                                           [](TStatusBar& bar) { return bar.Panels().Count(); },
                                           [](TStatusBar& bar, int i) { return bar.Panels().Items(i); })
                                       .Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel)
                                       .WStr("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
                                       .Bool("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip);
    return info;
}
}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Common control wrappers

#include <algorithm>

namespace qd {

namespace {

void InitCommonClasses(DWORD classes) {
    INITCOMMONCONTROLSEX icc{sizeof icc, classes};
    ::InitCommonControlsEx(&icc);
}

DWORD TabStyle(TTabPosition position, bool multiLine) {
    DWORD style = multiLine ? TCS_MULTILINE : 0;
    switch (position) {
        case tpBottom:
            style |= TCS_BOTTOM;
            break;
        case tpLeft:
            style |= TCS_VERTICAL | TCS_MULTILINE;
            break;
        case tpRight:
            style |= TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE;
            break;
        default:
            break;
    }
    return style;
}

void InsertTabs(HWND wnd, const std::vector<std::wstring>& captions) {
    ::SendMessageW(wnd, TCM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(captions[i].c_str());
        ::SendMessageW(wnd, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
}

// The area under the tabs of a tab control window (client coordinates); a guess while there is no window.
RECT TabDisplayRect(HWND wnd, int width, int height) {
    RECT r{0, 0, width, height};
    if (wnd) {
        ::GetClientRect(wnd, &r);
        ::SendMessageW(wnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    } else {
        ::InflateRect(&r, -4, -4);
        r.top += 20;
    }
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

int FormatOf(TAlignment alignment) {
    return alignment == taCenter ? HDF_CENTER : alignment == taRightJustify ? HDF_RIGHT : HDF_LEFT;
}

int ColumnFormatOf(TAlignment alignment) {
    return alignment == taCenter ? LVCFMT_CENTER : alignment == taRightJustify ? LVCFMT_RIGHT : LVCFMT_LEFT;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// TProgressBar

TProgressBar::TProgressBar(TComponent* AOwner) : TRangeControl(AOwner) {
    InitCommonClasses(ICC_PROGRESS_CLASS);
    FWidth = 150;
    FHeight = 16;
}

void TProgressBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = PROGRESS_CLASSW;
    if (FOrientation == pbVertical) p.Style |= PBS_VERTICAL;
    if (FSmooth) p.Style |= PBS_SMOOTH;
}

void TProgressBar::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    ::SendMessageW(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax));
    ::SendMessageW(FHandle, PBM_SETSTEP, static_cast<WPARAM>(FStep), 0);
    ::SendMessageW(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::RangeChanged() { SendIfMade(PBM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax)); }

int TProgressBar::Position() {
    if (FHandle) FPosition = static_cast<int>(::SendMessageW(FHandle, PBM_GETPOS, 0, 0));
    return FPosition;
}

void TProgressBar::SetPosition(int value) {
    FPosition = std::clamp(value, FMin, FMax);
    SendIfMade(PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetStep(int value) {
    FStep = value;
    SendIfMade(PBM_SETSTEP, static_cast<WPARAM>(FStep), 0);
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) { SetAndRecreate(FOrientation, value); }

void TProgressBar::SetSmooth(bool value) { SetAndRecreate(FSmooth, value); }

void TProgressBar::StepIt() {
    int next = Position() + FStep;
    if (next > FMax) next = FMin + (next - FMax);  // the platform wraps around
    SetPosition(next);
}

// ---------------------------------------------------------------------------------------------------------------
// TTrackBar

TTrackBar::TTrackBar(TComponent* AOwner) : TRangeControl(AOwner) {
    InitCommonClasses(ICC_BAR_CLASSES);
    FMax = 10;
    FWidth = 150;
    FHeight = 45;
    SetTabStop(true);
}

void TTrackBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = TRACKBAR_CLASSW;
    p.Style |= FOrientation == trVertical ? TBS_VERT : TBS_HORZ;
    if (FTickMarks == tmTopLeft) p.Style |= TBS_TOP;
    if (FTickMarks == tmBoth) p.Style |= TBS_BOTH;
    if (FTickStyle == tsNone) p.Style |= TBS_NOTICKS;
    if (FTickStyle == tsAuto) p.Style |= TBS_AUTOTICKS;
}

void TTrackBar::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    ::SendMessageW(FHandle, TBM_SETRANGEMIN, FALSE, FMin);
    ::SendMessageW(FHandle, TBM_SETRANGEMAX, FALSE, FMax);
    ::SendMessageW(FHandle, TBM_SETTICFREQ, static_cast<WPARAM>(FFrequency), 0);
    ::SendMessageW(FHandle, TBM_SETLINESIZE, 0, FLineSize);
    ::SendMessageW(FHandle, TBM_SETPAGESIZE, 0, FPageSize);
    ::SendMessageW(FHandle, TBM_SETPOS, TRUE, FPosition);
}

void TTrackBar::RangeChanged() {
    if (FHandle) {
        ::SendMessageW(FHandle, TBM_SETRANGEMIN, TRUE, FMin);
        ::SendMessageW(FHandle, TBM_SETRANGEMAX, TRUE, FMax);
    }
}

void TTrackBar::SetPosition(int value) {
    value = std::clamp(value, FMin, FMax);
    if (value == FPosition) return;
    FPosition = value;
    SendIfMade(TBM_SETPOS, TRUE, FPosition);
    if (!HasState(TComponentStateFlag::csLoading) && OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int value) {
    FFrequency = std::max(value, 1);
    SendIfMade(TBM_SETTICFREQ, static_cast<WPARAM>(FFrequency), 0);
}

void TTrackBar::SetLineSize(int value) {
    FLineSize = value;
    SendIfMade(TBM_SETLINESIZE, 0, FLineSize);
}

void TTrackBar::SetPageSize(int value) {
    FPageSize = value;
    SendIfMade(TBM_SETPAGESIZE, 0, FPageSize);
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
    if (value == FOrientation) return;
    FOrientation = value;
    if (!HasState(TComponentStateFlag::csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark value) { SetAndRecreate(FTickMarks, value); }

void TTrackBar::SetTickStyle(TTickStyle value) { SetAndRecreate(FTickStyle, value); }

void TTrackBar::PositionFromControl() {
    const int value = static_cast<int>(::SendMessageW(FHandle, TBM_GETPOS, 0, 0));
    if (value == FPosition) return;
    FPosition = value;
    if (OnChange) OnChange(this);
}

void TTrackBar::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_HSCROLL || m.Msg == CN_BASE + WM_VSCROLL) {
        PositionFromControl();
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TUpDown

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner) {
    InitCommonClasses(ICC_UPDOWN_CLASS);
    FWidth = 17;
    FHeight = 25;
}

TUpDown::~TUpDown() {
    if (FAssociate) FAssociate->RemoveFreeNotification(this);
}

void TUpDown::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = UPDOWN_CLASSW;
    p.Style |= UDS_SETBUDDYINT | UDS_ALIGNRIGHT;
    if (FOrientation == udHorizontal) p.Style |= UDS_HORZ;
    if (FWrap) p.Style |= UDS_WRAP;
    if (FArrowKeys) p.Style |= UDS_ARROWKEYS;
    if (!FThousands) p.Style |= UDS_NOTHOUSANDS;
}

void TUpDown::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    ApplyRange();
    // The buddy first: the position is then written into it.
    if (FAssociate) ::SendMessageW(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
    ::SendMessageW(FHandle, UDM_SETPOS32, 0, FPosition);
    UDACCEL accel{0, static_cast<UINT>(std::max(FIncrement, 1))};
    ::SendMessageW(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void TUpDown::ApplyRange() { SendIfMade(UDM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax)); }

void TUpDown::SetMin(int value) {
    FMin = value;
    ApplyRange();
}

void TUpDown::SetMax(int value) {
    FMax = value;
    ApplyRange();
}

int TUpDown::Position() {
    if (FHandle) {
        BOOL failed = FALSE;
        const int value = static_cast<int>(::SendMessageW(FHandle, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
        if (!failed) FPosition = value;
    }
    return FPosition;
}

void TUpDown::SetPosition(int value) {
    const int low = std::min(FMin, FMax), high = std::max(FMin, FMax);
    FPosition = HasState(TComponentStateFlag::csLoading) ? value : std::clamp(value, low, high);
    SendIfMade(UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetIncrement(int value) {
    FIncrement = std::max(value, 1);
    if (FHandle) {
        UDACCEL accel{0, static_cast<UINT>(FIncrement)};
        ::SendMessageW(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    }
}

void TUpDown::SetAssociate(TWinControl* value) {
    if (!SetReference(FAssociate, value)) return;
    if (FHandle) {
        ::SendMessageW(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(value ? value->Handle() : nullptr), 0);
        ::SendMessageW(FHandle, UDM_SETPOS32, 0, FPosition);
    }
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FAssociate) {
        FAssociate = nullptr;
        SendIfMade(UDM_SETBUDDY, 0, 0);
    }
}

void TUpDown::SetOrientation(TUDOrientation value) { SetAndRecreate(FOrientation, value); }

void TUpDown::SetWrap(bool value) { SetAndRecreate(FWrap, value); }

void TUpDown::SetArrowKeys(bool value) { SetAndRecreate(FArrowKeys, value); }

void TUpDown::SetThousands(bool value) { SetAndRecreate(FThousands, value); }

void TUpDown::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_VSCROLL || m.Msg == CN_BASE + WM_HSCROLL) {
        // The control reports the end of each press (SB_THUMBPOSITION) after it moved the position.
        if (LOWORD(m.WParam) == SB_THUMBPOSITION) {
            (void)Position();
            Click();
        }
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 100;
    FHeight = 100;
    SetVisible(false);
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetParent(TWinControl* parent) {
    if (FPageControl && FPageControl != parent) {
        FPageControl->RemovePage(this);
        FPageControl = nullptr;
    }
    TWinControl::SetParent(parent);
    if (auto* pages = dynamic_cast<TPageControl*>(parent); pages && pages != FPageControl) {
        FPageControl = pages;
        pages->InsertPage(this);
    }
}

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    for (int i = 0; i < FPageControl->PageCount(); ++i)
        if (FPageControl->Pages(i) == this) return i;
    return -1;
}

void TTabSheet::TextChanged() {
    TWinControl::TextChanged();
    if (FPageControl) FPageControl->UpdateTabs();
}

// ---------------------------------------------------------------------------------------------------------------
// TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
    InitCommonClasses(ICC_TAB_CLASSES);
    FWidth = 289;
    FHeight = 193;
    SetTabStop(true);
}

TPageControl::~TPageControl() {
    // The sheets may outlive this object's part (they are owned by the form): they forget it now.
    for (TTabSheet* page : FPages) page->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TPageControl::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_TABCONTROLW;
    p.Style |= TabStyle(FTabPosition, FMultiLine);
}

void TPageControl::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    UpdateTabs();
}

void TPageControl::InsertPage(TTabSheet* page) {
    if (std::find(FPages.begin(), FPages.end(), page) != FPages.end()) return;
    FPages.push_back(page);
    UpdateTabs();
    if (!FActivePage && !HasState(TComponentStateFlag::csLoading)) SetActivePage(page);
    Realign();
}

void TPageControl::RemovePage(TTabSheet* page) noexcept {
    auto it = std::find(FPages.begin(), FPages.end(), page);
    if (it == FPages.end()) return;
    const bool wasActive = page == FActivePage;
    FPages.erase(it);
    if (wasActive) FActivePage = nullptr;
    if (HasState(TComponentStateFlag::csDestroying)) return;
    CallSwallowing([&] {
        UpdateTabs();
        if (wasActive && !FPages.empty()) SetActivePage(FPages.front());
    });
}

void TPageControl::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FActivePage) FActivePage = nullptr;
}

void TPageControl::UpdateTabs() {
    if (!FHandle) return;
    std::vector<std::wstring> captions;
    for (TTabSheet* page : FPages) captions.push_back(page->Caption());
    InsertTabs(FHandle, captions);
    ShowActivePage();
    Realign();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->FPageControl != this) return;
    FActivePage = page;
    ShowActivePage();
}

void TPageControl::ShowActivePage() {
    if (FHandle) {
        const auto it = std::find(FPages.begin(), FPages.end(), FActivePage);
        const int index = it == FPages.end() ? -1 : static_cast<int>(it - FPages.begin());
        ::SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    // The new page shows before the old one hides, so the area never flashes the tab control's background.
    if (FActivePage) {
        FActivePage->SetVisible(true);
        FActivePage->BringToFront();
    }
    for (TTabSheet* page : FPages)
        if (page != FActivePage) page->SetVisible(false);
}

int TPageControl::TabIndex() const {
    const auto it = std::find(FPages.begin(), FPages.end(), FActivePage);
    return it == FPages.end() ? -1 : static_cast<int>(it - FPages.begin());
}

void TPageControl::SetTabIndex(int value) {
    SetActivePage(value >= 0 && value < PageCount() ? FPages[static_cast<std::size_t>(value)] : nullptr);
}

void TPageControl::SetTabPosition(TTabPosition value) { SetAndRecreate(FTabPosition, value); }

void TPageControl::SetMultiLine(bool value) { SetAndRecreate(FMultiLine, value); }

RECT TPageControl::DisplayRect() { return TabDisplayRect(FHandle, FWidth, FHeight); }

void TPageControl::AlignControls(TControl* control, RECT& rect) {
    rect = DisplayRect();
    for (TTabSheet* page : FPages) page->SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    TWinControl::AlignControls(control, rect);
}

void TPageControl::Loaded() {
    TWinControl::Loaded();
    if (!FActivePage && !FPages.empty()) FActivePage = FPages.front();
    ShowActivePage();
}

void TPageControl::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
        if (header->code == TCN_SELCHANGE) {
            const int index = static_cast<int>(::SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
            SetTabIndex(index);
            if (OnChange) OnChange(this);
        }
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TTabControl

TTabControl::TTabControl(TComponent* AOwner) : TWinControl(AOwner) {
    InitCommonClasses(ICC_TAB_CLASSES);
    FWidth = 289;
    FHeight = 193;
    SetTabStop(true);
}

void TTabControl::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_TABCONTROLW;
    p.Style |= TabStyle(FTabPosition, FMultiLine);
}

void TTabControl::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    InsertTabs(FHandle, FTabs);
    ::SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(FTabIndex), 0);
}

std::vector<std::string> TTabControl::Tabs() const { return WideToUtf8(FTabs); }

void TTabControl::SetTabs(const std::vector<std::string>& tabs) {
    FTabs = Utf8ToWide(tabs);
    if (FTabIndex >= static_cast<int>(FTabs.size()) && !HasState(TComponentStateFlag::csLoading))
        FTabIndex = FTabs.empty() ? -1 : 0;
    if (FHandle) {
        InsertTabs(FHandle, FTabs);
        ::SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(FTabIndex), 0);
        Realign();
    }
}

int TTabControl::TabIndex() {
    if (FHandle) FTabIndex = static_cast<int>(::SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
    return FTabIndex;
}

void TTabControl::SetTabIndex(int value) {
    FTabIndex = value;
    SendIfMade(TCM_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void TTabControl::SetTabPosition(TTabPosition value) { SetAndRecreate(FTabPosition, value); }

void TTabControl::SetMultiLine(bool value) { SetAndRecreate(FMultiLine, value); }

RECT TTabControl::DisplayRect() { return TabDisplayRect(FHandle, FWidth, FHeight); }

void TTabControl::AlignControls(TControl* control, RECT& rect) {
    rect = DisplayRect();
    TWinControl::AlignControls(control, rect);
}

void TTabControl::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
        if (header->code == TCN_SELCHANGE) {
            FTabIndex = static_cast<int>(::SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
            if (OnChange) OnChange(this);
        }
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// THeaderControl

THeaderControl::THeaderControl(TComponent* AOwner) : TWinControl(AOwner), FSections([this] { UpdateSections(); }) {
    InitCommonClasses(ICC_LISTVIEW_CLASSES);
    FWidth = 200;
    FHeight = 17;
    SetAlign(alTop);
}

void THeaderControl::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_HEADERW;
    p.Style |= HDS_BUTTONS | HDS_HORZ;
}

void THeaderControl::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    UpdateSections();
}

void THeaderControl::UpdateSections() {
    if (!FHandle) return;
    while (::SendMessageW(FHandle, HDM_GETITEMCOUNT, 0, 0) > 0)
        if (!::SendMessageW(FHandle, HDM_DELETEITEM, 0, 0)) break;
    for (int i = 0; i < FSections.Count(); ++i) {
        const THeaderSection& section = *FSections[i];
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = const_cast<wchar_t*>(section.Text().c_str());
        item.cxy = section.Width();
        item.fmt = HDF_STRING | FormatOf(section.Alignment());
        ::SendMessageW(FHandle, HDM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<int> THeaderControl::SectionWidthsFromControl() {
    std::vector<int> widths;
    const int n = static_cast<int>(::SendMessageW(Handle(), HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        ::SendMessageW(FHandle, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        widths.push_back(item.cxy);
    }
    return widths;
}

// ---------------------------------------------------------------------------------------------------------------
// TListView

TListView::TListView(TComponent* AOwner)
    : TWinControl(AOwner), FColumns([this] { UpdateColumns(); }), FItems([this] { UpdateItems(); }) {
    InitCommonClasses(ICC_LISTVIEW_CLASSES);
    FWidth = 250;
    FHeight = 150;
    SetTabStop(true);
    SetColor(clWindow);
}

void TListView::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.SysClassName = WC_LISTVIEWW;
    p.ExStyle |= WS_EX_CLIENTEDGE;
    p.Style |= LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    static constexpr DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    p.Style |= kViews[static_cast<int>(FViewStyle)];
    if (!FShowColumnHeaders) p.Style |= LVS_NOCOLUMNHEADER;
}

void TListView::CreateHandleCompleted() {
    TWinControl::CreateHandleCompleted();
    UpdateExtendedStyle();
    ColorChanged();
    UpdateColumns();
    UpdateItems();
}

void TListView::ColorChanged() {
    TWinControl::ColorChanged();
    if (!FHandle) return;
    const COLORREF rgb = ColorToRGB(Color(), clWindow);
    ::SendMessageW(FHandle, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(rgb));
    ::SendMessageW(FHandle, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(rgb));
    ::SendMessageW(FHandle, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Font().Color(), clWindowText)));
}

void TListView::UpdateExtendedStyle() {
    if (!FHandle) return;
    const DWORD mask = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
    const DWORD value = (FRowSelect ? LVS_EX_FULLROWSELECT : 0) | (FGridLines ? LVS_EX_GRIDLINES : 0);
    ::SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, value);
}

void TListView::UpdateColumns() {
    if (!FHandle) return;
    while (::SendMessageW(FHandle, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (int i = 0; i < FColumns.Count(); ++i) {
        const TListColumn& column = *FColumns[i];
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        lvc.pszText = const_cast<wchar_t*>(column.Text().c_str());
        lvc.cx = column.Width();
        // The first column is always left-aligned on the platform.
        lvc.fmt = i == 0 ? LVCFMT_LEFT : ColumnFormatOf(column.Alignment());
        lvc.iSubItem = i;
        ::SendMessageW(FHandle, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&lvc));
    }
}

void TListView::UpdateItems() {
    if (!FHandle) return;
    ::SendMessageW(FHandle, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < FItems.Count(); ++i) {
        const TListItem& source = *FItems[i];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(source.Caption().c_str());
        const int at = static_cast<int>(::SendMessageW(FHandle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        for (std::size_t s = 0; s < source.SubItems().size(); ++s) {
            const std::wstring text = Utf8ToWide(source.SubItems()[s]);
            LVITEMW sub{};
            sub.iSubItem = static_cast<int>(s) + 1;
            sub.pszText = const_cast<wchar_t*>(text.c_str());
            ::SendMessageW(FHandle, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
        }
    }
    if (FItemIndex >= 0) SetItemIndex(FItemIndex);
}

void TListView::SetViewStyle(TViewStyle value) { SetAndRecreate(FViewStyle, value); }

void TListView::SetRowSelect(bool value) {
    FRowSelect = value;
    UpdateExtendedStyle();
}

void TListView::SetGridLines(bool value) {
    FGridLines = value;
    UpdateExtendedStyle();
}

void TListView::SetShowColumnHeaders(bool value) { SetAndRecreate(FShowColumnHeaders, value); }

int TListView::ItemIndex() {
    if (FHandle)
        FItemIndex = static_cast<int>(::SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return FItemIndex;
}

void TListView::SetItemIndex(int value) {
    FItemIndex = value;
    if (!FHandle) return;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    ::SendMessageW(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (value < 0) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(value), reinterpret_cast<LPARAM>(&state));
}

void TListView::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
        if (header->code == LVN_ITEMCHANGED) {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(m.LParam);
            if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) &&
                (change->uNewState & LVIS_SELECTED) && OnChange)
                OnChange(this);
        }
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Published properties of the common control wrappers

namespace qd {

namespace {
TIdentTable TabPositionTable() { return {"tpTop", "tpBottom", "tpLeft", "tpRight"}; }
}  // namespace

const TClassInfo& TProgressBar::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TProgressBar>("TProgressBar", &TWinControl::StaticClassInfo())
                                       .Int("Min", &TProgressBar::Min, &TProgressBar::SetMin)
                                       .Int("Max", &TProgressBar::Max, &TProgressBar::SetMax)
                                       .Int("Position", &TProgressBar::Position, &TProgressBar::SetPosition)
                                       .Int("Step", &TProgressBar::Step, &TProgressBar::SetStep)
                                       .Enum("Orientation", &TProgressBar::Orientation, &TProgressBar::SetOrientation,
                                             {"pbHorizontal", "pbVertical"})
                                       .Bool("Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth);
    return info;
}

const TClassInfo& TTrackBar::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TTrackBar>("TTrackBar", &TWinControl::StaticClassInfo())
            .Int("Min", &TTrackBar::Min, &TTrackBar::SetMin)
            .Int("Max", &TTrackBar::Max, &TTrackBar::SetMax)
            .Int("Position", &TTrackBar::Position, &TTrackBar::SetPosition)
            .Int("Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency)
            .Int("LineSize", &TTrackBar::LineSize, &TTrackBar::SetLineSize)
            .Int("PageSize", &TTrackBar::PageSize, &TTrackBar::SetPageSize)
            .Enum("Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation, {"trHorizontal", "trVertical"})
            .Enum("TickMarks", &TTrackBar::TickMarks, &TTrackBar::SetTickMarks,
                  {"tmBottomRight", "tmTopLeft", "tmBoth"})
            .Enum("TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle, {"tsNone", "tsAuto", "tsManual"})
            .Event("OnChange", &TTrackBar::OnChange);
    return info;
}

const TClassInfo& TUpDown::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TUpDown>("TUpDown", &TWinControl::StaticClassInfo())
            .Int("Min", &TUpDown::Min, &TUpDown::SetMin)
            .Int("Max", &TUpDown::Max, &TUpDown::SetMax)
            .Int("Position", &TUpDown::Position, &TUpDown::SetPosition)
            .Int("Increment", &TUpDown::Increment, &TUpDown::SetIncrement)
            .Component("Associate", &TUpDown::Associate, &TUpDown::SetAssociate)
            .Enum("Orientation", &TUpDown::Orientation, &TUpDown::SetOrientation, {"udVertical", "udHorizontal"})
            .Bool("Wrap", &TUpDown::Wrap, &TUpDown::SetWrap)
            .Bool("ArrowKeys", &TUpDown::ArrowKeys, &TUpDown::SetArrowKeys)
            .Bool("Thousands", &TUpDown::Thousands, &TUpDown::SetThousands);
    return info;
}

const TClassInfo& TTabSheet::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TTabSheet>("TTabSheet", &TWinControl::StaticClassInfo()).Int("PageIndex", &TTabSheet::PageIndex);
    return info;
}

const TClassInfo& TPageControl::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TPageControl>("TPageControl", &TWinControl::StaticClassInfo())
            .Component("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage)
            .Int("TabIndex", &TPageControl::TabIndex)
            .Enum("TabPosition", &TPageControl::TabPosition, &TPageControl::SetTabPosition, TabPositionTable())
            .Bool("MultiLine", &TPageControl::MultiLine, &TPageControl::SetMultiLine)
            .Event("OnChange", &TPageControl::OnChange);
    return info;
}

const TClassInfo& TTabControl::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TTabControl>("TTabControl", &TWinControl::StaticClassInfo())
            .Strings("Tabs", &TTabControl::Tabs, &TTabControl::SetTabs)
            .Int("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex)
            .Enum("TabPosition", &TTabControl::TabPosition, &TTabControl::SetTabPosition, TabPositionTable())
            .Bool("MultiLine", &TTabControl::MultiLine, &TTabControl::SetMultiLine)
            .Event("OnChange", &TTabControl::OnChange);
    return info;
}

// The published values of a column title; `textName` is what stored descriptions call its caption.
template <class T>
TClassInfo ColumnTitleInfo(const char* className, const char* textName) {
    return TClassBuilder<T>(className, &TPersistent::StaticClassInfo())
        .WStr(textName, &T::Text, &T::SetText)
        .Int("Width", &T::Width, &T::SetWidth)
        .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentIdents());
}

const TClassInfo& THeaderSection::StaticClassInfo() {
    static const TClassInfo info = ColumnTitleInfo<THeaderSection>("THeaderSection", "Text");
    return info;
}

const TClassInfo& THeaderControl::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<THeaderControl>("THeaderControl", &TWinControl::StaticClassInfo())
                                       .Collection(
                                           "Sections", [](THeaderControl& h) { h.Sections().Clear(); },
                                           [](THeaderControl& h) { return h.Sections().Add(); },
                                           [](THeaderControl& h) { return h.Sections().Count(); },
                                           [](THeaderControl& h, int i) { return h.Sections().Items(i); });
    return info;
}

const TClassInfo& TListColumn::StaticClassInfo() {
    static const TClassInfo info = ColumnTitleInfo<TListColumn>("TListColumn", "Caption");
    return info;
}

const TClassInfo& TListItem::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TListItem>("TListItem", &TPersistent::StaticClassInfo())
                                       .WStr("Caption", &TListItem::Caption, &TListItem::SetCaption)
                                       .Strings("SubItems", &TListItem::SubItems, &TListItem::SetSubItems);
    return info;
}

const TClassInfo& TListView::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TListView>("TListView", &TWinControl::StaticClassInfo())
            .Enum("ViewStyle", &TListView::ViewStyle, &TListView::SetViewStyle,
                  {"vsIcon", "vsSmallIcon", "vsList", "vsReport"})
            .Collection(
                "Columns", [](TListView& v) { v.Columns().Clear(); }, [](TListView& v) { return v.Columns().Add(); },
                [](TListView& v) { return v.Columns().Count(); },
                [](TListView& v, int i) { return v.Columns().Items(i); })
            .Collection(
                "Items", [](TListView& v) { v.Items().Clear(); }, [](TListView& v) { return v.Items().Add(); },
                [](TListView& v) { return v.Items().Count(); }, [](TListView& v, int i) { return v.Items().Items(i); })
            .Bool("RowSelect", &TListView::RowSelect, &TListView::SetRowSelect)
            .Bool("GridLines", &TListView::GridLines, &TListView::SetGridLines)
            .Bool("ShowColumnHeaders", &TListView::ShowColumnHeaders, &TListView::SetShowColumnHeaders)
            .Int("ItemIndex", &TListView::ItemIndex, &TListView::SetItemIndex)
            .Event("OnChange", &TListView::OnChange);
    return info;
}

}  // namespace qd
