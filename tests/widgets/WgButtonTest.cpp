// Bit buttons under Wine on forms read from stored descriptions: dialog keys and focus, mouse and Space
// presses, glyph choice, the hot-track and classic looks on pixels, and GDI handles over many cycles.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/FormReader.h"
#include "framework/Forms.h"
#include "framework/Gdi.h"
#include "framework/Properties.h"
#include "widgets/WgButton.h"
#include "widgets/WgCommon.h"
#include "widgets/WgLabel.h"

namespace qd::widgets_test {

// A form whose description comes from the test.
class TTestForm : public TForm {
public:
    explicit TTestForm(std::string_view text) : TForm(nullptr) {
        RegisterWidgetClasses();
        ReadStoredForm(text, "Form_Test");
    }
    template <class T>
    T& Get(const char* name) {
        auto* c = dynamic_cast<T*>(FindComponent(name));
        if (!c) throw std::runtime_error(std::string("no component ") + name);
        return *c;
    }
};

std::string HexOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string hex;
    char buf[3];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        hex += buf;
    }
    return hex;
}

// The confirmation box's stored description, with the glyph strips of the program's resources.
std::string MessageBoxFormText(const std::string& extraOk = {}, const std::string& extraCancel = {}) {
    const std::string dir = QD_SOURCE_DIR "/resources/bitmaps/";
    return R"(object Form_MessageBox: TForm
  Left = 271
  Top = 264
  BorderIcons = []
  BorderStyle = bsDialog
  ClientHeight = 173
  ClientWidth = 342
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Color = clWindowText
  Font.Height = -15
  Font.Name = '宋体'
  FormStyle = fsStayOnTop
  KeyPreview = True
  object WgLabel1: TWgLabel
    Left = 8
    Top = 8
    Width = 120
    Height = 40
    Caption = '提示：'
    Font.Charset = GB2312_CHARSET
    Font.Color = clNavy
    Font.Height = -15
    Font.Name = '宋体'
    ParentFont = False
    Layout = tlCenter
  end
  object Label_Tip: TWgLabel
    Left = 21
    Top = 30
    Width = 300
    Height = 75
    Alignment = taCenter
    AutoSize = False
    Font.Charset = GB2312_CHARSET
    Font.Color = clNavy
    Font.Height = -15
    Font.Name = '宋体'
    ParentFont = False
    Layout = tlCenter
    WordWrap = True
  end
  object WgBitBtn_Ok: TWgBitBtn
    Left = 86
    Top = 125
    Caption = '确定'
    ModalResult = 1
    TabOrder = 1
    Cursor = crHandPoint
    HotTrack = True
    FrameColor = 7617536
    Color = 15791348
    Glyph.Data = {)" +
           HexOfFile(dir + "ok_glyph.bmp") + R"(}
    NumGlyphs = 2
)" + extraOk +
           R"(  end
  object WgBitBtn_Cancel: TWgBitBtn
    Left = 182
    Top = 125
    Caption = '取消'
    ModalResult = 2
    TabOrder = 0
    Default = True
    Cursor = crHandPoint
    HotTrack = True
    FrameColor = 7617536
    Color = 15791348
    Glyph.Data = {)" +
           HexOfFile(dir + "cancel_glyph.bmp") + R"(}
    NumGlyphs = 2
)" + extraCancel +
           R"(  end
end
)";
}

// A 32-bit surface with a DC on it; pixels read back as COLORREF.
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
};

// What the button paints, through WM_PRINTCLIENT (its off-screen composition, blitted once).
std::unique_ptr<Surface> Render(TWinControl& control) {
    control.HandleNeeded();
    auto s = std::make_unique<Surface>(control.Width(), control.Height());
    control.Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s->DC.Get()), PRF_CLIENT);
    return s;
}

COLORREF Rgb(TColor c) { return ColorToRGB(c); }

void Pump() { Application->ProcessMessages(); }

// Shows the form and makes it the active window, so focus and dialog keys behave as for a user.
void ShowActive(TForm& form) {
    form.Show();
    ::SetForegroundWindow(form.Handle());
    ::SetActiveWindow(form.Handle());
    Pump();
}

