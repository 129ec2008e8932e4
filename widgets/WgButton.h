#pragma once
// The widget library's push buttons: a windowed button that paints itself off-screen with a hot-tracking
// look (frame colour, gradient rings), a classic 3-D look or the platform theme, and a glyph from a strip.
//
//   TWgCustomButton   painting frame, mouse and Space tracking, caption drawing, hover notifications
//   TWgButton         Default / Cancel / ModalResult, dialog keys and accelerators, frames and faces, grouping
//   TWgBitBtn         glyph strip (up, disabled, down, exclusive-down) and its layout beside the caption

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/Buttons.h"
#include "framework/Controls.h"
#include "widgets/WgLabel.h"

namespace qd {

enum class TVerticalAlignment { avTop, avCenter, avBottom };
using enum TVerticalAlignment;
enum class THotTrackColorType { htctComplement, htctActual };
using enum THotTrackColorType;

// Registers TWgLabel, TWgButton and TWgBitBtn for stored descriptions (once).
void RegisterWidgetClasses();

// True when the platform theme would paint buttons now (visual styles on and a theme loaded).
bool ButtonThemesActive() noexcept;

class TWgCustomButton : public TCustomControl {
    QD_CLASS_INFO
public:
    explicit TWgCustomButton(TComponent* AOwner);
    ~TWgCustomButton() override;

    TVerticalAlignment AlignmentVertical() const noexcept { return FAlignmentVertical; }
    void SetAlignmentVertical(TVerticalAlignment value);
    bool HotTrack() const noexcept { return FHotTrack; }
    void SetHotTrack(bool value);
    TColor HotTrackColor() const noexcept { return FHotTrackColor; }
    void SetHotTrackColor(TColor value);
    THotTrackColorType HotTrackColorType() const noexcept { return FHotTrackColorType; }
    void SetHotTrackColorType(THotTrackColorType value);
    TColor HighlightColor() const noexcept { return FHighlightColor; }
    void SetHighlightColor(TColor value);
    TTextStyle TextStyle() const noexcept { return FRelief.Style; }
    void SetTextStyle(TTextStyle value);
    bool LightTextStyle() const noexcept { return FRelief.Light; }
    void SetLightTextStyle(bool value);
    TColor TextHighlightColor() const noexcept { return FRelief.Highlight; }
    void SetTextHighlightColor(TColor value);
    TColor TextShadowColor() const noexcept { return FRelief.Shadow; }
    void SetTextShadowColor(TColor value);
    int TextShadowDepth() const noexcept { return FRelief.Depth; }
    void SetTextShadowDepth(int value);  // clamped to 0..100
    bool ThemeAware() const noexcept { return FThemeAware; }
    void SetThemeAware(bool value);

    // State.
    bool MouseOver() const noexcept { return FMouseOver; }
    bool Dragging() const noexcept { return FDragging; }
    bool ShownDown() const noexcept { return FShowDown; }

    // The look the next paint uses.
    enum class TLook { lkThemed, lkHotTrack, lkClassic };
    TLook Look() const noexcept;

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void WndProc(TMessage& message) override;
    void TextChanged() override;
    void EnabledChanged() override;

    // Painting: the frame and face of the look, then the caption (and, in TWgBitBtn, the glyph), then the
    // focus rectangle.
    void Paint() override;
    virtual void PaintFrameAndFace(RECT& face);
    // The caption and whatever goes beside it; `look` is the look being painted.
    virtual void PaintContent(TLook look);
    // Draws the caption into the caption rectangle with the vertical alignment, relief and disabled colour.
    void DrawCaption(const RECT& rect);
    // Whether the hot-track look shows the active ring / the classic look its outline. TWgButton answers.
    virtual bool ShowsActiveLook() const { return Focused(); }
    // Whether the face is drawn pressed (shown down, or a grouped button that is down).
    virtual bool DrawnDown() const { return FShowDown; }
    virtual bool ShowFocusRectangle() const { return true; }
    // DT_LEFT, DT_CENTER or DT_RIGHT for the caption.
    virtual UINT CaptionAlignmentFlag() const { return DT_CENTER; }
    // Colours of the hot-track look (the frame line).
    virtual TColor FrameLineColor() const { return cl3DDkShadow; }
    // The colour under the button: the parent's, or the button face without a parent.
    TColor ParentBackground() const;
    // Ends a mouse or Space press without clicking.
    void CancelPress();

