// Geometry from the geotransform and the overviews of the first band.
#include "rasterapi/geometry.h"

#include <algorithm>
#include <cmath>

namespace Tarn::RasterApi {
namespace {

// Level n halves both sizes, rounding up.
int64_t HalveTimes(int64_t size, int level) {
    if (level <= 0) return size;
    if (level >= 62) return 1;
    const int64_t divisor = int64_t{1} << level;
    return (size + divisor - 1) / divisor;
}

// The plug-in can only pass axis-aligned corners to its host, so rotation, shear, a mirrored x
// axis or GDAL's placeholder transform leave a raster without georeferencing.
bool UsableGeoTransform(const double gt[6]) {
    for (int i = 0; i < 6; ++i)
        if (!std::isfinite(gt[i])) return false;
    if (gt[2] != 0.0 || gt[4] != 0.0) return false;
    if (!(gt[1] > 0.0) || gt[5] == 0.0) return false;
    const bool placeholder = gt[0] == 0.0 && gt[1] == 1.0 && gt[3] == 0.0 && gt[5] == 1.0;
    return !placeholder;
}

// Levels go down to the first that fits 256 x 256 cells, and further when the raster carries
// a smaller overview.
int CountLevels(GDALDatasetH dataset, int64_t width, int64_t height) {
    int last = 0;
    while (HalveTimes(width, last) > 256 || HalveTimes(height, last) > 256) ++last;
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    const int overviews = band ? GDALGetOverviewCount(band) : 0;
    for (int i = 0; i < overviews; ++i) {
        GDALRasterBandH overview = GDALGetOverview(band, i);
        const int overview_width = overview ? GDALGetRasterBandXSize(overview) : 0;
        if (overview_width <= 0) continue;
        const double factor = static_cast<double>(width) / overview_width;
        const int level = static_cast<int>(std::lround(std::log2(factor)));
        last = std::max(last, std::min(level, 62));
    }
    return last + 1;
}

}  // namespace

int64_t RasterGeometry::LevelWidth(int level) const {
    return HalveTimes(width, level);
}
int64_t RasterGeometry::LevelHeight(int level) const {
    return HalveTimes(height, level);
}
double RasterGeometry::LevelCellSizeX(int level) const {
    return std::ldexp(cell_size_x, level);
}
double RasterGeometry::LevelCellSizeY(int level) const {
    return std::ldexp(cell_size_y, level);
}

void RasterGeometry::CellToWorld(double column, double row, double& world_x,
                                 double& world_y) const {
    world_x = world_min_x + column * cell_size_x;
    world_y = world_max_y - row * cell_size_y;
}

RasterGeometry DescribeGeometry(GDALDatasetH dataset) {
    RasterGeometry g;
    g.width = GDALGetRasterXSize(dataset);
    g.height = GDALGetRasterYSize(dataset);
    g.level_count = CountLevels(dataset, g.width, g.height);

    double gt[6] = {0, 1, 0, 0, 0, 1};
    g.georeferenced = GDALGetGeoTransform(dataset, gt) == CE_None && UsableGeoTransform(gt);
    if (!g.georeferenced) {
        g.world_max_x = static_cast<double>(g.width);
        g.world_max_y = static_cast<double>(g.height);
        return g;
    }
    g.cell_size_x = gt[1];
    g.cell_size_y = std::fabs(gt[5]);
    g.flip_rows = gt[5] > 0.0;
    const double far_y = gt[3] + static_cast<double>(g.height) * gt[5];
    g.world_min_x = gt[0];
    g.world_max_x = gt[0] + static_cast<double>(g.width) * gt[1];
    g.world_min_y = std::min(gt[3], far_y);
    g.world_max_y = std::max(gt[3], far_y);
    return g;
}

}  // namespace Tarn::RasterApi
