// Non-client layout and painting of TSkinForm: border sizes, WM_NCCALCSIZE, frame, title, caption, icon, button
// placement, the window region and the client-size keeping resize. Every band is composed off-screen and
// copied to the window once.

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "framework/CallbackEdge.h"
#include "framework/Forms.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinDraw.h"
#include "skin/form/SkinForm.h"

namespace qd {

namespace {

constexpr UINT kFrameChanged = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

// A border's frame count as drawing takes it: 0 (or garbage) counts as one frame.
int Frames(const TDataSkinObject* o) noexcept { return (o && o->FrameCount > 0) ? o->FrameCount : 1; }

// The font has a glyph for every character of the text (true when the platform cannot tell).
bool FontHasGlyphs(HFONT font, const std::wstring& text) {
    if (text.empty()) return true;
    TMemoryDC dc(nullptr);
    TSelectGuard keep(dc, font);
    std::vector<WORD> glyphs(text.size());
    if (::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                           GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return true;
    return std::find(glyphs.begin(), glyphs.end(), WORD{0xFFFF}) == glyphs.end();
}

// Size of one frame of a caption button; icon buttons without their own image use the small icon size.
SIZE ButtonSize(const TDataSkinSysButton& d, int iconSize) noexcept {
    if (d.Bitmap.Empty()) {
        if (IsIconAction(d.Action)) return SIZE{iconSize, iconSize};
        return SIZE{0, 0};
    }
    const int frames = IsIconAction(d.Action) ? 1 : Frames(&d);
    return SIZE{d.Bitmap.Width() / frames, d.Bitmap.Height()};
}

// The icon to show for a window now: its own small one, its big one, then its class icons.
HICON WindowIcon(HWND wnd) noexcept {
    // Skinned windows belong to the GUI thread, so these are direct calls of its procedure.
    if (auto icon = ::SendMessageW(wnd, WM_GETICON, ICON_SMALL, 0)) return reinterpret_cast<HICON>(icon);
    if (auto icon = ::SendMessageW(wnd, WM_GETICON, ICON_BIG, 0)) return reinterpret_cast<HICON>(icon);
    if (auto sm = ::GetClassLongPtrW(wnd, GCLP_HICONSM)) return reinterpret_cast<HICON>(sm);
    return reinterpret_cast<HICON>(::GetClassLongPtrW(wnd, GCLP_HICON));
}

}  // namespace

void TSkinForm::BuildSysButtons() {
    if (!FSkinData || FSkinData->SkinEmpty) return;  // still loading: keep what we have
    FPainted.ForgetComposed();
    FRegion.ForgetMasks();       // a new skin's images may even have the old handle values
    FMouse.HotObject = nullptr;  // the objects it may point at are about to go
    if (FFrame.Kind == TFrameKind::NoFrame) {
        FFrame.Left = FFrame.Top = FFrame.Right = FFrame.Bottom = 0;
        FFrame.MenuHeight = 0;
    } else {
        auto width = [](const TDataSkinBorder* b) { return b ? b->Bitmap.Width() / Frames(b) : 0; };
        auto height = [](const TDataSkinBorder* b) { return b ? b->Bitmap.Height() / Frames(b) : 0; };
        FFrame.Top = height(FSkinData->BorderTop.get());
        FFrame.Left = width(FSkinData->BorderLeft.get());
        FFrame.Right = width(FSkinData->BorderRight.get());
        FFrame.Bottom = height(FSkinData->BorderBottom.get());
    }
    FSysButtons.clear();
    for (auto& entry : FSkinData->SysButtons) FSysButtons.push_back(std::make_unique<TWinSysButton>(this, entry.get()));
    // The skin's default icon is filled from the first real window icon (never from an empty magenta square).
    for (auto& entry : FSkinData->SysButtons) {
        if (IsIconAction(entry->Action) && FSkinData->DefaultIcon.Empty() && FPainted.IconBitmap && FPainted.Icon) {
            TMemoryDC src(nullptr);
            const SIZE s = BitmapSize(FPainted.IconBitmap.Get());
            FSkinData->DefaultIcon.SetSize(s.cx, s.cy);
            TSelectGuard sel(src, FPainted.IconBitmap.Get());
            ::BitBlt(FSkinData->DefaultIcon.Canvas().Handle(), 0, 0, s.cx, s.cy, src, 0, 0, SRCCOPY);
            FSkinData->DefaultIcon.Dormant();
        }
    }
}

void TSkinForm::RenderIcon() {
    FPainted.IconSize = ::GetSystemMetrics(SM_CXSMICON);
    const int cy = ::GetSystemMetrics(SM_CYSMICON);
    TWindowDC screen(nullptr);
    TBitmapHandle bitmap(::CreateCompatibleBitmap(screen, FPainted.IconSize, cy));
    if (!bitmap) return;
    TMemoryDC mem(screen);
    {
        TSelectGuard sel(mem, bitmap.Get());
        TBrushHandle magenta(::CreateSolidBrush(SkinKeyColor));
        RECT r{0, 0, FPainted.IconSize, cy};
        ::FillRect(mem, &r, magenta.Get());
        FPainted.Icon = WindowIcon(FHandle);
        if (FPainted.Icon) {
            ::DrawIconEx(mem, 0, 0, FPainted.Icon, FPainted.IconSize, cy, 0, nullptr, DI_NORMAL);
        } else if (FSkinData) {
            // No icon of its own: the skin's default icon, else that of the last main-form skin that has one.
            const TBitmap* fallback = FSkinData->DefaultIcon.Empty() ? nullptr : &FSkinData->DefaultIcon;
            if (!fallback)
                for (TSkinData* other : FManager->RegisteredSkinData())
                    if (other && other->SkinFormtype() == sfMainform && !other->DefaultIcon.Empty())
                        fallback = &other->DefaultIcon;
            if (fallback) {
                TMemoryDC src(screen);
                TSelectGuard s2(src, fallback->Handle());
                ::StretchBlt(mem, 0, 0, FPainted.IconSize, cy, src, 0, 0, fallback->Width(), fallback->Height(),
                             SRCCOPY);
            }
        }
    }
    FPainted.IconBitmap = std::move(bitmap);
}

void TSkinForm::DrawIcon(HDC dc, int x, int y) {
    // Fetched when painting: the window may have changed its icon since attach.
    if (HICON icon = WindowIcon(FHandle)) {
        ::DrawIconEx(dc, x, y, icon, FPainted.IconSize, FPainted.IconSize, 0, nullptr, DI_NORMAL);
    } else if (FPainted.IconBitmap) {
        RECT r{x, y, x + FPainted.IconSize, y + FPainted.IconSize};
        TransparentBlit(dc, r, FPainted.IconBitmap.Get(), SkinKeyColor);
    }
}

LRESULT TSkinForm::NCCalcSize(const RECT& proposed, RECT& client, RECT* valid, LRESULT previous) {
    if (IsMDIChildNotNormal() || FFrame.Kind == TFrameKind::NoFrame) {
        // The standard frame: the client the previous procedure computed.
        if (!valid) return previous;
        *valid = client;
        return WVR_VALIDRECTS;
    }
    client.left = proposed.left + FFrame.Left;
    client.top = proposed.top + FFrame.Top + FFrame.MenuHeight;
    client.right = std::max(client.left, proposed.right - FFrame.Right);
    client.bottom = std::max(client.top, proposed.bottom - FFrame.Bottom);
    if (!valid) return 0;
    *valid = client;
    return WVR_VALIDRECTS;
}

void TSkinForm::NCActivate(bool active) {
    FActive = active;
    if (FHoverTimer) FHoverTimer->SetEnabled(FActive);
    if (!FActive) LeaveHotButton();
    if (FMDIRole == TMDIRole::Frame && FMDIClient && ::IsWindow(FMDIClient))
        ::SendMessageW(FMDIClient, WM_NCACTIVATE, FActive, 0);
    if (!IsMDIChildNotNormal()) PaintFrame();
}

bool TSkinForm::NCPaint() {
    if (!FSkinData || !FSkinData->AllowNCPaint) return true;
    if (IsMDIChildNotNormal() || FFrame.Kind == TFrameKind::NoFrame) return false;
    ReshapeBeforePaint();
    PaintFrame();
    return true;
}

void TSkinForm::ReshapeBeforePaint() {
    if (FSkinState != TSkinState::Running || FMDIRole == TMDIRole::Child || WindowGone()) return;
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w == FRegion.Width && h == FRegion.Height) return;
    // The size state is noted after this paint (WM_SIZE); the buttons shown are those of the new state.
    UpdateSizeState();
    if (FSizeState == TSizeState::Minimized) return;
    // The region takes the title's band from the title composed at the new size.
    FPainted.WindowWidth = w;
    FPainted.WindowHeight = h;
    if (TWindowDC dc(FHandle, TWindowDC::TArea::Window); dc) CallSwallowing([&] { ComposeTitle(dc.Get()); });
    Reshape(false);
}

void TSkinForm::PaintFrame(HDC dc) {
    if (FSkinState != TSkinState::Running && FSkinState != TSkinState::Reskinning) return;
    if (FFrame.Kind == TFrameKind::NoFrame || IsMDIChildNotNormal() || !FSkinData || WindowGone()) return;
    TWindowDC own;
    if (!dc) {
        own = TWindowDC(FHandle, TWindowDC::TArea::Window);
        dc = own.Get();
        if (!dc) return;
    }
    // A failure leaves the frame as it is: the next paint tries again.
    CallSwallowing([&] {
        ::GetWindowRect(FHandle, &FPainted.WindowRect);
        const int w = FPainted.WindowWidth = FPainted.WindowRect.right - FPainted.WindowRect.left;
        const int h = FPainted.WindowHeight = FPainted.WindowRect.bottom - FPainted.WindowRect.top;
        PaintBorder(TBorderPart::Left, RECT{0, 0, FFrame.Left, h}, dc);
        PaintBorder(TBorderPart::Right, RECT{w - FFrame.Right, 0, w, h}, dc);
        PaintBorder(TBorderPart::Bottom, RECT{FFrame.Left, h - FFrame.Bottom, w - FFrame.Right, h}, dc);
        PaintTitle(dc);
        PaintMenuBand(dc);
    });
    ++FPainted.FullPaints;
    FMouse.HotObject = nullptr;
}

// The skin's border object of a part, or null.
const TDataSkinBorder* TSkinForm::Border(TBorderPart part) const noexcept {
    if (!FSkinData) return nullptr;
    switch (part) {
        case TBorderPart::Left:
            return FSkinData->BorderLeft.get();
        case TBorderPart::Right:
            return FSkinData->BorderRight.get();
        case TBorderPart::Top:
            return FSkinData->BorderTop.get();
        case TBorderPart::Bottom:
            return FSkinData->BorderBottom.get();
    }
    return nullptr;
}

// The border of a part composed at a size, in the frame for the window's activation.
TBitmapHandle TSkinForm::ComposeBorder(TBorderPart part, int width, int height) const {
    const TDataSkinBorder* border = Border(part);
    if (!border || border->Bitmap.Empty()) return {};
    const int frames = Frames(border);
    const int frame = (FActive || frames == 1) ? 1 : 2;
    // The title and bottom borders hold their frames stacked, the sides side by side.
    const bool stacked = part == TBorderPart::Top || part == TBorderPart::Bottom;
    return BuildNineSliceBitmap(RECT{0, 0, width, height}, border->Bitmap.Handle(), border->Margins(), frame, frames,
                                border->Tile != kBorderStretch, stacked);
}

HBITMAP TSkinForm::ComposedBorder(TBorderPart part, int width, int height) {
    const TDataSkinBorder* border = Border(part);
    if (!border || border->Bitmap.Empty()) return nullptr;
    const int frames = Frames(border);
    const int frame = (FActive || frames == 1) ? 1 : 2;
    TComposedBorder& kept = FPainted.Borders[static_cast<std::size_t>(static_cast<int>(part) - 1)];
    if (!kept.Fits(border->Bitmap.Handle(), width, height, frame)) {
        kept = TComposedBorder{};
        kept.Bitmap = ComposeBorder(part, width, height);
        if (!kept.Bitmap) return nullptr;
        kept.Source = border->Bitmap.Handle();
        kept.Width = width;
        kept.Height = height;
        kept.Frame = frame;
    }
    return kept.Bitmap.Get();
}

bool TSkinForm::AppendBorderMask(TBorderPart part, const RECT& band, std::vector<RECT>& rects) {
    const TDataSkinBorder* border = Border(part);
    if (!border || border->Bitmap.Empty()) return false;
    const int frames = Frames(border);
    const int frame = (FActive || frames == 1) ? 1 : 2;
    TBorderMask& kept =
        FRegion.Masks[static_cast<std::size_t>(static_cast<int>(part) - 1)][static_cast<std::size_t>(frame - 1)];
    if (kept.Source != border->Bitmap.Handle()) {
        // The title and bottom borders hold their frames stacked, the sides side by side (as ComposeBorder).
        const bool stacked = part == TBorderPart::Top || part == TBorderPart::Bottom;
        kept.Mask = TNineSliceMask(border->Bitmap.Handle(), frame, frames, stacked, SkinKeyColor, 1, 1, 1);
        kept.Source = border->Bitmap.Handle();
    }
    return kept.Mask.AppendOpaqueRects(band, border->Margins(), rects);
}

void TSkinForm::PaintBorder(TBorderPart part, RECT rect, HDC dc) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    const HBITMAP composed = ComposedBorder(part, w, h);
    if (!composed) return;
    TMemoryDC mem(dc);
    TSelectGuard sel(mem, composed);
    ::BitBlt(dc, rect.left, rect.top, w, h, mem, 0, 0, SRCCOPY);
}

