// A stand-in raster engine that serves every existing file as one georeferenced grid band, for
// the cases the real engine cannot produce: a format name of its own ("KV_Skarnel_GRD" unless
// FAKE_GRID_FORMAT says otherwise), statistics that are refused or stored without a relief
// statistic, a suggested style file name. The environment is read at each open:
//   FAKE_GRID_SIZE        "width,height" (default "4,3")
//   FAKE_GRID_FORMAT      the format name
//   FAKE_GRID_STATISTICS  "computed" (default), "stored" (force 0 gives a record without relief),
//                         "refuse" (no statistics at all)
//   FAKE_GRID_CS          the coordinate system text, UTF-8 (default "EPSG:32633")
//   FAKE_GRID_GHX         the text KVR_GetGHXFilename gives (default empty)
// What the plug-in asked for is kept for the tests to read.
#include <sys/stat.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include <utf8.h>

#include "engine/kvr_contract.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr KvrHandle kRaster = 7;
constexpr KvrHandle kInfo = 8;
constexpr double kCellSize = 10.0;
constexpr double kMinX = 1000.0;
constexpr double kMinY = 2000.0;

// Statistics: values 0 to 100 in four equal bins of a quarter of the cells each.
constexpr double kMinimum = 0.0;
constexpr double kMaximum = 100.0;
constexpr double kRelief = 2.5;

struct Raster {
    bool open = false;
    int64_t width = 4;
    int64_t height = 3;
    std::string statistics = "computed";
    std::string ghx;
};

Raster g_raster;
KvrRasterInfo g_raster_info;
KvrFieldInfo g_field_info;
KvrBandInfo g_band_info;
KvrLevelInfo g_level_info;
std::set<void*> g_handed_out;  // statistics records and texts not given back yet
std::string g_log;

std::string Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : fallback;
}

std::string Narrow(const kvr_wchar* text) {
    std::u16string wide;
    while (text != nullptr && *text != 0) wide += *text++;
    return utf8::utf16to8(wide);
}

void Log(const std::string& entry) {
    if (!g_log.empty()) g_log += ' ';
    g_log += entry;
}

void Describe() {
    std::sscanf(Env("FAKE_GRID_SIZE", "4,3").c_str(), "%" SCNd64 ",%" SCNd64, &g_raster.width,
                &g_raster.height);
    g_raster.statistics = Env("FAKE_GRID_STATISTICS", "computed");
    g_raster.ghx = Env("FAKE_GRID_GHX", "");

    std::memset(&g_raster_info, 0, sizeof g_raster_info);
    g_raster_info.field_count = 1;
    std::snprintf(g_raster_info.format_name, sizeof g_raster_info.format_name, "%s",
                  Env("FAKE_GRID_FORMAT", "KV_Skarnel_GRD").c_str());
    const std::u16string cs = utf8::utf8to16(Env("FAKE_GRID_CS", "EPSG:32633"));
    std::memcpy(g_raster_info.coordinate_system, cs.data(),
                std::min<size_t>(cs.size(), 1023) * sizeof(kvr_wchar));

    std::memset(&g_field_info, 0, sizeof g_field_info);
    g_field_info.field_type = KVR_FIELD_GRID;
    g_field_info.band_count = 1;
    g_field_info.level_count = 1;
    g_field_info.value_code = KVR_VALUE_FLOAT32;
    g_field_info.reference_y = kMinY;
    g_field_info.cell_x1 = g_raster.width;
    g_field_info.cell_y1 = g_raster.height;
    g_field_info.world_min_x = kMinX;
    g_field_info.world_min_y = kMinY;
    g_field_info.world_max_x = kMinX + kCellSize * static_cast<double>(g_raster.width);
    g_field_info.world_max_y = kMinY + kCellSize * static_cast<double>(g_raster.height);

    std::memset(&g_band_info, 0, sizeof g_band_info);
    std::snprintf(g_band_info.name, sizeof g_band_info.name, "Band 1");
    g_band_info.value_code = KVR_VALUE_FLOAT32;

    g_level_info = {};
    g_level_info.cell_x1 = g_raster.width;
    g_level_info.cell_y1 = g_raster.height;
    g_level_info.cell_size_x = g_level_info.cell_size_y = kCellSize;
}

