// Cell blocks: resampled windows equal GDAL's own reads, windows partly outside are clipped,
// no-data / NaN / masked cells are invalid, and the three element formats hold what they say.
#include <gtest/gtest.h>

#include <cmath>

#include "raster_fixtures.h"
#include "tests/support/param_names.h"

namespace Tarn::RasterApiTest {
namespace {

constexpr int32_t kNearest = 0;  // the underview mode that reads the cell under each centre

std::vector<uint8_t> Validity(const Block& block, size_t count) {
    return std::vector<uint8_t>(block.validity, block.validity + count);
}

struct Window {
    int x, y, width, height, output_width, output_height;
};

void PrintTo(const Window& w, std::ostream* out) {
    *out << w.x << "," << w.y << " " << w.width << "x" << w.height << " -> " << w.output_width
         << "x" << w.output_height;
}

// A window resampled under an underview mode, and the kernel of GDAL's own read it must equal.
struct WindowCase {
    Window window;
    int32_t mode;
    GDALRIOResampleAlg kernel;
};

void PrintTo(const WindowCase& c, std::ostream* out) {
    PrintTo(c.window, out);
    *out << " mode " << c.mode;
}

class EngineBlockWindows : public ::testing::TestWithParam<WindowCase> {};

// Windows inside the raster of a band without overviews: the engine's resampling is GDAL's
// RasterIO with the kernel the mode and the scale call for.
TEST_P(EngineBlockWindows, FloatBlockEqualsGdalRasterIO) {
    const Window w = GetParam().window;
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 37;  // odd sizes so that no scale divides evenly
    recipe.height = 23;
    const std::string path = WriteRaster(dir.File("g.tif"), recipe, DistinctValue);
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, w.x, w.y, w.width, w.height, w.output_width,
             w.output_height, 0, GetParam().mode);
    ASSERT_EQ(block.status, 0);
    const std::vector<double> expected = GdalRead(
        path, 1, w.x, w.y, w.width, w.height, w.output_width, w.output_height, GetParam().kernel);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(block.FloatAt(i), static_cast<float>(expected[i])) << i;
        EXPECT_EQ(block.validity[i], 1) << i;
    }
}

constexpr Window kWhole{0, 0, 37, 23, 37, 23};
constexpr Window kPart{5, 3, 10, 7, 10, 7};
constexpr Window kReduced{0, 0, 37, 23, 9, 5};
constexpr Window kEnlarged{3, 2, 5, 4, 20, 13};
constexpr Window kUneven{1, 1, 30, 20, 7, 27};  // reduced across, enlarged down

INSTANTIATE_TEST_SUITE_P(
    Windows, EngineBlockWindows,
    ::testing::Values(
        WindowCase{kWhole, 5, GRIORA_NearestNeighbour},  // cell for cell: never
        WindowCase{kPart, 4, GRIORA_NearestNeighbour},   // resampled
        WindowCase{kReduced, 5, GRIORA_Average}, WindowCase{kReduced, 2, GRIORA_Average},
        WindowCase{kReduced, 0, GRIORA_NearestNeighbour}, WindowCase{kEnlarged, 5, GRIORA_Cubic},
        WindowCase{kEnlarged, 0, GRIORA_NearestNeighbour},
        WindowCase{kEnlarged, 1, GRIORA_Bilinear}, WindowCase{kEnlarged, 2, GRIORA_Cubic},
        WindowCase{kEnlarged, 3, GRIORA_CubicSpline}, WindowCase{kEnlarged, 4, GRIORA_Lanczos},
        WindowCase{kEnlarged, 17, GRIORA_Cubic},  // unknown modes: automatic
        WindowCase{kUneven, 5, GRIORA_Cubic}),
                         Tarn::Test::PrintedName());

// Output pixel i of a window starting at `origin` with `step` cells per pixel takes this cell.
int CellUnder(double origin, double step, int i) {
    return static_cast<int>(std::floor(origin + (i + 0.5) * step + 1e-10));
}

TEST(EngineBlock, WindowPartlyOutsideIsClipped) {
    TempDir dir;
    RasterRecipe recipe;  // 8 x 6
    EngineRaster raster(WriteRaster(dir.File("g.tif"), recipe, DistinctValue));
    ASSERT_TRUE(raster.ok());
    // 1:1 and an uneven reduction, both reaching past every edge.
    for (const Window w : {Window{-3, -2, 12, 10, 12, 10}, Window{-5, -3, 20, 15, 7, 9}}) {
        SCOPED_TRACE(::testing::PrintToString(w));
        Block block;
        Populate(block, raster.raster(), KVR_BLOCK_FLOAT, w.x, w.y, w.width, w.height,
                 w.output_width, w.output_height, 0, kNearest);
        ASSERT_EQ(block.status, 0);
        const double step_x = static_cast<double>(w.width) / w.output_width;
        const double step_y = static_cast<double>(w.height) / w.output_height;
        for (int j = 0; j < w.output_height; ++j) {
            for (int i = 0; i < w.output_width; ++i) {
                const int x = CellUnder(w.x, step_x, i), y = CellUnder(w.y, step_y, j);
                const bool inside = x >= 0 && x < 8 && y >= 0 && y < 6;
                const size_t at = static_cast<size_t>(j) * w.output_width + i;
                EXPECT_EQ(block.validity[at], inside ? 1 : 0) << i << "," << j;
                EXPECT_EQ(block.FloatAt(at), inside ? DistinctValue(1, x, y) : 0.0)
                    << i << "," << j;
            }
        }
    }
}

