// CColourControl: resets, copying, the mapping setters' clamping, ramps and ApplyColourInfo.
#include <gtest/gtest.h>

#include <vector>

#include "colour/colour_control.h"

using namespace Tarn::Colour;

namespace {

constexpr WideColour kOpaqueBlue = PackWide(0, 0, 65535, 0);
constexpr WideColour kOpaqueRed = PackWide(65535, 0, 0, 0);

void ExpectResetMapping(const CColourControl& c) {
    EXPECT_EQ(c.MappingKind(), kMappingNone);
    EXPECT_EQ(c.Transform().Kind(), kTransformIdentity);
    EXPECT_FALSE(c.MappingFromTableFile());
    EXPECT_FALSE(c.RangeFromStatistics());
    EXPECT_FALSE(c.RangeLimitsOn());
    EXPECT_EQ(c.DirectDepth(), kDirectColour8);
    EXPECT_EQ(c.RangeKind(), kRangePercentile);
    EXPECT_EQ(c.RangeLow(), 0.05);
    EXPECT_EQ(c.RangeHigh(), 0.95);
    EXPECT_FALSE(c.Reverse());
}

void ExpectResetTable(const CColourControl& c) {
    EXPECT_TRUE(c.Table().empty());
    EXPECT_EQ(c.NullColour(), 0xFFFFFFFFu);
    EXPECT_FALSE(c.NullColourSet());
    EXPECT_EQ(c.LegendFlags(), (std::array<uint8_t, 5>{1, 0, 0, 0, 0}));
    EXPECT_EQ(c.TableKind(), kTableNone);
    EXPECT_TRUE(c.TableName().empty());
    EXPECT_TRUE(c.TableFile().empty());
}

TEST(ColourControl, ConstructionAndResets) {
    CColourControl c;
    ExpectResetTable(c);
    ExpectResetMapping(c);

    c.BuildRamp(kOpaqueBlue, kOpaqueRed, 4, kRampRgb);
    c.SetTableName(u"dem");
    c.SetNullColour(0x00123456u);
    c.SetLinearMapping(0, 10, true, kRangeAbsolute, 1, 9);
    c.SetReverse(true);
    c.SetMappingFromTableFile(true);

    CColourControl only_mapping = c;
    only_mapping.ResetMapping();
    ExpectResetMapping(only_mapping);
    EXPECT_EQ(only_mapping.Table().size(), 4u);  // the table stays

    CColourControl only_table = c;
    only_table.ResetColourTable();
    ExpectResetTable(only_table);
    EXPECT_EQ(only_table.MappingKind(), kMappingLinear);  // the mapping stays

    c.Reset();
    ExpectResetTable(c);
    ExpectResetMapping(c);
}

TEST(ColourControl, CopiesAreIndependentAndCarryTheTransform) {
    CColourControl a;
    a.BuildRamp(kOpaqueBlue, kOpaqueRed, 8, kRampHsl);
    const std::vector<MapPair> pairs = {{0, 0}, {5, 0.5}, {10, 1}};
    a.SetUserMapping(pairs, true);
    a.SetNullColour(0x01020304u);

    CColourControl b(a);
    CColourControl c;
    c = a;
    a.Reset();
    for (const CColourControl* copy : {&b, &c}) {
        EXPECT_EQ(copy->Table().size(), 8u);
        EXPECT_EQ(copy->MappingKind(), kMappingUser);
        EXPECT_EQ(copy->Transform().Kind(), kTransformInterpolatingTable);
        EXPECT_EQ(copy->Transform().Breakpoints(), (std::vector<double>{0, 5, 10}));
        EXPECT_EQ(copy->NullColour(), 0x01020304u);
        EXPECT_EQ(copy->ValueToIndex(5), 4);
    }
}

TEST(ColourControl, IndexAndDirectMappings) {
    CColourControl c;
    c.SetLinearMapping(0, 10, true, kRangeAbsolute, 2, 3);
    c.SetIndexMapping();
    EXPECT_EQ(c.MappingKind(), kMappingIndex);
    EXPECT_EQ(c.Transform().Kind(), kTransformIdentity);
    EXPECT_FALSE(c.RangeLimitsOn());
    EXPECT_EQ(c.RangeKind(), kRangePercentile);
    EXPECT_EQ(c.RangeLow(), 0.05);

    struct Case {
        int depth, stored, kind;
        double maximum;
    };
    const Case cases[] = {
        {0, 0, kTransformIdentity, 1},          {1, 1, kTransformLinear, 255},
        {2, 2, kTransformLinear, 65535},        {3, 3, kTransformLinear, 16777215},
        {4, 4, kTransformLinear, 4294967295.0}, {9, 4, kTransformLinear, 4294967295.0},
        {-3, 0, kTransformIdentity, 1},
    };
    for (const Case& k : cases) {
        c.SetDirectMapping(k.depth);
        EXPECT_EQ(c.MappingKind(), kMappingDirect);
        EXPECT_EQ(c.DirectDepth(), k.stored) << k.depth;
        EXPECT_EQ(c.Transform().Kind(), k.kind) << k.depth;
        EXPECT_EQ(c.Transform().Minimum(), 0.0);
        EXPECT_EQ(c.Transform().Maximum(), k.maximum) << k.depth;
        EXPECT_FALSE(c.RangeFromStatistics());
    }
}

TEST(ColourControl, LinearAndLogMappingsClampTheirLimits) {
    struct Case {
        bool on;
        int kind;
        double low, high;
        double from, to;  // the transform's range
        double stored_low, stored_high;
    };
    const Case cases[] = {
        {false, kRangeAbsolute, 10, 200, 0, 100, 10, 200},  // off: only stored
        {true, kRangeAbsolute, 10, 200, 10, 100, 10, 100},
        {true, kRangeAbsolute, 150, 50, 100, 100, 100, 100},
        {true, kRangeAbsolute, -5, 50, 0, 50, 0, 50},
        {true, kRangePercentage, 0.1, 0.9, 10, 90, 0.1, 0.9},
        {true, kRangePercentile, 0.1, 0.9, 10, 90, 0.1, 0.9},  // no histogram here
        {true, kRangePercentage, -1, 2, 0, 100, 0, 1},
        {true, kRangePercentage, 0.6, 0.2, 60, 60, 0.6, 0.6},
        {true, 7, 0.1, 0.9, 0, 100, 0.1, 0.9},  // an unknown kind leaves the range
    };
    for (const Case& k : cases) {
        CColourControl c;
        c.SetLinearMapping(0, 100, k.on, k.kind, k.low, k.high);
        EXPECT_EQ(c.MappingKind(), kMappingLinear);
        EXPECT_EQ(c.Transform().Kind(), kTransformLinear);
        EXPECT_DOUBLE_EQ(c.Transform().Minimum(), k.from) << k.kind << " " << k.low;
        EXPECT_DOUBLE_EQ(c.Transform().Maximum(), k.to) << k.kind << " " << k.low;
        EXPECT_DOUBLE_EQ(c.RangeLow(), k.stored_low);
        EXPECT_DOUBLE_EQ(c.RangeHigh(), k.stored_high);
        EXPECT_EQ(c.RangeLimitsOn(), k.on);
        EXPECT_EQ(c.RangeKind(), k.kind);
        EXPECT_FALSE(c.RangeFromStatistics());

        c.SetLogMapping(0, 100, 10, 1, k.on, k.kind, k.low, k.high);
        EXPECT_EQ(c.MappingKind(), kMappingLog);
        EXPECT_EQ(c.Transform().Kind(), kTransformLog);
        EXPECT_NEAR(c.Transform().LowerBound(), k.from, 1e-9);
        EXPECT_NEAR(c.Transform().UpperBound(), k.to, 1e-9);
        EXPECT_DOUBLE_EQ(c.RangeHigh(), k.stored_high);
    }
}

TEST(ColourControl, MappingsFromStatisticsWaitWithAPlaceholderTransform) {
    CColourControl c;
    c.SetLinearMappingFromStatistics(true, kRangePercentile, 0.02, 0.98);
    EXPECT_EQ(c.MappingKind(), kMappingLinear);
    EXPECT_TRUE(c.RangeFromStatistics());
    EXPECT_TRUE(c.RangeLimitsOn());
    EXPECT_EQ(c.RangeLow(), 0.02);
    EXPECT_EQ(c.Transform().Kind(), kTransformLinear);
    EXPECT_EQ(c.Transform().Maximum(), 1.0);

    c.SetLogMappingFromStatistics(2, 0.5, false, kRangeAbsolute, 3, 4);
    EXPECT_EQ(c.MappingKind(), kMappingLog);
    EXPECT_EQ(c.Transform().Kind(), kTransformLog);
    EXPECT_EQ(c.Transform().LogBase(), 2.0);
    EXPECT_EQ(c.Transform().LogThreshold(), 0.5);
    EXPECT_DOUBLE_EQ(c.Transform().UpperBound(), 1.0);
    EXPECT_EQ(c.RangeKind(), kRangeAbsolute);

    c.SetEqualAreaMappingFromStatistics(true, kRangePercentage, 0.1, 0.2);
    EXPECT_EQ(c.MappingKind(), kMappingEqualArea);
    EXPECT_EQ(c.Transform().Kind(), kTransformLinear);
    EXPECT_TRUE(c.RangeFromStatistics());
    EXPECT_EQ(c.RangeHigh(), 0.2);
}

TEST(ColourControl, RampsInRgbAndHsl) {
    CColourControl c;
    c.BuildRamp(kOpaqueBlue, kOpaqueRed, 256, kRampRgb);
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.Table()[0].colour, PackColour(0, 0, 255, 0));
    EXPECT_EQ(c.Table()[255].colour, PackColour(255, 0, 0, 0));
    EXPECT_EQ(c.Table()[128].colour, PackColour(128, 0, 127, 0));
    EXPECT_EQ(c.TableKind(), kTableRgbRamp);
    for (const ColourTableEntry& e : c.Table()) {
        ASSERT_EQ(e.second_colour, e.colour);
        ASSERT_EQ(e.third_colour, e.colour);
    }

