// The colour table readers: LUT (with data values and categories), TBL, CLR, LEG and VCP files,
// the choice of reader by extension, and the error codes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "colour/colour_table_file.h"
#include "colour_table_test_support.h"
#include "tests/support/param_names.h"

using namespace Tarn::Colour;
using Tarn::Test::Fixture;
using Tarn::Test::Rgb;

namespace {

std::vector<PackedColour> Colours(const CColourControl& c) {
    std::vector<PackedColour> colours;
    for (const ColourTableEntry& e : c.Table()) colours.push_back(e.colour);
    return colours;
}

// A control with settings that a read must replace, or keep.
CColourControl Prepared() {
    CColourControl c;
    c.BuildRamp(0, 0, 3, kRampRgb);
    c.SetNullColour(Rgb(1, 2, 3));
    c.SetIndexMapping();
    c.SetReverse(true);
    return c;
}

void ExpectOk(const ColourResult& r) {
    EXPECT_TRUE(r.success);
    EXPECT_EQ(r.error_code, 0);
}

void ExpectFailure(const ColourResult& r, int code) {
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.error_code, code);
}

TEST(LutFile, OneStopFillsTheTableUpToItsIndexAndTheWordScaleIsTheDefault) {
    CColourControl c = Prepared();
    const std::u16string path = Fixture("lut_single_stop.lut");
    ExpectOk(ReadLutFile(c, path));
    EXPECT_EQ(Colours(c), std::vector<PackedColour>(256, Rgb(255, 0, 0)));
    EXPECT_EQ(c.Table()[7].second_colour, Rgb(255, 0, 0));
    EXPECT_EQ(c.Table()[7].third_colour, Rgb(255, 0, 0));
    EXPECT_EQ(c.TableKind(), kTableLut);
    EXPECT_EQ(c.TableName(), u"lut_single_stop");
    EXPECT_EQ(c.TableFile(), path);
    EXPECT_EQ(c.LegendFlags(), (std::array<uint8_t, 5>{1, 0, 0, 0, 0}));
    EXPECT_FALSE(c.NullColourSet());
    EXPECT_EQ(c.NullColour(), 0xFFFFFFFFu);
    // Without data values the mapping stays as it was.
    EXPECT_EQ(c.MappingKind(), kMappingIndex);
    EXPECT_FALSE(c.MappingFromTableFile());
    EXPECT_TRUE(c.Reverse());
}

TEST(LutFile, StopsAreJoinedInRgbOrHsl) {
    CColourControl c;
    ExpectOk(ReadLutFile(c, Fixture("lut_black_white.lut")));
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.Table()[0].colour, Rgb(0, 0, 0));
    EXPECT_EQ(c.Table()[128].colour, Rgb(128, 128, 128));
    EXPECT_EQ(c.Table()[255].colour, Rgb(255, 255, 255));

    // Red to blue through HSL passes green, where RGB would pass purple.
    ExpectOk(ReadLutFile(c, Fixture("lut_hsl.lut")));
    EXPECT_EQ(Colours(c),
              (std::vector<PackedColour>{Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)}));
}

TEST(LutFile, DataValuesAfterTheColourBecomeTheMappingAndLabels) {
    CColourControl c = Prepared();
    ExpectOk(ReadLutFile(c, Fixture("lut_data_values.lut")));
    ASSERT_EQ(c.Table().size(), 256u);
    // A stop's label goes on the first entry it added and carries on to the next stop's.
    EXPECT_EQ(c.Table()[0].label, "100");
    EXPECT_EQ(c.Table()[1].label, "200");
    EXPECT_EQ(c.Table()[128].label, "200");
    EXPECT_EQ(c.Table()[129].label, "300");
    EXPECT_EQ(c.Table()[255].label, "300");

    EXPECT_EQ(c.MappingKind(), kMappingUser);
    EXPECT_TRUE(c.MappingFromTableFile());
    EXPECT_EQ(c.Transform().Kind(), kTransformInterpolatingTable);
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{100, 200, 300}));
    EXPECT_EQ(c.Transform().TableValues(), (std::vector<double>{0, 128.0 / 255, 1}));
    c.SetReverse(false);
    EXPECT_EQ(c.ValueToIndex(50), 0);
    EXPECT_EQ(c.ValueToColour(200), Rgb(0, 255, 0));
    EXPECT_EQ(c.ValueToIndex(300), 255);
}

