#include "framework/ExtCtrls.h"

#include <algorithm>
#include <cstdlib>

#include "framework/Application.h"

namespace qd {

namespace {
constexpr UINT_PTR kTimerId = 1;

const wchar_t* UtilityClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TTimerWindow";
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered) throw EInvalidOperation("Cannot register the timer window class");
    return L"TTimerWindow";
}
}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    // A message-only window: never shown, never enumerated as a top-level window.
    FWindow = ::CreateWindowExW(0, UtilityClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    if (!FWindow) throw EInvalidOperation("Cannot create the timer window");
    ::SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTimer::UtilityWndProc));
}

TTimer::~TTimer() {
    if (FRunning) ::KillTimer(FWindow, kTimerId);
    FRunning = false;
    // Unbind first: a WM_TIMER already queued must find no object.
    ::SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    ::DestroyWindow(FWindow);
}

LRESULT CALLBACK TTimer::UtilityWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kTimerId) {
        if (auto* timer = reinterpret_cast<TTimer*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA))) timer->Tick();
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

void TTimer::Tick() noexcept {
    if (!FEnabled) return;
    // The handler may free this timer (or its owner): nothing of ours is touched after it returns.
    TNotifyEvent handler = OnTimer;
    if (handler) CallGuarded([&] { handler(this); });
}

void TTimer::UpdateTimer() {
    if (FRunning) {
        ::KillTimer(FWindow, kTimerId);
        FRunning = false;
    }
    if (FEnabled && FInterval > 0 && OnTimer && !HasState(TComponentStateFlag::csLoading)) {
        if (!::SetTimer(FWindow, kTimerId, FInterval, nullptr)) throw EInvalidOperation("Not enough timers available");
        FRunning = true;
    }
}

void TTimer::SetEnabled(bool value) { SetAndRestart(FEnabled, value); }

void TTimer::SetInterval(unsigned value) { SetAndRestart(FInterval, value); }

void TTimer::SetOnTimer(TNotifyEvent handler) {
    OnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

// ---------------------------------------------------------------------------------------------------------------
// TPanel

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    FWidth = 185;
    FHeight = 41;
}

void TPanel::SetBevelOuter(TPanelBevel value) { SetAndInvalidate(FBevelOuter, value, &TPanel::Realign); }

void TPanel::SetBevelInner(TPanelBevel value) { SetAndInvalidate(FBevelInner, value, &TPanel::Realign); }

void TPanel::SetBevelWidth(int value) { SetAndInvalidate(FBevelWidth, std::max(value, 1), &TPanel::Realign); }

void TPanel::SetBorderWidth(int value) { SetAndInvalidate(FBorderWidth, std::max(value, 0), &TPanel::Realign); }

void TPanel::SetAlignment(TAlignment value) { SetAndInvalidate(FAlignment, value); }

int TPanel::FrameWidth() const noexcept {
    int width = FBorderWidth;
    if (FBevelOuter != bvNone) width += FBevelWidth;
    if (FBevelInner != bvNone) width += FBevelWidth;
    return width;
}

void TPanel::AlignControls(TControl* control, RECT& rect) {
    const int frame = FrameWidth();
    ::InflateRect(&rect, -frame, -frame);
    TCustomControl::AlignControls(control, rect);
}

void TPanel::Paint() {
    TCanvas& canvas = Canvas();
    HDC dc = canvas.Handle();
    RECT r = ClientRect();
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect(r);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT), dark = ::GetSysColor(COLOR_BTNSHADOW);
    auto bevel = [&](TPanelBevel kind) {
        if (kind == bvNone) return;
        for (int i = 0; i < FBevelWidth; ++i) {
            if (kind != bvSpace) {
                const COLORREF topLeft = kind == bvRaised ? light : dark;
                const COLORREF bottomRight = kind == bvRaised ? dark : light;
                TBrushHandle tl(::CreateSolidBrush(topLeft)), br(::CreateSolidBrush(bottomRight));
                RECT top{r.left, r.top, r.right, r.top + 1}, left{r.left, r.top, r.left + 1, r.bottom};
                RECT bottom{r.left, r.bottom - 1, r.right, r.bottom}, right{r.right - 1, r.top, r.right, r.bottom};
                ::FillRect(dc, &top, tl.Get());
                ::FillRect(dc, &left, tl.Get());
                ::FillRect(dc, &bottom, br.Get());
                ::FillRect(dc, &right, br.Get());
            }
            ::InflateRect(&r, -1, -1);
        }
    };
    bevel(FBevelOuter);
    ::InflateRect(&r, -FBorderWidth, -FBorderWidth);
    bevel(FBevelInner);
    if (Caption().empty()) return;
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    flags |= FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    canvas.Font().Assign(Font());
    if (!Enabled()) canvas.Font().SetColor(clGrayText);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.DrawText(Caption(), r, flags);
}

// ---------------------------------------------------------------------------------------------------------------
// TRadioGroup

