#include "skin/data/PixelOps.h"

#include <algorithm>
#include <utility>

namespace qd {

void MakeGrayscale(TImageBuffer& bitmap) {
    bitmap.ConvertTo24Bit();
    for (std::uint32_t& p : bitmap.Pixels()) {
        const unsigned sum = unsigned{PixelBlue(p)} + PixelGreen(p) + PixelRed(p);
        const auto grey = static_cast<std::uint8_t>(sum / 3);
        p = MakeBgra(grey, grey, grey);
    }
}

void MirrorHorizontal(TImageBuffer& bitmap) {
    bitmap.ConvertTo24Bit();
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::span<std::uint32_t> row = bitmap.Row(y);
        std::reverse(row.begin(), row.end());
    }
}

void FlipVertical(TImageBuffer& bitmap) {
    bitmap.ConvertTo24Bit();
    for (int top = 0, bottom = bitmap.Height() - 1; top < bottom; ++top, --bottom) {
        std::span<std::uint32_t> a = bitmap.Row(top);
        std::span<std::uint32_t> b = bitmap.Row(bottom);
        std::swap_ranges(a.begin(), a.end(), b.begin());
    }
}

namespace {

// Builds the height x width result; `source(x, y)` names the old pixel that lands at new (x, y).
template <typename SourceOf>
void Rotate(TImageBuffer& bitmap, SourceOf source) {
    bitmap.ConvertTo24Bit();
    if (bitmap.Empty()) return;
    const int oldWidth = bitmap.Width();
    const int oldHeight = bitmap.Height();
    TImageBuffer rotated(oldHeight, oldWidth);
    std::span<const std::uint32_t> old = std::as_const(bitmap).Pixels();
    for (int y = 0; y < oldWidth; ++y) {
        std::span<std::uint32_t> row = rotated.Row(y);
        for (int x = 0; x < oldHeight; ++x) {
            const auto [sx, sy] = source(x, y, oldWidth, oldHeight);
            row[static_cast<std::size_t>(x)] =
                old[static_cast<std::size_t>(sy) * static_cast<std::size_t>(oldWidth) + static_cast<std::size_t>(sx)];
        }
    }
    bitmap = std::move(rotated);
}

}  // namespace

void RotateCounterClockwise(TImageBuffer& bitmap) {
    Rotate(bitmap, [](int x, int y, int oldWidth, int) { return std::pair{oldWidth - 1 - y, x}; });
}

void RotateClockwise(TImageBuffer& bitmap) {
    Rotate(bitmap, [](int x, int y, int, int oldHeight) { return std::pair{y, oldHeight - 1 - x}; });
}

}  // namespace qd
