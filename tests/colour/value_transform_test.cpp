// ValueTransform: every kind at and around its breakpoints, the two per-cell forms, the bounds,
// and inputs that must not take a lookup outside its tables.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "colour/value_transform.h"

using namespace Tarn::Colour;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(SymLog, LinearInsideThresholdLogOutside) {
    EXPECT_DOUBLE_EQ(SymLog(1000, 1, 10), 4.0);
    EXPECT_DOUBLE_EQ(SymLog(0.5, 1, 10), 0.5);
    EXPECT_DOUBLE_EQ(SymLog(-100, 1, 10), -3.0);
    EXPECT_DOUBLE_EQ(SymLog(1, 1, 10), 1.0);  // the edge of the linear zone joins up
    EXPECT_DOUBLE_EQ(SymLog(8, 2, 2), 3.0);   // 8 / 2 = 4 = 2^2
    EXPECT_DOUBLE_EQ(SymLogInverse(4, 1, 10), 1000.0);
    EXPECT_DOUBLE_EQ(SymLogInverse(-3, 1, 10), -100.0);
    EXPECT_DOUBLE_EQ(SymLogInverse(0.25, 2, 10), 0.5);
    for (double x : {-5000.0, -1.0, -0.3, 0.0, 0.7, 3.0, 123456.0}) {
        EXPECT_NEAR(SymLogInverse(SymLog(x, 1.5, 3), 1.5, 3), x,
                    1e-9 * std::max(1.0, std::fabs(x)));
    }
}

struct Probe {
    double x;
    double apply;
    double try_apply;
    bool found;
};

void ExpectProbes(const ValueTransform& t, std::initializer_list<Probe> probes) {
    for (const Probe& p : probes) {
        EXPECT_DOUBLE_EQ(t.Apply(p.x), p.apply) << "Apply(" << p.x << ")";
        double position = -99;
        EXPECT_EQ(t.TryApply(p.x, position), p.found) << "TryApply(" << p.x << ")";
        EXPECT_DOUBLE_EQ(position, p.try_apply) << "TryApply(" << p.x << ")";
    }
}

TEST(ValueTransform, ResetIsIdentityOverZeroToOne) {
    ValueTransform t;
    t.SetLinear(5, 9);
    t.Reset();
    EXPECT_EQ(t.Kind(), kTransformIdentity);
    EXPECT_EQ(t.Minimum(), 0.0);
    EXPECT_EQ(t.Maximum(), 1.0);
    EXPECT_EQ(t.Range(), 1.0);
    EXPECT_EQ(t.EntryCount(), 0);
    EXPECT_EQ(t.LastIndex(), -1);
    EXPECT_EQ(t.LogBase(), 10.0);
    EXPECT_EQ(t.LogThreshold(), 1.0);
    EXPECT_TRUE(t.Interpolate());
    ExpectProbes(t, {{7.5, 7.5, 7.5, true}});
}

TEST(ValueTransform, LinearAndLog) {
    ValueTransform t;
    t.SetLinear(0, 100);
    ExpectProbes(t, {{50, 0.5, 0.5, true}, {-5, -0.05, -0.05, true}, {100, 1, 1, true}});
    t.SetLinear(7, 7);  // a zero range divides by 1
    EXPECT_EQ(t.Range(), 1.0);
    EXPECT_DOUBLE_EQ(t.Apply(9), 2.0);

    t.SetLogTransform(1, 1000, 10, 1);
    EXPECT_DOUBLE_EQ(t.Minimum(), 1.0);  // stored in log units
    EXPECT_DOUBLE_EQ(t.Maximum(), 4.0);
    EXPECT_DOUBLE_EQ(t.LowerBound(), 1.0);  // given back as data values
    EXPECT_DOUBLE_EQ(t.UpperBound(), 1000.0);
    ExpectProbes(t, {{1000, 1, 1, true}, {10, 1.0 / 3, 1.0 / 3, true}, {1, 0, 0, true}});

    // A base that would divide by zero or run backwards, and a threshold of 0, fall back.
    for (double base : {1.0, 0.5, 0.0, -10.0, kNaN}) {
        t.SetLogTransform(1, 1000, base, 0);
        EXPECT_EQ(t.LogBase(), 10.0) << base;
        EXPECT_EQ(t.LogThreshold(), 1.0);
        EXPECT_TRUE(std::isfinite(t.Apply(500)));
    }
}

TEST(ValueTransform, EqualAreaTableAtAndBetweenBins) {
    ValueTransform t;
    const std::vector<double> h = {0.1, 0.5, 0.9, 1.0};
    t.SetEqualAreaTable(0, 4, h);
    EXPECT_EQ(t.Kind(), kTransformEqualAreaTable);
    EXPECT_EQ(t.EntryCount(), 4);
    ExpectProbes(t, {
                        {1.5, 0.3, 0.3, true},    // halfway between 0.1 and 0.5
                        {3.5, 1.0, 1.0, true},    // the last bin stays at its table value
                        {0.5, 0.05, 0.05, true},  // first bin: proportionally from 0
                        {1.0, 0.1, 0.1, true},    // exactly on a bin edge
                        {2.0, 0.5, 0.5, true},
                        {0.0, 0.0, 0.0, true},
                        {-3, 0.0, 0.0, true},
                        {99, 1.0, 1.0, true},
                        {kNaN, 0.0, 0.0, true},
                    });
}

