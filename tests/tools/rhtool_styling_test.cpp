// rhtool's styling options change the picture as they say, leave the raster's own style
// document as it was unless asked to save, refuse what does not fit; and the legend: SVG that
// parses, labels at round numbers, classes for legend tables, colours equal to the picture's.
#include <gtest/gtest.h>

#include "colour/colour_values.h"
#include "platform/file_contents.h"
#include "style/xml_document.h"
#include "style/xml_element.h"
#include "style/xml_escape.h"
#include "system/utf.h"
#include "tests/tools/rhtool_fixture.h"
#include "tools/band_colouring.h"
#include "tools/legend.h"
#include "tools/raster_facts.h"
#include "tools/style_document.h"

namespace {

using namespace Tarn::Tools::Test;
using Tarn::Tools::kExitOk;
using Tarn::Tools::kExitUsage;

constexpr int kRampWidth = 64;

// One Float32 band rising from 0 in the west to 63 in the east, the same down every column.
void WriteRamp(const fs::path& path) {
    GDALDatasetH dataset = CreateTiff(path, kRampWidth, 8, 1, GDT_Float32);
    FillBand(dataset, 1, kRampWidth, 8, [](int x, int) { return x; });
    GDALClose(dataset);
}

// A ridge running north to south: its west slope faces west, its east slope east.
void WriteRidge(const fs::path& path) {
    GDALDatasetH dataset = CreateTiff(path, 64, 32, 1, GDT_Float32);
    FillBand(dataset, 1, 64, 32, [](int x, int) { return 600.0 - 15.0 * std::abs(x - 32); });
    GDALClose(dataset);
}

bool Grey(const std::array<int, 3>& c) {
    return c[0] == c[1] && c[1] == c[2];
}

class Styling : public Rhtool {
protected:
    void SetUp() override {
        Rhtool::SetUp();
        WriteRamp(dir_ / "ramp.tif");
    }
    // Draws the ramp with the options; the picture.
    Png DrawRamp(std::vector<std::string> options) {
        std::vector<std::string> args = {"draw", (dir_ / "ramp.tif").string(), "-o",
                                         (dir_ / "ramp.png").string()};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(Run(args), kExitOk) << err_;
        return ReadPng(dir_ / "ramp.png");
    }
    // The ridge drawn with the options: the summed brightness of its west and its east slope.
    std::pair<double, double> SlopeBrightness(const std::vector<std::string>& options) {
        std::vector<std::string> args = {"draw", (dir_ / "ridge.tif").string(), "-o",
                                         (dir_ / "ridge.png").string()};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(Run(args), kExitOk) << err_;
        const Png picture = ReadPng(dir_ / "ridge.png");
        double west = 0, east = 0;
        for (int y = 1; y < 31; ++y) {
            for (int x = 4; x < 28; ++x) west += picture.At(x, y)[0];
            for (int x = 37; x < 61; ++x) east += picture.At(x, y)[0];
        }
        return {west, east};
    }
    std::string Bytes(const fs::path& path) {
        return Tarn::Platform::ReadFileContents(path.string()).value_or("(missing)");
    }
};

// Flat colours through the grey table, linearly: column x shows value x.
const std::vector<std::string> kGreyRamp = {"--palette", "Greyscale", "--mapping", "linear",
                                            "--no-shade"};

std::vector<std::string> With(std::vector<std::string> more) {
    std::vector<std::string> all = kGreyRamp;
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

TEST_F(Styling, PaletteReverseRangeAndStretchChangeTheColours) {
    const Png plain = DrawRamp({"--mapping", "linear", "--no-shade"});
    EXPECT_FALSE(Grey(plain.At(40, 0)));

    const Png grey = DrawRamp(kGreyRamp);
    for (int x = 0; x < kRampWidth; ++x) EXPECT_TRUE(Grey(grey.At(x, 4))) << x;
    EXPECT_EQ(grey.At(0, 0)[0], 0);
    EXPECT_EQ(grey.At(kRampWidth - 1, 0)[0], 255);
    for (int x = 1; x < kRampWidth; ++x) EXPECT_LE(grey.At(x - 1, 0)[0], grey.At(x, 0)[0]) << x;

    const Png reversed = DrawRamp(With({"--reverse"}));
    EXPECT_EQ(reversed.At(0, 0)[0], 255);
    EXPECT_EQ(reversed.At(kRampWidth - 1, 0)[0], 0);

    // Values below the range's low end take the first colour, above its high end the last.
    for (const auto& clip : {std::vector<std::string>{"--range", "16,48"},
                             std::vector<std::string>{"--stretch", "25,75"}}) {
        SCOPED_TRACE(clip[0]);
        const Png clipped = DrawRamp(With(clip));
        for (int x = 0; x <= 15; ++x) EXPECT_EQ(clipped.At(x, 0)[0], 0) << x;
        for (int x = 48; x < kRampWidth; ++x) EXPECT_EQ(clipped.At(x, 0)[0], 255) << x;
        EXPECT_GT(clipped.At(32, 0)[0], 60);
        EXPECT_LT(clipped.At(32, 0)[0], 200);
    }
}

// A ramp runs from the palette's first to its last colour (blue to red without one), blended in
// the space it names, with its ends at the range's limits.
TEST_F(Styling, RampBlendsTheEndsInItsColourSpace) {
    using Colour = std::array<int, 3>;
    const Png rgb = DrawRamp({"--ramp", "rgb", "--mapping", "linear", "--no-shade"});
    const Png oklab = DrawRamp({"--ramp", "oklab", "--mapping", "linear", "--no-shade"});
    // Within a step of the colour table the ramp is sampled into.
    const auto expect_near = [](const Colour& got, const Colour& want) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], 5) << "channel " << c;
    };
    for (const Png* p : {&rgb, &oklab}) {
        expect_near(p->At(0, 0), {0, 0, 255});
        expect_near(p->At(kRampWidth - 1, 0), {255, 0, 0});
    }
    // Halfway, RGB darkens to purple; Oklab keeps the lightness between the ends.
    const Colour rgb_middle = rgb.At(32, 0), oklab_middle = oklab.At(32, 0);
    EXPECT_NEAR(rgb_middle[0], 130, 4);
    EXPECT_EQ(rgb_middle[1], 0);
    EXPECT_GT(oklab_middle[0] + oklab_middle[1] + oklab_middle[2],
              rgb_middle[0] + rgb_middle[1] + rgb_middle[2] + 60);

    // Black to white in Oklab: the middle is the perceptual mid-grey (lightness 0.5, sRGB 99),
    // not RGB's 128.
    const Png grey = DrawRamp(With({"--ramp", "oklab"}));
    expect_near(grey.At(0, 0), {0, 0, 0});
    expect_near(grey.At(kRampWidth - 1, 0), {255, 255, 255});
    EXPECT_TRUE(Grey(grey.At(32, 0)));
    EXPECT_NEAR(grey.At(32, 0)[0], 101, 6);

    const Png stretched = DrawRamp(With({"--ramp", "oklab", "--stretch", "25,75"}));
    for (int x = 0; x <= 15; ++x) EXPECT_LE(stretched.At(x, 0)[0], 5) << x;
    for (int x = 48; x < kRampWidth; ++x) EXPECT_GE(stretched.At(x, 0)[0], 250) << x;
    EXPECT_NEAR(stretched.At(32, 0)[0], 101, 12);

    EXPECT_EQ(Run({"draw", (dir_ / "ramp.tif").string(), "-o", (dir_ / "x.png").string(),
                   "--ramp", "lab"}),
              kExitUsage);
    EXPECT_NE(err_.find("expected rgb, hsl or oklab"), std::string::npos) << err_;
}