TEST(EngineBlock, SouthUpWindowPartlyOutside) {
    TempDir dir;
    RasterRecipe recipe;  // 8 x 6, lines south first
    recipe.geotransform = GeoTransform{1000, 10, 0, 4940, 0, 10};
    EngineRaster raster(WriteRaster(dir.File("g.tif"), recipe, DistinctValue));
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, 6, -1, 4, 4, 4, 4);
    ASSERT_EQ(block.status, 0);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            const int x = 6 + i, row = j - 1;  // engine row; GDAL line 5 - row
            const bool inside = x < 8 && row >= 0;
            EXPECT_EQ(block.validity[j * 4 + i], inside ? 1 : 0) << i << "," << j;
            if (inside) {
                EXPECT_EQ(block.FloatAt(j * 4 + i), DistinctValue(1, x, 5 - row));
            }
        }
    }
}

TEST(EngineBlock, WindowEntirelyOutsideIsAllInvalid) {
    TempDir dir;
    EngineRaster raster(WriteRaster(dir.File("g.tif"), {}, DistinctValue));
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, 100, -50, 10, 10, 5, 5);
    ASSERT_EQ(block.status, 0);
    EXPECT_EQ(Validity(block, 25), std::vector<uint8_t>(25, 0));
}

// A 4 x 2 raster whose cells (1, 0) and (2, 1) are holes of some kind.
struct HoleCase {
    const char* name;
    RasterRecipe recipe;
    double hole;  // value written into the holes
    int32_t format;
    int32_t band;
};

void PrintTo(const HoleCase& c, std::ostream* out) {
    *out << c.name;
}

RasterRecipe HoleSpec(GDALDataType type, std::optional<double> nodata, int bands = 1,
                      std::vector<GDALColorInterp> interpretations = {},
                      std::vector<std::string> options = {}) {
    RasterRecipe recipe;
    recipe.width = 4;
    recipe.height = 2;
    recipe.type = type;
    recipe.nodata = nodata;
    recipe.bands = bands;
    recipe.interpretations = std::move(interpretations);
    recipe.creation_options = std::move(options);
    return recipe;
}

const std::vector<GDALColorInterp> kRgba = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand,
                                            GCI_AlphaBand};

class EngineBlockHoles : public ::testing::TestWithParam<HoleCase> {};