bool TSkinForm::ComposeTitle(HDC dc) {
    const int w = FPainted.WindowWidth, h = FFrame.Top;
    if (w <= 0 || h <= 0) return false;
    TTitleCache& title = FPainted.Title;
    TTitleKey key = TitleKey();
    if (title.Fits(w, h) && title.Current && title.Key == key) return true;
    if (!title.Fits(w, h)) {
        title.Empty();
        // Platform quirk (Wine): a device-compatible bitmap lives in the X server, and the key-colour blits of the
        // caption buttons read it back pixel by pixel (milliseconds per paint). A DIB section stays in our memory.
        TDibSection dib = CreateDib32(w, h);
        if (!dib.Bitmap) return false;
        title.Bitmap = std::move(dib.Bitmap);
        title.Bits = static_cast<std::uint32_t*>(dib.Bits);
        title.Width = w;
        title.Height = h;
    }
    TMemoryDC mem(dc);
    TSelectGuard sel(mem, title.Bitmap.Get());
    // The corners of the band show the side borders. They come from the composed sides; reading them back from
    // the window costs a trip to the X server under Wine, so that is done only when a side has nothing composed.
    const HBITMAP left =
        h <= FPainted.WindowHeight ? ComposedBorder(TBorderPart::Left, FFrame.Left, FPainted.WindowHeight) : nullptr;
    const HBITMAP right =
        h <= FPainted.WindowHeight ? ComposedBorder(TBorderPart::Right, FFrame.Right, FPainted.WindowHeight) : nullptr;
    // What is read back from the window is not kept: the next paint composes again.
    const bool readBack = (FFrame.Left > 0 && !left) || (FFrame.Right > 0 && !right) || !Border(TBorderPart::Top);
    if (readBack) ::BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY);
    auto corner = [&](HBITMAP side, int x, int width) {
        if (!side || width <= 0) return;
        TMemoryDC src(dc);
        TSelectGuard keep(src, side);
        ::BitBlt(mem, x, 0, width, h, src, 0, 0, SRCCOPY);
    };
    corner(left, 0, FFrame.Left);
    corner(right, w - FFrame.Right, FFrame.Right);
    const RECT area{FFrame.Left, 0, w - FFrame.Right, h};
    PaintBorder(TBorderPart::Top, area, mem);
    PaintCaption(mem, area);
    PlaceSysButtons();
    ::GdiFlush();
    title.Back.assign(title.Bits, title.Bits + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    PaintSysButtons(mem);
    title.Key = std::move(key);
    title.Current = !readBack;
    return true;
}