TEST_F(Styling, LightMovesTheLitSide) {
    WriteRidge(dir_ / "ridge.tif");
    const auto sides = [&](const std::string& light) {
        return SlopeBrightness({"--palette", "Greyscale", "--light", light});
    };
    const auto [west_lit_west, west_lit_east] = sides("270,45");
    EXPECT_GT(west_lit_west, 1.3 * west_lit_east);
    const auto [east_lit_west, east_lit_east] = sides("90,45");
    EXPECT_GT(east_lit_east, 1.3 * east_lit_west);
}

TEST_F(Styling, SeveralLightsMixTheirSides) {
    WriteRidge(dir_ / "ridge.tif");
    const std::string ridge = (dir_ / "ridge.tif").string(), out = (dir_ / "ridge.png").string();
    const auto sides = [&](std::vector<std::string> options) {
        // A highlight from straight above, which favours neither side.
        options.insert(options.begin(), {"--palette", "Greyscale", "--highlight", "0,90,50"});
        return SlopeBrightness(options);
    };
    // Alike from west and east: both slopes alike; three parts west to one east: the west lit.
    const auto [even_west, even_east] = sides({"--lights", "270,45,1;90,45,1"});
    EXPECT_NEAR(even_west, even_east, 0.01 * even_east);
    const auto [west, east] = sides({"--lights", "270,45,3;90,45,1"});
    EXPECT_GT(west, 1.15 * east);
    // One light of weight 1 is that light.
    EXPECT_EQ(sides({"--lights", "270,45,1"}), sides({"--light", "270,45"}));

    ASSERT_EQ(Run({"style", ridge, "--lights", "multi", "--light", "0,30"}), kExitOk) << err_;
    EXPECT_NE(out_.find("Light 4 (azimuth, elevation, weight)"), std::string::npos) << out_;
    EXPECT_NE(out_.find("360, 30, 1"), std::string::npos) << out_;

    for (const char* bad : {"1,2", "1,2,0", "1,2,3;", "1,2,3;1,2,3;1,2,3;1,2,3;1,2,3;1,2,3;1,2,3;"
                                                     "1,2,3;1,2,3"}) {
        EXPECT_EQ(Run({"draw", ridge, "-o", out, "--lights", bad}), kExitUsage) << bad;
        EXPECT_NE(err_.find("lights"), std::string::npos) << err_;
    }
}

