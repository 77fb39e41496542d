// KVRasterAPI.so exports the 24 KVR_ names and the 25 KVR_H_ names and nothing else, and each
// KVR_H_ name is the same function as its KVR_ twin.
#include <gtest/gtest.h>

#include "tests/support/elf_symbols.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine_library.h"
#include "platform/dynamic_library.h"

namespace Tarn::RasterApiTest {
namespace {

using Tarn::Test::DefinedDynamicSymbols;

const char* const kNames[] = {
    "OpenRasterReadOnly",  "GetStatistics",      "ComputeStatistics", "ReleaseStatistics",
    "ReleaseData",         "ReleaseRasterInfo",  "VerifyRaster",      "GetCellSize",
    "GetOpenInfo",         "RasterInfo",         "CloseRaster",       "GetGridCellRange",
    "GetCellRange",        "ConvertCellToWorld", "PopulateCellBlock", "GetCS_EPSG",
    "FieldInfo",           "InfoLevelCount",     "LevelInfo",         "InfoBandCount",
    "SetOpenQualityLimit", "BandInfo",           "GetGHXFilename",    "ReleaseString",
    "GetErrorText",        "SetReadThreads",
};

TEST(EngineExports, ExactlyBothNameSets) {
    std::set<std::string> expected;
    for (const char* name : kNames) {
        expected.insert(std::string("KVR_") + name);
        expected.insert(std::string("KVR_H_") + name);
    }
    expected.insert("KVR_H_SetCacheSize");
    ASSERT_EQ(expected.size(), 53u);
    EXPECT_EQ(DefinedDynamicSymbols(EnginePath()), expected);
}

TEST(EngineExports, HNamesAreTheSameFunctions) {
    void* library = Engine().library;
    ASSERT_NE(library, nullptr);
    for (const char* name : kNames) {
        void* plain = Platform::FindSymbol(library, (std::string("KVR_") + name).c_str());
        void* h = Platform::FindSymbol(library, (std::string("KVR_H_") + name).c_str());
        EXPECT_NE(plain, nullptr) << name;
        EXPECT_EQ(plain, h) << name;
    }
}

}  // namespace
}  // namespace Tarn::RasterApiTest
