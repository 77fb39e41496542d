// The engine call facade over the engine table.
#include "engine/engine_calls.h"

#include "engine/engine_table.h"

namespace Tarn::Engine::Kvr {
namespace {

// Calls `entry` with `args`, or gives `unbound` when the entry is empty.
template <typename Fn, typename... Args>
int Call(Fn entry, int unbound, Args... args) {
    return entry != nullptr ? entry(args...) : unbound;
}

template <typename T>
void ClearOut(T** out) {
    if (out != nullptr) *out = nullptr;
}

}  // namespace

bool IsBound() {
    return BoundEngine().engine_library != nullptr;
}

int SetOpenQualityLimit(uint32_t limit, uint8_t flag) {
    return Call(BoundEngine().SetOpenQualityLimit, kEngineUnbound, limit, flag);
}

int OpenRasterReadOnly(const char16_t* path, KvrHandle* raster, int32_t mode, int32_t reserved) {
    return Call(BoundEngine().OpenRasterReadOnly, kEngineUnbound, path, raster, mode, reserved);
}

int VerifyRaster(const char16_t* path) {
    return Call(BoundEngine().VerifyRaster, kEngineUnbound, path);
}

int GetOpenInfo(KvrHandle raster, KvrHandle* info, int32_t reserved) {
    return Call(BoundEngine().GetOpenInfo, kEngineUnbound, raster, info, reserved);
}

int RasterInfo(KvrHandle info, const KvrRasterInfo** record) {
    if (BoundEngine().RasterInfo == nullptr) ClearOut(record);
    return Call(BoundEngine().RasterInfo, kEngineUnbound, info, record);
}

int FieldInfo(KvrHandle info, int32_t field, const KvrFieldInfo** record) {
    if (BoundEngine().FieldInfo == nullptr) ClearOut(record);
    return Call(BoundEngine().FieldInfo, kEngineUnbound, info, field, record);
}

int InfoBandCount(KvrHandle info, int32_t field) {
    return Call(BoundEngine().InfoBandCount, 0, info, field);
}

int BandInfo(KvrHandle info, int32_t field, int32_t band, const KvrBandInfo** record) {
    if (BoundEngine().BandInfo == nullptr) ClearOut(record);
    return Call(BoundEngine().BandInfo, kEngineUnbound, info, field, band, record);
}

int InfoLevelCount(KvrHandle info, int32_t field, int32_t reserved) {
    return Call(BoundEngine().InfoLevelCount, 0, info, field, reserved);
}

int LevelInfo(KvrHandle info, int32_t field, int32_t reserved, int32_t level,
              const KvrLevelInfo** record) {
    if (BoundEngine().LevelInfo == nullptr) ClearOut(record);
    return Call(BoundEngine().LevelInfo, kEngineUnbound, info, field, reserved, level, record);
}

int GetGridCellRange(KvrHandle raster, int32_t field, int32_t reserved, int64_t* x0, int64_t* y0,
                     int64_t* x1, int64_t* y1) {
    return Call(BoundEngine().GetGridCellRange, kEngineUnbound, raster, field, reserved, x0, y0, x1,
                y1);
}

int GetCellRange(KvrHandle raster, int32_t field, int32_t level, int64_t* x0, int64_t* y0,
                 int64_t* x1, int64_t* y1) {
    return Call(BoundEngine().GetCellRange, kEngineUnbound, raster, field, level, x0, y0, x1, y1);
}

int GetCellSize(KvrHandle raster, int32_t field, int32_t level, double* x, double* y) {
    return Call(BoundEngine().GetCellSize, kEngineUnbound, raster, field, level, x, y);
}

int ConvertCellToWorld(KvrHandle raster, int32_t field, double cell_x, double cell_y,
                       double* world_x, double* world_y) {
    return Call(BoundEngine().ConvertCellToWorld, kEngineUnbound, raster, field, cell_x, cell_y,
                world_x, world_y);
}

int GetCS_EPSG(KvrHandle info, int32_t* epsg) {
    return Call(BoundEngine().GetCS_EPSG, kEngineUnbound, info, epsg);
}

int GetStatistics(KvrHandle raster, int32_t field, int32_t band, int32_t reserved,
                  KvrStatistics** statistics, int32_t mode, int32_t force,
                  int32_t reserved_minus_one, int32_t reserved_zero) {
    if (BoundEngine().GetStatistics == nullptr) ClearOut(statistics);
    return Call(BoundEngine().GetStatistics, kEngineUnbound, raster, field, band, reserved,
                statistics, mode, force, reserved_minus_one, reserved_zero);
}

int ComputeStatistics(KvrHandle raster, int32_t field, int32_t band, int32_t level, int64_t low,
                      int64_t high, KvrStatistics** statistics, int32_t mode,
                      int32_t reserved_minus_one, int32_t reserved_zero) {
    if (BoundEngine().ComputeStatistics == nullptr) ClearOut(statistics);
    return Call(BoundEngine().ComputeStatistics, kEngineUnbound, raster, field, band, level, low,
                high, statistics, mode, reserved_minus_one, reserved_zero);
}

int ReleaseStatistics(KvrStatistics** statistics) {
    return Call(BoundEngine().ReleaseStatistics, kEngineUnbound, statistics);
}

int PopulateCellBlock(KvrHandle raster, void** data, uint8_t** validity, int32_t format, int64_t x,
                      int64_t y, int64_t width, int64_t height, int32_t output_width,
                      int32_t output_height, int32_t field, int32_t band, int32_t underview_mode,
                      int64_t low, int64_t high) {
    if (BoundEngine().PopulateCellBlock == nullptr) {
        ClearOut(data);
        ClearOut(validity);
    }
    return Call(BoundEngine().PopulateCellBlock, kEngineUnbound, raster, data, validity, format, x,
                y, width, height, output_width, output_height, field, band, underview_mode, low,
                high);
}

int ReleaseData(void** buffer) {
    return Call(BoundEngine().ReleaseData, kEngineUnbound, buffer);
}

int GetGHXFilename(KvrHandle raster, kvr_wchar** text) {
    if (BoundEngine().GetGHXFilename == nullptr) ClearOut(text);
    return Call(BoundEngine().GetGHXFilename, kEngineUnbound, raster, text);
}

int GetErrorText(KvrHandle raster, kvr_wchar** text) {
    if (BoundEngine().GetErrorText == nullptr) ClearOut(text);
    return Call(BoundEngine().GetErrorText, kEngineUnbound, raster, text);
}

int SetReadThreads(int32_t threads) {
    return Call(BoundEngine().SetReadThreads, 0, threads);
}

int ReleaseString(kvr_wchar** text) {
    return Call(BoundEngine().ReleaseString, kEngineUnbound, text);
}

int ReleaseRasterInfo(KvrHandle info) {
    return Call(BoundEngine().ReleaseRasterInfo, kEngineUnbound, info);
}

int CloseRaster(KvrHandle raster, uint32_t options, int32_t reserved) {
    return Call(BoundEngine().CloseRaster, kEngineUnbound, raster, options, reserved);
}

}  // namespace Tarn::Engine::Kvr
