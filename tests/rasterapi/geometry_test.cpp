// Where rasters lie: world extent, reference y, cell sizes at every level, row order (north
// first for georeferenced rasters, GDAL's order without georeferencing), levels and overviews,
// coordinate system text and format name.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "raster_fixtures.h"

namespace Tarn::RasterApiTest {
namespace {

// Value of engine row `row`, column `column` of a whole-raster block in format 51.
std::vector<float> WholeBlock(const EngineRaster& raster, int width, int height) {
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, 0, 0, width, height, width, height);
    EXPECT_EQ(block.status, 0);
    std::vector<float> values;
    for (int i = 0; block.data && i < width * height; ++i) values.push_back(block.FloatAt(i));
    return values;
}

struct GeometryCase {
    const char* name;
    std::optional<GeoTransform> geotransform;
    double min_x, min_y, max_x, max_y, cell_x, cell_y;
    bool rows_flipped;  // engine row 0 is GDAL's last line
};

void PrintTo(const GeometryCase& c, std::ostream* out) {
    *out << c.name;
}

class EngineGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(EngineGeometry, ExtentCellSizeAndRowOrder) {
    const GeometryCase& c = GetParam();
    TempDir dir;
    RasterRecipe recipe;  // 8 x 6
    recipe.geotransform = c.geotransform;
    EngineRaster raster(WriteRaster(dir.File("g.tif"), recipe, DistinctValue));
    ASSERT_TRUE(raster.ok());
    const EngineLibrary& e = Engine();

    const KvrFieldInfo& field = raster.Field();
    EXPECT_EQ(field.cell_x0, 0);
    EXPECT_EQ(field.cell_y0, 0);
    EXPECT_EQ(field.cell_x1, 8);
    EXPECT_EQ(field.cell_y1, 6);
    EXPECT_DOUBLE_EQ(field.world_min_x, c.min_x);
    EXPECT_DOUBLE_EQ(field.world_min_y, c.min_y);
    EXPECT_DOUBLE_EQ(field.world_max_x, c.max_x);
    EXPECT_DOUBLE_EQ(field.world_max_y, c.max_y);
    EXPECT_EQ(field.cell_offset_x, 0);
    EXPECT_EQ(field.cell_offset_y, 0);
    // The plug-in's "y up" test holds for every raster.
    EXPECT_DOUBLE_EQ(field.reference_y, c.min_y);
    EXPECT_GE(field.world_min_y, field.reference_y);

    int64_t x0, y0, x1, y1;
    ASSERT_EQ(e.GetGridCellRange(raster.raster(), 0, 0, &x0, &y0, &x1, &y1), 0);
    EXPECT_EQ(std::vector<int64_t>({x0, y0, x1, y1}), std::vector<int64_t>({0, 0, 8, 6}));

    for (int level : {-2, -1, 0, 1, 3}) {
        double x = 0, y = 0;
        ASSERT_EQ(e.GetCellSize(raster.raster(), 0, level, &x, &y), 0);
        EXPECT_DOUBLE_EQ(x, std::ldexp(c.cell_x, level)) << level;
        EXPECT_DOUBLE_EQ(y, std::ldexp(c.cell_y, level)) << level;
    }

    // The top-left corner of the first engine row is the north-west corner of the extent.
    double wx = 0, wy = 0;
    ASSERT_EQ(e.ConvertCellToWorld(raster.raster(), 0, 0, 0, &wx, &wy), 0);
    EXPECT_DOUBLE_EQ(wx, c.min_x);
    EXPECT_DOUBLE_EQ(wy, c.max_y);
    ASSERT_EQ(e.ConvertCellToWorld(raster.raster(), 0, 8, 6, &wx, &wy), 0);
    EXPECT_DOUBLE_EQ(wx, c.max_x);
    EXPECT_DOUBLE_EQ(wy, c.min_y);