TEST(ValueTransform, StepTableDiffersOnlyAtTheFirstBreakpoint) {
    ValueTransform t;
    const std::vector<double> p = {0, 10, 20}, v = {0.2, 0.5, 1.0};
    t.CreateNonLinearTable(p, v, false);
    EXPECT_EQ(t.Kind(), kTransformStepTable);
    EXPECT_EQ(t.Minimum(), 0.0);
    EXPECT_EQ(t.Maximum(), 20.0);
    ExpectProbes(t, {
                        {0, 0.0, 0.5, true},  // Apply: at or below the first is below
                        {-1, 0.0, 0.0, true},
                        {5, 0.5, 0.5, true},
                        {10, 1.0, 1.0, true},  // the first breakpoint above 10 is 20
                        {19.9, 1.0, 1.0, true},
                        {20, 1.0, 1.0, true},
                        {25, 1.0, 1.0, true},
                        {kNaN, 0.0, 0.0, true},
                    });
}

TEST(ValueTransform, InterpolatingTable) {
    ValueTransform t;
    const std::vector<double> p = {0, 10}, v = {0, 1};
    t.CreateNonLinearTable(p, v, true);
    EXPECT_EQ(t.Kind(), kTransformInterpolatingTable);
    ExpectProbes(t, {{2.5, 0.25, 0.25, true}, {-1, 0, 0, true}, {10, 1, 1, true}});

    // Equal breakpoints: a value on them moves past the run.
    const std::vector<double> p2 = {0, 10, 10, 20}, v2 = {0, 0.5, 0.7, 1};
    t.CreateNonLinearTable(p2, v2, true);
    ExpectProbes(t, {{10, 0.7, 0.7, true},
                     {5, 0.25, 0.25, true},
                     {15, 0.85, 0.85, true},
                     {0, 0, 0, true},
                     {kNaN, 0, 0, true}});

    const std::vector<double> one = {3};
    t.CreateNonLinearTable(one, one, true);
    ExpectProbes(t, {{2, 0, 0, true}, {3, 3, 3, true}, {9, 3, 3, true}});
}

TEST(ValueTransform, ClosedAndHalfOpenRanges) {
    ValueTransform t;
    const std::vector<double> lows = {0, 10}, highs = {10, 20}, values = {0.25, 0.75};
    t.SetClosedRanges(lows, highs, values);
    EXPECT_EQ(t.Minimum(), 0.0);
    EXPECT_EQ(t.Maximum(), 20.0);
    ExpectProbes(t, {{10, 0.25, 0.25, true},
                     {20, 0.75, 0.75, true},
                     {25, -1, -1, false},
                     {-0.1, -1, -1, false},
                     {kNaN, -1, -1, false}});
    t.SetHalfOpenRanges(lows, highs, values);
    EXPECT_EQ(t.Kind(), kTransformHalfOpenRanges);
    ExpectProbes(t, {{10, 0.75, 0.75, true}, {0, 0.25, 0.25, true}, {20, -1, -1, false}});
}

TEST(ValueTransform, TextKeysAndUnhandledKinds) {
    ValueTransform t;
    const std::vector<std::string> texts = {"forest", "Water"};
    const std::vector<double> values = {0, 1};
    t.SetTextKeys(texts, values);
    EXPECT_EQ(t.Kind(), kTransformTextKeys);
    double v = -1;
    EXPECT_TRUE(t.TextKeys().Get("WATER", v));
    EXPECT_EQ(v, 1.0);
    EXPECT_FALSE(t.TextKeys().Contains("Water"));
    ExpectProbes(t, {{5, 0, 0, true}});
    EXPECT_EQ(t.LowerBound(), 0.0);
    EXPECT_EQ(t.UpperBound(), 1.0);

    t.SetLinear(50, 60);
    t.SetKind(kTransformDirectMarker);
    ExpectProbes(t, {{55, 0, 55, true}});  // no Apply form; TryApply passes the value through
    EXPECT_EQ(t.LowerBound(), 0.0);
    EXPECT_EQ(t.UpperBound(), 1.0);
}

TEST(ValueTransform, TableKindsWithoutTablesOrSortedBreakpointsStayInBounds) {
    // The render style sets a kind without building its table; unsorted breakpoints may come
    // from a file. Neither may read outside the tables (the sanitizer build checks this).
    for (int kind : {kTransformEqualAreaTable, kTransformStepTable, kTransformInterpolatingTable,
                     kTransformClosedRanges, kTransformHalfOpenRanges}) {
        ValueTransform t;
        t.SetKind(kind);
        double position = 0;
        for (double x : {-1.0, 0.0, 0.5, 1e300, kNaN}) {
            const double a = t.Apply(x);
            EXPECT_TRUE(a == 0.0 || a == -1.0) << kind;
            t.TryApply(x, position);
        }
    }
    ValueTransform t;
    const std::vector<double> p = {5, 0, 20, 10, 3}, v = {0, 1, 2, 3, 4};
    for (bool interpolate : {true, false}) {
        t.CreateNonLinearTable(p, v, interpolate);
        for (double x = -2; x < 25; x += 0.5) {
            double position = 0;
            t.TryApply(x, position);
            EXPECT_TRUE(std::isnan(position) || (position >= -1e9 && position <= 1e9));
        }
    }
    // Mismatched column lengths keep the shorter.
    const std::vector<double> three = {0, 1, 2}, two = {0, 1};
    t.CreateNonLinearTable(three, two, true);
    EXPECT_EQ(t.EntryCount(), 2);
    t.SetClosedRanges(three, two, three);
    EXPECT_EQ(t.EntryCount(), 2);
}

}  // namespace
