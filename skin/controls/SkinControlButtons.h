#pragma once
// Skinners of push buttons, bit buttons, check boxes and radio buttons, all drawn from the skin's Buttons object.
//
// TSkinButton      replaces the button's painting and its click: the press is kept here (the control never
//                  captures the mouse) and a release while still pressed clicks once (Click() of a framework
//                  control, BN_CLICKED posted to the parent of a bare window). Space presses through the
//                  control's own handling, which clicks; the skin follows the key.
// TSkinBitButton   the same messages, with a glyph (or image) beside the caption laid out like the control does.
// TSkinCheckBox,
// TSkinRadioButton the control paints itself, then the skin's check or radio image goes over its box.
//
// With no Buttons image (or an empty strip) the skinner stands aside: painting and erasing reach the control.

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Gdi.h"
#include "skin/controls/SkinControl.h"

namespace qd {

class TDataSkinButton;

// Push-button frames of the skin's Buttons strip (from 1).
enum TPushFrame : int { pfNormal = 1, pfPressed = 2, pfDisabled = 3, pfHot = 4, pfDefault = 5 };

// The frame a push button shows. A bit button lets focus outrank the default look (`focusBeforeDefault`).
int PushButtonFrame(bool pressed, bool hot, bool isDefault, bool focused, bool enabled, bool focusBeforeDefault);
// The frame a speed button shows: Down before the mouse, disabled after it.
int SpeedButtonFrame(bool pressed, bool hot, bool down, bool enabled) noexcept;
// The glyph image for a button frame: 3 (down) for pressed, 2 (disabled) for disabled, else 1.
int GlyphFrameFor(int buttonFrame) noexcept;
// The frame of a check strip of `frames` frames for a check value (1 unchecked, 2 checked, 4 grey), the
// disabled and indeterminate states; clamped to the strip.
int CheckBoxFrame(int checkValue, bool disabled, bool indeterminate, int frames) noexcept;
int RadioButtonFrame(bool checked, bool disabled, int frames) noexcept;

// Where a glyph and a caption go in a client area (bit-button layout). Layout: 0 left, 1 right, 2 top, 3 bottom.
struct TGlyphLayout {
    POINT Glyph{};
    POINT Text{};
};
TGlyphLayout LayoutGlyphAndText(SIZE client, SIZE glyph, SIZE text, int layout, int margin, int spacing, bool centred);

class TSkinButton : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    bool BeforeProc(TMessage& message) override;
    bool PaintsWholeFromImage() const override { return HasImage(); }
    void AfterProc(TMessage& message) override;
    void DrawControl(HDC dc, const RECT& rect) override;
    // Caption in the rectangle, "||" as a line break, vertically centred.
    void DrawButtonCaption(HDC dc, const RECT& rect, UINT alignment, std::wstring text);
    // The skin has a push-button image to draw.
    bool HasImage() const;
    const TDataSkinButton* Buttons() const;
    // The buffer (the window's size) every push-button paint is composed in, selected into a memory DC.
    HDC PrepareBuffer(HDC target, const RECT& rect);
    // A paint of `frame` composed in the buffer and copied to `dc`: the face colour, the skin's frame (not when
    // `faceOnly`), then `content` drawn in the font of `props` (null: the window's font).
    void ComposeButton(HDC dc, const RECT& rect, int frame, bool faceOnly, TControl* props,
                       const std::function<void(HDC buffer)>& content);
    void MakeHot();
    void Click();

    TMemoryDC FBufferDC;
    TBitmapHandle FBuffer;
    HGDIOBJ FBufferOld = nullptr;
    SIZE FBufferSize{};

public:
    ~TSkinButton() override;
};

class TSkinBitButton : public TSkinButton {
public:
    using TSkinButton::TSkinButton;

protected:
    void DrawControl(HDC dc, const RECT& rect) override;
    // One image of a glyph strip at `position`; the disabled image greyed. Frames beyond the strip use the first.
    static void DrawButtonGlyph(HDC dc, POINT position, int numGlyphs, int glyphFrame, TBitmap& glyph);
    // The glyph and the caption laid out from the control's published properties, in the button frame's text
    // colour. A speed button's layout ignores Alignment and does not break lines.
    void DrawGlyphAndText(HDC buffer, const RECT& rect, TControl* props, int frame, bool enabled, bool speedButton);
};

// A windowless speed button (attached with AttachGraphic): painted on its parent's window, from the same strip.
// A flat button at rest shows only the face; Down shows the pressed frame whatever the mouse does. The control
// keeps its own press and click; the skin follows it.
class TSkinSpeedButton : public TSkinBitButton {
public:
    using TSkinBitButton::TSkinBitButton;
    void MouseLeft() override;

protected:
    bool BeforeProc(TMessage& message) override;
    // Painted on the DC its parent hands to its own WM_PAINT: nothing else of the painting is taken over.
    bool PaintsWholeFromImage() const override { return false; }
    void AfterProc(TMessage& message) override;
    // Paints now on the parent's window through the form skinner's control canvas.
    void PaintControl(HDC dc) override;
    void PaintSpeedButton(HDC dc, const RECT& rect);
};

class TSkinCheckBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;

protected:
    void AfterProc(TMessage& message) override;
    void DrawControl(HDC dc, const RECT& rect) override;
    virtual bool IsRadio() const { return false; }
};

class TSkinRadioButton : public TSkinCheckBox {
public:
    using TSkinCheckBox::TSkinCheckBox;

protected:
    bool IsRadio() const override { return true; }
};

// Button windows the skin leaves alone: icon or bitmap buttons, push-like check boxes and radio buttons.
bool ButtonStyleSkinnable(DWORD style) noexcept;

}  // namespace qd
