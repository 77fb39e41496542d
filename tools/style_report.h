// The style a raster is drawn with, in words: kind, bands, colour table, mapping and range,
// shading.
#pragma once

#include <string>

#include "rasterapi/open_raster.h"
#include "tools/report.h"

namespace Tarn::Tools {

class PaletteFinder;
struct BandColouring;

void DescribeStyle(Report& report, const std::string& document, RasterApi::OpenRaster* facts,
                   const PaletteFinder& palettes);

// The mapping's name as the --mapping option spells it, or "own colours" for a user mapping.
std::string MappingName(const BandColouring& colouring);

}  // namespace Tarn::Tools
