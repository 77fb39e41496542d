// Writing the render style document: the exact layout of a new document, each style kind, a
// transform updated in place, switches turned off again, the user colour table's opacity and its
// interpolation, and a foreign document whose content survives.
#include <gtest/gtest.h>

#include <string>

#include "render_style_test_support.h"
#include "style/colour_serializer.h"

using Tarn::Colour::ColourInfo;
using Tarn::Colour::ColourSerializer;
using Tarn::Colour::RenderStyleSettings;
using xml_test::ReadBytes;

namespace {

namespace Colour = Tarn::Colour;

class RenderStyleWrite : public style_test::StyleDocumentTest {
protected:
    bool Contains(const std::string& text) const {
        return ReadBytes(path_).find(text) != std::string::npos;
    }
    size_t Count(const std::string& text) const {
        const std::string bytes = ReadBytes(path_);
        size_t count = 0;
        for (size_t at = bytes.find(text); at != std::string::npos; at = bytes.find(text, at + 1)) {
            ++count;
        }
        return count;
    }
};

TEST_F(RenderStyleWrite, NewDocumentHasTheFixedLayout) {
    RenderStyleSettings style;
    style.channel.name = "Transform1";
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(wide_, style).success);

    ColourInfo info;
    info.transform_selector = Colour::kSelectEqualArea;
    info.palette_name = u"pseudocolor.lut";
    info.null_colour_on = false;
    info.null_colour = 0xFFFFFFFFu;
    const auto result =
        ColourSerializer::SerializeColourInfo(wide_, "Transform1", info, false, true);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.error_code, 0);

    EXPECT_EQ(
        ReadBytes(path_),
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
        "<ghx>\r\n"
        "\t<RasterHandler>\r\n"
        "\t\t<Colour version=\"1\">\r\n"
        "\t\t\t<RenderStyle value=\"Pseudo\" Underviews=\"0\">\r\n"
        "\t\t\t\t<Pseudo field=\"0\" band=\"0\" name=\"Transform1\"/>\r\n"
        "\t\t\t</RenderStyle>\r\n"
        "\t\t\t<TransformsList>\r\n"
        "\t\t\t\t<Transform name=\"Transform1\" UserDefinedMapping=\"false\">\r\n"
        "\t\t\t\t\t<Description>\r\n"
        "\t\t\t\t\t\t<Datamapping>2</Datamapping>\r\n"
        "\t\t\t\t\t\t<PaletteName>pseudocolor.lut</PaletteName>\r\n"
        "\t\t\t\t\t\t<NullColour visible=\"false\" r=\"255\" g=\"255\" b=\"255\" a=\"255\"/>\r\n"
        "\t\t\t\t\t</Description>\r\n"
        "\t\t\t\t</Transform>\r\n"
        "\t\t\t</TransformsList>\r\n"
        "\t\t</Colour>\r\n"
        "\t</RasterHandler>\r\n"
        "</ghx>\r\n");
}

TEST_F(RenderStyleWrite, DefaultStyleFlagWritesAPseudoStyleNamingTheTransform) {
    ColourInfo info;
    ASSERT_TRUE(
        ColourSerializer::SerializeColourInfo(wide_, "Elevation", info, true, false).success);
    EXPECT_TRUE(Contains("\t\t\t\t<Pseudo field=\"0\" band=\"0\" name=\"Elevation\"/>\r\n"));
    EXPECT_FALSE(Contains("NullColour"));
    RenderStyleSettings read;
    ASSERT_TRUE(ColourSerializer::DeserializeRenderStyle(wide_, read).success);
    EXPECT_EQ(read.channel.name, "Elevation");
}

