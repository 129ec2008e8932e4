#include "skin/data/PixelOps.h"

#include <gtest/gtest.h>

#include <random>

#include "skin/data/Bmp.h"

namespace qd {
namespace {

// Distinct opaque test colours A, B, C, D ...
constexpr std::uint32_t A = MakeBgra(1, 0, 0);
constexpr std::uint32_t B = MakeBgra(2, 0, 0);
constexpr std::uint32_t C = MakeBgra(3, 0, 0);
constexpr std::uint32_t D = MakeBgra(4, 0, 0);
constexpr std::uint32_t E = MakeBgra(5, 0, 0);
constexpr std::uint32_t F = MakeBgra(6, 0, 0);

TImageBuffer FromRows(std::initializer_list<std::initializer_list<std::uint32_t>> rows) {
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows.begin()->size());
    TImageBuffer image(width, height);
    int y = 0;
    for (const auto& row : rows) {
        int x = 0;
        for (std::uint32_t p : row) image.SetPixel(x++, y, p);
        ++y;
    }
    return image;
}

TImageBuffer RandomImage(int width, int height, std::uint32_t seed) {
    std::mt19937 rng(seed);
    TImageBuffer image(width, height);
    for (std::uint32_t& p : image.Pixels()) p = static_cast<std::uint32_t>(rng()) | 0xFF000000u;
    return image;
}

// --- The pixel mappings -----------------------------------------------------------------------------------

TEST(PixelOpsMapping, OnePixelIsUnchangedByEveryGeometricOperation) {
    for (void (*op)(TImageBuffer&) : {&MirrorHorizontal, &FlipVertical, &RotateClockwise, &RotateCounterClockwise}) {
        TImageBuffer image(1, 1, C);
        op(image);
        EXPECT_EQ(image, TImageBuffer(1, 1, C));
    }
}

TEST(PixelOpsMapping, RotatingOneRowOfTwo) {
    TImageBuffer ccw = FromRows({{A, B}});
    RotateCounterClockwise(ccw);
    EXPECT_EQ(ccw, FromRows({{B}, {A}}));
    TImageBuffer cw = FromRows({{A, B}});
    RotateClockwise(cw);
    EXPECT_EQ(cw, FromRows({{A}, {B}}));
}

TEST(PixelOpsMapping, RotatingTwoByTwo) {
    TImageBuffer cw = FromRows({{A, B}, {C, D}});
    RotateClockwise(cw);
    EXPECT_EQ(cw, FromRows({{C, A}, {D, B}}));
    TImageBuffer ccw = FromRows({{A, B}, {C, D}});
    RotateCounterClockwise(ccw);
    EXPECT_EQ(ccw, FromRows({{B, D}, {A, C}}));
}

TEST(PixelOpsMapping, RotatingANonSquareImageSwapsItsSides) {
    TImageBuffer cw = FromRows({{A, B, C}, {D, E, F}});
    RotateClockwise(cw);
    EXPECT_EQ(cw.Width(), 2);
    EXPECT_EQ(cw.Height(), 3);
    EXPECT_EQ(cw, FromRows({{D, A}, {E, B}, {F, C}}));
    TImageBuffer ccw = FromRows({{A, B, C}, {D, E, F}});
    RotateCounterClockwise(ccw);
    EXPECT_EQ(ccw, FromRows({{C, F}, {B, E}, {A, D}}));
}

TEST(PixelOpsMapping, MirrorReversesRowsAndFlipReversesRowOrder) {
    TImageBuffer mirrored = FromRows({{A, B, C}, {D, E, F}});
    MirrorHorizontal(mirrored);
    EXPECT_EQ(mirrored, FromRows({{C, B, A}, {F, E, D}}));
    TImageBuffer flipped = FromRows({{A, B}, {C, D}, {E, F}});
    FlipVertical(flipped);
    EXPECT_EQ(flipped, FromRows({{E, F}, {C, D}, {A, B}}));
}

TEST(PixelOpsMapping, InversePairsGiveBackTheStartingImage) {
    const TImageBuffer start = RandomImage(7, 5, 42);
    TImageBuffer image = start;
    MirrorHorizontal(image);
    EXPECT_NE(image, start);
    MirrorHorizontal(image);
    EXPECT_EQ(image, start);
    FlipVertical(image);
    EXPECT_NE(image, start);
    FlipVertical(image);
    EXPECT_EQ(image, start);
    RotateClockwise(image);
    RotateCounterClockwise(image);
    EXPECT_EQ(image, start);
    for (int i = 0; i < 4; ++i) RotateClockwise(image);
    EXPECT_EQ(image, start);
    // Two quarter turns are a mirror plus a flip.
    TImageBuffer halfTurn = start;
    RotateCounterClockwise(halfTurn);
    RotateCounterClockwise(halfTurn);
    TImageBuffer mirrorFlip = start;
    MirrorHorizontal(mirrorFlip);
    FlipVertical(mirrorFlip);
    EXPECT_EQ(halfTurn, mirrorFlip);
}

// --- Grey -------------------------------------------------------------------------------------------------

TEST(PixelOpsGrey, ChannelsBecomeTheirTruncatedMean) {
    TImageBuffer image =
        FromRows({{MakeBgra(10, 20, 31), MakeBgra(0, 0, 2), MakeBgra(255, 255, 255), MakeBgra(255, 0, 0)}});
    MakeGrayscale(image);
    EXPECT_EQ(image.Pixel(0, 0), MakeBgra(20, 20, 20));
    EXPECT_EQ(image.Pixel(1, 0), MakeBgra(0, 0, 0));
    EXPECT_EQ(image.Pixel(2, 0), MakeBgra(255, 255, 255));
    EXPECT_EQ(image.Pixel(3, 0), MakeBgra(85, 85, 85));
}

// --- Every operation converts to 24 bits itself -----------------------------------------------------------

TEST(PixelOpsFormat, PaletteAndAlphaImagesComeOutAsOpaqueTwentyFourBit) {
    TImageBuffer paletted(2, 1);
    paletted.SetPixel(0, 0, A);
    paletted.SetPixel(1, 0, B);
    std::optional<TImageBuffer> eightBit = ReadBmp(WriteBmp(paletted, 8));
    ASSERT_TRUE(eightBit);
    ASSERT_EQ(eightBit->BitsPerPixel(), 8);
    ASSERT_FALSE(eightBit->Palette().empty());

    TImageBuffer translucent(2, 2, MakeBgra(9, 8, 7, 0x10));
    translucent.SetBitsPerPixel(32);

    for (void (*op)(TImageBuffer&) :
         {&MakeGrayscale, &MirrorHorizontal, &FlipVertical, &RotateClockwise, &RotateCounterClockwise}) {
        TImageBuffer a = *eightBit;
        op(a);
        EXPECT_EQ(a.BitsPerPixel(), 24);
        EXPECT_TRUE(a.Palette().empty());
        TImageBuffer b = translucent;
        op(b);
        EXPECT_EQ(b.BitsPerPixel(), 24);
        for (std::uint32_t p : b.Pixels()) EXPECT_EQ(PixelAlpha(p), 0xFF);
    }
    TImageBuffer mirrored = translucent;
    MirrorHorizontal(mirrored);
    EXPECT_EQ(mirrored.Pixel(0, 0), MakeBgra(9, 8, 7));
}

TEST(PixelOpsFormat, EmptyImagesStayEmpty) {
    for (void (*op)(TImageBuffer&) :
         {&MakeGrayscale, &MirrorHorizontal, &FlipVertical, &RotateClockwise, &RotateCounterClockwise}) {
        TImageBuffer image;
        op(image);
        EXPECT_TRUE(image.Empty());
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.Height(), 0);
    }
}

