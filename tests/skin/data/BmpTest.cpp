#include "skin/data/Bmp.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

namespace qd {
namespace {

// --- A byte-level bitmap file builder, independent of the writer under test -------------------------------

struct TBmpSpec {
    std::uint32_t HeaderSize = 40;
    std::int32_t Width = 1;
    std::int32_t Height = 1;
    std::uint16_t Planes = 1;
    std::uint16_t Bits = 24;
    std::uint32_t Compression = 0;
    std::uint32_t ColorsUsed = 0;
    std::vector<std::uint32_t> Palette;  // written as 4-byte entries (3-byte for the 12-byte core header)
    std::vector<std::uint32_t> Masks;    // red, green, blue[, alpha]: inside V2+ headers, after a 40-byte one
    std::vector<std::uint8_t> Pixels;    // raw pixel array, rows already padded
    std::int64_t OffsetOverride = -1;
};

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, int bytes) {
    if (out.size() < at + bytes) out.resize(at + bytes, 0);
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> BuildBmp(const TBmpSpec& s) {
    std::vector<std::uint8_t> out(14 + s.HeaderSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put(out, 14, s.HeaderSize, 4);
    if (s.HeaderSize == 12) {
        Put(out, 18, static_cast<std::uint16_t>(s.Width), 2);
        Put(out, 20, static_cast<std::uint16_t>(s.Height), 2);
        Put(out, 22, s.Planes, 2);
        Put(out, 24, s.Bits, 2);
    } else {
        Put(out, 18, static_cast<std::uint32_t>(s.Width), 4);
        Put(out, 22, static_cast<std::uint32_t>(s.Height), 4);
        Put(out, 26, s.Planes, 2);
        Put(out, 28, s.Bits, 2);
        Put(out, 30, s.Compression, 4);
        Put(out, 46, s.ColorsUsed, 4);
        if (s.HeaderSize > 40)
            for (std::size_t i = 0; i < s.Masks.size() && 54 + 4 * i + 4 <= 14 + s.HeaderSize; ++i)
                Put(out, 54 + 4 * i, s.Masks[i], 4);
    }
    if (s.HeaderSize == 40)
        for (std::size_t i = 0; i < s.Masks.size() && i < 3; ++i) Put(out, out.size(), s.Masks[i], 4);
    for (std::uint32_t entry : s.Palette) Put(out, out.size(), entry, s.HeaderSize == 12 ? 3 : 4);
    const std::size_t offset = out.size();
    out.insert(out.end(), s.Pixels.begin(), s.Pixels.end());
    Put(out, 2, out.size(), 4);
    Put(out, 10, s.OffsetOverride >= 0 ? static_cast<std::uint64_t>(s.OffsetOverride) : offset, 4);
    return out;
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

// 5-bit channel value as a reader widens it: round(v * 255 / 31).
std::uint8_t Widen5(int v) { return static_cast<std::uint8_t>((v * 255 + 15) / 31); }

// An image whose colours survive the given depth (few enough colours; 5-bit representable values for 16 bits).
TImageBuffer MakeTestImage(int width, int height, int bits, std::uint32_t seed) {
    std::mt19937 rng(seed);
    TImageBuffer image(width, height);
    std::vector<std::uint32_t> colours;
    const int colourCount = bits <= 8 ? (1 << bits) : 0;
    for (int i = 0; i < colourCount; ++i)
        colours.push_back(
            MakeBgra(static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(i)));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t p;
            if (bits <= 8) {
                p = colours[rng() % colours.size()];
            } else if (bits == 16) {
                p = MakeBgra(Widen5(rng() % 32), Widen5(rng() % 32), Widen5(rng() % 32));
            } else if (bits == 24) {
                p = MakeBgra(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF);
            } else {
                p = static_cast<std::uint32_t>(rng());
            }
            image.SetPixel(x, y, p);
        }
    }
    return image;
}

// --- Round trips through the writer and the reader --------------------------------------------------------

class BmpRoundTrip : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(BmpRoundTrip, EveryDepthAndOrientationReadsBackThePixels) {
    const auto [bits, topDown] = GetParam();
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{7, 3}, std::pair{33, 5}, std::pair{2, 9}}) {
        const TImageBuffer image = MakeTestImage(w, h, bits, static_cast<std::uint32_t>(w * 100 + h + bits));
        const std::vector<std::uint8_t> file = WriteBmp(image, bits, topDown);
        ASSERT_FALSE(file.empty());
        const std::int32_t storedHeight = static_cast<std::int32_t>(file[22] | (file[23] << 8) | (file[24] << 16) |
                                                                    (static_cast<std::uint32_t>(file[25]) << 24));
        EXPECT_EQ(storedHeight, topDown ? -h : h);
        const std::optional<TImageBuffer> back = ReadBmp(file);
        ASSERT_TRUE(back.has_value()) << w << "x" << h;
        EXPECT_EQ(back->BitsPerPixel(), bits);
        if (bits == 32) {
            EXPECT_EQ(*back, image);
        } else {
            // Depths without alpha read back opaque.
            TImageBuffer opaque = image;
            for (std::uint32_t& p : opaque.Pixels()) p |= 0xFF000000u;
            EXPECT_EQ(*back, opaque) << w << "x" << h;
        }
        if (bits <= 8) {
            EXPECT_LE(back->Palette().size(), std::size_t{1} << bits);
            EXPECT_FALSE(back->Palette().empty());
        } else {
            EXPECT_TRUE(back->Palette().empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, BmpRoundTrip,
                         ::testing::Combine(::testing::Values(1, 4, 8, 16, 24, 32), ::testing::Bool()));

TEST(BmpWrite, KeepsTheImagesOwnPaletteOrder) {
    // Palette deliberately not in order of first appearance; index 2 is unused.
    TBmpSpec s;
    s.Bits = 8;
    s.Width = 3;
    s.ColorsUsed = 4;
    s.Palette = {0x000000FF, 0x0000FF00, 0x00123456, 0x00FF0000};
    s.Pixels = Bytes({3, 0, 1, 0});
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    const std::vector<std::uint8_t> file = WriteBmp(*image, 8);
    ASSERT_GE(file.size(), 54u + 16u);
    for (std::size_t i = 0; i < 4; ++i) {
        std::uint32_t entry;
        std::memcpy(&entry, &file[54 + 4 * i], 4);
        EXPECT_EQ(entry, s.Palette[i]) << i;
    }
    EXPECT_EQ(file[54 + 16], 3);
    EXPECT_EQ(file[54 + 17], 0);
    EXPECT_EQ(file[54 + 18], 1);
}

TEST(BmpWrite, RefusesWhatTheDepthCannotHold) {
    TImageBuffer three(3, 1);
    three.SetPixel(0, 0, MakeBgra(1, 0, 0));
    three.SetPixel(1, 0, MakeBgra(2, 0, 0));
    EXPECT_TRUE(WriteBmp(three, 1).empty());
    EXPECT_FALSE(WriteBmp(three, 4).empty());
    TImageBuffer many(300, 1);
    for (int x = 0; x < 300; ++x) many.SetPixel(x, 0, MakeBgra(static_cast<std::uint8_t>(x), x > 255 ? 1 : 0, 0));
    EXPECT_TRUE(WriteBmp(many, 8).empty());
    EXPECT_FALSE(WriteBmp(many, 24).empty());
    EXPECT_TRUE(WriteBmp(TImageBuffer(), 24).empty());
    for (int bits : {0, 2, 15, 48, -8}) EXPECT_TRUE(WriteBmp(three, bits).empty()) << bits;
}

TEST(BmpWrite, SixteenBitsKeepTheTopFiveBitsOfEachChannel) {
    TImageBuffer image(1, 1, MakeBgra(0x0F, 0x80, 0xFF));
    const std::optional<TImageBuffer> back = ReadBmp(WriteBmp(image, 16));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Pixel(0, 0), MakeBgra(Widen5(0x0F >> 3), Widen5(0x80 >> 3), 0xFF));
}

// --- Decoding of hand-made files ----------------------------------------------------------------------------

TEST(BmpRead, BottomUpRowsComeFirstInTheFileAndPixelsArePaddedToFourBytes) {
    TBmpSpec s;
    s.Width = 2;
    s.Height = 2;
    // File row 0 is the bottom row. Each 6-byte row is padded to 8.
    s.Pixels = Bytes({1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE});
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixel(0, 1), MakeBgra(1, 2, 3));
    EXPECT_EQ(image->Pixel(1, 1), MakeBgra(4, 5, 6));
    EXPECT_EQ(image->Pixel(0, 0), MakeBgra(7, 8, 9));
    EXPECT_EQ(image->Pixel(1, 0), MakeBgra(10, 11, 12));

    s.Height = -2;
    const std::optional<TImageBuffer> topDown = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(topDown);
    EXPECT_EQ(topDown->Pixel(0, 0), MakeBgra(1, 2, 3));
    EXPECT_EQ(topDown->Pixel(1, 1), MakeBgra(10, 11, 12));
}

TEST(BmpRead, PackedIndicesAreMostSignificantFirst) {
    TBmpSpec one;
    one.Bits = 1;
    one.Width = 10;
    one.Palette = {0x00000000, 0x00FFFFFF};
    one.Pixels = Bytes({0b10100000, 0b01000000, 0, 0});
    const std::optional<TImageBuffer> mono = ReadBmp(BuildBmp(one));
    ASSERT_TRUE(mono);
    const std::uint32_t w = MakeBgra(255, 255, 255), k = MakeBgra(0, 0, 0);
    const std::uint32_t expected[10] = {w, k, w, k, k, k, k, k, k, w};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(mono->Pixel(x, 0), expected[x]) << x;
    EXPECT_EQ(mono->BitsPerPixel(), 1);

    TBmpSpec four;
    four.Bits = 4;
    four.Width = 3;
    four.ColorsUsed = 3;
    four.Palette = {0x00000010, 0x00000020, 0x00000030};
    four.Pixels = Bytes({0x21, 0x00, 0, 0});
    const std::optional<TImageBuffer> nibbles = ReadBmp(BuildBmp(four));
    ASSERT_TRUE(nibbles);
    EXPECT_EQ(nibbles->Pixel(0, 0), MakeBgra(0x30, 0, 0));
    EXPECT_EQ(nibbles->Pixel(1, 0), MakeBgra(0x20, 0, 0));
    EXPECT_EQ(nibbles->Pixel(2, 0), MakeBgra(0x10, 0, 0));
    EXPECT_EQ(nibbles->Palette().size(), 3u);
}

TEST(BmpRead, IndexBeyondAShortPaletteIsOpaqueBlack) {
    TBmpSpec s;
    s.Bits = 8;
    s.Width = 2;
    s.ColorsUsed = 2;
    s.Palette = {0x00112233, 0x00445566};
    s.Pixels = Bytes({1, 200, 0, 0});
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixel(0, 0), MakeBgra(0x66, 0x55, 0x44));
    EXPECT_EQ(image->Pixel(1, 0), MakeBgra(0, 0, 0));
}

