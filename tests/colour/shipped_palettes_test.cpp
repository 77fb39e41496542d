// The colour tables shipped in ColorPalettes: every one loads, and each gives what its name
// promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "colour/colour_table_file.h"
#include "colour/oklab.h"
#include "colour_table_test_support.h"

using namespace Tarn::Colour;
using Tarn::Test::Rgb;

namespace {

const std::filesystem::path kPalettes = std::filesystem::path(RH_BIN_DIR) / "ColorPalettes";

CColourControl Load(const std::string& name) {
    CColourControl c;
    // The percentile table needs a band's histogram: ten equal bins over [0, 100].
    BandStatistics statistics{0, 100, {}};
    for (int i = 0; i < 10; ++i)
        statistics.bins.push_back({i * 10.0, i * 10.0 + 10, (i + 1) / 10.0});
    c.AttachStatistics(statistics);
    const ColourResult r =
        LoadColourTableFile(c, Tarn::System::Utf8ToWide((kPalettes / name).string()));
    EXPECT_TRUE(r.success) << name;
    EXPECT_EQ(r.error_code, 0) << name;
    return c;
}

// Hue in degrees, 0 for greys.
double Hue(PackedColour c) {
    const double r = PackedRed(c), g = PackedGreen(c), b = PackedBlue(c);
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    if (hi == lo) return 0;
    double h = hi == r   ? (g - b) / (hi - lo)
               : hi == g ? 2 + (b - r) / (hi - lo)
                         : 4 + (r - g) / (hi - lo);
    h *= 60;
    return h < 0 ? h + 360 : h;
}

TEST(ShippedPalettes, EveryFileLoadsIntoATable) {
    const std::vector<std::string> expected = {
        "Bamako.lut",      "Cividis.lut",     "Diverging.lut", "Elevation.clr", "Greyscale.lut",
        "Percentiles.vcp", "Pseudocolor.lut", "Slope.leg",     "Terrain.lut",   "Viridis.lut"};
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(kPalettes)) {
        found.push_back(entry.path().filename().string());
        EXPECT_FALSE(Load(found.back()).Table().empty()) << found.back();
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);
}

TEST(ShippedPalettes, PseudocolorIsARainbowFromBlueToRed) {
    const CColourControl c = Load("Pseudocolor.lut");
    const auto& t = c.Table();
    ASSERT_EQ(t.size(), 256u);
    EXPECT_EQ(t.front().colour, Rgb(0, 0, 255));
    EXPECT_EQ(t[110].colour, Rgb(0, 255, 0));
    EXPECT_EQ(t[170].colour, Rgb(255, 255, 0));
    EXPECT_EQ(t.back().colour, Rgb(255, 0, 0));
    // The hue runs down from blue (240) to red (0) without turning back.
    for (size_t i = 1; i < t.size(); ++i) EXPECT_LE(Hue(t[i].colour), Hue(t[i - 1].colour)) << i;
    // The preferences name it in lower case.
    CColourControl lower;
    EXPECT_TRUE(LoadColourTableFile(
                    lower, Tarn::System::Utf8ToWide((kPalettes / "pseudocolor.lut").string()))
                    .success);
}

