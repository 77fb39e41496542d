// Pixel assembly of band composite, "Palette" and the four "RGB" cases on tiny blocks, and the
// background fill.
#include <gtest/gtest.h>

#include <vector>

#include "draw_test_support.h"
#include "draw/bands.h"

using namespace DrawTest;

namespace {

constexpr PackedColour kBackground = PackColour(1, 2, 3, 0);

std::vector<Rgb> Pixels(const std::vector<uint8_t>& bytes) {
    std::vector<Rgb> out;
    for (size_t p = 0; p + 2 < bytes.size(); p += 3)
        out.push_back({bytes[p], bytes[p + 1], bytes[p + 2]});
    return out;
}

TEST(DrawBands, ByteBandsTakeTheLowBytesWhereAllThreeAreValid) {
    // High bytes set, so only the low byte may reach the pixel.
    const uint32_t red[] = {0xABCDEF10u, 0x11u, 0x12u, 0x13u};
    const uint32_t green[] = {0xFFFFFF20u, 0x21u, 0x22u, 0x23u};
    const uint32_t blue[] = {0x00000130u, 0x31u, 0x32u, 0x33u};
    const uint8_t valid_r[] = {1, 0, 1, 1};
    const uint8_t valid_g[] = {1, 1, 0, 1};
    const uint8_t valid_b[] = {1, 1, 1, 0};
    std::vector<uint8_t> pixels(12, 0xEE);
    DrawByteBands({{red, green, blue}, {valid_r, valid_g, valid_b}}, 4, kBackground, pixels.data());
    EXPECT_EQ(Pixels(pixels),
              (std::vector<Rgb>{{0x10, 0x20, 0x30}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}}));
}

TEST(DrawBands, PaletteDrawsTheColourWhereValid) {
    const PackedColour colours[] = {PackColour(10, 20, 30, 255), PackColour(40, 50, 60, 0)};
    const uint8_t valid[] = {1, 0};
    std::vector<uint8_t> pixels(6, 0xEE);
    DrawPalette({colours, valid}, 2, kBackground, pixels.data());
    EXPECT_EQ(Pixels(pixels), (std::vector<Rgb>{{10, 20, 30}, {1, 2, 3}}));
}

TEST(DrawBands, PackedBandsArePickedByBandNumber) {
    const PackedColour colours[] = {PackColour(10, 20, 30, 40), PackColour(50, 60, 70, 0)};
    const uint8_t valid[] = {1, 0};
    struct Case {
        std::array<int32_t, 3> bands;
        Rgb first;
    };
    const Case cases[] = {
        {{1, 2, 3}, {10, 20, 30}},
        {{3, 1, 2}, {30, 10, 20}},
        {{2, 2, 2}, {20, 20, 20}},
        {{4, 0, 1}, {0, 0, 10}},  // no fourth or zeroth byte: the transparency is not a band
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> pixels(6, 0xEE);
        DrawPackedBands({colours, valid}, 2, c.bands, kBackground, pixels.data());
        EXPECT_EQ(Pixels(pixels), (std::vector<Rgb>{c.first, {1, 2, 3}}))
            << c.bands[0] << c.bands[1] << c.bands[2];
    }
}

// A control whose entry i has the colour f(i), under the Index mapping.
template <typename F>
CColourControl IndexTable(F colour_of) {
    CColourControl c;
    for (int i = 0; i < 256; ++i) c.Table().push_back(MakeColourTableEntry(colour_of(i)));
    c.SetIndexMapping();
    return c;
}

