#pragma once
// The status bar: a row of text panels along the bottom of a form, on the platform's status bar control.
// Panel right edges are the running sums of the widths; the last panel always reaches the right edge.
// Below it, thin wrappers over the other common controls: progress bar, track bar, up-down, page control with
// its tab sheets, tab control, header control and list view.

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Controls.h"

namespace qd {

class TStatusBar;

enum class TStatusPanelBevel { pbNone, pbLowered, pbRaised };
using enum TStatusPanelBevel;

class TStatusPanel : public TPersistent {
    QD_CLASS_INFO
public:
    explicit TStatusPanel(TStatusBar* bar) : FBar(bar) {}

    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment value);
    int Width() const noexcept { return FWidth; }
    // Negative widths are rejected.
    void SetWidth(int value);
    const std::wstring& Text() const noexcept { return FText; }
    void SetText(const std::wstring& value);
    TStatusPanelBevel Bevel() const noexcept { return FBevel; }
    void SetBevel(TStatusPanelBevel value);
    int Index() const;

private:
    TStatusBar* FBar;
    TStatusPanelBevel FBevel = pbLowered;
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
    QD_CLASS_INFO
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;

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

// ---------------------------------------------------------------------------------------------------------------

// A list of owned items that tells its owner of every change (items added, removed or edited).
template <class T>
class TOwnedItems {
public:
    explicit TOwnedItems(std::function<void()> changed) : FChanged(std::move(changed)) {}
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    T* Items(int index) const {
        if (index < 0 || index >= Count()) throw EInvalidOperation("Item index out of range: " + std::to_string(index));
        return FItems[static_cast<std::size_t>(index)].get();
    }
    T* operator[](int index) const { return Items(index); }
    T* Add() {
        FItems.push_back(std::make_unique<T>(FChanged));
        Changed();
        return FItems.back().get();
    }
    void Delete(int index) {
        (void)Items(index);
        FItems.erase(FItems.begin() + index);
        Changed();
    }
    void Clear() {
        FItems.clear();
        Changed();
    }
    void Changed() const {
        if (FChanged) FChanged();
    }

private:
    std::function<void()> FChanged;
    std::vector<std::unique_ptr<T>> FItems;
};

enum class TProgressBarOrientation { pbHorizontal, pbVertical };
using enum TProgressBarOrientation;

class TProgressBar : public TRangeControl {
    QD_CLASS_INFO
public:
    explicit TProgressBar(TComponent* AOwner);

    int Position();
    void SetPosition(int value);
    int Step() const noexcept { return FStep; }
    void SetStep(int value);
    TProgressBarOrientation Orientation() const noexcept { return FOrientation; }
    void SetOrientation(TProgressBarOrientation value);
    bool Smooth() const noexcept { return FSmooth; }
    void SetSmooth(bool value);
    // Moves the position on by Step (back to Min past Max, as the platform does).
    void StepIt();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void RangeChanged() override;

private:
    int FStep = 10;
    TProgressBarOrientation FOrientation = pbHorizontal;
    bool FSmooth = false;
};

enum class TTrackBarOrientation { trHorizontal, trVertical };
using enum TTrackBarOrientation;
enum class TTickMark { tmBottomRight, tmTopLeft, tmBoth };
using enum TTickMark;
enum class TTickStyle { tsNone, tsAuto, tsManual };
using enum TTickStyle;

// A track bar. Position follows the thumb; each change runs OnChange.
class TTrackBar : public TRangeControl {
    QD_CLASS_INFO
public:
    explicit TTrackBar(TComponent* AOwner);

