// Reading the render style document as other programs write it: style kinds and channels, the
// codes for missing elements and versions, transform lookup, what a read resets and what it
// leaves, and a user colour table that breaks off.
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

// The path down to Colour, around `inner`.
std::string InColour(const std::string& inner, const std::string& version = " version=\"1\"") {
    return "<ghx><RasterHandler><Colour" + version + ">" + inner +
           "</Colour></RasterHandler></ghx>";
}

std::string OneTransform(const std::string& description, const std::string& extra = "") {
    return InColour(
        "<TransformsList><Transform name=\"T\" UserDefinedMapping=\"false\">"
        "<Description>" +
        description + "</Description>" + extra + "</Transform></TransformsList>");
}

class RenderStyleRead : public style_test::StyleDocumentTest {};

TEST_F(RenderStyleRead, ValueChoosesTheKindAndItsChannelElement) {
    struct Case {
        const char* value_attribute;
        uint8_t kind;
        const char* channel;
    };
    const Case cases[] = {
        {" value=\"greyscale\"", Colour::kRenderStyleGreyScale, "GreyScale"},
        {" value=\"PALETTE\"", Colour::kRenderStylePalette, "Palette"},
        {" value=\"Pseudo\"", Colour::kRenderStylePseudo, "Pseudo"},
        {" value=\"Shaded\"", Colour::kRenderStylePseudo, "Pseudo"},
        {"", Colour::kRenderStylePseudo, "Pseudo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value_attribute);
        WriteDocument(InColour(std::string("<RenderStyle") + c.value_attribute +
                               " Underviews=\"4\"><" + c.channel +
                               " field=\"2\" band=\"3\" name=\"Grey\" startevent=\"-5\" "
                               "endevent=\"9000000000\"/></RenderStyle>"));
        RenderStyleSettings read;
        ASSERT_TRUE(ColourSerializer::DeserializeRenderStyle(wide_, read).success);
        EXPECT_EQ(read.kind, c.kind);
        EXPECT_EQ(read.underviews, 4);
        EXPECT_EQ(read.channel.field, 2u);
        EXPECT_EQ(read.channel.band, 3u);
        EXPECT_EQ(read.channel.name, "Grey");
        EXPECT_EQ(read.channel.start_event, -5);
        EXPECT_EQ(read.channel.end_event, 9000000000);
    }

    // Without its channel element a style keeps the caller's channel; Underviews likewise.
    WriteDocument(InColour("<RenderStyle value=\"GreyScale\"><Pseudo band=\"7\"/></RenderStyle>"));
    RenderStyleSettings read;
    read.underviews = 6;
    read.channel.band = 1;
    read.channel.name = "Mine";
    ASSERT_TRUE(ColourSerializer::DeserializeRenderStyle(wide_, read).success);
    EXPECT_EQ(read.kind, Colour::kRenderStyleGreyScale);
    EXPECT_EQ(read.underviews, 6);
    EXPECT_EQ(read.channel.band, 1u);
    EXPECT_EQ(read.channel.name, "Mine");
}

TEST_F(RenderStyleRead, RgbStyleReadsItsNullColourAndThreeChannels) {
    WriteDocument(InColour(
        "<RenderStyle value=\"rgb\"><RGB><NullColour visible=\"TRUE\" r=\"1\" g=\"2\" b=\"3\" "
        "a=\"4\"/><Red field=\"1\" band=\"5\" name=\"R\"/><Green band=\"6\" "
        "startevent=\"10\"/></RGB></RenderStyle>"));
    RenderStyleSettings read;
    ASSERT_TRUE(ColourSerializer::DeserializeRenderStyle(wide_, read).success);
    EXPECT_EQ(read.kind, Colour::kRenderStyleRgb);
    EXPECT_TRUE(read.rgb_null_colour_on);
    EXPECT_EQ(read.rgb_null_colour, Colour::PackColour(1, 2, 3, 4));
    EXPECT_EQ(read.red.field, 1u);
    EXPECT_EQ(read.red.band, 5u);
    EXPECT_EQ(read.red.name, "R");
    // Green's missing name reads empty; missing Blue keeps its defaults.
    EXPECT_EQ(read.green.band, 6u);
    EXPECT_EQ(read.green.name, "");
    EXPECT_EQ(read.green.start_event, 10);
    EXPECT_EQ(read.blue.band, 2u);
    EXPECT_EQ(read.blue.name, "BlueTransform");
}

TEST_F(RenderStyleRead, MissingElementsAndVersionsGiveTheirCodes) {
    const std::string transform =
        "<TransformsList><Transform name=\"T\"><Description/></Transform></TransformsList>";
    const std::string style = "<RenderStyle value=\"Pseudo\"/>";
    struct Case {
        const char* what;
        std::string document;
        int style_code;  // 0: success
        int info_code;
    };
    const Case cases[] = {
        {"no RasterHandler", "<ghx><Colour version=\"1\"/></ghx>", 20552, 20551},
        {"no Colour", "<ghx><RasterHandler/></ghx>", 20552, 20551},
        {"no version", InColour(style + transform, ""), 20111, 0},
        {"version 2", InColour(style + transform, " version=\"2\""), 20111, 20111},
        {"no RenderStyle", InColour(transform), 20552, 0},
        {"RGB without RGB", InColour("<RenderStyle value=\"RGB\"/>"), 20552, 20552},
        {"no TransformsList", InColour(style), 0, 20552},
        {"empty TransformsList", InColour(style + "<TransformsList><Other/></TransformsList>"), 0,
         20552},
        {"no Description",
         InColour(style + "<TransformsList><Transform name=\"T\"/></TransformsList>"), 0, 20552},
        {"no end tag", "<ghx><RasterHandler>", 20552, 20551},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteDocument(c.document);
        const std::string before = ReadBytes(path_);
        RenderStyleSettings settings;
        const auto style_result = ColourSerializer::DeserializeRenderStyle(wide_, settings);
        EXPECT_EQ(style_result.success, c.style_code == 0);
        EXPECT_EQ(style_result.error_code, c.style_code);
        ColourInfo info;
        const auto info_result = ColourSerializer::DeserializeColourInfo(wide_, "T", info);
        EXPECT_EQ(info_result.success, c.info_code == 0);
        EXPECT_EQ(info_result.error_code, c.info_code);
        EXPECT_EQ(ReadBytes(path_), before);  // reading never saves
    }
}

TEST_F(RenderStyleRead, TransformIsFoundByNameIgnoringCaseElseTheFirst) {
    WriteDocument(InColour(
        "<TransformsList><Note/><Transform name=\"First\"><Description>"
        "<PaletteName>first.lut</PaletteName></Description></Transform>"
        "<Transform name=\"Sea &amp; Land\"><Description><PaletteName>sea.lut</PaletteName>"
        "</Description></Transform></TransformsList>"));
    const struct {
        const char* name;
        const char16_t* palette;
    } cases[] = {{"SEA & land", u"sea.lut"}, {"Missing", u"first.lut"}, {"", u"first.lut"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ColourInfo read;
        ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, c.name, read).success);
        EXPECT_EQ(read.palette_name, c.palette);
    }
}