TEST_F(Styling, OptionsLeaveTheDocumentBesideTheRasterUnlessSaved) {
    const fs::path document = dir_ / "ramp_tif.ghx";
    // No document yet: a styled draw does not make one.
    DrawRamp(kGreyRamp);
    EXPECT_FALSE(fs::exists(document));
    // The plug-in's default document, then a styled draw: byte for byte the same.
    const Png default_colours = DrawRamp({});
    const std::string before = Bytes(document);
    ASSERT_NE(before, "(missing)");
    DrawRamp(With({"--reverse", "--light", "10,20"}));
    EXPECT_EQ(Bytes(document), before);
    EXPECT_EQ(DrawRamp({}).rgb, default_colours.rgb);

    // --save-style makes the options the raster's own.
    const Png styled = DrawRamp(With({"--save-style"}));
    EXPECT_NE(Bytes(document), before);
    EXPECT_EQ(DrawRamp({}).rgb, styled.rgb);

    // --style draws another raster with that document.
    fs::copy_file(document, dir_ / "grey.ghx");
    WriteRamp(dir_ / "other.tif");
    ASSERT_EQ(Run({"draw", (dir_ / "other.tif").string(), "-o", (dir_ / "other.png").string(),
                   "--style", (dir_ / "grey.ghx").string()}),
              kExitOk)
        << err_;
    EXPECT_EQ(ReadPng(dir_ / "other.png").rgb, styled.rgb);
    EXPECT_FALSE(fs::exists(dir_ / "other_tif.ghx"));
}

