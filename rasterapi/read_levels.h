// The levels a band can be read from (full resolution, GDAL's overviews, and the levels of the
// raster's pyramid in the cache) and the choice of the one a request reads: the coarsest whose
// cells are no larger than the picture's pixels, so a reduced picture never repeats rows or
// columns of a level coarser than itself.
//
// GDAL, left to itself, takes an overview up to 1.2 times coarser than the request. Reads of the
// full resolution that reduce therefore go through a second view of the dataset that has no
// overviews (GDAL's OVERVIEW_LEVEL=NONE), opened when it is first needed.
#pragma once

#include <gdal.h>

#include <cstdint>
#include <memory>
#include <string>

#include "rasterapi/raster_pyramid.h"

namespace Tarn::RasterApi {

struct OpenRaster;

struct ReadLevel {
    GDALRasterBandH band = nullptr;  // the band to read; null when the band does not exist
    int64_t width = 0;               // its size in cells
    int64_t height = 0;
    bool cached = false;  // a level of the pyramid in the cache
};

class ReadLevels {
public:
    // `path` opens the same dataset again (as GDAL opened it). Without a pyramid only the
    // raster's own levels are read.
    ReadLevels(GDALDatasetH dataset, std::string path,
               std::unique_ptr<RasterPyramid> pyramid = nullptr);
    ~ReadLevels();
    ReadLevels(const ReadLevels&) = delete;
    ReadLevels& operator=(const ReadLevels&) = delete;

    // The level of GDAL band `gdal_band` (from 1) for a window of `width` x `height` cells drawn
    // at `output_width` x `output_height` pixels with `kernel`. When the raster's own levels
    // would have such a read take more cells than the threshold, and a level at least twice as
    // coarse would do, the pyramid is opened (built first when missing) and its levels join in.
    ReadLevel Choose(int gdal_band, int64_t width, int64_t height, int32_t output_width,
                     int32_t output_height, GDALRIOResampleAlg kernel);

    // Null without a pyramid.
    RasterPyramid* Pyramid() const { return pyramid_.get(); }

private:
    // The full-resolution band; through the view without overviews when the read reduces.
    GDALRasterBandH FullResolution(int gdal_band, bool reduces);

    GDALDatasetH dataset_;
    std::string path_;
    GDALDatasetH view_ = nullptr;
    bool view_tried_ = false;
    std::unique_ptr<RasterPyramid> pyramid_;
};

// The raster's levels, made with its first read: with its pyramid, as the user's preferences
// set the cache up.
ReadLevels& LevelsOf(OpenRaster& raster);

}  // namespace Tarn::RasterApi
