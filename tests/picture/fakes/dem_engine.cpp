// A stand-in raster engine that serves every existing file as a synthetic DEM: 240 x 160 cells
// of three round hills and parallel ridges on a plain, within the grid engine's statistics (0 to
// 100).
// Every height is a sum of squares of whole numbers over a power of two, exact in binary
// floating point, so that every system computes the very same cells. The grid engine of
// fake_grid_engine.cpp (included, with the operations below renamed out of the way) does the
// rest; blocks are sampled from the nearest cell. Paths are looked up as UTF-16 on every
// system, as the real engine does (the grid engine narrows them, which Windows would read in the
// ANSI code page).
#define KVR_OpenRasterReadOnly DemGridOpenRasterReadOnlyUnused
#define KVR_VerifyRaster DemGridVerifyRasterUnused
#define KVR_PopulateCellBlock DemGridRefusedPopulateCellBlock
#define KVR_ReleaseData DemGridReleaseDataUnused
#include "../../handler/fakes/fake_grid_engine.cpp"
#undef KVR_OpenRasterReadOnly
#undef KVR_VerifyRaster
#undef KVR_PopulateCellBlock
#undef KVR_ReleaseData

#include <algorithm>
#include <filesystem>

namespace {

constexpr int64_t kDemWidth = 240;
constexpr int64_t kDemHeight = 160;

std::set<void*> g_dem_blocks;  // data and validity buffers not given back yet

float Hill(int64_t x, int64_t y, int64_t centre_x, int64_t centre_y, float top, float spread) {
    const int64_t dx = x - centre_x;
    const int64_t dy = y - centre_y;
    return std::max(0.0f, top - static_cast<float>(dx * dx + dy * dy) / spread);
}

float Height(int64_t x, int64_t y) {
    const int64_t ridge = (x + 2 * y) % 64 - 32;  // long, straight ridges across the plain
    return 4.0f + Hill(x, y, 60, 50, 70.0f, 32.0f) + Hill(x, y, 170, 100, 55.0f, 64.0f) +
           Hill(x, y, 120, 140, 30.0f, 16.0f) +
           std::max(0.0f, 8.0f - static_cast<float>(ridge * ridge) / 128.0f);
}

bool IsFile(const kvr_wchar* path) {
    std::error_code error;
    return path != nullptr &&
           std::filesystem::is_regular_file(std::filesystem::path(std::u16string(path)), error);
}

}  // namespace

FAKE_OP(VerifyRaster, (const kvr_wchar* path)) {
    return IsFile(path) ? 0 : 3;
}

FAKE_OP(OpenRasterReadOnly, (const kvr_wchar* path, KvrHandle* raster, int32_t, int32_t)) {
    if (raster == nullptr || !IsFile(path)) return 3;
    Describe();
    g_raster.open = true;
    *raster = kRaster;
    g_raster.width = kDemWidth;
    g_raster.height = kDemHeight;
    std::snprintf(g_raster_info.format_name, sizeof g_raster_info.format_name, "GTiff");
    g_field_info.cell_x1 = g_level_info.cell_x1 = kDemWidth;
    g_field_info.cell_y1 = g_level_info.cell_y1 = kDemHeight;
    g_field_info.world_max_x = kMinX + kCellSize * static_cast<double>(kDemWidth);
    g_field_info.world_max_y = kMinY + kCellSize * static_cast<double>(kDemHeight);
    return 0;
}

FAKE_OP(PopulateCellBlock, (KvrHandle raster, void** data, uint8_t** validity, int32_t, int64_t x,
                            int64_t y, int64_t width, int64_t height, int32_t output_width,
                            int32_t output_height, int32_t, int32_t, int32_t, int64_t, int64_t)) {
    if (raster != kRaster || data == nullptr || validity == nullptr || width <= 0 || height <= 0 ||
        output_width <= 0 || output_height <= 0)
        return 1;
    const size_t count = static_cast<size_t>(output_width) * static_cast<size_t>(output_height);
    auto* values = static_cast<float*>(std::malloc(count * sizeof(float)));
    auto* flags = static_cast<uint8_t*>(std::malloc(count));
    if (values == nullptr || flags == nullptr) {
        std::free(values);
        std::free(flags);
        return 1;
    }
    for (int32_t row = 0; row < output_height; ++row) {
        const int64_t cell_y = y + row * height / output_height;
        for (int32_t column = 0; column < output_width; ++column) {
            const int64_t cell_x = x + column * width / output_width;
            values[static_cast<size_t>(row) * output_width + column] = Height(cell_x, cell_y);
        }
    }
    std::memset(flags, 1, count);
    *data = values;
    *validity = flags;
    g_dem_blocks.insert(values);
    g_dem_blocks.insert(flags);
    return 0;
}

FAKE_OP(ReleaseData, (void** buffer)) {
    if (buffer == nullptr || *buffer == nullptr) return 0;
    if (g_dem_blocks.erase(*buffer) == 0) return 1;
    std::free(*buffer);
    *buffer = nullptr;
    return 0;
}
