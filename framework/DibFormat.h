#pragma once
// Layout of Windows bitmap files and packed DIBs, checked against the bytes that hold them.
//
// This is the edge where untrusted image bytes (stored form descriptions, resources) come in: every size, offset
// and count is checked before anything is read, in 64-bit arithmetic, and the pixel rows are guaranteed to lie
// inside the input. Decoding the rows is left to the platform (framework/Graphics.cpp), which is handed a header
// of our own making built from this layout. Portable: no platform headers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "framework/Exception.h"

namespace qd {

// Image bytes that are not a well-formed image of a supported kind.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

inline constexpr int kMaxBitmapDimension = 32768;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 24;

inline constexpr std::size_t kBmpFileHeaderSize = 14;  // BITMAPFILEHEADER as stored

// Little-endian fields of stored headers; the caller has checked that `at` and the bytes after it are inside `b`.
inline std::uint32_t ReadU32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::uint16_t ReadU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::int32_t ReadI32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int32_t>(ReadU32(b, at));
}

inline constexpr std::uint32_t kDibRgb = 0;        // BI_RGB
inline constexpr std::uint32_t kDibBitfields = 3;  // BI_BITFIELDS

struct TDibColor {
    std::uint8_t Blue = 0, Green = 0, Red = 0;
};

// What a reader accepts beyond a well-formed layout. The defaults are what the platform's bitmaps take.
struct TDibRules {
    int MaxDimension = kMaxBitmapDimension;
    std::int64_t MaxPixels = kMaxBitmapPixels;
    // A zero colour mask: its channel reads as 0. The platform's own decoding needs all three.
    bool EmptyMasks = false;
};

struct TDibLayout {
    int Width = 0;
    int Height = 0;  // rows, always positive
    bool TopDown = false;
    int BitCount = 0;  // 1, 4, 8, 16, 24 or 32
    std::uint32_t Compression = kDibRgb;
    std::uint32_t Masks[3] = {};     // red, green, blue for kDibBitfields
    std::uint32_t AlphaMask = 0;     // kDibBitfields in a header of 56 bytes or more; 0 = opaque
    std::vector<TDibColor> Palette;  // the stored colour table of a 1/4/8-bit image (never more than 2^BitCount)
    std::size_t BitsOffset = 0;      // first byte of the pixel rows, relative to the span that was parsed
    std::size_t Stride = 0;          // bytes per row, padded to 4
};

// A packed DIB: info header (BITMAPCOREHEADER, BITMAPINFOHEADER or V2-V5), colour masks, colour table, rows.
// `bitsOffset` (relative to `dib`) says where the rows start when a file header gave it; without it they
// follow the colour table. Raises EInvalidGraphic for anything malformed, unsupported (RLE, JPEG, PNG) or larger
// than the rules' MaxDimension per side / MaxPixels in all.
TDibLayout ParseDibLayout(std::span<const std::uint8_t> dib, std::optional<std::uint64_t> bitsOffset = std::nullopt,
                          const TDibRules& rules = {});

// A BMP file ("BM", file header, packed DIB). BitsOffset of the result is relative to the file.
TDibLayout ParseBmpLayout(std::span<const std::uint8_t> file, const TDibRules& rules = {});

}  // namespace qd
