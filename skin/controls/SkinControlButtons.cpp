#include "skin/controls/SkinControlButtons.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "framework/CallbackEdge.h"
#include "framework/Graphics.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"

namespace qd {

int PushButtonFrame(bool pressed, bool hot, bool isDefault, bool focused, bool enabled, bool focusBeforeDefault) {
    int frame = pfNormal;
    if (pressed)
        frame = pfPressed;
    else if (hot || (focused && focusBeforeDefault))
        frame = pfHot;
    else if (isDefault)
        frame = pfDefault;
    else if (focused)
        frame = pfHot;
    return enabled ? frame : pfDisabled;
}

int GlyphFrameFor(int buttonFrame) noexcept {
    if (buttonFrame == pfPressed) return 3;
    if (buttonFrame == pfDisabled) return 2;
    return 1;
}

namespace {
// A state of the short check and radio strips (1 normal, 2 checked, 3 disabled, 4 disabled checked) in the long
// strips, which keep other states between them.
int LongStripFrame(int shortFrame) noexcept {
    switch (shortFrame) {
        case 2:
            return 5;
        case 3:
            return 4;
        case 4:
            return 8;
        default:
            return shortFrame;
    }
}
}  // namespace

int CheckBoxFrame(int checkValue, bool disabled, bool indeterminate, int frames) noexcept {
    int d = checkValue + (disabled ? 2 : 0);
    if (indeterminate) d = 4;
    if (frames == 12) d = indeterminate ? (disabled ? 12 : 9) : LongStripFrame(d);
    // A grey check asked of a disabled box (6) has no frame of its own in a four-frame strip: the last one.
    return std::clamp(d, 1, std::max(frames, 1));
}

int RadioButtonFrame(bool checked, bool disabled, int frames) noexcept {
    int d = (checked ? 2 : 1) + (disabled ? 2 : 0);
    if (frames == 8) d = LongStripFrame(d);
    return std::clamp(d, 1, std::max(frames, 1));
}

TGlyphLayout LayoutGlyphAndText(SIZE client, SIZE glyph, SIZE text, int layout, int margin, int spacing, bool centred) {
    if (layout < 0 || layout > 3) layout = 0;
    const bool horizontal = layout <= 1;
    TGlyphLayout out;
    // Across the axis both are centred, each by its own extent.
    if (horizontal) {
        out.Glyph.y = (client.cy - glyph.cy + 1) / 2;
        out.Text.y = (client.cy - text.cy + 1) / 2;
    } else {
        out.Glyph.x = (client.cx - glyph.cx + 1) / 2;
        out.Text.x = (client.cx - text.cx + 1) / 2;
    }
    const int clientAxis = horizontal ? client.cx : client.cy;
    const int glyphAxis = horizontal ? glyph.cx : glyph.cy;
    const int textAxis = horizontal ? text.cx : text.cy;
    if (textAxis == 0 || glyphAxis == 0) spacing = 0;
    if (margin == -1 || centred) {
        if (spacing == -1) {
            margin = (clientAxis - (glyphAxis + textAxis)) / 3;
            spacing = margin;
        } else {
            margin = (clientAxis - (glyphAxis + spacing + textAxis)) / 2;
        }
    } else if (spacing == -1) {
        spacing = (clientAxis - (margin + glyphAxis) - textAxis) / 2;
    }
    int glyphPos = 0, textPos = 0;
    if (layout == 0 || layout == 2) {
        glyphPos = margin;
        textPos = margin + glyphAxis + spacing;
    } else {
        glyphPos = clientAxis - margin - glyphAxis;
        textPos = glyphPos - spacing - textAxis;
    }
    if (horizontal) {
        out.Glyph.x = glyphPos;
        out.Text.x = textPos;
    } else {
        out.Glyph.y = glyphPos;
        out.Text.y = textPos;
    }
    return out;
}

bool ButtonStyleSkinnable(DWORD style) noexcept {
    if (style & (BS_ICON | BS_BITMAP)) return false;
    const DWORD type = style & BS_TYPEMASK;
    const bool toggle = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
                        type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    return !(toggle && (style & BS_PUSHLIKE));
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinButton

TSkinButton::~TSkinButton() {
    if (FBufferDC && FBufferOld) ::SelectObject(FBufferDC.Get(), FBufferOld);
}

const TDataSkinButton* TSkinButton::Buttons() const { return SkinData ? SkinData->Buttons.get() : nullptr; }

bool TSkinButton::HasImage() const {
    const TDataSkinButton* b = Buttons();
    return b && !b->Bitmap.Empty();
}

HDC TSkinButton::PrepareBuffer(HDC target, const RECT& rect) {
    const SIZE size{rect.right - rect.left, rect.bottom - rect.top};
    if (!FBufferDC) FBufferDC = TMemoryDC(target);
    if (!FBufferDC) return nullptr;
    if (!FBuffer || size.cx != FBufferSize.cx || size.cy != FBufferSize.cy) {
        if (FBufferOld) ::SelectObject(FBufferDC.Get(), FBufferOld);
        FBufferOld = nullptr;
        FBuffer = CreateCompatibleBitmapOf(target, size.cx, size.cy);
        FBufferSize = size;
        if (!FBuffer) return nullptr;
        FBufferOld = ::SelectObject(FBufferDC.Get(), FBuffer.Get());
    }
    return FBufferDC.Get();
}

void TSkinButton::MakeHot() {
    MouseState |= msHot;
    ISkinForm* form = OwnerForm();
    ISkinControlItem* hot = form ? form->HotButton() : nullptr;
    if (hot == this) return;
    // At most one hot button per window: the previous one leaves first.
    if (hot) hot->MouseLeft();
    Redraw();
    if (form) form->SetHotButton(this);
}

void TSkinButton::Click() {
    if (Control) {
        Control->Click();
    } else if (Handle && ::IsWindow(Handle)) {
        const int id = ::GetDlgCtrlID(Handle);
        ::PostMessageW(::GetParent(Handle), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Handle));
    }
}

bool TSkinButton::BeforeProc(TMessage& message) {
    if (message.Msg != WM_LBUTTONDOWN && message.Msg != WM_LBUTTONDBLCLK) return TSkinControl::BeforeProc(message);
    if (::GetFocus() != Handle) ::SetFocus(Handle);
    MouseState |= msPressed;
    PaintControl(nullptr);
    message.Result = 0;
    return false;
}

void TSkinButton::AfterProc(TMessage& message) {
    switch (message.Msg) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (message.WParam == VK_SPACE) {
                if (message.Msg == WM_KEYDOWN)
                    MouseState |= msPressed;
                else
                    MouseState &= ~msPressed;
                Redraw();
            }
            break;
        case WM_MOUSEMOVE:
            // Back over the button with the mouse button up: a press that ended elsewhere is over.
            if ((MouseState & msPressed) && !(message.WParam & MK_LBUTTON)) {
                MouseState &= ~msPressed;
                Redraw();
            }
            if (!(MouseState & msHot)) MakeHot();
            break;
        case WM_LBUTTONUP: {
            if (!(MouseState & msPressed)) break;
            MouseState &= ~msPressed;
            Redraw();
            // Only a release over the button clicks (a bare window is not told when the mouse left it).
            RECT client{};
            const POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
            if (Handle && ::GetClientRect(Handle, &client) && ::PtInRect(&client, p)) Click();
            break;
        }
        case CM_MOUSEENTER:
            if (Enabled) MakeHot();
            break;
        case CM_MOUSELEAVE: {
            // Whatever Enabled says: a button disabled while hot must not keep the hot slot.
            MouseState &= ~(msHot | msPressed);
            ISkinForm* form = OwnerForm();
            if (form && form->HotButton() == this) form->SetHotButton(nullptr);
            Redraw();
            break;
        }
        default:
            TSkinControl::AfterProc(message);
            break;
    }
}

