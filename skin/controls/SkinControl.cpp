#include "skin/controls/SkinControl.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "framework/CallbackEdge.h"
#include "framework/ComCtrls.h"
#include "framework/Gdi.h"
#include "framework/Graphics.h"
#include "framework/Properties.h"
#include "skin/controls/ControlDispatch.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinMessages.h"

namespace qd {

// A bare window's binding: the subclass chain, routed to the skinner.
class TSkinControl::TBareHook : public TWindowHook {
public:
    explicit TBareHook(TSkinControl* owner) : FOwner(owner) {}
    using TWindowHook::CallPrevious;

protected:
    LRESULT HookProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam) override {
        TMessage m{msg, wParam, lParam, 0};
        FOwner->SkinWndProc(m);
        return m.Result;
    }

private:
    TSkinControl* FOwner;
};

// A framework control's binding. The control's WindowProc holds a functor that shares this link; unhooking clears
// Owner, so a functor still in someone else's chain passes messages to the procedure we replaced.
struct TSkinControl::TLink {
    TSkinControl* Owner = nullptr;
    TWndMethod Previous;
};

namespace {
struct TControlProcFunctor {
    std::shared_ptr<TSkinControl::TLink> Link;
    void operator()(TMessage& message) const;
};
std::atomic<int> gLiveSkinners{0};
}  // namespace

TSkinControl::TSkinControl(TComponent* owner) : TComponent(owner) { ++gLiveSkinners; }

int TSkinControl::LiveCount() noexcept { return gLiveSkinners.load(); }

TSkinControl::~TSkinControl() {
    --gLiveSkinners;
    // Freed while waiting for a new window: the control still carries what attach changed.
    if (FAwaitingWindow) GiveBackControl();
    Unhook();
    if (Form) Form->UnregisterControl(this);
    Form = nullptr;
}

void TSkinControl::HookControl(TControl& control) {
    auto link = std::make_shared<TLink>();
    link->Owner = this;
    link->Previous = control.WindowProc;
    FLink = link;
    FHookedControl = &control;
    control.WindowProc = TControlProcFunctor{link};
}

void TSkinControl::Unhook() noexcept {
    if (FBareHook) FBareHook->Unhook();
    if (FLink) {
        auto link = std::move(FLink);
        if (FHookedControl) {
            const auto* top = FHookedControl->WindowProc.target<TControlProcFunctor>();
            // Only while ours is on top; otherwise it stays in the later hook's chain as a pass-through.
            if (top && top->Link == link) FHookedControl->WindowProc = link->Previous;
        }
        link->Owner = nullptr;
    }
    FHookedControl = nullptr;
}

void TControlProcFunctor::operator()(TMessage& message) const {
    // Keep the link alive: putting WindowProc back destroys this functor while it runs.
    std::shared_ptr<TSkinControl::TLink> link = Link;
    if (link->Owner)
        link->Owner->SkinWndProc(message);
    else if (link->Previous)
        link->Previous(message);
}

void TSkinControl::AttachControl(ISkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached) return;
    auto* control = dynamic_cast<TWinControl*>(Owner());
    if (!control || !skinData) return;
    if (FRebinding) {
        // Hooked, listed and coloured since the first attach: only the new window is taken.
        Handle = control->Handle();
        Focused = ::GetFocus() == Handle;
        Enabled = (::GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) == 0;
        Caption = WindowText();
        control->Invalidate();
        Attached = true;
        Status = 1;
        AfterAttach();
        return;
    }
    ChangeColor = changeColor;
    SkinData = skinData;
    Form = form;
    Canvas = canvas;
    Control = control;
    Handle = control->Handle();
    HookControl(*control);
    FSaved = TSaved{};
    FSaved.Valid = true;
    FSaved.Color = control->Color();
    FSaved.ParentColor = control->ParentColor();
    if (auto* custom = dynamic_cast<TCustomControl*>(control)) {
        FSaved.HasDoubleBuffered = true;
        FSaved.DoubleBuffered = custom->DoubleBuffered;
        custom->DoubleBuffered = true;
    }
    if (Form) Form->RegisterControl(this);
    Focused = ::GetFocus() == Handle;
    Enabled = (::GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) == 0;
    Caption = WindowText();
    if (ChangeColor) control->SetColor(static_cast<TColor>(SkinData->ButtonFaceColor));
    control->Invalidate();
    Attached = true;
    Status = 1;
    AfterAttach();
}

