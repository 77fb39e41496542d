// Cell blocks: a window of cells resampled to an output size (the kernel by the underview mode
// and the band's content, resampling.h; the level by the scale, read_levels.h), in one of three
// element formats, with a validity byte per element.
//
//   32   4-byte elements, the cell's 8-bit value (rounded, clamped to 0..255) in the low byte
//   51   32-bit floats
//   110  packed colours, red in the low byte, transparency (255 - alpha) in the top byte: the
//        colour band's colours; a palette band's colour table entry; grey for any other band
//
// A colour band read in format 32 or 51 gives the values of its first GDAL band (the red
// component, or the colour table index). Elements outside the raster are 0 and invalid.
#pragma once

#include <cstdint>

#include "rasterapi/open_raster.h"
#include "rasterapi/resampling.h"
#include "rasterapi/status.h"

namespace Tarn::RasterApi {

struct BlockRequest {
    int32_t format = 0;
    int64_t x = 0, y = 0, width = 0, height = 0;  // cells, rows from the north edge
    int32_t output_width = 0, output_height = 0;
    int band = 0;  // index into the field's bands
    int32_t underview_mode = kUnderviewAutomatic;
};

// Largest output of one request, in elements.
constexpr int64_t kMaxBlockElements = int64_t{1} << 28;

// On success the caller owns *data and *validity (engine blocks, given back through
// KVR_ReleaseData); on failure both are left untouched.
Status PopulateBlock(OpenRaster& raster, const BlockRequest& request, void** data,
                     uint8_t** validity);

}  // namespace Tarn::RasterApi