TEST(BmpRead, CoreHeaderUsesSixteenBitSizesAndThreeBytePaletteEntries) {
    TBmpSpec s;
    s.HeaderSize = 12;
    s.Bits = 8;
    s.Width = 2;
    s.Height = 1;
    s.Palette.assign(256, 0);
    s.Palette[5] = 0x00A0B0C0;
    s.Pixels = Bytes({5, 0, 0, 0});
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixel(0, 0), MakeBgra(0xC0, 0xB0, 0xA0));
    EXPECT_EQ(image->Pixel(1, 0), MakeBgra(0, 0, 0));
}

TEST(BmpRead, SixteenBitDefaultIsFiveFiveFive) {
    TBmpSpec s;
    s.Bits = 16;
    s.Width = 2;
    s.Pixels = Bytes({0x00, 0x7C, 0x1F, 0x00});  // pure red, pure blue
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixel(0, 0), MakeBgra(0, 0, 255));
    EXPECT_EQ(image->Pixel(1, 0), MakeBgra(255, 0, 0));
}

TEST(BmpRead, BitfieldsAfterAPlainHeaderDecodeFiveSixFive) {
    TBmpSpec s;
    s.Bits = 16;
    s.Width = 4;
    s.Compression = 3;
    s.Masks = {0xF800, 0x07E0, 0x001F};
    // red max, green max, blue max, red 16/31 + green 32/63
    s.Pixels = Bytes({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x00, 0x84});
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixel(0, 0), MakeBgra(0, 0, 255));
    EXPECT_EQ(image->Pixel(1, 0), MakeBgra(0, 255, 0));
    EXPECT_EQ(image->Pixel(2, 0), MakeBgra(255, 0, 0));
    EXPECT_EQ(image->Pixel(3, 0), MakeBgra(0, static_cast<std::uint8_t>((32 * 255 + 31) / 63), Widen5(16)));
}

