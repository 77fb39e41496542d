// EngineStatistics: one statistics record that the raster engine handed out, owned until it is
// given back through KVR_ReleaseStatistics; and what the colouring reads from it.
#pragma once

#include <vector>

#include "colour/band_statistics.h"
#include "colour/colour_control.h"
#include "engine/kvr_contract.h"

namespace Tarn::Handler {

class EngineStatistics {
public:
    EngineStatistics() = default;
    ~EngineStatistics() { Release(); }
    EngineStatistics(const EngineStatistics&) = delete;
    EngineStatistics& operator=(const EngineStatistics&) = delete;
    EngineStatistics(EngineStatistics&& other) noexcept : record_(other.record_) {
        other.record_ = nullptr;
    }
    EngineStatistics& operator=(EngineStatistics&& other) noexcept;

    // Gives the record back to the engine; the slot is empty afterwards.
    void Release() noexcept;

    // The slot an engine call fills. Release first: the engine overwrites it without freeing.
    KvrStatistics** Slot() { return &record_; }

    const KvrStatistics* get() const { return record_; }
    const KvrStatistics* operator->() const { return record_; }
    explicit operator bool() const { return record_ != nullptr; }

private:
    KvrStatistics* record_ = nullptr;
};

// The data range and histogram bins, as a colour control keeps them.
Colour::BandStatistics ToBandStatistics(const KvrStatistics& statistics);

// (first bin's lower edge, 0), (upper edge, cumulative fraction) of every bin but the last, and
// (the last bin's end value, 1): the pairs an interpolating table is built from.
std::vector<Colour::MapPair> HistogramPairs(const KvrStatistics& statistics);

// max(bin count, 8192) + 1 cumulative fractions sampled at equal steps from the first bin's
// lower edge to the last bin's end value; the last is 1. Empty without bins.
std::vector<double> CumulativeTable(const KvrStatistics& statistics);

}  // namespace Tarn::Handler