TRadioGroup::TRadioGroup(TComponent* AOwner) : TGroupBox(AOwner) {}

TRadioGroup::~TRadioGroup() {
    // The buttons are owned by the group and go with it; they must not call back into a group half gone.
    for (TRadioButton* button : FButtons) button->OnClick = nullptr;
}

std::vector<std::string> TRadioGroup::Items() const { return WideToUtf8(FItems); }

void TRadioGroup::SetItems(const std::vector<std::string>& items) {
    FItems = Utf8ToWide(items);
    // One button per item: reuse what exists, add or free the rest.
    while (FButtons.size() > FItems.size()) {
        TRadioButton* last = FButtons.back();
        FButtons.pop_back();
        last->OnClick = nullptr;
        delete last;
    }
    while (FButtons.size() < FItems.size()) {
        auto* button = new TRadioButton(this);
        button->SetParent(this);
        button->OnClick = [this, button](TObject*) { ButtonClicked(button); };
        FButtons.push_back(button);
    }
    FUpdating = true;
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        FButtons[i]->SetCaption(FItems[i]);
        FButtons[i]->SetChecked(static_cast<int>(i) == FItemIndex);
    }
    FUpdating = false;
    if (FItemIndex >= static_cast<int>(FItems.size())) FItemIndex = -1;
    ArrangeButtons();
}

void TRadioGroup::SetItemIndex(int value) {
    if (HasState(TComponentStateFlag::csLoading) && FButtons.empty()) {
        FItemIndex = value;  // stored before the items: they take it
        return;
    }
    if (value < -1 || value >= static_cast<int>(FButtons.size())) value = -1;
    if (value == FItemIndex) return;
    FItemIndex = value;
    FUpdating = true;
    for (std::size_t i = 0; i < FButtons.size(); ++i) FButtons[i]->SetChecked(static_cast<int>(i) == value);
    FUpdating = false;
}

void TRadioGroup::SetColumns(int value) {
    value = std::clamp(value, 1, 16);
    if (value == FColumns) return;
    FColumns = value;
    ArrangeButtons();
}

TRadioButton* TRadioGroup::Buttons(int index) const { return FButtons.at(static_cast<std::size_t>(index)); }

void TRadioGroup::ButtonClicked(TRadioButton* button) {
    if (FUpdating || !button->Checked()) return;
    const auto it = std::find(FButtons.begin(), FButtons.end(), button);
    if (it == FButtons.end()) return;
    FItemIndex = static_cast<int>(it - FButtons.begin());
    Click();
}

void TRadioGroup::ArrangeButtons() {
    if (FButtons.empty()) return;
    const int count = static_cast<int>(FButtons.size());
    const int rows = (count + FColumns - 1) / FColumns;
    const int textHeight = std::max(std::abs(Font().Height()), 12);
    const int top = textHeight + 2, left = 8;
    const int areaW = std::max(FWidth - 2 * left, 0), areaH = std::max(FHeight - top - 4, 0);
    const int cellW = areaW / FColumns, cellH = rows > 0 ? areaH / rows : 0;
    for (int i = 0; i < count; ++i) {
        const int column = i / rows, row = i % rows;
        FButtons[static_cast<std::size_t>(i)]->SetBounds(left + column * cellW, top + row * cellH, cellW,
                                                         std::min(cellH, textHeight + 6));
    }
}

void TRadioGroup::FontChanged() {
    TGroupBox::FontChanged();
    ArrangeButtons();
}

void TRadioGroup::WndProc(TMessage& m) {
    TGroupBox::WndProc(m);
    if (m.Msg == WM_SIZE) ArrangeButtons();
}

}  // namespace qd

#include "framework/Properties.h"

namespace qd {
const TClassInfo& TTimer::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TTimer>("TTimer", &TComponent::StaticClassInfo())
                                       .Bool("Enabled", &TTimer::Enabled, &TTimer::SetEnabled)
                                       .Int("Interval", &TTimer::Interval, &TTimer::SetInterval)
                                       .Event("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer);
    return info;
}

const TClassInfo& TPanel::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TPanel>("TPanel", &TCustomControl::StaticClassInfo())
                                       .Enum("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter,
                                             {"bvNone", "bvLowered", "bvRaised", "bvSpace"})
                                       .Enum("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner,
                                             {"bvNone", "bvLowered", "bvRaised", "bvSpace"})
                                       .Int("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth)
                                       .Int("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth)
                                       .Enum("Alignment", &TPanel::Alignment, &TPanel::SetAlignment, AlignmentIdents());
    return info;
}

const TClassInfo& TRadioGroup::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TRadioGroup>("TRadioGroup", &TGroupBox::StaticClassInfo())
                                       .Strings("Items", &TRadioGroup::Items, &TRadioGroup::SetItems)
                                       .Int("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex)
                                       .Int("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns);
    return info;
}
}  // namespace qd