void PostKey(HWND wnd, WORD key) {
    ::PostMessageW(wnd, WM_KEYDOWN, key, 1);
    ::PostMessageW(wnd, WM_KEYUP, key, 0xC0000001);
}

// Ends a modal loop that a failing test would leave waiting.
struct TModalGuard {
    TForm& Form;
    UINT_PTR Id;
    static inline TForm* Current = nullptr;
    explicit TModalGuard(TForm& form) : Form(form) {
        Current = &form;
        Id = ::SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) {
            if (Current) Current->SetModalResult(mrAbort);
        });
    }
    ~TModalGuard() {
        ::KillTimer(nullptr, Id);
        Current = nullptr;
    }
};

// ---------------------------------------------------------------------------------------------------------------

TEST(WgButtonProperties, StoredDescriptionSetsEveryPublishedPropertyAndDefaultsHold) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    EXPECT_EQ(ok.Width(), 75);
    EXPECT_EQ(ok.Height(), 25);
    EXPECT_EQ(ok.ModalResult(), mrOk);
    EXPECT_TRUE(ok.HotTrack());
    EXPECT_EQ(ok.FrameColor(), static_cast<TColor>(RGB(0, 60, 116)));
    EXPECT_EQ(ok.Color(), static_cast<TColor>(RGB(244, 244, 240)));
    EXPECT_EQ(ok.NumGlyphs(), 2);
    EXPECT_EQ(ok.Glyph().Width(), 32);
    EXPECT_EQ(ok.Glyph().Height(), 16);
    EXPECT_EQ(ok.Glyph().TransparentColor(), static_cast<TColor>(RGB(236, 233, 216)));
    EXPECT_EQ(ok.Cursor(), crHandPoint);
    EXPECT_EQ(ok.Caption(), L"确定");
    EXPECT_TRUE(form.Get<TWgBitBtn>("WgBitBtn_Cancel").Default());
    // Defaults of what the description leaves out.
    EXPECT_EQ(GetPropertyText(ok, "HotTrackColor"), std::to_string(RGB(240, 155, 20)));
    EXPECT_EQ(GetPropertyText(ok, "HotTrackColorType"), "htctActual");
    EXPECT_EQ(GetPropertyText(ok, "AlignmentVertical"), "avCenter");
    EXPECT_EQ(GetPropertyText(ok, "Alignment"), "taCenter");
    EXPECT_EQ(GetPropertyText(ok, "HighlightColor"), "clHighlight");
    EXPECT_EQ(GetPropertyText(ok, "TextShadowDepth"), "2");
    EXPECT_EQ(GetPropertyText(ok, "ThemeAware"), "True");
    EXPECT_EQ(GetPropertyText(ok, "DropDownOnEnter"), "True");
    EXPECT_EQ(GetPropertyText(ok, "ShowFocusRect"), "True");
    EXPECT_EQ(GetPropertyText(ok, "Margin"), "2");
    EXPECT_EQ(GetPropertyText(ok, "Spacing"), "4");
    EXPECT_EQ(GetPropertyText(ok, "Layout"), "blGlyphLeft");
    EXPECT_EQ(GetPropertyText(ok, "ImageIndex"), "-1");
    EXPECT_EQ(GetPropertyText(ok, "Kind"), "bkCustom");
    EXPECT_FALSE(ok.ParentColor());
}

TEST(WgButtonProperties, BadValuesAreDefaultedOrRejectedWithTheProperty) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    SetPropertyText(ok, "NumGlyphs", "9");
    EXPECT_EQ(ok.NumGlyphs(), 4);
    SetPropertyText(ok, "NumGlyphs", "0");
    EXPECT_EQ(ok.NumGlyphs(), 1);
    SetPropertyText(ok, "Margin", "-20");
    EXPECT_EQ(ok.Margin(), -1);
    EXPECT_THROW(SetPropertyText(ok, "Images", "ImageList1"), EPropertyError);
    EXPECT_THROW(SetPropertyText(ok, "Layout", "blGlyphSideways"), EPropertyError);
    EXPECT_THROW(TTestForm(MessageBoxFormText("    Kind = 12\n")), EFormReadError);
    // A strip narrower than its image count has no glyph at all rather than a zero-width one.
    ok.Glyph().SetSize(3, 16);
    SetPropertyText(ok, "NumGlyphs", "4");
    EXPECT_EQ(ok.GlyphSize().cx, 0);
    EXPECT_NO_THROW(Render(ok));
}

