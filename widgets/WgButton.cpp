#include "widgets/WgButton.h"

#include <shlwapi.h>
#include <uxtheme.h>
#include <vssym32.h>
#include <windowsx.h>

#include <algorithm>

#include "framework/Application.h"
#include "framework/Classes.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "widgets/WgGrafx.h"
#include "widgets/WgCommon.h"

namespace qd {

namespace {

bool PointInClient(TControl& control, int x, int y) {
    const RECT r = control.ClientRect();
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

namespace {

// Platform quirk: Windows themes the controls of a program only when it loads the common controls version 6
// (through its manifest); with version 5 every control stays classic even while visual styles are on. Wine
// turns its built-in theme on for every program, so asking only IsThemeActive would give our buttons a look
// that no Windows program without that manifest shows.
bool CommonControlsThemed() noexcept {
    HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
    if (!comctl) return false;
    auto getVersion =
        reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(::GetProcAddress(comctl, "DllGetVersion")));
    if (!getVersion) return false;
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    return SUCCEEDED(getVersion(&info)) && info.dwMajorVersion >= 6;
}

}  // namespace

bool ButtonThemesActive() noexcept { return ::IsThemeActive() && ::IsAppThemed() && CommonControlsThemed(); }

// ---------------------------------------------------------------------------------------------------------------
// TWgCustomButton

TWgCustomButton::TWgCustomButton(TComponent* AOwner) : TCustomControl(AOwner) {
    FWidth = 75;
    FHeight = 25;
    SetTabStop(true);
    // The face colour is the button's own: a parent's colour does not carry over.
    SetParentColor(false);
}

TWgCustomButton::~TWgCustomButton() = default;

void TWgCustomButton::SetAlignmentVertical(TVerticalAlignment value) { SetAndInvalidate(FAlignmentVertical, value); }

void TWgCustomButton::SetHotTrack(bool value) { SetAndInvalidate(FHotTrack, value); }

void TWgCustomButton::SetHotTrackColor(TColor value) { SetAndInvalidate(FHotTrackColor, value); }

void TWgCustomButton::SetHotTrackColorType(THotTrackColorType value) { SetAndInvalidate(FHotTrackColorType, value); }

void TWgCustomButton::SetHighlightColor(TColor value) { SetAndInvalidate(FHighlightColor, value); }

void TWgCustomButton::SetTextStyle(TTextStyle value) { SetAndInvalidate(FRelief.Style, value); }

void TWgCustomButton::SetLightTextStyle(bool value) { SetAndInvalidate(FRelief.Light, value); }

void TWgCustomButton::SetTextHighlightColor(TColor value) { SetAndInvalidate(FRelief.Highlight, value); }

void TWgCustomButton::SetTextShadowColor(TColor value) { SetAndInvalidate(FRelief.Shadow, value); }

void TWgCustomButton::SetTextShadowDepth(int value) { SetAndInvalidate(FRelief.Depth, std::clamp(value, 0, 100)); }

void TWgCustomButton::SetThemeAware(bool value) { SetAndInvalidate(FThemeAware, value); }

TWgCustomButton::TLook TWgCustomButton::Look() const noexcept {
    if (FThemeAware && ButtonThemesActive()) return TLook::lkThemed;
    return FHotTrack ? TLook::lkHotTrack : TLook::lkClassic;
}

TColor TWgCustomButton::ParentBackground() const { return Parent() ? Parent()->Color() : clBtnFace; }

void TWgCustomButton::SetPressed(bool value) {
    if (value == FShowDown) return;
    FShowDown = value;
    Repaint();
}

void TWgCustomButton::CancelPress() {
    FDragging = false;
    FSpacePressed = false;
    if (FHandle && ::GetCapture() == FHandle) ::ReleaseCapture();
    SetPressed(false);
}

void TWgCustomButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && Enabled()) {
        if (!Focused() && CanFocus()) SetFocus();
        if (Focused()) {
            FDragging = true;
            ::SetCapture(Handle());
            SetPressed(true);
        }
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TWgCustomButton::MouseMove(TShiftState shift, int x, int y) {
    // While the button is held the pressed look follows the pointer in and out.
    if (FDragging) SetPressed(PointInClient(*this, x, y));
    TCustomControl::MouseMove(shift, x, y);
}

void TWgCustomButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    bool click = false;
    if (button == TMouseButton::mbLeft && FDragging) {
        FDragging = false;
        if (::GetCapture() == FHandle) ::ReleaseCapture();
        click = PointInClient(*this, x, y);
        SetPressed(false);
    }
    TCustomControl::MouseUp(button, shift, x, y);
    // Last: the click may close the form.
    if (click) Click();
}

void TWgCustomButton::MouseEnter() {
    const bool tracking = !HasState(TComponentStateFlag::csDesigning);
    if (tracking) FMouseOver = true;
    TCustomControl::MouseEnter();
    if (tracking && (FHotTrack || ButtonThemesActive())) Invalidate();
}

void TWgCustomButton::MouseLeave() {
    const bool tracking = !HasState(TComponentStateFlag::csDesigning);
    if (tracking) FMouseOver = false;
    TCustomControl::MouseLeave();
    if (tracking && (FHotTrack || ButtonThemesActive())) Invalidate();
}

void TWgCustomButton::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_SPACE && !(shift & ssAlt) && Enabled()) {
        FSpacePressed = true;
        SetPressed(true);
    }
}

