#include "skin/data/Bmp.h"

#include <bit>
#include <cstddef>
#include <new>
#include <unordered_map>

#include "framework/DibFormat.h"

namespace qd {
namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;

// One channel of a BI_BITFIELDS (or implied 5-5-5) pixel: where it sits and how to widen it to 8 bits.
struct TChannel {
    std::uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;

    // False for a mask whose set bits are not one contiguous run.
    bool Init(std::uint32_t mask) noexcept {
        Mask = mask;
        if (mask == 0) return true;
        Shift = std::countr_zero(mask);
        Bits = std::popcount(mask);
        const std::uint64_t run = (std::uint64_t{1} << Bits) - 1;
        return (static_cast<std::uint64_t>(mask) >> Shift) == run;
    }
    bool Present() const noexcept { return Mask != 0; }
    // Scales the field to 0..255 so that its maximum maps to 255 (a 5-bit 31 becomes 255, not 248).
    // An absent channel (zero mask) reads as 0.
    std::uint8_t Extract(std::uint32_t pixel) const noexcept {
        if (Mask == 0) return 0;
        const std::uint32_t v = (pixel & Mask) >> Shift;
        if (Bits >= 8) return static_cast<std::uint8_t>(v >> (Bits - 8));
        const std::uint32_t max = (std::uint32_t{1} << Bits) - 1;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

// The layout check every bitmap reader of the program shares, with the sizes an image buffer can hold. A zero
// colour mask is taken (its channel reads as 0): skin images come from many tools.
constexpr TDibRules SkinImageRules{TImageBuffer::MaxSide, TImageBuffer::MaxPixels, true};

// The layout of a file whose headers ReadBmp accepts, or nothing.
std::optional<TDibLayout> Layout(std::span<const std::uint8_t> data) noexcept {
    try {
        return ParseBmpLayout(data, SkinImageRules);
    } catch (const Exception&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

TImageBuffer Decode(std::span<const std::uint8_t> data, const TDibLayout& h) {
    const int width = h.Width;
    const int height = h.Height;
    TImageBuffer image(width, height);
    image.SetBitsPerPixel(h.BitCount);

    std::vector<std::uint32_t> palette;
    palette.reserve(h.Palette.size());
    for (const TDibColor& c : h.Palette) palette.push_back(MakeBgra(c.Blue, c.Green, c.Red));

    TChannel red, green, blue, alpha;
    if (h.BitCount == 16 || h.BitCount == 32) {
        std::uint32_t masks[4] = {h.Masks[0], h.Masks[1], h.Masks[2], h.AlphaMask};
        if (h.Compression == kDibRgb) {
            if (h.BitCount == 16) {
                masks[0] = 0x7C00;
                masks[1] = 0x03E0;
                masks[2] = 0x001F;
                masks[3] = 0;
            } else {
                masks[0] = 0x00FF0000;
                masks[1] = 0x0000FF00;
                masks[2] = 0x000000FF;
                masks[3] = 0xFF000000;
            }
        }
        if (!red.Init(masks[0]) || !green.Init(masks[1]) || !blue.Init(masks[2]) || !alpha.Init(masks[3]))
            throw EImageError("non-contiguous colour mask");
    }

    const std::uint32_t black = MakeBgra(0, 0, 0);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const int y = h.TopDown ? fileRow : height - 1 - fileRow;
        const std::uint8_t* src = data.data() + h.BitsOffset + static_cast<std::size_t>(fileRow) * h.Stride;
        std::span<std::uint32_t> dst = image.Row(y);
        switch (h.BitCount) {
            case 1:
            case 4:
            case 8: {
                const int perByte = 8 / h.BitCount;
                const unsigned valueMask = (1u << h.BitCount) - 1;
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t byte = src[x / perByte];
                    const int shift = 8 - h.BitCount * (x % perByte + 1);
                    const unsigned index = (byte >> shift) & valueMask;
                    dst[x] = index < palette.size() ? palette[index] : black;
                }
                break;
            }
            case 16:
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t v = static_cast<std::uint32_t>(src[2 * x] | (src[2 * x + 1] << 8));
                    dst[x] = MakeBgra(blue.Extract(v), green.Extract(v), red.Extract(v),
                                      alpha.Present() ? alpha.Extract(v) : 0xFF);
                }
                break;
            case 24:
                for (int x = 0; x < width; ++x) dst[x] = MakeBgra(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
                break;
            case 32:
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t v = static_cast<std::uint32_t>(src[4 * x]) |
                                            (static_cast<std::uint32_t>(src[4 * x + 1]) << 8) |
                                            (static_cast<std::uint32_t>(src[4 * x + 2]) << 16) |
                                            (static_cast<std::uint32_t>(src[4 * x + 3]) << 24);
                    dst[x] = MakeBgra(blue.Extract(v), green.Extract(v), red.Extract(v),
                                      alpha.Present() ? alpha.Extract(v) : 0xFF);
                }
                break;
        }
    }
    if (h.BitCount <= 8) image.SetPalette(std::move(palette));
    return image;
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}

// The palette a 1/4/8-bit file gets, and each pixel's index into it. False when `limit` colours do not suffice.
bool BuildPalette(const TImageBuffer& image, std::size_t limit, std::vector<std::uint32_t>& palette,
                  std::unordered_map<std::uint32_t, std::uint8_t>& index) {
    auto tryPalette = [&](const std::vector<std::uint32_t>& candidates, bool addMissing) {
        palette.clear();
        index.clear();
        for (std::uint32_t c : candidates) {
            const std::uint32_t rgb = c & 0x00FFFFFFu;
            if (palette.size() >= limit) break;
            index.emplace(rgb, static_cast<std::uint8_t>(palette.size()));
            palette.push_back(rgb);
        }
        for (std::uint32_t p : image.Pixels()) {
            const std::uint32_t rgb = p & 0x00FFFFFFu;
            if (index.contains(rgb)) continue;
            if (!addMissing || palette.size() >= limit) return false;
            index.emplace(rgb, static_cast<std::uint8_t>(palette.size()));
            palette.push_back(rgb);
        }
        return true;
    };
    // Keeping the image's own palette keeps the indices of a loaded 8-bit skin image stable across a round trip.
    if (!image.Palette().empty() && image.Palette().size() <= limit && tryPalette(image.Palette(), false)) return true;
    return tryPalette({}, true);
}

}  // namespace

std::optional<TImageBuffer> ReadBmp(std::span<const std::uint8_t> data) noexcept {
    try {
        const std::optional<TDibLayout> layout = Layout(data);
        if (!layout) return std::nullopt;
        return Decode(data, *layout);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const Exception&) {
        return std::nullopt;
    }
}

std::optional<std::int64_t> BmpPixelCount(std::span<const std::uint8_t> data) noexcept {
    const std::optional<TDibLayout> layout = Layout(data);
    if (!layout) return std::nullopt;
    return std::int64_t{layout->Width} * layout->Height;
}

TImageBuffer ReadBmpOrEmpty(std::span<const std::uint8_t> data) noexcept {
    std::optional<TImageBuffer> image = ReadBmp(data);
    return image ? std::move(*image) : TImageBuffer();
}

std::vector<std::uint8_t> WriteBmp(const TImageBuffer& image, int bitsPerPixel, bool topDown) {
    if (image.Empty()) return {};
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 &&
        bitsPerPixel != 32)
        return {};

