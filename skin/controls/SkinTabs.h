#pragma once
// Skinners of tab controls and header controls, drawn from the skin's Tabs and Headerbar objects.
//
// TSkinTab     a tab control (bare SysTabControl32 or a framework page/tab control): the control paints itself,
//              then the tab band is drawn over it from the Tabs strip (frame 1 normal, 2 selected, 3 under the
//              mouse, 4 on a disabled control, as far as the strip has frames) and the page frame from the Tabs
//              border image. The band is composed lying like top tabs and turned for tabs on the left or right;
//              for bottom tabs the images are flipped. Each prepared image is a copy of its own: the skin's
//              bitmaps are never changed. Visible scroll buttons of the tab row keep their own area.
// TSkinHeader  a header control: every item (and the rest of the row) from frame 1 of the Headerbar strip.
//
// Without a Tabs (Headerbar) image the control keeps its own look and its own background erasing.

#include <windows.h>

#include "framework/Graphics.h"
#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinEdits.h"
#include "skin/form/SkinDraw.h"

namespace qd {

enum class TTabSide : int { Top = 0, Bottom = 1, Left = 2, Right = 3 };

// The side of the tabs from a tab control's style.
TTabSide TabSideFromStyle(DWORD style) noexcept;
// The bands of an image after it was flipped upside down.
TSliceMargins FlippedMargins(TSliceMargins m) noexcept;
// The bands of an image after a quarter turn (clockwise or anticlockwise).
TSliceMargins TurnedMargins(TSliceMargins m, bool clockwise) noexcept;
// The image turned a quarter turn in place.
void TurnBitmap(TBitmap& bitmap, bool clockwise);

class TSkinTab : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinTab() override;

    void Unskin() override;
    void Reskin() override;

    // Read-only view for tests.
    TTabSide Side() const noexcept { return FSide; }
    int HotTab() const noexcept { return FHotTab; }
    const TBitmap& TabImage() const noexcept { return FTabImage; }
    const TBitmap& BorderImage() const noexcept { return FBorderImage; }
    // The skinner of the tab row's scroll buttons, once they were found.
    const TSkinControl* ScrollerSkinner() const noexcept { return FScroller.get(); }

protected:
    void AfterAttach() override;
    bool BeforeProc(TMessage& message) override;
    void AfterProc(TMessage& message) override;
    void DrawControl(HDC dc, const RECT& rect) override;
    void WindowGone() override;
    void PrepareImages();
    // The tab row's scroll buttons, when they are showing; skins them when they were not yet.
    HWND FindScroller();
    // Frame `frame` of the prepared tab image over rect.
    void DrawTab(HDC dc, const RECT& rect, int frame) const;
    // The frame a tab shows.
    int TabFrame(int index, int selected) const;

private:
    void TrackHot(int index);

    TTabSide FSide = TTabSide::Top;
    TBitmap FTabImage;
    TBitmap FBorderImage;
    TSliceMargins FTabBands{};
    TSliceMargins FBorderBands{};
    int FHotTab = -1;
    TOwnedSkinner FScroller;  // given back and freed with this skinner
};

class TSkinHeader : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    bool BeforeProc(TMessage& message) override;
    void DrawControl(HDC dc, const RECT& rect) override;
    void DrawHeaderItem(HIMAGELIST images, HDC dc, int index, const RECT& rect) const;
    bool HasImage() const;
};

}  // namespace qd