    const std::vector<float> values = WholeBlock(raster, 8, 6);
    ASSERT_EQ(values.size(), 48u);
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 8; ++column)
            EXPECT_EQ(values[row * 8 + column],
                      DistinctValue(1, column, c.rows_flipped ? 5 - row : row))
                << row << "," << column;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineGeometry,
    ::testing::Values(
        GeometryCase{"NorthUp", kNorthUp, 1000, 4940, 1080, 5000, 10, 10, false},
        // Lines run south to north: read flipped so the first row is still the northernmost.
        GeometryCase{"SouthUp", GeoTransform{1000, 10, 0, 4940, 0, 10}, 1000, 4940, 1080, 5000, 10,
                     10, true},
        GeometryCase{"NotGeoreferenced", std::nullopt, 0, 0, 8, 6, 1, 1, false},
        // The host takes axis-aligned corners only: a rotated raster is not georeferenced.
        GeometryCase{"Rotated", GeoTransform{1000, 10, 2, 5000, 2, -10}, 0, 0, 8, 6, 1, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EngineLevels, HalvingDownToTwoHundredFiftySixCells) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 1000;
    recipe.height = 600;
    recipe.type = GDT_Byte;
    EngineRaster raster(WriteRaster(dir.File("g.tif"), recipe, [](int, int, int) { return 1; }));
    ASSERT_TRUE(raster.ok());
    const EngineLibrary& e = Engine();
    ASSERT_EQ(e.InfoLevelCount(raster.info(), 0, 0), 3);  // 1000, 500, 250 columns
    EXPECT_EQ(raster.Field().level_count, 3);
    const int64_t expected[3][2] = {{1000, 600}, {500, 300}, {250, 150}};
    for (int level = 0; level < 3; ++level) {
        const KvrLevelInfo* info = nullptr;
        ASSERT_EQ(e.LevelInfo(raster.info(), 0, 0, level, &info), 0);
        EXPECT_EQ(info->cell_x0, 0);
        EXPECT_EQ(info->cell_y0, 0);
        EXPECT_EQ(info->cell_x1, expected[level][0]);
        EXPECT_EQ(info->cell_y1, expected[level][1]);
        EXPECT_DOUBLE_EQ(info->cell_size_x, 10.0 * (1 << level));
    }
    const KvrLevelInfo* info = nullptr;
    EXPECT_NE(e.LevelInfo(raster.info(), 0, 0, 3, &info), 0);
    EXPECT_NE(e.LevelInfo(raster.info(), 0, 0, -1, &info), 0);
    EXPECT_NE(e.LevelInfo(raster.info(), 1, 0, 0, &info), 0) << "one field only";
}

TEST(EngineLevels, SmallestOverviewExtendsTheLevels) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 300;
    recipe.height = 40;
    recipe.overviews = {2, 4, 8, 16};
    EngineRaster raster(WriteRaster(dir.File("g.tif"), recipe, DistinctValue));
    ASSERT_TRUE(raster.ok());
    const EngineLibrary& e = Engine();
    EXPECT_EQ(e.InfoLevelCount(raster.info(), 0, 0), 5);  // 300 fits in 2, the overviews go to 16
    int64_t x0, y0, x1, y1;
    ASSERT_EQ(e.GetCellRange(raster.raster(), 0, 3, &x0, &y0, &x1, &y1), 0);
    EXPECT_EQ(x1, 38);  // 300 / 8 rounded up
    EXPECT_EQ(y1, 5);
}

TEST(EngineRasterInfo, FormatNameAndCoordinateSystem) {
    TempDir dir;
    const EngineLibrary& e = Engine();
    struct Case {
        const char* file;
        const char* driver;
        int epsg;
        const char* proj;
        const char* expected_format;
        const char* expected_cs_prefix;  // empty: no coordinate system
    };
    const Case cases[] = {
        {"utm.tif", "GTiff", 32633, "", "GTiff", "EPSG:32633"},
        {"custom.tif", "GTiff", 0,
         "+proj=tmerc +lat_0=0 +lon_0=15.5 +k=0.9996 +x_0=500000 +y_0=0 +ellps=intl +units=m "
         "+no_defs",
         "GTiff", "+proj=tmerc"},
        {"plain.tif", "GTiff", 0, "", "GTiff", ""},
        {"imagine.img", "HFA", 0, "", "HFA", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        RasterRecipe recipe;
        recipe.driver = c.driver;
        recipe.epsg = c.epsg;
        recipe.proj = c.proj;
        EngineRaster raster(WriteRaster(dir.File(c.file), recipe, DistinctValue));
        ASSERT_TRUE(raster.ok());
        const KvrRasterInfo* info = nullptr;
        ASSERT_EQ(e.RasterInfo(raster.info(), &info), 0);
        EXPECT_EQ(info->field_count, 1);
        EXPECT_STREQ(info->format_name, c.expected_format);
        const std::string cs = Narrow(info->coordinate_system);
        const std::string prefix = c.expected_cs_prefix;
        EXPECT_EQ(cs.substr(0, prefix.size()), prefix) << cs;
        if (prefix.empty()) {
            EXPECT_EQ(cs, "");
        }
        int32_t epsg = -1;
        EXPECT_EQ(e.GetCS_EPSG(raster.info(), &epsg) == 0, c.epsg != 0);
        EXPECT_EQ(epsg, c.epsg);
    }
}

// An ASCII grid written by hand: what GDAL's text drivers read, with its no-data value.
TEST(EngineRasterInfo, AsciiGrid) {
    TempDir dir;
    const std::string path = dir.File("dem.asc");
    std::ofstream(path) << "ncols 3\nnrows 2\nxllcorner 100\nyllcorner 200\ncellsize 5\n"
                           "NODATA_value -9999\n1 2 3\n4 -9999 6\n";
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    const KvrRasterInfo* info = nullptr;
    ASSERT_EQ(Engine().RasterInfo(raster.info(), &info), 0);
    EXPECT_STREQ(info->format_name, "AAIGrid");
    const KvrFieldInfo& field = raster.Field();
    EXPECT_DOUBLE_EQ(field.world_min_x, 100);
    EXPECT_DOUBLE_EQ(field.world_min_y, 200);
    EXPECT_DOUBLE_EQ(field.world_max_x, 115);
    EXPECT_DOUBLE_EQ(field.world_max_y, 210);
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, 0, 0, 3, 2, 3, 2);
    ASSERT_EQ(block.status, 0);
    EXPECT_EQ(std::vector<uint8_t>(block.validity, block.validity + 6),
              std::vector<uint8_t>({1, 1, 1, 1, 0, 1}));
    EXPECT_EQ(block.FloatAt(5), 6.0f);
}

}  // namespace
}  // namespace Tarn::RasterApiTest
