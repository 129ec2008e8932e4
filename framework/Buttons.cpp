#include "framework/Buttons.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Gdi.h"

namespace qd {

namespace {

// Where the glyph and the caption go along one axis of the area [lo, hi): the glyph's start, the caption's span.
struct TAxisPlacement {
    int Glyph, CaptionLo, CaptionHi;
};

TAxisPlacement PlaceAlong(int lo, int hi, int glyphSize, int captionSize, bool glyphFirst, int margin,
                          int gap) noexcept {
    const int block = glyphSize + gap + captionSize;
    const int start = margin >= 0 ? (glyphFirst ? lo + margin : hi - margin - block) : lo + (hi - lo - block + 1) / 2;
    if (glyphFirst) return {start, start + glyphSize + gap, margin >= 0 ? hi : start + block};
    return {start + captionSize + gap, margin >= 0 ? lo : start, start + captionSize};
}

}  // namespace

TButtonContent LayoutButtonContent(const RECT& area, SIZE glyph, SIZE caption, TButtonLayout layout, int margin,
                                   int spacing) noexcept {
    TButtonContent out;
    out.Caption = area;
    if (glyph.cx <= 0 || glyph.cy <= 0) {
        out.Glyph = RECT{area.left, area.top, area.left, area.top};
        return out;
    }
    const int gap = (caption.cx > 0 && caption.cy > 0) ? spacing : 0;
    POINT at{};
    if (layout == blGlyphLeft || layout == blGlyphRight) {
        const TAxisPlacement x =
            PlaceAlong(area.left, area.right, glyph.cx, caption.cx, layout == blGlyphLeft, margin, gap);
        at = {x.Glyph, area.top + (area.bottom - area.top - glyph.cy + 1) / 2};
        out.Caption.left = x.CaptionLo;
        out.Caption.right = x.CaptionHi;
    } else {
        const TAxisPlacement y =
            PlaceAlong(area.top, area.bottom, glyph.cy, caption.cy, layout == blGlyphTop, margin, gap);
        at = {area.left + (area.right - area.left - glyph.cx + 1) / 2, y.Glyph};
        out.Caption.top = y.CaptionLo;
        out.Caption.bottom = y.CaptionHi;
    }
    out.Glyph = RECT{at.x, at.y, at.x + glyph.cx, at.y + glyph.cy};
    return out;
}

void DrawGlyphImage(HDC dc, TBitmap& strip, int count, int index, POINT at) {
    if (strip.Empty() || count <= 0) return;
    const int w = strip.Width() / count, h = strip.Height();
    if (w <= 0) return;
    index = std::clamp(index, 0, count - 1);
    // A bitmap can be selected into one DC at a time: the strip's own canvas lets go of it first.
    strip.Dormant();
    TMemoryDC source(dc);
    if (!source) return;
    TSelectGuard select(source, strip.Handle());
    const COLORREF key = ColorToRGB(strip.TransparentColor(), clFuchsia);
    ::GdiTransparentBlt(dc, at.x, at.y, w, h, source, index * w, 0, w, h, key);
}

namespace {

SIZE StripImageSize(const TBitmap& strip, int count) {
    if (strip.Empty() || count <= 0 || strip.Width() / count <= 0) return SIZE{0, 0};
    return SIZE{strip.Width() / count, strip.Height()};
}

SIZE CaptionSize(HDC dc, const std::wstring& caption) {
    if (caption.empty()) return SIZE{0, 0};
    RECT calc{0, 0, 0x3FFF, 0};
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &calc, DT_CALCRECT | DT_SINGLELINE);
    return SIZE{calc.right - calc.left, calc.bottom - calc.top};
}

// Glyph and caption of a button in `area` of `dc` (font selected by the caller).
void DrawButtonContent(HDC dc, const RECT& area, TBitmap& glyph, int numGlyphs, int index, TButtonLayout layout,
                       int margin, int spacing, const std::wstring& caption, bool enabled) {
    const SIZE g = StripImageSize(glyph, numGlyphs);
    const TButtonContent at = LayoutButtonContent(area, g, CaptionSize(dc, caption), layout, margin, spacing);
    if (g.cx > 0) DrawGlyphImage(dc, glyph, numGlyphs, index, POINT{at.Glyph.left, at.Glyph.top});
    if (caption.empty()) return;
    RECT text = at.Caption;
    const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    ::SetBkMode(dc, TRANSPARENT);
    if (!enabled) {
        // The platform's engraved look of disabled text.
        RECT light = text;
        ::OffsetRect(&light, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &light, flags);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    } else {
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    }
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, flags);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// TButtonGlyph

TButtonGlyph::TButtonGlyph(TControl& button, int margin) : FMargin(margin), FButton(button) {
    FGlyph.OnChange = [this](TObject*) { FButton.Invalidate(); };
}

TButtonGlyph::~TButtonGlyph() { FGlyph.OnChange = nullptr; }

void TButtonGlyph::SetNumGlyphs(int value) { Change(FNumGlyphs, std::clamp(value, 1, 4)); }

void TButtonGlyph::SetLayout(TButtonLayout value) { Change(FLayout, value); }

void TButtonGlyph::SetMargin(int value) { Change(FMargin, std::max(value, -1)); }

void TButtonGlyph::SetSpacing(int value) { Change(FSpacing, value); }

SIZE TButtonGlyph::GlyphSize() const noexcept { return StripImageSize(FGlyph, FNumGlyphs); }

// ---------------------------------------------------------------------------------------------------------------
// TBitBtn

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), TButtonGlyph(*this, -1) {}

