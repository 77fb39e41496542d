// The colour spaces in which ramps and interpolated colour tables blend between two colours.
#pragma once

namespace Tarn::Colour {

// The numbers are stored: kept as they are, new spaces take new numbers.
enum RampKind : int {
    kRampRgb = 0,
    kRampHsl = 1,
    // Perceptually even steps: equal distances look like equal changes of colour.
    kRampOklab = 2,
};

}  // namespace Tarn::Colour
