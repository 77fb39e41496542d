// Owning and reading the engine's statistics records.
#include "handler/engine_statistics.h"

#include <algorithm>

#include "engine/engine_calls.h"

namespace Tarn::Handler {
namespace Kvr = Engine::Kvr;

EngineStatistics& EngineStatistics::operator=(EngineStatistics&& other) noexcept {
    if (this != &other) {
        Release();
        record_ = other.record_;
        other.record_ = nullptr;
    }
    return *this;
}

void EngineStatistics::Release() noexcept {
    if (record_ == nullptr) return;
    Kvr::ReleaseStatistics(&record_);
    // An engine that refuses (or is no longer bound) keeps its record; we still drop ours.
    record_ = nullptr;
}

namespace {

bool HasBins(const KvrStatistics& statistics) {
    return statistics.bins != nullptr && statistics.bin_count > 0;
}

// Where bin k ends: the next bin's lower edge, and for the last bin its end value.
double BinEnd(const KvrStatistics& statistics, size_t k) {
    const KvrHistogramBin& bin = statistics.bins[k];
    return k + 1 == statistics.bin_count ? bin.end_value : bin.upper_edge;
}

}  // namespace

Colour::BandStatistics ToBandStatistics(const KvrStatistics& statistics) {
    Colour::BandStatistics out;
    out.minimum = statistics.minimum;
    out.maximum = statistics.maximum;
    if (HasBins(statistics)) {
        out.bins.reserve(statistics.bin_count);
        for (size_t k = 0; k < statistics.bin_count; ++k) {
            const KvrHistogramBin& bin = statistics.bins[k];
            out.bins.push_back({bin.lower_edge, BinEnd(statistics, k), bin.cumulative_fraction});
        }
    }
    return out;
}

std::vector<Colour::MapPair> HistogramPairs(const KvrStatistics& statistics) {
    std::vector<Colour::MapPair> pairs;
    if (!HasBins(statistics)) return pairs;
    const size_t n = statistics.bin_count;
    pairs.reserve(n + 1);
    pairs.push_back({statistics.bins[0].lower_edge, 0.0});
    for (size_t k = 0; k + 1 < n; ++k)
        pairs.push_back({statistics.bins[k].upper_edge, statistics.bins[k].cumulative_fraction});
    pairs.push_back({statistics.bins[n - 1].end_value, 1.0});
    return pairs;
}

std::vector<double> CumulativeTable(const KvrStatistics& statistics) {
    std::vector<double> table;
    if (!HasBins(statistics)) return table;
    const size_t bins = statistics.bin_count;
    const size_t n = std::max<size_t>(bins, 8192);
    const double first = statistics.bins[0].lower_edge;
    const double last = statistics.bins[bins - 1].end_value;
    const double step = (last - first) / static_cast<double>(n);
    table.reserve(n + 1);
    size_t k = 0;  // the bin that holds the current sample; samples ascend
    for (size_t i = 0; i <= n; ++i) {
        const double x = first + step * static_cast<double>(i);
        while (k + 1 < bins && x >= BinEnd(statistics, k)) ++k;
        const KvrHistogramBin& bin = statistics.bins[k];
        const double before = k == 0 ? 0.0 : statistics.bins[k - 1].cumulative_fraction;
        const double width = BinEnd(statistics, k) - bin.lower_edge;
        double value = bin.cumulative_fraction;
        if (width > 0.0) {
            const double t = std::clamp((x - bin.lower_edge) / width, 0.0, 1.0);
            value = before + (bin.cumulative_fraction - before) * t;
        }
        table.push_back(value);
    }
    table.back() = 1.0;
    return table;
}

}  // namespace Tarn::Handler