void TWgCustomButton::KeyUp(WORD& key, TShiftState shift) {
    TCustomControl::KeyUp(key, shift);
    if (key == VK_SPACE && FSpacePressed) {
        FSpacePressed = false;
        SetPressed(false);
        Click();
    }
}

void TWgCustomButton::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SETFOCUS:
            TCustomControl::WndProc(m);
            Invalidate();
            return;
        case WM_KILLFOCUS:
            TCustomControl::WndProc(m);
            CancelPress();  // a press does not survive losing the focus
            Invalidate();
            return;
        case WM_CANCELMODE:
            CancelPress();
            break;
        case WM_CAPTURECHANGED:
            // Someone else took the mouse: the press ends without a click.
            if (FDragging && reinterpret_cast<HWND>(m.LParam) != FHandle) CancelPress();
            break;
        default:
            break;
    }
    TCustomControl::WndProc(m);
}

void TWgCustomButton::TextChanged() {
    TCustomControl::TextChanged();
    Invalidate();
}

void TWgCustomButton::EnabledChanged() {
    if (!Enabled()) CancelPress();
    TCustomControl::EnabledChanged();
    Invalidate();
}

void TWgCustomButton::Paint() {
    const TLook look = Look();
    RECT face = ClientRect();
    PaintFrameAndFace(face);
    PaintContent(look);
    if (Focused() && ShowFocusRectangle()) {
        RECT focus = ClientRect(), inner{};
        const int inset = look == TLook::lkClassic ? 4 : 3;
        ::InflateRect(&focus, -inset, -inset);
        DrawFocusBorder(Canvas().Handle(), focus, inner);
    }
}

void TWgCustomButton::PaintFrameAndFace(RECT& face) {
    switch (Look()) {
        case TLook::lkThemed:
            if (PaintThemed(face)) return;
            PaintClassic(face);  // the theme could not be opened after all
            return;
        case TLook::lkHotTrack:
            PaintHotTrack(face);
            return;
        case TLook::lkClassic:
            PaintClassic(face);
            return;
    }
}

void TWgCustomButton::PaintPlainFace(const RECT& face) {
    HDC dc = Canvas().Handle();
    if (face.right <= face.left || face.bottom <= face.top) return;
    const TColor color = Color();
    FillSolid(dc, face.left, face.bottom - 2, face.right, face.bottom - 1, DarkerColor(color, 20));
    FillSolid(dc, face.left, face.bottom - 1, face.right, face.bottom, DarkerColor(color, 30));
    const RECT rest{face.left, face.top, face.right, std::max(face.top, face.bottom - 2)};
    if (IsFullColorSupported())
        PaintGradient(dc, rest, gdVertical, 1, DarkerColor(color, 10), LighterColor(color, 30));
    else
        FillSolid(dc, rest, color);
}

