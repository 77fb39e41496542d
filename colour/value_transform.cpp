// The value transform: its per-cell forms and the table builders.
#include "colour/value_transform.h"

#include <algorithm>
#include <cmath>

#include "colour/diagnostic_log.h"
#include "system/text_utils.h"

namespace Tarn::Colour {

double SymLog(double x, double threshold, double base) {
    const double r = x / threshold;
    if (x > threshold) return std::log10(r) / std::log10(base) + 1.0;
    if (x < -threshold) return -(std::log10(-r) / std::log10(base) + 1.0);
    return r;
}

double SymLogInverse(double y, double threshold, double base) {
    if (y > 1.0) return std::pow(base, y - 1.0) * threshold;
    // The mirror of the positive branch: B^(1 - y) would not undo SymLog (-100 -> -3 ->
    // -10000), and a negative lower bound read back through it would be wrong.
    if (y < -1.0) return -(std::pow(base, -y - 1.0) * threshold);
    return y * threshold;
}

// The per-cell form: the same formula with 1 / log10(base) worked out once per build.
double ValueTransform::SymLog(double x) const {
    const double r = x / log_threshold_;
    if (x > log_threshold_) return std::log10(r) * inverse_log10_base_ + 1.0;
    if (x < -log_threshold_) return -(std::log10(-r) * inverse_log10_base_ + 1.0);
    return r;
}

double ValueTransform::SymLogInverse(double y) const {
    return Colour::SymLogInverse(y, log_threshold_, log_base_);
}

void ValueTransform::Reset() {
    kind_ = kTransformIdentity;
    table_values_.clear();
    entry_count_ = 0;
    last_index_ = -1;
    breakpoints_.clear();
    range_lows_.clear();
    range_highs_.clear();
    sorted_lows_.clear();
    sorted_highs_.clear();
    sorted_values_.clear();
    log_base_ = 10.0;
    inverse_log10_base_ = 1.0;
    log_threshold_ = 1.0;
    interpolate_ = true;
    text_keys_.Clear();
    SetBounds(0.0, 1.0);
}

void ValueTransform::SetBounds(double minimum, double maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    range_ = maximum - minimum;
    if (range_ == 0.0) range_ = 1.0;
    RefreshBounds();
}

void ValueTransform::RefreshBounds() {
    switch (kind_) {
        case kTransformLog:
            lower_bound_ = SymLogInverse(minimum_);
            upper_bound_ = SymLogInverse(maximum_);
            break;
        case kTransformLinear:
        case kTransformEqualAreaTable:
        case kTransformStepTable:
        case kTransformInterpolatingTable:
        case kTransformClosedRanges:
        case kTransformHalfOpenRanges:
            lower_bound_ = minimum_;
            upper_bound_ = maximum_;
            break;
        default:
            lower_bound_ = 0.0;
            upper_bound_ = 1.0;
            break;
    }
}

void ValueTransform::SetKind(int kind) {
    kind_ = kind;
    RefreshBounds();
}

void ValueTransform::SetIdentity(double minimum, double maximum) {
    Reset();
    SetBounds(minimum, maximum);
}

void ValueTransform::SetLinear(double minimum, double maximum) {
    Reset();
    kind_ = kTransformLinear;
    SetBounds(minimum, maximum);
}

void ValueTransform::SetLogTransform(double minimum, double maximum, double base,
                                     double threshold) {
    Reset();
    kind_ = kTransformLog;
    log_base_ = base > 1.0 && std::isfinite(base) ? base : 10.0;
    inverse_log10_base_ = 1.0 / std::log10(log_base_);
    log_threshold_ = threshold > 0.0 && std::isfinite(threshold) ? threshold : 1.0;
    SetBounds(SymLog(minimum), SymLog(maximum));
}

void ValueTransform::SetEqualAreaTable(double minimum, double maximum,
                                       std::span<const double> cumulative) {
    Reset();
    kind_ = kTransformEqualAreaTable;
    table_values_.assign(cumulative.begin(), cumulative.end());
    entry_count_ = static_cast<int>(table_values_.size());
    last_index_ = entry_count_ - 1;
    SetBounds(minimum, maximum);
}

void ValueTransform::CreateNonLinearTable(std::span<const double> breakpoints,
                                          std::span<const double> values, bool interpolate) {
    Reset();
    kind_ = interpolate ? kTransformInterpolatingTable : kTransformStepTable;
    interpolate_ = interpolate;
    const size_t n = std::min(breakpoints.size(), values.size());
    breakpoints_.assign(breakpoints.begin(), breakpoints.begin() + n);
    table_values_.assign(values.begin(), values.begin() + n);
    entry_count_ = static_cast<int>(n);
    last_index_ = entry_count_ - 1;
    if (n > 0) {
        SetBounds(breakpoints_.front(), breakpoints_.back());
    } else {
        RefreshBounds();
    }

    const DiagnosticLog log;
    if (log.Enabled()) {
        std::string dump = "CreateNonLinearTable: \n";
        for (size_t i = 0; i < n; ++i) {
            dump += " vdValue: " + DiagnosticLog::Number(breakpoints_[i]) +
                    " vdTable: " + DiagnosticLog::Number(table_values_[i]) + "\n";
        }
        dump += std::string(32, '-') + "\n";
        log.Append(dump);
    }
}

void ValueTransform::SetTextKeys(std::span<const std::string> texts,
                                 std::span<const double> values) {
    Reset();
    kind_ = kTransformTextKeys;
    const size_t n = std::min(texts.size(), values.size());
    for (size_t i = 0; i < n; ++i) text_keys_.Set(System::ToUpperAscii(texts[i]), values[i]);
    table_values_.assign(values.begin(), values.begin() + n);
    entry_count_ = static_cast<int>(n);
    last_index_ = entry_count_ - 1;
    SetBounds(0.0, 1.0);
}

void ValueTransform::SetRanges(int kind, std::span<const double> lows,
                               std::span<const double> highs, std::span<const double> values) {
    Reset();
    kind_ = kind;
    const size_t n = std::min({lows.size(), highs.size(), values.size()});
    range_lows_.assign(lows.begin(), lows.begin() + n);
    range_highs_.assign(highs.begin(), highs.begin() + n);
    table_values_.assign(values.begin(), values.begin() + n);
    entry_count_ = static_cast<int>(n);
    last_index_ = entry_count_ - 1;
    IndexRanges();
    if (n > 0) {
        SetBounds(*std::min_element(range_lows_.begin(), range_lows_.end()),
                  *std::max_element(range_highs_.begin(), range_highs_.end()));
    } else {
        RefreshBounds();
    }
}

void ValueTransform::IndexRanges() {
    const bool closed = kind_ == kTransformClosedRanges;
    const size_t n = range_lows_.size();
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) {
        const double low = range_lows_[i], high = range_highs_[i];
        // An empty or NaN range holds nothing, but it would break the order bisection needs.
        if (!(closed ? low <= high : low < high)) return;
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return range_lows_[a] < range_lows_[b]; });
    for (size_t k = 1; k < n; ++k) {
        const double previous_high = range_highs_[order[k - 1]], low = range_lows_[order[k]];
        if (closed ? !(previous_high < low) : !(previous_high <= low)) return;  // overlap
    }
    sorted_lows_.resize(n);
    sorted_highs_.resize(n);
    sorted_values_.resize(n);
    for (size_t k = 0; k < n; ++k) {
        sorted_lows_[k] = range_lows_[order[k]];
        sorted_highs_[k] = range_highs_[order[k]];
        sorted_values_[k] = table_values_[order[k]];
    }
}

