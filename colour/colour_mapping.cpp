// The colour control's mapping setters and the builders that tie a mapping to explicit ranges,
// band statistics or cumulative histograms.
#include <algorithm>
#include <cmath>
#include <vector>

#include "colour/colour_control.h"
#include "colour/diagnostic_log.h"
#include "colour/histogram_bins.h"

namespace Tarn::Colour {
namespace {

// Like std::clamp, but defined when lo > hi (the bounds come from data).
double ClampTo(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// A cumulative span this small is treated as empty.
constexpr double kTinySpan = 2.220446049250313e-14;

struct NarrowedRange {
    double minimum;  // data range after the limits
    double maximum;
    double low;  // the limits after clamping, as stored
    double high;
};

// Absolute limits clamp into the data range; Percentage (and Percentile where no histogram is
// at hand) clamp into [0, 1] and cut that fraction off each end; other kinds leave the range.
NarrowedRange Narrow(double minimum, double maximum, bool limits_on, int kind, double low,
                     double high) {
    NarrowedRange r{minimum, maximum, low, high};
    if (!limits_on) return r;
    if (kind == kRangeAbsolute) {
        r.low = ClampTo(low, minimum, maximum);
        r.high = ClampTo(high, r.low, maximum);
        r.minimum = r.low;
        r.maximum = r.high;
    } else if (kind == kRangePercentage || kind == kRangePercentile) {
        r.low = ClampTo(low, 0.0, 1.0);
        r.high = ClampTo(high, r.low, 1.0);
        const double span = maximum - minimum;
        r.minimum = minimum + span * r.low;
        r.maximum = maximum - span * (1.0 - r.high);
    }
    return r;
}

// A distance in bins to the nearest integer (halves away from zero), kept in int range.
int NearestBin(double bins, int count) {
    if (std::isnan(bins)) return 0;
    bins = ClampTo(bins, -1.0, count + 1.0);
    return static_cast<int>(bins >= 0.0 ? std::floor(bins + 0.5) : std::ceil(bins - 0.5));
}

// Base and span that renormalise the cumulative values of bins first..last to 0..1.
struct Renormalise {
    double base;
    double span;
};
Renormalise RenormaliseOver(std::span<const double> cumulative, int first, int last) {
    const double base = first > 0 ? cumulative[first - 1] : 0.0;
    double span = cumulative[last] - base;
    if (std::fabs(span) < kTinySpan) span = 1.0;
    return {base, span};
}

}  // namespace

void CColourControl::SetIndexMapping() {
    transform_.Reset();
    mapping_kind_ = kMappingIndex;
    range_from_statistics_ = false;
    SetRangeLimits(false, kRangePercentile, 0.05, 0.95);
}

void CColourControl::SetDirectMapping(int depth) {
    static constexpr double kDepthMaximum[] = {1.0, 255.0, 65535.0, 16777215.0, 4294967295.0};
    depth = std::clamp(depth, static_cast<int>(kDirectColour), static_cast<int>(kDirectColour32));
    transform_.Reset();
    if (depth == kDirectColour) {
        transform_.SetIdentity(0.0, kDepthMaximum[depth]);
    } else {
        transform_.SetLinear(0.0, kDepthMaximum[depth]);
    }
    mapping_kind_ = kMappingDirect;
    direct_depth_ = depth;
    range_from_statistics_ = false;
    SetRangeLimits(false, kRangePercentile, 0.05, 0.95);
}

void CColourControl::SetLinearMapping(double minimum, double maximum, bool limits_on,
                                      int range_kind, double low, double high) {
    const NarrowedRange r = Narrow(minimum, maximum, limits_on, range_kind, low, high);
    transform_.SetLinear(r.minimum, r.maximum);
    given_minimum_ = minimum;
    given_maximum_ = maximum;
    mapping_kind_ = kMappingLinear;
    range_from_statistics_ = false;
    SetRangeLimits(limits_on, range_kind, r.low, r.high);
}

void CColourControl::SetLinearMappingFromStatistics(bool limits_on, int range_kind, double low,
                                                    double high) {
    transform_.SetLinear(0.0, 1.0);
    mapping_kind_ = kMappingLinear;
    range_from_statistics_ = true;
    SetRangeLimits(limits_on, range_kind, low, high);
}

void CColourControl::SetLogMapping(double minimum, double maximum, double log_base,
                                   double threshold, bool limits_on, int range_kind, double low,
                                   double high) {
    const NarrowedRange r = Narrow(minimum, maximum, limits_on, range_kind, low, high);
    transform_.SetLogTransform(r.minimum, r.maximum, log_base, threshold);
    given_minimum_ = minimum;
    given_maximum_ = maximum;
    mapping_kind_ = kMappingLog;
    range_from_statistics_ = false;
    SetRangeLimits(limits_on, range_kind, r.low, r.high);
}

void CColourControl::SetLogMappingFromStatistics(double log_base, double threshold, bool limits_on,
                                                 int range_kind, double low, double high) {
    transform_.SetLogTransform(0.0, 1.0, log_base, threshold);
    mapping_kind_ = kMappingLog;
    range_from_statistics_ = true;
    SetRangeLimits(limits_on, range_kind, low, high);
}

void CColourControl::SetEqualAreaMappingFromStatistics(bool limits_on, int range_kind, double low,
                                                       double high) {
    transform_.SetLinear(0.0, 1.0);
    mapping_kind_ = kMappingEqualArea;
    range_from_statistics_ = true;
    SetRangeLimits(limits_on, range_kind, low, high);
}

void CColourControl::SetEqualAreaMapping(std::span<const MapPair> pairs, bool limits_on,
                                         int range_kind, double low, double high) {
    const int m = static_cast<int>(pairs.size());
    std::vector<double> values(m), cumulative(m);
    for (int k = 0; k < m; ++k) {
        values[k] = pairs[k].value;
        cumulative[k] = pairs[k].position;
    }
    mapping_kind_ = kMappingUser;
    range_from_statistics_ = false;
    if (m == 0 || !limits_on) {
        transform_.CreateNonLinearTable(values, cumulative, true);
        SetRangeLimits(limits_on, range_kind, low, high);
        return;
    }

    HistogramBinSpan bins{0, m - 1};
    double stored_low = low, stored_high = high;
    if (range_kind == kRangePercentile) {
        bins = FindHistogramBins(cumulative, low, high);
    } else if (range_kind == kRangeAbsolute || range_kind == kRangePercentage) {
        const NarrowedRange r = Narrow(values.front(), values.back(), true, range_kind, low, high);
        bins = FindHistogramBins(values, r.minimum, r.maximum);
        stored_low = r.low;
        stored_high = r.high;
    }
    const Renormalise norm = RenormaliseOver(cumulative, bins.first, bins.last);
    // Each pair is an edge, not a bin: the edge below the first chosen one is where the
    // renormalised table starts from 0. Without it the values up to the first chosen edge
    // would all sit on 0 and the colours jump there.
    const int first = bins.first > 0 ? bins.first - 1 : 0;
    std::vector<double> breakpoints, table;
    for (int k = first; k <= bins.last; ++k) {
        breakpoints.push_back(values[k]);
        table.push_back((cumulative[k] - norm.base) / norm.span);
    }
    transform_.CreateNonLinearTable(breakpoints, table, true);
    SetRangeLimits(limits_on, range_kind, stored_low, stored_high);
}

void CColourControl::SetUserMapping(std::span<const MapPair> pairs, bool interpolate) {
    const DiagnosticLog log;
    if (log.Enabled()) {
        std::string dump =
            "ColourTableSize: " + std::to_string(table_.size()) + "\n MapUserMap: \n";
        for (const MapPair& pair : pairs) {
            dump += " vdVal: " + DiagnosticLog::Number(pair.value) +
                    " vdIndex: " + DiagnosticLog::Number(pair.position) + "\n";
        }
        log.Append(dump);
    }
    std::vector<double> values, positions;
    values.reserve(pairs.size());
    positions.reserve(pairs.size());
    for (const MapPair& pair : pairs) {
        values.push_back(pair.value);
        positions.push_back(pair.position);
    }
    transform_.CreateNonLinearTable(values, positions, interpolate);
    mapping_kind_ = kMappingUser;
    range_from_statistics_ = false;
    SetRangeLimits(false, kRangePercentile, 0.05, 0.95);
}

void CColourControl::SetLinearMappingFromHistogram(double minimum, double maximum,
                                                   std::span<const double> cumulative,
                                                   bool limits_on, int range_kind, double low,
                                                   double high) {
    // Without bins the Percentile limits can only be read as Percentage.
    if (!limits_on || range_kind != kRangePercentile || cumulative.empty()) {
        SetLinearMapping(minimum, maximum, limits_on, range_kind, low, high);
        return;
    }
    const HistogramBinSpan bins = FindHistogramBins(cumulative, low, high);
    const double width = (maximum - minimum) / static_cast<double>(cumulative.size());
    transform_.SetLinear(minimum + bins.first * width, minimum + (bins.last + 1) * width);
    given_minimum_ = minimum;
    given_maximum_ = maximum;
    mapping_kind_ = kMappingLinear;
    range_from_statistics_ = false;
    SetRangeLimits(limits_on, range_kind, low, high);
}

void CColourControl::SetLogMappingFromHistogram(double minimum, double maximum,
                                                std::span<const double> cumulative, double log_base,
                                                double threshold, bool limits_on, int range_kind,
                                                double low, double high) {
    if (!limits_on || range_kind != kRangePercentile || cumulative.empty()) {
        SetLogMapping(minimum, maximum, log_base, threshold, limits_on, range_kind, low, high);
        return;
    }
    const HistogramBinSpan bins = FindHistogramBins(cumulative, low, high);
    const double width = (maximum - minimum) / static_cast<double>(cumulative.size());
    transform_.SetLogTransform(minimum + bins.first * width, minimum + (bins.last + 1) * width,
                               log_base, threshold);
    given_minimum_ = minimum;
    given_maximum_ = maximum;
    mapping_kind_ = kMappingLog;
    range_from_statistics_ = false;
    SetRangeLimits(limits_on, range_kind, low, high);
}

void CColourControl::SetEqualAreaMappingFromHistogram(double minimum, double maximum,
                                                      std::span<const double> cumulative,
                                                      bool limits_on, int range_kind, double low,
                                                      double high) {
    mapping_kind_ = kMappingEqualArea;
    range_from_statistics_ = false;
    const int b = static_cast<int>(cumulative.size());
    if (b == 0) {
        // No histogram to equalise by: spread the data range evenly instead.
        const NarrowedRange r = Narrow(minimum, maximum, limits_on, range_kind, low, high);
        transform_.SetLinear(r.minimum, r.maximum);
        SetRangeLimits(limits_on, range_kind, r.low, r.high);
        return;
    }
    if (!limits_on) {
        transform_.SetEqualAreaTable(minimum, maximum, cumulative);
        SetRangeLimits(limits_on, range_kind, low, high);
        return;
    }

    const double width = (maximum - minimum) / b;
    HistogramBinSpan bins{0, b - 1};
    double stored_low = low, stored_high = high;
    if (range_kind == kRangePercentile) {
        bins = FindHistogramBins(cumulative, low, high);
    } else if (range_kind == kRangeAbsolute || range_kind == kRangePercentage) {
        const NarrowedRange r = Narrow(minimum, maximum, true, range_kind, low, high);
        stored_low = r.low;
        stored_high = r.high;
        int i = NearestBin((r.minimum - minimum) / width, b);
        int j = NearestBin((r.maximum - minimum) / width, b) - 1;
        if (i == b - 1) j = i;
        if (j < i) i = j = (i + j) / 2;
        bins = {std::clamp(i, 0, b - 1), std::clamp(j, 0, b - 1)};
    }
    const Renormalise norm = RenormaliseOver(cumulative, bins.first, bins.last);
    std::vector<double> table;
    for (int k = bins.first; k <= bins.last; ++k) {
        table.push_back((cumulative[k] - norm.base) / norm.span);
    }
    transform_.SetEqualAreaTable(minimum + bins.first * width,
                                 maximum - (b - 1 - bins.last) * width, table);
    SetRangeLimits(limits_on, range_kind, stored_low, stored_high);
}

}  // namespace Tarn::Colour
