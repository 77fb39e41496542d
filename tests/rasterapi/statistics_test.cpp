// Statistics against values computed here from the fixture's own cells: extremes, mean,
// deviation, relief, the histogram's bins; what force 0 and force 1 answer; levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "raster_fixtures.h"

namespace Tarn::RasterApiTest {
namespace {

// Deterministic, uneven values; holes at every seventh cell.
double Rough(int x, int y) {
    return ((x * 37 + y * 91) % 53) * 3 - 20;
}
bool IsHole(int x, int y) {
    return (x + y * 13) % 7 == 0;
}

// What the statistics of a grid of values (NaN = not valid) should be.
struct Expected {
    int64_t valid = 0;
    double minimum = INFINITY, maximum = -INFINITY, mean = 0, deviation = 0, relief = 0;
    std::vector<double> values;
};

Expected Expect(const std::vector<double>& grid, int width, int height) {
    Expected e;
    double relief = 0;
    int64_t pairs = 0;
    const auto at = [&](int x, int y) { return grid[static_cast<size_t>(y) * width + x]; };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double v = at(x, y);
            if (std::isnan(v)) continue;
            e.values.push_back(v);
            if (x > 0 && !std::isnan(at(x - 1, y))) relief += std::fabs(v - at(x - 1, y)), ++pairs;
            if (y > 0 && !std::isnan(at(x, y - 1))) relief += std::fabs(v - at(x, y - 1)), ++pairs;
        }
    }
    e.valid = static_cast<int64_t>(e.values.size());
    double sum = 0;
    for (double v : e.values) {
        e.minimum = std::min(e.minimum, v);
        e.maximum = std::max(e.maximum, v);
        sum += v;
    }
    e.mean = sum / e.valid;
    double squares = 0;
    for (double v : e.values) squares += (v - e.mean) * (v - e.mean);
    e.deviation = std::sqrt(squares / e.valid);
    e.relief = pairs ? relief / pairs : 0;
    return e;
}

// Every bin holds the values in [lower edge, upper edge) (the last one its upper edge too), the
// bins tile [minimum, maximum], and the cumulative fractions climb to 1.
void ExpectHistogram(const KvrStatistics& s, const Expected& e, uint32_t bin_count) {
    ASSERT_EQ(s.bin_count, bin_count);
    ASSERT_NE(s.bins, nullptr);
    EXPECT_DOUBLE_EQ(s.bins[0].lower_edge, e.minimum);
    EXPECT_DOUBLE_EQ(s.bins[bin_count - 1].end_value, e.maximum);
    double cumulative = 0, total = 0;
    for (uint32_t i = 0; i < bin_count; ++i) {
        const KvrHistogramBin& bin = s.bins[i];
        if (i > 0) {
            EXPECT_DOUBLE_EQ(bin.lower_edge, s.bins[i - 1].upper_edge);
        }
        const bool last = i + 1 == bin_count;
        const auto inside = [&](double v) {
            return v >= bin.lower_edge && (v < bin.upper_edge || (last && v <= bin.upper_edge));
        };
        const double count =
            static_cast<double>(std::count_if(e.values.begin(), e.values.end(), inside));
        EXPECT_EQ(bin.count, count) << "bin " << i;
        total += bin.count;
        cumulative += count / e.valid;
        EXPECT_NEAR(bin.cumulative_fraction, cumulative, 1e-12) << "bin " << i;
    }
    EXPECT_EQ(total, e.valid);
    EXPECT_EQ(s.bins[bin_count - 1].cumulative_fraction, 1.0);
}

void ExpectStatistics(const KvrStatistics& s, const Expected& e) {
    EXPECT_EQ(s.valid_count, e.valid);
    EXPECT_DOUBLE_EQ(s.minimum, e.minimum);
    EXPECT_DOUBLE_EQ(s.maximum, e.maximum);
    EXPECT_NEAR(s.mean, e.mean, 1e-9);
    EXPECT_NEAR(s.standard_deviation, e.deviation, 1e-9);
    EXPECT_EQ(s.relief_computed, 1);
    EXPECT_NEAR(s.relief, e.relief, 1e-9);
}

// Statistics given back at scope end.
struct Statistics {
    KvrStatistics* record = nullptr;
    ~Statistics() {
        if (record) {
            EXPECT_EQ(Engine().ReleaseStatistics(&record), 0);
        }
    }
};

struct StatisticsCase {
    const char* name;
    GDALDataType type;
    std::optional<double> nodata;
    double hole;
    uint32_t bins;
};

void PrintTo(const StatisticsCase& c, std::ostream* out) {
    *out << c.name;
}

