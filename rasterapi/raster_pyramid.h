// A raster's pyramid in the cache: GDAL's overviews of it, built into the cache directory when a
// reduced read would otherwise take more cells than the threshold from the raster, found there
// by later opens, and offered to the level choice beside the raster's own overviews.
//
// Continuous bands are averaged, classified ones take their most frequent value: the kernels of
// reduced reads (resampling.h), so a picture drawn from the pyramid matches the one drawn from
// the raster within the resampling's tolerance. Reads with another kernel (nearest cells) leave
// the pyramid alone. Rasters whose bands mix the two, rasters masked otherwise than by a no-data
// value (alpha bands, mask bands), and rasters not read from plain files get no pyramid.
#pragma once

#include <gdal.h>

#include <memory>
#include <optional>
#include <string>

#include "rasterapi/band_model.h"
#include "rasterapi/pyramid_settings.h"
#include "rasterapi/pyramid_store.h"

namespace Tarn::RasterApi {

class RasterPyramid {
public:
    RasterPyramid(GDALDatasetH dataset, std::string path, const FieldModel& field,
                  PyramidSettings settings);
    ~RasterPyramid();
    RasterPyramid(const RasterPyramid&) = delete;
    RasterPyramid& operator=(const RasterPyramid&) = delete;

    const PyramidSettings& Settings() const { return settings_; }

    // The kernel of the reads the pyramid serves: average, or the most frequent value.
    GDALRIOResampleAlg Kernel() const { return kernel_; }
    // Whether reads with `kernel` may come from the pyramid.
    bool Serves(GDALRIOResampleAlg kernel) const;

    // Whether the pyramid is open: opened when complete in the cache, else built first when
    // `read_cells` (what the read would take from the raster without it) exceed the threshold.
    bool Ready(int64_t read_cells);

    // The pyramid's version of GDAL band `gdal_band`: the raster halved, its overviews the
    // further levels. Null when the pyramid is not open.
    GDALRasterBandH Band(int gdal_band) const;

    // After a failed read from it: closed, removed from the cache, and not used again.
    void Discard();

private:
    bool OpenFromCache();

    GDALDatasetH dataset_;
    std::string path_;
    PyramidSettings settings_;
    PyramidStore store_;
    const char* resampling_ = nullptr;  // GDAL's name; null when the raster gets no pyramid
    GDALRIOResampleAlg kernel_ = GRIORA_NearestNeighbour;
    std::optional<std::string> key_;
    bool key_known_ = false;
    bool failed_ = false;  // the build failed, or the pyramid broke: read from the raster
    GDALDatasetH pyramid_ = nullptr;
};

}  // namespace Tarn::RasterApi