    // HSL: the hue runs straight from blue (2/3) down through green to red (0).
    c.BuildRamp(kOpaqueBlue, kOpaqueRed, 256, kRampHsl);
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.TableKind(), kTableHslRamp);
    EXPECT_EQ(c.Table()[0].colour, PackColour(0, 0, 255, 0));
    EXPECT_EQ(c.Table()[255].colour, PackColour(255, 0, 0, 0));
    const PackedColour middle = c.Table()[128].colour;
    EXPECT_EQ(PackedGreen(middle), 255);
    EXPECT_LT(PackedRed(middle) + PackedBlue(middle), 8);

    // Transparency is interpolated too.
    c.BuildRamp(PackWide(0, 0, 0, 0), PackWide(0, 0, 0, 65535), 3, kRampRgb);
    EXPECT_EQ(PackedTransparency(c.Table()[1].colour), 128);

    struct Count {
        int64_t asked;
        size_t made;
    };
    for (const Count k :
         {Count{2, 2}, Count{1, 1}, Count{0, 1}, Count{-7, 1}, Count{int64_t{1} << 40, 65536}}) {
        c.BuildRamp(PackWide(0, 0, 0, 0), PackWide(65535, 65535, 65535, 0), k.asked, kRampRgb);
        ASSERT_EQ(c.Table().size(), k.made) << k.asked;
        EXPECT_EQ(c.Table().front().colour, PackColour(0, 0, 0, 0));
        if (k.made > 1) {
            EXPECT_EQ(c.Table().back().colour, PackColour(255, 255, 255, 0));
        }
    }
}