    bool FMouseOver = false;
    bool FDragging = false;
    bool FShowDown = false;
    bool FSpacePressed = false;  // the press started from the Space key

private:
    void PaintHotTrack(RECT& face);
    void PaintClassic(RECT& face);
    bool PaintThemed(RECT& face);
    void PaintPlainFace(const RECT& face);
    void PaintRing(const RECT& face, TColor first, TColor second);
    void SetPressed(bool value);

    TVerticalAlignment FAlignmentVertical = avCenter;
    bool FHotTrack = false;
    TColor FHotTrackColor = 0x149BF0;  // RGB(240, 155, 20)
    THotTrackColorType FHotTrackColorType = htctActual;
    TColor FHighlightColor = clHighlight;
    TTextRelief FRelief;
    bool FThemeAware = true;
};

class TWgButton : public TWgCustomButton {
    QD_CLASS_INFO
public:
    explicit TWgButton(TComponent* AOwner);
    ~TWgButton() override;

    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool AllowAllUp() const noexcept { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    int GroupIndex() const noexcept { return FGroupIndex; }
    void SetGroupIndex(int value);
    bool Down() const noexcept { return FDown; }
    // Only grouped buttons stay down; the other buttons of the group come up; the last one down stays down
    // unless AllowAllUp.
    void SetDown(bool value);
    bool Cancel() const noexcept { return FCancel; }
    void SetCancel(bool value) noexcept { FCancel = value; }
    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool value);
    bool DropDownOnEnter() const noexcept { return FDropDownOnEnter; }
    void SetDropDownOnEnter(bool value) noexcept { FDropDownOnEnter = value; }
    TColor FrameColor() const noexcept { return FFrameColor; }
    void SetFrameColor(TColor value);
    int ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(int value) noexcept { FModalResult = value; }
    bool ShowDownPattern() const noexcept { return FShowDownPattern; }
    void SetShowDownPattern(bool value);
    bool ShowFocusRect() const noexcept { return FShowFocusRect; }
    void SetShowFocusRect(bool value);

    // True while this button takes a plain Enter (it is focused, or it is the default button and the focused
    // control is not a button).
    bool Active() const noexcept { return FActive; }
    // True while a click runs that a key started with DropDownOnEnter off.
    bool KeyboardClick() const noexcept { return FKeyboardClick; }

    // Gives the parent form this button's ModalResult, then runs OnClick. Grouped buttons toggle Down first.
    void Click() override;

    // A stored description may name Down before GroupIndex: the group rules apply once both are read.
    void Loaded() override;

protected:
    void WndProc(TMessage& message) override;
    bool ShowsActiveLook() const override;
    bool DrawnDown() const override;
    bool ShowFocusRectangle() const override { return FShowFocusRect; }
    TColor FrameLineColor() const override { return FFrameColor; }
    void PaintFrameAndFace(RECT& face) override;
    UINT CaptionAlignmentFlag() const override;

private:
    friend class TWgCustomButton;
    void FocusChanged(TWinControl* focused);
    bool DialogKey(WORD key);
    void UpdateExclusive();

    TAlignment FAlignment = taCenter;
    bool FAllowAllUp = false;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FCancel = false;
    bool FDefault = false;
    bool FDropDownOnEnter = true;
    TColor FFrameColor = cl3DDkShadow;
    int FModalResult = 0;
    bool FShowDownPattern = true;
    bool FShowFocusRect = true;
    bool FActive = false;
    bool FKeyboardClick = false;
};

class TWgBitBtn : public TWgButton, public TButtonGlyph {
    QD_CLASS_INFO
public:
    explicit TWgBitBtn(TComponent* AOwner);

    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int value);
    int DisabledIndex() const noexcept { return FDisabledIndex; }
    void SetDisabledIndex(int value);
    TBitBtnKind Kind() const noexcept { return FKind; }
    // A standard kind brings its modal result (and Default for OK, Cancel for Cancel); captions and glyphs
    // stay as they are.
    void SetKind(TBitBtnKind value);

    // Which image of the strip the button shows now: 0 up, 1 disabled, 2 down, 3 exclusive down.
    int GlyphIndex() const noexcept;
    // Where the glyph and the caption go in a button of the current size (client coordinates).
    TButtonContent ContentLayout(TLook look);

protected:
    void PaintContent(TLook look) override;

private:
    int FImageIndex = -1;
    int FDisabledIndex = -1;
    TBitBtnKind FKind = bkCustom;
};

}  // namespace qd
