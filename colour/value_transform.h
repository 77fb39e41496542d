// ValueTransform: turns a cell value into a position in a colour table (0 to 1, or a table
// value), by a linear or symmetric-log scale, a table of breakpoints, category texts or value
// ranges.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "system/xmap.h"

namespace Tarn::Colour {

enum TransformKind : int {
    kTransformIdentity = 0,
    kTransformLinear = 1,
    kTransformLog = 2,
    kTransformEqualAreaTable = 3,
    kTransformStepTable = 4,
    kTransformInterpolatingTable = 5,
    kTransformTextKeys = 6,
    kTransformClosedRanges = 7,
    kTransformHalfOpenRanges = 8,
    // Set for the "direct" transform selector of the render style; no Apply form handles it.
    kTransformDirectMarker = 9,
};

// Symmetric log: values within +-threshold map linearly onto +-1, each further factor `base`
// adds 1.
double SymLog(double x, double threshold, double base);
double SymLogInverse(double y, double threshold, double base);

class ValueTransform {
public:
    ValueTransform() { Reset(); }

    // Identity over 0 to 1, log base 10, threshold 1, interpolation on, no tables.
    void Reset();

    // Per-cell forms. Apply: kinds 7 and 8 give -1 outside every range, kind 6 and unknown
    // kinds 0. TryApply: only kinds 7 and 8 report not found; kinds 0 and above 8 give x.
    double Apply(double x) const;
    bool TryApply(double x, double& position) const;

    // The input bounds as data values; cached, since the clip test asks for them per cell.
    double LowerBound() const { return lower_bound_; }
    double UpperBound() const { return upper_bound_; }

    // Kind 0 or 1 over [minimum, maximum].
    void SetIdentity(double minimum, double maximum);
    void SetLinear(double minimum, double maximum);
    // Kind 2; the data bounds are stored through SymLog. A base that is not above 1 or a
    // threshold that is not above 0 would divide by zero or turn the scale round: they fall
    // back to 10 and 1.
    void SetLogTransform(double minimum, double maximum, double base, double threshold);
    // Kind 3: `cumulative` holds the fraction at the upper edge of each of n equal bins.
    void SetEqualAreaTable(double minimum, double maximum, std::span<const double> cumulative);
    // Kind 5 when interpolating, else 4; breakpoints ascending. Writes the diagnostic dump.
    void CreateNonLinearTable(std::span<const double> breakpoints, std::span<const double> values,
                              bool interpolate);
    // Kind 6: each text upper-cased.
    void SetTextKeys(std::span<const std::string> texts, std::span<const double> values);
    // Kinds 7 (low <= x <= high) and 8 (low <= x < high).
    void SetClosedRanges(std::span<const double> lows, std::span<const double> highs,
                         std::span<const double> values);
    void SetHalfOpenRanges(std::span<const double> lows, std::span<const double> highs,
                           std::span<const double> values);
    // Changes only the kind (the render style's transform selector does this).
    void SetKind(int kind);

    int Kind() const { return kind_; }
    double Minimum() const { return minimum_; }
    double Maximum() const { return maximum_; }
    double Range() const { return range_; }
    int EntryCount() const { return entry_count_; }
    int LastIndex() const { return last_index_; }
    const std::vector<double>& TableValues() const { return table_values_; }
    const std::vector<double>& Breakpoints() const { return breakpoints_; }
    const std::vector<double>& RangeLows() const { return range_lows_; }
    const std::vector<double>& RangeHighs() const { return range_highs_; }
    double LogBase() const { return log_base_; }
    double LogThreshold() const { return log_threshold_; }
    bool Interpolate() const { return interpolate_; }
    const Container::XMap<double>& TextKeys() const { return text_keys_; }

    double SymLog(double x) const;
    double SymLogInverse(double y) const;

private:
    double Position(double x, bool at_first_breakpoint_is_below, bool& found) const;
    void SetBounds(double minimum, double maximum);
    void SetRanges(int kind, std::span<const double> lows, std::span<const double> highs,
                   std::span<const double> values);
    void RefreshBounds();
    void IndexRanges();
    // The table position of x in the ranges: first match, by bisection where they allow.
    std::optional<double> RangePosition(double x, bool closed) const;

    int kind_ = kTransformIdentity;
    double minimum_ = 0.0;
    double maximum_ = 1.0;
    double range_ = 1.0;
    std::vector<double> table_values_;
    int entry_count_ = 0;
    int last_index_ = -1;
    std::vector<double> breakpoints_;
    std::vector<double> range_lows_;
    std::vector<double> range_highs_;
    // The ranges by their lower limits, when none is empty or NaN and none overlaps another:
    // then at most one range holds a value, and bisection finds it. Otherwise empty, and the
    // ranges are searched in order, the first that holds the value winning.
    std::vector<double> sorted_lows_;
    std::vector<double> sorted_highs_;
    std::vector<double> sorted_values_;
    double log_base_ = 10.0;
    double inverse_log10_base_ = 1.0;
    double log_threshold_ = 1.0;
    bool interpolate_ = true;
    Container::XMap<double> text_keys_;

    double lower_bound_ = 0.0;
    double upper_bound_ = 1.0;
};

}  // namespace Tarn::Colour
