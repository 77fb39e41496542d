// ValueToColour and ValueToIndex for each mapping kind, with reverse, clip to null, values
// without an entry and an empty colour table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "colour/colour_control.h"

using namespace Tarn::Colour;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr PackedColour kNull = 0x7F010203u;

// A table whose entry i has red i, so a colour names its index.
CColourControl WithGreyTable(int entries) {
    CColourControl c;
    for (int i = 0; i < entries; ++i)
        c.Table().push_back(MakeColourTableEntry(PackColour(i, 0, 0, 0)));
    c.SetNullColour(kNull);
    return c;
}

// Index and colour must agree wherever the lookup gives an entry.
void ExpectLookup(const CColourControl& c, double x, int index) {
    EXPECT_EQ(c.ValueToIndex(x), index) << "value " << x;
    const PackedColour expected = index < 0 ? kNull : c.Table()[index].colour;
    EXPECT_EQ(c.ValueToColour(x), expected) << "value " << x;
}

TEST(ColourLookup, LinearPositionsClampIntoTheTable) {
    CColourControl c = WithGreyTable(256);
    c.SetLinearMapping(0, 100, false, kRangePercentage, 0.05, 0.95);
    ExpectLookup(c, 50, 128);
    ExpectLookup(c, 100, 255);  // position 256 clamps
    ExpectLookup(c, -5, 0);
    ExpectLookup(c, 1e300, 255);
    ExpectLookup(c, -std::numeric_limits<double>::infinity(), 0);
    ExpectLookup(c, kNaN, 0);
    c.SetReverse(true);
    ExpectLookup(c, 50, 127);
    ExpectLookup(c, 100, 0);
}

TEST(ColourLookup, IndexMappingFloorsTheValue) {
    CColourControl c = WithGreyTable(10);
    c.SetIndexMapping();
    ExpectLookup(c, 3.7, 3);
    ExpectLookup(c, -0.5, 0);
    ExpectLookup(c, 12, 9);
    c.SetReverse(true);
    ExpectLookup(c, 3.7, 6);
}

TEST(ColourLookup, DirectColourIsTheValueItself) {
    CColourControl c = WithGreyTable(4);
    c.SetDirectMapping(kDirectColour);
    EXPECT_EQ(c.ValueToColour(255), 0x000000FFu);  // opaque red
    EXPECT_EQ(c.ValueToColour(255.9), 0x000000FFu);
    EXPECT_EQ(c.ValueToColour(-1), 0xFFFFFFFFu);
    EXPECT_EQ(c.ValueToColour(0x12345678), 0x12345678u);
    EXPECT_EQ(c.ValueToColour(kNaN), 0u);
    EXPECT_EQ(c.ValueToColour(1e30), 0xFFFFFFFFu);  // saturates rather than overflowing
    EXPECT_EQ(c.ValueToIndex(255), 0);
    c.SetReverse(true);
    EXPECT_EQ(c.ValueToColour(255), 0x00FF0000u);  // opaque blue
    EXPECT_EQ(c.ValueToColour(0x12345678), 0x12785634u);

    // With no mapping set at all the depth decides in the same way.
    CColourControl none = WithGreyTable(4);
    none.SetDirectMapping(kDirectColour);
    none.SetMappingKind(kMappingNone);
    EXPECT_EQ(none.ValueToColour(0xFF00), 0x0000FF00u);
}

TEST(ColourLookup, DirectDepthsScaleIntoTheTable) {
    CColourControl c = WithGreyTable(256);
    c.SetDirectMapping(kDirectColour8);
    ExpectLookup(c, 0, 0);
    ExpectLookup(c, 128, 128);
    ExpectLookup(c, 255, 255);
    c.SetDirectMapping(kDirectColour16);
    ExpectLookup(c, 65535, 255);
    ExpectLookup(c, 32768, 128);
    // The render style's direct marker has no Apply form: everything lands on entry 0.
    c.Transform().SetKind(kTransformDirectMarker);
    ExpectLookup(c, 65535, 0);
}

TEST(ColourLookup, ClipToNullOutsideTheTransformBounds) {
    CColourControl c = WithGreyTable(256);
    c.SetLinearMapping(10, 20, false, kRangePercentage, 0.05, 0.95);
    c.SetClipToNull(true);
    ExpectLookup(c, 5, -1);
    ExpectLookup(c, 25, -1);
    ExpectLookup(c, 10, 0);
    ExpectLookup(c, 20, 255);
    ExpectLookup(c, 15, 128);

    // Log bounds are compared as data values.
    c.SetLogMapping(1, 1000, 10, 1, false, kRangePercentage, 0.05, 0.95);
    ExpectLookup(c, 0.5, -1);
    ExpectLookup(c, 1001, -1);
    ExpectLookup(c, 1000, 255);
    c.SetLogMapping(-100, 1000, 10, 1, false, kRangePercentage, 0.05, 0.95);
    ExpectLookup(c, -100, 0);
    ExpectLookup(c, -101, -1);
}

TEST(ColourLookup, ValueRangesWithoutAnEntry) {
    CColourControl c = WithGreyTable(2);
    const std::vector<double> lows = {0, 10}, highs = {10, 20}, positions = {0, 0.5};
    c.Transform().SetClosedRanges(lows, highs, positions);
    c.SetMappingKind(kMappingClosedRanges);
    ExpectLookup(c, 10, 0);  // the first range holds 10
    // Outside every range: no colour, but the index lookup lands on entry 0 (position -n).
    EXPECT_EQ(c.ValueToColour(25), kNull);
    EXPECT_EQ(c.ValueToIndex(25), 0);

    c.Transform().SetHalfOpenRanges(lows, highs, positions);
    c.SetMappingKind(kMappingHalfOpenRanges);
    ExpectLookup(c, 10, 1);
    EXPECT_EQ(c.ValueToColour(20), kNull);
}

