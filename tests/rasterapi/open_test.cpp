// Opening and verifying: real rasters open, bad inputs give a nonzero status and no crash;
// handles that were never issued or are already closed are refused by every function.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "raster_fixtures.h"

namespace Tarn::RasterApiTest {
namespace {

int Verify(const std::string& path) {
    const std::u16string wide = Wide(path);
    return Engine().VerifyRaster(wide.c_str());
}

int Open(const std::string& path, KvrHandle& raster) {
    const std::u16string wide = Wide(path);
    return Engine().OpenRasterReadOnly(wide.c_str(), &raster, 3, 0);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(EngineOpen, RealRasterVerifiesOpensAndCloses) {
    TempDir dir;
    const std::string path = WriteRaster(dir.File("grid.tif"), {}, DistinctValue);
    EXPECT_EQ(Verify(path), 0);
    const EngineLibrary& e = Engine();
    EXPECT_EQ(e.SetOpenQualityLimit(0x4000000, 0), 0);
    KvrHandle raster = KVR_INVALID_HANDLE;
    ASSERT_EQ(Open(path, raster), 0);
    EXPECT_NE(raster, KVR_INVALID_HANDLE);
    EXPECT_EQ(e.CloseRaster(raster, KVR_CLOSE_OPTIONS, 0), 0);
    EXPECT_NE(e.CloseRaster(raster, KVR_CLOSE_OPTIONS, 0), 0) << "second close";
}

TEST(EngineOpen, NonAsciiPath) {
    TempDir dir;
    const std::string path =
        WriteRaster(dir.File("h\xC3\xB6he \xE2\x82\xAC.tif"), {}, DistinctValue);
    EXPECT_EQ(Verify(path), 0);
}

TEST(EngineOpen, BadInputsFailWithoutCrash) {
    TempDir dir;
    const std::string good = WriteRaster(dir.File("good.tif"), {}, DistinctValue);
    std::ifstream in(good, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    WriteBytes(dir.File("truncated.tif"), bytes.substr(0, 16));
    WriteBytes(dir.File("corrupt.tif"), std::string(4096, '\x5A'));
    WriteBytes(dir.File("empty.tif"), "");
    // A raster description without cells.
    WriteBytes(dir.File("zero.vrt"),
               "<VRTDataset rasterXSize=\"0\" rasterYSize=\"0\"><VRTRasterBand dataType=\"Byte\" "
               "band=\"1\"/></VRTDataset>");
    WriteBytes(dir.File("notes.txt"), "not a raster\n");
    for (const std::string& path :
         {dir.File("missing.tif"), dir.Path(), dir.File("truncated.tif"), dir.File("corrupt.tif"),
          dir.File("empty.tif"), dir.File("zero.vrt"), dir.File("notes.txt"), std::string()}) {
        EXPECT_NE(Verify(path), 0) << path;
        KvrHandle raster = 7;
        EXPECT_NE(Open(path, raster), 0) << path;
        EXPECT_EQ(raster, KVR_INVALID_HANDLE) << path;
    }
}

TEST(EngineOpen, NullAndMalformedArguments) {
    const EngineLibrary& e = Engine();
    KvrHandle raster = KVR_INVALID_HANDLE;
    EXPECT_NE(e.VerifyRaster(nullptr), 0);
    EXPECT_NE(e.OpenRasterReadOnly(nullptr, &raster, 2, 0), 0);
    const char16_t unpaired[] = {u'a', 0xD800, u'.', u't', u'i', u'f', 0};
    EXPECT_NE(e.VerifyRaster(unpaired), 0);
    TempDir dir;
    const std::u16string path = Wide(WriteRaster(dir.File("g.tif"), {}, DistinctValue));
    EXPECT_NE(e.OpenRasterReadOnly(path.c_str(), nullptr, 2, 0), 0);
}

// The engine's reason for the raster's last refused request, as the plug-in logs it.
std::string ErrorText(KvrHandle raster) {
    kvr_wchar* text = nullptr;
    EXPECT_EQ(Engine().GetErrorText(raster, &text), 0);
    const std::string reason = text != nullptr ? Narrow(text) : std::string();
    EXPECT_EQ(Engine().ReleaseString(&text), 0);
    return reason;
}

// A truncated file whose header survives opens, but its cells cannot be read, and the engine
// says why in GDAL's words.
TEST(EngineOpen, UnreadableCellsGiveNonzeroStatusAndGdalsReason) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 256;
    recipe.height = 256;
    const std::string good = WriteRaster(dir.File("big.tif"), recipe, DistinctValue);
    std::filesystem::resize_file(good, std::filesystem::file_size(good) / 2);
    const std::u16string wide = Wide(good);
    KvrHandle raster = KVR_INVALID_HANDLE;
    if (Engine().OpenRasterReadOnly(wide.c_str(), &raster, 2, 0) != 0) return;  // also fine
    EXPECT_EQ(ErrorText(raster), "");
    Block block;
    Populate(block, raster, KVR_BLOCK_FLOAT, 0, 0, 256, 256, 256, 256);
    EXPECT_NE(block.status, 0);
    EXPECT_EQ(block.data, nullptr);
    // The first failure in GDAL's words, and the last, which names the file and band.
    const std::string reason = ErrorText(raster);
    EXPECT_NE(reason.find("TIFFRead"), std::string::npos) << reason;
    EXPECT_NE(reason.find("big.tif, band 1: IReadBlock failed"), std::string::npos) << reason;
    KvrStatistics* statistics = nullptr;
    EXPECT_NE(Engine().GetStatistics(raster, 0, 0, 0, &statistics, 4, 1, -1, 0), 0);
    EXPECT_EQ(statistics, nullptr);
    EXPECT_EQ(Engine().CloseRaster(raster, KVR_CLOSE_OPTIONS, 0), 0);
    kvr_wchar* text = nullptr;
    EXPECT_NE(Engine().GetErrorText(raster, &text), 0);  // a closed raster has no reason
    EXPECT_EQ(text, nullptr);
}

// Every function that takes a handle refuses one that is stale or was never issued.
TEST(EngineOpen, StaleAndUnknownHandles) {
    TempDir dir;
    const std::string path = WriteRaster(dir.File("g.tif"), {}, DistinctValue);
    const EngineLibrary& e = Engine();
    KvrHandle raster = KVR_INVALID_HANDLE, info = KVR_INVALID_HANDLE;
    ASSERT_EQ(Open(path, raster), 0);
    ASSERT_EQ(e.GetOpenInfo(raster, &info, 0), 0);
    // A raster handle is not an information handle, nor the reverse.
    const KvrFieldInfo* field = nullptr;
    EXPECT_NE(e.FieldInfo(raster, 0, &field), 0);
    int64_t x0, y0, x1, y1;
    EXPECT_NE(e.GetGridCellRange(info, 0, 0, &x0, &y0, &x1, &y1), 0);
    EXPECT_EQ(e.ReleaseRasterInfo(info), 0);
    EXPECT_EQ(e.CloseRaster(raster, KVR_CLOSE_OPTIONS, 0), 0);

    for (KvrHandle stale : {raster, info, KvrHandle{0}, KVR_INVALID_HANDLE, KvrHandle{123456}}) {
        SCOPED_TRACE(stale);
        KvrHandle out = 0;
        const KvrRasterInfo* r = nullptr;
        const KvrBandInfo* b = nullptr;
        const KvrLevelInfo* l = nullptr;
        double x, y;
        int32_t epsg;
        KvrStatistics* statistics = nullptr;
        kvr_wchar* text = nullptr;
        EXPECT_NE(e.GetOpenInfo(stale, &out, 0), 0);
        EXPECT_NE(e.RasterInfo(stale, &r), 0);
        EXPECT_NE(e.FieldInfo(stale, 0, &field), 0);
        EXPECT_EQ(e.InfoBandCount(stale, 0), 0);
        EXPECT_NE(e.BandInfo(stale, 0, 0, &b), 0);
        EXPECT_EQ(e.InfoLevelCount(stale, 0, 0), 0);
        EXPECT_NE(e.LevelInfo(stale, 0, 0, 0, &l), 0);
        EXPECT_NE(e.GetCS_EPSG(stale, &epsg), 0);
        EXPECT_NE(e.GetGridCellRange(stale, 0, 0, &x0, &y0, &x1, &y1), 0);
        EXPECT_NE(e.GetCellRange(stale, 0, 0, &x0, &y0, &x1, &y1), 0);
        EXPECT_NE(e.GetCellSize(stale, 0, 0, &x, &y), 0);
        EXPECT_NE(e.ConvertCellToWorld(stale, 0, 0, 0, &x, &y), 0);
        EXPECT_NE(e.GetStatistics(stale, 0, 0, 0, &statistics, 4, 1, -1, 0), 0);
        EXPECT_NE(e.ComputeStatistics(stale, 0, 0, 0, INT64_MIN, INT64_MAX, &statistics, 4, -1, 0),
                  0);
        Block block;
        Populate(block, stale, KVR_BLOCK_FLOAT, 0, 0, 4, 4, 4, 4);
        EXPECT_NE(block.status, 0);
        EXPECT_NE(e.GetGHXFilename(stale, &text), 0);
        EXPECT_NE(e.ReleaseRasterInfo(stale), 0);
        EXPECT_NE(e.CloseRaster(stale, KVR_CLOSE_OPTIONS, 0), 0);
        EXPECT_EQ(statistics, nullptr);
        EXPECT_EQ(text, nullptr);
    }
}

// Information records belong to their information handle, not to the raster.
TEST(EngineOpen, InformationOutlivesTheRaster) {
    TempDir dir;
    const std::string path = WriteRaster(dir.File("g.tif"), {}, DistinctValue);
    const EngineLibrary& e = Engine();
    KvrHandle raster = KVR_INVALID_HANDLE, info = KVR_INVALID_HANDLE;
    ASSERT_EQ(Open(path, raster), 0);
    ASSERT_EQ(e.GetOpenInfo(raster, &info, 0), 0);
    const KvrFieldInfo* before = nullptr;
    ASSERT_EQ(e.FieldInfo(info, 0, &before), 0);
    EXPECT_EQ(e.CloseRaster(raster, KVR_CLOSE_OPTIONS, 0), 0);
    const KvrFieldInfo* after = nullptr;
    ASSERT_EQ(e.FieldInfo(info, 0, &after), 0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(after->cell_x1, 8);
    EXPECT_EQ(e.InfoBandCount(info, 0), 1);
    EXPECT_EQ(e.ReleaseRasterInfo(info), 0);
}

TEST(EngineOpen, GhxFilenameIsAnEmptyText) {
    TempDir dir;
    EngineRaster raster(WriteRaster(dir.File("g.tif"), {}, DistinctValue));
    ASSERT_TRUE(raster.ok());
    const EngineLibrary& e = Engine();
    kvr_wchar* text = nullptr;
    ASSERT_EQ(e.GetGHXFilename(raster.raster(), &text), 0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text[0], u'\0');
    kvr_wchar* copy = text;
    EXPECT_EQ(e.ReleaseString(&text), 0);
    EXPECT_EQ(text, nullptr);
    EXPECT_NE(e.ReleaseString(&copy), 0) << "a text already given back";
    EXPECT_EQ(e.ReleaseString(&text), 0) << "nothing to give back";
    EXPECT_NE(e.ReleaseString(nullptr), 0);
}

TEST(EngineOpen, CacheSizeInTheHSet) {
    const EngineLibrary& h = Engine("KVR_H_");
    ASSERT_NE(h.SetCacheSize, nullptr);
    const int64_t before = GDALGetCacheMax64();
    EXPECT_EQ(h.SetCacheSize(64), 0);
    EXPECT_EQ(GDALGetCacheMax64(), int64_t{64} * 1024 * 1024);
    EXPECT_EQ(h.SetCacheSize(0), 0);
    EXPECT_EQ(GDALGetCacheMax64(), int64_t{64} * 1024 * 1024) << "0 leaves the size";
    GDALSetCacheMax64(before);
}

}  // namespace
}  // namespace Tarn::RasterApiTest