TEST_F(RenderStyleWrite, EachKindWritesItsValueAndChannelElements) {
    RenderStyleSettings palette;
    palette.kind = Colour::kRenderStylePalette;
    palette.underviews = 3;
    palette.channel = {.band = 2, .field = 1, .name = "T"};
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(wide_, palette).success);
    // Palette writes no Underviews.
    EXPECT_TRUE(
        Contains("\t\t\t<RenderStyle value=\"Palette\">\r\n"
                 "\t\t\t\t<Palette field=\"1\" band=\"2\" name=\"T\"/>\r\n"));

    RenderStyleSettings rgb;
    rgb.kind = Colour::kRenderStyleRgb;
    rgb.underviews = 2;
    rgb.green.field = 4;
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(wide_, rgb).success);
    EXPECT_TRUE(
        Contains("\t\t\t<RenderStyle value=\"RGB\" Underviews=\"2\">\r\n"
                 "\t\t\t\t<Palette field=\"1\" band=\"2\" name=\"T\"/>\r\n"
                 "\t\t\t\t<RGB>\r\n"
                 "\t\t\t\t\t<Red field=\"0\" band=\"0\" name=\"RedTransform\"/>\r\n"
                 "\t\t\t\t\t<Green field=\"4\" band=\"1\" name=\"GreenTransform\"/>\r\n"
                 "\t\t\t\t\t<Blue field=\"0\" band=\"2\" name=\"BlueTransform\"/>\r\n"
                 "\t\t\t\t</RGB>\r\n"));

    // GreyScale is written as GreyScale and read back so.
    RenderStyleSettings grey;
    grey.kind = Colour::kRenderStyleGreyScale;
    grey.underviews = 5;
    grey.channel.name = "G";
    grey.channel.band = 3;
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(wide_, grey).success);
    EXPECT_TRUE(Contains("<RenderStyle value=\"GreyScale\" Underviews=\"5\">"));
    EXPECT_TRUE(Contains("<GreyScale field=\"0\" band=\"3\" name=\"G\"/>"));
    RenderStyleSettings grey_read;
    ASSERT_TRUE(ColourSerializer::DeserializeRenderStyle(wide_, grey_read).success);
    EXPECT_EQ(grey_read.kind, Colour::kRenderStyleGreyScale);
    EXPECT_EQ(grey_read.channel.band, 3u);

    // Back to Palette: the Underviews the other kinds left must not outlive them.
    palette.underviews = 0;
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(wide_, palette).success);
    RenderStyleSettings read;
    ASSERT_TRUE(ColourSerializer::DeserializeRenderStyle(wide_, read).success);
    EXPECT_EQ(read.kind, Colour::kRenderStylePalette);
    EXPECT_EQ(read.underviews, 0);
    EXPECT_EQ(read.channel.band, 2u);
    EXPECT_EQ(read.channel.field, 1u);
    EXPECT_EQ(read.channel.name, "T");
    EXPECT_EQ(Count("<RenderStyle "), 1u);
}

TEST_F(RenderStyleWrite, SelectorsSurviveTheRoundTrip) {
    // 4 is stored as equal-area with HistogramType 1; writing 2 afterwards must undo that.
    for (const int selector : {4, 2, 3, 4, 0, 1}) {
        ColourInfo info;
        info.transform_selector = selector;
        ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "T", info, false, false).success);
        if (selector == 4) {
            EXPECT_TRUE(Contains("<Datamapping HistogramType=\"1\">2</Datamapping>"));
        }
        ColourInfo read;
        ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "T", read).success);
        EXPECT_EQ(read.transform_selector, selector);
    }
}

TEST_F(RenderStyleWrite, ExistingTransformIsUpdatedWhateverItsLetterCase) {
    ColourInfo first;
    first.palette_name = u"first.lut";
    ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "Other", first, false, false).success);
    ASSERT_TRUE(
        ColourSerializer::SerializeColourInfo(wide_, "Transform1", first, false, false).success);
    ColourInfo second;
    second.palette_name = u"second.lut";
    ASSERT_TRUE(
        ColourSerializer::SerializeColourInfo(wide_, "TRANSFORM1", second, false, false).success);

    EXPECT_EQ(Count("<Transform "), 2u);
    EXPECT_TRUE(Contains("<Transform name=\"Transform1\""));  // the stored name stays
    EXPECT_EQ(Count("second.lut"), 1u);
    ColourInfo read;
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "transform1", read).success);
    EXPECT_EQ(read.palette_name, u"second.lut");
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "other", read).success);
    EXPECT_EQ(read.palette_name, u"first.lut");
}