KvrStatistics* NewStatistics(int32_t band, int32_t level, int32_t mode, bool with_relief) {
    auto* record = new KvrStatistics{};
    record->band = band;
    record->level = level;
    record->mode = mode;
    record->minimum = kMinimum;
    record->maximum = kMaximum;
    record->bin_count = 4;
    record->bins = new KvrHistogramBin[4];
    for (int k = 0; k < 4; ++k) {
        const double lower = 25.0 * k;
        record->bins[k] = {lower, lower + 25.0, 1.0, lower + 25.0, 0.25, 0.25 * (k + 1)};
    }
    record->relief_computed = with_relief ? 1 : 0;
    record->relief = with_relief ? kRelief : 0.0;
    g_handed_out.insert(record);
    return record;
}

int Statistics(KvrHandle raster, int32_t band, int32_t level, KvrStatistics** out, int32_t mode,
               bool computed) {
    if (raster != kRaster || !g_raster.open || out == nullptr || band != 0) return 2;
    if (g_raster.statistics == "refuse") return 5;
    if (!computed && g_raster.statistics != "stored") return 5;  // nothing stored
    *out = NewStatistics(band, level, mode, computed);
    return 0;
}

}  // namespace

// Statistics records and texts handed out and not given back.
FAKE_EXPORT int FakeGridOutstanding() {
    return static_cast<int>(g_handed_out.size());
}

// The statistics requests in order: "get0" / "get1" (force 0 / 1), "compute<level>",
// "release".
FAKE_EXPORT const char* FakeGridStatisticsLog() {
    return g_log.c_str();
}

#define FAKE_OP(name, params) FAKE_EXPORT int KVR_##name params

FAKE_OP(SetOpenQualityLimit, (uint32_t, uint8_t)) {
    return 0;
}