TTitleKey TSkinForm::TitleKey() {
    TTitleKey key;
    key.WindowHeight = FPainted.WindowHeight;
    key.Active = FActive;
    key.Text = CaptionText();
    key.Font = CaptionFontFor(key.Text);
    key.Icon = WindowIcon(FHandle);
    key.IconBitmap = FPainted.IconBitmap.Get();
    key.IconSize = FPainted.IconSize;
    key.ButtonsLeft = (FAttached.Style & WS_POPUP) ? FPainted.ButtonsLeft : 0;
    key.ButtonsShown.reserve(FSysButtons.size());
    for (std::size_t i = 0; i < FSysButtons.size(); ++i) {
        TWinSysButton& b = *FSysButtons[i];
        const SIZE size = ButtonSize(*b.Data, FPainted.IconSize);
        // As placing leaves it: a button with nothing to show is not visible.
        b.Visible = SysButtonVisible(static_cast<int>(i)) && size.cx > 0 && size.cy > 0;
        key.ButtonsShown.push_back(b.Visible ? 1 : 0);
    }
    return key;
}

void TSkinForm::PaintTitle(HDC dc) {
    if (!ComposeTitle(dc)) return;
    TMemoryDC mem(dc);
    {
        TSelectGuard sel(mem, FPainted.Title.Bitmap.Get());
        ::BitBlt(dc, 0, 0, FPainted.Title.Width, FPainted.Title.Height, mem, 0, 0, SRCCOPY);
    }
    ::SetBkMode(dc, OPAQUE);
}

