// The name of a raster's pyramid in the cache: a digest of the full path, size and modification
// time of every file GDAL reads the raster from, and of the raster's size, band count and types.
// A raster that changes gets another name, so it never draws from its older pyramid.
#pragma once

#include <gdal.h>

#include <optional>
#include <string>

namespace Tarn::RasterApi {

// 32 hexadecimal digits; nothing when the raster is not read from plain files that can be
// stat-ed (a subdataset, a raster in memory or behind a URL), which the cache leaves alone.
std::optional<std::string> PyramidKey(GDALDatasetH dataset, const std::string& path);

}  // namespace Tarn::RasterApi