class EngineStatistics : public ::testing::TestWithParam<StatisticsCase> {};

TEST_P(EngineStatistics, WholeBandAgainstIndependentValues) {
    const StatisticsCase& c = GetParam();
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 13;
    recipe.height = 9;
    recipe.type = c.type;
    recipe.nodata = c.nodata;
    const auto cell = [&](int x, int y) {
        const double v = Rough(x, y);
        return c.type == GDT_Byte ? v + 20 : v;  // keep bytes in range
    };
    std::vector<double> grid;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x) grid.push_back(IsHole(x, y) ? NAN : cell(x, y));
    EngineRaster raster(WriteRaster(dir.File("s.tif"), recipe, [&](int, int x, int y) {
        return IsHole(x, y) ? c.hole : cell(x, y);
    }));
    ASSERT_TRUE(raster.ok());
    const Expected expected = Expect(grid, 13, 9);

    Statistics s;
    ASSERT_EQ(Engine().GetStatistics(raster.raster(), 0, 0, 0, &s.record, 4, 1, -1, 0), 0);
    ASSERT_NE(s.record, nullptr);
    ExpectStatistics(*s.record, expected);
    EXPECT_EQ(s.record->cell_count, 13 * 9);
    EXPECT_EQ(s.record->invalid_count, 13 * 9 - expected.valid);
    EXPECT_EQ(s.record->mode, 4);
    ExpectHistogram(*s.record, expected, c.bins);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineStatistics,
    ::testing::Values(StatisticsCase{"Int16NoData", GDT_Int16, -9999, -9999, 1024},
                      StatisticsCase{"Float32NaN", GDT_Float32, std::nullopt, NAN, 1024},
                      StatisticsCase{"ByteNoData", GDT_Byte, 255, 255, 256}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EngineStatisticsForce, ZeroAnswersOnlyFromWhatIsKnown) {
    TempDir dir;
    const std::string path = WriteRaster(dir.File("g.tif"), {}, DistinctValue);
    auto raster = std::make_unique<EngineRaster>(path);
    ASSERT_TRUE(raster->ok());
    const EngineLibrary& e = Engine();
    Statistics before;
    EXPECT_NE(e.GetStatistics(raster->raster(), 0, 0, 0, &before.record, 4, 0, -1, 0), 0);
    EXPECT_EQ(before.record, nullptr);

    Statistics computed, known;
    ASSERT_EQ(e.GetStatistics(raster->raster(), 0, 0, 0, &computed.record, 4, 1, -1, 0), 0);
    ASSERT_EQ(e.GetStatistics(raster->raster(), 0, 0, 0, &known.record, 3, 0, -1, 0), 0);
    ASSERT_NE(computed.record, known.record) << "each request gets its own record";
    EXPECT_EQ(known.record->minimum, computed.record->minimum);
    EXPECT_EQ(known.record->relief, computed.record->relief);
    EXPECT_EQ(known.record->relief_computed, 1);
    EXPECT_EQ(known.record->mode, 3);
    // Statistics stay in memory: nothing is written beside the raster.
    raster.reset();
    EXPECT_FALSE(std::filesystem::exists(path + ".aux.xml"));
}

// Statistics and a histogram that GDAL stored beside the file answer force 0; they carry no
// relief statistic.
TEST(EngineStatisticsForce, ZeroAnswersFromStatisticsGdalStored) {
    TempDir dir;
    const std::string path = WriteRaster(dir.File("g.tif"), {}, DistinctValue);
    {
        GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
        ASSERT_NE(dataset, nullptr);
        GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
        double minimum, maximum, mean, deviation;
        ASSERT_EQ(GDALComputeRasterStatistics(band, FALSE, &minimum, &maximum, &mean, &deviation,
                                              nullptr, nullptr),
                  CE_None);
        double low, high;
        int buckets = 0;
        GUIntBig* counts = nullptr;
        ASSERT_EQ(
            GDALGetDefaultHistogramEx(band, &low, &high, &buckets, &counts, TRUE, nullptr, nullptr),
            CE_None);
        VSIFree(counts);
        GDALClose(dataset);  // writes g.tif.aux.xml
    }
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    Statistics stored;
    ASSERT_EQ(Engine().GetStatistics(raster.raster(), 0, 0, 0, &stored.record, 4, 0, -1, 0), 0);
    EXPECT_EQ(stored.record->minimum, 0);
    EXPECT_EQ(stored.record->maximum, 507);  // 5 * 100 + 7
    EXPECT_EQ(stored.record->relief_computed, 0);
    EXPECT_EQ(stored.record->valid_count, 48);
    ASSERT_GT(stored.record->bin_count, 0u);
    EXPECT_EQ(stored.record->bins[stored.record->bin_count - 1].cumulative_fraction, 1.0);
    // Force 1 computes the relief statistic after all.
    Statistics computed;
    ASSERT_EQ(Engine().GetStatistics(raster.raster(), 0, 0, 0, &computed.record, 4, 1, -1, 0), 0);
    EXPECT_EQ(computed.record->relief_computed, 1);
}

