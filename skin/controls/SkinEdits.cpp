#include "skin/controls/SkinEdits.h"

#include <algorithm>
#include <cwctype>
#include <string>

#include "framework/CallbackEdge.h"
#include "framework/Gdi.h"
#include "framework/WindowHook.h"
#include "skin/controls/SkinScrollBars.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinMessages.h"

namespace qd {

int ComboFrame(bool pressed, bool focusedOrHot, bool enabled) noexcept {
    // Disabled first: a combo disabled while hot (or pressed) must not keep showing that state.
    if (!enabled) return 3;
    if (pressed) return 2;
    if (focusedOrHot) return 4;
    return 1;
}

int UpDownFrame(TArrowDirection direction, int state) noexcept {
    const int d = static_cast<int>(direction);
    // Up/down live in the vertical strip (1..8), left/right in the horizontal one, laid out alike.
    return state + 4 * d - (d >= 2 ? 8 : 0);
}

namespace {

// The skin object if it has an image to draw, else null.
template <class T>
const T* WithImage(const std::unique_ptr<T>& object) {
    return object && !object->Bitmap.Empty() ? object.get() : nullptr;
}

std::wstring LowerClassName(HWND wnd) {
    wchar_t name[128] = {};
    const int length = ::GetClassNameW(wnd, name, 128);
    std::wstring out(name, static_cast<std::size_t>(std::max(length, 0)));
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

SIZE ClientSize(HWND wnd) {
    RECT r{};
    ::GetClientRect(wnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// TSkinComBox

// The combo's inner edit: its procedure runs first, then the combo hears of its paints and clicks.
class TSkinComBox::TEditHook : public TWindowHook {
public:
    explicit TEditHook(TSkinComBox* owner) : Owner(owner) {}
    TSkinComBox* Owner;  // cleared when the combo's skinner lets the edit go

protected:
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = CallPrevious(wnd, msg, wParam, lParam);
        if (TSkinComBox* owner = Owner) {
            // The combo's skinner may be released by what it does here: it goes when this call returns.
            owner->Pin();
            CallSwallowing([&] { owner->EditMessage(msg); });
            owner->Unpin();
        }
        return result;
    }
    void WindowDestroyed() noexcept override {
        // The edit went before the combo (its children go first): let it go now, never touch it again.
        if (TSkinComBox* owner = std::exchange(Owner, nullptr)) {
            if (owner->FEditHook == this) owner->FEditHook = nullptr;
            DeleteWhenIdle();
        }
    }
};

TSkinComBox::~TSkinComBox() {
    UnhookEdit();
    ListScroll.reset();
}

void TSkinComBox::AfterAttach() {
    Style = static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_STYLE));
    ExStyle = static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_EXSTYLE));
    ListScroll.reset();
    ListHandle = nullptr;
    if ((Style & 3) != CBS_SIMPLE)
        HookEdit();
    else
        SkinList();
}

void TSkinComBox::HookEdit() {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    HWND edit = ::GetComboBoxInfo(Handle, &info) ? info.hwndItem : nullptr;
    // A drop-down list has no edit (the platform may name the combo itself as its item).
    if (!edit || edit == Handle || ::GetParent(edit) != Handle) return;
    auto* hook = new TEditHook(this);
    if (!hook->Hook(edit)) {
        delete hook;
        return;
    }
    FEditHook = hook;
}

void TSkinComBox::UnhookEdit() noexcept {
    if (TEditHook* hook = std::exchange(FEditHook, nullptr)) {
        hook->Owner = nullptr;
        hook->DeleteWhenIdle();
    }
}

HWND TSkinComBox::EditWindow() const noexcept { return FEditHook ? FEditHook->HookedWindow() : nullptr; }

void TSkinComBox::SkinList() {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetComboBoxInfo(Handle, &info)) return;
    ListHandle = info.hwndList;
    if (!ListHandle) return;
    const auto listStyle = static_cast<DWORD>(::GetWindowLongPtrW(ListHandle, GWL_STYLE));
    if ((listStyle & WS_POPUP) || !(listStyle & WS_CHILD) || ::GetParent(ListHandle) == ::GetDesktopWindow()) return;
    // Owned here alone (not listed by the form skinner, not owned by the control): freed once, with this skinner.
    TOwnedSkinner scroll(new TSkinScrollbarH(nullptr));
    if (!scroll) return;
    scroll->AttachWindow(ListHandle, SkinData, nullptr, Canvas);
    if (scroll->IsAttached()) ListScroll = std::move(scroll);
}