TEST(LutFile, DataValuesBeforeTheIndex) {
    CColourControl c;
    ExpectOk(ReadLutFile(c, Fixture("lut_precolour.lut")));
    ASSERT_EQ(c.Table().size(), 11u);
    EXPECT_EQ(c.Table()[0].colour, Rgb(0, 0, 0));
    EXPECT_EQ(c.Table()[10].colour, Rgb(0, 0, 255));
    EXPECT_EQ(c.Table()[0].label, "-5");
    EXPECT_EQ(c.Table()[1].label, "5");
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{-5, 5}));
    EXPECT_EQ(c.Transform().TableValues(), (std::vector<double>{0, 1}));
    EXPECT_EQ(c.ValueToIndex(0), 5);
}

TEST(LutFile, CategoryTextsBecomeTextKeys) {
    CColourControl c;
    ExpectOk(ReadLutFile(c, Fixture("lut_categories.lut")));
    ASSERT_EQ(c.Table().size(), 3u);
    EXPECT_EQ(c.Table()[0].label, "Water");
    EXPECT_EQ(c.Table()[1].label, "Forest");
    EXPECT_EQ(c.Table()[2].label, "Urban area");
    EXPECT_EQ(c.MappingKind(), kMappingTextCategories);
    EXPECT_TRUE(c.MappingFromTableFile());
    double position = -1;
    EXPECT_TRUE(c.Transform().TextKeys().Get("FOREST", position));
    EXPECT_EQ(position, 0.5);
    EXPECT_TRUE(c.Transform().TextKeys().Get("URBAN AREA", position));
    EXPECT_EQ(position, 1.0);
}

TEST(LutFile, MalformedAndOutOfBoundStopsAreSkipped) {
    // The stops at 2,000,000,000 and 65,536 would otherwise claim gigabytes.
    CColourControl c;
    ExpectOk(ReadLutFile(c, Fixture("lut_malformed.lut")));
    EXPECT_EQ(Colours(c), (std::vector<PackedColour>{Rgb(0, 0, 255), Rgb(0, 255, 0)}));
}

TEST(LutFile, WithoutALutFieldNoStopsAreRead) {
    CColourControl c = Prepared();
    ExpectOk(ReadLutFile(c, Fixture("lut_without_lut_line.lut")));
    EXPECT_TRUE(c.Table().empty());
    EXPECT_EQ(c.TableKind(), kTableLut);
}

TEST(TblFile, InkAndRgbLines) {
    CColourControl c;
    ExpectOk(ReadLutFile(c, Fixture("cmyk.tbl")));
    EXPECT_EQ(Colours(c),
              (std::vector<PackedColour>{Rgb(0, 0, 0),        // black 255
                                         Rgb(0, 255, 255),    // cyan
                                         Rgb(255, 255, 255),  // no ink
                                         Rgb(0, 127, 127),    // 128 + 255 * 127 / 255 = 255 for red
                                         Rgb(0, 0, 0),        // out of range values clamp
                                         Rgb(0, 255, 255),    // cyan, magenta, yellow
                                         Rgb(255, 0, 0)}));   // after the "red" heading
    EXPECT_EQ(c.TableKind(), kTableLut);
    EXPECT_EQ(c.MappingKind(), kMappingNone);
}

TEST(ClrFile, ColorMapStopsSpreadOverTheTable) {
    CColourControl c;
    ExpectOk(ReadLutFile(c, Fixture("colormap_ends.clr")));
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.Table()[0].colour, Rgb(255, 0, 0));
    EXPECT_EQ(c.Table()[255].colour, Rgb(0, 0, 255));
    // Interpolated in HSL: halfway from red to blue is green.
    EXPECT_EQ(PackedGreen(c.Table()[128].colour), 255);
    EXPECT_EQ(PackedRed(c.Table()[128].colour), 0);

    // Stops at 20 and 80 get end stops at 0 and 100 with their colours.
    ExpectOk(ReadLutFile(c, Fixture("colormap_inner.clr")));
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.Table()[0].colour, Rgb(255, 0, 0));
    EXPECT_EQ(c.Table()[51].colour, Rgb(255, 0, 0));  // floor(20 * 255 / 100)
    EXPECT_NE(c.Table()[52].colour, Rgb(255, 0, 0));
    EXPECT_EQ(c.Table()[204].colour, Rgb(0, 0, 255));  // floor(80 * 255 / 100)
    EXPECT_EQ(c.Table()[255].colour, Rgb(0, 0, 255));

    // Without "ColorMap" every line of four numbers is one entry.
    ExpectOk(ReadLutFile(c, Fixture("plain.clr")));
    EXPECT_EQ(Colours(c), (std::vector<PackedColour>{Rgb(255, 0, 0), Rgb(0, 0, 255)}));
}

