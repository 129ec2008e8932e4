// Layout checks of BMP files and packed DIBs: what the reader finds in well-formed bytes, and that every
// malformed size, offset and count is refused before anything outside the input could be read.

#include "framework/DibFormat.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "framework/BmpBuilder.h"

namespace qd {
namespace {

using namespace qd::bmptest;

// 5 x 3 picture of raw values (indexes for indexed depths), so 1/4/8/24-bit rows all need padding.
std::vector<std::vector<std::uint32_t>> Rows(std::uint32_t v = 1) {
    return std::vector<std::vector<std::uint32_t>>(3, std::vector<std::uint32_t>(5, v));
}

TEST(DibLayout, ReportsSizeOrientationStrideAndRows) {
    struct TCase {
        int Bits;
        std::size_t Stride;
    };
    for (const TCase c : {TCase{1, 4}, TCase{4, 4}, TCase{8, 8}, TCase{16, 12}, TCase{24, 16}, TCase{32, 20}}) {
        for (bool topDown : {false, true}) {
            TBmpRecipe s;
            s.BitCount = c.Bits;
            s.TopDown = topDown;
            if (c.Bits <= 8) s.Palette = {0x000000, 0xFFFFFF};
            s.Rows = Rows();
            const std::vector<std::uint8_t> file = MakeBmp(s);
            const TDibLayout l = ParseBmpLayout(file);
            EXPECT_EQ(l.Width, 5) << c.Bits;
            EXPECT_EQ(l.Height, 3) << c.Bits;
            EXPECT_EQ(l.TopDown, topDown) << c.Bits;
            EXPECT_EQ(l.BitCount, c.Bits);
            EXPECT_EQ(l.Stride, c.Stride) << c.Bits;
            EXPECT_EQ(l.BitsOffset + l.Stride * 3, file.size()) << "rows end the file, " << c.Bits << " bits";
            EXPECT_EQ(l.Palette.size(), c.Bits <= 8 ? 2u : 0u);
        }
    }
}

TEST(DibLayout, ReadsColourTablesOfEveryHeaderKind) {
    TBmpRecipe s;
    s.BitCount = 8;
    s.Palette = {0x112233, 0x445566, 0x778899};
    s.Rows = Rows(2);
    TDibLayout l = ParseBmpLayout(MakeBmp(s));
    ASSERT_EQ(l.Palette.size(), 3u);
    EXPECT_EQ(l.Palette[1].Red, 0x44);
    EXPECT_EQ(l.Palette[1].Green, 0x55);
    EXPECT_EQ(l.Palette[1].Blue, 0x66);

    // Core headers hold three-byte entries and always 2^depth of them.
    s.HeaderSize = 12;
    s.BitCount = 4;
    s.Palette.resize(16, 0xABCDEF);
    l = ParseBmpLayout(MakeBmp(s));
    ASSERT_EQ(l.Palette.size(), 16u);
    EXPECT_EQ(l.Palette[2].Red, 0x77);
    EXPECT_EQ(l.Palette[15].Blue, 0xEF);
    EXPECT_EQ(l.BitsOffset, 14u + 12u + 16u * 3u);
}

TEST(DibLayout, BitfieldMasksComeFromBehindOrInsideTheHeader) {
    for (int header : {40, 108, 124}) {
        TBmpRecipe s{16, header, false, 3, {0xF800, 0x07E0, 0x001F}, {}, Rows()};
        const std::vector<std::uint8_t> file = MakeBmp(s);
        const TDibLayout l = ParseBmpLayout(file);
        EXPECT_EQ(l.Compression, kDibBitfields);
        EXPECT_EQ(l.Masks[0], 0xF800u) << header;
        EXPECT_EQ(l.Masks[1], 0x07E0u) << header;
        EXPECT_EQ(l.Masks[2], 0x001Fu) << header;
        EXPECT_EQ(l.BitsOffset, 14u + header + (header == 40 ? 12u : 0u));
    }
}

TEST(DibLayout, PackedDibRowsFollowTheTable) {
    TBmpRecipe s;
    s.BitCount = 8;
    s.Palette = {0, 1, 2, 3};
    s.Rows = Rows(3);
    const std::vector<std::uint8_t> file = MakeBmp(s);
    const std::span<const std::uint8_t> dib = std::span<const std::uint8_t>(file).subspan(14);
    const TDibLayout l = ParseDibLayout(dib);
    EXPECT_EQ(l.BitsOffset, 40u + 4u * 4u);
    // A true-colour packed DIB may carry an optimisation table that only moves the rows.
    TBmpRecipe t;
    t.Palette = {1, 2};
    t.Rows = Rows();
    const std::vector<std::uint8_t> file24 = MakeBmp(t);
    EXPECT_EQ(ParseDibLayout(std::span<const std::uint8_t>(file24).subspan(14)).BitsOffset, 40u + 8u);
}

TEST(DibLayout, SizeLimitsHoldWithoutOverflow) {
    TBmpRecipe s;
    s.Rows = Rows();
    std::vector<std::uint8_t> file = MakeBmp(s);
    auto with = [&](std::size_t at, std::uint32_t v) {
        auto b = file;
        Put32(b, at, v);
        return b;
    };
    auto reason = [](const std::vector<std::uint8_t>& b) -> std::string {
        try {
            ParseBmpLayout(b);
            return "accepted";
        } catch (const EInvalidGraphic& e) {
            return e.Message();
        }
    };
    // Dimensions whose byte counts would overflow 32 bits are refused as too large, not wrapped around.
    EXPECT_NE(reason(with(18, 0x7FFFFFFF)).find("too large"), std::string::npos);
    EXPECT_NE(reason(with(22, 0x80000000u)).find("too large"), std::string::npos) << "INT_MIN rows";
    EXPECT_NE(reason(with(18, kMaxBitmapDimension + 1)).find("too large"), std::string::npos);
    // Within the limits but more rows than the bytes hold.
    EXPECT_NE(reason(with(18, 8000)).find("truncated"), std::string::npos);
    // -1 rows: one top-down row, which the bytes do hold.
    const TDibLayout l = ParseBmpLayout(with(22, 0xFFFFFFFFu));
    EXPECT_TRUE(l.TopDown);
    EXPECT_EQ(l.Height, 1);
}

void ExpectRejected(const std::vector<std::uint8_t>& bytes, const char* what) {
    EXPECT_THROW(ParseBmpLayout(bytes), EInvalidGraphic) << what;
}

TEST(DibLayoutRejects, BadHeaders) {
    const std::vector<std::uint8_t> good = MakeBmp(TBmpRecipe{24, 40, false, 0, {}, {}, Rows()});
    auto with32 = [&](std::size_t at, std::uint32_t v) {
        auto b = good;
        Put32(b, at, v);
        return b;
    };
    auto with16 = [&](std::size_t at, std::uint32_t v) {
        auto b = good;
        Put16(b, at, v);
        return b;
    };
    ExpectRejected(with16(0, 0x4D42 ^ 0x0101), "signature");
    ExpectRejected(with32(14, 64), "OS/2 2.x header size");
    ExpectRejected(with32(14, 0xFFFFFFFF), "huge header size");
    ExpectRejected(with32(18, 0), "zero width");
    ExpectRejected(with32(18, 0x80000000u), "negative width");
    ExpectRejected(with32(22, 0), "zero height");
    ExpectRejected(with32(22, 0x80000000u), "INT_MIN height");
    ExpectRejected(with32(18, 0x7FFFFFFF), "huge width");
    ExpectRejected(with32(22, 100000), "huge height");
    ExpectRejected(with32(18, 8000), "width over the pixel budget with a small file");
    ExpectRejected(with16(26, 2), "two planes");
    ExpectRejected(with16(28, 7), "7 bits per pixel");
    ExpectRejected(with16(28, 0), "0 bits per pixel");
    ExpectRejected(with32(30, 1), "RLE8");
    ExpectRejected(with32(30, 4), "JPEG");
    ExpectRejected(with32(30, 3), "bitfields at 24 bits");
    ExpectRejected(with32(10, 0xFFFFFFF0u), "pixel offset beyond the file");
    ExpectRejected(with32(10, 4), "pixel offset inside the file header");
    ExpectRejected(with32(10, 20), "pixel offset inside the info header");
    ExpectRejected(MakeBmp(TBmpRecipe{16, 12, false, 0, {}, {}, Rows()}), "16 bits in a core header");
}

TEST(DibLayoutRejects, BadColourTablesAndMasks) {
    TBmpRecipe s{8, 40, false, 0, {}, {0, 0xFF, 0xFF00, 0xFF0000, 0xFFFFFF, 0x808080}, Rows(2)};
    auto file = MakeBmp(s);
    Put32(file, 46, 257);
    ExpectRejected(file, "colour table larger than 8 bits allow");
    file = MakeBmp(s);
    Put32(file, 46, 0xFFFFFFFFu);
    ExpectRejected(file, "colour count overflow");
    file = MakeBmp(s);
    Put32(file, 10, 14 + 40 + 8);  // rows start inside the six-entry table
    ExpectRejected(file, "pixel offset inside the colour table");

    TBmpRecipe m{16, 40, false, 3, {0xF800, 0x07E0, 0x001F}, {}, Rows()};
    file = MakeBmp(m);
    Put32(file, 54, 0);
    ExpectRejected(file, "empty red mask");
    file = MakeBmp(m);
    Put32(file, 58, 0xF800);
    ExpectRejected(file, "overlapping masks");
    file = MakeBmp(m);
    Put32(file, 54, 0xF0F00);
    ExpectRejected(file, "mask with a gap and beyond 16 bits");
    file = MakeBmp(TBmpRecipe{32, 108, false, 3, {0xFF0000, 0xFF00, 0xFF}, {}, Rows()});
    Put32(file, 14 + 52, 0xF0F00000u);
    ExpectRejected(file, "alpha mask with a gap");
}

TEST(DibLayout, EveryTruncationAndCorruptionIsRefusedOrFitsTheInput) {
    std::vector<std::vector<std::uint8_t>> files;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        TBmpRecipe s;
        s.BitCount = bits;
        if (bits <= 8) s.Palette = {0, 0xFFFFFF, 0xFF};
        s.Rows = Rows();
        files.push_back(MakeBmp(s));
    }
    files.push_back(MakeBmp(TBmpRecipe{32, 124, true, 3, {0xFF0000, 0xFF00, 0xFF}, {}, Rows()}));
    for (const auto& file : files)
        for (std::size_t n = 0; n < file.size(); ++n)
            EXPECT_THROW(ParseBmpLayout(std::span<const std::uint8_t>(file.data(), n)), EInvalidGraphic) << n;

    // Whatever corrupted headers say, an accepted layout must lie inside the input.
    std::mt19937 random(7);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> b = files[round % files.size()];
        for (int f = 0; f < 3; ++f)
            b[random() % std::min<std::size_t>(b.size(), 60)] = static_cast<std::uint8_t>(random());
        try {
            const TDibLayout l = ParseBmpLayout(b);
            ++accepted;
            ASSERT_LE(l.BitsOffset + l.Stride * static_cast<std::size_t>(l.Height), b.size());
            ASSERT_LE(l.Palette.size(), l.BitCount <= 8 ? (std::size_t{1} << l.BitCount) : 0u);
            ASSERT_GE(l.Stride * 8, static_cast<std::size_t>(l.Width) * l.BitCount);
        } catch (const EInvalidGraphic&) {
        }
    }
    EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace qd
