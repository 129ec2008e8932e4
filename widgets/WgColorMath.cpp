#include "widgets/WgColorMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qd {

namespace {

constexpr double kScale = 240.0;

std::uint8_t Scale240(double v) noexcept {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v * kScale), 0L, 255L));
}

double HueToChannel(double p, double q, double t) noexcept {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t * 6 < 1) return p + (q - p) * 6 * t;
    if (t * 2 < 1) return q;
    if (t * 3 < 2) return p + (q - p) * (2.0 / 3.0 - t) * 6;
    return p;
}

int ToByte(double channel) noexcept { return static_cast<int>(std::lround(std::clamp(channel, 0.0, 1.0) * 255.0)); }

}  // namespace

THSL RGBToHSL(TRGB colour) noexcept {
    const double r = RedOf(colour) / 255.0, g = GreenOf(colour) / 255.0, b = BlueOf(colour) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    THSL hsl;
    hsl.Luminance = Scale240(l);
    if (mx == mn) return hsl;
    const double d = mx - mn;
    const double s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    double h;
    if (mx == r)
        h = (g - b) / d;
    else if (mx == g)
        h = 2 + (b - r) / d;
    else
        h = 4 + (r - g) / d;
    h /= 6;
    if (h < 0) h += 1;
    if (h >= 1) h -= 1;
    hsl.Hue = Scale240(h);
    hsl.Saturation = Scale240(s);
    return hsl;
}

TRGB HSLToRGB(int hue, int saturation, int luminance) noexcept {
    const double h = std::clamp(hue, 0, 255) / 239.0;
    const double s = std::clamp(saturation, 0, 255) / kScale;
    const double l = std::clamp(luminance, 0, 255) / kScale;
    if (s == 0) {
        const int v = ToByte(l);
        return MakeRGB(v, v, v);
    }
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    return MakeRGB(ToByte(HueToChannel(p, q, h + 1.0 / 3.0)), ToByte(HueToChannel(p, q, h)),
                   ToByte(HueToChannel(p, q, h - 1.0 / 3.0)));
}

TRGB DarkerRGB(TRGB colour, int amount) noexcept {
    const THSL hsl = RGBToHSL(colour);
    return HSLToRGB(hsl.Hue, hsl.Saturation, std::max(0, hsl.Luminance - amount));
}

TRGB LighterRGB(TRGB colour, int amount) noexcept {
    const THSL hsl = RGBToHSL(colour);
    return HSLToRGB(hsl.Hue, hsl.Saturation, std::min(255, hsl.Luminance + amount));
}

TRGB BlendRGB(TRGB a, TRGB b, int weight) noexcept {
    const double w = std::clamp(weight, 0, 255) / 255.0;
    auto mix = [w](int x, int y) { return static_cast<int>(std::lround(x * w + y * (1 - w))); };
    return MakeRGB(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

bool RGBsTooClose(TRGB c1, TRGB c2) noexcept {
    const THSL a = RGBToHSL(c1), b = RGBToHSL(c2);
    return std::abs(a.Hue - b.Hue) < 20 && std::abs(a.Luminance - b.Luminance) < 60;
}

TRGB ComplementaryRGB(TRGB colour, int luminance) noexcept {
    const THSL hsl = RGBToHSL(colour);
    const int hue = hsl.Hue < 120 ? hsl.Hue + 120 : hsl.Hue - 120;
    return HSLToRGB(hue, 240, luminance);
}

}  // namespace qd
