// The user colour mapping: point values by break type, the interpolated 256-entry table with
// its transparency rule and ceiling lookup, one entry per point, the fallback ramp, failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "colour/colour_control.h"
#include "colour/user_colour_mapping.h"
#include "colour_table_test_support.h"

using namespace Tarn::Colour;
using Tarn::Test::Rgb;

namespace {

UserColourMapping Points(std::vector<UserColourPoint> points, bool interpolate,
                         int break_type = 0) {
    UserColourMapping m;
    m.interpolate = interpolate;
    m.break_type = break_type;
    m.entries = std::move(points);
    return m;
}

const std::vector<UserColourPoint> kBlueGreenRed = {
    {0, Rgb(0, 0, 255)}, {10, Rgb(0, 255, 0)}, {20, Rgb(255, 0, 0)}};

TEST(UserColourMapping, BreakTypesTurnPointValuesIntoDataValues) {
    // Bins over [100, 300]; the cumulative fraction reaches 0.5 at 150 and 0.75 at 200.
    const BandStatistics statistics{100, 300, {{100, 150, 0.5}, {150, 200, 0.75}, {200, 300, 1.0}}};
    struct Case {
        int break_type;
        bool with_bins;
        std::vector<double> values;
        std::vector<double> data_values;
    };
    const Case cases[] = {
        {0, true, {-5, 10, 1000}, {-5, 10, 1000}},
        {1, true, {0, 50, 100}, {100, 200, 300}},
        // 25%: inside the first bin, from the minimum; 60%: 0.1 of the second bin's 0.25.
        {2, true, {0, 25, 60, 100}, {100, 125, 170, 300}},
        // No histogram: percentiles can only be read as percentages of the range.
        {2, false, {0, 50, 100}, {100, 200, 300}},
    };
    for (const Case& k : cases) {
        CColourControl c;
        c.AttachStatistics(k.with_bins ? statistics : BandStatistics{100, 300, {}});
        std::vector<UserColourPoint> points;
        for (double v : k.values) points.push_back({v, Rgb(0, 0, 0)});
        const ColourResult r = ApplyUserColourMapping(c, Points(points, false, k.break_type));
        EXPECT_TRUE(r.success);
        EXPECT_EQ(c.Transform().Breakpoints(), k.data_values) << k.break_type;
    }
}

TEST(UserColourMapping, InterpolatedTableAndCeilingLookup) {
    CColourControl c;
    ASSERT_TRUE(ApplyUserColourMapping(c, Points(kBlueGreenRed, true)).success);
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.Table()[0].colour, Rgb(0, 0, 255));
    EXPECT_EQ(c.Table()[64].colour, Rgb(0, 129, 126));  // 64 / 127 of the way to green
    EXPECT_EQ(c.Table()[127].colour, Rgb(0, 255, 0));   // floor(1 * 255 / 2)
    EXPECT_EQ(c.Table()[255].colour, Rgb(255, 0, 0));
    EXPECT_EQ(c.MappingKind(), kMappingCeilingPosition);
    EXPECT_EQ(c.Transform().Kind(), kTransformInterpolatingTable);
    EXPECT_EQ(c.Transform().TableValues(), (std::vector<double>{0.01, 127.01, 255.01}));

    // A value on a point takes the entry above the point's: the class from it to the next.
    struct Lookup {
        double value;
        int index;
    };
    for (const Lookup& l : {Lookup{-5, 0}, Lookup{0, 1}, Lookup{5, 64}, Lookup{10, 128},
                            Lookup{19.99, 255}, Lookup{20, 255}, Lookup{99, 255}}) {
        EXPECT_EQ(c.ValueToIndex(l.value), l.index) << l.value;
    }

    // In HSL, blue to red passes green halfway, where RGB passes purple.
    const std::vector<UserColourPoint> blue_red = {{0, Rgb(0, 0, 255)}, {1, Rgb(255, 0, 0)}};
    UserColourMapping hsl = Points(blue_red, true);
    hsl.interpolation = kRampHsl;
    ASSERT_TRUE(ApplyUserColourMapping(c, hsl).success);
    EXPECT_EQ(PackedGreen(c.Table()[128].colour), 255);
    ASSERT_TRUE(ApplyUserColourMapping(c, Points(blue_red, true)).success);
    EXPECT_EQ(c.Table()[128].colour, Rgb(128, 0, 127));
}

