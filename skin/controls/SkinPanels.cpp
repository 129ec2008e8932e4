#include "skin/controls/SkinPanels.h"

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/CallbackEdge.h"
#include "framework/ComCtrls.h"
#include "framework/Gdi.h"
#include "framework/Properties.h"
#include "skin/controls/SkinTabs.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"

namespace qd {

namespace {

class TWorkBuffer {
public:
    HDC Prepare(HDC compatibleWith, int width, int height) {
        if (width <= 0 || height <= 0) return nullptr;
        if (!FDC) FDC = TMemoryDC(compatibleWith);
        if (!FDC) return nullptr;
        if (width > FSize.cx || height > FSize.cy) {
            if (FOld) ::SelectObject(FDC.Get(), FOld);
            FOld = nullptr;
            FSize = SIZE{std::max<LONG>(width, FSize.cx), std::max<LONG>(height, FSize.cy)};
            FBitmap = CreateCompatibleBitmapOf(compatibleWith, FSize.cx, FSize.cy);
            if (!FBitmap) {
                FSize = SIZE{};
                return nullptr;
            }
            FOld = ::SelectObject(FDC.Get(), FBitmap.Get());
        }
        return FDC.Get();
    }
    ~TWorkBuffer() {
        if (FDC && FOld) ::SelectObject(FDC.Get(), FOld);
    }

private:
    TMemoryDC FDC;
    TBitmapHandle FBitmap;
    HGDIOBJ FOld = nullptr;
    SIZE FSize{};
};

DWORD StyleOf(HWND wnd) { return static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_STYLE)); }

HGDIOBJ FontOf(HWND wnd) { return reinterpret_cast<HGDIOBJ>(::SendMessageW(wnd, WM_GETFONT, 0, 0)); }

}  // namespace

HDC StatusBuffer(HDC compatibleWith, int width, int height) {
    static TWorkBuffer buffer;
    return buffer.Prepare(compatibleWith, width, height);
}