void TWgCustomButton::PaintRing(const RECT& face, TColor first, TColor second) {
    if (!IsFullColorSupported()) return;
    HDC dc = Canvas().Handle();
    // The gradient spans the whole face; only a 2-pixel ring along its edge is let through.
    TSaveDCGuard save(dc);
    ::IntersectClipRect(dc, face.left, face.top, face.right, face.bottom);
    ::ExcludeClipRect(dc, face.left + 2, face.top + 2, face.right - 2, face.bottom - 2);
    PaintGradient(dc, face, gdVertical, 1, first, second);
}

void TWgCustomButton::PaintHotTrack(RECT& face) {
    HDC dc = Canvas().Handle();
    RECT r = ClientRect();
    const int w = r.right, h = r.bottom;
    const TColor parent = ParentBackground();
    FillSolid(dc, r, parent);
    const bool enabled = Enabled();
    if (enabled && w >= 4 && h >= 4) {
        // Outer edge: a soft rounded bevel in the parent's colour.
        const TColor dark = DarkerColor(parent, 20), light = LighterColor(parent, 20);
        FillSolid(dc, 0, 2, 1, h - 2, dark);
        FillSolid(dc, 2, 0, w - 2, 1, dark);
        FillSolid(dc, w - 1, 2, w, h - 2, light);
        FillSolid(dc, 2, h - 1, w - 2, h, light);
        ::SetPixelV(dc, 1, 1, ColorToRGB(dark));
        ::SetPixelV(dc, w - 2, 1, ColorToRGB(dark));
        ::SetPixelV(dc, 1, h - 2, ColorToRGB(dark));
        ::SetPixelV(dc, w - 2, h - 2, ColorToRGB(light));
    }
    ::InflateRect(&r, -1, -1);
    // Frame: an outline whose four corner pixels are left out.
    TColor frame = FrameLineColor();
    if (!enabled) frame = Color() == clBtnFace ? LighterColor(clBtnShadow, 30) : DarkerColor(Color(), 80);
    if (r.right - r.left >= 2 && r.bottom - r.top >= 2) {
        FillSolid(dc, r.left + 1, r.top, r.right - 1, r.top + 1, frame);
        FillSolid(dc, r.left + 1, r.bottom - 1, r.right - 1, r.bottom, frame);
        FillSolid(dc, r.left, r.top + 1, r.left + 1, r.bottom - 1, frame);
        FillSolid(dc, r.right - 1, r.top + 1, r.right, r.bottom - 1, frame);
    }
    ::InflateRect(&r, -1, -1);
    face = r;
    if (!enabled) {
        FillSolid(dc, face, Color());
        return;
    }
    if (DrawnDown()) {
        FillSolid(dc, face, DarkerColor(Color(), 10));
    } else if (FMouseOver) {
        PaintPlainFace(face);
        if (FHotTrackColorType == htctActual) {
            PaintRing(face, FHotTrackColor, BlendColors(clWhite, FHotTrackColor, 190));
        } else {
            const TColor complement = ComplementaryColor(FHotTrackColor, 180);
            PaintRing(face, DarkerColor(complement, 30), complement);
        }
    } else if (ShowsActiveLook() && !FShowDown) {
        PaintPlainFace(face);
        TColor ring = FHighlightColor;
        if (ColorsTooClose(ring, clBtnFace)) ring = DarkerColor(ring, 30);
        const TColor base = LighterColor(Color(), 30);
        PaintRing(face, BlendColors(ring, base, 160), BlendColors(ring, base, 60));
    } else {
        PaintPlainFace(face);
    }
}

void TWgCustomButton::PaintClassic(RECT& face) {
    HDC dc = Canvas().Handle();
    RECT r = ClientRect();
    const bool clicking = FDragging || FSpacePressed;
    if ((ShowsActiveLook() && !FShowDown) || clicking) {
        RECT inner{};
        DrawSides(dc, r, clWindowFrame, inner, sdAll, clWindowFrame);
        r = inner;
    }
    const TFrameStyleEx style = DrawnDown() ? TFrameStyleEx::fsButtonDown : TFrameStyleEx::fsButtonUp;
    r = Color() == clBtnFace ? DrawFrameStyle(dc, r, style, sdAll, TFrameColors{})
                             : DrawColorFrameStyle(dc, r, style, sdAll, Color());
    FillSolid(dc, r, Color());
    face = r;
}