void TSkinComBox::Unskin() {
    TSkinControl::Unskin();
    UnhookEdit();
    if (ListScroll && ListScroll->ControlState() != ControlStateWindowDestroyed) ListScroll->Unskin();
    if (Status == 1 && Handle && ::IsWindow(Handle))
        ::RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TSkinComBox::Reskin() {
    TSkinControl::Reskin();
    if (ListScroll && ListScroll->ControlState() != ControlStateWindowDestroyed) ListScroll->Reskin();
}

void TSkinComBox::WindowGone() {
    UnhookEdit();
    ListHandle = nullptr;
}

void TSkinComBox::Press(bool pressed) {
    if (pressed)
        MouseState |= msPressed;
    else
        MouseState &= ~msPressed;
    Redraw();
}

void TSkinComBox::MakeHot() {
    if (MouseState & msHot) return;
    MouseState |= msHot;
    ISkinForm* form = OwnerForm();
    ISkinControlItem* hot = form ? form->HotButton() : nullptr;
    if (hot && hot != this) hot->MouseLeft();
    // The form's hover check tells us when the mouse has gone.
    if (form) form->SetHotButton(this);
    Redraw();
}

bool TSkinComBox::TrackMouse(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
            Press(msg != WM_LBUTTONUP);
            return true;
        case WM_MOUSEMOVE:
            // A bare window is never told CM_MOUSEENTER: the move makes it hot, the form's hover check cools it.
            if (Enabled) MakeHot();
            return true;
        default:
            return false;
    }
}

void TSkinComBox::EditMessage(UINT msg) {
    if (Status != 1 || !SkinEnabled) return;
    // The combo's skin is repainted whenever its edit repaints.
    if (msg == WM_PAINT)
        PaintControl(nullptr);
    else
        TrackMouse(msg);
}

void TSkinComBox::AfterProc(TMessage& message) {
    if (TrackMouse(message.Msg)) return;
    switch (message.Msg) {
        case WM_DRAWITEM:
        case WM_NCPAINT:
            // Painted over at once: invalidating here would repaint the combo for every list item drawn.
            PaintControl(nullptr);
            break;
        case CM_MOUSEENTER:
            if (Enabled) MouseState |= msHot;
            break;
        case CM_MOUSELEAVE: {
            // Whatever Enabled says: a combo disabled while hot must not keep the hot slot.
            const bool wasHot = (MouseState & msHot) != 0;
            MouseState &= ~msHot;
            ISkinForm* form = OwnerForm();
            if (form && form->HotButton() == this) form->SetHotButton(nullptr);
            if (wasHot) Redraw();
            break;
        }
        default:
            TSkinControl::AfterProc(message);
            break;
    }
}

bool TSkinComBox::ShowsPressed() const {
    if (!(MouseState & msPressed)) return false;
    // The release can go to the list that took the capture: pressed lasts while the button is down or the list
    // is open.
    return ::GetKeyState(VK_LBUTTON) < 0 || ::SendMessageW(Handle, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TSkinComBox::DrawControl(HDC dc, const RECT& rect) {
    if (!SkinData || !Handle) return;
    const TSkinObjects::TComboPieces pieces = SkinData->ComboPieces();
    const TDataSkinBorder* button = pieces.Button && !pieces.Button->Bitmap.Empty() ? pieces.Button : nullptr;
    if (!button) return;
    Style = static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_STYLE));
    ExStyle = static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_EXSTYLE));
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (::GetComboBoxInfo(Handle, &info) && (info.stateButton & STATE_SYSTEM_INVISIBLE)) return;  // no button
    if ((MouseState & msPressed) && !ShowsPressed()) MouseState &= ~msPressed;
    if (button->Style == 1) {
        DrawFlatStyle(dc, rect, *button);
        return;
    }
    const RECT r{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    const HWND focus = ::GetFocus();
    // The focus of a drop-down combo sits in its edit.
    Focused = focus && (focus == Handle || ::IsChild(Handle, focus));
    Enabled = (Style & WS_DISABLED) == 0;
    const int state = ComboFrame((MouseState & msPressed) != 0, Focused || (MouseState & msHot), Enabled);
    FShownFrame = state;
    const bool left = (ExStyle & WS_EX_LEFTSCROLLBAR) != 0;
    const TDataSkinObject* edge = pieces.Edge;

    if (button->Style == 2) {
        // One image for frame and button; its mirror (kept as the sunken edge) has the button at the left.
        const TDataSkinObject& whole = left && edge && !edge->Bitmap.Empty() ? *edge : *button;
        DrawNineSlice(dc, r, whole.Bitmap.Handle(), whole.Margins(), state, std::max(whole.FrameCount, 1), true, false,
                      false);
        return;
    }

    const int e = ::GetSystemMetrics(SM_CXHSCROLL);
    RECT buttonRect{}, glyphArea{}, textArea{};
    HBITMAP image = button->Bitmap.Handle();
    if (!left) {
        textArea = RECT{2, 2, r.right - e - 4, r.bottom - 2};
        buttonRect = RECT{r.right - e - 2, r.top, r.right, r.bottom};
        glyphArea = RECT{buttonRect.left, r.top, r.right - 2, r.bottom};
    } else {
        textArea = RECT{e + 4, 2, r.right - 2, r.bottom - 2};
        buttonRect = RECT{r.left, r.top, r.left + e + 2, r.bottom};
        glyphArea = RECT{2, r.top, e + 2, r.bottom};
        if (!button->ExtraBitmap.Empty()) image = button->ExtraBitmap.Handle();
    }
    // The text area is the control's: kept out of this paint, and the caller's clipping given back afterwards.
    TSaveDCGuard keepClip(dc);
    ::ExcludeClipRect(dc, textArea.left, textArea.top, textArea.right, textArea.bottom);
    if (edge && !edge->Bitmap.Empty()) DrawSkinObject(dc, r, std::max(edge->FrameCount, 1), state, *edge);
    DrawStripFrame(dc, buttonRect, std::max(button->FrameCount, 1), state, image);
    if (const TDataSkinObject* glyphs = WithImage(SkinData->ExtraImages)) {
        const int frames = std::max(glyphs->FrameCount, 1);
        const int cw = glyphs->Bitmap.Width() / frames, ch = glyphs->Bitmap.Height();
        const int x = glyphArea.left + ((glyphArea.right - glyphArea.left) - cw) / 2;
        const int y = glyphArea.top + ((glyphArea.bottom - glyphArea.top) - ch) / 2;
        DrawSkinFrame(dc, RECT{x, y, x + cw, y + ch}, glyphs->Bitmap.Handle(), true, frames, state);
    }
}