TEST(BmpRead, BitfieldsInsideAVersionFiveHeaderKeepAlpha) {
    TBmpSpec s;
    s.HeaderSize = 124;
    s.Bits = 32;
    s.Width = 1;
    s.Height = -1;
    s.Compression = 3;
    s.Masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};  // stored as A R G B... in byte order
    s.Pixels = Bytes({0x40, 0x11, 0x22, 0x33});
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixel(0, 0), MakeBgra(0x33, 0x22, 0x11, 0x40));
    EXPECT_EQ(image->BitsPerPixel(), 32);
}

TEST(BmpRead, ThirtyTwoBitRgbKeepsTheFourthByteAndWideMasksKeepTheirTopBits) {
    TBmpSpec rgb;
    rgb.Bits = 32;
    rgb.Pixels = Bytes({1, 2, 3, 0});
    const std::optional<TImageBuffer> plain = ReadBmp(BuildBmp(rgb));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Pixel(0, 0), MakeBgra(1, 2, 3, 0));

    TBmpSpec wide;  // 10-10-10 bits, no alpha mask: opaque
    wide.HeaderSize = 56;
    wide.Bits = 32;
    wide.Compression = 3;
    wide.Masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0};
    const std::uint32_t v = (0x3FFu << 20) | (0x200u << 10) | 0x001u;
    wide.Pixels = Bytes({static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                         static_cast<int>((v >> 16) & 0xFF), static_cast<int>(v >> 24)});
    const std::optional<TImageBuffer> tenBit = ReadBmp(BuildBmp(wide));
    ASSERT_TRUE(tenBit);
    EXPECT_EQ(tenBit->Pixel(0, 0), MakeBgra(0x00, 0x80, 0xFF, 0xFF));
}