struct LegCase {
    const char* file;
    int mapping_kind;
    int entry_at_shared_bound;
};

void PrintTo(const LegCase& c, std::ostream* os) {
    *os << c.file;
}

class LegRanges : public ::testing::TestWithParam<LegCase> {};

TEST_P(LegRanges, EntriesLabelsAndTheRangeMapping) {
    const LegCase& k = GetParam();
    CColourControl c = Prepared();
    c.SetRangeLimits(true, kRangeAbsolute, 1, 2);
    ExpectOk(ReadLegFile(c, Fixture(k.file)));
    ASSERT_EQ(c.Table().size(), 2u);
    const ColourTableEntry& first = c.Table()[0];
    EXPECT_EQ(first.label, "0 to 10");
    EXPECT_EQ(first.colour, Rgb(255, 0, 0));
    EXPECT_EQ(first.second_colour, Rgb(0, 255, 0));
    EXPECT_EQ(first.third_colour, Rgb(0, 0, 255));
    EXPECT_EQ(first.first_legend_value, 1);
    EXPECT_EQ(first.second_legend_value, 2);
    EXPECT_EQ(first.third_legend_value, 0.5f);
    EXPECT_EQ(first.fourth_legend_value, 3);
    const ColourTableEntry& second = c.Table()[1];
    EXPECT_EQ(second.label, "10 to 20");
    EXPECT_EQ(second.third_colour, Rgb(0, 0, 255));  // not given: the colour

    EXPECT_TRUE(c.NullColourSet());
    EXPECT_EQ(c.NullColour(), Rgb(0, 255, 0));
    EXPECT_EQ(c.TableKind(), kTableLeg);
    EXPECT_EQ(c.TableName(), std::u16string(k.file, k.file + std::strlen(k.file) - 4));
    EXPECT_EQ(c.LegendFlags(), (std::array<uint8_t, 5>{0, 1, 1, 1, 1}));
    EXPECT_EQ(c.MappingKind(), k.mapping_kind);
    EXPECT_TRUE(c.MappingFromTableFile());
    EXPECT_FALSE(c.RangeLimitsOn());
    EXPECT_EQ(c.RangeLow(), 0.05);
    EXPECT_EQ(c.RangeHigh(), 0.95);
    EXPECT_FALSE(c.Reverse());

    EXPECT_EQ(c.ValueToIndex(5), 0);
    EXPECT_EQ(c.ValueToIndex(10), k.entry_at_shared_bound);
    EXPECT_EQ(c.ValueToIndex(15), 1);
    EXPECT_EQ(c.ValueToColour(25), Rgb(0, 255, 0));  // outside every range: the null colour
}

INSTANTIATE_TEST_SUITE_P(
    HalfOpenAndClosed, LegRanges,
    ::testing::Values(LegCase{"ranges_continuous.leg", kMappingHalfOpenRanges, 1},
                      LegCase{"ranges_discrete.leg", kMappingClosedRanges, 0}),
                         Tarn::Test::PrintedName());

TEST(LegFile, TextCategories) {
    CColourControl c;
    ExpectOk(ReadLegFile(c, Fixture("categories.leg")));
    ASSERT_EQ(c.Table().size(), 2u);
    EXPECT_EQ(c.Table()[0].label, "Water");  // empty: the category
    EXPECT_EQ(c.Table()[0].colour, Rgb(0, 0, 255));
    EXPECT_EQ(c.Table()[1].label, "Woodland");
    EXPECT_EQ(c.MappingKind(), kMappingTextCategories);
    double position = -1;
    EXPECT_TRUE(c.Transform().TextKeys().Get("FOREST", position));
    EXPECT_EQ(position, 1.0);
    EXPECT_FALSE(c.NullColourSet());
}