void TSkinButton::DrawButtonCaption(HDC dc, const RECT& rect, UINT alignment, std::wstring text) {
    for (std::size_t at = text.find(L"||"); at != std::wstring::npos; at = text.find(L"||", at + 2))
        text.replace(at, 2, L"\r\n");
    ::SetBkMode(dc, TRANSPARENT);
    RECT measure = rect;
    DrawTextWide(dc, text, measure, DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK | alignment);
    const int textW = measure.right - measure.left, textH = measure.bottom - measure.top;
    RECT r = measure;
    const int dy = ((rect.bottom - rect.top) - textH) / 2 - 1;
    r.top = rect.top + dy;
    r.bottom = r.top + textH;
    if (alignment & DT_CENTER) {
        r.left = rect.left + ((rect.right - rect.left) - textW) / 2;
        r.right = r.left + textW;
    } else {
        r.left = rect.left;
        r.right = rect.right;
    }
    DrawTextWide(dc, text, r, DT_EXPANDTABS | DT_WORDBREAK | alignment);
}

void TSkinButton::DrawControl(HDC dc, const RECT& rect) {
    if (!HasImage() || !Handle) return;
    const TDataSkinButton& buttons = *Buttons();
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_STYLE));
    Focused = ::GetFocus() == Handle;
    Enabled = (style & WS_DISABLED) == 0;
    bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    if (Control) {
        Caption = Control->Caption();
        isDefault = GetEnumPropName(Control, "Default") == "true";
    } else {
        Caption = WindowText();
    }
    const int frame = PushButtonFrame(MouseState & msPressed, MouseState & msHot, isDefault, Focused, Enabled, false);
    ComposeButton(dc, rect, frame, false, Control, [&](HDC buffer) {
        COLORREF color = SkinColorToRGB(SkinData->ButtonTextColor);
        if (Control) color = ColorToRGB(Control->Font().Color());
        if (frame == pfNormal && (buttons.HasNormalColour2 || !Control)) color = SkinColorToRGB(buttons.NormalColour2);
        if (frame == pfHot && (buttons.HasMouseOverColour2 || !Control))
            color = SkinColorToRGB(buttons.MouseOverColour2);
        if (frame == pfPressed && (buttons.HasPressedColour2 || !Control))
            color = SkinColorToRGB(buttons.PressedColour2);
        if (!Enabled) color = Control ? ::GetSysColor(COLOR_BTNSHADOW) : RGB(128, 128, 128);
        ::SetTextColor(buffer, color);
        DrawButtonCaption(buffer, rect, DT_CENTER, Caption);
    });
}

