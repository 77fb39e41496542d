// Blending in Oklab: ramp midpoints against values worked out by hand from the published Oklab
// matrices, and the same blend reached through LUT files and the user colour mapping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "colour/colour_control.h"
#include "colour/colour_table_file.h"
#include "colour/oklab.h"
#include "colour/user_colour_mapping.h"
#include "colour_table_test_support.h"

using namespace Tarn::Colour;
using Tarn::Test::Rgb;

namespace {

WideColour Wide(int red, int green, int blue) {
    return PackedToWide(Rgb(red, green, blue));
}

// Each midpoint was worked out from the matrices published with Oklab: the two ends decoded to
// linear sRGB, through M1 to cone responses, cube roots, M2 to (L, a, b); the mean of the two
// (L, a, b) back through the inverse matrices and the sRGB encoding, times 255, rounded.
struct Midpoint {
    const char* what;
    PackedColour from;
    PackedColour to;
    PackedColour middle;
};

const Midpoint kMidpoints[] = {
    // (0, 0, 0) and (1, 0, 0): L = 0.5 gives l = m = s = 0.125, linear grey 0.125, encoded
    // 0.38857 (99.09), where RGB would give 128.
    {"black to white", Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(99, 99, 99)},
    // (0.452014, -0.032457, -0.311528) and (0.627955, 0.224863, 0.125846): the middle
    // (0.539985, 0.096203, -0.092841) is linear (0.263734, 0.086572, 0.362824), encoded
    // (140.36, 83.03, 162.31): a violet, neither RGB's dark purple nor HSL's green.
    {"blue to red", Rgb(0, 0, 255), Rgb(255, 0, 0), Rgb(140, 83, 162)},
    // (0.967983, -0.071369, 0.198570) and blue: the middle (0.709998, -0.051913, -0.056479)
    // is linear (0.149225, 0.409639, 0.571372), encoded (107.75, 171.45, 199.04), where RGB
    // would give grey.
    {"yellow to blue", Rgb(255, 255, 0), Rgb(0, 0, 255), Rgb(108, 171, 199)},
    // Blue and white: the middle (0.726007, -0.016228, -0.155764) has linear blue 1.0837,
    // outside sRGB, clamped to 255; red and green encode to 115.52 and 162.71.
    {"blue to white, clamped", Rgb(0, 0, 255), Rgb(255, 255, 255), Rgb(116, 163, 255)},
    // Components between 0 and 255 exercise the sRGB decoding: orange is linear (0.791298,
    // 0.187821, 0.006995), Oklab (0.685533, 0.097388, 0.134660); teal linear (0.006995,
    // 0.223228, 0.262251), Oklab (0.555180, -0.082274, -0.037948); the middle (0.620357,
    // 0.007557, 0.048356) is linear (0.302898, 0.229439, 0.129589), encoded (149.53, 131.66,
    // 100.80).
    {"orange to teal", Rgb(230, 120, 20), Rgb(20, 130, 140), Rgb(150, 132, 101)},
};

TEST(OklabRamp, MidpointsAreTheHandComputedOnes) {
    for (const Midpoint& m : kMidpoints) {
        SCOPED_TRACE(m.what);
        CColourControl c;
        c.BuildRamp(PackedToWide(m.from), PackedToWide(m.to), 3, kRampOklab);
        EXPECT_EQ(c.TableKind(), kTableOklabRamp);
        ASSERT_EQ(c.Table().size(), 3u);
        EXPECT_EQ(c.Table()[0].colour, m.from);
        EXPECT_EQ(c.Table()[1].colour, m.middle);
        EXPECT_EQ(c.Table()[2].colour, m.to);

        // Odd table sizes put an entry on the middle too.
        c.BuildRamp(PackedToWide(m.from), PackedToWide(m.to), 257, kRampOklab);
        EXPECT_EQ(c.Table()[128].colour, m.middle);
    }
}

TEST(OklabRamp, LightnessRisesInEvenStepsAndTransparencyBlendsStraight) {
    // Blue to yellow: each of ten steps adds a tenth of the lightness between the ends, up to
    // the rounding of the entries to bytes. In RGB the middle is a grey darker than that.
    const auto lightness = [](PackedColour c) {
        return FractionsToOklab(PackedToFractions(c)).lightness;
    };
    CColourControl c;
    c.BuildRamp(Wide(0, 0, 255), Wide(255, 255, 0), 11, kRampOklab);
    ASSERT_EQ(c.Table().size(), 11u);
    const double low = lightness(c.Table().front().colour);
    const double step = (lightness(c.Table().back().colour) - low) / 10;
    for (size_t i = 0; i < c.Table().size(); ++i) {
        EXPECT_NEAR(lightness(c.Table()[i].colour), low + step * i, 0.004) << i;
    }
    c.BuildRamp(Wide(0, 0, 255), Wide(255, 255, 0), 11, kRampRgb);
    EXPECT_LT(lightness(c.Table()[5].colour), low + step * 5 - 0.05);

    c.BuildRamp(PackWide(0, 0, 0, 0), PackWide(0, 0, 0, 65535), 3, kRampOklab);
    EXPECT_EQ(c.Table()[1].colour, PackColour(0, 0, 0, 128));
}

class OklabTables : public Tarn::Test::ScratchDirTest {};

TEST_F(OklabTables, LutStopsAndUserPointsBlendInOklab) {
    const std::u16string lut = Write("stops.lut",
                                     "INTERPOLATION OKLAB\nSCALE BYTE\nLUT\n"
                                     "0 0 0 255\n"
                                     "2 255 0 0\n");
    CColourControl c;
    ASSERT_TRUE(LoadColourTableFile(c, lut).success);
    ASSERT_EQ(c.Table().size(), 3u);
    EXPECT_EQ(c.Table()[1].colour, Rgb(140, 83, 162));

    UserColourMapping mapping;
    mapping.interpolate = true;
    mapping.interpolation = kRampOklab;
    mapping.entries = {{0, Rgb(0, 0, 0)}, {1, Rgb(255, 255, 255)}};
    ASSERT_TRUE(ApplyUserColourMapping(c, mapping).success);
    ASSERT_EQ(c.Table().size(), 256u);
    // Entry 128 of 0-255 is just past the middle: a shade lighter than 99.
    EXPECT_EQ(c.Table()[128].colour, Rgb(100, 100, 100));
}

}  // namespace
