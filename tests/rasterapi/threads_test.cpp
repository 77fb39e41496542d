// Several threads each open, read and close their own rasters at once: the handle table and the
// handed-out memory stay consistent, and every thread gets the values GDAL reads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "raster_fixtures.h"

namespace Tarn::RasterApiTest {
namespace {

TEST(EngineThreads, ConcurrentRastersOnePerThread) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 64;
    recipe.height = 48;
    const std::string path = WriteRaster(dir.File("g.tif"), recipe, DistinctValue);
    const std::vector<double> expected = GdalRead(path, 1, 0, 0, 64, 48, 16, 12);
    const EngineLibrary& e = Engine();
    const std::u16string wide = Wide(path);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 10; ++round) {
                KvrHandle raster = KVR_INVALID_HANDLE, info = KVR_INVALID_HANDLE;
                if (e.OpenRasterReadOnly(wide.c_str(), &raster, 2, 0) != 0 ||
                    e.GetOpenInfo(raster, &info, 0) != 0) {
                    ++failures;
                    continue;
                }
                void* data = nullptr;
                uint8_t* validity = nullptr;
                KvrStatistics* statistics = nullptr;
                if (e.PopulateCellBlock(raster, &data, &validity, KVR_BLOCK_FLOAT, 0, 0, 64, 48, 16,
                                        12, 0, 0, 0, INT64_MIN, INT64_MAX) != 0 ||
                    e.GetStatistics(raster, 0, 0, 0, &statistics, 4, 1, -1, 0) != 0) {
                    ++failures;
                } else {
                    for (size_t i = 0; i < expected.size(); ++i)
                        if (static_cast<float*>(data)[i] != expected[i]) ++failures;
                    if (statistics->maximum != DistinctValue(1, 63, 47)) ++failures;
                }
                e.ReleaseData(&data);
                e.ReleaseData(reinterpret_cast<void**>(&validity));
                e.ReleaseStatistics(&statistics);
                if (e.ReleaseRasterInfo(info) != 0 || e.CloseRaster(raster, 0x45, 0) != 0)
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace Tarn::RasterApiTest
