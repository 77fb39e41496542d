// What rhtool reads about a raster itself, through the engine's own code so that it sees what
// the plug-in sees: the bands as a style document numbers them, and the band statistics that the
// plug-in colours by (computed as the plug-in asks for them).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rasterapi/open_raster.h"

namespace Tarn::Tools {

// Null when GDAL cannot open the file as a raster.
std::unique_ptr<RasterApi::OpenRaster> OpenRasterFacts(const std::string& path);

// The variable of each field of a container of several (netCDF, HDF), in field order; one
// empty name for any other raster, none when GDAL cannot open it.
std::vector<std::string> FieldVariables(const std::string& path);

// The style document's band of GDAL band `gdal_band` (from 1); -1 when no band of the engine
// gives that GDAL band's values.
int DocumentBandOf(const RasterApi::FieldModel& field, int gdal_band);
// The GDAL band (from 1) whose values the document's band gives.
int GdalBandOf(const RasterApi::FieldModel& field, int document_band);

// The statistics of the document's band that the plug-in colours a single band by: on an
// overview level for a raster of more than 0xFFFFF cells, else on the whole band. False when the
// band has no valid cell or cannot be read.
bool ColouringStatistics(RasterApi::OpenRaster& raster, int document_band,
                         RasterApi::ComputedStatistics& statistics, int& level);

}  // namespace Tarn::Tools