void TSkinControl::AttachWindow(HWND wnd, TSkinData* skinData, ISkinForm* form, TCanvas* canvas) {
    if (Attached || !wnd || !skinData) return;
    auto hook = std::make_unique<TBareHook>(this);
    if (!hook->Hook(wnd)) return;
    FBareHook = std::move(hook);
    Handle = wnd;
    SkinData = skinData;
    Form = form;
    Canvas = canvas;
    Enabled = true;
    if (Form) Form->RegisterControl(this);
    Caption = WindowText();
    ::InvalidateRect(Handle, nullptr, TRUE);
    Attached = true;
    Status = 1;
    AfterAttach();
}

void TSkinControl::AttachGraphic(ISkinForm* form, TSkinData* skinData, TCanvas* canvas) {
    if (Attached) return;
    auto* control = dynamic_cast<TGraphicControl*>(Owner());
    if (!control || !skinData) return;
    SkinData = skinData;
    Canvas = canvas;
    GraphicControl = control;
    Form = form;
    HookControl(*control);
    if (Form) Form->RegisterControl(this);
    Enabled = control->Enabled();
    Caption = control->Caption();
    control->Invalidate();
    Attached = true;
    Status = 1;
    AfterAttach();
}

bool TSkinControl::ControlScreenRect(RECT& rect) const {
    if (!GraphicControl) return ISkinControlItem::ControlScreenRect(rect);
    TWinControl* parent = GraphicControl->Parent();
    if (!parent || !parent->HandleAllocated() || !GraphicControl->Visible()) return false;
    rect = GraphicControl->BoundsRect();
    POINT origin{0, 0};
    if (!::ClientToScreen(parent->Handle(), &origin)) return false;
    ::OffsetRect(&rect, origin.x, origin.y);
    return true;
}

void TSkinControl::KeepDispatchChanges(const TDispatchChanges& changes) {
    FDispatchChanges = std::make_unique<TDispatchChanges>(changes);
}

void TSkinControl::GiveBackControl() noexcept {
    if (auto changes = std::move(FDispatchChanges); changes && PropertyObject()) {
        TControl* control = PropertyObject();
        CallSwallowing([&] {
            if (changes->Transparent)
                SetPropertyText(*control, "Transparent", *changes->Transparent ? "True" : "False");
            if (changes->Flat) SetPropertyText(*control, "Flat", *changes->Flat ? "True" : "False");
            if (changes->SizeGrip) {
                if (auto* bar = dynamic_cast<TStatusBar*>(control)) bar->SetSizeGrip(*changes->SizeGrip);
            }
        });
    }
    if (!FSaved.Valid || !Control) return;
    FSaved.Valid = false;
    // A control that refuses its own old values keeps what it has.
    CallSwallowing([&] {
        if (ChangeColor) {
            Control->SetColor(FSaved.Color);
            Control->SetParentColor(FSaved.ParentColor);
        }
        if (FSaved.HasDoubleBuffered) {
            if (auto* custom = dynamic_cast<TCustomControl*>(Control)) custom->DoubleBuffered = FSaved.DoubleBuffered;
        }
    });
}

void TSkinControl::Unskin() {
    if (Form && Form->HotButton() == this) Form->SetHotButton(nullptr);
    GiveBackControl();
}

void TSkinControl::Reskin() {
    if (ChangeColor && Control && SkinData) Control->SetColor(static_cast<TColor>(SkinData->ButtonFaceColor));
    Redraw();
}