void TSkinForm::PaintTitleChange() {
    if (FSkinState != TSkinState::Running && FSkinState != TSkinState::Reskinning) return;
    if (FFrame.Kind == TFrameKind::NoFrame || IsMDIChildNotNormal() || !FSkinData || WindowGone()) return;
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    TTitleCache& title = FPainted.Title;
    // A window that keeps WS_CAPTION had its standard caption painted by the default procedure: all again.
    const bool standardCaption = (::GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    if (standardCaption || !title.Fits(wr.right - wr.left, FFrame.Top) || wr.bottom - wr.top != FPainted.WindowHeight) {
        PaintFrame();
        return;
    }
    TWindowDC dc(FHandle, TWindowDC::TArea::Window);
    if (!dc) return;
    CallSwallowing([&] {
        ::GdiFlush();
        const std::vector<std::uint32_t> shown(title.Bits, title.Bits + title.Back.size());
        if (!ComposeTitle(dc.Get())) return;
        ::GdiFlush();
        // Only the pixels that differ from what the window shows go to the window.
        RECT changed{title.Width, title.Height, 0, 0};
        for (int y = 0; y < title.Height; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(title.Width);
            for (int x = 0; x < title.Width; ++x) {
                if (shown[row + static_cast<std::size_t>(x)] == title.Bits[row + static_cast<std::size_t>(x)]) continue;
                changed.left = std::min<LONG>(changed.left, x);
                changed.right = std::max<LONG>(changed.right, x + 1);
                changed.top = std::min<LONG>(changed.top, y);
                changed.bottom = std::max<LONG>(changed.bottom, y + 1);
            }
        }
        if (::IsRectEmpty(&changed)) return;
        TMemoryDC mem(dc.Get());
        TSelectGuard sel(mem, title.Bitmap.Get());
        ::BitBlt(dc.Get(), changed.left, changed.top, changed.right - changed.left, changed.bottom - changed.top, mem,
                 changed.left, changed.top, SRCCOPY);
    });
    // The buttons went back to their normal look with the title.
    FMouse.HotObject = nullptr;
}

std::wstring TSkinForm::CaptionText() const {
    std::wstring text;
    const int length = ::GetWindowTextLengthW(FHandle);
    if (length > 0) {
        text.resize(static_cast<std::size_t>(std::min(length, 4096)) + 1);
        const int got = ::GetWindowTextW(FHandle, text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<std::size_t>(std::max(got, 0)));
    }
    return FCaptionPrefix + text + FCaptionSuffix;
}

HFONT TSkinForm::CaptionFontFor(const std::wstring& text) {
    const HFONT caption = FCaptionFont ? FCaptionFont.Get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (FontHasGlyphs(caption, text)) return caption;
    // The platform's caption font may lack the title's script (no font links): the window's own font has it.
    const HFONT own =
        FForm ? FForm->Font().Handle() : reinterpret_cast<HFONT>(::SendMessageW(FHandle, WM_GETFONT, 0, 0));
    return own && FontHasGlyphs(own, text) ? own : caption;
}

void TSkinForm::PaintCaption(HDC dc, const RECT& area) {
    const TDataSkinTitle* title = FSkinData->Title.get();
    if (!title) return;
    const std::wstring text = CaptionText();
    TSelectGuard font(dc, CaptionFontFor(text));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = ::SetTextColor(
        dc, SkinColorToRGB(FActive ? FSkinData->TitleTextActiveColor : FSkinData->TitleTextNoActiveColor));

    RECT r{area.left, area.top, area.left, area.top};
    DrawTextWide(dc, text, r, DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE);
    r.right += title->TextBackLeft + title->TextBackRight;
    const int textWidth = r.right - r.left, textHeight = r.bottom - r.top;
    const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    int dx = 0;
    if (FAttached.RightToLeft) {
        dx = areaWidth - title->RightWidth - textWidth;
    } else {
        switch (title->TextAlignment) {
            case ttaLeft:
                dx = title->LeftWidth;
                break;
            case ttaCentre:
                dx = (areaWidth - textWidth) / 2;
                break;
            case ttaRight:
                dx = areaWidth - title->RightWidth - textWidth;
                break;
            default:
                dx = 0;
                break;
        }
    }
    const int dy = (areaHeight - textHeight) / 2 + title->TopHeight / 2;
    ::OffsetRect(&r, dx, dy);
    int limit = area.right - title->RightWidth;
    if (FAttached.Style & WS_POPUP) limit = FPainted.ButtonsLeft > 5 ? FPainted.ButtonsLeft - 5 : r.right;
    if (limit < r.right) r.right = limit;
    if (FFrame.Kind == TFrameKind::Dialog && title->TextAlignment == ttaLeft) r.left -= 16;  // no icon on dialogs
    FPainted.CaptionRect = r;
    if (!title->Bitmap.Empty() && r.right > r.left) {
        const TSliceMargins caps{title->TextBackLeft, 0, title->TextBackRight, 0};
        DrawThreeSlice(dc, RECT{r.left, area.top, r.right, area.bottom}, title->Bitmap.Handle(), caps, FActive ? 1 : 2,
                       2, true, true);
    }
    RECT textRect{r.left + title->TextBackLeft, r.top, r.right - title->TextBackRight, r.bottom};
    if (textRect.right > textRect.left)
        DrawTextWide(
            dc, text, textRect,
            FAttached.RightToLeft ? (DT_SINGLELINE | DT_END_ELLIPSIS | DT_RIGHT) : (DT_SINGLELINE | DT_END_ELLIPSIS));
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

void TSkinForm::PlaceSysButtons() {
    bool placedRight = false;
    int rightMost = 0;
    for (int i = 0; i < static_cast<int>(FSysButtons.size()); ++i) {
        TWinSysButton& b = *FSysButtons[static_cast<std::size_t>(i)];
        if (!SysButtonVisible(i)) continue;
        const SIZE size = ButtonSize(*b.Data, FPainted.IconSize);
        if (size.cx <= 0 || size.cy <= 0) {
            b.Visible = false;  // nothing to show and nothing to hit
            continue;
        }
        const TDataSkinSysButton& d = *b.Data;
        int left = 0, top = 0;
        switch (d.Align) {
            case sbalLeftEdge:
                left = d.XCoord;
                top = d.YCoord;
                break;
            case sbalRightEdge:
                left = FPainted.WindowWidth - d.XCoord;
                top = d.YCoord;
                if (!placedRight || left > rightMost) rightMost = left;
                placedRight = true;
                break;
            case sbalBeforeCaption:
            case sbalBeforeCaptionToo:
                left = FPainted.CaptionRect.left - size.cx - d.XCoord;
                top = d.YCoord;
                break;
            case sbalAfterCaption:
            case sbalAfterCaptionToo:
                left = FPainted.CaptionRect.right + d.XCoord;
                top = d.YCoord;
                break;
            case sbalMenuBand: {
                top = FFrame.Top + (FFrame.MenuHeight - size.cy) / 2;
                const int bar = FSkinData->MenuBar ? FSkinData->MenuBar->LeftWidth : 0;
                left = FAttached.RightToLeft ? FFrame.Left + d.XCoord + bar
                                             : FPainted.WindowWidth - d.XCoord - FFrame.Right - bar;
                break;
            }
            default:
                break;
        }
        b.Rect = RECT{left, top, left + size.cx, top + size.cy};
    }
    if (placedRight) FPainted.ButtonsLeft = rightMost;
}

void TSkinForm::PaintSysButtons(HDC dc) {
    for (std::size_t i = 0; i < FSysButtons.size(); ++i) {
        const TWinSysButton& b = *FSysButtons[i];
        if (!b.Visible || b.Data->Visibility == sbvMdiChildMaximized) continue;  // the menu band paints those
        if (IsIconAction(b.Data->Action)) {
            PutSysButtonFace(dc, i, 0);
            continue;
        }
        if (b.Data->Bitmap.Empty()) continue;
        PutSysButtonFace(dc, i, (!FActive && Frames(b.Data) >= kButtonExtraFrame) ? kButtonExtraFrame : ncsNormal);
    }
}

// Image frame 0 stands for the window icon.
void TSkinForm::PutSysButtonFace(HDC dc, std::size_t index, int frame) {
    const TWinSysButton& b = *FSysButtons[index];
    const int key = static_cast<int>(index) << 4 | frame << 1 | (FActive ? 1 : 0);
    if (IsIconAction(b.Data->Action)) {
        const RECT r{b.Rect.left, b.Rect.top, b.Rect.left + FPainted.IconSize, b.Rect.top + FPainted.IconSize};
        ForgetIconFaces(WindowIcon(FHandle));
        PutFace(dc, key, r, [&](HDC to) { DrawIcon(to, r.left, r.top); });
        return;
    }
    PutFace(dc, key, b.Rect,
            [&](HDC to) { DrawSkinFrame(to, b.Rect, b.Data->Bitmap.Handle(), true, Frames(b.Data), frame); });
}

void TSkinForm::ForgetIconFaces(HICON icon) {
    if (icon == FPainted.FacesIcon) return;
    FPainted.FacesIcon = icon;
    auto& faces = FPainted.Faces;
    faces.erase(std::remove_if(faces.begin(), faces.end(),
                               [&](const TKeptFace& f) {
                                   const std::size_t index = static_cast<std::size_t>(f.Key >> 4);
                                   return index < FSysButtons.size() && IsIconAction(FSysButtons[index]->Data->Action);
                               }),
                faces.end());
}

void TSkinForm::PutFace(HDC dc, int key, const RECT& r, const std::function<void(HDC)>& draw) {
    const TTitleCache& title = FPainted.Title;
    const int w = r.right - r.left, h = r.bottom - r.top;
    // Only faces drawn into the composed title are kept: their pixels are ours to read.
    if (!title.Bits || w <= 0 || h <= 0 || r.left < 0 || r.top < 0 || r.right > title.Width ||
        r.bottom > title.Height || ::GetCurrentObject(dc, OBJ_BITMAP) != title.Bitmap.Get()) {
        draw(dc);
        return;
    }
    auto line = [&](int y) {
        return title.Bits + static_cast<std::size_t>(r.top + y) * static_cast<std::size_t>(title.Width) +
               static_cast<std::size_t>(r.left);
    };
    const std::size_t row = static_cast<std::size_t>(w);
    ::GdiFlush();
    std::vector<std::uint32_t> under(row * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) std::copy(line(y), line(y) + w, under.begin() + static_cast<std::ptrdiff_t>(row * y));
    auto& faces = FPainted.Faces;
    auto kept = std::find_if(faces.begin(), faces.end(), [&](const TKeptFace& f) { return f.Key == key; });
    if (kept != faces.end() && kept->Width == w && kept->Height == h && kept->Under == under) {
        for (int y = 0; y < h; ++y) std::copy_n(kept->Over.begin() + static_cast<std::ptrdiff_t>(row * y), w, line(y));
        return;
    }
    draw(dc);
    ::GdiFlush();
    TKeptFace face{key, w, h, std::move(under), std::vector<std::uint32_t>(row * static_cast<std::size_t>(h))};
    for (int y = 0; y < h; ++y)
        std::copy(line(y), line(y) + w, face.Over.begin() + static_cast<std::ptrdiff_t>(row * y));
    if (kept != faces.end())
        *kept = std::move(face);
    else
        faces.push_back(std::move(face));
}

void TSkinForm::UpdateRegion() { Reshape(true); }

void TSkinForm::Reshape(bool redraw) {
    if (FSkinState == TSkinState::Dead || WindowGone() || !Hooked() || !FSkinData) return;
    if (IsMDIChildNotNormal()) return;
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0) return;
    if (FRegion.Owned && w == FRegion.Width && h == FRegion.Height && FMDIRole != TMDIRole::Child &&
        FSkinState != TSkinState::Reskinning)
        return;
    FRegion.Width = w;
    FRegion.Height = h;
    TRegionHandle region = MakeRegion(w, h);
    if (!region) return;
    if (::SetWindowRgn(FHandle, region.Get(), redraw)) {
        (void)region.Release();  // the window owns it from now on
        FRegion.Owned = true;
    }
    // On failure `region` is deleted here.
}

TRegionHandle TSkinForm::MakeRegion(int w, int h) {
    auto trans = [](const TDataSkinBorder* b) { return b && b->Trans != 0 && !b->Bitmap.Empty(); };
    auto cutFromBitmap = [&](TBorderPart part) {
        const TDataSkinBorder* b = Border(part);
        return trans(b) && b->Trans == kBorderCutMagenta;
    };
    FRegion.ScannedBands = 0;
    const TBorderPart parts[] = {TBorderPart::Left, TBorderPart::Right, TBorderPart::Top, TBorderPart::Bottom};
    if (std::none_of(std::begin(parts), std::end(parts), [&](TBorderPart part) { return trans(Border(part)); }))
        return TRegionHandle(::CreateRectRgn(0, 0, w, h));

    // Client and menu band (as a rectangle region takes it: corners in any order), then the bands: each from
    // rectangles where the border's mask gives them, else from a painted bitmap, joined at the end.
    std::vector<RECT> rects{RECT{std::min(FFrame.Left, w - FFrame.Right), std::min(FFrame.Top, h - FFrame.Bottom),
                                 std::max(FFrame.Left, w - FFrame.Right), std::max(FFrame.Top, h - FFrame.Bottom)}};
    std::vector<TRegionHandle> scanned;
    auto addRect = [&](const RECT& r) {
        if (r.right <= r.left || r.bottom <= r.top) return;
        rects.push_back(r);
    };
    auto addBitmap = [&](HBITMAP bitmap, int x, int y) {
        scanned.push_back(RegionFromBitmap(bitmap, x, y, SkinKeyColor, 1, 1, 1));
        ++FRegion.ScannedBands;
    };
    // A band is cut from its border painted at its size, or taken whole.
    auto addBorder = [&](TBorderPart part, const RECT& band, bool fromBitmap) {
        const int bw = band.right - band.left, bh = band.bottom - band.top;
        if (bw <= 0 || bh <= 0) return;
        if (fromBitmap) {
            if (AppendBorderMask(part, band, rects)) return;
            if (const HBITMAP painted = ComposedBorder(part, bw, bh)) {
                addBitmap(painted, band.left, band.top);
                return;
            }
        }
        addRect(band);
    };
    if (FFrame.Kind != TFrameKind::NoFrame) {
        addBorder(TBorderPart::Left, RECT{0, 0, FFrame.Left, h}, cutFromBitmap(TBorderPart::Left) && h > 1);
        addBorder(TBorderPart::Right, RECT{w - FFrame.Right, 0, w, h}, cutFromBitmap(TBorderPart::Right) && h > 1);
        addBorder(TBorderPart::Bottom, RECT{FFrame.Left, h - FFrame.Bottom, w - FFrame.Right, h},
                  cutFromBitmap(TBorderPart::Bottom) && FFrame.Bottom >= 2);
        const RECT band{FFrame.Left, 0, w - FFrame.Right, FFrame.Top};
        const bool topFromBitmap = cutFromBitmap(TBorderPart::Top) && FFrame.Top > 1 && band.right > band.left;
        const TTitleCache& title = FPainted.Title;
        if (topFromBitmap && title.Fits(w, FFrame.Top) && title.Bits) {
            // The composed title (caption and buttons count), its band read where it lies.
            ::GdiFlush();
            scanned.push_back(RegionFromPixels(title.Bits + band.left, title.Width, band.right - band.left, FFrame.Top,
                                               band.left, 0, SkinKeyColor, 1, 1, 1));
            ++FRegion.ScannedBands;
        } else {
            addBorder(TBorderPart::Top, band, topFromBitmap);
        }
    }
    TRegionHandle region = RegionFromRects(rects);
    if (!region) return region;
    for (const TRegionHandle& part : scanned)
        if (part) ::CombineRgn(region.Get(), region.Get(), part.Get(), RGN_OR);
    return region;
}

void TSkinForm::DropRegion() {
    if (!FRegion.Owned) return;
    FPainted.ForgetComposed();
    ::SetWindowRgn(FHandle, nullptr, FMDIRole == TMDIRole::Child);
    FRegion.Owned = false;
    FRegion.Width = FRegion.Height = 0;
}

void TSkinForm::FitClientSize(bool refresh) {
    if (WindowGone()) return;
    if (FSizeState == TSizeState::Maximized || ::IsZoomed(FHandle)) {
        ::SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, kFrameChanged);
        return;
    }
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    int clientWidth = 0, clientHeight = 0;
    if (refresh) {
        // The client as it is now: the user may have resized the window since attach.
        ::GetClientRect(FHandle, &FAttached.ClientRect);
        clientWidth = FAttached.ClientRect.right - FAttached.ClientRect.left;
        clientHeight = FAttached.ClientRect.bottom - FAttached.ClientRect.top;
    } else {
        // The client the window has under its standard frame now (it may have been resized since attach).
        clientWidth = std::max(0, static_cast<int>(wr.right - wr.left) - static_cast<int>(FAttached.StandardFrame.cx));
        clientHeight = std::max(0, static_cast<int>(wr.bottom - wr.top) - static_cast<int>(FAttached.StandardFrame.cy));
    }
    int width = clientWidth + FFrame.Left + FFrame.Right;
    const int height = clientHeight + FFrame.Top + FFrame.Bottom + FFrame.MenuHeight;
    if (FAttached.IsDialog && !refresh && FSkinData && FSkinData->Title) {
        const std::wstring text = CaptionText();
        TWindowDC screen(nullptr);
        TSelectGuard font(screen, CaptionFontFor(text));
        RECT r{0, 0, 0, 0};
        DrawTextWide(screen, text, r, DT_CALCRECT | DT_SINGLELINE);
        FPainted.CaptionWidth = r.right - r.left;
        const int needed = FSkinData->Title->LeftWidth + FPainted.CaptionWidth + FSkinData->Title->RightWidth;
        if (width < needed) {
            const int shift = (needed - width) / 2;
            // Direct children only: grandchildren move with their parents.
            for (HWND child = ::GetWindow(FHandle, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
                RECT cr{};
                ::GetWindowRect(child, &cr);
                POINT p{cr.left, cr.top};
                ::ScreenToClient(FHandle, &p);
                ::SetWindowPos(child, nullptr, p.x + shift, p.y, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING | SWP_NOOWNERZORDER);
            }
            width = needed;
        }
    }
    ResizeKeepingCentre(width, height);
}

void TSkinForm::ResizeKeepingCentre(int width, int height) {
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    // SetWindowPos takes a child's position in its parent's client coordinates.
    const bool child = (::GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_CHILD) != 0;
    if (HWND parent = child ? ::GetAncestor(FHandle, GA_PARENT) : nullptr)
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&wr), 2);
    // Half the change on each side: a window centred on the screen (a message box) stays centred, and a fit
    // followed by the opposite fit puts the window back exactly where it was.
    const int left = wr.left + ((wr.right - wr.left) - width) / 2;
    const int top = wr.top + ((wr.bottom - wr.top) - height) / 2;
    ::SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qd
