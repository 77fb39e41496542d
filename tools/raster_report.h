// What GDAL and the engine's statistics say about a raster, for "rhtool info".
#pragma once

#include "rasterapi/open_raster.h"
#include "tools/report.h"

namespace Tarn::Tools {

// Data type, band count, no-data value, cell size, overviews, and the statistics of the
// document's band `drawn_band` as the plug-in colours by them (none when it is -1).
void AddRasterFacts(Report& report, RasterApi::OpenRaster& raster, int drawn_band);

}  // namespace Tarn::Tools
