// A straight blend between two colours, in RGB or in HSL, for the tables that colour table files
// and the user colour mapping interpolate between their stops.
#pragma once

#include "colour/colour_values.h"

namespace Tarn::Colour {

class ColourBlend {
public:
    // In HSL the hue moves straight from one end to the other, never the short way across 0.
    ColourBlend(WideColour from, WideColour to, bool hsl);

    // t = 0 gives `from`, t = 1 gives `to`; each of the four components is blended.
    PackedColour At(double t) const;

private:
    ColourFractions from_;
    ColourFractions to_;
    bool hsl_;
};

}  // namespace Tarn::Colour
