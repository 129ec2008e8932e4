#pragma once
// Test helper: BMP files written by hand, byte by byte, so that tests of the readers do not depend on any
// writer under test. Portable.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qd::bmptest {

inline void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

struct TBmpRecipe {
    int BitCount = 24;
    int HeaderSize = 40;  // 12, 40, 108 or 124
    bool TopDown = false;
    std::uint32_t Compression = 0;
    std::vector<std::uint32_t> Masks;              // BI_BITFIELDS: R, G, B
    std::vector<std::uint32_t> Palette;            // 0xRRGGBB entries
    std::vector<std::vector<std::uint32_t>> Rows;  // raw pixel values (index or packed), top row first
};

inline std::vector<std::uint8_t> MakeBmp(const TBmpRecipe& s) {
    const int w = static_cast<int>(s.Rows.at(0).size()), h = static_cast<int>(s.Rows.size());
    const std::size_t stride = ((static_cast<std::size_t>(w) * s.BitCount + 31) / 32) * 4;
    const bool core = s.HeaderSize == 12;
    const std::size_t masksOutside = (s.Compression == 3 && s.HeaderSize == 40) ? 12 : 0;
    const std::size_t tableAt = 14 + s.HeaderSize + masksOutside;
    const std::size_t offBits = tableAt + s.Palette.size() * (core ? 3 : 4);
    std::vector<std::uint8_t> b(offBits + stride * h, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, static_cast<std::uint32_t>(offBits));
    Put32(b, 14, static_cast<std::uint32_t>(s.HeaderSize));
    if (core) {
        Put16(b, 18, w);
        Put16(b, 20, h);
        Put16(b, 22, 1);
        Put16(b, 24, s.BitCount);
    } else {
        Put32(b, 18, static_cast<std::uint32_t>(w));
        Put32(b, 22, static_cast<std::uint32_t>(s.TopDown ? -h : h));
        Put16(b, 26, 1);
        Put16(b, 28, s.BitCount);
        Put32(b, 30, s.Compression);
        Put32(b, 46, static_cast<std::uint32_t>(s.Palette.size()));
        for (std::size_t i = 0; i < s.Masks.size(); ++i) Put32(b, 14 + 40 + 4 * i, s.Masks[i]);
    }
    for (std::size_t i = 0; i < s.Palette.size(); ++i) {
        const std::size_t at = tableAt + i * (core ? 3 : 4);
        b[at] = s.Palette[i] & 0xFF;
        b[at + 1] = (s.Palette[i] >> 8) & 0xFF;
        b[at + 2] = (s.Palette[i] >> 16) & 0xFF;
    }
    for (int y = 0; y < h; ++y) {
        const int fileRow = s.TopDown ? y : h - 1 - y;
        std::uint8_t* row = b.data() + offBits + stride * fileRow;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = s.Rows[y][x];
            switch (s.BitCount) {
                case 1:
                    row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<std::uint8_t>((v & 0xF) << (x % 2 ? 0 : 4));
                    break;
                case 8:
                    row[x] = static_cast<std::uint8_t>(v);
                    break;
                case 16:
                    row[2 * x] = v & 0xFF;
                    row[2 * x + 1] = (v >> 8) & 0xFF;
                    break;
                case 24:
                    row[3 * x] = v & 0xFF;
                    row[3 * x + 1] = (v >> 8) & 0xFF;
                    row[3 * x + 2] = (v >> 16) & 0xFF;
                    break;
                default:
                    for (int k = 0; k < 4; ++k) row[4 * x + k] = (v >> (8 * k)) & 0xFF;
                    break;
            }
        }
    }
    return b;
}

// A 24-bit bottom-up file of width x height; pixel(x, row, bgr) gives each pixel's three bytes, called in file
// order (bottom row first, left to right).
template <class F>
std::vector<std::uint8_t> MakeBmp24(int width, int height, F&& pixel) {
    TBmpRecipe recipe;
    recipe.Rows.assign(static_cast<std::size_t>(height), std::vector<std::uint32_t>(static_cast<std::size_t>(width)));
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            std::uint8_t bgr[3] = {};
            pixel(x, row, bgr);
            recipe.Rows[static_cast<std::size_t>(height - 1 - row)][static_cast<std::size_t>(x)] =
                bgr[0] | bgr[1] << 8 | static_cast<std::uint32_t>(bgr[2]) << 16;
        }
    return MakeBmp(recipe);
}

}  // namespace qd::bmptest
