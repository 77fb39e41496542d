// Calls into the bound raster engine. Each function takes the arguments of the engine operation
// of the same name (kvr_contract.h) and, when that entry is not bound, fails cleanly without
// calling anything: a status of kEngineUnbound, a count of 0, or a null out-record.
#pragma once

#include <cstdint>

#include "engine/kvr_contract.h"

namespace Tarn::Engine::Kvr {

inline constexpr int kEngineUnbound = -1;

// Whether the binding succeeded (all required entries are present).
bool IsBound();

int SetOpenQualityLimit(uint32_t limit, uint8_t flag);
int OpenRasterReadOnly(const char16_t* path, KvrHandle* raster, int32_t mode, int32_t reserved);
int VerifyRaster(const char16_t* path);
int GetOpenInfo(KvrHandle raster, KvrHandle* info, int32_t reserved);
int RasterInfo(KvrHandle info, const KvrRasterInfo** record);
int FieldInfo(KvrHandle info, int32_t field, const KvrFieldInfo** record);
int InfoBandCount(KvrHandle info, int32_t field);
int BandInfo(KvrHandle info, int32_t field, int32_t band, const KvrBandInfo** record);
int InfoLevelCount(KvrHandle info, int32_t field, int32_t reserved);
int LevelInfo(KvrHandle info, int32_t field, int32_t reserved, int32_t level,
              const KvrLevelInfo** record);
int GetGridCellRange(KvrHandle raster, int32_t field, int32_t reserved, int64_t* x0, int64_t* y0,
                     int64_t* x1, int64_t* y1);
int GetCellRange(KvrHandle raster, int32_t field, int32_t level, int64_t* x0, int64_t* y0,
                 int64_t* x1, int64_t* y1);
int GetCellSize(KvrHandle raster, int32_t field, int32_t level, double* x, double* y);
int ConvertCellToWorld(KvrHandle raster, int32_t field, double cell_x, double cell_y,
                       double* world_x, double* world_y);
int GetCS_EPSG(KvrHandle info, int32_t* epsg);
int GetStatistics(KvrHandle raster, int32_t field, int32_t band, int32_t reserved,
                  KvrStatistics** statistics, int32_t mode, int32_t force,
                  int32_t reserved_minus_one, int32_t reserved_zero);
int ComputeStatistics(KvrHandle raster, int32_t field, int32_t band, int32_t level, int64_t low,
                      int64_t high, KvrStatistics** statistics, int32_t mode,
                      int32_t reserved_minus_one, int32_t reserved_zero);
int ReleaseStatistics(KvrStatistics** statistics);
int PopulateCellBlock(KvrHandle raster, void** data, uint8_t** validity, int32_t format, int64_t x,
                      int64_t y, int64_t width, int64_t height, int32_t output_width,
                      int32_t output_height, int32_t field, int32_t band, int32_t underview_mode,
                      int64_t low, int64_t high);
int ReleaseData(void** buffer);
int GetGHXFilename(KvrHandle raster, kvr_wchar** text);
int ReleaseString(kvr_wchar** text);
int GetErrorText(KvrHandle raster, kvr_wchar** text);
// Status 0 without doing anything where the engine does not have it.
int SetReadThreads(int32_t threads);
int ReleaseRasterInfo(KvrHandle info);
int CloseRaster(KvrHandle raster, uint32_t options, int32_t reserved);

}  // namespace Tarn::Engine::Kvr
