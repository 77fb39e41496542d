// The user colour mapping. For now every mapping gets the fallback that too few control
// points get: a linear mapping over the band's range and a blue-to-red HSL ramp; the colour
// table files work replaces this with the interpolated tables.
#include "colour/user_colour_mapping.h"

namespace Tarn::Colour {

ColourResult ApplyUserColourMapping(CColourControl& control, const UserColourMapping& mapping) {
    control.SetUserColourMapping(control.UserMappingOn(), mapping);
    const BandStatistics* statistics = control.Statistics();
    const double minimum = statistics ? statistics->minimum : 0.0;
    const double maximum = statistics ? statistics->maximum : 1.0;
    // The ramp first: it would turn a mapping that came from a table file back into one
    // from statistics.
    control.BuildRamp(PackWide(0, 0, 65535, 0), PackWide(65535, 0, 0, 0), 256, kRampHsl);
    control.SetLinearMapping(minimum, maximum, false, kRangePercentage, 0.05, 0.95);
    return {};
}

}  // namespace Tarn::Colour