void TSkinButton::ComposeButton(HDC dc, const RECT& rect, int frame, bool faceOnly, TControl* props,
                                const std::function<void(HDC buffer)>& content) {
    FShownFrame = frame;
    HDC buffer = PrepareBuffer(dc, rect);
    if (!buffer) return;
    FillFace(buffer, rect);
    const TDataSkinButton& buttons = *Buttons();
    if (!faceOnly) DrawSkinObject(buffer, rect, buttons.FrameCount > 0 ? buttons.FrameCount : 5, frame, buttons);
    HFONT font = props ? props->Font().Handle() : reinterpret_cast<HFONT>(::SendMessageW(Handle, WM_GETFONT, 0, 0));
    TSelectGuard selectFont(buffer, font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    content(buffer);
    ::BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, buffer, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinBitButton

void TSkinBitButton::DrawButtonGlyph(HDC dc, POINT position, int numGlyphs, int glyphFrame, TBitmap& glyph) {
    if (glyph.Empty()) return;
    numGlyphs = std::max(numGlyphs, 1);
    const int w = glyph.Width() / numGlyphs, h = glyph.Height();
    if (w <= 0 || h <= 0) return;
    const int source = numGlyphs == 4 ? std::clamp(glyphFrame, 1, 4) - 1 : 0;
    TDibSection dib = CreateDib32(w, h);
    if (!dib.Bitmap) return;
    auto* out = static_cast<std::uint32_t*>(dib.Bits);
    const std::uint32_t key = glyph.ScanLine(h - 1)[0] & 0xFFFFFF;  // lower-left pixel of the strip
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = glyph.ScanLine(y) + source * w;
        for (int x = 0; x < w; ++x) {
            std::uint32_t p = row[x] & 0xFFFFFF;
            if (glyphFrame == 2 && p != key) {
                const std::uint32_t avg = ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) / 3;
                p = avg | (avg << 8) | (avg << 16);
            }
            out[y * w + x] = p;
        }
    }
    TMemoryDC src(dc);
    if (!src) return;
    TSelectGuard sel(src.Get(), dib.Bitmap.Get());
    const COLORREF keyRef = RGB((key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF);
    KeyColorBlit(dc, position.x, position.y, w, h, src.Get(), 0, 0, keyRef);
}

void TSkinBitButton::DrawControl(HDC dc, const RECT& rect) {
    if (!HasImage() || !Handle) return;
    TControl* props = PropertyObject();
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_STYLE));
    Focused = ::GetFocus() == Handle;
    Enabled = (style & WS_DISABLED) == 0;
    Caption = props ? props->Caption() : WindowText();
    const bool isDefault =
        props ? GetEnumPropName(props, "Default") == "true" : (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const int frame = PushButtonFrame(MouseState & msPressed, MouseState & msHot, isDefault, Focused, Enabled, true);
    ComposeButton(dc, rect, frame, false, props,
                  [&](HDC buffer) { DrawGlyphAndText(buffer, rect, props, frame, Enabled, false); });
}

