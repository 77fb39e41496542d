// Looking up, computing and keeping statistics per (GDAL band, level).
#include "rasterapi/statistics_cache.h"

namespace Tarn::RasterApi {
namespace {

// Any level below the listed ones is allowed (the raster just gets smaller, down to one cell);
// the cap keeps 2^level representable.
constexpr int kMaxLevel = 62;

}  // namespace

Status RequestStatistics(OpenRaster& raster, int band, int level, int mode, StatisticsSource source,
                         KvrStatistics** out) {
    if (out == nullptr || band < 0 || band >= static_cast<int>(raster.field.bands.size()) ||
        level < 0 || level > kMaxLevel)
        return kBadArgument;
    const int gdal_band = raster.field.bands[static_cast<size_t>(band)].gdal_band;
    const auto key = std::make_pair(gdal_band, level);

    const ComputedStatistics* found = nullptr;
    ComputedStatistics stored;
    if (const auto cached = raster.statistics.find(key); cached != raster.statistics.end()) {
        found = &cached->second;
    } else if (source == StatisticsSource::KnownOnly) {
        // Stored statistics describe the whole band, so they answer for level 0 only.
        if (level != 0 ||
            !StoredBandStatistics(GDALGetRasterBand(raster.dataset, gdal_band), stored))
            return kNotAvailable;
        found = &stored;
    } else {
        ComputedStatistics computed;
        const Status status = ComputeBandStatistics(raster, gdal_band, level, computed);
        if (status != kOk) return status;
        found = &raster.statistics.emplace(key, std::move(computed)).first->second;
    }

    KvrStatistics* record = HandOutStatistics(*found);
    if (record == nullptr) return kOutOfMemory;
    record->field = 0;
    record->band = band;
    record->level = level;
    record->mode = mode;
    *out = record;
    return kOk;
}

}  // namespace Tarn::RasterApi