bool TWgCustomButton::PaintThemed(RECT& face) {
    HTHEME theme = ::OpenThemeData(FHandle, L"BUTTON");
    if (!theme) return false;
    struct TClose {
        HTHEME T;
        ~TClose() { ::CloseThemeData(T); }
    } close{theme};
    HDC dc = Canvas().Handle();
    RECT r = ClientRect();
    ::DrawThemeParentBackground(FHandle, dc, &r);
    int state = PBS_DEFAULTED;
    if (!Enabled())
        state = PBS_DISABLED;
    else if (DrawnDown())
        state = PBS_PRESSED;
    else if (FMouseOver)
        state = PBS_HOT;
    else if (!ShowsActiveLook() || FShowDown)
        state = PBS_NORMAL;
    ::DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &r, nullptr);
    if (FAILED(::GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, state, &r, &face))) face = r;
    return true;
}

void TWgCustomButton::PaintContent(TLook look) {
    RECT r = ClientRect();
    ::InflateRect(&r, -5, -5);
    if (look == TLook::lkClassic && FShowDown) ::OffsetRect(&r, 1, 1);
    DrawCaption(r);
}

void TWgCustomButton::DrawCaption(const RECT& rect) {
    const std::wstring& text = Caption();
    if (text.empty() || rect.right <= rect.left) return;
    TCanvas& canvas = Canvas();
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    const UINT flags = DT_EXPANDTABS | DT_WORDBREAK | CaptionAlignmentFlag();
    RECT calc = rect;
    canvas.DrawText(text, calc, flags | DT_CALCRECT);
    const int textHeight = calc.bottom - calc.top;
    RECT r = rect;
    switch (FAlignmentVertical) {
        case avTop:
            break;
        case avCenter:
            r.top += ((rect.bottom - rect.top) - textHeight) / 2;
            break;
        case avBottom:
            r.top = rect.bottom - textHeight - 1;
            r.bottom = rect.bottom - 1;
            break;
    }
    TTextRelief relief = FRelief;
    if (!Enabled()) relief.Style = tsNormal;
    DrawReliefText(canvas, text, r, flags, relief, Enabled() ? Font().Color() : clGrayText);
}

// ---------------------------------------------------------------------------------------------------------------
// TWgButton

TWgButton::TWgButton(TComponent* AOwner) : TWgCustomButton(AOwner) {}

TWgButton::~TWgButton() = default;

void TWgButton::SetAlignment(TAlignment value) { SetAndInvalidate(FAlignment, value); }

UINT TWgButton::CaptionAlignmentFlag() const {
    switch (FAlignment) {
        case taLeftJustify:
            return DT_LEFT;
        case taRightJustify:
            return DT_RIGHT;
        default:
            return DT_CENTER;
    }
}

void TWgButton::SetAllowAllUp(bool value) {
    if (value == FAllowAllUp) return;
    FAllowAllUp = value;
    // One setting for the whole group.
    if (FParent && FGroupIndex != 0)
        for (int i = 0; i < FParent->ControlCount(); ++i)
            if (auto* b = dynamic_cast<TWgButton*>(FParent->Controls(i));
                b && b != this && b->FGroupIndex == FGroupIndex)
                b->FAllowAllUp = value;
}

void TWgButton::SetGroupIndex(int value) {
    if (value == FGroupIndex) return;
    FGroupIndex = value;
    if (value == 0)
        FDown = false;
    else if (FDown)
        UpdateExclusive();
    Invalidate();
}