TEST(WgButtonKeys, DefaultButtonIsActiveEnterClicksItTabMovesTheRingAndEnterClicksOk) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    auto& cancel = form.Get<TWgBitBtn>("WgBitBtn_Cancel");
    // Before anything has the focus the default button is the active one.
    EXPECT_TRUE(cancel.Active());
    EXPECT_FALSE(ok.Active());
    {
        TModalGuard guard(form);
        PostKey(cancel.Handle(), VK_RETURN);
        EXPECT_EQ(form.ShowModal(), mrCancel);
    }
    {
        TModalGuard guard(form);
        ::PostMessageW(cancel.Handle(), WM_KEYDOWN, VK_TAB, 1);
        PostKey(cancel.Handle(), VK_RETURN);
        EXPECT_EQ(form.ShowModal(), mrOk);
        EXPECT_TRUE(ok.Active());
        EXPECT_FALSE(cancel.Active());
    }
}

TEST(WgButtonKeys, TheActiveRingFollowsTheFocus) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    auto& cancel = form.Get<TWgBitBtn>("WgBitBtn_Cancel");
    ShowActive(form);
    cancel.SetFocus();
    Pump();
    ASSERT_TRUE(cancel.Focused());
    const int h = cancel.Height();
    TColor ring = cancel.HighlightColor();
    if (ColorsTooClose(ring, clBtnFace)) ring = DarkerColor(ring, 30);
    const TColor top = BlendColors(ring, LighterColor(cancel.Color(), 30), 60);
    const TColor bottom = BlendColors(ring, LighterColor(cancel.Color(), 30), 160);
    {
        auto c = Render(cancel), o = Render(ok);
        EXPECT_EQ(c->At(2, 2), Rgb(top));
        EXPECT_EQ(c->At(2, h - 3), Rgb(bottom));
        EXPECT_NE(o->At(2, 2), Rgb(top));  // plain face on the other button
        EXPECT_EQ(o->At(2, 2), Rgb(LighterColor(ok.Color(), 30)));
    }
    PostKey(cancel.Handle(), VK_TAB);
    Pump();
    ASSERT_TRUE(ok.Focused());
    {
        auto c = Render(cancel), o = Render(ok);
        EXPECT_EQ(o->At(2, 2), Rgb(top));
        EXPECT_EQ(c->At(2, 2), Rgb(LighterColor(cancel.Color(), 30)));
    }
    // A focused button shows the dotted focus frame three pixels in.
    auto o = Render(ok);
    EXPECT_EQ(o->At(4, 3), RGB(0, 0, 0));
    EXPECT_NE(o->At(5, 3), RGB(0, 0, 0));
    auto c = Render(cancel);
    EXPECT_NE(c->At(4, 3), RGB(0, 0, 0));
}

TEST(WgButtonKeys, EscapeIsTakenOnlyByACancelButtonAndModifiersPassEnterOn) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    auto& cancel = form.Get<TWgBitBtn>("WgBitBtn_Cancel");
    int clicks = 0;
    ok.OnClick = cancel.OnClick = [&](TObject*) { ++clicks; };
    ShowActive(form);
    ASSERT_FALSE(cancel.Cancel());
    EXPECT_EQ(form.Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(form.ModalResult(), mrNone);

    cancel.SetCancel(true);
    EXPECT_NE(form.Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.ModalResult(), mrCancel);

    // Shift+Enter is not a dialog key for the buttons (the box's key preview handles it).
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
    const LRESULT taken = form.Perform(CM_DIALOGKEY, VK_RETURN, 0);
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(taken, 0);
    EXPECT_EQ(clicks, 1);

    // A button that cannot take the focus does not take its keys either.
    cancel.SetEnabled(false);
    EXPECT_EQ(form.Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 0);
    EXPECT_EQ(clicks, 1);
}

