// Several threads each open, read and close their own rasters at once: the handle table and the
// handed-out memory stay consistent, and every thread gets the values GDAL reads. A block read
// in bands of rows on several threads is the block read on one, byte for byte, and a band that
// fails fails the block with GDAL's reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "raster_fixtures.h"
#include "tests/support/param_names.h"

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

// Big enough to be split into several bands of rows (so small rasters are read on one thread).
constexpr int kSplitWidth = 1024;
constexpr int kSplitHeight = 900;

// Holes of no data, NaN cells in the float rasters, and values across the byte range.
double HolesAndSlopes(int band, int x, int y) {
    if ((x / 50 + y / 40) % 7 == 0) return -9999;
    if ((x * 31 + y * 17) % 997 == 0) return NAN;
    return (x * 7 + y * 13 + band * 60) % 300 - 20.5;
}

double Bytes(int band, int x, int y) {
    return (x * 3 + y * 5 + band * 70) % 256;
}

double PaletteIndex(int, int x, int y) {
    return (x / 9 + y / 7) % 4;
}

struct SplitCase {
    const char* name;
    RasterRecipe recipe;
    CellValue value;
    int32_t format;
};

void PrintTo(const SplitCase& c, std::ostream* out) {
    *out << c.name;
}

RasterRecipe SplitRecipe(GDALDataType type, int bands = 1) {
    RasterRecipe recipe;
    recipe.width = kSplitWidth;
    recipe.height = kSplitHeight;
    recipe.type = type;
    recipe.bands = bands;
    return recipe;
}

std::vector<SplitCase> SplitCases() {
    RasterRecipe dem = SplitRecipe(GDT_Float32);
    dem.nodata = -9999;
    RasterRecipe south_up = dem;
    south_up.geotransform = GeoTransform{1000, 10, 0, 5000, 0, 10};
    RasterRecipe tiled = dem;
    tiled.creation_options = {"TILED=YES", "BLOCKXSIZE=128", "BLOCKYSIZE=128"};
    RasterRecipe rgba = SplitRecipe(GDT_Byte, 4);
    rgba.interpretations = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_AlphaBand};
    RasterRecipe palette = SplitRecipe(GDT_Byte);
    palette.palette = {{0, 0, 0, 0}, {255, 0, 0, 255}, {1, 2, 3, 128}, {9, 8, 7, 255}};
    return {
        {"Dem", dem, HolesAndSlopes, KVR_BLOCK_FLOAT},
        {"DemAsBytes", dem, HolesAndSlopes, KVR_BLOCK_BYTE},
        {"DemAsGrey", dem, HolesAndSlopes, KVR_BLOCK_COLOUR},
        {"SouthUpDem", south_up, HolesAndSlopes, KVR_BLOCK_FLOAT},
        {"TiledDem", tiled, HolesAndSlopes, KVR_BLOCK_FLOAT},
        {"RgbaImage", rgba, Bytes, KVR_BLOCK_COLOUR},
        {"PaletteImage", palette, PaletteIndex, KVR_BLOCK_COLOUR},
    };
}

// How many descriptors of the process have `path` open.
int OpenDescriptorsOf(const std::string& path) {
    const std::filesystem::path target = std::filesystem::canonical(path);
    int count = 0;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ignored)) {
        const std::filesystem::path link = std::filesystem::read_symlink(entry.path(), ignored);
        if (!ignored && link == target) ++count;
    }
    return count;
}

class SplitReads : public ::testing::TestWithParam<SplitCase> {
protected:
    void TearDown() override { Engine().SetReadThreads(1); }
};

// Windows at a cell per pixel (whole, partly outside to the north-west, inside) read on 1 thread
// and on several, also more than the block has bands for.
TEST_P(SplitReads, EqualTheReadOnOneThreadByteForByte) {
    const SplitCase& c = GetParam();
    TempDir dir;
    const std::string path = WriteRaster(dir.File("r.tif"), c.recipe, c.value);
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    struct Cells {
        int x, y, width, height;
    };
    const Cells windows[] = {{0, 0, kSplitWidth, kSplitHeight},
                             {-30, -70, kSplitWidth, kSplitHeight},
                             {101, 77, 700, 640}};
    for (const Cells& w : windows) {
        const size_t pixels = static_cast<size_t>(w.width) * w.height;
        Engine().SetReadThreads(1);
        Block one;
        Populate(one, raster.raster(), c.format, w.x, w.y, w.width, w.height, w.width, w.height);
        ASSERT_EQ(one.status, 0);
        for (int threads : {2, 3, 8, 64}) {
            SCOPED_TRACE(testing::Message()
                         << "window " << w.x << "," << w.y << " threads " << threads);
            ASSERT_EQ(Engine().SetReadThreads(threads), 0);
            Block several;
            Populate(several, raster.raster(), c.format, w.x, w.y, w.width, w.height, w.width,
                     w.height);
            ASSERT_EQ(several.status, 0);
            EXPECT_EQ(std::memcmp(several.data, one.data, pixels * 4), 0);
            EXPECT_EQ(std::memcmp(several.validity, one.validity, pixels), 0);
        }
    }
    // The bands were read on handles of their own.
    EXPECT_GT(OpenDescriptorsOf(path), 1);
}

INSTANTIATE_TEST_SUITE_P(Rasters, SplitReads, ::testing::ValuesIn(SplitCases()),
                         Tarn::Test::PrintedName());

// A file cut short fails wherever the missing rows fall, and the engine says GDAL's reason, as
// on one thread.
TEST(SplitReads, ABandThatFailsFailsTheBlockWithGdalsReason) {
    TempDir dir;
    RasterRecipe recipe = SplitRecipe(GDT_Float32);
    const std::string path = WriteRaster(dir.File("cut.tif"), recipe, HolesAndSlopes);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) * 3 / 4);
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        ASSERT_EQ(Engine().SetReadThreads(threads), 0);
        Block block;
        Populate(block, raster.raster(), KVR_BLOCK_FLOAT, 0, 0, kSplitWidth, kSplitHeight,
                 kSplitWidth, kSplitHeight);
        EXPECT_EQ(block.status, 4);  // read failed
        kvr_wchar* text = nullptr;
        ASSERT_EQ(Engine().GetErrorText(raster.raster(), &text), 0);
        const std::string reason = Narrow(text);
        Engine().ReleaseString(&text);
        EXPECT_NE(reason.find("cut.tif"), std::string::npos) << reason;
    }
    Engine().SetReadThreads(1);
}

}  // namespace
}  // namespace Tarn::RasterApiTest
