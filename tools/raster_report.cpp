// GDAL's description of the dataset and the engine's statistics.
#include "tools/raster_report.h"

#include "tools/raster_facts.h"

namespace Tarn::Tools {

void AddRasterFacts(Report& report, RasterApi::OpenRaster& raster, int drawn_band) {
    GDALDatasetH dataset = raster.dataset;
    GDALRasterBandH first = GDALGetRasterBand(dataset, 1);
    report.Text("Data type", GDALGetDataTypeName(GDALGetRasterDataType(first)));
    report.Integer("Bands", GDALGetRasterCount(dataset));
    int has_no_data = 0;
    const double no_data = GDALGetRasterNoDataValue(first, &has_no_data);
    if (has_no_data)
        report.Number("No data", no_data);
    else
        report.Null("No data");
    const RasterApi::RasterGeometry& g = raster.geometry;
    if (g.georeferenced)
        report.Numbers("Cell size", {g.cell_size_x, g.cell_size_y});
    else
        report.Text("Cell size", "1 x 1 (cell coordinates; not georeferenced)");
    Report& overviews = report.Group("Overviews", std::to_string(GDALGetOverviewCount(first)));
    for (int i = 0; i < GDALGetOverviewCount(first); ++i) {
        GDALRasterBandH overview = GDALGetOverview(first, i);
        overviews.Text("Level " + std::to_string(i + 1),
                       std::to_string(GDALGetRasterBandXSize(overview)) + " x " +
                           std::to_string(GDALGetRasterBandYSize(overview)));
    }
    if (drawn_band < 0) return;
    RasterApi::ComputedStatistics statistics;
    int level = 0;
    if (!ColouringStatistics(raster, drawn_band, statistics, level)) {
        report.Null("Statistics");
        return;
    }
    const KvrStatistics& r = statistics.record;
    Report& group =
        report.Group("Statistics", "band " + std::to_string(GdalBandOf(raster.field, drawn_band)) +
                                       (level == 0 ? ""
                                                   : ", on level " + std::to_string(level) +
                                                         " as the plug-in colours by them"));
    group.Number("Minimum", r.minimum);
    group.Number("Maximum", r.maximum);
    group.Number("Mean", r.mean);
    group.Number("Standard deviation", r.standard_deviation);
    group.Integer("Valid cells", r.valid_count);
}

}  // namespace Tarn::Tools
