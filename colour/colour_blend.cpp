// Blending two colours on fractions of their components, in the blend's colour space.
#include "colour/colour_blend.h"

#include <cstddef>

#include "colour/oklab.h"

namespace Tarn::Colour {
namespace {

int KnownKind(int kind) {
    return kind == kRampHsl || kind == kRampOklab ? kind : kRampRgb;
}

}  // namespace

ColourBlend::Components ColourBlend::InSpace(WideColour colour, int kind) {
    if (kind == kRampOklab) {
        const ColourFractions f = WideToFractions(colour);
        const OklabColour lab = FractionsToOklab(f);
        return {lab.lightness, lab.a, lab.b, f.transparency};
    }
    const ColourFractions f = WideToFractions(kind == kRampHsl ? WideRgbToHsl(colour) : colour);
    return {f.red, f.green, f.blue, f.transparency};
}

ColourBlend::ColourBlend(WideColour from, WideColour to, int kind)
    : kind_(KnownKind(kind)), from_(InSpace(from, kind_)), to_(InSpace(to, kind_)) {}

PackedColour ColourBlend::At(double t) const {
    Components c;
    for (std::size_t i = 0; i < c.size(); ++i) c[i] = from_[i] + (to_[i] - from_[i]) * t;
    switch (kind_) {
        case kRampHsl:
            return WideToPacked(WideHslToRgb(FractionsToWide(c[0], c[1], c[2], c[3])));
        case kRampOklab: {
            ColourFractions rgb = OklabToFractions({c[0], c[1], c[2]});
            rgb.transparency = c[3];
            return FractionsToPacked(rgb);
        }
        default:
            return FractionsToPacked(c[0], c[1], c[2], c[3]);
    }
}

}  // namespace Tarn::Colour
