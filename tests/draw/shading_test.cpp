// Shading constants, and small shaded pictures whose light is known by construction (halos
// included), drawn by both the reference and the fast pixel pass.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "draw/shading.h"
#include "draw_test_support.h"

using namespace DrawTest;

namespace {

TEST(ShadingConstants, FollowTheLevelStatisticsAndLightSettings) {
    ShadingInputs in;
    in.level = 2;
    in.relief_statistic = 100.0;
    in.cell_size_x = 2.0f;
    in.cell_size_y = 4.0f;
    in.value_minimum = 10.0f;
    in.value_maximum = 60.0f;
    in.relief_contrast = 85.0;
    in.light_intensity = 100.0;
    in.ambient_brightness = 50.0;
    in.light_azimuth = 0.0;
    in.light_elevation = 45.0;
    in.highlight_azimuth = 90.0;
    in.highlight_elevation = 0.0;
    in.highlight_size = 50.0;
    const ShadingConstants k = MakeShadingConstants(in);
    // M = 1.5^2 * 100 / 4 = 56.25 over R = 50.
    EXPECT_FLOAT_EQ(k.kx_cell_x_times_m_over_r, 2.25f);
    EXPECT_FLOAT_EQ(k.ky_cell_y_times_m_over_r, 4.5f);
    EXPECT_FLOAT_EQ(k.zscale_ten_pow_contrast_over_r, 10.0f / 50.0f);
    EXPECT_NEAR(k.dx_minus_sin_az_cos_el, 0.0f, 1e-7);
    EXPECT_NEAR(k.dy_cos_az_cos_el, 0.70710678f, 1e-6);
    EXPECT_NEAR(k.dz_sin_el, 0.70710678f, 1e-6);
    // The azimuth turns the other way: 90 degrees points along +x.
    EXPECT_NEAR(k.hx_minus_sin_az_cos_el, 1.0f, 1e-6);
    EXPECT_NEAR(k.hy_cos_az_cos_el, 0.0f, 1e-6);
    EXPECT_NEAR(k.hz_sin_el, 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(k.gain_intensity_times_2_55, 255.0f);
    EXPECT_FLOAT_EQ(k.ambient_brightness_times_2_55, 127.5f);
    EXPECT_FLOAT_EQ(k.q_half_highlight_size, 25.0f);

    // The peak is piecewise linear in the size, continuous at 25 and 75.
    const std::pair<double, float> peaks[] = {
        {0, 0.0f}, {25, 160.0f}, {50, 224.0f}, {75, 288.0f}, {100, 544.0f}};
    for (const auto& [size, peak] : peaks) {
        in.highlight_size = size;
        EXPECT_FLOAT_EQ(MakeShadingConstants(in).bh_highlight_peak, peak) << "size " << size;
    }

    // A band of one value has no height scale.
    in.value_maximum = in.value_minimum;
    EXPECT_EQ(MakeShadingConstants(in).zscale_ten_pow_contrast_over_r, 0.0f);
}

// Several lights: each cell gets the weighted sum of the light each gives it alone (weights over
// their sum), on flat ground and on slopes, the highlight untouched; one light of any weight is
// that light, to the bit.
TEST(ShadingLights, GiveTheWeightedSumOfEachLightsValue) {
    constexpr double kDegree = std::numbers::pi / 180;
    ShadingInputs in;
    in.relief_statistic = 200.0;
    in.value_minimum = -100.0f;
    in.value_maximum = 100.0f;
    in.light_intensity = 80.0;
    in.ambient_brightness = 20.0;
    in.highlight_azimuth = 10.0;
    in.highlight_elevation = 60.0;
    in.highlight_size = 40.0;
    const std::vector<ShadingLightInput> lights = {{90, 30, 1}, {200, 50, 3}, {330, 10, 0.5}};

    Cells plane(6, 5, 0.0f);
    for (int64_t y = 0; y < 5; ++y)
        for (int64_t x = 0; x < 6; ++x) plane.Value(x, y) = 30.0f * x - 20.0f * y;
    for (const Cells* cells : {&plane}) {
        for (const auto& [x, y] : {std::pair{2, 2}, std::pair{0, 0}, std::pair{5, 4}}) {
            ShadingInputs several = in;
            several.lights = lights;
            const CellLight got =
                ShadeCell(cells->Block(), x, y, MakeShadingConstants(several), true);
            double expected = 0;
            for (const ShadingLightInput& light : lights) {
                ShadingInputs one = in;
                one.light_azimuth = light.azimuth;
                one.light_elevation = light.elevation;
                expected += light.weight / 4.5 *
                            ShadeCell(cells->Block(), x, y, MakeShadingConstants(one), true).intensity;
            }
            EXPECT_NEAR(got.intensity, expected, 1e-3) << x << "," << y;
            EXPECT_EQ(got.highlight,
                      ShadeCell(cells->Block(), x, y, MakeShadingConstants(in), true).highlight);
        }
    }
    // Flat ground: only the elevations count.
    ShadingInputs several = in;
    several.lights = lights;
    const float flat = ShadeCell(Cells(3, 3, 5.0f).Block(), 1, 1, MakeShadingConstants(several),
                                 false).intensity;
    const double gain = 0.8 * 255, ambient = 0.2 * 255;
    EXPECT_NEAR(flat,
                (std::sin(30 * kDegree) + 3 * std::sin(50 * kDegree) +
                 0.5 * std::sin(10 * kDegree)) /
                        4.5 * gain +
                    ambient,
                1e-3);

    for (const double weight : {1.0, 2.5}) {
        ShadingInputs one = in;
        one.light_azimuth = 123.0;
        one.light_elevation = 33.0;
        ShadingInputs listed = one;
        listed.lights = {{123.0, 33.0, weight}};
        const ShadingConstants a = MakeShadingConstants(one), b = MakeShadingConstants(listed);
        EXPECT_EQ(a.dx_minus_sin_az_cos_el, b.dx_minus_sin_az_cos_el);
        EXPECT_EQ(a.dy_cos_az_cos_el, b.dy_cos_az_cos_el);
        EXPECT_EQ(a.dz_sin_el, b.dz_sin_el);
    }
}

using Pass = void (*)(const FloatBlock&, const PseudoColouring&, uint8_t*);

// Statistics -100 to 100 with a relief of 200 over unit cells: a run of 1 per cell, and a height
// step of 1 for 200 value units. Light from azimuth 90 (along +x) at 30 degrees, gain 255,
// ambient 51: flat ground gets 0.5 * 255 + 51 = 178.5.
ShadingInputs Lit() {
    ShadingInputs in;
    in.relief_statistic = 200.0;
    in.value_minimum = -100.0f;
    in.value_maximum = 100.0f;
    in.light_azimuth = 90.0;
    in.light_elevation = 30.0;
    in.light_intensity = 100.0;
    in.ambient_brightness = 20.0;
    return in;
}

// One white entry over the statistics' range: every channel of a shaded cell is its light.
Coloured White() {
    Coloured c;
    c.SetTable({PackColour(255, 255, 255, 0)});
    c.control.SetLinearMapping(-100, 100, false, kRangePercentage, 0.05, 0.95);
    return c;
}

class ShadedPicture : public ::testing::TestWithParam<Pass> {
protected:
    std::vector<uint8_t> Draw(const Cells& cells, const PseudoColouring& how) {
        std::vector<uint8_t> pixels(static_cast<size_t>(3 * cells.width * cells.height), 0xEE);
        GetParam()(cells.Block(), how, pixels.data());
        return pixels;
    }
};

TEST_P(ShadedPicture, OneCellIsLitAsFlatGround) {
    // Two entries: grey 102 (a fraction of 0.4) below the middle, white above.
    Coloured c;
    c.SetTable({PackColour(102, 102, 102, 0), PackColour(255, 255, 255, 0)});
    c.control.SetLinearMapping(-100, 100, false, kRangePercentage, 0.05, 0.95);
    const PseudoColouring how = c.Colouring(true, false, MakeShadingConstants(Lit()));
    EXPECT_EQ(PixelAt(Draw(Cells(1, 1, 10.0f), how), 1, 0, 0), (Rgb{178, 178, 178}));
    EXPECT_EQ(PixelAt(Draw(Cells(1, 1, -50.0f), how), 1, 0, 0), (Rgb{71, 71, 71}));  // 0.4 * 178.5
}

TEST_P(ShadedPicture, AnInvalidNeighbourCountsAsTheValueZero) {
    // Flat at 10 around one hole. Read as 0 (not as the minimum, -100) the hole is a pit 0.05
    // deep: the cell west of it faces the light (183.97), the cell east of it faces away
    // (172.95); the cells north and south of it tilt across the light (178.46).
    Cells cells(5, 5, 10.0f);
    cells.Invalidate(2, 2);
    const Coloured c = White();
    const auto pixels = Draw(cells, c.Colouring(true, false, MakeShadingConstants(Lit())));
    for (int64_t y = 0; y < 5; ++y) {
        for (int64_t x = 0; x < 5; ++x) {
            int expected = 178;
            if (x == 2 && y == 2) continue;
            if (x == 1 && y == 2) expected = 183;
            if (x == 3 && y == 2) expected = 172;
            EXPECT_EQ(PixelAt(pixels, 5, x, y), (Rgb{expected, expected, expected}))
                << "cell " << x << ", " << y;
        }
    }
    EXPECT_EQ(PixelAt(pixels, 5, 2, 2), (Rgb{0, 0, 255}));  // the background
}

TEST_P(ShadedPicture, HaloNeighboursLightTheBorderAsInnerOnesWould) {
    // The middle cell of the 5 x 5 cells above, west of the hole, drawn alone with a halo of the
    // cells around it: lit as in the whole picture (183). Without the halo's east side it has no
    // neighbour there, takes its one-sided difference to the west and is flat ground (178).
    Cells cells(3, 3, 10.0f);
    cells.Invalidate(2, 1);
    const Coloured c = White();
    const PseudoColouring how = c.Colouring(true, false, MakeShadingConstants(Lit()));
    FloatBlock middle = cells.Block();
    middle.values += 4;
    middle.validity += 4;
    middle.width = middle.height = 1;
    middle.stride = 3;
    middle.halo = {true, true, true, true};
    for (const auto& [east, expected] : {std::pair{true, 183}, std::pair{false, 178}}) {
        middle.halo.right = east;
        std::vector<uint8_t> pixel(3, 0xEE);
        GetParam()(middle, how, pixel.data());
        EXPECT_EQ(PixelAt(pixel, 1, 0, 0), (Rgb{expected, expected, expected})) << east;
    }
}

TEST_P(ShadedPicture, LightFromStraightAboveGivesGainPlusAmbient) {
    ShadingInputs in = Lit();
    in.light_elevation = 90.0;
    in.light_intensity = 60.0;     // 153
    in.ambient_brightness = 30.0;  // 76.5
    const Coloured c = White();
    const auto pixels =
        Draw(Cells(3, 3, 10.0f), c.Colouring(true, false, MakeShadingConstants(in)));
    for (size_t i = 0; i < pixels.size(); ++i) EXPECT_EQ(pixels[i], 229) << "byte " << i;
}

TEST_P(ShadedPicture, ChannelsClampTo254AndTo1) {
    // A black-to-white ramp over 0 to 100, lit from straight above.
    Coloured c;
    c.control.BuildRamp(PackWide(0, 0, 0, 0), PackWide(65535, 65535, 65535, 0), 256, kRampRgb);
    c.control.SetLinearMapping(0, 100, false, kRangePercentage, 0.05, 0.95);
    c.TakeFractions();
    struct Case {
        double intensity, ambient;
        float value;
        int expected;
    };
    const Case cases[] = {
        {100, 100, 150.0f, 254},  // above the top of the ramp: white under a light of 510
        {100, 100, 50.0f, 254},   // grey 128 under 510 is 256
        {100, 100, -5.0f, 1},     // black stays above 0
        {0, 0, 50.0f, 1},         // no light at all
        {100, 0, 50.0f, 128},     // grey 128 under exactly 255
    };
    for (const Case& k : cases) {
        ShadingInputs in = Lit();
        in.value_minimum = 0.0f;
        in.light_elevation = 90.0;
        in.light_intensity = k.intensity;
        in.ambient_brightness = k.ambient;
        const auto pixels =
            Draw(Cells(2, 1, k.value), c.Colouring(true, false, MakeShadingConstants(in)));
        EXPECT_EQ(PixelAt(pixels, 2, 1, 0), (Rgb{k.expected, k.expected, k.expected}))
            << "value " << k.value << ", intensity " << k.intensity << ", ambient " << k.ambient;
    }
}

TEST_P(ShadedPicture, SomeCellsKeepTheirColourUnshaded) {
    // Entry 0 is fully transparent; entry 1 has no fractions (the vectors are one short); values
    // above 100 are clipped to an opaque null colour, which has no table index.
    Coloured c;
    c.SetTable(
        {PackColour(10, 20, 30, 255), PackColour(40, 50, 60, 0), PackColour(255, 255, 255, 0)});
    c.control.SetLinearMapping(-100, 100, false, kRangePercentage, 0.05, 0.95);
    c.control.SetClipToNull(true);
    c.control.SetNullColour(PackColour(7, 8, 9, 0));
    c.TakeFractions();
    c.red.resize(1);
    Cells cells(4, 1, -90.0f);  // entry 0
    cells.Value(1, 0) = 0.0f;   // entry 1
    cells.Value(2, 0) = 150.0f;
    cells.Value(3, 0) = 90.0f;  // entry 2, but beyond the red fractions as well
    for (const bool highlights : {false, true}) {
        ShadingInputs in = Lit();
        in.highlight_size = 50.0;
        const auto pixels = Draw(cells, c.Colouring(true, highlights, MakeShadingConstants(in)));
        EXPECT_EQ(PixelAt(pixels, 4, 0, 0), (Rgb{200, 100, 50}));  // the transparent colour
        EXPECT_EQ(PixelAt(pixels, 4, 1, 0), (Rgb{40, 50, 60}));
        EXPECT_EQ(PixelAt(pixels, 4, 2, 0), (Rgb{7, 8, 9}));
        EXPECT_EQ(PixelAt(pixels, 4, 3, 0), (Rgb{255, 255, 255}));
    }

    // The default null colour is fully transparent: clipped cells take the transparent colour.
    c.control.SetNullColour(0xFFFFFFFFu);
    const auto pixels = Draw(cells, c.Colouring(true, false, MakeShadingConstants(Lit())));
    EXPECT_EQ(PixelAt(pixels, 4, 2, 0), (Rgb{200, 100, 50}));
}

TEST_P(ShadedPicture, WithoutShadingColoursAreDrawnAsTheyAre) {
    Cells cells(3, 2, 10.0f);
    cells.Invalidate(1, 1);
    const Coloured c = White();
    const auto pixels = Draw(cells, c.Colouring(false, true, MakeShadingConstants(Lit())));
    for (int64_t p = 0; p < 6; ++p) {
        const Rgb expected = p == 4 ? Rgb{0, 0, 255} : Rgb{255, 255, 255};
        EXPECT_EQ(PixelAt(pixels, 3, p % 3, p / 3), expected) << "pixel " << p;
    }
}

TEST_P(ShadedPicture, DegenerateStatisticsLightCellsAsFlatGround) {
    // One value throughout (R = 0), or no relief: the slopes have no defined length.
    const Coloured c = White();
    for (const bool one_value : {true, false}) {
        ShadingInputs in = Lit();
        if (one_value) in.value_maximum = in.value_minimum;
        if (!one_value) in.relief_statistic = 0.0;
        const auto pixels =
            Draw(Cells(4, 3, 10.0f), c.Colouring(true, true, MakeShadingConstants(in)));
        for (size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_EQ(pixels[i], 178)
                << "byte " << i << (one_value ? ", one value" : ", no relief");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Passes, ShadedPicture,
                         ::testing::Values(&DrawPseudoReference, &DrawPseudo),
                         [](const ::testing::TestParamInfo<Pass>& info) {
                             return std::string(info.index == 0 ? "Reference" : "Fast");
                         });

}  // namespace
