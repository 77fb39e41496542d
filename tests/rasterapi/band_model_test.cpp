// Which GDAL datasets become which field type, and the kind and value code of every band, so
// that each of the plug-in's drawing paths has real files to draw.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "raster_fixtures.h"

namespace Tarn::RasterApiTest {
namespace {

struct BandModelCase {
    const char* name;
    RasterRecipe recipe;
    int field_type;
    std::vector<int32_t> kinds;
    std::vector<int32_t> value_codes;
};

RasterRecipe Recipe(GDALDataType type, int bands, std::vector<GDALColorInterp> interpretations = {},
                    std::vector<GDALColorEntry> palette = {},
                    std::vector<std::string> options = {}) {
    RasterRecipe recipe;
    recipe.type = type;
    recipe.bands = bands;
    recipe.interpretations = std::move(interpretations);
    recipe.palette = std::move(palette);
    recipe.creation_options = std::move(options);
    return recipe;
}

const std::vector<GDALColorEntry> kOpaquePalette = {{0, 0, 0, 255}, {255, 0, 0, 255}};
const std::vector<GDALColorEntry> kTranslucentPalette = {{0, 0, 0, 0}, {255, 0, 0, 255}};

// GeoTIFF colour maps carry no alpha; Imagine files keep an opacity per entry.
RasterRecipe ImagineRecipe(RasterRecipe recipe) {
    recipe.driver = "HFA";
    return recipe;
}

void PrintTo(const BandModelCase& c, std::ostream* out) {
    *out << c.name;
}

class EngineBandModel : public ::testing::TestWithParam<BandModelCase> {};

TEST_P(EngineBandModel, FieldTypeKindsAndValueCodes) {
    const BandModelCase& c = GetParam();
    TempDir dir;
    EngineRaster raster(WriteRaster(dir.File("b.tif"), c.recipe,
                                    [](int band, int x, int) { return band + x % 2; }));
    ASSERT_TRUE(raster.ok());
    const KvrFieldInfo& field = raster.Field();
    EXPECT_EQ(field.field_type, c.field_type);
    const int count = Engine().InfoBandCount(raster.info(), 0);
    EXPECT_EQ(count, static_cast<int>(c.kinds.size()));
    EXPECT_EQ(field.band_count, count);
    std::vector<int32_t> kinds, codes;
    for (int band = 0; band < count; ++band) {
        kinds.push_back(raster.Band(band).band_kind);
        codes.push_back(raster.Band(band).value_code);
    }
    EXPECT_EQ(kinds, c.kinds);
    EXPECT_EQ(codes, c.value_codes);
    const KvrBandInfo* beyond = nullptr;
    EXPECT_NE(Engine().BandInfo(raster.info(), 0, count, &beyond), 0);
    EXPECT_NE(Engine().BandInfo(raster.info(), 0, -1, &beyond), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineBandModel,
    ::testing::Values(
        BandModelCase{"ByteGrid", Recipe(GDT_Byte, 1), KVR_FIELD_GRID, {0}, {KVR_VALUE_UINT8}},
        BandModelCase{"Int16Grid", Recipe(GDT_Int16, 1), KVR_FIELD_GRID, {0}, {KVR_VALUE_INT16}},
        BandModelCase{
            "Float32Grid", Recipe(GDT_Float32, 1), KVR_FIELD_GRID, {0}, {KVR_VALUE_FLOAT32}},
        // Band 0 gives the colours of the table, band 1 the indexes.
        BandModelCase{"Palette",
                      Recipe(GDT_Byte, 1, {}, kOpaquePalette),
                      KVR_FIELD_PALETTE,
                      {KVR_BAND_COLOUR_RGB, 0},
                      {KVR_VALUE_UINT8, KVR_VALUE_UINT8}},
        BandModelCase{"PaletteWithAlpha",
                      ImagineRecipe(Recipe(GDT_Byte, 1, {}, kTranslucentPalette)),
                      KVR_FIELD_PALETTE,
                      {KVR_BAND_COLOUR_RGBA, 0},
                      {KVR_VALUE_UINT8, KVR_VALUE_UINT8}},
        // Band 0 the packed colours, bands 1..n the components.
        BandModelCase{"Rgb",
                      Recipe(GDT_Byte, 3, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand}, {},
                             {"PHOTOMETRIC=RGB"}),
                      KVR_FIELD_MULTIBAND,
                      {KVR_BAND_COLOUR_RGB, KVR_BAND_RED, KVR_BAND_GREEN, KVR_BAND_BLUE},
                      {30, 30, 30, 30}},
        BandModelCase{
            "Rgba",
            Recipe(GDT_Byte, 4, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_AlphaBand}, {},
                   {"PHOTOMETRIC=RGB", "ALPHA=YES"}),
            KVR_FIELD_MULTIBAND,
            {KVR_BAND_COLOUR_RGBA, KVR_BAND_RED, KVR_BAND_GREEN, KVR_BAND_BLUE, KVR_BAND_ALPHA},
            {30, 30, 30, 30, 30}},
        // No colour interpretation: the first three bands are offered as the composite.
        BandModelCase{"SixBands",
                      Recipe(GDT_UInt16, 6),
                      KVR_FIELD_MULTIBAND,
                      {KVR_BAND_RED, KVR_BAND_GREEN, KVR_BAND_BLUE, 0, 0, 0},
                      std::vector<int32_t>(6, KVR_VALUE_UINT16)},
        BandModelCase{"GreyByteTriple",
                      Recipe(GDT_Byte, 3, {}, {}, {"PHOTOMETRIC=MINISBLACK"}),
                      KVR_FIELD_MULTIBAND,
                      {KVR_BAND_RED, KVR_BAND_GREEN, KVR_BAND_BLUE},
                      {30, 30, 30}},
        // Too few bands for a composite.
        BandModelCase{"TwoBands",
                      Recipe(GDT_Float32, 2),
                      KVR_FIELD_MULTIBAND,
                      {0, 0},
                      {KVR_VALUE_FLOAT32, KVR_VALUE_FLOAT32}}),
    [](const auto& info) { return std::string(info.param.name); });

// Each band says GDAL's colour interpretation, so that the plug-in knows a grey image from a
// grid; the colour band of an image, which stands for three GDAL bands, says none.
TEST(EngineBandModel, BandsSayTheirColourInterpretation) {
    TempDir dir;
    const auto interpretations = [&](const RasterRecipe& recipe) {
        EngineRaster raster(
            WriteRaster(dir.File("i.tif"), recipe, [](int, int, int) { return 1; }));
        std::vector<std::string> names;
        for (int band = 0; band < Engine().InfoBandCount(raster.info(), 0); ++band)
            names.emplace_back(raster.Band(band).colour_interpretation);
        return names;
    };
    EXPECT_EQ(interpretations(Recipe(GDT_Byte, 1, {GCI_GrayIndex})),
              (std::vector<std::string>{"Gray"}));
    EXPECT_EQ(interpretations(Recipe(GDT_Byte, 3, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand}, {},
                                     {"PHOTOMETRIC=RGB"})),
              (std::vector<std::string>{"", "Red", "Green", "Blue"}));
}

