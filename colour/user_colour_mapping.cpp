// The user colour mapping: control points of value and colour become a colour table and a
// mapping onto it, either a 256-entry table interpolated between the points or one entry per
// point. Point values may be data values, percentages of the data range or percentiles.
#include "colour/user_colour_mapping.h"

#include <cmath>
#include <string>
#include <vector>

#include "colour/colour_blend.h"
#include "colour/diagnostic_log.h"

namespace Tarn::Colour {
namespace {

constexpr int kLastInterpolatedEntry = 255;
// The points' table indexes are raised by this before the ceiling lookup, so that a value on a
// point takes the entry above it: the class from a point up to the next, as without
// interpolation.
constexpr double kCeilingNudge = 0.01;

// The data value below which `percent` per cent of the cells lie, interpolated inside the bin
// where the cumulative fraction reaches it.
double PercentileValue(const BandStatistics& statistics, double percent) {
    const std::vector<HistogramBin>& bins = statistics.bins;
    const double p = percent / 100.0;
    size_t k = 0;
    while (k + 1 < bins.size() && bins[k].cumulative < p) ++k;
    const HistogramBin& bin = bins[k];
    if (k == 0) {
        if (!(bin.cumulative > 0.0)) return statistics.minimum;
        return (bin.upper - bin.lower) * p / bin.cumulative + statistics.minimum;
    }
    const double previous = bins[k - 1].cumulative;
    const double share = bin.cumulative - previous;
    // Only the last bin, taken when no bin reaches p, can add nothing.
    if (!(share > 0.0)) return bin.upper;
    return bin.lower + (p - previous) * (bin.upper - bin.lower) / share;
}

// The points' values as data values; empty when one is not a finite number.
std::vector<double> DataValues(const UserColourMapping& mapping, const BandStatistics* statistics) {
    const double minimum = statistics ? statistics->minimum : 0.0;
    const double maximum = statistics ? statistics->maximum : 1.0;
    std::vector<double> values;
    values.reserve(mapping.entries.size());
    for (const UserColourPoint& point : mapping.entries) {
        double v = point.value;
        // Without a histogram, percentiles can only be read as percentages of the range.
        if (mapping.break_type == 2 && statistics && !statistics->bins.empty()) {
            v = PercentileValue(*statistics, v);
        } else if (mapping.break_type == 1 || mapping.break_type == 2) {
            v = minimum + (maximum - minimum) * v * 0.01;
        }
        if (!std::isfinite(v)) return {};
        values.push_back(v);
    }
    return values;
}

PackedColour WithTransparency(PackedColour colour, int transparency) {
    return (colour & 0x00FFFFFFu) | static_cast<PackedColour>(transparency) << 24;
}

// Entries index(j) + 1 .. index(j + 1) belong to the values between points j and j + 1 and take
// the transparency of point j + 1; entry 0 is point 0's colour.
std::vector<ColourTableEntry> InterpolatedTable(const UserColourMapping& mapping,
                                                const std::vector<int>& indexes) {
    const std::vector<UserColourPoint>& points = mapping.entries;
    std::vector<ColourTableEntry> table(static_cast<size_t>(indexes.back()) + 1);
    table[0] = MakeColourTableEntry(points[0].colour);
    for (size_t j = 0; j + 1 < points.size(); ++j) {
        const int a = indexes[j];
        const int b = indexes[j + 1];
        if (b <= a) continue;
        const PackedColour from = points[j].colour;
        const PackedColour to = points[j + 1].colour;
        // A transparent point has no colour to blend from: the segment is the next colour.
        if (PackedTransparency(from) == 255 && PackedTransparency(to) != 255) {
            for (int t = a + 1; t <= b; ++t) table[t] = MakeColourTableEntry(to);
            continue;
        }
        const ColourBlend blend(PackedToWide(from), PackedToWide(to), mapping.interpolation);
        for (int t = a + 1; t <= b; ++t) {
            const PackedColour c = blend.At(static_cast<double>(t - a) / (b - a));
            table[t] = MakeColourTableEntry(WithTransparency(c, PackedTransparency(to)));
        }
    }
    return table;
}

void ApplyInterpolated(CColourControl& control, const UserColourMapping& mapping,
                       const std::vector<double>& values) {
    const auto m = static_cast<int64_t>(mapping.entries.size());
    std::vector<int> indexes(m);
    std::vector<double> positions(m);
    for (int64_t j = 0; j < m; ++j) {
        indexes[j] = static_cast<int>(j * kLastInterpolatedEntry / (m - 1));
        positions[j] = indexes[j] + kCeilingNudge;
    }
    control.Table() = InterpolatedTable(mapping, indexes);
    const DiagnosticLog log;
    if (log.Enabled()) {
        std::string dump;
        for (const int index : indexes) dump += " vnIndex: " + std::to_string(index) + "\n";
        log.Append(dump + std::string(32, '-') + "\n\n");
    }
    control.Transform().CreateNonLinearTable(values, positions, true);
    control.SetTableMapping(kMappingCeilingPosition, false);
}

void ApplyStepwise(CColourControl& control, const UserColourMapping& mapping,
                   const std::vector<double>& values) {
    std::vector<ColourTableEntry> table;
    std::vector<MapPair> pairs;
    table.reserve(values.size());
    pairs.reserve(values.size());
    for (size_t j = 0; j < values.size(); ++j) {
        table.push_back(MakeColourTableEntry(mapping.entries[j].colour));
        pairs.push_back({values[j], static_cast<double>(j)});
    }
    control.Table() = std::move(table);
    control.SetUserMapping(pairs, false);
    control.SetTableMapping(kMappingExactIndex, false);
}

// Too few points for a table: a blue-to-red ramp over the band's range.
void ApplyFallback(CColourControl& control) {
    const BandStatistics* statistics = control.Statistics();
    const double minimum = statistics ? statistics->minimum : 0.0;
    const double maximum = statistics ? statistics->maximum : 1.0;
    // The ramp resets the table's companions, but the null colour and the palette name were
    // just set by the colour information the mapping came with.
    const PackedColour null_colour = control.NullColour();
    const bool null_colour_set = control.NullColourSet();
    const std::u16string table_name = control.TableName();
    // The ramp first: it would turn a mapping that came from a table file back into one from
    // statistics.
    control.BuildRamp(PackWide(0, 0, 65535, 0), PackWide(65535, 0, 0, 0), 256, kRampHsl);
    control.SetNullColour(null_colour, null_colour_set);
    control.SetTableName(table_name);
    control.SetLinearMapping(minimum, maximum, false, kRangePercentage, 0.05, 0.95);
}

}  // namespace

ColourResult ApplyUserColourMapping(CColourControl& control, const UserColourMapping& mapping) {
    try {
        control.SetUserColourMapping(control.UserMappingOn(), mapping);
        const UserColourMapping& stored = control.UserMapping();
        const size_t needed = stored.interpolate ? 2 : 1;
        if (stored.entries.size() < needed) {
            ApplyFallback(control);
            return {};
        }
        const std::vector<double> values = DataValues(stored, control.Statistics());
        if (values.size() == stored.entries.size()) {
            if (stored.interpolate) {
                ApplyInterpolated(control, stored, values);
            } else {
                ApplyStepwise(control, stored, values);
            }
            return {};
        }
    } catch (...) {
        // Reported below, like a point that is no number.
    }
    DiagnosticLog().Append("Not able to read custom mapping from GHX file\n");
    return ColourFailure(kErrorUnexpected);
}

}  // namespace Tarn::Colour
