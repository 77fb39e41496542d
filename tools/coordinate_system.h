// The coordinate system the plug-in reports (an EPSG code such as "EPSG:32633", or a PROJ
// string) in the forms a picture's neighbours need: WKT for GeoTIFF, ESRI WKT for a .prj file,
// and its name for people.
#pragma once

#include <string>

namespace Tarn::Tools {

enum class WktFlavour { kGdal, kEsri };

// Empty when the text is empty or GDAL cannot read it.
std::string CoordinateSystemWkt(const std::string& text, WktFlavour flavour);
std::string CoordinateSystemName(const std::string& text);

}  // namespace Tarn::Tools
