// The process-wide table of the raster engine's and the utility library's bound functions. It is
// filled by BindEngine under the binding lock and read afterwards without it; callers outside
// the binding go through engine_calls.h, which never calls an empty entry.
#pragma once

#include "engine/handler_prefs.h"
#include "engine/kvr_contract.h"

namespace Tarn::Engine {

struct EngineTable {
    void* engine_library;
    void* utility_library;
    KvrOpenRasterReadOnlyFn OpenRasterReadOnly;
    KvrGetStatisticsFn GetStatistics;
    KvrComputeStatisticsFn ComputeStatistics;
    KvrReleaseStatisticsFn ReleaseStatistics;
    KvrReleaseDataFn ReleaseData;
    KvrReleaseRasterInfoFn ReleaseRasterInfo;
    KvrVerifyRasterFn VerifyRaster;
    KvrGetCellSizeFn GetCellSize;
    KvrGetOpenInfoFn GetOpenInfo;
    KvrRasterInfoFn RasterInfo;
    KvrCloseRasterFn CloseRaster;
    KvrGetGridCellRangeFn GetGridCellRange;
    KvrGetCellRangeFn GetCellRange;
    KvrConvertCellToWorldFn ConvertCellToWorld;
    KvrPopulateCellBlockFn PopulateCellBlock;
    KvrGetCSEpsgFn GetCS_EPSG;
    KvrFieldInfoFn FieldInfo;
    KvrInfoLevelCountFn InfoLevelCount;
    KvrLevelInfoFn LevelInfo;
    KvrInfoBandCountFn InfoBandCount;
    KvrSetOpenQualityLimitFn SetOpenQualityLimit;
    KvrBandInfoFn BandInfo;
    KvrSetCacheSizeFn SetCacheSize;
    KvrGetGHXFilenameFn GetGHXFilename;
    KvrReleaseStringFn ReleaseString;
    KvrGetErrorTextFn GetErrorText;      // optional: engines before this plug-in lack it
    KvrSetReadThreadsFn SetReadThreads;  // optional, as GetErrorText
    GetHandlerPrefsFn GetHandlerPrefs;
    GetRasterProgramDirFn GetRasterProgramDir;
    GetColourPalatteDirFn GetColourPalatteDir;
};

// The one table of the process (of this copy of the plug-in); all entries empty until bound.
const EngineTable& BoundEngine();

// For the binding only.
EngineTable& MutableEngineTable();

}  // namespace Tarn::Engine
