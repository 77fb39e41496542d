// An open raster: the GDAL dataset, its geometry and band model, what the caller said when it
// opened it, and the statistics computed so far (kept for the raster's lifetime).
#pragma once

#include <gdal.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rasterapi/band_model.h"
#include "rasterapi/geometry.h"
#include "rasterapi/read_levels.h"
#include "rasterapi/statistics.h"
#include "rasterapi/status.h"

namespace Tarn::RasterApi {

struct OpenRaster {
    GDALDatasetH dataset = nullptr;
    std::string path;  // UTF-8, as GDAL opened it
    // The variable this dataset holds in a container of several (netCDF, HDF); else empty.
    std::string variable;
    RasterGeometry geometry;
    FieldModel field;
    // Accepted and recorded; they do not change how GDAL reads.
    int32_t open_mode = 0;
    uint32_t quality_limit = 0;
    uint8_t quality_flag = 0;
    // Computed statistics by (GDAL band, level).
    std::map<std::pair<int, int>, ComputedStatistics> statistics;
    // The levels cell blocks read from; made with the first block.
    std::unique_ptr<ReadLevels> read_levels;
    // Further handles on the same dataset for reads split among threads (one each, since a GDAL
    // dataset serves one thread at a time); opened when first needed, see FurtherHandle.
    std::vector<std::unique_ptr<OpenRaster>> further;
    bool further_refused = false;  // the dataset did not open again: no more tries

    OpenRaster() = default;
    OpenRaster(const OpenRaster&) = delete;
    OpenRaster& operator=(const OpenRaster&) = delete;
    ~OpenRaster();
};

// What a raster handle stands for: the raster's fields, each a dataset of its own. A container
// of several variables (a netCDF or HDF file) has a field per subdataset that holds cells, in
// GDAL's order; any other raster has one.
struct OpenFields {
    std::vector<std::unique_ptr<OpenRaster>> fields;
    // Why the last refused request on the raster was refused (GDAL's message), for
    // KVR_GetErrorText; empty when none was.
    std::string last_error;

    // Null for a field the raster does not have.
    OpenRaster* Field(int32_t field) const {
        return field >= 0 && static_cast<size_t>(field) < fields.size()
                   ? fields[static_cast<size_t>(field)].get()
                   : nullptr;
    }
};

// UTF-16 path (NUL-terminated) to UTF-8; false for an unpaired surrogate.
bool PathToUtf8(const char16_t* path, std::string& utf8);

// Opens read-only. A path that is missing, a directory, not a raster, or a raster without
// cells fails with kOpenFailed. A container without bands of its own (a netCDF file with
// several variables, say) opens its first subdataset that holds cells.
Status OpenRasterFile(const std::string& path, std::unique_ptr<OpenRaster>& raster);

// Opens every field of the raster at `path`; fails as OpenRasterFile does.
Status OpenRasterFields(const std::string& path, OpenFields& fields);

// The further handle `index` (from 0) on `raster`'s dataset: the same geometry and band model,
// full-resolution levels and GDAL's overviews but no pyramid of its own. Opened on first use and
// kept while `raster` is open; null when the dataset does not open again as the same raster.
OpenRaster* FurtherHandle(OpenRaster& raster, size_t index);

}  // namespace Tarn::RasterApi
