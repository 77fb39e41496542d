// The engine's exported functions. Each checks its arguments, finds its handle and hands the
// work to the parts above; no exception and no GDAL message leaves it. Every function is
// exported as KVR_<name> and, as an alias, KVR_H_<name>; KVR_H_SetCacheSize exists only in the
// KVR_H_ set.
#include <utf8.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iterator>
#include <new>
#include <string>
#include <type_traits>

#include "engine/kvr_contract.h"
#include "rasterapi/cell_block.h"
#include "rasterapi/gdal_session.h"
#include "rasterapi/handle_table.h"
#include "rasterapi/open_info.h"
#include "rasterapi/open_raster.h"
#include "rasterapi/owned_blocks.h"
#include "rasterapi/row_bands.h"
#include "rasterapi/statistics_cache.h"
#include "rasterapi/status.h"

using namespace Tarn::RasterApi;

namespace {

HandleTable<OpenFields>& Rasters() {
    static HandleTable<OpenFields> table;
    return table;
}

HandleTable<OpenInfo>& Infos() {
    static HandleTable<OpenInfo> table;
    return table;
}

// Set before each open; recorded with the raster.
std::atomic<uint32_t> g_quality_limit{0};
std::atomic<uint8_t> g_quality_flag{0};

// A body may take GDAL's failures of the call, to keep them as its raster's reason.
template <typename Body>
int Guarded(Body&& body) noexcept {
    try {
        EnsureGdalRegistered();
        QuietGdalErrors quiet;
        if constexpr (std::is_invocable_v<Body, const QuietGdalErrors&>)
            return body(quiet);
        else
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

// The open raster and its field `field`: status kUnknownHandle when the raster is not open,
// kBadArgument when it has no such field.
struct FoundField {
    std::shared_ptr<OpenFields> raster;
    OpenRaster* field = nullptr;
    int status = kOk;
};

FoundField FindField(KvrHandle raster, int32_t field) {
    FoundField found;
    found.raster = Rasters().Find(raster);
    if (!found.raster) {
        found.status = kUnknownHandle;
        return found;
    }
    found.field = found.raster->Field(field);
    if (found.field == nullptr) found.status = kBadArgument;
    return found;
}

const char* StatusWords(int status) {
    switch (status) {
        case kBadArgument:
            return "the request is outside what the raster has";
        case kReadFailed:
            return "GDAL could not read the cells";
        case kNotAvailable:
            return "the band has no valid cell";
        case kOutOfMemory:
            return "not enough memory";
        default:
            return "an unexpected failure";
    }
}

// Keeps why a request on `raster` was refused: GDAL's failures during the call, else the
// status in words.
int Remember(OpenFields& raster, int status, const QuietGdalErrors& gdal) {
    if (status == kOk) return status;
    raster.last_error = gdal.Failures();
    if (raster.last_error.empty()) raster.last_error = StatusWords(status);
    return status;
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
        auto opened = std::make_shared<OpenFields>();
        const Status status = OpenRasterFields(utf8, *opened);
        if (status != kOk) return status;
        for (const auto& field : opened->fields) {
            field->open_mode = mode;
            field->quality_limit = g_quality_limit;
            field->quality_flag = g_quality_flag;
        }
        *raster = Rasters().Add(std::move(opened));
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
        if (record == nullptr) return kBadArgument;
        const auto found = Infos().Find(info);
        if (!found) return kUnknownHandle;
        const FieldRecords* records = found->Field(field);
        if (records == nullptr) return kBadArgument;
        *record = records->field.get();
        return kOk;
    });
}

KVR_API int KVR_InfoBandCount(KvrHandle info, int32_t field) {
    return GuardedCount([&]() -> int {
        const auto found = Infos().Find(info);
        const FieldRecords* records = found ? found->Field(field) : nullptr;
        return records ? static_cast<int>(records->bands.size()) : 0;
    });
}

KVR_API int KVR_BandInfo(KvrHandle info, int32_t field, int32_t band, const KvrBandInfo** record) {
    return Guarded([&]() -> int {
        if (record == nullptr) return kBadArgument;
        const auto found = Infos().Find(info);
        if (!found) return kUnknownHandle;
        const FieldRecords* records = found->Field(field);
        if (records == nullptr) return kBadArgument;
        if (band < 0 || band >= static_cast<int32_t>(records->bands.size())) return kBadArgument;
        *record = &records->bands[static_cast<size_t>(band)];
        return kOk;
    });
}

KVR_API int KVR_InfoLevelCount(KvrHandle info, int32_t field, int32_t /*reserved*/) {
    return GuardedCount([&]() -> int {
        const auto found = Infos().Find(info);
        const FieldRecords* records = found ? found->Field(field) : nullptr;
        return records ? static_cast<int>(records->levels.size()) : 0;
    });
}

KVR_API int KVR_LevelInfo(KvrHandle info, int32_t field, int32_t /*reserved*/, int32_t level,
                          const KvrLevelInfo** record) {
    return Guarded([&]() -> int {
        if (record == nullptr) return kBadArgument;
        const auto found = Infos().Find(info);
        if (!found) return kUnknownHandle;
        const FieldRecords* records = found->Field(field);
        if (records == nullptr) return kBadArgument;
        if (level < 0 || level >= static_cast<int32_t>(records->levels.size())) return kBadArgument;
        *record = &records->levels[static_cast<size_t>(level)];
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
        if (!x0 || !y0 || !x1 || !y1) return kBadArgument;
        const FoundField found = FindField(raster, field);
        if (found.status != kOk) return found.status;
        const OpenRaster* open = found.field;
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
        if (!x0 || !y0 || !x1 || !y1 || level < 0) return kBadArgument;
        const FoundField found = FindField(raster, field);
        if (found.status != kOk) return found.status;
        const OpenRaster* open = found.field;
        *x0 = 0;
        *y0 = 0;
        *x1 = open->geometry.LevelWidth(level);
        *y1 = open->geometry.LevelHeight(level);
        return kOk;
    });
}

KVR_API int KVR_GetCellSize(KvrHandle raster, int32_t field, int32_t level, double* x, double* y) {
    return Guarded([&]() -> int {
        if (!x || !y) return kBadArgument;
        const FoundField found = FindField(raster, field);
        if (found.status != kOk) return found.status;
        const OpenRaster* open = found.field;
        *x = open->geometry.LevelCellSizeX(level);
        *y = open->geometry.LevelCellSizeY(level);
        return kOk;
    });
}

KVR_API int KVR_ConvertCellToWorld(KvrHandle raster, int32_t field, double cell_x, double cell_y,
                                   double* world_x, double* world_y) {
    return Guarded([&]() -> int {
        if (!world_x || !world_y) return kBadArgument;
        const FoundField found = FindField(raster, field);
        if (found.status != kOk) return found.status;
        found.field->geometry.CellToWorld(cell_x, cell_y, *world_x, *world_y);
        return kOk;
    });
}

KVR_API int KVR_GetStatistics(KvrHandle raster, int32_t field, int32_t band, int32_t /*reserved*/,
                              KvrStatistics** statistics, int32_t mode, int32_t force,
                              int32_t /*reserved_minus_one*/, int32_t /*reserved_zero*/) {
    return Guarded([&](const QuietGdalErrors& gdal) -> int {
        const FoundField found = FindField(raster, field);
        if (found.status != kOk) return found.status;
        const int status = RequestStatistics(
            *found.field, band, 0, mode,
            force != 0 ? StatisticsSource::Compute : StatisticsSource::KnownOnly, statistics);
        // Statistics that are merely not known yet are no refusal.
        return force != 0 ? Remember(*found.raster, status, gdal) : status;
    });
}

KVR_API int KVR_ComputeStatistics(KvrHandle raster, int32_t field, int32_t band, int32_t level,
                                  int64_t /*low*/, int64_t /*high*/, KvrStatistics** statistics,
                                  int32_t mode, int32_t /*reserved_minus_one*/,
                                  int32_t /*reserved_zero*/) {
    return Guarded([&](const QuietGdalErrors& gdal) -> int {
        const FoundField found = FindField(raster, field);
        if (found.status != kOk) return found.status;
        return Remember(*found.raster,
                        RequestStatistics(*found.field, band, level, mode,
                                          StatisticsSource::Compute, statistics),
                        gdal);
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
    return Guarded([&](const QuietGdalErrors& gdal) -> int {
        if (data == nullptr || validity == nullptr) return kBadArgument;
        const FoundField found = FindField(raster, field);
        if (found.status != kOk) return found.status;
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
        return Remember(*found.raster, PopulateBlock(*found.field, request, data, validity), gdal);
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

KVR_API int KVR_GetErrorText(KvrHandle raster, kvr_wchar** text) {
    return Guarded([&]() -> int {
        if (text == nullptr) return kBadArgument;
        const auto open = Rasters().Find(raster);
        if (!open) return kUnknownHandle;
        std::u16string wide;
        try {
            utf8::utf8to16(open->last_error.begin(), open->last_error.end(),
                           std::back_inserter(wide));
        } catch (const utf8::exception&) {
            wide = u"GDAL gave a message that is not UTF-8";
        }
        auto* copy =
            static_cast<kvr_wchar*>(StringBlocks().Allocate((wide.size() + 1) * sizeof(kvr_wchar)));
        if (copy == nullptr) return kOutOfMemory;
        std::copy(wide.begin(), wide.end(), copy);
        copy[wide.size()] = u'\0';
        *text = copy;
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

KVR_API int KVR_SetReadThreads(int32_t threads) {
    SetReadThreads(threads);
    return kOk;
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
KVR_ALSO_AS_H(GetErrorText, KvrGetErrorTextFn);
KVR_ALSO_AS_H(ReleaseRasterInfo, KvrReleaseRasterInfoFn);
KVR_ALSO_AS_H(CloseRaster, KvrCloseRasterFn);
KVR_ALSO_AS_H(SetReadThreads, KvrSetReadThreadsFn);
static_assert(std::is_same_v<decltype(&KVR_H_SetCacheSize), KvrSetCacheSizeFn>);
