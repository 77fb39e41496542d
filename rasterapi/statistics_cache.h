// Statistics requests on an open raster: answered from what was computed before, from what GDAL
// stores for the band, or by computing them once and keeping them for the raster's lifetime.
#pragma once

#include "rasterapi/open_raster.h"
#include "rasterapi/status.h"

namespace Tarn::RasterApi {

enum class StatisticsSource {
    KnownOnly,  // computed earlier or stored by GDAL; kNotAvailable otherwise
    Compute,    // computed earlier, else computed now
};

// Statistics of the field's band `band` at `level`, handed out through *out (an engine block).
// `mode` is recorded in the record.
Status RequestStatistics(OpenRaster& raster, int band, int level, int mode, StatisticsSource source,
                         KvrStatistics** out);

}  // namespace Tarn::RasterApi
