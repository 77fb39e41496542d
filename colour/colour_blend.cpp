// Blending two colours on fractions of their components.
#include "colour/colour_blend.h"

namespace Tarn::Colour {

ColourBlend::ColourBlend(WideColour from, WideColour to, bool hsl)
    : from_(WideToFractions(hsl ? WideRgbToHsl(from) : from)),
      to_(WideToFractions(hsl ? WideRgbToHsl(to) : to)),
      hsl_(hsl) {}

PackedColour ColourBlend::At(double t) const {
    const auto lerp = [t](double a, double b) { return a + (b - a) * t; };
    const ColourFractions f{lerp(from_.red, to_.red), lerp(from_.green, to_.green),
                            lerp(from_.blue, to_.blue), lerp(from_.transparency, to_.transparency)};
    return hsl_ ? WideToPacked(WideHslToRgb(FractionsToWide(f))) : FractionsToPacked(f);
}

}  // namespace Tarn::Colour
