// Which of GDAL's resampling kernels a cell block is read with: by the underview mode the
// plug-in passes, by what the band holds, and by whether the request magnifies or reduces.
//
//   mode  continuous grids and images             classified and palette bands
//   0     nearest cell                            nearest cell
//   1     bilinear magnifying, average reducing   nearest magnifying, most frequent class reducing
//   2     cubic (Catmull-Rom), average reducing   as mode 1
//   3     cubic B-spline, average reducing        as mode 1
//   4     Lanczos, average reducing               as mode 1
//   5     cubic (Catmull-Rom), average reducing   as mode 1    (and any other value: automatic)
//
// A request read cell for cell (output size equal to the window, on both axes) is never
// resampled, whatever the mode.
#pragma once

#include <gdal.h>

#include <cstdint>

#include "rasterapi/band_model.h"

namespace Tarn::RasterApi {

inline constexpr int32_t kUnderviewNearest = 0;
inline constexpr int32_t kUnderviewBilinear = 1;
inline constexpr int32_t kUnderviewCubic = 2;
inline constexpr int32_t kUnderviewCubicSpline = 3;
inline constexpr int32_t kUnderviewLanczos = 4;
inline constexpr int32_t kUnderviewAutomatic = 5;

enum class BandContent {
    Continuous,  // heights, measurements, image components: values between cells make sense
    Classified,  // palette indexes and classes: only the values present may appear
};

// A band is classified when it is read through a colour table (a palette field), or when GDAL
// gives it a colour table, category names, a thematic attribute table or a palette-index
// colour interpretation.
BandContent ContentOf(const FieldModel& field, GDALRasterBandH band);

// How the request scales on each axis.
struct RequestScale {
    int64_t width = 0, height = 0;                // cells of the window
    int32_t output_width = 0, output_height = 0;  // pixels

    bool CellForCell() const { return width == output_width && height == output_height; }
    // Reduced on both axes, or reduced on one and cell for cell on the other.
    bool Reduces() const {
        return !CellForCell() && output_width <= width && output_height <= height;
    }
};

GDALRIOResampleAlg ChooseKernel(int32_t underview_mode, BandContent content,
                                const RequestScale& scale);

}  // namespace Tarn::RasterApi