    int Position() const noexcept { return FPosition; }
    void SetPosition(int value);
    int Frequency() const noexcept { return FFrequency; }
    void SetFrequency(int value);
    int LineSize() const noexcept { return FLineSize; }
    void SetLineSize(int value);
    int PageSize() const noexcept { return FPageSize; }
    void SetPageSize(int value);
    TTrackBarOrientation Orientation() const noexcept { return FOrientation; }
    void SetOrientation(TTrackBarOrientation value);
    TTickMark TickMarks() const noexcept { return FTickMarks; }
    void SetTickMarks(TTickMark value);
    TTickStyle TickStyle() const noexcept { return FTickStyle; }
    void SetTickStyle(TTickStyle value);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void WndProc(TMessage& message) override;
    void RangeChanged() override;

private:
    void PositionFromControl();
    int FFrequency = 1, FLineSize = 1, FPageSize = 2;
    TTrackBarOrientation FOrientation = trHorizontal;
    TTickMark FTickMarks = tmBottomRight;
    TTickStyle FTickStyle = tsAuto;
};

enum class TUDOrientation { udVertical, udHorizontal };
using enum TUDOrientation;

// Up and down arrows. With an Associate the control sits at its right and shows Position in it. A press of an
// arrow runs OnClick.
class TUpDown : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TUpDown(TComponent* AOwner);
    ~TUpDown() override;

    int Min() const noexcept { return FMin; }
    void SetMin(int value);
    int Max() const noexcept { return FMax; }
    void SetMax(int value);
    int Position();
    void SetPosition(int value);
    int Increment() const noexcept { return FIncrement; }
    void SetIncrement(int value);
    TWinControl* Associate() const noexcept { return FAssociate; }
    void SetAssociate(TWinControl* value);
    TUDOrientation Orientation() const noexcept { return FOrientation; }
    void SetOrientation(TUDOrientation value);
    bool Wrap() const noexcept { return FWrap; }
    void SetWrap(bool value);
    bool ArrowKeys() const noexcept { return FArrowKeys; }
    void SetArrowKeys(bool value);
    bool Thousands() const noexcept { return FThousands; }
    void SetThousands(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ApplyRange();
    int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
    TWinControl* FAssociate = nullptr;
    TUDOrientation FOrientation = udVertical;
    bool FWrap = false;
    bool FArrowKeys = true;
    bool FThousands = true;
};

enum class TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
using enum TTabPosition;

class TPageControl;

// One page of a page control: a container shown while its tab is the chosen one.
class TTabSheet : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;

    TPageControl* PageControl() const noexcept { return FPageControl; }
    void SetParent(TWinControl* parent) override;
    int PageIndex() const;

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
};

// Tabs over pages: the sheets nested in it are its pages, in order; the chosen one is shown, the others hidden.
// A change of page by the user runs OnChange.
class TPageControl : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;

    int PageCount() const noexcept { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int index) const { return FPages.at(static_cast<std::size_t>(index)); }
    TTabSheet* ActivePage() const noexcept { return FActivePage; }
    void SetActivePage(TTabSheet* page);
    int TabIndex() const;
    void SetTabIndex(int value);
    TTabPosition TabPosition() const noexcept { return FTabPosition; }
    void SetTabPosition(TTabPosition value);
    bool MultiLine() const noexcept { return FMultiLine; }
    void SetMultiLine(bool value);
    // The area the pages cover, in client coordinates.
    RECT DisplayRect();

    TNotifyEvent OnChange;

    void Loaded() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void WndProc(TMessage& message) override;
    void AlignControls(TControl* control, RECT& rect) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page) noexcept;
    void UpdateTabs();
    void ShowActivePage();
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    TTabPosition FTabPosition = tpTop;
    bool FMultiLine = false;
};

// A row of tabs over one area whose content the program changes (the controls in it stay). A change of tab by
// the user runs OnChange.
class TTabControl : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TTabControl(TComponent* AOwner);

    std::vector<std::string> Tabs() const;
    void SetTabs(const std::vector<std::string>& tabs);
    int TabIndex();
    void SetTabIndex(int value);
    TTabPosition TabPosition() const noexcept { return FTabPosition; }
    void SetTabPosition(TTabPosition value);
    bool MultiLine() const noexcept { return FMultiLine; }
    void SetMultiLine(bool value);
    RECT DisplayRect();

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void WndProc(TMessage& message) override;
    void AlignControls(TControl* control, RECT& rect) override;

