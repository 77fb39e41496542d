// Quantising fractions and the RGB/HSL conversions of the two colour forms.
#include "colour/colour_values.h"

#include <algorithm>
#include <cmath>

namespace Tarn::Colour {
namespace {

// Out-of-range fractions clamp rather than wrap; the comparisons come first so that neither a
// NaN nor a huge value reaches the integer conversion.
uint32_t Quantise(double fraction, uint32_t scale) {
    const double s = fraction * scale;
    if (!(s > 0.0)) return 0;
    if (s >= scale) return scale;
    return static_cast<uint32_t>(s + 0.5);
}

bool NearlyEqual(double x, double y) {
    return std::fabs(x - y) <= 1e-7 * std::max(std::fabs(x), std::fabs(y));
}

double HueToChannel(double p, double q, double t) {
    if (t < 0.0) t += 1.0;
    if (t > 1.0) t -= 1.0;
    if (6.0 * t < 1.0) return p + (q - p) * 6.0 * t;
    if (2.0 * t < 1.0) return q;
    if (3.0 * t < 2.0) return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    return p;
}

}  // namespace

ColourFractions PackedToFractions(PackedColour c) {
    return {PackedRed(c) / 255.0, PackedGreen(c) / 255.0, PackedBlue(c) / 255.0,
            PackedTransparency(c) / 255.0};
}

ColourFractions WideToFractions(WideColour c) {
    return {WideComponent(c, 0) / 65535.0, WideComponent(c, 1) / 65535.0,
            WideComponent(c, 2) / 65535.0, WideComponent(c, 3) / 65535.0};
}

PackedColour FractionsToPacked(double red, double green, double blue, double transparency) {
    return PackColour(Quantise(red, 255), Quantise(green, 255), Quantise(blue, 255),
                      Quantise(transparency, 255));
}

PackedColour FractionsToPacked(const ColourFractions& f) {
    return FractionsToPacked(f.red, f.green, f.blue, f.transparency);
}

WideColour FractionsToWide(double red, double green, double blue, double transparency) {
    return PackWide(Quantise(red, 65535), Quantise(green, 65535), Quantise(blue, 65535),
                    Quantise(transparency, 65535));
}

WideColour FractionsToWide(const ColourFractions& f) {
    return FractionsToWide(f.red, f.green, f.blue, f.transparency);
}

WideColour PackedToWide(PackedColour c) {
    ColourFractions f = PackedToFractions(c);
    f.transparency = 0.0;
    return FractionsToWide(f);
}

WideColour PackedToWideWithTransparency(PackedColour c) {
    return FractionsToWide(PackedToFractions(c));
}

PackedColour WideToPacked(WideColour c) {
    return FractionsToPacked(WideToFractions(c));
}

WideColour WideRgbToHsl(WideColour rgb) {
    const ColourFractions f = WideToFractions(rgb);
    const double r = f.red, g = f.green, b = f.blue;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double delta = max - min;
    const double l = (max + min) / 2.0;
    double h = 0.0, s = 0.0;
    if (delta != 0.0) {
        s = l < 0.5 ? delta / (max + min) : delta / (2.0 - max - min);
        const double dr = ((max - r) / 6.0 + delta / 2.0) / delta;
        const double dg = ((max - g) / 6.0 + delta / 2.0) / delta;
        const double db = ((max - b) / 6.0 + delta / 2.0) / delta;
        if (NearlyEqual(r, max)) {
            h = db - dg;
        } else if (NearlyEqual(g, max)) {
            h = 1.0 / 3.0 + dr - db;
        } else {
            h = 2.0 / 3.0 + dg - dr;
        }
        if (h < 0.0) h += 1.0;
        if (h > 1.0) h -= 1.0;
    }
    return FractionsToWide(h, s, l, f.transparency);
}

WideColour WideHslToRgb(WideColour hsl) {
    const ColourFractions f = WideToFractions(hsl);
    const double h = f.red, s = f.green, l = f.blue;
    double r = l, g = l, b = l;
    if (!(s > -1e-5 && s < 1e-5)) {
        const double q = l < 0.5 ? l * (1.0 + s) : (l + s) - s * l;
        const double p = 2.0 * l - q;
        r = HueToChannel(p, q, h + 1.0 / 3.0);
        g = HueToChannel(p, q, h);
        b = HueToChannel(p, q, h - 1.0 / 3.0);
    }
    return FractionsToWide(r, g, b, f.transparency);
}

}  // namespace Tarn::Colour