// Several lights live in an element of their own below the shading's, beside the one light that
// builds without them keep drawing; lights without a positive weight or with an angle that is no
// number are passed over, and a style without lights turns the element off.
TEST_F(RenderStyleWrite, LightsRoundTripBelowTheShading) {
    ColourInfo info;
    info.shading.hillshade_on = true;
    info.shading.position = 315;
    info.shading.inclination = 45;
    info.shading.lights = {{225, 40, 1}, {315, 45.5, 2.5}};
    ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "T", info, false, true).success);
    EXPECT_TRUE(Contains("\t\t\t\t\t\t\t<Shadow>0</Shadow>\r\n"
                         "\t\t\t\t\t\t\t<Lights enable=\"true\">\r\n"
                         "\t\t\t\t\t\t\t\t<Light Azimuth=\"225\" Elevation=\"40\" Weight=\"1\"/>\r\n"));
    EXPECT_TRUE(Contains("<Position>315</Position>"));
    ColourInfo read;
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "T", read).success);
    ASSERT_EQ(read.shading.lights.size(), 2u);
    EXPECT_EQ(read.shading.lights[1].azimuth, 315);
    EXPECT_EQ(read.shading.lights[1].elevation, 45.5);
    EXPECT_EQ(read.shading.lights[1].weight, 2.5);

    // Written by hand: the unusable ones dropped, at most eight kept.
    std::string text = ReadBytes(path_);
    std::string lights = "<Light Azimuth=\"1\" Elevation=\"2\" Weight=\"0\"/>"
                         "<Light Azimuth=\"x\" Elevation=\"2\" Weight=\"1\"/>";
    for (int i = 0; i < 10; ++i)
        lights += "<Light Azimuth=\"" + std::to_string(i) + "\" Elevation=\"5\" Weight=\"1\"/>";
    const size_t from = text.find("<Lights enable=\"true\">") + 23;
    text.replace(from, text.find("</Lights>") - from, lights);
    xml_test::WriteBytes(path_, text);
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "T", read).success);
    ASSERT_EQ(read.shading.lights.size(), 8u);
    EXPECT_EQ(read.shading.lights[0].azimuth, 0);
    EXPECT_EQ(read.shading.lights[7].azimuth, 7);

    info.shading.lights.clear();
    ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "T", info, false, true).success);
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "T", read).success);
    EXPECT_TRUE(read.shading.lights.empty());
    EXPECT_TRUE(Contains("<Lights enable=\"false\">"));
}

TEST_F(RenderStyleWrite, AllSettingsRoundTripAndSwitchesTurnOffAgain) {
    ColourInfo on;
    on.palette_name = u"caf\u00e9 & <co>.lut";
    on.range_limits_on = true;
    on.range_kind = 0;
    on.range_low = 12.5;
    on.range_high = 1e-17;
    on.null_colour_on = true;
    on.null_colour = Colour::PackColour(1, 2, 3, 200);
    on.reverse = true;
    on.clip_to_null = true;
    on.shading = {.hillshade_on = true,
                  .position = 315,
                  .inclination = 30.25,
                  .shadow = 40,
                  .saturation = 60,
                  .intensity = 70,
                  .highlights_on = true,
                  .highlight_position = 10,
                  .highlight_inclination = 20,
                  .highlight_intensity = 0.1,
                  .lights = {}};
    ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "T", on, false, true).success);
    EXPECT_TRUE(
        Contains("\t\t\t\t\t\t<Hillshade enable=\"true\">\r\n"
                 "\t\t\t\t\t\t\t<Position>315</Position>\r\n"
                 "\t\t\t\t\t\t\t<Inclination>30.25</Inclination>\r\n"
                 "\t\t\t\t\t\t\t<Intensity>70</Intensity>\r\n"
                 "\t\t\t\t\t\t\t<Saturation>60</Saturation>\r\n"
                 "\t\t\t\t\t\t\t<Shadow>40</Shadow>\r\n"
                 "\t\t\t\t\t\t\t<Highlights enable=\"true\">\r\n"));
    EXPECT_TRUE(Contains("<BP2>1e-17</BP2>"));
    EXPECT_TRUE(Contains("<NullColour visible=\"true\" r=\"1\" g=\"2\" b=\"3\" a=\"200\"/>"));

    ColourInfo read;
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "T", read).success);
    EXPECT_EQ(read.palette_name, on.palette_name);
    EXPECT_TRUE(read.range_limits_on);
    EXPECT_EQ(read.range_kind, 0);
    EXPECT_EQ(read.range_low, 12.5);
    EXPECT_EQ(read.range_high, 1e-17);
    EXPECT_TRUE(read.null_colour_on);
    EXPECT_EQ(read.null_colour, on.null_colour);
    EXPECT_TRUE(read.reverse);
    EXPECT_TRUE(read.clip_to_null);
    EXPECT_TRUE(read.shading.hillshade_on);
    EXPECT_EQ(read.shading.position, 315);
    EXPECT_EQ(read.shading.inclination, 30.25);
    EXPECT_EQ(read.shading.shadow, 40);
    EXPECT_EQ(read.shading.saturation, 60);
    EXPECT_EQ(read.shading.intensity, 70);
    EXPECT_TRUE(read.shading.highlights_on);
    EXPECT_EQ(read.shading.highlight_position, 10);
    EXPECT_EQ(read.shading.highlight_inclination, 20);
    EXPECT_EQ(read.shading.highlight_intensity, 0.1);

    // Switching everything off writes no new elements, but must not leave the old ones on.
    ColourInfo off;
    ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "T", off, false, false).success);
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "T", read).success);
    EXPECT_FALSE(read.range_limits_on);
    EXPECT_FALSE(read.reverse);
    EXPECT_FALSE(read.clip_to_null);
    EXPECT_FALSE(read.shading.hillshade_on);
    EXPECT_TRUE(read.null_colour_on);  // not written without the null colour flag

    // A fresh transform with the switches off has none of their elements.
    ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "Fresh", off, false, false).success);
    EXPECT_EQ(Count("<Reverse>"), 1u);
    EXPECT_EQ(Count("<ClipMinMaxColour>"), 1u);
    EXPECT_EQ(Count("<Hillshade "), 1u);
    EXPECT_EQ(Count("<Bandpass "), 1u);
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "Fresh", read).success);
    EXPECT_FALSE(read.reverse);
    EXPECT_FALSE(read.clip_to_null);
}