void TSkinControl::Release() {
    if (FDepth == 0) {
        delete this;
        return;
    }
    // On the stack: off the control now, freed when the outermost call returns.
    Unhook();
    if (Form) Form->UnregisterControl(this);
    Form = nullptr;
    if (Owner()) Owner()->RemoveComponent(this);
    FReleased = true;
}

void TSkinControl::MouseLeft() {
    if (Status != 1) return;
    TMessage m{CM_MOUSELEAVE, 0, 0, 0};
    ++FDepth;
    CallSwallowing([&] { AfterProc(m); });
    LeaveDispatch();
}

void TReleaseSkinner::operator()(TSkinControl* skinner) const noexcept {
    if (skinner) CallSwallowing([&] { skinner->Release(); });
}

void TSkinControl::LeaveDispatch() {
    if (--FDepth == 0 && FReleased) delete this;
}

void TSkinControl::SkinWndProc(TMessage& message) {
    ++FDepth;
    // Never across a window procedure.
    CallSwallowing([&] {
        if (message.Msg == WM_SKIN_QUERY && Status == 1 && !FReleased) {
            message.Result = 1;
        } else if (message.Msg == WM_CREATE && FAwaitingWindow && !FReleased) {
            CallDefault(message);
            if (message.Result != -1) TakeNewWindow();
        } else if (Status != 1 || FReleased) {
            CallDefault(message);
        } else if (message.Msg == WM_NCDESTROY) {
            // Always, whatever SkinEnabled says.
            if (BeforeProc(message)) CallDefault(message);
        } else if (!SkinEnabled) {
            if (message.Msg == WM_SKIN_ENABLE) {
                SkinEnabled = message.WParam > 0;
                if (SkinEnabled) Redraw();
            } else {
                CallDefault(message);
            }
        } else if (BeforeProc(message)) {
            CallDefault(message);
            AfterProc(message);
        }
    });
    LeaveDispatch();
}

void TSkinControl::CallDefault(TMessage& message) {
    if (FLink && FLink->Previous) {
        FLink->Previous(message);
    } else if (FLink) {
        message.Result = 0;
    } else if (FBareHook && FBareHook->Hooked()) {
        message.Result = TBareHook::CallPrevious(Handle, message.Msg, message.WParam, message.LParam);
    } else if (Handle && ::IsWindow(Handle)) {
        // Unhooked while a message was under way: the window's own procedure is all there is.
        message.Result = ::DefWindowProcW(Handle, message.Msg, message.WParam, message.LParam);
    }
}

bool TSkinControl::ControlOutlivesWindow() const {
    return Control && FLink && !Control->HasState(TComponentStateFlag::csDestroying);
}

void TSkinControl::TakeNewWindow() {
    FAwaitingWindow = false;
    Attached = false;
    FRebinding = true;
    AttachControl(Form, SkinData, ChangeColor, Canvas);
    FRebinding = false;
}

bool TSkinControl::BeforeProc(TMessage& message) {
    if (message.Msg == WM_NCDESTROY) {
        CallDefault(message);
        if (ControlOutlivesWindow()) {
            // The control keeps what attach changed and stays hooked; until its next window exists it counts
            // as gone, so a form skinner that purges meanwhile frees the skinner (which then gives all back).
            if (Form && Form->HotButton() == this) Form->SetHotButton(nullptr);
            MouseState = 0;
            WindowGone();
            Handle = nullptr;
            Status = ControlStateWindowDestroyed;
            FAwaitingWindow = true;
            return false;
        }
        Status = ControlStateWindowDestroyed;
        Unskin();
        WindowGone();
        Handle = nullptr;
        return false;
    }
    if ((message.Msg == WM_PAINT || message.Msg == WM_ERASEBKGND) && PaintsWholeFromImage()) {
        if (message.Msg == WM_PAINT) {
            PaintHandler(message);
            message.Result = 0;
        } else {
            message.Result = 1;  // the paint covers the background
        }
        return false;
    }
    return true;
}