TEST_F(Styling, PaletteFileAndIndexMapping) {
    // Four classes, 0 to 3 from west to east, through a table of four entries of their own.
    GDALDatasetH dataset = CreateTiff(dir_ / "classes.tif", 16, 4, 1, GDT_Byte);
    FillBand(dataset, 1, 16, 4, [](int x, int) { return x / 4; });
    GDALClose(dataset);
    std::ofstream(dir_ / "four.lut") << "SCALE BYTE\nLUT\n0 255 0 0\n1 0 255 0\n2 0 0 255\n"
                                     << "3 255 255 0\n";
    ASSERT_EQ(Run({"draw", (dir_ / "classes.tif").string(), "-o", (dir_ / "c.png").string(),
                   "--palette", (dir_ / "four.lut").string(), "--mapping", "index", "--no-shade"}),
              kExitOk)
        << err_;
    const Png picture = ReadPng(dir_ / "c.png");
    const std::array<int, 3> expected[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    for (int x = 0; x < 16; ++x) EXPECT_EQ(picture.At(x, 1), expected[x / 4]) << x;

    ASSERT_EQ(Run({"style", (dir_ / "classes.tif").string(), "--palette",
                   (dir_ / "four.lut").string(), "--mapping", "index"}),
              kExitOk);
    EXPECT_NE(out_.find("Mapping: index"), std::string::npos) << out_;
}

TEST_F(Styling, BandsPickTheChannels) {
    // Red 200 in band 1, blue 50 in band 3, drawn byte for byte.
    GDALDatasetH dataset = CreateTiff(dir_ / "rgb.tif", 8, 4, 3, GDT_Byte);
    for (int band = 1; band <= 3; ++band)
        FillBand(dataset, band, 8, 4, [band](int, int) {
            return band == 1 ? 200 : band == 3 ? 50 : 0;
        });
    GDALClose(dataset);
    const auto draw = [&](std::vector<std::string> options) {
        std::vector<std::string> args = {"draw",      (dir_ / "rgb.tif").string(),
                                         "-o",        (dir_ / "rgb.png").string(),
                                         "--mapping", "direct"};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(Run(args), kExitOk) << err_;
        return ReadPng(dir_ / "rgb.png").At(3, 2);
    };
    EXPECT_EQ(draw({}), (std::array<int, 3>{200, 0, 50}));
    EXPECT_EQ(draw({"--bands", "3,2,1"}), (std::array<int, 3>{50, 0, 200}));
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> options;
    const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class Refusals : public Styling, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, AreUsageErrorsThatLeaveNothingBehind) {
    const RefusalCase& c = GetParam();
    std::vector<std::string> args = {"draw", (dir_ / "ramp.tif").string(), "-o",
                                     (dir_ / "ramp.png").string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(Run(args), kExitUsage);
    EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(dir_ / "ramp.png"));
    EXPECT_FALSE(fs::exists(dir_ / "ramp_tif.ghx"));
}

INSTANTIATE_TEST_SUITE_P(
    Options, Refusals,
    ::testing::Values(
        RefusalCase{"ElevationAboveTheZenith", {"--light", "315,95"}, "elevation must lie"},
        RefusalCase{"UnknownMapping", {"--mapping", "cubic"}, "bad mapping cubic"},
        RefusalCase{"UnknownPalette", {"--palette", "NoSuch"}, "Pseudocolor.lut, Slope.leg"},
        RefusalCase{"PaletteFileMissing", {"--palette", "/no/such.lut"}, "no colour table file"},
        RefusalCase{"StretchTurnedRound", {"--stretch", "98,2"}, "0 <= P1 < P2 <= 100"},
        RefusalCase{"BandBeyondTheRaster", {"--band", "2"}, "not among the raster's 1 band"},
        RefusalCase{"StyleThatIsNoDocument", {"--style", "/etc/hostname"}, "not a render style"},
        RefusalCase{"OptionOfAnotherCommand", {"--json"}, "--json does not apply to draw"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Styling, ShadingOptionsDoNotApplyToRedGreenAndBlue) {
    GDALDatasetH dataset = CreateTiff(dir_ / "rgb.tif", 8, 4, 3, GDT_Byte);
    GDALClose(dataset);
    EXPECT_EQ(Run({"draw", (dir_ / "rgb.tif").string(), "-o", (dir_ / "rgb.png").string(),
                   "--light", "315,45"}),
              kExitUsage);
    EXPECT_NE(err_.find("--light does not apply to a raster drawn as red, green and blue"),
              std::string::npos)
        << err_;
}

// The legend's SVG, parsed: the fills of its bar or swatches from the top, and its labels.
struct Legend {
    std::vector<std::string> fills;
    std::vector<std::string> labels;
};

Legend ReadLegend(const fs::path& path) {
    Legend legend;
    Tarn::Xml::XmlDocument document;
    EXPECT_TRUE(document.Load(Tarn::System::Utf8ToWide(path.string())));
    EXPECT_NE(document.Root(), nullptr);
    if (document.Root() == nullptr) return legend;
    EXPECT_EQ(document.Root()->Name(), "svg");
    Tarn::Xml::XmlElement* group = document.Root()->Child("g");
    EXPECT_NE(group, nullptr);
    if (group == nullptr) return legend;
    for (const auto& child : group->Children()) {
        Tarn::Xml::XmlAttribute* kind = child->Attribute("class");
        if (kind == nullptr) continue;
        if (kind->Value() == "bar" || kind->Value() == "swatch")
            legend.fills.push_back(child->Attribute("fill")->Value());
        if (kind->Value() == "label") legend.labels.push_back(child->Text());
    }
    return legend;
}

TEST_F(Styling, LegendOfAContinuousMappingHasRoundLabels) {
    ASSERT_EQ(Run(std::vector<std::string>{"legend", (dir_ / "ramp.tif").string(), "-o",
                                           (dir_ / "legend.svg").string(), "--palette", "Greyscale",
                                           "--mapping", "linear"}),
              kExitOk)
        << err_;
    const Legend legend = ReadLegend(dir_ / "legend.svg");
    ASSERT_FALSE(legend.fills.empty());
    EXPECT_EQ(legend.fills.front(), "#ffffff");  // the high end at the top
    EXPECT_EQ(legend.fills.back(), "#000000");
    // Values 0 to 63: labels every 10.
    EXPECT_EQ(legend.labels, (std::vector<std::string>{"0", "10", "20", "30", "40", "50", "60"}));
}

TEST_F(Styling, LegendOfALegendTableShowsItsClasses) {
    ASSERT_EQ(Run({"legend", (dir_ / "ramp.tif").string(), "-o", (dir_ / "legend.svg").string(),
                   "--palette", "Slope"}),
              kExitOk)
        << err_;
    const Legend legend = ReadLegend(dir_ / "legend.svg");
    EXPECT_EQ(legend.labels,
              (std::vector<std::string>{"Flat", "Gentle", "Moderate", "Steep", "Very steep"}));
    ASSERT_EQ(legend.fills.size(), 5u);
    EXPECT_EQ(legend.fills[0], "#6dd56d");  // COLORREF 7198061
}

TEST_F(Styling, LegendRefusesRedGreenAndBlue) {
    GDALDatasetH dataset = CreateTiff(dir_ / "rgb.tif", 8, 4, 3, GDT_Byte);
    GDALClose(dataset);
    EXPECT_EQ(Run({"legend", (dir_ / "rgb.tif").string(), "-o", (dir_ / "legend.svg").string()}),
              kExitUsage);
    EXPECT_NE(err_.find("no colour bar"), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(dir_ / "legend.svg"));
}

TEST(RoundTicks, StepOneTwoOrFiveTimesAPowerOfTen) {
    using Tarn::Tools::RoundTicks;
    EXPECT_EQ(RoundTicks(0, 63, 6), (std::vector<double>{0, 10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(RoundTicks(2.0000014, 3102, 6),
              (std::vector<double>{500, 1000, 1500, 2000, 2500, 3000}));
    EXPECT_EQ(RoundTicks(-0.3, 0.25, 5), (std::vector<double>{-0.3, -0.2, -0.1, 0, 0.1, 0.2}));
    EXPECT_TRUE(RoundTicks(5, 5, 6).empty());
}

// The legend's colours come from rhtool's own set-up of the colouring; it must give each value
// the colour that the plug-in's picture gives it, for mappings that lean on the statistics.
TEST_F(Styling, LegendColoursAreThePicturesColours) {
    for (const std::vector<std::string>& style :
         {std::vector<std::string>{"--mapping", "equal-area", "--stretch", "10,90"},
          std::vector<std::string>{"--mapping", "histogram"},
          std::vector<std::string>{"--mapping", "linear", "--range", "5,50"}}) {
        SCOPED_TRACE(style[1]);
        std::vector<std::string> options = {"--palette", "Terrain", "--no-shade", "--save-style"};
        options.insert(options.end(), style.begin(), style.end());
        const Png picture = DrawRamp(options);

        auto facts = Tarn::Tools::OpenRasterFacts((dir_ / "ramp.tif").string());
        ASSERT_NE(facts, nullptr);
        const Tarn::Tools::PaletteFinder palettes(std::string(RH_BIN_DIR) + "/ColorPalettes",
                                                  nullptr);
        Tarn::Tools::BandColouring colouring;
        std::string error;
        ASSERT_TRUE(Tarn::Tools::ColourBandAsPlugin((dir_ / "ramp_tif.ghx").string(), facts.get(),
                                                    palettes, colouring, error))
            << error;
        for (int x = 0; x < kRampWidth; ++x) {
            const Tarn::Colour::PackedColour c = colouring.control.ValueToColour(x);
            EXPECT_EQ(picture.At(x, 3), (std::array<int, 3>{int(Tarn::Colour::PackedRed(c)),
                                                            int(Tarn::Colour::PackedGreen(c)),
                                                            int(Tarn::Colour::PackedBlue(c))}))
                << x;
        }
    }
}

}  // namespace