// Ranges are searched by bisection where they do not overlap; the answer must be the one the
// first-match rule gives, for sorted, shuffled, touching, overlapping, empty and NaN ranges.
TEST(ColourLookup, RangeSearchKeepsTheFirstMatchRule) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::mt19937 random(7);
    const auto first_match = [](const std::vector<double>& lows, const std::vector<double>& highs,
                                const std::vector<double>& positions, bool closed, double x) {
        for (size_t i = 0; i < lows.size(); ++i) {
            if (lows[i] <= x && (closed ? x <= highs[i] : x < highs[i])) return positions[i];
        }
        return -1.0;
    };
    for (int trial = 0; trial < 400; ++trial) {
        const int n = 1 + trial % 9;
        std::vector<double> lows, highs, positions;
        double at = 0;
        for (int i = 0; i < n; ++i) {
            const int shape = static_cast<int>(random() % 8);
            const double width = static_cast<double>(random() % 3);  // 0: an empty range
            lows.push_back(shape == 0 ? at - 1 : at);                 // 0: overlaps the last
            highs.push_back(shape == 1 ? nan : lows.back() + width);
            at = highs.back() + (shape == 2 ? 0 : 1);                 // 2: touches the next
            if (std::isnan(at)) at = lows.back() + 2;
            positions.push_back(static_cast<double>(i) / n);
        }
        if (trial % 2 == 1) {  // descending, as some legend files list them
            std::reverse(lows.begin(), lows.end());
            std::reverse(highs.begin(), highs.end());
        }
        for (const bool closed : {true, false}) {
            ValueTransform t;
            if (closed) {
                t.SetClosedRanges(lows, highs, positions);
            } else {
                t.SetHalfOpenRanges(lows, highs, positions);
            }
            for (double x = -2.0; x <= at + 1; x += 0.5) {
                double position = 0;
                const bool found = t.TryApply(x, position);
                const double expected = first_match(lows, highs, positions, closed, x);
                EXPECT_EQ(found, expected >= 0) << trial << " " << closed << " " << x;
                if (found) {
                    EXPECT_EQ(position, expected) << trial << " " << closed << " " << x;
                }
            }
            double position = 0;
            EXPECT_FALSE(t.TryApply(nan, position));
        }
    }
}

TEST(ColourLookup, ExactIndexTakesThePointsOwnEntry) {
    CColourControl c = WithGreyTable(3);
    const std::vector<double> values = {0, 10, 20}, points = {0, 1, 2};
    c.Transform().CreateNonLinearTable(values, points, false);
    c.SetMappingKind(kMappingExactIndex);
    ExpectLookup(c, -5, 0);
    ExpectLookup(c, 5, 1);
    ExpectLookup(c, 25, 2);
    c.SetReverse(true);
    ExpectLookup(c, 25, 0);
    c.SetReverse(false);

    // A position past the table, or a value in no range, has no entry.
    const std::vector<double> far = {0, 1, 7};
    c.Transform().CreateNonLinearTable(values, far, false);
    ExpectLookup(c, 25, -1);
    const std::vector<double> lows = {0}, highs = {1}, one = {0};
    c.Transform().SetClosedRanges(lows, highs, one);
    ExpectLookup(c, 5, -1);
}

TEST(ColourLookup, CeilingPositionRoundsUp) {
    CColourControl c = WithGreyTable(256);
    const std::vector<double> values = {0, 100}, indexes = {0.01, 255.01};
    c.Transform().CreateNonLinearTable(values, indexes, true);
    c.SetMappingKind(kMappingCeilingPosition);
    ExpectLookup(c, 50, 128);   // 127.51 goes up
    ExpectLookup(c, 100, 255);  // 256 clamps
    ExpectLookup(c, -1, 0);
}

TEST(ColourLookup, TableMappingsScaleTheirPositions) {
    CColourControl c = WithGreyTable(100);
    const std::vector<double> h = {0.1, 0.5, 0.9, 1.0};
    c.SetEqualAreaMappingFromHistogram(0, 4, h, false, kRangePercentile, 0.05, 0.95);
    ExpectLookup(c, 1.5, 30);
    ExpectLookup(c, 3.5, 99);
    const std::vector<MapPair> pairs = {{0, 0}, {10, 1}};
    c.SetUserMapping(pairs, true);
    ExpectLookup(c, 2.5, 25);
}

TEST(ColourLookup, EmptyTableGivesTheNullColourAndMinusOne) {
    CColourControl c;
    c.SetNullColour(kNull);
    for (auto set : {+[](CColourControl& k) { k.SetIndexMapping(); },
                     +[](CColourControl& k) { k.SetLinearMapping(0, 1, false, 1, 0, 1); },
                     +[](CColourControl& k) { k.SetDirectMapping(kDirectColour8); },
                     +[](CColourControl& k) { k.ResetMapping(); }}) {
        set(c);
        EXPECT_EQ(c.ValueToColour(0.5), kNull);
        EXPECT_EQ(c.ValueToIndex(0.5), -1);
    }
    // The direct "Colour" depth needs no table for its colour, and still gives no index.
    c.SetDirectMapping(kDirectColour);
    EXPECT_EQ(c.ValueToColour(255), 0x000000FFu);
    EXPECT_EQ(c.ValueToIndex(255), -1);
}

}  // namespace
