// Frame pixels painted from our skin into a memory DC (Wine's PrintWindow does not capture a self-painted
// non-client area), button placement and the caption.

#include "SkinFormTestSupport.h"
#include "support/Pump.h"

#include <functional>

#include "framework/Forms.h"

namespace qd::test {
namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);

// Paints the skinner's frame into a window-sized memory bitmap pre-filled with the sentinel colour.
class TFramePicture {
public:
    TFramePicture(TSkinForm& s, HWND wnd) {
        RECT wr{};
        ::GetWindowRect(wnd, &wr);
        Width = wr.right - wr.left;
        Height = wr.bottom - wr.top;
        TWindowDC screen(nullptr);
        Bitmap.Reset(::CreateCompatibleBitmap(screen, Width, Height));
        DC = TMemoryDC(screen);
        Old = ::SelectObject(DC, Bitmap.Get());
        TBrushHandle fill(::CreateSolidBrush(kSentinel));
        RECT all{0, 0, Width, Height};
        ::FillRect(DC, &all, fill.Get());
        s.PaintFrame(DC);
    }
    ~TFramePicture() { ::SelectObject(DC, Old); }
    COLORREF At(int x, int y) const { return ::GetPixel(DC, x, y) & 0xFFFFFF; }
    void Save(const char* path) const {
        TBitmap copy;
        copy.SetSize(Width, Height);
        ::BitBlt(copy.Canvas().Handle(), 0, 0, Width, Height, DC, 0, 0, SRCCOPY);
        copy.Dormant();
        auto bytes = copy.SaveToBmpBytes();
        if (FILE* f = std::fopen(path, "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
    int Width = 0, Height = 0;
    TBitmapHandle Bitmap;
    TMemoryDC DC;
    HGDIOBJ Old = nullptr;
};

// Pixel (x, y) of frame `frame` of a strip (side by side).
COLORREF StripPixel(const TBitmap& bmp, int frames, int frame, int x, int y) {
    const int fw = bmp.Width() / frames;
    const std::uint32_t p = const_cast<TBitmap&>(bmp).ScanLine(y)[(frame - 1) * fw + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// Frame pixels on the screen (inside the window's region) that differ from the picture; a maximised window's
// borders beyond the screen's edges are not counted.
int FramePixelsOffPicture(HWND wnd, const TFrameMetrics& frame, const TFramePicture& picture) {
    RECT wr{};
    ::GetWindowRect(wnd, &wr);
    const RECT screen{-wr.left, -wr.top, ::GetSystemMetrics(SM_CXSCREEN) - wr.left,
                      ::GetSystemMetrics(SM_CYSCREEN) - wr.top};
    const TScreenShot shot = ShootWindow(wnd);
    int differ = 0;
    ForEachFramePixel(wnd, frame, picture.Width, picture.Height, [&](int x, int y) {
        if (::PtInRect(&screen, POINT{x, y})) differ += shot.At(x, y) != picture.At(x, y);
    });
    return differ;
}

using SkinFramePaint = SkinFormFixture;

TEST_F(SkinFramePaint, PaintsEveryBandAndLeavesTheClientAlone) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    TFramePicture pic(s, Wnd);
    pic.Save("skin_frame_active.bmp");  // kept for a person to look at
    for (int y = 0; y < pic.Height; y += 7) {
        ASSERT_NE(pic.At(frame.Left / 2, y), kSentinel) << "left border, y " << y;
        ASSERT_NE(pic.At(pic.Width - 1 - frame.Right / 2, y), kSentinel) << "right border, y " << y;
    }
    for (int x = frame.Left; x < pic.Width - frame.Right; x += 5) {
        ASSERT_NE(pic.At(x, frame.Top / 2), kSentinel) << "title, x " << x;
        ASSERT_NE(pic.At(x, pic.Height - 1 - frame.Bottom / 2), kSentinel) << "bottom, x " << x;
    }
    EXPECT_EQ(pic.At(pic.Width / 2, pic.Height / 2), kSentinel);
    EXPECT_EQ(pic.At(frame.Left, frame.Top), kSentinel);
}

TEST_F(SkinFramePaint, BottomBorderShowsItsActiveAndInactiveFrames) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    const TDataSkinBorder& bottom = *OurSkin().BorderBottom;
    ASSERT_EQ(bottom.FrameCount, 2);
    // The frames are stacked; a painted bottom pixel must come from the same row of the frame in force.
    const int fh = bottom.Bitmap.Height() / 2;
    const int row = frame.Bottom - 1 - frame.Bottom / 2;
    auto inFrameRow = [&](int frame, COLORREF c) {
        const std::uint32_t* line = const_cast<TBitmap&>(bottom.Bitmap).ScanLine((frame - 1) * fh + row);
        for (int x = 0; x < bottom.Bitmap.Width(); ++x)
            if (RGB((line[x] >> 16) & 0xFF, (line[x] >> 8) & 0xFF, line[x] & 0xFF) == c) return true;
        return false;
    };
    COLORREF active = 0, inactive = 0;
    ::SendMessageW(Wnd, WM_NCACTIVATE, TRUE, 0);
    {
        TFramePicture pic(s, Wnd);
        active = pic.At(pic.Width / 2, pic.Height - 1 - frame.Bottom / 2);
        EXPECT_TRUE(inFrameRow(1, active)) << std::hex << active;
    }
    ::SendMessageW(Wnd, WM_NCACTIVATE, FALSE, 0);
    {
        TFramePicture pic(s, Wnd);
        pic.Save("skin_frame_inactive.bmp");
        inactive = pic.At(pic.Width / 2, pic.Height - 1 - frame.Bottom / 2);
        EXPECT_TRUE(inFrameRow(2, inactive)) << std::hex << inactive;
    }
}

TEST_F(SkinFramePaint, ReloadedSkinDataIsComposedAfresh) {
    // Bands composed from the images of the skin before a reload must not be reused: the new images may even
    // have the old handle values.
    MakeWindow();
    TSkinForm& s = Skin();
    { TFramePicture pic(s, Wnd); }
    for (const TComposedBorder& kept : s.View().Painted.Borders) EXPECT_TRUE(kept.Bitmap);
    s.ReloadSkinData(&OurSkin());
    for (const TComposedBorder& kept : s.View().Painted.Borders) EXPECT_FALSE(kept.Bitmap);
}

TEST_F(SkinFramePaint, CaptionButtonsArePaintedFromTheirFirstFrame) {
    MakeWindow();
    TSkinForm& s = Skin();
    ::SendMessageW(Wnd, WM_NCACTIVATE, TRUE, 0);
    TFramePicture pic(s, Wnd);
    int checked = 0;
    for (auto& b : s.View().SysButtons) {
        if (!b->Visible || b->Data->Bitmap.Empty() || b->Data->Action == 3 || b->Data->Action == 11 ||
            b->Data->Visibility == 100)
            continue;
        const int frames = b->Data->FrameCount > 0 ? b->Data->FrameCount : 1;
        const int cx = (b->Rect.right - b->Rect.left) / 2, cy = (b->Rect.bottom - b->Rect.top) / 2;
        const COLORREF want = StripPixel(b->Data->Bitmap, frames, 1, cx, cy);
        if (want == RGB(255, 0, 255)) continue;
        EXPECT_EQ(pic.At(b->Rect.left + cx, b->Rect.top + cy), want) << "button action " << b->Data->Action;
        ++checked;
    }
    EXPECT_GE(checked, 2);
}

// Key-colour pixels of the picture that lie inside the window's region (what the screen would show).
int KeyPixelsOnScreen(const TFramePicture& pic, HWND wnd) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(pic.Width) * pic.Height);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), pic.Width, -pic.Height, 1, 32, BI_RGB};
    ::GetDIBits(pic.DC, pic.Bitmap.Get(), 0, pic.Height, px.data(), &bi, DIB_RGB_COLORS);
    TRegionHandle rgn(::CreateRectRgn(0, 0, 0, 0));
    const bool shaped = ::GetWindowRgn(wnd, rgn.Get()) != ERROR;
    int count = 0;
    for (int y = 0; y < pic.Height; ++y)
        for (int x = 0; x < pic.Width; ++x)
            if ((px[static_cast<std::size_t>(y) * pic.Width + x] & 0xFFFFFF) == 0xFF00FF &&
                (!shaped || ::PtInRegion(rgn.Get(), x, y)))
                ++count;
    return count;
}