// Level 1 statistics are those of the band read at half size (a level below the listed ones,
// since the raster fits 256 x 256 cells already).
TEST(EngineStatisticsLevels, ComputedAtALevel) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.width = 41;
    recipe.height = 30;
    const auto value = [](int, int x, int y) { return Rough(x, y); };
    const std::string path = WriteRaster(dir.File("g.tif"), recipe, value);
    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    const Expected expected = Expect(GdalRead(path, 1, 0, 0, 41, 30, 21, 15), 21, 15);
    Statistics s;
    ASSERT_EQ(Engine().ComputeStatistics(raster.raster(), 0, 0, 1, INT64_MIN, INT64_MAX, &s.record,
                                         4, -1, 0),
              0);
    ExpectStatistics(*s.record, expected);
    EXPECT_EQ(s.record->level, 1);
    EXPECT_EQ(s.record->cell_count, 21 * 15);
    ExpectHistogram(*s.record, expected, 1024);

    Statistics beyond;
    EXPECT_NE(Engine().ComputeStatistics(raster.raster(), 0, 0, -1, INT64_MIN, INT64_MAX,
                                         &beyond.record, 4, -1, 0),
              0);
    EXPECT_EQ(beyond.record, nullptr);
}

TEST(EngineStatisticsEdges, ConstantBandHasOneBin) {
    TempDir dir;
    EngineRaster raster(WriteRaster(dir.File("c.tif"), {}, [](int, int, int) { return 42; }));
    ASSERT_TRUE(raster.ok());
    Statistics s;
    ASSERT_EQ(Engine().GetStatistics(raster.raster(), 0, 0, 0, &s.record, 4, 1, -1, 0), 0);
    EXPECT_EQ(s.record->minimum, 42);
    EXPECT_EQ(s.record->maximum, 42);
    EXPECT_EQ(s.record->relief, 0);
    EXPECT_EQ(s.record->relief_computed, 1);
    ASSERT_EQ(s.record->bin_count, 1u);
    EXPECT_EQ(s.record->bins[0].lower_edge, 41.5);
    EXPECT_EQ(s.record->bins[0].end_value, 42.5);
    EXPECT_EQ(s.record->bins[0].cumulative_fraction, 1.0);
}

TEST(EngineStatisticsEdges, NoValidCellGivesNoStatistics) {
    TempDir dir;
    RasterRecipe recipe;
    recipe.nodata = -1;
    EngineRaster raster(WriteRaster(dir.File("n.tif"), recipe, [](int, int, int) { return -1; }));
    ASSERT_TRUE(raster.ok());
    Statistics s;
    EXPECT_NE(Engine().GetStatistics(raster.raster(), 0, 0, 0, &s.record, 4, 1, -1, 0), 0);
    EXPECT_EQ(s.record, nullptr);
}

TEST(EngineStatisticsEdges, BadRequestsAndRelease) {
    TempDir dir;
    EngineRaster raster(WriteRaster(dir.File("g.tif"), {}, DistinctValue));
    ASSERT_TRUE(raster.ok());
    const EngineLibrary& e = Engine();
    KvrStatistics* record = nullptr;
    EXPECT_NE(e.GetStatistics(raster.raster(), 0, 1, 0, &record, 4, 1, -1, 0), 0) << "band";
    EXPECT_NE(e.GetStatistics(raster.raster(), 1, 0, 0, &record, 4, 1, -1, 0), 0) << "field";
    EXPECT_NE(e.GetStatistics(raster.raster(), 0, 0, 0, nullptr, 4, 1, -1, 0), 0);
    EXPECT_EQ(record, nullptr);

    ASSERT_EQ(e.GetStatistics(raster.raster(), 0, 0, 0, &record, 4, 1, -1, 0), 0);
    KvrStatistics* copy = record;
    EXPECT_EQ(e.ReleaseStatistics(&record), 0);
    EXPECT_EQ(record, nullptr);
    EXPECT_NE(e.ReleaseStatistics(&copy), 0) << "already given back";
    EXPECT_EQ(e.ReleaseStatistics(&record), 0) << "nothing to give back";
    EXPECT_NE(e.ReleaseStatistics(nullptr), 0);
}

}  // namespace
}  // namespace Tarn::RasterApiTest