TEST(WgButtonKeys, SpaceAndAcceleratorClickTheButton) {
    TTestForm form(MessageBoxFormText("    Caption = '&Go'\n"));
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    int clicks = 0;
    ok.OnClick = [&](TObject*) { ++clicks; };
    ShowActive(form);
    ok.Perform(WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_TRUE(ok.ShownDown());
    EXPECT_EQ(clicks, 0);
    ok.Perform(WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_FALSE(ok.ShownDown());
    EXPECT_EQ(clicks, 1);
    // A key-up without its key-down (the press began elsewhere) clicks nothing.
    ok.Perform(WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(form.Perform(CM_DIALOGCHAR, L'g', 0), 0);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(form.Perform(CM_DIALOGCHAR, L'x', 0), 0);
    EXPECT_EQ(clicks, 2);
    // The same through the message loop's key routing, with the focus on the button.
    ok.SetFocus();
    PostKey(ok.Handle(), VK_SPACE);
    Pump();
    EXPECT_EQ(clicks, 3);
    EXPECT_FALSE(ok.ShownDown());
    // A mnemonic outside ASCII matches in either case too.
    ok.SetCaption(L"&Äpfel");
    EXPECT_NE(form.Perform(CM_DIALOGCHAR, L'ä', 0), 0);
    EXPECT_EQ(clicks, 4);
}

TEST(WgButtonMouse, DraggingOutShowsReleasedAndReleasingOutsideDoesNotClick) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    int clicks = 0;
    ok.OnClick = [&](TObject*) { ++clicks; };
    ShowActive(form);
    const HWND wnd = ok.Handle();
    const TColor pressedFace = DarkerColor(ok.Color(), 10);
    ::SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(ok.Focused());
    EXPECT_TRUE(ok.Dragging());
    EXPECT_TRUE(ok.ShownDown());
    EXPECT_EQ(Render(ok)->At(3, 3), Rgb(pressedFace));
    ::SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-8, 10));
    EXPECT_FALSE(ok.ShownDown());
    EXPECT_NE(Render(ok)->At(3, 3), Rgb(pressedFace));
    ::SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 12));
    EXPECT_TRUE(ok.ShownDown());
    ::SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 400));
    ::SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(20, 400));
    EXPECT_FALSE(ok.Dragging());
    EXPECT_FALSE(ok.ShownDown());
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(form.ModalResult(), mrNone);
    EXPECT_NE(::GetCapture(), wnd);
    // Pressed and released inside: one click, and the form gets the button's modal result.
    ::SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(11, 11));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.ModalResult(), mrOk);
    // A disabled button ignores the mouse.
    ok.SetEnabled(false);
    ::SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(clicks, 1);
}

TEST(WgButtonMouse, AnExceptionFromOnClickIsReportedAndStopsAtTheWindowProcedure) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    std::wstring reported;
    auto previous =
        Application->SetErrorReporter([&](const std::wstring&, const std::wstring& text) { reported = text; });
    ok.OnClick = [](TObject*) { throw Exception("click failed"); };
    ShowActive(form);
    ::SendMessageW(ok.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(ok.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    Application->SetErrorReporter(previous);
    EXPECT_EQ(reported, L"click failed");
    EXPECT_FALSE(ok.Dragging());
}

TEST(WgButtonGlyph, EnabledShowsTheFirstImageDisabledTheSecondWithTheKeyColourLeftOut) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    const auto layout = ok.ContentLayout(ok.Look());
    ASSERT_EQ(layout.Glyph.right - layout.Glyph.left, 16);
    ASSERT_EQ(layout.Glyph.bottom - layout.Glyph.top, 16);
    EXPECT_EQ(layout.Glyph.left, 5 + 2);                 // Margin from the left of the caption base
    EXPECT_EQ(layout.Glyph.top, 5 + (15 - 16 + 1) / 2);  // centred vertically
    EXPECT_EQ(layout.Caption.left, 5 + 2 + 16 + 4);
    const int gx = layout.Glyph.left, gy = layout.Glyph.top;
    // Pixel (8, 8) of each image: green in the first, grey in the second.
    const COLORREF upPixel = RGB(59, 177, 59), disabledPixel = RGB(172, 172, 166);
    EXPECT_EQ(ok.GlyphIndex(), 0);
    auto up = Render(ok);
    EXPECT_EQ(up->At(gx + 8, gy + 8), upPixel);
    // The strip's bottom-left colour is transparent: the face shows through.
    EXPECT_NE(up->At(gx, gy + 15), RGB(236, 233, 216));
    ok.SetEnabled(false);
    EXPECT_EQ(ok.GlyphIndex(), 1);
    auto disabled = Render(ok);
    EXPECT_EQ(disabled->At(gx + 8, gy + 8), disabledPixel);
    EXPECT_EQ(disabled->At(gx, gy + 15), Rgb(ok.Color()));
}

