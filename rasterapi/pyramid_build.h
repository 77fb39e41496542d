// Building a raster's pyramid with GDAL, away from the raster: a VRT of the raster is written at
// `base` + ".vrt" and GDAL builds its external overviews beside it, in `base` + ".vrt.ovr", a
// GeoTIFF whose first image is the raster halved and whose own overviews are the further levels
// (factors 4, 8, ... down to 256 cells on the longer side).
#pragma once

#include <gdal.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Tarn::RasterApi {

// The overview factors of a raster: 2, 4, 8, ... until a level fits 256 x 256 cells.
std::vector<int> PyramidFactors(int64_t width, int64_t height);

// Bytes the levels take at most (uncompressed).
int64_t PyramidBytes(GDALDatasetH dataset);

// Builds the pyramid of the raster at `source_path` (an absolute path) with GDAL's `resampling`
// ("AVERAGE", "MODE") and returns the path of the finished file; nothing when GDAL fails (the
// caller removes what is left under `base`).
std::optional<std::string> BuildPyramidFile(const std::string& source_path, const std::string& base,
                                            const char* resampling);

// Whether `pyramid` is a complete pyramid of `dataset`: its first image the raster halved, with
// the raster's bands, types and no-data values, and overviews down to the last factor.
bool PyramidMatches(GDALDatasetH pyramid, GDALDatasetH dataset);

}  // namespace Tarn::RasterApi
