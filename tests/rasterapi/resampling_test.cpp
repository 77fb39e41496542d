// Cell blocks at other scales than cell for cell: holes keep their outline and never bleed into
// valid values, classified bands show only the values they hold, reduced blocks over overviews
// repeat no row or column, and a window equals the same pixels of the whole picture.
#include <gdal.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "raster_fixtures.h"
#include "tests/support/param_names.h"

namespace Tarn::RasterApiTest {
namespace {

// A plane with a hole of 3 x 2 cells and a hole of one cell.
constexpr int kPlaneWidth = 12;
constexpr int kPlaneHeight = 10;

bool InHole(int x, int y) {
    return (x >= 4 && x < 7 && y >= 3 && y < 5) || (x == 9 && y == 7);
}

double Plane(int x, int y) {
    return 100.0 + 3.0 * x + 2.0 * y;
}

enum class HoleKind { NoData, NaN, Mask };

struct HoleCase {
    const char* name;
    HoleKind kind;
    int32_t mode;
    int output_width, output_height;
};

void PrintTo(const HoleCase& c, std::ostream* out) {
    *out << c.name;
}

std::string WriteHoledPlane(const TempDir& dir, HoleKind kind) {
    RasterRecipe recipe;
    recipe.width = kPlaneWidth;
    recipe.height = kPlaneHeight;
    recipe.type = kind == HoleKind::NoData ? GDT_Int16 : GDT_Float32;
    if (kind == HoleKind::NoData) recipe.nodata = -9999;
    const double hole = kind == HoleKind::NoData ? -9999 : kind == HoleKind::NaN ? NAN : -5000;
    const std::string path = WriteRaster(dir.File("holes.tif"), recipe, [&](int, int x, int y) {
        return InHole(x, y) ? hole : Plane(x, y);
    });
    if (kind == HoleKind::Mask) {
        // The hole is in a mask band; the cells under it hold a value far from the plane's.
        GDALDatasetH dataset = GDALOpen(path.c_str(), GA_Update);
        EXPECT_NE(dataset, nullptr);
        EXPECT_EQ(GDALCreateDatasetMaskBand(dataset, GMF_PER_DATASET), CE_None);
        GDALRasterBandH mask = GDALGetMaskBand(GDALGetRasterBand(dataset, 1));
        std::vector<uint8_t> flags(kPlaneWidth * kPlaneHeight);
        for (int y = 0; y < kPlaneHeight; ++y)
            for (int x = 0; x < kPlaneWidth; ++x)
                flags[y * kPlaneWidth + x] = InHole(x, y) ? 0 : 255;
        EXPECT_EQ(GDALRasterIO(mask, GF_Write, 0, 0, kPlaneWidth, kPlaneHeight, flags.data(),
                               kPlaneWidth, kPlaneHeight, GDT_Byte, 0, 0),
                  CE_None);
        GDALClose(dataset);
    }
    return path;
}

class MagnifiedHoles : public ::testing::TestWithParam<HoleCase> {};

// A pixel is valid exactly when the cell under its centre is, so the hole's outline moves by
// less than a pixel; and no value of a valid pixel comes from the hole.
TEST_P(MagnifiedHoles, KeepTheirOutlineAndNeverBleed) {
    const HoleCase& c = GetParam();
    TempDir dir;
    EngineRaster raster(WriteHoledPlane(dir, c.kind));
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, 0, 0, kPlaneWidth, kPlaneHeight,
             c.output_width, c.output_height, 0, c.mode);
    ASSERT_EQ(block.status, 0);
    const double step_x = static_cast<double>(kPlaneWidth) / c.output_width;
    const double step_y = static_cast<double>(kPlaneHeight) / c.output_height;
    const double low = Plane(0, 0), high = Plane(kPlaneWidth - 1, kPlaneHeight - 1);
    const double slack = 0.1 * (high - low);  // the kernels' overshoot beside a hole
    int invalid = 0;
    for (int j = 0; j < c.output_height; ++j) {
        for (int i = 0; i < c.output_width; ++i) {
            const size_t at = static_cast<size_t>(j) * c.output_width + i;
            const int x = static_cast<int>((i + 0.5) * step_x);
            const int y = static_cast<int>((j + 0.5) * step_y);
            ASSERT_EQ(block.validity[at], InHole(x, y) ? 0 : 1) << i << "," << j;
            if (block.validity[at] == 0) {
                ++invalid;
                continue;
            }
            const float v = block.FloatAt(at);
            ASSERT_TRUE(v >= low - slack && v <= high + slack) << v << " at " << i << "," << j;
        }
    }
    EXPECT_GT(invalid, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MagnifiedHoles,
    ::testing::Values(HoleCase{"NoDataAutomatic", HoleKind::NoData, 5, 84, 70},
                      HoleCase{"NoDataBilinearUneven", HoleKind::NoData, 1, 50, 45},
                      HoleCase{"NoDataLanczos", HoleKind::NoData, 4, 84, 70},
                      HoleCase{"NaNAutomatic", HoleKind::NaN, 5, 84, 70},
                      HoleCase{"NaNCubicSplineUneven", HoleKind::NaN, 3, 50, 45},
                      HoleCase{"MaskAutomatic", HoleKind::Mask, 5, 84, 70},
                      HoleCase{"MaskBilinear", HoleKind::Mask, 1, 50, 45}),
    [](const auto& info) { return std::string(info.param.name); });

// Magnified validity is GDAL's own nearest read of the mask at the pixels' size, bit for bit,
// for windows anywhere inside the raster and scales whose pixel centres fall on cell edges.
TEST(MagnifiedHoles, ValidityIsGdalsNearestMask) {
    constexpr int kWidth = 37, kHeight = 29;
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = kWidth;
    recipe.height = kHeight;
    recipe.type = GDT_Int16;
    recipe.nodata = -1;
    auto holed = [](int x, int y) { return (x * 7 + y * 13) % 5 == 0 || (x / 3 + y / 2) % 7 == 0; };
    const std::string path = WriteRaster(dir.File("holes.tif"), recipe, [&](int, int x, int y) {
        return holed(x, y) ? -1.0 : x + y;
    });
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
    ASSERT_NE(dataset, nullptr);
    struct Window {
        int x, y, width, height, output_width, output_height;
    };
    const Window windows[] = {
        {0, 0, kWidth, kHeight, 111, 87},  // 3 x
        {4, 3, 2, 2, 3, 3},                // centres on cell edges
        {5, 3, 12, 9, 36, 27},
        {1, 2, 7, 5, 23, 16},  // uneven
        {30, 20, 7, 9, 200, 201},
        {10, 4, 3, 3, 7, 7},
        {0, 0, kWidth, kHeight, 41, 290},  // magnified on one axis
    };
    for (const Window& w : windows) {
        SCOPED_TRACE(testing::Message() << w.x << "," << w.y << " " << w.width << "x" << w.height
                                        << " at " << w.output_width << "x" << w.output_height);
        std::vector<uint8_t> expected(static_cast<size_t>(w.output_width) * w.output_height);
        ASSERT_EQ(GDALRasterIO(GDALGetMaskBand(GDALGetRasterBand(dataset, 1)), GF_Read, w.x, w.y,
                               w.width, w.height, expected.data(), w.output_width,
                               w.output_height, GDT_Byte, 0, 0),
                  CE_None);
        for (const int32_t mode : {1, 5}) {
            Block block;
            Populate(block, raster.raster(), KVR_BLOCK_FLOAT, w.x, w.y, w.width, w.height,
                     w.output_width, w.output_height, 0, mode);
            ASSERT_EQ(block.status, 0);
            for (size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(block.validity[i], expected[i] != 0 ? 1 : 0)
                    << "pixel " << i % w.output_width << "," << i / w.output_width;
        }
    }
    GDALClose(dataset);
}

// An image whose transparent pixels (alpha 0) hold black: magnified, no black bleeds into the
// colours of the pixels around them, and the transparent ones keep their outline.
TEST(MagnifiedImage, TransparentPixelsNeitherBleedNorSpread) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = kPlaneWidth;
    recipe.height = kPlaneHeight;
    recipe.type = GDT_Byte;
    recipe.bands = 4;
    recipe.interpretations = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_AlphaBand};
    recipe.creation_options = {"PHOTOMETRIC=RGB", "ALPHA=YES"};
    const double colour[] = {200, 150, 100};
    EngineRaster raster(
        WriteRaster(dir.File("rgba.tif"), recipe, [&](int band, int x, int y) -> double {
            if (band == 4) return InHole(x, y) ? 0 : 255;
            return InHole(x, y) ? 0 : colour[band - 1];
        }));
    ASSERT_TRUE(raster.ok());
    ASSERT_EQ(raster.Field().field_type, KVR_FIELD_MULTIBAND);
    constexpr int kWidth = 84, kHeight = 70;
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_COLOUR, 0, 0, kPlaneWidth, kPlaneHeight, kWidth,
             kHeight, 0);
    ASSERT_EQ(block.status, 0);
    for (int j = 0; j < kHeight; ++j) {
        for (int i = 0; i < kWidth; ++i) {
            const size_t at = static_cast<size_t>(j) * kWidth + i;
            const bool hole = InHole(i * kPlaneWidth / kWidth, j * kPlaneHeight / kHeight);
            ASSERT_EQ(block.validity[at], hole ? 0 : 1) << i << "," << j;
            if (!hole) {
                ASSERT_EQ(block.WordAt(at) & 0xFFFFFFu, 0x6496C8u) << i << "," << j;
            }
        }
    }
}

