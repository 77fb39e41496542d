// A straight blend between two colours, in RGB, HSL or Oklab, for ramps and for the tables that
// colour table files and the user colour mapping interpolate between their stops.
#pragma once

#include <array>

#include "colour/colour_values.h"
#include "colour/ramp_kind.h"

namespace Tarn::Colour {

class ColourBlend {
public:
    // `kind` is a RampKind; an unknown one blends in RGB. In HSL the hue moves straight from one
    // end to the other, never the short way across 0.
    ColourBlend(WideColour from, WideColour to, int kind);

    // t = 0 gives `from`, t = 1 gives `to`; each of the four components is blended.
    PackedColour At(double t) const;

private:
    // Both ends in the blend's space: RGB or HSL fractions, or Oklab's lightness, a and b; the
    // transparency last.
    using Components = std::array<double, 4>;
    static Components InSpace(WideColour colour, int kind);

    int kind_;
    Components from_;
    Components to_;
};

}  // namespace Tarn::Colour