int ProgressFillWidth(int width, int pos, int min, int max) noexcept {
    if (max <= min || width <= 0) return 0;
    pos = std::clamp(pos, min, max);
    return ::MulDiv(width, pos - min, max - min);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinStatusBar

void TSkinStatusBar::DrawPanelSkin(HDC dc, const RECT& rect, int frame) const {
    const TDataSkinObject& edges = *SkinData->StatusBarEdges;
    DrawNineSlice(dc, rect, edges.Bitmap.Handle(), edges.Margins(), frame, 3, false, edges.Tile != 0, false);
}

void TSkinStatusBar::DrawPanelPlain(HDC dc, const RECT& rect, int frame) {
    if (frame != 1 && frame != 2) return;
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF topLeft = frame == 1 ? shadow : light;
    const COLORREF bottomRight = frame == 1 ? light : shadow;
    auto line = [dc](int l, int t, int r, int b, COLORREF color) {
        const RECT part{l, t, r, b};
        TBrushHandle brush(::CreateSolidBrush(color));
        ::FillRect(dc, &part, brush.Get());
    };
    line(rect.left, rect.top, rect.right, rect.top + 1, topLeft);
    line(rect.left, rect.top, rect.left + 1, rect.bottom, topLeft);
    line(rect.left, rect.bottom - 1, rect.right, rect.bottom, bottomRight);
    line(rect.right - 1, rect.top, rect.right, rect.bottom, bottomRight);
}

void TSkinStatusBar::DrawControl(HDC dc, const RECT& rect) {
    if (!Handle) return;
    const RECT r{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    HDC buffer = StatusBuffer(dc, r.right, r.bottom);
    if (!buffer) return;
    Enabled = (StyleOf(Handle) & WS_DISABLED) == 0;
    FillFace(buffer, r);
    TSelectGuard fontSel(buffer, FontOf(Handle));
    const TDataSkinObject* edges = SkinData->StatusBarEdges.get();
    const bool skinnedEdges = edges && !edges->Bitmap.Empty();
    const COLORREF oldColor =
        ::SetTextColor(buffer, edges ? SkinColorToRGB(edges->NormalColour2) : ::GetSysColor(COLOR_BTNTEXT));
    auto background = [&](const RECT& part, int frame) {
        if (skinnedEdges)
            DrawPanelSkin(buffer, part, frame);
        else
            DrawPanelPlain(buffer, part, frame);
    };

    auto* bar = dynamic_cast<TStatusBar*>(Control);
    const int parts = static_cast<int>(::SendMessageW(Handle, SB_GETPARTS, 0, 0));
    const bool simple = ::SendMessageW(Handle, SB_ISSIMPLE, 0, 0) != 0 || parts <= 0 ||
                        (bar && (bar->SimplePanel() || bar->Panels().Count() == 0));
    std::vector<std::pair<int, RECT>> ownerDrawn;
    if (simple) {
        std::wstring text;
        if (Control) {
            text = GetTextProp(Control, "SimpleText");
        } else {
            const int length = LOWORD(::SendMessageW(Handle, SB_GETTEXTLENGTHW, SB_SIMPLEID, 0));
            text.assign(static_cast<std::size_t>(length) + 1, L'\0');
            ::SendMessageW(Handle, SB_GETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.data()));
            text.resize(std::wcslen(text.c_str()));
        }
        background(r, 1);
        if (text.empty()) text = L" ";
        RECT tr = r;
        ::InflateRect(&tr, -2, 0);
        DrawCaption(buffer, tr, DT_LEFT | DT_NOPREFIX, Enabled, text);
    } else {
        for (int i = 0; i < parts; ++i) {
            RECT pr{};
            if (!::SendMessageW(Handle, SB_GETRECT, i, reinterpret_cast<LPARAM>(&pr))) continue;
            pr.right += 2;
            if (i == parts - 1) pr.right = r.right;
            const LRESULT info = ::SendMessageW(Handle, SB_GETTEXTLENGTHW, i, 0);
            const UINT type = HIWORD(info);
            int frame = 1;
            if (type & SBT_NOBORDERS)
                frame = 3;
            else if (type & SBT_POPOUT)
                frame = 2;
            background(pr, frame);
            if (type & SBT_OWNERDRAW) {
                ownerDrawn.emplace_back(i, pr);
                continue;
            }
            std::wstring text(static_cast<std::size_t>(LOWORD(info)) + 1, L'\0');
            ::SendMessageW(Handle, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(text.data()));
            text.resize(std::wcslen(text.c_str()));
            // A leading tab centres the text, two put it on the right; right-to-left reading swaps the sides.
            UINT align = DT_LEFT;
            if (text.starts_with(L"\t\t")) {
                align = DT_RIGHT;
                text.erase(0, 2);
            } else if (text.starts_with(L"\t")) {
                align = DT_CENTER;
                text.erase(0, 1);
            }
            if (type & SBT_RTLREADING) {
                if (align == DT_LEFT)
                    align = DT_RIGHT;
                else if (align == DT_RIGHT)
                    align = DT_LEFT;
            }
            if (text.empty()) text = L" ";
            ::InflateRect(&pr, -2, 0);
            DrawCaption(buffer, pr, align | DT_NOPREFIX, Enabled, text);
        }
    }
    const TDataSkinObject* extra = SkinData->ExtraImages.get();
    if ((StyleOf(Handle) & SBARS_SIZEGRIP) && extra && !extra->Bitmap.Empty()) {
        const int frames = std::max(extra->FrameCount, 1);
        const int cw = extra->Bitmap.Width() / frames;
        const int ch = extra->Bitmap.Height();
        DrawStripFrame(buffer, RECT{r.right - 1 - cw, r.bottom - 1 - ch, r.right - 1, r.bottom - 1}, frames, 5,
                       extra->Bitmap.Handle());
    }
    ::SetTextColor(buffer, oldColor);
    ::BitBlt(dc, rect.left, rect.top, r.right, r.bottom, buffer, 0, 0, SRCCOPY);
    // Owner-drawn panels are drawn by their owner over the skinned background, asked as the control asks.
    for (const auto& [index, part] : ownerDrawn) {
        DRAWITEMSTRUCT item{};
        item.CtlID = static_cast<UINT>(::GetDlgCtrlID(Handle));
        item.itemID = static_cast<UINT>(index);
        item.hwndItem = Handle;
        item.hDC = dc;
        item.rcItem = part;
        ::OffsetRect(&item.rcItem, rect.left, rect.top);
        ::InflateRect(&item.rcItem, -1, -1);
        // For an owner-drawn part the control answers its data instead of a text.
        item.itemData = static_cast<ULONG_PTR>(::SendMessageW(Handle, SB_GETTEXTW, index, 0));
        ::SendMessageW(::GetParent(Handle), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    }
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinProgress

bool TSkinProgress::HasImage() const { return SkinData && SkinData->Progress && !SkinData->Progress->Bitmap.Empty(); }

namespace {
struct TProgressState {
    int Pos = 0;
    int Min = 0;
    int Max = 0;
};
TProgressState ReadProgress(HWND wnd) {
    PBRANGE range{};
    ::SendMessageW(wnd, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
    return {static_cast<int>(::SendMessageW(wnd, PBM_GETPOS, 0, 0)), range.iLow, range.iHigh};
}
}  // namespace

void TSkinProgress::DrawControl(HDC dc, const RECT& rect) {
    if (!HasImage() || !Handle) return;
    const TDataSkinBorder& progress = *SkinData->Progress;
    if (progress.Style == 1) {
        DrawChunked(dc, rect);
        return;
    }
    const bool vertical = (StyleOf(Handle) & PBS_VERTICAL) != 0;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    // A vertical bar is composed lying and turned anticlockwise: the fill then grows from the bottom.
    const RECT work{0, 0, vertical ? height : width, vertical ? width : height};
    if (work.right <= 0 || work.bottom <= 0) return;
    TBitmap image;
    image.SetSize(work.right, work.bottom);
    {
        TMemoryDC wdc(dc);
        TSelectGuard sel(wdc.Get(), image.Handle());
        FillFace(wdc.Get(), work);
        DrawNineSlice(wdc.Get(), work, progress.Bitmap.Handle(), progress.Margins(), 1, 2, true, progress.Tile != 0,
                      false);
        const TProgressState state = ReadProgress(Handle);
        const int fill = ProgressFillWidth(work.right, state.Pos, state.Min, state.Max);
        if (fill > 0)
            DrawNineSlice(wdc.Get(), RECT{0, 0, fill, work.bottom}, progress.Bitmap.Handle(), progress.Margins(), 2, 2,
                          true, progress.Tile != 0, false);
    }
    if (vertical) TurnBitmap(image, false);
    TMemoryDC wdc(dc);
    TSelectGuard sel(wdc.Get(), image.Handle());
    ::BitBlt(dc, rect.left, rect.top, width, height, wdc.Get(), 0, 0, SRCCOPY);
}

void TSkinProgress::DrawChunked(HDC dc, const RECT& rect) {
    const TDataSkinBorder& progress = *SkinData->Progress;
    if (progress.ExtraBitmap.Empty()) return;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC buffer = StatusBuffer(dc, width, height);
    if (!buffer) return;
    const RECT r{0, 0, width, height};
    FillFace(buffer, r);
    DrawNineSlice(buffer, r, progress.Bitmap.Handle(), progress.Margins(), 1, 2, true, progress.Tile != 0, false);
    const TProgressState state = ReadProgress(Handle);
    const int inner = width - progress.LeftWidth - progress.RightWidth;
    const int fill = ProgressFillWidth(inner, state.Pos, state.Min, state.Max);
    const int cw = progress.ExtraBitmap.Width();
    const int ch = progress.ExtraBitmap.Height();
    if (fill > 0 && cw > 0) {
        TSaveDCGuard saved(buffer);
        const int x0 = progress.LeftWidth;
        const int y0 = (height - ch) / 2;
        ::IntersectClipRect(buffer, x0, 0, x0 + fill, height);
        for (int x = 0; x < fill; x += cw)
            TransparentBlit(buffer, RECT{x0 + x, y0, x0 + x + cw, y0 + ch}, progress.ExtraBitmap.Handle(),
                            SkinKeyColor);
    }
    ::BitBlt(dc, rect.left, rect.top, width, height, buffer, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinTrackBar

// A bare track bar tells its parent how to draw: the custom-draw notifications are taken there.
class TSkinTrackBar::TParentHook : public TWindowHook {
public:
    explicit TParentHook(TSkinTrackBar* owner) : FOwner(owner) {}
    void Forget() noexcept { FOwner = nullptr; }

protected:
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_NOTIFY && FOwner && FOwner->IsAttached() && FOwner->IsSkinEnabled() &&
            FOwner->IsOwnCustomDraw(lParam))
            return FOwner->CustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam));
        return CallPrevious(wnd, msg, wParam, lParam);
    }

private:
    TSkinTrackBar* FOwner;
};

TSkinTrackBar::~TSkinTrackBar() { DropParentHook(); }

void TSkinTrackBar::DropParentHook() noexcept {
    if (TParentHook* hook = std::exchange(FParentHook, nullptr)) {
        hook->Forget();
        hook->DeleteWhenIdle();
    }
}

void TSkinTrackBar::AfterAttach() {
    if (Control) return;  // a framework track bar's notifications come back to it
    auto hook = std::make_unique<TParentHook>(this);
    if (HWND parent = ::GetParent(Handle); parent && hook->Hook(parent)) FParentHook = hook.release();
}

void TSkinTrackBar::WindowGone() { DropParentHook(); }

void TSkinTrackBar::Reskin() { Redraw(); }

bool TSkinTrackBar::IsOwnCustomDraw(LPARAM lParam) const {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    return header && Handle && header->hwndFrom == Handle && header->code == static_cast<UINT>(NM_CUSTOMDRAW);
}

bool TSkinTrackBar::BeforeProc(TMessage& message) {
    switch (message.Msg) {
        case WM_ERASEBKGND:
            message.Result = 1;
            return false;
        case WM_NOTIFY:
        case CN_BASE + WM_NOTIFY:
            if (!IsOwnCustomDraw(message.LParam)) return true;
            message.Result = CustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(message.LParam));
            return false;
        default:
            return TSkinControl::BeforeProc(message);
    }
}

LRESULT TSkinTrackBar::CustomDraw(NMCUSTOMDRAW& draw) {
    if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.dwDrawStage == CDDS_ITEMPREPAINT && draw.dwItemSpec == TBCD_THUMB) {
        DrawThumb(draw);
        return CDRF_SKIPDEFAULT;
    }
    return CDRF_DODEFAULT;
}

