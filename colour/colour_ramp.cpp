// Ramp colour tables: evenly spaced colours between two ends, in RGB, HSL or Oklab.
#include <algorithm>

#include "colour/colour_blend.h"
#include "colour/colour_control.h"

namespace Tarn::Colour {
namespace {

int RampTableKind(int kind) {
    switch (kind) {
        case kRampHsl:
            return kTableHslRamp;
        case kRampOklab:
            return kTableOklabRamp;
        default:
            return kTableRgbRamp;
    }
}

}  // namespace

void CColourControl::BuildRamp(WideColour from, WideColour to, int64_t count, int kind) {
    const bool had_mapping_from_file = mapping_from_table_file_;
    mapping_from_table_file_ = false;
    ResetColourTable();

    // More entries than this cannot differ visibly, and a count read from a file must not be
    // able to claim the host's memory.
    count = std::clamp<int64_t>(count, 1, kMaxRampEntries);
    if (count <= 2) {
        table_.push_back(MakeColourTableEntry(WideToPacked(from)));
        if (count == 2) table_.push_back(MakeColourTableEntry(WideToPacked(to)));
    } else {
        const ColourBlend blend(from, to, kind);
        table_.reserve(static_cast<size_t>(count));
        for (int64_t i = 0; i < count; ++i) {
            table_.push_back(MakeColourTableEntry(blend.At(static_cast<double>(i) / (count - 1))));
        }
    }
    table_kind_ = RampTableKind(kind);
    legend_flags_ = {1, 0, 0, 0, 0};

    // A table file's own mapping made no sense for a ramp: back to linear from statistics.
    if (had_mapping_from_file) {
        ResetMapping();
        SetLinearMappingFromStatistics(false, kRangePercentage, 0.05, 0.95);
    }
}

}  // namespace Tarn::Colour