TEST_P(EngineBlockHoles, HolesAreInvalid) {
    const HoleCase& c = GetParam();
    TempDir dir;
    const auto value = [&](int band, int x, int y) {
        const bool hole = (x == 1 && y == 0) || (x == 2 && y == 1);
        if (band == 4) return hole ? 0.0 : 255.0;  // alpha
        return hole ? c.hole : 10.0 * band + x + y;
    };
    EngineRaster raster(WriteRaster(dir.File("h.tif"), c.recipe, value));
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), c.format, 0, 0, 4, 2, 4, 2, c.band);
    ASSERT_EQ(block.status, 0);
    EXPECT_EQ(Validity(block, 8), std::vector<uint8_t>({1, 0, 1, 1, 1, 1, 0, 1}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineBlockHoles,
    ::testing::Values(
        HoleCase{"Int16NoDataFloat", HoleSpec(GDT_Int16, -9999), -9999, KVR_BLOCK_FLOAT, 0},
        HoleCase{"Int16NoDataByte", HoleSpec(GDT_Int16, -9999), -9999, KVR_BLOCK_BYTE, 0},
        HoleCase{"ByteNoData", HoleSpec(GDT_Byte, 7), 7, KVR_BLOCK_BYTE, 0},
        HoleCase{"Float32NaN", HoleSpec(GDT_Float32, std::nullopt), NAN, KVR_BLOCK_FLOAT, 0},
        HoleCase{"Float32NaNByte", HoleSpec(GDT_Float32, std::nullopt), NAN, KVR_BLOCK_BYTE, 0},
        HoleCase{"Float64NoData", HoleSpec(GDT_Float64, -1e300), -1e300, KVR_BLOCK_FLOAT, 0},
        HoleCase{"Int32NoData", HoleSpec(GDT_Int32, 2147483647), 2147483647, KVR_BLOCK_FLOAT, 0},
        // The alpha band masks the colours and each component.
        HoleCase{"RgbaColours",
                 HoleSpec(GDT_Byte, std::nullopt, 4, kRgba, {"PHOTOMETRIC=RGB", "ALPHA=YES"}), 5,
                 KVR_BLOCK_COLOUR, 0},
        HoleCase{"RgbaComponent",
                 HoleSpec(GDT_Byte, std::nullopt, 4, kRgba, {"PHOTOMETRIC=RGB", "ALPHA=YES"}), 5,
                 KVR_BLOCK_FLOAT, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// Format 32: the value rounded and clamped to 8 bits in the low byte, the rest zero.
TEST(EngineBlock, ByteFormatClampsIntoTheLowByte) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 5;
    recipe.height = 1;
    const double values[] = {-5, 0, 17.6, 254.4, 300};
    EngineRaster raster(
        WriteRaster(dir.File("f.tif"), recipe, [&](int, int x, int) { return values[x]; }));
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_BYTE, 0, 0, 5, 1, 5, 1);
    ASSERT_EQ(block.status, 0);
    const uint32_t expected[] = {0, 0, 18, 254, 255};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(block.WordAt(i), expected[i]) << i;
}

TEST(EngineBlock, ByteFormatOfByteBandEqualsGdal) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.type = GDT_Byte;
    recipe.width = 19;
    recipe.height = 11;
    const auto value = [](int, int x, int y) { return (x * 13 + y * 7) % 256; };
    const std::string path = WriteRaster(dir.File("b.tif"), recipe, value);
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_BYTE, 2, 1, 15, 9, 6, 4);
    ASSERT_EQ(block.status, 0);
    const std::vector<double> expected = GdalRead(path, 1, 2, 1, 15, 9, 6, 4, GRIORA_Average);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(block.WordAt(i), static_cast<uint32_t>(expected[i])) << i;
}

// Format 110: red in the low byte, transparency (255 - alpha) in the top byte.
TEST(EngineBlock, ColourFormat) {
    TempDir dir;
    const auto rgba = [](int band, int x, int) {
        const double components[4][2] = {{10, 200}, {20, 210}, {30, 220}, {255, 55}};
        return components[band - 1][x];
    };
    RasterRecipe recipe =
        HoleSpec(GDT_Byte, std::nullopt, 4, kRgba, {"PHOTOMETRIC=RGB", "ALPHA=YES"});
    recipe.width = 2;
    recipe.height = 1;
    EngineRaster image(WriteRaster(dir.File("rgba.tif"), recipe, rgba));
    ASSERT_TRUE(image.ok());
    Block colours;
    Populate(colours, image.raster(), KVR_BLOCK_COLOUR, 0, 0, 2, 1, 2, 1, 0);
    ASSERT_EQ(colours.status, 0);
    EXPECT_EQ(colours.WordAt(0), 0x001E140Au);
    EXPECT_EQ(colours.WordAt(1), 0xC8DCD2C8u);
    // The colour band read as numbers gives its red component.
    Block red;
    Populate(red, image.raster(), KVR_BLOCK_FLOAT, 0, 0, 2, 1, 2, 1, 0);
    ASSERT_EQ(red.status, 0);
    EXPECT_EQ(red.FloatAt(1), 200.0f);

    // A plain band comes out as opaque grey.
    RasterRecipe grey;
    grey.width = 2;
    grey.height = 1;
    EngineRaster grid(
        WriteRaster(dir.File("grey.tif"), grey, [](int, int x, int) { return x ? 300 : 65; }));
    Block greys;
    Populate(greys, grid.raster(), KVR_BLOCK_COLOUR, 0, 0, 2, 1, 2, 1, 0);
    ASSERT_EQ(greys.status, 0);
    EXPECT_EQ(greys.WordAt(0), 0x00414141u);
    EXPECT_EQ(greys.WordAt(1), 0x00FFFFFFu);
}

// Palette colours through the table: an entry with alpha 0 and an index beyond the table are
// not drawn; other alphas become transparency.
TEST(EngineBlock, PaletteColours) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.driver = "HFA";  // keeps the alpha of each entry
    recipe.type = GDT_Byte;
    recipe.width = 4;
    recipe.height = 1;
    recipe.palette = {{0, 0, 0, 0}, {255, 0, 0, 255}, {1, 2, 3, 128}};
    EngineRaster raster(WriteRaster(dir.File("p.img"), recipe, [](int, int x, int) { return x; }));
    ASSERT_TRUE(raster.ok());
    for (int band : {0, 1}) {
        Block block;
        Populate(block, raster.raster(), KVR_BLOCK_COLOUR, 0, 0, 4, 1, 4, 1, band);
        ASSERT_EQ(block.status, 0);
        EXPECT_EQ(Validity(block, 4), std::vector<uint8_t>({0, 1, 1, 0}));
        EXPECT_EQ(block.WordAt(1), 0x000000FFu);
        EXPECT_EQ(block.WordAt(2), 0x7F030201u);
    }
    Block indexes;
    Populate(indexes, raster.raster(), KVR_BLOCK_BYTE, 0, 0, 4, 1, 4, 1, 1);
    ASSERT_EQ(indexes.status, 0);
    EXPECT_EQ(indexes.WordAt(3), 3u);
}