void TSkinTrackBar::DrawThumb(const NMCUSTOMDRAW& draw) {
    if (!Handle || !::IsWindow(Handle) || !SkinData) return;
    RECT thumb{};
    ::SendMessageW(Handle, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const TDataSkinObject* image = nullptr;
    if ((StyleOf(Handle) & TBS_VERT) && SkinData->TrackbarThumbVert)
        image = SkinData->TrackbarThumbVert.get();
    else if (SkinData->TrackbarThumbHorz)
        image = SkinData->TrackbarThumbHorz.get();
    if (image && !image->Bitmap.Empty()) {
        DrawStripFrame(draw.hdc, thumb, std::max(image->FrameCount, 1), 2, image->Bitmap.Handle());
        return;
    }
    TPenHandle pen(::CreatePen(PS_SOLID, 1, SkinColorToRGB(SkinData->ButtonShadowColor)));
    TSelectGuard sel(draw.hdc, pen.Get());
    ::Rectangle(draw.hdc, thumb.left, thumb.top, thumb.right, thumb.bottom);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinGroupBox

void TSkinGroupBox::DrawControl(HDC dc, const RECT& rect) { DrawGroupFrame(dc, rect); }

void TSkinGroupBox::DrawGroupFrame(HDC dc, const RECT& rect) {
    if (!Handle || !SkinData) return;
    Caption = WindowText();
    if (Caption.empty() && Control) Caption = GetTextProp(Control, "Caption");
    Enabled = (StyleOf(Handle) & WS_DISABLED) == 0;
    TSelectGuard fontSel(dc, FontOf(Handle));
    SIZE zero{};
    ::GetTextExtentPoint32W(dc, L"0", 1, &zero);
    const int y = zero.cy / 2 - 1;
    RECT ring{0, y, rect.right, rect.bottom};
    HBRUSH face = SkinData->ButtonFaceBrush.Get();
    TBrushHandle ownFace;
    if (!face) {
        ownFace = TBrushHandle(::CreateSolidBrush(SkinColorToRGB(SkinData->ButtonFaceColor)));
        face = ownFace.Get();
    }
    ::FrameRect(dc, &ring, face);
    ::InflateRect(&ring, -1, -1);
    ::FrameRect(dc, &ring, face);
    {
        TPenHandle pen(::CreatePen(PS_SOLID, 1, SkinColorToRGB(SkinData->ButtonShadowColor)));
        TSelectGuard penSel(dc, pen.Get());
        TSelectGuard brushSel(dc, ::GetStockObject(NULL_BRUSH));
        ::RoundRect(dc, 1, y, rect.right - 1, rect.bottom - 1, 5, 5);
    }
    if (Caption.empty()) return;
    // The caption's cells cover the frame line in the face colour.
    const int oldMode = ::SetBkMode(dc, OPAQUE);
    const COLORREF oldBack = ::SetBkColor(dc, SkinColorToRGB(SkinData->ButtonFaceColor));
    const TColorValue textColor = SkinData->GroupBox ? SkinData->GroupBox->NormalColour2 : SkinData->ButtonTextColor;
    const COLORREF oldText = ::SetTextColor(dc, Enabled ? SkinColorToRGB(textColor) : ::GetSysColor(COLOR_BTNSHADOW));
    RECT tr{rect.left + 9, rect.top, rect.right, rect.bottom};
    DrawTextWide(dc, Caption, tr, DT_EXPANDTABS);
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
    ::SetBkMode(dc, oldMode);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinBoxH

bool TSkinBoxH::BeforeProc(TMessage& message) {
    if (message.Msg == WM_ERASEBKGND && SkinData) {
        RECT r{};
        ::GetWindowRect(Handle, &r);
        FillFace(reinterpret_cast<HDC>(message.WParam), RECT{0, 0, r.right - r.left, r.bottom - r.top});
        message.Result = 1;
        return false;
    }
    return TSkinControl::BeforeProc(message);
}

// ---------------------------------------------------------------------------------------------------------------
// TSkinObjImage

std::array<int, 9> ObjImageCellFrames(int frames) noexcept {
    const int fifth = frames == 5 ? 4 : -1;
    std::array<int, 9> cells{0, 1, fifth, 0, 1, fifth, 2, 3, fifth};
    for (int& c : cells)
        if (c >= frames) c = -1;
    return cells;
}

struct TSkinObjImage::TOwnGlyphs {
    TBitmap Glyphs;
    std::optional<TFormValue> TransparentColor;
    std::optional<TFormValue> UseCustomGlyphs;
};

namespace {
std::optional<TFormValue> ReadProperty(TPersistent& object, std::string_view name) {
    if (!object.ClassInfo().FindProperty(name)) return std::nullopt;
    try {
        return GetPropertyValue(object, name);
    } catch (const Exception&) {
        return std::nullopt;
    }
}
}  // namespace

TSkinObjImage::TSkinObjImage(TComponent* owner) : TSkinControl(owner) {}
TSkinObjImage::~TSkinObjImage() = default;

void TSkinObjImage::AfterAttach() {
    if (!Control || Rebinding()) return;
    if (Mode == 1 && !FOwn) {
        // What the control had before the skin's strip, so that unskin gives exactly that back.
        FOwn = std::make_unique<TOwnGlyphs>();
        if (auto* own = GetObjectPropAs<TBitmap>(Control, "CustomGlyphs")) FOwn->Glyphs.Assign(*own);
        FOwn->TransparentColor = ReadProperty(*Control, "TransparentColor");
        FOwn->UseCustomGlyphs = ReadProperty(*Control, "UseCustomGlyphs");
    }
    if (Mode == 1) BuildGlyphs();
}

void TSkinObjImage::Reskin() {
    if (Mode == 1) BuildGlyphs();
    TSkinControl::Reskin();
}

void TSkinObjImage::Unskin() {
    if (Mode == 1 && FOwn && Control) {
        std::unique_ptr<TOwnGlyphs> own = std::move(FOwn);
        CallSwallowing([&] {
            if (auto* glyphs = GetObjectPropAs<TBitmap>(Control, "CustomGlyphs")) glyphs->Assign(own->Glyphs);
            if (own->TransparentColor) SetPropertyValue(*Control, "TransparentColor", *own->TransparentColor);
            // Switched off and back to what it was, so the control takes its own strip again.
            SetPropertyText(*Control, "UseCustomGlyphs", "False");
            if (own->UseCustomGlyphs) SetPropertyValue(*Control, "UseCustomGlyphs", *own->UseCustomGlyphs);
        });
    }
    TSkinControl::Unskin();
}

void TSkinObjImage::BuildGlyphs() {
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    auto* target = GetObjectPropAs<TBitmap>(Control, "CustomGlyphs");
    if (!buttons || buttons->CheckBitmap.Empty() || !target) return;
    const TBitmap& strip = buttons->CheckBitmap;
    const int frames = std::max(buttons->CheckFrameCount, 1);
    const int w = strip.Width() / frames, h = strip.Height();
    if (w <= 0 || h <= 0) return;
    const std::array<int, 9> cells = ObjImageCellFrames(frames);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * 9 * h, 0xFFFF00FFu);  // key colour
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = strip.ScanLine(y);
        for (int cell = 0; cell < 9; ++cell) {
            if (cells[cell] < 0) continue;
            std::copy_n(row + cells[cell] * w, w, pixels.begin() + (static_cast<std::size_t>(y) * 9 + cell) * w);
        }
    }
    CallSwallowing([&] {
        target->AssignPixels(w * 9, h, pixels.data());
        SetPropertyText(*Control, "TransparentColor", std::to_string(0xFF00FF));
        // Off and on again: the control takes the new strip.
        SetPropertyText(*Control, "UseCustomGlyphs", "False");
        SetPropertyText(*Control, "UseCustomGlyphs", "True");
    });
}

}  // namespace qd