TEST_F(SkinFramePaint, NoKeyColourReachesTheScreenInAnyState) {
    MakeWindow();
    TSkinForm& s = Skin();
    for (const int show : {SW_RESTORE, SW_MAXIMIZE}) {
        ::ShowWindow(Wnd, show);
        PumpPending();
        for (const BOOL active : {TRUE, FALSE}) {
            ::SendMessageW(Wnd, WM_NCACTIVATE, active, 0);
            TFramePicture pic(s, Wnd);
            const std::string where =
                (show == SW_MAXIMIZE ? "maximised" : "restored") + std::string(active ? " active" : " inactive");
            EXPECT_EQ(KeyPixelsOnScreen(pic, Wnd), 0) << where;
            for (auto& b : s.View().SysButtons) {
                if (!b->Visible) continue;
                for (const int state : {ncsPressed, ncsHot}) {
                    s.PaintSysButtonState(*b, state, pic.DC);
                    EXPECT_EQ(KeyPixelsOnScreen(pic, Wnd), 0)
                        << where << ", button action " << b->Data->Action << " state " << state;
                }
            }
        }
    }
}

TEST_F(SkinFramePaint, MaximizedTheCaptionAndTheClientFillTheWorkAreaExactly) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    ::ShowWindow(Wnd, SW_MAXIMIZE);
    PumpPending();
    RECT work{}, window{}, client{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(Wnd, &window);
    ::GetClientRect(Wnd, &client);
    ::MapWindowPoints(Wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(window.top, work.top);
    EXPECT_EQ(client.top, work.top + frame.Top + frame.MenuHeight);
    EXPECT_EQ(client.left, work.left);
    EXPECT_EQ(client.right, work.right);
    EXPECT_EQ(client.bottom, work.bottom);
}

TEST_F(SkinFramePaint, RightAlignedButtonsFollowTheRightEdge) {
    MakeWindow();
    TSkinForm& s = Skin();
    TFramePicture small(s, Wnd);
    std::vector<RECT> before;
    for (auto& b : s.View().SysButtons) before.push_back(b->Rect);
    ::SetWindowPos(Wnd, nullptr, 0, 0, small.Width + 100, small.Height, SWP_NOMOVE | SWP_NOZORDER);
    TFramePicture wide(s, Wnd);
    int moved = 0;
    for (std::size_t i = 0; i < s.View().SysButtons.size(); ++i) {
        const auto& b = *s.View().SysButtons[i];
        if (!b.Visible || b.Data->Align != 1) continue;
        EXPECT_EQ(b.Rect.left - before[i].left, 100);
        EXPECT_EQ(b.Rect.top, before[i].top);
        ++moved;
    }
    EXPECT_GE(moved, 1);
    EXPECT_GT(s.View().Painted.ButtonsLeft, wide.Width / 2);
}

TEST_F(SkinFramePaint, CaptionIsClippedBeforeTheButtons) {
    MakeWindow(WS_OVERLAPPEDWINDOW, L"", 300, 200);
    std::wstring longText(200, L'W');
    ::SetWindowTextW(Wnd, longText.c_str());
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    TFramePicture pic(s, Wnd);
    const TDataSkinTitle& title = *OurSkin().Title;
    EXPECT_LE(s.View().Painted.CaptionRect.right, pic.Width - frame.Right - title.RightWidth);
    EXPECT_EQ(s.View().Painted.CaptionRect.left, frame.Left + title.LeftWidth);
}

TEST_F(SkinFramePaint, SameSizeDoesNotRebuildTheRegion) {
    MakeWindow();
    TSkinForm& s = Skin();
    ASSERT_TRUE(s.View().Region.Owned);
    TRegionHandle first(::CreateRectRgn(0, 0, 0, 0));
    ::GetWindowRgn(Wnd, first.Get());
    const long regionsBefore = GdiLiveCounts()[TGdiKind::Region];
    s.UpdateRegion();
    EXPECT_EQ(GdiLiveCounts()[TGdiKind::Region], regionsBefore);
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    ::SetWindowPos(Wnd, nullptr, 0, 0, wr.right - wr.left + 40, wr.bottom - wr.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(s.View().Region.Width, wr.right - wr.left + 40);
    TRegionHandle second(::CreateRectRgn(0, 0, 0, 0));
    ::GetWindowRgn(Wnd, second.Get());
    RECT box{};
    ::GetRgnBox(second.Get(), &box);
    EXPECT_EQ(box.right, wr.right - wr.left + 40);
}

TEST_F(SkinFramePaint, RegionCutsTheMagentaOfTheSides) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    const TDataSkinBorder& left = *OurSkin().BorderLeft;
    ASSERT_EQ(left.Trans, 1);
    TRegionHandle rgn(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(Wnd, rgn.Get()), ERROR);
    // Every left-border pixel of the first rows that is magenta in the skin is outside the region.
    int cut = 0;
    for (int y = 0; y < std::min(left.TopHeight, 30); ++y)
        for (int x = 0; x < frame.Left; ++x)
            if (StripPixel(left.Bitmap, 2, 1, x, y) == RGB(255, 0, 255)) {
                EXPECT_FALSE(::PtInRegion(rgn.Get(), x, y)) << x << "," << y;
                ++cut;
            } else {
                EXPECT_TRUE(::PtInRegion(rgn.Get(), x, y)) << x << "," << y;
            }
    // The client is always inside.
    EXPECT_TRUE(::PtInRegion(rgn.Get(), frame.Left + 5, frame.Top + 5));
    RecordProperty("magenta_pixels_cut", cut);
}

// The title band as the screen shows it, against the band the skinner paints into memory: true once they agree.
bool TitleBandOnScreenIsThePaintedOne(TSkinForm& s, HWND wnd) {
    TFramePicture painted(s, wnd);
    const int top = s.View().Frame.Top;
    const RECT caption = s.View().Painted.CaptionRect;
    RECT wr{};
    ::GetWindowRect(wnd, &wr);
    TWindowDC screen(nullptr);
    TMemoryDC shown(screen);
    TBitmapHandle band(::CreateCompatibleBitmap(screen, painted.Width, top));
    TSelectGuard keep(shown, band.Get());
    ::BitBlt(shown, 0, 0, painted.Width, top, screen, wr.left, wr.top, SRCCOPY);
    for (int y = 0; y < top; ++y)
        for (int x = caption.left; x < caption.right; ++x)
            if ((::GetPixel(shown, x, y) & 0xFFFFFF) != painted.At(x, y)) return false;
    return true;
}

TEST_F(SkinFramePaint, ANewTitleShowsOnTheSkinnedCaptionAtOnce) {
    MakeWindow(WS_OVERLAPPEDWINDOW, L"Orders");
    TSkinForm& s = Skin();
    ASSERT_TRUE(PumpUntil([&] { return TitleBandOnScreenIsThePaintedOne(s, Wnd); }, 2000)) << "before";
    ::SetWindowTextW(Wnd, L"WWWW MMMM WWWW MMMM");
    EXPECT_TRUE(PumpUntil([&] { return TitleBandOnScreenIsThePaintedOne(s, Wnd); }, 2000));
}

TEST_F(SkinFramePaint, ATitleComposedAtAnotherWidthIsNotCutIntoTheRegion) {
    MakeWindow();
    TSkinForm& s = Skin();
    s.PaintFrame();  // the title is composed at this width
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    // Wider without a repaint: the region is rebuilt while the composed title still has the old width.
    ::SetWindowPos(Wnd, nullptr, 0, 0, wr.right - wr.left + 90, wr.bottom - wr.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    TRegionHandle resized(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(Wnd, resized.Get()), ERROR);
    // The region built from the skin alone at the new width.
    s.DropRegion();
    s.UpdateRegion();
    TRegionHandle fresh(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(Wnd, fresh.Get()), ERROR);
    EXPECT_TRUE(::EqualRgn(resized.Get(), fresh.Get()));
}

// The window region as made from each border painted at its band's size and scanned (the title band from the top
// border alone), joined with the client: what the region must be at that size and activation.
TRegionHandle RegionFromPaintedBorders(int w, int h, const TFrameMetrics& f, bool active) {
    const TSkinData& skin = OurSkin();
    TRegionHandle region(::CreateRectRgn(f.Left, f.Top, w - f.Right, h - f.Bottom));
    auto band = [&](const TDataSkinBorder& b, const RECT& r, bool stacked, bool cut) {
        if (r.right <= r.left || r.bottom <= r.top) return;
        TRegionHandle part(::CreateRectRgnIndirect(&r));
        if (cut && b.Trans == 1 && !b.Bitmap.Empty()) {
            const int frames = std::max(1, b.FrameCount);
            TBitmapHandle drawn =
                BuildNineSliceBitmap(RECT{0, 0, r.right - r.left, r.bottom - r.top}, b.Bitmap.Handle(), b.Margins(),
                                     active || frames == 1 ? 1 : 2, frames, b.Tile != 1, stacked);
            part = RegionFromBitmap(drawn.Get(), r.left, r.top, RGB(255, 0, 255), 1, 1, 1);
        }
        ::CombineRgn(region.Get(), region.Get(), part.Get(), RGN_OR);
    };
    band(*skin.BorderLeft, RECT{0, 0, f.Left, h}, false, h > 1);
    band(*skin.BorderRight, RECT{w - f.Right, 0, w, h}, false, h > 1);
    band(*skin.BorderBottom, RECT{f.Left, h - f.Bottom, w - f.Right, h}, true, f.Bottom >= 2);
    band(*skin.BorderTop, RECT{f.Left, 0, w - f.Right, f.Top}, true, f.Top > 1);
    return region;
}

TEST_F(SkinFramePaint, RegionFromTheKeptMasksIsTheOneFromPaintedBordersAtEverySize) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    ASSERT_EQ(OurSkin().BorderTop->Trans, 1);
    const SIZE sizes[] = {{420, 320}, {137, 61}, {641, 95}, {1203, 777}, {112, 40}};
    for (const BOOL active : {TRUE, FALSE}) {
        ::SendMessageW(Wnd, WM_NCACTIVATE, active, 0);
        for (const SIZE size : sizes) {
            ::SetWindowPos(Wnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            s.DropRegion();
            s.UpdateRegion();
            RECT wr{};
            ::GetWindowRect(Wnd, &wr);
            const std::string where = std::to_string(wr.right - wr.left) + "x" + std::to_string(wr.bottom - wr.top) +
                                      (active ? " active" : " inactive");
            // Every size is above the borders' caps: the region comes from the masks, no band is painted for it.
            EXPECT_EQ(s.View().Region.ScannedBands, 0) << where;
            TRegionHandle shown(::CreateRectRgn(0, 0, 0, 0));
            ASSERT_NE(::GetWindowRgn(Wnd, shown.Get()), ERROR) << where;
            TRegionHandle expected = RegionFromPaintedBorders(wr.right - wr.left, wr.bottom - wr.top, frame, active);
            EXPECT_TRUE(::EqualRgn(shown.Get(), expected.Get())) << where;
        }
    }
}

// A modeless "#32770" dialog from an in-memory template: narrow, with one static child and a long caption.
HWND MakeNarrowDialog(const wchar_t* caption) {
    alignas(4) static std::uint8_t buffer[1024];
    std::fill(std::begin(buffer), std::end(buffer), 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(buffer);
    t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;
    t->cdit = 1;
    t->cx = 60;
    t->cy = 40;
    auto* p = reinterpret_cast<WORD*>(t + 1);
    *p++ = 0;  // no menu
    *p++ = 0;  // default class
    for (const wchar_t* c = caption; *c; ++c) *p++ = static_cast<WORD>(*c);
    *p++ = 0;
    p = reinterpret_cast<WORD*>((reinterpret_cast<std::uintptr_t>(p) + 3) & ~std::uintptr_t{3});
    auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(p);
    item->style = WS_CHILD | WS_VISIBLE;
    item->x = 4;
    item->y = 4;
    item->cx = 30;
    item->cy = 10;
    item->id = 100;
    p = reinterpret_cast<WORD*>(item + 1);
    *p++ = 0xFFFF;
    *p++ = 0x0082;  // static
    *p++ = 'O';
    *p++ = 'K';
    *p++ = 0;
    *p++ = 0;  // no creation data
    return ::CreateDialogIndirectParamW(
        ::GetModuleHandleW(nullptr), t, nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
}

TEST_F(SkinFramePaint, NarrowDialogWidensForItsCaptionAndCentresItsChildren) {
    Wnd = MakeNarrowDialog(L"岚栎在线订单管理系统 - a caption far wider than the dialog itself");
    ASSERT_NE(Wnd, nullptr);
    PumpPending();
    HWND child = ::GetDlgItem(Wnd, 100);
    RECT childBefore{};
    ::GetWindowRect(child, &childBefore);
    POINT before{childBefore.left, childBefore.top};
    ::ScreenToClient(Wnd, &before);
    RECT wrBefore{};
    ::GetWindowRect(Wnd, &wrBefore);
    TSkinForm& s = Skin();
    const TFrameMetrics& frame = s.View().Frame;
    EXPECT_TRUE(s.View().Attached.IsDialog);
    EXPECT_EQ(frame.Kind, TFrameKind::Dialog);
    const TDataSkinTitle& title = *OurSkin().Title;
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    const int needed = title.LeftWidth + s.View().Painted.CaptionWidth + title.RightWidth;
    ASSERT_GT(needed, wrBefore.right - wrBefore.left);
    EXPECT_EQ(wr.right - wr.left, needed);
    // The child moved right by half of what the frame grew beyond the skinned width.
    RECT childAfter{};
    ::GetWindowRect(child, &childAfter);
    POINT after{childAfter.left, childAfter.top};
    ::ScreenToClient(Wnd, &after);
    const int skinnedWidth =
        (wrBefore.right - wrBefore.left) - s.View().Attached.StandardFrame.cx + frame.Left + frame.Right;
    EXPECT_EQ(after.x - before.x, (needed - skinnedWidth) / 2);
    EXPECT_EQ(after.y, before.y);
    // No icon and no system menu button on a dialog frame.
    s.PaintFrame();
    for (auto& b : s.View().SysButtons) {
        const auto action = b->Data->Action;
        if (action == sbaSystemMenu || action == sbaWindowIcon || action == sbaSystemMenuButton) {
            EXPECT_FALSE(b->Visible);
        }
    }
    Unskin();
}

TEST_F(SkinFramePaint, WindowIconIsFetchedWhenPainting) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TWinSysButton* icon = nullptr;
    for (auto& b : s.View().SysButtons)
        if (b->Data->Action == 3 || b->Data->Action == 11) icon = b.get();
    ASSERT_NE(icon, nullptr);
    auto iconArea = [&](const TFramePicture& pic) {
        std::vector<COLORREF> px;
        for (int y = icon->Rect.top; y < icon->Rect.top + s.View().Painted.IconSize; ++y)
            for (int x = icon->Rect.left; x < icon->Rect.left + s.View().Painted.IconSize; ++x)
                px.push_back(pic.At(x, y));
        return px;
    };
    std::vector<COLORREF> without;
    {
        TFramePicture pic(s, Wnd);
        without = iconArea(pic);
    }
    // Set after attach: the next paint shows it without any re-attach.
    ::SendMessageW(Wnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(::LoadIconW(nullptr, IDI_WARNING)));
    TFramePicture pic(s, Wnd);
    EXPECT_NE(iconArea(pic), without);
}

const TWinSysButton* ButtonOf(TSkinForm& s, std::initializer_list<int> actions) {
    for (auto& b : s.View().SysButtons)
        for (int action : actions)
            if (b->Visible && b->Data->Action == action) return b.get();
    return nullptr;
}

TEST_F(SkinFramePaint, KeptFacesGiveWayToANewIconOrANewSkin) {
    MakeWindow();
    TSkinForm& s = Skin();
    const TWinSysButton* icon = ButtonOf(s, {3, 11});
    const TWinSysButton* close = ButtonOf(s, {0});
    ASSERT_TRUE(icon && close);
    auto pixels = [&](const RECT& r) {
        TFramePicture pic(s, Wnd);
        std::vector<COLORREF> px;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) px.push_back(pic.At(x, y));
        return px;
    };
    // A class icon reaches the window without any message to it.
    const std::vector<COLORREF> noIcon = pixels(icon->Rect);
    const LONG_PTR classIcon =
        ::SetClassLongPtrW(Wnd, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(::LoadIconW(nullptr, IDI_WARNING)));
    EXPECT_NE(pixels(icon->Rect), noIcon);
    ::SetClassLongPtrW(Wnd, GCLP_HICONSM, classIcon);

    // The same skin again, its close button painted green: same handles' places, same buttons, new faces.
    TSkinData green(nullptr);
    green.SkinPackage = TMemoryStream(ReadFileBytes(QD_SKIN_PACKAGE_FILE));
    ASSERT_TRUE(green.LoadSkinPackage());
    for (auto& entry : green.SysButtons)
        if (entry->Action == 0) {
            TBitmap& face = entry->Bitmap;
            TBrushHandle brush(::CreateSolidBrush(RGB(0, 255, 0)));
            RECT all{0, 0, face.Width(), face.Height()};
            ::FillRect(face.Canvas().Handle(), &all, brush.Get());
            face.Dormant();
        }
    (void)pixels(close->Rect);
    s.ReloadSkinData(&green);
    {
        TFramePicture pic(s, Wnd);
        const TWinSysButton* greenClose = ButtonOf(s, {0});
        EXPECT_TRUE(greenClose);
        int notGreen = 0;
        for (int y = greenClose ? greenClose->Rect.top : 0; greenClose && y < greenClose->Rect.bottom; ++y)
            for (int x = greenClose->Rect.left; x < greenClose->Rect.right; ++x)
                notGreen += pic.At(x, y) != RGB(0, 255, 0);
        EXPECT_EQ(notGreen, 0);
    }
    s.ReloadSkinData(&OurSkin());
}

TEST_F(SkinFramePaint, OnlyWhatChangedGoesBackOnTheWindow) {
    MakeWindow(WS_OVERLAPPEDWINDOW, L"Orders");
    TSkinForm& s = Skin();
    s.View().HoverTimer->SetEnabled(false);  // the cursor is elsewhere: the hover check would take the hot look
    const TFrameMetrics& frame = s.View().Frame;
    const TWinSysButton* close = ButtonOf(s, {0});
    ASSERT_TRUE(close);
    RECT wr{};
    ::GetWindowRect(Wnd, &wr);
    const int width = wr.right - wr.left, height = wr.bottom - wr.top;
    const POINT onClose{(close->Rect.left + close->Rect.right) / 2, (close->Rect.top + close->Rect.bottom) / 2};
    struct TCase {
        const char* What;
        std::function<void()> Change;
        RECT Allowed;
    } cases[] = {
        {"a hot button", [&] { ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, PointParam(FrameToScreen(onClose))); },
         close->Rect},
        {"a new title", [&] { ::SetWindowTextW(Wnd, L"Orders of today"); },
         RECT{frame.Left, 0, width - frame.Right, frame.Top}},
    };
    const POINT bottom{width / 2, height - 1 - frame.Bottom / 2};
    TScreenShot shot;
    auto shown = [&](auto&& what) {
        return PumpUntil(
            [&] {
                shot = ShootWindow(Wnd);
                return what();
            },
            3000);
    };
    TRegionHandle shape(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(Wnd, shape.Get()), ERROR);
    auto paintedIn = [&](const RECT& r) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (::PtInRegion(shape.Get(), x, y) && shot.At(x, y) != kSentinel) return true;
        return false;
    };
    for (const TCase& c : cases) {
        // The screen goes from the painted frame to the sentinel, so that what shows next is what the change put.
        s.PaintFrame();
        ASSERT_TRUE(shown([&] { return shot.At(bottom.x, bottom.y) != kSentinel; })) << c.What;
        {
            TWindowDC dc(Wnd, TWindowDC::TArea::Window);
            TBrushHandle fill(::CreateSolidBrush(kSentinel));
            RECT all{0, 0, width, height};
            ::FillRect(dc, &all, fill.Get());
        }
        ASSERT_TRUE(shown([&] { return shot.At(bottom.x, bottom.y) == kSentinel && !paintedIn(c.Allowed); })) << c.What;
        c.Change();
        ASSERT_TRUE(shown([&] { return paintedIn(c.Allowed); })) << c.What;
        int elsewhere = 0;
        ForEachFramePixel(Wnd, frame, width, height, [&](int x, int y) {
            const POINT p{x, y};
            if (!::PtInRect(&c.Allowed, p) && shot.At(x, y) != kSentinel) ++elsewhere;
        });
        EXPECT_EQ(elsewhere, 0) << c.What;
    }
}