TEST(WgButtonGroup, DownStoredBeforeGroupIndexSurvivesLoadingAndOneButtonOfAGroupIsDown) {
    // Stored descriptions list properties in name order: Down comes before GroupIndex.
    TTestForm form(
        MessageBoxFormText("    Down = True\n    GroupIndex = 3\n", "    Down = True\n    GroupIndex = 3\n"));
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    auto& cancel = form.Get<TWgBitBtn>("WgBitBtn_Cancel");
    EXPECT_NE(ok.Down(), cancel.Down());  // the group keeps one button down
    TTestForm plain(MessageBoxFormText("    Down = True\n"));
    EXPECT_FALSE(plain.Get<TWgBitBtn>("WgBitBtn_Ok").Down());  // an ungrouped button never stays down
}

TEST(WgButtonGlyph, ImageChoiceFollowsDownAndGroupState) {
    TTestForm form(MessageBoxFormText("    NumGlyphs = 4\n    GroupIndex = 1\n", "    GroupIndex = 1\n"));
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    auto& cancel = form.Get<TWgBitBtn>("WgBitBtn_Cancel");
    EXPECT_EQ(ok.GlyphIndex(), 0);
    ok.SetDown(true);
    EXPECT_EQ(ok.GlyphIndex(), 3);  // exclusive down
    cancel.SetDown(true);           // the group has one button down
    EXPECT_FALSE(ok.Down());
    ok.SetNumGlyphs(3);
    ok.Perform(WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(ok.GlyphIndex(), 2);  // shown down
    ok.Perform(WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(ok.Down());  // a click puts a grouped button down
    EXPECT_FALSE(cancel.Down());
    cancel.SetDown(false);  // without AllowAllUp the last one down stays down
    ok.SetDown(false);
    EXPECT_TRUE(ok.Down());
}

TEST(WgButtonLook, HotTrackFrameOuterEdgeAndFaceGradient) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    ASSERT_EQ(ok.Look(), TWgCustomButton::TLook::lkHotTrack);
    const int w = ok.Width(), h = ok.Height();
    const TColor parent = form.Color();
    auto s = Render(ok);
    // Outer edge in the parent's colour, stopping short of the corners.
    EXPECT_EQ(s->At(0, h / 2), Rgb(DarkerColor(parent, 20)));
    EXPECT_EQ(s->At(w / 2, 0), Rgb(DarkerColor(parent, 20)));
    EXPECT_EQ(s->At(w - 1, h / 2), Rgb(LighterColor(parent, 20)));
    EXPECT_EQ(s->At(w / 2, h - 1), Rgb(LighterColor(parent, 20)));
    EXPECT_EQ(s->At(0, 0), Rgb(parent));
    EXPECT_EQ(s->At(1, 1), Rgb(DarkerColor(parent, 20)));
    EXPECT_EQ(s->At(w - 2, h - 2), Rgb(LighterColor(parent, 20)));
    // Frame in FrameColor, its corner pixels left out.
    EXPECT_EQ(s->At(1, h / 2), RGB(0, 60, 116));
    EXPECT_EQ(s->At(w / 2, 1), RGB(0, 60, 116));
    EXPECT_EQ(s->At(w - 2, h / 2), RGB(0, 60, 116));
    EXPECT_EQ(s->At(w / 2, h - 2), RGB(0, 60, 116));
    // Face: gradient from Color lightened by 30 at the top to Color darkened by 10 above the two bottom lines.
    const TColor color = ok.Color();
    EXPECT_EQ(s->At(3, 2), Rgb(LighterColor(color, 30)));
    EXPECT_EQ(s->At(3, h - 5), Rgb(DarkerColor(color, 10)));
    EXPECT_EQ(s->At(3, h - 4), Rgb(DarkerColor(color, 20)));
    EXPECT_EQ(s->At(3, h - 3), Rgb(DarkerColor(color, 30)));
    for (int y = 3; y < h - 4; ++y) ASSERT_LE(GetRValue(s->At(3, y)), GetRValue(s->At(3, y - 1))) << y;
}

TEST(WgButtonLook, HoverRingPressedFaceAndDisabledFrame) {
    TTestForm form(MessageBoxFormText());
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    const int w = ok.Width(), h = ok.Height();
    int entered = 0, left = 0;
    ok.OnMouseEnter = [&](TObject*) { ++entered; };
    ok.OnMouseLeave = [&](TObject*) { ++left; };
    ok.Perform(CM_MOUSEENTER);
    EXPECT_TRUE(ok.MouseOver());
    EXPECT_EQ(entered, 1);
    auto hover = Render(ok);
    const TColor hot = ok.HotTrackColor();
    EXPECT_EQ(hover->At(2, h - 3), Rgb(hot));                         // ring bottom: the colour itself
    EXPECT_EQ(hover->At(3, 2), Rgb(BlendColors(clWhite, hot, 190)));  // ring top: lightened
    EXPECT_EQ(hover->At(w - 3, h / 2), hover->At(2, h / 2));          // both sides alike
    EXPECT_NE(hover->At(4, h / 2), hover->At(3, h / 2));              // inside the ring: plain face
    ok.SetHotTrackColorType(htctComplement);
    auto complement = Render(ok);
    const TColor comp = ComplementaryColor(hot, 180);
    EXPECT_EQ(complement->At(2, 2), Rgb(comp));
    EXPECT_EQ(complement->At(2, h - 3), Rgb(DarkerColor(comp, 30)));
    ok.Perform(CM_MOUSELEAVE);
    EXPECT_FALSE(ok.MouseOver());
    EXPECT_EQ(left, 1);
    EXPECT_EQ(Render(ok)->At(2, h / 2), Render(ok)->At(5, h / 2));  // no ring: one plain face row

    ok.Perform(WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(Render(ok)->At(2, 2), Rgb(DarkerColor(ok.Color(), 10)));
    ok.Perform(WM_KEYUP, VK_SPACE, 0xC0000001);

    ok.SetEnabled(false);
    auto off = Render(ok);
    EXPECT_EQ(off->At(1, h / 2), Rgb(DarkerColor(ok.Color(), 80)));  // face colour is not the button face
    EXPECT_EQ(off->At(0, h / 2), Rgb(form.Color()));                 // no outer edge
    EXPECT_EQ(off->At(3, 3), Rgb(ok.Color()));
}

TEST(WgButtonLook, ClassicLookRingsAndActiveOutline) {
    TTestForm form(MessageBoxFormText("    HotTrack = False\n    Color = clBtnFace\n"));
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    ASSERT_EQ(ok.Look(), TWgCustomButton::TLook::lkClassic);
    const int w = ok.Width(), h = ok.Height();
    auto s = Render(ok);
    EXPECT_EQ(s->At(0, h / 2), Rgb(clBtnHighlight));
    EXPECT_EQ(s->At(w - 1, h / 2), Rgb(cl3DDkShadow));
    EXPECT_EQ(s->At(1, h / 2), Rgb(cl3DLight));
    EXPECT_EQ(s->At(w - 2, h / 2), Rgb(clBtnShadow));
    ok.SetDefault(true);  // active: an outline in the window-frame colour goes round the rings
    auto a = Render(ok);
    EXPECT_EQ(a->At(0, h / 2), Rgb(clWindowFrame));
    EXPECT_EQ(a->At(1, h / 2), Rgb(clBtnHighlight));
    ok.Perform(WM_KEYDOWN, VK_SPACE, 1);
    auto d = Render(ok);
    EXPECT_EQ(d->At(0, h / 2), Rgb(clWindowFrame));
    EXPECT_EQ(d->At(1, h / 2), Rgb(clBtnText));
    EXPECT_EQ(d->At(2, h / 2), Rgb(clBtnShadow));
    ok.Perform(WM_KEYUP, VK_SPACE, 0xC0000001);
}

TEST(WgButtonResources, GdiHandlesStayFlatOver500CreatePaintDestroyCycles) {
    TTestForm form(MessageBoxFormText());
    form.HandleNeeded();
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    Surface surface(120, 40);
    auto cycle = [&] {
        auto* button = new TWgBitBtn(&form);
        button->SetParent(&form);
        button->SetHotTrack(true);
        button->SetCaption(L"确定");
        button->Glyph().Assign(ok.Glyph());
        button->SetNumGlyphs(2);
        button->Perform(CM_MOUSEENTER);
        button->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.DC.Get()), PRF_CLIENT);
        button->SetEnabled(false);
        button->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.DC.Get()), PRF_CLIENT);
        delete button;
        auto* label = new TWgLabel(&form);
        label->SetParent(&form);
        label->SetBorderOuter(TFrameStyleEx::fsRaised);
        label->SetTextStyle(tsShadow);
        label->SetCaption(L"提示：");
        label->Perform(WM_PAINT, reinterpret_cast<WPARAM>(surface.DC.Get()), 0);
        label->SetRotation(roFlat);
        label->SetAngle(45);
        label->Perform(WM_PAINT, reinterpret_cast<WPARAM>(surface.DC.Get()), 0);
        delete label;
    };
    cycle();  // caches (fonts of the form, classes) settle first
    const TGdiCounts before = GdiLiveCounts();
    for (int i = 0; i < 500; ++i) cycle();
    const TGdiCounts after = GdiLiveCounts();
    for (int k = 0; k < static_cast<int>(TGdiKind::Count_); ++k)
        EXPECT_EQ(after.Live[static_cast<std::size_t>(k)], before.Live[static_cast<std::size_t>(k)]) << "kind " << k;
    std::printf("GDI live handles before %ld, after 500 cycles %ld\n", before.Total(), after.Total());
}

}  // namespace qd::widgets_test