TEST(ColourControl, RampReplacesAMappingThatCameFromATableFile) {
    CColourControl c;
    c.SetIndexMapping();
    c.BuildRamp(kOpaqueBlue, kOpaqueRed, 16, kRampRgb);
    EXPECT_EQ(c.MappingKind(), kMappingIndex);  // an ordinary mapping stays

    c.SetLegendFlags({0, 1, 1, 1, 1});
    c.SetMappingFromTableFile(true);
    c.SetReverse(true);
    c.BuildRamp(kOpaqueBlue, kOpaqueRed, 16, kRampRgb);
    EXPECT_FALSE(c.MappingFromTableFile());
    EXPECT_EQ(c.MappingKind(), kMappingLinear);
    EXPECT_TRUE(c.RangeFromStatistics());
    EXPECT_FALSE(c.RangeLimitsOn());
    EXPECT_EQ(c.RangeKind(), kRangePercentage);
    EXPECT_FALSE(c.Reverse());
    EXPECT_EQ(c.LegendFlags(), (std::array<uint8_t, 5>{1, 0, 0, 0, 0}));
}

TEST(ColourControl, ApplyColourInfoCopiesSettingsAndSetsTheTransformKind) {
    ColourInfo info;
    info.palette_name = u"terrain.lut";
    info.direct_maximum = 16;
    info.range_limits_on = true;
    info.range_kind = kRangeAbsolute;
    info.range_low = 3;
    info.range_high = 7;
    info.null_colour_on = true;
    info.null_colour = 0x00ABCDEFu;  // stays with the handler
    info.transparent_colour_on = false;
    info.transparent_colour = 0xFF000000u;
    info.reverse = true;
    info.clip_to_null = true;
    info.shading.hillshade_on = true;
    info.shading.position = 315;

    struct Case {
        int selector;
        int kind;
    };
    const Case cases[] = {{0, kTransformLinear},
                          {1, kTransformLog},
                          {2, kTransformEqualAreaTable},
                          {3, kTransformDirectMarker},
                          {4, kTransformInterpolatingTable},
                          {7, kTransformStepTable},  // an unknown selector leaves the kind
                          {-1, kTransformStepTable}};
    for (const Case& k : cases) {
        CColourControl c;
        const std::vector<MapPair> pairs = {{0, 0}, {1, 1}};
        c.SetUserMapping(pairs, false);  // kind 4 before
        info.transform_selector = k.selector;
        const ColourResult result = c.ApplyColourInfo(info);
        EXPECT_TRUE(result.success);
        EXPECT_EQ(result.error_code, 0);
        EXPECT_EQ(c.Transform().Kind(), k.kind) << k.selector;
        EXPECT_EQ(c.TableName(), u"terrain.lut");
        EXPECT_EQ(c.DirectMaximum(), 16);
        EXPECT_TRUE(c.RangeLimitsOn());
        EXPECT_EQ(c.RangeKind(), kRangeAbsolute);
        EXPECT_EQ(c.RangeLow(), 3.0);
        EXPECT_EQ(c.RangeHigh(), 7.0);
        EXPECT_FALSE(c.NullColourSet());
        EXPECT_EQ(c.NullColour(), 0xFF000000u);
        EXPECT_TRUE(c.Reverse());
        EXPECT_TRUE(c.ClipToNull());
        EXPECT_TRUE(c.Shading().hillshade_on);
        EXPECT_EQ(c.Shading().position, 315.0);
        EXPECT_FALSE(c.UserMappingOn());
    }
}