void TWgButton::SetDown(bool value) {
    if (HasState(TComponentStateFlag::csLoading)) {
        FDown = value;
        return;
    }
    if (FGroupIndex == 0) value = false;  // only grouped buttons stay down
    if (value == FDown) return;
    // The last button down of a group stays down unless the group allows all up.
    if (FDown && !value && !FAllowAllUp) return;
    FDown = value;
    if (value) UpdateExclusive();
    Invalidate();
}

void TWgButton::Loaded() {
    TWgCustomButton::Loaded();
    if (FGroupIndex == 0)
        FDown = false;
    else if (FDown)
        UpdateExclusive();
}

void TWgButton::UpdateExclusive() {
    if (!FParent || FGroupIndex == 0) return;
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        auto* b = dynamic_cast<TWgButton*>(FParent->Controls(i));
        if (b && b != this && b->FGroupIndex == FGroupIndex && b->FDown) {
            b->FDown = false;
            b->Invalidate();
        }
    }
}

void TWgButton::SetDefault(bool value) {
    FDefault = value;
    TForm* form = GetParentForm(this);
    FocusChanged(form ? form->ActiveControl() : nullptr);
}

void TWgButton::SetFrameColor(TColor value) { SetAndInvalidate(FFrameColor, value); }

void TWgButton::SetShowDownPattern(bool value) { SetAndInvalidate(FShowDownPattern, value); }

void TWgButton::SetShowFocusRect(bool value) { SetAndInvalidate(FShowFocusRect, value); }

bool TWgButton::ShowsActiveLook() const { return FGroupIndex == 0 && (FActive || Focused()); }

bool TWgButton::DrawnDown() const { return FShowDown || (FGroupIndex != 0 && FDown); }

void TWgButton::PaintFrameAndFace(RECT& face) {
    TWgCustomButton::PaintFrameAndFace(face);
    // A grouped button that stays down shows a dither of face and highlight in the classic look.
    if (Look() == TLook::lkClassic && FGroupIndex != 0 && FDown && FShowDownPattern && !FShowDown) {
        HDC dc = Canvas().Handle();
        const COLORREF light = ColorToRGB(clBtnHighlight);
        for (int y = face.top; y < face.bottom; ++y)
            for (int x = face.left + ((y - face.top) & 1); x < face.right; x += 2) ::SetPixelV(dc, x, y, light);
    }
}

void TWgButton::Click() {
    if (FGroupIndex != 0) SetDown(!FDown || !FAllowAllUp);
    if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TWgCustomButton::Click();
}

void TWgButton::FocusChanged(TWinControl* focused) {
    bool active;
    if (auto* button = dynamic_cast<TWgButton*>(focused))
        active = button == this;
    else
        active = FDefault;
    if (active == FActive) return;
    FActive = active;
    Invalidate();
}

bool TWgButton::DialogKey(WORD key) {
    if (!((key == VK_RETURN && FActive) || (key == VK_ESCAPE && FCancel))) return false;
    if (KeyboardShiftState() & (ssShift | ssCtrl | ssAlt)) return false;
    if (!CanFocus()) return false;
    TFlagScope keyboardClick(FKeyboardClick, !FDropDownOnEnter);
    Click();
    return true;
}

void TWgButton::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CM_DIALOGKEY:
            if (DialogKey(static_cast<WORD>(m.WParam))) {
                m.Result = 1;
                return;
            }
            break;
        case CM_DIALOGCHAR:
            if (PressOnMnemonic(m, Caption(), this, [this] { Click(); })) return;
            break;
        case CM_FOCUSCHANGED:
            FocusChanged(reinterpret_cast<TWinControl*>(m.LParam));
            break;
        default:
            break;
    }
    TWgCustomButton::WndProc(m);
}

// ---------------------------------------------------------------------------------------------------------------
// TWgBitBtn

TWgBitBtn::TWgBitBtn(TComponent* AOwner) : TWgButton(AOwner), TButtonGlyph(*this, 2) {}

void TWgBitBtn::SetImageIndex(int value) {
    FImageIndex = std::max(value, -1);
    Invalidate();
}

void TWgBitBtn::SetDisabledIndex(int value) {
    FDisabledIndex = std::max(value, -1);
    Invalidate();
}