DWORD TBitBtn::ButtonStyle() const { return BS_OWNERDRAW; }

void TBitBtn::SetKind(TBitBtnKind value) {
    FKind = value;
    static constexpr int kResults[] = {0, 1, 2, 0, 6, 7, 0, 3, 4, 5, 8};  // mrOk = 1, mrCancel = 2, ...
    SetModalResult(kResults[static_cast<int>(value)]);
    if (value == bkOK) SetDefault(true);
    if (value == bkCancel) SetCancel(true);
}

void TBitBtn::WndProc(TMessage& m) {
    if (m.Msg == CN_BASE + WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
        m.Result = TRUE;
        return;
    }
    TButton::WndProc(m);
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool enabled = (item.itemState & ODS_DISABLED) == 0;
    RECT r = item.rcItem;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    // Composed off-screen and copied in one blit.
    TMemoryDC buffer(item.hDC);
    TBitmapHandle bitmap(::CreateCompatibleBitmap(item.hDC, w, h));
    if (!buffer || !bitmap) return;
    TSelectGuard selectBitmap(buffer, bitmap.Get());
    RECT face{0, 0, w, h};
    if (focused || Default()) {
        // The default (or focused) button's dark outline.
        ::FrameRect(buffer, &face, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::InflateRect(&face, -1, -1);
    }
    ::DrawFrameControl(buffer, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED | DFCS_FLAT : 0));
    RECT content = face;
    ::InflateRect(&content, -4, -4);
    if (pressed) ::OffsetRect(&content, 1, 1);
    TSelectGuard selectFont(buffer, Font().Handle());
    int index = 0;
    if (!enabled && FNumGlyphs >= 2) index = 1;
    if (pressed && FNumGlyphs >= 3) index = 2;
    DrawButtonContent(buffer, content, FGlyph, FNumGlyphs, index, FLayout, FMargin, FSpacing, Caption(), enabled);
    if (focused) {
        RECT focus = face;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(buffer, &focus);
    }
    ::BitBlt(item.hDC, r.left, r.top, w, h, buffer, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------------------------------
// TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), TButtonGlyph(*this, -1) {
    FWidth = 23;
    FHeight = 22;
}

void TSpeedButton::SetDown(bool value) {
    if (value == FDown) return;
    FDown = value;
    if (value && FGroupIndex != 0 && Parent()) {
        // Only one button of a group is down.
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
                other && other != this && other->FGroupIndex == FGroupIndex)
                other->SetDown(false);
    }
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int value) { SetAndInvalidate(FGroupIndex, value); }

