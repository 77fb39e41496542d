// The engine's exported functions. Each checks its arguments, finds its handle and hands the
// work to the parts above; no exception and no GDAL message leaves it. Every function is
// exported as KVR_<name> and, as an alias, KVR_H_<name>; KVR_H_SetCacheSize exists only in the
// KVR_H_ set.
#include <atomic>
#include <cstdint>
#include <new>
#include <type_traits>

#include "engine/kvr_contract.h"
#include "rasterapi/cell_block.h"
#include "rasterapi/gdal_session.h"
#include "rasterapi/handle_table.h"
#include "rasterapi/open_info.h"
#include "rasterapi/open_raster.h"
#include "rasterapi/owned_blocks.h"
#include "rasterapi/statistics_cache.h"
#include "rasterapi/status.h"

using namespace Tarn::RasterApi;

namespace {

HandleTable<OpenRaster>& Rasters() {
    static HandleTable<OpenRaster> table;
    return table;
}

HandleTable<OpenInfo>& Infos() {
    static HandleTable<OpenInfo> table;
    return table;
}

// Set before each open; recorded with the raster.
std::atomic<uint32_t> g_quality_limit{0};
std::atomic<uint8_t> g_quality_flag{0};

template <typename Body>
int Guarded(Body&& body) noexcept {
    try {
        EnsureGdalRegistered();
        QuietGdalErrors quiet;
        return body();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kInternal;
    }
}

// Counts answer 0 for anything they cannot count.
template <typename Body>
int GuardedCount(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

bool FieldOk(int32_t field) {
    return field == 0;
}

}  // namespace

#define KVR_API extern "C" __attribute__((visibility("default")))

KVR_API int KVR_SetOpenQualityLimit(uint32_t limit, uint8_t flag) {
    g_quality_limit = limit;
    g_quality_flag = flag;
    return kOk;
}

KVR_API int KVR_OpenRasterReadOnly(const kvr_wchar* path, KvrHandle* raster, int32_t mode,
                                   int32_t /*reserved*/) {
    return Guarded([&]() -> int {
        if (raster == nullptr) return kBadArgument;
        *raster = KVR_INVALID_HANDLE;
        std::string utf8;
        if (!PathToUtf8(path, utf8)) return kBadArgument;
        std::unique_ptr<OpenRaster> opened;
        const Status status = OpenRasterFile(utf8, opened);
        if (status != kOk) return status;
        opened->open_mode = mode;
        opened->quality_limit = g_quality_limit;
        opened->quality_flag = g_quality_flag;
        *raster = Rasters().Add(std::shared_ptr<OpenRaster>(std::move(opened)));
        return kOk;
    });
}

KVR_API int KVR_VerifyRaster(const kvr_wchar* path) {
    return Guarded([&]() -> int {
        std::string utf8;
        if (!PathToUtf8(path, utf8)) return kBadArgument;
        std::unique_ptr<OpenRaster> opened;
        return OpenRasterFile(utf8, opened);
    });
}

KVR_API int KVR_GetOpenInfo(KvrHandle raster, KvrHandle* info, int32_t /*reserved*/) {
    return Guarded([&]() -> int {
        if (info == nullptr) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        *info = Infos().Add(BuildOpenInfo(*open));
        return kOk;
    });
}

KVR_API int KVR_RasterInfo(KvrHandle info, const KvrRasterInfo** record) {
    return Guarded([&]() -> int {
        if (record == nullptr) return kBadArgument;
        const auto found = Infos().Find(info);
        if (!found) return kUnknownHandle;
        *record = found->raster.get();
        return kOk;
    });
}

KVR_API int KVR_FieldInfo(KvrHandle info, int32_t field, const KvrFieldInfo** record) {
    return Guarded([&]() -> int {
        if (record == nullptr || !FieldOk(field)) return kBadArgument;
        const auto found = Infos().Find(info);
        if (!found) return kUnknownHandle;
        *record = found->field.get();
        return kOk;
    });
}

KVR_API int KVR_InfoBandCount(KvrHandle info, int32_t field) {
    return GuardedCount([&]() -> int {
        const auto found = Infos().Find(info);
        return found && FieldOk(field) ? static_cast<int>(found->bands.size()) : 0;
    });
}

KVR_API int KVR_BandInfo(KvrHandle info, int32_t field, int32_t band, const KvrBandInfo** record) {
    return Guarded([&]() -> int {
        if (record == nullptr || !FieldOk(field)) return kBadArgument;
        const auto found = Infos().Find(info);
        if (!found) return kUnknownHandle;
        if (band < 0 || band >= static_cast<int32_t>(found->bands.size())) return kBadArgument;
        *record = &found->bands[static_cast<size_t>(band)];
        return kOk;
    });
}

KVR_API int KVR_InfoLevelCount(KvrHandle info, int32_t field, int32_t /*reserved*/) {
    return GuardedCount([&]() -> int {
        const auto found = Infos().Find(info);
        return found && FieldOk(field) ? static_cast<int>(found->levels.size()) : 0;
    });
}

KVR_API int KVR_LevelInfo(KvrHandle info, int32_t field, int32_t /*reserved*/, int32_t level,
                          const KvrLevelInfo** record) {
    return Guarded([&]() -> int {
        if (record == nullptr || !FieldOk(field)) return kBadArgument;
        const auto found = Infos().Find(info);
        if (!found) return kUnknownHandle;
        if (level < 0 || level >= static_cast<int32_t>(found->levels.size())) return kBadArgument;
        *record = &found->levels[static_cast<size_t>(level)];
        return kOk;
    });
}

KVR_API int KVR_GetCS_EPSG(KvrHandle info, int32_t* epsg) {
    return Guarded([&]() -> int {
        if (epsg == nullptr) return kBadArgument;
        const auto found = Infos().Find(info);
        if (!found) return kUnknownHandle;
        *epsg = found->epsg;
        return found->epsg != 0 ? kOk : kNotAvailable;
    });
}

KVR_API int KVR_GetGridCellRange(KvrHandle raster, int32_t field, int32_t /*reserved*/, int64_t* x0,
                                 int64_t* y0, int64_t* x1, int64_t* y1) {
    return Guarded([&]() -> int {
        if (!x0 || !y0 || !x1 || !y1 || !FieldOk(field)) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        *x0 = 0;
        *y0 = 0;
        *x1 = open->geometry.width;
        *y1 = open->geometry.height;
        return kOk;
    });
}

KVR_API int KVR_GetCellRange(KvrHandle raster, int32_t field, int32_t level, int64_t* x0,
                             int64_t* y0, int64_t* x1, int64_t* y1) {
    return Guarded([&]() -> int {
        if (!x0 || !y0 || !x1 || !y1 || !FieldOk(field) || level < 0) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        *x0 = 0;
        *y0 = 0;
        *x1 = open->geometry.LevelWidth(level);
        *y1 = open->geometry.LevelHeight(level);
        return kOk;
    });
}

KVR_API int KVR_GetCellSize(KvrHandle raster, int32_t field, int32_t level, double* x, double* y) {
    return Guarded([&]() -> int {
        if (!x || !y || !FieldOk(field)) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        *x = open->geometry.LevelCellSizeX(level);
        *y = open->geometry.LevelCellSizeY(level);
        return kOk;
    });
}

KVR_API int KVR_ConvertCellToWorld(KvrHandle raster, int32_t field, double cell_x, double cell_y,
                                   double* world_x, double* world_y) {
    return Guarded([&]() -> int {
        if (!world_x || !world_y || !FieldOk(field)) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        open->geometry.CellToWorld(cell_x, cell_y, *world_x, *world_y);
        return kOk;
    });
}

KVR_API int KVR_GetStatistics(KvrHandle raster, int32_t field, int32_t band, int32_t /*reserved*/,
                              KvrStatistics** statistics, int32_t mode, int32_t force,
                              int32_t /*reserved_minus_one*/, int32_t /*reserved_zero*/) {
    return Guarded([&]() -> int {
        if (!FieldOk(field)) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        return RequestStatistics(
            *open, band, 0, mode,
            force != 0 ? StatisticsSource::Compute : StatisticsSource::KnownOnly, statistics);
    });
}

KVR_API int KVR_ComputeStatistics(KvrHandle raster, int32_t field, int32_t band, int32_t level,
                                  int64_t /*low*/, int64_t /*high*/, KvrStatistics** statistics,
                                  int32_t mode, int32_t /*reserved_minus_one*/,
                                  int32_t /*reserved_zero*/) {
    return Guarded([&]() -> int {
        if (!FieldOk(field)) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        return RequestStatistics(*open, band, level, mode, StatisticsSource::Compute, statistics);
    });
}

KVR_API int KVR_ReleaseStatistics(KvrStatistics** statistics) {
    if (statistics == nullptr) return kBadArgument;
    if (*statistics == nullptr) return kOk;
    if (!StatisticsBlocks().Release(*statistics)) return kBadArgument;
    *statistics = nullptr;
    return kOk;
}

KVR_API int KVR_PopulateCellBlock(KvrHandle raster, void** data, uint8_t** validity, int32_t format,
                                  int64_t x, int64_t y, int64_t width, int64_t height,
                                  int32_t output_width, int32_t output_height, int32_t field,
                                  int32_t band, int32_t underview_mode, int64_t /*low*/,
                                  int64_t /*high*/) {
    return Guarded([&]() -> int {
        if (data == nullptr || validity == nullptr || !FieldOk(field)) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        BlockRequest request;
        request.format = format;
        request.x = x;
        request.y = y;
        request.width = width;
        request.height = height;
        request.output_width = output_width;
        request.output_height = output_height;
        request.band = band;
        request.underview_mode = underview_mode;
        return PopulateBlock(*open, request, data, validity);
    });
}

KVR_API int KVR_ReleaseData(void** buffer) {
    if (buffer == nullptr) return kBadArgument;
    if (*buffer == nullptr) return kOk;
    if (!DataBlocks().Release(*buffer)) return kBadArgument;
    *buffer = nullptr;
    return kOk;
}

KVR_API int KVR_GetGHXFilename(KvrHandle raster, kvr_wchar** text) {
    return Guarded([&]() -> int {
        if (text == nullptr) return kBadArgument;
        if (!Rasters().Find(raster)) return kUnknownHandle;
        // No suggestion: the caller derives the style file's name from the raster's.
        auto* empty = static_cast<kvr_wchar*>(StringBlocks().Allocate(sizeof(kvr_wchar)));
        if (empty == nullptr) return kOutOfMemory;
        *text = empty;
        return kOk;
    });
}

KVR_API int KVR_ReleaseString(kvr_wchar** text) {
    if (text == nullptr) return kBadArgument;
    if (*text == nullptr) return kOk;
    if (!StringBlocks().Release(*text)) return kBadArgument;
    *text = nullptr;
    return kOk;
}

KVR_API int KVR_ReleaseRasterInfo(KvrHandle info) {
    return Guarded([&]() -> int { return Infos().Remove(info) ? kOk : kUnknownHandle; });
}

KVR_API int KVR_CloseRaster(KvrHandle raster, uint32_t /*options*/, int32_t /*reserved*/) {
    return Guarded([&]() -> int { return Rasters().Remove(raster) ? kOk : kUnknownHandle; });
}

KVR_API int KVR_H_SetCacheSize(uint32_t megabytes) {
    return Guarded([&]() -> int {
        SetGdalCacheMegabytes(megabytes);
        return kOk;
    });
}

// Each KVR_ function against its contract type, and its KVR_H_ alias.
#define KVR_ALSO_AS_H(name, type)                                                     \
    static_assert(std::is_same_v<decltype(&KVR_##name), type>, "KVR_" #name " type"); \
    KVR_API std::remove_pointer_t<type> KVR_H_##name __attribute__((alias("KVR_" #name)))

KVR_ALSO_AS_H(SetOpenQualityLimit, KvrSetOpenQualityLimitFn);
KVR_ALSO_AS_H(OpenRasterReadOnly, KvrOpenRasterReadOnlyFn);
KVR_ALSO_AS_H(VerifyRaster, KvrVerifyRasterFn);
KVR_ALSO_AS_H(GetOpenInfo, KvrGetOpenInfoFn);
KVR_ALSO_AS_H(RasterInfo, KvrRasterInfoFn);
KVR_ALSO_AS_H(FieldInfo, KvrFieldInfoFn);
KVR_ALSO_AS_H(InfoBandCount, KvrInfoBandCountFn);
KVR_ALSO_AS_H(BandInfo, KvrBandInfoFn);
KVR_ALSO_AS_H(InfoLevelCount, KvrInfoLevelCountFn);
KVR_ALSO_AS_H(LevelInfo, KvrLevelInfoFn);
KVR_ALSO_AS_H(GetCS_EPSG, KvrGetCSEpsgFn);
KVR_ALSO_AS_H(GetGridCellRange, KvrGetGridCellRangeFn);
KVR_ALSO_AS_H(GetCellRange, KvrGetCellRangeFn);
KVR_ALSO_AS_H(GetCellSize, KvrGetCellSizeFn);
KVR_ALSO_AS_H(ConvertCellToWorld, KvrConvertCellToWorldFn);
KVR_ALSO_AS_H(GetStatistics, KvrGetStatisticsFn);
KVR_ALSO_AS_H(ComputeStatistics, KvrComputeStatisticsFn);
KVR_ALSO_AS_H(ReleaseStatistics, KvrReleaseStatisticsFn);
KVR_ALSO_AS_H(PopulateCellBlock, KvrPopulateCellBlockFn);
KVR_ALSO_AS_H(ReleaseData, KvrReleaseDataFn);
KVR_ALSO_AS_H(GetGHXFilename, KvrGetGHXFilenameFn);
KVR_ALSO_AS_H(ReleaseString, KvrReleaseStringFn);
KVR_ALSO_AS_H(ReleaseRasterInfo, KvrReleaseRasterInfoFn);
KVR_ALSO_AS_H(CloseRaster, KvrCloseRasterFn);
static_assert(std::is_same_v<decltype(&KVR_H_SetCacheSize), KvrSetCacheSizeFn>);
