// Where the output grid of a request lies in the raster. A request names a window of cells (in
// engine rows, north first) and an output size; output pixel (i, j) takes the cell under its
// centre, x + (i + 0.5) * width / output_width (likewise for rows). Pixels whose centre falls
// outside the raster are left out of the read, so a window partly outside is clipped.
#pragma once

#include <cstdint>

#include "rasterapi/geometry.h"

namespace Tarn::RasterApi {

struct ReadPlan {
    bool empty = true;  // no output pixel falls inside the raster
    // Output pixels inside the raster: columns [out_x0, out_x1), rows [out_y0, out_y1).
    int out_x0 = 0, out_y0 = 0, out_x1 = 0, out_y1 = 0;
    // GDAL window, in GDAL line order.
    int x_off = 0, y_off = 0, x_size = 0, y_size = 0;
    // When clipped, the exact window that keeps each pixel on the cell its centre falls on.
    bool floating = false;
    double fx = 0, fy = 0, fw = 0, fh = 0;
    bool flip_rows = false;  // the rows read come out south first and must be reversed

    int Columns() const { return out_x1 - out_x0; }
    int Rows() const { return out_y1 - out_y0; }
};

// Plan for output rows [row_begin, row_end) of a request (the whole request by default).
// Preconditions: width, height, output_width, output_height are positive.
ReadPlan PlanRead(const RasterGeometry& geometry, int64_t x, int64_t y, int64_t width,
                  int64_t height, int output_width, int output_height, int row_begin = 0,
                  int row_end = -1);

// Output pixels [x0, x1) x [y0, y1) of the whole raster drawn at `output_width` x
// `output_height` (a level read whole), read as that request reads them; the pixels keep their
// places in the whole output grid.
ReadPlan PlanPart(const RasterGeometry& geometry, int output_width, int output_height, int x0,
                  int y0, int x1, int y1);

// The same read on a level of `level_width` x `level_height` cells (an overview): the window
// scaled by the level's share of the full resolution, always floating. At full resolution the
// plan itself.
ReadPlan PlanOnLevel(const ReadPlan& plan, const RasterGeometry& geometry, int64_t level_width,
                     int64_t level_height);

// Output row `row` alone (rows counted as in the grid before any flipping, from out_y0).
ReadPlan PlanOneRow(const ReadPlan& plan, int row, int64_t level_height);

}  // namespace Tarn::RasterApi
