// libFuzzer target: arbitrary bytes as a BMP file and as a packed DIB. Parsing must never read outside the
// input, and an accepted layout must place every pixel row inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/DibFormat.h"

namespace {
void Check(const qd::TDibLayout& l, std::size_t size) {
    if (l.Width <= 0 || l.Height <= 0) std::abort();
    if (static_cast<std::int64_t>(l.Width) * l.Height > qd::kMaxBitmapPixels) std::abort();
    if (l.Stride * 8 < static_cast<std::size_t>(l.Width) * l.BitCount) std::abort();
    if (l.BitsOffset > size || size - l.BitsOffset < l.Stride * static_cast<std::size_t>(l.Height)) std::abort();
    if (l.BitCount <= 8 && l.Palette.size() > (std::size_t{1} << l.BitCount)) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        Check(qd::ParseBmpLayout(bytes), size);
    } catch (const qd::EInvalidGraphic&) {
    }
    if (size > 14) {
        try {
            Check(qd::ParseDibLayout(bytes.subspan(14)), size - 14);
        } catch (const qd::EInvalidGraphic&) {
        }
    }
    return 0;
}