TEST_F(RenderStyleWrite, UserColourTableStoresOpacity) {
    ColourInfo info;
    info.user_mapping_on = true;
    info.user_mapping.interpolate = true;
    info.user_mapping.interpolation = Colour::kRampHsl;
    info.user_mapping.break_type = 2;
    info.user_mapping.entries = {{-0.5, Colour::PackColour(10, 20, 30, 0)},
                                 {1e300, Colour::PackColour(40, 50, 60, 255)},
                                 {7, Colour::PackColour(0, 0, 0, 55)}};
    ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "U", info, false, false).success);
    EXPECT_TRUE(
        Contains("\t\t\t\t\t<Reproduction>\r\n"
                 "\t\t\t\t\t\t<Interpolate enable=\"true\" RGB=\"false\"/>\r\n"
                 "\t\t\t\t\t\t<BreakType>2</BreakType>\r\n"
                 "\t\t\t\t\t\t<ColourTable>\r\n"
                 "\t\t\t\t\t\t\t<record value=\"-0.5\" r=\"10\" g=\"20\" b=\"30\" a=\"255\"/>\r\n"
                 "\t\t\t\t\t\t\t<record value=\"1e+300\" r=\"40\" g=\"50\" b=\"60\" a=\"0\"/>\r\n"
                 "\t\t\t\t\t\t\t<record value=\"7\" r=\"0\" g=\"0\" b=\"0\" a=\"200\"/>\r\n"
                 "\t\t\t\t\t\t</ColourTable>\r\n"));
    EXPECT_FALSE(Contains("Datamapping"));  // a user mapping replaces the data mapping

    ColourInfo read;
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "U", read).success);
    EXPECT_TRUE(read.user_mapping_on);
    EXPECT_TRUE(read.user_mapping.interpolate);
    EXPECT_EQ(read.user_mapping.interpolation, Colour::kRampHsl);
    EXPECT_EQ(read.user_mapping.break_type, 2);
    ASSERT_EQ(read.user_mapping.entries.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read.user_mapping.entries[i].value, info.user_mapping.entries[i].value);
        EXPECT_EQ(read.user_mapping.entries[i].colour, info.user_mapping.entries[i].colour);
    }

    // A shorter table replaces the records instead of adding to them.
    info.user_mapping.entries.resize(1);
    ASSERT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "U", info, false, false).success);
    EXPECT_EQ(Count("<record "), 1u);
}

