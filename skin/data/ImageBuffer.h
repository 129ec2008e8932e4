#pragma once
// An image held in plain memory: the portable form of every skin bitmap.
// Pixels are 32-bit values 0xAARRGGBB (bytes blue, green, red, alpha in memory), rows top-down, no padding.
// `BitsPerPixel` and `Palette` remember the depth the image came with (a BMP entry of 1, 4, 8, 16, 24 or 32 bits),
// because some derived images are defined as "converted to 24 bits per pixel first": that conversion drops the
// palette and the alpha channel (see ConvertTo24Bit). The pixels themselves are always already expanded.
// Portable: no platform headers here.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/Exception.h"

namespace qd {

class EImageError : public Exception {
public:
    using Exception::Exception;
};

// Builds a pixel value from its channels.
constexpr std::uint32_t MakeBgra(std::uint8_t blue, std::uint8_t green, std::uint8_t red,
                                 std::uint8_t alpha = 0xFF) noexcept {
    return static_cast<std::uint32_t>(blue) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(alpha) << 24);
}
constexpr std::uint8_t PixelBlue(std::uint32_t p) noexcept { return static_cast<std::uint8_t>(p); }
constexpr std::uint8_t PixelGreen(std::uint32_t p) noexcept { return static_cast<std::uint8_t>(p >> 8); }
constexpr std::uint8_t PixelRed(std::uint32_t p) noexcept { return static_cast<std::uint8_t>(p >> 16); }
constexpr std::uint8_t PixelAlpha(std::uint32_t p) noexcept { return static_cast<std::uint8_t>(p >> 24); }

class TImageBuffer {
public:
    // Limits for every image we create or accept from a file: enough for any skin strip, small enough that
    // width * height * 4 can never overflow and a hostile header cannot make us allocate gigabytes.
    static constexpr int MaxSide = 16384;
    static constexpr std::int64_t MaxPixels = std::int64_t{64} * 1024 * 1024;

    // True when width x height is a non-empty size within the limits above.
    static bool IsValidSize(std::int64_t width, std::int64_t height) noexcept;

    TImageBuffer() = default;
    // A width x height image filled with `fill`, 24 bits per pixel. Raises EImageError for a size that
    // IsValidSize rejects, except that 0 x 0 makes an empty image.
    TImageBuffer(int width, int height, std::uint32_t fill = MakeBgra(0, 0, 0));

    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    bool Empty() const noexcept { return FPixels.empty(); }

    // Depth the image was loaded with (1, 4, 8, 16, 24 or 32); 24 for images made here.
    int BitsPerPixel() const noexcept { return FBitsPerPixel; }
    void SetBitsPerPixel(int bits);
    // Palette of an image loaded from a 1, 4 or 8 bit file (entries as pixel values); empty otherwise.
    const std::vector<std::uint32_t>& Palette() const noexcept { return FPalette; }
    void SetPalette(std::vector<std::uint32_t> palette);

    // Pixel access. The checked forms raise EImageError outside the image.
    std::uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, std::uint32_t value);
    std::span<std::uint32_t> Row(int y);
    std::span<const std::uint32_t> Row(int y) const;
    std::span<std::uint32_t> Pixels() noexcept { return FPixels; }
    std::span<const std::uint32_t> Pixels() const noexcept { return FPixels; }

    // Replaces the content by a width x height image filled with `fill` (same rules as the constructor).
    void Resize(int width, int height, std::uint32_t fill = MakeBgra(0, 0, 0));
    void Clear() noexcept;

    // The image as a 24-bit bitmap would hold it: palette dropped, every pixel opaque (alpha 0xFF),
    // BitsPerPixel 24. Colours are unchanged.
    void ConvertTo24Bit() noexcept;

    // Same size and same pixels (depth and palette are history, not content).
    friend bool operator==(const TImageBuffer& a, const TImageBuffer& b) noexcept {
        return a.FWidth == b.FWidth && a.FHeight == b.FHeight && a.FPixels == b.FPixels;
    }

private:
    std::size_t IndexOf(int x, int y) const;

    int FWidth = 0;
    int FHeight = 0;
    int FBitsPerPixel = 24;
    std::vector<std::uint32_t> FPixels;
    std::vector<std::uint32_t> FPalette;
};

}  // namespace qd
