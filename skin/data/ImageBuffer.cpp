#include "skin/data/ImageBuffer.h"

#include <string>

namespace qd {

bool TImageBuffer::IsValidSize(std::int64_t width, std::int64_t height) noexcept {
    return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide && width * height <= MaxPixels;
}

TImageBuffer::TImageBuffer(int width, int height, std::uint32_t fill) { Resize(width, height, fill); }

void TImageBuffer::SetBitsPerPixel(int bits) {
    switch (bits) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            FBitsPerPixel = bits;
            return;
        default:
            throw EImageError("Unsupported pixel depth: " + std::to_string(bits) + " bits per pixel");
    }
}

void TImageBuffer::SetPalette(std::vector<std::uint32_t> palette) {
    if (palette.size() > 256) throw EImageError("A palette holds at most 256 colours");
    FPalette = std::move(palette);
}

std::size_t TImageBuffer::IndexOf(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        throw EImageError("Pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside the " +
                          std::to_string(FWidth) + " x " + std::to_string(FHeight) + " image");
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth) + static_cast<std::size_t>(x);
}

std::uint32_t TImageBuffer::Pixel(int x, int y) const { return FPixels[IndexOf(x, y)]; }

void TImageBuffer::SetPixel(int x, int y, std::uint32_t value) { FPixels[IndexOf(x, y)] = value; }

std::span<std::uint32_t> TImageBuffer::Row(int y) {
    const std::size_t start = IndexOf(0, y);
    return std::span<std::uint32_t>(FPixels).subspan(start, static_cast<std::size_t>(FWidth));
}

std::span<const std::uint32_t> TImageBuffer::Row(int y) const {
    const std::size_t start = IndexOf(0, y);
    return std::span<const std::uint32_t>(FPixels).subspan(start, static_cast<std::size_t>(FWidth));
}

void TImageBuffer::Resize(int width, int height, std::uint32_t fill) {
    if (width == 0 && height == 0) {
        Clear();
        return;
    }
    if (!IsValidSize(width, height))
        throw EImageError("Invalid image size " + std::to_string(width) + " x " + std::to_string(height));
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
    FPixels = std::move(pixels);
    FWidth = width;
    FHeight = height;
    FBitsPerPixel = 24;
    FPalette.clear();
}

void TImageBuffer::Clear() noexcept {
    FPixels.clear();
    FPalette.clear();
    FWidth = 0;
    FHeight = 0;
    FBitsPerPixel = 24;
}

void TImageBuffer::ConvertTo24Bit() noexcept {
    for (std::uint32_t& p : FPixels) p |= 0xFF000000u;
    FPalette.clear();
    FBitsPerPixel = 24;
}

}  // namespace qd
