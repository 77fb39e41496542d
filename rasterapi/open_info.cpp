// Filling the fixed-layout information records.
#include "rasterapi/open_info.h"

#include <cpl_conv.h>
#include <ogr_srs_api.h>
#include <utf8.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace Tarn::RasterApi {
namespace {

template <size_t N>
void CopyText(char (&target)[N], const std::string& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

template <size_t N>
void CopyWideText(kvr_wchar (&target)[N], const std::string& utf8_text) {
    std::u16string wide;
    try {
        utf8::utf8to16(utf8_text.begin(), utf8_text.end(), std::back_inserter(wide));
    } catch (const utf8::exception&) {
        wide.clear();
    }
    const size_t length = std::min(wide.size(), N - 1);
    std::copy_n(wide.begin(), length, target);
    target[length] = u'\0';
}

}  // namespace

std::string CoordinateSystemText(GDALDatasetH dataset, int32_t& epsg) {
    epsg = 0;
    OGRSpatialReferenceH srs = GDALGetSpatialRef(dataset);
    if (srs == nullptr) return {};
    const char* authority = OSRGetAuthorityName(srs, nullptr);
    const char* code = OSRGetAuthorityCode(srs, nullptr);
    if (authority != nullptr && code != nullptr && EQUAL(authority, "EPSG")) {
        epsg = static_cast<int32_t>(std::atoi(code));
        if (epsg > 0) return std::string("EPSG:") + code;
        epsg = 0;
    }
    char* proj = nullptr;
    std::string text;
    if (OSRExportToProj4(srs, &proj) == OGRERR_NONE && proj != nullptr) text = proj;
    CPLFree(proj);
    // PROJ strings end with a blank; the host compares texts.
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

namespace {

FieldRecords BuildFieldRecords(const OpenRaster& raster) {
    FieldRecords records;
    const RasterGeometry& g = raster.geometry;
    const FieldModel& model = raster.field;

    records.field = std::make_unique<KvrFieldInfo>();
    KvrFieldInfo& field = *records.field;
    CopyText(field.name, raster.variable);
    field.field_type = model.field_type;
    field.band_count = static_cast<int32_t>(model.bands.size());
    field.level_count = g.level_count;
    field.value_code = model.bands.front().value_code;
    // Rows count from the north edge, so "y up" holds for every raster: the reference y is the
    // southern edge.
    field.reference_y = g.world_min_y;
    field.cell_x0 = 0;
    field.cell_y0 = 0;
    field.cell_x1 = g.width;
    field.cell_y1 = g.height;
    field.world_min_x = g.world_min_x;
    field.world_min_y = g.world_min_y;
    field.world_max_x = g.world_max_x;
    field.world_max_y = g.world_max_y;
    field.cell_offset_x = 0;
    field.cell_offset_y = 0;

    records.bands.resize(model.bands.size());
    for (size_t i = 0; i < model.bands.size(); ++i) {
        KvrBandInfo& band = records.bands[i];
        band = KvrBandInfo{};
        CopyText(band.name, model.bands[i].name);
        CopyText(band.colour_interpretation, model.bands[i].interpretation);
        band.band_kind = model.bands[i].kind;
        band.value_code = model.bands[i].value_code;
    }

    records.levels.resize(static_cast<size_t>(g.level_count));
    for (int level = 0; level < g.level_count; ++level) {
        KvrLevelInfo& record = records.levels[static_cast<size_t>(level)];
        record = KvrLevelInfo{};
        record.level = level;
        record.cell_x1 = g.LevelWidth(level);
        record.cell_y1 = g.LevelHeight(level);
        record.cell_size_x = g.LevelCellSizeX(level);
        record.cell_size_y = g.LevelCellSizeY(level);
    }
    return records;
}

}  // namespace

std::unique_ptr<OpenInfo> BuildOpenInfo(const OpenFields& raster) {
    auto info = std::make_unique<OpenInfo>();
    const OpenRaster& first = *raster.fields.front();
    info->raster = std::make_unique<KvrRasterInfo>();
    info->raster->field_count = static_cast<int32_t>(raster.fields.size());
    GDALDriverH driver = GDALGetDatasetDriver(first.dataset);
    CopyText(info->raster->format_name, driver ? GDALGetDriverShortName(driver) : "");
    CopyWideText(info->raster->coordinate_system, CoordinateSystemText(first.dataset, info->epsg));
    for (const auto& field : raster.fields) info->fields.push_back(BuildFieldRecords(*field));
    return info;
}

}  // namespace Tarn::RasterApi