FAKE_OP(OpenRasterReadOnly, (const kvr_wchar* path, KvrHandle* raster, int32_t, int32_t)) {
    struct stat st;
    if (path == nullptr || raster == nullptr || ::stat(Narrow(path).c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return 3;
    Describe();
    g_raster.open = true;
    *raster = kRaster;
    return 0;
}

FAKE_OP(VerifyRaster, (const kvr_wchar* path)) {
    struct stat st;
    return path != nullptr && ::stat(Narrow(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) ? 0 : 3;
}

FAKE_OP(GetOpenInfo, (KvrHandle raster, KvrHandle* info, int32_t)) {
    if (raster != kRaster || !g_raster.open || info == nullptr) return 2;
    *info = kInfo;
    return 0;
}

FAKE_OP(RasterInfo, (KvrHandle info, const KvrRasterInfo** record)) {
    if (info != kInfo || record == nullptr) return 2;
    *record = &g_raster_info;
    return 0;
}

FAKE_OP(FieldInfo, (KvrHandle info, int32_t field, const KvrFieldInfo** record)) {
    if (info != kInfo || field != 0 || record == nullptr) return 2;
    *record = &g_field_info;
    return 0;
}

FAKE_OP(InfoBandCount, (KvrHandle info, int32_t field)) {
    return info == kInfo && field == 0 ? 1 : 0;
}

FAKE_OP(BandInfo, (KvrHandle info, int32_t field, int32_t band, const KvrBandInfo** record)) {
    if (info != kInfo || field != 0 || band != 0 || record == nullptr) return 2;
    *record = &g_band_info;
    return 0;
}

FAKE_OP(InfoLevelCount, (KvrHandle info, int32_t field, int32_t)) {
    return info == kInfo && field == 0 ? 1 : 0;
}

FAKE_OP(LevelInfo,
        (KvrHandle info, int32_t field, int32_t, int32_t level, const KvrLevelInfo** record)) {
    if (info != kInfo || field != 0 || level != 0 || record == nullptr) return 2;
    *record = &g_level_info;
    return 0;
}

FAKE_OP(GetGridCellRange, (KvrHandle raster, int32_t field, int32_t, int64_t* x0, int64_t* y0,
                           int64_t* x1, int64_t* y1)) {
    if (raster != kRaster || field != 0) return 2;
    *x0 = 0, *y0 = 0, *x1 = g_raster.width, *y1 = g_raster.height;
    return 0;
}

FAKE_OP(GetCellRange, (KvrHandle raster, int32_t field, int32_t, int64_t* x0, int64_t* y0,
                       int64_t* x1, int64_t* y1)) {
    return KVR_GetGridCellRange(raster, field, 0, x0, y0, x1, y1);
}

FAKE_OP(GetCellSize, (KvrHandle raster, int32_t field, int32_t level, double* x, double* y)) {
    if (raster != kRaster || field != 0) return 2;
    *x = *y = kCellSize * static_cast<double>(1LL << (level > 0 ? level : 0));
    return 0;
}

FAKE_OP(ConvertCellToWorld, (KvrHandle, int32_t, double, double, double*, double*)) {
    return 1;
}

FAKE_OP(GetCS_EPSG, (KvrHandle, int32_t*)) {
    return 5;
}

FAKE_OP(GetStatistics, (KvrHandle raster, int32_t, int32_t band, int32_t, KvrStatistics** out,
                        int32_t mode, int32_t force, int32_t, int32_t)) {
    Log(force ? "get1" : "get0");
    return Statistics(raster, band, 0, out, mode, force != 0);
}

FAKE_OP(ComputeStatistics, (KvrHandle raster, int32_t, int32_t band, int32_t level, int64_t,
                            int64_t, KvrStatistics** out, int32_t mode, int32_t, int32_t)) {
    Log("compute" + std::to_string(level));
    return Statistics(raster, band, level, out, mode, true);
}

FAKE_OP(ReleaseStatistics, (KvrStatistics * *statistics)) {
    if (statistics == nullptr || *statistics == nullptr) return 0;
    Log("release");
    if (g_handed_out.erase(*statistics) == 0) return 1;
    delete[](*statistics)->bins;
    delete *statistics;
    *statistics = nullptr;
    return 0;
}

FAKE_OP(PopulateCellBlock,
        (KvrHandle, void**, uint8_t**, int32_t, int64_t, int64_t, int64_t, int64_t, int32_t,
         int32_t, int32_t, int32_t, int32_t, int64_t, int64_t)) {
    return 4;
}

FAKE_OP(ReleaseData, (void**)) {
    return 0;
}

FAKE_OP(GetGHXFilename, (KvrHandle raster, kvr_wchar** text)) {
    if (raster != kRaster || text == nullptr) return 2;
    const std::u16string wide = utf8::utf8to16(g_raster.ghx);
    *text = new kvr_wchar[wide.size() + 1]();
    std::memcpy(*text, wide.data(), wide.size() * sizeof(kvr_wchar));
    g_handed_out.insert(*text);
    return 0;
}

FAKE_OP(ReleaseString, (kvr_wchar * *text)) {
    if (text == nullptr || *text == nullptr) return 0;
    if (g_handed_out.erase(*text) == 0) return 1;
    delete[] * text;
    *text = nullptr;
    return 0;
}

FAKE_OP(ReleaseRasterInfo, (KvrHandle info)) {
    return info == kInfo ? 0 : 2;
}

FAKE_OP(CloseRaster, (KvrHandle raster, uint32_t, int32_t)) {
    if (raster != kRaster || !g_raster.open) return 2;
    g_raster.open = false;
    return 0;
}