    std::vector<std::uint32_t> palette;
    std::unordered_map<std::uint32_t, std::uint8_t> index;
    if (bitsPerPixel <= 8 && !BuildPalette(image, std::size_t{1} << bitsPerPixel, palette, index)) return {};

    const std::size_t width = static_cast<std::size_t>(image.Width());
    const std::size_t height = static_cast<std::size_t>(image.Height());
    const std::size_t stride = ((width * static_cast<std::size_t>(bitsPerPixel) + 31) / 32) * 4;
    const std::size_t pixelOffset = FileHeaderSize + InfoHeaderSize + palette.size() * 4;
    const std::size_t fileSize = pixelOffset + stride * height;
    std::vector<std::uint8_t> out(fileSize, 0);

    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<std::uint32_t>(fileSize));
    Put32(out, 10, static_cast<std::uint32_t>(pixelOffset));
    Put32(out, 14, InfoHeaderSize);
    Put32(out, 18, static_cast<std::uint32_t>(width));
    const std::int32_t signedHeight = topDown ? -static_cast<std::int32_t>(height) : static_cast<std::int32_t>(height);
    Put32(out, 22, static_cast<std::uint32_t>(signedHeight));
    Put16(out, 26, 1);
    Put16(out, 28, static_cast<std::uint32_t>(bitsPerPixel));
    Put32(out, 30, kDibRgb);
    Put32(out, 34, static_cast<std::uint32_t>(stride * height));
    Put32(out, 38, 2835);  // 72 dpi, as most tools write it
    Put32(out, 42, 2835);
    Put32(out, 46, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i) Put32(out, FileHeaderSize + InfoHeaderSize + 4 * i, palette[i]);

    for (std::size_t fileRow = 0; fileRow < height; ++fileRow) {
        const int y = static_cast<int>(topDown ? fileRow : height - 1 - fileRow);
        std::span<const std::uint32_t> src = image.Row(y);
        std::uint8_t* dst = out.data() + pixelOffset + fileRow * stride;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t p = src[x];
            switch (bitsPerPixel) {
                case 1:
                case 4:
                case 8: {
                    const std::size_t perByte = 8 / static_cast<std::size_t>(bitsPerPixel);
                    const int shift = 8 - bitsPerPixel * static_cast<int>(x % perByte + 1);
                    dst[x / perByte] |= static_cast<std::uint8_t>(index.at(p & 0x00FFFFFFu) << shift);
                    break;
                }
                case 16: {
                    const std::uint32_t v =
                        ((PixelRed(p) >> 3) << 10) | ((PixelGreen(p) >> 3) << 5) | (PixelBlue(p) >> 3);
                    dst[2 * x] = static_cast<std::uint8_t>(v);
                    dst[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                }
                case 24:
                    dst[3 * x] = PixelBlue(p);
                    dst[3 * x + 1] = PixelGreen(p);
                    dst[3 * x + 2] = PixelRed(p);
                    break;
                case 32:
                    dst[4 * x] = PixelBlue(p);
                    dst[4 * x + 1] = PixelGreen(p);
                    dst[4 * x + 2] = PixelRed(p);
                    dst[4 * x + 3] = PixelAlpha(p);
                    break;
            }
        }
    }
    return out;
}

}  // namespace qd
