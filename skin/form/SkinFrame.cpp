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

bool IconAction(int action) noexcept { return action == 3 || action == 11; }

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
        if (IconAction(d.Action)) return SIZE{iconSize, iconSize};
        return SIZE{0, 0};
    }
    const int frames = IconAction(d.Action) ? 1 : Frames(&d);
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
    HotObject = nullptr;                             // the objects it may point at are about to go
    if (FrameKind == TFrameKind::NoFrame) {
        FrameLeft = FrameTop = FrameRight = FrameBottom = 0;
        MenuHeight = 0;
    } else {
        auto width = [](const TDataSkinBorder* b) { return b ? b->Bitmap.Width() / Frames(b) : 0; };
        auto height = [](const TDataSkinBorder* b) { return b ? b->Bitmap.Height() / Frames(b) : 0; };
        FrameTop = height(FSkinData->BorderTop.get());
        FrameLeft = width(FSkinData->BorderLeft.get());
        FrameRight = width(FSkinData->BorderRight.get());
        FrameBottom = height(FSkinData->BorderBottom.get());
    }
    SysButtons.clear();
    for (auto& entry : FSkinData->SysButtons) SysButtons.push_back(std::make_unique<TWinSysButton>(this, entry.get()));
    SysButtonCount = static_cast<int>(SysButtons.size());
    // The skin's default icon is filled from the first real window icon (never from an empty magenta square).
    for (auto& entry : FSkinData->SysButtons) {
        if (IconAction(entry->Action) && FSkinData->DefaultIcon.Empty() && IconBitmap && IconHandle) {
            TMemoryDC src(nullptr);
            const SIZE s = BitmapSize(IconBitmap.Get());
            FSkinData->DefaultIcon.SetSize(s.cx, s.cy);
            TSelectGuard sel(src, IconBitmap.Get());
            ::BitBlt(FSkinData->DefaultIcon.Canvas().Handle(), 0, 0, s.cx, s.cy, src, 0, 0, SRCCOPY);
            FSkinData->DefaultIcon.Dormant();
        }
    }
}

void TSkinForm::RenderIcon() {
    IconSize = ::GetSystemMetrics(SM_CXSMICON);
    const int cy = ::GetSystemMetrics(SM_CYSMICON);
    TWindowDC screen(nullptr);
    TBitmapHandle bitmap(::CreateCompatibleBitmap(screen, IconSize, cy));
    if (!bitmap) return;
    TMemoryDC mem(screen);
    {
        TSelectGuard sel(mem, bitmap.Get());
        TBrushHandle magenta(::CreateSolidBrush(SkinKeyColor));
        RECT r{0, 0, IconSize, cy};
        ::FillRect(mem, &r, magenta.Get());
        IconHandle = WindowIcon(FHandle);
        if (IconHandle) {
            ::DrawIconEx(mem, 0, 0, IconHandle, IconSize, cy, 0, nullptr, DI_NORMAL);
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
                ::StretchBlt(mem, 0, 0, IconSize, cy, src, 0, 0, fallback->Width(), fallback->Height(), SRCCOPY);
            }
        }
    }
    IconBitmap = std::move(bitmap);
}

void TSkinForm::DrawIcon(HDC dc, int x, int y) {
    // Fetched when painting: the window may have changed its icon since attach.
    if (HICON icon = WindowIcon(FHandle)) {
        ::DrawIconEx(dc, x, y, icon, IconSize, IconSize, 0, nullptr, DI_NORMAL);
    } else if (IconBitmap) {
        RECT r{x, y, x + IconSize, y + IconSize};
        TransparentBlit(dc, r, IconBitmap.Get(), SkinKeyColor);
    }
}