void TSkinControl::AfterProc(TMessage& message) {
    switch (message.Msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case CM_ENABLEDCHANGED:
            Redraw();
            break;
        case WM_SETTEXT:
            // Read back what the control took, as wide text.
            Caption = WindowText();
            Redraw();
            break;
        case WM_PAINT:
            PaintControl(reinterpret_cast<HDC>(message.WParam));
            break;
        case WM_SKIN_ENABLE:
            SkinEnabled = message.WParam > 0;
            break;
        default:
            break;
    }
}

std::wstring TSkinControl::WindowText() const {
    if (!Handle || !::IsWindow(Handle)) return Control ? Control->Caption() : std::wstring{};
    const int length = ::GetWindowTextLengthW(Handle);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(Handle, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

void TSkinControl::Redraw() {
    if (Control) {
        Control->Invalidate();
    } else if (GraphicControl) {
        GraphicControl->Invalidate();
    } else if (Handle && ::IsWindow(Handle)) {
        ::InvalidateRect(Handle, nullptr, TRUE);
        ::UpdateWindow(Handle);
    }
}

void TSkinControl::PaintControl(HDC dc) {
    if (!Handle || !::GetWindowRect(Handle, &WindowRect)) return;
    const RECT rect{0, 0, WindowRect.right - WindowRect.left, WindowRect.bottom - WindowRect.top};
    TWindowDC own;
    if (!dc) {
        own = TWindowDC(Handle, TWindowDC::TArea::Window);
        dc = own.Get();
        if (!dc) return;
    }
    // A paint never raises; the next one tries again.
    CallSwallowing([&] { DrawControl(dc, rect); });
}

void TSkinControl::PaintHandler(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    std::optional<TPaintScope> scope;
    if (!dc) {
        scope.emplace(Handle);
        dc = scope->DC();
    }
    if (!dc || !::GetWindowRect(Handle, &WindowRect)) return;
    const RECT rect{0, 0, WindowRect.right - WindowRect.left, WindowRect.bottom - WindowRect.top};
    CallSwallowing([&] { DrawControl(dc, rect); });
}

TColor TSkinControl::ParentColorOr(TColor fallback) const {
    if (Control && Control->Parent()) return Control->Parent()->Color();
    if (GraphicControl && GraphicControl->Parent()) return GraphicControl->Parent()->Color();
    return fallback;
}

void TSkinControl::FillFace(HDC dc, const RECT& rect) const {
    TBrushHandle brush(::CreateSolidBrush(SkinColorToRGB(SkinData->ButtonFaceColor)));
    ::FillRect(dc, &rect, brush.Get());
}

void TSkinControl::FillParent(HDC dc, const RECT& rect) const {
    TBrushHandle brush(::CreateSolidBrush(ColorToRGB(ParentColorOr(SkinData->ButtonFaceColor))));
    ::FillRect(dc, &rect, brush.Get());
}

void TSkinControl::DrawSkinObject(HDC dc, const RECT& rect, int frames, int frame, const TDataSkinObject& object) {
    if (rect.right < rect.left || rect.bottom < rect.top || object.Bitmap.Empty()) return;
    DrawNineSlice(dc, rect, object.Bitmap.Handle(), object.Margins(), frame, std::max(frames, 1), object.Trans == 1,
                  object.Tile != 0, false);
}

void TSkinControl::DrawStripFrame(HDC dc, const RECT& rect, int frames, int frame, HBITMAP bitmap) {
    if (rect.right < rect.left || rect.bottom < rect.top || !bitmap) return;
    DrawSkinFrame(dc, rect, bitmap, true, std::max(frames, 1), std::clamp(frame, 1, std::max(frames, 1)));
}

void TSkinControl::DrawCaption(HDC dc, const RECT& rect, UINT format, bool enabled, std::wstring_view text) {
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    RECT r = rect;
    DrawTextWide(dc, text, r, DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | format);
    const int textWidth = r.right - r.left;
    const int textHeight = r.bottom - r.top;
    ::OffsetRect(&r, 0, rect.top - r.top + (rect.bottom - rect.top - textHeight) / 2 - 1);
    if ((format & (DT_CENTER | DT_RIGHT)) == DT_CENTER) {
        ::OffsetRect(&r, rect.left - r.left + (rect.right - rect.left - textWidth) / 2, 0);
    } else {
        r.left = rect.left;
        r.right = rect.right;
    }
    const COLORREF oldColor = enabled ? 0 : ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    DrawTextWide(dc, text, r, DT_EXPANDTABS | format);
    if (!enabled) ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

void TSkinControl::DrawImageAndText(HDC dc, const RECT& rect, int alignment, std::wstring_view text, int image,
                                    HIMAGELIST images) const {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int imageWidth = 0, imageHeight = 0;
    if (image != -1 && images && ::ImageList_GetIconSize(images, &imageWidth, &imageHeight) && imageWidth < width) {
    } else {
        imageWidth = imageHeight = 0;
    }
    constexpr UINT flags = DT_END_ELLIPSIS | DT_EXPANDTABS | DT_SINGLELINE | DT_NOPREFIX;
    RECT measured{0, 0, width + (imageWidth ? imageWidth + 2 : 0), height};
    if (!text.empty())
        DrawTextWide(dc, text, measured, flags | DT_CALCRECT | DT_NOCLIP);
    else
        measured.right = measured.left;
    const int textWidth = measured.right - measured.left;
    const int textHeight = measured.bottom - measured.top;
    int start = 2;
    if (alignment == 1)
        start = (width - textWidth - imageWidth) / 2;
    else if (alignment == 2)
        start = width - textWidth - imageWidth - 2;
    start = std::max(start, 2);
    if (imageWidth)
        ::ImageList_Draw(images, image, dc, rect.left + start, rect.top + (height - imageHeight) / 2, ILD_TRANSPARENT);
    if (text.empty()) return;
    RECT t{rect.left + start + imageWidth + (imageWidth ? 1 : 0), rect.top + (height - textHeight) / 2, 0, 0};
    t.right = std::min<LONG>(t.left + textWidth, rect.right);
    t.bottom = t.top + textHeight;
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = Enabled ? 0 : ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    DrawTextWide(dc, text, t, flags);
    if (!Enabled) ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

// ---------------------------------------------------------------------------------------------------------------
// Properties by name

namespace {
std::optional<TFormValue> ReadValue(TPersistent* object, std::string_view name) {
    if (!object || !object->ClassInfo().FindProperty(name)) return std::nullopt;
    try {
        return GetPropertyValue(*object, name);
    } catch (const Exception&) {
        return std::nullopt;
    }
}
}  // namespace

std::optional<std::int64_t> GetIntProp(TPersistent* object, std::string_view name) {
    auto v = ReadValue(object, name);
    if (!v || v->Kind != TFormValueKind::vkInteger) return std::nullopt;
    return v->Integer;
}

std::int64_t GetIntProp(TPersistent* object, std::string_view name, std::int64_t fallback) {
    return GetIntProp(object, name).value_or(fallback);
}

std::string GetEnumPropName(TPersistent* object, std::string_view name) {
    auto v = ReadValue(object, name);
    if (!v || v->Kind != TFormValueKind::vkIdent) return {};
    std::string text = v->Text;
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

std::wstring GetTextProp(TPersistent* object, std::string_view name) {
    auto v = ReadValue(object, name);
    if (!v || v->Kind != TFormValueKind::vkString) return {};
    return Utf8ToWide(v->Text);
}

TPersistent* GetObjectProp(TPersistent* object, std::string_view name) {
    if (!object) return nullptr;
    const TPropertyInfo* info = object->ClassInfo().FindProperty(name);
    if (!info || info->Kind != TPropertyKind::pkObject || !info->Object) return nullptr;
    try {
        return info->Object(*object);
    } catch (const Exception&) {
        return nullptr;
    }
}

}  // namespace qd