namespace qd::widgets_test {

// Writes the confirmation box as the widgets paint it (labels on the form, buttons in their states) to
// widgets_box.bmp in the working folder, for a person to look at.
TEST(WgScreenshot, ConfirmationBoxIsWrittenForInspection) {
    TTestForm form(MessageBoxFormText());
    form.HandleNeeded();
    auto& ok = form.Get<TWgBitBtn>("WgBitBtn_Ok");
    auto& cancel = form.Get<TWgBitBtn>("WgBitBtn_Cancel");
    form.Get<TWgLabel>("Label_Tip").SetCaption(L"确认退出系统？");
    const int w = form.ClientWidth(), h = form.ClientHeight();
    Surface box(w, h * 3);
    auto place = [&](TWinControl& c, int dy) {
        auto s = Render(c);
        ::BitBlt(box.DC, c.Left(), c.Top() + dy, c.Width(), c.Height(), s->DC, 0, 0, SRCCOPY);
    };
    for (int row = 0; row < 3; ++row) {
        TSaveDCGuard save(box.DC);
        ::SetViewportOrgEx(box.DC, 0, row * h, nullptr);
        form.Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(box.DC.Get()), PRF_CLIENT);
    }
    place(ok, 0);  // row 1: as the box opens (Cancel is the default button)
    place(cancel, 0);
    ok.Perform(CM_MOUSEENTER);  // row 2: the mouse over OK, Cancel pressed
    place(ok, h);
    cancel.Perform(WM_KEYDOWN, VK_SPACE, 1);
    place(cancel, h);
    cancel.Perform(WM_KEYUP, VK_SPACE, 0xC0000001);
    ok.Perform(CM_MOUSELEAVE);  // row 3: both disabled
    ok.SetEnabled(false);
    cancel.SetEnabled(false);
    place(ok, 2 * h);
    place(cancel, 2 * h);
    ::GdiFlush();
    TBitmap shot;
    shot.AssignPixels(w, h * 3, static_cast<const std::uint32_t*>(box.Dib.Bits));
    const std::vector<std::uint8_t> bytes = shot.SaveToBmpBytes();
    std::ofstream("widgets_box.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_GT(bytes.size(), static_cast<std::size_t>(w * h * 3));
}

}  // namespace qd::widgets_test