private:
    std::vector<std::wstring> FTabs;
    int FTabIndex = -1;
    TTabPosition FTabPosition = tpTop;
    bool FMultiLine = false;
};

// An item of a TOwnedItems list: every change of one of its values tells the list's owner.
class TOwnedItem : public TPersistent {
public:
    explicit TOwnedItem(std::function<void()> changed) : FChanged(std::move(changed)) {}

protected:
    template <class T, class V>
    void Change(T& field, V&& value) {
        field = std::forward<V>(value);
        if (FChanged) FChanged();
    }

private:
    std::function<void()> FChanged;
};

// A section of a header control or a column of a list view: a caption (published as Text or Caption), a width
// and an alignment.
class TColumnTitle : public TOwnedItem {
public:
    using TOwnedItem::TOwnedItem;

    const std::wstring& Text() const noexcept { return FText; }
    void SetText(const std::wstring& value) { Change(FText, value); }

    int Width() const noexcept { return FWidth; }
    // Negative widths count as 0.
    void SetWidth(int value) { Change(FWidth, std::max(value, 0)); }
    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment value) { Change(FAlignment, value); }

private:
    std::wstring FText;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
};

// A section of a header control.
class THeaderSection : public TColumnTitle {
    QD_CLASS_INFO
public:
    using TColumnTitle::TColumnTitle;
};

// Column captions over a list, on the platform's header control.
class THeaderControl : public TWinControl {
    QD_CLASS_INFO
public:
    explicit THeaderControl(TComponent* AOwner);

    TOwnedItems<THeaderSection>& Sections() noexcept { return FSections; }
    // The widths the control has now (the user may have dragged them).
    std::vector<int> SectionWidthsFromControl();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;

private:
    void UpdateSections();
    TOwnedItems<THeaderSection> FSections;
};

// A column of a list view.
class TListColumn : public TColumnTitle {
    QD_CLASS_INFO
public:
    using TColumnTitle::TColumnTitle;

    const std::wstring& Caption() const noexcept { return Text(); }
    void SetCaption(const std::wstring& value) { SetText(value); }
};

class TListItem : public TOwnedItem {
    QD_CLASS_INFO
public:
    using TOwnedItem::TOwnedItem;

    const std::wstring& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::wstring& value) { Change(FCaption, value); }
    // Texts of the further columns (report view).
    const std::vector<std::string>& SubItems() const noexcept { return FSubItems; }
    void SetSubItems(const std::vector<std::string>& value) { Change(FSubItems, value); }

private:
    std::wstring FCaption;
    std::vector<std::string> FSubItems;
};

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
using enum TViewStyle;

// A list of items in columns (report view) or as a plain list, on the platform's list view. Items and columns are
// held here and given to the control whenever it is made or they change. A change of selection runs OnChange.
class TListView : public TWinControl {
    QD_CLASS_INFO
public:
    explicit TListView(TComponent* AOwner);

    TOwnedItems<TListColumn>& Columns() noexcept { return FColumns; }
    TOwnedItems<TListItem>& Items() noexcept { return FItems; }
    TViewStyle ViewStyle() const noexcept { return FViewStyle; }
    void SetViewStyle(TViewStyle value);
    bool RowSelect() const noexcept { return FRowSelect; }
    void SetRowSelect(bool value);
    bool GridLines() const noexcept { return FGridLines; }
    void SetGridLines(bool value);
    bool ShowColumnHeaders() const noexcept { return FShowColumnHeaders; }
    void SetShowColumnHeaders(bool value);
    // The selected item (-1: none).
    int ItemIndex();
    void SetItemIndex(int value);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleCompleted() override;
    void WndProc(TMessage& message) override;
    void ColorChanged() override;

private:
    void UpdateColumns();
    void UpdateItems();
    void UpdateExtendedStyle();
    TOwnedItems<TListColumn> FColumns;
    TOwnedItems<TListItem> FItems;
    TViewStyle FViewStyle = vsIcon;
    bool FRowSelect = false;
    bool FGridLines = false;
    bool FShowColumnHeaders = true;
    int FItemIndex = -1;
};

}  // namespace qd
