#include "skin/data/SkinColors.h"

#include <gtest/gtest.h>

#include <string>

#include "skin/data/QuickIni.h"

namespace qd {
namespace {

// --- Colour triple parsing --------------------------------------------------------------------------------

TEST(ColorTriple, ReadsRedGreenBlueInThatOrder) {
    EXPECT_EQ(ParseColorTriple("210 232 249"), 0x00F9E8D2u);
    EXPECT_EQ(ParseColorTriple("0,78,152"), 0x00984E00u);
    EXPECT_EQ(ParseColorTriple("236 233 216"), 0x00D8E9ECu);
}

TEST(ColorTriple, ATrailingNumberCountsOnlyAsTheThirdComponent) {
    EXPECT_EQ(ParseColorTriple("255"), 0x00000000u);
    EXPECT_EQ(ParseColorTriple("1,2"), 0x00000001u);
    EXPECT_EQ(ParseColorTriple("1,2,"), 0x00000201u);
    EXPECT_EQ(ParseColorTriple("1 2 3 4 5"), 0x00030201u);
}

TEST(ColorTriple, AnyNonDigitSeparatesAndRunsOfSeparatorsCountOnce) {
    EXPECT_EQ(ParseColorTriple("RGB(10;; 20 ,, 30)"), 0x001E140Au);
    EXPECT_EQ(ParseColorTriple("-1 -2 -3"), 0x00030201u);
    EXPECT_EQ(ParseColorTriple("  \t10 20 30\t "), 0x001E140Au);
    EXPECT_EQ(ParseColorTriple(""), 0x00000000u);
    EXPECT_EQ(ParseColorTriple("none"), 0x00000000u);
}

TEST(ColorTriple, ComponentsKeepTheirLowEightBits) {
    EXPECT_EQ(ParseColorTriple("256 300 511"), RgbColor(0, 44, 255));
    EXPECT_EQ(ParseColorTriple("2147483647 2147483647 2147483647"), 0x00FFFFFFu);
}

TEST(ColorTriple, ANumberBeyondThirtyTwoBitsEndsTheParseWithoutOverflow) {
    EXPECT_EQ(ParseColorTriple("2147483648 5 6"), 0x00000000u);
    EXPECT_EQ(ParseColorTriple("7 99999999999 3"), 0x00000007u);
    EXPECT_EQ(ParseColorTriple("7 8 99999999999999999999999999999999999999"), 0x00000807u);
    EXPECT_EQ(ParseColorTriple(std::string(5000, '9')), 0x00000000u);
}

// --- Reading colours from a description -------------------------------------------------------------------

TEST(ColorTripleFromIni, MissingOrEmptyKeysGiveTheDefault) {
    TQuickIni ini;
    ini.LoadFromText("[Colours]\r\nButtonFace=236 233 216\r\nMenu=\r\nOdd=255\r\n");
    EXPECT_EQ(ReadColorTriple(ini, "Colours", "buttonface", SystemColor(15)), 0x00D8E9ECu);
    EXPECT_EQ(ReadColorTriple(ini, "Colours", "Menu", SystemColor(4)), SystemColor(4));
    EXPECT_EQ(ReadColorTriple(ini, "Colours", "Hilight", SystemColor(13)), SystemColor(13));
    EXPECT_EQ(ReadColorTriple(ini, "NoSuchSection", "ButtonFace", ColorNone), ColorNone);
    // A value that parses to nothing useful is still parsed: it is not the default.
    EXPECT_EQ(ReadColorTriple(ini, "Colours", "Odd", SystemColor(8)), 0x00000000u);
}

TEST(ColorTripleFromIni, RgbKeysGiveAColourOnlyWhenAllThreeAreNonNegative) {
    TQuickIni ini;
    ini.LoadFromText(
        "[Personality]\r\nActiveTextR=255\r\nActiveTextG=255\r\nActiveTextB=255\r\n"
        "InActiveTextR=216\r\nInActiveTextG=228\r\nInActiveTextB=248\r\n"
        "PartR=1\r\nPartG=2\r\n"
        "NegR=1\r\nNegG=-1\r\nNegB=3\r\n"
        "WideR=256\r\nWideG=0x1FF\r\nWideB=$10\r\n");
    EXPECT_EQ(ReadRgbKeys(ini, "Personality", "ActiveText"), 0x00FFFFFFu);
    EXPECT_EQ(ReadRgbKeys(ini, "Personality", "InActiveText"), 0x00F8E4D8u);
    EXPECT_FALSE(ReadRgbKeys(ini, "Personality", "Part").has_value());
    EXPECT_FALSE(ReadRgbKeys(ini, "Personality", "Neg").has_value());
    EXPECT_EQ(ReadRgbKeys(ini, "Personality", "Wide"), RgbColor(0, 0xFF, 0x10));
}

TEST(ColorValues, SystemColoursReadAsWrittenThroughReadInteger) {
    TQuickIni ini;
    ini.LoadFromText("[Buttons]\r\nNormalColour=0xFF000012\r\nMouseOverColour=$FF00000E\r\n");
    const auto normal = static_cast<TColorValue>(ini.ReadInteger("Buttons", "NormalColour", -1));
    const auto hot = static_cast<TColorValue>(ini.ReadInteger("Buttons", "MouseOverColour", -1));
    EXPECT_TRUE(IsSystemColor(normal));
    EXPECT_EQ(SystemColorIndex(normal), 18);
    EXPECT_EQ(hot, SystemColor(14));
    EXPECT_FALSE(IsSystemColor(ColorNone));
    EXPECT_FALSE(IsSystemColor(ColorKey));
}

}  // namespace
}  // namespace qd