void TSkinComBox::DrawFlatStyle(HDC dc, const RECT& rect, const TDataSkinBorder& button) {
    const RECT r{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    Focused = ::GetFocus() == Handle || ::IsChild(Handle, ::GetFocus());
    Enabled = (Style & WS_DISABLED) == 0;
    const int state = ComboFrame((MouseState & msPressed) != 0, Focused || (MouseState & msHot), Enabled);
    FShownFrame = state;
    // The DC's own brush (the control's background) for the inner ring and the button's ground.
    auto* brush = static_cast<HBRUSH>(::GetCurrentObject(dc, OBJ_BRUSH));
    RECT inner = r;
    ::InflateRect(&inner, -1, -1);
    if (brush) ::FrameRect(dc, &inner, brush);
    ::InflateRect(&inner, -1, -1);
    RECT buttonRect = inner;
    buttonRect.left = buttonRect.right - ::GetSystemMetrics(SM_CYVTHUMB);
    if (brush) ::FillRect(dc, &buttonRect, brush);
    DrawSkinFrame(dc, buttonRect, button.Bitmap.Handle(), false, std::max(button.FrameCount, 1), state);
    TBrushHandle shadow(::CreateSolidBrush(SkinColorToRGB(SkinData->ButtonShadowColor)));
    ::FrameRect(dc, &r, shadow.Get());
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinEdit

TSkinEdit::~TSkinEdit() { UpDown.reset(); }

const TSkinUpDown* TSkinEdit::UpDownSkinner() const noexcept { return static_cast<const TSkinUpDown*>(UpDown.get()); }

void TSkinEdit::Unskin() {
    TSkinControl::Unskin();
    if (UpDown && UpDown->ControlState() != ControlStateWindowDestroyed) UpDown->Unskin();
    if (Status == 1 && Handle && ::IsWindow(Handle))
        ::RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TSkinEdit::Reskin() {
    TSkinControl::Reskin();
    if (UpDown && UpDown->ControlState() != ControlStateWindowDestroyed) UpDown->Reskin();
}

bool TSkinEdit::BeforeProc(TMessage& message) {
    if (message.Msg != WM_PRINT) return TSkinControl::BeforeProc(message);
    // Platform quirk (Wine's edit): printing the client leaves the caller's DC clipped to the text area, which
    // would hide the border drawn next. The DC's state is put back as the caller gave it, then the border drawn.
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    const int saved = dc ? ::SaveDC(dc) : 0;
    CallDefault(message);
    if (saved) ::RestoreDC(dc, saved);
    if (Status == 1 && dc && (message.LParam & PRF_NONCLIENT)) PaintBorder(dc);
    return false;
}

void TSkinEdit::AfterProc(TMessage& message) {
    switch (message.Msg) {
        case WM_PAINT:
            // A paint into a caller's DC is the client only: the border is not there to paint over.
            if (message.WParam == 0) PaintControl(nullptr);
            break;
        default:
            TSkinControl::AfterProc(message);
            break;
    }
}

void TSkinEdit::FindUpDown() {
    for (HWND child = ::GetWindow(Handle, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring cls = LowerClassName(child);
        if (cls != L"msctls_updown32" && cls.find(L"spin") == std::wstring::npos &&
            cls.find(L"updown") == std::wstring::npos)
            continue;
        if (::SendMessageW(child, WM_SKIN_QUERY, 0, 0) == 1) return;  // skinned already (its own dispatch)
        // Owned here alone: given back and freed with the edit's skinner.
        TOwnedSkinner skinner(new TSkinUpDown(nullptr));
        static_cast<TSkinUpDown*>(skinner.get())->SetEmbedded(true);
        skinner->AttachWindow(child, SkinData, nullptr, Canvas);
        if (skinner->IsAttached()) UpDown = std::move(skinner);
        return;
    }
}

void TSkinEdit::DrawControl(HDC dc, const RECT& rect) {
    if (!UpDown) FindUpDown();
    DrawBorder(dc, rect);
}

void TSkinEdit::PaintBorder(HDC dc) {
    if (!dc) {
        PaintControl(nullptr);
        return;
    }
    RECT window{};
    if (!Handle || !::GetWindowRect(Handle, &window)) return;
    const RECT rect{0, 0, window.right - window.left, window.bottom - window.top};
    CallSwallowing([&] { DrawBorder(dc, rect); });
}

void TSkinEdit::DrawBorder(HDC dc, const RECT& rect) const {
    if (!SkinData || !Handle) return;
    const SIZE client = ClientSize(Handle);
    const int borderX = (rect.right - rect.left) - client.cx;
    const int borderY = (rect.bottom - rect.top) - client.cy;
    if (borderX <= 0 || borderY <= 0) return;  // no border: nothing of the skin
    TBrushHandle shadow(::CreateSolidBrush(SkinColorToRGB(SkinData->ButtonShadowColor)));
    ::FrameRect(dc, &rect, shadow.Get());
    // The inner line only where the border has room for it, never over the text.
    if (borderX < 4 || borderY < 4) return;
    TBrushHandle white(::CreateSolidBrush(RGB(255, 255, 255)));
    RECT inner = rect;
    ::InflateRect(&inner, -1, -1);
    ::FrameRect(dc, &inner, white.Get());
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinUpDown

bool TSkinUpDown::BeforeProc(TMessage& message) {
    switch (message.Msg) {
        case WM_PAINT:
            PaintHandler(message);
            message.Result = 0;
            return false;
        case WM_ERASEBKGND:
            // The paint covers the whole client area.
            message.Result = 1;
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // The control acts on the click first (steps its buddy, takes the capture).
            CallDefault(message);
            MouseState |= msPressed;
            if (Status == 1) PaintControl(nullptr);
            return false;
        case WM_LBUTTONUP:
            MouseState &= ~msPressed;
            CallDefault(message);
            if (Status == 1) PaintControl(nullptr);
            return false;
        case WM_CAPTURECHANGED:
            // A press that lost the mouse is over.
            MouseState &= ~msPressed;
            return true;
        default:
            return TSkinControl::BeforeProc(message);
    }
}

void TSkinUpDown::DrawControl(HDC dc, const RECT& rect) {
    if (!SkinData || !Handle) return;
    RECT client{};
    ::GetClientRect(Handle, &client);
    const int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0) return;
    TMemoryDC buffer(dc);
    TBitmapHandle bitmap = CreateCompatibleBitmapOf(dc, w, h);
    if (!buffer || !bitmap) return;
    {
        TSelectGuard select(buffer, bitmap.Get());
        TBrushHandle face(::CreateSolidBrush(SkinColorToRGB(SkinData->ButtonFaceColor)));
        ::FillRect(buffer, &client, face.Get());
        RECT c = client;
        if (Embedded) ::InflateRect(&c, -1, -1);
        POINT cursor{};
        ::GetCursorPos(&cursor);
        ::ScreenToClient(Handle, &cursor);
        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(Handle, GWL_STYLE));
        Enabled = (style & WS_DISABLED) == 0;
        const bool horizontal = Horizontal || (style & UDS_HORZ);
        RECT first = c, second = c;
        TArrowDirection firstDir = TArrowDirection::Up, secondDir = TArrowDirection::Down;
        if (horizontal) {
            const int half = (c.right - c.left) / 2;
            first.right = second.left = c.left + half;
            firstDir = TArrowDirection::Left;
            secondDir = TArrowDirection::Right;
        } else {
            const int half = (c.bottom - c.top) / 2;
            first.bottom = second.top = c.top + half;
        }
        auto stateOf = [&](const RECT& r) {
            if (!Enabled) return 3;
            return (MouseState & msPressed) && ::PtInRect(&r, cursor) ? 2 : 1;
        };
        const TDataSkinBorder* object = horizontal ? WithImage(SkinData->UpDownHorz) : WithImage(SkinData->UpDownVert);
        for (const auto& [r, dir] : {std::pair{first, firstDir}, std::pair{second, secondDir}}) {
            if (object)
                DrawArrowButton(buffer, r, dir, stateOf(r), *object);
            else
                DrawPlainButton(buffer, r, dir, stateOf(r));
        }
        ::BitBlt(dc, rect.left, rect.top, w, h, buffer, 0, 0, SRCCOPY);
    }
}

void TSkinUpDown::DrawArrowButton(HDC dc, const RECT& rect, TArrowDirection direction, int state,
                                  const TDataSkinBorder& object) const {
    const int frames = std::max(object.FrameCount, 1);
    const int frame = UpDownFrame(direction, state);
    DrawSkinFrame(dc, rect, object.Bitmap.Handle(), true, frames, frame);
    if (object.ExtraBitmap.Empty()) return;
    const int cw = object.ExtraBitmap.Width() / frames, ch = object.ExtraBitmap.Height();
    const int x = rect.left + ((rect.right - rect.left) - cw) / 2;
    const int y = rect.top + ((rect.bottom - rect.top) - ch) / 2;
    DrawSkinFrame(dc, RECT{x, y, x + cw, y + ch}, object.ExtraBitmap.Handle(), true, frames, frame);
}

void TSkinUpDown::DrawPlainButton(HDC dc, const RECT& rect, TArrowDirection direction, int state) const {
    const TColorValue fill = state == 2 || state == 4 ? SkinData->ButtonShadowColor : SkinData->ButtonFaceColor;
    // The handles outlive the selections: both are selected out before they are deleted.
    TBrushHandle brush(::CreateSolidBrush(SkinColorToRGB(fill)));
    TPenHandle pen(::CreatePen(PS_SOLID, 1, SkinColorToRGB(SkinData->ButtonDkShadowColor)));
    TSelectGuard selectBrush(dc, brush.Get());
    TSelectGuard selectPen(dc, pen.Get());
    ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    const bool vertical = direction == TArrowDirection::Up || direction == TArrowDirection::Down;
    const int x = rect.left + (rect.right - rect.left) / 2;
    const int y = rect.top + (rect.bottom - rect.top) / 2 - (vertical ? 2 : 0);
    DrawArrow(dc, x, y, direction);
}

void TSkinUpDown::DrawArrow(HDC dc, int x, int y, TArrowDirection direction) {
    auto line = [dc](int x1, int y1, int x2, int y2) {
        ::MoveToEx(dc, x1, y1, nullptr);
        ::LineTo(dc, x2, y2);
    };
    switch (direction) {
        case TArrowDirection::Up:
            line(x, y, x, y - 1);
            line(x + 1, y + 1, x + 4, y + 4);
            line(x, y + 1, x + 3, y + 4);
            line(x, y + 2, x + 2, y + 4);
            line(x - 1, y + 1, x - 4, y + 4);
            line(x, y + 2, x - 3, y + 4);
            line(x, y + 1, x - 2, y + 4);
            break;
        case TArrowDirection::Down:
            line(x, y + 3, x, y + 4);
            line(x + 1, y + 2, x + 4, y - 1);
            line(x, y + 2, x + 3, y - 1);
            line(x, y + 1, x + 2, y);
            line(x - 1, y + 2, x - 4, y - 1);
            line(x, y + 2, x - 3, y - 1);
            line(x, y + 1, x - 2, y);
            break;
        case TArrowDirection::Left: {
            const POINT points[] = {{x, y}, {x + 1, y + 2}, {x + 1, y - 2}, {x - 1, y}, {x + 1, y + 2}};
            ::Polyline(dc, points, 5);
            break;
        }
        case TArrowDirection::Right: {
            const POINT points[] = {{x, y}, {x - 1, y + 2}, {x - 1, y - 2}, {x + 1, y}, {x - 1, y + 2}};
            ::Polyline(dc, points, 5);
            break;
        }
    }
}

}  // namespace qd