TEST_F(SkinFramePaint, AnActivationChangePaintsTheFrameOnce) {
    MakeWindow();
    TSkinForm& s = Skin();
    HWND other = ::CreateWindowExW(0, TestWindowClass(), L"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 400, 200, 150,
                                   nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    PumpPending();
    for (HWND to : {Wnd, other, Wnd}) {
        const int before = s.View().Painted.FullPaints;
        ::SetForegroundWindow(to);
        ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == to; }, 3000));
        PumpPending();
        EXPECT_EQ(s.View().Painted.FullPaints - before, 1) << (to == Wnd ? "activated" : "deactivated");
    }
    ::DestroyWindow(other);
}

// After the partial paints, and after the window was maximised, restored or minimised, it shows exactly what a paint of
// everything from nothing shows.
TEST_F(SkinFramePaint, PartialPaintsLeaveTheFrameAsAFullPaintFromNothing) {
    MakeWindow(WS_OVERLAPPEDWINDOW, L"Orders");
    TSkinForm& s = Skin();
    s.View().HoverTimer->SetEnabled(false);
    const TFrameMetrics& frame = s.View().Frame;
    const TWinSysButton* close = ButtonOf(s, {0});
    ASSERT_TRUE(close);
    const POINT onClose{(close->Rect.left + close->Rect.right) / 2, (close->Rect.top + close->Rect.bottom) / 2};
    const POINT offButtons{frame.Left + 2, frame.Top / 2};
    struct TStep {
        const char* What;
        std::function<void()> Do;
    } steps[] = {
        {"hot and left",
         [&] {
             ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, PointParam(FrameToScreen(onClose)));
             ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, PointParam(FrameToScreen(offButtons)));
         }},
        {"a longer title", [&] { ::SetWindowTextW(Wnd, L"Orders of today and of yesterday"); }},
        {"inactive", [&] { ::SendMessageW(Wnd, WM_NCACTIVATE, FALSE, 0); }},
        {"a shorter title", [&] { ::SetWindowTextW(Wnd, L"O"); }},
        {"active", [&] { ::SendMessageW(Wnd, WM_NCACTIVATE, TRUE, 0); }},
        {"hot, then all painted",
         [&] {
             ::SendMessageW(Wnd, WM_NCMOUSEMOVE, HTCAPTION, PointParam(FrameToScreen(onClose)));
             s.PaintFrame();
         }},
        {"maximised", [&] { ::ShowWindow(Wnd, SW_MAXIMIZE); }},
        {"restored", [&] { ::ShowWindow(Wnd, SW_RESTORE); }},
        {"minimised and restored",
         [&] {
             ::ShowWindow(Wnd, SW_MINIMIZE);
             PumpPending();
             ::ShowWindow(Wnd, SW_RESTORE);
         }},
    };
    for (const TStep& step : steps) {
        step.Do();
        PumpPending();
        s.View().HoverTimer->SetEnabled(false);
        s.ReloadSkinData(&OurSkin());  // forgets every composed piece: the picture is painted from nothing
        TFramePicture full(s, Wnd);
        int differ = 0;
        const bool same = PumpUntil([&] { return (differ = FramePixelsOffPicture(Wnd, frame, full)) == 0; }, 3000);
        EXPECT_TRUE(same) << step.What << ": " << differ << " pixels differ";
    }
}

