#pragma once
// Windows bitmap files (".bmp") as skin packages hold them, read into and written from a TImageBuffer.
//
// Read: file header "BM", an info header of 12 (OS/2 core), 40, 52, 56, 108 or 124 bytes; 1, 4, 8, 16, 24 or
// 32 bits per pixel; uncompressed (BI_RGB) or, for 16 and 32 bits, BI_BITFIELDS with contiguous masks;
// bottom-up (positive height) and top-down (negative height) rows. Anything else - run-length or embedded
// JPEG/PNG compression, a truncated header, a palette or pixel array that does not lie inside the file, a pixel
// offset pointing into the headers, zero, negative or huge dimensions - is rejected as a whole: the caller then
// treats the entry exactly like a missing one. Reading never throws and never touches a byte outside `data`.
//
// Pixels of 1/4/8-bit images whose index lies beyond the palette the file gives come out opaque black.
// Alpha: the fourth byte of a 32-bit BI_RGB pixel and the alpha mask of a BI_BITFIELDS header are kept;
// every other pixel is opaque (alpha 0xFF).
// The headers are checked by the program's one bitmap layout check (framework/DibFormat.h).
// Portable: no platform headers here.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "skin/data/ImageBuffer.h"

namespace qd {

// The decoded image (with BitsPerPixel and, for 1/4/8 bits, Palette set from the file), or nothing.
std::optional<TImageBuffer> ReadBmp(std::span<const std::uint8_t> data) noexcept;

// Width x height of a file whose headers ReadBmp accepts, read without decoding a pixel (for budgets); nothing
// for a file ReadBmp would refuse on its headers.
std::optional<std::int64_t> BmpPixelCount(std::span<const std::uint8_t> data) noexcept;

// As ReadBmp, but an unreadable file gives an empty image: what a skin does with a bad or missing entry.
TImageBuffer ReadBmpOrEmpty(std::span<const std::uint8_t> data) noexcept;

// A complete bitmap file (file header, 40-byte info header, palette, pixels; BI_RGB) of `image` at
// `bitsPerPixel` = 1, 4, 8, 16, 24 or 32, bottom-up unless `topDown`.
// 1, 4 and 8 bits use the image's own palette when it covers every pixel, else the image's distinct colours in
// order of first appearance; alpha is not kept. 16 bits store 5 bits per channel (the low 3 bits are lost),
// 24 bits drop alpha, 32 bits keep it.
// Returns an empty vector for an empty image, an unsupported depth, or more distinct colours than the depth
// can index.
std::vector<std::uint8_t> WriteBmp(const TImageBuffer& image, int bitsPerPixel, bool topDown = false);

}  // namespace qd
