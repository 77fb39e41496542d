// Choosing the level of a read among the full resolution and GDAL's overviews.
#include "rasterapi/read_levels.h"

#include <cpl_port.h>

#include <utility>

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

}  // namespace

ReadLevels::ReadLevels(GDALDatasetH dataset, std::string path)
    : dataset_(dataset), path_(std::move(path)) {}

ReadLevels::~ReadLevels() {
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
                             int32_t output_height) {
    const bool reduces = output_width < width || output_height < height;
    ReadLevel chosen;
    chosen.band = FullResolution(gdal_band, reduces);
    if (chosen.band == nullptr) return chosen;
    chosen.width = GDALGetRasterBandXSize(chosen.band);
    chosen.height = GDALGetRasterBandYSize(chosen.band);
    if (!reduces) return chosen;

    // Cells of the full resolution per output pixel; a level qualifies when its cells, in the
    // same measure, are no larger on either axis.
    const double pixel_x = static_cast<double>(width) / output_width * (1.0 + kTolerance);
    const double pixel_y = static_cast<double>(height) / output_height * (1.0 + kTolerance);
    const double full_width = static_cast<double>(chosen.width);
    const double full_height = static_cast<double>(chosen.height);
    GDALRasterBandH band = GDALGetRasterBand(dataset_, gdal_band);
    const int count = GDALGetOverviewCount(band);
    for (int i = 0; i < count; ++i) {
        GDALRasterBandH overview = GDALGetOverview(band, i);
        if (overview == nullptr || !ReducesValues(overview)) continue;
        const int64_t overview_width = GDALGetRasterBandXSize(overview);
        const int64_t overview_height = GDALGetRasterBandYSize(overview);
        if (overview_width <= 0 || overview_height <= 0) continue;
        const bool fine_enough =
            full_width / overview_width <= pixel_x && full_height / overview_height <= pixel_y;
        const bool coarser = overview_width * overview_height < chosen.width * chosen.height;
        if (fine_enough && coarser) chosen = {overview, overview_width, overview_height};
    }
    return chosen;
}

}  // namespace Tarn::RasterApi
