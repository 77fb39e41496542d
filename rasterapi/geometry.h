// Where a raster lies: its cell extent, world extent, cell size, row order and levels.
//
// Rows run north to south for every georeferenced raster; when GDAL's lines run south to north
// (a positive y step) they are read flipped. Rasters without a usable geotransform (none, the
// default one, a rotated or sheared one, a non-positive x step) count as not georeferenced: the
// world extent is then the cell extent and rows run in GDAL line order.
#pragma once

#include <gdal.h>

#include <cstdint>

namespace Tarn::RasterApi {

struct RasterGeometry {
    int64_t width = 0;
    int64_t height = 0;
    bool georeferenced = false;
    bool flip_rows = false;  // engine row r is GDAL line height - 1 - r
    double world_min_x = 0, world_min_y = 0, world_max_x = 0, world_max_y = 0;
    double cell_size_x = 1, cell_size_y = 1;  // both positive
    int level_count = 1;

    int64_t LevelWidth(int level) const;
    int64_t LevelHeight(int level) const;
    // Cell size at a level: the full-resolution size times 2^level (any level, negative too).
    double LevelCellSizeX(int level) const;
    double LevelCellSizeY(int level) const;
    // World position of a cell position (column, row from the north edge).
    void CellToWorld(double column, double row, double& world_x, double& world_y) const;
};

RasterGeometry DescribeGeometry(GDALDatasetH dataset);

}  // namespace Tarn::RasterApi