LRESULT TSkinForm::NCCalcSize(WPARAM wParam, LPARAM lParam) {
    if (!lParam) return CallOldProc(WM_NCCALCSIZE, wParam, lParam);
    // The proposed window rectangle, before the previous procedure takes its own frame off it.
    const RECT proposed = *reinterpret_cast<RECT*>(lParam);
    LRESULT result = CallOldProc(WM_NCCALCSIZE, wParam, lParam);
    auto deflate = [&](RECT& r) {
        r.left = proposed.left + FrameLeft;
        r.top = proposed.top + FrameTop + MenuHeight;
        r.right = std::max(r.left, proposed.right - FrameRight);
        r.bottom = std::max(r.top, proposed.bottom - FrameBottom);
    };
    if (IsMDIChildNotNormal() || FrameKind == TFrameKind::NoFrame) {
        if (LOBYTE(wParam) == 0) return result;
        auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
        p->rgrc[1] = p->rgrc[0];
        return WVR_VALIDRECTS;
    }
    if (LOBYTE(wParam) == 0) {
        deflate(*reinterpret_cast<RECT*>(lParam));
        return 0;
    }
    auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
    deflate(p->rgrc[0]);
    p->rgrc[1] = p->rgrc[0];
    return WVR_VALIDRECTS;
}

LRESULT TSkinForm::NCActivate(WPARAM wParam, LPARAM) {
    Active = LOBYTE(LOWORD(wParam));
    if (HoverTimer) HoverTimer->SetEnabled(Active != 0);
    if (!Active) LeaveHotButton();
    if (FMDIRole == TMDIRole::Frame && MDIClient && ::IsWindow(MDIClient))
        ::SendMessageW(MDIClient, WM_NCACTIVATE, wParam, 0);
    if (!IsMDIChildNotNormal()) PaintFrame();
    return 1;
}

LRESULT TSkinForm::NCPaint(WPARAM wParam, LPARAM lParam) {
    if (!FSkinData || !FSkinData->AllowNCPaint) return 0;
    if (IsMDIChildNotNormal() || FrameKind == TFrameKind::NoFrame) return CallOldProc(WM_NCPAINT, wParam, lParam);
    PaintFrame();
    return 0;
}

void TSkinForm::PaintFrame(HDC dc) {
    if (FSkinState != TSkinState::Running && FSkinState != TSkinState::Reskinning) return;
    if (FrameKind == TFrameKind::NoFrame || IsMDIChildNotNormal() || !FSkinData || WindowGone()) return;
    TWindowDC own;
    if (!dc) {
        own = TWindowDC(FHandle, TWindowDC::TArea::Window);
        dc = own.Get();
        if (!dc) return;
    }
    // A failure leaves the frame as it is: the next paint tries again.
    CallSwallowing([&] {
        ::GetWindowRect(FHandle, &WindowRect);
        WindowWidth = WindowRect.right - WindowRect.left;
        WindowHeight = WindowRect.bottom - WindowRect.top;
        PaintBorder(1, RECT{0, 0, FrameLeft, WindowHeight}, dc);
        PaintBorder(2, RECT{WindowWidth - FrameRight, 0, WindowWidth, WindowHeight}, dc);
        PaintBorder(4, RECT{FrameLeft, WindowHeight - FrameBottom, WindowWidth - FrameRight, WindowHeight}, dc);
        PaintTitle(dc);
    });
    HotObject = nullptr;
}

void TSkinForm::PaintBorder(int part, RECT rect, HDC dc) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0 || !FSkinData) return;
    const TDataSkinBorder* border = nullptr;
    switch (part) {
        case 1:
            border = FSkinData->BorderLeft.get();
            break;
        case 2:
            border = FSkinData->BorderRight.get();
            break;
        case 3:
            border = FSkinData->BorderTop.get();
            break;
        case 4:
            border = FSkinData->BorderBottom.get();
            break;
        default:
            return;
    }
    if (!border || border->Bitmap.Empty()) return;
    const int frames = Frames(border);
    const int frame = (Active || frames == 1) ? 1 : 2;
    const bool vertical = part == 3 || part == 4;
    TBitmapHandle composed = BuildNineSliceBitmap(RECT{0, 0, w, h}, border->Bitmap.Handle(), border->Margins(), frame,
                                                  frames, border->Tile != 1, vertical);
    if (!composed) return;
    TMemoryDC mem(dc);
    TSelectGuard sel(mem, composed.Get());
    ::BitBlt(dc, rect.left, rect.top, w, h, mem, 0, 0, SRCCOPY);
}