// Reduced reads go through the overviews as GDAL's own do: averaged overviews differ from
// sampling the full resolution, and the engine gives the overview's values.
TEST(EngineBlock, ReducedReadsUseOverviews) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 64;
    recipe.height = 64;
    recipe.overviews = {2, 4};
    recipe.overview_resampling = "AVERAGE";
    const std::string path = WriteRaster(dir.File("o.tif"), recipe, DistinctValue);
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, 0, 0, 64, 64, 16, 16);
    ASSERT_EQ(block.status, 0);
    const std::vector<double> expected = GdalRead(path, 1, 0, 0, 64, 64, 16, 16);
    int differs_from_full = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(block.FloatAt(i), expected[i]) << i;
        const int x = static_cast<int>(i % 16) * 4 + 2, y = static_cast<int>(i / 16) * 4 + 2;
        differs_from_full += block.FloatAt(i) != DistinctValue(1, x, y);
    }
    EXPECT_GT(differs_from_full, 0);
}

TEST(EngineBlock, BadRequestsAreRefused) {
    TempDir dir;
    EngineRaster raster(WriteRaster(dir.File("g.tif"), {}, DistinctValue));
    ASSERT_TRUE(raster.ok());
    const KvrHandle r = raster.raster();
    struct Bad {
        const char* why;
        int32_t format;
        int64_t width, height;
        int32_t output_width, output_height, field, band;
    };
    const Bad cases[] = {
        {"format", 33, 4, 4, 4, 4, 0, 0},
        {"empty window", KVR_BLOCK_FLOAT, 0, 4, 4, 4, 0, 0},
        {"negative window", KVR_BLOCK_FLOAT, 4, -4, 4, 4, 0, 0},
        {"empty output", KVR_BLOCK_FLOAT, 4, 4, 4, 0, 0, 0},
        {"huge output", KVR_BLOCK_FLOAT, 4, 4, 20000, 20000, 0, 0},
        {"field", KVR_BLOCK_FLOAT, 4, 4, 4, 4, 1, 0},
        {"band", KVR_BLOCK_FLOAT, 4, 4, 4, 4, 0, 1},
        {"negative band", KVR_BLOCK_FLOAT, 4, 4, 4, 4, 0, -1},
    };
    for (const Bad& c : cases) {
        void* data = nullptr;
        uint8_t* validity = nullptr;
        EXPECT_NE(Engine().PopulateCellBlock(r, &data, &validity, c.format, 0, 0, c.width, c.height,
                                             c.output_width, c.output_height, c.field, c.band, 0,
                                             INT64_MIN, INT64_MAX),
                  0)
            << c.why;
        EXPECT_EQ(data, nullptr) << c.why;
        EXPECT_EQ(validity, nullptr) << c.why;
    }
    uint8_t* validity = nullptr;
    EXPECT_NE(Engine().PopulateCellBlock(r, nullptr, &validity, KVR_BLOCK_FLOAT, 0, 0, 4, 4, 4, 4,
                                         0, 0, 0, INT64_MIN, INT64_MAX),
              0);
}

TEST(EngineBlock, ReleaseDataGivesBackOnce) {
    TempDir dir;
    EngineRaster raster(WriteRaster(dir.File("g.tif"), {}, DistinctValue));
    ASSERT_TRUE(raster.ok());
    const EngineLibrary& e = Engine();
    void* data = nullptr;
    uint8_t* validity = nullptr;
    ASSERT_EQ(e.PopulateCellBlock(raster.raster(), &data, &validity, KVR_BLOCK_FLOAT, 0, 0, 4, 4, 4,
                                  4, 0, 0, 0, INT64_MIN, INT64_MAX),
              0);
    void* copy = data;
    EXPECT_EQ(e.ReleaseData(&data), 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_NE(e.ReleaseData(&copy), 0) << "already given back";
    EXPECT_EQ(e.ReleaseData(&data), 0) << "nothing to give back";
    int on_stack = 0;
    void* foreign = &on_stack;
    EXPECT_NE(e.ReleaseData(&foreign), 0);
    EXPECT_NE(e.ReleaseData(nullptr), 0);
    EXPECT_EQ(e.ReleaseData(reinterpret_cast<void**>(&validity)), 0);
}

}  // namespace
}  // namespace Tarn::RasterApiTest
