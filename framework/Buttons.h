#pragma once
// Buttons with glyphs: the bit button (a push button that draws a glyph strip beside its caption) and the speed
// button (a windowless tool button that can stay down, alone or as one of a group).
//
// Glyph strips hold up to four images side by side: up, disabled, down, and down as the chosen one of a group.
// The strip's transparent colour is its bottom-left pixel unless the bitmap says otherwise.

#include <windows.h>

#include "framework/Graphics.h"
#include "framework/StdCtrls.h"

namespace qd {

template <class C>
class TClassBuilder;

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
using enum TButtonLayout;
enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
using enum TBitBtnKind;
// The names of TBitBtnKind values in stored descriptions.
const TIdentTable& BitBtnKindIdents();

// Where the glyph and the caption of a button go inside `area`: Margin -1 centres glyph and caption together,
// otherwise the glyph sits Margin pixels from the edge its layout names; Spacing separates them.
struct TButtonContent {
    RECT Glyph{};
    RECT Caption{};
};
TButtonContent LayoutButtonContent(const RECT& area, SIZE glyph, SIZE caption, TButtonLayout layout, int margin,
                                   int spacing) noexcept;

// Draws image `index` of a strip of `count` into `dc` at `at`, leaving the strip's transparent colour out.
void DrawGlyphImage(HDC dc, TBitmap& strip, int count, int index, POINT at);

// The glyph strip of a button and where it goes beside the caption, as bit buttons and speed buttons have it.
// Every change repaints the button.
class TButtonGlyph {
public:
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    TBitmap& Glyph() noexcept { return FGlyph; }
    int NumGlyphs() const noexcept { return FNumGlyphs; }
    void SetNumGlyphs(int value);  // clamped to 1..4
    TButtonLayout Layout() const noexcept { return FLayout; }
    void SetLayout(TButtonLayout value);
    int Margin() const noexcept { return FMargin; }
    void SetMargin(int value);  // below -1 counts as -1 (centred)
    int Spacing() const noexcept { return FSpacing; }
    void SetSpacing(int value);
    // Size of one image of the strip (0 x 0 without a glyph).
    SIZE GlyphSize() const noexcept;

protected:
    TButtonGlyph(TControl& button, int margin);
    ~TButtonGlyph();
    // Adds Glyph, NumGlyphs, Layout, Margin and Spacing to the published values of a button class.
    template <class T>
    static TClassBuilder<T>& Publish(TClassBuilder<T>&& builder) {
        return Publish(builder);
    }
    template <class T>
    static TClassBuilder<T>& Publish(TClassBuilder<T>& builder) {
        return builder.Object("Glyph", &T::Glyph)
            .Int("NumGlyphs", &T::NumGlyphs, &T::SetNumGlyphs)
            .Enum("Layout", &T::Layout, &T::SetLayout, {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"})
            .Int("Margin", &T::Margin, &T::SetMargin)
            .Int("Spacing", &T::Spacing, &T::SetSpacing);
    }

    TBitmap FGlyph;
    int FNumGlyphs = 1;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin;
    int FSpacing = 4;

private:
    template <class T>
    void Change(T& field, T value) {
        if (field == value) return;
        field = value;
        FButton.Invalidate();
    }
    TControl& FButton;
};

// A push button with a glyph. Kind gives the usual dialog buttons their modal result (and OK/Cancel their
// Default/Cancel role); the glyph and the caption are drawn by the button itself.
class TBitBtn : public TButton, public TButtonGlyph {
    QD_CLASS_INFO
public:
    explicit TBitBtn(TComponent* AOwner);

    TBitBtnKind Kind() const noexcept { return FKind; }
    void SetKind(TBitBtnKind value);

protected:
    DWORD ButtonStyle() const override;
    void WndProc(TMessage& message) override;
    void DrawItem(const DRAWITEMSTRUCT& item);

private:
    TBitBtnKind FKind = bkCustom;
};

// A windowless tool button. With a GroupIndex it stays down when clicked and releases the others of its group
// (AllowAllUp lets a click release the last one too). Flat shows its frame only while the mouse is over it.
class TSpeedButton : public TGraphicControl, public TButtonGlyph {
    QD_CLASS_INFO
public:
    explicit TSpeedButton(TComponent* AOwner);

    bool Down() const noexcept { return FDown; }
    void SetDown(bool value);
    int GroupIndex() const noexcept { return FGroupIndex; }
    void SetGroupIndex(int value);
    bool AllowAllUp() const noexcept { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    bool Flat() const noexcept { return FFlat; }
    void SetFlat(bool value);

    // The mouse went down on it and is still over it.
    bool Pressed() const noexcept { return FPressed; }
    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    int GlyphIndex() const noexcept;
    bool FDown = false;
    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FFlat = false;
    bool FTracking = false;  // the left button went down on it
    bool FPressed = false;
};

}  // namespace qd
