#include "skin/data/Bmp.h"

#include <bit>
#include <cstddef>
#include <limits>
#include <new>
#include <unordered_map>

namespace qd {
namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t CoreHeaderSize = 12;
constexpr std::size_t InfoHeaderSize = 40;

// Little-endian field access. Callers check the bounds first; every offset here is known to be inside `data`.
std::uint16_t Get16(std::span<const std::uint8_t> data, std::size_t at) noexcept {
    return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}
std::uint32_t Get32(std::span<const std::uint8_t> data, std::size_t at) noexcept {
    return static_cast<std::uint32_t>(data[at]) | (static_cast<std::uint32_t>(data[at + 1]) << 8) |
           (static_cast<std::uint32_t>(data[at + 2]) << 16) | (static_cast<std::uint32_t>(data[at + 3]) << 24);
}

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

struct THeader {
    std::int64_t Width = 0;
    std::int64_t Height = 0;  // absolute value
    bool TopDown = false;
    int Bits = 0;
    std::uint32_t Compression = BI_RGB;
    std::size_t PaletteStart = 0;
    std::size_t PaletteEntrySize = 4;
    std::size_t PaletteCount = 0;
    std::uint32_t Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

// Parses and validates everything in front of the pixel array. Returns false for any malformed header.
bool ParseHeader(std::span<const std::uint8_t> data, THeader& h, std::uint64_t& pixelOffset) noexcept {
    const std::uint64_t size = data.size();
    if (size < FileHeaderSize + 4) return false;
    if (data[0] != 'B' || data[1] != 'M') return false;
    pixelOffset = Get32(data, 10);
    const std::uint64_t headerSize = Get32(data, 14);
    if (FileHeaderSize + headerSize > size) return false;

    std::uint32_t colorsUsed = 0;
    std::uint64_t afterHeader = FileHeaderSize + headerSize;
    if (headerSize == CoreHeaderSize) {
        // OS/2 core header: unsigned 16-bit sizes, always bottom-up, RGB triples in the palette.
        h.Width = Get16(data, 18);
        h.Height = Get16(data, 20);
        if (Get16(data, 22) != 1) return false;
        h.Bits = Get16(data, 24);
        if (h.Bits != 1 && h.Bits != 4 && h.Bits != 8 && h.Bits != 24) return false;
        h.PaletteEntrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
        const auto width = static_cast<std::int32_t>(Get32(data, 18));
        const auto height = static_cast<std::int32_t>(Get32(data, 22));
        if (Get16(data, 26) != 1) return false;
        h.Bits = Get16(data, 28);
        h.Compression = Get32(data, 30);
        colorsUsed = Get32(data, 46);
        // Negative heights mean top-down rows; INT32_MIN has no positive counterpart.
        if (height == std::numeric_limits<std::int32_t>::min()) return false;
        h.Width = width;
        h.TopDown = height < 0;
        h.Height = height < 0 ? -static_cast<std::int64_t>(height) : height;
        if (h.Bits != 1 && h.Bits != 4 && h.Bits != 8 && h.Bits != 16 && h.Bits != 24 && h.Bits != 32) return false;
        if (h.Compression == BI_BITFIELDS) {
            if (h.Bits != 16 && h.Bits != 32) return false;
            std::size_t maskAt = FileHeaderSize + InfoHeaderSize;
            if (headerSize == InfoHeaderSize) {
                // The three masks follow a plain 40-byte header; later header versions hold them inside.
                if (afterHeader + 12 > size) return false;
                afterHeader += 12;
            }
            h.Masks[0] = Get32(data, maskAt);
            h.Masks[1] = Get32(data, maskAt + 4);
            h.Masks[2] = Get32(data, maskAt + 8);
            if (headerSize >= 56) h.Masks[3] = Get32(data, maskAt + 12);
            if (h.Bits == 16) {
                for (std::uint32_t m : h.Masks)
                    if (m > 0xFFFFu) return false;
            }
        } else if (h.Compression != BI_RGB) {
            return false;  // run-length, JPEG, PNG: skins never hold these
        }
    } else {
        return false;
    }

    if (!TImageBuffer::IsValidSize(h.Width, h.Height)) return false;

    if (h.Bits <= 8) {
        const std::uint32_t full = std::uint32_t{1} << h.Bits;
        if (colorsUsed > full) return false;
        h.PaletteCount = colorsUsed == 0 ? full : colorsUsed;
    }
    h.PaletteStart = static_cast<std::size_t>(afterHeader);
    const std::uint64_t paletteEnd = afterHeader + static_cast<std::uint64_t>(h.PaletteCount) * h.PaletteEntrySize;
    if (paletteEnd > size) return false;
    // The pixel array must start behind the headers and the palette, and lie wholly inside the file.
    if (pixelOffset < paletteEnd) return false;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(h.Width) * h.Bits + 31) / 32) * 4;
    const std::uint64_t pixelBytes = stride * static_cast<std::uint64_t>(h.Height);
    if (pixelOffset > size || pixelBytes > size - pixelOffset) return false;
    return true;
}

TImageBuffer Decode(std::span<const std::uint8_t> data, const THeader& h, std::size_t pixelOffset) {
    const int width = static_cast<int>(h.Width);
    const int height = static_cast<int>(h.Height);
    TImageBuffer image(width, height);
    image.SetBitsPerPixel(h.Bits);

    std::vector<std::uint32_t> palette;
    palette.reserve(h.PaletteCount);
    for (std::size_t i = 0; i < h.PaletteCount; ++i) {
        const std::size_t at = h.PaletteStart + i * h.PaletteEntrySize;
        palette.push_back(MakeBgra(data[at], data[at + 1], data[at + 2]));
    }

    TChannel red, green, blue, alpha;
    if (h.Bits == 16 || h.Bits == 32) {
        std::uint32_t masks[4] = {h.Masks[0], h.Masks[1], h.Masks[2], h.Masks[3]};
        if (h.Compression == BI_RGB) {
            if (h.Bits == 16) {
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

    const std::size_t stride = ((static_cast<std::size_t>(width) * h.Bits + 31) / 32) * 4;
    const std::uint32_t black = MakeBgra(0, 0, 0);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const int y = h.TopDown ? fileRow : height - 1 - fileRow;
        const std::uint8_t* src = data.data() + pixelOffset + static_cast<std::size_t>(fileRow) * stride;
        std::span<std::uint32_t> dst = image.Row(y);
        switch (h.Bits) {
            case 1:
            case 4:
            case 8: {
                const int perByte = 8 / h.Bits;
                const unsigned valueMask = (1u << h.Bits) - 1;
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t byte = src[x / perByte];
                    const int shift = 8 - h.Bits * (x % perByte + 1);
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
    if (h.Bits <= 8) image.SetPalette(std::move(palette));
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
        THeader header;
        std::uint64_t pixelOffset = 0;
        if (!ParseHeader(data, header, pixelOffset)) return std::nullopt;
        return Decode(data, header, static_cast<std::size_t>(pixelOffset));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const Exception&) {
        return std::nullopt;
    }
}

std::optional<std::int64_t> BmpPixelCount(std::span<const std::uint8_t> data) noexcept {
    THeader header;
    std::uint64_t pixelOffset = 0;
    if (!ParseHeader(data, header, pixelOffset)) return std::nullopt;
    return header.Width * header.Height;
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
    Put32(out, 30, BI_RGB);
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