TEST(DrawBands, PackedBandsThroughControlsTakeEachChannelsOwnComponent) {
    // Every control maps v to a colour with all three components set, so a channel that took
    // the wrong component would show.
    const CColourControl red = IndexTable([](int v) { return PackColour(255 - v, 1, 2, 0); });
    const CColourControl green = IndexTable([](int v) { return PackColour(3, v / 2, 4, 0); });
    const CColourControl blue = IndexTable([](int v) { return PackColour(5, 6, v, 0); });
    const PackedColour colours[] = {PackColour(10, 20, 30, 0), PackColour(50, 60, 70, 0)};
    const uint8_t valid[] = {1, 0};
    std::vector<uint8_t> pixels(6, 0xEE);
    DrawPackedBandsThroughControls({colours, valid}, 2, {3, 1, 2}, {&red, &green, &blue},
                                   kBackground, pixels.data());
    // red of red(30), green of green(10), blue of blue(20)
    EXPECT_EQ(Pixels(pixels), (std::vector<Rgb>{{225, 5, 20}, {1, 2, 3}}));
}

TEST(DrawBands, FloatBandsOrTheChannelsColours) {
    // Ramps of each primary over 0 to 255.
    const auto ramp = [](WideColour to) {
        CColourControl c;
        c.BuildRamp(PackWide(0, 0, 0, 0), to, 256, kRampRgb);
        c.SetLinearMapping(0, 256, false, kRangePercentage, 0.05, 0.95);
        return c;
    };
    const CColourControl red = ramp(PackWide(65535, 0, 0, 0));
    const CColourControl green = ramp(PackWide(0, 65535, 0, 0));
    const CColourControl blue = ramp(PackWide(0, 0, 65535, 0));
    const float r[] = {10.5f, 1.0f, 1.0f};
    const float g[] = {200.0f, 1.0f, 1.0f};
    const float b[] = {77.0f, 1.0f, 1.0f};
    const uint8_t valid[] = {1, 1, 1};
    const uint8_t valid_b[] = {1, 0, 2};  // any nonzero byte counts as valid
    std::vector<uint8_t> pixels(9, 0xEE);
    DrawFloatBands({{r, g, b}, {valid, valid, valid_b}}, 3, {&red, &green, &blue}, kBackground,
                   pixels.data());
    EXPECT_EQ(Pixels(pixels), (std::vector<Rgb>{{10, 200, 77}, {1, 2, 3}, {1, 1, 1}}));
}

TEST(DrawBands, RgbAssemblyFollowsTheChannelsAndTheBandKind) {
    CColourControl direct8;
    ColourInfo info;
    info.transform_selector = kSelectDirect;
    info.direct_maximum = 8;
    ASSERT_TRUE(direct8.ApplyColourInfo(info).success);
    ASSERT_EQ(direct8.DirectMaximum(), 8);
    CColourControl direct16 = direct8;
    info.direct_maximum = 16;
    ASSERT_TRUE(direct16.ApplyColourInfo(info).success);
    CColourControl linear;
    struct Case {
        const CColourControl* third;
        int32_t band_kind;
        RgbAssembly assembly;
    };
    const Case cases[] = {
        {&direct8, 0, RgbAssembly::kByteBands},
        {&direct8, 99, RgbAssembly::kByteBands},
        {&direct8, 150, RgbAssembly::kByteBands},
        {&direct8, 100, RgbAssembly::kPackedBands},
        {&direct8, 109, RgbAssembly::kPackedBands},
        {&direct8, 149, RgbAssembly::kPackedBands},
        {&direct16, 109, RgbAssembly::kPackedBandsThroughControls},
        {&linear, 109, RgbAssembly::kPackedBandsThroughControls},
        {&linear, 110, RgbAssembly::kFloatBands},
        {&direct16, 0, RgbAssembly::kFloatBands},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseRgbAssembly({&direct8, &direct8, c.third}, c.band_kind), c.assembly)
            << "band kind " << c.band_kind;
    }
}

TEST(DrawBands, FillBackgroundCoversEveryPixel) {
    std::vector<uint8_t> pixels(3 * 5 + 1, 0xEE);
    FillBackground(pixels.data(), 5, PackColour(9, 8, 7, 255));
    EXPECT_EQ(Pixels(pixels), std::vector<Rgb>(5, Rgb{9, 8, 7}));
    EXPECT_EQ(pixels.back(), 0xEE);
}

}  // namespace