TEST(BmpRead, AZeroColourMaskMakesThatChannelZero) {
    TBmpSpec s;
    s.Bits = 16;
    s.Width = 1;
    s.Compression = 3;
    s.Masks = {0xF800, 0, 0x001F};
    s.Pixels = Bytes({0xFF, 0xFF, 0, 0});
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixel(0, 0), MakeBgra(255, 0, 255));
}

// --- Malformed files are rejected as a whole --------------------------------------------------------------

TBmpSpec ValidSmall() {
    TBmpSpec s;
    s.Bits = 8;
    s.Width = 3;
    s.Height = 2;
    s.Palette = {0x00FF0000, 0x0000FF00};
    s.ColorsUsed = 2;
    s.Pixels = Bytes({0, 1, 0, 0, 1, 0, 1, 0});
    return s;
}

TEST(BmpReject, EveryTruncationOfAValidFileIsRejected) {
    const std::vector<std::uint8_t> file = BuildBmp(ValidSmall());
    ASSERT_TRUE(ReadBmp(file));
    for (std::size_t n = 0; n < file.size(); ++n) {
        // A copy of exactly n bytes, so that reading past it is caught by AddressSanitizer.
        std::vector<std::uint8_t> part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(ReadBmp(part)) << n;
        EXPECT_TRUE(ReadBmpOrEmpty(part).Empty());
    }
}

TEST(BmpReject, WrongSignatureOrHeaderSize) {
    std::vector<std::uint8_t> file = BuildBmp(ValidSmall());
    file[1] = 'A';
    EXPECT_FALSE(ReadBmp(file));
    for (std::uint32_t size : {0u, 11u, 13u, 39u, 41u, 64u, 200u, 0xFFFFFFFFu}) {
        std::vector<std::uint8_t> bad = BuildBmp(ValidSmall());
        Put(bad, 14, size, 4);
        EXPECT_FALSE(ReadBmp(bad)) << size;
    }
}

TEST(BmpReject, ZeroNegativeAndHugeDimensions) {
    for (auto [w, h] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{-3, 2}, std::pair{3, INT32_MIN},
                        std::pair{16385, 1}, std::pair{1, -16385}, std::pair{16384, 16384}, std::pair{INT32_MAX, 1}}) {
        TBmpSpec s = ValidSmall();
        s.Width = w;
        s.Height = h;
        EXPECT_FALSE(ReadBmp(BuildBmp(s))) << w << "x" << h;
    }
}

TEST(BmpReject, DimensionsWhosePixelArrayIsNotInTheFile) {
    // Within the size limits but the pixel array (16384 * 4 bytes per row * 1024 rows) is absent.
    TBmpSpec s;
    s.Bits = 32;
    s.Width = 16384;
    s.Height = -1024;
    s.Pixels.assign(64, 0);
    EXPECT_FALSE(ReadBmp(BuildBmp(s)));
    // A stride whose 32-bit computation would wrap: 0x40000000 pixels of 32 bits.
    s.Width = 0x40000000;
    s.Height = 1;
    EXPECT_FALSE(ReadBmp(BuildBmp(s)));
}

