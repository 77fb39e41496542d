// The engine's raster model and statistics, used in-process.
#include "tools/raster_facts.h"

#include <cpl_error.h>

#include "rasterapi/statistics.h"
#include "system/utf.h"

namespace Tarn::Tools {
namespace {

// The plug-in computes statistics on an overview level above this many cells.
constexpr int64_t kLargeRasterCells = 0xFFFFF;

}  // namespace

std::unique_ptr<RasterApi::OpenRaster> OpenRasterFacts(const std::string& path) {
    GDALAllRegister();
    // GDAL's own complaints stay off the terminal: rhtool says what failed.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    std::unique_ptr<RasterApi::OpenRaster> raster;
    const RasterApi::Status status = RasterApi::OpenRasterFile(path, raster);
    CPLPopErrorHandler();
    return status == RasterApi::kOk ? std::move(raster) : nullptr;
}

std::vector<std::string> FieldVariables(const std::string& path) {
    GDALAllRegister();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    RasterApi::OpenFields raster;
    std::vector<std::string> variables;
    if (RasterApi::OpenRasterFields(path, raster) == RasterApi::kOk)
        for (const auto& field : raster.fields) variables.push_back(field->variable);
    CPLPopErrorHandler();
    return variables;
}

int DocumentBandOf(const RasterApi::FieldModel& field, int gdal_band) {
    for (size_t i = 0; i < field.bands.size(); ++i) {
        const RasterApi::BandModel& band = field.bands[i];
        if (band.gdal_band == gdal_band && band.source == RasterApi::BandSource::Plain)
            return static_cast<int>(i);
    }
    return -1;
}

int GdalBandOf(const RasterApi::FieldModel& field, int document_band) {
    if (document_band < 0 || document_band >= static_cast<int>(field.bands.size())) return 0;
    return field.bands[static_cast<size_t>(document_band)].gdal_band;
}

bool ColouringStatistics(RasterApi::OpenRaster& raster, int document_band,
                         RasterApi::ComputedStatistics& statistics, int& level) {
    if (document_band < 0 || document_band >= static_cast<int>(raster.field.bands.size()))
        return false;
    const int gdal_band = raster.field.bands[static_cast<size_t>(document_band)].gdal_band;
    const RasterApi::RasterGeometry& g = raster.geometry;
    // Stored statistics lack the relief that shading needs, so the plug-in computes the whole
    // band's then; otherwise a large raster's come from the coarsest listed level that still
    // has more than kLargeRasterCells cells.
    level = 0;
    RasterApi::ComputedStatistics stored;
    const bool has_stored =
        RasterApi::StoredBandStatistics(GDALGetRasterBand(raster.dataset, gdal_band), stored);
    if (!has_stored && g.width * g.height > kLargeRasterCells) {
        for (int l = g.level_count - 1; l > 0; --l) {
            if (g.LevelWidth(l) * g.LevelHeight(l) > kLargeRasterCells) {
                level = l;
                break;
            }
        }
    }
    CPLPushErrorHandler(CPLQuietErrorHandler);
    const RasterApi::Status status =
        RasterApi::ComputeBandStatistics(raster.dataset, g, gdal_band, level, statistics);
    CPLPopErrorHandler();
    if (status == RasterApi::kOk) return true;
    if (has_stored) {
        statistics = std::move(stored);
        level = 0;
        return true;
    }
    return false;
}

}  // namespace Tarn::Tools
