// The nearest-edge search over a cumulative column.
#include "colour/histogram_bins.h"

#include <algorithm>

namespace Tarn::Colour {
namespace {

// A limit exactly half way between two edges must go up, but 0.95 - 0.9 over 1.0 - 0.9 comes
// out just below 0.5 in doubles: ties are judged with a margin far below any real difference.
constexpr double kHalfWay = 0.5 - 1e-9;

}  // namespace

HistogramBinSpan FindHistogramBins(std::span<const double> cumulative, double low, double high) {
    const int m = static_cast<int>(cumulative.size());
    if (m == 0) return {};
    const auto below = [&](int k) { return k > 0 ? cumulative[k - 1] : 0.0; };

    int i = m;
    for (int k = 0; k < m; ++k) {
        if (low < cumulative[k]) {
            i = k;
            break;
        }
    }
    if (i < m && (low - below(i)) / (cumulative[i] - below(i)) >= kHalfWay) ++i;

    int j = -1;
    for (int k = m - 1; k >= 0; --k) {
        if (high > below(k)) {
            j = k;
            break;
        }
    }
    if (j >= 0 && (high - below(j)) / (cumulative[j] - below(j)) < kHalfWay) --j;

    if (j < i) i = j = (i + j) / 2;
    return {std::clamp(i, 0, m - 1), std::clamp(j, 0, m - 1)};
}

}  // namespace Tarn::Colour
