// The engine as the plug-in sees it: KVRasterAPI.so loaded from the build's bin directory and
// every function looked up by name.
#pragma once

#include <string>

#include "engine/kvr_contract.h"

namespace Tarn::RasterApiTest {

struct EngineLibrary {
    void* library = nullptr;
    KvrSetOpenQualityLimitFn SetOpenQualityLimit = nullptr;
    KvrOpenRasterReadOnlyFn OpenRasterReadOnly = nullptr;
    KvrVerifyRasterFn VerifyRaster = nullptr;
    KvrGetOpenInfoFn GetOpenInfo = nullptr;
    KvrRasterInfoFn RasterInfo = nullptr;
    KvrFieldInfoFn FieldInfo = nullptr;
    KvrInfoBandCountFn InfoBandCount = nullptr;
    KvrBandInfoFn BandInfo = nullptr;
    KvrInfoLevelCountFn InfoLevelCount = nullptr;
    KvrLevelInfoFn LevelInfo = nullptr;
    KvrGetGridCellRangeFn GetGridCellRange = nullptr;
    KvrGetCellRangeFn GetCellRange = nullptr;
    KvrGetCellSizeFn GetCellSize = nullptr;
    KvrConvertCellToWorldFn ConvertCellToWorld = nullptr;
    KvrGetCSEpsgFn GetCS_EPSG = nullptr;
    KvrGetStatisticsFn GetStatistics = nullptr;
    KvrComputeStatisticsFn ComputeStatistics = nullptr;
    KvrReleaseStatisticsFn ReleaseStatistics = nullptr;
    KvrPopulateCellBlockFn PopulateCellBlock = nullptr;
    KvrReleaseDataFn ReleaseData = nullptr;
    KvrGetGHXFilenameFn GetGHXFilename = nullptr;
    KvrReleaseStringFn ReleaseString = nullptr;
    KvrGetErrorTextFn GetErrorText = nullptr;
    KvrReleaseRasterInfoFn ReleaseRasterInfo = nullptr;
    KvrCloseRasterFn CloseRaster = nullptr;
    KvrSetReadThreadsFn SetReadThreads = nullptr;
    KvrSetCacheSizeFn SetCacheSize = nullptr;  // KVR_H_ set only
};

std::string EnginePath();

// Loads the engine once per process (it stays loaded) and binds the given name set; fails the
// current test when a function is missing.
const EngineLibrary& Engine(const char* prefix = "KVR_");

}  // namespace Tarn::RasterApiTest
