// The sample DEM that the demo and the drawing benchmark use: a georeferenced Float32 GeoTIFF
// with its sea declared as no data, the same for the same options.
#include "tools/sample_dem.h"

#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace Tarn::Tools;

TEST(SampleDem, IsAGeoreferencedFloatGridWithSeaWithoutData) {
    const char* base = std::getenv("TMPDIR");
    std::string directory = std::string(base && *base ? base : "/tmp") + "/sample-XXXXXX";
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    const std::string path = directory + "/dem.tif";
    SampleDemOptions options;
    options.width = 96;
    options.height = 64;
    std::string error;
    ASSERT_TRUE(WriteSampleDem(path, options, error)) << error;

    GDALAllRegister();
    GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
    ASSERT_NE(dataset, nullptr);
    EXPECT_EQ(GDALGetRasterXSize(dataset), 96);
    EXPECT_EQ(GDALGetRasterYSize(dataset), 64);
    double transform[6] = {};
    ASSERT_EQ(GDALGetGeoTransform(dataset, transform), CE_None);
    const double expected[6] = {options.west, 30, 0, options.north, 0, -30};  // north-up
    for (int i = 0; i < 6; ++i) EXPECT_EQ(transform[i], expected[i]) << i;
    OGRSpatialReferenceH srs = GDALGetSpatialRef(dataset);
    ASSERT_NE(srs, nullptr);
    EXPECT_STREQ(OSRGetAuthorityCode(srs, nullptr), "32633");

    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    EXPECT_EQ(GDALGetRasterDataType(band), GDT_Float32);
    int has_no_data = 0;
    EXPECT_EQ(GDALGetRasterNoDataValue(band, &has_no_data), kSampleDemNoData);
    EXPECT_TRUE(has_no_data);
    std::vector<float> cells(96 * 64);
    ASSERT_EQ(GDALRasterIO(band, GF_Read, 0, 0, 96, 64, cells.data(), 96, 64, GDT_Float32, 0, 0),
              CE_None);
    GDALClose(dataset);
    EXPECT_EQ(cells, SampleDemHeights(options));  // the file holds the heights as made

    const auto sea = std::count(cells.begin(), cells.end(), kSampleDemNoData);
    EXPECT_GT(sea, 0);
    EXPECT_LT(sea, static_cast<long>(cells.size()) / 2);
    float low = 1e9f, high = -1e9f;
    for (float h : cells) {
        if (h == kSampleDemNoData) continue;
        low = std::min(low, h);
        high = std::max(high, h);
    }
    EXPECT_GE(low, 0.0f);
    EXPECT_LE(high, 3200.0f);
    EXPECT_GT(high - low, 2000.0f);  // a mountain range, not a plain

    options.seed += 1;
    EXPECT_NE(SampleDemHeights(options), cells);
    std::filesystem::remove_all(directory);
}

TEST(SampleDem, EmptySizeOrUnwritablePathIsRefused) {
    std::string error;
    SampleDemOptions empty;
    empty.width = 0;
    EXPECT_FALSE(WriteSampleDem("/tmp/never.tif", empty, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    SampleDemOptions small;
    small.width = small.height = 8;
    EXPECT_FALSE(WriteSampleDem("/no/such/directory/dem.tif", small, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
