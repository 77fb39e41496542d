// The information records of one KVR_GetOpenInfo call: raster, field, band and level records,
// built once from the open raster and owned by the information handle until it is released.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/kvr_contract.h"
#include "rasterapi/open_raster.h"

namespace Tarn::RasterApi {

struct FieldRecords {
    std::unique_ptr<KvrFieldInfo> field;
    std::vector<KvrBandInfo> bands;
    std::vector<KvrLevelInfo> levels;
};

struct OpenInfo {
    std::unique_ptr<KvrRasterInfo> raster;  // format and coordinate system of the first field
    std::vector<FieldRecords> fields;
    int32_t epsg = 0;  // 0 when the coordinate system has no EPSG code

    // Null for a field the raster does not have.
    const FieldRecords* Field(int32_t field) const {
        return field >= 0 && static_cast<size_t>(field) < fields.size()
                   ? &fields[static_cast<size_t>(field)]
                   : nullptr;
    }
};

std::unique_ptr<OpenInfo> BuildOpenInfo(const OpenFields& raster);

// The coordinate system in the host's syntax: "EPSG:<code>" when the spatial reference carries
// an EPSG code, else its PROJ string; empty when the raster has none. `epsg` gets the code or 0.
std::string CoordinateSystemText(GDALDatasetH dataset, int32_t& epsg);

}  // namespace Tarn::RasterApi