// Oklab is named beside the RGB switch, which says RGB for builds that know only that switch.
// A switch turned off by such a build wins over the name it left behind.
TEST_F(RenderStyleWrite, OklabInterpolationRoundTripsBesideTheRgbSwitch) {
    ColourInfo info;
    info.user_mapping_on = true;
    info.user_mapping.interpolate = true;
    info.user_mapping.interpolation = Colour::kRampOklab;
    info.user_mapping.entries = {{0, Colour::PackColour(0, 0, 255, 0)},
                                 {1, Colour::PackColour(255, 0, 0, 0)}};
    const auto write_and_read = [&](int interpolation) {
        info.user_mapping.interpolation = interpolation;
        EXPECT_TRUE(ColourSerializer::SerializeColourInfo(wide_, "U", info, false, false).success);
        ColourInfo read;
        EXPECT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "U", read).success);
        return read.user_mapping.interpolation;
    };
    EXPECT_EQ(write_and_read(Colour::kRampOklab), Colour::kRampOklab);
    EXPECT_TRUE(Contains("<Interpolate enable=\"true\" RGB=\"true\" ColourSpace=\"OKLAB\"/>"));
    // Written over, the name follows: a stale OKLAB would read back.
    EXPECT_EQ(write_and_read(Colour::kRampHsl), Colour::kRampHsl);
    EXPECT_TRUE(Contains("<Interpolate enable=\"true\" RGB=\"false\" ColourSpace=\"HSL\"/>"));
    EXPECT_EQ(write_and_read(Colour::kRampRgb), Colour::kRampRgb);
    EXPECT_EQ(write_and_read(Colour::kRampOklab), Colour::kRampOklab);

    // An older build switched RGB off and left the name alone.
    std::string text = ReadBytes(path_);
    text.replace(text.find("RGB=\"true\""), 10, "RGB=\"false\"");
    xml_test::WriteBytes(path_, text);
    ColourInfo read;
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "U", read).success);
    EXPECT_EQ(read.user_mapping.interpolation, Colour::kRampHsl);
}

TEST_F(RenderStyleWrite, ForeignDocumentKeepsItsContentUnderARenamedRoot) {
    // Everything here but the comments outside the root belongs to another program.
    WriteDocument(
        "<!--before the root-->\r\n"
        "<Document owner=\"a &amp; b\">\r\n"
        "  <!-- their note -->\r\n"
        "  Loose text\r\n"
        "  <Settings><![CDATA[x < y]]><Item key=\"k\">v</Item></Settings>\r\n"
        "  <RasterHandler extra=\"1\"><Other/><Colour version=\"1\" Theirs=\"yes\">"
        "<TransformsList><Transform name=\"Keep\" UserDefinedMapping=\"false\">"
        "<Description><Datamapping>1</Datamapping><Custom>c</Custom></Description>"
        "</Transform></TransformsList></Colour></RasterHandler>\r\n"
        "</Document>\r\n"
        "<!--after the root-->\r\n");
    RenderStyleSettings style;
    style.channel.name = "New";
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(wide_, style).success);

    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
        "<ghx owner=\"a &amp; b\">\r\n"
        "\t<!-- their note -->\r\n"
        // Inline text drops a mixed text's indentation and line end.
        "Loose text\t<Settings>\r\n"
        "\t\t<![CDATA[x < y]]>\r\n"
        "\t\t<Item key=\"k\">v</Item>\r\n"
        "\t</Settings>\r\n"
        "\t<RasterHandler extra=\"1\">\r\n"
        "\t\t<Other/>\r\n"
        "\t\t<Colour version=\"1\" Theirs=\"yes\">\r\n"
        "\t\t\t<TransformsList>\r\n"
        "\t\t\t\t<Transform name=\"Keep\" UserDefinedMapping=\"false\">\r\n"
        "\t\t\t\t\t<Description>\r\n"
        "\t\t\t\t\t\t<Datamapping>1</Datamapping>\r\n"
        "\t\t\t\t\t\t<Custom>c</Custom>\r\n"
        "\t\t\t\t\t</Description>\r\n"
        "\t\t\t\t</Transform>\r\n"
        "\t\t\t</TransformsList>\r\n"
        "\t\t\t<RenderStyle value=\"Pseudo\" Underviews=\"0\">\r\n"
        "\t\t\t\t<Pseudo field=\"0\" band=\"0\" name=\"New\"/>\r\n"
        "\t\t\t</RenderStyle>\r\n"
        "\t\t</Colour>\r\n"
        "\t</RasterHandler>\r\n"
        "</ghx>\r\n";
    EXPECT_EQ(ReadBytes(path_), expected);

    // What was written reads back as the same content: a second write changes nothing.
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(wide_, style).success);
    EXPECT_EQ(ReadBytes(path_), expected);
}

}  // namespace
