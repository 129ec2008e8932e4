// Labels under Wine: published properties, auto-size with the CJK font, text placement on pixels, 3-D and
// disabled text, borders, hover colour and the shared blink list driven tick by tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "framework/Forms.h"
#include "framework/FormReader.h"
#include "framework/Gdi.h"
#include "framework/Properties.h"
#include "widgets/WgButton.h"
#include "widgets/WgLabel.h"

namespace qd::widgets_test {

// From WgButtonTest.cpp: the confirmation box's description.
std::string MessageBoxFormText(const std::string& extraOk, const std::string& extraCancel);

namespace {

class TLabelForm : public TForm {
public:
    explicit TLabelForm(std::string_view text) : TForm(nullptr) {
        RegisterWidgetClasses();
        ReadStoredForm(text, "Form_Labels");
    }
    TWgLabel& Label(const char* name) {
        auto* c = dynamic_cast<TWgLabel*>(FindComponent(name));
        if (!c) throw std::runtime_error(std::string("no label ") + name);
        return *c;
    }
};

std::string OneLabelForm(const std::string& properties) {
    return "object Form_Labels: TForm\n  Color = 32768\n  object L: TWgLabel\n    Left = 4\n    Top = 4\n" +
           properties + "  end\nend\n";
}

struct Surface {
    TDibSection Dib;
    TMemoryDC DC{nullptr};
    TSelectGuard Keep;
    Surface(int w, int h) : Dib(CreateDib32(w, h)), Keep(DC, Dib.Bitmap.Get()) {}
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const std::uint32_t p = static_cast<const std::uint32_t*>(Dib.Bits)[y * Dib.Width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Width() const { return Dib.Width; }
    int Height() const { return Dib.Height; }
};

std::unique_ptr<Surface> Render(TWgLabel& label) {
    auto s = std::make_unique<Surface>(label.Width(), label.Height());
    label.Perform(WM_PAINT, reinterpret_cast<WPARAM>(s->DC.Get()), 0);
    return s;
}

// Bounding box of the pixels that differ from `background`.
RECT InkBox(const Surface& s, COLORREF background) {
    RECT box{s.Width(), s.Height(), -1, -1};
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (s.At(x, y) != background) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

// Pixels near a pure colour (anti-aliased edges blend toward the background).
int CountLike(const Surface& s, bool (*pred)(COLORREF)) {
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) n += pred(s.At(x, y)) ? 1 : 0;
    return n;
}
bool Reddish(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 90 && GetBValue(c) < 90; }
bool Bluish(COLORREF c) { return GetBValue(c) > 180 && GetRValue(c) < 90 && GetGValue(c) < 90; }

}  // namespace

TEST(WgLabelProperties, DefaultsAndStoredValuesThroughTheRegistry) {
    TLabelForm form(OneLabelForm("    Caption = 'x'\n"));
    TWgLabel& l = form.Label("L");
    EXPECT_EQ(GetPropertyText(l, "Angle"), "0");
    EXPECT_EQ(GetPropertyText(l, "Blinking"), "False");
    EXPECT_EQ(GetPropertyText(l, "BlinkColor"), "clHighlight");
    EXPECT_EQ(GetPropertyText(l, "BlinkIntervalOn"), "500");
    EXPECT_EQ(GetPropertyText(l, "BlinkIntervalOff"), "500");
    EXPECT_EQ(GetPropertyText(l, "BevelWidth"), "1");
    EXPECT_EQ(GetPropertyText(l, "BorderOuter"), "fsNone");
    EXPECT_EQ(GetPropertyText(l, "BorderSides"), "[sdLeft, sdTop, sdRight, sdBottom]");
    EXPECT_EQ(GetPropertyText(l, "BorderColor"), "clBtnFace");
    EXPECT_EQ(GetPropertyText(l, "FlatColor"), "clBtnShadow");
    EXPECT_EQ(GetPropertyText(l, "FlatColorAdjustment"), "30");
    EXPECT_EQ(GetPropertyText(l, "FlyByColor"), "clHighlight");
    EXPECT_EQ(GetPropertyText(l, "CenterPoint"), "cpCenter");
    EXPECT_EQ(GetPropertyText(l, "Rotation"), "roNone");
    EXPECT_EQ(GetPropertyText(l, "ShadowDepth"), "2");
    EXPECT_EQ(GetPropertyText(l, "TextStyle"), "tsNormal");
    EXPECT_EQ(GetPropertyText(l, "Layout"), "tlTop");
    EXPECT_EQ(GetPropertyText(l, "AutoSize"), "True");
    EXPECT_EQ(GetPropertyText(l, "ShowAccelChar"), "True");
    EXPECT_EQ(GetPropertyText(l, "FrameControllerNotifications"), "65535");
    EXPECT_TRUE(l.ParentColor());
    EXPECT_EQ(l.Color(), form.Color());  // the parent's colour carried over

    TLabelForm set(
        OneLabelForm("    BorderOuter = fsStatus\n    BorderSides = [sdLeft, sdBottom]\n"
                     "    TextStyle = tsRecessed\n    Rotation = roFlat\n    Angle = -90\n"
                     "    BorderWidth = -3\n    ShadowDepth = 1000\n"));
    TWgLabel& s = set.Label("L");
    EXPECT_EQ(s.BorderOuter(), TFrameStyleEx::fsStatus);
    EXPECT_EQ(s.BorderSides(), sdLeft | sdBottom);
    EXPECT_EQ(s.TextStyle(), tsRecessed);
    EXPECT_EQ(s.Angle(), 270);
    EXPECT_EQ(s.BorderWidth(), 0);    // negative gap: none
    EXPECT_EQ(s.ShadowDepth(), 100);  // clamped
    EXPECT_THROW(TLabelForm(OneLabelForm("    TextStyle = tsEngraved\n")), EFormReadError);
    EXPECT_THROW(TLabelForm(OneLabelForm("    FrameController = Controller1\n")), EFormReadError);
    EXPECT_THROW(TLabelForm(OneLabelForm("    BlinkIntervalOn = 70000\n")), EFormReadError);
}

// The height of one line of the label's font on the screen (what DrawTextW gives a line).
int LineHeight(TFont& font) {
    TWindowDC screen(nullptr);
    TSelectGuard select(screen, font.Handle());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(screen, &tm);
    return tm.tmHeight;
}

// The height DrawTextW gives a centred, word-wrapped block of text in the given width.
int BlockHeight(TFont& font, const std::wstring& text, int width) {
    TWindowDC screen(nullptr);
    TSelectGuard select(screen, font.Handle());
    RECT r{0, 0, width, 0};
    ::DrawTextW(screen, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    return r.bottom - r.top;
}

TEST(WgLabelLayout, AutoSizedPromptMeasuresThreeCharactersByOneLineOfThe15PixelCjkFont) {
    const std::string text = MessageBoxFormText({}, {});
    TLabelForm form(text);
    TWgLabel& prompt = form.Label("WgLabel1");
    // Three 15-pixel characters wide and one line high: 45 x 15 with SimSun, whose cell is its em. Under Wine
    // "宋体" maps to WenQuanYi Zen Hei, whose cell for a 15-pixel em is 18 pixels.
    const int line = LineHeight(prompt.Font());
    std::printf("15-pixel CJK font: line height %d, auto-sized prompt %d x %d\n", line, prompt.Width(),
                prompt.Height());
    EXPECT_EQ(prompt.Width(), 45);
    EXPECT_EQ(prompt.Height(), line);
    EXPECT_GE(line, 15);
    EXPECT_EQ(prompt.Left(), 8);
    // Borders are added around the measured text: flat (1) + gap (2) on every side.
    prompt.SetBorderOuter(TFrameStyleEx::fsFlat);
    prompt.SetBorderWidth(2);
    EXPECT_EQ(prompt.Width(), 45 + 6);
    EXPECT_EQ(prompt.Height(), line + 6);
    // Right-aligned text keeps its right edge.
    prompt.SetAlignment(taRightJustify);
    const int right = prompt.Left() + prompt.Width();
    prompt.SetCaption(L"提示");
    EXPECT_EQ(prompt.Left() + prompt.Width(), right);
    EXPECT_EQ(prompt.Width(), 30 + 6);
    // Without accelerator processing the "&" takes room of its own.
    prompt.SetBorderOuter(TFrameStyleEx::fsNone);
    prompt.SetBorderWidth(0);
    prompt.SetCaption(L"A&B");
    const int withPrefix = prompt.Width();
    prompt.SetShowAccelChar(false);
    EXPECT_GT(prompt.Width(), withPrefix);
}

TEST(WgLabelLayout, TipCentresOneLineBothWaysAndWrappedTextAsABlock) {
    TLabelForm form(MessageBoxFormText({}, {}));
    TWgLabel& tip = form.Label("Label_Tip");
    ASSERT_EQ(tip.Width(), 300);
    ASSERT_EQ(tip.Height(), 75);
    const COLORREF face = ColorToRGB(tip.Color());
    const int line = LineHeight(tip.Font());
    // Ink lies inside the cells of the characters; the cells are centred both ways.
    tip.SetCaption(L"岚栎在线订单管理系统");
    auto one = Render(tip);
    const RECT a = InkBox(*one, face);
    ASSERT_GT(a.right, a.left);
    const int cellLeft = (300 - 150) / 2, cellTop = (75 - line) / 2;
    EXPECT_GE(a.left, cellLeft);
    EXPECT_LE(a.left, cellLeft + 3);
    EXPECT_LE(a.right, cellLeft + 150);
    EXPECT_GE(a.right, cellLeft + 150 - 3);
    EXPECT_GE(a.top, cellTop);
    EXPECT_LE(a.bottom, cellTop + line);
    EXPECT_NEAR((a.top + a.bottom) / 2.0, 75 / 2.0, 3);

    // 30 characters need two lines of 20 (broken between any two characters): the block is centred.
    tip.SetCaption(L"岚栎在线订单管理系统岚栎在线订单管理系统岚栎在线订单管理系统");
    auto two = Render(tip);
    const RECT b = InkBox(*two, face);
    const int blockTop = (75 - 2 * line) / 2;
    EXPECT_GE(b.top, blockTop);
    EXPECT_LE(b.top, blockTop + 4);
    EXPECT_LE(b.bottom, blockTop + 2 * line);
    EXPECT_GT(b.bottom - b.top, line + 5);  // really two lines
    EXPECT_GE(b.left, 0);
    EXPECT_LE(b.right, 300);

    // Too much text: the block is centred both ways and cut at both ends, so the label shows the middle rows of
    // the block as drawn whole in a label tall enough for it.
    std::wstring lots;
    for (int i = 0; i < 12; ++i) lots += L"岚栎在线订单管理系统";
    tip.SetCaption(lots);
    const int block = BlockHeight(tip.Font(), lots, 300);
    ASSERT_GT(block, 75 + line);
    auto centred = Render(tip);
    tip.SetHeight(block);
    tip.SetLayout(tlTop);
    auto whole = Render(tip);
    const int cut = (block - 75) / 2;
    int differing = 0;
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 300; ++x) differing += centred->At(x, y) != whole->At(x, y + cut) ? 1 : 0;
    EXPECT_EQ(differing, 0);
}

TEST(WgLabelText, ReliefPassesWhenEnabledAndPlainGreyWhenDisabledWhateverTheStyle) {
    TLabelForm form(
        OneLabelForm("    AutoSize = False\n    Width = 120\n    Height = 40\n    Caption = 'HHH'\n"
                     "    Font.Height = -24\n    Font.Name = 'DejaVu Sans'\n    Font.Style = [fsBold]\n"
                     "    Font.Color = clBlack\n    HighlightColor = clRed\n    ShadowColor = clBlue\n"
                     "    ParentFont = False\n    Layout = tlCenter\n    Alignment = taCenter\n"));
    TWgLabel& l = form.Label("L");
    for (TTextStyle style : {tsRaised, tsRecessed, tsShadow}) {
        l.SetTextStyle(style);
        l.SetEnabled(true);
        auto on = Render(l);
        EXPECT_GT(CountLike(*on, Bluish), 0) << static_cast<int>(style);
        if (style != tsShadow) {
            EXPECT_GT(CountLike(*on, Reddish), 0) << static_cast<int>(style);
        }
        l.SetEnabled(false);
        auto off = Render(l);
        EXPECT_EQ(CountLike(*off, Bluish), 0) << static_cast<int>(style);
        EXPECT_EQ(CountLike(*off, Reddish), 0) << static_cast<int>(style);
        EXPECT_EQ(l.CurrentTextColor(), clGrayText);
        const COLORREF grey = ColorToRGB(clGrayText);
        int greyPixels = 0;
        for (int y = 0; y < off->Height(); ++y)
            for (int x = 0; x < off->Width(); ++x) greyPixels += off->At(x, y) == grey ? 1 : 0;
        EXPECT_GT(greyPixels, 20);
    }
    // The shadow lies ShadowDepth below and right of the text: the ink of text and shadow together reaches that
    // far past the text's own ink on the right and bottom, and no further on the left and top.
    l.SetEnabled(true);
    l.SetTextStyle(tsNormal);
    const RECT text = InkBox(*Render(l), ColorToRGB(l.Color()));
    l.SetTextStyle(tsShadow);
    l.SetShadowDepth(4);
    const RECT both = InkBox(*Render(l), ColorToRGB(l.Color()));
    ASSERT_GT(text.right, text.left);
    EXPECT_EQ(both.left, text.left);
    EXPECT_EQ(both.top, text.top);
    EXPECT_EQ(both.right - text.right, 4);
    EXPECT_EQ(both.bottom - text.bottom, 4);
    // LightTextStyle keeps only the highlight pass of raised text.
    l.SetTextStyle(tsRaised);
    l.SetLightTextStyle(true);
    auto light = Render(l);
    EXPECT_GT(CountLike(*light, Reddish), 0);
    EXPECT_EQ(CountLike(*light, Bluish), 0);
}

TEST(WgLabelBorders, InsetsFollowStylesSidesAndWidthAndTheFaceIsFilledInside) {
    TLabelForm form(
        OneLabelForm("    AutoSize = False\n    Width = 60\n    Height = 30\n    Caption = ''\n"
                     "    BorderOuter = fsFlat\n    BorderInner = fsStatus\n    BevelWidth = 3\n"
                     "    BorderWidth = 2\n    FlatColor = clRed\n    Color = clWhite\n"
                     "    BorderSides = [sdLeft, sdTop, sdRight]\n    TextMargin = 1\n"));
    TWgLabel& l = form.Label("L");
    const RECT in = l.BorderInsetRect(RECT{0, 0, 60, 30});
    EXPECT_EQ(in.left, 2 + 1 + 3);
    EXPECT_EQ(in.top, 2 + 1 + 3);
    EXPECT_EQ(in.right, 60 - (2 + 1 + 3));
    EXPECT_EQ(in.bottom, 30 - 2);  // no border at the bottom
    const RECT text = l.TextRect();
    EXPECT_EQ(text.left, in.left + 1);
    EXPECT_EQ(text.bottom, in.bottom - 1);
    auto s = Render(l);
    EXPECT_EQ(s->At(0, 15), RGB(255, 0, 0));       // the flat ring
    EXPECT_EQ(s->At(30, 29), RGB(255, 255, 255));  // no bottom side: face
    EXPECT_EQ(s->At(30, 15), RGB(255, 255, 255));
    // Inside the flat ring the status ring's BevelWidth lines, then the gap of BorderWidth filled as face.
    EXPECT_EQ(s->At(1, 15), ColorToRGB(clBtnShadow));
    EXPECT_EQ(s->At(3, 15), ColorToRGB(clBtnShadow));
    EXPECT_EQ(s->At(4, 15), RGB(255, 255, 255));
    EXPECT_EQ(s->At(58, 15), ColorToRGB(clBtnHighlight));
    l.SetTransparent(true);
    Surface under(60, 30);
    for (int y = 0; y < 30; ++y) ::SetPixelV(under.DC, 10, y, RGB(1, 2, 3));
    l.Perform(WM_PAINT, reinterpret_cast<WPARAM>(under.DC.Get()), 0);
    EXPECT_EQ(under.At(10, 15), RGB(1, 2, 3));  // transparent: the face is not filled
}

TEST(WgLabelHover, FlyByColourWhileHoveredAndEventsEitherWay) {
    TLabelForm form(
        OneLabelForm("    Caption = 'x'\n    Font.Color = clNavy\n    ParentFont = False\n"
                     "    FlyByColor = clRed\n"));
    TWgLabel& l = form.Label("L");
    int entered = 0, left = 0;
    l.OnMouseEnter = [&](TObject*) { ++entered; };
    l.OnMouseLeave = [&](TObject*) { ++left; };
    l.Perform(CM_MOUSEENTER);
    EXPECT_EQ(l.CurrentTextColor(), clNavy);  // FlyByEnabled is off
    l.Perform(CM_MOUSELEAVE);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
    l.SetFlyByEnabled(true);
    l.Perform(CM_MOUSEENTER);
    EXPECT_EQ(l.CurrentTextColor(), clRed);
    EXPECT_EQ(l.Font().Color(), clNavy);  // the font itself is left alone
    EXPECT_FALSE(l.ParentFont());
    l.Perform(CM_MOUSELEAVE);
    EXPECT_EQ(l.CurrentTextColor(), clNavy);
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(left, 2);

    // A label that takes its parent's font keeps doing so through hovering, and a font change made while
    // hovered is not undone by leaving.
    TLabelForm parented(OneLabelForm("    Caption = 'x'\n    FlyByEnabled = True\n    FlyByColor = clRed\n"));
    TWgLabel& p = parented.Label("L");
    ASSERT_TRUE(p.ParentFont());
    p.Perform(CM_MOUSEENTER);
    EXPECT_EQ(p.CurrentTextColor(), clRed);
    parented.Font().SetColor(clTeal);
    p.Perform(CM_MOUSELEAVE);
    EXPECT_TRUE(p.ParentFont());
    EXPECT_EQ(p.CurrentTextColor(), clTeal);
}

TEST(WgLabelBlink, OneSharedListAndTimerSwitchAllBlinkingLabelsInStep) {
    ASSERT_EQ(TWgBlinkList::Instance(), nullptr);  // no label alive between tests
    {
        TLabelForm form(
            "object Form_Labels: TForm\n"
            "  object A: TWgLabel\n    Font.Color = clNavy\n    ParentFont = False\n"
            "    Blinking = True\n    BlinkColor = clRed\n  end\n"
            "  object B: TWgLabel\n    Font.Color = clGreen\n    ParentFont = False\n"
            "    Blinking = True\n    BlinkColor = clYellow\n  end\n"
            "  object C: TWgLabel\n    Font.Color = clBlack\n    ParentFont = False\n  end\n"
            "end\n");
        TWgBlinkList* list = TWgBlinkList::Instance();
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->Count(), 3);
        EXPECT_TRUE(list->Timer().Running());
        EXPECT_EQ(list->Timer().Interval(), 500u);
        TWgLabel &a = form.Label("A"), &b = form.Label("B"), &c = form.Label("C");
        EXPECT_EQ(a.CurrentTextColor(), clNavy);

        // Interval settings live in the list: set on one label, seen by all.
        c.SetBlinkIntervalOn(200);
        b.SetBlinkIntervalOff(300);
        EXPECT_EQ(a.BlinkIntervalOn(), 200);
        EXPECT_EQ(a.BlinkIntervalOff(), 300);

        list->Tick();
        EXPECT_TRUE(list->PhaseOn());
        EXPECT_EQ(list->Timer().Interval(), 200u);
        EXPECT_EQ(a.CurrentTextColor(), clRed);
        EXPECT_EQ(b.CurrentTextColor(), clYellow);
        EXPECT_EQ(c.CurrentTextColor(), clBlack);  // not blinking

        // A font colour change while blinking waits for the off phase.
        a.Font().SetColor(clMaroon);
        EXPECT_EQ(a.CurrentTextColor(), clRed);
        list->Tick();
        EXPECT_FALSE(list->PhaseOn());
        EXPECT_EQ(list->Timer().Interval(), 300u);
        EXPECT_EQ(a.CurrentTextColor(), clMaroon);
        EXPECT_EQ(b.CurrentTextColor(), clGreen);

        // Turning blinking off in the on phase gives the font colour back at once.
        list->Tick();
        EXPECT_EQ(b.CurrentTextColor(), clYellow);
        b.SetBlinking(false);
        EXPECT_EQ(b.CurrentTextColor(), clGreen);
        list->Tick();
        list->Tick();
        EXPECT_EQ(b.CurrentTextColor(), clGreen);

        // A zero interval would stop the shared timer for good: it is raised to the minimum.
        a.SetBlinkIntervalOn(0);
        EXPECT_EQ(a.BlinkIntervalOn(), TWgBlinkList::kMinInterval);

        // The timer itself drives the same tick.
        const bool phase = list->PhaseOn();
        list->Timer().Tick();
        EXPECT_NE(list->PhaseOn(), phase);

        delete &c;
        EXPECT_EQ(TWgBlinkList::Instance()->Count(), 2);
    }
    EXPECT_EQ(TWgBlinkList::Instance(), nullptr);  // freed with the last label
}

TEST(WgLabelText, RotatedAndCurvedTextDrawWithinTheLabel) {
    TLabelForm form(
        OneLabelForm("    AutoSize = False\n    Width = 100\n    Height = 100\n    Caption = 'ROTATE'\n"
                     "    Font.Height = -16\n    Font.Name = 'DejaVu Sans'\n    Font.Color = clBlack\n"
                     "    ParentFont = False\n    Color = clWhite\n    Rotation = roFlat\n    Angle = 90\n"));
    TWgLabel& l = form.Label("L");
    auto up = Render(l);
    const RECT box = InkBox(*up, RGB(255, 255, 255));
    ASSERT_GT(box.right, box.left);
    EXPECT_GT(box.bottom - box.top, box.right - box.left);  // standing upright
    EXPECT_NEAR((box.left + box.right) / 2, 50, 4);         // centred on the centre point
    EXPECT_NEAR((box.top + box.bottom) / 2, 50, 4);
    l.SetCenterPoint(cpUpperLeft);
    const RECT corner = InkBox(*Render(l), RGB(255, 255, 255));
    EXPECT_LE(corner.left, 4);
    EXPECT_LE(corner.top, 4);
    l.SetRotation(roCurve);
    l.SetAngle(0);
    const RECT arc = InkBox(*Render(l), RGB(255, 255, 255));
    EXPECT_GT(arc.right, arc.left);
}

}  // namespace qd::widgets_test
