#include "widgets/WgLabel.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "framework/Application.h"
#include "framework/Gdi.h"

namespace qd {

namespace {

struct TTextPass {
    int DX, DY;
    TColor Color;
};

// The offset passes of a relief, drawn before the text itself.
std::vector<TTextPass> ReliefPasses(const TTextRelief& relief) {
    switch (relief.Style) {
        case tsRaised:
            if (relief.Light) return {{-1, -1, relief.Highlight}};
            return {{1, 1, relief.Shadow}, {-1, -1, relief.Highlight}};
        case tsRecessed:
            if (relief.Light) return {{1, 1, relief.Highlight}};
            return {{1, 1, relief.Highlight}, {-1, -1, relief.Shadow}};
        case tsShadow:
            return {{relief.Depth, relief.Depth, relief.Shadow}};
        default:
            return {};
    }
}

TWgBlinkList* gBlinkList = nullptr;
bool gBlinkListTicking = false;

// Lines of border a style takes on each of its sides.
int StyleInset(TFrameStyleEx style, int bevelWidth) noexcept { return FrameStyleWidth(style, bevelWidth); }

}  // namespace

void DrawReliefText(TCanvas& canvas, const std::wstring& text, const RECT& rect, UINT flags, const TTextRelief& relief,
                    TColor color) {
    flags &= ~static_cast<UINT>(DT_CALCRECT);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    for (const TTextPass& pass : ReliefPasses(relief)) {
        RECT r = rect;
        ::OffsetRect(&r, pass.DX, pass.DY);
        canvas.Font().SetColor(pass.Color);
        canvas.DrawText(text, r, flags);
    }
    RECT r = rect;
    canvas.Font().SetColor(color);
    canvas.DrawText(text, r, flags);
}

// ---------------------------------------------------------------------------------------------------------------
// TWgBlinkList

TWgBlinkList* TWgBlinkList::Instance() noexcept { return gBlinkList; }

TWgBlinkList::TWgBlinkList() : FTimer(std::make_unique<TTimer>(nullptr)) {
    FTimer->SetInterval(500);
    FTimer->SetOnTimer([this](TObject*) { Tick(); });
}

TWgBlinkList::~TWgBlinkList() = default;

void TWgBlinkList::Add(TWgLabel* label) {
    if (!gBlinkList) gBlinkList = new TWgBlinkList;
    gBlinkList->FLabels.push_back(label);
}

void TWgBlinkList::Remove(TWgLabel* label) noexcept {
    if (!gBlinkList) return;
    auto& list = gBlinkList->FLabels;
    list.erase(std::remove(list.begin(), list.end(), label), list.end());
    // A label freed by something a tick set off: the list goes when that tick is over, not under its feet.
    if (list.empty() && !gBlinkListTicking) {
        delete gBlinkList;
        gBlinkList = nullptr;
    }
}

void TWgBlinkList::SetIntervalOn(std::uint16_t value) noexcept {
    FIntervalOn = static_cast<std::uint16_t>(std::max<unsigned>(value, kMinInterval));
}

void TWgBlinkList::SetIntervalOff(std::uint16_t value) noexcept {
    FIntervalOff = static_cast<std::uint16_t>(std::max<unsigned>(value, kMinInterval));
}

void TWgBlinkList::Tick() noexcept {
    gBlinkListTicking = true;
    CallGuarded([&] {
        FPhaseOn = !FPhaseOn;
        FTimer->SetInterval(FPhaseOn ? FIntervalOn : FIntervalOff);
        const std::vector<TWgLabel*> labels = FLabels;
        for (TWgLabel* label : labels) {
            if (std::find(FLabels.begin(), FLabels.end(), label) == FLabels.end()) continue;  // freed meanwhile
            if (label->FBlinking) CallSwallowing([&] { label->BlinkSwitch(FPhaseOn); });
        }
    });
    gBlinkListTicking = false;
    if (FLabels.empty()) {
        gBlinkList = nullptr;
        delete this;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// TWgLabel

TWgLabel::TWgLabel(TComponent* AOwner) : TCustomLabel(AOwner) {
    // Colour is the button face and ParentColor is on already (the control defaults): nothing to notify.
    FCurrentColor = Font().Color();
    TWgBlinkList::Add(this);
}

TWgLabel::~TWgLabel() { TWgBlinkList::Remove(this); }

void TWgLabel::Changed() { Invalidate(); }

void TWgLabel::SetAngle(int value) {
    value %= 360;
    if (value < 0) value += 360;
    if (value == FAngle) return;
    FAngle = value;
    Changed();
}

void TWgLabel::SetBlinking(bool value) {
    if (value == FBlinking) return;
    FBlinking = value;
    FBlinkOn = false;
    if (!value) FCurrentColor = Font().Color();  // the font colour comes back at once
    Changed();
}

void TWgLabel::BlinkSwitch(bool on) {
    FBlinkOn = on;
    if (!on) FCurrentColor = Font().Color();
    Invalidate();
}

void TWgLabel::SetBlinkColor(TColor value) {
    if (value == FBlinkColor) return;
    FBlinkColor = value;
    if (FBlinking && FBlinkOn) Changed();
}

std::uint16_t TWgLabel::BlinkIntervalOn() const noexcept { return gBlinkList ? gBlinkList->IntervalOn() : 500; }
void TWgLabel::SetBlinkIntervalOn(std::uint16_t value) {
    if (gBlinkList) gBlinkList->SetIntervalOn(value);
}
std::uint16_t TWgLabel::BlinkIntervalOff() const noexcept { return gBlinkList ? gBlinkList->IntervalOff() : 500; }
void TWgLabel::SetBlinkIntervalOff(std::uint16_t value) {
    if (gBlinkList) gBlinkList->SetIntervalOff(value);
}

void TWgLabel::SetBevelWidth(int value) { SetAndInvalidate(FBevelWidth, std::max(value, 0), &TWgLabel::AdjustBounds); }

void TWgLabel::SetBorderInner(TFrameStyleEx value) { SetAndInvalidate(FBorderInner, value, &TWgLabel::AdjustBounds); }

void TWgLabel::SetBorderOuter(TFrameStyleEx value) { SetAndInvalidate(FBorderOuter, value, &TWgLabel::AdjustBounds); }

void TWgLabel::SetBorderSides(std::uint8_t value) {
    value &= sdAll;
    if (value == FBorderSides) return;
    FBorderSides = value;
    AdjustBounds();
    Changed();
}

void TWgLabel::SetBorderColor(TColor value) { SetAndInvalidate(FBorderColor, value); }

void TWgLabel::SetBorderHighlight(TColor value) { SetAndInvalidate(FBorderHighlight, value); }

void TWgLabel::SetBorderShadow(TColor value) { SetAndInvalidate(FBorderShadow, value); }

void TWgLabel::SetBorderWidth(int value) {
    SetAndInvalidate(FBorderWidth, std::max(value, 0), &TWgLabel::AdjustBounds);
}

void TWgLabel::SetCondenseCaption(bool value) { SetAndInvalidate(FCondenseCaption, value, &TWgLabel::AdjustBounds); }

void TWgLabel::SetFlatColor(TColor value) { SetAndInvalidate(FFlatColor, value); }

void TWgLabel::SetFlatColorAdjustment(int value) { SetAndInvalidate(FFlatColorAdjustment, std::clamp(value, 0, 255)); }

void TWgLabel::SetCenterPoint(TCenterPoint value) { SetAndInvalidate(FCenterPoint, value); }

void TWgLabel::SetFlyByColor(TColor value) {
    if (value == FFlyByColor) return;
    FFlyByColor = value;
    if (FHovered) Changed();
}

void TWgLabel::SetFlyByEnabled(bool value) {
    if (value == FFlyByEnabled) return;
    FFlyByEnabled = value;
    if (!value && FHovered) {
        FHovered = false;
        Changed();
    }
}

void TWgLabel::SetLightTextStyle(bool value) { SetAndInvalidate(FLightTextStyle, value); }

void TWgLabel::SetRotation(TTextRotation value) { SetAndInvalidate(FRotation, value); }

void TWgLabel::SetHighlightColor(TColor value) { SetAndInvalidate(FHighlightColor, value); }

void TWgLabel::SetShadowColor(TColor value) { SetAndInvalidate(FShadowColor, value); }

void TWgLabel::SetShadowDepth(int value) { SetAndInvalidate(FShadowDepth, std::clamp(value, 0, 100)); }

void TWgLabel::SetTextMargin(int value) { SetAndInvalidate(FTextMargin, std::max(value, 0)); }

void TWgLabel::SetTextStyle(TTextStyle value) { SetAndInvalidate(FTextStyle, value); }

RECT TWgLabel::BorderInsetRect(RECT r) const noexcept {
    ::InflateRect(&r, -FBorderWidth, -FBorderWidth);
    for (TFrameStyleEx style : {FBorderOuter, FBorderInner}) {
        const int n = StyleInset(style, FBevelWidth);
        if (FBorderSides & sdLeft) r.left += n;
        if (FBorderSides & sdTop) r.top += n;
        if (FBorderSides & sdRight) r.right -= n;
        if (FBorderSides & sdBottom) r.bottom -= n;
    }
    return r;
}

RECT TWgLabel::TextRect() {
    RECT r = BorderInsetRect(ClientRect());
    ::InflateRect(&r, -FTextMargin, -FTextMargin);
    return r;
}

TColor TWgLabel::CurrentTextColor() const noexcept {
    if (!Enabled()) return clGrayText;
    if (FBlinking && FBlinkOn) return FBlinkColor;
    if (FHovered && FFlyByEnabled) return FFlyByColor;
    return FCurrentColor;
}

TTextRelief TWgLabel::Relief() const noexcept {
    TTextRelief relief;
    relief.Style = Enabled() ? FTextStyle : tsNormal;  // a disabled label is plain grey text
    relief.Light = FLightTextStyle;
    relief.Highlight = FHighlightColor;
    relief.Shadow = FShadowColor;
    relief.Depth = FShadowDepth;
    return relief;
}

UINT TWgLabel::DrawTextFlags() const {
    UINT flags = TCustomLabel::DrawTextFlags();
    if (FCondenseCaption) flags |= DT_END_ELLIPSIS;
    return flags;
}

void TWgLabel::FontChanged() {
    // While blinking, the blink phases decide the colour; the new font colour shows at the next off phase.
    if (!FBlinking) FCurrentColor = Font().Color();
    TCustomLabel::FontChanged();
}

void TWgLabel::MouseEnter() {
    if (!HasState(TComponentStateFlag::csDesigning) && FFlyByEnabled) {
        FHovered = true;
        Invalidate();
    }
    TCustomLabel::MouseEnter();
}

void TWgLabel::MouseLeave() {
    if (FHovered) {
        FHovered = false;
        Invalidate();
    }
    TCustomLabel::MouseLeave();
}

void TWgLabel::AdjustBounds() {
    if (!AutoSize() || HasState(TComponentStateFlag::csLoading)) return;
    TWindowDC screen(nullptr);
    if (!screen) return;
    const RECT client = ClientRect();
    RECT r = BorderInsetRect(client);
    if (!WordWrap()) r.right = r.left + 0x3FFF;
    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    if (WordWrap()) flags |= DT_WORDBREAK;
    if (FCondenseCaption) flags |= DT_END_ELLIPSIS;
    // Measured as drawn: without prefix processing "&" takes room of its own.
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    {
        const TCanvasHandleScope lent(Canvas(), screen);
        Canvas().Font().Assign(Font());
        Canvas().DrawText(LabelText(), r, flags);
    }
    // The insets are added back: the same amounts the painting takes off.
    const RECT probe{0, 0, 0x4000, 0x4000};
    const RECT in = BorderInsetRect(probe);
    const int width = (r.right - r.left) + in.left + (probe.right - in.right);
    const int height = (r.bottom - r.top) + in.top + (probe.bottom - in.bottom);
    int left = FLeft;
    if (Alignment() == taRightJustify) left = FLeft + FWidth - width;
    SetBounds(left, FTop, width, height);
}

void TWgLabel::DrawBorders(HDC dc, RECT& rect) {
    TFrameColors colors;
    colors.Highlight = FBorderHighlight;
    colors.Shadow = FBorderShadow;
    colors.Flat = FFlatColor;
    colors.FlatAdjustment = FFlatColorAdjustment;
    colors.BevelWidth = FBevelWidth;
    for (TFrameStyleEx style : {FBorderOuter, FBorderInner}) {
        if (style == TFrameStyleEx::fsNone) continue;
        // A border colour other than the button face gives the colour variant of the style.
        rect = FBorderColor == clBtnFace ? DrawFrameStyle(dc, rect, style, FBorderSides, colors)
                                         : DrawColorFrameStyle(dc, rect, style, FBorderSides, FBorderColor);
    }
}

void TWgLabel::Paint() {
    TCanvas& canvas = Canvas();
    HDC dc = canvas.Handle();
    RECT r = ClientRect();
    // The border-width gap belongs to the face: the whole inside of the borders is filled.
    RECT face = r;
    DrawBorders(dc, face);
    if (!Transparent()) {
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.FillRect(face);
    }
    const RECT textRect = TextRect();
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    switch (FRotation) {
        case roCurve:
            DrawCurvedText(textRect);
            break;
        case roFlat:
            DrawRotatedText(textRect);
            break;
        default:
            DrawPlainText(textRect);
            break;
    }
}

namespace {

// Narrows the DC's clipping to a rectangle for its lifetime and then gives the previous clipping back.
class TClipToRect {
public:
    TClipToRect(HDC dc, const RECT& r) : FDC(dc), FSaved(::CreateRectRgn(0, 0, 0, 0)) {
        FHad = FSaved ? ::GetClipRgn(dc, FSaved.Get()) : -1;
        if (FHad >= 0) ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    TClipToRect(const TClipToRect&) = delete;
    TClipToRect& operator=(const TClipToRect&) = delete;
    ~TClipToRect() {
        if (FHad >= 0) ::SelectClipRgn(FDC, FHad == 1 ? FSaved.Get() : nullptr);
    }

private:
    HDC FDC;
    TRegionHandle FSaved;
    int FHad;
};

}  // namespace

void TWgLabel::DrawPlainText(const RECT& textRect) {
    TCanvas& canvas = Canvas();
    const std::wstring text = LabelText();
    const UINT flags = DrawTextFlags();
    RECT r = textRect;
    std::optional<TClipToRect> cut;
    if (Layout() != tlTop) {
        RECT calc = r;
        canvas.DrawText(text, calc, flags | DT_CALCRECT);
        const int free = (r.bottom - r.top) - (calc.bottom - calc.top);
        if (free < 0) {
            // Text taller than the label: the whole block is placed (centred or at the bottom) and what lies
            // outside the text rectangle is cut, at both ends when centred.
            cut.emplace(canvas.Handle(), r);
            r.bottom = r.top + (calc.bottom - calc.top);
        }
        const int shift = Layout() == tlBottom ? free : free / 2;  // truncated toward zero
        ::OffsetRect(&r, 0, shift);
        if (Layout() == tlBottom && Enabled() && FTextStyle == tsShadow) ::OffsetRect(&r, 0, -FShadowDepth);
    }
    DrawReliefText(canvas, text, r, flags, Relief(), CurrentTextColor());
}

namespace {

// Anchor of a box: a corner, an edge's middle or the centre, by the centre point.
POINT AnchorOf(TCenterPoint cp, double left, double top, double right, double bottom) {
    const int col = static_cast<int>(cp) % 3, row = static_cast<int>(cp) / 3;
    const double x = col == 0 ? left : col == 1 ? (left + right) / 2 : right;
    const double y = row == 0 ? top : row == 1 ? (top + bottom) / 2 : bottom;
    return POINT{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
}

TFontHandle RotatedFont(TFont& font, double degrees) {
    LOGFONTW lf = font.LogFont();
    lf.lfEscapement = lf.lfOrientation = static_cast<LONG>(std::lround(degrees * 10));
    // Platform quirk: Windows rotates only outline fonts; asking for one keeps raster faces from staying flat.
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    return TFontHandle(::CreateFontIndirectW(&lf));
}

}  // namespace

void TWgLabel::DrawRotatedText(const RECT& textRect) {
    TCanvas& canvas = Canvas();
    HDC dc = canvas.Handle();
    std::wstring text = LabelText();
    TFontHandle font = RotatedFont(Font(), FAngle);
    if (!font) return;
    TSaveDCGuard save(dc);
    ::SelectObject(dc, font.Get());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    // The text box turned about its top-left corner: baseline direction (cos a, -sin a), downward (sin a, cos a).
    const double a = FAngle * std::numbers::pi / 180.0;
    const double ux = std::cos(a), uy = -std::sin(a), dx = std::sin(a), dy = std::cos(a);
    const double xs[4] = {0, size.cx * ux, size.cy * dx, size.cx * ux + size.cy * dx};
    const double ys[4] = {0, size.cx * uy, size.cy * dy, size.cx * uy + size.cy * dy};
    const double minX = *std::min_element(xs, xs + 4), maxX = *std::max_element(xs, xs + 4);
    const double minY = *std::min_element(ys, ys + 4), maxY = *std::max_element(ys, ys + 4);
    const POINT target = AnchorOf(FCenterPoint, textRect.left, textRect.top, textRect.right, textRect.bottom);
    const POINT box = AnchorOf(FCenterPoint, minX, minY, maxX, maxY);
    const int x = target.x - box.x, y = target.y - box.y;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    auto out = [&](int ox, int oy, TColor color) {
        ::SetTextColor(dc, ColorToRGB(color));
        ::ExtTextOutW(dc, x + ox, y + oy, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    };
    for (const TTextPass& pass : ReliefPasses(Relief())) out(pass.DX, pass.DY, pass.Color);
    out(0, 0, CurrentTextColor());
}

void TWgLabel::DrawCurvedText(const RECT& textRect) {
    TCanvas& canvas = Canvas();
    HDC dc = canvas.Handle();
    const std::wstring text = LabelText();
    TSaveDCGuard save(dc);
    ::SelectObject(dc, Font().Handle());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    std::vector<int> widths;
    int total = 0;
    for (wchar_t ch : text) {
        SIZE s{};
        ::GetTextExtentPoint32W(dc, &ch, 1, &s);
        widths.push_back(s.cx);
        total += s.cx;
    }
    // The characters follow the upper arc of a circle that fits the text rectangle, centred on its middle and
    // turned by Angle; each one stands on the arc's tangent.
    const int w = textRect.right - textRect.left, h = textRect.bottom - textRect.top;
    const double radius = std::max(1.0, std::min(w / 2.0, static_cast<double>(h)) - tm.tmHeight);
    const double cx = textRect.left + w / 2.0, cy = textRect.top + tm.tmHeight + radius;
    const double turn = FAngle * std::numbers::pi / 180.0;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextAlign(dc, TA_CENTER | TA_BASELINE | TA_NOUPDATECP);
    const std::vector<TTextPass> passes = ReliefPasses(Relief());
    double run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const double theta = std::numbers::pi / 2 + turn + (total / 2.0 - run - widths[i] / 2.0) / radius;
        run += widths[i];
        const int px = static_cast<int>(std::lround(cx + radius * std::cos(theta)));
        const int py = static_cast<int>(std::lround(cy - radius * std::sin(theta)));
        TFontHandle font = RotatedFont(Font(), (theta - std::numbers::pi / 2) * 180.0 / std::numbers::pi);
        if (!font) continue;
        TSelectGuard select(dc, font.Get());
        for (const TTextPass& pass : passes) {
            ::SetTextColor(dc, ColorToRGB(pass.Color));
            ::ExtTextOutW(dc, px + pass.DX, py + pass.DY, 0, nullptr, &text[i], 1, nullptr);
        }
        ::SetTextColor(dc, ColorToRGB(CurrentTextColor()));
        ::ExtTextOutW(dc, px, py, 0, nullptr, &text[i], 1, nullptr);
    }
}

}  // namespace qd

// ---------------------------------------------------------------------------------------------------------------
// Published properties

#include "framework/Properties.h"

namespace qd {

namespace {
TIdentTable FrameStyleIdents() {
    return {"fsNone",   "fsFlat",     "fsGroove", "fsBump",  "fsLowered",  "fsButtonDown",
            "fsRaised", "fsButtonUp", "fsStatus", "fsPopup", "fsFlatBold", "fsFlatRounded"};
}
}  // namespace

const TClassInfo& TWgLabel::StaticClassInfo() {
    static const TClassInfo info =
        TClassBuilder<TWgLabel>("TWgLabel", &TCustomLabel::StaticClassInfo())
            .Int("Angle", &TWgLabel::Angle, &TWgLabel::SetAngle)
            .Bool("Blinking", &TWgLabel::Blinking, &TWgLabel::SetBlinking)
            .Color("BlinkColor", &TWgLabel::BlinkColor, &TWgLabel::SetBlinkColor)
            .Int("BlinkIntervalOff", &TWgLabel::BlinkIntervalOff, &TWgLabel::SetBlinkIntervalOff)
            .Int("BlinkIntervalOn", &TWgLabel::BlinkIntervalOn, &TWgLabel::SetBlinkIntervalOn)
            .Int("BevelWidth", &TWgLabel::BevelWidth, &TWgLabel::SetBevelWidth)
            .Enum("BorderInner", &TWgLabel::BorderInner, &TWgLabel::SetBorderInner, FrameStyleIdents())
            .Enum("BorderOuter", &TWgLabel::BorderOuter, &TWgLabel::SetBorderOuter, FrameStyleIdents())
            .Set("BorderSides", &TWgLabel::BorderSides, &TWgLabel::SetBorderSides,
                 {"sdLeft", "sdTop", "sdRight", "sdBottom"})
            .Color("BorderColor", &TWgLabel::BorderColor, &TWgLabel::SetBorderColor)
            .Color("BorderHighlight", &TWgLabel::BorderHighlight, &TWgLabel::SetBorderHighlight)
            .Color("BorderShadow", &TWgLabel::BorderShadow, &TWgLabel::SetBorderShadow)
            .Int("BorderWidth", &TWgLabel::BorderWidth, &TWgLabel::SetBorderWidth)
            .Bool("CondenseCaption", &TWgLabel::CondenseCaption, &TWgLabel::SetCondenseCaption)
            .Color("FlatColor", &TWgLabel::FlatColor, &TWgLabel::SetFlatColor)
            .Int("FlatColorAdjustment", &TWgLabel::FlatColorAdjustment, &TWgLabel::SetFlatColorAdjustment)
            .NilReference("FrameController", "no frame controller component exists; only nil is accepted")
            .Int("FrameControllerNotifications", &TWgLabel::FrameControllerNotifications,
                 &TWgLabel::SetFrameControllerNotifications)
            .Enum("CenterPoint", &TWgLabel::CenterPoint, &TWgLabel::SetCenterPoint,
                  {"cpUpperLeft", "cpUpperCenter", "cpUpperRight", "cpLeftCenter", "cpCenter", "cpRightCenter",
                   "cpLowerLeft", "cpLowerCenter", "cpLowerRight"})
            .Color("FlyByColor", &TWgLabel::FlyByColor, &TWgLabel::SetFlyByColor)
            .Bool("FlyByEnabled", &TWgLabel::FlyByEnabled, &TWgLabel::SetFlyByEnabled)
            .Bool("LightTextStyle", &TWgLabel::LightTextStyle, &TWgLabel::SetLightTextStyle)
            .Enum("Rotation", &TWgLabel::Rotation, &TWgLabel::SetRotation, {"roNone", "roFlat", "roCurve"})
            .Color("HighlightColor", &TWgLabel::HighlightColor, &TWgLabel::SetHighlightColor)
            .Color("ShadowColor", &TWgLabel::ShadowColor, &TWgLabel::SetShadowColor)
            .Int("ShadowDepth", &TWgLabel::ShadowDepth, &TWgLabel::SetShadowDepth)
            .Int("TextMargin", &TWgLabel::TextMargin, &TWgLabel::SetTextMargin)
            .Enum("TextStyle", &TWgLabel::TextStyle, &TWgLabel::SetTextStyle,
                  {"tsNormal", "tsRaised", "tsRecessed", "tsShadow"});
    return info;
}

}  // namespace qd
