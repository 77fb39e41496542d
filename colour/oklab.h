// Oklab, a perceptual colour space: conversions from and to sRGB colour fractions. Blending in
// Oklab gives ramps whose steps look even, without the hue sweeps of HSL or the muddy middles of
// RGB.
#pragma once

#include "colour/colour_values.h"

namespace Tarn::Colour {

struct OklabColour {
    double lightness = 0.0;  // 0 black, 1 white
    double a = 0.0;          // green (negative) to red (positive)
    double b = 0.0;          // blue (negative) to yellow (positive)
};

// The red, green and blue fractions are sRGB-encoded; the transparency is not looked at.
OklabColour FractionsToOklab(const ColourFractions& rgb);
// sRGB-encoded fractions with transparency 0. A colour outside the sRGB gamut, as a blend of two
// colours inside it may be, has each component clamped into 0-1.
ColourFractions OklabToFractions(const OklabColour& lab);

}  // namespace Tarn::Colour
