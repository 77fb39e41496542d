// Building mappings from histograms and map tables: the nearest-edge search and its ties,
// percentile and absolute limits, renormalised equal-area tables.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "colour/colour_control.h"
#include "colour/histogram_bins.h"

using namespace Tarn::Colour;

namespace {

// Cumulative fractions of four equal bins over [0, 4].
const std::vector<double> kH = {0.1, 0.5, 0.9, 1.0};

TEST(HistogramBins, LimitsSnapToTheNearestEdgeTiesGoingUp) {
    struct Case {
        std::vector<double> h;
        double low, high;
        int first, last;
    };
    const Case cases[] = {
        {kH, 0.05, 0.95, 1, 3},  // both limits half way: the lower moves up, the upper stays
        {kH, 0.0, 1.0, 0, 3},
        {kH, 0.04, 0.94, 0, 2},  // just below half way
        {kH, 0.06, 0.96, 1, 3},
        {kH, 0.3, 0.7, 2, 2},
        {kH, 0.95, 0.05, 2, 2},  // crossed limits meet in the middle
        {kH, 2.0, 3.0, 3, 3},    // beyond the histogram: clamped to its last bin
        {kH, -1.0, -0.5, 0, 0},
        {{0.5, 0.5, 1.0}, 0.5, 0.75, 2, 2},  // an empty middle bin
        {{0.0, 0.0, 1.0}, 0.0, 0.0, 0, 0},
        {{}, 0.05, 0.95, 0, 0},
    };
    for (const Case& k : cases) {
        const HistogramBinSpan bins = FindHistogramBins(k.h, k.low, k.high);
        EXPECT_EQ(bins.first, k.first) << k.low << " " << k.high;
        EXPECT_EQ(bins.last, k.last) << k.low << " " << k.high;
    }
}

TEST(HistogramMappings, LinearAndLogPercentilesUseBinEdges) {
    CColourControl c;
    c.SetLinearMappingFromHistogram(0, 4, kH, true, kRangePercentile, 0.05, 0.95);
    EXPECT_EQ(c.MappingKind(), kMappingLinear);
    EXPECT_DOUBLE_EQ(c.Transform().Minimum(), 1.0);
    EXPECT_DOUBLE_EQ(c.Transform().Maximum(), 4.0);
    EXPECT_FALSE(c.RangeFromStatistics());
    EXPECT_EQ(c.RangeLow(), 0.05);

    // Percentage limits cut the data range instead; without a histogram so do percentiles.
    c.SetLinearMappingFromHistogram(0, 4, kH, true, kRangePercentage, 0.25, 0.75);
    EXPECT_DOUBLE_EQ(c.Transform().Minimum(), 1.0);
    EXPECT_DOUBLE_EQ(c.Transform().Maximum(), 3.0);
    c.SetLinearMappingFromHistogram(0, 4, {}, true, kRangePercentile, 0.25, 0.75);
    EXPECT_DOUBLE_EQ(c.Transform().Maximum(), 3.0);

    c.SetLogMappingFromHistogram(0, 4, kH, 10, 1, true, kRangePercentile, 0.05, 0.95);
    EXPECT_EQ(c.MappingKind(), kMappingLog);
    EXPECT_DOUBLE_EQ(c.Transform().LowerBound(), 1.0);
    EXPECT_DOUBLE_EQ(c.Transform().UpperBound(), 4.0);
}

TEST(HistogramMappings, EqualAreaRenormalisesTheChosenBins) {
    struct Case {
        bool on;
        int kind;
        double low, high;
        double from, to;
        std::vector<double> table;
    };
    const Case cases[] = {
        {false, kRangePercentile, 0.05, 0.95, 0, 4, kH},
        {true, kRangePercentile, 0.05, 0.95, 1, 4, {0.4 / 0.9, 0.8 / 0.9, 1.0}},
        {true, kRangeAbsolute, 1, 3, 1, 3, {0.5, 1.0}},
        {true, kRangePercentage, 0.25, 0.75, 1, 3, {0.5, 1.0}},
        {true, kRangeAbsolute, 3.9, 9, 3, 4, {1.0}},  // the last bin alone
        {true, kRangeAbsolute, 2, 2, 1, 2, {1.0}},    // no width: one bin
    };
    for (const Case& k : cases) {
        CColourControl c;
        c.SetEqualAreaMappingFromHistogram(0, 4, kH, k.on, k.kind, k.low, k.high);
        EXPECT_EQ(c.MappingKind(), kMappingEqualArea);
        EXPECT_EQ(c.Transform().Kind(), kTransformEqualAreaTable);
        EXPECT_DOUBLE_EQ(c.Transform().Minimum(), k.from) << k.kind << " " << k.low;
        EXPECT_DOUBLE_EQ(c.Transform().Maximum(), k.to) << k.kind << " " << k.low;
        const std::vector<double>& t = c.Transform().TableValues();
        ASSERT_EQ(t.size(), k.table.size()) << k.kind << " " << k.low;
        for (size_t i = 0; i < t.size(); ++i) EXPECT_NEAR(t[i], k.table[i], 1e-12);
    }

    // No histogram at all: the range is spread evenly.
    CColourControl c;
    c.SetEqualAreaMappingFromHistogram(0, 4, {}, false, kRangePercentile, 0.05, 0.95);
    EXPECT_EQ(c.MappingKind(), kMappingEqualArea);
    EXPECT_EQ(c.Transform().Kind(), kTransformLinear);
    EXPECT_DOUBLE_EQ(c.Transform().Apply(1), 0.25);
    // A flat band (zero-width bins) still builds a usable table.
    c.SetEqualAreaMappingFromHistogram(5, 5, kH, true, kRangeAbsolute, 5, 5);
    EXPECT_TRUE(std::isfinite(c.Transform().Apply(5)));
}

TEST(MapTables, EqualAreaPairsBecomeAnInterpolatingUserTable) {
    const std::vector<MapPair> pairs = {{0, 0}, {1, 0.1}, {2, 0.5}, {3, 0.9}, {4, 1}};
    CColourControl c;
    c.SetEqualAreaMapping(pairs, false, kRangePercentile, 0.05, 0.95);
    EXPECT_EQ(c.MappingKind(), kMappingUser);
    EXPECT_EQ(c.Transform().Kind(), kTransformInterpolatingTable);
    EXPECT_DOUBLE_EQ(c.Transform().Apply(1.5), 0.3);
    EXPECT_FALSE(c.RangeFromStatistics());

    // Percentiles 0.05 and 0.95 choose the edges from 2 on, renormalised from the cumulative
    // fraction at 1; the table starts at 1 with 0, so no colour is skipped between 1 and 2.
    c.SetEqualAreaMapping(pairs, true, kRangePercentile, 0.05, 0.95);
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{1, 2, 3, 4}));
    const std::vector<double> expected = {0, 0.4 / 0.9, 0.8 / 0.9, 1};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(c.Transform().TableValues()[i], expected[i], 1e-12);
    }
    EXPECT_NEAR(c.Transform().Apply(1.5), 0.2 / 0.9, 1e-12);

    // Absolute limits search the value column.
    c.SetEqualAreaMapping(pairs, true, kRangeAbsolute, 2.7, 9);
    EXPECT_EQ(c.RangeLow(), 2.7);
    EXPECT_EQ(c.RangeHigh(), 4.0);  // clamped to the last value
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{3, 4}));
    EXPECT_NEAR(c.Transform().TableValues()[0], 0.0, 1e-12);

    c.SetEqualAreaMapping({}, true, kRangePercentile, 0.05, 0.95);
    EXPECT_EQ(c.Transform().EntryCount(), 0);
    EXPECT_EQ(c.Transform().Apply(3), 0.0);
}

TEST(MapTables, UserMappingResetsTheLimits) {
    CColourControl c;
    c.SetLinearMapping(0, 10, true, kRangeAbsolute, 2, 8);
    const std::vector<MapPair> pairs = {{0, 0}, {10, 0.5}, {20, 1}};
    c.SetUserMapping(pairs, false);
    EXPECT_EQ(c.MappingKind(), kMappingUser);
    EXPECT_EQ(c.Transform().Kind(), kTransformStepTable);
    EXPECT_FALSE(c.RangeLimitsOn());
    EXPECT_FALSE(c.RangeFromStatistics());
    EXPECT_EQ(c.RangeKind(), kRangePercentile);
    EXPECT_EQ(c.RangeLow(), 0.05);
    EXPECT_EQ(c.RangeHigh(), 0.95);
}

}  // namespace
