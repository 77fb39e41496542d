// Ramp colour tables: evenly spaced colours between two ends, in RGB or in HSL.
#include <algorithm>

#include "colour/colour_control.h"

namespace Tarn::Colour {
namespace {

double Lerp(double from, double to, double t) {
    return from + (to - from) * t;
}

ColourFractions Lerp(const ColourFractions& from, const ColourFractions& to, double t) {
    return {Lerp(from.red, to.red, t), Lerp(from.green, to.green, t), Lerp(from.blue, to.blue, t),
            Lerp(from.transparency, to.transparency, t)};
}

}  // namespace

void CColourControl::BuildRamp(WideColour from, WideColour to, int64_t count, int kind) {
    const bool had_mapping_from_file = mapping_from_table_file_;
    mapping_from_table_file_ = false;
    ResetColourTable();

    // More entries than this cannot differ visibly, and a count read from a file must not be
    // able to claim the host's memory.
    count = std::clamp<int64_t>(count, 1, kMaxRampEntries);
    const bool hsl = kind == kRampHsl;
    if (count <= 2) {
        table_.push_back(MakeColourTableEntry(WideToPacked(from)));
        if (count == 2) table_.push_back(MakeColourTableEntry(WideToPacked(to)));
    } else {
        // The hue moves straight from one end to the other, never the short way across 0.
        const ColourFractions a = WideToFractions(hsl ? WideRgbToHsl(from) : from);
        const ColourFractions b = WideToFractions(hsl ? WideRgbToHsl(to) : to);
        table_.reserve(static_cast<size_t>(count));
        for (int64_t i = 0; i < count; ++i) {
            const ColourFractions f = Lerp(a, b, static_cast<double>(i) / (count - 1));
            const PackedColour c =
                hsl ? WideToPacked(WideHslToRgb(FractionsToWide(f))) : FractionsToPacked(f);
            table_.push_back(MakeColourTableEntry(c));
        }
    }
    table_kind_ = hsl ? kTableHslRamp : kTableRgbRamp;
    legend_flags_ = {1, 0, 0, 0, 0};

    // A table file's own mapping made no sense for a ramp: back to linear from statistics.
    if (had_mapping_from_file) {
        ResetMapping();
        SetLinearMappingFromStatistics(false, kRangePercentage, 0.05, 0.95);
    }
}

}  // namespace Tarn::Colour