TEST(BmpReject, OneByteShortOfTheLastRow) {
    TBmpSpec s = ValidSmall();
    s.Pixels.pop_back();
    EXPECT_FALSE(ReadBmp(BuildBmp(s)));
}

TEST(BmpReject, BadPlanesDepthOrCompression) {
    TBmpSpec planes = ValidSmall();
    planes.Planes = 2;
    EXPECT_FALSE(ReadBmp(BuildBmp(planes)));
    for (std::uint16_t bits : {0, 2, 3, 12, 48, 64}) {
        TBmpSpec s = ValidSmall();
        s.Bits = bits;
        EXPECT_FALSE(ReadBmp(BuildBmp(s))) << bits;
    }
    for (std::uint32_t compression : {1u, 2u, 4u, 5u, 6u, 99u}) {
        TBmpSpec s = ValidSmall();
        s.Compression = compression;
        EXPECT_FALSE(ReadBmp(BuildBmp(s))) << compression;
    }
    TBmpSpec bitfields24;
    bitfields24.Compression = 3;
    bitfields24.Masks = {0xFF0000, 0xFF00, 0xFF};
    bitfields24.Pixels.assign(4, 0);
    EXPECT_FALSE(ReadBmp(BuildBmp(bitfields24)));
}

TEST(BmpReject, MasksThatAreNotContiguousOrDoNotFitTheDepth) {
    TBmpSpec s;
    s.Bits = 16;
    s.Compression = 3;
    s.Pixels.assign(4, 0);
    s.Masks = {0xF801, 0x07E0, 0x001E};
    EXPECT_FALSE(ReadBmp(BuildBmp(s)));
    s.Masks = {0x1F0000, 0x07E0, 0x001F};
    EXPECT_FALSE(ReadBmp(BuildBmp(s)));
    s.Masks = {0xF800, 0x07E0, 0x001F};
    EXPECT_TRUE(ReadBmp(BuildBmp(s)));
    // Masks of a 40-byte header that the file does not hold.
    std::vector<std::uint8_t> file = BuildBmp(s);
    file.resize(14 + 40 + 8);
    EXPECT_FALSE(ReadBmp(file));
}

TEST(BmpReject, PaletteBeyondTheFileOrTooLong) {
    TBmpSpec s = ValidSmall();
    s.ColorsUsed = 300;
    EXPECT_FALSE(ReadBmp(BuildBmp(s)));
    TBmpSpec four = ValidSmall();
    four.Bits = 4;
    four.ColorsUsed = 17;
    EXPECT_FALSE(ReadBmp(BuildBmp(four)));
    // 256 entries announced by default, two present, pixel offset past them: palette runs out of the file.
    TBmpSpec missing = ValidSmall();
    missing.ColorsUsed = 0;
    missing.OffsetOverride = 14 + 40 + 1024;
    EXPECT_FALSE(ReadBmp(BuildBmp(missing)));
}

TEST(BmpReject, PixelOffsetInsideTheHeadersOrBeyondTheFile) {
    const std::size_t headers = 14 + 40 + 8;
    for (std::int64_t offset : {std::int64_t{0}, std::int64_t{14}, std::int64_t(headers - 1), std::int64_t(headers + 1),
                                std::int64_t{0x7FFFFFFF}, std::int64_t{0xFFFFFFFF}}) {
        TBmpSpec s = ValidSmall();
        s.OffsetOverride = offset;
        EXPECT_FALSE(ReadBmp(BuildBmp(s))) << offset;
    }
    TBmpSpec ok = ValidSmall();
    ok.OffsetOverride = static_cast<std::int64_t>(headers);
    EXPECT_TRUE(ReadBmp(BuildBmp(ok)));
}

TEST(BmpReject, PixelArrayMayStartLaterWhenTheFileHoldsIt) {
    TBmpSpec s = ValidSmall();
    s.Pixels.insert(s.Pixels.begin(), 4, 0xAB);  // gap between palette and pixels
    s.OffsetOverride = 14 + 40 + 8 + 4;
    const std::optional<TImageBuffer> image = ReadBmp(BuildBmp(s));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixel(1, 1), MakeBgra(0, 0xFF, 0));
}

}  // namespace
}  // namespace qd