void TWgBitBtn::SetKind(TBitBtnKind value) {
    if (value == FKind) return;
    FKind = value;
    static constexpr int kResults[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                       mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
    if (value == bkCustom) return;
    SetModalResult(kResults[static_cast<int>(value)]);
    if (value == bkOK) SetDefault(true);
    if (value == bkCancel) SetCancel(true);
}

int TWgBitBtn::GlyphIndex() const noexcept {
    const bool exclusiveDown = GroupIndex() != 0 && Down();
    if (FNumGlyphs == 4 && exclusiveDown) return 3;
    if (FNumGlyphs >= 3 && (Down() || FShowDown)) return 2;
    if (FNumGlyphs >= 2 && !Enabled()) return 1;
    return 0;
}

TButtonContent TWgBitBtn::ContentLayout(TLook look) {
    TButtonContent out;
    RECT base = ClientRect();
    ::InflateRect(&base, -5, -5);
    if (look == TLook::lkClassic && FShowDown) ::OffsetRect(&base, 1, 1);
    out.Caption = base;
    const SIZE g = GlyphSize();
    if (g.cx <= 0 || g.cy <= 0) return out;
    const int baseW = base.right - base.left, baseH = base.bottom - base.top;
    const bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
    POINT at{};
    if (FMargin >= 0) {
        switch (FLayout) {
            case blGlyphLeft:
                at.x = base.left + FMargin;
                out.Caption.left += FMargin + g.cx + FSpacing;
                break;
            case blGlyphRight:
                at.x = base.right - FMargin - g.cx;
                out.Caption.right -= FMargin + g.cx + FSpacing;
                break;
            case blGlyphTop:
                at.y = base.top + FMargin;
                out.Caption.top += FMargin + g.cy + FSpacing;
                break;
            case blGlyphBottom:
                at.y = base.bottom - FMargin - g.cy;
                out.Caption.bottom -= FMargin + g.cy + FSpacing;
                break;
        }
    } else {
        // Glyph and caption centred together as one block.
        SIZE text{0, 0};
        if (!Caption().empty()) {
            TWindowDC screen(nullptr);
            TSelectGuard font(screen, Font().Handle());
            RECT calc{0, 0, horizontal ? 0x3FFF : baseW, 0};
            ::DrawTextW(screen, Caption().c_str(), static_cast<int>(Caption().size()), &calc,
                        DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
            text = SIZE{calc.right - calc.left, calc.bottom - calc.top};
        }
        const TButtonContent centred = LayoutButtonContent(base, g, text, FLayout, -1, FSpacing);
        at = POINT{centred.Glyph.left, centred.Glyph.top};
        out.Caption = centred.Caption;
    }
    // Centred on the other axis.
    if (horizontal)
        at.y = base.top + (baseH - g.cy + 1) / 2;
    else
        at.x = base.left + (baseW - g.cx + 1) / 2;
    // The classic look moved the base rectangle already; the theme moves a pressed glyph right only.
    if (look == TLook::lkThemed && FShowDown) at.x += 1;
    out.Glyph = RECT{at.x, at.y, at.x + g.cx, at.y + g.cy};
    return out;
}

void TWgBitBtn::PaintContent(TLook look) {
    const TButtonContent layout = ContentLayout(look);
    const SIZE g = GlyphSize();
    if (g.cx > 0 && g.cy > 0) {
        // A bitmap can be selected into one DC at a time: the glyph's own canvas lets go of it first.
        if (FGlyph.CanvasAllocated()) FGlyph.Dormant();
        const int index = GlyphIndex();
        const RECT src{index * g.cx, 0, (index + 1) * g.cx, g.cy};
        // The whole button is being composed off-screen, so the glyph goes straight onto that surface.
        DrawFullTransparentBitmap(Canvas().Handle(), FGlyph.Handle(), layout.Glyph, FGlyph.TransparentColor(), src);
    }
    DrawCaption(layout.Caption);
}

}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Published properties

#include "framework/Properties.h"

namespace qd {

const TClassInfo& TWgCustomButton::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TWgCustomButton>("TWgCustomButton", &TCustomControl::StaticClassInfo())
            .Enum("AlignmentVertical", &TWgCustomButton::AlignmentVertical, &TWgCustomButton::SetAlignmentVertical,
                  {"avTop", "avCenter", "avBottom"})
            .Bool("HotTrack", &TWgCustomButton::HotTrack, &TWgCustomButton::SetHotTrack)
            .Color("HotTrackColor", &TWgCustomButton::HotTrackColor, &TWgCustomButton::SetHotTrackColor)
            .Enum("HotTrackColorType", &TWgCustomButton::HotTrackColorType, &TWgCustomButton::SetHotTrackColorType,
                  {"htctComplement", "htctActual"})
            .Color("HighlightColor", &TWgCustomButton::HighlightColor, &TWgCustomButton::SetHighlightColor)
            .Enum("TextStyle", &TWgCustomButton::TextStyle, &TWgCustomButton::SetTextStyle,
                  {"tsNormal", "tsRaised", "tsRecessed", "tsShadow"})
            .Bool("LightTextStyle", &TWgCustomButton::LightTextStyle, &TWgCustomButton::SetLightTextStyle)
            .Color("TextHighlightColor", &TWgCustomButton::TextHighlightColor, &TWgCustomButton::SetTextHighlightColor)
            .Color("TextShadowColor", &TWgCustomButton::TextShadowColor, &TWgCustomButton::SetTextShadowColor)
            .Int("TextShadowDepth", &TWgCustomButton::TextShadowDepth, &TWgCustomButton::SetTextShadowDepth)
            .Bool("ThemeAware", &TWgCustomButton::ThemeAware, &TWgCustomButton::SetThemeAware);
    return info;
}

const TClassInfo& TWgButton::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TWgButton>("TWgButton", &TWgCustomButton::StaticClassInfo())
            .Enum("Alignment", &TWgButton::Alignment, &TWgButton::SetAlignment, AlignmentIdents())
            .Bool("AllowAllUp", &TWgButton::AllowAllUp, &TWgButton::SetAllowAllUp)
            .Int("GroupIndex", &TWgButton::GroupIndex, &TWgButton::SetGroupIndex)
            .Bool("Down", &TWgButton::Down, &TWgButton::SetDown)
            .Bool("Cancel", &TWgButton::Cancel, &TWgButton::SetCancel)
            .Bool("Default", &TWgButton::Default, &TWgButton::SetDefault)
            .Bool("DropDownOnEnter", &TWgButton::DropDownOnEnter, &TWgButton::SetDropDownOnEnter)
            .Color("FrameColor", &TWgButton::FrameColor, &TWgButton::SetFrameColor)
            .Int("ModalResult", &TWgButton::ModalResult, &TWgButton::SetModalResult)
            .Bool("ShowDownPattern", &TWgButton::ShowDownPattern, &TWgButton::SetShowDownPattern)
            .Bool("ShowFocusRect", &TWgButton::ShowFocusRect, &TWgButton::SetShowFocusRect);
    return info;
}

const TClassInfo& TWgBitBtn::StaticClassInfo() {
    static const TClassInfo info = Publish(TClassBuilder<TWgBitBtn>("TWgBitBtn", &TWgButton::StaticClassInfo()))
                                       .NilReference("Images", "no image list component exists; only nil is accepted")
                                       .Int("ImageIndex", &TWgBitBtn::ImageIndex, &TWgBitBtn::SetImageIndex)
                                       .Int("DisabledIndex", &TWgBitBtn::DisabledIndex, &TWgBitBtn::SetDisabledIndex)
                                       .Enum("Kind", &TWgBitBtn::Kind, &TWgBitBtn::SetKind, BitBtnKindIdents());
    return info;
}

void RegisterWidgetClasses() {
    static const bool done = [] {
        RegisterFrameworkClasses();
        RegisterClassInfos({&TWgLabel::StaticClassInfo(), &TWgCustomButton::StaticClassInfo(),
                            &TWgButton::StaticClassInfo(), &TWgBitBtn::StaticClassInfo()});
        return true;
    }();
    (void)done;
}

}  // namespace qd
