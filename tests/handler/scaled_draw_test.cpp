// Magnified pictures through the built plug-in and the real engine: with settings untouched a
// shaded surface is smooth (an inclined plane evenly lit), and a preference can still ask for
// the cell under each pixel, which draws each cell as a bevelled tile.
#include <gdal.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "open_support.h"

namespace open_test {
namespace {

constexpr int kCells = 16;
constexpr int kPixels = 256;  // 16 pixels a cell

// 16 x 16 cells of 10 m rising 4 m a cell eastwards and 3 m a cell southwards.
void WritePlane(const fs::path& path) {
    GDALAllRegister();
    GDALDatasetH dataset = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), kCells, kCells, 1,
                                      GDT_Float32, nullptr);
    ASSERT_NE(dataset, nullptr);
    double transform[6] = {1000, 10, 0, 5000, 0, -10};
    GDALSetGeoTransform(dataset, transform);
    std::vector<float> cells(kCells * kCells);
    for (int y = 0; y < kCells; ++y)
        for (int x = 0; x < kCells; ++x) cells[y * kCells + x] = 100.0f + 4.0f * x + 3.0f * y;
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(dataset, 1), GF_Write, 0, 0, kCells, kCells,
                           cells.data(), kCells, kCells, GDT_Float32, 0, 0),
              CE_None);
    GDALClose(dataset);
}

// Preferences of a white colour table, so that each pixel's red is the light on it, shading on
// without highlights, and the given underview section.
void UseWhiteShading(const fs::path& scratch, const std::string& underviews) {
    const fs::path palettes = scratch / "palettes";
    fs::create_directories(palettes);
    std::ofstream(palettes / "White.lut") << "NAME \"White\"\nINTERPOLATION RGB\nSCALE BYTE\nLUT\n"
                                             "0 255 255 255\n255 255 255 255\n";
    UsePreferences(scratch,
                   "[Colouring]\nColourTable = White.lut\n"
                   "[Shading]\nEnabled = yes\nHighlights = no\nLightAzimuth = 315\n" +
                       underviews,
                   {{"ColorPalettes", palettes.string()}});
}

struct Case {
    const char* name;
    std::string underviews;  // the preferences' underview section
    bool smooth;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class MagnifiedPlane : public ::testing::TestWithParam<Case> {};

TEST_P(MagnifiedPlane, IsEvenlyLitUnlessNearestIsAskedFor) {
    Scratch scratch("scaled-draw");
    UseWhiteShading(scratch.Path(), GetParam().underviews);
    const fs::path plane = scratch / "plane.tif";
    WritePlane(plane);
    Plugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    HostRasterRecord host;
    std::memset(&host, 0, sizeof host);
    ASSERT_EQ(plugin.Open(host, plane), 1);
    ASSERT_TRUE(Context(host).shading_on);

    const DrawRect output{0, 0, kPixels, kPixels};
    const DrawRect cells{0, 0, kCells, kCells};
    int width = 0;
    ASSERT_EQ(plugin.StartDraw(&host, &output, &cells, 1.0, &width), 1);
    uint8_t* block = nullptr;
    DrawRect rect{};
    ASSERT_EQ(plugin.GetBlock(&host, &block, &rect), 1);
    // The light away from the raster's own edge: within two cells of it the kernels reach
    // past the last cell, where GDAL repeats the edge cells.
    const int margin = 2 * kPixels / kCells;
    int darkest = 255, brightest = 0;
    for (int y = margin; y < kPixels - margin; ++y) {
        for (int x = margin; x < kPixels - margin; ++x) {
            const uint8_t* pixel = block + 3 * (static_cast<size_t>(y) * kPixels + x);
            ASSERT_EQ(pixel[0], pixel[1]);
            ASSERT_EQ(pixel[1], pixel[2]);
            darkest = std::min<int>(darkest, pixel[0]);
            brightest = std::max<int>(brightest, pixel[0]);
        }
    }
    EXPECT_EQ(plugin.EndDraw(&host), 1);
    EXPECT_EQ(plugin.Close(&host), 1);
    if (GetParam().smooth) {
        EXPECT_LE(brightest - darkest, 1) << darkest << " to " << brightest;
    } else {
        // Flat tiles with a lit and a shadowed edge each.
        EXPECT_GT(brightest - darkest, 20) << darkest << " to " << brightest;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Preferences, MagnifiedPlane,
    ::testing::Values(Case{"Untouched", "", true},
                      Case{"UnderviewsOnWithoutMode", "[Underviews]\nEnabled = yes\n", true},
                      Case{"Bilinear", "[Underviews]\nEnabled = yes\nMode = 2\n", true},
                      Case{"NearestIgnoredWhileUnderviewsAreOff",
                           "[Underviews]\nEnabled = no\nMode = 1\n", true},
                      Case{"Nearest", "[Underviews]\nEnabled = yes\nMode = 1\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace open_test
