// A stand-in raster engine for drawing: the grid of fake_grid_engine.cpp (included, with the
// three operations below renamed out of the way) with cell blocks of its own, for what the real
// engine never does: answer status 0 without buffers, and serve a raster whose rows are not
// "y up". The environment is read at each open or request:
//   FAKE_BLOCK       "valid" (default): every cell valid at 50; "null": status 0 without
//                    buffers; "no-validity": values without validity bytes; "first-null": the
//                    process's first request as "null", the others as "valid"
//   FAKE_BLOCK_DOWN  "1": the field's reference y lies above its world minimum (y up false)
// Each request is logged ("format x y width height output-width output-height field band
// underview low high", entries separated by ";") and buffers not given back are counted.
#define KVR_OpenRasterReadOnly FakeGridOpenRasterReadOnly
#define KVR_PopulateCellBlock FakeGridRefusedPopulateCellBlock
#define KVR_ReleaseData FakeGridReleaseDataUnused
#include "fake_grid_engine.cpp"
#undef KVR_OpenRasterReadOnly
#undef KVR_PopulateCellBlock
#undef KVR_ReleaseData

#include <algorithm>
#include <cinttypes>

namespace {

std::set<void*> g_blocks;  // data and validity buffers not given back yet
std::string g_requests;

}  // namespace

FAKE_EXPORT int FakeBlockOutstanding() {
    return static_cast<int>(g_blocks.size());
}

FAKE_EXPORT const char* FakeBlockRequests() {
    return g_requests.c_str();
}

FAKE_OP(OpenRasterReadOnly, (const kvr_wchar* path, KvrHandle* raster, int32_t mode, int32_t x)) {
    const int status = FakeGridOpenRasterReadOnly(path, raster, mode, x);
    if (status == 0 && Env("FAKE_BLOCK_DOWN", "") == "1")
        g_field_info.reference_y = g_field_info.world_min_y + 1.0;
    return status;
}

FAKE_OP(PopulateCellBlock,
        (KvrHandle raster, void** data, uint8_t** validity, int32_t format, int64_t x, int64_t y,
         int64_t width, int64_t height, int32_t output_width, int32_t output_height, int32_t field,
         int32_t band, int32_t underview, int64_t low, int64_t high)) {
    char entry[256];
    std::snprintf(entry, sizeof entry,
                  "%d %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 " %d %d %d %d %d %" PRId64
                  " %" PRId64,
                  format, x, y, width, height, output_width, output_height, field, band, underview,
                  low, high);
    if (!g_requests.empty()) g_requests += ';';
    g_requests += entry;
    if (raster != kRaster || data == nullptr || validity == nullptr) return 1;

    const std::string behaviour = Env("FAKE_BLOCK", "valid");
    if (behaviour == "null") return 0;
    if (behaviour == "first-null" && g_requests.find(';') == std::string::npos) return 0;
    const size_t count = static_cast<size_t>(output_width) * static_cast<size_t>(output_height);
    auto* values = static_cast<float*>(std::malloc(count * sizeof(float)));
    std::fill(values, values + count, 50.0f);
    *data = values;
    g_blocks.insert(values);
    if (behaviour == "no-validity") return 0;
    auto* flags = static_cast<uint8_t*>(std::malloc(count));
    std::memset(flags, 1, count);
    *validity = flags;
    g_blocks.insert(flags);
    return 0;
}

FAKE_OP(ReleaseData, (void** buffer)) {
    if (buffer == nullptr || *buffer == nullptr) return 0;
    if (g_blocks.erase(*buffer) == 0) return 1;
    std::free(*buffer);
    *buffer = nullptr;
    return 0;
}
