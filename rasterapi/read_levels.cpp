// Choosing the level of a read among the full resolution, GDAL's overviews and the pyramid.
#include "rasterapi/read_levels.h"

#include <cpl_port.h>

#include <utility>

#include "rasterapi/open_raster.h"

namespace Tarn::RasterApi {
namespace {

// Sizes rounded up when overviews were made leave a level's cells a hair smaller than the
// request's pixels; that must not rule the level out.
constexpr double kTolerance = 1e-9;

// GDAL's own reads skip these overviews (bit-depth conversions, not reductions of the values).
bool ReducesValues(GDALRasterBandH overview) {
    const char* resampling = GDALGetMetadataItem(overview, "RESAMPLING", nullptr);
    return resampling == nullptr || !STARTS_WITH_CI(resampling, "AVERAGE_BIT2");
}

// Cells of the full resolution per output pixel on each axis, and the full size: a level fits
// when its cells, in the same measure, are no larger on either axis.
struct Footprint {
    double pixel_x, pixel_y;
    double full_width, full_height;

    bool FineEnough(int64_t width, int64_t height, double coarsening = 1.0) const {
        return full_width / width * coarsening <= pixel_x &&
               full_height / height * coarsening <= pixel_y;
    }
};

// `level` when it fits and is coarser than `chosen`.
void Consider(GDALRasterBandH level, const Footprint& footprint, bool cached, ReadLevel& chosen) {
    if (level == nullptr || !ReducesValues(level)) return;
    const int64_t width = GDALGetRasterBandXSize(level);
    const int64_t height = GDALGetRasterBandYSize(level);
    if (width <= 0 || height <= 0) return;
    if (footprint.FineEnough(width, height) && width * height < chosen.width * chosen.height)
        chosen = {level, width, height, cached};
}

// The pyramid's band and its overviews.
void ConsiderPyramid(GDALRasterBandH halved, const Footprint& footprint, ReadLevel& chosen) {
    if (halved == nullptr) return;
    Consider(halved, footprint, true, chosen);
    const int count = GDALGetOverviewCount(halved);
    for (int i = 0; i < count; ++i) Consider(GDALGetOverview(halved, i), footprint, true, chosen);
}

}  // namespace

ReadLevels::ReadLevels(GDALDatasetH dataset, std::string path,
                       std::unique_ptr<RasterPyramid> pyramid)
    : dataset_(dataset), path_(std::move(path)), pyramid_(std::move(pyramid)) {}

ReadLevels::~ReadLevels() {
    pyramid_.reset();
    if (view_ != nullptr) GDALClose(view_);
}

GDALRasterBandH ReadLevels::FullResolution(int gdal_band, bool reduces) {
    GDALRasterBandH band = GDALGetRasterBand(dataset_, gdal_band);
    if (!reduces || band == nullptr || GDALGetOverviewCount(band) == 0) return band;
    if (!view_tried_) {
        view_tried_ = true;
        const char* options[] = {"OVERVIEW_LEVEL=NONE", nullptr};
        view_ =
            GDALOpenEx(path_.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, options, nullptr);
        if (view_ != nullptr && (GDALGetRasterXSize(view_) != GDALGetRasterXSize(dataset_) ||
                                 GDALGetRasterYSize(view_) != GDALGetRasterYSize(dataset_) ||
                                 GDALGetRasterCount(view_) != GDALGetRasterCount(dataset_))) {
            GDALClose(view_);
            view_ = nullptr;
        }
    }
    // Without the view (a dataset that cannot be opened twice) GDAL chooses, as it would.
    GDALRasterBandH viewed = view_ != nullptr ? GDALGetRasterBand(view_, gdal_band) : nullptr;
    return viewed != nullptr ? viewed : band;
}

ReadLevel ReadLevels::Choose(int gdal_band, int64_t width, int64_t height, int32_t output_width,
                             int32_t output_height, GDALRIOResampleAlg kernel) {
    const bool reduces = output_width < width || output_height < height;
    ReadLevel chosen;
    chosen.band = FullResolution(gdal_band, reduces);
    if (chosen.band == nullptr) return chosen;
    chosen.width = GDALGetRasterBandXSize(chosen.band);
    chosen.height = GDALGetRasterBandYSize(chosen.band);
    if (!reduces) return chosen;

    const Footprint footprint{static_cast<double>(width) / output_width * (1.0 + kTolerance),
                              static_cast<double>(height) / output_height * (1.0 + kTolerance),
                              static_cast<double>(chosen.width),
                              static_cast<double>(chosen.height)};
    GDALRasterBandH band = GDALGetRasterBand(dataset_, gdal_band);
    const int count = GDALGetOverviewCount(band);
    for (int i = 0; i < count; ++i) Consider(GDALGetOverview(band, i), footprint, false, chosen);

    if (pyramid_ == nullptr || !pyramid_->Serves(kernel) ||
        !footprint.FineEnough(chosen.width, chosen.height, 2.0))
        return chosen;
    // The cells this read takes from the level chosen so far.
    const double read_cells = static_cast<double>(width) * height *
                              (chosen.width / footprint.full_width) *
                              (chosen.height / footprint.full_height);
    if (pyramid_->Ready(static_cast<int64_t>(read_cells)))
        ConsiderPyramid(pyramid_->Band(gdal_band), footprint, chosen);
    return chosen;
}

ReadLevels& LevelsOf(OpenRaster& raster) {
    if (!raster.read_levels) {
        auto pyramid = std::make_unique<RasterPyramid>(raster.dataset, raster.path, raster.field,
                                                       ReadPyramidSettings());
        raster.read_levels =
            std::make_unique<ReadLevels>(raster.dataset, raster.path, std::move(pyramid));
    }
    return *raster.read_levels;
}

}  // namespace Tarn::RasterApi
