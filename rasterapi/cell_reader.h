// Reading cells of one GDAL band (or the components of a colour band) into an output grid,
// with a validity byte per element: cells masked by GDAL, equal to the no-data value, or NaN
// are invalid. Pixels outside the plan's inside rectangle are not touched.
#pragma once

#include <gdal.h>

#include <cstdint>
#include <vector>

#include "rasterapi/read_plan.h"
#include "rasterapi/status.h"

namespace Tarn::RasterApi {

// The whole output grid of a request.
struct CellGrid {
    uint8_t* data = nullptr;          // element (0, 0)
    GDALDataType type = GDT_Float32;  // GDT_Byte, GDT_Float32 or GDT_Float64
    int element_bytes = 4;            // distance between elements, at least the type's size
    int64_t row_bytes = 0;            // distance between rows of elements
    uint8_t* validity = nullptr;      // one byte per element, 1 = valid
    int64_t validity_row = 0;         // distance between rows of validity bytes
    int first_row = 0;                // output row held by the first row of the buffers

    uint8_t* Element(int column, int row) const {
        return data + (row - first_row) * row_bytes + static_cast<int64_t>(column) * element_bytes;
    }
    uint8_t* Valid(int column, int row) const {
        return validity + (row - first_row) * validity_row + column;
    }
};

// Values and validity of one band, rows in engine order. Values go through GDAL's `kernel`;
// validity is always that of the cell under each pixel's centre (GDAL's mask read by nearest
// cell), so a hole keeps its outline within a pixel whatever the kernel. GDAL's kernels mask
// what GDAL's mask marks, so no-data never bleeds into the values of valid pixels.
Status ReadBandCells(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid,
                     GDALRIOResampleAlg kernel = GRIORA_NearestNeighbour);

// Byte components of several bands (all of one level) into bytes 0, 1, ... of each element (in
// GDAL line order; the caller fills validity and flips).
Status ReadComponentBytes(const std::vector<GDALRasterBandH>& bands, const ReadPlan& plan,
                          const CellGrid& grid, GDALRIOResampleAlg kernel);

// Validity of the plan's cells of `band`. With values read by nearest cell a no-data value may
// be compared in the grid, which must then hold the band's values in its own type; resampled
// values never are.
Status FillValidity(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid,
                    bool values_resampled = false);

// Reverses the inside rows when the plan reads south first.
void FlipRows(const ReadPlan& plan, const CellGrid& grid);

}  // namespace Tarn::RasterApi