void TSkinBitButton::DrawGlyphAndText(HDC buffer, const RECT& rect, TControl* props, int frame, bool enabled,
                                      bool speedButton) {
    const TDataSkinButton& buttons = *Buttons();
    const SIZE client{rect.right - rect.left, rect.bottom - rect.top};
    TBitmap* glyph = GetObjectPropAs<TBitmap>(props, "Glyph");
    int numGlyphs = static_cast<int>(GetIntProp(props, "NumGlyphs", 1));
    if (numGlyphs <= 0) numGlyphs = 1;
    int margin = static_cast<int>(GetIntProp(props, "Margin", -1));
    const int spacing = static_cast<int>(GetIntProp(props, "Spacing", 4));
    const std::string layoutName = GetEnumPropName(props, "Layout");
    const int layout = layoutName == "blglyphright"    ? 1
                       : layoutName == "blglyphtop"    ? 2
                       : layoutName == "blglyphbottom" ? 3
                                                       : 0;
    // A speed button has no Alignment, and its centred content sits one pixel further from the glyph's edge.
    const bool centred = !speedButton && GetEnumPropName(props, "Alignment") == "tacenter";
    const bool hasGlyph = glyph && !glyph->Empty();
    COLORREF color = props ? ColorToRGB(props->Font().Color()) : SkinColorToRGB(SkinData->ButtonTextColor);
    if (speedButton && !hasGlyph) {
        // A caption alone takes the font's colour in every state but the disabled one.
        ::SetTextColor(buffer, enabled ? color : ::GetSysColor(COLOR_BTNSHADOW));
        DrawButtonCaption(buffer, rect, DT_CENTER, Caption);
        return;
    }
    SIZE glyphSize{};
    if (hasGlyph) glyphSize = SIZE{glyph->Width() / numGlyphs, glyph->Height()};
    std::wstring text = Caption;
    for (std::size_t at = text.find(L"||"); at != std::wstring::npos; at = text.find(L"||", at + 2))
        text.replace(at, 2, L"\r\n");
    UINT flags = speedButton ? 0 : DT_WORDBREAK;
    if (layout == 1) flags |= DT_RIGHT;
    if (layout >= 2) flags |= DT_CENTER;
    SIZE textSize{};
    if (!text.empty()) {
        RECT m = rect;
        DrawTextWide(buffer, text, m, flags | DT_CALCRECT);
        textSize = SIZE{m.right - m.left, m.bottom - m.top};
    }
    TGlyphLayout at = LayoutGlyphAndText(client, glyphSize, textSize, layout, margin, spacing, centred);
    if (speedButton && margin == -1 && spacing != -1) {
        const int shift = (layout == 0 || layout == 2) ? 1 : -1;
        LONG& glyphAxis = layout <= 1 ? at.Glyph.x : at.Glyph.y;
        LONG& textAxis = layout <= 1 ? at.Text.x : at.Text.y;
        glyphAxis += shift;
        textAxis += shift;
    }
    if (hasGlyph) DrawButtonGlyph(buffer, at.Glyph, numGlyphs, GlyphFrameFor(frame), *glyph);

    if (frame == pfNormal && buttons.HasNormalColour2) color = SkinColorToRGB(buttons.NormalColour2);
    if (frame == pfHot && buttons.HasMouseOverColour2) color = SkinColorToRGB(buttons.MouseOverColour2);
    if (frame == pfPressed && buttons.HasPressedColour2) color = SkinColorToRGB(buttons.PressedColour2);
    if (!enabled) color = ::GetSysColor(COLOR_BTNSHADOW);
    ::SetTextColor(buffer, color);
    ::SetBkMode(buffer, TRANSPARENT);
    RECT textRect{at.Text.x, at.Text.y, at.Text.x + textSize.cx, at.Text.y + textSize.cy};
    if (!text.empty()) DrawTextWide(buffer, text, textRect, flags);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinSpeedButton

int SpeedButtonFrame(bool pressed, bool hot, bool down, bool enabled) noexcept {
    if (down) return pfPressed;
    if (!enabled) return pfDisabled;
    return pressed ? pfPressed : hot ? pfHot : pfNormal;
}

void TSkinSpeedButton::MouseLeft() {
    // A windowless control has no window to send to: the message goes through the control itself, so the
    // control and its skin both hear of it.
    if (Status == 1 && GraphicControl) GraphicControl->Perform(CM_MOUSELEAVE);
}

bool TSkinSpeedButton::BeforeProc(TMessage& message) {
    switch (message.Msg) {
        case WM_PAINT: {
            // The parent hands a DC with the origin at the button and the clip set to it.
            if (!HasImage() || !message.WParam || !GraphicControl) return true;
            const RECT rect = GraphicControl->ClientRect();
            PaintSpeedButton(reinterpret_cast<HDC>(message.WParam),
                             RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top});
            message.Result = 1;
            return false;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // The button's own press (and group) logic first; the skin follows.
            CallDefault(message);
            if (GraphicControl && GraphicControl->Enabled()) MouseState |= msPressed;
            PaintControl(nullptr);
            return false;
        default:
            return TSkinControl::BeforeProc(message);
    }
}

void TSkinSpeedButton::AfterProc(TMessage& message) {
    switch (message.Msg) {
        case WM_LBUTTONUP:
            // The button clicks by itself.
            MouseState &= ~msPressed;
            PaintControl(nullptr);
            break;
        case WM_MOUSEMOVE:
            if (!(MouseState & msHot)) {
                MakeHot();
                PaintControl(nullptr);
            }
            break;
        case CM_MOUSEENTER:
            MouseState |= msHot;
            PaintControl(nullptr);
            break;
        case CM_MOUSELEAVE: {
            MouseState &= ~(msHot | msPressed);
            ISkinForm* form = OwnerForm();
            if (form && form->HotButton() == this) form->SetHotButton(nullptr);
            if (GraphicControl && GraphicControl->Visible()) PaintControl(nullptr);
            break;
        }
        default:
            TSkinControl::AfterProc(message);
            break;
    }
}

void TSkinSpeedButton::PaintControl(HDC) {
    if (!GraphicControl || !GraphicControl->Visible()) return;
    TWinControl* parent = GraphicControl->Parent();
    if (!parent || !parent->HandleAllocated()) return;
    TWindowDC window(parent->Handle(), TWindowDC::TArea::Client);
    if (!window) return;
    HDC dc = window.Get();
    const RECT bounds = GraphicControl->BoundsRect();
    TSaveDCGuard save(dc);
    ::IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    ::OffsetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
    TCanvas own;
    TCanvas& canvas = Canvas ? *Canvas : own;
    canvas.SetHandle(dc);
    CallSwallowing([&] {
        PaintSpeedButton(canvas.Handle(), RECT{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top});
    });
    canvas.SetHandle(nullptr);
}

void TSkinSpeedButton::PaintSpeedButton(HDC dc, const RECT& rect) {
    if (!HasImage() || !GraphicControl || rect.right <= rect.left || rect.bottom <= rect.top) return;
    TControl* props = GraphicControl;
    Enabled = GetEnumPropName(props, "Enabled") == "true";
    const bool down = GetEnumPropName(props, "Down") == "true";
    const int frame = SpeedButtonFrame(MouseState & msPressed, MouseState & msHot, down, Enabled);
    Caption = GetTextProp(props, "Caption");
    // A flat button at rest shows the face alone.
    const bool faceOnly = frame == pfNormal && GetEnumPropName(props, "Flat") == "true";
    ComposeButton(dc, rect, frame, faceOnly, props,
                  [&](HDC buffer) { DrawGlyphAndText(buffer, rect, props, frame, Enabled, true); });
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinCheckBox, TSkinRadioButton

void TSkinCheckBox::AfterProc(TMessage& message) {
    switch (message.Msg) {
        case BM_SETCHECK:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            Redraw();
            break;
        default:
            TSkinControl::AfterProc(message);
            break;
    }
}

void TSkinCheckBox::DrawControl(HDC dc, const RECT& rect) {
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    if (!buttons || !Handle) return;
    const TBitmap& strip = IsRadio() ? buttons->RadioBitmap : buttons->CheckBitmap;
    if (strip.Empty()) return;
    const int frames = std::max(IsRadio() ? buttons->RadioFrameCount : buttons->CheckFrameCount, 1);
    const int w = strip.Width() / frames, h = strip.Height();
    if (w <= 0) return;
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_STYLE));
    const bool disabled = (style & WS_DISABLED) != 0;
    const LRESULT state = ::SendMessageW(Handle, IsRadio() ? BM_GETCHECK : BM_GETSTATE, 0, 0);
    bool checked = (state & BST_CHECKED) != 0;
    bool indeterminate = !IsRadio() && (state & BST_INDETERMINATE) != 0;
    int checkValue = checked ? 2 : 1;
    if (TControl* props = PropertyObject()) {
        const std::string stateName = IsRadio() ? std::string{} : GetEnumPropName(props, "State");
        if (!stateName.empty()) {
            checkValue = stateName.find("uncheck") != std::string::npos ? 1
                         : stateName.find("check") != std::string::npos ? 2
                         : stateName.find("gray") != std::string::npos  ? 4
                                                                        : checkValue;
        } else if (const std::string c = GetEnumPropName(props, "Checked"); !c.empty()) {
            checkValue = c == "true" ? 2 : 1;
        }
    }
    const int frame = IsRadio() ? RadioButtonFrame(checkValue == 2, disabled, frames)
                                : CheckBoxFrame(checkValue, disabled, indeterminate, frames);
    FShownFrame = frame;
    RECT box{};
    box.top = rect.top + ((rect.bottom - rect.top) - h) / 2;
    box.bottom = box.top + h;
    RECT strip16 = rect;
    const int slot = IsRadio() ? 14 : 14;
    if (!(style & BS_LEFTTEXT)) {
        box.left = w > slot ? rect.left + (IsRadio() ? 0 : 2) : rect.left + (slot - w) / 2 + (IsRadio() ? 0 : 1);
        strip16.right = rect.left + 16;
    } else {
        const int wide = IsRadio() ? 14 : 15;
        box.right = w > wide ? rect.right - 1 : rect.right - (wide - w) / 2;
        box.left = box.right - w;
        strip16.left = rect.right - 18;
    }
    if (!(style & BS_LEFTTEXT)) box.right = box.left + w;
    FillParent(dc, strip16);
    DrawStripFrame(dc, box, frames, frame, strip.Handle());
}

}  // namespace qd