void TSkinForm::PaintTitle(HDC dc) {
    const int w = WindowWidth, h = FrameTop;
    if (w <= 0 || h <= 0) return;
    if (!TitleBitmap || TitleWidth != w || TitleHeight != h) {
        EmptyTitleBitmap();
        // Platform quirk (Wine): a device-compatible bitmap lives in the X server, and the key-colour blits of the
        // caption buttons read it back pixel by pixel (milliseconds per paint). A DIB section stays in our memory.
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        TitleBitmap.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!TitleBitmap) return;
        TitleWidth = w;
        TitleHeight = h;
    }
    TMemoryDC mem(dc);
    {
        TSelectGuard sel(mem, TitleBitmap.Get());
        ::BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY);
        const RECT area{FrameLeft, 0, w - FrameRight, h};
        PaintBorder(3, area, mem);
        PaintCaption(mem, area);
        PlaceSysButtons();
        PaintSysButtons(mem);
        ::BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    }
    ::SetBkMode(dc, OPAQUE);
}

std::wstring TSkinForm::CaptionText() const {
    std::wstring text;
    const int length = ::GetWindowTextLengthW(FHandle);
    if (length > 0) {
        text.resize(static_cast<std::size_t>(std::min(length, 4096)) + 1);
        const int got = ::GetWindowTextW(FHandle, text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<std::size_t>(std::max(got, 0)));
    }
    return CaptionPrefix + text + CaptionSuffix;
}