void TSpeedButton::SetAllowAllUp(bool value) {
    FAllowAllUp = value;
    if (!Parent() || FGroupIndex == 0) return;
    // The setting holds for the whole group.
    for (int i = 0; i < Parent()->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            other && other->FGroupIndex == FGroupIndex)
            other->FAllowAllUp = value;
}

void TSpeedButton::SetFlat(bool value) { SetAndInvalidate(FFlat, value); }

void TSpeedButton::Click() {
    if (FGroupIndex != 0) {
        if (!FDown)
            SetDown(true);
        else if (FAllowAllUp)
            SetDown(false);
    }
    TGraphicControl::Click();
}

int TSpeedButton::GlyphIndex() const noexcept {
    if (!Enabled()) return FNumGlyphs >= 2 ? 1 : 0;
    if (FDown && FGroupIndex != 0 && FNumGlyphs >= 4) return 3;
    if ((FDown || FPressed) && FNumGlyphs >= 3) return 2;
    return 0;
}

void TSpeedButton::Paint() {
    HDC dc = Canvas().Handle();
    RECT r = ClientRect();
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    TMemoryDC buffer(dc);
    TBitmapHandle bitmap(::CreateCompatibleBitmap(dc, w, h));
    if (!buffer || !bitmap) return;
    TSelectGuard selectBitmap(buffer, bitmap.Get());
    RECT face{0, 0, w, h};
    TBrushHandle brush(::CreateSolidBrush(ColorToRGB(Color(), clBtnFace)));
    ::FillRect(buffer, &face, brush.Get());
    const bool sunken = FDown || FPressed;
    if (sunken)
        ::DrawEdge(buffer, &face, FFlat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
    else if (!FFlat || (MouseInControl() && Enabled()))
        ::DrawEdge(buffer, &face, FFlat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    RECT content = face;
    ::InflateRect(&content, -2, -2);
    if (sunken) ::OffsetRect(&content, 1, 1);
    TSelectGuard selectFont(buffer, Font().Handle());
    DrawButtonContent(buffer, content, FGlyph, FNumGlyphs, GlyphIndex(), FLayout, FMargin, FSpacing, Caption(),
                      Enabled());
    ::BitBlt(dc, 0, 0, w, h, buffer, 0, 0, SRCCOPY);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && Enabled()) {
        FTracking = true;
        FPressed = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    if (FTracking) {
        const bool inside = x >= 0 && y >= 0 && x < FWidth && y < FHeight;
        if (inside != FPressed) {
            FPressed = inside;
            Invalidate();
        }
    }
    TGraphicControl::MouseMove(shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && FTracking) {
        FTracking = false;
        FPressed = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::MouseEnter() {
    if (FFlat) Invalidate();
    TGraphicControl::MouseEnter();
}

void TSpeedButton::MouseLeave() {
    if (FFlat) Invalidate();
    TGraphicControl::MouseLeave();
}

}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Published properties

#include "framework/Properties.h"

namespace qd {

const TIdentTable& BitBtnKindIdents() {
    static const TIdentTable table{"bkCustom", "bkOK",    "bkCancel", "bkHelp",   "bkYes", "bkNo",
                                   "bkClose",  "bkAbort", "bkRetry",  "bkIgnore", "bkAll"};
    return table;
}

const TClassInfo& TBitBtn::StaticClassInfo() {
    static const TClassInfo info = Publish(TClassBuilder<TBitBtn>("TBitBtn", &TButton::StaticClassInfo()))
                                       .Enum("Kind", &TBitBtn::Kind, &TBitBtn::SetKind, BitBtnKindIdents());
    return info;
}

const TClassInfo& TSpeedButton::StaticClassInfo() {
    static const TClassInfo info =
        Publish(TClassBuilder<TSpeedButton>("TSpeedButton", &TGraphicControl::StaticClassInfo())
                    .Bool("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp)
                    .Int("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex)
                    .Bool("Down", &TSpeedButton::Down, &TSpeedButton::SetDown)
                    .Bool("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat));
    return info;
}

}  // namespace qd