TEST(UserColourMapping, EachSegmentTakesTheTransparencyOfItsUpperPoint) {
    const std::vector<UserColourPoint> points = {{0, PackColour(0, 0, 0, 255)},
                                                 {10, PackColour(255, 0, 0, 0)},
                                                 {20, PackColour(0, 0, 255, 128)}};
    CColourControl c;
    ASSERT_TRUE(ApplyUserColourMapping(c, Points(points, true)).success);
    ASSERT_EQ(c.Table().size(), 256u);
    // The first entry is point 0 itself; after a transparent point the segment is the next
    // colour whole.
    EXPECT_EQ(c.Table()[0].colour, PackColour(0, 0, 0, 255));
    EXPECT_EQ(c.Table()[1].colour, PackColour(255, 0, 0, 0));
    EXPECT_EQ(c.Table()[127].colour, PackColour(255, 0, 0, 0));
    for (size_t i = 128; i < 256; ++i) EXPECT_EQ(PackedTransparency(c.Table()[i].colour), 128);
    EXPECT_EQ(c.Table()[255].colour, PackColour(0, 0, 255, 128));
}

TEST(UserColourMapping, WithoutInterpolationEachPointIsOneEntry) {
    CColourControl c;
    ASSERT_TRUE(ApplyUserColourMapping(c, Points(kBlueGreenRed, false)).success);
    ASSERT_EQ(c.Table().size(), 3u);
    EXPECT_EQ(c.MappingKind(), kMappingExactIndex);
    EXPECT_EQ(c.Transform().Kind(), kTransformStepTable);
    EXPECT_EQ(c.Transform().TableValues(), (std::vector<double>{0, 1, 2}));
    // Below the first point its colour; from each point on, the next point's.
    EXPECT_EQ(c.ValueToColour(-1), Rgb(0, 0, 255));
    EXPECT_EQ(c.ValueToColour(5), Rgb(0, 255, 0));
    EXPECT_EQ(c.ValueToColour(10), Rgb(255, 0, 0));
    EXPECT_EQ(c.ValueToColour(50), Rgb(255, 0, 0));
    c.SetReverse(true);
    EXPECT_EQ(c.ValueToColour(-1), Rgb(255, 0, 0));
}

TEST(UserColourMapping, TooFewPointsGiveARampOverTheStatistics) {
    struct Case {
        bool interpolate;
        size_t points;
    };
    for (const Case& k : {Case{true, 1}, Case{false, 0}}) {
        ColourInfo info;
        info.palette_name = u"custom";
        info.transparent_colour_on = true;
        info.transparent_colour = Rgb(9, 9, 9);
        info.user_mapping_on = true;
        info.user_mapping = Points(
            std::vector<UserColourPoint>(kBlueGreenRed.begin(), kBlueGreenRed.begin() + k.points),
            k.interpolate);
        CColourControl c;
        c.AttachStatistics({-10, 10, {}});
        const ColourResult r = c.ApplyColourInfo(info);
        EXPECT_TRUE(r.success);
        ASSERT_EQ(c.Table().size(), 256u);
        EXPECT_EQ(c.Table().front().colour, Rgb(0, 0, 255));
        EXPECT_EQ(c.Table().back().colour, Rgb(255, 0, 0));
        EXPECT_EQ(c.MappingKind(), kMappingLinear);
        EXPECT_EQ(c.Transform().Minimum(), -10.0);
        EXPECT_EQ(c.Transform().Maximum(), 10.0);
        // The ramp must not undo what the colour information set beside the mapping.
        EXPECT_TRUE(c.NullColourSet());
        EXPECT_EQ(c.NullColour(), Rgb(9, 9, 9));
        EXPECT_EQ(c.TableName(), u"custom");
    }
}

class UserColourMappingLog : public Tarn::Test::ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        std::ofstream(Path("user.reg"), std::ios::binary)
            << "Windows Registry Editor Version 5.00\r\n\r\n"
            << "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]\r\n"
            << "\"LogFile\"=\"" << Path("dump.log") << "\"\r\n";
        setenv("CORVANE_USER_REG", Path("user.reg").c_str(), 1);
        setenv("CORVANE_SYSTEM_REG", Path("none.reg").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("CORVANE_USER_REG");
        unsetenv("CORVANE_SYSTEM_REG");
        ScratchDirTest::TearDown();
    }
    std::string Log() const {
        std::ifstream in(Path("dump.log"), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(UserColourMappingLog, IndexesAreLoggedAndAPointThatIsNoNumberFails) {
    CColourControl c;
    ASSERT_TRUE(ApplyUserColourMapping(c, Points(kBlueGreenRed, true)).success);
    EXPECT_EQ(Log().rfind(" vnIndex: 0\n vnIndex: 127\n vnIndex: 255\n"
                          "--------------------------------\n\nCreateNonLinearTable: \n",
                          0),
              0u);

    std::vector<UserColourPoint> points = kBlueGreenRed;
    points[1].value = std::nan("");
    const ColourResult r = ApplyUserColourMapping(c, Points(points, true));
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.error_code, kErrorUnexpected);
    EXPECT_NE(Log().find("Not able to read custom mapping from GHX file"), std::string::npos);
    // The table built before stays.
    EXPECT_EQ(c.Table()[127].colour, Rgb(0, 255, 0));
}

}  // namespace