TEST(ColourControl, ApplyColourInfoWithAUserMappingFallsBackToARampOverTheStatistics) {
    CColourControl c;
    c.AttachStatistics({100, 300, {}});
    ColourInfo info;
    info.user_mapping_on = true;
    info.user_mapping.interpolate = true;
    info.user_mapping.break_type = 2;
    info.user_mapping.entries = {{0, 0x000000FFu}};
    const ColourResult result = c.ApplyColourInfo(info);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.error_code, 0);
    EXPECT_TRUE(c.UserMappingOn());
    EXPECT_EQ(c.UserMapping().break_type, 2);
    EXPECT_EQ(c.UserMapping().entries.size(), 1u);
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.TableKind(), kTableHslRamp);
    EXPECT_EQ(c.Table().front().colour, PackColour(0, 0, 255, 0));
    EXPECT_EQ(c.Table().back().colour, PackColour(255, 0, 0, 0));
    EXPECT_EQ(c.MappingKind(), kMappingLinear);
    EXPECT_EQ(c.RangeKind(), kRangePercentage);
    EXPECT_FALSE(c.RangeLimitsOn());
    EXPECT_EQ(c.Transform().Minimum(), 100.0);
    EXPECT_EQ(c.Transform().Maximum(), 300.0);
}

}  // namespace