// A window attached while it is being shown paints its frame before the manager's posted start message is
// handled: that first paint is already the skinned frame, never a blank title band, and the start that follows
// only adds the control skinners.
TEST_F(SkinFramePaint, AFramePaintBeforeTheStartMessageShowsTheSkinnedFrame) {
    struct TCase {
        const char* What;
        bool Form;
        int Show;  // how the hidden window is shown; 0: attached while visible, its frame repainted
        bool Owned = false;
    } cases[] = {
        {"window shown", false, SW_SHOW},
        {"owned dialog shown", false, SW_SHOW, true},
        {"window shown maximised", false, SW_SHOWMAXIMIZED},
        {"visible window repainted", false, 0},
        {"form shown", true, SW_SHOW},
        {"form shown maximised", true, SW_SHOWMAXIMIZED},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        std::unique_ptr<TForm> form;
        if (c.Form) {
            form = std::make_unique<TForm>(nullptr);
            form->SetBounds(70, 40, 480, 330);
            if (c.Show == SW_SHOWMAXIMIZED) form->SetWindowState(wsMaximized);
            Wnd = form->Handle();
        } else if (c.Show) {
            const HWND owner = c.Owned ? ::CreateWindowExW(0, TestWindowClass(), L"Owner", WS_OVERLAPPEDWINDOW, 0, 0,
                                                           200, 100, nullptr, nullptr, nullptr, nullptr)
                                       : nullptr;
            const DWORD style = c.Owned ? WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME : WS_OVERLAPPEDWINDOW;
            Wnd = ::CreateWindowExW(0, TestWindowClass(), L"Skinned window", style, 60, 50, 420, 320, owner, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
        } else {
            MakeWindow();
        }
        RECT client{};
        ::GetClientRect(Wnd, &client);
        Manager.DispatchCount = 0;
        Skinner = std::make_unique<TSkinForm>(form.get(), Wnd, &Manager);
        ASSERT_TRUE(form ? Skinner->Attach(&OurSkin(), form.get()) : Skinner->AttachWindow(&OurSkin()));
        ::PostMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
        ASSERT_TRUE(TakePosted(Wnd, WM_SKIN_STARTED));  // held back until the frame has shown
        if (form)
            form->Show();
        else if (c.Show)
            ::ShowWindow(Wnd, c.Show);
        else
            ::RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        TFramePicture skinned(*Skinner, Wnd);
        int differ = 0;
        EXPECT_TRUE(
            PumpUntil([&] { return (differ = FramePixelsOffPicture(Wnd, Skinner->View().Frame, skinned)) == 0; }, 3000))
            << differ << " pixels differ";
        if (c.Show != SW_SHOWMAXIMIZED) {
            RECT fitted{};
            ::GetClientRect(Wnd, &fitted);
            EXPECT_TRUE(::EqualRect(&fitted, &client)) << fitted.right << "x" << fitted.bottom;
        }
        RECT window{};
        ::GetWindowRect(Wnd, &window);
        ::SendMessageW(Wnd, WM_SKIN_STARTED, 0, SkinStartedLParam);
        PumpPending();
        EXPECT_EQ(Manager.DispatchCount, 1);
        EXPECT_EQ(Skinner->SkinState(), TSkinState::Running);
        RECT after{};
        ::GetWindowRect(Wnd, &after);
        EXPECT_TRUE(::EqualRect(&after, &window));
        if (form) {
            // The form's idea of its bounds followed the fit.
            const RECT bounds{form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()};
            EXPECT_TRUE(::EqualRect(&bounds, &after));
            ::GetClientRect(Wnd, &client);
            EXPECT_EQ(form->ClientWidth(), client.right);
            EXPECT_EQ(form->ClientHeight(), client.bottom);
        }
        Skinner.reset();
        form.reset();
        const HWND owner = ::GetWindow(Wnd, GW_OWNER);
        if (::IsWindow(Wnd)) ::DestroyWindow(Wnd);
        if (owner) ::DestroyWindow(owner);
        Wnd = nullptr;
        PumpPending();
    }
}

}  // namespace
}  // namespace qd::test
