// Band statistics: minimum, maximum, mean, standard deviation, a histogram and the relief
// statistic (the mean absolute difference between horizontally and vertically adjacent valid
// cells), over every valid cell of a band at one level.
//
// Histogram bins split [minimum, maximum] into equal parts (256 for 8-bit bands, else 1024);
// each bin holds lower edge, end value (its upper edge, so the last bin ends at the maximum),
// count, upper edge, fraction of valid cells and cumulative fraction. A constant band has one
// bin of width 1 centred on its value.
#pragma once

#include <gdal.h>

#include <vector>

#include "engine/kvr_contract.h"
#include "rasterapi/geometry.h"
#include "rasterapi/status.h"

namespace Tarn::RasterApi {

struct OpenRaster;

struct ComputedStatistics {
    KvrStatistics record{};  // `bins` is set only in handed-out copies
    std::vector<KvrHistogramBin> bins;
};

// Statistics of GDAL band `gdal_band` at `level`. Level 0 reads every cell. Above it the level's
// cells come from the raster's pyramid when the cache holds it, else from the band read at the
// level's size (GDAL picks its overviews); a raster of more cells than the cache's threshold
// (PyramidSettings) without overviews is sampled instead (statistics_sample.h), its windows
// averaged to the level's cells, and the counts are then the sample's. kNotAvailable when no
// cell read is valid.
Status ComputeBandStatistics(OpenRaster& raster, int gdal_band, int level, ComputedStatistics& out);

// Statistics that GDAL keeps for the band (beside the file or in it) together with a stored
// histogram; false when either is missing. The relief statistic is not among them.
bool StoredBandStatistics(GDALRasterBandH band, ComputedStatistics& out);

// A copy in one engine-owned block, for the caller to give back through KVR_ReleaseStatistics;
// null when out of memory.
KvrStatistics* HandOutStatistics(const ComputedStatistics& statistics);

}  // namespace Tarn::RasterApi
