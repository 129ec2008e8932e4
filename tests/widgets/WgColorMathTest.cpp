// The widget colour model: conversions and the lighten / darken / blend rules.
#include <gtest/gtest.h>

#include "widgets/WgColorMath.h"

namespace qd {
namespace {

constexpr TRGB kBlack = MakeRGB(0, 0, 0), kWhite = MakeRGB(255, 255, 255), kRed = MakeRGB(255, 0, 0),
               kBlue = MakeRGB(0, 0, 255), kFace = MakeRGB(236, 233, 216);

TEST(WgColorModel, KnownColoursConvertToTheirHSL) {
    EXPECT_EQ(RGBToHSL(kRed).Hue, 0);
    EXPECT_EQ(RGBToHSL(kRed).Saturation, 240);
    EXPECT_EQ(RGBToHSL(kRed).Luminance, 120);
    EXPECT_EQ(RGBToHSL(MakeRGB(0, 255, 0)).Hue, 80);
    EXPECT_EQ(RGBToHSL(kBlue).Hue, 160);
    // Grey: no hue, no saturation.
    const THSL grey = RGBToHSL(MakeRGB(128, 128, 128));
    EXPECT_EQ(grey.Hue, 0);
    EXPECT_EQ(grey.Saturation, 0);
    EXPECT_EQ(grey.Luminance, 120);
    EXPECT_EQ(RGBToHSL(kWhite).Luminance, 240);
    // Hues just below red wrap into the top of the range, never negative.
    EXPECT_GT(RGBToHSL(MakeRGB(255, 0, 10)).Hue, 200);
}

// The inverse reads the hue as hue / 239 (not / 240), which shifts high hues by up to ~10 levels.
TEST(WgColorModel, RoundTripsStayWithinRoundingError) {
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 85) {
                const TRGB c = MakeRGB(r, g, b);
                const THSL hsl = RGBToHSL(c);
                const TRGB back = HSLToRGB(hsl.Hue, hsl.Saturation, hsl.Luminance);
                EXPECT_NEAR(RedOf(back), r, 10) << r << "," << g << "," << b;
                EXPECT_NEAR(GreenOf(back), g, 10) << r << "," << g << "," << b;
                EXPECT_NEAR(BlueOf(back), b, 10) << r << "," << g << "," << b;
            }
}

TEST(WgColorModel, DarkenAndLightenStopAtTheEnds) {
    EXPECT_EQ(DarkerRGB(kBlack, 50), kBlack);
    EXPECT_EQ(LighterRGB(kWhite, 50), kWhite);
    EXPECT_EQ(DarkerRGB(kWhite, 255), kBlack);
    // Past full luminance the channels clip at full intensity instead of wrapping.
    EXPECT_EQ(LighterRGB(kFace, 100), kWhite);
    const TRGB darker = DarkerRGB(kFace, 20);
    EXPECT_LT(RedOf(darker), RedOf(kFace));
    EXPECT_LT(BlueOf(darker), BlueOf(kFace));
    // Same hue: the red stays the dominant channel of a darkened red.
    const TRGB darkRed = DarkerRGB(kRed, 60);
    EXPECT_EQ(GreenOf(darkRed), 0);
    EXPECT_NEAR(RedOf(darkRed), 128, 2);
}

TEST(WgColorModel, BlendWeightsAreExactAtTheEnds) {
    const TRGB a = MakeRGB(240, 155, 20), b = MakeRGB(10, 20, 30);
    EXPECT_EQ(BlendRGB(a, b, 255), a);
    EXPECT_EQ(BlendRGB(a, b, 0), b);
    EXPECT_EQ(BlendRGB(kWhite, kBlack, 128), MakeRGB(128, 128, 128));
    // Out-of-range weights are clamped.
    EXPECT_EQ(BlendRGB(a, b, 999), a);
    EXPECT_EQ(BlendRGB(a, b, -5), b);
}

TEST(WgColorModel, ClosenessAndComplement) {
    EXPECT_TRUE(RGBsTooClose(kFace, MakeRGB(230, 228, 210)));
    EXPECT_FALSE(RGBsTooClose(kRed, kBlue));
    EXPECT_FALSE(RGBsTooClose(kBlack, kWhite));  // same hue, luminances far apart
    // Red's complement is a hue 120 steps on (cyan), fully saturated, at the given luminance.
    const TRGB comp = ComplementaryRGB(kRed, 120);
    EXPECT_EQ(RGBToHSL(comp).Hue, 120);
    EXPECT_EQ(RedOf(comp), 0);
    // Hues at or above 120 go back by 120: blue (160) -> 40 (a yellow-orange).
    EXPECT_EQ(RGBToHSL(ComplementaryRGB(kBlue, 120)).Hue, 40);
}

}  // namespace
}  // namespace qd
