// The pyramid cache's preferences: the [Pyramids] section of the user's preferences file (the
// file the utility library reads, found the same way), read by the engine itself when it first
// reads from a raster, so a change takes effect at the next open.
//
//   [Pyramids]
//   Enabled = yes       ; no: never build nor read cached pyramids
//   Threshold = 4096    ; a read of more than Threshold x Threshold cells is large
//   CacheLimit = 2048   ; megabytes the cache directory may hold
//   Directory =         ; default ${XDG_CACHE_HOME:-~/.cache}/corvane/pyramids
#pragma once

#include <cstdint>
#include <string>

namespace Tarn::RasterUtility {
class IniFile;
}

namespace Tarn::RasterApi {

struct PyramidSettings {
    bool enabled = true;
    // Reads of more cells than this build a pyramid, and statistics of rasters of more cells
    // than this come from a sample.
    int64_t large_cells = int64_t{4096} * 4096;
    int64_t cap_bytes = int64_t{2048} << 20;
    std::string directory;  // empty when no cache directory can be told
};

// The defaults, with the user's cache directory.
PyramidSettings DefaultPyramidSettings();

// The defaults overwritten by what `file` gives; values that do not read keep the default.
PyramidSettings PyramidSettingsFrom(const RasterUtility::IniFile& file);

// From the user's preferences file (the defaults when there is none).
PyramidSettings ReadPyramidSettings();

}  // namespace Tarn::RasterApi