// A container whose rasters are subdatasets has a field for each, named after it; the first is
// field 0.
TEST(EngineBandModel, ContainerHasAFieldForEachSubdataset) {
    TempDir dir;
    const std::string path = dir.File("two.gpkg");
    RasterRecipe recipe = Recipe(GDT_Byte, 1, {}, {}, {"RASTER_TABLE=first"});
    recipe.driver = "GPKG";
    recipe.epsg = 4326;
    recipe.geotransform = GeoTransform{0, 1, 0, 6, 0, -1};
    WriteRaster(path, recipe, [](int, int, int) { return 7; });
    recipe.creation_options = {"RASTER_TABLE=second", "APPEND_SUBDATASET=YES"};
    WriteRaster(path, recipe, [](int, int, int) { return 9; });
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    const KvrRasterInfo* info = nullptr;
    ASSERT_EQ(Engine().RasterInfo(raster.info(), &info), 0);
    EXPECT_EQ(info->field_count, 2);
    const float values[2] = {7.0f, 9.0f};
    const char* names[2] = {"first", "second"};
    for (int32_t field = 0; field < 2; ++field) {
        SCOPED_TRACE(names[field]);
        const KvrFieldInfo* record = nullptr;
        ASSERT_EQ(Engine().FieldInfo(raster.info(), field, &record), 0);
        EXPECT_STREQ(record->name, names[field]);
        int64_t x0 = -1, y0 = -1, x1 = -1, y1 = -1;
        EXPECT_EQ(Engine().GetGridCellRange(raster.raster(), field, 0, &x0, &y0, &x1, &y1), 0);
        EXPECT_EQ(x1, 8);
        void* data = nullptr;
        uint8_t* validity = nullptr;
        ASSERT_EQ(Engine().PopulateCellBlock(raster.raster(), &data, &validity, KVR_BLOCK_FLOAT, 0,
                                             0, 8, 6, 8, 6, field, 0, 5, INT64_MIN, INT64_MAX),
                  0);
        EXPECT_EQ(static_cast<const float*>(data)[0], values[field]);
        Engine().ReleaseData(&data);
        void* valid = validity;
        Engine().ReleaseData(&valid);
    }
    const KvrFieldInfo* beyond = nullptr;
    EXPECT_NE(Engine().FieldInfo(raster.info(), 2, &beyond), 0);
    EXPECT_EQ(Engine().InfoBandCount(raster.info(), 2), 0);
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    EXPECT_NE(Engine().GetGridCellRange(raster.raster(), 2, 0, &x0, &y0, &x1, &y1), 0);
}

}  // namespace
}  // namespace Tarn::RasterApiTest
