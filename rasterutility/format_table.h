// The format tables of HandlerPrefs, in both layouts (KVRasterHandler's short records and
// KVRasterHandlerGDAL's long ones): from the file's [Formats] section when it has one, else the
// extensions of the GDAL formats most used for grids and images.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/handler_prefs.h"
#include "rasterutility/ini_file.h"

namespace Tarn::RasterUtility {

struct FormatEntry {
    std::string extension;  // lower case, without a dot
    bool served = true;
};

// The built-in list (20 extensions, all served).
const std::vector<FormatEntry>& DefaultFormats();

// The [Formats] section's entries ("tif = yes"), or nothing when the file has no such section.
// Extensions are lower-cased (the plug-in compares them with the file's lower-cased extension)
// and lose a leading dot; entries whose value is not a switch are skipped.
std::optional<std::vector<FormatEntry>> FormatsFromFile(const IniFile& file);

// Fills both tables: at most 20 records each, in order; a name too long for a layout's field
// (9 characters in the short records, 19 in the long ones) leaves that table out.
void FillFormatTables(const std::vector<FormatEntry>& formats, HandlerPrefs& prefs);

}  // namespace Tarn::RasterUtility
