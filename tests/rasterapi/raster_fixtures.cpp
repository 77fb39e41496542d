// GDAL-written fixtures and the engine-side helpers.
#include "raster_fixtures.h"

#include <cpl_string.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <utf8.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>

namespace Tarn::RasterApiTest {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/rasterapi-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    EXPECT_FALSE(path_.empty());
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

double DistinctValue(int band, int x, int y) {
    return y * 100 + x + 1000 * (band - 1);
}

std::string WriteRaster(const std::string& path, const RasterRecipe& recipe,
                        const CellValue& value) {
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName(recipe.driver.c_str());
    char** options = nullptr;
    for (const std::string& option : recipe.creation_options)
        options = CSLAddString(options, option.c_str());
    GDALDatasetH dataset = GDALCreate(driver, path.c_str(), recipe.width, recipe.height,
                                      recipe.bands, recipe.type, options);
    CSLDestroy(options);
    EXPECT_NE(dataset, nullptr) << path;
    if (dataset == nullptr) return path;
    if (recipe.geotransform) {
        GeoTransform gt = *recipe.geotransform;
        EXPECT_EQ(GDALSetGeoTransform(dataset, gt.data()), CE_None);
    }
    if (recipe.epsg != 0 || !recipe.proj.empty()) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        if (recipe.epsg != 0)
            OSRImportFromEPSG(srs, recipe.epsg);
        else
            OSRImportFromProj4(srs, recipe.proj.c_str());
        GDALSetSpatialRef(dataset, srs);
        OSRDestroySpatialReference(srs);
    }
    std::vector<double> cells(static_cast<size_t>(recipe.width) * recipe.height);
    for (int b = 1; b <= recipe.bands; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(dataset, b);
        if (recipe.nodata) GDALSetRasterNoDataValue(band, *recipe.nodata);
        if (b <= static_cast<int>(recipe.interpretations.size()))
            GDALSetRasterColorInterpretation(band, recipe.interpretations[b - 1]);
        if (b == 1 && !recipe.palette.empty()) {
            GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
            for (size_t i = 0; i < recipe.palette.size(); ++i)
                GDALSetColorEntry(table, static_cast<int>(i), &recipe.palette[i]);
            GDALSetRasterColorTable(band, table);
            GDALDestroyColorTable(table);
        }
        for (int y = 0; y < recipe.height; ++y)
            for (int x = 0; x < recipe.width; ++x)
                cells[static_cast<size_t>(y) * recipe.width + x] = value(b, x, y);
        EXPECT_EQ(GDALRasterIO(band, GF_Write, 0, 0, recipe.width, recipe.height, cells.data(),
                               recipe.width, recipe.height, GDT_Float64, 0, 0),
                  CE_None);
    }
    if (!recipe.overviews.empty()) {
        std::vector<int> factors = recipe.overviews;
        EXPECT_EQ(GDALBuildOverviews(dataset, recipe.overview_resampling.c_str(),
                                     static_cast<int>(factors.size()), factors.data(), 0, nullptr,
                                     nullptr, nullptr),
                  CE_None);
    }
    GDALClose(dataset);
    return path;
}

std::u16string Wide(const std::string& utf8) {
    std::u16string wide;
    utf8::utf8to16(utf8.begin(), utf8.end(), std::back_inserter(wide));
    return wide;
}

std::string Narrow(const char16_t* wide) {
    std::string narrow;
    const std::u16string_view view(wide);
    utf8::utf16to8(view.begin(), view.end(), std::back_inserter(narrow));
    return narrow;
}

std::vector<double> GdalRead(const std::string& path, int band, int x, int y, int width, int height,
                             int output_width, int output_height, GDALRIOResampleAlg kernel) {
    std::vector<double> out(static_cast<size_t>(output_width) * output_height);
    GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
    EXPECT_NE(dataset, nullptr);
    if (dataset == nullptr) return out;
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = kernel;
    EXPECT_EQ(GDALRasterIOEx(GDALGetRasterBand(dataset, band), GF_Read, x, y, width, height,
                             out.data(), output_width, output_height, GDT_Float64, 0, 0, &extra),
              CE_None);
    GDALClose(dataset);
    return out;
}

EngineRaster::EngineRaster(const std::string& path) {
    const EngineLibrary& e = Engine();
    const std::u16string wide = Wide(path);
    EXPECT_EQ(e.OpenRasterReadOnly(wide.c_str(), &raster_, 2, 0), 0) << path;
    if (raster_ == KVR_INVALID_HANDLE) return;
    EXPECT_EQ(e.GetOpenInfo(raster_, &info_, 0), 0);
}

EngineRaster::~EngineRaster() {
    const EngineLibrary& e = Engine();
    if (info_ != KVR_INVALID_HANDLE) {
        EXPECT_EQ(e.ReleaseRasterInfo(info_), 0);
    }
    if (raster_ != KVR_INVALID_HANDLE) {
        EXPECT_EQ(e.CloseRaster(raster_, KVR_CLOSE_OPTIONS, 0), 0);
    }
}

const KvrFieldInfo& EngineRaster::Field() const {
    static const KvrFieldInfo empty{};
    const KvrFieldInfo* record = nullptr;
    EXPECT_EQ(Engine().FieldInfo(info_, 0, &record), 0);
    return record ? *record : empty;
}

const KvrBandInfo& EngineRaster::Band(int band) const {
    static const KvrBandInfo empty{};
    const KvrBandInfo* record = nullptr;
    EXPECT_EQ(Engine().BandInfo(info_, 0, band, &record), 0) << "band " << band;
    return record ? *record : empty;
}

Block::~Block() {
    const EngineLibrary& e = Engine();
    if (data) {
        EXPECT_EQ(e.ReleaseData(&data), 0);
    }
    if (validity) {
        EXPECT_EQ(e.ReleaseData(reinterpret_cast<void**>(&validity)), 0);
    }
}

void Populate(Block& block, KvrHandle raster, int32_t format, int64_t x, int64_t y, int64_t width,
              int64_t height, int32_t output_width, int32_t output_height, int32_t band,
              int32_t underview_mode) {
    block.status = Engine().PopulateCellBlock(raster, &block.data, &block.validity, format, x, y,
                                              width, height, output_width, output_height, 0, band,
                                              underview_mode, INT64_MIN, INT64_MAX);
}

}  // namespace Tarn::RasterApiTest