// Classified bands: a palette image, and a grid whose values are named classes.
struct ClassCase {
    const char* name;
    bool palette;
    int32_t mode;
};

void PrintTo(const ClassCase& c, std::ostream* out) {
    *out << c.name;
}

class ClassifiedBands : public ::testing::TestWithParam<ClassCase> {};

const std::vector<GDALColorEntry> kPalette = {
    {200, 30, 30, 255}, {30, 200, 30, 255}, {30, 30, 200, 255}, {240, 240, 0, 255}};

int ClassOf(int x, int y) {
    return (x * 7 + y * 3) % 4;
}

TEST_P(ClassifiedBands, ShowOnlyTheValuesTheyHold) {
    const ClassCase& c = GetParam();
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 10;
    recipe.height = 9;
    recipe.type = GDT_Byte;
    if (c.palette) recipe.palette = kPalette;
    const std::string path = WriteRaster(dir.File("classes.tif"), recipe,
                                         [](int, int x, int y) { return ClassOf(x, y); });
    if (!c.palette) {
        GDALDatasetH dataset = GDALOpen(path.c_str(), GA_Update);
        ASSERT_NE(dataset, nullptr);
        const char* names[] = {"water", "forest", "field", "town", nullptr};
        EXPECT_EQ(
            GDALSetRasterCategoryNames(GDALGetRasterBand(dataset, 1), const_cast<char**>(names)),
            CE_None);
        GDALClose(dataset);
    }
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    std::set<uint32_t> colours;
    for (const GDALColorEntry& e : kPalette)
        colours.insert(static_cast<uint32_t>(e.c1) | static_cast<uint32_t>(e.c2) << 8 |
                       static_cast<uint32_t>(e.c3) << 16);
    const int value_band = c.palette ? 1 : 0;
    for (const auto& [width, height] : {std::pair{37, 31}, std::pair{4, 3}, std::pair{23, 5}}) {
        SCOPED_TRACE(::testing::Message() << width << " x " << height);
        if (c.palette) {
            Block block;
            Populate(block, raster.raster(), KVR_BLOCK_COLOUR, 0, 0, 10, 9, width, height, 0,
                     c.mode);
            ASSERT_EQ(block.status, 0);
            for (int i = 0; i < width * height; ++i) {
                ASSERT_EQ(block.validity[i], 1) << i;
                EXPECT_EQ(colours.count(block.WordAt(i)), 1u) << std::hex << block.WordAt(i);
            }
        }
        Block values;
        Populate(values, raster.raster(), KVR_BLOCK_FLOAT, 0, 0, 10, 9, width, height, value_band,
                 c.mode);
        ASSERT_EQ(values.status, 0);
        for (int i = 0; i < width * height; ++i) {
            const float v = values.FloatAt(i);
            EXPECT_TRUE(v == 0 || v == 1 || v == 2 || v == 3) << v << " at " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ClassifiedBands,
                         ::testing::Values(ClassCase{"PaletteAutomatic", true, 5},
                                           ClassCase{"PaletteLanczos", true, 4},
                                           ClassCase{"NamedClassesAutomatic", false, 5},
                                           ClassCase{"NamedClassesBilinear", false, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// A surface without flat parts, so that no two rows or columns of a faithful reduction are equal.
double Surface(int, int x, int y) {
    return 500.0 + 200.0 * std::sin(x * 0.011) * std::cos(y * 0.013) + 0.37 * x + 0.23 * y;
}

struct OverviewCase {
    int output_width, output_height;
    int32_t mode;
    int factor;  // of the level that must be read: the coarsest no coarser than the picture
    GDALRIOResampleAlg kernel;
};

// GDAL's read of the whole level of `factor` (1: the full resolution, with GDAL kept off its
// overviews) at the picture's size.
std::vector<float> ReadLevel(const std::string& path, const OverviewCase& c) {
    const char* no_overviews[] = {"OVERVIEW_LEVEL=NONE", nullptr};
    GDALDatasetH dataset = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr,
                                      c.factor == 1 ? no_overviews : nullptr, nullptr);
    EXPECT_NE(dataset, nullptr);
    std::vector<float> out(static_cast<size_t>(c.output_width) * c.output_height);
    if (dataset == nullptr) return out;
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    for (int i = 0; c.factor > 1 && i < GDALGetOverviewCount(band); ++i)
        if (GDALGetRasterBandXSize(GDALGetOverview(band, i)) * c.factor == 1024)
            band = GDALGetOverview(band, i);
    const int size = GDALGetRasterBandXSize(band);
    EXPECT_EQ(size * c.factor, 1024);
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = c.kernel;
    EXPECT_EQ(GDALRasterIOEx(band, GF_Read, 0, 0, size, size, out.data(), c.output_width,
                             c.output_height, GDT_Float32, 0, 0, &extra),
              CE_None);
    GDALClose(dataset);
    return out;
}

void PrintTo(const OverviewCase& c, std::ostream* out) {
    *out << c.output_width << "x" << c.output_height << " mode " << c.mode;
}

class ReducedOverOverviews : public ::testing::TestWithParam<OverviewCase> {};

// 1024 x 1024 cells with averaged overviews of 2, 4, 8 and 16; 135 pixels is the reduction at
// which GDAL by itself takes the overview of 8 (128 cells) and repeats 7 rows and 7 columns. The
// block is read from the coarsest level whose cells are no larger than its pixels.
TEST_P(ReducedOverOverviews, RepeatNoRowOrColumn) {
    const OverviewCase& c = GetParam();
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = recipe.height = 1024;
    recipe.overviews = {2, 4, 8, 16};
    recipe.overview_resampling = "AVERAGE";
    const std::string path = WriteRaster(dir.File("dem.tif"), recipe, Surface);
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, 0, 0, 1024, 1024, c.output_width,
             c.output_height, 0, c.mode);
    ASSERT_EQ(block.status, 0);
    const std::vector<float> expected = ReadLevel(path, c);
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(block.FloatAt(i), expected[i]) << i;

    const int w = c.output_width, h = c.output_height;
    const auto at = [&](int i, int j) { return block.FloatAt(static_cast<size_t>(j) * w + i); };
    int repeated_rows = 0, repeated_columns = 0;
    for (int j = 1; j < h; ++j) {
        bool same = true;
        for (int i = 0; i < w && same; ++i) same = at(i, j) == at(i, j - 1);
        repeated_rows += same;
    }
    for (int i = 1; i < w; ++i) {
        bool same = true;
        for (int j = 0; j < h && same; ++j) same = at(i, j) == at(i - 1, j);
        repeated_columns += same;
    }
    EXPECT_EQ(repeated_rows, 0);
    EXPECT_EQ(repeated_columns, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReducedOverOverviews,
                         ::testing::Values(OverviewCase{135, 135, 5, 4, GRIORA_Average},
                                           OverviewCase{135, 135, 0, 4, GRIORA_NearestNeighbour},
                                           OverviewCase{540, 540, 5, 1, GRIORA_Average},
                                           OverviewCase{540, 540, 0, 1, GRIORA_NearestNeighbour},
                                           OverviewCase{270, 70, 5, 2, GRIORA_Average},
                                           OverviewCase{90, 600, 0, 1, GRIORA_NearestNeighbour}),
                         Tarn::Test::PrintedName());

// A window drawn alone gives the same pixels as the whole picture at the same scale, inside the
// raster and where it reaches past the edge: the kernels see the cells beyond the window.
TEST(ResampledWindows, EqualTheSamePixelsOfTheWholePicture) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = recipe.height = 16;
    EngineRaster raster(WriteRaster(dir.File("g.tif"), recipe, [](int, int x, int y) {
        return std::sin(x * 0.7) * 40 + std::cos(y * 0.45) * 30 + x * y;
    }));
    ASSERT_TRUE(raster.ok());
    struct Scale {
        int pixels_per_cell_times_2;  // 8: magnified 4 times, 1: reduced to half
        int32_t mode;
    };
    for (const Scale s : {Scale{8, 5}, Scale{8, 1}, Scale{8, 4}, Scale{1, 5}}) {
        SCOPED_TRACE(::testing::Message() << s.pixels_per_cell_times_2 << " mode " << s.mode);
        const auto pixels = [&](int cells) { return cells * s.pixels_per_cell_times_2 / 2; };
        Block whole;
        Populate(whole, raster.raster(), KVR_BLOCK_FLOAT, 0, 0, 16, 16, pixels(16), pixels(16), 0,
                 s.mode);
        ASSERT_EQ(whole.status, 0);
        for (const auto& [x, y] : {std::pair{4, 6}, std::pair{-2, 10}}) {
            Block part;
            Populate(part, raster.raster(), KVR_BLOCK_FLOAT, x, y, 8, 8, pixels(8), pixels(8), 0,
                     s.mode);
            ASSERT_EQ(part.status, 0);
            for (int j = 0; j < pixels(8); ++j) {
                for (int i = 0; i < pixels(8); ++i) {
                    const int wi = pixels(x) + i, wj = pixels(y) + j;
                    const size_t at = static_cast<size_t>(j) * pixels(8) + i;
                    const bool inside = wi >= 0 && wi < pixels(16) && wj >= 0 && wj < pixels(16);
                    ASSERT_EQ(part.validity[at], inside ? 1 : 0) << i << "," << j;
                    if (inside) {
                        EXPECT_NEAR(part.FloatAt(at),
                                    whole.FloatAt(static_cast<size_t>(wj) * pixels(16) + wi), 1e-3)
                            << "window at " << x << "," << y << " pixel " << i << "," << j;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace Tarn::RasterApiTest
