// Loading KVRasterAPI.so the way the plug-in does.
#include "engine_library.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/dynamic_library.h"

namespace Tarn::RasterApiTest {
namespace {

template <typename Fn>
void Bind(void* library, const std::string& prefix, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(Platform::FindSymbol(library, (prefix + name).c_str()));
    EXPECT_NE(slot, nullptr) << prefix << name;
}

EngineLibrary Load(const std::string& prefix) {
    EngineLibrary e;
    e.library = Platform::OpenLibrary(EnginePath());
    EXPECT_NE(e.library, nullptr) << Platform::LastLoadError();
    if (e.library == nullptr) return e;
    void* l = e.library;
    Bind(l, prefix, "SetOpenQualityLimit", e.SetOpenQualityLimit);
    Bind(l, prefix, "OpenRasterReadOnly", e.OpenRasterReadOnly);
    Bind(l, prefix, "VerifyRaster", e.VerifyRaster);
    Bind(l, prefix, "GetOpenInfo", e.GetOpenInfo);
    Bind(l, prefix, "RasterInfo", e.RasterInfo);
    Bind(l, prefix, "FieldInfo", e.FieldInfo);
    Bind(l, prefix, "InfoBandCount", e.InfoBandCount);
    Bind(l, prefix, "BandInfo", e.BandInfo);
    Bind(l, prefix, "InfoLevelCount", e.InfoLevelCount);
    Bind(l, prefix, "LevelInfo", e.LevelInfo);
    Bind(l, prefix, "GetGridCellRange", e.GetGridCellRange);
    Bind(l, prefix, "GetCellRange", e.GetCellRange);
    Bind(l, prefix, "GetCellSize", e.GetCellSize);
    Bind(l, prefix, "ConvertCellToWorld", e.ConvertCellToWorld);
    Bind(l, prefix, "GetCS_EPSG", e.GetCS_EPSG);
    Bind(l, prefix, "GetStatistics", e.GetStatistics);
    Bind(l, prefix, "ComputeStatistics", e.ComputeStatistics);
    Bind(l, prefix, "ReleaseStatistics", e.ReleaseStatistics);
    Bind(l, prefix, "PopulateCellBlock", e.PopulateCellBlock);
    Bind(l, prefix, "ReleaseData", e.ReleaseData);
    Bind(l, prefix, "GetGHXFilename", e.GetGHXFilename);
    Bind(l, prefix, "ReleaseString", e.ReleaseString);
    Bind(l, prefix, "GetErrorText", e.GetErrorText);
    Bind(l, prefix, "SetReadThreads", e.SetReadThreads);
    Bind(l, prefix, "ReleaseRasterInfo", e.ReleaseRasterInfo);
    Bind(l, prefix, "CloseRaster", e.CloseRaster);
    if (prefix == "KVR_H_") Bind(l, prefix, "SetCacheSize", e.SetCacheSize);
    return e;
}

}  // namespace

std::string EnginePath() {
    return std::string(RH_BIN_DIR) + "/KVRasterAPI.so";
}

const EngineLibrary& Engine(const char* prefix) {
    static std::map<std::string, EngineLibrary> loaded;
    auto found = loaded.find(prefix);
    if (found == loaded.end()) found = loaded.emplace(prefix, Load(prefix)).first;
    return found->second;
}

}  // namespace Tarn::RasterApiTest
