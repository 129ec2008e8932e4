// Costs of the graphics layer, each against a baseline measured in the same run:
//   - loading a 1280 x 1024 24-bit BMP through the validating loader vs. a bare CreateDIBSection + SetDIBits;
//   - drawing a 256 x 256 bitmap opaque vs. transparent vs. stretched;
//   - text output with the cached font handle vs. a font whose height changes before every call;
// and the live GDI handle counts before and after.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "framework/BmpBuilder.h"
#include "framework/Graphics.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosPerOp(int count, const std::function<void()>& op) {
    op();  // warm up
    const auto t0 = Clock::now();
    for (int i = 0; i < count; ++i) op();
    const auto t1 = Clock::now();
    return std::chrono::duration<double, std::micro>(t1 - t0).count() / count;
}

// A 24-bit file whose pixel bytes count up by 7 through the file (width a multiple of 4: rows without padding).
std::vector<std::uint8_t> MakeBmp24(int w, int h) {
    return qd::bmptest::MakeBmp24(w, h, [w](int x, int row, std::uint8_t* bgr) {
        const std::size_t at = 54 + (static_cast<std::size_t>(row) * w + x) * 3;
        for (std::size_t k = 0; k < 3; ++k) bgr[k] = static_cast<std::uint8_t>((at + k) * 7);
    });
}

void PrintCounts(const char* when) {
    const qd::TGdiCounts c = qd::GdiLiveCounts();
    std::printf("live GDI handles %-6s bitmaps %ld, memory DCs %ld, fonts %ld, brushes %ld, pens %ld, icons %ld\n",
                when, c[qd::TGdiKind::Bitmap], c[qd::TGdiKind::MemoryDC], c[qd::TGdiKind::Font], c[qd::TGdiKind::Brush],
                c[qd::TGdiKind::Pen], c[qd::TGdiKind::Icon]);
}

}  // namespace

int main() {
    using namespace qd;
    PrintCounts("before");
    {
        const std::vector<std::uint8_t> file = MakeBmp24(1280, 1024);
        const double ours = MicrosPerOp(50, [&] {
            TBitmap bmp;
            bmp.LoadFromBmpBytes(file);
        });
        const double bare = MicrosPerOp(50, [&] {
            TDibSection dib = CreateDib32(1280, 1024);
            TMemoryDC dc(nullptr);
            ::SetDIBits(dc, dib.Bitmap.Get(), 0, 1024, file.data() + 54,
                        reinterpret_cast<const BITMAPINFO*>(file.data() + 14), DIB_RGB_COLORS);
        });
        std::printf("load 1280x1024x24 BMP: %8.1f us (bare CreateDIBSection+SetDIBits %8.1f us, %.1f MB/s)\n", ours,
                    bare, file.size() / ours);
    }
    {
        std::vector<std::uint32_t> pixels(256 * 256, 0x00336699);
        for (std::size_t i = 0; i < pixels.size(); i += 3) pixels[i] = 0x00FF00FF;
        TBitmap glyph;
        glyph.AssignPixels(256, 256, pixels.data());
        TBitmap surface;
        surface.SetSize(512, 512);
        TCanvas& c = surface.Canvas();
        const double opaque = MicrosPerOp(500, [&] { c.Draw(10, 10, glyph); });
        glyph.SetTransparent(true);
        const double transparent = MicrosPerOp(500, [&] { c.Draw(10, 10, glyph); });
        const double keyBlit = MicrosPerOp(500, [&] {
            TMemoryDC src(nullptr);
            TSelectGuard keep(src, glyph.Handle());
            KeyColorBlit(c.Handle(), 10, 10, 256, 256, src, 0, 0, RGB(0xFF, 0, 0xFF));
        });
        std::printf("key-colour blit 256x256 through a mask (KeyColorBlit): %7.1f us\n", keyBlit);
        const double stretched = MicrosPerOp(200, [&] { c.StretchDraw(RECT{0, 0, 512, 512}, glyph); });
        std::printf("draw 256x256: opaque %7.1f us, transparent %7.1f us, transparent stretched to 512x512 %7.1f us\n",
                    opaque, transparent, stretched);

        TBitmap small;
        small.AssignPixels(16, 16, pixels.data());
        small.SetTransparent(true);
        const double smallTransparent = MicrosPerOp(2000, [&] { c.Draw(3, 3, small); });
        small.SetTransparent(false);
        const double smallOpaque = MicrosPerOp(2000, [&] { c.Draw(3, 3, small); });
        small.SetTransparent(true);
        const double smallPlatform = MicrosPerOp(2000, [&] {
            TMemoryDC src(nullptr);
            TSelectGuard keep(src, small.Handle());
            ::GdiTransparentBlt(c.Handle(), 3, 3, 16, 16, src, 0, 0, 16, 16, RGB(0xFF, 0, 0xFF));
        });
        std::printf(
            "draw 16x16 glyph: transparent %6.1f us, opaque %6.1f us; platform TransparentBlt with its own DC %6.1f "
            "us\n",
            smallTransparent, smallOpaque, smallPlatform);

        c.Font().SetName(L"宋体");
        c.Font().SetCharset(GB2312_CHARSET);
        c.Brush().SetStyle(TBrushStyle::bsClear);
        const double cached = MicrosPerOp(2000, [&] { c.TextOut(0, 0, L"岚栎在线订单管理系统"); });
        int h = 0;
        const double recreated = MicrosPerOp(2000, [&] {
            c.Font().SetHeight(-12 - (h++ & 1));
            c.TextOut(0, 0, L"岚栎在线订单管理系统");
        });
        std::printf("TextOut 10 CJK chars: cached font %6.1f us, font changed every call %6.1f us\n", cached,
                    recreated);
    }
    PrintCounts("after");
    return 0;
}
