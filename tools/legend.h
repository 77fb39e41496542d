// The legend of a style as an SVG picture: classes with their labels for legend tables, the
// index mapping and a raster's own colour table; otherwise a continuous colour bar with value
// labels at round numbers.
#pragma once

#include <string>
#include <vector>

#include "rasterapi/open_raster.h"

namespace Tarn::Tools {

class PaletteFinder;

// Round numbers for labels between `low` and `high`: steps of 1, 2 or 5 times a power of ten,
// about `count` of them.
std::vector<double> RoundTicks(double low, double high, int count);

// False with `error` set when the style has no colour bar (red, green and blue bands).
bool LegendSvg(const std::string& document, RasterApi::OpenRaster* facts,
               const PaletteFinder& palettes, std::string& svg, std::string& error);

}  // namespace Tarn::Tools
