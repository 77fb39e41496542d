// A stand-in raster engine for the binding and identification tests. It exports the KVR_ and
// KVR_H_ name sets (less what the build's FAKE_* definitions leave out); VerifyRaster accepts
// files that begin with "FAKE RASTER"; what the plug-in did is kept for the tests to read.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "engine/kvr_contract.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int32_t g_cache_size = -1;
std::u16string g_last_verified;
char g_load_directory[4096];  // plain storage: filled before any C++ initialiser runs

// The binding makes the program directory current while it loads the engine.
__attribute__((constructor)) void RememberLoadDirectory() {
    if (getcwd(g_load_directory, sizeof g_load_directory) == nullptr) g_load_directory[0] = 0;
}

int Verify(const kvr_wchar* path) {
    g_last_verified = path ? path : u"";
    std::string narrow;
    for (char16_t c : g_last_verified) narrow += static_cast<char>(c);  // the tests use ASCII
    FILE* file = std::fopen(narrow.c_str(), "rb");
    if (file == nullptr) return 1;
    char head[11] = {};
    const size_t read = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return read == sizeof head && std::memcmp(head, "FAKE RASTER", sizeof head) == 0 ? 0 : 1;
}

}  // namespace

// Last size given to KVR_H_SetCacheSize, -1 when it was never called.
FAKE_EXPORT int32_t FakeEngineCacheSize() {
    return g_cache_size;
}

// The current directory while the library was being loaded.
FAKE_EXPORT const char* FakeEngineLoadDirectory() {
    return g_load_directory;
}

// The path of the last VerifyRaster call.
FAKE_EXPORT const char16_t* FakeEngineLastVerified() {
    return g_last_verified.c_str();
}

// One operation under both prefixes, each doing `body`.
#ifdef FAKE_H_ONLY
#define FAKE_OP(name, params, body)       \
    FAKE_EXPORT int KVR_H_##name params { \
        body                              \
    }
#else
#define FAKE_OP(name, params, body)                                               \
    FAKE_EXPORT int KVR_##name params{body} FAKE_EXPORT int KVR_H_##name params { \
        body                                                                      \
    }
#endif

FAKE_OP(OpenRasterReadOnly, (const kvr_wchar*, KvrHandle*, int32_t, int32_t), return 1;)
FAKE_OP(GetStatistics,
        (KvrHandle, int32_t, int32_t, int32_t, KvrStatistics**, int32_t, int32_t, int32_t, int32_t),
        return 1;)
FAKE_OP(ComputeStatistics,
        (KvrHandle, int32_t, int32_t, int32_t, int64_t, int64_t, KvrStatistics**, int32_t, int32_t,
         int32_t),
        return 1;)
FAKE_OP(ReleaseStatistics, (KvrStatistics**), return 0;)
FAKE_OP(ReleaseData, (void**), return 0;)
FAKE_OP(ReleaseRasterInfo, (KvrHandle), return 0;)
FAKE_OP(VerifyRaster, (const kvr_wchar* path), return Verify(path);)
FAKE_OP(GetCellSize, (KvrHandle, int32_t, int32_t, double*, double*), return 1;)
FAKE_OP(GetOpenInfo, (KvrHandle, KvrHandle*, int32_t), return 1;)
FAKE_OP(RasterInfo, (KvrHandle, const KvrRasterInfo**), return 1;)
FAKE_OP(CloseRaster, (KvrHandle, uint32_t, int32_t), return 0;)
FAKE_OP(GetGridCellRange, (KvrHandle, int32_t, int32_t, int64_t*, int64_t*, int64_t*, int64_t*),
        return 1;)
FAKE_OP(GetCellRange, (KvrHandle, int32_t, int32_t, int64_t*, int64_t*, int64_t*, int64_t*),
        return 1;)
FAKE_OP(ConvertCellToWorld, (KvrHandle, int32_t, double, double, double*, double*), return 1;)
FAKE_OP(PopulateCellBlock,
        (KvrHandle, void**, uint8_t**, int32_t, int64_t, int64_t, int64_t, int64_t, int32_t,
         int32_t, int32_t, int32_t, int32_t, int64_t, int64_t),
        return 1;)
#ifndef FAKE_NO_EPSG
FAKE_OP(GetCS_EPSG, (KvrHandle, int32_t*), return 1;)
#endif
FAKE_OP(FieldInfo, (KvrHandle, int32_t, const KvrFieldInfo**), return 1;)
FAKE_OP(InfoLevelCount, (KvrHandle, int32_t, int32_t), return 0;)
FAKE_OP(LevelInfo, (KvrHandle, int32_t, int32_t, int32_t, const KvrLevelInfo**), return 1;)
FAKE_OP(InfoBandCount, (KvrHandle, int32_t), return 0;)
FAKE_OP(SetOpenQualityLimit, (uint32_t, uint8_t), return 0;)
FAKE_OP(BandInfo, (KvrHandle, int32_t, int32_t, const KvrBandInfo**), return 1;)
FAKE_OP(GetGHXFilename, (KvrHandle, kvr_wchar**), return 1;)
FAKE_OP(ReleaseString, (kvr_wchar**), return 0;)

FAKE_EXPORT int KVR_H_SetCacheSize(uint32_t megabytes) {
    g_cache_size = static_cast<int32_t>(megabytes);
    return 0;
}
