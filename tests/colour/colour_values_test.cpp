// Packed and wide colours: packing, quantising, conversions between the forms and HSL.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "colour/colour_values.h"

using namespace Tarn::Colour;

TEST(ColourValues, PackingKeepsLowBitsOfEachComponent) {
    EXPECT_EQ(PackColour(255, 128, 0, 0), 0x000080FFu);
    EXPECT_EQ(PackColour(0x1FF, 0x100, 0x101, 0x2FE), 0xFE0100FFu);
    const PackedColour c = PackColour(1, 2, 3, 4);
    EXPECT_EQ(PackedRed(c), 1);
    EXPECT_EQ(PackedGreen(c), 2);
    EXPECT_EQ(PackedBlue(c), 3);
    EXPECT_EQ(PackedTransparency(c), 4);
    const WideColour w = PackWide(1, 0x1FFFF, 3, 65535);
    EXPECT_EQ(WideComponent(w, 0), 1);
    EXPECT_EQ(WideComponent(w, 1), 65535);
    EXPECT_EQ(WideComponent(w, 2), 3);
    EXPECT_EQ(WideComponent(w, 3), 65535);
}

TEST(ColourValues, QuantisingRoundsHalvesUpAndClamps) {
    struct Case {
        double fraction;
        int packed;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {0.5, 128},  // 127.5 goes up
        {0.0, 0},   {1.0, 255}, {1.5, 255}, {-0.2, 0},       {1e300, 255},
        {-inf, 0},  {inf, 255}, {nan, 0},   {0.49 / 255, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackedRed(FractionsToPacked(c.fraction, 0, 0, 0)), c.packed) << c.fraction;
        EXPECT_EQ(PackedTransparency(FractionsToPacked(0, 0, 0, c.fraction)), c.packed);
    }
    EXPECT_EQ(WideComponent(FractionsToWide(0.5, 2.0, -1.0, 1.0), 0), 32768);
    EXPECT_EQ(FractionsToWide(0.5, 2.0, -1.0, 1.0) >> 16, 0xFFFF0000FFFFull);
}

TEST(ColourValues, ConversionsBetweenFormsGoThroughFractions) {
    EXPECT_EQ(WideComponent(PackedToWide(PackColour(1, 0, 0, 0)), 0), 257);
    EXPECT_EQ(PackedToWide(PackColour(255, 255, 255, 255)), PackWide(65535, 65535, 65535, 0));
    EXPECT_EQ(PackedToWideWithTransparency(PackColour(0, 0, 0, 255)), PackWide(0, 0, 0, 65535));
    EXPECT_EQ(PackedRed(WideToPacked(PackWide(128, 0, 0, 0))), 0);
    EXPECT_EQ(PackedRed(WideToPacked(PackWide(129, 0, 0, 0))), 1);
    for (uint32_t v = 0; v < 256; ++v) {
        const PackedColour c = PackColour(v, 255 - v, v / 2, 255 - v / 3);
        ASSERT_EQ(WideToPacked(PackedToWideWithTransparency(c)), c) << v;
    }
    const ColourFractions f = PackedToFractions(PackColour(255, 0, 51, 0));
    EXPECT_DOUBLE_EQ(f.red, 1.0);
    EXPECT_DOUBLE_EQ(f.blue, 0.2);
    EXPECT_DOUBLE_EQ(WideToFractions(PackWide(0, 65535, 0, 0)).green, 1.0);
}

TEST(ColourValues, HslOfPrimariesAndGreys) {
    struct Case {
        PackedColour rgb;
        int hue, saturation, lightness;
    };
    const Case cases[] = {
        {PackColour(255, 0, 0, 0), 0, 65535, 32768},      // lightness 0.5 goes up
        {PackColour(0, 255, 0, 0), 21845, 65535, 32768},  // a third of a turn
        {PackColour(0, 0, 255, 0), 43690, 65535, 32768},
        {PackColour(128, 128, 128, 0), 0, 0, 32896},
        {PackColour(0, 0, 0, 0), 0, 0, 0},
        {PackColour(255, 255, 255, 0), 0, 0, 65535},
    };
    for (const Case& c : cases) {
        const WideColour hsl = WideRgbToHsl(PackedToWide(c.rgb));
        EXPECT_EQ(WideComponent(hsl, 0), c.hue) << std::hex << c.rgb;
        EXPECT_EQ(WideComponent(hsl, 1), c.saturation) << std::hex << c.rgb;
        EXPECT_EQ(WideComponent(hsl, 2), c.lightness) << std::hex << c.rgb;
    }
}

TEST(ColourValues, HslRoundTripKeepsEightBitColoursAndTransparency) {
    // Every 8-bit colour on a coarse grid, including the edges of each hue sextant.
    for (uint32_t r = 0; r < 256; r += 15) {
        for (uint32_t g = 0; g < 256; g += 15) {
            for (uint32_t b = 0; b < 256; b += 15) {
                const PackedColour c = PackColour(r, g, b, (r + b) & 0xFF);
                const WideColour back = WideHslToRgb(WideRgbToHsl(PackedToWideWithTransparency(c)));
                ASSERT_EQ(WideToPacked(back), c) << r << "," << g << "," << b;
            }
        }
    }
}
