// A synthetic but realistic digital elevation model: a mountain range of ridged fractal noise
// with bent ridges, rolling hills before it and a sea without data in the lowest ground, written
// as a georeferenced Float32 GeoTIFF. The demo draws it and the drawing benchmark times it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Tarn::Tools {

// The value of sea cells, declared as the band's no-data value.
inline constexpr float kSampleDemNoData = -32768.0f;

struct SampleDemOptions {
    int width = 2048;
    int height = 2048;
    double cell_size = 30.0;  // metres
    // The north-west corner in UTM zone 33 north (EPSG 32633).
    double west = 400000.0;
    double north = 5250000.0;
    uint32_t seed = 7;
};

// Heights in metres, rows from the north. The same options give the same heights; the relief's
// shapes scale with the raster, so a small sample looks like a large one seen from afar.
std::vector<float> SampleDemHeights(const SampleDemOptions& options);

// Writes the heights to `path` as a tiled GeoTIFF (replaced if it exists). False with `error`
// set when GDAL cannot write it.
bool WriteSampleDem(const std::string& path, const SampleDemOptions& options, std::string& error);

}  // namespace Tarn::Tools