TEST(ShippedPalettes, GreyscaleDivergingAndTerrain) {
    const CColourControl grey = Load("Greyscale.lut");
    ASSERT_EQ(grey.Table().size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(grey.Table()[i].colour, Rgb(i, i, i)) << i;

    const CColourControl diverging = Load("Diverging.lut");
    const auto& d = diverging.Table();
    ASSERT_EQ(d.size(), 256u);
    EXPECT_GT(PackedBlue(d.front().colour), PackedRed(d.front().colour));
    EXPECT_EQ(d[128].colour, Rgb(247, 247, 247));
    EXPECT_GT(PackedRed(d.back().colour), PackedBlue(d.back().colour));

    const CColourControl terrain = Load("Terrain.lut");
    const auto& t = terrain.Table();
    ASSERT_EQ(t.size(), 256u);
    EXPECT_GT(PackedBlue(t.front().colour), PackedGreen(t.front().colour));  // deep water
    EXPECT_GT(PackedGreen(t[90].colour), PackedRed(t[90].colour));           // lowland green
    EXPECT_EQ(t.back().colour, Rgb(255, 255, 255));                          // snow
}

TEST(ShippedPalettes, ClrLegAndVcpExamples) {
    const CColourControl elevation = Load("Elevation.clr");
    ASSERT_EQ(elevation.Table().size(), 256u);
    EXPECT_EQ(elevation.Table().front().colour, Rgb(0, 97, 71));
    EXPECT_EQ(elevation.Table().back().colour, Rgb(255, 255, 255));

    const CColourControl slope = Load("Slope.leg");
    ASSERT_EQ(slope.Table().size(), 5u);
    EXPECT_EQ(slope.Table()[0].label, "Flat");
    EXPECT_EQ(slope.MappingKind(), kMappingHalfOpenRanges);
    EXPECT_EQ(slope.ValueToIndex(0), 0);
    EXPECT_EQ(slope.ValueToIndex(5), 1);  // a class bound belongs to the class above it
    EXPECT_EQ(slope.ValueToIndex(89.9), 4);
    EXPECT_EQ(slope.ValueToColour(90), Rgb(255, 255, 255));  // beyond the classes: null colour

    const CColourControl percentiles = Load("Percentiles.vcp");
    ASSERT_EQ(percentiles.Table().size(), 256u);
    EXPECT_EQ(percentiles.UserMapping().break_type, 2);
    EXPECT_EQ(percentiles.MappingKind(), kMappingCeilingPosition);
    EXPECT_EQ(percentiles.Transform().Breakpoints(), (std::vector<double>{0, 25, 50, 75, 100}));
}

double Lightness(PackedColour c) {
    return FractionsToOklab(PackedToFractions(c)).lightness;
}

// A gradient of cell values from 0 to 1000, coloured through the table: the darkest colour at the
// bottom, the lightest at the top, and lightness that rises all the way, as a palette that reads
// the same to everyone must. Windows of 64 values (about 16 entries) leave room for the rounding
// of single entries to bytes. The value of the lightness at each end guards against a file that
// loads but is not the published table.
TEST(ShippedPalettes, PerceptualPalettesColourAGradientInRisingLightness) {
    struct Expected {
        const char* file;
        PackedColour first;
        PackedColour last;
    };
    for (const Expected& e : {Expected{"Viridis.lut", Rgb(68, 1, 84), Rgb(253, 231, 37)},
                              Expected{"Cividis.lut", Rgb(0, 32, 77), Rgb(255, 234, 70)},
                              Expected{"Bamako.lut", Rgb(0, 59, 71), Rgb(255, 229, 173)}}) {
        SCOPED_TRACE(e.file);
        CColourControl c = Load(e.file);
        ASSERT_EQ(c.Table().size(), 256u);
        EXPECT_EQ(c.Table().front().colour, e.first);
        EXPECT_EQ(c.Table().back().colour, e.last);

        c.SetLinearMapping(0, 1000, false, kRangePercentage, 0.05, 0.95);
        EXPECT_EQ(c.ValueToColour(0), e.first);
        EXPECT_EQ(c.ValueToColour(1000), e.last);
        EXPECT_LT(Lightness(c.ValueToColour(0)), 0.35);
        EXPECT_GT(Lightness(c.ValueToColour(1000)), 0.9);
        for (int v = 64; v <= 1000; v += 64) {
            EXPECT_GT(Lightness(c.ValueToColour(v)), Lightness(c.ValueToColour(v - 64)) + 0.01)
                << v;
        }
    }
    // The rainbow they stand beside gets darker again from yellow to red.
    const CColourControl rainbow = Load("Pseudocolor.lut");
    EXPECT_LT(Lightness(rainbow.Table().back().colour), Lightness(rainbow.Table()[170].colour));
}

}  // namespace