TEST_F(RenderStyleRead, ReadResetsItsDefaultsAndTakesWhatTheDocumentGives) {
    WriteDocument(OneTransform(
        "<Datamapping DirectMax=\"16\">3</Datamapping>"
        "<Bandpass enable=\"false\"><BPType>2</BPType><BP1>0.3</BP1></Bandpass>"
        "<TransparentColour visible=\"true\" r=\"9\" g=\"8\" b=\"7\" a=\"300\"/>"
        "<Reverse>yes</Reverse><ClipMinMaxColour> TRUE </ClipMinMaxColour>"
        "<Hillshade enable=\"false\"><Position>45</Position>"
        "<Highlights enable=\"true\"><Intensity>0.5</Intensity></Highlights></Hillshade>"));
    ColourInfo read;
    read.range_limits_on = true;
    read.range_kind = 2;
    read.range_low = 0.2;
    read.reverse = true;
    read.palette_name = u"kept.lut";
    read.null_colour_on = true;  // no NullColour: kept
    read.shading.hillshade_on = true;
    read.shading.inclination = 99;
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "T", read).success);
    EXPECT_EQ(read.transform_selector, Colour::kSelectDirect);
    EXPECT_EQ(read.direct_maximum, 16);
    EXPECT_FALSE(read.range_limits_on);  // Bandpass disabled: its values are not read
    EXPECT_EQ(read.range_kind, 1);
    EXPECT_EQ(read.range_low, 0.05);
    EXPECT_EQ(read.range_high, 0.95);
    EXPECT_EQ(read.palette_name, u"kept.lut");
    EXPECT_TRUE(read.null_colour_on);
    EXPECT_TRUE(read.transparent_colour_on);
    EXPECT_EQ(read.transparent_colour, Colour::PackColour(9, 8, 7, 255));
    EXPECT_FALSE(read.reverse);      // only "true" is true
    EXPECT_TRUE(read.clip_to_null);  // the parser trims texts
    // A disabled Hillshade still gives its values; missing children read 0.
    EXPECT_FALSE(read.shading.hillshade_on);
    EXPECT_EQ(read.shading.position, 45);
    EXPECT_EQ(read.shading.inclination, 0);
    EXPECT_TRUE(read.shading.highlights_on);
    EXPECT_EQ(read.shading.highlight_intensity, 0.5);
}