void ValueTransform::SetClosedRanges(std::span<const double> lows, std::span<const double> highs,
                                     std::span<const double> values) {
    SetRanges(kTransformClosedRanges, lows, highs, values);
}

void ValueTransform::SetHalfOpenRanges(std::span<const double> lows, std::span<const double> highs,
                                       std::span<const double> values) {
    SetRanges(kTransformHalfOpenRanges, lows, highs, values);
}

// The number of breakpoints at or below x (std::upper_bound's index) without a branch per
// step: the halving compiles to conditional moves, so unpredictable cell values cost no
// mispredictions. n > 0.
static ptrdiff_t CountAtOrBelow(const double* p, ptrdiff_t n, double x) {
    const double* first = p;
    while (n > 1) {
        const ptrdiff_t half = n / 2;
        first = first[half] <= x ? first + half : first;
        n -= half;
    }
    return (first - p) + (*first <= x ? 1 : 0);
}

// Runs once per drawn cell: no allocation, bisection over the breakpoints. Every table form
// keeps its indexes inside the table whatever the input (NaN, unsorted breakpoints), and a
// table kind set without a table (the render style sets kinds directly) gives position 0.
double ValueTransform::Position(double x, bool apply_form, bool& found) const {
    found = true;
    const int n = entry_count_;
    const double* table = table_values_.data();
    switch (kind_) {
        case kTransformIdentity:
            return x;
        case kTransformLinear:
            return (x - minimum_) / range_;
        case kTransformLog:
            return (SymLog(x) - minimum_) / range_;
        case kTransformEqualAreaTable: {
            if (n == 0) return 0.0;
            const double b = n / range_ * (x - minimum_);
            if (!(b > 0.0)) return 0.0;
            if (b >= n - 1) return table[n - 1];
            if (b < 1.0) return b * table[0];
            const int i = static_cast<int>(b);
            return table[i - 1] + (table[i] - table[i - 1]) * (b - i);
        }
        case kTransformStepTable: {
            if (n == 0 || std::isnan(x)) return 0.0;
            const double* p = breakpoints_.data();
            if (apply_form ? x <= p[0] : x < p[0]) return 0.0;
            if (x >= p[n - 1]) return table[n - 1];
            const auto i = std::min<ptrdiff_t>(CountAtOrBelow(p, n, x), n - 1);
            return table[i];
        }
        case kTransformInterpolatingTable: {
            if (n == 0 || std::isnan(x)) return 0.0;
            const double* p = breakpoints_.data();
            if (x < p[0]) return 0.0;
            if (x >= p[n - 1]) return table[n - 1];
            // The last breakpoint at or below x, past any run of breakpoints equal to x.
            const auto i = std::clamp<ptrdiff_t>(CountAtOrBelow(p, n, x) - 1, 0, n - 2);
            if (!interpolate_) return table[i];
            return table[i] + (table[i + 1] - table[i]) * (x - p[i]) / (p[i + 1] - p[i]);
        }
        case kTransformClosedRanges:
        case kTransformHalfOpenRanges: {
            const std::optional<double> position =
                RangePosition(x, kind_ == kTransformClosedRanges);
            found = position.has_value();
            return position.value_or(-1.0);
        }
        case kTransformTextKeys:
            return 0.0;
        default:
            return apply_form ? 0.0 : x;
    }
}

std::optional<double> ValueTransform::RangePosition(double x, bool closed) const {
    const auto holds = [closed](double low, double high, double x) {
        return low <= x && (closed ? x <= high : x < high);
    };
    if (!sorted_lows_.empty()) {
        const ptrdiff_t n = static_cast<ptrdiff_t>(sorted_lows_.size());
        // The last range starting at or below x is the only one that can hold it.
        const ptrdiff_t i = CountAtOrBelow(sorted_lows_.data(), n, x) - 1;
        if (i >= 0 && holds(sorted_lows_[i], sorted_highs_[i], x)) return sorted_values_[i];
        return std::nullopt;
    }
    for (int i = 0; i < entry_count_; ++i) {
        if (holds(range_lows_[i], range_highs_[i], x)) return table_values_[i];
    }
    return std::nullopt;
}

double ValueTransform::Apply(double x) const {
    bool found = true;
    return Position(x, true, found);
}

bool ValueTransform::TryApply(double x, double& position) const {
    bool found = true;
    position = Position(x, false, found);
    return found;
}

}  // namespace Tarn::Colour