// --- The image buffer's own rules -------------------------------------------------------------------------

TEST(ImageBuffer, SizeLimitsAreEnforced) {
    EXPECT_TRUE(TImageBuffer::IsValidSize(1, 1));
    EXPECT_TRUE(TImageBuffer::IsValidSize(16384, 4096));
    EXPECT_FALSE(TImageBuffer::IsValidSize(16384, 4097));
    EXPECT_FALSE(TImageBuffer::IsValidSize(16385, 1));
    EXPECT_FALSE(TImageBuffer::IsValidSize(0, 5));
    EXPECT_FALSE(TImageBuffer::IsValidSize(5, -1));
    EXPECT_THROW(TImageBuffer(-1, 4), EImageError);
    EXPECT_THROW(TImageBuffer(0, 4), EImageError);
    EXPECT_THROW(TImageBuffer(20000, 1), EImageError);
    EXPECT_TRUE(TImageBuffer(0, 0).Empty());
}

TEST(ImageBuffer, OutOfRangeAccessAndBadFormatsRaise) {
    TImageBuffer image(3, 2, A);
    EXPECT_THROW(image.Pixel(3, 0), EImageError);
    EXPECT_THROW(image.Pixel(0, -1), EImageError);
    EXPECT_THROW(image.SetPixel(-1, 0, B), EImageError);
    EXPECT_THROW(image.Row(2), EImageError);
    EXPECT_THROW(image.SetBitsPerPixel(7), EImageError);
    EXPECT_THROW(image.SetPalette(std::vector<std::uint32_t>(257, 0)), EImageError);
    EXPECT_EQ(image.Row(1).size(), 3u);
    EXPECT_EQ(image.Pixel(2, 1), A);
}

}  // namespace
}  // namespace qd