TEST_F(RenderStyleRead, UserColourTableEndsAtARecordThatIsNoNumber) {
    WriteDocument(OneTransform("<Datamapping>1</Datamapping>",
                               "<Reproduction><Interpolate enable=\"true\" RGB=\"true\"/>"
                               "<BreakType>1</BreakType><ColourTable>"
                               "<record value=\"1.5\" r=\"255\" g=\"0\" b=\"0\" a=\"255\"/>"
                               "<entry value=\"2\" r=\"0\" g=\"255\" b=\"0\" a=\"0\"/>"
                               "<record value=\"high\" r=\"0\" g=\"0\" b=\"255\" a=\"255\"/>"
                               "<record value=\"4\" r=\"1\" g=\"1\" b=\"1\" a=\"255\"/>"
                               "</ColourTable></Reproduction>"));
    // The document says no user mapping: the table is not read at all.
    ColourInfo read;
    ASSERT_TRUE(ColourSerializer::DeserializeColourInfo(wide_, "T", read).success);
    EXPECT_FALSE(read.user_mapping_on);
    EXPECT_EQ(read.transform_selector, Colour::kSelectLog);

    std::string text = ReadBytes(path_);
    text.replace(text.find("\"false\""), 7, "\"TRUE\"");
    xml_test::WriteBytes(path_, text);
    read.user_mapping.entries = {{9, 0}};  // replaced, not added to
    const auto result = ColourSerializer::DeserializeColourInfo(wide_, "T", read);
    EXPECT_TRUE(result.success);
    EXPECT_TRUE(read.user_mapping_on);
    EXPECT_TRUE(read.user_mapping.interpolate);
    EXPECT_EQ(read.user_mapping.interpolation, Colour::kRampRgb);
    EXPECT_EQ(read.user_mapping.break_type, 1);
    ASSERT_EQ(read.user_mapping.entries.size(), 2u);
    EXPECT_EQ(read.user_mapping.entries[0].value, 1.5);
    EXPECT_EQ(read.user_mapping.entries[0].colour, Colour::PackColour(255, 0, 0, 0));
    EXPECT_EQ(read.user_mapping.entries[1].value, 2);
    EXPECT_EQ(read.user_mapping.entries[1].colour, Colour::PackColour(0, 255, 0, 255));
}

TEST_F(RenderStyleRead, UserColourTableRejectsNonFiniteValuesAndToleratesMissingParts) {
    const struct {
        const char* what;
        const char* reproduction;
        size_t entries;
    } cases[] = {
        {"no Reproduction", "", 0},
        {"no ColourTable", "<Reproduction><BreakType>2</BreakType></Reproduction>", 0},
        {"nan", "<Reproduction><ColourTable><r value=\"nan\"/></ColourTable></Reproduction>", 0},
        {"overflow",
         "<Reproduction><ColourTable><r value=\"0\"/><r value=\"1e999\"/></ColourTable>"
         "</Reproduction>",
         1},
        {"no value", "<Reproduction><ColourTable><r/></ColourTable></Reproduction>", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteDocument(InColour(
            "<TransformsList><Transform name=\"T\" UserDefinedMapping=\"true\"><Description/>" +
            std::string(c.reproduction) + "</Transform></TransformsList>"));
        ColourInfo read;
        const auto result = ColourSerializer::DeserializeColourInfo(wide_, "T", read);
        EXPECT_TRUE(result.success);
        EXPECT_TRUE(read.user_mapping_on);
        EXPECT_EQ(read.user_mapping.entries.size(), c.entries);
    }
}

TEST_F(RenderStyleRead, NeedsInitialisationUnlessTheWholePathExists) {
    const struct {
        const char* what;
        std::string document;
        bool needs;
    } cases[] = {
        {"complete", InColour("<TransformsList/>", ""), false},
        {"any root name",
         "<Other><RasterHandler><Colour><TransformsList/></Colour></RasterHandler></Other>", false},
        {"no TransformsList", InColour("<RenderStyle/>"), true},
        {"TransformsList elsewhere", "<ghx><RasterHandler><TransformsList/></RasterHandler></ghx>",
         true},
        {"unparsable", "<ghx>", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteDocument(c.document);
        EXPECT_EQ(ColourSerializer::NeedsInitialisation(wide_), c.needs);
    }
    std::filesystem::remove(path_);
    EXPECT_TRUE(ColourSerializer::NeedsInitialisation(wide_));
}

TEST(ColourElement, RenamesTheRootAndCreatesOnlyWhenAsked) {
    Tarn::Xml::XmlDocument document;
    ASSERT_TRUE(document.Load("<?xml?><Style><RasterHandler/></Style>", Tarn::Xml::kXmlSourceText));
    Colour::SerializerResult result;
    EXPECT_EQ(ColourSerializer::ColourElement(document, false, &result), nullptr);
    EXPECT_EQ(result.error_code, 20551);
    EXPECT_EQ(document.Root()->Name(), "ghx");

    Tarn::Xml::XmlElement* colour = ColourSerializer::ColourElement(document, true, &result);
    ASSERT_NE(colour, nullptr);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(colour->Attribute("version")->Value(), "1");
    EXPECT_EQ(document.Root()->Children().size(), 1u);

    colour->Attribute("version")->SetValue("3", false);
    EXPECT_EQ(ColourSerializer::ColourElement(document, false, &result), nullptr);
    EXPECT_EQ(result.error_code, 20111);
}

}  // namespace
