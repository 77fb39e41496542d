// Snapping percentile limits to the nearest edges of a cumulative histogram.
#pragma once

#include <span>

namespace Tarn::Colour {

struct HistogramBinSpan {
    int first = 0;
    int last = 0;
};

// `cumulative` ascending, one value per bin (the fraction of cells up to its upper edge); `low`
// and `high` fractions. Each limit snaps to the nearest bin edge, a tie going to the upper
// edge; the bins come back ordered and inside the histogram. An empty histogram gives 0, 0.
HistogramBinSpan FindHistogramBins(std::span<const double> cumulative, double low, double high);

}  // namespace Tarn::Colour
