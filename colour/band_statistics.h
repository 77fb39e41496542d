// The band statistics a colour control works from: data range and cumulative histogram.
#pragma once

#include <vector>

namespace Tarn::Colour {

struct HistogramBin {
    double lower = 0.0;
    double upper = 0.0;
    double cumulative = 0.0;  // fraction of the cells up to the upper edge
};

struct BandStatistics {
    double minimum = 0.0;
    double maximum = 0.0;
    std::vector<HistogramBin> bins;
};

}  // namespace Tarn::Colour