TEST(VcpFile, TagsChooseTheBreakTypeOfAnInterpolatedRgbMapping) {
    CColourControl c;
    ExpectOk(ReadVcpFile(c, Fixture("data_values.vcp")));
    EXPECT_TRUE(c.UserMapping().interpolate);
    EXPECT_EQ(c.UserMapping().interpolation, kRampRgb);
    EXPECT_EQ(c.UserMapping().break_type, 0);
    ASSERT_EQ(c.UserMapping().entries.size(), 3u);
    EXPECT_EQ(c.UserMapping().entries[1].value, 50.0);
    EXPECT_EQ(c.UserMapping().entries[1].colour, Rgb(0, 255, 0));
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.Table()[127].colour, Rgb(0, 255, 0));
    EXPECT_EQ(c.MappingKind(), kMappingCeilingPosition);
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{0, 50, 100}));

    // Percentiles over a histogram of four equal bins: the 50th lies at 20.
    c.AttachStatistics({0, 40, {{0, 10, 0.25}, {10, 20, 0.5}, {20, 30, 0.75}, {30, 40, 1.0}}});
    ExpectOk(ReadVcpFile(c, Fixture("percentiles.vcp")));
    EXPECT_EQ(c.UserMapping().break_type, 2);
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{0, 20, 40}));
}

TEST(VcpFile, ACountAboveTheLinesPresentReadsTheLinesThatExist) {
    CColourControl c;
    ExpectOk(ReadVcpFile(c, Fixture("count_above_lines.vcp")));
    ASSERT_EQ(c.UserMapping().entries.size(), 2u);
    // Only the low 8 bits of each component count: 511 is 255, -256 is 0.
    EXPECT_EQ(c.UserMapping().entries[1].colour, Rgb(255, 0, 0));
    EXPECT_EQ(c.Table().front().colour, Rgb(0, 0, 255));
    EXPECT_EQ(c.Table().back().colour, Rgb(255, 0, 0));
}

TEST(VcpFile, MalformedFilesFailAndLeaveTheControlAlone) {
    for (const char* file : {"lower_case_tag.vcp", "not_a_number.vcp", "count_not_a_number.vcp"}) {
        CColourControl c = Prepared();
        ExpectFailure(ReadVcpFile(c, Fixture(file)), kErrorBadVcpFile);
        EXPECT_EQ(c.Table().size(), 3u) << file;
        EXPECT_EQ(c.MappingKind(), kMappingIndex) << file;
        EXPECT_TRUE(c.UserMapping().entries.empty()) << file;
    }
}

class LoadColourTable : public Tarn::Test::ScratchDirTest {};

TEST_F(LoadColourTable, ChoosesTheReaderByExtensionIgnoringCase) {
    const std::string lut = "LUT\n0 0 0 65535\n";
    struct Case {
        std::string name;
        std::string text;
        int code;
        int table_kind;
    };
    const std::vector<Case> cases = {
        {"lower.lut", lut, 0, kTableLut},
        {"UPPER.LUT", lut, 0, kTableLut},
        {"colours.TbL", "0 0 0\n", 0, kTableLut},
        {"colours.Clr", "0 1 2 3\n", 0, kTableLut},
        {"legend.leg", "LegendTable Begin\nLEG {\n0 1 \"\" 255 255 0\n", 0, kTableLeg},
        {"points.VCP", "QTRF_SKCP_AA_BnArMy\n1\n0 1 2 3\n", 0, kTableHslRamp},
        {"table.txt", lut, kErrorUnsupportedTableExtension, kTableNone},
        {"no_extension", lut, kErrorUnsupportedTableExtension, kTableNone},
    };
    for (const Case& k : cases) {
        CColourControl c;
        const ColourResult r = LoadColourTableFile(c, Write(k.name, k.text));
        EXPECT_EQ(r.success, k.code == 0) << k.name;
        EXPECT_EQ(r.error_code, k.code) << k.name;
        EXPECT_EQ(c.TableKind(), k.table_kind) << k.name;
    }
}

TEST_F(LoadColourTable, TheBoundOfTheTableIsReachable) {
    CColourControl c;
    ExpectOk(LoadColourTableFile(c, Write("bound.lut", "LUT\n65535 0 0 0\n")));
    EXPECT_EQ(c.Table().size(), static_cast<size_t>(kMaxColourTableEntries));
    ExpectOk(LoadColourTableFile(c, Write("beyond.lut", "LUT\n0 0 0 0\n65536 0 0 0\n")));
    EXPECT_EQ(c.Table().size(), 1u);
}