HFONT TSkinForm::CaptionFontFor(const std::wstring& text) {
    const HFONT caption = CaptionFont ? CaptionFont.Get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
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
        dc, SkinColorToRGB(Active ? FSkinData->TitleTextActiveColor : FSkinData->TitleTextNoActiveColor));

    RECT r{area.left, area.top, area.left, area.top};
    DrawTextWide(dc, text, r, DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE);
    r.right += title->TextBackLeft + title->TextBackRight;
    const int textWidth = r.right - r.left, textHeight = r.bottom - r.top;
    const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    int dx = 0;
    if (RightToLeft) {
        dx = areaWidth - title->RightWidth - textWidth;
    } else {
        switch (title->TextAlignment) {
            case 0:
                dx = title->LeftWidth;
                break;
            case 1:
                dx = (areaWidth - textWidth) / 2;
                break;
            case 2:
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
    if (Style & WS_POPUP) limit = ButtonsLeft > 5 ? ButtonsLeft - 5 : r.right;
    if (limit < r.right) r.right = limit;
    if (FrameKind == TFrameKind::Dialog && title->TextAlignment == 0) r.left -= 16;
    CaptionRect = r;
    if (!title->Bitmap.Empty() && r.right > r.left) {
        const TSliceMargins caps{title->TextBackLeft, 0, title->TextBackRight, 0};
        DrawThreeSlice(dc, RECT{r.left, area.top, r.right, area.bottom}, title->Bitmap.Handle(), caps, Active ? 1 : 2,
                       2, true, true);
    }
    RECT textRect{r.left + title->TextBackLeft, r.top, r.right - title->TextBackRight, r.bottom};
    if (textRect.right > textRect.left)
        DrawTextWide(dc, text, textRect,
                     RightToLeft ? (DT_SINGLELINE | DT_END_ELLIPSIS | DT_RIGHT) : (DT_SINGLELINE | DT_END_ELLIPSIS));
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

void TSkinForm::PlaceSysButtons() {
    bool placedRight = false;
    int rightMost = 0;
    for (int i = 0; i < static_cast<int>(SysButtons.size()); ++i) {
        TWinSysButton& b = *SysButtons[static_cast<std::size_t>(i)];
        if (!SysButtonVisible(i)) continue;
        const SIZE size = ButtonSize(*b.Data, IconSize);
        if (size.cx <= 0 || size.cy <= 0) {
            b.Visible = false;  // nothing to show and nothing to hit
            continue;
        }
        const TDataSkinSysButton& d = *b.Data;
        int left = 0, top = 0;
        switch (d.Align) {
            case 0:
                left = d.XCoord;
                top = d.YCoord;
                break;
            case 1:
                left = WindowWidth - d.XCoord;
                top = d.YCoord;
                if (!placedRight || left > rightMost) rightMost = left;
                placedRight = true;
                break;
            case 2:
            case 8:
                left = CaptionRect.left - size.cx - d.XCoord;
                top = d.YCoord;
                break;
            case 3:
            case 9:
                left = CaptionRect.right + d.XCoord;
                top = d.YCoord;
                break;
            case 100: {
                top = FrameTop + (MenuHeight - size.cy) / 2;
                const int bar = FSkinData->MenuBar ? FSkinData->MenuBar->LeftWidth : 0;
                left = RightToLeft ? FrameLeft + d.XCoord + bar : WindowWidth - d.XCoord - FrameRight - bar;
                break;
            }
            default:
                break;
        }
        b.Rect = RECT{left, top, left + size.cx, top + size.cy};
    }
    if (placedRight) ButtonsLeft = rightMost;
}

void TSkinForm::PaintSysButtons(HDC dc) {
    for (auto& bp : SysButtons) {
        TWinSysButton& b = *bp;
        if (!b.Visible || b.Data->Visibility == 100) continue;
        if (IconAction(b.Data->Action)) {
            DrawIcon(dc, b.Rect.left, b.Rect.top);
            continue;
        }
        if (b.Data->Bitmap.Empty()) continue;
        const int frames = Frames(b.Data);
        const int frame = (!Active && frames >= 4) ? 4 : 1;
        DrawSkinFrame(dc, b.Rect, b.Data->Bitmap.Handle(), true, frames, frame);
    }
}

void TSkinForm::UpdateRegion() {
    if (FSkinState == TSkinState::Dead || WindowGone() || !Hooked() || !FSkinData) return;
    if (IsMDIChildNotNormal()) return;
    RECT wr{};
    ::GetWindowRect(FHandle, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0) return;
    if (RegionOwned && w == RegionWidth && h == RegionHeight && FMDIRole != TMDIRole::Child &&
        FSkinState != TSkinState::Reskinning)
        return;
    auto trans = [](const TDataSkinBorder* b) { return b && b->Trans != 0 && !b->Bitmap.Empty(); };
    const TDataSkinBorder *left = FSkinData->BorderLeft.get(), *right = FSkinData->BorderRight.get(),
                          *top = FSkinData->BorderTop.get(), *bottom = FSkinData->BorderBottom.get();
    TRegionHandle region;
    RegionWidth = w;
    RegionHeight = h;
    if (!trans(left) && !trans(right) && !trans(top) && !trans(bottom)) {
        region.Reset(::CreateRectRgn(0, 0, w, h));
    } else {
        region.Reset(::CreateRectRgn(FrameLeft, FrameTop, w - FrameRight, h - FrameBottom));
        if (!region) return;
        auto addRect = [&](int l, int t, int r, int b) {
            if (r <= l || b <= t) return;
            TRegionHandle part(::CreateRectRgn(l, t, r, b));
            if (part) ::CombineRgn(region.Get(), region.Get(), part.Get(), RGN_OR);
        };
        auto addBitmap = [&](HBITMAP bitmap, int x, int y) {
            TRegionHandle part = RegionFromBitmap(bitmap, x, y, SkinKeyColor, 1, 1, 1);
            if (part) ::CombineRgn(region.Get(), region.Get(), part.Get(), RGN_OR);
        };
        auto addBorder = [&](int part, const TDataSkinBorder* b, RECT band, bool fromBitmap) {
            const int bw = band.right - band.left, bh = band.bottom - band.top;
            if (bw <= 0 || bh <= 0) return;
            if (fromBitmap) {
                const int frames = Frames(b);
                TBitmapHandle painted =
                    BuildNineSliceBitmap(RECT{0, 0, bw, bh}, b->Bitmap.Handle(), b->Margins(),
                                         (Active || frames == 1) ? 1 : 2, frames, b->Tile != 1, part == 3 || part == 4);
                if (painted) {
                    addBitmap(painted.Get(), band.left, band.top);
                    return;
                }
            }
            addRect(band.left, band.top, band.right, band.bottom);
        };
        if (FrameKind != TFrameKind::NoFrame) {
            addBorder(1, left, RECT{0, 0, FrameLeft, h}, trans(left) && left->Trans == 1 && h > 1);
            addBorder(2, right, RECT{w - FrameRight, 0, w, h}, trans(right) && right->Trans == 1 && h > 1);
            addBorder(4, bottom, RECT{FrameLeft, h - FrameBottom, w - FrameRight, h},
                      trans(bottom) && bottom->Trans == 1 && FrameBottom >= 2);
            const RECT band{FrameLeft, 0, w - FrameRight, FrameTop};
            const bool topFromBitmap = trans(top) && top->Trans == 1 && FrameTop > 1 && band.right > band.left;
            if (topFromBitmap && TitleBitmap && TitleWidth == w && TitleHeight == FrameTop) {
                // The composed title (caption and buttons count), cut to the band.
                TWindowDC screen(nullptr);
                TBitmapHandle cut(::CreateCompatibleBitmap(screen, band.right - band.left, FrameTop));
                TMemoryDC src(screen), dst(screen);
                if (cut) {
                    {
                        TSelectGuard s1(src, TitleBitmap.Get());
                        TSelectGuard s2(dst, cut.Get());
                        ::BitBlt(dst, 0, 0, band.right - band.left, FrameTop, src, band.left, 0, SRCCOPY);
                    }
                    addBitmap(cut.Get(), band.left, 0);
                } else {
                    addRect(band.left, band.top, band.right, band.bottom);
                }
            } else {
                addBorder(3, top, band, topFromBitmap);
            }
        }
    }
    if (!region) return;
    if (::SetWindowRgn(FHandle, region.Get(), TRUE)) {
        (void)region.Release();  // the window owns it from now on
        RegionOwned = true;
    }
    // On failure `region` is deleted here.
}

void TSkinForm::DropRegion() {
    if (!RegionOwned) return;
    EmptyTitleBitmap();
    ::SetWindowRgn(FHandle, nullptr, FMDIRole == TMDIRole::Child);
    RegionOwned = false;
    RegionWidth = RegionHeight = 0;
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
        ::GetClientRect(FHandle, &AttachClientRect);
        clientWidth = AttachClientRect.right - AttachClientRect.left;
        clientHeight = AttachClientRect.bottom - AttachClientRect.top;
    } else {
        // The client the window has under its standard frame now (it may have been resized since attach).
        clientWidth = std::max(0, static_cast<int>(wr.right - wr.left) - static_cast<int>(StandardFrameSize.right));
        clientHeight = std::max(0, static_cast<int>(wr.bottom - wr.top) - static_cast<int>(StandardFrameSize.bottom));
    }
    int width = clientWidth + FrameLeft + FrameRight;
    const int height = clientHeight + FrameTop + FrameBottom + MenuHeight;
    if (IsDialog && !refresh && FSkinData && FSkinData->Title) {
        const std::wstring text = CaptionText();
        TWindowDC screen(nullptr);
        TSelectGuard font(screen, CaptionFontFor(text));
        RECT r{0, 0, 0, 0};
        DrawTextWide(screen, text, r, DT_CALCRECT | DT_SINGLELINE);
        CaptionWidth = r.right - r.left;
        const int needed = FSkinData->Title->LeftWidth + CaptionWidth + FSkinData->Title->RightWidth;
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