// A stop's label covers every entry up to the next stop: a long category is matched whole but
// labelled short, or a small file would fill the table's bound with copies of it.
TEST_F(LoadColourTable, LongCategoriesAreLabelledShort) {
    const std::string category = std::string(254, 'x') + "\xC3\xA9" + std::string(60000, 'y');
    CColourControl c;
    ExpectOk(LoadColourTableFile(
        c, Write("long.lut", "DATATYPE TEXT\nDATARANGE POSTCOLOUR\nLUT\n0 0 0 0 \"" + category +
                                 "\"\n65535 9 9 9\n")));
    ASSERT_EQ(c.Table().size(), static_cast<size_t>(kMaxColourTableEntries));
    EXPECT_EQ(c.Table()[0].label, std::string(254, 'x'));  // not cut inside the two-byte letter
    EXPECT_EQ(c.Table()[65535].label, std::string(254, 'x'));  // a stop without a category
    double position = -1;
    EXPECT_TRUE(c.Transform().TextKeys().Get(std::string(254, 'X') + "\xC3\xA9" +
                                                 std::string(60000, 'Y'),
                                             position));
    EXPECT_EQ(position, 0.0);
}

TEST_F(LoadColourTable, MissingFilesAndNamesThatDifferInCase) {
    CColourControl c;
    ExpectFailure(LoadColourTableFile(c, WidePath("missing.lut")), kErrorFileMissing);
    ExpectFailure(LoadColourTableFile(c, WidePath("missing.txt")), kErrorFileMissing);
    for (auto* read : {&ReadLutFile, &ReadLegFile, &ReadVcpFile}) {
        ExpectFailure((*read)(c, WidePath("missing.x")), kErrorFileMissing);
    }
    std::filesystem::create_directory(Path("folder.lut"));
    ExpectFailure(LoadColourTableFile(c, WidePath("folder.lut")), kErrorFileMissing);

    // A document written on a case-blind system names "terrain.lut" for "Terrain.LUT".
    Write("Terrain.LUT", "LUT\n1 0 65535 0\n");
    ExpectOk(LoadColourTableFile(c, WidePath("terrain.lut")));
    EXPECT_EQ(Colours(c), std::vector<PackedColour>(2, Rgb(0, 255, 0)));
    EXPECT_EQ(c.TableFile(), WidePath("terrain.lut"));
    Write("Legend.LEG", "LegendTable Begin\nLEG {\n0 1 \"\" 255 255 0\n");
    ExpectOk(ReadLegFile(c, WidePath("legend.leg")));
    Write("Points.Vcp", "QTRF_SKCP_AA_BnArMy\n1\n0 1 2 3\n");
    ExpectOk(ReadVcpFile(c, WidePath("POINTS.VCP")));
}

// Lines made of the formats' own words, numbers and punctuation in random order: every reader
// returns, and no table grows past the bound whatever the indexes, percentages and counts.
TEST_F(LoadColourTable, RandomLinesNeitherEscapeNorOverflow) {
    const char* const words[] = {"LUT",
                                 "SCALE",
                                 "WORD",
                                 "BYTE",
                                 "DATARANGE",
                                 "POSTCOLOUR",
                                 "PRECOLOR",
                                 "DATATYPE",
                                 "TEXT",
                                 "NUMERICDISCRETE",
                                 "INTERPOLATION",
                                 "HSL",
                                 "ColorMap",
                                 "LegendTable",
                                 "Begin",
                                 "End",
                                 "LEG",
                                 "{",
                                 "}",
                                 "NULLColour",
                                 "0",
                                 "255",
                                 "65535",
                                 "-1",
                                 "2000000000",
                                 "99999999999999999999",
                                 "1e308",
                                 "nan",
                                 "\"q\"",
                                 "~c",
                                 ",",
                                 "=",
                                 "RGB(1,2,3)",
                                 "red",
                                 "",
                                 "5 10 20 30"};
    std::mt19937 random(7);
    const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 100; ++round) {
        std::string text =
            round % 2 ? "QTRF_SKCP_AA_BnArMy\n" + std::to_string(pick(5)) + "\n" : "";
        for (size_t line = pick(12); line > 0; --line) {
            for (size_t field = pick(9); field > 0; --field) {
                text += words[pick(std::size(words))];
                text += pick(4) ? " " : "";
            }
            text += "\n";
        }
        for (const char* extension : {".lut", ".tbl", ".clr", ".leg", ".vcp"}) {
            CColourControl c;
            LoadColourTableFile(c, Write(std::string("random") + extension, text));
            EXPECT_LE(c.Table().size(), static_cast<size_t>(kMaxColourTableEntries)) << text;
        }
    }
}

}  // namespace
